// The fast first pass over ASCII chunks: each vector path against the one-unit path, the kinds it
// leaves against hand-worked marks, and the characters and settings that send a chunk or a text
// down the full road.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/search/fast_first_pass.h"
#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"

namespace {

TFastPassRules DefaultRules() {
  TFastPassRules r;
  r.usable = true;
  for (char16_t c : {u'<', u'>', u'&', char16_t(24), char16_t(25)}) r.AddStop(c);
  r.sentence_ends = true;
  r.blank_mid_word_marks = true;
  return r;
}

// One letter a character: S a sentence end, J joined into a word, B punctuation made a blank,
// w a word character, '.' anything else.
std::string Marks(const UString& text, const std::vector<uint16_t>& kinds, int32_t first) {
  std::string out;
  for (size_t i = static_cast<size_t>(first); i < text.size(); ++i) {
    const uint16_t k = kinds[i];
    if (k == 0x880F) out += 'S';
    else if (k == kKindHidden) out += text[i] == u' ' ? 'h' : '?';  // a hidden tag's blank
    else if (k == kKindDefined) out += 'J';
    else if (k == (C1_SPACE | C1_BLANK | C1_DEFINED) && text[i] != u' ') out += 'B';
    else if (IsWordKind(k)) out += 'w';
    else out += '.';
  }
  return out;
}

struct TPassRun {
  bool judged = false;
  UString text;
  std::vector<uint16_t> kinds;
  TFastPassResult result;
};

TPassRun RunPass(const UString& text, const std::vector<uint16_t>& carried, const TFastPassRules& rules, TVectorPath path,
             int32_t read_ahead_from = INT32_MAX) {
  TPassRun r;
  r.kinds = carried;
  r.kinds.resize(text.size() + 2, 0);
  UString units = text;  // blanked where tags are hidden
  r.judged = FastFirstPass(units.data(), r.kinds.data(), static_cast<int32_t>(carried.size()),
                           static_cast<int32_t>(text.size()), read_ahead_from, rules, path, r.result);
  r.text = std::move(units);
  return r;
}

TEST(FastFirstPass, MarksWorkedByHand) {
  struct Case {
    const char* text;
    const char* marks;
    int32_t sentence_ends;
  };
  // Full stops before a small letter, in dotted words, after single capitals and before digits
  // end nothing; hyphens join words unless between numbers; a mark at the end ends a sentence;
  // punctuation left between two letters or digits is a blank.
  const Case cases[] = {
      {"It ends. Then", "ww.wwwwS.wwww", 1},
      {"it goes. on", "ww.wwww..ww", 0},
      {"U.S.A. today", "wBwBw..wwwww", 0},
      {"Washington D. C. today", "wwwwwwwwww.w..w..wwwww", 0},
      {"pi is 3.14, p.5 and 1,000", "ww.ww.wJww..wBw.www.wJwww", 0},
      {"What?! Yes", "wwwwS..www", 1},
      {"well-known 10-20 pre- --", "wwwwJwwwww.wwBww.www....", 0},
      {"don't stop.", "wwwBw.wwwwS", 1},
      {"It cannot exist. 6. We", "ww.wwwwww.wwwwwS.w..ww", 1},
      {"end...", "wwwS..", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const UString text(c.text, c.text + std::char_traits<char>::length(c.text));
    const TPassRun r = RunPass(text, {}, DefaultRules(), TVectorPath::Scalar);
    ASSERT_TRUE(r.judged);
    EXPECT_EQ(Marks(text, r.kinds, 0), c.marks);
    EXPECT_EQ(r.result.sentence_ends, c.sentence_ends);
  }
}

TEST(FastFirstPass, SentenceEndsWorkedByHand) {
  struct Case {
    std::string text;
    std::vector<int32_t> ends;
  };
  // A two-letter word before a stop is no abbreviation; a single capital, or a dotted word's last
  // letter, is; a stop before a letter or a digit ends nothing; the first mark after a word is
  // judged on the next letter, however far, and the marks up to that letter are passed over.
  const std::string gap(100, ' ');
  const Case cases[] = {
      {"Dr. Smith came. He left.", {2, 14, 23}},
      {"J. R. Smith wrote.", {17}},
      {"See p. 5. Next", {5}},
      {"It cost 3.50. Then", {12}},
      {"He said \"Stop.\" Then", {13}},
      {"Why? (Because.) no", {3}},
      {"Stop!!! Go", {4}},
      {"one.\n\nTwo", {3}},
      {"one.\r\n\r\n two", {}},
      {"e.g. this", {}},
      {"U.S. Army", {}},
      {"x. Y", {1}},
      {"a .B", {}},
      {"end.. Next", {3}},
      {"A. B", {}},
      {"Mr. Brown", {2}},
      {"the end.", {7}},
      {"1. The", {1}},
      {"ok?\" she", {}},
      {"it. 5 cats", {}},
      {"it.) 5 Cats", {2}},
      {"end." + gap + "Next", {3}},
      {"end." + gap + "next", {}},
      {"end." + gap + "5", {3}},
      {"end." + std::string(70, ' ') + "! Next", {3}},
      {"end.x" + std::string(70, ' ') + "! Next", {75}},
      {std::string(60, ' ') + "word. Next", {64}},
      {std::string(62, ' ') + "Ab. Cd", {64}},
      {std::string(61, ' ') + "x A. B", {}},
      {std::string(62, ' ') + "a.B. C", {}},
      {std::string(63, ' ') + ". A", {63}},
      {std::string(63, ' ') + "a. b", {}},
      {std::string(127, 'x') + "? Y", {127}},
      // Blocks whose marks all come before lower case letters are passed over whole.
      {"one. two. Three", {8}},
      {"x. y. Z", {4}},
      {std::string(62, 'x') + ". . a. B", {67}},
      {std::string(62, 'x') + ". " + std::string(64, ' ') + "a. B", {129}},
      {std::string(62, 'x') + ". " + std::string(64, ' ') + "A. b", {62}},
      {std::string(200, 'x') + "." + std::string(27, ' ') + "b. " + std::string(33, 'y') + "! Z", {264}},
  };
  std::vector<TVectorPath> paths = {TVectorPath::Scalar};
  if (BestVectorPath() != TVectorPath::Scalar) paths.push_back(TVectorPath::Sse2);
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const UString text(c.text.begin(), c.text.end());
    for (TVectorPath path : paths) {
      const TPassRun r = RunPass(text, {}, DefaultRules(), path);
      ASSERT_TRUE(r.judged);
      std::vector<int32_t> ends;
      for (size_t i = 0; i < text.size(); ++i)
        if (r.kinds[i] == kFastPassMarkerKind) ends.push_back(static_cast<int32_t>(i));
      EXPECT_EQ(ends, c.ends) << "path " << int(path);
      EXPECT_EQ(r.result.sentence_ends, static_cast<int32_t>(c.ends.size()));
      // The same from the bytes, kinds left to be made (blocks classified a run at a time).
      std::vector<uint16_t> kinds(text.size() + 2);
      UString units = text;
      TFastPassResult found;
      ASSERT_TRUE(FastFirstPass(units.data(), kinds.data(), 0, static_cast<int32_t>(text.size()), INT32_MAX,
                                DefaultRules(), path, found, true, reinterpret_cast<const uint8_t*>(c.text.data())));
      std::vector<int32_t> marked;
      for (size_t i = 0; i < text.size(); ++i)
        if ((found.marker_masks[i / 64] >> (i % 64)) & 1) marked.push_back(static_cast<int32_t>(i));
      EXPECT_EQ(marked, c.ends) << "path " << int(path) << " from bytes";
    }
  }
}

// Sentence ends counted only before the read-ahead, with blocks full of them (one in four
// characters, up to each block's last bit), on every path and from the bytes.
TEST(FastFirstPass, SentenceEndsCountedUpToTheReadAhead) {
  std::vector<TVectorPath> paths = {TVectorPath::Scalar};
  if (BestVectorPath() != TVectorPath::Scalar) paths.push_back(TVectorPath::Sse2);
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  for (int lead : {0, 1}) {
    std::string bytes(static_cast<size_t>(lead), ' ');
    for (int k = 0; k < 60; ++k) bytes += "Ab. ";
    const UString text(bytes.begin(), bytes.end());
    for (int32_t ahead : {0, 1, 3, 4, 62, 63, 64, 65, 127, 128, 131, 200, 239, 240, INT32_MAX}) {
      int32_t expected = 0;  // the stops, at 4k + 2 + lead
      for (int k = 0; k < 60; ++k) expected += 4 * k + 2 + lead < ahead ? 1 : 0;
      SCOPED_TRACE(testing::Message() << "lead " << lead << " ahead " << ahead);
      for (TVectorPath path : paths) {
        const TPassRun r = RunPass(text, {}, DefaultRules(), path, ahead);
        ASSERT_TRUE(r.judged);
        EXPECT_EQ(r.result.sentence_ends, expected) << "path " << int(path);
        std::vector<uint16_t> kinds(text.size() + 2);
        UString units = text;
        TFastPassResult found;
        ASSERT_TRUE(FastFirstPass(units.data(), kinds.data(), 0, static_cast<int32_t>(text.size()), ahead,
                                  DefaultRules(), path, found, true, reinterpret_cast<const uint8_t*>(bytes.data())));
        EXPECT_EQ(found.sentence_ends, expected) << "path " << int(path) << " from bytes";
      }
    }
  }
}

TEST(FastFirstPass, InWordSymbolsAsTheLanguageSays) {
  struct Case {
    bool at_start, at_end, hyphens_separate;
    const char* marks;
  };
  const char* text = "don't 'tis dogs' well-known";
  const Case cases[] = {
      {false, false, false, "wwwJw.'www.wwww'.wwwwJwwwww"},
      {true, false, false, "wwwJw.Jwww.wwww'.wwwwJwwwww"},
      {false, true, true, "wwwJw.'www.wwwwJ.wwwwBwwwww"},
  };
  for (const Case& c : cases) {
    TFastPassRules r = DefaultRules();
    r.symbols[u'\''] = r.any_symbols = true;
    r.symbols_at_start = c.at_start;
    r.symbols_at_end = c.at_end;
    r.hyphens_separate_words = c.hyphens_separate;
    const UString t(text, text + std::char_traits<char>::length(text));
    const TPassRun run = RunPass(t, {}, r, TVectorPath::Scalar);
    ASSERT_TRUE(run.judged);
    std::string m = Marks(t, run.kinds, 0);
    for (size_t i = 0; i < m.size(); ++i)  // an apostrophe left alone is no blank here: it has no letter after
      if (t[i] == u'\'' && m[i] == '.') m[i] = '\'';
    EXPECT_EQ(m, c.marks) << c.at_start << c.at_end << c.hyphens_separate;
  }
}

TEST(FastFirstPass, LeavesWhatItCannotJudgeToTheFullRoad) {
  const TFastPassRules rules = DefaultRules();
  // Stops, and characters beyond ASCII whose handling the masks cannot give: an invisible soft
  // hyphen and joiner, a hyphen, a letter without case and one beyond the basic plane before a
  // full stop, a private-use character (a word character of no letter) after a hyphen.
  for (const UString& text :
       {UString(u"x < y. The"), UString(u"fish &amp; chips"), UString(u"co\u00ADop"), UString(u"a\u200Db"),
        UString(u"well\u2010known"), UString(u"\u65E5. The"), UString(u"\U0001D400. B"), UString(u"a-\uE000")}) {
    SCOPED_TRACE(Utf16ToUtf8(text));
    EXPECT_FALSE(RunPass(text, {}, rules, TVectorPath::Scalar).judged);
    EXPECT_FALSE(RunPass(text, {}, rules, BestVectorPath()).judged);
    // Far into a chunk of plain ASCII, past the blocks the vector paths take many at a time.
    EXPECT_FALSE(RunPass(UString(700, u'a') + u" " + text, {}, rules, BestVectorPath()).judged);
  }
  // Elsewhere the same characters, and pairs of surrogates, digits beyond ASCII, letters without
  // case, combining accents, lone surrogates and characters of no class, are judged: their kinds
  // are the full road's.
  const UString lone_surrogate = UString(u"a ") + char16_t(0xDC00) + u" b";
  for (const UString& text :
       {UString(u"tab\tand \U0001F600 \U0001D400x"), UString(u"x\u00B2 y"), UString(u"\u0663 a"),
        UString(u"\u65E5\u672C \u65E5"), UString(u"e\u0301t\u00E9"), UString(u"\uE000 a b\uE000"), lone_surrogate,
        UString(u"a \u0378 b")}) {
    SCOPED_TRACE(Utf16ToUtf8(text));
    std::vector<uint16_t> full(text.size() + 2, 0);
    ClassifyChars(text.data(), text.size(), full.data());
    for (TVectorPath path : {TVectorPath::Scalar, BestVectorPath()}) {
      const TPassRun r = RunPass(text, {}, rules, path);
      ASSERT_TRUE(r.judged);
      EXPECT_EQ(r.kinds, full);
      EXPECT_FALSE(r.result.all_ascii);
    }
  }
  // A stop that could start anywhere (a letter, a digit, a space) leaves the text to the full road.
  for (char16_t c : {u'p', u'7', u' '}) {
    TFastPassRules r = DefaultRules();
    r.AddStop(c);
    EXPECT_FALSE(r.usable);
  }
  TFastPassRules r = DefaultRules();
  r.AddStop(u'\u00A7');  // beyond ASCII: a stop where it occurs
  r.AddStop(u'#');
  EXPECT_TRUE(r.usable);
  EXPECT_FALSE(RunPass(u"item #3", {}, r, TVectorPath::Scalar).judged);
  for (TVectorPath path : {TVectorPath::Scalar, BestVectorPath()}) {
    EXPECT_FALSE(RunPass(u"\u00A7 caf\u00E9", {}, r, path).judged);
    EXPECT_TRUE(RunPass(u"caf\u00E9 \u00B6", {}, r, path).judged);
  }
}

// Text beyond ASCII that the pass judges, against marks worked out by hand as the full road's
// steps give them (sentence ends, punctuation between letters blanked); the blocks holding such
// text are told apart from those of plain ASCII.
TEST(FastFirstPass, TextBeyondAsciiWorkedByHand) {
  TFastPassRules rules = DefaultRules();
  rules.wide_sentence_marks = {char16_t(0x061F), char16_t(0x2026), char16_t(0x203C)};  // ascending
  struct Case {
    const char16_t* text;
    const char* marks;
  };
  const Case cases[] = {
      {u"caf\u00E9 \u00C9t\u00E9.", "wwww.wwwS"},
      {u"Yes\u2026 \u00C9lan", "wwwS.wwww"},             // the ellipsis ends a sentence before a capital
      {u"Yes\u2026 \u00E9lan", "www..wwww"},             // and none before a small letter
      {u"don\u2019t", "wwwBw"},                          // a curly apostrophe between letters is blanked
      {u"\u201CHi.\u201D Then", ".wwS..wwww"},
      {u"a\u00A0b. \u00C7a", "wBwS.ww"},                 // a no-break space has a blank's kind
      {u"\u00C9. Smith", "w..wwwww"},                    // a single capital beyond ASCII: initials
      {u"\u00E9. Smith", "wS.wwwww"},                    // a single small letter: no abbreviation
      {u"\u0436\u0438\u0432. \u0416\u0438", "wwwS.ww"},
      {u"Stra\u00DFe", "wwwwww"},
      {u"\u00BFQu\u00E9?", ".wwwS"},                     // below U+0589 no sentence mark
      {u"No\u203C Yes", "wwS.www"},
      {u"x \u2014 y", "w...w"},
      {u"a\u2013b", "wBw"},                              // an en dash is no hyphen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    for (TVectorPath path : {TVectorPath::Scalar, TVectorPath::Sse2, BestVectorPath()}) {
      const TPassRun r = RunPass(c.text, {}, rules, path);
      ASSERT_TRUE(r.judged);
      EXPECT_EQ(Marks(r.text, r.kinds, 0), c.marks);
      EXPECT_FALSE(r.result.all_ascii);
      EXPECT_EQ(r.result.wide_blocks, std::vector<uint64_t>{1});
    }
  }
  // Blocks of plain ASCII around one that is not: the chunk and a stretch are plain ASCII or not
  // by its blocks.
  const UString text = UString(130, u'a') + u" \u00E9 " + UString(200, u'b');
  const TPassRun r = RunPass(text, {}, rules, BestVectorPath());
  ASSERT_TRUE(r.judged);
  EXPECT_FALSE(r.result.all_ascii);
  EXPECT_EQ(r.result.wide_blocks, std::vector<uint64_t>{4});
  EXPECT_TRUE(AllAsciiBetween(r.result, 0, 128));
  EXPECT_FALSE(AllAsciiBetween(r.result, 100, 129));
  EXPECT_FALSE(AllAsciiBetween(r.result, 191, 300));
  EXPECT_TRUE(AllAsciiBetween(r.result, 192, 400));
  EXPECT_TRUE(RunPass(UString(300, u'c'), {}, rules, BestVectorPath()).result.all_ascii);
}

