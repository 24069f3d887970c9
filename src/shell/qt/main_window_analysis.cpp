// The concordancer's commands that recompute or derive something from the concordance: clusters,
// collocates, time-line, relationships, plot and patterns through their dialogs, the plot's
// display, a line's media, modifying the source texts, following a collocate, the list of file
// names, joining rows by the rule of clusters and re-reading a line from its text. The decisions
// are plain C++ (concordance/commands/analysis_commands.h); here the dialogs are shown and the
// pages brought up to date.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

#include "concordance/commands/typing_search.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "shell/settings/analysis_settings_rules.h"
#include "shell/settings/list_loading.h"
#include "shell/menus/concordance_commands.h"
#include "shell/files/file_recognition.h"
#include "shell/menus/menu_model.h"
#include "shell/qt/help_access.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "windows/cluster_settings_dialog.h"
#include "windows/frequency_dialog.h"
#include "windows/general_input_dialog.h"
#include "windows/modify_source_texts_window.h"
#include "windows/plot_sets_dialog.h"
#include "windows/timeline_settings_dialog.h"
#include "windows/word_list_check_dialog.h"

namespace {

constexpr uint32_t kChangedClustersOrTimeline = 0x04;
constexpr uint32_t kChangedRowsOrNotes = 0x8000;
constexpr uint32_t kChangedViews = 0x10000;
constexpr int kTagUniformPlot = 55;
constexpr int kHelpSameSearch = 5900;
constexpr int kHelpRelativeEntropy = 6130;
constexpr int kFirstReferenceColumn = 16;
constexpr int kConcordanceLineColumn = 1;
constexpr size_t kComputedClusters = 1, kComputedCollocates = 2, kComputedPatterns = 3, kComputedPlot = 4;

}  // namespace

// --- the pages ------------------------------------------------------------------------------------

void TFormLinzora::RefreshGridsOfList(const TVXBaseDataClass* list) {
  for (int t = 0; t < Pages()->Count(); ++t)
    if (TVX_Grid* g = Pages()->GridOfTab(t); g && g->List() == list) g->ListChanged();
}

void TFormLinzora::ComputeViewCommand(TVX_Grid* grid, int view) {
  switch (view) {
    case kComputeCollocates: CCollocates(grid); break;
    case kComputePlot: PPlot(grid); break;
    case kComputeClusters: CClusters(grid); break;
    case kComputePatterns: PPatterns(grid); break;
    case kComputeRelationships: CComputeRelationships(grid); break;
    case kComputeTimeline: CComputeTimeline(grid); break;
    default: OpenLaterWindow(view, grid); break;
  }
}

// --- clusters, collocates, time-line --------------------------------------------------------------

void TFormLinzora::CClusters(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob()) return;
  TClusterDlg dialog(this);
  if (dialog.ShowModal() != mrOK) return;
  TConcSettingsRec32 choices = doc->fSettings;
  CopyClusterChoices(GetConcSaveRec(), choices);
  const int notes_before = doc->fNotes.Count();
  bool computed = false;
  {
    THourglass wait;
    computed = RecomputeClusters(*doc, choices);
  }
  RefreshGridsOfList(doc->fClusterList.get());
  if (!computed) return;
  MarkDataChanged();
  // The notes first: turning to the page may make other views, and their notes are rewritten
  // from what the page shows.
  RefreshViewNotes(notes_before);
  for (int t = 0; t < Pages()->Count(); ++t)
    if (Pages()->GridOfTab(t) && Pages()->GridOfTab(t)->List() == doc->fClusterList.get()) Pages()->Tabs()->setCurrentIndex(t);
  if (TVX_Grid* g = CurrentGrid()) ShowEntryCount(g);
  Pages()->Records().Last_actions |= kChangedClustersOrTimeline;
  UpdateControlsForData();
}

