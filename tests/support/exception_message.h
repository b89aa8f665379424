// What an action raises, for tests of expected errors.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

// The message of the exception of type E that the action raises, as UTF-8;
// "no error" when it raises nothing. Other exceptions pass on and fail the
// test.
template <class E = Exception>
std::string ExceptionMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return StringToUtf8(e.Message());
  }
  return "no error";
}

// Expects the action to raise E with exactly this message.
template <class E = Exception>
void ExpectError(const std::function<void()>& action, const String& message) {
  EXPECT_EQ(ExceptionMessage<E>(action), StringToUtf8(message));
}

// A text with what it should give: lexemes, a tree, columns or a message.
struct TextCase {
  const char16_t* Text;
  const char* Expected;
};
