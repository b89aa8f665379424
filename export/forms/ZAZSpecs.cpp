#include "export/forms/ZAZSpecs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "export/ExportMessages.h"
#include "export/FileDialog.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

TfrmZAZSpecs::TfrmZAZSpecs(std::vector<TSMESpecificationFile> files, QWidget* parent)
    : QDialog(parent), FFiles(std::move(files)) {
  setObjectName(QStringLiteral("frmZAZSpecs"));
  setWindowTitle(QStringLiteral("Specifications..."));
  resize(315, 174);
  auto* layout = new QGridLayout(this);
  auto* prompt = new QLabel(ToQString(strESpecPrompt), this);
  lbSpecs = new QListWidget(this);
  lbSpecs->setObjectName(QStringLiteral("lbSpecs"));
  btnLoad = new QPushButton(ToQString(strELoad), this);
  btnSave = new QPushButton(ToQString(strESave), this);
  btnDelete = new QPushButton(ToQString(strEDelete), this);
  btnClose = new QPushButton(ToQString(strEClose), this);
  prompt->setBuddy(lbSpecs);
  layout->addWidget(prompt, 0, 0);
  layout->addWidget(lbSpecs, 1, 0, 5, 1);
  layout->addWidget(btnLoad, 1, 1);
  layout->addWidget(btnSave, 2, 1);
  layout->addWidget(btnDelete, 3, 1);
  layout->addWidget(btnClose, 5, 1);
  layout->setRowStretch(4, 1);
  layout->setColumnStretch(0, 1);
  for (QPushButton* button : {btnLoad, btnSave, btnDelete, btnClose}) button->setAutoDefault(false);

  int widest = 0;
  for (const TSMESpecificationFile& file : FFiles) {
    lbSpecs->addItem(ToQString(file.Caption));
    widest = std::max(widest, QFontMetrics(lbSpecs->font()).horizontalAdvance(ToQString(file.Caption) + u'x'));
  }
  if (widest > 200) resize(std::min(widest + 140, 700), height());
  if (!FFiles.empty()) lbSpecs->setCurrentRow(0);
  UpdateButtons();

  connect(lbSpecs, &QListWidget::itemDoubleClicked, this, [this] { btnLoad->click(); });
  connect(btnLoad, &QPushButton::clicked, this, [this] { Load(); });
  connect(btnSave, &QPushButton::clicked, this, [this] { done(SaveResult); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { Guarded([&] { Delete(); }); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

const TSMESpecificationFile* TfrmZAZSpecs::SelectedEntry() const {
  const int row = lbSpecs->currentRow();
  return row >= 0 && row < static_cast<int>(FFiles.size()) ? &FFiles[static_cast<size_t>(row)] : nullptr;
}

void TfrmZAZSpecs::UpdateButtons() {
  btnLoad->setEnabled(!FFiles.empty());
  btnDelete->setEnabled(!FFiles.empty());
}

void TfrmZAZSpecs::Load() {
  const TSMESpecificationFile* entry = SelectedEntry();
  // The dialog closes also when the file cannot be loaded; the error box
  // says why.
  if (entry != nullptr && OnLoadSpec) Guarded([&] { OnLoadSpec(entry->FileName); });
  done(LoadResult);
}

void TfrmZAZSpecs::Delete() {
  const TSMESpecificationFile* entry = SelectedEntry();
  if (entry == nullptr) return;
  if (!MessageConfirm(this, FromQString(windowTitle()), Format(strEDeleteSpecPrompt, {entry->FileName})))
    return;
  if (FileExists(entry->FileName) && !DeleteFile(entry->FileName))
    throw Exception(Format(u"Cannot delete %s.", {entry->FileName}));
  const int row = lbSpecs->currentRow();
  FFiles.erase(FFiles.begin() + row);
  delete lbSpecs->takeItem(row);
  lbSpecs->setCurrentRow(FFiles.empty() ? -1 : 0);
  UpdateButtons();
}

bool ShowZAZSaveSpecDialog(TZAZSaveSpecRequest& request) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("frmZAZSaveSpec"));
  dialog.setWindowTitle(ToQString(request.Caption));
  dialog.resize(420, 130);
  auto* layout = new QGridLayout(&dialog);
  auto* name = new QLineEdit(ToQString(request.SpecName), &dialog);
  name->setObjectName(QStringLiteral("edSpecName"));
  auto* file = new QLineEdit(ToQString(request.FileName), &dialog);
  file->setObjectName(QStringLiteral("edSpecFile"));
  auto* browse = new QPushButton(QStringLiteral("..."), &dialog);
  browse->setAutoDefault(false);
  browse->setFixedWidth(28);
  layout->addWidget(new QLabel(ToQString(request.Caption) + QLatin1Char(':'), &dialog), 0, 0);
  layout->addWidget(name, 0, 1, 1, 2);
  layout->addWidget(new QLabel(ToQString(request.FileLabel), &dialog), 1, 0);
  layout->addWidget(file, 1, 1);
  layout->addWidget(browse, 1, 2);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons, 3, 0, 1, 3);
  layout->setRowStretch(2, 1);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
    String chosen = FromQString(file->text());
    if (ZAZOpenSaveFileDialog(&dialog, u"zaz", request.Filter, String(), request.Caption, chosen, false))
      file->setText(ToQString(chosen));
  });
  if (dialog.exec() != QDialog::Accepted) return false;
  request.SpecName = FromQString(name->text());
  request.FileName = FromQString(file->text());
  return true;
}
