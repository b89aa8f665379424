// Byte streams: the abstract TStream, files and memory.
#pragma once

#include <cstdio>
#include <vector>
#include <string>

#include "platform/rtl/Types.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual Int64 Read(void* buffer, Int64 count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual Int64 Write(const void* buffer, Int64 count) = 0;
  virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;
  virtual void SetSize(Int64 newSize) = 0;

  Int64 Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(Int64 value) { Seek(value, TSeekOrigin::soBeginning); }
  virtual Int64 Size();

  // Read or write exactly count bytes; EReadError / EWriteError otherwise.
  void ReadBuffer(void* buffer, Int64 count);
  void WriteBuffer(const void* buffer, Int64 count);
  // Copies count bytes from source (all of it from position 0 when count is 0).
  Int64 CopyFrom(TStream& source, Int64 count);
};

// File open modes: one access mode, optionally or-ed with a share mode.
inline constexpr Word fmCreate = 0xFF00;
inline constexpr Word fmOpenRead = 0x0000;
inline constexpr Word fmOpenWrite = 0x0001;
inline constexpr Word fmOpenReadWrite = 0x0002;
inline constexpr Word fmShareCompat = 0x0000;
inline constexpr Word fmShareExclusive = 0x0010;
inline constexpr Word fmShareDenyWrite = 0x0020;
inline constexpr Word fmShareDenyRead = 0x0030;
inline constexpr Word fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
 public:
  // fmCreate creates or truncates the file; the other modes open an existing
  // one. Raises EFCreateError or EFOpenError with the system's reason. Share
  // modes are accepted; Linux has no mandatory file locks to honour them.
  TFileStream(const String& fileName, Word mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  const String& FileName() const { return FFileName; }
  // Forces written data to the disk; raises EWriteError when it cannot.
  void FlushToDisk();
  // The descriptor, for callers that tune how the system writes the file.
  int Handle() const { return FHandle; }

 private:
  String FFileName;
  int FHandle = -1;
};

class TMemoryStream : public TStream {
 public:
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  Int64 Size() override { return static_cast<Int64>(FData.size()); }

  Byte* Memory() { return FData.data(); }
  const Byte* Memory() const { return FData.data(); }
  const std::vector<Byte>& Bytes() const { return FData; }
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const String& fileName);
  void SaveToStream(TStream& stream);
  void SaveToFile(const String& fileName);

 private:
  std::vector<Byte> FData;
  Int64 FPosition = 0;
};

// Writes a file through a temporary file beside it, renamed over the target
// only when the writer finished: a failed save leaves the old file whole.
// Usage: TSafeFileWriter w(name); write to w.Stream(); w.Commit();
class TSafeFileWriter {
 public:
  explicit TSafeFileWriter(const String& fileName);
  ~TSafeFileWriter();  // removes the temporary file unless committed
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  TStream& Stream() { return *FStream; }
  void Commit();

 private:
  // A file at least this large that is replaced is let go of on a thread of
  // its own (ReleaseLater).
  static constexpr Int64 LargeFileSize = Int64{8} << 20;
  // An open descriptor of target when it is a large regular file, else -1.
  static int HoldLargeFile(const std::string& target);
  static void ReleaseLater(int fd);

  String FFileName;
  String FTempName;
  TFileStream* FStream = nullptr;
  bool FCommitted = false;
};

// File-system helpers over UTF-16 names.
std::string FileNameToNative(const String& fileName);
bool FileExists(const String& fileName);
bool DeleteFile(const String& fileName);
