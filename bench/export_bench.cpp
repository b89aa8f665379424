// Export benchmarks, one mode per first argument (make IN with
// `vtd_bench make ROWS IN.vtd`):
//   export_bench text IN.vtd OUT [--separator=C] [--qualifier=C] [--charset=ansi|oem|ebcdic|utf8|unicode] [--fixed]
//       loads IN, exports it with the text writer and its defaults otherwise,
//       and prints: rows=N export_s=S peak_rss_mb=M
//   export_bench sql|ldif|json|xml|html|rtf IN.vtd OUT [--charset=...]
//       the same with the writer of that format and its defaults
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/ten_field_shape.h"
#include "export/writers/ExportToHTML.h"
#include "export/writers/ExportToJSON.h"
#include "export/writers/ExportToLDIF.h"
#include "export/writers/ExportToRTF.h"
#include "export/writers/ExportToSQL.h"
#include "export/writers/ExportToText.h"
#include "export/writers/ExportToXML.h"
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
               "[--fixed]\n");
  return 2;
}

bool CharsetByName(const std::string& name, TCharacterSet& charset) {
  if (name == "ansi") charset = csANSI_WINDOWS;
  else if (name == "oem") charset = csASCII_MSDOS;
  else if (name == "ebcdic") charset = csEBCDIC;
  else if (name == "utf8") charset = csUTF8;
  else if (name == "unicode") charset = csUnicode;
  else return false;
  return true;
}

// Loads IN, exports it with the writer, prints the result line.
int RunWriter(TRODirezaToCellFile& writer, int argc, char** argv) {
  if (argc < 4) return Usage();
  TVirtualTable table;
  table.LoadFromFile(Utf8ToString(argv[2]));
  table.Open();
  std::fprintf(stderr, "loaded_rss_mb=%.1f\n", PeakRssMb());
  writer.SetDataSet(&table);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString(argv[3]);
  for (int a = 4; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg.rfind("--charset=", 0) != 0 || !CharsetByName(arg.substr(10), writer.CharacterSet)) return Usage();
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

template <class TWriter>
int RunWriter(int argc, char** argv) {
  TWriter writer;
  return RunWriter(writer, argc, argv);
}

// The SQL script, LDIF, JSON, XML, HTML and RTF writers; the usage for
// another format.
int Markup(int argc, char** argv) {
  const std::string format = argv[1];
  if (format == "sql") return RunWriter<TRODirezaToSQL>(argc, argv);
  if (format == "ldif") return RunWriter<TRODirezaToLDIF>(argc, argv);
  if (format == "json") return RunWriter<TRODirezaToJSON>(argc, argv);
  if (format == "rtf") return RunWriter<TRODirezaToRTF>(argc, argv);
  if (format == "xml") return RunWriter<TRODirezaToXML>(argc, argv);
  if (format == "html") return RunWriter<TRODirezaToHTML>(argc, argv);
  return Usage();
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
    if (std::strcmp(argv[1], "text") == 0) result = Text(argc, argv);
    else result = Markup(argc, argv);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", StringToUtf8(e.Message()).c_str());
    result = 1;
  }
  RtlFinalize();
  return result;
}
