#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "model/work_test_list.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/search/search_items.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/vxbuf.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"

namespace {

using Words = std::vector<UString>;

// Byte positions in a list stream: the parent's part ("VXBL", format, spare, 32-byte stored-list
// information), the 104-byte settings block, the Unicode byte and the spare byte.
constexpr size_t kInfoAt = 8;
constexpr size_t kSettingsAt = kInfoAt + 32;
constexpr size_t kUnicodeAt = kSettingsAt + 104;
constexpr size_t kEntriesAt = kUnicodeAt + 2;

int32_t I32At(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

void Fill(TTestWordList& l, std::initializer_list<std::pair<const char16_t*, int>> items) {
  for (const auto& [w, f] : items) l.AddWord(w, f);
}

std::vector<uint8_t> Saved(TTestWordList& l) {
  TMemoryStream m;
  EXPECT_TRUE(l.SaveToStream(m));
  return m.Data();
}

// Reads bytes into a fresh list; answers the result and leaves the entry count in *count.
bool ReadInto(const std::vector<uint8_t>& bytes, int* count = nullptr, TTessorineList list_type = 7) {
  TTestWordList l(nullptr, list_type);
  TMemoryStream m(bytes);
  const bool ok = l.ReadFromStream(m);
  if (count) *count = l.Count();
  return ok;
}

// Holds the lemmatiser lists of one tool and makes it the current tool for a test.
class ListsForTool {
 public:
  static constexpr uint8_t kTool = 29;  // a tool number the store keeps values for, used by no tool
  ListsForTool() : old_tool_(current_tool_var) { current_tool_var = kTool; }
  ~ListsForTool() {
    for (int k = lmsLemma; k <= lmsStop; ++k) ClearOne(kTool, k);
    SetMatchSettings(0, u"");
    current_tool_var = old_tool_;
  }
  static void SetMatchSettings(uint8_t kind, UStringView typed) {
    TMatchListSettingsRec rec = GetMatchListSettings(kTool);
    rec.SetKind(kind);
    rec.SetTypedWords(typed);
    SetLemmaMatchStopSettings(kTool, lmsMatch, rec);
  }
  void Load(int kind, std::string_view text) {
    ASSERT_TRUE(LoadedOne(kTool, kind, tmp_.Write(u"list" + IntToUStr(kind) + u".txt", text)));
  }
  const TempFolder& Tmp() const { return tmp_; }

 private:
  uint8_t old_tool_;
  TempFolder tmp_;
};

// Writes are refused once limit bytes are in.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (Position() + count > limit_) return 0;
    return TMemoryStream::Write(buffer, count);
  }

 private:
  int64_t limit_;
};

// A list that counts the word lengths of the entries the stop list removes.
class TStopCountingList : public TTestWordList {
 public:
  void AdjustStopListWordLengths(TVXBaseListObject& e) override {
    stoplist_wordlengths[std::min<int32_t>(e.MainWordLength(), 50)] += e.MainWordFrequency();
  }
};

}  // namespace

