#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "model/work_test_list.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/search/search_items.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"
#include "support/stream_bytes.h"

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
std::vector<uint8_t> WithI32(std::vector<uint8_t> b, size_t at, int32_t v) {
  std::memcpy(b.data() + at, &v, 4);
  return b;
}
std::vector<uint8_t> WithByte(std::vector<uint8_t> b, size_t at, uint8_t v) {
  b[at] = v;
  return b;
}

// Reads bytes into a fresh list; answers the result and leaves the entry count in *count.
bool ReadInto(const std::vector<uint8_t>& bytes, int* count = nullptr) {
  TTestWordList l;
  TMemoryStream m(bytes);
  const bool ok = l.ReadFromStream(m);
  if (count) *count = l.Count();
  return ok;
}

// go (with went and gone joined to it) and cat.
std::vector<uint8_t> JoinedListBytes(bool delete_cat) {
  TTestWordList a;
  a.Fill({{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"cat", 3}});
  EXPECT_TRUE(a.Join(0, 1, false) && a.Join(0, 2, false));
  if (delete_cat) a.DeleteOne(3, true);
  return Saved(a);
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
    a.Fill({{u"go", 5}, {u"went", 2}, {u"gone", 1}, {u"cat", 3}, {u"dog", 4}, {u"tmp", 9}});
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
  EXPECT_EQ(b.Shown(), "go> cat- dog+");
  ASSERT_EQ(b.GetJoinListAndDetails(0).size(), 2u);
  EXPECT_EQ(static_cast<TTestWordEntry*>(b.GetJoinListAndDetails(0)[1])->word, u"gone");
  EXPECT_EQ(b.GetTotalJoinedFreq(0), 3);
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

TEST(ListStream, VersionRaisedOnlyToOneAndVersionZeroTakesDefaultSorts) {
  TTestWordList empty;
  empty.SetVersionNumber(5);
  std::vector<uint8_t> bytes = Saved(empty);
  EXPECT_EQ(I32At(bytes, kSettingsAt + 12), 5);
  EXPECT_EQ(I32At(bytes, kInfoAt), 0);
  int count = -1;
  EXPECT_TRUE(ReadInto(bytes, &count));
  EXPECT_EQ(count, 0);

  TTestWordList a;
  a.Fill({{u"pear", 1}, {u"apple", 2}, {u"fig", 3}});
  a.Set3Sorts(kSortFrequency, kSortTexts, kSortWordLength);
  bytes = WithI32(Saved(a), kSettingsAt + 12, 0);
  TTestWordList b;
  TMemoryStream m(bytes);
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(b.SortLevel(0).key, kSortAlphabetical);
  EXPECT_EQ(b.SortLevel(1).key, kSortNone);
  EXPECT_EQ(b.Shown(), "pear apple fig");  // saved flag set: order kept

  bytes[kSettingsAt + 17] = 0;  // a list that was never written by a list body: sorted when read
  TTestWordList c;
  TMemoryStream m2(bytes);
  ASSERT_TRUE(c.ReadFromStream(m2));
  EXPECT_EQ(c.Shown(), "apple fig pear");
  TTestWordList stats(nullptr, 19);  // statistics keep their order
  TMemoryStream m3(bytes);
  ASSERT_TRUE(stats.ReadFromStream(m3));
  EXPECT_EQ(stats.Shown(), "pear apple fig");
}

TEST(ListStream, EveryTruncationAndEveryGarbledByteFailsCleanly) {
  const std::vector<uint8_t> bytes = JoinedListBytes(true);
  ASSERT_TRUE(ReadInto(bytes));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(ReadInto(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut))) << "cut at " << cut;
    ASSERT_EQ(TTestWordEntry::live, 0) << "cut at " << cut;
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    for (uint8_t x : {uint8_t(0xFF), uint8_t(0x80), uint8_t(0x01)}) {
      ReadInto(WithByte(bytes, at, bytes[at] ^ x));  // may or may not read; must not crash or leak
      ASSERT_EQ(TTestWordEntry::live, 0) << "byte " << at;
    }
  }
  // Header parts: a wrong mark, a newer format, a negative or huge count.
  EXPECT_FALSE(ReadInto(WithByte(bytes, 0, 9)));
  EXPECT_FALSE(ReadInto(WithByte(bytes, 4, 9)));
  EXPECT_FALSE(ReadInto(WithI32(bytes, kInfoAt, -1)));
  EXPECT_FALSE(ReadInto(WithI32(bytes, kInfoAt, 1 << 30)));
}

