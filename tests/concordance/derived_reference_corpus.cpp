// The collocates' association against a word list read from a ".lst" file, as the concordance
// document runs it, and the word list as the association's reference.
#include <gtest/gtest.h>

#include <cmath>

#include "concordance/views/collocates_list.h"
#include "concordance/views/reference_corpus.h"
#include "../model/chosen_texts_test_support.h"
#include "derived_test_support.h"
#include "document_test_support.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_maths.h"
#include "shell/files/file_recognition.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

using namespace document_test;

namespace {

std::unique_ptr<T_WholeWordlistHolder> NewWordList() {
  return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr,
                                                 nullptr);
}

// A ".lst" of hand-chosen frequencies (rows added out of order, some in lower case).
UString WriteReference(const TempFolder& tmp, const char16_t* name,
                       std::initializer_list<std::pair<const char16_t*, int>> rows) {
  auto doc = NewWordList();
  for (const auto& [w, f] : rows) doc->Words().AddRow({1, f, 0.0f, w, u"", u""});
  const UString file = tmp.Path() + name;
  EXPECT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  return file;
}

struct TCorpusRun {
  ScopedSettings settings;
  TTextFolder texts{{u"a.txt", "the old man and the sea. the old dog ran."},
                    {u"b.txt", "a dog and an old cat. the old man."}};
  TRunDone run;
  TCollocateList* list = nullptr;
  explicit TCorpusRun(const char16_t* search = u"old") {
    TConcSettingsRec32 rec = GetConcSaveRec();
    rec.SetMinCollocateFrequency(1);
    rec.SetMinCollocateTexts(1);
    SetConcSaveRec(rec);
    run = RunConcordance({texts.names, search});
    EXPECT_TRUE(run.found);
    list = dynamic_cast<TCollocateList*>(run.doc->fCollocateList.get());
    EXPECT_NE(list, nullptr);
  }
  T_WholeLinzoraHolder& doc() { return *run.doc; }
  const TCollocateEntry* Row(const char16_t* word) const {
    for (int i = 0; i < list->Count(); ++i)
      if (list->Row(i)->rec.word == UString(word)) return list->Row(i);
    return nullptr;
  }
};

std::vector<float> Values(const TCollocateEntry& e) {
  std::vector<float> v;
  for (int k = 0; k < 11; ++k) v.push_back(e.rec.Statistic(k));
  return v;
}

}  // namespace

TEST(ReferenceWordList, LooksUpThroughTheSortedListWithCaseAndLemmas) {
  TVXBaseHolder h;
  TVXWordList words(&h);
  for (auto [w, f] : std::initializer_list<std::pair<const char16_t*, int>>{
           {u"zebra", 1}, {u"DOG", 30}, {u"man", 20}, {u"Dog", 5}, {u"ALPHA", 2}, {u"DOGS", 4}})
    words.AddRow({1, f, 0.0f, w, u"", u""});
  TWordListReference ref(words, false);
  EXPECT_EQ(ref.Count(), 6);
  EXPECT_EQ(ref.Total(), 62);  // no statistics: the rows' own frequencies
  EXPECT_EQ(ref.Frequency(u"MAN", false), 20);
  EXPECT_EQ(ref.Frequency(u"MAN", true), -1);
  EXPECT_EQ(ref.Frequency(u"Dog", true), 5);
  EXPECT_EQ(ref.Frequency(u"DOG", true), 30);
  EXPECT_EQ(ref.Frequency(u"dOG", true), -1);
  EXPECT_EQ(ref.Frequency(u"zebra", false), 1);
  EXPECT_EQ(ref.Frequency(u"cow", false), -1);
  // A form joined under its head counts with it only with full lemma processing.
  const int head = words.Find_WordStr(u"DOG", true);
  const int form = words.Find_WordStr(u"DOGS", true);
  ASSERT_TRUE(words.Join(head, form, false));
  EXPECT_EQ(TWordListReference(words, true).Frequency(u"DOG", true), 34);
  EXPECT_EQ(TWordListReference(words, false).Frequency(u"DOG", true), 30);
}

