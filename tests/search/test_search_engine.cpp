// The engine's call protocol, word and unit statistics, windows, jump mode and large texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "search/search_test_support.h"

namespace {

// One sentence end after "three", one after "five" followed by a paragraph end.
TTestText UnitsText() {
  return TextBuilder()
      .Text(u"One two three")
      .Marker(u".", 15)
      .Text(u" Four five")
      .Marker(u".", 15)
      .Text(u" ")
      .Marker(u"\u00B6", 17)
      .Text(u" Six seven")
      .Build();
}

void ExpectUnits(const int32_t (&got)[4], std::initializer_list<int32_t> want, const char* what) {
  auto it = want.begin();
  for (int k = 0; k < 4; ++k, ++it) EXPECT_EQ(got[k], *it) << what << " kind " << k;
}

TEST(SearchStats, HitStatisticsAreHandCounted) {
  TTestText t = UnitsText();
  TRunResult r = RunItems(t, {u"five", u"seven", u"one"});
  ASSERT_EQ(r.hits.size(), 3u);
  const TSearchFound_Rec& five = r.hits[0];
  EXPECT_EQ(five.item_index, 0);
  EXPECT_EQ(five.hit_position, 20);
  EXPECT_EQ(five.hit_length, 4);
  EXPECT_EQ(five.stats.words_in_chunk, 4);
  ExpectUnits(five.stats.unit_number, {2, 1, 1, 1}, "five number");
  ExpectUnits(five.stats.unit_position, {2, 5, 5, 5}, "five position");
  // Units that end within the chunk come with their lengths.
  ExpectUnits(five.stats.unit_length, {2, 5, 7, 7}, "five length");
  const TSearchFound_Rec& seven = r.hits[1];
  EXPECT_EQ(seven.item_index, 1);
  EXPECT_EQ(seven.stats.words_in_chunk, 6);
  ExpectUnits(seven.stats.unit_number, {3, 2, 1, 1}, "seven number");
  ExpectUnits(seven.stats.unit_position, {2, 2, 7, 7}, "seven position");
  ExpectUnits(seven.stats.unit_length, {2, 2, 7, 7}, "seven length");
  const TSearchFound_Rec& one = r.hits[2];
  EXPECT_EQ(one.stats.words_in_chunk, 0);
  ExpectUnits(one.stats.unit_number, {1, 1, 1, 1}, "one number");
  ExpectUnits(one.stats.unit_position, {1, 1, 1, 1}, "one position");
}

// Each call closes only the kinds that ended, with their true lengths; the text end closes all.
TEST(SearchStats, UnitEndsCloseOnlyTheKindsThatEnded) {
  TTestText t = UnitsText();
  TRunResult r = RunItems(t, {u"five"});
  ASSERT_EQ(r.ends.size(), 3u);
  EXPECT_EQ(r.ends[0].words_in_chunk, 3);
  ExpectUnits(r.ends[0].unit_number, {1, 1, 1, 1}, "end 1 number");
  ExpectUnits(r.ends[0].unit_length, {3, 0, 0, 0}, "end 1 length");
  EXPECT_EQ(r.ends[1].words_in_chunk, 5);
  ExpectUnits(r.ends[1].unit_number, {2, 1, 1, 1}, "end 2 number");
  ExpectUnits(r.ends[1].unit_length, {2, 5, 0, 0}, "end 2 length");
  ExpectUnits(r.ends[1].unit_position, {2, 5, 5, 5}, "end 2 position");
  EXPECT_EQ(r.ends[2].words_in_chunk, 7);
  ExpectUnits(r.ends[2].unit_number, {3, 2, 1, 1}, "text end number");
  ExpectUnits(r.ends[2].unit_length, {2, 2, 7, 7}, "text end length");
}

TEST(SearchStats, EachUnitEndIsReportedOnce) {
  TTestText t = UnitsText();
  TSearchAndDoEngine engine(true, true, {});
  TSearchWordItems list;
  list.AddedSearchWords(u"*\nfive\nseven\none");
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  std::vector<std::string> order;
  engine.PrepareForConcordancing(
      u"t", t.text.data(), t.kinds.data(), pos,
      [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
        order.push_back("hit" + std::to_string(f.item_index) + "@" + std::to_string(f.stats.words_in_chunk));
        return f.item_index != 0;
      },
      [&](TSearchAndDoEngine& e, TSearchStatsRec& s) {
        order.push_back("end@" + std::to_string(s.words_in_chunk));
        e.FoundEnough();  // ends the first pass at its first unit end
      });
  for (int32_t i = 0; i < list.Count(); ++i) engine.SearchAndDo(*list.GetPtr(i), i);
  TSearchStatsRec text;
  engine.CopyAChunkTextStats(text);
  // The first pass stops at the end after "three"; the later passes report each further end
  // once, in text order, and none again.
  EXPECT_EQ(order, (std::vector<std::string>{"hit0@0", "hit0@1", "hit0@2", "end@3", "hit1@4", "end@5", "hit2@6",
                                             "end@7", "hit3@0"}));
  EXPECT_EQ(text.words_in_chunk, 7);
}

TEST(SearchStats, EmptyUnitsAreNeverClosed) {
  TTestText t = TextBuilder()
                    .Marker(u".", 15)
                    .Text(u"Why")
                    .Marker(u"?", 15)
                    .Marker(u"!", 15)
                    .Text(u" Yes ")
                    .Marker(u".", 15)
                    .Build();
  TRunResult r = RunItems(t, {u"yes"});
  ASSERT_EQ(r.ends.size(), 2u);
  ExpectUnits(r.ends[0].unit_length, {1, 0, 0, 0}, "why");
  // "Yes." and the text end: the sentence closed by its marker, the others by the end.
  ExpectUnits(r.ends[1].unit_length, {1, 2, 2, 2}, "yes and text end");
  ExpectUnits(r.ends[1].unit_number, {2, 1, 1, 1}, "yes number");
  ASSERT_EQ(r.hits.size(), 1u);
  ExpectUnits(r.hits[0].stats.unit_number, {2, 1, 1, 1}, "hit");
}

TEST(SearchStats, StartMarkersOpenUnits) {
  TTestText t = TextBuilder()
                    .Marker(u"<s>", 14)
                    .Text(u"a b")
                    .Marker(u"<s>", 14)
                    .Text(u"c")
                    .Marker(u"<s>", 14)
                    .Marker(u"<p>", 16)
                    .Text(u"d")
                    .Build();
  TRunResult r = RunItems(t, {u"d"});
  ASSERT_EQ(r.hits.size(), 1u);
  ExpectUnits(r.hits[0].stats.unit_number, {3, 2, 1, 1}, "d");
  ExpectUnits(r.hits[0].stats.unit_position, {1, 1, 4, 4}, "d position");
}

// A chunk sequence as the text processor runs it; returns the word total after each chunk.
struct TChunkRun {
  std::vector<TSearchFound_Rec> hits;
  std::vector<TSearchStatsRec> ends;
  TSearchStatsRec text_stats;
};

TChunkRun RunChunks(const std::vector<TTestText>& chunks, const std::vector<UString>& items,
                    std::function<bool(TSearchAndDoEngine&, const TSearchFound_Rec&, size_t chunk, int item)> on_hit,
                    std::function<bool(size_t chunk, int item)> skip_item = {}) {
  TChunkRun run;
  TSearchAndDoEngine engine(true, true, {});
  TSearchWordItems list;
  for (const UString& s : items) list.AddedSearchWords(s);
  size_t chunk = 0;
  int item = 0;
  for (chunk = 0; chunk < chunks.size(); ++chunk) {
    const TTestText& t = chunks[chunk];
    TChunkPositions pos;
    pos.length = static_cast<int32_t>(t.text.size());
    pos.chunk_index = static_cast<int32_t>(chunk);
    pos.last_chunk = chunk + 1 == chunks.size();
    int32_t counts[8] = {};
    engine.SetArrayOfTagsFound(counts);
    engine.PrepareForConcordancing(
        u"t", t.text.data(), t.kinds.data(), pos,
        [&](TSearchAndDoEngine& e, TSearchFound_Rec& f) {
          TSearchFound_Rec g = f;
          g.stats.words_in_chunk += run.text_stats.words_in_chunk;  // word number in the text (0-based)
          run.hits.push_back(g);
          return on_hit ? on_hit(e, f, chunk, item) : true;
        },
        [&](TSearchAndDoEngine&, TSearchStatsRec& s) { run.ends.push_back(s); });
    for (item = 0; item < list.Count(); ++item) {
      if (skip_item && skip_item(chunk, item)) continue;
      engine.SetCurrentItem(item);
      engine.ClearChunkTextStats();
      engine.SearchAndDo(*list.GetPtr(item), item);
    }
    engine.CopyAChunkTextStats(run.text_stats);
    engine.CopyAChunkTextStats(run.text_stats);  // a second call adds nothing
  }
  return run;
}

std::vector<TTestText> ThreeChunks() {
  return {TextBuilder().Text(u"a b c").Marker(u".", 15).Text(u" d e\n").Build(),
          TextBuilder().Text(u"f g").Marker(u".", 15).Text(u" h\n").Build(),
          TextBuilder().Text(u"i j g k").Marker(u".", 15).Build()};
}

TEST(SearchStats, UnitsAndWordsContinueAcrossChunks) {
  TChunkRun run = RunChunks(ThreeChunks(), {u"g"}, {});
  ASSERT_EQ(run.hits.size(), 2u);
  EXPECT_EQ(run.hits[0].stats.words_in_chunk, 6);  // a b c d e f g: index 6
  ExpectUnits(run.hits[0].stats.unit_number, {2, 1, 1, 1}, "first g");
  ExpectUnits(run.hits[0].stats.unit_position, {4, 7, 7, 7}, "first g position");
  EXPECT_EQ(run.hits[1].stats.words_in_chunk, 10);
  ExpectUnits(run.hits[1].stats.unit_number, {3, 1, 1, 1}, "second g");
  ExpectUnits(run.hits[1].stats.unit_position, {4, 11, 11, 11}, "second g position");
  EXPECT_EQ(run.text_stats.words_in_chunk, 12);
  // Sentence 2 (d e f g) ends in the second chunk with its whole length.
  ASSERT_EQ(run.ends.size(), 3u);
  EXPECT_EQ(run.ends[1].unit_number[0], 2);
  EXPECT_EQ(run.ends[1].unit_length[0], 4);
  // The last marker and the text end fall between the same two words: one call.
  EXPECT_EQ(run.ends[2].unit_number[0], 3);
  EXPECT_EQ(run.ends[2].unit_length[0], 5);   // h i j g k
  EXPECT_EQ(run.ends[2].unit_length[1], 12);  // the text end closes the paragraph
}

// Word totals and unit ends do not depend on the passes: a pass cut short by FoundEnough or a
// chunk in which every item is skipped counts the same.
TEST(SearchStats, ChunkWordsCountedOnceWhateverThePasses) {
  std::vector<TTestText> chunks = ThreeChunks();
  TChunkRun plain = RunChunks(chunks, {u"*", u"g"}, {});
  TChunkRun cut = RunChunks(
      chunks, {u"*", u"g"},
      [](TSearchAndDoEngine& e, const TSearchFound_Rec&, size_t, int item) {
        if (item == 0) e.FoundEnough();
        return true;
      },
      [](size_t chunk, int) { return chunk == 1; });
  EXPECT_EQ(plain.text_stats.words_in_chunk, 12);
  EXPECT_EQ(cut.text_stats.words_in_chunk, 12);
  ExpectUnits(cut.text_stats.unit_number,
              {plain.text_stats.unit_number[0], plain.text_stats.unit_number[1], plain.text_stats.unit_number[2],
               plain.text_stats.unit_number[3]},
              "numbers");
  // Every unit end reached the processor at least once.
  auto ended = [](const TChunkRun& r) {
    std::vector<std::pair<int32_t, int32_t>> e;
    for (const auto& s : r.ends) {
      if (s.unit_length[0] > 0) e.emplace_back(s.unit_number[0], s.unit_length[0]);
    }
    std::sort(e.begin(), e.end());
    e.erase(std::unique(e.begin(), e.end()), e.end());
    return e;
  };
  EXPECT_EQ(ended(cut), ended(plain));
  // The "g" in the last chunk has the same word number in both runs.
  auto last_g = [](const TChunkRun& r) {
    for (auto it = r.hits.rbegin(); it != r.hits.rend(); ++it) {
      if (it->item_index == 1) return it->stats.words_in_chunk;
    }
    return -1;
  };
  EXPECT_EQ(last_g(plain), 10);
  EXPECT_EQ(last_g(cut), 10);
}

TEST(SearchEngine, FoundEnoughEndsOnlyTheRunningPass) {
  TTestText t = Plain(u"a a a");
  TSearchAndDoEngine engine(true, true, {});
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  int calls = 0;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos,
                                 [&](TSearchAndDoEngine& e, TSearchFound_Rec&) {
                                   if (++calls == 2) e.FoundEnough();
                                   return true;
                                 },
                                 {});
  TSearch_word_format_rec a = TBaseSearchItems::MakeItem(u"a");
  EXPECT_EQ(engine.SearchAndDo(a, 0), 2);
  EXPECT_TRUE(engine.FoundEnoughSet());
  EXPECT_EQ(engine.SearchAndDo(a, 0), 3);
  EXPECT_EQ(a.hits, 5);
}

