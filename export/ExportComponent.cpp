#include "export/ExportComponent.h"

#include <unistd.h>

#include <cmath>

#include "export/DataLevels.h"
#include "export/ExportGrid.h"
#include "export/ExportShell.h"
#include "export/RowSources.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

String GeneratorVer = u"RODireza 4.99";

namespace {

// The folder of the running program with its trailing "/"; empty when it
// cannot be told.
String ProgramFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return String();
  return ExtractFilePath(Utf8ToString(std::string_view(path, static_cast<size_t>(length))));
}

// Position of the extension's dot in the name part; npos without one.
size_t ExtensionStart(const String& fileName) {
  const size_t dot = fileName.rfind(u'.');
  const size_t slash = fileName.rfind(u'/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String::npos;
  return dot;
}

String ChangeFileExt(const String& fileName, const String& extension) {
  return fileName.substr(0, ExtensionStart(fileName)) + extension;
}

String MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return Utf8ToString(e.what());
  } catch (...) {
  }
  return String();
}

bool IsZeroNumberType(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TSMECustomBaseComponent

TSMECustomBaseComponent::TSMECustomBaseComponent(TComponent* owner)
    : TComponent(owner), TitleStatus(strExporting), KeyGenerator(GeneratorVer) {
  DataFormats.LoadRegionalSettings(FormatSettings);
  DataFormats.BooleanTrue = strTrue;
  DataFormats.BooleanFalse = strFalse;
}

TSMECustomBaseComponent::~TSMECustomBaseComponent() = default;

String TSMECustomBaseComponent::GetLanguageString(Integer id) {
  String text = ExportMessageText(id);
  if (OnGetLanguageString) OnGetLanguageString(this, id, text);
  return text;
}

TByteOrderMark TSMECustomBaseComponent::ByteOrderMarkOf(TCharacterSet characterSet) {
  switch (characterSet) {
    case csUTF8: return TByteOrderMark::Utf8;
    case csUnicode: return TByteOrderMark::Utf16LE;
    default: return TByteOrderMark::None;
  }
}

void TSMECustomBaseComponent::WriteBOMToStream(TStream* stream, TCharacterSet characterSet) {
  const std::span<const Byte> mark = ByteOrderMarkBytes(ByteOrderMarkOf(characterSet));
  if (stream != nullptr && !mark.empty()) stream->WriteBuffer(mark.data(), static_cast<Int64>(mark.size()));
}

String TSMECustomBaseComponent::GetFieldStr(TField* field) {
  if (field == nullptr) return String();
  String result;
  if (HasOption(Options, soFieldMask)) {
    if (field->DataType() == ftBoolean)
      result = !field->IsNull() && field->AsBoolean() ? DataFormats.BooleanTrue : DataFormats.BooleanFalse;
    else
      result = field->DisplayText();
  } else if (field->DataType() == ftBytes || field->DataType() == ftVarBytes) {
    result = VarToStr(field->AsVariant());
  } else if (field->DataType() == ftWideString) {
    result = field->AsWideString();
  } else {
    result = field->AsString();
  }
  if (BlankIfZero) {
    const TFieldType type = field->DataType();
    if (IsZeroNumberType(type) || type == ftDate || type == ftTime || type == ftDateTime) {
      if (field->IsNull() || field->AsFloat() == 0) result.clear();
    } else if (field->IsNull()) {
      result.clear();
    }
  }
  return result;
}

TCellType TSMECustomBaseComponent::GetFieldType(TField* field, bool blankIfZero) const {
  if (field == nullptr) return ctString;
  return GetValueType(field->DataType(), field->AsVariant(), blankIfZero);
}

Variant TSMECustomBaseComponent::GetSysValue(StringView name) const {
  if (SameText(name, u"ROWNO")) {
    Integer row = Statistic.CurrentRow + 1 - static_cast<Integer>(Header.size());
    if (AddTitle) {
      --row;
      if (HasOption(Options, soBlankRowAfterCaptions)) --row;
    }
    return Variant(row);
  }
  if (SameText(name, u"COLNO")) return Variant(Statistic.CurrentCol);
  if (SameText(name, u"COUNT")) return Variant(Statistic.TotalCount);
  if (SameText(name, u"ERRCOUNT")) return Variant(Statistic.TotalErrors);
  if (SameText(name, u"GENERATOR")) return Variant(KeyGenerator);
  return Variant::Null();
}

void TSMECustomBaseComponent::AssignStyle(Integer row, TColor& color) const {
  if (ExportStyle.Style() == esNormal) return;
  color = row % 2 == 1 || row % 2 == -1 ? ExportStyle.OddColor : ExportStyle.EvenColor;
}

String TSMECustomBaseComponent::AddZeros(const String& value, Integer length, bool leading) {
  if (length <= static_cast<Integer>(value.size())) return value;
  const String zeros(static_cast<size_t>(length) - value.size(), u'0');
  return leading ? zeros + value : value + zeros;
}

Integer TSMECustomBaseComponent::GetTitleRowCount() const {
  Integer count = static_cast<Integer>(Header.size()) + 1;
  if (AddTitle) {
    ++count;
    if (HasOption(Options, soBlankRowAfterCaptions)) ++count;
  }
  return count;
}

Integer TSMECustomBaseComponent::SendMail(const String& fileName, const String& body) {
  TExportMail mail;
  mail.Subject = SendTo.EMailSubject.empty() ? KeyGenerator : SendTo.EMailSubject;
  if (!body.empty()) {
    mail.Note = SendTo.EMailBody + u"\r\n" + body;
  } else {
    mail.Note = SendTo.EMailBody;
    mail.Attachment = fileName;
  }
  mail.Recipients = MailRecipients(SendTo);
  mail.ShowDialog = SendTo.EMailOpenBeforeSend || SendTo.EMailRecipient.empty();
  const Integer result = ExportShell().SendMail(mail);
  if (result != 0 && HasOption(Options, soShowMessage))
    ShowExportMessage(strMailError + IntToStr(result) + u")", emkError);
  return result;
}

String TSMECustomBaseComponent::GetDefExt(TTableTypeExport tableType) {
  switch (tableType) {
    case teParadox: return u".DB";
    case teDBase: return u".DBF";
    case teText: return u".TXT";
    case teHTML: return u".HTM";
    case teXLS: case teExcel: return u".XLS";
    case teWord: return u".DOC";
    case teSYLK: return u".SLK";
    case teDIF: return u".DIF";
    case teWKS: return u".WK1";
    case teQuattro: return u".WQ1";
    case teSQL: return u".SQL";
    case teXML: return u".XML";
    case teAccess: return u".MDB";
    case teRTF: return u".RTF";
    case teSPSS: return u".SAV";
    case tePDF: return u".PDF";
    case teLDIF: return u".LDIF";
    case teOpenOffice: return u".ODT";
    case teExcel2007: return u".XLSX";
    case teJSON: return u".JSON";
    default: return String();
  }
}

void TSMECustomBaseComponent::Assign(const TComponent* source) {
  auto* from = dynamic_cast<const TSMECustomBaseComponent*>(source);
  if (from == nullptr) {
    const String sourceName = source != nullptr ? StrFromAscii(source->ClassName()) : String(u"nil");
    throw EConvertError(Format(RtlMessages::SAssignError, {sourceName, StrFromAscii(ClassName())}));
  }
  if (from == this) return;
  Header = from->Header;
  Footer = from->Footer;
  RowsPerFile = from->RowsPerFile;
  SetTableType(from->TableType());
  AnimatedStatus = from->AnimatedStatus;
  DataFormats.Assign(from->DataFormats);
  KeyGenerator = from->KeyGenerator;
  SelectedRecord = from->SelectedRecord;
  BlankIfZero = from->BlankIfZero;
  Options = from->Options;
  RightToLeft = from->RightToLeft;
  SendTo.Assign(from->SendTo);
  Statistic.TotalCount = from->Statistic.TotalCount;
  Statistic.TotalErrors = from->Statistic.TotalErrors;
  Statistic.UpdateStep = from->Statistic.UpdateStep;
  Statistic.Result = from->Statistic.Result;
  TitleStatus = from->TitleStatus;
  OnGetLanguageString = from->OnGetLanguageString;
  OnBeforeRecord = from->OnBeforeRecord;
  OnAfterRecord = from->OnAfterRecord;
  OnBeforeExecute = from->OnBeforeExecute;
  OnAfterExecute = from->OnAfterExecute;
  OnGetFileName = from->OnGetFileName;
  OnProgress = from->OnProgress;
  OnGetRowHeight = from->OnGetRowHeight;
  OnGetCellParams = from->OnGetCellParams;
  AddTitle = from->AddTitle;
  CharacterSet = from->CharacterSet;
  ExportStyle.Assign(from->ExportStyle);
  TableName = from->TableName;
  TextQualifier = from->TextQualifier;
  Separator = from->Separator;
  RecordSeparator = from->RecordSeparator;
  Fixed = from->Fixed;
  AutoFitColumns = from->AutoFitColumns;
  PageSetup.Assign(from->PageSetup);
}

// ---------------------------------------------------------------------------
// TRODirezaBaseComponent

TRODirezaBaseComponent::TRODirezaBaseComponent(TComponent* owner)
    : TSMECustomBaseComponent(owner),
      Columns(this),
      Groupings(this),
      Bands(this),
      FDetailSources(std::make_unique<TSMEDataLevels>(this)) {
  FileName = ProgramFolder() + u"RODireza" + Extension();
}

TRODirezaBaseComponent::~TRODirezaBaseComponent() = default;

void TRODirezaBaseComponent::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (FDataSet != nullptr && static_cast<TComponent*>(FDataSet) != FDataEngine) RemoveFreeNotification(FDataSet);
  FDataSet = value;
  FreeNotification(value);
}

