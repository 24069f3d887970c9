// Reading and searching together: the chosen texts go through the text reader, the tag handler
// and the search engine as a concordance run chains them, and every hit must land on the bytes of
// its word in the file, with the right word number and unit numbers, whatever the encoding,
// the mark-up or the chunk boundaries.
#include <gtest/gtest.h>

#include "read_and_search_support.h"
#include "support/scoped_env.h"

using namespace text_reader_test;
using namespace read_and_search;

namespace {

// What a hit must show: its first byte in the file (-1: not checked), word number, sentence,
// position in the sentence, sentence length and paragraph (0: not checked), and its bytes.
struct Want {
  int64_t byte;
  int32_t word = 0, sentence = 0, pos = 0, len = 0, paragraph = 0;
  std::string bytes = {};
};

class ReadAndSearch : public ::testing::Test {
 protected:
  ~ReadAndSearch() override {
    global_panic_state = kPanicNone;
  }
  UString Write(UStringView name, std::string_view bytes) { return tmp_.Write(name, bytes); }

  // Writes one text and searches the typed items in it; the text must be read.
  TRunSeen Search(UStringView file, std::string_view bytes, UStringView items) {
    name_ = Write(file, bytes);
    TRunSeen seen = RunOverFiles({name_}, items);
    EXPECT_EQ(seen.read_ok, std::vector<bool>{true});
    return seen;
  }

  // The hits of one item, in order, against what they must show; `bytes` for hits that name none.
  void ExpectHits(const TRunSeen& seen, int32_t item, const std::vector<Want>& want, std::string_view bytes = {}) {
    const std::vector<THitSeen> hits = seen.OfItem(item);
    ASSERT_EQ(hits.size(), want.size()) << "item " << item;
    for (size_t k = 0; k < want.size(); ++k) {
      SCOPED_TRACE(testing::Message() << "item " << item << ", hit " << k);
      const THitSeen& h = hits[k];
      const Want& w = want[k];
      if (w.byte >= 0) { EXPECT_EQ(h.byte, w.byte); }
      if (w.word) { EXPECT_EQ(h.word_num, w.word); }
      if (w.sentence) { EXPECT_EQ(h.sentence, w.sentence); }
      if (w.pos) { EXPECT_EQ(h.sentence_pos, w.pos); }
      if (w.len) { EXPECT_EQ(h.sentence_len, w.len); }
      if (w.paragraph) { EXPECT_EQ(h.paragraph, w.paragraph); }
      const std::string_view b = w.bytes.empty() ? bytes : std::string_view(w.bytes);
      if (!b.empty()) {
        EXPECT_EQ(h.end_byte - h.byte, static_cast<int64_t>(b.size()));
        EXPECT_EQ(FileBytesAt(name_, h.byte, static_cast<int64_t>(b.size())), b);
      }
    }
  }

  ScopedSettings settings_;
  TempFolder tmp_;
  TempFolder swap_;  // the suite's temporary folder, where the tag lists are handed over
  ScopedHandOverFolder hand_over_{swap_.Path()};
  UString name_;
};

void ChangeSettings(const std::function<void(TTextsett_rec32&, Tfixed_lang_details32&)>& change) {
  TTextsett_rec32 ts = GetTextSettings();
  Tfixed_lang_details32 lang = ts.Language();
  change(ts, lang);
  ts.SetLanguage(lang);
  SetTextSettings(ts);
}

const std::string kCafe = "caf\xC3\xA9", kCafeUp = "Caf\xC3\xA9";

}  // namespace

// Le café est noir. | Un café crème, s il vous plaît! | Ещё кофе? | 咖啡 Café 😀 café.
// Words: Le 1, café 2, est 3, noir 4, Un 5, café 6, crème 7, s 8, il 9, vous 10, plaît 11,
// Ещё 12, кофе 13, 咖啡 14, Café 15, café 16 (the apostrophe and the emoji are not words).
// Sentences: 1-4, 5-11, 12-13, 14-16.
const char16_t kMixed[] =
    u"Le caf\u00E9 est noir. Un caf\u00E9 cr\u00E8me, s'il vous pla\u00EEt! "
    u"\u0415\u0449\u0451 \u043A\u043E\u0444\u0435? \u5496\u5561 Caf\u00E9 \U0001F600 caf\u00E9.\n";

TEST_F(ReadAndSearch, Utf8HitsLieOnTheBytesOfTheirWordsWithOrWithoutSignature) {
  for (int64_t sig : {0, 3}) {
    SCOPED_TRACE(sig);
    const std::string bytes = (sig ? "\xEF\xBB\xBF" : "") + ToUtf8(kMixed);
    ASSERT_EQ(bytes.size(), 96u + sig);
    const TRunSeen seen = Search(u"mixed.txt", bytes, u"caf\u00E9\n\u043A\u043E\u0444\u0435\n\u5496\u5561");
    EXPECT_EQ(seen.handled[0].utf8_signature != 0, sig != 0);
    EXPECT_EQ(seen.words_per_text[0], 16);
    ExpectHits(seen, 0,
               {{sig + 3, 2, 1, 2, 4, 1}, {sig + 22, 6, 2, 2, 7, 1}, {sig + 78, 15, 4, 2, 3, 1, kCafeUp},
                {sig + 89, 16, 4, 3, 3, 1}},
               kCafe);
    ExpectHits(seen, 1, {{sig + 61, 13, 3, 0, 0, 0, "\xD0\xBA\xD0\xBE\xD1\x84\xD0\xB5"}});
    ExpectHits(seen, 2, {{sig + 71, 14, 4, 1, 0, 0, "\xE5\x92\x96\xE5\x95\xA1"}});
    if (!sig) {
      for (const THitSeen& h : seen.OfItem(0))
        EXPECT_FLOAT_EQ(h.percent, static_cast<float>(100.0 * static_cast<double>(h.byte) / 96.0));
    }
    EXPECT_EQ(seen.buffer_ends, (std::vector<std::pair<int32_t, int32_t>>{{0, 0}}));  // one buffer: one call
  }
}

