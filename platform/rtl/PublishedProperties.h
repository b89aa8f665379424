// Published properties by name: what code uses to read or write a property
// of a component it knows only by the property's name (a dataset's
// TableName, CommandText or SQL, for example). A class that publishes such
// properties implements this interface; callers find it with dynamic_cast.
// Names compare without regard to case.
#pragma once

#include "platform/rtl/Types.h"

class IPublishedProperties {
 public:
  virtual ~IPublishedProperties() = default;
  // True when the class publishes a text property of that name; its value
  // goes to value.
  virtual bool ReadPublishedText(StringView name, String& value) const = 0;
  // Sets a published text property; false when the class has none of that
  // name.
  virtual bool WritePublishedText(StringView name, const String& value) = 0;
  // True when the class publishes an object property of that name; lines
  // receives the object's lines joined by CR LF when it is a string list,
  // and the empty text for any other object.
  virtual bool ReadPublishedLines(StringView name, String& lines) const {
    (void)name;
    lines.clear();
    return false;
  }
};
