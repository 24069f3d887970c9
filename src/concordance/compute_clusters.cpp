#include "concordance/compute_clusters.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <string>
#include <vector>

#include "concordance/clusters_list.h"
#include "concordance/concordance_list.h"
#include "concordance/line_sections.h"
#include "platform/runtime/vx_runtime.h"

void ClusterReachPositions(int16_t reach_left, int16_t reach_right, int& left_start, int& right_end) {
  const int l = static_cast<uint8_t>(reach_left & 0xFF), r = static_cast<uint8_t>(reach_right & 0xFF);
  left_start = std::clamp(kSpanCentre - l, kSpanLowest, kSpanHighest);
  right_end = std::clamp(kSpanCentre + r, kSpanLowest, kSpanHighest);
}

namespace {

struct THolder {
  std::vector<int32_t> ids;  // word numbers of the cluster
  int32_t frequency = 0;
  int32_t length = 0;
  std::vector<int32_t> related;  // holder indexes
};

constexpr int kPositions = kSpanHighest + 1;

// Counts runs of word numbers in an open-addressed table: a run is hashed as it grows, one
// word at a time, and its words are stored once, in a shared pool, when it is first met.
class TRunCounter {
 public:
  struct TEntry {
    uint64_t hash;
    uint32_t offset;
    uint32_t length;
    int32_t count;
  };
  static uint64_t Extend(uint64_t hash, int32_t id) {
    return (hash ^ static_cast<uint32_t>(id)) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
  }
  void Add(const int32_t* ids, uint32_t length, uint64_t hash) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const int32_t e = slots_[i];
      if (e < 0) {
        slots_[i] = static_cast<int32_t>(entries_.size());
        entries_.push_back({hash, static_cast<uint32_t>(pool_.size()), length, 1});
        pool_.insert(pool_.end(), ids, ids + length);
        return;
      }
      TEntry& x = entries_[static_cast<size_t>(e)];
      if (x.hash == hash && x.length == length && std::equal(ids, ids + length, pool_.begin() + x.offset)) {
        ++x.count;
        return;
      }
    }
  }
  const std::vector<TEntry>& Entries() const { return entries_; }
  std::vector<int32_t> Ids(const TEntry& e) const {
    return std::vector<int32_t>(pool_.begin() + e.offset, pool_.begin() + e.offset + e.length);
  }

 private:
  void Grow() {
    slots_.assign(std::max<size_t>(1024, slots_.size() * 2), -1);
    const size_t mask = slots_.size() - 1;
    for (size_t k = 0; k < entries_.size(); ++k) {
      size_t i = entries_[k].hash & mask;
      while (slots_[i] >= 0) i = (i + 1) & mask;
      slots_[i] = static_cast<int32_t>(k);
    }
  }
  std::vector<int32_t> slots_;
  std::vector<TEntry> entries_;
  std::vector<int32_t> pool_;
};

UString TextOf(const TCountingWords& words, const std::vector<int32_t>& ids) {
  UString t;
  for (size_t k = 0; k < ids.size(); ++k) {
    if (k) t += u' ';
    t += words.Word(ids[k]);
  }
  return t;
}

// Each pair where one cluster's words are a run of the other's is related, once: every longer
// cluster looks its shorter runs up. A word of the counted form may hold blanks (a search word
// of several words), so containment is checked on the texts' words as well as the runs.
void FindRelatedClusters(std::vector<THolder>& holders, const std::vector<UString>& texts) {
  std::unordered_map<UString, int32_t> index;
  index.reserve(holders.size() * 2);
  for (size_t i = 0; i < holders.size(); ++i) index.emplace(texts[i], static_cast<int32_t>(i));
  std::vector<size_t> starts;
  for (size_t j = 0; j < holders.size(); ++j) {
    if (StopRequested(kPanicStopNow)) return;
    if ((j & 1023) == 0) MyYieldProcess();
    const UString& t = texts[j];
    starts.clear();
    starts.push_back(0);
    for (size_t c = 0; c < t.size(); ++c)
      if (t[c] == u' ') starts.push_back(c + 1);
    const size_t n = starts.size();
    for (size_t a = 0; a < n; ++a)
      for (size_t b = a + 1; b <= n; ++b) {
        if (a == 0 && b == n) continue;
        const size_t from = starts[a];
        const size_t to = b < n ? starts[b] - 1 : t.size();
        auto it = index.find(UString(t.substr(from, to - from)));
        if (it == index.end()) continue;
        const int32_t i = it->second;
        if (holders[static_cast<size_t>(i)].length >= holders[j].length) continue;
        holders[static_cast<size_t>(i)].related.push_back(static_cast<int32_t>(j));
        holders[j].related.push_back(i);
      }
  }
}

