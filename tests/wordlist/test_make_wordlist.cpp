// Word lists made from real texts: hand-counted lists of small texts, the word rules, a text over
// several chunks, failing texts, the user's filter, and one worker against eight.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <optional>
#include <random>
#include <tuple>

#include "../model/read_and_search_support.h"
#include "../model/text_reader_test_support.h"
#include "model/documents/batch_procedures.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_engine.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"
#include "wordlist/run_word_counter.h"
#include "wordlist/wordlist_counting.h"
#include "wordlist/word_counter.h"
#include "wordlist/word_list_document.h"

namespace {

using text_reader_test::ScopedSettings;

class MakeWordlist : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  std::unique_ptr<T_WholeWordlistHolder> NewDoc() {
    auto doc =
        std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
    doc->WordlistSettings.SetMinFrequency(1);
    doc->WordlistSettings.SetMinWordLength(1);
    doc->WordlistSettings.SetMaxWordLength(50);
    doc->WordlistSettings.SetNumbersIncluded(true);
    doc->WordlistSettings.SetRatioBasis(1000);
    // English as the tests' texts: the apostrophe inside words, sentence ends found in the text.
    TTextsett_rec32 t = doc->TextSettings();
    Tfixed_lang_details32 l = t.Language();
    l.SetExtraSymbols(u"'");
    t.SetLanguage(l);
    t.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, true);
    doc->SetTextSettings(t);
    return doc;
  }
  // "WORD/frequency" in list order.
  static std::string Rows(T_WholeWordlistHolder& doc) {
    std::string out;
    for (int i = 0; i < doc.Words().Count(); ++i) {
      const TWordlistData& d = doc.Words().Row(i)->data;
      out += (i ? " " : "") + Utf16ToUtf8(d.prefix) + Utf16ToUtf8(d.word) + "/" + std::to_string(d.frequency);
    }
    return out;
  }
  bool Make(T_WholeWordlistHolder& doc, const std::vector<std::pair<UString, std::string>>& texts,
            TMakeWordlistOptions options = {}) {
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    for (const auto& [name, bytes] : texts) EXPECT_TRUE(chosen.ToolAddAFile(tmp.Write(name, bytes)));
    int32_t converted = 0;
    if (options.threads == 0) options.threads = 1;
    return doc.MakeWordlist(chosen, 0, kListWordlist, converted, options);
  }
  // A list of texts already written to the folder, made on `threads` workers.
  bool MakeFromWritten(T_WholeWordlistHolder& doc, const std::vector<std::pair<UString, std::string>>& texts,
                       int32_t threads) {
    TMakeWordlistOptions o;
    o.threads = threads;
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    for (const auto& [name, bytes] : texts) EXPECT_TRUE(chosen.ToolAddAFile(tmp.Path() + name));
    int32_t converted = 0;
    return doc.MakeWordlist(chosen, 0, kListWordlist, converted, o);
  }
  std::string Count(const std::string& text, std::function<void(T_WholeWordlistHolder&)> set = nullptr,
                    TMakeWordlistOptions options = {}) {
    auto doc = NewDoc();
    if (set) set(*doc);
    EXPECT_TRUE(Make(*doc, {{u"a.txt", text}}, options));
    return Rows(*doc);
  }
  ScopedSettings settings;
  TempFolder tmp;
};

