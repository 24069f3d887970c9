// The fast road changes no result: random texts over every character class, read down the fast
// road and down the full road, give the same chunks (text, kinds, bytes, carried characters,
// look-ahead, markers counted), the same concordance list stream and the same word list, with
// its statistics; so do the samples and a generated English-like corpus.
#include <gtest/gtest.h>

#include <unistd.h>

#include <random>
#include <string>

#include "../concordance/worker_test_support.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/worker_tag_handler.h"
#include "fast_road_test_support.h"
#include "read_and_search_support.h"
#include "platform/rtl/streams.h"
#include "platform/search/fast_first_pass.h"
#include "platform/search/search_chars.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "text_reader_test_support.h"
#include "wordlist/word_list_document.h"

using namespace text_reader_test;
using namespace fast_road_test;

namespace {

// Words, numbers, hyphens, apostrophes, abbreviations, sentence marks, line ends; in a text with
// `rare` set, now and then mark-up, entities and letters beyond ASCII too.
std::string RandomText(std::mt19937& rng, size_t bytes, bool rare) {
  static const char* kPieces[] = {"word", "The", "river", "Old", "man", "U.S.A.", "e.g.", "Ph.D.", "3.14", "1,000",
                                  "10-20", "1990-2000", "well-known", "COVID-19", "pre-", "--", "don't", "'tis",
                                  "dogs'", ". ", "? ", "! ", "...", "?!", ", ", "; ", ": ", "\n", "\r\n", "\n\n",
                                  "\t", " ", "D. C. ", "x", "(a)", "\"q\"", "6. We", "p.5", "12a", "it's"};
  static const char* kRare[] = {"<b>", "</b>", "<w NN>", "&amp;", "caf\xC3\xA9", "\xD0\xB6\xD0\xB8", "\xF0\x9F\x98\x80",
                                "\xE2\x80\x99", "x < y. The", "na\xC3\xAFve"};
  std::string s;
  while (s.size() < bytes) {
    if (rare && rng() % 150 == 0) s += kRare[rng() % (sizeof kRare / sizeof kRare[0])];
    else s += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
    if (rng() % 3 != 0) s += ' ';
  }
  return s;
}

// Every word in mark-up, as tagged corpora are: tags with attributes, quotes and line ends in
// them, tags next to punctuation and inside words; with `rare` set, now and then brackets out of
// turn ("a > b", "<a <b>", a "<" never closed), entities, letters beyond ASCII inside and outside
// tags, and a tag longer than the span.
std::string TaggedText(std::mt19937& rng, size_t bytes, bool rare) {
  static const char* kWords[] = {"word", "The", "river", "U.S.A.", "e.g.", "3.14", "1,000", "well-known", "don't",
                                 "D.", "Ph.D", "x", "12a", "it's", "pre-", "old"};
  static const char* kTags[] = {"NN", "VB", "DT", "IN", "JJ", "NP0"};
  static const char* kAfter[] = {" ", " ", " ", ". ", "? ", "! ", ", ", "\n", "\r\n", "...", " -- ", "\n\n"};
  static const char* kRare[] = {"a > b", "<a <b>", "x < y. The", "&amp;", "<w pos=\"caf\xC3\xA9\">", "na\xC3\xAFve",
                                "<<b>>", "\xE2\x80\x99", "<note text='a>b'>", "&lt;b&gt;"};
  std::string s;
  while (s.size() < bytes) {
    const unsigned shape = rng() % 10;
    const std::string w = kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    const std::string tag = kTags[rng() % (sizeof kTags / sizeof kTags[0])];
    if (shape < 5) s += "<w pos=\"" + tag + "\">" + w + "</w>";
    else if (shape == 5) s += "<w\ttype='" + tag + "'\n n=\"" + std::to_string(rng() % 100) + "\">" + w + "</w>";
    else if (shape == 6) s += "<s>" + w + "<lb/>" + w + "</s>";  // a tag inside a word
    else if (shape == 7) s += w + "<c>.</c>";
    else if (shape == 8) s += "<p n=\"" + std::to_string(rng() % 9) + "\"/>" + w;
    else s += w;
    if (rare && rng() % 120 == 0) {
      if (rng() % 8 == 0) s += "<" + std::string(1100, 'x') + ">";
      else s += kRare[rng() % (sizeof kRare / sizeof kRare[0])];
    }
    s += kAfter[rng() % (sizeof kAfter / sizeof kAfter[0])];
  }
  return s;
}

class FastRoad : public TWorkerTest {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  // English with the apostrophe inside words (and at their end), or the defaults.
  static void UseApostrophe(bool at_end) {
    TTextsett_rec32 t = GetTextSettings();
    Tfixed_lang_details32 l = t.Language();
    l.SetExtraSymbols(u"'");
    l.SetSymbolsAtWordEnd(at_end);
    t.SetLanguage(l);
    SetTextSettings(t);
  }
};

TEST_F(FastRoad, ChunksEqualTheFullRoadsWhateverTheCuts) {
  std::mt19937 rng(2701);
  int fast_chunks = 0, beyond_ascii = 0;
  // Small texts (one chunk) and texts over 2 MiB, so that cuts, carried characters and
  // look-aheads fall at many places; some settings with an in-word symbol.
  for (int round = 0; round < 14; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    if (round == 7) UseApostrophe(true);
    const size_t size = round % 3 == 2 ? 2100000 + rng() % 1500000 : 1 + rng() % 20000;
    const UString file = tmp_.Write(u"t" + IntToUStr(round) + u".txt", RandomText(rng, size, round % 2 == 1));
    const std::vector<TChunkRecord> fast = ReadChunks(file, false);
    ExpectSameChunks(fast, ReadChunks(file, true));
    for (const TChunkRecord& r : fast) {
      fast_chunks += r.fast ? 1 : 0;
      beyond_ascii += r.beyond_ascii ? 1 : 0;
    }
  }
  // The pass judged them, those with letters beyond ASCII and mark-up among them.
  EXPECT_GT(fast_chunks, 14);
  EXPECT_GT(beyond_ascii, 3);
}

// Kinds and text made on demand (some stretches asked for first, then the whole chunk) equal the
// full road's: plain texts over several chunks, some with an entity or letters beyond ASCII far
// from the cut (the pass then gives up on a chunk whose text was left unwidened, and judges it
// decoded whole), one with the hyphen U+2010 (that chunk goes down the full road), some tagged;
// apostrophes inside words now and then.
TEST_F(FastRoad, KindsAndTextMadeOnDemandEqualTheFullRoads) {
  std::mt19937 rng(2703);
  int fast_chunks = 0, full_chunks = 0, beyond_ascii = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    if (round == 3) UseApostrophe(true);
    const size_t size = 2100000 + rng() % 2500000;
    std::string text = round % 3 == 2 ? TaggedText(rng, size, false) : RandomText(rng, size, false);
    if (round % 3 == 1) {  // one rare piece in each chunk after the first, far from the cuts
      static const char* kRare[] = {"caf\xC3\xA9", "fish &amp; chips na\xC3\xAFve", "\xE2\x80\x99"};
      for (size_t at = 2097152 + 100000; at + 200000 < text.size(); at += 2097152)
        text.insert(at, round == 4 && at == 2097152 + 100000 ? "well\xE2\x80\x90known" : kRare[rng() % std::size(kRare)]);
    }
    const UString file = tmp_.Write(u"d" + IntToUStr(round) + u".txt", text);
    const std::vector<TChunkRecord> fast = ReadChunks(file, false, true);
    ExpectSameChunks(fast, ReadChunks(file, true));
    for (const TChunkRecord& r : fast) {
      (r.fast ? fast_chunks : full_chunks)++;
      beyond_ascii += r.beyond_ascii ? 1 : 0;
    }
  }
  EXPECT_GT(fast_chunks, 6);
  EXPECT_GT(full_chunks, 0);
  EXPECT_GT(beyond_ascii, 0);
}

TEST_F(FastRoad, TaggedChunksEqualTheFullRoadsWhateverTheCuts) {
  std::mt19937 rng(2702);
  int fast_chunks = 0, full_chunks = 0;
  // Texts of one chunk and texts over 2 MiB, so that tags meet cuts and the ends of look-aheads;
  // then settings under which other steps look at tags (a marker or a multi-word unit in angle
  // brackets), and tags the settings keep visible (no brackets hidden): each leaves every tagged
  // chunk to the full road.
  for (int round = 0; round < 11; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    if (round == 5) UseApostrophe(true);
    if (round == 8) {
      TTextsett_rec32 t = GetTextSettings();
      t.SetMarkerText(TTextsett_rec32::kFirstMarker, u"<s>");
      SetTextSettings(t);
    }
    if (round == 9) {
      TTextsett_rec32 t = GetTextSettings();
      t.SetMarkerText(TTextsett_rec32::kFirstMarker, u"");
      SetTextSettings(t);
      SetWordlistClusterTag(u"<s>");
    }
    if (round == 10) {
      SetWordlistClusterTag(u"");
      TTextsett_rec32 t = GetTextSettings();
      t.SetUnwantedTags(TIgnore_tag_type{});
      SetTextSettings(t);
    }
    const size_t size = round % 2 == 1 ? 2100000 + rng() % 1500000 : 1 + rng() % 40000;
    const UString file = tmp_.Write(u"g" + IntToUStr(round) + u".txt", TaggedText(rng, size, round % 4 >= 2));
    const std::vector<TChunkRecord> fast = ReadChunks(file, false);
    ExpectSameChunks(fast, ReadChunks(file, true));
    for (const TChunkRecord& r : fast) (round < 8 && r.fast ? fast_chunks : full_chunks)++;
    if (round >= 8) {
      for (const TChunkRecord& r : fast) EXPECT_FALSE(r.fast);
    }
  }
  EXPECT_GT(fast_chunks, 4);
  EXPECT_GE(full_chunks, 3);
}

