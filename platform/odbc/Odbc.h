// The road to a database: a small layer over unixODBC that stands in for
// the platform's data objects. It opens a connection from a connection
// string, lists tables and columns, executes statements, runs prepared
// statements with parameters bound per row, reads query results forward
// only, and lists the drivers and data sources the driver manager knows.
// Every failure raises EOdbcError with the driver's own message.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

RTL_DECLARE_EXCEPTION(EOdbcError, EDatabaseError)

// A table as the driver's catalogue reports it; Type is "TABLE", "VIEW",
// "SYSTEM TABLE" or the driver's own word.
struct TOdbcTable {
  String Name;
  String Type;
};

// A column of a table or of a query result. SqlType is the ODBC type code
// (SQL_INTEGER, SQL_WVARCHAR, ...).
struct TOdbcColumn {
  String Name;
  SmallInt SqlType = 0;
  Int64 Size = 0;
  SmallInt Decimals = 0;
  bool Nullable = true;
  // The table and column a result column comes from, where the driver tells.
  String BaseTable;
  String BaseColumn;
};

// A driver or a data source of the driver manager, with its description
// (for a driver: its attributes, "key=value" joined by "; ").
struct TOdbcSource {
  String Name;
  String Description;
};

std::vector<TOdbcSource> OdbcDrivers();
std::vector<TOdbcSource> OdbcDataSources();

// Whether a SQL type holds text, bytes, whole numbers, real numbers, dates.
bool IsOdbcTextType(SmallInt sqlType);
bool IsOdbcBinaryType(SmallInt sqlType);
bool IsOdbcIntegerType(SmallInt sqlType);
bool IsOdbcRealType(SmallInt sqlType);
bool IsOdbcDateType(SmallInt sqlType);  // date, time or time stamp
bool IsOdbcDateOnlyType(SmallInt sqlType);
bool IsOdbcTimeOnlyType(SmallInt sqlType);

class TOdbcConnection;

// A statement prepared once and executed per row; parameters count from 0
// and keep their value until set again.
class TOdbcStatement {
 public:
  ~TOdbcStatement();
  TOdbcStatement(const TOdbcStatement&) = delete;
  TOdbcStatement& operator=(const TOdbcStatement&) = delete;

  Integer ParamCount() const { return static_cast<Integer>(FParams.size()); }
  void SetNull(Integer index);
  void SetInteger(Integer index, Int64 value);
  void SetFloat(Integer index, double value);
  void SetText(Integer index, StringView value);
  void SetBytes(Integer index, const void* data, size_t size);
  void SetDate(Integer index, TDateTime value);
  void SetTime(Integer index, TDateTime value);
  void SetDateTime(Integer index, TDateTime value);
  // Null, numbers, dates, texts and byte arrays by the variant's type.
  void SetValue(Integer index, const Variant& value);
  // Runs the statement with the current values.
  void Execute();

 private:
  friend class TOdbcConnection;
  // A parameter's value in the form it is bound with (ODBC's C type, SQL
  // type, size and bytes).
  struct TBinding {
    SmallInt CType = 0, SqlType = 0, Decimals = 0;
    const void* Buffer = nullptr;
    size_t Capacity = 0;
    bool operator==(const TBinding&) const = default;
  };
  struct TParam {
    SmallInt CType = 0;
    SmallInt SqlType = 0;
    UInt64 ColumnSize = 1;
    SmallInt Decimals = 0;
    std::vector<char> Buffer = std::vector<char>(1);
    Int64 Indicator = -1;  // the byte count, or the null mark
    TBinding Bound;        // what the driver was last told
  };
  TOdbcStatement(void* handle, Integer paramCount);
  static void Set(TParam& param, SmallInt cType, SmallInt sqlType, const void* data, size_t size,
                  UInt64 columnSize, SmallInt decimals = 0);
  TParam& Param(Integer index);

  void* FHandle;
  std::vector<TParam> FParams;
};

// A forward-only result of a query.
class TOdbcQuery {
 public:
  ~TOdbcQuery();
  TOdbcQuery(const TOdbcQuery&) = delete;
  TOdbcQuery& operator=(const TOdbcQuery&) = delete;

  Integer FieldCount() const { return static_cast<Integer>(FFields.size()); }
  const TOdbcColumn& Field(Integer index) const { return FFields.at(static_cast<size_t>(index)); }
  // Index of the field of that name (without regard to case); -1 when none.
  Integer FieldIndex(StringView name) const;
  // Moves to the next row; false after the last.
  bool Next();
  // The current row's value: Null, a 64-bit integer, a double, a date-time,
  // a text or a byte array. Each value can be read once per row.
  Variant Value(Integer index);

 private:
  friend class TOdbcConnection;
  explicit TOdbcQuery(void* handle);

  void* FHandle;
  std::vector<TOdbcColumn> FFields;
};

class TOdbcConnection {
 public:
  TOdbcConnection();
  ~TOdbcConnection();
  TOdbcConnection(const TOdbcConnection&) = delete;
  TOdbcConnection& operator=(const TOdbcConnection&) = delete;

  // Connects without prompting; a user name and password given here are
  // added to the connection string as UID and PWD.
  void Open(const String& connectionString, const String& userName = String(), const String& password = String());
  void Close();
  bool Connected() const { return FConnected; }

  // Work from StartTransaction on is kept by Commit or undone by Rollback.
  void StartTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const { return FInTransaction; }

  // Runs a statement; the number of rows it changed (-1 when not told).
  Int64 Execute(const String& sql);
  std::unique_ptr<TOdbcStatement> Prepare(const String& sql);
  std::unique_ptr<TOdbcQuery> Query(const String& sql);
  // The tables, views and system tables of the catalogue, in its order.
  std::vector<TOdbcTable> Tables();
  // The columns of a table in their order; empty when there is no such table.
  std::vector<TOdbcColumn> Columns(const String& table);
  // The character the database quotes names with ("\"" when it does not say).
  String IdentifierQuote();
  // The name quoted with that character, embedded quote characters doubled.
  String QuoteName(StringView name);

 private:
  void EndTransaction(bool commit);

  void* FEnv = nullptr;
  void* FDbc = nullptr;
  bool FConnected = false;
  bool FInTransaction = false;
  String FQuote;
};
