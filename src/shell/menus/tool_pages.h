// The main window's pages as bookkeeping, without any window: one record per tab page that
// holds a grid, memo or rich-text control (entry 0 an empty placeholder), which page is current,
// the last actions the window's idle step reacts to, and the fitting of the shared menu to the
// current page's list type.
//
// Menu fitting: FitMenuToListType takes every input the fitted menu depends on (list type, grid
// alternative, the tool, the show-related flag, the set-column alternatives and the current
// one). It skips the work only when all of them equal those of the last fitting, so a set column
// added, or another document of the same list type shown, still updates "active column" and
// "Show related txts".
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "model/lists/result_list_base.h"
#include "shell/menus/menu_model.h"

enum : uint8_t { kPageNone = 0, kPageGrid = 1, kPageMemo = 2, kPageRichText = 3 };
inline constexpr uint8_t kNoListType = 25;
inline constexpr uint8_t kNoGridAlternative = 29;

struct TOneToolWindowDataRec {
  uint8_t ListType = 0;
  uint8_t KindOfDisplay = 0;
  uint8_t datatype = kPageNone;
  void* the_object = nullptr;  // the page's control, as the window layer knows it
  TVXBaseDataClass* VXList = nullptr;
  int32_t page_index = 0;      // tab position + 1
};

// What the fitted menu depends on.
struct TMenuFitInputs {
  uint8_t list_type = kNoListType;
  uint8_t alternative = kNoGridAlternative;
  uint8_t tool = 1;
  bool next_version = false;
  bool logging = false;
  bool show_related = false;
  // The list's set columns, (column number, heading), when it has more than one; else empty.
  std::vector<std::pair<int, UString>> set_columns;
  int current_set_column = 0;
  bool operator==(const TMenuFitInputs&) const = default;
};

class TOneToolWindowList {
 public:
  TOneToolWindowList() { Clear(); }
  // Entry 0 stays: the empty placeholder.
  void Clear();
  void AddPage(const TOneToolWindowDataRec& rec);
  int Count() const { return static_cast<int>(pages_.size()); }

  // The page whose page_index is tab becomes current; its datatype (0 when none has it).
  uint8_t SetCurrentGridToTab(int tab);
  const TOneToolWindowDataRec* Current() const { return current_ < 0 ? nullptr : &pages_[static_cast<size_t>(current_)]; }
  // The current page's grid, else the first page's grid after entry 0, else nullptr.
  void* CurrentGrid() const;
  void* GridOfPage(int i) const;
  int PageIndexOfEntry(int i) const;       // -2 outside
  uint8_t ListTypeOfEntry(int i) const;    // 25 outside
  void SetListOfEntry(int i, TVXBaseDataClass* list);
  void ClearBaseList(int i);               // entry 0 is left alone

  // Answers false (and leaves the menu alone) when nothing the menu depends on changed.
  bool FitMenuToListType(TMenuModel& menu, const TMenuFitInputs& inputs);
  bool RulerFeatureFound() const { return ruler_found_; }

  bool fHasData = false;
  uint32_t Last_actions = 0;  // bit k: action kind k
  int32_t DLLN_Lines = 1;
  // The lemmatiser announced the lines of the list it loads; the percentage of a line read.
  void SetNLines(int32_t n) { DLLN_Lines = n < 1 ? 1 : n; }
  int32_t PercentOfLine(int32_t line) const { return static_cast<int32_t>(int64_t{line} * 100 / DLLN_Lines); }

 private:
  std::vector<TOneToolWindowDataRec> pages_;
  int current_ = -1;
  bool fitted_ = false;
  TMenuFitInputs last_fit_;
  bool ruler_found_ = false;
};

// The inputs of this process for a page; the set columns are those of list (none without one),
// each by its display column from 0 and its heading.
TMenuFitInputs MenuFitInputsFor(uint8_t list_type, uint8_t alternative, bool show_related,
                                TVXBaseDataClass* list = nullptr);
