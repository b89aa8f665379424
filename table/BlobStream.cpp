#include "table/BlobStream.h"

#include <algorithm>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Exceptions.h"
#include "table/MemDataSet.h"

TBlobStream::TBlobStream(TBlobField* field, TBlobStreamMode mode) : FField(field), FMode(mode) {
  FDataSet = dynamic_cast<TMemDataSet*>(field->DataSet());
  Assert(FDataSet != nullptr, u"ZizOD");
  FTrueUnicode = dynamic_cast<TWideMemoField*>(field) != nullptr;
  FFieldDesc = FDataSet->GetFieldDesc(field);
  FBuffer = FDataSet->GetActiveRecBuf();
  if (FBuffer == nullptr || FFieldDesc == nullptr) return;
  if (!field->Modified() && mode != bmRead) {
    if (field->ReadOnly()) DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
    TDataSetState state = FDataSet->State();
    if (state != dsEdit && state != dsInsert && state != dsNewValue) FDataSet->DatabaseError(DBMessages::SNotEditing);
  }
  FOpened = true;
  if (mode == bmWrite) {
    // An empty blob needs no cut (and no rollback copy made for one).
    if (FDataSet->Data()->GetBlobSize(FFieldDesc, FBuffer, false, TrueUnicode()) != 0) {
      FDataSet->Data()->TruncateBlob(FFieldDesc, FBuffer, 0, TrueUnicode());
    }
    // Emptying the value is a change already: a stream that writes nothing
    // (clearing the field) must still be posted, not cancelled.
    FModified = true;
  }
}

TBlobStream::~TBlobStream() {
  if (!FModified) return;
  if (FOpened) FField->SetModified(true);
  try {
    FDataSet->DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(FField));
  } catch (...) {
    // A destructor cannot pass the failure of a change handler on.
  }
}

bool TBlobStream::FromRollback() const { return FDataSet->State() == dsOldValue; }

bool TBlobStream::TrueUnicode() const { return FTrueUnicode; }

Int64 TBlobStream::Read(void* buffer, Int64 count) {
  if (!FOpened) return 0;
  Int64 rest = FDataSet->Data()->GetBlobSize(FFieldDesc, FBuffer, FromRollback(), TrueUnicode()) - FPosition;
  count = std::min(count, rest);
  // Past the end there is nothing to read, not a negative amount.
  if (count <= 0) return 0;
  Int64 read = FDataSet->Data()->ReadBlob(FFieldDesc, FBuffer, FPosition, count, buffer, FromRollback(), TrueUnicode());
  FPosition += read;
  return read;
}

// A stream opened for reading never changes the value: its record may not be
// in edit mode at all.
bool TBlobStream::CanWrite() const { return FOpened && FMode != bmRead; }

Int64 TBlobStream::Write(const void* buffer, Int64 count) {
  if (!CanWrite() || count <= 0) return 0;
  FDataSet->Data()->WriteBlob(FFieldDesc, FBuffer, FPosition, count, buffer, TrueUnicode());
  FPosition += count;
  FModified = true;
  return count;
}

Int64 TBlobStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 base = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning: base = 0; break;
    case TSeekOrigin::soCurrent: base = FPosition; break;
    case TSeekOrigin::soEnd:
      base = FOpened ? FDataSet->Data()->GetBlobSize(FFieldDesc, FBuffer, FromRollback(), TrueUnicode()) : 0;
      break;
  }
  FPosition = std::max<Int64>(0, base + offset);
  return FPosition;
}

void TBlobStream::SetSize(Int64 newSize) {
  if (!CanWrite()) return;
  FDataSet->Data()->SetBlobSize(FFieldDesc, FBuffer, newSize, FromRollback(), TrueUnicode());
  FModified = true;
}

void TBlobStream::Truncate() {
  if (!CanWrite()) return;
  FDataSet->Data()->TruncateBlob(FFieldDesc, FBuffer, FPosition, TrueUnicode());
  FModified = true;
}
