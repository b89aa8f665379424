#include "platform/rtl/FileUtils.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/rtl/Streams.h"

namespace {

constexpr char16_t PathDelim = u'/';

bool MakeDirectory(const String& name) {
  if (::mkdir(FileNameToNative(name).c_str(), 0777) == 0) return true;
  // Another process may have made it meanwhile; a file of that name fails.
  return errno == EEXIST && DirectoryExists(name);
}

}  // namespace

bool DirectoryExists(const String& name) {
  if (name.empty()) return false;
  struct stat st;
  return ::stat(FileNameToNative(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

String ExcludeTrailingBackslash(const String& name) {
  if (!name.empty() && name.back() == PathDelim) return name.substr(0, name.size() - 1);
  return name;
}

String ExtractFilePath(const String& name) {
  size_t slash = name.rfind(PathDelim);
  return slash == String::npos ? String() : name.substr(0, slash + 1);
}

bool ForceDirectories(const String& folder) {
  String name = ExcludeTrailingBackslash(folder);
  // The root, or an empty name: nothing to make.
  if (name.empty()) return true;
  // No folder of such a name can be made; walking it would only cost time.
  if (FileNameToNative(name).size() >= PATH_MAX) return false;
  // The missing folders from the deepest up, as lengths of prefixes of the
  // name; made from the top down, so a parent always exists first.
  std::vector<size_t> missing;
  size_t length = name.size();
  while (length > 0) {
    String current = name.substr(0, length);
    if (DirectoryExists(current)) break;
    missing.push_back(length);
    length = ExcludeTrailingBackslash(ExtractFilePath(current)).size();
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!MakeDirectory(name.substr(0, *it))) return false;
  }
  return true;
}
