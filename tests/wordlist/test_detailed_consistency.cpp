#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "model/text_reader_test_support.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/settings/settings_access.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"
#include "wordlist/analysis_test_support.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/relationships_list.h"

namespace {

using analysistest::NewDoc;

struct TListPlan {
  const char16_t* file;
  std::vector<std::pair<const char16_t*, int>> words;  // word, frequency (texts 2 each)
  std::vector<const char16_t*> texts;
  int32_t lcid = 0x0409;
};

class DetailedConsistency : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }

  UString Save(const TListPlan& plan) {
    auto doc = NewDoc();
    for (const auto& [w, f] : plan.words) {
      TWordlistData d;
      d.word = w;
      d.frequency = f;
      d.n_texts = 2;
      doc->Words().AddRow(d);
    }
    int32_t running = 0;
    for (const auto& w : plan.words) running += w.second;
    for (const char16_t* t : plan.texts) {
      TOne_text_stats_rec rec;
      rec.name = t;
      rec.data.running_words = running / static_cast<int32_t>(plan.texts.size());
      doc->Stats().Add(new TStatsEntry(rec, false, &doc->Stats()));
    }
    doc->Stats().Overall_stats.data.running_words = running;
    doc->Stats().Overall_stats.data.types = static_cast<int32_t>(plan.words.size());
    TTextsett_rec32 ts = doc->TextSettings();
    ts.SetLCID(plan.lcid);
    doc->SetTextSettings(ts);
    const UString name = tmp.Path() + plan.file;
    EXPECT_TRUE(doc->SaveToFile(name, 0, 0, 0));
    return name;
  }

  // Three lists of two texts each; "The" and "THE" meet in list a.
  std::vector<UString> ThreeLists(bool share_a_text = false) {
    return {Save({u"a.lst", {{u"THE", 10}, {u"The", 2}, {u"CAT", 3}, {u"DOG", 1}, {u"FOX", 2}}, {u"/t/a1.txt", u"/t/a2.txt"}}),
            Save({u"b.lst", {{u"THE", 5}, {u"DOG", 4}, {u"EMU", 2}, {u"FOX", 1}}, {u"/t/b1.txt", u"/t/b2.txt"}}),
            Save({u"c.lst", {{u"THE", 8}, {u"CAT", 3}, {u"EMU", 1}, {u"GNU", 7}},
                  {share_a_text ? u"/t/a1.txt" : u"/t/c1.txt", u"/t/c2.txt"}})};
  }

  static std::string Rows(TDetailedConsistencyList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
      const TDetailedConsistency_rec& d = list.Row(i)->data;
      out += (i ? " " : "") + Utf16ToUtf8(d.word) + "[";
      for (size_t l = 0; l < d.per_list.size(); ++l) out += (l ? "," : "") + std::to_string(d.per_list[l]);
      out += "]" + std::to_string(d.total) + "m" + std::to_string(d.most_used);
    }
    return out;
  }

  void SetMinimums(int32_t lists, int32_t total) {
    TDetailedConsistencySettingsRec r = GetDetailedConsistencySettings();
    r.SetMinTexts(lists);
    r.SetMinTotalFrequency(total);
    SetDetailedConsistencySettings(r);
  }

  text_reader_test::ScopedSettings settings_;
  TempFolder tmp;
};

TEST_F(DetailedConsistency, ThreeListsByHand) {
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList(ThreeLists()));
  TDetailedConsistencyList& list = doc->DetailedConsistency();
  EXPECT_EQ(doc->ListKind, kListDetailedConsistency);
  EXPECT_EQ(list.NLists(), 3);
  // "The" and "THE" of list a add up; CAT ties between a and c: the earlier list is most used.
  EXPECT_EQ(Rows(list), "CAT[3,0,3]6m0 DOG[1,4,0]5m1 EMU[0,2,1]3m1 FOX[2,1,0]3m0 GNU[0,0,7]7m2 THE[12,5,8]25m0");
  // Texts: two per list where a word occurs.
  EXPECT_EQ(list.Row(5)->data.texts, 8);  // "The" brings its own two
  EXPECT_EQ(list.Row(0)->data.texts, 4);
  // The per-list columns follow the standard ones, headed by the lists' names.
  ASSERT_EQ(list.HeadingCount(), 9);
  EXPECT_EQ(list.Headings()[6], u"a");
  EXPECT_EQ(list.Headings()[8], u"c");
  TGrid_data_rec cell;
  list.DrawgridDataRec(7, 2, cell, 0);  // DOG in list b
  EXPECT_EQ(cell.number.value, 4.0f);
  list.DrawgridDataRec(3, 6, cell, 0);  // THE's texts
  EXPECT_EQ(cell.number.value, 8.0f);
  // Column totals: each list's frequencies over the rows.
  list.ComputeColumnTotals();
  EXPECT_EQ(list.Column_totals, (std::vector<int32_t>{18, 12, 19}));
  // Running words of each list, from its statistics.
  EXPECT_EQ(list.RunningWordTotals, (std::vector<int32_t>{18, 12, 19}));
  EXPECT_EQ(doc->Stats().Count(), 6);
}

