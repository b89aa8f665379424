#include "import/readers/Lotus123.h"

#include <cmath>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/readers/WorksheetRecords.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/Strings.h"

namespace {

enum : Word {
  WKSR_BOF = 0,
  WKSR_EOF = 1,
  WKSR_RANGE = 6,
  WKSR_COLUMNWIDTH = 7,
  WKSR_NAMEDRANGE = 11,
  WKSR_BLANK = 12,
  WKSR_INTEGER = 13,
  WKSR_NUMBER = 14,
  WKSR_LABEL = 15,
  WKSR_FORMULA = 16,
  WKSR_CELLFORMAT = 19,
  WKSR_TEXT = 22,
  WKSR_DOUBLE = 23,
  WKSR_SMALLINT = 24,
  WKSR_FORMULA4 = 25,
  WKSR_FORMULATEXT = 26,
  WKSR_STYLES = 27,
  WKSR_SHEETNAME = 35,
  WKSR_COLWIDTH = 36,
  WKSR_PACKEDNUMBER = 37,
  WKSR_DOUBLE9 = 39,
  WKSR_DECIMAL = 40,
  WKSR_ALIGNMENT = 41,
  WKSR_STRING = 51,
  WKSR_PASSWORD = 55
};
constexpr Word WKSR_DOCTYPE_WKS = 1028;

// Subtypes of the styles record, its first two bytes read high byte first.
constexpr Word kStyleSheetName = 0xB036;
constexpr Word kStyleRowHeights = 0xD707;

[[noreturn]] void RaiseVersion() { throw ESMICryptException(String(strEInvalidFileFormat)); }

double ExtendedAt(TByteReader& data, UInt64 offset) {
  data.Seek(offset);
  Extended80 value;
  data.Read(value.bytes, sizeof value.bytes);
  return ExtendedToDouble(value);
}

// A small number: an even word is a signed integer doubled; an odd one
// holds a signed 12-bit mantissa and a scale in its low four bits.
double SmallNumber(Word w) {
  if ((w & 1) == 0) return static_cast<SmallInt>(w) / 2;
  const double m = static_cast<SmallInt>(w) >> 4;
  switch (w & 0x0F) {
    case 1: return m * 5000;
    case 3: return m * 500;
    case 5: return m / 20;
    case 7: return m / 200;
    case 9: return m / 2000;
    case 11: return m / 20000;
    case 13: return m / 16;
    default: return m / 64;
  }
}

// A packed number: a 26-bit mantissa with a decimal exponent of up to 7,
// divided or multiplied by its power of ten.
Variant PackedNumber(Cardinal v, TSMICellType& type) {
  const Cardinal n = v & 7;
  const bool divide = ((v >> 4) & 3) != 0;
  const Cardinal m = (v & ~Cardinal{8}) >> 6;
  if (n == 0) {
    type = ictInteger;
    return Variant(static_cast<Integer>(m));
  }
  type = ictDecimal;
  double value = m;
  for (Cardinal i = 0; i < n; ++i) value = divide ? value / 10 : value * 10;
  return Variant(value);
}

UInt64 RowKey(Integer sheet, Integer row) {
  return static_cast<UInt64>(static_cast<Cardinal>(sheet)) << 32 | static_cast<Cardinal>(row);
}

}  // namespace

TLotus123::TLotus123(TComponent* owner) : TSpreadSheetFile(owner) {}

void TLotus123::ApplyEvents() {
  TSpreadSheetFile::ApplyEvents();
  ClearFormats();
}

void TLotus123::ClearFormats() {
  Formats.clear();
  FFormatsByRow.clear();
}

void TLotus123::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream file(fileName, fmOpenRead | fmShareDenyNone);
  LoadBytes(ReadRestOfStream(file));
}

void TLotus123::LoadFromStream(TStream& stream) { LoadBytes(ReadRestOfStream(stream)); }

void TLotus123::LoadBytes(const std::vector<Byte>& bytes) {
  FVersion = wvUnknown;
  FIsEncrypted = false;
  TByteReader stream(bytes.data(), bytes.size(), RaiseWorksheetDamaged);
  TBIFFRecordHeader header;
  TByteReader data(nullptr, 0, RaiseWorksheetDamaged);
  bool first = true, ended = false;
  while (!stream.AtEnd()) {
    // What follows the end-of-file record need not be whole records.
    if (!NextWorksheetRecord(stream, header, data, ended)) break;
    BufferHeader = header;
    UpdateProgress(static_cast<Int64>(stream.Position()), static_cast<Int64>(bytes.size()));
    // Only a file that begins with its version record is a worksheet.
    if (first && header.ID != WKSR_BOF) RaiseVersion();
    first = false;
    const bool interpreted = header.Len <= MaxRecordLength;
    if (OnRecord) {
      const auto raw = interpreted ? data.Bytes(header.Len) : std::span<const Byte>();
      OnRecord(this, header, std::vector<Byte>(raw.begin(), raw.end()));
      data.Seek(0);
    }
    if (header.ID == WKSR_EOF) ended = true;
    if (interpreted && !ProcessRecord(header.ID, data)) break;
  }
}

