// The word-list document's analyses over small corpus indexes built from texts: relationships,
// the moving window and clusters with their phrase frames, worked out by hand; one worker
// against eight; results saved and reopened; bad input refused with the document unchanged.
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <random>

#include "../model/text_reader_test_support.h"
#include "model/documents/batch_procedures.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/settings/settings_access.h"
#include "wordlist/index_test_support.h"
#include "wordlist/moving_window_plot_data.h"
#include "wordlist/relationships_list.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

class IndexAnalyses : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    TWordlistIndexSettingsRec s = HandCountedClusterSettings(3, 3);
    s.SetPhraseFrameMinFrequency(1);
    s.SetPhraseFramesOff(false);
    s.SetExcludeHashEntries(false);
    s.SetClusterDispersion(false);
    s.SetClusterKeepPositions(false);
    TRelationshipSettingsRec r;
    r.Clear();
    r.SetMinJointFrequency(1);
    r.SetMaxPercent(100.0f);
    r.SetMinTexts(1);
    r.SetMinFrequencyWord2(1);
    r.SetSpan(1);
    r.SetLeftAndRight(false);
    r.SetStopAt(0);
    r.SetAllMustPass(false);
    for (int i = 0; i < TRelationshipSettingsRec::kStatistics; ++i) r.SetThreshold(i, -1e9f);
    SetRelationshipSettingsOf(s, r);
    SetWordlistIndexSettings(s);
  }
  void Set(const std::function<void(TWordlistIndexSettingsRec&)>& set) {
    TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
    set(s);
    SetWordlistIndexSettings(s);
  }
  void SetPairs(const std::function<void(TRelationshipSettingsRec&)>& set) {
    Set([&](TWordlistIndexSettingsRec& s) {
      TRelationshipSettingsRec r = RelationshipSettingsOf(s);
      set(r);
      SetRelationshipSettingsOf(s, r);
    });
  }
  // A document with the index of the texts opened.
  std::unique_ptr<T_WholeWordlistHolder> Open(const std::vector<std::string>& bodies, int32_t threads = 1) {
    std::vector<UString> names;
    for (size_t i = 0; i < bodies.size(); ++i)
      names.push_back(tmp.Write(u"t" + IntToUStr(int64_t(i)) + u".txt", bodies[i]));
    auto doc = NewDoc();
    const UString base = tmp.Path() + u"analyses" + IntToUStr(++built);
    EXPECT_TRUE(BuildIndex(*doc, base, names));
    auto reader = NewDoc();
    EXPECT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
    reader->IndexHandler()->fThreads = threads;
    return reader;
  }
  ScopedSettings settings;
  TempFolder tmp;
  int built = 0;
};

// "WORD1 WORD2 joint/texts@gap" of each relationship row.
std::string PairRows(const TRelationshipsList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) {
    const TRelationshipEntry* e = list.Row(i);
    out += (i ? ", " : "") + Utf16ToUtf8(e->word1) + " " + Utf16ToUtf8(e->word2) + " " + std::to_string(e->data.joint) +
           "/" + std::to_string(e->data.texts) + "@" + std::to_string(e->data.gap);
  }
  return out;
}

// Rows of a word list with the rows joined under each: "WORD/freq/texts[JOINED;...]".
std::string RowsWithJoins(TVXWordList& words) {
  std::string out;
  for (int i = 0; i < words.Count(); ++i) {
    const TWordlistEntry* e = words.Row(i);
    if (!e || e->JoinedTo()) continue;
    out += (out.empty() ? "" : " | ") + Utf16ToUtf8(e->data.word) + "/" + std::to_string(e->data.frequency) + "/" +
           std::to_string(e->data.n_texts);
    if (!e->JoinedEntries().empty()) {
      out += "[";
      for (const TVXBaseListObject* f : e->JoinedEntries()) out += Utf16ToUtf8(f->MainWordOnly()) + ";";
      out += "]";
    }
  }
  return out;
}

// --- relationships -------------------------------------------------------------------------------