TEST(SearchEngine, InstancesToFindCountsAcceptedHits) {
  TTestText t = Plain(u"a a a a");
  TSearchAndDoEngine engine(true, true, {});
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  int calls = 0;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos,
                                 [&](TSearchAndDoEngine&, TSearchFound_Rec&) { return ++calls != 1; }, {});
  TSearch_word_format_rec a = TBaseSearchItems::MakeItem(u"a", 2);
  EXPECT_EQ(engine.SearchAndDo(a, 0), 3);  // the first hit was refused
  EXPECT_EQ(a.hits, 2);
}

// The same word numbers and statistics whether one item is searched or fifty.
TEST(SearchEngine, SameWordNumbersWithOneItemAndWithFifty) {
  std::mt19937 rng(7);
  const char16_t* vocab[] = {u"the", u"cat", u"sat", u"on", u"mat", u"dog", u"ran", u"far", u"away", u"Then"};
  TextBuilder b;
  for (int i = 0; i < 3000; ++i) {
    b.Text(vocab[rng() % 10]);
    if (rng() % 9 == 0) {
      b.Marker(u".", 15);
    }
    if (rng() % 40 == 0) b.Marker(u"\u00B6", 17);
    b.Text(u" ");
  }
  TTestText t = b.Build();
  std::vector<UString> fifty = {u"the"};
  const char16_t* more[] = {u"cat", u"sat*", u"*at", u"the cat", u"dog/far", u"on * mat", u"#", u"a*y", u"*"};
  for (int i = 0; fifty.size() < 50; ++i) fifty.push_back(UString(more[i % 9]) + (i < 9 ? u"" : u"/x" + IntToUStr(i)));
  TRunResult one = RunItems(t, {u"the"});
  TRunResult many = RunItems(t, fifty);
  std::vector<TSearchFound_Rec> the_hits;
  for (const auto& f : many.hits) {
    if (f.item_index == 0) the_hits.push_back(f);
  }
  ASSERT_EQ(one.hits.size(), the_hits.size());
  ASSERT_GT(one.hits.size(), 100u);
  for (size_t i = 0; i < the_hits.size(); ++i) {
    EXPECT_EQ(std::memcmp(&one.hits[i], &the_hits[i], sizeof(TSearchFound_Rec)), 0) << i;
  }
}

