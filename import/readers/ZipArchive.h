// The import's ZIP reader: the central directory of an archive (found also
// behind a trailing comment) and its entries, stored or deflated, inflated
// on demand with their CRC-32 checked. Every size and offset comes from the
// file and is checked against the archive; inflating never yields more than
// the entry declares.
#pragma once

#include <memory>
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
  ~TZipEntryReader();
  TZipEntryReader(const TZipEntryReader&) = delete;
  TZipEntryReader& operator=(const TZipEntryReader&) = delete;
  // Up to count bytes; 0 at the end of the entry.
  size_t Read(void* buffer, size_t count);
  UInt64 Size() const { return FEntry.UncompressedSize; }
  UInt64 Position() const { return FProduced; }

 private:
  void Finish();
  const TZipEntry& FEntry;
  const Byte* FData;
  size_t FSize;
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
  // The entry's compressed bytes (after its local header).
  std::pair<const Byte*, size_t> EntryData(const TZipEntry& entry) const;

  std::vector<Byte> FBytes;
  std::vector<TZipEntry> FEntries;
};

// CRC-32 (ISO-HDLC, as zlib and ZIP compute it); 0 for no data.
Cardinal ZipCRC32(const void* data, size_t size);
// Whether the bytes begin like a ZIP archive (a local header or an empty
// archive's end record).
bool LooksLikeZip(const void* data, size_t size);

}  // namespace smi
