#include "import/readers/SummaryInformation.h"

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

Integer Digits(StringView text, size_t from, size_t count) {
  if (from + count > text.size()) return 0;
  Integer value = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return 0;
    value = value * 10 + (text[i] - u'0');
  }
  return value;
}

}  // namespace

TDateTime XMLStrToDate(StringView text) {
  const Integer year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const Integer hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  TDateTime date = 0, time = 0;
  if (month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
      !TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), date))
    date = 0;
  if (!TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(minute), static_cast<Word>(second), 0, time)) time = 0;
  return date + time;
}

TDateTime FileTimeToDateTime(UInt64 fileTime) {
  // 100-ns steps from 1601-01-01 to 1899-12-30.
  constexpr double kDaysTo1899 = 109205.0;
  const double days = static_cast<double>(fileTime) / 864000000000.0 - kDaysTo1899;
  if (days < -693593 || days > 2958465) return 0;
  return days;
}

void TSMISummaryInformation::ParseProperty(Integer propID, const String* text, const Integer* number,
                                           const TDateTime* date, bool isDocSummary) {
  auto setText = [text](String& field) {
    if (text) field = *text;
  };
  auto setNumber = [number](Integer& field) {
    if (number) field = *number;
  };
  auto setDate = [date](TDateTime& field) {
    if (date) field = *date;
  };
  if (!isDocSummary) {
    switch (propID) {
      case 2: setText(Title); break;
      case 3: setText(Subject); break;
      case 4: setText(Author); break;
      case 5: setText(Keywords); break;
      case 6: setText(Comments); break;
      case 7: setText(Template); break;
      case 8: setText(LastAuthor); break;
      case 9: setText(RevNumber); break;
      case 10: setNumber(EditTime); break;
      case 11: setDate(LastPrinted); break;
      case 12: setDate(Created); break;
      case 13: setDate(LastSaved); break;
      case 14: setNumber(PageCount); break;
      case 15: setNumber(WordCount); break;
      case 16: setNumber(CharCount); break;
      case 18: setText(AppName); break;
      default: break;
    }
    return;
  }
  switch (propID) {
    case 2: setText(Category); break;
    case 3: setText(PresentationTarget); break;
    case 4: setNumber(ByteCount); break;
    case 5: setNumber(LineCount); break;
    case 6: setNumber(ParagraphCount); break;
    case 7: setNumber(SlideCount); break;
    case 8: setNumber(NoteCount); break;
    case 9: setNumber(HiddenSlideCount); break;
    case 10: setNumber(MMClipCount); break;
    case 14: setText(Manager); break;
    case 15: setText(Company); break;
    case 17: setNumber(CharCount2); break;
    default: break;
  }
}

void TSMISummaryInformation::ParseXMLPair(StringView tag, const String& value) {
  auto count = [&value]() { return StrToIntDef(Trim(value), 0); };
  if (tag == u"Template") Template = value;
  else if (tag == u"TotalTime") EditTime = count();
  else if (tag == u"Pages") PageCount = count();
  else if (tag == u"Words") WordCount = count();
  else if (tag == u"Characters") CharCount = count();
  else if (tag == u"Application") AppName = value;
  else if (tag == u"Lines") LineCount = count();
  else if (tag == u"Paragraphs") ParagraphCount = count();
  else if (tag == u"Company") Company = value;
  else if (tag == u"CharactersWithSpaces") CharCount2 = count();
  else if (tag == u"dc:title") Title = value;
  else if (tag == u"dc:subject") Subject = value;
  else if (tag == u"dc:creator") Author = value;
  else if (tag == u"cp:keywords") Keywords = value;
  else if (tag == u"dc:description") Comments = value;
  else if (tag == u"cp:lastModifiedBy") LastAuthor = value;
  else if (tag == u"cp:revision") RevNumber = value;
  else if (tag == u"dcterms:created") Created = XMLStrToDate(value);
  else if (tag == u"dcterms:modified") LastSaved = XMLStrToDate(value);
}

void TSMISummaryInformation::ReadPropertySet(const Byte* data, size_t size, bool isDocSummary) {
  try {
    TByteReader reader(data, size);
    reader.Seek(44);
    const UInt64 section = reader.U32();
    reader.Seek(section + 4);
    const Cardinal count = reader.U32();
    // Each property takes 8 bytes of the table.
    if (UInt64{count} * 8 > reader.Remaining()) return;
    for (Cardinal i = 0; i < count; ++i) {
      const Integer id = reader.I32();
      const UInt64 offset = reader.U32();
      const UInt64 back = reader.Position();
      if (section + offset >= size) return;
      try {
        reader.Seek(section + offset);
        const Cardinal type = reader.U32();
        if (type == 3) {
          const Integer number = reader.I32();
          ParseProperty(id, nullptr, &number, nullptr, isDocSummary);
        } else if (type == 30) {
          const Cardinal length = reader.U32();
          AnsiString bytes = reader.Ansi(length);
          const size_t zero = bytes.find('\0');
          if (zero != AnsiString::npos) bytes.resize(zero);
          const String text = AnsiToString(bytes);
          ParseProperty(id, &text, nullptr, nullptr, isDocSummary);
        } else if (type == 64) {
          const TDateTime date = FileTimeToDateTime(reader.U64());
          ParseProperty(id, nullptr, nullptr, &date, isDocSummary);
        }
      } catch (const Exception&) {
        // One bad value is skipped, not the rest.
      }
      reader.Seek(back);
    }
  } catch (const Exception&) {
    // A short stream ends the reading quietly.
  }
}
