#include "table/BlobData.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t Unit[] = u"BlobData";
constexpr char16_t SInvalidBlobPosition[] = u"Invalid BLOB position";

[[noreturn]] void InvalidPosition() { throw Exception(SInvalidBlobPosition); }

std::string_view PieceBytes(PPieceHeader piece) {
  return {reinterpret_cast<const char*>(PieceData(piece)), static_cast<size_t>(piece->Used)};
}

// The whole UTF-16 units of a piece (a trailing odd byte is not a unit).
String PieceUnits(PPieceHeader piece) {
  String units(static_cast<size_t>(piece->Used / 2), u'\0');
  std::memcpy(units.data(), PieceData(piece), units.size() * 2);
  return units;
}

// Length in UTF-16 units of the character starting at text[i].
size_t CharUnits(StringView text, size_t i) {
  if (i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    return 2;
  }
  return 1;
}

// Reads a detached piece list front to back with a few bytes of look-ahead,
// freeing each piece as soon as it has been consumed.
class PieceCursor {
 public:
  PieceCursor(PPieceHeader first, Int64 total) : FPiece(first), FRemaining(total) { Skip(0); }
  ~PieceCursor() {
    while (FPiece != nullptr) {
      PPieceHeader next = FPiece->Next;
      std::free(FPiece);
      FPiece = next;
    }
  }
  PieceCursor(const PieceCursor&) = delete;
  PieceCursor& operator=(const PieceCursor&) = delete;

  Int64 Remaining() const { return FRemaining; }

  // Copies up to n bytes from the current position; returns how many there were.
  int Peek(Byte* out, int n) const {
    int got = 0;
    PPieceHeader piece = FPiece;
    Integer offset = FOffset;
    while (piece != nullptr && got < n) {
      int take = std::min(piece->Used - offset, n - got);
      if (take > 0) {
        std::memcpy(out + got, PieceData(piece) + offset, static_cast<size_t>(take));
        got += take;
        offset += take;
      } else {
        piece = piece->Next;
        offset = 0;
      }
    }
    return got;
  }

  void Skip(int n) {
    FRemaining -= n;
    FOffset += n;
    while (FPiece != nullptr && FOffset >= FPiece->Used) {
      FOffset -= FPiece->Used;
      PPieceHeader next = FPiece->Next;
      std::free(FPiece);
      FPiece = next;
    }
  }

 private:
  PPieceHeader FPiece;
  Integer FOffset = 0;
  Int64 FRemaining;
};

}  // namespace

TCRBlobData::~TCRBlobData() { FreeAllPieces(); }

void TCRBlobData::FreeAllPieces() {
  PPieceHeader piece = FFirstPiece;
  while (piece != nullptr) {
    PPieceHeader next = piece->Next;
    std::free(piece);
    piece = next;
  }
  FFirstPiece = nullptr;
  FLastPiece = nullptr;
}

Int64 TCRBlobData::GetDataSize() const {
  Int64 size = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) size += piece->Used;
  return size;
}

bool TCRBlobData::IsEmpty() const {
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    if (piece->Used > 0) return false;
  }
  return true;
}

void TCRBlobData::SetPieceSize(Integer value) {
  Assert(value > 0 && value <= MaxPieceSize, Unit);
  FPieceSize = value;
}

void TCRBlobData::Clear() {
  Truncate(0);
  FIsNull = true;
}

void TCRBlobData::Truncate(Int64 newSize) {
  Assert(newSize >= 0, Unit);
  if (newSize == 0) {
    FreeAllPieces();
    return;
  }
  Int64 total = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    if (total + piece->Used > newSize) piece->Used = static_cast<Integer>(newSize - total);
    total += piece->Used;
  }
}

