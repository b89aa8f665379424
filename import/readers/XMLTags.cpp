#include "import/readers/XMLTags.h"

#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The value of the first line "key=..." (key without case), or false.
bool FindKey(const TWideStrings& list, StringView key, String& value) {
  for (int i = 0; i < list.Count(); ++i) {
    const String line = list.Get(i);
    const size_t eq = line.find(u'=');
    if (eq == String::npos || !SameText(StringView(line).substr(0, eq), key)) continue;
    value = line.substr(eq + 1);
    return true;
  }
  return false;
}

void ReadFlag(const TWideStrings& list, StringView key, bool& flag) {
  String text;
  Integer number = 0;
  if (FindKey(list, key, text) && TryStrToInt(Trim(text), number)) flag = number != 0;
}

String ReadName(const TWideStrings& list, StringView key) {
  String text;
  FindKey(list, key, text);
  return text;
}

}  // namespace

bool TSMIXMLTags::SameStrings(StringView a, StringView b) const {
  if (CaseSensitive) return a == b;
  return a == b || (!a.empty() && !b.empty() && SameText(a, b));
}

void TSMIXMLTags::SaveToStrings(TWideStrings& list) const {
  list.Add(u"[XMLTags]");
  list.Add(String(u"CaseSensitive=") + (CaseSensitive ? u"1" : u"0"));
  list.Add(u"RecordsTag=" + RecordsTag);
  list.Add(u"RecordTag=" + RecordTag);
  list.Add(u"RowTag=" + RowTag);
  list.Add(String(u"SubNodes=") + (SubNodes ? u"1" : u"0"));
}

void TSMIXMLTags::LoadFromStrings(const TWideStrings& list) {
  ReadFlag(list, u"CaseSensitive", CaseSensitive);
  ReadFlag(list, u"SubNodes", SubNodes);
  RecordsTag = ReadName(list, u"RecordsTag");
  RecordTag = ReadName(list, u"RecordTag");
  RowTag = ReadName(list, u"RowTag");
}
