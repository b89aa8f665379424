#include "export/writers/ExportToCustomXLS.h"

#include <algorithm>
#include <cmath>

#include "export/ExportFiles.h"
#include "export/ExportMessages.h"
#include "platform/db/Field.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The 40 colours the palette knows, as 0xRRGGBB, with their index.
struct PaletteColor {
  Cardinal Rgb;
  Integer Index;
};
constexpr PaletteColor kPalette[] = {
    {0x000000, 8},  {0x993300, 60}, {0x333300, 59}, {0x003300, 58}, {0x003366, 56}, {0x000080, 18}, {0x333399, 62},
    {0x333333, 63}, {0x800000, 16}, {0xFF6600, 53}, {0x808000, 19}, {0x008000, 17}, {0x008080, 21}, {0x0000FF, 12},
    {0x666699, 54}, {0x808080, 23}, {0xFF0000, 10}, {0xFF9900, 52}, {0x99CC00, 50}, {0x339966, 57}, {0x33CCCC, 49},
    {0x3366FF, 48}, {0x800080, 20}, {0x969696, 55}, {0xFF00FF, 14}, {0xFFCC00, 51}, {0xFFFF00, 13}, {0x00FF00, 11},
    {0x00FFFF, 15}, {0x00CCFF, 40}, {0x993366, 61}, {0xC0C0C0, 22}, {0xFF99CC, 45}, {0xFFCC99, 47}, {0xFFFF99, 43},
    {0xCCFFCC, 42}, {0xCCFFFF, 41}, {0x99CCFF, 44}, {0xCC99FF, 46}, {0xFFFFFF, 9},
};

// The records of the worksheet level this writer produces: cells that name
// their format entry (XF) by index, fonts, format entries.
constexpr Word kBlank = 0x0201;
constexpr Word kNumber = 0x0203;
constexpr Word kLabel = 0x0204;
constexpr Word kBoolErr = 0x0205;
constexpr Word kFont = 0x0231;
constexpr Word kXF = 0x0443;
constexpr Word kDrawingGroup = 0x00EC;
constexpr Word kContinue = 0x003C;
// The most data one record carries; longer data goes on in CONTINUE records.
constexpr size_t kMaxRecordData = 8224;

}  // namespace

TRODirezaToCustomXLS::TRODirezaToCustomXLS(TComponent* owner) : TRODirezaToCellFile(owner) {
  SetTableType(teXLS);
  UserName = GetLoggedUserName();
}

TRODirezaToCustomXLS::~TRODirezaToCustomXLS() = default;

AnsiString TRODirezaToCustomXLS::AnsiCut255(StringView text) {
  AnsiString bytes = StringToAnsi(text);
  if (bytes.size() <= 255) return bytes;
  if (!IsMultiByteAnsiCodePage()) return bytes.substr(0, 255);
  // A multi-byte code page: cut by whole characters.
  size_t chars = std::min<size_t>(text.size(), 255);
  while (chars > 0 && (bytes = StringToAnsi(text.substr(0, chars))).size() > 255) --chars;
  return bytes;
}