TEST_F(DetailedConsistency, DicePerPairIsTwiceTheSharedOverTheWords) {
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList(ThreeLists()));
  TDetailedConsistencyRelationsList& r = doc->DetailedConsistency().Relations();
  ASSERT_EQ(r.Count(), 3);
  // Types: a THE CAT DOG FOX ("The" is a row of its own in a) = 5; b 4; c 4.
  struct Pair {
    const char16_t *a, *b;
    int32_t shared, words1, words2;
  } expected[] = {{u"a", u"b", 3, 5, 4}, {u"a", u"c", 2, 5, 4}, {u"b", u"c", 2, 4, 4}};
  for (int i = 0; i < 3; ++i) {
    const TInterFileRelation& d = r.Row(i)->dcr_data;
    EXPECT_EQ(d.name1, expected[i].a);
    EXPECT_EQ(d.name2, expected[i].b);
    EXPECT_EQ(d.shared, expected[i].shared) << i;
    EXPECT_EQ(d.words1, expected[i].words1);
    EXPECT_EQ(d.words2, expected[i].words2);
    EXPECT_FLOAT_EQ(d.dice, 2.0f * expected[i].shared / (expected[i].words1 + expected[i].words2)) << i;
  }
}

TEST_F(DetailedConsistency, MinimumListsAndTotal) {
  const struct {
    int32_t lists, total;
    const char* words;
  } cases[] = {{1, 1, "CAT DOG EMU FOX GNU THE"}, {2, 1, "CAT DOG EMU FOX THE"}, {3, 1, "THE"},
               {1, 7, "GNU THE"},                {2, 6, "CAT THE"}};
  const std::vector<UString> files = ThreeLists();
  for (const auto& c : cases) {
    SetMinimums(c.lists, c.total);
    auto doc = NewDoc();
    ASSERT_TRUE(doc->MakeDetailedConsistencyList(files));
    std::string words;
    for (int i = 0; i < doc->DetailedConsistency().Count(); ++i)
      words += (i ? " " : "") + Utf16ToUtf8(doc->DetailedConsistency().Row(i)->data.word);
    EXPECT_EQ(words, c.words) << c.lists << "/" << c.total;
    // The relations count every shared word, shown or not.
    EXPECT_EQ(doc->DetailedConsistency().Relations().Row(0)->dcr_data.shared, 3);
  }
}

