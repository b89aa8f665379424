// The grid side of the clipboard copier: a table view read as a copy source,
// and Ctrl+C / Ctrl+Insert on the view's rows handed to the copier before
// the grid sees them.
#pragma once

#include <QObject>

#include "controls/core/ksCopyGridToClipboard.h"

class TcxGridDBTableView;

class TksGridViewCopySource : public IksGridCopySource {
 public:
  explicit TksGridViewCopySource(TcxGridDBTableView* view) : FView(view) {}
  // Every column, captioned with its field's display label.
  std::vector<TksCopyColumn> Columns() override;
  std::vector<int> SelectedRows() override;
  int FocusedRow() override;
  void RowValues(int row, std::vector<Variant>& values) override;
  void BeginUpdate() override;
  void EndUpdate() override;

 private:
  TcxGridDBTableView* FView;
};

// Watches the view's key presses; a key the copier consumes goes no further.
class TksGridCopyKeys : public QObject {
  Q_OBJECT

 public:
  explicit TksGridCopyKeys(TcxGridDBTableView* view);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TcxGridDBTableView* FView;
};

// Makes the view copy its rows on Ctrl+C and Ctrl+Insert.
void InstallGridCopyKeys(TcxGridDBTableView* view);