TFastPassRules HidingRules(int32_t span = 1000) {
  TFastPassRules r = DefaultRules();
  r.stops[u'<'] = r.stops[u'>'] = false;
  r.hide_tags = true;
  r.tag_span = span;
  return r;
}

TEST(FastFirstPass, HiddenTagsWorkedByHand) {
  struct Case {
    const char* text;
    const char* marks;  // h: a hidden tag's character, now a blank
    int32_t sentence_ends;
  };
  // A tag is passed over when the next letter after a full stop is looked for; a tag inside a
  // word parts it; a "<" that no ">" closes is text.
  const Case cases[] = {
      {"<w>It</w> ends<x>. Then", "hhhwwhhhh.wwwwhhhS.wwww", 1},
      {"<w>it</w>.<w>The</w>", "hhhwwhhhhShhhwwwhhhh", 1},
      {"<w>it</w>. <w>the</w>", "hhhwwhhhh..hhhwwwhhhh", 0},
      {"well<i>-</i>known", "wwwwhhh.hhhhwwwww", 0},
      {"a <b t='1'>  c < d", "w.hhhhhhhhh..w...w", 0},
      {"<p\n n=\"2\">D. <x>Cook", "hhhhhhhhhhw..hhhwwww", 0},
      {"a > b", "w...w", 0},           // a ">" outside every tag is text
      {"x>y <b>z>", "wBw.hhhw.", 0},
      {"d>.<i>T</i>", "w.Shhhwhhhh", 1},
      // A "<" followed by another is text, the tag starting at the last; the sentence-end walk
      // passes over all from the first "<" to the ">" (the "x" is no letter it looks at).
      {"<a <b>>", ".w.hhh.", 0},
      {"Ends. <x <b>The", "wwwwS..w.hhhwww", 1},
      {"Ends. <x y>the", "wwww..hhhhhwww", 0},
      {"Ends. < X the", "wwwwS...w.www", 1},  // no ">": text to both
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const UString text(c.text, c.text + std::char_traits<char>::length(c.text));
    for (TVectorPath path : {TVectorPath::Scalar, BestVectorPath()}) {
      const TPassRun r = RunPass(text, {}, HidingRules(), path);
      ASSERT_TRUE(r.judged);
      EXPECT_EQ(Marks(r.text, r.kinds, 0), c.marks);
      EXPECT_EQ(r.result.sentence_ends, c.sentence_ends);
    }
  }
  // A tag as long as the span (hidden to the tag walk, passed over by the sentence-end walk), and
  // what stops the pass anyway: the text is left as it was for the full road.
  const UString long_tag = u"<" + UString(70, u'x') + u">";
  for (const UString& text : {UString(u"<x>co\u00ADop"), UString(u"<w>&amp;</w>"),
                              u"Word <" + UString(63, u'x') + u"> word"}) {
    SCOPED_TRACE(Utf16ToUtf8(text));
    for (TVectorPath path : {TVectorPath::Scalar, BestVectorPath()}) {
      const TPassRun r = RunPass(text, {}, HidingRules(64), path);
      EXPECT_FALSE(r.judged);
      EXPECT_TRUE(r.text == text);
    }
  }
  // The code 24 (over a marked tag's ">") is text where no "<" before it could take it for its
  // end, and a stop without the rule.
  TFastPassRules coded = HidingRules();
  coded.tag_off_code_text = true;
  const UString code_after_tag = UString(u"<a> x") + char16_t(24) + u" y. Z";
  const UString code_in_tag = UString(u"<a x") + char16_t(24) + u" y>";
  for (TVectorPath path : {TVectorPath::Scalar, BestVectorPath()}) {
    const TPassRun r = RunPass(code_after_tag, {}, coded, path);
    ASSERT_TRUE(r.judged);
    EXPECT_EQ(Marks(r.text, r.kinds, 0), "hhh.w..wS.w");
    EXPECT_FALSE(r.result.all_ascii);  // no one-byte road for it
    EXPECT_FALSE(RunPass(code_in_tag, {}, coded, path).judged);
    EXPECT_FALSE(RunPass(code_after_tag, {}, HidingRules(), path).judged);
  }
  // A tag shorter than the span is hidden, one longer is text; with the brackets as stops
  // nothing is judged.
  EXPECT_TRUE(RunPass(u"Word " + long_tag + u" word", {}, HidingRules(72), TVectorPath::Scalar).judged);
  const TPassRun longer = RunPass(u"Word " + long_tag + u" word", {}, HidingRules(64), BestVectorPath());
  ASSERT_TRUE(longer.judged);
  EXPECT_FALSE(longer.result.any_tags);
  EXPECT_FALSE(RunPass(u"<w>it</w>", {}, DefaultRules(), TVectorPath::Scalar).judged);
}

