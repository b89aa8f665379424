// TMemDataSet: Locate, LocateEx and Lookup. Key values are converted once
// into the store's internal forms; the leading keys that follow the store's
// index order are found by bisection over record numbers, the others by a
// scan (from the run of equal records when bisection matched).
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/TextConvert.h"
#include "table/MemData.h"
#include "table/MemDataSet.h"

namespace {

constexpr char16_t SCannotConvertType[] = u"Cannot convert type";

bool IsTextVariant(const Variant& v) {
  Word t = v.VarType();
  return t == varUString || t == varString || t == varOleStr;
}

template <class T>
void StoreValue(std::vector<Byte>& buffer, const T& value) {
  buffer.resize(sizeof value);
  std::memcpy(buffer.data(), &value, sizeof value);
}

void StoreBytes(std::vector<Byte>& buffer, const void* data, size_t size, size_t terminator) {
  buffer.assign(size + terminator, 0);
  if (size > 0) std::memcpy(buffer.data(), data, size);
}

// A text key parsed into the form of the field type it searches, so that the
// store compares numbers and dates, not texts.
Variant ParseTextKey(const String& text, TDataType fieldType) {
  switch (fieldType) {
    case dtInt64: case dtUInt32: case dtUInt64: return Variant(static_cast<long long>(StrToInt64(text)));
    case dtSingle: return Variant(static_cast<float>(StrToFloat(text)));
    case dtFloat: case dtCurrency: case dtBCD: case dtFMTBCD: return Variant(StrToFloat(text));
    case dtDate: return Variant::FromDateTime(StrToDate(text));
    case dtTime: return Variant::FromDateTime(StrToTime(text));
    case dtDateTime: return Variant::FromDateTime(StrToDateTime(text));
    case dtSQLTimeStamp: return Variant(StrToSQLTimeStamp(text));
    case dtInt8: case dtInt16: case dtInt32: case dtUInt8: case dtUInt16: return Variant(StrToInt(text));
    default: return Variant(text);
  }
}

struct TSearchKey {
  TFieldDesc* Desc = nullptr;
  Variant Value;
  std::vector<Byte> Buffer;
  bool HasValue = false;
  TDataType Type = dtUnknown;
};

}  // namespace

bool TMemDataSet::CopyFieldValue(const Variant& value, std::vector<Byte>& buffer, bool convertStrings,
                                 TDataType fieldType, TDataType& valueType) {
  buffer.clear();
  valueType = fieldType;
  if (value.IsNull() || value.IsEmpty()) return false;
  Variant v = value;
  if (IsTextVariant(v)) {
    if (!convertStrings) {
      switch (fieldType) {
        case dtString: case dtExtString: case dtBoolean: case dtBytes: case dtVarBytes: case dtExtVarBytes:
        case dtMemo: case dtGuid: break;
        default:
          if (fieldType != dtFixedChar) valueType = dtWideString;
      }
    } else if (fieldType >= dtInt8 && fieldType <= dtSQLTimeStamp && fieldType != dtExtended) {
      v = ParseTextKey(v.AsString(), fieldType);
    }
  }
  const bool emptyIsNull = FData != nullptr && FData->FSetEmptyStrToNull;
  switch (valueType) {
    case dtString: case dtExtString: case dtFixedChar: case dtBlob: case dtMemo: case dtVariant: case dtGuid: {
      AnsiString s = v.AsAnsiString();
      valueType = dtString;
      if (s.empty() && emptyIsNull && fieldType != dtBlob && fieldType != dtMemo) return false;
      StoreBytes(buffer, s.data(), s.size(), 1);
      return true;
    }
    case dtWideString: case dtExtWideString: case dtFixedWideChar: case dtWideMemo: {
      String s = v.AsString();
      valueType = dtWideString;
      if (s.empty() && emptyIsNull && fieldType != dtWideMemo) return false;
      StoreBytes(buffer, s.data(), s.size() * sizeof(char16_t), sizeof(char16_t));
      return true;
    }
    // Whole numbers keep 64 bits whatever the field's width: a key beyond
    // the field's range must not wrap onto a stored value.
    case dtInt8: case dtInt16: case dtInt32: case dtUInt8: case dtUInt16: case dtUInt32: case dtInt64:
      valueType = dtInt64;
      StoreValue(buffer, v.AsInt64());
      return true;
    case dtUInt64: StoreValue(buffer, v.AsUInt64()); return true;
    case dtSingle: StoreValue(buffer, static_cast<float>(v.AsDouble())); return true;
    case dtFloat: case dtCurrency: StoreValue(buffer, v.AsDouble()); return true;
    case dtExtended: StoreValue(buffer, DoubleToExtended(v.AsDouble())); return true;
    case dtBCD: StoreValue(buffer, v.AsCurrency().Scaled()); return true;
    case dtFMTBCD: StoreValue(buffer, v.AsBcd()); return true;
    case dtDate: case dtTime: case dtDateTime:
      valueType = dtFloat;
      StoreValue(buffer, static_cast<double>(v.AsDateTime()));
      return true;
    case dtSQLTimeStamp: StoreValue(buffer, v.AsSQLTimeStamp()); return true;
    case dtSQLTimeStampOffset: StoreValue(buffer, v.AsSQLTimeStampOffset()); return true;
    // The store reads a boolean slot as a word.
    case dtBoolean: StoreValue(buffer, static_cast<Word>(v.AsBoolean() ? 1 : 0)); return true;
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
      std::vector<Byte> bytes;
      if (IsTextVariant(v)) {
        AnsiString s = v.AsAnsiString();
        bytes.assign(s.begin(), s.end());
      } else if (const std::vector<Byte>* array = v.ByteArray()) {
        bytes = *array;
      } else {
        throw EConvertError(SCannotConvertType);
      }
      if (bytes.size() > 0xFFFF) throw EConvertError(SCannotConvertType);
      valueType = dtVarBytes;
      Word length = static_cast<Word>(bytes.size());
      buffer.resize(sizeof length + bytes.size());
      std::memcpy(buffer.data(), &length, sizeof length);
      if (!bytes.empty()) std::memcpy(buffer.data() + sizeof length, bytes.data(), bytes.size());
      return true;
    }
    default: throw EConvertError(SCannotConvertType);
  }
}

