// The wizard's list of specifications without a display: the files of a
// folder, the host's list, the buttons' state, load, save and delete, and a
// specification that comes back with every setting.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "import/ImportWizard.h"
#include "import/SpecificationFiles.h"
#include "import/SpecificationList.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/import/spec_settings_fixture.h"

namespace {

class SpecListTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("vod_list_test_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    wizard.SetSpecificationDir(Folder());
    wizard.SetSourceFileName(u"/data/orders.csv");
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    SetSaveSpecDialogHandler(nullptr);
    SetSpecificationDialogHandler(nullptr);
  }
  String Folder() const { return Utf8ToString(dir.string()) + u"/"; }
  String Path(const char* name) const { return Utf8ToString((dir / name).string()); }
  void WriteBytes(const char* name, const std::string& bytes) const {
    TFileStream stream(Path(name), fmCreate);
    stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  }
  // Saves a specification of the given name whose table name tells it apart.
  void SaveSpec(const char* file, const String& name) {
    TSMIWizardDlg other;
    other.SetTableName(name + u" table");
    other.SaveSpecification(name, Path(file), false);
  }
  // Captions of the list, sorted (the file system decides the order).
  static std::vector<String> Captions(const TSpecificationList& list) {
    std::vector<String> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Text(i));
    std::sort(out.begin(), out.end());
    return out;
  }

  std::filesystem::path dir;
  TSMIWizardDlg wizard;
};

// What a dialog would do: records the list it was shown, then presses a
// button after selecting an entry.
struct FakeDialog {
  TSpecDialogResult Press = sdrClose;
  int SelectCaption = -1;  // index into the sorted captions; -1 keeps the first
  String SelectText;
  int Shown = 0;
  bool SaveEnabled = false, LoadEnabled = false, DeleteEnabled = false;

  void Install() {
    SetSpecificationDialogHandler([this](TSpecificationList& list, const std::function<void()>& loadClick) {
      ++Shown;
      SaveEnabled = list.CanSave();
      LoadEnabled = list.CanLoad();
      DeleteEnabled = list.CanDelete();
      if (!SelectText.empty()) {
        for (int i = 0; i < list.Count(); ++i)
          if (list.Text(i) == SelectText) list.Select(i);
      }
      if (Press == sdrLoad) loadClick();
      return Press;
    });
  }
};

}  // namespace

TEST_F(SpecListTest, FolderEntriesAndTheirCaptions) {
  SaveSpec("b.vod", u"Monthly orders");
  SaveSpec("a.VOD", u"Customers");
  // No "Specification" key, a file that is no specification, another extension.
  WriteBytes("nokey.vod", "[Common]\r\nTableType=Text\r\n");
  WriteBytes("junk.vod", std::string("\x00\x01\xFF", 3));
  WriteBytes("notes.txt", "[Common]\r\nSpecification=Not listed\r\n");
  // A name in another section does not count.
  WriteBytes("other.vod", "[Text]\r\nSpecification=Wrong\r\n[Common]\r\nspecification = Right \r\n");

  TSpecificationList list;
  list.Collect(wizard);
  EXPECT_EQ(Captions(list), (std::vector<String>{Path("junk.vod"), Path("nokey.vod"), u"Customers", u"Monthly orders",
                                                  u"Right"}));
  for (int i = 0; i < list.Count(); ++i) {
    ASSERT_NE(list.File(i), nullptr);
    EXPECT_EQ(list.File(i)->Caption, list.Text(i));
    EXPECT_TRUE(FileExists(list.File(i)->FileName));
  }
  EXPECT_EQ(list.ItemIndex(), -1);
  list.Select(1);
  EXPECT_EQ(list.LoadTarget(), list.File(1));
  list.Select(7);
  EXPECT_EQ(list.LoadTarget(), nullptr);
}