void TRODirezaBaseComponent::SetDataEngine(TSMECustomDataEngine* value) {
  if (value == FDataEngine) return;
  if (FDataEngine != nullptr && static_cast<TComponent*>(FDataEngine) != FDataSet) RemoveFreeNotification(FDataEngine);
  FDataEngine = value;
  FreeNotification(value);
}

void TRODirezaBaseComponent::Notification(TComponent* component, bool removing) {
  TSMECustomBaseComponent::Notification(component, removing);
  if (!removing) return;
  if (component == FDataSet) FDataSet = nullptr;
  if (component == FDataEngine) FDataEngine = nullptr;
}

void TRODirezaBaseComponent::SetSpecificationDir(const String& value) {
  FSpecificationDir = Trim(value);
  if (!FSpecificationDir.empty() && FSpecificationDir.back() != u'/') FSpecificationDir += u'/';
}

void TRODirezaBaseComponent::SetTableType(TTableTypeExport value) {
  if (!FileName.empty() && value != teADO) FileName = ChangeFileExt(FileName, GetDefExt(value));
  TSMECustomBaseComponent::SetTableType(value);
}

void TRODirezaBaseComponent::Assign(const TComponent* source) {
  TSMECustomBaseComponent::Assign(source);
  auto* from = dynamic_cast<const TRODirezaBaseComponent*>(source);
  if (from == nullptr || from == this) return;
  ActionAfterExport = from->ActionAfterExport;
  FileName = from->FileName;
  Columns.Assign(from->Columns);
  Bands.Assign(from->Bands);
  SetDBGrid(from->DBGrid());
  SetDataSet(from->DataSet());
  SetDataEngine(from->DataEngine());
  ColumnSource = from->ColumnSource;
  SelectedRecord = from->SelectedRecord;
  OnGetNextSelected = from->OnGetNextSelected;
  OnGetSelectedCount = from->OnGetSelectedCount;
  OnBeforeLoadSpecification = from->OnBeforeLoadSpecification;
  OnAfterLoadSpecification = from->OnAfterLoadSpecification;
  OnBeforeSaveSpecification = from->OnBeforeSaveSpecification;
  OnAfterSaveSpecification = from->OnAfterSaveSpecification;
  Layout = from->Layout;
  ExportIfEmpty = from->ExportIfEmpty;
}

