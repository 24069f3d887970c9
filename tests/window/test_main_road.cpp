// The concordancer's main road through its real windows: texts chosen in the controller's
// chooser, words typed in the start wizard, the run, the lines against the engine's own search,
// the sort dialog, saving and opening again, and a follow-up search from the command line.
#include <QHeaderView>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <map>

#include "model/read_and_search_support.h"
#include "platform/text/text_services.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/page_list.h"
#include "shell/qt/text_chooser.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"
#include "windows/sort_dialog.h"

namespace {

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

struct TLineKey {
  UString file;
  int64_t byte;
  UString hit;
  bool operator<(const TLineKey& o) const { return std::tie(file, byte) < std::tie(o.file, o.byte); }
};

std::vector<TLineKey> LinesOf(T_WholeLinzoraHolder& doc) {
  std::vector<TLineKey> out;
  TConcordanceList& list = *doc.fConcordanceList;
  for (int i = 0; i < list.Count(); ++i) {
    const TConcordanceEntry* line = list.Line(i);
    const TConcordanceLineData& d = line->Data();
    const UString file = ExtractFileName(doc.fTextFilesWithSearchWord->GetFullFilename(d.filename_num_original - 1, true));
    const TLineText text = line->Text();
    out.push_back({file, d.byte_position, UString(text.substr(static_cast<size_t>(d.midpoint), static_cast<size_t>(d.hit_characters)))});
  }
  return out;
}

UString RightWord(T_WholeLinzoraHolder& doc, int i) { return doc.fConcordanceList->WordAtSpan(*doc.fConcordanceList->Line(i), 51); }
UString LeftWord(T_WholeLinzoraHolder& doc, int i) { return doc.fConcordanceList->WordAtSpan(*doc.fConcordanceList->Line(i), 49); }

TEST_F(MainRoadTest, WizardRunSortSaveReopenAndFollowUp) {
  TFormLinzora& w = Start();
  EXPECT_FALSE(w.HasData());

  // Texts: the wizard asks the controller, whose chooser hands the choice over.
  ASSERT_EQ(ChooseTextsThroughWizard({kSamples}, {{kSamples + u"winter_walk.zip", u"winter_walk.txt"}}), 10);
  EXPECT_TRUE(Wizard().OKButton()->isEnabled());

  Wizard().SearchBox()->setCurrentText(QStringLiteral("river"));
  Wizard().CheckAndStoreChoices();
  DeliverPendingEvents();
  const QImage wizard_shot = SaveScreenshot(Wizard(), QStringLiteral("start_wizard"));
  EXPECT_GT(ColoursIn(wizard_shot), 8);

  Wizard().ButtonOKClick();
  ASSERT_TRUE(WaitUntil([&] { return w.Doc() != nullptr && !w.RunActive() && w.HasData(); }));
  T_WholeLinzoraHolder& doc = *w.Doc();

  // The lines are what the reader, tag handler and engine find on their own.
  const read_and_search::TRunSeen seen = read_and_search::RunOver(w.ChosenTexts, u"river");
  std::vector<TLineKey> expected;
  for (const auto& h : seen.hits) expected.push_back({ExtractFileName(h.file), h.byte, h.text});
  std::vector<TLineKey> got = LinesOf(doc);
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_EQ(got.size(), 91u);
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].file, expected[i].file) << i;
    EXPECT_EQ(got[i].byte, expected[i].byte) << i;
    EXPECT_EQ(AsciiLower(got[i].hit), AsciiLower(expected[i].hit)) << i;
  }

  // The concordance page: counts on the status bar, the search word centred and coloured.
  w.resize(1100, 700);
  DeliverPendingEvents();
  EXPECT_EQ(w.Status()->PanelText(kPanelEntries), QStringLiteral("91 entries"));
  const QImage page = SaveScreenshot(w, QStringLiteral("concordance_page"));
  EXPECT_GT(ColoursIn(page), 10);

  // Header click on the line column: the sort dialog, first word right then first word left.
  TConcSortForm* sort = windows->sort;
  QImage sort_shot;
  WhenShown(sort, [&] {
    sort->KeyList(0)->setCurrentRow(6);
    sort->Pager()->setCurrentIndex(1);
    sort->KeyList(1)->setCurrentRow(4);
    sort->CaseCheck(0)->setChecked(false);
    sort->CaseCheck(1)->setChecked(false);
    sort->StoreChoices();
    sort_shot = SaveScreenshot(*sort, QStringLiteral("sort_dialog"));
    sort->OKClick();
  });
  w.ConcordanceGrid()->horizontalHeader()->sectionClicked(0);
  EXPECT_GT(ColoursIn(sort_shot), 8);
  EXPECT_EQ(doc.fSettings.SortKey(0), 6);
  EXPECT_EQ(doc.fSettings.SortKey(1), 4);
  EXPECT_EQ(w.SortRecord().level_count, 1);
  const TLCID lcid = doc.LCID();
  for (int i = 1; i < doc.fConcordanceList->Count(); ++i) {
    const int right = CompareStringsLocale(lcid, false, RightWord(doc, i - 1), RightWord(doc, i));
    const bool asc = doc.fConcordanceList->SortLevel(0).ascending;
    EXPECT_TRUE(asc ? right <= 0 : right >= 0) << i;
    if (right == 0) {
      const int left = CompareStringsLocale(lcid, false, LeftWord(doc, i - 1), LeftWord(doc, i));
      const bool asc2 = doc.fConcordanceList->SortLevel(1).ascending;
      EXPECT_TRUE(asc2 ? left <= 0 : left >= 0) << i;
    }
  }
  std::vector<UString> sorted_texts;
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) sorted_texts.emplace_back(doc.fConcordanceList->Line(i)->Text());

  // Save as ".cnc", then start again with that file and find the same rows, order and keys.
  const UString saved_name = dir.Path() + u"river.cnc";
  ASSERT_TRUE(w.SaveDataToFile(w.ConcordanceGrid(), saved_name));
  TFormLinzora& again = Start({saved_name});
  ASSERT_NE(again.Doc(), nullptr);
  T_WholeLinzoraHolder& reread = *again.Doc();
  ASSERT_EQ(reread.fConcordanceList->Count(), 91);
  for (int i = 0; i < 91; ++i) EXPECT_EQ(UString(reread.fConcordanceList->Line(i)->Text()), sorted_texts[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(reread.fSettings.SortKey(0), 6);
  EXPECT_EQ(reread.fSettings.SortKey(1), 4);

  // The follow-up road: another tool left a word and texts in the store; -F runs it.
  SetATempString(u"bridge", 1);
  TFormLinzora& follow = Start({u"-F"});
  ASSERT_TRUE(WaitUntil([&] { return follow.Doc() != nullptr && follow.HasData(); }));
  const read_and_search::TRunSeen bridge = read_and_search::RunOver(follow.ChosenTexts, u"bridge");
  EXPECT_EQ(follow.Doc()->fConcordanceList->Count(), static_cast<int>(bridge.hits.size()));
  EXPECT_GT(bridge.hits.size(), 0u);
}

}  // namespace