TEST_F(ReadAndSearch, Utf16BothByteOrdersCountTwoBytesACharacterAfterTheMark) {
  // Characters: café at 3, 21, 63 (Café), 71; кофе at 54. The emoji is two units.
  for (bool little : {true, false}) {
    SCOPED_TRACE(little ? "little-endian" : "big-endian");
    const TRunSeen seen = Search(u"u16.txt", Utf16Bytes(kMixed, little, true), u"caf\u00E9\n\u043A\u043E\u0444\u0435");
    EXPECT_TRUE(seen.handled[0].is_unicode);
    EXPECT_EQ(seen.words_per_text[0], 16);
    ExpectHits(seen, 0, {{8}, {44}, {128, 0, 0, 0, 0, 0, Utf16Bytes(u"Caf\u00E9", little, false)}, {144, 16, 4}},
               Utf16Bytes(u"caf\u00E9", little, false));
    ExpectHits(seen, 1, {{110, 13}});
  }
}

TEST_F(ReadAndSearch, CodePageTextIsOneByteACharacter) {
  // Windows-1252: "é" is E9, the curly quotes 93 and 94, the euro sign 80.
  // Words: Le 1, café 2, coûte 3, 3 4 | Un 5, café 6, crème 7.
  const TRunSeen seen = Search(u"cp.txt", "Le caf\xE9 co\xFBte \x80" "3. Un \x93" "caf\xE9\x94 cr\xE8me.\n",
                               u"caf\u00E9\n#\ncr\u00E8me");
  EXPECT_TRUE(seen.handled[0].converted_to_unicode);
  EXPECT_EQ(seen.words_per_text[0], 7);
  ExpectHits(seen, 0, {{3}, {22, 6, 2}}, "caf\xE9");
  ExpectHits(seen, 1, {{15, 4}});
  ExpectHits(seen, 2, {{28}}, "cr\xE8me");
}

TEST_F(ReadAndSearch, CodePageOfTheLanguage) {
  // Russian texts in Windows-1251: "Кофе и чай. Кофе!" one byte a character.
  ChangeSettings([](TTextsett_rec32&, Tfixed_lang_details32& lang) { lang.SetWindowsCodePage(1251); });
  const TRunSeen seen =
      Search(u"ru.txt", "\xCA\xEE\xF4\xE5 \xE8 \xF7\xE0\xE9. \xCA\xEE\xF4\xE5!\n", u"\u043A\u043E\u0444\u0435");
  ExpectHits(seen, 0, {{0}, {12, 4, 2}}, "\xCA\xEE\xF4\xE5");
}

TEST_F(ReadAndSearch, ComposedUtf16HitCoversTheDecomposedBytes) {
  // "cafe" + combining acute, composed on reading: the hit starts at the "c" and ends after the
  // accent.
  ChangeSettings([](TTextsett_rec32& ts, Tfixed_lang_details32&) { ts.SetPrecomposedCharacters(true); });
  const TRunSeen seen =
      Search(u"nfd.txt", Utf16Bytes(u"Le cafe\u0301 noir. Un cafe\u0301.\n", true, true), u"caf\u00E9");
  ExpectHits(seen, 0, {{8}, {38, 5, 2}}, Utf16Bytes(u"cafe\u0301", true, false));
  EXPECT_EQ(seen.hits[0].text, u"caf\u00E9");
}

TEST_F(ReadAndSearch, SymbolsTheLanguageAllowsInsideWords) {
  // The apostrophe belongs to words between letters only; a hyphen between letters joins.
  // Words: Don't 1, stop 2 | It's 3, well-known 4, that 5, dogs 6, tails 7, wag 8.
  ChangeSettings([](TTextsett_rec32&, Tfixed_lang_details32& lang) { lang.SetExtraSymbols(u"'"); });
  const TRunSeen seen = Search(u"apos.txt", "Don't stop. It's well-known that dogs' tails wag.\n",
                               u"don't\nwell-known\ndogs\nknown\nt");
  EXPECT_EQ(seen.words_per_text[0], 8);
  ExpectHits(seen, 0, {{0}}, "Don't");
  ExpectHits(seen, 1, {{17, 4, 2}});
  ExpectHits(seen, 2, {{33, 6}});
  ExpectHits(seen, 3, {});
  ExpectHits(seen, 4, {});
}

