#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "platform/text/text_internal.h"
#include "platform/text/text_services.h"

namespace {

constexpr uint16_t kUpperLetter = C1_ALPHA | C1_UPPER | C1_DEFINED;  // 0x301
constexpr uint16_t kLowerLetter = C1_ALPHA | C1_LOWER | C1_DEFINED;  // 0x302
constexpr uint16_t kCaselessLetter = C1_ALPHA | C1_DEFINED;          // 0x300
constexpr uint16_t kDigit = C1_DIGIT | C1_XDIGIT | C1_DEFINED;       // 0x284
constexpr uint16_t kPunct = C1_PUNCT | C1_DEFINED;                   // 0x210
constexpr uint16_t kBlank = C1_SPACE | C1_BLANK | C1_DEFINED;        // 0x248

std::vector<uint16_t> Kinds(UStringView s) {
  std::vector<uint16_t> k(s.size(), 0xFFFF);
  ClassifyChars(s.data(), s.size(), k.data());
  return k;
}

}  // namespace

TEST(TextKinds, ClassicBitsAndUnicodeCategories) {
  const std::pair<char32_t, uint16_t> cases[] = {
      // ASCII as the classic table has it.
      {U'A', 0x381}, {U'G', kUpperLetter}, {U'a', 0x382}, {U'z', kLowerLetter}, {U'0', kDigit},
      {U' ', kBlank}, {U'\t', 0x268}, {U'\n', 0x228}, {U'\f', 0x228}, {0, 0x220}, {0x7F, 0x220},
      {U'$', kPunct}, {U'_', kPunct}, {U'~', kPunct},
      // Beyond ASCII.
      {0x00E9, kLowerLetter}, {0x00C9, kUpperLetter}, {0x00DF, kLowerLetter}, {0x00AA, kLowerLetter},
      {0x00A0, kBlank}, {0x00D7, kPunct}, {0x00B2, kPunct}, {0x2082, kPunct}, {0x2460, kPunct}, {0x00AD, KIND_INVISIBLE}, {0x0085, 0x228},
      {0x0096, 0x220}, {0x03A9, kUpperLetter}, {0x0436, kLowerLetter}, {0x05D0, kCaselessLetter},
      {0x0663, kDigit}, {0x4E2D, kCaselessLetter}, {0xAC00, kCaselessLetter}, {0x3000, kBlank},
      {0x2028, C1_SPACE | C1_DEFINED}, {0x3002, kPunct}, {0x20AC, kPunct}, {0xFF21, kUpperLetter | C1_XDIGIT},
      // Marks, format, private use, unassigned, beyond the BMP.
      {0x0301, kCaselessLetter}, {0x0903, kCaselessLetter}, {0x0600, C1_DEFINED},
      // Invisible characters; the zero-width space parts words.
      {0x200D, KIND_INVISIBLE}, {0x200C, KIND_INVISIBLE}, {0x2060, KIND_INVISIBLE}, {0x200E, KIND_INVISIBLE},
      {0x202B, KIND_INVISIBLE}, {0xFEFF, KIND_INVISIBLE}, {0xFE0F, KIND_INVISIBLE}, {0xE0100, KIND_INVISIBLE},
      {0x200B, kBlank}, {0x3164, kCaselessLetter},
      {0xE000, C1_DEFINED}, {0x0378, 0}, {0xFFFF, 0}, {0xD800, 0}, {0x110000, 0}, {0x10400, kUpperLetter},
      {0x20000, kCaselessLetter}, {0x1F600, kPunct},
  };
  for (auto [c, kind] : cases) EXPECT_EQ(CharKindOf(c), kind) << std::hex << int(c);
  for (char32_t c : std::u32string_view(U"!\"#%&'()*,-./:;?@[\\]{}+<=>^`|")) EXPECT_EQ(CharKindOf(c), kPunct) << int(c);
}