TEST_F(DetailedConsistency, FilesThatCannotBeComparedAreNamedAndTheRestNumberedInOrder) {
  std::vector<UString> files = ThreeLists();
  const UString text = tmp.Path() + u"plain.txt";
  ASSERT_TRUE(SafeSaveBytes(text, "just words", 10));
  const UString german = Save({u"de.lst", {{u"DER", 4}}, {u"/t/d1.txt", u"/t/d2.txt"}, 0x0407});
  const UString austrian = Save({u"at.lst", {{u"THE", 1}}, {u"/t/e1.txt", u"/t/e2.txt"}, 0x0809});
  files.insert(files.begin() + 1, tmp.Path() + u"missing.lst");
  files.insert(files.begin() + 2, text);
  files.push_back(german);
  files.push_back(austrian);  // English too, of another country: compared
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList(files));
  TDetailedConsistencyList& list = doc->DetailedConsistency();
  EXPECT_EQ(list.NLists(), 4);
  ASSERT_EQ(doc->FailedTexts().size(), 3u);
  EXPECT_NE(doc->FailedTexts()[0].find(u"missing.lst"), UString::npos);
  EXPECT_NE(doc->FailedTexts()[1].find(u"plain.txt"), UString::npos);
  EXPECT_NE(doc->FailedTexts()[2].find(u"de.lst"), UString::npos);
  EXPECT_NE(doc->LastFailure().find(u"plain.txt"), UString::npos);
  bool noted = false;
  for (int i = 0; i < doc->fNotes.Count(); ++i) noted = noted || doc->fNotes.Lines()[static_cast<size_t>(i)].find(u"de.lst") != UString::npos;
  EXPECT_TRUE(noted);
  // The lists read keep one numbering: b is list 1 in rows and relations alike.
  EXPECT_EQ(Rows(list), "CAT[3,0,3,0]6m0 DOG[1,4,0,0]5m1 EMU[0,2,1,0]3m1 FOX[2,1,0,0]3m0 GNU[0,0,7,0]7m2 THE[12,5,8,1]26m0");
  TDetailedConsistencyRelationsList& r = list.Relations();
  ASSERT_EQ(r.Count(), 6);
  EXPECT_EQ(r.Row(0)->dcr_data.name2, u"b");
  EXPECT_EQ(r.Row(0)->dcr_data.shared, 3);
  EXPECT_EQ(r.Row(2)->dcr_data.name2, u"at");
  EXPECT_EQ(r.Row(2)->dcr_data.shared, 1);
}

TEST_F(DetailedConsistency, NoListReadMakesNothing) {
  const std::vector<UString> files = ThreeLists();
  for (const std::vector<UString>& inputs :
       {std::vector<UString>{}, std::vector<UString>{tmp.Path() + u"gone.lst"}, std::vector<UString>{tmp.Path()}}) {
    auto doc = NewDoc();
    doc->DetailedConsistency().SetNLists(1);
    doc->DetailedConsistency().AddRow({0, 0, 1, 1, {1}, u"OLD"});
    EXPECT_FALSE(doc->MakeDetailedConsistencyList(inputs)) << inputs.size();
    EXPECT_EQ(doc->ListKind, kListWordList);
    EXPECT_EQ(doc->DetailedConsistency().Count(), 1);
    EXPECT_FALSE(doc->LastFailure().empty());
  }
}

TEST_F(DetailedConsistency, OneListAloneGivesItsWordsAndNoRelations) {
  const std::vector<UString> files = ThreeLists();
  // A missing second file leaves one list read: it is compared with nothing, but compared.
  for (const std::vector<UString>& inputs :
       {std::vector<UString>{files[0]}, std::vector<UString>{files[0], tmp.Path() + u"gone.lst"}}) {
    auto doc = NewDoc();
    ASSERT_TRUE(doc->MakeDetailedConsistencyList(inputs)) << Utf16ToUtf8(doc->LastFailure());
    TDetailedConsistencyList& list = doc->DetailedConsistency();
    EXPECT_EQ(doc->ListKind, kListDetailedConsistency);
    EXPECT_EQ(list.NLists(), 1);
    // "THE" and "The" meet: 10 + 2.
    EXPECT_EQ(Rows(list), "CAT[3]3m0 DOG[1]1m0 FOX[2]2m0 THE[12]12m0");
    EXPECT_EQ(list.Relations().Count(), 0);
    EXPECT_EQ(list.Headings().back(), u"a");
  }
}

TEST_F(DetailedConsistency, ListsSharingATextShowNoTexts) {
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList(ThreeLists(true)));
  TDetailedConsistencyList& list = doc->DetailedConsistency();
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Row(i)->data.texts, -999999) << i;
    TGrid_data_rec cell;
    list.DrawgridDataRec(3, i + 1, cell, 0);
    EXPECT_FALSE(cell.has_number);
  }
}

TEST_F(DetailedConsistency, ListsInsideAZipArchiveAreComparedInNameOrder) {
  const std::vector<UString> files = ThreeLists();
  const UString archive = tmp.Path() + u"lists.zip";
  {
    TZipForge zip;
    zip.SetFileName(archive);
    ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::ReadWrite));
    ASSERT_TRUE(zip.AddFile(files[2], u"c.lst"));
    ASSERT_TRUE(zip.AddFile(files[0], u"a.lst"));
    ASSERT_TRUE(zip.CloseArchive());
  }
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList({archive, files[1]}));
  TDetailedConsistencyList& list = doc->DetailedConsistency();
  ASSERT_EQ(list.NLists(), 3);
  EXPECT_EQ(list.Headings()[6], u"a");
  EXPECT_EQ(list.Headings()[7], u"c");
  EXPECT_EQ(list.Headings()[8], u"b");
}

