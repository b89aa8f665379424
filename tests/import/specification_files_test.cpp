#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "import/ImportExceptions.h"
#include "import/SpecificationFiles.h"
#include "import/readers/ImportFromText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/import/spec_settings_fixture.h"

namespace {

// A fresh folder for the test's files, removed afterwards.
class SpecFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("vod_test_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    SetSaveSpecDialogHandler(nullptr);
  }
  String Path(const char* name) const { return Utf8ToString((dir / name).string()); }

  std::filesystem::path dir;
};

std::string FileBytes(const String& name) {
  TMemoryStream stream;
  stream.LoadFromFile(name);
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void WriteBytes(const String& name, const std::string& bytes) {
  TFileStream stream(name, fmCreate);
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

std::string Utf16LE(StringView text, bool mark = true) {
  std::string bytes = mark ? "\xFF\xFE" : "";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

void ExpectSameSettings(const TRADerevuBaseComponent& a, const TRADerevuBaseComponent& b) {
  EXPECT_EQ(a.TableName(), b.TableName());
  EXPECT_EQ(a.DatasetKeys(), b.DatasetKeys());
  EXPECT_EQ(a.Mode(), b.Mode());
  EXPECT_EQ(a.TableType(), b.TableType());
  EXPECT_EQ(a.SourceFileName(), b.SourceFileName());
  EXPECT_EQ(a.CharacterSet(), b.CharacterSet());
  EXPECT_EQ(a.CommitCount(), b.CommitCount());
  EXPECT_EQ(a.Mappings().GetText(), b.Mappings().GetText());
  EXPECT_EQ(a.FieldDelimiter(), b.FieldDelimiter());
  EXPECT_EQ(a.FieldDelimiterCustom(), b.FieldDelimiterCustom());
  EXPECT_EQ(a.TextQualifier(), b.TextQualifier());
  EXPECT_EQ(a.TextQualifierCustom(), b.TextQualifierCustom());
  EXPECT_EQ(a.RecordSeparator(), b.RecordSeparator());
  EXPECT_EQ(a.RecordSeparatorCustom(), b.RecordSeparatorCustom());
  EXPECT_EQ(a.Fixed(), b.Fixed());
  EXPECT_EQ(a.TrimSpaces(), b.TrimSpaces());
  EXPECT_EQ(a.RowFirst(), b.RowFirst());
  EXPECT_EQ(a.RowLast(), b.RowLast());
  EXPECT_EQ(a.RowFieldNames(), b.RowFieldNames());
  EXPECT_EQ(a.MaxScanRows(), b.MaxScanRows());
  EXPECT_TRUE(a.DataFormats() == b.DataFormats());
  EXPECT_EQ(a.LoadCondition().LoadWhen(), b.LoadCondition().LoadWhen());
  EXPECT_EQ(a.LoadCondition().SkipIf(), b.LoadCondition().SkipIf());
}

}  // namespace

TEST_F(SpecFileTest, SavedSpecificationLoadsBackWhole) {
  TRADerevuBaseComponent saved;
  SetEverything(saved);
  const String file = Path("sub/folder/spec.vod");
  String before, after;
  saved.OnBeforeSaveSpecification = [&](TComponent*, String& name) { before = name; };
  saved.OnAfterSaveSpecification = [&](TComponent*, String& name) { after = name; };
  saved.SaveSpecification(u"Moja", file, false);
  EXPECT_EQ(before, file);
  EXPECT_EQ(after, file);

  const std::string bytes = FileBytes(file);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  const std::string head = Utf16LE(u"[Common]\r\nApp=\r\nDescription=RADerevu: specification\r\nSpecification=Moja\r\n");
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  TWideStrings lines;
  saved.SaveSpecificationToStringList(lines, u"Moja");
  EXPECT_NE(lines.IndexOf(u"TableType=Clipboard"), -1);
  EXPECT_NE(lines.IndexOf(u"Map1=NAME=UPPER(Field2) + \"λ\""), -1);
  EXPECT_NE(lines.IndexOf(u"TextQualifier=27"), -1);

  TRADerevuBaseComponent loaded;
  loaded.LoadSpecification(file);
  ExpectSameSettings(saved, loaded);
}

TEST_F(SpecFileTest, KeysAreReadAsWritten) {
  const String file = Path("keys.vod");
  std::filesystem::create_directories(dir);
  WriteBytes(file, Utf16LE(u"[Common]\r\nTableType=xls\r\n[Mappings]\r\nCount=9\r\nMap0=A=Field1\r\nMap1=B=Field2\r\n"
                           u"Map3=C=Field4\r\n[Text]\r\nFieldDelimiter=3B\r\nTextQualifier=\r\nRecordSeparator=\r\n"
                           u"RowFirst=abc\r\nrowlast=5\r\nROWLAST=6\r\nMode=x\r\n"));
  TRADerevuBaseComponent c;
  c.SetMode(imUpdate);
  c.LoadSpecification(file);
  EXPECT_EQ(c.TableType(), teXLS);
  EXPECT_EQ(c.Mappings().GetText(), u"A=Field1\r\nB=Field2\r\n");
  EXPECT_EQ(c.FieldDelimiter(), fdSemicolon);
  EXPECT_EQ(c.TextQualifierCustom(), u'"');  // empty: unchanged
  EXPECT_EQ(c.RecordSeparator(), rsCustom);
  EXPECT_TRUE(c.RecordSeparatorCustom().empty());
  EXPECT_EQ(c.RowFirst(), 1);  // no number: unchanged
  EXPECT_EQ(c.RowLast(), 5);   // first line of a name wins, any case
  EXPECT_EQ(c.Mode(), imUpdate);

  // Without a TableType line the table type stays; 0D0A is CR LF.
  TRADerevuFromText text;
  WriteBytes(file, Utf16LE(u"RecordSeparator=0D0A\r\n"));
  text.SetRecordSeparator(rsLF);
  text.LoadSpecification(file);
  EXPECT_EQ(text.TableType(), teText);
  EXPECT_EQ(text.RecordSeparator(), rsCRLF);
}

TEST_F(SpecFileTest, FilesWithoutMarkAreAnsiAndAnOddUtf16ByteIsIgnored) {
  struct Case {
    const char* name;
    std::string bytes;
    String currency;
  };
  const std::vector<Case> cases = {
      {"ANSI text (code page 1250)", "RowFirst=7\r\nCurrencyString=\x80\x8A\r\n", u"€Š"},
      {"UTF-16 with an odd last byte", Utf16LE(u"RowFirst=7\r\nCurrencyString=€Š\r\n") + "x", u"€Š"},
      {"UTF-8 with its mark", "\xEF\xBB\xBFRowFirst=7\r\nCurrencyString=\xE2\x82\xAC\r\n", u"€"},
  };
  std::filesystem::create_directories(dir);
  const String file = Path("plain.vod");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(file, c.bytes);
    TRADerevuBaseComponent component;
    component.LoadSpecification(file);
    EXPECT_EQ(component.RowFirst(), 7);
    EXPECT_EQ(component.DataFormats().CurrencyString(), c.currency);
  }
}

TEST_F(SpecFileTest, MalformedFilesAreRefusedAndChangeNothing) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"mode out of range", Utf16LE(u"RowFirst=7\r\nMode=6\r\n")},
      {"negative character set", Utf16LE(u"RowFirst=7\r\nCharacterSet=-1\r\n")},
      {"trim spaces out of range", Utf16LE(u"RowFirst=7\r\nTrimSpaces=4\r\n")},
      {"date order out of range", Utf16LE(u"RowFirst=7\r\nDateOrder=6\r\n")},
      {"unknown table type", Utf16LE(u"RowFirst=7\r\nTableType=Nonsense\r\n")},
      {"not hexadecimal", Utf16LE(u"RowFirst=7\r\nFieldDelimiter=ZZ\r\n")},
      {"wide value not hexadecimal", Utf16LE(u"RowFirst=7\r\nDecimalSeparator=U00G1\r\n")},
  };
  std::filesystem::create_directories(dir);
  const String file = Path("bad.vod");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(file, c.bytes);
    TRADerevuBaseComponent component;
    EXPECT_THROW(component.LoadSpecification(file), ESMIFileFormatException);
    EXPECT_EQ(component.RowFirst(), 1);
  }
}

