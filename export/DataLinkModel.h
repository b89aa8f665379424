// What the data-link dialog edits, without a display: the ODBC drivers and
// data sources the driver manager knows, and a connection string as its
// "key=value" parts. Choosing a driver or a data source, the user name and
// the password each change their part; the string is built back from the
// parts, values that need it written in braces.
#pragma once

#include <utility>
#include <vector>

#include "platform/odbc/Odbc.h"

class TDataLinkModel {
 public:
  explicit TDataLinkModel(const String& initialString = String());

  // Reads the driver and data-source lists again; a driver manager that
  // cannot be asked leaves them empty.
  void Refresh();
  const std::vector<TOdbcSource>& Drivers() const { return FDrivers; }
  const std::vector<TOdbcSource>& DataSources() const { return FDataSources; }

  String ConnectionString() const;
  void SetConnectionString(const String& text);
  // A part's value (keys without regard to case); empty when absent.
  String Value(StringView key) const;
  // Sets a part, added at the end when new; an empty value removes it.
  void SetValue(StringView key, const String& value);

  // A driver and a data source exclude each other.
  void ChooseDriver(const String& name);
  void ChooseDataSource(const String& name);
  String Driver() const { return Value(u"DRIVER"); }
  String DataSource() const { return Value(u"DSN"); }
  String UserName() const { return Value(u"UID"); }
  void SetUserName(const String& value) { SetValue(u"UID", value); }
  String Password() const { return Value(u"PWD"); }
  void SetPassword(const String& value) { SetValue(u"PWD", value); }

  // Connects and disconnects: empty on success, else the driver's message.
  String TestConnection() const;

 private:
  std::vector<std::pair<String, String>> FParts;
  std::vector<TOdbcSource> FDrivers, FDataSources;
};
