// Replays the VTD fuzz corpus, so that every input the fuzzer once crashed
// on stays tested in every run. The seeds (made by corpus/make_vtd_seeds.py)
// are valid files: each must load.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/vtd_reader_input.h"

namespace {

TEST(VtdCorpus, EveryInputLoadsOrFailsCleanly) {
  const auto dir = std::filesystem::path(__FILE__).parent_path() / "corpus" / "vtd";
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(CheckVtdInput(data), "");
    if (entry.path().extension() == ".vtd") {
      TMemoryStream stream;
      stream.WriteBuffer(data.data(), static_cast<Int64>(data.size()));
      TVirtualTable table;
      EXPECT_NO_THROW(table.LoadFromStream(stream, true, true));
    }
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
