// The writers that drive an office application: the calls each sends, as
// a recording server logs them, for rows, formats, the formula guard,
// merges, the save codes and the column cut; and the targets whose
// application is not installed failing with the platform's message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/writers/ExportToExcel.h"
#include "export/writers/ExportToOpenOffice.h"
#include "export/writers/ExportToWord.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/db/TestDataSet.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<String>;

struct Item {
  Integer Id;
  const char16_t* Name;
  double Price;
};

void Fill(TTestDataSet& ds, std::initializer_list<Item> rows) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftString, 20);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.Open();
  for (const Item& row : rows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    ds.Post();
  }
  ds.First();
}

void Prepare(TRODirezaToCellFile& writer, TTestDataSet& ds, const String& fileName) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.DataFormats.ThousandSeparator = 0;
  writer.FileName = fileName;
  writer.KeyGenerator = u"Export";
  writer.BuildDefaultColumns();
}

template <class E>
String MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return u"<nothing raised>";
}

// The lines that hold the text.
Lines With(const Lines& lines, StringView text) {
  Lines found;
  for (const String& line : lines)
    if (line.find(text) != String::npos) found.push_back(line);
  return found;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string Dump(const Lines& lines) {
  std::string text;
  for (const String& line : lines) text += StringToUtf8(line) + "\n";
  return text;
}

#define EXPECT_LINES(actual, ...)                     \
  do {                                                \
    const Lines expected_ = __VA_ARGS__;              \
    const Lines actual_ = (actual);                   \
    EXPECT_EQ(actual_, expected_) << Dump(actual_);   \
  } while (0)

// ---- Not installed ----

TEST(OfficeWriters, TargetsWithoutTheirApplicationFailWithThePlatformsMessage) {
  std::vector<std::unique_ptr<TRODirezaToCellFile>> writers;
  writers.push_back(std::make_unique<TRODirezaToExcel>());
  writers.push_back(std::make_unique<TRODirezaToWord>());
  for (auto& writer : writers) {
    SCOPED_TRACE(writer->ClassName());
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    Prepare(*writer, ds, u"/tmp/never_written.out");
    writer->Header = {u"h"};
    writer->Footer = {u"f"};
    EXPECT_EQ(MessageOf<EOleSysError>([&] { writer->Execute(); }), u"Invalid class string");
    EXPECT_EQ(writer->Statistic.Result, erFailed);
  }
  EXPECT_FALSE(fs::exists("/tmp/never_written.out"));
}

// ---- Excel ----

struct ExcelRun {
  std::shared_ptr<TRecordingServer> Server = std::make_shared<TRecordingServer>(u"Excel");
  TAutomationRegistration Use{u"Excel.Application", Server};
  ExcelRun() {
    Server->Script(u"Excel.Sheets.Count", 1);
    Server->Script(u"Excel.Sheets(1).Name", u"Sheet1");
  }
};

TEST(ExcelWriter, OneRangePerRowFormatsPerColumnAndTheFormulaGuard) {
  ExcelRun run;
  TTestDataSet ds;
  Fill(ds, {{1, u"Ana", 2.5}, {2, u"=SUM(A1:A3)", 3}, {3, u"-sum(x)", 0}, {4, u"=SUMMARY(", 1}});
  TRODirezaToExcel writer;
  Prepare(writer, ds, u"/tmp/book.xls");
  writer.Columns[0].Width = 10;
  writer.Columns[1].Width = 80;
  writer.Columns[2].Width = 0;
  writer.AddTitle = true;
  writer.Header = {u"Head"};
  writer.Footer = {u"Foot"};
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);

  EXPECT_LINES(With(run.Server->LogOf(u"put Excel.ActiveSheet.Range("), u").Value"),
               {u"put Excel.ActiveSheet.Range(\"A1:B1\").Value = [Null, \"Head\", Null, Null]",
                u"put Excel.ActiveSheet.Range(\"A2:C2\").Value = [\"ID\", \"NAME\", \"PRICE\", Null]",
                u"put Excel.ActiveSheet.Range(\"A3:C3\").Value = [\"1\", \"Ana\", \"2.5\", Null]",
                u"put Excel.ActiveSheet.Range(\"A4:C4\").Value = [\"2\", \" =SUM(A1:A3)\", \"3\", Null]",
                u"put Excel.ActiveSheet.Range(\"A5:C5\").Value = [\"3\", \" -sum(x)\", \"0\", Null]",
                u"put Excel.ActiveSheet.Range(\"A6:C6\").Value = [\"4\", \"=SUMMARY(\", \"1\", Null]",
                u"put Excel.ActiveSheet.Range(\"A7:B7\").Value = [Null, \"Foot\", Null, Null]"});
  // A width of 80 is cut to 50; a column without width gets no format.
  EXPECT_LINES(run.Server->LogOf(u"put Excel.ActiveSheet.Columns("),
               {u"put Excel.ActiveSheet.Columns(1).NumberFormat = \"0\"",
                u"put Excel.ActiveSheet.Columns(1).ColumnWidth = 10",
                u"put Excel.ActiveSheet.Columns(2).NumberFormat = \"@\"",
                u"put Excel.ActiveSheet.Columns(2).ColumnWidth = 50",
                u"put Excel.ActiveSheet.Columns(1).Hidden = False",
                u"put Excel.ActiveSheet.Columns(2).Hidden = False",
                u"put Excel.ActiveSheet.Columns(3).Hidden = False"});
  EXPECT_LINES(run.Server->LogOf(u"call "),
               {u"call Excel.WorkBooks.Add()", u"call Excel.Sheets(1).Activate()", u"call Excel.Sheets.Add()",
                u"call Excel.Sheets(\"Export\").Activate()", u"call Excel.WorkBooks.Add().SaveAs(\"/tmp/book.xls\")",
                u"call Excel.WorkBooks.Add().Close()", u"call Excel.Quit()"});
  EXPECT_TRUE(run.Server->Calls().front().Kind == TAutomationCall::acCreate);
}

