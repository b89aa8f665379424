#include "export/writers/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <ctime>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr size_t kWindow = 32768;
constexpr Cardinal kLocalSignature = 0x04034B50;
constexpr Cardinal kCentralSignature = 0x02014B50;
constexpr Cardinal kEndSignature = 0x06054B50;
constexpr Word kVersion = 20;
constexpr Word kStored = 0;
constexpr Word kDeflated = 8;
constexpr Cardinal kFolderAttribute = 16;

void Le16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Le32(std::string& out, UInt64 value) {
  Le16(out, static_cast<unsigned>(value & 0xFFFF));
  Le16(out, static_cast<unsigned>((value >> 16) & 0xFFFF));
}

// A deflate stream kept per thread and reset for each block: starting one
// afresh costs allocations and clearing larger than a small block's work.
class TBlockDeflater {
 public:
  ~TBlockDeflater() {
    if (FLevel >= 0) deflateEnd(&FZ);
  }

  // Raw deflate of one block, primed with the window before it; `last`
  // sets the final-block bit, otherwise the block ends on a byte boundary
  // (a sync flush) so the next block's output can follow it.
  // Returns the bytes produced at the start of `out`, which only grows.
  size_t Deflate(std::string_view input, std::string_view window, int level, bool last, std::string& out) {
    if (FLevel != level) {
      if (FLevel >= 0) deflateEnd(&FZ);
      FZ = z_stream{};
      FLevel = -1;
      if (deflateInit2(&FZ, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw EZipError(u"zlib cannot start");
      FLevel = level;
    } else {
      deflateReset(&FZ);
    }
    if (!window.empty())
      deflateSetDictionary(&FZ, reinterpret_cast<const Bytef*>(window.data()), static_cast<uInt>(window.size()));
    // Room for the worst case, so one call does it.
    const size_t room = deflateBound(&FZ, static_cast<uLong>(input.size())) + 64;
    if (out.size() < room) out.resize(room);
    FZ.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    FZ.avail_in = static_cast<uInt>(input.size());
    size_t produced = 0;
    for (;;) {
      FZ.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
      FZ.avail_out = static_cast<uInt>(out.size() - produced);
      const int rc = deflate(&FZ, last ? Z_FINISH : Z_SYNC_FLUSH);
      produced = out.size() - FZ.avail_out;
      if (rc == Z_STREAM_END || (rc == Z_OK && !last && FZ.avail_out > 0)) break;
      if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipError(u"zlib cannot compress");
      out.resize(out.size() * 2);
    }
    return produced;
  }

 private:
  z_stream FZ{};
  int FLevel = -1;
};

size_t DeflateBlock(std::string_view input, std::string_view window, int level, bool last, std::string& out) {
  thread_local TBlockDeflater deflater;
  return deflater.Deflate(input, window, level, last, out);
}

Cardinal Crc(std::string_view bytes, Cardinal start = 0) {
  uLong crc = start;
  // zlib takes at most 4 GiB - 1 at a time.
  while (!bytes.empty()) {
    const size_t n = std::min<size_t>(bytes.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n));
    bytes.remove_prefix(n);
  }
  return static_cast<Cardinal>(crc);
}

}  // namespace

// ---------------------------------------------------------------------------
// Worker threads

struct TDeflatePool::Job {
  std::string Input, Window, Output;
  size_t OutputSize = 0;  // the bytes of Output that hold the block
  int Level = 6;
  bool Last = false;
  size_t InputSize = 0;
  Cardinal Crc = 0;
  std::atomic<bool> Done = false;
  std::exception_ptr Error;

  void Run() {
    InputSize = Input.size();
    try {
      OutputSize = DeflateBlock(Input, Window, Level, Last, Output);
      Crc = ::Crc(Input);
    } catch (...) {
      Error = std::current_exception();
    }
  }
};

TDeflatePool::TDeflatePool(unsigned threads) {
  for (unsigned i = 0; i < threads; ++i) FWorkers.emplace_back([this] { Work(); });
}

TDeflatePool::~TDeflatePool() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStopping = true;
  }
  FWake.notify_all();
  for (std::thread& worker : FWorkers) worker.join();
}

void TDeflatePool::Submit(const std::shared_ptr<Job>& job) {
  if (FWorkers.empty()) {
    job->Run();
    job->Done = true;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(FLock);
    FQueue.push_back(job);
  }
  FWake.notify_one();
}

void TDeflatePool::Wait(Job& job) {
  std::unique_lock<std::mutex> lock(FLock);
  FDone.wait(lock, [&] { return job.Done.load(); });
}

