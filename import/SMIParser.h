// The expression language as a component (TSMIParser) and its registry of
// user functions defined by text ("NAME(a, b)=body").
//
// Names the language cannot evaluate itself, and functions it does not know,
// go to OnEvaluate; the import component answers them with source columns,
// parameters and dataset fields. Unanswered names evaluate to their own
// text, unless a user function of that name is registered.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "import/ExpressionLimits.h"
#include "import/ExpressionTree.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Variant.h"

// Sender, the name as written, the argument slots and their count, whether
// the name is part of a larger expression, the value (arriving as the name
// without its brackets) and whether the handler resolved it.
using TOnEvaluate = std::function<void(TComponent* sender, const String& eval, const std::vector<Variant>& args,
                                       int argCount, bool isChild, Variant& value, bool& done)>;

class TCompiledExpression;

class TSMIParser : public TComponent, private IExpNodeOwner {
 public:
  explicit TSMIParser(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TSMIParser"; }

  // False (the default): OnEvaluate is asked first and user functions only
  // for names it leaves unresolved; true: user functions first.
  bool ProcessBeforeEvent() const { return FProcessBeforeEvent; }
  void SetProcessBeforeEvent(bool value) { FProcessBeforeEvent = value; }
  const String& Text() const { return FText; }
  void SetText(const String& value) { FText = value; }
  Integer Tag() const { return FTag; }
  void SetTag(Integer value) { FTag = value; }
  TOnEvaluate OnEvaluate;

  // Evaluates Text. The text is built into its tree once and the tree kept
  // until the text changes, so a value per row costs no parsing.
  Variant GetValue();
  // Builds Text without evaluating it; raises ESMIParseException for an
  // expression that cannot be built.
  void Validate();
  void Compile(bool evaluate);
  // True when Text builds to one name without arguments, which evaluates
  // by Evaluate alone; written is the name as the text holds it. A text
  // that cannot be built raises as Validate does.
  bool PlainName(String& written);
  // Resolves a name or an unknown function.
  virtual void Evaluate(const String& name, const std::vector<Variant>& args, bool isChild, Variant& value);

 private:
  void EvaluateName(const String& written, const std::vector<Variant>& args, bool isChild,
                    Variant& value) override {
    Evaluate(written, args, isChild, value);
  }

  // The tree of Text, built on first use; shared so that an evaluation
  // keeps its tree even when an event changes the text under it.
  std::shared_ptr<const TCompiledExpression> CompiledText();

  bool FProcessBeforeEvent = false;
  String FText;
  String FCompiledText;
  std::shared_ptr<const TCompiledExpression> FCompiled;
  Integer FTag = 0;
  Variant FValue;
};

class TSMIParserFunctions;

class TSMIParserFunction {
 public:
  explicit TSMIParserFunction(TSMIParserFunctions* owner = nullptr) : FOwner(owner) {}

  // Reads a definition "NAME=body" or "NAME(a, b, ...)=body". A text without
  // "=" gives a function without name that never matches. Raises
  // ESMIParseException for a header that is not a name with an optional
  // list of argument names.
  void SetAsString(const String& text);
  const String& AsString() const { return FText; }
  const String& Name() const { return FName; }
  const String& Body() const { return FBody; }
  const String& Description() const { return FDescription; }
  void SetDescription(const String& value) { FDescription = value; }
  const String& Hint() const { return FHint; }
  void SetHint(const String& value) { FHint = value; }
  const String& Category() const { return FCategory; }
  void SetCategory(const String& value) { FCategory = value; }
  const String& SubCategory() const { return FSubCategory; }
  void SetSubCategory(const String& value) { FSubCategory = value; }
  TSMIParserFunctions* Owner() const { return FOwner; }
  int ArgCount() const { return static_cast<int>(FArgNames.size()); }
  const String& ArgName(int index) const { return FArgNames.at(static_cast<size_t>(index)); }
  // The index of the argument of that name (any letter case), -1 when none.
  int ArgIndex(StringView name) const;

  // Sets the argument slots for Calculate.
  void ApplyArguments(const std::vector<Variant>& values);
  // Evaluates the body with the applied arguments.
  void Calculate(Variant& value);
  // Evaluates the body with these arguments; the body is built anew for
  // every call, and each call keeps its own arguments, so a function may
  // call itself.
  Variant Call(const std::vector<Variant>& args) const;

 private:
  TSMIParserFunctions* FOwner;
  String FText;
  String FName;
  String FBody;
  String FDescription;
  String FHint;
  std::vector<String> FArgNames;
  std::array<Variant, MaxFunctionArguments> FArgValues;
  String FCategory;
  String FSubCategory;
};

// A list of user functions that owns them.
class TSMIParserFunctions {
 public:
  // Creates a function from its definition and appends it; a definition
  // that cannot be read raises and adds nothing.
  TSMIParserFunction* AddFunction(const String& text);
  void Remove(int index);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  // nullptr outside 0 .. Count-1.
  TSMIParserFunction* GetFunction(int index) const;
  // The first function of that name (any letter case); nullptr when none.
  TSMIParserFunction* FunctionByName(StringView name) const;

 private:
  std::vector<std::unique_ptr<TSMIParserFunction>> FItems;
};

// The process-wide registry, from unit start (with "PI=3.14") to unit end.
extern TSMIParserFunctions* lstVODRegFunctions;
void RegFunctionsInitialize();
void RegFunctionsFinalize();
