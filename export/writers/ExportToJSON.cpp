#include "export/writers/ExportToJSON.h"

#include <cmath>

#include "export/ExportFields.h"
#include "export/ExportText.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t kCrLf[] = u"\r\n";
constexpr TDateTime kUnixEpoch = 25569;  // 1970-01-01

// A JSON number: -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
bool IsJsonNumber(StringView t) {
  size_t i = 0;
  auto digits = [&] {
    const size_t from = i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') ++i;
    return i - from;
  };
  if (i < t.size() && t[i] == u'-') ++i;
  if (i < t.size() && t[i] == u'0') {
    ++i;
  } else if (digits() == 0) {
    return false;
  }
  if (i < t.size() && t[i] == u'.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

bool IsDateField(const TField* field) {
  const TFieldType type = field->DataType();
  return type == ftDate || type == ftTime || type == ftDateTime || type == ftTimeStamp;
}


}  // namespace

Int64 JsonDateMilliseconds(TDateTime value) { return std::llround((value - kUnixEpoch) * 86400000.0); }

TRODirezaToJSON::TRODirezaToJSON(TComponent* owner) : TRODirezaToCellBufferedFile(owner) {
  DataFormats.DecimalSeparator = u'.';
  SetTableType(teJSON);
}

void TRODirezaToJSON::InternalBeforeProcess() {
  // 8-bit sets are written as escaped ASCII: converted texts would reach the
  // writer as bytes of a code page no JSON reader knows.
  FAsciiOnly = CharacterSet != csUTF8 && CharacterSet != csUnicode;
  if (FAsciiOnly) FRunCharacterSet.Apply(CharacterSet, csANSI_WINDOWS);
  TRODirezaToCellBufferedFile::InternalBeforeProcess();
}

void TRODirezaToJSON::InternalAfterProcess() {
  FRunCharacterSet.Restore(CharacterSet);
  TRODirezaToCellBufferedFile::InternalAfterProcess();
}

String TRODirezaToJSON::GetFieldStr(TField* field) {
  if (field == nullptr || field->IsNull()) return String();
  if (field->DataType() == ftBoolean) return field->AsBoolean() ? DataFormats.BooleanTrue : DataFormats.BooleanFalse;
  // Dates in the form JSON readers of .NET take: milliseconds since 1970,
  // time of day included.
  if (IsDateField(field)) return u"\\/Date(" + IntToStr(JsonDateMilliseconds(field->AsDateTime())) + u")\\/";
  String text = TRODirezaToCellBufferedFile::GetFieldStr(field);
  // A number with the run's decimal separator is no JSON number.
  if (IsNumericField(field) && DataFormats.DecimalSeparator != 0 && DataFormats.DecimalSeparator != u'.') {
    for (char16_t& c : text)
      if (c == DataFormats.DecimalSeparator) c = u'.';
  }
  return text;
}

String TRODirezaToJSON::Indent() const { return String(static_cast<size_t>(2 * (Statistic.CurrentDataLevel + 1)), u' '); }

void TRODirezaToJSON::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  FExported.clear();
  for (const auto& column : Columns)
    if (column->Visible || HasOption(Options, soExportInvisibleFields)) FExported.push_back(column.get());
  FMemberHeads.clear();
  WriteByteOrderMark();
  WriteString(u"[");
  FFirstRecord = true;
}

void TRODirezaToJSON::WriteFileEnd() {
  if (!FRecord.empty()) WriteString(FRecord);
  FRecord.clear();
  WriteString(String(kCrLf) + u"]" + kCrLf);
  TRODirezaToCellBufferedFile::WriteFileEnd();
}

void TRODirezaToJSON::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  const TSMESection section = Statistic.CurrentSection;
  const char16_t* name = section == esHeader ? u"HEADER" : section == esFooter ? u"FOOTER" : u"RECORD";
  const String indent = Indent();
  const String q = QuoteTerm != 0 ? String(1, QuoteTerm) : String();
  // Separators go before the next item, since only then is it known that
  // one follows. A record is collected and written in one piece at its end
  // (a record that is still open, a master's, goes first).
  if (!FRecord.empty()) WriteString(FRecord);
  FRecord.assign((FFirstRecord ? u"" : u",") + String(kCrLf) + indent + u"{" + kCrLf + indent + u" " + q + name + q +
              u": {");
  FFirstRecord = false;
  FFirstMember = true;
}

