#include "export/writers/ExportToHTML.h"

#include <cmath>

#include "export/DataLevels.h"
#include "export/ExportFiles.h"
#include "export/ExportText.h"
#include "platform/db/Field.h"
#include "platform/rtl/Picture.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr char16_t kCrLf[] = u"\r\n";

// HTML's escaping: the entities of XML, per cent as a reference, the
// copyright, degree, pilcrow and plus-minus signs by name, control
// characters as "%XX". Quotes stay as they are in text (attribute values
// get references): "&apos;" is no HTML 4 entity, and readers such as
// LibreOffice show it as it is written.
constexpr TXmlEscapes kHtmlEscapes{false, true, true, true, true, false, TXmlEscapes::ccPercentHex};

size_t FindBodyEnd(const String& line) { return UpperCase(line).find(u"</BODY>"); }

}  // namespace

Integer HTMLFontSize(Integer points) {
  if (points >= 6 && points <= 7) return 1;
  if (points >= 8 && points <= 9) return 2;
  if (points >= 10 && points <= 13) return 3;
  if (points >= 14 && points <= 17) return 4;
  if (points >= 18 && points <= 23) return 5;
  if (points >= 24 && points <= 35) return 6;
  return -1;
}

String HTMLColor(TColor color, bool background) {
  const TColor rgb = ColorToRGB(color);
  if (rgb == 0) return String();
  char hex[8];
  std::snprintf(hex, sizeof hex, "%.2x%.2x%.2x", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
  return (background ? u"bgcolor=\"#" : u"color=\"#") + StrFromAscii(hex) + u"\"";
}

TRODirezaToHTML::TRODirezaToHTML(TComponent* owner) : TRODirezaToCellBufferedFile(owner) {
  AddTitle = true;
  SetTableType(teHTML);
}

void TRODirezaToHTML::Assign(const TComponent* source) {
  TRODirezaToCellBufferedFile::Assign(source);
  if (auto* from = dynamic_cast<const TRODirezaToHTML*>(source)) {
    EmbeddedImages = from->EmbeddedImages;
    HeaderFooterWithHTML = from->HeaderFooterWithHTML;
    HTMLPattern = from->HTMLPattern;
    OnGetExtHTMLCellParamsEvent = from->OnGetExtHTMLCellParamsEvent;
    OnGetExtHTMLTableParamsEvent = from->OnGetExtHTMLTableParamsEvent;
    OnGetExtHTMLRowParamsEvent = from->OnGetExtHTMLRowParamsEvent;
  }
}

void TRODirezaToHTML::InternalBeforeProcess() {
  // The page is encoded here (with references for what a set lacks): the
  // cells must arrive as text. Picture files are numbered across the files
  // of a split run, so none overwrites another.
  if (CharacterSet != csUTF8 && CharacterSet != csUnicode) FRunCharacterSet.Apply(CharacterSet, csANSI_WINDOWS);
  intCurPicFile = 1;
  TRODirezaToCellBufferedFile::InternalBeforeProcess();
}

void TRODirezaToHTML::InternalAfterProcess() {
  FRunCharacterSet.Restore(CharacterSet);
  TRODirezaToCellBufferedFile::InternalAfterProcess();
}

String TRODirezaToHTML::GetFieldStr(TField* field) {
  if (field != nullptr && HasOption(Options, soFieldMask) && !field->IsNull()) {
    switch (field->DataType()) {
      case ftDate: return FormatDateTime(DataFormats.GetDateFormat(), field->AsDateTime());
      case ftTime: return FormatDateTime(DataFormats.GetTimeFormat(), field->AsDateTime());
      case ftDateTime: {
        double whole;
        const TDateTime value = field->AsDateTime();
        return FormatDateTime(std::modf(value, &whole) != 0 ? DataFormats.GetDateTimeFormat()
                                                            : DataFormats.GetDateFormat(),
                              value);
      }
      default: break;
    }
  }
  return TRODirezaToCellBufferedFile::GetFieldStr(field);
}

void TRODirezaToHTML::Put(StringView markup) { FOut.Markup(markup); }
void TRODirezaToHTML::PutText(StringView text) { FOut.Value(text, kHtmlEscapes, false); }
void TRODirezaToHTML::Emit() {
  if (FOut.Empty()) return;
  const std::string& bytes = FOut.Take();
  WriteBytes(bytes.data(), bytes.size());
}

void TRODirezaToHTML::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  const TCharacterSet fileSet = FRunCharacterSet.Saved().value_or(CharacterSet);
  using TEncoding = TMarkupOutput::TEncoding;
  String charset;
  switch (fileSet) {
    case csUTF8: FOut.SetEncoding(TEncoding::Utf8); charset = u"charset=UTF-8"; break;
    case csUnicode: FOut.SetEncoding(TEncoding::Utf16LE); charset = u"charset=UTF-16"; break;
    default:
      // Browsers and HTML parsers know no DOS or EBCDIC code pages: those
      // pages are written in the ANSI code page, and say so.
      FOut.SetEncoding(TEncoding::CodePage, AnsiCodePage());
      charset = u"charset=windows-" + IntToStr(AnsiCodePage());
      break;
  }
  IsCustomHTMLTemplate = HTMLPattern.empty();
  if (IsCustomHTMLTemplate) {
    String title;
    std::string escaped;
    TXmlStreamWriter::AppendEscaped(escaped, GetLanguageString(6), kHtmlEscapes, false);
    HTMLPattern.push_back(String(u"<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\ncontent=\"text/html; ") +
                          charset + u"\">\r\n<meta name=\"GENERATOR\" content=\"" + GeneratorVer + u"\">\r\n<title>" +
                          Utf8ToString(escaped) + u"</title>\r\n</head>\r\n\r\n<body bgcolor=\"#FFFFFF\">\r\n</body>\r\n</html>");
  }
  strDefTDTag.clear();
  IsTBodyTag = false;
  if (!FIsMergedFile) {
    if (fileSet == csUTF8) WriteBytes("\xEF\xBB\xBF", 3);
    if (fileSet == csUnicode) WriteBytes("\xFF\xFE", 2);
  }
  intCurLineHTMLPattern = HTMLPattern.size();
  intCurColumn = String::npos;
  for (size_t i = 0; i < HTMLPattern.size(); ++i) {
    const size_t at = FindBodyEnd(HTMLPattern[i]);
    if (at != String::npos) {
      Put(StringView(HTMLPattern[i]).substr(0, at));
      Put(kCrLf);
      intCurLineHTMLPattern = i;
      intCurColumn = at;
      break;
    }
    Put(HTMLPattern[i]);
    Put(kCrLf);
  }
  Emit();
}

