// The lists a run makes from its lines (collocates, clusters, patterns, plot, time-line) count
// the lines' words on several workers: eight workers must give, byte for byte, the lists one
// worker gives, over the sample texts and over a generated corpus of many texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <atomic>
#include <array>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <tuple>

#include "concordance/views/clusters_list.h"
#include "concordance/views/compute_clusters.h"
#include "concordance/views/compute_collocates.h"
#include "concordance/views/compute_patterns.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/patterns_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "concordance/views/derived_views.h"
#include "concordance/views/work_vectors.h"
#include "platform/runtime/parallel_for.h"
#include "platform/settings/settings_access.h"
#include "derived_test_support.h"
#include "document_test_support.h"

using namespace document_test;

namespace {

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

// Many texts of words with capitals, digits, hyphens, apostrophes and accents, the search words
// in several forms, sentences and paragraphs of varied length.
std::vector<UString> WriteManyTexts(const TempFolder& tmp, int texts) {
  static const char* kWords[] = {"the", "The", "old", "man", "sat", "by", "sea", "Sea", "SEA", "and", "a", "dog",
                                 "caf\xC3\xA9", "CAF\xC3\x89", "ran", "home", "well-known", "don't", "1984",
                                 "3rd", "green", "river", "of", "in", "\xE2\x80\x9Csaid\xE2\x80\x9D", "Old"};
  std::mt19937 rng(11);
  std::vector<UString> names;
  for (int t = 0; t < texts; ++t) {
    std::string text;
    const size_t words = 300 + rng() % 900;
    for (size_t w = 0; w < words; ++w) {
      text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
      const uint32_t r = rng() % 40;
      text += r == 0 ? ".\n\n" : (r < 4 ? ". " : (r == 5 ? ", " : " "));
    }
    names.push_back(tmp.Write(u"t" + IntToUStr(t) + u".txt", text));
  }
  return names;
}

std::string StreamOf(TConcordanceDerivedList* list) {
  EXPECT_NE(list, nullptr);
  if (!list) return {};
  TMemoryStream m;
  EXPECT_TRUE(list->SaveToStream(m));
  return Bytes(m);
}

struct TDerivedSaw {
  int32_t lines = 0;
  int32_t highest_cluster = 0;
  std::string collocates, clusters, patterns, plot, timeline;
};

TDerivedSaw RunAndSave(TRunRequest request, int32_t threads) {
  request.threads = threads;
  TRunDone run = RunConcordance(request);
  EXPECT_TRUE(run.found);
  TDerivedSaw saw;
  if (!run.found) return saw;
  T_WholeLinzoraHolder& doc = *run.doc;
  EXPECT_EQ(doc.DerivedWorkers(), threads);
  saw.lines = doc.fConcordanceList->Count();
  saw.highest_cluster = doc.fHighestClusterFrequency;
  saw.collocates = StreamOf(doc.fCollocateList.get());
  // The rows come sorted once, by total and then word, as the view shows them: sorting them
  // again on those keys leaves every row where it is.
  if (auto* collocates = dynamic_cast<TCollocateList*>(doc.fCollocateList.get()); collocates && collocates->Count() > 1) {
    collocates->Set1Sort(0, kCollocateSortTotal);
    collocates->Set1Sort(1, 0);
    collocates->SetSortAscending(0, false);
    collocates->SetSortAscending(1, true);
    EXPECT_TRUE(collocates->DoASort(2, 0, collocates->Count() - 1));
    EXPECT_TRUE(StreamOf(collocates) == saw.collocates);
  }
  saw.clusters = StreamOf(doc.fClusterList.get());
  saw.patterns = StreamOf(doc.fPatternsList.get());
  saw.plot = StreamOf(doc.fConcPlotList.get());
  saw.timeline = StreamOf(doc.fTimeLineList.get());
  const TConcordanceWorkDoneRec w = doc.WorkDone();
  EXPECT_TRUE(w.collocates && w.clusters && w.patterns && w.plot);
  return saw;
}

void ClusterSizes(int16_t smallest, int16_t largest, int32_t min_frequency) {
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetClusterSizeMin(smallest);
  rec.SetClusterSizeMax(largest);
  rec.SetClusterMinFrequency(min_frequency);
  SetConcSaveRec(rec);
}

}  // namespace

