// The concordancer's menu commands: the route of each tag (shell/concordance_commands.h), the
// window's own commands, and the list commands carried out when a grid's 0x1788 arrives.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include "concordance/commands/collocate_highlight.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/patterns_list.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/text/text_services.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/settings/analysis_settings_rules.h"
#include "shell/menus/concordance_commands.h"
#include "shell/menus/menu_features.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/window_messages.h"
#include "shell/services/suite_services.h"
#include "windows/clipboard_format_dialog.h"
#include "windows/general_input_dialog.h"
#include "windows/lemma_forms_window.h"
#include "windows/wizard_rules.h"
#include "windows/cluster_settings_dialog.h"
#include "windows/modify_source_texts_window.h"
#include "windows/plot_sets_dialog.h"
#include "windows/save_as_dialog.h"
#include "windows/tag_colour_chooser.h"
#include "windows/timeline_settings_dialog.h"

namespace {

constexpr uint16_t kCodeNewInstance = 4602;
constexpr uint64_t kAllTags = 0x7FFFFFFF;
constexpr uint64_t kRecheckTagMenus = 0x7FFFFFFE;
// How far the concordance column may be moved off the search word, either way.
constexpr int kMostDisplacement = 40;
constexpr int kTagFreezeTopRows = 195;  // View > Freeze top rows...

void Note(const UString& text) {
  if (global_keeping_log) AddToLogFile(text);
}

}  // namespace

bool TFormLinzora::SourceTextPageShown() const {
  TSourceTextRichEdit* viewer = SourceTextViewer();
  QWidget* page = Pages()->Tabs()->currentWidget();
  return viewer && page && (page == viewer || page->isAncestorOf(viewer));
}

void TFormLinzora::RefreshCurrentGrid() {
  if (TVX_Grid* grid = CurrentGrid()) grid->ListChanged();
}

void TFormLinzora::HandleMenuCommand(int tag, const UString& data) {
  // Any command may read the pages' widths (saving, exports, print, the column editor) or hand
  // them to a job on another thread.
  TVX_Grid::PayOwedFits();
  if (tag >= 0 && tag < kMenuTagCount && IsCheckableMenuItem(tag))
    if (QAction* a = Menus()->ActionOfTag(tag)) SetMenuItemChecked(tag, a->isChecked());
  TVX_Grid* grid = CurrentGrid();
  const TConcCommandRoute route = RouteConcordanceCommand(tag, SourceTextPageShown(), grid != nullptr);
  if (route.offer_general && HandleGeneralMenuCommand(tag, *this)) return;
  // The common handler's number display and clear marking never end the handling: the grid is
  // told as well.
  if (route.offer_common) HandleCommonMenuCommand(tag, grid);
  if (route.command != TConcCommand::kNone) {
    CarryOutWindowCommand(tag, static_cast<int>(route.command), route.detail, data);
    return;
  }
  if (route.post_to_grid) PostWindowMessage(grid, kMsgGridCommand, route.grid_wparam, 0);
}