void TCRBlobData::SetSize(Int64 value) {
  Assert(value >= 0, Unit);
  Int64 size = GetSize();
  if (value < size) {
    Truncate(value);
    return;
  }
  // Extend with zero bytes, in one piece unless that would exceed a piece's limit.
  for (Int64 rest = value - size; rest > 0;) {
    Integer n = static_cast<Integer>(std::min<Int64>(rest, MaxPieceSize));
    PPieceHeader piece;
    AllocPiece(piece, n);
    std::memset(PieceData(piece), 0, static_cast<size_t>(n));
    piece->Used = n;
    AppendPiece(piece);
    rest -= n;
  }
}

Int64 TCRBlobData::Read(Int64 position, Int64 count, void* dest) {
  Assert(position >= 0 && count >= 0, Unit);
  if (FFirstPiece == nullptr) return 0;
  Int64 size = GetDataSize();
  if (position >= size) return 0;
  if (count == 0 || count > size - position) count = size - position;
  Assert(dest != nullptr, Unit);

  Byte* out = static_cast<Byte*>(dest);
  Int64 left = count;
  Int64 pieceStart = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr && left > 0; piece = piece->Next) {
    Int64 pieceEnd = pieceStart + piece->Used;
    if (position < pieceEnd) {
      Int64 offset = position - pieceStart;
      Int64 n = std::min(pieceEnd - position, left);
      std::memcpy(out, PieceData(piece) + offset, static_cast<size_t>(n));
      out += n;
      position += n;
      left -= n;
    }
    pieceStart = pieceEnd;
  }
  return count;
}

void TCRBlobData::Write(Int64 position, Int64 count, const void* source) {
  FIsNull = false;
  Assert(position >= 0 && count >= 0, Unit);
  if (count == 0) return;
  Assert(source != nullptr, Unit);

  const Byte* in = static_cast<const Byte*>(source);
  Int64 left = count;
  Int64 size = GetDataSize();
  if (position > size) position = size;  // a write never leaves a gap

  // Overwrite the existing bytes in place.
  Int64 pieceStart = 0;
  PPieceHeader lastWithData = nullptr;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    if (piece->Used == 0) continue;
    lastWithData = piece;
    Int64 pieceEnd = pieceStart + piece->Used;
    if (left > 0 && position < pieceEnd) {
      Int64 offset = position - pieceStart;
      Int64 n = std::min(pieceEnd - position, left);
      std::memcpy(PieceData(piece) + offset, in, static_cast<size_t>(n));
      in += n;
      position += n;
      left -= n;
    }
    pieceStart = pieceEnd;
  }
  if (left == 0) return;

  // Append into the spare room of the last piece holding data and of the
  // empty pieces after it; room in front of data must stay unused.
  PPieceHeader piece = lastWithData != nullptr ? lastWithData : FFirstPiece;
  for (; piece != nullptr && left > 0; piece = piece->Next) {
    Int64 n = std::min<Int64>(piece->Size - piece->Used, left);
    if (n <= 0) continue;
    std::memcpy(PieceData(piece) + piece->Used, in, static_cast<size_t>(n));
    piece->Used += static_cast<Integer>(n);
    in += n;
    left -= n;
  }

  // New pieces, no larger than the whole write when that is smaller than a piece.
  Integer newSize = static_cast<Integer>(std::min<Int64>(FPieceSize, count));
  while (left > 0) {
    PPieceHeader fresh;
    AllocPiece(fresh, newSize);
    Integer n = static_cast<Integer>(std::min<Int64>(newSize, left));
    std::memcpy(PieceData(fresh), in, static_cast<size_t>(n));
    fresh->Used = n;
    AppendPiece(fresh);
    in += n;
    left -= n;
  }
}

void TCRBlobData::Compress() {
  PPieceHeader piece = FFirstPiece;
  while (piece != nullptr) {
    PPieceHeader next = piece->Next;
    if (piece->Used == 0) {
      FreePiece(piece);
    } else {
      CompressPiece(piece);
    }
    piece = next;
  }
}

