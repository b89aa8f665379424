#include "import/ExpressionTree.h"

#include <climits>

#include "import/ExpressionFunctions.h"
#include "import/ExpressionHelpers.h"
#include "import/ExpressionLimits.h"
#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/VariantMath.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

TExpTokenList::TExpTokenList(const std::vector<TExpToken>& tokens) : FTokens(tokens), FCloser(tokens.size(), -1) {
  std::vector<int> open;
  for (int i = 0; i < Count(); ++i) {
    if (FTokens[size_t(i)].Is(u"(")) {
      open.push_back(i);
    } else if (FTokens[size_t(i)].Is(u")") && !open.empty()) {
      FCloser[size_t(open.back())] = i;
      open.pop_back();
    }
  }
}

double NumericTokenValue(const String& text) {
  double value;
  if (!ReadDecimal(text, value)) throw EConvertError(Format(RtlMessages::SInvalidFloat, {text}));
  return value;
}

TExpNode::TExpNode(IExpNodeOwner* owner, const TExpTokenList& tokens, int first, int last, TExpNode* parent)
    : FOwner(owner),
      FParent(parent),
      FTokens(tokens),
      FFirst(first),
      FLast(last),
      FLevel(parent == nullptr ? 0 : parent->FLevel + 1) {
  if (last - first == 1) FToken = first;
}

void TExpNode::AddChild(int first, int last) {
  FChildren.push_back(std::make_unique<TExpNode>(FOwner, FTokens, first, last, this));
}

void TExpNode::Build() {
  if (FLevel > MaxExpressionDepth) RaiseExpressionTooDeep();
  if (TokenCount() < 2) return;
  // Parentheses around the whole run group nothing more.
  while (TokenCount() >= 2 && FTokens[FFirst].Is(u"(") && FTokens.Closer(FFirst) == FLast - 1) {
    ++FFirst;
    --FLast;
  }
  if (TokenCount() < 2) {
    FToken = TokenCount() == 1 ? FFirst : -1;
    return;
  }
  int split = -1;
  int splitPosition = INT_MAX;
  int depth = 0;
  for (int i = FFirst; i < FLast; ++i) {
    const TExpToken& token = FTokens[i];
    if (token.Is(u"(")) {
      ++depth;
    } else if (token.Is(u")")) {
      if (--depth < 0) throw ESMIParseException(strEParseParenthesis);
    } else if (token.TokenType == ttOperation && depth == 0) {
      // An operator outside the table has position 0 and splits first; its
      // evaluation then reports the fault.
      const int position = FindOperation(token.Text);
      if (position < splitPosition) {
        split = i;
        splitPosition = position;
      }
    }
  }
  if (split >= 0) {
    FToken = split;
    AddChild(FFirst, split);
    AddChild(split + 1, FLast);
  } else if (!BuildFunction()) {
    throw ESMIParseException(strEParseSyntax);
  }
  for (auto& child : FChildren) child->Build();
}

bool TExpNode::BuildFunction() {
  if (TokenCount() < 4 || FTokens[FFirst].TokenType != ttString || !FTokens[FFirst + 1].Is(u"(") ||
      !FTokens[FLast - 1].Is(u")")) {
    return false;
  }
  FToken = FFirst;
  int depth = 0;
  int start = FFirst + 2;
  for (int i = start; i < FLast - 1; ++i) {
    const TExpToken& token = FTokens[i];
    if (token.Is(u"(")) {
      ++depth;
    } else if (token.Is(u")")) {
      if (--depth < 0) throw ESMIParseException(strEParse);
    } else if (token.Is(u",") && depth == 0) {
      AddChild(start, i);
      start = i + 1;
    }
  }
  AddChild(start, FLast - 1);
  return true;
}

