// The context-word blocker: a context word counts only when no boundary of the chosen strength
// lies between it and the search word. Window "the old man sat by the sea", search word "man"
// (the = -2, old = -1, sat = 1, by = 2, the = 3, sea = 4); the boundaries are given by hand.
#include <gtest/gtest.h>

#include <array>

#include "concordance/run/context_words.h"

namespace {

const UString kWindow = u"the old man sat by the sea";
constexpr int32_t kSwStart = 8, kSwLength = 3;

// The boundary after each span position (50 the search word): `level` after the word at `after`.
std::array<uint8_t, kSpanPositions> BoundaryAfter(int after, uint8_t level) {
  std::array<uint8_t, kSpanPositions> b{};
  b[static_cast<size_t>(after)] = level;
  return b;
}

}  // namespace

TEST(ContextStop, BlockedOnlyAcrossABoundaryAtLeastTheStop) {
  struct Case {
    int after;  // span position whose boundary is set
    uint8_t level;
    int32_t distance;
    uint8_t stop;
    bool blocked;
  };
  const Case cases[] = {
      {48, 2, -1, 2, false},  // the boundary lies beyond the context word (between -2 and -1)
      {48, 2, -2, 2, true},   // ... and between -2 and the search word
      {49, 1, -1, 1, true},   // right before the search word
      {49, 1, -1, 2, false},  // punctuation does not stop at a sentence
      {49, 3, -1, 2, true},   // a paragraph end stops a sentence stop too
      {50, 2, 1, 2, true},    // right after the search word
      {50, 2, -1, 2, false},  // the other side
      {52, 5, 2, 5, false},   // after the context word itself
      {52, 5, 3, 5, true},
      {52, 5, 3, 0, false},   // no stop
      {49, 5, 0, 1, false},   // the search word's own place
  };
  for (const Case& c : cases) {
    const auto barriers = BoundaryAfter(c.after, c.level);
    EXPECT_EQ(TContextWordCheck::Blocked(barriers.data(), c.distance, c.stop), c.blocked)
        << c.after << " " << int(c.level) << " " << c.distance << " " << int(c.stop);
  }
  EXPECT_FALSE(TContextWordCheck::Blocked(nullptr, -1, 1));
}

TEST(ContextStop, ContextWordsStopButExclusionWordsDoNot) {
  TSearchTextOptions options;
  TContextWordItems context(options);
  TExclusionWordItems exclusion(options);
  // A sentence ends after "by" (2): "sea" (4) lies beyond it, "sat" (1) before it.
  const auto barriers = BoundaryAfter(52, 2);
  struct Case {
    const char16_t* context;
    const char16_t* exclusion;
    uint8_t stop;
    bool passes;
  } cases[] = {
      {u"sea", u"", 0, true},
      {u"sea", u"", 2, false},
      {u"sea", u"", 3, true},   // only paragraphs stop: the sentence end does not
      {u"sea", u"", 6, true},   // the end of the text: no line crosses it
      {u"sat", u"", 2, true},
      {u"sea\nsat", u"", 2, true},
      {u"sat", u"sea", 2, false},  // exclusion words cover the whole horizon
  };
  for (const Case& c : cases) {
    context.Clear();
    exclusion.Clear();
    if (*c.context) context.InsertSearchWordsAtTop(c.context);
    if (*c.exclusion) exclusion.InsertSearchWordsAtTop(c.exclusion);
    TContextWordCheck check(options, &context, &exclusion, 5, 5);
    check.SetContextStop(c.stop);
    EXPECT_EQ(check.Passes(kWindow, kSwStart, kSwLength, {}, barriers.data()), c.passes)
        << Utf16ToUtf8(c.context) << " / " << Utf16ToUtf8(c.exclusion) << " stop " << int(c.stop);
  }
}
