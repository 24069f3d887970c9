// Character scans over small hand-made lines: each case gives the flags as one letter a
// character and the result worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "concordance/lines/character_scans.h"
#include "concordance/lines/line_text.h"
#include "platform/search/fast_first_pass.h"
#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"

namespace {

// One letter a flag word:
//   a letter  d digit  n defined only  ' ' blank  p punctuation  c control (tab, line end)
//   T kept tag 1 (0x0801)  U kept tag 2 (0x0802)  H hidden mark-up  K kept inside the window
//   L an entity-written bracket (literal bit + punctuation)
//   M first character of a sentence-end marker (kind 15)  N of kind 17  m a marker's further one
//   0 no kind
std::vector<uint16_t> F(const std::string& s) {
  std::vector<uint16_t> f;
  for (char c : s) {
    switch (c) {
      case 'a': f.push_back(0x0302); break;
      case 'd': f.push_back(0x0284); break;
      case 'n': f.push_back(0x0200); break;
      case ' ': f.push_back(0x0248); break;
      case 'p': f.push_back(0x0210); break;
      case 'c': f.push_back(0x0228); break;
      case 'T': f.push_back(0x0801); break;
      case 'U': f.push_back(0x0802); break;
      case 'H': f.push_back(0x0800); break;
      case 'K': f.push_back(0x0400); break;
      case 'L': f.push_back(0x0610); break;
      case 'M': f.push_back(0x880F); break;
      case 'N': f.push_back(0x8811); break;
      case 'm': f.push_back(0x8800); break;
      case '0': f.push_back(0); break;
      default: ADD_FAILURE() << "unknown flag letter " << c;
    }
  }
  return f;
}

int32_t N(const std::vector<uint16_t>& f) { return static_cast<int32_t>(f.size()); }

void ExpectSameTags(const std::vector<TLineTagPlace>& got, const std::vector<TLineTagPlace>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].position, want[i].position) << i;
    EXPECT_EQ(got[i].length, want[i].length) << i;
    EXPECT_EQ(got[i].tag_number_1based, want[i].tag_number_1based) << i;
    EXPECT_EQ(got[i].flag, want[i].flag) << i;
  }
}

}  // namespace

TEST(CharacterScans, FlagWordsAreToldApartMarkersFirst) {
  struct Case {
    uint16_t flag;
    bool marker, tag, word;
    uint16_t tag_number;
  };
  const Case cases[] = {
      {0x880F, true, false, false, 0},   // a sentence end has bit 11 set, yet is no tag
      {0x8811, true, false, false, 0},   //
      {0x8800, true, false, false, 0},   // a marker's further character
      {0x0800, false, true, false, 0},   // hidden mark-up: a tag of no number
      {0x0801, false, true, false, 1},   // kept tag 0 is tag number 1
      {0x0C00, false, true, false, 0x400},
      {0x7FFF, false, true, false, 0x77FF},  // the last kept tag the handler makes
      {0x0400, false, true, false, 0},   // kept inside the window
      {0x0610, false, false, false, 0},  // a bracket written as an entity is text
      {0x0302, false, false, true, 0},   // letter
      {0x0284, false, false, true, 0},   // digit
      {0x0200, false, false, true, 0},   // defined only
      {0x0280, false, false, false, 0},  // an invisible character alone
      {0x0248, false, false, false, 0},  // blank
      {0, false, false, false, 0},       // unassigned
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flag);
    EXPECT_EQ(ScanIsMarker(c.flag), c.marker);
    EXPECT_EQ(ScanIsTag(c.flag), c.tag);
    EXPECT_EQ(ScanIsWordChar(c.flag), c.word);
    EXPECT_EQ(ScanTagNumber(c.flag), c.tag_number);
  }
}

TEST(CharacterScans, BoundaryLevelOfMarker) {
  const std::pair<uint16_t, uint8_t> cases[] = {{0x880F, 2}, {0x8811, 3}, {0x8813, 4}, {0x8815, 5}, {0x880E, 0},
                                                {0x8810, 0}, {0x8800, 0}, {0x0801, 0}, {0x080F, 0}, {0x0010, 0}};
  for (const auto& [flag, level] : cases) EXPECT_EQ(BoundaryLevelOfMarker(flag), level) << flag;
}

TEST(CharacterScans, CopyCompactsBlanksAndRestoresTagCodes) {
  struct Case {
    std::u16string src;
    std::string flags;
    std::u16string want;
  };
  const Case cases[] = {
      {u"a\t\n b", "acc a", u"a b"},           // tab, line end and blank: one blank
      {u"a \x01" u"b", "a 0a", u"a b"},        // code 1 is dropped
      {u"\x19w\x18x", "HHHa", u"<w>x"},        // hidden tag codes shown as brackets
      {u"a \n b", "a M a", u"a  b"},           // a marker's first character keeps its own blank
      {u"a \n b", "a m a", u"a b"},            // its further characters do not
      {u"a", "a", u"a"},                       //
      {u"   ", "   ", u" "},                   //
      {u"a", std::string("0"), u"a"},          // a 0 flag is no end
      {std::u16string(u"a\0b", 3), "a0a", u"a b"},  // nor is a 0 character
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.flags));
    const auto f = F(c.flags);
    const int32_t n = static_cast<int32_t>(c.src.size());
    std::vector<char16_t> dst(static_cast<size_t>(n) + 3, u'#');
    std::vector<uint16_t> df(static_cast<size_t>(n) + 3, 0xFFFF);
    const TCopyCompactResult r =
        CopyTextCompactingBlanks(c.src.data(), f.data(), n, n, dst.data(), df.data(), n + 3, 0, 0);
    ASSERT_EQ(r.kept, static_cast<int32_t>(c.want.size()));
    EXPECT_EQ(std::u16string(dst.data(), static_cast<size_t>(r.kept)), c.want);
    EXPECT_EQ(dst[static_cast<size_t>(r.kept)], u' ');
    EXPECT_EQ(dst[static_cast<size_t>(r.kept) + 1], u' ');
    EXPECT_EQ(dst[static_cast<size_t>(r.kept) + 2], 0);
    EXPECT_EQ(df[static_cast<size_t>(r.kept) + 2], 0);
  }
}

TEST(CharacterScans, CopyKeepsEachFlagWithItsCharacterAndCountsTheRange) {
  const std::u16string src = u"ab  cd";
  const auto f = F("aa  aM");
  std::vector<char16_t> dst(9);
  std::vector<uint16_t> df(9);
  const TCopyCompactResult r = CopyTextCompactingBlanks(src.data(), f.data(), 6, 6, dst.data(), df.data(), 9, 1, 5);
  EXPECT_EQ(std::u16string(dst.data(), 5), u"ab cd");
  EXPECT_EQ(r.range_first, 1);   // "b"
  EXPECT_EQ(r.range_end, 4);     // "b c" in the copy
  EXPECT_EQ(r.range_blanks, 2);  // the two blanks, though one is dropped
  EXPECT_EQ(df[2], 0x0248);
  EXPECT_EQ(df[4], 0x880F);
  EXPECT_EQ(df[5], kScanFlagBlank);
}

// The line buffer is width + 3: the copy of a full window of text ends with two blanks and a 0.
TEST(CharacterScans, FullWindowWritesWidthPlusThreeAndNoMore) {
  const int32_t width = 8;
  const std::u16string src = u"abcdefgh";
  const auto f = F("aaaaaaaa");
  std::vector<char16_t> dst(static_cast<size_t>(width) + 3 + 4, u'#');
  std::vector<uint16_t> df(dst.size(), 0xFFFF);
  TCopyCompactResult r = CopyTextCompactingBlanks(src.data(), f.data(), width, width, dst.data(), df.data(),
                                                  LineBufferCharacters(width), 0, 0);
  EXPECT_EQ(r.kept, width);
  EXPECT_EQ(dst[10], 0);
  for (size_t k = 11; k < dst.size(); ++k) EXPECT_EQ(dst[k], u'#') << k;

  // A buffer one short (width + 2) gets a shorter copy, never a write beyond its end.
  std::fill(dst.begin(), dst.end(), u'#');
  r = CopyTextCompactingBlanks(src.data(), f.data(), width, width, dst.data(), df.data(), width + 2, 0, 0);
  EXPECT_EQ(r.kept, width - 1);
  for (size_t k = static_cast<size_t>(width) + 2; k < dst.size(); ++k) EXPECT_EQ(dst[k], u'#') << k;

  TLineCutter cutter(width);
  EXPECT_EQ(cutter.BufferCharacters(), width + 3);
  const TChunkView chunk{src.data(), f.data(), width};
  ASSERT_TRUE(cutter.Cut(chunk, {}, 4, 1));
  EXPECT_EQ(cutter.LineText(), u"abcdefgh");
  EXPECT_EQ(cutter.Text()[width + 2], 0);
}

// Both word walks: the backward one also says whether a second tag stopped it.
TEST(CharacterScans, WordLength) {
  struct Case {
    bool backward;
    std::string flags;
    int32_t from;
    int32_t length, tag_chars, stop;
    uint16_t tag;
    bool second;
  };
  const Case cases[] = {
      {true, "  aaa", 4, 3, 0, 1, 0, false},
      {true, "aaa", 2, 3, 0, -1, 0, false},     // reaching the start gives -1
      {true, "TTTaaa", 5, 3, 3, -1, 1, false},  // one tag is crossed, not counted
      {true, "aTTa", 3, 2, 2, -1, 1, false},
      {true, "UUTTaa", 5, 2, 2, 1, 1, true},    // a second tag stops the walk
      {true, "a0aa", 3, 2, 0, 1, 0, false},     // an unassigned character is no word character
      {true, "aMaa", 3, 2, 0, 1, 0, false},     // a marker stops, and is no tag
      {true, "mMaa", 3, 2, 0, 1, 0, false},
      {true, "nda", 2, 3, 0, -1, 0, false},
      {true, "Kaa", 2, 2, 1, -1, 0, false},
      {true, "Laa", 2, 2, 0, 0, 0, false},      // an entity bracket is punctuation
      {true, "a p", 2, 0, 0, 2, 0, false},
      {false, "aaTTa ", 0, 5, 2, 5, 1, false},  // tag characters count in the length too
      {false, "aa", 0, 2, 0, 2, 0, false},      // the count ends the walk: no 0 needed after it
      {false, "aTUa ", 0, 4, 2, 4, 1, false},   // any number of tags; the first gives the number
      {false, "a0a", 0, 1, 0, 1, 0, false},     // an unassigned character is no word character
      {false, "aMa", 0, 1, 0, 1, 0, false},
      {false, " aa", 0, 0, 0, 0, 0, false},
      {false, "aa", 5, 0, 0, 2, 0, false},
      // Hidden mark-up ends a word on either side, as it ends a running word.
      {true, "aaHHHaa", 6, 2, 0, 4, 0, false},
      {true, "HaaTTa", 5, 3, 2, 0, 1, false},   // a kept tag is crossed, the hidden one is not
      {true, "aHa", 2, 1, 0, 1, 0, false},
      {false, "aaHaa", 0, 2, 0, 2, 0, false},
      {false, "aTTaHaa", 0, 4, 2, 4, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags + (c.backward ? " backward" : " forward"));
    const auto f = F(c.flags);
    TScanState st;
    const TWordWalk w = c.backward ? WordLengthBackward(f.data(), N(f), c.from, st)
                                   : WordLengthForward(f.data(), N(f), c.from, st);
    EXPECT_EQ(w.length, c.length);
    EXPECT_EQ(w.tag_chars, c.tag_chars);
    EXPECT_EQ(w.position, c.stop);
    EXPECT_EQ(st.current_tag, c.tag);
    if (c.backward) {
      EXPECT_EQ(st.second_tag, c.second);
    }
  }
}