TEST_F(SpecFileTest, MissingFilesAndDialogs) {
  TRADerevuBaseComponent c;
  const String missing = Path("none.vod");
  try {
    c.LoadSpecification(missing);
    FAIL();
  } catch (const ESMIFileException& e) {
    EXPECT_EQ(e.Message(), u"File " + missing + u" does not exist.");
  }
  // No dialog available: as if cancelled, with an empty name.
  try {
    c.LoadSpecification(u"");
    FAIL();
  } catch (const ESMIFileException& e) {
    EXPECT_EQ(e.Message(), u"File  does not exist.");
  }

  // A cancelled save dialog writes nothing, also when names were given.
  TSaveSpecRequest shown;
  SetSaveSpecDialogHandler([&](TSaveSpecRequest& r) {
    shown = r;
    return false;
  });
  const String given = Path("given.vod");
  c.SaveSpecification(u"Given", given, true);
  EXPECT_FALSE(FileExists(given));
  EXPECT_EQ(shown.SpecName, u"Given");
  EXPECT_EQ(shown.FileName, given);
  EXPECT_EQ(shown.Caption, u"Import specification");
  EXPECT_EQ(shown.FileLabel, u"Import from File:");
  EXPECT_EQ(shown.Filter, u"Import specification|*.VOD|All files (*.*)|*.*");

  // A confirmed one decides; its proposal is the folder and the source name.
  c.SetSpecificationDir(Utf8ToString(dir.string()));
  c.SetSourceFileName(u"/elsewhere/data.csv");
  const String chosen = Path("chosen.vod");
  SetSaveSpecDialogHandler([&](TSaveSpecRequest& r) {
    shown = r;
    r.FileName = chosen;
    return true;
  });
  c.SaveSpecification(u"", u"", true);
  EXPECT_EQ(shown.SpecName, u"Import specification");
  EXPECT_EQ(shown.FileName, Path("data.vod"));
  EXPECT_TRUE(FileExists(chosen));

  // Without both names nothing is saved.
  SetSaveSpecDialogHandler(nullptr);
  c.SaveSpecification(u"", Path("nameless.vod"), false);
  EXPECT_FALSE(FileExists(Path("nameless.vod")));
}

