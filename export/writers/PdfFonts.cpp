#include "export/writers/PdfFonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_FONT_FORMATS_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/rtl/Strings.h"

namespace {

// The Windows code page of a character set; 0 for none.
int CodePageOfCharSet(Byte charSet) {
  switch (charSet) {
    case 0: return 1252;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
  }
}

// The character a code of the code page stands for; 0 for none (a code
// the page leaves undefined comes back as a control character).
char16_t CharOfCode(int codePage, Byte code) {
  const String text = CodePageToString(std::string(1, static_cast<char>(code)), codePage);
  if (text.size() != 1 || text[0] == 0xFFFD || text[0] == 0x1A || (text[0] >= 0x80 && text[0] < 0xA0)) return 0;
  return text[0];
}

// The glyph names of the Latin Extended-A letters, U+0100 to U+017F.
constexpr const char* kLatinExtendedA[128] = {
    "Amacron", "amacron", "Abreve", "abreve", "Aogonek", "aogonek", "Cacute", "cacute", "Ccircumflex",
    "ccircumflex", "Cdotaccent", "cdotaccent", "Ccaron", "ccaron", "Dcaron", "dcaron", "Dcroat", "dcroat",
    "Emacron", "emacron", "Ebreve", "ebreve", "Edotaccent", "edotaccent", "Eogonek", "eogonek", "Ecaron",
    "ecaron", "Gcircumflex", "gcircumflex", "Gbreve", "gbreve", "Gdotaccent", "gdotaccent", "Gcommaaccent",
    "gcommaaccent", "Hcircumflex", "hcircumflex", "Hbar", "hbar", "Itilde", "itilde", "Imacron", "imacron",
    "Ibreve", "ibreve", "Iogonek", "iogonek", "Idotaccent", "dotlessi", "IJ", "ij", "Jcircumflex", "jcircumflex",
    "Kcommaaccent", "kcommaaccent", "kgreenlandic", "Lacute", "lacute", "Lcommaaccent", "lcommaaccent", "Lcaron",
    "lcaron", "Ldot", "ldot", "Lslash", "lslash", "Nacute", "nacute", "Ncommaaccent", "ncommaaccent", "Ncaron",
    "ncaron", "napostrophe", "Eng", "eng", "Omacron", "omacron", "Obreve", "obreve", "Ohungarumlaut",
    "ohungarumlaut", "OE", "oe", "Racute", "racute", "Rcommaaccent", "rcommaaccent", "Rcaron", "rcaron", "Sacute",
    "sacute", "Scircumflex", "scircumflex", "Scedilla", "scedilla", "Scaron", "scaron", "Tcommaaccent",
    "tcommaaccent", "Tcaron", "tcaron", "Tbar", "tbar", "Utilde", "utilde", "Umacron", "umacron", "Ubreve",
    "ubreve", "Uring", "uring", "Uhungarumlaut", "uhungarumlaut", "Uogonek", "uogonek", "Wcircumflex",
    "wcircumflex", "Ycircumflex", "ycircumflex", "Ydieresis", "Zacute", "zacute", "Zdotaccent", "zdotaccent",
    "Zcaron", "zcaron", "longs"};

// The glyph name a PDF reader knows the character by.
std::string GlyphName(char16_t c) {
  if (c >= 0x100 && c < 0x180) return kLatinExtendedA[c - 0x100];
  switch (c) {
    case 0x02C7: return "caron";
    case 0x02D8: return "breve";
    case 0x02D9: return "dotaccent";
    case 0x02DB: return "ogonek";
    case 0x02DD: return "hungarumlaut";
    default: {
      char name[8];
      std::snprintf(name, sizeof name, "uni%04X", static_cast<unsigned>(c));
      return name;
    }
  }
}

bool Contains(const String& upper, StringView part) { return upper.find(part) != String::npos; }

String FontConfigFile(const TFont& font) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return String();
  const std::string family = StringToUtf8(font.Name);
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, (font.Style & FontStyleBit(fsBold)) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, (font.Style & FontStyleBit(fsItalic)) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  String file;
  FcChar8* path = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
    file = Utf8ToString(reinterpret_cast<const char*>(path));
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  return file;
}

// Fills in what the font's file tells: its kind, licence, widths and heights.
void ReadMetrics(TPDFFont& font) {
  FT_Library library = nullptr;
  if (font.FileName.empty() || FT_Init_FreeType(&library) != 0) return;
  FT_Face face = nullptr;
  if (FT_New_Face(library, StringToUtf8(font.FileName).c_str(), 0, &face) == 0) {
    const char* format = FT_Get_Font_Format(face);
    font.IsTrueType = format != nullptr && std::string(format) == "TrueType";
    font.IsEmbeddable = (FT_Get_FSType_Flags(face) & FT_FSTYPE_RESTRICTED_LICENSE_EMBEDDING) == 0;
    const double scale = face->units_per_EM > 0 ? 1000.0 / face->units_per_EM : 1.0;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
      if (os2->sCapHeight > 0) font.CapHeight = static_cast<Integer>(std::lround(os2->sCapHeight * scale));
      font.Weight = os2->usWeightClass;
    }
    const int codePage = CodePageOfCharSet(font.CharSet);
    font.Widths.clear();
    for (Integer code = font.FirstChar; code <= font.LastChar; ++code) {
      const char16_t c = codePage != 0 ? CharOfCode(codePage, static_cast<Byte>(code)) : static_cast<char16_t>(code);
      const FT_UInt glyph = c != 0 ? FT_Get_Char_Index(face, c) : 0;
      Integer width = 0;
      if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0)
        width = static_cast<Integer>(std::lround(face->glyph->metrics.horiAdvance * scale));
      font.Widths.push_back(width);
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
}

}  // namespace

