#include "export/writers/CellFileWriter.h"

#include <fcntl.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "export/DataLevels.h"
#include "export/ExportText.h"
#include "export/RowSources.h"
#include "export/writers/CellReader.h"
#include "platform/db/Field.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

// 64 KiB: a block of 4 KiB cost one system call per 4 KiB of output, a tenth
// of a large export's time.
Integer zazDefaultBufferSize = 65536;

namespace {

// A file stream is flushed to disk after this many rows.
constexpr Integer kRowsPerDiskFlush = 1024;

// The n-th further file of a split: n with at least three digits before the
// extension (data.csv, data001.csv, ..., data1000.csv).
String SplitFileName(const String& fileName, Integer fileNumber) {
  if (fileNumber <= 0) return fileName;
  String digits = IntToStr(fileNumber);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), u'0');
  const size_t dot = fileName.rfind(u'.');
  const size_t slash = fileName.rfind(u'/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return fileName + digits;
  return fileName.substr(0, dot) + digits + fileName.substr(dot);
}

// The character set an existing file's byte-order mark declares; the given
// one when the file has none that it could keep.
TCharacterSet CharacterSetOfFile(TStream& stream, TCharacterSet requested) {
  Byte head[3] = {0, 0, 0};
  const Int64 size = stream.Size();
  if (size == 0) return requested;
  stream.SetPosition(0);
  const Int64 got = stream.Read(head, std::min<Int64>(size, 3));
  stream.Seek(0, TSeekOrigin::soEnd);
  switch (DetectByteOrderMark(head, static_cast<size_t>(std::max<Int64>(got, 0)))) {
    case TByteOrderMark::Utf8: return csUTF8;
    case TByteOrderMark::Utf16LE: return csUnicode;
    default:
      // Text without a mark is 8-bit: UTF-16 would interleave zero bytes into it.
      return requested == csUnicode ? csANSI_WINDOWS : requested;
  }
}

}  // namespace

TRODirezaToCellFile::~TRODirezaToCellFile() = default;

// ---------------------------------------------------------------------------
// The run

void TRODirezaToCellFile::Prepare() {
  IsMyFileStream = true;
  try {
    SaveToStream(nullptr);
  } catch (...) {
    IsMyFileStream = false;
    throw;
  }
  IsMyFileStream = false;
}

void TRODirezaToCellFile::CreateSourceDataEngine() {
  TRODirezaBaseComponent::CreateSourceDataEngine();
  // Each detail level gets its row source, and its columns when none were
  // given, exactly as the master does.
  auto create = [this](auto& self, TSMEDataLevels& levels) -> void {
    for (const auto& level : levels) {
      level->CreateSourceDataEngine();
      level->IsCustomColumns = !level->Columns.Empty();
      if (!level->IsCustomColumns) {
        level->SourceDataEngine()->FillColumns(level->Columns, level->Bands, RightToLeft);
        FLevelsWithOwnColumns.push_back(level.get());
      }
      self(self, level->DetailSources());
    }
  };
  create(create, DetailSources());
}

void TRODirezaToCellFile::DestroySourceDataEngine() {
  auto destroy = [](auto& self, TSMEDataLevels& levels) -> void {
    for (const auto& level : levels) {
      self(self, level->DetailSources());
      if (!level->IsCustomColumns) {
        level->Columns.Clear();
        level->Bands.Clear();
        level->IsCustomColumns = true;
      }
      level->DestroySourceDataEngine();
    }
  };
  destroy(destroy, DetailSources());
  FLevelsWithOwnColumns.clear();
  TRODirezaBaseComponent::DestroySourceDataEngine();
}

void TRODirezaToCellFile::SaveToStream(TStream* stream) {
  if (stream == nullptr) return RunIntoOutput(nullptr);
  // A caller's own stream: this is the whole run, so a failure still gives
  // back the format settings, the controls and the row source.
  try {
    InternalBeforeProcess();
    RunIntoOutput(stream);
  } catch (...) {
    Statistic.Result = erFailed;
    try {
      InternalAfterProcess();
    } catch (...) {
    }
    throw;
  }
  InternalAfterProcess();
}

