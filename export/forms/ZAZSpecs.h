// The export's specification dialogs: the list of the specifications of a
// folder (load, save, delete) that the wizard's "Specifications..." button
// opens, and the dialog that asks a specification's name and file when one
// is saved.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "export/ExportSpecification.h"

class QListWidget;
class QPushButton;

class TfrmZAZSpecs : public QDialog {
  Q_OBJECT

 public:
  // The dialog's results: Save closes it with SaveResult, Load after its
  // load with LoadResult, Close and Esc with QDialog::Rejected.
  static constexpr int SaveResult = 6;
  static constexpr int LoadResult = 7;

  TfrmZAZSpecs(std::vector<TSMESpecificationFile> files, QWidget* parent = nullptr);

  // Loads the file of the selected entry (the wizard's load).
  std::function<void(const String& fileName)> OnLoadSpec;
  // The selected entry; none when the list is empty.
  const TSMESpecificationFile* SelectedEntry() const;

  QListWidget* lbSpecs;
  QPushButton* btnLoad;
  QPushButton* btnSave;
  QPushButton* btnDelete;
  QPushButton* btnClose;

 private:
  void Load();
  void Delete();
  void UpdateButtons();

  std::vector<TSMESpecificationFile> FFiles;
};

// Asks the name and the file of a specification to save; true when
// confirmed. What SetZAZSaveSpecDialog is given.
bool ShowZAZSaveSpecDialog(TZAZSaveSpecRequest& request);
