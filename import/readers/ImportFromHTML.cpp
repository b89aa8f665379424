#include "import/readers/ImportFromHTML.h"

#include <algorithm>

#include "import/ImportMessages.h"
#include "import/VODUtils.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

TSMIExtTags DefExtTags = 0;

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Whether the text at `at` begins with `upper` (ASCII letters without case).
bool StartsWithNoCase(StringView text, size_t at, StringView upper) {
  if (at > text.size() || text.size() - at < upper.size()) return false;
  return SameText(text.substr(at, upper.size()), upper);
}

// Walks a page tag by tag. A tag's text is its "<" and name as written
// ("<td", "</TR"); what stands between tags is cell text.
class THtmlScanner {
 public:
  explicit THtmlScanner(StringView text) : T(text) {}
  bool AtEnd() const { return P >= T.size(); }

  // The next tag's text, empty at the end. Blanks and text before it are
  // passed over, and so is a comment whole, whatever follows it.
  String NextTag() {
    while (true) {
      while (P < T.size() && (IsBlank(T[P]) || T[P] == u'>')) ++P;
      P = std::min(T.find(u'<', P), T.size());
      if (P >= T.size()) return {};
      if (T.compare(P, 4, u"<!--") == 0) {
        const size_t end = T.find(u"-->", P + 4);
        P = end == StringView::npos ? T.size() : end + 3;
        continue;
      }
      size_t end = P + 1;
      while (end < T.size() && !IsBlank(T[end]) && T[end] != u'>') ++end;
      String tag(T.substr(P, end - P));
      P = std::min(T.find(u'>', end), T.size());
      while (P < T.size() && (IsBlank(T[P]) || T[P] == u'>')) ++P;
      return tag;
    }
  }

  // The text of a cell whose opening tag was just read, appended to row
  // up to and with its closing tag; tags inside are dropped.
  void ReadCell(String& row, bool images) {
    bool image = false;
    if (images && StartsWithNoCase(T, P, u"<IMG SRC=\"")) {
      P += 10;
      image = true;
    }
    while (P < T.size()) {
      if (T[P] == u'<') {
        const String tag = NextTag();
        const String upper = UpperCase(tag);
        if (upper == u"</TD" || upper == u"</TH") {
          row += tag + u">";
          return;
        }
        continue;
      }
      const size_t lt = std::min(T.find(u'<', P), T.size());
      for (size_t i = P; i < lt; ++i)
        if (!image || (T[i] != u'"' && T[i] != u'>')) row += T[i];
      P = lt;
    }
  }

 private:
  StringView T;
  size_t P = 0;
};

// Where cell k (1-based) of a normalized row begins and ends; false when
// the row has fewer cells.
bool FindCell(StringView row, Integer k, size_t& from, size_t& to) {
  Integer seen = 0;
  for (size_t at = row.find(u'<'); at != StringView::npos; at = row.find(u'<', at + 1)) {
    if (!StartsWithNoCase(row, at, u"<TD>") && !StartsWithNoCase(row, at, u"<TH>")) continue;
    if (++seen < k) continue;
    from = at + 4;
    to = row.size();
    for (size_t end = row.find(u"</", from); end != StringView::npos; end = row.find(u"</", end + 2)) {
      if (StartsWithNoCase(row, end, u"</TD>") || StartsWithNoCase(row, end, u"</TH>")) {
        to = end;
        break;
      }
    }
    return true;
  }
  return false;
}

}  // namespace

void GetValue(TWideStrings* list, Integer index, StringView row, String& value) {
  value.clear();
  if (list != nullptr) {
    for (size_t at = row.find(u"</"); at != StringView::npos; at = row.find(u"</", at + 2))
      if (StartsWithNoCase(row, at, u"</TD>") || StartsWithNoCase(row, at, u"</TH>"))
        list->Add(String(strField) + IntToStr(list->Count() + 1));
    return;
  }
  size_t from = 0, to = 0;
  if (FindCell(row, index, from, to)) value.assign(row.substr(from, to - from));
}

void LoadHTMLFromStream(bool preview, THTMLLoad& load, TStream& stream, Integer firstRow, Integer lastRow,
                        Integer previewRows, Integer fieldNamesRow, TSMIExtTags extTags) {
  if (load.Captions != nullptr) load.Captions->Clear();
  if (load.Rows != nullptr) load.Rows->clear();
  load.CaptionRow.clear();
  const String text = DecodeSourceText(ReadRestOfStream(stream), true);
  if (preview && Int64{firstRow} + previewRows - 1 < lastRow)
    lastRow = static_cast<Integer>(Int64{firstRow} + previewRows - 1);
  const bool images = (extTags & ExtTagBit(etImage)) != 0;
  // The rows after the last one kept and the naming row are not needed.
  const Int64 lastNeeded = std::max<Int64>({Int64{lastRow}, Int64{fieldNamesRow}, 1});
  Int64 i = 1;
  auto finishRow = [&](String& row) {
    const Int64 namesRow = fieldNamesRow > 0 ? fieldNamesRow : 1;
    if (i == namesRow && load.Captions != nullptr) {
      String unused;
      GetValue(load.Captions, -1, row, unused);
      if (fieldNamesRow > 0) load.CaptionRow = row;
    }
    if (load.Rows != nullptr && i >= firstRow && i <= lastRow) load.Rows->push_back(std::move(row));
    ++i;
  };
  THtmlScanner scanner(text);
  while (!scanner.AtEnd() && i <= lastNeeded) {
    if (UpperCase(scanner.NextTag()) != u"<TABLE") continue;
    while (!scanner.AtEnd() && i <= lastNeeded) {
      const String tag = UpperCase(scanner.NextTag());
      if (tag == u"</TABLE") break;
      if (tag != u"<TR") continue;
      String row;
      while (!scanner.AtEnd()) {
        const String cellTag = scanner.NextTag();
        const String upper = UpperCase(cellTag);
        if (upper == u"</TR" || cellTag.empty()) break;
        row += cellTag + u">";
        if (upper == u"<TD" || upper == u"<TH" || (images && upper == u"<IMG")) scanner.ReadCell(row, images);
      }
      finishRow(row);
    }
  }
}