void TFormLinzora::CarryOutWindowCommand(int tag, int command, int detail, const UString& data) {
  T_WholeLinzoraHolder* doc = Doc();
  TVX_Grid* grid = CurrentGrid();
  switch (static_cast<TConcCommand>(command)) {
    case TConcCommand::kSourceTextCopy: SourceTextCommand(kSourceCopy); break;
    case TConcCommand::kSourceTextPrint: SourceTextCommand(kSourcePrint); break;
    case TConcCommand::kSourceTextShow:
      // The text of the hit on show, by its number in the source texts.
      if (doc && shown_line_.valid && doc->fConcordanceList)
        LoadSourceText(doc->fConcordanceList->SourceFileName(shown_line_.file_number));
      break;
    case TConcCommand::kSave: {
      bool saved = false;
      if (!RefusedDuringJob()) SaveData(grid, saved);
      break;
    }
    case TConcCommand::kOpen: {
      if (RefusedDuringJob()) break;
      if (doc) {
        const int answer = VXDialog(TVXDialog::StartNewToolInstance);
        if (answer == mrCancel) break;
        if (answer == mrYes) {
          PostToController(kCodeNewInstance);
          break;
        }
      }
      terminating_app = false;
      // Cancel at the save question keeps the data: nothing is opened over it.
      if (HasData() && !CanCloseData()) break;
      OpenWithDialog();
      break;
    }
    case TConcCommand::kPrint: PrintGridPages(grid); break;
    case TConcCommand::kPrintPreview: PreviewGrid(grid); break;
    case TConcCommand::kNew:
      if (RefusedDuringJob()) break;
      if (doc) {
        PostToController(kCodeNewInstance);
        break;
      }
      LoadChosenTextsFromStore();
      ShowStartDialog();
      break;
    case TConcCommand::kInsertTags:
      // The tags as the settings now give them, though no run since has read them.
      if (doc) RefreshTagHandler();
      if (doc && !doc->TryToUpdateTags()) {
        VXDialog(TVXDialog::PleaseLoadTags);
      } else if (doc) {
        // The tags' colours may have changed, and the lines show them whatever page is current.
        ForgetLineColours();
        RefreshCurrentGrid();
      }
      break;
    case TConcCommand::kTagColours: ShowTagColourChooser(); break;
    case TConcCommand::kMerge: MergeWithAFile(grid); break;
    case TConcCommand::kPadding:
      if (!doc) break;
      doc->fSettings.SetSearchWordPadded(GetMenuItemChecked(tag));
      SetConcSaveRecSWPadded(doc->fSettings.SearchWordPadded());
      if (grid_concordance_) grid_concordance_->ListChanged();
      break;
    case TConcCommand::kExit: close(); break;
    case TConcCommand::kHideTagKind:
      if (!doc) break;
      tag_buttons_ = HideTagKind(*doc, tag);
      FitTagButtons();
      RefreshCurrentGrid();
      break;
    case TConcCommand::kConcDisplay:
      if (!doc) break;
      doc->ToggleConcDisplay(tag);
      RefreshCurrentGrid();
      break;
    case TConcCommand::kColouring:
      if (!doc) break;
      doc->ToggleConcColouringSetting(tag);
      RefreshCurrentGrid();
      break;
    case TConcCommand::kCopyToSetColumn:
      if (!doc || !grid_concordance_) break;
      if (!CopySearchWordsToSetColumn(*doc)) break;
      MarkDataChanged();
      ListChanged(grid_concordance_);
      break;
    case TConcCommand::kRecentFile: OpenRecentFile(data); break;
    case TConcCommand::kFileNameList: FileNameList(); break;
    case TConcCommand::kTypingMode: SetTypingMode(detail); break;
    case TConcCommand::kSearchWordHidden:
      if (!doc) break;
      doc->fSettings.SetSearchWordHidden(GetMenuItemChecked(tag));
      RefreshCurrentGrid();
      break;
    case TConcCommand::kMoveLeft:
    case TConcCommand::kMoveRight:
    case TConcCommand::kToCentre: {
      const auto c = static_cast<TConcCommand>(command);
      conc_displacement_ = c == TConcCommand::kToCentre ? 0
                           : std::clamp(conc_displacement_ + (c == TConcCommand::kMoveLeft ? -1 : 1),
                                        -kMostDisplacement, kMostDisplacement);
      RereadLinesShortOfContext();
      if (grid_concordance_) grid_concordance_->ListChanged();
      break;
    }
    default: break;
  }
}