TEST_F(SpecListTest, TheHostsListReplacesTheFolder) {
  SaveSpec("a.vod", u"From the folder");
  int calls = 0;
  wizard.OnGetSpecifications = [&](TComponent* sender, TWideStrings& list) {
    ++calls;
    EXPECT_EQ(sender, &wizard);
    list.AddObject(u"Hosted", new TSMISpecificationFile{Path("hosted.vod"), u"Hosted"});
  };
  TSpecificationList list;
  list.Collect(wizard);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Captions(list), (std::vector<String>{u"Hosted"}));

  // A handler that adds nothing gives an empty list: the folder is not read.
  wizard.OnGetSpecifications = [](TComponent*, TWideStrings&) {};
  list.Collect(wizard);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(SpecListTest, ButtonsFollowTheListAndTheRestrictions) {
  struct Case {
    bool Entries, Save, Load, Delete;
    bool SaveOn, LoadOn, DeleteOn;
  };
  const Case cases[] = {
      {false, true, true, true, true, false, false},  {true, true, true, true, true, true, true},
      {true, false, true, true, false, true, true},   {true, true, false, false, true, false, false},
      {false, false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Entries << c.Save << c.Load << c.Delete);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (c.Entries) SaveSpec("a.vod", u"A");
    wizard.UserAccess().SpecificationSave = c.Save;
    wizard.UserAccess().SpecificationLoad = c.Load;
    wizard.UserAccess().SpecificationDelete = c.Delete;
    FakeDialog dialog;
    dialog.Install();
    wizard.ShowSpecificationDialog();
    EXPECT_EQ(dialog.Shown, 1);
    EXPECT_EQ(dialog.SaveEnabled, c.SaveOn);
    EXPECT_EQ(dialog.LoadEnabled, c.LoadOn);
    EXPECT_EQ(dialog.DeleteEnabled, c.DeleteOn);
  }
}

TEST_F(SpecListTest, SaveOffersTheSelectedEntryOrANewOne) {
  SaveSpec("first.vod", u"First");
  SaveSpec("second.vod", u"Second");
  std::vector<TSaveSpecRequest> asked;
  bool confirm = true;
  SetSaveSpecDialogHandler([&](TSaveSpecRequest& request) {
    asked.push_back(request);
    return confirm;
  });
  FakeDialog dialog;
  dialog.Press = sdrSave;
  dialog.SelectText = u"Second";
  dialog.Install();
  wizard.SetTableName(u"Current table");
  wizard.ShowSpecificationDialog();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].SpecName, u"Second");
  EXPECT_EQ(asked[0].FileName, Path("second.vod"));
  TSMIWizardDlg check;
  check.LoadSpecification(Path("second.vod"));
  EXPECT_EQ(check.TableName(), u"Current table");

  // Cancelling the save dialog leaves the selected entry's file as it was.
  confirm = false;
  wizard.SetTableName(u"Cancelled");
  dialog.SelectText = u"First";
  wizard.ShowSpecificationDialog();
  ASSERT_EQ(asked.size(), 2u);
  check.LoadSpecification(Path("first.vod"));
  EXPECT_EQ(check.TableName(), u"First table");

  // An empty folder proposes the default name and the source's name.
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  dialog.SelectText.clear();
  confirm = true;
  wizard.ShowSpecificationDialog();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[2].SpecName, u"Import specification");
  EXPECT_EQ(asked[2].FileName, Path("orders.vod"));
  EXPECT_TRUE(FileExists(Path("orders.vod")));

  // Closing the list saves nothing.
  std::filesystem::remove(dir / "orders.vod");
  dialog.Press = sdrClose;
  wizard.ShowSpecificationDialog();
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_FALSE(FileExists(Path("orders.vod")));
}

TEST_F(SpecListTest, LoadTakesTheSelectedEntryIntoTheWizard) {
  SaveSpec("first.vod", u"First");
  SaveSpec("second.vod", u"Second");
  int loaded = 0;
  wizard.OnAfterLoadSpecification = [&](TComponent*, String& file) {
    ++loaded;
    EXPECT_EQ(file, Path("second.vod"));
  };
  FakeDialog dialog;
  dialog.Press = sdrLoad;
  dialog.SelectText = u"Second";
  dialog.Install();
  wizard.ShowSpecificationDialog();
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(wizard.TableName(), u"Second table");

  // A Load button that carries no entry does nothing.
  TSpecificationList empty;
  wizard.SetTableName(u"kept");
  wizard.LoadSpecClick(empty);
  EXPECT_EQ(wizard.TableName(), u"kept");
  EXPECT_EQ(loaded, 1);

  // A file gone since the list was read fails with the engine's text.
  TSpecificationList list;
  list.Collect(wizard);
  list.Select(0);
  const String gone = list.File(0)->FileName;
  std::filesystem::remove(StringToUtf8(gone));
  try {
    wizard.LoadSpecClick(list);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"File " + gone + u" does not exist.");
  }
}