TEST(ExcelWriter, FormulasAreKnownFunctionsCalledAfterAnEqualsOrMinusSign) {
  const std::pair<const char16_t*, bool> cases[] = {
      {u"=SUM(A1:B2)", true}, {u"=sum(", true},  {u"-Round(1.5)", true}, {u"=ATAN2(1,2)", true},
      {u"=SUMMARY", false},   {u"=FOO(1)", false}, {u"SUM(A1)", false},   {u"1=SUM(", false},
      {u"=", false},          {u"", false},        {u"=SUM", false}};
  for (const auto& [text, formula] : cases) {
    SCOPED_TRACE(StringToUtf8(text));
    EXPECT_EQ(TRODirezaToExcel::IsFormula(text), formula);
  }
}

TEST(ExcelWriter, NumberFormatsFollowTheFieldType) {
  TRODirezaToExcel writer;
  writer.DataFormats.DecimalSeparator = u',';
  writer.DataFormats.CurrencyString = u" \u20AC";
  const std::tuple<TFieldType, Integer, const char16_t*> cases[] = {
      {ftInteger, 0, u"0"},      {ftAutoInc, 3, u"0"},       {ftFloat, 2, u"0.00"},
      {ftBCD, 4, u"0.0000"},     {ftFloat, 0, u""},          {ftCurrency, 0, u"0,0 \u20AC"},
      {ftCurrency, 3, u"0,000 \u20AC"}, {ftDateTime, 0, u""},  {ftString, 0, u"@"},
      {ftMemo, 0, u"@"}};
  for (const auto& [type, precision, format] : cases) {
    SCOPED_TRACE(int(type));
    EXPECT_EQ(StringToUtf8(writer.GetFormat(type, precision)), StringToUtf8(format));
  }
}

