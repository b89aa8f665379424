// The format dispatcher: the writer each target runs, and what it keeps of
// the settings it is given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/ExportMonitor.h"
#include "platform/rtl/Strings.h"
#include "tests/export/export_fixture.h"
#include "tests/export/run_tool.h"

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Prepare(TRODirezaMonitor& monitor, TTestDataSet& ds, const fs::path& file) {
  monitor.SetDataSet(&ds);
  monitor.ColumnSource = csDataSet;
  monitor.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  monitor.AnimatedStatus = false;
  monitor.FileName = Utf8ToString(file.string());
}

}  // namespace

TEST(ExportMonitorTest, NewMonitorOffersEveryTargetButJsonAndWritesText) {
  TRODirezaMonitor monitor;
  EXPECT_EQ(monitor.Formats, 0x3FFFFFu);
  EXPECT_FALSE(HasFormat(monitor.Formats, teJSON));
  EXPECT_EQ(monitor.TableType(), teText);
  EXPECT_EQ(monitor.FilterName, u"MS Word 97");
  EXPECT_TRUE(monitor.FileName.ends_with(u".TXT"));
}

TEST(ExportMonitorTest, RunsTheTargetsWriterIntoTheGivenFileName) {
  const fs::path dir = FreshFolder("export_monitor");
  // The type is set first and the given name restored after it, so an XML
  // export may go into a .txt file; JSON runs although Formats leaves it out.
  struct Case {
    TTableTypeExport type;
    const char* file;
    const char* starts;
  };
  for (const Case& c : {Case{teXML, "out.txt", "<?xml"}, Case{teJSON, "out.json", "["},
                        Case{teSQL, "out.sql", "INSERT INTO"}}) {
    SCOPED_TRACE(c.file);
    TTestDataSet ds;
    FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
    TRODirezaMonitor monitor;
    Prepare(monitor, ds, dir / c.file);
    monitor.SetTableType(c.type);
    monitor.FileName = Utf8ToString((dir / c.file).string());
    monitor.CharacterSet = csANSI_WINDOWS;
    monitor.SQLOptions.SQLTerm = u";";
    monitor.TableName = u"people";
    monitor.Execute(false);
    EXPECT_EQ(monitor.Statistic.Result, erCompleted);
    EXPECT_EQ(monitor.Statistic.TotalCount, 1);
    EXPECT_EQ(ReadFile(dir / c.file).rfind(c.starts, 0), 0u) << ReadFile(dir / c.file);
  }
}

TEST(ExportMonitorTest, TheSqlWriterTakesTheMonitorsSqlOptions) {
  const fs::path dir = FreshFolder("export_monitor_sql");
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
  TRODirezaMonitor monitor;
  Prepare(monitor, ds, dir / "a.sql");
  monitor.SetTableType(teSQL);
  monitor.CharacterSet = csANSI_WINDOWS;
  monitor.TableName = u"people";
  monitor.SQLOptions.CommitTerm = u"END WORK;";
  monitor.Execute(false);
  EXPECT_NE(ReadFile(dir / "a.SQL").find("END WORK;"), std::string::npos);
}

TEST(ExportMonitorTest, ParadoxAndUnknownTargetsWriteTablesAndAccessNeedsItsEngine) {
  const fs::path dir = FreshFolder("export_monitor_tables");
  struct Case {
    Integer type;
    const char* given;    // the file name set after the type
    const char* written;  // what the run leaves
    std::string_view starts;  // its first bytes
  };
  // Paradox whatever the name; past the last target the name's extension
  // chooses the kind of table.
  for (const Case& c : {Case{teParadox, "a.txt", "a.txt", "\x1a\x00\x00\x08\x02\x04"sv},
                        Case{30, "b.dbf", "b.dbf", "\x03"sv}, Case{30, "c.txt", "c.txt", "1,\"Ana\""sv},
                        Case{30, "d.xyz", "d.xyz", "\x1a\x00\x00\x08"sv}}) {
    SCOPED_TRACE(c.given);
    TTestDataSet ds;
    FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
    TRODirezaMonitor monitor;
    Prepare(monitor, ds, dir / c.given);
    monitor.SetTableType(static_cast<TTableTypeExport>(c.type));
    monitor.FileName = Utf8ToString((dir / c.given).string());
    monitor.Execute(false);
    EXPECT_EQ(monitor.Statistic.Result, erCompleted);
    EXPECT_EQ(monitor.Statistic.TotalCount, 1);
    EXPECT_EQ(ReadFile(dir / c.written).rfind(c.starts, 0), 0u);
  }
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
  TRODirezaMonitor monitor;
  Prepare(monitor, ds, dir / "e.mdb");
  monitor.SetTableType(teAccess);
  monitor.TableName = u"people";
  try {
    monitor.Execute(false);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Invalid class string");
  }
  EXPECT_FALSE(fs::exists(dir / "e.mdb"));
}

TEST(ExportMonitorTest, TheDialogRunsOnlyWhenAskedAndACancelExportsNothing) {
  const fs::path dir = FreshFolder("export_monitor_dialog");
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
  TRODirezaMonitor monitor;
  Prepare(monitor, ds, dir / "a.txt");
  int shown = 0;
  SetExportSetupDialog([&](TRODirezaBaseComponent&, TExportSetupParams& params) {
    ++shown;
    params.TableType = teHTML;
    return false;
  });
  monitor.Execute(true);
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(fs::exists(dir / "a.HTM"));
  EXPECT_EQ(monitor.TableType(), teText);

  SetExportSetupDialog([&](TRODirezaBaseComponent&, TExportSetupParams& params) {
    ++shown;
    params.TableType = teHTML;
    params.FileName = Utf8ToString((dir / "chosen.htm").string());
    return true;
  });
  monitor.Execute(true);
  EXPECT_EQ(shown, 2);
  EXPECT_TRUE(fs::exists(dir / "chosen.htm"));
  SetExportSetupDialog(nullptr);
}