TEST_F(MakeWordlist, HandCountedWords) {
  struct Case {
    const char* name;
    std::string text;
    std::string rows;
  };
  const Case cases[] = {
      {"case folds to capitals", "The cat saw THE Cat.", "CAT/2 SAW/1 THE/2"},
      {"hyphens", "a well-known pre- and post-war -- x", "A/1 AND/1 POST-WAR/1 PRE/1 WELL-KNOWN/1 X/1"},
      {"apostrophes", "don't 'tis dogs' don't", "DOGS/1 DON'T/2 TIS/1"},
      {"numbers kept", "3.14 and 1,000,000 and 12a", "1,000,000/1 12A/1 3.14/1 AND/2"},
      {"sharp s keeps its length", "stra\xC3\x9F" "e STRASSE", "STRASSE/1 STRA\xC3\x9F" "E/1"},
      {"soft hyphen inside a word is passed over", "Silben\xC2\xAD" "trennung silbentrennung", "SILBENTRENNUNG/2"},
      // Superscript, subscript and circled digits part words wherever they stand: a footnote mark
      // makes no word of its own.
      {"superscript digits part words", "m\xC2\xB2 SeR\xC2\xB2qu Weber\xC2\xB9 argued, CO\xE2\x82\x82 \xE2\x91\xA0x",
       "ARGUED/1 CO/1 M/1 QU/1 SER/1 WEBER/1 X/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Count(c.text), c.rows);
  }
  // A language that allows its symbols at the ends of words keeps them there.
  EXPECT_EQ(Count("'tis the dogs' bone",
                  [](T_WholeWordlistHolder& d) {
                    TTextsett_rec32 t = d.TextSettings();
                    Tfixed_lang_details32 l = t.Language();
                    l.SetSymbolsAtWordStart(true);
                    l.SetSymbolsAtWordEnd(true);
                    t.SetLanguage(l);
                    d.SetTextSettings(t);
                  }),
            "'TIS/1 BONE/1 DOGS'/1 THE/1");
}

TEST_F(MakeWordlist, SettingsOfTheList) {
  struct Case {
    const char* name;
    std::function<void(T_WholeWordlistHolder&)> set;
    std::string rows;
    int32_t running;
  };
  const std::string text = "The wonderful cat, 3.14 and 12a; a cat!";
  const Case cases[] = {
      {"as it is", nullptr, "12A/1 3.14/1 A/1 AND/1 CAT/2 THE/1 WONDERFUL/1", 8},
      {"numbers as #", [](T_WholeWordlistHolder& d) { d.WordlistSettings.SetNumbersIncluded(false); },
       "#/2 A/1 AND/1 CAT/2 THE/1 WONDERFUL/1", 8},
      {"longest 5: cut with +", [](T_WholeWordlistHolder& d) { d.WordlistSettings.SetMaxWordLength(5); },
       "12A/1 3.14/1 A/1 AND/1 CAT/2 THE/1 WOND+/1", 8},
      // A number longer than the longest length is "#" as any other number, never "#+".
      {"longest 3, numbers as #",
       [](T_WholeWordlistHolder& d) {
         d.WordlistSettings.SetMaxWordLength(3);
         d.WordlistSettings.SetNumbersIncluded(false);
       },
       "#/2 A/1 AND/1 CAT/2 THE/1 WO+/1", 8},
      {"shortest 3: no running word", [](T_WholeWordlistHolder& d) { d.WordlistSettings.SetMinWordLength(3); },
       "12A/1 3.14/1 AND/1 CAT/2 THE/1 WONDERFUL/1", 7},
      {"case sensitive", [](T_WholeWordlistHolder& d) { d.WordlistSettings.SetCaseSensitive(true); },
       "12a/1 3.14/1 a/1 and/1 cat/2 The/1 wonderful/1", 8},
      {"minimum frequency 2", [](T_WholeWordlistHolder& d) { d.WordlistSettings.SetMinFrequency(2); }, "CAT/2", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = NewDoc();
    if (c.set) c.set(*doc);
    ASSERT_TRUE(Make(*doc, {{u"a.txt", text}}));
    EXPECT_EQ(Rows(*doc), c.rows);
    ASSERT_EQ(doc->Stats().Count(), 1);
    EXPECT_EQ(doc->Stats().Row(0)->fdata.data.running_words, c.running);
    EXPECT_EQ(doc->Stats().Overall_stats.data.running_words, c.running);
  }
}

TEST_F(MakeWordlist, HiddenMarkupEndsAWord) {
  // The hidden tag parts "cat" from "dog": both are counted.
  EXPECT_EQ(Count("cat<x>dog <x>bird"), "BIRD/1 CAT/1 DOG/1");
}

// The tag lists go to the user's hand-over folder below TMPDIR: a test of its own there, so that
// tests running at once in other processes do not write each other's lists.
class OwnHandOverFolder {
 public:
  OwnHandOverFolder() {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", Utf16ToUtf8(folder_.Path()).c_str(), 1);
  }
  ~OwnHandOverFolder() {
    if (old_) setenv("TMPDIR", old_->c_str(), 1);
    else unsetenv("TMPDIR");
  }

 private:
  TempFolder folder_;
  std::optional<std::string> old_;
};

TEST_F(MakeWordlist, TagModes) {
  OwnHandOverFolder own;
  read_and_search::UseTagsToKeep({u"<w *>"});
  const std::string text = "<w NN>cat <w VB>walks <w NN>cat dog wal<w X>king";
  struct Case {
    uint8_t mode;
    std::string rows;
  };
  const Case cases[] = {
      {0, "CAT/2 DOG/1 WALKING/1 WALKS/1"},
      {1, "<w NN>CAT/2 DOG/1 WALKING/1 <w VB>WALKS/1"},
      {2, "<w NN>/2 <w VB>/1"},
      {3, "<w NN>CAT/2 <w VB>WALKS/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(Count(text,
                    [&](T_WholeWordlistHolder& d) {
                      TTextsett_rec32 t = d.TextSettings();
                      t.SetTagTreatment(c.mode);
                      d.SetTextSettings(t);
                    }),
              c.rows);
  }
}

TEST_F(MakeWordlist, WordsCountedUnderATagTakeItsCategory) {
  OwnHandOverFolder own;
  read_and_search::UseTagsToKeep({u"<NN>", u"<VB>"});
  struct Case {
    uint8_t mode;
    std::string rows;  // text/frequency=category#tag number
  };
  const Case cases[] = {
      {0, "CAT/2=#0 DOG/1=#0 WALKS/1=#0"},
      {1, "<NN>CAT/2=<NN>#1 DOG/1=#0 <VB>WALKS/1=<VB>#2"},
      {2, "<NN>/2=<NN>#1 <VB>/1=<VB>#2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    auto doc = NewDoc();
    TTextsett_rec32 t = doc->TextSettings();
    t.SetTagTreatment(c.mode);
    doc->SetTextSettings(t);
    ASSERT_TRUE(Make(*doc, {{u"a.txt", "<NN>cat <VB>walks <NN>cat dog"}}));
    std::string rows;
    for (int i = 0; i < doc->Words().Count(); ++i) {
      const TWordlistEntry& e = *doc->Words().Row(i);
      rows += (i ? " " : "") + Utf16ToUtf8(e.data.prefix + e.data.word) + "/" + std::to_string(e.data.frequency) +
              "=" + Utf16ToUtf8(e.GetAWordAsString(kWLColCategory)) + "#" + std::to_string(e.CategoryTagNumber());
    }
    EXPECT_EQ(rows, c.rows);
    // The set column's cell names the tag it came from, in the tag's colour.
    TGrid_data_rec cell;
    doc->Words().DrawgridDataRec(kWLColCategory, 1, cell, 0);
    EXPECT_EQ(cell.tag_number_1based, doc->Words().Row(0)->CategoryTagNumber());
    EXPECT_EQ(cell.has_text_colour, c.mode != 0);
  }
}

TEST_F(MakeWordlist, ExactLengthKeepsLongWordsWhole) {
  SetExactWordLength(true);
  EXPECT_EQ(Count("wonderful", [](T_WholeWordlistHolder& d) { d.WordlistSettings.SetMaxWordLength(5); }),
            "WONDERFUL/1");
}

TEST_F(MakeWordlist, StopWordsAreDroppedButStayRunningWords) {
  TMakeWordlistOptions o;
  o.stop_words = {u"the", u"A"};
  auto doc = NewDoc();
  ASSERT_TRUE(Make(*doc, {{u"a.txt", "the cat and a dog, THE end"}}, o));
  EXPECT_EQ(Rows(*doc), "AND/1 CAT/1 DOG/1 END/1");
  EXPECT_EQ(doc->Stats().Overall_stats.data.running_words, 7);
}

TEST_F(MakeWordlist, TextsAndDispersion) {
  auto doc = NewDoc();
  ASSERT_TRUE(Make(*doc, {{u"a.txt", "cat cat dog"}, {u"b.txt", "cat bird"}, {u"c.txt", "cat"}}));
  EXPECT_EQ(Rows(*doc), "BIRD/1 CAT/4 DOG/1");
  const TWordlistData& cat = doc->Words().Row(1)->data;
  EXPECT_EQ(cat.n_texts, 3);
  EXPECT_EQ(doc->Words().Row(0)->data.n_texts, 1);
  EXPECT_EQ(doc->Stats().Count(), 3);
  EXPECT_EQ(doc->Stats().Overall_stats.data.running_words, 6);
  EXPECT_EQ(doc->Stats().Overall_stats.data.types, 3);
  EXPECT_EQ(doc->Stats().Row(0)->fdata.data.types, 2);
  // A word in one place of the corpus only is not dispersed at all.
  EXPECT_FLOAT_EQ(doc->Words().Row(0)->data.dispersion, 0.0f);
}

// A save's temporary file that found its way into the chosen texts is not counted.
TEST_F(MakeWordlist, TheTemporaryFileOfASaveIsNoText) {
  auto doc = NewDoc();
  Make(*doc, {{u"a.txt", "cat dog"}, {u".~a.txt.lz4242-0000beef.tmp", "cat cat cat bird"}});
  EXPECT_EQ(Rows(*doc), "CAT/1 DOG/1");
}

TEST_F(MakeWordlist, SentencesAcrossChunksKeepTheirLength) {
  // Every sentence has 13 words; the text runs over two chunks and more.
  const std::string sentence = "One two three four five six seven eight nine ten eleven twelve thirteen. ";
  const std::string text = text_reader_test::Times(sentence, 70000);
  ASSERT_GT(text.size(), 2u * 2097152u);
  auto doc = NewDoc();
  SetTextSettings(doc->TextSettings());  // the markers are the store's
  ASSERT_TRUE(Make(*doc, {{u"long.txt", text}}));
  ASSERT_EQ(doc->Words().Count(), 13);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(doc->Words().Row(i)->data.frequency, 70000);
  const TOne_text_stats_data& s = doc->Stats().Row(0)->fdata.data;
  EXPECT_EQ(s.running_words, 13 * 70000);
  EXPECT_EQ(s.groups[1].count, 70000);
  EXPECT_FLOAT_EQ(s.groups[1].mean, 13.0f);
  EXPECT_FLOAT_EQ(s.groups[1].sd, 0.0f);
  // Every word is spread evenly over the text's chunks and the eight sections of its bytes.
  for (int i = 0; i < 13; ++i) EXPECT_GT(doc->Words().Row(i)->data.dispersion, 0.999f) << i;
}

TEST_F(MakeWordlist, AWordInTheLastSectionOfALongTextIsNotDispersed) {
  // Three chunks and more of one word, then a word only in the last eighth of the bytes.
  const std::string text = text_reader_test::Times("early ", 900000) + text_reader_test::Times("late ", 100000);
  auto doc = NewDoc();
  ASSERT_TRUE(Make(*doc, {{u"long.txt", text}}));
  ASSERT_EQ(Rows(*doc), "EARLY/900000 LATE/100000");
  EXPECT_FLOAT_EQ(doc->Words().Row(1)->data.dispersion, 0.0f);
  // By hand: 5,900,000 bytes in eighths of 737,500; "early" fills seven (122,916.7 each) and
  // 39,583.3 of the last: mean 112,500, population sd 27,559, D = 1 - (sd / mean) / sqrt(7).
  EXPECT_NEAR(doc->Words().Row(0)->data.dispersion, 0.9074, 0.0005);
}

TEST_F(MakeWordlist, RunningWordsEqualTheEnginesWordCount) {
  std::mt19937 rng(11);
  const char* pieces[] = {"cat", "Dog", "3.14", "well-known", "don't", ",", ".", " ", " ", "\n", "--", "12a", "x-"};
  for (int round = 0; round < 20; ++round) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
      text += pieces[rng() % 13];
      text += (rng() % 3 == 0) ? "" : " ";
    }
    auto doc = NewDoc();
    ASSERT_TRUE(Make(*doc, {{u"r" + IntToUStr(round) + u".txt", text}}));
    TSearchAndDoEngine engine(true, true, SearchTextOptionsFromTextSettings(doc->TextSettings()));
    engine.PrepareFirst(Utf8ToUtf16(text), -1, 0, [](TSearchAndDoEngine&, TSearchFound_Rec&) { return false; });
    const TOne_text_stats_data& s = doc->Stats().Row(0)->fdata.data;
    EXPECT_EQ(s.running_words, engine.WordsInChunk()) << text;
    int64_t sum = 0;
    for (int i = 0; i < doc->Words().Count(); ++i) sum += doc->Words().Row(i)->data.frequency;
    EXPECT_EQ(sum, s.running_words);
  }
}

