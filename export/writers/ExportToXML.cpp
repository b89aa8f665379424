#include "export/writers/ExportToXML.h"

#include <cmath>
#include <filesystem>

#include "export/DataLevels.h"
#include "export/ExportFields.h"
#include "export/ExportText.h"
#include "export/RowSources.h"
#include "export/writers/XmlStreamWriter.h"
#include "platform/db/Field.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace ZAZ2XML {
TSMEXMLFormat DefaultXMLFormat = xmlIE;
String DefXMLParams = u"DEFAULT_ORDER=\"1\" PRIMARY_KEY=\"1\" LCID=\"1033\"";
String DefDTFormatForMIDAS = u"yyyymmddThh:nn:ss:zzz";
}  // namespace ZAZ2XML

namespace {

constexpr char16_t kCrLf[] = u"\r\n";

// The escaping of the export's XML: XML's own entities, quotes, per cent and
// the signs as references, TAB, CR and LF as references (so that a reader
// keeps them), control characters, which XML cannot hold, as "%XX".
constexpr TXmlEscapes kXmlEscapes{true, true, true, true, false, true, TXmlEscapes::ccPercentHex};

bool IsNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}
bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }

// The part of a date-time pattern before its first "T" (or, without one,
// before its first hour letter); the time part keeps what follows the "T"
// or starts at the hour letter.
String DatePart(const String& pattern) {
  size_t at = pattern.find(u'T');
  if (at == String::npos) at = pattern.find_first_of(u"hH");
  return at == String::npos ? pattern : pattern.substr(0, at);
}
String TimePart(const String& pattern) {
  const size_t t = pattern.find(u'T');
  if (t != String::npos) return pattern.substr(t + 1);
  const size_t h = pattern.find_first_of(u"hH");
  return h == String::npos ? String() : pattern.substr(h);
}

const char16_t kXslTemplate[] =
    u"<?xml version=\"1.0\"?>\r\n"
    u"<xsl:stylesheet xmlns:xsl=\"http://www.w3.org/TR/WD-xsl\">\r\n"
    u"  <xsl:template match=\"/\">\r\n"
    u"    <xsl:apply-templates/>\r\n"
    u"  </xsl:template>\r\n"
    u"\r\n"
    u"  <xsl:template match=\"%ROOT%\">\r\n"
    u"    <table border=\"1\">\r\n"
    u"      <xsl:apply-templates select=\"METADATA/FIELDS\"/>\r\n"
    u"      <xsl:apply-templates select=\"%ROWS%\"/>\r\n"
    u"    </table>\r\n"
    u"  </xsl:template>\r\n"
    u"\r\n"
    u"  <xsl:template match=\"FIELDS\">\r\n"
    u"    <tr>\r\n"
    u"      <xsl:apply-templates/>\r\n"
    u"    </tr>\r\n"
    u"  </xsl:template>\r\n"
    u"\r\n"
    u"  <xsl:template match=\"FIELD\">\r\n"
    u"    <th>\r\n"
    u"      <xsl:value-of select=\"@attrname\"/>\r\n"
    u"    </th>\r\n"
    u"  </xsl:template>\r\n"
    u"\r\n"
    u"  <xsl:template match=\"%ROW%\">\r\n"
    u"    <tr>\r\n"
    u"      <xsl:for-each%SELECT%>\r\n"
    u"        <td>\r\n"
    u"          <xsl:value-of/>\r\n"
    u"        </td>\r\n"
    u"      </xsl:for-each>\r\n"
    u"    </tr>\r\n"
    u"  </xsl:template>\r\n"
    u"</xsl:stylesheet>\r\n";

}  // namespace

TRODirezaToXML::TRODirezaToXML(TComponent* owner)
    : TRODirezaToCellBufferedFile(owner), Format(ZAZ2XML::DefaultXMLFormat), XMLParams(ZAZ2XML::DefXMLParams) {
  SetTableType(teXML);
  DataFormats.DateOrder = doYMD;
  DataFormats.FourDigitYear = true;
  DataFormats.LeadingZerosInDate = true;
  DataFormats.CustomDateTimeFormat = ZAZ2XML::DefDTFormatForMIDAS;
}