UString RelatedLine(const std::vector<THolder>& holders, const std::vector<UString>& texts,
                    std::vector<int32_t> related) {
  std::sort(related.begin(), related.end());
  related.erase(std::unique(related.begin(), related.end()), related.end());
  UString line;
  for (int32_t k : related) {
    if (!line.empty()) line += u',';
    line += texts[static_cast<size_t>(k)] + u" (" + IntToUStr(holders[static_cast<size_t>(k)].frequency) + u")";
  }
  return line;
}

}  // namespace

bool ComputeClusters(const TConcordanceList& lines, const TClusterRunSettings& settings,
                     TConcordanceClusterList& list, int32_t& highest) {
  list.Clear();
  highest = 0;
  int left_start = 0, right_end = 0;
  ClusterReachPositions(settings.reach_left, settings.reach_right, left_start, right_end);
  const int n_lines = lines.Count();
  if (n_lines == 0) return false;
  TCountingWords words(settings.count);
  TRunCounter counts;
  std::array<int32_t, kPositions> ids{};
  std::array<uint8_t, kPositions> barriers{};
  const int smallest = settings.smallest, largest = settings.largest;
  for (int i = 0; i < n_lines; ++i) {
    if (StopRequested(kPanicStopNow)) break;
    if (lines.GetDeleted(i)) continue;
    const TConcordanceEntry* line = lines.Line(i);
    if (!line || line->Text().empty()) continue;
    if ((i & 1023) == 0) MyYieldProcess();
    // Only the positions a cluster can reach are fetched.
    for (int p = left_start; p < right_end; ++p) {
      ids[static_cast<size_t>(p)] = words.At(*line, p);
      barriers[static_cast<size_t>(p)] = WordAtSpanPosition(*line, p).barrier;
    }
    for (int start = left_start; start < right_end; ++start) {
      if (ids[static_cast<size_t>(start)] < 0) continue;
      // One walk serves every size: the run of size L is the first L words, and a run that
      // fails at a position fails for every longer size too.
      uint64_t hash = 0;
      for (int p = start; p < right_end && p - start < largest; ++p) {
        const int32_t id = ids[static_cast<size_t>(p)];
        if (id < 0) break;
        hash = TRunCounter::Extend(hash, id);
        const int size = p - start + 1;
        if (size >= smallest) counts.Add(&ids[static_cast<size_t>(start)], static_cast<uint32_t>(size), hash);
        const uint8_t barrier = barriers[static_cast<size_t>(p)];
        if (barrier != 0 && barrier >= settings.stop_at) break;
      }
    }
  }
  std::vector<THolder> holders;
  std::vector<UString> texts;
  for (const TRunCounter::TEntry& e : counts.Entries()) {
    highest = std::max(highest, e.count);
    if (e.count < settings.count.min_frequency) continue;
    THolder h;
    h.ids = counts.Ids(e);
    h.frequency = e.count;
    holders.push_back(std::move(h));
  }
  for (THolder& h : holders) {
    texts.push_back(TextOf(words, h.ids));
    h.length = ClusterWordCount(texts.back());
  }
  std::vector<size_t> order(holders.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return holders[a].frequency != holders[b].frequency ? holders[a].frequency > holders[b].frequency
                                                        : texts[a] < texts[b];
  });
  {
    std::vector<THolder> h2;
    std::vector<UString> t2;
    h2.reserve(order.size());
    t2.reserve(order.size());
    for (size_t k : order) {
      h2.push_back(std::move(holders[k]));
      t2.push_back(std::move(texts[k]));
    }
    holders = std::move(h2);
    texts = std::move(t2);
  }
  if (smallest != largest) FindRelatedClusters(holders, texts);
  for (size_t k = 0; k < holders.size(); ++k) {
    auto* e = static_cast<TConcordanceClusterEntry*>(list.NewEntry());
    e->rec.frequency = holders[k].frequency;
    e->rec.cluster_length = holders[k].length;
    e->rec.related_line = RelatedLine(holders, texts, holders[k].related);
    list.Add(e);
  }
  for (size_t k = 0; k < holders.size(); ++k) list.Row(static_cast<int>(k))->rec.line = std::move(texts[k]);
  if (list.Count() > 0) list.change_state |= 8;
  return list.Count() > 0;
}