void TRODirezaToHTML::WriteFileEnd() {
  for (size_t i = intCurLineHTMLPattern; i < HTMLPattern.size(); ++i) {
    const size_t at = i == intCurLineHTMLPattern ? intCurColumn : FindBodyEnd(HTMLPattern[i]);
    Put(at != String::npos ? StringView(HTMLPattern[i]).substr(at) : StringView(HTMLPattern[i]));
    Put(kCrLf);
  }
  Emit();
  if (IsCustomHTMLTemplate) HTMLPattern.clear();
  IsCustomHTMLTemplate = false;
  TRODirezaToCellBufferedFile::WriteFileEnd();
}

void TRODirezaToHTML::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  arrWidthByColumns.assign(static_cast<size_t>(std::max<Integer>(colCount, 0)), 0);
  FWidthAttributes.assign(arrWidthByColumns.size(), String());
}

void TRODirezaToHTML::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCellBufferedFile::WriteColWidth(column, width);
  if (column >= 0 && static_cast<size_t>(column) < arrWidthByColumns.size()) {
    arrWidthByColumns[static_cast<size_t>(column)] = width;
    FWidthAttributes[static_cast<size_t>(column)] = u"width=\"" + IntToStr(16 * width) + u"\" ";
  }
}

void TRODirezaToHTML::WriteDataBegin() {
  TRODirezaToCellBufferedFile::WriteDataBegin();
  String attributes = HasOption(Options, soColLines) || HasOption(Options, soRowLines) ? u"border=\"1\"" : u"border=\"0\"";
  if (OnGetExtHTMLTableParamsEvent) OnGetExtHTMLTableParamsEvent(this, attributes);
  const TSMEDataLevel* detail = Statistic.CurrentDataLevel > 0 ? Statistic.CurrentDetailLevel : nullptr;
  if (detail != nullptr) {
    Put(u"<tr>");
    for (Integer i = 0; i < detail->ShiftCount; ++i) Put(u"<td>&nbsp;</td>");
    Put(u"<td colspan=" + IntToStr(Columns.Count() - detail->ShiftCount) + u">" + kCrLf);
  }
  Put(u"<table " + attributes + u">" + kCrLf);
  IsTBodyTag = false;
  Emit();
}

