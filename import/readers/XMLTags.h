// The tag names the XML source looks for, and their "[XMLTags]" section of
// an import specification. The XML source and the import wizard both keep
// their settings in a TSMIXMLTags and read and write the section through it.
#pragma once

#include "import/WideStrings.h"
#include "platform/rtl/Types.h"

class TSMIXMLTags {
 public:
  // Record tags are compared with case when set.
  bool CaseSensitive = false;
  // The element that holds the records.
  String RecordsTag = u"RECORDS";
  // The element of a record whose fields are child elements.
  String RecordTag = u"RECORD";
  // The element of a record whose fields are attributes.
  String RowTag = u"ROW";
  // Records may also stand inside other children of the records element.
  bool SubNodes = false;

  void Assign(const TSMIXMLTags& source) { *this = source; }
  // Exact with CaseSensitive; otherwise equal when both are the same or
  // both are non-empty and equal without regard to ASCII case.
  bool SameStrings(StringView a, StringView b) const;

  // Appends the section: "[XMLTags]", then CaseSensitive, RecordsTag,
  // RecordTag, RowTag and SubNodes as "Key=value" lines (flags as 0 or 1).
  void SaveToStrings(TWideStrings& list) const;
  // Reads the section's keys from a specification's lines: the flags keep
  // their value when the key is missing or no number, the three names
  // become empty when their key is missing.
  void LoadFromStrings(const TWideStrings& list);
};