TEST_F(FastRoad, TaggedBuffersEqualTheTagHandlersSteps) {
  // The full road's steps over one buffer, in the reader's order (sentence ends, tags blanked,
  // in-word characters joined, punctuation between letters blanked), against the fast pass,
  // with characters carried from a first piece and a look-ahead; the pass leaves the text as it
  // was wherever it does not judge.
  std::mt19937 rng(31);
  const UString symbols = u"'";
  int judged = 0;
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const bool with_symbols = round % 2 == 1;
    const int32_t span = 64 + static_cast<int32_t>(rng() % 1100);
    const UString text = Utf8ToUtf16(TaggedText(rng, 1 + rng() % 3000, round % 5 == 0));
    const int32_t n = static_cast<int32_t>(text.size());
    const int32_t c = static_cast<int32_t>(rng() % std::min<int32_t>(n, 300));
    const int32_t ahead = c + static_cast<int32_t>(rng() % static_cast<uint32_t>(n - c + 1));
    TTextTagHandler tags(0x0409, 1252, TTagReadSettings{});
    auto full_steps = [&](UString& t, std::vector<uint16_t>& k, int32_t from, int32_t to, int32_t read_ahead) {
      ClassifyChars(t.data() + from, static_cast<size_t>(to - from), k.data() + from);
      tags.ReadAheadFrom = read_ahead;
      const int32_t ends = tags.AutoMarkSentenceEnds(t.data(), k.data(), to, span, true, from);
      tags.BlankUnwantedTags(u'<', u'>', t.data() + from, k.data() + from, to - from, true, span);
      HandleAllowables(t.data() + from, k.data() + from, static_cast<size_t>(to - from), with_symbols ? symbols : UString(),
                       false, with_symbols, false);
      tags.BlankOutMidWordPunctuation(t.data() + from, k.data() + from, C1_PUNCT, C1_ALPHA | C1_DIGIT, to - from, true);
      return ends;
    };
    // The carried characters as the last buffer left them.
    UString full_text = text;
    std::vector<uint16_t> full_kinds(text.size() + 2, 0);
    full_steps(full_text, full_kinds, 0, c, INT32_MAX);
    UString fast_text = full_text;
    std::vector<uint16_t> fast_kinds = full_kinds;
    const int32_t full_ends = full_steps(full_text, full_kinds, c, n, ahead);

    TFastPassRules rules;
    rules.usable = true;
    for (char16_t ch : {u'&', char16_t(24), char16_t(25)}) rules.AddStop(ch);
    if (with_symbols) rules.symbols[u'\''] = rules.any_symbols = rules.symbols_at_end = true;
    rules.sentence_ends = rules.blank_mid_word_marks = rules.hide_tags = true;
    rules.tag_span = span;
    const UString before = fast_text;
    TFastPassResult found;
    if (!FastFirstPass(fast_text.data(), fast_kinds.data(), c, n, ahead, rules, BestVectorPath(), found)) {
      EXPECT_TRUE(fast_text == before);
      continue;
    }
    ++judged;
    EXPECT_TRUE(fast_text == full_text);
    EXPECT_EQ(fast_kinds, full_kinds);
    EXPECT_EQ(found.sentence_ends, full_ends);
    for (int32_t i = c; i < n; ++i) {
      const size_t p = static_cast<size_t>(i - c);
      ASSERT_EQ((found.word_masks[p / 64] >> (p % 64)) & 1, IsWordKind(full_kinds[static_cast<size_t>(i)]) ? 1u : 0u) << i;
    }
  }
  EXPECT_GT(judged, 300);
}

// Text crowded with sentence marks: abbreviations, initials, numbers, quotes and brackets after
// the stop, several blanks, line breaks and paragraph ends, marks in a row; now and then a letter
// beyond ASCII (the pass then gives the chunk up).
std::string SentenceText(std::mt19937& rng, size_t bytes) {
  static const char* kWords[] = {"word", "The", "river", "I", "a", "A", "x", "Old", "MAN", "it's", "12a", "3", "1990",
                                 "U.S.", "U.S.A.", "e.g.", "Ph.D.", "Dr.", "Mr.", "J.", "J. R. R.", "p.", "No. 5",
                                 "3.14", "1.", "v.2", "a.b", "x.Y", "(a)", "\"q\"", "'q'", "pre-", "well-known"};
  static const char* kStops[] = {".", ".", ".", "!", "?", "?!", "...", "..", ".\"", ".)", ".'", "!)", "?\"", ". .", ".-",
                                 ".,", ".5", ".x", ".X"};
  static const char* kGaps[] = {" ", " ", " ", "  ", "\n", "\r\n", "\n\n", "\r\n\r\n", "\t", " \n ", "", " (", " \"",
                                " '", " 5 ", " -- ", "\n\n\n"};
  std::string s;
  while (s.size() < bytes) {
    if (rng() % 300 == 0) s += "caf\xC3\xA9";
    s += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    if (rng() % 2 == 0) s += kStops[rng() % (sizeof kStops / sizeof kStops[0])];
    s += kGaps[rng() % (sizeof kGaps / sizeof kGaps[0])];
  }
  s.resize(bytes);
  return s;
}

// Dotted words of every length of last part (German abbreviations among them), and long runs of
// letters after a full stop that reach over the pass's blocks of 64 characters.
std::string DottedText(std::mt19937& rng, size_t bytes) {
  static const char* kWords[] = {"z.B.", "z.Zt.", "Dr.med.", "v.Chr.)", "u.a.", "d.h.", "Dr.", "Nr.", "i.d.R.",
                                 "www.example.com.", "end.Then", "3.Mai.", "a.b", "Ph.D.", "U.S.A.", "J.", "Mittag",
                                 "Meier", "danach", "12a.", "x"};
  static const char* kGaps[] = {" ", " ", "  ", "\n", "\r\n", ") ", "\" ", " -- "};
  std::string s;
  while (s.size() < bytes) {
    if (rng() % 12 == 0) {
      s += rng() % 2 == 0 ? "a." : "Q";
      const size_t run = 20 + rng() % 140;
      for (size_t k = 0; k < run; ++k) s += static_cast<char>((rng() % 5 == 0 ? 'A' : 'a') + static_cast<char>(rng() % 26));
      s += rng() % 3 == 0 ? "?" : ".";
    } else {
      s += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    }
    s += kGaps[rng() % (sizeof kGaps / sizeof kGaps[0])];
  }
  s.resize(bytes);
  return s;
}

// The full road's steps over one buffer against the fast pass on every path, kinds written at
// once or on demand, read from units or from bytes; the carried characters end anywhere, often
// right at, before or after a sentence mark, and so does the look-ahead. In-word symbols now and
// then, "!" among them (the marks are then told apart one by one).
void ExpectSentenceEndsOfBothRoadsAlike(std::string (*make_text)(std::mt19937&, size_t), uint32_t seed, int rounds,
                                        int least_marked) {
  std::mt19937 rng(seed);
  std::vector<TVectorPath> paths = {TVectorPath::Scalar};
  if (BestVectorPath() != TVectorPath::Scalar) paths.push_back(TVectorPath::Sse2);
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  int judged = 0, marked = 0;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const UString symbols = round % 4 == 1 ? u"'" : round % 4 == 3 ? u"'!" : u"";
    const UString text = Utf8ToUtf16(make_text(rng, 1 + rng() % (round % 5 == 0 ? 4000 : 400)));
    const int32_t n = static_cast<int32_t>(text.size());
    int32_t c = static_cast<int32_t>(rng() % std::min<int32_t>(n, 200));
    const size_t mark = text.find_first_of(u".!?", static_cast<size_t>(c));
    if (round % 2 == 0 && mark != UString::npos) c = static_cast<int32_t>(mark) + static_cast<int32_t>(rng() % 4) - 1;
    c = std::clamp(c, 0, n);
    const int32_t ahead = c + static_cast<int32_t>(rng() % static_cast<uint32_t>(n - c + 1));
    TTextTagHandler tags(0x0409, 1252, TTagReadSettings{});
    auto full_steps = [&](UString& t, std::vector<uint16_t>& k, int32_t from, int32_t to, int32_t read_ahead) {
      ClassifyChars(t.data() + from, static_cast<size_t>(to - from), k.data() + from);
      tags.ReadAheadFrom = read_ahead;
      const int32_t ends = tags.AutoMarkSentenceEnds(t.data(), k.data(), to, 1000, true, from);
      HandleAllowables(t.data() + from, k.data() + from, static_cast<size_t>(to - from), symbols, false,
                       !symbols.empty(), false);
      tags.BlankOutMidWordPunctuation(t.data() + from, k.data() + from, C1_PUNCT, C1_ALPHA | C1_DIGIT, to - from, true);
      return ends;
    };
    UString full_text = text;
    std::vector<uint16_t> full_kinds(text.size() + 2, 0);
    full_steps(full_text, full_kinds, 0, c, INT32_MAX);
    const std::vector<uint16_t> carried_kinds = full_kinds;
    const int32_t full_ends = full_steps(full_text, full_kinds, c, n, ahead);

    TFastPassRules rules;
    rules.usable = true;
    for (char16_t ch : {u'<', u'>', u'&', char16_t(24), char16_t(25)}) rules.AddStop(ch);
    for (char16_t ch : symbols) rules.symbols[ch] = rules.any_symbols = true;
    rules.symbols_at_end = !symbols.empty();
    rules.sentence_ends = rules.blank_mid_word_marks = true;
    std::string bytes;
    for (int32_t i = c; i < n; ++i) bytes += static_cast<char>(text[i] < 0x80 ? text[i] : 0xC3);
    for (TVectorPath path : paths) {
      for (int way = 0; way < 3; ++way) {  // kinds at once; on demand; on demand from the bytes
        SCOPED_TRACE(testing::Message() << "path " << int(path) << " way " << way);
        UString fast_text = text;
        std::vector<uint16_t> fast_kinds = carried_kinds;
        TFastPassResult found;
        const uint8_t* narrow = way == 2 ? reinterpret_cast<const uint8_t*>(bytes.data()) : nullptr;
        if (!FastFirstPass(fast_text.data(), fast_kinds.data(), c, n, ahead, rules, path, found, way > 0, narrow))
          continue;
        if (way > 0) MakeFastPassKinds(fast_text.data(), fast_kinds.data(), 0, n, rules, path, found);
        ++judged;
        EXPECT_EQ(found.sentence_ends, full_ends);
        ASSERT_EQ(fast_kinds, full_kinds);
        for (int32_t i = c; i < n; ++i) {
          const size_t p = static_cast<size_t>(i - c);
          const bool end = full_kinds[static_cast<size_t>(i)] == kFastPassMarkerKind;
          marked += end ? 1 : 0;
          ASSERT_EQ((found.marker_masks[p / 64] >> (p % 64)) & 1, end ? 1u : 0u) << i;
        }
      }
    }
  }
  EXPECT_GT(judged, rounds);
  EXPECT_GT(marked, least_marked);
}

