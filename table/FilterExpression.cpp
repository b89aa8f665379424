#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "table/BoolParser.h"
#include "table/Data.h"

namespace {

constexpr char16_t Unit[] = u"FilterExpression";

// Nesting through NOT and parentheses. Deeper texts are refused, so neither
// the parser nor the evaluation can run out of stack.
constexpr Integer MaxFilterDepth = 256;

[[noreturn]] void IllegalFilter() { throw Exception(u"Illegal filter expression"); }

// A number lexeme: a 64-bit integer when it is one, otherwise a float.
Variant NumberValue(StringView text) {
  Int64 value;
  if (TryStrToInt64(text, value)) return Variant(value);
  return Variant(StrToFloat(text));
}

// A string lexeme as a value: each doubled single quote made one; a lone
// single quote (possible only in a double-quoted string) ends the value.
String StringValue(StringView lexem) {
  String value;
  for (size_t i = 0; i < lexem.size(); ++i) {
    if (lexem[i] == u'\'') {
      if (i + 1 >= lexem.size() || lexem[i + 1] != u'\'') break;
      ++i;
    }
    value += lexem[i];
  }
  return value;
}

// The items of an IN list, read after its "(" up to and including the ")".
// Numbers are written with "." whatever the locale, so a filter text means
// the same everywhere; signs are kept in front of the item's text.
std::vector<Variant> ReadValueList(TBoolParser& parser) {
  const WideChar decSeparator = parser.DecSeparator;
  parser.DecSeparator = u'.';
  std::vector<Variant> items;
  String lexem;
  for (int code = parser.GetNext(lexem); code != lxRightBracket; code = parser.GetNext(lexem)) {
    if (code == lcSymbol && lexem == u",") continue;
    String text;
    if (code == lxMinus || code == lxPlus) {
      text = lexem;
      code = parser.GetNext(lexem);
    }
    text += lexem;
    if (code == lcString) {
      items.emplace_back(std::move(text));
    } else if (code == lcNumber) {
      Int64 value;
      if (TryStrToInt64(text, value)) {
        items.emplace_back(value);
      } else {
        std::replace(text.begin(), text.end(), u'.', FormatSettings.DecimalSeparator);
        items.emplace_back(StrToFloat(text));
      }
    } else {
      IllegalFilter();
    }
  }
  parser.DecSeparator = decSeparator;
  return items;
}

bool IsFieldOfType(const TExpressionNode* node, std::initializer_list<TDataType> types) {
  if (node->NodeType != ntField) return false;
  const TDataType type = node->FieldDesc->GetMappedDataType();
  return std::find(types.begin(), types.end(), type) != types.end();
}
bool IsDateField(const TExpressionNode* node) { return IsFieldOfType(node, {dtDate, dtTime, dtDateTime}); }
bool IsBooleanField(const TExpressionNode* node) { return IsFieldOfType(node, {dtBoolean}); }

// A text compared with a date field becomes a date: read by the date-time
// format when it fits, otherwise by the variant conversion (which may fail).
void NormalizeDateField(Variant& value) {
  if (!VarIsStr(value)) return;
  TDateTime date;
  if (!TryStrToDateTime(value.AsString(), date)) date = value.AsDateTime();
  value = Variant::FromDateTime(date);
}

void UpperCaseText(Variant& value) {
  if (VarIsStr(value)) value = Variant(AnsiUpperCase(value.AsString()));
}

// LOWER(...) and UPPER(...) mark their operand through its LeftOperand.
void ApplyCaseMarker(const TExpressionNode* node, Variant& value) {
  const TExpressionNode* marker = node->LeftOperand;
  if (marker == nullptr || value.IsNull()) return;
  if (marker->NodeType == ntLower) value = Variant(AnsiLowerCase(VarToStr(value)));
  else if (marker->NodeType == ntUpper) value = Variant(AnsiUpperCase(VarToStr(value)));
}

Variant OperandValue(TData& data, TRecBuf recBuf, const TExpressionNode* node) {
  if (node->NodeType != ntField) return node->Value;
  Variant value;
  data.GetMappedFieldAsVariant(node->FieldDesc, recBuf, value, data.FFilterUseRollBack);
  return value;
}

// A comparison node (=, <>, <, >, <=, >=, LIKE, IN and their negations) for
// the record at recBuf.
bool EvalComparison(TData& data, TRecBuf recBuf, const TExpressionNode* node) {
  const TExpressionNode* leftNode = node->LeftOperand;
  const TExpressionNode* rightNode = node->RightOperand;
  if (leftNode == nullptr || rightNode == nullptr) AssertionFailed(Unit);
  const TExpressionType type = node->NodeType;

  Variant left = OperandValue(data, recBuf, leftNode);
  Variant right;
  if (!rightNode->IsValueList) right = OperandValue(data, recBuf, rightNode);
  // The list is copied only when its items must change for this comparison.
  const bool listChanges = IsDateField(leftNode) || data.FFilterCaseInsensitive;
  std::vector<Variant> changedList;
  if (rightNode->IsValueList && listChanges) changedList = rightNode->ValueList;

  if (IsDateField(rightNode)) NormalizeDateField(left);
  if (IsDateField(leftNode)) {
    NormalizeDateField(right);
    for (Variant& item : changedList) NormalizeDateField(item);
  }
  if (data.FFilterCaseInsensitive) {
    UpperCaseText(left);
    UpperCaseText(right);
    for (Variant& item : changedList) UpperCaseText(item);
  }
  ApplyCaseMarker(leftNode, left);
  ApplyCaseMarker(rightNode, right);

  switch (type) {
    case ntMore:
    case ntLess:
    case ntMoreEqual:
    case ntLessEqual: {
      if (left.IsNull() || right.IsNull()) return false;
      const TVariantRelationship rel = VarCompareValue(left, right);
      if (type == ntMore) return rel == vrGreaterThan;
      if (type == ntLess) return rel == vrLessThan;
      if (type == ntMoreEqual) return rel == vrGreaterThan || rel == vrEqual;
      return rel == vrLessThan || rel == vrEqual;
    }
    case ntEqual:
    case ntNoEqual:
    case ntLike:
    case ntNotLike:
    case ntIn:
    case ntNotIn:
      break;
    default:
      AssertionFailed(Unit);
  }

  // Without FFilterNoPartialCompare "=" and "<>" match patterns too, so
  // Name = 'A*' selects the names beginning with A.
  const bool wildcards = type == ntLike || type == ntNotLike || !data.FFilterNoPartialCompare;
  const bool booleans = IsBooleanField(leftNode) || IsBooleanField(rightNode);
  String leftText;
  bool haveLeftText = false;
  auto matches = [&](const Variant& item) {
    if (wildcards && (VarIsStr(left) || (VarIsStr(item) && type != ntEqual))) {
      if (!haveLeftText) {
        leftText = VarToStr(left);
        haveLeftText = true;
      }
      return MatchesMask(leftText, VarToStr(item), data.FFilterNoPartialCompare);
    }
    if (booleans && !left.IsNull() && !item.IsNull()) return left.AsBoolean() == item.AsBoolean();
    return VarSameValue(left, item);
  };
  bool found;
  if (rightNode->IsValueList) {
    const std::vector<Variant>& items = listChanges ? changedList : rightNode->ValueList;
    found = std::any_of(items.begin(), items.end(), matches);
  } else {
    found = matches(right);
  }
  return type == ntNoEqual || type == ntNotLike || type == ntNotIn ? !found : found;
}

enum class TMaskTokenKind : Byte { Run, One, Char };
struct TMaskToken {
  TMaskTokenKind Kind;
  char16_t Char;
  size_t Next;  // index of the following token
};

// The token at index m of a LIKE pattern.
TMaskToken MaskTokenAt(StringView mask, size_t m, bool noPartialCompare) {
  const char16_t c = mask[m];
  const bool last = m + 1 == mask.size();
  if (c == WildcardPct || (c == WildcardAst && !(last && noPartialCompare))) return {TMaskTokenKind::Run, c, m + 1};
  if (c == u'\\' && !last) return {TMaskTokenKind::Char, mask[m + 1], m + 2};
  // "\\_" is a backslash and a literal "_": a _ after any backslash is literal.
  if (c == WildcardOne && (m == 0 || mask[m - 1] != u'\\')) return {TMaskTokenKind::One, c, m + 1};
  return {TMaskTokenKind::Char, c, m + 1};
}

}  // namespace

