// The engine's call protocol, word and unit statistics, windows, jump mode and large texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "search/search_test_support.h"

namespace {

// "w<word> n<unit numbers> p<positions in the units> l<unit lengths>"; the kinds are sentence,
// paragraph, heading and section.
std::string Stats(const TSearchStatsRec& s) {
  auto four = [](const int32_t (&a)[kUnitKinds]) {
    return std::to_string(a[0]) + "," + std::to_string(a[1]) + "," + std::to_string(a[2]) + "," + std::to_string(a[3]);
  };
  return "w" + std::to_string(s.words_in_chunk) + " n" + four(s.unit_number) + " p" + four(s.unit_position) + " l" +
         four(s.unit_length);
}

// One chunk prepared for concordancing: hits are kept (when keep_hits), on_hit answers for the
// processor and on_end hears of the unit ends.
struct TOneChunk {
  explicit TOneChunk(TTestText text) : t(std::move(text)) { pos.length = static_cast<int32_t>(t.text.size()); }
  void Prepare() {
    engine.PrepareForConcordancing(
        u"t", t.text.data(), t.kinds.data(), pos,
        [this](TSearchAndDoEngine& e, TSearchFound_Rec& f) {
          if (keep_hits) hits.push_back(f);
          return on_hit ? on_hit(e, f) : true;
        },
        [this](TSearchAndDoEngine& e, TSearchStatsRec& s) {
          if (on_end) on_end(e, s);
        });
  }
  int32_t Search(UStringView item, int32_t index = 0) {
    TSearch_word_format_rec r = TBaseSearchItems::MakeItem(item);
    return engine.SearchAndDo(r, index);
  }
  std::vector<int32_t> Positions() const {
    std::vector<int32_t> out;
    for (const auto& f : hits) out.push_back(f.hit_position);
    return out;
  }
  TTestText t;
  TSearchAndDoEngine engine{true, true, {}};
  TChunkPositions pos;
  std::vector<TSearchFound_Rec> hits;
  bool keep_hits = true;
  std::function<bool(TSearchAndDoEngine&, TSearchFound_Rec&)> on_hit;
  std::function<void(TSearchAndDoEngine&, TSearchStatsRec&)> on_end;
};

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

TEST(SearchStats, HitStatisticsAreHandCounted) {
  TRunResult r = RunItems(UnitsText(), {u"five", u"seven", u"one"});
  ASSERT_EQ(r.hits.size(), 3u);
  EXPECT_EQ(std::vector<int32_t>({r.hits[0].item_index, r.hits[0].hit_position, r.hits[0].hit_length}),
            std::vector<int32_t>({0, 20, 4}));
  // Units that end within the chunk come with their lengths.
  EXPECT_EQ(Stats(r.hits[0].stats), "w4 n2,1,1,1 p2,5,5,5 l2,5,7,7");
  EXPECT_EQ(r.hits[1].item_index, 1);
  EXPECT_EQ(Stats(r.hits[1].stats), "w6 n3,2,1,1 p2,2,7,7 l2,2,7,7");
  EXPECT_EQ(Stats(r.hits[2].stats), "w0 n1,1,1,1 p1,1,1,1 l3,5,7,7");
}

// Each call closes only the kinds that ended, with their true lengths; the text end closes all.
TEST(SearchStats, UnitEndsCloseOnlyTheKindsThatEnded) {
  TRunResult r = RunItems(UnitsText(), {u"five"});
  ASSERT_EQ(r.ends.size(), 3u);
  EXPECT_EQ(Stats(r.ends[0]), "w3 n1,1,1,1 p3,3,3,3 l3,0,0,0");
  EXPECT_EQ(Stats(r.ends[1]), "w5 n2,1,1,1 p2,5,5,5 l2,5,0,0");
  EXPECT_EQ(Stats(r.ends[2]), "w7 n3,2,1,1 p2,2,7,7 l2,2,7,7");
}

TEST(SearchStats, EachUnitEndIsReportedOnce) {
  TOneChunk c(UnitsText());
  std::vector<std::string> order;
  c.on_hit = [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
    order.push_back("hit" + std::to_string(f.item_index) + "@" + std::to_string(f.stats.words_in_chunk));
    return f.item_index != 0;
  };
  c.on_end = [&](TSearchAndDoEngine& e, TSearchStatsRec& s) {
    order.push_back("end@" + std::to_string(s.words_in_chunk));
    e.FoundEnough();  // ends the first pass at its first unit end
  };
  c.Prepare();
  TSearchWordItems list;
  list.AddedSearchWords(u"*\nfive\nseven\none");
  for (int32_t i = 0; i < list.Count(); ++i) c.engine.SearchAndDo(*list.GetPtr(i), i);
  TSearchStatsRec text;
  c.engine.CopyAChunkTextStats(text);
  // The first pass stops at the end after "three"; the later passes report each further end
  // once, in text order, and none again.
  EXPECT_EQ(order, (std::vector<std::string>{"hit0@0", "hit0@1", "hit0@2", "end@3", "hit1@4", "end@5", "hit2@6",
                                             "end@7", "hit3@0"}));
  EXPECT_EQ(text.words_in_chunk, 7);
}

TEST(SearchStats, EmptyUnitsAreNeverClosedAndStartMarkersOpenUnits) {
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
  EXPECT_EQ(Stats(r.ends[0]), "w1 n1,1,1,1 p1,1,1,1 l1,0,0,0");
  // "Yes." and the text end: the sentence closed by its marker, the others by the end.
  EXPECT_EQ(Stats(r.ends[1]), "w2 n2,1,1,1 p1,2,2,2 l1,2,2,2");
  ASSERT_EQ(r.hits.size(), 1u);
  EXPECT_EQ(Stats(r.hits[0].stats), "w1 n2,1,1,1 p1,2,2,2 l1,2,2,2");

  t = TextBuilder()
          .Marker(u"<s>", 14)
          .Text(u"a b")
          .Marker(u"<s>", 14)
          .Text(u"c")
          .Marker(u"<s>", 14)
          .Marker(u"<p>", 16)
          .Text(u"d")
          .Build();
  r = RunItems(t, {u"d"});
  ASSERT_EQ(r.hits.size(), 1u);
  EXPECT_EQ(Stats(r.hits[0].stats), "w3 n3,2,1,1 p1,1,4,4 l1,1,4,4");
}

// A chunk sequence as the text processor runs it.
struct TChunkRun {
  std::vector<TSearchFound_Rec> hits;
  std::vector<TSearchStatsRec> ends;
  TSearchStatsRec text_stats;
};

TChunkRun RunChunks(const std::vector<TTestText>& chunks, const std::vector<UString>& items,
                    std::function<bool(TSearchAndDoEngine&, int item)> on_hit = {},
                    std::function<bool(size_t chunk, int item)> skip_item = {}) {
  TChunkRun run;
  TSearchAndDoEngine engine(true, true, {});
  TSearchWordItems list;
  for (const UString& s : items) list.AddedSearchWords(s);
  int item = 0;
  for (size_t chunk = 0; chunk < chunks.size(); ++chunk) {
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
          return on_hit ? on_hit(e, item) : true;
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
  TChunkRun run = RunChunks(ThreeChunks(), {u"g"});
  ASSERT_EQ(run.hits.size(), 2u);
  // a b c d e f g: word 6.
  EXPECT_EQ(Stats(run.hits[0].stats), "w6 n2,1,1,1 p4,7,7,7 l4,0,0,0");
  EXPECT_EQ(Stats(run.hits[1].stats), "w10 n3,1,1,1 p4,11,11,11 l5,12,12,12");
  EXPECT_EQ(run.text_stats.words_in_chunk, 12);
  ASSERT_EQ(run.ends.size(), 3u);
  // Sentence 2 (d e f g) ends in the second chunk with its whole length.
  EXPECT_EQ(run.ends[1].unit_number[0], 2);
  EXPECT_EQ(run.ends[1].unit_length[0], 4);
  // The last marker and the text end fall between the same two words: one call.
  EXPECT_EQ(Stats(run.ends[2]), "w4 n3,1,1,1 p5,12,12,12 l5,12,12,12");
}

// Word totals and unit ends do not depend on the passes: a pass cut short by FoundEnough or a
// chunk in which every item is skipped counts the same.
TEST(SearchStats, ChunkWordsCountedOnceWhateverThePasses) {
  std::vector<TTestText> chunks = ThreeChunks();
  TChunkRun plain = RunChunks(chunks, {u"*", u"g"});
  TChunkRun cut = RunChunks(
      chunks, {u"*", u"g"},
      [](TSearchAndDoEngine& e, int item) {
        if (item == 0) e.FoundEnough();
        return true;
      },
      [](size_t chunk, int) { return chunk == 1; });
  EXPECT_EQ(plain.text_stats.words_in_chunk, 12);
  EXPECT_EQ(Stats(cut.text_stats), Stats(plain.text_stats));
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
  EXPECT_EQ(plain.hits.back().item_index, 1);
  EXPECT_EQ(plain.hits.back().stats.words_in_chunk, 10);
  EXPECT_EQ(cut.hits.back().item_index, 1);
  EXPECT_EQ(cut.hits.back().stats.words_in_chunk, 10);
}

TEST(SearchEngine, FoundEnoughCancelAndInstancesEndOnlyTheRunningPass) {
  TOneChunk c(Plain(u"a a a a"));
  c.on_hit = [&](TSearchAndDoEngine& e, TSearchFound_Rec&) {
    if (c.hits.size() == 2) e.FoundEnough();
    return true;
  };
  c.Prepare();
  TSearch_word_format_rec a = TBaseSearchItems::MakeItem(u"a");
  EXPECT_EQ(c.engine.SearchAndDo(a, 0), 2);
  EXPECT_TRUE(c.engine.FoundEnoughSet());
  EXPECT_EQ(c.engine.SearchAndDo(a, 0), 4);
  EXPECT_EQ(a.hits, 6);
  // Instances to find count the accepted hits only.
  c.on_hit = [&](TSearchAndDoEngine&, TSearchFound_Rec&) { return c.hits.size() != 7; };
  a = TBaseSearchItems::MakeItem(u"a", 2);
  EXPECT_EQ(c.engine.SearchAndDo(a, 0), 3);  // the first hit was refused
  EXPECT_EQ(a.hits, 2);
  // Cancelling stops the pass after its call-back, and every later one until cleared.
  c.on_hit = [](TSearchAndDoEngine& e, TSearchFound_Rec&) {
    e.Cancel();
    return true;
  };
  EXPECT_EQ(c.Search(u"a"), 1);
  EXPECT_EQ(c.Search(u"a"), 0);
  c.engine.ClearCancel();
  EXPECT_EQ(c.Search(u"a"), 1);
}

// The same word numbers and statistics whether one item is searched or fifty.
TEST(SearchEngine, SameWordNumbersWithOneItemAndWithFifty) {
  std::mt19937 rng(7);
  const char16_t* vocab[] = {u"the", u"cat", u"sat", u"on", u"mat", u"dog", u"ran", u"far", u"away", u"Then"};
  TextBuilder b;
  for (int i = 0; i < 3000; ++i) {
    b.Text(vocab[rng() % 10]);
    if (rng() % 9 == 0) b.Marker(u".", 15);
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

// Each item's hits carry the same statistics whether it is searched alone or after other items
// (whose passes moved on through the chunk's unit ends first): random texts with ends of every
// unit kind, some frequent, some never met, some only at the chunk's end; items in either order.
TEST(SearchStats, EachItemsHitStatisticsAreTheSameAloneAndAfterOthers) {
  std::mt19937 rng(31);
  const char16_t* vocab[] = {u"the", u"cat", u"sat", u"on", u"mat", u"dog", u"ran", u"far", u"away", u"Then"};
  const int kinds[] = {15, 17, 19, 21};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    TextBuilder b;
    const int words = 50 + static_cast<int>(rng() % 2000);
    unsigned every[4];
    for (unsigned& e : every) e = rng() % 3 == 0 ? 0 : 2 + rng() % 60;  // 0: never
    for (int i = 0; i < words; ++i) {
      b.Text(vocab[rng() % 10]);
      for (int k = 0; k < 4; ++k)
        if (every[k] != 0 && rng() % every[k] == 0) b.Marker(k == 0 ? u"." : u"\u00B6", kinds[k]);
      b.Text(u" ");
    }
    const TTestText t = b.Build();
    const std::vector<UString> items = {u"dog", u"the", u"far/away", u"Then"};
    const bool last_chunk = round % 2 == 0;
    std::vector<std::vector<TSearchFound_Rec>> alone(items.size());
    for (size_t i = 0; i < items.size(); ++i) alone[i] = RunItems(t, {items[i]}, {}, last_chunk).hits;
    for (const bool reversed : {false, true}) {
      std::vector<UString> order = items;
      if (reversed) std::reverse(order.begin(), order.end());
      const TRunResult all = RunItems(t, order, {}, last_chunk);
      std::vector<std::vector<TSearchFound_Rec>> of_item(items.size());
      for (const TSearchFound_Rec& f : all.hits)
        of_item[reversed ? items.size() - 1 - static_cast<size_t>(f.item_index) : static_cast<size_t>(f.item_index)]
            .push_back(f);
      for (size_t i = 0; i < items.size(); ++i) {
        ASSERT_EQ(of_item[i].size(), alone[i].size()) << Utf16ToUtf8(items[i]);
        for (size_t h = 0; h < alone[i].size(); ++h)
          EXPECT_EQ(Stats(of_item[i][h].stats), Stats(alone[i][h].stats)) << Utf16ToUtf8(items[i]) << " hit " << h;
      }
    }
  }
}

// With only some kinds of unit end wanted, the statistics call-back hears exactly the ends that
// end one of them (the others are passed over), with the same records; the hits and the chunk's
// counts are unchanged. Every mask, over a text with ends of every kind, in one chunk and two.
TEST(SearchStats, OnlyTheUnitEndsWantedAreReported) {
  std::mt19937 rng(5);
  const char16_t* vocab[] = {u"the", u"cat", u"sat", u"on", u"mat", u"dog"};
  const int kinds[] = {15, 17, 19, 21};
  TextBuilder b;
  for (int i = 0; i < 600; ++i) {
    b.Text(vocab[rng() % 6]);
    for (int k = 0; k < 4; ++k)
      if (rng() % (4 + 6 * k) == 0) b.Marker(k == 0 ? u"." : u"\u00B6", kinds[k]);
    b.Text(u" ");
  }
  const TTestText t = b.Build();
  auto run = [&](uint32_t wanted, bool last_chunk) {
    TOneChunk c(t);
    c.pos.last_chunk = last_chunk;
    std::vector<std::string> heard;
    c.on_end = [&](TSearchAndDoEngine&, TSearchStatsRec& s) { heard.push_back(Stats(s)); };
    if (wanted != ~0u) c.engine.SetUnitEndsWanted(wanted);
    c.Prepare();
    c.Search(u"dog", 0);
    c.Search(u"cat/mat", 1);
    TSearchStatsRec text;
    c.engine.CopyAChunkTextStats(text);
    heard.push_back("text " + Stats(text));
    for (const TSearchFound_Rec& f : c.hits) heard.push_back("hit " + std::to_string(f.hit_position) + " " + Stats(f.stats));
    return heard;
  };
  for (const bool last_chunk : {true, false}) {
    const std::vector<std::string> all = run(~0u, last_chunk);
    for (uint32_t wanted = 0; wanted < 16; ++wanted) {
      SCOPED_TRACE(testing::Message() << "wanted " << wanted << " last chunk " << last_chunk);
      std::vector<std::string> expected;
      for (const std::string& line : all) {
        if (line.rfind("w", 0) == 0) {
          // An end's record names the kinds it ended by their lengths (the fourth group).
          const std::string lengths = line.substr(line.find(" l") + 2);
          int k = 0;
          bool wanted_end = false;
          for (size_t from = 0; k < kUnitKinds; ++k) {
            const size_t comma = lengths.find(',', from);
            const int len = std::stoi(lengths.substr(from, comma - from));
            if (len > 0 && (wanted & (1u << k)) != 0) wanted_end = true;
            from = comma + 1;
          }
          if (!wanted_end) continue;
        }
        expected.push_back(line);
      }
      EXPECT_EQ(run(wanted, last_chunk), expected);
    }
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
  TOneChunk c(Plain(u"\u00E9\u00E9 abc"));
  c.pos.chunk_file_offset = 3;
  c.pos.file_size = 11;
  c.pos.byte_map = &map;
  c.Prepare();
  c.Search(u"abc");
  ASSERT_EQ(c.hits.size(), 1u);
  const TSearchFound_Rec& f = c.hits[0];
  EXPECT_EQ(std::vector<int64_t>({f.hit_position, f.char_index, f.hit_length, f.ChunkFileOffset()}),
            std::vector<int64_t>({3, 3, 3, 3}));
  EXPECT_FLOAT_EQ(f.percent, 100.0f * 8 / 11);
  // Free fields stay 0.
  for (int32_t v : f.spare) EXPECT_EQ(v, 0);
  EXPECT_EQ(f.chunk_file_offset_hi, 0u);
}

TEST(SearchEngine, ByteMapOfSurrogatePairsAndFixedWidths) {
  std::string utf8 = "\xF0\x9D\x84\x9E" "a\xFF" "b";
  TChunkByteMap map;
  map.SetFromUtf8(100, reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
  // The pair's two units share its first byte; an ill-formed byte is one character; then the end.
  std::vector<int64_t> bytes;
  for (int32_t i = 0; i <= 5; ++i) bytes.push_back(map.FileByteOf(i));
  EXPECT_EQ(bytes, std::vector<int64_t>({100, 100, 104, 105, 106, 107}));
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
  TOneChunk c(Plain(u"a b a b a b"));
  std::vector<int64_t> targets = {1007, 1015};  // file bytes; the chunk starts at byte 1000
  size_t next = 0;
  int64_t jump_to = targets[0];
  c.engine.SetJumpToSource([&] { return jump_to; });
  c.on_hit = [&](TSearchAndDoEngine& e, TSearchFound_Rec&) {
    if (jump_to <= 0) return true;
    if (++next < targets.size()) {
      jump_to = targets[next];
    } else {
      e.FoundEnough();
    }
    return true;
  };
  c.pos.last_chunk = false;
  c.pos.chunk_file_offset = 1000;
  c.Prepare();
  c.Search(u"a");
  EXPECT_EQ(c.Positions(), (std::vector<int32_t>{4, 8}));
  EXPECT_EQ(c.Search(u"b", 1), 0);
  c.pos.chunk_index = 1;
  c.Prepare();
  EXPECT_EQ(c.Search(u"a"), 0);
  // A new text reads again; jumping off (0) gives every hit.
  jump_to = 0;
  c.pos.chunk_index = 0;
  c.Prepare();
  EXPECT_EQ(c.Search(u"b", 1), 3);
}

// A target of 1 also stands for the text's first byte (0 would mean no jump); a target in the
// middle of a word passes that word over. Two bytes a character from byte 0.
TEST(SearchEngine, JumpTargetOneTakesTheWordAtTheFirstByte) {
  struct Case {
    int64_t target;
    std::vector<int32_t> lines;
  };
  for (const Case& k : {Case{1, {0}}, Case{2, {4}}, Case{8, {4}}, Case{9, {8}}, Case{17, {}}}) {
    SCOPED_TRACE(k.target);
    TOneChunk c(Plain(u"a b a b a"));
    int64_t jump_to = k.target;
    c.engine.SetJumpToSource([&] { return jump_to; });
    c.on_hit = [&](TSearchAndDoEngine& e, TSearchFound_Rec&) {
      jump_to = 0;
      e.FoundEnough();
      return true;
    };
    c.Prepare();
    c.Search(u"a");
    EXPECT_EQ(c.Positions(), k.lines);
  }
}

TEST(SearchEngine, ItemsMadeKnownAtOnceAndChangedItems) {
  TOneChunk c(Plain(u"red green blue red"));
  TSearchWordItems list;
  list.AddedSearchWords(u"red\ngreen\nblue");
  c.engine.SetItems(list);
  c.Prepare();
  for (int32_t i = 2; i >= 0; --i) c.engine.SearchAndDo(*list.GetPtr(i), i);
  auto got = [&] {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const auto& f : c.hits) out.emplace_back(f.item_index, f.hit_position);
    c.hits.clear();
    return out;
  };
  EXPECT_EQ(got(), (std::vector<std::pair<int32_t, int32_t>>{{2, 10}, {1, 4}, {0, 0}, {0, 15}}));
  // The record of item 1 changes between passes: the engine follows it.
  c.Search(u"blue", 1);
  EXPECT_EQ(got(), (std::vector<std::pair<int32_t, int32_t>>{{1, 10}}));
}

// --- windows: context and exclusion words ------------------------------------------------------

// The hits of one item in a window around sw ("" for none), as "text@distance|...".
std::string WindowSearch(TSearchAndDoEngine& engine, UStringView text, UStringView sw, UStringView item,
                         bool enough_at_first = false) {
  std::string out;
  int32_t start = sw.empty() ? -1 : static_cast<int32_t>(text.find(sw));
  engine.PrepareFirst(text, start, static_cast<int32_t>(sw.size()), [&](TSearchAndDoEngine& e, TSearchFound_Rec& f) {
    out += (out.empty() ? "" : "|") +
           Utf16ToUtf8(text.substr(static_cast<size_t>(f.hit_position), static_cast<size_t>(f.hit_length))) + "@" +
           std::to_string(f.context_distance);
    if (enough_at_first) e.FoundEnough();
    return true;
  });
  TSearch_word_format_rec rec = TBaseSearchItems::MakeItem(item);
  engine.SearchAndDo(rec, 0);
  return out;
}

TEST(SearchWindow, ContextWordsOnEitherSideWithSignedDistances) {
  TAdditionalSearchAndDoEngine ctx(false, true, {});
  const UString line = u"the old man saw a big dog today";
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"old"), "old@-2");
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"dog"), "dog@3");
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"saw"), "");  // the search word itself
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"old man"), "old man@-1");
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"man saw"), "");  // runs into the search word
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"*"), "the@-3|old@-2|man@-1|a@1|big@2|dog@3|today@4");
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"*", true), "the@-3");
  // The search word as a phrase: distances count from its ends.
  EXPECT_EQ(WindowSearch(ctx, line, u"man saw", u"a/old"), "old@-1|a@1");
  // No search word: the whole text, distance 0.
  EXPECT_EQ(WindowSearch(ctx, line, u"", u"saw"), "saw@0");
}

