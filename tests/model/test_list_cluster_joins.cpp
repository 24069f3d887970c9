// Joining rows by the rule of clusters: a row's words (with a blank after them) found at the
// start of another row's or after a blank there; both directions worked out by hand, and the
// indexed walk against a plain walk over every pair on random lists.
#include <gtest/gtest.h>

#include <random>

#include "work_test_list.h"

namespace {

// The rule as it is written: every row with every later row, the text sought anywhere and kept
// only at the start or after a blank.
bool HoldsAsWords(const UString& haystack, const UString& needle) {
  for (size_t at = haystack.find(needle); at != UString::npos; at = haystack.find(needle, at + 1))
    if (at == 0 || haystack[at - 1] == u' ') return true;
  return false;
}

int PairwiseJoinClusters(TTestWordList& list, bool small_to_large) {
  int joins = 0;
  for (int i = 0; i < list.Count(); ++i) {
    if (!list.Get(i)) continue;
    const UString a = list.WordAt(i) + u" ";
    if (a.size() <= 1) continue;
    for (int j = i + 1; j < list.Count(); ++j) {
      if (!list.Get(j) || list.Get(i)->JoinedTo()) continue;
      const UString b = list.WordAt(j) + u" ";
      bool joined = false;
      if (HoldsAsWords(b, a)) joined = small_to_large ? list.Join(j, i, false) : list.Join(i, j, false);
      else if (HoldsAsWords(a, b)) joined = small_to_large ? list.Join(i, j, false) : list.Join(j, i, false);
      joins += joined ? 1 : 0;
    }
  }
  return joins;
}

// Each row's head (its index), -1 for a row joined to none.
std::vector<int> Heads(const TTestWordList& list) {
  std::vector<int> out;
  for (int i = 0; i < list.Count(); ++i) {
    const TVXBaseListObject* head = list.Get(i) ? list.Get(i)->JoinedTo() : nullptr;
    int at = -1;
    for (int k = 0; k < list.Count() && head; ++k)
      if (list.Get(k) == head) at = k;
    out.push_back(at);
  }
  return out;
}

}  // namespace

TEST(ListClusterJoins, BothDirectionsAsWorkedOutByHand) {
  struct Case {
    bool small_to_large;
    std::vector<int> heads;
    int joins;
  } const cases[] = {
      // "the" under "the end" (its first holder; once joined it goes nowhere else); "the end",
      // a head now, cannot go under "the end of the" but takes "end"; "end of the" under "the
      // end of the"; "end", already joined, stays where it is; "he" nowhere.
      {true, {1, -1, -1, 4, -1, 1}, 3},
      // Each longer entry under the first shorter entry it holds: all three under "the"; "end"
      // meets only rows already joined.
      {false, {-1, 0, -1, 0, 0, -1}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.small_to_large);
    TTestWordList list;
    list.Fill({{u"the", 9}, {u"the end", 4}, {u"he", 3}, {u"end of the", 2}, {u"the end of the", 1}, {u"end", 5}});
    EXPECT_EQ(list.JoinClusters(c.small_to_large), c.joins);
    EXPECT_EQ(Heads(list), c.heads);
  }
}

TEST(ListClusterJoins, WholeWordsOnlyEqualWordsAndEmptyRows) {
  struct Case {
    std::vector<const char16_t*> words;
    std::vector<int> heads;  // small to large
  } const cases[] = {
      {{u"he", u"the end"}, {-1, -1}},       // "he" is no word of "the end"
      {{u"at", u"cat sat"}, {-1, -1}},
      {{u"sat", u"cat sat"}, {1, -1}},       // at the end, after a blank
      {{u"cat", u"cat sat"}, {1, -1}},       // at the start
      {{u"a b", u"x a b y"}, {1, -1}},       // a run of words inside
      {{u"a b", u"a x b"}, {-1, -1}},        // the words apart are no run
      {{u"dog", u"dog"}, {1, -1}},           // equal words: the earlier under the later
      {{u"", u"the end"}, {-1, -1}},         // an empty row holds nothing
      {{u"end", u"the  end"}, {1, -1}},      // a double blank still ends a word
  };
  for (const Case& c : cases) {
    TTestWordList list;
    for (const char16_t* w : c.words) list.AddWord(w);
    list.JoinClusters(true);
    EXPECT_EQ(Heads(list), c.heads) << Utf16ToUtf8(c.words[0]) << " / " << Utf16ToUtf8(c.words[1]);
  }
}

TEST(ListClusterJoins, TheIndexedWalkJoinsAsThePairwiseWalkOnRandomLists) {
  std::mt19937 random(20240611);
  const std::vector<UString> pieces = {u"a", u"b", u"ab", u"the", u"he", u"end", u""};
  for (int round = 0; round < 300; ++round) {
    const int rows = 1 + static_cast<int>(random() % 24);
    std::vector<UString> words;
    for (int r = 0; r < rows; ++r) {
      const int n = 1 + static_cast<int>(random() % 4);
      UString w;
      for (int k = 0; k < n; ++k) w += (k ? u" " : u"") + pieces[random() % pieces.size()];
      words.push_back(w);
    }
    const bool small_to_large = (random() & 1) != 0;
    TTestWordList indexed, pairwise;
    for (const UString& w : words) {
      indexed.AddWord(w);
      pairwise.AddWord(w);
    }
    // A row taken out of a list leaves an empty slot the walks pass over.
    if (rows > 3 && random() % 3 == 0) {
      const int gone = static_cast<int>(random() % rows);
      for (TTestWordList* l : {&indexed, &pairwise}) {
        TVXBaseListObject* e = l->Get(gone);
        l->Put(gone, nullptr);
        delete e;
      }
    }
    const int joins = indexed.JoinClusters(small_to_large);
    EXPECT_EQ(joins, PairwiseJoinClusters(pairwise, small_to_large)) << round;
    ASSERT_EQ(Heads(indexed), Heads(pairwise)) << "round " << round;
  }
}
