// Export benchmarks, one mode per first argument:
//   export_bench make ROWS FILE
//       writes a VTD table of ROWS rows in the ten-field shape (about one
//       value in twenty null) to FILE.
//   export_bench text IN.vtd OUT [--separator=C] [--qualifier=C] [--charset=ansi|oem|ebcdic|utf8|unicode] [--fixed]
//       loads IN, exports it with the text writer and its defaults otherwise,
//       and prints: rows=N export_s=S peak_rss_mb=M
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/ten_field_shape.h"
#include "export/writers/ExportToText.h"
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
               "usage: export_bench make ROWS FILE\n"
               "       export_bench text IN.vtd OUT [--separator=C] [--qualifier=C] [--charset=ansi|oem|ebcdic|utf8|unicode] "
               "[--fixed]\n");
  return 2;
}

int Make(int argc, char** argv) {
  if (argc != 4) return Usage();
  const long wanted = std::strtol(argv[2], nullptr, 10);
  if (wanted < 0 || wanted > INT32_MAX) return Usage();
  const Integer rows = static_cast<Integer>(wanted);
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.AddField(u"Name", ftString, 30);
  table.AddField(u"City", ftWideString, 20);
  table.AddField(u"Amount", ftFloat);
  table.AddField(u"Born", ftDate);
  table.AddField(u"Active", ftBoolean);
  table.AddField(u"Qty", ftSmallint);
  table.AddField(u"Price", ftCurrency);
  table.AddField(u"Note", ftMemo);
  table.AddField(u"Code", ftString, 8);
  table.Open();
  TField* f[10];
  for (int k = 0; k < 10; ++k) f[k] = table.Fields()[k];
  bench::RowValues v;
  for (Integer i = 0; i < rows; ++i) {
    bench::MakeRow(i, v);
    table.Append();
    // One value in twenty stays null, a different field each row.
    const int nullField = i % 20 < 10 ? static_cast<int>((i * 7) % 10) : -1;
    auto set = [&](int k, auto&& assign) {
      if (k != nullField) assign(f[k]);
    };
    set(0, [&](TField* x) { x->SetAsInteger(i); });
    set(1, [&](TField* x) { x->SetAsAnsiString(v.name); });
    set(2, [&](TField* x) { x->SetAsString(v.title); });
    set(3, [&](TField* x) { x->SetAsFloat(static_cast<double>(i) * 1.25); });
    set(4, [&](TField* x) { x->SetAsDateTime(40000.0 + static_cast<double>(i % 3000)); });
    set(5, [&](TField* x) { x->SetAsBoolean((i & 1) != 0); });
    set(6, [&](TField* x) { x->SetAsInteger(i % 1000); });
    set(7, [&](TField* x) { x->SetAsFloat(static_cast<double>(i) * 0.01); });
    set(8, [&](TField* x) { x->SetAsAnsiString(AnsiString(v.note, static_cast<size_t>(v.noteLen))); });
    set(9, [&](TField* x) { x->SetAsAnsiString(v.code); });
    table.Post();
  }
  table.SaveToFile(Utf8ToString(argv[3]));
  std::printf("rows=%d file=%s\n", rows, argv[3]);
  return 0;
}

int Text(int argc, char** argv) {
  if (argc < 4) return Usage();
  TVirtualTable table;
  table.LoadFromFile(Utf8ToString(argv[2]));
  table.Open();
  // What the loaded table takes, so the export's own share of the peak shows.
  std::fprintf(stderr, "loaded_rss_mb=%.1f\n", PeakRssMb());
  TRODirezaToText writer;
  writer.SetDataSet(&table);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString(argv[3]);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  RtlInitialize();
  int result = 2;
  try {
    if (std::strcmp(argv[1], "make") == 0) result = Make(argc, argv);
    else if (std::strcmp(argv[1], "text") == 0) result = Text(argc, argv);
    else result = Usage();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", StringToUtf8(e.Message()).c_str());
    result = 1;
  }
  RtlFinalize();
  return result;
}
