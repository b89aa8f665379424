// RTF documents holding one table. The font and colour tables must come
// first; when cells carry fonts and colours they are known only at the end,
// so the body is then collected in a temporary file and copied after them.
#pragma once

#include <memory>
#include <vector>

#include "export/writers/CellFileWriter.h"
#include "export/writers/RunCharacterSet.h"

class TSafeFileWriter;

struct TSMERTFOptions {
  bool ConvertPictureToJPEG = true;  // kept and copied; pictures are written as bitmaps
  bool CreateUnlikedPictureType = false;

  void Assign(const TSMERTFOptions& source) { *this = source; }
};

class TRODirezaToRTF : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToRTF(TComponent* owner = nullptr);
  ~TRODirezaToRTF() override;
  const char* ClassName() const override { return "TRODirezaToRTF"; }

  TSMERTFOptions RTFOptions;

  String Extension() const override { return u".RTF"; }
  void Assign(const TComponent* source) override;

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  bool MergeIsSupported() override { return false; }
  void WriteString(const String& text) override;
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteDataBegin() override;
  void WriteDataEnd() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  // The text as RTF: "\", "{" and "}" escaped, line breaks and tabs as
  // control words, characters outside the ANSI code page as \uN escapes.
  void AppendEscaped(String& out, StringView text);
  bool InAnsiCodePage(char16_t c);
  Integer FontIndex(const String& name);
  Integer ColorIndex(TColor color);
  void FlushBody();
  void WriteTable(const String& head, const std::vector<String>& entries);
  // The font and colour tables of what the body used.
  void WriteTables();
  String Picture(TField* field, const String& text) const;

  TRunCharacterSet FRunCharacterSet;
  std::vector<String> lstFonts;
  std::vector<TColor> lstColors;
  std::vector<Integer> arrColWidths;
  bool IsMemStream = false;
  std::unique_ptr<TStream> FBody;  // a temporary file, gone when closed
  std::string FBodyBuffer;
  std::string FBytes;
  String FCell;
  // 0: not known yet, 1: in the ANSI code page, 2: not in it.
  std::vector<Byte> FInAnsi;
};

// RTF's unit: the margin in the page setup's measure, scaled, then rounded.
Integer GetTwips(float value, TSMEMeasure measure);
