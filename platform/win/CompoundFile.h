// A reader of compound files (structured storage): the sector allocation
// table, the mini stream and the directory tree of storages and streams.
// Every chain is followed with a bound on its length (no cycles) and every
// sector number checked against the file, so a damaged file raises
// ECompoundFileError and never reads outside its bytes.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

RTL_DECLARE_EXCEPTION(ECompoundFileError, Exception)

enum TCompoundEntryType : Byte { cetEmpty = 0, cetStorage = 1, cetStream = 2, cetRoot = 5 };

struct TCompoundEntry {
  String Name;
  TCompoundEntryType Type = cetEmpty;
  UInt64 Size = 0;
  Cardinal Start = 0;
  Cardinal Left = 0xFFFFFFFF, Right = 0xFFFFFFFF, Child = 0xFFFFFFFF;
};

class TCompoundFile {
 public:
  // Whether the bytes begin with the compound-file signature.
  static bool IsCompoundFile(const void* data, size_t size);
  static bool IsCompoundFile(const String& fileName);

  void LoadFromFile(const String& fileName);
  // Reads the stream from its position to its end.
  void LoadFromStream(TStream& stream);
  void LoadFromBytes(std::vector<Byte> bytes);
  // The same over bytes the caller keeps alive as long as this object.
  void LoadFromMemory(const void* data, size_t size);
  // Reads the structure from the file, whose sectors are then read as they
  // are needed; the file must outlive this object and the readers it opens.
  void OpenFile(TStream& file);

  Integer Count() const { return static_cast<Integer>(FEntries.size()); }
  const TCompoundEntry& Entry(Integer index) const;
  // The root storage's entry.
  static constexpr Integer Root = 0;
  // The elements of a storage, in the directory's order.
  std::vector<Integer> Children(Integer storage) const;
  // The element of that name in the storage (compared without case, as
  // the format does); -1 when none.
  Integer Find(Integer storage, StringView name) const;
  // The bytes of a stream entry.
  std::vector<Byte> ReadStream(Integer entry) const;
  // A stream entry read piece by piece, so a large one is never in memory
  // whole; valid while this object lives. Its chain is checked here; a
  // sector missing from the file later ends its bytes early.
  std::unique_ptr<TStream> OpenStream(Integer entry) const;

 private:
  std::vector<Cardinal> Chain(const std::vector<Cardinal>& table, Cardinal start, size_t limit) const;
  void ReadSector(Cardinal sector, std::vector<Byte>& out) const;
  void ReadHeader();
  // Copies up to n bytes of the file from offset; fewer at its end.
  size_t ReadAt(UInt64 offset, Byte* out, size_t n) const;
  class TChainStream;

  // The file: in memory (its own bytes or the caller's), or read as needed.
  std::vector<Byte> FOwned;
  std::span<const Byte> FBytes;
  TStream* FFile = nullptr;
  UInt64 FFileSize = 0;
  size_t FSectorSize = 512;
  Cardinal FMiniCutoff = 4096;
  std::vector<Cardinal> FFat;
  std::vector<Cardinal> FMiniFat;
  std::vector<Byte> FMiniStream;
  std::vector<TCompoundEntry> FEntries;
};
