// TCustomMSExcel: what the XLS reader and the XLSX/XLSB reader share: cell
// formats and number formats with the date and percent tests, fonts,
// names, sheet names, shared strings, error texts, the password event and
// the summary information.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "import/readers/SharedStrings.h"
#include "import/readers/SpreadSheetFile.h"
#include "import/readers/SummaryInformation.h"

enum TExcelVersion : Byte {
  evUnknown, evExcel2, evExcel3, evExcel4, evExcel5, evExcel7, evExcel8, evExcel9, evExcel12, evExcel12Bin
};
enum TSMIVerAlignment : Byte { ivaTop, ivaCenter, ivaBottom, ivaJustify };

// A workbook stream that cannot be processed.
RTL_DECLARE_EXCEPTION(ESMIExcelException, Exception)

// The export suite has cell-format records of the same names; the reader's
// live in the import suite's own namespace.
namespace smi {

struct TXLSFormat {
  String Name;
  Integer NumberFormatIndex = -1;
  Integer FontIndex = 0;
  bool IsDateTime = false;
  Byte HorAlignment = 0;  // 0 general, 1 left, 2 centre, 3 right
  TSMIVerAlignment VerAlignment = ivaTop;
  Integer Background = -1;
};

struct TXLSFont {
  String Name;
  Integer Size = 10;
  Integer Color = 0;
  Byte Charset = 0;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

struct TXLSName {
  String Name;
  String Formula;
  Integer Options = 0;
};

}  // namespace smi

// A file's bytes read whole, without first clearing the memory they fill.
struct TFileBytes {
  std::unique_ptr<Byte[]> Data;
  size_t Size = 0;
  std::span<const Byte> View() const { return {Data.get(), Size}; }
};
// The rest of the stream from its position.
TFileBytes ReadFileBytes(TStream& stream);

using TSMIOnPasswordEvent = std::function<void(TComponent* sender, String& password, bool& cont)>;

class TCustomMSExcel : public TSpreadSheetFile {
 public:
  explicit TCustomMSExcel(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TCustomMSExcel"; }
  using TXLSFormat = smi::TXLSFormat;
  using TXLSFont = smi::TXLSFont;
  using TXLSName = smi::TXLSName;

  TExcelVersion Version() const { return FVersion; }
  const TSMISummaryInformation& SummaryInformation() const { return FSummaryInformation; }
  void SetSummaryInformation(const TSMISummaryInformation& value) { FSummaryInformation.Assign(value); }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& value) { FPassword = value; }
  TSMIOnPasswordEvent OnPassword;
  // The position of the worksheet being read (-1 before the first); the
  // SheetNo of every notification. Not the sheet to load (SheetIndex).
  Integer CurrentSheetIndex() const { return FCurSheet; }
  // 0, or 1462 (1 January 1904) for the 1904 date system.
  double BaseDate() const { return FBaseDate; }

  std::vector<TXLSFont> Fonts;
  std::vector<TXLSFormat> Formats;
  std::vector<String> NumericFormats;
  std::vector<TXLSName> Names;
  // Sheet names with the stream position of each sheet's beginning.
  std::vector<std::pair<String, Int64>> SheetNames;
  TSharedStrings SST;

  void ApplyEvents() override;

  // A number format (numberFormat: text at index) or a cell format (the
  // text or index of its number format, its font, alignment -1 for none).
  void AddFormat(bool numberFormat, const String& formatText, Integer index, Integer fontIndex, Integer alignment,
                 Integer background);
  bool ValueIsDateTime(Integer formatIndex);
  bool ValueIsPercent(Integer formatIndex);
  static bool StringIsDateTimeFormat(StringView lowerCaseFormat);
  // The same tests for a number format index itself (the cell records of
  // BIFF2 name their number format, not a cell format).
  bool NumberFormatIsDateTime(Integer numberFormat) { return FormatClass(numberFormat) == 1; }
  bool NumberFormatIsPercent(Integer numberFormat) { return FormatClass(numberFormat) == 2; }
  String GetFormatString(Integer formatIndex) const;
  const TXLSFormat* GetXLSFormat(Integer index) const;
  static String GetErrorText(Integer code);
  // An RK number: a 30-bit integer or the upper half of a double, either
  // maybe divided by 100.
  static Variant RKValue(Cardinal rk);
  // Always false: encrypted workbooks are not decrypted.
  bool AskValidPassword();
  // Excel's cell reference: "$B$12" → row 11, column 1.
  static void ParseCellRef(StringView value, Integer& row, Integer& col);
  // The same over the UTF-8 bytes of a package part.
  static void ParseCellRef(std::string_view value, Integer& row, Integer& col);

 protected:
  // The built-in number formats (index 8 differs in the package formats).
  void PutBuiltInFormats(bool package);
  // The number rule: a date-time when the format says so (plus the base
  // date), a percent times 100, else a decimal.
  void NumberValue(double number, Integer format, bool scalePercent, Variant& value, TSMICellType& type);
  // A serial of the workbook's date system as a date-time; a time of day
  // alone (below 1) stays a time in both systems, as other readers take it.
  double DateSerial(double number) const { return number >= 0 && number < 1 ? number : number + FBaseDate; }
  // Fires OnCellValue for the current sheet and follows the used range.
  // The value is taken over.
  void DeliverCell(Integer row, Integer col, Integer format, Variant&& value, TAlignment alignment,
                   TSMICellType type);
  // Raises "Unknown encryption for data file." after asking for a password.
  [[noreturn]] void RefuseEncrypted();

  TExcelVersion FVersion = evUnknown;
  TSMISummaryInformation FSummaryInformation;
  bool FIsEncrypted = false;
  String FPassword;
  double FBaseDate = 0;
  Integer FCurSheet = -1;
  Integer intRowCount = -1;
  Integer intColCount = -1;
  bool CountIsDefined = false;
  Integer intXLSRowCount = 0;
  Integer intXLSColCount = 0;

 private:
  // Per number format: 0 unknown, 1 date-time, 2 percent, 3 neither.
  Byte FormatClass(Integer numberFormat);
  Integer NumberFormatOf(Integer formatIndex) const;
  std::vector<Byte> FFormatClass;
};
