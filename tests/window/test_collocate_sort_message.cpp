// Sorting the collocates on an association column before their association values are computed
// says so, and the rows are sorted as the list chooses instead. (The grid hides those columns
// until the values exist, so the sort is asked for here as a click on such a heading asks.)
#include "concordance/views/collocates_list.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"

namespace {

TEST_F(MainRoadTest, AssociationSortBeforeItsValuesExistSaysSo) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(grid->List());
  ASSERT_NE(collocates, nullptr);
  ASSERT_FALSE(collocates->fsettings.saved_relationships_computed);
  for (const auto& [column, said] : {std::pair{3, true}, std::pair{13, true}, std::pair{16, false}}) {
    dialogs.Clear();
    Main().Resort(grid, column);
    EXPECT_EQ(WasAsked(TVXDialog::CollocateAssociationNotComputed), said) << column;
  }
}

}  // namespace
