// Conversions between the runtime's UTF-16 strings and Qt's.
#pragma once

#include <QString>

#include "platform/rtl/Types.h"

inline QString ToQString(const String& s) { return QString::fromStdU16String(s); }
inline String FromQString(const QString& s) { return s.toStdU16String(); }
