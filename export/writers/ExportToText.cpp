#include "export/writers/ExportToText.h"

#include <cmath>

#include "export/DataLevels.h"
#include "export/ExportFields.h"
#include "export/ExportText.h"
#include "platform/db/Field.h"
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
  if (Statistic.CurrentDataLevel > 0) WriteString(Markup(RecordSeparator));
  TRODirezaToCellBufferedFile::WriteDataBegin();
}

void TRODirezaToText::WriteRowEnd() {
  WriteString(FRecordSeparator);
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToText::WriteFooter() {
  TRODirezaToCellBufferedFile::WriteFooter();
  if (AddCtrlZ) WriteString(String(1, u'\x1A'));
}

bool TRODirezaToText::IsQualified(TField* field, TCellType cellType, const String& text) const {
  if (TextQualifying == tqAny) return true;
  if (field == nullptr) return cellType == ctString;
  if (TextQualifying == tqStringOnly && IsStringField(field)) return true;
  const bool numeric = IsNumericField(field);
  if (TextQualifying == tqNoNumber && !numeric) return true;
  return numeric && !Separator.empty() && text.find(Separator) != String::npos;
}

void TRODirezaToText::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  const TSMEDataLevel* detail = Statistic.CurrentDataLevel > 0 ? Statistic.CurrentDetailLevel : nullptr;

  FCell.clear();
  if (detail != nullptr) FCell.append(static_cast<size_t>(std::max<Integer>(detail->ShiftCount, 0)) * 2, u' ');
  StringView value = text;
  String padded;
  if (Fixed) {
    Integer width = 0;
    if (detail != nullptr) {
      if (column >= 0 && column < detail->Columns.Count()) width = detail->Columns[column].Width;
    } else if (column >= 0 && static_cast<size_t>(column) < FColWidths.size()) {
      width = FColWidths[static_cast<size_t>(column)];
    }
    if (alignment == taRightJustify)
      padded = PadLSpace(text, width);
    else if (alignment == taCenter)
      padded = PadCSpace(text, width);
    else
      padded = PadRSpace(text, width);
    value = padded;
  }
  if (FHasQualifier && IsQualified(field, cellType, text))
    AppendQualified(FCell, value, FQualifier);
  else
    FCell.append(value);

  const bool blankRowAfterTitles = AddTitle && HasOption(Options, soBlankRowAfterCaptions) &&
                                   row == static_cast<Integer>(Header.size()) + 1;
  if (column < LastExportColumnCount() - 1 && FHasSeparator && IsDataArea && !blankRowAfterTitles)
    FCell.append(FSeparator);
  WriteString(FCell);
}
