#include "import/readers/MSExcel.h"

#include <algorithm>
#include <cstring>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"
#include "platform/win/CompoundFile.h"

namespace {

constexpr Word kBOF2 = 0x0009, kBOF3 = 0x0209, kBOF4 = 0x0409, kBOF5 = 0x0809;
constexpr Word kEOF = 0x000A;
constexpr Word kContinue = 0x003C;

bool IsBOF(Word type) { return type == kBOF2 || type == kBOF3 || type == kBOF4 || type == kBOF5; }

[[noreturn]] void RaiseInvalidFormat() { throw ESMIFileFormatException(String(strEInvalidFileFormat)); }

[[noreturn]] void RaiseShortRecord(const TByteReader&, size_t) { RaiseInvalidFormat(); }

// BIFF2 cell attributes: horizontal alignment in the low bits of the third.
TAlignment AttributeAlignment(Byte attribute) {
  switch (attribute & 7) {
    case 2: return taCenter;
    case 3: return taRightJustify;
    default: return taLeftJustify;
  }
}

// A record that may continue in the CONTINUE records after it, read where
// it lies: the current piece, and the stream the next pieces come from.
class TContinuedData {
 public:
  TContinuedData(std::span<const Byte> first, TByteReader& stream)
      : FPos(first.data()), FEnd(first.data() + first.size()), FStream(stream) {}

  [[noreturn]] static void Missing() { throw ESMIExcelException(String(strEXLSContinueNotFound)); }
  bool AtEnd() {
    return FPos == FEnd && !NextPiece();
  }
  // Bytes left in the current piece.
  size_t PieceLeft() const { return static_cast<size_t>(FEnd - FPos); }
  const Byte* Here() const { return FPos; }
  void Advance(size_t n) { FPos += n; }
  // Moves to the next CONTINUE record; false when none follows.
  bool NextPiece() {
    if (FStream.Remaining() < 4) return false;
    const UInt64 at = FStream.Position();
    const Word type = FStream.U16();
    const Word length = FStream.U16();
    if (type != kContinue || length > FStream.Remaining()) {
      FStream.Seek(at);
      return false;
    }
    const auto piece = FStream.Bytes(length);
    FPos = piece.data();
    FEnd = FPos + piece.size();
    return true;
  }
  Byte U8() {
    while (FPos == FEnd)
      if (!NextPiece()) Missing();
    return *FPos++;
  }
  Word U16() { return static_cast<Word>(U8() | U8() << 8); }
  Cardinal U32() { return U16() | static_cast<Cardinal>(U16()) << 16; }
  void Skip(UInt64 n) {
    while (n > 0) {
      while (FPos == FEnd)
        if (!NextPiece()) Missing();
      const size_t step = static_cast<size_t>(std::min<UInt64>(n, PieceLeft()));
      FPos += step;
      n -= step;
    }
  }
  // Passes over the CONTINUE records that are left.
  void SkipRest() {
    while (NextPiece()) {
    }
    FPos = FEnd;
  }

 private:
  const Byte* FPos;
  const Byte* FEnd;
  TByteReader& FStream;
};

}  // namespace

TMSExcel::TMSExcel(TComponent* owner) : TCustomMSExcel(owner) {}

void TMSExcel::ApplyEvents() {
  TCustomMSExcel::ApplyEvents();
  PutBuiltInFormats(false);
  XLSBuildNo = XLSBuildYear = 0;
  FCodePage = 0;
  FFormatCount = 0;
  FPendingString = false;
  FWorksheetsSeen = 0;
  FWorksheetNames.clear();
  FWalk.reset();
  FRowsOnDemandSheet = false;
}

void TMSExcel::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  Load(std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite), {});
}

void TMSExcel::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  Load(nullptr, ReadFileBytes(stream));
}