void TFormLinzora::CCollocates(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob()) return;
  const int notes_before = doc->fNotes.Count();
  bool computed = false;
  {
    THourglass wait;
    // A stop list switched on since the run is loaded, as a new run would load it.
    if (GetLemmaMatchStopWanted(kToolConcordancer, lmsStop) && !Global_stopLemmaMatchLoaded[lmsStop])
      LoadALemmaMatchOrStopList(lmsStop);
    computed = RecomputeCollocates(*doc, GetConcSaveRecContextHorizons(), GetConcSaveRecCollocHorizons());
  }
  if (!computed) {
    RefreshGridsOfList(doc->fCollocateList.get());
    return;
  }
  MarkDataChanged();
  // The headings follow the horizons; the grids lay their columns out afresh.
  if (auto* collocates = dynamic_cast<TCollocateList*>(doc->fCollocateList.get())) {
    collocates->SetHeadings(CopyOfBaseHeadings(kListCollocates, collocates->fsettings.setting_of_spans.left,
                                               collocates->fsettings.setting_of_spans.right));
    for (int t = 0; t < Pages()->Count(); ++t)
      if (TVX_Grid* g = Pages()->GridOfTab(t); g && g->List() == collocates)
        g->SetList(collocates, kListCollocates, g->Alternative());
  }
  RefreshViewNotes(notes_before);
  if (TVX_Grid* g = CurrentGrid()) ShowEntryCount(g);
  Pages()->Records().Last_actions |= kChangedViews;
  UpdateControlsForData();
}

void TFormLinzora::CComputeTimeline(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob()) return;
  TFormTimelineSettings dialog(this);
  if (dialog.ShowModal() != mrOK) return;
  const int notes_before = doc->fNotes.Count();
  TTimelineRecompute r = TTimelineRecompute::kNothing;
  {
    THourglass wait;
    r = RecomputeTimeline(*doc, GetTimeLinePlotBase());
  }
  if (r == TTimelineRecompute::kUndefinedBasis) {
    // A controller of its own shows its settings over this window; the one played here uses the
    // tool's own dialogs, so the window stays where it is.
    if (ControllerLink().Connected() && !ControllerLink().PlayedInProcess()) lower();
    return;
  }
  RefreshGridsOfList(doc->fTimeLineList.get());
  if (r != TTimelineRecompute::kComputed) return;
  MarkDataChanged();
  RefreshViewNotes(notes_before);
  for (int t = 0; t < Pages()->Count(); ++t)
    if (Pages()->GridOfTab(t) && Pages()->GridOfTab(t)->List() == doc->fTimeLineList.get()) Pages()->Tabs()->setCurrentIndex(t);
  if (TVX_Grid* g = CurrentGrid()) ShowEntryCount(g);
  Pages()->Records().Last_actions |= kChangedViews | kChangedClustersOrTimeline;
  UpdateControlsForData();
}

// --- relationships -------------------------------------------------------------------------------

bool TFormLinzora::ReferenceWordListChosen(bool choose_column) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!word_list_check_) word_list_check_ = new TFormCollRelationsWLCheckFilename(this);
  auto* check = qobject_cast<TFormCollRelationsWLCheckFilename*>(word_list_check_.data());
  check->ColumnList()->setVisible(choose_column);
  // Its help is the relationships' page, or the sort's when the resort asks.
  SetHelpContext(check, choose_column ? 4700 : 2140);
  if (choose_column && doc) {
    if (doc->fReferenceColumn < 0) doc->fReferenceColumn = kFirstReferenceColumn;
    check->CopyHeadings(CopyOfBaseHeadings(kListWordList), doc->fReferenceColumn);
  }
  check->SetWordListFile(GetKeywordsSettingsReferenceCorpus());
  if (check->ShowModal() != mrOK) return false;
  const UString name = check->WordListFile();
  if (!FileExists(name)) {
    VXDialog(TVXDialog::FailedToFind, {name});
    return false;
  }
  // A file that is no word list would be kept as the reference corpus of every later use.
  const TFileExamination file = ExamineFile(name, kToolWordLister);
  if (file.verdict != TFileVerdict::ForThisTool || file.list_type != kListWordList) {
    VXDialog(TVXDialog::InformationMessage, {name + u" is not a word list, so it cannot serve as the reference corpus."});
    return false;
  }
  SetKeywordsSettingsReferenceCorpus(name);
  if (choose_column && doc && check->SelectedHeaderColumn() >= 0) doc->fReferenceColumn = check->SelectedHeaderColumn();
  return true;
}

int64_t TFormLinzora::KnownFrequency(UStringView phrase) {
  if (!frequency_dialog_) frequency_dialog_ = new TFormFreqSpecify(this);
  auto* dialog = qobject_cast<TFormFreqSpecify*>(frequency_dialog_.data());
  dialog->current_search_phrase = UString(phrase);
  const int32_t known = dialog->KnownFrequency();
  if (known >= 1) return known;
  if (dialog->ShowModal() != mrOK) return -1;
  return dialog->Spin()->value();
}