// Both boundary walks; edge is the line end after a word, the line start before one.
TEST(CharacterScans, BoundaryAroundWord) {
  struct Case {
    bool after;
    std::string flags;
    int32_t from;
    uint8_t level;
    bool edge;
    int32_t stop;
    uint16_t tag;
  };
  const Case cases[] = {
      {true, "ap M a", 1, 2, false, 5, 0},  // a sentence end after a full stop gives 2, not 1
      {true, "ap a", 1, 1, false, 3, 0},
      {true, "a  ", 1, 0, true, 3, 0},
      {true, "a N a", 1, 3, false, 4, 0},
      {true, "a Mmm a", 1, 2, false, 6, 0},
      {true, "a m a", 1, 0, false, 4, 0},   // a marker's further character has no level
      {true, "aTT a", 1, 0, false, 4, 1},   // a tag only sets the tag number
      {true, "a 0 a", 1, 0, false, 4, 0},   // an unassigned character inside a line is no end
      {true, "a", 1, 0, true, 1, 0},
      {false, "ap M a", 4, 2, false, 0, 0},
      {false, "a  a", 2, 0, false, 0, 0},
      {false, "ap a", 2, 1, false, 0, 0},
      {false, "  a", 1, 0, true, -1, 0},
      {false, "a0 a", 2, 0, false, 0, 0},
      {false, "N a", 1, 3, true, -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags + (c.after ? " after" : " before"));
    const auto f = F(c.flags);
    TScanState st;
    const TBoundaryWalk b = c.after ? BoundaryAfterWord(f.data(), N(f), c.from, st)
                                    : BoundaryBeforeWord(f.data(), N(f), c.from, st);
    EXPECT_EQ(b.level, c.level);
    EXPECT_EQ(b.edge, c.edge);
    EXPECT_EQ(b.position, c.stop);
    if (c.after) {
      EXPECT_EQ(st.current_tag, c.tag);
    }
  }
}

// A stretch of a text read against a line's view of it: the units it takes, worked by hand, and
// what the copy makes of those units is the line's view.
TEST(CharacterScans, TextUnitsShownAsALineShowsThem) {
  struct Case {
    std::u16string text, shown;
    int32_t units;
    bool folded;  // letters compared with their case folded
  };
  const Case cases[] = {
      {u"river\nbank is", u"river bank", 10, false},
      {u"river\r\nbank", u"river bank", 11, false},
      {u"river\n    bank", u"river bank", 14, false},
      {u"river\tbank", u"river bank", 10, false},
      {u"river \x01" u"bank", u"river bank", 11, false},  // a place-holder inside the run
      {u"\x19i\x18 river", u"<i> river", 9, false},       // hidden tag codes as brackets
      {u"river bank", u"river bunk", -1, false},
      {u"river", u"river bank", -1, false},                  // the text ends first
      {u"riverbank", u"river bank", -1, false},
      {u"RIVER\nbank", u"river bank", -1, false},
      {u"RIVER\nbank", u"river bank", 10, true},
      {u"river  ", u"river ", 7, false},                    // a closing blank takes the run
      {u"old \n  big", u"old   big", 10, false},              // a run of blanks shown is one too
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    const int32_t units = TextUnitsShownAs(c.text, c.shown, c.folded ? SameUnitFolded : nullptr);
    EXPECT_EQ(units, c.units);
    if (units <= 0 || c.folded || c.shown.find(u"  ") != std::u16string::npos) continue;
    std::vector<uint16_t> flags(c.text.size(), 0), out_flags(c.text.size() + 3);
    std::vector<char16_t> out(c.text.size() + 3);
    const TCopyCompactResult r = CopyTextCompactingBlanks(c.text.data(), flags.data(), units, units, out.data(),
                                                          out_flags.data(), units + 3, 0, 0);
    EXPECT_EQ(std::u16string(out.data(), static_cast<size_t>(r.kept)), c.shown);
  }
}

TEST(CharacterScans, CopyTextAndFlags) {
  const std::u16string src = u"xyz";
  const auto f = F("a a");
  char16_t dst[3] = {};
  uint16_t df[3] = {};
  CopyTextAndFlags(f.data(), df, src.data(), dst, 3);
  EXPECT_EQ(std::u16string(dst, 3), src);
  EXPECT_EQ(df[1], 0x0248);
}

TEST(CharacterScans, BlankTagOutsideWindowKeepsOnlyTagsStartingInIt) {
  struct Case {
    int32_t window_start, window_length;
    std::u16string want;
    std::string kept;  // K where the flag became 0x0400
  };
  //                       0123456789012
  const std::u16string src = u"<x>ab<y>cd<z>";
  const std::string flags = "HHHaaHHHaaHHH";
  const Case cases[] = {
      {9, 1, u"___ab___cd___", "HHHaaHHHaaHHH"},  // no tag starts in "d"
      {9, 2, u"___ab___cd<z>", "HHHaaHHHaaKKK"},  // "<z>" starts at its last character
      {8, 2, u"___ab<y>cd___", "HHHaaKKKaaHHH"},  // a tag just before the window joins it
      {6, 4, u"___ab<y>cd___", "HHHaaKKKaaHHH"},  // starting inside "<y>" takes it whole
      {0, 13, u"<x>ab<y>cd<z>", "KKKaaKKKaaKKK"},
      {-5, 100, u"<x>ab<y>cd<z>", "KKKaaKKKaaKKK"},  // clipped to the line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window_start);
    std::u16string text = src;
    auto f = F(flags);
    BlankTagOutsideWindow(text.data(), f.data(), N(f), c.window_start, c.window_length, 0x0800, u'_');
    EXPECT_EQ(text, c.want);
    EXPECT_EQ(f, F(c.kept));
  }
}

