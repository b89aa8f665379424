#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

Int64 TStream::Size() {
  Int64 pos = Seek(0, TSeekOrigin::soCurrent);
  Int64 end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, Int64 count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(RtlMessages::SReadError);
}

void TStream::WriteBuffer(const void* buffer, Int64 count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(RtlMessages::SWriteError);
}

Int64 TStream::CopyFrom(TStream& source, Int64 count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<Byte> buffer(static_cast<size_t>(std::min<Int64>(count, 0xF000)));
  Int64 left = count;
  while (left > 0) {
    Int64 n = std::min<Int64>(left, static_cast<Int64>(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

std::string FileNameToNative(const String& fileName) { return StringToUtf8(fileName); }

bool FileExists(const String& fileName) {
  struct stat st;
  return ::stat(FileNameToNative(fileName).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DeleteFile(const String& fileName) { return ::unlink(FileNameToNative(fileName).c_str()) == 0; }

namespace {
String OsErrorText(int err) { return Utf8ToString(std::strerror(err)); }
}  // namespace

TFileStream::TFileStream(const String& fileName, Word mode) : FFileName(fileName) {
  std::string native = FileNameToNative(fileName);
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    FHandle = ::open(native.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0) throw EFCreateError(Format(RtlMessages::SFCreateError, {fileName, OsErrorText(errno)}));
    return;
  }
  int flags = O_CLOEXEC;
  switch (mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
  }
  FHandle = ::open(native.c_str(), flags);
  if (FHandle >= 0) {
    struct stat st;
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(FHandle);
      FHandle = -1;
      errno = EISDIR;
    }
  }
  if (FHandle < 0) throw EFOpenError(Format(RtlMessages::SFOpenError, {fileName, OsErrorText(errno)}));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

Int64 TFileStream::Read(void* buffer, Int64 count) {
  if (count <= 0) return 0;
  Int64 total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < count) {
    ssize_t n = ::read(FHandle, p + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
  }
  return total;
}

Int64 TFileStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  Int64 total = 0;
  auto* p = static_cast<const char*>(buffer);
  while (total < count) {
    ssize_t n = ::write(FHandle, p + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
  }
  return total;
}

Int64 TFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : (origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END);
  off_t r = ::lseek(FHandle, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<Int64>(r);
}

void TFileStream::SetSize(Int64 newSize) {
  if (::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0) throw EWriteError(RtlMessages::SWriteError);
  if (Position() > newSize) Seek(newSize, TSeekOrigin::soBeginning);
}

void TFileStream::FlushToDisk() {
  if (::fsync(FHandle) != 0) throw EWriteError(RtlMessages::SWriteError);
}

Int64 TMemoryStream::Read(void* buffer, Int64 count) {
  if (count <= 0 || FPosition >= Size()) return 0;
  Int64 n = std::min<Int64>(count, Size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

Int64 TMemoryStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  Int64 end = FPosition + count;
  if (end > Size()) FData.resize(static_cast<size_t>(end));
  std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

Int64 TMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: FPosition = offset; break;
    case TSeekOrigin::soCurrent: FPosition += offset; break;
    case TSeekOrigin::soEnd: FPosition = Size() + offset; break;
  }
  if (FPosition < 0) FPosition = 0;
  return FPosition;
}

void TMemoryStream::SetSize(Int64 newSize) {
  FData.resize(static_cast<size_t>(std::max<Int64>(newSize, 0)));
  if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  Int64 size = stream.Size();
  SetSize(size);
  stream.ReadBuffer(FData.data(), size);
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& stream) { stream.WriteBuffer(FData.data(), Size()); }

void TMemoryStream::SaveToFile(const String& fileName) {
  TSafeFileWriter writer(fileName);
  SaveToStream(writer.Stream());
  writer.Commit();
}

TSafeFileWriter::TSafeFileWriter(const String& fileName) : FFileName(fileName) {
  // Same folder as the target, so the final rename cannot cross file systems.
  std::string pattern = FileNameToNative(fileName) + ".tmpXXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw EFCreateError(Format(RtlMessages::SFCreateError, {fileName, OsErrorText(errno)}));
  ::close(fd);
  FTempName = Utf8ToString(pattern);
  FStream = new TFileStream(FTempName, fmOpenReadWrite);
}

TSafeFileWriter::~TSafeFileWriter() {
  delete FStream;
  if (!FCommitted) ::unlink(FileNameToNative(FTempName).c_str());
}

void TSafeFileWriter::Commit() {
  if (FCommitted) return;
  std::string temp = FileNameToNative(FTempName);
  std::string target = FileNameToNative(FFileName);
  // Keep the permissions of the file being replaced.
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
  else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp.c_str(), 0666 & ~mask);
  }
  // The data must be on disk before the rename makes it the file, or a crash
  // could leave an empty file where the old one stood.
  FStream->FlushToDisk();
  delete FStream;
  FStream = nullptr;
  int replaced = HoldLargeFile(target);
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    if (replaced >= 0) ::close(replaced);
    ::unlink(temp.c_str());
    FCommitted = true;  // nothing left to remove
    throw EFCreateError(Format(RtlMessages::SFCreateError, {FFileName, OsErrorText(err)}));
  }
  FCommitted = true;
  if (replaced >= 0) ReleaseLater(replaced);
}

int TSafeFileWriter::HoldLargeFile(const std::string& target) {
  // Non-blocking, so that a pipe of that name cannot stall the save.
  int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= LargeFileSize) return fd;
  ::close(fd);
  return -1;
}

void TSafeFileWriter::ReleaseLater(int fd) {
  // The last reference to the replaced file goes with this descriptor: the
  // system then drops its cached pages and frees its blocks, which takes a
  // while for a large file and is nothing the save has to wait for.
  try {
    std::thread([fd] { ::close(fd); }).detach();
  } catch (const std::system_error&) {
    ::close(fd);
  }
}
