#include "import/readers/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr Cardinal kEndOfCentralDir = 0x06054B50;
constexpr Cardinal kCentralHeader = 0x02014B50;
constexpr Cardinal kLocalHeader = 0x04034B50;
constexpr size_t kEndRecordSize = 22;
// Deflate cannot expand a byte of input into more than about 1032 bytes;
// a declared size beyond that is a lie and is not believed.
constexpr UInt64 kMaxDeflateRatio = 1032;

[[noreturn]] void RaiseZipFormat(const TByteReader&, size_t) {
  throw ESMIFileFormatException(String(strEInvalidFileFormat));
}

[[noreturn]] void RaiseDamaged(const AnsiString& name) {
  throw ESMIFileFormatException(String(strEInvalidFileFormat) + u" (" + Utf8ToString(name) + u")");
}

}  // namespace

namespace smi {

Cardinal ZipCRC32(const void* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const Byte* p = static_cast<const Byte*>(data);
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = crc32(crc, p, piece);
    p += piece;
    size -= piece;
  }
  return static_cast<Cardinal>(crc);
}

bool LooksLikeZip(const void* data, size_t size) {
  if (size < 4) return false;
  Cardinal sig;
  std::memcpy(&sig, data, 4);
  return sig == kLocalHeader || sig == kEndOfCentralDir;
}

// ---- one entry ----------------------------------------------------------------

TZipEntryReader::TZipEntryReader(const TZipEntry& entry, const Byte* data, size_t size)
    : FEntry(entry), FData(data), FSize(size) {
  // Checked before the inflater exists: a constructor that raises frees
  // nothing.
  if (entry.CompressionMethod != 0 && entry.CompressionMethod != 8) RaiseDamaged(entry.FileName);
  if (entry.CompressionMethod == 0 && entry.CompressedSize != entry.UncompressedSize) RaiseDamaged(entry.FileName);
  if (entry.CompressionMethod == 8 && entry.UncompressedSize > entry.CompressedSize * kMaxDeflateRatio + 1024)
    RaiseDamaged(entry.FileName);
  FCrc = crc32(0L, Z_NULL, 0);
  if (entry.CompressionMethod == 8) {
    FZip = std::make_unique<z_stream_s>();
    std::memset(FZip.get(), 0, sizeof(z_stream_s));
    if (inflateInit2(FZip.get(), -MAX_WBITS) != Z_OK) {
      FZip.reset();
      throw EOutOfMemory(u"Out of memory");
    }
  }
}

TZipEntryReader::TZipEntryReader(const TZipEntry& entry, TStream& file, std::mutex& fileLock, UInt64 offset,
                                 size_t size)
    : TZipEntryReader(entry, nullptr, size) {
  FFile = &file;
  FFileLock = &fileLock;
  FOffset = offset;
  if (FZip) FInput.resize(std::min<size_t>(size, 1 << 16));
}

size_t TZipEntryReader::ReadInput(Byte* buffer, size_t count) {
  count = std::min(count, FSize - FConsumed);
  std::lock_guard<std::mutex> lock(*FFileLock);
  FFile->Seek(static_cast<Int64>(FOffset + FConsumed), TSeekOrigin::soBeginning);
  size_t have = 0;
  while (have < count) {
    const Int64 got = FFile->Read(buffer + have, static_cast<Int64>(count - have));
    if (got <= 0) break;
    have += static_cast<size_t>(got);
  }
  FConsumed += have;
  return have;
}

TZipEntryReader::~TZipEntryReader() {
  if (FZip) inflateEnd(FZip.get());
}

void TZipEntryReader::Finish() {
  FDone = true;
  if (FProduced != FEntry.UncompressedSize) RaiseDamaged(FEntry.FileName);
  if (static_cast<Cardinal>(FCrc) != FEntry.Crc32)
    throw EZipFileCRCError(Format(u"CRC Error in \"%s\".", {Utf8ToString(FEntry.FileName)}));
}

