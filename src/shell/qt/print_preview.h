// The print preview of a grid: one page at a time on a QPrintPreviewWidget (which keeps the
// drawn page), a zoom list (fit to page, 20 % to 150 %, any typed value from 10 % to 400 %), a
// 100 % toggle, page buttons, print, orientation, colour, Close (Escape too), and a second tab for
// the header and footer. Its caption names the list previewed, the printer and the orientation.
// A page here is a sheet (see grid_printing.h). The preview's controls send the print handler its
// commands:
//
//   256 next page (none after the last)   257 previous page (none before the first)
//   258 the window was activated: it takes the page and printer as stored (the preview's own
//       changes were stored as they were made; Page Setup may have changed them since), and the
//       page is drawn again
//   259 print                              260 the print settings changed: stored, drawn again
//
// Every command but 258 and 259 ends the same way: the page is clamped to the plan (the grid's
// data may have shrunk), the grid scrolls to the page's first row and the page is drawn again. A
// command for a grid other than the one previewed, or while a page is being drawn, does nothing.
//
// When the previewed grid's list changes (the grid's model is reset), a shown preview draws its
// page again from the list as it now is, clamped to the new plan; changes that come together are
// drawn once, when the event loop next runs.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "shell/files/file_dialogs.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/printing/grid_page_layout.h"
#include "shell/qt/form_base.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPrintPreviewWidget;
class QPrinter;
class QTabWidget;
class QToolButton;
class TVX_Grid;
class TVXFormPrintPreview;

inline constexpr int kPreviewNextPage = 256;
inline constexpr int kPreviewPreviousPage = 257;
inline constexpr int kPreviewActivated = 258;
inline constexpr int kPreviewPrint = 259;
inline constexpr int kPreviewSettingsChanged = 260;

class TBasePrintHandler {
 public:
  virtual ~TBasePrintHandler() = default;
  virtual void PrintThePages(int command) = 0;
  bool PrintPreviewBusy = false;
};

class TPrintPreviewHandler : public TBasePrintHandler {
 public:
  void SetTheGrid(TVX_Grid* grid) { previewgrid = grid; }
  void SetPreview(TVXFormPrintPreview* preview) { preview_ = preview; }
  void PrintThePages(int command) override;
  TVX_Grid* previewgrid = nullptr;

 private:
  TVXFormPrintPreview* preview_ = nullptr;
};

class TVXFormPrintPreview : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TVXFormPrintPreview(QWidget* parent = nullptr);
  ~TVXFormPrintPreview() override;

  // The main window, where commands go, and the dialogs that name a PDF file to print into.
  void AssignStuff(QWidget* owner, TBasePrintHandler* handler, TFileDialogs* dialogs);
  // Told after the print settings change (the main window stores them).
  void SetPrintSettingsChanged(std::function<void()> changed) { settings_changed_ = std::move(changed); }

  // Shows the grid's current page (the first when the grid changed); nullptr lets go of the grid.
  void PreviewGrid(TVX_Grid* grid);
  // Draws the current page again (from the grid as it is now).
  void Redraw();
  // Prints the chosen pages (the print dialog of the desktop when a printer is installed, else
  // into a PDF file the user names); pages printed.
  int32_t PrintPages();
  // The page settings and the printer into the store; the owner is told.
  void StoreSettings();
  // The page settings and the printer as stored (Page Setup changes them while the window is
  // kept); the controls show them.
  void LoadStoredSettings();

  TVX_Grid* PreviewedGrid() const { return grid_; }
  int32_t CurrentPage() const { return current_page_; }
  void SetCurrentPage(int32_t page) { current_page_ = page; }
  // Sheets: pages of rows, each as many times as its columns need sheets.
  int32_t PageCount() const { return plan_.SheetCount(); }
  const TGridPagePlan& Plan() const { return plan_; }
  // Plans the pages for the grid as it is now.
  void Replan();
  int32_t ZoomPercent() const { return zoom_percent_; }
  bool FitToPage() const { return fit_; }
  // The zoom list's numbers, in order (the fit-to-page entry not counted).
  const std::vector<int32_t>& ZoomEntries() const { return zoom_entries_; }
  TPrintPageRec& Settings() { return settings_; }
  UString& PrinterName() { return printer_name_; }
  QPrinter& Printer() { return *printer_; }

  // --- the controls' actions (public so that a test can press them) ---
  void ComboBoxZoomChange(const QString& text);
  void Toggle100();
  void FitToPageClick();
  void SetLandscape(bool landscape);
  void ToggleColour();
  void EditHeaderChanged();
  void EditFooterChanged();
  void CheckBoxHeaderVisibleClick();
  void CheckBoxFooterVisibleClick();
  void SendCommand(int command);
  QComboBox* ComboBoxZoom() const { return zoom_; }
  QLineEdit* EditHeader() const { return edit_header_; }
  QLineEdit* EditFooter() const { return edit_footer_; }
  QCheckBox* CheckBoxHeaderVisible() const { return header_visible_; }
  QCheckBox* CheckBoxFooterVisible() const { return footer_visible_; }
  QPrintPreviewWidget* PreviewWidget() const { return preview_; }
  QTabWidget* Tabs() const { return tabs_; }
  QToolButton* CloseButton() const { return close_button_; }
  // "printer (portrait)" as the caption shows it.
  UString PrinterAndOrientation() const;
  // The window's caption: the list previewed, then the printer and orientation.
  UString Caption() const;

 protected:
  void FormShow() override;
  void FormActivate() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ApplySettings();
  void ApplyZoom();
  void FillZoomList();
  void SelectZoomEntry(int32_t zoom);
  void ShowSettingsInControls();
  void PaintRequested(QPrinter* printer);
  // The previewed grid's list changed: a shown preview draws again once the loop runs.
  void GridListChanged();

  QWidget* owner_ = nullptr;
  TBasePrintHandler* handler_ = nullptr;
  TFileDialogs* dialogs_ = nullptr;
  std::function<void()> settings_changed_;
  TVX_Grid* grid_ = nullptr;
  QMetaObject::Connection grid_changed_;
  bool redraw_pending_ = false;
  std::unique_ptr<QPrinter> printer_;
  QPrintPreviewWidget* preview_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QComboBox* zoom_ = nullptr;
  QLineEdit* edit_header_ = nullptr;
  QLineEdit* edit_footer_ = nullptr;
  QCheckBox* header_visible_ = nullptr;
  QCheckBox* footer_visible_ = nullptr;
  QToolButton* colour_button_ = nullptr;
  QToolButton* close_button_ = nullptr;
  TPrintPageRec settings_;
  UString printer_name_;
  TGridPagePlan plan_;
  std::vector<int32_t> zoom_entries_;
  int32_t current_page_ = 0;
  int32_t zoom_percent_ = 50;
  int32_t last_zoom_ = 50;
  bool last_zoom100_ = false;
  bool fit_ = false;
  bool filling_ = false;
};
