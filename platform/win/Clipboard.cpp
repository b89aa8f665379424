#include "platform/win/Clipboard.h"

namespace {

std::unique_ptr<IClipboard>& Installed() {
  static std::unique_ptr<IClipboard> clipboard;
  return clipboard;
}

}  // namespace

IClipboard& Clipboard() {
  auto& installed = Installed();
  if (!installed) installed = std::make_unique<TMemoryClipboard>();
  return *installed;
}

std::unique_ptr<IClipboard> SetClipboard(std::unique_ptr<IClipboard> clipboard) {
  auto previous = std::move(Installed());
  Installed() = std::move(clipboard);
  return previous;
}
