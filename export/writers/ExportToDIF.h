// DIF (data interchange format) sheets: tuples of quoted strings.
#pragma once

#include "export/writers/EightBitTextWriter.h"

class TRODirezaToDIF : public TRODirezaTo8BitText {
 public:
  explicit TRODirezaToDIF(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToDIF"; }
  String Extension() const override { return u".DIF"; }

 protected:
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteRowStart() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  String FLine;
};
