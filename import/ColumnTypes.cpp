#include "import/ColumnTypes.h"

#include "import/DateMask.h"
#include "import/ImportSettings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TextConvert.h"

TSMIDataType ScannedValueType(const String& text, const TSMIDataFormats& formats, const String& dateMask) {
  if (text == formats.BooleanTrue() || text == formats.BooleanFalse()) return itBoolean;
  TFormatSettings numbers = FormatSettings;
  numbers.DecimalSeparator = formats.DecimalSeparator();
  double number = 0;
  if (TryStrToFloat(text, number, numbers)) {
    Integer integer = 0;
    return TryStrToInt(text, integer) ? itInteger : itFloat;
  }
  try {
    if (GetDTByMask(text, dateMask, formats.DateSeparator(), formats.TimeSeparator()) != 0) return itDateTime;
  } catch (const Exception&) {
    // A value that is no date is text.
  }
  return itString;
}

TSMIDataType LoosenColumnType(std::optional<TSMIDataType> seen, TSMIDataType value) {
  if (!seen || *seen == value) return value;
  const auto numeric = [](TSMIDataType t) { return t == itInteger || t == itFloat; };
  if (numeric(*seen) && numeric(value)) return itFloat;
  return itString;
}
