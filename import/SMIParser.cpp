#include "import/SMIParser.h"

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"

TSMIParserFunctions* lstVODRegFunctions = nullptr;

namespace {

std::vector<TExpToken> TokensOf(const String& text) {
  TExpParser lexer;
  lexer.SetExpression(text);
  lexer.ReadAllTokens();
  return lexer.Tokens();
}

}  // namespace

// An expression built into its tree; the tree only reads its tokens, so one
// built tree serves any number of evaluations.
class TCompiledExpression {
 public:
  TCompiledExpression(const String& text, IExpNodeOwner* owner)
      : FTokens(TokensOf(text)), FList(FTokens), FRoot(owner, FList, 0, FList.Count(), nullptr) {
    FRoot.Build();
  }
  TCompiledExpression(const TCompiledExpression&) = delete;
  TCompiledExpression& operator=(const TCompiledExpression&) = delete;

  void Calculate(Variant& value) const { FRoot.Calculate(value); }
  // The root's token when the whole text is a name without arguments that
  // Calculate hands to Evaluate alone.
  const TExpToken* PlainName() const {
    const TExpToken* token = FRoot.GetToken();
    if (token == nullptr || token->TokenType != ttString || FRoot.ChildCount() != 0) return nullptr;
    return SameText(token->Text, u"GETDATE") ? nullptr : token;
  }

 private:
  const std::vector<TExpToken> FTokens;
  const TExpTokenList FList;
  mutable TExpNode FRoot;
};

namespace {

bool SameName(StringView a, StringView b) { return CompareTextOrdinal(a, b) == 0; }

// One call of a user function: its argument names resolve to this call's
// values, other user functions to their results, any other name to its own
// text (columns and parameters are not visible inside a user function).
class TFunctionFrame : public IExpNodeOwner {
 public:
  TFunctionFrame(const TSMIParserFunction& function, const std::vector<Variant>& values)
      : FFunction(function), FValues(values) {}

  void EvaluateName(const String& written, const std::vector<Variant>& args, bool /*isChild*/,
                    Variant& value) override {
    const int index = FFunction.ArgIndex(value.AsString());
    if (index >= 0) {
      value = index < int(FValues.size()) ? FValues[size_t(index)] : Variant();
      return;
    }
    const TSMIParserFunction* other = lstVODRegFunctions ? lstVODRegFunctions->FunctionByName(written) : nullptr;
    if (other != nullptr) value = other->Call(args);
  }

 private:
  const TSMIParserFunction& FFunction;
  const std::vector<Variant>& FValues;
};

}  // namespace

// ---------------------------------------------------------------------------
// TSMIParser

TSMIParser::TSMIParser(TComponent* owner) : TComponent(owner) {}

Variant TSMIParser::GetValue() {
  Compile(true);
  return FValue;
}

void TSMIParser::Validate() { Compile(false); }

std::shared_ptr<const TCompiledExpression> TSMIParser::CompiledText() {
  if (FCompiled == nullptr || FCompiledText != FText) {
    // A text that fails to build leaves nothing behind, so the next use
    // reports the fault again.
    FCompiled.reset();
    FCompiled = std::make_shared<const TCompiledExpression>(FText, static_cast<IExpNodeOwner*>(this));
    FCompiledText = FText;
  }
  return FCompiled;
}

bool TSMIParser::PlainName(String& written) {
  const std::shared_ptr<const TCompiledExpression> compiled = CompiledText();
  const TExpToken* token = compiled->PlainName();
  if (token == nullptr) return false;
  written = token->Text;
  return true;
}

void TSMIParser::Compile(bool evaluate) {
  TEvaluationScope scope;
  FValue = Variant();
  const std::shared_ptr<const TCompiledExpression> compiled = CompiledText();
  if (!evaluate) return;
  // Evaluated into a local value: an event may evaluate this parser again
  // before the outer evaluation finishes.
  Variant value;
  compiled->Calculate(value);
  FValue = std::move(value);
}

void TSMIParser::Evaluate(const String& name, const std::vector<Variant>& args, bool isChild, Variant& value) {
  const int argCount = static_cast<int>(args.size());
  bool done = false;
  if (!FProcessBeforeEvent && OnEvaluate) {
    OnEvaluate(this, name, args, argCount, isChild, value, done);
    if (done) return;
  }
  if (FProcessBeforeEvent || !OnEvaluate) value = Variant(name);
  const TSMIParserFunction* function = lstVODRegFunctions ? lstVODRegFunctions->FunctionByName(name) : nullptr;
  if (function != nullptr) {
    value = function->Call(args);
  } else if (FProcessBeforeEvent && OnEvaluate) {
    OnEvaluate(this, name, args, argCount, isChild, value, done);
  }
}