TEST_F(DetailedConsistency, Kind4SavesAndReopens) {
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList(ThreeLists()));
  const UString file = tmp.Path() + u"dc.lst";
  ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  auto back = NewDoc();
  ASSERT_TRUE(back->ReadWholeFromFile(file, kToolConcordancer).first);
  EXPECT_EQ(back->ListKind, kListDetailedConsistency);
  TDetailedConsistencyList& list = back->DetailedConsistency();
  EXPECT_EQ(list.GetVersionNumber(), 22);
  EXPECT_EQ(Rows(list), Rows(doc->DetailedConsistency()));
  EXPECT_EQ(list.RunningWordTotals, (std::vector<int32_t>{18, 12, 19}));
  EXPECT_EQ(list.DetConsistSettings.NLists(), 3);
  EXPECT_EQ(list.Relations().Count(), 3);
  EXPECT_FLOAT_EQ(list.Relations().Row(0)->dcr_data.dice, 2.0f * 3 / 9);
  EXPECT_EQ(back->Stats().Count(), 6);
  EXPECT_EQ(back->TessorineHolderMainListCount(), 6);
  // A file cut short is refused and the document kept.
  TMemoryStream whole;
  ASSERT_TRUE(whole.LoadFromFile(file));
  for (int64_t cut : {whole.Size() / 3, whole.Size() - 3}) {
    const UString damaged = tmp.Path() + u"cut.lst";
    ASSERT_TRUE(SafeSaveBytes(damaged, whole.Data().data(), cut));
    auto kept = NewDoc();
    EXPECT_FALSE(kept->ReadWholeFromFile(damaged, kToolConcordancer).first) << cut;
    EXPECT_EQ(kept->ListKind, kListWordList);
    EXPECT_EQ(kept->DetailedConsistency().Count(), 0);
  }
}

// A document holding a relationships list (German text) reads a kind 4 file: cut, it keeps its
// kind, rows and language; whole, it takes the file's lists, the relationships list is emptied,
// and every list it now holds answers to it, not to the document the file was read into first.
TEST_F(DetailedConsistency, AHeldRelationshipsListGivesWayOnlyToAWholeFile) {
  auto made = NewDoc();
  ASSERT_TRUE(made->MakeDetailedConsistencyList(ThreeLists()));
  const UString file = tmp.Path() + u"dc.lst";
  ASSERT_TRUE(made->SaveToFile(file, 0, 0, 0));
  TMemoryStream whole;
  ASSERT_TRUE(whole.LoadFromFile(file));

  auto held = NewDoc(kListRelationships);
  TMutualInfoRec pair{};
  pair.joint = 4;
  held->Relationships().AddRow(pair, u"RIVER", u"BANK");
  Tfixed_lang_details32 german = held->TextSettings().Language();
  german.SetLCID(0x0407);
  german.SetLanguageName(u"German");
  held->SetTextSettings_Language(german);
  ASSERT_EQ(held->LCID(), 0x0407);
  for (int64_t cut : {int64_t{60}, whole.Size() / 3, whole.Size() - 3}) {
    const UString damaged = tmp.Path() + u"cut.lst";
    ASSERT_TRUE(SafeSaveBytes(damaged, whole.Data().data(), cut));
    EXPECT_FALSE(held->ReadWholeFromFile(damaged, kToolConcordancer).first) << cut;
    EXPECT_EQ(held->ListKind, kListRelationships) << cut;
    EXPECT_EQ(held->Relationships().Count(), 1) << cut;
    EXPECT_EQ(held->DetailedConsistency().Count(), 0) << cut;
    EXPECT_EQ(held->LCID(), 0x0407) << cut;
  }
  ASSERT_TRUE(held->ReadWholeFromFile(file, kToolConcordancer).first);
  EXPECT_EQ(held->ListKind, kListDetailedConsistency);
  EXPECT_EQ(Rows(held->DetailedConsistency()), Rows(made->DetailedConsistency()));
  EXPECT_EQ(held->DetailedConsistency().Relations().Count(), 3);
  EXPECT_EQ(held->Relationships().Count(), 0);
  EXPECT_EQ(held->Stats().Count(), 6);
  EXPECT_EQ(held->LCID(), 0x0409);
  for (const TVXBaseDataClass* list :
       {static_cast<const TVXBaseDataClass*>(&held->DetailedConsistency()),
        static_cast<const TVXBaseDataClass*>(&held->DetailedConsistency().Relations()),
        static_cast<const TVXBaseDataClass*>(&held->Relationships()),
        static_cast<const TVXBaseDataClass*>(&held->Stats()), static_cast<const TVXBaseDataClass*>(&held->Words())})
    EXPECT_EQ(list->Holder(), held.get());
}

