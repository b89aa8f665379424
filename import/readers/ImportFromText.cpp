#include "import/readers/ImportFromText.h"

#include <algorithm>
#include <optional>

#include "import/ColumnTypes.h"
#include "import/ImportMessages.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/win/Clipboard.h"

// ---- Fields ----

void FillFields(const TDataSet* dataSet, bool fixed, WideChar delimiter, WideChar qualifier, StringView line,
                TFieldBoundsList& list) {
  list.clear();
  const Int64 n = static_cast<Int64>(line.size());
  // 1-based access; 0 (matching no set delimiter or qualifier) outside.
  auto at = [&](Int64 i) -> char16_t { return i >= 1 && i <= n ? line[static_cast<size_t>(i - 1)] : 0; };
  auto isQualifier = [&](Int64 i) { return qualifier != 0 && at(i) == qualifier; };
  auto isDelimiter = [&](Int64 i) { return delimiter != 0 && at(i) == delimiter; };

  if (fixed) {
    if (dataSet == nullptr) return;
    Int64 s = 1;
    for (const TField* field : dataSet->Fields()) {
      if (s >= n) break;
      Int64 c = s + field->DisplayWidth();
      Int64 end;
      if (c > n) {
        c = n;
        end = n;
      } else {
        end = qualifier == 0 || isQualifier(c) || isDelimiter(c) ? c - 1 : c;
      }
      list.push_back({s, end});
      s = c + (qualifier != 0 ? 1 : 0);
      if (isDelimiter(s)) ++s;
    }
    return;
  }

  Int64 s = 1;
  bool quoted = false;
  for (Int64 i = 1; i <= n; ++i) {
    if (isQualifier(i)) quoted = !quoted;
    const bool delimiterHere = isDelimiter(i);
    if (!((delimiterHere && !quoted) || i == n)) continue;
    const Int64 e = delimiterHere ? i - 1 : i;
    const Int64 start = isQualifier(s) || isDelimiter(s) ? s + 1 : s;
    const Int64 end = isQualifier(e) ? e - 1 : e;
    list.push_back({start, end});
    s = e + 1;
    if (isDelimiter(s)) ++s;
  }
  if (n > 0 && isDelimiter(n)) list.push_back({n + 1, n + 1});
}

StringView FieldText(StringView line, Int64 from, Int64 to, WideChar delimiter, WideChar qualifier, String& scratch) {
  if (from < 1 || to < from || from > static_cast<Int64>(line.size())) return {};
  StringView value = line.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
  if (delimiter != 0 && !value.empty() && value.back() == delimiter) value.remove_suffix(1);
  const size_t q = qualifier == 0 ? StringView::npos : value.find(qualifier);
  if (q == StringView::npos || q + 1 >= value.size()) return value;
  scratch.clear();
  scratch.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == qualifier && i + 1 < value.size() && value[i + 1] == qualifier) continue;
    scratch += value[i];
  }
  return scratch;
}

String ExtractFieldText(StringView line, Int64 from, Int64 to, WideChar delimiter, WideChar qualifier) {
  String scratch;
  return String(FieldText(line, from, to, delimiter, qualifier, scratch));
}

// ---- Component ----

TRADerevuFromText::TRADerevuFromText(TComponent* owner) : TRADerevuBaseComponent(owner) {
  SetTableType(teText);
}

TTextLoadOptions TRADerevuFromText::RunLoadOptions() const {
  TTextLoadOptions options;
  options.SkipEmpty = HasOption(soSkipEmptyRow);
  options.RecordSeparator = RecordSeparatorCustom();
  options.TextQualifier = TextQualifierCustom();
  options.FieldDelimiter = FieldDelimiterCustom();
  options.FirstRow = RowFirst();
  options.LastRow = RowLast();
  options.FieldNamesRow = RowFieldNames();
  options.FixedLineLength = FFixedLineLength;
  options.BlockSize = FBlockSize;
  return options;
}

void TRADerevuFromText::BeforeImport() {
  // Regional data formats and the pause flag are the engine's to reset.
  TRADerevuBaseComponent::BeforeImport();
  CloseText();
  intLenText = static_cast<Integer>(String(strTextFieldName).size());
  intLenField = static_cast<Integer>(String(strField).size());
  TStream* stream = DataStream;
  if (stream == nullptr) {
    FFileStream = std::make_unique<TFileStream>(SourceFileName(), fmOpenRead | fmShareDenyNone);
    stream = FFileStream.get();
  }
  lstFileRows = std::make_unique<TTextLineReader>(*stream, RunLoadOptions());
  // One pass counts the rows (for the progress and the statistic) and
  // reads the names line; the rows are read again as the run asks.
  StringView line;
  while (FLineCount < 2147483647 && lstFileRows->Next(line)) ++FLineCount;
  FLineIndex = FLineCount;
  if (lstFileRows->HasCaptions()) strCaptions = lstFileRows->Captions();
}