bool TMemDataSet::LocateRecord(const std::vector<TFieldDesc*>& keyFields, const TKeyValues& keyValues,
                               TLocateExOptions options, bool savePos) {
  if (keyFields.empty()) return false;
  CheckBrowseMode();
  UpdateCursorPos();

  TCompareOptions compare = 0;
  if (options & lxCaseInsensitive) compare |= coCaseInsensitive;
  if (options & lxPartialKey) compare |= coPartialKey;
  if (options & lxPartialCompare) compare |= coPartialCompare;

  // Key preparation: the keys that follow the index come first, in index order.
  const size_t n = keyFields.size();
  std::vector<TSearchKey> keys(n);
  bool withCalc = false;
  for (size_t i = 0; i < n; ++i) {
    keys[i].Desc = keyFields[i];
    keys[i].Value = keyValues.At(i);
    withCalc = withCalc || keyFields[i]->FFieldDescKind == fdkCalculated;
  }
  std::vector<TSortColumn> sorted;
  if (FStore != nullptr && (options & (lxPartialKey | lxPartialCompare | lxNearest)) == 0) {
    const bool caseInsensitive = (options & lxCaseInsensitive) != 0;
    for (const TSortColumn& column : FStore->IndexFields()) {
      size_t i = sorted.size();
      if (i >= n || (column.SortType == stCaseInsensitive) != caseInsensitive) break;
      size_t j = i;
      while (j < n && keys[j].Desc != column.FieldDesc) ++j;
      if (j == n) break;
      std::swap(keys[i], keys[j]);
      sorted.push_back(column);
    }
  }
  // A key that does not convert is an error, not a search for null.
  for (size_t i = 0; i < n; ++i) {
    keys[i].HasValue = CopyFieldValue(keys[i].Value, keys[i].Buffer, i < sorted.size(),
                                      keys[i].Desc->GetMappedDataType(), keys[i].Type);
  }

  std::unique_ptr<Byte, decltype(&std::free)> scratch(withCalc ? AllocRecordBuffer() : FData->AllocRecBuf(),
                                                      &std::free);
  // The record at the cursor; the store's own record when nothing is computed.
  auto current = [&]() -> TRecBuf {
    if (FStore != nullptr && !withCalc && FStore->GetCurrentItem() != nullptr) {
      return TBlockManager::GetRecordPtr(FStore->GetCurrentItem());
    }
    FData->GetRecord(scratch.get());
    if (withCalc) GetCalcFields(scratch.get());
    return scratch.get();
  };
  // The sorted keys against a record, as the index orders them.
  auto direction = [&](TRecBuf record) {
    for (size_t i = 0; i < sorted.size(); ++i) {
      const TSearchKey& key = keys[i];
      bool recordNull = FData->GetNull(key.Desc, record);
      int r;
      if (recordNull || !key.HasValue) {
        r = recordNull == !key.HasValue ? 0 : (recordNull ? 1 : -1);
        if (FStore->GetSortOptions(sorted[i]) & coInvertNullOrder) r = -r;
      } else {
        TCompareOptions o = compare | (sorted[i].SortType == stBinary ? coOrdinalCompare : 0);
        r = FData->CompareFieldValue(key.Buffer.data(), key.Type, key.Desc, record, o);
      }
      if (sorted[i].DescendingOrder) r = -r;
      if (r != 0) return r;
    }
    return 0;
  };
  auto matches = [&](TRecBuf record) {
    for (const TSearchKey& key : keys) {
      bool recordNull = FData->GetNull(key.Desc, record);
      if (!key.HasValue || recordNull) {
        if (key.HasValue == recordNull) return false;
        continue;
      }
      int r = FData->CompareFieldValue(key.Buffer.data(), key.Type, key.Desc, record, compare);
      if (r != 0 && !((options & lxNearest) && r < 0)) return false;
    }
    return true;
  };

  TRecBookmark saved;
  FData->GetBookmark(&saved);
  CursorPosChanged();
  auto restore = [&] {
    if (!(FData->GetBOF() && FData->GetEOF())) FData->SetToBookmark(&saved);
  };
  const bool up = (options & lxUp) != 0;
  const bool next = (options & lxNext) != 0;
  bool found = false;

  if (!sorted.empty()) {
    Integer first = 1;
    Integer last = FStore->PrepareRecNoCache();
    if (next || up) {
      if (up) FData->GetPriorRecord(nullptr);
      else FData->GetNextRecord(nullptr);
      if (FData->GetEOF() || FData->GetBOF()) {
        restore();
        return false;
      }
      (up ? last : first) = FData->GetRecordNo();
    }
    auto probe = [&](Integer recNo) {
      FStore->SetRecordNo(recNo);
      return direction(current());
    };
    Integer match = 0;
    if (last >= first) {
      int c = probe(first);
      if (c == 0) {
        match = first;
      } else if (c > 0) {
        c = probe(last);
        if (c == 0) match = last;
        Integer lo = first, hi = last;
        while (c < 0 && match == 0 && hi - lo > 1) {
          Integer mid = lo + (hi - lo) / 2;
          int d = probe(mid);
          if (d == 0) match = mid;
          else if (d > 0) lo = mid;
          else hi = mid;
        }
      }
    }
    if (match != 0) {
      // The run of equal records: its start (its end with lxUp) is the answer.
      Integer r = match;
      if (up) {
        while (r < last && probe(r + 1) == 0) ++r;
      } else {
        while (r > first && probe(r - 1) == 0) --r;
      }
      FStore->SetRecordNo(r);
      if (sorted.size() == n) {
        found = true;
      } else {
        // The other keys are checked along the run only: past it the sorted
        // keys differ.
        for (;;) {
          TRecBuf record = current();
          if (direction(record) != 0) break;
          if (matches(record)) {
            found = true;
            break;
          }
          if (up) FData->GetPriorRecord(nullptr);
          else FData->GetNextRecord(nullptr);
          if (FData->GetBOF() || FData->GetEOF()) break;
        }
      }
    }
  } else {
    if (!next && !up) FData->SetToBegin();
    compare &= static_cast<TCompareOptions>(~coOrdinalCompare);
    for (;;) {
      if (up) FData->GetPriorRecord(nullptr);
      else FData->GetNextRecord(nullptr);
      if (FData->GetBOF() || FData->GetEOF()) {
        // Past the end a nearest search stands by the last record; with no
        // record at all there is nothing to report as found.
        found = (options & lxNearest) != 0 && FData->GetRecordCount() > 0;
        break;
      }
      if (matches(current())) {
        found = true;
        break;
      }
    }
  }
  if (savePos || !found) restore();
  return found;
}