void TMSExcel::Load(std::unique_ptr<TStream> file, TFileBytes bytes) {
  FWalk.reset();
  FRowsOnDemandSheet = false;
  auto walk = std::make_unique<TRecordWalk>();
  walk->File = std::move(file);
  walk->Bytes = std::move(bytes);
  Byte head[8] = {};
  if (walk->File) {
    walk->File->Read(head, sizeof head);
    walk->File->SetPosition(0);
  } else {
    std::memcpy(head, walk->Bytes.Data.get(), std::min(walk->Bytes.Size, sizeof head));
  }
  if (TCompoundFile::IsCompoundFile(head, sizeof head)) {
    if (!ImportFromCompoundFile(*walk)) return;
  } else {
    FVersion = evUnknown;
    walk->Plain = true;
    if (walk->File)
      walk->Reader = std::make_unique<TByteReader>(*walk->File, TByteReader::DefaultWindowSize, RaiseShortRecord);
    else
      walk->Reader = std::make_unique<TByteReader>(walk->Bytes.View(), RaiseShortRecord);
  }
  ImportFromStream(std::move(walk));
}

bool TMSExcel::ImportFromCompoundFile(TRecordWalk& walk) {
  try {
    walk.Compound = std::make_unique<TCompoundFile>();
    TCompoundFile& file = *walk.Compound;
    if (walk.File)
      file.OpenFile(*walk.File);
    else
      file.LoadFromMemory(walk.Bytes.Data.get(), walk.Bytes.Size);
    Integer stream = -1;
    bool book = false;
    for (Integer child : file.Children(TCompoundFile::Root)) {
      const TCompoundEntry& entry = file.Entry(child);
      if (entry.Type != cetStream) continue;
      const String upper = UpperCase(entry.Name);
      if (upper == u"WORKBOOK") {
        stream = child;
        book = false;
      } else if (upper == u"BOOK" && stream < 0) {
        stream = child;
        book = entry.Name == u"Book";
      } else if (HasParseItem(ipiSummaryInformation) &&
                 (entry.Name == u"\005SummaryInformation" || entry.Name == u"\005DocumentSummaryInformation")) {
        try {
          const std::vector<Byte> data = file.ReadStream(child);
          FSummaryInformation.ReadPropertySet(data.data(), data.size(), entry.Name[1] == u'D');
        } catch (const ECompoundFileError&) {
          // Document properties never fail the load.
        }
      }
    }
    if (stream < 0) RaiseInvalidFormat();
    FVersion = book ? evExcel7 : evExcel8;
    if (!HasParseItem(ipiText)) return false;
    walk.Stream = file.OpenStream(stream);
    walk.Reader = std::make_unique<TByteReader>(*walk.Stream, TByteReader::DefaultWindowSize, RaiseShortRecord);
  } catch (const ECompoundFileError&) {
    RaiseInvalidFormat();
  }
  return true;
}

String TMSExcel::ByteText(std::span<const Byte> bytes) const {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (FCodePage != 0) {
    try {
      return CodePageToString(text, FCodePage);
    } catch (const Exception&) {
      // A code page the system lacks: the ANSI one.
    }
  }
  return AnsiToString(text);
}

