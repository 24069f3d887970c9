// The main window every list tool derives from: the shared menus, the tool bar, the tab pages
// of the document's lists, the status bar, the tool document (fData), and the commands every tool
// handles alike (open, merge, save, close, the grids' list-editing call-backs).
//
// Start-up, once the event loop runs, as queued single steps: IdleAtStart, then
// HandleStartupParameters (the command line parsed into parms; StartupDocument names the file it
// gave), then AfterStartupIdle. A tool overrides CreateTheHolderWithCallbacks (its document) and
// ShowDocumentPages (its pages for fData), and usually HandleStartupParameters.
//
// Opening reads the file into a new document before the current one is touched: a file that
// cannot be read gives its message and the window keeps its data, caption and pages; only after a
// good read comes the question about unsaved results, then the swap. Saving goes through the
// document's safe save (a temporary sibling renamed over the file), so a failed save leaves the
// old file as it was and the data counted as unsaved.
//
// While a job runs (JobRunning), Close, Open (menu, recent file, drop, code 613), New and code
// 1241 are refused with a status message; closing the window during a job asks about stopping it
// and closes after the job, with the save question.
#pragma once

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "model/documents/work_derived.h"
#include "shell/main_window/controller_messages.h"
#include "shell/menus/general_menu_commands.h"
#include "shell/files/file_dialogs.h"
#include "shell/files/saved_texts.h"
#include "shell/grid_tools/list_commands.h"
#include "shell/menus/menu_model.h"
#include "shell/menus/tool_pages.h"
#include "shell/main_window/off_thread_release.h"
#include "shell/services/command_line.h"
#include "shell/qt/form_base.h"
#include "shell/qt/print_preview.h"
#include "shell/qt/source_text_view.h"
#include "shell/grid_tools/save_as_rules.h"

class QComboBox;
class QMenu;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class TPageList;
class TShellMenuBar;
class TTagsToTranslateList;
class TTextTagHandler;
class TVX_Grid;
class TVXStatusBar;

// Status panels the main window writes.
inline constexpr int kPanelEntries = 0;
inline constexpr int kPanelRow = 1;
inline constexpr int kPanelProgress = 3;
inline constexpr int kPanelMessage = 10;
// The page list's last-actions bit of a document just opened.
inline constexpr uint32_t kAfterOpening = 1u << 14;

class TMainToolsForm : public TVXStylableForm<QMainWindow>, public TShellActions, public TGeneralMenuWindow {
  Q_OBJECT
 public:
  TMainToolsForm(uint8_t tool, QWidget* parent = nullptr);
  ~TMainToolsForm() override;

  // --- the document ---
  TTessorineholder* Data() const { return fData.get(); }
  // Where closed documents go to be freed (their count, the thread that freed the last one).
  TOffThreadRelease& ReleasedDocuments() { return released_documents_; }
  virtual bool HasData() const;
  // A grid showing a list of the loaded document.
  virtual bool GridHasListData(const TVX_Grid* grid) const;
  // Something would be lost by closing: never saved, changed since the last save or open, or
  // notes modified.
  bool HasUnsavedData() const;
  void MarkDataChanged() { data_changed_ = true; }

  // --- virtual operations of every tool ---
  virtual int AskWhetherToSaveModifiedData();
  virtual int AskWhetherToSave();
  virtual void HandleMenuCommand(int tag, const UString& data);
  virtual bool CanCloseData();
  virtual void UpdateControlsForData();
  virtual void SetMenuChecks();
  bool OpenWithDialog() override;
  virtual std::unique_ptr<TTessorineholder> CreateTheHolder(TTessorineList list_type);
  virtual std::unique_ptr<TTessorineholder> CreateTheHolderWithCallbacks(TTessorineList list_type);
  virtual void CloseCurrentData();
  virtual void RefreshGrid(TVX_Grid* grid);
  virtual void ShowRelativeEntropy(TVX_Grid* grid, UStringView basis_text);
  virtual void MergeWithAFile(TVX_Grid* grid);
  virtual bool ChooseFileToOpen(TVXStored_File_rec& chosen);
  virtual bool OpenAFile();
  virtual void SaveData(TVX_Grid* grid, bool& saved);
  virtual bool SaveDataToFile(TVX_Grid* grid, const UString& file_name);
  virtual void ShowSourceOfRow(TVX_Grid* grid, int row, bool& shown);
  virtual void CloseData(bool tell);
  virtual void HandleStartupParameters();
  virtual void IdleAtStart();
  virtual void AfterStartupIdle();
  virtual QPlainTextEdit* GetToolSpecificControl() const { return notes_; }
  virtual void SetUpDisplay() {}
  virtual void SetUpFileDialogs(TTessorineList list_type);
  virtual void ShowStartDialog() { ++start_dialogs_shown; }
  virtual void FitControlsToActivePage() {}
  virtual void PageChanged(int tab);
  virtual void ApplyTextSettings(int code);
  // The tool's pages for fData (the base shows none).
  // Makes the document's pages; the caller then shows the current one (ShowDataState), which
  // handles its page change.
  virtual void ShowDocumentPages() {}
  // A command changed the rows of the grid's list (after the grid was told).
  virtual void ListRowsChanged(TVX_Grid* /*grid*/) {}
  // Whether the menu fitted for the grid offers "Show related txts" (the base never does).
  virtual bool ShowsRelatedTexts(const TVX_Grid* /*grid*/) const { return false; }
  bool HandleCommonMenuCommand(int tag, TVX_Grid* grid);

