#include "export/FileDialog.h"

#include <gtest/gtest.h>

namespace {

// Leaves no dialog installed for the tests that follow.
struct FileDialogTest : testing::Test {
  void TearDown() override { SetFileDialogHandler({}); }
};

TEST_F(FileDialogTest, WithoutADialogNothingIsChosen) {
  EXPECT_FALSE(FileDialogAvailable());
  String name = u"/data/out.txt";
  EXPECT_FALSE(ZAZOpenSaveFileDialog(nullptr, u".txt", u"Text|*.txt", u"/data", u"Save", name, false));
  EXPECT_EQ(name, u"/data/out.txt");
}

TEST_F(FileDialogTest, HandsTheRequestToTheInstalledDialog) {
  TFileDialogRequest seen;
  String answer = u"/home/u/chosen.txt";
  SetFileDialogHandler([&](TFileDialogRequest& request) {
    seen = request;
    request.FileName = answer;
    return true;
  });
  ASSERT_TRUE(FileDialogAvailable());

  int parent = 0;
  String name = u"/data/out.txt";
  EXPECT_TRUE(ZAZOpenSaveFileDialog(&parent, u".txt", u"Text|*.txt", u"/data", u"Save as", name, true));
  EXPECT_EQ(name, answer);
  EXPECT_EQ(seen.Parent, &parent);
  EXPECT_TRUE(seen.Open);
  EXPECT_EQ(seen.Filter, u"Text|*.txt");
  EXPECT_EQ(seen.InitialDir, u"/data");
  EXPECT_EQ(seen.Title, u"Save as");
  EXPECT_EQ(seen.FileName, u"/data/out.txt");
}

TEST_F(FileDialogTest, ProposedNamesAndCancel) {
  String shown;
  SetFileDialogHandler([&](TFileDialogRequest& request) {
    shown = request.FileName;
    request.FileName = u"ignored";
    return false;
  });
  struct Case {
    String proposed, shown;
  };
  // A folder gets a default file name in it.
  const Case cases[] = {{u"/data/", u"/data/default"}, {u"/data/x", u"/data/x"}, {u"", u""}, {u"/", u"/default"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.proposed.begin(), c.proposed.end()));
    String name = c.proposed;
    EXPECT_FALSE(ZAZOpenSaveFileDialog(nullptr, u"", u"", u"", u"", name, false));
    EXPECT_EQ(shown, c.shown);
    // A cancelled dialog leaves the name as it was proposed.
    EXPECT_EQ(name, c.proposed);
  }
}

}  // namespace
