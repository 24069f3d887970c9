#include <gtest/gtest.h>

#include <string_view>
#include <vector>

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

TEST(TextKinds, AsciiMatchesTheClassicBits) {
  EXPECT_EQ(CharKindOf(U'A'), 0x381);
  EXPECT_EQ(CharKindOf(U'F'), 0x381);
  EXPECT_EQ(CharKindOf(U'G'), kUpperLetter);
  EXPECT_EQ(CharKindOf(U'a'), 0x382);
  EXPECT_EQ(CharKindOf(U'z'), kLowerLetter);
  EXPECT_EQ(CharKindOf(U'0'), kDigit);
  EXPECT_EQ(CharKindOf(U'9'), kDigit);
  EXPECT_EQ(CharKindOf(U' '), kBlank);
  EXPECT_EQ(CharKindOf(U'\t'), 0x268);
  EXPECT_EQ(CharKindOf(U'\r'), 0x228);
  EXPECT_EQ(CharKindOf(U'\n'), 0x228);
  EXPECT_EQ(CharKindOf(U'\v'), 0x228);
  EXPECT_EQ(CharKindOf(U'\f'), 0x228);
  EXPECT_EQ(CharKindOf(0), 0x220);
  EXPECT_EQ(CharKindOf(0x1B), 0x220);
  EXPECT_EQ(CharKindOf(0x7F), 0x220);
  for (char32_t c : std::u32string_view(U"!\"#%&'()*,-./:;?@[\\]_{}$+<=>^`|~")) EXPECT_EQ(CharKindOf(c), kPunct) << int(c);
}

TEST(TextKinds, LettersDigitsAndSpacesBeyondAscii) {
  EXPECT_EQ(CharKindOf(0x00E9), kLowerLetter);     // e acute
  EXPECT_EQ(CharKindOf(0x00C9), kUpperLetter);     // E acute
  EXPECT_EQ(CharKindOf(0x00DF), kLowerLetter);     // sharp s
  EXPECT_EQ(CharKindOf(0x00AA), kLowerLetter);     // feminine ordinal
  EXPECT_EQ(CharKindOf(0x00A0), kBlank);           // no-break space
  EXPECT_EQ(CharKindOf(0x00D7), kPunct);           // multiplication sign
  EXPECT_EQ(CharKindOf(0x00B2), C1_DIGIT | kPunct);  // superscript two
  EXPECT_EQ(CharKindOf(0x00BD), kPunct);           // one half
  EXPECT_EQ(CharKindOf(0x00AD), kPunct);           // soft hyphen
  EXPECT_EQ(CharKindOf(0x0085), 0x228);            // next line
  EXPECT_EQ(CharKindOf(0x0096), 0x220);            // C1 control
  EXPECT_EQ(CharKindOf(0x03A9), kUpperLetter);     // Greek Omega
  EXPECT_EQ(CharKindOf(0x03BB), kLowerLetter);     // Greek lambda
  EXPECT_EQ(CharKindOf(0x0416), kUpperLetter);     // Cyrillic Zhe
  EXPECT_EQ(CharKindOf(0x0436), kLowerLetter);     // Cyrillic zhe
  EXPECT_EQ(CharKindOf(0x05D0), kCaselessLetter);  // Hebrew alef
  EXPECT_EQ(CharKindOf(0x0628), kCaselessLetter);  // Arabic beh
  EXPECT_EQ(CharKindOf(0x0663), kDigit);           // Arabic-Indic three
  EXPECT_EQ(CharKindOf(0x4E2D), kCaselessLetter);  // CJK ideograph
  EXPECT_EQ(CharKindOf(0x3042), kCaselessLetter);  // Hiragana a
  EXPECT_EQ(CharKindOf(0xAC00), kCaselessLetter);  // Hangul syllable
  EXPECT_EQ(CharKindOf(0x0E01), kCaselessLetter);  // Thai ko kai
  EXPECT_EQ(CharKindOf(0x3000), kBlank);           // ideographic space
  EXPECT_EQ(CharKindOf(0x2003), kBlank);           // em space
  EXPECT_EQ(CharKindOf(0x2028), C1_SPACE | C1_DEFINED);
  EXPECT_EQ(CharKindOf(0x3002), kPunct);           // ideographic full stop
  EXPECT_EQ(CharKindOf(0x2014), kPunct);           // em dash
  EXPECT_EQ(CharKindOf(0x20AC), kPunct);           // euro sign
  EXPECT_EQ(CharKindOf(0xFF21), kUpperLetter | C1_XDIGIT);  // fullwidth A
}

TEST(TextKinds, MarksFormatPrivateAndUnassigned) {
  EXPECT_EQ(CharKindOf(0x0301), kCaselessLetter);  // combining acute: our rule
  EXPECT_EQ(CharKindOf(0x0903), kCaselessLetter);  // spacing mark
  EXPECT_EQ(CharKindOf(0x200D), C1_DEFINED);       // zero-width joiner
  EXPECT_EQ(CharKindOf(0xFEFF), C1_DEFINED);       // byte-order mark
  EXPECT_EQ(CharKindOf(0xE000), C1_DEFINED);       // private use
  EXPECT_EQ(CharKindOf(0x0378), 0);                // unassigned
  EXPECT_EQ(CharKindOf(0xFFFF), 0);                // noncharacter
  EXPECT_EQ(CharKindOf(0xD800), 0);                // surrogate code point
  EXPECT_EQ(CharKindOf(0x110000), 0);              // beyond Unicode
  EXPECT_EQ(CharKindOf(0x10400), kUpperLetter);    // Deseret capital long I
  EXPECT_EQ(CharKindOf(0x20000), kCaselessLetter); // CJK extension B
  EXPECT_EQ(CharKindOf(0x1F600), kPunct);          // emoji
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
  for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(k[i], CharKindOf(all[i])) << std::hex << int(all[i]);
  // Nothing written past the end.
  std::vector<uint16_t> guard(4, 0xABCD);
  ClassifyChars(u"ab", 2, guard.data());
  EXPECT_EQ(guard[2], 0xABCD);
  ClassifyChars(u"", 0, guard.data());
}