TEST(SpecTranslateTest, HexadecimalBothWays) {
  EXPECT_EQ(TRADerevuBaseComponent::Translate(u"\t\r\n", true), u"090D0A");
  EXPECT_EQ(TRADerevuBaseComponent::Translate(String(1, u'\0'), true), u"00");
  EXPECT_EQ(TRADerevuBaseComponent::Translate(u"0D0a3", false), u"\r\n");  // odd digit ignored
  const String wide = u"a\u2028€";
  EXPECT_EQ(TRADerevuBaseComponent::Translate(wide, true), u"U0061202820AC");
  EXPECT_EQ(TRADerevuBaseComponent::Translate(TRADerevuBaseComponent::Translate(wide, true), false), wide);
  EXPECT_THROW(TRADerevuBaseComponent::Translate(u"0X", false), ESMIFileFormatException);
}

TEST_F(SpecFileTest, ReloadedSpecificationReadsTheSameRows) {
  std::filesystem::create_directories(dir);
  const String data = Path("data.txt");
  WriteBytes(data, "skip me\r\nid;ime\r\n1;'a;b'\r\n2;'c''d'\r\n");
  TRADerevuFromText first;
  first.SetSourceFileName(data);
  first.SetFieldDelimiter(fdSemicolon);
  first.SetTextQualifier(tqApos);
  first.SetRowFirst(3);
  first.SetRowFieldNames(2);
  first.Mappings().Add(u"ID=Field1");
  const String spec = Path("run.vod");
  first.SaveSpecification(u"Run", spec, false);

  TRADerevuFromText second;
  second.LoadSpecification(spec);
  auto rows = [](TRADerevuFromText& r) {
    std::vector<String> out;
    r.BeforeImport();
    r.GoFirst();
    while (r.NeedMore()) {
      r.LoadRecord();
      for (const char16_t* column : {u"Field1", u"Field2"}) {
        Variant v;
        r.GetFieldValue(Variant(column), v);
        out.push_back(v.AsString());
      }
      r.GoNext();
    }
    r.AfterImport();
    return out;
  };
  const std::vector<String> expected = {u"1", u"a;b", u"2", u"c'd"};
  EXPECT_EQ(rows(first), expected);
  EXPECT_EQ(rows(second), expected);
  EXPECT_EQ(second.Captions(), u"id;ime");
}