TEST(ReferenceWordList, TotalIsTheStatisticsRunningWords) {
  TVXBaseHolder h;
  TVXWordList words(&h);
  words.AddRow({1, 7, 0.0f, u"A", u"", u""});
  TVXStatsList stats(&h);
  stats.Overall_stats.data.running_words = 5000;
  words.fStatsList = &stats;
  EXPECT_EQ(TWordListReference(words, false).Total(), 5000);
}

TEST(ReferenceCorpusInDocument, AssociationFromALstFile) {
  TCorpusRun c;
  TempFolder tmp;
  const UString lst = WriteReference(tmp, u"ref.lst", {{u"the", 60}, {u"OLD", 50}, {u"man", 20}, {u"dog", 30}});
  const TCollocateEntry* man = c.Row(u"MAN");
  ASSERT_NE(man, nullptr);
  const int32_t joint = man->rec.head.total;
  ASSERT_GT(joint, 0);
  TAssociationRequest req;
  req.reference_file = lst;
  req.details_file = lst;
  req.case_sensitive = true;  // collocates in capitals: looked up without case all the same
  req.parameter = 16;
  const TAssociationOutcome out = c.doc().REComputeCollocateAssociation(req);
  EXPECT_TRUE(out.success);
  EXPECT_EQ(out.code, 0);
  EXPECT_EQ(out.export_file, tmp.Path() + u"ref.details.txt");
  EXPECT_TRUE(FileExists(out.export_file));
  EXPECT_EQ(c.doc().fAssociationParameter, 16);
  EXPECT_EQ(c.doc().fComputed[0], 1);
  EXPECT_TRUE(c.list->fsettings.saved_relationships_computed);
  // Dice = 2 * joint / (f1 + f2) with f1 = 50 (OLD), f2 = 20 (man); N = 160, the rows' sum.
  EXPECT_NEAR(man->rec.Statistic(0), 2.0 * joint / 70.0, 1e-6);
  // Conditional probability A: the share of the words within the spans of OLD that are man,
  // joint / (f1 x span), the spans holding at most the list's 160 words.
  const TConcSettingsRec32 rec = GetConcSaveRec();
  const double window = std::max(1, rec.CollocHorizonLeft() + rec.CollocHorizonRight());
  EXPECT_NEAR(man->rec.Statistic(7), joint / std::min(160.0, 50.0 * window), 1e-6);
  // A collocate the list lacks gets no values.
  const TCollocateEntry* sea = c.Row(u"SEA");
  ASSERT_NE(sea, nullptr);
  for (float v : Values(*sea)) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(c.list->Headings()[3], u"Dice");
}

namespace {

// The eleven values worked out by hand from a row's four counts and the span, as
// docs/association_measures.md writes them: the 2 x 2 table counts words, f1 x span of them
// within the search word's spans.
std::vector<double> HandValues(double joint, double f1, double f2, double n, double span) {
  const double e = f1 * f2 * span / n;
  const double a = joint, b = f1 * span - joint, c = f2 - joint, d = n - f1 * span - f2 + joint;
  const double p = f2 / (n - f1), e2 = p * f1 * span;
  auto term = [](double o, double ex) { return o > 0 ? o * std::log(o / ex) : 0.0; };
  const double ll = 2 * (term(a, (a + b) * (a + c) / n) + term(b, (a + b) * (b + d) / n) +
                         term(c, (c + d) * (a + c) / n) + term(d, (c + d) * (b + d) / n));
  return {2 * std::min(a, f1) / (f1 + f2),
          std::log2(joint / e),
          std::log2(joint * joint * joint / e),
          (joint - e2) / std::sqrt(e2 * (1 - p)),
          ll,
          (joint - e) / std::sqrt(joint),
          std::log2((a / (a + b)) / (std::max(c, 0.5) / (c + d))),
          a / (a + b),
          a / f2,
          a / (a + b) - c / (c + d),
          a / (a + c) - b / (b + d)};
}

}  // namespace

