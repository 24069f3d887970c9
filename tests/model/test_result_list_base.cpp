#include <gtest/gtest.h>

#include <tuple>

#include <set>

#include "model/work_test_list.h"
#include "platform/runtime/vx_runtime.h"

namespace {

using Words = std::vector<UString>;

// Sorts by the last letter of the word through a comparer of its own and the pivot.
class TLastLetterList : public TTestWordList {
 public:
  static constexpr int32_t kLastLetter = 100;
  static char16_t Last(TVXBaseListObject& e) {
    const UString w = e.MainWordOnly();
    return w.empty() ? 0 : w.back();
  }
  static int Cmp(TVXBaseDataClass& l, int, TVXBaseListObject& e) {
    return int(Last(e)) - int(static_cast<TLastLetterList&>(l).pivot_last);
  }
  void Set1Sort(int level, int32_t key) override {
    TTestWordList::Set1Sort(level, key);
    if (key == kLastLetter) SetSortComparer(level, &Cmp);
  }
  void SetBase(TVXBaseListObject& e, int level) override {
    TTestWordList::SetBase(e, level);
    pivot_last = Last(e);
  }
  char16_t pivot_last = 0;
};

}  // namespace

TEST(VXBaseSort, ThreeLevelsWithDirectionsAndStableTies) {
  TTestWordList l;
  l.Fill({{u"bb", 2}, {u"a", 2}, {u"ccc", 1}, {u"ab", 2}, {u"ba", 2}, {u"c", 1}});
  l.Set3Sorts(kSortFrequency, kSortWordLength, kSortAlphabetical);
  l.SetSortAscending(0, false);
  ASSERT_TRUE(l.DoASort(3, 0, l.Count() - 1));
  EXPECT_EQ(l.Shown(), "a ab ba bb c ccc");
  // One level only: equal keys keep the order they had.
  ASSERT_TRUE(l.DoASort(1, 0, l.Count() - 1));
  EXPECT_EQ(l.Shown(), "a ab ba bb c ccc");
  l.SetSortAscending(0, true);
  ASSERT_TRUE(l.DoASort(1, 0, l.Count() - 1));
  EXPECT_EQ(l.Shown(), "c ccc a ab ba bb");
  // A sub-range only.
  l.Set3Sorts(kSortAlphabetical, kSortNone, kSortNone);
  l.SetSortAscending(0, false);
  ASSERT_TRUE(l.DoASort(3, 2, 5));
  EXPECT_EQ(l.Shown(), "c ccc bb ba ab a");
}

TEST(VXBaseSort, WordsFollowTheLanguagesCollation) {
  TVXBaseHolder holder;
  TTestWordList l(&holder);
  l.Fill({{u"zebra", 1}, {u"\u00e9tage", 1}, {u"Apple", 1}, {u"eta", 1}, {u"Eagle", 1}, {u"apple", 1}});
  ASSERT_TRUE(l.SortAlphabeticallyAscending());
  // Case ignored: ties keep the order they had.
  EXPECT_EQ(l.Words(), (Words{u"Apple", u"apple", u"Eagle", u"eta", u"\u00e9tage", u"zebra"}));
  // Case-sensitive: lower case before upper case of the same word.
  l.SetSortCaseSensitive(0, true);
  ASSERT_TRUE(l.DoASort(3, 0, l.Count() - 1));
  EXPECT_EQ(l.Words(), (Words{u"apple", u"Apple", u"Eagle", u"eta", u"\u00e9tage", u"zebra"}));
  EXPECT_TRUE(l.SortedAlphabetically());
  EXPECT_EQ(l.Find_WordStr(u"\u00c9TAGE", false), 4);
  EXPECT_EQ(l.Find_WordStr(u"etage", false), -1);  // accents count
  l.AddWord(u"aardvark");
  EXPECT_FALSE(l.SortedAlphabetically());
}

