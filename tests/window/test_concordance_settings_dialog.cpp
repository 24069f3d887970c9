// The concordancer's own settings ("Specific to this Tool") through the program's Settings menu:
// the stand-in's dialog shows what is stored, and what it stores changes the next concordance.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <set>

#include "concordance/views/collocates_list.h"
#include "shell/qt/concordance_settings_dialog.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kOwnSettingsMenuItem = 66;

class ConcordanceSettingsRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    HandOverTexts(WriteRiverTexts(dir, 2, 3));
  }
  int ThroughTheMenu(const std::function<void(TConcordanceSettingsDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TConcordanceSettingsDialog>(kOwnSettingsMenuItem, fill);
  }
  // The collocates of the concordance shown (their page turned to, so they are computed).
  std::set<UString> Collocates() {
    TurnTo("Collocates");
    std::set<UString> words;
    auto* list = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
    for (int i = 0; list && i < list->Count(); ++i) words.insert(list->Row(i)->MainWordOnly());
    return words;
  }
  size_t LongestLine() {
    size_t longest = 0;
    TConcordanceList& lines = *Main().Doc()->fConcordanceList;
    for (int i = 0; i < lines.Count(); ++i) longest = std::max(longest, lines.Line(i)->Text().size());
    return longest;
  }
};

}  // namespace

TEST_F(ConcordanceSettingsRoad, EachGroupChangesTheNextConcordance) {
  // Every collocate counted (the default least frequency is 5; "mill" is 5 words right of "river";
  // collocates are listed in capitals).
  ThroughTheMenu([](TConcordanceSettingsDialog& d) {
    EXPECT_EQ(d.CollocateLeft()->value(), 5);  // as stored
    EXPECT_EQ(d.CharactersPerLine()->value(), 1000);
    d.MinCollocateFrequency()->setValue(1);
    d.accept();
  });
  ASSERT_EQ(LinesFor(u"river"), 6);
  const std::set<UString> wide = Collocates();
  EXPECT_TRUE(wide.count(u"MILL")) << wide.size();
  EXPECT_GT(LongestLine(), 100u);

  // Collocates: one word either side; lines: 40 characters; sampling: one hit in 3.
  ASSERT_EQ(ThroughTheMenu([](TConcordanceSettingsDialog& d) {
              d.CollocateLeft()->setValue(1);
              d.CollocateRight()->setValue(1);
              d.CharactersPerLine()->setValue(40);
              d.Sampling()->setChecked(true);
              d.SamplingRange()->setValue(3);
              d.SearchWordMarker()->setText(QStringLiteral("#"));
              d.SaveTextFileDetails()->setChecked(true);
              d.show();
              SettingsShot(d, "concordance");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetRandomising());
  EXPECT_EQ(GetRandomRange(), 3);
  EXPECT_EQ(GetConc_SW_TXT_Marker(), u"#");
  EXPECT_TRUE(GetPostProcessSaveFilenames());
  // The dialog opens on what is stored.
  ThroughTheMenu([](TConcordanceSettingsDialog& d) {
    EXPECT_EQ(d.CollocateLeft()->value(), 1);
    EXPECT_EQ(d.CharactersPerLine()->value(), 40);
    EXPECT_TRUE(d.Sampling()->isChecked());
    EXPECT_EQ(d.SamplingRange()->value(), 3);
    EXPECT_EQ(d.SearchWordMarker()->text(), QStringLiteral("#"));
    d.reject();
  });
  // Six hits are too few to thin without chance deciding how many stay (thinning is shown on
  // 200 hits by the run's own test): this run reads every hit.
  SetRandomising(false);
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_LE(LongestLine(), 40u);
  const std::set<UString> narrow = Collocates();
  EXPECT_FALSE(narrow.count(u"MILL"));
  EXPECT_TRUE(narrow.count(u"FLOWS"));
  // "the" left of it, "flows" right, and "river" itself.
  EXPECT_EQ(narrow, (std::set<UString>{u"THE", u"FLOWS", u"RIVER"}));
}

TEST_F(ConcordanceSettingsRoad, CancelChangesNothing) {
  const TConcSettingsRec32 before = GetConcSaveRec();
  ThroughTheMenu([](TConcordanceSettingsDialog& d) {
    d.CollocateLeft()->setValue(0);
    d.CharactersPerLine()->setValue(40);
    d.Sampling()->setChecked(true);
    d.ContextStop()->setCurrentIndex(2);
    d.reject();
  });
  EXPECT_TRUE(GetConcSaveRec().SameBytes(before));
  EXPECT_FALSE(GetRandomising());
  ASSERT_EQ(LinesFor(u"river"), 6);
  EXPECT_GT(LongestLine(), 100u);
}