TEST(ListStream, RoundTripOfEntriesMarksJoinsAndSortSettings) {
  TVXBaseHolder holder;
  holder.SetUnicode(false);
  std::vector<uint8_t> bytes;
  {
    TTestWordList a(&holder);
    Fill(a, {{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"cat", 3}, {u"dog", 4}, {u"tmp", 9}});
    ASSERT_TRUE(a.Join(0, 1, false) && a.Join(0, 2, false));
    a.DeleteOne(3, true);
    a.SetMatched(4, true);
    a.SetNotForSaving(5, true);
    a.Set3Sorts(kSortFrequency, kSortAlphabetical, kSortNone);
    a.SetSortAscending(0, false);
    a.SetSortCaseSensitive(1, true);
    EXPECT_GT(a.ChangedEntries(), 0);
    bytes = Saved(a);
    EXPECT_EQ(a.ChangedEntries(), 0);
    EXPECT_EQ(a.GetVersionNumber(), 1);
  }
  EXPECT_EQ(TTestWordEntry::live, 0);
  // Six announced; the two forms travel under their head and one is not for saving.
  EXPECT_EQ(I32At(bytes, kInfoAt), 3);
  EXPECT_EQ(I32At(bytes, kInfoAt + 4), 3);
  EXPECT_EQ(I32At(bytes, kSettingsAt + 12), 1);
  EXPECT_EQ(bytes[kSettingsAt + 17], 1);
  EXPECT_EQ(bytes[kUnicodeAt], 0);

  TVXBaseHolder holder2;
  TTestWordList b(&holder2);
  TMemoryStream m(bytes);
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(m.BytesLeft(), 0);
  EXPECT_FALSE(holder2.Unicode());
  EXPECT_EQ(b.Words(), (Words{u"go", u"cat", u"dog"}));
  ASSERT_EQ(b.GetJoinListAndDetails(0).size(), 2u);
  EXPECT_EQ(static_cast<TTestWordEntry*>(b.GetJoinListAndDetails(0)[1])->word, u"gone");
  EXPECT_EQ(b.GetTotalJoinedFreq(0), 3);
  EXPECT_TRUE(b.GetDeleted(1));
  EXPECT_TRUE(b.GetMatched(2));
  EXPECT_FALSE(b.GetDeleted(2));
  EXPECT_EQ(b.SortLevel(0).key, kSortFrequency);
  EXPECT_FALSE(b.SortLevel(0).ascending);
  EXPECT_EQ(b.SortLevel(1).key, kSortAlphabetical);
  EXPECT_TRUE(b.SortLevel(1).case_sensitive);
  EXPECT_EQ(TTestWordEntry::live, 5);

  // Written again, read again and written again: the same bytes.
  const std::vector<uint8_t> second = Saved(b);
  TTestWordList c(&holder2);
  TMemoryStream m2(second);
  ASSERT_TRUE(c.ReadFromStream(m2));
  EXPECT_EQ(Saved(c), second);
}

TEST(ListStream, VersionIsRaisedOnlyToOne) {
  TTestWordList a;
  a.SetVersionNumber(5);
  const std::vector<uint8_t> bytes = Saved(a);
  EXPECT_EQ(I32At(bytes, kSettingsAt + 12), 5);
  EXPECT_EQ(I32At(bytes, kInfoAt), 0);
  int count = -1;
  EXPECT_TRUE(ReadInto(bytes, &count));
  EXPECT_EQ(count, 0);
}

TEST(ListStream, VersionZeroTakesDefaultSortsAndUnsavedListsAreSorted) {
  TTestWordList a;
  Fill(a, {{u"pear", 1}, {u"apple", 2}, {u"fig", 3}});
  a.Set3Sorts(kSortFrequency, kSortTexts, kSortWordLength);
  std::vector<uint8_t> bytes = Saved(a);

  PutI32(bytes, kSettingsAt + 12, 0);
  TTestWordList b;
  TMemoryStream m(bytes);
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(b.SortLevel(0).key, kSortAlphabetical);
  EXPECT_EQ(b.SortLevel(1).key, kSortNone);
  EXPECT_EQ(b.Words(), (Words{u"pear", u"apple", u"fig"}));  // saved flag set: order kept

  bytes[kSettingsAt + 17] = 0;  // a list that was never written by a list body
  TTestWordList c;
  TMemoryStream m2(bytes);
  ASSERT_TRUE(c.ReadFromStream(m2));
  EXPECT_EQ(c.Words(), (Words{u"apple", u"fig", u"pear"}));
  TTestWordList stats(nullptr, 19);  // statistics keep their order
  TMemoryStream m3(bytes);
  ASSERT_TRUE(stats.ReadFromStream(m3));
  EXPECT_EQ(stats.Words(), (Words{u"pear", u"apple", u"fig"}));
}