TEST_F(MakeWordlist, UnreadableTextGoesToTheDudEventAndTheRunGoesOn) {
  std::vector<UString> duds;
  auto doc = std::make_unique<T_WholeWordlistHolder>(
      nullptr, nullptr, [&](const TChosenFileDetailsFullRec& d) { duds.push_back(d.rec.filename); }, kListWordList,
      false, false, nullptr, nullptr);
  doc->WordlistSettings.SetMinFrequency(1);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(u"a.txt", "cat")));
  const UString gone = tmp.Write(u"gone.txt", "dog");
  ASSERT_TRUE(chosen.ToolAddAFile(gone));
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(u"c.txt", "cat bird")));
  ASSERT_TRUE(DeleteFileU(gone));
  int32_t converted = 0;
  std::vector<int32_t> after;
  TMakeWordlistOptions o;
  o.after_text = [&](int32_t text, int32_t) { after.push_back(text); };
  o.threads = 2;
  ASSERT_TRUE(doc->MakeWordlist(chosen, 0, kListWordlist, converted, o));
  EXPECT_EQ(Rows(*doc), "BIRD/1 CAT/2");
  EXPECT_EQ(duds, std::vector<UString>{u"gone.txt"});
  EXPECT_EQ(after, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(doc->Stats().Count(), 2);
}

