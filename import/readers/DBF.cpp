#include "import/readers/DBF.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/readers/DatabaseFile.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

struct TVersionEntry {
  TDBFVersion Version;
  Byte Code;
  const char16_t* Name;
};

// Searched in order; dBase IV and dBase VII share their bytes with earlier
// entries and are never detected.
constexpr TVersionEntry kVersions[] = {
    {dBase3, 0x03, u"dBase III"},
    {dBase3Memo, 0x83, u"dBase III (memo)"},
    {dBase3Plus, 0x2F, u"dBase III Plus"},
    {dBase3PlusMemo, 0x8A, u"dBase III Plus (no memo)"},
    {FoxPro, 0x05, u"FoxPro"},
    {FoxProMemo, 0xF5, u"FoxPro (memo)"},
    {dBase4, 0x03, u"dBase IV"},
    {dBase4Memo, 0x8B, u"dBase IV (memo)"},
    {VFP3, 0x30, u"Visual FoxPro 3"},
    {dBase5, 0x04, u"dBase V"},
    {dBase7, 0x04, u"dBase VII"},
    {dBase7Memo, 0x8C, u"dBase VII (memo)"},
    {FoxBASE1, 0x02, u"Fox BASE 1"},
    {FoxBASE2, 0xFB, u"Fox BASE 2"},
    {VFP3AutoIncrement, 0x31, u"Visual FoxPro 3 (auto increment)"},
    {HyperSix, 0xE5, u"Hyper Six"},
    {VFP3Binary, 0x42, u"Visual FoxPro 3 (varchar/binary/blob enabled)"},
    {dBase4SQL, 0x62, u"dBase IV SQL table files"},
    {dBase4SQLSys, 0x82, u"dBase IV SQL system files"},
    {FoxPro2, 0xFA, u"FoxPro 2.x or earlier (memo)"},
};

bool HasLongDescriptors(TDBFVersion v) { return v == dBase5 || v == dBase7 || v == dBase7Memo; }
bool IsVisualFoxPro(TDBFVersion v) { return v == VFP3 || v == VFP3AutoIncrement || v == VFP3Binary; }
bool HasFoxProMemoFile(TDBFVersion v) {
  return v == FoxPro || v == FoxProMemo || IsVisualFoxPro(v) || v == FoxPro2;
}

// Digits at text[from, from + count) as a number; -1 when any is not a digit.
Integer Digits(std::string_view text, size_t from, size_t count) {
  if (from + count > text.size()) return -1;
  Integer v = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    v = v * 10 + (text[i] - '0');
  }
  return v;
}

// [-]digits[.digits] of at most 15 digits: the digits make an exact whole
// number and the point a power of ten up to 1e15, both exact as doubles, so
// their quotient is the correctly rounded value a full parse gives. Most
// numbers of a table are written so; false leaves any other to the parse.
bool ShortDecimal(std::string_view text, double& value) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = text[0] == '-' ? 1 : 0;
  Int64 mantissa = 0;
  int digits = 0, decimals = -1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + (c - '0');
      if (decimals >= 0) ++decimals;
    } else if (c == '.' && decimals < 0) {
      decimals = 0;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const double whole = static_cast<double>(mantissa);
  value = decimals > 0 ? whole / kPowers[decimals] : whole;
  if (text[0] == '-') value = -value;
  return true;
}