bool TFormLinzora::CarryOutGridCommand(TVX_Grid* grid, uint64_t wparam) {
  const std::optional<TConcCommandEntry> entry = GridCommandOfMessage(wparam);
  if (!entry) {
    // A message with no command behind it is no reason to stop: said in the log, nothing done.
    Note(u"grid command not known: " + IntToUStr(static_cast<int64_t>(wparam)));
    return true;
  }
  const int tag = entry->tag;
  TVXBaseDataClass* list = GridHasListData(grid) ? grid->List() : nullptr;
  switch (entry->command) {
    case TConcCommand::kGridView:
      // The grid's own display commands; how many rows to freeze is asked here first.
      if (tag == kTagFreezeTopRows) {
        FreezeRowsFromInput(grid);
        return true;
      }
      return false;
    case TConcCommand::kAfterCommon: grid->ListChanged(); break;
    case TConcCommand::kSaveAs: SaveAsThroughDialog(grid, entry->detail); break;
    case TConcCommand::kCopy: CopyThroughFormatDialog(grid); break;
    case TConcCommand::kShowSource: {
      bool shown = false;
      ShowSourceOfRow(grid, grid->CurrentRow(), shown);
      break;
    }
    case TConcCommand::kDelete: DeleteSelectedRows(grid); break;
    case TConcCommand::kDeleteToEnd:
      if (list) SetRowsDeleted(grid, std::max(1, grid->CurrentRow()), list->TotalRowCount(), true);
      break;
    case TConcCommand::kRestore:
      for (int r : grid->SelectedRows()) SetRowsDeleted(grid, r, r, false);
      break;
    case TConcCommand::kRestoreToEnd:
      if (list) SetRowsDeleted(grid, std::max(1, grid->CurrentRow()), list->TotalRowCount(), false);
      break;
    case TConcCommand::kReduceToN: ReduceToNFromInput(grid); break;
    case TConcCommand::kReverseDelete: ReverseDeletionOnGrid(grid); break;
    case TConcCommand::kMark: MarkSelectedRows(grid, true); break;
    case TConcCommand::kUnmark: MarkSelectedRows(grid, false); break;
    case TConcCommand::kJoin: JoinRows(grid, grid->CurrentRow()); break;
    case TConcCommand::kUnjoin: UnjoinRows(grid, false); break;
    case TConcCommand::kUnjoinAll: UnjoinRows(grid, true); break;
    case TConcCommand::kZap: ZapList(grid); break;
    case TConcCommand::kUndo: UndoList(grid); break;
    case TConcCommand::kRedo: RedoList(grid); break;
    case TConcCommand::kListCommand: CarryOutListTool(tag, grid); break;
    case TConcCommand::kResort: Resort(grid, std::max(1, grid->CurrentColumn())); break;
    case TConcCommand::kColumnTotals: ColumnTotalsOnGrid(grid); break;
    case TConcCommand::kMatches: MatchCommandOnGrid(grid, tag); break;
    case TConcCommand::kCompute: ComputeViewCommand(grid, entry->detail); break;
    case TConcCommand::kModify: MModifySourceTexts(grid, tag); break;
    case TConcCommand::kPlotDisplay: PPlotDisplayChanged(grid); break;
    case TConcCommand::kFollowCollocate: GridCollocates_FollowCollocates(grid); break;
    case TConcCommand::kJoinClusters: JoinClustersOnGrid(grid); break;
    case TConcCommand::kAutoJoin: Status()->SetPanelText(kPanelMessage, AutoJoinNotAvailable() + u"."); break;
    case TConcCommand::kPageHelp: ShowHelpContext(PageHelpContext(grid->ListType())); break;
    case TConcCommand::kRelativeEntropy: RelativeEntropyOfGrid(grid); break;
    case TConcCommand::kRemoveDuplicates: RemoveDuplicatesOnGrid(grid); break;
    case TConcCommand::kHighlightCollocate: HighlightCollocate(grid); break;
    case TConcCommand::kOtherSort:
      if (list && !RefusedDuringJob() && SortOnWords(*list, tag)) {
        MarkDataChanged();
        grid->ListChanged();
      }
      break;
    default:
      if (!OpenGridTool(tag, grid)) OpenLaterWindow(tag, grid);
      break;
  }
  return true;
}

void TFormLinzora::OpenLaterWindow(int tag, TVX_Grid* grid) {
  if (OpenViewerWindow(tag, grid)) return;
  Note(u"menu command " + IntToUStr(tag) + u" has no window here");
  Status()->SetPanelText(kPanelMessage, u"Not available in this window.");
}

// --- list commands -------------------------------------------------------------------------------

void TFormLinzora::UnjoinRows(TVX_Grid* grid, bool all) {
  if (!GridHasListData(grid) || !IsLemmatisableListType(grid->ListType()) || RefusedDuringJob()) return;
  TVXBaseDataClass* list = grid->List();
  bool changed = false;
  if (all) {
    for (int i = 0; i < list->Count(); ++i) changed = list->Unjoin(i) || changed;
  } else {
    for (int r : grid->SelectedRows()) changed = list->Unjoin(EntryOfGridRow(grid, r)) || changed;
  }
  if (!changed) return;
  ListChanged(grid);
}