TEST(SearchEngine, PositionsAreCharacterIndicesAndFileBytesComeFromTheMap) {
  // "éé abc" as UTF-8 after a 3-byte signature: "abc" starts at character 3, file byte 8 of 11.
  std::string utf8 = "\xC3\xA9\xC3\xA9 abc";
  TChunkByteMap map;
  map.SetFromUtf8(3, reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
  EXPECT_EQ(map.FileByteOf(3), 8);
  EXPECT_EQ(map.CharAtOrAfterByte(6), 2);
  EXPECT_EQ(map.CharAtOrAfterByte(8), 3);
  TTestText t = Plain(u"\u00E9\u00E9 abc");
  TSearchAndDoEngine engine(true, true, {});
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  pos.chunk_file_offset = 3;
  pos.file_size = 11;
  pos.byte_map = &map;
  std::vector<TSearchFound_Rec> hits;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos,
                                 [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
                                   hits.push_back(f);
                                   return true;
                                 },
                                 {});
  TSearch_word_format_rec item = TBaseSearchItems::MakeItem(u"abc");
  engine.SearchAndDo(item, 0);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].hit_position, 3);
  EXPECT_EQ(hits[0].char_index, 3);
  EXPECT_EQ(hits[0].hit_length, 3);
  EXPECT_EQ(hits[0].ChunkFileOffset(), 3);
  EXPECT_FLOAT_EQ(hits[0].percent, 100.0f * 8 / 11);
  // Free fields stay 0.
  for (int32_t v : hits[0].spare) EXPECT_EQ(v, 0);
  EXPECT_EQ(hits[0].chunk_file_offset_hi, 0u);
}