TEST_F(FastRoad, SentenceEndsEqualTheFullRoadsWhateverTheCuts) {
  ExpectSentenceEndsOfBothRoadsAlike(&SentenceText, 3101, 600, 5000);
}

TEST_F(FastRoad, SentenceEndsAfterDottedWordsEqualTheFullRoads) {
  ExpectSentenceEndsOfBothRoadsAlike(&DottedText, 5101, 400, 1000);
}

TEST_F(FastRoad, ChunksOfOtherEncodingsAndSettings) {
  std::mt19937 rng(11);
  const std::string plain = RandomText(rng, 30000, false);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-16, little-endian", Utf16Bytes(Utf8ToUtf16(plain), true, true)},
      {"UTF-16, big-endian", Utf16Bytes(Utf8ToUtf16(plain), false, true)},
      {"code page after a first piece", "caf\xE9 " + plain},
      {"UTF-8 signature", "\xEF\xBB\xBF" + plain},
      {"zero bytes", plain.substr(0, 500) + std::string(3, '\0') + plain.substr(500)},
      {"mark-up text", "<html>" + plain},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const UString file = tmp_.Write(u"e" + IntToUStr(k++) + u".txt", c.bytes);
    ExpectSameChunks(ReadChunks(file, false), ReadChunks(file, true));
  }
}

// Each search gives the same concordance list stream down both roads.
void ExpectBothRoadsAlike(const std::vector<UString>& files, std::initializer_list<UStringView> searches) {
  for (UStringView items : searches) {
    SCOPED_TRACE(Utf16ToUtf8(items));
    EXPECT_EQ(ConcordanceStream(files, items, false), ConcordanceStream(files, items, true));
  }
}

// For a tool that reads text on demand, the start of a plain chunk is left as bytes, unchecked,
// for the fast pass to check as it judges it; bytes there that are not plain ASCII send the chunk
// back to be decoded. Such bytes (a letter beyond ASCII, a zero byte, a code-page byte that makes
// the rest of the text code-page text) at the first word of a chunk, on either side of the end
// of the stretch left unchecked (a letter across it too) and in its middle give the full road's
// chunks, and the concordance's stream equals the full road's.
TEST_F(FastRoad, BytesLeftToThePassThatAreNotPlainAscii) {
  std::mt19937 rng(2705);
  std::string plain;
  while (plain.size() < 4400000) {
    plain += RandomText(rng, 400, false);
    plain += rng() % 3 == 0 ? " river.\n" : " river ";
  }
  const UString plain_file = tmp_.Write(u"plain.txt", plain);
  const std::vector<TChunkRecord> clean = ReadChunks(plain_file, false, true);
  ASSERT_GE(clean.size(), 3u);
  // Chunks after the first go down the plain road; the reader leaves all but the stretch where
  // the cut is looked for, and the look-ahead, unchecked.
  for (size_t i = 1; i < clean.size(); ++i) EXPECT_TRUE(clean[i].fast);
  const int64_t look_back = kBoundarySearchChars + settings_defaults::kIgnoreTagsSpan + 64;
  struct Mark {
    const char* name;
    std::string bytes;
  };
  const Mark marks[] = {{"letter", "\xC3\xA9"}, {"zero byte", std::string(1, '\0')}, {"code page", "\xE9"}};
  int round = 0;
  for (const Mark& mark : marks) {
    SCOPED_TRACE(mark.name);
    for (const int place : {0, 1, 2, 3, 4}) {
      SCOPED_TRACE(testing::Message() << "place " << place);
      if (mark.bytes[0] == '\xE9' && place != 4) continue;  // the text turns code page once
      if (mark.bytes.size() == 1 && place == 2) continue;     // no byte lies across
      std::string text = plain;
      for (size_t i = 1; i < clean.size(); ++i) {
        const int64_t start = clean[i].seen.start;
        const int64_t unchecked = std::min<int64_t>(kMiB2, static_cast<int64_t>(text.size()) - start) - look_back;
        // After the cut's character; the last byte left unchecked; across its end (a letter) or the
        // first byte checked; in the middle.
        const int64_t at[] = {start + 1, start + unchecked - static_cast<int64_t>(mark.bytes.size()),
                              start + unchecked - 1, start + unchecked, start + unchecked / 2};
        text.replace(static_cast<size_t>(at[place]), mark.bytes.size(), mark.bytes);
      }
      const UString file = tmp_.Write(u"marked" + IntToUStr(round++) + u".txt", text);
      const std::vector<TChunkRecord> fast = ReadChunks(file, false, true);
      ExpectSameChunks(fast, ReadChunks(file, true));
      // Decoded, the chunk is judged from its units: a zero byte is a blank, a letter is one
      // beyond ASCII.
      for (size_t i = 1; i < fast.size(); ++i) {
        EXPECT_TRUE(fast[i].fast);
        EXPECT_EQ(fast[i].beyond_ascii, mark.bytes[0] != '\0');
      }
      EXPECT_EQ(ConcordanceStream({file}, u"river", false), ConcordanceStream({file}, u"river", true));
    }
  }
}

// A text whose chunks are read where the system maps them, shortened while a chunk is being
// read: the reader gives the text up (the lost bytes read as zeros, never as a crash), after
// the chunks it read whole.
TEST_F(FastRoad, ATextShortenedWhileItIsReadIsGivenUp) {
  std::mt19937 rng(2706);
  std::string text;
  while (text.size() < 4400000) text += RandomText(rng, 400, false) + " river.\n";
  const UString file = tmp_.Write(u"shortened.txt", text);
  TTextReadRun run(TakeTextReadSnapshot(nullptr));
  std::unique_ptr<TTextTagHandler> tags = MakeWorkerTagHandler(run.Settings());
  class TShortening : public TCollector {
   public:
    using TCollector::TCollector;
    bool ProcessAChunkOfFile(int32_t i) override {
      if (i == 1) {
        EXPECT_EQ(truncate(Utf16ToUtf8(name).c_str(), ChunkStartInFile() + 1000), 0);
      }
      return TCollector::ProcessAChunkOfFile(i);  // reads the chunk's text and kinds again
    }
    UString name;
  };
  TShortening c(ChosenFile(file), tags.get(), false, nullptr, nullptr, true, &run);
  c.name = file;
  c.fKindsOnDemand = c.fTextOnDemand = true;
  EXPECT_FALSE(ReadThrough(c));
  ASSERT_EQ(c.chunks.size(), 2u);
  EXPECT_EQ(ToUtf8(c.chunks[0].text), text.substr(0, ToUtf8(c.chunks[0].text).size()));
  // The second chunk was mapped: what it lost read as zeros.
  EXPECT_NE(c.chunks[1].text.find(u'\0'), UString::npos);
  EXPECT_TRUE(c.Stream() == nullptr || c.Stream()->fReadFailed);
}

TEST_F(FastRoad, ConcordancesAndWordListsEqualTheFullRoads) {
  std::mt19937 rng(99);
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant ? "apostrophe inside words" : "default settings");
    if (variant == 1) UseApostrophe(false);
    std::vector<UString> files;
    for (int i = 0; i < 6; ++i) {
      const size_t size = i == 5 ? 2300000 : 2000 + rng() % 60000;
      files.push_back(tmp_.Write(u"c" + IntToUStr(variant) + u"_" + IntToUStr(i) + u".txt", RandomText(rng, size, i % 3 == 2)));
    }
    for (UStringView items : {u"the", u"word/river/man", u"old man", u"well-known", u"#", u"riv*", u"U.S.A.", u"don't"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      EXPECT_EQ(ConcordanceStream(files, items, false), ConcordanceStream(files, items, true));
    }
    EXPECT_EQ(WordListOf(files, false), WordListOf(files, true));
  }
}

