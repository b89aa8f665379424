// The export component: settings, Assign, the run and its failures,
// progress, messages and e-mail.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/DataLevels.h"
#include "export/ExportComponent.h"
#include "export/ExportShell.h"
#include "export/RowSources.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "tests/export/export_fixture.h"

namespace {

using Log = std::vector<std::string>;

std::string Utf8(const String& s) { return StringToUtf8(s); }

const char* CellTypeName(TCellType type) {
  static const char* names[] = {"ctBlank",    "ctInteger", "ctDouble",  "ctString",  "ctDateTime", "ctDate",
                                "ctCurrency", "ctTime",    "ctMEMO",    "ctGraphic", "ctBoolean",  "ctBLOB"};
  return names[type];
}

// A writer that walks the source as the cell writers do and logs the steps
// it is called in and every cell with its type.
class RecordingWriter : public TRODirezaBaseComponent {
 public:
  using TRODirezaBaseComponent::TRODirezaBaseComponent;
  const char* ClassName() const override { return "RecordingWriter"; }

  Log Steps;
  Log Cells;
  std::function<void()> OnPrepare;

  void Prepare() override {
    Steps.push_back("Prepare");
    if (OnPrepare) OnPrepare();
    TSMECustomDataEngine* source = SourceDataEngine();
    source->SavePosition();
    source->First();
    while (!source->Eof() && !ProgressCanceled()) {
      bool accept = true;
      if (OnBeforeRecord) OnBeforeRecord(this, accept);
      if (accept) {
        bool abort = false;
        if (OnProgress) OnProgress(this, Statistic.TotalCount, intRecordCount, abort);
        if (abort) {
          SetProgressCanceled(true);
          break;
        }
        UpdateProgressDlg(TitleStatus, Statistic.TotalCount);
        WriteRecord(*source);
        ++Statistic.TotalCount;
      }
      bool abort = false;
      if (OnAfterRecord) OnAfterRecord(this, abort);
      if (abort) SetProgressCanceled(true);
      source->Next();
    }
    source->RestorePosition();
  }

 protected:
  void WriteRecord(TSMECustomDataEngine& source) {
    for (auto& column : Columns) {
      if (!column->Visible) continue;
      column->Field = source.FindFieldByColumn(column.get());
      Cells.push_back(Utf8(column->FieldName) + "=" + Utf8(GetFieldStr(column->Field)) + ":" +
                      CellTypeName(GetFieldType(column->Field, BlankIfZero)));
    }
  }
  void CreateSourceDataEngine() override {
    Steps.push_back("CreateSourceDataEngine");
    TRODirezaBaseComponent::CreateSourceDataEngine();
  }
  void DestroySourceDataEngine() override {
    Steps.push_back("DestroySourceDataEngine");
    TRODirezaBaseComponent::DestroySourceDataEngine();
  }
  void InternalBeforeProcess() override {
    Steps.push_back("InternalBeforeProcess");
    TRODirezaBaseComponent::InternalBeforeProcess();
  }
  void InternalAfterProcess() override {
    Steps.push_back("InternalAfterProcess");
    TRODirezaBaseComponent::InternalAfterProcess();
  }
  void AfterExport() override {
    Steps.push_back("AfterExport");
    TRODirezaBaseComponent::AfterExport();
  }
};

// A progress window that records what it is shown.
class FakeProgress : public IExportProgressWindow {
 public:
  explicit FakeProgress(Log& log) : FLog(log) {}
  void Show(const String& caption, const String& status, const String& button, Integer, Integer maximum,
            Integer position) override {
    FMax = maximum;
    FPos = position;
    FLog.push_back("show " + Utf8(caption) + "|" + Utf8(status) + "|" + Utf8(button) + "|" + std::to_string(maximum));
  }
  Integer Maximum() const override { return FMax; }
  Integer Position() const override { return FPos; }
  void Redraw(const String& status, Integer position) override {
    FPos = position;
    FLog.push_back(Utf8(status));
  }
  bool CancelPressed() const override { return FCancel; }
  void SetCancelPressed(bool value) override { FCancel = value; }
  void StopAnimation() override { FLog.push_back("stop"); }
  void WaitForClose(const String& button) override { FLog.push_back("wait " + Utf8(button)); }

