// The settings of collocates of a whole word list through the program's road: Settings >
// Specific to this Tool, its "Collocates of a word list..." button, the dialog; the word filter
// and requirements the whole-list run reads then follow it. Cancel and refused values change
// nothing.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include "concordance/views/word_list_collocates.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/word_list_collocates_dialog.h"
#include "window/further_settings_road.h"

namespace {

constexpr int kWordLength = 0, kCollocates = 4, kMI = 1;

class WordListCollocatesRoad : public FurtherSettingsRoad {
 protected:
  void SetUp() override {
    FurtherSettingsRoad::SetUp();
    Start();
  }
  int ThroughTheMenu(const std::function<void(TWordListCollocatesDialog&)>& fill) {
    return Through<TWordListCollocatesDialog>([](TConcordanceSettingsDialog& d) { return d.WordListCollocatesButton(); },
                                              fill);
  }
};

}  // namespace

TEST_F(WordListCollocatesRoad, TheWholeListRunReadsWhatIsChosen) {
  EXPECT_TRUE(WordPassesScriptLimits(GetCollocateScriptSettings(), u"river", 10, 2));
  ASSERT_EQ(ThroughTheMenu([](TWordListCollocatesDialog& d) {
              EXPECT_EQ(d.Least(kWordLength)->value(), 1);  // as stored
              EXPECT_FALSE(d.Tested(kMI)->isChecked());
              d.Least(kWordLength)->setValue(6);
              d.Tested(kMI)->setChecked(true);
              d.Threshold(kMI)->setValue(3.0);
              d.show();
              SettingsShot(d, "word_list_collocates");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_FALSE(WordPassesScriptLimits(GetCollocateScriptSettings(), u"river", 10, 2));  // 5 letters
  EXPECT_TRUE(WordPassesScriptLimits(GetCollocateScriptSettings(), u"rivers", 10, 2));
  EXPECT_EQ(RelationshipRequirements(GetKollaxaMutualChecks()), u"MI >= 3.000");
  ThroughTheMenu([](TWordListCollocatesDialog& d) {
    EXPECT_EQ(d.Least(kWordLength)->value(), 6);
    EXPECT_TRUE(d.Tested(kMI)->isChecked());
    d.reject();
  });
}

TEST_F(WordListCollocatesRoad, CancelAndRefusedValuesChangeNothing) {
  const TCollocateScriptSettingsRec limits = GetCollocateScriptSettings();
  const TKollaxaMutualChecks checks = GetKollaxaMutualChecks();
  ThroughTheMenu([](TWordListCollocatesDialog& d) {
    d.Least(kWordLength)->setValue(6);
    d.reject();
  });
  ThroughTheMenu([](TWordListCollocatesDialog& d) {
    d.Least(kCollocates)->setValue(5);
    d.Most(kCollocates)->setValue(4);
    d.accept();  // refused: it stays open
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Collocates: the most, 4, is below the least, 5"), UString::npos);
  EXPECT_TRUE(GetCollocateScriptSettings().SameBytes(limits));
  EXPECT_TRUE(GetKollaxaMutualChecks().SameBytes(checks));
}
