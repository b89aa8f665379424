#include "import/readers/QuattroPro.h"

#include <bit>
#include <cstdio>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/readers/WorksheetRecords.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"
#include "platform/win/CompoundFile.h"

namespace {

enum : Word {
  WQR_BOF = 0,
  WQR_EOF = 1,
  WQR_DIMENSION = 6,
  WQR_COLWIDTH = 8,
  WQR_BLANK = 12,
  WQR_INTEGER = 13,
  WQR_NUMBER = 14,
  WQR_LABEL = 15,
  WQR_FORMULA = 16,
  WQR_FORMULA_STRING = 51,
  WQR_COLUMN_SIZE = 150,
  WQR_BOP = 202,
  WQR_EOP = 203,
  WQR_PAGE_NAME = 204,
  WQR_CELL_ATTRIBUTE = 206
};
enum : Word {
  WQR9_BOF = 1,
  WQR9_USER = 5,
  WQR9_STRING_TABLE = 1031,
  WQR9_BOS = 1537,
  WQR9_EOS = 1538,
  WQR9_SHEET_COLUMN_WIDTH = 1588,
  WQR9_BOC = 2561,
  WQR9_EOC = 2562,
  WQR9_COLUMN_WIDTH = 2564,
  WQR9_CELLLIST = 3073,
  WQR9_FORMULA_STRING_VALUE = 3074,
  WQR9_CGENERICBLANK = 3184,
  WQR9_CGENERICLABEL = 3186,
  WQR9_CGENERICNUM_INT = 3187,
  WQR9_CGENERICNUM_RK = 3188,
  WQR9_CGENERICNUM_IEEE = 3189,
  WQR9_CGENERICFORMULA = 3190,
  WQR9_CCOMMENT = 3200
};

[[noreturn]] void RaiseInvalidFormat() { throw ESMIFileFormatException(String(strEInvalidFileFormat)); }

Variant IntegerAt(TByteReader& data, UInt64 offset) { return Variant(static_cast<Integer>(I16At(data, offset))); }

// A notebook holds at most 65,536 sheets; a larger number (pages counted
// on by end-of-page records) must not make the model grow without bound.
bool ValidSheet(Integer sheet) { return sheet >= 0 && sheet <= 0xFFFF; }

String SheetCaption(Integer index) { return String(strSheetName) + IntToStr(index + 1); }

}  // namespace

TQuattroPro::TQuattroPro(TComponent* owner) : TSpreadSheetFile(owner) {}

double TQuattroPro::GetIEEEValue(Cardinal v) {
  const Cardinal bits = v & ~Cardinal{3};
  double value = (v & 2) != 0 ? static_cast<Integer>(bits) / 4.0 : std::bit_cast<double>(UInt64{bits} << 32);
  if (v & 1) value /= 100;
  return value;
}

void TQuattroPro::ApplyEvents() {
  TSpreadSheetFile::ApplyEvents();
  FSummaryInformation.Clear();
  FSST.Clear();
}

void TQuattroPro::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadBytes(ReadRestOfStream(file));
}

void TQuattroPro::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  LoadBytes(ReadRestOfStream(stream));
}

void TQuattroPro::LoadBytes(std::vector<Byte> bytes) {
  intSheet = 0;
  intCol9 = -1;
  if (TCompoundFile::IsCompoundFile(bytes.data(), bytes.size())) {
    FVersion = qvQP9;
    ImportFromOLEStream(std::move(bytes));
  } else {
    FVersion = qvUnknown;
    ImportFromStream(bytes);
  }
}

void TQuattroPro::ImportFromStream(const std::vector<Byte>& bytes) { WalkRecords(bytes, false); }

void TQuattroPro::ImportFromOLEStream(std::vector<Byte> bytes) {
  std::vector<Byte> main;
  try {
    TCompoundFile file;
    file.LoadFromBytes(std::move(bytes));
    Integer stream = -1;
    for (Integer child : file.Children(TCompoundFile::Root)) {
      const TCompoundEntry& entry = file.Entry(child);
      if (entry.Type == cetStream && UpperCase(entry.Name).find(u"_MAIN") != String::npos) stream = child;
    }
    if (stream < 0) RaiseInvalidFormat();
    main = file.ReadStream(stream);
  } catch (const ECompoundFileError&) {
    RaiseInvalidFormat();
  }
  WalkRecords(main, true);
}

