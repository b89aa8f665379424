// The data-link dialog's model: connection strings taken apart and built
// back, drivers and data sources that exclude each other, and a test
// connection through SQLite's ODBC driver.
#include <gtest/gtest.h>

#include "export/DataLinkModel.h"
#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"

TEST(DataLinkModel, ConnectionStringsRoundTripWithBracedValues) {
  struct TCase {
    const char16_t* Given;
    const char16_t* Built;
    const char16_t* Key;
    const char16_t* Value;
  };
  const TCase cases[] = {
      {u"DSN=people;UID=ana", u"DSN=people;UID=ana", u"uid", u"ana"},
      {u" Driver = {SQLite3} ; Database=/tmp/a b.db;", u"Driver=SQLite3;Database=/tmp/a b.db", u"DRIVER", u"SQLite3"},
      {u"PWD={se;cr}}et};DSN=x", u"PWD={se;cr}}et};DSN=x", u"pwd", u"se;cr}et"},
      {u"Trusted_Connection;DSN=x", u"Trusted_Connection;DSN=x", u"DSN", u"x"},
      {u"", u"", u"DSN", u""},
      {u"PWD={unclosed", u"PWD=unclosed", u"PWD", u"unclosed"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Given));
    TDataLinkModel model(c.Given);
    EXPECT_EQ(model.ConnectionString(), c.Built);
    EXPECT_EQ(model.Value(c.Key), c.Value);
  }
}

TEST(DataLinkModel, ADriverAndADataSourceExcludeEachOtherAndCredentialsAreKept) {
  TDataLinkModel model(u"DSN=old;Database=a.db");
  model.ChooseDriver(u"SQLite3");
  EXPECT_EQ(model.ConnectionString(), u"Database=a.db;DRIVER=SQLite3");
  model.SetUserName(u"ana");
  model.SetPassword(u"p;w");
  EXPECT_EQ(model.ConnectionString(), u"Database=a.db;DRIVER=SQLite3;UID=ana;PWD={p;w}");
  model.ChooseDataSource(u"people");
  EXPECT_EQ(model.ConnectionString(), u"Database=a.db;UID=ana;PWD={p;w};DSN=people");
  model.SetPassword(String());
  EXPECT_EQ(model.Password(), u"");
  EXPECT_EQ(model.ConnectionString(), u"Database=a.db;UID=ana;DSN=people");
}

TEST(DataLinkModel, ListsTheDriversAndTestsAConnection) {
  TDataLinkModel model;
  model.Refresh();
  bool sqlite = false;
  for (const TOdbcSource& driver : model.Drivers()) sqlite = sqlite || driver.Name == u"SQLite3";
  if (!sqlite) GTEST_SKIP() << "SQLite's ODBC driver is not installed";
  const auto dir = FreshFolder("data_link");
  model.ChooseDriver(u"SQLite3");
  model.SetValue(u"Database", Utf8ToString((dir / "t.db").string()));
  EXPECT_EQ(model.TestConnection(), u"");
  model.ChooseDriver(u"NoSuchDriver");
  EXPECT_NE(model.TestConnection(), u"");
}