TEST_F(IndexAnalyses, RelationshipsOfSmallIndexesByHand) {
  struct Case {
    const char* name;
    std::vector<std::string> texts;
    std::function<void(TRelationshipSettingsRec&)> set;
    const char* rows;
  };
  const Case cases[] = {
      // 3 + 2 occurrences of A B in two texts: texts 2; B A stops at each text's end.
      {"joint and texts", {"a b a b a b", "a b a b"}, nullptr, "A B 5/2@1, B A 3/2@1"},
      // With stop-at 0 only the end of a text ends a span: X Y, then nothing across to Z.
      {"no pair across the end of a text", {"x y", "z w"}, [](auto& r) { r.SetSpan(5); }, "X Y 1/1@1, Z W 1/1@1"},
      // Left and right: both sides counted at their distance (equal rows keep the types' order).
      {"both sides", {"c a b"}, [](auto& r) { r.SetLeftAndRight(true); },
       "A C 1/1@1, A B 1/1@1, B A 1/1@1, C A 1/1@1"},
      // A sentence end after A stops its span when stop-at asks for sentences.
      {"stop at a sentence", {"a. B c"}, [](auto& r) { r.SetStopAt(2); }, "B C 1/1@1"},
      {"the least joint", {"a b a b c d"}, [](auto& r) { r.SetMinJointFrequency(2); }, "A B 2/1@1"},
      {"the least texts", {"a b a b", "c d a b"}, [](auto& r) { r.SetMinTexts(2); }, "A B 3/2@1"},
      {"both ways", {"a b"}, [](auto& r) { r.SetBothWays(true); }, "A B 1/1@1, B A 1/1@1"},
      // The base word's share: A is half the running words, B and C a quarter each.
      {"the largest share", {"a b a c"}, [](auto& r) { r.SetMaxPercent(30.0f); }, "B A 1/1@1"},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.set) SetPairs(c.set);
    auto doc = Open(c.texts);
    ASSERT_TRUE(doc->ComputeMIAssociation()) << c.name << ": " << Utf16ToUtf8(doc->LastFailure());
    EXPECT_EQ(doc->ListKind, kListRelationships) << c.name;
    EXPECT_EQ(PairRows(doc->Relationships()), c.rows) << c.name;
  }
}

TEST_F(IndexAnalyses, RelationshipsSaveReopenAndAFailureKeepsThePreviousList) {
  SetPairs([](auto& r) {
    r.SetSpan(3);
    r.SetLeftAndRight(true);
  });
  auto doc = Open({"the cat sat on the mat. the dog sat on the log", "a cat and a dog sat"});
  ASSERT_TRUE(doc->ComputeMIAssociation());
  const std::string rows = PairRows(doc->Relationships());
  ASSERT_GT(doc->Relationships().Count(), 10);
  EXPECT_EQ(doc->Relationships().SourceIndexFilename(), doc->IndexHandler()->fFilename);

  // Saved as a list of kind 28 and read by a document without the index.
  const UString name = tmp.Path() + u"pairs.lst";
  ASSERT_TRUE(doc->SaveToFile(name, 0, 0, 0));
  auto back = NewDoc();
  ASSERT_TRUE(back->ReadWholeFromFile(name, kToolWordLister).first);
  EXPECT_EQ(back->ListKind, kListRelationships);
  EXPECT_EQ(PairRows(back->Relationships()), rows);
  // The index's types follow the pairs, in the order of their words: int32 count, a byte 0, then
  // 36 record bytes and 4 zero bytes a type; the words come back from the pairs that name them.
  TIndexHandler& index = *doc->IndexHandler();
  const TIndexTypeList& types = back->IndexTypes();
  ASSERT_EQ(types.Count(), index.TypeCount());
  const std::vector<uint8_t> file = FileBytes(name);
  const size_t tail = 4 + 1 + 40 * static_cast<size_t>(types.Count());
  ASSERT_GT(file.size(), tail);
  const uint8_t* at = file.data() + file.size() - tail;
  int32_t count = 0;
  std::memcpy(&count, at, 4);
  EXPECT_EQ(count, index.TypeCount());
  EXPECT_EQ(at[4], 0);
  std::vector<UString> named;
  for (int32_t k = 0; k < types.Count(); ++k) {
    const TIndexTypeRec& r = types.Item(k);
    EXPECT_EQ(std::memcmp(at + 5 + 40 * k, &r.rec, 36), 0) << k;
    int32_t place = -1;
    std::memcpy(&place, at + 5 + 40 * k + 36, 4);
    EXPECT_EQ(place, 0);
    const int32_t t = static_cast<int32_t>(r.rec.word_type_num);
    EXPECT_EQ(r.rec.freq, index.PointerFromWordType(t)->freq) << k;
    if (!r.data.empty()) {
      EXPECT_EQ(r.data, index.WordFromWordType(t));
      EXPECT_EQ(types.Find(r.data), k);
      named.push_back(r.data);
    }
  }
  EXPECT_TRUE(std::is_sorted(named.begin(), named.end())) << named.size();
  EXPECT_FALSE(named.empty());
  EXPECT_EQ(types.Find(u"NOT A WORD"), -1);
  // Two documents of the pairs of one index merge: every pair of both, each type once.
  auto again = NewDoc();
  ASSERT_TRUE(again->ReadWholeFromFile(name, kToolWordLister).first);
  ASSERT_TRUE(back->MergeWith(*again, u"again.lst"));
  EXPECT_EQ(back->Relationships().Count(), 2 * doc->Relationships().Count());
  EXPECT_EQ(back->IndexTypes().Count(), index.TypeCount());
  EXPECT_EQ(back->IndexTypes().Find(named.front()), types.Find(named.front()));

  // Nothing passes: said, and the rows found before stay.
  SetPairs([](auto& r) { r.SetMinJointFrequency(1000); });
  EXPECT_FALSE(doc->ComputeMIAssociation());
  EXPECT_FALSE(doc->LastFailure().empty());
  EXPECT_EQ(PairRows(doc->Relationships()), rows);
  // Without an index: said, nothing changed.
  auto plain = NewDoc();
  EXPECT_FALSE(plain->ComputeMIAssociation());
  EXPECT_NE(Utf16ToUtf8(plain->LastFailure()).find("no corpus index"), std::string::npos);
}