std::function<String(const TFont& font)> TPDFFonts::FontFileLocator = FontConfigFile;

Byte TPDFFonts::CharSetOf(const TFont& font) {
  if (font.Charset != 1) return font.Charset;
  switch (AnsiCodePage()) {
    case 874: return 222;
    case 932: return 128;
    case 936: return 134;
    case 950: return 136;
    case 1250: return 238;
    case 1251: return 204;
    case 1253: return 161;
    case 1254: return 162;
    case 1255: return 177;
    case 1256: return 178;
    case 1257: return 186;
    case 1258: return 163;
    default: return 0;
  }
}

String TPDFFonts::FontFamily(const TFont& font, Byte charSet) {
  switch (charSet) {
    case 128: return u"JapanFont";
    case 129: return u"KoreanFont";
    case 134: return u"ChineseSimplifiedFont";
    case 136: return u"ChineseTraditionalFont";
    default: break;
  }
  const bool bold = font.Style & FontStyleBit(fsBold), italic = font.Style & FontStyleBit(fsItalic);
  const String upper = UpperCase(font.Name);
  String result = u"Times-Roman";
  const auto sans = [&](const String& family) {
    return family + (bold && italic ? u"-BoldOblique" : bold ? u"-Bold" : italic ? u"-Oblique" : u"");
  };
  if (Contains(upper, u"ARIAL") || Contains(upper, u"MS SANS SERIF")) result = sans(u"Helvetica");
  if (Contains(upper, u"COURIER")) result = sans(u"Courier");
  if (Contains(upper, u"TIMES"))
    result = String(u"Times-") + (bold && italic ? u"BoldItalic" : bold ? u"Bold" : italic ? u"Italic" : u"Roman");
  if (Contains(upper, u"SYMBOL")) result = u"Symbol";
  if (Contains(upper, u"ZAPFDINGBATS") || Contains(upper, u"WINGDINGS")) result = u"ZapfDingbats";
  return result;
}

String TPDFFonts::GetFontName(const String& baseFont, Byte charSet) {
  switch (charSet) {
    case 0: return baseFont;
    case 2: return baseFont + u"-Symbol";
    case 77: return baseFont + u"-MAC";
    case 161: return baseFont + u"-Greek";
    case 162: return baseFont + u"-Turkish";
    case 186: return baseFont + u"-Baltic";
    case 204: return baseFont + u"-Russian";
    case 238: return baseFont + u"-EastEurope";
    case 255: return baseFont + u"-OEM";
    default: return baseFont + u"-" + IntToStr(charSet);
  }
}

bool TPDFFonts::IsStandard(const TPDFFont& font) {
  for (StringView name : {u"Helvetica", u"Courier", u"Times", u"Symbol", u"ZapfDingbats"})
    if (SameText(font.FontName, name)) return true;
  return false;
}

String TPDFFonts::EncodingName(const TPDFFont& font) {
  if (SameText(font.Name, u"ZapfDingbats") || SameText(font.Name, u"Symbol") || font.CharSet == 2)
    return u"StandardEncoding";
  return font.CharSet == 77 ? u"MacRomanEncoding" : u"WinAnsiEncoding";
}

std::string TPDFFonts::Differences(Byte charSet) {
  const int codePage = CodePageOfCharSet(charSet);
  if (codePage == 0 || codePage == 1252) return std::string();
  std::string out = "/Differences [";
  for (int code = 128; code < 256; ++code) {
    const char16_t c = CharOfCode(codePage, static_cast<Byte>(code));
    if (c == 0 || c == CharOfCode(1252, static_cast<Byte>(code))) continue;
    out += "\r\n" + std::to_string(code) + " /" + GlyphName(c);
  }
  return out + "]";
}

Integer TPDFFonts::FontFromTable(const TFont& font, const std::function<String()>& nextRef) {
  const Byte charSet = CharSetOf(font);
  const String baseFont = FontFamily(font, charSet);
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->BaseFont == baseFont && FItems[i]->CharSet == charSet) return static_cast<Integer>(i);
  auto entry = std::make_unique<TPDFFont>();
  entry->RefIndex = nextRef();
  entry->BaseFont = baseFont;
  entry->CharSet = charSet;
  entry->Name = font.Name;
  entry->Style = font.Style;
  entry->FontName = GetFontName(baseFont, charSet);
  if (font.Style & FontStyleBit(fsItalic)) entry->Flags += 64;
  if (!IsStandard(*entry) && FontFileLocator) {
    entry->FileName = FontFileLocator(font);
    ReadMetrics(*entry);
  }
  FItems.push_back(std::move(entry));
  return static_cast<Integer>(FItems.size() - 1);
}

std::string TPDFFonts::FontProgram(const TPDFFont& font) {
  std::ifstream in(StringToUtf8(font.FileName), std::ios::binary);
  if (!in) return std::string();
  return std::string(std::istreambuf_iterator<char>(in), {});
}