// A text the run was asked to convert whose first reading fails is converted once (its UTF-8
// decoded as UTF-8, the file rewritten as UTF-16) and read once more; a second failure, or a
// conversion that fails, sends it to the dud-file event and the run goes on.
TEST_F(MakeWordlist, AFailedReadOfATextToConvertIsRetriedOnceAfterConverting) {
  struct Case {
    const char* name;
    int failing_reads;
    bool gone_before_converting;
    std::string rows;
    int32_t converted;
    int reads;
    bool dud;
  };
  const Case cases[] = {
      {"read again after converting", 1, false, "CAF\xC3\x89/1 CAT/1 DOG/1", 1, 2, false},
      {"fails again: one retry, then a dud", 1000, false, "CAT/1", 1, 2, true},
      {"conversion fails: no retry, a dud", 1, true, "CAT/1", 0, 1, true},
  };
  int run = 0;
  for (const Case& c : cases) {
    for (int32_t threads : {1, 3}) {
      SCOPED_TRACE(testing::Message() << c.name << ", threads " << threads);
      const UString folder = u"retry" + IntToUStr(run++) + u"/";
      const UString b = tmp.Write(folder + u"b.txt", "\xEF\xBB\xBF" "caf\xC3\xA9 dog");
      TSharedChosenFilesClass chosen(false, nullptr, 1);
      ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(folder + u"a.txt", "cat")));
      ASSERT_TRUE(chosen.ToolAddAFile(b));
      std::vector<UString> duds;
      auto doc = NewDoc();
      doc->OnDudFile = [&](const TChosenFileDetailsFullRec& d) { duds.push_back(d.rec.filename); };
      std::atomic<int> reads{0};
      TMakeWordlistOptions o;
      o.threads = threads;
      o.count_text = [&](const TWordCountSetup& setup, const TChosenFileDetailsFullRec& d, int32_t k, TTextPlace place) {
        TTextWordCounts r = CountTextWords(setup, d, k, place);
        if (d.rec.filename == u"b.txt" && ++reads <= c.failing_reads) {
          r.read_ok = false;
          r.convert_asked = true;
          r.failure = u"Could not read " + d.rec.filename;
          if (c.gone_before_converting) DeleteFileU(b);
        }
        return r;
      };
      int32_t converted = 0;
      ASSERT_TRUE(doc->MakeWordlist(chosen, 0, kListWordlist, converted, o));
      EXPECT_EQ(Rows(*doc), c.rows);
      EXPECT_EQ(converted, c.converted);
      EXPECT_EQ(reads.load(), c.reads);
      EXPECT_EQ(duds, c.dud ? std::vector<UString>{u"b.txt"} : std::vector<UString>{});
      if (c.converted > 0) {
        TMemoryStream bytes;
        ASSERT_TRUE(bytes.LoadFromFile(b));
        ASSERT_GE(bytes.Data().size(), 2u);
        EXPECT_EQ(bytes.Data()[0], 0xFF);
        EXPECT_EQ(bytes.Data()[1], 0xFE);
      }
    }
  }
}

