// The run of an import: Execute checks the settings, asks for parameters,
// opens the source and drives Prepare, the row loop that converts each
// source row and appends, updates or deletes a destination record (or, in
// SQL mode, writes the statement that would). Errors of single rows are
// counted and reported through OnErrorEvent; the run's own failure becomes
// the statistic's Result and a message.
#include <algorithm>
#include <chrono>
#include <thread>

#include "import/ExpressionHelpers.h"
#include "import/ImportComponent.h"
#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/ValueConversion.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsEditState(TDataSetState state) { return state == dsEdit || state == dsInsert || state == dsSetKey; }

// The row's action by its mode and whether its key was found.
TSMIAction ActionFor(TImportMode mode, bool found) {
  switch (mode) {
    case imAppend:
    case imCopy: return iaAdd;
    case imUpdate: return found ? iaUpdate : iaUnknown;
    case imAppendUpdate: return found ? iaUpdate : iaAdd;
    case imDelete: return found ? iaDelete : iaUnknown;
    case imAppendNewOnly: return found ? iaUnknown : iaAdd;
  }
  return iaUnknown;
}

// A mapping source as the run keeps it: trimmed, and cut to 10 characters
// for sources that only know short names.
Variant EntrySource(const String& source, bool truncated) {
  String text = Trim(source);
  if (truncated && text.size() > 10) text.resize(10);
  return Variant(text);
}

