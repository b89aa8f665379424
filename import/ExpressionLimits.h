// Limits of expression evaluation. Expressions come from users and from
// specification files, so their nesting, the arguments of the functions that
// take fixed slots, the recursion of user functions and the amount of text
// one evaluation may build are bounded; passing a bound raises
// ESMIParseException with a message that names it.
#pragma once

#include <cstddef>

#include "platform/rtl/Types.h"

class Variant;

inline constexpr int MaxExpressionDepth = 512;      // levels of one expression tree
inline constexpr int MaxEvaluationDepth = 1024;     // nested evaluations, user-function bodies included
inline constexpr int MaxFunctionArguments = 11;     // slots of names, unknown and user functions
inline constexpr int MaxUserFunctionNesting = 64;   // user functions calling user functions
inline constexpr int MaxUserFunctionCalls = 1000;   // user-function calls in one evaluation
inline constexpr size_t MaxTextWork = 32u << 20;    // characters built or read in one evaluation

// Marks one evaluation of an expression. The counters start afresh when the
// outermost scope of a thread opens; scopes opened inside it (an evaluation
// event that evaluates another expression) share them.
class TEvaluationScope {
 public:
  TEvaluationScope();
  ~TEvaluationScope();
  TEvaluationScope(const TEvaluationScope&) = delete;
  TEvaluationScope& operator=(const TEvaluationScope&) = delete;
};

// One level of node evaluation.
class TNestingGuard {
 public:
  TNestingGuard();
  ~TNestingGuard();
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;
};

// One call of a user function.
class TUserFunctionGuard {
 public:
  explicit TUserFunctionGuard(const String& name);
  ~TUserFunctionGuard();
  TUserFunctionGuard(const TUserFunctionGuard&) = delete;
  TUserFunctionGuard& operator=(const TUserFunctionGuard&) = delete;
};

// Counts characters of text built or read; outside an evaluation nothing is
// counted.
void ChargeText(size_t characters);
// Counts a value's characters when it is text.
void ChargeValue(const Variant& value);

// Raised for a tree deeper than MaxExpressionDepth.
[[noreturn]] void RaiseExpressionTooDeep();
// Raised for a call with more arguments than the function's slots.
[[noreturn]] void RaiseTooManyArguments(const String& name, int count);