TEST(ListStream, BadEntryPartsEndTheReadAndKeepEarlierEntries) {
  const std::vector<uint8_t> bytes = JoinedListBytes(false);
  // "go": string (4 + 4 bytes), frequency, private flag, private record (2), joined flag, n.
  const size_t private_flag = kEntriesAt + 12;
  const size_t private_format = private_flag + 1;
  const size_t joined_flag = private_flag + 3;
  const size_t joined_n = joined_flag + 1;
  const size_t cat = joined_n + 4 + 2 * 16;
  ASSERT_EQ(bytes[private_flag], 1);
  ASSERT_EQ(I32At(bytes, joined_n), 2);
  ASSERT_EQ(I32At(bytes, cat), 3);  // "cat" has 3 characters

  int count = -1;
  EXPECT_FALSE(ReadInto(WithI32(bytes, joined_n, -1), &count));
  EXPECT_EQ(count, 0);
  // Joined counts that are huge or one too many; flags and format out of range.
  for (const auto& bad : {WithI32(bytes, joined_n, 0x7FFFFFFF), WithI32(bytes, joined_n, 3),
                          WithByte(bytes, private_flag, 2), WithByte(bytes, private_format, 9),
                          WithByte(bytes, joined_flag, 7)}) {
    EXPECT_FALSE(ReadInto(bad));
  }
  EXPECT_EQ(TTestWordEntry::live, 0);
  // The second entry's word claims more than the stream holds: the first entry stays.
  TTestWordList b;
  TMemoryStream m(WithI32(bytes, cat, 0x40000000));
  EXPECT_FALSE(b.ReadFromStream(m));
  EXPECT_EQ(b.Shown(), "go>");
  EXPECT_EQ(b.GetJoinListAndDetails(0).size(), 2u);
  EXPECT_EQ(TTestWordEntry::live, 3);
}

TEST(ListStream, StopRequestEndsReadingAndWriteFailuresAnswerFalse) {
  TTestWordList a;
  a.Fill({{u"a", 1}, {u"b", 2}});
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
  TTestWordList a;
  for (int i = 0; i < LoadingCaptionThreshold(7); ++i) a.AddWord(u"w", i);
  const std::vector<uint8_t> bytes = Saved(a);
  p->ShowWhere(1);
  TTestWordList b;
  TMemoryStream m(bytes);
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(p->Where(), 1);  // no main window to centre on
  TTestWordList c;
  c.main_form_centre = [] { return TPoint{10, 20}; };
  TMemoryStream m2(bytes);
  ASSERT_TRUE(c.ReadFromStream(m2));
  EXPECT_EQ(p->Where(), 0);
  c.DoProgressPercent(42);
  EXPECT_EQ(p->Record().this_percent, 42);
  if (made) FreeGlobalProgress();
}

TEST(ListLemmas, HeadsAndFormsAreJoinedAndMissingHeadsMade) {
  ListsForTool tool;
  tool.Load(lmsLemma, "go -> goes, went, gone, going\nbe -> am, is, are\ncat -> cats\n");
  TTestWordList l;
  l.Fill({{u"goes", 3}, {u"went", 2}, {u"go", 5}, {u"gone", 1}, {u"am", 4}, {u"is", 6}, {u"tree", 7}});
  // go: goes, went, gone (going absent); be is made for am and is; cats and are are absent.
  EXPECT_EQ(l.CheckLemmas(), 5);
  EXPECT_EQ(l.Shown(), "am< be> go> goes< gone< is< tree went<");
  const int be = l.Find_WordStr(u"be", true);
  EXPECT_EQ(l.GetJoinListAndDetails(be).size(), 2u);
  EXPECT_EQ(l.GetTotalJoinedFreq(be), 10);
  EXPECT_EQ(l.At(be)->freq, 0);
  EXPECT_EQ(l.GetJoinListAndDetails(l.Find_WordStr(u"go", true)).size(), 3u);
  // A second run finds everything joined and adds nothing.
  EXPECT_EQ(l.CheckLemmas(), 0);
  EXPECT_EQ(l.Count(), 8);
  // Without a lemma list nothing happens.
  ClearOne(ListsForTool::kTool, lmsLemma);
  TTestWordList m;
  m.Fill({{u"goes", 3}, {u"go", 1}});
  EXPECT_EQ(m.CheckLemmas(), 0);
}