 private:
  Log& FLog;
  Integer FMax = 0, FPos = 0;
  bool FCancel = false;
};

class FakeShell : public IExportShell {
 public:
  Integer SendMail(const TExportMail& mail) override {
    Mails.push_back(mail);
    return MailResult;
  }
  bool OpenFile(const String& fileName) override {
    Opened.push_back(fileName);
    return true;
  }
  std::vector<TExportMail> Mails;
  std::vector<String> Opened;
  Integer MailResult = 0;
};

// Hooks the display and the shell for one test and restores the process's
// format settings after it.
class ExportRunTest : public testing::Test {
 protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings = TFormatSettings::Slovene();
    ExportDisplay() = TExportDisplay();
    ExportDisplay().ShowMessage = [this](const String& text, TExportMessageKind kind) {
      messages.push_back((kind == emkError ? "error: " : "info: ") + Utf8(text));
    };
    SetExportShell(&shell);
    FillExportDataSet(ds, {{1, u"one", 1.5, 45000}, {2, u"two", 0, 45001}, {3, u"three", 3.25, 0}});
    writer.SetDataSet(&ds);
    writer.ColumnSource = csDataSet;
    writer.FileName = u"out.txt";
  }
  void TearDown() override {
    SetExportShell(nullptr);
    ExportDisplay() = TExportDisplay();
    FormatSettings = saved;
  }
  void UseProgressWindow() {
    ExportDisplay().CreateProgressWindow = [this] { return std::make_unique<FakeProgress>(progress); };
  }

  TFormatSettings saved;
  Log messages;
  Log progress;
  FakeShell shell;
  TTestDataSet ds;
  RecordingWriter writer;
};

// ---------------------------------------------------------------------------
// Settings

TEST_F(ExportRunTest, NewComponentDefaults) {
  RecordingWriter w;
  EXPECT_EQ(w.Options, 0x21B2);
  EXPECT_TRUE(HasOption(w.Options, soShowMessage));
  EXPECT_TRUE(HasOption(w.Options, soAutoCloseStatistic));
  EXPECT_FALSE(HasOption(w.Options, soFieldMask));
  EXPECT_EQ(w.TitleStatus, u"Exporting...");
  EXPECT_EQ(w.CharacterSet, csUnicode);
  EXPECT_EQ(w.KeyGenerator, u"RODireza 4.99");
  EXPECT_TRUE(w.AnimatedStatus);
  EXPECT_TRUE(w.ExportIfEmpty);
  EXPECT_EQ(w.Separator, u"\t");
  EXPECT_EQ(w.RecordSeparator, u"\r\n");
  EXPECT_EQ(w.TableType(), teParadox);
  EXPECT_EQ(w.ColumnSource, csDBGrid);
  EXPECT_EQ(w.Statistic.UpdateStep, 1);
  EXPECT_EQ(w.ExportStyle.Style(), esNormal);
  EXPECT_EQ(w.ExportStyle.OddColor, 0u);
  EXPECT_EQ(w.PageSetup.Zoom, 100);
  EXPECT_TRUE(w.PageSetup.UseDefault);
  EXPECT_TRUE(w.SendTo.EMailOpenBeforeSend);
  EXPECT_EQ(w.DataFormats.BooleanTrue, u"True");
  EXPECT_EQ(w.DataFormats.BooleanFalse, u"False");
  EXPECT_FALSE(w.DataFormats.UseRegionalSettings);
  // The Slovene regional settings: d.M.yyyy
  EXPECT_EQ(w.DataFormats.DecimalSeparator, u',');
  EXPECT_EQ(w.DataFormats.DateOrder, doDMY);
  EXPECT_TRUE(w.DataFormats.FourDigitYear);
  EXPECT_FALSE(w.DataFormats.LeadingZerosInDate);
  EXPECT_TRUE(w.FileName.ends_with(u"/RODireza.EXP")) << Utf8(w.FileName);
}

TEST_F(ExportRunTest, ForgetsADataSetThatIsDestroyed) {
  RecordingWriter w;
  {
    TTestDataSet gone;
    w.SetDataSet(&gone);
    EXPECT_EQ(w.DataSet(), &gone);
  }
  EXPECT_EQ(w.DataSet(), nullptr);
  // A component destroyed first leaves nothing behind in the dataset.
  auto* early = new RecordingWriter();
  early->SetDataSet(&ds);
  delete early;
  w.SetDataSet(&ds);
  w.SetDataSet(nullptr);
}

