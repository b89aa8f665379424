// Replays the expression fuzz corpus, so that every input the fuzzer once
// crashed on stays tested in every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/import/expression_fuzz_input.h"

namespace {

TEST(ExpressionCorpus, EveryInputParsesAndEvaluatesSafely) {
  // The tests run in their own folder.
  const auto dir = std::filesystem::path("corpus") / "expression";
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NO_THROW(EvaluateExpressionInput(data));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
  EXPECT_EQ(lstVODRegFunctions->Count(), 1);
}

}  // namespace
