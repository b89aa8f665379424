#include "import/forms/SpecificationForms.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "import/ImportMessages.h"
#include "import/VODUtils.h"
#include "import/forms/IconListDelegate.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtStrings.h"

namespace {

constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QPushButton* Button(const String& caption, const QRect& geometry, QWidget* parent) {
  auto* button = new QPushButton(ToQString(caption), parent);
  button->setGeometry(geometry);
  return button;
}

}  // namespace

TfrmSpecs::TfrmSpecs(TSpecificationList& list, std::function<void()> loadClick, QWidget* parent)
    : QDialog(parent, kFixedDialog), FList(list), FLoadClick(std::move(loadClick)) {
  setWindowTitle(ToQString(strSpecs));
  setFixedSize(392, 250);
  lblPrompt = new QLabel(ToQString(strSpecPrompt), this);
  lblPrompt->setGeometry(8, 8, 280, 16);
  lbSpecs = new QListWidget(this);
  lbSpecs->setGeometry(8, 26, 280, 216);
  lbSpecs->setItemDelegate(new TIconListDelegate(20, 2, 17, lbSpecs));
  lbSpecs->setUniformItemSizes(true);
  lbSpecs->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  btnLoad = Button(strLoad, {296, 26, 88, 25}, this);
  btnSave = Button(strSave, {296, 57, 88, 25}, this);
  btnDelete = Button(strDelete, {296, 88, 88, 25}, this);
  btnClose = Button(strClose, {296, 217, 88, 25}, this);
  btnLoad->setDefault(true);

  btnSave->setEnabled(FList.CanSave());
  btnLoad->setEnabled(FList.CanLoad());
  btnDelete->setEnabled(FList.CanDelete());
  FillList();

  connect(lbSpecs, &QListWidget::currentRowChanged, this, [this] { lbSpecsClick(); });
  connect(lbSpecs, &QListWidget::itemDoubleClicked, this, [this] {
    if (btnLoad->isEnabled()) btnLoad->click();
  });
  connect(btnLoad, &QPushButton::clicked, this, [this] { btnLoadClick(); });
  connect(btnSave, &QPushButton::clicked, this, [this] { Finish(sdrSave); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnClose, &QPushButton::clicked, this, [this] { Finish(sdrClose); });
}

void TfrmSpecs::FillList() {
  const QSignalBlocker blocker(lbSpecs);
  lbSpecs->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
  for (int i = 0; i < FList.Count(); ++i) lbSpecs->addItem(new QListWidgetItem(icon, ToQString(FList.Text(i))));
  lbSpecs->setCurrentRow(FList.ItemIndex());
}

void TfrmSpecs::lbSpecsClick() { FList.Select(lbSpecs->currentRow()); }

void TfrmSpecs::btnLoadClick() {
  // A file that fails to load is reported; the dialog closes either way.
  Guarded(FLoadClick);
  Finish(sdrLoad);
}

void TfrmSpecs::btnDeleteClick() {
  const String prompt = FList.DeletePrompt();
  if (prompt.empty() || !MessageConfirm(this, String(), prompt)) return;
  FList.DeleteSelected();
  FillList();
  btnLoad->setEnabled(FList.CanLoad());
  btnDelete->setEnabled(FList.CanDelete());
}

void TfrmSpecs::Finish(TSpecDialogResult result) {
  FResult = result;
  done(result == sdrClose ? QDialog::Rejected : QDialog::Accepted);
}

TfrmSaveSpec::TfrmSaveSpec(const TSaveSpecRequest& request, QWidget* parent)
    : QDialog(parent, kFixedDialog), FFilter(request.Filter) {
  setWindowTitle(ToQString(request.Caption));
  setFixedSize(420, 146);
  lblName = new QLabel(ToQString(request.Caption), this);
  lblName->setGeometry(8, 8, 404, 16);
  edName = new QLineEdit(ToQString(request.SpecName), this);
  edName->setGeometry(8, 25, 404, 23);
  lblFileName = new QLabel(ToQString(request.FileLabel), this);
  lblFileName->setGeometry(8, 55, 404, 16);
  edFileName = new QLineEdit(ToQString(request.FileName), this);
  edFileName->setGeometry(8, 72, 374, 23);
  btnFileName = Button(u"...", {386, 72, 26, 23}, this);
  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(8, 103, 404, 2);
  btnOk = Button(strBtnOk, {256, 113, 75, 25}, this);
  btnCancel = Button(strBtnCancel, {337, 113, 75, 25}, this);
  btnOk->setDefault(true);
  lblName->setBuddy(edName);
  lblFileName->setBuddy(edFileName);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnFileName, &QPushButton::clicked, this, [this] { btnFileNameClick(); });
}

void TfrmSaveSpec::Apply(TSaveSpecRequest& request) const {
  request.SpecName = FromQString(edName->text());
  request.FileName = FromQString(edFileName->text());
}

void TfrmSaveSpec::btnFileNameClick() {
  String file = FromQString(edFileName->text());
  if (VODOpenSaveFileDialog(nullptr, u"vod", FFilter, false, file, String(), String()))
    edFileName->setText(ToQString(file));
}

void InstallSpecificationForms() {
  SetSpecificationDialogHandler([](TSpecificationList& list, const std::function<void()>& loadClick) {
    TfrmSpecs dialog(list, loadClick, QApplication::activeWindow());
    dialog.exec();
    return dialog.Result();
  });
  SetSaveSpecDialogHandler([](TSaveSpecRequest& request) {
    TfrmSaveSpec dialog(request, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.Apply(request);
    return true;
  });
}
