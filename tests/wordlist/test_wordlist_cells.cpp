// Words counted in cells: the tables of ASCII forms on their own (forms, growth, counts handed
// over), and word lists counted straight from the fast pass's masks against the road that builds
// every word's form and asks the counter (a stop word that never occurs keeps a list on it), over
// random texts of every character class, case and cut, in several list settings and on one
// worker against many.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "../model/text_reader_test_support.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/streams.h"
#include "platform/search/fast_first_pass.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "wordlist/ascii_word_table.h"
#include "wordlist/word_list_document.h"

namespace {

using text_reader_test::ScopedSettings;

template <class Form>
std::string Bytes(const Form& f) {
  constexpr size_t kVectors = sizeof f.bytes / sizeof f.bytes[0];
  alignas(16) char b[16 * kVectors];
  for (size_t v = 0; v < kVectors; ++v) _mm_store_si128(reinterpret_cast<__m128i*>(b + 16 * v), f.bytes[v]);
  return std::string(b, sizeof b);
}

TEST(AsciiWordTable, FormsOfUnits) {
  struct Case {
    const char16_t* text;
    int32_t length;
    bool upper, no_digits;
    const char* form;  // nullptr: no form (a unit beyond ASCII, or a digit refused)
  };
  const Case cases[] = {
      {u"the river", 3, true, false, "THE"},
      {u"tHe river", 3, false, false, "tHe"},
      {u"don't-stop", 10, true, false, "DON'T-STOP"},
      {u"abcdefghijklmnopqrstu", 16, true, false, "ABCDEFGHIJKLMNOP"},
      {u"`az{@AZ[", 8, true, false, "`AZ{@AZ["},  // only a-z move
      {u"x1y", 3, true, false, "X1Y"},
      {u"x1y", 3, true, true, nullptr},
      {u"caf\u00E9", 4, true, false, nullptr},
      {u"\u0130t", 2, false, false, nullptr},
      {u"ab\u0100", 2, true, false, "AB"},  // what follows the word is not read into it
      // Units from 0x8000 on pack to a zero byte, which must not pass for the form's end.
      {u"a\uAC00", 2, true, false, nullptr},
      {u"\uFF21b", 2, true, false, nullptr},
      {u"ab\U0001F600", 4, false, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    const UString text(c.text);
    UString padded = text + UString(32, u'z');
    TAsciiWordTable::TForm loaded{}, copied{};
    const bool a = TAsciiWordTable::FormOf(padded.data(), c.length, 32, c.upper, c.no_digits, loaded);
    const bool b = TAsciiWordTable::FormOf(text.data(), c.length, c.length, c.upper, c.no_digits, copied);
    ASSERT_EQ(a, c.form != nullptr);
    ASSERT_EQ(b, a);
    if (!a) continue;
    std::string want(c.form);
    want.resize(16, '\0');
    EXPECT_EQ(Bytes(loaded), want);
    EXPECT_EQ(Bytes(copied), want);
    EXPECT_EQ(loaded.hash, copied.hash);
    EXPECT_EQ(loaded.length, c.length);
  }
  // A zero unit inside a word would read as the form's end.
  const UString with_zero(u"a\0b", 3);
  TAsciiWordTable::TForm f{};
  EXPECT_FALSE(TAsciiWordTable::FormOf(with_zero.data(), 3, 3, false, false, f));
}

struct TLongFormCase {
  int32_t length;
  int32_t bad_at;    // -1: none; else the unit made 0xE9 (beyond ASCII)
  int32_t digit_at;  // -1: none; else the unit made '7'
  bool no_digits;
  bool ok;
};

// Forms of more than 16 units in `Cells`: the bytes after the sixteenth are checked and packed as
// the first; forms that differ only at one of `differ_at` hash apart and are told apart.
template <class Cells>
void ExpectLongForms(std::initializer_list<TLongFormCase> cases, std::initializer_list<size_t> differ_at) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-'_";
  constexpr int32_t kMost = Cells::kMostUnits;
  for (const TLongFormCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "length " << c.length << ", beyond ASCII at " << c.bad_at << ", digit at "
                                    << c.digit_at);
    UString units;
    std::string want;
    for (int32_t i = 0; i < c.length; ++i) {
      char ch = letters[static_cast<size_t>(i * 7) % letters.size()];
      if (i == c.digit_at) ch = '7';
      units.push_back(i == c.bad_at ? u'\u00E9' : static_cast<char16_t>(ch));
      want.push_back(ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 0x20) : ch);
    }
    want.resize(kMost, '\0');
    // Read in place with room after the word (whose units must not leak in), and copied out.
    const UString padded = units + UString(kMost, u'q');
    typename Cells::TForm loaded{}, copied{};
    const bool a = Cells::FormOf(padded.data(), c.length, kMost + c.length, true, c.no_digits, loaded);
    const bool b = Cells::FormOf(units.data(), c.length, c.length, true, c.no_digits, copied);
    ASSERT_EQ(a, c.ok);
    ASSERT_EQ(b, c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(Bytes(loaded), want);
    EXPECT_EQ(Bytes(copied), want);
    EXPECT_EQ(loaded.hash, copied.hash);
  }
  Cells table;
  const UString base(kMost, u'a');
  std::vector<typename Cells::TForm> forms;
  for (const size_t at : differ_at) {
    UString w = base;
    w[at] = u'b';
    typename Cells::TForm f{};
    ASSERT_TRUE(Cells::FormOf(w.data(), kMost, 0, false, false, f));
    for (const auto& g : forms) EXPECT_NE(f.hash, g.hash) << at;
    ASSERT_EQ(table.Find(f), nullptr) << at;
    table.Insert(f, static_cast<int32_t>(forms.size()), 0);
    forms.push_back(f);
  }
  for (size_t i = 0; i < forms.size(); ++i) EXPECT_EQ(table.Find(forms[i])->key, static_cast<int32_t>(i));
}