TEST(TextKinds, ClassifyCharsGivesPairsTheirCodePointsKind) {
  // "x" U+10428 (Deseret small long I) "." U+1D400 (bold capital A) then lone surrogates
  const UString s = u"x\U00010428.\U0001D400" + UString(1, char16_t(0xDC00)) + u"y" + UString(1, char16_t(0xD801));
  const std::vector<uint16_t> want = {kLowerLetter, kLowerLetter, kLowerLetter, kPunct, kUpperLetter, kUpperLetter,
                                      0, kLowerLetter, 0};
  EXPECT_EQ(Kinds(s), want);
  // A word written with a combining accent is letters throughout.
  for (uint16_t k : Kinds(u"cafe\u0301")) EXPECT_TRUE(k & C1_ALPHA);
}

TEST(TextKinds, ClassifyCharsAgreesWithCharKindOfOverTheWholeBmp) {
  UString all;
  for (char32_t c = 0; c < 0x10000; ++c)
    if (c < 0xD800 || c > 0xDFFF) all.push_back(char16_t(c));
  all.push_back(u'q');  // a length that is not a multiple of four
  const std::vector<uint16_t> k = Kinds(all);
  for (size_t i = 0; i < all.size(); ++i) {
    // An invisible character right after a letter (U+034F after a combining mark) joins it.
    const bool joined = CharKindOf(all[i]) == KIND_INVISIBLE && i > 0 && (k[i - 1] & (C1_ALPHA | C1_DIGIT)) != 0;
    ASSERT_EQ(k[i], joined ? uint16_t{KIND_INVISIBLE_IN_WORD} : CharKindOf(all[i])) << std::hex << int(all[i]);
  }
  // Nothing written past the end.
  std::vector<uint16_t> guard(4, 0xABCD);
  ClassifyChars(u"ab", 2, guard.data());
  EXPECT_EQ(guard[2], 0xABCD);
  ClassifyChars(u"", 0, guard.data());
}

// The kind tables are built a range of one category at a time, looking at single characters only
// where their own properties may count: every code point of every plane must still have the kind
// its properties alone give it (controls, U+200B, invisible and visible default-ignorables, hex
// letters, letters and numbers with case as a property, digits among the other numbers).
TEST(TextKinds, TablesBuiltByRangesGiveEveryCodePointTheKindItsPropertiesGive) {
  int64_t differ = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const uint16_t want = lz_text_detail::KindOfCodePointAlone(c);
    if (CharKindOf(c) != want && ++differ <= 10) ADD_FAILURE() << std::hex << "U+" << int(c) << ": " << CharKindOf(c) << " not " << want;
  }
  EXPECT_EQ(differ, 0);
  // The characters whose kinds the ranges leave open, by hand.
  const std::pair<char32_t, uint16_t> cases[] = {
      {U'\t', 0x268},  {0x85, 0x228},  {0x200B, kBlank},  {0x00AD, KIND_INVISIBLE},  {0x3164, kCaselessLetter},
      {U'e', 0x382},   {0xFF26, 0x381}, {0xFF27, kUpperLetter}, {0x00AA, kLowerLetter}, {0x2160, kUpperLetter},
      {0x00B2, C1_PUNCT | C1_DEFINED}, {0x00BD, kPunct}, {0x1F600, kPunct}, {0xE0001, KIND_INVISIBLE},
      {0x10400, kUpperLetter}};
  for (const auto& [c, kind] : cases) EXPECT_EQ(CharKindOf(c), kind) << std::hex << int(c);
}

