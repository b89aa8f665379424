// Replays the markup and log readers' fuzz corpora, and feeds each of their
// fixtures cut short and with flipped bits to its reader: every input loads
// or fails with a clean error, never a crash (the sanitizer build checks).
#include <gtest/gtest.h>

#include "fuzz/markup_reader_input.h"
#include "tests/import/markup_fixture.h"

namespace {

using TReadInput = void (*)(std::string_view);

struct TTarget {
  const char* Folder;
  TReadInput Read;
};

constexpr TTarget kTargets[] = {{"html", markup_fuzz::ReadHtmlInput},
                                {"xmlimport", markup_fuzz::ReadXmlImportInput},
                                {"calendar", markup_fuzz::ReadCalendarInput},
                                {"skype", markup_fuzz::ReadSkypeInput},
                                {"ods", markup_fuzz::ReadOdsInput}};

TEST(MarkupCorpus, EveryInputReadsSafely) {
  for (const TTarget& target : kTargets) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / target.Folder)) {
      SCOPED_TRACE(entry.path().string());
      target.Read(ReadFileBytes(entry.path()));
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << target.Folder;
  }
}

TEST(MarkupCorpus, TruncatedAndBitFlippedFilesFailCleanly) {
  for (const TTarget& target : kTargets) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / target.Folder)) {
      // Inputs the fuzzer found are replayed whole above; cutting them up
      // again adds nothing but time.
      const std::string name = entry.path().filename().string();
      if (name.starts_with("crash-") || name.starts_with("oom-") || name.starts_with("timeout-")) continue;
      SCOPED_TRACE(entry.path().string());
      const std::string bytes = ReadFileBytes(entry.path());
      if (bytes.empty()) continue;
      // Cuts on a coarse grid and near the end.
      const size_t step = std::max<size_t>(1, bytes.size() / 41);
      for (size_t n = 0; n < bytes.size(); n += step) target.Read(std::string_view(bytes).substr(0, n));
      for (size_t n = bytes.size() > 16 ? bytes.size() - 16 : 0; n < bytes.size(); ++n)
        target.Read(std::string_view(bytes).substr(0, n));
      // Flipped bits at positions spread over the file.
      for (size_t i = 0; i < 60; ++i) {
        std::string damaged = bytes;
        const size_t at = (i * 2654435761u) % damaged.size();
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
        target.Read(damaged);
      }
    }
  }
}

}  // namespace