bool TLotus123::ProcessRecord(Word id, TByteReader& data) {
  const bool cells = static_cast<bool>(OnCellValue);
  switch (id) {
    case WKSR_BOF: {
      const Word version = U16At(data, 0);
      switch (version) {
        case WKSR_DOCTYPE_WKS: FVersion = wvWKS1; break;
        case 0x0405: FVersion = wvWKS2; break;
        case 0x0406: FVersion = wvWR1; break;
        case 0x1000: FVersion = wvWKS3; break;
        case 0x1002:
        case 0x8007: FVersion = wvWKS4; break;
        case 0x1003:
        case 0x1004:
        case 0x1005: FVersion = wv123; break;
        case 0x0101:
        case 0xB200:
        case 0xBFFF: return false;
        default:
          if (FVersion == wvUnknown) RaiseVersion();
          break;
      }
      return true;
    }
    case WKSR_BLANK:
      if (cells && LoadNULLs()) UpdateCellValue(data, Variant::Null(), taLeftJustify, ictEmpty);
      return true;
    case WKSR_INTEGER:
      // A 16-bit integer cell holds -32768 to 32767.
      if (cells) UpdateCellValue(data, Variant(static_cast<Integer>(I16At(data, 5))), taRightJustify, ictInteger);
      return true;
    case WKSR_NUMBER:
      if (cells) UpdateCellValue(data, Variant(F64At(data, 5)), taRightJustify, ictDecimal);
      return true;
    case WKSR_LABEL:
      if (cells) {
        const TAlignment alignment = GetAlignment(U8At(data, 5));
        UpdateCellValue(data, Variant(LabelText(TailAt(data, 6))), alignment, ictString);
      }
      return true;
    case WKSR_FORMULA:
      if (cells) {
        // A formula with a text result stores a NaN; the text follows in a
        // record of its own.
        const double value = F64At(data, 5);
        UpdateCellValue(data, IsNan(value) ? Variant(0) : Variant(value), taRightJustify, ictDecimal);
      }
      return true;
    case WKSR_CELLFORMAT: ReadCellFormats(data); return true;
    case WKSR_TEXT:
      if (cells) {
        const TAlignment alignment = GetAlignment(U8At(data, 4));
        UpdateCellValue(data, Variant(LabelText(TailAt(data, 5))), alignment, ictString);
      }
      return true;
    case WKSR_DOUBLE:
      if (cells) UpdateCellValue(data, Variant(ExtendedAt(data, 4)), taRightJustify, ictDecimal);
      return true;
    case WKSR_SMALLINT:
      if (cells && !OldVersion())
        UpdateCellValue(data, Variant(SmallNumber(U16At(data, 4))), taRightJustify, ictDecimal);
      return true;
    case WKSR_FORMULA4:
      if (cells && !OldVersion()) {
        const double value = ExtendedAt(data, 4);
        if (std::isfinite(value)) UpdateCellValue(data, Variant(value), taRightJustify, ictDecimal);
      }
      return true;
    case WKSR_FORMULATEXT:
      if (cells && !OldVersion()) UpdateCellValue(data, Variant(LabelText(TailAt(data, 4))), taLeftJustify, ictString);
      return true;
    case WKSR_STYLES: {
      if (!cells) return true;
      const Word subtype = static_cast<Word>(U8At(data, 0) << 8 | U8At(data, 1));
      if (subtype == kStyleSheetName) {
        const Byte sheet = U8At(data, 2);
        SheetName(sheet, LabelText(TailAt(data, 4)));
      } else if (subtype == kStyleRowHeights && OnRowHeight) {
        // After the subtype, the sheet and a filler byte: entries of eight
        // bytes, each a row and its height in 1/32 points.
        const Byte sheet = U8At(data, 2);
        const UInt64 count = (data.Size() - 4) / 8;
        for (UInt64 k = 0; k < count; ++k) {
          const Word row = U16At(data, 4 + 8 * k);
          const Word height = U16At(data, 4 + 8 * k + 2);
          OnRowHeight(this, sheet, row, height / 32);
        }
      }
      return true;
    }
    case WKSR_SHEETNAME: {
      const Byte sheet = U8At(data, 2);
      SheetName(sheet, LabelText(TailAt(data, 4)));
      return true;
    }
    case WKSR_COLWIDTH:
      if (OnColumnWidth) {
        const Byte first = U8At(data, 0), last = U8At(data, 1), width = U8At(data, 3);
        for (Integer c = first; c <= last; ++c) OnColumnWidth(this, 0, c, width);
      }
      return true;
    case WKSR_PACKEDNUMBER:
      if (cells && !OldVersion()) {
        data.Seek(4);
        TSMICellType type;
        const Variant value = PackedNumber(data.U32(), type);
        UpdateCellValue(data, value, taRightJustify, type);
      }
      return true;
    case WKSR_DOUBLE9:
    case WKSR_DECIMAL:
      if (cells && !OldVersion()) {
        const double value = F64At(data, 4);
        UpdateCellValue(data, Variant(IsNan(value) ? 0.0 : value), taRightJustify, ictDecimal);
      }
      return true;
    case WKSR_PASSWORD:
      if (FVersion != wvWR1) {
        FIsEncrypted = true;
        throw ESMICryptException(String(strEProtectedFile));
      }
      return true;
    default: return true;
  }
}

