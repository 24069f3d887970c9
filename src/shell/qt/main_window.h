// The concordancer's main window: the tool window (main_tools_form.h) with the concordance
// document's pages, the run that the start wizard, a follow-up switch or another tool's request
// starts, and the resort of the lines.
//
// A run, in order (RunConcordance):
//   1. checks that leave everything as it was when they refuse: a run already going, no text,
//      nothing to search for, an item of wildcards only, texts missing (all: no run; some: the
//      user may go on), the minimum-texts warning (Cancel cancels);
//   2. binary texts (not UTF-16, NUL bytes in their first chunk) are marked unusable and passed
//      over;
//   3. the shown document is closed and a new one made; the job scope refuses New, Open, Close,
//      drops, header sorts and further run requests with a status line until the run ends;
//   4. MakeConcordance runs on this thread; the yield hook pumps the event loop at most every
//      20 ms (one clock read a call), so the window repaints and Stop or Escape are seen;
//   5. the lines found are kept and shown, also when a text failed or the run was stopped (the
//      notes say so); only an empty list closes the document with "no entries found".
#pragma once

#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "concordance/commands/analysis_commands.h"
#include "concordance/commands/concordance_commands.h"
#include "concordance/commands/source_text_page.h"
#include "concordance/document/concordance_document.h"
#include "model/reading/chosen_texts_handover.h"
#include "shell/qt/main_tools_form.h"
#include "shell/qt/main_window_run_progress.h"
#include "shell/qt/main_window_startup.h"
#include "windows/sort_rules.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QToolButton;
class TFormExtraDetails;
class TFormOneTextFileShower;
class TFormTextStringGridExtra;
class TFormVXPasLibVCL;
class TFormWordCloud;
class TConcSortForm;
class TConcPlottingDlg;
class TFormStartWizardC;
class TFormBatchProcessSetup;
struct TLineColours;

inline constexpr uint32_t kMsgRunConcordance = 0x56F;

class TFormLinzora : public TMainToolsForm {
  Q_OBJECT
 public:
  explicit TFormLinzora(QWidget* parent = nullptr);
  ~TFormLinzora() override;

  void SetWindows(TFormStartWizardC* wizard, TConcSortForm* sort_form);
  TFormStartWizardC* Wizard() const;
  TConcSortForm* SortForm() const;
  T_WholeLinzoraHolder* Doc() const { return dynamic_cast<T_WholeLinzoraHolder*>(Data()); }

