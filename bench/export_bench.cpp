// Export benchmarks, one mode per first argument (make IN with
// `vtd_bench make ROWS IN.vtd`):
//   export_bench text IN.vtd OUT [--separator=C] [--qualifier=C] [--charset=ansi|oem|ebcdic|utf8|unicode] [--fixed]
//       loads IN, exports it with the text writer and its defaults otherwise,
//       and prints: rows=N export_s=S peak_rss_mb=M
//   export_bench xlsx IN.vtd OUT [--threads=N] [--level=N]
//       the same with the XLSX writer (threads and zlib level of the
//       package's compression)
//   export_bench xls|sql|ldif|json|xml|html|rtf|dbf|sylk|dif|wk1|wq1|spss|pdf IN.vtd OUT [--charset=...]
//       the same with the writer of that format and its defaults
//       (dbf_baseline.sh times LibreOffice making the same table from CSV)
//   export_bench ado IN.vtd CONNECTION_STRING TABLE
//       the rows into TABLE of the ODBC database (created when missing)
//       (ado_baseline.sh times sqlite3's own .import of the same rows)
//   export_bench paradox IN.vtd OUT
//       the same into a Paradox table
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "bench/ten_field_shape.h"
#include "export/writers/ExportToADO.h"
#include "export/writers/ExportToBDE.h"
#include "export/writers/ExportToDBF.h"
#include "export/writers/ExportToDIF.h"
#include "export/writers/ExportToHTML.h"
#include "export/writers/ExportToJSON.h"
#include "export/writers/ExportToLDIF.h"
#include "export/writers/ExportToPDF.h"
#include "export/writers/ExportToRTF.h"
#include "export/writers/ExportToSPSS.h"
#include "export/writers/ExportToSQL.h"
#include "export/writers/ExportToSYLK.h"
#include "export/writers/ExportToText.h"
#include "export/writers/ExportToWorksheet.h"
#include "export/writers/ExportToXLS.h"
#include "export/writers/ExportToXLSX.h"
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
               "[--fixed]\n"
               "       export_bench xlsx IN.vtd OUT [--threads=N] [--level=N]\n"
               "       export_bench xls|sql|ldif|json|xml|html|rtf|dbf|sylk|dif|wk1|wq1|spss|pdf IN.vtd OUT "
               "[--charset=ansi|oem|ebcdic|utf8|unicode]\n"
               "       export_bench ado IN.vtd CONNECTION_STRING TABLE\n"
               "       export_bench paradox IN.vtd OUT\n");
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

// Loads IN, exports it with the writer into OUT and prints the figures.
int Export(TRODirezaBaseComponent& writer, char** argv) {
  TVirtualTable table;
  table.LoadFromFile(Utf8ToString(argv[2]));
  table.Open();
  // What the loaded table takes, so the export's own share of the peak shows.
  std::fprintf(stderr, "loaded_rss_mb=%.1f\n", PeakRssMb());
  writer.SetDataSet(&table);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString(argv[3]);
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
  TRODirezaToText writer;
  for (int a = 4; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg.rfind("--separator=", 0) == 0) {
      writer.Separator = Utf8ToString(arg.substr(12));
    } else if (arg.rfind("--qualifier=", 0) == 0) {
      writer.TextQualifier = Utf8ToString(arg.substr(12));
    } else if (arg == "--fixed") {
      writer.Fixed = true;
    } else if (arg.rfind("--charset=", 0) != 0 || !CharsetByName(arg.substr(10), writer.CharacterSet)) {
      return Usage();
    }
  }
  return Export(writer, argv);
}

int Xlsx(int argc, char** argv) {
  TRODirezaToXLSX writer;
  for (int a = 4; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg.rfind("--threads=", 0) == 0) writer.CompressionThreads = static_cast<unsigned>(std::atoi(arg.c_str() + 10));
    else if (arg.rfind("--level=", 0) == 0) writer.CompressionLevel = std::atoi(arg.c_str() + 8);
    else return Usage();
  }
  return Export(writer, argv);
}

// A writer with its defaults and an optional character set.
template <class Writer>
int Plain(int argc, char** argv) {
  Writer writer;
  for (int a = 4; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg.rfind("--charset=", 0) != 0 || !CharsetByName(arg.substr(10), writer.CharacterSet)) return Usage();
  }
  return Export(writer, argv);
}

int Ado(int argc, char** argv) {
  if (argc != 5) return Usage();
  TRODirezaToADO writer;
  writer.TableName = Utf8ToString(argv[4]);
  return Export(writer, argv);
}

int Paradox(int argc, char** argv) {
  if (argc != 4) return Usage();
  TRODirezaToBDE writer;
  writer.SetBDETableType(ttParadox);
  return Export(writer, argv);
}

using TMode = int (*)(int, char**);
const std::map<std::string, TMode> Modes = {
    {"text", Text},
    {"ado", Ado},
    {"paradox", Paradox},
    {"xlsx", Xlsx},
    {"xls", Plain<TRODirezaToXLS>},
    {"sql", Plain<TRODirezaToSQL>},
    {"ldif", Plain<TRODirezaToLDIF>},
    {"json", Plain<TRODirezaToJSON>},
    {"xml", Plain<TRODirezaToXML>},
    {"html", Plain<TRODirezaToHTML>},
    {"rtf", Plain<TRODirezaToRTF>},
    {"dbf", Plain<TRODirezaToDBF>},
    {"sylk", Plain<TRODirezaToSYLK>},
    {"dif", Plain<TRODirezaToDIF>},
    {"wk1", Plain<TRODirezaToWKS>},
    {"wq1", Plain<TRODirezaToQuattro>},
    {"spss", Plain<TRODirezaToSPSS>},
    {"pdf", Plain<TRODirezaToPDF>},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const auto mode = Modes.find(argv[1]);
  if (mode == Modes.end()) return Usage();
  RtlInitialize();
  int result = 2;
  try {
    result = mode->second(argc, argv);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", StringToUtf8(e.Message()).c_str());
    result = 1;
  }
  RtlFinalize();
  return result;
}
