// Replays the import specification fuzz corpus, so that every input the
// fuzzer once crashed on stays tested in every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/import/vod_fuzz_input.h"

TEST(VodCorpus, EveryInputLoadsSafely) {
  // The tests run in their own folder.
  const auto dir = std::filesystem::path("corpus") / "vod";
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NO_THROW(LoadVodInput(data));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}
