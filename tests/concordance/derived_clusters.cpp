#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <span>
#include <tuple>
#include <vector>

#include "concordance/views/clusters_list.h"
#include "concordance/views/compute_clusters.h"
#include "derived_test_support.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "support/stream_bytes.h"

using derived_test::Lines;

namespace {

TClusterRunSettings Sizes(int16_t smallest, int16_t largest) {
  TClusterRunSettings s;
  s.smallest = smallest;
  s.largest = largest;
  return s;
}

// cluster text -> frequency
std::map<UString, int32_t> Rows(const TConcordanceClusterList& list) {
  std::map<UString, int32_t> m;
  for (int i = 0; i < list.Count(); ++i) m[list.Row(i)->rec.line.value_or(u"")] = list.Row(i)->rec.frequency;
  return m;
}

}  // namespace

TEST(ComputeClusters, ReachEndsBeforeTheRightEndAndSizesAreExact) {
  Lines f;
  // Right reach 2: positions 48..51 can hold cluster words, never 52.
  f.Add({u"a", u"b"}, u"sw", {u"c", u"d"});
  TClusterRunSettings s = Sizes(2, 2);
  s.reach_left = 2;
  s.reach_right = 2;
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  ASSERT_TRUE(ComputeClusters(f.list, s, list, highest));
  EXPECT_EQ(Rows(list), (std::map<UString, int32_t>{{u"A B", 1}, {u"B SW", 1}, {u"SW C", 1}}));
  EXPECT_EQ(highest, 1);
  EXPECT_EQ(list.Row(0)->rec.cluster_length, 2);
  EXPECT_TRUE(list.Row(0)->rec.related_line.empty());  // equal sizes: no relations
}