// Plain texts longer than one stretch of a file mapped at a time (read through several maps, each
// kept over several chunks) among short ones: the fast road on one worker and on eight gives the
// full road's stream, which reads every chunk.
TEST_F(FastRoad, TextsReadThroughSeveralMapsGiveTheSameStreamOnOneWorkerAndOnEight) {
  std::mt19937 rng(2707);
  std::vector<UString> files;
  for (int i = 0; i < 6; ++i) {
    const size_t size = i % 3 == 0 ? size_t(kMapStretchBytes) + 1500000 + rng() % 500000 : 3000 + rng() % 40000;
    files.push_back(tmp_.Write(u"m" + IntToUStr(i) + u".txt", RandomText(rng, size, false)));
  }
  for (UStringView items : {u"river", u"old man"}) {
    SCOPED_TRACE(Utf16ToUtf8(items));
    const std::vector<uint8_t> full = ConcordanceStream(files, items, true);
    EXPECT_EQ(ConcordanceStream(files, items, false, 1), full);
    EXPECT_EQ(ConcordanceStream(files, items, false, 8), full);
  }
}

TEST_F(FastRoad, TaggedConcordancesAndWordListsEqualTheFullRoads) {
  std::mt19937 rng(77);
  std::vector<UString> files;
  for (int i = 0; i < 4; ++i) {
    const size_t size = i == 3 ? 2300000 : 3000 + rng() % 60000;
    files.push_back(tmp_.Write(u"tagged" + IntToUStr(i) + u".txt", TaggedText(rng, size, i == 2)));
  }
  for (UStringView items : {u"the", u"word/river", u"old river", u"well-known", u"#", u"riv*", u"U.S.A."}) {
    SCOPED_TRACE(Utf16ToUtf8(items));
    EXPECT_EQ(ConcordanceStream(files, items, false), ConcordanceStream(files, items, true));
  }
  EXPECT_EQ(WordListOf(files, false), WordListOf(files, true));
}

// The kinds of a chunk's new characters are not cleared first, nor the characters a text's reading
// finds in the buffer: each is written by a road before anything reads it, or on demand. With
// every such kind and character marked with one no step writes, plain, tagged and beyond-ASCII
// texts (UTF-8 and 8-bit, read as bytes) over several chunks, long and short, still give the
// full road's concordance and word list as read without marks, on one worker and on eight.
TEST_F(FastRoad, KindsAndCharactersAreWrittenBeforeAnyStepReadsThem) {
  std::mt19937 rng(2711);
  std::vector<UString> files;
  for (int i = 0; i < 6; ++i) {
    const size_t size = i % 3 == 0 ? 2300000 + rng() % 400000 : 3000 + rng() % 50000;
    std::string text;
    if (i < 2) {
      text = RandomText(rng, size, i == 1);
    } else if (i < 4) {
      text = TaggedText(rng, size, i == 2);
    } else {
      while (text.size() < size) {
        text += RandomText(rng, 1, false);
        // UTF-8, then the default code page's bytes.
        if (rng() % 20 == 0) text += i == 4 ? "caf\xC3\xA9 Stra\xC3\x9F" "e. \xD1\x80\xD0\xB5\xD0\xBA\xD0\xB0 " : "caf\xE9 Stra\xDF" "e. ";
      }
    }
    files.push_back(tmp_.Write(u"unwritten" + IntToUStr(i) + u".txt", text));
  }
  const std::vector<UStringView> searches = {u"the", u"word/river", u"old man", u"caf\u00E9", u"riv*"};
  std::vector<std::vector<uint8_t>> unmarked;
  for (UStringView items : searches) unmarked.push_back(ConcordanceStream(files, items, true));
  const std::string word_list = WordListOf(files, true);
  TMarkUnwritten mark;
  for (size_t k = 0; k < searches.size(); ++k) {
    SCOPED_TRACE(Utf16ToUtf8(searches[k]));
    EXPECT_EQ(ConcordanceStream(files, searches[k], true), unmarked[k]);
    EXPECT_EQ(ConcordanceStream(files, searches[k], false, 1), unmarked[k]);
    EXPECT_EQ(ConcordanceStream(files, searches[k], false, 8), unmarked[k]);
  }
  EXPECT_EQ(WordListOf(files, true), word_list);
  EXPECT_EQ(WordListOf(files, false), word_list);
}

// Plain texts over several chunks, whose new characters are widened after the carried ones and
// whose words the scan counts block by block from the masks: hits at the text's first and last
// word, crowded around every 2 MiB mark (the cuts, carried characters and look-aheads), with
// sentence and paragraph ends among them; and one line of 2.6 MB without a line end, cut at a
// blank. The streams of both roads are equal.
TEST_F(FastRoad, PlainTextsWithHitsAroundEveryCut) {
  std::mt19937 rng(1527);
  std::string crowded = "needle ";
  while (crowded.size() < 4600000) {
    const size_t from_mark = crowded.size() % 2097152;
    const bool near_cut = from_mark < 3000 || from_mark > 2097152 - 3000;
    crowded += RandomText(rng, near_cut ? 20 : 900, false);
    if (near_cut || rng() % 4 == 0) crowded += rng() % 2 ? " needle" : " Needle.";
    if (rng() % 40 == 0) crowded += "\n\n";
  }
  crowded += " needle";
  static const char* kWords[] = {"alpha", "beta", "gamma", "haystacks", "old", "needles", "x"};
  std::string one_line;
  while (one_line.size() < 2600000) {
    one_line += rng() % 300 == 0 ? "needle" : kWords[rng() % std::size(kWords)];
    one_line += ' ';
  }
  const std::vector<UString> files = {tmp_.Write(u"crowded.txt", crowded), tmp_.Write(u"oneline.txt", one_line)};
  ExpectBothRoadsAlike(files, {u"needle", u"needle/haystacks", u"old needle"});
}

// Picked words (the words as long as a searched one) hashed and checked straight from the bytes,
// and the next hit's window fetched while a line is made: texts of several chunks crowded with
// the searched words and their near misses (another case, one letter off, joined by a hyphen or
// apostrophe, inside a longer word, digits), placed around every 2 MiB mark, at the text's first
// and last word, half a line's width either side of a hit (the window's edges), and beside
// letters beyond ASCII (chunks down the full road); searched in either case, by several lengths
// at once, as a phrase and case-sensitive. The streams of both roads are equal.
TEST_F(FastRoad, PickedWordsFromTheBytesEqualTheFullRoads) {
  std::mt19937 rng(2718);
  static const char* kNear[] = {"needle", "Needle", "NEEDLE", "needle", "noodle", "needles", "xneedle", "need1e",
                                "needle-eye", "needle's", "pins", "PINS", "pin", "haystack", "haystacks", "Haystack"};
  auto crowd = [&](bool foreign, size_t size) {
    std::string t = "needle ";
    while (t.size() < size) {
      const size_t from_mark = t.size() % 2097152;
      const bool near_cut = from_mark < 2500 || from_mark > 2097152 - 2500;
      const unsigned shape = rng() % 8;
      if (near_cut || shape < 3) {
        t += kNear[rng() % std::size(kNear)];
      } else if (shape == 3) {
        // Another searched word half a line's width (500 characters) from this one, give or take one.
        t += "needle ";
        const size_t at = t.size() + 493 + rng() % 3;
        while (t.size() < at) t += rng() % 5 == 0 ? ". " : "a ";
        t += kNear[rng() % 4];
      } else if (foreign && shape == 4) {
        t += rng() % 2 ? "caf\xC3\xA9 needle" : "needle na\xC3\xAFve";
      } else {
        t += RandomText(rng, 300, false);
      }
      t += rng() % 9 == 0 ? ".\n" : " ";
    }
    return t + "haystack needle";
  };
  const std::vector<UString> files = {tmp_.Write(u"picks_plain.txt", crowd(false, 4500000)),
                                      tmp_.Write(u"picks_foreign.txt", crowd(true, 2300000)),
                                      tmp_.Write(u"picks_small.txt", crowd(true, 20000))};
  ExpectBothRoadsAlike(files, {u"needle", u"==Needle==", u"needle/pins/haystacks/haystack", u"pins", u"needle pins",
                               u"NEEDLE/pin"});
}

// Lines cut straight into one byte a character from the judged chunks, with their word positions
// read from the chunk's kinds: texts with CR LF line ends, doubled blanks and tabs (blanks the cut
// drops), hits at the text's first and last word, and a long text whose middle holds paragraphs
// beyond Latin-1 (chunks down the full road, lines kept in UTF-16) beside ASCII ones. The streams
// of both roads are equal.
TEST_F(FastRoad, OneByteLinesBesideOthers) {
  std::mt19937 rng(4242);
  std::string crlf = "needle ";
  while (crlf.size() < 300000) {
    crlf += RandomText(rng, 200, false);
    crlf += rng() % 3 == 0 ? "  needle\t\tx" : " needle";
    crlf += rng() % 2 ? "\r\n" : " \r\n\r\n  ";
  }
  crlf += " needle";
  std::string mixed;
  while (mixed.size() < 4500000) {
    const bool foreign = mixed.size() > 1900000 && mixed.size() < 2400000 && rng() % 3 == 0;
    mixed += foreign ? "\xD0\xB8\xD0\xB3\xD0\xBB\xD0\xB0 needle \xCE\xB2\xCE\xB5\xCE\xBB\xCF\x8C\xCE\xBD\xCE\xB7. "
                     : RandomText(rng, 700, false);
    mixed += rng() % 2 ? " needle.\n" : " Needle, ";
  }
  ExpectBothRoadsAlike({tmp_.Write(u"crlf.txt", crlf), tmp_.Write(u"mixed.txt", mixed)},
                       {u"needle", u"needle/x", u"needle x"});
}

