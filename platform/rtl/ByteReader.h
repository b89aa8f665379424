// The one checked reader that every file parser reads through. It reads
// from a span of bytes in memory or from a stream through a window whose
// size a test can set small. Every typed read checks what remains and raises
// the format's own error when the value does not fit; the few unchecked
// reads are named Unsafe... so that a reviewer sees each one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/rtl/Types.h"

class TStream;
class TByteReader;

// Raises the format's error for a read of `wanted` bytes that does not fit
// what remains. It must throw; a raiser that returns is followed by
// EReadError.
using TByteReaderError = void (*)(const TByteReader& reader, size_t wanted);

// The raiser used when a format names none: EReadError with the offset.
[[noreturn]] void RaiseByteReaderError(const TByteReader& reader, size_t wanted);

class TByteReader {
 public:
  static constexpr size_t DefaultWindowSize = 1 << 16;

  // Over bytes in memory; the bytes must outlive the reader.
  TByteReader(const void* data, size_t size, TByteReaderError onError = RaiseByteReaderError)
      : FBegin(static_cast<const Byte*>(data)),
        FPos(FBegin),
        FEnd(FBegin + size),
        FSize(size),
        FOnError(onError ? onError : RaiseByteReaderError) {}
  explicit TByteReader(std::span<const Byte> bytes, TByteReaderError onError = RaiseByteReaderError)
      : TByteReader(bytes.data(), bytes.size(), onError) {}
  // Over the rest of a stream, from its position, read through a window of
  // `windowSize` bytes (it grows only for a single read larger than it).
  TByteReader(TStream& stream, size_t windowSize = DefaultWindowSize,
              TByteReaderError onError = RaiseByteReaderError);
  TByteReader(TByteReader&&) noexcept;
  TByteReader& operator=(TByteReader&&) noexcept;
  TByteReader(const TByteReader&) = delete;
  TByteReader& operator=(const TByteReader&) = delete;
  ~TByteReader();

  // Offset of the next byte from the reader's start.
  UInt64 Position() const { return FBase + static_cast<UInt64>(FPos - FBegin); }
  // Bytes from the position to the end.
  UInt64 Remaining() const { return FSize - Position(); }
  UInt64 Size() const { return FSize; }
  bool AtEnd() const { return Remaining() == 0; }
  // Moves to an offset from the reader's start; past the end is an error.
  void Seek(UInt64 offset);
  void Skip(UInt64 count);

  // Whether n more bytes remain; for formats that treat a short tail as
  // absent rather than wrong (expected failures return a bool).
  bool Has(UInt64 n) const { return n <= Remaining(); }

  Byte U8() { return *Take(1); }
  ShortInt I8() { return static_cast<ShortInt>(U8()); }
  Word U16() { return LoadLE<Word>(Take(2)); }
  SmallInt I16() { return static_cast<SmallInt>(U16()); }
  Cardinal U32() { return LoadLE<Cardinal>(Take(4)); }
  Integer I32() { return static_cast<Integer>(U32()); }
  UInt64 U64() { return LoadLE<UInt64>(Take(8)); }
  Int64 I64() { return static_cast<Int64>(U64()); }
  Word U16BE() { return LoadBE<Word>(Take(2)); }
  SmallInt I16BE() { return static_cast<SmallInt>(U16BE()); }
  Cardinal U32BE() { return LoadBE<Cardinal>(Take(4)); }
  Integer I32BE() { return static_cast<Integer>(U32BE()); }
  UInt64 U64BE() { return LoadBE<UInt64>(Take(8)); }
  Int64 I64BE() { return static_cast<Int64>(U64BE()); }
  float F32();
  double F64();
  double F64BE();

  // The next n bytes, contiguous. In stream mode the view holds until the
  // next read from this reader.
  std::span<const Byte> Bytes(size_t n) { return {Take(n), n}; }
  // The next n bytes copied into `out`.
  void Read(void* out, size_t n);
  // The next n bytes as a string of bytes (8-bit text of a code page).
  AnsiString Ansi(size_t n);
  // A reader over the next n bytes; this reader moves past them. Its errors
  // are this reader's, and its offsets count from its own start. In stream
  // mode it holds only until the next read from this reader.
  TByteReader Sub(size_t n) {
    const Byte* p = Take(n);
    return TByteReader(p, n, FOnError);
  }

  // The bytes from the position to the end of the current window without a
  // check; for scanning loops that then consume what they used with Skip.
  std::span<const Byte> UnsafeWindow() const { return {FPos, static_cast<size_t>(FEnd - FPos)}; }

  // Raises this reader's error for a read of `wanted` bytes; for checks a
  // format makes itself (a count that cannot fit, an offset out of range).
  [[noreturn]] void Fail(size_t wanted = 0) const;
  TByteReaderError ErrorRaiser() const { return FOnError; }

 private:
  template <typename T>
  static T LoadLE(const Byte* p) {
    T v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = static_cast<T>((v << 8) | p[i]);
    return v;
  }
  template <typename T>
  static T LoadBE(const Byte* p) {
    T v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>((v << 8) | p[i]);
    return v;
  }

  const Byte* Take(size_t n) {
    if (static_cast<size_t>(FEnd - FPos) < n) Fill(n);
    const Byte* p = FPos;
    FPos += n;
    return p;
  }
  // Makes n bytes available at FPos or raises the error.
  void Fill(size_t n);

  const Byte* FBegin = nullptr;  // window start; its offset is FBase
  const Byte* FPos = nullptr;
  const Byte* FEnd = nullptr;
  UInt64 FBase = 0;
  UInt64 FSize = 0;
  TByteReaderError FOnError;
  // Stream mode only.
  TStream* FStream = nullptr;
  Int64 FStreamStart = 0;
  size_t FWindowSize = 0;
  std::vector<Byte> FWindow;
};

// --- byte-order marks ----------------------------------------------------------

enum class TByteOrderMark { None, Utf8, Utf16LE, Utf16BE };

// The mark the bytes begin with; `length` receives its size in bytes.
TByteOrderMark DetectByteOrderMark(const void* data, size_t size, size_t* length = nullptr);
// Reads the mark at the reader's position, if any, and moves past it.
TByteOrderMark ReadByteOrderMark(TByteReader& reader);
// Reads a stream's mark from its position, moves past it and leaves the
// stream just after the mark (or where it was when there is none).
TByteOrderMark ReadByteOrderMark(TStream& stream);
// The bytes of a mark, for writers.
std::span<const Byte> ByteOrderMarkBytes(TByteOrderMark mark);