void TRODirezaToCellFile::RunIntoOutput(TStream* stream) {
  OutputStream = stream;
  fontUser = std::make_unique<TFont>();
  // A cell-parameter handler sees and may change every cell's text: then
  // every cell takes the string road.
  FTypedCells = !OnGetCellParams;
  if (FTypedCells && !FCellReader) FCellReader = std::make_unique<TCellReader>();
  if (FCellReader) FCellReader->Reset();
  try {
    RunRecordLoop();
  } catch (...) {
    // The file still gets its footer and end; the first error is the one
    // the caller hears about.
    try {
      CloseFileStream();
    } catch (...) {
    }
    fontUser.reset();
    throw;
  }
  CloseFileStream();
  fontUser.reset();
}

Integer TRODirezaToCellFile::RowsOfFile(Integer fileNumber) const {
  Integer records = FRecordCount;
  if (RowsPerFile > 0) records = std::clamp<Integer>(FRecordCount - fileNumber * RowsPerFile, 0, RowsPerFile);
  return AdditionalHeaderCount + records;
}

void TRODirezaToCellFile::RunRecordLoop() {
  TSMECustomDataEngine& source = *SourceDataEngine();
  source.SavePosition();
  source.First();
  FRecordCount = source.RecordCount();
  if (FRecordCount == 0 && !ExportIfEmpty) {
    source.RestorePosition();
    return;
  }
  AdditionalHeaderCount = 0;
  if (AddTitle && TitleIsSupported()) {
    AdditionalHeaderCount = HasOption(Options, soBlankRowAfterCaptions) ? 2 : 1;
    if (HasOption(Options, soExportBands) && !Bands.Empty()) ++AdditionalHeaderCount;
  }
  Statistic.TotalCount = static_cast<Integer>(Header.size()) + AdditionalHeaderCount + FRecordCount +
                         static_cast<Integer>(Footer.size());
  const bool callerStream = !IsMyFileStream;
  Integer fileNumber = 0;
  CreateFileStream(FileName, fileNumber);
  Statistic.CurrentSection = esData;

  Integer written = 0;
  while (!ProgressCanceled() && !source.Eof()) {
    if (AnimatedStatus) UpdateProgressDlg(TitleStatus, written);
    bool accept = true;
    if (OnBeforeRecord) OnBeforeRecord(this, accept);
    if (accept) {
      bool abort = false;
      if (OnProgress) OnProgress(this, written, source.RecordCount(), abort);
      if (abort) {
        SetProgressCanceled(true);
        break;
      }
      if (RowsPerFile > 0 && written > 0 && written % RowsPerFile == 0) {
        ++fileNumber;
        if (!callerStream) CreateFileStream(FileName, fileNumber);
      }
      WriteOneRow(source, Columns, DetailSources(), Groupings, written + 1, FTabularRow);
      ++written;
      Statistic.CurrentSection = esData;
    }
    bool abort = false;
    if (OnAfterRecord) OnAfterRecord(this, abort);
    if (abort) SetProgressCanceled(true);
    source.Next();
  }
  source.RestorePosition();
}

// ---------------------------------------------------------------------------
// Files

void TRODirezaToCellFile::CreateFileStream(const String& fileName, Integer fileNumber) {
  if (fileNumber > 0) CloseFileStream();
  String name = SplitFileName(fileName, fileNumber);
  if (OnGetFileName) OnGetFileName(this, fileNumber, name);
  InternalFileCreate(name);
  WriteFileBegin();

  const bool all = HasOption(Options, soExportInvisibleFields);
  const Integer exported = LastExportColumnCount();
  const Integer rows = RowsOfFile(fileNumber);
  Integer widest = 0;
  for (const auto& column : Columns)
    if (all || column->Visible) widest = std::max(widest, column->Width);
  switch (Layout) {
    case elColumnar: {
      WriteDimensions(rows, exported + 1);
      Integer k = 0;
      for (const auto& column : Columns)
        if (all || column->Visible) WriteColWidth(k++, column->Width);
      break;
    }
    case elReversedColumnar:
      WriteDimensions(exported, rows + 1);
      for (Integer k = 0; k <= rows; ++k) WriteColWidth(k, widest);
      break;
    case elTabularForm:
      WriteDimensions(exported * rows, AdditionalHeaderCount + 2);
      for (Integer k = 0; k <= AdditionalHeaderCount; ++k) WriteColWidth(k, widest);
      break;
  }
  WriteHeader();
  WriteDataSourceHeaders(*SourceDataEngine(), Columns, DetailSources());
  FTabularRow = Statistic.CurrentRow;
}