String TRODirezaToXML::ConvertSpaces(StringView name) {
  String out(name);
  for (char16_t& c : out)
    if (c == u' ' || c == u'%' || c == u'(' || c == u')') c = u'_';
  return out;
}

String TRODirezaToXML::GetRecordsTag() const {
  if (!TableName.empty() && XMLTags.TableNameAsRecordsTag) return TableName;
  if (Statistic.CurrentDataLevel > 0 && Statistic.CurrentDetailLevel != nullptr &&
      !Statistic.CurrentDetailLevel->Caption.empty())
    return Statistic.CurrentDetailLevel->Caption;
  return XMLTags.RecordsTag;
}

bool TRODirezaToXML::IsAttributeDialect() const {
  return Format == xmlIE || Format == xmlIECompact || Format == xmlClientDataset || Format == xmlADO;
}

const String& TRODirezaToXML::Indent() {
  const size_t width = static_cast<size_t>(2 * (Statistic.CurrentDataLevel + 1));
  if (FIndent.size() != width) FIndent.assign(width, u' ');
  return FIndent;
}

// ---------------------------------------------------------------------------
// Encoding

void TRODirezaToXML::InternalBeforeProcess() {
  // The writer encodes itself: the cells must reach it as text, not as the
  // bytes of an 8-bit set.
  FFileSet = CharacterSet;
  if (CharacterSet != csUTF8 && CharacterSet != csUnicode) FRunCharacterSet.Apply(CharacterSet, csANSI_WINDOWS);
  TRODirezaToCellBufferedFile::InternalBeforeProcess();
}

void TRODirezaToXML::InternalAfterProcess() {
  FRunCharacterSet.Restore(CharacterSet);
  TRODirezaToCellBufferedFile::InternalAfterProcess();
}

void TRODirezaToXML::Put(StringView markup) { FOut.Markup(markup); }

void TRODirezaToXML::PutValue(StringView value, bool attribute) { FOut.Value(value, kXmlEscapes, attribute); }

void TRODirezaToXML::Emit() {
  if (FOut.Empty()) return;
  const std::string& bytes = FOut.Take();
  WriteBytes(bytes.data(), bytes.size());
}

String TRODirezaToXML::ValidName(StringView name) {
  String out = ConvertSpaces(name);
  for (char16_t& c : out) {
    if (!IsNameChar(c)) c = u'_';
    // A name must be written as characters, never as references.
    if (!FOut.Representable(c)) c = u'_';
  }
  if (out.empty() || !IsNameStart(out[0])) out.insert(out.begin(), u'_');
  return out;
}

// ---------------------------------------------------------------------------
// File

