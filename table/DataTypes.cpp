#include "table/DataTypes.h"

Integer GetBufferSizeOf(TDataType dataType, Integer lengthInChars) {
  switch (dataType) {
    case dtString: return lengthInChars + 1;
    case dtWideString: return 2 * lengthInChars + 2;
    case dtInt8: case dtInt16: case dtUInt8: case dtUInt16: case dtBoolean: return 2;
    case dtInt32: case dtUInt32: case dtSingle: return 4;
    case dtInt64: case dtUInt64: case dtFloat: case dtCurrency: case dtBCD:
    case dtDate: case dtTime: case dtDateTime: return 8;
    case dtExtended: return 10;
    case dtFMTBCD: return 34;
    case dtSQLTimeStamp: return 16;
    case dtSQLTimeStampOffset: return 20;
    case dtBytes: return lengthInChars + 1;
    case dtVarBytes: return lengthInChars + 2;
    case dtGuid: return 39;
    // Every other type keeps a reference (or nothing) in its slot.
    default: return RefSlotSize;
  }
}