TEST_F(ReadAndSearch, HiddenKeptAndExcludedTags) {
  UseTagsToKeep({u"<b>", u"<w *>"});
  UseTagsToExclude({u"<note>*</note>"});
  // Bytes: "wal<x>king" 7-16, "wal<b>king" 28-37, "<note>...</note>" 48-75, "<w NN>cat" 82-90,
  // "<w VB>walking" 92-104.
  const std::string bytes =
      "<p>The wal<x>king man met a wal<b>king dog.</p> <note>The walking cat</note> Then <w NN>cat <w "
      "VB>walking ends.\n";
  ASSERT_EQ(bytes.size(), 112u);
  const TRunSeen seen =
      Search(u"tags.txt", bytes, u"walking\nking\n<w NN>cat\n<w N*>walking\nnote/p/x/b/w/NN/VB\ncat\nwal");
  // Words: The 1, wal 2, king 3, man 4, met 5, a 6, walking 7, dog 8 | Then 9, cat 10,
  // walking 11, ends 12. The hidden tag splits its word, the kept one does not.
  EXPECT_EQ(seen.words_per_text[0], 12);
  ExpectHits(seen, 0, {{28, 7, 1, 0, 8, 0, "wal<b>king"}, {98, 11, 2, 3, 0, 0, "walking"}});
  ExpectHits(seen, 1, {{13, 3}});
  ExpectHits(seen, 2, {{82, 10, 0, 0, 0, 0, "<w NN>cat"}});
  ExpectHits(seen, 3, {});           // after <w VB>, not <w N...>
  ExpectHits(seen, 4, {});           // tags are never words
  ExpectHits(seen, 5, {{88, 10, 2}});  // not the one in the excluded note
  ExpectHits(seen, 6, {{7, 2}});
}

TEST_F(ReadAndSearch, MarkupEntitiesAreDecodedWithTheirBytes) {
  // Numeric entities and &lt; &gt; are decoded by the reader, the user's entity list (&amp;,
  // &eacute;) by the tag handler.
  UseEntities({u"&amp; &", u"&eacute; #233"});
  // Bytes: "<html><p>" 0-8, Fish 9, "&amp;" 14, chips 20, "caf&#233;" 26-34, "&lt;Rouge&gt;" 36-48,
  // Caf&#xE9; 53-61, Noir 63, fish 69, "caf&eacute;s" 74-85, "&eacute;t&eacute;" 87-103.
  const TRunSeen seen = Search(u"page.html",
                               "<html><p>Fish &amp; chips caf&#233; &lt;Rouge&gt; at Caf&#xE9; Noir; fish caf&eacute;s "
                               "&eacute;t&eacute;.</p></html>\n",
                               u"caf\u00E9\nchips\nRouge\ncaf\u00E9s\n\u00E9t\u00E9\nNoir");
  EXPECT_TRUE(seen.handled[0].is_html);
  // Words: Fish 1, chips 2, café 3, Rouge 4, at 5, Café 6, Noir 7, fish 8, cafés 9, été 10.
  EXPECT_EQ(seen.words_per_text[0], 10);
  ExpectHits(seen, 0, {{26, 3, 0, 0, 0, 0, "caf&#233;"}, {53, 6, 0, 0, 0, 0, "Caf&#xE9;"}});
  ExpectHits(seen, 1, {{20, 2}});
  ExpectHits(seen, 2, {{40, 4}}, "Rouge");  // "&lt;" and "&gt;" are the characters, not mark-up
  // An entity of the user's list inside a word leaves the word whole.
  ExpectHits(seen, 3, {{74, 9}}, "caf&eacute;s");
  ExpectHits(seen, 4, {{87, 10}}, "&eacute;t&eacute;");
  ExpectHits(seen, 5, {{63, 7}});
}

TEST_F(ReadAndSearch, SentenceAndParagraphMarkersNumberTheHits) {
  // Paragraph ends marked by "</p>", sentence ends found automatically. Paragraph 1: [Dogs bark]
  // [Cats sleep all day] [Dogs run]; paragraph 2: [Birds sing] [Yes dogs too]; paragraph 3:
  // [Dogs]. Words: Dogs 1, Dogs 7, dogs 12, Dogs 14.
  ChangeSettings([](TTextsett_rec32& ts, Tfixed_lang_details32&) { ts.SetMarkerText(17, u"</p>"); });
  const TRunSeen seen = Search(
      u"units.txt", "<p>Dogs bark. Cats sleep all day. Dogs run!</p>\n<p>Birds sing? Yes, dogs too.</p>\n<p>Dogs</p>\n",
      u"dogs");
  ExpectHits(seen, 0, {{3, 1, 1, 1, 0, 1}, {34, 7, 3, 1, 0, 1}, {68, 12, 5, 2, 3, 2, "dogs"}, {85, 14, 6, 1, 0, 3}},
             "Dogs");
}

TEST_F(ReadAndSearch, WordsOfACutHeaderAreNeverFound) {
  // The header runs to byte 42 (its marker's last character); "cat" at 48 and 70.
  SetEndOfTextHeader(u"</header>");
  const TRunSeen seen = Search(
      u"head.txt", "<header>Title: The cat and the hat</header>\nThe cat sat on the mat. A cat ran.\n", u"cat\ntitle");
  ExpectHits(seen, 0, {{48, 2, 1}, {70, 8, 2}}, "cat");
  ExpectHits(seen, 1, {});
  EXPECT_EQ(seen.words_per_text[0], 9);
  EXPECT_EQ(GetTimesEndOfTextHeaderCut(), 1);
}

