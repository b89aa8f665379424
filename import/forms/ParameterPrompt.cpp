#include "import/forms/ParameterPrompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/gui/QtStrings.h"
#include "import/ImportColumns.h"
#include "import/ImportMessages.h"
#include "import/ImportProgress.h"

namespace {

QString ValueText(const Variant& value) { return ToQString(VarToStr(value)); }

QStringList PromptItems(const TSMIParameter& parameter) {
  QStringList items;
  for (int i = 0; i < parameter.ParamPromptValues.Count(); ++i) items << ToQString(parameter.ParamPromptValues.Get(i));
  return items;
}

QWidget* MakeEditor(const TSMIParameter& parameter, QWidget* parent) {
  switch (parameter.ParameterEditor) {
    case ipeMemo: return new QPlainTextEdit(ValueText(parameter.Value), parent);
    case ipeCheckBox: {
      auto* box = new QCheckBox(parent);
      box->setChecked(ParameterChecked(parameter.Value));
      return box;
    }
    case ipeCombobox: {
      auto* box = new QComboBox(parent);
      box->addItems(PromptItems(parameter));
      box->setCurrentIndex(ParameterItemIndex(parameter));
      return box;
    }
    case ipeListBox: {
      auto* list = new QListWidget(parent);
      list->addItems(PromptItems(parameter));
      list->setCurrentRow(ParameterItemIndex(parameter));
      return list;
    }
    case ipeEdit: break;
  }
  return new QLineEdit(ValueText(parameter.Value), parent);
}

// The editor's answer as text; a list without a selection answers empty.
String Answer(const TSMIParameter& parameter, const QWidget* editor) {
  switch (parameter.ParameterEditor) {
    case ipeMemo: return FromQString(static_cast<const QPlainTextEdit*>(editor)->toPlainText());
    case ipeCheckBox: return static_cast<const QCheckBox*>(editor)->isChecked() ? u"True" : u"False";
    case ipeCombobox: return FromQString(static_cast<const QComboBox*>(editor)->currentText());
    case ipeListBox: {
      const QListWidgetItem* item = static_cast<const QListWidget*>(editor)->currentItem();
      return item == nullptr ? String() : FromQString(item->text());
    }
    case ipeEdit: break;
  }
  return FromQString(static_cast<const QLineEdit*>(editor)->text());
}

}  // namespace

TfrmParameterPrompt::TfrmParameterPrompt(const std::vector<TSMIParameter*>& parameters, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      FParameters(parameters) {
  setWindowTitle(ToQString(strAPCaption));
  int y = 8;
  for (size_t i = 0; i < FParameters.size(); ++i) {
    const TSMIParameter& parameter = *FParameters[i];
    auto* label = new QLabel(ToQString(parameter.Caption), this);
    label->setGeometry(5, y + 4, 125, 13);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QWidget* editor = MakeEditor(parameter, this);
    const int height = editor->sizeHint().height();
    editor->setGeometry(135, y, 100, height);
    editor->setToolTip(ToQString(parameter.Description));
    label->setProperty("tag", static_cast<int>(i));
    editor->setProperty("tag", static_cast<int>(i));
    FEditors.push_back(editor);
    y += height + 10;
  }
  auto* ok = new QPushButton(ToQString(strBtnOk), this);
  ok->setGeometry(65, y + 10, 75, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel = new QPushButton(ToQString(strBtnCancel), this);
  cancel->setGeometry(145, y + 10, 75, 25);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(250, y + 45);
}

void TfrmParameterPrompt::ApplyAnswers() const {
  for (size_t i = 0; i < FParameters.size(); ++i) FParameters[i]->Value = Variant(Answer(*FParameters[i], FEditors[i]));
}

bool PromptImportParameters(const std::vector<TSMIParameter*>& parameters) {
  TfrmParameterPrompt form(parameters, QApplication::activeWindow());
  if (form.exec() != QDialog::Accepted) return false;
  form.ApplyAnswers();
  return true;
}
