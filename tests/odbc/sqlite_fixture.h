// A SQLite database in a folder of the test's own, reached through SQLite's
// ODBC driver with a connection string that names no data source, and read
// back with the sqlite3 command.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"
#include "tests/support/temp_folder.h"

class SqliteFixture : public testing::Test {
 protected:
  void SetUp() override {
    if (!HasProgram("sqlite3")) GTEST_SKIP() << "sqlite3 is not installed (package sqlite3)";
    if (RunTool("odbcinst -q -d 2>/dev/null").Output.find("[SQLite3]") == std::string::npos)
      GTEST_SKIP() << "SQLite's ODBC driver is not registered (package libsqliteodbc)";
  }

  String ConnectionString() const { return u"Driver=SQLite3;Database=" + Folder.File("test.db"); }

  // Runs SQL with the sqlite3 command; its output, rows one a line, values
  // separated by "|", nulls as "NULL".
  std::string Sqlite(const std::string& sql) const {
    return RunTool("sqlite3 -nullvalue NULL '" + Folder.PathOf("test.db") + "' \"" + sql + "\" 2>&1").Output;
  }

  TempFolder Folder;
};
