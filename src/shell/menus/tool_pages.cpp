#include "shell/menus/tool_pages.h"

#include <algorithm>

#include "model/lists/grid_headings.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"

namespace {

constexpr int kTagClusters = 42, kTagRelationships = 53, kTagRuler = 46, kTagSpecific = 66,
              kTagRelated = 75, kTagListTypeSave = 79, kTagMovingWindow = 151, kTagExport = 175,
              kTagActiveColumn = 207;

// The rules of the items whose visibility or caption depends on more than the feature set.
void FitSpecialItem(TMenuNode& n, const TMenuFitInputs& in, bool& ruler) {
  if (!n.visible) return;
  switch (n.tag) {
    case kTagClusters:
    case kTagRelationships: n.visible = in.tool != 0 || in.list_type == 23; break;
    case kTagRuler: ruler = true; break;
    case kTagSpecific: n.caption = u"Specific to " + Tool_Name(in.tool); break;
    case kTagRelated: n.visible = in.show_related && in.tool == 1; break;
    case kTagListTypeSave:
      n.caption = list_type_as_string(in.tool == 0 && in.list_type == 1 ? 1 : MenuListTypeGroup(in.list_type));
      break;
    case kTagMovingWindow: n.visible = in.next_version; break;
    case kTagExport: n.visible = in.tool != 0 || in.list_type == 2 || in.list_type == 23; break;
    case kTagActiveColumn:
      if (in.set_columns.empty()) {
        n.visible = false;
      } else {
        const size_t at = static_cast<size_t>(std::clamp<int>(in.current_set_column, 0, static_cast<int>(in.set_columns.size()) - 1));
        n.caption = u"active column " + IntToUStr(in.set_columns[at].first + 1) + u" (" + in.set_columns[at].second + u")";
      }
      break;
    default: break;
  }
}

}  // namespace

void TOneToolWindowList::Clear() {
  pages_.assign(1, TOneToolWindowDataRec());
  current_ = -1;
}

void TOneToolWindowList::AddPage(const TOneToolWindowDataRec& rec) { pages_.push_back(rec); }

uint8_t TOneToolWindowList::SetCurrentGridToTab(int tab) {
  current_ = -1;
  for (size_t i = 1; i < pages_.size(); ++i)
    if (pages_[i].page_index == tab) {
      current_ = static_cast<int>(i);
      return pages_[i].datatype;
    }
  return kPageNone;
}

void* TOneToolWindowList::CurrentGrid() const {
  if (current_ < 0) return nullptr;
  if (pages_[static_cast<size_t>(current_)].datatype == kPageGrid) return pages_[static_cast<size_t>(current_)].the_object;
  for (size_t i = 1; i < pages_.size(); ++i)
    if (pages_[i].datatype == kPageGrid) return pages_[i].the_object;
  return nullptr;
}

void* TOneToolWindowList::GridOfPage(int i) const {
  if (i < 0 || i >= Count() || pages_[static_cast<size_t>(i)].datatype != kPageGrid) return nullptr;
  return pages_[static_cast<size_t>(i)].the_object;
}

int TOneToolWindowList::PageIndexOfEntry(int i) const {
  return i < 0 || i >= Count() ? -2 : pages_[static_cast<size_t>(i)].page_index;
}

uint8_t TOneToolWindowList::ListTypeOfEntry(int i) const {
  return i < 0 || i >= Count() ? kNoListType : pages_[static_cast<size_t>(i)].ListType;
}

void TOneToolWindowList::SetListOfEntry(int i, TVXBaseDataClass* list) {
  if (i >= 0 && i < Count()) pages_[static_cast<size_t>(i)].VXList = list;
}

void TOneToolWindowList::ClearBaseList(int i) {
  if (i > 0 && i < Count()) pages_[static_cast<size_t>(i)].VXList = nullptr;
}

bool TOneToolWindowList::FitMenuToListType(TMenuModel& menu, const TMenuFitInputs& inputs) {
  if (fitted_ && inputs == last_fit_) return false;
  fitted_ = true;
  last_fit_ = inputs;
  ruler_found_ = false;
  menu.RedoMenuItemsCheckStates();
  menu.ApplyFeatureSet(MenuFeaturesForListType(inputs.list_type, inputs.alternative,
                                               {inputs.tool, inputs.next_version, inputs.logging}));
  menu.Walk([&](TMenuNode& n) { FitSpecialItem(n, inputs, ruler_found_); });
  return true;
}

TMenuFitInputs MenuFitInputsFor(uint8_t list_type, uint8_t alternative, bool show_related, TVXBaseDataClass* list) {
  TMenuFitInputs in;
  const TMenuFeatureContext c = CurrentMenuFeatureContext();
  in.tool = c.tool;
  in.next_version = c.next_version;
  in.logging = c.logging;
  in.list_type = list_type;
  in.alternative = alternative;
  in.show_related = show_related;
  if (!list) return in;
  list->RecomputeColumnSetnums();
  const TVXActiveLongintList& setnums = list->ColumnSetnums();
  // One set column leaves nothing to choose between.
  if (setnums.items.size() < 2) return in;
  EnsureGridHeadings(*list);
  for (int32_t column : setnums.items)
    in.set_columns.emplace_back(CurrentColumnNumber(list->grid_headings, column) - 1, GetDatum(list->grid_headings, column));
  in.current_set_column = std::max(0, setnums.current);
  return in;
}
