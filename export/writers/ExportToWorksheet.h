// Lotus 1-2-3 release 2 (.WK1) and Quattro Pro (.WQ1) worksheets: the same
// little-endian records (BOF, RANGE, cells, EOF), with their own BOF
// version, format bytes and column widths.
#pragma once

#include <string>

#include "export/writers/CellFileWriter.h"

class TRODirezaToWorksheet : public TRODirezaToCellBufferedFile {
 public:
  using TRODirezaToCellBufferedFile::TRODirezaToCellBufferedFile;
  const char* ClassName() const override { return "TRODirezaToWorksheet"; }

  // Rows and columns a sheet can address.
  static constexpr Integer MaxRows = 65536;
  static constexpr Integer MaxColumns = 256;

 protected:
  // What tells the two formats apart.
  virtual Word BofVersion() const = 0;
  virtual Byte FormatByte(Word opcode) const = 0;
  virtual bool WritesColumnWidths() const = 0;
  virtual bool LabelPadding() const = 0;

  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  void WriteRecord(Word opcode, const std::string& data);
  std::string FData;   // reused per record
  std::string FBytes;  // reused per label
};

class TRODirezaToWKS : public TRODirezaToWorksheet {
 public:
  explicit TRODirezaToWKS(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToWKS"; }
  String Extension() const override { return u".WK1"; }

 protected:
  Word BofVersion() const override { return 0x0404; }
  Byte FormatByte(Word opcode) const override;
  bool WritesColumnWidths() const override { return false; }
  bool LabelPadding() const override { return false; }
};

class TRODirezaToQuattro : public TRODirezaToWorksheet {
 public:
  explicit TRODirezaToQuattro(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToQuattro"; }
  String Extension() const override { return u".WQ1"; }

 protected:
  Word BofVersion() const override { return 0x5120; }
  Byte FormatByte(Word) const override { return 0; }
  bool WritesColumnWidths() const override { return true; }
  bool LabelPadding() const override { return true; }
};
