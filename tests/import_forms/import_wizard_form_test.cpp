// The import wizard's form: the column-break editor under the mouse, and the
// buttons that open the dialogs other parts provide.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "import/forms/VODWizard.h"
#include "import/forms/WizardBreakBox.h"
#include "import/forms/WizardDialogHooks.h"
#include "import/readers/ImportFromADO.h"
#include "platform/gui/QtStrings.h"
#include "tests/odbc/sqlite_fixture.h"

namespace {

struct HookReset {
  ~HookReset() { ImportWizardDialogs() = TImportWizardDialogs(); }
};

}  // namespace

TEST(ImportWizardForm, BreakEditorClickCreatesDoubleClickDeletesDragMoves) {
  TSMIWizardDlg wizard;
  wizard.SetFixed(true);
  TfrmVODWizard form(&wizard);
  form.Prepare();
  form.show();
  form.pnlPages->setCurrentWidget(form.pbBreaks->parentWidget());
  QApplication::processEvents();
  TWizardBreakBox* box = form.pbBreaks;
  const std::vector<Integer>& breaks = form.State().Breaks;
  auto at = [&](int column) { return QPoint(box->ColumnX(column) + 2, box->height() - 10); };

  QTest::mouseClick(box, Qt::LeftButton, {}, at(0));
  EXPECT_TRUE(breaks.empty()) << "column 0 is no break";
  QTest::mouseClick(box, Qt::LeftButton, {}, at(10));
  QTest::mouseClick(box, Qt::LeftButton, {}, at(4));
  EXPECT_EQ(breaks, (std::vector<Integer>{10, 4}));
  QTest::mousePress(box, Qt::LeftButton, {}, at(10));
  QTest::mouseMove(box, at(14));
  QTest::mouseRelease(box, Qt::LeftButton, {}, at(14));
  EXPECT_EQ(breaks, (std::vector<Integer>{14, 4}));
  QTest::mouseDClick(box, Qt::LeftButton, {}, at(14));
  EXPECT_EQ(breaks, (std::vector<Integer>{4}));
  // Scrolled by 20 columns, a click lands 20 further on.
  form.sbBreaksHorz->setValue(20);
  QTest::mouseClick(box, Qt::LeftButton, {}, at(3));
  EXPECT_EQ(breaks, (std::vector<Integer>{4, 23}));
}

TEST(ImportWizardForm, ExpressionButtonsFollowTheHookAndTheUserAccess) {
  HookReset reset;
  struct Case {
    bool Hook, Allowed, Shown;
  };
  for (const Case& c : {Case{false, true, false}, Case{true, false, false}, Case{true, true, true}}) {
    SCOPED_TRACE(testing::Message() << c.Hook << c.Allowed);
    TWideStrings seenFields;
    String seenExpression;
    ImportWizardDialogs().EditExpression = nullptr;
    if (c.Hook)
      ImportWizardDialogs().EditExpression = [&](QWidget*, TSMIWizardDlg&, const TWideStrings& fields,
                                                 String& expression) {
        seenFields = fields;
        seenExpression = expression;
        expression = u"[Amount] > 1";
        return true;
      };
    TSMIWizardDlg wizard;
    wizard.UserAccess().UseExpressionBuilder = c.Allowed;
    wizard.LoadCondition().SetLoadWhen(u"1 = 1");
    TfrmVODWizard form(&wizard);
    form.Prepare();
    form.SetRestrictionToControls();
    form.Preview().FieldList = {String(), u"Amount", u"Name"};
    form.show();
    form.pnlPages->setCurrentWidget(form.edLoadWhen->parentWidget());
    QApplication::processEvents();
    EXPECT_EQ(form.btnLoadWhen->isVisible(), c.Shown);
    EXPECT_EQ(form.btnSkipIf->isVisible(), c.Shown);
    EXPECT_TRUE(form.chkLoadWhen->isChecked());
    if (!c.Shown) continue;
    EXPECT_FALSE(form.btnSkipIf->isEnabled()) << "enabled only with its check box";
    QTest::mouseClick(form.btnLoadWhen, Qt::LeftButton);
    EXPECT_EQ(seenExpression, u"1 = 1");
    ASSERT_EQ(seenFields.Count(), 2);
    EXPECT_EQ(seenFields.Get(0), u"Amount");
    EXPECT_EQ(form.edLoadWhen->text(), "[Amount] > 1");
    TSMIWizardDlg copy;
    form.ControlsToProperties(copy);
    EXPECT_EQ(copy.LoadCondition().LoadWhen(), u"[Amount] > 1");
  }
}

