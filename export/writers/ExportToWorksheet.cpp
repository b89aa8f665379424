#include "export/writers/ExportToWorksheet.h"

#include <algorithm>

#include "export/writers/ByteOutput.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

enum : Word { opBOF = 0, opEOF = 1, opRange = 6, opColW1 = 8, opBlank = 12, opInteger = 13, opNumber = 14, opLabel = 15 };

// Prefix, text and terminating zero of a label take at most 255 bytes.
constexpr size_t kMaxLabelText = 253;

char LabelPrefix(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return '"';
    case taCenter: return '^';
    default: return '\'';
  }
}

}  // namespace

void TRODirezaToWorksheet::WriteRecord(Word opcode, const std::string& data) {
  char header[4];
  PutLE16(header, opcode);
  PutLE16(header + 2, static_cast<Cardinal>(data.size()));
  WriteBytes(header, 4);
  WriteBytes(data.data(), data.size());
}

void TRODirezaToWorksheet::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  FData.clear();
  AppendLE16(FData, BofVersion());
  WriteRecord(opBOF, FData);
}

void TRODirezaToWorksheet::WriteFileEnd() {
  TRODirezaToCellBufferedFile::WriteFileEnd();
  WriteRecord(opEOF, std::string());
}

void TRODirezaToWorksheet::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  colCount = std::min(colCount, MaxColumns - 1);
  // The range is that of the cells written: in the columnar layout the
  // exported columns, the title and records, and the header and footer lines
  // (in the second column).
  Integer lastRow = rowCount - 1, lastColumn = colCount - 1;
  if (Layout == elColumnar) {
    const Integer lines = static_cast<Integer>(Header.size() + Footer.size());
    lastRow = rowCount + lines - 1;
    lastColumn = std::max(colCount - 2, lines > 0 ? 1 : 0);
  }
  if (lastRow >= MaxRows)
    throw ERangeError(Format(u"A worksheet holds at most %d rows; this export needs %d.", {Int64{MaxRows}, Int64{lastRow + 1}}));
  FData.clear();
  AppendLE16(FData, 0);
  AppendLE16(FData, 0);
  AppendLE16(FData, static_cast<Cardinal>(std::max(lastColumn, 0)));
  AppendLE16(FData, static_cast<Cardinal>(std::max(lastRow, 0)));
  WriteRecord(opRange, FData);
}

void TRODirezaToWorksheet::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCellBufferedFile::WriteColWidth(column, width);
  if (!WritesColumnWidths() || width <= 0 || column >= MaxColumns) return;
  if (width == 10) width = 12;
  FData.clear();
  AppendLE16(FData, static_cast<Cardinal>(column));
  FData += static_cast<char>(std::min(width, 255));
  WriteRecord(opColW1, FData);
}

void TRODirezaToWorksheet::WriteData(TField* field, TCellType cellType, Integer row, Integer column,
                                     const String& text, TAlignment alignment, const TFont* font, TColor color) {
  if (column >= MaxColumns) return;
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  if (row >= MaxRows)
    throw ERangeError(Format(u"A worksheet holds at most %d rows; row %d cannot be written.", {Int64{MaxRows}, Int64{row + 1}}));
  if (HasOption(Options, soFieldMask)) cellType = ctString;
  Integer integer = 0;
  if (cellType == ctInteger) {
    integer = StrToIntDef(Trim(text), 0);
    if (integer < -32767 || integer > 32767) cellType = ctDouble;
  }
  Word opcode;
  switch (cellType) {
    case ctBlank: opcode = opBlank; break;
    case ctInteger: opcode = opInteger; break;
    case ctDouble: case ctCurrency: opcode = opNumber; break;
    default: opcode = opLabel; break;
  }
  FData.clear();
  FData += static_cast<char>(FormatByte(opcode));
  AppendLE16(FData, static_cast<Cardinal>(column));
  AppendLE16(FData, static_cast<Cardinal>(row));
  switch (opcode) {
    case opInteger:
      AppendLE16(FData, static_cast<Cardinal>(integer) & 0xFFFF);
      break;
    case opNumber:
      AppendDouble(FData, StrToFloatDef(Trim(text), 0.0));
      break;
    case opLabel: {
      AnsiBytes(text, IsByteCharacterSet(), FBytes);
      if (FBytes.size() > kMaxLabelText) FBytes.resize(kMaxLabelText);
      // A zero byte would end the label early.
      std::replace(FBytes.begin(), FBytes.end(), '\0', ' ');
      // A Quattro label has one more byte before its prefix.
      if (LabelPadding()) FData += '\0';
      FData += LabelPrefix(alignment);
      FData += FBytes;
      FData += '\0';
      break;
    }
    default:
      break;
  }
  WriteRecord(opcode, FData);
}

TRODirezaToWKS::TRODirezaToWKS(TComponent* owner) : TRODirezaToWorksheet(owner) { SetTableType(teWKS); }

Byte TRODirezaToWKS::FormatByte(Word opcode) const {
  switch (opcode) {
    case opBlank: return 0x22;
    case opInteger: return 0x82;
    default: return 0xF1;
  }
}

TRODirezaToQuattro::TRODirezaToQuattro(TComponent* owner) : TRODirezaToWorksheet(owner) { SetTableType(teQuattro); }
