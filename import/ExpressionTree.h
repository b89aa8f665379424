// The tree an expression is built into, and its evaluation on variants.
//
// Operators split a token run at the loosest operator outside parentheses
// (the leftmost on a tie), so operators of one strength group to the right:
// 10 - 3 - 2 is 10 - (3 - 2), and comparisons bind tighter than arithmetic:
// 1 + 2 = 3 is 1 + (2 = 3). A string token followed by a parenthesised,
// comma-separated list is a function call; names and functions the tree does
// not know itself go to its owner.
#pragma once

#include <memory>
#include <vector>

#include "import/ExpressionLexer.h"
#include "platform/rtl/Variant.h"

// Resolves what the tree cannot evaluate itself: names and unknown
// functions. written is the token as written; value arrives holding the
// name without one leading "[" and one trailing "]"; args holds
// MaxFunctionArguments slots, the ones past the call's arguments empty.
class IExpNodeOwner {
 public:
  virtual ~IExpNodeOwner() = default;
  virtual void EvaluateName(const String& written, const std::vector<Variant>& args, bool isChild,
                            Variant& value) = 0;
};

// The tokens of one expression with, for every "(", the index of the ")"
// that closes it (-1 when none does).
class TExpTokenList {
 public:
  explicit TExpTokenList(const std::vector<TExpToken>& tokens);
  const TExpToken& operator[](int index) const { return FTokens[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(FTokens.size()); }
  int Closer(int index) const { return FCloser[static_cast<size_t>(index)]; }

 private:
  const std::vector<TExpToken>& FTokens;
  std::vector<int> FCloser;
};

class TExpNode {
 public:
  // The node covers tokens [first, last) of the list; with exactly one
  // token, that token is the node's own.
  TExpNode(IExpNodeOwner* owner, const TExpTokenList& tokens, int first, int last, TExpNode* parent);
  TExpNode(const TExpNode&) = delete;
  TExpNode& operator=(const TExpNode&) = delete;

  // Builds the subtree; raises ESMIParseException for a syntax fault, a
  // parenthesis mismatch, a bad argument list or a tree deeper than
  // MaxExpressionDepth.
  void Build();
  // The node's value: null for an empty node.
  void Calculate(Variant& value);
  // Hands a name or an unknown function with its evaluated arguments to the
  // owner.
  void Evaluate(Variant& value);

  TExpNode* GetChildren(int index) const { return FChildren.at(static_cast<size_t>(index)).get(); }
  int ChildCount() const { return static_cast<int>(FChildren.size()); }
  // The node's own token; nullptr for an empty node.
  const TExpToken* GetToken() const { return FToken < 0 ? nullptr : &FTokens[FToken]; }
  int TokenCount() const { return FLast - FFirst; }
  const TExpToken& Tokens(int index) const { return FTokens[FFirst + index]; }
  int Level() const { return FLevel; }
  TExpNode* Parent() const { return FParent; }
  IExpNodeOwner* Owner() const { return FOwner; }

 private:
  void AddChild(int first, int last);
  bool BuildFunction();
  void CalculateChild(int index, Variant& value);
  void CalculateOperation(const TExpToken& token, Variant& value);

  IExpNodeOwner* FOwner;
  TExpNode* FParent;
  std::vector<std::unique_ptr<TExpNode>> FChildren;
  const TExpTokenList& FTokens;
  int FFirst;
  int FLast;
  int FLevel;
  int FToken = -1;
};

// Reads a numeric token ("12", "1.5", ".5", "5.") as a double; raises
// EConvertError for a token such as "1.2.3".
double NumericTokenValue(const String& text);