void TFormLinzora::CComputeRelationships(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob()) return;
  if (!ReferenceWordListChosen(true)) return;
  TConcordanceDerivedList* collocates = doc->fCollocateList.get();
  if (!collocates || collocates->Count() == 0) {
    VXDialog(TVXDialog::NoCollocates);
    return;
  }
  auto* check = qobject_cast<TFormCollRelationsWLCheckFilename*>(word_list_check_.data());
  if (auto* f = qobject_cast<TFormFreqSpecify*>(frequency_dialog_.data())) f->ClearListbox();
  TAssociationRequest request;
  request.reference_file = check->WordListFile();
  request.details_file = check->ExportFile();
  request.case_sensitive = check->CaseSensitive();
  request.full_lemma_processing = check->FullLemmaProcessing();
  request.parameter = check->SelectedHeaderColumn();
  request.ok_to_overwrite = [](UStringView name) { return IsYes(VXDialog(TVXDialog::OKToOverwrite, {name})); };
  request.user_frequency = [this](UStringView phrase) { return KnownFrequency(phrase); };
  TAssociationOutcome outcome;
  {
    THourglass wait;
    outcome = doc->REComputeCollocateAssociation(request);
  }
  if (ReportRelationships(request, outcome)) MarkDataChanged();
  // The association columns come and go with the values: the grids lay their columns out afresh.
  for (int t = 0; t < Pages()->Count(); ++t)
    if (TVX_Grid* g = Pages()->GridOfTab(t); g && g->List() == collocates)
      g->SetList(collocates, kListCollocates, g->Alternative());
  Pages()->Records().Last_actions |= kChangedViews;
  UpdateControlsForData();
}

// --- plot and patterns ----------------------------------------------------------------------------

void TFormLinzora::PPlot(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob() || !doc->fConcPlotList) return;
  std::vector<UString> files;
  if (doc->fTextFilesWithSearchWord)
    for (int i = 0; i < doc->fTextFilesWithSearchWord->Count(); ++i)
      files.push_back(ExtractFileName(doc->fTextFilesWithSearchWord->GetFullFilename(i, true)));
  const std::vector<UString> words = doc->fSearchWords.TypedInWordsAsStringlist();
  // One text and one search word leave nothing to group: the plot is made without asking.
  bool grouped = false;
  if (files.size() > 1 || words.size() > 1) {
    // One dialog for the window's life: the next Plot offers the sets chosen last.
    if (!plot_sets_dialog_) plot_sets_dialog_ = new TConcPlottingDlg(this);
    TConcPlottingDlg& dialog = *plot_sets_dialog_;
    dialog.SetAvailable(files, words);
    dialog.SetFilesFirst(doc->plot_options.order == 1);
    if (dialog.ShowModal() != mrOK) return;
    // Sets exist once the dialog's own OK read them; a dialog closed otherwise groups nothing.
    const TPlotOptions& o = dialog.PlotOptions();
    grouped = dialog.options_selected && !o.file_sets.empty() && !o.word_sets.empty();
    doc->plot_options.text_groups = grouped ? o.file_sets : std::vector<std::vector<int32_t>>{};
    doc->plot_options.sw_groups = grouped ? o.word_sets : std::vector<std::vector<int32_t>>{};
    if (grouped) doc->plot_options.order = o.files_first ? 1 : 0;
  }
  {
    THourglass wait;
    doc->fComputed[kComputedPlot] = doc->fConcPlotList->Compute(grouped) ? 1 : 0;
  }
  MarkDataChanged();
  RefreshGridsOfList(doc->fConcPlotList.get());
  RefreshViewNotes();
  if (TVX_Grid* g = CurrentGrid()) ShowEntryCount(g);
  Pages()->Records().Last_actions |= kChangedViews;
  UpdateControlsForData();
}

void TFormLinzora::PPatterns(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob() || !doc->fPatternsList) return;
  {
    THourglass wait;
    doc->fComputed[kComputedPatterns] = doc->fPatternsList->Compute(false) ? 1 : 0;
  }
  MarkDataChanged();
  RefreshGridsOfList(doc->fPatternsList.get());
  RefreshViewNotes();
  if (TVX_Grid* g = CurrentGrid()) ShowEntryCount(g);
  UpdateControlsForData();
}

void TFormLinzora::PPlotDisplayChanged(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  TPlotSettingsRec settings = GetPlotSettings();
  const uint8_t option = settings.PlotDisplay() ? 0 : 1;
  settings.SetPlotDisplay(option);
  SetPlotSettings(settings);
  SetMenuItemChecked(kTagUniformPlot, option != 0);
  if (QAction* a = Menus()->ActionOfTag(kTagUniformPlot)) {
    a->setCheckable(true);
    a->setChecked(option != 0);
  }
  grid->ListChanged();
  PumpQtEvents();
}