TEST(VXBaseSort, ReverseWordsOwnComparerAndDefaults) {
  TTestWordList l;
  l.Fill({{u"sing", 1}, {u"bat", 1}, {u"cab", 1}, {u"ring", 1}});
  l.Set3Sorts(kSortReverseAlphabetical, kSortNone, kSortNone);
  ASSERT_TRUE(l.DoASort(3, 0, 3));
  EXPECT_EQ(l.Shown(), "cab ring sing bat");

  TLastLetterList m;
  m.Fill({{u"ab", 1}, {u"zb", 1}, {u"ca", 1}, {u"bb", 1}, {u"ac", 1}});
  m.Set3Sorts(TLastLetterList::kLastLetter, kSortAlphabetical, kSortNone);
  ASSERT_TRUE(m.DoASort(3, 0, m.Count() - 1));
  EXPECT_EQ(m.Shown(), "ca ab bb zb ac");

  l.Set3Sorts(kSortFrequency, kSortTexts, kSortDispersion);
  l.SetSortAscending(1, false);
  l.SetSortSettingsToDefault(false);
  EXPECT_EQ(l.SortLevel(0).key, kSortAlphabetical);
  EXPECT_EQ(l.SortLevel(1).key, kSortNone);
  EXPECT_FALSE(l.SortLevel(1).ascending);  // kept without clearing
  l.SetSortSettingsToDefault(true);
  EXPECT_TRUE(l.SortLevel(1).ascending);
  EXPECT_EQ(l.HeaderColumnToSortNeeded(0, 1), kSortAlphabetical);
}

TEST(VXBaseFind, BinarySearchOnSortedListAndWalkOtherwise) {
  TTestWordList l;
  l.Fill({{u"cherry", 1}, {u"apple", 1}, {u"Banana", 1}, {u"date", 1}, {u"Apple", 1}});
  ASSERT_TRUE(l.SortAlphabeticallyAscending());  // apple Apple Banana cherry date
  const std::pair<const char16_t*, bool> probes[] = {{u"banana", false}, {u"banana", true}, {u"Banana", true},
                                                     {u"APPLE", false},  {u"Apple", true},  {u"date", false},
                                                     {u"aaa", false},    {u"zzz", false},   {u"", false}};
  std::vector<int> found;
  for (const auto& [w, cs] : probes) found.push_back(l.Find_WordStr(w, cs));
  EXPECT_EQ(found, (std::vector<int>{2, -1, 2, 0, 1, 4, -1, -1, -1}));
  for (int i = 0; i < l.Count(); ++i) EXPECT_EQ(l.Find_WordStr(l.WordAt(i), true), i);
  // Unsorted now: found by walking.
  l.AddWord(u"aardvark");
  EXPECT_EQ(l.Find_WordStr(u"AARDVARK", false), 5);
  EXPECT_EQ(l.Find_Word(u"aardvark", u"", u"", true), 5);
  EXPECT_EQ(l.Find_Word(u"aardvark", u"x", u"", true), -1);
}

TEST(VXBaseFind, ByPositionWithWildcardsAndNumbers) {
  TTestWordList l;
  l.Fill({{u"running", 1}, {u"sing", 1}, {u"undo", 1}, {u"under", 1}, {u"42", 1}, {u"1,000", 1}, {u"4th", 1},
          {u"sting", 1}, {u"Singer", 1}, {u"4,", 1}});
  auto all = [&](UStringView w, bool cs, uint32_t flags) {
    Words found;
    for (int i = -1; (i = l.Find_PosWordStr(w, cs, i + 1, flags)) >= 0;) found.push_back(l.WordAt(i));
    return found;
  };
  EXPECT_EQ(all(u"ing", false, kPosLeadingWildcard), (Words{u"running", u"sing", u"sting"}));
  EXPECT_EQ(all(u"un", false, kPosTrailingWildcard), (Words{u"undo", u"under"}));
  EXPECT_EQ(all(u"SING", false, kPosLeadingWildcard | kPosTrailingWildcard), (Words{u"sing", u"Singer"}));
  EXPECT_EQ(all(u"SING", true, kPosLeadingWildcard | kPosTrailingWildcard), Words{});
  EXPECT_EQ(all(u"#", false, kPosNumber), (Words{u"42", u"1,000"}));
  EXPECT_EQ(all(u"#th", false, kPosNumber), (Words{u"4th"}));
  EXPECT_EQ(all(u"#", false, kPosNumber | kPosTrailingWildcard), (Words{u"42", u"1,000", u"4th", u"4,"}));
  EXPECT_EQ(all(u"sing", false, 0), (Words{u"sing"}));
  EXPECT_EQ(l.Find_PosWordStr(u"sing", false, 2, 0), -1);
  EXPECT_EQ(l.Find_PosWordStr(u"", false, 0, kPosLeadingWildcard), 0);
}

