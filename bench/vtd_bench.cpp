// Table files at scale, and a way to check a file from outside:
//   vtd_bench make ROWS FILE [--xml]
//     fills a ten-field virtual table with ROWS rows (a fixed seed, about one
//     value in twenty null), saves it as FILE (VTD, or XML rowset with --xml)
//     and prints: rows=N save_s=S
//   vtd_bench load FILE [--save OUT]
//     loads FILE (VTD or XML rowset), reads every field of every row,
//     optionally saves it to OUT as the editor's "Save" does, and prints:
//     rows=N fields=F load_s=S scan_s=S save_s=S peak_rss_mb=M
// A file that cannot be read gives its error on stderr and exit status 1.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/rtl/Strings.h"
#include "bench/sample_table.h"
#include "table/MemData.h"
#include "table/VirtualTable.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

String Arg(const char* text) { return Utf8ToString(text); }

int Make(long long rows, const char* file, bool xml) {
  TVirtualTable table;
  bench::FillSampleTable(table, rows);
  auto start = std::chrono::steady_clock::now();
  if (xml)
    table.SaveToXML(Arg(file));
  else
    table.SaveToFile(Arg(file), true, false);
  std::printf("rows=%lld save_s=%.3f\n", rows, Seconds(start));
  return 0;
}

// Reads one value in the form its type has, so that every byte is touched.
unsigned long long ReadValue(TField* field) {
  if (field->IsNull()) return 1;
  switch (field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftShortint: case ftByte: case ftAutoInc:
    case ftLargeint: case ftLongWord:
      return static_cast<unsigned long long>(field->AsLargeInt());
    case ftBoolean: return field->AsBoolean() ? 3 : 5;
    case ftFloat: case ftSingle: case ftExtended: case ftDate: case ftTime: case ftDateTime:
      return static_cast<unsigned long long>(static_cast<long long>(field->AsFloat()));
    case ftCurrency: return static_cast<unsigned long long>(field->AsCurrency().Scaled());
    case ftString: case ftMemo: case ftFixedChar: case ftGuid: return field->AsAnsiString().size();
    case ftBytes: case ftVarBytes: case ftBlob: return field->AsBytes().size();
    default: return field->AsString().size();
  }
}

int Load(const char* file, const char* saveTo) {
  TVirtualTable table;
  auto start = std::chrono::steady_clock::now();
  table.LoadFromFile(Arg(file));
  table.Open();
  double loadSeconds = Seconds(start);

  start = std::chrono::steady_clock::now();
  unsigned long long checksum = 0;
  long long rows = 0;
  const int fields = table.FieldCount();
  for (table.First(); !table.Eof(); table.Next()) {
    for (int k = 0; k < fields; ++k) checksum += ReadValue(table.Fields()[k]);
    ++rows;
  }
  double scanSeconds = Seconds(start);

  double saveSeconds = 0;
  if (saveTo != nullptr) {
    start = std::chrono::steady_clock::now();
    table.SaveToFile(Arg(saveTo), true, false);
    saveSeconds = Seconds(start);
  }
  std::printf("rows=%lld fields=%d load_s=%.3f scan_s=%.3f save_s=%.3f peak_rss_mb=%.1f\n", rows, fields,
              loadSeconds, scanSeconds, saveSeconds, PeakRssMb());
  std::fprintf(stderr, "checksum=%llu\n", checksum);
  return 0;
}

int Usage() {
  std::fprintf(stderr, "usage: vtd_bench make ROWS FILE [--xml]\n       vtd_bench load FILE [--save OUT]\n");
  return 2;
}

int Run(int argc, char** argv) {
  if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "make") == 0) {
    if (argc == 5 && std::strcmp(argv[4], "--xml") != 0) return Usage();
    char* end = nullptr;
    long long rows = std::strtoll(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || rows < 0 || rows > 0x7FFFFFFF) return Usage();
    return Make(rows, argv[3], argc == 5);
  }
  if ((argc == 3 || argc == 5) && std::strcmp(argv[1], "load") == 0) {
    if (argc == 5 && std::strcmp(argv[3], "--save") != 0) return Usage();
    return Load(argv[2], argc == 5 ? argv[4] : nullptr);
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  int status = 1;
  try {
    RtlInitialize();
    MemDataInitialize();
    try {
      status = Run(argc, argv);
    } catch (const Exception& e) {
      std::fprintf(stderr, "%s\n", StringToUtf8(e.Message()).c_str());
    }
    MemDataFinalize();
    RtlFinalize();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", StringToUtf8(e.Message()).c_str());
    status = 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  } catch (...) {
    std::fprintf(stderr, "unknown failure\n");
    status = 1;
  }
  return status;
}
