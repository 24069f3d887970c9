// Reading and searching together: the chosen texts go through the text reader, the tag handler
// and the search engine as a concordance run chains them, and every hit must land on the bytes of
// its word in the file, with the right word number and unit numbers, whatever the encoding,
// the mark-up or the chunk boundaries.
#include <gtest/gtest.h>

#include "read_and_search_support.h"
#include "platform/zip/zip_forge.h"

using namespace filebuf_test;
using namespace read_and_search;

namespace {

class ReadAndSearch : public ::testing::Test {
 protected:
  ReadAndSearch() {
    saved_temp_ = my_temp_path;
    my_temp_path = swap_.Path();
  }
  ~ReadAndSearch() override {
    my_temp_path = saved_temp_;
    global_panic_state = kPanicNone;
    Global_LowestJumpTo = 0;
  }
  UString Write(UStringView name, std::string_view bytes) { return tmp_.Write(name, bytes); }

  ScopedSettings settings_;
  TempFolder tmp_;
  TempFolder swap_;  // the suite's temporary folder, where the tag lists are handed over
  UString saved_temp_;
};

// Each hit's bytes in the file are the word's UTF-8 bytes.
void ExpectHitBytes(const UString& name, const THitSeen& h, std::string_view bytes) {
  EXPECT_EQ(h.end_byte - h.byte, static_cast<int64_t>(bytes.size())) << "hit at " << h.byte;
  EXPECT_EQ(FileBytesAt(name, h.byte, static_cast<int64_t>(bytes.size())), bytes) << "hit at " << h.byte;
}

}  // namespace

// --- encodings -------------------------------------------------------------------------------------

// Le café est noir. | Un café crème, s il vous plaît! | Ещё кофе? | 咖啡 Café 😀 café.
// Words: Le 1, café 2, est 3, noir 4, Un 5, café 6, crème 7, s 8, il 9, vous 10, plaît 11,
// Ещё 12, кофе 13, 咖啡 14, Café 15, café 16 (the apostrophe and the emoji are not words).
// Sentences: 1-4, 5-11, 12-13, 14-16.
const char16_t kMixed[] = u"Le caf\u00E9 est noir. Un caf\u00E9 cr\u00E8me, s'il vous pla\u00EEt! "
                          u"\u0415\u0449\u0451 \u043A\u043E\u0444\u0435? \u5496\u5561 Caf\u00E9 \U0001F600 caf\u00E9.\n";

TEST_F(ReadAndSearch, Utf8HitsLieOnTheBytesOfTheirWords) {
  const std::string bytes = ToUtf8(kMixed);
  ASSERT_EQ(bytes.size(), 96u);
  const UString name = Write(u"mixed.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"caf\u00E9\n\u043A\u043E\u0444\u0435\n\u5496\u5561");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_EQ(seen.words_per_text[0], 16);

  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), 4u);
  const int64_t bytes_at[] = {3, 22, 78, 89};
  const int32_t words[] = {2, 6, 15, 16};
  const int32_t sentences[] = {1, 2, 4, 4};
  const int32_t positions[] = {2, 2, 2, 3};
  const int32_t lengths[] = {4, 7, 3, 3};
  for (size_t k = 0; k < cafe.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(cafe[k].byte, bytes_at[k]);
    ExpectHitBytes(name, cafe[k], k == 2 ? "Caf\xC3\xA9" : "caf\xC3\xA9");
    EXPECT_EQ(cafe[k].word_num, words[k]);
    EXPECT_EQ(cafe[k].sentence, sentences[k]);
    EXPECT_EQ(cafe[k].sentence_pos, positions[k]);
    EXPECT_EQ(cafe[k].sentence_len, lengths[k]);
    EXPECT_EQ(cafe[k].paragraph, 1);
    EXPECT_FLOAT_EQ(cafe[k].percent, static_cast<float>(100.0 * static_cast<double>(bytes_at[k]) / 96.0));
  }
  const std::vector<THitSeen> kofe = seen.OfItem(1);
  ASSERT_EQ(kofe.size(), 1u);
  EXPECT_EQ(kofe[0].byte, 61);
  ExpectHitBytes(name, kofe[0], "\xD0\xBA\xD0\xBE\xD1\x84\xD0\xB5");
  EXPECT_EQ(kofe[0].word_num, 13);
  EXPECT_EQ(kofe[0].sentence, 3);
  const std::vector<THitSeen> cjk = seen.OfItem(2);
  ASSERT_EQ(cjk.size(), 1u);
  EXPECT_EQ(cjk[0].byte, 71);
  ExpectHitBytes(name, cjk[0], "\xE5\x92\x96\xE5\x95\xA1");
  EXPECT_EQ(cjk[0].word_num, 14);
  EXPECT_EQ(cjk[0].sentence, 4);
  EXPECT_EQ(cjk[0].sentence_pos, 1);
  // One buffer: one end-of-buffer call.
  EXPECT_EQ(seen.buffer_ends, (std::vector<std::pair<int32_t, int32_t>>{{0, 0}}));
}