void TRODirezaToCellFile::CloseFileStream() {
  // Steps that fail still leave the file closed and the settings as asked.
  struct Finally {
    TRODirezaToCellFile& self;
    ~Finally() {
      if (self.FCharacterSetAdopted) self.CharacterSet = self.FRequestedCharacterSet;
      self.FCharacterSetAdopted = false;
      if (self.IsMyFileStream) {
        self.FOwnedStream.reset();
        self.OutputStream = nullptr;
      }
    }
  } finally{*this};
  WriteDataEnd();
  WriteFooter();
  InternalFileClose();
}

void TRODirezaToCellFile::InternalFileCreate(const String& fileName) {
  if (!IsMyFileStream || fileName.empty()) return;
  FOwnedStream.reset();
  OutputStream = nullptr;
  FIsMergedFile = false;
  if (HasOption(Options, soMergeData) && MergeIsSupported() && FileExists(fileName)) {
    FOwnedStream = std::make_unique<TFileStream>(fileName, fmOpenReadWrite | fmShareDenyWrite);
    // One file holds one character set: appending follows the set the file
    // already declares.
    FRequestedCharacterSet = CharacterSet;
    CharacterSet = CharacterSetOfFile(*FOwnedStream, CharacterSet);
    FCharacterSetAdopted = CharacterSet != FRequestedCharacterSet;
    FOwnedStream->Seek(0, TSeekOrigin::soEnd);
    FIsMergedFile = FOwnedStream->Size() > 0;
  } else {
    CreateDirIfNotExists(fileName);
    FOwnedStream = std::make_unique<TFileStream>(fileName, fmCreate);
  }
  OutputStream = FOwnedStream.get();
}

// ---------------------------------------------------------------------------
// Steps

void TRODirezaToCellFile::WriteFileBegin() {
  FCurInBatch = 0;
  Statistic.CurrentRow = 0;
  Statistic.CurrentRowHeight = 0;
}

void TRODirezaToCellFile::WriteDataEnd() {
  if (Statistic.CurrentDataLevel == 0) IsDataArea = false;
}

void TRODirezaToCellFile::WriteRowStart() {
  Statistic.CurrentCol = 0;
  Integer height = ZAZDefaultRowHeight;
  if (OnGetRowHeight) OnGetRowHeight(this, Statistic.CurrentRow, height);
  Statistic.CurrentRowHeight = height;
}

void TRODirezaToCellFile::WriteRowEnd() {
  if (++FCurInBatch > kRowsPerDiskFlush) {
    // The written part goes to the disk now, so the system's cache of the
    // file stays small; waiting for each block, as a full sync does, made a
    // large export several times slower.
    if (auto* file = dynamic_cast<TFileStream*>(OutputStream)) ::sync_file_range(file->Handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
    FCurInBatch = 0;
  }
  ++Statistic.CurrentRow;
}

void TRODirezaToCellFile::WriteData(TField*, TCellType, Integer, Integer column, const String&, TAlignment,
                                    const TFont*, TColor) {
  Statistic.CurrentCol = column;
}

void TRODirezaToCellFile::WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment,
                                    const TFont* font, TColor color) {
  // The string road from here: a writer's own GetFieldStr still applies.
  String text;
  if (cell.Formatted != nullptr)
    text = *cell.Formatted;
  else if (cell.Field != nullptr)
    text = GetFieldStr(cell.Field);
  ConvertInPlace(text);
  WriteData(cell.Field, cell.CellType, row, column, text, alignment, font, color);
}

void TRODirezaToCellFile::WriteMergeData(TCellType cellType, Integer row, Integer column, Integer, const String& text,
                                         TAlignment alignment, const TFont* font, TColor color) {
  WriteData(nullptr, cellType, row, column, text, alignment, font, color);
}

void TRODirezaToCellFile::WriteHeader() {
  Statistic.CurrentSection = esHeader;
  WriteTextLines(Header, true);
}

void TRODirezaToCellFile::WriteFooter() {
  Statistic.CurrentSection = esFooter;
  WriteTextLines(Footer, false);
  WriteFileEnd();
}

