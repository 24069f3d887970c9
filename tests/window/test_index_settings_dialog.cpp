// Settings > Index through the program's Settings menu: the stand-in's dialog shows the stored
// index settings, stores what is chosen (the relationships of an index follow it), refuses a
// largest cluster below the smallest and changes nothing on Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/index_settings_dialog.h"
#include "window/settings_dialog_road.h"
#include "window/wordlist_tool_support.h"

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
  // The word pairs the word-list tool's relationships command finds in the index (-1 on failure).
  int WordPairs(const QString& index) {
    QByteArray err, out;
    if (RunWordlistTool({QStringLiteral("relationships"), index}, &err, &out) != 0) {
      ADD_FAILURE() << err.toStdString();
      return -1;
    }
    const QString said = QString::fromUtf8(out);
    const int at = said.indexOf(QStringLiteral(": "));
    return at < 0 ? -1 : said.mid(at + 2).section(QLatin1Char(' '), 0, 0).toInt();
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

TEST_F(IndexSettingsRoad, RelationshipChoicesChangeTheNextRelationshipsRun) {
  std::string text;
  for (int i = 0; i < 4; ++i) text += "The river flows past the old mill. Rain falls on the stone bridge. ";
  dir.Write(u"corpus/a.txt", text);
  dir.Write(u"corpus/b.txt", text);
  ASSERT_TRUE(ForceDirectories(dir.Path() + u"index"));
  const QString index = ToQString(dir.Path() + u"index/corpus");
  QByteArray err;
  ASSERT_EQ(RunWordlistTool({QStringLiteral("index"), ToQString(dir.Path() + u"corpus"), QStringLiteral("-o"), index}, &err), 0)
      << err.toStdString();
  const int plain = WordPairs(index);
  ASSERT_GT(plain, 0);
  ASSERT_EQ(ThroughTheMenu([](TIndexSettingsDialog& d) {
              EXPECT_EQ(d.RelationshipSpan()->value(), 5);  // as stored
              EXPECT_FALSE(d.RelationshipBothWays()->isChecked());
              d.RelationshipBothWays()->setChecked(true);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(RelationshipSettingsOf(GetWordlistIndexSettings()).BothWays());
  const int both_ways = WordPairs(index);
  EXPECT_GT(both_ways, plain);
  // A span of one word either side finds fewer pairs than five.
  ThroughTheMenu([](TIndexSettingsDialog& d) {
    EXPECT_TRUE(d.RelationshipBothWays()->isChecked());
    d.RelationshipBothWays()->setChecked(false);
    d.RelationshipSpan()->setValue(1);
    d.accept();
  });
  EXPECT_LT(WordPairs(index), plain);
}
