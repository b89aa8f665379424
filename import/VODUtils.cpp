#include "import/VODUtils.h"

#include "platform/rtl/FileDialog.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "platform/rtl/PublishedProperties.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"


// ---------------------------------------------------------------------------
// File dialog

bool VODOpenSaveFileDialog(void* parentHandle, const String& /*defaultExt*/, const String& filter, bool isOpen,
                           String& fileName, const String& title, const String& initialDir) {
  TFileDialogRequest request{parentHandle, isOpen, filter, initialDir, title, fileName};
  if (!ShowFileDialog(request)) return false;
  fileName = request.FileName;
  return true;
}

// ---------------------------------------------------------------------------
// Datasets

namespace {

// The text before the first occurrence of what (all of it when none).
String CutBefore(const String& text, StringView what) {
  const size_t at = text.find(what);
  return at == String::npos ? text : text.substr(0, at);
}

String TableNameOfSql(const String& sql) {
  String rest = sql;
  const size_t from = UpperCase(rest).find(u"FROM ");
  if (from != String::npos) rest.erase(0, from + 5);
  rest = CutBefore(rest, u" ");
  rest = CutBefore(rest, u"\r");
  rest = CutBefore(rest, u"\n");
  const size_t where = UpperCase(rest).find(u"WHERE ");
  return where == String::npos ? rest : rest.substr(0, where);
}

}  // namespace

String GetParsedTableName(const TComponent* dataSet) {
  const auto* props = dynamic_cast<const IPublishedProperties*>(dataSet);
  if (props == nullptr) return String();
  String result;
  if (!props->ReadPublishedText(u"TableName", result) && !props->ReadPublishedText(u"CommandText", result)) {
    String sql;
    if (props->ReadPublishedLines(u"SQL", sql)) result = TableNameOfSql(sql);
  }
  return CutBefore(result, u".");
}

void ReadWritePropAsString(TComponent* dataSet, const String& propertyName, bool read, String& value) {
  auto* props = dynamic_cast<IPublishedProperties*>(dataSet);
  if (read) {
    if (props == nullptr || !props->ReadPublishedText(propertyName, value)) value.clear();
  } else if (props == nullptr || !props->WritePublishedText(propertyName, value)) {
    value.clear();
  }
}

// ---------------------------------------------------------------------------
// Texts

namespace {

struct THtmlEntity {
  StringView Entity;
  StringView Replacement;
};

// In the order the entities are tried; none is a prefix of another.
constexpr THtmlEntity HtmlEntities[] = {
    {u"&brvbar", u"|"}, {u"&deg", u"\u00B0"}, {u"&#176", u"\u00B0"}, {u"&plusmn", u"+"}, {u"&para", u"\u00B6"},
    {u"&amp", u"&"},    {u"&lt", u"<"},       {u"&gt", u">"},        {u"&copy", u"c"},    {u"&quot", u"\""},
    {u"&apos", u"'"},   {u"&trade", u"T"},    {u"&nbsp", u""},       {u"&car", u"\n"},    {u"&ret", u"\r"},
    {u"&#009", u"\t"},  {u"&#x9", u"\t"},     {u"&#010", u"\n"},     {u"&#xa", u"\n"},    {u"&#013", u"\r"},
    {u"&#xd", u"\r"},   {u"&#034", u"\""},    {u"&#34", u"\""},      {u"&#039", u"'"},    {u"&#39", u"'"},
    {u"&#37", u"%"},
};

// When text begins with "&#" digits ";" or "&#x" hex digits ";" naming a
// character, appends it and returns the reference's length; else 0.
size_t NumericReference(StringView text, String& out) {
  if (text.size() < 4 || text[1] != u'#') return 0;
  const bool hex = text[2] == u'x' || text[2] == u'X';
  size_t i = hex ? 3 : 2;
  char32_t code = 0;
  const size_t first = i;
  for (; i < text.size() && i - first < 8; ++i) {
    const char16_t c = text[i];
    const int digit = c >= u'0' && c <= u'9' ? c - u'0'
                      : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
                      : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
    if (digit < 0) break;
    code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (i == first || i >= text.size() || text[i] != u';') return 0;
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  if (code >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(code);
  }
  return i + 1;
}

}  // namespace

void ReplaceHTMLChars(String& text) {
  if (text.find(u'&') == String::npos) return;
  String result;
  result.reserve(text.size());
  const StringView source = text;
  size_t i = 0;
  while (i < source.size()) {
    if (source[i] != u'&') {
      result += source[i++];
      continue;
    }
    const StringView rest = source.substr(i);
    // A complete numeric reference stands for its character, whatever
    // digits it has ("&#22810;", "&#x17D;"; "&#345;" is no "&#34").
    if (const size_t length = NumericReference(rest, result); length > 0) {
      i += length;
      continue;
    }
    const auto match = std::find_if(std::begin(HtmlEntities), std::end(HtmlEntities),
                                    [&](const THtmlEntity& e) { return rest.starts_with(e.Entity); });
    if (match == std::end(HtmlEntities)) {
      result += source[i++];
      continue;
    }
    result += match->Replacement;
    i += match->Entity.size();
    if (i < source.size() && source[i] == u';') ++i;
  }
  text = std::move(result);
}

String OemToAnsiStr(const String& text) {
  if (text.empty()) return String();
  const String asOem = CodePageToString(StringToAnsi(text), OemCodePage());
  String result = AnsiToString(StringToCodePage(asOem, AnsiCodePage()));
  const size_t zero = result.find(u'\0');
  if (zero != String::npos) result.resize(zero);
  return result;
}
