// The cell-file writer base: the order of the steps, where every cell goes
// in the three layouts, splitting into several files, empty sources and
// failures on the way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/writers/CellFileWriter.h"
#include "export/writers/ExportToText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "tests/export/export_fixture.h"

namespace {

namespace fs = std::filesystem;

// Logs every step, and every cell as "row,col=text".
class CellRecorder : public TRODirezaToCellFile {
 public:
  using TRODirezaToCellFile::TRODirezaToCellFile;
  std::vector<std::string> Steps;
  std::vector<std::string> Cells;

 protected:
  void InternalFileCreate(const String& name) override {
    Steps.push_back("InternalFileCreate " + StringToUtf8(name));
  }
  void InternalFileClose() override { Steps.push_back("InternalFileClose"); }
  void WriteFileBegin() override {
    Steps.push_back("WriteFileBegin");
    TRODirezaToCellFile::WriteFileBegin();
  }
  void WriteFileEnd() override { Steps.push_back("WriteFileEnd"); }
  void WriteDimensions(Integer rows, Integer cols) override {
    Steps.push_back("WriteDimensions " + std::to_string(rows) + "x" + std::to_string(cols));
  }
  void WriteColWidth(Integer, Integer) override { Steps.push_back("WriteColWidth"); }
  void WriteDataBegin() override {
    Steps.push_back("WriteDataBegin");
    TRODirezaToCellFile::WriteDataBegin();
  }
  void WriteDataEnd() override {
    Steps.push_back("WriteDataEnd");
    TRODirezaToCellFile::WriteDataEnd();
  }
  void WriteRowStart() override {
    Steps.push_back("WriteRowStart");
    TRODirezaToCellFile::WriteRowStart();
  }
  void WriteRowEnd() override {
    Steps.push_back("WriteRowEnd");
    TRODirezaToCellFile::WriteRowEnd();
  }
  void WriteData(TField* field, TCellType type, Integer row, Integer col, const String& text, TAlignment al,
                 const TFont* font, TColor color) override {
    Steps.push_back("WriteData");
    Cells.push_back(std::to_string(row) + "," + std::to_string(col) + "=" + StringToUtf8(text));
    TRODirezaToCellFile::WriteData(field, type, row, col, text, al, font, color);
  }
};

void Prepare(TRODirezaBaseComponent& writer, TTestDataSet& ds) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : " ") + item;
  return out;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(CellFileWriter, StepsOfOneColumnarFileInOrder) {
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"a", 1, 0}});
  CellRecorder writer;
  Prepare(writer, ds);
  writer.FileName = u"out.txt";
  writer.Header = {u"H"};
  writer.Footer = {u"F"};
  writer.AddTitle = true;
  writer.BuildDefaultColumns();
  writer.Columns.Delete(3);
  writer.Columns.Delete(2);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(Joined(writer.Steps),
            "InternalFileCreate out.txt WriteFileBegin WriteDimensions 2x3 WriteColWidth WriteColWidth "
            "WriteRowStart WriteData WriteRowEnd WriteDataBegin "
            "WriteRowStart WriteData WriteData WriteRowEnd "
            "WriteRowStart WriteData WriteData WriteRowEnd WriteDataEnd "
            "WriteRowStart WriteData WriteRowEnd WriteFileEnd InternalFileClose");
  EXPECT_EQ(Joined(writer.Cells), "0,1=H 1,0=ID 1,1=NAME 2,0=1 2,1=a 3,1=F");
}