// Texts mostly of ASCII with now and then another unit, at every length and offset, so that runs
// of ASCII start and end anywhere in the blocks classified together.
TEST(TextKinds, MostlyAsciiTextsAgreeWithCharKindOf) {
  std::vector<char16_t> alphabet;
  for (char16_t c = 0; c < 128; ++c)
    if (CharKindOf(c) != KIND_INVISIBLE) alphabet.push_back(c);
  const size_t ascii = alphabet.size();
  for (char16_t c : {u'\u00E9', u'\u00A0', u'\u0436', u'\u2019', u'\u4E00', u'\uFF21'}) alphabet.push_back(c);
  std::mt19937 rng(32);
  for (int round = 0; round < 400; ++round) {
    const size_t n = rng() % 300;
    const uint32_t other_one_in = 1 + rng() % 200;
    UString text;
    for (size_t i = 0; i < n; ++i)
      text.push_back(alphabet[rng() % other_one_in == 0 ? ascii + rng() % (alphabet.size() - ascii) : rng() % ascii]);
    const std::vector<uint16_t> k = Kinds(text);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(k[i], CharKindOf(text[i])) << "round " << round << " at " << i;
  }
}

// An invisible character belongs to the word it follows and is no word character elsewhere.
TEST(TextKinds, InvisibleCharactersJoinTheWordTheyFollow) {
  constexpr uint16_t kIn = KIND_INVISIBLE_IN_WORD, kAlone = KIND_INVISIBLE;
  const struct {
    const char16_t* text;
    std::vector<uint16_t> kinds;
  } rows[] = {
      {u"x\u200Dy", {kLowerLetter, kIn, kLowerLetter}},
      {u"x\u00AD\u200D", {kLowerLetter, kIn, kIn}},
      {u"7\uFE0F", {kDigit, kIn}},
      {u"\u2764\uFE0F", {kPunct, kAlone}},
      {u" \u200D", {kBlank, kAlone}},
      {u"\u200Ex", {kAlone, kLowerLetter}},
      {u"\u845B\U000E0100", {kCaselessLetter, kIn, kIn}},
      {u"!\U000E0100", {kPunct, kAlone, kAlone}},
      {u"\U00010428\u200D", {kLowerLetter, kLowerLetter, kIn}},
  };
  for (const auto& r : rows) EXPECT_EQ(Kinds(r.text), r.kinds) << Utf16ToUtf8(r.text);
}

