// The lemma-list search of the start wizard shows its progress on the main window's status bar:
// the list loading and its outcome stay there once the words are looked up.
#include "platform/lemmatiser/lemmatiser.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"

namespace {

TEST_F(MainRoadTest, LemmaExpansionShowsItsProgress) {
  Start();
  TempFolder lists;
  TLemmaMatchStopSettingsRec rec = GetLemmaMatchStopSettings(kToolConcordancer, 0);
  rec.SetActivated(true);
  rec.SetFileName(lists.Write(u"lemmas.txt", "flow -> flows, flowed, flowing\n"));
  SetLemmaMatchStopSettings(kToolConcordancer, 0, rec);
  Global_stopLemmaMatchLoaded[0] = false;
  Main().ShowStartDialog();
  Wizard().SearchBox()->setCurrentText(QStringLiteral("flowed"));
  Wizard().LemmaCheck()->setChecked(true);
  ASSERT_TRUE(Wizard().CheckAndStoreChoices());
  // What the status bar's panels were left showing.
  std::vector<QString> shown;
  for (int p = 0; p < TVXStatusBar::kPanels; ++p) shown.push_back(Main().Status()->PanelText(p));
  auto seen = [&](const QString& part) {
    return std::any_of(shown.begin(), shown.end(), [&](const QString& s) { return s.contains(part); });
  };
  EXPECT_TRUE(seen(QStringLiteral("The list is loaded.")));
  Global_stopLemmaMatchLoaded[0] = false;
}

}  // namespace
