// Every row of the double-click table on a real concordance: what each cell opens, the click's
// pause, and the same-named texts beside a line's text.
#include <QLabel>

#include "concordance/commands/cell_double_click.h"
#include "model/lists/grid_headings.h"
#include "platform/runtime/vx_resources.h"
#include "concordance/views/plot_list.h"
#include "windows/general_input_dialog.h"
#include "windows/lemma_forms_window.h"
#include "windows/extra_text_grid_window.h"
#include "windows/one_text_viewer.h"
#include "windows/set_column_edit_dialog.h"
#include "window/result_pages_support.h"

using namespace result_pages;

namespace {

class CellDoubleClick : public ResultPagesTest {
 protected:
  // Double-clicks grid row `row` in grid column `column`; a modal dialog met is named and
  // answered (OK or Cancel).
  QString DoubleClick(TVX_Grid* grid, int row, int column, bool accept = false,
                      std::function<void(QDialog&)> fill = {}) {
    return ModalMet(
        [&] {
          SelectRow(*grid, row, column);
          Main().DDblClickCell(grid, row);
        },
        accept, std::move(fill));
  }
  // The class of the modal dialog the act met (answered OK or Cancel), empty for none.
  QString ModalMet(const std::function<void()>& act, bool accept = false, std::function<void(QDialog&)> fill = {}) {
    QString met;
    AnswerNextModal(accept, [&met, fill](QDialog& d) {
      if (d.objectName() == QStringLiteral("probe")) return;
      met = QString::fromLatin1(d.metaObject()->className());
      if (fill) fill(d);
    });
    act();
    DeliverPendingEvents();
    // A dialog that never came: the timer must not answer a later one.
    if (met.isEmpty()) {
      QPointer<QDialog> probe = new QDialog(&Main());
      probe->setObjectName(QStringLiteral("probe"));
      probe->setAttribute(Qt::WA_DeleteOnClose);
      probe->open();
      WaitUntil([&probe] { return !probe || !probe->isVisible(); });
      if (probe && probe->isVisible()) probe->close();
    }
    return met;
  }
  TFormLemmaShower* Viewer() { return qobject_cast<TFormLemmaShower*>(Main().ListViewer()); }
  int RowOfText(const UString& name) {
    for (int i = 0; i < Lines().Count(); ++i)
      if (Lines().SourceFileName(Lines().Line(i)->Data().filename_num_original) == name) return i + 1;
    return -1;
  }
};

}  // namespace