  // --- window operations ---
  void SetPageAppropriateCaption();
  // The start panel (no data) or the pages (data), the tool bar, menus and caption.
  void ShowDataState();
  // The status bar's entries and row panels for the grid: "n entries", "Row r" of its current
  // row (nothing on a page without rows).
  void ShowEntryCount(TVX_Grid* grid);
  void ShowRowStatus(TVX_Grid* grid);
  // The row panel follows the grid's current row while its page is the current one.
  void FollowCurrentRow(TVX_Grid* grid);
  void SetTypingMode(int mode);
  void SetTypeModeCombo(QComboBox* combo);
  void SetNotesControl(QPlainTextEdit* notes) { notes_ = notes; }
  // A later note of the data, shown on the notes page too: the page is what a save writes, so a
  // note only the data held would be lost there.
  void AddLaterNote(UStringView what, UStringView detail);
  void OpenRecentFile(const UString& path);
  // Dropped files in order: another tool's file is refused with its message, the next one is tried.
  bool HandleDroppedFiles(const std::vector<UString>& paths);
  void SetFileDialogs(TFileDialogs* dialogs) { file_dialogs_ = dialogs; }
  TFileDialogs& FileDialogs() { return *file_dialogs_; }
  // Who shows and edits files for the window (tests record the calls).
  void SetFileLauncher(TFileLauncher* launcher) { file_launcher_ = launcher; }
  TFileLauncher& FileLauncher() { return *file_launcher_; }
  // A web page or XML file in the browser (after asking) or any file in the editor.
  void OpenOrEditFile(const UString& name);
  // The current page as plain text: a memo page's lines (to the file it was saved to before, else
  // a chosen one), a grid's list through the plain-text export.
  bool SavePageAsPlainText();
  // The match commands (tags 7, 156, 157, 209; 158 sets the method up) on the grid's list; the
  // report goes to the status bar.
  void MatchCommandOnGrid(TVX_Grid* grid, int tag);
  void ReverseDeletionOnGrid(TVX_Grid* grid);
  void ColumnTotalsOnGrid(TVX_Grid* grid);
  // The main page's column widths into the document, which a save then keeps.
  void KeepGridLayoutInDocument();
  // Printing (menu 4) and the print preview (menu 5) of a grid with list data; the preview window
  // is made on first use and kept.
  int32_t PrintGridPages(TVX_Grid* grid);
  void PreviewGrid(TVX_Grid* grid);
  TVXFormPrintPreview* PrintPreview() const { return preview_form_; }
  TPrintPreviewHandler& PrintHandler() { return *print_handler_; }

  // Reads the grid's current row aloud (the right-click menu's last item) through the desktop's
  // speech engine, made on first use; without an engine the status bar says so. Tests put their
  // own speaker in (nullptr: the window's own again).
  void SetSpeechService(TSpeechService* speech) { speech_ = speech; }
  void SpeakRow(TVX_Grid* grid);
  void SpeakCurrentLine(TVX_Grid* grid) { SpeakRow(grid); }

  // --- the right-click menu of the result grids and the tool bar (main_tools_popups.cpp) ---
  // A grid of a page takes the right-click menu: the customisable items chosen for it that the
  // page's menu offers (Join Clusters on the collocates and clusters pages), each firing its tag
  // through HandleMenuCommand as its menu twin does, then "Read row aloud".
  void AttachRightClickMenu(TVX_Grid* grid);
  // The menu made afresh for the grid (the one a right-click on it shows; its object name is
  // "PopupMenuForGrids").
  QMenu* RightClickMenuFor(TVX_Grid* grid);
  // The tool bar's buttons: one per customisable item that has a picture, in the customisable
  // items' order, each running its item; FitToolbarToPage shows those the page's menu offers.
  void BuildToolbar();
  void FitToolbarToPage(uint8_t list_type, uint8_t alternative);
  // The caption follows the document's file, and the window takes the size saved with it.
  void FitWindowToDocument();