TEST_F(FastRoad, WordListsInEveryCase) {
  // Words hashed and compared from their units fold ASCII case by one bit; in Turkish "i" is no
  // such letter, and a case-sensitive list folds nothing: each list equals the full road's.
  std::mt19937 rng(3);
  std::vector<UString> files;
  for (int i = 0; i < 3; ++i)
    files.push_back(tmp_.Write(u"w" + IntToUStr(i) + u".txt", RandomText(rng, 30000 + rng() % 30000, i == 2) + " it IT It iT"));
  struct Case {
    const char* name;
    bool case_sensitive;
    int32_t lcid;
  };
  for (const Case& c : {Case{"English", false, 0x0409}, Case{"case-sensitive", true, 0x0409}, Case{"Turkish", false, 0x041F}}) {
    SCOPED_TRACE(c.name);
    const std::string fast = WordListOf(files, false, c.case_sensitive, c.lcid);
    EXPECT_EQ(fast, WordListOf(files, true, c.case_sensitive, c.lcid));
    EXPECT_NE(fast.find(c.case_sensitive ? "iT/" : "IT/"), std::string::npos);
  }
}

// Word lists count the words of judged chunks from the pass's masks, and read kinds only where a
// word is not counted from its cell (longer than a cell holds): texts over several chunks with
// long words, long hyphenated ones and long numbers among the usual ones equal the full road's.
TEST_F(FastRoad, WordListsWithLongWordsEqualTheFullRoads) {
  std::mt19937 rng(2704);
  static const char* kLong[] = {"antidisestablishmentarianism", "pneumonoultramicroscopic", "well-to-do-and-so-on",
                                "Ph.D.-holders", "1234567890123456789", "x-ray-crystallography's"};
  std::string text;
  while (text.size() < 2400000) {
    text += RandomText(rng, 300, false);
    text += ' ';
    text += kLong[rng() % std::size(kLong)];
    text += rng() % 2 ? ". " : " ";
  }
  const std::vector<UString> files = {tmp_.Write(u"long.txt", text)};
  EXPECT_EQ(WordListOf(files, false), WordListOf(files, true));
  UseApostrophe(true);
  EXPECT_EQ(WordListOf(files, false), WordListOf(files, true));
}

// Mail bodies as real corpora hold them: quoted lines, addresses in angle brackets, mark-up with
// long attributes (tags across blocks of 64 and across cuts), a "<" inside a tag, "&" alone and
// inside words as well as starting entities, letters beyond ASCII, curly quotes, and bytes of an
// 8-bit code page inside UTF-8 text (each a replacement character). `latin1_first`: such a byte
// near the start too, so that the text is read as code-page text throughout.
std::string MailText(std::mt19937& rng, size_t bytes, bool latin1_first) {
  static const char* kPieces[] = {
      "Hi Bob,\n\n", "> Did you see this?\n", ">> quoted again\n", "AT&T", "Q&A", " & ", "R&D's", "&nbsp;",
      "&amp;", "&#39;", "&", "&&", "<john.doe@example.com>", "<http://example.com/a?b=1&c=2>",
      "<a href=\"http://example.com/some/rather/long/path/that/runs/past/one/block/of/sixty-four/units\">here</a>",
      "<p>", "</p>", "<br>", "<td class='x' <b>bold</b>", "a < b and c > d", "<", ">", "--\nSig.\n",
      "caf\xC3\xA9", "na\xC3\xAFve", "\xE2\x80\x9CQuoted\xE2\x80\x9D", "don\xE2\x80\x99t", "\xE2\x80\x94",
      "Jos\xE9", "\xA0", "\xBF", "=20\n", "Mr. Smith", "U.S.", "e.g. this", "3.5%", "1,000", "e-mail",
      "It's", "well-known", "? ", "! ", ". ", "...", ", ", "\n", "\r\n", "\t"};
  static const char* kWords[] = {"the", "of", "and", "however", "river", "mail", "list", "The", "However", "old"};
  std::string s = latin1_first ? "Caf\xE9 " : "";
  while (s.size() < bytes) {
    if (rng() % 4 == 0) s += kPieces[rng() % std::size(kPieces)];
    else s += kWords[rng() % std::size(kWords)];
    if (rng() % 3 != 0) s += ' ';
  }
  return s;
}

// Mail-like texts of one chunk and of several, each chunk holding every kind of character the
// pass stops at, near its start, its cut and its look-ahead: chunks, concordances on one worker
// and on eight, and word lists equal the full road's, with the default settings and with the
// apostrophe inside words.
TEST_F(FastRoad, MailLikeTextsEqualTheFullRoads) {
  std::mt19937 rng(4141);
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant ? "apostrophe inside words" : "default settings");
    if (variant == 1) UseApostrophe(true);
    std::vector<UString> files;
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(testing::Message() << "text " << i);
      const size_t size = i >= 3 ? 2100000 + rng() % 1500000 : 1 + rng() % 50000;
      const UString file =
          tmp_.Write(u"mail" + IntToUStr(variant) + u"_" + IntToUStr(i) + u".txt", MailText(rng, size, i == 4));
      ExpectSameChunks(ReadChunks(file, false), ReadChunks(file, true));
      ExpectSameChunks(ReadChunks(file, false, true), ReadChunks(file, true));
      files.push_back(file);
    }
    for (UStringView items : {u"however", u"the", u"AT&T", u"R&D's", u"caf\u00E9", u"don*", u"e-mail"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      const std::vector<uint8_t> full = ConcordanceStream(files, items, true);
      EXPECT_EQ(ConcordanceStream(files, items, false, 1), full);
      EXPECT_EQ(ConcordanceStream(files, items, false, 8), full);
    }
    EXPECT_EQ(WordListOf(files, false), WordListOf(files, true));
  }
}

