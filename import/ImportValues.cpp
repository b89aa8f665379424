// Reading the values of the current row: mapping sources are column names
// or expressions; the names an expression meets are resolved here, and the
// result is converted for its destination field (ValueConversion.h).
#include <memory>

#include "import/ExpressionHelpers.h"
#include "import/ImportComponent.h"
#include "import/ImportMessages.h"
#include "import/SMIParser.h"
#include "import/ValueConversion.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Strings.h"

namespace {

String TextOf(const Variant& value) { return value.IsNull() || value.IsEmpty() ? String() : value.AsString(); }

// Removes one pair of enclosing characters; true when there was one.
bool StripEnclosing(String& text, WideChar open, WideChar close) {
  if (text.size() < 2 || text.front() != open || text.back() != close) return false;
  text = text.substr(1, text.size() - 2);
  return true;
}

String Argument(const std::vector<Variant>& args, size_t index) {
  return index < args.size() ? TextOf(args[index]) : String();
}

Variant Substitute(const String& value, String keys, String results) {
  String key;
  String result;
  while (!keys.empty()) {
    GetNextItem(u";", keys, key);
    GetNextItem(u";", results, result);
    if (key == value) return Variant(result);
  }
  return Variant::Null();
}

// The statistic counter a name such as STATTOTALADDED (any letter case)
// stands for.
const Integer* StatisticCounter(const TSMIStatistic& statistic, StringView name) {
  if (name.size() < 4 || !SameText(name.substr(0, 4), u"STAT")) return nullptr;
  if (SameText(name, u"STATTOTALCOUNT")) return &statistic.TotalCount;
  if (SameText(name, u"STATTOTALIMPORTED")) return &statistic.TotalImported;
  if (SameText(name, u"STATTOTALADDED")) return &statistic.TotalAdded;
  if (SameText(name, u"STATTOTALDELETED")) return &statistic.TotalDeleted;
  if (SameText(name, u"STATTOTALUPDATED")) return &statistic.TotalUpdated;
  if (SameText(name, u"STATERRORCOUNT")) return &statistic.TotalErrors;
  if (SameText(name, u"STATTOTALSKIPPED")) return &statistic.TotalSkipped;
  return nullptr;
}

// The field a name "dataset.field" stands for; nullptr when either is
// missing.
TField* DottedField(const TRADerevuBaseComponent& component, const String& name) {
  const size_t dot = name.find(u'.');
  if (dot == String::npos) return nullptr;
  TDataSet* dataSet = component.GetDatasetByName(name);
  return dataSet == nullptr ? nullptr : dataSet->FindField(name.substr(dot + 1));
}

}  // namespace

TField* TRADerevuBaseComponent::CurrentParsedField() const {
  if (FDataSet == nullptr || intCurrentParsedFieldIndex < 0 ||
      intCurrentParsedFieldIndex >= FDataSet->Fields().Count())
    return nullptr;
  return FDataSet->Fields()[intCurrentParsedFieldIndex];
}

