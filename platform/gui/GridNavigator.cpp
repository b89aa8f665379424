#include "platform/gui/GridNavigator.h"

#include <QHBoxLayout>
#include <QToolButton>

#include "platform/db/DataSet.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridView.h"
#include "platform/gui/QtStrings.h"

namespace {

struct ButtonSpec {
  const char16_t* Glyph;
  TcxGridText Hint;
  void (TcxGridDBTableView::*Action)();
};

const ButtonSpec Specs[nbButtonCount] = {
    {u"|\u25C0", gtNavigatorFirst, &TcxGridDBTableView::GoFirst},
    {u"\u25C0", gtNavigatorPrior, &TcxGridDBTableView::GoPrior},
    {u"\u25B6", gtNavigatorNext, &TcxGridDBTableView::GoNext},
    {u"\u25B6|", gtNavigatorLast, &TcxGridDBTableView::GoLast},
    {u"+", gtNavigatorInsert, &TcxGridDBTableView::InsertRecord},
    {u"\u2212", gtNavigatorDelete, &TcxGridDBTableView::DeleteRecords},
    {u"\u270E", gtNavigatorEdit, &TcxGridDBTableView::EditRecord},
    {u"\u2713", gtNavigatorPost, &TcxGridDBTableView::PostRecord},
    {u"\u2717", gtNavigatorCancel, &TcxGridDBTableView::CancelRecord},
    {u"\u21BB", gtNavigatorRefresh, &TcxGridDBTableView::RefreshRecords},
};

}  // namespace

TcxGridNavigator::TcxGridNavigator(TcxGridDBTableView* view) : QWidget(view), FView(view) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);
  for (int i = 0; i < nbButtonCount; ++i) {
    auto* button = new QToolButton(this);
    button->setText(ToQString(Specs[i].Glyph));
    button->setAutoRaise(true);
    auto action = Specs[i].Action;
    connect(button, &QToolButton::clicked, this, [this, action] { Guarded([&] { (FView->*action)(); }); });
    layout->addWidget(button);
    FButtons[static_cast<size_t>(i)] = button;
  }
  layout->addStretch();
  UpdateButtons();
}

void TcxGridNavigator::UpdateButtons() {
  TDataSet* dataSet = FView->DataController()->DataSet();
  const bool active = dataSet != nullptr;
  const bool editing = active && (dataSet->State() == dsEdit || dataSet->State() == dsInsert);
  const bool canModify = active && dataSet->CanModify();
  const bool browsing = active && !editing;
  const bool hasRecord = active && !dataSet->IsEmpty();
  const bool enabled[nbButtonCount] = {
      browsing && !dataSet->Bof(), browsing && !dataSet->Bof(), browsing && !dataSet->Eof(),
      browsing && !dataSet->Eof(), canModify, canModify && (hasRecord || editing),
      canModify && browsing && hasRecord, editing, editing, browsing,
  };
  for (int i = 0; i < nbButtonCount; ++i) {
    FButtons[static_cast<size_t>(i)]->setEnabled(enabled[i]);
    FButtons[static_cast<size_t>(i)]->setToolTip(ToQString(GridText(Specs[i].Hint)));
  }
}
