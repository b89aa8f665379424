// One fuzz input for the markup and log sources: the bytes read as an HTML
// page, an XML document (every record shape), a calendar, a Skype log and
// an OpenDocument package, each value of what loads read back. A clean
// exception is a correct outcome; anything else escapes and counts as a
// fault. The fuzz targets and the corpus replay test share these paths.
#pragma once

#include <string_view>
#include <vector>

#include "fuzz/rows_on_demand_input.h"
#include "import/readers/ImportFromHTML.h"
#include "import/readers/ImportFromXML.h"
#include "import/readers/OpenOfficeCalc.h"
#include "import/readers/Skype.h"
#include "import/readers/VCalendar.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace markup_fuzz {

inline void Fill(TMemoryStream& stream, std::string_view bytes) {
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
}

inline void ReadHtmlInput(std::string_view bytes) {
  for (TSMIExtTags tags : {TSMIExtTags{0}, ExtTagBit(etImage)}) {
    try {
      TMemoryStream stream;
      Fill(stream, bytes);
      TWideStrings captions;
      std::vector<String> rows;
      THTMLLoad load{{}, &captions, &rows};
      LoadHTMLFromStream(false, load, stream, 1, 2147483647, 0, 1, tags);
      String value;
      for (const String& row : rows)
        for (int c = 1; c <= captions.Count() + 1; ++c) GetValue(nullptr, c, row, value);
    } catch (const Exception&) {
    }
  }
}

inline void ReadXmlImportInput(std::string_view bytes) {
  TSMIXMLTags tags[3];
  tags[1].RecordsTag = u"";
  tags[2].RowTag = u"RECORD";
  tags[2].SubNodes = true;
  for (const TSMIXMLTags& t : tags) {
    try {
      TMemoryStream stream;
      Fill(stream, bytes);
      std::vector<TXMLField> fields;
      std::vector<String> records;
      String encoding;
      LoadXMLFromStream(false, &fields, &records, stream, u"T", encoding, 1, 2147483647, -1, t);
      String value;
      for (const String& record : records)
        for (const TXMLField& field : fields) FindXMLValue(field.Name, record, value);
    } catch (const Exception&) {
    }
  }
}

// The bytes loaded by a reader of the given class.
template <typename TReader>
void LoadWith(std::string_view bytes, TSMIParseItems extraItems = 0) {
  try {
    TMemoryStream stream;
    Fill(stream, bytes);
    TReader reader;
    reader.SetParseItems(static_cast<TSMIParseItems>(reader.ParseItems() | extraItems));
    reader.LoadFromStream(stream);
  } catch (const Exception&) {
  }
}

inline void ReadCalendarInput(std::string_view bytes) { LoadWith<TSMIVCalendar>(bytes); }
inline void ReadSkypeInput(std::string_view bytes) { LoadWith<TSMISkype>(bytes); }
inline void ReadOdsInput(std::string_view bytes) {
  LoadWith<TSMIOpenOfficeSpreadsheet>(bytes, ParseItemBit(ipiPictures));
  ReadRowsOnDemand<TSMIOpenOfficeSpreadsheet>(bytes);
}

}  // namespace markup_fuzz
