#include "platform/win/OfficeAutomation.h"

#include <filesystem>

#include "platform/rtl/Strings.h"

std::shared_ptr<IAutomationServer> CreateLibreOfficeServer() { return nullptr; }

String FileNameToURL(const String& fileName) {
  std::filesystem::path path(StringToUtf8(fileName));
  if (path.is_relative()) path = std::filesystem::current_path() / path;
  const std::string bytes = path.lexically_normal().string();
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : bytes) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return StrFromAscii(url);
}
