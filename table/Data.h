// The record set: field descriptors laid out in fixed-size record buffers,
// the lifecycle of opening and closing, and the complex values (heap strings,
// blobs, variants) that record buffers hold by reference.
#pragma once

#include <functional>

#include <bitset>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"
#include "table/CompareOptions.h"
#include "table/DataTypes.h"
#include "table/FieldDesc.h"
#include "table/FilterExpression.h"
#include "table/StringHeap.h"

class TBlob;
class TBoolParser;
class TDBObject;
class TSharedObject;

using TRecBuf = Byte*;

// Update status of a record under cached updates.
enum TItemStatus : Byte { isUnmodified = 0, isUpdated = 1, isAppended = 2, isDeleted = 3 };
using TItemTypes = Byte;  // set of TItemStatus, one bit per status
inline constexpr TItemTypes ItemTypeBit(TItemStatus s) { return static_cast<TItemTypes>(1u << s); }

enum TUpdateRecAction : Byte {
  urFail = 0, urAbort = 1, urSkip = 2, urRetry = 3, urApplied = 4, urNone = 5, urSuspended = 6
};

// The kind of change a cached record hands to the updater.
enum TUpdateRecKind : Byte { ukUpdate = 0, ukInsert = 1, ukDelete = 2 };
using TUpdateRecKinds = Byte;  // set of TUpdateRecKind, one bit per kind
inline constexpr TUpdateRecKinds UpdateRecKindBit(TUpdateRecKind k) { return static_cast<TUpdateRecKinds>(1u << k); }
inline constexpr TUpdateRecKinds AllUpdateRecKinds = 7;

struct TItemHeader;

// A position in a record set that survives edits. Serial identifies the item
// it was taken on, so a bookmark never resolves to a record that replaced a
// deleted one at the same address.
struct TRecBookmark {
  Cardinal RefreshIteration = 0;
  Integer Order = -1;
  TItemHeader* Item = nullptr;
  UInt64 Serial = 0;
};

class TData {
 public:
  TData();
  virtual ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  // Type classes of this record-set class; descriptors ask them.
  static bool IsBlobDataType(TDataType dataType);
  static bool IsComplexDataType(TDataType dataType);
  static bool IsObjectDataType(TDataType dataType);
  virtual const TRecordSetTypeClasses* RecordSetClass() const;

  // Lifecycle.
  void Open();
  void Close();
  virtual void Prepare();
  virtual void UnPrepare();
  virtual bool IsFullReopen() { return true; }
  virtual void Reopen();
  bool Active() const { return FActive; }
  bool Prepared() const { return FPrepared; }

  virtual void SetTrimFixedChar(bool value) { FTrimFixedChar = value; }
  virtual void SetTrimVarChar(bool value) { FTrimVarChar = value; }

  // Descriptors and layout.
  TFieldDescs& Fields() { return FFields; }
  const TFieldDescs& Fields() const { return FFields; }
  virtual TFieldDesc* CreateFieldDesc();
  virtual Integer GetBufferSize(TDataType dataType, Integer lengthInChars) {
    return GetBufferSizeOf(dataType, lengthInChars);
  }
  virtual void InitFields();
  void ExplicitInitFields() { InitFields(); }
  virtual void ClearFields();
  virtual String GetArrayFieldName(TObjectType* objectType, Integer itemIndex);
  virtual Integer GetIndicatorItemSize() { return 1; }
  virtual Integer GetIndicatorSize() { return GetIndicatorItemSize() * FFields.Count(); }
  TFieldDesc* FindField(StringView name) const { return FFields.FindField(name); }
  TFieldDesc* FieldByName(StringView name) const { return FFields.FieldByName(name); }
  bool CheckHasBlobFields();
  bool CheckHasComplexFields();

  Integer DataSize() const { return FDataSize; }
  Integer RecordSize() const { return FRecordSize; }
  Integer CalcDataSize() const { return FCalcDataSize; }
  Integer CalcRecordSize() const { return FCalcRecordSize; }
  bool HasBlobFields() const { return FHasBlobFields; }
  bool HasComplexFields() const { return FHasComplexFields; }
  TStringHeap& StringHeap() { return *FStringHeap; }

