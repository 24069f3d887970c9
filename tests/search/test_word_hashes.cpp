// The chunk scanner's word hashes against the hash taken one unit at a time, on random texts of
// short and long words, ASCII and not, at the chunk's very end, with the plain and the Turkic
// fold tables (the wide path takes only ASCII words under plain folding).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "platform/search/search_chars.h"
#include "platform/search/search_scan.h"
#include "platform/text/text_services.h"

namespace {

uint32_t OneUnitAtATime(const char16_t* text, int32_t start, int32_t span, const char16_t* fold) {
  uint32_t h = 0;
  for (int32_t j = 0; j < span; ++j) h = WordHashAdd(h, fold[text[start + j]], static_cast<uint32_t>(j));
  return WordHashFinish(h, static_cast<uint32_t>(span));
}

TEST(WordHashes, EveryWordHashesAsOneUnitAtATime) {
  const char16_t letters[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZIiI0123456789\u00C9\u00DF\u0130\u0131\u03A3\u0436";
  const size_t ascii = 65;  // letters before the first non-ASCII one
  std::mt19937 rng(8);
  for (uint32_t lcid : {0x0409u, 0x041Fu}) {
    const char16_t* fold = FoldTableFor(lcid);
    for (int round = 0; round < 200; ++round) {
      UString text;
      const bool only_ascii = round % 2 == 0;
      const int words = 1 + static_cast<int>(rng() % 60);
      std::vector<std::pair<int32_t, int32_t>> expected;  // start, span
      for (int w = 0; w < words; ++w) {
        const int32_t len = 1 + static_cast<int32_t>(rng() % (rng() % 4 == 0 ? 14 : 8));
        expected.emplace_back(static_cast<int32_t>(text.size()), len);
        for (int32_t c = 0; c < len; ++c)
          text += letters[rng() % (only_ascii ? ascii : sizeof letters / sizeof letters[0] - 1)];
        if (w + 1 < words || round % 3 != 0) text += rng() % 5 == 0 ? u", " : u" ";  // some end the chunk
      }
      std::vector<uint16_t> kinds(text.size());
      ClassifyChars(text.data(), text.size(), kinds.data());
      std::vector<TScanWord> found;
      std::vector<TUnitEvent> events;
      TUnitState units;
      const int32_t n = static_cast<int32_t>(text.size());
      ScanChunk(text.data(), kinds.data(), 0, n, fold, found, events, units, true);
      ASSERT_EQ(found.size(), expected.size()) << round;
      for (size_t w = 0; w < found.size(); ++w) {
        ASSERT_EQ(std::make_pair(found[w].start, found[w].span), expected[w]) << round << " word " << w;
        EXPECT_EQ(found[w].hash, OneUnitAtATime(text.data(), found[w].start, found[w].span, fold))
            << "lcid " << lcid << " round " << round << " word " << w;
      }
      // A scan without hashes, hashed afterwards word by word and all at once.
      std::vector<TScanWord> unhashed;
      TUnitState again;
      ScanChunk(text.data(), kinds.data(), 0, n, fold, unhashed, events, again, true, false);
      ASSERT_EQ(unhashed.size(), found.size());
      for (size_t w = 0; w < found.size(); ++w)
        EXPECT_EQ(ScanWordHash(text.data(), kinds.data(), n, fold, unhashed[w]), found[w].hash) << round << " " << w;
      HashScanWords(text.data(), kinds.data(), n, fold, unhashed.data(), unhashed.size());
      for (size_t w = 0; w < found.size(); ++w) EXPECT_EQ(unhashed[w].hash, found[w].hash) << round << " " << w;
    }
  }
}

// The fold tables look only at the units that case mapping may change: every unit and every
// letter of plane 1 must still fold as one looked at on its own does (the full fold when it is
// one unit, else the simple lower case; Turkic capital i's by their own lower case).
TEST(WordHashes, FoldTablesFoldEveryUnitAsItsOwnFoldDoes) {
  for (uint32_t lcid : {0x0409u, 0x041Fu, 0x042Cu}) {
    const char16_t* fold = FoldTableFor(lcid);
    const bool turkic = lcid != 0x0409u;
    int differ = 0;
    for (uint32_t c = 0; c < 0x10000; ++c) {
      const char16_t u = static_cast<char16_t>(c);
      char16_t want = u;
      if (c >= 0xDC00 && c <= 0xDFFF) {
        want = kFoldLowSurrogate;
      } else if (c < 0xD800 || c > 0xDFFF) {
        UString f = FoldCaseU(UStringView(&u, 1));
        if (f.size() != 1) f = LowerCaseU(UStringView(&u, 1), kLCID_EnglishUS);
        if (turkic && (u == u'I' || u == 0x0130)) f = LowerCaseU(UStringView(&u, 1), lcid);
        if (f.size() == 1 && !(f[0] >= 0xD800 && f[0] <= 0xDFFF)) want = f[0];
      }
      if (fold[c] != want && ++differ <= 10) ADD_FAILURE() << std::hex << "lcid " << lcid << " U+" << c << ": " << int(fold[c]);
    }
    EXPECT_EQ(differ, 0);
  }
  const char16_t* plain = FoldTableFor(0x0409);
  EXPECT_EQ(plain[u'A'], u'a');
  EXPECT_EQ(plain[0x00DF], 0x00DF);  // its full fold is "ss"
  EXPECT_EQ(plain[0x1E9E], 0x00DF);
  EXPECT_EQ(plain[0x03A3], 0x03C3);
  EXPECT_EQ(plain[0x13F8], 0x13F0);  // Cherokee small letters fold to the capitals
  EXPECT_EQ(FoldTableFor(0x041F)[u'I'], 0x0131);
  EXPECT_EQ(FoldTableFor(0x041F)[0x0130], u'i');
  int differ = 0;
  for (uint32_t i = 0; i < 0x10000; ++i) {
    const char16_t pair[2] = {static_cast<char16_t>(0xD800 + (i >> 10)), static_cast<char16_t>(0xDC00 + (i & 0x3FF))};
    char16_t want = pair[1];
    if (CharKindOf(0x10000 + i) != 0) {
      UString f = FoldCaseU(UStringView(pair, 2));
      if (f.size() != 2) f = LowerCaseU(UStringView(pair, 2), kLCID_EnglishUS);
      if (f.size() == 2 && f[0] == pair[0] && f[1] >= 0xDC00 && f[1] <= 0xDFFF) want = f[1];
    }
    if (FoldLowSurrogate(pair[0], pair[1]) != want && ++differ <= 10) ADD_FAILURE() << std::hex << "U+" << 0x10000 + i;
  }
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(FoldLowSurrogate(0xD801, 0xDC00), 0xDC28);  // U+10400 folds to U+10428
  EXPECT_EQ(FoldLowSurrogate(u'a', 0xDC00), 0xDC00);  // no high unit before it
}

// Kinds of every sort in random blocks: letters, digits, blanks, a bare C1_DEFINED, hidden
// characters, kept tags, invisible characters in words and text markers, alone and mixed.
TEST(WordHashes, BlockMasksOfEveryKindAgreeWithOneKindAtATime) {
  const uint16_t sorts[] = {C1_ALPHA | C1_LOWER | C1_DEFINED, C1_DIGIT | C1_DEFINED, C1_SPACE | C1_BLANK | C1_DEFINED,
                            C1_DEFINED, C1_PUNCT | C1_DEFINED, 0, 0x0800 /* hidden */, 0x0801,
                            KIND_INVISIBLE_IN_WORD, static_cast<uint16_t>(0x8800 + 3), 0x8000, 0xFFFF, 0x0400, 0x1000};
  std::mt19937 rng(64);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint16_t> kinds(64);
    // Some blocks of one or two sorts (most of a text), some of every sort.
    const size_t a = rng() % std::size(sorts), b = rng() % std::size(sorts);
    for (uint16_t& k : kinds)
      k = round % 3 == 0 ? sorts[rng() % std::size(sorts)] : (rng() % 8 ? sorts[a] : sorts[b]);
    const TScanBlockMasks vector_way = ScanBlockMasks(kinds.data(), false);
    const TScanBlockMasks one_way = ScanBlockMasks(kinds.data(), true);
    ASSERT_EQ(vector_way.word, one_way.word) << round;
    ASSERT_EQ(vector_way.markers, one_way.markers) << round;
    ASSERT_EQ(vector_way.tags, one_way.tags) << round;
  }
  // Bit j is kinds[j]: a letter alone at each place.
  for (int j = 0; j < 64; ++j) {
    std::vector<uint16_t> kinds(64, C1_SPACE | C1_DEFINED);
    kinds[static_cast<size_t>(j)] = C1_ALPHA | C1_DEFINED;
    EXPECT_EQ(ScanBlockMasks(kinds.data(), false).word, uint64_t{1} << j) << j;
  }
}

// A scan for words of a few lengths finds the same words, numbers, flags and unit ends from a
// first pass's masks as from the kinds: words of every length (some longer than a block, some
// across blocks), long runs of blanks, sentence ends here and there and blocks without any.
TEST(WordHashes, PicksFromGivenMasksEqualPicksFromTheKinds) {
  constexpr uint16_t kLetter = C1_ALPHA | C1_LOWER | C1_DEFINED, kBlank = C1_SPACE | C1_BLANK | C1_DEFINED;
  constexpr uint16_t kSentenceEnd = 0x880F;
  const char16_t* fold = FoldTableFor(0x0409);
  std::mt19937 rng(27);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    std::vector<uint16_t> kinds;
    const size_t size = 64 + rng() % 3000;
    const bool markers = round % 4 != 0;
    while (kinds.size() < size) {
      // Short words, middling ones (the scan's runs of every number of doubling steps) and long ones.
      const unsigned shape = rng() % 10;
      const int32_t len = shape == 0   ? 60 + static_cast<int32_t>(rng() % 80)
                          : shape == 1 ? 14 + static_cast<int32_t>(rng() % 46)
                                       : 1 + static_cast<int32_t>(rng() % 13);
      kinds.insert(kinds.end(), static_cast<size_t>(len), rng() % 7 == 0 ? uint16_t(C1_DIGIT | C1_DEFINED) : kLetter);
      if (markers && rng() % 9 == 0) kinds.push_back(kSentenceEnd);
      kinds.insert(kinds.end(), rng() % 12 == 0 ? 70 + rng() % 100 : 1 + rng() % 2, kBlank);
    }
    const int32_t n = static_cast<int32_t>(kinds.size()) - static_cast<int32_t>(rng() % 3);  // may end in a word
    const UString text(kinds.size(), u'a');
    std::vector<uint16_t> padded = kinds;
    padded.resize((kinds.size() + 63) / 64 * 64 + 2, 0);
    std::vector<uint64_t> word_masks, marker_masks;
    for (size_t b = 0; b * 64 < kinds.size(); ++b) {
      const TScanBlockMasks m = ScanBlockMasks(padded.data() + 64 * b, true);
      word_masks.push_back(m.word);
      marker_masks.push_back(m.markers);
    }
    TWordPicks from_masks, from_kinds;
    const int32_t lengths = 1 + static_cast<int32_t>(rng() % 4);
    for (int k = 0; k < lengths; ++k) {
      const unsigned shape = rng() % 6;
      const int32_t len = shape == 0   ? 60 + static_cast<int32_t>(rng() % 20)
                          : shape == 1 ? 13 + static_cast<int32_t>(rng() % 47)
                                       : 1 + static_cast<int32_t>(rng() % 12);
      from_masks.lengths[k] = from_kinds.lengths[k] = len;
    }
    from_masks.next_number = from_kinds.next_number = 5;
    std::vector<TScanWord> none;
    std::vector<TUnitEvent> events_masks, events_kinds;
    TUnitState units_masks, units_kinds;
    units_masks.number[0] = units_kinds.number[0] = 3;
    units_masks.open_words[0] = units_kinds.open_words[0] = 2;
    const TScanGivenMasks given{word_masks.data(), marker_masks.data()};
    ScanChunk(text.data(), padded.data(), 0, n, fold, none, events_masks, units_masks, true, false, &from_masks, &given);
    ScanChunk(text.data(), padded.data(), 0, n, fold, none, events_kinds, units_kinds, true, false, &from_kinds);
    EXPECT_EQ(from_masks.next_number, from_kinds.next_number);
    ASSERT_EQ(from_masks.numbers, from_kinds.numbers);
    ASSERT_EQ(from_masks.picked_words.size(), from_kinds.picked_words.size());
    for (size_t w = 0; w < from_masks.picked_words.size(); ++w) {
      const TScanWord& a = from_masks.picked_words[w];
      const TScanWord& b = from_kinds.picked_words[w];
      EXPECT_EQ(std::make_tuple(a.start, a.span, a.flags), std::make_tuple(b.start, b.span, b.flags)) << "word " << w;
    }
    ASSERT_EQ(events_masks.size(), events_kinds.size());
    for (size_t e = 0; e < events_masks.size(); ++e) {
      EXPECT_EQ(events_masks[e].boundary, events_kinds[e].boundary) << "event " << e;
      EXPECT_EQ(events_masks[e].ended_mask, events_kinds[e].ended_mask) << "event " << e;
      EXPECT_EQ(events_masks[e].number[0], events_kinds[e].number[0]) << "event " << e;
      EXPECT_EQ(events_masks[e].length[0], events_kinds[e].length[0]) << "event " << e;
    }
    EXPECT_EQ(units_masks.number[0], units_kinds.number[0]);
    EXPECT_EQ(units_masks.open_words[0], units_kinds.open_words[0]);
    // Masks whose markers are all of one given kind (as the first pass gives them) are read
    // without their kinds: the same picks, flags, unit ends and units.
    TWordPicks from_kind_given;
    std::copy(from_kinds.lengths, from_kinds.lengths + 4, from_kind_given.lengths);
    from_kind_given.next_number = 5;
    std::vector<TUnitEvent> events_given;
    TUnitState units_given;
    units_given.number[0] = 3;
    units_given.open_words[0] = 2;
    const TScanGivenMasks given_kind{word_masks.data(), marker_masks.data(), kSentenceEnd};
    std::vector<uint16_t> no_markers = padded;  // the kinds are not read: their markers gone
    for (uint16_t& k : no_markers)
      if (k == kSentenceEnd) k = kBlank;
    ScanChunk(text.data(), no_markers.data(), 0, n, fold, none, events_given, units_given, true, false,
              &from_kind_given, &given_kind);
    EXPECT_EQ(from_kind_given.next_number, from_kinds.next_number);
    ASSERT_EQ(from_kind_given.numbers, from_kinds.numbers);
    for (size_t w = 0; w < from_kinds.picked_words.size(); ++w) {
      const TScanWord& a = from_kind_given.picked_words[w];
      const TScanWord& b = from_kinds.picked_words[w];
      EXPECT_EQ(std::make_tuple(a.start, a.span, a.flags), std::make_tuple(b.start, b.span, b.flags)) << "word " << w;
    }
    ASSERT_EQ(events_given.size(), events_kinds.size());
    for (size_t e = 0; e < events_given.size(); ++e) {
      EXPECT_EQ(events_given[e].boundary, events_kinds[e].boundary) << "event " << e;
      EXPECT_EQ(events_given[e].ended_mask, events_kinds[e].ended_mask) << "event " << e;
      EXPECT_EQ(events_given[e].number[0], events_kinds[e].number[0]) << "event " << e;
      EXPECT_EQ(events_given[e].length[0], events_kinds[e].length[0]) << "event " << e;
    }
    EXPECT_EQ(units_given.number[0], units_kinds.number[0]);
    EXPECT_EQ(units_given.open_words[0], units_kinds.open_words[0]);
    // Both keep what a scan of every word keeps of those lengths, numbered as it numbers them.
    std::vector<TScanWord> every;
    TUnitState units_every;
    ScanChunk(text.data(), padded.data(), 0, n, fold, every, events_kinds, units_every, true, false);
    std::vector<int32_t> numbers;
    for (size_t w = 0; w < every.size(); ++w)
      if (std::find(from_kinds.lengths, from_kinds.lengths + 4, every[w].span) != from_kinds.lengths + 4)
        numbers.push_back(5 + static_cast<int32_t>(w));
    EXPECT_EQ(from_masks.numbers, numbers);
  }
}

