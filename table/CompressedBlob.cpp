#include "table/CompressedBlob.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr char16_t Unit[] = u"CompressedBlob";
// Values of this size or less are never compressed.
constexpr Int64 MinCompressSize = 50;
// Deflate cannot expand data by more than this factor (a 258-byte match in
// two bits), so a stream of n bytes never inflates to more than n times it.
constexpr Int64 MaxInflateRatio = 1032;

[[noreturn]] void Fail(const char16_t* message) { throw Exception(message); }

}  // namespace

// --- TCompressedBlobData ------------------------------------------------------

Integer TCompressedBlobData::RecordedSize() const {
  if (FFirstPiece == nullptr || FFirstPiece->Used <= CCompressBlobHeaderSize) return 0;
  const Byte* header = PieceData(FFirstPiece);
  if (std::memcmp(header, CCompressBlobHeaderGuid, CCompressBlobHeaderGuidSize) != 0) return 0;
  Integer size = static_cast<Integer>(static_cast<Cardinal>(header[16]) | static_cast<Cardinal>(header[17]) << 8 |
                                      static_cast<Cardinal>(header[18]) << 16 |
                                      static_cast<Cardinal>(header[19]) << 24);
  Int64 stream = GetDataSize() - CCompressBlobHeaderSize;
  if (size <= 0 || size > stream * MaxInflateRatio) return 0;
  return size;
}

Integer TCompressedBlobData::UnCompressedSize() const {
  Integer size = RecordedSize();
  Assert(size > 0, Unit);
  return size;
}

Int64 TCompressedBlobData::GetSize() const {
  Integer size = RecordedSize();
  return size > 0 ? size : GetDataSize();
}

Int64 TCompressedBlobData::GetCompressedSize() const {
  if (!IsCompressed()) Fail(u"Blob is not compressed");
  return GetDataSize();
}

bool TCompressedBlobData::CompressFrom(const void* source, Int64 size) {
  // The piece must hold the header and deflate's worst case for size bytes.
  Int64 capacity = size + size / 5 + 32;
  if (size <= 0 || capacity > MaxPieceSize || source == nullptr) return false;

  PPieceHeader piece;
  try {
    AllocPiece(piece, static_cast<Integer>(capacity));
  } catch (const EOutOfMemory&) {
    return false;
  }
  z_stream zs{};
  bool finished = false;
  if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) == Z_OK) {
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    zs.avail_in = static_cast<uInt>(size);
    zs.next_out = PieceData(piece) + CCompressBlobHeaderSize;
    zs.avail_out = static_cast<uInt>(capacity - CCompressBlobHeaderSize);
    finished = deflate(&zs, Z_FINISH) == Z_STREAM_END;
    deflateEnd(&zs);
  }
  Int64 used = static_cast<Int64>(zs.total_out) + CCompressBlobHeaderSize;
  if (!finished || used >= size) {
    std::free(piece);
    return false;
  }

  Byte* header = PieceData(piece);
  std::memcpy(header, CCompressBlobHeaderGuid, CCompressBlobHeaderGuidSize);
  Cardinal recorded = static_cast<Cardinal>(size);
  for (int i = 0; i < 4; ++i) header[16 + i] = static_cast<Byte>(recorded >> (8 * i));
  piece->Used = static_cast<Integer>(used);
  try {
    CompressPiece(piece);
  } catch (const EOutOfMemory&) {
    // The piece keeps its spare room; the value is the same.
  }
  FreeAllPieces();
  AppendPiece(piece);
  return true;
}