TEST(VXBaseMarks, JoinRulesAndJoinedEntriesFollowTheirHead) {
  {
    TTestWordList l;
    l.Fill({{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"be", 3}});
    EXPECT_TRUE(l.Join(0, 1, false) && l.Join(0, 2, false));
    // Already joined; a form is no head; a head is no form; itself; no such entry.
    const std::pair<int, int> refused[] = {{0, 1}, {1, 3}, {3, 0}, {3, 3}, {3, 9}};
    for (auto [head, form] : refused) EXPECT_FALSE(l.Join(head, form, false)) << head << "," << form;
    EXPECT_EQ(l.Shown(), "go> went< gone< be");
    ASSERT_EQ(l.GetJoinListAndDetails(0).size(), 2u);
    EXPECT_EQ(l.GetJoinListAndDetails(0)[1], l.Get(2));
    EXPECT_EQ(l.GetTotalJoinedFreq(0), 3);
    // Zap takes the forms out of the list; they now belong to their head.
    EXPECT_EQ(l.Zap(false), 2);
    EXPECT_EQ(l.Shown(), "go> be");
    EXPECT_EQ(l.GetJoinListAndDetails(0).size(), 2u);
    EXPECT_EQ(TTestWordEntry::live, 4);
  }
  EXPECT_EQ(TTestWordEntry::live, 0);
  // Freeing a head or a form unlinks the other side.
  TTestWordList l;
  l.Fill({{u"go", 5}, {u"went", 2}, {u"gone", 1}});
  ASSERT_TRUE(l.Join(0, 1, false) && l.Join(0, 2, false));
  l.Remove(2);
  EXPECT_EQ(l.GetJoinListAndDetails(0).size(), 1u);
  l.Remove(0);
  EXPECT_EQ(l.Shown(), "went");
}

TEST(VXBaseMarks, UnjoinTakesOutAFormOrAHeadsFormsButNotOnesAZapHandedOver) {
  TTestWordList l;
  l.Fill({{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"be", 3}, {u"was", 2}});
  ASSERT_TRUE(l.Join(0, 1, false) && l.Join(0, 2, false) && l.Join(3, 4, false));
  // A form: only it leaves its head.
  EXPECT_TRUE(l.Unjoin(1));
  EXPECT_EQ(l.Shown(), "go> went gone< be> was<");
  EXPECT_EQ(l.GetTotalJoinedFreq(0), 1);
  // A head: all its forms; an entry in no join, or none at all, changes nothing.
  EXPECT_TRUE(l.Unjoin(0));
  EXPECT_EQ(l.Shown(), "go went gone be> was<");
  const int nothing[] = {0, 1, -1, 9};
  for (int i : nothing) EXPECT_FALSE(l.Unjoin(i)) << i;
  // After a Zap the head owns its form: it stays joined.
  EXPECT_EQ(l.Zap(false), 1);
  EXPECT_FALSE(l.Unjoin(3));
  EXPECT_EQ(l.GetJoinListAndDetails(3).size(), 1u);
}