void TLotus123::SheetName(Integer sheet, const String& name) {
  if (sheet >= Sheets.Count()) {
    bool skip = false;
    if (OnSheet) OnSheet(this, name, sheet, skip);
  } else if (OnSheetName) {
    // The sheet already holds cells: it keeps them and takes the name.
    OnSheetName(this, name, sheet);
  }
}

void TLotus123::UpdateCellValue(TByteReader& data, const Variant& value, TAlignment alignment, TSMICellType cellType) {
  Integer sheet, column, row;
  if (OldVersion()) {
    sheet = 0;
    column = U16At(data, 1);
    row = U16At(data, 3);
  } else {
    row = U16At(data, 0);
    sheet = U8At(data, 2);
    column = U8At(data, 3);
  }
  OnCellValue(this, sheet, row, column, GetCellFormatIndex(sheet, row, column), value, alignment, cellType);
}

void TLotus123::ReadCellFormats(TByteReader& data) {
  const Integer sheet = U8At(data, 0);
  const Integer row = U16At(data, 2);
  const UInt64 length = data.Size();
  for (UInt64 p = 4; p < length; p += 4) {
    TWK4Format format;
    format.SheetIndex = sheet;
    format.Row = row;
    format.NumberFormat = U8At(data, p);
    const Cardinal bits = data.U8() | data.U8() << 8 | (data.U8() & 0x3Fu) << 16;
    format.Style = static_cast<Integer>(bits >> 6);
    data.Seek(p + 3);
    format.FormatType = data.U8() & 0xC0;
    if (format.FormatType == 0x80 || format.FormatType == 0xC0) {
      format.CellNumber = U8At(data, p + 4);
      ++p;
    }
    FFormatsByRow[RowKey(sheet, row)].push_back(static_cast<Integer>(Formats.size()));
    Formats.push_back(format);
  }
}

Integer TLotus123::GetCellFormatIndex(Integer sheet, Integer row, Integer column) const {
  const auto it = FFormatsByRow.find(RowKey(sheet, row));
  if (it == FFormatsByRow.end()) return 0;
  for (auto index = it->second.rbegin(); index != it->second.rend(); ++index) {
    const TWK4Format& format = Formats[static_cast<size_t>(*index)];
    if ((format.FormatType == 0x40 && column == 0) || (format.FormatType == 0xC0 && column < format.CellNumber))
      return *index;
  }
  return 0;
}

const TWK4Format* TLotus123::GetWK4Format(Integer index) const {
  if (index < 0 || index >= static_cast<Integer>(Formats.size())) return nullptr;
  return &Formats[static_cast<size_t>(index)];
}

String TLotus123::GetFormatString(Integer index) const {
  const TWK4Format* format = GetWK4Format(index);
  if (format == nullptr) return {};
  switch (format->NumberFormat) {
    case 242: return u"dd/mmm/yy";
    case 243:
    case 250: return u"dd/mmm";
    case 244: return u"mmm/yy";
    case 247: return u"hh:nn:ss AMPM";
    case 248: return u"hh:nn AMPM";
    case 249: return u"dd/mm/yy";
    case 251: return u"hh:nn:ss";
    case 252: return u"hh:nn";
    case 255: return u"General";
    default:
      if (format->NumberFormat >= 128) return u"%8." + IntToStr(format->NumberFormat & 0x0F) + u"f";
      return {};
  }
}