void TFormLinzora::RemoveDuplicatesOnGrid(TVX_Grid* grid) {
  auto* list = GridHasListData(grid) ? dynamic_cast<TVXBaseLemmaMatchCapableList*>(grid->List()) : nullptr;
  if (!list || RefusedDuringJob()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const TDuplicatesOutcome outcome = RemoveDuplicateLines(*list);
  QApplication::restoreOverrideCursor();
  if (outcome.found > 0) MarkDataChanged();
  grid->ListChanged();
  UpdateControlsForData();
  if (outcome.top_row) grid->SetTopRow(*outcome.top_row);
}

void TFormLinzora::HighlightCollocate(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !doc->fConcordanceList || !GridHasListData(grid) || grid->CurrentRow() < 1) return;
  const int row = grid->CurrentRow() - 1;
  THighlightCell cell;
  if (auto* collocates = dynamic_cast<TCollocateList*>(grid->List()))
    cell = HighlightOfCollocateCell(
        *collocates, row, grid->CurrentColumn());
  else if (auto* patterns = dynamic_cast<TPatternsList*>(grid->List()))
    cell = HighlightOfPatternCell(*patterns, row, grid->CurrentColumn());
  if (cell.kind == THighlightCellKind::kLemmaForms) {
    ShowLemmaForms(cell.lemma_forms);
    return;
  }
  if (cell.kind != THighlightCellKind::kHighlight) return;
  const std::vector<UString> words = doc->fSearchWords.TypedInWordsAsStringlist();
  const UString search_word = UpperCaseU(words.empty() ? UString() : words.front());
  const UString label = cell.label.empty() ? ConcordanceSpanStr(cell.rec.span_pos) : cell.label;
  TGeneralInputDlg choice(this);
  choice.setWindowTitle(ToQString(VXRes(TVXRes::VXChoose)));
  choice.offering_alternatives = true;
  choice.SetTopic(VXResFmt(TVXRes::VXNodeXAsPCollocateOfY, {cell.rec.colloc_w, label, search_word}));
  choice.OptionButton(1)->setText(ToQString(VXRes(TVXRes::VXShow)));
  choice.OptionButton(2)->setText(ToQString(VXRes(TVXRes::VXCompute)));
  const UString prompt = VXResFmt(TVXRes::VXDoYouWantToXorY, {VXRes(TVXRes::VXShowInExistingConcordance),
                                                               VXRes(TVXRes::VXComputeNewConcordance)});
  if (!choice.GetAlternative(prompt, 4930)) return;
  TConcordanceList& lines = *doc->fConcordanceList;
  lines.HighlightRec = TConcordanceHighlightRec();
  if (choice.BotaoPressed == 2) {
    SendFollowUpRequest(*doc, FollowUpPositionOf(cell.rec), search_word);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<int> to_row = ShowHighlightInLines(lines, cell.rec);
  QApplication::restoreOverrideCursor();
  MarkDataChanged();
  if (!grid_concordance_) return;
  grid_concordance_->ListChanged();
  // No lines left (zapped since the collocates were made): the row stays where it was.
  if (to_row) {
    grid_concordance_->setCurrentIndex(grid_concordance_->Model().index(*to_row - 1, 0));
    grid_concordance_->scrollTo(grid_concordance_->currentIndex());
  }
  for (int t = 0; t < Pages()->Count(); ++t)
    if (Pages()->GridOfTab(t) == grid_concordance_) Pages()->Tabs()->setCurrentIndex(t);
}

void TFormLinzora::ShowLemmaForms(const std::vector<UString>& lines) {
  std::vector<TLemmaForm> forms;
  forms.reserve(lines.size());
  for (const UString& line : lines) {
    // The frequency follows the last tab; a form may hold tabs of its own.
    const size_t tab = line.rfind(u'\t');
    TLemmaForm f;
    f.form = tab == UString::npos ? line : line.substr(0, tab);
    if (tab != UString::npos)
      for (size_t i = tab + 1; i < line.size() && line[i] >= u'0' && line[i] <= u'9'; ++i)
        f.frequency = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, int64_t{f.frequency} * 10 + (line[i] - u'0')));
    forms.push_back(std::move(f));
  }
  if (!lemma_shower_) lemma_shower_ = new TFormLemmaShower(this, &FileDialogs());
  auto* shower = qobject_cast<TFormLemmaShower*>(lemma_shower_.data());
  shower->SetTheHeaders({VXRes(TVXRes::VXWord), VXRes(TVXRes::VXFrequency)});
  shower->CopyStringData(forms);
  // Shown without waiting: the grid stays usable beside it.
  shower->show();
  shower->raise();
}

// --- dialogs behind the commands ------------------------------------------------------------------

void TFormLinzora::SaveAsThroughDialog(TVX_Grid* grid, int format) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  const TSaveAsSetup setup = SaveAsSetupForList(*grid->List(), grid->ListType(),
                                                static_cast<uint8_t>(grid->Alternative()), Tool(),
                                                grid->CurrentRow(), grid->CurrentColumn(), Data()->SourceTextFilename);
  TSaveAsTxtDlgFeb2012 dialog(&FileDialogs(), this);
  dialog.SetupSaveAs(setup);
  if (format != kSaveAsAny) dialog.Format()->setCurrentIndex(format);
  if (dialog.ShowModal() != mrOK) return;
  const TExportSettings& chosen = dialog.Settings();
  SaveAsText(grid, chosen.format, chosen.file_name, chosen);
}