bool TRADerevuBaseComponent::LoadRecord() {
  for (TSMIValueEntry& entry : vFields) {
    intCurrentParsedFieldIndex = entry.FieldLink;
    TField* field = CurrentParsedField();
    if (entry.FieldLink < 0 && FDataSet != nullptr) {
      field = FDataSet->FindField(entry.Name);
      if (field != nullptr) intCurrentParsedFieldIndex = FDataSet->Fields().IndexOf(field);
    }
    const size_t slot = static_cast<size_t>(&entry - vFields.data());
    // The direct roads run without handlers (PlanSourceColumns): nothing
    // sees the entry while its value is read in place. An expression's
    // handlers may look at the entries, so its value is stored at the end.
    Variant parsed;
    Variant* target = &entry.Value;
    if (slot < FSourceColumns.size() && FSourceColumns[slot] >= 0) {
      ReadSourceColumn(FSourceColumns[slot], entry.Value);
    } else if (slot < FSourceNames.size() && !FSourceNames[slot].IsEmpty()) {
      // A reader's GetFieldValue starts from an empty value, as on the
      // expression road.
      entry.Value = Variant();
      GetFieldValue(FSourceNames[slot], entry.Value);
      FinishParsedValue(entry.Value, false);
    } else {
      GetParsedValue(entry.Source, entry.FieldLink, parsed);
      target = &parsed;
    }
    Variant& value = *target;
    if (FCharacterSet != csiANSI_WINDOWS && !value.IsNull() && !value.IsEmpty() &&
        (field == nullptr || !IsNumericOrDateTimeType(field->DataType()))) {
      value = Variant(FCharacterSet == csiASCII_MSDOS ? ImportText::UECode(true, value.AsString())
                                                        : ImportText::EBCDICToText(value.AsString()));
    }
    if (OnGetCellParams) OnGetCellParams(this, field, value);
    if (target == &parsed) entry.Value = std::move(parsed);
  }
  intCurrentParsedFieldIndex = -1;

  bool accept = true;
  Variant condition;
  if (!FLoadCondition.LoadWhen().empty()) {
    GetParsedValue(Variant(FLoadCondition.LoadWhen()), -1, condition);
    accept = condition.AsBoolean();
  }
  if (accept && !FLoadCondition.SkipIf().empty()) {
    GetParsedValue(Variant(FLoadCondition.SkipIf()), -1, condition);
    accept = !condition.AsBoolean();
  }
  if (accept && HasOption(soSkipEmptyRow)) accept = !SkipEmptyRow();
  if (OnBeforeRecordEvent) OnBeforeRecordEvent(this, String(), vFields, accept);

  if (accept && !vFields.empty()) {
    const bool keyed = FMode != imAppend || static_cast<bool>(OnGetRowMode);
    auto refresh = [this](std::vector<TSMIValueEntry>& entries) {
      for (TSMIValueEntry& entry : entries) {
        if (entry.FieldLink >= 0 && entry.FieldLink < static_cast<Integer>(vFields.size()))
          entry.Value = vFields[static_cast<size_t>(entry.FieldLink)].Value;
      }
    };
    refresh(vValues);
    if (keyed) refresh(vLocate);
  }
  return accept;
}

void TRADerevuBaseComponent::PlanSourceColumns() {
  FSourceColumns.assign(vFields.size(), -1);
  FSourceNames.assign(vFields.size(), Variant());
  // Handlers and character sets see or change what the expression road
  // produces; with any of them every value takes that road.
  if (FCharacterSet != csiANSI_WINDOWS || OnGetCellParams || OnParsedValue || OnParserEvaluate) return;
  for (size_t i = 0; i < vFields.size(); ++i) {
    const String* source = vFields[i].Source.StringValue();
    if (source == nullptr || source->empty()) continue;
    // A parameter or a user function of the same name answers before the
    // reader does.
    if (FParameters.ParamByName(*source) != nullptr) continue;
    if (lstVODRegFunctions != nullptr && lstVODRegFunctions->FunctionByName(*source) != nullptr) continue;
    FSourceColumns[i] = SourceColumnIndex(*source);
    if (FSourceColumns[i] < 0) FSourceNames[i] = PlainSourceName(*source);
  }
}

Variant TRADerevuBaseComponent::PlainSourceName(const String& source) {
  String name;
  try {
    if (!ExpressionParser(source)->PlainName(name)) return {};
  } catch (const Exception&) {
    return {};  // the expression road reports the fault
  }
  // The brackets come off twice on the expression road: once where the
  // name is evaluated, once where it is resolved.
  if (name.starts_with(u'[')) name.erase(0, 1);
  if (name.ends_with(u']')) name.pop_back();
  StripEnclosing(name, u'[', u']');
  // Literals, statistic counters, parameters, functions and dataset fields
  // resolve before the reader is asked.
  if (name.empty() || name.front() == u'"' || name.find(u'.') != String::npos) return {};
  for (const char16_t* function : {u"GETFIELDVALUE", u"LOOKUP", u"SUBSTITUTE"})
    if (SameText(name, function)) return {};
  if (StatisticCounter(FStatistic, name) != nullptr || FParameters.ParamByName(name) != nullptr) return {};
  if (lstVODRegFunctions != nullptr && lstVODRegFunctions->FunctionByName(name) != nullptr) return {};
  return Variant(std::move(name));
}

