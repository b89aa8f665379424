// TMemDataSet: local master/detail. The detail keeps only the records whose
// link fields equal the master's current values; the master's moves reach
// it through TDADetailDataLink, and the refresh runs at once or, with a
// detail delay, when the one-shot timer fires.
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "table/MemData.h"
#include "table/MemDataSet.h"

namespace {
constexpr char16_t SMasterNotMemDataSet[] = u"Master dataset must be inherited from TMemDataSet";
constexpr char16_t SCircularDataLink[] = u"Circular datalinks are not allowed";

TDataSet* MasterOf(const TMemDataSet* dataSet) {
  TDataSource* source = dataSet->MasterSource();
  return source != nullptr ? source->DataSet() : nullptr;
}

bool IsEditing(TDataSetState state) { return state == dsEdit || state == dsInsert; }

// Calls pair(masterName, detailName) for the two field lists walked in step
// until either runs out.
template <class Pair>
void ForEachFieldPair(const String& masterFields, const String& detailFields, Pair pair) {
  std::vector<String> masterNames = SplitFieldNames(masterFields);
  std::vector<String> detailNames = SplitFieldNames(detailFields);
  for (size_t i = 0; i < masterNames.size() && i < detailNames.size(); ++i) pair(masterNames[i], detailNames[i]);
}
}  // namespace

String SplitFieldName(const String& fields, size_t& pos) {
  size_t end = fields.find(u';', pos);
  if (end == String::npos) end = fields.size();
  String name = Trim(StringView(fields).substr(pos, end - pos));
  pos = end + 1;
  return name;
}

std::vector<String> SplitFieldNames(const String& fields) {
  std::vector<String> names;
  for (size_t pos = 0; pos < fields.size();) names.push_back(SplitFieldName(fields, pos));
  return names;
}

// ---------------------------------------------------------------------------
// The link

void TDADetailDataLink::ActiveChanged() {
  if (FDataSet != nullptr && FDataSet->Active() && Active()) FDataSet->MasterRecordChanged();
}

void TDADetailDataLink::RecordChanged(TField* field) {
  if (FDataSet == nullptr || !FDataSet->Active()) return;
  TDataSet* master = DataSet();
  if (field != nullptr && field->DataSet() != master) return;
  // A master field typed while the detail edits, or into a new master
  // record, waits: the detail's records must not vanish under its edit.
  if (field == nullptr ||
      (!IsEditing(FDataSet->State()) &&
       (master == nullptr || master->State() != dsInsert || FDataSet->RefreshParamsOnInsert))) {
    FDataSet->MasterRecordChanged();
  }
}

void TDADetailDataLink::CheckBrowseMode() {
  if (FDataSet == nullptr || !FDataSet->Active()) return;
  TDataSet* master = DataSet();
  // A detail record made for a new master record is kept open until the
  // master is posted.
  if (master != nullptr && master->State() == dsInsert && IsEditing(FDataSet->State())) return;
  FDataSet->CheckBrowseMode();
}

// ---------------------------------------------------------------------------
// Properties

bool TMemDataSet::UseLocalMasterDetailFilter() {
  return MasterSource() != nullptr && !FMasterFields.empty() && !FDetailFields.empty();
}

void TMemDataSet::InstallMDFilter() {
  if (FData == nullptr) return;
  if (UseLocalMasterDetailFilter()) FData->FFilterMDFunc = [this](TRecBuf recBuf) { return LocalDetailFilter(recBuf); };
  else FData->FFilterMDFunc = nullptr;
}

void TMemDataSet::SetMasterSource(TDataSource* value) {
  if (value == MasterSource()) return;
  // A chain of masters that comes back to this dataset would refresh forever.
  TDataSet* ds = value != nullptr ? value->DataSet() : nullptr;
  while (ds != nullptr) {
    if (ds == this) throw Exception(SCircularDataLink);
    auto* mem = dynamic_cast<TMemDataSet*>(ds);
    ds = mem != nullptr ? MasterOf(mem) : nullptr;
  }
  bool wasConnected = MasterSource() != nullptr;
  FDataLink.SetDataSource(value);
  InstallMDFilter();
  if (wasConnected || value != nullptr) MDPropertiesChanged();
}

void TMemDataSet::SetMasterFields(const String& value) {
  if (value == FMasterFields) return;
  FMasterFields = value;
  InstallMDFilter();
  if (MasterSource() != nullptr) MDPropertiesChanged();
}

void TMemDataSet::SetDetailFields(const String& value) {
  if (value == FDetailFields) return;
  FDetailFields = value;
  InstallMDFilter();
  if (MasterSource() != nullptr) MDPropertiesChanged();
}