TEST(SearchEngine, ByteMapOfSurrogatePairsAndFixedWidths) {
  std::string utf8 =
      "\xF0\x9D\x84\x9E"
      "a\xFF"
      "b";
  TChunkByteMap map;
  map.SetFromUtf8(100, reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
  EXPECT_EQ(map.FileByteOf(0), 100);
  EXPECT_EQ(map.FileByteOf(1), 100);
  EXPECT_EQ(map.FileByteOf(2), 104);
  EXPECT_EQ(map.FileByteOf(3), 105);  // an ill-formed byte is one character
  EXPECT_EQ(map.FileByteOf(4), 106);
  EXPECT_EQ(map.FileByteOf(5), 107);  // the end
  EXPECT_EQ(map.CharAtOrAfterByte(101), 2);
  TChunkByteMap wide;
  wide.SetFixedWidth(int64_t{5} << 32, 2);
  EXPECT_EQ(wide.FileByteOf(10), (int64_t{5} << 32) + 20);
  EXPECT_EQ(wide.CharAtOrAfterByte((int64_t{5} << 32) + 21), 11);
  TSearchFound_Rec f;
  f.SetChunkFileOffset(int64_t{5} << 32 | 7);
  EXPECT_EQ(f.chunk_file_offset_lo, 7u);
  EXPECT_EQ(f.chunk_file_offset_hi, 5u);
  EXPECT_EQ(f.ChunkFileOffset(), int64_t{5} << 32 | 7);
}

// Jump mode: hits before the jump position are passed over, one line per target, and nothing
// more for the text once the last target is used up.
TEST(SearchEngine, JumpModeOneLinePerTargetThenNothingMore) {
  TTestText t = Plain(u"a b a b a b");
  TSearchAndDoEngine engine(true, true, {});
  std::vector<int64_t> targets = {1007, 1015};  // file bytes; the chunk starts at byte 1000
  size_t next = 0;
  int64_t jump_to = targets[0];
  engine.SetJumpToSource([&] { return jump_to; });
  std::vector<int32_t> lines;
  auto found = [&](TSearchAndDoEngine& e, TSearchFound_Rec& f) {
    lines.push_back(f.hit_position);
    if (jump_to <= 0) return true;
    if (++next < targets.size()) {
      jump_to = targets[next];
    } else {
      e.FoundEnough();
    }
    return true;
  };
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  pos.last_chunk = false;
  pos.chunk_file_offset = 1000;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos, found, {});
  TSearch_word_format_rec a = TBaseSearchItems::MakeItem(u"a"), b = TBaseSearchItems::MakeItem(u"b");
  engine.SearchAndDo(a, 0);
  EXPECT_EQ(lines, (std::vector<int32_t>{4, 8}));
  EXPECT_EQ(engine.SearchAndDo(b, 1), 0);
  pos.chunk_index = 1;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos, found, {});
  EXPECT_EQ(engine.SearchAndDo(a, 0), 0);
  // A new text reads again; jumping off (0) gives every hit.
  jump_to = 0;
  pos.chunk_index = 0;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos, found, {});
  EXPECT_EQ(engine.SearchAndDo(b, 1), 3);
}

