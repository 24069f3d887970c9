#include <gtest/gtest.h>

#include <map>

#include "wordlist/analysis_test_support.h"
#include "wordlist/mutual_info_processing.h"

namespace {

using analysistest::THandCorpus;

// The pairs of base word w in the corpus, as "word2:joint/texts@gap" in type order.
std::string Pairs(const THandCorpus& c, const std::string& w, const TPairCountSettings& s) {
  TCollocateCounter counter;
  counter.Prepare(static_cast<int64_t>(c.words.size()), s.span);
  std::vector<TCollocateCount> out;
  const std::vector<int32_t> places = c.Places(w);
  CountCollocatesOfBaseWord(c.recs.data(), static_cast<int64_t>(c.recs.size()), places, c.Type(w), s, counter, out);
  std::string text;
  for (const TCollocateCount& p : out)
    text += (text.empty() ? "" : " ") + c.words[p.type] + ":" + std::to_string(p.joint) + "/" + std::to_string(p.texts) +
            "@" + std::to_string(p.gap);
  return text;
}

TPairCountSettings Span(int32_t span, bool both_sides, uint8_t stop_at = 0) {
  TPairCountSettings s;
  s.span = span;
  s.left_and_right = both_sides;
  s.stop_at = stop_at;
  return s;
}

TEST(RelationshipPairs, CountsJointTextsAndGap) {
  const struct {
    const char* corpus;
    const char* base;
    TPairCountSettings settings;
    const char* pairs;
  } cases[] = {
      // 3 + 2 occurrences in two texts: joint 5, texts 2.
      {"a b a b a b / a b a b /", "a", Span(1, false), "b:5/2@1"},
      // Distances 2 and 1 once each: the nearest of equals.
      {"a x b / a b x /", "a", Span(3, false), "x:2/2@1 b:2/2@1"},
      {"a x b / a x b / a b /", "a", Span(3, false), "x:2/2@1 b:3/3@2"},
      // A base word at the very start: nothing to the left, and no record before the first.
      {"a b c", "a", Span(2, true), "b:1/1@1 c:1/1@2"},
      // Left and right count at the same distance.
      {"c b a b c", "a", Span(2, true), "c:2/1@2 b:2/1@1"},
      // The last running word ends the span to the right.
      {"x y a", "a", Span(5, false), ""},
  };
  for (const auto& c : cases) {
    THandCorpus corpus(c.corpus);
    EXPECT_EQ(Pairs(corpus, c.base, c.settings), c.pairs) << c.corpus;
  }
}

TEST(RelationshipPairs, UnitEndsStopTheSpanAsTheStopAtSettingSays) {
  const struct {
    const char* corpus;
    uint8_t stop_at;
    bool both_sides;
    const char* pairs;
  } cases[] = {
      // With stop-at 0 only the end of a text ends a span, on either side.
      {"x y a / b c", 0, true, "x:1/1@2 y:1/1@1"},
      {"b c / a x y", 0, true, "x:1/1@1 y:1/1@2"},
      {"p a b . c d", 0, true, "p:1/1@1 b:1/1@1 c:1/1@2 d:1/1@3"},
      // A sentence end after b: punctuation and sentences stop there, paragraphs do not.
      {"p a b . c d", 1, true, "p:1/1@1 b:1/1@1"},
      {"p a b . c d", 2, true, "p:1/1@1 b:1/1@1"},
      {"p a b . c d", 3, true, "p:1/1@1 b:1/1@1 c:1/1@2 d:1/1@3"},
      // A paragraph end without a sentence end still ends a sentence's span.
      {"p a b | c d", 2, true, "p:1/1@1 b:1/1@1"},
      {"p a b | c d", 5, true, "p:1/1@1 b:1/1@1"},
      // A mark on the base word itself stops the right side at once.
      {"p a . b c", 2, true, "p:1/1@1"},
      // On the left, a word that ends a unit lies beyond it.
      {"c , b a", 1, true, "b:1/1@1"},
      {"c , b a", 2, true, "c:1/1@2 b:1/1@1"},
  };
  for (const auto& c : cases) {
    THandCorpus corpus(c.corpus);
    EXPECT_EQ(Pairs(corpus, "a", Span(3, c.both_sides, c.stop_at)), c.pairs) << c.corpus << " stop " << int(c.stop_at);
  }
}

TEST(RelationshipPairs, TheStopTestOfEachSetting) {
  // Rows: markers 0, 1, 2, 4, 8; columns: stop-at 0..6.
  const char* expected[] = {"0000000", "0100000", "0110000", "0111110", "1111111"};
  const uint32_t markers[] = {0, 1, 2, 4, 8};
  for (int m = 0; m < 5; ++m)
    for (uint8_t s = 0; s <= 6; ++s)
      EXPECT_EQ(ClusterBreaksAfter(markers[m], s), expected[m][s] == '1') << markers[m] << " at " << int(s);
}

TEST(RelationshipPairs, SameWordHashAndMinimumJoint) {
  THandCorpus corpus("a a x a a x a");
  TPairCountSettings s = Span(1, false);
  EXPECT_EQ(Pairs(corpus, "a", s), "a:2/1@1 x:2/1@1");
  s.omit_same_word = true;
  EXPECT_EQ(Pairs(corpus, "a", s), "x:2/1@1");
  s.hash_type = corpus.Type("x");
  EXPECT_EQ(Pairs(corpus, "a", s), "");
  s = Span(2, true);
  s.min_joint = 4;
  EXPECT_EQ(Pairs(corpus, "a", s), "a:8/1@1 x:7/1@1");
  s.min_joint = 8;
  EXPECT_EQ(Pairs(corpus, "a", s), "a:8/1@1");
}

TEST(RelationshipPairs, TheCounterStartsAfreshForEachBaseWord) {
  THandCorpus corpus("a b c a b c d");
  TCollocateCounter counter;
  counter.Prepare(static_cast<int64_t>(corpus.words.size()), 2);
  std::vector<TCollocateCount> first, again;
  const TPairCountSettings s = Span(2, true);
  CountCollocatesOfBaseWord(corpus.recs.data(), 7, corpus.Places("a"), corpus.Type("a"), s, counter, first);
  std::vector<TCollocateCount> other;
  CountCollocatesOfBaseWord(corpus.recs.data(), 7, corpus.Places("d"), corpus.Type("d"), s, counter, other);
  CountCollocatesOfBaseWord(corpus.recs.data(), 7, corpus.Places("a"), corpus.Type("a"), s, counter, again);
  ASSERT_EQ(first.size(), again.size());
  for (size_t k = 0; k < first.size(); ++k) {
    EXPECT_EQ(first[k].type, again[k].type);
    EXPECT_EQ(first[k].joint, again[k].joint);
  }
}

// --- rows --------------------------------------------------------------------------------------

struct RowsFixture {
  TRelationshipSettingsRec settings{};
  std::map<uint32_t, std::pair<int32_t, UString>> types;
  std::vector<UString> stop_words;
  bool stop_list = false;
  RowsFixture() {
    settings.Clear();
    settings.SetSpan(5);
    settings.SetLeftAndRight(true);
    settings.SetMinTexts(1);
    settings.SetMinFrequencyWord2(1);
    types[1] = {20, u"BANK"};
    types[2] = {5, u"THE"};
    types[3] = {3, u"MUD"};
  }
  std::vector<TPairRow> Make(const std::vector<TCollocateCount>& pairs, int32_t* drops = nullptr) {
    TPairRowContext c;
    c.settings = &settings;
    c.running_words = 1000;
    c.type_of = [&](uint32_t t, int32_t& f, UString& w) {
      auto it = types.find(t);
      if (it == types.end()) return false;
      f = it->second.first;
      w = it->second.second;
      return true;
    };
    if (stop_list)
      c.in_stop_list = [&](uint32_t, const UString& w) { return std::find(stop_words.begin(), stop_words.end(), w) != stop_words.end(); };
    std::vector<TPairRow> out;
    int32_t dropped = 0;
    MakePairRows(0, 10, u"RIVER", pairs, c, out, dropped);
    if (drops) *drops = dropped;
    return out;
  }
  static std::string Words(const std::vector<TPairRow>& rows) {
    std::string s;
    for (const TPairRow& r : rows) s += (s.empty() ? "" : " ") + Utf16ToUtf8(r.word1) + "-" + Utf16ToUtf8(r.word2);
    return s;
  }
};

TEST(RelationshipRows, TheElevenValuesOfOnePairByHand) {
  RowsFixture f;
  const std::vector<TPairRow> rows = f.Make({{1, 2, 4, 3}});
  ASSERT_EQ(rows.size(), 1u);
  const TMutualInfoRec& r = rows[0].rec;
  EXPECT_EQ(r.texts, 2);
  EXPECT_EQ(r.freq1, 10);
  EXPECT_EQ(r.freq2, 20);
  EXPECT_EQ(r.joint, 4);
  EXPECT_EQ(r.gap, 3);
  EXPECT_EQ(r.type1, 0);
  EXPECT_EQ(r.type2, 1);
  // joint 4, f1 10, f2 20, N 1000, span 5 + 5: E = 2; the table of words, 100 within the spans:
  // 4 96 / 16 884.
  const double expected[kRelationshipStatsCount] = {0.2666667, 1.0, 5.0,  1.4071980, 1.8217489, 1.0,
                                                    1.1699250, 0.04, 0.2, 0.0222222, 0.1020408};
  for (int s = 0; s < kRelationshipStatsCount; ++s) EXPECT_NEAR(r.stats[s], expected[s], 1e-5) << RelationshipAsString(s).size() << " " << s;
  // To the right only, the span pair is (0, 5): E = 1, MI = 2.
  f.settings.SetLeftAndRight(false);
  EXPECT_NEAR(f.Make({{1, 2, 4, 3}})[0].rec.stats[kRelMI], 2.0, 1e-6);
}

TEST(RelationshipRows, BothWaysMirrorsWithItsOwnValues) {
  RowsFixture f;
  f.settings.SetBothWays(true);
  const std::vector<TPairRow> rows = f.Make({{1, 2, 4, 3}});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(RowsFixture::Words(rows), "RIVER-BANK BANK-RIVER");
  const TMutualInfoRec& m = rows[1].rec;
  EXPECT_EQ(m.freq1, 20);
  EXPECT_EQ(m.freq2, 10);
  EXPECT_EQ(m.type1, 1);
  EXPECT_EQ(m.type2, 0);
  EXPECT_EQ(m.joint, 4);
  EXPECT_EQ(m.texts, 2);
  // MI stays; the others are the mirror's own (the spans are BANK's now: 200 words, table
  // 4 196 / 6 794).
  EXPECT_FLOAT_EQ(m.stats[kRelMI], rows[0].rec.stats[kRelMI]);
  EXPECT_NEAR(m.stats[kRelLogLikelihood], 2.1183092, 1e-5);
  EXPECT_NEAR(m.stats[kRelCondProbA], 0.02, 1e-6);
  EXPECT_NEAR(m.stats[kRelCondProbB], 0.4, 1e-6);
  EXPECT_NEAR(m.stats[kRelDeltaPA], 0.0125, 1e-6);
  EXPECT_NEAR(m.stats[kRelDeltaPB], 0.2020202, 1e-6);
  EXPECT_NEAR(m.stats[kRelZScore], 1.3784797, 1e-5);
  EXPECT_NEAR(m.stats[kRelLogRatio], 1.4150375, 1e-5);
}

TEST(RelationshipRows, MinimumTextsWord2FrequencyAndUnknownTypes) {
  RowsFixture f;
  const std::vector<TCollocateCount> pairs = {{1, 2, 4, 1}, {2, 1, 3, 1}, {3, 3, 3, 1}, {9, 5, 5, 1}};
  EXPECT_EQ(RowsFixture::Words(f.Make(pairs)), "RIVER-BANK RIVER-THE RIVER-MUD");
  f.settings.SetMinTexts(2);
  EXPECT_EQ(RowsFixture::Words(f.Make(pairs)), "RIVER-BANK RIVER-MUD");
  f.settings.SetMinFrequencyWord2(4);
  EXPECT_EQ(RowsFixture::Words(f.Make(pairs)), "RIVER-BANK");
}

TEST(RelationshipRows, StopListOptions) {
  const struct {
    uint8_t option;
    std::vector<UString> stop;
    const char* words;
    int32_t drops;
  } cases[] = {{0, {u"RIVER", u"THE"}, "RIVER-BANK RIVER-THE", 0},
               {1, {u"THE"}, "RIVER-BANK RIVER-THE", 0},
               {1, {u"RIVER"}, "", 2},
               {2, {u"THE"}, "RIVER-BANK", 1},
               {2, {u"RIVER"}, "RIVER-BANK RIVER-THE", 0},
               {3, {u"THE"}, "RIVER-BANK", 1},
               {3, {u"RIVER"}, "", 2}};
  for (const auto& c : cases) {
    RowsFixture f;
    f.stop_list = true;
    f.stop_words = c.stop;
    f.settings.SetStopListOption(c.option);
    int32_t drops = 0;
    EXPECT_EQ(RowsFixture::Words(f.Make({{1, 1, 4, 1}, {2, 1, 3, 1}}, &drops)), c.words) << int(c.option);
    EXPECT_EQ(drops, c.drops) << int(c.option);
  }
}

TEST(RelationshipRows, AllOrAnyThresholds) {
  // BANK: MI 1 (joint 4); MUD: joint 3, f2 3, E 0.3, MI 3.32.
  const struct {
    bool all;
    float mi, t;
    const char* words;
  } cases[] = {{true, 2.0f, -100.0f, "RIVER-MUD"},
               {true, 0.5f, -100.0f, "RIVER-BANK RIVER-MUD"},
               {true, 2.0f, 1.5f, "RIVER-MUD"},
               {true, 0.5f, 1.5f, "RIVER-MUD"},
               {false, 2.0f, 100.0f, "RIVER-MUD"},
               {false, 100.0f, 100.0f, ""}};
  for (const auto& c : cases) {
    RowsFixture f;
    f.settings.SetAllMustPass(c.all);
    for (int s = 0; s < kRelationshipStatsCount; ++s) f.settings.SetThreshold(s, c.all ? -100.0f : 100.0f);
    f.settings.SetThreshold(kRelMI, c.mi);
    f.settings.SetThreshold(kRelTScore, c.t);
    EXPECT_EQ(RowsFixture::Words(f.Make({{1, 1, 4, 1}, {3, 1, 3, 1}})), c.words) << c.all << " " << c.mi << " " << c.t;
  }
}

}  // namespace
