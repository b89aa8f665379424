#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "export/forms/ExportForms.h"
#include "platform/gui/FileCopyAnimation.h"
#include "export/forms/ZAZProcess.h"

TEST(ProgressWindow, ShowsTextsAndHidesTheBarWithoutARange) {
  struct Case {
    Integer minimum, maximum;
    bool barVisible;
  };
  for (const Case& c : {Case{0, 0, false}, Case{0, 10, true}, Case{5, 0, true}}) {
    SCOPED_TRACE(c.maximum);
    TfrmZAZProcess window;
    window.Show(u"RODireza 4.99", u"Exporting...", u"&Cancel", c.minimum, c.maximum, 0);
    EXPECT_EQ(window.windowTitle(), "RODireza 4.99");
    EXPECT_EQ(window.lblStatus->text(), "Exporting...");
    EXPECT_EQ(window.btnCancel->text(), "&Cancel");
    EXPECT_EQ(window.ProgressBar->isVisible(), c.barVisible);
    EXPECT_TRUE(window.Animate->Active());
  }
}

TEST(ProgressWindow, RedrawMovesTheBar) {
  TfrmZAZProcess window;
  window.Show(u"c", u"s", u"b", 0, 200, 0);
  window.Redraw(u"Exporting... (150/200)", 150);
  EXPECT_EQ(window.Position(), 150);
  EXPECT_EQ(window.Maximum(), 200);
  EXPECT_EQ(window.lblStatus->text(), "Exporting... (150/200)");
}

TEST(ProgressWindow, ButtonEscapeAndCloseEachRequestCancelling) {
  const std::function<void(TfrmZAZProcess&)> actions[] = {
      [](TfrmZAZProcess& w) { QTest::mouseClick(w.btnCancel, Qt::LeftButton); },
      [](TfrmZAZProcess& w) { QTest::keyClick(&w, Qt::Key_Escape); },
      [](TfrmZAZProcess& w) { w.close(); },
  };
  for (const auto& act : actions) {
    TfrmZAZProcess window;
    window.Show(u"c", u"s", u"&Cancel", 0, 10, 0);
    EXPECT_FALSE(window.CancelPressed());
    act(window);
    EXPECT_TRUE(window.CancelPressed());
  }
}

TEST(ProgressWindow, WaitForCloseReturnsWhenTheButtonIsPressed) {
  TfrmZAZProcess window;
  window.Show(u"c", u"s", u"&Cancel", 0, 10, 10);
  window.StopAnimation();
  EXPECT_FALSE(window.Animate->Active());
  EXPECT_EQ(window.Animate->Frame(), TFileCopyAnimation::StopFrame);
  QTimer::singleShot(20, &window, [&] {
    EXPECT_EQ(window.btnCancel->text(), "&OK");
    window.btnCancel->click();
  });
  window.WaitForClose(u"&OK");
  SUCCEED();
}

TEST(ProgressWindow, InstalledHooksMakeTheWindow) {
  InstallExportForms();
  auto window = ExportDisplay().CreateProgressWindow();
  EXPECT_NE(dynamic_cast<TfrmZAZProcess*>(window.get()), nullptr);
  ExportDisplay() = TExportDisplay{};
}
