// The shared vocabulary of datasets, fields and data links: field types,
// dataset states, data events, record-buffer modes and flags.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

// Field types in the platform's public order; VTD files store these numbers.
enum TFieldType : Byte {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
  ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle,
  ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT, ftArray, ftReference, ftDataSet,
  ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar,
  ftWideMemo, ftOraTimeStamp, ftOraInterval, ftLongWord, ftShortint, ftByte, ftExtended, ftConnection, ftParams,
  ftStream, ftTimeStampOffset, ftObject, ftSingle,
  // The table engine's time stamp with a zone offset, beyond the platform's list.
  ftDATimeStampOffset = 99
};
inline constexpr int ftLastPlatformType = ftSingle;

enum TDataSetState : Byte {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue, dsCurValue,
  dsBlockRead, dsInternalCalc, dsOpening
};

enum TDataEvent : Byte {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord, deUpdateState,
  deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl, deParentScroll, deConnectChange,
  deReconcileError, deDisabledStateChange
};

enum TFieldKind : Byte { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TGetMode : Byte { gmCurrent, gmNext, gmPrior };
enum TGetResult : Byte { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag : Byte { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };
enum TUpdateStatus : Byte { usUnmodified = 0, usModified = 1, usInserted = 2, usDeleted = 3 };
// What an update handler tells the dataset to do with a cached change;
// uaDefault lets the dataset's own update logic run.
enum TUpdateAction : Byte { uaFail = 0, uaAbort = 1, uaSkip = 2, uaRetry = 3, uaApplied = 4, uaDefault = 10 };
// Which cached records a dataset shows (a set of bits).
using TUpdateRecordTypes = Byte;
inline constexpr TUpdateRecordTypes rtModified = 1;
inline constexpr TUpdateRecordTypes rtInserted = 2;
inline constexpr TUpdateRecordTypes rtDeleted = 4;
inline constexpr TUpdateRecordTypes rtUnmodified = 8;
enum TBlobStreamMode : Byte { bmRead, bmWrite, bmReadWrite };
enum TAlignment : Byte { taLeftJustify, taRightJustify, taCenter };

// Locate options (a set of bits).
using TLocateOptions = Byte;
inline constexpr TLocateOptions loCaseInsensitive = 1;
inline constexpr TLocateOptions loPartialKey = 2;

// Filter options (a set of bits).
using TFilterOptions = Byte;
inline constexpr TFilterOptions foCaseInsensitive = 1;
inline constexpr TFilterOptions foNoPartialCompare = 2;

// Field-definition attributes (a set of bits).
using TFieldAttributes = Byte;
inline constexpr TFieldAttributes faHiddenCol = 1;
inline constexpr TFieldAttributes faReadonly = 2;
inline constexpr TFieldAttributes faRequired = 4;
inline constexpr TFieldAttributes faLink = 8;
inline constexpr TFieldAttributes faUnNamed = 16;
inline constexpr TFieldAttributes faFixed = 32;

using TRecordBuffer = Byte*;
// A bookmark: the bytes a dataset hands out for a record; empty for none.
using TBookmark = std::vector<Byte>;
