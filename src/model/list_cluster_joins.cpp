// Joining rows whose words hold one another (TVXBaseLemmaMatchCapableList::JoinClusters).
//
// The rule compares every row with every later row. A row's words, followed by a blank, occur at
// the start of another row's words or after a blank there exactly when its blank-separated pieces
// are a run of the other's pieces; so instead of comparing every pair, each row's runs of pieces
// are looked up among the rows' whole texts, which gives every related pair at once. The pairs are
// then taken in the rule's order (row i, then its later rows j ascending), so the joins the list
// makes, and those it refuses, are the same as the walk over every pair gives.
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "model/work_base.h"
#include "platform/runtime/vx_runtime.h"

namespace {

// A related pair, lower row first: what the lower row's words are to the higher row's.
struct TRelatedRows {
  int32_t lower = 0;
  int32_t higher = 0;
  uint8_t how = 0;  // kLowerInHigher | kHigherInLower
  bool operator<(const TRelatedRows& o) const { return lower != o.lower ? lower < o.lower : higher < o.higher; }
};
constexpr uint8_t kLowerInHigher = 1;
constexpr uint8_t kHigherInLower = 2;
constexpr int kProgressEvery = 64;

// Every run of blank-separated pieces of word (empty pieces between blanks count), as views into it.
template <typename F>
void ForEachRunOfPieces(std::u16string_view word, F&& take) {
  std::vector<size_t> starts{0}, ends;
  for (size_t k = 0; k < word.size(); ++k)
    if (word[k] == u' ') {
      ends.push_back(k);
      starts.push_back(k + 1);
    }
  ends.push_back(word.size());
  for (size_t s = 0; s < starts.size(); ++s)
    for (size_t e = s; e < ends.size(); ++e) take(word.substr(starts[s], ends[e] - starts[s]));
}

}  // namespace

int32_t TVXBaseLemmaMatchCapableList::JoinClusters(bool small_to_large) {
  ClearStopStateForNewJob();
  const int n = Count();
  std::vector<UString> words(static_cast<size_t>(std::max(n, 0)));
  std::unordered_map<std::u16string_view, std::vector<int32_t>> rows_of;
  for (int i = 0; i < n; ++i)
    if (TVXBaseListObject* e = Get(i)) words[static_cast<size_t>(i)] = e->MainWordOnly();
  for (int i = 0; i < n; ++i)
    if (Get(i)) rows_of[words[static_cast<size_t>(i)]].push_back(i);

  std::vector<TRelatedRows> related;
  for (int r = 0; r < n; ++r) {
    if (!Get(r)) continue;
    ForEachRunOfPieces(words[static_cast<size_t>(r)], [&](std::u16string_view run) {
      const auto it = rows_of.find(run);
      if (it == rows_of.end()) return;
      for (int32_t q : it->second) {
        if (q == r) continue;
        // q's words lie in r's.
        if (q < r) related.push_back({q, r, kLowerInHigher});
        else related.push_back({r, q, kHigherInLower});
      }
    });
    if ((r & 0xFFF) == 0) MyYieldProcess();
  }
  std::sort(related.begin(), related.end());

  int32_t joins = 0;
  size_t k = 0;
  for (int i = 0; i < n && !StopRequested(kPanicEndOfText); ++i) {
    if (i % kProgressEvery == 0) {
      DoProgressMessage(words[static_cast<size_t>(i)]);
      DoProgressPercent(static_cast<int32_t>(int64_t{i} * 100 / std::max(n, 1)));
    }
    while (k < related.size() && related[k].lower < i) ++k;
    // A text of one character (a blank after nothing) holds and is held by nothing.
    const bool takes_part = Get(i) && !words[static_cast<size_t>(i)].empty();
    while (k < related.size() && related[k].lower == i) {
      const int32_t j = related[k].higher;
      uint8_t how = related[k].how;
      while (++k < related.size() && related[k].lower == i && related[k].higher == j) how |= related[k].how;
      if (!takes_part || !Get(j) || Get(i)->JoinedTo()) continue;
      bool joined = false;
      if (how & kLowerInHigher) joined = small_to_large ? Join(j, i, false) : Join(i, j, false);
      else joined = small_to_large ? Join(i, j, false) : Join(j, i, false);
      if (joined) ++joins;
    }
    MyYieldProcess();
  }
  return joins;
}
