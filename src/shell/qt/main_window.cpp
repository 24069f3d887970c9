#include "shell/qt/main_window.h"
#include "model/lists/column_formula.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QComboBox>
#include <QProgressBar>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QToolTip>
#include <optional>

#include "concordance/commands/cell_double_click.h"
#include "concordance/commands/concordance_commands.h"
#include "concordance/document/tell_list.h"
#include "model/documents/work_base.h"
#include "platform/rtl/files.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/job_token.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/controller_messages.h"
#include "shell/menus/concordance_commands.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/settings/list_loading.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "shell/qt/main_window_grid_tweaks.h"
#include "shell/qt/help_access.h"
#include "shell/qt/page_list.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/tool_bar.h"
#include "shell/qt/source_text_view.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/window_messages.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "model/documents/batch_procedures.h"
#include "windows/batch_rules.h"
#include "windows/batch_setup.h"
#include "windows/plot_view.h"
#include "windows/sort_dialog.h"
#include "windows/start_wizard.h"
#include "windows/wizard_base.h"
#include "windows/word_cloud_window.h"

namespace {

constexpr uint16_t kCodeChosenTextsLoaded = 155;
constexpr uint16_t kCodeTextsChosen = 1241;
constexpr uint16_t kCodeRunSaved = 561;
constexpr uint16_t kCodePasteCharacter = 4620;
constexpr uint16_t kCodeSettingsChanged = 233;
constexpr uint32_t kMsgShowOrHideTags = 0x140D;
constexpr uint32_t kMsgForwardDocumentState = 0x7B9;
constexpr uint32_t kMsgCalculatorHere = 0x55E;
constexpr int kYieldIntervalMs = 20;
constexpr int kNewestLineMs = 3000;
constexpr size_t kConcordanceColumns = 16;
// The grid column (from 0) of a plot row's marks and a time-line row's bars.
constexpr int kPlotListColumn = 6;  // the painted plot or time-line strip
// Status-bar panels during a run.
constexpr int kPanelRunText = 1;
constexpr int kPanelRunOverall = 2;
constexpr int kPanelRunThisText = 3;
constexpr int kPanelRunWords = 4;
constexpr char16_t kRunBusy[] = u"A concordance is being made: wait for it to end or press Stop.";

// The document's tag colour table: the table it was given, else the colours of the tags it keeps
// (a tag in the default tag colours has no colour of its own).
std::vector<TTagColour> TagColoursOf(const T_WholeLinzoraHolder& d) {
  std::vector<TTagColour> colours;
  for (const TTagColourTableEntry& e : d.fTagColourTable)
    colours.push_back({static_cast<uint32_t>(e.text_colour), static_cast<uint32_t>(e.background_colour), e.no_colour != 0});
  if (!colours.empty()) return colours;
  for (const TVisibleTagRec& t : d.fArrayOfSavedTags)
    colours.push_back({static_cast<uint32_t>(t.foreground_colour), static_cast<uint32_t>(t.background_colour),
                       t.foreground_colour == DefaultTagTextColour() && t.background_colour == DefaultTagBackgroundColour()});
  return colours;
}

}  // namespace

// What the line cells are coloured with, kept between cells so that a page of lines does not ask
// the settings store (a file check each time) for every cell: the document's tag colours, the
// word-handling records of one style, the plain-lines choice of one print kind. A new style or
// print kind takes its own at the next cell; the window drops them all when it shows a document,
// when the lines' grid is reset (a run, a tag or colouring change), when tags are inserted and
// when the settings change.
struct TLineColours {
  bool tags_taken = false;
  std::vector<TTagColour> tags;
  int style = -1;
  std::vector<std::optional<TWordHandlingColourRec>> records;
  int print_kind = -1;
  bool plain = false;

  const std::vector<TTagColour>& TagsOf(const T_WholeLinzoraHolder& d) {
    if (!tags_taken) {
      tags_taken = true;
      tags = TagColoursOf(d);
    }
    return tags;
  }
  bool PlainOn(const TVX_Grid& grid) {
    if (print_kind != grid.PrintKind()) {
      print_kind = grid.PrintKind();
      const bool on_paper = print_kind == kGridPrinting || print_kind == kGridPreviewing;
      plain = on_paper && GetPrinterPrefs().PlainLines();
    }
    return plain;
  }
  const TWordHandlingColourRec& Record(int32_t i) {
    if (style != CurrentStyleNumber()) {
      style = CurrentStyleNumber();
      records.clear();
    }
    const size_t at = static_cast<size_t>(std::max(i, 0));
    if (at >= records.size()) records.resize(at + 1);
    if (!records[at]) records[at] = GetWordHandling4ColourRecAndTypeface(style, i);
    return *records[at];
  }
};

namespace {

// A line's marks coloured as the colouring options ("tags coloured", "words coloured") ask, in
// the current style's colours; on paper none when the printer preferences want plain lines.
void ColourLineMarks(const T_WholeLinzoraHolder& d, const TVX_Grid& grid, TGrid_data_rec& cell, TLineColours& kept) {
  const uint8_t options = d.fSettings.ColouringOptions();
  const std::vector<TTagColour>& colours = kept.TagsOf(d);
  const std::vector<TMarkSpan> spans =
      ColouredMarkSpans(LineMarksOfCell(cell, d.TagsAsSuffixes(), d.HideTags()), OptionSet(options, 0),
                        OptionSet(options, 1), colours, kept.PlainOn(grid));
  PutMarkSpansInCell(cell, spans, colours, [&kept](int32_t i) { return kept.Record(i); });
}

// The window whose run is pumping, and the clock of the pumps.
TFormLinzora* g_running = nullptr;
QElapsedTimer g_pump_clock;
int64_t g_last_pump_ms = 0;
TFormLinzora::TLoopTurns g_turns;
int64_t g_last_gap_ms = 0;

TPoint NoCentre() { return TPoint{0, 0}; }

UString FullName(const TChosenFileDetailsFullRec& d) { return IncludeTrailingPathDelimiter(d.folder) + d.rec.filename; }

void TellPassedOver(const std::vector<UString>& passed_over) {
  UString names;
  for (const UString& s : passed_over) names += u"\n" + s;
  VXDialog(TVXDialog::InformationMessage, {u"Texts passed over:" + names});
}

// A chosen text is present when its file (or the archive holding it) is on disk.
bool TextPresent(const TChosenFileDetailsFullRec& d) {
  if (d.rec.zip_member > 0) return FileExists(ExcludeTrailingPathDelimiter(d.folder)) || FileExists(d.folder);
  return FileExists(FullName(d));
}

}  // namespace

QString NotesText(const T_WholeLinzoraHolder& doc) {
  QString text;
  for (int i = 0; i < doc.fNotes.Count(); ++i) text += (i ? QStringLiteral("\n") : QString()) + ToQString(doc.fNotes[i]);
  return text;
}

namespace {

// The run's yield hook: one clock read a call; the loop runs at most every 20 ms.
void ThrottledPump() {
  const int64_t now = g_pump_clock.elapsed();
  if (now - g_last_pump_ms < kYieldIntervalMs) return;
  g_last_gap_ms = now - g_last_pump_ms;
  g_last_pump_ms = now;
  const int64_t start_ns = g_pump_clock.nsecsElapsed();
  PumpQtEvents();
  const int64_t end_ns = g_pump_clock.nsecsElapsed();
  g_last_pump_ms = end_ns / 1000000;
  ++g_turns.turns;
  g_turns.total_ns += end_ns - start_ns;
  g_turns.longest_ns = std::max(g_turns.longest_ns, end_ns - start_ns);
}

}  // namespace