TEST_F(CellDoubleClick, ConcordanceCells) {
  TVX_Grid* grid = TurnToType(kListConcordance);
  ASSERT_NE(grid, nullptr);
  // Column 2 (Set): the set-column editor; OK writes the value into the line.
  const QString editor = DoubleClick(grid, 2, 2, true, [](QDialog& d) {
    if (auto* e = qobject_cast<TFormSetColumnEdit*>(&d)) e->SetValue(u"noun");
  });
  EXPECT_EQ(editor, QStringLiteral("TFormSetColumnEdit"));
  EXPECT_EQ(UString(Lines().Line(1)->SetText()), u"noun");
  // Column 3: the line's media through the media settings; a look-up table that is not there
  // and a start of file names not set each say so by name, and no player is made.
  const TMediaMarkersRec before = GetMediaMarkers();
  TMediaMarkersRec marks = before;
  marks.SetMethod(2);
  marks.SetLookupTable(dir.Path() + u"no such table.txt");
  SetMediaMarkers(marks);
  dialogs.Clear();
  DoubleClick(grid, 2, 3);
  EXPECT_TRUE(WasAsked(TVXDialog::MediaLookupTableNotFound));
  marks.SetMethod(0);
  marks.SetFileNameMarker(u"");
  SetMediaMarkers(marks);
  dialogs.Clear();
  DoubleClick(grid, 2, 3);
  EXPECT_TRUE(WasAsked(TVXDialog::MediaStartOfFilenameUndefined));
  SetMediaMarkers(before);
  EXPECT_EQ(Main().MediaWindow(), nullptr);
  EXPECT_FALSE(Doc().fSettings.FetchingLineTexts());
  // Column 13: the line's text in the one-text viewer, at its hit.
  DoubleClick(grid, 2, 13);
  const UString text = Lines().SourceFileName(Lines().Line(1)->Data().filename_num_original);
  ASSERT_TRUE(Main().TextViewer().isVisible());
  EXPECT_EQ(Main().TextViewer().windowTitle(), ToQString(ExtractFileName(text)));
  EXPECT_EQ(Main().TextViewer().View()->textCursor().selectedText().toLower(),
            ToQString(LowerCaseU(UString(Lines().Line(1)->Text().substr(static_cast<size_t>(Lines().Line(1)->SearchWordStart()),
                                                                         static_cast<size_t>(Lines().Line(1)->Data().hit_characters))))));
  EXPECT_TRUE(launcher.edited.empty());
  EXPECT_FALSE(Doc().fSettings.FetchingLineTexts());
  Main().TextViewer().hide();
  // Column 1 and any other column that is no Set column: the source text.
  for (int column : {1, 7}) {
    TurnToType(kListConcordance);
    DoubleClick(grid, 3, column);
    EXPECT_EQ(ShownListType(), 27) << column;
    EXPECT_EQ(Main().ShownSourceLine().file_number, Lines().Line(2)->Data().filename_num_original);
  }
  // The heading row opens nothing.
  TurnToType(kListConcordance);
  dialogs.Clear();
  Main().DDblClickCell(grid, 0);
  EXPECT_EQ(ShownListType(), kListConcordance);
  EXPECT_TRUE(dialogs.Asked().empty());
}

TEST_F(CellDoubleClick, CollocateAndPatternCells) {
  TVX_Grid* grid = TurnToType(kListCollocates);
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(Doc().fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates->Count() > 1; }));
  EXPECT_EQ(DoubleClick(grid, 1, 16), QStringLiteral("TGeneralInputDlg"));  // the highlight's choice (Total)
  EXPECT_FALSE(Lines().HighlightRec.active);
  // Column 14 while the Set column shows: the set-column editor.
  collocates->fsettings.current_has_set_column = true;
  grid->ListChanged();
  EXPECT_EQ(DoubleClick(grid, 1, 14), QStringLiteral("TFormSetColumnEdit"));
  collocates->fsettings.current_has_set_column = false;
  grid->ListChanged();
  TVX_Grid* patterns = TurnToType(kListPatterns);
  ASSERT_NE(patterns, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return Doc().fPatternsList->Count() > 0; }));
  // The search word's own column (6) names a collocate in every row.
  EXPECT_EQ(DoubleClick(patterns, 1, 6), QStringLiteral("TGeneralInputDlg"));
}