TEST_F(ReadAndSearch, BracketsWrittenAsEntitiesAreNeverMarkup) {
  // "&lt;b&gt;" shows the text "<b>": it is neither a kept tag, nor a hidden one, nor a
  // paragraph marker, however the settings name "<b>" and "</p>".
  UseTagsToKeep({u"<b>"});
  ChangeSettings([](TTextsett_rec32& ts, Tfixed_lang_details32&) { ts.SetMarkerText(17, u"</p>"); });
  const TRunSeen seen = Search(
      u"literal.html",
      "<html><p>Use &lt;b&gt;bold&lt;/b&gt; and &lt;/p&gt; here. Then dogs.</p><p>More dogs.</p></html>\n",
      u"dogs\nb\np\nbold");
  // Words: Use 1, b 2, bold 3, b 4, and 5, p 6, here 7 | Then 8, dogs 9 || More 10, dogs 11.
  EXPECT_EQ(seen.words_per_text[0], 11);
  ExpectHits(seen, 0, {{63, 9, 2, 0, 0, 1}, {80, 11, 3, 0, 0, 2}});
  ExpectHits(seen, 1, {{17}, {31, 4}});
  ExpectHits(seen, 2, {{46, 6}});
  ExpectHits(seen, 3, {{22, 3}});
}

TEST_F(ReadAndSearch, ZipMemberHitsLieOnTheMembersBytes) {
  const std::string second = "Une tasse de " + kCafe + ". Le " + kCafe + " noir.\n";  // café at 13 and 23
  const UString archive = tmp_.Path() + u"corpus/texts.zip";
  ForceDirectories(tmp_.Path() + u"corpus");
  ASSERT_TRUE(MakeZip(archive, {{u"a.txt", "nothing here\n"}, {u"in/b.txt", second}}));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_EQ(chosen.AddedFolderContents(tmp_.Path() + u"corpus", u"*.txt", false, true), 2);
  const TRunSeen seen = RunOver(chosen, u"caf\u00E9");
  ASSERT_EQ(seen.read_ok, (std::vector<bool>{true, true}));
  EXPECT_TRUE(seen.handled[1].is_zipped);
  EXPECT_EQ(seen.words_per_text, (std::vector<int32_t>{2, 7}));
  ASSERT_EQ(seen.hits.size(), 2u);
  EXPECT_EQ(seen.hits[0].file, archive + u"/in/b.txt");
  EXPECT_EQ(seen.hits[0].word_num, 4);
  EXPECT_EQ(seen.hits[1].word_num, 6);
  EXPECT_EQ(seen.hits[1].sentence, 2);
  for (const THitSeen& h : seen.hits) {
    EXPECT_EQ(h.end_byte - h.byte, 5);
    EXPECT_EQ(second.substr(static_cast<size_t>(h.byte), 5), kCafe);
  }
  EXPECT_EQ(seen.hits[0].byte, 13);
  EXPECT_EQ(seen.hits[1].byte, 23);
}

TEST_F(ReadAndSearch, TextLeftOutBySelectionGivesNoHitsAndTheRunGoesOn) {
  SetTextSelectAtAll(true);
  TSelectTextFile_RecW r{};
  r.SetText(u"SECRET");
  SetTextSelectAtAllString(13, r);
  const UString a = Write(u"a.txt", "A cat here.\n"), b = Write(u"b.txt", "SECRET: a cat there.\n"),
                c = Write(u"c.txt", "The last cat.\n");
  const TRunSeen seen = RunOverFiles({a, b, c}, u"cat");
  EXPECT_FALSE(seen.handled[0].excluded);
  EXPECT_TRUE(seen.handled[1].excluded);
  EXPECT_EQ(seen.read_ok, (std::vector<bool>{true, true, true}));  // a left-out text is no failure
  ASSERT_EQ(seen.hits.size(), 2u);
  EXPECT_EQ(seen.hits[0].file, a);
  EXPECT_EQ(seen.hits[0].byte, 2);
  EXPECT_EQ(seen.hits[1].file, c);
  EXPECT_EQ(seen.hits[1].byte, 9);
  EXPECT_EQ(seen.hits[1].word_num, 3);
  EXPECT_EQ(seen.hits[1].sentence, 1);  // numbers start again with each text
}

const std::string kLine = "Alpha beta gamma.\n";  // 18 bytes, 3 words, one sentence

