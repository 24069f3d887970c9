// The grid that shows one result list: a table view over a model that asks the list, through
// TGridCellSource, only for the cells being painted.
//
// Column 0 of the list (the row numbers) is the view's vertical header, so it stays in place
// when the grid scrolls sideways; the list's other columns are the view's columns. Rows have one
// fixed height (24 pixels; three lines for the concordance lines' alternative 10), so the view
// never measures rows, and header sections never size to their contents. After any change of
// the list, ListChanged resets the model: the row count follows the list.
//
// Commands reach a grid as message 0x1788 with wParam = menu tag + 5000: Copy (selected rows,
// tab-separated, with headings), Grow, Shrink, Refresh and Default column widths.
//
// Every grid draws in the colours of the global style (GridColoursForStyle); a grid is made in
// the style of the moment and SetAllGridsToStyle (run whenever the style is applied) brings
// every grid whose style differs up to date. The ruler (the displays of alternatives 2, 10 and
// 16) is a vertical line at each cell's right edge in the stored ruler colour.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <optional>

#include "platform/settings/settings_records.h"
#include "shell/grid_tools/grid_cells.h"

inline constexpr int kGridCommandOffset = 5000;
// A grid's print kind while its cells go on paper (3) or into the print preview (4); 0 on screen.
inline constexpr int kGridOnScreen = 0;
inline constexpr int kGridPrinting = 3;
inline constexpr int kGridPreviewing = 4;
inline constexpr int kGridRowHeight = 24;
inline constexpr int kGridAlternativeLines = 10;

class TVXGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TVXGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  TGridCellSource& Source() { return source_; }
  void SetList(TVXBaseDataClass* list, int kind_of_display);
  void ListChanged();
  // The list's cell behind a view index (row r of the view is list row r + 1, column c list
  // column c + 1).
  const TGrid_data_rec& CellAt(const QModelIndex& index);
  // While rows are held back the view sees the list's columns but no rows: a hidden page's
  // vertical header then costs nothing until the page is first shown (or its rows are asked
  // for), when ShowRows gives the view every row as a new list would.
  void HoldRowsBack() { rows_held_back_ = true; }
  bool RowsHeldBack() const { return rows_held_back_; }
  void ShowRows();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Cells that take typed text: editable answers per list column (asked again for every cell,
  // so a changed typing mode counts at once); writer stores an edit (row from 1) and answers
  // whether the list took it. Without them no cell is edited.
  using TCellEditable = std::function<bool(int list_column)>;
  using TCellWriter = std::function<bool(int list_column, int row, const UString& text)>;
  void SetCellEditing(TCellEditable editable, TCellWriter writer);
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  mutable TGridCellSource source_;
  TCellEditable editable_;
  TCellWriter writer_;
  bool rows_held_back_ = false;
};

// Draws one cell from its record: text, numbers right-aligned, deleted rows struck through,
// matched and marked rows and coloured categories in their colours, the record's own text colour
// and coloured spans, a concordance line's centre in bold.
class TVXGridCellHandler : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  static void PaintCell(QPainter* painter, const QRect& rect, const TGrid_data_rec& cell, bool selected,
                        const QPalette& palette, const QFont& font,
                        const TGridStyleColours& colours = GridColoursForStyle(0));

  void SetColours(const TGridStyleColours& colours) { colours_ = colours; }
  const TGridStyleColours& Colours() const { return colours_; }
  // ruler_colour 0x00BBGGRR.
  void SetRuler(bool on, uint32_t ruler_colour) {
    ruler_ = on;
    ruler_colour_ = ruler_colour;
  }
  bool Ruler() const { return ruler_; }

 private:
  TGridStyleColours colours_ = GridColoursForStyle(0);
  bool ruler_ = false;
  uint32_t ruler_colour_ = 0;
};