TEST(ImportWizardForm, SpecificationsButtonRunsTheListAndRefillsTheForm) {
  HookReset reset;
  TSMIWizardDlg wizard;
  TfrmVODWizard form(&wizard);
  form.Prepare();
  form.SetRestrictionToControls();
  form.show();
  EXPECT_EQ(form.btnSpecifications->text(), "Specifications...");
  QTest::mouseClick(form.btnSpecifications, Qt::LeftButton);  // no list yet: nothing happens
  ImportWizardDialogs().ShowSpecifications = [](TSMIWizardDlg& w) { w.SetSourceFileName(u"/data/loaded.csv"); };
  QTest::mouseClick(form.btnSpecifications, Qt::LeftButton);
  EXPECT_EQ(form.edFileName->text(), "/data/loaded.csv");
  EXPECT_EQ(form.State().FileName, u"/data/loaded.csv");

  TSMIWizardDlg hidden;
  hidden.UserAccess().Specification = false;
  TfrmVODWizard other(&hidden);
  other.Prepare();
  other.SetRestrictionToControls();
  other.show();
  EXPECT_FALSE(other.btnSpecifications->isVisible());
}

TEST(ImportWizardForm, MappingGridEditsSourcesAndKeyMarks) {
  TSMIWizardDlg wizard;
  TfrmVODWizard form(&wizard);
  form.Prepare();
  form.show();
  form.State().Mappings.Add(u"ID=A");
  form.State().Mappings.Add(u"Name=");
  form.State().KeyText = u"id";
  form.Preview().FieldList = {String(), u"Order Date", u"A"};
  form.Steps().Hooks.BuildMappingGrid();
  form.pnlPages->setCurrentWidget(form.sgMappings->parentWidget());
  QApplication::processEvents();
  ASSERT_EQ(form.sgMappings->rowCount(), 2);
  auto* key = form.sgMappings->cellWidget(0, 2)->findChild<QCheckBox*>();
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->isChecked()) << "key text matches without case";
  // A picked column with a blank is stored in brackets; typed text as it is.
  const std::pair<int, const char*> edits[] = {{1, "Order Date"}, {0, "A + 1"}};
  for (const auto& [row, text] : edits) {
    form.sgMappings->setCurrentCell(row, 1);
    QApplication::processEvents();
    QComboBox* box = nullptr;
    for (QComboBox* open : form.sgMappings->viewport()->findChildren<QComboBox*>())
      if (open->isVisible()) box = open;
    ASSERT_NE(box, nullptr);
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
  }
  EXPECT_EQ(form.State().Mappings.Get(0), u"ID=A + 1");
  EXPECT_EQ(form.State().Mappings.Get(1), u"Name=[Order Date]");
  QTest::mouseClick(key, Qt::LeftButton, {}, QPoint(4, 4));
  TSMIWizardDlg copy;
  form.ControlsToProperties(copy);
  EXPECT_EQ(copy.DatasetKeys(), u"");
  EXPECT_EQ(copy.Mappings().Get(1), u"Name=[Order Date]");
}

class ImportWizardFormAdo : public SqliteFixture {};

TEST_F(ImportWizardFormAdo, TheDataLinkDialogsConnectionListsItsTables) {
  Sqlite("CREATE TABLE goods (id INTEGER); CREATE VIEW cheap AS SELECT id FROM goods;");
  const String connection = ConnectionString();
  SetDataLinkDialog([&](void*, String& chosen) {
    chosen = connection;
    return true;
  });
  TSMIWizardDlg wizard;
  wizard.SetTableType(teADO);
  TfrmVODWizard form(&wizard);
  form.Prepare();
  form.show();
  form.btnFileName->click();
  SetDataLinkDialog(nullptr);
  EXPECT_EQ(form.State().FileName, connection);
  QStringList tables;
  for (int i = 0; i < form.cbTableNames->count(); ++i) tables << form.cbTableNames->itemText(i);
  EXPECT_EQ(tables, (QStringList{"goods", "cheap"}));  // the catalogue's order
}
