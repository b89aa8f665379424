// The expression builder dialog: the expression memo over a panel with the
// template and help of the picked item, operator buttons, the category,
// sub-category and item lists, and "&OK", "&Cancel" and "&Validate".
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "import/ExpressionBuilder.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TSMIWizardDlg;

class TfrmVODExpBuilder : public QDialog {
  Q_OBJECT

 public:
  TfrmVODExpBuilder(const TExpressionCatalogue& catalogue, const String& expression, QWidget* parent = nullptr);
  // The memo's text as an expression (after OK).
  String Expression() const;

  QPlainTextEdit* memExpression;
  QWidget* pnlBottom;
  QLabel* lblTemplate;
  QLabel* lblHelp;
  std::vector<QPushButton*> OperatorButtons;
  QListWidget* lbCategories;
  QListWidget* lbSubCategories;
  QListWidget* lbItems;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QPushButton* btnValidate;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CategoryClick();
  void SubCategoryClick();
  void ItemClick();
  void ItemDblClick();
  void Insert(const String& text);
  void btnValidateClick();
  const TEBItem* CurrentItem() const;

  const TExpressionCatalogue& FCatalogue;
  std::vector<const TEBItem*> FShownItems;
};

// Opens the builder for the wizard's datasets, these source fields, the
// wizard's display-name switch and parameters. True and the new text in
// expression when the user pressed "&OK"; false and expression untouched
// otherwise.
bool ExecuteExpressionBuilder(QWidget* parent, TSMIWizardDlg& wizard, const TWideStrings& sourceFields,
                              String& expression);
