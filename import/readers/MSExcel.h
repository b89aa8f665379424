// TMSExcel: the XLS reader. It reads the BIFF record formats of Excel 2 to
// Excel 2003, from a compound file (the "Workbook" stream of BIFF8, the
// "Book" stream of BIFF5/7) or from a plain record stream (BIFF2 to BIFF4),
// and fires the reader notifications. Formulas yield the result the file
// stores; dates are told from numbers by the cell's number format.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "import/readers/MSExcelBase.h"
#include "platform/rtl/ByteReader.h"
#include "platform/win/CompoundFile.h"

class TMSExcel : public TCustomMSExcel {
 public:
  explicit TMSExcel(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TMSExcel"; }

  bool IsEncrypted() override { return FIsEncrypted; }
  void ApplyEvents() override;
  void LoadFromFile(const String& fileName) override;
  // A compound file or a plain BIFF stream, from the stream's position.
  void LoadFromStream(TStream& stream) override;

  // With RowsOnDemand, a sheet that gives its size (its DIMENSIONS
  // record) is read as far as the rows asked for.
  void LoadRowsThrough(Integer row) override;

  Word XLSBuildNo = 0;
  Word XLSBuildYear = 0;

 private:
  struct TRecordWalk;
  // Reads the file (file != nullptr, kept by the walk) or the bytes.
  void Load(std::unique_ptr<TStream> file, TFileBytes bytes);
  // Opens the workbook stream (and reads the document properties); false
  // when the cells are not wanted.
  bool ImportFromCompoundFile(TRecordWalk& walk);
  // Walks the records of a workbook stream (or a plain BIFF file).
  void ImportFromStream(std::unique_ptr<TRecordWalk> walk);
  // The walk from where it stands, until the end or a pause.
  void WalkRecords();
  // Follows the rows of the sheet read on demand; asks for a pause past
  // the rows asked for.
  void FollowRow(Integer row);
  // Handles one record; `records` and `next` give the records after it
  // (the shared strings' CONTINUE records).
  void ProcessBIFFRecord(Word type, TByteReader& data, TByteReader& stream);
  void ReadSST(TByteReader& data, TByteReader& stream);
  void NumberCell(Integer row, Integer col, Integer xf, double number, TAlignment alignment);
  // The value is taken over.
  void Cell(Integer row, Integer col, Integer xf, Variant&& value, TSMICellType type, TAlignment alignment);
  TAlignment AlignmentOfFormat(Integer xf) const;
  // An 8-bit text in the workbook's code page.
  String ByteText(std::span<const Byte> bytes) const;
  // A BIFF8 string with its option byte (characters count given), or the
  // byte string of the earlier versions.
  String ReadString(TByteReader& r, size_t count);
  bool IsBIFF8() const { return FVersion >= evExcel8; }

  Integer FCodePage = 0;  // 0: the system ANSI code page
  Integer FFormatCount = 0;  // FORMAT records met (BIFF2 to BIFF4 number them by order)
  // A formula whose string result follows in a STRING record.
  bool FPendingString = false;
  Integer FPendingRow = 0, FPendingCol = 0, FPendingXF = 0;
  // Sheet walking.
  Integer FWorksheetsSeen = 0;
  std::vector<String> FWorksheetNames;
  // The record walk, kept while a sheet is read on demand.
  struct TRecordWalk {
    // The source: a file read as needed, or its bytes in memory; the
    // workbook stream of a compound file is read through a window, never
    // gathered whole.
    std::unique_ptr<TStream> File;
    TFileBytes Bytes;
    std::unique_ptr<TCompoundFile> Compound;
    std::unique_ptr<TStream> Stream;
    std::unique_ptr<TByteReader> Reader;
    bool Plain = false;
    int Depth = 0;
    int SkipFrom = 0;
    bool InWorksheet = false;
    Integer PauseAfter = -1;  // -1: never pause
    Integer LastRow = -1;     // the highest row delivered
    bool PauseAsked = false;
    bool Paused = false;
  };
  std::unique_ptr<TRecordWalk> FWalk;
  bool FRowsOnDemandSheet = false;
};