TEST(SearchWindow, HorizonsAndExactGap) {
  TAdditionalSearchAndDoEngine ctx(false, true, {});
  const UString line = u"the old man saw a big dog today";
  ctx.SetHorizons(1, 3);
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"old/man/dog/today"), "man@-1|dog@3");
  ctx.SetHorizons(-1, -1);
  ctx.SetContext_exact_gap_required(-2);
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"old/the/dog"), "the@-3|old@-2");
  ctx.SetContext_exact_gap_required(3);
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"old/dog"), "dog@3");
  ctx.SetContext_exact_gap_required(5);
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"dog"), "");
  ctx.SetContext_exact_gap_required(4);
  EXPECT_EQ(WindowSearch(ctx, line, u"saw", u"dog"), "dog@3");
}

TEST(SearchWindow, ExclusionWordsAndAllowablesOfTheWindow) {
  TAdditionalSearchAndDoEngine excl(false, true, {});
  EXPECT_EQ(WindowSearch(excl, u"not a good day", u"good", u"not/never"), "not@-2");
  EXPECT_EQ(WindowSearch(excl, u"a good day", u"good", u"not/never"), "");
  // Kinds given by the caller, then the allowed characters applied to the window.
  TTestText t = Plain(u"don't stop");
  TAdditionalSearchAndDoEngine ctx(false, true, {});
  ctx.PrepareFirst(
      t.text, 6, 4, [](TSearchAndDoEngine&, TSearchFound_Rec&) { return true; }, {}, t.kinds.data());
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
  TOneChunk c(FastPlain(std::move(text)));
  c.keep_hits = false;
  int64_t hits = 0;
  int32_t last_word = -1;
  c.on_hit = [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
    ++hits;
    last_word = f.stats.words_in_chunk;
    return true;
  };
  c.Prepare();
  c.Search(u"dol*");
  EXPECT_EQ(hits, static_cast<int64_t>(reps));
  EXPECT_EQ(last_word, static_cast<int32_t>(5 * reps - 3));
  TSearchStatsRec stats;
  c.engine.CopyAChunkTextStats(stats);
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
  TOneChunk c(std::move(t));
  c.Prepare();
  EXPECT_EQ(c.engine.WordsInChunk(), 0);
  TSearchStatsRec stats;
  c.engine.CopyAChunkTextStats(stats);
  EXPECT_EQ(Stats(stats), "w0 n1,1,1,1 p0,0,0,0 l0,0,0,0");  // never marked: numbers stay 1
  // An empty chunk and a null buffer.
  c.engine.PrepareForConcordancing(u"t", nullptr, nullptr, c.pos, {}, {});
  EXPECT_EQ(c.Search(u"*"), 0);
}

}  // namespace