TEST_F(ReadAndSearch, WordAcrossTheTwoMiBMarkIsFoundOnceWithItsWordNumber) {
  // 116,508 lines of 18 bytes fill 2,097,144 bytes (the first with a needle at byte 4); then
  // "One needle end.\n" puts "needle" on bytes 2,097,148 to 2,097,153, across the 2 MiB mark.
  const int32_t lines = 116508, more = 20000;
  std::string bytes = "The needle first.\n" + Times(kLine, lines - 1);
  ASSERT_EQ(bytes.size(), 2097144u);
  bytes += "One needle end.\n" + Times(kLine, more) + "Last needle.\n";
  const TRunSeen seen = Search(u"long.txt", bytes, u"needle\nend");
  ExpectHits(seen, 0,
             {{4, 2, 1},
              {2097148, 3 * lines + 2, lines + 1, 2, 3, 0, "needle"},
              {2097144 + 16 + 18 * more + 5, 3 * lines + 3 + 3 * more + 2, lines + 1 + more + 1, 0, 2, 0, "needle"}});
  EXPECT_EQ(seen.OfItem(0)[1].chunk, 1);  // read whole with the second chunk
  ExpectHits(seen, 1, {{2097155, 3 * lines + 3}});
  EXPECT_EQ(seen.words_per_text[0], 3 * lines + 3 + 3 * more + 2);
  EXPECT_EQ(seen.buffer_ends, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {1, 1}}));
  // Sentences ended by the statistics call-back are numbered on across the chunks, each once.
  int32_t last_sentence = 0;
  for (const TSearchStatsRec& e : seen.ends) {
    if (e.unit_length[kUnitSentence] == 0) continue;
    EXPECT_EQ(e.unit_number[kUnitSentence], last_sentence + 1);
    last_sentence = e.unit_number[kUnitSentence];
  }
  EXPECT_EQ(last_sentence, lines + 1 + more + 1);
}

TEST_F(ReadAndSearch, OneLineMarkupIsNotCutInsideATag) {
  // One line of tagged words and no line end: the first chunk is cut at a blank. The last blank
  // before the 2 MiB mark is the one inside "<w VB>" of repetition 72,315 (2,097,152 = 29 x
  // 72,315 + 17): the tag must still be read whole.
  UseTagsToKeep({u"<w *>"});
  const std::string unit = "<w NN>cat</w> <w VB>runs</w> ";
  ASSERT_EQ(unit.size(), 29u);
  const int32_t reps = 80000;
  const TRunSeen seen = Search(u"oneline.xml", Times(unit, reps), u"<w VB>runs\ncat\nw/VB");
  EXPECT_GE(seen.chunks_processed, 2);
  EXPECT_EQ(seen.words_per_text[0], 2 * reps);
  const std::vector<THitSeen> runs = seen.OfItem(0);
  ASSERT_EQ(runs.size(), static_cast<size_t>(reps));
  for (int32_t i = 0; i < reps; ++i) {
    const THitSeen& h = runs[static_cast<size_t>(i)];
    if (h.byte != 29 * int64_t(i) + 14 || h.word_num != 2 * i + 2) {
      ADD_FAILURE() << "repetition " << i << ": byte " << h.byte << ", word " << h.word_num;
      break;
    }
  }
  EXPECT_EQ(seen.OfItem(1).size(), static_cast<size_t>(reps));
  ExpectHits(seen, 2, {});  // no piece of a tag is read as a word
}

TEST_F(ReadAndSearch, ManyBlanksInsideTagsBeforeTheCut) {
  // One line, every tag holding 60 blanks: the 2 MiB mark falls at offset 104 of the 16,009th
  // repetition (2,097,152 = 131 x 16,008 + 104), after 51 blanks of its tag, so the cut looks at
  // more than fifty blanks inside the tag before it finds the one after "</w>". The tags are
  // still read whole, and none of their letters is a word.
  UseTagsToKeep({u"<w *>"});
  std::string unit = "<w";
  for (int k = 0; k < 60; ++k) unit += " a";
  unit += ">cat</w> ";
  ASSERT_EQ(unit.size(), 131u);
  const int32_t reps = 20000;
  std::string text;
  for (int32_t i = 0; i < reps; ++i) text += unit;
  const TRunSeen seen = Search(u"longtags.xml", text, u"cat\na");
  EXPECT_GE(seen.chunks_processed, 2);
  EXPECT_EQ(seen.words_per_text[0], reps);
  const std::vector<THitSeen> cats = seen.OfItem(0);
  ASSERT_EQ(cats.size(), static_cast<size_t>(reps));
  for (int32_t i = 0; i < reps; ++i) {
    const THitSeen& h = cats[static_cast<size_t>(i)];
    if (h.byte != 131 * int64_t(i) + 123 || h.word_num != i + 1) {
      ADD_FAILURE() << "repetition " << i << ": byte " << h.byte << ", word " << h.word_num;
      break;
    }
  }
  ExpectHits(seen, 1, {});
}

TEST_F(ReadAndSearch, TextWithoutBlanksIsCutBetweenWords) {
  // Chinese text on one line, without blanks: "咖啡馆，茶。" is 18 bytes, two words. The 2 MiB
  // mark falls inside the 116,509th "咖啡馆" (2,097,152 = 18 x 116,508 + 8).
  const std::string unit = "\xE5\x92\x96\xE5\x95\xA1\xE9\xA6\x86\xEF\xBC\x8C\xE8\x8C\xB6\xE3\x80\x82";
  ASSERT_EQ(unit.size(), 18u);
  const int32_t reps = 130000;
  const TRunSeen seen = Search(u"zh.txt", Times(unit, reps), u"\u5496\u5561\u9986\n\u5496\n\u5561\u9986");
  EXPECT_GE(seen.chunks_processed, 2);
  EXPECT_EQ(seen.words_per_text[0], 2 * reps);
  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), static_cast<size_t>(reps));
  const THitSeen& across = cafe[116508];
  EXPECT_EQ(across.byte, 2097144);
  EXPECT_EQ(across.end_byte, 2097144 + 9);
  EXPECT_EQ(FileBytesAt(name_, across.byte, 9), unit.substr(0, 9));
  EXPECT_EQ(across.word_num, 2 * 116508 + 1);
  ExpectHits(seen, 1, {});  // no piece of a word is a word
  ExpectHits(seen, 2, {});
}

