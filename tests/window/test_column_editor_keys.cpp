// The column editor opened from Layout on the lines: Insert and Delete in its heading list show
// and hide the heading with the focus, and its colour list starts on the style's background.
#include <QListWidget>

#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"
#include "windows/grid_columns_window.h"

namespace {

TEST_F(MainRoadTest, ColumnEditorKeysShowAndHideAHeading) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  TurnTo("Concordance");
  Main().HandleMenuCommand(29, u"");  // Layout
  DeliverPendingEvents();
  auto* form = qobject_cast<TFormColumns*>(Main().ColumnsForm());
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(form->isVisible());
  // White is the style's background the window gives the editor.
  ASSERT_NE(form->Colours()->currentItem(), nullptr);
  EXPECT_EQ(form->Colours()->currentItem()->data(Qt::UserRole).toInt(), 0xFFFFFF);
  TVX_Grid& grid = *Main().ConcordanceGrid();
  const int shown = grid.Model().columnCount();
  QListWidget* headings = form->Headings();
  const int item = 2;
  headings->clearSelection();
  headings->setCurrentRow(item);
  const QString heading = headings->item(item)->text();
  QTest::keyClick(headings, Qt::Key_Delete);
  EXPECT_EQ(grid.Model().columnCount(), shown - 1);
  EXPECT_EQ(headings->item(item)->text(), QStringLiteral("( ") + heading + QStringLiteral(" )"));
  // Delete again changes nothing; Insert brings the column back.
  QTest::keyClick(headings, Qt::Key_Delete);
  EXPECT_EQ(grid.Model().columnCount(), shown - 1);
  QTest::keyClick(headings, Qt::Key_Insert);
  EXPECT_EQ(grid.Model().columnCount(), shown);
  EXPECT_EQ(headings->item(item)->text(), heading);
  form->hide();
}

}  // namespace
