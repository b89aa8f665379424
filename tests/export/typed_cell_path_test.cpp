// The typed cell path of the cell-file writer base: what a writer receives
// in WriteCell, and the text writer giving the same bytes on both roads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/writers/ExportToClipboard.h"
#include "export/writers/ExportToText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clipboard.h"
#include "tests/db/TestDataSet.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One field of every type the export reads itself, and some it reads
// through GetFieldStr, with the values of three rows (the last all null).
struct TypedField {
  const char16_t* Name;
  TFieldType Type;
  Integer Size;
};

constexpr TypedField kFields[] = {
    {u"S", ftString, 12},       {u"FC", ftFixedChar, 6},   {u"WS", ftWideString, 12}, {u"SI", ftSmallint, 0},
    {u"I", ftInteger, 0},       {u"W", ftWord, 0},         {u"SH", ftShortint, 0},    {u"BY", ftByte, 0},
    {u"LW", ftLongWord, 0},     {u"LI", ftLargeint, 0},    {u"F", ftFloat, 0},        {u"CU", ftCurrency, 0},
    {u"SG", ftSingle, 0},       {u"BC", ftBCD, 4},         {u"FB", ftFMTBcd, 4},      {u"BO", ftBoolean, 0},
    {u"D", ftDate, 0},          {u"T", ftTime, 0},         {u"DT", ftDateTime, 0},    {u"TS", ftTimeStamp, 0},
    {u"M", ftMemo, 0},          {u"WM", ftWideMemo, 0},    {u"BL", ftBlob, 0},        {u"G", ftGuid, 38},
};

void FillEveryType(TTestDataSet& ds) {
  for (const TypedField& f : kFields) ds.FieldDefs().Add(f.Name, f.Type, f.Size);
  ds.Open();
  for (int row = 0; row < 3; ++row) {
    ds.Append();
    if (row < 2) {
      const bool first = row == 0;
      ds.FieldByName(u"S")->SetAsString(first ? u"\u010Ce\u0161 \"q\"" : u"a;b,c");
      ds.FieldByName(u"FC")->SetAsString(first ? u"ab" : u"\u00E9");
      ds.FieldByName(u"WS")->SetAsString(first ? u"\u017Eaba \U0001F600" : u"x\ty");
      ds.FieldByName(u"SI")->SetAsInteger(first ? -32768 : 0);
      ds.FieldByName(u"I")->SetAsInteger(first ? 2147483647 : 0);
      ds.FieldByName(u"W")->SetAsInteger(first ? 65535 : 0);
      ds.FieldByName(u"SH")->SetAsInteger(first ? -128 : 0);
      ds.FieldByName(u"BY")->SetAsInteger(first ? 255 : 0);
      ds.FieldByName(u"LW")->SetAsLargeInt(first ? 4294967295LL : 0);
      ds.FieldByName(u"LI")->SetAsLargeInt(first ? -9223372036854775807LL : 0);
      ds.FieldByName(u"F")->SetAsFloat(first ? -1234.5678 : 0);
      ds.FieldByName(u"CU")->SetAsFloat(first ? 1e20 : 0);
      ds.FieldByName(u"SG")->SetAsFloat(first ? 0.1 : 0);
      ds.FieldByName(u"BC")->SetAsCurrency(first ? Currency::FromScaled(-123456789) : Currency());
      ds.FieldByName(u"FB")->SetAsString(first ? u"12,5" : u"0");
      ds.FieldByName(u"BO")->SetAsBoolean(first);
      ds.FieldByName(u"D")->SetAsDateTime(first ? 40000 : 0);
      ds.FieldByName(u"T")->SetAsDateTime(first ? 0.75 : 0);
      ds.FieldByName(u"DT")->SetAsDateTime(first ? 40000.5 : 40001);
      ds.FieldByName(u"TS")->SetAsDateTime(40000.25);
      ds.FieldByName(u"M")->SetAsString(first ? u"memo \u010D\r\nline" : u"");
      ds.FieldByName(u"WM")->SetAsString(first ? u"wide \u20AC \U0001F600" : u"w");
      ds.FieldByName(u"BL")->SetAsString(u"blob");
      ds.FieldByName(u"G")->SetAsString(u"{01234567-89AB-CDEF-0123-456789ABCDEF}");
    }
    ds.Post();
  }
  ds.First();
}

// A text writer that counts the cells that came the typed way.
class TCountingTextWriter : public TRODirezaToText {
 public:
  int TypedCells = 0;

 protected:
  void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment, const TFont* font,
                 TColor color) override {
    ++TypedCells;
    TRODirezaToText::WriteCell(cell, row, column, alignment, font, color);
  }
};

class TypedCellPathTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("typed_cells_" + std::to_string(::getpid()) + "_" +
                                       testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    saved = FormatSettings;
    FormatSettings = TFormatSettings::Slovene();
  }
  void TearDown() override {
    FormatSettings = saved;
    fs::remove_all(dir);
  }
  void Prepare(TRODirezaToText& writer, TTestDataSet& ds, const fs::path& file) {
    writer.SetDataSet(&ds);
    writer.ColumnSource = csDataSet;
    writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    writer.AnimatedStatus = false;
    writer.FileName = Utf8ToString(file.string());
  }
  fs::path dir;
  TFormatSettings saved;
};

}  // namespace

TEST_F(TypedCellPathTest, EveryFieldTypeInEveryCharacterSetGivesTheSameBytesOnBothRoads) {
  struct Settings {
    const char* name;
    void (*apply)(TRODirezaToText&);
  };
  const Settings settings[] = {
      {"defaults", [](TRODirezaToText&) {}},
      {"qualified, blank if zero",
       [](TRODirezaToText& w) {
         w.TextQualifier = u"\"";
         w.Separator = u";";
         w.TextQualifying = tqNoNumber;
         w.BlankIfZero = true;
         w.AddTitle = true;
         w.Header = {u"\u010Clanek"};
         w.Footer = {u"konec"};
       }},
      {"field masks and any qualifying",
       [](TRODirezaToText& w) {
         w.Options |= OptionBit(soFieldMask);
         w.TextQualifier = u"'";
         w.TextQualifying = tqAny;
         w.DataFormats.DateOrder = doYMD;
         w.DataFormats.FourDigitYear = true;
       }},
      {"fixed width",
       [](TRODirezaToText& w) {
         w.Fixed = true;
         w.Separator = u" ";
         w.BuildDefaultColumns();
         for (Integer i = 0; i < w.Columns.Count(); ++i) {
           w.Columns[i].Width = 3 + i % 9;
           w.Columns[i].Alignment = static_cast<TAlignment>(i % 3);
         }
       }},
  };
  for (const Settings& s : settings) {
    for (TCharacterSet charset : {csANSI_WINDOWS, csASCII_MSDOS, csEBCDIC, csUTF8, csUnicode}) {
      SCOPED_TRACE(std::string(s.name) + ", character set " + std::to_string(charset));
      std::string bytes[2];
      for (bool typed : {true, false}) {
        TTestDataSet ds;
        FillEveryType(ds);
        TCountingTextWriter writer;
        const fs::path file = dir / (typed ? "typed.txt" : "strings.txt");
        Prepare(writer, ds, file);
        writer.CharacterSet = charset;
        s.apply(writer);
        // A handler that changes nothing still sees every cell: the string road.
        if (!typed) writer.OnGetCellParams = [](auto*, TField*, String&, TFont&, TAlignment&, TColor&, TCellType&) {};
        writer.Execute();
        ASSERT_EQ(writer.Statistic.Result, erCompleted);
        EXPECT_EQ(writer.TypedCells, typed ? 3 * static_cast<int>(std::size(kFields)) : 0);
        bytes[typed] = ReadBytes(file);
      }
      EXPECT_FALSE(bytes[true].empty());
      EXPECT_EQ(bytes[true], bytes[false]);
    }
  }
}

namespace {

// A writer that keeps what WriteCell receives, and the texts of WriteData.
class TRecordingWriter : public TRODirezaToCellFile {
 public:
  struct Cell {
    TCellValueKind Kind;
    TCellType CellType;
    Int64 Int;
    double Float;
    Int64 Curr;
    bool Bool;
    String Text;
    bool HasField;
  };
  std::vector<Cell> Cells;
  std::vector<String> DataTexts;

  explicit TRecordingWriter(TDataSet& ds) {
    SetDataSet(&ds);
    ColumnSource = csDataSet;
    Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    AnimatedStatus = false;
  }
  void Run() {
    TMemoryStream out;
    SaveToStream(&out);
  }

 protected:
  void WriteCell(const TCellValue& cell, Integer, Integer, TAlignment, const TFont*, TColor) override {
    Cells.push_back({cell.Kind, cell.CellType, cell.Int, cell.Float, cell.Curr.Scaled(), cell.Bool,
                     String(CellText(cell)), cell.Field != nullptr});
  }
  void WriteData(TField*, TCellType, Integer, Integer, const String& text, TAlignment, const TFont*,
                 TColor) override {
    DataTexts.push_back(text);
  }
};

}  // namespace