  // --- the tool window's operations ---
  std::unique_ptr<TTessorineholder> CreateTheHolderWithCallbacks(TTessorineList list_type) override;
  void ShowDocumentPages() override;
  void ShowStartDialog() override;
  bool CanCloseData() override;
  void CloseData(bool tell) override;
  void HandleStartupParameters() override;
  void PageChanged(int tab) override;
  // Lines gone or back (Zap, Reduce, Undo): the texts' hits counted again and the views made
  // from the lines made again when their page is turned to.
  void ListRowsChanged(TVX_Grid* grid) override;
  // While the document's texts have same-named texts beside them (its same-file-name option).
  bool ShowsRelatedTexts(const TVX_Grid* grid) const override;
  // The base's checks, then the concordance view items' own (tags only, sentence only, search
  // word hidden and padded, tag list colours, the hide-tag items); the main toolbar's check also
  // shows or hides the toolbar.
  void SetMenuChecks() override;
  // The toolbar's close button: unchecks and hides the main toolbar for good (stored) and
  // empties the typing boxes.
  void ToolButtonCloseClick();
  QToolButton* ToolbarCloseButton() const { return close_button_; }
  // A status-bar panel clicked: 6 and 7 step to the previous and next plot hit on the plot page
  // (the hit's row becomes current, the status line says which hit), or to the previous and next
  // highlight on the source-text page. Answers whether a step was made.
  bool StatusPanelClick(int panel);
  // Copying rows is text output: the plot, pattern, collocate and concordance cells take their
  // text forms for it (the grids' cells are made afresh before and after).
  //
  // Every menu item, pop-up item and tool button arrives here by its tag; the route
  // (shell/concordance_commands.h) says whether the shared handler, the window or the current
  // grid (through a posted 0x1788) carries it out.
  void HandleMenuCommand(int tag, const UString& data) override;
  bool TextOutput() const { return text_output_; }
  // A list command that reached a grid as 0x1788; false for a tag the grid is to handle itself.
  bool CarryOutGridCommand(TVX_Grid* grid, uint64_t wparam);
  // The tag colour chooser, made on first use (menu 77); nullptr before. Shown (with the
  // document's tags) when the document's tags carry colours of their own and it is not showing;
  // hidden otherwise, so a second call hides it. A run and an open call it.
  QWidget* TagColourChooser() const { return tag_chooser_; }
  void ShowTagColourChooser();
  // After a run or an open: the tag colour chooser, and the question whether tags go before
  // their words when the document's texts were read with tags kept and the lines do not show
  // them so yet (Yes shows them as prefixes, for the document and as the stored choice).
  void AfterDocumentShown();
  // The tool bar's two tag buttons ("AdvGlowButtonUndefinedTags", "AdvGlowButtonTagFileTags"):
  // hide or show undefined tags and the tag file's tags (they click menu items 117 and 100);
  // shown while the document has tags.
  void FitTagButtons();
  // Breakdown on the plot page: hits per section of the texts; on the text-name page: lines per
  // search word (list_reports.h), in the small list viewer.
  void ShowPlotStatistics();
  void ShowBreakdownOfList();
  // The lemma forms window of a collocate's word (column 1 of the collocates, menu 150), made on
  // first use; nullptr before.
  QWidget* LemmaFormsWindow() const { return lemma_shower_; }
  // Message 0x140D from the chooser: a tag index (or 0x7FFFFFFF all, 0x7FFFFFFE re-check the
  // menus) and 1 show, 0 hide.
  void ShowOrHideTags(uint64_t wparam, int64_t lparam);
  // Captions of the two tag buttons as the last hide-tag command (100, 117-121) left them.
  const TTagButtonCaptions& TagButtons() const { return tag_buttons_; }
  // Steps the search word is moved off the middle of the lines (below 0 to the left), each step
  // kConcDisplacementStep characters.
  int ConcDisplacement() const { return conc_displacement_; }
  static constexpr int kConcDisplacementStep = 5;
  // The plot grid: the mouse over a row's plot shows the hit nearest to it on the status line
  // (when the plot keeps its hits' contexts); a row selected becomes the plot list's current row.
  void PlotGridMouseMove(TVX_Grid* grid, QPoint pos);
  void PlotGridSelectCell(int row);
  // Turning to a derived page computes the views not yet computed (collocates, patterns, plot,
  // clusters, time-line, in that order); a page already computed costs nothing.
  void ComputePageData();

  // --- viewers and media (main_window_viewers.cpp) ---
  // Tags 6, 75, 95, 186 and 179; false for any other tag.
  bool OpenViewerWindow(int tag, TVX_Grid* grid);
  void ShowWordCloudOfList(TVX_Grid* grid);
  void FindFilesOfSearchWords();
  // A text in the one-text viewer with the run's search words; a line's text at its hit.
  bool ShowFileInViewer(UStringView name);
  bool ShowLineInViewer(int line_index);
  TFormOneTextFileShower& TextViewer();
  // The list entry a concordance grid row (from 1) shows.
  int LineOfRow(TVX_Grid* grid, int row) const { return EntryOfGridRow(grid, row); }
  // The windows made so far (nullptr before their first use).
  TFormVXPasLibVCL* MediaWindow() const;
  TFormWordCloud* WordCloudWindow() const;
  TFormExtraDetails* ExtraDetailsWindow() const;
  TFormTextStringGridExtra* ExtraGridWindow() const;