TFormLinzora::TFormLinzora(QWidget* parent)
    : TMainToolsForm(kToolConcordancer, parent),
      ChosenTexts(false, kToolConcordancer),
      line_colours_(std::make_unique<TLineColours>()) {
  setObjectName(QStringLiteral("FormLinzora"));
  TimerConcordancing.setInterval(kNewestLineMs);
  connect(&TimerConcordancing, &QTimer::timeout, this, [this] { show_next_line_ = true; });
  RegisterToolWindow(WindowIdOf(this));
  connect(Status(), &TVXStatusBar::PanelClicked, this, [this](int panel) { StatusPanelClick(panel); });
  Status()->SetPanelCaption(kStatusPanelHelp, u"Help", u"Help on the page shown");
  // F1 opens the help of what the mouse is over: a page's own, else the concordancer's.
  SetHelpContext(this, ToolHelpContext(kToolConcordancer));
  InstallHelpKey(this, [this](int context) { ShowHelpContext(context); });
  close_button_ = new QToolButton(ToolbarPanel());
  close_button_->setObjectName(QStringLiteral("ToolbarCloseButton"));
  close_button_->setText(QStringLiteral("\u2715"));
  close_button_->setToolTip(QStringLiteral("Hide the toolbar"));
  connect(close_button_, &QToolButton::clicked, this, [this] { ToolButtonCloseClick(); });
  BuildTypingControls();
  BuildTagButtons();
  ConnectViewers();
  MarkUnavailableCommands();
  ArrangeToolbarControls(*ToolbarPanel());
  // The main window's controls take the keyboard set-up as every form of the program does.
  SetupKeyboardAndControls(*this);
  PostAfterPaint(this, [this] { MakeSpareGrids(); });
}

TFormLinzora::~TFormLinzora() {
  if (g_running == this) g_running = nullptr;
  DropZipCopy();
}

TFormStartWizardC* TFormLinzora::Wizard() const { return wizard_; }
TConcSortForm* TFormLinzora::SortForm() const { return sort_form_; }

void TFormLinzora::SetWindows(TFormStartWizardC* wizard, TConcSortForm* sort_form) {
  wizard_ = wizard;
  sort_form_ = sort_form;
  if (wizard) {
    wizard->SetMainWindow(this);
    wizard->fChosenFiles = &ChosenTexts;
    wizard->SetFileLauncher(&FileLauncher());
    wizard->SetFileDialogs([this] { return &FileDialogs(); });
  }
}

// --- the document ---------------------------------------------------------------------------------

std::unique_ptr<TTessorineholder> TFormLinzora::CreateTheHolderWithCallbacks(TTessorineList list_type) {
  TMainToolsForm::CreateTheHolderWithCallbacks(list_type);
  auto doc = std::make_unique<T_WholeLinzoraHolder>(
      list_type, &NoCentre, [this](int32_t n) { if (HasData()) Status()->SetPanelText(kPanelEntries, IntToUStr(n)); },
      [this](const TChosenFileDetailsFullRec& d) {
        // Said when the run ends, with why (a run reads its texts on other threads).
        if (global_keeping_log) AddToLogFile(u"failed to read " + FullName(d));
        failed_reads_.push_back(FullName(d));
      },
      Global_stopLemmaMatchLoaded[lmsStop], Global_stopLemmaMatchLoaded[lmsLemma], fTagHandler.get(),
      fTagsToTranslateList.get());
  sort_record_ = TConcSortRecord();
  return doc;
}

void TFormLinzora::PrepareRunReading() {
  // Every concordance run (from the wizard, a batch, another tool's request) starts here.
  SetRunStartedFlag(false);
  failed_reads_.clear();
  RefreshTagHandler();
  if (GetLemmaMatchStopWanted(kToolConcordancer, lmsStop) && !Global_stopLemmaMatchLoaded[lmsStop])
    LoadALemmaMatchOrStopList(lmsStop);
}

void TFormLinzora::MakeSpareGrids() {
  // As many as a run's pages take: the lines, the five derived lists and the texts.
  constexpr size_t kRunGrids = 7;
  while (spare_grids_.size() < kRunGrids) spare_grids_.push_back(std::make_unique<TVX_Grid>());
}

TVX_Grid* TFormLinzora::NewGrid() {
  if (spare_grids_.empty()) return new TVX_Grid;
  TVX_Grid* grid = spare_grids_.back().release();
  spare_grids_.pop_back();
  // The style may have changed since it was made (a change restyles every grid, spares too).
  grid->SetStyleNumber(CurrentStyleNumber());
  return grid;
}

TVX_Grid* TFormLinzora::AddListPage(const QString& caption, TVXBaseDataClass* list, uint8_t list_type) {
  auto* grid = NewGrid();
  // Pages are made hidden: each gives its view the rows when first turned to.
  grid->SetRowsWhenShown(TVX_Grid::PagesTakeRowsWhenShown());
  if (list && list->HeadingCount() == 0) {
    std::vector<UString> headings = CopyOfBaseHeadings(list_type);
    // The lines' column captions come from the list itself; the grid needs only their number.
    if (headings.empty() && list_type == kListConcordance) headings.assign(kConcordanceColumns, UString());
    list->SetHeadings(std::move(headings));
  }
  grid->SetList(list, list_type, list ? list->GridKind() : 0);
  grid->TakeTextFont(GetTextSettings().FontName(), GetTextSettings().FontSize());
  ApplyCustomisedLayout(grid);
  Pages()->AddGridPage(caption, grid, list_type, list);
  FollowCurrentRow(grid);
  AttachRightClickMenu(grid);
  grid->viewport()->installEventFilter(this);
  // The list commands posted to the grid are carried out here, on the grid they were posted to.
  grid->installEventFilter(this);
  connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this, grid](int section) { Resort(grid, grid->ListColumnOfSection(section)); });
  ConnectResultPageCommands(grid);
  return grid;
}

void TFormLinzora::ShowDocumentPages() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc) return;
  // The caller handles the page shown once all are in: a page change for each page added would
  // fit the menus and tool bar for pages that are at once passed over.
  TPageList::TAddingPages adding(*Pages());
  // Texts with parallel texts beside them (subtitles in other languages) offer those passages.
  std::vector<UString> texts;
  if (doc->fTextFilesWithSearchWord)
    for (int i = 0; i < doc->fTextFilesWithSearchWord->Count(); ++i)
      texts.push_back(doc->fTextFilesWithSearchWord->GetFullFilename(i, false));
  doc->fSameFilenameOption = AnyTextHasSameNamedTexts(texts, JobWorkerThreads(0)) ? 1 : 0;
  grid_concordance_ = AddListPage(QStringLiteral("Concordance"), doc->fConcordanceList.get(), kListConcordance);
  TVX_Grid* lines_grid = grid_concordance_;
  lines_grid->setColumnWidth(0, 760);
  grid_concordance_->SetTweak([this, lines_grid](TGrid_data_rec& cell) {
    T_WholeLinzoraHolder* d = Doc();
    if (!d || cell.row < 1) return;
    if (cell.col == 1) {
      // The spans are made on the whole line (centring moves them with its cut); text written
      // out has no colours.
      if (cell.has_text && !cell.pieces.empty() && !text_output_) ColourLineMarks(*d, *lines_grid, cell, *line_colours_);
      // The line's sentence ends were looked for as the cell was filled.
      const TConcordanceEntry* line = d->fConcordanceList ? d->fConcordanceList->Line(cell.row - 1) : nullptr;
      cell.sentence_incomplete =
          line && SentenceIncomplete(d->fSettings.DisplayOptions(), line->FoundBothEndsOfSentence());
      CentreConcordanceCell(cell, ConcordanceCharsEachSide(cell.centre_length),
                            conc_displacement_ * kConcDisplacementStep);
      return;
    }
    if (cell.col != 2 && cell.col != 3) return;
    TweakConcordanceTagCell(cell, line_colours_->TagsOf(*d), text_output_, d->fSettings.SortKey(0), 0);
  });
  *line_colours_ = TLineColours();
  // (The view's model as it is: Model() would give a hidden page its rows at once.)
  connect(lines_grid->model(), &QAbstractItemModel::modelReset, this, [this] { *line_colours_ = TLineColours(); });
  const std::pair<const char*, std::pair<TConcordanceDerivedList*, uint8_t>> derived[] = {
      {"Collocates", {doc->fCollocateList.get(), kListCollocates}},
      {"Plot", {doc->fConcPlotList.get(), kListPlot}},
      {"Patterns", {doc->fPatternsList.get(), kListPatterns}},
      {"Clusters", {doc->fClusterList.get(), kListClusters}},
      {"Timeline", {doc->fTimeLineList.get(), kListTimeline}},
  };
  for (const auto& [caption, page] : derived)
    if (page.first) {
      TVX_Grid* g = AddListPage(QString::fromLatin1(caption), page.first, page.second);
      if (page.second == kListCollocates)
        g->SetTweak([this](TGrid_data_rec& cell) { TweakCollocateCell(cell, cell.col, false, text_output_); });
      if (page.second == kListPatterns) g->SetTweak([this](TGrid_data_rec& cell) { TweakPatternsCell(cell, text_output_); });
      if (page.second == kListPlot || page.second == kListTimeline) {
        // The plot and time-line column is painted, not written.
        auto* painter = new TResultPlotDelegate(g);
        painter->SetMarkColour(StoredPlotMarkColour());
        g->SetListColumnDelegate(kPlotListColumn, painter);
      }
      if (page.second == kListPlot) {
        g->SetTweak([this](TGrid_data_rec& cell) { TweakPlotCell(cell, text_output_); });
        g->viewport()->setMouseTracking(true);
        connect(g->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& now, const QModelIndex&) { if (now.isValid()) PlotGridSelectCell(now.row() + 1); });
      }
    }
  if (doc->fTextFilesWithSearchWord) {
    TVX_Grid* names = AddListPage(QStringLiteral("Filenames"), doc->fTextFilesWithSearchWord, kListSourceFiles);
    names->SetTweak([this](TGrid_data_rec& cell) {
      const T_WholeLinzoraHolder* d = Doc();
      if (!d || !d->fTextFilesWithSearchWord || cell.row < 1 || !cell.has_text) return;
      cell.display_flag = FileNameDisplayFlag(static_cast<uint8_t>(d->fTextFilesWithSearchWord->GetAFileStatus(cell.row - 1)));
    });
  }
  AddSourceTextPage();
  notes_ = new QPlainTextEdit;
  notes_->setPlainText(NotesText(*doc));
  notes_->document()->setModified(false);
  SetNotesControl(notes_);
  Pages()->AddMemoPage(QStringLiteral("Notes"), notes_, 26);
  TOneToolWindowList& records = Pages()->Records();
  for (int i = 1; i < records.Count(); ++i)
    if (QWidget* page = Pages()->Tabs()->widget(records.PageIndexOfEntry(i) - 1))
      SetHelpContext(page, PageHelpContext(records.ListTypeOfEntry(i)));
  Pages()->Tabs()->setCurrentIndex(0);
  // The hidden pages fit their widths once the page on show is painted: the lines do not wait
  // for pages that may never be looked at, and the widths are those of the run's end.
  PostAfterPaint(this, [] { TVX_Grid::PayOwedFits(); });
  PostAfterPaint(this, [this] { MakeSpareGrids(); });
}

