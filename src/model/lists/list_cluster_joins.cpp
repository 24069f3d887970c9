// Joining rows whose words hold one another (TVXBaseLemmaMatchCapableList::JoinClusters).
//
// The rule compares every row with every later row. A row's words, followed by a blank, occur at
// the start of another row's words or after a blank there exactly when its blank-separated pieces
// are a run of the other's pieces; so instead of comparing every pair, each row's runs of pieces
// are looked up among the rows' whole texts, which gives every related pair at once. The pairs are
// then taken in the rule's order (row i, then its later rows j ascending), so the joins the list
// makes, and those it refuses, are the same as the walk over every pair gives.
//
// The look-up is a table of the texts' 64-bit hashes (open addressing, rows of one hash chained);
// a run's hash is made piece by piece as the run grows, and only a hash that matches is compared
// character by character. Related pairs are bucketed by their lower row.
#include <algorithm>
#include <string_view>

#include "model/documents/work_base.h"
#include "platform/runtime/vx_runtime.h"

namespace {

constexpr uint8_t kLowerInHigher = 1;  // the lower row's words lie in the higher row's
constexpr uint8_t kHigherInLower = 2;
constexpr int kProgressEvery = 64;
constexpr uint64_t kHashStart = 1469598103934665603ull;
constexpr uint64_t kHashStep = 1099511628211ull;

inline uint64_t HashUnit(uint64_t h, char16_t c) { return (h ^ c) * kHashStep; }
// Keeps 0 free as the empty slot's mark.
inline uint64_t Finish(uint64_t h) { return h == 0 ? 1 : h; }

uint64_t HashOf(std::u16string_view s) {
  uint64_t h = kHashStart;
  for (char16_t c : s) h = HashUnit(h, c);
  return Finish(h);
}

// The rows' texts by hash: slot -> the hash and the first row of that hash, then next_[row] ->
// the next one. Hash and row share a slot, so a probe costs one cache line.
class TTextTable {
 public:
  TTextTable(const std::vector<UString>& words, const std::vector<uint8_t>& exists)
      : words_(words), next_(words.size(), -1) {
    size_t size = 16;
    while (size < words.size() * 2) size <<= 1;
    mask_ = size - 1;
    slots_.assign(size, TSlot());
    for (size_t r = words.size(); r-- > 0;) {  // chains in ascending row order
      if (!exists[r]) continue;
      const uint64_t h = HashOf(words[r]);
      size_t slot = h & mask_;
      while (slots_[slot].hash != 0 && slots_[slot].hash != h) slot = (slot + 1) & mask_;
      slots_[slot].hash = h;
      next_[r] = slots_[slot].first;
      slots_[slot].first = static_cast<int32_t>(r);
    }
  }
  // Calls take(row) for every row whose text is text (hash given).
  template <typename F>
  void ForEachRowOf(std::u16string_view text, uint64_t hash, F&& take) const {
    size_t slot = hash & mask_;
    while (slots_[slot].hash != 0 && slots_[slot].hash != hash) slot = (slot + 1) & mask_;
    if (slots_[slot].hash == 0) return;
    for (int32_t r = slots_[slot].first; r >= 0; r = next_[static_cast<size_t>(r)])
      if (std::u16string_view(words_[static_cast<size_t>(r)]) == text) take(r);
  }

 private:
  struct TSlot {
    uint64_t hash = 0;
    int32_t first = -1;
  };
  const std::vector<UString>& words_;
  std::vector<int32_t> next_;
  std::vector<TSlot> slots_;
  size_t mask_ = 0;
};

// Every run of blank-separated pieces of word (empty pieces between blanks count), as views into
// it with their hashes.
template <typename F>
void ForEachRunOfPieces(std::u16string_view word, std::vector<size_t>& starts, F&& take) {
  starts.clear();
  starts.push_back(0);
  for (size_t k = 0; k < word.size(); ++k)
    if (word[k] == u' ') starts.push_back(k + 1);
  for (size_t start : starts) {
    uint64_t h = kHashStart;
    for (size_t k = start;; ++k) {
      if (k == word.size() || word[k] == u' ') {
        take(word.substr(start, k - start), Finish(h));
        if (k == word.size()) break;
      }
      h = HashUnit(h, word[k]);
    }
  }
}

}  // namespace

int32_t TVXBaseLemmaMatchCapableList::JoinClusters(bool small_to_large) {
  ClearStopStateForNewJob();
  const int n = Count();
  if (n <= 0) return 0;
  std::vector<UString> words(static_cast<size_t>(n));
  std::vector<uint8_t> exists(static_cast<size_t>(n), 0);
  for (int i = 0; i < n; ++i)
    if (TVXBaseListObject* e = Get(i)) {
      words[static_cast<size_t>(i)] = e->MainWordOnly();
      exists[static_cast<size_t>(i)] = 1;
    }

  // Related pairs, bucketed by their lower row: (higher row << 2 | how).
  std::vector<uint32_t> count(static_cast<size_t>(n) + 1, 0);
  std::vector<std::pair<int32_t, uint32_t>> pairs;
  {
    const TTextTable table(words, exists);
    std::vector<size_t> starts;
    for (int r = 0; r < n; ++r) {
      if (!exists[static_cast<size_t>(r)]) continue;
      ForEachRunOfPieces(words[static_cast<size_t>(r)], starts, [&](std::u16string_view run, uint64_t hash) {
        table.ForEachRowOf(run, hash, [&](int32_t q) {
          if (q == r) return;
          // q's words lie in r's.
          if (q < r) pairs.emplace_back(q, static_cast<uint32_t>(r) << 2 | kLowerInHigher);
          else pairs.emplace_back(r, static_cast<uint32_t>(q) << 2 | kHigherInLower);
        });
      });
      if ((r & 0xFFF) == 0) MyYieldProcess();
    }
  }
  for (const auto& p : pairs) ++count[static_cast<size_t>(p.first) + 1];
  for (size_t i = 1; i < count.size(); ++i) count[i] += count[i - 1];
  std::vector<uint32_t> later(pairs.size());
  {
    std::vector<uint32_t> at(count.begin(), count.end() - 1);
    for (const auto& p : pairs) later[at[static_cast<size_t>(p.first)]++] = p.second;
    pairs = {};
  }

  int32_t joins = 0;
  for (int i = 0; i < n && !StopRequested(kPanicEndOfText); ++i) {
    if (i % kProgressEvery == 0) {
      DoProgressMessage(words[static_cast<size_t>(i)]);
      DoProgressPercent(static_cast<int32_t>(int64_t{i} * 100 / n));
    }
    const auto first = later.begin() + count[static_cast<size_t>(i)];
    const auto last = later.begin() + count[static_cast<size_t>(i) + 1];
    if (first == last) continue;
    // A text of one character (a blank after nothing) holds and is held by nothing.
    if (!exists[static_cast<size_t>(i)] || words[static_cast<size_t>(i)].empty()) continue;
    std::sort(first, last);
    for (auto k = first; k != last;) {
      const int32_t j = static_cast<int32_t>(*k >> 2);
      uint8_t how = 0;
      for (; k != last && static_cast<int32_t>(*k >> 2) == j; ++k) how |= static_cast<uint8_t>(*k & 3);
      if (!Get(j) || Get(i)->JoinedTo()) continue;
      bool joined = false;
      if (how & kLowerInHigher) joined = small_to_large ? Join(j, i, false) : Join(i, j, false);
      else joined = small_to_large ? Join(i, j, false) : Join(j, i, false);
      if (joined) ++joins;
    }
    if ((i & 0x3F) == 0) MyYieldProcess();
  }
  return joins;
}
