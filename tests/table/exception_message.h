// The message of the Exception an action raises, for tables of error cases.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

// "no error" when the action raises nothing.
inline std::string ExceptionMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return StringToUtf8(e.Message());
  }
  return "no error";
}

// A text with what it should give: lexemes, a tree, columns or a message.
struct TextCase {
  const char16_t* Text;
  const char* Expected;
};