TEST(FastFirstPass, CarriedCharactersAreLookedBackAt) {
  // "D" carried from the last chunk with its kind: the full stop after it is an initial's.
  const UString text = u" D. Cook";
  const std::vector<uint16_t> carried = {CharKindOf(u' '), CharKindOf(u'D')};
  const UString whole = u" D" + text.substr(2);
  const TPassRun r = RunPass(whole, carried, DefaultRules(), TVectorPath::Scalar);
  ASSERT_TRUE(r.judged);
  EXPECT_EQ(r.result.sentence_ends, 0);
  // A sentence end in the look-ahead is marked but not counted.
  const UString t2 = u"One. Two. Three";
  const TPassRun r2 = RunPass(t2, {}, DefaultRules(), TVectorPath::Scalar, 6);
  EXPECT_EQ(Marks(t2, r2.kinds, 0), "wwwS.wwwS.wwwww");
  EXPECT_EQ(r2.result.sentence_ends, 1);
}

// Random ASCII over every class the pass judges, with stops now and then.
UString RandomAscii(std::mt19937& rng, size_t n, bool with_stops, bool tagged = false) {
  static const std::string kTags[] = {"<w pos=\"NN\">", "</w>", "<p>", "</p>", "<s n='1'>", "<a\thref=\"x.y?z\">",
                                      "<br/>", "<x\n y>", "<.>", "<?xml?>", "<U.S.>"};
  static const std::string kPieces[] = {"word", "The", "U.S.A.", "e.g.", "3.14", "1,000", "10-20", "well-known", "pre-",
                                        "--",   "don't", "'tis", "dogs'", ". ", "? ", "! ", "...", "?!", ", ",
                                        "; ",   "\n", "\r\n", "\t", " ", "D. C. ", "x", "(a)", "\"q\"", "6. We"};
  UString s;
  while (s.size() < n) {
    if (with_stops && rng() % 200 == 0) s += (rng() % 2) ? u"<b>" : u"\u00E9";
    if (tagged && rng() % 2 == 0) {
      const std::string& t = kTags[rng() % (sizeof kTags / sizeof kTags[0])];
      s.append(t.begin(), t.end());
    }
    if (tagged && rng() % 400 == 0) s += (rng() % 2) ? u"a > b" : u"< <i>";  // brackets out of turn
    const std::string& p = kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
    s.append(p.begin(), p.end());
    if (rng() % 3 == 0) s += u' ';
  }
  s.resize(n);
  return s;
}