TEST_F(IndexAnalyses, RelationshipsAreTheSameOnOneCoreAndEight) {
  std::mt19937 rng(7);
  std::vector<std::string> texts;
  for (int t = 0; t < 4; ++t) {
    std::string body;
    for (int w = 0; w < 800; ++w) {
      body += "w" + std::to_string(std::min(rng() % 40, rng() % 40));
      body += (rng() % 9 == 0) ? ". " : " ";
    }
    texts.push_back(body);
  }
  SetPairs([](auto& r) {
    r.SetSpan(4);
    r.SetLeftAndRight(true);
    r.SetStopAt(2);
    r.SetMinJointFrequency(2);
  });
  auto one = Open(texts, 1);
  auto eight = Open(texts, 8);
  ASSERT_TRUE(one->ComputeMIAssociation());
  ASSERT_TRUE(eight->ComputeMIAssociation());
  ASSERT_EQ(one->Relationships().Count(), eight->Relationships().Count());
  for (int i = 0; i < one->Relationships().Count(); ++i) {
    const TRelationshipEntry* a = one->Relationships().Row(i);
    const TRelationshipEntry* b = eight->Relationships().Row(i);
    EXPECT_EQ(std::memcmp(&a->data, &b->data, sizeof a->data), 0) << i;
    EXPECT_EQ(a->word1 + u" " + a->word2, b->word1 + u" " + b->word2) << i;
  }
}

// --- the moving window ---------------------------------------------------------------------------

// Windows of ten: {a..j}; {a..e, k..o} sharing five; {a, b, k, l, p..u} sharing four.
const std::string kThirtyWords = "a b c d e f g h i j a b c d e k l m n o a b k l p q r s t u";

TEST_F(IndexAnalyses, MovingWindowOfThirtyWordsInWindowsOfTen) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"thirty";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"thirty.txt", kThirtyWords)}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  struct Case {
    int32_t runs;
    std::vector<int32_t> starts;  // of each run's first window
    std::vector<std::vector<float>> overlaps;
  };
  const Case cases[] = {
      {1, {0}, {{0.5f, 0.4f}}},
      // Runs from 0, 3, 6; run 3's last window (r s t u) shares nothing and repeats the value
      // before it.
      {3, {0, 3, 6}, {{0.5f, 0.4f}, {8.0f / 19, 2.0f / 16}, {6.0f / 19, 6.0f / 19}}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TMovingWindow> mw = index.ComputeMovingWindow(10, c.runs);
    ASSERT_TRUE(mw) << Utf16ToUtf8(index.LastFailure());
    ASSERT_EQ(mw->NumberOfWindows(), c.runs);
    for (int32_t r = 0; r < c.runs; ++r) {
      EXPECT_EQ(mw->PlotDataHolder.Windows[size_t(r)].front().start_word, c.starts[size_t(r)]);
      // The last window ends at the last running word.
      EXPECT_EQ(mw->PlotDataHolder.Windows[size_t(r)].back().end_word, 29);
      const std::vector<float>& got = mw->PlotDataHolder.OverlapValues[size_t(r)];
      ASSERT_EQ(got.size(), c.overlaps[size_t(r)].size()) << "run " << r;
      for (size_t w = 0; w < got.size(); ++w) EXPECT_NEAR(got[w], c.overlaps[size_t(r)][w], 1e-6) << r << "," << w;
    }
    // No sections: all windows far, near 0.
    EXPECT_EQ(mw->PlotDataHolder.mean_section_near_overlaps, 0.0f);
    EXPECT_EQ(mw->PlotDataHolder.sd_section_near_overlaps, 0.0f);
  }
  // The document writes both files beside the index and the plot data reads back point by point.
  const T_WholeWordlistHolder::TMovingWindowFNamesRec names = reader->MakeAndSaveMovingWindow(10, 3);
  ASSERT_FALSE(names.text_file.empty()) << Utf16ToUtf8(reader->LastFailure());
  EXPECT_EQ(names.text_file, base + u"_moving_window.txt");
  EXPECT_EQ(names.plot_file, base + u"_moving_window.plotdata");
  std::unique_ptr<TFileStream> file = TFileStream::Open(names.plot_file, TFileMode::OpenRead);
  ASSERT_TRUE(file);
  TMovingWindowPlotDataHolder back(0, 0);
  ASSERT_TRUE(back.ReadPlotDataFromStream(*file));
  std::unique_ptr<TMovingWindow> mw = index.ComputeMovingWindow(10, 3);
  EXPECT_EQ(back.PlannedRuns, 3);
  EXPECT_EQ(back.window_size, 10);
  EXPECT_EQ(back.Total_Tokens, 30);
  EXPECT_EQ(back.OverlapValues, mw->PlotDataHolder.OverlapValues);
  EXPECT_EQ(back.OverlapMean, mw->PlotDataHolder.OverlapMean);
  EXPECT_EQ(back.OverlapSD, mw->PlotDataHolder.OverlapSD);
  EXPECT_EQ(back.OverlapMax, mw->PlotDataHolder.OverlapMax);
  EXPECT_EQ(back.OverlapMin, mw->PlotDataHolder.OverlapMin);
  const std::vector<uint8_t> text = FileBytes(names.text_file);
  ASSERT_GT(text.size(), 2u);
  EXPECT_EQ(text[0], 0xFF);
  EXPECT_EQ(text[1], 0xFE);
}

