// Helpers shared by the blob tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "table/Blob.h"

// The whole value of a blob.
inline std::string ReadAll(TBlob& blob) {
  std::string out(static_cast<size_t>(blob.Size()), '\0');
  EXPECT_EQ(blob.Read(0, 0, out.data()), static_cast<Int64>(out.size()));
  return out;
}

// Runs f and expects an Exception with exactly this message.
template <class F>
void ExpectMessage(F&& f, std::u16string_view message) {
  try {
    f();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), String(message));
  }
}

// Sets the system ANSI code page for one test.
class CodePageScope {
 public:
  explicit CodePageScope(int codePage) : FSaved(AnsiCodePage()) { SetAnsiCodePage(codePage); }
  ~CodePageScope() { SetAnsiCodePage(FSaved); }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;

 private:
  int FSaved;
};