TEST(AsciiWordTable, LongFormsOfUnits) {
  ExpectLongForms<TAsciiLongWordTable>(
      {{17, -1, -1, false, true}, {31, -1, -1, false, true}, {32, -1, -1, true, true}, {33, -1, -1, false, true},
       {48, -1, -1, false, true}, {40, 39, -1, false, false}, {40, 16, -1, false, false}, {47, 33, -1, false, false},
       {20, -1, 19, true, false}, {45, -1, 44, true, false}, {45, -1, 44, false, true}, {18, 0, -1, false, false}},
      {0, 16, 17, 31, 32, 47});
  ExpectLongForms<TAsciiLongerWordTable>(
      {{49, -1, -1, false, true}, {64, -1, -1, true, true}, {65, -1, -1, false, true}, {100, -1, -1, false, true},
       {112, -1, -1, false, true}, {112, 111, -1, false, false}, {80, 48, -1, false, false},
       {97, 96, -1, false, false}, {76, -1, 75, true, false}, {76, -1, 75, false, true}, {50, 0, -1, false, false}},
      {0, 16, 48, 63, 64, 96, 111});
}

// Thousands of forms of `Cells`' lengths, counted unevenly and flushed now and then, against a
// plain map.
template <class Cells>
void CountsSurviveGrowthAndAreHandedOverOnce(int32_t shortest) {
  std::mt19937 rng(27);
  Cells table;
  std::map<int32_t, uint64_t> want, got;
  std::vector<UString> words;
  for (int i = 0; i < 5000; ++i) {
    UString w;
    for (int k = shortest + static_cast<int>(rng() % (Cells::kMostUnits - shortest + 1)); k > 0; --k)
      w.push_back(static_cast<char16_t>(u'A' + rng() % 26));
    words.push_back(w);
  }
  for (int round = 0; round < 60000; ++round) {
    const UString& w = words[rng() % (round < 20000 ? 300 : words.size())];
    typename Cells::TForm f;
    ASSERT_TRUE(Cells::FormOf(w.data(), static_cast<int32_t>(w.size()), 0, false, false, f));
    typename Cells::TCell* c = table.Find(f);
    if (!c) c = &table.Insert(f, table.Count(), 0);
    if (c->pending++ == 0) table.NoteCounted(*c);
    ++want[c->key];
    if (rng() % 5000 == 0) table.Flush([&](int32_t key, uint32_t n) { got[key] += n; });
  }
  table.Flush([&](int32_t key, uint32_t n) { got[key] += n; });
  table.Flush([&](int32_t, uint32_t) { ADD_FAILURE() << "counted twice"; });
  EXPECT_EQ(got, want);
  // Every form is found again under its own key after the growth.
  std::map<UString, int32_t> keys;
  for (const UString& w : words) {
    typename Cells::TForm f{};
    ASSERT_TRUE(Cells::FormOf(w.data(), static_cast<int32_t>(w.size()), 0, false, false, f));
    if (const typename Cells::TCell* c = table.Find(f)) {
      auto [it, fresh] = keys.emplace(w, c->key);
      EXPECT_EQ(it->second, c->key);
      EXPECT_EQ(c->length, w.size());
    }
  }
  EXPECT_EQ(static_cast<int32_t>(keys.size()), table.Count());
}

