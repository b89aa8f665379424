#include "export/writers/ExportToRTF.h"

#include <cmath>

#include "export/ExportFields.h"
#include "export/writers/TemporaryFile.h"
#include "platform/db/Field.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Picture.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t kCrLf[] = u"\r\n";
// The body is written to its temporary file in blocks of this size.
constexpr size_t kBodyBlock = 1 << 16;
// The longest line of the font and colour tables.
constexpr size_t kMaxTableLine = 254;

const char16_t* AlignmentWord(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return u"\\qr";
    case taCenter: return u"\\qc";
    default: return u"";
  }
}

String Hex(std::span<const Byte> bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String out;
  out.reserve(bytes.size() * 2 + bytes.size() / 32);
  for (size_t i = 0; i < bytes.size(); ++i) {
    // RTF ignores line ends inside picture data; they keep lines short.
    if (i > 0 && i % 64 == 0) out += kCrLf;
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

}  // namespace

Integer GetTwips(float value, TSMEMeasure measure) {
  double factor = 1;
  switch (measure) {
    case emInch: factor = 1440; break;
    case emCentimeters: factor = 567; break;
    case emPicas: factor = 72; break;
    case emPoint: factor = 1; break;
  }
  // Scaled first: rounding 2.54 cm to 3 before scaling moved a margin by
  // half a centimetre.
  return static_cast<Integer>(std::nearbyint(static_cast<double>(value) * factor));
}

TRODirezaToRTF::TRODirezaToRTF(TComponent* owner) : TRODirezaToCellBufferedFile(owner) { SetTableType(teRTF); }

TRODirezaToRTF::~TRODirezaToRTF() = default;

void TRODirezaToRTF::Assign(const TComponent* source) {
  TRODirezaToCellBufferedFile::Assign(source);
  if (auto* from = dynamic_cast<const TRODirezaToRTF*>(source)) RTFOptions.Assign(from->RTFOptions);
}

void TRODirezaToRTF::InternalBeforeProcess() {
  // RTF carries its own encoding (the ANSI code page and \u escapes): the
  // cells must reach it as text, not as bytes of another set.
  FRunCharacterSet.Apply(CharacterSet, csANSI_WINDOWS);
  TRODirezaToCellBufferedFile::InternalBeforeProcess();
}

void TRODirezaToRTF::InternalAfterProcess() {
  FRunCharacterSet.Restore(CharacterSet);
  TRODirezaToCellBufferedFile::InternalAfterProcess();
}

bool TRODirezaToRTF::InAnsiCodePage(char16_t c) {
  if (c < 0x80) return true;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  if (FInAnsi.empty()) FInAnsi.assign(0x10000, 0);
  Byte& known = FInAnsi[c];
  if (known == 0) {
    const AnsiString bytes = StringToAnsi(StringView(&c, 1));
    known = bytes.empty() || bytes == "?" ? 2 : 1;
  }
  return known == 1;
}

void TRODirezaToRTF::AppendEscaped(String& out, StringView text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\\': out += u"\\\\"; break;
      case u'{': out += u"\\{"; break;
      case u'}': out += u"\\}"; break;
      case u'\t': out += u"\\tab "; break;
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        out += u"\\line ";
        break;
      case u'\n': out += u"\\line "; break;
      default:
        if (InAnsiCodePage(c)) {
          out += c;
        } else {
          // A signed 16-bit number, then one fallback character (\uc1).
          out += u"\\u" + IntToStr(static_cast<SmallInt>(c)) + u"?";
        }
    }
  }
}

void TRODirezaToRTF::WriteString(const String& text) {
  if (text.empty()) return;
  FBytes.clear();
  bool ascii = true;
  for (char16_t c : text) {
    if (c >= 0x80) {
      ascii = false;
      break;
    }
    FBytes += static_cast<char>(c);
  }
  if (!ascii) FBytes = StringToAnsi(text);
  if (!IsMemStream) return WriteBytes(FBytes.data(), FBytes.size());
  FBodyBuffer += FBytes;
  if (FBodyBuffer.size() >= kBodyBlock) FlushBody();
}

void TRODirezaToRTF::FlushBody() {
  if (FBody && !FBodyBuffer.empty())
    FBody->WriteBuffer(FBodyBuffer.data(), static_cast<Int64>(FBodyBuffer.size()));
  FBodyBuffer.clear();
}

