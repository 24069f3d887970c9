#include "wordlist/combinations.h"

#include <algorithm>
#include <bit>
#include <thread>

namespace {

// A combination of a cluster: its types from s, w of them, element g the gap.
struct TComb {
  int32_t s, w, g;
};

template <class F>
void ForEachComb(int32_t length, F f) {
  for (int32_t w = length; w >= 3; --w)
    for (int32_t g = 1; g < w; ++g)
      for (int32_t s = 0; s + w <= length; ++s) f(TComb{s, w, g});
}

uint64_t HashOfComb(const uint32_t* types, const TComb& c) {
  uint64_t h = 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(c.w + 1);
  for (int32_t k = 0; k < c.w; ++k) {
    const uint32_t t = k == c.g ? kFrameGap : types[c.s + k];
    h = (h ^ t) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
  }
  return h ^ (h >> 29);
}

bool SameComb(const uint32_t* a, const TComb& ca, const uint32_t* b, const TComb& cb) {
  if (ca.w != cb.w || ca.g != cb.g) return false;
  for (int32_t k = 0; k < ca.w; ++k)
    if (k != ca.g && a[ca.s + k] != b[cb.s + k]) return false;
  return true;
}

TTypeRecArray PatternOf(const uint32_t* types, const TComb& c) {
  TTypeRecArray p(static_cast<size_t>(c.w));
  for (int32_t k = 0; k < c.w; ++k) p[static_cast<size_t>(k)] = k == c.g ? kFrameGap : types[c.s + k];
  return p;
}

}  // namespace

void TGappedComb::Generate(const TTypeRecArray& pattern) {
  combis.clear();
  const int32_t length = static_cast<int32_t>(pattern.size());
  ForEachComb(length, [&](const TComb& c) {
    TTypeRecArray p = PatternOf(pattern.data(), c);
    // A pattern with a repeated word gives some combinations more than once: each counts once.
    if (std::find(combis.begin(), combis.end(), p) == combis.end()) combis.push_back(std::move(p));
  });
}

void TPhraseFramesList::Clear() {
  lowest_inserted = 0x7FFFFFFF;
  highest_inserted = 0;
  longest_inserted = 0;
  shortest_inserted = 0x7FFFFFFF;
  rows_.clear();
  freqs_.clear();
  types_.clear();
  types_at_.assign(1, 0);
}

int32_t TPhraseFramesList::AddANeighbourRec(void* row, int32_t frequency, const TTypeRecArray& types) {
  const int32_t length = static_cast<int32_t>(types.size());
  shortest_inserted = std::min(shortest_inserted, length);
  longest_inserted = std::max(longest_inserted, length);
  if (!types.empty()) {
    lowest_inserted = std::min(lowest_inserted, types.front());
    highest_inserted = std::max(highest_inserted, types.front());
  }
  rows_.push_back(row);
  freqs_.push_back(frequency);
  types_.insert(types_.end(), types.begin(), types.end());
  types_at_.push_back(static_cast<uint32_t>(types_.size()));
  return static_cast<int32_t>(rows_.size()) - 1;
}

