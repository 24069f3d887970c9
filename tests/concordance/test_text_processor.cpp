// The text worker end to end: real texts on disk, the real reader, tag handler and engine, and
// the candidate lines checked against the file's bytes and against each other.
#include <random>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "../model/read_and_search_support.h"
#include "worker_test_support.h"
#include "concordance/lines/list_line_sink.h"
#include "concordance/run/text_processor.h"
#include "concordance/run/texts_into_list.h"
#include "model/documents/work_base.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/fast_first_pass.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

using namespace text_reader_test;

namespace {

// What a candidate shows, the file's place aside.
auto LineShape(const TCandidateLine& c) {
  const TConcordanceLineData& d = c.line->Data();
  std::string fixed;
  for (int k = 0; k < kSpanFixedCount; ++k) {
    const TSortInfoRec r = c.line->FixedWord(k);
    fixed.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  return std::make_tuple(UString(c.line->Text()), d.midpoint, d.hit_characters, d.sw_number, d.conc_line_chars,
                         fixed, c.line->OtherLeftCollocs().Count(), c.line->OtherRightCollocs().Count());
}
// Everything a candidate holds.
auto LineKey(const TCandidateLine& c) {
  const TConcordanceLineData& d = c.line->Data();
  const TLineUnitStats units = c.line->UnitStats();
  std::string extras(reinterpret_cast<const char*>(&units), sizeof units);
  return std::tuple_cat(LineShape(c), std::make_tuple(d.byte_position, d.word_num, d.percent_of_file, extras, c.chunk,
                                                      c.item, c.hit, UString(c.line->TagContext())));
}

class TextProcessor : public TWorkerTest {};

// Every occurrence of needle in bytes, from `from` on.
std::vector<int64_t> FindAll(const std::string& bytes, const std::string& needle, int64_t from = 0) {
  std::vector<int64_t> out;
  for (size_t at = bytes.find(needle, static_cast<size_t>(from)); at != std::string::npos;
       at = bytes.find(needle, at + 1))
    out.push_back(static_cast<int64_t>(at));
  return out;
}

// The file place of each line.
std::vector<int64_t> Bytes(const TTextOutcome& out) {
  std::vector<int64_t> got;
  for (const TCandidateLine& l : out.lines) got.push_back(l.line->Data().byte_position);
  return got;
}

// A text read for "dog" alone and for "dog" among fifty items ("w0" to "w48") at one width, and
// the many items' "dog" lines.
struct TOneItemAndFifty {
  static UString Fifty() {
    UString fifty = u"dog";
    for (int k = 0; k < 49; ++k) fifty += u"\nw" + IntToUStr(k);
    return fifty;
  }
  TOneItemAndFifty(const UString& file, int32_t width) : one(u"dog"), many(Fifty()) {
    one.setup.line_width = many.setup.line_width = width;
    a = one.Read(file);
    b = many.Read(file);
    for (const TCandidateLine& c : b.lines)
      if (c.item == 0) dogs.push_back(&c);
  }
  TWorkerRun one, many;
  TTextOutcome a, b;
  std::vector<const TCandidateLine*> dogs;
};

// What the lines of a run show around their hits: the words at span positions 48 to 52 and the
// hit as the grid's centre shows it, joined with "|", a line a string.
struct TRunRoad {
  bool full_road;
  int32_t workers;
};
constexpr TRunRoad kRunRoads[] = {{false, 1}, {true, 1}, {false, 3}, {true, 3}};

// Each line of a run over the texts down the road, as `describe` gives it.
template <typename F>
std::vector<std::string> EachLineOfARun(const std::vector<UString>& files, UStringView items, TRunRoad road,
                                        F describe) {
  SetFastFirstPass(!road.full_road);
  std::vector<TChosenFileDetailsFullRec> texts;
  for (const UString& f : files) texts.push_back(ChosenFile(f));
  TConcordanceListDocument doc;
  TConcordanceList list(nullptr, &doc);
  TTextsIntoListChoices choices;
  choices.threads = road.workers;
  RunTextsIntoList(texts, items, list, choices);
  SetFastFirstPass(true);
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(describe(list, *list.Line(i)));
  return out;
}

std::vector<std::string> ShownAroundHits(const std::vector<UString>& files, UStringView items, TRunRoad road) {
  return EachLineOfARun(files, items, road, [](TConcordanceList& list, const TConcordanceEntry& line) {
    std::string s;
    for (int p = 48; p <= 52; ++p) s += ToUtf8(list.WordAtSpan(line, p)) + "|";
    const TConcLineDisplay d = list.DisplayLine(line);
    s += ToUtf8(d.text.substr(static_cast<size_t>(d.sw_start), static_cast<size_t>(d.hit_width)));
    return s;
  });
}

// The words around each hit of a text read twice, the same on every road: the case's `shown`
// once for each reading.
void ExpectShownOnEveryRoad(const UString& file, UStringView search, const std::vector<std::string>& shown,
                            const std::string& name) {
  std::vector<std::string> twice = shown;
  twice.insert(twice.end(), shown.begin(), shown.end());
  for (const TRunRoad road : kRunRoads) {
    SCOPED_TRACE(name + (road.full_road ? " full road " : " fast road ") + std::to_string(road.workers));
    EXPECT_EQ(ShownAroundHits({file, file}, search, road), twice);
  }
}

}  // namespace

// Hidden mark-up ends a word in the words kept around a hit, as it ends the running words:
// the word before a hidden tag and the one after it are two words, on every road.
TEST_F(TextProcessor, HiddenMarkupPartsTheWordsAroundAHit) {
  struct Case {
    const char* name;
    std::string text;
    const char16_t* search;
    std::vector<std::string> shown;  // L2|L1|hit|R1|R2|centre
  };
  const Case cases[] = {
      {"a tag inside a word", "cat<x>dog river\n", u"river", {"cat|dog|river|||river"}},
      {"an empty tag", "IF A<>A THEN\n", u"if", {"||IF|A|A|IF"}},
      // A web page's table saved as text, every cell in mark-up.
      {"table cells",
       "<table><tr><td>Severn</td><td>river</td><td>354</td></tr>"
       "<tr><td>Thames</td><td>river</td><td>346</td></tr></table>\n",
       u"river", {"|Severn|river|354|Thames|river", "354|Thames|river|346||river"}},
  };
  for (const Case& c : cases) {
    ExpectShownOnEveryRoad(tmp_.Write(u"hidden.txt", c.text), c.search, c.shown, c.name);
  }
}

// A phrase whose words stand apart by blanks the line folds to one (a line end with indentation,
// CR LF, a tab, several blanks) shows as wide as it is in the line, not as in its text: the
// right context keeps its first characters, on every road.
TEST_F(TextProcessor, APhraseAcrossFoldedBlanksShowsAsWideAsInItsLine) {
  struct Case {
    const char* name;
    std::string text;
    const char16_t* search;
    std::vector<std::string> shown;  // L2|L1|hit|R1|R2|centre
  };
  const Case cases[] = {
      {"indented line end", "Doch es\n  ist ja nur\n", u"es ist", {"|Doch|es ist|ja|nur|es ist"}},
      {"CR LF", "the old\r\nman sat\r\n", u"old man", {"|the|old man|sat||old man"}},
      {"tab", "the old\tman sat\n", u"old man", {"|the|old man|sat||old man"}},
      {"several blanks", "the old    man sat\n", u"old man", {"|the|old man|sat||old man"}},
      // German prose with Windows line ends.
      {"prose",
       "Es war einmal ein K\xC3\xB6nig, der hatte\r\ndrei T\xC3\xB6" "chter. Die j\xC3\xBCngste war die\r\n"
       "sch\xC3\xB6nste.\r\n",
       u"hatte drei", {"K\xC3\xB6nig|der|hatte drei|T\xC3\xB6" "chter|Die|hatte drei"}},
  };
  for (const Case& c : cases) {
    ExpectShownOnEveryRoad(tmp_.Write(u"phrase.txt", c.text), c.search, c.shown, c.name);
  }
}

// With sentence ends found automatically, a full stop inside a dotted word or at its end (German
// "z.Zt.", "Dr.med.", "v.Chr.") ends no sentence, whatever the length of its last part; after a
// word with no full stop inside ("Dr.") one does. The same sentence numbers on every road.
TEST_F(TextProcessor, DottedWordsEndNoSentence) {
  TTextsett_rec32 ts = GetTextSettings();
  ts.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, true);
  SetTextSettings(ts);
  struct Case {
    const char* name;
    std::string text;
    const char16_t* search;
    std::vector<std::string> sentences;  // each hit's sentence number and its word in it
  };
  const Case cases[] = {
      {"last part of two letters", "Es ist z.Zt. Mittag. Mittag ist es.\n", u"mittag", {"1:5", "2:1"}},
      {"of three", "Der Dr.med. Meier kam. Meier ging.\n", u"meier", {"1:4", "2:1"}},
      {"before a bracket", "Im Jahr 44 v.Chr.) starb Caesar. Caesar war tot.\n", u"caesar", {"1:7", "2:1"}},
      {"no full stop inside", "Der Dr. Meier kam. Meier ging.\n", u"meier", {"2:1", "3:1"}},
      // Prose from a German novel, with its abbreviations: "d.h.", "Dr.med.", "u.a.", "z.Zt." and
      // "v.Chr." end no sentence; "Bahnhofstr." (no full stop inside) and the ordinal "1." before a
      // capital do.
      {"prose",
       "Er wohnte damals, d.h. im Winter 1921, bei Dr.med. Hans Keller in der Bahnhofstr. Nr. 12, "
       "u.a. weil die Miete z.Zt. niedrig war. Keller war ein Arzt, wie es ihn seit dem 1. Jh. v.Chr. "
       "kaum gegeben hatte. Keller schwieg.\n",
       u"keller", {"1:13", "3:1", "5:1"}},
  };
  for (const Case& c : cases) {
    const UString file = tmp_.Write(u"saetze.txt", c.text);
    for (const TRunRoad road : kRunRoads) {
      SCOPED_TRACE(std::string(c.name) + (road.full_road ? " full road " : " fast road ") + std::to_string(road.workers));
      const std::vector<std::string> got =
          EachLineOfARun({file}, c.search, road, [](TConcordanceList&, const TConcordanceEntry& line) {
            const TLineUnitStats u = line.UnitStats();
            return std::to_string(u.unit_number[0]) + ":" + std::to_string(u.unit_position[0]);
          });
      EXPECT_EQ(got, c.sentences);
    }
  }
}