void TRODirezaToRTF::WriteFileBegin() {
  FBodyBuffer.clear();
  FBody.reset();
  lstFonts.clear();
  lstColors.clear();
  IsMemStream = false;
  WriteString(u"{\\rtf1\\ansi\\ansicpg" + IntToStr(AnsiCodePage()) + u"\\uc1" + kCrLf);
  // Only cells with fonts and colours add to the tables; without them the
  // tables are known to be empty and the body goes straight to the file.
  if (!HasOption(Options, soColorsFonts)) {
    WriteTables();
  } else if (OutputStream != nullptr) {
    FBody = CreateTemporaryFileStream();
    IsMemStream = true;
  }

  String generator;
  AppendEscaped(generator, KeyGenerator);
  Word year, month, day, hour, minute, second, msec;
  const TDateTime now = Now();
  DecodeDate(now, year, month, day);
  DecodeTime(now, hour, minute, second, msec);
  String created = u"\\yr" + IntToStr(year) + u"\\mo" + IntToStr(month) + u"\\dy" + IntToStr(day);
  if (hour != 0 || minute != 0 || second != 0 || msec != 0) created += u"\\hr" + IntToStr(hour) + u"\\min" + IntToStr(minute);
  WriteString(u"{\\*\\generator " + generator + u";}" + u"{\\info{\\operator " + generator + u"}" +
              u"{\\*\\company RODireza}" + u"{\\creatim" + created + u"}" + u"{\\title " + generator + u"}" + u"}" +
              kCrLf + u"{\\header \\pard\\plain {" + generator + u" \\par }}" + kCrLf);
  if (!PageSetup.UseDefault) {
    WriteString(u"\\margl" + IntToStr(GetTwips(PageSetup.LeftMargin, PageSetup.Measure)) + u"\\margr" +
                IntToStr(GetTwips(PageSetup.RightMargin, PageSetup.Measure)) + u"\\margt" +
                IntToStr(GetTwips(PageSetup.TopMargin, PageSetup.Measure)) + u"\\margb" +
                IntToStr(GetTwips(PageSetup.BottomMargin, PageSetup.Measure)) + kCrLf);
  }
  if (PageSetup.Orientation == emPortrait) WriteString(String(u"\\paperw11907\\paperh16840") + kCrLf);
  if (PageSetup.Orientation == emLandscape) WriteString(String(u"\\paperw16840\\paperh11907") + kCrLf);
  TRODirezaToCellBufferedFile::WriteFileBegin();
}

void TRODirezaToRTF::WriteTable(const String& head, const std::vector<String>& entries) {
  String line = head;
  for (const String& entry : entries) {
    if (line.size() + entry.size() > kMaxTableLine) {
      WriteString(line + kCrLf);
      line.clear();
    }
    line += entry;
  }
  WriteString(line + u"}" + kCrLf);
}

void TRODirezaToRTF::WriteTables() {
  std::vector<String> fonts, colors;
  for (size_t i = 0; i < lstFonts.size(); ++i) {
    String name;
    AppendEscaped(name, lstFonts[i]);
    fonts.push_back(u"{\\f" + IntToStr(static_cast<Int64>(i)) + u" " + name + u";}");
  }
  for (TColor color : lstColors) {
    colors.push_back(u"\\red" + IntToStr(color & 0xFF) + u"\\green" + IntToStr((color >> 8) & 0xFF) + u"\\blue" +
                     IntToStr((color >> 16) & 0xFF) + u";");
  }
  WriteTable(u"{\\fonttbl", fonts);
  WriteTable(u"{\\colortbl;", colors);
}

void TRODirezaToRTF::WriteFileEnd() {
  WriteString(u"\\par}");
  if (IsMemStream) {
    FlushBody();
    IsMemStream = false;
    WriteTables();
    TStream& body = *FBody;
    body.SetPosition(0);
    std::string block(kBodyBlock, '\0');
    for (Int64 n; (n = body.Read(block.data(), static_cast<Int64>(block.size()))) > 0;)
      WriteBytes(block.data(), static_cast<size_t>(n));
  }
  FBody.reset();
  lstFonts.clear();
  lstColors.clear();
  TRODirezaToCellBufferedFile::WriteFileEnd();
}