// Three rows of a run's collocates against a reference list, each of the eleven values against the
// hand computation from joint, f1, f2, N and the span: a frequent word (the), a content word
// (man) and a rare one (dog); the probabilities lie within 0..1.
TEST(ReferenceCorpusInDocument, ThreeRowsAgainstTheHandComputation) {
  TCorpusRun c;
  TempFolder tmp;
  const int64_t f1 = 50, n = 2000;
  const std::pair<const char16_t*, int64_t> rows[] = {{u"THE", 400}, {u"MAN", 20}, {u"DOG", 30}};
  const UString lst =
      WriteReference(tmp, u"ref.lst", {{u"the", 400}, {u"OLD", 50}, {u"man", 20}, {u"dog", 30}, {u"filler", 1500}});
  TAssociationRequest req;
  req.reference_file = lst;
  req.details_file = lst;
  req.parameter = 16;
  ASSERT_TRUE(c.doc().REComputeCollocateAssociation(req).success);
  const TConcSettingsRec32 rec = GetConcSaveRec();
  const double span = std::max(1, rec.CollocHorizonLeft() + rec.CollocHorizonRight());
  for (const auto& [word, f2] : rows) {
    SCOPED_TRACE(Utf16ToUtf8(word));
    const TCollocateEntry* row = c.Row(word);
    ASSERT_NE(row, nullptr);
    const double joint = row->rec.head.total;
    ASSERT_GT(joint, 0);
    const std::vector<double> want = HandValues(joint, f1, static_cast<double>(f2), n, span);
    for (int k = 0; k < 11; ++k)
      EXPECT_NEAR(row->rec.Statistic(k), want[static_cast<size_t>(k)], 1e-4 * std::max(1.0, std::fabs(want[static_cast<size_t>(k)])))
          << Utf16ToUtf8(RelationshipAsString(k));
    for (int k : {0, 7, 8}) {
      EXPECT_GE(row->rec.Statistic(k), 0.0f) << k;
      EXPECT_LE(row->rec.Statistic(k), 1.0f) << k;
    }
  }
}

TEST(ReferenceCorpusInDocument, AFileThatIsNoWordListLeavesTheCollocates) {
  TCorpusRun c;
  TempFolder tmp;
  const UString lst = WriteReference(tmp, u"ref.lst", {{u"OLD", 50}, {u"MAN", 20}});
  TAssociationRequest req;
  req.reference_file = lst;
  ASSERT_TRUE(c.doc().REComputeCollocateAssociation(req).success);
  const TCollocateEntry* man = c.Row(u"MAN");
  const std::vector<float> before = Values(*man);
  ASSERT_NE(before[0], 0.0f);

  struct Case {
    const char* what;
    UString file;
    bool exists;
    bool holds_no_word_list = false;  // a file of the suite of another list kind: said so in the log
  };
  // A corpus index of the same texts: none of its files is a word list.
  auto index = NewWordList();
  const UString base = tmp.Path() + u"corpus";
  ASSERT_TRUE(index->StartAnIndexHandler(base, kIndexCreate));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : c.texts.names) chosen.ToolAddAFile(n);
  int32_t converted = 0;
  ASSERT_TRUE(index->MakeWordlist(chosen, 0, kListIndexWordlist, converted));
  ASSERT_TRUE(index->SaveToFile(base, 0, 0, 0));
  const UString text = tmp.Write(u"plain.lst", "not a word list at all");
  const UString concordance = tmp.Path() + u"saved.cnc";
  ASSERT_TRUE(c.doc().SaveToFile(concordance, 0, 0, 96));
  const UString cut = tmp.Path() + u"cut.lst";
  {
    TMemoryStream m;
    ASSERT_TRUE(m.LoadFromFile(lst));
    TMemoryStream half(std::vector<uint8_t>(m.Data().begin(), m.Data().begin() + m.Size() / 2));
    ASSERT_TRUE(half.SaveToFile(cut));
  }
  const UString empty_list = WriteReference(tmp, u"empty.lst", {});
  const Case cases[] = {
      {"plain text", text, true},
      {"a concordance", concordance, true},
      {"a word list cut short", cut, true},
      {"a word list without words", empty_list, true},
      {"no such file", tmp.Path() + u"missing.lst", false},
      {"an index's tokens", base + u".tokens", true, true},
      {"an index's types", base + u".types", true, true},
      {"an index's statistics", base + u".stats", true, true},
  };
  const bool logging = global_keeping_log;
  const UString log_before = GetLogFilename();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    if (k.holds_no_word_list) {
      // (A document read meanwhile takes the logging choice and log file of the store.)
      global_keeping_log = true;
      SetLogFilename(tmp.Path() + u"test.log");
      EXPECT_FALSE(c.doc().LoadedAReferenceCorpusWordlist(k.file));
      EXPECT_NE(ReadAll(tmp.Path() + u"test.log").find(Utf16ToUtf8(k.file) + ": holds no word list"), std::string::npos);
    }
    c.doc().fComputed[0] = 0;
    req.reference_file = k.file;
    req.details_file = k.file;
    const TAssociationOutcome out = c.doc().REComputeCollocateAssociation(req);
    EXPECT_FALSE(out.success);
    EXPECT_EQ(out.code, 0);
    EXPECT_TRUE(out.export_file.empty());
    EXPECT_EQ(Values(*man), before);
    EXPECT_TRUE(c.list->fsettings.saved_relationships_computed);
    // The relationships flag follows whether the file was there to be tried.
    EXPECT_EQ(c.doc().fComputed[0], k.exists ? 1 : 0);
  }
  global_keeping_log = logging;
  SetLogFilename(log_before);
}