Cardinal TRODirezaToCustomXLS::ColorToRGB(TColor color) {
  if ((color & 0xFF000000u) == 0xFF000000u) {
    // The system colours an export meets, as the default desktop paints them.
    switch (color & 0xFF) {
      case 5: return 0xFFFFFF;   // window
      case 8: return 0x000000;   // window text
      case 15: return 0xF0F0F0;  // button face
      case 0x16: return 0xE3E3E3;  // 3D light
      default: return 0x000000;
    }
  }
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

Integer TRODirezaToCustomXLS::GetXLSIndexByColor(TColor color) {
  const Cardinal rgb = ColorToRGB(color);
  for (const PaletteColor& entry : kPalette)
    if (entry.Rgb == rgb) return entry.Index;
  return kPalette[0].Index;
}

void TRODirezaToCustomXLS::InternalBeforeProcess() {
  TRODirezaToCellFile::InternalBeforeProcess();
  lstFonts.clear();
  lstObjects.clear();
  lstFormats = std::make_unique<std::vector<TXLSFormat>>();
  FLimitReported = false;
  FRowDropped = false;
}

void TRODirezaToCustomXLS::InternalAfterProcess() {
  lstFonts.clear();
  lstObjects.clear();
  lstFormats.reset();
  FTempFontStream.reset();
  TRODirezaToCellFile::InternalAfterProcess();
}

void TRODirezaToCustomXLS::ApplyDefaultFont(TFont& font) {
  font.Name = u"Arial";
  font.Size = 8;
}

Word TRODirezaToCustomXLS::GetDefaultNumFormat(TCellType cellType) {
  switch (cellType) {
    case ctInteger: return 1;
    case ctDouble: return 2;
    case ctDateTime: return 22;
    case ctDate: return 14;
    case ctCurrency: return 7;
    case ctTime: return 20;
    default: return 0;
  }
}

Integer TRODirezaToCustomXLS::GetFontFromTable(const TFont* font) {
  if (lstFonts.empty()) {
    TFont first;
    ApplyDefaultFont(first);
    lstFonts.push_back(first);
  }
  if (font == nullptr) return -1;
  for (size_t i = 0; i < lstFonts.size(); ++i) {
    const TFont& entry = lstFonts[i];
    if (entry.Name == font->Name && entry.Style == font->Style && entry.Size == font->Size &&
        entry.Color == font->Color)
      return static_cast<Integer>(i);
  }
  if (static_cast<Integer>(lstFonts.size()) >= GetMaxFontCount()) return -1;
  lstFonts.push_back(*font);
  return static_cast<Integer>(lstFonts.size()) - 1;
}

Integer TRODirezaToCustomXLS::GetXF(const TFont* font, TColor color, Integer numFormat, TAlignment alignment,
                                    bool wrapText) {
  if (!lstFormats) return -1;
  const TXLSFormat wanted{color, GetFontFromTable(font), numFormat, alignment, wrapText};
  for (size_t i = 0; i < lstFormats->size(); ++i)
    if ((*lstFormats)[i] == wanted) return static_cast<Integer>(i);
  lstFormats->push_back(wanted);
  return static_cast<Integer>(lstFormats->size()) - 1;
}

void TRODirezaToCustomXLS::WriteWords(std::initializer_list<Word> words) {
  for (Word w : words) {
    const Byte bytes[2] = {static_cast<Byte>(w & 0xFF), static_cast<Byte>(w >> 8)};
    WriteBuffer(bytes, 2);
  }
}

void TRODirezaToCustomXLS::WriteFont(const TFont& font) {
  const AnsiString name = AnsiCut255(font.Name);
  WriteRecordHeader(kFont, 7 + static_cast<Int64>(name.size()));
  Word flags = 0;
  if (font.Style & FontStyleBit(fsBold)) flags |= 0x0001;
  if (font.Style & FontStyleBit(fsItalic)) flags |= 0x0002;
  if (font.Style & FontStyleBit(fsUnderline)) flags |= 0x0004;
  if (font.Style & FontStyleBit(fsStrikeOut)) flags |= 0x0008;
  const Integer index = GetXLSIndexByColor(font.Color);
  WriteWords({static_cast<Word>(font.Size * 20), flags, static_cast<Word>(index == 8 ? 0x7FFF : index)});
  const Byte length = static_cast<Byte>(name.size());
  WriteBuffer(&length, 1);
  WriteBuffer(name.data(), static_cast<Int64>(name.size()));
}

void TRODirezaToCustomXLS::WriteXFRecord(Byte font, Byte numFormat, Word type, Byte alignment, TColor color) {
  WriteRecordHeader(kXF, 12);
  const Byte head[2] = {font, numFormat};
  WriteBuffer(head, 2);
  WriteWords({type});
  // Horizontal alignment, bottom vertical alignment; every attribute its own.
  const Byte align[2] = {static_cast<Byte>(alignment | 0x20), 0xFC};
  WriteBuffer(align, 2);
  // A solid fill in the colour when the 5-bit colour index of this level
  // holds it (the 16 colours from 8 to 23); none otherwise.
  const Integer index = GetXLSIndexByColor(color);
  const bool fill = ColorToRGB(color) != 0xFFFFFF && index >= 8 && index <= 23;
  WriteWords({static_cast<Word>(fill ? 0x0001 | (index << 6) | (9 << 11) : 0x0000), 0x0000, 0x0000});
}

void TRODirezaToCustomXLS::WriteXF(const TXLSFormat& fmt, Integer index) {
  (void)index;
  WriteXFRecord(static_cast<Byte>(std::max<Integer>(fmt.FFontIndex, 0)), static_cast<Byte>(std::max<Integer>(fmt.FNumFormat, 0)),
                0x0001, static_cast<Byte>(fmt.FAlignment == taRightJustify ? 3 : fmt.FAlignment == taCenter ? 2 : 1),
                fmt.FColor);
}

void TRODirezaToCustomXLS::WriteFileEnd() {
  TRODirezaToCellFile::WriteFileEnd();
  if (FVersion < 7) {
    // The font table always holds the default font: the format entries name it.
    if (lstFonts.empty()) GetFontFromTable(nullptr);
    for (const TFont& font : lstFonts) WriteFont(font);
    // Fifteen style entries and the default cell entry, then one entry per
    // number format, style entry and alignment the cells named.
    for (Integer i = 0; i < kFixedXFCount; ++i)
      WriteXFRecord(0, 0, i < kFixedXFCount - 1 ? 0xFFF5 : 0x0001, 0, clWhite);
    for (const TCellXF& cell : FCellXFs) {
      TXLSFormat look;
      if (lstFormats && cell.StyleEntry >= 0 && cell.StyleEntry < static_cast<Integer>(lstFormats->size()))
        look = (*lstFormats)[static_cast<size_t>(cell.StyleEntry)];
      look.FNumFormat = cell.NumFormat;
      look.FAlignment = cell.Alignment;
      WriteXF(look, 0);
    }
    WriteCellRecords();
    DeferDrawingGroup();
  }
  lstFonts.clear();
  FCellXFs.clear();
  if (lstFormats) lstFormats->clear();
  WriteFontStream();
  if (FVersion < 7) WriteRecordHeader(0x000A, 0);
}

bool TRODirezaToCustomXLS::LoadCellPicture(TField* field, StringView text, TXLSPicture& picture) {
  const std::vector<Byte> bytes = field != nullptr ? field->AsBytes() : std::vector<Byte>(text.begin(), text.end());
  try {
    picture.FPicture = TPicture::FromBytes(std::span<const Byte>(bytes));
  } catch (const EInvalidGraphic&) {
    return false;
  }
  picture.FSize = static_cast<Integer>(bytes.size());
  return true;
}

void TRODirezaToCustomXLS::DeferDrawingGroup() {
  if (lstObjects.empty()) return;
  const std::string art = OfficeArtDrawingGroup(lstObjects);
  lstObjects.clear();
  if (!FTempFontStream) FTempFontStream = std::make_unique<TMemoryStream>();
  Word id = kDrawingGroup;
  for (size_t at = 0; at < art.size(); at += kMaxRecordData, id = kContinue) {
    const size_t size = std::min(kMaxRecordData, art.size() - at);
    const Byte head[4] = {static_cast<Byte>(id), static_cast<Byte>(id >> 8), static_cast<Byte>(size),
                          static_cast<Byte>(size >> 8)};
    FTempFontStream->WriteBuffer(head, 4);
    FTempFontStream->WriteBuffer(art.data() + at, static_cast<Int64>(size));
  }
}

void TRODirezaToCustomXLS::WriteRowStart() {
  TRODirezaToCellFile::WriteRowStart();
  FRowDropped = false;
  if (Statistic.CurrentRow < GetMaxRowCount()) return;
  FRowDropped = true;
  // Reported once; the footer rows that follow the report are left out so
  // that the file still ends as a whole.
  if (FLimitReported) return;
  FLimitReported = true;
  throw ESMEMaxRowCountException(Format(strSheetRowCountLimit, {GetMaxRowCount()}));
}

Integer TRODirezaToCustomXLS::CellXF(Word numFormat, Integer styleEntry, TAlignment alignment) {
  const TCellXF wanted{numFormat, styleEntry, alignment};
  for (size_t i = 0; i < FCellXFs.size(); ++i)
    if (FCellXFs[i] == wanted) return kFixedXFCount + static_cast<Integer>(i);
  FCellXFs.push_back(wanted);
  return kFixedXFCount + static_cast<Integer>(FCellXFs.size()) - 1;
}

void TRODirezaToCustomXLS::WriteData(TField* field, TCellType cellType, Integer row, Integer column,
                                     const String& text, TAlignment alignment, const TFont* font, TColor color) {
  if (FVersion >= 7) return TRODirezaToCellFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  if (column > 255 || FRowDropped) return;
  TRODirezaToCellFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  // Pictures get no cell record; they go into the drawing group.
  if (cellType == ctGraphic || (field != nullptr && field->DataType() == ftGraphic && !field->IsNull())) {
    TXLSPicture picture;
    if (LoadCellPicture(field, text, picture)) lstObjects.push_back(std::move(picture));
    return;
  }

  TCellType type = cellType;
  if (HasOption(Options, soFieldMask))
    type = ctString;
  else if (text.empty())
    type = ctBlank;
  if (type == ctBlank && !HasOption(Options, soExportBlankValues)) return;

  // The cell's format entry: the number format of its type as handed over,
  // its style entry's font and colour, its alignment.
  const Integer style = HasOption(Options, soColorsFonts) ? GetXF(font, color, -1, alignment, false) : -1;
  const Word xf = static_cast<Word>(CellXF(GetDefaultNumFormat(cellType), style, alignment));

  const auto head = [&](Word id, Int64 size) {
    WriteRecordHeader(id, size);
    WriteWords({static_cast<Word>(row), static_cast<Word>(column), xf});
  };
  const auto number = [&](double value) {
    head(kNumber, 14);
    WriteBuffer(&value, 8);
  };
  double value = 0;
  switch (type) {
    case ctBlank:
      head(kBlank, 6);
      return;
    case ctInteger:
    case ctDouble:
    case ctCurrency:
      // Integers of any size are numbers: a 16-bit INTEGER holds 0 to 65535 only.
      if (TryStrToFloat(text, value)) return number(value);
      break;
    case ctDate:
      // The whole-day serial as a NUMBER: a 16-bit INTEGER wraps after 2079.
      return number(std::floor(StrToDate(text)));
    case ctDateTime:
      return number(StrToDateTime(text));
    case ctTime:
      return number(StrToTime(text));
    case ctBoolean:
      if (text == DataFormats.BooleanTrue || text == u"True" || text == DataFormats.BooleanFalse || text == u"False") {
        head(kBoolErr, 8);
        const Byte bytes[2] = {static_cast<Byte>(text == DataFormats.BooleanTrue || text == u"True"), 0};
        WriteBuffer(bytes, 2);
        return;
      }
      break;
    default:
      break;
  }
  // Texts, and values whose text reads as no number, are labels.
  const AnsiString bytes = AnsiCut255(text);
  head(kLabel, 8 + static_cast<Int64>(bytes.size()));
  WriteWords({static_cast<Word>(bytes.size())});
  WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}