TEST_F(TextProcessor, EachLineLiesOnTheBytesOfItsHitInEveryEncoding) {
  // Non-ASCII before each hit, so that a character index taken for a byte shows.
  const UString story = u"\u00DCber \u00E7a \u043A\u043E\u0444\u0435 the caf\u00E9 was shut. \u00C7a caf\u00E9!\n";
  const UString whole = Times16(story, 30);
  struct Case {
    const char* name;
    std::string bytes;
    std::string needle;  // the hit's bytes in the file
    int64_t from;        // bytes of a mark before the text
    int32_t words;
  };
  const Case cases[] = {
      {"utf8.txt", ToUtf8(whole), "caf\xC3\xA9", 0, 30 * 9},
      {"utf8sig.txt", "\xEF\xBB\xBF" + ToUtf8(whole), "caf\xC3\xA9", 3, 30 * 9},
      {"utf16le.txt", Utf16Bytes(whole, true, true), Utf16Bytes(u"caf\u00E9", true, false), 2, 30 * 9},
      {"utf16be.txt", Utf16Bytes(whole, false, true), Utf16Bytes(u"caf\u00E9", false, false), 2, 30 * 9},
      // The code page: one byte a character.
      {"cp1252.txt", Times("\xDC" "ber \xE7" "a the caf\xE9 was shut. \xC7" "a caf\xE9!\n", 20), "caf\xE9", 0, 20 * 8},
  };
  TWorkerRun run(u"caf\u00E9");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const UString file = tmp_.Write(Utf8ToUtf16(c.name), c.bytes);
    const TTextOutcome out = run.Read(file);
    ASSERT_TRUE(out.read_ok) << ToUtf8(out.failure);
    std::vector<int64_t> want = FindAll(c.bytes, c.needle, c.from);
    if (c.needle.size() == 8) {  // UTF-16: only finds on character boundaries
      std::erase_if(want, [&](int64_t b) { return (b - c.from) % 2 != 0; });
    }
    EXPECT_EQ(Bytes(out), want);
    for (const TCandidateLine& l : out.lines) {
      const TConcordanceLineData& d = l.line->Data();
      EXPECT_EQ(d.hit_characters, 4);
      EXPECT_EQ(UString(l.line->Text().substr(static_cast<size_t>(d.midpoint), 4)), u"caf\u00E9");
    }
    EXPECT_EQ(out.words, c.words);
  }
}

