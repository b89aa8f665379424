// Guessing a source column's type from sample values. The guess only
// loosens: integers widen to floats, anything else that disagrees, and any
// value that reads as none of the types, makes the column text; empty
// values tell nothing.
#pragma once

#include <optional>

#include "import/ImportTypes.h"
#include "platform/rtl/Types.h"

class TSMIDataFormats;

// The type one non-empty value reads as: itBoolean for the formats' boolean
// words, itInteger or itFloat for a number (with the formats' decimal
// separator), itDateTime for a text that dateMask reads as a date, else
// itString.
TSMIDataType ScannedValueType(const String& text, const TSMIDataFormats& formats, const String& dateMask);
// The column's type after one more value of type value; seen is what the
// values before it gave (none yet: empty).
TSMIDataType LoosenColumnType(std::optional<TSMIDataType> seen, TSMIDataType value);
