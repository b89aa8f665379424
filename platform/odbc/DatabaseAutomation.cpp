#include "platform/odbc/DatabaseAutomation.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/odbc/Odbc.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"

namespace {

constexpr char16_t kAdoConnection[] = u"ADODB.Connection";
constexpr char16_t kAdoRecordset[] = u"ADODB.Recordset";
constexpr char16_t kDaoEngine[] = u"DAO.DBEngine.120";
constexpr Integer kCmdText = 1;
constexpr Integer kSchemaTables = 20;
// DAO's attribute of a system table.
constexpr Integer kDaoSystemObject = static_cast<Integer>(0x80000002u);

enum class TFlavour { Ado, Dao };

// A new object in a variant that holds its only reference.
Variant Wrap(TSharedObject* object) {
  Variant held = Variant::FromDispatch(object);
  object->Release();
  return held;
}

[[noreturn]] void NoMember(const char* object, const String& name) {
  throw EOleSysError(u"Unknown name: " + StrFromAscii(object) + u"." + name);
}

const Variant& Arg(const TOleArgs& args, size_t index) {
  static const Variant none;
  return index < args.size() && !args[index].IsEmptyParam() ? args[index] : none;
}

// The ADO type code of an ODBC column.
Integer AdoType(const TOdbcColumn& c) {
  switch (c.SqlType) {
    case SQL_CHAR: return 129;
    case SQL_VARCHAR: return 200;
    case SQL_LONGVARCHAR: return 201;
    case SQL_WCHAR: return 130;
    case SQL_WVARCHAR: return 202;
    case SQL_WLONGVARCHAR: return 203;
    case SQL_NUMERIC: return 131;
    case SQL_DECIMAL: return 14;
    case SQL_INTEGER: return 3;
    case SQL_SMALLINT: return 2;
    case SQL_TINYINT: return 16;
    case SQL_BIGINT: return 20;
    case SQL_BIT: return 11;
    case SQL_REAL: return 4;
    case SQL_FLOAT:
    case SQL_DOUBLE: return 5;
    case SQL_TYPE_DATE:
    case SQL_DATE: return 133;
    case SQL_TYPE_TIME:
    case SQL_TIME: return 134;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return 135;
    case SQL_BINARY: return 128;
    case SQL_VARBINARY: return 204;
    case SQL_LONGVARBINARY: return 205;
    case SQL_GUID: return 72;
    default: return 200;
  }
}

// The DAO type code of an ODBC column.
Integer DaoType(const TOdbcColumn& c) {
  switch (c.SqlType) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return 12;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return 20;
    case SQL_INTEGER: return 4;
    case SQL_SMALLINT: return 3;
    case SQL_TINYINT: return 2;
    case SQL_BIGINT: return 16;
    case SQL_BIT: return 1;
    case SQL_REAL: return 6;
    case SQL_FLOAT:
    case SQL_DOUBLE: return 7;
    case SQL_TYPE_DATE:
    case SQL_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return 8;
    case SQL_TYPE_TIME:
    case SQL_TIME: return 22;
    case SQL_BINARY: return 9;
    case SQL_VARBINARY: return 17;
    case SQL_LONGVARBINARY: return 11;
    case SQL_GUID: return 15;
    default: return 10;
  }
}

// The rows of a snapshot, shared by the record set and its fields.
struct TSnapshot {
  TFlavour Flavour = TFlavour::Ado;
  std::vector<TOdbcColumn> Columns;
  std::vector<std::vector<Variant>> Rows;
  size_t Position = 0;
  bool Open = false;

  void RequireOpen() const {
    if (!Open) throw EOleException(u"Operation is not allowed when the object is closed.");
  }
  bool Eof() const { return Position >= Rows.size(); }
};

class TFieldObject : public TAutomationObject {
 public:
  TFieldObject(std::shared_ptr<TSnapshot> rows, size_t index) : FRows(std::move(rows)), FIndex(index) {}
  const char* ClassName() const override { return "TFieldObject"; }
  Variant Get(const String& name, const TOleArgs&) override {
    const TOdbcColumn& c = FRows->Columns[FIndex];
    if (SameText(name, u"Name")) return c.Name;
    if (SameText(name, u"Type")) return FRows->Flavour == TFlavour::Ado ? AdoType(c) : DaoType(c);
    if (SameText(name, u"DefinedSize") || SameText(name, u"Size")) return static_cast<Integer>(c.Size);
    if (SameText(name, u"Precision")) return static_cast<Integer>(c.Size);
    if (SameText(name, u"NumericScale")) return static_cast<Integer>(c.Decimals);
    if (SameText(name, u"Value")) {
      FRows->RequireOpen();
      if (FRows->Eof()) throw EOleException(u"Either BOF or EOF is True, or the current record has been deleted.");
      return FRows->Rows[FRows->Position][FIndex];
    }
    NoMember("Field", name);
  }
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Field", name); }
  Variant Call(const String& name, const TOleArgs& args) override { return Get(name, args); }

