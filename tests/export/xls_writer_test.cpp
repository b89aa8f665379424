// The XLS writer, proved by independent readers: xlrd reads every value with
// its cell type (dates as dates, booleans as booleans); the records
// themselves where the format fixes them.
#include "export/writers/ExportToXLS.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"
#include "tests/export/spreadsheet_fixture.h"
#include "tests/export/spreadsheet_test_support.h"

namespace {

namespace fs = std::filesystem;

class TSmallLimitXLS : public TRODirezaToXLS {
 protected:
  Integer GetMaxRowCount() override { return 5; }
};

class XlsWriter : public ::testing::Test {
 protected:
  void SetUp() override { folder = FreshFolder("xls_writer"); }
  void TearDown() override { fs::remove_all(folder); }

  std::vector<BiffRecord> Export(TRODirezaToXLS& writer, TTestDataSet& ds, const std::string& name = "out.xls") {
    file = folder / name;
    PrepareSpreadsheetWriter(writer, ds, file);
    writer.Execute();
    EXPECT_EQ(writer.Statistic.Result, erCompleted);
    return BiffRecords(FileBytes(file));
  }
  std::string Xlrd() {
    const ToolResult read = RunTool("/usr/bin/python3 read_xls.py '" + file.string() + "' 2>&1");
    EXPECT_EQ(read.ExitCode, 0) << read.Output;
    return read.Output;
  }
  fs::path folder, file;
};

TEST_F(XlsWriter, XlrdReadsEveryValueWithItsType) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToXLS writer;
  writer.AddTitle = true;
  Export(writer, ds);
  EXPECT_EQ(Xlrd(),
            "[[\"text\", \"ID\"], [\"text\", \"NAME\"], [\"text\", \"PRICE\"], [\"text\", \"BORN\"], [\"text\", "
            "\"STAMP\"], [\"text\", \"ACTIVE\"], [\"text\", \"TOTAL\"], [\"text\", \"AT\"], [\"text\", \"NOTE\"]]\n"
            "[[\"number\", 1.0], [\"text\", \"Ana \xC4\x8C" "eba\xC5\xA1" "ek\"], [\"number\", 12.5], [\"date\", "
            "\"2009-07-07T00:00:00\"], [\"date\", \"2009-07-07T13:45:30\"], [\"boolean\", 1], [\"number\", 1234.56], "
            "[\"date\", \"1899-12-31T08:30:00\"], [\"text\", \"line1\\nline2\"]]\n"
            "[[\"number\", 70000.0], [\"text\", \"say \\\"hi\\\" <&>\"], [\"number\", -0.125], [\"date\", "
            "\"2100-01-01T00:00:00\"], [\"date\", \"1999-12-31T23:59:59\"], [\"boolean\", 0], [\"number\", -5.0], "
            "[\"date\", \"1899-12-31T23:59:59\"], [\"text\", \"? smile\"]]\n"
            "[[\"number\", -1.0], [\"empty\", \"\"], [\"number\", 0.001], [\"date\", \"1900-03-01T00:00:00\"], "
            "[\"date\", \"2026-01-02T00:00:01\"], [\"boolean\", 1], [\"number\", 0.0], [\"date\", "
            "\"1899-12-31T00:00:01\"], [\"text\", \" leading blank\"]]\n");
}

// The stream in its order: the file's head, fonts and format entries, then
// dimensions, widths and cells, then the end.
TEST_F(XlsWriter, RecordsInTheirOrder) {
  TTestDataSet ds;
  FillWideDataSet(ds, 2, 1);
  TRODirezaToXLS writer;
  PrepareSpreadsheetWriter(writer, ds, folder / "out.xls");
  writer.BuildDefaultColumns();
  writer.Columns[0].Width = 10;
  const auto records = Export(writer, ds);
  std::vector<uint16_t> ids;
  for (const BiffRecord& r : records) ids.push_back(r.Id);
  std::vector<uint16_t> expected = {0x0409, 0x0042, 0x008C};
  expected.insert(expected.end(), 36, 0x041E);
  expected.push_back(0x0231);
  expected.insert(expected.end(), 17, 0x0443);  // 16 fixed, one for the integer cells
  for (uint16_t id : {0x0200, 0x0024, 0x0024, 0x0203, 0x0203, 0x000A}) expected.push_back(id);
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(Word16(records[1].Data, 0), 1250);  // the ANSI code page
  const BiffRecord& width = records[3 + 36 + 1 + 17 + 1];
  EXPECT_EQ(Word16(width.Data, 2), 12 * 256);  // a width of 10 is written as 12
  const BiffRecord& cell = records[records.size() - 3];
  EXPECT_EQ(Word16(cell.Data, 4), 16);  // the cell's format entry: the first after the fixed ones
  double value;
  std::memcpy(&value, cell.Data.data() + 6, 8);
  EXPECT_EQ(value, 100.0);
}

