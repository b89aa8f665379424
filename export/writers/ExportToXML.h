// XML output in six dialects, with an optional XSL stylesheet beside it and
// appending to an existing file. Values are escaped by the export's one XML
// escaping policy (XmlStreamWriter); the file is UTF-8, UTF-16LE or a code
// page (characters outside it as numeric references), and its declaration
// names the encoding written.
#pragma once

#include <vector>

#include "export/writers/CellFileWriter.h"
#include "export/writers/MarkupOutput.h"
#include "export/writers/RunCharacterSet.h"

enum TSMEXMLFormat : Byte { xmlIE, xmlIECompact, xmlClientDataset, xmlElement, xmlMSSQL, xmlADO };
enum TSMEBLOBEncoding : Byte { beNone, beEncode64 };

struct TSMEXMLTags {
  String RecordsTag = u"RECORDS";
  String RecordTag = u"RECORD";
  String RowTag = u"ROW";
  String ParamsTag = u"PARAMS";
  bool TableNameAsRecordsTag = false;

  void Assign(const TSMEXMLTags& source) { *this = source; }
};

namespace ZAZ2XML {
extern TSMEXMLFormat DefaultXMLFormat;
extern String DefXMLParams;
extern String DefDTFormatForMIDAS;
}

class TRODirezaToXML : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToXML(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToXML"; }

  TSMEXMLFormat Format;
  bool GenerateXSL = false;
  TSMEBLOBEncoding BLOBEncoding = beEncode64;
  String XMLParams;
  bool AddDocType = false;
  TSMEXMLTags XMLTags;
  WideChar QuoteTerm = u'"';  // the attribute quote: '"' or '\''

  String GetFieldStr(TField* field) override;
  String Extension() const override { return u".XML"; }
  String GetRecordsTag() const;
  // Every space, "%", "(" and ")" as "_".
  static String ConvertSpaces(StringView name);

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  bool MergeIsSupported() override { return true; }
  bool TitleIsSupported() override { return false; }
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDataBegin() override;
  void WriteDataEnd() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteDataLevelStart() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  bool IsAttributeDialect() const;
  const String& Indent();
  // The record element's name of the current section.
  const String& RecordName() const;
  void OpenDataXMLTag();
  void CloseDataXMLTag();
  String Metadata();
  String XMLFieldType(TFieldType type, Integer width, bool required, bool readOnly) const;
  void WriteStylesheet(const String& xslFile);
  // Reads the closing tags of the existing file's data and moves the output
  // back to where they begin.
  void TakeClosingTags();
  String ValidName(StringView name);
  const String& CellName(TField* field, Integer row, Integer column);
  // Markup, then escaped values, into the row's bytes; Emit encodes and
  // writes them.
  void Put(StringView markup);
  void PutValue(StringView value, bool attribute);
  void Emit();

  TRunCharacterSet FRunCharacterSet;
  TCharacterSet FFileSet = csUnicode;  // the set the file is written in
  TMarkupOutput FOut;
  String FLastMergedTag;
  std::vector<const TSMEColumn*> FExported;
  std::vector<String> FNames;  // per output column, valid and unique
  std::vector<bool> FRowOpen;  // per data level: a row's start tag awaits its end
  std::vector<bool> FRowHasContent;
  String FDateFormat, FTimeFormat;
  String FRecordName, FRowName, FHeaderName, FFooterName;
  String FIndent, FName, FValue;
};