// ---------------------------------------------------------------------------
// The public searches

std::vector<TFieldDesc*> TMemDataSet::KeyDescsByName(const String& keyFields) {
  std::vector<TFieldDesc*> descs;
  for (const String& name : SplitFieldNames(keyFields)) descs.push_back(GetFieldDesc(StringView(name)));
  return descs;
}

std::vector<TFieldDesc*> TMemDataSet::KeyDescsOf(const std::vector<TField*>& keyFields) {
  std::vector<TFieldDesc*> descs;
  for (TField* field : keyFields) {
    if (field != nullptr) descs.push_back(GetFieldDesc(field));
  }
  return descs;
}

bool TMemDataSet::LocateAndScroll(const std::vector<TFieldDesc*>& keys, const TKeyValues& keyValues,
                                  TLocateExOptions options) {
  DoBeforeScroll();
  bool found = LocateRecord(keys, keyValues, options, false);
  if (found) {
    // Resync reads the record at the cursor; a nearest match past the last
    // record ends on the last one.
    Resync();
    DoAfterScroll();
  }
  return found;
}

bool TMemDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  return Locate(keyFields, TKeyValues(keyValues), options);
}

bool TMemDataSet::Locate(const String& keyFields, const TKeyValues& keyValues, TLocateOptions options) {
  CheckActive();
  return LocateAndScroll(KeyDescsByName(keyFields), keyValues, options & (lxCaseInsensitive | lxPartialKey));
}