  // Null flags (one byte per descriptor; 1 = null).
  Byte* NullIndicator(const TFieldDesc* field, TRecBuf recBuf) const;
  virtual bool GetNull(TFieldDesc* field, TRecBuf recBuf);
  virtual void SetNull(TFieldDesc* field, TRecBuf recBuf, bool value);
  virtual bool GetChanged(TFieldDesc*, TRecBuf) { return false; }
  virtual void SetChanged(TFieldDesc*, TRecBuf, bool) {}

  // Date forms of a date slot (see TDateFormat).
  virtual void GetDateFromBuf(const void* buf, void* date, bool hasParent, TDateFormat format);
  // Stores a date given in one of the date forms; fails with "'%d.%d' is not
  // a valid timestamp" for a day number below 1 or negative milliseconds.
  virtual void PutDateToBuf(void* buf, const void* date, bool hasParent, TDateFormat format);

  // Field values (FieldValues.cpp). Dest and Source are the caller's value
  // buffers laid out as a slot of the type (strings zero-terminated).
  virtual bool NeedConvertEOL() { return false; }
  virtual void GetField(TFieldDesc* field, TRecBuf recBuf, void* dest, bool needConvert, bool& isBlank);
  virtual void GetFieldData(TFieldDesc* field, const void* fieldBuf, void* dest, bool needConvert);
  // The address of a field's value; nativeBuffer false means a temporary copy
  // (child fields) that the caller frees with std::free.
  virtual void* GetMappedFieldBuf(TRecBuf recBuf, TFieldDesc* field, TDataType& dataType, Word& fieldLength,
                                  bool& hasParent, bool& isFixed, bool& isBlank, bool& nativeBuffer);
  void* GetFieldBuf(TRecBuf recBuf, TFieldDesc* field, TDataType& dataType, bool& isBlank, bool& nativeBuffer);
  // source nullptr writes null.
  virtual void PutField(TFieldDesc* field, TRecBuf recBuf, const void* source, bool needConvert = false,
                        bool isDatabaseValue = false);
  virtual void PutFieldData(TFieldDesc* field, void* fieldBuf, const void* source, bool needConvert,
                            bool isDatabaseValue);
  virtual void GetDataAsVariant(const void* dataBuf, TDataType dataType, TDataType subDataType, Word fieldLength,
                                bool hasParent, bool isFixed, Variant& value, bool useRollback);
  virtual void GetFieldAsVariant(TFieldDesc* field, TRecBuf recBuf, Variant& value, bool useRollback = false);
  virtual void GetMappedFieldAsVariant(TFieldDesc* field, TRecBuf recBuf, Variant& value, bool useRollback = false);
  virtual void PutDataAsVariant(void* dataBuf, TDataType dataType, Integer dataSize, Word len, Word scale,
                                bool hasParent, const Variant& value, bool isDatabaseValue);
  // Null or Empty makes the field null.
  virtual void PutFieldAsVariant(TFieldDesc* field, TRecBuf recBuf, const Variant& value,
                                 bool isDatabaseValue = false);
  bool GetNullByBlob(TFieldDesc* field, TRecBuf recBuf);
  static bool IsEqualDataType(const TFieldDesc* field1, const TFieldDesc* field2);
  bool HasFields(const std::bitset<256>& fieldTypes) const;
  // Convenience forms over the variant conversions.
  Variant GetFieldValue(TFieldDesc* field, TRecBuf recBuf) {
    Variant v;
    GetFieldAsVariant(field, recBuf, v);
    return v;
  }

  // Child fields of object fields.
  static void GetChildFieldInfo(TFieldDesc* field, TFieldDesc*& rootField, String& attrName);
  void GetChildField(TFieldDesc* field, TRecBuf recBuf, void*& attrBuf, bool& isBlank, bool& nativeBuffer);
  void PutChildField(TFieldDesc* field, TRecBuf recBuf, const void* valuePtr);
  bool GetChildFieldIsNull(TFieldDesc* field, TRecBuf recBuf);

