// The reader model's helpers and sheets, the import's XML parser, the ZIP
// reader's checks and the document properties.
#include <gtest/gtest.h>

#include <cstring>

#include "import/ImportExceptions.h"
#include "import/readers/MSExcelX.h"
#include "import/readers/SMXMLEngine.h"
#include "import/readers/SharedStrings.h"
#include "import/readers/SpreadSheetFile.h"
#include "import/readers/XmlTokenizer.h"
#include "import/readers/ZipArchive.h"
#include "platform/rtl/DateTimeUtils.h"
#include "tests/import/excel_fixture.h"

namespace {

TEST(ReaderModel, ColumnLetters) {
  EXPECT_EQ(GetSpreadSheetColID(u"aa", 100), 26);
  EXPECT_EQ(GetSpreadSheetColID(u"AA", 26), -1);
  EXPECT_EQ(GetSpreadSheetColID(u"A1", 100), -1);
  EXPECT_EQ(GetSpreadSheetColID(u"", 100), -1);
  EXPECT_EQ(GetSpreadSheetColByID(702), u"ZZ");
  EXPECT_EQ(GetSpreadSheetColByID(703), u"AAA");
  EXPECT_EQ(GetSpreadSheetColByID(0), u"");
  Integer row = 0, col = 0;
  ParseColRow(u"C12", row, col);
  EXPECT_EQ(row, 11);
  EXPECT_EQ(col, 2);
  ParseColRow(u"12", row, col);
  EXPECT_EQ(col, -1);
  TColumnList list;
  BuildColList(3, u"B;;C", list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Column, 1);
  EXPECT_EQ(list[1].Column, -1);
  EXPECT_EQ(list[2].Column, 2);
}

TEST(ReaderModel, SheetsAndCells) {
  TSpreadSheets sheets;
  TSpreadSheet& fifth = sheets.Spreadsheet(4);
  EXPECT_EQ(sheets.Count(), 5);
  EXPECT_EQ(fifth.Caption, u"Sheet5");
  TSpreadSheetCells& cells = fifth.Cells;
  cells.SetValue(2, 1, Variant::Null(), taLeftJustify, -1, ictString);
  EXPECT_EQ(cells.UsedRowCount, 0);
  cells.SetValue(2, 1, Variant(u"x"), taLeftJustify, -1, ictString);
  // A forged position far out is dropped, not allocated.
  cells.SetValue(kMaxSheetColumns, 0, Variant(1), taLeftJustify, -1, ictInteger);
  cells.SetValue(0, kMaxSheetRows, Variant(1), taLeftJustify, -1, ictInteger);
  EXPECT_EQ(cells.UsedColCount, 3);
  EXPECT_EQ(cells.UsedRowCount, 2);
  EXPECT_EQ(cells.ValueByCell(u"c2").AsString(), u"x");
  EXPECT_TRUE(cells.GetValue(0, 0).IsNull());
}

TEST(ReaderModel, ARowAfterFreedRowsHoldsOnlyItsOwnCells) {
  TSpreadSheetCells cells;
  for (Integer c = 0; c < 3; ++c) cells.SetValue(c, 0, Variant(u"first row"), taLeftJustify, -1, ictString);
  cells.Rows(0)->RowHeight = 30;
  cells.ReleaseRowsBefore(1);
  cells.SetValue(1, 1, Variant(7), taRightJustify, -1, ictInteger);
  const TSpreadSheetRow* row = cells.Rows(1);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->Index, 1);
  EXPECT_EQ(row->RowHeight, 0);
  EXPECT_EQ(cells.GetCell(0, 1), nullptr);
  EXPECT_EQ(cells.GetCell(2, 1), nullptr);
  EXPECT_EQ(cells.GetValue(1, 1).AsInteger(), 7);
  EXPECT_TRUE(cells.GetValue(0, 0).IsNull());
}

TEST(ReaderModel, SharedStringsKeepTheirTextsAsTheTableGrows) {
  TSharedStrings sst;
  sst.Add(u"first");
  sst.Add({});
  sst.AppendToLast(u"rich ");
  sst.AppendToLast(u"runs");
  // Far past the first buffers: the table moves from the heap to a huge
  // buffer on the way, and every text moves with it.
  for (int i = 0; i < 200000; ++i) sst.Add(u"text " + IntToStr(i));
  sst.Add(u"dropped");
  sst.RemoveLast();
  ASSERT_EQ(sst.size(), 200002u);
  EXPECT_EQ(sst[0], u"first");
  EXPECT_EQ(sst[1], u"rich runs");
  EXPECT_EQ(sst[2], u"text 0");
  EXPECT_EQ(sst[200001], u"text 199999");
  sst.clear();
  EXPECT_TRUE(sst.empty());
  sst.Reserve(3, 10);
  char16_t* text = sst.Append(2);
  text[0] = u'o';
  text[1] = u'k';
  EXPECT_EQ(sst[0], u"ok");
}

