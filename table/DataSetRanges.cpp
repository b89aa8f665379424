// TMemDataSet: ranges over the store's index fields. The two bound buffers
// are edited in dsSetKey; the range hook then keeps the records whose index
// values lie between them, field by field in index order.
#include <cstring>

#include "platform/db/DBConsts.h"
#include "table/MemData.h"
#include "table/MemDataSet.h"

namespace {
constexpr char16_t SNoIndexActive[] = u"No index currently active";
}  // namespace

void TMemDataSet::StartRangeEdit(TRecordBuffer& bound, bool clear) {
  if (FStore == nullptr || FStore->IndexFields().empty()) DatabaseError(SNoIndexActive);
  CheckBrowseMode();
  if (clear) {
    std::memset(bound, 0, static_cast<size_t>(FRecBufSize));
    FData->InitRecord(bound);
  }
  FRangeCurrentBuffer = bound;
  SetState(dsSetKey);
}

void TMemDataSet::SetRangeStart() { StartRangeEdit(FRangeStartBuffer, true); }
void TMemDataSet::SetRangeEnd() { StartRangeEdit(FRangeEndBuffer, true); }
void TMemDataSet::EditRangeStart() { StartRangeEdit(FRangeStartBuffer, false); }
void TMemDataSet::EditRangeEnd() { StartRangeEdit(FRangeEndBuffer, false); }

bool TMemDataSet::KeyExclusive() const {
  if (State() != dsSetKey) DatabaseError(DBMessages::SNotEditing);
  return Info(FRangeCurrentBuffer).KeyExclusive != 0;
}

void TMemDataSet::SetKeyExclusive(bool value) {
  if (State() != dsSetKey) DatabaseError(DBMessages::SNotEditing);
  Info(FRangeCurrentBuffer).KeyExclusive = value ? 1 : 0;
  SetModified(true);
}

void TMemDataSet::SetRange(const TKeyValues& startValues, const TKeyValues& endValues, bool startExclusive,
                           bool endExclusive) {
  CheckBrowseMode();
  auto assignBound = [this](const TKeyValues& values, bool exclusive) {
    const TSortColumns& index = FStore->IndexFields();
    for (size_t i = 0; i < values.Values.size() && i < index.size(); ++i) {
      TField* field = Fields().FieldByNumber(index[i].FieldDesc->FFieldNo);
      if (field != nullptr) field->SetAsVariant(values.Values[i]);
    }
    SetKeyExclusive(exclusive);
  };
  SetRangeStart();
  assignBound(startValues, startExclusive);
  SetRangeEnd();
  assignBound(endValues, endExclusive);
  ApplyRange();
}

void TMemDataSet::ApplyRange() {
  if (State() != dsSetKey) return;
  bool modified = Modified();
  CheckBrowseMode();
  if (!modified) return;
  FData->FFilterRangeFunc = [this](TRecBuf recBuf) { return RecordFilterRange(recBuf); };
  RefreshView(true);
  FRanged = true;
}

void TMemDataSet::CancelRange() {
  if (!FRanged) return;
  FData->FFilterRangeFunc = nullptr;
  RefreshView(true);
  FRanged = false;
}

void TMemDataSet::ResetRange() {
  for (TRecordBuffer bound : {FRangeStartBuffer, FRangeEndBuffer}) {
    if (bound == nullptr) continue;
    std::memset(bound, 0, static_cast<size_t>(FRecBufSize));
    FData->InitRecord(bound);
  }
  FData->FFilterRangeFunc = nullptr;
  FRanged = false;
}

bool TMemDataSet::RecordFilterRange(TRecBuf recBuf) {
  const bool startExclusive = Info(FRangeStartBuffer).KeyExclusive != 0;
  const bool endExclusive = Info(FRangeEndBuffer).KeyExclusive != 0;
  for (const TSortColumn& column : FStore->IndexFields()) {
    TFieldDesc* desc = column.FieldDesc;
    // A null record value sorts below any bound; a null bound sets no limit.
    if (!FData->GetNull(desc, FRangeStartBuffer)) {
      int c = FData->CompareFields(FRangeStartBuffer, recBuf, desc, 0);
      if (c > 0 || (c == 0 && startExclusive)) return false;
    }
    if (!FData->GetNull(desc, FRangeEndBuffer)) {
      int c = FData->CompareFields(FRangeEndBuffer, recBuf, desc, 0);
      if (c < 0 || (c == 0 && endExclusive)) return false;
    }
  }
  return true;
}
