// One fuzz input for the expression language: the bytes, read as UTF-8, are
// lines; every line but the last defines a user function for the length of
// the input, the last is the expression, validated and then evaluated with
// and without an evaluation event. An Exception is a correct outcome (a bad
// text, a value that does not convert, a limit reached); anything else
// escapes and counts as a fault. The fuzz target and the corpus replay test
// share this path.
#pragma once

#include <string_view>
#include <vector>

#include "import/SMIParser.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "tests/import/expression_eval.h"

inline void EvaluateExpressionInput(std::string_view utf8) {
  std::vector<String> lines;
  String text = Utf8ToString(utf8);
  for (size_t at; (at = text.find(u'\n')) != String::npos; text.erase(0, at + 1)) lines.push_back(text.substr(0, at));
  const int registered = lstVODRegFunctions->Count();
  for (const String& line : lines) {
    try {
      lstVODRegFunctions->AddFunction(line);
    } catch (const Exception&) {
    }
  }
  for (bool withEvent : {false, true}) {
    for (bool processBeforeEvent : {false, true}) {
      TSMIParser parser;
      parser.SetText(text);
      parser.SetProcessBeforeEvent(processBeforeEvent);
      if (withEvent) parser.OnEvaluate = TestEvaluate;
      try {
        parser.Validate();
        parser.GetValue();
      } catch (const Exception&) {
      }
    }
  }
  while (lstVODRegFunctions->Count() > registered) lstVODRegFunctions->Remove(lstVODRegFunctions->Count() - 1);
}
