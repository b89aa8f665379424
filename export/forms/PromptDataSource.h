// The data-link dialog: the ODBC drivers and data sources to connect to,
// the user name and password, and the connection string they make, which
// can also be edited by hand and tried with "Test Connection".
#pragma once

#include <QDialog>

#include "export/DataLinkModel.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TfrmDataLink : public QDialog {
 public:
  explicit TfrmDataLink(const String& initialString, QWidget* parent = nullptr);

  TDataLinkModel& Model() { return FModel; }

  QListWidget* lbDrivers;
  QListWidget* lbDataSources;
  QLineEdit* edUserName;
  QLineEdit* edPassword;
  QLineEdit* edConnectionString;
  QPushButton* btnTest;
  QLabel* lblTestResult;

 private:
  // Shows the model: the chosen driver or data source selected, the edits filled.
  void ShowModel();
  void TestConnection();

  TDataLinkModel FModel;
  bool FShowing = false;
};

// Shows the dialog starting from the data source the initial string
// describes; the chosen connection string (its password included) when the
// user confirms, else the initial string.
String PromptDataSource(QWidget* parent, const String& initialString);