TEST(VXBaseMarks, UndoReversesOnlyWhatChanged) {
  TTestWordList l;
  l.Fill({{u"a", 1}, {u"b", 1}, {u"c", 1}, {u"d", 1}});
  EXPECT_EQ(l.DeleteARange({0, 1}, true, true), 2);
  EXPECT_EQ(l.DeleteARange({1, 2, 7}, true, true), 1);  // 1 was deleted already; 7 does not exist
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "a- b- c d");
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "a b c d");
  EXPECT_FALSE(l.Undo());

  EXPECT_EQ(l.MatchARange({0, 3}, true, true), 2);
  EXPECT_EQ(l.UnmatchAll(), 2);
  EXPECT_EQ(l.MatchARange({3}, true, true), 1);
  ASSERT_TRUE(l.Undo());
  ASSERT_TRUE(l.Join(0, 1, true));
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "a b c d");
  // An undoable zap keeps the entries; undo puts them back in sorted order, still deleted.
  ASSERT_TRUE(l.SortAlphabeticallyAscending());
  l.DeleteOne(1, true);
  l.DeleteOne(2, true);
  EXPECT_EQ(l.Zap(true), 2);
  EXPECT_EQ(l.Shown(), "a d");
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "a b- c- d");
  // Freeing entries drops the undo list.
  l.AddItemsToUndoList(kUndoDelete, {1, 2});
  EXPECT_GT(l.UndoDepth(), 0u);
  EXPECT_EQ(l.Zap(false), 2);
  EXPECT_EQ(l.UndoDepth(), 0u);
  EXPECT_EQ(TTestWordEntry::live, 2);
}

TEST(VXBaseMarks, ZapOfHeadAndFormsUndoesTogether) {
  {
    TTestWordList l;
    l.Fill({{u"be", 1}, {u"is", 1}, {u"was", 1}, {u"cat", 1}});
    ASSERT_TRUE(l.Join(0, 1, false) && l.Join(0, 2, false));
    l.DeleteOne(0, true);
    EXPECT_EQ(l.Zap(true), 3);
    EXPECT_EQ(l.Shown(), "cat");
    ASSERT_TRUE(l.Undo());
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l.GetJoinListAndDetails(l.Find_WordStr(u"be", false)).size(), 2u);
    EXPECT_TRUE(l.GetJoinedElsewhere(l.Find_WordStr(u"was", false)));
    // Zapped again without undo: the head is freed and its forms with it.
    EXPECT_EQ(l.Zap(false), 3);
    EXPECT_EQ(TTestWordEntry::live, 1);
    // An undo record that owns entries frees them when dropped.
    l.AddWord(u"dog");
    l.DeleteOne(1, true);
    EXPECT_EQ(l.Zap(true), 1);
  }
  EXPECT_EQ(TTestWordEntry::live, 0);
}

TEST(VXBaseList, PutPackRemoveAndClear) {
  TTestWordList l;
  l.Fill({{u"a", 1}, {u"b", 1}, {u"c", 1}});
  TVXBaseListObject* b = l.Get(1);
  l.Put(1, nullptr);
  EXPECT_EQ(l.Find_WordStr(u"c", false), 2);  // walks past the gap
  EXPECT_EQ(l.Find_PosWordStr(u"c", false, 0, 0), 2);
  ASSERT_TRUE(l.SortAlphabeticallyAscending());  // gaps go last
  EXPECT_EQ(l.Shown(), "a c <nil>");
  l.Pack();
  EXPECT_EQ(l.Count(), 2);
  delete b;
  l.Remove(0);
  EXPECT_EQ(l.Shown(), "c");
  EXPECT_TRUE(l.Clear());
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(TTestWordEntry::live, 0);
}

TEST(VXBaseList, BusyListRefusesSortClearUndoAndMerge) {
  TTestWordList l, other;
  l.Fill({{u"b", 1}, {u"a", 1}});
  other.AddWord(u"c");
  l.DeleteARange({0}, true, true);
  l.SetListBusy(kBusyFrequencyIndex);
  TMemoryStream m;
  EXPECT_FALSE(l.DoASort(3, 0, 1) || l.Clear() || l.Undo() || l.MergeWith(&other) || other.MergeWith(&l) ||
               l.SaveToStream(m) || l.ReadFromStream(m));
  EXPECT_EQ(l.Zap(false), 0);
  TDuplicatesResult r;
  l.RemoveDuplicates(r);
  EXPECT_EQ(r.first_index, -1);
  EXPECT_EQ(l.Shown(), "b- a");
  l.SetListBusy(kBusyNone);
  EXPECT_TRUE(l.DoASort(3, 0, 1));
  EXPECT_EQ(l.Shown(), "a b-");
}

