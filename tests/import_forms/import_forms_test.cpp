// The import's progress window and parameter dialog, driven with QTest.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/gui/FileCopyAnimation.h"
#include "import/ImportColumns.h"
#include "import/ImportMessages.h"
#include "import/forms/ImportForms.h"
#include "import/forms/ParameterPrompt.h"
#include "import/forms/VODStat.h"

namespace {

TImportProgressLayout Layout(bool counters, bool animate) {
  TImportProgressLayout layout;
  layout.Caption = strImporting;
  layout.Status = u"Reading...";
  layout.ShowCounters = counters;
  layout.Animate = animate;
  layout.CancelCaption = strBtnCancel;
  const String captions[6] = {strProcessed, strErrors, strAdded, strUpdated, strDeleted, strSkipped};
  std::copy(std::begin(captions), std::end(captions), layout.CounterCaptions);
  return layout;
}

}  // namespace

TEST(ImportProgressWindow, LayoutWithAndWithoutCountersAndAnimation) {
  struct Case {
    bool Counters, Animate;
    int Height, CancelTop, PauseTop;
    bool PauseVisible;
  };
  for (const Case& c : {Case{true, true, 130, 70, 100, true}, Case{false, true, 88, 55, 85, false},
                        Case{true, false, 85, 13, 43, true}}) {
    SCOPED_TRACE(c.Height);
    TfrmVODProcess window;
    window.Show(Layout(c.Counters, c.Animate));
    EXPECT_EQ(window.windowTitle(), "Importing...");
    EXPECT_EQ(window.lblStatus->text(), "Reading...");
    EXPECT_EQ(window.btnCancel->text(), "&Cancel");
    EXPECT_EQ(window.height(), c.Height);
    EXPECT_EQ(window.btnCancel->y(), c.CancelTop);
    EXPECT_EQ(window.btnPause->y(), c.PauseTop);
    EXPECT_EQ(window.pnlCounters->isVisible(), c.Counters);
    EXPECT_EQ(window.btnPause->isVisible(), c.PauseVisible);
    EXPECT_EQ(window.Animate->Active(), c.Animate);
    EXPECT_EQ(window.lblProcessed->text(), "Processed:");
  }
}

TEST(ImportProgressWindow, CountersAndBarFollowTheUpdates) {
  TfrmVODProcess window;
  window.Show(Layout(true, true));
  window.SetRange(0, 0, 0);
  EXPECT_FALSE(window.ProgressBar->isVisible());
  window.SetRange(0, 10, 0);
  EXPECT_TRUE(window.ProgressBar->isVisible());
  window.Update(u"Importing row 7", {7, 1, 4, 0, 2, 0});
  EXPECT_EQ(window.lblStatus->text(), "Importing row 7");
  EXPECT_EQ(window.ProgressBar->value(), 7);
  const std::pair<QLabel*, const char*> shown[] = {{window.lblTotalImported, "7"}, {window.lblTotalErrors, "1"},
                                                   {window.lblTotalAdded, "4"},    {window.lblTotalDeleted, "0"},
                                                   {window.lblTotalUpdated, "2"},  {window.lblTotalSkipped, "0"}};
  for (const auto& [label, text] : shown) EXPECT_EQ(label->text(), text);
  EXPECT_TRUE(window.Animate->Active());
  window.Update(u"done", {10, 0, 0, 0, 0, 0});
  EXPECT_FALSE(window.Animate->Active());
}

