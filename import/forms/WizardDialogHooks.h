// The two dialogs the import wizard's form opens but does not build itself:
// the specification list and the expression builder. Whoever provides them
// sets these hooks; while a hook is unset the form leaves its button alone
// (the expression buttons are hidden).
#pragma once

#include <QWidget>
#include <functional>

#include "import/ImportWizard.h"
#include "import/WideStrings.h"

struct TImportWizardDialogs {
  std::function<void(TSMIWizardDlg& wizard)> ShowSpecifications;
  std::function<bool(QWidget* parent, TSMIWizardDlg& wizard, const TWideStrings& sourceFields, String& expression)>
      EditExpression;
};

TImportWizardDialogs& ImportWizardDialogs();
