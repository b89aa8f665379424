// The Word source's calls against a recording "Word.Application": the
// running instance is used and quit, the header row names the columns and
// matches them by text, RowFirst and RowLast choose the rows, a server
// error in the row loop fails the run and Word is still quit.
#include <gtest/gtest.h>

#include "import/ImportExceptions.h"
#include "import/readers/ImportFromOLE.h"
#include "platform/rtl/Strings.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/import/markup_fixture.h"

namespace {

constexpr char16_t kTable[] = u"Word.ActiveDocument.Tables.Item(1)";

// A table of Rows x 2 cells: row 1 holds "Full Name" and "Code", row r > 1
// "n<r>" and "c<r>", each text ending in Word's cell marks.
struct WordRecording {
  std::shared_ptr<TRecordingServer> Server = std::make_shared<TRecordingServer>(u"Word");
  TAutomationRegistration Use{u"Word.Application", Server};
  Integer Rows = 5;
  WordRecording() {
    Server->Running = true;
    Server->OnCall = [this](const TAutomationCall& call, Variant& result) {
      const String& o = call.Object;
      if (o == String(kTable) + u".Rows" && call.Name == u"Count") return (result = Rows), true;
      if (o == String(kTable) + u".Columns" && call.Name == u"Count") return (result = 2), true;
      if (call.Name == u"Width") return (result = 72.5), true;
      const String prefix = String(kTable) + u".Cell(";
      if (o.rfind(prefix, 0) != 0 || (call.Name != u"Text" && call.Name != u"FormattedText")) return false;
      const Integer row = std::stoi(StringToUtf8(o.substr(prefix.size())));
      const bool second = o.find(u", 2)") != String::npos;
      const String text = row == 1 ? (second ? u"Code" : u"Full Name") : (second ? u"c" : u"n") + IntToStr(row);
      return (result = text + u"\r\a"), true;
    };
  }
};

TEST(WordRecording, HeaderRowNamesAndMatchesColumnsAndWordIsQuit) {
  WordRecording word;
  TRADerevuFromWord source;
  source.SetSourceFileName(u"a.doc");
  source.SetRowFirst(3);
  source.SetRowLast(4);
  const TImportResult got = RunIntoTable(source);
  EXPECT_EQ(got.Columns, (std::vector<String>{u"Full Name", u"Code"}));
  EXPECT_EQ(got.Rows, (std::vector<std::vector<String>>{{u"n3", u"c3"}, {u"n4", u"c4"}}));
  EXPECT_EQ(word.Server->LogOf(u"attach").size(), 1u);
  EXPECT_EQ(word.Server->LogOf(u"create").size(), 0u);
  EXPECT_EQ(word.Server->LogOf(u"call Word.Documents.Open"), std::vector<String>{u"call Word.Documents.Open(\"a.doc\")"});
  EXPECT_EQ(word.Server->Log().back(), u"call Word.Quit()");
  EXPECT_EQ(word.Server->LogOf(u"get Word.ActiveDocument.Tables.Item(1).Columns.Item(1).Width").size(), 1u);
}

TEST(WordRecording, FailuresReachTheRunAndWordIsQuitEachTime) {
  {
    WordRecording word;
    word.Server->Fail(String(kTable) + u".Cell(3, 2)", u"The requested member of the collection does not exist.");
    TRADerevuFromWord source;
    source.SetRowFieldNames(0);
    const TImportResult got = RunIntoTable(source);
    EXPECT_EQ(got.Statistic.Result, irFailed);
    EXPECT_EQ(word.Server->Log().back(), u"call Word.Quit()");
  }
  {
    WordRecording word;
    word.Server->Fail(u"Word.Documents.Open", u"Word cannot open the file.");
    TRADerevuFromWord source;
    try {
      RunIntoTable(source);
      ADD_FAILURE() << "an unreadable document must fail the run";
    } catch (const ESMIFileException& e) {
      EXPECT_EQ(e.Message(), u"Word cannot open the file.");
    }
    EXPECT_EQ(word.Server->Log().back(), u"call Word.Quit()");
  }
  EXPECT_EQ(GetPlainCellText(u"a\r\ab\a\r"), u"ab\r");
}

}  // namespace