// Labels are cut to 255 bytes; columns past 255 get no record and no width;
// the dimensions name at most 255 columns; blanks only with the option.
TEST_F(XlsWriter, LimitsOfTheFormat) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"T", ftWideString, 400);
  ds.FieldDefs().Add(u"E", ftWideString, 10);
  ds.Open();
  ds.Append();
  ds.Fields()[0]->SetAsString(String(300, u'x'));
  ds.Post();
  ds.First();
  TRODirezaToXLS writer;
  writer.Options |= OptionBit(soExportBlankValues);
  auto records = Export(writer, ds);
  ASSERT_EQ(records[records.size() - 3].Id, 0x0204);
  EXPECT_EQ(records[records.size() - 3].Data.size(), 8u + 255u);
  EXPECT_EQ(records[records.size() - 2].Id, 0x0201);  // the empty cell, as asked

  TTestDataSet wide;
  FillWideDataSet(wide, 300, 1);
  TRODirezaToXLS wideWriter;
  records = Export(wideWriter, wide, "wide.xls");
  int cells = 0, widths = 0;
  for (const BiffRecord& r : records) {
    if (r.Id == 0x0203) ++cells;
    if (r.Id == 0x0024) ++widths;
    if (r.Id == 0x0200) {
      EXPECT_EQ(Word16(r.Data, 6), 254);
    }
  }
  EXPECT_EQ(cells, 256);
  EXPECT_EQ(widths, 256);
}

// The row limit ends the run with the message and a complete file.
TEST_F(XlsWriter, RowLimitEndsWithACompleteFile) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  TTestDataSet ds;
  FillWideDataSet(ds, 1, 8);
  TSmallLimitXLS writer;
  file = folder / "limited.xls";
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.Footer = {u"after the limit"};
  try {
    writer.Execute();
    FAIL() << "the limit was not reported";
  } catch (const ESMEMaxRowCountException& e) {
    EXPECT_EQ(e.Message(), u"MS Excel spreadsheet can not contain more than 5 rows");
  }
  EXPECT_EQ(BiffRecords(FileBytes(file)).back().Id, 0x000A);
  EXPECT_EQ(Xlrd(), "[[\"number\", 100.0]]\n[[\"number\", 200.0]]\n[[\"number\", 300.0]]\n[[\"number\", 400.0]]\n"
                    "[[\"number\", 500.0]]\n");
}

// With soColorsFonts the font table holds four fonts at most; a fifth font
// takes the default one, so no format entry names a font that is not there.
// Page header and footer lines become HEADER and FOOTER records.
TEST_F(XlsWriter, FontsAndPageTexts) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  TTestDataSet ds;
  FillWideDataSet(ds, 5, 1);
  TRODirezaToXLS writer;
  PrepareSpreadsheetWriter(writer, ds, folder / "out.xls");
  writer.Options |= OptionBit(soColorsFonts);
  writer.PageHeader = {u"Top"};
  writer.PageFooter = {u"Bottom"};
  writer.BuildDefaultColumns();
  for (Integer i = 0; i < 5; ++i) writer.Columns[i].Font.Size = 9 + i;
  const auto records = Export(writer, ds);
  int fonts = 0;
  for (const BiffRecord& r : records) {
    if (r.Id == 0x0231) ++fonts;
    if (r.Id == 0x0443) {
      EXPECT_LT(static_cast<unsigned char>(r.Data[0]), 4);
    } else if (r.Id == 0x0014) {
      EXPECT_EQ(r.Data, "\x05Top\r\n");
    } else if (r.Id == 0x0015) {
      EXPECT_EQ(r.Data, "\x08" "Bottom\r\n");
    }
  }
  EXPECT_EQ(fonts, 4);
  EXPECT_EQ(Xlrd(), "[[\"number\", 100.0], [\"number\", 101.0], [\"number\", 102.0], [\"number\", 103.0], "
                    "[\"number\", 104.0]]\n");
}

TEST_F(XlsWriter, FieldMaskWritesLabels) {
  TTestDataSet ds;
  FillWideDataSet(ds, 1, 1);
  TRODirezaToXLS writer;
  writer.Options |= OptionBit(soFieldMask);
  const auto records = Export(writer, ds);
  ASSERT_EQ(records[records.size() - 2].Id, 0x0204);
  EXPECT_EQ(records[records.size() - 2].Data.substr(8), "100");
}

