#include "platform/odbc/Odbc.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide characters are UTF-16 code units");

namespace {

SQLWCHAR* Wide(String& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

String FromWide(const SQLWCHAR* text, size_t length) {
  return String(reinterpret_cast<const char16_t*>(text), length);
}

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The driver's messages for a handle, one a line.
String Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  String text;
  if (handle == SQL_NULL_HANDLE) return text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLWCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!Succeeded(SQLGetDiagRecW(type, handle, record, state, &native, message, 1024, &length))) break;
    if (!text.empty()) text += u"\n";
    text += FromWide(message, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), 1023));
  }
  return text;
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, StringView what) {
  if (Succeeded(rc) || rc == SQL_NO_DATA) return;
  String message = Diagnostics(type, handle);
  if (message.empty()) message = String(what) + u" failed.";
  throw EOdbcError(message);
}

SQLHSTMT NewStatement(void* dbc) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc), &statement), SQL_HANDLE_DBC, dbc,
        u"Allocating a statement");
  return statement;
}

// Frees a statement handle unless it was handed on.
struct TStatementGuard {
  SQLHSTMT Handle;
  ~TStatementGuard() {
    if (Handle != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, Handle);
  }
  SQLHSTMT Release() { return std::exchange(Handle, static_cast<SQLHSTMT>(SQL_NULL_HSTMT)); }
};

void CheckStatement(SQLRETURN rc, SQLHSTMT statement, StringView what) {
  Check(rc, SQL_HANDLE_STMT, statement, what);
}

// A text column of a catalogue result, read with SQLGetData.
String TextData(SQLHSTMT statement, SQLUSMALLINT column) {
  String text;
  SQLWCHAR chunk[512];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(statement, column, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) break;
    CheckStatement(rc, statement, u"Reading a value");
    const size_t room = sizeof chunk / sizeof(SQLWCHAR) - 1;
    const size_t got = indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) / sizeof(SQLWCHAR) > room
                           ? room
                           : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
    text += FromWide(chunk, got);
    if (rc == SQL_SUCCESS) break;
  }
  return text;
}

Int64 IntegerData(SQLHSTMT statement, SQLUSMALLINT column, bool& isNull) {
  SQLBIGINT value = 0;
  SQLLEN indicator = 0;
  CheckStatement(SQLGetData(statement, column, SQL_C_SBIGINT, &value, 0, &indicator), statement, u"Reading a value");
  isNull = indicator == SQL_NULL_DATA;
  return value;
}

std::vector<TOdbcSource> ListSources(bool drivers) {
  std::vector<TOdbcSource> list;
  SQLHENV env = SQL_NULL_HENV;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return list;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLWCHAR name[512];
  SQLWCHAR description[2048];
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT nameLength = 0, descriptionLength = 0;
    const SQLRETURN rc =
        drivers ? SQLDriversW(env, direction, name, 512, &nameLength, description, 2048, &descriptionLength)
                : SQLDataSourcesW(env, direction, name, 512, &nameLength, description, 2048, &descriptionLength);
    if (!Succeeded(rc)) break;
    direction = SQL_FETCH_NEXT;
    TOdbcSource source;
    source.Name = FromWide(name, std::min<size_t>(static_cast<size_t>(nameLength), 511));
    // A driver's attributes come as "key=value" texts, each ended by a zero.
    const size_t length = std::min<size_t>(static_cast<size_t>(descriptionLength), 2047);
    String text = FromWide(description, length);
    if (drivers) {
      String joined;
      for (size_t start = 0; start < text.size();) {
        size_t end = text.find(u'\0', start);
        if (end == String::npos) end = text.size();
        if (end > start) joined += (joined.empty() ? u"" : u"; ") + text.substr(start, end - start);
        start = end + 1;
      }
      text = joined;
    }
    source.Description = text;
    list.push_back(std::move(source));
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return list;
}

SQL_TIMESTAMP_STRUCT TimeStampOf(TDateTime value) {
  Word year, month, day, hour, minute, second, msec;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  SQL_TIMESTAMP_STRUCT stamp{};
  stamp.year = static_cast<SQLSMALLINT>(year);
  stamp.month = month;
  stamp.day = day;
  stamp.hour = hour;
  stamp.minute = minute;
  stamp.second = second;
  stamp.fraction = static_cast<SQLUINTEGER>(msec) * 1000000u;
  return stamp;
}

}  // namespace