TEST(CharacterScans, CollectLineTags) {
  struct Case {
    std::u16string text;
    std::string flags;
    std::vector<TLineTagPlace> want;
  };
  const Case cases[] = {
      {u"<w>dog</w>", "TTTaaaTTTT", {{0, 3, 1, 0x0801}, {6, 4, 1, 0x0801}}},
      {u"<a><b>x", "TTTTTTa", {{0, 3, 1, 0x0801}, {3, 3, 1, 0x0801}}},  // one closed, the next begins
      {u"<a><b>x", "TTTUUUa", {{0, 3, 1, 0x0801}, {3, 3, 2, 0x0802}}},
      {u"<s> a", "Mmm a", {}},                                       // markers never become tags
      {u"\x19p\x18 a", "HHH a", {{0, 3, 0, 0x0800}}},                // hidden mark-up: number 0
      {u"<q> a", "KKK a", {{0, 3, 0, 0x0400}}},
      {u"&lt;", "LLLL", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    const auto f = F(c.flags);
    ExpectSameTags(CollectLineTags(c.text.data(), f.data(), N(f)), c.want);
  }
}

TEST(CharacterScans, WordPositionsAroundAHit) {
  struct Want {
    int32_t pos, start, length;
    uint8_t barrier;
    uint16_t tag;
  };
  struct Case {
    const char* name;
    std::string flags;
    int32_t midpoint, hit;
    std::vector<Want> want;
  };
  const Case cases[] = {
      // "the big. dog ran"
      {"plain", "aaa aaap aaa aaa", 9, 3,
       {{47, -9, 0, 0, 0}, {48, -9, 3, 0, 0}, {49, -5, 3, 1, 0}, {50, 0, 3, 0, 0}, {51, 4, 3, 0, 0},
        {52, 7, 0, 0, 0}, {53, 7, 0, 0, 0}}},
      // "big. <s> dog" with a sentence-end marker
      {"marker", "aaap Mmm aaa", 9, 3, {{49, -9, 3, 2, 0}, {50, 0, 3, 0, 0}, {51, 3, 0, 0, 0}}},
      // "<w>big</w> <w>dog</w> ran": tags never belong to a word's ends
      {"tagged", "TTTaaaTTTT TTTaaaTTTT aaa", 14, 3,
       {{49, -11, 3, 0, 1}, {50, 0, 3, 0, 0}, {51, 8, 3, 0, 1}, {52, 11, 0, 0, 0}}},
      // "ab <0> cd": an unassigned character parts words, it does not end the line
      {"unassigned", "aa 0 aa", 5, 2, {{48, -5, 0, 0, 0}, {49, -5, 2, 0, 0}, {50, 0, 2, 0, 0}}},
      // the hit at the line start and end
      {"alone", "aaa", 0, 3, {{49, 0, 0, 0, 0}, {50, 0, 3, 0, 0}, {51, 3, 0, 0, 0}}},
      // "cat<x>dog river" with the tag hidden: two words, as the search counts them
      {"hidden tag between words", "aaaHHHaaa aaaaa", 10, 5,
       {{47, -10, 0, 0, 0}, {48, -10, 3, 0, 0}, {49, -4, 3, 0, 0}, {50, 0, 5, 0, 0}}},
      // "IF A<>A THEN"
      {"empty hidden tag", "aa aHHa aaaa", 0, 2,
       {{50, 0, 2, 0, 0}, {51, 3, 1, 0, 0}, {52, 6, 1, 0, 0}, {53, 8, 4, 0, 0}, {54, 12, 0, 0, 0}}},
      // "<td>Thames</td><td>river</td><td>346</td>": hidden tags on both sides of each word
      {"hidden tags around words", "HHHHaaaaaaHHHHHHHHHaaaaaHHHHHHHHHdddHHHHH", 19, 5,
       {{48, -19, 0, 0, 0}, {49, -15, 6, 0, 0}, {50, 0, 5, 0, 0}, {51, 14, 3, 0, 0}, {52, 22, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto f = F(c.flags);
    TLineWordPosition out[kSpanPositions];
    ComputeLineWordPositions(f.data(), N(f), c.midpoint, c.hit, 45, 55, out);
    for (const auto& w : c.want) {
      SCOPED_TRACE(w.pos);
      EXPECT_EQ(out[w.pos].start, w.start);
      EXPECT_EQ(out[w.pos].length, w.length);
      EXPECT_EQ(out[w.pos].barrier, w.barrier);
      EXPECT_EQ(out[w.pos].tag_number_1based, w.tag);
    }
  }
}

TEST(CharacterScans, WordPositionsStayWithinTheirSpan) {
  const auto f = F("aa aa aa aa aa aa aa aa");
  TLineWordPosition out[kSpanPositions];
  ComputeLineWordPositions(f.data(), N(f), 12, 2, 48, 52, out);
  EXPECT_EQ(out[48].length, 2);
  EXPECT_EQ(out[47].length, 0);  // beyond lo: left at the edge
  EXPECT_EQ(out[47].start, -12);
  EXPECT_EQ(out[52].length, 2);
  EXPECT_EQ(out[53].length, 0);
  EXPECT_EQ(out[53].start, N(f) - 12);
}

TEST(CharacterScans, CutPadsNearTheTextStartAndCompacts) {
  struct Case {
    std::u16string text;
    std::string flags;
    int32_t width, hit, hit_length;
    std::u16string line;
    int32_t midpoint, line_hit;
  };
  const Case cases[] = {
      {u"ab cd ef", "aa aa aa", 10, 3, 2, u"  ab cd ef", 5, 2},   // 2 blanks before the text
      {u"ab\t\n cd", "aacc aa", 20, 5, 2, u"     ab cd", 8, 2},     // blanks compacted
      {u"ab cd ef gh", "aa aa aa aa", 4, 6, 2, u"d ef", 2, 2},     // cut on both sides
      {u"a  b", "a  a", 20, 0, 4, std::u16string(10, u' ') + u"a b", 10, 3},  // a phrase's blanks too
      {u"ab", "aa", 4, 9, 3, u" ab", 2, 1},                          // a hit beyond the chunk is clipped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.flags));
    const auto f = F(c.flags);
    TLineCutter cutter(c.width);
    ASSERT_TRUE(cutter.Cut({c.text.data(), f.data(), N(f)}, {}, c.hit, c.hit_length));
    EXPECT_EQ(cutter.LineText(), c.line);
    EXPECT_EQ(cutter.Midpoint(), c.midpoint);
    EXPECT_EQ(cutter.HitLength(), c.line_hit);
    EXPECT_EQ(cutter.Flags()[0], c.midpoint > 0 && c.line[0] == u' ' ? kScanFlagBlank : f[0]);
  }
  TLineCutter cutter(10);
  EXPECT_FALSE(cutter.Cut({}, {}, 0, 1));
  EXPECT_EQ(cutter.Length(), 0);
  EXPECT_EQ(TLineCutter(0).Width(), 1);
  EXPECT_EQ(TLineCutter(100000).Width(), kMaxLineWidth);
}

// A line cut near a chunk's start, with the text before the cut handed over, equals the line cut
// from the whole text.
TEST(CharacterScans, LineAtACutEqualsTheLineAwayFromIt) {
  const std::u16string text = u"one two  three\tfour five six seven";
  std::string flags;
  for (char16_t c : text) flags += c == u' ' ? ' ' : c == u'\t' ? 'c' : 'a';
  const auto f = F(flags);
  const int32_t hit = 15, hit_length = 4;  // "four"
  for (int32_t width : {6, 11, 20, 40}) {
    TLineCutter whole(width);
    ASSERT_TRUE(whole.Cut({text.data(), f.data(), N(f)}, {}, hit, hit_length));
    for (int32_t cut = 1; cut <= hit; ++cut) {
      SCOPED_TRACE(width * 100 + cut);
      TLineCutter part(width);
      const TChunkView before{text.data(), f.data(), cut};
      const TChunkView chunk{text.data() + cut, f.data() + cut, N(f) - cut};
      ASSERT_TRUE(part.Cut(chunk, before, hit - cut, hit_length));
      EXPECT_EQ(part.LineText(), whole.LineText());
      EXPECT_EQ(part.Midpoint(), whole.Midpoint());
      EXPECT_EQ(part.HitLength(), whole.HitLength());
      EXPECT_EQ(std::vector<uint16_t>(part.Flags(), part.Flags() + part.Length()),
                std::vector<uint16_t>(whole.Flags(), whole.Flags() + whole.Length()));
    }
  }
}

// Random buffers and positions, in and out of range: every scan stays within its count (run
// under the address sanitizer to see a stray read) and answers within bounds.
TEST(CharacterScans, RandomBuffersStayWithinTheirCounts) {
  std::mt19937 rng(20261207);
  const uint16_t pool[] = {0x0302, 0x0284, 0x0200, 0x0248, 0x0210, 0x0228, 0x0801, 0x0802, 0x0800,
                           0x0400, 0x0610, 0x880F, 0x8811, 0x8800, 0,      0x0280, 0x7FFF, 0x8815};
  const char16_t chars[] = {u'a', u' ', u'\t', 1, 24, 25, 0, u'<', u'>', u'.', 0x2026};
  for (int round = 0; round < 2000; ++round) {
    const int32_t n = static_cast<int32_t>(rng() % 40);
    // Exact-size heap buffers, so that a read one past the end is caught.
    std::vector<uint16_t> f(static_cast<size_t>(n));
    std::vector<char16_t> t(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      f[static_cast<size_t>(i)] = pool[rng() % std::size(pool)];
      t[static_cast<size_t>(i)] = chars[rng() % std::size(chars)];
    }
    const int32_t pos = static_cast<int32_t>(rng() % 50) - 5;
    TScanState st;
    const TWordWalk wb = WordLengthBackward(f.data(), n, pos, st);
    EXPECT_GE(wb.position, -1);
    EXPECT_LT(wb.position, std::max(n, 1));
    const TWordWalk wf = WordLengthForward(f.data(), n, pos, st);
    EXPECT_LE(wf.position, n);
    EXPECT_LE(wf.length, n);
    const TBoundaryWalk ba = BoundaryAfterWord(f.data(), n, pos, st);
    EXPECT_LE(ba.position, n);
    EXPECT_LE(ba.level, 5);
    const TBoundaryWalk bb = BoundaryBeforeWord(f.data(), n, pos, st);
    EXPECT_GE(bb.position, -1);
    for (const auto& tag : CollectLineTags(t.data(), f.data(), n)) {
      EXPECT_GE(tag.position, 0);
      EXPECT_LE(tag.position + tag.length, n);
    }
    TLineWordPosition out[kSpanPositions];
    ComputeLineWordPositions(f.data(), n, pos, static_cast<int32_t>(rng() % 6), 0, 101, out);
    for (const auto& w : out) {
      EXPECT_GE(w.length, 0);
      EXPECT_LE(w.length, n);
    }
    const int32_t width = 1 + static_cast<int32_t>(rng() % 30);
    TLineCutter cutter(width);
    const int32_t cut = n > 0 ? static_cast<int32_t>(rng() % static_cast<uint32_t>(n)) : 0;
    if (n - cut > 0) {
      ASSERT_TRUE(cutter.Cut({t.data() + cut, f.data() + cut, n - cut}, {t.data(), f.data(), cut}, pos, 3));
      EXPECT_LE(cutter.Length(), width);
      EXPECT_LE(cutter.Midpoint() + cutter.HitLength(), cutter.Length());
    }
    std::vector<char16_t> t2 = t;
    std::vector<uint16_t> f2 = f;
    BlankTagOutsideWindow(t2.data(), f2.data(), n, pos, 4, 0x0800, u' ');
  }
}

namespace {

// The copy and the tag list worked out one unit at a time, with nothing skipped, to hold the
// block-at-a-time scans against.
TCopyCompactResult SlowCopy(const char16_t* src, const uint16_t* sf, int32_t n, char16_t* dst, uint16_t* df,
                            int32_t capacity, int32_t from, int32_t to) {
  TCopyCompactResult r;
  const int32_t room = std::max(0, capacity - 3);
  from = std::max(from, 0);
  to = std::max(to, from);
  int32_t d = 0;
  int32_t i = 0;
  bool run = false;
  for (; i < n && d < room; ++i) {
    if (i == from) r.range_first = d;
    if (i == to) r.range_end = d;
    const char16_t c = src[i];
    const uint16_t f = sf[i];
    if (i >= from && i < to && f < 0x0800 && f != 0x0400 && (f & 0x68) != 0) ++r.range_blanks;
    if (c > 32) {
      dst[d] = c, df[d++] = f, run = false;
    } else if (c == 1) {
    } else if (c == 24 || c == 25) {
      dst[d] = c == 25 ? u'<' : u'>', df[d++] = f, run = false;
    } else if (f > 0x8800 || !run) {
      dst[d] = u' ', df[d++] = f, run = true;
    }
  }
  if (r.range_first < 0 && i == from) r.range_first = d;
  if (r.range_first >= 0 && r.range_end < 0) r.range_end = d;
  r.kept = d;
  for (int32_t k = 0; k < 3 && d + k < capacity; ++k) {
    dst[d + k] = k < 2 ? u' ' : 0;
    df[d + k] = k < 2 ? kScanFlagBlank : 0;
  }
  return r;
}

// CopyTextCompactingBlanks into a buffer of `capacity` units equals the slow copy: its counts,
// and the whole buffer, so that nothing is written beyond the closing 0.
void ExpectCopyAsSlowCopy(const std::vector<char16_t>& t, const std::vector<uint16_t>& f, int32_t capacity,
                          int32_t from, int32_t to) {
  const int32_t n = static_cast<int32_t>(t.size());
  std::vector<char16_t> want(static_cast<size_t>(capacity), u'#'), got = want;
  std::vector<uint16_t> want_f(static_cast<size_t>(capacity), 0xABCD), got_f = want_f;
  const TCopyCompactResult a = SlowCopy(t.data(), f.data(), n, want.data(), want_f.data(), capacity, from, to);
  const TCopyCompactResult b =
      CopyTextCompactingBlanks(t.data(), f.data(), n, n, got.data(), got_f.data(), capacity, from, to);
  ASSERT_EQ(std::make_tuple(b.kept, b.range_first, b.range_end, b.range_blanks),
            std::make_tuple(a.kept, a.range_first, a.range_end, a.range_blanks));
  ASSERT_EQ(got, want);
  ASSERT_EQ(got_f, want_f);
}

std::vector<TLineTagPlace> SlowTags(const char16_t* text, const uint16_t* flags, int32_t count) {
  std::vector<TLineTagPlace> tags;
  for (int32_t i = 0; i < count;) {
    const uint16_t f = flags[i];
    const bool tag = (f & 0x8000) == 0 && (f >= 0x0800 || f == 0x0400);
    if (!tag) {
      ++i;
      continue;
    }
    int32_t j = i + 1;
    bool closed = text[i] == u'>' || text[i] == 24;
    while (j < count && !closed && flags[j] == f) {
      closed = text[j] == u'>' || text[j] == 24;
      ++j;
    }
    tags.push_back({i, j - i, static_cast<uint16_t>(f > 0x0800 && f != 0x0400 ? f - 0x0800 : 0), f});
    i = j;
  }
  return tags;
}

}  // namespace

// Long random lines - mostly words and single blanks, with runs of blanks, dropped units,
// bracket codes, markers and tags at random rates - copied and scanned for tags block by
// block give what the unit-at-a-time versions give, for every buffer size and counting range.
TEST(CharacterScans, BlockScansEqualUnitByUnitScans) {
  std::mt19937 rng(7081226);
  const uint16_t pool[] = {0x0302, 0x0302, 0x0302, 0x0248, 0x0210, 0x0228, 0x0801, 0x0802, 0x0800,
                           0x0400, 0x0610, 0x880F, 0x8811, 0x8800, 0,      0x7FFF, 0x8815, 0x07FF};
  const char16_t odd[] = {u' ', u' ', u'\t', u'\n', 1, 24, 25, 0, u'<', u'>', 0x2026, 0xFFFF, 32, 33};
  std::vector<TLineTagPlace> reused;
  for (int round = 0; round < 3000; ++round) {
    const int32_t n = static_cast<int32_t>(rng() % 300);
    const uint32_t odd_rate = 1 + rng() % 12;  // one unusual unit in this many
    std::vector<char16_t> t(static_cast<size_t>(n));
    std::vector<uint16_t> f(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      const bool unusual = rng() % odd_rate == 0;
      t[static_cast<size_t>(i)] = unusual ? odd[rng() % std::size(odd)] : (rng() % 6 == 0 ? u' ' : u'a' + rng() % 26);
      f[static_cast<size_t>(i)] = unusual ? pool[rng() % std::size(pool)] : (t[static_cast<size_t>(i)] == u' ' ? 0x0248 : 0x0302);
    }
    const int32_t capacity = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 8));
    const int32_t from = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 4)) - 2;
    const int32_t to = from + static_cast<int32_t>(rng() % 40) - 3;
    SCOPED_TRACE(round);
    ExpectCopyAsSlowCopy(t, f, capacity, from, to);
    if (HasFatalFailure()) return;

    const std::vector<TLineTagPlace> slow = SlowTags(t.data(), f.data(), n);
    CollectLineTags(t.data(), f.data(), n, reused);
    ExpectSameTags(reused, slow);
  }
}

