// The main window's tab pages on a real QTabWidget, kept in step with the window-free
// bookkeeping (tool_pages.h): each page that shows a grid, a memo or rich text has a record there
// with its list type and list, whose page_index is the tab's position + 1.
//
// A change of tab makes that page current in the bookkeeping before PageChanged is emitted, so a
// handler sees the new page's grid. ClearPages removes every tab and deletes its widget.
// While a whole set of pages is added (TAddingPages) the bookkeeping follows the current tab but
// PageChanged is not emitted: the window handles the page it shows once, after all are in.
#pragma once

#include <QObject>
#include <QString>

#include "shell/menus/tool_pages.h"

class QTabWidget;
class QWidget;
class TVX_Grid;

class TPageList : public QObject {
  Q_OBJECT
 public:
  explicit TPageList(QTabWidget* tabs, QObject* parent = nullptr);
  QTabWidget* Tabs() const { return tabs_; }
  TOneToolWindowList& Records() { return records_; }

  // The new page's tab index.
  int AddGridPage(const QString& caption, TVX_Grid* grid, uint8_t list_type, TVXBaseDataClass* list);
  int AddMemoPage(const QString& caption, QWidget* memo, uint8_t list_type);
  void ClearPages();
  int Count() const;

  // Holds PageChanged back for its life (the current tab is still kept in the bookkeeping).
  class TAddingPages {
   public:
    explicit TAddingPages(TPageList& pages) : pages_(pages), was_(pages.adding_) { pages_.adding_ = true; }
    ~TAddingPages() { pages_.adding_ = was_; }
    TAddingPages(const TAddingPages&) = delete;
    TAddingPages& operator=(const TAddingPages&) = delete;

   private:
    TPageList& pages_;
    bool was_;
  };

  // The current page's grid (nullptr on a page without one).
  TVX_Grid* CurrentGrid() const;
  uint8_t CurrentListType() const;
  TVX_Grid* GridOfTab(int tab) const;

 signals:
  void PageChanged(int tab);

 private:
  void TabChanged(int tab);
  QTabWidget* tabs_;
  TOneToolWindowList records_;
  bool clearing_ = false;
  bool adding_ = false;
};