class TVX_Grid : public QTableView {
  Q_OBJECT
 public:
  explicit TVX_Grid(QWidget* parent = nullptr);
  // The model with every row of the list (a page not yet shown is given its rows here).
  TVXGridModel& Model() {
    GiveRows();
    return model_;
  }
  // A grid given its list while hidden may hold the rows back from the view (true: result
  // pages do) until it is first shown or its rows are first asked for; by default it takes them
  // at once.
  void SetRowsWhenShown(bool when_shown) { rows_when_shown_ = when_shown; }
  // Whether the view has been given the list's rows.
  bool RowsShown() const { return !model_.RowsHeldBack(); }
  // The rows the grid shows or will show once given them.
  int RowCount() { return model_.Source().Rows(); }
  // Whether the main window's result pages hold their rows back while hidden (true but where a
  // test compares the two ways).
  static bool PagesTakeRowsWhenShown();
  static void SetPagesTakeRowsWhenShown(bool when_shown);

  // The list shown, its list type and the grid alternative (kind of display).
  void SetList(TVXBaseDataClass* list, uint8_t list_type, int alternative);
  void MatchGridToListType(uint8_t list_type, int alternative);
  TVXBaseDataClass* List() { return model_.Source().List(); }
  uint8_t ListType() const { return list_type_; }
  int Alternative() const { return alternative_; }
  void SetRulerLines(bool on);
  void ListChanged();

  int StyleNumber() const { return style_; }
  void SetStyleNumber(int style);
  // Drops the cells kept for the screen (coloured in what is no longer so) and repaints; the
  // rows a hidden grid holds back stay back.
  void InvalidateCells();
  // The ruler from the store's check of "Ruler" (46) and its ruler colour.
  void ApplyStoredRuler();
  void SetRuler(bool on, uint32_t ruler_colour);
  bool RulerShown() const { return handler_.Ruler(); }

  // Grid rows count from 1 (row 0 the headings), as the lists count them. CurrentColumn is the
  // list column under the cursor (the layout may have moved or hidden columns), CurrentDisplayColumn
  // its place on screen (1 the first shown column).
  int CurrentRow() const;
  int CurrentColumn() const;
  int CurrentDisplayColumn() const;
  int ListColumnOfSection(int section);
  // Puts the cursor on a list column of a row (row from 1).
  void SelectCell(int row, int list_column);
  // After the layout changed: the columns as the records say, their widths included.
  void ApplyHeadings();
  // A delegate that paints one list column wherever the layout shows it.
  void SetListColumnDelegate(int list_column, QAbstractItemDelegate* delegate);
  // The widths on screen go into the layout's records (a layout made after the grid sized its
  // columns).
  void KeepWidthsInLayout();
  int TopRow() const;
  void SetTopRow(int row);
  // The selected rows (from 1); the current row when nothing is selected.
  std::vector<int> SelectedRows() const;
  // The grid row and column at a point of the viewport; -1 outside the cells.
  std::pair<int, int> CellAtPoint(QPoint p) const;

  void SetTweak(std::function<void(TGrid_data_rec&)> tweak) { model_.Source().SetTweak(std::move(tweak)); }
  // What the cells are made for (kGridOnScreen, kGridPrinting, kGridPreviewing), so that a tweak
  // may draw paper and screen apart. Cells for paper are made afresh for each sheet and never
  // kept (TGridCellSource::FreshCell): the screen's kept cells stay through a preview's pages.
  int PrintKind() const { return print_kind_; }
  void SetPrintKind(int kind);
  // The cells that take typed text (TVXGridModel::SetCellEditing); rows held back stay so.
  void SetCellEditing(TVXGridModel::TCellEditable editable, TVXGridModel::TCellWriter writer) {
    model_.SetCellEditing(std::move(editable), std::move(writer));
  }

