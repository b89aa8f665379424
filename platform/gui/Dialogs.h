// Message boxes and the application's handling of exceptions. Every box goes
// through one replaceable handler, so tests answer them without a window.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

#include "platform/rtl/Types.h"

class QWidget;

enum class TMessageKind { Error, Confirmation, Information };

struct TMessageRequest {
  TMessageKind Kind = TMessageKind::Error;
  QWidget* Parent = nullptr;
  String Caption;
  String Text;
};

// Answers true for "Yes" (a confirmation) or when an error box was closed.
using TMessageBoxHandler = std::function<bool(const TMessageRequest& request)>;

// Installs a handler; an empty one puts back the Qt message boxes.
void SetMessageBoxHandler(TMessageBoxHandler handler);

// A Yes/No question; true for Yes.
bool MessageConfirm(QWidget* parent, const String& caption, const String& text);
// The application's standard error box: the text with the application's name
// as caption.
void ShowErrorMessage(QWidget* parent, const String& text);
// An information box with an OK button, captioned like the error box.
void ShowInformationMessage(QWidget* parent, const String& text);
// The busy cursor over the whole application, on or off; calls pair up.
void SetBusyCursor(bool busy);
// Shows what went wrong: an Exception's Message, a standard exception's
// text, or a general text for anything else.
void ShowException(std::exception_ptr error);

// Runs fn; an exception it raises is shown by the error box and goes no
// further. Qt's own frames are not made to carry exceptions, so every
// handler the GUI installs runs through this.
template <class Fn>
bool Guarded(Fn&& fn) {
  try {
    fn();
    return true;
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

// The application object: an exception that escapes an event handler is
// shown by the error box and the loop goes on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
