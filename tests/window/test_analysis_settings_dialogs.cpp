// The cluster, time-line and plot-set dialogs: what reaches the store or the caller on OK, what
// Cancel and refused input leave alone.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>

#include "window/dialog_test_support.h"
#include "windows/cluster_settings_dialog.h"
#include "windows/plot_sets_dialog.h"
#include "windows/timeline_settings_dialog.h"

namespace {

TEST(ClusterSettingsDialog, OkStoresTheChoicesCancelAndBadSpinChangeNothing) {
  TDialogTestScope scope;
  SetConcSaveRecClusterSettingsToLeft(30);
  SetConcSaveRecClusterSettingsToRight(2);
  const TConcSettingsRec32 start = GetConcSaveRec();
  TClusterDlg dlg;
  EXPECT_EQ(dlg.MinFrequency()->maximum(), 65535);
  WhileModal(
      [&] {
        EXPECT_EQ(dlg.LeftList()->currentRow(), -1);  // 30 is beyond the list
        EXPECT_EQ(dlg.RightList()->currentRow(), 2);
        dlg.SetModalResult(mrCancel);
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_TRUE(GetConcSaveRec().SameBytes(start));
  const int result = WhileModal(
      [&] {
        dlg.Smallest()->setValue(5);
        dlg.Largest()->setValue(3);
        dlg.MinFrequency()->setValue(4);
        dlg.RightList()->setCurrentRow(7);
        dlg.CaseBox()->setChecked(true);
        dlg.MinFrequency()->findChild<QLineEdit*>()->clear();
        dlg.OKClick();
        EXPECT_TRUE(GetConcSaveRec().SameBytes(start));
        dlg.MinFrequency()->setValue(4);
        SaveDialogScreenshot(dlg, QStringLiteral("cluster_settings"));
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrOK);
  EXPECT_EQ(scope.Messages().size(), 1u);
  const TConcSettingsRec32 rec = GetConcSaveRec();
  EXPECT_EQ(rec.ClusterSizeMin(), 5);
  EXPECT_EQ(rec.ClusterSizeMax(), 5);
  EXPECT_EQ(rec.ClusterMinFrequency(), 4);
  EXPECT_EQ(rec.ClusterReachLeft(), 30);
  EXPECT_EQ(rec.ClusterReachRight(), 7);
  EXPECT_TRUE(rec.CollocatesCaseSensitive());
}

// The reach reads as a range: a largest size below the smallest is shown as the smallest, which is
// what OK stores for it.
TEST(ClusterSettingsDialog, LargestSizeNeverShowsBelowTheSmallest) {
  TDialogTestScope scope;
  TClusterDlg dlg;
  struct Step {
    int smallest, largest;  // set in this order; -1 leaves it
    int shown_smallest, shown_largest;
  } steps[] = {{2, 4, 2, 4}, {5, -1, 5, 5}, {-1, 3, 5, 5}, {3, -1, 3, 5}, {-1, 3, 3, 3}, {8, -1, 8, 8}};
  for (const Step& s : steps) {
    if (s.smallest >= 0) dlg.Smallest()->setValue(s.smallest);
    if (s.largest >= 0) dlg.Largest()->setValue(s.largest);
    EXPECT_EQ(dlg.Smallest()->value(), s.shown_smallest) << s.smallest << " " << s.largest;
    EXPECT_EQ(dlg.Largest()->value(), s.shown_largest) << s.smallest << " " << s.largest;
  }
}

TEST(TimelineSettingsDialog, LastItemStoresItsOwnBasis) {
  TDialogTestScope scope;
  SetTimeLinePlotBase(11);
  TFormTimelineSettings dlg;
  const int last = dlg.Basis()->count() - 1;
  EXPECT_EQ(dlg.Basis()->currentIndex(), last);
  WhileModal(
      [&] {
        SaveDialogScreenshot(dlg, QStringLiteral("timeline_settings"));
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(GetTimeLinePlotBase(), OfferedTimelineBases().back());
  TFormTimelineSettings again;
  EXPECT_EQ(again.Basis()->currentIndex(), last);
}

// Plot chosen again shows the sets chosen before: ResultPageMenus.PlotShowsTheSetsChosenBefore.
TEST(PlotSetsDialog, SetsAreMadeAndRefusedWhenMissing) {
  TDialogTestScope scope;
  TConcPlottingDlg dlg;
  std::vector<UString> files;
  for (int i = 0; i < 9; ++i) files.push_back(u"text" + IntToUStr(i + 1) + u".txt");
  dlg.SetAvailable(files, {u"cat", u"dog"});
  const int result = WhileModal(
      [&] {
        EXPECT_EQ(dlg.Sets(0)->count(), 9);  // first showing: one set per item
        dlg.ClearSets(0);
        dlg.OKClick();
        EXPECT_TRUE(dlg.isVisible());
        dlg.Available(0)->item(0)->setSelected(true);
        dlg.Available(0)->item(1)->setSelected(true);
        dlg.Available(0)->item(2)->setSelected(true);
        dlg.AddSelectionAsSet(0);
        dlg.AddSelectionAsSet(0);  // the same selection twice: one set
        dlg.Available(0)->clearSelection();
        dlg.Available(0)->item(8)->setSelected(true);
        dlg.AddSelectionAsSet(0);
        dlg.AllIntoOneSet(1);
        SaveDialogScreenshot(dlg, QStringLiteral("plot_sets"));
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrOK);
  ASSERT_EQ(scope.Messages().size(), 1u);
  EXPECT_NE(scope.Messages()[0].find(u"set of files"), UString::npos);
  EXPECT_EQ(dlg.PlotOptions().file_sets, (std::vector<std::vector<int32_t>>{{0, 1, 2}, {8}}));
  EXPECT_EQ(dlg.PlotOptions().word_sets, (std::vector<std::vector<int32_t>>{{0, 1}}));
}

}  // namespace
