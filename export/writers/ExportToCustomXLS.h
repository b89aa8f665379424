// What the XLS and XLSX writers share: the font table and the style entries
// of a run, the number formats by cell type, the colour palette, the page
// header and footer, and the row limit.
#pragma once

#include <memory>
#include <vector>

#include "export/writers/CellFileWriter.h"
#include "export/writers/OfficeArtDrawingGroup.h"

class TMemoryStream;

RTL_DECLARE_EXCEPTION(ESMEMaxRowCountException, Exception)

// One style entry: background, font, number format, alignment, wrapping.
struct TXLSFormat {
  TColor FColor = clWhite;
  Integer FFontIndex = 0;   // position in the font table; -1 when the table was full
  Integer FNumFormat = -1;  // -1 in the XLS writer's entries
  TAlignment FAlignment = taLeftJustify;
  bool FWrapText = false;

  bool operator==(const TXLSFormat&) const = default;
};

class TRODirezaToCustomXLS : public TRODirezaToCellFile {
 public:
  explicit TRODirezaToCustomXLS(TComponent* owner = nullptr);
  ~TRODirezaToCustomXLS() override;
  const char* ClassName() const override { return "TRODirezaToCustomXLS"; }
  String Extension() const override { return u".XLS"; }

  String UserName;  // the logged-on user; no record holds it
  std::vector<String> PageHeader;
  std::vector<String> PageFooter;

  // The palette index of a colour in the format's default 56 colours; a
  // colour not among the 40 known ones takes index 8 (black).
  static Integer GetXLSIndexByColor(TColor color);
  // 0x00RRGGBB of a colour, system colours resolved.
  static Cardinal ColorToRGB(TColor color);

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  void WriteFileEnd() override;
  void WriteRowStart() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

  virtual void WriteBuffer(const void* /*buffer*/, Int64 /*count*/) {}
  virtual void WriteStringValue(StringView /*text*/, bool /*withLength*/) {}
  virtual void ApplyDefaultFont(TFont& font);
  virtual Word GetDefaultNumFormat(TCellType cellType);
  virtual Integer GetMaxFontCount() { return 4; }
  virtual Integer GetMaxRowCount() { return 65536; }
  virtual void WriteRecordHeader(Int64 /*recType*/, Int64 /*size*/) {}
  virtual void WriteFontStream() {}
  virtual void WriteFont(const TFont& font);
  virtual void WriteFormat(Integer /*index*/, StringView /*format*/, bool /*isFormat*/) {}
  virtual void WriteXF(const TXLSFormat& fmt, Integer index);
  // Writes the cell records collected so far, between the format entries
  // and the end of the file.
  virtual void WriteCellRecords() {}

  // The style entry for the look, found or appended; -1 without a list.
  Integer GetXF(const TFont* font, TColor color, Integer numFormat, TAlignment alignment, bool wrapText);
  // The font's position in the table, appended when new and there is room;
  // -1 when the table is full or there is no font.
  Integer GetFontFromTable(const TFont* font);
  // The picture of a graphic cell: the field's value, or without a field
  // the cell text taken as bytes; false when it cannot be read (the picture
  // is then left out and the run goes on).
  static bool LoadCellPicture(TField* field, StringView text, TXLSPicture& picture);
  // The ANSI bytes of a text, cut to 255 without splitting a character.
  static AnsiString AnsiCut255(StringView text);
  // Words of a record's data, little-endian.
  void WriteWords(std::initializer_list<Word> words);
  // A cell whose row passed the limit after the limit was reported: the
  // rows that still come (the footer) are left out, so the file still ends
  // completely.
  bool RowDropped() const { return FRowDropped; }

  // The format entry (XF) of a cell: fifteen style entries and the default
  // cell entry come first, then one per number format, style entry and
  // alignment that cells name.
  static constexpr Integer kFixedXFCount = 16;
  struct TCellXF {
    Word NumFormat;
    Integer StyleEntry;  // -1 without soColorsFonts
    TAlignment Alignment;
    bool operator==(const TCellXF&) const = default;
  };
  Integer CellXF(Word numFormat, Integer styleEntry, TAlignment alignment);
  void WriteXFRecord(Byte font, Byte numFormat, Word type, Byte alignment, TColor color);
  std::vector<TCellXF> FCellXFs;

  std::unique_ptr<TMemoryStream> FTempFontStream;
  std::vector<TFont> lstFonts;
  std::vector<TXLSPicture> lstObjects;
  std::unique_ptr<std::vector<TXLSFormat>> lstFormats;
  Byte FVersion = 2;

 private:
  // The drawing-group record of the collected pictures, into the records
  // that go to the end of the file.
  void DeferDrawingGroup();

  bool FLimitReported = false;
  bool FRowDropped = false;
};