TEST(ReferenceCorpusInDocument, RecomputingAgainstAnotherListClearsWhatItLacks) {
  TCorpusRun c;
  TempFolder tmp;
  TAssociationRequest req;
  req.reference_file = WriteReference(tmp, u"one.lst", {{u"OLD", 50}, {u"MAN", 20}, {u"DOG", 30}});
  ASSERT_TRUE(c.doc().REComputeCollocateAssociation(req).success);
  ASSERT_NE(c.Row(u"DOG")->rec.Statistic(0), 0.0f);
  req.reference_file = WriteReference(tmp, u"two.lst", {{u"OLD", 50}, {u"MAN", 20}});
  ASSERT_TRUE(c.doc().REComputeCollocateAssociation(req).success);
  for (float v : Values(*c.Row(u"DOG"))) EXPECT_EQ(v, 0.0f);
  EXPECT_NE(c.Row(u"MAN")->rec.Statistic(0), 0.0f);
}

TEST(ReferenceCorpusInDocument, MissingSearchWordGivesItsCodeOrTheUsersFrequency) {
  TCorpusRun c;
  TempFolder tmp;
  TAssociationRequest req;
  req.reference_file = WriteReference(tmp, u"ref.lst", {{u"MAN", 20}, {u"DOG", 30}});
  TAssociationOutcome out = c.doc().REComputeCollocateAssociation(req);
  EXPECT_FALSE(out.success);
  EXPECT_EQ(out.code, kAssociationSearchWordMissing);
  EXPECT_FALSE(c.list->fsettings.saved_relationships_computed);
  // The user's frequency, asked once for the search word, serves every row of it.
  int asked = 0;
  req.user_frequency = [&](UStringView sw) {
    ++asked;
    EXPECT_EQ(UpperCaseU(UString(sw)), u"OLD");
    return int64_t{50};
  };
  out = c.doc().REComputeCollocateAssociation(req);
  EXPECT_TRUE(out.success);
  EXPECT_EQ(asked, 1);
  EXPECT_NEAR(c.Row(u"MAN")->rec.Statistic(7), c.Row(u"MAN")->rec.head.total / 50.0, 1e-6);
}

