#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "platform/gui/QtClipboard.h"
#include "platform/win/Clipboard.h"

TEST(QtClipboard, TextGoesThroughTheDisplaysClipboardWhole) {
  InstallQtClipboard();
  const String text = u"Čaša\t\U0001F600\r\n2";
  Clipboard().SetUnicodeText(text);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdU16String(), text);
  QGuiApplication::clipboard()->setText(QStringLiteral("from Qt"));
  EXPECT_EQ(Clipboard().GetUnicodeText(), u"from Qt");
  SetClipboard(nullptr);
}