void TQuattroPro::WalkRecords(const std::vector<Byte>& bytes, bool compound) {
  TByteReader stream(bytes.data(), bytes.size(), RaiseWorksheetDamaged);
  TBIFFRecordHeader header;
  TByteReader data(nullptr, 0, RaiseWorksheetDamaged);
  bool first = true, ended = false;
  while (NextWorksheetRecord(stream, header, data, ended)) {
    BufferHeader = header;
    UpdateProgress(static_cast<Int64>(stream.Position()), static_cast<Int64>(bytes.size()));
    // A notebook begins with its version record.
    if (first && header.ID != WQR_BOF && !(compound && header.ID == WQR9_BOF)) RaiseInvalidFormat();
    first = false;
    if (OnRecord) {
      const auto raw = data.Bytes(header.Len);
      OnRecord(this, header, std::vector<Byte>(raw.begin(), raw.end()));
      data.Seek(0);
    }
    try {
      if (FVersion != qvQP9 || !ProcessBIFFRecord9(header.ID, data)) ProcessBIFFRecord(header.ID, data);
    } catch (const Exception& error) {
      bool abort = true;
      if (OnErrorProcess) OnErrorProcess(this, error, abort);
      if (abort) throw;
    }
    if (header.ID == WQR_EOF && FVersion != qvQP9) ended = true;
  }
}

void TQuattroPro::Cell(Integer sheet, Int64 row, Int64 column, Integer formatIndex, const Variant& value,
                       TAlignment alignment, TSMICellType cellType) {
  if (!OnCellValue || !ValidSheet(sheet) || row < 0 || row >= kMaxSheetRows || column < 0 || column >= kMaxSheetColumns)
    return;
  OnCellValue(this, sheet, static_cast<Integer>(row), static_cast<Integer>(column), formatIndex, value, alignment,
              cellType);
}

void TQuattroPro::UpdateCellValue(TByteReader& data, const Variant& value, TAlignment alignment,
                                  TSMICellType cellType) {
  Integer sheet = intSheet, column, row, format;
  switch (FVersion) {
    case qvWQ1:
      // Format byte, column, row: the row is a 16-bit number like the
      // column before it.
      format = U8At(data, 0);
      column = U8At(data, 1);
      row = U16At(data, 3);
      break;
    case qvWKQ:
      format = U8At(data, 0);
      column = U16At(data, 1);
      row = U16At(data, 3);
      break;
    case qvWB3:
      column = U8At(data, 0);
      sheet = U8At(data, 1);
      row = U16At(data, 2);
      format = U8At(data, 4);
      break;
    default:
      column = U16At(data, 0);
      row = U16At(data, 2);
      format = U8At(data, 4);
      break;
  }
  Cell(sheet, row, column, format, value, alignment, cellType);
}

void TQuattroPro::GenericCell(TByteReader& data, const Variant& value, TAlignment alignment, TSMICellType cellType) {
  const Word column = U16At(data, 0);
  const Cardinal row = U32At(data, 2);
  const Integer format = static_cast<Integer>(U32At(data, 6));
  Cell(intSheet, row, column, format, value, alignment, cellType);
}