// The temporary file of a save or a modification, among the chosen texts by a saved list or an
// old choice, is not read: the run says so for that text and makes no line of it.
TEST_F(TextProcessor, TheTemporaryFileOfASaveIsNeverReadAsAText) {
  TWorkerRun run(u"river");
  const UString text = tmp_.Write(u"bank.txt", "the river bank");
  const UString temp = tmp_.Write(u".~bank.txt.lz4242-0123abcd.tmp", "the river bank");
  const TTextOutcome real = run.Read(text);
  EXPECT_TRUE(real.read_ok);
  EXPECT_EQ(real.lines.size(), 1u);
  const TTextOutcome half = run.Read(temp);
  EXPECT_FALSE(half.read_ok);
  EXPECT_TRUE(half.lines.empty());
  EXPECT_NE(half.failure.find(temp), UString::npos) << Utf16ToUtf8(half.failure);
}

TEST_F(TextProcessor, UnitNumbersAndLengthsAreAlikeWithOneItemAndWithFifty) {
  // Sentence i (from 1) has 3 + i % 7 words, the first "dog"; the other items are words that
  // stand now and then in the same sentences, so lines of many items lie between a unit's lines.
  // Over 2 MiB, so that units run on over the chunk cut.
  std::string text;
  std::vector<int32_t> length_of_sentence{0};
  for (int32_t i = 1; text.size() < 2300000; ++i) {
    const int32_t n = 3 + i % 7;
    std::string s = "Dog";  // a capital after the full stop: a sentence end
    for (int32_t w = 1; w < n; ++w) s += " " + (w == 1 && i % 3 == 0 ? "w" + std::to_string(i % 49) : std::string("ox"));
    text += s + ". ";  // one paragraph, cut in mid-sentence: both units run over the cut
    length_of_sentence.push_back(n);
  }
  const TOneItemAndFifty read(tmp_.Write(u"units.txt", text), 60);
  const TTextOutcome &a = read.a, &b = read.b;
  const std::vector<const TCandidateLine*>& dogs = read.dogs;
  ASSERT_TRUE(a.read_ok && b.read_ok);
  ASSERT_GE(a.chunks, 2);
  ASSERT_GT(b.lines.size(), a.lines.size());
  ASSERT_EQ(dogs.size(), a.lines.size());
  ASSERT_EQ(a.lines.size(), length_of_sentence.size() - 1);
  for (size_t i = 0; i < a.lines.size(); ++i) {
    const TLineUnitStats x = a.lines[i].line->UnitStats();
    const TLineUnitStats y = dogs[i]->line->UnitStats();
    ASSERT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "line " << i;
    ASSERT_EQ(x.unit_number[kUnitSentence], static_cast<int32_t>(i) + 1);
    ASSERT_EQ(x.unit_number[kUnitParagraph], 1);
    ASSERT_EQ(x.unit_length[kUnitParagraph], a.words);  // closed at the text's end, in the last chunk
  }
  // Every item's lines: the sentence's length, and every unit ended, with the text at the latest.
  for (const TCandidateLine& c : b.lines) {
    const TLineUnitStats x = c.line->UnitStats();
    ASSERT_EQ(x.unit_length[kUnitSentence], length_of_sentence[static_cast<size_t>(x.unit_number[kUnitSentence])]);
    for (int k = 0; k < kUnitKinds; ++k) ASSERT_TRUE(x.unit_number[k] <= 0 || x.unit_length[k] > 0) << k;
  }
}