TEST_F(ReadAndSearch, SentenceEndsAfterACharacterOfNoKind) {
  // An unassigned code point (U+0378) and, in UTF-16, a lone surrogate have no character kind;
  // the sentence ends after them are still found.
  // Words: Alpha 1, one 2 | Beta 3, two 4 | Gamma 5, dogs 6 | Delta 7, dogs 8.
  const UString text = u"Alpha one. Beta \u0378 two. Gamma dogs. Delta dogs.\n";
  UString lone = text;
  lone[16] = 0xD800;
  for (const std::string& bytes : {ToUtf8(text), Utf16Bytes(lone, true, true)}) {
    SCOPED_TRACE(bytes.size());
    ExpectHits(Search(u"nokind.txt", bytes, u"dogs"), 0, {{-1, 6, 3}, {-1, 8, 4, 2}});
  }
}

TEST_F(ReadAndSearch, FullStopAtTheEndOfAChunkLooksIntoTheNext) {
  // The first chunk is cut at the line end after "etc." (byte 2,097,140); the next line goes on in
  // lower case, so "etc." ends no sentence, in one chunk or two.
  const int32_t lines = 116507;
  std::string bytes = Times(kLine, lines) + "Some list etc.\n";
  ASSERT_EQ(bytes.size(), 2097141u);
  const TRunSeen seen = Search(u"etc.txt", bytes + "and needle here. Then needle.\n", u"needle");
  EXPECT_EQ(seen.chunks_processed, 2);
  ExpectHits(seen, 0, {{2097145, 3 * lines + 5, lines + 1, 5, 6}, {-1, 3 * lines + 8, lines + 2}});
}

TEST_F(ReadAndSearch, ExcludedSpanAcrossTheChunkCutStaysExcluded) {
  // A note of several lines runs across the 2 MiB mark (from byte 2,097,072 to 2,097,193); the
  // last line end before the mark (2,097,124) lies inside it. Its words are never found, however
  // the text is cut into chunks.
  UseTagsToExclude({u"<note>*</note>"});
  const int32_t lines = 116504;  // 2,097,072 bytes
  const TRunSeen seen = Search(
      u"note.txt",
      Times(kLine, lines) +
          "<note>Needle one\nneedle two\nneedle three\nneedle four\nneedle five and six and seven\n</note>\n"
          "Last needle.\n",
      u"needle\nseven");
  EXPECT_EQ(seen.chunks_processed, 2);
  ExpectHits(seen, 0, {{-1, 3 * lines + 2, lines + 1, 0, 0, 0, "needle"}});
  ExpectHits(seen, 1, {});
  EXPECT_EQ(seen.words_per_text[0], 3 * lines + 2);
}

TEST_F(ReadAndSearch, ExcludedSpanOpenedFarBeforeTheCutIsExcludedInBothChunks) {
  // The note opens 25,010 bytes before the 2 MiB mark, too far back for the cut to move to it,
  // and closes 19,990 bytes after it: its 6,000 words are hidden in the first chunk and, the
  // span staying open at the cut, in the second.
  UseTagsToExclude({u"<note>*</note>"});
  const int32_t lines = 115119;  // 2,072,142 bytes
  const TRunSeen seen = Search(u"long_note.txt",
                               Times(kLine, lines) + "<note>\n" + Times("needle in note\n", 3000) +
                                   "</note>\nLast needle.\n",
                               u"needle");
  EXPECT_EQ(seen.chunks_processed, 2);
  ExpectHits(seen, 0, {{-1, 3 * lines + 2, lines + 1, 2, 2, 0, "needle"}});
  EXPECT_EQ(seen.words_per_text[0], 3 * lines + 2);
}