TEST(SearchEngine, ItemsMadeKnownAtOnceAndChangedItems) {
  TTestText t = Plain(u"red green blue red");
  TSearchWordItems list;
  list.AddedSearchWords(u"red\ngreen\nblue");
  TSearchAndDoEngine engine(true, true, {});
  engine.SetItems(list);
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  std::vector<std::pair<int32_t, int32_t>> got;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos,
                                 [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
                                   got.emplace_back(f.item_index, f.hit_position);
                                   return true;
                                 },
                                 {});
  for (int32_t i = 2; i >= 0; --i) engine.SearchAndDo(*list.GetPtr(i), i);
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, int32_t>>{{2, 10}, {1, 4}, {0, 0}, {0, 15}}));
  // The record of item 1 changes between passes: the engine follows it.
  got.clear();
  TSearch_word_format_rec changed = TBaseSearchItems::MakeItem(u"blue");
  engine.SearchAndDo(changed, 1);
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, int32_t>>{{1, 10}}));
}

TEST(SearchEngine, CancelStopsAPass) {
  TTestText t = Plain(u"x x x");
  TSearchAndDoEngine engine(true, true, {});
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos,
                                 [](TSearchAndDoEngine& e, TSearchFound_Rec&) {
                                   e.Cancel();
                                   return true;
                                 },
                                 {});
  TSearch_word_format_rec x = TBaseSearchItems::MakeItem(u"x");
  EXPECT_EQ(engine.SearchAndDo(x, 0), 1);
  EXPECT_EQ(engine.SearchAndDo(x, 0), 0);
  engine.ClearCancel();
  EXPECT_EQ(engine.SearchAndDo(x, 0), 1);
}