namespace {

// Entries that know whether they are alive, so that a list holding a freed one is seen without
// reading it.
class TTrackedEntry : public TTestWordEntry {
 public:
  TTrackedEntry(TVXBaseDataClass* list, UString w) : TTestWordEntry(list, std::move(w), 1) { alive.insert(this); }
  ~TTrackedEntry() override { alive.erase(this); }
  static inline std::set<const TVXBaseListObject*> alive;
};

// Sorts by word through a comparer of its own, which can reach back into the list once.
class TReachingBackList : public TTestWordList {
 public:
  static constexpr int32_t kOwnOrder = 100;
  static int Cmp(TVXBaseDataClass& l, int, TVXBaseListObject& e) {
    auto& self = static_cast<TReachingBackList&>(l);
    if (self.reach_back) {
      self.reach_back = false;
      self.RemoveAndAdd();
    }
    return e.MainWordOnly().compare(self.pivot_word);
  }
  void Set1Sort(int level, int32_t key) override {
    TTestWordList::Set1Sort(level, key);
    if (key == kOwnOrder) SetSortComparer(level, &Cmp);
  }
  void SetBase(TVXBaseListObject& e, int level) override {
    TTestWordList::SetBase(e, level);
    pivot_word = e.MainWordOnly();
  }
  // What a window's event handler might do: take an entry out and put a new one in (made
  // first, so that it cannot take the freed entry's place in memory and hide the fault).
  void RemoveAndAdd() {
    auto* added = new TTrackedEntry(this, u"added");
    Remove(Count() / 2);
    if (Add(added) < 0) delete added;
    ++reached_back;
  }
  // Every entry of the list alive and held once, and every live entry in the list.
  bool Sound() const {
    std::set<const TVXBaseListObject*> seen;
    for (int i = 0; i < Count(); ++i)
      if (!TTrackedEntry::alive.count(Get(i)) || !seen.insert(Get(i)).second) return false;
    return seen.size() == TTrackedEntry::alive.size();
  }
  bool reach_back = false;
  int reached_back = 0;
  UString pivot_word;
};

TReachingBackList* g_sorting = nullptr;
void ReachBackFromYield() {
  if (g_sorting && g_sorting->reached_back == 0) g_sorting->RemoveAndAdd();
}

}  // namespace

// An event handled in the middle of a sort (from a comparer, or from a yield the sort made)
// used to free an entry that the sorted order then put back into the list.
TEST(VXBaseList, NothingReachingBackIntoASortingListTakesAnEntryOutOfIt) {
  enum class From { Comparer, Yield };
  for (From from : {From::Comparer, From::Yield}) {
    SCOPED_TRACE(from == From::Comparer ? "comparer" : "yield");
    {
      TReachingBackList l;
      for (int i = 0; i < 3000; ++i) l.Add(new TTrackedEntry(&l, u"w" + IntToUStr((i * 7919) % 3000)));
      l.Set3Sorts(TReachingBackList::kOwnOrder, kSortNone, kSortNone);
      l.reach_back = from == From::Comparer;
      g_sorting = &l;
      if (from == From::Yield) SetYieldHook(&ReachBackFromYield);
      const bool sorted = l.DoASort(1, 0, l.Count() - 1);
      SetYieldHook(nullptr);
      g_sorting = nullptr;
      EXPECT_TRUE(sorted);
      EXPECT_TRUE(l.Sound());
      ASSERT_EQ(l.Count(), 3000);
      for (int i = 1; i < l.Count(); ++i) ASSERT_LE(l.WordAt(i - 1), l.WordAt(i)) << i;
      // Once the sort is over the same calls do what they say.
      l.RemoveAndAdd();
      EXPECT_EQ(l.Count(), 3000);
      EXPECT_EQ(l.WordAt(2999), u"added");
      EXPECT_TRUE(l.Sound());
    }
    EXPECT_TRUE(TTrackedEntry::alive.empty());
  }
}