void TRODirezaToXML::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  FOut.Take();
  FLastMergedTag.clear();
  FRowOpen.assign(1, false);
  FRowHasContent.assign(1, false);
  FDateFormat = DatePart(Format == xmlClientDataset ? ZAZ2XML::DefDTFormatForMIDAS : DataFormats.GetDateFormat());
  FTimeFormat = TimePart(Format == xmlClientDataset
                             ? ZAZ2XML::DefDTFormatForMIDAS
                             : DataFormats.GetTimeFormat() + TSMEDataFormats::GetDTSeparator(DataFormats.DecimalSeparator) +
                                   u"zzz");

  // The file's encoding: the one an appended file has, else the asked set.
  FFileSet = FRunCharacterSet.Saved().value_or(CharacterSet);
  if (FIsMergedFile) TakeClosingTags();
  using TEncoding = TMarkupOutput::TEncoding;
  switch (FFileSet) {
    case csUTF8: FOut.SetEncoding(TEncoding::Utf8); break;
    case csUnicode: FOut.SetEncoding(TEncoding::Utf16LE); break;
    case csASCII_MSDOS: FOut.SetEncoding(TEncoding::CodePage, OemCodePage()); break;
    case csEBCDIC: FOut.SetEncoding(TEncoding::Utf8); break;  // XML readers know no EBCDIC of ours
    default: FOut.SetEncoding(TEncoding::CodePage, AnsiCodePage()); break;
  }

  FRecordName = ValidName(XMLTags.RecordTag);
  FRowName = ValidName(XMLTags.RowTag);
  FHeaderName = u"HEADER";
  FFooterName = u"FOOTER";

  // Column names: valid XML names, unique within a row.
  FExported.clear();
  FNames.clear();
  for (const auto& column : Columns) {
    if (!column->Visible && !HasOption(Options, soExportInvisibleFields)) continue;
    FExported.push_back(column.get());
    TField* field = SourceDataEngine() != nullptr ? SourceDataEngine()->FindFieldByColumn(column.get()) : nullptr;
    String name = ValidName(field != nullptr ? field->DisplayLabel()
                            : HasOption(Options, soUseFieldNameAsCaption) ? column->Title.Caption
                                                                          : column->FieldName);
    const String base = name;
    for (int n = 2; std::find(FNames.begin(), FNames.end(), name) != FNames.end(); ++n) name = base + u"_" + IntToStr(n);
    FNames.push_back(name);
  }
  if (FIsMergedFile) return;

  const bool stylesheet =
      GenerateXSL && Format != xmlMSSQL && Format != xmlADO && !FileName.empty() && OutputStream != nullptr;
  String xslFile;
  if (stylesheet) {
    xslFile = Utf8ToString(std::filesystem::path(StringToUtf8(FileName)).replace_extension(".xsl").string());
    WriteStylesheet(xslFile);
  }
  if (FOut.Encoding() == TEncoding::Utf8 && FFileSet == csUTF8) WriteBytes("\xEF\xBB\xBF", 3);
  if (FOut.Encoding() == TEncoding::Utf16LE) WriteBytes("\xFF\xFE", 2);
  // The rowset form has no declaration in UTF-8 and UTF-16, which a reader
  // tells by themselves; a code page must be declared.
  if (Format != xmlADO || FOut.Encoding() == TEncoding::CodePage) {
    String encoding;
    switch (FOut.Encoding()) {
      case TEncoding::Utf8: encoding = u"UTF-8"; break;
      case TEncoding::Utf16LE: encoding = u"UTF-16"; break;
      case TEncoding::CodePage:
        encoding = (FFileSet == csASCII_MSDOS ? u"IBM" : u"windows-") + IntToStr(FOut.CodePage());
        break;
    }
    Put(u"<?xml version=\"1.0\" encoding=\"" + encoding + u"\" standalone=\"yes\"?>");
    if (stylesheet) {
      Put(String(kCrLf) + u"<?xml-stylesheet type=\"text/xsl\" href=\"");
      PutValue(Utf8ToString(std::filesystem::path(StringToUtf8(xslFile)).filename().string()), true);
      Put(u"\"?>");
    }
    if (Format != xmlClientDataset) {
      // A comment cannot hold "--".
      Put(String(kCrLf) + u"<!-- Generated by " + ReplaceTags(KeyGenerator, u"--", u"- -") + u"-->" + kCrLf);
    }
  }
  if (AddDocType && (Format == xmlIE || Format == xmlIECompact || Format == xmlElement)) {
    String doctype = u"<!DOCTYPE tutorial [";
    for (const char16_t* entity : {u"auml", u"ouml", u"uuml", u"Auml", u"Ouml", u"Uuml", u"szlig"})
      doctype += String(kCrLf) + u"    <!ENTITY " + entity + u" \"&amp;" + entity + u";\">";
    doctype += String(kCrLf) + u"    <!ENTITY ret \"&amp;lt;br/&amp;gt;\">" + kCrLf + u"    <!ENTITY car \"\">" + kCrLf + u"]>";
    Put(doctype);
  }
  OpenDataXMLTag();
  Emit();
}

void TRODirezaToXML::WriteFileEnd() {
  CloseDataXMLTag();
  Emit();
  TRODirezaToCellBufferedFile::WriteFileEnd();
}