void TRODirezaToCellFile::WriteTextLines(const std::vector<String>& lines, bool header) {
  for (size_t k = 0; k < lines.size(); ++k) {
    WriteRowStart();
    colorUser = clWhite;
    al = taLeftJustify;
    String text = lines[k];
    if (header) AssignStyle(static_cast<Integer>(k), colorUser);
    ct = ctString;
    FireCellParams(nullptr, 1, text, *fontUser, al, colorUser, ct);
    ConvertInPlace(text);
    WriteData(nullptr, ct, Statistic.CurrentRow, 1, text, al, fontUser.get(), colorUser);
    WriteRowEnd();
  }
}

void TRODirezaToCellFile::FireCellParams(TField* field, Integer columnIndex, String& text, TFont& font,
                                         TAlignment& alignment, TColor& color, TCellType& cellType) {
  if (!OnGetCellParams) return;
  Statistic.CurrentCol = columnIndex;
  OnGetCellParams(this, field, text, font, alignment, color, cellType);
}

bool TRODirezaToCellFile::IsExported(const TSMEColumn& column) const {
  return column.Visible || HasOption(Options, soExportInvisibleFields);
}

// ---------------------------------------------------------------------------
// Title block, rows and detail levels

void TRODirezaToCellFile::WriteBandRow(Integer row) {
  Statistic.CurrentSection = esBand;
  WriteRowStart();
  Integer written = 0;
  Integer output = 0;
  const Integer count = Columns.Count();
  for (Integer i = 0; i < count;) {
    TSMEColumn& column = Columns[i];
    if (!IsExported(column)) {
      ++i;
      continue;
    }
    const Integer band = column.BandIndex;
    if (band >= 0 && band < Bands.Count() && Bands[band].Visible) {
      const TSMEColumnBand& b = Bands[band];
      const Integer run = std::max<Integer>(1, Columns.MergedColCount(band, i));
      TFont font = b.Font;
      TAlignment alignment = b.Alignment;
      TColor color = b.Color;
      String text = b.Caption;
      AssignStyle(row + 1, color);
      TCellType cellType = ctString;
      FireCellParams(nullptr, i, text, font, alignment, color, cellType);
      ConvertInPlace(text);
      if (Layout == elReversedColumnar)
        WriteData(nullptr, cellType, written, row, text, alignment, &font, color);
      else
        WriteMergeData(cellType, row, output, run, text, alignment, &font, color);
      ++written;
      // The run's columns are all exported: MergedColCount stops at the
      // first invisible one.
      output += run;
      i += run;
      continue;
    }
    if (Layout == elReversedColumnar)
      WriteData(nullptr, ctBlank, written, row, String(), column.Alignment, &column.Font, column.Color);
    else
      WriteData(nullptr, ctBlank, row, output, String(), column.Alignment, &column.Font, column.Color);
    ++written;
    ++output;
    ++i;
  }
  WriteRowEnd();
}

void TRODirezaToCellFile::WriteDataSourceHeaders(TSMECustomDataEngine& source, TSMEColumns& columns,
                                                 TSMEDataLevels&) {
  WriteDataBegin();
  if (!AddTitle || !TitleIsSupported() || Layout == elTabularForm) return;
  Integer r = Statistic.CurrentRow;
  if (source.FLevel == 0 && HasOption(Options, soExportBands) && !Bands.Empty()) {
    WriteBandRow(r);
    ++r;
  }
  const bool reversed = Layout == elReversedColumnar;
  std::vector<TSMEColumn*> order;
  for (const auto& column : columns)
    if (IsExported(*column)) order.push_back(column.get());
  if (reversed) std::reverse(order.begin(), order.end());

  Statistic.CurrentSection = esTitle;
  WriteRowStart();
  Integer t = 0;
  for (TSMEColumn* column : order) {
    colorUser = column->Title.Color;
    *fontUser = column->Title.Font;
    al = column->Title.Alignment;
    String text = HasOption(Options, soUseFieldNameAsCaption) ? column->FieldName : column->Title.Caption;
    AssignStyle(r + 1, colorUser);
    ct = ctString;
    FireCellParams(nullptr, column->Index(), text, *fontUser, al, colorUser, ct);
    ConvertInPlace(text);
    if (reversed)
      WriteData(nullptr, ct, t, r, text, al, fontUser.get(), colorUser);
    else
      WriteData(nullptr, ct, r, t, text, al, fontUser.get(), colorUser);
    ++t;
  }
  WriteRowEnd();
  ++r;

  if (HasOption(Options, soBlankRowAfterCaptions)) {
    WriteRowStart();
    AssignStyle(r + 1, colorUser);
    for (t = 0; t < static_cast<Integer>(order.size()); ++t) {
      if (reversed)
        WriteData(nullptr, ctBlank, t, r, String(), taCenter, nullptr, colorUser);
      else
        WriteData(nullptr, ctBlank, r, t, String(), taCenter, nullptr, colorUser);
    }
    WriteRowEnd();
  }
}

