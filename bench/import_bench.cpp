// Imports a source file into a new virtual table and saves it as VTD.
//
//   import_bench text IN OUT.vtd [SPEC.vod]
//   import_bench xls IN OUT.vtd
//   import_bench xlsx IN OUT.vtd
//   import_bench dbf IN OUT.vtd
//   import_bench paradox IN OUT.vtd
//   import_bench wk1 IN OUT.vtd
//   import_bench wq1 IN OUT.vtd
//   import_bench ods IN OUT.vtd
//   import_bench html IN OUT.vtd
//   import_bench xml IN OUT.vtd [SPEC.vod]
//   import_bench ics IN OUT.vtd
//
// text: a delimited text file whose first row holds the field names
// (separator ",", qualifier '"', UTF-8 with or without mark when the text is
// ASCII) unless SPEC.vod gives other settings. The table's fields are made
// from the detected source columns (OnCreateStructure): integer, float and
// boolean where the first 1,000 rows show them, otherwise wide strings as
// wide as the longest value of those rows.
// xls, xlsx: the first sheet of a workbook (the reader by the extension:
// .xls, or .xlsx, .xlsm and .xlsb), its first row giving the field names,
// every column typed from what the first 1,000 rows show; text columns 64
// characters wide.
// dbf: a dBase or FoxPro table with its memo file beside it; every record
// that is not deleted, with the table's own field names and types.
// paradox: a Paradox table with its BLOB file beside it; every record, with
// the table's own field names and types.
// wk1, wq1: the first sheet of a Lotus 1-2-3 worksheet (WK1 to WK4) or a
// Quattro Pro notebook (WQ1 to WB3, QPW), its first row giving the field
// names; these sources keep every column as text (64 characters wide).
// ods: the first sheet of an OpenDocument spreadsheet, its first row giving
// the field names; cells are read as they are shown, so every column is
// text, 64 characters wide at least (bench/make_ods_bench.py makes the file,
// bench/libreoffice_ods_baseline.py times LibreOffice converting it to CSV).
// html: the rows of every table of a page, the first row naming the
// columns; text columns 64 characters wide at least.
// xml: the records of RECORDS/RECORD (or the tags SPEC.vod gives), fields
// named by the document; text columns 64 characters wide at least.
// ics: the events of a vCalendar or iCalendar file, one column per
// property; text columns 64 characters wide at least.
// A file that cannot be read prints its error on stderr and exits with
// status 1.
// Prints: rows=N import_s=S import_cpu_s=S save_s=S peak_rss_mb=M (the
// import alone in wall-clock and processor time, then the save; on a busy
// machine the processor time is the steadier figure).
//
// The yardstick is pandas.read_csv of the same file, run beside it:
//   vtd_bench make 1000000 rows.vtd
//   LC_ALL=en_US.UTF-8 export_bench text rows.vtd body.csv --separator=, --charset=ansi
//   (printf 'ID,Name,City,Amount,Born,Active,Qty,Price,Note,Code\r\n'; cat body.csv) > rows.csv
//   import_bench text rows.csv out.vtd; bench/read_csv_baseline.py rows.csv
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "import/ImportUnit.h"
#include "import/readers/ImportFromCell.h"
#include "import/readers/ImportFromDatabase.h"
#include "import/readers/ImportFromHTML.h"
#include "import/readers/ImportFromText.h"
#include "import/readers/ImportFromXML.h"
#include "import/readers/OpenOfficeCalc.h"
#include "import/readers/VCalendar.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/rtl/Strings.h"
#include "table/MemData.h"
#include "table/VirtualTable.h"

