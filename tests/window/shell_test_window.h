// A test shell window: the shared menu, a tool bar, tab pages of grids and notes, a status bar.
#pragma once

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolBar>
#include <memory>

#include "shell/grid_test_list.h"
#include "shell/menus/menu_model.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"

class TShellTestWindow : public QMainWindow {
 public:
  explicit TShellTestWindow(int rows) : lines(rows), stats(12) {
    resize(1000, 640);
    setWindowTitle(QStringLiteral("Linzora"));
    menus = new TShellMenuBar(model, menuBar());
    QObject::connect(menus, &TShellMenuBar::CommandChosen, [this](int tag, const QString&) { chosen.push_back(tag); });
    auto* tools = addToolBar(QStringLiteral("Main"));
    for (int tag : {3, 1, 4, 22, 170, 10, 69})
      tools->addAction(menus->ActionOfTag(tag));
    tabs = new QTabWidget(this);
    grid = new TVX_Grid(tabs);
    grid->SetList(&lines, 10, 0);
    stats.SetHeadings({u"N", u"Text file", u"Tokens", u"Types", u"Sentences"});
    stats_grid = new TVX_Grid(tabs);
    stats_grid->SetList(&stats, 19, 0);
    notes = new QPlainTextEdit(tabs);
    notes->setPlainText(QStringLiteral("Concordance of 1,000,000 lines\n\tsearch word: word\n"));
    tabs->addTab(grid, QStringLiteral("Concordance"));
    tabs->addTab(stats_grid, QStringLiteral("Statistics"));
    tabs->addTab(notes, QStringLiteral("Notes"));
    setCentralWidget(tabs);
    status = new TVXStatusBar(this);
    setStatusBar(status);
    QObject::connect(tabs, &QTabWidget::currentChanged, [this](int) { FitMenuToPage(); });
    FitMenuToPage();
  }
  void FitMenuToPage() {
    const uint8_t type = tabs->currentIndex() == 0 ? 10 : tabs->currentIndex() == 1 ? 19 : 25;
    menus->ApplyFeatureSet(MenuFeaturesForListType(type, 0));
  }

  TMenuModel model;
  TShellMenuBar* menus = nullptr;
  TSyntheticGridList lines;
  TSyntheticGridList stats;
  QTabWidget* tabs = nullptr;
  TVX_Grid* grid = nullptr;
  TVX_Grid* stats_grid = nullptr;
  QPlainTextEdit* notes = nullptr;
  TVXStatusBar* status = nullptr;
  std::vector<int> chosen;
};