TEST(ComputeClusters, BoundariesAndStopAtLevel) {
  struct Case {
    const char* name;
    uint8_t stop_at;
    std::map<UString, int32_t> rows;
  };
  // "x|1 y z|3 sw": a level-1 boundary after x, a level-3 one after z.
  const Case cases[] = {
      {"stop-at 0: every boundary inside ends the run", 0, {{u"Y Z", 1}, {u"Z SW", 0}}},
      {"stop-at 2: the level-1 boundary passes", 2, {{u"X Y", 1}, {u"Y Z", 1}}},
      {"stop-at 4: neither ends a run", 4, {{u"X Y", 1}, {u"Y Z", 1}, {u"Z SW", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lines f;
    f.Add({u"x|1", u"y", u"z|3"}, u"sw", {});
    TClusterRunSettings s = Sizes(2, 2);
    s.reach_left = 3;
    s.reach_right = 1;
    s.stop_at = c.stop_at;
    TConcordanceClusterList list(&f.holder);
    int32_t highest = 0;
    ComputeClusters(f.list, s, list, highest);
    std::map<UString, int32_t> want;
    for (const auto& [k, v] : c.rows)
      if (v) want[k] = v;
    EXPECT_EQ(Rows(list), want);
  }
}

TEST(ComputeClusters, CaseMinimumFrequencyHighestAndOrder) {
  Lines f;
  f.Add({}, u"of", {u"the", u"World"});
  f.Add({}, u"of", {u"The", u"world"});
  f.Add({}, u"of", {u"a", u"cat"});
  TClusterRunSettings s = Sizes(2, 2);
  s.reach_left = 0;
  s.reach_right = 3;
  s.count.min_frequency = 2;
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  ASSERT_TRUE(ComputeClusters(f.list, s, list, highest));
  EXPECT_EQ(Rows(list), (std::map<UString, int32_t>{{u"OF THE", 2}, {u"THE WORLD", 2}}));
  EXPECT_EQ(list.Row(0)->rec.line.value_or(u""), u"OF THE");  // equal frequencies by text
  s.count.keep_case = true;
  s.count.min_frequency = 1;
  ASSERT_TRUE(ComputeClusters(f.list, s, list, highest));
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(highest, 1);
  // Highest counts clusters under the minimum frequency too.
  s.count.keep_case = false;
  s.count.min_frequency = 5;
  EXPECT_FALSE(ComputeClusters(f.list, s, list, highest));
  EXPECT_EQ(highest, 2);
}

TEST(ComputeClusters, LengthCountsTheClusterWordsOnly) {
  // A search word of two words: a cluster not reaching it has just its own words.
  Lines f;
  f.Add({u"in", u"the"}, u"New York", {u"area"});
  TClusterRunSettings s = Sizes(2, 2);
  s.reach_left = 2;
  s.reach_right = 2;
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  ASSERT_TRUE(ComputeClusters(f.list, s, list, highest));
  std::map<UString, int32_t> length;
  for (int i = 0; i < list.Count(); ++i) length[*list.Row(i)->rec.line] = list.Row(i)->rec.cluster_length;
  EXPECT_EQ(length, (std::map<UString, int32_t>{{u"IN THE", 2}, {u"THE NEW YORK", 3}, {u"NEW YORK AREA", 3}}));
}

TEST(ComputeClusters, RelatedClustersAreWordBounded) {
  Lines f;
  for (int i = 0; i < 3; ++i) f.Add({u"end"}, u"of", {u"the", u"world"});
  f.Add({}, u"of", {u"them", u"all"});
  TClusterRunSettings s = Sizes(2, 4);
  s.reach_left = 1;
  s.reach_right = 3;
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  ASSERT_TRUE(ComputeClusters(f.list, s, list, highest));
  std::map<UString, UString> related;
  for (int i = 0; i < list.Count(); ++i) related[*list.Row(i)->rec.line] = list.Row(i)->rec.related_line;
  // Rows in order: END OF (3), END OF THE (3), END OF THE WORLD (3), OF THE (3), OF THE WORLD (3),
  // THE WORLD (3), then OF THEM (1), OF THEM ALL (1), THEM ALL (1).
  EXPECT_EQ(related[u"OF THE"], u"END OF THE (3),END OF THE WORLD (3),OF THE WORLD (3)");
  EXPECT_EQ(related[u"OF THE WORLD"], u"END OF THE WORLD (3),OF THE (3),THE WORLD (3)");
  EXPECT_EQ(related[u"OF THEM ALL"], u"OF THEM (1),THEM ALL (1)");
  EXPECT_EQ(related[u"END OF THE WORLD"],
            u"END OF (3),END OF THE (3),OF THE (3),OF THE WORLD (3),THE WORLD (3)");
}

TEST(ComputeClusters, StopAtEndOfTextStillRelatesAndStopNowDoesNot) {
  Lines f;
  f.Add({}, u"of", {u"the", u"world"});
  TClusterRunSettings s = Sizes(2, 3);
  s.reach_left = 0;
  s.reach_right = 3;
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  global_panic_state = kPanicEndOfText;
  ASSERT_TRUE(ComputeClusters(f.list, s, list, highest));
  global_panic_state = 0;
  EXPECT_FALSE(list.Row(0)->rec.related_line.empty());
}

TEST(ComputeClusters, DamagedReachesAreClampedAndEmptyListAnswersFalse) {
  int l = 0, r = 0;
  ClusterReachPositions(200, 80, l, r);
  EXPECT_EQ(l, 0);
  EXPECT_EQ(r, 101);
  ClusterReachPositions(0x0102, 3, l, r);  // only the low byte counts
  EXPECT_EQ(l, 48);
  EXPECT_EQ(r, 53);
  Lines f;
  f.Add({u"a"}, u"b", {u"c"});
  TClusterRunSettings s = Sizes(1, 3);
  s.reach_left = 255;
  s.reach_right = 255;
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  EXPECT_TRUE(ComputeClusters(f.list, s, list, highest));
  Lines none;
  TConcordanceClusterList empty(&none.holder);
  EXPECT_FALSE(ComputeClusters(none.list, s, empty, highest));
}

TEST(ClusterList, WordCountOfText) {
  const std::pair<const char16_t*, int32_t> cases[] = {
      {u"a b c", 3}, {u"  a b  ", 2}, {u"", 0}, {u"   ", 0}, {u"one", 1}};
  for (const auto& [text, n] : cases) EXPECT_EQ(ClusterWordCount(text), n) << Utf16ToUtf8(text);
}

namespace {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& raw(const void* p, size_t n) {
    const auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
    return *this;
  }
  Bytes& wide(const char16_t* s) {
    const UString t(s);
    i32(static_cast<int32_t>(t.size()));
    return raw(t.data(), t.size() * 2);
  }
};

}  // namespace

TEST(ClusterStream, RowBytesBothVersionsAndCuts) {
  TVXBaseHolder holder;
  Bytes v11;
  v11.i32(7).wide(u"of the").i32(2).wide(u"end of the (7)");
  Bytes v10;
  v10.i32(7).wide(u" of  the ");
  for (int version : {11, 10}) {
    SCOPED_TRACE(version);
    const Bytes& bytes = version == 11 ? v11 : v10;
    TConcordanceClusterList list(&holder);
    list.SetVersionNumber(version);
    TConcordanceClusterEntry row(&list, &holder);
    TMemoryStream in(bytes.b);
    ASSERT_TRUE(row.ReadFromStream(in));
    EXPECT_EQ(in.Position(), in.Size());
    EXPECT_EQ(row.rec.frequency, 7);
    if (version == 11) {
      EXPECT_EQ(row.rec.related_line, u"end of the (7)");
      TMemoryStream out;
      ASSERT_TRUE(row.SaveToStream(out));
      EXPECT_EQ(out.Data(), bytes.b);
    }
    for (size_t cut = 0; cut < bytes.b.size(); ++cut) {
      TMemoryStream part(std::vector<uint8_t>(bytes.b.begin(), bytes.b.begin() + static_cast<long>(cut)));
      TConcordanceClusterEntry r(&list, &holder);
      EXPECT_FALSE(r.ReadFromStream(part)) << cut;
    }
  }
}

TEST(ClusterStream, OldListsRecountLengthsAndListsRoundTrip) {
  Lines f;
  f.Add({}, u"of", {u"the", u"world"});
  TConcordanceClusterList list(&f.holder);
  int32_t highest = 0;
  ASSERT_TRUE(ComputeClusters(f.list, Sizes(2, 3), list, highest));
  TMemoryStream out;
  ASSERT_TRUE(list.SaveToStream(out));
  const std::vector<uint8_t> bytes = out.Data();
  TConcordanceClusterList back(&f.holder);
  TMemoryStream in(bytes);
  ASSERT_TRUE(back.ReadFromStream(in));
  ASSERT_EQ(back.Count(), list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(back.Row(i)->rec.line, list.Row(i)->rec.line);
    EXPECT_EQ(back.Row(i)->rec.related_line, list.Row(i)->rec.related_line);
    EXPECT_EQ(back.Row(i)->rec.cluster_length, list.Row(i)->rec.cluster_length);
  }
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    TConcordanceClusterList p(&f.holder);
    TMemoryStream part(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    EXPECT_FALSE(p.ReadFromStream(part)) << cut;
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> g = bytes;
    g[i] ^= 0xFF;
    TConcordanceClusterList gl(&f.holder);
    TMemoryStream gs(g);
    (void)gl.ReadFromStream(gs);
  }
  // A list below version 11 has no lengths: they come from the texts.
  back.SetVersionNumber(10);
  back.Row(0)->rec.cluster_length = 0;
  back.AfterRead();
  EXPECT_EQ(back.Row(0)->rec.cluster_length, ClusterWordCount(*back.Row(0)->rec.line));
}

// The clusters of two to three words of "of the world" and "of the sea".
struct TOfTheClusters {
  Lines f;
  TConcordanceClusterList list{&f.holder};
  bool computed = false;
  TOfTheClusters() {
    f.Add({}, u"of", {u"the", u"world"});
    f.Add({}, u"of", {u"the", u"sea"});
    int32_t highest = 0;
    computed = ComputeClusters(f.list, Sizes(2, 3), list, highest);
  }
};

TEST(ClusterList, ColumnsAndSorts) {
  TOfTheClusters c;
  ASSERT_TRUE(c.computed);
  TConcordanceClusterList& list = c.list;
  TGrid_data_rec cell;
  list.DrawgridDataRec(2, 1, cell, 0);
  EXPECT_FLOAT_EQ(cell.number.value, 2.0f);
  list.DrawgridDataRec(1, 1, cell, 0);
  EXPECT_EQ(cell.text, u"OF THE");
  EXPECT_EQ(list.HeaderColumnToSortNeeded(0, 4), 3);
  list.Set1Sort(0, 3);
  list.SetSortAscending(0, false);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(list.Row(0)->rec.cluster_length, 3);
}

// The cluster, Set and Related columns are texts: the value 1 they stand for in sorts is never
// shown; nothing set or related leaves the cell blank.
TEST(ClusterList, SetAndRelatedCellsAreTextsBlankWhenEmpty) {
  TOfTheClusters c;
  ASSERT_TRUE(c.computed);
  TConcordanceClusterList& list = c.list;
  list.Row(0)->rec.related_line = u"OF THE SEA";
  struct Case {
    int col;
    UString text;
    bool number;
  } cases[] = {{1, list.Row(0)->rec.line.value_or(UString()), false}, {3, u"", false}, {5, u"OF THE SEA", false},
               {2, u"", true}, {4, u"", true}};
  for (const Case& c : cases) {
    TGrid_data_rec cell;
    list.DrawgridDataRec(c.col, 1, cell, 0);
    EXPECT_EQ(cell.text, c.text) << c.col;
    EXPECT_EQ(cell.has_number, c.number) << c.col;
    // Sorting still sees the value the columns stand for.
    TNumberDisplayAndSinglesRec v;
    list.NumericalData(c.col, 0, v);
    if (c.col == 3 || c.col == 5) {
      EXPECT_FLOAT_EQ(v.value, 1.0f) << c.col;
    }
  }
  // A row the computation related to others names them.
  TGrid_data_rec second;
  list.DrawgridDataRec(5, 2, second, 0);
  EXPECT_EQ(second.text, list.Row(1)->rec.related_line);
  EXPECT_FALSE(second.text.empty());
  EXPECT_FALSE(second.has_number);
}

// Every run of every size counted by hand over lines of very few words, against the list:
// long runs (whose words no longer fit a number of their own) and the minimum that lets a
// longer run be counted only after its shorter start reached it.
TEST(ComputeClusters, RunsOfFewWordsAgreeWithACountByHand) {
  struct Case {
    int16_t smallest, largest;
    int32_t min_frequency;
    int lines;  // enough lines of short runs to need more than one pass to group them
  };
  const Case cases[] = {{2, 4, 2, 400}, {1, 3, 1, 400}, {30, 40, 2, 40}, {20, 45, 3, 40}, {3, 3, 1, 40}};
  std::mt19937 rng(11);
  const char16_t* vocabulary[] = {u"a", u"b", u"c"};
  Lines f;
  std::vector<std::vector<UString>> words;  // span positions 45 .. 95 of each line
  for (int n = 0; n < 400; ++n) {
    std::vector<UString> left, right;
    // Mostly a and b, so that long runs repeat; now and then a c.
    auto pick = [&] { return UString(vocabulary[rng() % 16 == 0 ? 2 : rng() % 2]); };
    for (int k = 0; k < 5; ++k) left.push_back(pick());
    for (int k = 0; k < 45; ++k) right.push_back(pick());
    Lines::Words l, r;
    for (const UString& w : left) l.push_back(w.c_str());
    for (const UString& w : right) r.push_back(w.c_str());
    f.AddWords(l, u"sw", r);
    std::vector<UString> line = left;
    line.push_back(u"sw");
    line.insert(line.end(), right.begin(), right.end());
    words.push_back(line);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.smallest << "-" << c.largest << " min " << c.min_frequency);
    TClusterRunSettings s = Sizes(c.smallest, c.largest);
    s.reach_left = 5;
    s.reach_right = 50;  // the last word a cluster may take is at 99, past every line's end
    s.count.min_frequency = c.min_frequency;
    std::map<UString, int32_t> all;
    for (int n = 0; n < c.lines; ++n) f.list.SetDeleted(n, false);
    for (int n = c.lines; n < f.list.Count(); ++n) f.list.SetDeleted(n, true);
    for (const std::vector<UString>& line : std::span(words).first(static_cast<size_t>(c.lines)))
      for (size_t start = 0; start < line.size(); ++start)
        for (size_t size = static_cast<size_t>(c.smallest);
             size <= static_cast<size_t>(c.largest) && start + size <= line.size(); ++size) {
          UString text;
          for (size_t k = start; k < start + size; ++k) text += (k > start ? u" " : u"") + UpperCaseU(line[k]);
          ++all[text];
        }
    std::map<UString, int32_t> want;
    int32_t want_highest = 0;
    for (const auto& [text, n] : all) {
      want_highest = std::max(want_highest, n);
      if (n >= c.min_frequency) want[text] = n;
    }
    TConcordanceClusterList list(&f.holder);
    int32_t highest = 0;
    ComputeClusters(f.list, s, list, highest);
    EXPECT_EQ(Rows(list), want);
    EXPECT_EQ(highest, want_highest);
    // Most frequent first, then by text, texts longer than the part compared as numbers too;
    // eight workers give the rows in the same order.
    std::vector<std::pair<int32_t, UString>> order;
    for (int r = 0; r < list.Count(); ++r) order.emplace_back(list.Row(r)->rec.frequency, list.Row(r)->rec.line.value_or(UString()));
    for (size_t r = 1; r < order.size(); ++r)
      EXPECT_TRUE(order[r - 1].first > order[r].first ||
                  (order[r - 1].first == order[r].first && order[r - 1].second <= order[r].second)) << r;
    TConcordanceClusterList on_eight(&f.holder);
    s.threads = 8;
    ComputeClusters(f.list, s, on_eight, highest);
    ASSERT_EQ(on_eight.Count(), list.Count());
    for (int r = 0; r < list.Count(); ++r)
      EXPECT_TRUE(on_eight.Row(r)->rec.line == list.Row(r)->rec.line && on_eight.Row(r)->rec.related_line == list.Row(r)->rec.related_line) << r;
  }
}

// --- entries made in one block per count ---------------------------------------------------------

namespace {

// Every row's text, frequency, length, related text and deleted mark, in text order.
std::vector<std::tuple<UString, int32_t, int32_t, UString, bool>> AllRows(const TConcordanceClusterList& list) {
  std::vector<std::tuple<UString, int32_t, int32_t, UString, bool>> rows;
  for (int i = 0; i < list.Count(); ++i) {
    const TConcordanceClusterEntry* e = list.Row(i);
    rows.emplace_back(e->rec.line.value_or(u""), e->rec.frequency, e->rec.cluster_length, e->rec.related_line,
                      list.GetDeleted(i));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Lines of words from a small vocabulary, so that clusters of two to four words recur.
void AddRecurringLines(Lines& f, int n) {
  const char16_t* vocab[] = {u"of", u"the", u"sea", u"and", u"a", u"world", u"in", u"time"};
  std::mt19937 rng(7);
  auto word = [&] { return vocab[rng() % std::size(vocab)]; };
  for (int i = 0; i < n; ++i) f.Add({word(), word(), word()}, u"sw", {word(), word(), word()});
}

}  // namespace

TEST(ClusterStore, EntriesGoBackToTheirBlockInAnyOrderAndOutliveTheStore) {
  Lines f;
  TConcordanceClusterList list(&f.holder);
  std::vector<TConcordanceClusterEntry*> e(4, nullptr);
  {
    TClusterEntryStore store(4);
    store.MakeEntries(0, 2, list, e.data());
    store.MakeEntries(2, 4, list, e.data() + 2);
    // Slots beyond the store: the entries are made alone.
    TConcordanceClusterEntry* alone = nullptr;
    store.MakeEntries(4, 5, list, &alone);
    ASSERT_NE(alone, nullptr);
    alone->rec.line = u"ALONE";
    delete alone;
    delete e[1];  // freed while the store still holds its block
  }
  for (TConcordanceClusterEntry* x : {e[0], e[2], e[3]}) {
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->List(), &list);
    x->rec.line = u"A TEXT LONGER THAN ANY SHORT STRING";
  }
  // Through the base class, as a list, a purge or an undo record frees them.
  for (TVXBaseListObject* x : std::initializer_list<TVXBaseListObject*>{e[3], e[0], e[2]}) delete x;
}

TEST(ClusterStore, CountedListSurvivesSortDeleteUndoSaveLoadAndASecondCount) {
  Lines f;
  AddRecurringLines(f, 80);
  TClusterRunSettings s = Sizes(2, 4);
  s.count.min_frequency = 2;
  TConcordanceClusterList one(&f.holder);
  TConcordanceClusterList many(&f.holder);
  int32_t highest = 0;
  ASSERT_TRUE(ComputeClusters(f.list, s, one, highest));
  s.threads = 3;
  ASSERT_TRUE(ComputeClusters(f.list, s, many, highest));
  ASSERT_GT(many.Count(), 20);
  const std::vector<uint8_t> counted = Saved(many);
  EXPECT_EQ(Saved(one), counted);

  // Sorted by length: a load of the sorted list writes the same bytes.
  many.Set1Sort(0, 3);
  many.SetSortAscending(0, false);
  ASSERT_TRUE(many.DoASort(1, 0, many.Count() - 1));
  const std::vector<uint8_t> sorted = Saved(many);
  EXPECT_NE(sorted, counted);
  TConcordanceClusterList loaded(&f.holder);
  ASSERT_TRUE(ReadBytes(loaded, sorted));
  EXPECT_EQ(Saved(loaded), sorted);

  // Deleted and purged with undo, then purged for good: the freed entries leave the others whole.
  const int rows = many.Count();
  EXPECT_EQ(many.DeleteARange({0, 3, 5}, true, true), 3);
  EXPECT_EQ(many.Zap(true), 3);
  EXPECT_EQ(many.Count(), rows - 3);
  ASSERT_TRUE(many.Undo());  // the purge
  ASSERT_EQ(many.Count(), rows);
  ASSERT_TRUE(many.Undo());  // the deleted marks
  EXPECT_EQ(AllRows(many), AllRows(loaded));
  EXPECT_EQ(many.DeleteARange({1, 2}, true, true), 2);
  EXPECT_EQ(many.Zap(false), 2);
  many.Remove(0);
  many.Row(0)->SetAWordAsString(1, u"AN EDITED CLUSTER TEXT");
  const std::vector<uint8_t> edited = Saved(many);
  TConcordanceClusterList reloaded(&f.holder);
  ASSERT_TRUE(ReadBytes(reloaded, edited));
  EXPECT_EQ(Saved(reloaded), edited);
  EXPECT_EQ(reloaded.Row(0)->rec.line, u"AN EDITED CLUSTER TEXT");

  // A second count over the same list frees the first one's entries and writes the first bytes;
  // so does a count over a loaded list, whose entries were read one by one.
  many.SetSortSettingsToDefault(true);
  ASSERT_TRUE(ComputeClusters(f.list, s, many, highest));
  EXPECT_EQ(Saved(many), counted);
  loaded.SetSortSettingsToDefault(true);
  ASSERT_TRUE(ComputeClusters(f.list, s, loaded, highest));
  EXPECT_EQ(Saved(loaded), counted);
}
