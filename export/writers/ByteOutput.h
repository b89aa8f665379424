// Bytes of the binary and 8-bit writers (DBF, SYLK, DIF, WK1, WQ1, SPSS,
// PDF): little- and big-endian numbers, and 8-bit text: cell texts in the
// ANSI code page, or, under the OEM and EBCDIC character sets, the bytes the
// character-set conversion already made (one per character), so no text is
// converted twice.
#pragma once

#include <cstring>
#include <string>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

// Appends the bytes of the text to `out`; ASCII is copied in one pass.
inline void AppendAnsiBytes(StringView text, bool carriesBytes, std::string& out) {
  const size_t start = out.size();
  out.resize(start + text.size());
  char* to = out.data() + start;
  for (char16_t c : text) {
    if (c >= 0x80 && !carriesBytes) {
      out.resize(start);
      out += StringToAnsi(text);
      return;
    }
    *to++ = static_cast<char>(c & 0xFF);
  }
}

// Replaces `out` with the bytes of the text.
inline void AnsiBytes(StringView text, bool carriesBytes, std::string& out) {
  out.clear();
  AppendAnsiBytes(text, carriesBytes, out);
}

inline void PutLE16(char* at, Cardinal value) {
  at[0] = static_cast<char>(value & 0xFF);
  at[1] = static_cast<char>((value >> 8) & 0xFF);
}
inline void PutLE32(char* at, Cardinal value) {
  PutLE16(at, value & 0xFFFF);
  PutLE16(at + 2, value >> 16);
}
// Reverses the byte order of a 32-bit number.
inline Cardinal SwapInt(Cardinal value) {
  return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}
inline void PutBE32(char* at, Cardinal value) { PutLE32(at, SwapInt(value)); }

inline void AppendLE16(std::string& out, Cardinal value) {
  char bytes[2];
  PutLE16(bytes, value);
  out.append(bytes, 2);
}
inline void AppendLE32(std::string& out, Cardinal value) {
  char bytes[4];
  PutLE32(bytes, value);
  out.append(bytes, 4);
}
inline void AppendDouble(std::string& out, double value) {
  static_assert(sizeof(double) == 8);
  char bytes[8];
  std::memcpy(bytes, &value, 8);  // IEEE little-endian on every target we build for
  out.append(bytes, 8);
}

// Writes a 32-bit number over the bytes at `at` of a stream already written,
// and returns to its end: counts a header announced before the rows.
inline void PatchLE32(TStream& stream, Int64 at, Cardinal value) {
  char bytes[4];
  PutLE32(bytes, value);
  const Int64 end = stream.Position();
  stream.SetPosition(at);
  stream.WriteBuffer(bytes, 4);
  stream.SetPosition(end);
}