bool IsOdbcTextType(SmallInt t) {
  return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_LONGVARCHAR || t == SQL_WCHAR || t == SQL_WVARCHAR ||
         t == SQL_WLONGVARCHAR;
}
bool IsOdbcBinaryType(SmallInt t) { return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY; }
bool IsOdbcIntegerType(SmallInt t) {
  return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT || t == SQL_BIT;
}
bool IsOdbcRealType(SmallInt t) {
  return t == SQL_FLOAT || t == SQL_REAL || t == SQL_DOUBLE || t == SQL_NUMERIC || t == SQL_DECIMAL;
}
bool IsOdbcDateType(SmallInt t) {
  return t == SQL_TYPE_DATE || t == SQL_TYPE_TIME || t == SQL_TYPE_TIMESTAMP || t == SQL_DATE || t == SQL_TIME ||
         t == SQL_TIMESTAMP;
}

bool IsOdbcDateOnlyType(SmallInt t) { return t == SQL_TYPE_DATE || t == SQL_DATE; }
bool IsOdbcTimeOnlyType(SmallInt t) { return t == SQL_TYPE_TIME || t == SQL_TIME; }

std::vector<TOdbcSource> OdbcDrivers() { return ListSources(true); }
std::vector<TOdbcSource> OdbcDataSources() { return ListSources(false); }

// ---------------------------------------------------------------------------
// Statements

static_assert(sizeof(SQLLEN) == sizeof(Int64) && sizeof(SQLULEN) == sizeof(UInt64), "a 64-bit driver manager");

void TOdbcStatement::Set(TParam& param, SmallInt cType, SmallInt sqlType, const void* data, size_t size,
                         UInt64 columnSize, SmallInt decimals) {
  param.CType = cType;
  param.SqlType = sqlType;
  param.ColumnSize = std::max<UInt64>(columnSize, 1);
  param.Decimals = decimals;
  param.Buffer.resize(std::max<size_t>(size, 1));
  if (size > 0) std::memcpy(param.Buffer.data(), data, size);
  param.Indicator = static_cast<Int64>(size);
}

TOdbcStatement::TOdbcStatement(void* handle, Integer paramCount)
    : FHandle(handle), FParams(static_cast<size_t>(std::max<Integer>(paramCount, 0))) {}

TOdbcStatement::~TOdbcStatement() { SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(FHandle)); }

TOdbcStatement::TParam& TOdbcStatement::Param(Integer index) {
  if (index < 0 || index >= ParamCount())
    throw EOdbcError(u"Parameter " + IntToStr(index) + u" is out of range (" + IntToStr(ParamCount()) +
                     u" parameters).");
  return FParams[static_cast<size_t>(index)];
}

void TOdbcStatement::SetNull(Integer index) {
  TParam& param = Param(index);
  Set(param, SQL_C_CHAR, SQL_VARCHAR, nullptr, 0, 1);
  param.Indicator = SQL_NULL_DATA;
}

void TOdbcStatement::SetInteger(Integer index, Int64 value) {
  const SQLBIGINT v = value;
  Set(Param(index), SQL_C_SBIGINT, SQL_BIGINT, &v, sizeof v, 19);
}

void TOdbcStatement::SetFloat(Integer index, double value) {
  Set(Param(index), SQL_C_DOUBLE, SQL_DOUBLE, &value, sizeof value, 15);
}

void TOdbcStatement::SetText(Integer index, StringView value) {
  Set(Param(index), SQL_C_WCHAR, value.size() > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR, value.data(),
                   value.size() * sizeof(char16_t), value.size());
}

void TOdbcStatement::SetBytes(Integer index, const void* data, size_t size) {
  Set(Param(index), SQL_C_BINARY, SQL_LONGVARBINARY, data, size, size);
}

void TOdbcStatement::SetDate(Integer index, TDateTime value) {
  const SQL_TIMESTAMP_STRUCT stamp = TimeStampOf(value);
  const SQL_DATE_STRUCT date{stamp.year, stamp.month, stamp.day};
  Set(Param(index), SQL_C_TYPE_DATE, SQL_TYPE_DATE, &date, sizeof date, 10);
}

void TOdbcStatement::SetTime(Integer index, TDateTime value) {
  const SQL_TIMESTAMP_STRUCT stamp = TimeStampOf(value);
  const SQL_TIME_STRUCT time{stamp.hour, stamp.minute, stamp.second};
  Set(Param(index), SQL_C_TYPE_TIME, SQL_TYPE_TIME, &time, sizeof time, 8);
}

void TOdbcStatement::SetDateTime(Integer index, TDateTime value) {
  const SQL_TIMESTAMP_STRUCT stamp = TimeStampOf(value);
  // Milliseconds: 23 characters, 3 decimals of the seconds.
  Set(Param(index), SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &stamp, sizeof stamp, 23, 3);
}