TEST(VXBaseList, ABusyListRefusesAddPutAndRemove) {
  TTestWordList l;
  l.Fill({{u"a", 1}, {u"b", 1}});
  l.SetListBusy(kBusyFrequencyIndex);
  auto* c = new TTestWordEntry(&l, u"c", 1);
  EXPECT_EQ(l.Add(c), -1);
  l.Put(0, nullptr);
  l.Put(1, c);
  l.Remove(0);
  l.SetListBusy(kBusyNone);
  EXPECT_EQ(l.Shown(), "a b");
  EXPECT_EQ(l.Add(c), 2);
  l.Remove(0);
  EXPECT_EQ(l.Shown(), "b c");
}

// Every field of a reset cell is as in a fresh one.
TEST(VXBaseGrid, AResetCellIsAFreshOne) {
  TGrid_data_rec c;
  c.col = c.row = c.excel_row = c.excel_col = c.sheet = 9;
  c.kind = c.export_kind = 6;
  c.visible = false;
  c.final = c.has_text = c.has_number = c.make_text_from_number = c.deleted = c.matched = true;
  c.joined_elsewhere = c.has_joined = c.has_colour = c.number.is_real = true;
  c.text = c.prefix = c.suffix = c.str_value = c.number.caption = u"x";
  c.number.kind = 3;
  c.number.value = 2;
  c.number.part = c.number.total = 5;
  c.decimals = c.int_value = c.start_position = c.centre_start = c.centre_length = c.sw_start = c.hit_width = 4;
  c.tag_number_1based = c.plot_scale = c.plot_largest_words = c.plot_divisions = 7;
  c.plot_total_words = 8;
  c.date = 1.5;
  c.colour = 0x123456;
  c.ints = {1};
  c.pieces.resize(1);
  c.plot_hits.Add({3, u"y"});
  c.timeline_segments = {{1, 1}};
  c.timeline_date_headings = {u"z"};
  ResetGridDataRec(c);
  const TGrid_data_rec f;
  EXPECT_EQ(std::tie(c.col, c.row, c.excel_row, c.excel_col, c.sheet, c.kind, c.export_kind, c.visible, c.final,
                     c.has_text, c.has_number, c.make_text_from_number, c.deleted, c.matched, c.joined_elsewhere,
                     c.has_joined, c.has_colour, c.number.is_real, c.number.kind, c.number.value, c.number.part,
                     c.number.total, c.decimals, c.int_value, c.start_position, c.centre_start, c.centre_length,
                     c.sw_start, c.hit_width, c.tag_number_1based, c.plot_scale, c.plot_largest_words,
                     c.plot_divisions, c.plot_total_words, c.date, c.colour),
            std::tie(f.col, f.row, f.excel_row, f.excel_col, f.sheet, f.kind, f.export_kind, f.visible, f.final,
                     f.has_text, f.has_number, f.make_text_from_number, f.deleted, f.matched, f.joined_elsewhere,
                     f.has_joined, f.has_colour, f.number.is_real, f.number.kind, f.number.value, f.number.part,
                     f.number.total, f.decimals, f.int_value, f.start_position, f.centre_start, f.centre_length,
                     f.sw_start, f.hit_width, f.tag_number_1based, f.plot_scale, f.plot_largest_words,
                     f.plot_divisions, f.plot_total_words, f.date, f.colour));
  EXPECT_TRUE(c.text.empty() && c.prefix.empty() && c.suffix.empty() && c.str_value.empty() &&
              c.number.caption.empty() && c.ints.empty() && c.pieces.empty() && c.plot_hits.Count() == 0 &&
              c.timeline_segments.empty() && c.timeline_date_headings.empty());
}