void LoadHTMLFile(bool preview, THTMLLoad& load, const String& fileName, Integer firstRow, Integer lastRow,
                  Integer previewRows, Integer fieldNamesRow, TSMIExtTags extTags) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadHTMLFromStream(preview, load, stream, firstRow, lastRow, previewRows, fieldNamesRow, extTags);
}

void LoadHTMLPreview(void* grid, const String& fieldList, const String& fileName, const String& /*unused*/,
                     Integer firstRow, Integer lastRow, Integer fieldNamesRow, Integer previewRows, bool flag,
                     TWideStrings& columns, const TMarkupPreviewCallback& callback, TSMIExtTags extTags) {
  std::vector<String> rows;
  THTMLLoad load;
  load.Captions = &columns;
  load.Rows = &rows;
  LoadHTMLFile(true, load, fileName, firstRow, lastRow, previewRows, fieldNamesRow, extTags);
  if (!fieldList.empty()) {
    columns.Clear();
    size_t start = 0;
    while (start <= fieldList.size()) {
      const size_t semi = std::min(fieldList.find(u';', start), fieldList.size());
      columns.Add(fieldList.substr(start, semi - start));
      start = semi + 1;
    }
  }
  std::vector<Variant> values;
  for (size_t r = 0; r < rows.size(); ++r) {
    values.clear();
    for (int c = 0; c < columns.Count(); ++c) {
      String cell;
      GetValue(nullptr, c + 1, rows[r], cell);
      values.emplace_back(cell);
    }
    if (callback) callback(grid, columns.Count(), static_cast<Integer>(r + 1), flag, values);
  }
}

// ---- the import component ---------------------------------------------------------

TRADerevuFromHTML::TRADerevuFromHTML(TComponent* owner) : TRADerevuBaseComponent(owner), FExtTagsParse(DefExtTags) {
  SetTableType(teHTML);
}

void TRADerevuFromHTML::BeforeImport() {
  THTMLLoad load;
  load.Captions = &lstCaptions;
  load.Rows = &lstFileRows;
  if (DataStream != nullptr)
    LoadHTMLFromStream(false, load, *DataStream, RowFirst(), RowLast(), 0, RowFieldNames(), FExtTagsParse);
  else
    LoadHTMLFile(false, load, SourceFileName(), RowFirst(), RowLast(), 0, RowFieldNames(), FExtTagsParse);
  strCaptionRow = std::move(load.CaptionRow);
}

void TRADerevuFromHTML::AfterImport() {
  lstFileRows.clear();
  lstCaptions.Clear();
  strCaptionRow.clear();
  strFromFile.clear();
}

bool TRADerevuFromHTML::NeedMore() {
  return intCurRow < static_cast<Integer>(lstFileRows.size()) && Int64{intCurRow} <= Int64{RowLast()} - RowFirst();
}

bool TRADerevuFromHTML::LoadRecord() {
  strFromFile = intCurRow >= 0 && intCurRow < static_cast<Integer>(lstFileRows.size())
                    ? lstFileRows[static_cast<size_t>(intCurRow)]
                    : String();
  return TRADerevuBaseComponent::LoadRecord();
}

void TRADerevuFromHTML::GetFieldValue(const Variant& name, Variant& value) {
  TRADerevuBaseComponent::GetFieldValue(name, value);
  const String id = value.AsString();
  Integer cell = lstCaptions.IndexOfIgnoreCase(id) + 1;
  const String& prefix = strField;
  if (cell == 0 && id.starts_with(prefix)) {
    Integer n = 0;
    if (TryStrToInt(StringView(id).substr(prefix.size()), n) && n >= 1) cell = n;
  }
  if (cell == 0) return;  // no cell: the identifier itself
  String text;
  GetValue(nullptr, cell, strFromFile, text);
  ReplaceHTMLChars(text);
  value = Variant(text);
}

bool TRADerevuFromHTML::NotDefined(String& propertyName) {
  if (TRADerevuBaseComponent::NotDefined(propertyName)) return true;
  if (!SourceFileName().empty()) return false;
  propertyName = u"SourceFileName";
  return true;
}

String TRADerevuFromHTML::FillFileFilters() const {
  return String(strFormat4) + u"|*.HTM;*.HTML|" + strAllFiles;
}

void TRADerevuFromHTML::DetectAutoMapping() {
  if (DataSet() != nullptr && DataSet()->Fields().Count() > 0 && RowFieldNames() <= 0) {
    TRADerevuBaseComponent::DetectAutoMapping();
    return;
  }
  for (int k = 0; k < lstCaptions.Count(); ++k) {
    TSMIColumn& column = *Columns().Add();
    column.DataType = itString;
    column.Caption = lstCaptions.Get(k);
    column.FieldName = column.Caption;
    if (!strCaptionRow.empty() && RowFieldNames() != 0) GetValue(nullptr, k + 1, strCaptionRow, column.FieldName);
  }
}

void TRADerevuFromHTML::GetColumnFieldName(Integer index, String& name) {
  name = Columns().Columns(index).Caption;
  if (name.find_first_of(u" /\\;-") != String::npos) name = u"[" + name + u"]";
}