TEST(ReferenceCorpusInDocument, LoadedReferenceCorpusIsKeptSortedOrRefused) {
  TCorpusRun c;
  TempFolder tmp;
  const UString lst = WriteReference(tmp, u"ref.lst", {{u"zebra", 1}, {u"OLD", 50}, {u"ALPHA", 2}});
  ASSERT_TRUE(c.doc().LoadedAReferenceCorpusWordlist(lst));
  EXPECT_EQ(c.doc().ReferenceCorpusWordlistFilename, lst);
  auto* ref = dynamic_cast<T_WholeWordlistHolder*>(c.doc().fReferenceCorpus.get());
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->Words().Row(0)->data.word, u"ALPHA");
  EXPECT_EQ(ref->Words().Row(2)->data.word, u"zebra");
  EXPECT_EQ(ref->Words().fRankOrders.size(), 3u);
  // A line's words are ranked by their frequency in it, from 1, whatever their case.
  EXPECT_TRUE(c.doc().HasReferenceList());
  EXPECT_EQ(c.doc().ReferenceListCount(), 3);
  EXPECT_EQ(c.doc().ReferenceRank(u"old"), 1);
  EXPECT_EQ(c.doc().ReferenceRank(u"alpha"), 2);
  EXPECT_EQ(c.doc().ReferenceRank(u"zebra"), 3);
  EXPECT_EQ(c.doc().ReferenceRank(u"absent"), 0);
  const UString bad = tmp.Write(u"bad.lst", "garbage");
  EXPECT_FALSE(c.doc().LoadedAReferenceCorpusWordlist(bad));
  EXPECT_EQ(c.doc().fReferenceCorpus, nullptr);
  EXPECT_FALSE(c.doc().HasReferenceList());
  EXPECT_EQ(c.doc().ReferenceRank(u"old"), 0);
  EXPECT_EQ(c.doc().ReferenceCorpusWordlistFilename, lst);
}

// --- the lemma and stop lists in the collocate step ---------------------------------------------

namespace {

class CollocateListsInDocument : public testing::Test {
 protected:
  void SetUp() override {
    old_tool_ = current_tool_var;
    current_tool_var = kToolConcordancer;
    ASSERT_TRUE(LoadedOne(kToolConcordancer, lmsLemma, tmp_.Write(u"lemmas.txt", "man -> men\n")));
    ASSERT_TRUE(LoadedOne(kToolConcordancer, lmsStop, tmp_.Write(u"stop.txt", "the\n")));
  }
  void TearDown() override {
    ClearOne(kToolConcordancer, lmsLemma);
    ClearOne(kToolConcordancer, lmsStop);
    current_tool_var = old_tool_;
  }
  // The run's document read back into one made with the lemma and stop-list flags set.
  static std::unique_ptr<T_WholeLinzoraHolder> WithLists(T_WholeLinzoraHolder& doc) {
    auto back = std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, nullptr, true, true,
                                                       nullptr, nullptr);
    EXPECT_TRUE(ReadBack(*back, SavedBytes(doc))) << Utf16ToUtf8(back->ReadFailure());
    return back;
  }
  uint8_t old_tool_ = 0;
  TempFolder tmp_;
};

}  // namespace

