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

#include "concordance/concordance_document.h"
#include "model/chosen_texts_handover.h"
#include "shell/qt/main_tools_form.h"
#include "shell/qt/main_window_startup.h"
#include "windows/sort_rules.h"

class QPlainTextEdit;
class TConcSortForm;
class TFormStartWizardC;
class TFormBatchProcessSetup;

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
  // Turning to a derived page computes the views not yet computed (collocates, patterns, plot,
  // clusters, time-line, in that order); a page already computed costs nothing.
  void ComputePageData();

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
  int64_t LongestLoopGapMs() const { return longest_gap_ms_; }

  // --- resort ---
  void Resort(TVX_Grid* grid, int column);
  TConcSortRecord& SortRecord() { return sort_record_; }

  TVX_Grid* ConcordanceGrid() const { return grid_concordance_; }
  TVXFileDetails ChosenTexts;
  QTimer TimerConcordancing;
  bool tool_wants_linzora = false;
  // Texts passed over (binary) or unreadable in the last run.
  const std::vector<UString>& LastRunPassedOver() const { return passed_over_; }

 protected:
  bool event(QEvent* e) override;
  // Closing during a run stops it; the window closes once the run has ended.
  void closeEvent(QCloseEvent* e) override;

 private:
  // The checks of every road into a run; the texts to read go to run_texts. False: refused
  // (its message given), nothing changed.
  bool RunTextsChecked(TVXFileDetails& texts, TVXFileDetails& run_texts);
  // The run's arguments with the wizard's context, exclusion and tag-context items.
  TMakeConcordanceArgs WizardRunArgs(TVXFileDetails* texts, TBaseSearchItems& items, int32_t* converted);
  TVX_Grid* AddListPage(const QString& caption, TVXBaseDataClass* list, uint8_t list_type);
  void ShowRunProgress();
  void AfterRun(bool ok, bool stopped, int texts_total);

  QPointer<TFormStartWizardC> wizard_;
  QPointer<TConcSortForm> sort_form_;
  QPointer<TFormBatchProcessSetup> batch_window_;
  TVX_Grid* grid_concordance_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  TConcSortRecord sort_record_;
  bool run_active_ = false;
  bool close_after_run_ = false;
  bool show_next_line_ = false;
  std::vector<UString> passed_over_;
  std::function<void()> run_turn_observer_;
  int64_t longest_gap_ms_ = 0;
};

// A text whose first chunk shows it is no text: not UTF-16 and NUL bytes in it.
bool LooksBinary(UStringView full_name);