TEST(ListStream, EveryTruncationAndEveryGarbledByteFailsCleanly) {
  std::vector<uint8_t> bytes;
  {
    TTestWordList a;
    Fill(a, {{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"cat", 3}});
    ASSERT_TRUE(a.Join(0, 1, false) && a.Join(0, 2, false));
    a.DeleteOne(3, true);
    bytes = Saved(a);
  }
  ASSERT_TRUE(ReadInto(bytes));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(ReadInto(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut))) << "cut at " << cut;
    ASSERT_EQ(TTestWordEntry::live, 0) << "cut at " << cut;
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    for (uint8_t x : {uint8_t(0xFF), uint8_t(0x80), uint8_t(0x01)}) {
      std::vector<uint8_t> g = bytes;
      g[at] ^= x;
      ReadInto(g);  // may or may not read; must not crash or leak
      ASSERT_EQ(TTestWordEntry::live, 0) << "byte " << at;
    }
  }
  // Header parts: a wrong mark, a newer format, a negative count.
  for (size_t at : {size_t(0), size_t(4)}) {
    std::vector<uint8_t> g = bytes;
    g[at] = 9;
    EXPECT_FALSE(ReadInto(g));
  }
  std::vector<uint8_t> g = bytes;
  PutI32(g, kInfoAt, -1);
  EXPECT_FALSE(ReadInto(g));
  PutI32(g, kInfoAt, 1 << 30);
  EXPECT_FALSE(ReadInto(g));
}

TEST(ListStream, BadEntryPartsEndTheReadAndKeepEarlierEntries) {
  std::vector<uint8_t> bytes;
  {
    TTestWordList a;
    Fill(a, {{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"cat", 3}});
    ASSERT_TRUE(a.Join(0, 1, false) && a.Join(0, 2, false));
    bytes = Saved(a);
  }
  // "go": string (4 + 4 bytes), frequency, private flag, private record (2), joined flag, n.
  const size_t private_flag = kEntriesAt + 12;
  const size_t private_format = private_flag + 1;
  const size_t joined_flag = private_flag + 3;
  const size_t joined_n = joined_flag + 1;
  const size_t cat = joined_n + 4 + 2 * 16;
  ASSERT_EQ(bytes[private_flag], 1);
  ASSERT_EQ(I32At(bytes, joined_n), 2);
  ASSERT_EQ(I32At(bytes, cat), 3);  // "cat" has 3 characters

  auto patched = [&](size_t at, int32_t v, bool byte) {
    std::vector<uint8_t> g = bytes;
    if (byte)
      g[at] = static_cast<uint8_t>(v);
    else
      PutI32(g, at, v);
    return g;
  };
  int count = -1;
  EXPECT_FALSE(ReadInto(patched(joined_n, -1, false), &count));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(ReadInto(patched(joined_n, 0x7FFFFFFF, false), &count));
  EXPECT_FALSE(ReadInto(patched(joined_n, 3, false), &count));  // one joined entry too many
  EXPECT_FALSE(ReadInto(patched(private_flag, 2, true), &count));
  EXPECT_FALSE(ReadInto(patched(private_format, 9, true), &count));
  EXPECT_FALSE(ReadInto(patched(joined_flag, 7, true), &count));
  EXPECT_EQ(TTestWordEntry::live, 0);

  // The second entry's word claims more than the stream holds: the first entry stays.
  TTestWordList b;
  TMemoryStream m(patched(cat, 0x40000000, false));
  EXPECT_FALSE(b.ReadFromStream(m));
  EXPECT_EQ(b.Words(), Words{u"go"});
  EXPECT_EQ(b.GetJoinListAndDetails(0).size(), 2u);
  EXPECT_EQ(TTestWordEntry::live, 3);
}