TEST(ExcelWriter, MergingContinuesBelowTheUsedRowsOfTheSheetNamedLikeTheGenerator) {
  ExcelRun run;
  const fs::path book = fs::temp_directory_path() / ("merge_" + std::to_string(::getpid()) + ".xls");
  std::ofstream(book) << "old";
  run.Server->Script(u"Excel.Sheets.Count", 2);
  run.Server->Script(u"Excel.Sheets(2).Name", u"Export");
  run.Server->Script(u"Excel.ActiveSheet.UsedRange.Rows.Count", 5);
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 1}});
  TRODirezaToExcel writer;
  Prepare(writer, ds, Utf8ToString(book.string()));
  writer.Options |= OptionBit(soMergeData);
  writer.StartRow = 2;
  writer.StartColumn = 1;
  writer.ExcelVersion = evExcel9597;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const String path = Utf8ToString(book.string());
  EXPECT_LINES(run.Server->LogOf(u"call "),
               {u"call Excel.WorkBooks.Open(\"" + path + u"\")", u"call Excel.Sheets(2).Activate()",
                u"call Excel.Sheets(\"Export\").Activate()",
                u"call Excel.WorkBooks.Open(\"" + path + u"\").SaveAs(\"" + path + u"\", -4143)",
                u"call Excel.WorkBooks.Open(\"" + path + u"\").Close()", u"call Excel.Quit()"});
  // Five used rows and two of StartRow: the row goes to row 8, from column B.
  EXPECT_LINES(With(run.Server->LogOf(u"put Excel.ActiveSheet.Range("), u").Value"),
               {u"put Excel.ActiveSheet.Range(\"B8:D8\").Value = [\"1\", \"a\", \"1\", Null]"});
  fs::remove(book);
}

TEST(ExcelWriter, SaveCodesFollowTheVersion) {
  const std::pair<TMSExcelVersion, const char16_t*> cases[] = {
      {evExcelAuto, u"(\"/tmp/v.xls\")"}, {evExcel2, u"(\"/tmp/v.xls\", 16)"},
      {evExcel2FarEast, u"(\"/tmp/v.xls\", 27)"}, {evExcel3, u"(\"/tmp/v.xls\", 29)"},
      {evExcel4, u"(\"/tmp/v.xls\", 33)"}, {evExcel5, u"(\"/tmp/v.xls\", 39)"}, {evExcel7, u"(\"/tmp/v.xls\", 39)"},
      {evExcel8, u"(\"/tmp/v.xls\", 56)"}, {evExcel2007, u"(\"/tmp/v.xls\", 51)"}};
  for (const auto& [version, arguments] : cases) {
    SCOPED_TRACE(int(version));
    ExcelRun run;
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    TRODirezaToExcel writer;
    Prepare(writer, ds, u"/tmp/v.xls");
    writer.ExcelVersion = version;
    writer.Password = u"pw";
    writer.Execute();
    EXPECT_LINES(run.Server->LogOf(u"call Excel.WorkBooks.Add().SaveAs"),
                 {u"call Excel.WorkBooks.Add().SaveAs" + String(arguments)});
    EXPECT_LINES(run.Server->LogOf(u"put Excel.WorkBooks.Add().Password"),
                 {u"put Excel.WorkBooks.Add().Password = \"pw\""});
  }
}

