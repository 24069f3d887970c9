// Joined rows of a word list: lemma lines, frequencies taken in, clusters joined by whole words,
// equal neighbours, merging another list and imported words.
#include <gtest/gtest.h>

#include <set>

#include "platform/runtime/vx_runtime.h"
#include "wordlist/word_list_document.h"
#include "wordlist_test_support.h"

namespace {

class WordListLemmas : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    doc = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr,
                                                  nullptr);
  }
  TVXWordList& W() { return doc->Words(); }
  int Find(const char16_t* w) {
    for (int i = 0; i < W().Count(); ++i)
      if (W().Row(i)->data.word == w) return i;
    return -1;
  }
  std::unique_ptr<T_WholeWordlistHolder> doc;
};

TEST_F(WordListLemmas, LemmaLineAndFrequenciesTakenIn) {
  wltest::Fill(W(), {{u"GO", 5}, {u"GOES", 2}, {u"WENT", 3}, {u"DOG", 1}});
  ASSERT_TRUE(W().Join(0, 1, false));
  ASSERT_TRUE(W().Join(0, 2, false));
  EXPECT_EQ(W().LemmaListFromThisList(), std::vector<UString>{u"GO -> GOES,WENT"});
  std::vector<UString> lines;
  W().AddJoinedWordDataToStringlist(0, lines);
  EXPECT_EQ(lines, (std::vector<UString>{u"GOES", u"WENT"}));
  W().CheckLemmas(true);
  // The forms leave the list and belong to GO, whose lemma counts them once: 5 + 2 + 3.
  EXPECT_EQ(wltest::Words(W()), "DOG GO");
  const int go = Find(u"GO");
  EXPECT_EQ(W().Row(go)->data.frequency, 5);
  EXPECT_EQ(W().CorrectFreq(go, true), 10);
  EXPECT_EQ(W().RowFrequency(go), 10);
  EXPECT_EQ(wltest::ByFrequency(W()), "GO DOG");
}

TEST_F(WordListLemmas, ClustersJoinOnlyByWholeWords) {
  wltest::Fill(W(), {{u"AT", 4}, {u"CAT SAT", 2}, {u"SAT", 3}, {u"AT HOME", 1}});
  W().JoinClusters(true);
  // "AT" is a word of "AT HOME" but not of "CAT SAT"; "SAT" is a word of "CAT SAT".
  EXPECT_EQ(W().Row(Find(u"AT"))->JoinedTo(), W().Row(Find(u"AT HOME")));
  EXPECT_EQ(W().Row(Find(u"SAT"))->JoinedTo(), W().Row(Find(u"CAT SAT")));
  EXPECT_EQ(W().Row(Find(u"CAT SAT"))->JoinedTo(), nullptr);
}

TEST_F(WordListLemmas, ClustersUnderTheirWordWhenLargeToSmall) {
  wltest::Fill(W(), {{u"DOG", 4}, {u"DOG RAN", 2}});
  W().JoinClusters(false);
  EXPECT_EQ(W().Row(1)->JoinedTo(), W().Row(0));
}

TEST_F(WordListLemmas, EqualNeighboursLowerFrequencyFirst) {
  wltest::Fill(W(), {{u"Cat", 5}, {u"cat", 2}, {u"dog", 1}, {u"DOG", 1}});
  const auto pairs = W().CheckForEqualStrings();
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].first_text, u"cat");
  EXPECT_EQ(pairs[0].first_row, 1);
  EXPECT_EQ(pairs[0].second_row, 0);
  EXPECT_EQ(pairs[1].first_row, 2);  // a tie: the earlier row first
  doc->WordlistSettings.SetCaseSensitive(true);
  EXPECT_TRUE(W().CheckForEqualStrings().empty());
}