 private:
  std::shared_ptr<TSnapshot> FRows;
  size_t FIndex;
};

class TFieldsObject : public TAutomationObject {
 public:
  explicit TFieldsObject(std::shared_ptr<TSnapshot> rows) : FRows(std::move(rows)) {}
  const char* ClassName() const override { return "TFieldsObject"; }
  Variant Get(const String& name, const TOleArgs& args) override {
    if (SameText(name, u"Count")) return static_cast<Integer>(FRows->Columns.size());
    if (SameText(name, u"Item")) {
      const Variant& key = Arg(args, 0);
      if (VarIsStr(key)) {
        for (size_t i = 0; i < FRows->Columns.size(); ++i)
          if (SameText(FRows->Columns[i].Name, key.AsString()))
            return Wrap(new TFieldObject(FRows, i));
        throw EOleException(u"Item cannot be found in the collection corresponding to the requested name or ordinal.");
      }
      const Integer index = key.AsInteger();
      if (index < 0 || static_cast<size_t>(index) >= FRows->Columns.size())
        throw EOleException(u"Item cannot be found in the collection corresponding to the requested name or ordinal.");
      return Wrap(new TFieldObject(FRows, static_cast<size_t>(index)));
    }
    NoMember("Fields", name);
  }
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Fields", name); }
  Variant Call(const String& name, const TOleArgs& args) override { return Get(name, args); }

 private:
  std::shared_ptr<TSnapshot> FRows;
};

class TConnectionObject;

class TRecordsetObject : public TAutomationObject {
 public:
  explicit TRecordsetObject(TFlavour flavour) : FRows(std::make_shared<TSnapshot>()) { FRows->Flavour = flavour; }
  const char* ClassName() const override { return "TRecordsetObject"; }

  // Reads every row of a query into the snapshot.
  void Load(TOdbcConnection& db, const String& sql) {
    std::unique_ptr<TOdbcQuery> query = db.Query(sql);
    std::vector<TOdbcColumn> columns;
    for (Integer i = 0; i < query->FieldCount(); ++i) columns.push_back(query->Field(i));
    std::vector<std::vector<Variant>> rows;
    while (query->Next()) {
      std::vector<Variant> row;
      row.reserve(columns.size());
      for (Integer i = 0; i < query->FieldCount(); ++i) row.push_back(query->Value(i));
      rows.push_back(std::move(row));
    }
    FRows->Columns = std::move(columns);
    FRows->Rows = std::move(rows);
    FRows->Position = 0;
    FRows->Open = true;
  }
  // A snapshot of given rows (the schema rows).
  void Load(std::vector<TOdbcColumn> columns, std::vector<std::vector<Variant>> rows) {
    FRows->Columns = std::move(columns);
    FRows->Rows = std::move(rows);
    FRows->Position = 0;
    FRows->Open = true;
  }

  Variant Get(const String& name, const TOleArgs& args) override;
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Recordset", name); }
  Variant Call(const String& name, const TOleArgs& args) override;

 private:
  std::shared_ptr<TSnapshot> FRows;
};

// Wraps an ODBC failure into the automation error with the driver's text.
template <class F>
auto Guarded(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const EOleError&) {
    throw;
  } catch (const Exception& e) {
    throw EOleException(e.Message());
  }
}

class TConnectionObject : public TAutomationObject {
 public:
  const char* ClassName() const override { return "TConnectionObject"; }
  TOdbcConnection& Db() {
    if (!FDb.Connected()) throw EOleException(u"Operation is not allowed when the object is closed.");
    return FDb;
  }
  Variant Get(const String& name, const TOleArgs& args) override {
    if (SameText(name, u"State")) return FDb.Connected() ? 1 : 0;
    return Call(name, args);
  }
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Connection", name); }
  Variant Call(const String& name, const TOleArgs& args) override {
    if (SameText(name, u"Open")) {
      Guarded([&] { FDb.Open(VarToStr(Arg(args, 0)), VarToStr(Arg(args, 1)), VarToStr(Arg(args, 2))); });
      return Variant();
    }
    if (SameText(name, u"Close")) {
      FDb.Close();
      return Variant();
    }
    if (SameText(name, u"OpenSchema")) {
      if (Arg(args, 0).AsInteger() != kSchemaTables) throw EOleException(u"Object or provider is not capable of performing requested operation.");
      return Guarded([&] {
        std::vector<TOdbcColumn> columns(2);
        columns[0].Name = u"TABLE_NAME";
        columns[0].SqlType = SQL_WVARCHAR;
        columns[1].Name = u"TABLE_TYPE";
        columns[1].SqlType = SQL_WVARCHAR;
        std::vector<std::vector<Variant>> rows;
        for (const TOdbcTable& table : Db().Tables()) rows.push_back({Variant(table.Name), Variant(table.Type)});
        auto* recordset = new TRecordsetObject(TFlavour::Ado);
        Variant result = Wrap(recordset);
        recordset->Load(std::move(columns), std::move(rows));
        return result;
      });
    }
    NoMember("Connection", name);
  }

