// What a word-list document does with its lists as a whole: the notes of a list made from texts,
// words imported through the stop and lemma lists, and merging documents of every kind.
#include <gtest/gtest.h>

#include <algorithm>

#include "../model/text_reader_test_support.h"
#include "model/reading/chosen_texts.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"

namespace {

using text_reader_test::ScopedSettings;

class WordListDocumentRuns : public testing::Test {
 protected:
  static constexpr uint8_t kTool = 29;  // a tool number the store keeps values for, used by no tool
  void SetUp() override {
    old_tool_ = current_tool_var;
    current_tool_var = kTool;
    global_panic_state = kPanicNone;
  }
  void TearDown() override {
    for (int k = lmsLemma; k <= lmsStop; ++k) ClearOne(kTool, k);
    current_tool_var = old_tool_;
  }
  void Load(int kind, std::string_view text) {
    ASSERT_TRUE(LoadedOne(kTool, kind, tmp.Write(u"list" + IntToUStr(kind) + u".txt", text)));
  }
  static std::unique_ptr<T_WholeWordlistHolder> NewDoc(TTessorineList kind = kListWordList, bool stops = false,
                                                       bool lemmas = false) {
    auto doc = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kind, stops, lemmas, nullptr, nullptr);
    doc->WordlistSettings.SetMinFrequency(1);
    doc->WordlistSettings.SetMaxFrequency(0);
    doc->WordlistSettings.SetMinTexts(1);
    doc->WordlistSettings.SetMaxTexts(0);
    doc->WordlistSettings.SetMinWordLength(1);
    doc->WordlistSettings.SetMaxWordLength(50);
    doc->WordlistSettings.SetNumbersIncluded(true);
    doc->WordlistSettings.SetRatioBasis(1000);
    return doc;
  }
  static std::string Words(const TVXWordList& words) {
    std::string out;
    for (int i = 0; i < words.Count(); ++i)
      if (const TWordlistEntry* e = words.Row(i))
        out += (out.empty() ? "" : " ") + Utf16ToUtf8(e->data.word) + "/" + std::to_string(e->data.frequency) + "/" +
               std::to_string(e->data.n_texts);
    return out;
  }
  // The notes from the first line starting with `from`, `count` lines.
  static std::vector<UString> NotesFrom(T_WholeWordlistHolder& doc, UStringView from, size_t count) {
    const std::vector<UString>& lines = doc.fNotes.Lines();
    auto it = std::find_if(lines.begin(), lines.end(), [&](const UString& l) { return l.starts_with(from); });
    std::vector<UString> out;
    for (; it != lines.end() && out.size() < count; ++it) out.push_back(*it);
    return out;
  }
  ScopedSettings settings;
  TempFolder tmp;

 private:
  uint8_t old_tool_ = 0;
};

TEST_F(WordListDocumentRuns, AListMadeFromTextsNotesItsOwnSettings) {
  Load(lmsStop, "the\nand\n");
  auto doc = NewDoc(kListWordList, true);
  doc->WordlistSettings.SetMaxFrequency(5000);
  doc->WordlistSettings.SetMinTexts(1);
  doc->WordlistSettings.SetMaxTexts(300);
  doc->WordlistSettings.SetMinWordLength(2);
  doc->WordlistSettings.SetMaxWordLength(40);
  TTextsett_rec32 t = doc->TextSettings();
  t.SetTagTreatment(1);
  doc->SetTextSettings(t);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(u"a.txt", "the cat and the dog and a cat")));
  int32_t converted = 0;
  TMakeWordlistOptions o;
  o.threads = 1;
  ASSERT_TRUE(doc->MakeWordlist(chosen, 0, kListWordlist, converted, o));
  // "a" is shorter than 2; "the" and "and" are the stop list's (2 types, 4 tokens).
  EXPECT_EQ(Words(doc->Words()), "CAT/2/1 DOG/1/1");
  const std::vector<UString> expected = {
      u"\tCurrent Word list settings",
      u"\t\tMinimum Frequency: 1",
      u"\t\tMaximum Frequency: 5000",
      u"\t\tMinimum texts: 1",
      u"\t\tMaximum texts: 300",
      u"\t\tMinimum Word length: 2",
      u"\t\tMaximum Word length: 40",
      u"\t\tCase sensitive: False",
      u"\t2 types removed by the stop list",
      u"\t4 tokens removed by the stop list",
      u"\tTag treatment: each word with its tag",
  };
  EXPECT_EQ(NotesFrom(*doc, u"\tCurrent Word list settings", expected.size()), expected);
}

