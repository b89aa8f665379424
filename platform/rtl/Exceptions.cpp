#include "platform/rtl/Exceptions.h"

#include "platform/rtl/Strings.h"

Exception::Exception(String message) : FMessage(std::move(message)), FWhat(StringToUtf8(FMessage)) {}

void Exception::SetMessage(String value) {
  FMessage = std::move(value);
  FWhat = StringToUtf8(FMessage);
}

void AbstractError() { throw EAbstractError(RtlMessages::SAbstractError); }

void AssertionFailed(const char16_t* unit, const String& message) {
  String text = message;
  text += u" (";
  text += unit;
  text += u")";
  throw EAssertionFailed(text);
}

void Assert(bool condition, const char16_t* unit, const String& message) {
  if (!condition) AssertionFailed(unit, message);
}