// What a scan for picked words leaves: the picks with their numbers and flags, the unit ends
// and the units at the end.
struct TPickScan {
  TWordPicks picks;
  std::vector<TUnitEvent> events;
  TUnitState units;
};

TPickScan ScanForPicks(const std::vector<uint16_t>& kinds, int32_t begin, int32_t n, const int32_t (&lengths)[4],
                       const TScanGivenMasks* given, bool text_end) {
  static const UString text(1 << 16, u'a');
  TPickScan r;
  std::copy(lengths, lengths + 4, r.picks.lengths);
  r.picks.next_number = 7;
  r.units.number[0] = 2;
  r.units.open_words[0] = 3;
  std::vector<TScanWord> none;
  ScanChunk(text.data(), kinds.data(), begin, n, FoldTableFor(0x0409), none, r.events, r.units, text_end, false,
            &r.picks, given);
  return r;
}

void ExpectSameScan(const TPickScan& a, const TPickScan& b) {
  EXPECT_EQ(a.picks.next_number, b.picks.next_number);
  ASSERT_EQ(a.picks.numbers, b.picks.numbers);
  ASSERT_EQ(a.picks.picked_words.size(), b.picks.picked_words.size());
  for (size_t w = 0; w < a.picks.picked_words.size(); ++w) {
    const TScanWord& x = a.picks.picked_words[w];
    const TScanWord& y = b.picks.picked_words[w];
    EXPECT_EQ(std::make_tuple(x.start, x.span, x.flags), std::make_tuple(y.start, y.span, y.flags)) << "word " << w;
  }
  ASSERT_EQ(a.events.size(), b.events.size());
  for (size_t e = 0; e < a.events.size(); ++e) {
    EXPECT_EQ(std::make_tuple(a.events[e].boundary, a.events[e].ended_mask, a.events[e].text_end),
              std::make_tuple(b.events[e].boundary, b.events[e].ended_mask, b.events[e].text_end))
        << "event " << e;
    for (int k = 0; k < kUnitKinds; ++k)
      EXPECT_EQ(std::make_pair(a.events[e].number[k], a.events[e].length[k]),
                std::make_pair(b.events[e].number[k], b.events[e].length[k]))
          << "event " << e << " kind " << k;
  }
  for (int k = 0; k < kUnitKinds; ++k)
    EXPECT_EQ(std::make_pair(a.units.number[k], a.units.open_words[k]), std::make_pair(b.units.number[k], b.units.open_words[k]));
}

