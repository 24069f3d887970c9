// Time to the first painted page of a grid over a million concordance-sized rows (a 150-character
// line and 15 numbers each), to a jump to the middle and to the end, and the memory the grid
// adds. Runs offscreen; prints one line per step.
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "../tests/shell/grid_test_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"

namespace {

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

double Paint(TVX_Grid& grid) {
  QElapsedTimer t;
  t.start();
  QApplication::processEvents();  // the scroll lays out first
  grid.viewport()->repaint();
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetUpQtApplication();
  TSyntheticGridList list(1000000);
  // The window system's own start-up (fonts, the first window) is not the grid's.
  TVX_Grid grid;
  grid.resize(1000, 700);
  grid.show();
  QApplication::processEvents();
  const long before = ResidentKiB();

  QElapsedTimer t;
  t.start();
  grid.SetList(&list, 10, 0);
  grid.viewport()->repaint();
  std::printf("first page: %.1f ms (%d cells asked)\n", static_cast<double>(t.nsecsElapsed()) / 1e6, list.cell_calls);

  list.cell_calls = 0;
  grid.SetTopRow(500000);
  const double middle = Paint(grid);
  std::printf("jump to the middle (top row %d): %.1f ms (%d cells asked)\n", grid.TopRow(), middle, list.cell_calls);
  list.cell_calls = 0;
  grid.scrollToBottom();
  const double end = Paint(grid);
  std::printf("jump to the end (top row %d): %.1f ms (%d cells asked)\n", grid.TopRow(), end, list.cell_calls);
  std::printf("memory the grid adds over a million rows: %ld KiB\n", ResidentKiB() - before);
  return 0;
}