TEST(AsciiWordTable, CountsSurviveGrowthAndAreHandedOverOnce) {
  CountsSurviveGrowthAndAreHandedOverOnce<TAsciiWordTable>(1);
  CountsSurviveGrowthAndAreHandedOverOnce<TAsciiLongWordTable>(17);
  CountsSurviveGrowthAndAreHandedOverOnce<TAsciiLongerWordTable>(49);
}

// Switches the fast pass for the scope, and back on at its end.
class TRoad {
 public:
  explicit TRoad(bool fast) { SetFastFirstPass(fast); }
  ~TRoad() { SetFastFirstPass(true); }
};

// Words of every class: mixed case, long ones (past a cell), numbers, hyphens, apostrophes,
// abbreviations, sentence and line ends, Turkish capitals; with `rare`, now and then mark-up,
// entities and letters beyond ASCII (whose chunks take the full road).
std::string RandomText(std::mt19937& rng, size_t bytes, bool rare) {
  static const char* kPieces[] = {"the", "The", "THE", "tHe", "river", "RIVER", "Old", "man", "it", "IT", "iT", "I",
                                  "i", "U.S.A.", "e.g.", "3.14", "1,000", "10-20", "well-known", "COVID-19", "don't",
                                  "'tis", "dogs'", "a#b", "#", "x", "to", "of", "a", "abcdefghijklmnop",
                                  "Abcdefghijklmnopq", "internationalisation", "well-known-and-long-word",
                                  "ThirteenChars", ". ", "? ", "! ", "...", ", ", "; ", "\n", "\r\n", "\n\n", "\t", " "};
  static const char* kRare[] = {"<b>", "</b>", "wo<i>rd</i>", "&amp;", "caf\xC3\xA9", "\xD0\xB6\xD0\xB8",
                                "\xF0\x9F\x98\x80", "it\xE2\x80\x99s", "\xC4\xB0T", "\xC4\xB1t", "na\xC3\xAFve"};
  std::string s;
  while (s.size() < bytes) {
    if (rare && rng() % 100 == 0)
      s += kRare[rng() % (sizeof kRare / sizeof kRare[0])];
    else
      s += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
    if (rng() % 3 != 0) s += ' ';
  }
  return s;
}

struct TListSetting {
  const char* name;
  bool case_sensitive = false;
  int32_t lcid = 0x0409;
  bool numbers_kept = true;
  int32_t min_length = 1, max_length = 50;
  bool exact_length = false;
  const char16_t* symbols = u"";
  bool sentence_ends = false;
  int32_t divisions = 8;  // dispersion sections
};

