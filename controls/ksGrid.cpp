#include "controls/ksGrid.h"

#include <QContextMenuEvent>

#include "controls/ksGridPopup.h"

TkscxGridDBTableViewBase::TkscxGridDBTableViewBase(QWidget* parent)
    : TcxGridDBTableView(parent), FPopUpProperties(std::make_unique<TksGridPopUpProperties>(this)) {
  InstallGridCopyKeys(this);
  Site()->viewport()->installEventFilter(this);
}

TkscxGridDBTableViewBase::~TkscxGridDBTableViewBase() { FPopUpProperties.reset(); }

bool TkscxGridDBTableViewBase::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu && FCustomPopupMenu != nullptr) {
    SetGridPopupHitView(this);
    FCustomPopupMenu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return TcxGridDBTableView::eventFilter(watched, event);
}

void TkscxGridDBTableView::Loaded() {
  SetHeaderEndEllipsis(true);
  SetHeaderAutoHeight(false);
}

TksGridPopUpProperties* TkscxGridBase::GetPopUpProperties() const {
  auto* view = dynamic_cast<TkscxGridDBTableViewBase*>(Level()->GridView());
  return view != nullptr ? view->PopUpProperties() : nullptr;
}

namespace {

template <class TView>
TcxGridViewFactory FactoryOf() {
  return [](QWidget* grid) -> TcxGridDBTableView* { return new TView(grid); };
}

constexpr char16_t TableViewName[] = u"Kestrum DB Table";
constexpr char16_t BandedViewName[] = u"Kestrum DB Banded Table";
constexpr char16_t CardViewName[] = u"Kestrum DB Card Table";
constexpr char16_t ChartViewName[] = u"Kestrum DB Chart Table";

}  // namespace

void RegisterGridViews() {
  RegisterGridViewClass(TableViewName, FactoryOf<TkscxGridDBTableView>());
  RegisterGridViewClass(BandedViewName, FactoryOf<TkscxGridDBBandedTableView>());
  RegisterGridViewClass(CardViewName, FactoryOf<TkscxGridDBCardView>());
  RegisterGridViewClass(ChartViewName, FactoryOf<TkscxGridDBChartView>());
}

void UnregisterGridViews() {
  UnregisterGridViewClass(BandedViewName);
  UnregisterGridViewClass(TableViewName);
  UnregisterGridViewClass(CardViewName);
  UnregisterGridViewClass(ChartViewName);
}