TEST_F(ExportRunTest, AssignCopiesSettingsAndRefusesOtherClasses) {
  RecordingWriter source;
  source.Header = {u"h1", u"h2"};
  source.FileName = u"/tmp/a.txt";
  source.SetTableType(teXML);
  source.Options = OptionBit(soFieldMask);
  source.SendTo.EMailRecipient = u"a@b";
  source.Statistic.TotalCount = 7;
  source.Statistic.CurrentRow = 9;  // run state: not copied
  source.ExportStyle.SetStyle(esBrick);
  source.Separator = u";";
  source.PageSetup.Zoom = 50;
  source.Columns.Add().FieldName = u"NAME";
  source.SetDataSet(&ds);
  source.ColumnSource = csDataSet;
  source.Layout = elTabularForm;
  source.ExportIfEmpty = false;
  source.DetailSources().Add();
  source.SetSpecificationDir(u"/specs");
  source.OnAfterExecute = [](TSMECustomBaseComponent*) {};

  RecordingWriter target;
  target.Assign(&source);
  EXPECT_EQ(target.Header, source.Header);
  EXPECT_EQ(target.TableType(), teXML);
  EXPECT_EQ(target.FileName, u"/tmp/a.XML");
  EXPECT_EQ(target.Options, source.Options);
  EXPECT_EQ(target.SendTo.EMailRecipient, u"a@b");
  EXPECT_EQ(target.Statistic.TotalCount, 7);
  EXPECT_EQ(target.Statistic.CurrentRow, 0);
  EXPECT_EQ(target.ExportStyle.EvenColor, 0x00A0BFBFu);
  EXPECT_EQ(target.Separator, u";");
  EXPECT_EQ(target.PageSetup.Zoom, 50);
  ASSERT_EQ(target.Columns.Count(), 1);
  EXPECT_EQ(target.Columns[0].FieldName, u"NAME");
  EXPECT_EQ(target.DataSet(), &ds);
  EXPECT_EQ(target.ColumnSource, csDataSet);
  EXPECT_EQ(target.Layout, elTabularForm);
  EXPECT_FALSE(target.ExportIfEmpty);
  EXPECT_TRUE(static_cast<bool>(target.OnAfterExecute));
  // Detail levels and the specification folder stay the target's own.
  EXPECT_FALSE(target.DetailExists());
  EXPECT_EQ(target.SpecificationDir(), u"");

  TComponent other(nullptr);
  try {
    target.Assign(&other);
    FAIL() << "assigned a plain component";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TComponent to a RecordingWriter");
  }
  EXPECT_THROW(target.Assign(nullptr), EConvertError);
}