  // --- the source-text viewer and its pop-up menu (each item does nothing without a viewer) ---
  enum TSourceTextItem { kSourceSave, kSourcePrint, kSourceCopy, kSourceHighlight, kSourceNext, kSourcePrevious,
                         kSourceGreyTags, kSourceClearMarkup, kSourceRefresh };
  void SetSourceTextViewer(TSourceTextRichEdit* viewer);
  TSourceTextRichEdit* SourceTextViewer() const { return source_text_; }
  void SourceTextCommand(int item);
  QMenu* SourceTextMenu() const { return source_menu_; }
  // Prints the viewer's text (into a PDF file the user names when no printer is installed).
  bool PrintSourceText();
  void SetCommandLine(std::vector<UString> params) { command_line_ = std::move(params); }
  // Exports the grid's list; choices name the rows and columns (all by default).
  bool SaveAsText(TVX_Grid* grid, int format, const UString& file_name, const TExportSettings& choices = {});

  // --- the hand-over file, through which another program of the suite takes or gives a document ---
  // The document into the tool's hand-over file; the store then names it (as the hand-over file
  // and the tool's last file), SavedOK is shown and code 615 tells the controller. The document
  // keeps its own file and its unsaved state: the copy is no save of the user's. A failed save
  // says FailedToSave and changes nothing in the store; nothing is posted then.
  bool SaveForHandOver();
  // The document in the hand-over file the store names, opened once with the hand-over checks
  // (this user's own plain file, never through a link: hand_over_folder.h) and read through that
  // opening as any document is (read whole first, then the unsaved-data question, then the swap);
  // it counts as never saved, so Save asks for a name. The store names it again, the fact is
  // shown and 615 tells the controller. A store naming no file, a file that fails the checks or
  // one that does not read says FailedToRead (why, naming the file) and changes nothing.
  bool ReadFromHandOver();
  void NewResult();
  void TimerAutoSavingTick();

  // --- grid call-backs: each does nothing for a grid without list data ---
  void DeleteSelectedRows(TVX_Grid* grid);
  void SetRowsDeleted(TVX_Grid* grid, int first, int last, bool deleted);
  void MarkSelectedRows(TVX_Grid* grid, bool mark);
  void JoinRows(TVX_Grid* grid, int row);
  void ZapList(TVX_Grid* grid);
  void ReduceToN(TVX_Grid* grid, UStringView count_text);
  // Menu 21: an input box proposes the current count; the answer goes to ReduceToN.
  // The input box (or the seam set for it): false when cancelled; `answer` comes in as the default.
  bool AskInInputBox(const UString& caption, const UString& prompt, UString& answer);
  void ReduceToNFromInput(TVX_Grid* grid);
  // Freeze top rows...: asks how many rows stay at the top of the grid.
  void FreezeRowsFromInput(TVX_Grid* grid);
  // How the window asks for a line of text (caption, prompt, the value proposed and answered);
  // false when cancelled. Tests answer in place of the user.
  using TInputBox = std::function<bool(const UString& caption, const UString& prompt, UString& value)>;
  void SetInputBox(TInputBox box) { input_box_ = std::move(box); }
  void UndoList(TVX_Grid* grid);
  void RedoList(TVX_Grid* grid);
  bool RowQuery(TVX_Grid* grid, int index);
  void GoToRow(TVX_Grid* grid, int row);
  void PercentToStatusBar(int64_t done, int64_t total);

  // --- TGeneralMenuWindow: the commands every tool shares (general_menu_commands.h) ---
  bool SaveTextPageLines() override;
  bool MainFormIsActive() const override;
  void CloseDataFromMenu() override;
  void ApplyRulerToCurrentGrid() override;
  void SetToolbarAndStatusBarVisibility() override;
  void ShowHelpContext(int context) override;
  void SetDocumentTagDisplay(uint8_t display) override;
  void RefreshChecksAndGrid() override;

  // --- TShellActions ---
  void LoadOrClearList(int kind, bool load) override;
  // The menus take the stored shortcuts and right-click commands again (Settings > Customise).
  void SettingsChanged() override;
  void CloseMainWindow() override { close(); }
  void TerminateNow() override { close(); }

  // --- parts of the window ---
  TShellMenuBar* Menus() const { return menus_; }
  TMenuModel& MenuModel() { return menu_model_; }
  TPageList* Pages() const { return pages_; }
  TVXStatusBar* Status() const { return status_; }
  QWidget* ToolbarPanel() const { return toolbar_panel_; }
  QWidget* StartPanel() const { return start_panel_; }
  QTimer& AutoSaveTimer() { return auto_save_; }
  uint8_t Tool() const { return tool_; }
  const TVXParamsFound& Params() const { return parms; }
  // The document the command line named (empty when it named none); checked by the opener.
  const UString& StartupDocument() const { return startup_document_; }
  bool StartupDone() const { return startup_done_; }

