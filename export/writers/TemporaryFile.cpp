#include "export/writers/TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

std::unique_ptr<TStream> CreateTemporaryFileStream() {
  const char* folder = std::getenv("TMPDIR");
  std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/ZAZXXXXXX";
  const int handle = ::mkstemp(pattern.data());
  if (handle < 0) throw EFCreateError(u"Unable to create temporary file");
  try {
    auto stream = std::make_unique<TFileStream>(Utf8ToString(pattern), fmOpenReadWrite);
    ::unlink(pattern.c_str());
    ::close(handle);
    return stream;
  } catch (...) {
    ::unlink(pattern.c_str());
    ::close(handle);
    throw;
  }
}