// Mail and mark-up hold long runs of blanks (hidden tags, indentation, empty lines), which the
// copy drops a block at a time. Each kind of run - broken now and then by what a run must keep (a
// marker's blank, a bracket code, a letter) - between words, with capacities that run out inside
// a run and counting ranges that begin or end in one, copies as unit by unit.
TEST(CharacterScans, LongRunsOfBlanksCopyAsUnitByUnit) {
  struct TRunUnit {
    char16_t c;
    uint16_t f;
  };
  struct TRunCase {
    const char* name;
    std::vector<TRunUnit> run;    // a run is drawn from these
    std::vector<TRunUnit> break_; // and now and then broken by one of these
  };
  const std::vector<TRunCase> cases = {
      {"hidden tag", {{u' ', 0x0800}}, {{u'x', 0x0302}}},
      {"line ends and indentation", {{u'\n', 0x0248}, {u' ', 0x0248}, {u'\t', 0x0248}, {u'\r', 0x0248}}, {}},
      {"place-holders among blanks", {{1, 0x0302}, {u' ', 0x0800}, {1, 0x8811}}, {{25, 0x0801}, {24, 0x0801}}},
      {"markers' blanks", {{u' ', 0x0248}, {0, 0x0248}}, {{u' ', 0x880F}, {u' ', 0x8815}, {u' ', 0x8800}}},
      {"everything", {{u' ', 0x0800}, {u'\n', 0x0248}, {1, 0x0302}, {32, 0x07FF}},
       {{u' ', 0x880F}, {24, 0x0801}, {25, 0x0802}, {u'a', 0x0302}, {0x2026, 0x0210}}},
  };
  // Every capacity that runs out at the run's start, and every range start in or after it.
  {
    std::vector<char16_t> t = {u'a', u'b', u'c'};
    std::vector<uint16_t> f(3, 0x0302);
    t.insert(t.end(), 64, u' ');
    f.insert(f.end(), 64, 0x0248);
    for (const char16_t c : {u'd', u'e', u'f'}) t.push_back(c), f.push_back(0x0302);
    const int32_t n = static_cast<int32_t>(t.size());
    for (int32_t capacity = 1; capacity <= 12; ++capacity) {
      for (int32_t from = 0; from <= n; ++from) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity << ", from " << from);
        ExpectCopyAsSlowCopy(t, f, capacity, from, from + 40);
        if (HasFatalFailure()) return;
      }
    }
  }
  std::mt19937 rng(2041);
  for (const TRunCase& rc : cases) {
    SCOPED_TRACE(rc.name);
    for (int round = 0; round < 600; ++round) {
      std::vector<char16_t> t;
      std::vector<uint16_t> f;
      while (t.size() < 400) {
        for (int w = 1 + static_cast<int>(rng() % 9); w > 0; --w) {
          t.push_back(static_cast<char16_t>(u'a' + rng() % 26));
          f.push_back(0x0302);
        }
        const int run = static_cast<int>(rng() % 90);
        for (int j = 0; j < run; ++j) {
          const bool broken = !rc.break_.empty() && rng() % 40 == 0;
          const TRunUnit u = broken ? rc.break_[rng() % rc.break_.size()] : rc.run[rng() % rc.run.size()];
          t.push_back(u.c);
          f.push_back(u.f);
        }
      }
      const int32_t n = static_cast<int32_t>(t.size());
      const int32_t capacity = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 8));
      const int32_t from = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 4)) - 2;
      const int32_t to = from + static_cast<int32_t>(rng() % 120);
      SCOPED_TRACE(round);
      ExpectCopyAsSlowCopy(t, f, capacity, from, to);
      if (HasFatalFailure()) return;
    }
  }
}

// A window among characters the first pass judged is cut straight into one byte a character,
// its flags left in the chunk. Random plain chunks - words, single and doubled blanks, line ends
// (CR LF among them), place-holders, markers, punctuation, and now and then a unit beyond ASCII or
// a flag no blank has - cut at random hits with random widths, at the chunk's start and end and
// with windows that leave the judged range, give what the general cut gives: text, flags,
// midpoint, hit, word positions over every span and tags; and the stored form is one byte
// exactly where the whole line is ASCII.
// Every answer of cut a equals cut b's (b a general cut): lengths, word positions lo..hi, tags,
// the line, and the text and flags made on asking, closing blanks and 0 included.
void ExpectSameCut(const TLineCutter& a, const TLineCutter& b, int32_t lo, int32_t hi) {
  ASSERT_EQ(a.Length(), b.Length());
  EXPECT_EQ(a.Midpoint(), b.Midpoint());
  EXPECT_EQ(a.HitLength(), b.HitLength());
  TLineWordPosition wa[kSpanPositions], wb[kSpanPositions];
  a.WordPositions(lo, hi, wa);
  b.WordPositions(lo, hi, wb);
  // Positions lo..hi alone, over what was there before, are those of all 102.
  TLineWordPosition within[kSpanPositions];
  for (TLineWordPosition& w : within) w = {7777, 7777, 77, 7777};
  a.WordPositions(lo, hi, within, false);
  for (int k = 0; k < kSpanPositions; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(wa[k].start, wb[k].start);
    EXPECT_EQ(wa[k].length, wb[k].length);
    EXPECT_EQ(wa[k].barrier, wb[k].barrier);
    EXPECT_EQ(wa[k].tag_number_1based, wb[k].tag_number_1based);
    const bool in_span = k >= std::clamp(lo, 0, kSpanSearchWord) && k <= std::clamp(hi, kSpanSearchWord, kSpanPositions - 1);
    const TLineWordPosition expected = in_span ? wa[k] : TLineWordPosition{7777, 7777, 77, 7777};
    EXPECT_EQ(std::make_tuple(within[k].start, within[k].length, within[k].barrier, within[k].tag_number_1based),
              std::make_tuple(expected.start, expected.length, expected.barrier, expected.tag_number_1based));
  }
  std::vector<TLineTagPlace> ta, tb;
  a.CollectTags(ta);
  b.CollectTags(tb);
  ExpectSameTags(ta, tb);
  // The line comes in the shortest form its characters allow, whichever road cut it.
  const TLineText line = a.Line();
  EXPECT_TRUE(line == b.LineText());
  EXPECT_EQ(line.Form(), LineTextFormOf(b.LineText()));
  if (a.OneByte()) {
    EXPECT_EQ(line.Form(), TLineTextForm::kAscii);
  }
  const size_t closed = static_cast<size_t>(a.Length() + 3);
  EXPECT_EQ(std::u16string(a.Text(), closed), std::u16string(b.Text(), closed));
  EXPECT_EQ(std::vector<uint16_t>(a.Flags(), a.Flags() + closed), std::vector<uint16_t>(b.Flags(), b.Flags() + closed));
}

