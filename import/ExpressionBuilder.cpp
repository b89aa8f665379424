#include "import/ExpressionBuilder.h"

#include <algorithm>

#include "import/ImportColumns.h"
#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "import/SMIParser.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr size_t kCodeLength = 5;

// Replaces the type placeholders from the left; the first "%" that is not
// one of them ends the replacing, so later placeholders stay as written.
String SubstitutePlaceholders(const String& text) {
  String out;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    if (text[i] != u'%') {
      out += text[i];
      continue;
    }
    const char16_t kind = i + 1 < text.size() ? text[i + 1] : u'\0';
    const String* word = nullptr;
    switch (kind) {
      case u'b': word = &strEBBoolean; break;
      case u'd': word = &strEBDateTime; break;
      case u'n': word = &strEBNumber; break;
      case u's': word = &strEBString; break;
      case u'v': word = &strEBVariant; break;
      default: break;
    }
    if (word == nullptr) break;
    out += *word;
    ++i;
  }
  return out + text.substr(i);
}

// "<" + text + ">"
String Slot(const String& text) { return u"<" + text + u">"; }

bool IsQuoteChar(char16_t c) { return c == u'"' || c == u'\''; }

// The end of the quoted token that starts at start: after the next quote
// character, where a doubled quote stays inside.
size_t QuotedEnd(const String& text, size_t start) {
  size_t i = start + 1;
  while (i < text.size()) {
    if (IsQuoteChar(text[i])) {
      if (i + 1 < text.size() && IsQuoteChar(text[i + 1])) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return text.size();
}

}  // namespace

TEBItem ReadBuilderEntry(const String& text) {
  TEBItem item;
  item.Code = StrToIntDef(StringView(text).substr(0, std::min(kCodeLength, text.size())), 1);
  const String rest = SubstitutePlaceholders(text.size() > kCodeLength ? text.substr(kCodeLength) : String());
  const size_t first = rest.find(u'|');
  item.Display = rest.substr(0, first);
  if (first == String::npos) return item;
  const size_t second = rest.find(u'|', first + 1);
  item.Template = rest.substr(first + 1, second == String::npos ? String::npos : second - first - 1);
  if (second != String::npos) item.Help = rest.substr(second + 1);
  return item;
}

TExpressionCatalogue::TExpressionCatalogue(const std::vector<TDataSet*>& dataSets, const TWideStrings* fields,
                                           bool useDisplayNames, const TSMIParameters* parameters)
    : FHasSource(fields != nullptr), FUseDisplayNames(useDisplayNames) {
  FCategories = {strEBDataSources, strEBConst, strEBOperators, strEBFunctions, strEBVariables};

  // Data sources: the source fields, then each dataset's visible data fields.
  if (fields != nullptr) {
    AddSubCategory(ebcDataSources, strSource);
    for (int i = 0; i < fields->Count(); ++i) {
      if (Trim(fields->Get(i)).empty()) continue;
      FItems.push_back({0, fields->Get(i), String(), String()});
    }
  }
  for (TDataSet* dataSet : dataSets) {
    if (dataSet == nullptr) continue;
    const Integer position = static_cast<Integer>(SubCategories(ebcDataSources).size());
    AddSubCategory(ebcDataSources, dataSet->Name());
    TDataSetFields names{dataSet->Name(), {}};
    for (int i = 0; i < dataSet->Fields().Count(); ++i) {
      const TField* field = dataSet->Fields().Fields(i);
      if (!field->Visible() || field->FieldKind() != fkData) continue;
      FItems.push_back({position, useDisplayNames ? field->DisplayName() : field->FieldName(), String(), String()});
      if (useDisplayNames) names.Fields.emplace_back(field->FieldName(), field->DisplayName());
    }
    FDataSets.push_back(std::move(names));
  }

  AddSubCategory(ebcConstants, strEBAll);
  for (const String& caption : {strEBArithmetic, strEBComparison, strEBLogic})
    AddSubCategory(ebcOperators, caption);
  for (const String& caption :
       {strEBConversion, strEBDT, strEBMath, strEBFlow, strEBAggregate, strEBStrCategory, strEBDataSources})
    AddSubCategory(ebcFunctions, caption);
  AddSubCategory(ebcVariables, strEBSysVaraiables);
  AddSubCategory(ebcVariables, strEBCustomVaraiables);

  // Constants and operators.
  for (const String& entry : {String(u"10000"), strEBFalse, strEBNULL, strEBTrue}) Add(entry);
  const String value = strEBValue;
  Add(u"20000-|<%n1>-<%n2>");
  Add(u"20000*|<%n1>*<%n2>");
  Add(u"20000/|<%n1>/<%n2>");
  Add(u"20000+|" + value + u"1 + " + value + u"2|" + strEBAdd);
  for (const char16_t* op : {u"<", u"<=", u"<>", u"=", u">", u">="})
    Add(u"20001" + String(op) + u"|" + value + u"1 " + op + u" " + value + u"2");
  for (const char16_t* op : {u"AND", u"NOT", u"OR"}) Add(u"20002" + String(op));

  // Functions.
  Add(u"30000CHR(%n)|CHR(" + Slot(strEBCharCode) + u")|" + strEBCHR);
  for (const String& entry : {strEBDateToStr, strEBFloatToStr, strEBIntToStr, strEBVarToStr, strEBCoalesce}) Add(entry);
  Add(u"30000ORD(%s)|ORD(" + Slot(strEBChar) + u")|" + strEBORD);
  for (const String& entry : {strEBStrToDate, strEBStrToFloat, strEBStrToInt, strEBDatePart}) Add(entry);
  Add(u"30001DATETIMEFROMSTRING(%s, %s, %s, %s)");
  for (const String& entry : {strEBDay, strEBGetDate, strEBHour, strEBMinute, strEBMonth, strEBSecond, strEBTimePart,
                              strEBYear, strEBAbs, strEBExp, strEBFrac, strEBInt, strEBLn, strEBLog})
    Add(entry);
  Add(u"30002MOD");
  Add(u"30002POWER(%n, %n)|Power(" + Slot(strEBBase) + u", " + Slot(strEBExponent) + u")|" + strEBPower);
  Add(u"30002RANDOM(%n)|Random([" + strEBRange + u"])|" + strEBRandom);
  for (const String& entry : {strEBRound, strEBSqr, strEBSqrt, strEBPercent, strEBIsNumeric, strEBIIF, strEBIsNull,
                              strEBAvg, strEBCount, strEBMax, strEBMin, strEBSum, strEBLength, strEBLower, strEBPos})
    Add(entry);
  Add(u"30005REPLACESTR(%s, %s, %s, %b, %b)|ReplaceStr(%s, " + Slot(strEBOld) + u", " + Slot(strEBNew) + u", " +
      Slot(strEBIgnoreCase) + u", " + Slot(strEBReplaceAll) + u")|" + strEBReplaceStr);
  for (const String& entry : {strEBSubString, strEBPadL, strEBPadR, strEBTrim, strEBTrimLeft, strEBTrimRight,
                              strEBUpper, strEBIsAlpha})
    Add(entry);
  const String substring = Slot(strEBSubStringText);
  Add(u"30005ISCONTAIN(%s)|IsContain(" + substring + u", %s)|" + strEBIsContain);
  Add(u"30005ISSTARTSWITH(%s)|IsStartsWith(" + substring + u", %s)|" + strEBIsStartsWith);
  Add(u"30005ISENDSWITH(%s)|IsEndsWith(" + substring + u", %s)|" + strEBIsEndsWith);
  Add(u"30006LOOKUP(%s, %s, %s, %s)|LOOKUP(" + Slot(strEBTable) + u", " + Slot(strEBLookupField) + u", " +
      Slot(strEBValue) + u", " + Slot(strEBReturnField) + u")|" + strEBLookup);
  Add(u"30006SUBSTITUTE(%s, %s, %s)|SUBSTITUTE(" + Slot(strEBValue) + u", " + Slot(strEBSourceValues) + u", " +
      Slot(strEBResultValues) + u")|" + strEBSubstitute);

  AddUserFunctions();

  for (const String& entry : {strEBSysTotalCount, strEBSysTotalImported, strEBSysTotalAdded, strEBSysTotalDeleted,
                              strEBSysTotalUpdated, strEBSysErrorCount, strEBSysTotalSkipped})
    Add(entry);
  if (parameters != nullptr) {
    for (int i = 0; i < parameters->Count(); ++i) {
      const TSMIParameter& parameter = parameters->Items(i);
      Add(u"40001" + parameter.Name() + u"|" + parameter.Caption + u"|" + parameter.Description);
    }
  }
}

void TExpressionCatalogue::Add(const String& entry) { FItems.push_back(ReadBuilderEntry(entry)); }

void TExpressionCatalogue::AddSubCategory(Integer category, const String& caption) {
  FSubCategories.push_back({caption, category});
}

void TExpressionCatalogue::AddUserFunctions() {
  if (lstVODRegFunctions == nullptr) return;
  for (int i = 0; i < lstVODRegFunctions->Count(); ++i) {
    const TSMIParserFunction& function = *lstVODRegFunctions->GetFunction(i);
    auto category = std::find(FCategories.begin(), FCategories.end(), function.Category());
    const Integer categoryIndex = static_cast<Integer>(category - FCategories.begin());
    if (category == FCategories.end()) FCategories.push_back(function.Category());
    const std::vector<const TEBSubCategory*> subs = SubCategories(categoryIndex);
    auto sub = std::find_if(subs.begin(), subs.end(),
                            [&](const TEBSubCategory* s) { return s->Caption == function.SubCategory(); });
    const Integer position = static_cast<Integer>(sub - subs.begin());
    if (sub == subs.end()) AddSubCategory(categoryIndex, function.SubCategory());
    const String positionDigits = IntToStr(position);
    String text = IntToStr(categoryIndex) + String(4 - std::min<size_t>(4, positionDigits.size()), u'0') +
                  positionDigits + function.Name() + u"|" + function.Description();
    if (!function.Hint().empty()) text += u"|" + function.Hint();
    Add(text);
  }
}

std::vector<const TEBSubCategory*> TExpressionCatalogue::SubCategories(Integer category) const {
  std::vector<const TEBSubCategory*> found;
  for (const TEBSubCategory& sub : FSubCategories)
    if (sub.Category == category) found.push_back(&sub);
  return found;
}

std::vector<const TEBItem*> TExpressionCatalogue::Items(Integer category, Integer position) const {
  std::vector<const TEBItem*> found;
  const Integer code = category * 10000 + position;
  for (const TEBItem& item : FItems)
    if (item.Code == code) found.push_back(&item);
  std::stable_sort(found.begin(), found.end(), [](const TEBItem* a, const TEBItem* b) {
    return AnsiCompareText(a->Display, b->Display) < 0;
  });
  return found;
}

String TExpressionCatalogue::InsertText(const TEBItem& item, Integer category, Integer position) const {
  if (category != ebcDataSources || position == 0) return u" " + item.Display + u" ";
  const std::vector<const TEBSubCategory*> subs = SubCategories(ebcDataSources);
  const String dataSet = position < static_cast<Integer>(subs.size()) ? subs[static_cast<size_t>(position)]->Caption
                                                                       : String();
  const String field = FUseDisplayNames ? u"\"" + item.Display + u"\"" : item.Display;
  return u"[" + dataSet + u"." + field + u"]";
}

String TExpressionCatalogue::RenameReferences(const String& text, bool toDisplay) const {
  if (!FUseDisplayNames) return text;
  String out;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (IsQuoteChar(c)) {
      // A string literal stays as written.
      const size_t end = QuotedEnd(text, i);
      out += text.substr(i, end - i);
      i = end;
      continue;
    }
    if (c != u'[') {
      out += c;
      ++i;
      continue;
    }
    // A bracketed reference: "[" dataset "." field "]", the field possibly
    // quoted (a display name may hold "]").
    const size_t firstClose = text.find(u']', i + 1);
    const size_t dot = text.find(u'.', i + 1);
    size_t close = String::npos;
    if (dot != String::npos && dot < firstClose) {
      if (dot + 1 < text.size() && text[dot + 1] == u'"') {
        const size_t quote = text.find(u'"', dot + 2);
        if (quote != String::npos && quote + 1 < text.size() && text[quote + 1] == u']') close = quote + 1;
      } else {
        close = firstClose;
      }
    }
    if (close == String::npos) {
      out += c;
      ++i;
      continue;
    }
    const StringView dataSet = StringView(text).substr(i + 1, dot - i - 1);
    const StringView field = StringView(text).substr(dot + 1, close - dot - 1);
    String replaced(field);
    for (const TDataSetFields& names : FDataSets) {
      if (!AnsiSameText(names.Name, dataSet)) continue;
      for (const auto& [name, display] : names.Fields) {
        if (toDisplay && AnsiSameText(field, name)) {
          replaced = u"\"" + display + u"\"";
          break;
        }
        if (!toDisplay && field.size() >= 2 && field.front() == u'"' && field.back() == u'"' &&
            AnsiSameText(field.substr(1, field.size() - 2), display)) {
          replaced = name;
          break;
        }
      }
      break;
    }
    out += u"[" + String(dataSet) + u"." + replaced + u"]";
    i = close + 1;
  }
  return out;
}

