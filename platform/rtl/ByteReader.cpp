#include "platform/rtl/ByteReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

void RaiseByteReaderError(const TByteReader& reader, size_t wanted) {
  throw EReadError(String(RtlMessages::SReadError) + u": " + IntToStr(static_cast<Int64>(wanted)) +
                   u" bytes wanted at offset " + IntToStr(static_cast<Int64>(reader.Position())) + u", " +
                   IntToStr(static_cast<Int64>(reader.Remaining())) + u" remain");
}

TByteReader::TByteReader(TStream& stream, size_t windowSize, TByteReaderError onError)
    : FOnError(onError ? onError : RaiseByteReaderError),
      FStream(&stream),
      FStreamStart(stream.Position()),
      FWindowSize(std::max<size_t>(windowSize, 1)) {
  Int64 size = stream.Size();
  FSize = size > FStreamStart ? static_cast<UInt64>(size - FStreamStart) : 0;
  FWindow.resize(std::min<UInt64>(FWindowSize, FSize));
  FBegin = FPos = FEnd = FWindow.data();
}

TByteReader::TByteReader(TByteReader&&) noexcept = default;
TByteReader& TByteReader::operator=(TByteReader&&) noexcept = default;
TByteReader::~TByteReader() = default;

void TByteReader::Fail(size_t wanted) const {
  FOnError(*this, wanted);
  RaiseByteReaderError(*this, wanted);
}

void TByteReader::Fill(size_t n) {
  if (n > Remaining()) Fail(n);
  if (!FStream) Fail(n);  // a span holds everything that remains
  // Keep the unread bytes, then read until n (or a whole window) is there.
  size_t kept = static_cast<size_t>(FEnd - FPos);
  UInt64 position = Position();
  size_t want = static_cast<size_t>(std::min<UInt64>(std::max(n, FWindowSize), Remaining()));
  if (FWindow.size() < want) {
    std::vector<Byte> bigger(want);
    std::memcpy(bigger.data(), FPos, kept);
    FWindow.swap(bigger);
  } else if (kept > 0) {
    std::memmove(FWindow.data(), FPos, kept);
  }
  Byte* base = FWindow.data();
  size_t have = kept;
  while (have < want) {
    Int64 got = FStream->Read(base + have, static_cast<Int64>(want - have));
    if (got <= 0) break;
    have += static_cast<size_t>(got);
  }
  FBegin = FPos = base;
  FEnd = base + have;
  FBase = position;
  if (have < n) {
    // The stream ended before its size said: what remains is what was read.
    FSize = FBase + have;
    Fail(n);
  }
}

void TByteReader::Seek(UInt64 offset) {
  if (offset > FSize) {
    FPos = FEnd;
    Fail(static_cast<size_t>(std::min<UInt64>(offset - Position(), SIZE_MAX)));
  }
  UInt64 windowLength = static_cast<UInt64>(FEnd - FBegin);
  if (offset >= FBase && offset - FBase <= windowLength) {
    FPos = FBegin + (offset - FBase);
    return;
  }
  FStream->Seek(FStreamStart + static_cast<Int64>(offset), TSeekOrigin::soBeginning);
  FBase = offset;
  FBegin = FPos = FEnd = FWindow.data();
}

void TByteReader::Skip(UInt64 count) {
  if (count > Remaining()) Fail(static_cast<size_t>(std::min<UInt64>(count, SIZE_MAX)));
  Seek(Position() + count);
}

float TByteReader::F32() { return std::bit_cast<float>(U32()); }
double TByteReader::F64() { return std::bit_cast<double>(U64()); }
double TByteReader::F64BE() { return std::bit_cast<double>(U64BE()); }

void TByteReader::Read(void* out, size_t n) {
  if (n == 0) return;
  if (n > Remaining()) Fail(n);
  // Large reads from a stream go straight to the destination in window-sized
  // pieces, so the window never grows for them.
  auto* dest = static_cast<Byte*>(out);
  while (n > 0) {
    size_t piece = std::min(n, FStream ? std::max<size_t>(FWindowSize, 1) : n);
    std::memcpy(dest, Take(piece), piece);
    dest += piece;
    n -= piece;
  }
}

AnsiString TByteReader::Ansi(size_t n) {
  if (n > Remaining()) Fail(n);
  AnsiString s(n, '\0');
  Read(s.data(), n);
  return s;
}

// --- byte-order marks ----------------------------------------------------------

TByteOrderMark DetectByteOrderMark(const void* data, size_t size, size_t* length) {
  const auto* b = static_cast<const Byte*>(data);
  TByteOrderMark mark = TByteOrderMark::None;
  size_t n = 0;
  if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    mark = TByteOrderMark::Utf8;
    n = 3;
  } else if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    mark = TByteOrderMark::Utf16LE;
    n = 2;
  } else if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    mark = TByteOrderMark::Utf16BE;
    n = 2;
  }
  if (length) *length = n;
  return mark;
}

TByteOrderMark ReadByteOrderMark(TByteReader& reader) {
  Byte head[3] = {};
  size_t have = static_cast<size_t>(std::min<UInt64>(3, reader.Remaining()));
  UInt64 start = reader.Position();
  reader.Read(head, have);
  size_t length = 0;
  TByteOrderMark mark = DetectByteOrderMark(head, have, &length);
  reader.Seek(start + length);
  return mark;
}

TByteOrderMark ReadByteOrderMark(TStream& stream) {
  Byte head[3] = {};
  Int64 start = stream.Position();
  Int64 got = stream.Read(head, 3);
  size_t length = 0;
  TByteOrderMark mark = DetectByteOrderMark(head, got > 0 ? static_cast<size_t>(got) : 0, &length);
  stream.Seek(start + static_cast<Int64>(length), TSeekOrigin::soBeginning);
  return mark;
}

std::span<const Byte> ByteOrderMarkBytes(TByteOrderMark mark) {
  static constexpr Byte utf8[] = {0xEF, 0xBB, 0xBF};
  static constexpr Byte le[] = {0xFF, 0xFE};
  static constexpr Byte be[] = {0xFE, 0xFF};
  switch (mark) {
    case TByteOrderMark::Utf8: return utf8;
    case TByteOrderMark::Utf16LE: return le;
    case TByteOrderMark::Utf16BE: return be;
    default: return {};
  }
}