TEST_F(IndexAnalyses, MovingWindowRefusesBadSizesAndTooFewWindows) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"thirty";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"thirty.txt", kThirtyWords)}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  const struct {
    int32_t size, runs;
    const char* said;
  } cases[] = {
      {1, 1, "does not fit"},   {31, 1, "does not fit"}, {-5, 1, "does not fit"},
      {10, 0, "at least one"},  {30, 1, "too few windows"},
  };
  for (const auto& c : cases) {
    const auto names = reader->MakeAndSaveMovingWindow(c.size, c.runs);
    EXPECT_TRUE(names.text_file.empty() && names.plot_file.empty()) << c.size << "/" << c.runs;
    EXPECT_NE(Utf16ToUtf8(reader->LastFailure()).find(c.said), std::string::npos) << Utf16ToUtf8(reader->LastFailure());
    EXPECT_FALSE(FileExists(base + u"_moving_window.txt"));
    EXPECT_FALSE(FileExists(base + u"_moving_window.plotdata"));
  }
  // A folder that cannot be written: the system's reason named, no file.
  reader->SourceTextFilename = tmp.Path() + u"no such folder/thirty.lst";
  const auto names = reader->MakeAndSaveMovingWindow(10, 1);
  EXPECT_TRUE(names.text_file.empty());
  EXPECT_NE(Utf16ToUtf8(reader->LastFailure()).find("no such folder"), std::string::npos);
  // Without an index nothing is made.
  auto plain = NewDoc();
  EXPECT_TRUE(plain->MakeAndSaveMovingWindow(10, 1).text_file.empty());
}

// --- clusters and phrase frames ------------------------------------------------------------------

