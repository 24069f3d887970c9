// Context and exclusion words judged for one hit at a time, in a window where the search word is
// "man": "the old man sat by the sea" (the = -2, old = -1, sat = 1, by = 2, the = 3, sea = 4).
#include <gtest/gtest.h>

#include "concordance/run/context_words.h"

namespace {

const UString kWindow = u"the old man sat by the sea";
constexpr int32_t kSwStart = 8, kSwLength = 3;

struct TRunWords {
  TSearchTextOptions options;
  TContextWordItems context{options};
  TExclusionWordItems exclusion{options};
};

bool Judge(TRunWords& run, int32_t left, int32_t right, const TSearch_word_format_rec& item = {}) {
  TContextWordCheck check(run.options, &run.context, &run.exclusion, left, right);
  return check.Passes(kWindow, kSwStart, kSwLength, item);
}

}  // namespace

TEST(ContextWords, VerdictsOfAnyAllExactAndExclusionWords) {
  struct Case {
    const char16_t* context;
    bool all, exact;
    int32_t distance;
    const char16_t* exclusion;
    int32_t left, right;
    bool passes;
  };
  const Case cases[] = {
      {u"", false, false, 0, u"", 5, 5, true},              // nothing to check
      {u"old\ndog", false, false, 0, u"", 5, 5, true},      // any: one is enough
      {u"dog", false, false, 0, u"", 5, 5, false},
      {u"old\nsea", true, false, 0, u"", 5, 5, true},       // all, and all are there
      {u"old\ndog", true, false, 0, u"", 5, 5, false},
      {u"sea", false, false, 0, u"", 5, 3, false},          // beyond the right horizon
      {u"old", false, true, -1, u"", 5, 5, true},           // exact position
      {u"old", false, true, -3, u"", 5, 5, false},          // two words off
      {u"the", false, true, -3, u"", 5, 5, true},           // "the" at -2: one word off counts
      {u"", false, false, 0, u"sea", 5, 5, false},          // an exclusion word within reach
      {u"", false, false, 0, u"sea", 5, 2, true},           // ... beyond it
      {u"old", false, false, 0, u"by", 5, 5, false},        // exclusion wins over context
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(UString(c.context) + u" / " + c.exclusion));
    TRunWords run;
    run.context.AddedSearchWords(c.context);
    run.context.require_all = c.all;
    run.context.exact_position = c.exact;
    run.context.required_distance = c.distance;
    run.exclusion.AddedSearchWords(c.exclusion);
    EXPECT_EQ(Judge(run, c.left, c.right), c.passes);
  }
}

TEST(ContextWords, EachHitIsJudgedAfresh) {
  // An excluded hit, or one that found its context words, leaves nothing behind for the next.
  TRunWords run;
  run.exclusion.AddedSearchWords(u"sea");
  run.context.AddedSearchWords(u"old");
  TContextWordCheck check(run.options, &run.context, &run.exclusion, 5, 5);
  EXPECT_FALSE(check.Passes(kWindow, kSwStart, kSwLength, {}));
  EXPECT_TRUE(check.ExclusionWordFound());
  EXPECT_TRUE(check.Passes(u"an old man went home", 7, 3, {}));
  EXPECT_FALSE(check.ExclusionWordFound());
  EXPECT_EQ(check.ContextWordsFound().Count(), 1);
  EXPECT_FALSE(check.Passes(u"a young man went home", 8, 3, {}));
  EXPECT_EQ(check.ContextWordsFound().Count(), 0);
}

TEST(ContextWords, AnItemsOwnContextWordsReplaceTheRuns) {
  TRunWords run;
  run.context.AddedSearchWords(u"dog");
  TSearch_word_format_rec item = TBaseSearchItems::MakeItem(u"man");
  EXPECT_FALSE(Judge(run, 5, 5, item));
  item.context_words = u"sat\nsea";
  item.context_require_all = true;
  EXPECT_TRUE(Judge(run, 5, 5, item));
  item.context_words = u"sat\ndog";
  EXPECT_FALSE(Judge(run, 5, 5, item));
}