TEST(CharacterScans, OneByteCutEqualsTheGeneralCut) {
  std::mt19937 rng(20261207);
  const char16_t blanks[] = {u' ', u' ', u'\t', u'\n', u'\r', 1};
  int one_byte = 0, general_cuts = 0, overlapping[2] = {};
  for (int round = 0; round < 4000; ++round) {
    const int32_t n = 1 + static_cast<int32_t>(rng() % 700);
    const uint32_t blank_rate = 2 + rng() % 8;
    const bool rare = rng() % 4 == 0;
    std::vector<char16_t> t(static_cast<size_t>(n));
    std::vector<uint16_t> f(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      char16_t c = static_cast<char16_t>(u'a' + rng() % 26);
      uint16_t k = 0x0302;
      const uint32_t r = rng() % 100;
      if (r % blank_rate == 0) {
        c = blanks[rng() % (rare ? std::size(blanks) : std::size(blanks) - 1)];
        k = c == u' ' ? 0x0248 : 0x0228;
        if (rng() % 20 == 0) k = 0x8800 + static_cast<uint16_t>(rng() % 24);  // a marker on a blank
      } else if (r < 6) {
        c = u'.', k = rng() % 2 ? 0x880F : 0x0210;
      } else if (r < 9) {
        c = u'-', k = 0x0200;
      } else if (r < 11) {
        c = static_cast<char16_t>(u'0' + rng() % 10), k = 0x0284;
      }
      if (rare && rng() % 150 == 0) c = rng() % 2 ? 0x00E9 : 0x2019;               // beyond ASCII
      if (rare && rng() % 150 == 0) k = rng() % 2 ? 0x0302 : 0x0210;               // a blank with a word's kind
      t[static_cast<size_t>(i)] = c;
      f[static_cast<size_t>(i)] = k;
    }
    // Drawn one after the other: two draws in one expression come in whatever order the compiler
    // picks, and the texts would then hang on the build.
    const uint32_t widths = rng() % 3 == 0 ? 1000 : 80;
    const int32_t width = 1 + static_cast<int32_t>(rng() % widths);
    const int32_t hit = static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
    const int32_t hit_length = static_cast<int32_t>(rng() % 12);
    TChunkView plain{t.data(), f.data(), n};
    plain.plain_from = rng() % 3 == 0 ? static_cast<int32_t>(rng() % static_cast<uint32_t>(n)) : 0;
    plain.plain_to = rng() % 3 == 0 ? static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 1)) : n;
    const TChunkView general{t.data(), f.data(), n};
    TLineCutter a(width), b(width);
    ASSERT_TRUE(a.Cut(plain, {}, hit, hit_length));
    ASSERT_TRUE(b.Cut(general, {}, hit, hit_length));
    EXPECT_FALSE(b.OneByte());
    (a.OneByte() ? one_byte : general_cuts)++;
    SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " hit " << hit
                                    << (a.OneByte() ? " one byte" : " general"));
    const int32_t lo = static_cast<int32_t>(rng() % 51), hi = 50 + static_cast<int32_t>(rng() % 52);
    ExpectSameCut(a, b, lo, hi);
    // A later hit whose window overlaps this one's: marked at this window's end, the later line
    // (cut either way) begins with as many of the bytes this one ends with as its window's units
    // before that end make.
    const int32_t later = std::min(n - 1, hit + 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(width)));
    for (const TChunkView* view : {static_cast<const TChunkView*>(&plain), &general}) {
      TLineCutter c(width);
      c.MarkInNextCut(a.WindowEnd());
      ASSERT_TRUE(c.Cut(*view, {}, later, hit_length));
      const int32_t overlap = c.MarkedPosition();
      if (overlap < 0) continue;
      ASSERT_LE(overlap, std::min(a.Length(), c.Length()));
      EXPECT_EQ(c.Line().substr(0, static_cast<size_t>(overlap)),
                a.Line().substr(static_cast<size_t>(a.Length() - overlap)));
      ++overlapping[c.OneByte()];
    }
    // Only the next cut is told.
    TLineCutter d(width);
    d.MarkInNextCut(a.WindowEnd());
    ASSERT_TRUE(d.Cut(general, {}, hit, hit_length));
    ASSERT_TRUE(d.Cut(general, {}, later, hit_length));
    EXPECT_EQ(d.MarkedPosition(), -1);
    // A cutter told that each cut reads the chunk the last one read takes what its windows
    // share from the last line, and cuts every window as a fresh cutter does, overlapping the
    // last one or not.
    int32_t at = hit;
    for (int step = 0; step < 4; ++step) {
      at = rng() % 4 == 0 ? static_cast<int32_t>(rng() % static_cast<uint32_t>(n))
                          : std::min(n - 1, at + static_cast<int32_t>(rng() % static_cast<uint32_t>(width)));
      TLineCutter fresh(width), fresh_marked(width);
      ASSERT_TRUE(fresh.Cut(general, {}, at, hit_length));
      const int32_t mark = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 1));
      b.MarkInNextCut(mark);
      fresh_marked.MarkInNextCut(mark);
      ASSERT_TRUE(b.Cut(general, {}, at, hit_length));
      ASSERT_TRUE(fresh_marked.Cut(general, {}, at, hit_length));
      SCOPED_TRACE(testing::Message() << "going on to " << at);
      ExpectSameCut(b, fresh, lo, hi);
      EXPECT_EQ(b.MarkedPosition(), fresh_marked.MarkedPosition());
    }
  }
  // Both roads were taken often.
  EXPECT_GT(one_byte, 1000);
  EXPECT_GT(general_cuts, 1000);
  EXPECT_GT(overlapping[0], 300);
  EXPECT_GT(overlapping[1], 300);
}

// A frequent word's lines go on from each other: each general cut told the last window's end
// takes the units the two windows share from the last line and narrows only its new ones. Over
// a chunk with stretches of plain letters, of Latin-1 and code page 1252 punctuation, and of
// characters neither holds (Cyrillic, Chinese, a displaced C1 control) - blanks, runs of them,
// place-holders, markers and now and then a tag character among them - hits walked forward by
// random steps (many lines a buffer's room) give each line the text, flags, positions and mark a
// fresh cutter gives, the form and bytes that narrowing the whole line gives and the tags a scan
// of the whole line finds.
TEST(CharacterScans, LinesGoingOnFromTheLastNarrowAsAWholeLineDoes) {
  std::mt19937 rng(20261208);
  const char16_t latin[] = {0x00E9, 0x00FC, 0x2019, 0x201C, 0x20AC, 0x0081, 0x00A0};
  const char16_t beyond[] = {0x0416, 0x4E2D, 0x0080, 0x0151, 0xFFFD};
  int forms[3] = {}, gone_on = 0, with_tags[2] = {};
  for (int round = 0; round < 300; ++round) {
    const int32_t n = 2000 + static_cast<int32_t>(rng() % 4000);
    std::vector<char16_t> t(static_cast<size_t>(n));
    std::vector<uint16_t> f(static_cast<size_t>(n));
    int stretch = 0;  // 0 plain, 1 Latin-1 now and then, 2 beyond it now and then
    const bool tagged = round % 2 == 0;
    for (int32_t i = 0; i < n; ++i) {
      if (rng() % 300 == 0) stretch = static_cast<int>(rng() % 3);
      char16_t c = static_cast<char16_t>(u'a' + rng() % 26);
      uint16_t k = 0x0302;
      const uint32_t r = rng() % 100;
      if (r < 15) {
        c = rng() % 8 == 0 ? (rng() % 2 ? u'\n' : char16_t{1}) : u' ';
        k = c == u' ' ? 0x0248 : 0x0228;
        if (rng() % 25 == 0) k = rng() % 2 ? 0x880F : 0x8811;  // a marker on a blank
      } else if (r < 18) {
        c = u'.', k = 0x0210;
      } else if (stretch == 1 && r < 24) {
        c = latin[rng() % std::size(latin)];
      } else if (stretch == 2 && r < 20) {
        c = beyond[rng() % std::size(beyond)];
      }
      if (tagged && rng() % 400 == 0) k = rng() % 2 ? 0x0800 : 0x0801;  // hidden mark-up, a kept tag
      t[static_cast<size_t>(i)] = c;
      f[static_cast<size_t>(i)] = k;
    }
    const int32_t width = 1 + static_cast<int32_t>(rng() % (rng() % 3 == 0 ? 1000 : 120));
    const TChunkView chunk{t.data(), f.data(), n};
    TLineCutter going(width);
    int32_t at = static_cast<int32_t>(rng() % 50), window_end = -1;
    for (int line = 0; at < n && line < 400; ++line) {
      const int32_t hit_length = static_cast<int32_t>(rng() % 8);
      going.MarkInNextCut(window_end);
      ASSERT_TRUE(going.Cut(chunk, {}, at, hit_length));
      TLineCutter fresh(width);
      fresh.MarkInNextCut(window_end);
      ASSERT_TRUE(fresh.Cut(chunk, {}, at, hit_length));
      SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " hit " << at);
      ExpectSameCut(going, fresh, 40, 60);
      EXPECT_EQ(going.MarkedPosition(), fresh.MarkedPosition());
      gone_on += going.MarkedPosition() > 0;
      // The line's bytes are those the whole line's narrowing writes.
      const TLineText line = going.Line();
      std::vector<char> block(LineTextBlockBytes(TLineTextForm::kWide, line.size()) + 4);
      const TLineTextForm whole = FillLineTextBlockShortest(block.data(), going.LineText());
      ASSERT_EQ(line.Form(), whole);
      if (whole != TLineTextForm::kWide && !line.empty()) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(line.Bytes()), line.size()),
                  std::string(block.data() + kLineTextHeaderBytes, line.size()));
      }
      ++forms[static_cast<int>(whole)];
      // Its tags are those a scan of the whole line finds.
      std::vector<TLineTagPlace> tags;
      going.CollectTags(tags);
      ExpectSameTags(tags, CollectLineTags(going.Text(), going.Flags(), going.Length()));
      ++with_tags[tags.empty() ? 0 : 1];
      if (HasFailure()) return;
      window_end = going.WindowEnd();
      at += 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(std::max(1, width / 2)));
    }
  }
  // Every form was met, and most lines went on from the last.
  EXPECT_GT(forms[static_cast<int>(TLineTextForm::kAscii)], 1000);
  EXPECT_GT(forms[static_cast<int>(TLineTextForm::kNarrow)], 1000);
  EXPECT_GT(forms[static_cast<int>(TLineTextForm::kWide)], 1000);
  EXPECT_GT(gone_on, 20000);
  EXPECT_GT(with_tags[0], 5000);
  EXPECT_GT(with_tags[1], 3000);
}

