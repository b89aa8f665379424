// Blob values that can keep their contents zlib-compressed in one piece
// behind a 20-byte header: a 16-byte marker and the uncompressed size.
#pragma once

#include "table/Blob.h"
#include "table/BlobData.h"

// Where a dataset compresses blob fields (used by the SQL Server datasets).
enum TCompressBlobMode { cbNone, cbClient, cbServer, cbClientServer };

// {F19D8C39-5558-3849-A652-87CEE0C6DA7E} in its binary layout.
inline constexpr Byte CCompressBlobHeaderGuid[16] = {0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38,
                                                     0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E};
inline constexpr int CCompressBlobHeaderGuidSize = 16;
inline constexpr int CCompressBlobHeaderSize = 20;

class TCompressedBlobData : public TCRBlobData {
 public:
  TCompressedBlobData() = default;
  const char* ClassName() const override { return "TCompressedBlobData"; }

  // The uncompressed size when compressed.
  Int64 GetSize() const override;
  // A compressed value can only be emptied or kept at its size.
  void SetSize(Int64 value) override;
  void Truncate(Int64 newSize) override;
  // A whole read inflates straight into dest; any other read decompresses
  // the store for good first.
  Int64 Read(Int64 position, Int64 count, void* dest) override;
  // A whole rewrite of more than 50 bytes is stored compressed when that is
  // smaller; any other write decompresses the store first.
  void Write(Int64 position, Int64 count, const void* source) override;

  // Replaces the value with the compressed form of size bytes of source when
  // that is smaller; returns whether it did.
  bool CompressFrom(const void* source, Int64 size);
  // Inflates the value into dest, which has room for destLen bytes and must be
  // filled exactly; destLen receives the bytes produced.
  void UncompressTo(void* dest, Int64& destLen);
  // True for a valid header: the marker, a stream after it, and a recorded
  // size that is positive and no more than the stream can produce.
  bool IsCompressed() const { return RecordedSize() > 0; }
  // Compresses (values above 50 bytes) or decompresses; returns false when
  // there is nothing to do.
  bool SetCompressed(bool value);
  Integer UnCompressedSize() const;
  // Stored size of a compressed value; raises "Blob is not compressed".
  Int64 GetCompressedSize() const;

 protected:
  void EnsurePlain() override { SetCompressed(false); }

 private:
  // The header's uncompressed size, or 0 when the pieces are not a valid
  // compressed value.
  Integer RecordedSize() const;
};

class TCompressedBlob : public TBlob {
 public:
  explicit TCompressedBlob(bool isUnicode = false);
  TCompressedBlob(bool isUnicode, THeld held) : TBlob(isUnicode, held) {}
  const char* ClassName() const override { return "TCompressedBlob"; }

  TCRBlobData* CreateBlobData() override;

  bool Compressed() const;
  void SetCompressed(bool value);
  Int64 CompressedSize() const;
};