TEST_F(IndexAnalyses, ClustersAndTheirFramesByHand) {
  const struct {
    const char* name;
    std::vector<std::string> texts;
    std::function<void(TWordlistIndexSettingsRec&)> set;
    const char* rows;
  } cases[] = {
      // "a b c" and "a x c" make the frame "a * c" of both, their frequencies summed, the
      // clusters joined under it; one text gives the frame texts 1.
      {"one text", {"A b c. A x c."}, nullptr, "A * C/2/1[A B C;A X C;]"},
      {"two texts", {"A b c.", "A x c."}, nullptr, "A * C/2/0[A B C;A X C;]"},
      // A frame of one cluster is none, however often the cluster comes.
      {"a single cluster", {"A b c. A b c. A b c."}, nullptr, "A B C/3/1"},
      // A repeated word gives "a * a" twice: a single cluster stays no frame.
      {"a repeated word", {"a a a a"}, [](auto& s) { s.SetClusterSizeMin(4), s.SetClusterSizeMax(4); }, "A A A A/1/1"},
      // Longer sequences than most are kept apart: six words, and one differing in its last.
      {"six words",
       {"A b c d e f. A b c d e f. A b c d e g."},
       [](auto& s) { s.SetClusterSizeMin(6), s.SetClusterSizeMax(6), s.SetPhraseFramesOff(true); },
       "A B C D E F/2/1 | A B C D E G/1/1"},
      {"frames switched off", {"A b c. A x c."}, [](auto& s) { s.SetPhraseFramesOff(true); }, "A B C/1/1 | A X C/1/1"},
      {"the frames' least frequency", {"A b c. A x c."}, [](auto& s) { s.SetPhraseFrameMinFrequency(3); },
       "A B C/1/1 | A X C/1/1"},
  };
  for (const auto& c : cases) {
    SetUp();
    if (c.set) Set(c.set);
    auto doc = Open(c.texts);
    ASSERT_TRUE(doc->ComputeClusters()) << c.name << ": " << Utf16ToUtf8(doc->LastFailure());
    EXPECT_EQ(doc->ListKind, kListWordList) << c.name;
    EXPECT_EQ(RowsWithJoins(doc->Words()), c.rows) << c.name;
    // A cluster's category is its length in words; a frame, made of clusters, has none.
    for (int i = 0; i < doc->Words().Count(); ++i) {
      const TWordlistEntry* e = doc->Words().Row(i);
      ASSERT_NE(e, nullptr);
      const bool frame = e->data.word.find(u'*') != UString::npos;
      EXPECT_EQ(e->GetAWordAsString(kWLColCategory), frame ? UString() : IntToUStr(e->WordsInEntry()))
          << c.name << " " << Utf16ToUtf8(e->data.word);
      for (const TVXBaseListObject* joined : e->JoinedEntries())
        EXPECT_EQ(joined->GetAWordAsString(kWLColCategory), u"3") << c.name;
    }
  }
}

// Clusters of three and four words nest ("an estimate of the" holds "an estimate of"): a frame
// counts each of its occurrences once, as a plain scan of the sentences counts them.
TEST_F(IndexAnalyses, FramesOfNestedClustersCountEachOccurrenceOnce) {
  Set([](auto& s) { s.SetClusterSizeMax(4); });
  auto doc = Open({"An estimate of the number. An estimate of the size. An estimate for the cost."});
  ASSERT_TRUE(doc->ComputeClusters()) << Utf16ToUtf8(doc->LastFailure());
  std::map<std::string, int32_t> frames;
  for (int i = 0; i < doc->Words().Count(); ++i)
    if (const TWordlistEntry* e = doc->Words().Row(i); e && e->data.word.find(u'*') != UString::npos)
      frames[Utf16ToUtf8(e->data.word)] = e->data.frequency;
  // By hand: "of" twice and "for" once fill "AN ESTIMATE *" and "ESTIMATE * THE"; "number" and
  // "size" fill "OF THE *". Adding up every cluster that gives them would make 6, 9 and 4.
  EXPECT_EQ(frames["AN ESTIMATE *"], 3);
  EXPECT_EQ(frames["ESTIMATE * THE"], 3);
  EXPECT_EQ(frames["AN ESTIMATE * THE"], 3);
  EXPECT_EQ(frames["OF THE *"], 2);
  const std::vector<std::vector<std::string>> sentences{{"AN", "ESTIMATE", "OF", "THE", "NUMBER"},
                                                        {"AN", "ESTIMATE", "OF", "THE", "SIZE"},
                                                        {"AN", "ESTIMATE", "FOR", "THE", "COST"}};
  for (const auto& [frame, frequency] : frames) {
    std::vector<std::string> pattern;
    std::istringstream words(frame);
    for (std::string w; words >> w;) pattern.push_back(w);
    int32_t scanned = 0;
    for (const auto& sentence : sentences)
      for (size_t at = 0; at + pattern.size() <= sentence.size(); ++at) {
        bool fits = true;
        for (size_t k = 0; k < pattern.size(); ++k) fits = fits && (pattern[k] == "*" || pattern[k] == sentence[at + k]);
        scanned += fits;
      }
    EXPECT_EQ(frequency, scanned) << frame;
  }
}

TEST_F(IndexAnalyses, NumberClustersAreDroppedOnlyWhenNumbersAreExcluded) {
  for (const bool excluded : {false, true}) {
    SetUp();
    Set([&](auto& s) { s.SetExcludeHashEntries(excluded); });
    std::vector<UString> names{tmp.Write(u"n.txt", "Pay 12 now. Pay 13 now. Pay the man.")};
    auto doc = NewDoc();
    doc->WordlistSettings.SetNumbersIncluded(false);  // numbers counted as "#"
    const UString base = tmp.Path() + u"numbers" + IntToUStr(++built);
    ASSERT_TRUE(BuildIndex(*doc, base, names));
    auto reader = NewDoc();
    ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
    ASSERT_TRUE(reader->ComputeClusters()) << Utf16ToUtf8(reader->LastFailure());
    const std::string rows = RowsWithJoins(reader->Words());
    EXPECT_EQ(rows.find("PAY # NOW") != std::string::npos, !excluded) << rows;
    EXPECT_NE(rows.find("PAY THE MAN"), std::string::npos) << rows;
  }
}

