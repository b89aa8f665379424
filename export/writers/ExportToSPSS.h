// SPSS system files (.SAV), compressed: a dictionary of one variable per
// exported column, then one case per data row.
#pragma once

#include <string>
#include <vector>

#include "export/writers/CellFileWriter.h"

class TRODirezaToSPSS : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToSPSS(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToSPSS"; }
  String Extension() const override { return u".SAV"; }

  // The variable names of the columns given (in the ANSI code page):
  // valid SPSS names of at most 8 upper-case characters, unique after
  // cutting, a repeated name numbered from its trailing digits.
  static std::vector<AnsiString> VariableNames(const std::vector<String>& fieldNames);

 protected:
  void InternalFileClose() override;
  void WriteFileBegin() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteDataBegin() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment, const TFont* font,
                 TColor color) override;
  void WriteFileEnd() override;

 private:
  struct TVariable {
    TCellType CellType = ctString;  // the column's type
    bool IsString = false;
    Integer Width = 0;  // bytes of a string variable
    Integer Units() const { return IsString ? (Width + 7) / 8 : 1; }
  };
  // One value of the case being filled.
  struct TCaseValue {
    bool Missing = true;
    double Number = 0;
    std::string Bytes;
  };

  bool IsCaseRow() const;
  TCaseValue* ValueOfCell(Integer column);
  void SetNumber(TCaseValue& value, const TVariable& variable, TCellType cellType, StringView text);
  void AddNumber(double value, bool missing);
  void AddString(const std::string& bytes, Integer width);
  void AddCommand(Byte command, const char* unit);
  void FlushCluster();

  std::vector<TVariable> FVariables;
  std::vector<TCaseValue> FCase;
  bool FInCase = false;
  Integer FCases = 0;
  Int64 FHeaderPos = 0;
  bool FHeaderWritten = false;
  bool FDictionaryWritten = false;
  // The compression block being filled: 8 command bytes, then up to 8 units.
  char CaseCluster[72] = {};
  Integer CurrentPosInOctet = 0;
  Integer CurrentPosInCluster = 8;
  std::string FBytes;  // reused per value
};
