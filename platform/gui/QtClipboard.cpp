#include "platform/gui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/gui/QtStrings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Clipboard.h"

namespace {

class TQtClipboard : public IClipboard {
 public:
  String GetUnicodeText() override { return FromQString(Board().text()); }
  // Qt hands out every text as Unicode, so the 8-bit form is the same text.
  String GetPlainText() override { return GetUnicodeText(); }
  void SetUnicodeText(const String& text) override { Board().setText(ToQString(text)); }

 private:
  static QClipboard& Board() {
    QClipboard* board = QGuiApplication::clipboard();
    if (!board) throw Exception(u"Cannot open clipboard");
    return *board;
  }
};

}  // namespace

void InstallQtClipboard() { SetClipboard(std::make_unique<TQtClipboard>()); }