TEST_F(TypedCellPathTest, WriteCellReceivesRawValuesAndTheirTexts) {
  TTestDataSet ds;
  FillEveryType(ds);
  TRecordingWriter writer(ds);
  writer.Run();
  ASSERT_EQ(writer.Cells.size(), 3 * std::size(kFields));
  const auto cell = [&](int row, const char16_t* name) {
    for (size_t k = 0; k < std::size(kFields); ++k)
      if (StringView(kFields[k].Name) == name) return writer.Cells[static_cast<size_t>(row) * std::size(kFields) + k];
    ADD_FAILURE() << "no field";
    return writer.Cells[0];
  };
  struct Expect {
    const char16_t* field;
    TCellValueKind kind;
    TCellType cellType;
    const char16_t* text;
  };
  const Expect first[] = {
      {u"S", cvText, ctString, u"\u010Ce\u0161 \"q\""}, {u"WS", cvText, ctString, u"\u017Eaba \U0001F600"},
      {u"I", cvInteger, ctInteger, u"2147483647"},      {u"LW", cvInteger, ctString, u"4294967295"},
      {u"LI", cvInteger, ctInteger, u"-9223372036854775807"},
      {u"F", cvFloat, ctDouble, u"-1234,5678"},         {u"CU", cvFloat, ctCurrency, u"1E20"},
      {u"SG", cvFloat, ctString, u"0,1"},               {u"BC", cvCurrency, ctDouble, u"-12345,6789"},
      {u"BO", cvBoolean, ctBoolean, u"True"},           {u"D", cvDateTime, ctDate, u"6.7.2009"},
      {u"T", cvDateTime, ctTime, u"18:00:00"},          {u"DT", cvDateTime, ctDateTime, u"6.7.2009 12:00:00"},
      {u"M", cvText, ctMEMO, u"memo \u010D\r\nline"},   {u"TS", cvText, ctString, u"6.7.2009 6:00:00"},
  };
  for (const Expect& e : first) {
    SCOPED_TRACE(StringToUtf8(e.field));
    const auto c = cell(0, e.field);
    EXPECT_EQ(c.Kind, e.kind);
    EXPECT_EQ(c.CellType, e.cellType);
    EXPECT_EQ(StringToUtf8(c.Text), StringToUtf8(e.text));
    EXPECT_TRUE(c.HasField);
  }
  EXPECT_EQ(cell(0, u"I").Int, 2147483647);
  EXPECT_EQ(cell(0, u"F").Float, -1234.5678);
  EXPECT_EQ(cell(0, u"BC").Curr, -123456789);
  EXPECT_TRUE(cell(0, u"BO").Bool);
  EXPECT_FALSE(cell(1, u"BO").Bool);
  EXPECT_EQ(cell(0, u"D").Float, 40000);
  // The null row: no value of any type, and no text.
  for (const TypedField& f : kFields) {
    SCOPED_TRACE(StringToUtf8(f.Name));
    EXPECT_EQ(cell(2, f.Name).Kind, cvNull);
    EXPECT_TRUE(cell(2, f.Name).Text.empty());
  }
  EXPECT_TRUE(writer.DataTexts.empty()) << "no handler: no data cell takes the string road";
}

TEST_F(TypedCellPathTest, BlankIfZeroEmptiesZerosAndConstantsComeAsText) {
  TTestDataSet ds;
  FillEveryType(ds);
  TRecordingWriter writer(ds);
  writer.BlankIfZero = true;
  writer.Columns.Add().FieldName = u"I";
  writer.Columns.Add().FieldName = u"SH";
  TSMEColumn& constant = writer.Columns.Add();
  constant.FieldName = u"42";
  constant.ColumnKind = ckConstant;
  constant.DataType = ctInteger;
  TSMEColumn& rowNo = writer.Columns.Add();
  rowNo.FieldName = u"rowno";
  rowNo.ColumnKind = ckSysVar;
  rowNo.DataType = ctInteger;
  writer.Run();
  ASSERT_EQ(writer.Cells.size(), 12u);
  // Row 2: a zero integer is blank; a zero short integer is not one of the
  // types the rule names and stays.
  EXPECT_EQ(writer.Cells[4].Kind, cvNull);
  EXPECT_EQ(writer.Cells[4].CellType, ctBlank);
  EXPECT_TRUE(writer.Cells[4].Text.empty());
  EXPECT_EQ(writer.Cells[5].Kind, cvInteger);
  EXPECT_EQ(StringToUtf8(writer.Cells[5].Text), "0");
  for (int row = 0; row < 3; ++row) {
    const auto& c = writer.Cells[static_cast<size_t>(row) * 4 + 2];
    EXPECT_EQ(c.Kind, cvText);
    EXPECT_EQ(c.CellType, ctInteger);
    EXPECT_EQ(StringToUtf8(c.Text), "42");
    EXPECT_FALSE(c.HasField);
    EXPECT_EQ(StringToUtf8(writer.Cells[static_cast<size_t>(row) * 4 + 3].Text), std::to_string(row + 1));
  }
}