  // --- runs ---
  // The run request of the wizard (message 0x56F).
  void StartConcordanceMessage(uint64_t wparam, int64_t lparam);
  // The single run over texts with the wizard's items; false when it was refused or found
  // nothing.
  bool RunConcordance(TVXFileDetails& texts, bool sw_batch);
  // One concordance per search word, each saved into the batch folder; then a report of what
  // was saved, where, and where the batch stopped.
  bool RunSearchWordBatchConcordance(TVXFileDetails& texts);
  // One result per text, saved (and zipped when asked) into the batch folder.
  bool RunBatchConcordance(TVXFileDetails& texts);
  // The batch window, made on first use.
  TFormBatchProcessSetup& BatchWindow();
  // One result of a batch file, read from its stream (index from 0), as the batch chooser hands
  // it over. The shown results go only when the user lets them (Cancel keeps them and opens
  // nothing); a result that cannot be read is named and the shown one stays.
  bool OpenOneBatchEntry(TStream& stream, int index);
  void StartFollowUpSearch(bool with_context);
  // Another tool's request file ("<tool>_<this tool>.tell_linzora"): one concordance of all its
  // items, each in its own texts when the request names places to jump to. A file that cannot be
  // read is named and nothing runs; a request that finds nothing leaves no document.
  bool RunOtherToolRequests(uint8_t tool);
  // The chosen texts handed over by the chooser (or another tool) through the store.
  bool LoadChosenTextsFromStore();
  bool RunActive() const { return run_active_; }
  // Called at every turn of the event loop during a run (tests stop a run from here).
  void SetRunTurnObserver(std::function<void()> observer) { run_turn_observer_ = std::move(observer); }
  // Called on the reading worker after each chunk of a run (set before the run starts).
  void SetRunChunkObserver(std::function<void(int32_t text_index)> observer) { run_chunk_observer_ = std::move(observer); }
  int64_t LongestLoopGapMs() const { return longest_gap_ms_; }
  // The last run's turns of the event loop and the time the window spent in them.
  struct TLoopTurns {
    int64_t turns = 0;
    int64_t total_ns = 0;
    int64_t longest_ns = 0;
  };
  TLoopTurns LoopTurnsOfLastRun() const { return loop_turns_; }
  // The figures the status bar shows during a run (text, this-text and overall percent, running
  // words); panels: 1 the text, 2 overall percent, 3 this-text percent, 4 running words.
  TRunProgressFigures RunProgressShown() const { return run_progress_.Figures(); }

  // --- grid tools (main_window_grid_tools.cpp) ---
  // Tags 29 Layout, 52 New column, 85 Delete If, 170 Find, 194 Colour categories, 207 active set
  // column, 17 Search + Replace, 37 Breakdown on the grid; false for any other tag.
  bool OpenGridTool(int tag, TVX_Grid* grid);
  // The column editor on the grid (page 0 layout, 1 the calculator).
  void OpenColumnEditor(TVX_Grid* grid, int page);
  // The column editor's handlers: add or delete a set column, add the computed column.
  void ColumnOperation(TVX_Grid* grid, bool set_column, bool add, int column_number);
  bool SaveHeadingsAsCustomised(TVX_Grid* grid);
  // A grid of a list type whose user layout is saved takes it (a damaged file is logged).
  void ApplyCustomisedLayout(TVX_Grid* grid);
  void OpenConditions(TVX_Grid* grid, int tag);
  void OpenSearchReplace(TVX_Grid* grid, bool replace);
  void OpenBreakdown(TVX_Grid* grid);
  void OpenActiveSetColumnChooser(TVX_Grid* grid);
  // The grid's data changed or went: the conditions and search windows let go of it.
  void RefreshAfterGridChange(TVX_Grid* grid);
  // Writes a replacement into the list (set columns and editable columns); false when the cell
  // cannot change.
  bool SetWordOfRow(TVX_Grid* grid, int column, int row, const UString& text);
  // The search's words shown in the grid's column, in the search-word colour.
  void ShowSearchFormat(TVX_Grid* grid, int column, const std::vector<UString>& items);
  // A batch archive: the question, then the chooser; never a document of its own.
  bool OpenAFile() override;
  // Values in added columns are not part of the document: the user hears so first and may cancel.
  void SaveData(TVX_Grid* grid, bool& saved) override;
  QWidget* ColumnsForm() const { return columns_form_; }
  QWidget* ConditionsForm() const { return conditions_form_; }
  QWidget* SearchReplaceForm() const { return search_form_; }
  QWidget* BreakdownForm() const { return breakdown_form_; }
  QWidget* BatchChooser() const { return batch_chooser_; }

  // --- resort ---
  void Resort(TVX_Grid* grid, int column);
  TConcSortRecord& SortRecord() { return sort_record_; }