void TExpNode::Calculate(Variant& value) {
  TNestingGuard nesting;
  const TExpToken* token = GetToken();
  if (token == nullptr) {
    value = Variant::Null();
    return;
  }
  if (token->TokenType == ttString && ChildCount() == 0 && !SameText(token->Text, u"GETDATE")) {
    // A plain name, the common case of every mapped value: Evaluate sets
    // the value itself.
    Evaluate(value);
    return;
  }
  value = Variant(token->Text);
  switch (token->TokenType) {
    case ttNumeric: value = Variant(NumericTokenValue(token->Text)); break;
    case ttOperation: CalculateOperation(*token, value); break;
    case ttString:
      if (SameText(token->Text, u"GETDATE")) {
        value = Variant::FromDateTime(Now());
      } else if (ChildCount() == 0 || !CalculateBuiltInFunction(*this, value)) {
        Evaluate(value);
      }
      break;
    default: break;  // a lone parenthesis or comma is its own text
  }
}

namespace {

bool IsOleOr8BitText(const Variant& v) { return v.VarType() == varOleStr || v.VarType() == varString; }

// The operator applied to its evaluated operands. Kept out of the recursive
// path, so that its temporaries do not weigh on every level of a deep tree.
[[gnu::noinline]] Variant ApplyOperator(StringView op, const Variant& left, const Variant& right) {
  if (op == u"!") return RoundToWholeVariant(Exl(VarAsNum(left)));
  if (op == u"NOT") return VarNot(left);
  if (op == u"+") {
    if (IsOleOr8BitText(left) == IsOleOr8BitText(right)) return VarAdd(left, right);
    String joined = VarToStr(left) + VarToStr(right);
    ChargeText(joined.size());
    return Variant(std::move(joined));
  }
  if (op == u"-") return VarSub(VarAsNum(left), VarAsNum(right));
  if (op == u"*") return VarMul(VarAsNum(left), VarAsNum(right));
  if (op == u"/") return VarDiv(VarAsNum(left), VarAsNum(right));
  if (op == u"^") return Variant(Power(VarAsNum(left).AsDouble(), VarAsNum(right).AsDouble()));
  if (op == u"AND") return VarAnd(left, right);
  if (op == u"OR") return VarOr(left, right);
  const TVariantRelationship r = VarCompareOrdered(left, right);
  if (op == u"=") return Variant(r == vrEqual);
  if (op == u"<") return Variant(r == vrLessThan);
  if (op == u">") return Variant(r == vrGreaterThan);
  if (op == u"<=") return Variant(r == vrLessThan || r == vrEqual);
  if (op == u">=") return Variant(r == vrGreaterThan || r == vrEqual);
  return Variant(r != vrEqual);  // "<>" and "!="
}

}  // namespace

void TExpNode::CalculateChild(int index, Variant& value) {
  if (index < ChildCount()) GetChildren(index)->Calculate(value);
  else value = Variant::Null();
}

void TExpNode::CalculateOperation(const TExpToken& token, Variant& value) {
  if (OperPriority(token.Text) == 0) throw ESMIParseException(strEParseTree);
  Variant left, right;
  if (token.Is(u"NOT")) {
    // NOT(A=1): the operand follows the operator; a NOT with nothing after
    // it takes the value before it.
    const bool after = ChildCount() > 1 && GetChildren(1)->TokenCount() > 0;
    CalculateChild(after ? 1 : 0, left);
  } else {
    CalculateChild(0, left);
    // "!" reads only the value before it.
    if (!token.Is(u"!")) CalculateChild(1, right);
  }
  value = ApplyOperator(token.Text, left, right);
}

void TExpNode::Evaluate(Variant& value) {
  const TExpToken& token = *GetToken();
  StringView name = token.Text;
  if (name.starts_with(u'[')) name.remove_prefix(1);
  if (name.ends_with(u']')) name.remove_suffix(1);
  value = Variant(String(name));
  if (ChildCount() > MaxFunctionArguments) RaiseTooManyArguments(token.Text, ChildCount());
  if (ChildCount() == 0) {
    // Owners only read the slots, so a name without arguments shares one
    // set of empty slots instead of allocating its own.
    static const std::vector<Variant> noArguments(MaxFunctionArguments);
    if (FOwner != nullptr) FOwner->EvaluateName(token.Text, noArguments, FParent != nullptr, value);
    return;
  }
  std::vector<Variant> args(MaxFunctionArguments);
  for (int i = 0; i < ChildCount(); ++i) GetChildren(i)->Calculate(args[size_t(i)]);
  if (FOwner != nullptr) FOwner->EvaluateName(token.Text, args, FParent != nullptr, value);
}