TEST_F(FastRoad, SamplesAndAGeneratedCorpus) {
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_GT(chosen.AddedFolderContents(Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/", u"*.txt", false, true), 0);
  std::vector<UString> samples;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) {
    const TChosenFileDetailsFullRec d = chosen.GetFullFileDetails(i);
    if (d.rec.zip_member == 0) samples.push_back(IncludeTrailingPathDelimiter(d.folder) + d.rec.filename);
  }
  EXPECT_EQ(ConcordanceStream(samples, u"river", false), ConcordanceStream(samples, u"river", true));
  EXPECT_EQ(WordListOf(samples, false), WordListOf(samples, true));
  // A slice of the benchmarks' English-like corpus: common words, one sentence in 17 words.
  static const char* kWords[] = {"the", "of", "and", "a", "to", "in", "is", "was", "that", "for", "it", "with",
                                 "as", "his", "on", "be", "at", "by", "had", "not", "are", "but", "from", "or"};
  std::mt19937 rng(5);
  std::string corpus;
  for (size_t n = 1; corpus.size() < 4500000; ++n) {
    corpus += rng() % 1000 == 0 ? "concordance" : kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    corpus += n % 17 == 0 ? ".\n" : " ";
  }
  const std::vector<UString> generated = {tmp_.Write(u"generated.txt", corpus)};
  EXPECT_EQ(ConcordanceStream(generated, u"concordance", false), ConcordanceStream(generated, u"concordance", true));
  EXPECT_EQ(WordListOf(generated, false), WordListOf(generated, true));
}

// "&" starts nothing unless entities are translated: plain texts with ampersands alone, inside
// words and starting entities are judged by the pass, and equal the full road's (chunks,
// concordances on one worker and on eight, word lists); with an entity to translate, the chunks
// holding "&" go down the full road, and still equal it.
TEST_F(FastRoad, AmpersandsLeaveChunksToThePassUnlessEntitiesAreTranslated) {
  std::mt19937 rng(4343);
  static const char* kAmpersands[] = {"AT&T", "R&D's", "&amp;", "fish & chips", "&&", "Q&A.", "&#39;", "&"};
  std::vector<UString> files;
  for (int i = 0; i < 2; ++i) {
    std::string text;
    const size_t size = i == 0 ? 30000 : 2600000;
    while (text.size() < size) {
      text += RandomText(rng, 40 + rng() % 400, false);
      text += ' ';
      text += kAmpersands[rng() % std::size(kAmpersands)];
      text += rng() % 2 ? " " : ".\n";
    }
    files.push_back(tmp_.Write(u"amp" + IntToUStr(i) + u".txt", text));
  }
  for (int translated = 0; translated < 2; ++translated) {
    SCOPED_TRACE(translated ? "an entity translated" : "no entity translated");
    if (translated == 1) read_and_search::UseEntities({u"&amp; &"});
    for (const UString& file : files) {
      const std::vector<TChunkRecord> fast = ReadChunks(file, false);
      ExpectSameChunks(fast, ReadChunks(file, true));
      for (const TChunkRecord& r : fast) EXPECT_EQ(r.fast, translated == 0);
    }
    for (UStringView items : {u"AT&T", u"R&D's", u"fish", u"chips"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      const std::vector<uint8_t> full = ConcordanceStream(files, items, true);
      EXPECT_EQ(ConcordanceStream(files, items, false, 1), full);
      EXPECT_EQ(ConcordanceStream(files, items, false, 8), full);
    }
    EXPECT_EQ(WordListOf(files, false), WordListOf(files, true));
  }
}

// Prose as real mail holds it: mostly ASCII, with letters beyond it in both cases (Latin, Greek,
// Cyrillic), curly quotes and apostrophes, the ellipsis, dashes, no-break and zero-width spaces,
// signs, question and exclamation marks of other scripts, full stops before capitals beyond
// ASCII, characters beyond the basic plane, letters without case, the code 24 alone. About one
// piece in `stop_one_in` (none for 0) is one the pass stops at: a letter without case before a
// full stop, a soft hyphen, the hyphen U+2010, a superscript digit between letters, an
// ideographic full stop, the code 24 after a "<". `tags`: mark-up between words now and then.
std::string ProseBeyondAscii(std::mt19937& rng, size_t bytes, unsigned stop_one_in, bool tags) {
  static const char* kWords[] = {
      "the", "of", "and", "river", "The", "However", "U.S.", "e.g.", "Dr.", "J.", "3.14", "1,000", "well-known",
      "don't", "it's", "x", "12a", "(a)", "pre-", "caf\xC3\xA9", "\xC3\x89ric", "na\xC3\xAFve", "\xC3\x89T\xC3\x89",
      "\xC3\x87" "a", "don\xE2\x80\x99t", "Stra\xC3\x9F" "e", "\xD0\xB6\xD0\xB8\xD0\xB2", "\xD0\x96\xD0\xB8",
      "\xCE\xA9\xCE\xB1", "\xC3\x89.", "\xC3\xA9.", "\xF0\x9F\x98\x80", "\xF0\x9D\x90\x80x", "\xE6\x97\xA5 ",
      "e\xCC\x81t\xC3\xA9"};
  static const char* kAfter[] = {
      " ", " ", " ", " ", ". ", "? ", "! ", "...", ", ", "\n", "\r\n", "\n\n", "\t", "\xE2\x80\xA6 ", "\xE2\x80\xA6",
      ".\xE2\x80\x9D ", "\xE2\x80\x99 ", " \xE2\x80\x9C", " \xE2\x80\x94 ", "\xE2\x80\x93", "\xC2\xA0", ". \xC3\x89",
      ". \xC3\xA9", "\xE2\x80\xBC ", "\xD8\x9F ", " \xC2\xBF", " \xE2\x82\xAC", "-", "'", "\xE2\x80\x8B", ".5",
      "\x18 "};
  static const char* kStops[] = {"\xE6\x97\xA5.", "co\xC2\xAD" "op", "well\xE2\x80\x90known", "x\xC2\xB2y",
                                 "\xE3\x80\x82", "<q \x18"};
  static const char* kTags[] = {"<b>", "</b>", "<w pos=\"NN\">", "</w>", "<p n=\"\xC3\xA9\">", "<br/>"};
  std::string s;
  while (s.size() < bytes) {
    if (stop_one_in > 0 && rng() % stop_one_in == 0) s += kStops[rng() % std::size(kStops)];
    if (tags && rng() % 6 == 0) s += kTags[rng() % std::size(kTags)];
    s += kWords[rng() % std::size(kWords)];
    s += kAfter[rng() % std::size(kAfter)];
  }
  return s;
}

TEST_F(FastRoad, BuffersBeyondAsciiEqualTheTagHandlersSteps) {
  // The full road's steps over one buffer of prose beyond ASCII, in the reader's order, against
  // the pass on every path, kinds written at once or on demand; the carried characters and the
  // look-ahead end anywhere; tags hidden or none, in-word symbols (one beyond ASCII, which stops
  // the pass where it occurs), hyphens that part words, sentence ends marked or not.
  std::mt19937 rng(4545);
  std::vector<TVectorPath> paths = {TVectorPath::Scalar};
  if (BestVectorPath() != TVectorPath::Scalar) paths.push_back(TVectorPath::Sse2);
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  int judged_beyond = 0, stopped = 0;
  for (int round = 0; round < 500; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const bool hide = round % 3 == 0, sentence_ends = round % 5 != 4, hyphens_separate = round % 7 == 3;
    const UString symbols = round % 4 == 1 ? u"'" : round % 4 == 3 ? u"'\u2019" : u"";
    const int32_t span = 64 + static_cast<int32_t>(rng() % 1100);
    const UString text = Utf8ToUtf16(
        ProseBeyondAscii(rng, 1 + rng() % (round % 5 == 0 ? 4000 : 600), round % 2 == 1 ? 80 : 0, hide));
    const int32_t n = static_cast<int32_t>(text.size());
    const int32_t c = static_cast<int32_t>(rng() % std::min<int32_t>(n, 200));
    const int32_t ahead = c + static_cast<int32_t>(rng() % static_cast<uint32_t>(n - c + 1));
    TTextTagHandler tags(0x0409, 1252, TTagReadSettings{});
    auto full_steps = [&](UString& t, std::vector<uint16_t>& k, int32_t from, int32_t to, int32_t read_ahead) {
      ClassifyChars(t.data() + from, static_cast<size_t>(to - from), k.data() + from);
      tags.ReadAheadFrom = read_ahead;
      const int32_t ends = sentence_ends ? tags.AutoMarkSentenceEnds(t.data(), k.data(), to, span, true, from) : 0;
      if (hide) tags.BlankUnwantedTags(u'<', u'>', t.data() + from, k.data() + from, to - from, true, span);
      HandleAllowables(t.data() + from, k.data() + from, static_cast<size_t>(to - from), symbols, false,
                       !symbols.empty(), hyphens_separate);
      tags.BlankOutMidWordPunctuation(t.data() + from, k.data() + from, C1_PUNCT, C1_ALPHA | C1_DIGIT, to - from, true);
      return ends;
    };
    UString full_text = text;
    std::vector<uint16_t> full_kinds(text.size() + 2, 0);
    full_steps(full_text, full_kinds, 0, c, INT32_MAX);
    const UString carried_text = full_text;
    const std::vector<uint16_t> carried_kinds = full_kinds;
    const int32_t full_ends = full_steps(full_text, full_kinds, c, n, ahead);

    TFastPassRules rules;
    rules.usable = true;
    for (char16_t ch : {u'&', char16_t(24), char16_t(25)}) rules.AddStop(ch);
    if (!hide) {
      rules.AddStop(u'<');
      rules.AddStop(u'>');
    }
    for (char16_t ch : symbols) {
      if (ch >= 128) rules.AddStop(ch);
      else rules.symbols[ch] = rules.any_symbols = true;
    }
    rules.symbols_at_end = !symbols.empty();
    rules.hyphens_separate_words = hyphens_separate;
    rules.sentence_ends = sentence_ends;
    rules.blank_mid_word_marks = true;
    rules.hide_tags = hide;
    rules.tag_span = span;
    rules.tag_off_code_text = true;
    if (sentence_ends) AddSentenceMarksBeyondAscii(rules);
    bool beyond = false;
    for (int32_t i = c; i < n; ++i) beyond = beyond || text[static_cast<size_t>(i)] >= 0x80;
    for (TVectorPath path : paths) {
      for (bool on_demand : {false, true}) {
        SCOPED_TRACE(testing::Message() << "path " << int(path) << " on demand " << on_demand);
        UString fast_text = carried_text;
        std::vector<uint16_t> fast_kinds = carried_kinds;
        TFastPassResult found;
        const bool counted = path == TVectorPath::Scalar && !on_demand;  // one count a round
        if (!FastFirstPass(fast_text.data(), fast_kinds.data(), c, n, ahead, rules, path, found, on_demand)) {
          EXPECT_TRUE(fast_text == carried_text);
          stopped += counted ? 1 : 0;
          continue;
        }
        if (on_demand) MakeFastPassKinds(fast_text.data(), fast_kinds.data(), 0, n, rules, path, found);
        judged_beyond += counted && beyond ? 1 : 0;
        EXPECT_EQ(found.all_ascii, !beyond);
        EXPECT_TRUE(fast_text == full_text);
        ASSERT_EQ(fast_kinds, full_kinds);
        EXPECT_EQ(found.sentence_ends, full_ends);
        for (int32_t i = c; i < n; ++i) {
          const size_t p = static_cast<size_t>(i - c);
          ASSERT_EQ((found.word_masks[p / 64] >> (p % 64)) & 1, IsWordKind(full_kinds[static_cast<size_t>(i)]) ? 1u : 0u)
              << i;
        }
      }
    }
  }
  EXPECT_GT(judged_beyond, 200);
  EXPECT_GT(stopped, 40);
}

// Prose beyond ASCII read whole: texts of one chunk and of several, with and without mark-up and
// characters that stop the pass, under the default settings, with apostrophes (the curly one
// too) inside words, and with hyphens parting words: chunks read at once and on demand,
// concordances and word lists (case-sensitive or not) on one worker and on eight equal the full
// road's; most chunks are judged by the pass with their characters beyond ASCII.
TEST_F(FastRoad, ProseBeyondAsciiEqualsTheFullRoads) {
  std::mt19937 rng(4747);
  int beyond = 0, full = 0;
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(testing::Message() << "variant " << variant);
    TTextsett_rec32 t = GetTextSettings();
    Tfixed_lang_details32 l = t.Language();
    if (variant == 1) {
      l.SetExtraSymbols(u"'\u2019");
      l.SetSymbolsAtWordEnd(true);
    }
    if (variant == 2) {
      l.SetExtraSymbols(u"");
      l.SetHyphenBreaksWord(true);
    }
    t.SetLanguage(l);
    SetTextSettings(t);
    std::vector<UString> files;
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(testing::Message() << "text " << i);
      const size_t size = i >= 2 ? 2100000 + rng() % 600000 : 1 + rng() % 30000;
      const UString file = tmp_.Write(u"prose" + IntToUStr(variant) + u"_" + IntToUStr(i) + u".txt",
                                      ProseBeyondAscii(rng, size, i % 2 == 1 ? 20000 : 0, i % 2 == 0));
      const std::vector<TChunkRecord> fast = ReadChunks(file, false);
      ExpectSameChunks(fast, ReadChunks(file, true));
      ExpectSameChunks(ReadChunks(file, false, true), ReadChunks(file, true));
      for (const TChunkRecord& r : fast) {
        beyond += r.beyond_ascii ? 1 : 0;
        full += r.fast ? 0 : 1;
      }
      files.push_back(file);
    }
    for (UStringView items : {u"the", u"caf\u00E9", u"don\u2019t", u"well-known"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      const std::vector<uint8_t> full_stream = ConcordanceStream(files, items, true);
      EXPECT_EQ(ConcordanceStream(files, items, false, 1), full_stream);
      EXPECT_EQ(ConcordanceStream(files, items, false, 8), full_stream);
    }
    // Judged chunks beyond ASCII are counted from the pass's masks, their words beyond ASCII alone.
    for (const bool case_sensitive : {false, true}) {
      SCOPED_TRACE(testing::Message() << "case-sensitive " << case_sensitive);
      const std::string full_list = WordListOf(files, true, case_sensitive);
      EXPECT_EQ(WordListOf(files, false, case_sensitive), full_list);
      EXPECT_EQ(WordListOf(files, false, case_sensitive, 0, 8), full_list);
    }
  }
  EXPECT_GT(beyond, 6);
  EXPECT_GT(full, 0);
}

// UTF-8 prose with a character beyond ASCII now and then, after runs of plain bytes of every
// length, and stretches dense with them: each line of "river" lies at the file byte where the
// word's bytes are (found in the raw bytes), on one worker and on eight, with or without a
// signature, wherever the chunks are cut.
TEST_F(FastRoad, HitsInProseBeyondAsciiLieAtTheirWordsBytes) {
  static const char* kWords[] = {"river", "the", "of", "and", "old", "man", "well-known", "\xC3\xA9t\xC3\xA9",
                                 "\xE2\x80\x99", "\xF0\x9F\x98\x80", "\xE4\xB8\xAD\xE6\x96\x87", "na\xC3\xAFve."};
  std::mt19937 rng(4114);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(testing::Message() << "text " << i);
    std::string text = i % 2 == 0 ? "\xEF\xBB\xBF" : "";
    const size_t size = i >= 2 ? 2 * size_t(kMiB2) + rng() % 500000 : 1 + rng() % 40000;
    while (text.size() < size) {
      const bool dense = rng() % 3000 == 0;
      for (int k = dense ? 20000 : 1; k > 0; --k) {
        const size_t w = rng() % (dense ? std::size(kWords) : rng() % 8 == 0 ? std::size(kWords) : 7);
        text += kWords[w];
        text += rng() % 9 == 0 ? '\n' : ' ';
      }
    }
    std::vector<int64_t> want;
    for (size_t at = text.find("river"); at != std::string::npos; at = text.find("river", at + 1)) want.push_back(int64_t(at));
    ASSERT_FALSE(want.empty());
    const std::vector<UString> files = {tmp_.Write(u"wide" + IntToUStr(i) + u".txt", text)};
    for (int32_t workers : {1, 8}) {
      TRoadDocument doc;
      TConcordanceList list(nullptr, &doc);
      TTextsIntoListChoices choices;
      choices.threads = workers;
      std::vector<TChosenFileDetailsFullRec> texts = {ChosenFile(files[0])};
      RunTextsIntoList(texts, u"river", list, choices);
      std::vector<int64_t> got;
      for (int32_t k = 0; k < list.Count(); ++k) got.push_back(list.Line(k)->Data().byte_position);
      std::sort(got.begin(), got.end());
      EXPECT_EQ(got, want) << workers << " worker(s)";
    }
    EXPECT_EQ(ConcordanceStream(files, u"river", false, 8), ConcordanceStream(files, u"river", false, 1));
  }
}