TEST_F(ReadAndSearch, Utf8SignatureCountsInTheBytes) {
  const std::string bytes = "\xEF\xBB\xBF" + ToUtf8(kMixed);
  const UString name = Write(u"sig.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"caf\u00E9");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_TRUE(seen.handled[0].utf8_signature);
  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), 4u);
  EXPECT_EQ(cafe[0].byte, 6);
  EXPECT_EQ(cafe[3].byte, 92);
  for (size_t k = 0; k < cafe.size(); ++k) ExpectHitBytes(name, cafe[k], k == 2 ? "Caf\xC3\xA9" : "caf\xC3\xA9");
  EXPECT_EQ(cafe[3].word_num, 16);
}

TEST_F(ReadAndSearch, Utf16BothByteOrdersCountTwoBytesACharacterAfterTheMark) {
  // Characters: café at 3, 21, 63 (Café), 71; кофе at 54. The emoji is two units.
  for (bool little : {true, false}) {
    SCOPED_TRACE(little ? "little-endian" : "big-endian");
    const std::string bytes = Utf16Bytes(kMixed, little, true);
    const UString name = Write(little ? u"le.txt" : u"be.txt", bytes);
    const TRunSeen seen = RunOverFiles({name}, u"caf\u00E9\n\u043A\u043E\u0444\u0435");
    ASSERT_TRUE(seen.read_ok[0]);
    EXPECT_TRUE(seen.handled[0].is_unicode);
    EXPECT_EQ(seen.words_per_text[0], 16);
    const std::vector<THitSeen> cafe = seen.OfItem(0);
    ASSERT_EQ(cafe.size(), 4u);
    const int64_t bytes_at[] = {8, 44, 128, 144};
    for (size_t k = 0; k < cafe.size(); ++k) {
      EXPECT_EQ(cafe[k].byte, bytes_at[k]) << k;
      ExpectHitBytes(name, cafe[k], Utf16Bytes(k == 2 ? u"Caf\u00E9" : u"caf\u00E9", little, false));
    }
    EXPECT_EQ(cafe[3].word_num, 16);
    EXPECT_EQ(cafe[3].sentence, 4);
    const std::vector<THitSeen> kofe = seen.OfItem(1);
    ASSERT_EQ(kofe.size(), 1u);
    EXPECT_EQ(kofe[0].byte, 110);
    EXPECT_EQ(kofe[0].word_num, 13);
  }
}

TEST_F(ReadAndSearch, CodePageTextIsOneByteACharacter) {
  // Windows-1252: "é" is E9, the curly quotes 93 and 94, the euro sign 80.
  const std::string bytes = "Le caf\xE9 co\xFBte \x80" "3. Un \x93" "caf\xE9\x94 cr\xE8me.\n";
  const UString name = Write(u"cp.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"caf\u00E9\n#\ncr\u00E8me");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_TRUE(seen.handled[0].converted_to_unicode);
  // Words: Le 1, café 2, coûte 3, 3 4 | Un 5, café 6, crème 7.
  EXPECT_EQ(seen.words_per_text[0], 7);
  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), 2u);
  EXPECT_EQ(cafe[0].byte, 3);
  EXPECT_EQ(cafe[1].byte, 22);
  for (const THitSeen& h : cafe) ExpectHitBytes(name, h, "caf\xE9");
  EXPECT_EQ(cafe[1].word_num, 6);
  EXPECT_EQ(cafe[1].sentence, 2);
  const std::vector<THitSeen> number = seen.OfItem(1);
  ASSERT_EQ(number.size(), 1u);
  EXPECT_EQ(number[0].byte, 15);
  EXPECT_EQ(number[0].word_num, 4);
  const std::vector<THitSeen> creme = seen.OfItem(2);
  ASSERT_EQ(creme.size(), 1u);
  EXPECT_EQ(creme[0].byte, 28);
  ExpectHitBytes(name, creme[0], "cr\xE8me");
}

TEST_F(ReadAndSearch, CodePageOfTheLanguage) {
  // Russian texts in Windows-1251: "Кофе и чай. Кофе!" one byte a character.
  TTextsett_rec32 ts = GetTextSettings();
  Tfixed_lang_details32 lang = ts.Language();
  lang.SetWindowsCodePage(1251);
  ts.SetLanguage(lang);
  SetTextSettings(ts);
  const std::string bytes = "\xCA\xEE\xF4\xE5 \xE8 \xF7\xE0\xE9. \xCA\xEE\xF4\xE5!\n";
  const UString name = Write(u"ru.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"\u043A\u043E\u0444\u0435");
  ASSERT_TRUE(seen.read_ok[0]);
  const std::vector<THitSeen> kofe = seen.OfItem(0);
  ASSERT_EQ(kofe.size(), 2u);
  EXPECT_EQ(kofe[0].byte, 0);
  EXPECT_EQ(kofe[1].byte, 12);
  for (const THitSeen& h : kofe) ExpectHitBytes(name, h, "\xCA\xEE\xF4\xE5");
  EXPECT_EQ(kofe[1].word_num, 4);
  EXPECT_EQ(kofe[1].sentence, 2);
}

TEST_F(ReadAndSearch, ComposedUtf16HitCoversTheDecomposedBytes) {
  // "cafe" + combining acute, composed on reading: the hit starts at the "c" and ends after the
  // accent.
  TTextsett_rec32 ts = GetTextSettings();
  ts.SetPrecomposedCharacters(true);
  SetTextSettings(ts);
  const UString text = u"Le cafe\u0301 noir. Un cafe\u0301.\n";
  const UString name = Write(u"nfd.txt", Utf16Bytes(text, true, true));
  const TRunSeen seen = RunOverFiles({name}, u"caf\u00E9");
  ASSERT_TRUE(seen.read_ok[0]);
  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), 2u);
  EXPECT_EQ(cafe[0].byte, 8);
  EXPECT_EQ(cafe[1].byte, 38);
  for (const THitSeen& h : cafe) ExpectHitBytes(name, h, Utf16Bytes(u"cafe\u0301", true, false));
  EXPECT_EQ(cafe[0].text, u"caf\u00E9");
  EXPECT_EQ(cafe[1].word_num, 5);
  EXPECT_EQ(cafe[1].sentence, 2);
}

