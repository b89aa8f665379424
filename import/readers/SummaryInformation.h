// The document properties of an Office file (title, author, dates,
// counts), filled from the OLE property-set streams of a compound file or
// from the XML property parts of a package.
#pragma once

#include "platform/rtl/Types.h"

class TSMISummaryInformation {
 public:
  String AppName, Author;
  Integer CharCount = 0;
  String Comments;
  TDateTime Created = 0;
  Integer EditTime = 0;
  String Keywords, LastAuthor;
  TDateTime LastPrinted = 0, LastSaved = 0;
  Integer PageCount = 0;
  String RevNumber, Subject, Template, Title;
  Integer WordCount = 0;
  String Category, PresentationTarget;
  Integer ByteCount = 0, LineCount = 0, ParagraphCount = 0, SlideCount = 0, NoteCount = 0, HiddenSlideCount = 0,
          MMClipCount = 0;
  String Manager, Company;
  Integer CharCount2 = 0;

  void Assign(const TSMISummaryInformation& source) { *this = source; }
  void Clear() { *this = TSMISummaryInformation(); }

  // One property by its identifier: a text, an integer or a date-time (the
  // caller passes the kind it read); the document summary column when
  // isDocSummary.
  void ParseProperty(Integer propID, const String* text, const Integer* number, const TDateTime* date,
                     bool isDocSummary);
  // A tag of docProps/app.xml or docProps/core.xml and its text.
  void ParseXMLPair(StringView tag, const String& value);
  // Reads a property-set stream ("\005SummaryInformation" or
  // "\005DocumentSummaryInformation"); a short or damaged stream ends the
  // reading quietly, a bad value skips that value.
  void ReadPropertySet(const Byte* data, size_t size, bool isDocSummary);
};

// "2015-06-01T13:45:30Z" → its date and time (zone ignored); parts that are
// no number count as 0; 0 for a text that is no date at all.
TDateTime XMLStrToDate(StringView text);
// A FILETIME (100 ns since 1601, UTC) as a date-time; 0 when out of range.
TDateTime FileTimeToDateTime(UInt64 fileTime);
