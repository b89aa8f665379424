// Export benchmarks, one mode per first argument (make IN with
// `vtd_bench make ROWS IN.vtd`):
//   export_bench text IN.vtd OUT [--separator=C] [--qualifier=C] [--charset=ansi|oem|ebcdic|utf8|unicode] [--fixed]
//       loads IN, exports it with the text writer and its defaults otherwise,
//       and prints: rows=N export_s=S peak_rss_mb=M
//   export_bench dbf|sylk|dif|wk1|wq1|spss|pdf IN.vtd OUT
//       the same with that format's writer and its defaults (dbf_baseline.sh
//       times LibreOffice making the same table from CSV)
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/ten_field_shape.h"
#include "export/writers/ExportToDBF.h"
#include "export/writers/ExportToDIF.h"
#include "export/writers/ExportToPDF.h"
#include "export/writers/ExportToSPSS.h"
#include "export/writers/ExportToSYLK.h"
#include "export/writers/ExportToText.h"
#include "export/writers/ExportToWorksheet.h"
#include "platform/db/Field.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/rtl/Strings.h"
#include "table/VirtualTable.h"

namespace {

using bench::Seconds;

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: export_bench text IN.vtd OUT [--separator=C] [--qualifier=C] [--charset=ansi|oem|ebcdic|utf8|unicode] "
               "[--fixed]\n"
               "       export_bench dbf|sylk|dif|wk1|wq1|spss|pdf IN.vtd OUT\n");
  return 2;
}

// Loads IN, exports it with the writer into OUT and prints the figures.
int Export(TRODirezaToCellFile& writer, const char* in, const char* out) {
  TVirtualTable table;
  table.LoadFromFile(Utf8ToString(in));
  table.Open();
  // What the loaded table takes, so the export's own share of the peak shows.
  std::fprintf(stderr, "loaded_rss_mb=%.1f\n", PeakRssMb());
  writer.SetDataSet(&table);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString(out);
  const auto start = std::chrono::steady_clock::now();
  writer.Execute();
  const double seconds = Seconds(start);
  if (writer.Statistic.Result != erCompleted) {
    std::fprintf(stderr, "export failed\n");
    return 1;
  }
  std::printf("rows=%d export_s=%.3f peak_rss_mb=%.1f\n", table.RecordCount(), seconds, PeakRssMb());
  return 0;
}

int Text(int argc, char** argv) {
  if (argc < 4) return Usage();
  TRODirezaToText writer;
  for (int a = 4; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg.rfind("--separator=", 0) == 0) {
      writer.Separator = Utf8ToString(arg.substr(12));
    } else if (arg.rfind("--qualifier=", 0) == 0) {
      writer.TextQualifier = Utf8ToString(arg.substr(12));
    } else if (arg == "--fixed") {
      writer.Fixed = true;
    } else if (arg.rfind("--charset=", 0) == 0) {
      const std::string name = arg.substr(10);
      if (name == "ansi") writer.CharacterSet = csANSI_WINDOWS;
      else if (name == "oem") writer.CharacterSet = csASCII_MSDOS;
      else if (name == "ebcdic") writer.CharacterSet = csEBCDIC;
      else if (name == "utf8") writer.CharacterSet = csUTF8;
      else if (name == "unicode") writer.CharacterSet = csUnicode;
      else return Usage();
    } else {
      return Usage();
    }
  }
  return Export(writer, argv[2], argv[3]);
}

// A writer with its defaults.
template <class Writer>
int Binary(int argc, char** argv) {
  if (argc != 4) return Usage();
  Writer writer;
  return Export(writer, argv[2], argv[3]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  RtlInitialize();
  int result = 2;
  try {
    if (std::strcmp(argv[1], "text") == 0) result = Text(argc, argv);
    else if (std::strcmp(argv[1], "dbf") == 0) result = Binary<TRODirezaToDBF>(argc, argv);
    else if (std::strcmp(argv[1], "sylk") == 0) result = Binary<TRODirezaToSYLK>(argc, argv);
    else if (std::strcmp(argv[1], "dif") == 0) result = Binary<TRODirezaToDIF>(argc, argv);
    else if (std::strcmp(argv[1], "wk1") == 0) result = Binary<TRODirezaToWKS>(argc, argv);
    else if (std::strcmp(argv[1], "wq1") == 0) result = Binary<TRODirezaToQuattro>(argc, argv);
    else if (std::strcmp(argv[1], "spss") == 0) result = Binary<TRODirezaToSPSS>(argc, argv);
    else if (std::strcmp(argv[1], "pdf") == 0) result = Binary<TRODirezaToPDF>(argc, argv);
    else result = Usage();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", StringToUtf8(e.Message()).c_str());
    result = 1;
  }
  RtlFinalize();
  return result;
}