TEST_F(IndexAnalyses, ClustersAndFramesAreTheSameOnOneCoreAndEight) {
  std::mt19937 rng(11);
  std::vector<std::string> texts;
  for (int t = 0; t < 5; ++t) {
    std::string body;
    for (int w = 0; w < 1500; ++w) body += "w" + std::to_string(std::min(rng() % 12, rng() % 12)) + " ";
    texts.push_back(body);
  }
  Set([](auto& s) {
    s.SetClusterSizeMax(5);
    s.SetClusterMinFrequency(2);
    s.SetPhraseFrameMinFrequency(2);
    s.SetClusterDispersion(true);
    s.SetClusterKeepPositions(true);
  });
  auto one = Open(texts, 1);
  auto eight = Open(texts, 8);
  ASSERT_TRUE(one->ComputeClusters());
  ASSERT_TRUE(eight->ComputeClusters());
  ASSERT_GT(one->Words().Count(), 100);
  EXPECT_EQ(RowsWithJoins(one->Words()), RowsWithJoins(eight->Words()));
  for (int i = 0; i < one->Words().Count(); ++i)
    EXPECT_EQ(one->Words().Row(i)->data.dispersion, eight->Words().Row(i)->data.dispersion) << i;
  EXPECT_NE(RowsWithJoins(one->Words()).find("* "), std::string::npos);
}

TEST_F(IndexAnalyses, ClustersPerTextAreSavedAsListsOfTheirOwn) {
  Set([](auto& s) { s.SetClustersPerText(true); });
  auto doc = Open({"A b c. A x c.", "D e f. D e f."});
  const UString batch = tmp.Path() + u"batch/";
  ResetBatchRun();
  Global_BatchProcedures.BatchRootFolder = batch;
  Global_BatchProcedures.Zip_Too = true;
  int32_t saved = -1;
  ASSERT_TRUE(doc->ComputeClusters([&](T_WholeWordlistHolder& d) {
    saved = d.SaveTempClusterWordlists(u"");
    return saved > 0;
  })) << Utf16ToUtf8(doc->LastFailure());
  EXPECT_EQ(saved, 2);
  ASSERT_EQ(doc->TempClusterWordlistCount(), 2);
  EXPECT_EQ(RowsWithJoins(*doc->TempClusterWordlist(0)), "A * C/2/0[A B C;A X C;]");
  EXPECT_EQ(RowsWithJoins(*doc->TempClusterWordlist(1)), "D E F/2/1");
  const struct {
    const char16_t* file;
    const char* rows;
  } files[] = {{u"t0_clusters.lst", "A * C/2/0[A B C;A X C;]"}, {u"t1_clusters.lst", "D E F/2/1"}};
  for (const auto& f : files) {
    auto back = NewDoc();
    ASSERT_TRUE(back->ReadWholeFromFile(batch + f.file, kToolWordLister).first) << Utf16ToUtf8(f.file);
    EXPECT_EQ(RowsWithJoins(back->Words()), f.rows);
    EXPECT_EQ(back->Stats().Count(), 1);
  }
  // Zipped as the batch state asks.
  EXPECT_TRUE(FileExists(batch + u"lst cluster lists.zip")) << Utf16ToUtf8(doc->LastFailure());
  ResetBatchRun();

  // Without a saver the first text's clusters become the main list.
  auto main_list = Open({"A b c. A x c.", "D e f. D e f."});
  ASSERT_TRUE(main_list->ComputeClusters());
  EXPECT_EQ(RowsWithJoins(main_list->Words()), "A * C/2/0[A B C;A X C;]");
}

