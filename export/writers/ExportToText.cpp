#include "export/writers/ExportToText.h"

#include <cmath>

#include "export/DataLevels.h"
#include "export/ExportFields.h"
#include "export/ExportText.h"
#include "platform/db/Field.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/TextConvert.h"

namespace ZAZ2TXT {
TSMETextQualifying defTextQualifying = tqStringOnly;
}

namespace {

// The wizard stores "none" for a separator or qualifier as character 0.
bool IsNone(const String& text) { return text.size() == 1 && text[0] == u'\0'; }

// Every occurrence of the qualifier doubled, and the qualifier around it all.
void AppendQualified(String& out, StringView text, StringView qualifier) {
  out.append(qualifier);
  size_t from = 0;
  for (size_t at = text.find(qualifier); at != StringView::npos; at = text.find(qualifier, from)) {
    out.append(text.substr(from, at + qualifier.size() - from));
    out.append(qualifier);
    from = at + qualifier.size();
  }
  out.append(text.substr(from));
  out.append(qualifier);
}

}  // namespace

TRODirezaToText::TRODirezaToText(TComponent* owner)
    : TRODirezaToCellBufferedFile(owner), TextQualifying(ZAZ2TXT::defTextQualifying) {
  Options &= static_cast<TSMOptions>(~OptionBit(soBlankRowAfterCaptions));
  SetTableType(teText);
}

String TRODirezaToText::GetFieldStr(TField* field) {
  if (field != nullptr && HasOption(Options, soFieldMask) && !field->IsNull()) {
    switch (field->DataType()) {
      case ftDate:
        return FormatDateTime(DataFormats.GetDateFormat(), field->AsDateTime());
      case ftTime:
        return FormatDateTime(DataFormats.GetTimeFormat(), field->AsDateTime());
      case ftDateTime: {
        const TDateTime value = field->AsDateTime();
        double whole;
        const bool hasTime = std::modf(value, &whole) != 0;
        return FormatDateTime(hasTime ? DataFormats.GetDateTimeFormat() : DataFormats.GetDateFormat(), value);
      }
      default:
        break;
    }
  }
  return TRODirezaToCellBufferedFile::GetFieldStr(field);
}

String TRODirezaToText::Markup(const String& text) const {
  return IsByteCharacterSet() ? ConvertCharacterSet(text) : text;
}

void TRODirezaToText::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  FSeparator = Markup(Separator);
  FQualifier = Markup(TextQualifier);
  FRecordSeparator = Markup(RecordSeparator);
  FHasSeparator = !IsNone(Separator);
  FHasQualifier = !TextQualifier.empty() && !IsNone(TextQualifier);
  FRow.clear();
  WriteByteOrderMark();
}

void TRODirezaToText::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  FColWidths.assign(static_cast<size_t>(std::max<Integer>(colCount, 0)), 0);
}

void TRODirezaToText::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCellBufferedFile::WriteColWidth(column, width);
  if (column >= 0 && static_cast<size_t>(column) < FColWidths.size()) FColWidths[static_cast<size_t>(column)] = width;
}

void TRODirezaToText::WriteDataBegin() {
  if (Statistic.CurrentDataLevel > 0) FRow.append(FRecordSeparator);
  FTitleBlockRows = 0;
  TRODirezaToCellBufferedFile::WriteDataBegin();
}

void TRODirezaToText::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  if (Statistic.CurrentSection == esTitle) ++FTitleBlockRows;
  FBlankTitleRow = Statistic.CurrentSection == esTitle && FTitleBlockRows == 2 && AddTitle &&
                   HasOption(Options, soBlankRowAfterCaptions);
}

void TRODirezaToText::WriteRowEnd() {
  FRow.append(FRecordSeparator);
  FlushRow();
  FBlankTitleRow = false;
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToText::FlushRow() {
  WriteString(FRow);
  FRow.clear();
}

void TRODirezaToText::WriteFooter() {
  TRODirezaToCellBufferedFile::WriteFooter();
  FlushRow();
  if (AddCtrlZ) WriteString(String(1, u'\x1A'));
}

bool TRODirezaToText::IsQualified(TField* field, TCellType cellType, StringView text) const {
  if (TextQualifying == tqAny) return true;
  if (field == nullptr) return cellType == ctString;
  if (TextQualifying == tqStringOnly && IsStringField(field)) return true;
  const bool numeric = IsNumericField(field);
  if (TextQualifying == tqNoNumber && !numeric) return true;
  return numeric && !Separator.empty() && text.find(Separator) != StringView::npos;
}

bool TRODirezaToText::IsPlainCell(TField* field, TCellType cellType) const {
  // Qualifying that does not depend on the text is decided here; a
  // numeric field's text must be seen (it is qualified when it holds the
  // separator).
  if (Fixed) return false;
  if (!FHasQualifier) return true;
  if (TextQualifying == tqAny) return false;
  if (field == nullptr) return cellType != ctString;
  if (TextQualifying == tqStringOnly && IsStringField(field)) return false;
  const bool numeric = IsNumericField(field);
  if (TextQualifying == tqNoNumber && !numeric) return false;
  return !numeric;
}

void TRODirezaToText::AppendCell(TField* field, TCellType cellType, Integer column, StringView text,
                                 TAlignment alignment) {
  const TSMEDataLevel* detail = Statistic.CurrentDataLevel > 0 ? Statistic.CurrentDetailLevel : nullptr;
  if (detail != nullptr) FRow.append(static_cast<size_t>(std::max<Integer>(detail->ShiftCount, 0)) * 2, u' ');
  StringView value = text;
  if (Fixed) {
    Integer width = 0;
    if (detail != nullptr) {
      if (column >= 0 && column < detail->Columns.Count()) width = detail->Columns[column].Width;
    } else if (column >= 0 && static_cast<size_t>(column) < FColWidths.size()) {
      width = FColWidths[static_cast<size_t>(column)];
    }
    FValue.clear();
    if (alignment == taRightJustify)
      AppendPadLSpace(FValue, text, width);
    else if (alignment == taCenter)
      AppendPadCSpace(FValue, text, width);
    else
      AppendPadRSpace(FValue, text, width);
    value = FValue;
  }
  if (FHasQualifier && IsQualified(field, cellType, text))
    AppendQualified(FRow, value, FQualifier);
  else
    FRow.append(value);
  AppendCellEnd(column);
}

void TRODirezaToText::AppendCellEnd(Integer column) {
  if (column < LastExportColumnCount() - 1 && FHasSeparator && IsDataArea && !FBlankTitleRow)
    FRow.append(FSeparator);
}

void TRODirezaToText::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  AppendCell(field, cellType, column, text, alignment);
}

void TRODirezaToText::WriteCell(const TCellValue& cell, Integer, Integer column, TAlignment alignment,
                                const TFont*, TColor) {
  // Most cells are their text and a separator: straight into the row.
  if (Statistic.CurrentDataLevel == 0 && IsPlainCell(cell.Field, cell.CellType)) {
    AppendCellText(cell, FRow);
    AppendCellEnd(column);
    return;
  }
  FCellText.clear();
  AppendCellText(cell, FCellText);
  AppendCell(cell.Field, cell.CellType, column, FCellText, alignment);
}