TEST_F(MakeWordlist, AStopEndsTheRunAfterTheTextOnEveryCore) {
  for (int32_t threads : {1, 8}) {
    SCOPED_TRACE(threads);
    auto doc = NewDoc();
    TMakeWordlistOptions o;
    o.threads = threads;
    o.after_text = [](int32_t text, int32_t) {
      if (text == 1) global_panic_state = kPanicEndOfText;
    };
    std::vector<std::pair<UString, std::string>> texts;
    for (int t = 0; t < 12; ++t) texts.push_back({u"s" + IntToUStr(t) + u".txt", "word" + std::to_string(t)});
    ASSERT_TRUE(Make(*doc, texts, o));
    EXPECT_EQ(Rows(*doc), "WORD0/1 WORD1/1");
    global_panic_state = kPanicNone;
  }
}

TEST_F(MakeWordlist, NothingToCountIsAProblem) {
  auto doc = NewDoc();
  doc->Words().AddRow({1, 5, 0.0f, u"OLD", u"", u""});
  TSharedChosenFilesClass none(false, nullptr, 1);
  int32_t converted = 0;
  EXPECT_FALSE(doc->MakeWordlist(none, 0, kListWordlist, converted));
  EXPECT_NE(doc->LastFailure().find(u"Problem making"), UString::npos);
  EXPECT_EQ(doc->Words().Count(), 1);  // the old list stays
  EXPECT_FALSE(doc->MakeWordlist(none, 0, kListIndexWordlist, converted));
}

TEST_F(MakeWordlist, UserFilterDropsReplacesAndMerges) {
  SetUseUserFilter(true);
  SetUserDLLFileName(Utf8ToUtf16(LINZORA_TEST_WORD_FILTER));
  // CATS becomes CAT and joins its row (before or after it in word order); OLD becomes NEW, a
  // row of its own made later in word order; DROP and THROW are left out.
  EXPECT_EQ(Count("cat cats cats drop old throw new zebra"), "CAT/3 NEW/2 ZEBRA/1");
}

// A corpus of texts in several encodings, one over two chunks, one missing: eight workers must
// give the rows, statistics and overall record that one worker gives.
TEST_F(MakeWordlist, EightWorkersMakeTheListOneWorkerMakes) {
  static const char* kWords[] = {"the", "old", "man", "sat", "by", "sea", "and", "a", "dog", "caf\xC3\xA9", "ran",
                                 "well-known", "don't", "3.14"};
  std::mt19937 rng(5);
  std::vector<std::pair<UString, std::string>> texts;
  for (int t = 0; t < 40; ++t) {
    const size_t words = t == 9 ? 400000 : 100 + rng() % 2000;
    std::string text;
    for (size_t w = 0; w < words; ++w) {
      text += kWords[rng() % (t % 7 == 3 ? 9 : 14)];
      text += (w % 11 == 10) ? ".\n" : " ";
    }
    std::string bytes = text;
    if (t % 3 == 1) bytes = text_reader_test::Utf16Bytes(Utf8ToUtf16(text), true, true);
    texts.push_back({u"t" + IntToUStr(t) + u".txt", bytes});
  }
  auto made = [&](int32_t threads) {
    auto doc = NewDoc();
    EXPECT_TRUE(MakeFromWritten(*doc, texts, threads));
    TMemoryStream words, stats;
    EXPECT_TRUE(doc->Words().SaveToStream(words));
    EXPECT_TRUE(doc->Stats().SaveToStream(stats));
    return std::make_pair(words.Data(), stats.Data());
  };
  for (const auto& [name, bytes] : texts) tmp.Write(name, bytes);
  const auto one = made(1);
  const auto many = made(8);
  EXPECT_GT(one.first.size(), 100u);
  EXPECT_TRUE(one.first == many.first);
  EXPECT_TRUE(one.second == many.second);
}