TEST(ListStream, StopRequestEndsReadingAndWriteFailuresAnswerFalse) {
  TTestWordList a;
  Fill(a, {{u"a", 1}, {u"b", 2}});
  const std::vector<uint8_t> bytes = Saved(a);
  global_panic_state = kPanicStopNow;
  int count = -1;
  EXPECT_FALSE(ReadInto(bytes, &count));
  EXPECT_EQ(count, 0);
  ClearStopStateForNewJob();

  for (int64_t limit = 0; limit < static_cast<int64_t>(bytes.size()); ++limit) {
    TShortStream s(limit);
    EXPECT_FALSE(a.SaveToStream(s)) << "limit " << limit;
  }
  EXPECT_EQ(a.Count(), 2);

  // An entry that throws while it is written: the list answers false and is usable again.
  struct TThrowingEntry : TTestWordEntry {
    using TTestWordEntry::TTestWordEntry;
    bool SaveToStream(TStream&) override { throw std::runtime_error("entry has no extra block"); }
  };
  a.Add(new TThrowingEntry(&a, u"boom", 1));
  TMemoryStream m;
  EXPECT_FALSE(a.SaveToStream(m));
  EXPECT_EQ(a.ListBusy(), kBusyNone);
  EXPECT_TRUE(a.DoASort(3, 0, a.Count() - 1));
}

TEST(ListStream, BigListMovesProgressToTheController) {
  const bool made = GlobalProgress() == nullptr;
  if (made) CreateGlobalProgress();
  TProgressClass* p = GlobalProgress();
  std::vector<uint8_t> bytes;
  {
    TTestWordList a;
    for (int i = 0; i < LoadingCaptionThreshold(7); ++i) a.AddWord(u"w", i);
    bytes = Saved(a);
  }
  p->ShowWhere(1);
  TTestWordList b;
  TMemoryStream m(bytes);
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(p->Where(), 1);  // no main window to centre on
  p->ShowWhere(1);
  TTestWordList c;
  c.main_form_centre = [] { return TPoint{10, 20}; };
  TMemoryStream m2(bytes);
  ASSERT_TRUE(c.ReadFromStream(m2));
  EXPECT_EQ(p->Where(), 0);
  EXPECT_EQ(c.Count(), LoadingCaptionThreshold(7));
  c.DoProgressPercent(42);
  EXPECT_EQ(p->Record().this_percent, 42);
  if (made) FreeGlobalProgress();
}

TEST(ListLemmas, HeadsAndFormsAreJoinedAndMissingHeadsMade) {
  ListsForTool tool;
  tool.Load(lmsLemma, "go -> goes, went, gone, going\nbe -> am, is, are\ncat -> cats\n");
  TTestWordList l;
  Fill(l, {{u"goes", 3}, {u"went", 2}, {u"go", 5}, {u"gone", 1}, {u"am", 4}, {u"is", 6}, {u"tree", 7}});
  // go: goes, went, gone (going absent); be is made for am and is; cats and are are absent.
  EXPECT_EQ(l.CheckLemmas(), 5);
  EXPECT_EQ(l.Words(), (Words{u"am", u"be", u"go", u"goes", u"gone", u"is", u"tree", u"went"}));
  const int be = l.Find_WordStr(u"be", true);
  const int go = l.Find_WordStr(u"go", true);
  EXPECT_EQ(l.GetJoinListAndDetails(be).size(), 2u);
  EXPECT_EQ(l.GetTotalJoinedFreq(be), 10);
  EXPECT_EQ(l.At(be)->freq, 0);
  EXPECT_EQ(l.GetJoinListAndDetails(go).size(), 3u);
  EXPECT_TRUE(l.GetJoinedElsewhere(l.Find_WordStr(u"went", true)));
  EXPECT_FALSE(l.GetJoinedElsewhere(l.Find_WordStr(u"tree", true)));
  // A second run finds everything joined and adds nothing.
  EXPECT_EQ(l.CheckLemmas(), 0);
  EXPECT_EQ(l.Count(), 8);
  // Without a lemma list nothing happens.
  ClearOne(ListsForTool::kTool, lmsLemma);
  TTestWordList m;
  Fill(m, {{u"goes", 3}, {u"go", 1}});
  EXPECT_EQ(m.CheckLemmas(), 0);
}