class WordListCells : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  // The texts' word list as a ".lst" file holds it.
  std::vector<uint8_t> ListOf(const std::vector<UString>& files, const TListSetting& c, bool fast, bool reference,
                              int32_t threads = 1) {
    TRoad road(fast);
    SetExactWordLength(c.exact_length);
    SetWordListDispersionDivisions(c.divisions);
    T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
    doc.WordlistSettings.SetMinFrequency(1);
    doc.WordlistSettings.SetMinWordLength(c.min_length);
    doc.WordlistSettings.SetMaxWordLength(c.max_length);
    doc.WordlistSettings.SetNumbersIncluded(c.numbers_kept);
    doc.WordlistSettings.SetCaseSensitive(c.case_sensitive);
    doc.WordlistSettings.SetRatioBasis(50);
    TTextsett_rec32 t = doc.TextSettings();
    t.SetLCID(c.lcid);
    Tfixed_lang_details32 l = t.Language();
    l.SetExtraSymbols(c.symbols);
    t.SetLanguage(l);
    t.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, c.sentence_ends);
    doc.SetTextSettings(t);
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    for (const UString& f : files) EXPECT_TRUE(chosen.ToolAddAFile(f));
    TMakeWordlistOptions o;
    o.threads = threads;
    // A stop word no text holds: every word's form is made and found in the counter.
    if (reference) o.stop_words = {u"QQQZZZNEVER"};
    int32_t converted = 0;
    EXPECT_TRUE(doc.MakeWordlist(chosen, 0, kListWordlist, converted, o));
    // No word is counted when the shortest length counted is past the longest.
    if (c.min_length <= c.max_length) {
      EXPECT_GT(doc.Words().Count(), 10);
    }
    // The list as a ".lst" file holds it: the document's whole stream (rows, their dispersion
    // sections, the texts' statistics), but for the notes, which tell when it was made.
    doc.fNotes.Clear();
    TMemoryStream s;
    EXPECT_TRUE(doc.SaveToStream(s));
    return s.Data();
  }
  // A text of over a chunk and three small ones that `make(rng, bytes)` writes.
  template <class Make>
  std::vector<UString> Texts(std::mt19937& rng, const char16_t* name, Make&& make) {
    std::vector<UString> files{tmp_.Write(UString(name) + u".txt", make(rng, 2250000 + rng() % 100000))};
    for (int i = 0; i < 3; ++i)
      files.push_back(tmp_.Write(UString(name) + IntToUStr(i) + u".txt", make(rng, 1 + rng() % 60000)));
    return files;
  }
  // Each setting's list from the fast pass's masks and from the scanned words, on one worker and
  // on eight, against the form road's.
  template <size_t N>
  void ExpectEveryRoadEqual(const std::vector<UString>& files, const TListSetting (&settings)[N]) {
    for (const TListSetting& c : settings) {
      SCOPED_TRACE(c.name);
      const std::vector<uint8_t> reference = ListOf(files, c, false, true);
      EXPECT_EQ(ListOf(files, c, true, false), reference);
      EXPECT_EQ(ListOf(files, c, false, false), reference);
      EXPECT_EQ(ListOf(files, c, true, false, 8), reference);
      EXPECT_EQ(ListOf(files, c, false, false, 8), reference);
    }
  }
  ScopedSettings settings_;
  TempFolder tmp_;
};

const TListSetting kSettings[] = {
    {"English"},
    {"English, sentence ends", false, 0x0409, true, 1, 50, false, u"", true},
    {"case-sensitive", true},
    {"Turkish", false, 0x041F},
    {"numbers made #, # inside words", false, 0x0409, false, 1, 50, false, u"#'"},
    {"lengths 3 to 6, cut", false, 0x0409, true, 3, 6},
    {"lengths up to 6, exact", false, 0x0409, true, 1, 6, true, u"", true},
    {"apostrophe inside words", false, 0x0409, true, 1, 50, false, u"'"},
    // Chunks wholly inside one section, or across sections, wherever the texts lie.
    {"one dispersion section", false, 0x0409, true, 1, 50, false, u"", false, 1},
    {"three dispersion sections, sentence ends", false, 0x0409, true, 1, 50, false, u"", true, 3},
};

