#include "platform/win/CompoundFile.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr Byte kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr Cardinal kEndOfChain = 0xFFFFFFFE;
constexpr Cardinal kNoStream = 0xFFFFFFFF;
// Directory trees deeper than this are damaged (a balanced tree of all
// entries a file can hold is far shallower).
constexpr int kMaxTreeDepth = 256;

[[noreturn]] void RaiseDamaged(const char16_t* what) {
  throw ECompoundFileError(String(u"The compound file is damaged: ") + what + u".");
}

[[noreturn]] void RaiseShort(const TByteReader& reader, size_t wanted) {
  throw ECompoundFileError(Format(u"The compound file is damaged: %d bytes wanted at offset %d.",
                                  {static_cast<Int64>(wanted), static_cast<Int64>(reader.Position())}));
}

char16_t UpperChar(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

}  // namespace

bool TCompoundFile::IsCompoundFile(const void* data, size_t size) {
  return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

bool TCompoundFile::IsCompoundFile(const String& fileName) {
  try {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
    Byte head[8];
    return stream.Read(head, 8) == 8 && IsCompoundFile(head, 8);
  } catch (const Exception&) {
    return false;
  }
}

void TCompoundFile::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TCompoundFile::LoadFromStream(TStream& stream) {
  std::vector<Byte> bytes(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  LoadFromBytes(std::move(bytes));
}

const TCompoundEntry& TCompoundFile::Entry(Integer index) const {
  if (index < 0 || index >= Count()) RaiseDamaged(u"no such directory entry");
  return FEntries[static_cast<size_t>(index)];
}

size_t TCompoundFile::ReadAt(UInt64 offset, Byte* out, size_t n) const {
  if (offset >= FFileSize) return 0;
  n = static_cast<size_t>(std::min<UInt64>(n, FFileSize - offset));
  if (FFile == nullptr) {
    std::memcpy(out, FBytes.data() + offset, n);
    return n;
  }
  FFile->Seek(static_cast<Int64>(offset), TSeekOrigin::soBeginning);
  size_t have = 0;
  while (have < n) {
    const Int64 got = FFile->Read(out + have, static_cast<Int64>(n - have));
    if (got <= 0) break;
    have += static_cast<size_t>(got);
  }
  return have;
}

void TCompoundFile::ReadSector(Cardinal sector, std::vector<Byte>& out) const {
  const UInt64 offset = (UInt64{sector} + 1) * FSectorSize;
  // The last sector of a file may be cut short; what is missing reads as 0.
  if (offset >= FFileSize) RaiseDamaged(u"a sector lies outside the file");
  const size_t at = out.size();
  out.resize(at + FSectorSize, 0);
  ReadAt(offset, out.data() + at, FSectorSize);
}

// A stream entry's bytes through its chain of sectors, read as asked for.
class TCompoundFile::TChainStream : public TStream {
 public:
  TChainStream(const TCompoundFile& file, std::vector<Cardinal> chain, UInt64 size)
      : FFile(file), FChain(std::move(chain)), FSize(size) {}

  Int64 Read(void* buffer, Int64 count) override {
    Byte* out = static_cast<Byte*>(buffer);
    Int64 done = 0;
    const UInt64 sectorSize = FFile.FSectorSize;
    while (done < count && FPosition < FSize) {
      size_t index = static_cast<size_t>(FPosition / sectorSize);
      const UInt64 within = FPosition % sectorSize;
      // Sectors that follow each other in the file are read in one go.
      size_t last = index;
      const UInt64 wanted = std::min<UInt64>(static_cast<UInt64>(count - done), FSize - FPosition);
      while (last + 1 < FChain.size() && FChain[last + 1] == FChain[last] + 1 &&
             (last + 1 - index) * sectorSize < within + wanted)
        ++last;
      const UInt64 span = std::min<UInt64>((last + 1 - index) * sectorSize - within, wanted);
      const UInt64 offset = (UInt64{FChain[index]} + 1) * sectorSize + within;
      const size_t got = FFile.ReadAt(offset, out + done, static_cast<size_t>(span));
      // The last sector of a file may be cut short: what is missing reads
      // as 0; a sector wholly outside the file ends the bytes.
      size_t filled = got;
      if (got < span) {
        if (offset >= FFile.FFileSize) break;
        std::memset(out + done + got, 0, static_cast<size_t>(span) - got);
        filled = static_cast<size_t>(span);
      }
      done += static_cast<Int64>(filled);
      FPosition += filled;
    }
    return done;
  }
  Int64 Write(const void*, Int64) override { return 0; }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    const Int64 base = origin == TSeekOrigin::soBeginning ? 0
                       : origin == TSeekOrigin::soCurrent ? static_cast<Int64>(FPosition)
                                                          : static_cast<Int64>(FSize);
    FPosition = static_cast<UInt64>(std::max<Int64>(base + offset, 0));
    return static_cast<Int64>(FPosition);
  }
  void SetSize(Int64) override {}
  Int64 Size() override { return static_cast<Int64>(FSize); }

 private:
  const TCompoundFile& FFile;
  std::vector<Cardinal> FChain;
  UInt64 FSize;
  UInt64 FPosition = 0;
};

std::vector<Cardinal> TCompoundFile::Chain(const std::vector<Cardinal>& table, Cardinal start, size_t limit) const {
  std::vector<Cardinal> chain;
  for (Cardinal s = start; s != kEndOfChain && s != kNoStream;) {
    if (s >= table.size()) RaiseDamaged(u"a chain leaves the allocation table");
    if (chain.size() >= limit) RaiseDamaged(u"a chain is longer than the file (a cycle)");
    chain.push_back(s);
    s = table[s];
  }
  return chain;
}

void TCompoundFile::LoadFromBytes(std::vector<Byte> bytes) {
  FOwned = std::move(bytes);
  LoadFromMemory(FOwned.data(), FOwned.size());
}

void TCompoundFile::LoadFromMemory(const void* data, size_t size) {
  if (data != FOwned.data()) FOwned.clear();
  FBytes = std::span<const Byte>(static_cast<const Byte*>(data), size);
  FFile = nullptr;
  FFileSize = size;
  ReadHeader();
}

void TCompoundFile::OpenFile(TStream& file) {
  FOwned.clear();
  FBytes = {};
  FFile = &file;
  FFileSize = static_cast<UInt64>(std::max<Int64>(file.Size(), 0));
  ReadHeader();
}

void TCompoundFile::ReadHeader() {
  FFat.clear();
  FMiniFat.clear();
  FMiniStream.clear();
  FEntries.clear();
  Byte head[512];
  const size_t headSize = ReadAt(0, head, sizeof head);
  if (!IsCompoundFile(head, headSize)) RaiseDamaged(u"no compound-file signature");
  TByteReader header(head, headSize, RaiseShort);
  header.Seek(30);
  const Word shift = header.U16();
  if (shift != 9 && shift != 12) RaiseDamaged(u"an unknown sector size");
  FSectorSize = size_t{1} << shift;
  const Word miniShift = header.U16();
  if (miniShift != 6) RaiseDamaged(u"an unknown mini sector size");
  header.Seek(44);
  const Cardinal fatSectors = header.U32();
  const Cardinal firstDirectory = header.U32();
  header.Skip(4);
  FMiniCutoff = header.U32();
  const Cardinal firstMiniFat = header.U32();
  header.Skip(4);  // mini FAT sector count: the chain says it
  Cardinal difatSector = header.U32();
  const Cardinal difatCount = header.U32();
  const size_t sectors = static_cast<size_t>(FFileSize / FSectorSize + 1);
  if (fatSectors > sectors) RaiseDamaged(u"more allocation sectors than the file holds");

  // The allocation table's sectors: 109 in the header, the rest in a chain
  // of DIFAT sectors.
  std::vector<Cardinal> fatList;
  for (int i = 0; i < 109 && fatList.size() < fatSectors; ++i) fatList.push_back(header.U32());
  const size_t perDifat = FSectorSize / 4 - 1;
  for (Cardinal n = 0; fatList.size() < fatSectors; ++n) {
    if (n >= difatCount || n > sectors || difatSector >= kEndOfChain) RaiseDamaged(u"the allocation list ends early");
    std::vector<Byte> sector;
    ReadSector(difatSector, sector);
    TByteReader r(sector.data(), sector.size(), RaiseShort);
    for (size_t i = 0; i < perDifat && fatList.size() < fatSectors; ++i) fatList.push_back(r.U32());
    r.Seek(perDifat * 4);
    difatSector = r.U32();
  }
  std::vector<Byte> fatBytes;
  for (Cardinal s : fatList) ReadSector(s, fatBytes);
  FFat.resize(fatBytes.size() / 4);
  for (size_t i = 0; i < FFat.size(); ++i) std::memcpy(&FFat[i], fatBytes.data() + i * 4, 4);

  // The directory.
  std::vector<Byte> directory;
  for (Cardinal s : Chain(FFat, firstDirectory, sectors)) ReadSector(s, directory);
  TByteReader dir(directory.data(), directory.size(), RaiseShort);
  const bool version3 = FSectorSize == 512;
  for (size_t at = 0; at + 128 <= directory.size(); at += 128) {
    dir.Seek(at);
    TCompoundEntry entry;
    const auto nameBytes = dir.Bytes(64);
    const Word nameLength = dir.U16();
    const size_t chars = std::min<size_t>(nameLength / 2, 32);
    for (size_t i = 0; i < chars; ++i) {
      const char16_t c = static_cast<char16_t>(nameBytes[i * 2] | nameBytes[i * 2 + 1] << 8);
      if (c == 0) break;
      entry.Name.push_back(c);
    }
    const Byte type = dir.U8();
    entry.Type = (type == 1 || type == 2 || type == 5) ? static_cast<TCompoundEntryType>(type) : cetEmpty;
    dir.Skip(1);
    entry.Left = dir.U32();
    entry.Right = dir.U32();
    entry.Child = dir.U32();
    dir.Skip(16 + 4 + 16);
    entry.Start = dir.U32();
    entry.Size = version3 ? dir.U32() : dir.U64();
    if (version3) dir.Skip(4);
    FEntries.push_back(std::move(entry));
  }
  if (FEntries.empty() || FEntries[0].Type != cetRoot) RaiseDamaged(u"no root storage");

  // The mini stream lives in the root entry's chain, the mini table in its
  // own.
  for (Cardinal s : Chain(FFat, firstMiniFat, sectors)) {
    std::vector<Byte> sector;
    ReadSector(s, sector);
    for (size_t i = 0; i + 4 <= sector.size(); i += 4) {
      Cardinal v;
      std::memcpy(&v, sector.data() + i, 4);
      FMiniFat.push_back(v);
    }
  }
  if (!FMiniFat.empty()) {
    for (Cardinal s : Chain(FFat, FEntries[0].Start, sectors)) ReadSector(s, FMiniStream);
  }
}

std::vector<Integer> TCompoundFile::Children(Integer storage) const {
  std::vector<Integer> out;
  const TCompoundEntry& parent = Entry(storage);
  if (parent.Type != cetStorage && parent.Type != cetRoot) return out;
  std::vector<bool> seen(FEntries.size(), false);
  // In-order walk of the sibling tree, with a bound on its depth and each
  // entry visited once.
  auto walk = [&](auto&& self, Cardinal node, int depth) -> void {
    if (node == kNoStream || node >= FEntries.size()) return;
    if (depth > kMaxTreeDepth || seen[node]) RaiseDamaged(u"the directory tree has a cycle");
    seen[node] = true;
    self(self, FEntries[node].Left, depth + 1);
    out.push_back(static_cast<Integer>(node));
    self(self, FEntries[node].Right, depth + 1);
  };
  walk(walk, parent.Child, 0);
  return out;
}

Integer TCompoundFile::Find(Integer storage, StringView name) const {
  for (Integer child : Children(storage)) {
    const String& n = FEntries[static_cast<size_t>(child)].Name;
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char16_t a, char16_t b) { return UpperChar(a) == UpperChar(b); }))
      return child;
  }
  return -1;
}

