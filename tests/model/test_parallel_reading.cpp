// Eight texts read on eight threads, each thread with its own reader, tag handler, document and
// search engine, must give exactly the hits of one thread reading them one after another: same
// text, item, chunk, bytes, word number, sentence and paragraph numbers. Built with
// ThreadSanitizer (scripts/sanitize), the same test shows any state the threads share unguarded.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "read_and_search_support.h"
#include "support/scoped_env.h"

using namespace text_reader_test;
using namespace read_and_search;

namespace {

// What a hit shows, as one comparable value.
auto Key(const THitSeen& h) {
  return std::tie(h.file, h.item, h.chunk, h.byte, h.end_byte, h.word_num, h.sentence, h.paragraph, h.sentence_pos,
                  h.sentence_len, h.text);
}

std::string Describe(const THitSeen& h) {
  return Utf16ToUtf8(ExtractFileName(h.file)) + " item " + std::to_string(h.item) + " chunk " +
         std::to_string(h.chunk) + " bytes " + std::to_string(h.byte) + "-" + std::to_string(h.end_byte) + " word " +
         std::to_string(h.word_num) + " sentence " + std::to_string(h.sentence) + "/" +
         std::to_string(h.sentence_pos) + "/" + std::to_string(h.sentence_len) + " paragraph " +
         std::to_string(h.paragraph) + " '" + Utf16ToUtf8(h.text) + "'";
}

// The typed items: words, a wildcard, a phrase.
const char16_t kItems[] = u"caf\u00E9\nold man\nthe\n\u043A\u043E\u0444\u0435\ndog*";

// The sentences every text is made of, in its own encoding.
const char16_t kStory[] =
    u"The old man drank his caf\u00E9. The dog slept by the door!\n"
    u"\u0415\u0449\u0451 \u043A\u043E\u0444\u0435? An old man, a dogged dog and the sea.\n";

class ParallelReading : public ::testing::Test {
 protected:
  ~ParallelReading() override {
    global_panic_state = kPanicNone;
  }

  // Eight texts of mixed encodings and mark-up; returns their full names.
  std::vector<UString> WriteTexts() {
    const std::string story8 = ToUtf8(kStory);
    std::vector<UString> names;
    names.push_back(tmp_.Write(u"plain.txt", Times(story8, 40)));
    names.push_back(tmp_.Write(u"signed.txt", "\xEF\xBB\xBF" + Times(story8, 25)));
    names.push_back(tmp_.Write(u"utf16le.txt", Utf16Bytes(UString(kStory) + kStory + kStory, true, true)));
    names.push_back(tmp_.Write(u"utf16be.txt", Utf16Bytes(UString(kStory) + kStory, false, true)));
    // Windows-1252: "é" is E9, the curly quotes 93 and 94.
    names.push_back(tmp_.Write(u"cp1252.txt", Times("The old man's \x93" "caf\xE9\x94 was cold. Dogs barked.\n", 30)));
    // Mark-up: tags inside and between words, entities decoded to the characters.
    names.push_back(tmp_.Write(
        u"page.html", "<html><body>" +
                          Times("<p>The <b>old</b> man drank caf&eacute; with the <i>dog</i>.</p>\n"
                                "<p>An old m<x>an and caf&#xE9; &lt;noir&gt;.</p>\n",
                                20) +
                          "</body></html>\n"));
    // Longer than one chunk, so that the reader's chunk state is exercised too.
    names.push_back(tmp_.Write(u"long.txt", Times(story8, 2300000 / story8.size())));
    names.push_back(tmp_.Write(u"notes.html", "<html>" + Times("<s>the dog<note>old man</note> met an old <b>man</b> in a "
                                                  "caf&eacute;.</s>\n", 30)));
    return names;
  }

  ScopedSettings settings_;
  TempFolder tmp_;
  TempFolder swap_;  // the suite's temporary folder, where tag lists are handed over
  ScopedHandOverFolder hand_over_{swap_.Path()};
};

}  // namespace

TEST_F(ParallelReading, EightTextsOnEightThreadsGiveTheHitsOfOneThread) {
  // The user's tag settings take part: a kept tag, an excluded span, an entity of the user's list.
  UseTagsToKeep({u"<b>"});
  UseTagsToExclude({u"<note>*</note>"});
  UseEntities({u"&eacute; #233"});
  const std::vector<UString> names = WriteTexts();
  ASSERT_EQ(names.size(), 8u);

  // Everything shared is made before the workers start; from here on they only read it.
  EnsureSettingsStoreReady();
  std::vector<TRunSeen> each(names.size());
  std::vector<std::thread> workers;
  for (size_t i = 0; i < names.size(); ++i) {
    workers.emplace_back([&, i] { each[i] = RunOverFiles({names[i]}, kItems); });
  }
  for (std::thread& t : workers) t.join();

  // Then one thread, every text in order, as a run reads them today. (Second, so that whatever a
  // reader loads on first use is first loaded by the workers, where a race would show.)
  const TRunSeen one = RunOverFiles(names, kItems);
  ASSERT_EQ(one.read_ok, std::vector<bool>(names.size(), true));

  size_t compared = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(Utf16ToUtf8(ExtractFileName(names[i])));
    ASSERT_EQ(each[i].read_ok, std::vector<bool>{true});
    EXPECT_EQ(each[i].words_per_text[0], one.words_per_text[i]);
    std::vector<THitSeen> want;
    for (const THitSeen& h : one.hits)
      if (h.file == names[i]) want.push_back(h);
    const std::vector<THitSeen>& got = each[i].hits;
    EXPECT_FALSE(want.empty());  // every text holds hits, so a text read as nothing shows
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) {
      EXPECT_TRUE(Key(got[k]) == Key(want[k])) << "hit " << k << ": " << Describe(got[k]) << " against "
                                               << Describe(want[k]);
    }
    compared += want.size();
  }
  EXPECT_EQ(compared, one.hits.size());

  // The phrase and the chunks did their part: the long text has a second chunk with hits, and
  // every text shows the phrase (twice a story, once in the code-page text's line).
  bool second_chunk = false;
  for (const THitSeen& h : one.hits) second_chunk = second_chunk || (h.chunk > 0 && h.item == 1);
  EXPECT_TRUE(second_chunk);
  // The user's entity "&eacute;" and the numeric "&#xE9;" both make "café": two a paragraph pair.
  int cafes_in_page = 0;
  for (const THitSeen& h : one.hits) cafes_in_page += h.file == names[5] && h.item == 0;
  EXPECT_EQ(cafes_in_page, 40);
  for (size_t i = 0; i < names.size(); ++i) {
    int phrases = 0;
    for (const THitSeen& h : one.hits) phrases += h.file == names[i] && h.item == 1;
    EXPECT_GT(phrases, 0) << Utf16ToUtf8(names[i]);
  }
}