void TRODirezaToXML::TakeClosingTags() {
  if (OutputStream == nullptr) return;
  // The existing file's set, by its mark; one file holds one encoding.
  Byte head[3] = {0, 0, 0};
  const Int64 size = OutputStream->Size();
  OutputStream->SetPosition(0);
  OutputStream->Read(head, std::min<Int64>(size, 3));
  if (size >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) FFileSet = csUTF8;
  else if (size >= 2 && head[0] == 0xFF && head[1] == 0xFE) FFileSet = csUnicode;
  else if (FFileSet == csUTF8 || FFileSet == csUnicode) FFileSet = csANSI_WINDOWS;
  const bool wide = FFileSet == csUnicode;

  // The data's closing tags: one end tag, two for the dialects whose data
  // sits in two elements.
  const int tags = Format == xmlClientDataset || Format == xmlADO ? 2 : 1;
  const Int64 tail = std::min<Int64>(size, 1 << 16);
  std::string bytes(static_cast<size_t>(tail), '\0');
  OutputStream->SetPosition(size - tail);
  OutputStream->ReadBuffer(bytes.data(), tail);
  const size_t unit = wide ? 2 : 1;
  size_t at = bytes.size();
  for (int found = 0; found < tags;) {
    if (at < unit) {
      at = 0;
      break;
    }
    at -= unit;
    if (bytes[at] == '<' && (!wide || bytes[at + 1] == 0) && at % unit == 0) ++found;
  }
  const std::string kept = bytes.substr(at);
  if (wide) {
    String text;
    for (size_t i = 0; i + 1 < kept.size(); i += 2)
      text += static_cast<char16_t>(static_cast<Byte>(kept[i]) | static_cast<Byte>(kept[i + 1]) << 8);
    FLastMergedTag = text;
  } else {
    FLastMergedTag = FFileSet == csUTF8 ? Utf8ToString(kept) : AnsiToString(kept);
  }
  const Int64 position = size - tail + static_cast<Int64>(at);
  OutputStream->SetSize(position);
  OutputStream->SetPosition(position);
}

void TRODirezaToXML::WriteStylesheet(const String& xslFile) {
  const bool dataset = Format == xmlClientDataset;
  String text = kXslTemplate;
  text = ReplaceTags(text, u"%ROOT%", dataset ? u"DATAPACKET" : u"RECORDS");
  text = ReplaceTags(text, u"%ROWS%",
                     dataset ? u"ROWDATA/ROW" : Format == xmlElement ? u"RECORD" : u"RECORD/ROW");
  text = ReplaceTags(text, u"%ROW%", dataset ? u"ROWDATA/ROW" : Format == xmlElement ? u"RECORD" : u"ROW");
  text = ReplaceTags(text, u"%SELECT%", Format == xmlElement ? u"" : u" select=\"@*\"");
  text = ReplaceTags(text, u"RECORDS", GetRecordsTag());
  text = ReplaceTags(text, u"RECORD", XMLTags.RecordTag);
  text = ReplaceTags(text, u"ROW", XMLTags.RowTag);
  CreateDirIfNotExists(xslFile);
  // UTF-8, the encoding its declaration implies.
  TSafeFileWriter file(xslFile);
  const std::string bytes = StringToUtf8(text);
  file.Stream().WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  file.Commit();
}

// ---------------------------------------------------------------------------
// Data levels

