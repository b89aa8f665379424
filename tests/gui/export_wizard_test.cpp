// "Tools > Export data" driven as a user would: the wizard's pages walked
// with its buttons and keys, the file read back by Python's csv module and
// by openpyxl, and a picture of every page written for a look.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <set>

#include "app/MainForm.h"
#include "export/ExportMessages.h"
#include "export/forms/ExportForms.h"
#include "export/forms/ZAZProcess.h"
#include "export/forms/ZAZSpecs.h"
#include "export/forms/ZAZWizard.h"
#include "tests/gui/gui_fixture.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

const std::vector<TVirtualFieldSpec> Fields = {{u"ID", ftInteger}, {u"NAME", ftString, 20}, {u"NOTE", ftString, 10}};
const std::vector<Cells> Rows = {{u"1", u"Smith, Jr.", u"a"}, {u"2", u"Ana \"Q\"", u"b"}, {u"3", u"\u017Diga", {}}};

// Runs fn on the first visible top-level widget of that name, from inside
// whatever modal loop shows it; a watchdog closes it if fn never came.
void WhenShown(const QString& name, std::function<void(QWidget*)> fn) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, name, fn, tries] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == name && w->isVisible()) {
        timer->stop();
        timer->deleteLater();
        fn(w);
        return;
      }
    if (++*tries > 1000) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << name.toStdString() << " was never shown";
    }
  });
  timer->start();
}

void Wizard(std::function<void(TfrmZAZWizard&)> fn) {
  WhenShown(QStringLiteral("frmZAZWizard"), [fn](QWidget* w) { fn(*static_cast<TfrmZAZWizard*>(w)); });
}

template <class T>
T* Child(QWidget& form, const char* name) {
  T* child = form.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget& form, const char* name) { Child<QAbstractButton>(form, name)->click(); }

// Picks item i of a radio group.
void Pick(QWidget& form, const char* group, int i) {
  Child<QGroupBox>(form, group)->findChild<QButtonGroup*>()->button(i)->click();
}

void Choose(QWidget& form, const char* combo, int i) {
  auto* box = Child<QComboBox>(form, combo);
  box->setCurrentIndex(i);
  emit box->activated(i);
}

void Type(QWidget& form, const char* edit, const String& text) {
  auto* line = Child<QLineEdit>(form, edit);
  line->selectAll();
  QTest::keyClicks(line, ToQString(text));
}

void Grab(TfrmZAZWizard& form) {
  const QString folder = QStringLiteral(GUI_TEST_ARTEFACTS);
  QDir().mkpath(folder);
  form.grab().save(folder + QStringLiteral("/export_wizard_step%1.png").arg(form.Step(), 2, 10, QLatin1Char('0')));
}

// Next until the last page; the steps passed through.
std::vector<Integer> WalkToTheEnd(TfrmZAZWizard& form, const std::function<void(TfrmZAZWizard&)>& onPage = {}) {
  std::vector<Integer> steps{form.Step()};
  if (onPage) onPage(form);
  while (form.Step() < WizardStepCount) {
    Click(form, "btnNext");
    if (form.Step() == steps.back()) break;
    steps.push_back(form.Step());
    if (onPage) onPage(form);
  }
  return steps;
}

std::vector<std::string> ReadRows(const String& file, const char* codec = "", const char* delimiter = "") {
  const std::string script = (fs::path(__FILE__).parent_path() / "read_rows.py").string();
  std::string command = "/usr/bin/python3 '" + script + "' '" + FileNameToNative(file) + "' " + codec + " '" +
                        delimiter + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char block[4096];
  size_t got;
  while ((got = fread(block, 1, sizeof block, pipe)) > 0) out.append(block, got);
  pclose(pipe);
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < out.size(); start = end + 1) {
    end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    lines.push_back(out.substr(start, end - start));
  }
  return lines;
}

std::set<std::string> FilesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// A wizard over a table file as the editor makes one, for the settings the
// editor leaves at their defaults.
struct TableWizard {
  TVirtualTable Data;
  TSMEWizardDlg Wizard;
  explicit TableWizard(const String& file) {
    Data.LoadFromFile(file);
    Data.Open();
    Wizard.SetDataSet(&Data);
    Wizard.ColumnSource = csDataSet;
  }
};

