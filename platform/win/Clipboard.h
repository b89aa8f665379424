// The system clipboard's Unicode text. The process holds one clipboard
// object: an in-memory one until the GUI installs one over the display's.
#pragma once

#include <memory>

#include "platform/rtl/Types.h"

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  // The clipboard's Unicode text; empty when it holds none.
  virtual String GetUnicodeText() = 0;
  // The clipboard's plain (8-bit) text as UTF-16; empty when it holds none.
  virtual String GetPlainText() = 0;
  // Replaces the clipboard's content with the text. Raises Exception when the
  // clipboard cannot be opened.
  virtual void SetUnicodeText(const String& text) = 0;
};

// Keeps the text in the process: what runs without a display uses it.
class TMemoryClipboard : public IClipboard {
 public:
  String GetUnicodeText() override { return FText; }
  String GetPlainText() override { return FText; }
  void SetUnicodeText(const String& text) override { FText = text; }

 private:
  String FText;
};

// The process's clipboard; the in-memory one unless another was installed.
IClipboard& Clipboard();
// Installs the clipboard every later call uses; none restores the in-memory
// one. Returns the one it replaces.
std::unique_ptr<IClipboard> SetClipboard(std::unique_ptr<IClipboard> clipboard);
