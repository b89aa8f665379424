#include "import/ExpressionLimits.h"

#include "import/ImportExceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

namespace {

constexpr char16_t SExpressionTooDeep[] = u"Expression is nested deeper than %d levels.";
constexpr char16_t STooManyArguments[] = u"Function \"%s\" is given %d arguments; it takes at most %d.";
constexpr char16_t SUserFunctionTooDeep[] = u"User function \"%s\" is nested deeper than %d calls.";
constexpr char16_t SUserFunctionCalls[] = u"User functions are called more than %d times in one expression.";
constexpr char16_t STextTooLarge[] = u"Expression works on more than %d characters of text.";

struct TEvaluationState {
  int Scopes = 0;
  int Depth = 0;
  int FunctionNesting = 0;
  int FunctionCalls = 0;
  size_t TextWork = 0;
};

thread_local TEvaluationState State;

}  // namespace

TEvaluationScope::TEvaluationScope() {
  // Depth and nesting are kept balanced by their guards; the budgets start
  // afresh with each outermost evaluation.
  if (State.Scopes++ == 0) {
    State.FunctionCalls = 0;
    State.TextWork = 0;
  }
}

TEvaluationScope::~TEvaluationScope() { --State.Scopes; }

TNestingGuard::TNestingGuard() {
  if (State.Depth >= MaxEvaluationDepth) {
    throw ESMIParseException(Format(SExpressionTooDeep, {Int64(MaxEvaluationDepth)}));
  }
  ++State.Depth;
}

TNestingGuard::~TNestingGuard() { --State.Depth; }

TUserFunctionGuard::TUserFunctionGuard(const String& name) {
  if (State.FunctionNesting >= MaxUserFunctionNesting) {
    throw ESMIParseException(Format(SUserFunctionTooDeep, {name, Int64(MaxUserFunctionNesting)}));
  }
  if (State.Scopes > 0 && ++State.FunctionCalls > MaxUserFunctionCalls) {
    throw ESMIParseException(Format(SUserFunctionCalls, {Int64(MaxUserFunctionCalls)}));
  }
  ++State.FunctionNesting;
}

TUserFunctionGuard::~TUserFunctionGuard() { --State.FunctionNesting; }

void ChargeText(size_t characters) {
  if (State.Scopes == 0) return;
  State.TextWork += characters;
  if (State.TextWork > MaxTextWork) throw ESMIParseException(Format(STextTooLarge, {UInt64(MaxTextWork)}));
}

void ChargeValue(const Variant& value) {
  if (State.Scopes > 0 && VarIsStr(value)) ChargeText(value.AsString().size());
}

void RaiseExpressionTooDeep() {
  throw ESMIParseException(Format(SExpressionTooDeep, {Int64(MaxExpressionDepth)}));
}

void RaiseTooManyArguments(const String& name, int count) {
  throw ESMIParseException(Format(STooManyArguments, {name, Int64(count), Int64(MaxFunctionArguments)}));
}