// ---------------------------------------------------------------------------
// TSMIParserFunction

void TSMIParserFunction::SetAsString(const String& text) {
  FArgNames.clear();
  FName.clear();
  FBody.clear();
  FText = text;
  const size_t equals = text.find(u'=');
  if (equals == String::npos) return;
  const String header = text.substr(0, equals);
  TExpParser lexer;
  lexer.SetExpression(header);
  lexer.ReadAllTokens();
  const auto& tokens = lexer.Tokens();
  if (tokens.empty() || tokens[0].TokenType != ttString) {
    throw ESMIParseException(Format(strEParseFunction, {text}));
  }
  auto headerError = [&] { return ESMIParseException(Format(strEParseFunctionHeader, {header})); };
  std::vector<String> names;
  if (tokens.size() > 1) {
    if (!tokens[1].Is(u"(")) throw headerError();
    size_t i = 2;
    bool closed = false;
    while (i < tokens.size()) {
      const TExpToken& token = tokens[i++];
      if (token.Is(u")") && names.empty()) {
        closed = true;
        break;
      }
      if (token.TokenType != ttString) throw headerError();
      names.push_back(token.Text);
      if (i >= tokens.size()) break;
      const TExpToken& next = tokens[i++];
      if (next.Is(u")")) {
        closed = true;
        break;
      }
      if (!next.Is(u",")) throw ESMIParseException(Format(strEParseDelimiter, {String(u",")}));
    }
    if (!closed || i != tokens.size()) throw headerError();
  }
  if (int(names.size()) > MaxFunctionArguments) RaiseTooManyArguments(tokens[0].Text, int(names.size()));
  FName = tokens[0].Text;
  FArgNames = std::move(names);
  FBody = text.substr(equals + 1);
}

int TSMIParserFunction::ArgIndex(StringView name) const {
  for (size_t i = 0; i < FArgNames.size(); ++i) {
    if (SameName(FArgNames[i], name)) return static_cast<int>(i);
  }
  return -1;
}

void TSMIParserFunction::ApplyArguments(const std::vector<Variant>& values) {
  for (size_t i = 0; i < FArgValues.size(); ++i) FArgValues[i] = i < values.size() ? values[i] : Variant();
}

void TSMIParserFunction::Calculate(Variant& value) {
  TEvaluationScope scope;
  value = Call(std::vector<Variant>(FArgValues.begin(), FArgValues.end()));
}

Variant TSMIParserFunction::Call(const std::vector<Variant>& args) const {
  TUserFunctionGuard guard(FName);
  for (const Variant& arg : args) ChargeValue(arg);
  TFunctionFrame frame(*this, args);
  Variant value;
  TCompiledExpression(FBody, &frame).Calculate(value);
  return value;
}

// ---------------------------------------------------------------------------
// TSMIParserFunctions

TSMIParserFunction* TSMIParserFunctions::AddFunction(const String& text) {
  auto function = std::make_unique<TSMIParserFunction>(this);
  function->SetAsString(text);
  FItems.push_back(std::move(function));
  return FItems.back().get();
}

void TSMIParserFunctions::Remove(int index) {
  if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

TSMIParserFunction* TSMIParserFunctions::GetFunction(int index) const {
  return index >= 0 && index < Count() ? FItems[size_t(index)].get() : nullptr;
}

TSMIParserFunction* TSMIParserFunctions::FunctionByName(StringView name) const {
  if (name.empty()) return nullptr;
  for (const auto& function : FItems) {
    if (!function->Name().empty() && SameName(function->Name(), name)) return function.get();
  }
  return nullptr;
}

void RegFunctionsInitialize() {
  lstVODRegFunctions = new TSMIParserFunctions;
  TSMIParserFunction* pi = lstVODRegFunctions->AddFunction(u"PI=3.14");
  pi->SetDescription(u"PI value");
  pi->SetCategory(strEBConst);
  pi->SetSubCategory(strEBAll);
}

void RegFunctionsFinalize() {
  delete lstVODRegFunctions;
  lstVODRegFunctions = nullptr;
}