String TRODirezaToXML::XMLFieldType(TFieldType type, Integer width, bool required, bool readOnly) const {
  String t;
  if (Format == xmlMSSQL) {
    const auto simple = [](const char16_t* xsd) { return u"type=\"xsd:" + String(xsd) + u"\" minOccurs=\"0\"/>"; };
    switch (type) {
      case ftString: case ftWideString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftWideMemo: {
        const bool memo = type == ftMemo || type == ftFmtMemo || type == ftWideMemo;
        return u"minOccurs=\"0\">" + String(kCrLf) + String(9, u'\t') + u"<xsd:simpleType>" + kCrLf +
               String(10, u'\t') + u"<xsd:restriction base=\"xsd:string\">" + kCrLf + String(11, u'\t') +
               u"<xsd:maxLength value=\"" + (memo ? String(u"2147483647") : IntToStr(width)) + u"\"/>" + kCrLf +
               String(10, u'\t') + u"</xsd:restriction>" + kCrLf + String(9, u'\t') + u"</xsd:simpleType>" + kCrLf +
               String(8, u'\t') + u"</xsd:element>";
      }
      case ftSmallint: case ftInteger: case ftWord: return simple(u"int");
      case ftBoolean: return simple(u"boolean");
      case ftFloat: case ftBCD: return simple(u"r8");
      case ftCurrency: return simple(u"money");
      case ftDate: return simple(u"date");
      case ftTime: return simple(u"time");
      case ftDateTime: return simple(u"datetime");
      case ftAutoInc: return simple(u"autoinc");
      // Without a type the element would stay open; a text is the safe guess.
      default: return simple(u"string");
    }
  }
  if (Format == xmlADO) {
    const String nullable = required ? u"'false'" : u"'true'";
    const auto number = [&](const char16_t* precision) {
      return u"dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='0' rs:precision='" +
             String(precision) + u"' rs:fixedlength='true' rs:maybenull=" + nullable;
    };
    switch (type) {
      case ftString: case ftWideString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftWideMemo: {
        const bool memo = type == ftMemo || type == ftFmtMemo || type == ftWideMemo;
        return u"dt:type='string' rs:dbtype='str' dt:maxLength='" + (memo ? String(u"2147483647") : IntToStr(width)) +
               u"' rs:maybenull=" + nullable;
      }
      case ftSmallint: case ftWord: return number(u"4");
      case ftInteger: return number(u"8");
      case ftBoolean: return number(u"1");
      case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc: return number(u"16");
      case ftDate: case ftTime: case ftDateTime:
        return u"dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='0' rs:precision='19' "
               u"rs:fixedlength='true' rs:maybenull=" + nullable;
      default: return u"dt:type='string' rs:dbtype='str' rs:maybenull=" + nullable;
    }
  }
  switch (type) {
    case ftSmallint: t = u"\"i2\""; break;
    case ftInteger: t = u"\"i4\""; break;
    case ftWord: t = u"\"ui2\""; break;
    case ftBoolean: t = u"\"boolean\""; break;
    case ftFloat: case ftBCD: t = u"\"r8\""; break;
    case ftCurrency: t = u"\"r8\" SUBTYPE=\"Money\""; break;
    case ftDate: t = u"\"date\""; break;
    case ftTime: t = u"\"time\""; break;
    case ftDateTime: t = u"\"datetime\""; break;
    case ftAutoInc: t = u"\"i4\" SUBTYPE=\"Autoinc\""; break;
    case ftBlob: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftOraBlob: t = u"\"blob\""; break;
    case ftMemo: case ftFmtMemo: case ftOraClob: case ftWideMemo: t = u"\"blob\" SUBTYPE=\"Text\""; break;
    case ftGraphic: t = u"\"blob\" SUBTYPE=\"Image\""; break;
    default: t = u"\"string\" WIDTH=\"" + IntToStr(width) + u"\""; break;
  }
  if (required) t += u" required=\"true\"";
  if (readOnly) t += u" readonly=\"true\"";
  return t;
}