void TFormLinzora::PPlayMedia(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || grid->ListType() != kListConcordance) return;
  // Ctrl+M with no cell chosen plays the first line's media.
  const UString said = PlayMediaOfLine(*doc, std::max(1, grid->CurrentRow()), grid->CurrentColumn(), *line_media_);
  if (!said.empty()) Status()->SetPanelText(kPanelMessage, said);
}

// --- modifying the source texts --------------------------------------------------------------------

void TFormLinzora::MModifySourceTexts(TVX_Grid* grid, int tag) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob() || !doc->fConcordanceList) return;
  TFormModifySourceTexts window(this);
  UString initials = GetModifyInitials();
  if (initials.empty()) initials = AccountInitials();
  for (QLineEdit* box : {window.SetInitials(), window.SearchWordInitials(), window.UndoInitials()})
    box->setText(ToQString(initials));
  const auto wanted = static_cast<TModifySourceTexts>(std::clamp(tag - 140, 0, 3));
  window.SetModification_Wanted(wanted);
  if (wanted == TModifySourceTexts::mst_undo) window.FillUndoList();
  // The Set and Search-phrase pages change the texts on their own OK, and the window shows what
  // was changed and what was refused, and why, until it is closed.
  TConcordanceList& lines = *doc->fConcordanceList;
  window.SetCarryOut([&] {
    SetModifyInitials(window.Initials());
    TModificationDone done;
    {
      THourglass wait;
      done.made = CarryOutModification(lines, window.Modification_Wanted(), window.SpaceReplacement(),
                                       window.Initials(), window.DateStamp(), 0);
    }
    done.refused = lines.last_modify_report;
    grid->ListChanged();
    return done;
  });
  window.ShowModal();
  // The undo page undoes in the window itself and is left with Close.
  if (window.Undone() > 0) {
    CarryOutModification(lines, TModifySourceTexts::mst_undo, u"", u"", false, window.Undone());
    grid->ListChanged();
  }
}

// --- following a collocate ----------------------------------------------------------------------

void TFormLinzora::GridCollocates_FollowCollocates(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || TypingKindOfListType(grid->ListType()) != kTypingCollocates) return;
  const int index = EntryOfGridRow(grid, grid->CurrentRow());
  FollowCollocate(*doc, *grid->List(), index, ChosenTexts);
}

// --- the list of file names ---------------------------------------------------------------------

void TFormLinzora::FileNameList() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || RefusedDuringJob()) return;
  THourglass wait;
  if (TProgressClass* p = GlobalProgress()) p->ClearAllAndShow(TPoint{x() + width() / 2, y() + height() / 2}, kWhereLocal);
  // The lines carry no mark of a search they share with another concordance: the user is asked.
  UString chosen;
  if (IsYes(VXDialog(TVXDialog::DoYouWantToDoX, {VXRes(TVXRes::VXChooseAConcordanceBasedOnSameSearch)},
                     kHelpSameSearch))) {
    TFileDialogRequest request;
    request.folder = GetLastOpenedFolder(Tool());
    request.filter = u"Concordances (*.cnc);;All files (*)";
    request.default_ext = u".cnc";
    if (!FileDialogs().ChooseFileToOpen(request, chosen)) chosen.clear();
  }
  const int notes_before = doc->fNotes.Count();
  const bool written = doc->CopyFilenameDetailsToNotepad(chosen, true);
  if (TProgressClass* p = GlobalProgress()) p->Hide();
  if (!written) {
    VXDialog(TVXDialog::FailedToRead,
             {doc->RelinkFailure().empty() ? (chosen.empty() ? UString(u"the list of file names") : chosen)
                                           : doc->RelinkFailure()});
    return;
  }
  MarkDataChanged();
  RefreshViewNotes(notes_before);
  Pages()->Records().Last_actions |= kChangedRowsOrNotes;
  UpdateControlsForData();
}

// --- joining by the rule of clusters ------------------------------------------------------------------