void TRODirezaToCellFile::WriteOneRow(TSMECustomDataEngine& source, TSMEColumns& columns, TSMEDataLevels& levels,
                                      TSMEGroupings&, Integer recordNumber, Integer& tabularRow) {
  const bool tabular = Layout == elTabularForm;
  const bool reversed = Layout == elReversedColumnar;
  if (!tabular) WriteRowStart();
  const Integer count = columns.Count();
  const bool dataRow = source.IsDataRow(recordNumber - 1);
  const Integer styleRow = static_cast<Integer>(Header.size()) + AdditionalHeaderCount + recordNumber;
  TCellValue cell;
  String text;
  Integer t = 0;
  for (Integer n = 0; n < count; ++n) {
    const Integer i = reversed ? count - 1 - n : n;
    TSMEColumn& column = columns[i];
    if (!IsExported(column)) continue;
    colorUser = column.Color;
    *fontUser = column.Font;
    al = column.Alignment;

    TField* field = nullptr;
    if (column.ColumnKind == ckField && dataRow) {
      if (column.Field == nullptr) column.Field = source.FindFieldByColumn(&column);
      field = column.Field;
    }
    if (FTypedCells) {
      ReadCell(source, column, field, cell);
      ct = cell.CellType;
      AssignStyle(styleRow, colorUser);
    } else {
      if (field != nullptr) {
        text = GetFieldStr(field);
        // Without BlankIfZero the type follows from the field's type alone;
        // reading the value again as a variant doubled the cost of memos.
        ct = BlankIfZero ? GetFieldType(field, true) : GetValueType(field->DataType(), Variant(), false);
      } else if (column.ColumnKind == ckConstant) {
        text = column.FieldName;
        ct = column.DataType;
      } else if (column.ColumnKind == ckSysVar) {
        text = VarToStr(GetSysValue(column.FieldName));
        ct = column.DataType;
      } else {
        text = VarToStr(source.GetFieldValue(column));
        ct = GetValueType(source.DataTypeByColumn(column), Variant(text), BlankIfZero);
      }
      AssignStyle(styleRow, colorUser);
      FireCellParams(field, i, text, *fontUser, al, colorUser, ct);
      ConvertInPlace(text);
    }
    // The value cell at its place, on the road this run takes.
    const auto writeValue = [&](Integer row, Integer col) {
      if (FTypedCells) {
        // What the base WriteData step does for the string road.
        Statistic.CurrentCol = col;
        WriteCell(cell, row, col, al, fontUser.get(), colorUser);
      } else
        WriteData(field, ct, row, col, text, al, fontUser.get(), colorUser);
    };

    switch (Layout) {
      case elColumnar:
        source.ApplyCellColors(Statistic.CurrentRow - GetTitleRowCount() + 1, t, al, *fontUser, colorUser);
        writeValue(Statistic.CurrentRow, t);
        break;
      case elReversedColumnar:
        writeValue(t, Statistic.CurrentRow);
        break;
      case elTabularForm: {
        WriteRowStart();
        if (AddTitle) {
          const TSMEColumnTitle& title = column.Title;
          // Converted like every other text, so the file keeps one character set.
          const String caption =
              ConvertCharacterSet(HasOption(Options, soUseFieldNameAsCaption) ? column.FieldName : title.Caption);
          WriteData(nullptr, ctString, tabularRow, 0, caption, title.Alignment, &title.Font, title.Color);
          if (HasOption(Options, soBlankRowAfterCaptions))
            WriteData(nullptr, ctBlank, tabularRow, 1, String(), title.Alignment, &title.Font, title.Color);
        }
        writeValue(tabularRow, AdditionalHeaderCount);
        WriteRowEnd();
        ++tabularRow;
        break;
      }
    }
    ++t;
  }
  if (!levels.Empty()) WriteDetailLevels(source, levels, tabularRow);
  if (!tabular) {
    WriteRowEnd();
  } else if (HasOption(Options, soBlankRowAfterCaptions) &&
             (TableType() == teText || TableType() == teClipboard)) {
    WriteRowStart();
    WriteRowEnd();
    ++tabularRow;
  }
}