 private:
  TOdbcConnection FDb;
};

Variant TRecordsetObject::Get(const String& name, const TOleArgs& args) {
  if (SameText(name, u"EOF")) {
    FRows->RequireOpen();
    return FRows->Eof();
  }
  if (SameText(name, u"BOF")) {
    FRows->RequireOpen();
    return FRows->Rows.empty();
  }
  if (SameText(name, u"RecordCount")) {
    FRows->RequireOpen();
    return static_cast<Integer>(FRows->Rows.size());
  }
  if (SameText(name, u"State")) return FRows->Open ? 1 : 0;
  if (SameText(name, u"Fields")) {
    FRows->RequireOpen();
    return Wrap(new TFieldsObject(FRows));
  }
  return Call(name, args);
}

Variant TRecordsetObject::Call(const String& name, const TOleArgs& args) {
  if (SameText(name, u"Open")) {
    auto* connection = dynamic_cast<TConnectionObject*>(Arg(args, 1).AsSharedObject());
    if (connection == nullptr) throw EOleException(u"The connection cannot be used to perform this operation.");
    const String source = VarToStr(Arg(args, 0));
    Guarded([&] {
      TOdbcConnection& db = connection->Db();
      Load(db, Arg(args, 4).AsInteger() == kCmdText ? source : u"SELECT * FROM " + db.QuoteName(source));
    });
    return Variant();
  }
  if (SameText(name, u"Close")) {
    FRows->RequireOpen();
    FRows->Open = false;
    FRows->Rows.clear();
    return Variant();
  }
  if (SameText(name, u"MoveFirst")) {
    FRows->RequireOpen();
    FRows->Position = 0;
    return Variant();
  }
  if (SameText(name, u"MoveNext")) {
    FRows->RequireOpen();
    if (FRows->Eof()) throw EOleException(u"Either BOF or EOF is True, or the current record has been deleted.");
    ++FRows->Position;
    return Variant();
  }
  if (SameText(name, u"Fields") || SameText(name, u"EOF") || SameText(name, u"RecordCount")) return Get(name, args);
  NoMember("Recordset", name);
}

// ---- DAO ----

// A named collection of DAO definitions (TableDefs, QueryDefs).
class TDefsObject : public TAutomationObject {
 public:
  struct TDef {
    String Name;
    Integer Attributes = 0;
  };
  TDefsObject(std::vector<TDef> defs, bool queries) : FDefs(std::move(defs)), FQueries(queries) {}
  const char* ClassName() const override { return "TDefsObject"; }
  Variant Get(const String& name, const TOleArgs& args) override;
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Defs", name); }
  Variant Call(const String& name, const TOleArgs& args) override { return Get(name, args); }
  std::shared_ptr<TOdbcConnection> Db;

 private:
  std::vector<TDef> FDefs;
  bool FQueries;
};

class TDefObject : public TAutomationObject {
 public:
  TDefObject(std::shared_ptr<TOdbcConnection> db, TDefsObject::TDef def, bool query)
      : FDb(std::move(db)), FDef(std::move(def)), FQuery(query) {}
  const char* ClassName() const override { return "TDefObject"; }
  Variant Get(const String& name, const TOleArgs& args) override {
    if (SameText(name, u"Name")) return FDef.Name;
    if (SameText(name, u"Attributes")) return FDef.Attributes;
    if (SameText(name, u"ReturnsRecords")) return FQuery;
    return Call(name, args);
  }
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Def", name); }
  Variant Call(const String& name, const TOleArgs&) override {
    if (SameText(name, u"OpenRecordset")) {
      auto* recordset = new TRecordsetObject(TFlavour::Dao);
      Variant result = Wrap(recordset);
      Guarded([&] { recordset->Load(*FDb, u"SELECT * FROM " + FDb->QuoteName(FDef.Name)); });
      return result;
    }
    NoMember("Def", name);
  }

 private:
  std::shared_ptr<TOdbcConnection> FDb;
  TDefsObject::TDef FDef;
  bool FQuery;
};