TEST_F(ExportRunTest, TableTypeChangesTheFileExtension) {
  struct Case {
    const char16_t* before;
    TTableTypeExport type;
    const char16_t* after;
  };
  const Case cases[] = {
      {u"/data/out.txt", teXML, u"/data/out.XML"},
      {u"", teXML, u""},
      {u"/data/out.txt", teADO, u"/data/out.txt"},
      {u"/data/out.txt", teClipboard, u"/data/out"},
      {u"/data.d/out", teJSON, u"/data.d/out.JSON"},
      {u"out.xls", teExcel2007, u"out.XLSX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.before));
    writer.FileName = c.before;
    writer.SetTableType(c.type);
    EXPECT_EQ(writer.FileName, c.after);
    EXPECT_EQ(writer.TableType(), c.type);
  }
  EXPECT_EQ(TSMECustomBaseComponent::GetDefExt(teADO), u"");
  EXPECT_EQ(TSMECustomBaseComponent::GetDefExt(teExcel), u".XLS");
  EXPECT_EQ(TSMECustomBaseComponent::GetDefExt(static_cast<TTableTypeExport>(40)), u"");
}

TEST_F(ExportRunTest, MessageTableAndItsEvent) {
  EXPECT_EQ(writer.GetLanguageString(0), u"Property %s is not specified.");
  EXPECT_EQ(writer.GetLanguageString(51), u"JavaScript Object Notation (*.json)");
  EXPECT_EQ(writer.GetLanguageString(55), u"");
  EXPECT_EQ(writer.GetLanguageString(172), u"Proper");
  EXPECT_EQ(writer.GetLanguageString(173), u"");
  EXPECT_EQ(writer.GetLanguageString(-1), u"");
  writer.OnGetLanguageString = [](TSMECustomBaseComponent*, Integer id, String& text) {
    if (id == 3) text = u"Napaka.";
  };
  EXPECT_EQ(writer.GetLanguageString(3), u"Napaka.");
  EXPECT_EQ(writer.GetLanguageString(8), u"Exporting...");
}

TEST_F(ExportRunTest, SystemValuesStylesAndHelpers) {
  writer.Header = {u"a", u"b"};
  writer.AddTitle = true;
  writer.Options |= OptionBit(soBlankRowAfterCaptions);
  writer.Statistic.CurrentRow = 4;
  writer.Statistic.CurrentCol = 2;
  writer.Statistic.TotalCount = 12;
  EXPECT_EQ(writer.GetSysValue(u"rowNo").AsInteger(), 1);
  EXPECT_EQ(writer.GetSysValue(u"COLNO").AsInteger(), 2);
  EXPECT_EQ(writer.GetSysValue(u"count").AsInteger(), 12);
  EXPECT_EQ(writer.GetSysValue(u"ERRCOUNT").AsInteger(), 0);
  EXPECT_EQ(writer.GetSysValue(u"Generator").AsString(), u"RODireza 4.99");
  EXPECT_TRUE(writer.GetSysValue(u"DATE").IsNull());
  EXPECT_EQ(writer.GetTitleRowCount(), 5);

  TColor color = 0x123;
  writer.AssignStyle(1, color);
  EXPECT_EQ(color, 0x123u);  // esNormal leaves the colour alone
  writer.ExportStyle.SetStyle(esBrick);
  for (auto [row, expected] : {std::pair{1, 0x00CFDFDFu}, {2, 0x00A0BFBFu}, {0, 0x00A0BFBFu}, {-1, 0x00CFDFDFu}}) {
    SCOPED_TRACE(row);
    writer.AssignStyle(row, color);
    EXPECT_EQ(color, expected);
  }
  writer.ExportStyle.OddColor = 1;
  writer.ExportStyle.SetStyle(esBrick);  // the same style keeps custom colours
  EXPECT_EQ(writer.ExportStyle.OddColor, 1u);

  EXPECT_EQ(TSMECustomBaseComponent::AddZeros(u"7", 3, true), u"007");
  EXPECT_EQ(TSMECustomBaseComponent::AddZeros(u"7", 3, false), u"700");
  EXPECT_EQ(TSMECustomBaseComponent::AddZeros(u"12345", 3, true), u"12345");

  writer.SetSpecificationDir(u"  /specs  ");
  EXPECT_EQ(writer.SpecificationDir(), u"/specs/");
  writer.SetSpecificationDir(u"   ");
  EXPECT_EQ(writer.SpecificationDir(), u"");
}

TEST_F(ExportRunTest, ByteOrderMarks) {
  for (auto [set, size] : {std::pair{csUTF8, 3}, {csUnicode, 2}, {csANSI_WINDOWS, 0}, {csEBCDIC, 0}}) {
    TMemoryStream stream;
    TSMECustomBaseComponent::WriteBOMToStream(&stream, set);
    EXPECT_EQ(stream.Size(), size);
  }
  TSMECustomBaseComponent::WriteBOMToStream(nullptr, csUTF8);
}

TEST_F(ExportRunTest, FieldTexts) {
  ds.Close();
  ds.FieldDefs().Clear();
  ds.FieldDefs().Add(u"FLAG", ftBoolean);
  ds.FieldDefs().Add(u"N", ftInteger);
  ds.FieldDefs().Add(u"S", ftString, 5);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"N")->SetAsInteger(0);
  ds.Post();
  TField* flag = ds.FieldByName(u"FLAG");
  TField* number = ds.FieldByName(u"N");
  TField* text = ds.FieldByName(u"S");
  EXPECT_EQ(writer.GetFieldStr(nullptr), u"");
  EXPECT_EQ(writer.GetFieldStr(number), u"0");
  writer.Options |= OptionBit(soFieldMask);
  writer.DataFormats.BooleanFalse = u"ne";
  EXPECT_EQ(writer.GetFieldStr(flag), u"ne");  // a null boolean is false
  writer.BlankIfZero = true;
  EXPECT_EQ(writer.GetFieldStr(number), u"");
  EXPECT_EQ(writer.GetFieldStr(text), u"");
  EXPECT_EQ(writer.GetFieldType(number, true), ctBlank);
  EXPECT_EQ(writer.GetFieldType(nullptr, true), ctString);
}

TEST_F(ExportRunTest, DataFormatsFromRegionalSettings) {
  struct Case {
    const char16_t* format;
    TSMEDateOrder order;
    bool fourDigits;
    bool zeros;
  };
  const Case cases[] = {
      {u"d.M.yyyy", doDMY, true, false},   {u"MM/dd/yy", doMDY, false, true},
      {u"yyyy.MM.dd", doYMD, true, true},  {u"yyyy.dd.MM", doYDM, true, true},
      {u"d.yy.M", doDYM, false, false},    {u"M.yyyy.d", doMYD, true, false},
      {u"dd.MM", doMDY, false, true},      {u"x.y.z", doMDY, false, false},
  };
  TFormatSettings settings = TFormatSettings::Slovene();
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.format));
    settings.ShortDateFormat = c.format;
    TSMEDataFormats formats;
    formats.CustomDateTimeFormat = u"x";
    formats.BooleanTrue = u"da";
    formats.LoadRegionalSettings(settings);
    EXPECT_EQ(formats.DateOrder, c.order);
    EXPECT_EQ(formats.FourDigitYear, c.fourDigits);
    EXPECT_EQ(formats.LeadingZerosInDate, c.zeros);
    EXPECT_EQ(formats.CustomDateTimeFormat, u"");
    EXPECT_EQ(formats.BooleanTrue, u"da");
  }
}