void TRODirezaToRTF::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  arrColWidths.assign(static_cast<size_t>(std::max<Integer>(colCount, 0)), 0);
}

void TRODirezaToRTF::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCellBufferedFile::WriteColWidth(column, width);
  if (column >= 0 && static_cast<size_t>(column) < arrColWidths.size())
    arrColWidths[static_cast<size_t>(column)] = width * 13;
}

void TRODirezaToRTF::WriteDataBegin() {
  TRODirezaToCellBufferedFile::WriteDataBegin();
  String text = String(u"\\par") + kCrLf + u"\\trowd\\irow\\trautofit1\\trql\\trgaph0\\trleft36" + kCrLf;
  Integer x = 36;
  for (size_t i = 0; i + 1 < arrColWidths.size(); ++i) {
    x += arrColWidths[i] * 20 + 10;
    text += u"\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth \\cellx" + IntToStr(x) + kCrLf;
  }
  WriteString(text);
}

void TRODirezaToRTF::WriteDataEnd() {
  WriteString(String(u"\\pard") + kCrLf);
  TRODirezaToCellBufferedFile::WriteDataEnd();
}

void TRODirezaToRTF::WriteRowEnd() {
  WriteString((IsDataArea ? u"\\row" : u" \\par") + String(kCrLf));
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

Integer TRODirezaToRTF::FontIndex(const String& name) {
  for (size_t i = 0; i < lstFonts.size(); ++i)
    if (lstFonts[i] == name) return static_cast<Integer>(i);
  lstFonts.push_back(name);
  return static_cast<Integer>(lstFonts.size() - 1);
}

Integer TRODirezaToRTF::ColorIndex(TColor color) {
  const TColor rgb = ColorToRGB(color);
  for (size_t i = 0; i < lstColors.size(); ++i)
    if (lstColors[i] == rgb) return static_cast<Integer>(i + 1);  // entry 0 is the automatic colour
  lstColors.push_back(rgb);
  return static_cast<Integer>(lstColors.size());
}

String TRODirezaToRTF::Picture(TField* field, const String& text) const {
  TPicture picture;
  if (field != nullptr) {
    const std::vector<Byte> bytes = field->AsBytes();
    picture = TPicture::FromBytes(std::span<const Byte>(bytes));
  } else {
    picture = TPicture::FromBytes(StringToAnsi(text));
  }
  return u"{\\pict\\picw" + IntToStr(picture.Width()) + u"\\pich" + IntToStr(picture.Height()) + u"\\dibitmap0 " +
         kCrLf + Hex(picture.Dib()) + u" }";
}

void TRODirezaToRTF::WriteData(TField* field, TCellType cellType, Integer, Integer column, const String& text,
                               TAlignment alignment, const TFont* font, TColor color) {
  // Unlike the other writers this step leaves the statistic's current
  // column alone.
  (void)column;
  FCell.clear();
  if (!IsDataArea) {
    AppendEscaped(FCell, text);  // header and footer lines are plain text
    return WriteString(FCell);
  }
  const bool picture = field != nullptr ? field->DataType() == ftGraphic && !field->IsNull()
                                        : cellType == ctGraphic && !text.empty();
  if (picture) {
    FCell = u"\\pard" + String(AlignmentWord(alignment)) + Picture(field, text) + u"\\cell";
    return WriteString(FCell);
  }
  FCell = u"\\pard\\intbl\\li30\\ri30";
  FCell += AlignmentWord(alignment);
  FCell += u'{';
  if (HasOption(Options, soColorsFonts)) {
    if (font != nullptr) {
      FCell += u"\\f" + IntToStr(FontIndex(font->Name)) + u"\\fs" + IntToStr(font->Size * 2);
      if (font->Style & FontStyleBit(fsItalic)) FCell += u"\\i";
      if (font->Style & FontStyleBit(fsBold)) FCell += u"\\b";
      if (font->Style & FontStyleBit(fsUnderline)) FCell += u"\\ul";
    }
    if (ColorToRGB(color) != clWhite) FCell += u"\\highlight" + IntToStr(ColorIndex(color));
    if (font != nullptr && ColorToRGB(font->Color) != clWhite) FCell += u"\\cf" + IntToStr(ColorIndex(font->Color));
  }
  FCell += u' ';
  AppendEscaped(FCell, text);
  FCell += u"}\\cell";
  WriteString(FCell);
}