TEST(ExcelWriter, WithAMemoColumnCellsGoOneByOneAndTheBookIsSavedEveryThousandRows) {
  ExcelRun run;
  TTestDataSet ds;
  ds.FieldDefs().Add(u"N", ftInteger);
  ds.FieldDefs().Add(u"M", ftMemo);
  ds.Open();
  for (int i = 0; i < 1001; ++i) {
    ds.Append();
    ds.FieldByName(u"N")->SetAsInteger(i);
    ds.FieldByName(u"M")->SetAsString(i == 0 ? u"=IF(1)" : u"m");
    ds.Post();
  }
  ds.First();
  TRODirezaToExcel writer;
  Prepare(writer, ds, u"/tmp/memo.xls");
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_TRUE(With(run.Server->LogOf(u"put Excel.ActiveSheet.Range("), u").Value").empty());
  const Lines cells = run.Server->LogOf(u"put Excel.ActiveSheet.Cells(");
  ASSERT_EQ(cells.size(), 2002u);
  EXPECT_EQ(cells[0], u"put Excel.ActiveSheet.Cells(1, 1).Value = \"0\"");
  EXPECT_EQ(cells[1], u"put Excel.ActiveSheet.Cells(1, 2).Value = \" =IF(1)\"");
  EXPECT_EQ(cells[2001], u"put Excel.ActiveSheet.Cells(1001, 2).Value = \"m\"");
  // Saved after row 999 (the thousandth) and at the end.
  EXPECT_EQ(run.Server->LogOf(u"call Excel.WorkBooks.Add().SaveAs").size(), 2u);
}

TEST(ExcelWriter, BandsAreMergedAcrossTheirColumns) {
  ExcelRun run;
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 1}});
  TRODirezaToExcel writer;
  Prepare(writer, ds, u"/tmp/bands.xls");
  writer.Bands.Add().Caption = u"Both";
  writer.Columns[0].BandIndex = 0;
  writer.Columns[1].BandIndex = 0;
  writer.AddTitle = true;
  writer.Options |= OptionBit(soExportBands);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_LINES(run.Server->LogOf(u"call Excel.ActiveSheet.Range("), {u"call Excel.ActiveSheet.Range(\"A1:B1\").Merge()"});
}

TEST(ExcelWriter, QuitsOnlyAnApplicationItStartedAlsoWhenSavingFails) {
  {
    ExcelRun run;
    run.Server->Running = true;
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    TRODirezaToExcel writer;
    Prepare(writer, ds, u"/tmp/attached.xls");
    writer.UseCurrentInstance = true;
    writer.Execute();
    EXPECT_EQ(run.Server->Log().front(), u"attach Excel");
    EXPECT_TRUE(run.Server->LogOf(u"call Excel.Quit").empty());
  }
  {
    ExcelRun run;
    run.Server->Fail(u"Excel.WorkBooks.Add().SaveAs", u"Disk full");
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    TRODirezaToExcel writer;
    Prepare(writer, ds, u"/tmp/failing.xls");
    EXPECT_EQ(MessageOf<EOleException>([&] { writer.Execute(); }), u"Disk full");
    EXPECT_EQ(writer.Statistic.Result, erFailed);
    EXPECT_LINES(run.Server->LogOf(u"call Excel.Quit"), {u"call Excel.Quit()"});
  }
}

// ---- Word ----

struct WordRun {
  std::shared_ptr<TRecordingServer> Server = std::make_shared<TRecordingServer>(u"Word");
  TAutomationRegistration Use{u"Word.Application", Server};
  explicit WordRun(Integer tableColumns) {
    Server->Script(u"Word.ActiveDocument", Server->Object(u"Doc"));
    Server->Script(u"Doc.Content.End", 1);
    Server->Script(u"Doc.Range(0, 0).Tables.Add(Doc.Range(0, 0), 1, " + IntToStr(tableColumns) + u")",
                   Server->Object(u"Table"));
    // What a new document's ranges answer.
    Server->OnCall = [](const TAutomationCall& call, Variant& result) {
      if (call.Kind != TAutomationCall::acGet) return false;
      if (call.Name == u"Alignment") result = 0;
      else if (call.Name == u"Name") result = u"Tahoma";
      else if (call.Name == u"Size") result = 8;
      else if (call.Name == u"Width") result = 500;
      return !result.IsEmpty();
    };
  }
  // The texts inserted, in the order they were inserted, each with where it went.
  Lines Inserted() const {
    Lines texts;
    for (const auto& call : Server->Calls())
      if (call.Name == u"InsertAfter" || call.Name == u"InsertString") texts.push_back(call.Target());
    return texts;
  }
};

