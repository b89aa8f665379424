// How an import run shows its progress, its messages and its parameter
// prompt. The run talks to these hooks only, so it works without a display;
// the GUI installs a window and a dialog (import/forms).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TSMIParameter;

// The six counters of the progress window.
struct TImportCounters {
  Integer Processed = 0;
  Integer Errors = 0;
  Integer Added = 0;
  Integer Deleted = 0;
  Integer Updated = 0;
  Integer Skipped = 0;
};

// What the progress window shows when it opens.
struct TImportProgressLayout {
  String Caption;
  String Status;
  bool ShowCounters = true;
  bool Animate = true;
  String CancelCaption;
  // Processed, errors, added, updated, deleted, skipped.
  String CounterCaptions[6];
};

// The progress window of a run: status line, bar, animation, counters and
// the Cancel and Pause buttons.
class IImportProgressWindow {
 public:
  virtual ~IImportProgressWindow() = default;
  // Lays the window out and shows it. May raise.
  virtual void Show(const TImportProgressLayout& layout) = 0;
  // The bar's range and position; the bar is shown exactly when minimum or
  // maximum is not 0.
  virtual void SetRange(Integer minimum, Integer maximum, Integer position) = 0;
  // New status line, bar position (the processed count) and counters;
  // repaints and serves pending input.
  virtual void Update(const String& status, const TImportCounters& counters) = 0;
  virtual bool PausePressed() const = 0;
  virtual void SetPausePressed(bool value) = 0;
  // Set by the Cancel button and the close box; never cleared.
  virtual bool CancelPressed() const = 0;
  virtual void StopAnimation() = 0;
  // Gives the button the caption and serves input until it is pressed or
  // the window closed; returns at once with autoClose.
  virtual void WaitForClose(const String& buttonCaption, bool autoClose) = 0;
};

enum TImportMessageKind : Byte { imkInformation, imkError };

struct TImportDisplay {
  // Makes a progress window; unset: runs show none. May raise.
  std::function<std::unique_ptr<IImportProgressWindow>()> CreateProgressWindow;
  // A message box with an OK button; unset: the text goes to standard error.
  std::function<void(const String& text, TImportMessageKind kind)> ShowMessage;
  // The busy cursor on or off; unset: nothing.
  std::function<void(bool busy)> SetBusyCursor;
  // Serves pending window input (the run calls it while paused); unset:
  // nothing.
  std::function<void()> ProcessMessages;
  // Shows the parameter dialog for the prompted parameters, their Value
  // already computed; on OK writes each answer back as text into Value and
  // returns true, on Cancel returns false. Unset: the computed values stand.
  std::function<bool(const std::vector<TSMIParameter*>& prompted)> PromptParameters;
};

// The process-wide hooks.
TImportDisplay& ImportDisplay();
// Shows a message through the hooks.
void ShowImportMessage(const String& text, TImportMessageKind kind);
void ProcessImportMessages();

// How a parameter dialog presents a computed value: a check box is ticked
// for "True" or a value that converts to True (never for null or empty);
// a combo or list box selects item 0 for null or empty, the value itself
// when it is an integer, else the item equal to the value's text (-1 when
// none, or when the index is outside the list).
bool ParameterChecked(const Variant& value);
int ParameterItemIndex(const TSMIParameter& parameter);