TEST(FastFirstPass, VectorPathsMatchTheOneUnitPath) {
  std::mt19937 rng(27);
  std::vector<TVectorPath> paths = {TVectorPath::Sse2};
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  for (int round = 0; round < 300; ++round) {
    TFastPassRules rules = DefaultRules();
    if (rng() % 2) rules.symbols[u'\''] = rules.any_symbols = true;
    if (rng() % 3 == 0) rules.symbols[u'_'] = rules.any_symbols = true;
    rules.symbols_at_start = rng() % 2;
    rules.symbols_at_end = rng() % 2;
    rules.hyphens_separate_words = rng() % 4 == 0;
    rules.sentence_ends = rng() % 5 != 0;
    rules.blank_mid_word_marks = rng() % 5 != 0;
    const bool tagged = round % 3 != 0;
    if (tagged) {
      rules.hide_tags = true;
      rules.stops[u'<'] = rules.stops[u'>'] = false;
      rules.tag_span = 64 + static_cast<int32_t>(rng() % 80);
    }
    const size_t carried = rng() % 70;
    UString text = RandomAscii(rng, carried + 1 + rng() % 700, round % 4 == 0, tagged);
    if (round % 2) {
      // A few units beyond ASCII here and there: the block steps stop at those units alone.
      static const char16_t kBeyond[] = {u'\u00E9', u'\u00C9', u'\u2019', u'\u00A0', u'\u2026',
                                         u'\u4E2D', u'\u0101', u'\u00FF', u'\u0100', u'\u8000'};
      for (size_t i = carried; i < text.size(); ++i)
        if (rng() % 40 == 0) text[i] = kBeyond[rng() % std::size(kBeyond)];
    }
    std::vector<uint16_t> carried_kinds(carried);
    ClassifyChars(text.data(), carried, carried_kinds.data());
    const int32_t ahead = static_cast<int32_t>(carried + rng() % (text.size() - carried + 1));
    const TPassRun one = RunPass(text, carried_kinds, rules, TVectorPath::Scalar, ahead);
    for (TVectorPath path : paths) {
      SCOPED_TRACE(testing::Message() << "round " << round << " path " << int(path));
      const TPassRun r = RunPass(text, carried_kinds, rules, path, ahead);
      ASSERT_EQ(r.judged, one.judged);
      if (!one.judged) continue;
      EXPECT_EQ(r.kinds, one.kinds);
      EXPECT_TRUE(r.text == one.text);
      EXPECT_EQ(r.result.sentence_ends, one.result.sentence_ends);
      EXPECT_EQ(r.result.word_masks, one.result.word_masks);
      EXPECT_EQ(r.result.marker_masks, one.result.marker_masks);
    }
    // The masks say what the kinds say.
    if (!one.judged) continue;
    for (size_t i = carried; i < text.size(); ++i) {
      const size_t p = i - carried;
      EXPECT_EQ((one.result.word_masks[p / 64] >> (p % 64)) & 1, IsWordKind(one.kinds[i]) ? 1u : 0u) << i;
      EXPECT_EQ((one.result.marker_masks[p / 64] >> (p % 64)) & 1, one.kinds[i] == 0x880F ? 1u : 0u) << i;
    }
  }
}

