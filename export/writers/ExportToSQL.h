// SQL script output: one INSERT statement per row (or multi-row INSERTs),
// an optional CREATE TABLE statement and COMMIT statements per batch.
#pragma once

#include <functional>
#include <vector>

#include "export/writers/CellFileWriter.h"

enum TFieldCharCase : Byte { ecNormal, ecUpperCase, ecLowerCase, ecProper };

// The SQL type text of each field type; "%d" takes the field's size (and,
// for floats, a second "%d" its precision).
struct TSMESQLTypes {
  String ftString = u"CHAR(%d)";
  String ftSmallint = u"INTEGER";
  String ftInteger = u"INTEGER";
  String ftWord = u"INTEGER";
  String ftBoolean = u"INTEGER";
  String ftFloat = u"DECIMAL";
  String ftCurrency = u"MONEY";
  String ftBCD = u"DECIMAL";
  String ftDate = u"DATETIME";
  String ftTime = u"DATETIME";
  String ftDateTime = u"DATETIME";
  String ftAutoInc = u"IDENTITY";
  String ftBlob = u"BLOB";
  String ftMemo = u"BLOB";
  String ftGraphic = u"IMAGE";
  String ftLargeint = u"INTEGER";
  bool CheckRequired = true;  // " NOT NULL" or " NULL" after each type
  bool AddPrimaryKey = false;  // the required fields become the primary key

  // Copies the sixteen type texts, not the two switches.
  void Assign(const TSMESQLTypes& source);
  // The type text of a field type; "#UNKNOWN#" for one without a text.
  String TypeOf(TFieldType type, bool isBlob, bool isMemo) const;
};

struct TSMESQLOptions {
  String SQLTerm = u";";
  WideChar SQLQuote = u'"';  // character 0: nothing is quoted
  String SQLNULL = u"NULL";
  String CommitTerm = u"COMMIT;";
  Integer BatchRecCount = 2147483647;
  bool AddCreateTable = false;
  TFieldCharCase FieldNameCharCase = ecNormal;
  bool MultiRowInsert = false;
  TSMESQLTypes SQLTypes;

  void Assign(const TSMESQLOptions& source);
  // Appends the "[SQL]" section of a specification file: UTF-16LE lines,
  // each ended by CR LF.
  void SaveToStream(TStream& stream) const;
  // Reads the keys of the "[SQL]" section from a specification's lines.
  void LoadFromStrings(const std::vector<String>& lines);
};

namespace ZAZ2SQL {
// Formatted with the table name, the column definitions and the terminator.
extern String CreateTableTemplate;
}

class TRODirezaToSQL : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToSQL(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToSQL"; }

  TSMESQLOptions SQLOptions;
  std::function<void(TRODirezaToSQL* sender, String& sql, String& prefix, String& suffix)> OnGetCreateTable;

  String GetFieldStr(TField* field) override;
  String Extension() const override { return u".SQL"; }

 protected:
  bool MergeIsSupported() override { return true; }
  bool TitleIsSupported() override { return false; }
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDataEnd() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  // Ends a row (in the data area) or the script (after it).
  virtual void WriteCommitTerm();

 private:
  // The column's name in statements: cased, and quoted when it is not a
  // plain identifier.
  String SQLName(const String& name) const;
  String ColumnDefinitions();
  // Markup in the file's character set, as the cells are.
  String Markup(const String& text) const;
  void Put(const String& text);
  void CloseOpenStatement();
  bool IsQuoted(TField* field, TCellType cellType, const String& text) const;

  Integer FBatchCount = 0;
  bool FStatementOpen = false;  // a multi-row INSERT waits for its next row or its end
  String FFieldNames;
  String FStatementHead;
  String FDateFormat, FTimeFormat, FDateTimeFormat;
  String FNull, FSeparator;
  WideChar FQuote = 0;
  String FCell;
};