// Sentences of 1 to 14 words with the search word anywhere in them, none, once or several times,
// and other items' words among them: every line gets its own sentence's length, whatever the
// lines of other items and sentences open beside it, with one item and with many; the units that
// never end before the text's end (paragraph, heading, section) close together for every line
// at once, the last sentence's lines with them.
TEST_F(TextProcessor, UnitLengthsReachEveryLineWhereverItsSentenceEnds) {
  std::mt19937 rng(27);
  std::string text;
  std::vector<int32_t> length_of_sentence{0};
  std::vector<int32_t> dogs_expected;  // the sentence of each "dog", in text order
  for (int32_t i = 1; text.size() < 2300000; ++i) {
    const int32_t n = 1 + static_cast<int32_t>(rng() % 14);
    for (int32_t w = 0; w < n; ++w) {
      std::string word;
      const uint32_t r = rng() % 10;
      if (r < 2) {
        word = "dog";
        dogs_expected.push_back(i);
      } else if (r < 4) {
        word = "w" + std::to_string(rng() % 49);
      } else {
        word = "ox";
      }
      if (w == 0) word[0] = static_cast<char>(word[0] - 32);  // a capital after the full stop
      text += word + (w + 1 < n ? " " : "");
    }
    text += rng() % 5 == 0 ? "!\n" : ". ";
    length_of_sentence.push_back(n);
  }
  const TOneItemAndFifty read(tmp_.Write(u"sentences.txt", text), 80);
  ASSERT_TRUE(read.a.read_ok && read.b.read_ok && read.a.chunks >= 2);
  ASSERT_EQ(read.a.lines.size(), dogs_expected.size());
  ASSERT_EQ(read.dogs.size(), dogs_expected.size());
  for (size_t i = 0; i < dogs_expected.size(); ++i) {
    const TLineUnitStats x = read.a.lines[i].line->UnitStats();
    const TLineUnitStats y = read.dogs[i]->line->UnitStats();
    ASSERT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "line " << i;
    ASSERT_EQ(x.unit_number[kUnitSentence], dogs_expected[i]) << "line " << i;
    ASSERT_EQ(x.unit_length[kUnitParagraph], read.a.words) << "line " << i;
  }
  for (const TCandidateLine& c : read.b.lines) {
    const TLineUnitStats x = c.line->UnitStats();
    ASSERT_EQ(x.unit_length[kUnitSentence], length_of_sentence[static_cast<size_t>(x.unit_number[kUnitSentence])]);
    for (int k = 0; k < kUnitKinds; ++k) ASSERT_TRUE(x.unit_number[k] <= 0 || x.unit_length[k] > 0) << k;
  }
}

