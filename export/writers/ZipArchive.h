// The ZIP writer of the XLSX package over zlib. Entries are written to the
// output as they are added (local header, raw deflate data), the central
// directory when the archive is closed; nothing of an entry stays in memory
// after it was written.
//
// Large entries are compressed by TZipDeflater in independent blocks on
// worker threads (each block primed with the 32 KiB before it, so the ratio
// stays that of one stream); the blocks join into one deflate stream and
// their checksums into one CRC-32.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"


// A ZIP package that cannot be written (it would pass what the format's
// 32-bit fields hold).
class EZipError : public Exception {
 public:
  using Exception::Exception;
};

// The compressed data of an entry, or of one piece of it: raw deflate bytes
// kept somewhere, with what the headers need.
struct TZipData {
  UInt64 Size = 0;            // bytes before compression
  UInt64 CompressedSize = 0;  // deflate bytes
  Cardinal Crc = 0;           // CRC-32 of the bytes before compression
};

// Worker threads that compress blocks for every deflater of one archive.
class TDeflatePool {
 public:
  explicit TDeflatePool(unsigned threads);
  ~TDeflatePool();
  TDeflatePool(const TDeflatePool&) = delete;
  TDeflatePool& operator=(const TDeflatePool&) = delete;

  struct Job;
  unsigned Threads() const { return static_cast<unsigned>(FWorkers.size()); }
  void Submit(const std::shared_ptr<Job>& job);
  void Wait(Job& job);

 private:
  void Work();

  std::mutex FLock;
  std::condition_variable FWake, FDone;
  std::deque<std::shared_ptr<Job>> FQueue;
  std::vector<std::thread> FWorkers;
  bool FStopping = false;
};

// Raw deflate of a byte stream, in blocks of blockSize, written in order to
// a sink. Without a pool (or with one of no threads) blocks are compressed
// on the caller's thread. As a stream it only takes writes.
class TZipDeflater : public TStream {
 public:
  TZipDeflater(TStream* sink, TDeflatePool* pool, int level, size_t blockSize = 1 << 20);
  ~TZipDeflater() override;
  TZipDeflater(const TZipDeflater&) = delete;
  TZipDeflater& operator=(const TZipDeflater&) = delete;

  Int64 Write(const void* data, Int64 length) override;
  Int64 Write(std::string_view bytes) { return Write(bytes.data(), static_cast<Int64>(bytes.size())); }
  Int64 Read(void*, Int64) override { return 0; }
  // Only tells the position (the bytes taken so far); it cannot move.
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64) override;
  // Ends the data; `last` also ends the deflate stream, so more pieces may
  // follow only a piece finished with `last` false.
  TZipData Finish(bool last);

 private:
  void Submit(bool last);
  void Drain(size_t keep);

  TStream* FSink;
  TDeflatePool* FPool;
  int FLevel;
  size_t FBlockSize;
  std::string FCurrent;
  std::string FWindow;  // the last 32 KiB before the current block
  std::deque<std::shared_ptr<TDeflatePool::Job>> FInFlight;
  std::vector<std::shared_ptr<TDeflatePool::Job>> FSpare;  // finished jobs whose buffers are reused
  TZipData FData;
};

// The raw deflate bytes of a whole byte string.
std::string ZipDeflate(std::string_view bytes, int level, Cardinal* crc = nullptr);

class TZipArchive {
 public:
  // Writes to `out` (nothing when it is null). threads > 0 compresses large
  // entries on that many worker threads.
  explicit TZipArchive(TStream* out, int level = 6, unsigned threads = 0);
  ~TZipArchive();
  TZipArchive(const TZipArchive&) = delete;
  TZipArchive& operator=(const TZipArchive&) = delete;

  // A folder entry: the name gets its trailing "/", no data.
  void AddFolder(std::string_view name);
  // A file entry compressed from the bytes.
  void AddFile(std::string_view name, std::string_view bytes);
  // A file entry whose data was compressed ahead, in pieces kept in streams
  // (each read from its start; the last piece ends the deflate stream).
  struct Piece {
    TStream* Stream;
    TZipData Data;
  };
  void AddCompressed(std::string_view name, const std::vector<Piece>& pieces);
  // The central directory and its end; the archive is complete.
  void Close();

  Integer GetCount() const { return static_cast<Integer>(FEntries.size()); }
  int Level() const { return FLevel; }
  TDeflatePool* Pool() { return FPool.get(); }
  // The largest offset or size the archive may reach; the format's 32-bit
  // limit unless a test sets a smaller one.
  void SetSizeLimit(UInt64 limit) { FLimit = limit; }

  // The CRC-32 of ZIP.
  static Cardinal ZipCRC32(std::string_view bytes);

 private:
  struct Entry {
    std::string Name;
    Word Method;
    Cardinal Crc;
    UInt64 CompressedSize, Size;
    UInt64 Offset;
    Cardinal ExternalAttributes;
  };
  void AppendCommonHeader(std::string& out, const Entry& entry) const;
  void WriteLocalHeader(Entry& entry);
  void Put(const void* data, size_t length);

  TStream* FOut;
  int FLevel;
  std::unique_ptr<TDeflatePool> FPool;
  std::vector<Entry> FEntries;
  UInt64 FOffset = 0;
  UInt64 FLimit = 0xFFFFFFFFull;
  Word FTime = 0, FDate = 0;
  bool FClosed = false;
};
