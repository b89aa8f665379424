// The dialogs of import specifications: the list of specifications
// (TfrmSpecs, behind the wizard's "Specifications..." button) and the save
// dialog that asks for a specification's name and file (TfrmSaveSpec).
#pragma once

#include <QDialog>
#include <functional>

#include "import/SpecificationFiles.h"
#include "import/SpecificationList.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TfrmSpecs : public QDialog {
  Q_OBJECT

 public:
  // Shows the entries of list; loadClick is the Load button's handler.
  TfrmSpecs(TSpecificationList& list, std::function<void()> loadClick, QWidget* parent = nullptr);
  // How the dialog closed (after exec).
  TSpecDialogResult Result() const { return FResult; }

  QLabel* lblPrompt;
  QListWidget* lbSpecs;
  QPushButton* btnLoad;
  QPushButton* btnSave;
  QPushButton* btnDelete;
  QPushButton* btnClose;

 private:
  void FillList();
  void lbSpecsClick();
  void btnLoadClick();
  void btnDeleteClick();
  void Finish(TSpecDialogResult result);

  TSpecificationList& FList;
  std::function<void()> FLoadClick;
  TSpecDialogResult FResult = sdrClose;
};

class TfrmSaveSpec : public QDialog {
  Q_OBJECT

 public:
  // Filled from the request; Apply writes the boxes back into it.
  explicit TfrmSaveSpec(const TSaveSpecRequest& request, QWidget* parent = nullptr);
  void Apply(TSaveSpecRequest& request) const;

  QLabel* lblName;
  QLineEdit* edName;
  QLabel* lblFileName;
  QLineEdit* edFileName;
  QPushButton* btnFileName;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 private:
  void btnFileNameClick();

  String FFilter;
};

// Installs both dialogs into the import's hooks.
void InstallSpecificationForms();