bool TPhraseFramesList::PhraseFrames(const std::function<bool(const TPhraseFrame_Rec&)>& add, int32_t threads) const {
  const int32_t workers = std::max(1, threads);
  const int32_t clusters = Count();
  // The occurrences of a frame are counted through the shortest clusters that begin with it
  // (of its own length, or of the shortest length counted when it is shorter): a longer cluster
  // beginning with it, or holding it further in, repeats occurrences that such a cluster holds.
  auto counts = [shortest = shortest_inserted](const TComb& comb, int32_t length) {
    return comb.s == 0 && length == std::max(comb.w, shortest);
  };
  std::vector<std::vector<TPhraseFrame_Rec>> found(static_cast<size_t>(workers));
  // Worker `share` keeps the combinations whose hash falls in its share.
  auto work = [&](int32_t share) {
    struct TFrame {
      uint64_t hash;
      int32_t cluster;  // the first cluster giving it, with the combination below
      TComb comb;
      int64_t frequency;
      int32_t first_item, last_item, count;
    };
    struct TItem {
      int32_t cluster, next;
    };
    std::vector<TFrame> frames;
    std::vector<TItem> items;
    std::vector<int32_t> slots(1024, -1);
    auto grow = [&]() {
      std::vector<int32_t> bigger(slots.size() * 2, -1);
      const size_t mask = bigger.size() - 1;
      for (size_t f = 0; f < frames.size(); ++f) {
        size_t i = static_cast<size_t>(frames[f].hash) & mask;
        while (bigger[i] >= 0) i = (i + 1) & mask;
        bigger[i] = static_cast<int32_t>(f);
      }
      slots.swap(bigger);
    };
    for (int32_t c = 0; c < clusters; ++c) {
      const uint32_t* types = types_.data() + types_at_[static_cast<size_t>(c)];
      const int32_t length = static_cast<int32_t>(types_at_[static_cast<size_t>(c) + 1] - types_at_[static_cast<size_t>(c)]);
      ForEachComb(length, [&](const TComb& comb) {
        const uint64_t h = HashOfComb(types, comb);
        if (static_cast<int32_t>((h >> 40) % static_cast<uint64_t>(workers)) != share) return;
        const size_t mask = slots.size() - 1;
        size_t i = static_cast<size_t>(h) & mask;
        for (; slots[i] >= 0; i = (i + 1) & mask) {
          TFrame& f = frames[static_cast<size_t>(slots[i])];
          if (f.hash != h) continue;
          const uint32_t* other = types_.data() + types_at_[static_cast<size_t>(f.cluster)];
          if (!SameComb(types, comb, other, f.comb)) continue;
          // Once per cluster: a cluster meets its own combination again only after its own item,
          // and at a later start, so that the first meeting is the one that may count.
          if (items[static_cast<size_t>(f.last_item)].cluster == c) return;
          items.push_back({c, -1});
          items[static_cast<size_t>(f.last_item)].next = static_cast<int32_t>(items.size()) - 1;
          f.last_item = static_cast<int32_t>(items.size()) - 1;
          if (counts(comb, length)) f.frequency += freqs_[static_cast<size_t>(c)];
          ++f.count;
          return;
        }
        items.push_back({c, -1});
        const int32_t item = static_cast<int32_t>(items.size()) - 1;
        const int64_t frequency = counts(comb, length) ? freqs_[static_cast<size_t>(c)] : 0;
        frames.push_back({h, c, comb, frequency, item, item, 1});
        slots[i] = static_cast<int32_t>(frames.size()) - 1;
        if (frames.size() * 2 > slots.size()) grow();
      });
    }
    std::vector<TPhraseFrame_Rec>& out = found[static_cast<size_t>(share)];
    for (const TFrame& f : frames) {
      // A frame no cluster begins with has no occurrence counted: it is not one.
      if (f.count < 2 || f.frequency == 0 || f.frequency < min_freq) continue;
      TPhraseFrame_Rec rec;
      rec.frequency = f.frequency;
      rec.pattern = PatternOf(types_.data() + types_at_[static_cast<size_t>(f.cluster)], f.comb);
      for (int32_t k = f.first_item; k >= 0; k = items[static_cast<size_t>(k)].next)
        rec.entries.push_back(items[static_cast<size_t>(k)].cluster);
      out.push_back(std::move(rec));
    }
  };
  if (workers == 1) {
    work(0);
  } else {
    std::vector<std::thread> pool;
    for (int32_t w = 0; w < workers; ++w) pool.emplace_back(work, w);
    for (std::thread& t : pool) t.join();
  }
  std::vector<const TPhraseFrame_Rec*> all;
  for (const auto& share : found)
    for (const TPhraseFrame_Rec& f : share) all.push_back(&f);
  std::sort(all.begin(), all.end(), [](const TPhraseFrame_Rec* a, const TPhraseFrame_Rec* b) {
    return CompareTypeSequences(a->pattern, b->pattern) < 0;
  });
  for (const TPhraseFrame_Rec* f : all)
    if (!add(*f)) return false;
  return true;
}