TEST(DerivedListsOnWorkers, EightWorkersSaveTheListsOneWorkerSaves) {
  ScopedSettings settings;
  SetCarryoutProcedureTagBoolean(58, true);
  SetTimeLinePlotBase(kTimeBaseYear);
  TempFolder tmp;
  const std::vector<UString> many = WriteManyTexts(tmp, 240);
  struct Case {
    const char* name;
    TRunRequest request;
    int16_t smallest, largest;
    int32_t min_frequency;
  };
  TRunRequest samples;
  samples.folder = kSamples;
  samples.search_words = u"the\nriver";
  samples.wanted = 1000000;
  TRunRequest generated;
  generated.texts = many;
  generated.search_words = u"sea\ncaf\u00E9\nold man";
  generated.wanted = 1000000;
  const Case cases[] = {
      {"samples, clusters of 2 to 4", samples, 2, 4, 2},
      {"samples, clusters of 3, every one a row", samples, 3, 3, 1},
      {"many texts, clusters of 2 to 5", generated, 2, 5, 3},
      {"many texts, clusters of 1 to 3, every one a row", generated, 1, 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClusterSizes(c.smallest, c.largest, c.min_frequency);
    const TDerivedSaw one = RunAndSave(c.request, 1);
    ASSERT_GT(one.lines, 600);  // enough lines for several pieces
    EXPECT_FALSE(one.collocates.empty());
    for (int32_t threads : {2, 8}) {
      SCOPED_TRACE(threads);
      const TDerivedSaw other = RunAndSave(c.request, threads);
      ASSERT_EQ(other.lines, one.lines);
      EXPECT_EQ(other.highest_cluster, one.highest_cluster);
      EXPECT_TRUE(other.collocates == one.collocates);
      EXPECT_TRUE(other.clusters == one.clusters);
      EXPECT_TRUE(other.patterns == one.patterns);
      EXPECT_TRUE(other.plot == one.plot);
      EXPECT_TRUE(other.timeline == one.timeline);
    }
  }
}

namespace {

// A run over many generated texts, every line wanted.
TRunRequest ManyTextsRun(const TempFolder& tmp, int texts, UStringView words) {
  TRunRequest request;
  request.texts = WriteManyTexts(tmp, texts);
  request.search_words = UString(words);
  request.wanted = 1000000;
  return request;
}

// A plot of another maker than the document's own: it is computed alone, on the document's thread.
class TPlotOfAnotherMaker : public TConcPlotList {
 public:
  using TConcPlotList::TConcPlotList;
  bool Compute(bool grouped) override {
    computed_on.push_back(std::this_thread::get_id());
    return TConcPlotList::Compute(grouped);
  }
  std::vector<std::thread::id> computed_on;
};

}  // namespace

// On several workers the collocates, clusters and patterns count side by side after sharing one
// fetch of the lines' words, the plot too: each saves what one worker saves, and each count what
// it saves when computed on its own, fetching its own words. A list of another maker
// is computed alone, once, on the document's thread, and saves what the standard one does.
TEST(DerivedListsOnWorkers, ListsCountedSideBySideSaveWhatEachSavesAlone) {
  ScopedSettings settings;
  ClusterSizes(2, 4, 2);
  TempFolder tmp;
  TRunRequest request = ManyTextsRun(tmp, 200, u"sea\nold man");
  const TDerivedSaw one = RunAndSave(request, 1);
  ASSERT_GT(one.lines, 600);
  for (const bool another_plot : {false, true}) {
    SCOPED_TRACE(another_plot ? "a plot of another maker" : "the standard plot");
    if (another_plot)
      SetDerivedListFactory(kListPlot, [](T_WholeLinzoraHolder& owner) {
        return std::make_unique<TPlotOfAnotherMaker>(&owner, &owner);
      });
    request.threads = 8;
    TRunDone run = RunConcordance(request);
    ASSERT_TRUE(run.found);
    T_WholeLinzoraHolder& doc = *run.doc;
    const std::string side[] = {StreamOf(doc.fCollocateList.get()), StreamOf(doc.fClusterList.get()),
                                StreamOf(doc.fPatternsList.get()), StreamOf(doc.fConcPlotList.get())};
    EXPECT_TRUE(side[0] == one.collocates);
    EXPECT_TRUE(side[1] == one.clusters);
    EXPECT_TRUE(side[2] == one.patterns);
    EXPECT_TRUE(side[3] == one.plot);
    EXPECT_EQ(doc.fHighestClusterFrequency, one.highest_cluster);
    EXPECT_GT(Global_process_times[kDerivedListsTimeEntry], 0.0);
    if (another_plot) {
      auto* plot = dynamic_cast<TPlotOfAnotherMaker*>(doc.fConcPlotList.get());
      ASSERT_NE(plot, nullptr);
      ASSERT_EQ(plot->computed_on.size(), 1u);
      EXPECT_EQ(plot->computed_on[0], std::this_thread::get_id());
      SetDerivedListFactory(kListPlot, nullptr);
    }
    // Each count again on its own, in the same document (not the plot: it keeps its hits in the
    // lines' order, which the sort after the run changed).
    TConcordanceDerivedList* lists[] = {doc.fCollocateList.get(), doc.fClusterList.get(), doc.fPatternsList.get()};
    for (size_t k = 0; k < 3; ++k) {
      SCOPED_TRACE(k);
      ASSERT_NE(lists[k], nullptr);
      EXPECT_TRUE(lists[k]->Compute(false));
      EXPECT_TRUE(StreamOf(lists[k]) == side[k]);
    }
  }
}

namespace {

// Every line's stored record in list order, and the derived lists' streams.
std::string LinesAndListsOf(T_WholeLinzoraHolder& doc) {
  std::string out;
  TConcordanceList& list = *doc.fConcordanceList;
  for (int i = 0; i < list.Count(); ++i) {
    TMemoryStream m;
    EXPECT_TRUE(list.Line(i)->SaveToStream(m));
    out += Bytes(m);
  }
  for (TConcordanceDerivedList* derived :
       {doc.fCollocateList.get(), doc.fClusterList.get(), doc.fPatternsList.get(), doc.fConcPlotList.get(),
        doc.fTimeLineList.get()})
    out += StreamOf(derived);
  return out;
}

}  // namespace

// On several workers the lines are sorted while the derived lists count, which read the lines as
// they stood before (the time-line is made before the sort): the lines' order and every list are
// those one worker gives (sorting after the lists), whatever the keys, and where the lines are first cleared of duplicates (then
// sorted after the lists as before).
TEST(DerivedListsOnWorkers, LinesSortedWhileTheListsCountStandAsOneWorkersDo) {
  ScopedSettings settings;
  SetCarryoutProcedureTagBoolean(58, true);
  SetTimeLinePlotBase(kTimeBaseYear);
  ClusterSizes(2, 3, 2);
  TempFolder tmp;
  TRunRequest request = ManyTextsRun(tmp, 160, u"sea\ncaf\u00E9");
  struct Case {
    const char* name;
    uint8_t keys[3];
    bool remove_duplicates;
  };
  const Case cases[] = {
      {"by the first word right, then left, then file", {6, 4, kConcSortFile}, false},
      {"by file, word number and the whole line", {kConcSortFile, kConcSortWordNumber, kConcSortWholeLine}, false},
      {"by the search word, duplicates removed first", {kConcSortSearchWord, 6, 4}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TConcSettingsRec32 rec = GetConcSaveRec();
    for (int k = 0; k < 3; ++k) rec.SetSortKey(k, c.keys[k]);
    SetConcSaveRec(rec);
    SetRemoveDuplicatesAutomatically(current_tool_var, c.remove_duplicates);
    std::string one;
    for (const int32_t threads : {1, 3, 8}) {
      SCOPED_TRACE(threads);
      request.threads = threads;
      TRunDone run = RunConcordance(request);
      ASSERT_TRUE(run.found);
      ASSERT_GT(run.doc->fConcordanceList->Count(), 600);
      EXPECT_GE(Global_process_times[kSortingTimeEntry], 0.0);
      const std::string saw = LinesAndListsOf(*run.doc);
      if (threads == 1) one = saw;
      else EXPECT_TRUE(saw == one);
    }
  }
  SetRemoveDuplicatesAutomatically(current_tool_var, false);
}

// The rows and word numbers of the lines' words, whatever the workers: lines deleted or without
// text give no row, and a word first met in a later piece is numbered after every word of the
// earlier ones.
TEST(DerivedListsOnWorkers, FetchedWordsAreNumberedAsOnePassNumbersThem) {
  derived_test::Lines f;
  std::mt19937 rng(5);
  static const char16_t* kWords[] = {u"a", u"B", u"b", u"c", u"D", u"e1", u"f", u"G", u"h", u"\u00E9"};
  for (int i = 0; i < 3000; ++i) {
    std::vector<const char16_t*> left, right;
    for (uint32_t k = rng() % 6; k > 0; --k) left.push_back(kWords[rng() % 10]);
    for (uint32_t k = rng() % 6; k > 0; --k) right.push_back(kWords[rng() % 10]);
    // Words met only late in the lines, to be numbered last.
    const char16_t* sw = i < 2500 ? u"sw" : (i % 2 ? u"late" : u"later");
    f.AddWords(left, sw, right, 1 + i / 100);
  }
  for (int i = 0; i < 3000; i += 7) f.list.SetDeleted(i, true);
  f.list.Line(11)->SetText(u"");
  auto fill = [](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t* barriers) {
    for (int p = 44; p < 57; ++p) {
      const TSortInfoRec r = WordAtSpanPosition(line, p);
      ids[p - 44] = w.AtRecord(line, r);
      barriers[p - 44] = static_cast<uint8_t>(p);
    }
  };
  TDerivedCountSettings count;
  TCountingWords one_words(count);
  TLineWordRows one;
  ASSERT_TRUE(FetchLineWords(f.list, 13, 1, one_words, fill, one));
  EXPECT_EQ(one.Count(), 3000u - 429u - 1u);
  EXPECT_EQ(one_words.Word(one_words.Count() - 1), u"LATE");  // line 2500 met "later" first
  for (int32_t threads : {2, 3, 8, 64}) {
    SCOPED_TRACE(threads);
    TCountingWords words(count);
    TLineWordRows rows;
    ASSERT_TRUE(FetchLineWords(f.list, 13, threads, words, fill, rows));
    EXPECT_EQ(rows.lines, one.lines);
    EXPECT_EQ(rows.ids, one.ids);
    EXPECT_EQ(rows.barriers, one.barriers);
    ASSERT_EQ(words.Count(), one_words.Count());
    for (int32_t k = 0; k < words.Count(); ++k) EXPECT_EQ(words.Word(k), one_words.Word(k));
  }
}

// Pieces' words numbered on several workers take the numbers one pass over the pieces in order
// gives (a word the number of its first meeting), however the pieces share their runners' tables
// and however many workers number them.
TEST(DerivedListsOnWorkers, PiecesWordsNumberedOnWorkersAsOnePassNumbersThem) {
  std::mt19937 rng(41);
  const std::vector<UString> vocabulary = {u"a", u"A", u"b", u"\u00E9t\u00E9", u"x-y", u"don't", u"42", u"", u"zz", u"Zz",
                                           u"long word of many letters", u"\U0001F600", u"q"};
  for (const auto& [pieces, runners] : {std::pair<size_t, size_t>{1, 1}, {2, 1}, {5, 2}, {17, 4}, {32, 8}, {3, 8}}) {
    for (int32_t threads : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << pieces << " pieces, " << runners << " runners, " << threads << " threads");
      TDerivedCountSettings settings;
      settings.keep_case = true;
      std::vector<std::unique_ptr<TCountingWords>> tables;
      for (size_t r = 0; r < runners; ++r) tables.push_back(std::make_unique<TCountingWords>(settings));
      std::vector<std::vector<int32_t>> met(pieces), numbers(pieces);
      std::vector<std::vector<uint64_t>> hashes(pieces);
      for (size_t c = 0; c < pieces; ++c) {
        TCountingWords& table = *tables[c % runners];
        // A piece meets each of its words once; some pieces meet none.
        std::set<int32_t> seen;
        for (uint32_t k = c == 1 ? 0 : rng() % 9; k > 0; --k) {
          const int32_t id = table.OfCounted(vocabulary[rng() % vocabulary.size()]);
          if (!seen.insert(id).second) continue;
          met[c].push_back(id);
          hashes[c].push_back(TCountingWords::HashOf(table.Word(id)));
        }
        numbers[c].assign(met[c].size(), -1);
      }
      const std::vector<UString> in_order = NumberChunkWords(
          threads, pieces,
          [&](size_t c) -> TChunkWords { return {&met[c], &hashes[c], tables[c % runners].get()}; },
          [&](size_t c) -> std::vector<int32_t>& { return numbers[c]; });
      TCountingWords one_pass(settings);
      for (size_t c = 0; c < pieces; ++c)
        for (size_t k = 0; k < met[c].size(); ++k)
          EXPECT_EQ(numbers[c][k], one_pass.OfCounted(tables[c % runners]->Word(met[c][k]))) << c << " " << k;
      ASSERT_EQ(in_order.size(), static_cast<size_t>(one_pass.Count()));
      for (int32_t k = 0; k < one_pass.Count(); ++k) EXPECT_EQ(in_order[static_cast<size_t>(k)], one_pass.Word(k));
    }
  }
}

// Words taken in order answer every later look-up as a table that counted them one by one: by
// their texts in either form, a new word numbered next; a table that held words already numbers
// the words taken after its own, and a fetch into such a table equals one worker's.
TEST(DerivedListsOnWorkers, WordsTakenInOrderAreLookedUpAsWordsCountedOneByOne) {
  const std::vector<UString> words = {u"THE", u"RIVER", u"\u00C9T\u00C9", u"#"};
  for (bool numbers_as_hash : {false, true}) {
    SCOPED_TRACE(numbers_as_hash);
    TDerivedCountSettings settings;
    TCountingWords taken(settings, numbers_as_hash), counted(settings, numbers_as_hash);
    EXPECT_TRUE(taken.TakeCountedInOrder(words).empty());
    for (const UString& w : words) counted.OfCounted(w);
    for (const UString raw : {u"river", u"The", u"\u00E9t\u00E9", u"1999", u"bank", u"RIVER", u"bank", u"x1"}) {
      SCOPED_TRACE(Utf16ToUtf8(raw));
      EXPECT_EQ(taken.Of(raw), counted.Of(raw));
    }
    EXPECT_EQ(taken.OfCounted(u"SEA"), counted.OfCounted(u"SEA"));
    ASSERT_EQ(taken.Count(), counted.Count());
    for (int32_t k = 0; k < taken.Count(); ++k) EXPECT_EQ(taken.Word(k), counted.Word(k));
  }
  TDerivedCountSettings settings;
  TCountingWords held(settings);
  held.OfCounted(u"C");
  held.OfCounted(u"SW");
  EXPECT_EQ(held.TakeCountedInOrder({u"A", u"C", u"B"}), (std::vector<int32_t>{2, 0, 3}));
  EXPECT_EQ(held.Count(), 4);
  EXPECT_EQ(held.Of(u"b"), 3);
  EXPECT_EQ(held.Of(u"c"), 0);

  derived_test::Lines f;
  std::mt19937 rng(9);
  static const char16_t* kWords[] = {u"a", u"B", u"b", u"c", u"D", u"e1", u"f", u"G", u"h", u"\u00E9"};
  for (int i = 0; i < 2000; ++i) {
    std::vector<const char16_t*> left, right;
    for (uint32_t k = rng() % 6; k > 0; --k) left.push_back(kWords[rng() % 10]);
    for (uint32_t k = rng() % 6; k > 0; --k) right.push_back(kWords[rng() % 10]);
    f.AddWords(left, i < 1500 ? u"sw" : u"late", right, 1 + i / 100);
  }
  auto fill = [](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t* barriers) {
    for (int p = 44; p < 57; ++p) {
      ids[p - 44] = w.At(line, p);
      barriers[p - 44] = 0;
    }
  };
  auto fetched = [&](int32_t threads, TCountingWords& into) {
    into.OfCounted(u"LATE");
    into.OfCounted(u"ELSEWHERE");
    TLineWordRows rows;
    EXPECT_TRUE(FetchLineWords(f.list, 13, threads, into, fill, rows));
    return rows.ids;
  };
  TCountingWords one(settings), eight(settings);
  EXPECT_EQ(fetched(8, eight), fetched(1, one));
  ASSERT_EQ(eight.Count(), one.Count());
  for (int32_t k = 0; k < one.Count(); ++k) EXPECT_EQ(eight.Word(k), one.Word(k));
}

// A table counting words as found (case kept) numbers each text by its first meeting, whether a
// word comes through Of, OfCounted or TakeCountedInOrder and in whatever turn: checked against a
// plain numbering of the texts in the order they are given.
TEST(DerivedListsOnWorkers, WordsCountedAsFoundAreNumberedByTheirFirstMeeting) {
  enum Way { kOf, kOfCounted, kTaken };
  struct Step {
    Way way;
    std::vector<UString> words;
  };
  const UString long_word = u"Donaudampfschifffahrtsgesellschaftskapit\u00E4n";
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"through Of alone, capitals and repeats", {{kOf, {u"a", u"A", u"a", u"B", u"\u00E9t\u00E9", u"A", long_word, long_word}}}},
      {"Of, then a word counted elsewhere", {{kOf, {u"x", u"Y", u"x"}}, {kOfCounted, {u"Y", u"z"}}, {kOf, {u"z", u"Z", u"x"}}}},
      {"Of, then words taken in order", {{kOf, {u"one", u"two"}}, {kTaken, {u"three", u"one", u"four"}}, {kOf, {u"four", u"five", u"two"}}}},
      {"taken first, then Of", {{kTaken, {u"p", u"q"}}, {kOf, {u"q", u"r", u"p", u"Q"}}}},
      {"counted elsewhere first", {{kOfCounted, {u"m"}}, {kOf, {u"m", u"n", u"M"}}}},
      {"empty and odd texts", {{kOf, {u"", u"#", u"1999", u"", u"\U0001F600", u"#"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDerivedCountSettings settings;
    settings.keep_case = true;
    TCountingWords table(settings);
    std::map<UString, int32_t> plain;
    std::vector<UString> plain_order;
    auto number = [&](const UString& w) {
      const auto [at, added] = plain.try_emplace(w, static_cast<int32_t>(plain_order.size()));
      if (added) plain_order.push_back(w);
      return at->second;
    };
    for (const Step& step : c.steps) {
      if (step.way == kTaken) {
        const bool held = table.Count() > 0;
        std::vector<int32_t> want;
        for (const UString& w : step.words) want.push_back(number(w));
        const std::vector<int32_t> got = table.TakeCountedInOrder(step.words);
        if (held) {
          EXPECT_EQ(got, want);
        } else {
          EXPECT_TRUE(got.empty());
        }
        continue;
      }
      for (const UString& w : step.words) {
        SCOPED_TRACE(Utf16ToUtf8(w));
        EXPECT_EQ(step.way == kOf ? table.Of(w) : table.OfCounted(w), number(w));
      }
    }
    ASSERT_EQ(table.Count(), static_cast<int32_t>(plain_order.size()));
    for (int32_t k = 0; k < table.Count(); ++k) EXPECT_EQ(table.Word(k), plain_order[static_cast<size_t>(k)]);
  }
}

// Chunks shared in turn: every chunk is run once, each runner meets its chunks in increasing
// order, and no more runners than asked for take part, whether or not another caller keeps the
// pool's workers busy meanwhile.
TEST(DerivedListsOnWorkers, ChunksTakenInTurnAreEachRunOnceInOrderPerRunner) {
  struct Case {
    int threads;
    size_t chunks;
    bool busy_beside;
  };
  const Case cases[] = {{1, 5, false}, {2, 1, false}, {3, 40, false}, {8, 32, false}, {8, 7, false}, {8, 200, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " " << c.chunks << " " << c.busy_beside);
    std::vector<int> runs(c.chunks, 0);
    std::vector<size_t> runner_of(c.chunks, 0);
    std::vector<std::vector<size_t>> by_runner(static_cast<size_t>(c.threads));
    auto take = [&] {
      ForChunksInTurn(c.threads, c.chunks, [&](size_t chunk, size_t runner) {
        ++runs[chunk];
        runner_of[chunk] = runner;
        if (runner < by_runner.size()) by_runner[runner].push_back(chunk);
        if (chunk % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      });
    };
    std::atomic<uint64_t> sink{0};
    auto busy = [&] {
      ParallelFor(c.threads, 1 << 16, [&](size_t from, size_t to) {
        uint64_t h = 0;
        for (size_t i = from; i < to; ++i) h = (h ^ i) * 0x9E3779B97F4A7C15ull;
        sink += h;
      }, 1 << 10);
    };
    if (c.busy_beside) RunSideBySide(c.threads, {take, busy});
    else take();
    for (size_t k = 0; k < c.chunks; ++k) {
      EXPECT_EQ(runs[k], 1) << k;
      EXPECT_LT(runner_of[k], static_cast<size_t>(c.threads)) << k;
    }
    for (const std::vector<size_t>& mine : by_runner) EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
  }
}

// Each count on its own, with a stop list and case kept, on one worker and on eight.
TEST(DerivedListsOnWorkers, EachCountGivesTheSameRowsOnEightWorkers) {
  derived_test::Lines f;
  std::mt19937 rng(9);
  static const char16_t* kWords[] = {u"a", u"A", u"b|1", u"c", u"D|3", u"e1", u"22", u"f", u"G", u"h|2", u"\u00E9"};
  for (int i = 0; i < 4000; ++i) {
    std::vector<const char16_t*> left, right;
    for (uint32_t k = 1 + rng() % 7; k > 0; --k) left.push_back(kWords[rng() % 11]);
    for (uint32_t k = 1 + rng() % 7; k > 0; --k) right.push_back(kWords[rng() % 11]);
    f.AddWords(left, i % 3 ? u"sw" : u"Sw", right, 1 + i / 50, i % 2);
  }
  auto stream = [](auto& list) {
    TMemoryStream m;
    EXPECT_TRUE(list.SaveToStream(m));
    return Bytes(m);
  };
  for (bool keep_case : {false, true}) {
    SCOPED_TRACE(keep_case);
    std::string saved[2][3];
    int32_t highest[2] = {};
    for (int k = 0; k < 2; ++k) {
      const int32_t threads = k ? 8 : 1;
      TClusterRunSettings cs;
      cs.count.keep_case = keep_case;
      cs.count.min_frequency = 2;
      cs.smallest = 1;
      cs.largest = 4;
      cs.stop_at = 2;
      cs.threads = threads;
      TConcordanceClusterList clusters(&f.holder);
      ASSERT_TRUE(ComputeClusters(f.list, cs, clusters, highest[k]));
      saved[k][0] = stream(clusters);
      TCollocateRunSettings co;
      co.keep_case = keep_case;
      co.stop_at = 3;
      co.min_total = 2;
      co.is_stop_word = [](UStringView w) { return w == u"C" || w == u"c"; };
      co.threads = threads;
      TCollocateList collocates(&f.holder);
      const TSearch_word_format_rec item;
      ASSERT_TRUE(ComputeCollocates(f.list, {item, item}, co, collocates));
      saved[k][1] = stream(collocates);
      TDerivedCountSettings ps;
      ps.keep_case = keep_case;
      TPatternsList patterns(&f.holder);
      ASSERT_TRUE(ComputePatterns(f.list, ps, patterns, threads));
      saved[k][2] = stream(patterns);
      // Patterns leave out the stop list's words, asked on the owner's thread alone.
      const std::thread::id owner = std::this_thread::get_id();
      ps.is_stop_word = [owner](UStringView w) {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        return w == u"A" || w == u"a" || w == u"G";
      };
      ps.min_frequency = 3;
      TPatternsList stopped(&f.holder);
      ASSERT_TRUE(ComputePatterns(f.list, ps, stopped, threads));
      saved[k][2] += stream(stopped);
    }
    EXPECT_EQ(highest[0], highest[1]);
    EXPECT_TRUE(saved[0][0] == saved[1][0]) << "clusters";
    EXPECT_TRUE(saved[0][1] == saved[1][1]) << "collocates";
    EXPECT_TRUE(saved[0][2] == saved[1][2]) << "patterns";
  }
}

namespace {

// Lines of words up to eight on each side (so that spans and reaches end early on some), with
// capitals, digits and boundaries of every level, and words met only in the last quarter (to be
// numbered last); every 97th line has a word placed beyond its text, every 13th is deleted.
void AddRunWordLines(derived_test::Lines& f, int count) {
  std::mt19937 rng(23);
  static const char16_t* kWords[] = {u"a", u"A", u"b|1", u"c", u"D|3", u"e1", u"22", u"f", u"G", u"h|2",
                                     u"\u00E9", u"\u00C9|5", u"old", u"Old", u"man|4"};
  constexpr size_t kKinds = sizeof kWords / sizeof kWords[0];
  for (int i = 0; i < count; ++i) {
    std::vector<const char16_t*> left, right;
    for (uint32_t k = rng() % 9; k > 0; --k) left.push_back(kWords[rng() % kKinds]);
    for (uint32_t k = rng() % 9; k > 0; --k) right.push_back(kWords[rng() % kKinds]);
    if (i >= count * 3 / 4 && i % 5 == 0) right.insert(right.begin(), i % 2 ? u"late" : u"Later");
    TConcordanceEntry* line = f.AddWords(left, i % 3 ? u"sw" : u"Sw", right, 1 + i / 40, i % 2, i);
    if (i % 97 == 5) line->SetFixedWord(52 - kSpanFixedFirst, TSortInfoRec{2000, 3, 0, 0});
  }
  for (int i = 0; i < count; i += 13) f.list.SetDeleted(i, true);
}

// The same rows, word numbers, barriers and texts.
void ExpectSameRunWords(const TRunLineWords& run, const TRunLineWords& one) {
  EXPECT_EQ(run.rows.lines, one.rows.lines);
  EXPECT_EQ(run.rows.ids, one.rows.ids);
  EXPECT_EQ(run.rows.barriers, one.rows.barriers);
  ASSERT_EQ(run.found.Count(), one.found.Count());
  for (int32_t k = 0; k < run.found.Count(); ++k) EXPECT_EQ(run.found.Word(k), one.found.Word(k));
}

}  // namespace

// Words fetched while other work keeps the workers busy beside the fetch (as the lines' sort and
// the plot do after a run) are the words one worker fetches alone.
TEST(DerivedListsOnWorkers, RunWordsFetchedBesideOtherWorkEqualOneWorkers) {
  derived_test::Lines f;
  AddRunWordLines(f, 12000);
  TRunLineWords one;
  ASSERT_TRUE(FetchRunLineWords(f.list, 40, 60, 1, one));
  for (int32_t threads : {2, 3, 8}) {
    SCOPED_TRACE(threads);
    TRunLineWords run;
    bool fetched = false;
    std::vector<uint64_t> sums(64, 0);
    RunSideBySide(threads, {[&] { fetched = FetchRunLineWords(f.list, 40, 60, threads, run); },
                            [&] {
                              ParallelFor(threads, sums.size(), [&](size_t from, size_t to) {
                                for (size_t k = from; k < to; ++k)
                                  for (uint64_t i = 0; i < 200000; ++i) sums[k] = (sums[k] ^ i) * 0x9E3779B97F4A7C15ull;
                              }, 1);
                            }});
    ASSERT_TRUE(fetched);
    ExpectSameRunWords(run, one);
  }
}

// The words fetched once for every count, whatever the workers: the same rows, the same texts in
// the same order, a position without a word told from one whose word lies beyond the text.
TEST(DerivedListsOnWorkers, RunWordsFetchedOnEightWorkersEqualOneWorkers) {
  derived_test::Lines f;
  AddRunWordLines(f, 5000);
  TRunLineWords one;
  ASSERT_TRUE(FetchRunLineWords(f.list, 40, 60, 1, one));
  ASSERT_EQ(one.rows.Count(), 5000u - 385u);
  EXPECT_EQ(one.found.Word(0), u"sw");
  size_t none = 0, beyond = 0;
  for (size_t row = 0; row < one.rows.Count(); ++row) {
    none += one.At(row, 60) == TRunLineWords::kNoWordThere;
    beyond += one.At(row, 52) == -1;
  }
  EXPECT_GT(none, 3000u);
  EXPECT_GT(beyond, 30u);
  for (int32_t threads : {2, 8, 64}) {
    SCOPED_TRACE(threads);
    TRunLineWords run;
    ASSERT_TRUE(FetchRunLineWords(f.list, 40, 60, threads, run));
    ExpectSameRunWords(run, one);
  }
}

// A count's rows taken from the run's words are the rows, barriers and word numbers its own fetch
// gives (in capitals, numbers as "#"), also where each row keeps only some of its positions.
TEST(DerivedListsOnWorkers, CountedRowsFromTheRunsWordsEqualTheCountsOwnFetch) {
  derived_test::Lines f;
  AddRunWordLines(f, 20000);  // enough rows for several pieces
  TRunLineWords run;
  ASSERT_TRUE(FetchRunLineWords(f.list, 40, 60, 8, run));
  // Row r keeps positions 46 + r % 3 .. 54 - r % 4 (an odd line of the list counts as r).
  auto kept = [](size_t r) { return std::pair<int, int>(46 + static_cast<int>(r % 3), 54 - static_cast<int>(r % 4)); };
  TDerivedCountSettings count;
  for (const bool narrowed : {false, true}) {
    SCOPED_TRACE(narrowed);
    TCountingWords own_words(count, true);
    TLineWordRows own;
    ASSERT_TRUE(FetchLineWords(f.list, 13, 1, own_words,
                               [&](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t* barriers) {
                                 const size_t r = static_cast<size_t>(line.Data().word_num);
                                 const auto [from, to] = narrowed ? kept(r) : std::pair<int, int>(44, 56);
                                 for (int p = 44; p < 57; ++p) {
                                   barriers[p - 44] = WordAtSpanPosition(line, p).barrier;
                                   if (p >= from && p <= to) ids[p - 44] = w.At(line, p);
                                 }
                               },
                               own));
    for (int32_t threads : {1, 2, 8}) {
      SCOPED_TRACE(threads);
      TCountingWords words(count, true);
      TLineWordRows rows;
      TRowPositions positions;
      if (narrowed)
        positions = [&](const TRunLineWords& r, size_t row) {
          return kept(static_cast<size_t>(f.list.Line(r.rows.lines[row])->Data().word_num));
        };
      CountedLineWords(run, 44, 13, threads, words, positions, rows);
      EXPECT_EQ(rows.lines, own.lines);
      EXPECT_EQ(rows.ids, own.ids);
      EXPECT_EQ(rows.barriers, own.barriers);
      ASSERT_EQ(words.Count(), own_words.Count());
      for (int32_t k = 0; k < words.Count(); ++k) EXPECT_EQ(words.Word(k), own_words.Word(k));
    }
    EXPECT_EQ(own_words.Word(own_words.Count() - 1), u"LATE");
  }
  // A count's table that holds words already numbers the others after them, and its own words
  // met again keep their numbers, as its own fetch gives them.
  for (int32_t threads : {1, 8}) {
    SCOPED_TRACE(threads);
    TCountingWords held(count, true), own_held(count, true);
    for (TCountingWords* w : {&held, &own_held})
      for (const char16_t* word : {u"zebra", u"late", u"12"}) w->Of(word);
    TLineWordRows rows, own_rows;
    ASSERT_TRUE(FetchLineWords(f.list, 13, 1, own_held,
                               [&](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t* barriers) {
                                 for (int p = 44; p < 57; ++p) {
                                   barriers[p - 44] = WordAtSpanPosition(line, p).barrier;
                                   ids[p - 44] = w.At(line, p);
                                 }
                               },
                               own_rows));
    CountedLineWords(run, 44, 13, threads, held, {}, rows);
    EXPECT_EQ(rows.ids, own_rows.ids);
    ASSERT_EQ(held.Count(), own_held.Count());
    for (int32_t k = 0; k < held.Count(); ++k) EXPECT_EQ(held.Word(k), own_held.Word(k)) << k;
    EXPECT_EQ(held.Word(1), u"LATE");
    EXPECT_NE(std::find(rows.ids.begin(), rows.ids.end(), 1), rows.ids.end());  // "late" met again
  }
}

// Collocates, clusters and patterns counted from the run's words (fetched on one worker or on
// eight) save, byte for byte, what each saves reading the lines itself on one worker: for case
// kept or not, numbers kept or not, each stop level and reaches of several widths; words that
// do not hold a count's positions leave it to read the lines.
TEST(DerivedListsOnWorkers, CountsFromTheRunsWordsEqualCountsReadingTheLines) {
  derived_test::Lines f;
  AddRunWordLines(f, 5000);
  auto stream = [](auto& list) {
    TMemoryStream m;
    EXPECT_TRUE(list.SaveToStream(m));
    return Bytes(m);
  };
  struct Case {
    bool keep_case, keep_numbers;
    uint8_t stop_at;
    int16_t reach_left, reach_right, horizon_left, horizon_right;
  };
  const Case cases[] = {
      {false, false, 0, 5, 5, 5, 5}, {true, false, 2, 5, 5, 5, 5}, {false, true, 3, 4, 6, 7, 3},
      {true, true, 5, 8, 8, 8, 8},   {false, false, 1, 0, 3, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.keep_case << c.keep_numbers << int(c.stop_at) << " " << c.reach_left << " "
                                    << c.reach_right << " " << c.horizon_left << " " << c.horizon_right);
    // [0]: each count reads the lines; then from words fetched on one and eight workers; last
    // from words of the patterns' positions alone.
    std::string saved[4][3];
    int32_t highest[4] = {};
    TRunLineWords one_worker, eight_workers, patterns_only;
    ASSERT_TRUE(FetchRunLineWords(f.list, 42, 58, 1, one_worker));
    ASSERT_TRUE(FetchRunLineWords(f.list, 42, 58, 8, eight_workers));
    ASSERT_TRUE(FetchRunLineWords(f.list, 45, 55, 8, patterns_only));
    const TRunLineWords* given[4] = {nullptr, &one_worker, &eight_workers, &patterns_only};
    for (int k = 0; k < 4; ++k) {
      const int32_t threads = k == 1 ? 1 : 8;
      TClusterRunSettings cs;
      cs.count.keep_case = c.keep_case;
      cs.count.min_frequency = 2;
      cs.smallest = 1;
      cs.largest = 4;
      cs.reach_left = c.reach_left;
      cs.reach_right = c.reach_right;
      cs.stop_at = c.stop_at;
      cs.threads = threads;
      cs.run_words = given[k];
      TConcordanceClusterList clusters(&f.holder);
      ComputeClusters(f.list, cs, clusters, highest[k]);
      saved[k][0] = stream(clusters);
      TCollocateRunSettings co;
      co.left_words = c.horizon_left;
      co.right_words = c.horizon_right;
      co.keep_case = c.keep_case;
      co.keep_numbers = c.keep_numbers;
      co.stop_at = c.stop_at;
      co.threads = threads;
      co.run_words = given[k];
      TCollocateList collocates(&f.holder);
      const TSearch_word_format_rec item;
      ASSERT_TRUE(ComputeCollocates(f.list, {item, item}, co, collocates));
      saved[k][1] = stream(collocates);
      TDerivedCountSettings ps;
      ps.keep_case = c.keep_case;
      TPatternsList patterns(&f.holder);
      ASSERT_TRUE(ComputePatterns(f.list, ps, patterns, threads, given[k]));
      saved[k][2] = stream(patterns);
    }
    EXPECT_GT(saved[0][0].size(), 1000u);
    for (int k = 1; k < 4; ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(highest[k], highest[0]);
      EXPECT_TRUE(saved[k][0] == saved[0][0]) << "clusters";
      EXPECT_TRUE(saved[k][1] == saved[0][1]) << "collocates";
      EXPECT_TRUE(saved[k][2] == saved[0][2]) << "patterns";
    }
  }
}

// Counts given the lines as they stood read those, not the list: after the list's lines are
// sorted, the run's words fetched (on one worker or on eight) and each count that reads the lines
// itself save what they saved before the sort, as the counts do while the lines are sorted beside
// them.
TEST(DerivedListsOnWorkers, CountsReadTheLinesAsTheyStoodWhateverTheListsOrderNow) {
  derived_test::Lines f;
  AddRunWordLines(f, 6000);
  // [0] clusters, [1] collocates, [2] patterns.
  auto counts = [&](int32_t threads, const TLinesAsTheyStood* stood) {
    std::array<std::string, 3> saved;
    TClusterRunSettings cs;
    cs.count.min_frequency = 2;
    cs.smallest = 1;
    cs.largest = 3;
    cs.threads = threads;
    cs.lines_as_they_stood = stood;
    TConcordanceClusterList clusters(&f.holder);
    int32_t highest = 0;
    ComputeClusters(f.list, cs, clusters, highest);
    saved[0] = StreamOf(&clusters);
    TCollocateRunSettings co;
    co.threads = threads;
    co.lines_as_they_stood = stood;
    TCollocateList collocates(&f.holder);
    const TSearch_word_format_rec item;
    EXPECT_TRUE(ComputeCollocates(f.list, {item, item}, co, collocates));
    saved[1] = StreamOf(&collocates);
    TPatternsList patterns(&f.holder);
    EXPECT_TRUE(ComputePatterns(f.list, TDerivedCountSettings(), patterns, threads, nullptr, stood));
    saved[2] = StreamOf(&patterns);
    return saved;
  };
  TRunLineWords before;
  ASSERT_TRUE(FetchRunLineWords(f.list, 40, 60, 1, before));
  const std::array<std::string, 3> one = counts(1, nullptr);
  EXPECT_GT(one[0].size(), 1000u);
  const TLinesAsTheyStood stood = LinesAsTheyStand(f.list, 4);
  std::vector<int> order_before(static_cast<size_t>(f.list.Count()));
  for (int i = 0; i < f.list.Count(); ++i) order_before[static_cast<size_t>(i)] = f.list.Line(i)->Data().word_num;
  f.list.SetThreeSorts(6, 4, kConcSortFile);
  f.list.SetSortDirections();
  ASSERT_TRUE(f.list.CompleteResort());
  std::vector<int> order_after(order_before.size());
  for (int i = 0; i < f.list.Count(); ++i) order_after[static_cast<size_t>(i)] = f.list.Line(i)->Data().word_num;
  ASSERT_NE(order_after, order_before);  // the list's lines now stand in another order
  for (const int32_t threads : {1, 8}) {
    SCOPED_TRACE(threads);
    TRunLineWords run;
    ASSERT_TRUE(FetchRunLineWords(f.list, 40, 60, threads, run, &stood));
    ExpectSameRunWords(run, before);
    const std::array<std::string, 3> saw = counts(threads, &stood);
    EXPECT_TRUE(saw[0] == one[0]) << "clusters";
    EXPECT_TRUE(saw[1] == one[1]) << "collocates";
    EXPECT_TRUE(saw[2] == one[2]) << "patterns";
  }
}

// A line read from the list on the workers is the list's own line, at every index and beyond
// the ends; the fetch reads lines whose texts keep a byte a character and lines of UTF-16 units
// alike, whatever the workers, also where a line's hit sits at its text's first character or
// its word positions point past its end.
TEST(DerivedListsOnWorkers, LinesReadOnTheWorkersAreTheListsOwn) {
  derived_test::Lines f;
  static const char16_t* kWords[] = {u"a", u"\u00E9t\u00E9", u"\u0416\u0443\u043A", u"b", u"\u4E2D", u"c1"};
  std::mt19937 rng(31);
  for (int i = 0; i < 6000; ++i) {
    std::vector<const char16_t*> left, right;
    // Every fourth line has no words before its hit (the hit starts the text).
    for (uint32_t k = i % 4 == 0 ? 0 : 1 + rng() % 6; k > 0; --k) left.push_back(kWords[rng() % 6]);
    for (uint32_t k = rng() % 7; k > 0; --k) right.push_back(kWords[rng() % 6]);
    TConcordanceEntry* line = f.AddWords(left, i % 5 ? u"sw" : u"\u0416", right, 1 + i / 60);
    if (i % 101 == 7) line->SetFixedWord(53 - kSpanFixedFirst, TSortInfoRec{3000, 4, 0, 0});
    if (i % 211 == 3) line->Data().midpoint = 30000;
  }
  for (int i = 0; i < f.list.Count(); ++i) {
    if (i % 17 == 0) f.list.SetDeleted(i, true);
    ASSERT_EQ(LineOfList(f.list, i), f.list.Line(i)) << i;
  }
  EXPECT_EQ(LineOfList(f.list, -1), nullptr);
  EXPECT_EQ(LineOfList(f.list, f.list.Count()), nullptr);
  TRunLineWords one;
  ASSERT_TRUE(FetchRunLineWords(f.list, 41, 59, 1, one));
  EXPECT_GT(one.found.Count(), 6);
  for (int32_t threads : {2, 8}) {
    SCOPED_TRACE(threads);
    TRunLineWords run;
    ASSERT_TRUE(FetchRunLineWords(f.list, 41, 59, threads, run));
    ExpectSameRunWords(run, one);
  }
}

// Vectors a count fills on its workers: grown without a value they keep what they held; given a
// value they fill; and sorted on any number of workers they give the order one worker gives.
TEST(DerivedListsOnWorkers, WorkVectorsKeepWhatTheyHeldAndSortAsOneWorkerSorts) {
  TWorkVector<int32_t> v(3, 7);
  EXPECT_EQ(v, (TWorkVector<int32_t>{7, 7, 7}));
  v[1] = 5;
  v.resize(100000);  // grown without a value: the three items stay
  EXPECT_EQ(v[0], 7);
  EXPECT_EQ(v[1], 5);
  EXPECT_EQ(v[2], 7);
  v.resize(6, -1);  // shortened: the value is not used
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[1], 5);
  v.assign(4, -1);
  EXPECT_EQ(v, (TWorkVector<int32_t>{-1, -1, -1, -1}));
  v.resize(6, 9);
  EXPECT_EQ(v, (TWorkVector<int32_t>{-1, -1, -1, -1, 9, 9}));
  struct TKey {
    int32_t frequency;
    uint32_t index;
  };
  std::mt19937 rng(17);
  for (size_t n : {size_t{0}, size_t{1}, size_t{999}, size_t{70001}}) {
    TWorkVector<TKey> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = {static_cast<int32_t>(rng() % 9), static_cast<uint32_t>(i)};
    auto less = [](const TKey& a, const TKey& b) {
      return a.frequency != b.frequency ? a.frequency > b.frequency : a.index < b.index;
    };
    std::vector<TKey> one(keys.begin(), keys.end());
    std::sort(one.begin(), one.end(), less);
    for (int threads : {1, 3, 8}) {
      SCOPED_TRACE(testing::Message() << n << " keys on " << threads);
      TWorkVector<TKey> many = keys;
      ParallelSort(many, threads, less, 128);
      ASSERT_EQ(many.size(), n);
      for (size_t i = 0; i < n; ++i) ASSERT_EQ(many[i].index, one[i].index) << i;
    }
  }
}

// A word read from a line is numbered by its characters, whatever form the line keeps its text
// in: words of a byte a character up to seven bytes long (looked up by their bytes), longer ones,
// words holding a zero byte or bytes of the 1252 slots, and the same words in lines kept in UTF-16.
TEST(DerivedListsOnWorkers, WordsOfLinesAreNumberedByTheirCharactersInEitherForm) {
  const UString kCases[] = {u"a",         u"ab",        u"abcdefg",          u"abcdefgh", u"abcdefg\u00E9",
                            u"\u2019s",    UString(u"a\u0000b", 3), UString(u"a\u0000", 2), u"\u00E9t\u00E9",
                            u"A",          u"ABCDEFG",   u"\u20AC1"};
  for (const bool keep_case : {false, true})
    for (const bool numbers_as_hash : {false, true}) {
      SCOPED_TRACE(testing::Message() << keep_case << numbers_as_hash);
      TDerivedCountSettings count;
      count.keep_case = keep_case;
      TCountingWords by_text(count, numbers_as_hash), from_lines(count, numbers_as_hash);
      for (int round = 0; round < 3; ++round)
        for (const UString& word : kCases)
          for (const bool wide : {false, true}) {
            // A character only UTF-16 holds makes the line keep that form.
            TConcordanceEntry line(nullptr);
            line.SetText(u"x " + word + (wide ? u" \u4E2D" : u" y"));
            ASSERT_EQ(line.Text().OneByte(), !wide) << Utf16ToUtf8(word);
            line.Data().midpoint = 2;
            line.SetFixedWord(kSpanSearchWord - kSpanFixedFirst,
                              TSortInfoRec{0, static_cast<int16_t>(word.size()), 0, 0});
            EXPECT_EQ(from_lines.At(line, kSpanSearchWord), by_text.Of(word)) << Utf16ToUtf8(word);
          }
      EXPECT_EQ(from_lines.Count(), by_text.Count());
    }
}

// The texts each collocate is met in, counted over texts enough for the workers to share (3,000,
// their lines scattered through the list, so that a text is met in many stretches of rows): eight
// workers give the rows one gives, and a word's texts are those a count by hand finds.
TEST(DerivedListsOnWorkers, CollocateTextsCountedOverManyScatteredTexts) {
  derived_test::Lines f;
  std::mt19937 rng(41);
  static const char16_t* kWords[] = {u"a", u"b", u"c", u"d", u"e", u"f", u"rare"};
  std::map<UString, std::set<int32_t>> texts_of;  // by hand: the texts each word (in capitals) is met in
  for (int i = 0; i < 9000; ++i) {
    std::vector<const char16_t*> left, right;
    for (uint32_t k = 1 + rng() % 4; k > 0; --k) left.push_back(kWords[rng() % (i % 50 ? 6 : 7)]);
    for (uint32_t k = 1 + rng() % 4; k > 0; --k) right.push_back(kWords[rng() % 6]);
    const int32_t file = 1 + static_cast<int32_t>((static_cast<uint32_t>(i) * 7919u) % 3000u);
    f.AddWords(left, u"sw", right, file);
    for (const auto* side : {&left, &right})
      for (const char16_t* w : *side) texts_of[UpperCaseU(UString(w), kLCID_EnglishUS)].insert(file);
  }
  auto run = [&](int32_t threads) {
    TCollocateRunSettings co;
    co.threads = threads;
    TCollocateList collocates(&f.holder);
    const TSearch_word_format_rec item;
    EXPECT_TRUE(ComputeCollocates(f.list, {item}, co, collocates));
    std::map<UString, int32_t> texts;
    for (int r = 0; r < collocates.Count(); ++r) {
      const UString word = collocates.Row(r)->rec.word.value_or(UString());
      if (word != u"SW") texts[word] = collocates.Row(r)->rec.head.texts;
    }
    TMemoryStream m;
    EXPECT_TRUE(collocates.SaveToStream(m));
    return std::pair(texts, Bytes(m));
  };
  const auto one = run(1);
  ASSERT_EQ(one.first.size(), 7u);
  for (const auto& [word, n] : one.first) EXPECT_EQ(n, static_cast<int32_t>(texts_of[word].size())) << Utf16ToUtf8(word);
  EXPECT_TRUE(run(8) == one);
}

namespace {

// `count` words of four letters, each its own: `first`, then three letters counting up (letters
// only: a word with digits counts as a number).
std::vector<UString> FourLetterWords(char16_t first, int count) {
  std::vector<UString> words;
  for (int w = 0; w < count; ++w)
    words.push_back(UString{first, static_cast<char16_t>(u'a' + w % 26), static_cast<char16_t>(u'a' + w / 26 % 26),
                            static_cast<char16_t>(u'a' + w / 676)});
  return words;
}

}  // namespace

// Thousands of different words round two search words: the collocates' nodes (a word in a search
// word's group) are put in order on eight workers, and the rows come out as one worker's, a word
// met beside both search words with the same totals listed under the greater search-word number
// first.
TEST(DerivedListsOnWorkers, CollocatesOfThousandsOfWordsAreOrderedAsOnOneWorker) {
  derived_test::Lines f;
  std::mt19937 rng(43);
  const std::vector<UString> vocabulary = FourLetterWords(u'w', 9000);
  for (int i = 0; i < 12000; ++i) {
    derived_test::Lines::Words left, right;
    for (int k = 0; k < 2; ++k) left.push_back(vocabulary[rng() % vocabulary.size()].c_str());
    for (int k = 0; k < 2; ++k) right.push_back(vocabulary[rng() % vocabulary.size()].c_str());
    const int32_t item = i % 2;
    f.AddWords(left, item ? u"sx" : u"sw", right, 1 + i % 40, item);
  }
  std::vector<TSearch_word_format_rec> items(2);
  items[0].sw = items[0].plain_sw = u"sw";
  items[1].sw = items[1].plain_sw = u"sx";
  auto run = [&](int32_t threads) {
    TCollocateRunSettings co;
    co.threads = threads;
    TCollocateList collocates(&f.holder);
    EXPECT_TRUE(ComputeCollocates(f.list, items, co, collocates));
    TMemoryStream m;
    EXPECT_TRUE(collocates.SaveToStream(m));
    int tied = 0;
    for (int r = 1; r < collocates.Count(); ++r) {
      const TCollocateEntry& a = *collocates.Row(r - 1);
      const TCollocateEntry& b = *collocates.Row(r);
      if (a.rec.word != b.rec.word || a.rec.head.total != b.rec.head.total) continue;
      ++tied;
      EXPECT_GT(a.rec.head.sw_number, b.rec.head.sw_number) << Utf16ToUtf8(a.rec.word.value_or(UString()));
    }
    return std::tuple(collocates.Count(), tied, Bytes(m));
  };
  const auto one = run(1);
  // Enough nodes for the order to be cut into several pieces, and words tied under both items.
  ASSERT_GT(std::get<0>(one), 3 * 4096);
  EXPECT_GT(std::get<1>(one), 100);
  EXPECT_TRUE(run(8) == one);
  EXPECT_TRUE(run(3) == one);
}

// The texts without lines, chosen out of name order and among texts with lines, come in name
// order (case ignored first) whatever the workers and whether the lines were sorted beside the
// lists or after them, with the words each held.
TEST(DerivedListsOnWorkers, TextsWithoutLinesComeInNameOrderOnEveryRoad) {
  ScopedSettings settings;
  SetCarryoutProcedureTagBoolean(58, true);
  SetTimeLinePlotBase(kTimeBaseYear);
  TempFolder tmp;
  TRunRequest request = ManyTextsRun(tmp, 40, u"sea");
  const char* kWithout[] = {"zebra.txt", "Apple.txt", "mango.txt", "apple.txt", "Banana.txt", "cherry.txt"};
  std::vector<UString> without;
  for (size_t k = 0; k < std::size(kWithout); ++k) {
    const UString name = tmp.Write(Utf8ToUtf16(kWithout[k]), std::string(k + 1, 'x') + " no word here");
    without.push_back(name);
    request.texts.insert(request.texts.begin() + static_cast<ptrdiff_t>(k * 7), name);
  }
  const std::vector<UString> expected{tmp.Path() + u"apple.txt",  tmp.Path() + u"Apple.txt",
                                      tmp.Path() + u"Banana.txt", tmp.Path() + u"cherry.txt",
                                      tmp.Path() + u"mango.txt",  tmp.Path() + u"zebra.txt"};
  for (const bool duplicates_removed : {false, true}) {  // removing duplicates sorts the lines after the lists
    SetRemoveDuplicatesAutomatically(current_tool_var, duplicates_removed);
    for (const int32_t threads : {1, 8}) {
      SCOPED_TRACE(testing::Message() << threads << " workers, duplicates removed " << duplicates_removed);
      request.threads = threads;
      TRunDone run = RunConcordance(request);
      ASSERT_TRUE(run.found);
      const TUnusedFileList& unused = run.doc->fUnusedFiles;
      std::vector<UString> names;
      for (int32_t i = 0; i < unused.Count(); ++i) names.push_back(unused.Record(i).filename);
      EXPECT_EQ(names, expected);
      // The words each held ("x.. no word here": four words, the first of its own length).
      for (int32_t i = 0; i < unused.Count(); ++i) EXPECT_EQ(unused.Record(i).old.wordcount, 4);
    }
  }
  SetRemoveDuplicatesAutomatically(current_tool_var, false);
}

// The collocates' rows come greatest total first, equal totals in the collation order of their
// words (not their code units), and words the collation makes equal (case forms kept apart) in
// the order the words were counted; the same on one worker and eight, and as the list's own sort
// on those keys leaves them. Thousands of other words make enough rows for several pieces.
TEST(DerivedListsOnWorkers, CollocateRowsTiedOnTotalsComeInCollationOrderOnAnyWorkers) {
  derived_test::Lines f;
  std::mt19937 rng(47);
  const std::vector<UString> vocabulary = FourLetterWords(u'q', 9000);
  // Each named word 60 times beside the search word (far more than any generated one), "zeal" 90.
  const std::vector<const char16_t*> named{u"sea", u"Banana", u"SEA", u"cherry", u"Sea", u"apple", u"\u00E9clair"};
  std::vector<const char16_t*> beside;
  for (const char16_t* w : named) beside.insert(beside.end(), 60, w);
  beside.insert(beside.end(), 90, u"zeal");
  std::shuffle(beside.begin(), beside.end(), rng);
  for (size_t i = 0; i < 12000; ++i) {
    derived_test::Lines::Words left, right;
    left.push_back(i < beside.size() ? beside[i] : vocabulary[rng() % vocabulary.size()].c_str());
    left.push_back(vocabulary[rng() % vocabulary.size()].c_str());
    right.push_back(vocabulary[rng() % vocabulary.size()].c_str());
    f.AddWords(left, u"sw", right, 1 + static_cast<int32_t>(i % 40), 0);
  }
  std::vector<TSearch_word_format_rec> items(1);
  items[0].sw = items[0].plain_sw = u"sw";
  auto run = [&](int32_t threads) {
    TCollocateRunSettings co;
    co.threads = threads;
    co.keep_case = true;
    TCollocateList collocates(&f.holder);
    EXPECT_TRUE(ComputeCollocates(f.list, items, co, collocates));
    TMemoryStream m;
    EXPECT_TRUE(collocates.SaveToStream(m));
    std::vector<std::string> top;
    for (int r = 0; r < collocates.Count() && top.size() < 9; ++r)
      top.push_back(Utf16ToUtf8(collocates.Row(r)->rec.word.value_or(UString())) + " " +
                    std::to_string(collocates.Row(r)->rec.head.total));
    const std::string saved = Bytes(m);
    EXPECT_TRUE(collocates.DoASort(2, 0, collocates.Count() - 1));
    EXPECT_TRUE(StreamOf(&collocates) == saved) << threads << " workers: the list's sort moved rows";
    return std::tuple(collocates.Count(), top, saved);
  };
  const auto one = run(1);
  ASSERT_GT(std::get<0>(one), 8 * 512);
  // The search word itself, then "zeal", then the tied ones: "éclair" by its letter e, and the
  // three case forms of "sea" (equal to a collation that ignores case) as counted: "SEA", "Sea",
  // "sea" by their code units.
  const std::vector<std::string> expected{"sw 12000", "zeal 90",  "apple 60", "Banana 60", "cherry 60",
                                          "\xC3\xA9" "clair 60", "SEA 60", "Sea 60", "sea 60"};
  EXPECT_EQ(std::get<1>(one), expected);
  EXPECT_TRUE(run(8) == one);
  EXPECT_TRUE(run(3) == one);
}
