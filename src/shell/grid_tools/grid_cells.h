// What a grid shows of a result list, without any window: the cells of the rows being painted,
// asked of the list one by one and kept for the few rows on screen.
//
// Protocol of a paint: Rows() and Columns() size the grid; for each visible cell Cell(row, col)
// answers the list's cell record (DrawgridDataRec; row 0 the headings, rows past the list's own
// rows its column totals), after the tweak hook. Nothing else of the list is read, so a grid
// over a million rows costs only what is on screen. After any change of the list the window
// calls Invalidate (a zap, a sort, a job's end); rows the list no longer has, and every row while
// Global_Busy_Dont_Show_Data or the list's busy guard is set, answer an empty cell and are not
// kept, so a job that changes the list while the loop pumps never has the grid read an entry
// that went away. Cached cells are copies: no entry is referenced after the call.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/lists/result_list_base.h"

// A list nobody has laid out yet (its widths not set) takes the user's default visibility of its
// list type's columns 2 to 20 (settings store). Its layout is made for that only when some column
// is to be hidden, and once it has rows to tell its number columns by; until then every column
// shows. True when the layout was made. A grid calls it as it takes the list, the document as it
// sets up its lists' headings.
bool ApplyDefaultColumnVisibilityToList(TVXBaseDataClass& list);

class TGridCellSource {
 public:
  // Rows kept: a few screens' worth.
  static constexpr size_t kCachedRows = 256;

  void SetList(TVXBaseDataClass* list, int kind_of_display = 0);
  TVXBaseDataClass* List() const { return list_; }
  int KindOfDisplay() const { return kind_of_display_; }
  void SetKindOfDisplay(int kind);

  // Data rows (the heading row not counted) and column totals rows.
  int Rows() const;
  int DataRows() const;
  // The list's own columns (row numbers included); an added column's number lies beyond.
  int Columns() const;
  bool ValidColumn(int col) const;
  // The columns the layout shows (model/grid_headings.h), the row numbers left out: view column
  // v (0-based) shows list column ListColumnOfView(v).
  int ViewColumnCount() const { return static_cast<int>(view_columns_.size()); }
  int ListColumnOfView(int view) const {
    return view >= 0 && view < ViewColumnCount() ? view_columns_[static_cast<size_t>(view)] : -1;
  }
  int ViewOfListColumn(int col) const;
  bool ShowsNothing() const;  // busy: paint empty

  // row 0 the headings, 1..DataRows() entries, then totals rows.
  const TGrid_data_rec& Cell(int row, int col);
  // The same cell made afresh and not kept: the kept rows stay as they are (cells for paper,
  // which a tweak may draw apart from the screen's).
  TGrid_data_rec FreshCell(int row, int col);
  // The cells of a whole row as shown (row 0 the headings): the row number, then the shown
  // columns in display order; for copying.
  std::vector<TGrid_data_rec> RowCells(int row);

  // Adjusts a cell record before it is drawn or copied.
  void SetTweak(std::function<void(TGrid_data_rec&)> tweak) {
    tweak_ = std::move(tweak);
    Invalidate();
  }
  void Invalidate();
  size_t CachedRowCount() const { return rows_.size(); }

  // The search words a search of one column shows (the search dialog's display): in each data
  // cell of that column their hits, found in the text as the column's format gives it (its letter
  // case, its decimals) by the same rules as the search, become coloured spans in colour
  // (0x00BBGGRR), bold. Items add to those the column shows already; a column keeps its display
  // until it is cleared or the source is given another list.
  void ShowSearchFormat(int column, const std::vector<UString>& items, uint32_t colour);
  void ClearSearchDisplay();
  // The items a column shows; empty when none.
  std::vector<UString> SearchDisplayItems(int column) const;

 private:
  struct TRow {
    std::vector<TGrid_data_rec> cells;
    std::vector<bool> filled;
    std::list<int>::iterator age;
  };
  void Fill(int row, int col, TGrid_data_rec& cell);
  void AddSearchSpans(int col, TGrid_data_rec& cell);
  size_t SlotOf(int col) const;
  void MakeViewColumns();
  void DropColumnsTheListHides();
  TVXBaseDataClass* list_ = nullptr;
  std::vector<int> view_columns_;
  std::vector<int> head_of_slot_;  // index into the list's grid_headings, -1 none
  int kind_of_display_ = 0;
  std::function<void(TGrid_data_rec&)> tweak_;
  std::unordered_map<int, TRow> rows_;
  std::list<int> ages_;  // most recent first
  TGrid_data_rec empty_;
  struct TSearchDisplay;
  std::map<int, std::shared_ptr<TSearchDisplay>> search_display_;  // by list column
};

// The text a cell shows: prefix, text and suffix, or its number (with its decimals when it is a
// real number), or nothing; the exports write cells by the same rule (CellTextAsShown).
UString GridCellText(const TGrid_data_rec& cell);
// Whole rows as tab-separated lines, one per row; the heading row first when asked for, and each
// line without its row number when the number column is left out. A concordance line is the
// list's own line cut around its search word to line_characters (half on each side; 0 whole,
// -1 as the grid shows it).
UString GridRowsAsText(TGridCellSource& source, const std::vector<int>& rows, bool with_headings,
                       bool with_number_column = true, int32_t line_characters = -1);

// The colours a grid draws with besides the palette's, per style (0x00BBGGRR): a light style
// (even number) and a dark one (odd number), each readable against its own background.
struct TGridStyleColours {
  uint32_t matched_back = 0;  // rows a match list marked
  uint32_t centre_fore = 0;   // the centre of a concordance line
  uint32_t deleted_fore = 0;  // rows struck through
  uint32_t incomplete_back = 0;  // lines whose sentence runs past their edge
  bool operator==(const TGridStyleColours&) const = default;
};
TGridStyleColours GridColoursForStyle(int style_number);

// The ruler (vertical lines in the ruler colour) belongs to the displays of alternatives 2, 10
// and 16. After the menu is fitted: what the current grid's ruler must be.
enum class TRulerOption : uint8_t { Leave, On, Off };
// ruler_item_shown: the fitting found the "Ruler" item visible; ruler_checked: its stored check.
TRulerOption RulerOptionAfterFit(bool ruler_item_shown, bool have_grid, int alternative, bool ruler_checked);
