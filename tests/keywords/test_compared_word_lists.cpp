// A saved word list as reference corpus, and two saved word lists compared into a keyword list
// through the keywords document: end to end from texts on disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "../model/text_reader_test_support.h"
#include "keywords/keywords_holder.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace {

class ReferenceCorpus : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  static std::unique_ptr<T_WholeWordlistHolder> NewDoc() {
    auto doc =
        std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
    doc->WordlistSettings.SetMinFrequency(1);
    doc->WordlistSettings.SetMinWordLength(1);
    doc->WordlistSettings.SetNumbersIncluded(true);
    return doc;
  }
  // Counts the texts into a new document saved as name; answers the file's full name.
  UString MadeAndSaved(UStringView name, const std::vector<std::string>& texts) {
    auto doc = NewDoc();
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    for (size_t i = 0; i < texts.size(); ++i)
      EXPECT_TRUE(chosen.ToolAddAFile(tmp.Write(UString(name) + IntToUStr(int64_t(i)) + u".txt", texts[i])));
    int32_t converted = 0;
    TMakeWordlistOptions o;
    o.threads = 1;
    EXPECT_TRUE(doc->MakeWordlist(chosen, 0, kListWordlist, converted, o));
    const UString file = tmp.Path() + UString(name) + u".lst";
    EXPECT_TRUE(doc->SaveToFile(file, 0, 0, 0));
    return file;
  }
  text_reader_test::ScopedSettings settings;
  TempFolder tmp;
};

TEST_F(ReferenceCorpus, LoadedAsTheConcordanceLoadsIt) {
  const UString file = MadeAndSaved(u"ref", {"the cat and the dog and the cats", "The bird"});
  auto ref = NewDoc();
  ASSERT_TRUE(ref->ReadWholeFromFile(file, 0).first);
  TVXWordList& words = *ref->GetWordlistByListType(kListWordlist);
  // Frequency order first, so that a stale index would rank by it; then alphabetical again.
  words.Set1Sort(0, kWLSortTexts);
  words.DoASort(1, 0, words.Count() - 1);
  ASSERT_TRUE(words.DoAlphabeticalAscendingSort());
  ASSERT_TRUE(ref->ComputedRankOrdersOfWords());
  const int the = words.Find_WordStr(u"the", false);
  const int cat = words.Find_WordStr(u"Cat", false);
  const int cats = words.Find_WordStr(u"CATS", false);
  ASSERT_GE(the, 0);
  ASSERT_GE(cat, 0);
  ASSERT_GE(cats, 0);
  EXPECT_EQ(words.CorrectFreq(the, true), 4);
  EXPECT_EQ(words.fRankOrders[the], 1);
  EXPECT_EQ(words.fRankOrders[words.Find_WordStr(u"and", false)], 2);
  EXPECT_EQ(words.fRankOrders[cat], 3);  // one each: CAT, CATS, DOG, BIRD share rank 3
  EXPECT_EQ(words.fRankOrders[cats], 3);
  // A joined form adds its frequency to its head.
  ASSERT_TRUE(words.Join(cat, cats, false));
  EXPECT_EQ(words.CorrectFreq(cat, true), 2);
  EXPECT_EQ(words.CorrectFreq(cat, false), 1);
  EXPECT_EQ(words.CorrectFreq(-1, true), 0);
  EXPECT_EQ(words.CorrectFreq(words.Count(), true), 0);
  EXPECT_EQ(ref->Stats().Overall_stats.data.running_words, 10);
}

TEST_F(ReferenceCorpus, RankOrdersOfAnEmptyList) {
  auto doc = NewDoc();
  EXPECT_TRUE(doc->ComputedRankOrdersOfWords());
  EXPECT_TRUE(doc->Words().fRankOrders.empty());
}

