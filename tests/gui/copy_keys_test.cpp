#include <QItemSelectionModel>
#include <QTest>
#include <cstdio>

#include "app/MainForm.h"
#include "controls/ksGrid.h"
#include "platform/db/DataSource.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/QtClipboard.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Clipboard.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/run_program.h"

using namespace guitest;

namespace {

struct CopyKeysTest : testing::Test {
  TRestoreValue<TFormatSettings> Keep{FormatSettings};
  TVirtualTable Table;
  TDataSource Source;
  TkscxGrid Grid;
  TcxGridDBTableView* View = Grid.CreateView();

  void SetUp() override {
    InstallQtClipboard();
    FormatSettings.ThousandSeparator = u',';
    FormatSettings.DecimalSeparator = u'.';
    Table.AddField(u"Name", ftString, 20);
    Table.AddField(u"Qty", ftInteger, 0);
    Table.Open();
    AppendRows(Table, {{String(u"Ana"), String(u"1200")}, {String(u"Bor \"B\""), std::nullopt}, {String(u"Cene"), String(u"7")}});
    Table.First();
    Source.SetDataSet(&Table);
    View->BeginUpdate();
    for (const char16_t* name : {u"Name", u"Qty"}) View->CreateColumn()->DataBinding().SetFieldName(name);
    View->EndUpdate();
    View->DataController()->SetDataSource(&Source);
    View->SetMultiSelect(true);
    Grid.resize(400, 300);
    Grid.show();
    QItemSelectionModel* selection = View->Site()->selectionModel();
    selection->clearSelection();
    for (int row : {0, 1}) {
      selection->select(View->DataController()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  void TearDown() override { SetClipboard(nullptr); }

  String Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    Clipboard().SetUnicodeText(u"before");
    QTest::keyClick(View->Site(), key, modifiers);
    return Clipboard().GetUnicodeText();
  }
};

const String kSelected = u"Name\tQty\r\n\"Ana\"\t\"1,200\"\r\n\"Bor \"\"B\"\"\"\t\"\"\r\n";

}  // namespace

TEST_F(CopyKeysTest, CtrlCAndCtrlInsertCopyTheSelectedRows) {
  EXPECT_EQ(Press(Qt::Key_C, Qt::ControlModifier), kSelected);
  EXPECT_EQ(Press(Qt::Key_Insert, Qt::ControlModifier), kSelected);
  EXPECT_EQ(Press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier), u"before");
  EXPECT_EQ(Press(Qt::Key_C, Qt::AltModifier), u"before");
}

TEST_F(CopyKeysTest, PastedTextReadsBackAsTheSameCells) {
  const char* python = "/usr/bin/python3";
  if (access(python, X_OK) != 0) GTEST_SKIP() << "python3 is not installed";
  Press(Qt::Key_C, Qt::ControlModifier);
  TempDir dir;
  String file = dir.File("copy.txt");
  {
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out << StringToUtf8(Clipboard().GetUnicodeText());
  }
  std::string command = std::string(python) +
                        " -c \"import csv,sys;print(repr(list(csv.reader(open(sys.argv[1],newline=''),"
                        "delimiter='\\t'))))\" " + StringToUtf8(file);
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[512] = {};
  size_t read = fread(buffer, 1, sizeof buffer - 1, pipe);
  pclose(pipe);
  EXPECT_EQ(std::string(buffer, read), "[['Name', 'Qty'], ['Ana', '1,200'], ['Bor \"B\"', '']]\n");
}

TEST_F(CopyKeysTest, CtrlCWhileACellIsEditedIsLeftToTheEditor) {
  View->Site()->edit(View->DataController()->index(0, 0));
  ASSERT_TRUE(View->Site()->Editing());
  // The open editor copies its own selected text, not the rows.
  EXPECT_EQ(Press(Qt::Key_C, Qt::ControlModifier), u"Ana");
  EXPECT_EQ(Press(Qt::Key_Insert, Qt::ControlModifier), u"Ana");
}

TEST_F(CopyKeysTest, ARegisteredSpreadsheetCopiesTheRowsAndAFailureToCloseItsWorkbookIsShown) {
  MessageLog messages;
  auto server = std::make_shared<TRecordingServer>(u"Excel");
  server->OnCall = [](const TAutomationCall& call, Variant&) {
    if (call.Kind == TAutomationCall::acCall && call.Name == u"Copy") Clipboard().SetUnicodeText(u"from the sheet");
    return false;
  };
  TAutomationRegistration use(ExcelApplicationProgID, server);
  EXPECT_EQ(Press(Qt::Key_C, Qt::ControlModifier), u"from the sheet");
  EXPECT_EQ(server->LogOf(u"put Excel.Workbooks.Add().WorkSheets(1).Cells(3, 1).Value").size(), 1u);

  server->Fail(u"Excel.Workbooks.Add().Close", u"The RPC server is unavailable");
  EXPECT_NE(Press(Qt::Key_C, Qt::ControlModifier), u"from the sheet");
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0].Text, u"The RPC server is unavailable");
  // The next copy goes through a new workbook.
  EXPECT_EQ(Press(Qt::Key_C, Qt::ControlModifier), u"from the sheet");
  EXPECT_EQ(messages.Shown.size(), 1u);
  CopyGridToClipboardFinalize();
  EXPECT_EQ(server->LogOf(u"call Excel.Quit").size(), 1u);
}

// The editor's own grid, with a file open and every row selected.
TEST(EditorCopyKeys, CtrlCCopiesTheSelectedRowsOfTheOpenFile) {
  InstallQtClipboard();
  MessageLog messages;
  TempDir dir;
  const String file = dir.File("t.vtd");
  MakeVtd(file, {{u"ID", ftInteger}, {u"Name", ftString, 20}},
          {{u"1", u"Ana \"A\""}, {u"2", std::nullopt}, {u"3", u"Čebela\tpika"}});
  {
    TMainForm form(QStringList{ToQString(file)});
    form.show();
    form.gVTD_View()->Site()->selectAll();
    Clipboard().SetUnicodeText(u"before");
    QTest::keyClick(form.gVTD_View()->Site(), Qt::Key_C, Qt::ControlModifier);
    const String copied = Clipboard().GetUnicodeText();
    EXPECT_EQ(copied, u"ID\tName\r\n\"1\"\t\"Ana \"\"A\"\"\"\r\n\"2\"\t\"\"\r\n\"3\"\t\"Čebela\tpika\"\r\n");
    SKIP_UNLESS_INSTALLED("python3", "python3");
    const String saved = dir.File("copy.txt");
    {
      std::ofstream out(std::filesystem::path(saved), std::ios::binary);
      out << StringToUtf8(copied);
    }
    const ProgramResult read = RunProgram(
        {"/usr/bin/python3", "-c",
         "import csv,sys;print(list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8'),delimiter='\\t')))",
         StringToUtf8(saved)});
    EXPECT_EQ(read.Output, "[['ID', 'Name'], ['1', 'Ana \"A\"'], ['2', ''], ['3', 'Čebela\\tpika']]\n");
  }
  SetClipboard(nullptr);
}