void TRADerevuBaseComponent::ReadSourceColumn(Integer column, Variant& value) {
  StringView text = SourceColumnText(column, FSourceScratch);
  const auto blank = [](char16_t c) { return c <= u' '; };
  if (FTrimSpaces == tsTrimLeft || FTrimSpaces == tsTrimLeftRight) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  }
  if (FTrimSpaces == tsTrimRight || FTrimSpaces == tsTrimLeftRight) {
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  }
  if (text.empty()) {
    value = Variant::Null();
    return;
  }
  value = Variant(String(text));
  if (TField* destination = CurrentParsedField(); destination != nullptr) ConvertForField(value, *destination);
}

void TRADerevuBaseComponent::ConvertForField(Variant& value, const TField& field) {
  // Only dates and times read the masks; keeping them current compares the
  // formats, which is the dearer part for every other value.
  const TConversionKind kind = ConversionKindOf(field.DataType());
  if (kind != TConversionKind::DateTime && kind != TConversionKind::Time) {
    ConvertValueForField(value, field, {FDataFormats, {}, {}, BLOBIsMIME()});
    return;
  }
  const TConversionMasks& masks = ConversionMasks();
  ConvertValueForField(value, field, {FDataFormats, masks.DateTime, masks.Time, BLOBIsMIME()});
}

bool TRADerevuBaseComponent::SkipEmptyRow() const {
  for (const TSMIValueEntry& entry : vFields) {
    String text = Trim(TextOf(entry.Value));
    if (!text.empty() && text != u"0") return false;
  }
  return true;
}

void TRADerevuBaseComponent::GetParsedValue(const Variant& expression, Integer, Variant& value) {
  const String* source = expression.StringValue();
  const String text = source != nullptr ? String() : TextOf(expression);
  const String& expressionText = source != nullptr ? *source : text;
  if ((FTableType == teText || FTableType == teClipboard) && expressionText.starts_with(strTextFieldName)) {
    value = Variant(expressionText);
    bool done = false;
    ParserEvaluate(this, expressionText, {}, 0, false, value, done);
    return;
  }
  EvaluateExpression(expressionText, value);
}

void TRADerevuBaseComponent::EvaluateExpression(const String& expression, Variant& value) {
  // Held for the whole evaluation: an event may reach this method again and
  // the cache may drop the parser meanwhile.
  const std::shared_ptr<TSMIParser> parser = ExpressionParser(expression);
  value = parser->GetValue();
}

std::shared_ptr<TSMIParser> TRADerevuBaseComponent::ExpressionParser(const String& expression) {
  // Expressions come from mappings, conditions and parameters, a handful
  // per run; the bound only stops a long-lived component from collecting
  // texts without end.
  constexpr size_t kMaxCachedExpressions = 256;
  auto found = FExpressionParsers.find(expression);
  if (found != FExpressionParsers.end()) return found->second;
  if (FExpressionParsers.size() >= kMaxCachedExpressions) FExpressionParsers.clear();
  auto parser = std::make_shared<TSMIParser>();
  parser->SetText(expression);
  parser->OnEvaluate = [this](TComponent* sender, const String& eval, const std::vector<Variant>& args,
                              int argCount, bool isChild, Variant& result, bool& done) {
    ParserEvaluate(sender, eval, args, argCount, isChild, result, done);
  };
  FExpressionParsers.emplace(expression, parser);
  return parser;
}

const TRADerevuBaseComponent::TConversionMasks& TRADerevuBaseComponent::ConversionMasks() {
  const bool xml = FTableType == teXML;
  TConversionMasks& masks = FConversionMasks;
  if (!masks.Valid || masks.Xml != xml || !(masks.Formats == FDataFormats)) {
    masks.Formats = FDataFormats;
    masks.Xml = xml;
    masks.DateTime = BuildDTFormat();
    masks.Time = BuildTimeFormat(false);
    masks.Valid = true;
  }
  return masks;
}