// Numeric text between blanks: digits with an optional sign and point.
bool TextToNumber(std::string_view text, double& value) {
  const auto blank = [](char c) { return c == ' ' || c == '\0'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return false;
  if (ShortDecimal(text, value)) return true;
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

TDBFVersion DBFVersionOfByte(Byte versionByte) {
  for (const TVersionEntry& e : kVersions)
    if (e.Code == versionByte) return e.Version;
  return dBase3;
}

String GetStrFileType(Byte versionByte) {
  for (const TVersionEntry& e : kVersions)
    if (e.Code == versionByte) return e.Name;
  return {};
}

String GetStrFieldType(char fieldType) {
  switch (fieldType) {
    case '+':
    case 'I': return u"AutoInc";
    case '0': return u"Bytes";
    case '2': return u"Short Integer";
    case '4': return u"Integer";
    case '8': return u"Double IEEE";
    case '@': return u"TimeStamp";
    case 'B': return u"BLOB";
    case 'C': return u"String";
    case 'D': return u"Date";
    case 'F':
    case 'N': return u"Number";
    case 'G': return u"OLE Object";
    case 'L': return u"Logical";
    case 'M': return u"MEMO";
    case 'O': return u"Float";
    case 'P': return u"Graphic";
    case 'T': return u"Time";
    case 'Y': return u"Currency";
    default: return u"<unknown>";
  }
}

bool StrIsEmpty(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\0'; });
}

TSMIDataType DBFFieldDataType(const TDBFField& field, TDBFVersion version) {
  switch (field.FieldType) {
    case '+':
    case '2':
    case '4':
    case '8':
    case 'I': return itInteger;
    case 'B': return IsVisualFoxPro(version) ? itFloat : itBLOB;
    case '0':
    case 'G': return itBLOB;
    case '@': return itDateTime;
    case 'D': return itDate;
    case 'F':
    case 'N':
    case 'O':
    case 'Y': return itFloat;
    case 'L': return itBoolean;
    case 'M': return itMEMO;
    case 'P': return itGraphic;
    case 'T': return itTime;
    default: return itString;
  }
}

TDBF::TDBF(TComponent* owner) : TSpreadSheetFile(owner) {
  IsIncrementalLoad = true;
  FNameKind = nkFieldName;
}

TDBF::~TDBF() = default;

String TDBF::TranslateString(std::string_view bytes) const {
  switch (DBHeader.LanguageID) {
    case 0x01: case 0x09: case 0x0B: case 0x0D: case 0x0F: case 0x11: case 0x15: case 0x18: case 0x19: case 0x1B:
      return CodePageToString(bytes, OemCodePage());
    case 0x02: case 0x0A: case 0x0E: case 0x10: case 0x12: case 0x14: case 0x16: case 0x1A: case 0x1D: case 0x25:
    case 0x37:
      return CodePageToString(bytes, 850);
    case 0x26:
    case 0x65: return CodePageToString(bytes, 866);
    default: return AnsiToString(bytes);
  }
}

void TDBF::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(stream);
  // The records were read from this stream; it closes here.
  AfterLoad();
}

void TDBF::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  BeforeLoad();
  try {
    TByteReader in(stream);
    DBHeader = {};
    DBHeader.VersionNumber = in.U8();
    DBHeader.LastUpdateYear = in.U8();
    DBHeader.LastUpdateMonth = in.U8();
    DBHeader.LastUpdateDay = in.U8();
    DBHeader.NumberOfRecords = in.U32();
    DBHeader.HeaderSize = in.U16();
    DBHeader.RecordSize = in.U16();
    in.Skip(2);
    DBHeader.IncompleteTransaction = in.U8();
    DBHeader.Encrypted = in.U8();
    in.Skip(12);
    DBHeader.MDXIsExist = in.U8();
    DBHeader.LanguageID = in.U8();
    in.Skip(2);
    FDBFVersion = DBFVersionOfByte(DBHeader.VersionNumber);
    const bool longDescriptors = HasLongDescriptors(FDBFVersion);
    if (longDescriptors) in.Skip(36);
    const Integer area = DBHeader.HeaderSize - 33 - (FDBFVersion == VFP3 ? 263 : 0) - (longDescriptors ? 36 : 0);
    const Integer count = std::clamp(area / (longDescriptors ? 48 : 32), 0, MaxFields);
    if (OnDimensions) OnDimensions(this, 0, 0, static_cast<Integer>(std::min<Cardinal>(DBHeader.NumberOfRecords, 2147483647)), 0, count);

    FFields.clear();
    Integer address = 1;
    for (Integer e = 0; e < count; ++e) {
      // The list ends at its terminator whatever the header size says (the
      // Visual FoxPro back-link area follows it).
      const UInt64 at = in.Position();
      if (in.U8() == 0x0D) break;
      in.Seek(at);
      const std::span<const Byte> d = in.Bytes(longDescriptors ? 48 : 32);
      TDBFField field;
      const std::span<const Byte> name = d.first(longDescriptors ? 32 : 11);
      const size_t end = std::find(name.begin(), name.begin() + 10, Byte{0}) - name.begin();
      field.FieldName = TranslateString(AsText(name.first(end)));
      field.FieldType = static_cast<char>(d[longDescriptors ? 32 : 11]);
      field.Length = d[longDescriptors ? 33 : 16];
      field.Decimals = d[longDescriptors ? 34 : 17];
      field.Address = address;
      address += field.Length;
      if (OnColumnWidth) OnColumnWidth(this, 0, e, field.Length);
      FFields.push_back(std::move(field));
    }
    DBHeader.NumberOfFields = static_cast<Integer>(FFields.size());
    FUpperNames.clear();
    FNextColumn = 0;
    for (const TDBFField& f : FFields) FUpperNames.push_back(UpperCase(f.FieldName));

    if (DBHeader.RecordSize == 0 || DBHeader.HeaderSize > in.Size()) {
      FRecordCount = 0;
    } else {
      const UInt64 room = (in.Size() - DBHeader.HeaderSize + DBHeader.RecordSize - 1) / DBHeader.RecordSize;
      FRecordCount = static_cast<Integer>(std::min<UInt64>({DBHeader.NumberOfRecords, room, 2147483647}));
    }
    FRecord.assign(std::max<size_t>(DBHeader.RecordSize, 1), Byte{' '});
    FTable.emplace(std::move(in));

    if (!IsIncrementalLoad) {
      Integer sheetRow = 0;
      for (Integer recNo = 0; recNo < FRecordCount; ++recNo) {
        if (recNo > FLoadRange.LastRow) break;
        if (LoadRecordAt(recNo, sheetRow)) ++sheetRow;
      }
      AfterLoad();
    }
  } catch (...) {
    AfterLoad();
    throw;
  }
}