TEST_F(ReadAndSearch, SymbolsTheLanguageAllowsInsideWords) {
  // The apostrophe belongs to words between letters only; a hyphen between letters joins.
  TTextsett_rec32 ts = GetTextSettings();
  Tfixed_lang_details32 lang = ts.Language();
  lang.SetExtraSymbols(u"'");
  ts.SetLanguage(lang);
  SetTextSettings(ts);
  const std::string bytes = "Don't stop. It's well-known that dogs' tails wag.\n";
  const UString name = Write(u"apos.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"don't\nwell-known\ndogs\nknown\nt");
  ASSERT_TRUE(seen.read_ok[0]);
  // Words: Don't 1, stop 2 | It's 3, well-known 4, that 5, dogs 6, tails 7, wag 8.
  EXPECT_EQ(seen.words_per_text[0], 8);
  ASSERT_EQ(seen.OfItem(0).size(), 1u);
  EXPECT_EQ(seen.OfItem(0)[0].byte, 0);
  ExpectHitBytes(name, seen.OfItem(0)[0], "Don't");
  ASSERT_EQ(seen.OfItem(1).size(), 1u);
  EXPECT_EQ(seen.OfItem(1)[0].byte, 17);
  EXPECT_EQ(seen.OfItem(1)[0].word_num, 4);
  EXPECT_EQ(seen.OfItem(1)[0].sentence, 2);
  ASSERT_EQ(seen.OfItem(2).size(), 1u);
  EXPECT_EQ(seen.OfItem(2)[0].byte, 33);
  EXPECT_EQ(seen.OfItem(2)[0].word_num, 6);
  EXPECT_TRUE(seen.OfItem(3).empty());
  EXPECT_TRUE(seen.OfItem(4).empty());
}

// --- chunks ------------------------------------------------------------------------------------------

TEST_F(ReadAndSearch, WordAcrossTheTwoMiBMarkIsFoundOnceWithItsWordNumber) {
  // 116,508 lines "Alpha beta gamma.\n" (18 bytes, one sentence each) fill 2,097,144 bytes; then
  // "One needle end.\n" puts "needle" on bytes 2,097,148 to 2,097,153, across the 2 MiB mark.
  const std::string line = "Alpha beta gamma.\n";
  const int64_t lines = 116508;
  std::string bytes;
  bytes.reserve(2600000);
  bytes += "The needle first.\n";  // needle at byte 4, word 2, sentence 1
  for (int64_t i = 1; i < lines; ++i) bytes += line;
  ASSERT_EQ(bytes.size(), 2097144u);
  bytes += "One needle end.\n";
  const int64_t more = 20000;
  for (int64_t i = 0; i < more; ++i) bytes += line;
  bytes += "Last needle.\n";
  const UString name = Write(u"long.txt", bytes);

  const TRunSeen seen = RunOverFiles({name}, u"needle\nend");
  ASSERT_TRUE(seen.read_ok[0]);
  const std::vector<THitSeen> needle = seen.OfItem(0);
  ASSERT_EQ(needle.size(), 3u);
  EXPECT_EQ(needle[0].byte, 4);
  EXPECT_EQ(needle[0].word_num, 2);
  EXPECT_EQ(needle[0].sentence, 1);

  EXPECT_EQ(needle[1].chunk, 1);  // read whole with the second chunk
  EXPECT_EQ(needle[1].byte, 2097148);
  ExpectHitBytes(name, needle[1], "needle");
  EXPECT_EQ(needle[1].word_num, 3 * lines + 2);
  EXPECT_EQ(needle[1].sentence, lines + 1);
  EXPECT_EQ(needle[1].sentence_pos, 2);
  EXPECT_EQ(needle[1].sentence_len, 3);

  const int64_t last_at = 2097144 + 16 + 18 * more + 5;
  EXPECT_EQ(needle[2].byte, last_at);
  ExpectHitBytes(name, needle[2], "needle");
  EXPECT_EQ(needle[2].word_num, 3 * lines + 3 + 3 * more + 2);
  EXPECT_EQ(needle[2].sentence, lines + 1 + more + 1);
  EXPECT_EQ(needle[2].sentence_len, 2);

  const std::vector<THitSeen> end = seen.OfItem(1);
  ASSERT_EQ(end.size(), 1u);
  EXPECT_EQ(end[0].byte, 2097155);
  EXPECT_EQ(end[0].word_num, 3 * lines + 3);

  EXPECT_EQ(seen.words_per_text[0], 3 * lines + 3 + 3 * more + 2);
  EXPECT_EQ(seen.buffer_ends, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {1, 1}}));
  // Sentences ended by the statistics call-back are numbered on across the chunks, each once.
  int32_t last_sentence = 0;
  for (const TUnitEndSeen& e : seen.ends) {
    const int32_t s = e.stats.unit_number[kUnitSentence];
    if (e.stats.unit_length[kUnitSentence] == 0) continue;
    EXPECT_EQ(s, last_sentence + 1);
    last_sentence = s;
  }
  EXPECT_EQ(last_sentence, lines + 1 + more + 1);
}