// A list of many words is put in word order once, its collation keys made and sorted on the
// run's workers: the rows come in the order a stable sort by those keys of the words in unit
// order gives (words the collation makes equal, here those differing in case alone, in unit
// order), ascending or descending, the same on one worker as on four, and a sort of the finished
// list changes nothing.
TEST_F(MakeWordlist, ManyWordsComeInWordOrderOnAnyWorkers) {
  std::mt19937 rng(11);
  std::vector<std::pair<UString, std::string>> texts;
  for (int t = 0; t < 3; ++t) {
    std::string text;
    for (int w = 0; w < 30000; ++w) {
      std::string word;
      const int n = 3 + static_cast<int>(rng() % 6);
      for (int k = 0; k < n; ++k) word += static_cast<char>('a' + rng() % 26);
      if (w % 5 == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');  // also met in small letters
      if (w % 97 == 0) word += "\xC3\xA9";
      if (w % 89 == 0) word += "-" + word;
      text += word + (w % 13 == 12 ? ".\n" : " ");
    }
    texts.push_back({u"m" + IntToUStr(t) + u".txt", text});
  }
  for (const auto& [name, bytes] : texts) tmp.Write(name, bytes);
  auto made = [&](int32_t threads, bool ascending) {
    auto doc = NewDoc();
    doc->WordlistSettings.SetCaseSensitive(true);
    doc->Words().SetSortAscending(0, ascending);
    EXPECT_TRUE(MakeFromWritten(*doc, texts, threads));
    return doc;
  };
  auto stream = [](TVXWordList& words) {
    TMemoryStream s;
    EXPECT_TRUE(words.SaveToStream(s));
    return s.Data();
  };
  for (const bool ascending : {true, false}) {
    SCOPED_TRACE(ascending ? "ascending" : "descending");
    auto one = made(1, ascending);
    auto four = made(4, ascending);
    TVXWordList& words = one->Words();
    ASSERT_GT(words.Count(), 40000);
    EXPECT_EQ(words.SortedAlphabetically(), ascending);
    const TLCID lcid = words.SortLCID();
    const bool cs = words.SortLevel(0).case_sensitive;
    int ties = 0;
    std::string last_key = CollationSortKey(lcid, cs, words.Row(0)->data.word);
    for (int i = 1; i < words.Count(); ++i) {
      const UString& before = words.Row(i - 1)->data.word;
      const UString& word = words.Row(i)->data.word;
      const std::string key = CollationSortKey(lcid, cs, word);
      const int c = last_key.compare(key);
      if (c == 0) ++ties;
      ASSERT_TRUE(c == 0 ? before < word : (ascending ? c < 0 : c > 0))
          << i << ": " << Utf16ToUtf8(before) << " then " << Utf16ToUtf8(word);
      last_key = key;
    }
    EXPECT_GT(ties, 100);
    const std::vector<uint8_t> streamed = stream(words);
    EXPECT_TRUE(streamed == stream(four->Words()));
    ASSERT_TRUE(words.DoASort(1, 0, words.Count() - 1));
    EXPECT_TRUE(streamed == stream(words));
  }
}

// Batch runs: one saved list per result (a text, or a folder's texts), each read back with only
// its own words and statistics, zipped per folder or at the end when asked; the document ends
// empty. One worker and four save the same lists.
TEST_F(MakeWordlist, BatchModesSaveOneListPerResult) {
  struct Case {
    uint8_t mode;
    bool zip;
    std::vector<std::pair<const char16_t*, std::string>> lists;  // saved name, rows
    std::vector<std::pair<const char16_t*, std::string>> zips;   // archive, members
  };
  const Case cases[] = {
      {1, false, {{u"a1.lst", "CAT/1 DOG/1"}, {u"a2.lst", "CAT/1"}, {u"b1.lst", "EEL/1"}}, {}},
      {2, true,
       {{u"a1.lst", "CAT/1 DOG/1"}, {u"a2.lst", "CAT/1"}, {u"b1.lst", "EEL/1"}},
       {{u"A.zip", "a1.lst a2.lst"}, {u"B.zip", "b1.lst"}}},
      {3, false, {{u"these files (A).lst", "CAT/2 DOG/1"}, {u"these files (B).lst", "EEL/1"}}, {}},
      {3, true,
       {{u"these files (A).lst", "CAT/2 DOG/1"}, {u"these files (B).lst", "EEL/1"}},
       {{u"A.zip", "these files (A).lst"}, {u"B.zip", "these files (B).lst"}}},
      {1, true,
       {{u"a1.lst", "CAT/1 DOG/1"}, {u"a2.lst", "CAT/1"}, {u"b1.lst", "EEL/1"}},
       {{u"batch.zip", "a1.lst a2.lst b1.lst"}}},
  };
  int run = 0;
  for (const Case& c : cases) {
    for (int32_t threads : {1, 4}) {
      SCOPED_TRACE(testing::Message() << "mode " << int{c.mode} << " zip " << c.zip << " threads " << threads);
      TempFolder out;
      Global_BatchProcedures = TBatchProceduresRec();
      SetDefaultBatchHandlers(Global_BatchProcedures);
      Global_BatchProcedures.BatchRootFolder = out.Path() + u"batch";
      Global_BatchProcedures.Zip_Too = c.zip;
      const UString corpus = u"corpus" + IntToUStr(run++) + u"/";
      TSharedChosenFilesClass chosen(false, nullptr, 1);
      for (const auto& [name, bytes] : std::vector<std::pair<UString, std::string>>{
               {u"A/a1.txt", "cat dog"}, {u"A/a2.txt", "cat"}, {u"B/b1.txt", "eel"}})
        ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(corpus + name, bytes)));
      auto doc = NewDoc();
      TMakeWordlistOptions o;
      o.threads = threads;
      int32_t converted = 0;
      ASSERT_TRUE(doc->MakeWordlist(chosen, c.mode, kListWordlist, converted, o)) << Utf16ToUtf8(doc->LastFailure());
      EXPECT_EQ(doc->Words().Count(), 0);
      EXPECT_EQ(doc->Stats().Count(), 0);
      for (const auto& [name, rows] : c.lists) {
        SCOPED_TRACE(Utf16ToUtf8(name));
        auto back = NewDoc();
        ASSERT_TRUE(back->ReadWholeFromFile(out.Path() + u"batch/" + name, kToolConcordancer).first);
        EXPECT_EQ(Rows(*back), rows);
        int64_t running = 0;
        for (int i = 0; i < back->Stats().Count(); ++i) running += back->Stats().Row(i)->fdata.data.running_words;
        EXPECT_EQ(back->Stats().Overall_stats.data.running_words, running);
      }
      for (const auto& [archive, members] : c.zips) {
        TZipForge zip;
        zip.SetFileName(out.Path() + u"batch/" + archive);
        ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::Read)) << Utf16ToUtf8(archive);
        std::string names;
        for (const TZipMemberInfo& m : zip.Members()) names += (names.empty() ? "" : " ") + Utf16ToUtf8(m.name);
        EXPECT_EQ(names, members);
      }
    }
  }
  // A result that cannot be saved (no batch folder) ends the run with a message naming it.
  Global_BatchProcedures = TBatchProceduresRec();
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(u"x/first.txt", "cat")));
  ASSERT_TRUE(chosen.ToolAddAFile(tmp.Write(u"x/second.txt", "dog")));
  auto doc = NewDoc();
  int32_t converted = 0;
  std::vector<int32_t> after;
  TMakeWordlistOptions o;
  o.threads = 1;
  o.after_text = [&](int32_t text, int32_t) { after.push_back(text); };
  EXPECT_FALSE(doc->MakeWordlist(chosen, 2, kListWordlist, converted, o));
  EXPECT_NE(doc->LastFailure().find(u"first.txt"), UString::npos) << Utf16ToUtf8(doc->LastFailure());
  EXPECT_EQ(after, std::vector<int32_t>{0});
  Global_batch_mode = 0;
}