// A head that the list holds only through its forms takes the case the list holds them in; the
// lemma file's "walk" is matched without case.
TEST(ListLemmas, AMadeHeadIsSpeltInTheListsCase) {
  ListsForTool tool;
  tool.Load(lmsLemma, "walk -> walks, walked\nBe -> am, is\nrun -> ran\n");
  const struct {
    std::initializer_list<std::pair<const char16_t*, int>> rows;
    const char16_t* head;
  } cases[] = {
      {{{u"WALKS", 2}, {u"WALKED", 1}, {u"TREE", 3}}, u"WALK"},  // a list of capitals
      {{{u"am", 2}, {u"is", 1}}, u"be"},                         // a list of small letters
      {{{u"Ran", 1}}, u"run"},                                   // mixed case: as the file spells it
  };
  for (const auto& c : cases) {
    TTestWordList l;
    l.Fill(c.rows);
    ASSERT_GT(l.CheckLemmas(), 0) << Utf16ToUtf8(c.head);
    const int head = l.Find_WordStr(c.head, true);
    ASSERT_GE(head, 0) << l.Shown();
    EXPECT_EQ(l.WordAt(head), c.head);
    EXPECT_TRUE(l.GetHasJoined(head)) << l.Shown();
  }
}

TEST(ListStops, StopWordsAreCountedOnceAndRemovedUndoably) {
  ListsForTool tool;
  tool.Load(lmsStop, "the\nOF\nabsent\n");
  TStopCountingList l;
  l.Fill({{u"the", 10}, {u"of", 5}, {u"cat", 2}, {u"dog", 1}});
  EXPECT_EQ(l.CheckStops(), 2);
  EXPECT_EQ(l.stoplist_types, 2);
  EXPECT_EQ(l.stoplist_tokens, 15);
  EXPECT_EQ(l.stoplist_wordlengths[3], 10);
  EXPECT_EQ(l.stoplist_wordlengths[2], 5);
  EXPECT_EQ(l.Shown(), "cat dog");
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Count(), 4);
  // An entry already deleted is not removed or counted again.
  TStopCountingList k;
  k.Fill({{u"the", 10}, {u"of", 5}, {u"cat", 2}});
  ASSERT_TRUE(k.SortAlphabeticallyAscending());
  k.DeleteOne(k.Find_WordStr(u"of", true), true);
  EXPECT_EQ(k.CheckStops(), 1);
  EXPECT_EQ(k.stoplist_tokens, 10);
  EXPECT_EQ(k.stoplist_wordlengths[2], 0);
  EXPECT_EQ(k.Shown(), "cat");
  // Absent stop words leave list and counters alone.
  tool.Load(lmsStop, "absent\n");
  TStopCountingList n;
  n.AddWord(u"cat", 2);
  EXPECT_EQ(n.CheckStops(), 0);
  EXPECT_EQ(n.stoplist_tokens, 0);
  EXPECT_EQ(n.Count(), 1);
  EXPECT_EQ(n.UndoDepth(), 0u);
}

TEST(ListStops, PhraseWithAStopWord) {
  ListsForTool tool;
  EXPECT_FALSE(PhraseHasAWordInList(u"the cat"));
  tool.Load(lmsStop, "the\n");
  EXPECT_TRUE(PhraseHasAWordInList(u"The big cat") && PhraseHasAWordInList(u"cat  the"));
  EXPECT_FALSE(PhraseHasAWordInList(u"big cat") || PhraseHasAWordInList(u""));
}

