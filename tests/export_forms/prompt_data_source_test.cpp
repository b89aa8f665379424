// The data-link dialog: it starts from the given connection string, lists
// the drivers, follows a click on a driver and typed credentials, and is
// grabbed as a picture for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "export/forms/PromptDataSource.h"

TEST(PromptDataSource, FollowsTheUsersChoicesIntoTheConnectionString) {
  // The system's Calibri 9, matched by Carlito.
  const QFont previous = QApplication::font();
  QApplication::setFont(QFont("Carlito", 9));
  struct TRestore {
    QFont Font;
    ~TRestore() { QApplication::setFont(Font); }
  } restore{previous};
  TfrmDataLink dialog(u"DSN=old;Database=/tmp/data_link_form.db");
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Data Link Properties");
  EXPECT_EQ(dialog.edConnectionString->text(), "DSN=old;Database=/tmp/data_link_form.db");
  const QList<QListWidgetItem*> sqlite = dialog.lbDrivers->findItems("SQLite3", Qt::MatchExactly);
  if (sqlite.isEmpty()) GTEST_SKIP() << "SQLite's ODBC driver is not installed";
  QTest::mouseClick(dialog.lbDrivers->viewport(), Qt::LeftButton, {},
                    dialog.lbDrivers->visualItemRect(sqlite.front()).center());
  EXPECT_EQ(dialog.lbDrivers->currentItem(), sqlite.front());
  EXPECT_EQ(dialog.edConnectionString->text(), "Database=/tmp/data_link_form.db;DRIVER=SQLite3");
  QTest::keyClicks(dialog.edUserName, "ana");
  EXPECT_EQ(dialog.edConnectionString->text(), "Database=/tmp/data_link_form.db;DRIVER=SQLite3;UID=ana");
  QTest::mouseClick(dialog.btnTest, Qt::LeftButton);
  EXPECT_EQ(dialog.lblTestResult->text(), "Test connection succeeded.");
  QDir().mkpath(EXPORT_FORMS_ARTEFACTS);
  EXPECT_TRUE(dialog.grab().save(QString(EXPORT_FORMS_ARTEFACTS) + "/data_link.png"));
  EXPECT_EQ(dialog.Model().ConnectionString(), u"Database=/tmp/data_link_form.db;DRIVER=SQLite3;UID=ana");
}
