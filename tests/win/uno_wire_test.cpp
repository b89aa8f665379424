// The messages to and from the office helper: what we send reads back as
// sent, and no answer, however malformed, gives anything but a value or
// the layer's own error (the corpus holds the fuzzer's seeds and finds).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/uno_answer_input.h"
#include "platform/rtl/Strings.h"
#include "platform/win/RecordingAutomation.h"

namespace {

const std::filesystem::path CorpusDir = [] {
  const auto beside = std::filesystem::path(__FILE__).parent_path() / "corpus" / "uno_answer";
  return std::filesystem::exists(beside) ? beside : std::filesystem::path("corpus") / "uno_answer";
}();

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Variant Read(const std::string& body) {
  return ReadUnoAnswer(std::span<const Byte>(reinterpret_cast<const Byte*>(body.data()), body.size()),
                       [](Cardinal number) { return Variant(u"object " + IntToStr(number)); });
}

TEST(UnoWire, ValuesReadBackAsTheyWereSent) {
  const Variant values[] = {
      Variant(), Variant::Null(), Variant(true), Variant(-7), Variant(2.25), Variant(u"\u017Eaba \U0001F600"),
      Variant::ArrayOf({Variant(1), Variant::ArrayOf({Variant(u"x")}), Variant(false)}),
  };
  for (const Variant& value : values) {
    SCOPED_TRACE(StringToUtf8(AutomationValueText(value)));
    std::string answer = "K";
    AppendUnoValue(answer, value, [](const Variant&) -> Cardinal { return 0; });
    EXPECT_EQ(AutomationValueText(Read(answer)), AutomationValueText(value));
  }
}

TEST(UnoWire, ARequestCarriesItsLengthOperationObjectNameAndArguments) {
  const std::string request =
      UnoRequest('C', 5, u"Close", {true, Variant::EmptyParam()}, [](const Variant&) -> Cardinal { return 0; });
  const std::string expected = std::string("\x15\0\0\0C\x05\0\0\0\x05\0\0\0Close", 18) +
                               std::string("A\x02\0\0\0TM", 7);
  EXPECT_EQ(request, expected);
}

TEST(UnoWire, AnErrorAnswerRaisesTheServersMessage) {
  try {
    Read(ReadFile(CorpusDir / "error.bin"));
    FAIL() << "nothing raised";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message(), u"IllegalArgumentException: no such cell");
  }
}

TEST(UnoWire, MalformedAnswersAreRefusedClearly) {
  for (const char* name : {"short_text.bin", "huge_count.bin", "deep.bin", "bad_tag.bin", "trailing.bin"}) {
    SCOPED_TRACE(name);
    try {
      Read(ReadFile(CorpusDir / name));
      ADD_FAILURE() << "accepted";
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.Message(), u"Malformed answer from the office suite");
    }
  }
}

TEST(UnoWire, EveryCorpusInputIsReadOrRefusedCleanly) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir)) {
    if (entry.path().extension() == ".py") continue;
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(CheckUnoAnswerInput(ReadFile(entry.path())), "");
    ++count;
  }
  EXPECT_GE(count, 10u);
}

}  // namespace
