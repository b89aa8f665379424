// dBase and FoxPro tables (.DBF) with their memo files (.dbt, .fpt, .smt).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/writers/CellFileWriter.h"

// The table flavours; the version byte of each is arrDBFVersion[value].
enum TDBFVersion : Byte {
  dBase3, dBase3Memo, dBase3Plus, dBase3PlusMemo, FoxPro, FoxProMemo, dBase4, dBase4Memo, VFP3, dBase5, dBase7,
  dBase7Memo, FoxBASE1, FoxBASE2, VFP3AutoIncrement, HyperSix, VFP3Binary, dBase4SQL, dBase4SQLSys, FoxPro2
};
enum TDBFMemoType : Byte { dmDBT, dmFPT, dmSMT };

extern const Byte arrDBFVersion[20];

// One field descriptor as the writer keeps it.
struct TDBFField {
  AnsiString FieldName;  // at most 10 bytes
  char FieldType = 'C';
  Integer Address = 0;
  Byte Length = 0;
  Byte Decimals = 0;
};

// The table header; the file takes the first 32 bytes of it.
struct TDBFHeader {
  Byte VersionNumber = 0;
  Byte LastUpdateYear = 0, LastUpdateMonth = 0, LastUpdateDay = 0;
  Integer NumberOfRecords = 0;
  Integer HeaderSize = 0;  // checked against the 16 bits the file holds
  Integer RecordSize = 0;  // likewise
  Byte LanguageID = 0;
  Integer NumberOfFields = 0;  // exported columns + 1
};

class TRODirezaToDBF : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToDBF(TComponent* owner = nullptr);
  ~TRODirezaToDBF() override;
  const char* ClassName() const override { return "TRODirezaToDBF"; }

  TDBFVersion DBFVersion = dBase3;
  TDBFMemoType DBFMemoType = dmDBT;
  Byte LanguageID = 0;

  void Assign(const TComponent* source) override;
  String Extension() const override { return u".DBF"; }

  // The name made unique among descriptors 0 to k - 1: blanks become "_",
  // a repeated name gets the number its trailing digits hold plus one.
  AnsiString UniqueFieldName(const AnsiString& name, Integer k) const;
  // The field's bytes for a cell text, exactly the descriptor's length.
  void ValueToDBF(const String& text, TCellType cellType, TField* field, const TDBFField& descriptor,
                  std::string& out);

 protected:
  void InternalBeforeProcess() override;
  void InternalFileCreate(const String& fileName) override;
  void InternalFileClose() override;
  void WriteString(const String& text) override;
  void WriteFileBegin() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteDataBegin() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment, const TFont* font,
                 TColor color) override;
  void CloseFileStream() override;

 private:
  bool IsFPT() const;
  bool Is48ByteLayout() const;
  // Memo blocks without a header, ended by two end-of-file marks.
  bool IsDBase3MemoLayout() const;
  void SwitchToMemoVariant();
  void OpenMemoFile();
  void WriteMemo(const std::string& bytes);
  void FlushMemo();
  // The bytes of a memo cell: a binary blob as stored, text in the table's code page.
  void MemoBytes(TField* field, StringView text, std::string& out) const;
  // The descriptor of a data cell's column in the record being filled; none
  // outside the data area.
  const TDBFField* FieldOfCell(Integer column) const;
  void WriteMemoField(TField* field, StringView text, const TDBFField& descriptor);
  void WriteNumber(const String& text, const TDBFField& descriptor, std::string& out) const;
  void FixedDigits(double value, Byte decimals, std::string& out) const;
  // The digits of an "N" field placed right-aligned, or stars when they do not fit.
  static void PlaceNumber(std::string_view digits, size_t length, std::string& out);
  static void PlaceDate(TDateTime value, size_t length, std::string& out);
  void PutField(const TDBFField& descriptor, const std::string& bytes);

  TDBFHeader FHeader;
  std::vector<TDBFField> FFields;
  bool MemoIsExists = false;
  String MemoFileName;
  std::unique_ptr<TStream> MEMOStream;
  std::string FMemoBuffer;  // memo bytes not yet written to the memo file
  Cardinal FNextBlock = 1;
  Byte FMemoVersion = 0;  // the version byte when the memo file was made
  bool FIsFPT = false;
  // Where the table begins in the output, and what is already in it.
  Int64 FHeaderPos = 0;
  bool FHeaderWritten = false;
  Integer FRecordsWritten = 0;
  std::string FRecord;  // the record being filled
  bool FInRecord = false;
  std::string FBytes;   // reused per cell
  std::string FMemo;    // reused per memo
};