void TFormLinzora::JoinClustersOnGrid(TVX_Grid* grid) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  auto* list = dynamic_cast<TVXBaseLemmaMatchCapableList*>(grid->List());
  if (!list || !JoinClustersApplies(grid->ListType())) {
    Status()->SetPanelText(kPanelMessage, JoinClustersNotApplicable());
    return;
  }
  TGeneralInputDlg choice(this);
  choice.setWindowTitle(QStringLiteral("Join Clusters"));
  choice.offering_alternatives = true;
  choice.SetTopic(u"Join the entries whose words hold one another: which way?");
  choice.OptionButton(1)->setText(ToQString(JoinClustersShorterUnderLonger()));
  choice.OptionButton(2)->setText(ToQString(JoinClustersLongerUnderShorter()));
  choice.OptionButton(1)->setDefault(true);
  if (!choice.GetAlternative(u"Joins cannot be undone; Unjoin takes them out again.", 0) || choice.BotaoPressed == 0) return;
  int32_t joins = 0;
  {
    THourglass wait;
    joins = list->JoinClusters(choice.BotaoPressed == 1);
  }
  if (joins > 0) ListChanged(grid);
  Status()->SetPanelText(kPanelMessage, JoinClustersDone(joins));
}

void TFormLinzora::MarkUnavailableCommands() {
  constexpr int kTagAutoJoin = 104;
  MenuModel().Walk([](TMenuNode& n) {
    if (n.tag != kTagAutoJoin) return;
    n.enabled = false;
    n.hint = AutoJoinNotAvailable();
  });
  Menus()->Sync();
}

void TFormLinzora::ShowHelpContext(int context) {
  last_help_context_ = context;
  TMainToolsForm::ShowHelpContext(context);
}

// --- relative entropy ----------------------------------------------------------------------------

void TFormLinzora::RelativeEntropyOfGrid(TVX_Grid* grid) {
  if (!GridHasListData(grid) || !Data()) return;
  TGeneralInputDlg ask(this);
  ask.setWindowTitle(ToQString(VXRes(TVXRes::VXRelativeEntropy)));
  ask.SetTopic(VXRes(TVXRes::VXRelativeEntropy));
  if (!ask.Execute(VXRes(TVXRes::VXXBasis), Data()->GetRelativeEntropyBasis(), kHelpRelativeEntropy)) return;
  ShowRelativeEntropy(grid, ask.Value());
}

// --- a line's source text ---------------------------------------------------------------------------

bool TFormLinzora::CConcordanceSourceFileNeededAndAvailable(TVX_Grid* grid, int row, UString& file_name) {
  T_WholeLinzoraHolder* doc = Doc();
  return doc && GridHasListData(grid) && SourceFileNeededAndAvailable(*doc, grid->ListType(), row, file_name);
}

void TFormLinzora::CConcordanceSourceFileReread(TVX_Grid* grid, int row) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid)) return;
  RereadLineFromSource(*doc, row);
}

int TFormLinzora::ConcordanceCharsEachSide(int centre_length) const {
  if (!grid_concordance_) return 10;
  // As many characters each side of the hit as the column shows.
  const int average = std::max(1, grid_concordance_->fontMetrics().averageCharWidth());
  const int section = std::max(0, grid_concordance_->Model().Source().ViewOfListColumn(kConcordanceLineColumn));
  return std::max(10, (grid_concordance_->columnWidth(section) / average - centre_length) / 2);
}

void TFormLinzora::RereadLinesShortOfContext() {
  T_WholeLinzoraHolder* doc = Doc();
  TVX_Grid* grid = grid_concordance_;
  if (!doc || !grid || !doc->fConcordanceList || conc_displacement_ == 0) return;
  TConcordanceList& lines = *doc->fConcordanceList;
  const int shift = conc_displacement_ * kConcDisplacementStep;
  const int first = std::max(1, grid->TopRow());
  const int last_shown = grid->rowAt(grid->viewport()->height() - 1);
  const int last = last_shown < 0 ? grid->Model().rowCount() : last_shown + 1;
  bool reread = false;
  for (int row = first; row <= last; ++row) {
    const TConcordanceEntry* line = lines.Line(EntryOfGridRow(grid, row));
    if (!line) continue;
    const int32_t start = line->SearchWordStart();
    const int32_t size = static_cast<int32_t>(line->Text().size());
    const int each_side = ConcordanceCharsEachSide(line->HitWidthInLine());
    const bool short_before = start < each_side + shift;
    const bool short_after = size - start - line->HitWidthInLine() < each_side - shift;
    if (!short_before && !short_after) continue;
    UString name;
    if (!CConcordanceSourceFileNeededAndAvailable(grid, row, name)) continue;
    CConcordanceSourceFileReread(grid, row);
    reread = true;
  }
  if (reread) grid->ListChanged();
}
