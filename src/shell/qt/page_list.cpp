#include "shell/qt/page_list.h"

#include <QTabWidget>

#include "shell/qt/vx_grid.h"

TPageList::TPageList(QTabWidget* tabs, QObject* parent) : QObject(parent), tabs_(tabs) {
  connect(tabs_, &QTabWidget::currentChanged, this, &TPageList::TabChanged);
}

int TPageList::AddGridPage(const QString& caption, TVX_Grid* grid, uint8_t list_type, TVXBaseDataClass* list) {
  TOneToolWindowDataRec rec;
  rec.ListType = list_type;
  rec.KindOfDisplay = static_cast<uint8_t>(grid->Alternative());
  rec.datatype = kPageGrid;
  rec.the_object = grid;
  rec.VXList = list;
  rec.page_index = tabs_->count() + 1;
  records_.AddPage(rec);
  const bool first = tabs_->count() == 0;
  const int tab = tabs_->addTab(grid, caption);
  // The first tab becomes current without a change signal reaching the bookkeeping in time.
  if (first) TabChanged(tab);
  return tab;
}

int TPageList::AddMemoPage(const QString& caption, QWidget* memo, uint8_t list_type) {
  TOneToolWindowDataRec rec;
  rec.ListType = list_type;
  rec.datatype = kPageMemo;
  rec.the_object = memo;
  rec.page_index = tabs_->count() + 1;
  records_.AddPage(rec);
  const bool first = tabs_->count() == 0;
  const int tab = tabs_->addTab(memo, caption);
  if (first) TabChanged(tab);
  return tab;
}

void TPageList::ClearPages() {
  clearing_ = true;
  records_.Clear();
  // The current page goes last: taking away the current page shows another one, and every
  // page shown on the way out was laid out for nothing.
  QWidget* shown = tabs_->currentWidget();
  for (int t = tabs_->count() - 1; t >= 0; --t) {
    QWidget* w = tabs_->widget(t);
    if (w == shown) continue;
    tabs_->removeTab(t);
    delete w;
  }
  if (shown) {
    tabs_->removeTab(tabs_->indexOf(shown));
    delete shown;
  }
  clearing_ = false;
}

int TPageList::Count() const { return tabs_->count(); }

TVX_Grid* TPageList::CurrentGrid() const { return GridOfTab(tabs_->currentIndex()); }

uint8_t TPageList::CurrentListType() const {
  const TOneToolWindowDataRec* rec = const_cast<TOneToolWindowList&>(records_).Current();
  return rec && rec->page_index == tabs_->currentIndex() + 1 ? rec->ListType : kNoListType;
}

TVX_Grid* TPageList::GridOfTab(int tab) const {
  if (tab < 0 || tab >= tabs_->count()) return nullptr;
  return qobject_cast<TVX_Grid*>(tabs_->widget(tab));
}

void TPageList::TabChanged(int tab) {
  if (clearing_) return;
  records_.SetCurrentGridToTab(tab + 1);
  if (!adding_) emit PageChanged(tab);
}