size_t TZipEntryReader::Read(void* buffer, size_t count) {
  if (FDone || count == 0) return 0;
  // Never more than the entry declares: the output cap.
  const UInt64 left = FEntry.UncompressedSize - FProduced;
  if (left == 0) {
    Finish();
    return 0;
  }
  count = static_cast<size_t>(std::min<UInt64>({count, left, UInt64{1} << 30}));
  size_t got = 0;
  if (!FZip && FFile != nullptr) {
    got = ReadInput(static_cast<Byte*>(buffer), count);
  } else if (!FZip) {
    got = std::min(count, FSize - FConsumed);
    std::memcpy(buffer, FData + FConsumed, got);
    FConsumed += got;
  } else {
    z_stream_s& z = *FZip;
    z.next_out = static_cast<Bytef*>(buffer);
    z.avail_out = static_cast<uInt>(count);
    while (z.avail_out > 0) {
      if (z.avail_in == 0) {
        if (FConsumed >= FSize) break;  // the data ended early
        if (FFile != nullptr) {
          const size_t piece = ReadInput(FInput.data(), FInput.size());
          if (piece == 0) break;  // the file ended early
          z.next_in = FInput.data();
          z.avail_in = static_cast<uInt>(piece);
        } else {
          const size_t piece = std::min<size_t>(FSize - FConsumed, 1u << 30);
          z.next_in = const_cast<Bytef*>(FData + FConsumed);
          z.avail_in = static_cast<uInt>(piece);
          FConsumed += piece;
        }
      }
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) break;
      if (rc != Z_OK) RaiseDamaged(FEntry.FileName);
    }
    got = count - z.avail_out;
  }
  FCrc = crc32(FCrc, static_cast<const Bytef*>(buffer), static_cast<uInt>(got));
  FProduced += got;
  if (got == 0 || FProduced == FEntry.UncompressedSize) Finish();
  return got;
}

// ---- the archive --------------------------------------------------------------

TZipArchive::TZipArchive(TComponent* owner) : TComponent(owner) {}
TZipArchive::~TZipArchive() = default;

void TZipArchive::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TZipArchive::LoadFromStream(TStream& stream) {
  const Int64 size = stream.Size() - stream.Position();
  FFile.reset();
  FBytes.assign(static_cast<size_t>(std::max<Int64>(size, 0)), 0);
  if (!FBytes.empty()) stream.ReadBuffer(FBytes.data(), static_cast<Int64>(FBytes.size()));
  FSize = FBytes.size();
  ReadDirectory();
}

void TZipArchive::LoadFromBytes(const void* data, size_t size) {
  const Byte* p = static_cast<const Byte*>(data);
  FFile.reset();
  FBytes.assign(p, p + size);
  FSize = FBytes.size();
  ReadDirectory();
}

void TZipArchive::LoadFromBytes(std::vector<Byte> bytes) {
  FFile.reset();
  FBytes = std::move(bytes);
  FSize = FBytes.size();
  ReadDirectory();
}

void TZipArchive::OpenFile(std::unique_ptr<TStream> file) {
  FBytes.clear();
  FFile = std::move(file);
  FSize = static_cast<UInt64>(std::max<Int64>(FFile->Size(), 0));
  ReadDirectory();
}

std::span<const Byte> TZipArchive::ReadAt(UInt64 offset, size_t size, std::vector<Byte>& scratch) const {
  if (offset >= FSize) return {};
  size = static_cast<size_t>(std::min<UInt64>(size, FSize - offset));
  if (!FFile) return std::span<const Byte>(FBytes).subspan(static_cast<size_t>(offset), size);
  scratch.resize(size);
  std::lock_guard<std::mutex> lock(FFileLock);
  FFile->Seek(static_cast<Int64>(offset), TSeekOrigin::soBeginning);
  size_t have = 0;
  while (have < size) {
    const Int64 got = FFile->Read(scratch.data() + have, static_cast<Int64>(size - have));
    if (got <= 0) break;
    have += static_cast<size_t>(got);
  }
  return std::span<const Byte>(scratch).first(have);
}