// Greedy matching with one point to come back to: the last run wildcard
// seen. On a mismatch that wildcard takes one more character and matching
// resumes after it. Earlier wildcards never need to take more, because the
// last one can absorb anything they would. Time at worst text length times
// mask length, constant memory, no recursion.
bool MatchesMask(StringView text, StringView mask, bool noPartialCompare) {
  constexpr size_t None = StringView::npos;
  size_t t = 0, m = 0;
  size_t resumeMask = None, resumeText = 0;
  while (t < text.size()) {
    if (m < mask.size()) {
      const TMaskToken token = MaskTokenAt(mask, m, noPartialCompare);
      if (token.Kind == TMaskTokenKind::Run) {
        m = resumeMask = token.Next;
        resumeText = t;
        continue;
      }
      if (token.Kind == TMaskTokenKind::One || token.Char == text[t]) {
        ++t;
        m = token.Next;
        continue;
      }
    }
    if (resumeMask == None) return false;
    t = ++resumeText;
    m = resumeMask;
  }
  // The text is used up: only run wildcards may remain.
  while (m < mask.size()) {
    const TMaskToken token = MaskTokenAt(mask, m, noPartialCompare);
    if (token.Kind != TMaskTokenKind::Run) return false;
    m = token.Next;
  }
  return true;
}