void TCRBlobData::Defrag(Integer minPieceSize) {
  if (FFirstPiece == nullptr) return;
  Int64 size = GetDataSize();
  Int64 target = minPieceSize;
  if (target <= 0 || target > size) target = size;
  target = std::min<Int64>(target, MaxPieceSize);

  // Find the first piece that is short and does not hold all remaining data;
  // empty pieces on the way are dropped.
  Int64 remaining = size;
  PPieceHeader fill = FFirstPiece;
  while (fill != nullptr) {
    PPieceHeader next = fill->Next;
    if (fill->Used == 0) {
      FreePiece(fill);
    } else if (fill->Used < target && fill->Used < remaining) {
      break;
    } else {
      remaining -= fill->Used;
    }
    fill = next;
  }
  if (fill == nullptr) return;

  // Grow the short piece and pour the following pieces into it (and into
  // further pieces of the target size); the sources are freed as they empty.
  ReallocPiece(fill, static_cast<Integer>(target));
  PieceCursor source(fill->Next, remaining - fill->Used);
  fill->Next = nullptr;
  FLastPiece = fill;
  while (source.Remaining() > 0) {
    if (fill->Used == fill->Size) {
      AllocPiece(fill, static_cast<Integer>(std::min(target, source.Remaining())));
      AppendPiece(fill);
    }
    Integer room = fill->Size - fill->Used;
    int n = source.Peek(PieceData(fill) + fill->Used, room);
    if (n == 0) break;  // the pieces hold less than their sizes said
    fill->Used += n;
    source.Skip(n);
  }
}

void TCRBlobData::CopyTo(TCRBlobData* dest) {
  Assert(dest != nullptr && dest != this, Unit);
  dest->Truncate(0);
  dest->FIsNull = FIsNull;
  if (FFirstPiece == nullptr) return;

  // Copy first so that a failed allocation leaves both stores as they were.
  Int64 size = GetDataSize();
  PPieceHeader copyFirst = nullptr;
  PPieceHeader copyLast = nullptr;
  try {
    PPieceHeader from = FFirstPiece;
    Integer fromOffset = 0;
    for (Int64 rest = size; rest > 0;) {
      PPieceHeader piece;
      AllocPiece(piece, static_cast<Integer>(std::min<Int64>(rest, MaxPieceSize)));
      while (piece->Used < piece->Size) {
        if (fromOffset == from->Used) {
          from = from->Next;
          fromOffset = 0;
          continue;
        }
        Integer n = std::min(piece->Size - piece->Used, from->Used - fromOffset);
        std::memcpy(PieceData(piece) + piece->Used, PieceData(from) + fromOffset, static_cast<size_t>(n));
        piece->Used += n;
        fromOffset += n;
      }
      piece->Blob = this;
      piece->Prev = copyLast;
      if (copyLast != nullptr) copyLast->Next = piece; else copyFirst = piece;
      copyLast = piece;
      rest -= piece->Used;
    }
  } catch (...) {
    for (PPieceHeader piece = copyFirst; piece != nullptr;) {
      PPieceHeader next = piece->Next;
      std::free(piece);
      piece = next;
    }
    throw;
  }

  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) piece->Blob = dest;
  dest->FFirstPiece = FFirstPiece;
  dest->FLastPiece = FLastPiece;
  FFirstPiece = copyFirst;
  FLastPiece = copyLast;
}

// --- line ends ---------------------------------------------------------------

