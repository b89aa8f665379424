// The navigator bar under the grid: first, prior, next, last, insert,
// delete, edit, post, cancel and refresh, enabled as the dataset allows.
#pragma once

#include <QWidget>
#include <array>

#include "platform/gui/ResourceStrings.h"

class QToolButton;
class TcxGridDBTableView;

enum TcxNavigatorButton {
  nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh, nbButtonCount
};

class TcxGridNavigator : public QWidget {
  Q_OBJECT

 public:
  explicit TcxGridNavigator(TcxGridDBTableView* view);
  QToolButton* Button(TcxNavigatorButton button) const { return FButtons.at(button); }
  // Enables the buttons for the dataset's state and position; takes the
  // texts from the grid's text table again.
  void UpdateButtons();

 private:
  TcxGridDBTableView* FView;
  std::array<QToolButton*, nbButtonCount> FButtons{};
};
