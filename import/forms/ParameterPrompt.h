// The dialog that asks for the import's parameters before a run, built in
// code: one label and one editor per prompted parameter, then OK and
// Cancel.
#pragma once

#include <QDialog>
#include <vector>

class QWidget;
class TSMIParameter;

class TfrmParameterPrompt : public QDialog {
  Q_OBJECT

 public:
  // Builds the editors from the parameters' computed values.
  explicit TfrmParameterPrompt(const std::vector<TSMIParameter*>& parameters, QWidget* parent = nullptr);
  // The editor of the parameter at that position of the list.
  QWidget* Editor(int index) const { return FEditors.at(static_cast<size_t>(index)); }
  // Writes every editor's answer back into its parameter's Value as text.
  void ApplyAnswers() const;

 private:
  std::vector<TSMIParameter*> FParameters;
  std::vector<QWidget*> FEditors;
};

// Shows the dialog modally; on OK takes the answers back and returns true.
bool PromptImportParameters(const std::vector<TSMIParameter*>& parameters);