// Random settings of the pass: in-word symbols, hyphens, sentence ends, blanking, hidden tags.
TFastPassRules RandomRules(std::mt19937& rng, bool tagged) {
  TFastPassRules rules = DefaultRules();
  if (rng() % 2) rules.symbols[u'\''] = rules.any_symbols = true;
  rules.symbols_at_start = rng() % 2;
  rules.symbols_at_end = rng() % 2;
  rules.hyphens_separate_words = rng() % 4 == 0;
  rules.sentence_ends = rng() % 5 != 0;
  rules.blank_mid_word_marks = rng() % 5 != 0;
  if (tagged) {
    rules.hide_tags = true;
    rules.stops[u'<'] = rules.stops[u'>'] = false;
    rules.tag_span = 64 + static_cast<int32_t>(rng() % 80);
  }
  return rules;
}

// A random chunk: the pass's settings, carried characters with their kinds, and the text.
struct TRandomChunk {
  TFastPassRules rules;
  size_t carried = 0;
  UString text;
  std::vector<uint16_t> carried_kinds;
};
TRandomChunk RandomChunk(std::mt19937& rng, int round, bool with_stops) {
  TRandomChunk c;
  const bool tagged = round % 3 != 0;
  c.rules = RandomRules(rng, tagged);
  c.carried = rng() % 70;
  c.text = RandomAscii(rng, c.carried + 1 + rng() % 900, with_stops, tagged);
  c.carried_kinds.resize(c.carried);
  ClassifyChars(c.text.data(), c.carried, c.carried_kinds.data());
  return c;
}

