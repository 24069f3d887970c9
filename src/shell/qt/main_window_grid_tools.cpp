// The grid tools on the concordancer's pages: the column editor with its calculator and set-column
// page, the conditions window (find, delete if, colour categories), the active set-column chooser,
// search and replace, the breakdown window and the batch chooser. Each window is made on first
// use and kept; each acts on the grid it was opened for and lets go of it when the data change or
// close.
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTabWidget>
#include <algorithm>

#include "model/lists/column_formula.h"
#include "model/export/export_cells.h"
#include "model/lists/grid_headings.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/files/file_recognition.h"
#include "shell/qt/main_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/page_list.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "windows/conditions_window.h"
#include "windows/grid_columns_window.h"
#include "windows/grid_tool_windows.h"
#include "windows/search_replace_dialog.h"

namespace {

constexpr int kTagLayout = 29, kTagNewColumn = 52, kTagDeleteIf = 85, kTagFind = 170, kTagColourCategories = 194,
              kTagActiveSetColumn = 207, kTagSearchReplace = 17, kTagBreakdown = 37;
constexpr int kStatusHitPanel = 10;
// List types the breakdown serves (those below 48).
constexpr uint8_t kLastBreakdownListType = 47;

}  // namespace

bool TFormLinzora::OpenGridTool(int tag, TVX_Grid* grid) {
  switch (tag) {
    case kTagLayout: OpenColumnEditor(grid, 0); return true;
    case kTagNewColumn: OpenColumnEditor(grid, 1); return true;
    case kTagDeleteIf:
    case kTagFind:
    case kTagColourCategories: OpenConditions(grid, tag); return true;
    case kTagActiveSetColumn: OpenActiveSetColumnChooser(grid); return true;
    case kTagSearchReplace:
      // On the texts page the texts' names are searched and replaced.
      if (grid && grid->ListType() == kListSourceFiles) SearchAndReplaceFileNames(grid);
      else OpenSearchReplace(grid, true);
      return true;
    case kTagBreakdown:
      // The plot counts its hits by section, the text-name page the lines by search word; the
      // other pages break their rows down in the breakdown window.
      if (grid && grid->ListType() == kListPlot) ShowPlotStatistics();
      else if (grid && grid->ListType() == kListSourceFiles) ShowBreakdownOfList();
      else OpenBreakdown(grid);
      return true;
    default: return false;
  }
}

// --- column editor ---------------------------------------------------------------------------------

void TFormLinzora::ApplyCustomisedLayout(TVX_Grid* grid) {
  TVXBaseDataClass* list = grid ? grid->List() : nullptr;
  if (!list) return;
  const UString name = CustomisedHeadingsFileName(GetUserReadWriteFolder(), grid->ListType());
  if (!FileExists(name)) return;
  TGrid_header_array saved, added;
  UString message;
  if (!ReadCustomisedHeadings(name, grid->ListType(), saved, message)) {
    // The standard headings stay; the user learns why from the log.
    AddToLogFile(u"column layout not used: " + message);
    return;
  }
  // The layout's widths stand over those the grid fits.
  grid->PayOwedFit();
  MergeCustomisedHeadings(*list, saved, added);
  // Computed columns of the layout are worked out for this list; set columns come back empty.
  for (const TGrid_head32& h : added) {
    int column = -1;
    if (h.set_column) {
      column = list->AddSetColumn();
      TGrid_head32 r = h;
      r.column_number = static_cast<int16_t>(column);
      list->grid_headings.push_back(r);
      continue;
    }
    UString why;
    column = AddFormulaColumn(*list, h.heading, why);
    if (column < 0) {
      AddToLogFile(u"computed column not made again: " + h.heading + u": " + why);
      continue;
    }
    TGrid_head32& r = list->grid_headings.back();
    const int16_t number = r.column_number;
    r = h;
    r.column_number = number;
  }
  grid->ApplyHeadings();
}

void TFormLinzora::OpenColumnEditor(TVX_Grid* grid, int page) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  TVXBaseDataClass* list = grid->List();
  EnsureGridHeadings(*list);
  grid->KeepWidthsInLayout();
  list->RecomputeColumnSetnums();
  if (!columns_form_) columns_form_ = new TFormColumns(this);
  auto* form = static_cast<TFormColumns*>(columns_form_.data());
  form->SetStyleBackground(0xFFFFFF);
  QPointer<TVX_Grid> target = grid;
  form->AssignDetails(
      grid, &list->grid_headings, !list->ColumnSetnums().items.empty(), grid->ListType(), 0,
      [this, target](QObject*, bool set_column, bool add, int column) {
        if (target) ColumnOperation(target, set_column, add, column);
      },
      [this, target](QObject*) { return target && SaveHeadingsAsCustomised(target); },
      [this, target](QObject*, TGrid_header_array& heads) {
        if (!target || !target->List()) return;
        TVXBaseDataClass* l = target->List();
        // Each column shown or hidden here is how the user's later lists of this type start.
        std::vector<std::pair<int, bool>> defaults;
        for (size_t i = 1; i < heads.size(); ++i)
          if (!TVXBaseDataClass::IsAddedColumnNumber(heads[i].column_number))
            defaults.emplace_back(heads[i].column_number, heads[i].visible);
        SetDefaultColumnsVisible(target->ListType(), defaults);
        // A computed column whose heading went loses its values.
        std::vector<int> gone;
        for (const auto& c : l->AddedColumns())
          if (!c.set_column && HeadingIndexOfColumn(l->grid_headings, c.column_number) < 0) gone.push_back(c.column_number);
        for (int c : gone) l->DeleteAddedColumn(c);
        target->ApplyHeadings();
      },
      HeadingIndexOfColumn(list->grid_headings, std::max(0, grid->CurrentColumn())));
  form->CheckAddDeleteSetColDisplay();
  form->Pages()->setCurrentIndex(page);
  form->show();
  form->raise();
}