TEST(ListStops, StopWordsAreCountedOnceAndRemovedUndoably) {
  ListsForTool tool;
  tool.Load(lmsStop, "the\nOF\nabsent\n");
  TStopCountingList l;
  Fill(l, {{u"the", 10}, {u"of", 5}, {u"cat", 2}, {u"dog", 1}});
  EXPECT_EQ(l.CheckStops(), 2);
  EXPECT_EQ(l.stoplist_types, 2);
  EXPECT_EQ(l.stoplist_tokens, 15);
  EXPECT_EQ(l.stoplist_wordlengths[3], 10);
  EXPECT_EQ(l.stoplist_wordlengths[2], 5);
  EXPECT_EQ(l.Words(), (Words{u"cat", u"dog"}));
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Count(), 4);

  // An entry already deleted is not removed or counted again.
  TStopCountingList k;
  Fill(k, {{u"the", 10}, {u"of", 5}, {u"cat", 2}});
  ASSERT_TRUE(k.SortAlphabeticallyAscending());
  k.DeleteOne(k.Find_WordStr(u"of", true), true);
  EXPECT_EQ(k.CheckStops(), 1);
  EXPECT_EQ(k.stoplist_tokens, 10);
  EXPECT_EQ(k.stoplist_wordlengths[2], 0);
  EXPECT_EQ(k.Words(), Words{u"cat"});

  // Absent stop words leave list and counters alone.
  tool.Load(lmsStop, "absent\n");
  TStopCountingList n;
  Fill(n, {{u"cat", 2}});
  EXPECT_EQ(n.CheckStops(), 0);
  EXPECT_EQ(n.stoplist_tokens, 0);
  EXPECT_EQ(n.Count(), 1);
  EXPECT_FALSE(n.CanUndo());
}

TEST(ListStops, PhraseWithAStopWord) {
  ListsForTool tool;
  EXPECT_FALSE(PhraseHasAWordInList(u"the cat"));
  tool.Load(lmsStop, "the\n");
  EXPECT_TRUE(PhraseHasAWordInList(u"The big cat"));
  EXPECT_TRUE(PhraseHasAWordInList(u"cat  the"));
  EXPECT_FALSE(PhraseHasAWordInList(u"big cat"));
  EXPECT_FALSE(PhraseHasAWordInList(u""));
}

namespace {
void MatchList(TTestWordList& l) {
  l.Clear();
  Fill(l, {{u"cat", 1}, {u"running", 1}, {u"sing", 1}, {u"undo", 1}, {u"under", 1}, {u"42", 1}, {u"1,000", 1},
           {u"tree", 1}});
  l.SortAlphabeticallyAscending();
}
int Marked(TTestWordList& l, bool deleted) {
  int n = 0;
  for (int i = 0; i < l.Count(); ++i) n += deleted ? l.GetDeleted(i) : l.GetMatched(i);
  return n;
}
}  // namespace

TEST(ListMatches, MatchListActionsWithPatternsAndUndo) {
  ListsForTool tool;
  tool.Load(lmsMatch, "cat\n*ing\nun*\n#\nabsent\nsing\n");
  TTestWordList l;
  // cat, running, sing (once, though two words find it), undo, under, 42, 1,000.
  MatchList(l);
  EXPECT_EQ(l.CheckMatches(kTagMarkMatches), 7);
  EXPECT_EQ(Marked(l, false), 7);
  EXPECT_FALSE(l.GetMatched(l.Find_WordStr(u"tree", true)));
  EXPECT_EQ(l.items_matched.size(), 7u);
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(Marked(l, false), 0);

  EXPECT_EQ(l.CheckMatches(kTagDeleteMatched), 7);
  EXPECT_EQ(Marked(l, true), 7);
  EXPECT_FALSE(l.GetDeleted(l.Find_WordStr(u"tree", true)));
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(Marked(l, true), 0);

  // Delete non-matches: only the matches stay.
  EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 7);
  EXPECT_EQ(Marked(l, true), 1);
  EXPECT_TRUE(l.GetDeleted(l.Find_WordStr(u"tree", true)));
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(Marked(l, true), 0);

  l.CheckMatches(kTagMarkMatches);
  EXPECT_EQ(l.CheckMatches(kTagClearAllMatches), 0);
  EXPECT_EQ(Marked(l, false), 0);

  // The menu tags choose the action; any other tag does nothing.
  EXPECT_EQ(l.CheckMatches(kTagDeleteMatched), 7);
  EXPECT_EQ(l.fmatch_settings.Action(), 1);
  EXPECT_EQ(l.CheckMatches(50), 0);
}

