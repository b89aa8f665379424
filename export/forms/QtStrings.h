// The runtime's UTF-16 strings to and from Qt's.
#pragma once

#include <QString>

#include "platform/rtl/Types.h"

inline QString ToQString(const String& text) { return QString::fromStdU16String(text); }
inline String FromQString(const QString& text) { return text.toStdU16String(); }