TEST_F(CollocateListsInDocument, FormsJoinUnderTheirOwnSearchWordsHeadAndStopWordsLeaveEveryRow) {
  ScopedSettings settings;
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetMinCollocateFrequency(1);
  rec.SetMinCollocateTexts(1);
  rec.SetCollocHorizonLeft(1);
  rec.SetCollocHorizonRight(1);
  SetConcSaveRec(rec);
  TTextFolder texts{{u"a.txt", "old man. old man. old men. old the."}, {u"b.txt", "new man. new men. new men. new the."}};
  TRunDone run = RunConcordance({texts.names, u"old\nnew"});
  ASSERT_TRUE(run.found);
  auto doc = WithLists(*run.doc);
  ASSERT_FALSE(doc->fSettings.CollocateStopList());  // the stop list works through the list pass
  ASSERT_TRUE(doc->fCollocateList->Compute(false));
  auto& list = dynamic_cast<TCollocateList&>(*doc->fCollocateList);
  // The forms end up owned by their heads, one under each search word's MAN.
  int heads = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const TCollocateEntry* e = list.Row(i);
    ASSERT_NE(e, nullptr);
    EXPECT_NE(e->MainWordOnly(), u"THE");
    EXPECT_NE(e->MainWordOnly(), u"MEN");
    if (e->MainWordOnly() != u"MAN") continue;
    ++heads;
    ASSERT_EQ(e->JoinedCount(), 1);
    const auto* form = dynamic_cast<const TCollocateEntry*>(e->JoinedEntries()[0]);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->MainWordOnly(), u"MEN");
    EXPECT_EQ(form->rec.head.sw_number, e->rec.head.sw_number);
    // Each word also stands left of the next search word: old, MAN 4 + MEN 2; new, MAN 2 + MEN 4.
    EXPECT_EQ(e->rec.lemma.total, 6);
  }
  EXPECT_EQ(heads, 2);
  // Shown by total (the lemma's, where there is one), highest first.
  EXPECT_EQ(list.Row(0)->MainWordOnly(), u"MAN");
  EXPECT_EQ(list.Row(1)->MainWordOnly(), u"MAN");
}

TEST_F(CollocateListsInDocument, AStopWordTakesOutItsRowOfEverySearchWord) {
  TVXBaseHolder holder;
  TCollocateList list(&holder);
  derived_test::AddCollocateRows(list, {{u"THE", 0}, {u"MAN", 0}, {u"THE", 1}, {u"THE", -99}});
  EXPECT_EQ(list.CheckStops(), 3);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Row(0)->MainWordOnly(), u"MAN");
}

// A saved detailed-consistency list (kind 4) and relationships list (kind 28) read as word-list
// documents but hold no word list: as the reference they are refused and the collocates stay;
// the concordancer's file check names them as the word lister's.
TEST(ReferenceCorpusInDocument, AnalysisListsHoldNoWordList) {
  TCorpusRun c;
  TempFolder tmp;
  const UString lst = WriteReference(tmp, u"ref.lst", {{u"OLD", 50}, {u"MAN", 20}});
  TAssociationRequest req;
  req.reference_file = lst;
  ASSERT_TRUE(c.doc().REComputeCollocateAssociation(req).success);
  const std::vector<float> before = Values(*c.Row(u"MAN"));
  auto kind4 = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListDetailedConsistency, false,
                                                       false, nullptr, nullptr);
  const UString second = WriteReference(tmp, u"second.lst", {{u"OLD", 5}, {u"CAT", 2}});
  ASSERT_TRUE(kind4->MakeDetailedConsistencyList({lst, second}));
  const UString dc = tmp.Path() + u"dc.lst";
  ASSERT_TRUE(kind4->SaveToFile(dc, 0, 0, 0));
  auto kind28 = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListRelationships, false, false,
                                                        nullptr, nullptr);
  const UString pairs = tmp.Path() + u"pairs.lst";
  ASSERT_TRUE(kind28->SaveToFile(pairs, 0, 0, 0));
  for (const UString& file : {dc, pairs}) {
    SCOPED_TRACE(Utf16ToUtf8(file));
    auto probe = NewWordList();
    ASSERT_TRUE(probe->ReadWholeFromFile(file, kToolConcordancer).first);
    req.reference_file = file;
    EXPECT_FALSE(c.doc().REComputeCollocateAssociation(req).success);
    EXPECT_EQ(Values(*c.Row(u"MAN")), before);
    EXPECT_FALSE(c.doc().LoadedAReferenceCorpusWordlist(file));
    HeadlessDialogs().Clear();
    TVXStored_File_rec rec{file};
    EXPECT_FALSE(CheckFileForTool(rec, kToolConcordancer));
    ASSERT_EQ(HeadlessDialogs().Asked().size(), 1u);
    EXPECT_EQ(HeadlessDialogs().Asked()[0].id, TVXDialog::WrongToolForFile);
    EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(u"Word Lister"), UString::npos);
  }
}