TEST(CellFileWriter, CellPositionsOfTheLayouts) {
  struct Case {
    const char* name;
    TSMELayout layout;
    const char* cells;
  };
  const Case cases[] = {
      {"columnar", elColumnar, "0,0=ID 0,1=NAME 0,2=PRICE 1,0=1 1,1=a 1,2=1,5 2,0=2 2,1=b 2,2=2,5"},
      {"reversed", elReversedColumnar, "0,0=PRICE 1,0=NAME 2,0=ID 0,1=1,5 1,1=a 2,1=1 0,2=2,5 1,2=b 2,2=2"},
      {"tabular", elTabularForm,
       "0,0=ID 0,1=1 1,0=NAME 1,1=a 2,0=PRICE 2,1=1,5 3,0=ID 3,1=2 4,0=NAME 4,1=b 5,0=PRICE 5,1=2,5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDataSet ds;
    FillExportDataSet(ds, {{1, u"a", 1.5, 0}, {2, u"b", 2.5, 0}});
    CellRecorder writer;
    Prepare(writer, ds);
    writer.DataFormats.DecimalSeparator = u',';
    writer.AddTitle = true;
    writer.Layout = c.layout;
    writer.BuildDefaultColumns();
    writer.Columns.Delete(3);
    writer.Execute();
    EXPECT_EQ(Joined(writer.Cells), c.cells);
  }
}

TEST(CellFileWriter, FooterRowsConstantsAndSystemVariables) {
  TTestDataSet ds;
  FillExportDataSet(ds, {});
  for (Integer i = 1; i <= 10; ++i) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(i);
    ds.Post();
  }
  ds.First();
  CellRecorder writer;
  Prepare(writer, ds);
  TSMEColumn& constant = writer.Columns.Add();
  constant.ColumnKind = ckConstant;
  constant.FieldName = u"fix";
  TSMEColumn& rowNo = writer.Columns.Add();
  rowNo.ColumnKind = ckSysVar;
  rowNo.FieldName = u"ROWNO";
  TSMEColumn& missing = writer.Columns.Add();
  missing.FieldName = u"NOSUCHFIELD";
  missing.DataType = ctInteger;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(writer.Cells[0], "0,0=fix");
  EXPECT_EQ(writer.Cells[1], "0,1=1");
  EXPECT_EQ(writer.Cells[2], "0,2=");
  EXPECT_EQ(writer.Cells[3 * 9 + 1], "9,1=10");

  // With one header line and the title, two footer lines follow ten rows.
  CellRecorder titled;
  Prepare(titled, ds);
  titled.Header = {u"H"};
  titled.Footer = {u"F1", u"F2"};
  titled.AddTitle = true;
  titled.Execute();
  const size_t n = titled.Cells.size();
  EXPECT_EQ(titled.Cells[n - 2], "12,1=F1");
  EXPECT_EQ(titled.Cells[n - 1], "13,1=F2");
}

TEST(CellFileWriter, EmptySourceWritesTheFrameOnlyWhenAsked) {
  for (bool ifEmpty : {true, false}) {
    SCOPED_TRACE(ifEmpty);
    TTestDataSet ds;
    FillExportDataSet(ds, {});
    CellRecorder writer;
    Prepare(writer, ds);
    writer.ExportIfEmpty = ifEmpty;
    writer.FileName = u"out.txt";
    writer.Header = {u"H"};
    writer.Footer = {u"F"};
    writer.AddTitle = true;
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    // Without a file the closing steps still run, without a stream.
    EXPECT_EQ(Joined(writer.Cells), ifEmpty ? "0,1=H 1,0=ID 1,1=NAME 1,2=PRICE 1,3=BORN 2,1=F" : "0,1=F");
    EXPECT_EQ(writer.Steps.front(), ifEmpty ? "InternalFileCreate out.txt" : "WriteDataEnd");
  }
}

TEST(CellFileWriter, SplitByRecordCountGivesNumberedFilesEachComplete) {
  const fs::path dir = fs::temp_directory_path() / ("cell_split_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"a", 0, 0}, {2, u"b", 0, 0}, {3, u"c", 0, 0}, {4, u"d", 0, 0}, {5, u"e", 0, 0}});
  TRODirezaToText writer;
  Prepare(writer, ds);
  writer.CharacterSet = csANSI_WINDOWS;
  writer.Separator = u";";
  writer.Header = {u"H"};
  writer.Footer = {u"F"};
  writer.AddTitle = true;
  writer.RowsPerFile = 2;
  writer.FileName = Utf8ToString((dir / "out.txt").string());
  writer.BuildDefaultColumns();
  writer.Columns.Delete(3);
  writer.Columns.Delete(2);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(ReadBytes(dir / "out.txt"), "H\r\nID;NAME\r\n1;a\r\n2;b\r\nF\r\n");
  EXPECT_EQ(ReadBytes(dir / "out001.txt"), "H\r\nID;NAME\r\n3;c\r\n4;d\r\nF\r\n");
  EXPECT_EQ(ReadBytes(dir / "out002.txt"), "H\r\nID;NAME\r\n5;e\r\nF\r\n");
  EXPECT_FALSE(fs::exists(dir / "out003.txt"));
  fs::remove_all(dir);
}

TEST(CellFileWriter, SplitFilesDeclareTheRowsTheyHold) {
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"a", 0, 0}, {2, u"b", 0, 0}, {3, u"c", 0, 0}});
  CellRecorder writer;
  Prepare(writer, ds);
  writer.AddTitle = true;
  writer.RowsPerFile = 2;
  std::vector<std::string> names;
  writer.OnGetFileName = [&](TSMECustomBaseComponent*, Integer n, String& name) {
    names.push_back(std::to_string(n) + ":" + StringToUtf8(name));
  };
  writer.FileName = u"data.csv";
  writer.Execute();
  EXPECT_EQ(Joined(names), "0:data.csv 1:data001.csv");
  std::vector<std::string> dims;
  for (const auto& step : writer.Steps)
    if (step.rfind("WriteDimensions", 0) == 0) dims.push_back(step);
  EXPECT_EQ(Joined(dims), "WriteDimensions 3x5 WriteDimensions 2x5");
}