void TFormLinzora::ColumnOperation(TVX_Grid* grid, bool set_column, bool add, int column_number) {
  if (!GridHasListData(grid)) return;
  TVXBaseDataClass* list = grid->List();
  if (set_column && add) {
    const int column = list->AddSetColumn();
    TGrid_head32 h;
    h.column_number = static_cast<int16_t>(column);
    h.heading = VXRes(TVXRes::VXSet) + u" " + IntToUStr(static_cast<int64_t>(list->ColumnSetnums().items.size()));
    h.added = 1;
    h.set_column = 1;
    h.case_allowed = 1;
    h.width = 80;
    list->grid_headings.push_back(h);
  } else if (set_column) {
    list->DeleteAddedColumn(column_number);
  } else if (add) {
    auto* form = qobject_cast<TFormColumns*>(columns_form_.data());
    const UString formula = form ? form->FormulaText() : UString();
    UString message;
    if (AddFormulaColumn(*list, formula, message) < 0) {
      VXDialog(TVXDialog::InformationMessage, {u"\"" + formula + u"\": " + message + u". No column was added."});
      return;
    }
    // The heading is the formula: the column is as wide as it needs to show it whole.
    TGrid_head32& added = list->grid_headings.back();
    const QFontMetrics fm(grid->horizontalHeader()->font());
    added.width = static_cast<int32_t>(std::clamp(fm.horizontalAdvance(ToQString(added.heading)) + 2 * fm.averageCharWidth() + 8,
                                                  static_cast<int>(added.width), 32000));
  }
  Pages()->Records().Last_actions |= 0x100;
  grid->ApplyHeadings();
  if (auto* form = qobject_cast<TFormColumns*>(columns_form_.data())) form->CheckAddDeleteSetColDisplay();
  UpdateControlsForData();
}

bool TFormLinzora::SaveHeadingsAsCustomised(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return false;
  const UString name = CustomisedHeadingsFileName(GetUserReadWriteFolder(), grid->ListType());
  UString error;
  if (!::SaveHeadingsAsCustomised(name, grid->ListType(), grid->List()->grid_headings, &error)) {
    VXDialog(TVXDialog::FailedToSave, {error.empty() ? name : name + u": " + error});
    return false;
  }
  VXDialog(TVXDialog::SavedOK, {name});
  return true;
}

// --- conditions ------------------------------------------------------------------------------------

void TFormLinzora::OpenConditions(TVX_Grid* grid, int tag) {
  if (!GridHasListData(grid)) return;
  if (!conditions_form_) conditions_form_ = new TFormTestWhether(this);
  auto* form = static_cast<TFormTestWhether*>(conditions_form_.data());
  if (form->ActionTag() != tag || form->Grid() != grid) form->ClearTheDecks();
  form->SetTheHeaders(grid, tag, tag == kTagColourCategories ? 5610 : 0);
  form->show();
  form->raise();
}

void TFormLinzora::RefreshAfterGridChange(TVX_Grid* grid) {
  if (auto* form = qobject_cast<TFormTestWhether*>(conditions_form_.data())) {
    form->Stop();
    if (grid && form->isVisible()) form->SetTheHeaders(grid, form->ActionTag(), 0);
  }
  if (!grid)
    if (auto* dlg = qobject_cast<TSearchReplaceDlg*>(search_form_.data())) dlg->Stop();
}

// --- active set column -----------------------------------------------------------------------------

void TFormLinzora::OpenActiveSetColumnChooser(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  TFormSetColActiveColChooser chooser(this);
  if (chooser.SetTheAlternatives(grid->List())) grid->ListChanged();
}

// --- search and replace ----------------------------------------------------------------------------

bool TFormLinzora::SetWordOfRow(TVX_Grid* grid, int column, int row, const UString& text) {
  if (!GridHasListData(grid) || row < 1) return false;
  TVXBaseDataClass* list = grid->List();
  if (const auto* added = list->AddedColumn(column)) {
    if (!added->set_column) return false;
    list->SetAddedCellText(column, row - 1, text);
  } else {
    if (!list->CanEdit(column)) return false;
    TVXBaseListObject* e = list->Get(row - 1);
    if (!e) return false;
    e->SetAWordAsString(column, text);
    list->NoteChange();
  }
  MarkDataChanged();
  return true;
}