TEST_F(TextProcessor, ALineAtTheChunkCutEqualsTheSameLineAwayFromIt) {
  // One long line of numbered words, no line end: the first chunk is cut at its last blank
  // before 2 MiB. "dog" stands 150 characters before the cut and 150 after it, so each line's
  // window runs over the cut. The same text behind 300,000 bytes of other words has both hits
  // far from any cut.
  std::string a;
  int32_t n = 0;
  auto word = [&n] { return "w" + std::to_string(n++) + " "; };
  while (a.size() < 2097152 - 160) a += word();
  a += "dog ";
  while (a.size() < 2097152 + 150) a += word();
  a += "dog ";
  while (a.size() < 2200000) a += word();
  std::string prefix;
  int32_t prefix_words = 0;
  while (prefix.size() < 300000) prefix += "x" + std::to_string(prefix_words++) + " ";
  const UString cut = tmp_.Write(u"cut.txt", a), away = tmp_.Write(u"away.txt", prefix + a);

  // Widths whose half is within what the reader carries over, and beyond it.
  for (const int32_t width : {1000, 3001, 9000}) {
    SCOPED_TRACE(width);
    TWorkerRun run(u"dog");
    run.setup.line_width = width;
    const TTextOutcome x = run.Read(cut), y = run.Read(away);
    ASSERT_TRUE(x.read_ok && y.read_ok);
    ASSERT_EQ(x.lines.size(), 2u);
    ASSERT_EQ(y.lines.size(), 2u);
    EXPECT_EQ(x.lines[0].chunk, 0);
    EXPECT_EQ(x.lines[1].chunk, 1);
    EXPECT_EQ(y.lines[0].chunk, y.lines[1].chunk);
    for (size_t i = 0; i < 2; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(x.lines[i].line->Text().size(), static_cast<size_t>(width));
      EXPECT_TRUE(LineShape(x.lines[i]) == LineShape(y.lines[i]))
          << ToUtf8(x.lines[i].line->Text().ToUString()) << "\n against \n" << ToUtf8(y.lines[i].line->Text().ToUString());
      EXPECT_EQ(x.lines[i].line->Data().byte_position + static_cast<int64_t>(prefix.size()),
                y.lines[i].line->Data().byte_position);
      EXPECT_EQ(x.lines[i].line->Data().word_num + prefix_words, y.lines[i].line->Data().word_num);
      EXPECT_EQ(a.substr(static_cast<size_t>(x.lines[i].line->Data().byte_position), 3), "dog");
    }
  }
}

TEST_F(TextProcessor, SamplingWithOneSeedKeepsTheSameHitsEachTime) {
  const UString file = tmp_.Write(u"many.txt", Times("A dog and a cat. The dog sat.\n", 400));
  TWorkerRun run(u"dog\ncat");
  run.setup.sampling_seed = 20261207;
  run.setup.sampling_range = 4;
  const TTextOutcome a = run.Read(file), b = run.Read(file);
  ASSERT_EQ(a.lines.size(), b.lines.size());
  for (size_t i = 0; i < a.lines.size(); ++i) EXPECT_TRUE(LineKey(a.lines[i]) == LineKey(b.lines[i])) << i;
  // About one hit in four of the 1,200, and each kept one is the hit its place names.
  EXPECT_GT(a.lines.size(), 200u);
  EXPECT_LT(a.lines.size(), 400u);
  for (const TCandidateLine& c : a.lines)
    EXPECT_TRUE(SampledIn(run.setup.sampling_seed, THitPlace{0, c.chunk, c.item, c.hit}, 4));
  // Another seed keeps other hits; a range of 1 keeps all.
  run.setup.sampling_seed = 1;
  EXPECT_NE(Bytes(run.Read(file)), Bytes(a));
  run.setup.sampling_range = 1;
  EXPECT_EQ(run.Read(file).lines.size(), 1200u);
}