// Kinds left to be written on demand: whatever windows are asked for, in whatever order, each
// holds the kinds the pass writes at once, and so does the whole chunk at the end; the masks,
// the text and the sentence ends are the same.
TEST(FastFirstPass, KindsOnDemandEqualTheKindsWrittenAtOnce) {
  std::mt19937 rng(2727);
  std::vector<TVectorPath> paths = {TVectorPath::Scalar, TVectorPath::Sse2};
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  for (int round = 0; round < 300; ++round) {
    const TRandomChunk chunk = RandomChunk(rng, round, false);
    const TFastPassRules& rules = chunk.rules;
    const size_t carried = chunk.carried;
    const UString& text = chunk.text;
    const std::vector<uint16_t>& carried_kinds = chunk.carried_kinds;
    const int32_t n = static_cast<int32_t>(text.size());
    const int32_t ahead = static_cast<int32_t>(carried + rng() % (text.size() - carried + 1));
    const TVectorPath path = paths[static_cast<size_t>(round) % paths.size()];
    SCOPED_TRACE(testing::Message() << "round " << round << " path " << int(path));
    const TPassRun all = RunPass(text, carried_kinds, rules, path, ahead);
    if (!all.judged) continue;
    std::vector<uint16_t> kinds = carried_kinds;
    kinds.resize(text.size() + 2, 0xBEEF);  // what an earlier chunk left there
    kinds[text.size()] = kinds[text.size() + 1] = 0;
    UString units = text;
    TFastPassResult found;
    ASSERT_TRUE(FastFirstPass(units.data(), kinds.data(), static_cast<int32_t>(carried), n, ahead, rules, path, found,
                              true));
    EXPECT_TRUE(units == all.text);
    EXPECT_EQ(found.sentence_ends, all.result.sentence_ends);
    EXPECT_EQ(found.word_masks, all.result.word_masks);
    EXPECT_EQ(found.marker_masks, all.result.marker_masks);
    for (int w = 0; w < 4; ++w) {
      const int32_t from = static_cast<int32_t>(rng() % (text.size() + 1)) - 10;
      const int32_t to = from + static_cast<int32_t>(rng() % 200);
      MakeFastPassKinds(units.data(), kinds.data(), from, to, rules, path, found);
      for (int32_t i = std::max(from, 0); i < std::min(to, n); ++i) ASSERT_EQ(kinds[i], all.kinds[i]) << i;
    }
    MakeFastPassKinds(units.data(), kinds.data(), 0, n, rules, path, found);
    EXPECT_EQ(kinds, all.kinds);
  }
}

// The blocks read from the bytes a chunk of plain ASCII was widened from: on every path, the
// same verdict, kinds, masks and text as read from the units, kinds written or left on demand.
TEST(FastFirstPass, RawBytesGiveWhatTheUnitsGive) {
  std::mt19937 rng(1207);
  int judged_beyond_ascii = 0;
  std::vector<TVectorPath> paths = {TVectorPath::Scalar, TVectorPath::Sse2};
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  for (int round = 0; round < 300; ++round) {
    // Now and then a stop or a character beyond ASCII (as a byte of 0x80 or above).
    const TRandomChunk chunk = RandomChunk(rng, round, round % 4 == 0);
    const TFastPassRules& rules = chunk.rules;
    const size_t carried = chunk.carried;
    UString text = chunk.text;
    if (round % 2 == 1) {
      // Units beyond ASCII here and there among the new characters: letters with and without
      // case, a pair of surrogates, quotes, an ellipsis, CJK, marks the pass cannot judge.
      static const std::u16string kBeyond[] = {u"\u00E9", u"\u00C9", u"\u2019", u"\u201C", u"\u2026", u"\u4E2D",
                                               u"\U0001D400", u"\u00BF", u"\u0301", u"\u00AD", u"\u2010", u"\u0130"};
      for (size_t i = carried; i + 1 < text.size(); ++i)
        if (rng() % 23 == 0) {
          const std::u16string& u = kBeyond[rng() % (round % 3 == 0 ? 8 : std::size(kBeyond))];
          text.replace(i, u.size(), u);
          i += u.size();
        }
    }
    const std::vector<uint16_t>& carried_kinds = chunk.carried_kinds;
    std::string bytes;
    // Any byte of 0x80 or above stands for a unit beyond ASCII.
    static const unsigned char kHigh[] = {0x80, 0xC3, 0xFF};
    for (size_t i = carried; i < text.size(); ++i) bytes += static_cast<char>(text[i] < 0x80 ? text[i] : kHigh[i % 3]);
    const int32_t n = static_cast<int32_t>(text.size());
    for (TVectorPath path : paths) {
      for (bool on_demand : {false, true}) {
        SCOPED_TRACE(testing::Message() << "round " << round << " path " << int(path) << " on demand " << on_demand);
        TPassRun from_units = RunPass(text, carried_kinds, rules, path);
        TPassRun from_bytes;
        from_bytes.kinds = carried_kinds;
        from_bytes.kinds.resize(text.size() + 2, 0);
        from_bytes.text = text;
        from_bytes.judged = FastFirstPass(from_bytes.text.data(), from_bytes.kinds.data(), static_cast<int32_t>(carried),
                                          n, INT32_MAX, rules, path, from_bytes.result, on_demand,
                                          reinterpret_cast<const uint8_t*>(bytes.data()));
        // Bytes beyond ASCII stop the pass; the units it judges.
        ASSERT_EQ(from_bytes.judged, from_units.judged && from_units.result.all_ascii);
        if (from_bytes.judged) {
          MakeFastPassKinds(from_bytes.text.data(), from_bytes.kinds.data(), 0, n, rules, path, from_bytes.result);
          EXPECT_EQ(from_bytes.kinds, from_units.kinds);
          EXPECT_TRUE(from_bytes.text == from_units.text);
          EXPECT_EQ(from_bytes.result.sentence_ends, from_units.result.sentence_ends);
          EXPECT_EQ(from_bytes.result.word_masks, from_units.result.word_masks);
          EXPECT_EQ(from_bytes.result.marker_masks, from_units.result.marker_masks);
        }
        // Where the bytes beyond ASCII stand for the units the text holds, the pass judges what
        // it judges over the units. The text's other units, left to be widened on demand, hold
        // rubbish (lone surrogates, letters, brackets) that no step may read.
        for (bool text_on_demand : {false, true}) {
          if (text_on_demand && !on_demand) continue;
          SCOPED_TRACE(testing::Message() << "units in the text, the rest on demand " << text_on_demand);
          TPassRun in_text;
          in_text.kinds = carried_kinds;
          in_text.kinds.resize(text.size() + 2, 0);
          in_text.text = text;
          if (text_on_demand) {
            static const char16_t kRubbish[] = {0xDC00, u'a', u'<', u'.', 0xD800, u'Z', u' '};
            for (size_t i = carried; i < text.size(); ++i)
              if (text[i] < 0x80) in_text.text[i] = kRubbish[i % std::size(kRubbish)];
          }
          in_text.judged = FastFirstPass(in_text.text.data(), in_text.kinds.data(), static_cast<int32_t>(carried), n,
                                         INT32_MAX, rules, path, in_text.result, on_demand,
                                         reinterpret_cast<const uint8_t*>(bytes.data()), text_on_demand, true);
          ASSERT_EQ(in_text.judged, from_units.judged);
          if (!in_text.judged) continue;
          const uint8_t* narrow = text_on_demand ? reinterpret_cast<const uint8_t*>(bytes.data()) : nullptr;
          if (text_on_demand) {
            // Some text alone first, anywhere, then the kinds in two pieces cut anywhere: each
            // stretch as the units give it.
            for (int w = 0; w < 3; ++w) {
              const int32_t a = static_cast<int32_t>(carried + rng() % (text.size() - carried + 1));
              const int32_t b = std::min(n, a + static_cast<int32_t>(rng() % 150));
              MakeFastPassText(in_text.text.data(), a, b, rules, in_text.result, narrow);
              EXPECT_TRUE(in_text.text.substr(static_cast<size_t>(a), static_cast<size_t>(b - a)) ==
                          from_units.text.substr(static_cast<size_t>(a), static_cast<size_t>(b - a)));
            }
            const int32_t cut = static_cast<int32_t>(carried + rng() % (text.size() - carried + 1));
            MakeFastPassKinds(in_text.text.data(), in_text.kinds.data(), cut, n, rules, path, in_text.result, narrow);
          }
          MakeFastPassKinds(in_text.text.data(), in_text.kinds.data(), 0, n, rules, path, in_text.result, narrow);
          EXPECT_EQ(in_text.kinds, from_units.kinds);
          EXPECT_TRUE(in_text.text == from_units.text);
          EXPECT_EQ(in_text.result.sentence_ends, from_units.result.sentence_ends);
          EXPECT_EQ(in_text.result.word_masks, from_units.result.word_masks);
          EXPECT_EQ(in_text.result.marker_masks, from_units.result.marker_masks);
          EXPECT_EQ(in_text.result.all_ascii, from_units.result.all_ascii);
          EXPECT_EQ(in_text.result.wide_blocks, from_units.result.wide_blocks);
          judged_beyond_ascii += in_text.result.all_ascii ? 0 : 1;
        }
      }
    }
  }
  EXPECT_GT(judged_beyond_ascii, 100);
}