TEST(WordCounter, MergesTextsInAnyOrderToTheSameKeys) {
  TWordCounter a(2), b(2), all_ab(2), all_ba(2);
  a.Add(u"CAT", u"", 0);
  a.Add(u"CAT", u"", 1);
  a.Add(u"DOG", u"<N>", 1);
  b.Add(u"CAT", u"", 1);
  b.Add(u"DOG", u"", 0);
  all_ab.MergeText(a);
  all_ab.MergeText(b);
  all_ba.MergeText(b);
  all_ba.MergeText(a);
  for (const TWordCounter* c : {&all_ab, &all_ba}) {
    ASSERT_EQ(c->Types(), 3);
    const std::vector<int32_t> keys = c->Keys();
    const auto cat = c->Key(keys[0]), dog = c->Key(keys[1]), dog_n = c->Key(keys[2]);
    EXPECT_EQ(cat.word, u"CAT");
    EXPECT_EQ(cat.frequency, 3);
    EXPECT_EQ(cat.texts, 2);
    EXPECT_EQ(cat.bins[0], 1);
    EXPECT_EQ(cat.bins[1], 2);
    EXPECT_EQ(dog.tag, u"");
    EXPECT_EQ(dog_n.tag, u"<N>");
    EXPECT_EQ(dog_n.texts, 1);
  }
  // Many keys: the table grows and finds every one again.
  TWordCounter big(0);
  for (int i = 0; i < 5000; ++i) big.Add(IntToUStr(i % 2500), u"", -1);
  EXPECT_EQ(big.Types(), 2500);
  EXPECT_EQ(big.Key(big.Find(u"1234", u"")).frequency, 2);
  EXPECT_EQ(big.Find(u"2500", u""), -1);
}

// A counter filled from its first size past many doublings, one given room at once, an empty one
// filled by a merge and the run's parts all hold a hand count: every key's frequency, texts and
// bins, found again by its word; a text with no words changes nothing.
TEST(WordCounter, GrowingAndMergingKeepAHandCount) {
  std::mt19937 rng(3);
  std::map<UString, std::array<int32_t, 2>> hand;  // per word: occurrences in bins 0 and 1
  TWordCounter grown(2), reserved(2);
  reserved.Reserve(100, 400);
  for (int w = 0; w < 150000; ++w) {
    const UString word = u"K" + IntToUStr(static_cast<int32_t>(rng() % 70000));
    const int32_t bin = static_cast<int32_t>(rng() % 2);
    ++hand[word][static_cast<size_t>(bin)];
    grown.Add(word, u"", bin);
    reserved.Add(word, u"", bin);
  }
  ASSERT_GT(hand.size(), 50000u);  // from 1,024 cells to 131,072 and more: seven doublings
  const TWordCounter empty_text(2);
  TWordCounter merged(2);
  merged.MergeText(grown);
  merged.MergeText(empty_text);
  TRunWordCounter run(2, false);
  run.MergeText(TWordCounter(2));
  run.MergeText(grown);
  run.MergeText(reserved);
  ASSERT_EQ(run.Types(), static_cast<int32_t>(hand.size()));
  for (const TWordCounter* c : {&grown, &reserved, &merged}) {
    ASSERT_EQ(c->Types(), static_cast<int32_t>(hand.size()));
    for (const auto& [word, bins] : hand) {
      const int32_t i = c->Find(word, u"");
      ASSERT_GE(i, 0) << Utf16ToUtf8(word);
      const TWordCounter::TKeyView k = c->Key(i);
      ASSERT_EQ(k.frequency, bins[0] + bins[1]) << Utf16ToUtf8(word);
      ASSERT_EQ(k.bins[0], bins[0]);
      ASSERT_EQ(k.bins[1], bins[1]);
      ASSERT_EQ(k.texts, 1);
    }
    EXPECT_EQ(c->Find(u"K70000", u""), -1);
    EXPECT_EQ(c->Find(u"K1", u"<T>"), -1);
  }
  const std::vector<TWordCounter::TKeyView> keys = run.OrderedKeys();
  ASSERT_EQ(keys.size(), hand.size());
  auto it = hand.begin();
  for (const TWordCounter::TKeyView& k : keys) {
    ASSERT_EQ(k.word, it->first);
    ASSERT_EQ(k.frequency, 2 * (it->second[0] + it->second[1]));
    ASSERT_EQ(k.texts, 2);
    ASSERT_EQ(k.bins[1], 2 * it->second[1]);
    ++it;
  }
}

