// LDAP data interchange files: one entry per row, one attribute line per
// non-empty value. The format is UTF-8 whatever the character set; values
// that LDIF cannot hold as they are go as Base64.
#pragma once

#include "export/writers/CellFileWriter.h"
#include "export/writers/RunCharacterSet.h"

class TRODirezaToLDIF : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToLDIF(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToLDIF"; }

  String ObjectClass = u"organization";

  String Extension() const override { return u".LDIF"; }

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  void WriteFileBegin() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  TRunCharacterSet FRunCharacterSet;
  std::vector<const TSMEColumn*> FExported;
  String FEntry;  // the entry being written
};

// Whether LDIF must carry the text as Base64: it starts with a space, ":",
// "<" or ";", ends with a space, or holds a character outside the plain set
// (space to "z" without ";", "=", "[", "]", "_" and the grave accent).
bool LdifNeedsBase64(StringView text);
