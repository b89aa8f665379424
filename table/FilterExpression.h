// The tree a filter text is parsed into, and wildcard matching of LIKE.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TFieldDesc;

enum TExpressionType : Byte {
  ntEqual = 0, ntMore = 1, ntLess = 2, ntMoreEqual = 3, ntLessEqual = 4, ntNoEqual = 5,
  ntAnd = 6, ntOr = 7, ntNot = 8, ntField = 9, ntValue = 10, ntTrue = 11, ntFalse = 12,
  ntLike = 13, ntNotLike = 14, ntIn = 15, ntNotIn = 16, ntLower = 17, ntUpper = 18,
  ntBetween = 19, ntNotBetween = 20, ntMatch = 21, ntGlob = 22, ntRegExp = 23
};

struct TExpressionNode {
  TExpressionNode* NextAlloc = nullptr;  // the record set's chain of all nodes
  TExpressionType NodeType = ntTrue;
  TExpressionNode* LeftOperand = nullptr;
  TExpressionNode* RightOperand = nullptr;
  TExpressionNode* NextOperand = nullptr;
  TFieldDesc* FieldDesc = nullptr;  // ntField
  Variant Value;                    // ntValue: the constant
  std::vector<Variant> ValueList;   // ntValue of an IN list: its items, in order
  bool IsValueList = false;
  bool UseCalculatedFields = false; // on the root: some field node is calculated
};

inline constexpr char16_t WildcardAst = u'*';
inline constexpr char16_t WildcardPct = u'%';
inline constexpr char16_t WildcardOne = u'_';

enum TMatchResult : Byte { mrFalse = 0, mrTrue = 1, mrEnd = 2 };

// Whether text matches the LIKE pattern mask: * and % stand for any run of
// characters, _ for one, a backslash makes the next character literal (a _
// right after any backslash is literal, so "\\\\_" is a backslash and a _).
// With noPartialCompare a * that ends the mask is literal. Characters
// compare exactly. Time at worst text length times mask length.
bool MatchesMask(StringView text, StringView mask, bool noPartialCompare);