TEST(CellFileWriter, FailureClosesTheFileAndRestoresTheFormatSettings) {
  const fs::path file = fs::temp_directory_path() / ("cell_fail_" + std::to_string(::getpid()) + ".txt");
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"a", 0, 0}, {2, u"b", 0, 0}});
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = u',';
  TRODirezaToText writer;
  Prepare(writer, ds);
  writer.CharacterSet = csANSI_WINDOWS;
  writer.FileName = Utf8ToString(file.string());
  writer.Footer = {u"end"};
  writer.DataFormats.DecimalSeparator = u'.';
  Integer seen = 0;
  writer.OnBeforeRecord = [&](TSMECustomBaseComponent*, bool&) {
    EXPECT_EQ(FormatSettings.DecimalSeparator, u'.');
    if (++seen == 2) throw EDatabaseError(u"row source broke");
  };
  EXPECT_THROW(writer.Execute(), EDatabaseError);
  EXPECT_EQ(writer.Statistic.Result, erFailed);
  EXPECT_EQ(FormatSettings.DecimalSeparator, u',');
  // The rows written so far are there, and the file was ended properly.
  EXPECT_EQ(ReadBytes(file), "1\ta\t0\t30.12.1899\r\nend\r\n");

  // The same through a caller's stream: the error reaches the caller, and the
  // settings are given back all the same.
  seen = 0;
  TMemoryStream stream;
  EXPECT_THROW(writer.SaveToStream(&stream), EDatabaseError);
  EXPECT_EQ(FormatSettings.DecimalSeparator, u',');
  EXPECT_EQ(writer.Statistic.Result, erFailed);

  // A file that cannot be made fails the run with the file-creation error.
  TRODirezaToText blocked;
  Prepare(blocked, ds);
  blocked.FileName = Utf8ToString((file / "inside.txt").string());
  EXPECT_THROW(blocked.Execute(), EFCreateError);
  EXPECT_EQ(blocked.Statistic.Result, erFailed);
  FormatSettings = saved;
  fs::remove(file);
}

TEST(CellFileWriter, BufferedWriterMakesFewLargeWrites) {
  // Counts the writes the stream receives.
  class CountingStream : public TMemoryStream {
   public:
    Int64 Write(const void* buffer, Int64 count) override {
      ++Writes;
      return TMemoryStream::Write(buffer, count);
    }
    int Writes = 0;
  };
  TTestDataSet ds;
  FillExportDataSet(ds, {});
  for (Integer i = 0; i < 12000; ++i) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(i);
    ds.FieldByName(u"NAME")->SetAsString(u"some name");
    ds.Post();
  }
  ds.First();
  TRODirezaToText writer;
  Prepare(writer, ds);
  writer.CharacterSet = csANSI_WINDOWS;
  CountingStream stream;
  writer.SaveToStream(&stream);
  EXPECT_GT(stream.Size(), 3 * zazDefaultBufferSize);
  EXPECT_LE(stream.Writes, stream.Size() / zazDefaultBufferSize + 2);
  // A text longer than the buffer goes straight through, in order.
  TTestDataSet wide;
  FillExportDataSet(wide, {{1, u"x", 0, 0}});
  TRODirezaToText big;
  Prepare(big, wide);
  big.CharacterSet = csANSI_WINDOWS;
  big.Header = {String(static_cast<size_t>(zazDefaultBufferSize) + 5, u'h')};
  TMemoryStream out;
  big.SaveToStream(&out);
  const std::string bytes(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(bytes, std::string(static_cast<size_t>(zazDefaultBufferSize) + 5, 'h') + "\r\n1\tx\t0\t30.12.1899\r\n");
}
