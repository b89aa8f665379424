// Internal data type codes of the table engine and their buffer sizes.
#pragma once

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Types.h"

using TDataType = Word;

enum : Word {
  dtUnknown = 0,
  dtString = 1,
  dtExtString = 2,
  dtWideString = 3,
  dtExtWideString = 4,
  dtFixedChar = 5,
  dtFixedWideChar = 6,
  dtInt8 = 7,
  dtInt16 = 8,
  dtSmallint = dtInt16,
  dtInt32 = 9,
  dtInteger = dtInt32,
  dtInt64 = 10,
  dtLargeint = dtInt64,
  dtUInt8 = 11,
  dtByte = dtUInt8,
  dtUInt16 = 12,
  dtWord = dtUInt16,
  dtUInt32 = 13,
  dtLongWord = dtUInt32,
  dtUInt64 = 14,
  dtSingle = 15,
  dtFloat = 16,
  dtExtended = 17,
  dtCurrency = 18,
  dtBCD = 19,
  dtFMTBCD = 20,
  dtDate = 21,
  dtTime = 22,
  dtDateTime = 23,
  dtSQLTimeStamp = 24,
  dtSQLTimeStampOffset = 25,
  dtBoolean = 26,
  dtBytes = 27,
  dtVarBytes = 28,
  dtExtVarBytes = 29,
  dtBlob = 30,
  dtMemo = 31,
  dtWideMemo = 32,
  dtVariant = 33,
  dtObject = 34,
  dtReference = 35,
  dtArray = 36,
  dtTable = 37,
  dtGuid = 38,
  dtCursor = 39,
  dtXML = 40,
};

inline constexpr TDataType dtLastDataType = dtXML;

// A record slot that refers to an object or heap buffer is pointer-sized.
inline constexpr Integer RefSlotSize = static_cast<Integer>(sizeof(void*));

// Date forms handed out by GetDateFromBuf and taken by PutDateToBuf.
enum TDateFormat : Byte { dfMSecs = 0, dfDateTime = 1, dfTime = 2, dfDate = 3 };


// Bytes a value of the type takes in a record buffer; lengthInChars is the
// length of string and byte types.
Integer GetBufferSizeOf(TDataType dataType, Integer lengthInChars);