// A refilled row equals a fresh one: nothing of the cells it held before stays, whatever they held.
TEST(VXBaseGrid, RefilledRowsEqualFreshOnes) {
  TTestWordList l;
  l.SetHeadings({u"N", u"Word", u"Freq."});
  l.AddWord(u"cat", 3);
  l.AddWord(u"dog", 1);
  l.DeleteOne(0, true);
  std::vector<TGrid_data_rec> cells(5);
  for (TGrid_data_rec& c : cells) {
    c.text = u"stale text that is long enough to live on the heap";
    c.prefix = c.suffix = c.str_value = u"stale";
    c.has_number = c.has_text = c.deleted = c.has_colour = true;
    c.number.value = 7;
    c.kind = kCellConcordanceLine;
    c.pieces.resize(2);
    c.ints = {1, 2};
    c.plot_hits.Add({1, u"x"});
    c.timeline_segments = {{1, 2}};
  }
  for (int row : {1, 0, 2, 1}) {
    l.EntryDetailsAsGridDataRecs(row, cells);
    const std::vector<TGrid_data_rec> fresh = l.EntryDetailsAsGridDataRecs(row);
    ASSERT_EQ(cells.size(), fresh.size()) << row;
    for (size_t c = 0; c < fresh.size(); ++c) {
      SCOPED_TRACE(testing::Message() << "row " << row << " column " << c);
      EXPECT_EQ(cells[c].text, fresh[c].text);
      EXPECT_EQ(cells[c].prefix, fresh[c].prefix);
      EXPECT_EQ(cells[c].suffix, fresh[c].suffix);
      EXPECT_EQ(cells[c].str_value, fresh[c].str_value);
      EXPECT_EQ(cells[c].has_text, fresh[c].has_text);
      EXPECT_EQ(cells[c].has_number, fresh[c].has_number);
      EXPECT_EQ(cells[c].number.value, fresh[c].number.value);
      EXPECT_EQ(cells[c].deleted, fresh[c].deleted);
      EXPECT_EQ(cells[c].has_colour, fresh[c].has_colour);
      EXPECT_EQ(cells[c].kind, fresh[c].kind);
      EXPECT_EQ(cells[c].col, fresh[c].col);
      EXPECT_EQ(cells[c].row, fresh[c].row);
      EXPECT_TRUE(cells[c].pieces.empty() && cells[c].ints.empty() && cells[c].plot_hits.Count() == 0 &&
                  cells[c].timeline_segments.empty());
    }
  }
  l.EntryDetailsAsGridDataRecs(3, cells);  // no such row
  EXPECT_TRUE(cells.empty());
}

TEST(VXBaseGrid, CellsAndSpreadsheetPositions) {
  TTestWordList l;
  l.SetHeadings({u"N", u"Word", u"Freq."});
  l.AddWord(u"cat", 3);
  l.DeleteOne(0, true);
  TGrid_data_rec c;
  l.DrawgridDataRec(0, 1, c, 0);
  EXPECT_EQ(c.text, u"1");
  EXPECT_TRUE(c.has_number && c.deleted);
  l.DrawgridDataRec(1, 1, c, 0);
  EXPECT_EQ(RelevantAffixesOfStringData(c), u"cat");
  EXPECT_FALSE(c.has_number);
  l.DrawgridDataRec(1, 2, c, 0);  // beyond the last entry: empty
  EXPECT_FALSE(c.has_text);
  EXPECT_EQ(l.EntryDetailsAsGridDataRecs(1).size(), 3u);
  EXPECT_TRUE(l.EntryDetailsAsGridDataRecs(2).empty());
  EXPECT_EQ(l.EntryDetailsAsString(0), u"1\tcat\t3");
  TNumberDisplayAndSinglesRec n;
  l.NumericalData(5, 0, n);
  EXPECT_EQ(n.value, kMissingValue);

  c = TGrid_data_rec();
  c.col = 16384;
  c.row = 4;
  l.ExcelFileCell(c);
  EXPECT_EQ(std::vector<int64_t>({c.sheet, c.excel_col, c.excel_row}), std::vector<int64_t>({2, 1, 5}));
  c.col = 2;
  c.excel_row = 9;
  l.ExcelFileCell(c);
  EXPECT_EQ(std::vector<int64_t>({c.sheet, c.excel_col, c.excel_row}), std::vector<int64_t>({1, 3, 9}));
}