namespace {
class TWordProbe : public TListMatchProbe {
 public:
  explicit TWordProbe(Words words) : words_(std::move(words)) {}
  bool Found(UStringView buffer) override {
    for (const UString& w : words_)
      if (buffer == w + u" ") return true;
    return false;
  }

 private:
  Words words_;
};
}  // namespace

TEST(ListMatches, TypedMatchWordsGoThroughTheSearchEngine) {
  ListsForTool tool;
  ListsForTool::SetMatchSettings(1, u"cat, tr*");
  TTestWordList l;
  MatchList(l);
  // "cat" and every word beginning "tr" (tree); nothing else.
  EXPECT_EQ(l.CheckMatches(kTagMarkMatches), 2);
  EXPECT_EQ(Marked(l, false), 2);
  EXPECT_TRUE(l.GetMatched(l.Find_WordStr(u"cat", true)));
  EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 2);
  EXPECT_EQ(Marked(l, true), l.Count() - 2);
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(Marked(l, true), 0);

  // A search item list on a column, with deleted entries left out or taken in.
  TSearchWordItems items;
  items.AddedSearchWords(u"c*t\ndog");
  l.DeleteOne(l.Find_WordStr(u"cat", true), true);
  const T1LongintList without = l.ItemsWhichMatch(items, 0, l.MainWordColumn(), false);
  const T1LongintList with = l.ItemsWhichMatch(items, 0, l.MainWordColumn(), true);
  EXPECT_EQ(without.size(), 0u);
  EXPECT_EQ(with, T1LongintList{l.Find_WordStr(u"cat", true)});
  l.DeleteOne(l.Find_WordStr(u"cat", true), false);
  EXPECT_EQ(Marked(l, true), 0);

  // Without match words nothing is found, and deleting the non-matches deletes nothing.
  ListsForTool::SetMatchSettings(1, u"");
  EXPECT_EQ(l.CheckMatches(kTagDeleteMatched), 0);
  EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 0);
  EXPECT_EQ(Marked(l, true), 0);
  // Likewise without a match list.
  ListsForTool::SetMatchSettings(0, u"");
  EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 0);
  EXPECT_EQ(Marked(l, true), 0);
}

TEST(ListMatches, ItemsWhichMatchSkipsDeletedAndBreaksDownByKey) {
  TTestWordList l;
  Fill(l, {{u"cat", 3}, {u"tree", 3}, {u"cat", 1}, {u"dog", 3}});
  l.DeleteOne(0, true);
  TWordProbe probe({u"cat", u"dog"});
  EXPECT_EQ(l.ItemsWhichMatchProbe(probe, 1, false), (T1LongintList{2, 3}));
  EXPECT_EQ(l.ItemsWhichMatchProbe(probe, 1, true), (T1LongintList{0, 2, 3}));
  EXPECT_EQ(l.ItemsWhichMatchBreakdownProbe(probe, 1, 2, u"3"), (T1LongintList{0, 3}));
}