void TDBF::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  TSpreadSheet& sheet = Sheets.Spreadsheet(0);
  const size_t slash = FFileName.find_last_of(u"/\\");
  sheet.Caption = slash == String::npos ? FFileName : FFileName.substr(slash + 1);
  sheet.Cells.AutoUsedRangeDetect = FLoadRowStatutes != (RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
}

void TDBF::AfterLoad() {
  FTable.reset();
  FMemo.reset();
  BLOBStream.reset();
  FMemoTried = false;
}

bool TDBF::LoadRecord(Integer recNo) { return LoadRecordAt(recNo, recNo); }

std::span<const Byte> TDBF::RecordBytes(Integer recNo, TSMIRowStatus& status) {
  status = rsNormal;
  if (!FTable || recNo < 0 || recNo >= FRecordCount) return {};
  UpdateProgress(recNo, DBHeader.NumberOfRecords);
  const UInt64 offset = DBHeader.HeaderSize + UInt64{DBHeader.RecordSize} * static_cast<UInt64>(recNo);
  FTable->Seek(offset);
  // A whole record is read in place from the reader's window; one cut
  // short by the end of the file is copied and reads as blanks past it.
  std::span<const Byte> record;
  if (DBHeader.RecordSize > 0 && FTable->Has(DBHeader.RecordSize)) {
    record = FTable->Bytes(DBHeader.RecordSize);
  } else {
    const size_t have = static_cast<size_t>(std::min<UInt64>(DBHeader.RecordSize, FTable->Remaining()));
    std::fill(FRecord.begin(), FRecord.end(), Byte{' '});
    FTable->Read(FRecord.data(), have);
    record = std::span<const Byte>(FRecord.data(), std::max<size_t>(DBHeader.RecordSize, 1));
  }
  status = record[0] == '*' ? rsDeleted : rsNormal;
  return record.first(DBHeader.RecordSize);
}

std::span<const Byte> TDBF::FieldBytes(std::span<const Byte> record, const TDBFField& f) const {
  const size_t from = std::min<size_t>(static_cast<size_t>(f.Address), record.size());
  return record.subspan(from, std::min<size_t>(f.Length, record.size() - from));
}

