// The exception classes of the runtime, each carrying the system's message text.
#pragma once

#include <exception>
#include <string>

#include "platform/rtl/Types.h"

class Exception : public std::exception {
 public:
  explicit Exception(String message);
  ~Exception() override = default;

  const String& Message() const { return FMessage; }
  void SetMessage(String value);
  // UTF-8 form of Message, for std::exception users and test output.
  const char* what() const noexcept override { return FWhat.c_str(); }
  // Class name as the platform reports it ("Exception", "EDatabaseError", ...).
  virtual const char* ClassName() const { return "Exception"; }

 private:
  String FMessage;
  std::string FWhat;
};

#define RTL_DECLARE_EXCEPTION(Name, Base)                          \
  class Name : public Base {                                       \
   public:                                                         \
    using Base::Base;                                              \
    const char* ClassName() const override { return #Name; }       \
  };

RTL_DECLARE_EXCEPTION(EAbort, Exception)
RTL_DECLARE_EXCEPTION(EAbstractError, Exception)
RTL_DECLARE_EXCEPTION(EAssertionFailed, Exception)
RTL_DECLARE_EXCEPTION(EConvertError, Exception)
RTL_DECLARE_EXCEPTION(EOutOfMemory, Exception)
RTL_DECLARE_EXCEPTION(EInvalidOperation, Exception)
RTL_DECLARE_EXCEPTION(EInvalidPointer, Exception)
RTL_DECLARE_EXCEPTION(EListError, Exception)
RTL_DECLARE_EXCEPTION(EStringListError, Exception)
RTL_DECLARE_EXCEPTION(EDatabaseError, Exception)
RTL_DECLARE_EXCEPTION(EVariantError, Exception)
RTL_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
RTL_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)
RTL_DECLARE_EXCEPTION(EBcdException, Exception)
RTL_DECLARE_EXCEPTION(EBcdOverflowException, EBcdException)
RTL_DECLARE_EXCEPTION(EMathError, Exception)
RTL_DECLARE_EXCEPTION(EZeroDivide, EMathError)
RTL_DECLARE_EXCEPTION(EOverflow, EMathError)
RTL_DECLARE_EXCEPTION(EInvalidOp, EMathError)
RTL_DECLARE_EXCEPTION(EIntOverflow, Exception)
RTL_DECLARE_EXCEPTION(ERangeError, Exception)
RTL_DECLARE_EXCEPTION(EInOutError, Exception)
RTL_DECLARE_EXCEPTION(EStreamError, Exception)
RTL_DECLARE_EXCEPTION(EFileStreamError, EStreamError)
RTL_DECLARE_EXCEPTION(EFCreateError, EFileStreamError)
RTL_DECLARE_EXCEPTION(EFOpenError, EFileStreamError)
RTL_DECLARE_EXCEPTION(EReadError, EStreamError)
RTL_DECLARE_EXCEPTION(EWriteError, EStreamError)
RTL_DECLARE_EXCEPTION(EComponentError, Exception)
RTL_DECLARE_EXCEPTION(EOSError, Exception)
RTL_DECLARE_EXCEPTION(EEncodingError, Exception)

// The platform's message texts (only the ones the system shows).
namespace RtlMessages {
inline constexpr char16_t SAbstractError[] = u"Abstract Error";
inline constexpr char16_t SAssertionFailed[] = u"Assertion failure";
inline constexpr char16_t SOutOfMemory[] = u"Out of memory";
inline constexpr char16_t SReadError[] = u"Stream read error";
inline constexpr char16_t SWriteError[] = u"Stream write error";
inline constexpr char16_t SFCreateError[] = u"Cannot create file \"%s\". %s";
inline constexpr char16_t SFOpenError[] = u"Cannot open file \"%s\". %s";
inline constexpr char16_t SListIndexError[] = u"List index out of bounds (%d)";
inline constexpr char16_t SInvalidInteger[] = u"'%s' is not a valid integer value";
inline constexpr char16_t SInvalidFloat[] = u"'%s' is not a valid floating point value";
inline constexpr char16_t SInvalidDate[] = u"'%s' is not a valid date";
inline constexpr char16_t SInvalidTime[] = u"'%s' is not a valid time";
inline constexpr char16_t SInvalidDateTime[] = u"'%s' is not a valid date and time";
inline constexpr char16_t SInvalidVarCast[] = u"Invalid variant type conversion";
inline constexpr char16_t SVarOverflow[] = u"Variant overflow";
inline constexpr char16_t SDivByZero[] = u"Division by zero";
inline constexpr char16_t SRangeError[] = u"Range check error";
inline constexpr char16_t SIntOverflow[] = u"Integer overflow";
inline constexpr char16_t SDuplicateName[] = u"A component named %s already exists";
inline constexpr char16_t SInvalidName[] = u"''%s'' is not a valid component name";
// Raised as EConvertError with the source's class name (or "nil") and the
// target's.
inline constexpr char16_t SAssignError[] = u"Cannot assign a %s to a %s";
}  // namespace RtlMessages

// Raises the platform's abstract-method error.
[[noreturn]] void AbstractError();

// Internal consistency check: raises EAssertionFailed with
// "<message> (<unit>)" when the condition is false. The message defaults to
// "Assertion failure". Never fires in correct use.
[[noreturn]] void AssertionFailed(const char16_t* unit, const String& message = RtlMessages::SAssertionFailed);
void Assert(bool condition, const char16_t* unit, const String& message);
// Inline and without a message to build: checks on hot paths cost one test.
inline void Assert(bool condition, const char16_t* unit) {
  if (!condition) AssertionFailed(unit);
}