namespace {

double PeakRssMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

// Quiet runs; the first row holds the field names, the first rows decide
// which columns hold numbers, dates or booleans.
void SetDefaults(TRADerevuBaseComponent& source) {
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetRowFirst(2);
  source.SetRowFieldNames(1);
  source.SetMaxScanRows(1000);
}

// Runs the source into a new table whose fields follow the detected
// columns (text fields at least minTextSize wide), saves it and prints the
// figures.
int RunImport(TRADerevuBaseComponent& source, const char* out, Integer minTextSize) {
  TVirtualTable table;
  source.SetDataSet(&table);
  source.OnCreateStructure = [&table, minTextSize](TComponent*, TSMIColumns& columns) {
    table.Close();
    table.DeleteFields();
    for (int c = 0; c < columns.Count(); ++c) {
      const TSMIColumn& column = columns[c];
      switch (column.DataType) {
        case itInteger: table.AddField(column.FieldName, ftInteger); break;
        case itFloat: table.AddField(column.FieldName, ftFloat); break;
        case itBoolean: table.AddField(column.FieldName, ftBoolean); break;
        case itDateTime:
        case itTime: table.AddField(column.FieldName, ftDateTime); break;
        case itDate: table.AddField(column.FieldName, ftDate); break;
        case itMEMO: table.AddField(column.FieldName, ftWideMemo); break;
        // As wide as the longest value the scan saw; longer values are the
        // table's to cut.
        default: table.AddField(column.FieldName, ftWideString, std::max<Integer>(column.Size, minTextSize)); break;
      }
    }
    table.Open();
  };

  auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  source.Execute();
  const double importSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double importCpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const Integer rows = source.Statistic().TotalImported;
  if (source.Statistic().Result == irFailed && rows == 0) {
    std::fprintf(stderr, "import_bench: the import failed\n");
    return 1;
  }
  if (source.Statistic().TotalErrors != 0)
    std::fprintf(stderr, "%d rows failed to import\n", source.Statistic().TotalErrors);
  start = std::chrono::steady_clock::now();
  table.SaveToFile(Utf8ToString(out));
  const double saveSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("rows=%d import_s=%.3f import_cpu_s=%.3f save_s=%.3f peak_rss_mb=%.1f\n", rows, importSeconds,
              importCpuSeconds, saveSeconds, PeakRssMb());
  return 0;
}

int ImportText(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench text IN OUT.vtd [SPEC.vod]\n");
    return 2;
  }
  TRADerevuFromText source;
  SetDefaults(source);
  source.SetSourceFileName(Utf8ToString(argv[2]));
  source.SetFieldDelimiter(fdComma);
  source.SetTextQualifier(tqQuot);
  if (argc > 4) source.LoadSpecification(Utf8ToString(argv[4]));
  return RunImport(source, argv[3], 1);
}

// The first sheet of a workbook or worksheet file.
template <typename TSource>
int ImportSheet(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench %s IN OUT.vtd\n", argv[1]);
    return 2;
  }
  TSource source;
  SetDefaults(source);
  source.SetSourceFileName(Utf8ToString(argv[2]));
  source.SetSheetIndex(0);
  return RunImport(source, argv[3], 64);
}

// A database table with its own field names and types.
template <class TSource>
int ImportTable(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench %s IN OUT.vtd\n", argv[1]);
    return 2;
  }
  TSource source;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(Utf8ToString(argv[2]));
  return RunImport(source, argv[3], 1);
}

int ImportOds(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench ods IN OUT.vtd\n");
    return 2;
  }
  TRADerevuFromOpenOfficeCalc source;
  SetDefaults(source);
  source.SetSourceFileName(Utf8ToString(argv[2]));
  source.SetSheetIndex(0);
  return RunImport(source, argv[3], 64);
}

// The rows of an HTML page's tables, the first row naming the columns.
int ImportHtml(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench html IN OUT.vtd\n");
    return 2;
  }
  TRADerevuFromHTML source;
  SetDefaults(source);
  source.SetSourceFileName(Utf8ToString(argv[2]));
  return RunImport(source, argv[3], 64);
}

// The records of an XML document: element records of RECORDS/RECORD, or
// whatever records element SPEC.vod's [XMLTags] names.
int ImportXml(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench xml IN OUT.vtd [SPEC.vod]\n");
    return 2;
  }
  TRADerevuFromXML source;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  if (argc > 4) source.LoadSpecification(Utf8ToString(argv[4]));
  source.SetSourceFileName(Utf8ToString(argv[2]));
  return RunImport(source, argv[3], 64);
}

// The events of a calendar, one column per property.
int ImportCalendar(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: import_bench ics IN OUT.vtd\n");
    return 2;
  }
  TRADerevuFromVCalendar source;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(Utf8ToString(argv[2]));
  return RunImport(source, argv[3], 64);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: import_bench SOURCE ...   (sources: text, xls, xlsx, dbf, paradox, wk1, wq1, ods, html, xml, "
                 "ics)\n");
    return 2;
  }
  const std::map<std::string, std::function<int(int, char**)>> sources = {
      {"text", ImportText},
      {"xls", ImportSheet<TRADerevuFromXLS>},
      {"xlsx", ImportSheet<TRADerevuFromXLS>},
      {"dbf", ImportTable<TRADerevuFromDBF>},
      {"paradox", ImportTable<TRADerevuFromParadox>},
      {"wk1", ImportSheet<TRADerevuFromWKS>},
      {"wq1", ImportSheet<TRADerevuFromQuattro>},
      {"ods", ImportOds},
      {"html", ImportHtml},
      {"xml", ImportXml},
      {"ics", ImportCalendar}};
  auto it = sources.find(argv[1]);
  if (it == sources.end()) {
    std::fprintf(stderr, "import_bench: unknown source %s\n", argv[1]);
    return 2;
  }
  RtlInitialize();
  MemDataInitialize();
  ImportInitialize();
  int result = 1;
  try {
    result = it->second(argc, argv);
  } catch (const Exception& e) {
    std::fprintf(stderr, "import_bench: %s\n", StringToUtf8(e.Message()).c_str());
  }
  ImportFinalize();
  MemDataFinalize();
  RtlFinalize();
  return result;
}