void TOdbcStatement::SetValue(Integer index, const Variant& value) {
  switch (value.VarType()) {
    case varEmpty: case varNull: return SetNull(index);
    case varBoolean: return SetInteger(index, value.AsBoolean() ? 1 : 0);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return SetInteger(index, value.AsInt64());
    case varSingle: case varDouble: case varCurrency: return SetFloat(index, value.AsDouble());
    case varDate: return SetDateTime(index, value.AsDateTime());
    default: break;
  }
  if ((value.VarType() & varArray) != 0) {
    const std::vector<Byte> bytes = value.AsBytes();
    return SetBytes(index, bytes.data(), bytes.size());
  }
  SetText(index, value.AsString());
}

void TOdbcStatement::Execute() {
  auto* statement = static_cast<SQLHSTMT>(FHandle);
  for (size_t i = 0; i < FParams.size(); ++i) {
    TParam& p = FParams[i];
    // A binding stays while its form and buffer stay; only the values and
    // their lengths change from row to row.
    const TBinding binding{p.CType, p.SqlType, p.Decimals, p.Buffer.data(), p.Buffer.capacity()};
    if (p.Bound == binding) continue;
    CheckStatement(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, p.CType,
                                    p.SqlType, std::max<SQLULEN>(p.ColumnSize, p.Buffer.capacity()), p.Decimals,
                                    p.Buffer.data(), static_cast<SQLLEN>(p.Buffer.capacity()),
                                    reinterpret_cast<SQLLEN*>(&p.Indicator)),
                   statement, u"Binding a parameter");
    p.Bound = binding;
  }
  CheckStatement(SQLExecute(statement), statement, u"Executing a statement");
  // A statement that returned rows is closed for the next run; closing one
  // that did not would make some drivers prepare it again.
  SQLSMALLINT columns = 0;
  if (Succeeded(SQLNumResultCols(statement, &columns)) && columns > 0) SQLFreeStmt(statement, SQL_CLOSE);
}

// ---------------------------------------------------------------------------
// Query results

TOdbcQuery::TOdbcQuery(void* handle) : FHandle(handle) {
  auto* statement = static_cast<SQLHSTMT>(handle);
  SQLSMALLINT count = 0;
  CheckStatement(SQLNumResultCols(statement, &count), statement, u"Reading the columns");
  for (SQLUSMALLINT i = 1; i <= count; ++i) {
    SQLWCHAR name[512];
    SQLSMALLINT nameLength = 0, type = 0, decimals = 0, nullable = 0;
    SQLULEN size = 0;
    CheckStatement(SQLDescribeColW(statement, i, name, 512, &nameLength, &type, &size, &decimals, &nullable),
                   statement, u"Reading the columns");
    TOdbcColumn column;
    column.Name = FromWide(name, std::min<size_t>(static_cast<size_t>(nameLength), 511));
    column.SqlType = type;
    column.Size = static_cast<Int64>(size);
    column.Decimals = decimals;
    column.Nullable = nullable != SQL_NO_NULLS;
    for (auto [attribute, target] : {std::pair{SQL_DESC_BASE_TABLE_NAME, &column.BaseTable},
                                     std::pair{SQL_DESC_BASE_COLUMN_NAME, &column.BaseColumn}}) {
      SQLWCHAR text[512] = {};
      SQLSMALLINT length = 0;
      if (Succeeded(SQLColAttributeW(statement, i, attribute, text, sizeof text, &length, nullptr)))
        *target = FromWide(text, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)) /
                                                      sizeof(SQLWCHAR), 511));
    }
    FFields.push_back(std::move(column));
  }
}

TOdbcQuery::~TOdbcQuery() { SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(FHandle)); }

Integer TOdbcQuery::FieldIndex(StringView name) const {
  for (size_t i = 0; i < FFields.size(); ++i)
    if (SameText(FFields[i].Name, name)) return static_cast<Integer>(i);
  return -1;
}

bool TOdbcQuery::Next() {
  auto* statement = static_cast<SQLHSTMT>(FHandle);
  const SQLRETURN rc = SQLFetch(statement);
  if (rc == SQL_NO_DATA) return false;
  CheckStatement(rc, statement, u"Fetching a row");
  return true;
}