  // Blob fields through the record set (BlobAccess.cpp). Positions, counts
  // and sizes are bytes; trueUnicode says the caller's bytes are UTF-16.
  Int64 ReadBlob(TBlob* blob, Int64 position, Int64 count, void* dest, bool fromRollback, bool trueUnicode);
  Int64 ReadBlob(TFieldDesc* field, TRecBuf recBuf, Int64 position, Int64 count, void* dest, bool fromRollback,
                 bool trueUnicode);
  void WriteBlob(TBlob* blob, Int64 position, Int64 count, const void* source, bool trueUnicode);
  void WriteBlob(TFieldDesc* field, TRecBuf recBuf, Int64 position, Int64 count, const void* source,
                 bool trueUnicode);
  Int64 TruncateBlob(TBlob* blob, Int64 size, bool trueUnicode);
  Int64 TruncateBlob(TFieldDesc* field, TRecBuf recBuf, Int64 size, bool trueUnicode);
  Int64 GetBlobSize(TBlob* blob, bool fromRollback, bool trueUnicode);
  Int64 GetBlobSize(TFieldDesc* field, TRecBuf recBuf, bool fromRollback, bool trueUnicode);
  void SetBlobSize(TBlob* blob, Int64 newSize, bool fromRollback, bool trueUnicode);
  void SetBlobSize(TFieldDesc* field, TRecBuf recBuf, Int64 newSize, bool fromRollback, bool trueUnicode);

  // Comparison (Compare.cpp). A negative result: the given value sorts
  // before the field value. Nulls are the caller's business except in
  // CompareFields.
  virtual int InternalCompareFieldValue(const void* valuePtr, TDataType valueType, const void* dataBuf,
                                        TDataType dataType, Word fieldLength, bool hasParent, bool isFixed,
                                        TCompareOptions options);
  virtual int InternalAnsiStrComp(const char* s1, const char* s2, TCompareOptions options);
  virtual int InternalAnsiCompareText(const AnsiString& s1, const AnsiString& s2, TCompareOptions options);
  virtual int InternalWStrLComp(const String& s1, const String& s2, TCompareOptions options);
  virtual int InternalWStrComp(const String& s1, const String& s2, TCompareOptions options);
  virtual int CompareStrValues(const AnsiString& value, const AnsiString& str, TCompareOptions options);
  virtual int CompareWideStrValues(const String& value, const String& str, TCompareOptions options);
  static int CompareBinValues(const void* value1, Integer size1, const void* value2, Integer size2,
                              TCompareOptions options);
  int CompareFieldValue(const void* valuePtr, TDataType valueType, TFieldDesc* field, TRecBuf recBuf,
                        TCompareOptions options);
  int CompareFields(TRecBuf recBuf1, TRecBuf recBuf2, TFieldDesc* field, TCompareOptions options);
  virtual TCompareOptions GetSortOptions(const TSortColumn& sortColumn);

  // Filter expressions (FilterExpression.cpp). An active record set parses a
  // new text at once; a failure leaves the old text and no expression.
  virtual void SetFilterText(const String& value);
  const String& FilterText() const { return FFilterText; }
  void CreateFilterExpression(const String& text);
  void FreeFilterExpression();
  bool Eval(TExpressionNode* node);
  // Cached updates on, or a record or master/detail filter or an expression.
  bool Filtered() const;
  virtual void FilterUpdated() {}
  virtual void SetFilterItemTypes(TItemTypes value) { FFilterItemTypes = value; }
  TExpressionNode* FilterExpression() const { return FFilterExpression; }

  // Navigation: base answers; the store replaces them.
  virtual bool GetEOF() { return FEOF; }
  virtual bool GetBOF() { return FBOF; }
  virtual Integer GetRecordCount() { return FRecordCount; }
  virtual Integer GetRecordNo() { return -1; }
  virtual void SetRecordNo(Integer) {}
  virtual void SetToBegin();
  virtual void SetToEnd();
  virtual void GetBookmark(TRecBookmark* bookmark);
  virtual void SetToBookmark(const TRecBookmark* bookmark);
  virtual bool BookmarkValid(const TRecBookmark* bookmark);
  virtual int CompareBookmarks(const TRecBookmark* b1, const TRecBookmark* b2);
  virtual bool NeedGetRecordAfterGotoBookmark() { return false; }
  virtual bool FieldListDependsOnParams() { return false; }

  // Record operations; abstract in the base record set.
  virtual void GetRecord(TRecBuf recBuf);
  virtual void GetNextRecord(TRecBuf recBuf);
  virtual void GetPriorRecord(TRecBuf recBuf);
  virtual void PutRecord(TRecBuf recBuf);
  virtual void AppendRecord(TRecBuf recBuf);
  virtual void InsertRecord(TRecBuf recBuf);
  virtual void UpdateRecord(TRecBuf recBuf);
  virtual void DeleteRecord();