struct ExportWizardTest : testing::Test {
  TempDir Dir;
  MessageLog Messages;
  String Table = Dir.File("table.vtd");
  std::unique_ptr<TMainForm> Form;
  void SetUp() override {
    InstallExportForms();
    MakeVtd(Table, Fields, Rows);
    Form = std::make_unique<TMainForm>(QStringList{ToQString(Table)});
  }
  void TearDown() override {
    Form.reset();
    ExportDisplay() = TExportDisplay{};
    SetZAZWizardFormFactory(nullptr);
    SetZAZSaveSpecDialog(nullptr);
  }
};

}  // namespace

TEST_F(ExportWizardTest, ExportDataBeforeAnyFileWasOpenedShowsNoWizard) {
  TMainForm empty;
  bool shown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* wizard = qobject_cast<TfrmZAZWizard*>(w); wizard && wizard->isVisible()) {
        shown = true;
        wizard->done(QDialog::Rejected);
      }
  });
  watch.start(5);
  empty.mnuExport->trigger();
  QTest::qWait(30);
  EXPECT_FALSE(shown);
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(ExportWizardTest, ACsvFileWalksTheTextPagesAndReadsBackWithPythonsCsv) {
  const String csv = Dir.File("out.csv");
  std::vector<Integer> steps;
  Wizard([&](TfrmZAZWizard& form) {
    EXPECT_EQ(form.windowTitle(), "Export Wizard");
    // The wizard starts on the text target, as the component's default.
    EXPECT_TRUE(Child<QRadioButton>(form, "rbFormat2")->isChecked());
    steps = WalkToTheEnd(form, [&](TfrmZAZWizard& f) {
      Grab(f);
      if (f.Step() == 2) {
        Click(f, "cbAddTitle");
        Choose(f, "cbCharacterSet", csUTF8);
      }
      if (f.Step() == 3) {
        Pick(f, "rgSeparator", 3);  // comma
        Choose(f, "cbQualifier", 1);
      }
    });
    // The table's own name, with the target's extension.
    EXPECT_EQ(Child<QLineEdit>(form, "edFileName")->text(), ToQString(Dir.File("table.TXT")));
    EXPECT_EQ(Child<QPushButton>(form, "btnCancel")->text(), "&Execute");
    // A name the file system would refuse is reported, and kept for mending.
    Type(form, "edFileName", u"out|x");
    ASSERT_FALSE(Messages.Shown.empty());
    EXPECT_EQ(Messages.Shown[0].Text, u"File name out| is not valid.");
    EXPECT_EQ(Child<QLineEdit>(form, "edFileName")->text(), "out|x");
    Messages.Shown.clear();
    Type(form, "edFileName", csv);
    // Esc is no cancel on the last page; Enter runs the export.
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    QTest::keyClick(Child<QLineEdit>(form, "edFileName"), Qt::Key_Return);
  });
  Form->mnuExport->trigger();
  // Without header or footer lines the page of both is passed.
  EXPECT_EQ(steps, (std::vector<Integer>{1, 2, 3, 5, 6, 9, 10}));
  EXPECT_EQ(ReadRows(csv, "utf-8-sig", ","),
            (std::vector<std::string>{"ID|NAME|NOTE", "1|Smith, Jr.|a", "2|Ana \"Q\"|b", "3|\u017Diga|"}));
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(ExportWizardTest, AnXlsxFileLeavesOutAnUncheckedColumnAndReadsBackWithOpenpyxl) {
  std::vector<Integer> steps;
  String shownName;
  Wizard([&](TfrmZAZWizard& form) {
    Click(form, "rbFormat21");
    steps = WalkToTheEnd(form, [&](TfrmZAZWizard& f) {
      Grab(f);
      if (f.Step() == 2 && !Child<QCheckBox>(f, "cbAddTitle")->isChecked()) Click(f, "cbAddTitle");
      if (f.Step() == 6) {
        auto* list = Child<QListWidget>(f, "clbFields");
        ASSERT_EQ(list->count(), 3);
        list->item(2)->setCheckState(Qt::Unchecked);
        // Leaving the caption edit renames the column.
        list->setCurrentRow(1);
        Type(f, "edTitleCaption", u"Full name");
        emit Child<QLineEdit>(f, "edTitleCaption")->editingFinished();
        EXPECT_TRUE(list->item(1)->text().contains("Full name"));
      }
    });
    shownName = FromQString(Child<QLineEdit>(form, "edFileName")->text());
    Click(form, "btnCancel");
  });
  Form->mnuExport->trigger();
  EXPECT_EQ(steps, (std::vector<Integer>{1, 2, 5, 6, 9, 10}));
  EXPECT_EQ(shownName, Dir.File("table.XLSX"));
  EXPECT_EQ(ReadRows(shownName),
            (std::vector<std::string>{"ID|Full name", "1|Smith, Jr.", "2|Ana \"Q\"", "3|\u017Diga"}));
}

TEST_F(ExportWizardTest, PagesOfOtherTargetsAreShownAndCancellingWritesNothing) {
  // The SQL and page setup pages, for a look; then Cancel asks before it
  // leaves, and a No keeps the wizard open.
  for (const char* target : {"rbFormat11", "rbFormat17"}) {
    SCOPED_TRACE(target);
    Messages.Answer = false;
    bool stillOpen = false;
    Wizard([&](TfrmZAZWizard& form) {
      Click(form, target);
      WalkToTheEnd(form, [](TfrmZAZWizard& f) {
        if (f.Step() == 4 || f.Step() == 8) Grab(f);
      });
      Click(form, "btnPrev");
      QTest::keyClick(&form, Qt::Key_Escape);
      stillOpen = form.isVisible();
      Messages.Answer = true;
      Click(form, "btnCancel");
    });
    Form->mnuExport->trigger();
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(Messages.Shown.size(), 2u);
    EXPECT_EQ(Messages.Shown[1].Text, ExportMessageText(19));
    Messages.Shown.clear();
  }
  EXPECT_EQ(FilesIn(Dir.Path), std::set<std::string>{"table.vtd"});
}

TEST_F(ExportWizardTest, CancellingTheProgressWindowStopsTheExport) {
  std::vector<Cells> many;
  for (int i = 0; i < 20000; ++i) many.push_back({IntToStr(i), u"name", u"x"});
  const String big = Dir.File("big.vtd");
  MakeVtd(big, Fields, many);
  Form->LoadFromFile(big);
  bool pressed = false;
  Wizard([&](TfrmZAZWizard& form) {
    Click(form, "btnLast");
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, &pressed] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<TfrmZAZProcess*>(w); progress && progress->isVisible() && !pressed) {
          poll->stop();
          poll->deleteLater();
          progress->btnCancel->click();
          pressed = true;
        }
    });
    poll->start(0);
    Click(form, "btnCancel");
  });
  Form->mnuExport->trigger();
  EXPECT_TRUE(pressed);
  const String out = Dir.File("big.TXT");
  // The run stops where it was; what it wrote so far stays, as with any
  // cancelled run.
  const std::string text = FileExists(out) ? Bytes(out) : std::string();
  EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 20000);
}

