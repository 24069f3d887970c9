// The concordancer's own settings ("Specific to this Tool") through the program's Settings menu:
// the stand-in's dialog shows what is stored, and what it stores changes the next concordance.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <set>

#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "platform/runtime/list_headings.h"
#include "window/modal_answers.h"
#include "windows/plot_sets_dialog.h"
#include "shell/qt/concordance_settings_dialog.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kOwnSettingsMenuItem = 66;
constexpr int kPlotMenuItem = 39;

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
  // How many of the first collocate's position columns show a number.
  int PositionsWithNumbers() {
    TurnTo("Collocates");
    auto* list = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
    int shown = 0;
    for (int c = kCollocateStandardColumns; list && c < kCollocateStandardColumns + list->SpanLength(); ++c) {
      TGrid_data_rec cell;
      list->DrawgridDataRec(c, 1, cell, 0);
      shown += cell.has_number ? 1 : 0;
    }
    return shown;
  }
  // Compute > Plot with each text and each search word a set of its own: the rows' texts and
  // search words, in row order.
  std::vector<std::pair<UString, UString>> PlotRows() {
    ActOnNextModal([](QDialog& d) {
      auto& sets = static_cast<TConcPlottingDlg&>(d);
      sets.IntoSeparateSets(0);
      sets.IntoSeparateSets(1);
      sets.OKClick();
    });
    Main().HandleMenuCommand(kPlotMenuItem, u"");
    DeliverPendingEvents();
    std::vector<std::pair<UString, UString>> rows;
    auto& plot = static_cast<TConcPlotList&>(*Main().Doc()->fConcPlotList);
    for (int i = 0; i < plot.Count(); ++i) rows.emplace_back(plot.Row(i)->plot_filename, plot.Row(i)->plot_sw_string);
    return rows;
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

// A collocate's position columns show 0 where it was never met, and the plot's rows of one text
// follow each other, once the settings say so; the plot-sets dialog opens on the stored order.
TEST_F(ConcordanceSettingsRoad, ZeroPositionsAndPlotOrderFollowTheStore) {
  ThroughTheMenu([](TConcordanceSettingsDialog& d) {
    d.MinCollocateFrequency()->setValue(1);
    d.accept();
  });
  Main().ShowStartDialog();
  Wizard().FileNameBox()->setText(ToQString(dir.Write(u"words.txt", "river\nmill\n")));
  Wizard().ButtonSWsFromFileClick();
  Wizard().ButtonOKClick();
  DeliverPendingEvents();
  ASSERT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 12);
  const int sparse = PositionsWithNumbers();
  EXPECT_GT(sparse, 0);
  EXPECT_LT(sparse, 11);  // five either side and the centre
  using Rows = std::vector<std::pair<UString, UString>>;
  EXPECT_EQ(PlotRows(), (Rows{{u"text0", u"river"}, {u"text1", u"river"}, {u"text0", u"mill"}, {u"text1", u"mill"}}));
  ASSERT_EQ(ThroughTheMenu([](TConcordanceSettingsDialog& d) {
              EXPECT_FALSE(d.ZeroPositions()->isChecked());
              EXPECT_FALSE(d.PlotRowsByText()->isChecked());
              d.ZeroPositions()->setChecked(true);
              d.PlotRowsByText()->setChecked(true);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(PositionsWithNumbers(), 11);
  EXPECT_EQ(PlotRows(), (Rows{{u"text0", u"river"}, {u"text0", u"mill"}, {u"text1", u"river"}, {u"text1", u"mill"}}));
  ThroughTheMenu([](TConcordanceSettingsDialog& d) {
    EXPECT_TRUE(d.ZeroPositions()->isChecked());
    EXPECT_TRUE(d.PlotRowsByText()->isChecked());
    d.reject();
  });
}