TEST(ImportProgressWindow, PauseTogglesAndCancelStays) {
  TfrmVODProcess window;
  window.Show(Layout(true, true));
  EXPECT_EQ(window.btnPause->text(), "&Pause");
  QTest::mouseClick(window.btnPause, Qt::LeftButton);
  EXPECT_TRUE(window.PausePressed());
  EXPECT_EQ(window.btnPause->text(), "C&ontinue");
  QTest::mouseClick(window.btnPause, Qt::LeftButton);
  EXPECT_FALSE(window.PausePressed());
  EXPECT_EQ(window.btnPause->text(), "&Pause");

  QTest::mouseClick(window.btnCancel, Qt::LeftButton);
  EXPECT_TRUE(window.CancelPressed());
  window.Update(u"x", {});
  EXPECT_TRUE(window.CancelPressed());
  // A cancelled run's final wait ends at once.
  window.WaitForClose(strBtnOk, false);
  EXPECT_EQ(window.btnCancel->text(), "&OK");

  TfrmVODProcess closed;
  closed.Show(Layout(false, false));
  closed.close();
  EXPECT_TRUE(closed.CancelPressed());
}

TEST(ImportProgressWindow, FinalWaitEndsWhenOkIsPressed) {
  TfrmVODProcess window;
  window.Show(Layout(true, true));
  QTimer::singleShot(20, &window, [&] { QTest::mouseClick(window.btnCancel, Qt::LeftButton); });
  window.WaitForClose(strBtnOk, false);
  EXPECT_TRUE(window.CancelPressed());
}

TEST(ImportParameterPrompt, EditorsShowTheValuesAndAnswersComeBack) {
  TSMIParameters parameters;
  auto add = [&](TSMIParameterEditor editor, const Variant& value) {
    TSMIParameter* p = parameters.Add();
    p->ParameterEditor = editor;
    p->Value = value;
    p->Caption = u"Caption " + p->Name();
    p->Description = u"hint";
    for (const char16_t* item : {u"red", u"green", u"blue"}) p->ParamPromptValues.Add(item);
    return p;
  };
  std::vector<TSMIParameter*> list = {add(ipeEdit, Variant(u"2 + 3")), add(ipeCheckBox, Variant::Null()),
                                      add(ipeCombobox, Variant(u"green")), add(ipeListBox, Variant(u"none"))};
  TfrmParameterPrompt form(list);
  EXPECT_EQ(form.windowTitle(), "Parameter properties");
  EXPECT_EQ(form.width(), 250);
  auto* edit = static_cast<QLineEdit*>(form.Editor(0));
  auto* check = static_cast<QCheckBox*>(form.Editor(1));
  auto* combo = static_cast<QComboBox*>(form.Editor(2));
  auto* listBox = static_cast<QListWidget*>(form.Editor(3));
  EXPECT_EQ(edit->text(), "2 + 3");
  EXPECT_EQ(edit->toolTip(), "hint");
  EXPECT_EQ(edit->geometry().topLeft(), QPoint(135, 8));
  EXPECT_FALSE(check->isChecked());
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(listBox->currentRow(), -1);

  edit->clear();
  QTest::keyClicks(edit, "7");
  QTest::keyClick(check, Qt::Key_Space);
  combo->setCurrentIndex(2);
  form.ApplyAnswers();
  EXPECT_EQ(list[0]->Value.AsString(), u"7");
  EXPECT_EQ(list[1]->Value.AsString(), u"True");
  EXPECT_EQ(list[2]->Value.AsString(), u"blue");
  // A list left without a selection answers empty.
  EXPECT_EQ(list[3]->Value.AsString(), u"");
}

TEST(ImportParameterPrompt, InstalledDialogTakesOkAndCancel) {
  InstallImportForms();
  TSMIParameters parameters;
  TSMIParameter* p = parameters.Add();
  p->Value = Variant(u"old");
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    QTimer::singleShot(0, [ok] {
      auto* form = qobject_cast<TfrmParameterPrompt*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      auto* edit = static_cast<QLineEdit*>(form->Editor(0));
      edit->setText("new");
      if (ok)
        QTest::keyClick(edit, Qt::Key_Return);
      else
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    EXPECT_EQ(ImportDisplay().PromptParameters({p}), ok);
    EXPECT_EQ(p->Value.AsString(), ok ? u"new" : u"old");
  }
  ImportDisplay() = TImportDisplay();
}
