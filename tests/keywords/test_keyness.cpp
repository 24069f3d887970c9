#include <gtest/gtest.h>
#include <cmath>

#include "keywords/keyness_computation.h"
#include "platform/runtime/vx_maths.h"
#include "wordlist/word_list.h"

namespace {

TEST(Keyness, WorkedByHand) {
  // 10 of 1,000 study words against 5 of 2,000 reference words.
  EXPECT_NEAR(KeynessOf(10, 1000, 5, 2000, kKeynessLogLikelihood), 6.969, 0.001);
  EXPECT_NEAR(KeynessOf(10, 1000, 5, 2000, kKeynessChiSquare), 7.538, 0.001);
  EXPECT_NEAR(BICOfKeyness(6.969, 1000, 2000), -1.037, 0.001);
  EXPECT_NEAR(LogRatioOf(10, 1000, 5, 2000), 2.0, 1e-12);
  EXPECT_NEAR(KeynessProbability(KeynessOf(10, 1000, 5, 2000, 0)), 0.00829, 0.00001);
  // The reverse is negative, of the same size.
  EXPECT_NEAR(KeynessOf(5, 2000, 10, 1000, kKeynessLogLikelihood), -6.969, 0.001);
  EXPECT_NEAR(LogRatioOf(5, 2000, 10, 1000), -2.0, 1e-12);
  // A frequent word, where the table's other two cells count (docs/association_measures.md):
  // 74.47 over the four cells, where the two-cell form gives 70.27.
  EXPECT_NEAR(KeynessOf(700, 10000, 50000, 1000000, kKeynessLogLikelihood), 74.47, 0.005);
}

TEST(Keyness, EdgesOfTheTable) {
  struct Case {
    const char* name;
    int64_t a, n1, b, n2;
    bool positive;
  } cases[] = {
      {"reference frequency 0", 10, 1000, 0, 2000, true},
      {"study frequency 0", 0, 1000, 10, 2000, false},
      {"equal shares", 10, 1000, 20, 2000, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const double k = KeynessOf(c.a, c.n1, c.b, c.n2, 0);
    EXPECT_TRUE(std::isfinite(k));
    EXPECT_EQ(k > 0, c.positive);
    EXPECT_TRUE(std::isfinite(LogRatioOf(c.a, c.n1, c.b, c.n2)));
  }
  // A log ratio with a zero frequency takes it as 0.5: (10/1000) / (0.5/2000) = 40.
  EXPECT_NEAR(LogRatioOf(10, 1000, 0, 2000), std::log2(40.0), 1e-12);
  EXPECT_EQ(KeynessOf(1, 0, 1, 10, 0), 0.0);
  EXPECT_EQ(LogLikelihood2x2(0, 0, 5, 5), 0.0);
}

TEST(Keyness, DivisionsAndTextCounts) {
  // 100 positions in 8 sections: section ends 12, 25, 37, 50, 62, 75, 87, 100.
  struct Case {
    int64_t pos;
    int32_t want;
  } cases[] = {{-5, 0}, {0, 0}, {11, 0}, {12, 1}, {49, 3}, {50, 4}, {99, 7}, {100, 7}, {5000, 7}};
  for (const auto& c : cases) EXPECT_EQ(CorrectDivision(c.pos, 100, 8), c.want) << c.pos;
  EXPECT_EQ(CorrectDivision(3, 0, 8), 0);
  EXPECT_EQ(NFilesCorrected(4, false), 4.0f);
  EXPECT_EQ(NFilesCorrected(4, true), -999999.0f);
}

void AddWords(TVXWordList& list, std::initializer_list<std::tuple<const char16_t*, int, int>> rows) {
  for (const auto& [w, f, t] : rows) list.AddRow({t, f, 0.0f, w, u"", u""});
}

TKeywordsSettingsRec32 Settings() {
  TKeywordsSettingsRec32 s;
  s.Clear();
  return s;
}

std::string Rows(TKeyWordList& kws) {
  std::string out;
  for (int i = 0; i < kws.Count(); ++i) out += (i ? " " : "") + Utf16ToUtf8(kws.Row(i)->word);
  return out;
}

TEST(KeynessComputation, StudyAgainstReference) {
  TVXBaseHolder holder;
  TVXWordList study(&holder), reference(&holder);
  AddWords(study, {{u"CAT", 10, 2}, {u"THE", 50, 3}, {u"DOG", 1, 1}, {u"NEW", 4, 1}});
  AddWords(reference, {{u"cat", 5, 1}, {u"the", 200, 9}, {u"dog", 40, 5}});
  TKeyWordList kws(&holder);
  TKeywordsSettingsRec32 s = Settings();
  const TKeynessCorpora corpora{1000, 2000, 3, 9};
  TKeynessOutcome o = ComputeKeywordList({&study}, reference, s, corpora, kws);
  ASSERT_TRUE(o.success);
  EXPECT_EQ(o.shared_types, 3);
  EXPECT_EQ(o.study_types, 4);
  // Negatives are left out unless asked for.
  for (int i = 0; i < kws.Count(); ++i) EXPECT_FALSE(kws.Row(i)->data.negative) << i;
  const int cat = [&] { for (int i = 0; i < kws.Count(); ++i) if (kws.Row(i)->word == u"CAT") return i; return -1; }();
  ASSERT_GE(cat, 0);
  EXPECT_NEAR(kws.Row(cat)->data.keyness, 6.969, 0.001);
  EXPECT_NEAR(kws.Row(cat)->data.bic_score, -1.037, 0.001);
  EXPECT_EQ(kws.Row(cat)->data.rc_frequency, 5);
  EXPECT_EQ(kws.Row(cat)->data.rc_n_texts, 1);
  EXPECT_FLOAT_EQ(kws.DiceCoefficient, static_cast<float>(2.0 * 3 / (4 + 3)));
  // Strongest first.
  for (int i = 1; i < kws.Count(); ++i) EXPECT_GE(kws.Row(i - 1)->data.keyness, kws.Row(i)->data.keyness);

  s.SetIncludeNegativeKeywords(true);
  s.SetMaxKeywordsWanted(2);
  o = ComputeKeywordList({&study}, reference, s, corpora, kws);
  ASSERT_TRUE(o.success);
  EXPECT_EQ(kws.Count(), 2);
  EXPECT_TRUE(kws.LimitReached());
  // DOG: 1 of 1,000 against 40 of 2,000 is the strongest, and negative: it sorts last.
  EXPECT_EQ(Utf16ToUtf8(kws.Row(1)->word), "DOG");
  EXPECT_TRUE(kws.Row(1)->data.negative);

  s.SetMaxKeywordsWanted(0);
  s.SetKeywordMaxP(0.01);
  s.SetKeywordMinFrequency(2);
  ASSERT_TRUE(ComputeKeywordList({&study}, reference, s, corpora, kws).success);
  for (int i = 0; i < kws.Count(); ++i) {
    EXPECT_LE(KeynessProbability(kws.Row(i)->data.keyness), 0.01);
    EXPECT_GE(kws.Row(i)->data.frequency, 2);
  }
}

TEST(KeynessComputation, SeveralStudyListsCountAsOne) {
  TVXBaseHolder holder;
  TVXWordList a(&holder), b(&holder), reference(&holder);
  AddWords(a, {{u"CAT", 6, 1}});
  AddWords(b, {{u"CAT", 4, 1}});
  AddWords(reference, {{u"CAT", 5, 1}});
  TKeyWordList kws(&holder);
  ASSERT_TRUE(ComputeKeywordList({&a, &b}, reference, Settings(), {1000, 2000, 2, 1}, kws).success);
  ASSERT_EQ(kws.Count(), 1);
  EXPECT_EQ(kws.Row(0)->data.frequency, 10);
  EXPECT_EQ(kws.Row(0)->data.n_texts, 2);
}

// Lemmatised lists on both sides: STATE counts with STATES on each side, 2 + 8 = 10 of 1,000
// study words against 1 + 4 = 5 of 2,000 reference words, the 6.969 worked by hand above; the
// forms are no keywords of their own, whether they have left the list (a list read from a file)
// or are still rows joined under their head (a list just made).
TEST(KeynessComputation, LemmatisedListsCountALemmaAlikeOnBothSides) {
  TVXBaseHolder holder;
  for (const bool forms_left : {true, false}) {
    SCOPED_TRACE(forms_left);
    TVXWordList study(&holder), reference(&holder);
    AddWords(study, {{u"STATE", 2, 1}, {u"STATES", 8, 2}, {u"TOWN", 3, 1}});
    AddWords(reference, {{u"STATE", 1, 1}, {u"STATES", 4, 1}, {u"TOWN", 6, 2}});
    ASSERT_TRUE(study.Join(0, 1, false));
    ASSERT_TRUE(reference.Join(0, 1, false));
    if (forms_left) {
      study.Zap(false);
      reference.Zap(false);
    }
    TKeyWordList kws(&holder);
    TKeywordsSettingsRec32 s = Settings();
    s.SetIncludeNegativeKeywords(true);
    s.SetKeywordMaxP(0);
    ASSERT_TRUE(ComputeKeywordList({&study}, reference, s, {1000, 2000, 2, 2}, kws).success);
    EXPECT_EQ(Rows(kws), "STATE TOWN");
    EXPECT_EQ(kws.Row(0)->data.frequency, 10);
    EXPECT_EQ(kws.Row(0)->data.rc_frequency, 5);
    EXPECT_NEAR(kws.Row(0)->data.keyness, 6.969, 0.001);
    // TOWN, 3 of 1,000 against 6 of 2,000, has equal shares.
    EXPECT_NEAR(kws.Row(1)->data.keyness, 0.0, 1e-9);
  }
}

TEST(KeynessComputation, AFailedComputationKeepsTheOldList) {
  TVXBaseHolder holder;
  TVXWordList study(&holder), reference(&holder);
  AddWords(study, {{u"CAT", 10, 1}});
  AddWords(reference, {{u"CAT", 5, 1}});
  TKeyWordList kws(&holder);
  ASSERT_TRUE(ComputeKeywordList({&study}, reference, Settings(), {1000, 2000, 1, 1}, kws).success);
  ASSERT_EQ(kws.Count(), 1);
  const TKeynessOutcome o = ComputeKeywordList({&study}, reference, Settings(), {1000, 0, 1, 1}, kws);
  EXPECT_FALSE(o.success);
  EXPECT_FALSE(o.message.empty());
  EXPECT_EQ(Rows(kws), "CAT");
  EXPECT_FALSE(ComputeKeywordList({}, reference, Settings(), {1000, 2000, 1, 1}, kws).success);
  EXPECT_EQ(kws.Count(), 1);
}

}  // namespace