TEST(WordWriter, ParagraphsAndTheTableLandInDocumentOrder) {
  WordRun run(3);
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 2.5}, {2, u"b", 3}});
  TRODirezaToWord writer;
  Prepare(writer, ds, u"/tmp/doc.doc");
  writer.AddTitle = true;
  writer.Header = {u"H1", u"H2"};
  writer.Footer = {u"F"};
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_LINES(run.Inserted(),
               {u"Doc.Range().InsertAfter(\"H1\")", u"Doc.Range().InsertAfter(\"H2\")",
                u"Table.Cell(1, 1).Range.InsertAfter(\"ID\")", u"Table.Cell(1, 2).Range.InsertAfter(\"NAME\")",
                u"Table.Cell(1, 3).Range.InsertAfter(\"PRICE\")", u"Table.Cell(2, 1).Range.InsertAfter(\"1\")",
                u"Table.Cell(2, 2).Range.InsertAfter(\"a\")", u"Table.Cell(2, 3).Range.InsertAfter(\"2.5\")",
                u"Table.Cell(3, 1).Range.InsertAfter(\"2\")", u"Table.Cell(3, 2).Range.InsertAfter(\"b\")",
                u"Table.Cell(3, 3).Range.InsertAfter(\"3\")", u"Doc.Range().InsertAfter(\"F\")"});
  // One row comes with the table; the two data rows are added.
  EXPECT_EQ(run.Server->LogOf(u"call Table.Rows.Add()").size(), 2u);
  EXPECT_LINES(run.Server->LogOf(u"call Doc."),
               {u"call Doc.Range()", u"call Doc.Range().InsertAfter(\"H1\")", u"call Doc.Range().InsertParagraphAfter()",
                u"call Doc.Range()", u"call Doc.Range().InsertAfter(\"H2\")", u"call Doc.Range().InsertParagraphAfter()",
                u"call Doc.Range(0, 0)", u"call Doc.Range(0, 0).Tables.Add(Doc.Range(0, 0), 1, 3)", u"call Doc.Range()",
                u"call Doc.Range().InsertAfter(\"F\")", u"call Doc.Range().InsertParagraphAfter()",
                u"call Doc.SaveAs(\"/tmp/doc.doc\")", u"call Doc.Close()"});
  EXPECT_LINES(run.Server->LogOf(u"call Word."), {u"call Word.Documents.Add()", u"call Word.Quit()"});
}

TEST(WordWriter, ASingleColumnIsWrittenAsParagraphs) {
  WordRun run(0);
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 2.5}, {2, u"b", 3}});
  TRODirezaToWord writer;
  Prepare(writer, ds, u"/tmp/one.doc");
  for (Integer i = 1; i < writer.Columns.Count(); ++i) writer.Columns[i].Visible = false;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_TRUE(run.Server->LogOf(u"call Doc.Range(0, 0)").empty());
  EXPECT_LINES(run.Inserted(), {u"Doc.Range().InsertAfter(\"1\")", u"Doc.Range().InsertAfter(\"2\")"});
}

TEST(WordWriter, SaveCodesFollowTheFileFormat) {
  const std::pair<TSMEWordFileFormat, const char16_t*> cases[] = {
      {ewDefault, u"(\"/tmp/f.doc\")"},           {ewDocument, u"(\"/tmp/f.doc\", 0)"},
      {ewText, u"(\"/tmp/f.doc\", 2)"},           {ewDOSText, u"(\"/tmp/f.doc\", 4)"},
      {ewRTF, u"(\"/tmp/f.doc\", 6)"},            {ewUnicodeText, u"(\"/tmp/f.doc\", <omitted>)"},
      {ewFilteredHTML, u"(\"/tmp/f.doc\", <omitted>)"}, {ewPDF, u"(\"/tmp/f.doc\", 17)"},
      {ewODT, u"(\"/tmp/f.doc\", 23)"}};
  for (const auto& [format, arguments] : cases) {
    SCOPED_TRACE(int(format));
    WordRun run(3);
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    TRODirezaToWord writer;
    Prepare(writer, ds, u"/tmp/f.doc");
    writer.FileFormat = format;
    writer.Execute();
    EXPECT_LINES(run.Server->LogOf(u"call Doc.SaveAs"), {u"call Doc.SaveAs" + String(arguments)});
  }
}

