// Reading a date-time text by a mask of letters: D day, M month (digits or a
// month name), Y year, H hour, N minute, S second, Z millisecond; any other
// character stands for a separator. Shared by the value conversion and the
// expression language's DATETIMEFROMSTRING.
#pragma once

#include "platform/rtl/Types.h"

// The date-time the text holds under the mask; 0 when neither a date nor a
// time was recognised. Separators are blanks, ".", "/", ":" and the two
// given characters. A part that is no number raises EConvertError, and so
// does an impossible date (30 February) or hour 24.
TDateTime GetDTByMask(StringView text, StringView mask, WideChar dateSeparator, WideChar timeSeparator);
// The year of the local date.
Word CurrentYear();