// The runs kept where UTF-8 prose breaks its one byte a character answer every character and
// every byte as the full offsets do: random bytes of 1- to 4-byte characters, runs of ASCII of
// every length about 16, 32 and 64, ill-formed bytes, a signature skipped, cut anywhere.
TEST(ChunkByteMap, RunsAnswerAsTheFullOffsetsOnRandomUtf8) {
  const char* wide[] = {"\xC3\xA9", "\xE2\x80\x99", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD", "\xFF", "\xC3", "\xE2\x80",
                        "\xF0\x9F\x98", "\x80", "\xED\xA0\x80", "\xC3\xA9\xC3\xA9", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"};
  std::mt19937 rng(412);
  for (int round = 0; round < 60; ++round) {
    std::string bytes = round % 3 == 0 ? "\xEF\xBB\xBF" : "";
    const size_t skip = bytes.size();
    while (bytes.size() < 3000) {
      const size_t run = round % 2 == 0 ? 14 + rng() % 53 : rng() % 5;  // 14..66, or short
      for (size_t k = 0; k < run; ++k) bytes += static_cast<char>('a' + rng() % 26);
      bytes += wide[rng() % std::size(wide)];
    }
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    for (int cut = 0; cut < 4; ++cut) {
      const size_t n = skip + rng() % (bytes.size() - skip + 1);
      TChunkByteMap full;
      full.SetFromUtf8(0, b + skip, n - skip);
      TByteRuns runs;
      const size_t units = runs.FromUtf8(b + skip, n - skip, static_cast<uint32_t>(skip));
      EXPECT_LE(runs.units.size(), n - skip - units + 1);  // no more runs than bytes saved, and the first
      std::vector<uint32_t> expanded(units + 1);
      runs.Expand(units, expanded.data());
      TChunkByteMap sparse;
      const int64_t first = int64_t{7} << 32;
      sparse.TakeRuns(first, runs);
      EXPECT_EQ(sparse.FixedWidth(), 0);
      for (size_t i = 0; i <= units + 3; ++i) {
        ASSERT_EQ(sparse.FileByteOf(int64_t(i)), first + int64_t(skip) + full.FileByteOf(int64_t(i))) << round << " " << i;
        if (i <= units) {
          ASSERT_EQ(int64_t(expanded[i]), int64_t(skip) + full.FileByteOf(int64_t(i))) << i;
        }
      }
      // Asked out of order (the runs remember where the last answer lay): the same answers.
      for (int k = 0; k < 200; ++k) {
        const int64_t i = k % 50 == 0 ? int64_t(units) + 2 : int64_t(rng() % (units + 4));
        ASSERT_EQ(sparse.FileByteOf(i), first + int64_t(skip) + full.FileByteOf(i)) << round << " " << i;
      }
      for (int64_t at = -2; at <= int64_t(n) + 3; ++at)
        ASSERT_EQ(sparse.CharAtOrAfterByte(first + at), full.CharAtOrAfterByte(at - int64_t(skip))) << round << " " << at;
      // Cut short as a chunk is, the runs answer as the offsets cut short.
      const size_t kept = units == 0 ? 0 : rng() % units;
      TByteRuns again;
      again.FromUtf8(b + skip, n - skip, 0);
      again.Truncate(kept);
      std::vector<uint32_t> offs(kept + 1);
      for (size_t i = 0; i <= kept; ++i) offs[i] = static_cast<uint32_t>(full.FileByteOf(int64_t(i)));
      TChunkByteMap cut_full, cut_sparse;
      cut_full.SetOffsets(10, offs);
      cut_sparse.TakeRuns(10, again);
      for (size_t i = 0; i <= kept + 5; ++i) ASSERT_EQ(cut_sparse.FileByteOf(int64_t(i)), cut_full.FileByteOf(int64_t(i))) << i;
      for (int64_t at = 0; at <= int64_t(n) + 13; at += 1 + at % 3)
        ASSERT_EQ(cut_sparse.CharAtOrAfterByte(at), cut_full.CharAtOrAfterByte(at)) << at;
      // Characters put before and dropped leave the two forms equal.
      const int64_t before[3] = {8, 9, 10};
      EXPECT_TRUE(cut_full.PrependCharacters(before, 2));
      EXPECT_TRUE(cut_sparse.PrependCharacters(before, 2));
      const std::vector<std::pair<int32_t, int32_t>> dropped = {{int32_t(2 + kept / 4), int32_t(2 + kept / 3)},
                                                                {int32_t(2 + kept / 2), int32_t(2 + kept / 2 + 1)}};
      cut_full.RemoveCharacters(dropped, int64_t(kept + 2));
      cut_sparse.RemoveCharacters(dropped, int64_t(kept + 2));
      for (size_t i = 0; i <= kept + 4; ++i) ASSERT_EQ(cut_sparse.FileByteOf(int64_t(i)), cut_full.FileByteOf(int64_t(i))) << i;
    }
  }
}

// Hand values: a 2-byte, a 4-byte and a 3-byte character among plain ones, and the runs they make.
TEST(ChunkByteMap, RunsOfMixedCharactersHaveTheirHandValues) {
  const std::string s = "a\xC3\xA9" "b\xF0\x9F\x98\x80\xE2\x80\x99" "cd";  // a é b 😀(2 units) ’ c d
  TByteRuns runs;
  EXPECT_EQ(runs.FromUtf8(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 3), 8u);
  EXPECT_EQ(runs.units, (std::vector<uint32_t>{0, 2, 4, 5, 6}));
  EXPECT_EQ(runs.bytes, (std::vector<uint32_t>{3, 6, 7, 11, 14}));
  std::vector<uint32_t> offs(9);
  runs.Expand(8, offs.data());
  EXPECT_EQ(offs, (std::vector<uint32_t>{3, 4, 6, 7, 7, 11, 14, 15, 16}));
  // A byte inside a character answers the next character.
  EXPECT_EQ(runs.CharAtOrAfter(5), 2);
  EXPECT_EQ(runs.CharAtOrAfter(8), 5);
  EXPECT_EQ(runs.CharAtOrAfter(17), 9);
}

// The runs a strict decoding notes as it goes are those the bytes give afterwards: random
// well-formed UTF-8 of 1- to 4-byte characters among runs of ASCII, cut anywhere (a sequence
// broken off at the end is left undecoded), from any base; past the most sequences asked for,
// the noting says it is incomplete. Zero bytes among them are noted wherever they lie.
TEST(ChunkByteMap, RunsNotedWhileDecodingEqualThoseOfTheBytes) {
  const char* wide[] = {"\xC3\xA9", "\xE2\x80\x99", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD", "\xC3\xA9\xC3\xA9",
                        "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", "\xE4\xB8\xAD"};
  std::mt19937 rng(5150);
  for (int round = 0; round < 80; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    std::string bytes;
    while (bytes.size() < 2000) {
      const size_t run = round % 2 == 0 ? rng() % 70 : rng() % 4;
      for (size_t k = 0; k < run; ++k) bytes += static_cast<char>('a' + rng() % 26);
      bytes += wide[rng() % std::size(wide)];
      // Now and then a zero byte, before or after bytes beyond ASCII within 16.
      if (round % 4 == 1 && rng() % 40 == 0) bytes += '\0';
    }
    const size_t n = rng() % (bytes.size() + 1);
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    const uint32_t base = rng() % 5;
    TByteRuns noted;
    noted.units.push_back(0);
    noted.bytes.push_back(base);
    TUtf8RunBreaks breaks{&noted.units, &noted.bytes, base, round % 5 == 4 ? size_t(rng() % 20) : n + 1};
    std::vector<char16_t> out(n + 1);
    size_t units = 0, consumed = 0;
    ASSERT_TRUE(DecodeUtf8StrictTo(b, n, out.data(), units, true, &consumed, &breaks));
    TByteRuns want;
    EXPECT_EQ(want.FromUtf8(b, consumed, base), units);
    EXPECT_EQ(breaks.zero, std::memchr(b, 0, consumed) != nullptr);
    if (breaks.complete) {
      EXPECT_EQ(noted.units, want.units);
      EXPECT_EQ(noted.bytes, want.bytes);
    } else {
      // Cut short: what was noted is the start of the full runs.
      ASSERT_LE(noted.units.size(), want.units.size());
      EXPECT_TRUE(std::equal(noted.units.begin(), noted.units.end(), want.units.begin()));
      EXPECT_TRUE(std::equal(noted.bytes.begin(), noted.bytes.end(), want.bytes.begin()));
    }
  }
  // Hand values: a é b 😀 ’ c d from byte 3, as the bytes give them.
  const std::string s = "a\xC3\xA9" "b\xF0\x9F\x98\x80\xE2\x80\x99" "cd";
  TByteRuns runs;
  runs.units.push_back(0);
  runs.bytes.push_back(3);
  TUtf8RunBreaks breaks{&runs.units, &runs.bytes, 3, 10};
  char16_t out[16];
  size_t units = 0;
  ASSERT_TRUE(DecodeUtf8StrictTo(reinterpret_cast<const uint8_t*>(s.data()), s.size(), out, units, false, nullptr, &breaks));
  EXPECT_EQ(units, 8u);
  EXPECT_TRUE(breaks.complete);
  EXPECT_EQ(runs.units, (std::vector<uint32_t>{0, 2, 4, 5, 6}));
  EXPECT_EQ(runs.bytes, (std::vector<uint32_t>{3, 6, 7, 11, 14}));
}
