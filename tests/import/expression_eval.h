// Evaluating expressions in tests: a parser whose evaluation event answers a
// few names the way the import component does (double-quoted literals lose
// their quotes) and a short description of a value for tables of cases.
#pragma once

#include <cstdio>
#include <string>

#include "import/SMIParser.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

// "int:5", "int64:5000000000", "double:1.5", "text:abc", "bool:True",
// "currency:2.5", "date:2000-02-01 10:30:00", "null", "empty".
inline std::string Describe(const Variant& v) {
  char number[64];
  switch (v.VarType()) {
    case varNull: return "null";
    case varEmpty: return "empty";
    case varInteger: return "int:" + std::to_string(v.AsInteger());
    case varInt64: return "int64:" + std::to_string(v.AsInt64());
    case varDouble:
      std::snprintf(number, sizeof number, "%.15g", v.AsDouble());
      return std::string("double:") + number;
    case varCurrency:
      std::snprintf(number, sizeof number, "%.4g", v.AsDouble());
      return std::string("currency:") + number;
    case varBoolean: return v.AsBoolean() ? "bool:True" : "bool:False";
    case varDate: return "date:" + StringToUtf8(FormatDateTime(u"yyyy-mm-dd hh:nn:ss", v.AsDateTime()));
    case varUString: return "text:" + StringToUtf8(v.AsString());
    default: return "type " + std::to_string(v.VarType()) + ":" + StringToUtf8(v.AsString());
  }
}

// The names the test event answers: N null, E empty, T true, F false, S the
// text "Hello", OLE an OLE text "ab", ANSI an 8-bit text "xy", I the largest
// 32-bit integer, I64 5000000000, CUR the currency 2.5, D 1 February 2000
// 10:30; a double-quoted literal gives its text; TWICE(x) gives x * 2.
inline void TestEvaluate(TComponent*, const String& eval, const std::vector<Variant>& args, int, bool,
                         Variant& value, bool& done) {
  done = true;
  const String name = value.IsEmpty() ? String() : value.AsString();
  if (eval.size() >= 2 && eval.front() == u'"' && eval.back() == u'"') value = Variant(eval.substr(1, eval.size() - 2));
  else if (name == u"N") value = Variant::Null();
  else if (name == u"E") value = Variant();
  else if (name == u"T") value = Variant(true);
  else if (name == u"F") value = Variant(false);
  else if (name == u"S") value = Variant(String(u"Hello"));
  else if (name == u"OLE") value = Variant::FromOleStr(u"ab");
  else if (name == u"ANSI") value = Variant("xy");
  else if (name == u"I") value = Variant(2147483647);
  else if (name == u"I64") value = Variant(5000000000LL);
  else if (name == u"CUR") value = Variant(Currency::FromScaled(25000));
  else if (name == u"D") value = Variant::FromDateTime(EncodeDateTime(2000, 2, 1, 10, 30, 0, 0));
  else if (name == u"TWICE") value = Variant(args[0].AsDouble() * 2);
  else done = false;
}

// The value's description, or the message of the Exception it raised.
inline std::string EvaluateText(const String& text, bool withEvent = true) {
  TSMIParser parser;
  if (withEvent) parser.OnEvaluate = TestEvaluate;
  parser.SetText(text);
  try {
    return Describe(parser.GetValue());
  } catch (const Exception& e) {
    return StringToUtf8(e.Message());
  }
}

// Slovene number and date texts for the length of a test.
class TSloveneSettings {
 public:
  TSloveneSettings() : FSaved(FormatSettings) { FormatSettings = TFormatSettings::Slovene(); }
  ~TSloveneSettings() { FormatSettings = FSaved; }

 private:
  TFormatSettings FSaved;
};

struct TExpressionCase {
  const char16_t* Text;
  const char* Expected;
};