void TRADerevuBaseComponent::ParserEvaluate(TComponent* sender, const String& eval, const std::vector<Variant>& args,
                                            int argCount, bool isChild, Variant& value, bool& done) {
  done = argCount == 0;
  String name = VarIsStr(value) ? value.AsString() : eval;
  if (VarIsStr(value) && !name.empty()) {
    StripEnclosing(name, u'[', u']');
    if (StripEnclosing(name, u'"', u'"')) {
      // A quoted source is a literal: no lookup, trimming or conversion.
      value = Variant(std::move(name));
      return;
    }
    value = Variant(name);
  }
  if (SameText(name, u"GETFIELDVALUE") && argCount >= 2) {
    value = Variant::Null();
    if (TDataSet* dataSet = GetDatasetByName(Argument(args, 0)); dataSet != nullptr)
      value = dataSet->FieldByName(Argument(args, 1))->Value();
  } else if (SameText(name, u"LOOKUP") && argCount >= 4) {
    value = Variant::Null();
    TDataSet* dataSet = GetDatasetByName(Argument(args, 0));
    if (dataSet != nullptr && dataSet->Locate(Argument(args, 1), args[2], 0)) {
      String resultField = Argument(args, 3);
      StripEnclosing(resultField, u'~', u'~');
      value = dataSet->FieldByName(resultField)->Value();
    }
  } else if (SameText(name, u"SUBSTITUTE") && argCount >= 3) {
    value = Variant::Null();
    if (!Argument(args, 1).empty()) value = Substitute(Argument(args, 0), Argument(args, 1), Argument(args, 2));
  } else if (const Integer* counter = StatisticCounter(FStatistic, name); counter != nullptr) {
    value = Variant(*counter);
  } else {
    if (const TSMIParameter* parameter = FParameters.ParamByName(name); parameter != nullptr) {
      value = parameter->Value;
    } else if (TField* field = DottedField(*this, name); field != nullptr) {
      value = field->Value();
    } else {
      GetFieldValue(Variant(std::move(name)), value);
    }
    if (OnParsedValue) OnParsedValue(this, CurrentParsedField(), value);
  }
  if (OnParserEvaluate) OnParserEvaluate(sender, eval, args, argCount, isChild, value, done);
  FinishParsedValue(value, isChild);
}

void TRADerevuBaseComponent::FinishParsedValue(Variant& value, bool isChild) {
  // A number, date or boolean is never trimmed, never empty and never
  // converted: most values of a typed source leave here.
  switch (value.VarType()) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varBoolean: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
    case varUInt64:
      return;
    default: break;
  }
  const bool text = VarIsStr(value);
  if (text && FTrimSpaces != tsNoTrim) {
    const String text = value.AsString();
    switch (FTrimSpaces) {
      case tsTrimRight: value = Variant(TrimRight(text)); break;
      case tsTrimLeft: value = Variant(TrimLeft(text)); break;
      case tsTrimLeftRight: value = Variant(Trim(text)); break;
      case tsNoTrim: break;
    }
  }
  if (IsEmptyText(value)) {
    value = Variant::Null();
    return;
  }
  // Only text is converted for its destination.
  if (!text || isChild) return;
  if (TField* destination = CurrentParsedField(); destination != nullptr) ConvertForField(value, *destination);
}

TDataSet* TRADerevuBaseComponent::GetDatasetByName(const String& name) const {
  const size_t dot = name.find(u'.');
  const String first = name.substr(0, dot);
  const String rest = dot == String::npos ? String() : name.substr(dot + 1);
  // The application's forms and data modules first; else the form that
  // holds the host's datasets: the wizard's owner when this source was made
  // by the wizard, else this component's owner.
  TComponent* form = FindTopLevelComponent(first);
  const bool ownersForm = form == nullptr;
  if (ownersForm) {
    form = Owner();
    if (auto* wizard = dynamic_cast<TRADerevuBaseComponent*>(form); wizard != nullptr) form = wizard->Owner();
  }
  if (form == nullptr) return dynamic_cast<TDataSet*>(FindComponent(rest));
  if (auto* dataSet = dynamic_cast<TDataSet*>(form); dataSet != nullptr && !ownersForm) return dataSet;
  TComponent* found = form->FindComponent(ownersForm && !first.empty() ? first : rest);
  if (found == nullptr) return nullptr;
  auto* dataSet = dynamic_cast<TDataSet*>(found);
  if (dataSet == nullptr) throw EConvertError(u"Invalid class typecast");
  return dataSet;
}