void TFormLinzora::CopyThroughFormatDialog(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  TFormChooseClipboardFormat dialog(this);
  if (dialog.ShowModal() != mrOK) return;
  // Copied rows are text: the plot, pattern, collocate and concordance cells take their text
  // forms, and the cells are made afresh before and after.
  auto remake_cells = [this] {
    for (int t = 0; t < Pages()->Count(); ++t)
      if (TVX_Grid* g = Pages()->GridOfTab(t)) g->Model().Source().Invalidate();
  };
  // The picture is of the rows as drawn; the text is made afterwards, with the text markers.
  const TClipboardSettingsRec choice = GetClipboardSettings();
  const std::vector<int> rows = grid->RowsToCopy();
  const QImage picture = choice.Picture() ? grid->SelectedAreaPicture(rows) : QImage();
  T_WholeLinzoraHolder* doc = Doc();
  text_output_ = true;
  if (doc) doc->text_output = true;
  remake_cells();
  grid->CopyRowsToClipboard(rows, choice, picture);
  text_output_ = false;
  if (doc) doc->text_output = false;
  remake_cells();
}

void TFormLinzora::RefreshViewNotes(int notes_before) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !notes_) return;
  // What a computation noted since the document held notes_before lines goes below the memo.
  std::vector<UString> later;
  if (notes_before >= 0)
    for (int i = notes_before; i < doc->fNotes.Count(); ++i) later.push_back(doc->fNotes[i]);
  // The memo may hold the user's own lines: they are kept, only the count lines change.
  const bool modified = notes_->document()->isModified();
  doc->fNotes.SetText(FromQString(notes_->toPlainText()));
  for (const UString& line : later) doc->fNotes.Add(line);
  doc->UpdateViewNotes();
  notes_->setPlainText(NotesText(*doc));
  notes_->document()->setModified(modified);
}

// --- tags -----------------------------------------------------------------------------------------

void TFormLinzora::ShowTagColourChooser() {
  if (!tag_chooser_) tag_chooser_ = new TFormTagColourChooser(this);
  T_WholeLinzoraHolder* doc = Doc();
  if (doc && !doc->fArrayOfSavedTags.empty() && DataHasColourTags(*doc) && !tag_chooser_->isVisible()) {
    FillTagChooser();
    tag_chooser_->show();
    tag_chooser_->update();
    return;
  }
  tag_chooser_->hide();
}

void TFormLinzora::FillTagChooser() {
  T_WholeLinzoraHolder* doc = Doc();
  auto* chooser = qobject_cast<TFormTagColourChooser*>(tag_chooser_.data());
  if (!doc || !chooser) return;
  std::vector<TTagColourEntry> tags;
  tags.reserve(doc->fArrayOfSavedTags.size());
  for (const TVisibleTagRec& t : doc->fArrayOfSavedTags) {
    TTagColourEntry e;
    e.label = t.tag;
    e.description = t.description;
    e.colour = t.foreground_colour;
    e.second_colour = t.background_colour;
    e.hidden = t.hidden != 0;
    tags.push_back(std::move(e));
  }
  // Its tick changes come back to this window as 0x140D.
  chooser->CopyTagsFrom(this, tags, font().pointSize());
}

void TFormLinzora::ShowOrHideTags(uint64_t wparam, int64_t lparam) {
  T_WholeLinzoraHolder* doc = Doc();
  TVX_Grid* grid = CurrentGrid();
  if (!doc || !grid) return;
  const uint8_t hidden = lparam == 0 ? 1 : 0;
  std::vector<TVisibleTagRec>& tags = doc->fArrayOfSavedTags;
  // wParam is unsigned: a value with its top bit set is an index beyond the tags, not below 0.
  if (wparam < tags.size()) {
    tags[static_cast<size_t>(wparam)].hidden = hidden;
  } else if (wparam == kAllTags) {
    for (TVisibleTagRec& t : tags) t.hidden = hidden;
  } else if (wparam == kRecheckTagMenus) {
    doc->CheckMenuItemsAfterLoadFromFile();
  }
  grid->ListChanged();
}
