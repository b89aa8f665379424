// What the Lotus 1-2-3 and Quattro Pro readers share: both files are a
// stream of little-endian records (a 16-bit type, a 16-bit length, the
// data), and both store labels as 8-bit text behind a one-character
// alignment prefix.
#pragma once

#include <span>
#include <vector>

#include "import/readers/SpreadSheetFile.h"
#include "platform/rtl/ByteReader.h"

// The alignment a label prefix stands for: "'" left, "\"" right, "^"
// centred (anything else left), as our WK1 and WQ1 writers write them.
TAlignment GetAlignment(Byte prefix);

// A label's stored bytes as text in the ANSI code page: the terminating
// zero byte is not part of the text, and a zero byte inside it reads as a
// space.
String LabelText(std::span<const Byte> bytes);

// The error of a damaged worksheet: "Invalid file version or file
// format." (ESMIFileFormatException); the raiser of the readers' byte
// readers.
[[noreturn]] void RaiseWorksheetDamaged(const TByteReader& reader, size_t wanted);

// The whole rest of a stream, for readers that walk a file in memory.
std::vector<Byte> ReadRestOfStream(TStream& stream);

// The next record of a record stream: its header and a reader over its
// data. False at the end. A header or data cut short raises the reader's
// error, or, with partialEnds (the bytes after a file's end record), ends
// the walk.
bool NextWorksheetRecord(TByteReader& stream, TBIFFRecordHeader& header, TByteReader& data, bool partialEnds);

// Reads at an offset of a record's data (checked like every read).
Byte U8At(TByteReader& data, UInt64 offset);
Word U16At(TByteReader& data, UInt64 offset);
// Integer cells of both formats hold signed 16-bit values.
SmallInt I16At(TByteReader& data, UInt64 offset);
Cardinal U32At(TByteReader& data, UInt64 offset);
double F64At(TByteReader& data, UInt64 offset);
// The bytes from the offset to the record's end.
std::span<const Byte> TailAt(TByteReader& data, UInt64 offset);

// UTF-16 text of the bytes (an odd last byte is not read).
String Utf16Text(std::span<const Byte> bytes);
