// The data-access automation servers over ODBC: "ADODB.Connection" and
// "ADODB.Recordset" reach any database a connection string names, and
// "DAO.DBEngine.120" opens Access files through mdbtools' ODBC driver where
// that driver is installed. They answer the members an importer calls:
//
//   connection: Open(connection string), Close, OpenSchema(20) (the tables:
//     TABLE_NAME, TABLE_TYPE)
//   recordset:  Open(source, connection, cursor, lock, options: 1 a
//     statement, else a table name), Close, EOF, BOF, MoveFirst, MoveNext,
//     RecordCount, Fields
//   engine:     OpenDatabase(file [, exclusive, read-only, ";PWD=..."])
//   database:   TableDefs, QueryDefs, OpenRecordset(table [, type, options,
//     lock]), Close
//   fields:     Count, Item(index from 0 or name); a field: Name, Value,
//     Type (the ADO or the DAO type code), DefinedSize, Size, Precision
//
// A record set is a static snapshot: its rows are read when it opens. Every
// failure raises EOleException with the driver's own message.
#pragma once

#include "platform/rtl/Types.h"

// Registers the servers (DAO only where mdbtools' driver is installed).
void RegisterDatabaseAutomationServers();
void UnregisterDatabaseAutomationServers();

// The name mdbtools' ODBC driver is registered under, empty when it is not.
String AccessOdbcDriver();