// Texts of words, blanks and punctuation with invisible characters (alone, in runs, as pairs)
// now and then, at every length and offset: each invisible one joins the word it follows, by
// the kind of the unit before it, and every other unit keeps its own kind.
TEST(TextKinds, InvisibleCharactersAmongLongRunsOfOthers) {
  const UString invisibles[] = {u"\u00AD", u"\u200D", u"\uFEFF", u"\u200D\u200D", u"\U000E0100", u"\u00AD\U000E0100"};
  const UString others[] = {u"a", u"Z", u"7", u" ", u".", u"\u00E9", u"\U00010428", u"\u4E00", u"\n"};
  std::mt19937 rng(4117);
  for (int round = 0; round < 300; ++round) {
    const size_t n = rng() % 200;
    const uint32_t one_in = 1 + rng() % 60;
    UString text;
    while (text.size() < n) text += rng() % one_in == 0 ? invisibles[rng() % std::size(invisibles)] : others[rng() % std::size(others)];
    const std::vector<uint16_t> k = Kinds(text);
    for (size_t i = 0; i < text.size(); ++i) {
      const bool pair_end = i > 0 && text[i] >= 0xDC00 && text[i] <= 0xDFFF;
      const char32_t c = pair_end                                     ? U'\0'
                         : text[i] >= 0xD800 && text[i] <= 0xDBFF ? 0x10000 + ((text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00)
                                                                      : text[i];
      if (pair_end) {
        ASSERT_EQ(k[i], k[i - 1]) << "round " << round << " at " << i;
        continue;
      }
      uint16_t want = CharKindOf(c);
      if (want == KIND_INVISIBLE && i > 0 && ((k[i - 1] & (C1_ALPHA | C1_DIGIT)) != 0 || k[i - 1] == KIND_INVISIBLE_IN_WORD))
        want = KIND_INVISIBLE_IN_WORD;
      ASSERT_EQ(k[i], want) << "round " << round << " at " << i;
    }
  }
}

// Texts mostly of letters, blanks and punctuation with now and then a pair (a letter, a capital,
// a symbol of another plane) or a lone surrogate of either half, at every length and offset, so
// that the pass over the kinds, which skips eight at a time to the next surrogate, meets them at
// every place in its blocks: a pair has its code point's kind on both units, a lone one 0.
TEST(TextKinds, PairsAndLoneSurrogatesAmongLongRunsOfOthers) {
  const UString pairs[] = {u"\U00010428", u"\U0001D400", u"\U0001F600", u"\U00020000"};
  const UString others[] = {u"a", u"Z", u"7", u" ", u".", u"\u00E9", u"\u4E00", u"\n", u"word ", u"\u2019"};
  const char16_t lone[] = {0xD800, 0xDBFF, 0xDC00, 0xDFFF};
  std::mt19937 rng(5113);
  for (int round = 0; round < 400; ++round) {
    const size_t n = rng() % 400;
    const uint32_t one_in = 1 + rng() % 80;
    UString text;
    while (text.size() < n) {
      const uint32_t r = rng() % one_in;
      if (r == 0) text += pairs[rng() % std::size(pairs)];
      else if (r == 1 && rng() % 4 == 0) text.push_back(lone[rng() % std::size(lone)]);
      else text += others[rng() % std::size(others)];
    }
    const std::vector<uint16_t> k = Kinds(text);
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t u = text[i];
      const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
      const bool pair_start = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      // (A low half after a high one is the end of a pair, passed over with its start.)
      uint16_t want = CharKindOf(u);
      if (pair_start) want = CharKindOf(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      else if (high || low) want = 0;
      ASSERT_EQ(k[i], want) << "round " << round << " at " << i;
      if (pair_start) {
        ++i;
        ASSERT_EQ(k[i], want) << "round " << round << " at " << i;
      }
    }
  }
}

// The kinds of units beyond ASCII taken many at a time are CharKindOf's, over the whole basic
// plane (its last unit, invisible characters and unassigned units among them); the lanes not asked
// for are left as they were, and surrogates are handed back unwritten for their pairs to be read.
TEST(TextKinds, KindsOfUnitsTakenManyAtATimeAreEachUnitsOwn) {
  std::mt19937 rng(6401);
  std::vector<char16_t> units(0x10000);
  for (size_t u = 0; u < units.size(); ++u) units[u] = static_cast<char16_t>(u);
  for (size_t block = 0; block < 0x10000; block += 64) {
    for (const uint64_t lanes : {~uint64_t{0}, (uint64_t{rng()} << 32 | rng()), uint64_t{1} << 63, uint64_t{0}}) {
      std::vector<uint16_t> kinds(64, 0xBEEF);
      const uint64_t left = CharKindsOfUnits(units.data() + block, lanes, kinds.data());
      ASSERT_EQ(left & ~lanes, 0u) << block;
      for (size_t j = 0; j < 64; ++j) {
        const unsigned u = units[block + j];
        const bool asked = (lanes >> j & 1) != 0;
        const bool surrogate = u >= 0xD800 && u <= 0xDFFF;
        if (asked && ((left >> j & 1) == 0)) {
          ASSERT_FALSE(surrogate) << std::hex << u;
          ASSERT_EQ(kinds[j], CharKindOf(u)) << std::hex << u;
        } else {
          ASSERT_EQ(kinds[j], 0xBEEF) << std::hex << u;  // not written
          if (asked) {
            ASSERT_TRUE(surrogate || left == lanes) << std::hex << u;
          }
        }
      }
    }
  }
  // The invisible characters are told apart from the table's own mark for them.
  const char16_t invisible[64] = {0x200D, 0x00AD, 0xFEFF, 0x2060, 0x200B, 0x0436};
  std::vector<uint16_t> kinds(64, 0);
  const uint64_t left = CharKindsOfUnits(invisible, 0x3F, kinds.data());
  for (int j = 0; j < 6; ++j)
    if ((left >> j & 1) == 0) {
      EXPECT_EQ(kinds[static_cast<size_t>(j)], CharKindOf(invisible[j])) << j;
    }
}
