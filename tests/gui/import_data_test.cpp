// "Tools > Import data" driven from the menu through every wizard step, for
// sources written by independent programs (Python's csv module, openpyxl),
// with the rows checked in the editor's table; and a run cancelled from its
// progress window.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "app/MainForm.h"
#include "import/ImportMessages.h"
#include "import/forms/VODStat.h"
#include "import/forms/VODWizard.h"
#include "tests/gui/gui_fixture.h"

using namespace guitest;

namespace {

std::filesystem::path Artefacts() {
  std::filesystem::path dir = GUI_TEST_ARTEFACTS;
  std::filesystem::create_directories(dir);
  return dir;
}

String Fixture(const char* name) {
  return (std::filesystem::current_path() / "fixtures" / name).u16string();
}

// Calls fn from the event loop with the first visible top-level widget of
// type T, polling until one shows (or a few seconds passed).
template <class T>
void WhenShown(std::function<void(T&)> fn, std::function<bool(T&)> ready = nullptr) {
  // Owned by the application, so a timer whose window never came is freed too.
  auto* timer = new QTimer(qApp);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, fn, ready] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* typed = dynamic_cast<T*>(widget);
      if (typed == nullptr || !widget->isVisible() || (ready && !ready(*typed))) continue;
      timer->stop();
      timer->deleteLater();
      fn(*typed);
      return;
    }
    if (++*tries > 500) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "the window never showed";
    }
  });
  timer->start(10);
}

// Presses OK on the progress window once the run has finished.
void CloseProgressWhenDone() {
  WhenShown<TfrmVODProcess>([](TfrmVODProcess& window) { QTest::mouseClick(window.btnCancel, Qt::LeftButton); },
                            [](TfrmVODProcess& window) { return window.btnCancel->text() == "&OK"; });
}

struct ImportDataTest : testing::Test {
  TempDir Dir;
  MessageLog Messages;
  String Table = Dir.File("people.vtd");
  void SetUp() override {
    MakeVtd(Table, {{u"ID", ftInteger}, {u"Name", ftString, 30}, {u"Amount", ftFloat}}, {{u"7", u"Old", u"5"}});
  }
};

void Grab(TfrmVODWizard& wizard, const std::string& name) {
  QApplication::processEvents();
  const QString png = QString::fromStdString((Artefacts() / (name + ".png")).string());
  EXPECT_TRUE(wizard.grab().save(png)) << name;
}

void ChooseFormat(TfrmVODWizard& wizard, TTableTypeImport type) {
  const auto& items = wizard.State().FormatItems;
  const auto found = std::find(items.begin(), items.end(), type);
  ASSERT_NE(found, items.end());
  QRadioButton* button = wizard.FormatButtons[static_cast<size_t>(found - items.begin())];
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  ASSERT_EQ(wizard.State().TableType(), type);
}

void Type(QLineEdit* edit, const String& text) {
  edit->selectAll();
  QTest::keyClicks(edit, ToQString(text));
}

void Next(TfrmVODWizard& wizard, Integer expected) {
  QTest::mouseClick(wizard.btnNext, Qt::LeftButton);
  ASSERT_EQ(wizard.Steps().CurStep(), expected);
}

// Goes through the pages of a source whose first line holds the field names:
// format, file, (text settings), rows, file preview with the columns mapped
// in order, mappings, data preview and mode; then Execute.
void RunWizard(TfrmVODWizard& wizard, TTableTypeImport type, const String& file, const String& secondName,
               const std::string& shots) {
  const bool text = type == teText;
  EXPECT_EQ(wizard.Steps().CurStep(), STEP_FILETYPE);
  ChooseFormat(wizard, type);
  if (!shots.empty()) Grab(wizard, shots + "_1_format");
  Next(wizard, STEP_FILENAME);
  Type(wizard.edFileName, file);
  if (!shots.empty()) Grab(wizard, shots + "_2_file");
  if (text) {
    Next(wizard, STEP_FILESETTINGS);
    QTest::mouseClick(wizard.rbDelimiter[diComma], Qt::LeftButton, {}, QPoint(6, 6));
    if (!shots.empty()) Grab(wizard, shots + "_3_text");
  }
  Next(wizard, STEP_DATAFORMATS);
  Type(wizard.edFirstRow, u"2");
  // The sources write numbers with a decimal point, whatever this system's
  // regional settings say.
  Type(wizard.edDecimal, u".");
  Type(wizard.edThousand, u" ");
  EXPECT_TRUE(wizard.edFieldNameRow->isVisible());
  if (!shots.empty()) Grab(wizard, shots + "_4_rows");
  Next(wizard, STEP_FILEPREVIEW);
  ASSERT_GE(wizard.sgPreview->rowCount(), 3);
  ASSERT_GE(wizard.sgPreview->columnCount(), 3);
  QTest::mouseClick(wizard.btnAutoMap, Qt::LeftButton);
  // Mapped columns are headed with their destination.
  EXPECT_TRUE(wizard.sgPreview->horizontalHeaderItem(1)->text().startsWith("Name"));
  if (!shots.empty()) Grab(wizard, shots + "_6_preview");
  Next(wizard, STEP_MAPPINGS);
  ASSERT_EQ(wizard.sgMappings->rowCount(), 3);
  EXPECT_EQ(wizard.sgMappings->item(0, 0)->text().trimmed(), "ID");
  EXPECT_FALSE(wizard.sgMappings->item(2, 1)->text().trimmed().isEmpty());
  if (!shots.empty()) Grab(wizard, shots + "_7_mappings");
  Next(wizard, STEP_DATAPREVIEW);
  ASSERT_EQ(wizard.sgDataPreview->columnCount(), 3);
  ASSERT_GE(wizard.sgDataPreview->rowCount(), 3);
  EXPECT_EQ(wizard.sgDataPreview->item(1, 1)->text().trimmed(), ToQString(secondName));
  if (!shots.empty()) Grab(wizard, shots + "_8_data");
  Next(wizard, STEP_SUMMARY);
  EXPECT_EQ(wizard.btnCancel->text(), "Execute");
  EXPECT_FALSE(wizard.btnNext->isEnabled());
  EXPECT_TRUE(wizard.rbMode[imAppend]->isChecked());
  // Without key fields only Append and Copy are offered.
  EXPECT_FALSE(wizard.rbMode[imUpdate]->isEnabled());
  if (!shots.empty()) Grab(wizard, shots + "_9_mode");
  CloseProgressWhenDone();
  QTest::mouseClick(wizard.btnCancel, Qt::LeftButton);
}