Variant TOdbcQuery::Value(Integer index) {
  const TOdbcColumn& field = Field(index);
  auto* statement = static_cast<SQLHSTMT>(FHandle);
  const auto column = static_cast<SQLUSMALLINT>(index + 1);
  SQLLEN indicator = 0;
  if (IsOdbcIntegerType(field.SqlType)) {
    bool isNull = false;
    const Int64 value = IntegerData(statement, column, isNull);
    return isNull ? Variant::Null() : Variant(value);
  }
  if (IsOdbcRealType(field.SqlType)) {
    double value = 0;
    CheckStatement(SQLGetData(statement, column, SQL_C_DOUBLE, &value, 0, &indicator), statement,
                   u"Reading a value");
    return indicator == SQL_NULL_DATA ? Variant::Null() : Variant(value);
  }
  if (IsOdbcDateType(field.SqlType)) {
    SQL_TIMESTAMP_STRUCT stamp{};
    CheckStatement(SQLGetData(statement, column, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &indicator),
                   statement, u"Reading a value");
    if (indicator == SQL_NULL_DATA) return Variant::Null();
    TDateTime date = 0, time = 0;
    if (stamp.year != 0) TryEncodeDate(static_cast<Word>(stamp.year), stamp.month, stamp.day, date);
    TryEncodeTime(stamp.hour, stamp.minute, stamp.second, static_cast<Word>(stamp.fraction / 1000000u), time);
    return Variant::FromDateTime(date < 0 ? date - time : date + time);
  }
  if (IsOdbcBinaryType(field.SqlType)) {
    std::vector<Byte> bytes;
    Byte chunk[4096];
    for (;;) {
      const SQLRETURN rc = SQLGetData(statement, column, SQL_C_BINARY, chunk, sizeof chunk, &indicator);
      if (rc == SQL_NO_DATA) break;
      CheckStatement(rc, statement, u"Reading a value");
      if (indicator == SQL_NULL_DATA) return Variant::Null();
      const size_t got = indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > sizeof chunk
                             ? sizeof chunk
                             : static_cast<size_t>(indicator);
      bytes.insert(bytes.end(), chunk, chunk + got);
      if (rc == SQL_SUCCESS) break;
    }
    return Variant(std::move(bytes));
  }
  // Text, and whatever the driver can give as text.
  SQLWCHAR probe[1];
  const SQLRETURN rc = SQLGetData(statement, column, SQL_C_WCHAR, probe, 0, &indicator);
  if (rc == SQL_NO_DATA) return Variant(String());
  CheckStatement(rc, statement, u"Reading a value");
  if (indicator == SQL_NULL_DATA) return Variant::Null();
  return Variant(TextData(statement, column));
}

// ---------------------------------------------------------------------------
// Connections

TOdbcConnection::TOdbcConnection() = default;

TOdbcConnection::~TOdbcConnection() {
  try {
    Close();
  } catch (...) {
  }
}

void TOdbcConnection::Open(const String& connectionString, const String& userName, const String& password) {
  Close();
  SQLHENV env = SQL_NULL_HENV;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw EOdbcError(u"The ODBC driver manager cannot be started.");
  FEnv = env;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLHDBC dbc = SQL_NULL_HDBC;
  Check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, u"Allocating a connection");
  FDbc = dbc;
  String text = connectionString;
  if (!userName.empty()) text += u";UID=" + userName;
  if (!password.empty()) text += u";PWD=" + password;
  SQLWCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, Wide(text), static_cast<SQLSMALLINT>(text.size()), out, 1024,
                                         &outLength, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(rc)) {
    String message = Diagnostics(SQL_HANDLE_DBC, dbc);
    Close();
    throw EOdbcError(message.empty() ? u"The connection cannot be opened." : message);
  }
  FConnected = true;
}

void TOdbcConnection::Close() {
  if (FDbc != nullptr) {
    if (FConnected) {
      if (FInTransaction) SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK);
      SQLDisconnect(FDbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, FDbc);
  }
  if (FEnv != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, FEnv);
  FDbc = FEnv = nullptr;
  FConnected = FInTransaction = false;
  FQuote.clear();
}

void TOdbcConnection::StartTransaction() {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  Check(SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
        SQL_HANDLE_DBC, FDbc, u"Starting a transaction");
  FInTransaction = true;
}

void TOdbcConnection::EndTransaction(bool commit) {
  if (!FInTransaction) return;
  FInTransaction = false;
  Check(SQLEndTran(SQL_HANDLE_DBC, FDbc, commit ? SQL_COMMIT : SQL_ROLLBACK), SQL_HANDLE_DBC, FDbc,
        commit ? u"Committing" : u"Rolling back");
  SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
}

void TOdbcConnection::Commit() { EndTransaction(true); }
void TOdbcConnection::Rollback() { EndTransaction(false); }