  // --- the result pages' commands --------------------------------------------------------------
  // The source-text page (main_window_source_text.cpp): a concordance line's text with its hit
  // marked. A file-name row's text opens in the one-text viewer, other rows as the tool window
  // shows them; a concordance row's text goes to the page, which is turned to only when the text
  // could be shown.
  void ShowSourceOfRow(TVX_Grid* grid, int row, bool& shown) override;
  // Reads the text unless it is the one shown (and the viewer holds it); right-justified for a
  // right-to-left language, in the text settings' font. False only when the text is not there
  // or cannot be read (SourceTextFileNotFound names it).
  bool LoadSourceText(const UString& name);
  // The file a text is read from: the text itself, or for a member of a zip archive a copy taken
  // out of the archive (kept while that member is the one shown; deleted when another member is
  // shown, the data close or the window goes). The name itself when neither can be had.
  UString ReadableSourceText(const UString& name);
  TSourceTextRichEdit* SourceTextPage() const { return source_page_; }
  // The line whose hit the page shows (valid false before any).
  const TLineSource& ShownSourceLine() const { return shown_line_; }
  int SourceTextReads() const { return source_reads_; }
  // The space bar on the concordance grid hides or shows the search word (byte 1733, item 181).
  bool HandleGridKey(TVX_Grid* grid, int key);
  void ApplyTextSettings(int code) override;

  // The typing box and its case box on the tool bar (main_window_typing.cpp).
  QComboBox* TypingBox() const { return typing_box_; }
  QCheckBox* CaseBox() const { return case_box_; }
  void EditTypingChange(const UString& text);
  // Enter in the typing box; true when it was taken.
  bool EditTypingKeyDown(int key);

  // Recomputing and deriving (main_window_analysis.cpp); each does nothing for a grid without
  // list data.
  void CClusters(TVX_Grid* grid);
  void CCollocates(TVX_Grid* grid);
  void CComputeTimeline(TVX_Grid* grid);
  void CComputeRelationships(TVX_Grid* grid);
  void PPlot(TVX_Grid* grid);
  void PPatterns(TVX_Grid* grid);
  void PPlotDisplayChanged(TVX_Grid* grid);
  void PPlayMedia(TVX_Grid* grid);
  void MModifySourceTexts(TVX_Grid* grid, int tag);
  void GridCollocates_FollowCollocates(TVX_Grid* grid);
  void FileNameList();
  void JoinClustersOnGrid(TVX_Grid* grid);
  bool CConcordanceSourceFileNeededAndAvailable(TVX_Grid* grid, int row, UString& file_name);
  void CConcordanceSourceFileReread(TVX_Grid* grid, int row);
  // The reference word list for relationships (and the resort): true when one that exists was
  // chosen; it becomes the stored reference corpus.
  bool ReferenceWordListChosen(bool choose_column);
  // A phrase's frequency the user knows (the reference list holds single words): -1 when none.
  int64_t KnownFrequency(UStringView phrase);

  // The list tools (main_window_list_tools.cpp): 16 Search text, 23 Edit data, 25 Lemma matches,
  // 38 Filenames, 54 and 180 clear and edit a set column, 164 Change language, 193 Save
  // lemma-file; and on the texts page Search + Replace renames the texts.
  void CarryOutListTool(int tag, TVX_Grid* grid);
  void ChangeGridLanguage(TVX_Grid* grid);
  void ClearSetCategories(TVX_Grid* grid);
  void EditSetColumn(TVX_Grid* grid);
  // Typing into a grid's cells, as the typing mode lets it (through the list's own writing).
  void ConnectCellEditing(TVX_Grid* grid);
  // After a category typed into (row from 1, list column): the next Set column shown, or the
  // first one a row down.
  void MoveToNextCategoryCell(TVX_Grid* grid, int row, int column);
  void EditData(TVX_Grid* grid);
  // Asks whether for the current row only (No: every row); the texts go one a line into a new
  // temporary ".txt" file, shown with the desktop's viewer.
  void ShowFileNamesOfRow(TVX_Grid* grid);
  void CheckLemmasOnGrid(TVX_Grid* grid);
  void SaveLemmaFile(TVX_Grid* grid);
  // True when a name changed; the document is then changed and may be saved again at once.
  bool SearchAndReplaceFileNames(TVX_Grid* grid);

  // A double-click on a cell opens what it stands for (main_window_double_click.cpp).
  void DDblClickCell(TVX_Grid* grid, int row);
  void GridConcordanceClickCell(TVX_Grid* grid, int row, int column);
  void GridConcordance_ShowSameFilenameTextFiles(TVX_Grid* grid, int row);
  // Help pages are opened through the base; the last context asked for is kept (tests read it).
  void ShowHelpContext(int context) override;
  int LastHelpContext() const { return last_help_context_; }
  // The small list viewer (related clusters, time-line data, plot details); nullptr before use.
  QWidget* ListViewer() const { return list_viewer_; }

