#include "import/readers/VCalendar.h"

#include "import/DateMask.h"
#include "import/ImportMessages.h"
#include "import/readers/MarkupText.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsDateTimeName(StringView name) {
  return name == u"DTSTAMP" || name.starts_with(u"DTSTART") || name.starts_with(u"DTEND") ||
         name == u"LAST-MODIFIED";
}

// The lines of the text (ended by CR, LF or CR LF); a line that begins with
// a blank continues the one before it, without that blank.
std::vector<String> UnfoldedLines(StringView text) {
  std::vector<String> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    const StringView line = text.substr(start, end - start);
    if (!lines.empty() && !line.empty() && (line[0] == u' ' || line[0] == u'\t'))
      lines.back().append(line.substr(1));
    else
      lines.emplace_back(line);
    start = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
  }
  return lines;
}

// A text value with its escapes read: "\n" and "\N" a line break, "\,",
// "\;" and "\\" the character itself.
String Unescape(StringView value) {
  if (value.find(u'\\') == StringView::npos) return String(value);
  String out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'\\' && i + 1 < value.size()) {
      const char16_t next = value[++i];
      out += next == u'n' || next == u'N' ? u'\n' : next;
    } else {
      out += value[i];
    }
  }
  return out;
}

// A property line: the name ends at the first ":" or ";" outside double
// quotes, the value after the first ":" outside them (the parameters
// between are passed over). False for a line with no such ":".
bool SplitProperty(StringView line, StringView& name, StringView& value) {
  bool quoted = false;
  size_t nameEnd = StringView::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && (c == u':' || c == u';')) {
      if (nameEnd == StringView::npos) nameEnd = i;
      if (c == u':') {
        name = line.substr(0, nameEnd);
        value = line.substr(i + 1);
        return true;
      }
    }
  }
  return false;
}

}  // namespace

// ---- fields -----------------------------------------------------------------------

void TSMIVCFields::Clear() {
  FFields.clear();
  FByUpperName.clear();
}

Integer TSMIVCFields::GetIndexByFieldName(StringView name) const {
  const auto it = FByUpperName.find(UpperCase(name));
  return it == FByUpperName.end() ? -1 : it->second;
}

Integer TSMIVCFields::Ensure(const String& name) {
  const auto [it, added] = FByUpperName.try_emplace(UpperCase(name), Count());
  if (added) {
    auto field = std::make_unique<TSMIVCField>();
    field->FieldName = name;
    field->FieldType = IsDateTimeName(name) ? ictDateTime : ictString;
    FFields.push_back(std::move(field));
  }
  return it->second;
}

// ---- the reader -------------------------------------------------------------------

TSMIVCalendar::TSMIVCalendar(TComponent* owner) : TSpreadSheetFile(owner) { FNameKind = nkFieldName; }

TSMIVCalendar::~TSMIVCalendar() {
  if (IsIncrementalLoad) AfterLoad();
}

void TSMIVCalendar::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(stream);
}

void TSMIVCalendar::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  lstFields.Clear();
  BeforeLoad();
  try {
    // A mark decides the encoding; else UTF-8 when the bytes are valid
    // UTF-8 (as iCalendar files are), else the ANSI code page.
    *lstItems = UnfoldedLines(DecodeSourceText(ReadRestOfStream(stream), false));
    for (Integer n = 0; FNextItem < lstItems->size(); ++n) {
      LoadRecord(n);
      UpdateProgress(static_cast<Int64>(FNextItem), static_cast<Int64>(lstItems->size()));
    }
  } catch (...) {
    if (!IsIncrementalLoad) AfterLoad();
    throw;
  }
  if (!IsIncrementalLoad) AfterLoad();
}

void TSMIVCalendar::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  TSpreadSheet& sheet = Sheets.Spreadsheet(0);
  const size_t slash = FFileName.rfind(u'/');
  sheet.Caption = slash == String::npos ? FFileName : FFileName.substr(slash + 1);
  sheet.Cells.AutoUsedRangeDetect = true;
  lstItems = std::make_unique<std::vector<String>>();
  FNextItem = 0;
}

void TSMIVCalendar::AfterLoad() {
  lstItems.reset();
  FNextItem = 0;
  TSpreadSheetFile::AfterLoad();
}

bool TSMIVCalendar::LoadRecord(Integer recNo) {
  const bool answer = TSpreadSheetFile::LoadRecord(recNo);
  if (!lstItems) return answer;
  std::vector<String>& items = *lstItems;
  while (FNextItem < items.size() && items[FNextItem++] != u"BEGIN:VEVENT") {
  }
  for (; FNextItem < items.size(); ++FNextItem) {
    const String& line = items[FNextItem];
    if (line == u"END:VEVENT") {
      ++FNextItem;
      break;
    }
    if (line.starts_with(u"BEGIN:") || line.starts_with(u"END:")) continue;
    StringView name, raw;
    if (!SplitProperty(line, name, raw) || name.empty()) continue;
    TSMIVCField& field = lstFields[lstFields.Ensure(String(name))];
    field.Length = std::max(field.Length, static_cast<Integer>(std::min<size_t>(raw.size(), 2147483647)));
    Variant value;
    if (field.FieldType == ictDateTime) {
      // A "Z" after the time marks UTC; the time is taken as written.
      StringView stamp = raw;
      if (!stamp.empty() && (stamp.back() == u'Z' || stamp.back() == u'z')) stamp.remove_suffix(1);
      try {
        value = Variant::FromDateTime(GetDTByMask(stamp, u"yyyymmddThhnnssZ", 0, 0));
      } catch (const Exception&) {
        continue;  // one value that is no time stamp is left out, not the load
      }
    } else {
      value = Variant(Unescape(raw));
    }
    if (OnCellValue)
      OnCellValue(this, 0, recNo, lstFields.GetIndexByFieldName(name), 0, value, taLeftJustify, field.FieldType);
  }
  return answer;
}

Integer TSMIVCalendar::FindColumn(const String& fieldName) {
  const Integer index = lstFields.GetIndexByFieldName(fieldName);
  return index >= 0 ? index : TSpreadSheetFile::FindColumn(fieldName);
}

void TSMIVCalendar::FillColumnList(TColumnList& list, const String& fieldList) {
  TSpreadSheetFile::FillColumnList(list, fieldList);
  for (Integer i = 0; i < lstFields.Count(); ++i) list.push_back({lstFields[i].FieldName, i});
}

// ---- the import component ---------------------------------------------------------

TRADerevuFromVCalendar::TRADerevuFromVCalendar(TComponent* owner) : TRADerevuFromCell(owner) {
  SetTableType(teVCalendar);
}

std::unique_ptr<TSpreadSheetFile> TRADerevuFromVCalendar::WorkBookCreation() {
  return CreateSpreadSheetReader(teVCalendar, SourceFileName());
}

String TRADerevuFromVCalendar::FillFileFilters() const {
  return String(strFormatM) + u"|*.VCS|" + strFormatM2 + u"|*.ICS|" + strAllFiles;
}

void TRADerevuFromVCalendar::DetectAutoMapping() {
  const auto* calendar = dynamic_cast<const TSMIVCalendar*>(WorkBook());
  if (calendar == nullptr) {
    TRADerevuFromCell::DetectAutoMapping();
    return;
  }
  for (Integer i = 0; i < calendar->Fields().Count(); ++i) {
    const TSMIVCField& field = calendar->Fields()[i];
    TSMIColumn& column = *Columns().Add();
    column.FieldName = field.FieldName;
    column.Size = field.Length;
    column.DataType = VODCellType2VODDataType(field.FieldType);
  }
}