// Equal neighbours (case ignored) merged pair by pair, the rarer into the more frequent (the
// earlier into the later on a tie): however many there are and wherever the rarest stands, they
// become one row holding their total.
TEST_F(WordListLemmas, EqualNeighboursBecomeOneRowWithTheirTotal) {
  const struct {
    std::vector<std::pair<const char16_t*, int>> rows;
    const char16_t* kept;
    int total;
  } cases[] = {
      {{{u"CAT", 2}, {u"Cat", 1}, {u"cat", 3}}, u"cat", 6},  // the rarest in the middle
      {{{u"CAT", 1}, {u"Cat", 5}, {u"cat", 1}}, u"Cat", 7},
      {{{u"cat", 3}, {u"CAT", 3}}, u"CAT", 6},
      {{{u"DOG", 1}, {u"Dog", 1}, {u"dOg", 1}, {u"dog", 1}}, u"Dog", 4},
  };
  for (const auto& c : cases) {
    SetUp();
    for (const auto& [w, f] : c.rows) W().AddRow({1, f, 0.0f, w, u"", u""});
    W().AddRow({1, 9, 0.0f, u"owl", u"", u""});
    const auto pairs = W().CheckForEqualStrings();
    EXPECT_EQ(W().MergeEqualWords(pairs), static_cast<int32_t>(c.rows.size()) - 1);
    W().Zap(false);
    ASSERT_EQ(W().Count(), 2) << Utf16ToUtf8(c.kept);
    EXPECT_EQ(W().Row(0)->data.word, c.kept);
    EXPECT_EQ(W().Row(0)->data.frequency, c.total);
    EXPECT_EQ(W().Row(1)->data.frequency, 9);
  }
}

// Equal neighbours kept apart: the most frequent keeps its word (the later on a tie) and each
// other gets its own number of zero-width spaces, so that no two texts are the same once case
// is set aside, however many stand together.
TEST_F(WordListLemmas, EqualNeighboursKeptApartAllDiffer) {
  const UString z = u"\u200B";
  const struct {
    std::vector<std::pair<const char16_t*, int>> rows;
    std::vector<UString> words;  // after, in list order
  } cases[] = {
      {{{u"The", 1}, {u"the", 5}}, {u"The" + z, u"the"}},
      {{{u"CAT", 2}, {u"Cat", 1}, {u"cat", 3}}, {u"CAT" + z, u"Cat" + z + z, u"cat"}},
      {{{u"DOG", 1}, {u"Dog", 1}, {u"dOg", 1}, {u"dog", 1}}, {u"DOG" + z, u"Dog" + z + z, u"dOg" + z + z + z, u"dog"}},
  };
  for (const auto& c : cases) {
    SetUp();
    for (const auto& [w, f] : c.rows) W().AddRow({1, f, 0.0f, w, u"", u""});
    W().AddRow({1, 9, 0.0f, u"owl", u"", u""});
    EXPECT_EQ(W().KeepEqualWordsApart(W().CheckForEqualStrings()), static_cast<int32_t>(c.rows.size()) - 1);
    std::set<UString> folded;
    for (size_t i = 0; i < c.rows.size(); ++i) {
      EXPECT_EQ(W().Row(static_cast<int>(i))->data.word, c.words[i]);
      folded.insert(UpperCaseU(W().Row(static_cast<int>(i))->data.word));
    }
    EXPECT_EQ(folded.size(), c.rows.size());
    EXPECT_EQ(W().Row(static_cast<int>(c.rows.size()))->data.word, u"owl");
  }
}

// Two case forms that are both heads, merged as equal words (case ignored): the lemma of the
// row merged away joins the row that stays, a form both have counting once with both counts.
// STATE 3 (STATES 2) and State 1 (States 1, Stated 1): 8 tokens before and after.
TEST_F(WordListLemmas, EqualHeadsMergedKeepTheirFormsUnderTheRowThatStays) {
  wltest::Fill(W(), {{u"STATE", 3}, {u"STATES", 2}, {u"State", 1}, {u"States", 1}, {u"Stated", 1}});
  ASSERT_TRUE(W().Join(0, 1, false) && W().Join(2, 3, false) && W().Join(2, 4, false));
  W().Zap(false);  // the forms belong to their heads, as in a list read from a file
  ASSERT_EQ(wltest::Words(W()), "STATE State");
  EXPECT_EQ(W().MergeEqualWords(W().CheckForEqualStrings()), 1);
  W().Zap(false);
  ASSERT_EQ(wltest::Words(W()), "STATE");
  EXPECT_EQ(W().Row(0)->data.frequency, 4);
  EXPECT_EQ(W().LemmaListFromThisList(), std::vector<UString>{u"STATE -> STATES,Stated"});
  EXPECT_EQ(W().RowFrequency(0), 8);
  EXPECT_EQ(W().ComputedCurrentTokens() + W().GetTotalJoinedFreq(0), 8);
}