  // The media of a line (the media settings' look-up and the media player window) and the window
  // of same-named texts' excerpts (the extra text grid); tests put their own media in (nullptr:
  // the window's own again).
  void SetLineMedia(TLineMedia* media) { line_media_ = media ? media : own_line_media_.get(); }
  class TExtraTextWindow {
   public:
    virtual ~TExtraTextWindow() = default;
    // The line's own text first; each: the file, and its extension, a tab and its excerpt.
    virtual void ShowLines(const std::vector<std::pair<UString, UString>>& file_and_line) = 0;
  };

  TVX_Grid* ConcordanceGrid() const { return grid_concordance_; }
  TVXFileDetails ChosenTexts;
  QTimer TimerConcordancing;
  bool tool_wants_linzora = false;
  // The concordance opened last names texts its list does not hold, and the user chose to correct
  // them (the list of file names was offered).
  bool filenames_need_fixing = false;
  // Texts passed over (binary) or unreadable in the last run.
  const std::vector<UString>& LastRunPassedOver() const { return passed_over_; }

 protected:
  bool event(QEvent* e) override;
  // A grid's hint: the cell's whole text, wrapped at the cell's width plus 10 pixels.
  bool eventFilter(QObject* watched, QEvent* e) override;
  // Closing during a run stops it; the window closes once the run has ended.
  void closeEvent(QCloseEvent* e) override;

 private:
  // The checks of every road into a run; the texts to read go to run_texts. False: refused
  // (its message given), nothing changed.
  bool RunTextsChecked(TVXFileDetails& texts, TVXFileDetails& run_texts);
  // Before a run makes its document: the tag handler takes the stored tag lists and language
  // (the document keeps the tags they give), and the stop list the settings want is loaded when
  // it is not.
  void PrepareRunReading();
  // The run's arguments with the wizard's context, exclusion and tag-context items.
  TMakeConcordanceArgs WizardRunArgs(TVXFileDetails* texts, TBaseSearchItems& items, int32_t* converted);
  TVX_Grid* AddListPage(const QString& caption, TVXBaseDataClass* list, uint8_t list_type);
  // Grids for the next run's pages, made while the window is idle after a page is painted: a
  // run's end then only fills them (making a grid is most of what a page costs). A grid taken
  // is as one made new.
  void MakeSpareGrids();
  TVX_Grid* NewGrid();
  // The run's figures on the status bar, when the pacer says they are due.
  void ShowRunEndFigures();
  void ShowRunProgress();
  void AfterRun(bool ok, bool stopped, int texts_total);