bool TDBF::LoadRecordAt(Integer recNo, Integer row) {
  TSpreadSheetFile::LoadRecord(recNo);
  TSMIRowStatus status;
  const std::span<const Byte> record = RecordBytes(recNo, status);
  if (!FTable || recNo < 0 || recNo >= FRecordCount) return false;
  if ((FLoadRowStatutes & RowStatusBit(status)) == 0) return false;
  if (OnCellValue) {
    Variant value;
    TSMICellType type;
    TAlignment alignment;
    for (Integer i = 0; i < static_cast<Integer>(FFields.size()); ++i) {
      const TDBFField& f = FFields[static_cast<size_t>(i)];
      DecodeField(f, FieldBytes(record, f), value, type, alignment);
      OnCellValue(this, 0, row, i, 0, value, alignment, type);
    }
    // The sheet keeps the status of a record whose fields are all empty too.
    if (!IsIncrementalLoad && row < kMaxSheetRows) Sheets.Spreadsheet(0).Cells.AddRow(row);
    SetRowStatus(0, row, status);
  }
  return true;
}

bool TDBF::SelectRecord(Integer recNo) {
  TSpreadSheetFile::LoadRecord(recNo);
  TSMIRowStatus status;
  FSelected = RecordBytes(recNo, status);
  if (!FTable || recNo < 0 || recNo >= FRecordCount) return false;
  return (FLoadRowStatutes & RowStatusBit(status)) != 0;
}

void TDBF::FieldValue(Integer column, Variant& value) {
  if (column < 0 || column >= static_cast<Integer>(FFields.size())) {
    value = Variant::Null();
    return;
  }
  const TDBFField& f = FFields[static_cast<size_t>(column)];
  TSMICellType type;
  TAlignment alignment;
  DecodeField(f, FieldBytes(FSelected, f), value, type, alignment);
}