TEST_F(WordListCells, FastCountingEqualsTheFormRoadInEverySetting) {
  std::mt19937 rng(1227);
  // Small texts, and texts over a chunk whose cuts fall at a line end, a space or inside a word.
  std::vector<UString> files;
  for (int i = 0; i < 5; ++i)
    files.push_back(tmp_.Write(u"s" + IntToUStr(i) + u".txt", RandomText(rng, 1 + rng() % 30000, i % 2 == 1)));
  std::string one_line = RandomText(rng, 2150000, false);
  for (char& ch : one_line)
    if (ch == '\n' || ch == '\r') ch = ' ';
  files.push_back(tmp_.Write(u"line.txt", one_line));
  files.push_back(tmp_.Write(u"rare.txt", RandomText(rng, 2100000 + rng() % 100000, true)));
  files.push_back(tmp_.Write(u"runon.txt", RandomText(rng, 2097000, false) + std::string(5000, 'w') + " end"));
  for (const TListSetting& c : kSettings) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> reference = ListOf(files, c, false, true);
    EXPECT_EQ(ListOf(files, c, true, false), reference);
    EXPECT_EQ(ListOf(files, c, false, false), reference);
  }
}

// Texts over several chunks where the fast pass gives up late: in a later stretch of the first
// chunk, or in a chunk after some judged whole. The list is the same as the full road's.
TEST_F(WordListCells, PassGivingUpLateEqualsTheFullRoad) {
  std::mt19937 rng(4096);
  std::vector<UString> files;
  // Many stretch edges and chunk cuts fall inside words and at sentence ends.
  files.push_back(tmp_.Write(u"plain.txt", RandomText(rng, 4300000, false)));
  const std::string beyond[] = {"caf\xC3\xA9", "< <i>", "&amp;"};
  for (const size_t at : {size_t{9000}, size_t{2200000}, size_t{4250000}}) {
    std::string text = RandomText(rng, 4300000, false);
    text.insert(at, " " + beyond[files.size() % 3] + " ");
    files.push_back(tmp_.Write(u"late" + IntToUStr(static_cast<int32_t>(files.size())) + u".txt", text));
  }
  for (const TListSetting& c : {kSettings[0], kSettings[1], kSettings[5]}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ListOf(files, c, true, false), ListOf(files, c, false, true));
  }
}

// Prose as mail has it: many rare words (the cells grow inside a chunk), words of 17 to 120
// units that come again soon after (rules of underscores, encoded lines, long compounds) and
// some that never do, letters beyond ASCII beside them, a little mark-up; cut anywhere by chunks.
std::string RareAndLongWords(std::mt19937& rng, size_t bytes) {
  std::vector<std::string> long_words;
  for (int i = 0; i < 40; ++i) {
    std::string w;
    const int length = 17 + static_cast<int>(rng() % 104);
    for (int k = 0; k < length; ++k) w.push_back(k % 9 == 8 && i % 3 == 0 ? '-' : static_cast<char>('a' + rng() % 26));
    if (i % 5 == 0) w[rng() % w.size()] = 'Q';
    long_words.push_back(w);
  }
  long_words.push_back(std::string(47, '_'));
  long_words.push_back("Content-Transfer-Encoding");
  long_words.push_back("caf\xC3\xA9-au-lait-tr\xC3\xA8s-tr\xC3\xA8s-long");
  std::string s;
  while (s.size() < bytes) {
    const uint32_t pick = rng() % 100;
    if (pick < 45) {
      s += RandomText(rng, 1, false);
    } else if (pick < 75) {  // a rare word: letters, now and then a digit or a capital
      for (int k = 2 + static_cast<int>(rng() % 14); k > 0; --k)
        s.push_back(rng() % 40 == 0 ? static_cast<char>('0' + rng() % 10)
                                    : static_cast<char>((rng() % 7 == 0 ? 'A' : 'a') + rng() % 26));
    } else if (pick < 93) {
      s += long_words[rng() % long_words.size()];
    } else if (pick < 97) {  // a long word seen once
      for (int k = 17 + static_cast<int>(rng() % 80); k > 0; --k) s.push_back(static_cast<char>('a' + rng() % 26));
    } else {
      s += RandomText(rng, 1, true);
    }
    s += rng() % 9 == 0 ? ". " : " ";
  }
  return s;
}

