// The import's ZIP reader: the central directory of an archive (found also
// behind a trailing comment) and its entries, stored or deflated, inflated
// on demand with their CRC-32 checked. Every size and offset comes from the
// file and is checked against the archive; inflating never yields more than
// the entry declares.
#pragma once

#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

struct z_stream_s;

// The export suite has a ZIP writer of the same name; the reader's types
// live in the import suite's own namespace.
namespace smi {

// A decompressed entry whose checksum is not the one the archive gives.
RTL_DECLARE_EXCEPTION(EZipFileCRCError, Exception)

struct TZipEntry {
  AnsiString FileName;  // as stored (normally UTF-8)
  Word Flags = 0;
  Word CompressionMethod = 0;
  Cardinal Crc32 = 0;
  UInt64 CompressedSize = 0;
  UInt64 UncompressedSize = 0;
  UInt64 LocalHeaderOffset = 0;
};

// Reads one entry's bytes piece by piece; the whole entry need never be in
// memory. Raises the archive's errors for damaged data, a short entry or a
// checksum that does not match (at the end).
class TZipEntryReader {
 public:
  TZipEntryReader(const TZipEntry& entry, const Byte* data, size_t size);
  // Over the compressed bytes at offset in a file, read a block at a time;
  // the file must outlive the reader.
  TZipEntryReader(const TZipEntry& entry, TStream& file, std::mutex& fileLock, UInt64 offset, size_t size);
  ~TZipEntryReader();
  TZipEntryReader(const TZipEntryReader&) = delete;
  TZipEntryReader& operator=(const TZipEntryReader&) = delete;
  // Up to count bytes; 0 at the end of the entry.
  size_t Read(void* buffer, size_t count);
  UInt64 Size() const { return FEntry.UncompressedSize; }
  UInt64 Position() const { return FProduced; }

 private:
  void Finish();
  // Up to count compressed bytes from the file; fewer at its end.
  size_t ReadInput(Byte* buffer, size_t count);
  const TZipEntry& FEntry;
  const Byte* FData;
  size_t FSize;
  TStream* FFile = nullptr;
  std::mutex* FFileLock = nullptr;
  UInt64 FOffset = 0;
  std::vector<Byte> FInput;
  size_t FConsumed = 0;
  UInt64 FProduced = 0;
  unsigned long FCrc = 0;
  std::unique_ptr<z_stream_s> FZip;
  bool FDone = false;
};

class TZipArchive : public TComponent {
 public:
  explicit TZipArchive(TComponent* owner = nullptr);
  ~TZipArchive() override;
  const char* ClassName() const override { return "TZipArchive"; }

  void LoadFromFile(const String& fileName);
  // Reads the directory from the file and the entries as they are read,
  // so the archive is never in memory whole.
  void OpenFile(std::unique_ptr<TStream> file);
  // Reads the archive from the stream's position to its end. Raises
  // ESMIFileFormatException "Invalid file version or file format." when
  // it holds no ZIP directory.
  void LoadFromStream(TStream& stream);
  // The same over bytes the archive copies.
  void LoadFromBytes(const void* data, size_t size);
  // The same over bytes the archive takes over.
  void LoadFromBytes(std::vector<Byte> bytes);

  Integer GetCount() const { return static_cast<Integer>(FEntries.size()); }
  const TZipEntry& Entry(Integer index) const;
  void GetFileNames(std::vector<AnsiString>& files) const;
  // The first entry of that name (ASCII letters without case); -1 when none.
  Integer GetIndexByFileName(std::string_view fileName) const;
  // The entry's bytes, checked; raises "Index out of bounds" for a bad index.
  std::vector<Byte> GetUncompressed(Integer index) const;
  // The named entry's bytes as 8-bit text; empty when there is none.
  AnsiString DecompressFileName(std::string_view fileName) const;
  // A reader over the entry's bytes; valid while the archive lives.
  std::unique_ptr<TZipEntryReader> OpenEntry(Integer index) const;

 private:
  void ReadDirectory();
  // Size bytes of the archive from offset (fewer at its end): a view of
  // the bytes in memory, or read from the file into scratch.
  std::span<const Byte> ReadAt(UInt64 offset, size_t size, std::vector<Byte>& scratch) const;
  // Where the entry's compressed bytes begin (after its local header).
  UInt64 EntryDataOffset(const TZipEntry& entry) const;

  std::vector<Byte> FBytes;
  std::unique_ptr<TStream> FFile;
  // Entries read on other threads share the file.
  mutable std::mutex FFileLock;
  UInt64 FSize = 0;
  std::vector<TZipEntry> FEntries;
};

// CRC-32 (ISO-HDLC, as zlib and ZIP compute it); 0 for no data.
Cardinal ZipCRC32(const void* data, size_t size);
// Whether the bytes begin like a ZIP archive (a local header or an empty
// archive's end record).
bool LooksLikeZip(const void* data, size_t size);

}  // namespace smi
