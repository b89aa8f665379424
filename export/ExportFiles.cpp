#include "export/ExportFiles.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/PublishedProperties.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t kPathDelim = u'/';

String TemporaryFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return Utf8ToString(folder);
}

// A name no file has yet: the platform makes the file to reserve the name and
// it is removed again, as the picture writers create the file themselves.
String FreshTemporaryName(const String& prefix) {
  std::string pattern = FileNameToNative(TemporaryFolder() + kPathDelim + prefix) + "XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    throw EFCreateError(
        Format(RtlMessages::SFCreateError, {Utf8ToString(pattern), Utf8ToString(std::strerror(errno))}));
  }
  ::close(fd);
  ::unlink(pattern.c_str());
  return Utf8ToString(pattern);
}

const char16_t* PictureExtension(TPictureKind picture) {
  switch (picture) {
    case pkEnhancedMetafile: return u".emf";
    case pkMetafile: return u".wmf";
    case pkIcon: return u".ico";
    default: return u".bmp";
  }
}

bool EndsTableName(char16_t c) {
  switch (c) {
    case u'"': case u'\'': case u'(': case u')': case u',': case u'.': case u'/': case u':': case u';':
    case u'[': case u'\\': case u']': case u'`': case u'{': case u'}':
      return true;
    default:
      return c <= u' ';
  }
}

bool IsIdentChar(char16_t c) {
  return c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c >= 0x80;
}

// Where the name after the first FROM keyword begins: the keyword must stand
// as a word followed by a blank or line end ("DATEFROM FROM T" names T).
// npos without such a keyword.
size_t AfterFromKeyword(StringView sql) {
  static constexpr StringView kFrom = u"FROM";
  for (size_t at = 0; at + kFrom.size() < sql.size(); ++at) {
    if (at > 0 && IsIdentChar(sql[at - 1])) continue;
    if (sql[at + kFrom.size()] > u' ') continue;
    bool match = true;
    for (size_t k = 0; k < kFrom.size() && match; ++k) {
      char16_t c = sql[at + k];
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      match = c == kFrom[k];
    }
    if (match) return at + kFrom.size();
  }
  return StringView::npos;
}

StringView BeforeFullStop(StringView name) { return name.substr(0, name.find(u'.')); }

}  // namespace

String GetFileNameByGraphic(const String& fileName, Integer index, TPictureKind picture) {
  String base = fileName.empty() ? FreshTemporaryName(u"ZAZ") : ExtractFilePath(fileName) + u"img" + IntToStr(index);
  return base + PictureExtension(picture);
}

String GetLoggedUserName() {
  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  int error;
  while ((error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (error == 0 && found != nullptr && found->pw_name != nullptr) return Utf8ToString(found->pw_name);
  // Users from a directory service the C library cannot reach still have
  // their login name in the environment.
  for (const char* variable : {"USER", "LOGNAME"}) {
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') return Utf8ToString(value);
  }
  return String();
}

String GetPropAsString(const TComponent* component) {
  String value;
  auto props = dynamic_cast<const IPublishedProperties*>(component);
  if (props == nullptr || !props->ReadPublishedText(u"TableName", value)) return String();
  return value;
}

String GetPropAsTStrings(const TComponent* component) {
  String text;
  auto props = dynamic_cast<const IPublishedProperties*>(component);
  if (props == nullptr || !props->ReadPublishedLines(u"SQL", text)) return String();
  return text;
}

String TblNameFrom(StringView tableName, StringView sqlText) {
  if (!tableName.empty()) return String(BeforeFullStop(tableName));
  size_t start = AfterFromKeyword(sqlText);
  if (start == StringView::npos) start = 0;
  while (start < sqlText.size() && sqlText[start] <= u' ') ++start;
  size_t end = start;
  while (end < sqlText.size() && !EndsTableName(sqlText[end])) ++end;
  return String(sqlText.substr(start, end - start));
}

String TblName(const TComponent* dataSet) {
  if (dataSet == nullptr) return String();
  return TblNameFrom(GetPropAsString(dataSet), GetPropAsTStrings(dataSet));
}