// Long stretches of given masks are judged a few blocks at a time; the picks, their numbers and
// flags, the unit ends and the units come out as from the kinds one block at a time: words of a
// picked length and one longer or shorter set at every place around the edges of blocks, runs of
// words as long as a block or longer, sentence ends at every place of a block (with and without
// their kind given), one to four lengths from 1 to 64, and the stretch starting after carried
// characters.
TEST(WordHashes, PicksOfLongStretchesFromGivenMasksEqualPicksFromTheKinds) {
  constexpr uint16_t kLetter = C1_ALPHA | C1_LOWER | C1_DEFINED, kBlank = C1_SPACE | C1_BLANK | C1_DEFINED;
  constexpr uint16_t kSentenceEnd = 0x880F;
  std::mt19937 rng(2027);
  struct TCase {
    int32_t lengths[4];
    int marker_every;  // one sentence end in so many words (0: none)
  };
  const TCase cases[] = {
      {{11, -1, -1, -1}, 0},  {{11, -1, -1, -1}, 12}, {{1, -1, -1, -1}, 0},   {{2, 11, -1, -1}, 40},
      {{63, -1, -1, -1}, 0},  {{62, 63, -1, -1}, 5},  {{64, -1, -1, -1}, 0},  {{3, 4, 5, 6}, 0},
      {{7, 30, 31, 33}, 3},   {{11, 12, -1, -1}, 1},  {{32, -1, -1, -1}, 0},  {{5, -1, -1, -1}, 100},
  };
  for (const TCase& c : cases) {
    for (int round = 0; round < 40; ++round) {
      SCOPED_TRACE(testing::Message() << "lengths " << c.lengths[0] << "," << c.lengths[1] << "," << c.lengths[2] << ","
                                      << c.lengths[3] << " round " << round);
      std::vector<uint16_t> kinds;
      const int32_t begin = round % 3 == 0 ? 0 : static_cast<int32_t>(rng() % 200);
      kinds.assign(static_cast<size_t>(begin), kLetter);  // carried characters, not scanned
      const size_t size = static_cast<size_t>(begin) + 300 + rng() % 6000;
      // Words of the picked lengths, one off, and others; now and then one placed to end right
      // at or around a block's edge, or a run of words as long as a block or more.
      while (kinds.size() < size) {
        const int32_t picked = c.lengths[rng() % 4];
        const unsigned shape = rng() % 12;
        int32_t len = shape < 3 && picked > 0 ? picked + static_cast<int32_t>(rng() % 3) - 1
                      : shape == 3            ? 60 + static_cast<int32_t>(rng() % 80)
                                              : 1 + static_cast<int32_t>(rng() % 9);
        len = std::max(len, 1);
        if (shape == 4) {  // end the word a few characters either side of the next block edge
          const int32_t at = static_cast<int32_t>(kinds.size()) - begin;
          const int32_t edge = (at / 64 + 1) * 64 + static_cast<int32_t>(rng() % 5) - 2;
          if (edge - at > 0) len = edge - at;
        }
        kinds.insert(kinds.end(), static_cast<size_t>(len), rng() % 9 == 0 ? uint16_t(C1_DIGIT | C1_DEFINED) : kLetter);
        if (c.marker_every > 0 && rng() % static_cast<unsigned>(c.marker_every) == 0) kinds.push_back(kSentenceEnd);
        if (rng() % 50 == 0) kinds.push_back(kSentenceEnd);  // two in a row, or one before a blank
        kinds.insert(kinds.end(), rng() % 30 == 0 ? 64 + rng() % 130 : 1 + rng() % 2, kBlank);
      }
      const int32_t n = static_cast<int32_t>(kinds.size()) - static_cast<int32_t>(rng() % 4);  // may end in a word
      std::vector<uint16_t> padded = kinds;
      padded.resize(static_cast<size_t>(begin) + (kinds.size() - static_cast<size_t>(begin) + 63) / 64 * 64 + 2, 0);
      std::vector<uint64_t> word_masks, marker_masks;
      for (size_t at = static_cast<size_t>(begin); at < kinds.size(); at += 64) {
        const TScanBlockMasks m = ScanBlockMasks(padded.data() + at, true);
        word_masks.push_back(m.word);
        marker_masks.push_back(m.markers);
      }
      const bool text_end = round % 2 == 0;
      const TPickScan from_kinds = ScanForPicks(padded, begin, n, c.lengths, nullptr, text_end);
      const TScanGivenMasks given{word_masks.data(), marker_masks.data()};
      ExpectSameScan(ScanForPicks(padded, begin, n, c.lengths, &given, text_end), from_kinds);
      // Markers of the given kind, their kinds unread.
      std::vector<uint16_t> no_markers = padded;
      std::replace(no_markers.begin(), no_markers.end(), kSentenceEnd, kBlank);
      const TScanGivenMasks given_kind{word_masks.data(), marker_masks.data(), kSentenceEnd};
      ExpectSameScan(ScanForPicks(no_markers, begin, n, c.lengths, &given_kind, text_end), from_kinds);
    }
  }
}