String TExpressionCatalogue::ToDisplay(const String& expression) const { return RenameReferences(expression, true); }

String TExpressionCatalogue::FromDisplay(const String& memoText) const {
  String joined;
  for (char16_t c : memoText)
    if (c != u'\r' && c != u'\n') joined += c;
  return RenameReferences(joined, false);
}

bool CheckExpression(const String& expression, String& message) {
  TSMIParser parser;
  parser.SetText(expression);
  try {
    parser.Validate();
  } catch (const Exception& e) {
    message = e.Message();
    return false;
  }
  message.clear();
  return true;
}

namespace {

void AddDataSets(const TComponent* owner, const TDataSet* destination, std::vector<TDataSet*>& found, int depth) {
  if (owner == nullptr || depth > 1) return;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    auto* dataSet = dynamic_cast<TDataSet*>(owner->Components(i));
    if (dataSet == nullptr) continue;
    if (dataSet == destination)
      AddDataSets(dataSet, destination, found, depth + 1);
    else if (std::find(found.begin(), found.end(), dataSet) == found.end())
      found.push_back(dataSet);
  }
}

}  // namespace

std::vector<TDataSet*> ExpressionDataSets(const TSMIWizardDlg& wizard) {
  std::vector<TDataSet*> found;
  TDataSet* destination = wizard.DataSet();
  if (destination != nullptr) found.push_back(destination);
  AddDataSets(wizard.Owner(), destination, found, 0);
  return found;
}
