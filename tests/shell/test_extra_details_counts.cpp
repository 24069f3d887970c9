// Which texts hold the search words and how often: counted with the word-list machinery, words
// with "*" counting every word they match, a text without hits left out, missing texts passed
// over, a stop ending its own count only, and the file line a hit line belongs to.
#include <gtest/gtest.h>

#include "platform/runtime/vx_runtime.h"
#include "shell/viewers/extra_details_counts.h"
#include "support/temp_folder.h"

TEST(ExtraDetailsCounts, FilesWithHitsAndTheirCounts) {
  global_panic_state = kPanicNone;
  TempFolder tmp;
  const UString a = tmp.Write(u"a.txt", "The river and the River bank. A riverside walk.");
  const UString b = tmp.Write(u"b.txt", "Nothing of the sort here.");
  const UString c = tmp.Write(u"c.txt", "bank bank bank rivers");
  const UString gone = tmp.Path() + u"gone.txt";
  TJobToken job;
  const TExtraDetailsOutcome out = ComputeWordFrequencies({u"river", u"bank", u"river*"}, {a, b, gone, c}, job);
  EXPECT_TRUE(out.counted);
  EXPECT_FALSE(out.stopped);
  const struct {
    TExtraDetailsLine::TKind kind;
    const char16_t* file;
    const char16_t* word;
    int64_t frequency;
  } expected[] = {
      {TExtraDetailsLine::kFile, u"a.txt", u"", 0},
      {TExtraDetailsLine::kHit, u"a.txt", u"river", 2},   // case ignored
      {TExtraDetailsLine::kHit, u"a.txt", u"bank", 1},
      {TExtraDetailsLine::kHit, u"a.txt", u"river*", 3},  // river, River, riverside
      {TExtraDetailsLine::kFile, u"c.txt", u"", 0},       // b.txt has none; gone.txt is not there
      {TExtraDetailsLine::kHit, u"c.txt", u"bank", 3},
      {TExtraDetailsLine::kHit, u"c.txt", u"river*", 1},
  };
  ASSERT_EQ(out.lines.size(), std::size(expected));
  for (size_t i = 0; i < out.lines.size(); ++i) {
    const TExtraDetailsLine& l = out.lines[i];
    EXPECT_EQ(l.kind, expected[i].kind) << i;
    EXPECT_EQ(l.file, tmp.Path() + expected[i].file) << i;
    EXPECT_EQ(l.word, expected[i].word) << i;
    EXPECT_EQ(l.frequency, expected[i].frequency) << i;
  }
  EXPECT_EQ(out.lines[0].text, a);
  EXPECT_EQ(out.lines[1].text, u"  river: 2 found");
}

TEST(ExtraDetailsCounts, NothingToCountAndStops) {
  TempFolder tmp;
  const UString a = tmp.Write(u"a.txt", "river");
  TJobToken job;
  EXPECT_FALSE(ComputeWordFrequencies({}, {a}, job).counted);
  EXPECT_FALSE(ComputeWordFrequencies({u"river"}, {}, job).counted);
  // A stopped count passes over every text; the next count, with its own token, counts again.
  TJobToken stopped;
  stopped.RequestStop(TStopState::StopNow);
  const TExtraDetailsOutcome none = ComputeWordFrequencies({u"river"}, {a, a}, stopped);
  EXPECT_TRUE(none.stopped);
  EXPECT_TRUE(none.lines.empty());
  TJobToken fresh;
  const TExtraDetailsOutcome again = ComputeWordFrequencies({u"river"}, {a}, fresh);
  EXPECT_FALSE(again.stopped);
  EXPECT_EQ(again.lines.size(), 2u);
}

TEST(ExtraDetailsCounts, FrequencyOfSearchWordsWithStars) {
  const TWordFrequencies counted = {{u"RIVER", 4}, {u"RIVERS", 2}, {u"DRIVER", 1}, {u"BANK", 3}, {u"RIVER:SIDE", 1}};
  const struct {
    const char16_t* word;
    int64_t frequency;
  } cases[] = {
      {u"river", 4}, {u"River", 4}, {u"river*", 6}, {u"*river", 5}, {u"*river*", 7},
      {u"bank", 3},  {u"none", 0},  {u"", 0},       {u"river:side", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(FrequencyOfSearchWord(counted, c.word), c.frequency) << Utf16ToUtf8(c.word);
}

TEST(ExtraDetailsCounts, TheFileLineOfAHitLineAndTheFirstWords) {
  const std::vector<TExtraDetailsLine> lines = {
      {TExtraDetailsLine::kFile, u"/a", u"/a", u"", 0}, {TExtraDetailsLine::kHit, u"  x", u"/a", u"x", 1},
      {TExtraDetailsLine::kHit, u"  y", u"/a", u"y", 1}, {TExtraDetailsLine::kFile, u"/b", u"/b", u"", 0},
      {TExtraDetailsLine::kHit, u"  z", u"/b", u"z", 2},
  };
  EXPECT_EQ(FileLineOfHit(lines, 1), 0);
  EXPECT_EQ(FileLineOfHit(lines, 2), 0);
  EXPECT_EQ(FileLineOfHit(lines, 4), 3);
  EXPECT_EQ(FileLineOfHit(lines, 3), -1);  // a file line
  EXPECT_EQ(FileLineOfHit(lines, 9), -1);
  const std::vector<UString> five = {u"a", u"b", u"c", u"d", u"e"};
  EXPECT_EQ(FirstHighlightWords(five, 3), (std::vector<UString>{u"a", u"b", u"c"}));
  EXPECT_EQ(FirstHighlightWords(five, 0), (std::vector<UString>{u"a"}));
  EXPECT_TRUE(FirstHighlightWords({}, 3).empty());
}
