// Text documents with a table, made by the office suite through its
// automation ("com.sun.star.ServiceManager") and stored through one of its
// export filters. Header and footer lines become paragraphs before and
// after the table.
#pragma once

#include "export/writers/CellFileWriter.h"
#include "export/writers/OfficeAutomationSupport.h"

inline constexpr char16_t defOOFilterName[] = u"MS Word 97";

class TRODirezaToOpenOffice : public TRODirezaToCellFile {
 public:
  explicit TRODirezaToOpenOffice(TComponent* owner = nullptr);
  ~TRODirezaToOpenOffice() override;
  const char* ClassName() const override { return "TRODirezaToOpenOffice"; }

  bool UseCurrentInstance = false;
  String FilterName = defOOFilterName;

  String Extension() const override { return u".ODT"; }
  void Assign(const TComponent* source) override;

  // The suite's export filters the wizard offers, in its order.
  static void GetFilterNames(std::vector<String>& list);

 protected:
  void InternalFileCreate(const String& fileName) override;
  void CloseFileStream() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteDataBegin() override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

  bool IsNewestCom = false;
  String strLastFileName;
  TOfficeTableShape FShape;  // the widths (collected, not applied) and dimensions received
  Integer intTotalMergedCols = 0;
  Variant StarDesktop, StarOffice, Document, Table;

 private:
  // A cursor at the end of the document's text, where the next paragraph
  // or the table goes.
  Variant EndCursor(const Variant& text);
  void ApplyFont(const Variant& cursor, const TFont& font);
  // A sequence holding one property value.
  Variant OneProperty(const String& name, const Variant& value);
};
