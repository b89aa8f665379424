// The office helper's answer as the automation layer reads it, for the
// fuzz target and the corpus replay: any bytes give a value or one of the
// layer's errors, never anything else.
#pragma once

#include <string_view>

#include "platform/win/UnoWire.h"

// Empty when the input was read or refused cleanly; otherwise the fault.
inline std::string_view CheckUnoAnswerInput(std::string_view input) {
  try {
    ReadUnoAnswer(std::span<const Byte>(reinterpret_cast<const Byte*>(input.data()), input.size()),
                  [](Cardinal number) { return Variant(static_cast<unsigned int>(number)); });
  } catch (const EOleError&) {
  } catch (...) {
    return "an error other than the automation layer's";
  }
  return {};
}