// UTF-8 texts of several chunks, each piece decoded after the characters carried from the last:
// now and then a letter to compose ("e" and a combining accent), a zero byte, a sequence of four
// bytes, or a byte that is not UTF-8 (that piece is read alone, as U+FFFD); pieces of plain ASCII
// between them. Chunks equal the full road's, composed or not, kinds made at once or on demand;
// so do the concordances on one worker and on eight.
TEST_F(FastRoad, PiecesDecodedAfterTheCarriedCharactersEqualTheFullRoads) {
  // The third stands for the zero byte.
  static const char* kOdd[] = {"e\xCC\x81t\xC3\xA9", "A\xCC\x8A", nullptr,     "\xF0\x9F\x98\x80", "\xC3\xA9",
                               "\xE2\x80\x99s",      "\xFF",      "\xC3(", "\xE2\x80"};
  const std::string zero("x\0y", 3);
  std::mt19937 rng(5151);
  int beyond = 0;
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(testing::Message() << "text " << i);
    // Texts 0-3: well-formed throughout (1 and 3 with a run of plain ASCII over a whole chunk);
    // 4 and 5: a stray byte in some pieces.
    const size_t odd = i < 4 ? 6 : 9;
    std::string text;
    const size_t size = 2 * size_t(kMiB2) + rng() % 2500000;
    while (text.size() < size) {
      const bool plain_stretch = i % 2 == 1 && text.size() > size_t(kMiB2) && text.size() < 2 * size_t(kMiB2) + 200000;
      if (!plain_stretch && rng() % 40 == 0) {
        const size_t k = rng() % odd;
        text += k == 2 ? zero : std::string(kOdd[k]);
      }
      text += RandomText(rng, 1, false);
    }
    const UString file = tmp_.Write(u"after_carried" + IntToUStr(i) + u".txt", text);
    for (const bool precomposed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "precomposed " << precomposed);
      const std::vector<TChunkRecord> full = ReadChunks(file, true, false, precomposed);
      const std::vector<TChunkRecord> fast = ReadChunks(file, false, false, precomposed);
      ExpectSameChunks(fast, full);
      ExpectSameChunks(ReadChunks(file, false, true, precomposed), full);
      for (const TChunkRecord& r : fast) beyond += r.beyond_ascii ? 1 : 0;
    }
    for (UStringView items : {u"river", u"well-known", u"don't"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      const std::vector<uint8_t> full_stream = ConcordanceStream({file}, items, true);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 1), full_stream);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 8), full_stream);
    }
  }
  EXPECT_GT(beyond, 6);
}

// Prose beyond ASCII read for a concordance (text and kinds on demand) is read as one byte a
// character, the units beyond ASCII put in place, and judged from the bytes: its chunks, lines
// and the lines' stream equal the full road's, on one worker and on eight. Words beyond ASCII are
// found (they are hashed from the text, not the bytes); a window of plain ASCII in such a chunk is
// cut from the bytes; hidden tags, some holding characters beyond ASCII, are blanked in the text
// made on demand. A text that turns to Cyrillic goes on decoded to units; pieces to compose,
// with a zero byte or a stray byte, are decoded as before.
TEST_F(FastRoad, ProseBeyondAsciiReadAsBytesEqualsTheFullRoads) {
  static const char* kBeyond[] = {"caf\xC3\xA9", "na\xC3\xAFve", "\xE2\x80\x99s", "\xE2\x80\x9Cquoted\xE2\x80\x9D",
                                  "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9D\x90\x80", "\xC2\xBFqu\xC3\xA9?", "Stra\xC3\x9F" "e",
                                  "\xE2\x80\xA6", "\xC3\x89t\xC3\xA9. The", "<b>caf\xC3\xA9</b>",
                                  "<i \xE2\x80\x9Cx\xE2\x80\x9D>"};
  static const char* kCyrillic = "\xD1\x80\xD0\xB5\xD0\xBA\xD0\xB0 ";  // a word of four letters
  std::mt19937 rng(4701);
  int as_bytes = 0;
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(testing::Message() << "text " << i);
    // 0, 1: prose beyond ASCII throughout (1: seldom, so that many lines of plain ASCII are cut
    // from the bytes of chunks beyond it); 2: its second half Cyrillic; 3: a piece to compose, 4:
    // a zero byte and a stray byte, in the third chunk.
    std::string text;
    const size_t size = 2 * size_t(kMiB2) + 300000 + rng() % 400000;
    while (text.size() < size) {
      if (i == 2 && text.size() > size / 2) text += kCyrillic;
      else if (rng() % (i == 1 ? 400 : 30) == 0) text += kBeyond[rng() % std::size(kBeyond)] + std::string(" ");
      if (text.size() > 2 * size_t(kMiB2) + 100000 && text.size() < 2 * size_t(kMiB2) + 100100) {
        if (i == 3) text += "e\xCC\x81t\xC3\xA9 ";
        if (i == 4) text += std::string("x\0y \xFF ", 6);
      }
      text += RandomText(rng, 1, false);
    }
    const UString file = tmp_.Write(u"as_bytes" + IntToUStr(i) + u".txt", text);
    for (const bool precomposed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "precomposed " << precomposed);
      const std::vector<TChunkRecord> fast = ReadChunks(file, false, true, precomposed);
      ExpectSameChunks(fast, ReadChunks(file, true, false, precomposed));
      // The first chunk is read whole; the second on, but the Cyrillic ones and the piece that
      // needs composing (or holds the bytes that are not UTF-8), as bytes.
      for (size_t c = 1; c < fast.size(); ++c) {
        const bool odd_piece = (i == 4 || (i == 3 && precomposed)) && c == 2;
        if (i < 2 || (i >= 3 && !odd_piece)) {
          EXPECT_TRUE(fast[c].as_bytes) << c;
        }
        if (odd_piece) {
          EXPECT_FALSE(fast[c].as_bytes) << c;
        }
        as_bytes += fast[c].as_bytes ? 1 : 0;
      }
      if (i == 2) {
        EXPECT_FALSE(fast.back().as_bytes);
      }
    }
    for (UStringView items : {u"river", u"caf\u00E9", u"\u4E2D\u6587", u"\u0440\u0435\u043A\u0430"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      if (i != 2 && items[0] == u'\u0440') continue;
      const std::vector<uint8_t> full_stream = ConcordanceStream({file}, items, true);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 1), full_stream);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 8), full_stream);
    }
  }
  EXPECT_GT(as_bytes, 10);
}