template <int UnitSize>
void TCRBlobData::ConvertLineEnds(bool addCR) {
  EnsurePlain();
  if (FFirstPiece == nullptr) return;

  static_assert(UnitSize == 1 || UnitSize == 2);
  static constexpr Byte CRLF[4] = {13, 0, 10, 0};
  static constexpr Byte CRLF8[2] = {13, 10};
  const Byte* crlf = UnitSize == 1 ? CRLF8 : CRLF;
  const Byte* lf = crlf + UnitSize;

  PieceCursor source(FFirstPiece, GetDataSize());
  FFirstPiece = nullptr;
  FLastPiece = nullptr;

  PPieceHeader dest = nullptr;
  auto emit = [&](const Byte* bytes, unsigned n) {
    // Adding keeps room for a whole CR LF; removing fills pieces to the brim.
    Integer need = addCR ? 2 * UnitSize : static_cast<Integer>(n);
    if (dest == nullptr || dest->Size - dest->Used < need) {
      Int64 rest = source.Remaining();
      Int64 size = addCR ? (rest < FPieceSize / 2 ? 2 * rest : FPieceSize) : std::min<Int64>(rest, FPieceSize);
      size = std::min<Int64>(std::max<Int64>(size, need), MaxPieceSize);
      AllocPiece(dest, static_cast<Integer>(size));
      AppendPiece(dest);
    }
    std::memcpy(PieceData(dest) + dest->Used, bytes, n);
    dest->Used += static_cast<Integer>(n);
  };
  auto unitAt = [](const Byte* p) { return UnitSize == 1 ? p[0] : static_cast<Word>(p[0] | (p[1] << 8)); };

  Byte buf[2 * UnitSize];
  while (source.Remaining() > 0) {
    int got = source.Peek(buf, 2 * UnitSize);
    if (got == 0) break;
    if (got < UnitSize) {  // the odd last byte of UTF-16 data
      emit(buf, 1);
      source.Skip(1);
      continue;
    }
    Word unit = unitAt(buf);
    bool pair = unit == 13 && got == 2 * UnitSize && unitAt(buf + UnitSize) == 10;
    if (pair) {
      if (addCR) emit(crlf, 2 * UnitSize); else emit(lf, UnitSize);
      source.Skip(2 * UnitSize);
    } else if (addCR && (unit == 10 || (UnitSize == 1 && unit == 13 && got == 1))) {
      // A lone LF, and a CR that ends 8-bit text, become CR LF.
      emit(crlf, 2 * UnitSize);
      source.Skip(UnitSize);
    } else {
      emit(buf, UnitSize);
      source.Skip(UnitSize);
    }
  }
}

void TCRBlobData::AddCRString() { ConvertLineEnds<1>(true); }
void TCRBlobData::RemoveCRString() { ConvertLineEnds<1>(false); }
void TCRBlobData::AddCRUnicode() { ConvertLineEnds<2>(true); }
void TCRBlobData::RemoveCRUnicode() { ConvertLineEnds<2>(false); }

// --- 8-bit and UTF-16 sizes and positions -------------------------------------

Int64 TCRBlobData::GetSizeAnsi() {
  if (!IsMultiByteAnsiCodePage()) return GetSize() / 2;
  EnsurePlain();
  Int64 size = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    size += static_cast<Int64>(Utf16LengthAsAnsi(PieceUnits(piece)));
  }
  return size;
}

Int64 TCRBlobData::GetSizeUni() {
  if (!IsMultiByteAnsiCodePage()) return GetSize() * 2;
  EnsurePlain();
  Int64 size = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    size += 2 * static_cast<Int64>(AnsiLengthAsUtf16(PieceBytes(piece)));
  }
  return size;
}

Int64 TCRBlobData::TranslatePositionToAnsi(Int64 position) {
  if (position < 0) InvalidPosition();
  if (position == 0) return 0;
  if (!IsMultiByteAnsiCodePage()) {
    if (position > std::numeric_limits<Int64>::max() / 2) InvalidPosition();
    return position * 2;
  }
  EnsurePlain();
  Int64 ansi = 0;
  Int64 uni = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    String units = PieceUnits(piece);
    Int64 pieceAnsi = static_cast<Int64>(Utf16LengthAsAnsi(units));
    if (ansi + pieceAnsi == position) return uni + piece->Used;
    if (ansi + pieceAnsi < position) {
      ansi += pieceAnsi;
      uni += piece->Used;
      continue;
    }
    // The position lies in this piece: it must fall on a character boundary.
    for (size_t i = 0; ansi < position && i < units.size();) {
      size_t n = CharUnits(units, i);
      ansi += static_cast<Int64>(Utf16LengthAsAnsi(StringView(units).substr(i, n)));
      uni += 2 * static_cast<Int64>(n);
      i += n;
    }
    if (ansi == position) return uni;
    InvalidPosition();
  }
  InvalidPosition();
}