namespace {
void MatchList(TTestWordList& l) {
  l.Clear();
  l.Fill({{u"cat", 1}, {u"running", 1}, {u"sing", 1}, {u"undo", 1}, {u"under", 1}, {u"42", 1}, {u"1,000", 1},
          {u"tree", 1}});
  l.SortAlphabeticallyAscending();
}
}  // namespace

TEST(ListMatches, MatchListActionsWithPatternsAndUndo) {
  ListsForTool tool;
  tool.Load(lmsMatch, "cat\n*ing\nun*\n#\nabsent\nsing\n");
  TTestWordList l;
  // cat, running, sing (once, though two words find it), undo, under, 42, 1,000.
  MatchList(l);
  EXPECT_EQ(l.CheckMatches(kTagMarkMatches), 7);
  EXPECT_EQ(l.Shown(), "1,000+ 42+ cat+ running+ sing+ tree under+ undo+");
  EXPECT_EQ(l.items_matched.size(), 7u);
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "1,000 42 cat running sing tree under undo");

  EXPECT_EQ(l.CheckMatches(kTagDeleteMatched), 7);
  EXPECT_EQ(l.Shown(), "1,000- 42- cat- running- sing- tree under- undo-");
  ASSERT_TRUE(l.Undo());
  // Delete non-matches: only the matches stay.
  EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 7);
  EXPECT_EQ(l.Shown(), "1,000 42 cat running sing tree- under undo");
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "1,000 42 cat running sing tree under undo");

  l.CheckMatches(kTagMarkMatches);
  EXPECT_EQ(l.CheckMatches(kTagClearAllMatches), 0);
  EXPECT_EQ(l.Shown(), "1,000 42 cat running sing tree under undo");
  // The menu tags choose the action; any other tag does nothing.
  EXPECT_EQ(l.CheckMatches(kTagDeleteMatched), 7);
  EXPECT_EQ(l.fmatch_settings.Action(), 1);
  EXPECT_EQ(l.CheckMatches(50), 0);
}

TEST(ListMatches, TypedMatchWordsGoThroughTheSearchEngine) {
  ListsForTool tool;
  ListsForTool::SetMatchSettings(1, u"cat, tr*");
  TTestWordList l;
  MatchList(l);
  // "cat" and every word beginning "tr" (tree); nothing else.
  EXPECT_EQ(l.CheckMatches(kTagMarkMatches), 2);
  EXPECT_EQ(l.Shown(), "1,000 42 cat+ running sing tree+ under undo");
  EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 2);
  EXPECT_EQ(l.Shown(), "1,000- 42- cat+ running- sing- tree+ under- undo-");
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "1,000 42 cat+ running sing tree+ under undo");
  // A search item list on a column, with deleted entries left out or taken in.
  TSearchWordItems items;
  items.AddedSearchWords(u"c*t\ndog");
  const int cat = l.Find_WordStr(u"cat", true);
  l.DeleteOne(cat, true);
  EXPECT_EQ(l.ItemsWhichMatch(items, 0, l.MainWordColumn(), false).size(), 0u);
  EXPECT_EQ(l.ItemsWhichMatch(items, 0, l.MainWordColumn(), true), T1LongintList{cat});
  l.DeleteOne(cat, false);
  // Without match words, or without a match list, nothing is found and deleting the non-matches
  // deletes nothing.
  for (uint8_t kind : {1, 0}) {
    ListsForTool::SetMatchSettings(kind, u"");
    EXPECT_EQ(l.CheckMatches(kTagDeleteMatched), 0);
    EXPECT_EQ(l.CheckMatches(kTagDeleteUnmatched), 0);
    EXPECT_EQ(l.Shown(), "1,000 42 cat+ running sing tree+ under undo");
  }
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