// --- windows: context and exclusion words ------------------------------------------------------

struct TWindowHit {
  std::string text;
  int32_t distance;
};

std::vector<TWindowHit> WindowSearch(TSearchAndDoEngine& engine, UStringView text, UStringView sw, UStringView item,
                                     bool enough_at_first = false) {
  std::vector<TWindowHit> out;
  int32_t start = sw.empty() ? -1 : static_cast<int32_t>(text.find(sw));
  engine.PrepareFirst(text, start, static_cast<int32_t>(sw.size()), [&](TSearchAndDoEngine& e, TSearchFound_Rec& f) {
    out.push_back({Utf16ToUtf8(text.substr(static_cast<size_t>(f.hit_position), static_cast<size_t>(f.hit_length))),
                   f.context_distance});
    if (enough_at_first) e.FoundEnough();
    return true;
  });
  TSearch_word_format_rec rec = TBaseSearchItems::MakeItem(item);
  engine.SearchAndDo(rec, 0);
  return out;
}

std::string Describe(const std::vector<TWindowHit>& hits) {
  std::string s;
  for (const auto& h : hits) s += (s.empty() ? "" : "|") + h.text + "@" + std::to_string(h.distance);
  return s;
}

TEST(SearchWindow, ContextWordsOnEitherSideWithSignedDistances) {
  TAdditionalSearchAndDoEngine ctx(false, true, {});
  const UString line = u"the old man saw a big dog today";
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"old")), "old@-2");
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"dog")), "dog@3");
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"saw")), "");  // the search word itself
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"old man")), "old man@-1");
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"man saw")), "");  // runs into the search word
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"*")), "the@-3|old@-2|man@-1|a@1|big@2|dog@3|today@4");
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"*", true)), "the@-3");
  // The search word as a phrase: distances count from its ends.
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"man saw", u"a/old")), "old@-1|a@1");
  // No search word: the whole text, distance 0.
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"", u"saw")), "saw@0");
}

TEST(SearchWindow, HorizonsAndExactGap) {
  TAdditionalSearchAndDoEngine ctx(false, true, {});
  const UString line = u"the old man saw a big dog today";
  ctx.SetHorizons(1, 3);
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"old/man/dog/today")), "man@-1|dog@3");
  ctx.SetHorizons(-1, -1);
  ctx.SetContext_exact_gap_required(-2);
  EXPECT_EQ(ctx.Context_exact_gap_required(), -2);
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"old/the/dog")), "the@-3|old@-2");
  ctx.SetContext_exact_gap_required(3);
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"old/dog")), "dog@3");
  ctx.SetContext_exact_gap_required(5);
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"dog")), "");
  ctx.SetContext_exact_gap_required(4);
  EXPECT_EQ(Describe(WindowSearch(ctx, line, u"saw", u"dog")), "dog@3");
}