// Clears the running flag however Execute ends.
class TRunningGuard {
 public:
  explicit TRunningGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TRunningGuard() { FFlag = false; }
  TRunningGuard(const TRunningGuard&) = delete;
  TRunningGuard& operator=(const TRunningGuard&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

bool TRADerevuBaseComponent::IsKeyedMode(TImportMode mode) const {
  return mode == imUpdate || mode == imAppendUpdate || mode == imDelete || mode == imAppendNewOnly;
}

bool TRADerevuBaseComponent::KeyedModeOrRowMode() const {
  return IsKeyedMode(FMode) || static_cast<bool>(OnGetRowMode);
}

TImportCounters TRADerevuBaseComponent::Counters() const {
  return {FStatistic.TotalImported, FStatistic.TotalErrors,  FStatistic.TotalAdded,
          FStatistic.TotalDeleted,  FStatistic.TotalUpdated, FStatistic.TotalSkipped};
}

bool TRADerevuBaseComponent::Execute() {
  // A second run from inside an event of this one would reset the
  // statistic and the mappings under the running loop.
  if (FRunning) return false;
  FStatistic.Result = irUnknown;
  if (OnBeforeExecute) OnBeforeExecute(this);
  String missing;
  if (NotDefined(missing)) throw ESMIInvalidPropertyException(Format(strPropertyError, {missing}));
  if (FDatasetKeys.empty() && IsKeyedMode(FMode))
    throw ESMIInvalidPropertyException(Format(strPropertyError, {String(u"DatasetKeys")}));

  TRunningGuard running(FRunning);
  if (!AskParameters()) return false;
  BeforeImport();

  const TImportDisplay& display = ImportDisplay();
  const bool waitCursor = HasOption(soWaitCursor) && static_cast<bool>(display.SetBusyCursor);
  if (waitCursor) display.SetBusyCursor(true);
  bool temporaryMappings = false;
  String message;
  try {
    if (FAnimatedStatus) {
      TImportProgressLayout layout;
      layout.Caption = strImporting;
      layout.Status = FTitleStatus;
      layout.ShowCounters = HasOption(soExtendedStatistic);
      layout.Animate = HasOption(soUseAnimatedControl);
      layout.CancelCaption = strBtnCancel;
      const String captions[6] = {strProcessed, strErrors, strAdded, strUpdated, strDeleted, strSkipped};
      std::copy(std::begin(captions), std::end(captions), layout.CounterCaptions);
      CreateProgressDlg(layout);
    }
    if (FMappings.Count() == 0) {
      FColumns.Clear();
      DetectAutoMapping();
      if (OnCreateStructure) OnCreateStructure(this, FColumns);
      if (FMappings.Count() == 0) {
        Columns2Mapping();
        temporaryMappings = true;
      }
    }
    Prepare();
    if (temporaryMappings) FMappings.Clear();
    if (ProgressCanceled() || Abort) {
      message = strImportCanceled;
      FStatistic.Result = irCanceled;
    } else if (FStatistic.TotalErrors > 0) {
      // Rows were lost: the run must not read as a plain success.
      message = strImportError + u"\r\n" + strErrors + u" " + IntToStr(FStatistic.TotalErrors);
      FStatistic.Result = irFailed;
    } else {
      message = strImportOk;
      FStatistic.Result = irExecuted;
    }
  } catch (const Exception& error) {
    if (temporaryMappings) FMappings.Clear();
    message = strImportError + u"\r\n" + error.Message();
    FStatistic.Result = irFailed;
  }
  if (waitCursor) display.SetBusyCursor(false);
  FinishRun(message);
  AfterImport();
  if (OnAfterExecute) OnAfterExecute(this);
  return FStatistic.Result == irExecuted;
}

void TRADerevuBaseComponent::FinishRun(const String& message) {
  if (!FAnimatedStatus) {
    if (HasOption(soShowMessage)) ShowImportMessage(message, imkInformation);
    return;
  }
  TImportCounters counters = Counters();
  counters.Processed = FStatistic.TotalCount;
  UpdateProgressDlg(message, counters);
  if (frmVODProcess == nullptr) return;
  frmVODProcess->StopAnimation();
  frmVODProcess->WaitForClose(strBtnOk, HasOption(soAutoCloseStatistic));
  DestroyProgressDlg();
}

// ---------------------------------------------------------------------------
// Mapping entries

void TRADerevuBaseComponent::BuildFieldMapping() {
  FillKey4Locate();
  FillKey4Values();
}

void TRADerevuBaseComponent::FillKey4Values() {
  vValues.clear();
  const bool truncated = FieldIsTruncated();
  for (int i = 0; i < FMappings.Count(); ++i) {
    const String line = FMappings.Get(i);
    const size_t equals = line.find(u'=');
    const String source = equals == String::npos ? String() : line.substr(equals + 1);
    if (Trim(source).empty()) continue;
    vValues.push_back(
        {UpperCase(Trim(StringView(line).substr(0, equals))), EntrySource(source, truncated), Variant::Null(), -1});
  }
}

void TRADerevuBaseComponent::FillKey4Locate() {
  vLocate.clear();
  if (FDatasetKeys.empty() || !KeyedModeOrRowMode()) return;
  const bool truncated = FieldIsTruncated();
  String keys = UpperCase(FDatasetKeys) + u";";
  String key;
  while (!keys.empty()) {
    GetNextItem(u";", keys, key);
    for (int i = 0; i < FMappings.Count(); ++i) {
      const String line = FMappings.Get(i);
      const size_t equals = line.find(u'=');
      if (UpperCase(Trim(StringView(line).substr(0, equals))) != key) continue;
      const String source = equals == String::npos ? String() : line.substr(equals + 1);
      vLocate.push_back({key, EntrySource(source, truncated), Variant::Null(), -1});
      break;
    }
  }
}

void TRADerevuBaseComponent::BuildArrayIntersection() {
  const bool keyed = KeyedModeOrRowMode();
  vFields.clear();
  if (vValues.empty() && (!keyed || vLocate.empty())) return;
  auto slotOf = [this](const String& name) -> Integer {
    for (size_t f = 0; f < vFields.size(); ++f) {
      if (vFields[f].Name == name) return static_cast<Integer>(f);
    }
    return -1;
  };
  vFields = vValues;
  for (const TSMIValueEntry& entry : vLocate) {
    if (slotOf(entry.Name) < 0) vFields.push_back(entry);
  }
  for (TSMIValueEntry& entry : vFields) {
    const TField* field = FDataSet->FindField(entry.Name);
    entry.FieldLink = field == nullptr ? -1 : FDataSet->Fields().IndexOf(field);
  }
  // When a destination is mapped twice, the later line's value wins.
  for (TSMIValueEntry& entry : vValues) entry.FieldLink = -1;
  for (size_t f = 0; f < vFields.size(); ++f) {
    for (TSMIValueEntry& entry : vValues) {
      if (entry.Name != vFields[f].Name) continue;
      entry.FieldLink = static_cast<Integer>(f);
      break;
    }
  }
  if (keyed) {
    for (TSMIValueEntry& entry : vLocate) entry.FieldLink = slotOf(entry.Name);
  }
}

// ---------------------------------------------------------------------------
// The row loop

void TRADerevuBaseComponent::Prepare() {
  FInTransaction = false;
  BuildFieldMapping();
  BuildArrayIntersection();
  PlanSourceColumns();
  TDataSet& dataSet = *FDataSet;
  const bool sql = FActionKind == akGenerateSQL;
  dataSet.DisableControls();
  auto finish = [&] {
    if (FInTransaction && OnFinishTransaction) OnFinishTransaction(this);
    FInTransaction = false;
    FSourceColumns.clear();
    dataSet.First();
    dataSet.EnableControls();
  };
  try {
    FStatistic.TotalCount = FStatistic.TotalImported = FStatistic.TotalAdded = FStatistic.TotalDeleted = 0;
    FStatistic.TotalUpdated = FStatistic.TotalErrors = FStatistic.TotalSkipped = 0;
    FStatistic.LastAction = iaUnknown;
    FStatistic.LastGeneratedSQL.clear();
    FStatistic.CurrentRow = FStatistic.CurrentCol = 0;
    FStatistic.CurrentParsedValue = Variant();
    FRunTableName = GetTableName();

    if (FMode == imCopy) {
      dataSet.First();
      while (!dataSet.Eof()) {
        if (sql)
          dataSet.Next();
        else
          dataSet.Delete();
        ++FStatistic.TotalDeleted;
      }
      if (sql) FStatistic.LastGeneratedSQL = u"DELETE FROM " + FRunTableName;
    }

    GoFirst();
    FStatistic.TotalCount = std::min(GetTotalCount(), FRowLast);
    if (FAnimatedStatus) ChangeProgressDlg(0, FStatistic.TotalCount, 0);
    FFound = false;
    Abort = false;
    FProgressStep = 0;
    // A commit count below 1 would divide by zero; every row is its own
    // batch then.
    const Integer commitCount = std::max<Integer>(FCommitCount, 1);

    while (!Abort && !ProgressCanceled() && IsGoodRow(FStatistic.TotalImported) && NeedMore()) {
      WaitWhilePaused();
      if (Abort || ProgressCanceled()) break;
      if (FStatistic.TotalImported % commitCount == 0) {
        if (FInTransaction) {
          FInTransaction = false;
          if (OnFinishTransaction) OnFinishTransaction(this);
        }
        if (OnStartTransaction) {
          OnStartTransaction(this);
          FInTransaction = true;
        }
      }
      if (FAnimatedStatus) {
        if (FProgressStep >= FStatistic.UpdateStep) {
          UpdateProgressDlg(FTitleStatus, Counters());
          FProgressStep = 0;
        }
        ++FProgressStep;
      }
      ++FStatistic.TotalImported;
      ++FStatistic.CurrentRow;
      if (FStatistic.CurrentRow > FStatistic.TotalCount) UpdateTotalCount();
      FStatistic.LastAction = iaUnknown;
      FRowErrorCounted = false;
      try {
        if (LoadRecord())
          ProcessAcceptedRow();
        else
          ++FStatistic.TotalSkipped;
      } catch (const Exception& error) {
        // A row that fails before its write (conversion, expression, reader,
        // locate, events) is lost too, so it counts as an error.
        if (!FRowErrorCounted) ++FStatistic.TotalErrors;
        if (OnErrorEvent) {
          Abort = FAbortOnProblem;
          OnErrorEvent(this, error, Abort);
          if (Abort) throw;
        }
      }
      Abort = false;
      if (OnAfterRecordEvent) OnAfterRecordEvent(this, Abort);
      GoNext();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TRADerevuBaseComponent::UpdateTotalCount() {
  FStatistic.TotalCount = std::max(std::min(GetTotalCount(), FRowLast), FStatistic.CurrentRow);
  if (FAnimatedStatus) ChangeProgressDlg(0, FStatistic.TotalCount, FStatistic.CurrentRow);
}

void TRADerevuBaseComponent::WaitWhilePaused() {
  while (!Abort && !ProgressCanceled() && ProgressPaused()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ProcessImportMessages();
  }
}

void TRADerevuBaseComponent::ProcessAcceptedRow() {
  FRowMode = FMode;
  if (OnGetRowMode) OnGetRowMode(this, vFields, FRowMode);
  FSQLFields.clear();
  FSQLValues.clear();
  FSQLWhere.clear();
  if (IsKeyedMode(FRowMode) && !FDatasetKeys.empty() && !vLocate.empty()) LocateRow();
  if (OnBeforeUpdate) OnBeforeUpdate(this);
  FStatistic.LastAction = ActionFor(FRowMode, FFound);

  const Integer added = FStatistic.TotalAdded;
  const Integer updated = FStatistic.TotalUpdated;
  const Integer deleted = FStatistic.TotalDeleted;
  try {
    WriteRow();
  } catch (const Exception& error) {
    if (FActionKind == akDatasetApply && IsEditState(FDataSet->State())) FDataSet->Cancel();
    FStatistic.TotalAdded = added;
    FStatistic.TotalUpdated = updated;
    FStatistic.TotalDeleted = deleted;
    ++FStatistic.TotalErrors;
    FRowErrorCounted = true;
    if (OnErrorEvent) {
      Abort = FAbortOnProblem;
      OnErrorEvent(this, error, Abort);
      if (Abort) throw;
    }
  }
}

void TRADerevuBaseComponent::LocateRow() {
  Variant keys;
  if (vLocate.size() == 1) {
    keys = vLocate[0].Value;
  } else {
    std::vector<Variant> values;
    values.reserve(vLocate.size());
    for (const TSMIValueEntry& entry : vLocate) values.push_back(entry.Value);
    keys = Variant::ArrayOf(std::move(values));
  }
  if (FActionKind == akGenerateSQL) {
    for (size_t i = 0; i < vLocate.size(); ++i) AddWhereClause(static_cast<int>(i));
  }
  bool exist = true;
  bool executeLocate = true;
  if (OnLocateRecord) OnLocateRecord(this, FDatasetKeys, keys, exist, executeLocate);
  FFound = exist && executeLocate ? FDataSet->Locate(FDatasetKeys, keys, 0) : exist;
}

void TRADerevuBaseComponent::WriteRow() {
  TDataSet& dataSet = *FDataSet;
  const bool sql = FActionKind == akGenerateSQL;
  const TSMIAction action = FStatistic.LastAction;
  switch (action) {
    case iaAdd:
      if (!sql) dataSet.Append();
      ++FStatistic.TotalAdded;
      break;
    case iaUpdate:
      if (!sql) dataSet.Edit();
      ++FStatistic.TotalUpdated;
      break;
    case iaDelete:
      if (!sql) dataSet.Delete();
      ++FStatistic.TotalDeleted;
      break;
    case iaUnknown: break;
  }
  if (!sql && !IsEditState(dataSet.State())) return;

  const String keys = sql ? u";" + UpperCase(FDatasetKeys) + u";" : String();
  // The value being written is copied into the statistic when a handler
  // can look at it, and when the row's writing ends (also by an error): a
  // copy per value would cost more than the write.
  const Variant* current = nullptr;
  TScopeExit keepCurrent([&] {
    if (current != nullptr) FStatistic.CurrentParsedValue = *current;
  });
  for (const TSMIValueEntry& entry : vValues) {
    const Integer slot = entry.FieldLink;
    FStatistic.CurrentCol = slot;
    if (slot < 0 || slot >= static_cast<Integer>(vFields.size())) continue;
    const Integer index = vFields[static_cast<size_t>(slot)].FieldLink;
    if (index < 0 || index >= dataSet.Fields().Count()) continue;
    TField* field = dataSet.Fields()[index];
    current = &entry.Value;
    if (OnBeforeFieldUpdate) FStatistic.CurrentParsedValue = entry.Value;
    bool accept = !(sql && field->IsBlob() && field->DataType() != ftMemo && field->DataType() != ftFmtMemo);
    // Only a handler may change the value; without one the entry's own is
    // written as it is.
    Variant changed;
    if (OnBeforeFieldUpdate) {
      changed = entry.Value;
      OnBeforeFieldUpdate(this, field, changed, accept);
    }
    const Variant& value = OnBeforeFieldUpdate ? changed : entry.Value;
    if (!accept) continue;
    if (!sql) {
      SetFieldValue(*field, value);
      continue;
    }
    const String name = GetSQLFieldName(field->FieldName());
    FSQLFields.push_back(name);
    if (action == iaAdd)
      FSQLValues.push_back(GetSQLValue(value, field));
    else if (action == iaUpdate && keys.find(u";" + UpperCase(field->FieldName()) + u";") == String::npos)
      FSQLValues.push_back(name + u"=" + GetSQLValue(value, field));
  }
  if (sql)
    FStatistic.LastGeneratedSQL = BuildSQLStatement(action);
  else if (IsEditState(dataSet.State()))
    dataSet.Post();
}

void TRADerevuBaseComponent::SetFieldValue(TField& field, const Variant& value) {
  if (IsEmptyText(value)) {
    // A new record keeps its defaults; an existing one loses the value.
    if (FStatistic.LastAction != iaAdd) field.Clear();
    return;
  }
  // Large integers go through their text so no digit is lost on the way;
  // every other field checks its own range, so a value too large for a
  // 32-bit field is refused (counted as an error) instead of wrapping.
  const TFieldType type = field.DataType();
  if (type == ftLargeint)
    field.SetAsString(VarToStr(value));
  else if (const String* text = value.StringValue(); text != nullptr && type == ftWideString)
    field.SetAsString(*text);  // what the variant road does, less a copy of the text
  else
    field.SetAsVariant(value);
}
