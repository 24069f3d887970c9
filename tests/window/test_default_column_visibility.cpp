// A column hidden or shown in the column editor is how the user's later lists of that type start:
// the next concordance's grid leaves the hidden column out; another list type's defaults stay.
#include <QListWidget>
#include <algorithm>

#include "model/lists/grid_headings.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"
#include "windows/grid_columns_window.h"

namespace {

class DefaultColumnVisibility : public MainRoadTest {
 protected:
  TFormColumns& OpenLayout() {
    TurnTo("Concordance");
    Main().HandleMenuCommand(29, u"");  // Layout
    DeliverPendingEvents();
    auto* form = qobject_cast<TFormColumns*>(Main().ColumnsForm());
    EXPECT_NE(form, nullptr);
    return *form;
  }
  // The list columns the concordance grid shows.
  std::vector<int> ShownColumns() {
    TVX_Grid& grid = *Main().ConcordanceGrid();
    std::vector<int> out;
    for (int v = 0; v < grid.Model().Source().ViewColumnCount(); ++v)
      out.push_back(grid.Model().Source().ListColumnOfView(v));
    return out;
  }
  static bool Has(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }
};

TEST_F(DefaultColumnVisibility, HiddenInTheEditorIsHiddenInTheNextConcordance) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  TFormColumns& form = OpenLayout();
  QListWidget* headings = form.Headings();
  const TGrid_header_array& heads = Main().ConcordanceGrid()->List()->grid_headings;
  // The record of the third heading (the row numbers' record is the first).
  const int item = 2;
  ASSERT_GT(static_cast<int>(heads.size()), item + 1);
  const int column = heads[item].column_number;
  const int next = heads[item + 1].column_number;  // the list goes with its document
  ASSERT_GE(column, 2);
  EXPECT_TRUE(GetAllDefaultColumnVisible(kListConcordance)[column]);
  headings->clearSelection();
  headings->setCurrentRow(item);
  QTest::keyClick(headings, Qt::Key_Delete);
  form.hide();
  EXPECT_FALSE(GetAllDefaultColumnVisible(kListConcordance)[column]);
  EXPECT_TRUE(GetAllDefaultColumnVisible(kListConcordance)[next]);
  EXPECT_TRUE(GetAllDefaultColumnVisible(kListCollocates)[column]);  // another type's defaults stay

  // A new run: the new list has no layout of its own, and starts without the column.
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_GT(Main().Doc()->fConcordanceList->Count(), 0);
  const std::vector<int> shown = ShownColumns();
  EXPECT_FALSE(Has(shown, column));
  EXPECT_TRUE(Has(shown, 1));
  EXPECT_TRUE(Has(shown, next));
  const TGrid_header_array& made = Main().ConcordanceGrid()->List()->grid_headings;
  const int at = HeadingIndexOfColumn(made, column);
  ASSERT_GE(at, 0);
  EXPECT_FALSE(made[static_cast<size_t>(at)].visible);

  // Shown again in the editor: the default follows, and the next run shows it.
  TFormColumns& again = OpenLayout();
  again.Headings()->clearSelection();
  again.Headings()->setCurrentRow(at);
  QTest::keyClick(again.Headings(), Qt::Key_Insert);
  again.hide();
  EXPECT_TRUE(GetAllDefaultColumnVisible(kListConcordance)[column]);
  RunFromWizard(u"river");
  EXPECT_TRUE(Has(ShownColumns(), column));
}

}  // namespace