// The word positions near a hit are worked out over masks of the stretch around it: random
// lines of every kind of flag - letters, digits, blanks, line ends, punctuation, entity brackets,
// markers of each boundary level and of none, and now and then a tag character or a word longer
// than the stretch - with hits anywhere (at and near both edges, long hits) and every span give
// the positions the walk unit by unit gives, or leave the answer to it. Lines of plain prose are
// answered near the hit, and so are lines whose tags lie past the units walked.
TEST(CharacterScans, WordPositionsNearAHitEqualTheWalkUnitByUnit) {
  std::mt19937 rng(4141);
  const uint16_t kinds[] = {0x0302, 0x0302, 0x0302, 0x0302, 0x0284, 0x0200, 0x0248, 0x0248, 0x0228,
                            0x0210, 0x0610, 0x880F, 0x8811, 0x8813, 0x8815, 0x8800, 0x8816, 0x0000};
  int near = 0, prose = 0, prose_near = 0, tagged_near = 0;
  for (int round = 0; round < 20000; ++round) {
    const bool plain = round % 2 == 0;  // no tag character
    const bool prose_like = round % 4 == 2;  // words of a few letters, a blank or punctuation between
    const int32_t n = static_cast<int32_t>(prose_like ? 400 + rng() % 800 : rng() % (rng() % 4 == 0 ? 1200 : 300));
    std::vector<uint16_t> f(static_cast<size_t>(n) + 1);
    const uint32_t word_run = 1 + rng() % (rng() % 10 == 0 ? 200 : 9);
    for (int32_t i = 0; i < n; ++i) {
      uint16_t k = kinds[rng() % std::size(kinds)];
      if (prose_like) k = rng() % 6 != 0 ? 0x0302 : rng() % 8 == 0 ? kinds[9 + rng() % 9] : 0x0248;
      else if (rng() % word_run != 0) k = 0x0302;
      if (!plain && rng() % 150 == 0) k = rng() % 3 == 0 ? 0x0400 : rng() % 2 ? 0x0800 : 0x0803;
      f[static_cast<size_t>(i)] = k;
    }
    const int32_t mid = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 3)) - 1;
    const int32_t hit = static_cast<int32_t>(rng() % (rng() % 8 == 0 ? 300 : 12));
    const int32_t lo = static_cast<int32_t>(prose_like ? 41 + rng() % 10 : rng() % 52);
    const int32_t hi = static_cast<int32_t>(prose_like ? 50 + rng() % 10 : 49 + rng() % 53);
    const bool fill_all = rng() % 2 == 0;
    TLineWordPosition a[kSpanPositions], b[kSpanPositions];
    for (int k = 0; k < kSpanPositions; ++k) a[k] = b[k] = {7777 + k, 7777, 77, 7777};
    const bool answered = ComputeLineWordPositionsNearHit(f.data(), n, mid, hit, lo, hi, a, fill_all);
    ComputeLineWordPositionsUnitByUnit(f.data(), n, mid, hit, lo, hi, b, fill_all);
    near += answered;
    // Tags near the hit but past the units walked leave the answer near it.
    bool tag_near = false;
    for (int32_t i = std::max(0, mid - 96); i < std::min(n, mid + 128); ++i) tag_near = tag_near || ScanIsTag(f[static_cast<size_t>(i)]);
    tagged_near += answered && tag_near;
    if (prose_like && hit < 12 && mid > 100 && mid < n - 100) {
      ++prose;
      prose_near += answered;
    }
    SCOPED_TRACE(testing::Message() << "round " << round << " count " << n << " midpoint " << mid << " hit " << hit
                                    << " span " << lo << ".." << hi);
    const int32_t span_lo = std::clamp(lo, 0, kSpanSearchWord), span_hi = std::clamp(hi, kSpanSearchWord, kSpanPositions - 1);
    for (int k = 0; k < kSpanPositions; ++k) {
      SCOPED_TRACE(k);
      if (!answered) {  // only the span's positions are left to the other walk
        if (k < span_lo || k > span_hi) {
          EXPECT_EQ(a[k].start, 7777 + k);
        }
        continue;
      }
      EXPECT_EQ(std::make_tuple(a[k].start, a[k].length, a[k].barrier, a[k].tag_number_1based),
                std::make_tuple(b[k].start, b[k].length, b[k].barrier, b[k].tag_number_1based));
    }
    if (HasFailure()) return;
  }
  EXPECT_GT(near, 8000);
  EXPECT_GT(tagged_near, 200);
  EXPECT_GT(prose, 2500);
  EXPECT_GE(prose_near * 100, prose * 99);
}

// Narrowing answers where units need more than ASCII, worked out by hand: plain letters; Latin-1
// and the 1252 punctuation the one-byte form keeps at 0x80-0x9F; a C1 control that keeps its own
// slot (0x81) and one that is displaced (0x80, whose slot holds the euro sign); characters
// beyond both. Units lie inside and across the eight-unit steps.
TEST(CharacterScans, NarrowingNotesTheLastWideAndHighUnits) {
  struct Case {
    std::u16string units;
    int64_t last_wide, last_high;
    std::string bytes;  // '?' where a unit has no byte
  };
  const Case cases[] = {
      {u"", -1, -1, ""},
      {u"plain words", -1, -1, "plain words"},
      {u"caf\u00E9 au lait, tr\u00E8s", -1, 16, "caf\xE9 au lait, tr\xE8s"},
      {u"it\u2019s \u20AC5", -1, 5, "it\x92s \x80" "5"},
      {u"a\u0081b", -1, 1, "a\x81" "b"},
      {u"a\u0080b", 1, 1, "a?b"},
      {u"\u0436\u0443\u043A and more plain text", 2, 2, "??? and more plain text"},
      {u"sixteen letters\u4E2D", 15, 15, "sixteen letters?"},
      {u"\u4E2Deight+1 and \u00E9 after", 0, 13, "?eight+1 and \xE9 after"},
      // Long enough for steps of 32: Cyrillic ends the walk back at its last letter, and a
      // Latin-1 letter after it is still the last high unit.
      {u"\u0436\u0443\u043A plain words of a line long enough \u0436 and caf\u00E9", 38, 47,
       "??? plain words of a line long enough ? and caf\xE9"},
      {u"caf\u00E9 and plain words of a line long enough for steps, and more", -1, 3,
       "caf\xE9 and plain words of a line long enough for steps, and more"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bytes));
    std::vector<uint8_t> out(c.units.size() + 1, '#');
    const TNarrowedUnits r = NarrowLineUnits(c.units.data(), c.units.size(), out.data());
    EXPECT_EQ(r.last_wide, c.last_wide);
    EXPECT_EQ(r.last_high, c.last_high);
    // The bytes from the last unit without one on are written; those before it need not be.
    const auto from = static_cast<std::ptrdiff_t>(c.last_wide + 1);
    EXPECT_EQ(std::string(out.begin() + from, out.begin() + static_cast<std::ptrdiff_t>(c.units.size())),
              c.bytes.substr(static_cast<size_t>(from)));
    EXPECT_EQ(out.back(), '#');  // nothing written past the units
  }
}

// Narrowing and judging a text's form take long texts many units a step: texts of every length up
// to 150 mixing plain letters, Latin-1, the one-byte form's punctuation, displaced controls,
// Cyrillic, Czech letters, CJK and units that share a punctuation mark's hashed slot without being
// it, at every place of the steps, give the bytes, the last wide and high units and the form that
// the one-byte table itself gives, unit by unit.
TEST(CharacterScans, NarrowingLongTextsAgreesWithTheOneByteTableUnitByUnit) {
  std::vector<char16_t> alphabet = {u'a', u'Z', u' ', u'.', u'0', 0, 0x7F, 0xA0, 0xE9, 0xFF, 0x80, 0x93, 0x81, 0x9D,
                                    0x0436, 0x0100, 0x010D, 0x0159, 0x4E2D, 0xD83D, 0xFFFF};
  for (const char16_t c : kLineTextC1Slots) alphabet.push_back(c);
  // Units hashed to a punctuation mark's slot: the slot's character differs, so they have no byte.
  int sharing = 0;
  for (unsigned u = 0x100; u < 0x10000 && sharing < 12; u += 7) {
    const unsigned slot = ((u * 461u) >> 8) & 63u;
    for (const char16_t c : kLineTextC1Slots)
      if (c != u && (((unsigned{c} * 461u) >> 8) & 63u) == slot) {
        alphabet.push_back(static_cast<char16_t>(u));
        ++sharing;
        break;
      }
  }
  ASSERT_EQ(sharing, 12);
  auto byte_of = [](char16_t c) -> int {
    if (c < 0x80) return c;
    for (int b = 0x80; b < 0x100; ++b)
      if (kLineTextWiden[static_cast<uint8_t>(b)] == c) return b;
    return -1;
  };
  std::mt19937 rng(5311);
  for (int round = 0; round < 4000; ++round) {
    const size_t n = rng() % 151;
    // Mostly one kind of unit with others sown in, as prose is.
    const char16_t base = alphabet[rng() % alphabet.size()];
    std::u16string units(n, base);
    for (size_t k = 0; k < n; ++k)
      if (rng() % 4 == 0) units[k] = alphabet[rng() % alphabet.size()];
    std::string bytes(n, '?');
    int64_t last_wide = -1, last_high = -1;
    for (size_t k = 0; k < n; ++k) {
      const int b = byte_of(units[k]);
      if (b >= 0) bytes[k] = static_cast<char>(b);
      if (b < 0) last_wide = static_cast<int64_t>(k);
      if (units[k] >= 0x80) last_high = static_cast<int64_t>(k);
    }
    std::vector<uint8_t> out(n + 1, '#');
    const TNarrowedUnits r = NarrowLineUnits(units.data(), n, out.data());
    ASSERT_EQ(r.last_wide, last_wide) << round;
    ASSERT_EQ(r.last_high, last_high) << round;
    const auto from = static_cast<std::ptrdiff_t>(last_wide + 1);
    ASSERT_EQ(std::string(out.begin() + from, out.begin() + static_cast<std::ptrdiff_t>(n)),
              bytes.substr(static_cast<size_t>(from)))
        << round;
    ASSERT_EQ(out.back(), '#');
    const TLineTextForm form = last_wide >= 0    ? TLineTextForm::kWide
                               : last_high >= 0 ? TLineTextForm::kNarrow
                                                : TLineTextForm::kAscii;
    ASSERT_EQ(LineTextFormOf(units), form) << round;
    if (form == TLineTextForm::kWide) continue;
    // The one-byte block of the text holds the same bytes, and widens back to the units.
    std::vector<char> block(LineTextBlockBytes(form, n));
    FillLineTextBlock(block.data(), units, form);
    ASSERT_EQ(UString(LineTextOfBlock(block.data())), units) << round;
  }
}