void TZipArchive::ReadDirectory() {
  FEntries.clear();
  // The end record is the last 22 bytes unless a comment follows it: look
  // back over at most a comment's largest length for a record whose comment
  // ends where the file does.
  std::vector<Byte> scratch;
  const UInt64 tailStart = FSize > kEndRecordSize + 0xFFFF ? FSize - kEndRecordSize - 0xFFFF : 0;
  const std::span<const Byte> tail = ReadAt(tailStart, static_cast<size_t>(FSize - tailStart), scratch);
  TByteReader reader(tail.data(), tail.size(), RaiseZipFormat);
  if (tail.size() < kEndRecordSize) reader.Fail(kEndRecordSize);
  size_t endRecord = SIZE_MAX;
  for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
    reader.Seek(at);
    if (reader.U32() != kEndOfCentralDir) continue;
    reader.Seek(at + 20);
    if (at + kEndRecordSize + reader.U16() == tail.size()) {
      endRecord = at;
      break;
    }
  }
  if (endRecord == SIZE_MAX) reader.Fail(kEndRecordSize);
  reader.Seek(endRecord + 10);
  const Word count = reader.U16();
  reader.Skip(4);  // directory size
  const Cardinal directory = reader.U32();
  // The directory runs from its offset on (to the end of the archive).
  std::vector<Byte> directoryScratch;
  const std::span<const Byte> bytes =
      directory >= tailStart
          ? tail.subspan(std::min<size_t>(static_cast<size_t>(directory - tailStart), tail.size()))
          : ReadAt(directory, static_cast<size_t>(FSize - directory), directoryScratch);
  TByteReader dir(bytes.data(), bytes.size(), RaiseZipFormat);
  if (directory > FSize) dir.Fail();
  // Each central header takes at least 46 bytes.
  if (UInt64{count} * 46 > dir.Remaining()) dir.Fail(UInt64{count} * 46);
  FEntries.reserve(count);
  for (Word i = 0; i < count; ++i) {
    if (dir.U32() != kCentralHeader) dir.Fail();
    TZipEntry entry;
    dir.Skip(4);  // versions
    entry.Flags = dir.U16();
    entry.CompressionMethod = dir.U16();
    dir.Skip(4);  // time and date
    entry.Crc32 = dir.U32();
    entry.CompressedSize = dir.U32();
    entry.UncompressedSize = dir.U32();
    const Word nameLength = dir.U16();
    const Word extraLength = dir.U16();
    const Word commentLength = dir.U16();
    dir.Skip(8);  // disk, attributes
    entry.LocalHeaderOffset = dir.U32();
    entry.FileName = dir.Ansi(nameLength);
    dir.Skip(UInt64{extraLength} + commentLength);
    FEntries.push_back(std::move(entry));
  }
}

const TZipEntry& TZipArchive::Entry(Integer index) const {
  if (index < 0 || index >= GetCount()) throw Exception(u"Index out of bounds");
  return FEntries[static_cast<size_t>(index)];
}

void TZipArchive::GetFileNames(std::vector<AnsiString>& files) const {
  for (const TZipEntry& e : FEntries) files.push_back(e.FileName);
}

Integer TZipArchive::GetIndexByFileName(std::string_view fileName) const {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  for (size_t i = 0; i < FEntries.size(); ++i) {
    const AnsiString& name = FEntries[i].FileName;
    if (name.size() == fileName.size() &&
        std::equal(name.begin(), name.end(), fileName.begin(), [&](char a, char b) { return lower(a) == lower(b); }))
      return static_cast<Integer>(i);
  }
  return -1;
}

UInt64 TZipArchive::EntryDataOffset(const TZipEntry& entry) const {
  std::vector<Byte> scratch;
  const std::span<const Byte> header = ReadAt(entry.LocalHeaderOffset, 30, scratch);
  TByteReader reader(header.data(), header.size(), RaiseZipFormat);
  if (reader.U32() != kLocalHeader) reader.Fail();
  reader.Skip(22);
  const Word nameLength = reader.U16();
  const Word extraLength = reader.U16();
  const UInt64 data = entry.LocalHeaderOffset + 30 + nameLength + extraLength;
  // The central directory's size holds also when the local header defers
  // it to a data descriptor.
  if (data > FSize || entry.CompressedSize > FSize - data) reader.Fail(static_cast<size_t>(entry.CompressedSize));
  return data;
}

std::unique_ptr<TZipEntryReader> TZipArchive::OpenEntry(Integer index) const {
  const TZipEntry& entry = Entry(index);
  const UInt64 data = EntryDataOffset(entry);
  const size_t size = static_cast<size_t>(entry.CompressedSize);
  if (FFile) return std::make_unique<TZipEntryReader>(entry, *FFile, FFileLock, data, size);
  return std::make_unique<TZipEntryReader>(entry, FBytes.data() + data, size);
}

std::vector<Byte> TZipArchive::GetUncompressed(Integer index) const {
  auto reader = OpenEntry(index);
  std::vector<Byte> out(static_cast<size_t>(reader->Size()));
  size_t filled = 0;
  while (filled < out.size()) {
    const size_t got = reader->Read(out.data() + filled, out.size() - filled);
    if (got == 0) break;
    filled += got;
  }
  Byte probe;
  reader->Read(&probe, 1);  // checks the size and the checksum at the end
  return out;
}

AnsiString TZipArchive::DecompressFileName(std::string_view fileName) const {
  const Integer index = GetIndexByFileName(fileName);
  if (index < 0) return {};
  const std::vector<Byte> bytes = GetUncompressed(index);
  return AnsiString(bytes.begin(), bytes.end());
}

}  // namespace smi