bool TFormLinzora::CanCloseData() {
  if (tool_wants_linzora && !GetAskWhetherToSaveRunConcData()) return true;
  return TMainToolsForm::CanCloseData();
}

void TFormLinzora::CloseData(bool tell) {
  TimerConcordancing.stop();
  RefreshAfterGridChange(nullptr);
  ViewersDataClosed();
  grid_concordance_ = nullptr;
  shown_line_ = TLineSource();
  source_text_.Clear();
  DropZipCopy();
  notes_ = nullptr;
  if (tag_chooser_ && tag_chooser_->isVisible()) tag_chooser_->hide();
  TMainToolsForm::CloseData(tell);
  FitTagButtons();
}

// --- menus, toolbar, status bar, hints ------------------------------------------------------------

namespace {

// The concordance view items whose check marks this window keeps: main toolbar, tags only,
// sentence only, search word hidden, padding, tag list colours, hide tag-file tags, hide
// undefined tags, hide sentence, paragraph, heading and section tags.
constexpr int kTagMainToolbarItem = 81;
constexpr int kOwnCheckedItems[] = {kTagMainToolbarItem, 112, 101, 181, 87, 77, 100, 117, 118, 119, 120, 121};

}  // namespace

void TFormLinzora::SetMenuChecks() {
  TMainToolsForm::SetMenuChecks();
  for (int tag : kOwnCheckedItems)
    if (QAction* a = Menus()->ActionOfTag(tag)) {
      a->setCheckable(true);
      a->setChecked(GetMenuItemChecked(tag));
    }
  ToolbarPanel()->setVisible(GetMenuItemChecked(kTagMainToolbarItem) && HasData());
}

void TFormLinzora::ToolButtonCloseClick() {
  SetMenuItemChecked(kTagMainToolbarItem, false);
  if (QAction* a = Menus()->ActionOfTag(kTagMainToolbarItem)) a->setChecked(false);
  ToolbarPanel()->hide();
  for (QComboBox* box : ToolbarPanel()->findChildren<QComboBox*>())
    if (box->isEditable()) box->clearEditText();
}

bool TFormLinzora::StatusPanelClick(int panel) {
  if (panel == kStatusPanelHelp) {
    ShowHelpContext(StatusPanelHelpContext(HasData(), Pages()->CurrentListType()));
    return true;
  }
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || (panel != 6 && panel != 7) || run_active_) return false;
  const int step = panel == 6 ? -1 : 1;
  TSourceTextRichEdit* viewer = SourceTextViewer();
  QWidget* page = Pages()->Tabs()->currentWidget();
  if (viewer && page && (page == viewer || page->isAncestorOf(viewer))) {
    SourceTextCommand(step < 0 ? kSourcePrevious : kSourceNext);
    return true;
  }
  auto* plot = dynamic_cast<TConcPlotList*>(doc->fConcPlotList.get());
  if (!plot || Pages()->CurrentListType() != kListPlot) return false;
  const TGeneralPlotDataList* hits = plot->NextGeneralPlotList(step);
  TV2GeneralPlotDataRec hit;
  if (!hits || !hits->GetAPlot(plot->current_plot_index, hit)) return false;
  const int row = plot->current_plot_row + (plot->show_overall ? 1 : 0);
  for (int t = 0; t < Pages()->Count(); ++t)
    if (TVX_Grid* g = Pages()->GridOfTab(t); g && g->List() == plot)
      g->setCurrentIndex(g->Model().index(row - 1, 0));
  Status()->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXHitWordContext,
                                                 {IntToUStr(plot->current_plot_row),
                                                  IntToUStr(hit.position), hit.context}));
  return true;
}

void TFormLinzora::PlotGridSelectCell(int row) {
  T_WholeLinzoraHolder* doc = Doc();
  auto* plot = doc ? dynamic_cast<TConcPlotList*>(doc->fConcPlotList.get()) : nullptr;
  if (!plot || row < 1) return;
  // Grid rows count the overall row first while it is shown; the list's rows count from 1.
  const int list_row = row - (plot->show_overall ? 1 : 0);
  if (list_row < 1 || list_row > plot->Count()) return;
  if (plot->current_plot_row != list_row) plot->current_plot_index = -1;
  plot->current_plot_row = list_row;
}

void TFormLinzora::PlotGridMouseMove(TVX_Grid* grid, QPoint pos) {
  if (in_mouse_move_) return;
  in_mouse_move_ = true;
  T_WholeLinzoraHolder* doc = Doc();
  auto* plot = doc ? dynamic_cast<TConcPlotList*>(doc->fConcPlotList.get()) : nullptr;
  // Hints need the hits' contexts, which the plot keeps only when its settings say so.
  if (plot && grid && plot->plot_settings[1] != 0) {
    const QModelIndex index = grid->indexAt(pos);
    if (index.isValid() && grid->ListColumnOfSection(index.column()) == kPlotListColumn) {
      if (const TConcordancePlotEntry* e = plot->CPlotDatum(index.row())) {
        const QRect rect = grid->visualRect(index);
        const int32_t words = e->rec.IsOverallEntry ? plot->overall.plots.Words() : e->rec.words_in_file;
        const int32_t word = WordNumFromPlotPixelPosition(rect.width(), pos.x() - rect.left(), words);
        TV2GeneralPlotDataRec hit;
        int32_t at = -1;
        if (NearestContextWord(e->plots, words, word, hit, at))
          Status()->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXHitWordContext,
                                                         {IntToUStr(at + 1), IntToUStr(hit.position), hit.context}));
      }
    }
  }
  in_mouse_move_ = false;
}