// What is judged near a cut is judged as in one chunk: the same tail after fewer lines (the text
// then fits one chunk) gives the same hits, 1,000 lines (3,000 words, 1,000 sentences) earlier.
TEST_F(ReadAndSearch, FullStopsAtTheCutAreJudgedAsInOneChunk) {
  struct Case {
    const char* name;
    const char* before_cut;  // ends the first chunk: the line end after it is the last before 2 MiB
    const char* after_cut;   // runs across the 2 MiB mark
  };
  const Case cases[] = {
      // The full stop before the closing tag sees "the" in the look-ahead: no sentence end.
      {"full stop before a closing tag", "Mr. Smith.</p>\n", "the end needle here and more needle.\n"},
      // The "." after a single capital goes with the next chunk; it looks back at "D".
      {"initial at the cut", "Written by D.\n", "Smith with a needle here and more needle.\n"},
      {"initial and full stop", "Seen by J. D.\n", "Smith. Then a needle here and more needle.\n"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::string head = k.before_cut;
    ASSERT_LT(head.size(), 44u);
    const int32_t lines = static_cast<int32_t>((kTextChunkBytes - 10 - head.size()) / kLine.size());
    const std::string tail = head + k.after_cut;
    ASSERT_GT(lines * kLine.size() + tail.size(), static_cast<size_t>(kTextChunkBytes));
    const TRunSeen cut = Search(u"cut.txt", Times(kLine, lines) + tail, u"needle");
    const TRunSeen one = Search(u"one.txt", Times(kLine, lines - 1000) + tail, u"needle");
    EXPECT_EQ(cut.chunks_processed, 2);
    EXPECT_EQ(one.chunks_processed, 1);
    const std::vector<THitSeen> a = cut.OfItem(0), b = one.OfItem(0);
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    for (size_t h = 0; h < a.size(); ++h) {
      SCOPED_TRACE(testing::Message() << "hit " << h);
      EXPECT_EQ(a[h].chunk, 1);
      EXPECT_EQ(a[h].byte - b[h].byte, 18000);
      EXPECT_EQ(a[h].word_num - b[h].word_num, 3000);
      EXPECT_EQ(a[h].sentence - b[h].sentence, 1000);
      EXPECT_EQ(a[h].sentence_pos, b[h].sentence_pos);
      EXPECT_EQ(a[h].sentence_len, b[h].sentence_len);
    }
    EXPECT_EQ(cut.words_per_text[0] - one.words_per_text[0], 3000);
  }
}

TEST_F(ReadAndSearch, NoHitOrWordComesFromTheLookAhead) {
  // Three chunks, each followed by half a line of what comes next: every word is counted once
  // and every hit is found once, in its own chunk.
  const int32_t lines = 300000;
  const TRunSeen seen = Search(u"many.txt", Times(kLine, lines), u"gamma");
  EXPECT_EQ(seen.chunks_processed, 3);
  EXPECT_EQ(seen.words_per_text[0], 3 * lines);
  const std::vector<THitSeen> hits = seen.OfItem(0);
  ASSERT_EQ(hits.size(), static_cast<size_t>(lines));
  for (size_t h = 0; h < hits.size(); ++h) {
    ASSERT_EQ(hits[h].word_num, static_cast<int32_t>(3 * h + 3)) << h;
    ASSERT_EQ(hits[h].byte, static_cast<int64_t>(18 * h + 11)) << h;
  }
}

TEST_F(ReadAndSearch, SentenceEndBeforeAnExcludedSpanLooksPastIt) {
  // The excluded note is no text: what follows "gamma." after it begins with a capital.
  UseTagsToExclude({u"<note>*</note>"});
  const TRunSeen seen =
      Search(u"before.txt", "Alpha beta gamma. <note>lower case dogs.</note> Next dogs here.\n", u"dogs");
  ExpectHits(seen, 0, {{53, 5, 2, 2, 3}});
}

TEST_F(ReadAndSearch, PrecomposedSettingComposesUtf8AndCodePageTexts) {
  // "café" typed composed finds the decomposed letters of a UTF-8 text and of a Windows-1258
  // text (whose byte EC is the combining acute), on the bytes of the whole word.
  ChangeSettings([](TTextsett_rec32& ts, Tfixed_lang_details32& lang) {
    ts.SetPrecomposedCharacters(true);
    lang.SetWindowsCodePage(1258);
  });
  const TRunSeen utf8 = Search(u"nfd8.txt", "le cafe\xCC\x81 noir", u"caf\u00E9");
  ExpectHits(utf8, 0, {{3, 2, 0, 0, 0, 0, "cafe\xCC\x81"}});
  const TRunSeen cp = Search(u"nfd1258.txt", "le cafe\xEC noir", u"caf\u00E9");
  ExpectHits(cp, 0, {{3, 2, 0, 0, 0, 0, "cafe\xEC"}});
}

// A phrase whose first word ends one chunk and whose last word starts the next is found once, in
// the second chunk, on the bytes and with the word number it has in the file: the reader carries
// the end of one chunk into the next and the engine matches phrases that begin there.
TEST_F(ReadAndSearch, PhraseAcrossAChunkCutIsFoundOnce) {
  struct Case {
    const char* name;
    bool utf16;
    const char16_t *the, *old, *man;
  };
  const Case cases[] = {
      {"Latin UTF-8", false, u"the", u"old", u"man"},
      {"Latin UTF-16", true, u"the", u"old", u"man"},
      {"Cyrillic UTF-8", false, u"\u044D\u0442\u043E\u0442", u"\u0441\u0442\u0430\u0440\u044B\u0439",
       u"\u0447\u0435\u043B\u043E\u0432\u0435\u043A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const UString the(c.the), old(c.old), man(c.man);
    auto encode = [&](UStringView s) { return c.utf16 ? Utf16Bytes(s, true, false) : ToUtf8(s); };
    const UString line = u"Alpha beta gamma.\n";  // 3 words, one sentence
    const std::string mark = c.utf16 ? "\xFF\xFE" : "";
    // Lines up to about 3,000 bytes before the 2 MiB mark, then "the old" ends the last line of
    // the first chunk; "man" opens a long line that runs past the mark without a line end.
    const size_t line_bytes = encode(line).size();
    const size_t lines = (static_cast<size_t>(kMiB2) - 3000) / line_bytes;
    const UString head = the + u" " + old + u"\n";
    const UString tail_unit = man + u" sat by " + the + u" sea and " + the + u" young " + man + u" ran ";
    const UString tail_line = Times16(tail_unit, 200) + u"end.\n";
    std::string bytes = mark + Times(encode(line), lines) + encode(head);
    const int64_t old_byte = static_cast<int64_t>(bytes.size() - encode(old + u"\n").size());
    const int64_t the_byte = static_cast<int64_t>(mark.size() + lines * line_bytes);
    bytes += encode(tail_line);
    ASSERT_GT(bytes.size(), static_cast<size_t>(kMiB2));
    const TRunSeen seen = Search(c.utf16 ? u"cut16.txt" : u"cut8.txt", bytes,
                                 old + u" " + man + u"\n" + the + u" * " + man);
    const std::vector<THitSeen> phrase = seen.OfItem(0);
    ASSERT_EQ(phrase.size(), 1u);
    EXPECT_EQ(phrase[0].chunk, 1);
    EXPECT_EQ(phrase[0].byte, old_byte);
    EXPECT_EQ(phrase[0].word_num, static_cast<int32_t>(3 * lines + 2));
    EXPECT_EQ(phrase[0].text, old + u"\n" + man);
    // "the old man", then "the young man" in each of the 200 units of the long line.
    const std::vector<THitSeen> wild = seen.OfItem(1);
    ASSERT_EQ(wild.size(), 201u);
    EXPECT_EQ(wild[0].byte, the_byte);
    EXPECT_EQ(wild[0].word_num, static_cast<int32_t>(3 * lines + 1));
    for (size_t k = 1; k < wild.size(); ++k) EXPECT_EQ(wild[k].text, the + u" young " + man);
    EXPECT_EQ(seen.words_per_text[0], static_cast<int32_t>(3 * lines + 2 + 200 * 10 + 1));
  }
}

// A stop asked through the run's job token ends the text after the chunk being read; without a
// stop the run reads every chunk. Texts of one zip archive are listed once in a run.
TEST_F(ReadAndSearch, TheRunsJobTokenStopsReadingAndItsArchivesAreListedOnce) {
  const std::string big = Times(kLine, 3 * 116508);  // about three chunks
  const UString name = Write(u"big.txt", big);
  TRunDocument run;
  const TSearchTextOptions options = SearchTextOptionsFromTextSettings(run.Snapshot().text_settings);
  TSearchWordItems items(options);
  items.AddedSearchWords(u"beta");
  TSearchAndDoEngine engine(run.Doc().Unicode(), true, options);
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stopped" : "read whole");
    TJobToken job;
    TTextReadRun reading(run.Snapshot(), nullptr, &job);
    TRunSeen seen;
    TSearchingProcessor p(run.Doc(), ChosenFile(name), engine, items, seen, true, &reading);
    if (stop) job.RequestStop(TStopState::StopNow);
    ASSERT_TRUE(p.SetupTheBuffer());
    p.ReadAndProcess();
    EXPECT_EQ(seen.chunks_processed, stop ? 0 : 3);
    EXPECT_EQ(global_panic_state, kPanicNone);  // the token's stop is the job's own
  }

  const UString archive = tmp_.Path() + u"corpus/texts.zip";
  ForceDirectories(tmp_.Path() + u"corpus");
  ASSERT_TRUE(MakeZip(archive, {{u"a.txt", "a beta\n"}, {u"b.txt", "b beta\n"}, {u"c.txt", "c beta\n"}}));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_EQ(chosen.AddedFolderContents(tmp_.Path() + u"corpus", u"*.txt", false, true), 3);
  TTextReadRun reading(run.Snapshot());
  ASSERT_NE(TZipArchiveCache::Current(), nullptr);
  TRunSeen seen;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) {
    TSearchingProcessor p(run.Doc(), chosen.GetFullFileDetails(i), engine, items, seen, i == 0, &reading);
    EXPECT_TRUE(p.SetupTheBuffer() && p.ReadAndProcess());
  }
  EXPECT_EQ(seen.hits.size(), 3u);
  EXPECT_EQ(TZipArchiveCache::Current()->ArchivesListed(), 1);
}

// "Only parts of texts": a part opened in one chunk and closed in a later one is selected as if
// the text were one chunk; words outside it, before and after, are never found.
TEST_F(ReadAndSearch, APartToReadAcrossChunkCutsSelectsOnlyItsText) {
  SetTextSelectingWithin(true);
  const std::pair<const char16_t*, uint8_t> contexts[] = {{u"<body>", 1}, {u"</body>", 1}};
  for (int i = 0; i < 2; ++i) {
    TSelectWithinContextW r{};
    r.SetText(contexts[i].first);
    r.SetWithinType(contexts[i].second);
    SetTextSelectWithinContext(i + 1, r);
  }
  const int32_t lines = 3 * 116508 / 2;  // about 3 MB inside the part
  const std::string bytes = "HEADWORD <body>\n" + Times(kLine, lines) + "</body> TAILWORD\n";
  const TRunSeen seen = Search(u"parts.txt", bytes, u"headword\ntailword\ngamma");
  EXPECT_TRUE(seen.OfItem(0).empty());
  EXPECT_TRUE(seen.OfItem(1).empty());
  EXPECT_EQ(seen.OfItem(2).size(), static_cast<size_t>(lines));
  EXPECT_GE(seen.chunks_processed, 2);
}
