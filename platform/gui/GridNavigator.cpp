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
  TcxResourceString Hint;
  void (TcxGridDBTableView::*Action)();
};

const ButtonSpec Specs[nbButtonCount] = {
    {u"|\u25C0", cxSNavigatorFirst, &TcxGridDBTableView::GoFirst},
    {u"\u25C0", cxSNavigatorPrior, &TcxGridDBTableView::GoPrior},
    {u"\u25B6", cxSNavigatorNext, &TcxGridDBTableView::GoNext},
    {u"\u25B6|", cxSNavigatorLast, &TcxGridDBTableView::GoLast},
    {u"+", cxSNavigatorInsert, &TcxGridDBTableView::InsertRecord},
    {u"\u2212", cxSNavigatorDelete, &TcxGridDBTableView::DeleteRecords},
    {u"\u270E", cxSNavigatorEdit, &TcxGridDBTableView::EditRecord},
    {u"\u2713", cxSNavigatorPost, &TcxGridDBTableView::PostRecord},
    {u"\u2717", cxSNavigatorCancel, &TcxGridDBTableView::CancelRecord},
    {u"\u21BB", cxSNavigatorRefresh, &TcxGridDBTableView::RefreshRecords},
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
    FButtons[static_cast<size_t>(i)]->setToolTip(ToQString(ResourceString(Specs[i].Hint)));
  }
}