bool TFormLinzora::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress)
    if (auto* grid = qobject_cast<TVX_Grid*>(watched); grid && HandleGridKey(grid, static_cast<QKeyEvent*>(e)->key()))
      return true;
  if (e->type() == TWindowMessageEvent::EventType()) {
    auto* m = static_cast<TWindowMessageEvent*>(e);
    auto* grid = qobject_cast<TVX_Grid*>(watched);
    if (grid && m->msg == kMsgGridCommand) return CarryOutGridCommand(grid, m->wparam);
    return TMainToolsForm::eventFilter(watched, e);
  }
  if (e->type() == QEvent::MouseMove) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* grid = viewport ? qobject_cast<TVX_Grid*>(viewport->parentWidget()) : nullptr;
    if (grid && grid->ListType() == kListPlot) PlotGridMouseMove(grid, static_cast<QMouseEvent*>(e)->position().toPoint());
    return TMainToolsForm::eventFilter(watched, e);
  }
  if (e->type() != QEvent::ToolTip) return TMainToolsForm::eventFilter(watched, e);
  auto* viewport = qobject_cast<QWidget*>(watched);
  auto* grid = viewport ? qobject_cast<TVX_Grid*>(viewport->parentWidget()) : nullptr;
  if (!grid || !GridHasListData(grid)) return TMainToolsForm::eventFilter(watched, e);
  auto* help = static_cast<QHelpEvent*>(e);
  const QModelIndex index = grid->indexAt(help->pos());
  if (!index.isValid()) {
    QToolTip::hideText();
    return true;
  }
  const TGrid_data_rec& cell = grid->Model().CellAt(index);
  const QRect rect = grid->visualRect(index);
  const QFontMetrics metrics = grid->fontMetrics();
  const UString text = cell.has_text ? cell.text : UString();
  const std::vector<UString> lines =
      WrapHintLines(text, rect.width() + 10, [&](UStringView s) { return metrics.horizontalAdvance(ToQString(s)); });
  QString hint;
  for (size_t i = 0; i < lines.size(); ++i) hint += (i ? QStringLiteral("\n") : QString()) + ToQString(lines[i]);
  QToolTip::showText(help->globalPos(), hint, viewport, rect);
  // The first cell found too narrow for its text says once per grid that data is hidden.
  if (metrics.horizontalAdvance(ToQString(text)) > rect.width() && !grid->property("lz_obscured_warned").toBool()) {
    grid->setProperty("lz_obscured_warned", true);
    VXDialog(TVXDialog::DataPartlyObscured);
  }
  return true;
}

// --- the wizard and the texts ---------------------------------------------------------------------

void TFormLinzora::ShowStartDialog() {
  TMainToolsForm::ShowStartDialog();
  if (!wizard_) return;
  wizard_->fChosenFiles = &ChosenTexts;
  if (!wizard_->isVisible()) wizard_->open();
  else wizard_->RefreshWizardPages();
}

bool TFormLinzora::LoadChosenTextsFromStore() {
  UString name;
  int32_t count = 0;
  if (!GetChosenTextFiles(name, count)) return false;
  return ChosenTexts.LoadedChosenFromTempFile();
}

// --- messages -------------------------------------------------------------------------------------

bool TFormLinzora::event(QEvent* e) {
  if (e->type() == TWindowMessageEvent::EventType()) {
    auto* m = static_cast<TWindowMessageEvent*>(e);
    if (m->msg == kMsgRunConcordance) {
      StartConcordanceMessage(m->wparam, m->lparam);
      return true;
    }
    switch (m->msg) {
      case kMsgShowOrHideTags: ShowOrHideTags(m->wparam, m->lparam); return true;
      case kMsgActivate: HandleActivationMessage(m->wparam, m->lparam, WindowIdOf(this)); return true;
      case kMsgForwardDocumentState: ForwardDocumentState(m->wparam); return true;
      case kMsgCalculatorHere: return true;  // the column calculator only announces itself
      case kMsgHelpButton: ShowHelpContext(static_cast<int>(m->wparam & 0x7FFFFFFF)); return true;
      default: break;
    }
    if (m->msg == 0x401) {
      const auto code = static_cast<uint16_t>(m->wparam & 0xFFFF);
      if (code == kCodeSettingsChanged) {
        // The base brings menus and settings up to date first; then the chooser shows the
        // document's tags again.
        ForgetLineColours();
        const bool handled = TMainToolsForm::event(e);
        // Dead keys switched on, or another kind of file dialog: the forms take them now.
        SetupKeyboardAndControls(*this);
        if (wizard_) SetupKeyboardAndControls(*wizard_);
        if (tag_chooser_ && Doc() && !Doc()->fArrayOfSavedTags.empty()) FillTagChooser();
        if (word_cloud_) word_cloud_->SettingsChanged();
        return handled;
      }
      if (code == kCodePasteCharacter) {
        if (wizard_) wizard_->AddAnySingleCharsToPopupMenu();
        return true;
      }
      if ((code == kCodeChosenTextsLoaded || code == kCodeTextsChosen) && !JobRunning()) {
        LoadChosenTextsFromStore();
        if (wizard_ && wizard_->isVisible()) {
          wizard_->RefreshWizardPages();
          return true;
        }
        if (code == kCodeChosenTextsLoaded) return true;
      }
    }
  }
  return TMainToolsForm::event(e);
}

void TFormLinzora::closeEvent(QCloseEvent* e) {
  if (!run_active_) {
    TMainToolsForm::closeEvent(e);
    return;
  }
  e->ignore();
  global_panic_state = kPanicStopNow;
  if (close_after_run_) return;
  close_after_run_ = true;
  RunWhenNoJob([this] {
    QTimer::singleShot(0, this, [this] {
      close_after_run_ = false;
      close();
    });
  });
}

void TFormLinzora::StartConcordanceMessage(uint64_t wparam, int64_t lparam) {
  if (run_active_ || JobRunning()) {
    Status()->SetPanelText(kPanelMessage, kRunBusy);
    return;
  }
  terminating_app = false;
  if (lparam != kListConcordance) return;
  if (wparam == 0) RunConcordance(ChosenTexts, false);
  else if (wizard_ && wizard_->SWBatch) RunSearchWordBatchConcordance(ChosenTexts);
  else RunBatchConcordance(ChosenTexts);
}

// --- the run --------------------------------------------------------------------------------------