using Row = std::tuple<Integer, String, double>;

std::vector<Row> Rows(TVirtualTable& table) {
  std::vector<Row> rows;
  for (table.First(); !table.Eof(); table.Next())
    rows.emplace_back(table.FieldByName(u"ID")->AsInteger(), table.FieldByName(u"Name")->AsString(),
                      table.FieldByName(u"Amount")->AsFloat());
  return rows;
}

}  // namespace

TEST_F(ImportDataTest, RowsOfACsvAndAnXlsxFileLandInTheOpenTable) {
  struct Case {
    TTableTypeImport Type;
    const char* File;
  };
  for (const Case& c : {Case{teText, "people.csv"}, Case{teXLS, "people.xlsx"}}) {
    SCOPED_TRACE(c.File);
    TMainForm form(QStringList{ToQString(Table)});
    form.show();
    WhenShown<TfrmVODWizard>([&](TfrmVODWizard& wizard) {
      RunWizard(wizard, c.Type, Fixture(c.File), u"Bob Smith", std::string("import_") + (c.Type == teText ? "csv" : "xlsx"));
    });
    form.mnuImport->trigger();
    const std::vector<Row> expected = {
        {7, u"Old", 5}, {1, u"Ann", 12.5}, {2, u"Bob Smith", -3.25}, {3, u"Cé, \"quoted\"", 1000}};
    EXPECT_EQ(Rows(*form.vtd1()), expected);
    for (const TMessageRequest& shown : Messages.Shown) ADD_FAILURE() << StringToUtf8(shown.Text);
    Messages.Shown.clear();
  }
}

TEST_F(ImportDataTest, CancelInTheProgressWindowStopsTheRun) {
  const String big = Dir.File("big.csv");
  {
    std::ofstream out(std::filesystem::path(big), std::ios::binary);
    out << "ID,Name,Amount\r\n";
    for (int i = 1; i <= 20000; ++i) out << i << ",Row " << i << "," << i << ".5\r\n";
  }
  TMainForm form(QStringList{ToQString(Table)});
  form.show();
  WhenShown<TfrmVODWizard>([&](TfrmVODWizard& wizard) {
    WhenShown<TfrmVODProcess>(
        [](TfrmVODProcess& window) { QTest::mouseClick(window.btnCancel, Qt::LeftButton); },
        [](TfrmVODProcess& window) { return window.btnCancel->text() == "&Cancel"; });
    RunWizard(wizard, teText, big, u"Row 2", {});
  });
  form.mnuImport->trigger();
  const Integer rows = form.vtd1()->RecordCount();
  EXPECT_GT(rows, 1);
  EXPECT_LT(rows, 20001);
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(ImportDataTest, WithoutAnOpenTableTheWizardStillRunsAndQuitsOnConfirmation) {
  TMainForm form;
  form.show();
  WhenShown<TfrmVODWizard>([&](TfrmVODWizard& wizard) {
    EXPECT_EQ(wizard.windowTitle(), "Import Wizard");
    EXPECT_EQ(wizard.lblHeaderCaption->text(), "File Format");
    Grab(wizard, "import_no_table");
    QTest::mouseClick(wizard.btnCancel, Qt::LeftButton);
  });
  form.mnuImport->trigger();
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Text, strWizardAbort);
  EXPECT_FALSE(form.vtd1()->Active());
}