TEST_F(TextProcessor, ContextAndExclusionWordsAreJudgedForEachHit) {
  // Hits: dog 1 (young), dog 2 (old, barked), dog 3 (old), dog 4 (none).
  const std::string text = "A young dog slept. An old dog barked. The old dog ran. The dog sat.\n";
  const UString file = tmp_.Write(u"context.txt", text);
  struct Case {
    const char16_t* context;
    const char16_t* exclusion;
    bool all;
    std::vector<int64_t> bytes;
  };
  const int64_t d1 = 8, d2 = 26, d3 = 46, d4 = 59;
  const Case cases[] = {
      {u"", u"", false, {d1, d2, d3, d4}},
      {u"old", u"", false, {d2, d3}},
      // An excluded hit first: the hits after it are judged afresh.
      {u"", u"young", false, {d2, d3, d4}},
      {u"old\nbarked", u"", false, {d2, d3}},
      {u"old\nbarked", u"", true, {d2}},
      {u"old", u"ran", false, {d2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(UString(c.context) + u" / " + c.exclusion) + (c.all ? " all" : ""));
    TWorkerRun run(u"dog", c.context, c.exclusion);
    run.context_items.require_all = c.all;
    run.setup.context_left = run.setup.context_right = 2;
    const TTextOutcome out = run.Read(file);
    EXPECT_EQ(Bytes(out), c.bytes);
    for (const TCandidateLine& l : out.lines)
      EXPECT_TRUE(c.context[0] == 0 || l.line->OtherContextWords().Count() > 0);
  }
  for (int64_t b : {d1, d2, d3, d4}) EXPECT_EQ(text.substr(static_cast<size_t>(b), 3), "dog");
}

TEST_F(TextProcessor, FinishingTheTextStillMakesLinesAndStoppingNowMakesNone) {
  const UString file = tmp_.Write(u"stop.txt", Times("The dog sat. A dog ran.\n", 50));
  TWorkerRun run(u"dog\nsat");
  struct Case {
    uint8_t panic;
    size_t lines;
    uint8_t stop_state;
    bool not_read;  // stopped before its first chunk
  };
  for (const Case& c : {Case{0, 150, 0, false}, Case{kPanicEndOfText, 150, 1, false}, Case{kPanicStopNow, 0, 2, true}}) {
    SCOPED_TRACE(int(c.panic));
    global_panic_state = c.panic;
    const TTextOutcome out = run.Read(file);
    EXPECT_EQ(out.lines.size(), c.lines);
    EXPECT_EQ(out.stop_state, c.stop_state);
    EXPECT_EQ(out.not_read, c.not_read);
    EXPECT_TRUE(out.read_ok && out.failure.empty());
    EXPECT_TRUE(c.panic != 0 || out.stopped_after_chunk == -1);
  }
}

TEST_F(TextProcessor, TwoTextsOnTwoThreadsGiveTheOutcomesOfOneThread) {
  const UString story = u"The old man drank his caf\u00E9. The dog slept by the door!\n";
  const UString one = tmp_.Write(u"one.txt", ToUtf8(Times16(story, 200)));
  const UString two = tmp_.Write(u"two.txt", Utf16Bytes(Times16(story, 150), true, true));
  TWorkerRun run(u"dog\nold man\ncaf\u00E9", u"the");
  run.setup.sampling_seed = 7;
  run.setup.sampling_range = 2;
  EnsureSettingsStoreReady();
  TTextOutcome t[2];
  std::thread a([&] { t[0] = run.Read(one, 0); });
  std::thread b([&] { t[1] = run.Read(two, 1); });
  a.join();
  b.join();
  const TTextOutcome s[2] = {run.Read(one, 0), run.Read(two, 1)};
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    ASSERT_TRUE(t[k].read_ok && s[k].read_ok);
    EXPECT_EQ(t[k].words, s[k].words);
    EXPECT_FALSE(s[k].lines.empty());
    ASSERT_EQ(t[k].lines.size(), s[k].lines.size());
    for (size_t i = 0; i < s[k].lines.size(); ++i) EXPECT_TRUE(LineKey(t[k].lines[i]) == LineKey(s[k].lines[i])) << i;
  }
}