// Runs the pass by run(path, from_bytes) on each vector path, from the bytes and from the units,
// and expects the one-unit path's verdict, masks, kinds and text; answers the one-unit path's run.
// (Units beyond ASCII, which stop the pass over bytes, are judged over units: each run is held
// to the one-unit path's run from the same.)
template <typename Run>
TPassRun ExpectEveryVectorPathAsTheOneUnitPath(Run run) {
  std::vector<TVectorPath> paths = {TVectorPath::Sse2};
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  const TPassRun one_of_bytes = run(TVectorPath::Scalar, true), one_of_units = run(TVectorPath::Scalar, false);
  if (one_of_bytes.judged) {
    EXPECT_TRUE(one_of_units.judged);
    EXPECT_EQ(one_of_units.kinds, one_of_bytes.kinds);
  }
  for (TVectorPath path : paths)
    for (bool from_bytes : {true, false}) {
      SCOPED_TRACE(testing::Message() << "path " << int(path) << " bytes " << from_bytes);
      const TPassRun& one = from_bytes ? one_of_bytes : one_of_units;
      const TPassRun r = run(path, from_bytes);
      EXPECT_EQ(r.judged, one.judged);
      if (!one.judged || !r.judged) continue;
      EXPECT_EQ(r.result.word_masks, one.result.word_masks);
      EXPECT_EQ(r.result.marker_masks, one.result.marker_masks);
      EXPECT_EQ(r.result.punct_masks, one.result.punct_masks);
      EXPECT_EQ(r.result.joined_masks, one.result.joined_masks);
      EXPECT_EQ(r.result.blanked_masks, one.result.blanked_masks);
      EXPECT_EQ(r.result.tag_masks, one.result.tag_masks);
      EXPECT_EQ(r.result.sentence_ends, one.result.sentence_ends);
      EXPECT_EQ(r.kinds, one.kinds);
      EXPECT_TRUE(r.text == one.text);
      EXPECT_EQ(r.result.wide_blocks, one.result.wide_blocks);
    }
  return one_of_bytes;
}

// The vector paths classify runs of blocks by lookups built from the settings: whatever the stops
// (any number, in any row of ASCII, controls among them) and the in-word symbols, each path
// gives the one-unit path's verdict, masks and kinds, from the bytes and from the units, with a stop,
// a zero or a byte beyond ASCII placed anywhere (at a block's edge too) or nowhere.
TEST(FastFirstPass, LookupClassesMatchTheOneUnitPathWhateverTheStops) {
  std::mt19937 rng(3232);
  std::u16string others;  // neither letters, digits nor a space
  for (char16_t c = 1; c < 128; ++c)
    if (!((c | 0x20) >= u'a' && (c | 0x20) <= u'z') && !(c >= u'0' && c <= u'9') && c != u' ') others += c;
  for (int round = 0; round < 400; ++round) {
    const bool tagged = round % 3 == 0;
    TFastPassRules rules = RandomRules(rng, tagged);
    rules.stops = {};
    std::vector<char16_t> stops;
    for (int i = static_cast<int>(rng() % 13); i > 0; --i) {
      const char16_t c = others[rng() % others.size()];
      if (tagged && (c == u'<' || c == u'>')) continue;
      rules.AddStop(c);
      stops.push_back(c);
    }
    for (int i = static_cast<int>(rng() % 6); i > 0; --i) {
      const char16_t c = others[rng() % others.size()];
      rules.symbols[c] = rules.any_symbols = true;
    }
    // Text of every character that is not a stop, and at most one that is.
    const size_t n = 1 + rng() % 700;
    UString text = RandomAscii(rng, n, false, tagged);
    for (size_t i = 0; i < n; ++i) {
      if (rng() % 8 == 0) text[i] = static_cast<char16_t>(1 + rng() % 127);
      if (rules.stops[text[i]]) text[i] = u'x';
    }
    switch (round % 4) {
      case 0: break;
      case 1: if (!stops.empty()) text[rng() % n] = stops[rng() % stops.size()]; break;
      case 2: text[std::min(n - 1, size_t{63} + rng() % 3)] = char16_t{0}; break;
      default: text[rng() % n] = rng() % 2 ? char16_t{0xE9} : char16_t{0x012E}; break;  // low byte a full stop
    }
    std::string bytes;
    for (char16_t c : text) bytes += static_cast<char>(c < 0x80 ? c : 0xC3);
    const auto narrow = reinterpret_cast<const uint8_t*>(bytes.data());
    auto run = [&](TVectorPath path, bool from_bytes) {
      TPassRun r;
      r.kinds.assign(n + 2, 0);
      r.text = text;
      r.judged = FastFirstPass(r.text.data(), r.kinds.data(), 0, static_cast<int32_t>(n), INT32_MAX, rules, path,
                               r.result, true, from_bytes ? narrow : nullptr);
      // The kinds made on demand, in two pieces cut anywhere.
      const int32_t cut = static_cast<int32_t>(rng() % (n + 1));
      if (r.judged) {
        MakeFastPassKinds(r.text.data(), r.kinds.data(), cut, static_cast<int32_t>(n), rules, path, r.result,
                          from_bytes ? narrow : nullptr);
        MakeFastPassKinds(r.text.data(), r.kinds.data(), 0, cut, rules, path, r.result, from_bytes ? narrow : nullptr);
      }
      return r;
    };
    SCOPED_TRACE(testing::Message() << "round " << round);
    ExpectEveryVectorPathAsTheOneUnitPath(run);
  }
}