// --- mark-up -------------------------------------------------------------------------------------------

TEST_F(ReadAndSearch, HiddenKeptAndExcludedTags) {
  UseTagsToKeep({u"<b>", u"<w *>"});
  UseTagsToExclude({u"<note>*</note>"});
  // Bytes: "wal<x>king" 7-16, "wal<b>king" 28-37, "<note>...</note>" 48-75, "<w NN>cat" 82-90,
  // "<w VB>walking" 92-104.
  const std::string bytes =
      "<p>The wal<x>king man met a wal<b>king dog.</p> <note>The walking cat</note> Then <w NN>cat <w "
      "VB>walking ends.\n";
  ASSERT_EQ(bytes.size(), 112u);
  const UString name = Write(u"tags.txt", bytes);
  const TRunSeen seen =
      RunOverFiles({name}, u"walking\nking\n<w NN>cat\n<w N*>walking\nnote/p/x/b/w/NN/VB\ncat\nwal");
  ASSERT_TRUE(seen.read_ok[0]);
  // Words: The 1, wal 2, king 3, man 4, met 5, a 6, walking 7, dog 8 | Then 9, cat 10,
  // walking 11, ends 12. The hidden tag splits its word, the kept one does not.
  EXPECT_EQ(seen.words_per_text[0], 12);

  const std::vector<THitSeen> walking = seen.OfItem(0);
  ASSERT_EQ(walking.size(), 2u);
  EXPECT_EQ(walking[0].byte, 28);
  ExpectHitBytes(name, walking[0], "wal<b>king");
  EXPECT_EQ(walking[0].word_num, 7);
  EXPECT_EQ(walking[0].sentence, 1);
  EXPECT_EQ(walking[0].sentence_len, 8);
  EXPECT_EQ(walking[1].byte, 98);
  ExpectHitBytes(name, walking[1], "walking");
  EXPECT_EQ(walking[1].word_num, 11);
  EXPECT_EQ(walking[1].sentence, 2);
  EXPECT_EQ(walking[1].sentence_pos, 3);

  const std::vector<THitSeen> king = seen.OfItem(1);
  ASSERT_EQ(king.size(), 1u);
  EXPECT_EQ(king[0].byte, 13);
  EXPECT_EQ(king[0].word_num, 3);
  const std::vector<THitSeen> wal = seen.OfItem(6);
  ASSERT_EQ(wal.size(), 1u);
  EXPECT_EQ(wal[0].byte, 7);
  EXPECT_EQ(wal[0].word_num, 2);

  const std::vector<THitSeen> tagged = seen.OfItem(2);
  ASSERT_EQ(tagged.size(), 1u);
  EXPECT_EQ(tagged[0].byte, 82);
  ExpectHitBytes(name, tagged[0], "<w NN>cat");
  EXPECT_EQ(tagged[0].word_num, 10);
  EXPECT_TRUE(seen.OfItem(3).empty());  // after <w VB>, not <w N...>
  EXPECT_TRUE(seen.OfItem(4).empty());  // tags are never words

  const std::vector<THitSeen> cat = seen.OfItem(5);
  ASSERT_EQ(cat.size(), 1u);  // not the one in the excluded note
  EXPECT_EQ(cat[0].byte, 88);
  EXPECT_EQ(cat[0].word_num, 10);
  EXPECT_EQ(cat[0].sentence, 2);
}