TDataSet* TRODirezaBaseComponent::GetDS() const {
  if (auto* dbSource = dynamic_cast<TSMECustomDBDataEngine*>(FSourceDataEngine)) return dbSource->GetDataset();
  if (ColumnSource == csDataSet) return FDataSet;
  return FDBGrid != nullptr ? FDBGrid->GridDataSet() : nullptr;
}

bool TRODirezaBaseComponent::IsMemoColumnExist() const {
  const bool all = HasOption(Options, soExportInvisibleFields);
  for (const auto& column : Columns)
    if ((all || column->Visible) && column->DataType == ctMEMO) return true;
  return false;
}

bool TRODirezaBaseComponent::DetailExists() const { return !FDetailSources->Empty(); }

void TRODirezaBaseComponent::CreateDirIfNotExists(const String& fileName) {
  const String folder = ExtractFilePath(fileName);
  if (!folder.empty() && !DirectoryExists(folder)) ForceDirectories(folder);
}

void TRODirezaBaseComponent::CreateSourceDataEngine() {
  FSourceDataEngine = CreateRowSource(ColumnSource, FDataSet, FDBGrid, FDataEngine,
                                      GetLanguageString(midPropertyError), FOwnedDataEngine);
  FSourceDataEngine->FSelectedRecords = SelectedRecord;
  FSourceDataEngine->FLevel = 0;
  Columns.ClearFields();
}

void TRODirezaBaseComponent::DestroySourceDataEngine() {
  FOwnedDataEngine.reset();
  FSourceDataEngine = nullptr;
}

