// What the table readers of the older desktop databases share: loading from
// a named file through the reader's own stream, the sheet caption, the cell
// delivery and the small decoding helpers their formats have in common.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "import/ImportColumns.h"
#include "import/readers/SpreadSheetFile.h"
#include "platform/rtl/ByteReader.h"

class TDatabaseFile : public TSpreadSheetFile {
 public:
  explicit TDatabaseFile(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TDatabaseFile"; }

  const String& Password() const { return FPassword; }
  virtual void SetPassword(const String& value) { FPassword = value; }
  // The records the run can ask for; never more than the file holds.
  virtual Integer RecordCount() const = 0;
  // One import column per field of the table, in field order.
  virtual void DescribeColumns(TSMIColumns& columns) const = 0;

  // The base checks, then the file is read through its own stream, which
  // closes when the load ends.
  void LoadFromFile(const String& fileName) override;
  // Releases the table stream and closes the memo or BLOB file.
  void AfterLoad() override;
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

 protected:
  // The sheet's caption from the file name; the used range is detected
  // unless every record status is loaded.
  void PrepareSheet(TSMIRowStatuses allStatuses);
  // The load every reader shares: the base step and BeforeLoad, then
  // `parse` reads the header and the fields; the reader keeps the table
  // for LoadRecord, or (the preview) loads every record into the sheet.
  // AfterLoad runs when the load fails.
  void LoadTable(TStream& stream, const std::function<void(TByteReader& in)>& parse);
  // The record at the offset into `record`; what the file lacks reads as
  // zeros.
  void ReadRecordBytes(UInt64 offset, std::vector<Byte>& record);
  // The preview's load: records 0, 1, ... until the count or the load
  // range ends, the sheet row advancing for accepted records only.
  void LoadAllRecords();
  // Reads record recNo and delivers it as sheet row `row`.
  virtual bool LoadRecordAt(Integer recNo, Integer row) = 0;
  // Delivers one cell of the current record.
  void Cell(Integer row, Integer column, const Variant& value, TSMICellType type, TAlignment alignment) {
    OnCellValue(this, 0, row, column, 0, value, alignment, type);
  }
  // Ends a delivered record: its sheet row exists also when all its fields
  // are empty, and it has its status.
  void EndRecord(Integer row, TSMIRowStatus status);
  // The table's memo or BLOB file (the table's name with the extension),
  // opened on first use; nullptr when there is none or it cannot be opened.
  TByteReader* SideFile(StringView extension);
  void CloseSideFile();
  // The field names, for FindColumn and FillColumnList.
  std::vector<String> FFieldNames;
  String FPassword;
  // The table between the load and AfterLoad.
  std::optional<TByteReader> FTable;

 private:
  bool FSideTried = false;
  std::unique_ptr<TStream> FSideStream;
  std::optional<TByteReader> FSide;
};

// One column per field: its name, its length as the size and its type.
template <class TField, class TTypeOf>
void AddFieldColumns(TSMIColumns& columns, const std::vector<TField>& fields, TTypeOf typeOf) {
  for (const TField& f : fields) {
    TSMIColumn& column = *columns.Add();
    column.FieldName = f.FieldName;
    column.Size = f.Length;
    column.DataType = typeOf(f);
  }
}

// The file's name with another extension (".mb", ".adm").
String WithExtension(const String& fileName, StringView extension);
// Text trimmed of spaces and control characters at both ends.
String TrimControls(const String& text);
// The bytes as text.
inline std::string_view AsText(std::span<const Byte> raw) {
  return {reinterpret_cast<const char*>(raw.data()), raw.size()};
}
// Little-endian UTF-16 bytes as text (an odd last byte is dropped).
String Utf16LEToString(std::string_view bytes);
// The bytes up to the first zero byte.
std::string_view UpToZero(std::span<const Byte> raw);
// A little-endian value of up to eight bytes, zero-extended.
UInt64 LoadLittleEndian(std::span<const Byte> raw, size_t n);
// A big-endian value of n bytes; bytes past the field read as zero.
UInt64 LoadBigEndian(std::span<const Byte> raw, size_t n);
double DoubleFromBits(UInt64 bits);
// A day of the time-stamp calendar and milliseconds as a date-time; Null
// when the calendar rejects them, so one damaged cell never stops a table.
Variant TimeStampCell(Int64 day, Int64 msecs);
// A packed decimal of `digits` nibbles (high nibble first) with the point
// before the last `scale` of them, as a double; false when a nibble is not
// a digit.
bool PackedDigitsToDouble(std::span<const Byte> bytes, size_t digits, size_t scale, bool negative, double& value);
