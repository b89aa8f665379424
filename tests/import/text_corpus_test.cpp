// Replays the text import's fuzz corpus, so that every input the fuzzer
// once crashed on stays tested in every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/import/text_fuzz_input.h"

namespace {

TEST(TextImportCorpus, EveryInputImportsSafelyInEveryMode) {
  // The tests run in their own folder.
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / "text")) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NO_THROW(text_fuzz::ImportTextInput(data));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