  // Record buffers.
  // A buffer of the record and calculated area (contents undefined).
  TRecBuf AllocRecBuf() const;
  static void FreeRecBuf(TRecBuf recBuf);
  virtual void InitRecord(TRecBuf recBuf);
  void AppendBlankRecord();
  void EditRecord(TRecBuf recBuf);
  void PostRecord(TRecBuf recBuf);
  virtual void CancelRecord(TRecBuf recBuf);

  // Complex values held by reference in record slots.
  void CreateComplexFields(TRecBuf recBuf, bool withBlob);
  virtual void CreateComplexField(TRecBuf recBuf, TFieldDesc* field);
  // A blob value read from a file: a new blob holding the count bytes goes
  // into a slot that has none yet (see TBlob::CreateHolding); an existing
  // blob takes the bytes as they are, without a rollback copy. The field is
  // not null afterwards.
  void PutLoadedBlob(TFieldDesc* field, TRecBuf recBuf, const void* source, Int64 count);
  // Gives every blob field of the record that has no blob a null one.
  void CreateMissingBlobs(TRecBuf recBuf);
  void AddRefComplexFields(TRecBuf recBuf, bool createBlob);
  void FreeComplexFields(TRecBuf recBuf, bool withBlob);
  virtual void FreeComplexField(TRecBuf recBuf, TFieldDesc* field);
  void CopyComplexFields(TRecBuf source, TRecBuf dest, bool withBlob);
  virtual void CopyComplexField(TRecBuf source, TRecBuf dest, TFieldDesc* field);
  virtual void AddRef(TRecBuf) {}
  virtual void ReleaseRef(TRecBuf, bool /*isResync*/, bool /*withBlob*/) {}

  // The object or heap buffer referred to by a slot (nullptr for none).
  static void* GetSlotRef(const Byte* slot);
  static void SetSlotRef(Byte* slot, const void* ref);
  TSharedObject* InternalGetObject(TFieldDesc* field, TRecBuf recBuf) const;
  TBlob* GetObject(TFieldDesc* field, TRecBuf recBuf);
  void SetObject(TFieldDesc* field, TRecBuf recBuf, TSharedObject* obj);

  // Cached updates (CachedUpdates.cpp). The base record set keeps no cache:
  // it answers "nothing changed" and its operations do nothing.
  virtual TItemStatus GetUpdateStatus() { return isUnmodified; }
  virtual TUpdateRecAction GetUpdateResult() { return urNone; }
  virtual bool HasUpdatedOrDeletedRecords() { return false; }
  virtual bool GetUpdatesPending() { return false; }
  // The two buffers apply fills with a record's new and old values.
  virtual void SetCacheRecBuf(TRecBuf /*newBuf*/, TRecBuf /*oldBuf*/) {}
  virtual void ApplyUpdates(TUpdateRecKinds /*kinds*/) {}
  virtual void CommitUpdates() {}
  virtual void CancelUpdates() {}
  virtual void RestoreUpdates() {}
  virtual void RevertRecord() {}
  virtual void ApplyRecord(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem);
  // The current record's values before its pending change.
  virtual void GetOldRecord(TRecBuf /*recBuf*/) {}
  virtual void InternalCacheChanged();
  virtual void InternalCacheApplied();
  virtual void InternalCacheCanceled();
  void DoAfterApplyUpdates();
  // Leaving cached mode undoes every pending change.
  void SetCachedUpdates(bool value);
  std::function<void(TUpdateRecKind, TUpdateRecAction&, bool lastItem)> FOnApplyRecord;
  std::function<void()> FOnCacheChanged;
  std::function<void()> FOnCacheApplied;
  std::function<void()> FOnCacheCanceled;
  std::function<void()> FAfterApplyUpdates;

  // Hooks installed by the dataset.
  std::function<void()> FOnAppend;
  std::function<void()> FOnDelete;
  std::function<void()> FOnUpdate;
  std::function<void()> FOnFieldsChanged;
  std::function<void()> FOnGetCachedFields;
  std::function<void(TRecBuf buffer, TRecBuf source)> FOnGetCachedBuffer;
  // Record-selection hooks: each answers true to keep a record.
  std::function<bool(TRecBuf)> FFilterFunc;
  std::function<bool(TRecBuf)> FFilterMDFunc;
  std::function<bool(TRecBuf)> FFilterRangeFunc;

