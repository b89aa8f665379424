// The specification list and the save dialog, clicked through with QTest.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "import/ImportWizard.h"
#include "import/forms/SpecificationForms.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/import_forms/dialog_fixture.h"

namespace {

class SpecFormsTest : public testing::Test {
 protected:
  void SetUp() override {
    UseDialogFont();
    InstallSpecificationForms();
    dir = std::filesystem::temp_directory_path() / ("vod_forms_test_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    wizard.SetSpecificationDir(Utf8ToString(dir.string()) + u"/");
    wizard.SetSourceFileName(u"/data/orders.csv");
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    SetSpecificationDialogHandler(nullptr);
    SetSaveSpecDialogHandler(nullptr);
  }
  String Path(const char* name) const { return Utf8ToString((dir / name).string()); }
  void SaveSpec(const char* file, const String& name) {
    TSMIWizardDlg other;
    other.SetTableName(name + u" table");
    other.SaveSpecification(name, Path(file), false);
  }

  std::filesystem::path dir;
  TSMIWizardDlg wizard;
};

}  // namespace

TEST_F(SpecFormsTest, ListTextsAndDoubleClickLoads) {
  SaveSpec("a.vod", u"Customers");
  SaveSpec("b.vod", u"Monthly orders");
  bool checked = false;
  OnModal<TfrmSpecs>([&](TfrmSpecs& form) {
    EXPECT_EQ(form.windowTitle(), "Specifications...");
    EXPECT_EQ(form.lblPrompt->text(), "List of available specifications:");
    EXPECT_EQ(form.btnLoad->text(), "Load");
    EXPECT_EQ(form.btnSave->text(), "Save");
    EXPECT_EQ(form.btnDelete->text(), "Delete");
    EXPECT_EQ(form.btnClose->text(), "Close");
    EXPECT_EQ(form.lbSpecs->count(), 2);
    EXPECT_EQ(form.lbSpecs->currentRow(), 0);
    EXPECT_TRUE(form.btnLoad->isEnabled());
    EXPECT_TRUE(form.btnDelete->isEnabled());
    EXPECT_EQ(form.lbSpecs->visualItemRect(form.lbSpecs->item(0)).height(), 17);
    EXPECT_TRUE(SavePicture(form, "specifications.png"));
    ClickRow(*form.lbSpecs, "Monthly orders", true);
    checked = true;
  });
  wizard.ShowSpecificationDialog();
  EXPECT_TRUE(checked);
  EXPECT_EQ(wizard.TableName(), u"Monthly orders table");
}

TEST_F(SpecFormsTest, EscapeClosesAndAFailedLoadIsReported) {
  SaveSpec("a.vod", u"Customers");
  OnModal<TfrmSpecs>([](TfrmSpecs& form) { QTest::keyClick(&form, Qt::Key_Escape); });
  wizard.SetTableName(u"kept");
  wizard.ShowSpecificationDialog();
  EXPECT_EQ(wizard.TableName(), u"kept");

  MessageRecorder messages;
  OnModal<TfrmSpecs>([&](TfrmSpecs& form) {
    std::filesystem::remove(dir / "a.vod");
    QTest::mouseClick(form.btnLoad, Qt::LeftButton);
  });
  wizard.ShowSpecificationDialog();
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0].Kind, TMessageKind::Error);
  EXPECT_EQ(messages.Shown[0].Text, u"File " + Path("a.vod") + u" does not exist.");
  EXPECT_EQ(wizard.TableName(), u"kept");
}

