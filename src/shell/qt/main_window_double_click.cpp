// A double-click on a result cell opens what the cell stands for (concordance/commands/
// cell_double_click.h decides what); a click on a concordance line and the texts a line's text
// has beside it under the same name.
#include <QAbstractItemView>
#include <QTimer>

#include "concordance/commands/cell_double_click.h"
#include "concordance/commands/collocate_highlight.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "shell/services/progress.h"
#include "windows/lemma_forms_window.h"
#include "windows/set_column_edit_dialog.h"

namespace {

constexpr int kClickPauseMs = 100;
constexpr int kTagsColumn = 3;
constexpr int kClusterWordColumn = 1;
constexpr int kRelatedClustersColumn = 5;
constexpr int kTimelineDataColumn = 6;

UString CellText(TVXBaseDataClass& list, int column, int grid_row, int alternative) {
  TGrid_data_rec cell;
  list.DrawgridDataRec(column, grid_row, cell, alternative);
  return cell.has_text ? cell.text : UString();
}

}  // namespace

void TFormLinzora::ConnectResultPageCommands(TVX_Grid* grid) {
  grid->setProperty("lz_focus_after_typing", true);
  ConnectCellEditing(grid);
  connect(grid, &QAbstractItemView::doubleClicked, this, [this, grid](const QModelIndex& index) {
    if (!index.isValid()) return;
    // The cell double-clicked is the current one (a mouse's double-click made it so already).
    if (grid->currentIndex() != index) grid->setCurrentIndex(index);
    DDblClickCell(grid, index.row() + 1);
  });
  connect(grid, &QAbstractItemView::clicked, this, [this, grid](const QModelIndex& index) {
    if (index.isValid() && grid->ListType() == kListConcordance)
      GridConcordanceClickCell(grid, index.row() + 1, grid->ListColumnOfSection(index.column()));
  });
}

void TFormLinzora::ShowInListViewer(const UString& caption, const UString& heading, const std::vector<UString>& lines) {
  if (!list_viewer_) list_viewer_ = new TFormLemmaShower(this, &FileDialogs());
  auto* viewer = qobject_cast<TFormLemmaShower*>(list_viewer_.data());
  std::vector<TLemmaForm> rows;
  rows.reserve(lines.size());
  for (const UString& line : lines) rows.push_back(TLemmaForm{line, 0});
  viewer->setWindowTitle(ToQString(caption));
  viewer->SetTheHeaders({heading});
  viewer->CopyStringData(rows);
  // Shown without waiting: the grid stays usable beside it.
  viewer->show();
  viewer->raise();
}

void TFormLinzora::OpenFileOfCell(const UString& name) {
  if (name.empty()) return;
  if (!FileExists(name)) {
    VXDialog(TVXDialog::FailedToFind, {name});
    return;
  }
  OpenOrEditFile(name);
}

