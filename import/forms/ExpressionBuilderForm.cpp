#include "import/forms/ExpressionBuilderForm.h"

#include <algorithm>
#include <iterator>

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "import/forms/IconListDelegate.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtStrings.h"

namespace {

constexpr int kMargin = 8;
constexpr int kPanelHeight = 250;

// One picture per category index; categories added by user functions share
// the last one.
QIcon CategoryIcon(const QStyle* style, int category) {
  static constexpr QStyle::StandardPixmap pictures[] = {QStyle::SP_DriveHDIcon, QStyle::SP_FileDialogInfoView,
                                                        QStyle::SP_ArrowRight, QStyle::SP_FileDialogDetailedView,
                                                        QStyle::SP_DirIcon};
  return style->standardIcon(pictures[std::min<size_t>(static_cast<size_t>(category), std::size(pictures) - 1)]);
}

}  // namespace

TfrmVODExpBuilder::TfrmVODExpBuilder(const TExpressionCatalogue& catalogue, const String& expression, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), FCatalogue(catalogue) {
  setWindowTitle(ToQString(strExpressionBuilder));
  setMinimumSize(400, 370);
  resize(560, 420);
  memExpression = new QPlainTextEdit(this);
  memExpression->setPlainText(ToQString(FCatalogue.ToDisplay(expression)));
  pnlBottom = new QWidget(this);
  lblTemplate = new QLabel(pnlBottom);
  lblTemplate->setTextFormat(Qt::PlainText);
  QFont bold = lblTemplate->font();
  bold.setBold(true);
  lblTemplate->setFont(bold);
  lblHelp = new QLabel(pnlBottom);
  lblHelp->setTextFormat(Qt::PlainText);
  lblHelp->setWordWrap(true);
  lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  int x = kMargin;
  for (const char16_t* op : {u"+", u"-", u"*", u"/", u"=", u">", u"<", u"<>", u" AND ", u" OR ", u" NOT ", u"(", u")"}) {
    const String caption = op;
    auto* button = new QPushButton(ToQString(caption), pnlBottom);
    const int width = caption.size() > 2 ? 36 : 24;
    button->setGeometry(x, 60, width, 24);
    button->setAutoDefault(false);
    x += width + 2;
    connect(button, &QPushButton::clicked, this, [this, caption] { Insert(caption); });
    OperatorButtons.push_back(button);
  }
  lbCategories = new QListWidget(pnlBottom);
  lbCategories->setItemDelegate(new TIconListDelegate(21, 2, 18, lbCategories));
  for (size_t i = 0; i < FCatalogue.Categories().size(); ++i)
    lbCategories->addItem(new QListWidgetItem(CategoryIcon(style(), static_cast<int>(i)),
                                              ToQString(FCatalogue.Categories()[i])));
  lbSubCategories = new QListWidget(pnlBottom);
  lbItems = new QListWidget(pnlBottom);
  btnValidate = new QPushButton(ToQString(strBtnValidate), pnlBottom);
  btnOk = new QPushButton(ToQString(strBtnOk), pnlBottom);
  btnCancel = new QPushButton(ToQString(strBtnCancel), pnlBottom);
  for (QPushButton* button : {btnValidate, btnOk, btnCancel}) button->setAutoDefault(false);
  btnOk->setDefault(true);

  connect(lbCategories, &QListWidget::currentRowChanged, this, [this] { CategoryClick(); });
  connect(lbSubCategories, &QListWidget::currentRowChanged, this, [this] { SubCategoryClick(); });
  connect(lbItems, &QListWidget::currentRowChanged, this, [this] { ItemClick(); });
  connect(lbItems, &QListWidget::itemDoubleClicked, this, [this] { ItemDblClick(); });
  connect(btnValidate, &QPushButton::clicked, this, [this] { btnValidateClick(); });
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  lbCategories->setCurrentRow(0);
  memExpression->setFocus();
}