TEST_F(ExportRunTest, DataFormatPatterns) {
  TSMEDataFormats formats;
  formats.DateOrder = doYMD;
  formats.DateSeparator = u'-';
  formats.TimeSeparator = u':';
  formats.FourDigitYear = true;
  formats.LeadingZerosInDate = true;
  EXPECT_EQ(formats.GetDateFormat(), u"YYYY-MM-DD");
  EXPECT_EQ(formats.GetDateTimeFormat(), u"YYYY-MM-DD HH:NN:SS");
  formats.DateOrder = doMDY;
  formats.FourDigitYear = false;
  formats.LeadingZerosInDate = false;
  formats.DateSeparator = 0;
  EXPECT_EQ(formats.GetDateFormat(), u"MDY");
  formats.CustomDateTimeFormat = u"dd.mm.yyyy hh:nn";
  EXPECT_EQ(formats.GetDateFormat(), u"DD.MM.YYYY HH:NN");
  EXPECT_EQ(formats.GetDateTimeFormat(), u"DD.MM.YYYY HH:NN");
  formats.TimeSeparator = 0;
  EXPECT_EQ(formats.GetTimeFormat(), u"HHNNSS");
}

// ---------------------------------------------------------------------------
// The run

TEST_F(ExportRunTest, RunCallsTheStepsInOrderAndHandsEveryCellWithItsType) {
  writer.AnimatedStatus = false;
  Log events;
  writer.OnBeforeExecute = [&](TSMECustomBaseComponent*) { events.push_back("OnBeforeExecute"); };
  writer.OnAfterExecute = [&](TSMECustomBaseComponent*) { events.push_back("OnAfterExecute"); };
  writer.OnProgress = [&](TSMECustomBaseComponent*, Integer cur, Integer max, bool&) {
    events.push_back(std::to_string(cur) + "/" + std::to_string(max));
  };
  ds.FieldByName(u"BORN")->SetVisible(false);
  ds.Next();
  writer.Execute();

  EXPECT_EQ(writer.Steps, (Log{"InternalBeforeProcess", "CreateSourceDataEngine", "Prepare", "InternalAfterProcess",
                               "AfterExport", "DestroySourceDataEngine"}));
  EXPECT_EQ(events, (Log{"OnBeforeExecute", "0/3", "1/3", "2/3", "3/3", "OnAfterExecute"}));
  EXPECT_EQ(writer.Cells, (Log{"ID=1:ctInteger", "NAME=one:ctString", "PRICE=1,5:ctDouble",
                               "ID=2:ctInteger", "NAME=two:ctString", "PRICE=0:ctDouble",
                               "ID=3:ctInteger", "NAME=three:ctString", "PRICE=3,25:ctDouble"}));
  EXPECT_EQ(writer.GetExportResult(), erCompleted);
  EXPECT_EQ(writer.GetExportedRecordCount(), 3);
  EXPECT_EQ(writer.LastExportColumnCount(), 3);
  EXPECT_EQ(writer.Columns.Count(), 0);  // filled for the run only
  EXPECT_EQ(ds.FieldByName(u"ID")->AsInteger(), 2);
  EXPECT_EQ(writer.FileName, u"out.txt");
  EXPECT_EQ(writer.SourceDataEngine(), nullptr);
  EXPECT_EQ(messages, (Log{"info: The out.txt file was successfully generated."}));
}

TEST_F(ExportRunTest, CallersColumnsAreKeptAndBlankIfZeroTypesTheCells) {
  writer.AnimatedStatus = false;
  writer.Options = 0;
  writer.BlankIfZero = true;
  writer.SetTableType(teText);
  writer.FileName = u"out";
  TSMEColumn& price = writer.Columns.Add();
  price.FieldName = u"PRICE";
  TSMEColumn& born = writer.Columns.Add();
  born.FieldName = u"BORN";
  writer.Execute();
  EXPECT_EQ(writer.Cells, (Log{"PRICE=1,5:ctDouble", "BORN=" + Utf8(DateToStr(45000)) + ":ctString",
                               "PRICE=:ctBlank", "BORN=" + Utf8(DateToStr(45001)) + ":ctString",
                               "PRICE=3,25:ctDouble", "BORN=:ctBlank"}));
  ASSERT_EQ(writer.Columns.Count(), 2);
  EXPECT_EQ(writer.FileName, u"out.TXT");  // the type's extension is added
  EXPECT_TRUE(messages.empty());
}