void TRODirezaToHTML::WriteDataEnd() {
  TRODirezaToCellBufferedFile::WriteDataEnd();
  if (IsTBodyTag) Put(String(u"</tbody>") + kCrLf);
  IsTBodyTag = false;
  Put(String(u"</table>") + kCrLf + kCrLf);
  if (Statistic.CurrentDataLevel > 0) Put(String(u"</td></tr>") + kCrLf);
  Emit();
}

void TRODirezaToHTML::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  if (Statistic.CurrentSection == esTitle) {
    Put(String(u"<thead>") + kCrLf);
  } else if (!IsTBodyTag && IsDataArea) {
    // Only rows of the table open its body: header lines stand before it.
    Put(String(u"<tbody>") + kCrLf);
    IsTBodyTag = true;
  }
  if (IsDataArea) {
    String attributes;
    if (OnGetExtHTMLRowParamsEvent) OnGetExtHTMLRowParamsEvent(this, attributes);
    Put(u"<tr" + attributes + u">" + kCrLf);
  }
}

void TRODirezaToHTML::WriteRowEnd() {
  if (IsDataArea) Put(String(u"</tr>") + kCrLf);
  if (Statistic.CurrentSection == esTitle) Put(String(u"</thead>") + kCrLf);
  Emit();
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToHTML::WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count,
                                     const String& text, TAlignment alignment, const TFont* font, TColor color) {
  strDefTDTag = count >= 2 ? u"colspan=\"" + IntToStr(count) + u"\"" : String();
  TRODirezaToCellBufferedFile::WriteMergeData(cellType, row, column, count, text, alignment, font, color);
}

String TRODirezaToHTML::Content(TCellType cellType, const String& text, const TFont* font) {
  // Only header and footer lines may be HTML: a value is always text, so
  // data never becomes markup.
  if (HeaderFooterWithHTML && !IsDataArea) return text;
  if (text.empty()) return u"&nbsp";
  std::string escaped;
  TXmlStreamWriter::AppendEscaped(escaped, text, kHtmlEscapes, false);
  String content = Utf8ToString(escaped);
  // A memo's line breaks (CR LF, LF or CR) show as line breaks.
  if (cellType == ctMEMO)
    content = ReplaceTags(ReplaceTags(ReplaceTags(content, u"\r\n", u"<br>"), u"\n", u"<br>"), u"\r", u"<br>");
  if (HasOption(Options, soColorsFonts) && font != nullptr) {
    if (font->Style & FontStyleBit(fsUnderline)) content = u"<u>" + content + u"</u>";
    if (font->Style & FontStyleBit(fsItalic)) content = u"<i>" + content + u"</i>";
    if (font->Style & FontStyleBit(fsBold)) content = u"<b>" + content + u"</b>";
    String attributes;
    if (font->Name != u"MS Sans Serif") attributes += u"face=\"" + font->Name + u"\" ";
    const Integer size = HTMLFontSize(font->Size);
    if (size != -1) attributes += u"size=" + IntToStr(size);
    const String colour = HTMLColor(font->Color, false);
    if (!colour.empty()) attributes += u" " + colour;
    content = u"<font " + attributes + u">" + content + u"</font>";
  }
  return content;
}