TEST_F(WordListDocumentRuns, ClusterListsSavedOneByOneNoteWhatWasComputed) {
  auto doc = NewDoc();
  doc->adding_cluster_wordlist_notes = true;
  TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
  s.SetClusterSizeMin(2);
  s.SetClusterSizeMax(4);
  SetWordlistIndexSettings(s);
  doc->StartStandardNotes(1, kListWordlist, u"", u"");
  const std::vector<UString>& lines = doc->fNotes.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], u"\tComputed:");
  EXPECT_EQ(lines.back(), u"\tClusters of 2 to 4 words");
}

TEST_F(WordListDocumentRuns, ImportedWordsGoThroughTheStopAndLemmaLists) {
  Load(lmsStop, "the\n");
  Load(lmsLemma, "go -> goes, went\n");
  const std::vector<UString> lines = {u"THE\t10", u"GO\t3", u"GOES\t2", u"WENT\t1", u"CAT\t4"};
  struct Case {
    bool stops, lemmas;
    std::string words;
    int32_t stop_types, stop_tokens;
    const char16_t* most_frequent;
  };
  const Case cases[] = {
      {false, false, "CAT/4/0 GO/3/0 GOES/2/0 THE/10/0 WENT/1/0", 0, 0, u"THE"},
      {true, false, "CAT/4/0 GO/3/0 GOES/2/0 WENT/1/0", 1, 10, u"CAT"},
      // GO keeps its own 3: its lemma counts it with GOES and WENT once, 6.
      {false, true, "CAT/4/0 GO/3/0 THE/10/0", 0, 0, u"THE"},
      {true, true, "CAT/4/0 GO/3/0", 1, 10, u"GO"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stops) + std::to_string(c.lemmas));
    auto doc = NewDoc(kListWordList, c.stops, c.lemmas);
    ASSERT_TRUE(doc->Words().ImportDataFromStringList(lines, 0));
    EXPECT_EQ(Words(doc->Words()), c.words);
    EXPECT_EQ(doc->Stats().Overall_stats.data.stop_types, c.stop_types);
    EXPECT_EQ(doc->Stats().Overall_stats.data.stop_tokens, c.stop_tokens);
    // The frequency index follows the rows left.
    EXPECT_EQ(doc->Words().CellText(0, kWLColWord, kDisplayByFrequency), c.most_frequent);
    const int go = doc->Words().Find_WordStr(u"GO", true);
    EXPECT_EQ(doc->Words().CorrectFreq(go, true), c.lemmas ? 6 : 3);
  }
}

// --- merging ---------------------------------------------------------------------------------

std::unique_ptr<T_WholeWordlistHolder> ConsistencyDoc(const std::vector<UString>& names,
                                                      const std::vector<TDetailedConsistency_rec>& rows,
                                                      const std::vector<TInterFileRelation>& relations) {
  auto doc = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListDetailedConsistency, false, false,
                                                     nullptr, nullptr);
  TDetailedConsistencyList& dc = doc->DetailedConsistency();
  dc.SetNLists(static_cast<int32_t>(names.size()));
  dc.SetHeadingsForLists(names);
  for (const TDetailedConsistency_rec& r : rows) dc.AddRow(r);
  for (const TInterFileRelation& r : relations)
    dc.Relations().Add(new TDetailedConsistencyRelationsEntry(&dc.Relations(), r));
  dc.RunningWordTotals.assign(names.size(), 100);
  dc.FinalUpdate();
  return doc;
}

std::string ConsistencyRows(TDetailedConsistencyList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) {
    const TDetailedConsistency_rec& d = list.Row(i)->data;
    out += (i ? " " : "") + Utf16ToUtf8(d.word) + "[";
    for (size_t l = 0; l < d.per_list.size(); ++l) out += (l ? "," : "") + std::to_string(d.per_list[l]);
    out += "]" + std::to_string(d.total) + "m" + std::to_string(d.most_used) + "t" + std::to_string(d.texts);
  }
  return out;
}

