// View > Sentence only: each concordance line is cut to its search word's sentence, and a line
// whose sentence runs past the line's edge is painted on the style's pale background, so that a
// user sees the sentence shown is not whole.
#include <QAction>
#include <QImage>

#include "shell/grid_tools/grid_cells.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"

namespace {

constexpr int kSentenceOnlyItem = 101;

bool Has(UStringView text, UStringView part) { return text.find(part) != UStringView::npos; }

// A sentence of 1,200 words round its "river": no line holds either of its ends.
std::string EndlessSentence() {
  std::string s;
  for (int i = 0; i < 300; ++i) s += "and the water goes ";
  s += "river ";
  for (int i = 0; i < 300; ++i) s += "and the water goes ";
  return s + "on.";
}

}  // namespace

class MainRoadSentenceOnly : public MainRoadTest {
 protected:
  TVX_Grid& Grid() { return *Main().ConcordanceGrid(); }
  int LineSection() {
    for (int s = 0; s < Grid().Model().columnCount(); ++s)
      if (Grid().ListColumnOfSection(s) == 1) return s;
    return -1;
  }
  const TGrid_data_rec& LineCell(int row) { return Grid().Model().CellAt(Grid().Model().index(row, LineSection())); }
  // The colour painted at the left edge of a row's line cell, clear of its text.
  QColor Painted(int row) {
    Grid().scrollTo(Grid().Model().index(row, LineSection()));
    DeliverPendingEvents();
    const QRect cell = Grid().visualRect(Grid().Model().index(row, LineSection()));
    const QImage shot = Grid().viewport()->grab().toImage();
    return shot.pixelColor(cell.left() + 1, cell.center().y());
  }
  bool HoldsTheShortSentences(int row) { return Has(UString(Main().Doc()->fConcordanceList->Line(row)->Text()), u"Short one"); }
};

TEST_F(MainRoadSentenceOnly, ALineWhoseSentenceRunsPastItsEdgeIsMarked) {
  Start();
  TempFolder corpus;
  HandOverTexts({corpus.Write(u"long.txt", "Short one. The river is here. Another sentence follows. " + EndlessSentence())});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Grid().Model().rowCount(), 2);
  ASSERT_GE(LineSection(), 0);
  Main().resize(1100, 700);
  Main().Pages()->Tabs()->setCurrentIndex(0);
  DeliverPendingEvents();
  const TGridStyleColours colours = GridColoursForStyle(Grid().StyleNumber());
  const QColor pale = QColor::fromRgb(colours.incomplete_back & 0xFF, (colours.incomplete_back >> 8) & 0xFF,
                                      (colours.incomplete_back >> 16) & 0xFF);
  int whole = -1, cut = -1;
  for (int row = 0; row < 2; ++row) (HoldsTheShortSentences(row) ? whole : cut) = row;
  // Stored lines are cut round their hit: the endless sentence's line holds none of the others.
  ASSERT_TRUE(whole >= 0 && cut >= 0);

  // The whole line first: nothing marked, and the words before the sentence are shown.
  for (int row : {whole, cut}) EXPECT_FALSE(LineCell(row).sentence_incomplete) << row;
  EXPECT_TRUE(Has(LineCell(whole).text, u"Short one"));
  const QColor plain = Painted(whole);
  EXPECT_EQ(Painted(cut), plain);

  QAction* item = Main().Menus()->ActionOfTag(kSentenceOnlyItem);
  ASSERT_NE(item, nullptr);
  item->trigger();
  DeliverPendingEvents();
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(OptionSet(Main().Doc()->fSettings.DisplayOptions(), 3));
  // The line whose sentence is whole shows that sentence only, unmarked.
  EXPECT_FALSE(Has(LineCell(whole).text, u"Short one"));
  EXPECT_TRUE(Has(LineCell(whole).text, u"The river is here."));
  EXPECT_FALSE(LineCell(whole).sentence_incomplete);
  EXPECT_EQ(Painted(whole), plain);
  // The other's sentence runs past both edges: marked, and painted pale.
  EXPECT_TRUE(LineCell(cut).sentence_incomplete);
  EXPECT_EQ(Painted(cut), pale);
  EXPECT_NE(pale, plain);

  // Off again: the lines are whole and nothing is marked.
  item->trigger();
  DeliverPendingEvents();
  EXPECT_FALSE(OptionSet(Main().Doc()->fSettings.DisplayOptions(), 3));
  EXPECT_TRUE(Has(LineCell(whole).text, u"Short one"));
  EXPECT_FALSE(LineCell(cut).sentence_incomplete);
  EXPECT_EQ(Painted(cut), plain);
}