void TCompressedBlobData::UncompressTo(void* dest, Int64& destLen) {
  Assert(FFirstPiece != nullptr, Unit);
  Defrag(0);
  if (FFirstPiece->Used <= CCompressBlobHeaderSize) Fail(u"Invalid compressed blob size");
  const Byte* header = PieceData(FFirstPiece);
  if (std::memcmp(header, CCompressBlobHeaderGuid, CCompressBlobHeaderGuidSize) != 0) {
    Fail(u"Invalid compressed blob header");
  }
  Int64 stream = FFirstPiece->Used - CCompressBlobHeaderSize;
  if (destLen <= 0 || destLen > stream * MaxInflateRatio || destLen > std::numeric_limits<Integer>::max()) {
    Fail(u"Invalid compressed blob size");
  }

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) Fail(u"Invalid compressed blob data");
  zs.next_in = const_cast<Bytef*>(header + CCompressBlobHeaderSize);
  zs.avail_in = static_cast<uInt>(stream);
  zs.next_out = static_cast<Bytef*>(dest);
  zs.avail_out = static_cast<uInt>(destLen);
  int rc = inflate(&zs, Z_FINISH);
  Int64 produced = static_cast<Int64>(zs.total_out);
  inflateEnd(&zs);
  if (rc != Z_STREAM_END) Fail(u"Invalid compressed blob data");
  if (produced < destLen) Fail(u"Invalid uncompressed blob size");
  destLen = produced;
}

bool TCompressedBlobData::SetCompressed(bool value) {
  if (FFirstPiece == nullptr || IsCompressed() == value) return false;
  if (value) {
    if (GetDataSize() > MinCompressSize) {
      Defrag(0);
      // A value too large for one piece is left plain.
      if (FFirstPiece->Next == nullptr) CompressFrom(PieceData(FFirstPiece), FFirstPiece->Used);
    }
    return true;
  }
  Integer size = UnCompressedSize();
  PPieceHeader piece;
  AllocPiece(piece, size);
  try {
    Int64 length = size;
    UncompressTo(PieceData(piece), length);
  } catch (...) {
    std::free(piece);
    throw;
  }
  piece->Used = size;
  FreeAllPieces();
  AppendPiece(piece);
  return true;
}

void TCompressedBlobData::SetSize(Int64 value) {
  if (IsCompressed()) Assert(value == 0 || value == GetSize(), Unit);
  TCRBlobData::SetSize(value);
}

void TCompressedBlobData::Truncate(Int64 newSize) {
  if (newSize != 0) SetCompressed(false);
  TCRBlobData::Truncate(newSize);
}

Int64 TCompressedBlobData::Read(Int64 position, Int64 count, void* dest) {
  if (IsCompressed()) {
    Int64 size = GetSize();
    if (position == 0 && (count == 0 || count == size)) {
      Assert(dest != nullptr, Unit);
      UncompressTo(dest, size);
      return size;
    }
    SetCompressed(false);
  }
  return TCRBlobData::Read(position, count, dest);
}

void TCompressedBlobData::Write(Int64 position, Int64 count, const void* source) {
  if (IsCompressed()) {
    if (position == 0 && count == GetSize()) {
      FreeAllPieces();
      if (count > MinCompressSize && CompressFrom(source, count)) {
        FIsNull = false;
        return;
      }
    } else {
      SetCompressed(false);
    }
  }
  TCRBlobData::Write(position, count, source);
}

// --- TCompressedBlob ---------------------------------------------------------

TCompressedBlob::TCompressedBlob(bool isUnicode) : TBlob(isUnicode, new TCompressedBlobData) {}

TCRBlobData* TCompressedBlob::CreateBlobData() { return new TCompressedBlobData; }

bool TCompressedBlob::Compressed() const {
  // A held value is never a compressed one (BlobCanHold).
  if (FHeld) return false;
  auto* data = dynamic_cast<TCompressedBlobData*>(FData);
  return data != nullptr && data->IsCompressed();
}

void TCompressedBlob::SetCompressed(bool value) {
  CheckValid();
  CheckValue();
  // Data shared from a plain blob has no compressed form.
  if (auto* data = dynamic_cast<TCompressedBlobData*>(Data())) data->SetCompressed(value);
}

Int64 TCompressedBlob::CompressedSize() const {
  auto* data = FHeld ? nullptr : dynamic_cast<TCompressedBlobData*>(FData);
  if (data == nullptr) throw Exception(u"Blob is not compressed");
  return data->GetCompressedSize();
}