void TDBF::DecodeField(const TDBFField& f, std::span<const Byte> raw, Variant& value, TSMICellType& type,
                       TAlignment& alignment) {
  auto cell = [&](Variant v, TSMICellType t, TAlignment a) {
    value = std::move(v);
    type = t;
    alignment = a;
  };
  const std::string_view text = AsText(raw);
  const char t = f.FieldType;
  if (t != '+' && t != '2' && t != '4' && t != 'I' && StrIsEmpty(text)) {
    cell(Variant::Null(), ictEmpty, taLeftJustify);
    return;
  }
  switch (t) {
    case '+': cell(static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw, 4))), ictInteger, taRightJustify); return;
    case '2':
    case '4': cell(static_cast<Int64>(LoadLittleEndian(raw, 4)), ictInteger, taRightJustify); return;
    case 'I': {
      const Integer le = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw, 4)));
      const bool littleEndian = FDBFVersion == FoxPro || FDBFVersion == FoxProMemo || IsVisualFoxPro(FDBFVersion);
      if (littleEndian || le == 0)
        cell(le, ictInteger, taRightJustify);
      else
        cell(static_cast<Integer>(static_cast<Cardinal>(LoadBigEndian(raw, 4)) - 0x80000000u), ictInteger, taRightJustify);
      return;
    }
    case '8': cell(DoubleFromBits(LoadLittleEndian(raw, 8)), ictDecimal, taRightJustify); return;
    case 'F':
    case 'N': {
      double v = 0;
      if (!TextToNumber(text, v)) {
        cell(Variant::Null(), ictEmpty, taLeftJustify);
        return;
      }
      if (f.Decimals == 0) v = std::nearbyint(v);
      cell(v, ictDecimal, taRightJustify);
      return;
    }
    case 'Y': cell(Currency::FromScaled(static_cast<Int64>(LoadLittleEndian(raw, 8))), ictDecimal, taRightJustify); return;
    case 'O': {
      const UInt64 bits = LoadBigEndian(raw, 8);
      const UInt64 sign = UInt64{1} << 63;
      cell(DoubleFromBits((bits & sign) != 0 ? bits & ~sign : ~bits), ictDecimal, taRightJustify);
      return;
    }
    case 'D': {
      const Integer year = Digits(text, 0, 4), month = Digits(text, 4, 2), day = Digits(text, 6, 2);
      TDateTime date = 0;
      if (year > 1000 && month >= 0 && day >= 0 &&
          TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), date))
        cell(Variant::FromDateTime(date), ictDateTime, taLeftJustify);
      else
        cell(Variant::Null(), ictEmpty, taLeftJustify);
      return;
    }
    case 'T': {
      if (text[0] == ' ') {
        cell(Variant::Null(), ictEmpty, taLeftJustify);
      } else if (f.Length == 6) {
        const Integer h = Digits(text, 0, 2), m = Digits(text, 2, 2), s = Digits(text, 4, 2);
        TDateTime time = 0;
        if (h >= 0 && m >= 0 && s >= 0 &&
            TryEncodeTime(static_cast<Word>(h), static_cast<Word>(m), static_cast<Word>(s), 0, time))
          cell(Variant::FromDateTime(time), ictDateTime, taLeftJustify);
        else
          cell(Variant::Null(), ictEmpty, taLeftJustify);
      } else {
        const Int64 julian = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw, 4)));
        const Int64 msecs = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw.subspan(std::min<size_t>(4, raw.size())), 4)));
        cell(TimeStampCell(julian - 1721425, msecs), ictDateTime, taLeftJustify);
      }
      return;
    }
    case '@': {
      const double ms = std::nearbyint(DoubleFromBits(LoadBigEndian(raw, 8)));
      if (!(std::fabs(ms) < 1e15)) {
        cell(Variant::Null(), ictEmpty, taLeftJustify);
        return;
      }
      const Int64 whole = static_cast<Int64>(ms);
      cell(TimeStampCell(whole / MSecsPerDay, whole % MSecsPerDay), ictDateTime, taLeftJustify);
      return;
    }
    case 'L': cell(text == "T", ictBoolean, taLeftJustify); return;
    case '0': cell(Variant::Null(), ictEmpty, taLeftJustify); return;
    case 'B':
      // Visual FoxPro keeps doubles in its B fields.
      if (IsVisualFoxPro(FDBFVersion)) {
        cell(DoubleFromBits(LoadLittleEndian(raw, 8)), ictDecimal, taRightJustify);
        return;
      }
      [[fallthrough]];
    case 'G':
    case 'M':
    case 'P':
    case 'Q':
    case 'W': {
      Int64 block = 0;
      // Visual FoxPro and four-byte memo fields hold the block number in
      // binary.
      if (IsVisualFoxPro(FDBFVersion) || FDBFVersion == HyperSix || f.Length == 4) {
        block = static_cast<Cardinal>(LoadLittleEndian(raw, 4));
      } else {
        Int64 parsed = 0;
        block = TryStrToInt64(Trim(AnsiToString(text)), parsed) && parsed > 0 ? parsed : 0;
      }
      if (HasParseItem(ipiBLOB))
        cell(ReadBLOBValue(static_cast<Cardinal>(std::min<Int64>(block, 0xFFFFFFFF)), 0), ictMemo, taLeftJustify);
      else
        cell(block, ictInteger, taLeftJustify);
      return;
    }
    default: cell(TranslateString(text), ictString, taLeftJustify); return;
  }
}

bool TDBF::FoxProMemoLayout() const {
  return FDBFVersion == FoxPro || FDBFVersion == FoxProMemo || FDBFMemoType == dmFPT || IsVisualFoxPro(FDBFVersion) ||
         FDBFVersion == FoxPro2;
}

void TDBF::OpenMemo() {
  FMemoTried = true;
  if (FFileName.empty()) return;
  StringView ext = u".dbt";
  if (HasFoxProMemoFile(FDBFVersion) || FDBFMemoType == dmFPT)
    ext = u".fpt";
  else if (FDBFMemoType == dmSMT)
    ext = u".smt";
  String name = WithExtension(FFileName, ext);
  // The memo file often carries the table's name in upper case.
  if (!FileExists(name)) {
    String upper = WithExtension(FFileName, UpperCase(String(ext)));
    if (FileExists(upper)) name = upper;
  }
  if (!FileExists(name) && FDBFVersion == HyperSix) name = WithExtension(FFileName, u"");
  if (!FileExists(name)) return;
  try {
    BLOBStream = std::make_unique<TFileStream>(name, fmOpenRead | fmShareDenyNone);
    FMemo.emplace(*BLOBStream);
    if (FoxProMemoLayout()) {
      FMemo->Seek(6);
      FMemoBlockSize = FMemo->U16BE();
    } else {
      FMemo->Seek(20);
      FMemoBlockSize = FMemo->U16();
      if (FDBFVersion == dBase3Memo && (FMemoBlockSize & 0xFF) != 0) FMemoBlockSize = 512;
    }
    if (FMemoBlockSize == 0) FMemoBlockSize = 512;
  } catch (const Exception&) {
    // A memo file too short for its header holds no memo.
    FMemo.reset();
    BLOBStream.reset();
  }
}

