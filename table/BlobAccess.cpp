// Blob fields through the record set: reads, writes and sizes counted in the
// caller's encoding (8-bit text in the system ANSI code page, or UTF-16),
// converted when the blob holds the other one.
//
// Every position, count and size is checked before it reaches the blob: a
// negative one, or a UTF-16 byte position that falls inside a character,
// raises "Invalid BLOB position"; a count that reaches past the end is cut at
// the end, and a write past the end appends, in either encoding.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "table/Blob.h"
#include "table/CompressedBlob.h"
#include "table/Data.h"

namespace {

constexpr char16_t Unit[] = u"MemData";

[[noreturn]] void InvalidPosition() { throw Exception(u"Invalid BLOB position"); }

void CheckNotNegative(Int64 value) {
  if (value < 0) InvalidPosition();
}

// Shows the blob's rollback copy (when asked for and there is one) for the
// length of one call; the current data is back in view afterwards, also when
// the call fails.
class RollbackView {
 public:
  RollbackView(TBlob* blob, bool fromRollback) : FBlob(blob) { blob->SetUseRollback(fromRollback); }
  ~RollbackView() { FBlob->SetUseRollback(false); }
  RollbackView(const RollbackView&) = delete;
  RollbackView& operator=(const RollbackView&) = delete;

 private:
  TBlob* FBlob;
};

// Size of the value in the caller's bytes.
Int64 CallerSize(TBlob* blob, bool trueUnicode) {
  if (trueUnicode == blob->IsUnicode()) return blob->GetSize();
  return trueUnicode ? blob->GetSizeUni() : blob->GetSizeAnsi();
}

// The byte position in the blob's own form of a position counted in the
// caller's bytes (the encodings differ). A UTF-16 position must fall between
// two units; the blob checks the character boundaries of a multibyte code page.
Int64 BlobPosition(TBlob* blob, Int64 callerPosition, bool trueUnicode) {
  if (!trueUnicode) return blob->TranslatePositionToAnsi(callerPosition);
  if (callerPosition % 2 != 0) InvalidPosition();
  return blob->TranslatePositionToUni(callerPosition);
}

// Copies a caller's UTF-16 bytes into whole units (an odd last byte is not a
// unit); the caller's buffer need not be aligned.
String UnitsOf(const void* source, Int64 byteCount) {
  String units(static_cast<size_t>(byteCount / 2), u'\0');
  if (!units.empty()) std::memcpy(units.data(), source, units.size() * 2);
  return units;
}

// Length in bytes of zero-terminated text: 8-bit, or UTF-16 read unit by unit
// so that an unaligned buffer is fine.
Int64 ZeroTerminatedSize(const void* source, bool trueUnicode) {
  const auto* bytes = static_cast<const Byte*>(source);
  if (!trueUnicode) return static_cast<Int64>(std::strlen(reinterpret_cast<const char*>(bytes)));
  Int64 n = 0;
  for (;; n += 2) {
    char16_t unit;
    std::memcpy(&unit, bytes + n, sizeof unit);
    if (unit == 0) return n;
  }
}

// Reads the value in the other encoding: the caller's range [position,
// position + count) is cut at the end of the value (count 0: to the end),
// mapped to the blob's bytes, converted, and at most that many caller bytes
// are delivered.
Int64 ReadConverted(TBlob* blob, Int64 position, Int64 count, void* dest, bool trueUnicode) {
  if (trueUnicode && position % 2 != 0) InvalidPosition();
  Int64 size = CallerSize(blob, trueUnicode);
  if (position >= size) return 0;
  Int64 room = size - position;
  if (count > 0 && count < room) room = count;
  if (trueUnicode) room &= ~Int64{1};  // whole units only
  if (room == 0) return 0;

  Int64 from = BlobPosition(blob, position, trueUnicode);
  Int64 to = BlobPosition(blob, position + room, trueUnicode);
  std::string bytes(static_cast<size_t>(to - from), '\0');
  if (!bytes.empty()) bytes.resize(static_cast<size_t>(blob->Read(from, to - from, bytes.data())));

  std::string out;
  if (trueUnicode) {
    String text = AnsiToString(bytes);
    out.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  } else {
    out = StringToAnsi(UnitsOf(bytes.data(), static_cast<Int64>(bytes.size())));
  }
  Int64 n = std::min(static_cast<Int64>(out.size()), room);
  Assert(dest != nullptr || n == 0, Unit);
  if (n > 0) std::memcpy(dest, out.data(), static_cast<size_t>(n));
  return n;
}

// Writes the caller's text converted to the blob's encoding at the matching
// position; a position past the end appends.
void WriteConverted(TBlob* blob, Int64 position, Int64 count, const void* source, bool trueUnicode) {
  if (trueUnicode && position % 2 != 0) InvalidPosition();
  std::string bytes;
  if (trueUnicode) {
    bytes = StringToAnsi(UnitsOf(source, count));
  } else {
    String text = AnsiToString(std::string_view(static_cast<const char*>(source), static_cast<size_t>(count)));
    bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  }
  Int64 at = BlobPosition(blob, std::min(position, CallerSize(blob, trueUnicode)), trueUnicode);
  blob->Write(at, static_cast<Int64>(bytes.size()), bytes.data());
}

// A compressed value can only be emptied or kept at its size; any other new
// size needs its plain form first.
void PrepareResize(TBlob* blob, Int64 newSize) {
  if (newSize == 0 || newSize == blob->GetSize()) return;
  if (auto* compressed = dynamic_cast<TCompressedBlob*>(blob)) compressed->SetCompressed(false);
}

}  // namespace