TEST_F(IndexAnalyses, AFailedClusterRunKeepsThePreviousList) {
  auto doc = Open({"A b c. A x c."});
  ASSERT_TRUE(doc->ComputeClusters());
  const std::string rows = RowsWithJoins(doc->Words());
  // Sizes the other way round: the index refuses, the list stays.
  Set([](auto& s) {
    s.SetClusterSizeMin(4);
    s.SetClusterSizeMax(3);
  });
  EXPECT_FALSE(doc->ComputeClusters());
  EXPECT_NE(Utf16ToUtf8(doc->LastFailure()).find("largest size"), std::string::npos);
  EXPECT_EQ(RowsWithJoins(doc->Words()), rows);
  // Nothing found as the settings ask: said, the list stays.
  Set([](auto& s) {
    s.SetClusterSizeMin(3);
    s.SetClusterSizeMax(3);
    s.SetClusterMinFrequency(50);
  });
  EXPECT_FALSE(doc->ComputeClusters());
  EXPECT_EQ(RowsWithJoins(doc->Words()), rows);
  auto plain = NewDoc();
  EXPECT_FALSE(plain->ComputeClusters());
}

}  // namespace

TEST_F(IndexAnalyses, AStopKeepsTheListsFoundBefore) {
  auto doc = Open({"A b c. A x c. A b c d.", "A x c d. B c d."});
  ASSERT_TRUE(doc->ComputeClusters());
  ASSERT_TRUE(doc->ComputeMIAssociation());
  const std::string clusters = RowsWithJoins(doc->Words());
  const std::string pairs = PairRows(doc->Relationships());
  // A stop asked for while the run yields between base words.
  SetYieldHook([] { global_panic_state = kPanicEndOfText; });
  const bool clustered = doc->ComputeClusters();
  const UString cluster_failure = doc->LastFailure();
  global_panic_state = kPanicNone;
  const bool paired = doc->ComputeMIAssociation();
  SetYieldHook(nullptr);
  global_panic_state = kPanicNone;
  EXPECT_FALSE(clustered);
  EXPECT_FALSE(cluster_failure.empty());
  EXPECT_FALSE(paired);
  EXPECT_NE(Utf16ToUtf8(doc->LastFailure()).find("stopped"), std::string::npos) << Utf16ToUtf8(doc->LastFailure());
  EXPECT_EQ(RowsWithJoins(doc->Words()), clusters);
  EXPECT_EQ(PairRows(doc->Relationships()), pairs);
}

TEST_F(IndexAnalyses, ADamagedChainEndsTheRunWithItsPlace) {
  // A's places are 0 and 2; record 0 is made to lead to 3 (a B), or past the records.
  for (const int32_t next : {3, 99}) {
    SetUp();
    auto doc = NewDoc();
    const UString base = tmp.Path() + u"damaged" + IntToUStr(next);
    ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"d.txt", "a b a b")}));
    std::vector<uint8_t> tokens = FileBytes(base + u".tokens");
    ASSERT_EQ(I32At(tokens, 61 + 4), 2);
    std::memcpy(tokens.data() + 61 + 4, &next, 4);
    ASSERT_TRUE(SafeSaveBytes(base + u".tokens", tokens.data(), static_cast<int64_t>(tokens.size())));
    for (const bool clusters : {false, true}) {
      auto reader = NewDoc();
      ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
      EXPECT_FALSE(clusters ? reader->ComputeClusters() : reader->ComputeMIAssociation());
      const std::string said = Utf16ToUtf8(reader->LastFailure());
      EXPECT_NE(said.find(".tokens: damaged (the places of \"A\""), std::string::npos) << said;
      EXPECT_EQ(reader->Relationships().Count(), 0);
    }
  }
}

// --- the bundled samples ---------------------------------------------------------------------------