  // Commands by menu tag (22 Copy, 30 Grow, 31 Shrink, 33 Refresh, 166 Default column widths);
  // false for a tag the grid does not handle.
  bool HandleGridCommand(int tag);
  // The selected rows, or the current one when none is selected.
  std::vector<int> RowsToCopy() const;
  // The rows to copy to the clipboard as the clipboard choices of the settings store say; answers
  // the text copied (empty when no text was chosen).
  UString CopySelectedRows();
  // The rows as text and the picture as the choices say (a null picture is left out).
  UString CopyRowsToClipboard(const std::vector<int>& rows, const TClipboardSettingsRec& choice,
                              const QImage& picture);
  // A picture of the selected rows as drawn (empty when none of them is in view).
  QImage SelectedAreaPicture(const std::vector<int>& rows);
  // Grow and Shrink change the lines of text a row has room for (2 more or 2 fewer, within the
  // concordance commands' bounds); the rows' height follows.
  void Grow();
  void Shrink();
  // Grow current row (199) and Shrink current row (200): one line more or less for that row alone.
  void GrowOrShrinkCurrentRow(bool grow);
  // Freeze top rows (195): the first `rows` rows stay at the top of the grid while the others
  // scroll under them (0 frees them). A second view over the same model, the same columns and
  // the same selection, laid over the top of this one.
  void FreezeTopRows(int rows);
  int FrozenRows() const { return frozen_rows_; }
  QTableView* FrozenView() const { return frozen_; }
  int PreferredLinesPerRow() const { return lines_per_row_; }
  void SetPreferredLinesPerRow(int lines);
  // The font of the texts' settings (Settings > Font): its family when one is named, its size
  // when it is one a list can show; the rows' height follows.
  void TakeTextFont(const UString& family, int points);
  // Every column as wide as its heading and the widest text of a first page of rows (a line
  // column a line's width), none wider than the window; a plot or time-line strip the free
  // width of the page. A list that gets its first rows later is fitted then.
  void DefaultColumnWidths();
  // Widths the user left, one per column in view order (from a saved document): they replace the
  // fitted widths once the grid has rows to fit; a list of another column count is ignored.
  void SetKeptColumnWidths(std::vector<int16_t> widths);
  // The plot or time-line strip to the page's free width (unless it was sized by hand).
  void FitStretchColumn();
  bool WidthsFitted() const { return widths_fitted_; }
  // A grid given a list while hidden does not fit its widths then: it keeps what the fit would
  // read at that moment (the window's width, the rows of a first page, the font) and owes the
  // fit. Shown, it fits to what it then shows; otherwise the fit is paid from that record, so the
  // widths are those of the moment the list came whatever happened to the window since. Whatever
  // reads or sets widths pays first: the grid's own roads here, the window's through PayOwedFits
  // (on the window's thread, before a job starts).
  bool OwesFit() const { return owed_.has_value(); }
  void PayOwedFit();
  // Every grid's owed fit paid; answers how many were. Cheap when none is owed.
  static int PayOwedFits();

 protected:
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // What a fit reads besides the list: whether the grid is shown, its viewport's width, the
  // window's width, the rows a first page holds and the font.
  struct TFitRoom {
    bool visible = false;
    int viewport_width = 0;
    int window_width = 0;
    int page_rows = 1;
    QFont font;
  };
  TFitRoom CurrentFitRoom() const;
  void FitColumns(const TFitRoom& room);
  void FitStretchColumn(const TFitRoom& room);
  std::optional<TFitRoom> owed_;
  void KeepWidth(int section, int width);
  void GiveRows();
  void PlaceFrozenRows();
  QTableView* frozen_ = nullptr;
  int frozen_rows_ = 0;
  TVXGridModel model_;
  bool rows_when_shown_ = false;
  TVXGridCellHandler handler_;
  bool applying_widths_ = false;
  uint8_t list_type_ = 0;
  int alternative_ = 0;
  int row_height_ = kGridRowHeight;
  int lines_per_row_ = 1;
  int style_ = 0;
  int print_kind_ = kGridOnScreen;
  bool widths_fitted_ = false;
  std::vector<int16_t> kept_widths_;
  void ApplyKeptColumnWidths();
  bool fit_pending_ = false;  // fitted while hidden: fitted again to the first page when shown
  void FitWhenShown();
  bool fitting_ = false;
  int stretch_column_ = -1;  // list column of the plot or time-line strip
  void PlaceListColumnDelegates();
  std::vector<std::pair<int, QPointer<QAbstractItemDelegate>>> column_delegates_;
  bool stretch_auto_ = true;
};

// Every grid whose style is not this one takes it; answers how many did.
int SetAllGridsToStyle(int style);
// After the menu was fitted to the current page: the ruler of its grid (nullptr: none) as
// RulerOptionAfterFit decides.
void FitGridRuler(TVX_Grid* grid, bool ruler_item_shown);