TEST_F(ExportRunTest, FormatSettingsAreTheExportsDuringTheRunAndRestoredAfter) {
  writer.AnimatedStatus = false;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.DataFormats.ThousandSeparator = u' ';
  writer.DataFormats.DateSeparator = u'/';
  writer.DataFormats.CurrencyString = u"USD";
  String during;
  writer.OnPrepare = [&] { during = FloatToStr(1.5) + FormatSettings.CurrencyString + FormatSettings.DateSeparator; };
  writer.Execute();
  EXPECT_EQ(during, u"1.5USD/");
  EXPECT_EQ(FormatSettings, TFormatSettings::Slovene());

  // A failing writer restores them too.
  writer.OnPrepare = [] { throw EDatabaseError(u"disk full"); };
  writer.Options = 0;
  EXPECT_THROW(writer.Execute(), EDatabaseError);
  EXPECT_EQ(FormatSettings, TFormatSettings::Slovene());
  EXPECT_EQ(writer.GetExportResult(), erFailed);
}

TEST_F(ExportRunTest, RunThatFailsBeforeItStartsRestoresNothing) {
  writer.AnimatedStatus = false;
  writer.Options = OptionBit(soDisableControls);
  writer.DataFormats.DecimalSeparator = u'.';
  writer.Execute();
  // Settings changed after that run are not replaced by what it had saved.
  FormatSettings.DecimalSeparator = u';';
  ds.DisableControls();
  writer.SetDataSet(nullptr);
  EXPECT_THROW(writer.Execute(), ESMEInvalidPropertyException);
  EXPECT_EQ(FormatSettings.DecimalSeparator, u';');
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.EnableControls();
  EXPECT_FALSE(ds.ControlsDisabled());
}

TEST_F(ExportRunTest, ControlsAreDetachedForTheRun) {
  writer.AnimatedStatus = false;
  bool detached = false;
  writer.OnPrepare = [&] { detached = ds.ControlsDisabled(); };
  writer.Execute();
  EXPECT_TRUE(detached);
  EXPECT_FALSE(ds.ControlsDisabled());
}

TEST_F(ExportRunTest, MissingSourceFailsTheRun) {
  struct Case {
    TColumnSource source;
    const char* text;
  };
  const Case cases[] = {{csDataSet, "Dataset"}, {csDataEngine, "DataEngine"}, {csDBGrid, "DBGrid"}};
  writer.SetDataSet(nullptr);
  writer.AnimatedStatus = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    writer.ColumnSource = c.source;
    writer.Options = DefaultSMOptions;
    messages.clear();
    writer.Execute();
    EXPECT_EQ(writer.GetExportResult(), erFailed);
    EXPECT_EQ(messages, (Log{std::string("info: Error in data export.: Property ") + c.text + " is not specified."}));

    writer.Options = 0;
    messages.clear();
    try {
      writer.Execute();
      ADD_FAILURE() << "no exception";
    } catch (const ESMEInvalidPropertyException& e) {
      EXPECT_EQ(Utf8(e.Message()), std::string("Property ") + c.text + " is not specified.");
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(writer.Steps.back(), "DestroySourceDataEngine");
  }
}

TEST_F(ExportRunTest, FailureSkipsTheActionAfterExportAndClosesTheWindow) {
  UseProgressWindow();
  writer.ActionAfterExport = aeEMail;
  writer.OnPrepare = [] { throw Exception(u"broken"); };
  writer.Execute();
  EXPECT_EQ(writer.GetExportResult(), erFailed);
  EXPECT_TRUE(shell.Mails.empty());
  EXPECT_EQ(messages, (Log{"info: Error in data export.: broken"}));
  EXPECT_EQ(progress.size(), 1u);  // shown, then destroyed without a closing text
  EXPECT_EQ(writer.Columns.Count(), 0);
}

TEST_F(ExportRunTest, AbortFromProgressOnTheThirdRecord) {
  for (Integer id = 4; id <= 5; ++id) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(id);
    ds.Post();
  }
  writer.AnimatedStatus = false;
  writer.OnProgress = [](TSMECustomBaseComponent*, Integer cur, Integer, bool& abort) { abort = cur == 2; };
  writer.Execute();
  EXPECT_EQ(writer.GetExportedRecordCount(), 2);
  EXPECT_EQ(writer.GetExportResult(), erCanceled);
  EXPECT_EQ(messages, (Log{"info: Data export was canceled by user."}));
}