  // The file to open or save next (filled by dialogs, the command line, recent files, drops).
  TVXStored_File_rec NextFile;
  bool terminating_app = false;
  bool BusySavingAs = false;
  int start_dialogs_shown = 0;
  int new_instances_asked = 0;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool event(QEvent* e) override;
  void FormActivate() override;
  // Refuses an action during a job, with a status message; true when refused.
  bool RefusedDuringJob();
  TVX_Grid* CurrentGrid() const;
  void ListChanged(TVX_Grid* grid);
  // The list entry a grid row (from 1) shows; outside 0..Count()-1 for rows without one.
  int EntryOfGridRow(TVX_Grid* grid, int row) const;

  // The tag handler's lists, language and code page read again from the stored settings.
  void RefreshTagHandler();
  // The tool's tag handler and its entities, which every document of the window is made with
  // (a document takes the tags it keeps from the handler's tag file). Made before any document
  // and freed after the last: documents point at them.
  std::unique_ptr<TTextTagHandler> fTagHandler;
  std::unique_ptr<TTagsToTranslateList> fTagsToTranslateList;
  std::unique_ptr<TTessorineholder> fData;
  // Closed documents are freed here, off the window's thread (see CloseData).
  TOffThreadRelease released_documents_;
  TVXParamsFound parms;
  TTessorineList data_list_type_ = kListNone;
  // Texts the last run converted to Unicode; said once by AfterStartupIdle.
  int32_t TextFiles_convertedtoUnicode = 0;

 private:
  void BuildWindow();
  void PlaceOnScreen();
  void ArmAutoSave();
  // The menus fitted to the page's list type, then the grid's ruler as the fitted menu allows.
  void FitMenus(uint8_t list_type, uint8_t alternative, TVX_Grid* grid);
  // Undo and Redo are offered while the grid's list has something to undo or redo.
  void ShowUndoRedoState(TVX_Grid* grid);
  void RefreshRecentFiles();
  TVXFormPrintPreview& EnsurePreviewForm();
  // Windows that show the document's lists let go of them (before pages or the document go).
  void DetachListWindows();
  bool SaveDocumentAndWindow(const UString& file_name);
  // Reads the open file (the record names it and its list type) into a new document and, unless
  // the user keeps the unsaved data shown, makes it the window's; a file that does not read says
  // FailedToRead, with why, and changes nothing.
  bool OpenDocument(const TVXStored_File_rec& rec, TStream& file);
  // The memo's lines to the file they were saved to before, else to one the user chooses.
  bool SaveMemoLines(const QString& text, UString& saved_to);
  void AfterSaving(bool saved, const UString& file_name);

  uint8_t tool_;
  TWindowId own_window_ = kNoWindow;
  TMenuModel menu_model_;
  TShellMenuBar* menus_ = nullptr;
  QWidget* toolbar_panel_ = nullptr;
  QComboBox* type_mode_combo_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QWidget* start_panel_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  TPageList* pages_ = nullptr;
  TVXStatusBar* status_ = nullptr;
  QPointer<QPlainTextEdit> notes_;
  QTimer auto_save_;
  std::unique_ptr<TFileDialogs> own_dialogs_;
  TFileDialogs* file_dialogs_ = nullptr;
  std::unique_ptr<TFileLauncher> own_launcher_;
  TFileLauncher* file_launcher_ = nullptr;
  UString memo_file_;                                // where the memo page's lines were saved
  std::map<const TVXBaseDataClass*, bool> totals_on_;  // lists whose column totals are wanted
  std::unique_ptr<TPrintPreviewHandler> print_handler_;
  QPointer<TVXFormPrintPreview> preview_form_;
  QPointer<TSourceTextRichEdit> source_text_;
  QMenu* source_menu_ = nullptr;
  TSpeechService* speech_ = nullptr;
  std::unique_ptr<TSpeechService> own_speech_;
  QMenu* grid_popup_ = nullptr;
  std::vector<std::pair<int, QToolButton*>> toolbar_buttons_;
  uint8_t toolbar_list_type_ = kNoListType;
  uint8_t toolbar_alternative_ = 0;
  void FireRightClickCommand(int tag);
  TInputBox input_box_;
  std::vector<UString> command_line_;
  UString startup_document_;
  bool startup_done_ = false;
  bool data_changed_ = false;
  bool close_after_job_ = false;
};