void TfrmVODExpBuilder::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int w = width();
  memExpression->setGeometry(kMargin, kMargin, w - 2 * kMargin, height() - 2 * kMargin - kPanelHeight);
  pnlBottom->setGeometry(0, height() - kPanelHeight - kMargin, w, kPanelHeight);
  lblTemplate->setGeometry(kMargin, 4, w - 2 * kMargin, 18);
  lblHelp->setGeometry(kMargin, 24, w - 2 * kMargin, 32);
  const int listTop = 90;
  const int listHeight = kPanelHeight - listTop - 36;
  lbCategories->setGeometry(kMargin, listTop, 130, listHeight);
  lbSubCategories->setGeometry(kMargin + 134, listTop, 120, listHeight);
  lbItems->setGeometry(kMargin + 258, listTop, w - kMargin - (kMargin + 258), listHeight);
  const int buttonTop = kPanelHeight - 30;
  btnValidate->setGeometry(kMargin, buttonTop, 75, 25);
  btnCancel->setGeometry(w - 10 - 75, buttonTop, 75, 25);
  btnOk->setGeometry(btnCancel->x() - 5 - 75, buttonTop, 75, 25);
}

void TfrmVODExpBuilder::CategoryClick() {
  const QSignalBlocker blocker(lbSubCategories);
  lbSubCategories->clear();
  for (const TEBSubCategory* sub : FCatalogue.SubCategories(lbCategories->currentRow()))
    lbSubCategories->addItem(ToQString(sub->Caption));
  lbSubCategories->setCurrentRow(lbSubCategories->count() > 0 ? 0 : -1);
  SubCategoryClick();
}

void TfrmVODExpBuilder::SubCategoryClick() {
  const QSignalBlocker blocker(lbItems);
  lbItems->clear();
  FShownItems.clear();
  if (lbSubCategories->currentRow() >= 0)
    FShownItems = FCatalogue.Items(lbCategories->currentRow(), lbSubCategories->currentRow());
  for (const TEBItem* item : FShownItems) lbItems->addItem(ToQString(item->Display));
  lbItems->setCurrentRow(lbItems->count() > 0 ? 0 : -1);
  ItemClick();
}

const TEBItem* TfrmVODExpBuilder::CurrentItem() const {
  const int row = lbItems->currentRow();
  return row >= 0 && row < static_cast<int>(FShownItems.size()) ? FShownItems[static_cast<size_t>(row)] : nullptr;
}

void TfrmVODExpBuilder::ItemClick() {
  const TEBItem* item = CurrentItem();
  lblTemplate->setText(item != nullptr ? ToQString(item->Template) : QString());
  lblHelp->setText(item != nullptr ? ToQString(item->Help) : QString());
}

void TfrmVODExpBuilder::ItemDblClick() {
  if (const TEBItem* item = CurrentItem())
    Insert(FCatalogue.InsertText(*item, lbCategories->currentRow(), lbSubCategories->currentRow()));
}

void TfrmVODExpBuilder::Insert(const String& text) {
  memExpression->textCursor().insertText(ToQString(text));
  memExpression->setFocus();
}

void TfrmVODExpBuilder::btnValidateClick() {
  // The parser gets the lines as the memo holds them, joined by CR LF.
  String text = FromQString(memExpression->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
  String message;
  if (CheckExpression(text, message))
    ShowInformationMessage(this, strExpressionIsValid);
  else
    ShowErrorMessage(this, message);
}

String TfrmVODExpBuilder::Expression() const { return FCatalogue.FromDisplay(FromQString(memExpression->toPlainText())); }

bool ExecuteExpressionBuilder(QWidget* parent, TSMIWizardDlg& wizard, const TWideStrings& sourceFields,
                              String& expression) {
  const TExpressionCatalogue catalogue(ExpressionDataSets(wizard), &sourceFields, wizard.UseDisplayNames(),
                                       &wizard.Parameters());
  TfrmVODExpBuilder dialog(catalogue, expression, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  expression = dialog.Expression();
  return true;
}