TEST(WordWriter, BandCellsAreMergedAndTheNextBandGoesToTheCellAfterTheMerge) {
  WordRun run(3);
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 1}});
  TRODirezaToWord writer;
  Prepare(writer, ds, u"/tmp/bands.doc");
  writer.Bands.Add().Caption = u"First";
  writer.Bands.Add().Caption = u"Second";
  writer.Columns[0].BandIndex = 0;
  writer.Columns[1].BandIndex = 0;
  writer.Columns[2].BandIndex = 1;
  writer.AddTitle = true;
  writer.Options |= OptionBit(soExportBands);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_LINES(run.Server->LogOf(u"call Table.Cell(1, 1).Merge"), {u"call Table.Cell(1, 1).Merge(Table.Cell(1, 2))"});
  const Lines inserted = run.Inserted();
  ASSERT_GE(inserted.size(), 5u);
  EXPECT_EQ(inserted[0], u"Table.Cell(1, 1).Range.InsertAfter(\"First\")");
  EXPECT_EQ(inserted[1], u"Table.Cell(1, 2).Range.InsertAfter(\"Second\")");
  EXPECT_EQ(inserted[4], u"Table.Cell(2, 3).Range.InsertAfter(\"PRICE\")");
}

// ---- OpenOffice ----

struct OfficeRun {
  std::shared_ptr<TRecordingServer> Server = std::make_shared<TRecordingServer>(u"OO");
  TAutomationRegistration Use{OpenOfficeProgID, Server};
  OfficeRun() {
    Server->Script(u"OO.CreateInstance(\"com.sun.star.frame.Desktop\")", Server->Object(u"Desktop"));
    Server->Script(u"Desktop.LoadComponentFromURL(\"private:factory/swriter\", \"_blank\", 0, [])",
                   Server->Object(u"Doc"));
    Server->Script(u"OO.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")", Server->Object(u"Property"));
    Server->Script(u"Doc.CreateInstance(\"com.sun.star.text.TextTable\")", Server->Object(u"Table"));
    Server->Script(u"Doc.GetText", Server->Object(u"Text"));
    Server->Script(u"Text.CreateTextCursor()", Server->Object(u"End"));
  }
};