bool TQuattroPro::ProcessBIFFRecord(Word id, TByteReader& data) {
  switch (id) {
    case WQR_BOF:
      switch (U16At(data, 0)) {
        case 0x0101:
        case 0x5120: FVersion = qvWQ1; break;
        case 0x0102:
        case 0x5121: FVersion = qvWQ2; break;
        case 0x0A0B: FVersion = qvWKQ; break;
        case 0x1002: FVersion = qvWB2; break;
        // The first Windows notebooks lay their cells out as the third do
        // (column, page, row, style), not as the DOS files.
        case 0x1001:
        case 0x1007: FVersion = qvWB3; break;
        case 0x0017: break;
        default: RaiseInvalidFormat();
      }
      return true;
    case WQR_DIMENSION:
      if (OnDimensions) {
        const Integer firstColumn = U8At(data, 0), firstRow = U16At(data, 2);
        const Integer lastColumn = U8At(data, 4), lastRow = U16At(data, 6);
        OnDimensions(this, 0, firstRow, lastRow, firstColumn, lastColumn);
      }
      return true;
    case WQR_COLWIDTH:
      // A 16-bit column and its width in characters.
      if (OnColumnWidth) {
        const Integer column = U16At(data, 0);
        OnColumnWidth(this, 0, column, U8At(data, 2));
      }
      return true;
    case WQR_BLANK: UpdateCellValue(data, Variant::Null(), taLeftJustify, ictEmpty); return true;
    case WQR_INTEGER:
      UpdateCellValue(data, IntegerAt(data, data.Size() == 8 ? 6 : 5), taRightJustify, ictInteger);
      return true;
    case WQR_NUMBER: {
      const bool wk1Layout = FVersion == qvWQ1 || FVersion == qvWKQ;
      UpdateCellValue(data, Variant(F64At(data, wk1Layout ? 5 : 6)), taRightJustify, ictDecimal);
      return true;
    }
    case WQR_LABEL:
    case WQR_FORMULA_STRING: {
      UInt64 text;
      switch (FVersion) {
        case qvWQ1:
        case qvWB2:
        case qvWB3: text = 7; break;
        case qvWQ2: text = 8; break;
        default: text = 6; break;
      }
      const TAlignment alignment = GetAlignment(U8At(data, text - 1));
      UpdateCellValue(data, Variant(LabelText(TailAt(data, text))), alignment, ictString);
      return true;
    }
    case WQR_FORMULA: {
      if (FVersion == qvWQ1 || FVersion == qvWKQ) {
        const double value = F64At(data, 5);
        UpdateCellValue(data, Variant(IsNan(value) ? 0.0 : value), taLeftJustify, ictDecimal);
        return true;
      }
      switch (U8At(data, 5)) {
        case 0: {
          const double value = F64At(data, 6);
          UpdateCellValue(data, Variant(IsNan(value) ? 0.0 : value), taLeftJustify, ictDecimal);
          break;
        }
        case 5: UpdateCellValue(data, IntegerAt(data, 6), taRightJustify, ictInteger); break;
        case 6: UpdateCellValue(data, Variant(LabelText(TailAt(data, 6))), taLeftJustify, ictString); break;
        case 7: UpdateCellValue(data, Variant::Null(), taLeftJustify, ictEmpty); break;
        default: break;
      }
      return true;
    }
    case WQR_COLUMN_SIZE:
      if (OnColumnWidth && ValidSheet(intSheet))
        for (UInt64 i = 0; i < data.Size() / 6; ++i) {
          const Integer column = U16At(data, 6 * i);
          OnColumnWidth(this, intSheet, column, U16At(data, 6 * i + 4));
        }
      return true;
    case WQR_BOP: {
      intSheet = U8At(data, 0);
      bool skip = false;
      if (OnSheet && intSheet >= Sheets.Count()) OnSheet(this, SheetCaption(intSheet), intSheet, skip);
      return true;
    }
    case WQR_EOP: ++intSheet; return true;
    case WQR_PAGE_NAME: {
      const String name = LabelText(TailAt(data, 0));
      if (intSheet >= 0 && intSheet < Sheets.Count()) Sheets[intSheet].Caption = name;
      if (OnSheetName) OnSheetName(this, name, intSheet);
      return true;
    }
    case WQR_CELL_ATTRIBUTE: return true;
    default: return false;
  }
}