  // Switches.
  bool FCachedUpdates = false;
  bool FLocalUpdate = false;
  bool FInCacheProcessing = false;
  bool FAutoInitFields = true;
  bool FTrimFixedChar = false;
  bool FTrimVarChar = false;
  bool FSetEmptyStrToNull = false;
  bool FRequireEmptyStrToNull = false;
  bool FFilterUseRollBack = false;
  bool FFilterCaseInsensitive = false;
  bool FFilterNoPartialCompare = false;
  String FFilterText;
  TItemTypes FFilterItemTypes = ItemTypeBit(isUnmodified) | ItemTypeBit(isUpdated) | ItemTypeBit(isAppended);

 protected:
  virtual void InternalPrepare() {}
  virtual void InternalUnPrepare() {}
  virtual void InternalOpen(bool /*disableInitFields*/) {}
  virtual void InternalClose() {}
  virtual void InitData();
  virtual void FreeData() { InitData(); }
  virtual void CheckFetched(TRecBuf, TFieldDesc*) {}
  virtual void InitRecordSize();
  void InitCalcDataSize();
  virtual void CreateFieldDescs() {}
  virtual void InternalInitFieldDescs();
  void InitAliases();

  virtual void InternalAppend(TRecBuf) { if (FOnAppend) FOnAppend(); }
  virtual void InternalDelete() { if (FOnDelete) FOnDelete(); }
  virtual void InternalUpdate(TRecBuf) { if (FOnUpdate) FOnUpdate(); }

  // The filter expression built from FFilterText when the record set opens.
  bool HasFilterExpression() const { return FFilterExpression != nullptr; }
  bool FilterExpressionUsesCalcFields() const {
    return FFilterExpression != nullptr && FFilterExpression->UseCalculatedFields;
  }
  bool EvaluateFilterExpression(TRecBuf recBuf) {
    FilterRecBuf = recBuf;
    return Eval(FFilterExpression);
  }
  // Parsing steps of a filter text; FParser, FCode and FStrLexem hold the
  // lexer and its current lexeme while a text is parsed.
  TExpressionNode* OrExpr();
  TExpressionNode* AndExpr();
  TExpressionNode* Condition();
  TExpressionNode* Argument();
  TExpressionNode* AllocNode(TExpressionType nodeType, TExpressionNode* left = nullptr,
                             TExpressionNode* right = nullptr);
  [[noreturn]] void FilterError();
  void NextLexem();  // the next lexeme of FParser into FCode and FStrLexem
  TBoolParser* FParser = nullptr;
  Integer FCode = 0;
  String FStrLexem;
  TExpressionNode* FFilterExpression = nullptr;
  TExpressionNode* FFirstAlloc = nullptr;
  Integer FFilterDepth = 0;  // nesting of the text being parsed, capped

  bool FActive = false;
  bool FPrepared = false;
  bool FHasBlobFields = false;
  bool FHasComplexFields = false;
  Integer FDataSize = 0;
  Integer FRecordSize = 0;
  Integer FCalcDataSize = 0;
  Integer FCalcRecordSize = 0;
  TRecBuf FilterRecBuf = nullptr;
  TStringHeap* FStringHeap;
  Integer FRecordNoOffset = 0;
  Integer FRecordCount = 0;
  bool FBOF = true;
  bool FEOF = true;
  TFieldDescs FFields;
};

// Rounds to scale decimal digits, half away from zero; scale <= 0, zero,
// denormals and magnitudes from 2^50 up are left as they are.
double SetScale(Integer scale, double value);
// Copy up to count units turning a lone LF into CR LF, then a zero; the
// result is the number of units written without the zero.
Integer AddCRString(const char* source, char* dest, Integer count);
Integer AddCRUnicode(const WideChar* source, WideChar* dest, Integer count);

// Raises an exception with the text.
[[noreturn]] void DataError(const String& msg);
// Order of two descriptors by name for the alias pass; equal names mark both
// descriptors reserved and order by field number.
int CompareAlias(TFieldDesc* item1, TFieldDesc* item2);

// Wait-cursor and application-title hooks; unset in this program.
extern void (*StartWaitProc)();
extern void (*StopWaitProc)();
extern String (*ApplicationTitleProc)();
void StartWait();
void StopWait();
String ApplicationTitle();
