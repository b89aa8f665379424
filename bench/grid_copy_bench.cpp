// Copies selected rows of the library grid to the display's clipboard as
// the Ctrl+C copy does (tab-separated, quoted, display formats), on the
// offscreen platform.
//   grid_copy_bench [ROWS]   (default 10,000 rows)
// The view shows the ten sample fields twice (20 columns), every row
// selected; the first copy reads the rows from the table, the later ones
// also from the grid's row cache where it still holds them.
// Prints: rows=N columns=C first_copy_s=S best_copy_s=S text_kb=K
#include <QApplication>
#include <QItemSelectionModel>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/sample_table.h"
#include "controls/ksGrid.h"
#include "platform/db/DataSource.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/QtClipboard.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/win/Clipboard.h"
#include "table/MemData.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  RtlInitialize();
  MemDataInitialize();
  int result = 0;
  {
    QApplication app(argc, argv);
    // The display's clipboard, as Ctrl+C in the editor fills it.
    InstallQtClipboard();
    TVirtualTable table;
    bench::FillSampleTable(table, rows);
    table.First();
    TDataSource source;
    source.SetDataSet(&table);
    TkscxGrid grid;
    TcxGridDBTableView* view = grid.CreateView();
    view->BeginUpdate();
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i < table.FieldCount(); ++i) {
        view->CreateColumn()->DataBinding().SetFieldName(table.Fields()[i]->FieldName());
      }
    }
    view->EndUpdate();
    view->DataController()->SetDataSource(&source);
    view->SetMultiSelect(true);
    view->Site()->selectAll();

    TksGridViewCopySource copySource(view);
    TksCopyGridToClipboard& copier = CopyGridToClipboard();
    double first = 0, best = 1e9;
    for (int run = 0; run < 5; ++run) {
      auto start = std::chrono::steady_clock::now();
      if (!copier.CopyDelimited(copySource, u"\t", u"\"", u"\r\n")) {
        std::fprintf(stderr, "copy failed\n");
        result = 1;
        break;
      }
      double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (run == 0) first = seconds;
      best = std::min(best, seconds);
    }
    if (result == 0) {
      std::printf("rows=%zu columns=%d first_copy_s=%.3f best_copy_s=%.3f text_kb=%.0f\n",
                  view->SelectedRows().size(), view->ColumnCount(), first, best,
                  Clipboard().GetUnicodeText().size() * 2 / 1024.0);
    }
    SetClipboard(nullptr);
  }
  MemDataFinalize();
  RtlFinalize();
  return result;
}