void TDeflatePool::Work() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock<std::mutex> lock(FLock);
      FWake.wait(lock, [&] { return FStopping || !FQueue.empty(); });
      if (FQueue.empty()) return;
      job = std::move(FQueue.front());
      FQueue.pop_front();
    }
    job->Run();
    {
      std::lock_guard<std::mutex> lock(FLock);
      job->Done = true;
    }
    FDone.notify_all();
  }
}

// ---------------------------------------------------------------------------
// One entry's data in blocks

TZipDeflater::TZipDeflater(TStream* sink, TDeflatePool* pool, int level, size_t blockSize)
    : FSink(sink), FPool(pool), FLevel(level), FBlockSize(std::max<size_t>(blockSize, 1)) {
  FCurrent.reserve(FBlockSize);
}

TZipDeflater::~TZipDeflater() {
  // Blocks still on a worker hold pointers into nothing of ours, but their
  // results must not outlive the pool: wait for them.
  if (FPool != nullptr)
    for (const auto& job : FInFlight) FPool->Wait(*job);
}

Int64 TZipDeflater::Seek(Int64 offset, TSeekOrigin origin) {
  const Int64 position = static_cast<Int64>(FData.Size + FCurrent.size());
  if (origin == TSeekOrigin::soBeginning ? offset != position : offset != 0) throw EZipError(u"A compressed entry is written front to back");
  return position;
}

void TZipDeflater::SetSize(Int64) { throw EZipError(u"A compressed entry is written front to back"); }

Int64 TZipDeflater::Write(const void* data, Int64 count) {
  const char* from = static_cast<const char*>(data);
  size_t length = count > 0 ? static_cast<size_t>(count) : 0;
  while (length > 0) {
    const size_t n = std::min(length, FBlockSize - FCurrent.size());
    FCurrent.append(from, n);
    from += n;
    length -= n;
    if (FCurrent.size() == FBlockSize) Submit(false);
  }
  return count;
}

void TZipDeflater::Submit(bool last) {
  std::shared_ptr<TDeflatePool::Job> job;
  if (!FSpare.empty()) {
    job = std::move(FSpare.back());
    FSpare.pop_back();
    job->Done = false;
    job->Error = nullptr;
  } else {
    job = std::make_shared<TDeflatePool::Job>();
  }
  job->Level = FLevel;
  job->Last = last;
  job->Window = FWindow;
  const size_t keep = std::min(kWindow, FCurrent.size());
  if (keep == kWindow) {
    FWindow.assign(FCurrent, FCurrent.size() - keep, keep);
  } else {
    FWindow.append(FCurrent);
    if (FWindow.size() > kWindow) FWindow.erase(0, FWindow.size() - kWindow);
  }
  FData.Size += FCurrent.size();
  // The job takes the block; the current block takes the job's old buffer,
  // so blocks cost no allocation once the first few are made.
  job->Input.swap(FCurrent);
  FCurrent.clear();
  FCurrent.reserve(FBlockSize);
  if (FPool != nullptr) {
    FPool->Submit(job);
  } else {
    job->Run();
    job->Done = true;
  }
  FInFlight.push_back(std::move(job));
  // Twice the workers' blocks in flight keeps them busy while memory stays
  // a few blocks whatever the size of the entry.
  Drain(FPool != nullptr ? 2 * std::max(1u, FPool->Threads()) : 0);
}

void TZipDeflater::Drain(size_t keep) {
  while (FInFlight.size() > keep || (!FInFlight.empty() && FInFlight.front()->Done)) {
    TDeflatePool::Job& job = *FInFlight.front();
    if (FPool != nullptr) FPool->Wait(job);
    if (job.Error) std::rethrow_exception(job.Error);
    if (FSink != nullptr) FSink->WriteBuffer(job.Output.data(), static_cast<Int64>(job.OutputSize));
    FData.CompressedSize += job.OutputSize;
    FData.Crc = static_cast<Cardinal>(crc32_combine(FData.Crc, job.Crc, static_cast<z_off_t>(job.InputSize)));
    FSpare.push_back(std::move(FInFlight.front()));
    FInFlight.pop_front();
  }
}

TZipData TZipDeflater::Finish(bool last) {
  if (!FCurrent.empty() || last) Submit(last);
  Drain(0);
  return FData;
}

std::string ZipDeflate(std::string_view bytes, int level, Cardinal* crc) {
  if (crc != nullptr) *crc = Crc(bytes);
  std::string out;
  out.resize(DeflateBlock(bytes, std::string_view(), level, true, out));
  return out;
}

// ---------------------------------------------------------------------------
// The archive