String TRODirezaToXML::Metadata() {
  TSMECustomDataEngine* source = SourceDataEngine();
  const TSMEColumns* columns = &Columns;
  if (Statistic.CurrentDataLevel > 0 && Statistic.CurrentDetailLevel != nullptr) {
    columns = &Statistic.CurrentDetailLevel->Columns;
    source = Statistic.CurrentDetailLevel->SourceDataEngine();
  }
  struct Entry {
    String Name, FieldName, Type;
  };
  std::vector<Entry> entries;
  for (const auto& column : *columns) {
    if (!column->Visible && !HasOption(Options, soExportInvisibleFields)) continue;
    const String name =
        ValidName(HasOption(Options, soUseFieldNameAsCaption) ? column->Title.Caption : column->FieldName);
    const TFieldType type = source != nullptr ? source->DataTypeByColumn(*column) : CellType2FieldType(column->DataType);
    const bool required = source != nullptr && source->RequiredByColumn(column.get());
    const bool readOnly = source != nullptr && source->ReadOnlyByColumn(column.get());
    entries.push_back({name, column->FieldName, XMLFieldType(type, column->Width, required, readOnly)});
  }
  String out;
  if (Format == xmlMSSQL) {
    const char16_t* head[] = {u"<xsd:element name=\"VFPData\" msdata:IsDataSet=\"true\">", u"<xsd:complexType>",
                              u"<xsd:choice maxOccurs=\"unbounded\">", nullptr, u"<xsd:complexType>",
                              u"<xsd:sequence>"};
    out = u"<xsd:schema id=\"VFPData\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
          u"xmlns:msdata=\"urn:schemas-microsoft-com:xml-msdata\">";
    for (size_t i = 0; i < std::size(head); ++i) {
      out += String(kCrLf) + String(i + 1, u'\t');
      out += head[i] != nullptr ? String(head[i]) : u"<xsd:element name=\"" + ValidName(XMLTags.RecordTag) + u"\">";
    }
    out += kCrLf;
    for (const Entry& e : entries)
      out += String(8, u'\t') + u"<xsd:element name=\"" + e.Name + u"\" " + e.Type + kCrLf;
    const char16_t* tail[] = {u"</xsd:sequence>", u"</xsd:complexType>", u"</xsd:element>", u"</xsd:choice>",
                              u"</xsd:complexType>", u"</xsd:element>", u"</xsd:schema>"};
    for (size_t i = 0; i < std::size(tail); ++i) out += String(7 - i, u'\t') + tail[i] + kCrLf;
    return out;
  }
  if (Format == xmlADO) {
    out = String(u"<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'") + kCrLf +
          u"     xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'" + kCrLf +
          u"     xmlns:rs='urn:schemas-microsoft-com:rowset'" + kCrLf + u"     xmlns:z='#RowsetSchema'>" + kCrLf +
          u"<s:Schema id='RowsetSchema'>" + kCrLf + u"  <s:ElementType name='row' content='eltOnly' rs:updatable='true'>" +
          kCrLf;
    Integer n = 1;
    for (const Entry& e : entries) {
      out += u"    <s:AttributeType name='" + e.Name + u"' rs:number='" + IntToStr(n++) +
             u"' rs:writeunknown='true' rs:basecolumn='" + e.Name + u"'>" + kCrLf + u"      <s:datatype " + e.Type +
             u"/>" + kCrLf + u"    </s:AttributeType>" + kCrLf;
    }
    out += String(u"    <s:extends type='rs:rowbase'/>") + kCrLf + u"  </s:ElementType>" + kCrLf + u"</s:Schema>" +
           kCrLf + u"<rs:data>" + kCrLf;
    return out;
  }
  out = u"<METADATA><FIELDS>";
  for (const Entry& e : entries) {
    out += u"<FIELD ";
    if (e.Name != e.FieldName) {
      // A field name is a value here, escaped like any.
      std::string escaped;
      TXmlStreamWriter::AppendEscaped(escaped, e.FieldName, kXmlEscapes, true);
      out += u"fieldname=\"" + Utf8ToString(escaped) + u"\" ";
    }
    out += u"attrname=\"" + e.Name + u"\" fieldtype=" + e.Type + u"/>";
  }
  out += u"</FIELDS>";
  if (!XMLParams.empty()) out += u"<" + ValidName(XMLTags.ParamsTag) + u" " + XMLParams + u"/>";
  out += u"</METADATA>";
  if (Format == xmlIE || Format == xmlElement) out += kCrLf;
  return out;
}

void TRODirezaToXML::OpenDataXMLTag() {
  const bool merged = FIsMergedFile && Statistic.CurrentDataLevel == 0;
  const bool detail = Statistic.CurrentDataLevel > 0;
  const String records = ValidName(GetRecordsTag());
  switch (Format) {
    case xmlIE:
      Put(merged ? String(kCrLf)
                 : String(static_cast<size_t>(2 * Statistic.CurrentDataLevel), u' ') + u"<" + records + u">" + kCrLf);
      break;
    case xmlIECompact:
      if (!merged) Put(u"  <" + records + u">");
      break;
    case xmlClientDataset:
      if (!merged) Put(detail ? u"  <DATAPACKET>" : u"  <DATAPACKET Version=\"2.0\">");
      break;
    case xmlElement:
      Put(String(u"  ") + kCrLf);
      if (!merged) Put(u"<" + records + u">" + kCrLf);
      break;
    case xmlMSSQL:
      if (!merged) Put(String(u"<VFPData>") + kCrLf);
      break;
    case xmlADO:
      break;
  }
  // Metadata describes a new document's data; an appended file has it.
  if (!merged && (AddTitle || Format == xmlADO)) Put(Metadata());
  if (Format == xmlClientDataset && !merged) Put(u"<ROWDATA>");
}

