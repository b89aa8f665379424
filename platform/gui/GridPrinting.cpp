#include "platform/gui/GridPrinting.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>
#include <vector>

#include "platform/gui/GridDataController.h"
#include "platform/gui/GridView.h"

TdxComponentPrinter::TdxComponentPrinter(QObject* owner)
    : QObject(owner), FPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TdxComponentPrinter::~TdxComponentPrinter() = default;

TdxGridReportLink::TdxGridReportLink(QObject* owner) : QObject(owner) {}

void TdxGridReportLink::Preview(bool modal) {
  if (FComponent == nullptr || FPrinter == nullptr) return;
  QPrinter& printer = FPrinter->Printer();
  printer.setPageSize(QPageSize(QPageSize::id(FPrinterPage.PaperSize)));
  QPrintPreviewDialog dialog(&printer, FComponent->window());
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { Print(*p); });
  if (modal) {
    dialog.exec();
  } else {
    dialog.show();
  }
}

namespace {

struct PrintColumn {
  QString Caption;
  int Width;
  Qt::Alignment Alignment;
};

}  // namespace

void TdxGridReportLink::Print(QPrinter& printer) {
  if (FComponent == nullptr || FComponent->Level()->GridView() == nullptr) return;
  TcxGridDBTableView* view = FComponent->Level()->GridView();
  TcxGridDataController* controller = view->DataController();
  QPainter painter;
  if (!painter.begin(&printer)) return;
  QFont font = view->Site()->font();
  painter.setFont(font);
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  // Screen pixels of the grid become printer pixels at the screen's ratio,
  // narrowed as a whole when the columns are wider than the page.
  const double screenToPrinter = printer.resolution() / 96.0;
  std::vector<PrintColumn> columns;
  double total = 0;
  for (int c = 0; c < controller->columnCount(); ++c) {
    const int width = c < view->ColumnCount() ? view->Columns(c)->Width() : view->DefaultColumnWidth();
    const QVariant align = controller->data(controller->index(0, c), Qt::TextAlignmentRole);
    columns.push_back({controller->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), width,
                       align.isValid() ? Qt::Alignment(align.toInt()) : Qt::AlignLeft | Qt::AlignVCenter});
    total += width * screenToPrinter;
  }
  const double scale = total > page.width() ? page.width() / total : 1.0;
  const double rowHeight = painter.fontMetrics().height() * 1.4;
  const double padding = rowHeight * 0.2;
  const int rows = controller->rowCount();

  double y = 0;
  auto drawRow = [&](auto&& textOf, bool header) {
    double x = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
      const double w = columns[c].Width * screenToPrinter * scale;
      const QRectF cell(x, y, w, rowHeight);
      if (header) painter.fillRect(cell, QColor(0xE0, 0xE0, 0xE0));
      painter.drawRect(cell);
      const Qt::Alignment alignment = header ? Qt::AlignLeft | Qt::AlignVCenter : columns[c].Alignment;
      painter.drawText(cell.adjusted(padding, 0, -padding, 0), static_cast<int>(alignment | Qt::AlignVCenter),
                       painter.fontMetrics().elidedText(textOf(static_cast<int>(c)), Qt::ElideRight,
                                                        static_cast<int>(w - 2 * padding)));
      x += w;
    }
    y += rowHeight;
  };
  auto drawHeader = [&] { drawRow([&](int c) { return columns[static_cast<size_t>(c)].Caption; }, true); };

  painter.setPen(QPen(Qt::black, 0));
  drawHeader();
  for (int r = 0; r < rows; ++r) {
    if (y + rowHeight > page.height()) {
      printer.newPage();
      y = 0;
      drawHeader();
    }
    drawRow([&](int c) { return controller->data(controller->index(r, c), Qt::DisplayRole).toString(); }, false);
  }
  painter.end();
}
