#include <gtest/gtest.h>

#include <random>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "support/temp_folder.h"
#include "wordlist/word_list_document.h"

namespace {

class WordListDocument : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  static std::unique_ptr<T_WholeWordlistHolder> NewDoc(TTessorineList kind = kListWordList) {
    return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kind, false, false, nullptr, nullptr);
  }
  static void Fill(T_WholeWordlistHolder& doc) {
    doc.Words().AddRow({2, 10, 0.5f, u"CAT", u"", u""});
    doc.Words().AddRow({1, 3, 0.0f, u"DOG", u"", u""});
    TOne_text_stats_rec rec;
    rec.name = u"/texts/a.txt";
    doc.Stats().Add(new TStatsEntry(rec, false, &doc.Stats()));
    TKeywordRecord k{};
    k.frequency = 10;
    k.keyness = 6.9f;
    doc.Keywords().AddRow(k, u"CAT");
    doc.Keywords().KWSettings.SetMaxKeywordsWanted(500);
    doc.fColours[5] = 0x42;
    doc.fNotes.Add(u"made by hand");
  }
  static std::string Words(T_WholeWordlistHolder& doc) {
    std::string out;
    for (int i = 0; i < doc.Words().Count(); ++i)
      out += (i ? " " : "") + Utf16ToUtf8(doc.Words().Row(i)->data.word) + "/" +
             std::to_string(doc.Words().Row(i)->data.frequency);
    return out;
  }
  TempFolder tmp;
};

TEST_F(WordListDocument, SavedAndReadBack) {
  for (TTessorineList kind : {kListWordList, kListKeywords}) {
    auto doc = NewDoc(kind);
    Fill(*doc);
    const UString file = tmp.Path() + u"list" + IntToUStr(kind) + u".lst";
    ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0)) << kind;
    auto back = NewDoc();
    ASSERT_TRUE(back->ReadWholeFromFile(file, kToolConcordancer).first) << kind;
    EXPECT_EQ(back->ListKind, kind);
    if (kind == kListWordList) {
      EXPECT_EQ(Words(*back), "CAT/10 DOG/3");
      EXPECT_EQ(back->Stats().Count(), 1);
      EXPECT_EQ(back->Words().CellText(0, kWLColWord, kDisplayByFrequency), u"CAT");
    }
    ASSERT_EQ(back->Keywords().Count(), 1);
    EXPECT_EQ(back->Keywords().Row(0)->word, u"CAT");
    EXPECT_EQ(back->Keywords().KWSettings.MaxKeywordsWanted(), 500);
    EXPECT_EQ(back->fColours[5], 0x42);
    EXPECT_EQ(back->fNotes.Count(), 1);
    EXPECT_FALSE(back->BusyDontShowData());
    // Saved again, the file is the same.
    const UString again = tmp.Path() + u"again" + IntToUStr(kind) + u".lst";
    ASSERT_TRUE(back->SaveToFile(again, 0, 0, 0));
    TMemoryStream a, b;
    ASSERT_TRUE(a.LoadFromFile(file));
    ASSERT_TRUE(b.LoadFromFile(again));
    EXPECT_EQ(a.Size(), b.Size());
  }
}

TEST_F(WordListDocument, DamagedFilesAreRefusedAndTheDocumentKept) {
  auto doc = NewDoc();
  Fill(*doc);
  const UString file = tmp.Path() + u"good.lst";
  ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  TMemoryStream good;
  ASSERT_TRUE(good.LoadFromFile(file));
  const std::vector<uint8_t> bytes = good.Data();

  auto target = NewDoc();
  target->Words().AddRow({1, 7, 0.0f, u"KEEP", u"", u""});
  auto check_kept = [&](const char* what, size_t at) {
    EXPECT_EQ(Words(*target), "KEEP/7") << what << " " << at;
    EXPECT_EQ(target->ListKind, kListWordList);
    EXPECT_FALSE(target->BusyDontShowData());
  };
  const UString bad = tmp.Path() + u"bad.lst";
  // Every cut.
  for (size_t cut = 0; cut < bytes.size(); cut += (cut < 700 ? 1 : 7)) {
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
    ASSERT_TRUE(s.SaveToFile(bad));
    EXPECT_FALSE(target->ReadWholeFromFile(bad, kToolConcordancer).first) << cut;
    check_kept("cut", cut);
  }
  EXPECT_NE(target->LastFailure().find(u"bad.lst"), UString::npos);
  // Garbled bytes: never a crash; a read that succeeds is a whole document.
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> g = bytes;
    const int changes = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < changes; ++k) g[57 + rng() % (g.size() - 57)] = static_cast<uint8_t>(rng());
    TMemoryStream s(g);
    auto fresh = NewDoc();
    (void)fresh->ReadWholeFromStream(s);
    EXPECT_FALSE(fresh->BusyDontShowData());
  }
}

TEST_F(WordListDocument, MergingAddsUpEqualWords) {
  auto a = NewDoc();
  auto b = NewDoc();
  a->Words().AddRow({1, 5, 0.0f, u"CAT", u"", u""});
  a->Words().AddRow({1, 2, 0.0f, u"ZEBRA", u"", u""});
  b->Words().AddRow({2, 3, 0.0f, u"CAT", u"", u""});
  b->Words().AddRow({1, 1, 0.0f, u"ANT", u"", u""});
  ASSERT_TRUE(a->MergeWith(*b, u"b.lst"));
  EXPECT_EQ(Words(*a), "ANT/1 CAT/8 ZEBRA/2");
  EXPECT_EQ(a->Words().Row(1)->data.n_texts, 3);
  EXPECT_EQ(a->Words().CellText(0, kWLColWord, kDisplayByFrequency), u"CAT");
  // A refused merge changes neither.
  auto c = NewDoc(kListKeywords);
  c->Words().AddRow({1, 1, 0.0f, u"OWL", u"", u""});
  EXPECT_FALSE(a->MergeWith(*c, u"c.lst"));
  EXPECT_EQ(Words(*a), "ANT/1 CAT/8 ZEBRA/2");
  EXPECT_EQ(Words(*c), "OWL/1");
  a->Words().SetListBusy(kBusySorting);
  auto d = NewDoc();
  d->Words().AddRow({1, 1, 0.0f, u"EEL", u"", u""});
  EXPECT_FALSE(a->MergeWith(*d, u"d.lst"));
  a->Words().SetListBusy(kBusyNone);
  EXPECT_EQ(Words(*d), "EEL/1");
}

TEST_F(WordListDocument, MakingADocumentLeavesTheStopStateAlone) {
  global_panic_state = kPanicEndOfText;
  auto doc = NewDoc();
  EXPECT_EQ(global_panic_state, kPanicEndOfText);
  global_panic_state = kPanicNone;
}

}  // namespace