Int64 TCRBlobData::TranslatePositionToUni(Int64 position) {
  if (position < 0) InvalidPosition();
  if (position == 0) return 0;
  if (!IsMultiByteAnsiCodePage()) return position / 2;
  EnsurePlain();
  Int64 ansi = 0;
  Int64 uni = 0;
  for (PPieceHeader piece = FFirstPiece; piece != nullptr; piece = piece->Next) {
    String text = AnsiToString(PieceBytes(piece));
    Int64 pieceUni = 2 * static_cast<Int64>(text.size());
    if (uni + pieceUni == position) return ansi + piece->Used;
    if (uni + pieceUni < position) {
      uni += pieceUni;
      ansi += piece->Used;
      continue;
    }
    for (size_t i = 0; uni < position && i < text.size();) {
      size_t n = CharUnits(text, i);
      uni += 2 * static_cast<Int64>(n);
      ansi += static_cast<Int64>(Utf16LengthAsAnsi(StringView(text).substr(i, n)));
      i += n;
    }
    if (uni == position) return ansi;
    InvalidPosition();
  }
  InvalidPosition();
}

// --- piece operations ----------------------------------------------------------

void TCRBlobData::AllocPiece(PPieceHeader& piece, Integer size) {
  Assert(size > 0 && size <= MaxPieceSize, Unit);
  void* memory = std::malloc(sizeof(TPieceHeader) + static_cast<size_t>(size));
  if (memory == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  piece = static_cast<PPieceHeader>(memory);
  *piece = TPieceHeader{nullptr, size, 0, nullptr, nullptr};
}

void TCRBlobData::ReallocPiece(PPieceHeader& piece, Integer size) {
  Assert(piece != nullptr && size >= 0, Unit);
  if (size == 0) {
    FreePiece(piece);
    piece = nullptr;
    return;
  }
  if (size == piece->Size) return;
  Assert(size <= MaxPieceSize && (piece->Blob == nullptr || piece->Blob == this), Unit);
  void* memory = std::realloc(piece, sizeof(TPieceHeader) + static_cast<size_t>(size));
  if (memory == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  PPieceHeader moved = static_cast<PPieceHeader>(memory);
  moved->Size = size;
  if (moved->Used > size) moved->Used = size;
  if (moved->Blob == this) {
    if (moved->Prev != nullptr) moved->Prev->Next = moved; else FFirstPiece = moved;
    if (moved->Next != nullptr) moved->Next->Prev = moved; else FLastPiece = moved;
  }
  piece = moved;
}

void TCRBlobData::FreePiece(PPieceHeader piece) {
  if (piece == nullptr) return;
  if (piece->Blob != nullptr) DeletePiece(piece);
  std::free(piece);
}

void TCRBlobData::AppendPiece(PPieceHeader piece) {
  Assert(piece != nullptr && piece->Blob == nullptr, Unit);
  piece->Blob = this;
  piece->Prev = FLastPiece;
  piece->Next = nullptr;
  if (FLastPiece != nullptr) FLastPiece->Next = piece; else FFirstPiece = piece;
  FLastPiece = piece;
}

void TCRBlobData::DeletePiece(PPieceHeader piece) {
  Assert(piece != nullptr && piece->Blob == this, Unit);
  if (piece->Prev != nullptr) piece->Prev->Next = piece->Next; else FFirstPiece = piece->Next;
  if (piece->Next != nullptr) piece->Next->Prev = piece->Prev; else FLastPiece = piece->Prev;
  piece->Blob = nullptr;
  piece->Prev = nullptr;
  piece->Next = nullptr;
}

void TCRBlobData::CompressPiece(PPieceHeader& piece) {
  if (piece != nullptr && piece->Used < piece->Size) ReallocPiece(piece, piece->Used);
}
