#include "import/readers/WorksheetRecords.h"

#include <algorithm>
#include <string>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

TAlignment GetAlignment(Byte prefix) {
  switch (prefix) {
    case '"': return taRightJustify;
    case '^': return taCenter;
    default: return taLeftJustify;
  }
}

String LabelText(std::span<const Byte> bytes) {
  if (!bytes.empty() && bytes.back() == 0) bytes = bytes.first(bytes.size() - 1);
  std::string text(bytes.begin(), bytes.end());
  std::replace(text.begin(), text.end(), '\0', ' ');
  return AnsiToString(text);
}

void RaiseWorksheetDamaged(const TByteReader&, size_t) { throw ESMIFileFormatException(String(strEInvalidFileFormat)); }

std::vector<Byte> ReadRestOfStream(TStream& stream) {
  std::vector<Byte> bytes(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return bytes;
}

bool NextWorksheetRecord(TByteReader& stream, TBIFFRecordHeader& header, TByteReader& data, bool partialEnds) {
  if (stream.AtEnd()) return false;
  if (partialEnds) {
    if (stream.Remaining() < 4) return false;
    const UInt64 at = stream.Position();
    stream.Skip(2);
    const Word length = stream.U16();
    stream.Seek(at);
    if (length > stream.Remaining() - 4) return false;
  }
  header.ID = stream.U16();
  header.Len = stream.U16();
  data = stream.Sub(header.Len);
  return true;
}

String Utf16Text(std::span<const Byte> bytes) {
  String text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return text;
}

Byte U8At(TByteReader& data, UInt64 offset) {
  data.Seek(offset);
  return data.U8();
}

Word U16At(TByteReader& data, UInt64 offset) {
  data.Seek(offset);
  return data.U16();
}

SmallInt I16At(TByteReader& data, UInt64 offset) { return static_cast<SmallInt>(U16At(data, offset)); }

Cardinal U32At(TByteReader& data, UInt64 offset) {
  data.Seek(offset);
  return data.U32();
}

double F64At(TByteReader& data, UInt64 offset) {
  data.Seek(offset);
  return data.F64();
}

std::span<const Byte> TailAt(TByteReader& data, UInt64 offset) {
  data.Seek(offset);
  return data.Bytes(static_cast<size_t>(data.Remaining()));
}