TEST_F(TextProcessor, KeptTagsGoWithTheLineAndNameItsHeading) {
  // "<h>" is kept: it shows in the line as a tag of number 1, and the last one before the
  // search word heads the line.
  read_and_search::UseTagsToKeep({u"<h>"});
  const UString file = tmp_.Write(u"tagged.txt", "<h>Dogs</h> The dog ran. <h>Cats</h> A cat sat.\n");
  TWorkerRun run(u"dog\ncat");
  const TTextOutcome out = run.Read(file);
  ASSERT_TRUE(out.read_ok) << ToUtf8(out.failure);
  ASSERT_EQ(out.lines.size(), 2u);
  for (const TCandidateLine& c : out.lines) {
    const TConcordanceEntry& l = *c.line;
    const UString text(l.Text());
    const int32_t mid = l.Data().midpoint;
    // The heading is the last "<h>" before the search word: "Dogs" for the dog, "Cats" for the cat.
    const size_t heading = text.rfind(u"<h>", static_cast<size_t>(mid));
    ASSERT_NE(heading, UString::npos);
    EXPECT_EQ(l.TagNumber1Based(), 1);
    EXPECT_EQ(UString(l.TagContext()), u"<h>");
    EXPECT_EQ(l.TagContextDistance(), mid - static_cast<int32_t>(heading));
    // Both kept tags are in the line, numbered, with their text's length; the hidden closing
    // tags are there with no length.
    int32_t kept = 0;
    for (int32_t i = 0; i < l.TagPositions().Count(); ++i) {
      const TTagPositionRec r = l.TagPositions().Record(i);
      if (r.tagnumber_1Based == 0) {
        EXPECT_EQ(r.used_length, 0);
        EXPECT_EQ(r.tag_kind, kScanFlagHidden);
        continue;
      }
      ++kept;
      EXPECT_EQ(r.tagnumber_1Based, 1);
      EXPECT_EQ(r.tag_kind, kScanFlagHidden + 1);
      EXPECT_EQ(r.used_length, 3);
      EXPECT_EQ(text.substr(static_cast<size_t>(r.tag_position), 3), u"<h>");
    }
    EXPECT_EQ(kept, 2);
  }
}

TEST_F(TextProcessor, AnEmptyTextGivesNoLines) {
  const UString file = tmp_.Write(u"empty.txt", "");
  TWorkerRun run(u"dog");
  const TTextOutcome out = run.Read(file);
  EXPECT_TRUE(out.read_ok && out.failure.empty() && out.lines.empty()) << ToUtf8(out.failure);
  EXPECT_EQ(out.words, 0);
  // A text that is not there is a failure that names it.
  const TTextOutcome missing = run.Read(tmp_.Path() + u"missing.txt");
  EXPECT_FALSE(missing.read_ok);
  EXPECT_NE(missing.failure.find(u"missing.txt"), UString::npos);
}

// A line's text is written once, where its list keeps it: the worker writes it into the list's
// arena, and the list takes the line with the text where it lies (no second copy on the
// committer's thread). The arena's blocks go with the last text.
TEST_F(TextProcessor, ALinesTextIsWrittenOnceWhereItsListKeepsIt) {
  const UString story = u"The old man drank his caf\u00E9. The dog slept by the door!\n";
  const UString file = tmp_.Write(u"story.txt", ToUtf8(Times16(story, 400)));
  TConcordanceListDocument doc;
  TConcordanceList list(nullptr, &doc);
  TWorkerRun run(u"dog\nold man");
  run.setup.line_owner = &list;
  TTextOutcome out = run.Read(file);
  ASSERT_TRUE(out.read_ok) << ToUtf8(out.failure);
  ASSERT_EQ(out.lines.size(), 800u);
  TLineTextArena& arena = *list.LineTextArena();
  EXPECT_EQ(arena.LiveTexts(), 800);
  std::vector<const uint8_t*> where;
  for (const TCandidateLine& c : out.lines) {
    EXPECT_TRUE(c.line->TextInArena());
    where.push_back(c.line->Text().Bytes());
  }
  // The first line is refused (as a filter or a limit would): its text goes back.
  out.lines.front().line.reset();
  EXPECT_EQ(arena.LiveTexts(), 799);
  TConcordanceListSink sink(list);
  for (size_t i = 1; i < out.lines.size(); ++i) sink.Add(std::move(out.lines[i].line));
  ASSERT_EQ(list.Count(), 799);
  // The candidates hold the items in turn: every "dog" of the chunk, then every "old man".
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Line(i)->Text().Bytes(), where[static_cast<size_t>(i) + 1]) << i;
    EXPECT_NE(UString(list.Line(i)->Text()).find(i < 399 ? u"dog" : u"old man"), UString::npos) << i;
  }
  EXPECT_EQ(arena.LiveTexts(), 799);
  ASSERT_TRUE(list.Clear());
  EXPECT_EQ(arena.LiveTexts(), 0);
  EXPECT_EQ(arena.BytesHeld(), 0u);
}