TEST_F(ExportWizardTest, AParadoxTargetWritesItsTableBesideTheFile) {
  Wizard([&](TfrmZAZWizard& form) {
    Click(form, "rbFormat0");  // Paradox
    Click(form, "btnLast");
    Click(form, "btnCancel");
  });
  Form->mnuExport->trigger();
  for (const auto& shown : Messages.Shown) ADD_FAILURE() << StringToUtf8(shown.Text);
  const std::set<std::string> files = FilesIn(Dir.Path);
  EXPECT_EQ(files.count("table.DB"), 1u) << testing::PrintToString(files);
}

TEST_F(ExportWizardTest, SpecificationsAreSavedLoadedAndDeletedFromTheWizard) {
  const String spec = Dir.File("semicolons.zaz");
  TableWizard made(Table);
  TSMEWizardDlg& wizard = made.Wizard;
  wizard.OnGetSpecifications = [&](TSMEWizardDlg*, std::vector<TSMESpecificationFile>& files) {
    files = FindSpecifications(FromQString(QString::fromStdString(Dir.Path.string())));
  };
  const auto specs = [](std::function<void(TfrmZAZSpecs&)> fn) {
    WhenShown(QStringLiteral("frmZAZSpecs"), [fn](QWidget* w) { fn(*static_cast<TfrmZAZSpecs*>(w)); });
  };
  const auto separator = [](TfrmZAZWizard& form) {
    return Child<QGroupBox>(form, "rgSeparator")->findChild<QButtonGroup*>()->checkedId();
  };
  Integer loaded = -1;
  bool listedAfterDelete = true;
  Wizard([&](TfrmZAZWizard& form) {
    Click(form, "btnNext");
    Click(form, "btnNext");
    Pick(form, "rgSeparator", 2);  // semicolon
    specs([&](TfrmZAZSpecs& dialog) {
      EXPECT_FALSE(dialog.btnLoad->isEnabled());
      WhenShown(QStringLiteral("frmZAZSaveSpec"), [&](QWidget* save) {
        save->findChild<QLineEdit*>(QStringLiteral("edSpecName"))->setText(QStringLiteral("Semicolons"));
        save->findChild<QLineEdit*>(QStringLiteral("edSpecFile"))->setText(ToQString(spec));
        static_cast<QDialog*>(save)->accept();
      });
      dialog.btnSave->click();
    });
    Click(form, "btnSpecs");
    Pick(form, "rgSeparator", 3);  // comma
    specs([&](TfrmZAZSpecs& dialog) {
      ASSERT_EQ(dialog.lbSpecs->count(), 1);
      EXPECT_EQ(dialog.lbSpecs->item(0)->text(), "Semicolons");
      dialog.btnLoad->click();
    });
    Click(form, "btnSpecs");
    loaded = separator(form);
    specs([&](TfrmZAZSpecs& dialog) {
      dialog.btnDelete->click();
      listedAfterDelete = dialog.lbSpecs->count() > 0 || dialog.btnLoad->isEnabled();
      dialog.btnClose->click();
    });
    Click(form, "btnSpecs");
    Click(form, "btnCancel");
  });
  EXPECT_EQ(wizard.Execute(), mrCancel);
  EXPECT_EQ(loaded, 2);
  EXPECT_FALSE(listedAfterDelete);
  EXPECT_FALSE(FileExists(spec));
  // Asked before the file went, and before the wizard was left.
  ASSERT_EQ(Messages.Shown.size(), 2u);
  EXPECT_EQ(Messages.Shown[0].Text, Format(strEDeleteSpecPrompt, {spec}));
}