bool TFormLinzora::RunTextsChecked(TVXFileDetails& texts, TVXFileDetails& run_texts) {
  if (run_active_ || JobRunning()) {
    Status()->SetPanelText(kPanelMessage, kRunBusy);
    return false;
  }
  if (!wizard_ || texts.FileCount() == 0) return false;
  TSearchWordItems& items = wizard_->SearchWordItems;
  // Every refusal below leaves the shown document, the typed words and the texts as they were.
  if (items.Count() == 0) {
    VXDialog(TVXDialog::InformationMessage, {TSearchInputCheck{TSearchInputProblem::kNothingToSearchFor, {}}.Message()});
    return false;
  }
  for (int i = 0; i < items.Count(); ++i) {
    const TSearchInputCheck check = CheckSearchInput(items.GetPtr(i)->sw);
    if (check.problem != TSearchInputProblem::kNone) {
      VXDialog(TVXDialog::InformationMessage, {check.Message()});
      return false;
    }
  }
  // A chosen zip archive is read as the texts in it (a choice handed over or loaded may name
  // one); one that gives none is passed over and named with the others.
  std::vector<TSharedChosenFilesClass::TArchiveRefusal> refused_archives;
  texts.TakeArchivesAsMembers(&refused_archives);
  const int n = texts.FileCount();
  std::vector<TChosenFileDetailsFullRec> details(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) details[static_cast<size_t>(i)] = texts.GetFullFileDetails(i);
  // The files are asked about on the run's workers, both questions in one visit (one open) each:
  // thousands of texts take a while one by one.
  constexpr size_t kTextsPerPiece = 64;
  std::vector<uint8_t> on_disk(details.size(), 0), binary(details.size(), 0), head(details.size(), kTextHeadNotSeen);
  ParallelFor(
      JobWorkerThreads(0), details.size(),
      [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
          if (details[i].rec.zip_member != 0) {
            on_disk[i] = TextPresent(details[i]);
            continue;
          }
          const TTextOnDisk text = LookAtTextOnDisk(FullName(details[i]));
          on_disk[i] = text.present;
          binary[i] = text.binary;
          head[i] = text.utf8_signed ? kTextHeadUtf8Signed : kTextHeadUnsigned;
        }
      },
      kTextsPerPiece);
  const int present = static_cast<int>(std::count(on_disk.begin(), on_disk.end(), uint8_t{1}));
  if (present == 0) {
    VXDialog(TVXDialog::CancellingAsNoneOfTheSourceTextsFound, {IntToUStr(n)});
    return false;
  }
  if (present < n && !IsYes(VXDialog(TVXDialog::CancelAsSomeSourceTextsNotFound, {IntToUStr(n), IntToUStr(present)})))
    return false;
  const TConcSettingsRec32 rec = GetConcSaveRec();
  if (rec.MinCollocateTexts() > 1 &&
      !IsYes(VXDialog(TVXDialog::WarnAboutAndASKOK,
                      {u"The minimum number of texts is " + IntToUStr(rec.MinCollocateTexts()) + u"."}, 1970)))
    return false;

  // The texts the run reads: missing and binary ones are passed over and named afterwards.
  passed_over_.clear();
  run_text_heads_.clear();
  for (int i = 0; i < n; ++i) {
    TChosenFileDetailsFullRec& d = details[static_cast<size_t>(i)];
    const auto archive = std::find_if(refused_archives.begin(), refused_archives.end(),
                                      [&](const auto& r) { return r.archive == FullName(d); });
    if (archive != refused_archives.end()) {
      passed_over_.push_back(archive->archive + u" (" + archive->why + u")");
      continue;
    }
    if (!on_disk[static_cast<size_t>(i)]) {
      passed_over_.push_back(FullName(d) + u" (not found)");
      continue;
    }
    if (binary[static_cast<size_t>(i)]) {
      texts.SetFileWanted(i, kWantedNotFound);
      passed_over_.push_back(FullName(d) + u" (not a text)");
      continue;
    }
    // The run's list numbers its folders as it meets them: a text's folder number in the chosen
    // list may name another folder there, so the folder is looked up by its path.
    d.rec.folder_num = -1;
    run_texts.AddedAFile(d.rec, d.folder);
    run_text_heads_.push_back(head[static_cast<size_t>(i)]);
  }
  if (run_texts.FileCount() == 0) {
    // An archive is there and yet gave nothing: the user is told why.
    if (!refused_archives.empty()) TellPassedOver(passed_over_);
    VXDialog(TVXDialog::CancellingAsNoneOfTheSourceTextsFound, {IntToUStr(n)});
    return false;
  }
  return true;
}

TMakeConcordanceArgs TFormLinzora::WizardRunArgs(TVXFileDetails* texts, TBaseSearchItems& items, int32_t* converted) {
  TMakeConcordanceArgs args;
  args.chosen = texts;
  args.search_items = &items;
  args.context_items = &wizard_->fContextWordItems;
  args.exclusion_items = &wizard_->fExclusionWordItems;
  args.tag_context_items = &wizard_->fTagContextWordItems;
  args.converted_count = converted;
  args.convert_utf8_text = Utf8ConversionQuestion();
  // The heads were seen for the first run of the texts only: one that converts a text changes it.
  if (texts && static_cast<size_t>(texts->FileCount()) == run_text_heads_.size()) args.text_heads = run_text_heads_;
  run_text_heads_.clear();
  args.list_kind = kListConcordance;
  // Texts are read on every core; the window's thread commits them and keeps the window alive.
  args.threads = JobWorkerThreads(0);
  return args;
}

bool TFormLinzora::RunConcordance(TVXFileDetails& texts, bool sw_batch) {
  TVXFileDetails run_texts(false, kToolConcordancer);
  if (!RunTextsChecked(texts, run_texts)) return false;
  TSearchWordItems& items = wizard_->SearchWordItems;

  if (TProgressClass* p = GlobalProgress()) p->ClearAllAndShow(TPoint{x() + width() / 2, y() + height() / 2}, kWhereLocal);
  CloseData(true);
  PrepareRunReading();
  fData = CreateTheHolderWithCallbacks(kListConcordance);
  T_WholeLinzoraHolder* doc = Doc();

  bool ok = false;
  bool stopped = false;
  {
    TJobScope job;
    run_active_ = true;
    show_next_line_ = false;
    TimerConcordancing.start(kNewestLineMs);
    g_running = this;
    longest_gap_ms_ = 0;
    g_pump_clock.start();
    g_last_pump_ms = 0;
    g_turns = {};
    g_last_gap_ms = 0;
    SetYieldHook(&ThrottledPump);
    int32_t converted = 0;
    TMakeConcordanceArgs args = WizardRunArgs(&run_texts, items, &converted);
    args.sw_batch_mode = sw_batch;
    run_progress_.Start(run_texts.FileCount());
    run_text_names_.clear();
    shown_text_ = -1;
    status_pacer_.Start();
    run_text_names_.reserve(static_cast<size_t>(run_texts.FileCount()));
    for (int i = 0; i < run_texts.FileCount(); ++i) run_text_names_.push_back(run_texts.fFiles.Item(i)->data.filename);
    args.texts_progress = [this](int64_t done, int64_t) { run_progress_.TextsDone(done); };
    args.chunk_done = [this](int32_t text, int64_t bytes_read, int64_t size, int32_t words) {
      run_progress_.ChunkDone(text, bytes_read, size, words);
      if (run_chunk_observer_) run_chunk_observer_(text);
    };
    // Each turn of the loop: the gap since the last one; the run's figures when they are due.
    auto* watcher = new QTimer(this);
    watcher->setInterval(0);
    connect(watcher, &QTimer::timeout, this, [this] {
      longest_gap_ms_ = std::max(longest_gap_ms_, g_last_gap_ms);
      ShowRunProgress();
      if (run_turn_observer_) run_turn_observer_();
    });
    watcher->start();
    ok = doc->MakeConcordance(args);
    TextFiles_convertedtoUnicode = converted;
    // The stretch from the last turn of the loop to the run's end counts as a gap too.
    longest_gap_ms_ = std::max<int64_t>(longest_gap_ms_, g_pump_clock.elapsed() - g_last_pump_ms);
    loop_turns_ = g_turns;
    watcher->stop();
    delete watcher;
    // The last refresh may have come well before the run's end: the lines made and the words
    // read stay on the status bar after the run, so they are shown once more as the run left them.
    ShowRunEndFigures();
    SetYieldHook(&PumpQtEvents);
    g_running = nullptr;
    stopped = StopRequested(kPanicEndOfText);
    TimerConcordancing.stop();
    run_active_ = false;
  }
  AfterRun(ok, stopped, run_texts.FileCount());
  return Doc() != nullptr;
}

void TFormLinzora::ShowRunEndFigures() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !doc->fConcordanceList) return;
  TVXStatusBar* bar = Status();
  bar->SetPanelText(kPanelEntries, IntToUStr(doc->fConcordanceList->Count()));
  const TRunProgressFigures f = run_progress_.Figures();
  if (f.texts > 0) bar->SetPanelText(kPanelRunWords, VXResFmt(TVXRes::VXNWords, {IntToUStr(f.running_words)}));
}

void TFormLinzora::ShowRunProgress() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !doc->fConcordanceList) return;
  const int64_t now = g_pump_clock.elapsed();
  if (!status_pacer_.Due(now)) return;
  // The progress display writes some of these panels too, so each is set every time it is due:
  // the status bar passes over a text or value it already shows.
  const int lines = doc->fConcordanceList->Count();
  TVXStatusBar* bar = Status();
  bar->SetPanelText(kPanelEntries, IntToUStr(lines));
  const TRunProgressFigures f = run_progress_.Figures();
  if (f.texts > 0) {
    bar->SetPanelText(kPanelRunText, CountFormat(u"text %d of %d", {IntToUStr(f.text + 1), IntToUStr(f.texts)}));
    // The percent panels may be bars (the progress display's style) or text.
    for (const auto& [panel, percent] : {std::pair{kPanelRunOverall, f.overall_percent}, std::pair{kPanelRunThisText, f.this_percent}}) {
      if (bar->PanelIsBar(panel)) bar->SetPanelBarValue(panel, percent);
      else bar->SetPanelText(panel, IntToUStr(percent) + u"%");
    }
    bar->SetPanelText(kPanelRunWords, VXResFmt(TVXRes::VXNWords, {IntToUStr(f.running_words)}));
  }
  status_pacer_.Shown(now, f.running_words > 0);
  if (show_next_line_ && lines > 0) {
    show_next_line_ = false;
    const TConcordanceEntry* line = doc->fConcordanceList->Line(lines - 1);
    if (line) bar->SetPanelText(kPanelMessage, UString(line->Text()));
  } else if (f.texts > 0 && f.text != shown_text_) {
    // The newest line stays until the next text begins.
    shown_text_ = f.text;
    bar->SetPanelText(kPanelMessage, run_text_names_[static_cast<size_t>(f.text)]);
  }
}