TEST(ReaderModel, SheetToLoadSkipsTheOthers) {
  TSpreadSheetFile reader;
  reader.SetSheetIndex(1);
  reader.ApplyEvents();
  std::vector<bool> skipped;
  for (Integer i = 0; i < 3; ++i) {
    bool skip = false;
    reader.OnSheet(&reader, u"S" + IntToStr(i), i, skip);
    skipped.push_back(skip);
  }
  EXPECT_EQ(skipped, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(reader.Sheets.Count(), 3);
  reader.OnDimensions(&reader, 0, 0, 5, 0, 300);
  EXPECT_EQ(reader.Sheets[0].Cells.ColCount, 300);
}

TEST(ReaderModel, JulianDaysAndNaN) {
  EXPECT_EQ(Julian2DMY(2457175), EncodeDate(2015, 6, 1));
  EXPECT_TRUE(IsNan(std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(IsNan(-std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(IsNan(1.5));
  const Byte bcd[17] = {0x82, 0x12, 0x34};
  double value = 0;
  ASSERT_TRUE(SMBCDToCurr(bcd, 4, value));
  EXPECT_DOUBLE_EQ(value, 12.34);
}

// The tags the parser reports, with "/" for each closed item.
std::string Trace(std::string_view document, bool refuseB = false) {
  std::string out;
  TSMXMLEngine engine;
  engine.OnTag = [&](TComponent*, TSMXMLItem*, const String& tag, const String& text, const String&, bool& accept) {
    out += "<" + StringToUtf8(tag) + (text.empty() ? "" : "=" + StringToUtf8(text)) + ">";
    if (refuseB && tag == u"b") accept = false;
  };
  engine.OnAfterTag = [&](TComponent*, TSMXMLItem*& node, bool&) { out += "/" + StringToUtf8(node->TagName); };
  engine.LoadFromBytes(document);
  return out;
}

TEST(SMXMLEngine, TagsAndTree) {
  const std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a x=\"1\"><b>t</b><c/></a>";
  EXPECT_EQ(Trace(doc), "<a><b=t>/b<c>/c/a");
  // A refused element is skipped whole.
  EXPECT_EQ(Trace("<r><a><b><c>deep</c></b><d/></a></r>", true), "<a><b><d>/d/a/r");
  TSMXMLEngine engine;
  engine.LoadFromBytes(doc);
  TSMXMLItem* root = engine.RootItem();
  EXPECT_EQ(root->TagName, u"?xml");
  TSMXMLItem* a = engine.GetItemByTag(nullptr, u"A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Attributes, u" x=\"1\"");
  a->ProcessAttributes();
  ASSERT_EQ(a->Items.size(), 3u);
  EXPECT_EQ(a->Items.back()->TagName, u"x");
  EXPECT_EQ(a->Items.back()->GetTagValue(), u"1");
  EXPECT_EQ(engine.GetItemByTag(nullptr, u"b")->GetTagValue(), u"t");
  EXPECT_EQ(root->GetChild(u"B"), nullptr);
  EXPECT_TRUE(engine.UTF8Processed() == false);
}

TEST(SMXMLEngine, EncodingsCDataAndEntities) {
  TSMXMLEngine engine;
  engine.LoadFromBytes("\xEF\xBB\xBF<a>\xC5\xBD<![CDATA[<x>]]>tail</a>");
  EXPECT_TRUE(engine.UTF8Processed());
  EXPECT_EQ(engine.RootItem()->Value.AsString(), u"Žtail");
  ASSERT_EQ(engine.RootItem()->Items.size(), 1u);
  EXPECT_EQ(engine.RootItem()->Items[0]->Value.AsString(), u"<x>");
  engine.LoadFromBytes(std::string("\xFF\xFE<\0a\0>\0\x0D\x01<\0/\0a\0>\0", 18));
  EXPECT_EQ(engine.RootItem()->Value.AsString(), u"č");
  String text = u"a&amp;lt;b &#268;&#x160; &bogus; &";
  DecodeXmlEntities(text);
  EXPECT_EQ(text, u"a&lt;b ČŠ &bogus; &");
  String value;
  EXPECT_TRUE(FindAttribute(u" a = '1' b=\"x y\"", u"b", value));
  EXPECT_EQ(value, u"x y");
  EXPECT_FALSE(FindAttribute(u" a='1'", u"c", value));
}

using smi::EZipFileCRCError;
using smi::TZipArchive;

std::string FixtureBytes(const std::string& name) {
  std::ifstream in(ExcelFixture(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ZipArchive, DamagedEntryAndForgedSizes) {
  const std::string bytes = FixtureBytes("handmade.xlsx");
  TZipArchive zip;
  zip.LoadFromBytes(bytes.data(), bytes.size());
  const Integer stored = zip.GetIndexByFileName("XL/WORKSHEETS/DATA.XML");
  ASSERT_GE(stored, 0);
  EXPECT_EQ(zip.Entry(stored).CompressionMethod, 0);
  EXPECT_FALSE(zip.DecompressFileName("xl/workbook.xml").empty());
  EXPECT_TRUE(zip.DecompressFileName("no/such.xml").empty());
  EXPECT_THROW(zip.GetUncompressed(-1), Exception);
  // A changed byte in the stored sheet fails its checksum.
  std::string damaged = bytes;
  const size_t at = damaged.find("<sheetData>");
  ASSERT_NE(at, std::string::npos);
  damaged[at + 1] = 'S';
  TZipArchive bad;
  bad.LoadFromBytes(damaged.data(), damaged.size());
  try {
    bad.GetUncompressed(stored);
    ADD_FAILURE() << "no error";
  } catch (const EZipFileCRCError& e) {
    EXPECT_EQ(e.Message(), u"CRC Error in \"xl/worksheets/data.xml\".");
  }
}

// A sheet part inflated and split into tokens ahead, on the tokenizer's
// own thread, gives the tokens of a plain read, and the entry's failure
// (a changed byte late in the deflated sheet) once the good tokens are
// taken.
TEST(ZipArchive, ReadAheadGivesTheEntryAndItsFailure) {
  const std::string bytes = FixtureBytes("openpyxl_long.xlsx");
  auto tokens = [](const TZipArchive& zip, bool ahead) {
    auto entry = zip.OpenEntry(zip.GetIndexByFileName("xl/worksheets/sheet1.xml"));
    TXmlTokenizer xml([&entry](char* buffer, size_t count) { return entry->Read(buffer, count); }, ahead);
    std::string seen;
    for (TXmlTokenizer::TToken t; (t = xml.Next()) != TXmlTokenizer::tkEnd;)
      seen += std::to_string(t) + std::string(t == TXmlTokenizer::tkText ? xml.Text() : xml.Name()) + "|";
    return seen;
  };
  TZipArchive zip;
  zip.LoadFromBytes(bytes.data(), bytes.size());
  const std::string plain = tokens(zip, false);
  EXPECT_GT(plain.size(), 1000u);
  EXPECT_EQ(tokens(zip, true), plain);

  std::string damaged = bytes;
  const smi::TZipEntry& sheet = zip.Entry(zip.GetIndexByFileName("xl/worksheets/sheet1.xml"));
  const size_t header = static_cast<size_t>(sheet.LocalHeaderOffset);
  const size_t data = header + 30 + static_cast<Byte>(damaged[header + 26]) + static_cast<Byte>(damaged[header + 28]);
  damaged[data + static_cast<size_t>(sheet.CompressedSize) - 10] ^= 0x5A;
  TZipArchive bad;
  bad.LoadFromBytes(damaged.data(), damaged.size());
  EXPECT_THROW(tokens(bad, true), Exception);
}

TEST(SummaryInformation, PackagePropertiesAndDates) {
  TMSExcelX reader;
  reader.LoadFromFile(Utf8ToString(ExcelFixture("openpyxl_book.xlsx").string()));
  EXPECT_EQ(reader.SummaryInformation().Author, u"openpyxl");
  EXPECT_GT(reader.SummaryInformation().Created, EncodeDate(2020, 1, 1));
  EXPECT_EQ(XMLStrToDate(u"2015-06-01T13:45:30Z"), EncodeDateTime(2015, 6, 1, 13, 45, 30, 0));
  EXPECT_EQ(XMLStrToDate(u"2015-13-01T13:45:30Z"), EncodeTime(13, 45, 30, 0));
}

}  // namespace