void TMemDataSet::SetDetailDelay(Cardinal value) {
  if (value == FDetailDelay) return;
  if (FDetailRefreshTimer == nullptr) {
    FDetailRefreshTimer = std::make_unique<TOneShotTimer>();
    FDetailRefreshTimer->OnTimer = [this](TOneShotTimer*) { RefreshDetail(); };
  }
  FDetailRefreshTimer->SetInterval(value);
  FDetailDelay = value;
}

void TMemDataSet::MDPropertiesChanged() {
  if (!Active()) return;
  MDLinksRefreshed();
  RefreshView(false);
}

void TMemDataSet::GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) {
  masterFields.clear();
  detailFields.clear();
  TDataSet* master = MasterOf(this);
  if (master == nullptr || !master->Active() || FMasterFields.empty() || FDetailFields.empty()) return;
  ForEachFieldPair(FMasterFields, FDetailFields, [&](const String& masterName, const String& detailName) {
    TField* masterField = master->FindField(masterName);
    if (masterField == nullptr) return;
    masterFields.push_back(masterField);
    if (TField* detailField = FindField(detailName)) detailFields.push_back(detailField);
  });
}

// ---------------------------------------------------------------------------
// Links and the filter

bool TMemDataSet::SetLocalMDLinks() {
  FLocalMDLinks.clear();
  TDataSet* masterDataSet = MasterOf(this);
  if (masterDataSet == nullptr || !masterDataSet->Active() || FData == nullptr) return true;
  auto* master = dynamic_cast<TMemDataSet*>(masterDataSet);
  if (master == nullptr || master->Data() == nullptr) throw Exception(SMasterNotMemDataSet);
  ForEachFieldPair(FMasterFields, FDetailFields, [&](const String& masterName, const String& detailName) {
    TField* masterField = master->FindField(masterName);
    if (masterField == nullptr || FindField(detailName) == nullptr) return;
    TFieldDesc* detailDesc = FData->FieldByName(detailName);
    master->Data()->FieldByName(masterName);  // the master field must have a descriptor too
    TLocalMDLink link;
    link.FieldNo = detailDesc->FFieldNo;
    link.IsNull = masterField->IsNull();
    if (!link.IsNull) {
      link.IsNull = !CopyFieldValue(masterField->AsVariant(), link.Buffer, true, detailDesc->GetMappedDataType(),
                                    link.BufferType);
    }
    FLocalMDLinks.push_back(std::move(link));
  });
  return true;
}

bool TMemDataSet::LocalDetailFilter(TRecBuf recBuf) {
  TDataSet* master = MasterOf(this);
  if (master != nullptr && master->Active() && master->IsEmpty() && !RefreshParamsOnInsert) return false;
  for (const TLocalMDLink& link : FLocalMDLinks) {
    TFieldDesc* desc = FData->Fields()[link.FieldNo - 1];
    bool recordNull = FData->GetNull(desc, recBuf);
    if (link.IsNull || recordNull) {
      if (link.IsNull != recordNull) return false;
      continue;
    }
    if (FData->CompareFieldValue(link.Buffer.data(), link.BufferType, desc, recBuf, 0) != 0) return false;
  }
  return true;
}

void TMemDataSet::MasterRecordChanged() {
  TDataSet* master = MasterOf(this);
  if (master == nullptr || !master->Active() || master->State() == dsSetKey) return;
  MDLinksRefreshed();
  if (FDetailRefreshTimer != nullptr && FDetailRefreshTimer->Interval() > 0) {
    // Restarting moves the deadline: a quick run of master moves refreshes once.
    FDetailRefreshTimer->SetEnabled(false);
    FDetailRefreshTimer->SetEnabled(true);
  } else {
    RefreshDetail();
  }
}

void TMemDataSet::RefreshDetail() {
  if (FDetailRefreshTimer != nullptr) FDetailRefreshTimer->SetEnabled(false);
  if (Active() && UseLocalMasterDetailFilter()) RefreshView(true);
}

void TMemDataSet::AssignMasterLinkValues() {
  TDataSet* master = MasterOf(this);
  if (master == nullptr || !master->Active() || FMasterFields.empty() || FDetailFields.empty()) return;
  ForEachFieldPair(FMasterFields, FDetailFields, [&](const String& masterName, const String& detailName) {
    TField* masterField = master->FindField(masterName);
    TField* detailField = FindField(detailName);
    if (masterField == nullptr || detailField == nullptr || detailField->ReadOnly()) return;
    detailField->SetAsVariant(masterField->AsVariant());
  });
}