TEST_F(SpecListTest, DeleteRemovesFileAndEntry) {
  SaveSpec("first.vod", u"First");
  SaveSpec("second.vod", u"Second");
  TSpecificationList list;
  list.Collect(wizard);
  list.Select(list.Text(0) == u"Second" ? 0 : 1);
  EXPECT_EQ(list.DeletePrompt(), u"Delete import specification " + Path("second.vod") + u"?");
  EXPECT_TRUE(list.DeleteSelected());
  EXPECT_FALSE(FileExists(Path("second.vod")));
  EXPECT_EQ(Captions(list), (std::vector<String>{u"First"}));
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(list.LoadTarget(), list.File(0));

  // A file that cannot be deleted (gone already) still leaves the list.
  std::filesystem::remove(dir / "first.vod");
  EXPECT_TRUE(list.DeleteSelected());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_FALSE(list.CanLoad());
  EXPECT_FALSE(list.CanDelete());
  EXPECT_TRUE(list.DeletePrompt().empty());
  EXPECT_FALSE(list.DeleteSelected());

  // An entry without a file is not deleted.
  TWideStrings host;
  host.Add(u"No file");
  list.Assign(host);
  list.Select(0);
  EXPECT_TRUE(list.DeletePrompt().empty());
  EXPECT_FALSE(list.DeleteSelected());
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(SpecListTest, ASavedSpecificationLoadsBackWithEverySetting) {
  TSMIWizardDlg saved;
  SetEverything(saved);
  saved.SheetIndex = 4;
  saved.XMLTags() = TSMIXMLTags{true, u"DATA", u"ITEM", u"LINE", true};
  saved.SaveSpecification(u"Every setting", Path("all.vod"), false);

  // The file is UTF-16LE INI text with a mark and the wizard's sections.
  TMemoryStream bytes;
  bytes.LoadFromFile(Path("all.vod"));
  ASSERT_GT(bytes.Size(), 2);
  EXPECT_EQ(static_cast<const Byte*>(bytes.Memory())[0], 0xFF);
  EXPECT_EQ(static_cast<const Byte*>(bytes.Memory())[1], 0xFE);

  TSMIWizardDlg loaded;
  loaded.LoadSpecification(Path("all.vod"));
  TWideStrings a, b;
  saved.SaveSpecificationToStringList(a, u"x");
  loaded.SaveSpecificationToStringList(b, u"x");
  EXPECT_EQ(StringToUtf8(b.GetText()), StringToUtf8(a.GetText()));
  EXPECT_EQ(loaded.SheetIndex, 4);
  EXPECT_TRUE(loaded.XMLTags().CaseSensitive);
  EXPECT_EQ(loaded.XMLTags().RecordsTag, u"DATA");
  EXPECT_EQ(loaded.XMLTags().RecordTag, u"ITEM");
  EXPECT_EQ(loaded.XMLTags().RowTag, u"LINE");
  EXPECT_TRUE(loaded.XMLTags().SubNodes);
  EXPECT_EQ(loaded.FieldDelimiter(), saved.FieldDelimiter());
  EXPECT_EQ(loaded.SourceFileName(), saved.SourceFileName());
  EXPECT_EQ(ReadSpecificationCaption(Path("all.vod")), u"Every setting");

  // A specification without the wizard's sections keeps the sheet and the
  // flags and empties the tag names.
  TRADerevuBaseComponent engine;
  engine.SaveSpecification(u"Engine only", Path("engine.vod"), false);
  loaded.LoadSpecification(Path("engine.vod"));
  EXPECT_EQ(loaded.SheetIndex, 4);
  EXPECT_TRUE(loaded.XMLTags().CaseSensitive);
  EXPECT_TRUE(loaded.XMLTags().SubNodes);
  EXPECT_EQ(loaded.XMLTags().RecordsTag, u"");
  EXPECT_EQ(loaded.XMLTags().RowTag, u"");
}

TEST_F(SpecListTest, PythonsIniReaderReadsTheFile) {
  if (std::system("/usr/bin/python3 -c 'import configparser' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3 is not installed";
  wizard.SheetIndex = 2;
  wizard.XMLTags().RecordTag = u"Zapis";
  wizard.SaveSpecification(u"Čas", Path("py.vod"), false);
  const std::string script =
      "import configparser,sys\n"
      "c=configparser.ConfigParser(interpolation=None)\n"
      "c.optionxform=str\n"
      "c.read_string(open(sys.argv[1],encoding='utf-16').read())\n"
      "print(c['Common']['Specification'],c['Sheet']['SheetIndex'],c['XMLTags']['RecordTag'],"
      "c['XMLTags']['SubNodes'],sep='|')\n";
  {
    TFileStream out(Path("read.py"), fmCreate);
    out.WriteBuffer(script.data(), static_cast<Int64>(script.size()));
  }
  const std::string command = "PYTHONIOENCODING=utf-8 /usr/bin/python3 " + (dir / "read.py").string() + " " +
                              (dir / "py.vod").string();
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  EXPECT_EQ(output, "Čas|2|Zapis|0\n");
}
