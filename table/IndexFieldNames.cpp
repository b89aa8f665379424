#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "table/BoolParser.h"
#include "table/MemData.h"

namespace {

[[noreturn]] void InvalidFormat() { throw Exception(u"Invalid IndexFieldNames format!"); }

bool IsSeparator(int code, const String& lexem) { return code == lcSymbol && (lexem == u";" || lexem == u","); }

// Removes the quotes of a name in single quotes (more than the quotes) or
// in double quotes.
void RemoveQuotes(String& name) {
  const size_t n = name.size();
  if ((n > 2 && name.front() == u'\'' && name.back() == u'\'') ||
      (n >= 2 && name.front() == u'"' && name.back() == u'"')) {
    name = name.substr(1, n - 2);
  }
}

}  // namespace

// "Name DESC CIS; [Order Date], Id": columns separated by ";" or ",", each a
// field name (identifier, number, quoted string or bracketed text) with at
// most one direction (ASC, DESC) and one sort type (CS, CIS, BIN). Columns
// read before a failure stay in place.
void TMemData::UpdateIndexFields() {
  ClearIndexFields();
  if (Trim(FIndexFieldNames).empty()) return;
  TBoolParser parser(FIndexFieldNames);
  parser.QuotedString = true;
  TRestoreValue<TBoolParser*> current(FParser, &parser);

  NextLexem();
  while (FCode != lcEnd) {
    if (IsSeparator(FCode, FStrLexem)) {
      NextLexem();
      continue;
    }
    String name;
    if (FCode == lxLeftSqBracket) name = parser.ReadBracketedName();
    else if (FCode == lcIdent || FCode == lcNumber || FCode == lcString) name = FStrLexem;
    else InvalidFormat();
    NextLexem();

    TFieldDesc* field = FindField(name);
    if (field == nullptr) {
      RemoveQuotes(name);
      field = FieldByName(name);
    }
    TSortColumn column;
    column.FieldDesc = field;
    SetSortDefaults(column);
    FIndexFields.push_back(column);

    bool directionGiven = false, sortTypeGiven = false;
    for (; FCode != lcEnd && !IsSeparator(FCode, FStrLexem); NextLexem()) {
      if (FCode != lcIdent) InvalidFormat();
      const String option = UpperCase(FStrLexem);
      const bool direction = option == u"DESC" || option == u"ASC";
      if (!direction && option != u"CIS" && option != u"CS" && option != u"BIN") InvalidFormat();
      bool& given = direction ? directionGiven : sortTypeGiven;
      if (given) InvalidFormat();
      given = true;
      TSortColumn& last = FIndexFields.back();
      if (direction) last.DescendingOrder = option == u"DESC";
      else last.SortType = option == u"CIS" ? stCaseInsensitive : option == u"BIN" ? stBinary : stCaseSensitive;
    }
  }
}