// A lemmatised list merged into another: its forms join the head they were under (adding to a
// form the head has already), and a form that is a row of its own here takes its counts there.
TEST_F(WordListLemmas, MergingLemmatisedListsJoinsTheFormsUnderTheirHeads) {
  T_WholeWordlistHolder other(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  wltest::Fill(W(), {{u"GO", 1}, {u"GOVERNED", 1}, {u"STATE", 3}, {u"STATES", 2}});
  ASSERT_TRUE(W().Join(2, 3, false));
  W().Zap(false);  // STATES now belongs to STATE, as in a list read from a file
  TVXWordList& o = other.Words();
  wltest::Fill(o, {{u"GOVERN", 2}, {u"GOVERNED", 1}, {u"GOVERNS", 1}, {u"STATE", 1}, {u"STATED", 1}, {u"STATES", 4}});
  ASSERT_TRUE(o.Join(0, 1, false) && o.Join(0, 2, false) && o.Join(3, 4, false) && o.Join(3, 5, false));
  o.Zap(false);
  ASSERT_TRUE(W().MergeWith(&o));
  EXPECT_EQ(wltest::Words(W()), "GO GOVERN GOVERNED STATE");
  EXPECT_EQ(W().LemmaListFromThisList(), (std::vector<UString>{u"GOVERN -> GOVERNS", u"STATE -> STATES,STATED"}));
  auto lemma = [&](const char16_t* head) {
    std::string s;
    const int i = Find(head);
    s = std::to_string(W().Row(i)->data.frequency) + "/" + std::to_string(W().Row(i)->data.n_texts);
    for (const TVXBaseListObject* f : W().Row(i)->JoinedEntries())
      s += " " + Utf16ToUtf8(f->MainWordOnly()) + " " + std::to_string(f->MainWordFrequency()) + "/" +
           std::to_string(f->MainNTexts());
    return s;
  };
  EXPECT_EQ(lemma(u"STATE"), "4/2 STATES 6/2 STATED 1/1");
  EXPECT_EQ(lemma(u"GOVERN"), "2/1 GOVERNS 1/1");
  EXPECT_EQ(lemma(u"GOVERNED"), "2/2");
  EXPECT_EQ(W().RowFrequency(Find(u"STATE")), 11);
}

TEST_F(WordListLemmas, MergingAddsFrequenciesAndTexts) {
  T_WholeWordlistHolder other(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  W().AddRow({1, 5, 0.0f, u"CAT", u"", u""});
  other.Words().AddRow({2, 3, 0.0f, u"CAT", u"", u""});
  other.Words().AddRow({1, 1, 0.0f, u"ANT", u"", u""});
  ASSERT_TRUE(W().MergeWith(&other.Words()));
  EXPECT_EQ(wltest::Words(W()), "ANT CAT");
  EXPECT_EQ(W().Row(1)->data.frequency, 8);
  EXPECT_EQ(W().Row(1)->data.n_texts, 3);
}

TEST_F(WordListLemmas, ImportedWordsCountLengthsByFrequency) {
  doc->WordlistSettings.SetMinWordLength(2);
  doc->WordlistSettings.SetMaxWordLength(60);
  const UString long_word(55, u'X');  // beyond the 50 length counters: counted in no length
  ASSERT_TRUE(W().ImportDataFromStringList({u"the\t6", u"a\t9", u"cats\t2", long_word + u"\t1"}, 0));
  EXPECT_EQ(wltest::Words(W()), "cats the " + std::string(55, 'X'));
  const TOne_text_stats_data& o = doc->Stats().Overall_stats.data;
  EXPECT_EQ(o.running_words, 9);
  EXPECT_EQ(o.word_lengths[3], 6);
  EXPECT_EQ(o.word_lengths[4], 2);
  EXPECT_FLOAT_EQ(o.groups[0].mean, (3.0f * 6 + 4 * 2 + 55) / 9);
  EXPECT_EQ(o.types, 3);
  // A length limit cuts the word and ends it with "+".
  doc->WordlistSettings.SetMaxWordLength(4);
  ASSERT_TRUE(W().ImportDataFromStringList({u"wonderful\t2"}, 100));
  EXPECT_EQ(wltest::Words(W()), "won+");
  EXPECT_EQ(doc->Stats().Overall_stats.data.running_words, 100);
}

}  // namespace