void TRODirezaBaseComponent::BuildDefaultColumns() {
  CreateSourceDataEngine();
  try {
    FSourceDataEngine->FillColumns(Columns, Bands, RightToLeft);
  } catch (...) {
    DestroySourceDataEngine();
    throw;
  }
  DestroySourceDataEngine();
}

// ---------------------------------------------------------------------------
// The run

void TRODirezaBaseComponent::Execute() {
  std::exception_ptr failure;
  try {
    InternalBeforeProcess();
    Prepare();
  } catch (...) {
    Statistic.Result = erFailed;
    if (AnimatedStatus) DestroyProgressDlg();
    if (HasOption(Options, soShowMessage))
      ShowExportMessage(GetLanguageString(midExportError) + u": " + MessageOf(std::current_exception()),
                        emkInformation);
    else
      failure = std::current_exception();
  }
  if (!failure) return InternalAfterProcess();
  // The caller learns why the run failed, not what went wrong while it was
  // being cleaned up.
  try {
    InternalAfterProcess();
  } catch (...) {
  }
  std::rethrow_exception(failure);
}

void TRODirezaBaseComponent::ReplaceFormatSettings() {
  FSavedFormats = std::make_unique<TSavedFormats>(
      TSavedFormats{FormatSettings.DecimalSeparator, FormatSettings.DateSeparator, FormatSettings.TimeSeparator,
                    FormatSettings.ThousandSeparator, FormatSettings.CurrencyString});
  FormatSettings.DecimalSeparator = DataFormats.DecimalSeparator;
  FormatSettings.DateSeparator = DataFormats.DateSeparator;
  FormatSettings.TimeSeparator = DataFormats.TimeSeparator;
  FormatSettings.ThousandSeparator = DataFormats.ThousandSeparator;
  FormatSettings.CurrencyString = DataFormats.CurrencyString;
}

void TRODirezaBaseComponent::RestoreFormatSettings() {
  if (!FSavedFormats) return;
  FormatSettings.DecimalSeparator = FSavedFormats->DecimalSeparator;
  FormatSettings.DateSeparator = FSavedFormats->DateSeparator;
  FormatSettings.TimeSeparator = FSavedFormats->TimeSeparator;
  FormatSettings.ThousandSeparator = FSavedFormats->ThousandSeparator;
  FormatSettings.CurrencyString = FSavedFormats->CurrencyString;
  FSavedFormats.reset();
}

void TRODirezaBaseComponent::InternalBeforeProcess() {
  Statistic.Result = erInProgress;
  Statistic.CurrentRow = 0;
  Statistic.CurrentCol = 0;
  Statistic.CurrentRowHeight = 0;
  if (OnBeforeExecute) OnBeforeExecute(this);

  CreateSourceDataEngine();
  intRecordCount = FSourceDataEngine->RecordCount();
  Statistic.CurrentDataLevel = FSourceDataEngine->FLevel;

  if (DataFormats.UseRegionalSettings) DataFormats.LoadRegionalSettings(FormatSettings);
  ReplaceFormatSettings();

  if (HasOption(Options, soDisableControls)) {
    FSourceDataEngine->DisableControls();
    FControlsDisabled = true;
  }
  if (HasOption(Options, soWaitCursor) && ExportDisplay().SetBusyCursor) {
    ExportDisplay().SetBusyCursor(true);
    FBusyCursor = true;
  }
  boolAborted = false;

  if (AnimatedStatus) {
    if (intRecordCount < 0) intRecordCount = 0;
    CreateProgressDlg(KeyGenerator, TitleStatus, GetLanguageString(midBtnCancel), 0, intRecordCount, 0);
  }

  FIsCustomColumns = !Columns.Empty();
  if (!FIsCustomColumns) FSourceDataEngine->FillColumns(Columns, Bands, RightToLeft);

  Statistic.TotalCount = 0;
  const bool all = HasOption(Options, soExportInvisibleFields);
  FLastExportColumnIndex = 0;
  for (const auto& column : Columns)
    if (all || column->Visible) ++FLastExportColumnIndex;

  if (ExtensionStart(FileName) == String::npos) FileName += GetDefExt(TableType());
}