TEST_F(CellDoubleClick, ClusterPlotTimelineAndFileNameCells) {
  TVX_Grid* clusters = TurnToType(kListClusters);
  ASSERT_NE(clusters, nullptr);
  auto* list = dynamic_cast<TConcordanceClusterList*>(Doc().fClusterList.get());
  ASSERT_TRUE(WaitUntil([&] { return list->Count() > 0; }));
  // A cluster with related clusters: its row's column 5.
  int row = -1;
  for (int i = 0; i < list->Count() && row < 0; ++i)
    if (!list->Row(i)->rec.related_line.empty()) row = i + 1;
  ASSERT_GT(row, 0);
  DoubleClick(clusters, row, 5);
  ASSERT_NE(Viewer(), nullptr);
  EXPECT_TRUE(Viewer()->isVisible());
  EXPECT_TRUE(Viewer()->windowTitle().contains(ToQString(UpperCaseU(list->Row(row - 1)->rec.line.value_or(UString())))) ||
              Viewer()->windowTitle().contains(ToQString(list->Row(row - 1)->rec.line.value_or(UString()))));
  const auto related = RelatedClustersOfCell(list->Row(row - 1)->rec.related_line);
  ASSERT_EQ(Viewer()->Forms().size(), related.size());
  for (size_t k = 0; k < related.size(); ++k) EXPECT_EQ(Viewer()->Forms()[k].form, related[k]);
  SaveShot(*Viewer(), QStringLiteral("related_clusters_viewer"));
  EXPECT_EQ(DoubleClick(clusters, row, 3), QStringLiteral("TFormSetColumnEdit"));
  EXPECT_TRUE(DoubleClick(clusters, row, 4).isEmpty());  // a column that opens nothing

  TVX_Grid* plot = TurnToType(kListPlot);
  ASSERT_NE(plot, nullptr);
  auto* plots = dynamic_cast<TConcPlotList*>(Doc().fConcPlotList.get());
  ASSERT_TRUE(WaitUntil([&] { return plots->Count() > 0; }));
  int text_row = -1;  // a row of one text
  for (int r = 1; r <= plots->TotalRowCount() && text_row < 0; ++r)
    if (const TConcordancePlotEntry* e = plots->CPlotDatum(r - 1); e && !e->rec.IsOverallEntry && e->rec.plot_file_number > 0)
      text_row = r;
  ASSERT_GT(text_row, 0);
  launcher.edited.clear();
  DoubleClick(plot, text_row, 1);
  ASSERT_EQ(launcher.edited.size(), 1u);
  EXPECT_TRUE(FileExists(launcher.edited[0]));
  DoubleClick(plot, text_row, 6);
  ASSERT_NE(Viewer(), nullptr);
  EXPECT_EQ(static_cast<int>(Viewer()->Forms().size()), 1 + plots->CPlotDatum(text_row - 1)->plots.Count());
  EXPECT_TRUE(Viewer()->Forms()[1].form.find(u"%") != UString::npos);

  TVX_Grid* timeline = TurnToType(kListTimeline);
  ASSERT_NE(timeline, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return Doc().fTimeLineList->Count() > 0; }));
  DoubleClick(timeline, 1, 6);
  EXPECT_EQ(Viewer()->windowTitle(), ToQString(VXRes(TVXRes::VXTimeLineData)));
  EXPECT_GE(Viewer()->Forms().size(), 2u);  // the row's label and at least one period
  SaveShot(*Viewer(), QStringLiteral("timeline_data_viewer"));
  EXPECT_TRUE(DoubleClick(timeline, 1, 2).isEmpty());

  // A file name: its text in the one-text viewer.
  TVX_Grid* files = TurnToType(kListSourceFiles);
  ASSERT_NE(files, nullptr);
  launcher.shown.clear();
  launcher.edited.clear();
  DoubleClick(files, 1, 2);
  EXPECT_TRUE(launcher.shown.empty() && launcher.edited.empty());
  ASSERT_TRUE(Main().TextViewer().isVisible());
  EXPECT_EQ(Main().TextViewer().windowTitle(),
            ToQString(ExtractFileName(Doc().fTextFilesWithSearchWord->GetFullFilename(0, false))));
}

