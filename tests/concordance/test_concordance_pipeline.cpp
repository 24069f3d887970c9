// A whole concordance run on real texts: the reader, tag handler and engine in each worker, the
// committer on this thread, the concordance list at the end. Eight workers must give the list one
// worker gives, byte for byte, with limits, the word gap and a failing text on the way.
#include <gtest/gtest.h>

#include <random>

#include "concordance/lines/concordance_list.h"
#include "concordance/run/concordance_run.h"
#include "../model/text_reader_test_support.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/search/fast_first_pass.h"
#include "platform/text/text_services.h"
#include "support/temp_folder.h"

namespace {

class TDocument : public TConcordanceListDocument {};

// Sixty texts: UTF-8, UTF-16 and 1252, some without any search word, one over two chunks; lines
// of Latin-1 and 1252 punctuation (kept a byte a character) and with Cyrillic (two bytes); words
// apart by a blank, now and then by runs of blanks, tabs and empty lines. Then three texts of
// plain words with one beyond ASCII now and then.
std::vector<UString> WriteCorpus(const TempFolder& tmp) {
  static const char16_t* kWords[] = {u"the", u"old", u"man", u"sat", u"by", u"sea", u"and", u"a", u"dog",
                                     u"caf\u00E9", u"ran", u"home", u"slowly", u"green",
                                     u"\u201Csaid\u201D", u"\u0436\u0443\u043A"};
  std::mt19937 rng(7);
  std::vector<UString> names;
  for (int t = 0; t < 60; ++t) {
    const size_t words = t == 17 ? 450000 : 200 + rng() % 3000;
    UString text;
    for (size_t w = 0; w < words; ++w) {
      const char16_t* word = kWords[rng() % (t % 10 == 3 ? 8 : (t % 4 == 0 ? 16 : 14))];  // every tenth text has no dog
      if (t % 10 == 3 && UString(word) == u"old") word = u"young";
      static const char16_t* kGaps[] = {u" ", u" ", u" ", u" ", u" ", u" ", u"  ", u" \t ", u"\r\n\r\n", u".\n"};
      text += word;
      text += (w % 13 == 12) ? u".\n" : kGaps[rng() % std::size(kGaps)];
    }
    const UString name = u"t" + IntToUStr(t) + u".txt";
    std::string bytes;
    if (t % 3 == 1) bytes = text_reader_test::Utf16Bytes(text, true, true);
    else if (t % 3 == 2) bytes = EncodeCodePage(text, 1252);
    else bytes = Utf16ToUtf8(text);
    names.push_back(tmp.Write(name, bytes));
  }
  // Plain English where a word beyond ASCII comes once in a few hundred: a frequent word's lines
  // change between the one-byte form and the general one as their windows meet those words.
  for (int t = 0; t < 3; ++t) {
    UString text;
    for (size_t w = 0; w < 20000; ++w) {
      text += rng() % 250 == 0 ? kWords[9 + rng() % 7] : kWords[rng() % 8];
      text += rng() % 40 == 0 ? u"\r\n\r\n" : u" ";
    }
    const std::string bytes = t == 1 ? text_reader_test::Utf16Bytes(text, true, true) : Utf16ToUtf8(text);
    names.push_back(tmp.Write(u"sparse" + IntToUStr(t) + u".txt", bytes));
  }
  names.push_back(tmp.Write(u"gone.txt", "x"));  // chosen, then deleted: it cannot be read
  return names;
}

struct TRunSaw {
  std::string list_bytes;
  std::vector<TTextRunOutcome> texts;
  std::vector<int32_t> counters;
  bool limit_reached = false;
  int64_t lines = 0;
  int64_t forms[3] = {};  // lines kept in each form (ASCII, a byte a character, UTF-16)
};

TRunSaw RunOnce(const std::vector<TChosenFileDetailsFullRec>& details, int32_t threads, int32_t wanted,
                int32_t gap, UStringView items = u"old man\ncaf\u00E9\ndog", bool full_road = false) {
  SetFastFirstPass(!full_road);
  TDocument doc;
  TConcordanceList list(nullptr, &doc);
  TTextsIntoListChoices choices;
  choices.threads = threads;
  choices.lines_wanted_per_item = wanted;
  choices.allowed_word_gap = gap;
  const TConcordanceRunResult result = RunTextsIntoList(details, items, list, choices);
  SetFastFirstPass(true);
  TRunSaw saw;
  TMemoryStream m;
  EXPECT_TRUE(list.SaveToStream(m));
  saw.list_bytes.assign(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  // Lines that share their texts with their neighbours save as lines with texts of their own.
  for (int i = 0; i < list.Count(); ++i) list.Line(i)->SetText(UString(list.Line(i)->Text()));
  TMemoryStream own;
  EXPECT_TRUE(list.SaveToStream(own));
  EXPECT_TRUE(std::string(reinterpret_cast<const char*>(own.Memory()), static_cast<size_t>(own.Size())) ==
              saw.list_bytes);
  saw.texts = result.texts;
  saw.counters = result.sws_found_counter;
  saw.limit_reached = result.sw_limit_reached;
  saw.lines = list.Count();
  for (int i = 0; i < list.Count(); ++i) {
    const TLineText text = list.Line(i)->Text();
    ++saw.forms[static_cast<int>(text.Form())];
    // Each line is kept in the shortest form its characters allow, however it was cut.
    EXPECT_EQ(text.Form(), LineTextFormOf(UString(text))) << i;
  }
  return saw;
}

}  // namespace

TEST(ConcordancePipeline, EightWorkersMakeTheListOneWorkerMakes) {
  TempFolder tmp;
  const std::vector<UString> names = WriteCorpus(tmp);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : names) ASSERT_TRUE(chosen.ToolAddAFile(n));
  std::vector<TChosenFileDetailsFullRec> details;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) details.push_back(chosen.GetFullFileDetails(i));
  ASSERT_TRUE(DeleteFileU(names.back()));  // chosen while it was there; gone when read
  struct Case {
    const char* name;
    int32_t wanted, gap;
    UStringView items = u"old man\ncaf\u00E9\ndog";
  };
  // Frequent words' lines overlap most of their width and are cut going on from each other: they
  // are those the full road (with no fast first pass, each line cut whole) makes.
  for (const Case c : {Case{"everything", 1000000, -1}, Case{"limit reached mid-text", 700, -1},
                       Case{"word gap", 1000000, 3}, Case{"frequent words", 1000000, -1, u"the\na\nsea"}}) {
    SCOPED_TRACE(c.name);
    const TRunSaw one = RunOnce(details, 1, c.wanted, c.gap, c.items);
    const TRunSaw many = RunOnce(details, 8, c.wanted, c.gap, c.items);
    if (c.items == u"the\na\nsea") {
      const TRunSaw full = RunOnce(details, 1, c.wanted, c.gap, c.items, true);
      EXPECT_EQ(one.lines, full.lines);
      EXPECT_TRUE(one.list_bytes == full.list_bytes);
    }
    if (c.wanted != 700) {  // every text is read; the last one fails and the run goes on
      ASSERT_EQ(one.texts.size(), details.size());
      EXPECT_FALSE(one.texts.back().read_ok);
    }
    EXPECT_GT(one.lines, 0);
    EXPECT_EQ(one.lines, many.lines);
    EXPECT_TRUE(one.list_bytes == many.list_bytes);
    EXPECT_EQ(one.texts, many.texts);
    EXPECT_EQ(one.counters, many.counters);
    EXPECT_EQ(one.limit_reached, many.limit_reached);
    EXPECT_GT(one.forms[static_cast<int>(TLineTextForm::kNarrow)], 0);
    EXPECT_GT(one.forms[static_cast<int>(TLineTextForm::kWide)], 0);
    for (int form = 0; form < 3; ++form) EXPECT_EQ(one.forms[form], many.forms[form]) << form;
    if (c.wanted == 700) {
      EXPECT_TRUE(one.limit_reached);
      EXPECT_LE(one.lines, 3 * 700);
    }
  }
}