TEST_F(WordListDocumentRuns, MergedConsistencyListsBecomeOneWithEveryListAColumn) {
  // Two lists a, b in one document (CAT and DOG shared: 2 of 3 and 2 of 2 words); one list c in
  // the other.
  auto one = ConsistencyDoc({u"a", u"b"},
                            {{0, 0, 3, 0, {5, 1}, u"CAT"}, {0, 0, 2, 0, {2, 2}, u"DOG"}, {0, 0, 1, 0, {4, 0}, u"EMU"}},
                            {{0.8f, 2, 3, 2, u"a", u"b"}});
  auto two = ConsistencyDoc({u"c"}, {{0, 0, 2, 0, {7}, u"DOG"}, {0, 0, -999999, 0, {1}, u"GNU"}}, {});
  ASSERT_TRUE(one->MergeWith(*two, u"c.lst"));
  TDetailedConsistencyList& dc = one->DetailedConsistency();
  EXPECT_EQ(dc.NLists(), 3);
  EXPECT_EQ(ConsistencyRows(dc),
            "CAT[5,1,0]6m0t3 DOG[2,2,7]11m2t4 EMU[4,0,0]4m0t1 GNU[0,0,1]1m2t-999999");
  EXPECT_EQ(std::vector<UString>(dc.Headings().end() - 3, dc.Headings().end()),
            (std::vector<UString>{u"a", u"b", u"c"}));
  // Every pair: words of each list (c's from its rows, having no relation), shared words, Dice.
  std::string relations;
  for (int i = 0; i < dc.Relations().Count(); ++i) {
    const TInterFileRelation& r = dc.Relations().Row(i)->dcr_data;
    char dice[16];
    std::snprintf(dice, sizeof dice, "%.3f", r.dice);
    relations += (i ? " " : "") + Utf16ToUtf8(r.name1) + Utf16ToUtf8(r.name2) + ":" + std::to_string(r.words1) + "," +
                 std::to_string(r.words2) + "," + std::to_string(r.shared) + "," + dice;
  }
  EXPECT_EQ(relations, "ab:3,2,2,0.800 ac:3,2,1,0.400 bc:2,2,1,0.500");
  EXPECT_EQ(dc.RunningWordTotals, (std::vector<int32_t>{100, 100, 100}));
  EXPECT_EQ(two->DetailedConsistency().Count(), 0);
}

TEST_F(WordListDocumentRuns, MergedKeywordListsKeepEveryRow) {
  auto one = NewDoc(kListKeywords);
  auto two = NewDoc(kListKeywords);
  TKeywordRecord k{};
  k.frequency = 4;
  one->Keywords().AddRow(k, u"CAT");
  k.frequency = 9;
  two->Keywords().AddRow(k, u"DOG");
  ASSERT_TRUE(one->MergeWith(*two, u"two.lst"));
  ASSERT_EQ(one->Keywords().Count(), 2);
  EXPECT_EQ(one->Keywords().Row(1)->word, u"DOG");
  EXPECT_EQ(one->Keywords().Row(1)->data.frequency, 9);
  EXPECT_EQ(two->Keywords().Count(), 0);
}

TEST_F(WordListDocumentRuns, RelationshipsMergeOnlyWhenOfOneIndex) {
  auto pairs = [](const char16_t* index, const char16_t* w1) {
    auto doc = NewDoc(kListRelationships);
    doc->Relationships().SetSourceIndexFilename(index);
    TMutualInfoRec r{};
    r.joint = 3;
    doc->Relationships().AddRow(r, w1, u"BANK");
    return doc;
  };
  auto one = pairs(u"/corpus/news", u"RIVER");
  auto other_index = pairs(u"/corpus/fiction", u"WEST");
  EXPECT_FALSE(one->MergeWith(*other_index, u"fiction.lst"));
  EXPECT_NE(one->LastFailure().find(u"another index"), UString::npos);
  EXPECT_EQ(one->Relationships().Count(), 1);
  EXPECT_EQ(other_index->Relationships().Count(), 1);
  auto same_index = pairs(u"/corpus/NEWS", u"OLD");
  ASSERT_TRUE(one->MergeWith(*same_index, u"news2.lst"));
  ASSERT_EQ(one->Relationships().Count(), 2);
  // Sorted as after a computation: by word 1 first.
  EXPECT_EQ(one->Relationships().Row(0)->word1, u"OLD");
  EXPECT_EQ(one->Relationships().Row(1)->word1, u"RIVER");
  // Documents of two kinds do not merge.
  auto words = NewDoc();
  words->Words().AddRow({1, 1, 0.0f, u"OWL", u"", u""});
  EXPECT_FALSE(one->MergeWith(*words, u"words.lst"));
  EXPECT_EQ(words->Words().Count(), 1);
}

TEST_F(WordListDocumentRuns, AMergedWordKeepsItsCategory) {
  auto one = NewDoc();
  auto two = NewDoc();
  one->Words().AddRow({1, 2, 0.0f, u"CAT", u"", u""});
  two->Words().AddRow({1, 5, 0.0f, u"DOG", u"", u""});
  two->Words().Row(0)->SetAWordAsString(kWLColCategory, u"animal");
  ASSERT_TRUE(one->MergeWith(*two, u"two.lst"));
  ASSERT_EQ(one->Words().Count(), 2);
  EXPECT_EQ(one->Words().Row(1)->GetAWordAsString(kWLColCategory), u"animal");
}

}  // namespace
