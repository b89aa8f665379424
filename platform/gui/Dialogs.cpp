#include "platform/gui/Dialogs.h"

#include <QMessageBox>

#include "platform/gui/QtStrings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

TMessageBoxHandler& Handler() {
  static TMessageBoxHandler handler;
  return handler;
}

bool ShowQtMessage(const TMessageRequest& r) {
  if (r.Kind == TMessageKind::Confirmation) {
    return QMessageBox::question(r.Parent, ToQString(r.Caption), ToQString(r.Text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
  }
  if (r.Kind == TMessageKind::Information)
    QMessageBox::information(r.Parent, ToQString(r.Caption), ToQString(r.Text));
  else
    QMessageBox::critical(r.Parent, ToQString(r.Caption), ToQString(r.Text));
  return true;
}

bool Show(const TMessageRequest& request) {
  return Handler() ? Handler()(request) : ShowQtMessage(request);
}

}  // namespace

void SetMessageBoxHandler(TMessageBoxHandler handler) { Handler() = std::move(handler); }

bool MessageConfirm(QWidget* parent, const String& caption, const String& text) {
  return Show({TMessageKind::Confirmation, parent, caption, text});
}

void ShowErrorMessage(QWidget* parent, const String& text) {
  Show({TMessageKind::Error, parent, FromQString(QCoreApplication::applicationName()), text});
}

void ShowInformationMessage(QWidget* parent, const String& text) {
  Show({TMessageKind::Information, parent, FromQString(QCoreApplication::applicationName()), text});
}

void SetBusyCursor(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void ShowException(std::exception_ptr error) {
  String text;
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    text = e.Message();
  } catch (const std::exception& e) {
    text = Utf8ToString(e.what());
  } catch (...) {
    text = u"Unknown error";
  }
  ShowErrorMessage(QApplication::activeWindow(), text);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}
