// The OpenDocument spreadsheet reader: a file LibreOffice wrote from a CSV
// reads back value for value, and hand-made content parts show repeated,
// covered and multi-paragraph cells and damaged styles.
#include <gtest/gtest.h>

#include "import/ImportExceptions.h"
#include "import/readers/OpenOfficeCalc.h"
#include "platform/rtl/Streams.h"
#include "tests/import/markup_fixture.h"

namespace {

// A sheet's used range as text, "" for a position without a value.
std::vector<std::vector<String>> SheetText(const TSpreadSheet& sheet) {
  std::vector<std::vector<String>> rows;
  for (Integer r = 0; r < sheet.Cells.UsedRowCount; ++r) {
    std::vector<String> row;
    for (Integer c = 0; c < sheet.Cells.UsedColCount; ++c) {
      const Variant v = sheet.Cells.GetValue(c, r);
      row.push_back(v.IsNull() ? String() : v.AsString());
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string Content(const std::string& tables, const std::string& styles = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content><office:automatic-styles>" + styles +
         "</office:automatic-styles><office:body><office:spreadsheet>" + tables +
         "</office:spreadsheet></office:body></office:document-content>";
}

void LoadContent(TSMIOpenOfficeSpreadsheet& reader, const std::string& content) {
  const std::string zip = MakeStoredZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                         {"content.xml", content}});
  TMemoryStream stream;
  stream.Write(zip.data(), static_cast<Int64>(zip.size()));
  stream.SetPosition(0);
  reader.LoadFromStream(stream);
}

TEST(OdsReader, LibreOfficeFileReadsAsTheCsvItWasMadeFrom) {
  TSMIOpenOfficeSpreadsheet reader;
  reader.LoadFromFile(Utf8ToString(MarkupFixture("libreoffice_rows.ods").string()));
  ASSERT_EQ(reader.Sheets.Count(), 1);
  EXPECT_EQ(reader.Sheets[0].Caption, u"rows");
  // Row 3 holds one value repeated over six cells, rows 5 and 6 are one
  // repeated row, "two  spaces" holds a space element.
  EXPECT_EQ(SheetText(reader.Sheets[0]), ReadCsv(MarkupFixture("rows.csv")));
  // Numbers are their shown text, typed as decimals.
  const TSMICell* amount = reader.Sheets[0].Cells.GetCell(3, 1);
  ASSERT_NE(amount, nullptr);
  EXPECT_EQ(amount->CellType, ictDecimal);
  EXPECT_EQ(reader.Sheets[0].Cells.GetCell(1, 1)->CellType, ictString);
}

TEST(OdsReader, ImportTakesNamesFromTheFirstRow) {
  TRADerevuFromOpenOfficeCalc source;
  source.SetSourceFileName(Utf8ToString(MarkupFixture("libreoffice_rows.ods").string()));
  source.SetRowFirst(2);
  const TImportResult got = RunIntoTable(source);
  const auto csv = ReadCsv(MarkupFixture("rows.csv"));
  EXPECT_EQ(got.Columns, csv[0]);
  EXPECT_EQ(got.Rows, std::vector<std::vector<String>>(csv.begin() + 1, csv.end()));
  EXPECT_EQ(got.Statistic.TotalErrors, 0);
}

TEST(OdsReader, CellsLandInTheirOwnColumns) {
  struct TCase {
    const char* Name;
    std::string Table;
    std::vector<std::vector<String>> Expected;
  };
  const std::string p = "<text:p>";
  const TCase cases[] = {
      {"covered cells keep their columns",
       "<table:table-row><table:table-cell table:number-columns-spanned=\"2\"><text:p>a</text:p></table:table-cell>"
       "<table:covered-table-cell/><table:table-cell><text:p>c</text:p></table:table-cell></table:table-row>",
       {{u"a", u"", u"c"}}},
      {"a repeated empty cell moves the next one on",
       "<table:table-row><table:table-cell table:number-columns-repeated=\"2\"/>"
       "<table:table-cell><text:p>c</text:p></table:table-cell></table:table-row>",
       {{u"", u"", u"c"}}},
      {"a repeated row repeats its values",
       "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell><text:p>x</text:p></table:table-cell>"
       "</table:table-row><table:table-row><table:table-cell><text:p>y</text:p></table:table-cell></table:table-row>",
       {{u"x"}, {u"x"}, {u"y"}}},
      {"paragraphs, spans, spaces and line breaks make one text",
       "<table:table-row><table:table-cell><text:p>one <text:span>bold</text:span>!</text:p>"
       "<text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>d</text:p></table:table-cell></table:table-row>",
       {{u"one bold!\na   b\tc\nd"}}},
      {"a comment is not the cell's text",
       "<table:table-row><table:table-cell><office:annotation><text:p>note</text:p></office:annotation>"
       "<text:p>value</text:p></table:table-cell></table:table-row>",
       {{u"value"}}},
      {"entities and UTF-8",
       "<table:table-row><table:table-cell><text:p>&lt;&amp;&#x17D;\xC5\xA1</text:p></table:table-cell></table:table-row>",
       {{u"<&Žš"}}},
      {"entities in plain ASCII",
       "<table:table-row><table:table-cell><text:p>a &lt;b&gt; &amp;&#65;</text:p></table:table-cell></table:table-row>",
       {{u"a <b> &A"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSMIOpenOfficeSpreadsheet reader;
    LoadContent(reader, Content("<table:table table:name=\"T\">" + c.Table + "</table:table>"));
    ASSERT_EQ(reader.Sheets.Count(), 1);
    EXPECT_EQ(SheetText(reader.Sheets[0]), c.Expected);
  }
}

TEST(OdsReader, StylesGiveAlignmentAndABrokenFontSizeIsIgnored) {
  const std::string styles =
      "<style:style style:name=\"P1\" style:family=\"paragraph\"><style:text-properties fo:text-align=\"end\" "
      "fo:font-size=\"bad\" fo:font-weight=\"bold\" fo:color=\"#FF0080\"/></style:style>"
      "<style:style style:name=\"G1\" style:family=\"graphic\"><style:graphic-properties fo:clip=\"rect(1cm, 2cm, 30cm, 40cm)\"/>"
      "</style:style><text:list-style style:name=\"L1\"/>";
  TSMIOpenOfficeSpreadsheet reader;
  LoadContent(reader, Content("<table:table><table:table-row><table:table-cell table:style-name=\"P1\">"
                              "<text:p>r</text:p></table:table-cell></table:table-row></table:table>",
                              styles));
  ASSERT_EQ(reader.Styles().Count(), 3);
  const auto* text = dynamic_cast<const TSMIOOStyleText*>(reader.Styles().FindByStyleName(u"P1"));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->TextFont.Size, 0);
  EXPECT_TRUE(text->TextFont.Bold);
  EXPECT_EQ(text->TextFont.Color, 0x8000FFu);
  const auto* graphic = dynamic_cast<const TSMIOOStyleGraphic*>(reader.Styles().GetStyle(1));
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->ClipRect.Right, 31);
  EXPECT_EQ(graphic->ClipRect.Bottom, 42);
  EXPECT_NE(dynamic_cast<const TSMIOOStyleNumList*>(reader.Styles().GetStyle(2)), nullptr);
  EXPECT_EQ(reader.Sheets[0].Cells.GetCell(0, 0)->Alignment, taRightJustify);
  // The sheet without a name is named by its number.
  EXPECT_EQ(reader.Sheets[0].Caption, u"Sheet0");
}

TEST(OdsReader, EveryTableIsASheetAndTheChosenOneIsImported) {
  const std::string tables =
      "<table:table table:name=\"First\"><table:table-row><table:table-cell><text:p>1</text:p></table:table-cell>"
      "</table:table-row></table:table><table:table table:name=\"Second\"><table:table-row><table:table-cell>"
      "<text:p>2</text:p></table:table-cell></table:table-row></table:table>";
  TSMIOpenOfficeSpreadsheet reader;
  reader.SetSheetIndex(1);
  LoadContent(reader, Content(tables));
  ASSERT_EQ(reader.Sheets.Count(), 2);
  EXPECT_EQ(reader.Sheets[1].Caption, u"Second");
  EXPECT_EQ(SheetText(reader.Sheets[0]), (std::vector<std::vector<String>>{{u"1"}}));
  EXPECT_EQ(SheetText(reader.Sheets[1]), (std::vector<std::vector<String>>{{u"2"}}));
}

// Rows on demand: the reader is walked as the import walks it (each row
// asked for, the rows behind it freed), and must give what a whole load
// gives, with blank rows between and after the values.
TEST(OdsReader, RowsOnDemandGiveWhatAWholeLoadGives) {
  auto row = [](const std::string& cells, int repeat = 1) {
    return "<table:table-row" + (repeat > 1 ? " table:number-rows-repeated=\"" + std::to_string(repeat) + "\"" : "") +
           ">" + cells + "</table:table-row>";
  };
  auto cell = [](const std::string& text) { return "<table:table-cell><text:p>" + text + "</text:p></table:table-cell>"; };
  const std::string blank = "<table:table-cell table:number-columns-repeated=\"1024\"/>";
  const std::string body = row(cell("a") + cell("b")) + row(cell("1") + cell("2")) + row(blank, 3) +
                           row(cell("3") + cell("4"), 2) + row("<table:table-cell/>" + cell("5")) + row(blank, 1000);
  struct TCase {
    const char* Name;
    std::string Columns;
    bool Pauses;
  };
  const TCase cases[] = {
      {"declared columns filled by the first rows", "<table:table-column table:number-columns-repeated=\"2\"/>", true},
      {"a declared column left empty", "<table:table-column table:number-columns-repeated=\"3\"/>", false},
      {"no declared columns", "", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string content = Content("<table:table table:name=\"Before\">" + row(cell("x")) + "</table:table>"
                                        "<table:table table:name=\"T\">" + c.Columns + body + "</table:table>"
                                        "<table:table table:name=\"After\">" + row(cell("y")) + "</table:table>");
    TSMIOpenOfficeSpreadsheet whole;
    whole.SetSheetIndex(1);
    LoadContent(whole, content);
    TSMIOpenOfficeSpreadsheet reader;
    reader.SetSheetIndex(1);
    reader.RowsOnDemand = 2;
    LoadContent(reader, content);
    const TSpreadSheetCells& cells = reader.Sheets[1].Cells;
    // Paused, the first rows and the one that shows they are complete.
    EXPECT_EQ(cells.Count() < whole.Sheets[1].Cells.Count(), c.Pauses);
    EXPECT_EQ(cells.UsedColCount, 2);
    std::vector<std::vector<String>> rows;
    for (Integer r = 0;; ++r) {
      reader.LoadRowsThrough(r);
      if (r >= cells.UsedRowCount || r >= cells.Count()) break;
      if (c.Pauses && r > 0) {
        EXPECT_EQ(cells.Rows(r - 1), nullptr);
      }
      std::vector<String> values;
      for (Integer col = 0; col < cells.UsedColCount; ++col) {
        const Variant v = cells.GetValue(col, r);
        values.push_back(v.IsNull() ? String() : v.AsString());
      }
      rows.push_back(std::move(values));
    }
    EXPECT_EQ(rows, SheetText(whole.Sheets[1]));
    EXPECT_EQ(rows.size(), 8u);
    // The tables after it are read once it ends.
    ASSERT_EQ(reader.Sheets.Count(), 3);
    EXPECT_EQ(SheetText(reader.Sheets[2]), (std::vector<std::vector<String>>{{u"y"}}));
  }
}

// Read on demand, a content part whose checksum fails at its end still
// fails the import: it never ends as a success.
TEST(OdsReader, ADamagedPartFailsTheImportReadOnDemand) {
  std::string rows;
  for (int i = 0; i < 200; ++i)
    rows += "<table:table-row><table:table-cell><text:p>n" + std::to_string(i) +
            "</text:p></table:table-cell></table:table-row>";
  std::string zip = MakeStoredZip({{"content.xml", Content("<table:table><table:table-column/>" + rows +
                                                           "</table:table>")}});
  zip[zip.rfind("n199")] = 'X';
  const auto path = std::filesystem::temp_directory_path() / "damaged_on_demand.ods";
  WriteFileBytes(path, zip);
  TRADerevuFromOpenOfficeCalc source;
  source.SetSourceFileName(Utf8ToString(path.string()));
  TImportResult got;
  try {
    got = RunIntoTable(source);
  } catch (const Exception&) {
    got.Statistic.Result = irFailed;
  }
  EXPECT_EQ(got.Statistic.Result, irFailed);
  std::filesystem::remove(path);
}

// The columns of the sheet imported are found by that sheet's own width,
// not by the first sheet's.
TEST(OdsReader, ALaterSheetWiderThanTheFirstImportsEveryColumn) {
  const std::string tables =
      "<table:table table:name=\"Narrow\"><table:table-row><table:table-cell><text:p>n</text:p></table:table-cell>"
      "</table:table-row></table:table><table:table table:name=\"Wide\"><table:table-row>"
      "<table:table-cell><text:p>Id</text:p></table:table-cell><table:table-cell><text:p>Name</text:p></table:table-cell>"
      "<table:table-cell><text:p>Town</text:p></table:table-cell></table:table-row><table:table-row>"
      "<table:table-cell><text:p>1</text:p></table:table-cell><table:table-cell><text:p>2</text:p></table:table-cell>"
      "<table:table-cell><text:p>3</text:p></table:table-cell></table:table-row></table:table>";
  const auto path = std::filesystem::temp_directory_path() / "wide_second_sheet.ods";
  WriteFileBytes(path, MakeStoredZip({{"content.xml", Content(tables)}}));
  TRADerevuFromOpenOfficeCalc source;
  source.SetSourceFileName(Utf8ToString(path.string()));
  source.SetSheetIndex(1);
  source.SetRowFirst(2);
  const TImportResult got = RunIntoTable(source);
  EXPECT_EQ(got.Columns, (std::vector<String>{u"Id", u"Name", u"Town"}));
  EXPECT_EQ(got.Rows, (std::vector<std::vector<String>>{{u"1", u"2", u"3"}}));
  std::filesystem::remove(path);
}

// Repeat counts copy a value; a long text repeated by a forged count over
// a million rows stops once its copies reach a bound measured by the text's
// size, not after millions of kilobyte copies.
TEST(OdsReader, RepeatedLongTextsAreBoundedByTheirSize) {
  const std::string text(2000, 'x');
  const std::string cell = "<table:table-cell table:number-columns-repeated=\"4\"><text:p>" + text +
                           "</text:p></table:table-cell>";
  TSMIOpenOfficeSpreadsheet reader;
  LoadContent(reader, Content("<table:table table:name=\"T\"><table:table-row table:number-rows-repeated=\"1000000\">" +
                              cell + "</table:table-row></table:table>"));
  const TSpreadSheetCells& cells = reader.Sheets[0].Cells;
  EXPECT_EQ(cells.GetValue(3, 0).AsString().size(), 2000u);
  EXPECT_GT(cells.UsedRowCount, 1000);
  EXPECT_LT(cells.UsedRowCount, 5000);
}

TEST(OdsReader, WizardPreviewShowsTheFirstRowsByLetter) {
  TColumnList columns;
  std::vector<String> sheets, names;
  LoadSpreadSheetPreview(teODS, nullptr, Utf8ToString(MarkupFixture("libreoffice_rows.ods").string()), u"", 0, 2, 2,
                         2147483647, columns, false, sheets,
                         [&](void*, Integer, Integer, bool, std::vector<TPreviewValue>& values) {
                           names.push_back(values[1].Value.AsString());
                         },
                         nullptr);
  EXPECT_EQ(sheets, std::vector<String>{u"rows"});
  ASSERT_EQ(columns.size(), 7u);
  EXPECT_EQ(columns[1].Name, u"B");
  EXPECT_EQ(names, (std::vector<String>{u"Ana Novak", u"\u017Diga \u010Ceba\u0161ek"}));
}

TEST(OdsReader, WhatIsNoSpreadsheetIsAnError) {
  for (const std::string& bytes : {std::string("plain text"), MakeStoredZip({{"mimetype", "x"}})}) {
    TSMIOpenOfficeSpreadsheet reader;
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    EXPECT_THROW(reader.LoadFromStream(stream), ESMIFileFormatException);
  }
  // The import of such a file fails; it never ends as a success of no rows.
  const auto path = std::filesystem::temp_directory_path() / "not_a_spreadsheet.ods";
  WriteFileBytes(path, "no package");
  TRADerevuFromOpenOfficeCalc source;
  source.SetSourceFileName(Utf8ToString(path.string()));
  EXPECT_THROW(RunIntoTable(source), ESMIFileFormatException);
  std::filesystem::remove(path);
}

}  // namespace