void TRADerevuFromText::AfterImport() { CloseText(); }

void TRADerevuFromText::CloseText() {
  strFromFile = {};
  FHasLine = false;
  FLineIndex = -1;
  FLineCount = 0;
  intCurRow = 0;
  lst.clear();
  lstFileRows.reset();
  FFileStream.reset();
}

bool TRADerevuFromText::MoveToRow(Integer row) {
  intCurRow = row;
  FHasLine = false;
  strFromFile = {};
  if (lstFileRows == nullptr || row < 0) return false;
  if (FLineIndex >= row) {
    lstFileRows->Restart();
    FLineIndex = -1;
  }
  while (FLineIndex < row) {
    if (!lstFileRows->Next(strFromFile)) {
      strFromFile = {};
      FLineIndex = FLineCount;
      return false;
    }
    ++FLineIndex;
  }
  FHasLine = true;
  return true;
}

bool TRADerevuFromText::NeedMore() {
  return FHasLine && intCurRow < FLineCount && Int64{intCurRow} <= Int64{RowLast()} - RowFirst();
}

Integer TRADerevuFromText::GetTotalCount() { return FLineCount; }

bool TRADerevuFromText::LoadRecord() {
  if (!FHasLine) strFromFile = {};
  if (!Fixed()) FillFields(DataSet(), false, FieldDelimiterCustom(), TextQualifierCustom(), strFromFile, lst);
  return TRADerevuBaseComponent::LoadRecord();
}

namespace {

// The number a column identifier ends with; plain digits are read directly
// (every row asks for every column), anything else as the runtime reads it.
Integer IdentifierNumber(StringView digits) {
  if (!digits.empty() && digits.size() <= 9 &&
      std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
    Integer n = 0;
    for (char16_t c : digits) n = n * 10 + (c - u'0');
    return n;
  }
  return StrToIntDef(digits, 0);
}

}  // namespace

void TRADerevuFromText::GetFieldValue(const Variant& name, Variant& value) {
  // The identifier is the requested name as text, as the engine hands it;
  // the engine's own names are read in place.
  const String* text = name.StringValue();
  const String converted = text != nullptr ? String() : name.AsString();
  const String& id = text != nullptr ? *text : converted;
  const String& textPrefix = strTextFieldName;
  const String& fieldPrefix = strField;
  if (id == textPrefix) {
    value = Variant(String(strFromFile));
    return;
  }
  if (Fixed() && id.starts_with(textPrefix)) {
    const size_t minus = id.find(u'-', textPrefix.size());
    const Int64 from = minus == String::npos ? 0 : IdentifierNumber(StringView(id).substr(textPrefix.size(), minus - textPrefix.size()));
    const Int64 to = minus == String::npos ? 0 : IdentifierNumber(StringView(id).substr(minus + 1));
    if (from <= 0)
      value = Variant(id);
    else
      value = Variant(to <= 0 ? String() : ExtractFieldText(strFromFile, from, to, FieldDelimiterCustom(), TextQualifierCustom()));
    return;
  }
  if (id.starts_with(fieldPrefix)) {
    // Fixed-width lines have no delimited fields: every "FieldN" is empty.
    String scratch;
    const Integer k = Fixed() ? 0 : IdentifierNumber(StringView(id).substr(fieldPrefix.size()));
    value = Variant(String(SourceColumnText(k - 1, scratch)));
    return;
  }
  value = Variant(id);
}