TEST_F(WordListCells, RareAndLongWordsEqualTheFormRoad) {
  std::mt19937 rng(4141);
  const std::vector<UString> files = Texts(rng, u"mail", RareAndLongWords);
  const TListSetting settings[] = {
      kSettings[0],
      kSettings[2],
      kSettings[4],
      {"lengths 2 to 40, cut", false, 0x0409, true, 2, 40},
      {"lengths up to 30, exact", false, 0x0409, true, 1, 30, true},
      {"longest length 255", false, 0x0409, true, 1, 255},
  };
  ExpectEveryRoadEqual(files, settings);
}

// Words of every length from 1 to 120 units, each length with a few forms that come again in
// mixed case, some with a digit, an apostrophe, a hyphen or a letter beyond ASCII (or beyond the
// basic plane) inside, among
// ordinary prose; the forms of 16, 17, 48, 49, 112 and 113 units sit on the edges of the cells'
// sizes.
std::string WordsOfEveryLength(std::mt19937& rng, size_t bytes) {
  constexpr int kLongest = 120;
  std::vector<std::vector<std::string>> forms(kLongest + 1);
  for (int length = 1; length <= kLongest; ++length) {
    for (int k = 0; k < 5; ++k) {
      std::string w;
      for (int i = 0; i < length; ++i) w.push_back(static_cast<char>('a' + rng() % 26));
      switch (k) {
        case 1: w[rng() % w.size()] = static_cast<char>('0' + rng() % 10); break;
        case 2:
          if (length >= 3) w[1 + rng() % (w.size() - 2)] = rng() % 2 ? '\'' : '-';
          break;
        case 3:
          if (length >= 2 && rng() % 2) w.replace(rng() % (w.size() - 1), 2, "\xC3\xA9");  // two bytes, one letter
          break;
        case 4:  // a letter of two units, mostly near the end (past a cut, yet one code point fewer)
          if (length >= 2) w.replace(rng() % 2 ? w.size() - 2 : rng() % (w.size() - 1), 2, "\xF0\x90\x90\xA8");
          break;
        default: break;
      }
      forms[static_cast<size_t>(length)].push_back(w);
    }
  }
  std::string s;
  while (s.size() < bytes) {
    if (rng() % 3 == 0) {
      s += RandomText(rng, 1, false);
    } else {
      // Most words short, as in prose, yet every length often.
      const size_t length = rng() % 2 ? 1 + rng() % 16 : 1 + rng() % kLongest;
      std::string w = forms[length][rng() % 5];
      for (char& ch : w)  // mixed case
        if (ch >= 'a' && ch <= 'z' && rng() % 4 == 0) ch = static_cast<char>(ch - 0x20);
      s += w;
    }
    s += rng() % 11 == 0 ? ". " : rng() % 17 == 0 ? "\n" : " ";
  }
  return s;
}

