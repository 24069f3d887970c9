// The Colours settings through the program's Settings menu: percentages coloured in the grid and
// the colours of a tag to keep, as the stand-in's dialog stores them.
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>

#include "shell/qt/colour_settings_dialog.h"
#include "shell/qt/vx_grid.h"
#include "shell/settings/tag_settings_rules.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kColoursMenuItem = 60;
const QRgb kMagenta = qRgb(0xFF, 0x00, 0xFF);

class ColourSettingsRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    // A tag to keep, as Settings > Tags stores it.
    TTagSettingsChoice tags;
    tags.keep = {u"<w *>"};
    ASSERT_TRUE(ApplyTagSettings(tags).empty());
    std::string body;
    for (int i = 0; i < 4; ++i) body += "The <w NN>river flows past the old mill. ";
    HandOverTexts({dir.Write(u"corpus/tagged.txt", body)});
  }
  int ThroughTheMenu(const std::function<void(TColourSettingsDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TColourSettingsDialog>(kColoursMenuItem, fill);
  }
  // Magenta pixels of the concordance grid as it is painted, scrolled to its last columns.
  int MagentaInGrid(const char* shot_name) {
    TVX_Grid* grid = Main().ConcordanceGrid();
    // The columns fitted (after the first paint) before the grid is scrolled to the last one.
    DeliverPendingEvents();
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    const QImage shot = SettingsShot(*grid->viewport(), shot_name);
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) n += shot.pixel(x, y) == kMagenta ? 1 : 0;
    return n;
  }
};

}  // namespace

TEST_F(ColourSettingsRoad, PercentagesAndTagsTakeTheirColours) {
  ASSERT_EQ(LinesFor(u"river"), 4);
  EXPECT_EQ(MagentaInGrid("colours_grid_before"), 0);

  ASSERT_EQ(ThroughTheMenu([](TColourSettingsDialog& d) {
              ASSERT_EQ(d.TagColours()->rowCount(), 1);
              EXPECT_EQ(d.TagColours()->item(0, 0)->text(), QStringLiteral("<w *>"));
              d.ColourPercentages()->setChecked(true);
              d.AtZero()->setText(QStringLiteral("#FF00FF"));
              d.AtHundred()->setText(QStringLiteral("magenta"));
              d.TagColours()->item(0, 1)->setText(QStringLiteral("#00AA00"));
              d.ShowDescriptions()->setChecked(true);
              d.show();
              SettingsShot(d, "colours");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetTagPreferences().ShowDescriptions());
  ASSERT_EQ(LinesFor(u"river"), 4);
  // The percentage column of every line is painted in the colour chosen.
  EXPECT_GT(MagentaInGrid("colours_grid"), 4 * 20);
  // Each line's kept tag carries the tag's colours from the list of tags to keep.
  TConcordanceList& lines = *Main().Doc()->fConcordanceList;
  for (int i = 0; i < lines.Count(); ++i) {
    const TTagPositionsList& tags = lines.Line(i)->TagPositions();
    int coloured = 0;
    for (int32_t t = 0; t < tags.Count(); ++t) coloured += tags.Record(t).tag_colours.fore == 0x00AA00 ? 1 : 0;
    EXPECT_GT(coloured, 0) << "line " << i;
  }

  // The dialog opens on what is stored.
  ThroughTheMenu([](TColourSettingsDialog& d) {
    EXPECT_TRUE(d.ColourPercentages()->isChecked());
    EXPECT_EQ(d.AtHundred()->text(), QStringLiteral("#FF00FF"));
    EXPECT_EQ(d.TagColours()->item(0, 1)->text(), QStringLiteral("#00AA00"));
    d.reject();
  });
}

TEST_F(ColourSettingsRoad, CancelAndRefusedColoursChangeNothing) {
  const TColourSettingsChoice before = CurrentColourSettings();
  ThroughTheMenu([](TColourSettingsDialog& d) {
    d.ColourPercentages()->setChecked(true);
    d.AtZero()->setText(QStringLiteral("#FF00FF"));
    d.reject();
  });
  dialogs.Clear();
  ThroughTheMenu([](TColourSettingsDialog& d) {
    d.ColourPercentages()->setChecked(true);
    d.TagColours()->item(0, 2)->setText(QStringLiteral("sky"));
    d.accept();  // refused: it stays open with the colour typed
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    EXPECT_EQ(d.TagColours()->item(0, 2)->text(), QStringLiteral("sky"));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Tag <w *>, background: \"sky\""), UString::npos);
  EXPECT_EQ(CurrentColourSettings(), before);
  ASSERT_EQ(LinesFor(u"river"), 4);
  EXPECT_EQ(MagentaInGrid("colours_grid_cancelled"), 0);
}
