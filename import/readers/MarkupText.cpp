#include "import/readers/MarkupText.h"

#include <algorithm>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

bool IsValidUtf8WithNonAscii(std::string_view s) {
  bool wide = false;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const size_t n = b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    wide = true;
    i += n;
  }
  return wide;
}

// The code page a "charset=" declaration names: 65001 for UTF-8, a
// Windows code page, or 0 when there is none this reader knows.
int DeclaredCodePage(std::string_view bytes) {
  std::string head(bytes.substr(0, std::min<size_t>(bytes.size(), 4096)));
  for (char& c : head)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const size_t at = head.find("charset=");
  if (at == std::string::npos) return 0;
  size_t i = at + 8;
  while (i < head.size() && (head[i] == '"' || head[i] == '\'' || head[i] == ' ')) ++i;
  size_t end = i;
  while (end < head.size() && head[end] != '"' && head[end] != '\'' && head[end] != ' ' && head[end] != ';' &&
         head[end] != '>' && head[end] != '/')
    ++end;
  const std::string name = head.substr(i, end - i);
  if (name == "utf-8" || name == "utf8") return 65001;
  for (const char* prefix : {"windows-", "cp"}) {
    const std::string p(prefix);
    Integer number = 0;
    if (name.rfind(p, 0) == 0 && TryStrToInt(Utf8ToString(name.substr(p.size())), number) && number >= 1250 &&
        number <= 1258)
      return number;
  }
  return 0;
}

}  // namespace

String DecodeSourceText(std::string_view bytes, bool lookForCharset) {
  size_t markLength = 0;
  switch (DetectByteOrderMark(bytes.data(), bytes.size(), &markLength)) {
    case TByteOrderMark::Utf8: return Utf8ToString(bytes.substr(markLength));
    case TByteOrderMark::Utf16LE:
    case TByteOrderMark::Utf16BE: {
      const bool little = DetectByteOrderMark(bytes.data(), bytes.size()) == TByteOrderMark::Utf16LE;
      String text;
      text.reserve((bytes.size() - markLength) / 2);
      for (size_t i = markLength; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(little ? (a | b << 8) : (b | a << 8)));
      }
      return text;
    }
    case TByteOrderMark::None: break;
  }
  const int declared = lookForCharset ? DeclaredCodePage(bytes) : 0;
  if (declared == 65001) return Utf8ToString(bytes);
  if (declared != 0) return CodePageToString(bytes, declared);
  if (IsValidUtf8WithNonAscii(bytes)) return Utf8ToString(bytes);
  return AnsiToString(bytes);
}

std::string ReadRestOfStream(TStream& stream) {
  TByteReader reader(stream);
  const auto bytes = reader.Bytes(static_cast<size_t>(reader.Remaining()));
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