// A run's only text is kept whole, and gives what the parts give: each key in one text (a key
// made without a count too), no caller's marks, the same keys in the same order; a second text,
// or a new result after Clear, goes on as usual.
TEST(RunWordCounter, AnOnlyTextGivesWhatThePartsGive) {
  auto text = [](int32_t seed) {
    TWordCounter c(2);
    std::mt19937 rng(static_cast<uint32_t>(seed));
    for (int w = 0; w < 3000; ++w) c.Add(u"W" + IntToUStr(static_cast<int32_t>(rng() % 900)), u"", w % 2);
    c.Mark(c.Find(u"UNCOUNTED", u"", true)) = 7;
    c.Mark(c.Find(u"W1", u"", true)) = 9;
    return c;
  };
  auto rows = [](const TRunWordCounter& run) {
    std::vector<std::tuple<UString, int32_t, int32_t, int32_t, int32_t>> out;
    for (const TWordCounter::TKeyView& k : run.OrderedKeys())
      out.emplace_back(UString(k.word), k.frequency, k.texts, k.bins[0], k.bins[1]);
    return out;
  };
  TWordCounter plain(2);
  plain.MergeText(text(1));
  TRunWordCounter only(2, false), second(2, true);
  only.MergeText(text(1));
  second.MergeText(text(5));
  second.Clear();
  second.MergeText(text(1));
  for (const TRunWordCounter* run : {&only, &second}) {
    ASSERT_EQ(run->Types(), plain.Types());
    const auto got = rows(*run);
    ASSERT_EQ(got.size(), static_cast<size_t>(plain.Types()));
    const std::vector<int32_t> order = plain.Keys();
    for (size_t i = 0; i < got.size(); ++i) {
      const TWordCounter::TKeyView want = plain.Key(order[i]);
      EXPECT_EQ(got[i], std::make_tuple(UString(want.word), want.frequency, want.texts, want.bins[0], want.bins[1]));
    }
    int32_t types = 0;
    for (const TWordCounter* c : run->Counters()) {
      types += c->Types();
      for (int32_t i = 0; i < c->Types(); ++i) EXPECT_EQ(const_cast<TWordCounter*>(c)->Mark(i), 0);
    }
    EXPECT_EQ(types, plain.Types());
  }
  const int32_t unc = plain.Find(u"UNCOUNTED", u"");
  EXPECT_EQ(plain.Key(unc).frequency, 0);
  EXPECT_EQ(plain.Key(unc).texts, 1);
  // A second text after the kept one: both counted, the kept one too.
  only.MergeText(text(1));
  ASSERT_EQ(only.Types(), plain.Types());
  for (const auto& [word, frequency, texts, bin0, bin1] : rows(only)) {
    const TWordCounter::TKeyView want = plain.Key(plain.Find(word, u""));
    EXPECT_EQ(frequency, 2 * want.frequency);
    EXPECT_EQ(texts, 2);
    EXPECT_EQ(bin1, 2 * want.bins[1]);
  }
}

// The run's parts, merged on helpers or one after the other, hold what one table holds: each key
// once, its counts and texts whole, the type count right after every text.
TEST(RunWordCounter, PartsHoldWhatOneTableHolds) {
  std::mt19937 rng(5);
  std::vector<TWordCounter> texts;
  for (int t = 0; t < 6; ++t) {
    TWordCounter c(3);
    // Enough keys that a run with helpers sorts its parts on threads of their own.
    for (int w = 0; w < 8000; ++w) c.Add(u"W" + IntToUStr(static_cast<int32_t>(rng() % 40000)), t % 2 ? u"<T>" : u"",
                                         static_cast<int32_t>(rng() % 3));
    texts.push_back(std::move(c));
  }
  TWordCounter plain(3);
  TRunWordCounter alone(3, false), helped(3, true);
  for (const TWordCounter& t : texts) {
    plain.MergeText(t);
    alone.MergeText(t);
    helped.MergeText(t);
    ASSERT_EQ(alone.Types(), plain.Types());
    ASSERT_EQ(helped.Types(), plain.Types());
  }
  ASSERT_GT(plain.Types(), 20000);
  const std::vector<int32_t> order = plain.Keys();
  for (const TRunWordCounter* run : {&alone, &helped}) {
    const std::vector<TWordCounter::TKeyView> keys = run->OrderedKeys();
    ASSERT_EQ(keys.size(), order.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      const TWordCounter::TKeyView want = plain.Key(order[i]);
      ASSERT_EQ(keys[i].word, want.word) << i;
      ASSERT_EQ(keys[i].tag, want.tag) << i;
      ASSERT_EQ(keys[i].frequency, want.frequency) << i;
      ASSERT_EQ(keys[i].texts, want.texts) << i;
      for (int d = 0; d < 3; ++d) ASSERT_EQ(keys[i].bins[d], want.bins[d]) << i;
    }
  }
}

}  // namespace

TEST(WordlistWorkers, TheVariableForcesTheNumberUnlessOneIsAskedFor) {
  const char* old = std::getenv("LINZORA_THREADS");
  const std::string kept = old ? old : "";
  setenv("LINZORA_THREADS", "3", 1);
  EXPECT_EQ(WordlistWorkerThreads(0), 3);
  EXPECT_EQ(WordlistWorkerThreads(2), 2);
  setenv("LINZORA_THREADS", "none", 1);
  EXPECT_GE(WordlistWorkerThreads(0), 1);
  if (old) setenv("LINZORA_THREADS", kept.c_str(), 1);
  else unsetenv("LINZORA_THREADS");
}