// A run of the pass over the whole of text (one chunk, nothing carried, kinds on demand, then all
// made), on a path, from the bytes or from the units: for ExpectEveryVectorPathAsTheOneUnitPath.
auto WholeChunkOf(const std::string& text, const TFastPassRules& rules) {
  return [&text, &rules, units = UString(text.begin(), text.end())](TVectorPath path, bool from_bytes) {
    const int32_t n = static_cast<int32_t>(units.size());
    TPassRun r;
    r.kinds.assign(units.size() + 2, 0);
    r.text = units;
    const auto narrow = from_bytes ? reinterpret_cast<const uint8_t*>(text.data()) : nullptr;
    r.judged = FastFirstPass(r.text.data(), r.kinds.data(), 0, n, n, rules, path, r.result, true, narrow);
    if (r.judged) MakeFastPassKinds(r.text.data(), r.kinds.data(), 0, n, rules, path, r.result, narrow);
    return r;
  };
}

// A mark between two letters or two digits, at every place of the first blocks (either side of
// their edges too) and in a chunk of many blocks with nothing else to join or blank: joined where
// the rules join it ("." and "," between digits, a hyphen beside a letter), made a blank
// otherwise, on every path.
TEST(FastFirstPass, MarksBetweenLettersOrDigitsAreJoinedOrBlankedAtEveryPlace) {
  const TFastPassRules rules = DefaultRules();
  for (const char mark : {'.', ',', '-', '\''}) {
    for (const char around : {'a', '5'}) {
      for (const size_t size : {size_t{200}, size_t{5000}}) {
        for (size_t at = 1; at + 1 < 200; ++at) {
          SCOPED_TRACE(testing::Message() << "mark " << mark << " around " << around << " size " << size << " at " << at);
          std::string text;
          for (size_t i = 0; i < size; ++i) text += i % 9 == 8 ? ' ' : 'x';  // words, no marks
          for (size_t i = at - 1; i <= at + 1; ++i) text[i] = around;
          text[at] = mark;
          if (size > 200) {  // the mark far into the chunk, after blocks without any
            text.replace(size - 300 + at - 1, 3, text.substr(at - 1, 3));
            text.replace(at - 1, 3, "xxx");
          }
          const TPassRun one = ExpectEveryVectorPathAsTheOneUnitPath(WholeChunkOf(text, rules));
          ASSERT_TRUE(one.judged);
          const bool joined = around == '5' ? mark == '.' || mark == ',' : mark == '-';
          const size_t p = size > 200 ? size - 300 + at : at;
          std::string expected;
          for (size_t i = 0; i < size; ++i) expected += text[i] == ' ' ? '.' : 'w';
          expected[p] = joined ? 'J' : 'B';
          EXPECT_EQ(Marks(one.text, one.kinds, 0), expected);
        }
      }
    }
  }
}

// Blocks are classified a run at a time, the steps going a stretch of 4,096 characters at a
// time: tags open across the runs' and stretches' edges, long tags, runs with no bracket after a
// tag that is still open, sentence marks whose letters lie in the next stretch. Each vector path
// gives the one-unit path's verdict, masks, kinds and text, from the bytes and from the units.
TEST(FastFirstPass, TagsAndMarksAcrossRunsAndStretchesMatchTheOneUnitPath) {
  std::mt19937 rng(4096);
  for (int round = 0; round < 24; ++round) {
    TFastPassRules rules = DefaultRules();
    rules.hide_tags = true;
    rules.stops[u'<'] = rules.stops[u'>'] = false;
    rules.tag_span = 1000;
    std::string text;
    for (const char16_t c : RandomAscii(rng, 9000, false)) text += static_cast<char>(c);
    for (const size_t edge : {size_t{4096}, size_t{8192}}) {
      const size_t open = edge - 1 - rng() % 300, length = 2 + rng() % 700;  // a tag over the edge
      text[open] = '<';
      for (size_t i = open + 1; i < open + length && i < text.size(); ++i)
        if (text[i] == '<' || text[i] == '>') text[i] = 'x';
      if (open + length < text.size()) text[open + length] = '>';
      const size_t stop = edge - 1 - rng() % 3;  // a full stop before the edge, a capital after
      text[stop] = '.';
      text[edge + rng() % 3] = 'Q';
    }
    SCOPED_TRACE(testing::Message() << "round " << round);
    const TPassRun one = ExpectEveryVectorPathAsTheOneUnitPath(WholeChunkOf(text, rules));
    EXPECT_TRUE(one.judged);
    EXPECT_TRUE(one.result.any_tags);
  }
}

}  // namespace
