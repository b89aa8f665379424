// The statements a run writes in SQL mode instead of changing the dataset:
// field names in the asked case and quoting, values as SQL literals, and key
// conditions.
#include "import/ImportComponent.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsNumericField(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc: return true;
    default: return false;
  }
}

// Sign, digits with at most one ".", an optional exponent: the only texts
// that may stand bare in a statement.
bool IsNumberLiteral(StringView text) {
  size_t i = 0;
  auto digits = [&] {
    const size_t start = i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  size_t count = digits();
  if (i < text.size() && text[i] == u'.') {
    ++i;
    count += digits();
  }
  if (count == 0) return false;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

String Join(const std::vector<String>& parts, StringView separator) {
  String result;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) result += separator;
    result += parts[i];
  }
  return result;
}

}  // namespace

bool TRADerevuBaseComponent::IsStandardFieldName(const String& name) {
  const String upper = UpperCase(name);
  return upper == u"NAME" || upper == u"TYPE" || upper == u"SIZE" || upper == u"ASC" || upper == u"DESC";
}

String TRADerevuBaseComponent::GetSQLFieldName(const String& name) const {
  String result;
  switch (FSQLOptions.FieldNameCharCase()) {
    case ifcUpperCase: result = UpperCase(name); break;
    case ifcLowerCase: result = LowerCase(name); break;
    case ifcProper:
      result = LowerCase(name);
      if (!result.empty()) result = UpperCase(result.substr(0, 1)) + result.substr(1);
      break;
    case ifcNormal: result = name; break;
  }
  if (result.find(u' ') != String::npos || IsStandardFieldName(result)) {
    const TSMISQLFieldNameOptions& quotes = FSQLOptions.FieldNameOptions();
    result = String(1, quotes.SQLQuoteOpen()) + result + String(1, quotes.SQLQuoteClose());
  }
  return result;
}

String TRADerevuBaseComponent::GetSQLValue(const Variant& value, const TField* field) const {
  if (value.IsNull() || value.IsEmpty()) return u"NULL";
  String text = value.AsString();
  if (field != nullptr && IsNumericField(field->DataType())) {
    if (text.empty()) return u"NULL";
    const size_t comma = text.find(u',');
    String number = text;
    if (comma != String::npos) number[comma] = u'.';
    // Anything else in a numeric field is quoted like text, so no source
    // value can end the literal and add to the statement.
    if (IsNumberLiteral(number)) return number;
  }
  const WideChar quote = FSQLOptions.SQLQuote();
  String quoted(1, quote);
  for (WideChar c : text) {
    if (c == quote) quoted += quote;
    quoted += c;
  }
  quoted += quote;
  return quoted;
}

String TRADerevuBaseComponent::GetSQLPart(const TSMIValueEntry& entry, const TField* field) const {
  // Bracketed as in SET and INSERT: "FIRST NAME" must not read as two words.
  const String name = GetSQLFieldName(entry.Name);
  if (entry.Value.IsNull() || entry.Value.IsEmpty()) return u"(" + name + u" IS NULL)";
  return u"(" + name + u"=" + GetSQLValue(entry.Value, field) + u")";
}

void TRADerevuBaseComponent::AddWhereClause(int keyEntry) {
  const TSMIValueEntry& entry = vLocate.at(static_cast<size_t>(keyEntry));
  const TField* field = nullptr;
  if (entry.FieldLink >= 0 && entry.FieldLink < static_cast<Integer>(vFields.size())) {
    const Integer index = vFields[static_cast<size_t>(entry.FieldLink)].FieldLink;
    if (index >= 0 && index < FDataSet->Fields().Count()) field = FDataSet->Fields()[index];
  }
  FSQLWhere.push_back(GetSQLPart(entry, field));
}

String TRADerevuBaseComponent::BuildSQLStatement(TSMIAction action) const {
  const String where = FSQLWhere.empty() ? String() : u" WHERE " + Join(FSQLWhere, u" AND ");
  switch (action) {
    case iaAdd:
      return u"INSERT INTO " + FRunTableName + u" (" + Join(FSQLFields, u", ") + u") VALUES (" +
             Join(FSQLValues, u", ") + u")";
    case iaUpdate: return u"UPDATE " + FRunTableName + u" SET " + Join(FSQLValues, u", ") + where;
    case iaDelete: return u"DELETE FROM " + FRunTableName + where;
    case iaUnknown: break;
  }
  return String();
}