Integer TRADerevuFromText::SourceColumnIndex(const String& name) {
  // Only the plain "FieldN" of delimited lines; every other identifier
  // takes the road of GetFieldValue.
  const String& fieldPrefix = strField;
  if (Fixed() || !name.starts_with(fieldPrefix)) return -1;
  const StringView digits = StringView(name).substr(fieldPrefix.size());
  if (digits.empty() || digits.size() > 9 || digits[0] == u'0' ||
      !std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
    return -1;
  return IdentifierNumber(digits) - 1;
}

StringView TRADerevuFromText::SourceColumnText(Integer index, String& scratch) {
  if (index < 0 || static_cast<size_t>(index) >= lst.size()) return {};
  const TFieldBounds& bounds = lst[static_cast<size_t>(index)];
  if (bounds.Start <= 0 || bounds.End <= 0) return {};
  return FieldText(strFromFile, bounds.Start, bounds.End, FieldDelimiterCustom(), TextQualifierCustom(), scratch);
}

bool TRADerevuFromText::NotDefined(String& propertyName) {
  if (TRADerevuBaseComponent::NotDefined(propertyName)) return true;
  if (!SourceFileName().empty()) return false;
  propertyName = u"SourceFileName";
  return true;
}

String TRADerevuFromText::FillFileFilters() const {
  return String(strFormat3A) + u"|*.CSV|" + strFormat3 + u"|*.TXT|" + strFormat3B + u"|*.DAT|" + strFormat3C +
         u"|*.PRN|" + strFormat3D + u"|*.TAB|" + strFormat3E + u"|*.ASC|" + TRADerevuBaseComponent::FillFileFilters();
}

void TRADerevuFromText::GetColumnFieldName(Integer index, String& name) {
  name = Columns().Columns(index).Caption;
  if (name.find(u' ') != String::npos) name = u"[" + name + u"]";
}

void TRADerevuFromText::DetectAutoMapping() {
  const bool namesBeforeData = Int64{RowFirst()} - RowFieldNames() > 0;
  const bool noFields = DataSet() == nullptr || DataSet()->Fields().Count() == 0;
  const String& textPrefix = strTextFieldName;
  const String& fieldPrefix = strField;
  if (namesBeforeData || noFields) {
    TFieldBoundsList bounds;
    FillFields(DataSet(), Fixed(), FieldDelimiterCustom(), TextQualifierCustom(), strCaptions, bounds);
    const StringView captions(strCaptions);
    Int64 from = 1;
    for (size_t k = 0; k < bounds.size(); ++k) {
      TSMIColumn* column = Columns().Add();
      column->DataType = itString;
      String id;
      if (Fixed()) {
        id = textPrefix + IntToStr(from) + u"-" + IntToStr(bounds[k].End);
        column->Size = static_cast<Integer>(std::clamp<Int64>(bounds[k].End - from + 1, 0, 2147483647));
        from = bounds[k].End + 1 + (FieldDelimiterCustom() != 0 ? 1 : 0);
      } else {
        id = fieldPrefix + IntToStr(static_cast<Int64>(k + 1));
      }
      column->Caption = Trim(id);
      String name = id;
      if (namesBeforeData) {
        const Int64 start = bounds[k].Start;
        const Int64 end = std::min<Int64>(bounds[k].End, static_cast<Int64>(captions.size()));
        name = start >= 1 && end >= start ? String(captions.substr(static_cast<size_t>(start - 1),
                                                                   static_cast<size_t>(end - start + 1)))
                                          : String();
      }
      column->FieldName = Trim(name);
    }
  } else {
    TRADerevuBaseComponent::DetectAutoMapping();
    // Each column stands for its destination field, in order: the field's
    // name stays the column's name (so the mapping pairs them) and the
    // caption becomes the source identifier the mapping reads.
    Integer a = 1;
    for (int k = 0; k < Columns().Count(); ++k) {
      TSMIColumn& column = Columns()[k];
      if (Fixed()) {
        column.Caption = textPrefix + IntToStr(a) + u"-" + IntToStr(Int64{a} + column.Size);
        a = a + column.Size + 1;
      } else {
        column.Caption = fieldPrefix + IntToStr(k + 1);
      }
    }
  }
  if (MaxScanRows() > 0 && ProcessRowsForColumnTypes()) ScanColumnTypes();
}

void TRADerevuFromText::ScanColumnTypes() {
  const String mask = BuildDTFormat();
  // What the scan has seen of each column so far; a column without a
  // non-empty value keeps the type it had.
  std::vector<std::optional<TSMIDataType>> seen(static_cast<size_t>(Columns().Count()));
  const Int64 first = Int64{RowFirst()} + RowFieldNames() - 1;
  const Int64 last = first + MaxScanRows();
  for (Int64 row = first; row <= last && row < 2147483647; ++row) {
    if (!MoveToRow(static_cast<Integer>(row)) || !NeedMore() || !LoadRecord()) break;
    for (int k = 0; k < Columns().Count(); ++k) {
      Variant value;
      GetFieldValue(Variant(Columns()[k].Caption), value);
      const String text = value.AsString();
      if (text.empty()) continue;
      // A delimited column is as wide as its widest value; a fixed one has
      // its width.
      if (!Fixed()) Columns()[k].Size = std::max(Columns()[k].Size, static_cast<Integer>(std::min<size_t>(text.size(), 2147483647)));
      const TSMIDataType type = ScannedValueType(text, DataFormats(), mask);
      std::optional<TSMIDataType>& column = seen[static_cast<size_t>(k)];
      column = LoosenColumnType(column, type);
    }
  }
  for (int k = 0; k < Columns().Count(); ++k) {
    if (seen[static_cast<size_t>(k)]) Columns()[k].DataType = *seen[static_cast<size_t>(k)];
  }
  MoveToRow(0);
}

// ---- Clipboard ----

TRADerevuFromClipboard::~TRADerevuFromClipboard() {
  if (FClipboardStream != nullptr && DataStream == FClipboardStream.get()) DataStream = nullptr;
}

void TRADerevuFromClipboard::BeforeImport() {
  FClipboardStream = ClipboardStream();
  DataStream = FClipboardStream.get();
  TRADerevuFromText::BeforeImport();
}

void TRADerevuFromClipboard::AfterImport() {
  TRADerevuFromText::AfterImport();
  if (DataStream == FClipboardStream.get()) DataStream = nullptr;
  FClipboardStream.reset();
}