TEST_F(ExportRunTest, RecordsRefusedOrAbortedAfter) {
  writer.AnimatedStatus = false;
  Integer after = 0;
  writer.OnBeforeRecord = [](TSMECustomBaseComponent*, bool& accept) { accept = false; };
  writer.OnAfterRecord = [&](TSMECustomBaseComponent*, bool&) { ++after; };
  writer.Execute();
  EXPECT_EQ(writer.GetExportedRecordCount(), 0);
  EXPECT_TRUE(writer.Cells.empty());
  EXPECT_EQ(after, 3);
  EXPECT_EQ(writer.GetExportResult(), erCompleted);

  writer.OnBeforeRecord = nullptr;
  writer.OnAfterRecord = [](TSMECustomBaseComponent*, bool& abort) { abort = true; };
  writer.Execute();
  EXPECT_EQ(writer.GetExportedRecordCount(), 1);
  EXPECT_EQ(writer.GetExportResult(), erCanceled);
}

// Rows from the caller's own code: a counter.
class CountingSource : public TSMECustomDataEngine {
 public:
  explicit CountingSource(Integer count) : FCount(count) {}
  bool Eof() override { return FRow >= FCount; }
  void First() override { FRow = 0; }
  void Next() override { ++FRow; }
  Integer RecordCount() override { return FCount; }

 private:
  Integer FCount;
  Integer FRow = 0;
};

TEST_F(ExportRunTest, ProgressIsRedrawnWhenTheBarMovesEnough) {
  UseProgressWindow();
  CountingSource source(1000);
  writer.SetDataEngine(&source);
  writer.ColumnSource = csDataEngine;
  writer.Statistic.UpdateStep = 10;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soAutoCloseStatistic));
  writer.Execute();
  ASSERT_EQ(progress.size(), 53u);
  EXPECT_EQ(progress[0], "show RODireza 4.99|Exporting...|&Cancel|1000");
  EXPECT_EQ(progress[1], "Exporting... (20/1000)");
  EXPECT_EQ(progress[2], "Exporting... (40/1000)");
  EXPECT_EQ(progress[49], "Exporting... (980/1000)");
  EXPECT_EQ(progress[50], "The out.txt file was successfully generated. (1000/1000)");
  EXPECT_EQ(progress[51], "stop");
  EXPECT_EQ(progress[52], "wait &OK");
  EXPECT_TRUE(messages.empty());  // the window showed the closing text
}

TEST_F(ExportRunTest, CancelFromTheWindow) {
  UseProgressWindow();
  writer.OnAfterRecord = [](TSMECustomBaseComponent* sender, bool&) {
    static_cast<RecordingWriter*>(sender)->SetProgressCanceled(true);
  };
  writer.Execute();
  EXPECT_EQ(writer.GetExportedRecordCount(), 1);
  EXPECT_EQ(writer.GetExportResult(), erCanceled);
  EXPECT_EQ(progress.back(), "stop");
}

TEST_F(ExportRunTest, WindowThatCannotBeMadeIsReported) {
  ExportDisplay().CreateProgressWindow = []() -> std::unique_ptr<IExportProgressWindow> {
    throw Exception(u"no display");
  };
  writer.Execute();
  EXPECT_EQ(writer.GetExportResult(), erCompleted);
  EXPECT_EQ(messages, (Log{"error: Can't create a process dialog"}));
}

TEST_F(ExportRunTest, ActionsAfterASuccessfulRun) {
  writer.AnimatedStatus = false;
  writer.Options = 0;
  writer.ActionAfterExport = aeOpenView;
  writer.Execute();
  EXPECT_EQ(shell.Opened, (std::vector<String>{u"out.txt"}));
  writer.ActionAfterExport = aeEMail;
  writer.Execute();
  ASSERT_EQ(shell.Mails.size(), 1u);
  EXPECT_EQ(shell.Mails[0].Attachment, u"out.txt");
  EXPECT_EQ(shell.Mails[0].Subject, u"RODireza 4.99");
  EXPECT_TRUE(shell.Mails[0].ShowDialog);
}

