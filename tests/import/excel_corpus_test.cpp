// Replays the spreadsheet parsers' fuzz corpora, and feeds every Excel
// fixture cut short and with flipped bits to the readers: each input loads
// or fails with a clean error, never a crash (the sanitizer build checks).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/excel_reader_input.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ExcelCorpus, EveryInputReadsSafely) {
  const auto corpus = std::filesystem::path("corpus");
  const std::pair<const char*, void (*)(std::string_view)> targets[] = {
      {"compound", ReadCompoundInput}, {"biff", ReadBiffInput}, {"zip", ReadZipInput}};
  for (const auto& [dir, read] : targets) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / dir)) {
      SCOPED_TRACE(entry.path().string());
      read(ReadFile(entry.path()));
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << dir;
  }
}

TEST(ExcelCorpus, TruncatedAndBitFlippedWorkbooksFailCleanly) {
  const auto fixtures = std::filesystem::path("fixtures") / "excel";
  for (const char* name : {"libreoffice_formulas.xls", "gnumeric_biff7.xls", "biff2.xls", "biff4.xls",
                           "handmade.xlsx", "handmade.xlsb", "libreoffice_formulas.xlsx"}) {
    SCOPED_TRACE(name);
    const std::string bytes = ReadFile(fixtures / name);
    ASSERT_FALSE(bytes.empty());
    const bool package = std::string_view(name).find(".xls") != std::string_view::npos &&
                         std::string_view(name).back() != 's';
    void (*read)(std::string_view) = package ? ReadZipInput : +[](std::string_view b) {
      ReadBiffInput(b);
      ReadCompoundInput(b);
    };
    // Every cut on a coarse grid and near the ends.
    const size_t step = std::max<size_t>(1, bytes.size() / 97);
    for (size_t n = 0; n < bytes.size(); n += step) read(std::string_view(bytes).substr(0, n));
    for (size_t n = bytes.size() > 64 ? bytes.size() - 64 : 0; n < bytes.size(); ++n)
      read(std::string_view(bytes).substr(0, n));
    // Flipped bits at positions spread over the file.
    for (size_t i = 0; i < 400; ++i) {
      std::string damaged = bytes;
      const size_t at = (i * 2654435761u) % damaged.size();
      damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
      read(damaged);
    }
  }
}

}  // namespace