std::vector<Byte> TCompoundFile::ReadStream(Integer index) const {
  const TCompoundEntry& entry = Entry(index);
  if (entry.Type != cetStream) RaiseDamaged(u"the element is no stream");
  std::vector<Byte> out;
  if (entry.Size == 0) return out;
  if (entry.Size < FMiniCutoff) {
    const size_t limit = FMiniStream.size() / 64 + 1;
    if (entry.Size > FMiniStream.size()) RaiseDamaged(u"a stream is larger than the mini stream");
    out.reserve(static_cast<size_t>(entry.Size));
    for (Cardinal s : Chain(FMiniFat, entry.Start, limit)) {
      const size_t offset = size_t{s} * 64;
      if (offset + 64 > FMiniStream.size()) RaiseDamaged(u"a mini sector lies outside the mini stream");
      out.insert(out.end(), FMiniStream.begin() + static_cast<std::ptrdiff_t>(offset),
                 FMiniStream.begin() + static_cast<std::ptrdiff_t>(offset + 64));
      if (out.size() >= entry.Size) break;
    }
  } else {
    if (entry.Size > FFileSize) RaiseDamaged(u"a stream is larger than the file");
    // Whole sectors are read: room for the last one spares a copy of the
    // whole stream.
    out.reserve(static_cast<size_t>(entry.Size) + FSectorSize);
    for (Cardinal s : Chain(FFat, entry.Start, static_cast<size_t>(FFileSize / FSectorSize + 1))) {
      ReadSector(s, out);
      if (out.size() >= entry.Size) break;
    }
  }
  if (out.size() < entry.Size) RaiseDamaged(u"a stream ends before its size");
  out.resize(static_cast<size_t>(entry.Size));
  return out;
}

std::unique_ptr<TStream> TCompoundFile::OpenStream(Integer index) const {
  const TCompoundEntry& entry = Entry(index);
  if (entry.Type != cetStream) RaiseDamaged(u"the element is no stream");
  // A small stream lives in the mini stream, which is in memory already.
  if (entry.Size != 0 && entry.Size < FMiniCutoff) {
    auto bytes = std::make_unique<TMemoryStream>();
    const std::vector<Byte> data = ReadStream(index);
    bytes->WriteBuffer(data.data(), static_cast<Int64>(data.size()));
    bytes->SetPosition(0);
    return bytes;
  }
  if (entry.Size > FFileSize) RaiseDamaged(u"a stream is larger than the file");
  std::vector<Cardinal> chain;
  if (entry.Size != 0) chain = Chain(FFat, entry.Start, static_cast<size_t>(FFileSize / FSectorSize + 1));
  if (UInt64{chain.size()} * FSectorSize < entry.Size) RaiseDamaged(u"a stream ends before its size");
  return std::make_unique<TChainStream>(*this, std::move(chain), entry.Size);
}