void TRODirezaToXML::CloseDataXMLTag() {
  if (FIsMergedFile && Statistic.CurrentDataLevel == 0) return Put(FLastMergedTag);
  switch (Format) {
    case xmlClientDataset: Put(u"</ROWDATA></DATAPACKET>"); break;
    case xmlMSSQL: Put(u"</VFPData>"); break;
    case xmlADO: Put(String(u"</rs:data>") + kCrLf + u"</xml>"); break;
    default:
      if (Format == xmlIE) Put(String(static_cast<size_t>(2 * Statistic.CurrentDataLevel), u' '));
      Put(u"</" + ValidName(GetRecordsTag()) + u">");
      break;
  }
}

void TRODirezaToXML::WriteDataBegin() {
  TRODirezaToCellBufferedFile::WriteDataBegin();
  const size_t level = static_cast<size_t>(std::max<Integer>(Statistic.CurrentDataLevel, 0));
  if (FRowOpen.size() <= level) {
    FRowOpen.resize(level + 1, false);
    FRowHasContent.resize(level + 1, false);
  }
  if (level > 0) {
    OpenDataXMLTag();
    Emit();
  }
}

void TRODirezaToXML::WriteDataEnd() {
  if (Statistic.CurrentDataLevel > 0) {
    CloseDataXMLTag();
    Emit();
  }
  TRODirezaToCellBufferedFile::WriteDataEnd();
}

void TRODirezaToXML::WriteDataLevelStart() {
  // A detail level nests inside the master's row element, which now gets
  // content and an end tag of its own.
  const size_t level = static_cast<size_t>(std::max<Integer>(Statistic.CurrentDataLevel, 0));
  if (level < FRowOpen.size() && FRowOpen[level] && IsAttributeDialect()) {
    if (Format == xmlIE) Put(u"  " + Indent() + u">" + kCrLf);
    else Put(u">");
    FRowHasContent[level] = true;
  }
  Emit();
  TRODirezaToCellBufferedFile::WriteDataLevelStart();
}

const String& TRODirezaToXML::RecordName() const {
  switch (Statistic.CurrentSection) {
    case esHeader: return FHeaderName;
    case esFooter: return FFooterName;
    default: return FRecordName;
  }
}

void TRODirezaToXML::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  const String& record = RecordName();
  const String& indent = Indent();
  switch (Format) {
    case xmlIE:
      Put(indent), Put(u"<"), Put(record), Put(u">\r\n"), Put(indent), Put(u"  <"), Put(FRowName), Put(kCrLf);
      break;
    case xmlIECompact: Put(u"<"), Put(record), Put(u"><"), Put(FRowName); break;
    case xmlClientDataset: Put(u"<"), Put(FRowName); break;
    case xmlElement: Put(u"<"), Put(record), Put(u">\r\n"); break;
    case xmlMSSQL: Put(u"\t<"), Put(record), Put(u">\r\n"); break;
    case xmlADO: Put(indent), Put(u"<"), Put(FRowName); break;
  }
  const size_t level = static_cast<size_t>(std::max<Integer>(Statistic.CurrentDataLevel, 0));
  if (level < FRowOpen.size()) {
    FRowOpen[level] = IsAttributeDialect();
    FRowHasContent[level] = false;
  }
}