TEST_F(SpecFormsTest, SaveThroughTheSaveDialogAndCancelWritesNothing) {
  // Empty folder: Load and Delete are off; Save proposes the defaults.
  bool sawSave = false;
  OnModal<TfrmSpecs>([&](TfrmSpecs& form) {
    EXPECT_EQ(form.lbSpecs->count(), 0);
    EXPECT_FALSE(form.btnLoad->isEnabled());
    EXPECT_FALSE(form.btnDelete->isEnabled());
    EXPECT_TRUE(form.btnSave->isEnabled());
    OnModal<TfrmSaveSpec>([&](TfrmSaveSpec& save) {
      EXPECT_EQ(save.windowTitle(), "Import specification");
      EXPECT_EQ(save.lblName->text(), "Import specification");
      EXPECT_EQ(save.lblFileName->text(), "Import from File:");
      EXPECT_EQ(save.edName->text(), "Import specification");
      EXPECT_EQ(save.edFileName->text(), ToQString(Path("orders.vod")));
      EXPECT_EQ(save.btnOk->text(), "&OK");
      EXPECT_EQ(save.btnCancel->text(), "&Cancel");
      EXPECT_TRUE(SavePicture(save, "save_specification.png"));
      save.edName->clear();
      QTest::keyClicks(save.edName, "Weekly");
      save.edFileName->setText(ToQString(Path("weekly.vod")));
      QTest::mouseClick(save.btnOk, Qt::LeftButton);
      sawSave = true;
    });
    QTest::mouseClick(form.btnSave, Qt::LeftButton);
  });
  wizard.SetTableName(u"Week table");
  wizard.ShowSpecificationDialog();
  EXPECT_TRUE(sawSave);
  EXPECT_EQ(ReadSpecificationCaption(Path("weekly.vod")), u"Weekly");

  // Save with the entry selected, then Cancel in the save dialog.
  wizard.SetTableName(u"Changed");
  OnModal<TfrmSpecs>([](TfrmSpecs& form) {
    OnModal<TfrmSaveSpec>([](TfrmSaveSpec& save) {
      EXPECT_EQ(save.edName->text(), "Weekly");
      QTest::keyClick(&save, Qt::Key_Escape);
    });
    QTest::mouseClick(form.btnSave, Qt::LeftButton);
  });
  wizard.ShowSpecificationDialog();
  TSMIWizardDlg check;
  check.LoadSpecification(Path("weekly.vod"));
  EXPECT_EQ(check.TableName(), u"Week table");
}

TEST_F(SpecFormsTest, DeleteAsksAndRemoves) {
  SaveSpec("a.vod", u"Customers");
  SaveSpec("b.vod", u"Monthly orders");
  MessageRecorder messages;
  OnModal<TfrmSpecs>([&](TfrmSpecs& form) {
    ClickRow(*form.lbSpecs, "Monthly orders");
    messages.Answer = false;
    QTest::mouseClick(form.btnDelete, Qt::LeftButton);
    EXPECT_EQ(form.lbSpecs->count(), 2);
    messages.Answer = true;
    QTest::mouseClick(form.btnDelete, Qt::LeftButton);
    EXPECT_EQ(form.lbSpecs->count(), 1);
    EXPECT_EQ(form.lbSpecs->currentRow(), 0);
    QTest::mouseClick(form.btnDelete, Qt::LeftButton);
    EXPECT_EQ(form.lbSpecs->count(), 0);
    EXPECT_FALSE(form.btnLoad->isEnabled());
    EXPECT_FALSE(form.btnDelete->isEnabled());
    QTest::mouseClick(form.btnClose, Qt::LeftButton);
  });
  wizard.ShowSpecificationDialog();
  ASSERT_EQ(messages.Shown.size(), 3u);
  EXPECT_EQ(messages.Shown[0].Kind, TMessageKind::Confirmation);
  EXPECT_EQ(messages.Shown[0].Text, u"Delete import specification " + Path("b.vod") + u"?");
  EXPECT_TRUE(FileExists(Path("b.vod")) == false);
  EXPECT_FALSE(FileExists(Path("a.vod")));
}

TEST_F(SpecFormsTest, ALongCaptionScrollsAndSaveCanBeRestricted) {
  SaveSpec("long.vod", u"Orders of every customer in every region, month by month, with the discounts they had");
  wizard.UserAccess().SpecificationSave = false;
  OnModal<TfrmSpecs>([](TfrmSpecs& form) {
    QApplication::processEvents();
    EXPECT_TRUE(form.lbSpecs->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(form.btnSave->isEnabled());
    EXPECT_TRUE(SavePicture(form, "specifications_long.png"));
    QTest::mouseClick(form.btnClose, Qt::LeftButton);
  });
  wizard.ShowSpecificationDialog();
}