TEST_F(WordListCells, WordsOfEveryLengthEqualTheFormRoad) {
  std::mt19937 rng(1748);
  const std::vector<UString> files = Texts(rng, u"lengths", WordsOfEveryLength);
  const TListSetting settings[] = {
      kSettings[0],
      kSettings[2],
      kSettings[4],
      {"lengths 3 to 20, cut", false, 0x0409, true, 3, 20},
      {"lengths 1 to 40, exact", false, 0x0409, true, 1, 40, true},
      {"lengths 18 to 45, cut, case-sensitive", true, 0x0409, true, 18, 45},
      {"lengths up to 17, cut", false, 0x0409, true, 1, 17},
      {"lengths 17 to 48, cut", false, 0x0409, true, 17, 48},
      {"lengths up to 49, cut", false, 0x0409, true, 1, 49},
      {"lengths 40 to 112, exact", false, 0x0409, true, 40, 112, true},
      {"lengths up to 113, cut, numbers made #", false, 0x0409, false, 1, 113},
      {"lengths up to 30, cut, numbers made #", false, 0x0409, false, 1, 30},
      {"lengths up to 5, cut, case-sensitive", true, 0x0409, true, 1, 5},
      {"lengths 8 and more, yet at most 5, cut", false, 0x0409, true, 8, 5},
  };
  ExpectEveryRoadEqual(files, settings);
}

// Prose mixing ASCII words with words beyond ASCII: accents (some long enough for the longer
// cells, some cut), combining marks, Cyrillic and Greek, CJK (never right before a full stop, which
// the pass stops at), the curly apostrophe inside words,
// sentence marks beyond ASCII, and now and then a character the pass stops at (a soft hyphen, a
// letter beyond the basic plane, a hyphen U+2010). Words beyond ASCII are put often where they
// cross or touch the edge of a block of 64 units (counted from the text's start).
std::string ProseBeyondAscii(std::mt19937& rng, size_t bytes, bool stops) {
  static const char* kAscii[] = {"the", "The", "THE", "river", "of", "a", "I", "don't", "U.S.", "3.14", "12a",
                                 "well-known", "internationalisation", "abcdefghijklmnopq", "x", "to", "It"};
  static const char* kWide[] = {"caf\xC3\xA9", "CAF\xC3\x89", "Caf\xC3\xA9", "\xC3\xA9t\xC3\xA9", "na\xC3\xAFve",
                                "Stra\xC3\x9F" "e", "e\xCC\x81t\xC3\xA9", "\xC3\xA9", "\xC3\x89ric",
                                "don\xE2\x80\x99t", "it\xE2\x80\x99s", "\xD0\xB6\xD0\xB8\xD0\xB2", "\xD0\x96\xD0\xB8",
                                "\xCE\xA9\xCE\xB1", "\xE6\x97\xA5\xE6\x9C\xAC ", "\xC3\xA9" "3",
                                "internationalis\xC3\xA9", "\xC3\x9C" "berinternationalisierungsversuch",
                                "abcdefghijklmnopqrstuvwxyz-\xC3\xA9t\xC3\xA9-abcdefghijklmnopqrstuv",
                                "abcde\xC3\xA9", "abcdef\xC3\xA9"};
  static const char* kAfter[] = {" ", " ", " ", " ", ". ", "? ", "! ", ", ", "\n", "\r\n", "\xE2\x80\xA6 ",
                                 ".\xE2\x80\x9D ", " \xE2\x80\x9C", " \xE2\x80\x94 ", "\xC2\xA0", ". \xC3\x89",
                                 "\xE2\x80\x99 ", "\xD8\x9F "};
  static const char* kStops[] = {"co\xC2\xAD" "op", "\xF0\x9F\x98\x80", "well\xE2\x80\x90known", "\xF0\x9D\x90\x80x"};
  // The units a piece of UTF-8 widens to (two for a character beyond the basic plane).
  auto units = [](const std::string& piece) {
    size_t n = 0;
    for (const char ch : piece) {
      const auto b = static_cast<uint8_t>(ch);
      n += (b & 0xC0) != 0x80 ? 1 : 0;
      n += b >= 0xF0 ? 1 : 0;
    }
    return n;
  };
  std::string s = "\xEF\xBB\xBF";  // UTF-8
  size_t at = 0;                   // units so far
  while (s.size() < bytes) {
    std::string piece;
    if (stops && rng() % 400 == 0)
      piece = kStops[rng() % std::size(kStops)];
    else if (at % 64 >= 58 || rng() % 4 == 0)  // near a block's edge, or anywhere
      piece = kWide[rng() % std::size(kWide)];
    else
      piece = kAscii[rng() % std::size(kAscii)];
    piece += kAfter[rng() % std::size(kAfter)];
    at += units(piece);
    s += piece;
  }
  return s;
}