TEST(ListMatches, ItemsWhichMatchSkipsDeletedAndBreaksDownByKey) {
  TTestWordList l;
  l.Fill({{u"cat", 3}, {u"tree", 3}, {u"cat", 1}, {u"dog", 3}});
  l.DeleteOne(0, true);
  TWordProbe probe({u"cat", u"dog"});
  EXPECT_EQ(l.ItemsWhichMatchProbe(probe, 1, false), (T1LongintList{2, 3}));
  EXPECT_EQ(l.ItemsWhichMatchProbe(probe, 1, true), (T1LongintList{0, 2, 3}));
  EXPECT_EQ(l.ItemsWhichMatchBreakdownProbe(probe, 1, 2, u"3"), (T1LongintList{0, 3}));
}

TEST(ListDuplicates, LaterDuplicatesAreMarkedOnce) {
  TTestWordList l;
  l.Fill({{u"a", 1}, {u"a", 2}, {u"a", 3}});
  TDuplicatesResult r;
  l.RemoveDuplicates(r);
  EXPECT_EQ(std::pair(r.first_index, r.deleted), std::pair(0, 2));
  EXPECT_EQ(l.Shown(), "a a- a-");
  // Run again: nothing new is marked.
  l.RemoveDuplicates(r);
  EXPECT_EQ(std::pair(r.first_index, r.deleted), std::pair(-1, 0));

  TTestWordList k;
  k.Fill({{u"b", 1}, {u"a", 1}, {u"b", 1}, {u"a", 1}, {u"a", 1}, {u"c", 1}});
  ASSERT_TRUE(k.SortAlphabeticallyAscending());
  k.DeleteOne(1, true);
  k.RemoveDuplicates(r);
  EXPECT_EQ(std::pair(r.first_index, r.deleted), std::pair(0, 2));
  EXPECT_EQ(k.Shown(), "a a- a- b b- c");
  // A stop request leaves everything as it is; the progress call-back is told.
  TTestWordList big;
  for (int i = 0; i < 300; ++i) big.AddWord(i % 2 ? u"x" : u"y");
  int calls = 0, last = -1;
  global_panic_state = kPanicStopNow;
  big.RemoveDuplicates(r, [&](int32_t p, bool) { ++calls; last = p; });
  EXPECT_EQ(r.deleted, 0);
  ClearStopStateForNewJob();
  big.RemoveDuplicates(r, [&](int32_t p, bool) { ++calls; last = p; });
  EXPECT_EQ(std::pair(r.first_index, r.deleted), std::pair(0, 298));
  EXPECT_GT(calls, 0);
  EXPECT_EQ(last, 50);  // the walk jumps from the first x to the first y
}

TEST(ListMerge, EntriesMoveOnlyWhenTheChecksPass) {
  TTestWordList a, b, stats(nullptr, 19);
  a.Fill({{u"cat", 1}, {u"dog", 2}});
  b.Fill({{u"go", 3}, {u"went", 4}});
  stats.AddWord(u"x.txt");
  ASSERT_TRUE(b.Join(0, 1, false));

  EXPECT_FALSE(a.MergeWith(&stats) || a.MergeWith(&a) || a.MergeWith(nullptr));
  EXPECT_EQ(a.Shown(), "cat dog");
  EXPECT_EQ(stats.Shown(), "x.txt");

  EXPECT_TRUE(a.MergeWith(&b));
  EXPECT_EQ(a.Shown(), "cat dog go> went<");
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(a.Get(2)->List(), &a);
  EXPECT_EQ(a.GetJoinListAndDetails(2).size(), 1u);
}

TEST(ListFreeRoutines, ZipEntryCount) {
  TempFolder tmp;
  EXPECT_EQ(ZipEntryCount(tmp.Path() + u"missing.zip"), 0);
  EXPECT_EQ(ZipEntryCount(tmp.Write(u"a.zip", "PK\x03\x04 not really")), 0);
  const UString zip_name = tmp.Path() + u"b.zip";
  TZipForge zip;
  zip.SetFileName(zip_name);
  ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::ReadWrite));
  TMemoryStream one(std::vector<uint8_t>{1}), two(std::vector<uint8_t>{2});
  ASSERT_TRUE(zip.AddFromStream(u"one.txt", one) && zip.AddFromStream(u"sub/two.txt", two));
  ASSERT_TRUE(zip.CloseArchive());
  EXPECT_EQ(ZipEntryCount(zip_name), 2);
}