void TFormLinzora::AfterRun(bool ok, bool stopped, int texts_total) {
  T_WholeLinzoraHolder* doc = Doc();
  Global_Busy_Dont_Show_Data = false;
  if (TProgressClass* p = GlobalProgress()) {
    if (doc) p->RunningWords(static_cast<uint32_t>(std::max(0, doc->fSettings.RunningWords())));
    p->Hide();
  }
  const bool found = doc && doc->fConcordanceList->Count() > 0;
  if (global_keeping_log)
    AddToLogFile(u"concordance run ended: " + IntToUStr(found ? doc->fConcordanceList->Count() : 0) + u" lines");
  // A text that could not be read ends the run there: the user is told which, lines or none.
  const bool failure_told = !failed_reads_.empty() && !stopped;
  if (failure_told)
    VXDialog(TVXDialog::StoppedWhenProcessingX, {FailedTextMessageArgument(failed_reads_.front(), Global_FailureMessage)});
  if (!found) {
    CloseData(true);
    if (!passed_over_.empty()) TellPassedOver(passed_over_);
    VXDialog(TVXDialog::NoConcordanceEntriesFound);
  } else {
    int seen = doc->fTextFilesWithSearchWord ? doc->fTextFilesWithSearchWord->Count() : 0;
    seen += doc->fUnusedFiles.Count();
    if (stopped)
      doc->AddOneLaterNote(u"Stopped", CountFormat(u"stopped after %d of %d texts",
                                                   {IntToUStr(std::min(seen, texts_total)), IntToUStr(texts_total)}));
    std::vector<UString> problems = passed_over_;
    if (!ok && !stopped && !Global_FailureMessage.empty()) problems.push_back(Global_FailureMessage);
    for (const UString& s : problems) doc->AddOneLaterNote(u"Passed over", s);
    // What the stopped message said already is not said again.
    if (failure_told)
      problems.erase(std::remove_if(problems.begin(), problems.end(),
                                    [this](const UString& s) {
                                      if (s == Global_FailureMessage) return true;
                                      for (const UString& name : failed_reads_)
                                        if (s.rfind(name, 0) == 0) return true;
                                      return false;
                                    }),
                     problems.end());
    // The recent words and the hand-over of the texts are written (each made durable on disk)
    // once the first page is painted: the lines do not wait for the disk.
    PostAfterPaint(this, [this] {
      if (wizard_) wizard_->SaveHistoryLists();
      if (ChosenTexts.SavedToTempFile()) PostToController(kCodeRunSaved);
    });
    if (doc->fConcordanceList->LimitReached())
      VXDialog(TVXDialog::InformationMessage, {u"The limit of concordance lines was reached."});
    SetUpFileDialogs(kListConcordance);
    ShowDocumentPages();
    // The lines' page is told of its list, then shown: its page change is handled there, once.
    UpdateControlsForData();
    AfterDocumentShown();
    if (!problems.empty()) {
      UString names;
      for (const UString& s : problems) names += u"\n" + s;
      VXDialog(TVXDialog::InformationMessage, {u"Some texts were passed over or could not be read:" + names});
    }
  }
  global_panic_state = kPanicNone;
  // The texts were read: the idle step after the run says how many were converted.
  Pages()->Records().Last_actions |= 0x20 | (1u << 6);
  if (!found) UpdateControlsForData();
  QTimer::singleShot(0, this, [this] { AfterStartupIdle(); });
}

void TFormLinzora::ForgetLineColours() {
  *line_colours_ = TLineColours();
  if (grid_concordance_) grid_concordance_->InvalidateCells();
}

TFormBatchProcessSetup& TFormLinzora::BatchWindow() {
  if (!batch_window_) batch_window_ = new TFormBatchProcessSetup(this);
  return *batch_window_;
}

bool TFormLinzora::RunSearchWordBatchConcordance(TVXFileDetails& texts) {
  TVXFileDetails run_texts(false, kToolConcordancer);
  if (!RunTextsChecked(texts, run_texts)) return false;
  TFormBatchProcessSetup& batch = BatchWindow();
  batch.total_bytes = 0;
  for (int i = 0; i < run_texts.FileCount(); ++i) batch.total_bytes += run_texts.GetFullFileDetails(i).rec.size;
  const int steps = wizard_->SearchWordItems.Count();
  batch.Progress()->setRange(0, steps);
  if (batch.ShowModal() != mrOK || !batch.ok_pressed) return false;
  TBatchProceduresRec& b = Global_BatchProcedures;
  b.Computations_In_Place_Not_temp_dir = true;
  ResetBatchRun(b);
  if (b.OnBatchFileNameAndMaxN) b.OnBatchFileNameAndMaxN(b.BatchRootFolder, u"concordancing", steps);
  // The wizard's words are read once: each step searches one of them.
  std::vector<UString> words;
  for (int i = 0; i < steps; ++i) words.push_back(wizard_->SearchWordItems.GetPtr(i)->sw);
  TBatchOutcome outcome;
  outcome.steps = steps;
  outcome.folder = b.BatchRootFolder;
  {
    TJobScope job;
    run_active_ = true;
    PrepareRunReading();
    for (int i = 0; i < steps; ++i) {
      if (StopRequested(kPanicStopNow)) {
        outcome.stopped_by_user = true;
        break;
      }
      CloseData(true);
      fData = CreateTheHolderWithCallbacks(kListConcordance);
      T_WholeLinzoraHolder* doc = Doc();
      const UString name = IncludeTrailingPathDelimiter(b.BatchRootFolder) + CleanedUpFilename(words[static_cast<size_t>(i)]);
      doc->MainFile.name = name;
      doc->SuggestedFilename = name;
      doc->SourceTextFilename = name;
      TSearchWordItems one(SearchTextOptionsFromTextSettings(doc->TextSettings()));
      one.AddedSearchWords(words[static_cast<size_t>(i)]);
      int32_t converted = 0;
      TMakeConcordanceArgs args = WizardRunArgs(&run_texts, one, &converted);
      args.batch_number = i + 1;
      args.sw_batch_mode = true;
      const size_t saved_before = b.saved_files.size();
      const bool ok = doc->MakeConcordance(args);
      ++outcome.steps_done;
      // Only a file written counts; a step without lines writes nothing and is no failure.
      if (b.saved_files.size() > saved_before) ++outcome.saved;
      else if (!ok && doc->fConcordanceList->Count() > 0) {
        outcome.stopped_at = words[static_cast<size_t>(i)];
        break;
      }
      if (b.OnProgressing) b.OnProgressing(i);
    }
    CloseData(true);
    run_active_ = false;
  }
  batch.hide();
  if (StopRequested(kPanicStopNow)) outcome.stopped_by_user = true;
  global_panic_state = kPanicNone;
  if (ChosenTexts.SavedToTempFile()) PostToController(kCodeRunSaved);
  if (global_keeping_log) AddToLogFile(BatchReport(outcome));
  VXDialog(TVXDialog::InformationMessage, {BatchReport(outcome)});
  UpdateControlsForData();
  return outcome.saved > 0;
}

