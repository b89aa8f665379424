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

TEST(ExportMonitorTest, TargetsWithoutAWriterAreRefusedByName) {
  for (Integer type : {Integer{teParadox}, Integer{teAccess}, Integer{30}}) {
    SCOPED_TRACE(type);
    TTestDataSet ds;
    FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
    TRODirezaMonitor monitor;
    Prepare(monitor, ds, FreshFolder("export_monitor_missing") / "x");
    monitor.SetTableType(static_cast<TTableTypeExport>(type));
    try {
      monitor.Execute(false);
      ADD_FAILURE() << "no error";
    } catch (const ESMENotSupportedClassException& e) {
      const String named = ExportMessageText(29 + (type > teJSON ? Integer{teParadox} : type));
      EXPECT_NE(e.Message().find(named), String::npos) << StringToUtf8(e.Message());
    }
  }
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