TEST_F(ReferenceCorpus, TwoListsComparedIntoKeywords) {
  // 10 of 1,000 study words against 5 of 2,000 reference words.
  std::string study = "cat cat cat cat cat cat cat cat cat cat";
  for (int i = 0; i < 990; ++i) study += " w" + std::to_string(i % 50);
  std::string reference = "cat cat cat cat cat";
  for (int i = 0; i < 1995; ++i) reference += " w" + std::to_string(i % 50);
  const UString s = MadeAndSaved(u"study", {study});
  const UString r = MadeAndSaved(u"reference", {reference});
  TKeywordsSettingsRec32 kw = GetKeywordsSettings();
  kw.SetKeywordMinFrequency(1);
  kw.SetKeywordMaxP(0);
  kw.SetIncludeNegativeKeywords(false);
  kw.SetMaxKeywordsWanted(0);
  SetKeywordsSettings(kw);
  for (bool fast_before : {false, true}) {
    SetFastMinimalProcessing(current_tool_var, fast_before);
    auto doc = NewDoc();
    const size_t notes = doc->fNotes.Count();
    const TVXComputeResultRec result = doc->ComparedWordlists(s, r, TKWHandlingAmount::All);
    ASSERT_TRUE(result.success) << Utf16ToUtf8(result.message);
    EXPECT_EQ(GetFastMinimalProcessing(current_tool_var), fast_before);
    TKeyWordList& k = doc->Keywords();
    ASSERT_GE(k.Count(), 1);
    EXPECT_EQ(k.Row(0)->word, u"CAT");
    EXPECT_NEAR(k.Row(0)->data.keyness, 6.969, 0.001);
    EXPECT_EQ(k.Row(0)->data.rc_frequency, 5);
    EXPECT_EQ(k.Holder(), doc.get());
    EXPECT_EQ(k.Row(0)->Holder(), doc.get());
    EXPECT_EQ(k.fKWStats->Holder(), doc.get());
    EXPECT_EQ(k.fKWStats->Count(), 1);
    EXPECT_EQ(k.KWSettings.RunningWords(0), 1000);
    EXPECT_EQ(k.KWSettings.RunningWords(1), 2000);
    // The Dice line, then what the list was made from and with.
    const std::vector<UString> details = k.DetailsOfCurrentSettings();
    ASSERT_EQ(doc->fNotes.Count(), static_cast<int>(notes + 1 + details.size()));
    EXPECT_NE(doc->fNotes[static_cast<int>(notes)].find(u"Dice coefficient = 1.0000"), UString::npos);
    const std::vector<UString>& lines = doc->fNotes.Lines();
    for (const UString& line : {u"\tReference corpus: source file " + r, UString(u"\t100.00% of the words were found")})
      EXPECT_NE(std::find_if(lines.begin(), lines.end(), [&](const UString& l) { return l.rfind(line, 0) == 0; }),
                lines.end())
          << Utf16ToUtf8(line);
    ASSERT_GE(k.Headings().size(), 6u);
    EXPECT_EQ(k.Headings()[2], u"Freq. in study");
    EXPECT_EQ(k.Headings()[5], u"Freq. in reference");
  }
}

TEST_F(ReferenceCorpus, AFailedComparisonKeepsTheOldKeywordList) {
  const UString s = MadeAndSaved(u"study", {"cat dog"});
  const UString damaged = tmp.Write(u"damaged.lst", "not a word list at all");
  for (bool fast_before : {false, true}) {
    SetFastMinimalProcessing(current_tool_var, fast_before);
    auto doc = NewDoc();
    TKeywordRecord old{};
    old.frequency = 3;
    doc->Keywords().AddRow(old, u"OLD");
    const TVXComputeResultRec result = doc->ComparedWordlists(s, damaged, TKWHandlingAmount::All);
    EXPECT_FALSE(result.success);
    EXPECT_NE(result.message.find(u"damaged.lst"), UString::npos) << Utf16ToUtf8(result.message);
    EXPECT_EQ(GetFastMinimalProcessing(current_tool_var), fast_before);
    ASSERT_EQ(doc->Keywords().Count(), 1);
    EXPECT_EQ(doc->Keywords().Row(0)->word, u"OLD");
    EXPECT_FALSE(doc->BusyDontShowData());
  }
}

TEST_F(ReferenceCorpus, KeywordListDetachedOutlivesItsDocument) {
  const UString s = MadeAndSaved(u"study", {"cat cat cat dog"});
  const UString r = MadeAndSaved(u"reference", {"dog dog dog cat bird bird bird bird"});
  std::unique_ptr<TKeyWordList> list;
  {
    T_WholeKeywordsHolder kws(kListKeywords, nullptr, nullptr, nullptr, nullptr);
    TVXComputeResultRec result;
    ASSERT_TRUE(kws.ComputeKWs({s, s}, r, result));  // two studies add up
    EXPECT_EQ(kws.KWSettings.RunningWords(0), 8);
    EXPECT_EQ(kws.KWSettings.Texts(0), 2);
    list = kws.SetKWsToNil();
    EXPECT_EQ(kws.Keywords().Count(), 0);
  }
  ASSERT_TRUE(list);
  EXPECT_GE(list->Count(), 1);
  EXPECT_EQ(list->fKWStats->Count(), 2);
}

// Without an index (none started, none of that name on disk) the index entry points answer false.
TEST_F(ReferenceCorpus, IndexEntryPointsAnswerFalse) {
  auto doc = NewDoc();
  EXPECT_FALSE(doc->StartAnIndexHandler(u"x", kIndexReadOnly));
  EXPECT_FALSE(doc->OpenAnIndexAndLoadWords(u"x").first);
  EXPECT_FALSE(doc->LoadedIndexData());
  EXPECT_FALSE(doc->CopyLemmasToIndex());
  EXPECT_FALSE(doc->CheckLemmasForConsistency(u"x"));
  EXPECT_FALSE(doc->ComputedDispersion());
  EXPECT_TRUE(doc->ComputedDetConsistRelations());
  const auto names = doc->MakeAndSaveMovingWindow(10, 5);
  EXPECT_TRUE(names.text_file.empty());
  EXPECT_TRUE(names.plot_file.empty());
}

}  // namespace