void TFormLinzora::ShowSearchFormat(TVX_Grid* grid, int column, const std::vector<UString>& items) {
  if (!GridHasListData(grid)) return;
  grid->Model().Source().ShowSearchFormat(column, items, static_cast<uint32_t>(ExportStyleColours().search_word));
  grid->ListChanged();
}

void TFormLinzora::OpenSearchReplace(TVX_Grid* grid, bool replace) {
  if (!GridHasListData(grid)) return;
  if (!search_form_) search_form_ = new TSearchReplaceDlg(this);
  auto* dlg = static_cast<TSearchReplaceDlg*>(search_form_.data());
  if (dlg->Busy()) {
    dlg->raise();
    return;
  }
  auto target = std::make_unique<TListGridSearchTarget>(
      grid, [this](TVX_Grid* g, int column, int row, const UString& text) { return SetWordOfRow(g, column, row, text); },
      [this](TVX_Grid*, int, int row, int hit) {
        Status()->SetPanelText(kStatusHitPanel, VXResFmt(TVXRes::VXHitN, {IntToUStr(hit), IntToUStr(row)}));
      },
      [this](TVX_Grid* g, int column, const std::vector<UString>& items) { ShowSearchFormat(g, column, items); });
  dlg->Setup(replace, std::move(target));
  dlg->show();
  dlg->raise();
}

// --- breakdown -------------------------------------------------------------------------------------

void TFormLinzora::OpenBreakdown(TVX_Grid* grid) {
  if (!GridHasListData(grid) || grid->ListType() > kLastBreakdownListType) return;
  const bool fresh = !breakdown_form_;
  if (fresh) breakdown_form_ = new TFormBreakdown(this);
  auto* form = static_cast<TFormBreakdown*>(breakdown_form_.data());
  if (fresh) form->SetFileDialogs([this] { return &FileDialogs(); });
  QPointer<TVX_Grid> target = grid;
  form->SetTheHeaders(
      grid->List(), grid->CurrentColumn(),
      [this, target](const TBreakdownRequest& q, const std::function<bool()>& stop) {
        TSummaryArrays a;
        if (!target || !target->List()) return a;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        a = BreakdownSummary(*target->List(), q, stop);
        QApplication::restoreOverrideCursor();
        if (fData) {
          UString searches;
          for (const UString& s : q.searches) searches += (searches.empty() ? u"" : u", ") + s;
          AddLaterNote(VXRes(TVXRes::VXProcedureEquals), VXRes(TVXRes::VXBreakdownOfResults) + u": " + searches);
        }
        return a;
      },
      grid->ListType());
  if (fresh && grid->ListType() == kListConcordance) form->SetBreakDownToFiles();
  UString words;
  for (const UString& w : grid->List()->SearchWordsAsStringlist()) words += w + u"\n";
  form->FeedTheMemoIfEmpty(words);
  form->show();
  form->raise();
}

// --- batch archives --------------------------------------------------------------------------------

bool TFormLinzora::OpenAFile() {
  if (RefusedDuringJob()) return false;
  const UString name = NextFile.name;
  if (name.empty() || !ExamineFile(name, Tool()).batch_archive) {
    filenames_need_fixing = false;
    if (!TMainToolsForm::OpenAFile()) return false;
    // Lines that name a text the document does not list (an old concordance): the user may have
    // them pointed at their texts again from a concordance of the same search.
    if (Doc() && Doc()->fConcordanceList && Doc()->fConcordanceList->Dud_CNC_Filenames_found) {
      filenames_need_fixing = IsYes(VXDialog(TVXDialog::FileNamesMismatchCorrectQ, {ExtractFileName(name)}));
      if (filenames_need_fixing) FileNameList();
    }
    AfterDocumentShown();
    return true;
  }
  if (!IsYes(VXDialog(TVXDialog::DoYouWantToOpenBatchFileToSeeIndividualLists, {name}))) {
    // No: the archive is no document, and none stays open.
    if (!HasData() || CanCloseData()) CloseData(true);
    UpdateControlsForData();
    return false;
  }
  if (!batch_chooser_) batch_chooser_ = new TFormBatchChoose(this);
  auto* chooser = static_cast<TFormBatchChoose*>(batch_chooser_.data());
  chooser->SetOpenEntry([this](TStream& s, int index) { return OpenOneBatchEntry(s, index); });
  UString message;
  if (!chooser->ShowTheBatchFiles(name, message) && !message.empty()) {
    chooser->hide();
    VXDialog(TVXDialog::InformationMessage, {message});
  }
  UpdateControlsForData();
  return false;
}

void TFormLinzora::SaveData(TVX_Grid* grid, bool& saved) {
  saved = false;
  bool values = false;
  for (int t = 0; t < Pages()->Count(); ++t)
    if (TVX_Grid* g = Pages()->GridOfTab(t); g && g->List() && g->List()->AddedColumnsHoldValues()) values = true;
  if (values && VXDialogCaptioned(TVXDialog::WarnAboutAndASKOK, u"Save",
                                  {u"The values of the columns you added are not saved with the document; their "
                                   u"layout can be kept with Save in the column editor."}) != mrOK)
    return;
  TMainToolsForm::SaveData(grid, saved);
}