bool TFormLinzora::RunBatchConcordance(TVXFileDetails& texts) {
  TVXFileDetails run_texts(false, kToolConcordancer);
  if (!RunTextsChecked(texts, run_texts)) return false;
  TFormBatchProcessSetup& batch = BatchWindow();
  batch.total_bytes = 0;
  for (int i = 0; i < run_texts.FileCount(); ++i) batch.total_bytes += run_texts.GetFullFileDetails(i).rec.size;
  batch.Progress()->setRange(0, run_texts.FileCount());
  if (batch.ShowModal() != mrOK || !batch.ok_pressed) return false;
  TBatchProceduresRec& b = Global_BatchProcedures;
  b.Computations_In_Place_Not_temp_dir = false;
  ResetBatchRun(b);
  if (b.Zip_Too) SetBatchZipName(u"", u"concordance", b);
  TBatchOutcome outcome;
  outcome.steps = run_texts.FileCount();
  outcome.folder = b.BatchRootFolder;
  bool ok = false;
  {
    TJobScope job;
    run_active_ = true;
    CloseData(true);
    PrepareRunReading();
    fData = CreateTheHolderWithCallbacks(kListConcordance);
    int32_t converted = 0;
    TMakeConcordanceArgs args = WizardRunArgs(&run_texts, wizard_->SearchWordItems, &converted);
    args.batch_mode = 1;
    ok = Doc()->MakeConcordance(args);
    run_active_ = false;
  }
  outcome.saved = static_cast<int>(b.saved_files.size());
  for (int i = 0; i < run_texts.FileCount(); ++i)
    if (run_texts.GetFullFileDetails(i).rec.wanted != kWantedNotLooked) ++outcome.steps_done;
  if (!ok && !StopRequested(kPanicStopNow) && !Global_FailureMessage.empty()) outcome.stopped_at = Global_FailureMessage;
  outcome.stopped_by_user = StopRequested(kPanicStopNow);
  const UString zip = Doc() ? Doc()->last_batch_zip_Fullname : UString();
  CloseData(true);
  batch.hide();
  global_panic_state = kPanicNone;
  if (wizard_ && ok) wizard_->SaveHistoryLists();
  if (ok && b.Zip_Too && !zip.empty()) outcome.folder = zip;
  if (global_keeping_log) AddToLogFile(BatchReport(outcome));
  VXDialog(TVXDialog::InformationMessage, {BatchReport(outcome)});
  UpdateControlsForData();
  return ok;
}

bool TFormLinzora::OpenOneBatchEntry(TStream& stream, int index) {
  if (RefusedDuringJob()) return false;
  terminating_app = false;
  if (fData && !CanCloseData()) return false;
  std::unique_ptr<TTessorineholder> holder = CreateTheHolderWithCallbacks(kListConcordance);
  const bool ok = holder->StartReadFromStream(stream) && holder->ReadWholeFromStream(stream);
  if (!ok) {
    VXDialog(TVXDialog::FailedToRead, {u"batch result " + IntToUStr(index + 1)});
    UpdateControlsForData();
    return false;
  }
  CloseData(false);
  fData = std::move(holder);
  fData->MainFile.name.clear();
  NextFile.name.clear();
  SetUpFileDialogs(kListConcordance);
  fData->CheckMenuItemsAfterLoadFromFile();
  ShowDocumentPages();
  UpdateControlsForData();
  // The result has no file of its own: the caption names it by its place in the batch.
  SetMainCaption(*this, u"Batch " + IntToUStr(index + 1));
  return true;
}

void TFormLinzora::StartFollowUpSearch(bool with_context) {
  if (!wizard_) return;
  const UString word = GetATempString(1);
  if (global_keeping_log) AddToLogFile(u"Follow-up search_word=" + word);
  LoadChosenTextsFromStore();
  wizard_->fExclusionWordItems.Clear();
  wizard_->fTagContextWordItems.Clear();
  wizard_->fContextWordItems.Clear();
  // A follow-up's context word may stand anywhere within the horizons.
  wizard_->fContextWordItems.exact_position = false;
  wizard_->fContextWordItems.required_distance = 0;
  // The store says what runs, so that the wizard shows it afterwards: the word, the context word
  // anywhere within the horizons the follow-up was asked with, never an exact place.
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetExactContextPosition(0);
  SetConcSaveRec(rec);
  SetConcSaveRecSearchword(word);
  if (with_context) {
    const UString context = GetATempString(2);
    wizard_->fContextWordItems.AddedSearchWords(context);
    SetConcSaveRecContextword(context);
  }
  wizard_->SearchWordItems.Clear();
  wizard_->SearchWordItems.AddedSearchWords(word);
  SetMainCaption(*this, word);
  SetConcSaveRecWithContext(with_context);
  RunConcordance(ChosenTexts, false);
}

bool TFormLinzora::RunOtherToolRequests(uint8_t tool) {
  if (!wizard_ || run_active_ || JobRunning()) return false;
  TTellLinzoraList request(tool, kToolConcordancer);
  if (!request.ReadRequestFile()) {
    VXDialog(TVXDialog::FailedToRead, {request.Failure().empty() ? request.TempFilename() : request.Failure()});
    return false;
  }
  const TLinzoraInclusionsRec& inc = request.fPreliminaries;
  std::unique_ptr<TVXFileDetails> shared = request.OtherToolRequestFiles();
  if (request.Count() == 0 || (!inc.include_jumps && (!shared || shared->FileCount() == 0))) {
    VXDialog(TVXDialog::NoConcordanceEntriesFound);
    return false;
  }
  // The settings and the wizard's boxes show the first item; every item is searched.
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetContextWordsWanted(inc.include_context_words != 0);
  rec.SetContextHorizonLeft(inc.context_hors[0]);
  rec.SetContextHorizonRight(inc.context_hors[1]);
  rec.SetExactContextPosition(inc.context_exact_gap);
  auto word_of = [](const TLinzoraInfoClass& item) {
    const UString w = TrimU(item.word_details[0]);
    return w == u"#" ? UString(u"*#*") : w;
  };
  const TLinzoraInfoClass& first = *request.Item(0);
  UString context;
  for (size_t i = 0; i < first.context_words.size() && i < 4; ++i) context += (i ? u"/" : u"") + first.context_words[i];
  rec.SetSearchWord(word_of(first));
  rec.SetContextWord(context);
  SetConcSaveRec(rec);
  wizard_->SearchBox()->setCurrentText(ToQString(word_of(first)));
  wizard_->ContextBox()->setCurrentText(ToQString(context));
  wizard_->SearchWordItems.Clear();
  wizard_->fContextWordItems.Clear();
  if (inc.include_context_words && !context.empty()) wizard_->fContextWordItems.AddedSearchWords(context);
  wizard_->fContextWordItems.exact_position = inc.context_exact_gap != 0;
  wizard_->fContextWordItems.required_distance = inc.context_exact_gap;
  for (int32_t k = 0; k < request.Count(); ++k) {
    const TLinzoraInfoClass& item = *request.Item(k);
    wizard_->SearchWordItems.AddedSearchWords(word_of(item), item.rec.instances_to_find > 0 ? item.rec.instances_to_find
                                                                                          : 0x7FFFFFFF);
  }
  if (!inc.include_jumps) return RunConcordance(*shared, false);

  // Each item in its own texts, into one document.
  CloseData(true);
  PrepareRunReading();
  fData = CreateTheHolderWithCallbacks(kListConcordance);
  T_WholeLinzoraHolder* doc = Doc();
  doc->fSettings = GetConcSaveRec();
  doc->CopySearchWordItemsToFSWSEtc(wizard_->SearchWordItems);
  passed_over_.clear();
  bool stopped = false;
  int texts_total = 0;
  {
    TJobScope job;
    run_active_ = true;
    TMakeConcordanceArgs args = WizardRunArgs(nullptr, wizard_->SearchWordItems, nullptr);
    for (int32_t k = 0; k < request.Count() && !StopRequested(kPanicStopNow); ++k) {
      std::unique_ptr<TVXFileDetails> files = request.SubSetOfOtherToolRequestFiles(request.Item(k)->jumplist);
      if (!files) continue;
      args.chosen = files.get();
      for (int32_t f = 0; f < files->FileCount() && !StopRequested(kPanicStopNow); ++f) {
        const TChosenFileDetailsFullRec d = files->GetFullFileDetails(f);
        ++texts_total;
        const int before = doc->fConcordanceList->Count();
        const TOneTextResult r = doc->MadeOneFileConcordance(f, files->FileCount(), k, d, args);
        // The text is read for every item; only this item's lines belong to its texts.
        for (int i = doc->fConcordanceList->Count() - 1; i >= before; --i)
          if (doc->fConcordanceList->Line(i)->Data().sw_number != k) doc->fConcordanceList->Remove(i);
        if (!r.ok) passed_over_.push_back(FullName(d) + (r.failure.empty() ? UString() : u" (" + r.failure + u")"));
      }
    }
    doc->ComputeAfterConcordance(false);
    doc->AddNotesOnSWResults();
    stopped = StopRequested(kPanicEndOfText);
    run_active_ = false;
  }
  AfterRun(passed_over_.empty(), stopped, texts_total);
  return Doc() != nullptr;
}