// A word of a picked length after a sentence end and a run of blanks, starting at every place
// of the first few blocks, carries the sentence end's flag whether the run of blanks crosses
// blocks or not; so does one after two sentence ends and one with a word between.
TEST(WordHashes, APickAfterASentenceEndAndBlanksAnywhereCarriesItsFlag) {
  constexpr uint16_t kLetter = C1_ALPHA | C1_LOWER | C1_DEFINED, kBlank = C1_SPACE | C1_BLANK | C1_DEFINED;
  constexpr uint16_t kSentenceEnd = 0x880F;
  for (const int32_t len : {3, 11, 40, 63}) {
    for (int shape = 0; shape < 3; ++shape) {
      for (int32_t at = 70; at < 900; ++at) {
        SCOPED_TRACE(testing::Message() << "length " << len << " shape " << shape << " at " << at);
        std::vector<uint16_t> kinds(20, kLetter);
        kinds.push_back(kBlank);
        kinds.insert(kinds.end(), 30, kLetter);
        kinds.push_back(kSentenceEnd);
        if (shape == 1) kinds.push_back(kSentenceEnd);
        kinds.resize(static_cast<size_t>(at - (shape == 2 ? 3 : 0)), kBlank);
        if (shape == 2) kinds.insert(kinds.end(), {kLetter, kLetter, kBlank});  // a word between
        kinds.insert(kinds.end(), static_cast<size_t>(len), kLetter);
        while (kinds.size() < 1200) kinds.insert(kinds.end(), {kBlank, kLetter, kLetter, kLetter, kLetter});
        kinds.resize(1200 + 64 + 2, 0);
        std::vector<uint64_t> word_masks, marker_masks;
        for (size_t b = 0; b * 64 < 1200; ++b) {
          const TScanBlockMasks m = ScanBlockMasks(kinds.data() + 64 * b, true);
          word_masks.push_back(m.word);
          marker_masks.push_back(m.markers);
        }
        const int32_t lengths[4] = {len, -1, -1, -1};
        const TPickScan from_kinds = ScanForPicks(kinds, 0, 1200, lengths, nullptr, true);
        ASSERT_FALSE(from_kinds.picks.picked_words.empty());
        EXPECT_EQ(from_kinds.picks.picked_words[0].flags, shape == 2 ? 0u : uint32_t{kWordAfterMarker});
        const TScanGivenMasks given{word_masks.data(), marker_masks.data()};
        ExpectSameScan(ScanForPicks(kinds, 0, 1200, lengths, &given, true), from_kinds);
        std::vector<uint16_t> no_markers = kinds;
        std::replace(no_markers.begin(), no_markers.end(), kSentenceEnd, kBlank);
        const TScanGivenMasks given_kind{word_masks.data(), marker_masks.data(), kSentenceEnd};
        ExpectSameScan(ScanForPicks(no_markers, 0, 1200, lengths, &given_kind, true), from_kinds);
      }
    }
  }
}

