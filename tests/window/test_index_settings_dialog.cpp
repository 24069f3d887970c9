// Settings > Index through the program's Settings menu: the stand-in's dialog shows the stored
// index settings, stores what is chosen, refuses a largest cluster below the smallest and
// changes nothing on Cancel.
#include <QCheckBox>
#include <QSpinBox>

#include "platform/settings/settings_access.h"
#include "shell/qt/index_settings_dialog.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kIndexMenuItem = 72;

class IndexSettingsRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
  }
  int ThroughTheMenu(const std::function<void(TIndexSettingsDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TIndexSettingsDialog>(kIndexMenuItem, fill);
  }
};

}  // namespace

TEST_F(IndexSettingsRoad, ChoicesAreStoredAndShownAgain) {
  ASSERT_EQ(ThroughTheMenu([](TIndexSettingsDialog& d) {
              EXPECT_EQ(d.ClusterSmallest()->value(), 3);  // as stored
              EXPECT_EQ(d.ClusterLargest()->value(), 5);
              d.ClusterSmallest()->setValue(2);
              d.ClusterLargest()->setValue(4);
              d.MinTypeFrequency()->setValue(3);
              d.DropStarred()->setChecked(true);
              d.show();
              SettingsShot(d, "index");
              d.accept();
            }),
            int(QDialog::Accepted));
  const TWordlistIndexSettingsRec r = GetWordlistIndexSettings();
  EXPECT_EQ(r.ClusterSizeMin(), 2);
  EXPECT_EQ(r.ClusterSizeMax(), 4);
  EXPECT_EQ(r.MinTypeFrequency(), 3);
  EXPECT_TRUE(r.DropStarredClusters());
  ThroughTheMenu([](TIndexSettingsDialog& d) {
    EXPECT_EQ(d.ClusterLargest()->value(), 4);
    EXPECT_TRUE(d.DropStarred()->isChecked());
    d.reject();
  });
}

TEST_F(IndexSettingsRoad, CancelAndRefusedValuesChangeNothing) {
  const TWordlistIndexSettingsRec before = GetWordlistIndexSettings();
  ThroughTheMenu([](TIndexSettingsDialog& d) {
    d.MinTypeFrequency()->setValue(9);
    d.reject();
  });
  ThroughTheMenu([](TIndexSettingsDialog& d) {
    d.ClusterSmallest()->setValue(6);
    d.ClusterLargest()->setValue(4);
    d.accept();  // refused: it stays open
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Largest cluster: 4 words is below the smallest, 6"), UString::npos);
  EXPECT_TRUE(GetWordlistIndexSettings().SameBytes(before));
}