bool TMemDataSet::Locate(const std::vector<TField*>& keyFields, const TKeyValues& keyValues,
                         TLocateOptions options) {
  CheckActive();
  return LocateAndScroll(KeyDescsOf(keyFields), keyValues, options & (lxCaseInsensitive | lxPartialKey));
}

bool TMemDataSet::LocateEx(const String& keyFields, const TKeyValues& keyValues, TLocateExOptions options) {
  CheckActive();
  return LocateAndScroll(KeyDescsByName(keyFields), keyValues, options);
}

bool TMemDataSet::LocateEx(const std::vector<TField*>& keyFields, const TKeyValues& keyValues,
                           TLocateExOptions options) {
  CheckActive();
  return LocateAndScroll(KeyDescsOf(keyFields), keyValues, options);
}

void TMemDataSet::RefreshFilterKeepingPlace() {
  TBookmark bookmark = GetBookmark();
  CheckBrowseMode();
  UpdateCursorPos();
  FData->FilterUpdated();
  Resync();
  if (BookmarkValid(bookmark)) GotoBookmark(bookmark);
  else First();
}

std::vector<Variant> TMemDataSet::LookupValues(const String& keyFields, const TKeyValues& keyValues,
                                               const String& resultFields) {
  std::vector<String> names = SplitFieldNames(resultFields);
  std::vector<Variant> result(names.size(), Variant::Null());
  if (!Active()) return result;
  if (Filtered()) RefreshFilterKeepingPlace();
  std::vector<TFieldDesc*> keys = KeyDescsByName(keyFields);
  CheckBrowseMode();
  UpdateCursorPos();
  TRecBookmark saved;
  FData->GetBookmark(&saved);
  if (!LocateRecord(keys, keyValues, 0, false)) return result;
  // The found record is read into a buffer of its own; the cursor goes back
  // to where it was.
  std::unique_ptr<Byte, decltype(&std::free)> record(AllocRecordBuffer(), &std::free);
  FData->GetRecord(record.get());
  FData->SetToBookmark(&saved);
  TDataSetState state = SetTempState(dsCalcFields);
  try {
    GetCalcFields(record.get());
    FCalcBuffer = record.get();
    for (size_t i = 0; i < names.size(); ++i) result[i] = FieldByName(names[i])->AsVariant();
  } catch (...) {
    FCalcBuffer = nullptr;
    RestoreState(state);
    throw;
  }
  FCalcBuffer = nullptr;
  RestoreState(state);
  return result;
}

Variant TMemDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
  std::vector<Variant> values = LookupValues(keyFields, TKeyValues(keyValues), resultFields);
  if (values.size() > 1) DatabaseError(u"Lookup returns one field; use LookupValues for several");
  return values.empty() ? Variant::Null() : values.front();
}