TEST_F(ReadAndSearch, MarkupEntitiesAreDecodedWithTheirBytes) {
  // A mark-up text: numeric entities and &lt; &gt; are decoded by the reader, the user's entity
  // list (&amp;, &eacute;) by the tag handler.
  SetTagsTranslateWanted(2);
  {
    TTagsToTranslateList l(kLCID_EnglishUS, 1252);
    l.AddFromALine(u"&amp; &");
    l.AddFromALine(u"&eacute; #233");
    ASSERT_EQ(l.Count(), 2);
    ASSERT_TRUE(l.SavedToTempfile());
    SetTagTranslateModified(true);
  }
  // Bytes: "<html><p>" 0-8, Fish 9, "&amp;" 14, chips 20, "caf&#233;" 26-34, "&lt;Rouge&gt;" 36-48,
  // Caf&#xE9; 53-61, Noir 63, fish 69, "caf&eacute;s" 74-85, "&eacute;t&eacute;" 87-103.
  const std::string bytes =
      "<html><p>Fish &amp; chips caf&#233; &lt;Rouge&gt; at Caf&#xE9; Noir; fish caf&eacute;s "
      "&eacute;t&eacute;.</p></html>\n";
  const UString name = Write(u"page.html", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"caf\u00E9\nchips\nRouge\ncaf\u00E9s\n\u00E9t\u00E9\nNoir");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_TRUE(seen.handled[0].is_html);
  // Words: Fish 1, chips 2, café 3, Rouge 4, at 5, Café 6, Noir 7, fish 8, cafés 9, été 10.
  EXPECT_EQ(seen.words_per_text[0], 10);

  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), 2u);
  EXPECT_EQ(cafe[0].byte, 26);
  ExpectHitBytes(name, cafe[0], "caf&#233;");
  EXPECT_EQ(cafe[0].word_num, 3);
  EXPECT_EQ(cafe[1].byte, 53);
  ExpectHitBytes(name, cafe[1], "Caf&#xE9;");
  EXPECT_EQ(cafe[1].word_num, 6);

  const std::vector<THitSeen> chips = seen.OfItem(1);
  ASSERT_EQ(chips.size(), 1u);
  EXPECT_EQ(chips[0].byte, 20);
  EXPECT_EQ(chips[0].word_num, 2);

  // "&lt;" and "&gt;" are the characters, not mark-up.
  const std::vector<THitSeen> rouge = seen.OfItem(2);
  ASSERT_EQ(rouge.size(), 1u);
  EXPECT_EQ(rouge[0].byte, 40);
  ExpectHitBytes(name, rouge[0], "Rouge");
  EXPECT_EQ(rouge[0].word_num, 4);

  // An entity of the user's list inside a word leaves the word whole.
  const std::vector<THitSeen> cafes = seen.OfItem(3);
  ASSERT_EQ(cafes.size(), 1u);
  EXPECT_EQ(cafes[0].byte, 74);
  ExpectHitBytes(name, cafes[0], "caf&eacute;s");
  EXPECT_EQ(cafes[0].word_num, 9);
  const std::vector<THitSeen> ete = seen.OfItem(4);
  ASSERT_EQ(ete.size(), 1u);
  EXPECT_EQ(ete[0].byte, 87);
  ExpectHitBytes(name, ete[0], "&eacute;t&eacute;");
  EXPECT_EQ(ete[0].word_num, 10);

  const std::vector<THitSeen> noir = seen.OfItem(5);
  ASSERT_EQ(noir.size(), 1u);
  EXPECT_EQ(noir[0].byte, 63);
  EXPECT_EQ(noir[0].word_num, 7);
}