// The lists of prose beyond ASCII, mostly judged by the pass with its words beyond ASCII counted
// alone among the words of the cells, in every setting, on one worker and on eight, against the
// form road's; one text has no byte-order mark, one stops the pass in every chunk.
TEST_F(WordListCells, ProseBeyondAsciiEqualsTheFormRoadInEverySetting) {
  std::mt19937 rng(2019);
  std::vector<UString> files = Texts(rng, u"beyond", [](std::mt19937& r, size_t bytes) {
    return ProseBeyondAscii(r, bytes, false);
  });
  files.push_back(tmp_.Write(u"stops.txt", ProseBeyondAscii(rng, 2200000, true)));
  files.push_back(tmp_.Write(u"eight_bit.txt", ProseBeyondAscii(rng, 40000, false).substr(3)));
  ExpectEveryRoadEqual(files, kSettings);
}

TEST_F(WordListCells, OneWorkerAndManyGiveTheSameList) {
  std::mt19937 rng(5);
  std::vector<UString> files;
  for (int i = 0; i < 24; ++i)
    files.push_back(tmp_.Write(u"t" + IntToUStr(i) + u".txt", RandomText(rng, 2000 + rng() % 80000, i % 4 == 3)));
  for (const TListSetting& c : {kSettings[0], kSettings[1], kSettings[3]}) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> one = ListOf(files, c, true, false, 1);
    EXPECT_EQ(ListOf(files, c, true, false, 4), one);
    EXPECT_EQ(ListOf(files, c, false, true, 4), one);
  }
}

// Words whose letters from 0x8000 on (Hangul, full-width Latin) sit beside ASCII letters are
// counted as they stand ("a\uAC00", "to\uFF21"), never as the ASCII letters alone ("a", "to").
TEST_F(WordListCells, LettersFromU8000OnBesideAsciiKeepTheirWords) {
  std::string text = "\xEF\xBB\xBF";  // UTF-8
  for (int i = 0; i < 200; ++i)
    text += "a \xEA\xB0\x80" "a a\xEA\xB0\x80 \xEF\xBC\xA1" "b b to\xEF\xBC\xA1 to. The river runs by the old mill " +
            std::to_string(i % 7) + ". ";
  const std::vector<UString> files{tmp_.Write(u"wide.txt", text)};
  const TListSetting korean{"Korean", false, 0x0412}, japanese{"Japanese", true, 0x0411};
  for (const TListSetting& c : {kSettings[0], kSettings[2], korean, japanese}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ListOf(files, c, true, false), ListOf(files, c, false, true));
  }
}

TEST_F(WordListCells, SamplesEqualTheFormRoad) {
  std::vector<UString> samples;
  for (const auto& e : std::filesystem::directory_iterator(LINZORA_SAMPLES_DIR))
    if (e.path().extension() == ".txt") samples.push_back(Utf8ToUtf16(e.path().string()));
  std::sort(samples.begin(), samples.end());
  ASSERT_FALSE(samples.empty());
  for (const TListSetting& c : {kSettings[1], kSettings[2], kSettings[3]}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ListOf(samples, c, true, false), ListOf(samples, c, false, true));
  }
}

}  // namespace