Variant TDefsObject::Get(const String& name, const TOleArgs& args) {
  if (SameText(name, u"Count")) return static_cast<Integer>(FDefs.size());
  if (SameText(name, u"Item")) {
    const Variant& key = Arg(args, 0);
    for (size_t i = 0; i < FDefs.size(); ++i)
      if (VarIsStr(key) ? SameText(FDefs[i].Name, key.AsString()) : static_cast<Integer>(i) == key.AsInteger())
        return Wrap(new TDefObject(Db, FDefs[i], FQueries));
    throw EOleException(u"Item not found in this collection.");
  }
  NoMember("Defs", name);
}

class TDatabaseObject : public TAutomationObject {
 public:
  explicit TDatabaseObject(std::shared_ptr<TOdbcConnection> db) : FDb(std::move(db)) {}
  const char* ClassName() const override { return "TDatabaseObject"; }
  Variant Get(const String& name, const TOleArgs& args) override {
    if (SameText(name, u"TableDefs") || SameText(name, u"QueryDefs")) {
      const bool queries = SameText(name, u"QueryDefs");
      std::vector<TDefsObject::TDef> defs;
      Guarded([&] {
        for (const TOdbcTable& table : Db().Tables()) {
          const bool view = table.Type == u"VIEW";
          if (view != queries) continue;
          const bool system = table.Type == u"SYSTEM TABLE" || UpperCase(table.Name).rfind(u"MSYS", 0) == 0;
          defs.push_back({table.Name, system ? kDaoSystemObject : 0});
        }
      });
      auto* collection = new TDefsObject(std::move(defs), queries);
      collection->Db = FDb;
      return Wrap(collection);
    }
    return Call(name, args);
  }
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("Database", name); }
  Variant Call(const String& name, const TOleArgs& args) override {
    if (SameText(name, u"OpenRecordset")) {
      auto* recordset = new TRecordsetObject(TFlavour::Dao);
      Variant result = Wrap(recordset);
      Guarded([&] { recordset->Load(Db(), u"SELECT * FROM " + FDb->QuoteName(VarToStr(Arg(args, 0)))); });
      return result;
    }
    if (SameText(name, u"Close")) {
      FDb->Close();
      return Variant();
    }
    NoMember("Database", name);
  }

 private:
  TOdbcConnection& Db() {
    if (!FDb->Connected()) throw EOleException(u"Object invalid or no longer set.");
    return *FDb;
  }
  std::shared_ptr<TOdbcConnection> FDb;
};

class TEngineObject : public TAutomationObject {
 public:
  const char* ClassName() const override { return "TEngineObject"; }
  Variant Get(const String& name, const TOleArgs& args) override { return Call(name, args); }
  void Put(const String& name, const Variant&, const TOleArgs&) override { NoMember("DBEngine", name); }
  Variant Call(const String& name, const TOleArgs& args) override {
    if (!SameText(name, u"OpenDatabase")) NoMember("DBEngine", name);
    const String file = VarToStr(Arg(args, 0));
    String connect = u"Driver=" + AccessOdbcDriver() + u";DBQ=" + file;
    const String extra = VarToStr(Arg(args, 3));
    if (!extra.empty()) connect += extra[0] == u';' ? extra : u";" + extra;
    auto db = std::make_shared<TOdbcConnection>();
    Guarded([&] { db->Open(connect); });
    return Wrap(new TDatabaseObject(std::move(db)));
  }
};

template <class T>
class TServer : public IAutomationServer {
 public:
  Variant CreateObject() override { return Wrap(new T()); }
};

class TRecordsetServer : public IAutomationServer {
 public:
  Variant CreateObject() override { return Wrap(new TRecordsetObject(TFlavour::Ado)); }
};

}  // namespace

String AccessOdbcDriver() {
  try {
    for (const TOdbcSource& driver : OdbcDrivers())
      if (SameText(driver.Name, u"MDBTools")) return driver.Name;
  } catch (const Exception&) {
  }
  return String();
}

void RegisterDatabaseAutomationServers() {
  RegisterAutomationServer(kAdoConnection, std::make_shared<TServer<TConnectionObject>>());
  RegisterAutomationServer(kAdoRecordset, std::make_shared<TRecordsetServer>());
  if (!AccessOdbcDriver().empty()) RegisterAutomationServer(kDaoEngine, std::make_shared<TServer<TEngineObject>>());
}

void UnregisterDatabaseAutomationServers() {
  RegisterAutomationServer(kAdoConnection, nullptr);
  RegisterAutomationServer(kAdoRecordset, nullptr);
  RegisterAutomationServer(kDaoEngine, nullptr);
}