TEST(OpenOfficeWriter, ParagraphsAndTheTableLandInDocumentOrderAndAreStoredByTheFilter) {
  OfficeRun run;
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 2.5}, {2, u"b", 3}});
  TRODirezaToOpenOffice writer;
  Prepare(writer, ds, u"/tmp/my doc \u010D.odt");
  writer.AddTitle = true;
  writer.Header = {u"H1", u"H2"};
  writer.Footer = {u"F"};
  writer.FilterName = u"writer8";
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_LINES(run.Server->LogOf(u"call "),
               {u"call OO.CreateInstance(\"com.sun.star.frame.Desktop\")",
                u"call Desktop.LoadComponentFromURL(\"private:factory/swriter\", \"_blank\", 0, [])",
                u"call Doc.GetCurrentController.GetFrame.GetContainerWindow.SetVisible(False)",
                u"call Text.CreateTextCursor()", u"call End.GotoEnd(False)", u"call Text.InsertString(End, \"H1\", False)",
                u"call Text.InsertControlCharacter(End, 0, False)",
                u"call Text.CreateTextCursor()", u"call End.GotoEnd(False)", u"call Text.InsertString(End, \"H2\", False)",
                u"call Text.InsertControlCharacter(End, 0, False)",
                u"call Doc.CreateInstance(\"com.sun.star.text.TextTable\")", u"call Table.Initialize(3, 3)",
                u"call Text.CreateTextCursor()", u"call End.GotoEnd(False)",
                u"call Text.InsertTextContent(End, Table, False)",
                u"call Table.GetCellByPosition(0, 0)", u"call Table.GetCellByPosition(0, 0).CreateTextCursor()",
                u"call Table.GetCellByPosition(0, 0).InsertString(Table.GetCellByPosition(0, 0).CreateTextCursor(), \"ID\", False)",
                u"call Table.GetCellByPosition(1, 0)", u"call Table.GetCellByPosition(1, 0).CreateTextCursor()",
                u"call Table.GetCellByPosition(1, 0).InsertString(Table.GetCellByPosition(1, 0).CreateTextCursor(), \"NAME\", False)",
                u"call Table.GetCellByPosition(2, 0)", u"call Table.GetCellByPosition(2, 0).CreateTextCursor()",
                u"call Table.GetCellByPosition(2, 0).InsertString(Table.GetCellByPosition(2, 0).CreateTextCursor(), \"PRICE\", False)",
                u"call Table.GetCellByPosition(0, 1)", u"call Table.GetCellByPosition(0, 1).CreateTextCursor()",
                u"call Table.GetCellByPosition(0, 1).InsertString(Table.GetCellByPosition(0, 1).CreateTextCursor(), \"1\", False)",
                u"call Table.GetCellByPosition(1, 1)", u"call Table.GetCellByPosition(1, 1).CreateTextCursor()",
                u"call Table.GetCellByPosition(1, 1).InsertString(Table.GetCellByPosition(1, 1).CreateTextCursor(), \"a\", False)",
                u"call Table.GetCellByPosition(2, 1)", u"call Table.GetCellByPosition(2, 1).CreateTextCursor()",
                u"call Table.GetCellByPosition(2, 1).InsertString(Table.GetCellByPosition(2, 1).CreateTextCursor(), \"2.5\", False)",
                u"call Table.GetCellByPosition(0, 2)", u"call Table.GetCellByPosition(0, 2).CreateTextCursor()",
                u"call Table.GetCellByPosition(0, 2).InsertString(Table.GetCellByPosition(0, 2).CreateTextCursor(), \"2\", False)",
                u"call Table.GetCellByPosition(1, 2)", u"call Table.GetCellByPosition(1, 2).CreateTextCursor()",
                u"call Table.GetCellByPosition(1, 2).InsertString(Table.GetCellByPosition(1, 2).CreateTextCursor(), \"b\", False)",
                u"call Table.GetCellByPosition(2, 2)", u"call Table.GetCellByPosition(2, 2).CreateTextCursor()",
                u"call Table.GetCellByPosition(2, 2).InsertString(Table.GetCellByPosition(2, 2).CreateTextCursor(), \"3\", False)",
                u"call Text.CreateTextCursor()", u"call End.GotoEnd(False)", u"call Text.InsertString(End, \"F\", False)",
                u"call Text.InsertControlCharacter(End, 0, False)",
                u"call OO.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
                u"call Doc.StoreToURL(\"file:///tmp/my%20doc%20%C4%8D.odt\", [Property])", u"call Doc.Close(True)",
                u"call Desktop.Terminate()"});
  EXPECT_LINES(run.Server->LogOf(u"put Property."),
               {u"put Property.Name = \"FilterName\"", u"put Property.Value = \"writer8\""});
}