namespace {

class AnalysesOfSamples : public IndexAnalyses {
 protected:
  void SetUp() override {
    IndexAnalyses::SetUp();
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    ASSERT_EQ(chosen.AddedFolderContents(Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/", u"*.txt", false, true), 10);
    auto doc = PlainDoc();
    base = tmp.Path() + u"samples";
    ASSERT_TRUE(BuildIndexOf(*doc, base, chosen, 4)) << Utf16ToUtf8(doc->LastFailure());
    reader = PlainDoc();
    ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  }
  // The running words' records, by a plain read of each.
  std::vector<TTokensFileRec> Records() {
    TIndexHandler& h = *reader->IndexHandler();
    std::vector<TTokensFileRec> recs;
    for (int64_t i = 0; i < h.Tokens()->TokenEntries(); ++i) recs.push_back(h.IndexTokenRecFromN(i));
    return recs;
  }
  UString base;
  std::unique_ptr<T_WholeWordlistHolder> reader;
};

TEST_F(AnalysesOfSamples, RelationshipsClustersAndTheWindowAgreeWithPlainCounts) {
  TIndexHandler& h = *reader->IndexHandler();
  const std::vector<TTokensFileRec> recs = Records();
  auto type_of = [&](int64_t i) { return static_cast<int32_t>(TypeRecWithoutTextMarker(recs[size_t(i)].word_type_number)); };

  // Relationships, 5 each side, only texts' ends stopping: a pair's joint is the number of
  // (base, word 2) places at most 5 apart within one text.
  SetPairs([](auto& r) {
    r.SetSpan(5);
    r.SetLeftAndRight(true);
    r.SetMinJointFrequency(3);
  });
  ASSERT_TRUE(reader->ComputeMIAssociation()) << Utf16ToUtf8(reader->LastFailure());
  TRelationshipsList& pairs = reader->Relationships();
  ASSERT_GT(pairs.Count(), 100);
  for (int row : {0, pairs.Count() / 2, pairs.Count() - 1}) {
    const TMutualInfoRec d = pairs.MIData(row);
    int32_t joint = 0;
    for (int64_t p = 0; p < int64_t(recs.size()); ++p) {
      if (type_of(p) != d.type1) continue;
      for (int64_t q = std::max<int64_t>(0, p - 5); q <= std::min<int64_t>(int64_t(recs.size()) - 1, p + 5); ++q)
        if (q != p && type_of(q) == d.type2 && recs[size_t(q)].file_number == recs[size_t(p)].file_number) ++joint;
    }
    EXPECT_EQ(d.joint, joint) << Utf16ToUtf8(pairs.Row(row)->word1 + u" " + pairs.Row(row)->word2);
    EXPECT_EQ(d.freq1, h.PointerFromWordType(d.type1)->freq);
  }
  const UString pairs_file = tmp.Path() + u"samples_pairs.lst";
  ASSERT_TRUE(reader->SaveToFile(pairs_file, 0, 0, 0));
  auto pairs_back = NewDoc();
  ASSERT_TRUE(pairs_back->ReadWholeFromFile(pairs_file, kToolWordLister).first);
  EXPECT_EQ(PairRows(pairs_back->Relationships()), PairRows(pairs));

  // Clusters of three words, stopped by sentence ends: a row's frequency is the number of places
  // where its words follow each other with no sentence or text end between them.
  Set([](auto& s) {
    s.SetClusterMinFrequency(3);
    s.SetPhraseFrameMinFrequency(3);
  });
  ASSERT_TRUE(reader->ComputeClusters()) << Utf16ToUtf8(reader->LastFailure());
  TVXWordList& words = reader->Words();
  ASSERT_GT(words.Count(), 20);
  int checked = 0;
  for (int i = 0; i < words.Count() && checked < 3; ++i) {
    const TWordlistEntry* e = words.Row(i);
    if (e->data.word.find(u'*') != UString::npos || e->JoinedTo()) continue;
    std::vector<int32_t> types;
    for (size_t at = 0; at <= e->data.word.size();) {
      const size_t blank = std::min(e->data.word.find(u' ', at), e->data.word.size());
      types.push_back(h.WordNumberFromWord(e->data.word.substr(at, blank - at)));
      at = blank + 1;
    }
    ASSERT_EQ(types.size(), 3u) << Utf16ToUtf8(e->data.word);
    int32_t freq = 0;
    for (int64_t p = 0; p + 2 < int64_t(recs.size()); ++p) {
      bool same = true;
      for (int64_t k = 0; k < 3 && same; ++k) {
        same = type_of(p + k) == types[size_t(k)];
        if (k < 2) same = same && TextMarkerOf(recs[size_t(p + k)].word_type_number) < kMarkSentenceEnd;
      }
      freq += same;
    }
    EXPECT_EQ(e->data.frequency, freq) << Utf16ToUtf8(e->data.word);
    ++checked;
  }
  EXPECT_EQ(checked, 3);

  // The moving window's plot data read back point by point.
  const auto names = reader->MakeAndSaveMovingWindow(500, 3);
  ASSERT_FALSE(names.plot_file.empty()) << Utf16ToUtf8(reader->LastFailure());
  std::unique_ptr<TMovingWindow> mw = h.ComputeMovingWindow(500, 3);
  std::unique_ptr<TFileStream> file = TFileStream::Open(names.plot_file, TFileMode::OpenRead);
  ASSERT_TRUE(file);
  TMovingWindowPlotDataHolder back(0, 0);
  ASSERT_TRUE(back.ReadPlotDataFromStream(*file));
  EXPECT_EQ(back.Total_Tokens, h.Tokens()->TokenEntries());
  ASSERT_EQ(back.OverlapValues.size(), 3u);
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(back.OverlapValues[r].size(), mw->PlotDataHolder.Windows[r].size() - 1);
    EXPECT_EQ(back.OverlapValues[r], mw->PlotDataHolder.OverlapValues[r]);
  }
  EXPECT_EQ(back.Sections_Info.size(), mw->PlotDataHolder.Sections_Info.size());
}

}  // namespace
