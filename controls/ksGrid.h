// The library's grid control and its registered views: table views that
// carry popup-menu properties and a popup menu of the host's, whose rows
// are copied on Ctrl+C and Ctrl+Insert before the grid sees the keys.
#pragma once

#include <QMenu>
#include <QPointer>
#include <functional>
#include <memory>

#include "controls/ksGridCopy.h"
#include "platform/gui/GridView.h"

// The handlers a host gives a view for the library's popup operations; each
// takes the menu item that was chosen.
class TksCustomGridPopUpProperties {
 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;
  explicit TksCustomGridPopUpProperties(TcxGridDBTableView* owner) : FOwner(owner) {}
  virtual ~TksCustomGridPopUpProperties() = default;
  TksCustomGridPopUpProperties(const TksCustomGridPopUpProperties&) = delete;
  TksCustomGridPopUpProperties& operator=(const TksCustomGridPopUpProperties&) = delete;
  TcxGridDBTableView* Owner() const { return FOwner; }

  TNotifyEvent OnGridPopMarkAll;
  TNotifyEvent OnGridPopSelectMarked;
  TNotifyEvent OnGridPopSelectAll;
  TNotifyEvent OnGridPopSelectInverse;
  TNotifyEvent OnGridPopDeclineInverse;
  TNotifyEvent OnGridPopDeclineAll;
  TNotifyEvent OnGridPopDeleteMarked;
  TNotifyEvent OnGridPopInverseMarked;
  TNotifyEvent OnGridPopShowSUMValues;
  TNotifyEvent OnGridPopPopUp;

 private:
  TcxGridDBTableView* FOwner;
};

class TksGridPopUpProperties : public TksCustomGridPopUpProperties {
 public:
  using TksCustomGridPopUpProperties::TksCustomGridPopUpProperties;
};

// A table view with popup properties, a properties event and the host's
// popup menu, shown on a right click over the rows.
class TkscxGridDBTableViewBase : public TcxGridDBTableView {
  Q_OBJECT

 public:
  explicit TkscxGridDBTableViewBase(QWidget* parent = nullptr);
  ~TkscxGridDBTableViewBase() override;

  TksGridPopUpProperties* PopUpProperties() const { return FPopUpProperties.get(); }
  std::function<void(QObject* sender)> FPropertiesEvents;
  // The menu is watched: once it is destroyed the view has none.
  QMenu* GetPopupMenu() const { return FCustomPopupMenu; }
  void SetPopupMenu(QMenu* menu) { FCustomPopupMenu = menu; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<TksGridPopUpProperties> FPopUpProperties;
  QPointer<QMenu> FCustomPopupMenu;
};

// This grid has no bands: the banded view is a table view of the library
// under its own class.
class TkscxGridDBBandedTableViewBase : public TkscxGridDBTableViewBase {
  Q_OBJECT

 public:
  using TkscxGridDBTableViewBase::TkscxGridDBTableViewBase;
};

class TkscxGridDBTableView : public TkscxGridDBTableViewBase {
  Q_OBJECT

 public:
  using TkscxGridDBTableViewBase::TkscxGridDBTableViewBase;
  std::function<void(QObject* sender)>& PopUpPropertiesEvents() { return FPropertiesEvents; }
  // Long captions end in an ellipsis; the header keeps one line.
  void Loaded() override;
};

class TkscxGridDBBandedTableView : public TkscxGridDBBandedTableViewBase {
  Q_OBJECT

 public:
  using TkscxGridDBBandedTableViewBase::TkscxGridDBBandedTableViewBase;
};

// The card and chart views are registered under their names; this grid
// shows their rows as a table.
class TkscxGridDBCardView : public TcxGridDBTableView {
  Q_OBJECT

 public:
  using TcxGridDBTableView::TcxGridDBTableView;
};

class TkscxGridDBChartView : public TcxGridDBTableView {
  Q_OBJECT

 public:
  using TcxGridDBTableView::TcxGridDBTableView;
};

class TkscxGridBase : public TcxGrid {
  Q_OBJECT

 public:
  using TcxGrid::TcxGrid;
  // Every view of the library's grids copies its rows on Ctrl+C and
  // Ctrl+Insert.
  template <class TView = TcxGridDBTableView>
  TView* CreateView() {
    TView* view = TcxGrid::CreateView<TView>();
    InstallGridCopyKeys(view);
    return view;
  }
  // The popup properties of the view the level shows, when it is one of
  // the library's table views.
  TksGridPopUpProperties* GetPopUpProperties() const;
};

class TkscxGrid : public TkscxGridBase {
  Q_OBJECT

 public:
  using TkscxGridBase::TkscxGridBase;
};

// The four view classes under their names, and their removal.
void RegisterGridViews();
void UnregisterGridViews();