Int64 TOdbcConnection::Execute(const String& sql) {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  TStatementGuard statement{NewStatement(FDbc)};
  String text = sql;
  CheckStatement(SQLExecDirectW(statement.Handle, Wide(text), static_cast<SQLINTEGER>(text.size())),
                 statement.Handle, u"Executing a statement");
  SQLLEN rows = -1;
  if (!Succeeded(SQLRowCount(statement.Handle, &rows))) rows = -1;
  return rows;
}

std::unique_ptr<TOdbcStatement> TOdbcConnection::Prepare(const String& sql) {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  TStatementGuard statement{NewStatement(FDbc)};
  String text = sql;
  CheckStatement(SQLPrepareW(statement.Handle, Wide(text), static_cast<SQLINTEGER>(text.size())), statement.Handle,
                 u"Preparing a statement");
  SQLSMALLINT count = 0;
  CheckStatement(SQLNumParams(statement.Handle, &count), statement.Handle, u"Counting parameters");
  return std::unique_ptr<TOdbcStatement>(new TOdbcStatement(statement.Release(), count));
}

std::unique_ptr<TOdbcQuery> TOdbcConnection::Query(const String& sql) {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  TStatementGuard statement{NewStatement(FDbc)};
  String text = sql;
  CheckStatement(SQLExecDirectW(statement.Handle, Wide(text), static_cast<SQLINTEGER>(text.size())),
                 statement.Handle, u"Executing a query");
  std::unique_ptr<TOdbcQuery> query(new TOdbcQuery(statement.Handle));
  statement.Release();
  return query;
}

std::vector<TOdbcTable> TOdbcConnection::Tables() {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  TStatementGuard statement{NewStatement(FDbc)};
  CheckStatement(SQLTablesW(statement.Handle, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), statement.Handle,
                 u"Reading the tables");
  std::vector<TOdbcTable> tables;
  for (;;) {
    const SQLRETURN rc = SQLFetch(statement.Handle);
    if (rc == SQL_NO_DATA) break;
    CheckStatement(rc, statement.Handle, u"Reading the tables");
    TOdbcTable table;
    table.Name = TextData(statement.Handle, 3);
    table.Type = TextData(statement.Handle, 4);
    tables.push_back(std::move(table));
  }
  return tables;
}

std::vector<TOdbcColumn> TOdbcConnection::Columns(const String& table) {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  TStatementGuard statement{NewStatement(FDbc)};
  String name = table;
  CheckStatement(SQLColumnsW(statement.Handle, nullptr, 0, nullptr, 0, Wide(name),
                             static_cast<SQLSMALLINT>(name.size()), nullptr, 0),
                 statement.Handle, u"Reading the columns");
  std::vector<TOdbcColumn> columns;
  for (;;) {
    const SQLRETURN rc = SQLFetch(statement.Handle);
    if (rc == SQL_NO_DATA) break;
    CheckStatement(rc, statement.Handle, u"Reading the columns");
    TOdbcColumn column;
    bool isNull = false;
    column.Name = TextData(statement.Handle, 4);
    column.SqlType = static_cast<SmallInt>(IntegerData(statement.Handle, 5, isNull));
    column.Size = IntegerData(statement.Handle, 7, isNull);
    column.Decimals = static_cast<SmallInt>(IntegerData(statement.Handle, 9, isNull));
    column.Nullable = IntegerData(statement.Handle, 11, isNull) != SQL_NO_NULLS;
    column.BaseTable = table;
    column.BaseColumn = column.Name;
    columns.push_back(std::move(column));
  }
  return columns;
}

String TOdbcConnection::IdentifierQuote() {
  if (!FConnected) throw EOdbcError(u"The connection is not open.");
  if (FQuote.empty()) {
    SQLWCHAR quote[8] = {};
    SQLSMALLINT length = 0;
    if (Succeeded(SQLGetInfoW(FDbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length)) && length > 0)
      FQuote = FromWide(quote, std::min<size_t>(static_cast<size_t>(length) / sizeof(SQLWCHAR), 7));
    // A blank means the database quotes nothing; the standard's quote then.
    if (Trim(FQuote).empty()) FQuote = u"\"";
  }
  return FQuote;
}

String TOdbcConnection::QuoteName(StringView name) {
  const String quote = IdentifierQuote();
  String result = quote;
  for (size_t i = 0; i < name.size();) {
    if (name.substr(i, quote.size()) == quote) {
      result += quote + quote;
      i += quote.size();
    } else {
      result += name[i++];
    }
  }
  return result + quote;
}
