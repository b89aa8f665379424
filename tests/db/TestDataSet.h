// A reference dataset for tests: records in a vector, each with a serial
// number that is its bookmark (never reused, so a bookmark outlives inserts
// and deletes of other records), blobs and variants in pools. It implements
// the Internal* operations the plainest way and logs each call, so that a
// test can check the base's call order against it, and later datasets can be
// checked against the same expectations.
//
// Record layout: for each field definition, one null flag byte and the
// native value (blobs and variants: a 32-bit pool index). A buffer is the
// record, the calculation area, then the serial (32 bits), the bookmark
// flag and the index the record had when the buffer was filled.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"

class TTestDataSet : public TDataSet {
 public:
  explicit TTestDataSet(TComponent* owner = nullptr) : TDataSet(owner) {}
  ~TTestDataSet() override {
    try {
      Close();
    } catch (...) {
    }
  }

  // Where the Internal* calls are written, when set.
  std::vector<std::string>* CallLog = nullptr;
  // Refuses changes (CanModify false, deletes raise).
  bool ReadOnlyData = false;
  // Runs inside InternalOpen before the fields are made; may raise.
  std::function<void()> OnInternalOpen;

  int StoredCount() const { return static_cast<int>(FRecords.size()); }

  Integer GetRecordCount() override { return StoredCount(); }

  Integer GetRecNo() override {
    if (IsEmpty() || GetBookmarkFlag(FActiveBuffer) != bfCurrent) return -1;
    return IndexOfBuffer(FActiveBuffer) + 1;
  }

  void SetRecNo(Integer value) override {
    CheckBrowseMode();
    if (value < 1 || value > StoredCount()) return;
    DoBeforeScroll();
    FCurrent = value - 1;
    Resync();
    DoAfterScroll();
  }

