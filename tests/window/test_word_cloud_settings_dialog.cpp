// The word cloud's and the plot's settings through the program's road: Settings > Specific to
// this Tool, its "Word cloud and plot..." button, the dialog; then the cloud drawn from the
// clusters page and the plot page of the next concordance follow what was stored. Cancel and
// refused values leave the store as it was.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include "concordance/views/plot_list.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/word_cloud_settings_dialog.h"
#include "window/further_settings_road.h"
#include "windows/word_cloud_window.h"

namespace {

constexpr int kWordCloudMenuItem = 179;

class WordCloudSettingsRoad : public FurtherSettingsRoad {
 protected:
  void SetUp() override {
    FurtherSettingsRoad::SetUp();
    Start();
    HandOverTexts(WriteRiverTexts(dir, 2, 6));
  }
  int ThroughTheMenu(const std::function<void(TWordCloudSettingsDialog&)>& fill) {
    return Through<TWordCloudSettingsDialog>([](TConcordanceSettingsDialog& d) { return d.WordCloudButton(); }, fill);
  }
  // The words the cloud of the clusters page draws.
  const std::vector<TCloudWordDraw>& CloudOfClusters() {
    TurnTo("Clusters");
    Main().HandleMenuCommand(kWordCloudMenuItem, u"");
    DeliverPendingEvents();
    static const std::vector<TCloudWordDraw> none;
    return Main().WordCloudWindow() ? Main().WordCloudWindow()->Cloud().Draws() : none;
  }
  int PlotSections() {
    TurnTo("Plot");
    auto* plot = dynamic_cast<TConcPlotList*>(Main().Doc()->fConcPlotList.get());
    return plot && plot->Count() > 0 ? plot->Row(0)->rec.divisions : -1;
  }
};

}  // namespace

TEST_F(WordCloudSettingsRoad, ShapesAndSizesAndPlotSectionsFollowTheStore) {
  ASSERT_EQ(LinesFor(u"river"), 12);
  const std::vector<TCloudWordDraw> plain = CloudOfClusters();
  ASSERT_GE(plain.size(), 2u);
  for (const TCloudWordDraw& d : plain) EXPECT_FALSE(d.shape) << Utf16ToUtf8(d.text);
  EXPECT_EQ(PlotSections(), 8);
  ASSERT_EQ(ThroughTheMenu([](TWordCloudSettingsDialog& d) {
              EXPECT_EQ(d.MinFontSize()->value(), 9);  // as stored
              EXPECT_EQ(d.PlotMarkColour()->text(), QStringLiteral("#FF0000"));
              d.ShowShapes()->setChecked(true);
              d.Shape()->setCurrentIndex(3);
              d.MinFontSize()->setValue(30);
              d.PlotSections()->setValue(4);
              d.show();
              SettingsShot(d, "word_cloud_and_plot");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetWordCloudSettings().Shape(), 3);
  const std::vector<TCloudWordDraw> shaped = CloudOfClusters();
  ASSERT_EQ(shaped.size(), plain.size());
  for (const TCloudWordDraw& d : shaped) {
    EXPECT_TRUE(d.shape || d.number > 666) << Utf16ToUtf8(d.text);
    EXPECT_GE(d.points, 30) << Utf16ToUtf8(d.text);
  }
  SettingsShot(*Main().WordCloudWindow(), "word_cloud_circles");
  ASSERT_EQ(LinesFor(u"river"), 12);
  EXPECT_EQ(PlotSections(), 4);
}

TEST_F(WordCloudSettingsRoad, CancelAndRefusedValuesChangeNothing) {
  const TWordCloudSettingsRec cloud = GetWordCloudSettings();
  const TRulerPlotWordCloudFeaturesRec features = GetRulerPlotWordCloudFeatures();
  ThroughTheMenu([](TWordCloudSettingsDialog& d) {
    d.ShowShapes()->setChecked(true);
    d.reject();
  });
  const std::pair<std::function<void(TWordCloudSettingsDialog&)>, const char16_t*> cases[] = {
      {[](TWordCloudSettingsDialog& d) { d.PlotMarkColour()->setText(QStringLiteral("reddish")); }, u"Plot mark colour: not a colour"},
      {[](TWordCloudSettingsDialog& d) { d.RulerColour()->setText(QStringLiteral("#12345G")); }, u"Ruler colour: not a colour"},
  };
  for (const auto& [change, said] : cases)
    ExpectRefused<TWordCloudSettingsDialog>([this](const auto& fill) { return ThroughTheMenu(fill); }, change, said);
  EXPECT_TRUE(GetWordCloudSettings().SameBytes(cloud));
  EXPECT_TRUE(GetRulerPlotWordCloudFeatures().SameBytes(features));
}

// A cloud already open follows settings changed meanwhile: it is drawn again with them at once,
// its own spin edits showing them, without the Word Cloud command.
TEST_F(WordCloudSettingsRoad, AnOpenCloudFollowsChangedSettings) {
  ASSERT_EQ(LinesFor(u"river"), 12);
  const std::vector<TCloudWordDraw> plain = CloudOfClusters();
  ASSERT_GE(plain.size(), 2u);
  TFormWordCloud* cloud = Main().WordCloudWindow();
  ASSERT_NE(cloud, nullptr);
  ASSERT_TRUE(cloud->isVisible());
  ASSERT_EQ(ThroughTheMenu([](TWordCloudSettingsDialog& d) {
              d.ShowShapes()->setChecked(true);
              d.Shape()->setCurrentIndex(3);
              d.MinFontSize()->setValue(30);
              d.accept();
            }),
            int(QDialog::Accepted));
  ASSERT_TRUE(WaitUntil([&] { return cloud->Cloud().CloudSettings.Shape() == 3; }));
  EXPECT_EQ(cloud->MinFontSpin()->value(), 30);
  const std::vector<TCloudWordDraw>& drawn = cloud->Cloud().Draws();
  ASSERT_EQ(drawn.size(), plain.size());
  for (const TCloudWordDraw& d : drawn) {
    EXPECT_TRUE(d.shape || d.number > 666) << Utf16ToUtf8(d.text);
    EXPECT_GE(d.points, 30) << Utf16ToUtf8(d.text);
  }
}