void TData::SetFilterText(const String& value) {
  if (value == FFilterText) return;
  if (FActive) CreateFilterExpression(value);
  FFilterText = value;
}

void TData::CreateFilterExpression(const String& text) {
  FreeFilterExpression();
  if (Trim(text).empty()) return;
  TBoolParser parser(text);
  TRestoreValue<TBoolParser*> current(FParser, &parser);
  FFilterDepth = 0;
  try {
    NextLexem();
    TExpressionNode* root = OrExpr();
    if (FCode != lcEnd) FilterError();
    for (const TExpressionNode* node = FFirstAlloc; node != nullptr; node = node->NextAlloc) {
      if (node->NodeType == ntField && node->FieldDesc->FFieldDescKind == fdkCalculated) {
        root->UseCalculatedFields = true;
        break;
      }
    }
    FFilterExpression = root;
  } catch (...) {
    FreeFilterExpression();
    throw;
  }
}

void TData::FreeFilterExpression() {
  while (FFirstAlloc != nullptr) {
    TExpressionNode* next = FFirstAlloc->NextAlloc;
    delete FFirstAlloc;
    FFirstAlloc = next;
  }
  FFilterExpression = nullptr;
}

TExpressionNode* TData::AllocNode(TExpressionType nodeType, TExpressionNode* left, TExpressionNode* right) {
  auto* node = new TExpressionNode();
  node->NodeType = nodeType;
  node->LeftOperand = left;
  node->RightOperand = right;
  node->NextAlloc = FFirstAlloc;
  FFirstAlloc = node;
  return node;
}

void TData::FilterError() { IllegalFilter(); }

void TData::NextLexem() { FCode = FParser->GetNext(FStrLexem); }

// A chain "a OR b OR c" is built as a OR (b OR c): the same outcome and the
// same order of evaluation as grouping from the left, but Eval walks the
// chain in a loop, so a chain of any length needs no deeper stack.
TExpressionNode* TData::OrExpr() {
  TExpressionNode* first = AndExpr();
  if (FCode != lxOR) return first;
  TExpressionNode* chain = AllocNode(ntOr, first);
  for (TExpressionNode* last = chain;;) {
    NextLexem();
    TExpressionNode* next = AndExpr();
    if (FCode != lxOR) {
      last->RightOperand = next;
      return chain;
    }
    last = last->RightOperand = AllocNode(ntOr, next);
  }
}

TExpressionNode* TData::AndExpr() {
  TExpressionNode* first = Condition();
  if (FCode != lxAND) return first;
  TExpressionNode* chain = AllocNode(ntAnd, first);
  for (TExpressionNode* last = chain;;) {
    NextLexem();
    TExpressionNode* next = Condition();
    if (FCode != lxAND) {
      last->RightOperand = next;
      return chain;
    }
    last = last->RightOperand = AllocNode(ntAnd, next);
  }
}

