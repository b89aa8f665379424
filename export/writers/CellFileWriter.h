// The base of every writer that produces cells: it runs the record loop,
// opens, appends to and splits the output files, places every header, band,
// title and data cell for the three layouts, converts texts to the character
// set, and calls the fixed sequence of steps each format overrides.
//
// Two roads carry a data cell to a writer.
//
// The string road: the value becomes a String (GetFieldStr), OnGetCellParams
// may change its text, type and look, the text is converted to the
// character set (OEM and EBCDIC bytes carried one per character), and
// WriteData receives it. Header, footer, band and title cells always take
// this road, and so does every data cell while OnGetCellParams is set.
//
// The typed cell path: when nothing can see or change a single cell (no
// OnGetCellParams), the base reads each data cell's value straight from the
// record into a TCellValue (CellValue.h) and calls WriteCell with it: the
// cell type WriteData would get, the raw value (Int, Float, Curr, Bool, or a
// view of the text) and the field. No String is made per value.
//
// How a writer takes the typed path:
//  - Override WriteCell. Store numbers, dates and booleans from the raw
//    value (cell.Kind says which member holds it; cell.CellType ctBlank is
//    an empty cell whatever the kind). For the text of a cell, call
//    CellText (a view into a buffer the base reuses, valid until the next
//    call) or AppendCellText (appends to a buffer of your own): it is the
//    text WriteData would have received for the same cell, byte for byte,
//    character-set conversion included.
//  - Keep WriteData for the other cells; for a data cell both must produce
//    the same output (the text writer's tests compare the two roads).
//  - Build what you can per row and write it with one WriteString at
//    WriteRowEnd: a row encoded once costs far less than a call per cell
//    (the text writer does so).
//  - GetFieldStr: on the typed path the base formats values by its own
//    rules (FloatToStr, IntToStr, the date formats, the boolean texts) and
//    asks GetFieldStr only under soFieldMask. A writer that quotes or
//    escapes does that in WriteCell and WriteData, not in GetFieldStr.
// A writer that does not override WriteCell needs nothing: the base's
// WriteCell takes the string road (GetFieldStr, conversion, WriteData).
//
// A format that stores numbers as numbers, for example:
//
//   void TRODirezaToXYZ::WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment,
//                                  const TFont* font, TColor color) {
//     if (cell.CellType == ctBlank || cell.IsNull()) return PutBlank(row, column);
//     if (cell.IsNumber()) return PutNumber(row, column, cell.AsDouble());
//     PutLabel(row, column, CellText(cell));  // dates, booleans and texts as WriteData gets them
//   }
//
// The base sets Statistic.CurrentCol before WriteCell, as WriteData's own
// step does; WriteRowStart and WriteRowEnd come around the cells as ever.
#pragma once

#include <memory>
#include <string>

#include "export/ExportComponent.h"
#include "export/ExportGraphics.h"
#include "export/writers/CellReader.h"
#include "export/writers/CellValue.h"

class TSMEDataLevels;
class TSMEGroupings;

// Size of the output block of the buffered writers.
extern Integer zazDefaultBufferSize;
// The height a row starts with before OnGetRowHeight.
inline constexpr Integer ZAZDefaultRowHeight = 20;

class TRODirezaToCellFile : public TRODirezaBaseComponent {
 public:
  using TRODirezaBaseComponent::TRODirezaBaseComponent;
  ~TRODirezaToCellFile() override;
  const char* ClassName() const override { return "TRODirezaToCellFile"; }

  // A whole export into the given stream; with none, into FileName (and the
  // files a split adds). Errors reach the caller directly.
  void SaveToStream(TStream* stream);

 protected:
  void Prepare() override;
  void CreateSourceDataEngine() override;
  void DestroySourceDataEngine() override;