TEST(OpenOfficeWriter, AMergeLoadsTheFileWithItsOwnFilter) {
  OfficeRun run;
  const fs::path file = fs::temp_directory_path() / ("merge " + std::to_string(::getpid()) + ".doc");
  std::ofstream(file) << "old";
  const String url = u"file://" + StrFromAscii(ReplaceAll(file.string(), " ", "%20"));
  run.Server->Script(u"Desktop.LoadComponentFromURL(\"" + url + u"\", \"_blank\", 0, [Property])",
                     run.Server->Object(u"Doc"));
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 1}});
  TRODirezaToOpenOffice writer;
  Prepare(writer, ds, Utf8ToString(file.string()));
  writer.Options |= OptionBit(soMergeData);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_LINES(run.Server->LogOf(u"call Desktop.LoadComponentFromURL"),
               {u"call Desktop.LoadComponentFromURL(\"" + url + u"\", \"_blank\", 0, [Property])"});
  EXPECT_LINES(run.Server->LogOf(u"put Property.Value"),
               {u"put Property.Value = \"MS Word 97\"", u"put Property.Value = \"MS Word 97\""});
  fs::remove(file);
}

TEST(OpenOfficeWriter, TerminatesOnlyASuiteItStartedAlsoWhenClosingFails) {
  {
    OfficeRun run;
    run.Server->Running = true;
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    TRODirezaToOpenOffice writer;
    Prepare(writer, ds, u"/tmp/attached.odt");
    writer.UseCurrentInstance = true;
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(run.Server->Log().front(), u"attach OO");
    EXPECT_TRUE(run.Server->LogOf(u"call Desktop.Terminate").empty());
  }
  {
    OfficeRun run;
    run.Server->Fail(u"Doc.Close", u"Document is locked");
    TTestDataSet ds;
    Fill(ds, {{1, u"a", 1}});
    TRODirezaToOpenOffice writer;
    Prepare(writer, ds, u"/tmp/locked.odt");
    EXPECT_EQ(MessageOf<EOleException>([&] { writer.Execute(); }), u"Document is locked");
    EXPECT_EQ(writer.Statistic.Result, erFailed);
    EXPECT_LINES(run.Server->LogOf(u"call Desktop.Terminate"), {u"call Desktop.Terminate()"});
  }
}

// 64 exported columns: the table takes 62, and nothing lands past them.
TEST(OfficeWriters, TheColumnCutWritesNothingPastTheTable) {
  TTestDataSet ds;
  for (int i = 0; i < 64; ++i) ds.FieldDefs().Add(u"F" + IntToStr(i), ftString, 10);
  ds.Open();
  ds.Append();
  for (int i = 0; i < 64; ++i) ds.Fields()[i]->SetAsString(u"v" + IntToStr(i));
  ds.Post();
  ds.First();
  auto check = [](const std::vector<TAutomationCall>& calls) {
    bool sawLast = false;
    for (const auto& call : calls) {
      if (call.Name != u"InsertAfter" && call.Name != u"InsertString") continue;
      const String text = call.Args[call.Name == u"InsertAfter" ? 0 : 1].AsString();
      EXPECT_NE(text, u"v62");
      EXPECT_NE(text, u"v63");
      sawLast = sawLast || text == u"v61";
    }
    EXPECT_TRUE(sawLast);
  };
  {
    WordRun run(62);
    TRODirezaToWord writer;
    Prepare(writer, ds, u"/tmp/wide.doc");
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(run.Server->LogOf(u"call Doc.Range(0, 0).Tables.Add").size(), 1u);
    check(run.Server->Calls());
  }
  {
    OfficeRun run;
    TRODirezaToOpenOffice writer;
    Prepare(writer, ds, u"/tmp/wide.odt");
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_LINES(run.Server->LogOf(u"call Table.Initialize"), {u"call Table.Initialize(1, 62)"});
    check(run.Server->Calls());
  }
}

TEST(OpenOfficeWriter, OffersTheFilterNamesInOrder) {
  std::vector<String> names = {u"stale"};
  TRODirezaToOpenOffice::GetFilterNames(names);
  ASSERT_EQ(names.size(), 98u);
  EXPECT_EQ(names[0], u"AportisDoc Palm DB");
  EXPECT_EQ(names[22], u"MS Word 97");
  EXPECT_EQ(names[97], u"xpm_Export");
}

}  // namespace