void TRODirezaToJSON::WriteRowEnd() {
  const String indent = Indent();
  FRecord += kCrLf;
  FRecord += indent;
  FRecord += u" }\r\n";
  FRecord += indent;
  FRecord += u"}";
  WriteString(FRecord);
  FRecord.clear();
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToJSON::AppendString(StringView text) {
  if (QuoteTerm != 0) FLine += QuoteTerm;
  for (char16_t c : text) {
    switch (c) {
      case u'"': FLine += u"\\\""; break;
      case u'\\': FLine += u"\\\\"; break;
      case u'\b': FLine += u"\\b"; break;
      case u'\f': FLine += u"\\f"; break;
      case u'\n': FLine += u"\\n"; break;
      case u'\r': FLine += u"\\r"; break;
      case u'\t': FLine += u"\\t"; break;
      default:
        if (c < 0x20 || (FAsciiOnly && c >= 0x7F)) {
          static constexpr char16_t kHex[] = u"0123456789abcdef";
          FLine += u"\\u";
          for (int shift = 12; shift >= 0; shift -= 4) FLine += kHex[(c >> shift) & 0xF];
        } else {
          FLine += c;
        }
    }
  }
  if (QuoteTerm != 0) FLine += QuoteTerm;
}

void TRODirezaToJSON::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  const bool blankValues = HasOption(Options, soExportBlankValues);
  const bool isNull = field != nullptr && field->IsNull();
  if ((isNull || text.empty()) && !blankValues) return;

  FLine.clear();
  FLine += FFirstMember ? u"" : u",";
  FLine += kCrLf;
  FFirstMember = false;
  // The indent and name of a field's member are the same in every row.
  const size_t slot = static_cast<size_t>(std::max<Integer>(column, 0));
  const bool cached = field != nullptr && Statistic.CurrentDataLevel == 0;
  if (cached && slot < FMemberHeads.size() && FMemberHeads[slot].first == field) {
    FLine += FMemberHeads[slot].second;
  } else {
    String name;
    if (field != nullptr)
      name = field->DisplayLabel();
    else if (!IsDataArea)
      name = u"LINE" + IntToStr(row);
    else if (slot < FExported.size())
      name = HasOption(Options, soUseFieldNameAsCaption) ? FExported[slot]->Title.Caption : FExported[slot]->FieldName;
    const size_t from = FLine.size();
    FLine += Indent();
    FLine += u"    ";
    AppendString(name);
    FLine += u": ";
    if (cached) {
      if (FMemberHeads.size() <= slot) FMemberHeads.resize(slot + 1);
      FMemberHeads[slot] = {field, FLine.substr(from)};
    }
  }
  if (isNull) {
    FLine += u"null";
  } else if (field != nullptr && IsDateField(field)) {
    // The date text is escaped already.
    if (QuoteTerm != 0) FLine += QuoteTerm;
    FLine += text;
    if (QuoteTerm != 0) FLine += QuoteTerm;
  } else if (field != nullptr && field->DataType() == ftBoolean) {
    FLine += field->AsBoolean() ? u"true" : u"false";
  } else if (field != nullptr && field->IsBlob() && !IsMemoField(field)) {
    const std::vector<Byte> bytes = field->AsBytes();
    AppendString(Encode64(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
  } else if ((field != nullptr ? IsNumericField(field)
                               : cellType == ctInteger || cellType == ctDouble || cellType == ctCurrency) &&
             IsJsonNumber(text)) {
    FLine += text;
  } else if (field == nullptr && cellType == ctBoolean && (text == u"true" || text == u"false")) {
    FLine += text;
  } else {
    AppendString(text);
  }
  FRecord += FLine;
}