// A picked word read from the bytes of plain ASCII text hashes and matches as it does from its
// units: words of every printable ASCII character and length, at the end of the bytes (nothing
// readable after them) and before more, against exact items typed as the word, in the other case,
// one letter off or one letter longer, case-sensitive or not, with the plain and the Turkic fold
// tables (where "I" folds beyond ASCII).
TEST(WordHashes, WordsReadFromTheirBytesHashAndMatchAsFromTheirUnits) {
  std::mt19937 rng(61);
  for (uint32_t lcid : {0x0409u, 0x041Fu}) {
    const char16_t* fold = FoldTableFor(lcid);
    TSearchTextOptions options;
    options.lcid = lcid;
    for (int round = 0; round < 3000; ++round) {
      SCOPED_TRACE(testing::Message() << "lcid " << lcid << " round " << round);
      const int32_t span = 1 + static_cast<int32_t>(rng() % (round % 5 == 0 ? 40 : 12));
      const int32_t after = round % 3 == 0 ? 0 : static_cast<int32_t>(rng() % 10);
      std::string bytes;
      for (int32_t i = 0; i < span + after; ++i) {
        const unsigned r = rng() % 10;
        bytes += static_cast<char>(r < 4 ? 'a' + rng() % 26 : r < 8 ? 'A' + rng() % 26 : 33 + rng() % 94);
      }
      const UString units(bytes.begin(), bytes.end());
      const std::vector<uint16_t> kinds(units.size(), C1_ALPHA | C1_DEFINED);
      TScanWord word{0, span, 0, 0};
      const uint32_t from_units = ScanWordHash(units.data(), kinds.data(), span + after, fold, word);
      const uint32_t from_bytes =
          ScanWordHashOfBytes(reinterpret_cast<const uint8_t*>(bytes.data()), span, span + after, fold);
      ASSERT_EQ(from_bytes, from_units);
      word.hash = from_units;
      UString typed = units.substr(0, static_cast<size_t>(span));
      switch (rng() % 4) {
        case 0: break;
        case 1:
          for (char16_t& c : typed) c = c >= u'a' && c <= u'z' ? c - 32 : c >= u'A' && c <= u'Z' ? c + 32 : c;
          break;
        case 2: typed[rng() % typed.size()] = u'q'; break;
        case 3: typed += u'e'; break;
      }
      for (const uint32_t item_options : {0u, static_cast<uint32_t>(kSwCaseSensitive)}) {
        TCompiledItem item;
        CompileItem(typed, item_options, options, false, item);
        for (const TAlternative& alt : item.alts) {
          if (alt.slots.size() != 1 || alt.slots[0].kind != TSlotKind::Exact) continue;
          TScanView v;
          v.text = units.data();
          v.kinds = kinds.data();
          v.words = &word;
          v.word_count = 1;
          v.fold = fold;
          EXPECT_EQ(ExactSlotMatchesBytes(alt.slots[0], item.case_sensitive, word,
                                          reinterpret_cast<const uint8_t*>(bytes.data()), fold),
                    SlotMatchesWord(alt.slots[0], item.case_sensitive, v, 0))
              << Utf16ToUtf8(typed) << " options " << item_options;
        }
      }
    }
  }
}

}  // namespace
