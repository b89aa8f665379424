// Opens a large VTD file in the editor's main window without a display and
// times what a user waits for: the file read, the first painted rows, a jump
// to the last row and back. Opens the file named as the argument, making it
// first (and keeping it) when it does not exist; without an argument it
// makes a temporary one. A made file has ROWS (default 1,000,000) rows of
// ten fields.
// Prints: rows=N first_paint_s=S jump_s=S peak_rss_mb=M load_s=S back_s=S
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/MainForm.h"
#include "bench/sample_table.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"
#include "table/VirtualTable.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The sample table of the other benchmarks, saved where the bench opens it.
void MakeFile(const String& path, int rows) {
  TVirtualTable table;
  bench::FillSampleTable(table, rows);
  table.SaveToFile(path);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  RtlInitialize();
  MemDataInitialize();
  const int rows = std::getenv("ROWS") != nullptr ? std::atoi(std::getenv("ROWS")) : 1000000;
  std::filesystem::path made;
  String path;
  std::filesystem::path file = argc > 1 ? std::filesystem::path(argv[1])
                                        : std::filesystem::temp_directory_path() /
                                              ("editor_bench_" + std::to_string(getpid()) + ".vtd");
  path = file.u16string();
  if (argc <= 1) made = file;
  if (!std::filesystem::exists(file)) {
    // Made in a child, so the peak memory below is the editor's alone.
    const pid_t child = fork();
    if (child == 0) {
      MakeFile(path, rows);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  }

  int result = 0;
  {
    QApplication app(argc, argv);
    SetMessageBoxHandler([](const TMessageRequest& r) {
      std::fprintf(stderr, "%s\n", ToQString(r.Text).toUtf8().constData());
      return true;
    });
    const auto start = std::chrono::steady_clock::now();
    TMainForm form(QStringList{ToQString(path)});
    const double load = Since(start);
    form.resize(1000, 700);
    form.show();
    QWidget* viewport = form.gVTD_View()->Site()->viewport();
    viewport->grab();
    const double firstPaint = Since(start);

    const auto jumpStart = std::chrono::steady_clock::now();
    form.gVTD_View()->GoLast();
    viewport->grab();
    const double jump = Since(jumpStart);
    const auto backStart = std::chrono::steady_clock::now();
    form.gVTD_View()->GoFirst();
    viewport->grab();
    const double back = Since(backStart);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const int shown = form.gVTD_View()->DataController()->rowCount();
    std::printf("rows=%d first_paint_s=%.3f jump_s=%.4f peak_rss_mb=%.0f load_s=%.3f back_s=%.4f\n", shown,
                firstPaint, jump, usage.ru_maxrss / 1024.0, load, back);
    result = shown > 0 ? 0 : 1;
  }
  if (!made.empty()) std::filesystem::remove(made);
  MemDataFinalize();
  RtlFinalize();
  return result;
}