  QPointer<TFormStartWizardC> wizard_;
  QPointer<TConcSortForm> sort_form_;
  QPointer<TFormBatchProcessSetup> batch_window_;
  TVX_Grid* grid_concordance_ = nullptr;
  // The colours the line cells are painted in, kept between cells (main_window.cpp).
  std::unique_ptr<TLineColours> line_colours_;
  std::vector<std::unique_ptr<TVX_Grid>> spare_grids_;
  // Drops the kept colours and the lines' cells coloured in them: the next paint asks afresh.
  void ForgetLineColours();
  QPlainTextEdit* notes_ = nullptr;
  TConcSortRecord sort_record_;
  QToolButton* close_button_ = nullptr;
  bool text_output_ = false;
  bool in_mouse_move_ = false;
  bool run_active_ = false;
  bool close_after_run_ = false;
  bool show_next_line_ = false;
  std::vector<UString> passed_over_;
  std::vector<UString> failed_reads_;  // texts of this run that could not be read (full names)
  // What the check before a run saw at the start of each text it kept (kTextHead...), for that run.
  std::vector<uint8_t> run_text_heads_;
  std::function<void()> run_turn_observer_;
  std::function<void(int32_t)> run_chunk_observer_;
  QPointer<TFormVXPasLibVCL> media_window_;
  QPointer<TFormWordCloud> word_cloud_;
  QPointer<TFormOneTextFileShower> text_viewer_;
  QPointer<TFormExtraDetails> extra_details_;
  QPointer<TFormTextStringGridExtra> extra_grid_;
  // The document's lists are going: windows that read them forget them.
  void ViewersDataClosed();
  QPointer<QWidget> tag_chooser_;
  QPointer<QWidget> columns_form_;
  QPointer<QWidget> conditions_form_;
  QPointer<QWidget> search_form_;
  QPointer<QWidget> breakdown_form_;
  QPointer<QWidget> batch_chooser_;
  QPointer<QWidget> lemma_shower_;
  // The plot sets dialog, made at the first Plot that has anything to group; it keeps the sets.
  QPointer<TConcPlottingDlg> plot_sets_dialog_;
  // Each line a form, a tab and its frequency.
  void ShowLemmaForms(const std::vector<UString>& lines);
  void FillTagChooser();
  int conc_displacement_ = 0;
  bool added_sort_ascending_ = false;
  // The window's own commands and the compute commands' dialogs (main_window_commands.cpp).
  void CarryOutWindowCommand(int tag, int command, int detail, const UString& data);
  // The notes page after a view was computed: its count lines and the time-line's dates, and the
  // notes the document added since it held notes_before lines (none for -1).
  void RefreshViewNotes(int notes_before = -1);
  void SaveAsThroughDialog(TVX_Grid* grid, int format);
  void CopyThroughFormatDialog(TVX_Grid* grid);
  bool SourceTextPageShown() const;
  void RefreshCurrentGrid();
  void OpenLaterWindow(int tag, TVX_Grid* grid);
  void RemoveDuplicatesOnGrid(TVX_Grid* grid);
  // Menu 20 (the selected rows) and 47 (every row): joins undone where the forms are still in
  // the list.
  void UnjoinRows(TVX_Grid* grid, bool all);
  // The current collocate or pattern cell: its lemma forms, or shown in the lines or followed up
  // as the user chooses.
  void HighlightCollocate(TVX_Grid* grid);
  TTagButtonCaptions tag_buttons_;
  QToolButton* undefined_tags_button_ = nullptr;
  QToolButton* tag_file_tags_button_ = nullptr;
  void BuildTagButtons();
  // --- the result pages' commands ---
  void AddSourceTextPage();
  void BuildTypingControls();
  // Auto-Join has no rule: its item stays disabled and says why.
  void MarkUnavailableCommands();
  // Double-clicks, clicks and keys of a result grid reach the window's commands.
  void ConnectResultPageCommands(TVX_Grid* grid);
  void TurnToGridPage(TVX_Grid* grid);
  void TurnToPageOfWidget(QWidget* widget);
  void ComputeViewCommand(TVX_Grid* grid, int view);
  void RefreshGridsOfList(const TVXBaseDataClass* list);
  // Menu 210: the basis asked for, then the relative entropy of the grid's list.
  void RelativeEntropyOfGrid(TVX_Grid* grid);
  // The concordance lines' columns after Move left or right: lines whose stored context is too
  // short for the shift are read again from their texts.
  void RereadLinesShortOfContext();
  int ConcordanceCharsEachSide(int centre_length) const;
  void ShowInListViewer(const UString& caption, const UString& heading, const std::vector<UString>& lines);
  void EditSetColumnCell(TVX_Grid* grid, int row, int column);
  void OpenFileOfCell(const UString& name);
  QPointer<TSourceTextRichEdit> source_page_;
  UString zip_copy_;     // the copy of the zip member shown, in the temporary folder
  UString zip_copy_of_;  // that member's name ("<archive>.zip/<member>")
  void DropZipCopy();
  TSourceTextOfFile source_text_;
  TLineSource shown_line_;
  int source_reads_ = 0;
  int last_help_context_ = 0;
  QComboBox* typing_box_ = nullptr;
  QCheckBox* case_box_ = nullptr;
  QPointer<QWidget> list_viewer_;
  QPointer<QWidget> frequency_dialog_;
  QPointer<QWidget> word_list_check_;
  // The media road and the extra text grid behind the two interfaces (main_window_viewers.cpp).
  void ConnectViewers();
  std::unique_ptr<TLineMedia> own_line_media_;
  std::unique_ptr<TExtraTextWindow> own_extra_text_;
  TLineMedia* line_media_ = nullptr;
  TExtraTextWindow* extra_text_ = nullptr;
  int64_t longest_gap_ms_ = 0;
  TLoopTurns loop_turns_;
  TRunProgressTally run_progress_;
  std::vector<UString> run_text_names_;
  int32_t shown_text_ = -1;
  TStatusRefreshPacer status_pacer_;
};

// The document's notes as the notes page shows them, one line each.
QString NotesText(const T_WholeLinzoraHolder& doc);