TZipArchive::TZipArchive(TStream* out, int level, unsigned threads)
    : FOut(out), FLevel(level), FPool(std::make_unique<TDeflatePool>(threads)) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  FTime = static_cast<Word>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  FDate = static_cast<Word>((std::max(local.tm_year - 80, 0) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

TZipArchive::~TZipArchive() = default;

Cardinal TZipArchive::ZipCRC32(std::string_view bytes) { return Crc(bytes); }

void TZipArchive::Put(const void* data, size_t length) {
  if (FOut != nullptr && length > 0) FOut->WriteBuffer(data, static_cast<Int64>(length));
  FOffset += length;
}

// The 26 bytes the local and the central header share: version needed,
// flags, method, time, date, CRC, sizes, name length, extra length.
void TZipArchive::AppendCommonHeader(std::string& out, const Entry& entry) const {
  Le16(out, kVersion);
  Le16(out, 0);
  Le16(out, entry.Method);
  Le16(out, FTime);
  Le16(out, FDate);
  Le32(out, entry.Crc);
  Le32(out, entry.CompressedSize);
  Le32(out, entry.Size);
  Le16(out, static_cast<unsigned>(entry.Name.size()));
  Le16(out, 0);
}

void TZipArchive::WriteLocalHeader(Entry& entry) {
  if (FClosed) throw EZipError(u"The ZIP package is already closed");
  const UInt64 end = FOffset + 30 + entry.Name.size() + entry.CompressedSize;
  if (entry.Size > FLimit || end > FLimit)
    throw EZipError(u"The package passes 4 GiB, more than a ZIP file without ZIP64 can hold: \"" +
                    Utf8ToString(entry.Name) + u"\" was not written");
  entry.Offset = FOffset;
  std::string head;
  Le32(head, kLocalSignature);
  AppendCommonHeader(head, entry);
  head += entry.Name;
  Put(head.data(), head.size());
}

void TZipArchive::AddFolder(std::string_view name) {
  Entry entry{std::string(name), kStored, 0, 0, 0, 0, kFolderAttribute};
  if (entry.Name.empty() || entry.Name.back() != '/') entry.Name += '/';
  WriteLocalHeader(entry);
  FEntries.push_back(std::move(entry));
}

void TZipArchive::AddFile(std::string_view name, std::string_view bytes) {
  Cardinal crc = 0;
  const std::string data = ZipDeflate(bytes, FLevel, &crc);
  Entry entry{std::string(name), kDeflated, crc, data.size(), bytes.size(), 0, 0};
  WriteLocalHeader(entry);
  Put(data.data(), data.size());
  FEntries.push_back(std::move(entry));
}

void TZipArchive::AddCompressed(std::string_view name, const std::vector<Piece>& pieces) {
  Entry entry{std::string(name), kDeflated, 0, 0, 0, 0, 0};
  for (const Piece& piece : pieces) {
    entry.Crc = static_cast<Cardinal>(crc32_combine(entry.Crc, piece.Data.Crc, static_cast<z_off_t>(piece.Data.Size)));
    entry.Size += piece.Data.Size;
    entry.CompressedSize += piece.Data.CompressedSize;
  }
  WriteLocalHeader(entry);
  for (const Piece& piece : pieces) {
    if (piece.Data.CompressedSize == 0) continue;
    piece.Stream->SetPosition(0);
    if (FOut != nullptr) FOut->CopyFrom(*piece.Stream, static_cast<Int64>(piece.Data.CompressedSize));
    FOffset += piece.Data.CompressedSize;
  }
  FEntries.push_back(std::move(entry));
}

void TZipArchive::Close() {
  if (FClosed) return;
  std::string directory;
  for (const Entry& entry : FEntries) {
    Le32(directory, kCentralSignature);
    Le16(directory, kVersion);  // made by: MS-DOS attributes, version 2.0
    AppendCommonHeader(directory, entry);
    Le16(directory, 0);  // comment
    Le16(directory, 0);  // disk number start
    Le16(directory, 0);  // internal attributes
    Le32(directory, entry.ExternalAttributes);
    Le32(directory, entry.Offset);
    directory += entry.Name;
  }
  const UInt64 start = FOffset;
  if (start + directory.size() + 22 > FLimit || FEntries.size() > 0xFFFF)
    throw EZipError(u"The package passes 4 GiB, more than a ZIP file without ZIP64 can hold");
  Put(directory.data(), directory.size());
  std::string end;
  Le32(end, kEndSignature);
  Le16(end, 0);
  Le16(end, 0);
  Le16(end, static_cast<unsigned>(FEntries.size()));
  Le16(end, static_cast<unsigned>(FEntries.size()));
  Le32(end, directory.size());
  Le32(end, start);
  Le16(end, 0);
  Put(end.data(), end.size());
  FClosed = true;
}