void TFormLinzora::DDblClickCell(TVX_Grid* grid, int row) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || row <= 0) return;
  TVXBaseDataClass* list = grid->List();
  // The list's column: a layout may have moved or hidden the grid's columns.
  const int column = grid->CurrentColumn();
  bool collocate_set_shown = false;
  if (auto* collocates = dynamic_cast<TCollocateList*>(list)) collocate_set_shown = collocates->fsettings.current_has_set_column;
  const bool set_column = list->PredefinedSetColumnNumber() == column;
  switch (DoubleClickActionOf(grid->ListType(), row, column, set_column, collocate_set_shown)) {
    case TDoubleClickAction::kNothing: break;
    case TDoubleClickAction::kHighlightCollocate: HighlightCollocate(grid); break;
    case TDoubleClickAction::kEditSetValue:
    case TDoubleClickAction::kEditSetRecord: EditSetColumnCell(grid, row, column); break;
    case TDoubleClickAction::kShowSource: {
      bool shown = false;
      ShowSourceOfRow(grid, row, shown);
      break;
    }
    case TDoubleClickAction::kPlayMedia: PPlayMedia(grid); break;
    case TDoubleClickAction::kOpenCellFile:
      // A line's text opens in the one-text viewer at its hit; a file-name row's text there too.
      if (grid->ListType() == kListConcordance) {
        ShowLineInViewer(EntryOfGridRow(grid, row));
      } else {
        bool shown = false;
        ShowSourceOfRow(grid, row, shown);
      }
      break;
    case TDoubleClickAction::kOpenPlotFile:
    case TDoubleClickAction::kPlotDetails: {
      auto* plot = dynamic_cast<TConcPlotList*>(list);
      const TConcordancePlotEntry* e = plot ? plot->CPlotDatum(row - 1) : nullptr;
      if (!e) break;
      if (DoubleClickActionOf(grid->ListType(), row, column, set_column, false) == TDoubleClickAction::kOpenPlotFile) {
        // A row of a group or the overall row names no single text.
        if (!e->rec.IsOverallEntry && e->rec.plot_file_number > 0 && doc->fTextFilesWithSearchWord)
          OpenFileOfCell(doc->fTextFilesWithSearchWord->GetFullFilename(e->rec.plot_file_number - 1, true));
        break;
      }
      std::vector<int32_t> positions;
      for (int32_t k = 0; k < e->plots.Count(); ++k) positions.push_back(e->plots.Plots()[static_cast<size_t>(k)].position);
      const int32_t words = e->rec.IsOverallEntry ? e->plots.Words() : e->rec.words_in_file;
      ShowInListViewer(plot->FilenameWithSW(std::max(0, row - 1 - (plot->show_overall ? 1 : 0))),
                       VXRes(TVXRes::VXPlotPositions),
                       PlotRowDetailsLines(e->plot_filename, words, e->rec.hits, e->rec.dispersion_value, positions));
      break;
    }
    case TDoubleClickAction::kRelatedClusters: {
      const UString cluster = CellText(*list, kClusterWordColumn, row, grid->Alternative());
      ShowInListViewer(VXResFmt(TVXRes::VXRelatedClustersOfX, {cluster}), VXRes(TVXRes::VXClusters),
                       RelatedClustersOfCell(CellText(*list, kRelatedClustersColumn, row, grid->Alternative())));
      break;
    }
    case TDoubleClickAction::kTimelineData: {
      auto* timeline = dynamic_cast<TTimelineList*>(list);
      if (!timeline) break;
      ShowInListViewer(VXRes(TVXRes::VXTimeLineData), VXRes(TVXRes::VXPlotPositions),
                       TimelineDataLines(timeline->TimeLineDataStringForLemmaShower(kTimelineDataColumn, row - 1)));
      break;
    }
  }
  if (TProgressClass* p = GlobalProgress(); p && !p->Suspended()) p->Hide();
}

void TFormLinzora::GridConcordanceClickCell(TVX_Grid* grid, int row, int column) {
  if (column != 1 || row <= 0) return;
  QPointer<TVX_Grid> clicked(grid);
  QTimer::singleShot(kClickPauseMs, this, [this, clicked, row] {
    T_WholeLinzoraHolder* doc = Doc();
    if (!clicked || !doc || !doc->fConcordanceList) return;
    // The row clicked a moment ago must still name a line; a list changed under the click is
    // reported as the runtime reports any inconsistency.
    if (!doc->fConcordanceList->Line(EntryOfGridRow(clicked, row))) {
      Yikes(u"the concordance row clicked (" + IntToUStr(row) + u") names no line");
      return;
    }
    ShowEntryCount(clicked);
  });
}

void TFormLinzora::GridConcordance_ShowSameFilenameTextFiles(TVX_Grid* grid, int row) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || grid->ListType() != kListConcordance || !doc->fSameFilenameOption ||
      !doc->fConcordanceList)
    return;
  const TLineSource line = SourceTextOfLine(*doc->fConcordanceList, EntryOfGridRow(grid, std::max(1, row)));
  if (!line.valid) return;
  // The line's tag context (a subtitle's text, say) is sought in the texts beside it; a line
  // without one by its hit.
  UString what = CellText(*grid->List(), kTagsColumn, std::max(1, row), grid->Alternative());
  if (what.empty()) what = line.hit_text;
  if (what.empty()) return;
  const std::vector<std::pair<UString, UString>> found = SameNamedTextExcerpts(line.full_name, what);
  if (!found.empty()) extra_text_->ShowLines(found);
}