TExpressionNode* TData::Condition() {
  TScopedCount depth(FFilterDepth);
  if (FFilterDepth > MaxFilterDepth) FilterError();

  switch (FCode) {
    case lxNOT:
      NextLexem();
      return AllocNode(ntNot, Condition());
    case lxTRUE:
    case lxFALSE: {
      TExpressionNode* node = AllocNode(FCode == lxTRUE ? ntTrue : ntFalse);
      NextLexem();
      return node;
    }
    case lxLeftBracket: {
      NextLexem();
      TExpressionNode* node = OrExpr();
      if (FCode != lxRightBracket) FilterError();
      NextLexem();
      return node;
    }
    case lcIdent:
    case lcNumber:
    case lcString:
    case lxMinus:
    case lxPlus:
    case lxLeftSqBracket:
    case lxRightSqBracket:
    case lxLOWER:
    case lxUPPER:
    case lxBETWEEN:
      break;
    default:
      FilterError();
  }

  // A value list makes sense only after IN.
  auto single = [this](TExpressionNode* node) {
    if (node->IsValueList) FilterError();
    return node;
  };
  TExpressionNode* left = single(Argument());
  if (FCode >= lxEqual && FCode <= lxNoEqual) {
    // The symbol codes run in the order of the node types.
    const auto type = static_cast<TExpressionType>(ntEqual + (FCode - lxEqual));
    NextLexem();
    return AllocNode(type, left, single(Argument()));
  }
  if (FCode == lxIS) {
    NextLexem();
    TExpressionType type = ntEqual;
    if (FCode == lxNOT) {
      type = ntNoEqual;
      NextLexem();
    }
    if (FCode != lxNULL) FilterError();
    NextLexem();
    TExpressionNode* null = AllocNode(ntValue);
    null->Value = Variant::Null();
    return AllocNode(type, left, null);
  }

  const bool negated = FCode == lxNOT;
  if (negated) NextLexem();
  switch (FCode) {
    case lxLIKE:
      NextLexem();
      return AllocNode(negated ? ntNotLike : ntLike, left, single(Argument()));
    case lxIN:
      NextLexem();
      if (FCode != lxLeftBracket) FilterError();
      return AllocNode(negated ? ntNotIn : ntIn, left, Argument());
    case lxBETWEEN: {
      // The bounds of NOT BETWEEN, and the upper bound of both forms, are
      // literals without a sign.
      auto literal = [this]() {
        if (FCode != lcNumber && FCode != lcString) FilterError();
        return Argument();
      };
      NextLexem();
      TExpressionNode* low = negated ? literal() : single(Argument());
      if (FCode != lxAND) FilterError();
      NextLexem();
      TExpressionNode* high = literal();
      if (negated) return AllocNode(ntOr, AllocNode(ntLess, left, low), AllocNode(ntMore, left, high));
      return AllocNode(ntAnd, AllocNode(ntMoreEqual, left, low), AllocNode(ntLessEqual, left, high));
    }
    default:
      FilterError();
  }
}

TExpressionNode* TData::Argument() {
  auto valueNode = [this](Variant value) {
    TExpressionNode* node = AllocNode(ntValue);
    node->Value = std::move(value);
    return node;
  };
  // A field: a dotted name of identifiers, or anything in square brackets.
  auto fieldNode = [this]() {
    String name;
    if (FCode == lxLeftSqBracket) {
      name = FParser->ReadBracketedName();
      NextLexem();
    } else {
      if (FCode != lcIdent) FilterError();
      name = FStrLexem;
      NextLexem();
      while (FCode == lcSymbol && FStrLexem == u".") {
        NextLexem();
        if (FCode != lcIdent) FilterError();
        name += u'.';
        name += FStrLexem;
        NextLexem();
      }
    }
    TExpressionNode* node = AllocNode(ntField);
    node->FieldDesc = FieldByName(name);
    return node;
  };

  TExpressionNode* node;
  switch (FCode) {
    case lcIdent:
    case lxLeftSqBracket:
      return fieldNode();
    case lcNumber:
      node = valueNode(NumberValue(FStrLexem));
      break;
    case lxMinus:
    case lxPlus: {
      String text = FStrLexem;
      NextLexem();
      if (FCode != lcNumber) FilterError();
      node = valueNode(StrToFloat(text + FStrLexem));
      break;
    }
    case lcString:
      node = valueNode(StringValue(FStrLexem));
      break;
    case lxTRUE:
    case lxFALSE:
      node = valueNode(FCode == lxTRUE);
      break;
    case lxNULL:
      node = valueNode(Variant::Null());
      break;
    case lxLeftBracket:
      node = AllocNode(ntValue);
      node->IsValueList = true;
      node->ValueList = ReadValueList(*FParser);
      break;
    case lxLOWER:
    case lxUPPER: {
      TExpressionNode* marker = AllocNode(FCode == lxLOWER ? ntLower : ntUpper);
      NextLexem();
      if (FCode != lxLeftBracket) FilterError();
      NextLexem();
      if (FCode == lcString) {
        node = valueNode(StringValue(FStrLexem));
        NextLexem();
      } else {
        node = fieldNode();
      }
      if (FCode != lxRightBracket) FilterError();
      node->LeftOperand = marker;
      break;
    }
    default:
      FilterError();
  }
  NextLexem();
  return node;
}

bool TData::Eval(TExpressionNode* node) {
  switch (node->NodeType) {
    case ntAnd:
      for (; node->NodeType == ntAnd; node = node->RightOperand) {
        if (!Eval(node->LeftOperand)) return false;
      }
      return Eval(node);
    case ntOr:
      for (; node->NodeType == ntOr; node = node->RightOperand) {
        if (Eval(node->LeftOperand)) return true;
      }
      return Eval(node);
    case ntNot:
      return !Eval(node->LeftOperand);
    case ntTrue:
      return true;
    case ntFalse:
      return false;
    default:
      return EvalComparison(*this, FilterRecBuf, node);
  }
}

bool TData::Filtered() const { return FCachedUpdates || FFilterFunc || FFilterMDFunc || HasFilterExpression(); }
