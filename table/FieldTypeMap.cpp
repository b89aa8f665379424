#include "table/FieldTypeMap.h"

#include "platform/rtl/Exceptions.h"

namespace {

constexpr char16_t Unit[] = u"ZizOD";

// Internal data type by field type, for the platform's 52 field types.
constexpr TDataType DataTypeMap[ftLastPlatformType + 1] = {
    dtUnknown,    // ftUnknown
    dtString,     // ftString
    dtInt16,      // ftSmallint
    dtInt32,      // ftInteger
    dtUInt16,     // ftWord
    dtBoolean,    // ftBoolean
    dtFloat,      // ftFloat
    dtCurrency,   // ftCurrency
    dtBCD,        // ftBCD
    dtDate,       // ftDate
    dtTime,       // ftTime
    dtDateTime,   // ftDateTime
    dtBytes,      // ftBytes
    dtVarBytes,   // ftVarBytes
    dtInt32,      // ftAutoInc
    dtBlob,       // ftBlob
    dtMemo,       // ftMemo
    dtBlob,       // ftGraphic
    dtMemo,       // ftFmtMemo
    dtUnknown,    // ftParadoxOle
    dtUnknown,    // ftDBaseOle
    dtUnknown,    // ftTypedBinary
    dtCursor,     // ftCursor
    dtString,     // ftFixedChar
    dtWideString, // ftWideString
    dtInt64,      // ftLargeint
    dtObject,     // ftADT
    dtArray,      // ftArray
    dtReference,  // ftReference
    dtTable,      // ftDataSet
    dtUnknown,    // ftOraBlob
    dtUnknown,    // ftOraClob
    dtVariant,    // ftVariant
    dtUnknown,    // ftInterface
    dtUnknown,    // ftIDispatch
    dtGuid,       // ftGuid
    dtSQLTimeStamp,        // ftTimeStamp
    dtFMTBCD,              // ftFMTBcd
    dtWideString,          // ftFixedWideChar
    dtWideMemo,            // ftWideMemo
    dtUnknown,             // ftOraTimeStamp
    dtUnknown,             // ftOraInterval
    dtUInt32,              // ftLongWord
    dtInt8,                // ftShortint
    dtUInt8,               // ftByte
    dtExtended,            // ftExtended
    dtUnknown,             // ftConnection
    dtUnknown,             // ftParams
    dtUnknown,             // ftStream
    dtSQLTimeStampOffset,  // ftTimeStampOffset
    dtUnknown,             // ftObject
    dtSingle,              // ftSingle
};

}  // namespace

TFieldType TFieldTypeMap::GetFieldType(TDataType dataType) const {
  switch (dataType) {
    case dtUnknown: return ftUnknown;
    case dtString: case dtExtString: return ftString;
    case dtWideString: case dtExtWideString: return ftWideString;
    case dtInt8: return ftShortint;
    case dtInt16: return ftSmallint;
    case dtInt32: return ftInteger;
    case dtInt64: case dtUInt64: return ftLargeint;
    case dtUInt8: return ftByte;
    case dtUInt16: return ftWord;
    case dtUInt32: return ftLongWord;
    case dtSingle: return ftSingle;
    case dtFloat: return ftFloat;
    case dtExtended: return ftExtended;
    case dtCurrency: return ftCurrency;
    case dtBCD: return ftBCD;
    case dtFMTBCD: return ftFMTBcd;
    case dtDate: return ftDate;
    case dtTime: return ftTime;
    case dtDateTime: return ftDateTime;
    case dtSQLTimeStamp: return ftTimeStamp;
    case dtSQLTimeStampOffset: return ftDATimeStampOffset;
    case dtBoolean: return ftBoolean;
    case dtBytes: return ftBytes;
    case dtVarBytes: case dtExtVarBytes: return ftVarBytes;
    case dtBlob: return ftBlob;
    case dtMemo: return ftMemo;
    case dtWideMemo: return ftWideMemo;
    case dtVariant: return ftVariant;
    case dtObject: return ftADT;
    case dtReference: return ftReference;
    case dtArray: return ftArray;
    case dtTable: return ftDataSet;
    case dtGuid: return ftGuid;
    case dtCursor: return ftCursor;
    default: AssertionFailed(Unit, u"Unknown data type");
  }
}

TDataType TFieldTypeMap::GetDataType(TFieldType fieldType, TDataType subDataType) const {
  TDataType result = dtUnknown;
  if (fieldType == ftDATimeStampOffset) {
    result = dtSQLTimeStampOffset;
  } else if (fieldType <= ftLastPlatformType) {
    result = DataTypeMap[fieldType];
  }
  if ((result == dtInt16 || result == dtInt64 || result == dtFloat) &&
      (subDataType == dtInt8 || subDataType == dtUInt8 || subDataType == dtUInt32 || subDataType == dtSingle)) {
    result = subDataType;
  }
  return result;
}

const TFieldTypeMap& TFieldTypeMap::Default() {
  static const TFieldTypeMap map;
  return map;
}
