// The lemma-list search of the start wizard shows its progress on the main window's status bar:
// the list loading, its outcome and the words looked up.
#include <QTimer>

#include "platform/lemmatiser/lemmatiser.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"

namespace {

TEST_F(MainRoadTest, LemmaExpansionShowsItsProgress) {
  Start();
  TempFolder lists;
  WizardSearchingFlowedWithALemmaList(lists);
  // What the status bar shows at each turn of the loop the progress display gives while the
  // list loads and the words are looked up (the display is hidden again at the end).
  std::vector<QString> shown;
  TVXStatusBar* bar = Main().Status();
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    for (int p = 0; p < TVXStatusBar::kPanels; ++p) shown.push_back(bar->PanelText(p));
  });
  watcher.start(0);
  ASSERT_TRUE(Wizard().CheckAndStoreChoices());
  watcher.stop();
  auto seen = [&](const QString& part) {
    return std::any_of(shown.begin(), shown.end(), [&](const QString& s) { return s.contains(part); });
  };
  EXPECT_TRUE(seen(QStringLiteral("The list is loaded.")));
  EXPECT_TRUE(seen(QStringLiteral("flowed")));
  Global_stopLemmaMatchLoaded[0] = false;
}

}  // namespace