void TRODirezaToCellFile::WriteDetailLevels(TSMECustomDataEngine&, TSMEDataLevels& levels, Integer& tabularRow) {
  if (levels.Empty()) return;
  const Integer savedLevel = Statistic.CurrentDataLevel;
  TSMEDataLevel* savedDetail = Statistic.CurrentDetailLevel;
  Statistic.CurrentSection = esDetail;
  WriteDataLevelStart();
  for (const auto& level : levels) {
    TSMECustomDataEngine& detail = *level->SourceDataEngine();
    Statistic.CurrentDataLevel = detail.FLevel;
    Statistic.CurrentDetailLevel = level.get();
    detail.First();
    WriteDataSourceHeaders(detail, level->Columns, level->DetailSources());
    TSMEDataLevels none;
    Integer number = 1;
    while (!detail.Eof()) {
      WriteOneRow(detail, level->Columns, none, level->Groupings, number++, tabularRow);
      WriteDetailLevels(detail, level->DetailSources(), tabularRow);
      detail.Next();
      ++tabularRow;
    }
    WriteDataEnd();
  }
  WriteDataLevelEnd();
  Statistic.CurrentDataLevel = savedLevel;
  Statistic.CurrentDetailLevel = savedDetail;
}

// ---------------------------------------------------------------------------
// The typed cell path

void TRODirezaToCellFile::ReadCell(TSMECustomDataEngine& source, TSMEColumn& column, TField* field,
                                   TCellValue& cell) {
  // The raw members count only for their kind: they are not cleared.
  cell.Kind = cvNull;
  cell.Field = field;
  cell.Formatted = nullptr;
  if (field != nullptr) {
    const bool read = FCellReader->Read(field, cell);
    if (BlankIfZero) cell.CellType = GetFieldType(field, true);
    if (read && !HasOption(Options, soFieldMask)) {
      if (BlankIfZero && TCellReader::IsBlankedByZero(cell)) cell.Kind = cvNull;
      return;
    }
    // Display texts (field formats, text events) and types the reader does
    // not know take GetFieldStr's text.
    FCellValueText = GetFieldStr(field);
    cell.Formatted = &FCellValueText;
    if (!read) {
      cell.Kind = field->IsNull() ? cvNull : cvText;
      cell.Text = FCellValueText;
    } else if (BlankIfZero && TCellReader::IsBlankedByZero(cell)) {
      cell.Kind = cvNull;
    }
    return;
  }
  if (column.ColumnKind == ckConstant) {
    FCellValueText = column.FieldName;
    cell.CellType = column.DataType;
  } else if (column.ColumnKind == ckSysVar) {
    FCellValueText = VarToStr(GetSysValue(column.FieldName));
    cell.CellType = column.DataType;
  } else {
    FCellValueText = VarToStr(source.GetFieldValue(column));
    cell.CellType = GetValueType(source.DataTypeByColumn(column), Variant(FCellValueText), BlankIfZero);
  }
  cell.Kind = cvText;
  cell.Text = FCellValueText;
  cell.Formatted = &FCellValueText;
}

void TRODirezaToCellFile::AppendCellText(const TCellValue& cell, String& out) {
  const size_t start = out.size();
  if (cell.Formatted != nullptr)
    out.append(*cell.Formatted);
  else if (cell.Kind == cvText)
    out.append(cell.Text);
  else if (cell.Kind != cvNull)
    FCellReader->AppendText(cell, out, FormatSettings);
  if (IsByteCharacterSet() && out.size() > start) {
    const String converted = ConvertCharacterSet(StringView(out).substr(start));
    out.replace(start, String::npos, converted);
  }
}

StringView TRODirezaToCellFile::CellText(const TCellValue& cell) {
  FCellText.clear();
  AppendCellText(cell, FCellText);
  return FCellText;
}

// ---------------------------------------------------------------------------
// Character sets and output

String TRODirezaToCellFile::ConvertCharacterSet(StringView text) const {
  switch (CharacterSet) {
    case csASCII_MSDOS: return UECode(true, text);
    case csEBCDIC: return EBCDICCode(text);
    default: return String(text);
  }
}