// --- start-up -------------------------------------------------------------------------------------

void TFormLinzora::HandleStartupParameters() {
  TMainToolsForm::HandleStartupParameters();
  tool_wants_linzora = false;
  const UString named = StartupDocument();
  const bool any = !Params().formatted_params.empty() || Params().parms_found != 0;
  const TStartupAction action = DecideStartupAction(Params(), any, !named.empty() && FileExists(named));
  switch (action.kind) {
    case TStartupActionKind::kOpenDocument: OpenAFile(); break;
    case TStartupActionKind::kFollowUp: StartFollowUpSearch(action.with_context); break;
    case TStartupActionKind::kToolRequest:
      tool_wants_linzora = true;
      RunOtherToolRequests(action.tool);
      break;
    case TStartupActionKind::kUnknownName: VXDialog(TVXDialog::FailedToFind, {Params().formatted_params}); break;
    case TStartupActionKind::kNothing: break;
  }
  UpdateControlsForData();
}

// --- page data ------------------------------------------------------------------------------------

void TFormLinzora::PageChanged(int tab) {
  TMainToolsForm::PageChanged(tab);
  ComputePageData();
  if (conditions_form_ && conditions_form_->isVisible()) RefreshAfterGridChange(CurrentGrid());
}

bool TFormLinzora::ShowsRelatedTexts(const TVX_Grid* grid) const {
  const T_WholeLinzoraHolder* doc = Doc();
  return grid && doc && doc->fSameFilenameOption != 0;
}

void TFormLinzora::ListRowsChanged(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !grid || grid->List() != doc->fConcordanceList.get() || TextHitsMatchLines(*doc)) return;
  RecountAfterLinesChanged(*doc);
  for (int t = 0; t < Pages()->Count(); ++t)
    if (TVX_Grid* g = Pages()->GridOfTab(t); g && g != grid && g->List()) g->ListChanged();
  ComputePageData();
}

void TFormLinzora::ComputePageData() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || run_active_ || JobRunning()) return;
  const uint8_t type = Pages()->CurrentListType();
  if (type != kListCollocates && type != kListPlot && type != kListPatterns && type != kListClusters &&
      type != kListTimeline)
    return;
  struct TView {
    TConcordanceDerivedList* list;
    size_t done_index;
  };
  const TView views[] = {{doc->fCollocateList.get(), 2}, {doc->fPatternsList.get(), 3}, {doc->fConcPlotList.get(), 4},
                         {doc->fClusterList.get(), 1}, {doc->fTimeLineList.get(), 5}};
  bool computed = false;
  for (const TView& v : views) {
    if (!v.list || doc->fComputed[v.done_index]) continue;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int before = v.list->Count();
    const bool made = v.list->Compute(false);
    if (made) doc->fComputed[v.done_index] = 1;
    QApplication::restoreOverrideCursor();
    // Only a list that changed is shown afresh: the other grids keep their current rows.
    if (!made && v.list->Count() == before) continue;
    computed = true;
    for (int t = 0; t < Pages()->Count(); ++t)
      if (TVX_Grid* g = Pages()->GridOfTab(t); g && g->List() == v.list) g->ListChanged();
  }
  if (!computed) return;
  RefreshViewNotes();
  if (TVX_Grid* g = CurrentGrid()) ShowEntryCount(g);
}

// --- resort ---------------------------------------------------------------------------------------

void TFormLinzora::Resort(TVX_Grid* grid, int column) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  T_WholeLinzoraHolder* doc = Doc();
  TVXBaseDataClass* list = grid->List();
  Pages()->Records().Last_actions |= 0x08;
  // The sort dialog runs the event loop: a run request, Open or Close arriving then must not free
  // the lines being sorted.
  TJobScope resorting;
  if (TVXBaseDataClass::IsAddedColumnNumber(column)) {
    added_sort_ascending_ = !added_sort_ascending_;
    list->SortOnAddedColumn(column, added_sort_ascending_);
    RecomputeCumulativeColumns(*list);
    MarkDataChanged();
    grid->ListChanged();
    return;
  }
  if (list != doc->fConcordanceList.get()) {
    list->ToggleSortDirection(0);
    list->Set1Sort(0, list->HeaderColumnToSortNeeded(0, column));
    // An association column before its values exist: the user hears why the sort is another.
    if (auto* collocates = dynamic_cast<TCollocateList*>(list); collocates && !collocates->last_message.empty())
      VXDialog(TVXDialog::CollocateAssociationNotComputed);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list->DoASort(1, 0, list->Count() - 1);
    RecomputeCumulativeColumns(*list);
    QApplication::restoreOverrideCursor();
    grid->ListChanged();
    return;
  }
  TConcordanceList* lines = doc->fConcordanceList.get();
  std::array<TSortLevel, 3> before{lines->SortLevel(0), lines->SortLevel(1), lines->SortLevel(2)};
  for (int l = 0; l < 3; ++l) lines->ToggleSortDirection(l);
  lines->Set1Sort(0, lines->HeaderColumnToSortNeeded(0, column));
  lines->Set1Sort(1, lines->HeaderColumnToSortNeeded(1, column));
  if (column == 1 && sort_form_) {
    for (int l = 0; l < 3; ++l) sort_record_.ascending[static_cast<size_t>(l)] = lines->SortLevel(l).ascending ? 1 : 0;
    sort_form_->SetTargets(&doc->fSettings, &sort_record_);
    if (sort_form_->ShowModal() != mrOK) {
      // Cancel leaves the lines sorted as they were, directions included.
      for (int l = 0; l < 3; ++l) {
        lines->Set1Sort(l, before[static_cast<size_t>(l)].key);
        lines->SetSortAscending(l, before[static_cast<size_t>(l)].ascending);
      }
      return;
    }
    if (!sort_form_->highlighted_collocate_in_sort) lines->ClearHighlightRec();
    const std::vector<int32_t> keys = ResortKeys(doc->fSettings, sort_record_);
    if (std::find(keys.begin(), keys.end(), kSortKeyReferenceFrequency) != keys.end()) {
      // The reference word list is confirmed (a missing file or one that is no word list says so
      // there) and read when it is another or a line's rank is not known; a refusal keeps the sorts.
      auto keep_sorts = [&] {
        for (int l = 0; l < 3; ++l) {
          lines->Set1Sort(l, before[static_cast<size_t>(l)].key);
          lines->SetSortAscending(l, before[static_cast<size_t>(l)].ascending);
        }
      };
      if (!ReferenceWordListChosen(false)) return keep_sorts();
      const UString reference = GetKeywordsSettingsReferenceCorpus();
      if ((!doc->HasReferenceList() || reference != doc->ReferenceCorpusWordlistFilename ||
           lines->AnyUnknownAverageWordFrequency()) &&
          !doc->LoadedAReferenceCorpusWordlist(reference)) {
        VXDialog(TVXDialog::InformationMessage, {reference + u" could not be read as a word list."});
        return keep_sorts();
      }
    }
    for (int l = 0; l < 3; ++l) {
      lines->Set1Sort(l, l < static_cast<int>(keys.size()) ? keys[static_cast<size_t>(l)] : -1);
      lines->SetSortAscending(l, sort_record_.ascending[static_cast<size_t>(l)] != 0);
    }
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  lines->CompleteResort();
  RecomputeCumulativeColumns(*lines);
  QApplication::restoreOverrideCursor();
  MarkDataChanged();
  grid->ListChanged();
}
