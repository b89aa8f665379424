// The base of every writer that produces cells: it runs the record loop,
// opens, appends to and splits the output files, places every header, band,
// title and data cell for the three layouts, converts texts to the character
// set, and calls the fixed sequence of steps each format overrides.
#pragma once

#include <memory>
#include <string>

#include "export/ExportComponent.h"
#include "export/ExportGraphics.h"

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
  // Whether a text came out of ConvertCharacterSet, so WriteString passes
  // its characters through as bytes.
  void FireCellParams(TField* field, Integer columnIndex, String& text, TFont& font, TAlignment& alignment,
                      TColor& color, TCellType& cellType);

  std::unique_ptr<TStream> FOwnedStream;
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