TEST(SearchWindow, ExclusionWordsAndAllowablesOfTheWindow) {
  TAdditionalSearchAndDoEngine excl(false, true, {});
  EXPECT_EQ(Describe(WindowSearch(excl, u"not a good day", u"good", u"not/never")), "not@-2");
  EXPECT_EQ(Describe(WindowSearch(excl, u"a good day", u"good", u"not/never")), "");
  // Kinds given by the caller, then the allowed characters applied to the window.
  TTestText t = Plain(u"don't stop");
  TAdditionalSearchAndDoEngine ctx(false, true, {});
  int found = 0;
  ctx.PrepareFirst(
      t.text, 6, 4, [&](TSearchAndDoEngine&, TSearchFound_Rec&) { return ++found > 0; }, {}, t.kinds.data());
  TSearch_word_format_rec don = TBaseSearchItems::MakeItem(u"don");
  EXPECT_EQ(ctx.SearchAndDo(don, 0), 1);
  ctx.HandleAllowables(u"'", false, false);
  EXPECT_EQ(ctx.SearchAndDo(don, 0), 0);
  EXPECT_EQ(ctx.WordsInChunk(), 2);
}

// --- large and empty texts ---------------------------------------------------------------------

TTestText FastPlain(UString text) {
  TTestText t;
  t.kinds.assign(text.size() + 2, 0);
  ClassifyChars(text.data(), text.size(), t.kinds.data());
  t.text = std::move(text);
  return t;
}

TEST(SearchLarge, OneFiftyMegabyteLine) {
  const UString piece = u"lorem ipsum dolor sit amet, ";
  const size_t reps = (50u << 20) / (2 * piece.size());
  UString text;
  text.reserve(reps * piece.size());
  for (size_t i = 0; i < reps; ++i) text += piece;
  TTestText t = FastPlain(std::move(text));
  TSearchAndDoEngine engine(true, true, {});
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  int64_t hits = 0;
  int32_t last_word = -1;
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos,
                                 [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
                                   ++hits;
                                   last_word = f.stats.words_in_chunk;
                                   return true;
                                 },
                                 {});
  TSearch_word_format_rec item = TBaseSearchItems::MakeItem(u"dol*");
  engine.SearchAndDo(item, 0);
  EXPECT_EQ(hits, static_cast<int64_t>(reps));
  EXPECT_EQ(last_word, static_cast<int32_t>(5 * reps - 3));
  TSearchStatsRec stats;
  engine.CopyAChunkTextStats(stats);
  EXPECT_EQ(stats.words_in_chunk, static_cast<int32_t>(5 * reps));
}

TEST(SearchLarge, OneHugeWord) {
  TTestText t = FastPlain(UString(4u << 20, u'a') + u"b");
  TRunResult r = RunItems(t, {u"*b", u"a*a", u"*", u"ab"});
  ASSERT_EQ(r.hits.size(), 2u);
  EXPECT_EQ(r.hits[0].item_index, 0);
  EXPECT_EQ(r.hits[1].item_index, 2);
  EXPECT_EQ(r.hits[1].hit_length, static_cast<int32_t>((4u << 20) + 1));
}

TEST(SearchLarge, NothingButSeparatorsAndAChunkWithoutLetters) {
  UString seps;
  for (int i = 0; i < (1 << 20); ++i) seps.push_back(u" .,;:!?\n\t-()"[i % 12]);
  TTestText t = FastPlain(seps);
  for (size_t i = 0; i < t.text.size(); i += 97) t.kinds[i] = kKindMarkerBase + 15;  // sentence ends too
  TRunResult r = RunItems(t, {u"*", u"#", u"a", u"* *"});
  EXPECT_TRUE(r.hits.empty());
  EXPECT_TRUE(r.ends.empty());
  TSearchAndDoEngine engine(true, true, {});
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  engine.PrepareForConcordancing(u"t", t.text.data(), t.kinds.data(), pos, {}, {});
  EXPECT_EQ(engine.WordsInChunk(), 0);
  TSearchStatsRec stats;
  engine.CopyAChunkTextStats(stats);
  EXPECT_EQ(stats.words_in_chunk, 0);
  ExpectUnits(stats.unit_number, {1, 1, 1, 1}, "never marked stays 1");
  // An empty chunk and a null buffer.
  engine.PrepareForConcordancing(u"t", nullptr, nullptr, pos, {}, {});
  TSearch_word_format_rec star = TBaseSearchItems::MakeItem(u"*");
  EXPECT_EQ(engine.SearchAndDo(star, 0), 0);
}

}  // namespace