  bool BookmarkValid(const TBookmark& bookmark) override {
    return Active() && IndexOfSerial(SerialOf(bookmark)) >= 0;
  }

  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
    int ia = IndexOfSerial(SerialOf(a)), ib = IndexOfSerial(SerialOf(b));
    return ia < ib ? -1 : ia > ib ? 1 : 0;
  }

  // First record whose keyFields field equals keyValue.
  Variant Lookup(const String& keyFields, const Variant& keyValue, const String& resultField) override {
    Variant result = Variant::Null();
    for (Integer r = 1; r <= StoredCount() && result.IsNull(); ++r) {
      ReadRow(r, [&] {
        if (VarSameValue(FieldByName(keyFields)->AsVariant(), keyValue)) result = FieldByName(resultField)->AsVariant();
      });
    }
    return result;
  }

  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override {
    if (mode != bmRead) {
      if (State() != dsEdit && State() != dsInsert) DatabaseError(DBMessages::SNotEditing);
      if (field->ReadOnly()) DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
    }
    TRecordBuffer record = GetActiveRecBuf();
    if (record == nullptr || field->FieldNo() < 1) return std::make_unique<TBlobStream>(this, field, nullptr);
    Byte* slot = SlotOf(record, field);
    if (mode == bmRead) {
      static std::vector<Byte> none;
      return std::make_unique<TBlobStream>(this, field, slot[0] ? &FBlobs[PoolIndex(slot)] : &none);
    }
    // A write works on a copy, so that a cancelled edit keeps the old value;
    // a write-only stream starts empty, which is already a change.
    FBlobs.push_back(mode == bmReadWrite && slot[0] ? FBlobs[PoolIndex(slot)] : std::vector<Byte>());
    SetPoolIndex(slot, FBlobs.size() - 1);
    return std::make_unique<TBlobStream>(this, field, &FBlobs.back(), slot, mode == bmWrite);
  }

 protected:
  // A stream over a pooled blob value; a write sets the record's null flag
  // and tells the dataset when the stream goes.
  class TBlobStream : public TStream {
   public:
    // A stream with a slot writes; modified says it changed the value already.
    TBlobStream(TTestDataSet* dataSet, TField* field, std::vector<Byte>* data, Byte* slot = nullptr,
                bool modified = false)
        : FDataSet(dataSet), FField(field), FData(data), FSlot(slot), FModified(modified) {}
    ~TBlobStream() override {
      if (!FModified) return;
      FSlot[0] = FData->empty() ? 0 : 1;
      if (auto* blob = dynamic_cast<TBlobField*>(FField)) blob->SetModified(true);
      FDataSet->DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(FField));
    }
    Int64 Read(void* buffer, Int64 count) override {
      if (FData == nullptr || FPosition >= static_cast<Int64>(FData->size())) return 0;
      count = std::min<Int64>(count, static_cast<Int64>(FData->size()) - FPosition);
      std::memcpy(buffer, FData->data() + FPosition, static_cast<size_t>(count));
      FPosition += count;
      return count;
    }
    Int64 Write(const void* buffer, Int64 count) override {
      if (FSlot == nullptr || count <= 0) return 0;
      if (FData->size() < static_cast<size_t>(FPosition + count)) FData->resize(static_cast<size_t>(FPosition + count));
      std::memcpy(FData->data() + FPosition, buffer, static_cast<size_t>(count));
      FPosition += count;
      FModified = true;
      return count;
    }
    Int64 Seek(Int64 offset, TSeekOrigin origin) override {
      Int64 size = FData != nullptr ? static_cast<Int64>(FData->size()) : 0;
      Int64 base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? FPosition : size;
      FPosition = std::max<Int64>(0, base + offset);
      return FPosition;
    }
    void SetSize(Int64 newSize) override {
      if (FSlot == nullptr) return;
      FData->resize(static_cast<size_t>(std::max<Int64>(0, newSize)));
      FModified = true;
    }

   private:
    TTestDataSet* FDataSet;
    TField* FField;
    std::vector<Byte>* FData;
    Byte* FSlot;
    bool FModified;
    Int64 FPosition = 0;
  };

  void Log(const std::string& text) {
    if (CallLog != nullptr) CallLog->push_back(text);
  }

  TRecordBuffer AllocRecordBuffer() override { return new Byte[BufferSize()](); }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    delete[] buffer;
    buffer = nullptr;
  }

  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override {
    static const char* names[] = {"current", "next", "prior"};
    Log(std::string("GetRecord(") + names[mode] + ")");
    int count = StoredCount();
    switch (mode) {
      case gmNext:
        if (FCurrent + 1 >= count) {
          FCurrent = count;
          return grEOF;
        }
        ++FCurrent;
        break;
      case gmPrior:
        if (FCurrent - 1 < 0) {
          FCurrent = -1;
          return grBOF;
        }
        --FCurrent;
        break;
      case gmCurrent:
        if (FCurrent < 0) return grBOF;
        if (FCurrent >= count) return grEOF;
        break;
    }
    FillBuffer(buffer, true);
    return grOK;
  }

  bool GetRecordAt(Integer recNo, TRecordBuffer buffer) override {
    Log("GetRecordAt(" + std::to_string(recNo) + ")");
    if (recNo < 1 || recNo > StoredCount()) return false;
    FCurrent = recNo - 1;
    FillBuffer(buffer, false);  // the base computes the row's calculated fields
    return true;
  }

  Integer GetRecordSize() override { return FRecordSize; }

  void GetBookmarkData(TRecordBuffer buffer, TBookmark& data) override {
    data.assign(buffer + InfoOffset(), buffer + InfoOffset() + 4);
  }
  void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override {
    std::memcpy(buffer + InfoOffset(), data.data(), std::min<size_t>(4, data.size()));
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override {
    return static_cast<TBookmarkFlag>(buffer[InfoOffset() + 4]);
  }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override { buffer[InfoOffset() + 4] = flag; }

  void InternalGotoBookmark(const TBookmark& bookmark) override {
    Log("InternalGotoBookmark");
    int index = IndexOfSerial(SerialOf(bookmark));
    // An unknown bookmark leaves the cursor past the end: nothing is there.
    FCurrent = index >= 0 ? index : StoredCount();
  }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    Log("InternalSetToRecord");
    int index = IndexOfBuffer(buffer);
    FCurrent = index >= 0 ? index : StoredCount();
  }
  void InternalFirst() override {
    Log("InternalFirst");
    FCurrent = -1;
  }
  void InternalLast() override {
    Log("InternalLast");
    FCurrent = StoredCount();
  }

  void InternalOpen() override {
    Log("InternalOpen");
    if (OnInternalOpen) OnInternalOpen();
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FSlots.clear();
    FRecordSize = 0;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
      FSlots.push_back(FRecordSize);
      FRecordSize += 1 + ValueSize(FieldDefs()[i]);
    }
    FCurrent = -1;
    FOpen = true;
  }
  void InternalClose() override {
    Log("InternalClose");
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FOpen = false;
  }
  bool IsCursorOpen() const override { return FOpen; }
  void InternalInitFieldDefs() override {}

  void OpenCursor(bool infoQuery) override {
    TDataSet::OpenCursor(infoQuery);
    if (!infoQuery) FOldBuffer = AllocRecordBuffer();
  }
  void CloseCursor() override {
    if (FOldBuffer != nullptr) FreeRecordBuffer(FOldBuffer);
    TDataSet::CloseCursor();
  }

  void InternalInitRecord(TRecordBuffer buffer) override {
    Log("InternalInitRecord");
    std::memset(buffer, 0, static_cast<size_t>(FRecordSize));
    SetSerial(buffer, 0);
  }
  void InternalInsert() override { Log("InternalInsert"); }
  void InternalEdit() override { Log("InternalEdit"); }
  void InternalCancel() override { Log("InternalCancel"); }
  void InternalRefresh() override { Log("InternalRefresh"); }

  void InternalPost() override {
    Log("InternalPost");
    TDataSet::InternalPost();
    std::vector<Byte> data(FActiveBuffer, FActiveBuffer + FRecordSize);
    if (State() == dsEdit) {
      FRecords[static_cast<size_t>(FCurrent)].Data = std::move(data);
      return;
    }
    int at = std::clamp(FCurrent, 0, StoredCount());
    FRecords.insert(FRecords.begin() + at, Record{++FLastSerial, std::move(data)});
    FCurrent = at;
  }

  void InternalDelete() override {
    Log("InternalDelete");
    if (ReadOnlyData) DatabaseError(DBMessages::SDataSetReadOnly);
    FRecords.erase(FRecords.begin() + FCurrent);
  }

  bool GetCanModify() const override { return !ReadOnlyData; }

  // Old values: the stored record of the active one (none for a new one).
  TRecordBuffer GetActiveRecBuf() override {
    if (State() != dsOldValue || ReadingRow()) return TDataSet::GetActiveRecBuf();
    int index = IsEmpty() ? -1 : IndexOfBuffer(FActiveBuffer);
    if (index < 0 || GetBookmarkFlag(FActiveBuffer) != bfCurrent) return nullptr;
    std::memcpy(FOldBuffer, FRecords[static_cast<size_t>(index)].Data.data(), static_cast<size_t>(FRecordSize));
    return FOldBuffer;
  }

  bool ReadRecordField(TRecordBuffer record, TField* field, void* value) override {
    const Byte* slot = SlotOf(record, field);
    if (slot[0] == 0) return false;
    if (value == nullptr || field->IsBlob()) return true;
    if (field->DataType() == ftVariant) {
      *static_cast<Variant*>(value) = FVariants[PoolIndex(slot)];
    } else {
      Integer size = std::min(ValueSize(FieldDefs()[field->FieldNo() - 1]), field->DataSize());
      std::memcpy(value, slot + 1, static_cast<size_t>(size));
    }
    return true;
  }

  void WriteRecordField(TRecordBuffer record, TField* field, const void* value) override {
    Byte* slot = SlotOf(record, field);
    slot[0] = value != nullptr ? 1 : 0;
    if (value == nullptr || field->IsBlob()) return;
    if (field->DataType() == ftVariant) {
      FVariants.push_back(*static_cast<const Variant*>(value));
      SetPoolIndex(slot, FVariants.size() - 1);
    } else {
      Integer size = ValueSize(FieldDefs()[field->FieldNo() - 1]);
      std::memset(slot + 1, 0, static_cast<size_t>(size));
      std::memcpy(slot + 1, value, static_cast<size_t>(std::min(size, field->DataSize())));
    }
  }

 private:
  struct Record {
    Cardinal Serial;
    std::vector<Byte> Data;
  };

  static Integer ValueSize(const TFieldDef* def) {
    switch (def->DataType()) {
      case ftString: case ftFixedChar: case ftGuid: return def->Size() + 1;
      case ftWideString: case ftFixedWideChar: return (def->Size() + 1) * 2;
      case ftSmallint: case ftWord: case ftBoolean: case ftShortint: case ftByte: return 2;
      case ftInteger: case ftAutoInc: case ftLongWord: case ftDate: case ftTime: case ftSingle: return 4;
      case ftLargeint: case ftFloat: case ftCurrency: case ftDateTime: case ftExtended: return 8;
      case ftBCD: case ftFMTBcd: return sizeof(TBcd);
      case ftTimeStamp: return sizeof(TSQLTimeStamp);
      case ftTimeStampOffset: return sizeof(TSQLTimeStampOffset);
      case ftBytes: return def->Size();
      case ftVarBytes: return def->Size() + 2;
      case ftBlob: case ftMemo: case ftWideMemo: case ftGraphic: case ftVariant: return 4;
      default: return 0;
    }
  }

  Integer InfoOffset() const { return FRecordSize + FCalcFieldsSize; }
  Integer BufferSize() const { return InfoOffset() + 9; }
  Byte* SlotOf(TRecordBuffer record, const TField* field) const {
    return record + FSlots.at(static_cast<size_t>(field->FieldNo() - 1));
  }
  static size_t PoolIndex(const Byte* slot) {
    Cardinal index;
    std::memcpy(&index, slot + 1, 4);
    return index;
  }
  static void SetPoolIndex(Byte* slot, size_t index) {
    auto value = static_cast<Cardinal>(index);
    std::memcpy(slot + 1, &value, 4);
  }
  Cardinal SerialOf(TRecordBuffer buffer) const {
    Cardinal serial;
    std::memcpy(&serial, buffer + InfoOffset(), 4);
    return serial;
  }
  static Cardinal SerialOf(const TBookmark& bookmark) {
    Cardinal serial = 0;
    if (bookmark.size() == 4) std::memcpy(&serial, bookmark.data(), 4);
    return serial;
  }
  void SetSerial(TRecordBuffer buffer, Cardinal serial) { std::memcpy(buffer + InfoOffset(), &serial, 4); }
  // The record a buffer shows: where it was when the buffer was filled,
  // unless inserts or deletes moved it since.
  int IndexOfBuffer(TRecordBuffer buffer) const {
    Cardinal serial = SerialOf(buffer);
    Integer hint;
    std::memcpy(&hint, buffer + InfoOffset() + 5, 4);
    if (serial != 0 && hint >= 0 && hint < StoredCount() && FRecords[static_cast<size_t>(hint)].Serial == serial) {
      return hint;
    }
    return IndexOfSerial(serial);
  }
  int IndexOfSerial(Cardinal serial) const {
    if (serial == 0) return -1;
    auto it = std::find_if(FRecords.begin(), FRecords.end(), [serial](const Record& r) { return r.Serial == serial; });
    return it == FRecords.end() ? -1 : static_cast<int>(it - FRecords.begin());
  }
  void FillBuffer(TRecordBuffer buffer, bool calculate) {
    const Record& record = FRecords[static_cast<size_t>(FCurrent)];
    std::memcpy(buffer, record.Data.data(), static_cast<size_t>(FRecordSize));
    SetSerial(buffer, record.Serial);
    SetBookmarkFlag(buffer, bfCurrent);
    std::memcpy(buffer + InfoOffset() + 5, &FCurrent, 4);
    if (calculate) GetCalcFields(buffer);
  }

  std::vector<Record> FRecords;
  std::deque<std::vector<Byte>> FBlobs;
  std::deque<Variant> FVariants;
  std::vector<Integer> FSlots;
  Integer FRecordSize = 0;
  Cardinal FLastSerial = 0;
  int FCurrent = -1;
  bool FOpen = false;
  TRecordBuffer FOldBuffer = nullptr;
};
