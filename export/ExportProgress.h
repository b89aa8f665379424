// How an export shows its progress and its messages. The run talks to these
// hooks only, so it works without a display; the GUI installs a window.
#pragma once

#include <functional>
#include <memory>

#include "platform/rtl/Types.h"

// The progress window of a run: a status line, a bar, an animation and a
// cancel button.
class IExportProgressWindow {
 public:
  virtual ~IExportProgressWindow() = default;
  // Sets the texts and the bar (shown only when minimum or maximum is not
  // 0), starts the animation and shows the window.
  virtual void Show(const String& caption, const String& status, const String& buttonCaption, Integer minimum,
                    Integer maximum, Integer position) = 0;
  virtual Integer Maximum() const = 0;
  virtual Integer Position() const = 0;
  // New status line and bar position; repaints and serves pending input.
  virtual void Redraw(const String& status, Integer position) = 0;
  // Set by the button and the close box.
  virtual bool CancelPressed() const = 0;
  virtual void SetCancelPressed(bool value) = 0;
  virtual void StopAnimation() = 0;
  // Gives the button the caption and waits, serving input, until it is
  // pressed or the window closed.
  virtual void WaitForClose(const String& buttonCaption) = 0;
};

enum TExportMessageKind : Byte { emkInformation, emkError };

struct TExportDisplay {
  // Makes a progress window; unset: runs show none. May raise.
  std::function<std::unique_ptr<IExportProgressWindow>()> CreateProgressWindow;
  // A message box with an OK button; unset: the text goes to standard error.
  std::function<void(const String& text, TExportMessageKind kind)> ShowMessage;
  // The busy cursor on or off; unset: nothing.
  std::function<void(bool busy)> SetBusyCursor;
};

// The process-wide hooks.
TExportDisplay& ExportDisplay();
// Shows a message through the hooks.
void ShowExportMessage(const String& text, TExportMessageKind kind);