void TRODirezaToXML::WriteRowEnd() {
  const String& record = RecordName();
  const String& indent = Indent();
  const size_t level = static_cast<size_t>(std::max<Integer>(Statistic.CurrentDataLevel, 0));
  const bool content = level < FRowHasContent.size() && FRowHasContent[level];
  const auto close = [&] {
    if (content) Put(u"</"), Put(FRowName), Put(u">");
    else Put(u"/>");
  };
  switch (Format) {
    case xmlIE:
      Put(u"  "), Put(indent), close(), Put(kCrLf), Put(indent), Put(u"</"), Put(record), Put(u">\r\n");
      break;
    case xmlIECompact: close(), Put(u"</"), Put(record), Put(u">"); break;
    case xmlClientDataset: close(); break;
    case xmlElement: Put(u"</"), Put(record), Put(u">\r\n"); break;
    case xmlMSSQL: Put(u"\t</"), Put(record), Put(u">\r\n"); break;
    case xmlADO: close(), Put(kCrLf); break;
  }
  if (level < FRowOpen.size()) FRowOpen[level] = false;
  Emit();
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

// ---------------------------------------------------------------------------
// Cells

String TRODirezaToXML::GetFieldStr(TField* field) {
  // A null is an empty value: no attribute or element unless blank values
  // are asked for, and then an empty one.
  if (field == nullptr || field->IsNull()) return String();
  switch (field->DataType()) {
    case ftBoolean:
      return field->AsBoolean() ? DataFormats.BooleanTrue : DataFormats.BooleanFalse;
    case ftDate:
      return FormatDateTime(FDateFormat, field->AsDateTime());
    case ftTime:
      return FormatDateTime(FTimeFormat, field->AsDateTime());
    case ftDateTime: {
      const TDateTime value = field->AsDateTime();
      double whole;
      String text = FormatDateTime(FDateFormat, value);
      if (std::modf(value, &whole) != 0) {
        text += Format == xmlClientDataset || Format == xmlADO ? u"T" : u" ";
        text += FormatDateTime(FTimeFormat, value);
      }
      return text;
    }
    default:
      return TRODirezaToCellBufferedFile::GetFieldStr(field);
  }
}

const String& TRODirezaToXML::CellName(TField* field, Integer row, Integer column) {
  if (!IsDataArea && field == nullptr) return FName = u"LINE" + IntToStr(row);
  if (Statistic.CurrentDataLevel == 0 && column >= 0 && static_cast<size_t>(column) < FNames.size())
    return FNames[static_cast<size_t>(column)];
  if (field != nullptr) return FName = ValidName(field->DisplayLabel());
  return FName = ValidName(u"COLUMN" + IntToStr(column));
}

void TRODirezaToXML::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                               TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  const bool blob = (field != nullptr && field->IsBlob()) || cellType == ctMEMO || cellType == ctGraphic;
  const bool binary = field != nullptr && field->IsBlob() && !IsMemoField(field);
  if (binary ? field->IsNull() : text.empty()) {
    if (!HasOption(Options, soExportBlankValues)) return;
  }
  const String& name = CellName(field, row, column);
  const String* value = &text;
  bool cdata = false;
  if (blob && !text.empty() && BLOBEncoding == beEncode64) {
    if (binary) {
      const std::vector<Byte> bytes = field->AsBytes();
      FValue = Encode64(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } else {
      FValue = Encode64(StringToUtf8(text));
    }
    value = &FValue;
    // Base64 needs no escaping; CDATA marks it as one block of text.
    cdata = Format == xmlElement || Format == xmlMSSQL;
  }
  const char16_t* quote = QuoteTerm == u'\'' ? u"'" : u"\"";
  switch (Format) {
    case xmlIE: Put(Indent()), Put(u"    "), Put(name), Put(u"="), Put(quote); break;
    case xmlIECompact:
    case xmlClientDataset:
    case xmlADO: Put(u" "), Put(name), Put(u"="), Put(quote); break;
    case xmlElement: Put(u"      <"), Put(name), Put(u">"); break;
    case xmlMSSQL: Put(u"\t\t<"), Put(name), Put(u">"); break;
  }
  if (cdata) {
    Put(u"<![CDATA["), Put(*value), Put(u"]]>");
  } else {
    PutValue(*value, IsAttributeDialect());
  }
  if (IsAttributeDialect()) {
    Put(quote);
    if (Format == xmlIE) Put(kCrLf);
  } else {
    Put(u"</"), Put(name), Put(u">\r\n");
  }
}