// The copy into one byte moves over long stretches copied unit for unit: the units it must stop
// at (a blank after a blank, a unit 1, the bracket codes 24 and 25, a letter beyond ASCII) are
// placed at every offset around the stretches' edges (16 and 32 units from the window's start),
// singly and in runs, and the line equals the general cut's, from the text and from the bytes.
TEST(CharacterScans, OneByteCutStopsAtEveryOddUnitWhereverItLies) {
  std::mt19937 rng(3232);
  const char16_t odd[] = {u' ', u'\t', u'\n', 1, 24, 25, 0x00E9};
  int one_byte = 0;
  for (int round = 0; round < 3000; ++round) {
    const int32_t width = 200 + static_cast<int32_t>(rng() % 900);
    const int32_t n = width + 40 + static_cast<int32_t>(rng() % 200);
    std::vector<char16_t> t(static_cast<size_t>(n));
    std::vector<uint16_t> f(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      const bool blank = rng() % 6 == 0;
      t[static_cast<size_t>(i)] = blank ? u' ' : static_cast<char16_t>(u'a' + rng() % 26);
      f[static_cast<size_t>(i)] = blank ? 0x0248 : 0x0302;
    }
    const int32_t hit = width / 2 + static_cast<int32_t>(rng() % 30);
    const int32_t ws = hit - width / 2;
    // A few odd units (or runs of them) at or next to a multiple of 16 from the window's start.
    for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
      const int32_t at = ws + 16 * static_cast<int32_t>(rng() % static_cast<uint32_t>(width / 16)) +
                         static_cast<int32_t>(rng() % 3) - 1;
      const char16_t c = odd[rng() % (round % 4 == 0 ? std::size(odd) : std::size(odd) - 1)];
      for (int32_t j = 0; j < 1 + static_cast<int32_t>(rng() % 3); ++j) {
        if (at + j < 0 || at + j >= n) continue;
        t[static_cast<size_t>(at + j)] = c;
        f[static_cast<size_t>(at + j)] = c <= 32 && c != 24 && c != 25 ? 0x0228 : 0x0210;
      }
    }
    std::string bytes(t.begin(), t.end());
    TChunkView plain{t.data(), f.data(), n};
    plain.plain_to = n;
    TChunkView from_bytes = plain;
    from_bytes.plain_bytes = reinterpret_cast<const uint8_t*>(bytes.data());
    from_bytes.flags_needed = [](void*, int32_t, int32_t) {};
    const TChunkView general{t.data(), f.data(), n};
    const int32_t hit_length = 1 + static_cast<int32_t>(rng() % 8);
    TLineCutter a(width), b(width), g(width);
    ASSERT_TRUE(a.Cut(plain, {}, hit, hit_length));
    ASSERT_TRUE(b.Cut(from_bytes, {}, hit, hit_length));
    ASSERT_TRUE(g.Cut(general, {}, hit, hit_length));
    one_byte += a.OneByte() ? 1 : 0;
    SCOPED_TRACE(testing::Message() << "round " << round << " width " << width);
    ExpectSameCut(a, g, 0, 101);
    if (b.OneByte()) {
      EXPECT_TRUE(b.Line() == g.LineText());
    }
  }
  EXPECT_GT(one_byte, 1000);
}

namespace {

// How a random chunk's units are drawn, each in per cent of units (r below): blanks (spaces
// below `spaces`, else tabs, line ends, place-holders and bracket codes, a marker one in
// `marker_one_in` of them), then full stops; a character beyond ASCII one in `beyond_one_in`
// units (0: none).
struct TRandomUnitsMix {
  uint32_t blanks, spaces, marker_one_in, stops, beyond_one_in;
};
struct TRandomUnits {
  std::vector<char16_t> text;
  std::vector<uint16_t> flags;
  std::string bytes;  // each unit's low byte, as a one-byte cut reads them
};

TRandomUnits MakeRandomUnits(std::mt19937& rng, int32_t n, const TRandomUnitsMix& mix,
                             std::initializer_list<char16_t> beyond) {
  static const char16_t kBlanks[] = {u' ', u' ', u' ', u'\t', u'\n', u'\r', 1, 24, 25};
  TRandomUnits u;
  u.text.resize(static_cast<size_t>(n));
  u.flags.resize(static_cast<size_t>(n));
  u.bytes.assign(static_cast<size_t>(n), '?');
  for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
    char16_t c = static_cast<char16_t>(u'a' + rng() % 26);
    uint16_t k = 0x0302;
    const uint32_t r = rng() % 100;
    if (r < mix.blanks) {
      // Blanks come singly or in runs.
      c = r < mix.spaces ? u' ' : kBlanks[rng() % std::size(kBlanks)];
      k = c == 24 || c == 25 ? 0x0801 : c == u' ' ? 0x0248 : 0x0228;
      if (c <= 32 && rng() % mix.marker_one_in == 0) k = 0x8800 + static_cast<uint16_t>(rng() % 24);  // a marker
    } else if (r < mix.stops) {
      c = u'.', k = rng() % 2 ? 0x880F : 0x0210;
    }
    if (mix.beyond_one_in > 0 && rng() % mix.beyond_one_in == 0) c = *(beyond.begin() + rng() % beyond.size());
    u.text[i] = c;
    u.flags[i] = k;
    u.bytes[i] = static_cast<char>(c);
  }
  return u;
}

// Cuts the hit with `going` (told the mark) and with a fresh cutter told the same, and expects the
// two lines alike, over a span of positions chosen at random.
void CutGoingOnAndAfresh(TLineCutter& going, const TChunkView& chunk, int32_t at, int32_t hit_length, int32_t mark,
                         std::mt19937& rng) {
  going.MarkInNextCut(mark);
  ASSERT_TRUE(going.Cut(chunk, {}, at, hit_length));
  TLineCutter fresh(going.Width());
  fresh.MarkInNextCut(mark);
  ASSERT_TRUE(fresh.Cut(chunk, {}, at, hit_length));
  ExpectSameCut(going, fresh, static_cast<int32_t>(rng() % 51), 50 + static_cast<int32_t>(rng() % 52));
  EXPECT_EQ(going.MarkedPosition(), fresh.MarkedPosition());
}

}  // namespace

// A frequent word's one-byte lines go on from each other: a cutter told each time that it reads
// the chunk it read last takes the bytes the two windows share from the last line. Random chunks
// of plain prose with runs of blanks, line ends, place-holders, bracket codes and markers on
// blanks (now and then a Latin-1 letter or one beyond it, which send a window to the general
// cut), cut from the units, from the units with their blanks' flags left unread and from the
// bytes, with hits walked forward by random steps (now and then back, or past the last window)
// give every line, position and mark a fresh cutter gives, at every width down to one.
TEST(CharacterScans, OneByteLinesGoingOnFromTheLastEqualFreshCuts) {
  std::mt19937 rng(46046);
  int went_on = 0, general = 0;
  for (int round = 0; round < 240; ++round) {
    const int32_t n = 500 + static_cast<int32_t>(rng() % 5000);
    const bool foreign = round % 3 == 0;
    const TRandomUnits u = MakeRandomUnits(rng, n, {18, 12, 15, 21, foreign ? 700u : 0u}, {0x0416, 0x00E9});
    const std::vector<char16_t>& t = u.text;
    const std::vector<uint16_t>& f = u.flags;
    const std::string& bytes = u.bytes;
    TChunkView units{t.data(), f.data(), n};
    units.plain_to = n;
    TChunkView unread_blanks = units;
    unread_blanks.flags_needed = [](void*, int32_t, int32_t) {};
    TChunkView from_bytes = unread_blanks;
    from_bytes.plain_bytes = reinterpret_cast<const uint8_t*>(bytes.data());
    const TChunkView* views[] = {&units, &unread_blanks, &from_bytes};
    const TChunkView& chunk = *views[round % 3];
    const int32_t width = 1 + static_cast<int32_t>(rng() % (rng() % 3 == 0 ? 1000 : 200));
    TLineCutter going(width);
    int32_t at = static_cast<int32_t>(rng() % 40), window_end = -1;
    for (int line = 0; line < 300; ++line) {
      const int32_t hit_length = static_cast<int32_t>(rng() % 6);
      const int32_t mark = rng() % 10 == 0 ? -1 : window_end;
      SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " line " << line << " hit "
                                      << at);
      CutGoingOnAndAfresh(going, chunk, at, hit_length, mark, rng);
      if (HasFailure()) return;
      went_on += going.OneByte() && going.MarkedPosition() > 0;
      general += !going.OneByte();
      window_end = going.WindowEnd();
      const uint32_t step = rng() % 20;
      at = step == 0   ? static_cast<int32_t>(rng() % static_cast<uint32_t>(n))
           : step == 1 ? at + width + static_cast<int32_t>(rng() % 50)
                       : at + static_cast<int32_t>(rng() % static_cast<uint32_t>(std::max(2, width / 3)));
      if (at >= n) at = static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
    }
  }
  EXPECT_GT(went_on, 20000);
  EXPECT_GT(general, 1000);
}

// As the text processor cuts: a window all of ASCII is the chunk's plain range (cut in one byte),
// any other is cut by the general cutter; texts where characters beyond ASCII come every few
// dozen to every few hundred units, so that the two kinds of window follow each other. Each line
// going on from the last one, whichever form that one had, equals the line cut afresh.
TEST(CharacterScans, LinesGoingOnFromTheLastOfEitherFormEqualFreshCuts) {
  std::mt19937 rng(47047);
  int after_general = 0, after_one_byte = 0;
  for (int round = 0; round < 300; ++round) {
    const int32_t n = 200 + static_cast<int32_t>(rng() % 4000);
    const uint32_t beyond_every = 20 + rng() % 400;
    const bool blank_runs = round % 2 == 0;
    const TRandomUnits u =
        MakeRandomUnits(rng, n, {blank_runs ? 35u : 15u, 10, 40, 40, beyond_every}, {0x00E9, 0x0416, 0x201C, 0x00A0});
    const std::vector<char16_t>& t = u.text;
    const std::vector<uint16_t>& f = u.flags;
    const std::string& bytes = u.bytes;
    const int view_kind = round % 3;  // the chunk's flags and text; kinds made on asking; bytes too
    const uint32_t widths = rng() % 3 == 0 ? 700 : 120;  // one draw after the other, as above
    const int32_t width = 1 + static_cast<int32_t>(rng() % widths);
    TLineCutter going(width);
    int32_t at = static_cast<int32_t>(rng() % 40), window_end = -1;
    bool last_one_byte = false, last_cut = false;
    for (int line = 0; line < 250; ++line) {
      const int32_t hit_length = static_cast<int32_t>(rng() % 6);
      const int32_t from = std::max(0, at - width / 2), to = std::min(n, from + width);
      bool ascii = true;
      for (int32_t i = from; i < to; ++i) ascii = ascii && t[static_cast<size_t>(i)] < 0x80;
      TChunkView chunk{t.data(), f.data(), n};
      chunk.plain_from = from;
      chunk.plain_to = ascii ? to : from;
      if (view_kind > 0) chunk.flags_needed = [](void*, int32_t, int32_t) {};
      if (view_kind == 2) chunk.plain_bytes = reinterpret_cast<const uint8_t*>(bytes.data()) + from;
      const int32_t mark = rng() % 12 == 0 ? -1 : window_end;
      SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " line " << line << " hit "
                                      << at);
      CutGoingOnAndAfresh(going, chunk, at, hit_length, mark, rng);
      if (HasFailure()) return;
      if (last_cut && mark >= 0 && from < window_end && going.OneByte() != last_one_byte)
        ++(going.OneByte() ? after_general : after_one_byte);
      last_one_byte = going.OneByte();
      last_cut = true;
      window_end = going.WindowEnd();
      const uint32_t step = rng() % 25;
      at = step == 0   ? static_cast<int32_t>(rng() % static_cast<uint32_t>(n))
           : step == 1 ? at + width + static_cast<int32_t>(rng() % 50)
                       : at + 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(std::max(1, width / 3)));
      if (at >= n) at = static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
    }
  }
  // Both ways of changing form, with the windows overlapping, came often (about 1,850 and 1,900
  // times in 75,000 lines).
  EXPECT_GT(after_general, 1500);
  EXPECT_GT(after_one_byte, 1500);
}