namespace {

// Prose in which "the" is about one word in ten, so that neighbouring lines overlap: blanks in
// runs, line ends (CR LF too) and tabs, which a line drops or turns into one blank; with `extra`
// 1 accented letters and curly quotes as well (kept a byte a character), with 2 Cyrillic too.
UString FrequentWordProse(std::mt19937& rng, size_t chars, int extra) {
  static const char16_t* kWords[] = {u"the",  u"The",  u"old", u"man",  u"sat",          u"by",
                                     u"sea",  u"and",  u"a",   u"dog",  u"ran",          u"home",
                                     u"slow", u"green", u"of", u"caf\u00E9", u"\u201Csaid\u201D",
                                     u"\u0436\u0443\u043A"};
  static const char16_t* kGaps[] = {u" ", u" ", u" ", u" ", u" ", u"  ", u"\n", u"\n\n", u"\r\n", u"\t", u". ", u", "};
  const size_t words = extra == 0 ? 15 : extra == 1 ? 17 : 18;
  UString s;
  while (s.size() < chars) {
    s += rng() % 10 == 0 ? u"the" : kWords[rng() % words];
    s += kGaps[rng() % std::size(kGaps)];
  }
  return s;
}

}  // namespace

// Lines that share their bytes with their neighbours hold exactly what lines with texts of their
// own hold: in every encoding, one byte a character or two, a text over the chunk cut, lines at
// a text's start (padded), two items (each a pass over the chunk of its own), lines refused by a
// context word between lines kept, narrow and wide windows. Their texts take a fraction of what
// copies would.
TEST_F(TextProcessor, LinesSharingTheirTextEqualLinesWithTextsOfTheirOwn) {
  std::mt19937 rng(41);
  struct Text {
    const char16_t* name;
    std::string bytes;
  };
  std::vector<Text> texts = {
      {u"plain.txt", ToUtf8(FrequentWordProse(rng, 2200000, 0))},
      {u"accents.txt", ToUtf8(FrequentWordProse(rng, 200000, 1))},
      {u"cyrillic.txt", Utf16Bytes(FrequentWordProse(rng, 150000, 2), true, true)},
      {u"cp1252.txt", EncodeCodePage(FrequentWordProse(rng, 150000, 1), 1252)},
      {u"short.txt", ToUtf8(FrequentWordProse(rng, 700, 0))},
  };
  TConcordanceListDocument doc;
  TConcordanceList list(nullptr, &doc);
  struct Case {
    int32_t width;
    const char16_t* context;
  };
  for (const Case c : {Case{1000, u""}, Case{80, u""}, Case{1000, u"old"}}) {
    TWorkerRun shared(u"the\ndog", c.context), own(u"the\ndog", c.context);
    shared.setup.line_owner = &list;
    shared.setup.line_width = own.setup.line_width = c.width;
    for (const Text& t : texts) {
      if (*c.context && t.bytes.size() > 1000000) continue;
      SCOPED_TRACE(testing::Message() << ToUtf8(t.name) << " width " << c.width << " context " << ToUtf8(c.context));
      const UString file = tmp_.Write(t.name, t.bytes);
      const size_t held_before = list.LineTextArena()->BytesHeld();
      const TTextOutcome a = shared.Read(file), b = own.Read(file);
      ASSERT_TRUE(a.read_ok && b.read_ok);
      ASSERT_EQ(a.lines.size(), b.lines.size());
      ASSERT_GT(a.lines.size(), 3u);
      size_t copies = 0;
      for (size_t i = 0; i < a.lines.size(); ++i) {
        ASSERT_TRUE(a.lines[i].line->TextInArena());
        ASSERT_TRUE(LineKey(a.lines[i]) == LineKey(b.lines[i])) << i;
        ASSERT_EQ(a.lines[i].line->Text().Form(), b.lines[i].line->Text().Form()) << i;
        copies += b.lines[i].line->Text().StoredBytes();
      }
      if (c.width == 1000 && !*c.context && t.bytes.size() > 100000 && t.name != std::u16string_view(u"cyrillic.txt")) {
        EXPECT_LT(list.LineTextArena()->BytesHeld() - held_before, copies / 4);
      }
    }
  }
}