String TRODirezaToHTML::PictureCell(TField* field, const String& text, const String& tag, const String& attributes) {
  const std::vector<Byte> bytes = field != nullptr ? field->AsBytes() : std::vector<Byte>(text.begin(), text.end());
  const TPicture picture = TPicture::FromBytes(std::span<const Byte>(bytes));
  String source;
  if (EmbeddedImages) {
    const std::vector<Byte> file = picture.BmpFile();
    source = u"data:image/bmp;base64," + Encode64(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
  } else {
    source = GetFileNameByGraphic(FileName, intCurPicFile++, pkBitmap);
    picture.SaveToFile(source);
    std::string escaped;
    TXmlStreamWriter::AppendEscaped(escaped, source, kHtmlEscapes, true);
    source = Utf8ToString(escaped);
  }
  return u"  <" + tag + attributes + u"><img src=\"" + source + u"\" width=\"" + IntToStr(picture.Width()) +
         u"\" height=\"" + IntToStr(picture.Height()) + u"\"></" + tag + u">" + kCrLf;
}

void TRODirezaToHTML::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  String& attributes = FAttributes;
  attributes.clear();
  if (HasOption(Options, soColorsFonts) && color != 0xFFFFFFFF) {
    const String background = HTMLColor(color, true);
    if (!background.empty()) attributes += background + u" ";
  }
  if (IsDataArea && Statistic.CurrentDataLevel == 0 && column >= 0 &&
      static_cast<size_t>(column) < arrWidthByColumns.size() && arrWidthByColumns[static_cast<size_t>(column)] > 0)
    attributes += FWidthAttributes[static_cast<size_t>(column)];
  if (!strDefTDTag.empty()) attributes += strDefTDTag + u" ";
  strDefTDTag.clear();

  FTag = Statistic.CurrentSection == esTitle ? u"th" : u"td";
  if (OnGetExtHTMLCellParamsEvent) {
    TSMEColumn* sourceColumn = column >= 0 && column < Columns.Count() ? &Columns[column] : nullptr;
    OnGetExtHTMLCellParamsEvent(this, sourceColumn, attributes, FTag);
  }
  if (alignment == taRightJustify) attributes += u"align=\"right\"";
  if (alignment == taCenter) attributes += u"align=\"center\"";

  if (!IsDataArea) {
    if (HeaderFooterWithHTML)
      Put(text + kCrLf);
    else
      Put(u"<p " + attributes + u">" + Content(cellType, text, font) + u"</p>" + kCrLf);
    return;
  }
  while (!attributes.empty() && attributes.back() == u' ') attributes.pop_back();
  if (!attributes.empty() && attributes.front() == u' ') attributes = Trim(attributes);
  const bool picture = field != nullptr ? field->DataType() == ftGraphic && !field->IsNull()
                                        : cellType == ctGraphic && !text.empty();
  if (picture) return Put(PictureCell(field, text, FTag, attributes.empty() ? attributes : u" " + attributes));
  Put(u"  <");
  Put(FTag);
  if (!attributes.empty()) Put(u" "), Put(attributes);
  Put(u">");
  if (!text.empty() && cellType != ctMEMO && !HasOption(Options, soColorsFonts))
    PutText(text);  // the common cell: escaped straight into the output
  else
    Put(Content(cellType, text, font));
  Put(u"</");
  Put(FTag);
  Put(u">\r\n");
}