Int64 TData::ReadBlob(TBlob* blob, Int64 position, Int64 count, void* dest, bool fromRollback, bool trueUnicode) {
  Assert(blob != nullptr, Unit);
  CheckNotNegative(position);
  CheckNotNegative(count);
  RollbackView view(blob, fromRollback);
  if (trueUnicode == blob->IsUnicode()) return blob->Read(position, count, dest);
  return ReadConverted(blob, position, count, dest, trueUnicode);
}

Int64 TData::ReadBlob(TFieldDesc* field, TRecBuf recBuf, Int64 position, Int64 count, void* dest,
                      bool fromRollback, bool trueUnicode) {
  return ReadBlob(GetObject(field, recBuf), position, count, dest, fromRollback, trueUnicode);
}

// A negative count means the text up to its zero byte (8-bit) or zero unit
// (UTF-16), in either encoding.
void TData::WriteBlob(TBlob* blob, Int64 position, Int64 count, const void* source, bool trueUnicode) {
  Assert(blob != nullptr, Unit);
  CheckNotNegative(position);
  if (count < 0) count = source == nullptr ? 0 : ZeroTerminatedSize(source, trueUnicode);
  Assert(source != nullptr || count == 0, Unit);
  blob->EnableRollback();
  if (trueUnicode == blob->IsUnicode()) {
    blob->Write(position, count, source);
  } else {
    WriteConverted(blob, position, count, source, trueUnicode);
  }
}

void TData::WriteBlob(TFieldDesc* field, TRecBuf recBuf, Int64 position, Int64 count, const void* source,
                      bool trueUnicode) {
  WriteBlob(GetObject(field, recBuf), position, count, source, trueUnicode);
  SetNull(field, recBuf, false);
}

Int64 TData::TruncateBlob(TBlob* blob, Int64 size, bool trueUnicode) {
  Assert(blob != nullptr, Unit);
  CheckNotNegative(size);
  blob->EnableRollback();
  if (trueUnicode != blob->IsUnicode()) size = BlobPosition(blob, size, trueUnicode);
  blob->Truncate(size);
  return size;
}

Int64 TData::TruncateBlob(TFieldDesc* field, TRecBuf recBuf, Int64 size, bool trueUnicode) {
  Int64 result = TruncateBlob(GetObject(field, recBuf), size, trueUnicode);
  if (result == 0) SetNull(field, recBuf, true);
  return result;
}

Int64 TData::GetBlobSize(TBlob* blob, bool fromRollback, bool trueUnicode) {
  Assert(blob != nullptr, Unit);
  RollbackView view(blob, fromRollback);
  return CallerSize(blob, trueUnicode);
}

Int64 TData::GetBlobSize(TFieldDesc* field, TRecBuf recBuf, bool fromRollback, bool trueUnicode) {
  TBlob* blob = GetObject(field, recBuf);
  if (GetNull(field, recBuf)) return 0;
  return GetBlobSize(blob, fromRollback, trueUnicode);
}

// Growing in the other encoding adds the zero bytes that stand for the
// missing caller bytes; cutting maps the new size like a position.
void TData::SetBlobSize(TBlob* blob, Int64 newSize, bool fromRollback, bool trueUnicode) {
  Assert(blob != nullptr, Unit);
  CheckNotNegative(newSize);
  RollbackView view(blob, fromRollback);
  Int64 target = newSize;
  if (trueUnicode != blob->IsUnicode()) {
    Int64 callerSize = CallerSize(blob, trueUnicode);
    if (callerSize < newSize) {
      Int64 missing = newSize - callerSize;
      if (!trueUnicode && missing > std::numeric_limits<Int64>::max() / 4) InvalidPosition();
      target = blob->GetSize() + (trueUnicode ? missing / 2 : 2 * missing);
    } else {
      target = BlobPosition(blob, newSize, trueUnicode);
    }
  }
  PrepareResize(blob, target);
  blob->SetSize(target);
}

void TData::SetBlobSize(TFieldDesc* field, TRecBuf recBuf, Int64 newSize, bool fromRollback, bool trueUnicode) {
  TBlob* blob = GetObject(field, recBuf);
  SetNull(field, recBuf, false);
  SetBlobSize(blob, newSize, fromRollback, trueUnicode);
}