TEST_F(ReadAndSearch, SentenceAndParagraphMarkersNumberTheHits) {
  // Paragraph ends marked by "</p>", sentence ends found automatically.
  TTextsett_rec32 ts = GetTextSettings();
  ts.SetMarkerText(17, u"</p>");
  SetTextSettings(ts);
  const std::string bytes =
      "<p>Dogs bark. Cats sleep all day. Dogs run!</p>\n<p>Birds sing? Yes, dogs too.</p>\n<p>Dogs</p>\n";
  const UString name = Write(u"units.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"dogs");
  ASSERT_TRUE(seen.read_ok[0]);
  // Paragraph 1: [Dogs bark] [Cats sleep all day] [Dogs run]; paragraph 2: [Birds sing] [Yes dogs
  // too]; paragraph 3: [Dogs]. Words: Dogs 1, Dogs 7, dogs 12, Dogs 14.
  const std::vector<THitSeen> dogs = seen.OfItem(0);
  ASSERT_EQ(dogs.size(), 4u);
  const int64_t bytes_at[] = {3, 34, 68, 85};
  const int32_t words[] = {1, 7, 12, 14};
  const int32_t sentences[] = {1, 3, 5, 6};
  const int32_t sentence_pos[] = {1, 1, 2, 1};
  const int32_t paragraphs[] = {1, 1, 2, 3};
  for (size_t k = 0; k < dogs.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(dogs[k].byte, bytes_at[k]);
    ExpectHitBytes(name, dogs[k], k == 2 ? "dogs" : "Dogs");
    EXPECT_EQ(dogs[k].word_num, words[k]);
    EXPECT_EQ(dogs[k].sentence, sentences[k]);
    EXPECT_EQ(dogs[k].sentence_pos, sentence_pos[k]);
    EXPECT_EQ(dogs[k].paragraph, paragraphs[k]);
  }
  EXPECT_EQ(dogs[2].sentence_len, 3);
}

TEST_F(ReadAndSearch, WordsOfACutHeaderAreNeverFound) {
  SetEndOfTextHeader(u"</header>");
  // The header runs to byte 42 (its marker's last character); "cat" at 48 and 70.
  const std::string bytes = "<header>Title: The cat and the hat</header>\nThe cat sat on the mat. A cat ran.\n";
  const UString name = Write(u"head.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"cat\ntitle");
  ASSERT_TRUE(seen.read_ok[0]);
  const std::vector<THitSeen> cat = seen.OfItem(0);
  ASSERT_EQ(cat.size(), 2u);
  EXPECT_EQ(cat[0].byte, 48);
  EXPECT_EQ(cat[0].word_num, 2);
  EXPECT_EQ(cat[0].sentence, 1);
  EXPECT_EQ(cat[1].byte, 70);
  EXPECT_EQ(cat[1].word_num, 8);
  EXPECT_EQ(cat[1].sentence, 2);
  for (const THitSeen& h : cat) ExpectHitBytes(name, h, "cat");
  EXPECT_TRUE(seen.OfItem(1).empty());
  EXPECT_EQ(seen.words_per_text[0], 9);
  EXPECT_EQ(GetTimesEndOfTextHeaderCut(), 1);
}

// --- the chosen texts ------------------------------------------------------------------------------------

TEST_F(ReadAndSearch, ZipMemberHitsLieOnTheMembersBytes) {
  const std::string first = "nothing here\n";
  const std::string second = "Une tasse de caf\xC3\xA9. Le caf\xC3\xA9 noir.\n";  // café at 13 and 23
  const UString archive = tmp_.Path() + u"corpus/texts.zip";
  ForceDirectories(tmp_.Path() + u"corpus");
  {
    TZipForge z;
    z.SetFileName(archive);
    ASSERT_TRUE(z.OpenArchive(TZipOpenMode::ReadWrite));
    TMemoryStream a(std::vector<uint8_t>(first.begin(), first.end()));
    ASSERT_TRUE(z.AddFromStream(u"a.txt", a));
    TMemoryStream b(std::vector<uint8_t>(second.begin(), second.end()));
    ASSERT_TRUE(z.AddFromStream(u"in/b.txt", b));
    ASSERT_TRUE(z.CloseArchive());
  }
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_EQ(chosen.AddedFolderContents(tmp_.Path() + u"corpus", u"*.txt", false, true), 2);
  const TRunSeen seen = RunOver(chosen, u"caf\u00E9");
  ASSERT_EQ(seen.read_ok, (std::vector<bool>{true, true}));
  EXPECT_TRUE(seen.handled[1].is_zipped);
  EXPECT_EQ(seen.words_per_text, (std::vector<int32_t>{2, 7}));
  ASSERT_EQ(seen.hits.size(), 2u);
  EXPECT_EQ(seen.hits[0].file, archive + u"/in/b.txt");
  EXPECT_EQ(seen.hits[0].byte, 13);
  EXPECT_EQ(seen.hits[0].word_num, 4);
  EXPECT_EQ(seen.hits[1].byte, 23);
  EXPECT_EQ(seen.hits[1].word_num, 6);
  EXPECT_EQ(seen.hits[1].sentence, 2);
  for (const THitSeen& h : seen.hits) {
    EXPECT_EQ(h.end_byte - h.byte, 5);
    EXPECT_EQ(second.substr(static_cast<size_t>(h.byte), 5), "caf\xC3\xA9");
  }
}

TEST_F(ReadAndSearch, TextLeftOutBySelectionGivesNoHitsAndTheRunGoesOn) {
  SetTextSelectAtAll(true);
  TSelectTextFile_RecW r{};
  r.SetText(u"SECRET");
  SetTextSelectAtAllString(13, r);
  const UString a = Write(u"a.txt", "A cat here.\n");
  const UString b = Write(u"b.txt", "SECRET: a cat there.\n");
  const UString c = Write(u"c.txt", "The last cat.\n");
  const TRunSeen seen = RunOverFiles({a, b, c}, u"cat");
  EXPECT_TRUE(seen.handled[1].excluded);
  EXPECT_FALSE(seen.handled[0].excluded);
  // The left-out text is no failure: the run reads the next one.
  EXPECT_EQ(seen.read_ok, (std::vector<bool>{true, true, true}));
  ASSERT_EQ(seen.hits.size(), 2u);
  EXPECT_EQ(seen.hits[0].file, a);
  EXPECT_EQ(seen.hits[0].byte, 2);
  EXPECT_EQ(seen.hits[1].file, c);
  EXPECT_EQ(seen.hits[1].byte, 9);
  EXPECT_EQ(seen.hits[1].word_num, 3);
  EXPECT_EQ(seen.hits[1].sentence, 1);  // numbers start again with each text
}

// --- chunk boundaries in harder texts ----------------------------------------------------------------------

TEST_F(ReadAndSearch, OneLineMarkupIsNotCutInsideATag) {
  // One line of tagged words and no line end: the first chunk is cut at a blank. The last blank
  // before the 2 MiB mark is the one inside "<w VB>" of repetition 72,315 (2,097,152 = 29 x
  // 72,315 + 17): the tag must still be read whole.
  UseTagsToKeep({u"<w *>"});
  const std::string unit = "<w NN>cat</w> <w VB>runs</w> ";
  ASSERT_EQ(unit.size(), 29u);
  const int32_t reps = 80000;
  std::string bytes;
  bytes.reserve(unit.size() * reps);
  for (int32_t i = 0; i < reps; ++i) bytes += unit;
  const UString name = Write(u"oneline.xml", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"<w VB>runs\ncat\nw/VB");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_GE(seen.chunks_processed, 2);
  EXPECT_EQ(seen.words_per_text[0], 2 * reps);
  const std::vector<THitSeen> runs = seen.OfItem(0);
  ASSERT_EQ(runs.size(), static_cast<size_t>(reps));
  for (int32_t i = 0; i < reps; ++i) {
    if (runs[static_cast<size_t>(i)].byte != 29 * int64_t(i) + 14 || runs[static_cast<size_t>(i)].word_num != 2 * i + 2) {
      ADD_FAILURE() << "repetition " << i << ": byte " << runs[static_cast<size_t>(i)].byte << ", word "
                    << runs[static_cast<size_t>(i)].word_num;
      break;
    }
  }
  EXPECT_EQ(seen.OfItem(1).size(), static_cast<size_t>(reps));
  EXPECT_TRUE(seen.OfItem(2).empty());  // no piece of a tag is read as a word
}

TEST_F(ReadAndSearch, TextWithoutBlanksIsCutBetweenWords) {
  // Chinese text on one line, without blanks: "咖啡馆，茶。" is 18 bytes, two words. The 2 MiB
  // mark falls inside the 116,509th "咖啡馆" (2,097,152 = 18 x 116,508 + 8).
  const std::string unit = "\xE5\x92\x96\xE5\x95\xA1\xE9\xA6\x86\xEF\xBC\x8C\xE8\x8C\xB6\xE3\x80\x82";
  ASSERT_EQ(unit.size(), 18u);
  const int32_t reps = 130000;
  std::string bytes;
  bytes.reserve(unit.size() * reps);
  for (int32_t i = 0; i < reps; ++i) bytes += unit;
  const UString name = Write(u"zh.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"\u5496\u5561\u9986\n\u5496\n\u5561\u9986");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_GE(seen.chunks_processed, 2);
  EXPECT_EQ(seen.words_per_text[0], 2 * reps);
  const std::vector<THitSeen> cafe = seen.OfItem(0);
  ASSERT_EQ(cafe.size(), static_cast<size_t>(reps));
  const THitSeen& across = cafe[116508];
  EXPECT_EQ(across.byte, 2097144);
  ExpectHitBytes(name, across, unit.substr(0, 9));
  EXPECT_EQ(across.word_num, 2 * 116508 + 1);
  EXPECT_TRUE(seen.OfItem(1).empty());  // no piece of a word is a word
  EXPECT_TRUE(seen.OfItem(2).empty());
}

TEST_F(ReadAndSearch, SentenceEndsAfterACharacterOfNoKind) {
  // An unassigned code point (U+0378) and, in UTF-16, a lone surrogate have no character kind;
  // the sentence ends after them are still found.
  // Words: Alpha 1, one 2 | Beta 3, two 4 | Gamma 5, dogs 6 | Delta 7, dogs 8.
  const UString text = u"Alpha one. Beta \u0378 two. Gamma dogs. Delta dogs.\n";
  UString lone = text;
  lone[16] = 0xD800;
  const UString utf8 = Write(u"unassigned.txt", ToUtf8(text));
  const UString utf16 = Write(u"lone.txt", Utf16Bytes(lone, true, true));
  for (const UString& name : {utf8, utf16}) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    const TRunSeen seen = RunOverFiles({name}, u"dogs");
    ASSERT_TRUE(seen.read_ok[0]);
    const std::vector<THitSeen> dogs = seen.OfItem(0);
    ASSERT_EQ(dogs.size(), 2u);
    EXPECT_EQ(dogs[0].word_num, 6);
    EXPECT_EQ(dogs[0].sentence, 3);
    EXPECT_EQ(dogs[1].word_num, 8);
    EXPECT_EQ(dogs[1].sentence, 4);
    EXPECT_EQ(dogs[1].sentence_pos, 2);
  }
}

TEST_F(ReadAndSearch, FullStopAtTheEndOfAChunkLooksIntoTheNext) {
  // The first chunk is cut at the line end after "etc." (byte 2,097,140); the next line goes on in
  // lower case, so "etc." ends no sentence, in one chunk or two.
  const std::string line = "Alpha beta gamma.\n";
  const int64_t lines = 116507;
  std::string bytes;
  for (int64_t i = 0; i < lines; ++i) bytes += line;
  bytes += "Some list etc.\n";
  ASSERT_EQ(bytes.size(), 2097141u);
  bytes += "and needle here. Then needle.\n";
  const UString name = Write(u"etc.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"needle");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_EQ(seen.chunks_processed, 2);
  const std::vector<THitSeen> needle = seen.OfItem(0);
  ASSERT_EQ(needle.size(), 2u);
  EXPECT_EQ(needle[0].byte, 2097145);
  EXPECT_EQ(needle[0].word_num, 3 * lines + 5);
  EXPECT_EQ(needle[0].sentence, lines + 1);
  EXPECT_EQ(needle[0].sentence_pos, 5);
  EXPECT_EQ(needle[0].sentence_len, 6);
  EXPECT_EQ(needle[1].word_num, 3 * lines + 8);
  EXPECT_EQ(needle[1].sentence, lines + 2);
}

TEST_F(ReadAndSearch, ExcludedSpanAcrossTheChunkCutStaysExcluded) {
  // A note of several lines runs across the 2 MiB mark (from byte 2,097,072 to 2,097,193); the
  // last line end before the mark (2,097,124) lies inside it. Its words are never found, however
  // the text is cut into chunks.
  UseTagsToExclude({u"<note>*</note>"});
  const std::string line = "Alpha beta gamma.\n";
  const int64_t lines = 116504;  // 2,097,072 bytes
  std::string bytes;
  for (int64_t i = 0; i < lines; ++i) bytes += line;
  bytes += "<note>Needle one\nneedle two\nneedle three\nneedle four\nneedle five and six and seven\n</note>\n";
  bytes += "Last needle.\n";
  const UString name = Write(u"note.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"needle\nseven");
  ASSERT_TRUE(seen.read_ok[0]);
  EXPECT_EQ(seen.chunks_processed, 2);
  const std::vector<THitSeen> needle = seen.OfItem(0);
  ASSERT_EQ(needle.size(), 1u);
  EXPECT_EQ(needle[0].word_num, 3 * lines + 2);
  EXPECT_EQ(needle[0].sentence, lines + 1);
  ExpectHitBytes(name, needle[0], "needle");
  EXPECT_TRUE(seen.OfItem(1).empty());
  EXPECT_EQ(seen.words_per_text[0], 3 * lines + 2);
}

TEST_F(ReadAndSearch, SentenceEndBeforeAnExcludedSpanLooksPastIt) {
  // The excluded note is no text: what follows "gamma." after it begins with a capital.
  UseTagsToExclude({u"<note>*</note>"});
  const std::string bytes = "Alpha beta gamma. <note>lower case dogs.</note> Next dogs here.\n";
  const UString name = Write(u"before.txt", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"dogs");
  ASSERT_TRUE(seen.read_ok[0]);
  const std::vector<THitSeen> dogs = seen.OfItem(0);
  ASSERT_EQ(dogs.size(), 1u);
  EXPECT_EQ(dogs[0].byte, 53);
  EXPECT_EQ(dogs[0].word_num, 5);
  EXPECT_EQ(dogs[0].sentence, 2);
  EXPECT_EQ(dogs[0].sentence_pos, 2);
  EXPECT_EQ(dogs[0].sentence_len, 3);
}

TEST_F(ReadAndSearch, BracketsWrittenAsEntitiesAreNeverMarkup) {
  // "&lt;b&gt;" shows the text "<b>": it is neither a kept tag, nor a hidden one, nor a
  // paragraph marker, however the settings name "<b>" and "</p>".
  UseTagsToKeep({u"<b>"});
  TTextsett_rec32 ts = GetTextSettings();
  ts.SetMarkerText(17, u"</p>");
  SetTextSettings(ts);
  const std::string bytes =
      "<html><p>Use &lt;b&gt;bold&lt;/b&gt; and &lt;/p&gt; here. Then dogs.</p><p>More dogs.</p></html>\n";
  const UString name = Write(u"literal.html", bytes);
  const TRunSeen seen = RunOverFiles({name}, u"dogs\nb\np\nbold");
  ASSERT_TRUE(seen.read_ok[0]);
  // Words: Use 1, b 2, bold 3, b 4, and 5, p 6, here 7 | Then 8, dogs 9 || More 10, dogs 11.
  EXPECT_EQ(seen.words_per_text[0], 11);
  const std::vector<THitSeen> dogs = seen.OfItem(0);
  ASSERT_EQ(dogs.size(), 2u);
  EXPECT_EQ(dogs[0].byte, 63);
  EXPECT_EQ(dogs[0].word_num, 9);
  EXPECT_EQ(dogs[0].sentence, 2);
  EXPECT_EQ(dogs[0].paragraph, 1);
  EXPECT_EQ(dogs[1].byte, 80);
  EXPECT_EQ(dogs[1].word_num, 11);
  EXPECT_EQ(dogs[1].sentence, 3);
  EXPECT_EQ(dogs[1].paragraph, 2);
  const std::vector<THitSeen> b = seen.OfItem(1);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].byte, 17);
  EXPECT_EQ(b[1].byte, 31);
  EXPECT_EQ(b[1].word_num, 4);
  const std::vector<THitSeen> p = seen.OfItem(2);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].byte, 46);
  EXPECT_EQ(p[0].word_num, 6);
  const std::vector<THitSeen> bold = seen.OfItem(3);
  ASSERT_EQ(bold.size(), 1u);
  EXPECT_EQ(bold[0].byte, 22);
  EXPECT_EQ(bold[0].word_num, 3);
}