String TMSExcel::ReadString(TByteReader& r, size_t count) {
  if (!IsBIFF8()) return ByteText(r.Bytes(count));
  const Byte option = r.U8();
  const Word runs = (option & 8) ? r.U16() : 0;
  const Cardinal ext = (option & 4) ? r.U32() : 0;
  String text;
  if (option & 1) {
    if (count * 2 > r.Remaining()) r.Fail(count * 2);
    text.resize(count);
    for (size_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(r.U16());
  } else {
    // Compressed: each byte is the low byte of a UTF-16 unit.
    const auto bytes = r.Bytes(count);
    text.assign(bytes.begin(), bytes.end());
  }
  r.Skip(std::min<UInt64>(UInt64{runs} * 4 + ext, r.Remaining()));
  return text;
}

TAlignment TMSExcel::AlignmentOfFormat(Integer xf) const {
  const TXLSFormat* format = GetXLSFormat(xf);
  return format != nullptr ? AttributeAlignment(format->HorAlignment) : taLeftJustify;
}

void TMSExcel::Cell(Integer row, Integer col, Integer xf, Variant&& value, TSMICellType type,
                    TAlignment alignment) {
  if (type == ictString) {
    const String* text = value.StringValue();
    if (text != nullptr && text->find(u'\n') != String::npos) {
      // Line breaks become CR LF.
      String s;
      for (char16_t c : *text) {
        if (c == u'\n' && (s.empty() || s.back() != u'\r')) s += u'\r';
        s += c;
      }
      DeliverCell(row, col, xf, Variant(std::move(s)), alignment, type);
      FollowRow(row);
      return;
    }
  }
  DeliverCell(row, col, xf, std::move(value), alignment, type);
  FollowRow(row);
}

void TMSExcel::FollowRow(Integer row) {
  // A sheet read on demand stops before the record after the first cell
  // beyond the rows asked for, once the sheet has given its size.
  if (!FWalk || FWalk->PauseAfter < 0 || row < 0) return;
  FWalk->LastRow = std::max(FWalk->LastRow, row);
  if (row > FWalk->PauseAfter && CountIsDefined) FWalk->PauseAsked = true;
}

void TMSExcel::NumberCell(Integer row, Integer col, Integer xf, double number, TAlignment alignment) {
  Variant value;
  TSMICellType type;
  NumberValue(number, xf, true, value, type);
  Cell(row, col, xf, std::move(value), type, alignment);
}

void TMSExcel::ImportFromStream(std::unique_ptr<TRecordWalk> walk) {
  FWalk.reset();
  FRowsOnDemandSheet = false;
  // The stream begins with a beginning-of-file record.
  TByteReader& reader = *walk->Reader;
  if (!reader.Has(4)) RaiseInvalidFormat();
  const Word first = reader.U16();
  reader.Seek(0);
  if (!IsBOF(first)) RaiseInvalidFormat();
  FWalk = std::move(walk);
  FWalk->PauseAfter = RowsOnDemand > 0 && FSheetIndex >= 0 ? RowsOnDemand - 1 : -1;
  WalkRecords();
  if (FWalk->Paused) {
    // Until the rest is read, the sheet's announced width stands for the
    // columns of the rows to come.
    TSpreadSheetCells& cells = Sheets.Spreadsheet(FCurSheet).Cells;
    cells.UsedColCount = std::max(cells.UsedColCount, cells.ColCount);
    FRowsOnDemandSheet = true;
  } else {
    FWalk.reset();
  }
}

void TMSExcel::LoadRowsThrough(Integer row) {
  if (!FRowsOnDemandSheet) return;
  if (FWalk) {
    try {
      FWalk->PauseAfter = row;
      while (FWalk->Paused && FWalk->LastRow <= row) WalkRecords();
      if (!FWalk->Paused) FWalk.reset();
    } catch (...) {
      // A damaged stream ends the reading; the rows read so far stay.
      FWalk.reset();
      throw;
    }
  }
  Sheets.Spreadsheet(FCurSheet).Cells.ReleaseRowsBefore(row);
}

void TMSExcel::WalkRecords() {
  TRecordWalk& walk = *FWalk;
  const bool plain = walk.Plain;
  TByteReader& stream = *walk.Reader;
  walk.Paused = false;
  int& depth = walk.Depth;
  int& skipFrom = walk.SkipFrom;  // depth at which skipping began; 0: not skipping
  bool& inWorksheet = walk.InWorksheet;
  while (stream.Remaining() >= 4) {
    if (walk.PauseAsked) {
      // A cell beyond the rows asked for has come: the rows before it are
      // complete.
      walk.PauseAsked = false;
      walk.Paused = true;
      return;
    }
    const Word type = stream.U16();
    const Word length = stream.U16();
    // Some writers pad the stream after the last record with zeros.
    if (type == 0 && length == 0 && depth == 0) break;
    if (length > stream.Remaining()) RaiseInvalidFormat();
    TByteReader data = stream.Sub(length);
    UpdateProgress(static_cast<Int64>(stream.Position()), static_cast<Int64>(stream.Size()));
    if (OnRecord) {
      BufferHeader = {type, length};
      const auto raw = data.Bytes(length);
      OnRecord(this, BufferHeader, std::vector<Byte>(raw.begin(), raw.end()));
      data.Seek(0);
    }
    if (type != 0x0207 && type != 0x0007 && type != 0x04BC && type != 0x00BC && type != 0x0221 && type != 0x0236)
      FPendingString = false;

    if (IsBOF(type)) {
      ++depth;
      Word version = 0, substream = 0x10;
      if (data.Has(4)) {
        version = data.U16();
        substream = data.U16();
      }
      if (depth == 1) {
        switch (type >> 8) {
          case 0x00: FVersion = evExcel2; break;
          case 0x02: FVersion = evExcel3; break;
          case 0x04: FVersion = evExcel4; break;
          default:
            if (version == 0x0600) {
              FVersion = std::max(FVersion, evExcel8);
            } else {
              // BIFF5 and BIFF7 read alike: 8-bit strings without an
              // option byte.
              FVersion = FVersion == evExcel7 ? evExcel7 : evExcel5;
            }
            if (substream == 5 && data.Has(4)) {
              XLSBuildNo = data.U16();
              XLSBuildYear = data.U16();
            }
            break;
        }
      }
      if (skipFrom != 0) continue;
      if (depth > 1) {
        skipFrom = depth;  // a chart inside a sheet
        continue;
      }
      if (substream == 0x10 || substream == 0x40) {
        FCurSheet = FWorksheetsSeen++;
        intRowCount = intColCount = -1;
        CountIsDefined = false;
        inWorksheet = true;
        const String name = FCurSheet < static_cast<Integer>(FWorksheetNames.size())
                                ? FWorksheetNames[static_cast<size_t>(FCurSheet)]
                                : String(strSheetName) + IntToStr(FCurSheet + 1);
        bool skip = false;
        if (OnSheet) OnSheet(this, name, FCurSheet, skip);
        if (skip) skipFrom = depth;
      } else if (substream != 5 && substream != 0x100) {
        skipFrom = depth;  // charts, modules
      }
      continue;
    }
    if (type == kEOF) {
      if (depth == 1 && inWorksheet && skipFrom == 0) {
        if ((!CountIsDefined || intXLSRowCount <= intRowCount || intXLSColCount <= intColCount) && OnDimensions &&
            intRowCount >= 0)
          OnDimensions(this, FCurSheet, 0, intRowCount + 1, 0, intColCount + 1);
      }
      if (skipFrom != 0 && depth <= skipFrom) skipFrom = 0;
      if (depth == 1) inWorksheet = false;
      depth = std::max(depth - 1, 0);
      if (plain && depth == 0 && FVersion <= evExcel4) break;
      continue;
    }
    if (skipFrom != 0) continue;
    try {
      ProcessBIFFRecord(type, data, stream);
    } catch (const Exception& error) {
      bool abort = true;
      if (OnErrorProcess) OnErrorProcess(this, error, abort);
      if (abort) throw;
    }
  }
  // A plain file without records after its cells still ends its sheet.
  if (inWorksheet && OnDimensions && intRowCount >= 0 && !CountIsDefined)
    OnDimensions(this, FCurSheet, 0, intRowCount + 1, 0, intColCount + 1);
}

void TMSExcel::ReadSST(TByteReader& data, TByteReader& stream) {
  TContinuedData sst(data.Bytes(static_cast<size_t>(data.Remaining())), stream);
  sst.Skip(4);
  const Cardinal count = sst.U32();
  // Each string takes at least three bytes of the records, each character
  // at least one.
  const size_t bound = static_cast<size_t>(data.Size() + stream.Remaining());
  SST.Reserve(std::min<size_t>(count, bound / 3), bound);
  for (Cardinal i = 0; i < count; ++i) {
    if (sst.AtEnd()) break;
    const Word chars = sst.U16();
    const Byte option = sst.U8();
    if ((option & ~0x0D) != 0) throw ESMIExcelException(Format(strEXLSInvalidSST, {static_cast<Int64>(option)}));
    const Word runs = (option & 8) ? sst.U16() : 0;
    const Cardinal ext = (option & 4) ? sst.U32() : 0;
    bool wide = (option & 1) != 0;
    char16_t* const text = SST.Append(chars);
    size_t done = 0;
    try {
      while (done < chars) {
        const size_t width = wide ? 2 : 1;
        const size_t take = std::min<size_t>(chars - done, sst.PieceLeft() / width);
        const Byte* p = sst.Here();
        char16_t* out = text + done;
        if (wide) {
          for (size_t k = 0; k < take; ++k) out[k] = static_cast<char16_t>(p[2 * k] | p[2 * k + 1] << 8);
        } else {
          for (size_t k = 0; k < take; ++k) out[k] = p[k];
        }
        sst.Advance(take * width);
        done += take;
        if (done == chars) break;
        // The characters go on in the next CONTINUE record, which begins
        // with its own option byte.
        if (sst.PieceLeft() != 0 || !sst.NextPiece()) TContinuedData::Missing();
        wide = (sst.U8() & 1) != 0;
      }
    } catch (...) {
      // A string the records end within is not kept half read.
      SST.RemoveLast();
      throw;
    }
    sst.Skip(UInt64{runs} * 4 + ext);
  }
  // The records that continue the table end with it.
  sst.SkipRest();
}

void TMSExcel::ProcessBIFFRecord(Word type, TByteReader& data, TByteReader& stream) {
  const bool cells = static_cast<bool>(OnCellValue);
  auto rowCol = [&data](Integer& row, Integer& col) {
    row = data.U16();
    col = data.U16();
  };
  Integer row = 0, col = 0;
  switch (type) {
    case 0x0042: {  // CODEPAGE
      const Word cp = data.U16();
      FCodePage = cp == 367 || cp == 32769 ? 1252 : cp == 32768 ? 10000 : (cp == 1200 || cp == 0) ? 0 : cp;
      break;
    }
    case 0x0022:  // DATEMODE
      FBaseDate = data.U16() == 1 ? 1462 : 0;
      break;
    case 0x002F:  // FILEPASS
      RefuseEncrypted();
    case 0x001E: {  // FORMAT, BIFF2 and BIFF3: numbered by their order
      const Byte length = data.U8();
      AddFormat(true, ByteText(data.Bytes(length)), FFormatCount++, 0, -1, -1);
      break;
    }
    case 0x041E: {  // FORMAT
      if (FVersion <= evExcel4) {
        data.Skip(2);
        const Byte length = data.U8();
        AddFormat(true, ByteText(data.Bytes(length)), FFormatCount++, 0, -1, -1);
      } else {
        const Word index = data.U16();
        const size_t length = IsBIFF8() ? data.U16() : data.U8();
        AddFormat(true, ReadString(data, length), index, 0, -1, -1);
      }
      break;
    }
    case 0x0043: {  // XF, BIFF2
      const Byte font = data.U8();
      data.Skip(1);
      AddFormat(false, String(), data.U8() & 0x3F, font, -1, -1);
      break;
    }
    case 0x0243:  // XF, BIFF3
    case 0x0443: {  // XF, BIFF4
      const Byte font = data.U8();
      AddFormat(false, String(), data.U8(), font, -1, -1);
      break;
    }
    case 0x00E0: {  // XF, BIFF5 to BIFF8
      const Word font = data.U16();
      const Word format = data.U16();
      data.Skip(2);
      AddFormat(false, String(), format, font, data.U8() & 7, -1);
      break;
    }
    case 0x0031:
    case 0x0231: {  // FONT
      TXLSFont font;
      font.Size = data.U16() / 20;
      Fonts.push_back(font);
      break;
    }
    case 0x0085: {  // BOUNDSHEET
      const Cardinal position = data.U32();
      data.Skip(1);
      const Byte kind = data.U8();
      const Byte length = data.U8();
      const String name = ReadString(data, length);
      SheetNames.emplace_back(name, position);
      if (kind == 0 || kind == 1) FWorksheetNames.push_back(name);
      break;
    }
    case 0x00FC:  // SST
      if (cells) ReadSST(data, stream);
      break;
    case 0x00FD: {  // LABELSST
      if (!cells) break;
      rowCol(row, col);
      const Integer xf = data.U16();
      const Cardinal index = data.U32();
      // An index outside the table skips this cell, not the load.
      if (index < SST.size()) Cell(row, col, xf, Variant(String(SST[index])), ictString, AlignmentOfFormat(xf));
      break;
    }
    case 0x0204:  // LABEL
    case 0x00D6: {  // RSTRING
      if (!cells) break;
      rowCol(row, col);
      const Integer xf = data.U16();
      const Word length = data.U16();
      Cell(row, col, xf, Variant(ReadString(data, length)), ictString, AlignmentOfFormat(xf));
      break;
    }
    case 0x0004: {  // LABEL, BIFF2
      if (!cells) break;
      rowCol(row, col);
      data.Skip(2);
      const Byte attribute = data.U8();
      const Byte length = data.U8();
      Cell(row, col, -1, Variant(ByteText(data.Bytes(length))), ictString, AttributeAlignment(attribute));
      break;
    }
    case 0x0203: {  // NUMBER
      if (!cells) break;
      rowCol(row, col);
      const Integer xf = data.U16();
      NumberCell(row, col, xf, data.F64(), AlignmentOfFormat(xf));
      break;
    }
    case 0x0003:    // NUMBER, BIFF2
    case 0x0002: {  // INTEGER, BIFF2
      if (!cells) break;
      rowCol(row, col);
      data.Skip(1);
      const Integer format = data.U8() & 0x3F;
      const TAlignment alignment = AttributeAlignment(data.U8());
      const double number = type == 0x0003 ? data.F64() : data.U16();
      Variant value;
      TSMICellType cellType = ictDecimal;
      if (NumberFormatIsDateTime(format)) {
        value = Variant::FromDateTime(DateSerial(number));
        cellType = ictDateTime;
      } else if (type == 0x0002) {
        value = Variant(static_cast<Integer>(number));
        cellType = ictInteger;
      } else {
        value = Variant(NumberFormatIsPercent(format) ? number * 100 : number);
      }
      Cell(row, col, format, std::move(value), cellType, alignment);
      break;
    }
    case 0x027E:
    case 0x007E: {  // RK
      if (!cells) break;
      rowCol(row, col);
      const Integer xf = data.U16();
      Variant number = RKValue(data.U32());
      if (number.VarType() == varInteger && !ValueIsDateTime(xf) && !ValueIsPercent(xf))
        Cell(row, col, xf, std::move(number), ictDecimal, AlignmentOfFormat(xf));
      else
        NumberCell(row, col, xf, number.AsDouble(), AlignmentOfFormat(xf));
      break;
    }
    case 0x00BD: {  // MULRK
      if (!cells) break;
      rowCol(row, col);
      const size_t count = (data.Size() - 6) / 6;
      for (size_t i = 0; i < count; ++i) {
        const Integer xf = data.U16();
        Variant number = RKValue(data.U32());
        const Integer c = col + static_cast<Integer>(i);
        if (number.VarType() == varInteger && !ValueIsDateTime(xf) && !ValueIsPercent(xf))
          Cell(row, c, xf, std::move(number), ictDecimal, AlignmentOfFormat(xf));
        else
          NumberCell(row, c, xf, number.AsDouble(), AlignmentOfFormat(xf));
      }
      break;
    }
    case 0x0201:
    case 0x0001: {  // BLANK
      if (!cells || !FLoadNULLs) break;
      rowCol(row, col);
      const Integer xf = type == 0x0201 ? data.U16() : -1;
      Cell(row, col, xf, Variant::Null(), ictEmpty, AlignmentOfFormat(xf));
      break;
    }
    case 0x00BE: {  // MULBLANK
      if (!cells || !FLoadNULLs) break;
      rowCol(row, col);
      const size_t count = (data.Size() - 6) / 2;
      for (size_t i = 0; i < count; ++i) {
        const Integer xf = data.U16();
        Cell(row, col + static_cast<Integer>(i), xf, Variant::Null(), ictEmpty, AlignmentOfFormat(xf));
      }
      break;
    }
    case 0x0205:    // BOOLERR
    case 0x0005: {  // BOOLERR, BIFF2
      if (!cells) break;
      rowCol(row, col);
      Integer xf = -1;
      TAlignment alignment;
      if (type == 0x0205) {
        xf = data.U16();
        alignment = AlignmentOfFormat(xf);
      } else {
        data.Skip(2);
        alignment = AttributeAlignment(data.U8());
      }
      const Byte value = data.U8();
      if (data.U8() != 0)
        Cell(row, col, xf, Variant(GetErrorText(value)), ictUnknown, alignment);
      else
        Cell(row, col, xf, Variant(value != 0), ictBoolean, alignment);
      break;
    }
    case 0x0006:
    case 0x0206:
    case 0x0406: {  // FORMULA: the stored result
      if (!cells) break;
      rowCol(row, col);
      if (FVersion <= evExcel2) {
        data.Skip(1);
        const Integer format = data.U8() & 0x3F;
        const TAlignment alignment = AttributeAlignment(data.U8());
        const double number = data.F64();
        if (NumberFormatIsDateTime(format))
          Cell(row, col, format, Variant::FromDateTime(DateSerial(number)), ictDateTime, alignment);
        else
          Cell(row, col, format, Variant(number), ictDecimal, alignment);
        break;
      }
      const Integer xf = data.U16();
      const auto result = data.Bytes(8);
      const TAlignment alignment = AlignmentOfFormat(xf);
      if (result[6] == 0xFF && result[7] == 0xFF) {
        switch (result[0]) {
          case 0:
            FPendingString = true;
            FPendingRow = row;
            FPendingCol = col;
            FPendingXF = xf;
            break;
          case 1: Cell(row, col, xf, Variant(result[2] != 0), ictBoolean, alignment); break;
          case 2: Cell(row, col, xf, Variant(GetErrorText(result[2])), ictUnknown, alignment); break;
          default: break;  // an empty text: no cell
        }
        break;
      }
      double number;
      std::memcpy(&number, result.data(), sizeof number);
      Variant value;
      TSMICellType cellType;
      NumberValue(number, xf, false, value, cellType);
      Cell(row, col, xf, std::move(value), cellType, alignment);
      break;
    }
    case 0x0207:
    case 0x0007: {  // STRING: a formula's text result
      if (!FPendingString) break;
      FPendingString = false;
      const size_t length = type == 0x0007 ? data.U8() : data.U16();
      Cell(FPendingRow, FPendingCol, FPendingXF, Variant(ReadString(data, length)), ictString,
           AlignmentOfFormat(FPendingXF));
      break;
    }
    case 0x0200:
    case 0x0000: {  // DIMENSIONS
      CountIsDefined = true;
      Integer firstRow, rows, firstCol, cols;
      if (IsBIFF8() && type == 0x0200) {
        firstRow = data.I32();
        rows = data.I32();
      } else {
        firstRow = data.U16();
        rows = data.U16();
      }
      firstCol = data.U16();
      cols = data.U16();
      intXLSRowCount = rows;
      intXLSColCount = cols;
      if (OnDimensions) OnDimensions(this, FCurSheet, firstRow, rows, firstCol, cols);
      break;
    }
    case 0x007D: {  // COLINFO
      if (!OnColumnWidth) break;
      const Word first = data.U16();
      const Word last = data.U16();
      const Word width = data.U16();
      for (Integer c = first; c <= std::min<Integer>(last, 255 + 16384); ++c) OnColumnWidth(this, FCurSheet, c, width);
      break;
    }
    case 0x0024: {  // COLWIDTH, BIFF2
      if (!OnColumnWidth) break;
      const Byte first = data.U8();
      const Byte last = data.U8();
      data.Skip(1);
      const Byte width = data.U8();
      for (Integer c = first; c <= last; ++c) OnColumnWidth(this, FCurSheet, c, width);
      break;
    }
    case 0x0208: {  // ROW
      if (!OnRowHeight) break;
      const Word r = data.U16();
      data.Skip(4);
      OnRowHeight(this, FCurSheet, r, data.U16());
      break;
    }
    default: break;
  }
}