// An OfficeArt record: its type, instance and body.
struct ArtRecord {
  uint16_t Type;
  uint16_t Instance;
  std::string Body;
};

// Every record of an OfficeArt tree in document order, containers walked
// into; each container's children must fill it exactly, so a length that
// does not match fails.
void WalkArt(const std::string& bytes, std::vector<ArtRecord>& out) {
  size_t at = 0;
  while (at < bytes.size()) {
    ASSERT_LE(at + 8, bytes.size()) << "a record header is cut";
    const uint16_t head = Word16(bytes, at), type = Word16(bytes, at + 2);
    const uint32_t length = Word16(bytes, at + 4) | static_cast<uint32_t>(Word16(bytes, at + 6)) << 16;
    ASSERT_LE(at + 8 + length, bytes.size()) << "record " << std::hex << type << " is longer than its parent";
    const std::string body = bytes.substr(at + 8, length);
    out.push_back({type, static_cast<uint16_t>(head >> 4), body});
    if ((head & 0xF) == 0xF) WalkArt(body, out);
    at += 8 + length;
  }
}

// Pictures get no cell record; they go into one drawing-group record at the
// end, continued in CONTINUE records past 8,224 bytes, whose picture store
// holds each readable picture's bitmap. The values around them still read
// in xlrd and gnumeric.
TEST_F(XlsWriter, PicturesGoIntoTheDrawingGroup) {
  const TPicture small = TwoColourPicture();
  const std::vector<Cardinal> pixels(200 * 100, 0x336699);
  const TPicture large = TPicture::FromPixels(200, 100, pixels);
  for (const TPicture* picture : {&small, &large}) {
    SCOPED_TRACE(picture->Width());
    TTestDataSet ds;
    FillPictureDataSet(ds, *picture);
    TRODirezaToXLS writer;
    const auto records = Export(writer, ds, "pictures.xls");
    std::string art;
    size_t group = 0, continued = 0;
    for (size_t i = 0; i < records.size(); ++i) {
      if (records[i].Id == 0x00EC) group = i;
      if (records[i].Id == 0x00EC || (group != 0 && records[i].Id == 0x003C)) {
        EXPECT_LE(records[i].Data.size(), 8224u);
        continued += records[i].Id == 0x003C;
        art += records[i].Data;
      }
      // Column 1 holds only pictures: no cell there.
      if (records[i].Id >= 0x0201 && records[i].Id <= 0x0205) {
        EXPECT_EQ(Word16(records[i].Data, 2), 0);
      }
    }
    ASSERT_NE(group, 0u);
    EXPECT_EQ(continued, picture == &large ? art.size() / 8224 : 0u);
    EXPECT_EQ(records.back().Id, 0x000A);
    std::vector<ArtRecord> tree;
    WalkArt(art, tree);
    std::vector<uint16_t> types;
    for (const ArtRecord& r : tree) types.push_back(r.Type);
    ASSERT_EQ(types, (std::vector<uint16_t>{0xF000, 0xF006, 0xF001, 0xF007, 0xF007, 0xF00B, 0xF11E}));
    EXPECT_EQ(tree[1].Body.size(), 24u);
    EXPECT_EQ(Word16(tree[1].Body, 0), 2 + 0x401);  // two pictures: the PNG is left out
    EXPECT_EQ(tree[2].Instance, 2);
    for (size_t entry : {3u, 4u}) {
      // The entry's bitmap record follows its first 36 bytes: the identity
      // the entry names, a tag, then the bitmap without its file header.
      const std::string& body = tree[entry].Body;
      ASSERT_GT(body.size(), 36u + 8u + 17u);
      EXPECT_EQ(Word16(body, 36 + 2), 0xF01F);
      EXPECT_EQ(body.substr(2, 16), body.substr(36 + 8, 16));
      const std::span<const Byte> dib = picture->Dib();
      EXPECT_EQ(body.substr(36 + 8 + 17), std::string(dib.begin(), dib.end()));
    }
    if (HasPythonModule("xlrd")) {
      EXPECT_EQ(Xlrd(), "[[\"number\", 1.0]]\n[[\"number\", 2.0]]\n[[\"number\", 3.0]]\n[[\"number\", 4.0]]\n");
    }
    if (HasProgram("ssconvert")) {
      // gnumeric expects a picture store in a workbook's globals only and
      // says so on stderr for a worksheet file; it reads every value.
      const ToolResult convert = RunTool("ssconvert '" + file.string() + "' '" + file.string() + ".csv' 2>&1");
      EXPECT_EQ(convert.ExitCode, 0) << convert.Output;
      EXPECT_EQ(FileBytes(file.string() + ".csv"), "1\n2\n3\n4\n");
    }
  }
}

}  // namespace