  virtual bool MergeIsSupported() { return false; }
  virtual bool TitleIsSupported() { return true; }
  virtual void InternalFileCreate(const String& fileName);
  virtual void InternalFileClose() {}
  virtual void WriteHeader();
  virtual void WriteFooter();
  virtual void WriteString(const String& text);
  virtual void WriteFileBegin();
  virtual void WriteFileEnd() {}
  virtual void WriteDimensions(Integer /*rowCount*/, Integer /*colCount*/) {}
  virtual void WriteColWidth(Integer /*column*/, Integer /*width*/) {}
  virtual void WriteDataBegin() { IsDataArea = true; }
  virtual void WriteDataEnd();
  virtual void WriteRowStart();
  virtual void WriteRowEnd();
  virtual void WriteDataLevelStart() {}
  virtual void WriteDataLevelEnd() {}
  virtual void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                         TAlignment alignment, const TFont* font, TColor color);
  virtual void WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count, const String& text,
                              TAlignment alignment, const TFont* font, TColor color);
  // A data cell on the typed path, at the same row and column and with the
  // same look as WriteData would get it. The base takes the string road:
  // the text through GetFieldStr, converted, to WriteData.
  virtual void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment,
                         const TFont* font, TColor color);
  virtual void CreateFileStream(const String& fileName, Integer fileNumber);
  virtual void CloseFileStream();

  // The text in the character set as WriteData receives it: OEM or EBCDIC
  // bytes carried one per character, any other set unchanged.
  String ConvertCharacterSet(StringView text) const;
  // The same on the text itself; the sets that keep texts cost no copy.
  void ConvertInPlace(String& text) const;
  // OEM and EBCDIC: the texts a writer receives are already bytes.
  bool IsByteCharacterSet() const { return CharacterSet == csASCII_MSDOS || CharacterSet == csEBCDIC; }
  // The bytes WriteString puts into the file for the text.
  void EncodeOutput(StringView text, std::string& out) const;
  // Writes bytes to the output stream; nothing without one.
  virtual void WriteBytes(const char* data, size_t length);
  // The byte-order mark of the character set (UTF-8 and UTF-16), unless the
  // file is being appended to: its mark is already at its start.
  void WriteByteOrderMark();

  // The text WriteData would receive for a typed cell: GetFieldStr's text
  // of the value, converted to the character set. CellText's view holds
  // until its next call.
  StringView CellText(const TCellValue& cell);
  void AppendCellText(const TCellValue& cell, String& out);
  // Whether the data cells of this run take the typed path.
  bool TypedCellPath() const { return FTypedCells; }

  Integer FRecordCount = 0;
  Integer FCurInBatch = 0;
  TAlignment al = taLeftJustify;
  TCellType ct = ctBlank;
  std::unique_ptr<TFont> fontUser;
  TColor colorUser = clWhite;
  bool IsMyFileStream = false;
  Integer AdditionalHeaderCount = 0;
  bool IsDataArea = false;
  bool FIsMergedFile = false;
  TStream* OutputStream = nullptr;

 private:
  void RunIntoOutput(TStream* stream);
  void RunRecordLoop();
  void WriteDataSourceHeaders(TSMECustomDataEngine& source, TSMEColumns& columns, TSMEDataLevels& levels);
  void WriteOneRow(TSMECustomDataEngine& source, TSMEColumns& columns, TSMEDataLevels& levels,
                   TSMEGroupings& groupings, Integer recordNumber, Integer& tabularRow);
  void WriteDetailLevels(TSMECustomDataEngine& source, TSMEDataLevels& levels, Integer& tabularRow);
  void WriteTextLines(const std::vector<String>& lines, bool header);
  void WriteBandRow(Integer row);
  bool IsExported(const TSMEColumn& column) const;
  // Rows the file with that number holds: its records and the title block.
  Integer RowsOfFile(Integer fileNumber) const;
  // OnGetCellParams, when set, for a cell of the given column.
  void FireCellParams(TField* field, Integer columnIndex, String& text, TFont& font, TAlignment& alignment,
                      TColor& color, TCellType& cellType);

  // The cell of a data column on the typed path.
  void ReadCell(TSMECustomDataEngine& source, TSMEColumn& column, TField* field, TCellValue& cell);

  std::unique_ptr<TStream> FOwnedStream;
  std::unique_ptr<TCellReader> FCellReader;
  bool FTypedCells = false;
  String FCellValueText;  // text of a cell read through the string road
  String FCellText;       // CellText's buffer
  std::string FEncoded;  // reused by WriteString, so a cell costs no allocation
  TCharacterSet FRequestedCharacterSet = csUnicode;
  bool FCharacterSetAdopted = false;
  Integer FTabularRow = 0;
  std::vector<TSMEDataLevel*> FLevelsWithOwnColumns;
};

// A cell-file writer that collects its output in a block and writes the block
// when the next text would not fit.
class TRODirezaToCellBufferedFile : public TRODirezaToCellFile {
 public:
  explicit TRODirezaToCellBufferedFile(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToCellBufferedFile"; }

 protected:
  void InternalFileCreate(const String& fileName) override;
  void InternalFileClose() override;
  void WriteBytes(const char* data, size_t length) override;

  Integer FBufferSize;
  Integer posInBuffer = 0;
  std::unique_ptr<char[]> buf;
};