String TQuattroPro::ReadString(TByteReader& data, UInt64 p, UInt64& next) {
  const Word n = U16At(data, p);
  const bool wide = (data.U8() & 1) != 0;
  const UInt64 length = wide ? UInt64{n} * 2 : n;
  // The text, then one byte after it (its terminator).
  next = p + length + 4;
  if (p + 3 + length >= data.Size()) return {};
  data.Seek(p + 3);
  const auto bytes = data.Bytes(static_cast<size_t>(length));
  return wide ? Utf16Text(bytes)
              : AnsiToString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

String TQuattroPro::SharedString(Cardinal index) const {
  if (index < static_cast<Cardinal>(FSST.Count())) return FSST.Get(static_cast<int>(index));
  char hex[16];
  std::snprintf(hex, sizeof hex, "#%08X", index);
  return AnsiToString(hex);
}

bool TQuattroPro::ProcessBIFFRecord9(Word id, TByteReader& data) {
  switch (id) {
    case WQR9_BOF: FVersion = qvQP9; return true;
    case WQR9_USER:
      if (HasParseItem(ipiSummaryInformation)) {
        UInt64 next = 0;
        FSummaryInformation.Author = ReadString(data, 0, next);
        FSummaryInformation.LastAuthor = ReadString(data, next, next);
      }
      return true;
    case WQR9_STRING_TABLE: {
      const Cardinal count = U32At(data, 0);
      UInt64 p = 12;
      // Every string takes at least four bytes, so the record's length
      // bounds the count.
      for (Cardinal i = 0; i < count && p + 4 <= data.Size(); ++i) FSST.Add(ReadString(data, p, p));
      return true;
    }
    case WQR9_BOS: {
      intSheet = U16At(data, 0);
      UInt64 next = 0;
      String name = ReadString(data, 18, next);
      if (name.empty()) name = SheetCaption(intSheet);
      bool skip = false;
      if (OnSheet && intSheet >= Sheets.Count()) OnSheet(this, name, intSheet, skip);
      if (OnDimensions) {
        const Integer firstColumn = U16At(data, 2), lastColumn = U16At(data, 4);
        const Integer firstRow = static_cast<Integer>(U32At(data, 6)), lastRow = static_cast<Integer>(U32At(data, 10));
        OnDimensions(this, intSheet, firstRow, lastRow, firstColumn, lastColumn);
      }
      return true;
    }
    case WQR9_EOS:
    case WQR9_CCOMMENT: return true;
    case WQR9_SHEET_COLUMN_WIDTH:
      if (OnColumnWidth && ValidSheet(intSheet)) {
        const Integer column = U16At(data, 0);
        OnColumnWidth(this, intSheet, column, U16At(data, 4) / 256);
      }
      return true;
    case WQR9_BOC: intCol9 = U16At(data, 0); return true;
    case WQR9_EOC: intCol9 = -1; return true;
    case WQR9_COLUMN_WIDTH:
      if (OnColumnWidth) {
        const Integer first = U8At(data, 0), last = U8At(data, 1);
        const Integer width = U16At(data, 2) / 256;
        for (Integer c = first; c <= last; ++c) OnColumnWidth(this, 0, c, width);
      }
      return true;
    case WQR9_CELLLIST:
      if (OnCellValue) ReadCellList(data);
      return true;
    case WQR9_FORMULA_STRING_VALUE: {
      const Word column = U16At(data, 0);
      const Cardinal row = U32At(data, 2);
      Cell(intSheet, row, column, -1, Variant(Utf16Text(TailAt(data, 4))), taLeftJustify, ictString);
      return true;
    }
    case WQR9_CGENERICBLANK: GenericCell(data, Variant::Null(), taLeftJustify, ictEmpty); return true;
    case WQR9_CGENERICLABEL:
      GenericCell(data, Variant(Utf16Text(TailAt(data, 7))), taLeftJustify, ictString);
      return true;
    case WQR9_CGENERICNUM_INT: GenericCell(data, IntegerAt(data, 6), taRightJustify, ictInteger); return true;
    case WQR9_CGENERICNUM_RK:
    case WQR9_CGENERICNUM_IEEE: GenericCell(data, Variant(F64At(data, 6)), taRightJustify, ictDecimal); return true;
    case WQR9_CGENERICFORMULA: {
      const double value = F64At(data, 6);
      GenericCell(data, Variant(IsNan(value) ? 0.0 : value), taLeftJustify, ictDecimal);
      return true;
    }
    default: return false;
  }
}

void TQuattroPro::ReadCellList(TByteReader& data) {
  const Int64 baseRow = U32At(data, 0);
  const Cardinal rowCount = data.U32();
  const UInt64 length = data.Size();
  UInt64 r = 0;
  while (r < rowCount && data.Position() < length) {
    const Byte flags = data.U8();
    const Integer format = (flags & 0x80) != 0 ? data.U16() : 0;
    const Word repeat = (flags & 0x40) != 0 ? data.U16() : 1;
    for (Word k = 0; k < repeat && data.Position() < length; ++k) {
      const Int64 row = baseRow + static_cast<Int64>(r) + k;
      switch (flags & 0x1F) {
        case 1: Cell(intSheet, row, intCol9, format, Variant::Null(), taLeftJustify, ictEmpty); break;
        case 2:
          Cell(intSheet, row, intCol9, format, Variant(static_cast<Integer>(data.U16())), taRightJustify, ictInteger);
          break;
        case 3:
          Cell(intSheet, row, intCol9, format, Variant(-static_cast<Integer>(data.U16())), taRightJustify, ictInteger);
          break;
        case 4:
          Cell(intSheet, row, intCol9, format, Variant(GetIEEEValue(data.U32())), taRightJustify, ictDecimal);
          break;
        case 5: {
          const Cardinal low = data.U32();
          data.Skip(4);
          Cell(intSheet, row, intCol9, format, Variant(GetIEEEValue(low)), taRightJustify, ictDecimal);
          break;
        }
        case 6:
          Cell(intSheet, row, intCol9, format, Variant(SharedString(data.U16())), taLeftJustify, ictString);
          break;
        case 7:
          Cell(intSheet, row, intCol9, format, Variant(SharedString(data.U32())), taLeftJustify, ictString);
          break;
        case 8: {
          const Cardinal value = data.U32();
          data.Skip(10);
          Cell(intSheet, row, intCol9, format, Variant(GetIEEEValue(value)), taRightJustify, ictDecimal);
          break;
        }
        case 30:
          Cell(intSheet, row, intCol9, format, Variant(u"#ERR" + IntToStr(data.U16())), taLeftJustify, ictString);
          break;
        case 31: Cell(intSheet, row, intCol9, format, Variant(u"#unknown#"), taLeftJustify, ictString); break;
        default: break;
      }
    }
    r += repeat;
  }
}