void TRODirezaBaseComponent::InternalAfterProcess() {
  // Whatever fails on the way, the process settings, the controls and the
  // row source are given back.
  struct Finally {
    TRODirezaBaseComponent& self;
    ~Finally() {
      self.RestoreFormatSettings();
      if (self.FControlsDisabled && self.FSourceDataEngine != nullptr) self.FSourceDataEngine->EnableControls();
      self.FControlsDisabled = false;
      self.DestroySourceDataEngine();
    }
  };
  {
    Finally restore{*this};
    if (!FIsCustomColumns) {
      Columns.Clear();
      Bands.Clear();
      FIsCustomColumns = true;
    }
    String closing;
    if (Statistic.Result != erFailed) {
      if (ProgressCanceled()) {
        Statistic.Result = erCanceled;
        closing = GetLanguageString(midExportCanceled);
      } else {
        Statistic.Result = erCompleted;
        closing = Format(GetLanguageString(midFileGenerated), {FileName});
      }
    }
    if (OnProgress) OnProgress(this, intRecordCount, intRecordCount, IsAborted);
    if (FBusyCursor) {
      FBusyCursor = false;
      if (ExportDisplay().SetBusyCursor) ExportDisplay().SetBusyCursor(false);
    }
    if (AnimatedStatus) {
      UpdateProgressDlg(closing, intRecordCount);
      if (frmZAZProcess) {
        frmZAZProcess->StopAnimation();
        if (!HasOption(Options, soAutoCloseStatistic)) frmZAZProcess->WaitForClose(strBtnOk);
      }
      DestroyProgressDlg();
    }
    if (HasOption(Options, soShowMessage) && !closing.empty() && !AnimatedStatus)
      ShowExportMessage(closing, emkInformation);
    if (Statistic.Result != erFailed) AfterExport();
  }
  if (OnAfterExecute) OnAfterExecute(this);
}

void TRODirezaBaseComponent::AfterExport() {
  if (ActionAfterExport == aeOpenView) ExportShell().OpenFile(FileName);
  if (ActionAfterExport == aeEMail) SendMail(FileName, String());
}

// ---------------------------------------------------------------------------
// Progress

bool TRODirezaBaseComponent::CreateProgressDlg(const String& caption, const String& status,
                                               const String& buttonCaption, Integer minimum, Integer maximum,
                                               Integer position) {
  DestroyProgressDlg();
  const TExportDisplay& display = ExportDisplay();
  if (!display.CreateProgressWindow) return false;
  try {
    frmZAZProcess = display.CreateProgressWindow();
    if (frmZAZProcess) frmZAZProcess->Show(caption, status, buttonCaption, minimum, maximum, position);
  } catch (...) {
    frmZAZProcess.reset();
  }
  if (!frmZAZProcess) ShowExportMessage(strLoadError, emkError);
  return frmZAZProcess != nullptr;
}

bool TRODirezaBaseComponent::UpdateProgressDlg(const String& text, Integer value) {
  const Integer step = Statistic.UpdateStep;
  if (Statistic.Result != erCompleted && step > 0 && value % step != 0) return true;
  if (!frmZAZProcess) return false;
  const Integer maximum = frmZAZProcess->Maximum();
  const double distance = std::abs(static_cast<double>(frmZAZProcess->Position()) - value);
  if (distance > maximum / 100.0 || value + 1 == maximum)
    frmZAZProcess->Redraw(text + u" (" + IntToStr(value) + u"/" + IntToStr(maximum) + u")", value);
  return true;
}

void TRODirezaBaseComponent::DestroyProgressDlg() {
  frmZAZProcess.reset();
}

bool TRODirezaBaseComponent::ProgressCanceled() const {
  return frmZAZProcess ? frmZAZProcess->CancelPressed() : boolAborted;
}

void TRODirezaBaseComponent::SetProgressCanceled(bool value) {
  if (frmZAZProcess)
    frmZAZProcess->SetCancelPressed(value);
  else
    boolAborted = value;
}

void TRODirezaBaseComponent::ForEachSourceRecord(TSMECustomDataEngine& source,
                                                 const std::function<void(Integer written)>& writeRecord) {
  source.DisableControls();
  source.SavePosition();
  source.First();
  Statistic.TotalCount = 0;
  Statistic.CurrentRow = 0;
  Statistic.CurrentSection = esData;
  Integer written = 0;
  while (!ProgressCanceled() && !source.Eof()) {
    if (AnimatedStatus) UpdateProgressDlg(TitleStatus, written);
    bool accept = true;
    if (OnBeforeRecord) OnBeforeRecord(this, accept);
    if (accept) {
      bool abort = false;
      if (OnProgress) OnProgress(this, written, source.RecordCount(), abort);
      if (abort) {
        SetProgressCanceled(true);
        break;
      }
      ++written;
      Statistic.TotalCount = written;
      writeRecord(written);
    }
    source.Next();
    ++Statistic.CurrentRow;
    bool abort = false;
    if (OnAfterRecord) OnAfterRecord(this, abort);
    if (abort) SetProgressCanceled(true);
  }
  source.RestorePosition();
  source.EnableControls();
}
