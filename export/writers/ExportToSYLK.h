// SYLK (symbolic link) sheets: one record a line, every value as text.
#pragma once

#include "export/writers/EightBitTextWriter.h"

class TRODirezaToSYLK : public TRODirezaTo8BitText {
 public:
  explicit TRODirezaToSYLK(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToSYLK"; }
  String Extension() const override { return u".SLK"; }

  // The text as a SYLK string holds it: ";" doubled, every line break as
  // the escape ESC " :".
  static String EscapeSylk(StringView text);
  static void AppendEscaped(String& out, StringView text);

 protected:
  void WriteString(const String& text) override;
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  String FLine;  // reused per record
};