TEST(ListDuplicates, LaterDuplicatesAreMarkedOnce) {
  TTestWordList l;
  Fill(l, {{u"a", 1}, {u"a", 2}, {u"a", 3}});
  TDuplicatesResult r;
  l.RemoveDuplicates(r);
  EXPECT_EQ(r.first_index, 0);
  EXPECT_EQ(r.deleted, 2);
  EXPECT_FALSE(l.GetDeleted(0));
  EXPECT_TRUE(l.GetDeleted(1) && l.GetDeleted(2));
  // Run again: nothing new is marked.
  l.RemoveDuplicates(r);
  EXPECT_EQ(r.first_index, -1);
  EXPECT_EQ(r.deleted, 0);

  TTestWordList k;
  Fill(k, {{u"b", 1}, {u"a", 1}, {u"b", 1}, {u"a", 1}, {u"a", 1}, {u"c", 1}});
  ASSERT_TRUE(k.SortAlphabeticallyAscending());  // a a a b b c
  k.DeleteOne(1, true);
  k.RemoveDuplicates(r);
  EXPECT_EQ(r.first_index, 0);
  EXPECT_EQ(r.deleted, 2);  // index 2 and index 4
  EXPECT_TRUE(k.GetDeleted(2) && k.GetDeleted(4));
  EXPECT_FALSE(k.GetDeleted(3) || k.GetDeleted(5));

  // A stop request leaves everything as it is; the progress call-back is told.
  TTestWordList big;
  for (int i = 0; i < 300; ++i) big.AddWord(i % 2 ? u"x" : u"y");
  int calls = 0, last = -1;
  global_panic_state = kPanicStopNow;
  big.RemoveDuplicates(r, [&](int32_t p, bool) { ++calls; last = p; });
  EXPECT_EQ(r.deleted, 0);
  ClearStopStateForNewJob();
  big.RemoveDuplicates(r, [&](int32_t p, bool) { ++calls; last = p; });
  EXPECT_EQ(r.first_index, 0);
  EXPECT_EQ(r.deleted, 298);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(last, 50);  // the walk jumps from the first x to the first y
}

TEST(ListMerge, EntriesMoveOnlyWhenTheChecksPass) {
  TTestWordList a, b, stats(nullptr, 19);
  Fill(a, {{u"cat", 1}, {u"dog", 2}});
  Fill(b, {{u"go", 3}, {u"went", 4}});
  Fill(stats, {{u"x.txt", 1}});
  ASSERT_TRUE(b.Join(0, 1, false));

  EXPECT_FALSE(a.MergeWith(&stats));
  EXPECT_EQ(a.Words(), (Words{u"cat", u"dog"}));
  EXPECT_EQ(stats.Words(), Words{u"x.txt"});
  EXPECT_FALSE(a.MergeWith(&a));
  EXPECT_FALSE(a.MergeWith(nullptr));

  EXPECT_TRUE(a.MergeWith(&b));
  EXPECT_EQ(a.Words(), (Words{u"cat", u"dog", u"go", u"went"}));
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(a.Get(2)->List(), &a);
  EXPECT_EQ(a.GetJoinListAndDetails(2).size(), 1u);
  EXPECT_TRUE(a.GetJoinedElsewhere(3));
}

TEST(ListFreeRoutines, ZipEntryCountAndSettingsText) {
  TempFolder tmp;
  EXPECT_EQ(ZipEntryCount(tmp.Path() + u"missing.zip"), 0);
  EXPECT_EQ(ZipEntryCount(tmp.Write(u"a.zip", "PK\x03\x04 not really")), 0);
  const UString zip_name = tmp.Path() + u"b.zip";
  {
    TZipForge zip;
    zip.SetFileName(zip_name);
    ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::ReadWrite));
    TMemoryStream one, two;
    WriteU8(one, 1);
    WriteU8(two, 2);
    ASSERT_TRUE(zip.AddFromStream(u"one.txt", one) && zip.AddFromStream(u"sub/two.txt", two));
    ASSERT_TRUE(zip.CloseArchive());
  }
  EXPECT_EQ(ZipEntryCount(zip_name), 2);

  TTestWordList l;
  EXPECT_EQ(l.DetailsOfCurrentSettings(), Words{u"Current " + list_type_as_string(7) + u" settings"});
}