void TRODirezaToCellFile::ConvertInPlace(String& text) const {
  if (IsByteCharacterSet()) text = ConvertCharacterSet(text);
}

// UTF-16LE is the text's own layout, and the ASCII copy reads little-endian
// words.
static_assert(std::endian::native == std::endian::little, "the output encodings assume little-endian memory");

void TRODirezaToCellFile::EncodeOutput(StringView text, std::string& out) const {
  out.clear();
  // Copies ASCII text byte for byte, four characters a step; false (out
  // undefined) at the first character beyond it.
  const auto ascii = [&] {
    const size_t n = text.size();
    out.resize(n);
    char* to = out.data();
    const char16_t* from = text.data();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
      UInt64 four;
      std::memcpy(&four, from + i, sizeof four);
      if ((four & 0xFF80FF80FF80FF80ull) != 0) return false;
      // The low byte of each of the four units, side by side.
      const auto packed = static_cast<std::uint32_t>((four & 0x7F) | ((four >> 8) & 0x7F00) |
                                                     ((four >> 16) & 0x7F0000) | ((four >> 24) & 0x7F000000));
      std::memcpy(to + i, &packed, sizeof packed);
    }
    for (; i < n; ++i) {
      if (from[i] >= 0x80) return false;
      to[i] = static_cast<char>(from[i]);
    }
    return true;
  };
  switch (CharacterSet) {
    case csUnicode:
      out.resize(text.size() * 2);
      std::memcpy(out.data(), text.data(), out.size());
      return;
    case csASCII_MSDOS:
    case csEBCDIC:
      // Converted texts carry their bytes one per character; a writer's own
      // markup that holds more than that is ANSI text.
      if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; })) {
        out.assign(text.begin(), text.end());
        return;
      }
      out = StringToAnsi(text);
      return;
    case csUTF8:
      if (!ascii()) out = ZAZUtf8Encode(text);
      return;
    case csANSI_WINDOWS:
      // Every ANSI code page holds ASCII as it is.
      if (!ascii()) out = StringToAnsi(text);
      return;
  }
}

void TRODirezaToCellFile::WriteString(const String& text) {
  if (OutputStream == nullptr || text.empty()) return;
  EncodeOutput(text, FEncoded);
  WriteBytes(FEncoded.data(), FEncoded.size());
}

void TRODirezaToCellFile::WriteBytes(const char* data, size_t length) {
  if (OutputStream != nullptr && length > 0) OutputStream->WriteBuffer(data, static_cast<Int64>(length));
}

void TRODirezaToCellFile::WriteByteOrderMark() {
  if (FIsMergedFile) return;
  const std::span<const Byte> bytes = ByteOrderMarkBytes(ByteOrderMarkOf(CharacterSet));
  WriteBytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// ---------------------------------------------------------------------------
// The buffered writer

TRODirezaToCellBufferedFile::TRODirezaToCellBufferedFile(TComponent* owner)
    : TRODirezaToCellFile(owner), FBufferSize(std::max<Integer>(zazDefaultBufferSize, 1)) {}

void TRODirezaToCellBufferedFile::InternalFileCreate(const String& fileName) {
  buf = std::make_unique<char[]>(static_cast<size_t>(FBufferSize));
  posInBuffer = 0;
  TRODirezaToCellFile::InternalFileCreate(fileName);
}

void TRODirezaToCellBufferedFile::InternalFileClose() {
  if (buf && posInBuffer > 0 && OutputStream != nullptr) OutputStream->WriteBuffer(buf.get(), posInBuffer);
  posInBuffer = 0;
  buf.reset();
  TRODirezaToCellFile::InternalFileClose();
}

void TRODirezaToCellBufferedFile::WriteBytes(const char* data, size_t length) {
  if (OutputStream == nullptr || length == 0) return;
  if (!buf) return TRODirezaToCellFile::WriteBytes(data, length);
  const size_t size = static_cast<size_t>(FBufferSize);
  if (static_cast<size_t>(posInBuffer) + length >= size && posInBuffer > 0) {
    OutputStream->WriteBuffer(buf.get(), posInBuffer);
    posInBuffer = 0;
  }
  if (static_cast<size_t>(posInBuffer) + length < size) {
    std::memcpy(buf.get() + posInBuffer, data, length);
    posInBuffer += static_cast<Integer>(length);
  } else {
    OutputStream->WriteBuffer(data, static_cast<Int64>(length));
  }
}