TEST_F(CellDoubleClick, ALayoutThatMovesColumnsKeepsWhatEachCellOpens) {
  TVX_Grid* grid = TurnToType(kListConcordance);
  ASSERT_NE(grid, nullptr);
  // The Set column hidden and the file-name column first: the second shown column is the tags'.
  TVXBaseDataClass& list = *grid->List();
  EnsureGridHeadings(list);
  list.grid_headings[static_cast<size_t>(HeadingIndexOfColumn(list.grid_headings, 2))].visible = false;
  ExchangeTwoHeadings(list.grid_headings, HeadingIndexOfColumn(list.grid_headings, 13), 1);
  grid->ApplyHeadings();
  ASSERT_EQ(grid->ListColumnOfSection(0), 13);
  ASSERT_EQ(grid->ListColumnOfSection(1), 3);
  // A double-click on the first shown column opens the line's text, not its source-text page.
  emit grid->doubleClicked(grid->Model().index(1, 0));
  DeliverPendingEvents();
  EXPECT_TRUE(Main().TextViewer().isVisible());
  EXPECT_EQ(ShownListType(), kListConcordance);
  Main().TextViewer().hide();
  // The second asks for the line's media: no set-column editor.
  TMediaMarkersRec marks = GetMediaMarkers();
  marks.SetMethod(2);
  marks.SetLookupTable(u"");
  SetMediaMarkers(marks);
  dialogs.Clear();
  EXPECT_TRUE(ModalMet([grid] { emit grid->doubleClicked(grid->Model().index(1, 1)); }).isEmpty());
  EXPECT_TRUE(WasAsked(TVXDialog::MediaLookupTableNotFound));
  // A click on the lines' column, wherever it stands, shows the row after the pause.
  const int lines_section = grid->Model().Source().ViewOfListColumn(1);
  ASSERT_GT(lines_section, 1);
  grid->setCurrentIndex(grid->Model().index(3, lines_section));
  Main().Status()->SetPanelText(kPanelRow, u"");
  emit grid->clicked(grid->Model().index(3, lines_section));
  WaitUntil([this] { return Main().Status()->PanelText(kPanelRow).contains(QStringLiteral("4")); });
  EXPECT_TRUE(Main().Status()->PanelText(kPanelRow).contains(QStringLiteral("4")));
}

TEST_F(CellDoubleClick, AClickOnALineShowsItsRowAfterAPause) {
  TVX_Grid* grid = TurnToType(kListConcordance);
  SelectRow(*grid, 4);
  const int yikes = YikesCount();
  Main().Status()->SetPanelText(kPanelRow, u"");
  Main().GridConcordanceClickCell(grid, 4, 1);
  EXPECT_TRUE(Main().Status()->PanelText(kPanelRow).isEmpty());  // not before the pause
  WaitUntil([this] { return Main().Status()->PanelText(kPanelRow).contains(QStringLiteral("4")); });
  EXPECT_TRUE(Main().Status()->PanelText(kPanelRow).contains(QStringLiteral("4")));
  EXPECT_EQ(YikesCount(), yikes);
  // A click on another column waits for nothing.
  Main().Status()->SetPanelText(kPanelRow, u"");
  Main().GridConcordanceClickCell(grid, 4, 2);
  PastPause(150);
  EXPECT_TRUE(Main().Status()->PanelText(kPanelRow).isEmpty());
}

TEST_F(CellDoubleClick, SameNamedTextsGoToTheExtraTextWindow) {
  TVX_Grid* grid = TurnToType(kListConcordance);
  const int row = RowOfText(corpus->film);
  ASSERT_GT(row, 0);
  // The run turned the option on: film.txt has a subtitle beside it. Turned off: no window.
  EXPECT_EQ(Doc().fSameFilenameOption, 1);
  Doc().fSameFilenameOption = 0;
  Main().GridConcordance_ShowSameFilenameTextFiles(grid, row);
  EXPECT_TRUE(Main().ExtraGridWindow() == nullptr || !Main().ExtraGridWindow()->isVisible());
  Doc().fSameFilenameOption = 1;
  // The line's tag context (a subtitle's text, say) is what is sought in the texts beside it. The
  // extra text grid shows a row a text: the line's own first, then the English one, read as
  // English.
  Lines().Line(row - 1)->SetTagContext(u"The boat drifts");
  Main().GridConcordance_ShowSameFilenameTextFiles(grid, row);
  TFormTextStringGridExtra* window = Main().ExtraGridWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(window->Rows().size(), 2u);
  EXPECT_EQ(window->Rows()[0].source_file, corpus->film);
  EXPECT_EQ(window->Rows()[1].text.rfind(u".EN_SRT", 0), 0u);
  EXPECT_EQ(window->Rows()[1].code, u"en");
  window->hide();
  // A line without a tag context is sought by its hit.
  Lines().Line(row - 1)->SetTagContext(u"");
  Main().GridConcordance_ShowSameFilenameTextFiles(grid, row);
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(window->Rows().size(), 2u);
  EXPECT_NE(UpperCaseU(window->Rows()[1].text).find(u"RIVER"), UString::npos);
  window->close();
}