TEST_F(ExportRunTest, SendMail) {
  writer.SendTo.EMailRecipient = u" a@x.si; b@x.si ";
  writer.SendTo.EMailBCC = u"c@x.si";
  writer.SendTo.EMailSubject = u"Data";
  writer.SendTo.EMailBody = u"Hello";
  writer.SendTo.EMailOpenBeforeSend = false;
  EXPECT_EQ(writer.SendMail(u"f.txt", u"more"), 0);
  ASSERT_EQ(shell.Mails.size(), 1u);
  const TExportMail& mail = shell.Mails[0];
  EXPECT_EQ(mail.Subject, u"Data");
  EXPECT_EQ(mail.Note, u"Hello\r\nmore");
  EXPECT_EQ(mail.Attachment, u"");
  EXPECT_FALSE(mail.ShowDialog);
  EXPECT_EQ(mail.Recipients, (std::vector<TExportMailRecipient>{{u"a@x.si", rcTo}, {u" b@x.si", rcTo},
                                                                 {u"c@x.si", rcBCC}}));

  shell.MailResult = 5;
  EXPECT_EQ(writer.SendMail(u"f.txt", u""), 5);
  EXPECT_EQ(messages, (Log{"error: Error sending mail (5)"}));
}

TEST(ExportMail, RecipientFields) {
  TSMESendTo sendTo;
  sendTo.EMailRecipient = u"a;;bcc:b;";
  sendTo.EMailCC = u"c";
  EXPECT_EQ(MailRecipients(sendTo), (std::vector<TExportMailRecipient>{
                                        {u"a", rcTo}, {u"", rcTo}, {u"b", rcBCC}, {u"c", rcCC}}));
  EXPECT_TRUE(MailRecipients(TSMESendTo()).empty());
}

TEST(ExportDataLevels, LevelsAreNamedByTheirNumberAndCopied) {
  TSMEDataLevels levels;
  TSMEDataLevel& first = levels.Add();
  TSMEDataLevel& second = levels.Add();
  EXPECT_EQ(first.Caption, u"Detail1");
  EXPECT_EQ(second.Caption, u"Detail2");
  EXPECT_EQ(first.ShiftCount, 1);
  first.Columns.Add().FieldName = u"ID";
  first.DetailSources().Add();
  first.ColumnSource = csDataSet;
  second.Assign(first);
  EXPECT_EQ(second.Caption, u"Detail1");
  EXPECT_EQ(second.Columns.Count(), 1);
  EXPECT_EQ(second.DetailSources().Count(), 1);
  EXPECT_THROW(second.CreateSourceDataEngine(), ESMEInvalidPropertyException);
  TTestDataSet ds;
  second.DataSet = &ds;
  second.CreateSourceDataEngine();
  ASSERT_NE(second.SourceDataEngine(), nullptr);
  EXPECT_EQ(second.SourceDataEngine()->FLevel, 1);
  second.DestroySourceDataEngine();
  EXPECT_EQ(second.SourceDataEngine(), nullptr);
}

}  // namespace

namespace {

TEST_F(ExportRunTest, DefaultColumnsSourceDatasetAndMemoColumns) {
  writer.BuildDefaultColumns();
  ASSERT_EQ(writer.Columns.Count(), 4);
  EXPECT_EQ(writer.SourceDataEngine(), nullptr);
  EXPECT_EQ(writer.GetDS(), &ds);
  EXPECT_FALSE(writer.IsMemoColumnExist());
  writer.Columns[3].DataType = ctMEMO;
  writer.Columns[3].Visible = false;
  EXPECT_FALSE(writer.IsMemoColumnExist());
  writer.Options |= OptionBit(soExportInvisibleFields);
  EXPECT_TRUE(writer.IsMemoColumnExist());
  writer.SetDataSet(nullptr);
  EXPECT_THROW(writer.BuildDefaultColumns(), ESMEInvalidPropertyException);
}

TEST(ExportFolders, CreateDirIfNotExistsMakesTheFileFolder) {
  const String root = Utf8ToString(testing::TempDir()) + u"expcore_dirs";
  TRODirezaBaseComponent::CreateDirIfNotExists(root + u"/a/b/out.txt");
  EXPECT_TRUE(DirectoryExists(root + u"/a/b"));
  TRODirezaBaseComponent::CreateDirIfNotExists(u"out.txt");  // the current folder: nothing to make
  std::filesystem::remove_all(StringToUtf8(root));
}

}  // namespace

namespace {

TEST_F(ExportRunTest, HandlerFailingAtTheEndStillGivesEverythingBack) {
  writer.AnimatedStatus = false;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.OnProgress = [](TSMECustomBaseComponent*, Integer cur, Integer max, bool&) {
    if (cur == max) throw Exception(u"handler");
  };
  EXPECT_THROW(writer.Execute(), Exception);
  EXPECT_EQ(FormatSettings, TFormatSettings::Slovene());
  EXPECT_FALSE(ds.ControlsDisabled());
  EXPECT_EQ(writer.SourceDataEngine(), nullptr);
}

}  // namespace
