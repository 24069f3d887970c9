// The word-list tool's stand-in as a user meets it beside the concordancer: its word list of the
// corpus is the reference corpus Compute > Relationships takes, and the contexts it hands over
// from its index of the samples open as the concordance of "river"; sorting the lines by
// reference-corpus frequency ranks their words in that list.
#include <QHeaderView>
#include <QProcess>
#include <set>

#include "concordance/views/collocates_list.h"
#include "windows/sort_dialog.h"
#include "windows/sort_rules.h"
#include "windows/word_list_check_dialog.h"
#include "window/result_pages_support.h"
#include "window/wordlist_tool_support.h"

namespace {

using namespace result_pages;

QString Q(const UString& s) { return ToQString(s); }

class WordlistToolRoad : public ResultPagesTest {};

TEST_F(WordlistToolRoad, ItsWordListIsTheReferenceCorpusOfComputeRelationships) {
  const UString list = dir.Path() + u"corpus.lst";
  QByteArray err;
  ASSERT_EQ(RunWordlistTool({QStringLiteral("list"), Q(corpus->folder), QStringLiteral("-o"), Q(list)}, &err), 0)
      << err.toStdString();
  TVX_Grid* grid = TurnToType(kListCollocates);
  ASSERT_NE(grid, nullptr);
  auto& collocates = *dynamic_cast<TCollocateList*>(Doc().fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates.Count() > 1; }));
  grid->SelectCell(1, 1);
  AnswerNextModal(true, [&](QDialog& d) { static_cast<TFormCollRelationsWLCheckFilename&>(d).SetWordListFile(list); });
  Fire(53);
  ASSERT_TRUE(WaitUntil([&] { return collocates.fsettings.saved_relationships_computed; }))
      << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(GetKeywordsSettingsReferenceCorpus(), list);
  EXPECT_FALSE(WasAsked(TVXDialog::InformationMessage)) << Utf16ToUtf8(AllQuestionText());
}

class WordlistToolContexts : public MainRoadTest {};

TEST_F(WordlistToolContexts, TheContextsItHandsOverOpenAsTheConcordance) {
  const QString index = Q(dir.Path() + u"index/samples");
  std::filesystem::create_directories(Utf16ToUtf8(dir.Path() + u"index"));
  QByteArray err;
  ASSERT_EQ(RunWordlistTool({QStringLiteral("index"), QStringLiteral(LINZORA_SAMPLES_DIR), QStringLiteral("-o"), index}, &err), 0)
      << err.toStdString();
  ASSERT_EQ(RunWordlistTool({QStringLiteral("contexts"), index, QStringLiteral("river")}, &err), 0) << err.toStdString();
  current_tool_var = kToolConcordancer;
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr) << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 91);
  EXPECT_TRUE(w.tool_wants_linzora);
  // Each line is that of one of the index's places: found by jumping there, it has no word number.
  for (int i = 0; i < w.Doc()->fConcordanceList->Count(); ++i)
    EXPECT_EQ(w.Doc()->fConcordanceList->Line(i)->Data().word_num, 0) << i;
}

TEST_F(WordlistToolContexts, SortingByReferenceCorpusFrequencyRanksTheLinesInItsWordList) {
  const UString list = dir.Path() + u"samples.lst";
  QByteArray err;
  ASSERT_EQ(RunWordlistTool({QStringLiteral("list"), QStringLiteral(LINZORA_SAMPLES_DIR), QStringLiteral("-o"), Q(list)}, &err), 0)
      << err.toStdString();
  ShowSampleRiverLines();
  T_WholeLinzoraHolder& doc = *Main().Doc();
  ASSERT_GT(doc.fConcordanceList->Count(), 2);
  TConcSortForm* sort = windows->sort;
  WhenShown(sort, [&] {
    sort->KeyList(0)->setCurrentRow(kSortKeyReferenceFrequency);
    sort->StoreChoices();
    sort->OKClick();
    AnswerNextModal(true, [&](QDialog& d) { static_cast<TFormCollRelationsWLCheckFilename&>(d).SetWordListFile(list); });
  });
  Main().ConcordanceGrid()->horizontalHeader()->sectionClicked(0);
  EXPECT_EQ(doc.fSettings.SortKey(0), kSortKeyReferenceFrequency);
  EXPECT_EQ(doc.ReferenceCorpusWordlistFilename, list) << Utf16ToUtf8(AllQuestionText());
  ASSERT_TRUE(doc.HasReferenceList());
  // "the" is the samples' most frequent word; a word of no list has no rank.
  EXPECT_EQ(doc.ReferenceRank(u"the"), 1);
  EXPECT_EQ(doc.ReferenceRank(u"zqxjv"), 0);
  const bool ascending = doc.fConcordanceList->SortLevel(0).ascending;
  std::set<int32_t> ranks;
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) {
    const int32_t rank = doc.fConcordanceList->Line(i)->MeanWordRank();
    ranks.insert(rank);
    if (i == 0) continue;
    const int32_t previous = doc.fConcordanceList->Line(i - 1)->MeanWordRank();
    EXPECT_TRUE(ascending ? previous <= rank : previous >= rank) << i;
  }
  EXPECT_GT(ranks.size(), 2u);
}

}  // namespace