TEST_F(ExportWizardTest, HeaderAndFooterLinesGoBetweenTheSettingsAndTheMemos) {
  TableWizard made(Table);
  TSMEWizardDlg& wizard = made.Wizard;
  wizard.SetupSpecificationOnly = true;
  wizard.Header = {u"Monthly report", u"December"};
  std::vector<Integer> steps;
  QString shown;
  Integer jumped = 0;
  Wizard([&](TfrmZAZWizard& form) {
    // Alt and a step's digit walks there, passing what Next would pass.
    QTest::keyClick(&form, Qt::Key_8, Qt::AltModifier);
    jumped = form.Step();
    QTest::keyClick(&form, Qt::Key_1, Qt::AltModifier);
    steps = WalkToTheEnd(form, [&](TfrmZAZWizard& f) {
      if (f.Step() != 7) return;
      Grab(f);
      shown = Child<QPlainTextEdit>(f, "memoHeader")->toPlainText();
      EXPECT_FALSE(Child<QPlainTextEdit>(f, "memoFooter")->isEnabled());
      Click(f, "chkFooter");
      QTest::keyClicks(Child<QPlainTextEdit>(f, "memoFooter"), QStringLiteral("Page end"));
    });
    EXPECT_EQ(Child<QPushButton>(form, "btnCancel")->text(), "&OK");
    Click(form, "btnCancel");
  });
  EXPECT_EQ(wizard.Execute(), mrOk);
  EXPECT_EQ(steps, (std::vector<Integer>{1, 2, 3, 5, 6, 7, 9, 10}));
  EXPECT_EQ(jumped, 9);  // the text target has no page 8
  EXPECT_EQ(shown, "Monthly report\nDecember");
  EXPECT_EQ(wizard.Footer, std::vector<String>{u"Page end"});
  EXPECT_EQ(wizard.Header.size(), 2u);
}