// An 8-bit text (Windows-1252, the default code page) read for a concordance is read as its
// bytes where they lie, the units beyond ASCII put in place: its chunks, and the lines' stream on
// one worker and on eight, equal the full road's; a piece with a zero byte is decoded as before.
TEST_F(FastRoad, EightBitTextsReadAsBytesEqualTheFullRoads) {
  static const char* kBeyond[] = {"caf\xE9", "na\xEFve", "\x92s", "\x93quoted\x94", "\x85", "Stra\xDF" "e",
                                  "\x80 5", "\xBFqu\xE9?", "\xC9t\xE9. The", "\x81\x8D"};
  std::mt19937 rng(4702);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(testing::Message() << "text " << i);
    std::string text = "caf\xE9 ";  // not UTF-8 from the first chunk on
    const size_t size = 2 * size_t(kMiB2) + 300000 + rng() % 400000;
    while (text.size() < size) {
      if (rng() % (i == 0 ? 30 : 400) == 0) text += kBeyond[rng() % std::size(kBeyond)] + std::string(" ");
      if (i == 1 && text.size() > 2 * size_t(kMiB2) + 100000 && text.size() < 2 * size_t(kMiB2) + 100100)
        text += std::string("x\0y ", 4);
      text += RandomText(rng, 1, false);
    }
    const UString file = tmp_.Write(u"eight_bit" + IntToUStr(i) + u".txt", text);
    for (const bool precomposed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "precomposed " << precomposed);
      const std::vector<TChunkRecord> fast = ReadChunks(file, false, true, precomposed);
      ExpectSameChunks(fast, ReadChunks(file, true, false, precomposed));
      ASSERT_GE(fast.size(), 3u);
      for (size_t c = 1; c < fast.size(); ++c) EXPECT_EQ(fast[c].as_bytes, i == 0 || c != 2) << c;
    }
    for (UStringView items : {u"river", u"caf\u00E9", u"\u2019s", u"stra\u00DFe"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      const std::vector<uint8_t> full_stream = ConcordanceStream({file}, items, true);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 1), full_stream);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 8), full_stream);
    }
  }
}

// Prose of scripts whose letters lie beyond ASCII on every block: Cyrillic, Greek, Czech, letters
// of a page of their own (Armenian), fullwidth capitals and Hangul (units of 0x8000 and above),
// letters without case (Hebrew), letters beyond the basic plane, and cased letters right before a
// full stop; UTF-8 (read as units, dense) and UTF-16: the chunks with their kinds made on demand,
// and the lines' stream on one worker and on eight, equal the full road's; most chunks are judged.
TEST_F(FastRoad, DenseScriptsBeyondAsciiEqualTheFullRoads) {
  static const char16_t* kWords[] = {u"\u0436\u0438\u0437\u043D\u044C", u"\u0401\u043B\u043A\u0430", u"\u0413\u043E\u0440\u043E\u0434",
                                     u"\u03B1\u03C1\u03C7\u03AE", u"\u03A3\u03BF\u03C6\u03AF\u03B1\u03C2", u"\u010Dlov\u011Bk",
                                     u"\u0158\u00EDjen", u"m\u011Bsto", u"\u0531\u0580\u0561\u0574", u"\uFF21\uFF42\uFF43",
                                     u"\uD55C\uAD6D", u"\u05E9\u05DC\u05D5\u05DD", u"\U0001D400\U0001D41A", u"Stra\u00DFe",
                                     u"\u00D6.", u"\u0416. \u041F\u0435\u0442\u0440\u043E\u0432", u"\u10D0\u10D1"};
  static const char16_t* kPunct[] = {u" ", u" ", u" ", u", ", u". ", u"? ", u"\n", u"\r\n\r\n", u" \u2014 ", u"\u00AB",
                                     u"\u00BB ", u"\u2026 ", u"1. ", u"3,5 "};
  std::mt19937 rng(5201);
  UString text;
  // A letter without case (or beyond the basic plane) before a full stop takes the full road's
  // own step: those are followed by a blank here, so that the chunks go down the fast road.
  while (text.size() < 1300000) {
    const size_t w = rng() % std::size(kWords);
    text += kWords[w];
    text += w >= 10 && w <= 12 ? u" " : kPunct[rng() % std::size(kPunct)];
  }
  std::string utf16 = "\xFF\xFE";
  for (const char16_t u : text) {
    utf16 += static_cast<char>(u & 0xFF);
    utf16 += static_cast<char>(u >> 8);
  }
  const std::vector<UString> files = {tmp_.Write(u"dense8.txt", Utf16ToUtf8(text)), tmp_.Write(u"dense16.txt", utf16)};
  for (const UString& file : files) {
    SCOPED_TRACE(Utf16ToUtf8(file));
    const std::vector<TChunkRecord> fast = ReadChunks(file, false, true);
    ExpectSameChunks(fast, ReadChunks(file, true));
    int judged = 0;
    for (const TChunkRecord& r : fast) judged += r.fast ? 1 : 0;
    EXPECT_GE(judged, static_cast<int>(fast.size()) / 2);
  }
  for (UStringView items : {u"\u0436\u0438\u0437\u043D\u044C", u"\u010Dlov\u011Bk", u"\uFF41\uFF42\uFF43", u"\u00F6"}) {
    SCOPED_TRACE(Utf16ToUtf8(items));
    const std::vector<uint8_t> full_stream = ConcordanceStream(files, items, true);
    EXPECT_EQ(ConcordanceStream(files, items, false, 1), full_stream);
    EXPECT_EQ(ConcordanceStream(files, items, false, 8), full_stream);
  }
}

// A search for a few words passes over words of their lengths whose first letter differs: words
// of those lengths with every first letter (capitals, letters beyond ASCII, the Kelvin sign that
// folds to "k"), the words sought at every offset of the blocks and groups of blocks, give the
// full road's lines, as UTF-8 read as bytes and as plain ASCII.
// Full stops, commas and hyphens beside letters and digits, at every place of a block and across
// the cuts: a stop joins a word only between two digits ("3.5"), and the stops of addresses and
// abbreviations the joins pass over leave the same chunks, words and lines as the full road.
TEST_F(FastRoad, StopsBetweenDigitsAndStopsBetweenLettersEqualTheFullRoads) {
  static const char* kPieces[] = {"3.5",     "e.g.",  "www.example.org", "1.x",   "x.1",    "1,5",   "a-b",
                                  "1-2",     ".5",    "5.",              "U.S.A", "v1.2.3", "a.b-c", "2.-3",
                                  "x--y",    "4..5",  "it.5",            "5.it",  "0.0.0.0", "pi,3",  "-7.25"};
  std::mt19937 rng(5303);
  std::string text;
  while (text.size() < 4500000) {
    const int pad = static_cast<int>(rng() % 70);
    for (int k = 0; k < pad; ++k) text += rng() % 6 == 0 ? ' ' : static_cast<char>(rng() % 3 == 0 ? '0' + rng() % 10 : 'a' + rng() % 26);
    text += ' ';
    text += kPieces[rng() % std::size(kPieces)];
    text += rng() % 11 == 0 ? ". The " : " ";
  }
  const UString file = tmp_.Write(u"stops.txt", text);
  ExpectSameChunks(ReadChunks(file, false), ReadChunks(file, true));
  ExpectSameChunks(ReadChunks(file, false, true), ReadChunks(file, true));
  for (UStringView items : {u"3.5", u"example", u"0.0.0.0", u"a-b"}) {
    SCOPED_TRACE(Utf16ToUtf8(items));
    const std::vector<uint8_t> full_stream = ConcordanceStream({file}, items, true);
    EXPECT_EQ(ConcordanceStream({file}, items, false, 1), full_stream);
  }
}

TEST_F(FastRoad, WordsOfTheSoughtLengthsWithOtherFirstLettersArePassedOver) {
  static const char16_t* kOthers[] = {u"Burger", u"aürger", u"Cürger", u"\u00FCrgerb", u"\u00C4rger",
                                      u"kelvim", u"Kelvi", u"kelvins", u"b\u00FCrge", u"xx"};
  static const char16_t* kSought[] = {u"B\u00FCrger", u"b\u00FCrger", u"B\u00DCRGER", u"\u212Aelvin", u"kelvin",
                                      u"KELVIN"};
  std::mt19937 rng(5202);
  for (const bool ascii : {false, true}) {
    SCOPED_TRACE(testing::Message() << "ascii " << ascii);
    UString text;
    while (text.size() < 2300000) {
      const int gap = static_cast<int>(rng() % 90);
      for (int g = 0; g < gap; ++g) {
        text += kOthers[rng() % std::size(kOthers)];
        text += rng() % 9 == 0 ? u". " : u" ";
      }
      text += ascii ? (rng() % 2 ? u"kelvin" : u"KELVIN") : kSought[rng() % std::size(kSought)];
      text += u" ";
      if (ascii)
        for (char16_t& c : text)
          if (c >= 0x80) c = u'u';
    }
    const UString file = tmp_.Write(ascii ? u"firsts_ascii.txt" : u"firsts.txt", Utf16ToUtf8(text));
    for (UStringView items : {u"b\u00FCrger", u"kelvin", u"b\u00FCrger/kelvin"}) {
      SCOPED_TRACE(Utf16ToUtf8(items));
      if (ascii && items[0] == u'b') continue;
      const std::vector<uint8_t> full_stream = ConcordanceStream({file}, items, true);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 1), full_stream);
      EXPECT_EQ(ConcordanceStream({file}, items, false, 8), full_stream);
    }
  }
}

}  // namespace