TEST_F(DetailedConsistency, AVersion10ListHasNoSettingsButItsRelations) {
  auto doc = NewDoc();
  TDetailedConsistencyList made(doc.get());
  made.SetNLists(2);
  made.AddRow({1, 0, 3, 9, {4, 5}, u"OAK"});
  made.AddRow({0, 0, 2, 6, {6, 0}, u"ELM"});
  TInterFileRelation rel{0.5f, 1, 2, 2, u"x", u"y"};
  auto* e = new TDetailedConsistencyRelationsEntry(&made.Relations(), rel);
  ASSERT_GE(made.Relations().Add(e), 0);
  // An old list: N, the list block at version 10, then straight to the relations.
  TMemoryStream s;
  ASSERT_TRUE(WriteI32(s, 2));
  const int64_t block = s.Position();
  made.SetVersionNumber(10);
  ASSERT_TRUE(made.TVXBaseLemmaMatchCapableList::SaveToStream(s));
  int32_t version = 0;
  std::memcpy(&version, s.Data().data() + block + 40 + 12, 4);
  ASSERT_EQ(version, 10);
  ASSERT_TRUE(made.Relations().SaveToStream(s));
  ASSERT_TRUE(s.SetPosition(0));
  TDetailedConsistencyList back(doc.get());
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(s.BytesLeft(), 0);
  EXPECT_EQ(back.NLists(), 2);
  EXPECT_EQ(Rows(back), "OAK[4,5]9m1 ELM[6,0]6m0");
  EXPECT_EQ(back.RunningWordTotals, (std::vector<int32_t>{0, 0}));
  ASSERT_EQ(back.Relations().Count(), 1);
  EXPECT_EQ(back.Relations().Row(0)->dcr_data.name2, u"y");
}

TEST_F(DetailedConsistency, DamagedCountsAreRefused) {
  auto doc = NewDoc();
  for (int32_t n : {-1, kMaxDetailedConsistencyLists + 1, 1000}) {
    TMemoryStream s;
    ASSERT_TRUE(WriteI32(s, n));
    ASSERT_TRUE(s.SetPosition(0));
    TDetailedConsistencyList back(doc.get());
    EXPECT_FALSE(back.ReadFromStream(s)) << n;
  }
}

TEST_F(DetailedConsistency, SortKindsOfTheColumns) {
  auto doc = NewDoc();
  ASSERT_TRUE(doc->MakeDetailedConsistencyList(ThreeLists()));
  TDetailedConsistencyList& list = doc->DetailedConsistency();
  const std::pair<int, int32_t> kinds[] = {{0, kDCSortWords}, {1, kDCSortWords}, {2, kDCSortTotal}, {3, kDCSortTexts},
                                           {4, kDCSortLemmas}, {5, kDCSortSet}, {7, kDCSortListFrequency}};
  for (const auto& [column, kind] : kinds) EXPECT_EQ(list.HeaderColumnToSortNeeded(0, column), kind) << column;
  // Column 7 is list b: sorted by its frequencies, then the words.
  list.Set1Sort(0, list.HeaderColumnToSortNeeded(0, 7));
  list.SetSortAscending(0, false);
  list.Set1Sort(1, kDCSortWords);
  ASSERT_TRUE(list.DoASort(2, 0, list.Count() - 1));
  EXPECT_EQ(Utf16ToUtf8(list.Row(0)->data.word), "THE");
  EXPECT_EQ(Utf16ToUtf8(list.Row(1)->data.word), "DOG");
  EXPECT_EQ(Utf16ToUtf8(list.Row(2)->data.word), "EMU");
  list.Set1Sort(0, kDCSortTotal);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Utf16ToUtf8(list.Row(0)->data.word), "THE");
  EXPECT_EQ(Utf16ToUtf8(list.Row(1)->data.word), "GNU");
}

}  // namespace