// The hit at the text's first and last character, and a text of exactly the line's width: the
// one-byte cut pads and ends as the general one does.
TEST(CharacterScans, OneByteCutAtTheTextsEdges) {
  const std::u16string text = u"ab cd. ef\r\n\r\ngh  ij";
  std::string flags = "aa aap aacc" "cc" "aa  aa";
  const auto f = F(flags);
  ASSERT_EQ(f.size(), text.size());
  const int32_t n = N(f);
  for (int32_t width : {4, 9, n, n + 1, 40}) {
    for (int32_t hit : {0, 3, n - 2, n - 1}) {
      SCOPED_TRACE(testing::Message() << width << " " << hit);
      TChunkView plain{text.data(), f.data(), n};
      plain.plain_to = n;
      TLineCutter a(width), b(width);
      ASSERT_TRUE(a.Cut(plain, {}, hit, 2));
      ASSERT_TRUE(b.Cut({text.data(), f.data(), n}, {}, hit, 2));
      EXPECT_TRUE(a.OneByte());
      EXPECT_TRUE(a.Line() == b.LineText());
      EXPECT_EQ(a.Midpoint(), b.Midpoint());
      EXPECT_EQ(a.HitLength(), b.HitLength());
      TLineWordPosition wa[kSpanPositions], wb[kSpanPositions];
      a.WordPositions(0, 101, wa);
      b.WordPositions(0, 101, wb);
      for (int k = 0; k < kSpanPositions; ++k) {
        EXPECT_EQ(wa[k].start, wb[k].start) << k;
        EXPECT_EQ(wa[k].length, wb[k].length) << k;
        EXPECT_EQ(wa[k].barrier, wb[k].barrier) << k;
      }
    }
  }
}

// A chunk the first pass judged, its kinds left unmade: a line cut from its bytes walks the
// words around the hit over the pass's masks, and gives what the general cut gives over the
// kinds the pass writes (words joined by hyphens and digits, punctuation made blanks, sentence
// ends as markers, runs of blanks), whatever the window, the hit and the span.
TEST(CharacterScans, WordWalksOverAPassesMasksEqualThoseOverItsKinds) {
  std::mt19937 rng(3131);
  static const char* kPieces[] = {"word", "The", "x", "U.S.A.", "e.g.", "3.14", "1,000", "well-known", "10-20", "pre-",
                                  "--", "a.b", "it's", "Mr. ", ". ", "! ", "? ", "...", ", ", "; ", "\n", "\r\n",
                                  "\n\n", "  ", " ", "\t", "(a)", "\"q\""};
  TFastPassRules rules;
  rules.usable = true;
  for (char16_t c : {u'<', u'>', u'&', char16_t(24), char16_t(25)}) rules.AddStop(c);
  rules.sentence_ends = rules.blank_mid_word_marks = true;
  int one_byte = 0;
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const size_t size = 1 + rng() % 3000;
    while (text.size() < size) {
      text += kPieces[rng() % std::size(kPieces)];
      if (rng() % 2) text += ' ';
    }
    const int32_t n = static_cast<int32_t>(text.size());
    const int32_t first = static_cast<int32_t>(rng() % std::min<int32_t>(n, 100));
    UString units(text.begin(), text.end());
    std::vector<uint16_t> kinds(static_cast<size_t>(n) + 2, 0);
    ClassifyChars(units.data(), static_cast<size_t>(first), kinds.data());
    std::vector<uint16_t> lazy_kinds = kinds;
    TFastPassResult all, found;
    const TVectorPath path = round % 2 ? BestVectorPath() : TVectorPath::Scalar;
    ASSERT_TRUE(FastFirstPass(units.data(), kinds.data(), first, n, n, rules, path, all));
    ASSERT_TRUE(FastFirstPass(units.data(), lazy_kinds.data(), first, n, n, rules, path, found, true,
                              reinterpret_cast<const uint8_t*>(text.data()) + first));
    for (size_t i = static_cast<size_t>(first); i < static_cast<size_t>(n); ++i) lazy_kinds[i] = 0x8805;  // unmade
    struct TLazy {
      UString* text;
      std::vector<uint16_t>* kinds;
      const TFastPassRules* rules;
      TVectorPath path;
      TFastPassResult* found;
      const uint8_t* bytes;
    } lazy{&units, &lazy_kinds, &rules, path, &found, reinterpret_cast<const uint8_t*>(text.data()) + first};
    TChunkView view{units.data(), lazy_kinds.data(), n};
    view.plain_from = first;
    view.plain_to = n;
    view.plain_bytes = lazy.bytes;
    view.owner = &lazy;
    view.flags_needed = [](void* owner, int32_t a, int32_t b) {
      TLazy& z = *static_cast<TLazy*>(owner);
      MakeFastPassKinds(z.text->data(), z.kinds->data(), a, b, *z.rules, z.path, *z.found, z.bytes);
    };
    view.masks = TChunkMasks{found.word_masks.data(),   found.marker_masks.data(), found.punct_masks.data(),
                             found.joined_masks.data(), found.blanked_masks.data(), first, kFastPassMarkerKind};
    const TChunkView general{units.data(), kinds.data(), n};
    for (int k = 0; k < 8; ++k) {
      const int32_t width = 1 + static_cast<int32_t>(rng() % (rng() % 3 == 0 ? 1000 : 160));
      const int32_t hit = first + static_cast<int32_t>(rng() % static_cast<uint32_t>(n - first));
      const int32_t hit_length = std::min(static_cast<int32_t>(rng() % 12), n - hit);
      const int32_t lo = static_cast<int32_t>(rng() % 51), hi = 50 + static_cast<int32_t>(rng() % 52);
      TLineCutter a(width), b(width);
      ASSERT_TRUE(a.Cut(view, {}, hit, hit_length));
      ASSERT_TRUE(b.Cut(general, {}, hit, hit_length));
      one_byte += a.OneByte() ? 1 : 0;
      SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " hit " << hit);
      ExpectSameCut(a, b, lo, hi);
    }
  }
  EXPECT_GT(one_byte, 1000);
}

// The walks over masks take the words within 64 units of the hit by their bits and go on block
// by block past them: words and gaps of 1 to 150 units (runs longer than a stretch, on either
// side of a stretch's end), markers and punctuation (some joined or made blank) in the gaps,
// windows anywhere in the masks, hits anywhere in the window and every span give the positions
// the walks over the equivalent flags give.
TEST(CharacterScans, WordWalksOverMasksEqualThoseOverFlagsWhateverTheRunLengths) {
  std::mt19937 rng(6464);
  constexpr uint16_t kMarker = 0x880F;  // a sentence end: level 2
  for (int round = 0; round < 3000; ++round) {
    const int32_t units = 1 + static_cast<int32_t>(rng() % 1400);
    const int32_t blocks = (units + 63) / 64;
    std::vector<uint64_t> word(static_cast<size_t>(blocks)), markers(word), punct(word), joined(word), blanked(word);
    std::vector<uint16_t> flags(static_cast<size_t>(units));
    const uint32_t longest = rng() % 3 == 0 ? 150 : 12;
    bool in_word = rng() % 2 == 0;
    for (int32_t u = 0; u < units;) {
      const int32_t run = std::min<int32_t>(units - u, 1 + static_cast<int32_t>(rng() % longest));
      for (int32_t j = u; j < u + run; ++j) {
        const uint64_t bit = uint64_t{1} << (j % 64);
        uint64_t& w = word[static_cast<size_t>(j / 64)];
        uint16_t& f = flags[static_cast<size_t>(j)];
        if (in_word) {
          w |= bit, f = 0x0302;
          continue;
        }
        const uint32_t r = rng() % 20;
        if (r == 0) {
          markers[static_cast<size_t>(j / 64)] |= bit, f = kMarker;
        } else if (r < 3) {
          punct[static_cast<size_t>(j / 64)] |= bit, f = 0x0210;
        } else if (r < 5) {  // punctuation joined or made blank: passed over
          punct[static_cast<size_t>(j / 64)] |= bit, f = 0x0248;
          (r == 3 ? joined : blanked)[static_cast<size_t>(j / 64)] |= bit;
        } else {
          f = 0x0248;
        }
      }
      u += run;
      in_word = !in_word;
    }
    const TChunkMasks masks{word.data(), markers.data(), punct.data(), joined.data(), blanked.data(), 0, kMarker};
    const int32_t start = static_cast<int32_t>(rng() % static_cast<uint32_t>(units));
    const int32_t count = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(units - start));
    const int32_t midpoint = static_cast<int32_t>(rng() % static_cast<uint32_t>(count + 1));
    const int32_t hit_length = static_cast<int32_t>(rng() % 20);
    const int32_t lo = static_cast<int32_t>(rng() % 51), hi = 50 + static_cast<int32_t>(rng() % 52);
    const bool fill_all = rng() % 2 == 0;
    SCOPED_TRACE(testing::Message() << "round " << round << " start " << start << " count " << count << " mid "
                                    << midpoint << " span " << lo << ".." << hi);
    TLineWordPosition a[kSpanPositions], b[kSpanPositions];
    for (int k = 0; k < kSpanPositions; ++k) a[k] = b[k] = {7777, 7777, 77, 7777};
    ComputeLineWordPositions(masks, start, count, midpoint, hit_length, lo, hi, a, fill_all);
    ComputeLineWordPositions(flags.data() + start, count, midpoint, hit_length, lo, hi, b, fill_all);
    for (int k = 0; k < kSpanPositions; ++k) {
      ASSERT_EQ(std::make_tuple(a[k].start, a[k].length, a[k].barrier, a[k].tag_number_1based),
                std::make_tuple(b[k].start, b[k].length, b[k].barrier, b[k].tag_number_1based))
          << "position " << k;
    }
  }
}