String TDBF::ReadBLOBValue(Cardinal block, Cardinal /*length*/) {
  if (block == 0) return {};
  if (!FMemoTried) OpenMemo();
  if (!FMemo) return {};
  const UInt64 offset = UInt64{block} * FMemoBlockSize;
  if (offset >= FMemo->Size()) return {};
  FMemo->Seek(offset);
  std::string bytes;
  const bool foxPro = FoxProMemoLayout();
  if (!foxPro && (FDBFVersion == dBase3 || FDBFVersion == dBase3Memo)) {
    // No block header: the text ends at the end-of-file mark.
    while (!FMemo->AtEnd()) {
      const std::span<const Byte> chunk = FMemo->Bytes(static_cast<size_t>(std::min<UInt64>(512, FMemo->Remaining())));
      const std::string_view s = AsText(chunk);
      const size_t eof = s.find('\x1A');
      bytes.append(s.substr(0, eof));
      if (eof != std::string_view::npos) break;
    }
  } else {
    if (!FMemo->Has(8)) return {};
    FMemo->Skip(4);
    UInt64 length = foxPro ? FMemo->U32BE() : FMemo->U32();
    // dBase IV counts the block header in the length.
    if (!foxPro) length = length >= 8 ? length - 8 : 0;
    // The length never reaches past the file.
    length = std::min<UInt64>(length, FMemo->Remaining());
    bytes = FMemo->Ansi(static_cast<size_t>(length));
  }
  return AnsiToString(bytes);
}

Integer TDBF::FindColumn(const String& fieldName) {
  const StringView wanted = StringView(fieldName).substr(0, 10);
  // A run asks for the columns in the order of its mappings, mostly the
  // field order, by the names the table gave them: the field after the one
  // found last, matched as it is, answers most requests.
  if (FNextColumn < FUpperNames.size() && StringView(FUpperNames[FNextColumn]) == wanted) {
    const size_t found = FNextColumn;
    FNextColumn = found + 1 < FUpperNames.size() ? found + 1 : 0;
    return static_cast<Integer>(found);
  }
  if (!std::all_of(wanted.begin(), wanted.end(), [](char16_t c) { return c < 0x80; })) {
    const auto it = std::find(FUpperNames.begin(), FUpperNames.end(), UpperCase(String(wanted)));
    return it == FUpperNames.end() ? -1 : static_cast<Integer>(it - FUpperNames.begin());
  }
  // Else the search starts after the field found last, and an ASCII name
  // is compared without an upper-cased copy.
  const size_t count = FUpperNames.size();
  for (size_t k = 0, i = FNextColumn; k < count; ++k, i = i + 1 < count ? i + 1 : 0) {
    const String& name = FUpperNames[i];
    if (name.size() != wanted.size()) continue;
    size_t c = 0;
    while (c < name.size() && name[c] == (wanted[c] >= u'a' && wanted[c] <= u'z' ? wanted[c] - 32 : wanted[c])) ++c;
    if (c < name.size()) continue;
    FNextColumn = i + 1 < count ? i + 1 : 0;
    return static_cast<Integer>(i);
  }
  return -1;
}

void TDBF::FillColumnList(TColumnList& list, const String& /*fieldList*/) {
  list.clear();
  for (Integer i = 0; i < static_cast<Integer>(FFields.size()); ++i)
    list.push_back({FFields[static_cast<size_t>(i)].FieldName, i});
}
