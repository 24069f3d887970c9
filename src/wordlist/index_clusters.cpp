#include "wordlist/index_clusters.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <span>
#include <stdexcept>
#include <unordered_set>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "wordlist/run_in_order.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

int CompareTypeSequences(const TTypeRecArray& a, const TTypeRecArray& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

bool ClusterBreaksAfter(uint32_t marker, uint8_t stop_at) {
  if (marker >= kMarkTextEnd) return true;
  switch (stop_at) {
    case 1: return marker >= 1;
    case 2: return marker >= 2;
    case 3:
    case 4:
    case 5: return marker >= 4;
    default: return false;
  }
}

// --- the neighbour tree --------------------------------------------------------------------------

TNeighbourTree::TNeighbourTree(TVXStatsList* AStatsList, const TWordlistIndexSettingsRec& settings)
    : stats(AStatsList),
      slots_(256, -1),
      min_frequency_(settings.ClusterMinFrequency()),
      min_texts_(settings.ClusterMinTexts()),
      keep_positions_(settings.ClusterKeepPositions()) {}

namespace {

uint64_t HashOfSequence(const uint32_t* types, int32_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(n + 1);
  for (int32_t k = 0; k < n; ++k) h = (h ^ types[k]) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
  return h ^ (h >> 29);
}

}  // namespace

void TNeighbourTree::Grow() {
  std::vector<int32_t> bigger(slots_.size() * 2, -1);
  const size_t mask = bigger.size() - 1;
  for (size_t c = 0; c < counts_.size(); ++c) {
    size_t i = static_cast<size_t>(counts_[c].hash) & mask;
    while (bigger[i] >= 0) i = (i + 1) & mask;
    bigger[i] = static_cast<int32_t>(c);
  }
  slots_.swap(bigger);
}

void TNeighbourTree::AddNGram(const uint32_t* types, int32_t n, int32_t file_number, int32_t byte) {
  current_filenumber = file_number;
  current_byte_pos = byte;
  const uint64_t h = HashOfSequence(types, n);
  const size_t mask = slots_.size() - 1;
  size_t i = static_cast<size_t>(h) & mask;
  for (; slots_[i] >= 0; i = (i + 1) & mask) {
    TCount& c = counts_[static_cast<size_t>(slots_[i])];
    if (c.hash != h || c.length != n || !std::equal(types, types + n, TypesOf(c))) continue;
    ++c.frequency;
    if (file_number != c.last_text) {
      ++c.texts;
      c.last_text = file_number;
    }
    if (keep_positions_) places_.push_back({slots_[i], file_number, byte});
    return;
  }
  slots_[i] = static_cast<int32_t>(counts_.size());
  TCount c{h, n, 1, 1, file_number, 0, {}};
  if (n <= kInline) {
    std::copy(types, types + n, c.types);
  } else {
    c.at = static_cast<uint32_t>(pool_.size());
    pool_.insert(pool_.end(), types, types + n);
  }
  counts_.push_back(c);
  if (keep_positions_) places_.push_back({slots_[i], file_number, byte});
  if (counts_.size() * 2 > slots_.size()) Grow();
}

void TNeighbourTree::Collect() {
  identical_neighbour_Rec_lists.clear();
  collected_.clear();
  most_frequent_cluster = 0;
  std::vector<int32_t> kept(counts_.size(), -1);
  for (size_t c = 0; c < counts_.size(); ++c) {
    const TCount& k = counts_[c];
    most_frequent_cluster = std::max(most_frequent_cluster, k.frequency);
    if (k.frequency < min_frequency_) continue;
    kept[c] = static_cast<int32_t>(collected_.size());
    TNeighbourRec r;
    r.texts = k.texts;
    r.last_text = k.last_text;
    r.frequency = k.frequency;
    r.types.assign(TypesOf(k), TypesOf(k) + k.length);
    collected_.push_back(std::move(r));
  }
  for (const TPlace& p : places_)
    if (kept[static_cast<size_t>(p.count)] >= 0)
      collected_[static_cast<size_t>(kept[static_cast<size_t>(p.count)])].positions.emplace_back(p.text, p.byte);
  std::sort(collected_.begin(), collected_.end(),
            [](const TNeighbourRec& a, const TNeighbourRec& b) { return CompareTypeSequences(a.types, b.types) < 0; });
  for (const TNeighbourRec& r : collected_) identical_neighbour_Rec_lists.push_back(&r);
}

// --- the walk ------------------------------------------------------------------------------------

namespace {

// What one base word gives: per neighbour tree, the clusters to report.
struct TBaseWordClusters {
  std::vector<std::vector<TNeighbourRec>> trees;
  int32_t most_frequent = 0;
  UString failure;
};

}  // namespace

std::vector<int32_t> TIndexHandler::FirstFilter(const TWordlistIndexSettingsRec& settings) {
  const double running = std::max(1, TotalTokensInIndex);
  const std::unordered_set<UString> selected(ItemsToProcess.begin(), ItemsToProcess.end());
  std::vector<int32_t> bases;
  for (int32_t t = 0; t < TypeCount(); ++t) {
    if (!TypeLoaded(t)) continue;
    const UString word(fTypes.Text(t));
    if (FoundInTheList(current_tool_var, word.c_str(), 1, lmsStop) != 0) continue;
    if (settings.ExcludeHashEntries() && word.find(u'#') != UString::npos) {
      HashNumber = t;
      continue;
    }
    if (process_selection != 0 && !selected.contains(word)) continue;
    const TIndexTypeFileRec& r = fTypes.Record(t);
    if (r.freq >= settings.FirstFilterMinFrequency() &&
        static_cast<float>(r.freq * 100.0 / running) <= settings.FirstFilterMaxPercent())
      bases.push_back(t);
  }
  return bases;
}

bool TIndexHandler::PlacesOfTypes(const std::vector<int32_t>& types, std::vector<int32_t>& flat,
                                  std::vector<int64_t>& at, UString& why) const {
  flat.clear();
  at.assign(types.size() + 1, 0);
  if (!fOk || !fTokenFileStream) {
    why = TokenOrderFilename + (fOk ? u": not open" : u": damaged, not read any further");
    return false;
  }
  const TTokensFileRec* recs = fTokenFileStream->Records();
  const int64_t n = fTokenFileStream->TokenEntries();
  if (!recs && n > 0) {
    why = TokenOrderFilename + u": could not be mapped";
    return false;
  }
  const int32_t type_count = TypeCount();
  auto damaged = [&](int32_t t, int64_t where) {
    why = TokenOrderFilename + u": damaged (the places of \"" + UString(fTypes.Text(t)) + u"\" at record " +
          IntToUStr(where) + u")";
    flat.clear();
    return false;
  };
  // Which of `types` each type is (-1: none), and where its places go.
  std::vector<int32_t> which(static_cast<size_t>(type_count), -1);
  for (size_t j = 0; j < types.size(); ++j) {
    const int32_t t = types[j];
    if (t < 0 || t >= type_count) {
      why = TokenOrderFilename + u": no such type";
      return false;
    }
    which[static_cast<size_t>(t)] = static_cast<int32_t>(j);
    const TIndexTypeFileRec& r = fTypes.Record(t);
    if (r.freq < 0 || at[j] + r.freq > n) return damaged(t, r.first_token_place);
    at[j + 1] = at[j] + r.freq;
  }
  flat.resize(static_cast<size_t>(at.back()));
  std::vector<int64_t> fill(at.begin(), at.end() - 1);
  for (int64_t i = 0; i < n; ++i) {
    const uint32_t t = TypeRecWithoutTextMarker(recs[i].word_type_number);
    if (t >= static_cast<uint32_t>(type_count)) continue;
    const int32_t j = which[t];
    if (j < 0) continue;
    int64_t& f = fill[static_cast<size_t>(j)];
    // Each place is the one the chain leads to: the type's first, then the place before's next.
    if (f == at[static_cast<size_t>(j) + 1]) return damaged(static_cast<int32_t>(t), i);
    if (f == at[static_cast<size_t>(j)] ? i != fTypes.Record(static_cast<int32_t>(t)).first_token_place
                                        : recs[flat[static_cast<size_t>(f) - 1]].next_known_token != i)
      return damaged(static_cast<int32_t>(t), i);
    flat[static_cast<size_t>(f++)] = static_cast<int32_t>(i);
  }
  for (size_t j = 0; j < types.size(); ++j) {
    if (at[j] == at[j + 1]) continue;
    const int32_t last = flat[static_cast<size_t>(at[j + 1]) - 1];
    if (fill[j] != at[j + 1] || last != fTypes.Record(types[j]).last_token_place || recs[last].next_known_token != -1)
      return damaged(types[j], last);
  }
  return true;
}

bool TIndexHandler::ComputeClusters() {
  HashNumber = -1;
  ClustersComputed = false;
  fCancel_pressed = false;
  fLastFailure.clear();
  ClearStopStateForNewJob();
  if (!fOk || !fTokenFileStream) return Fail(u"clusters: no index open");
  const TWordlistIndexSettingsRec settings = IndexSettings;
  const int32_t smallest = std::max<int32_t>(1, settings.ClusterSizeMin());
  const int32_t largest = std::min<int32_t>(TTokenFileStream::kBlockRecords, settings.ClusterSizeMax());
  if (largest < smallest) return Fail(u"clusters: the largest size is below the smallest");
  const uint8_t stop_at = settings.ClusterStopAt();
  const bool per_text = settings.ClustersPerText();
  const int32_t n_trees = per_text ? std::max(1, TextCount()) : 1;
  const double seconds_limit = settings.ClusterSecondsPerWord();
  const double running = std::max(1, TotalTokensInIndex);

  const std::vector<int32_t> bases = FirstFilter(settings);

  const TTokensFileRec* recs = fTokenFileStream->Records();
  const int64_t n = fTokenFileStream->TokenEntries();
  if (!recs && n > 0) return Fail(TokenOrderFilename + u": could not be mapped");
  const auto clock = fClock ? fClock : [] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  };
  // The base words' places, their chains checked: a damaged one ends the run with its message.
  std::vector<int32_t> all_places;
  std::vector<int64_t> places_at;
  UString why;
  if (!PlacesOfTypes(bases, all_places, places_at, why)) return Refuse(why);
  // One base word: its occurrences become sequences in its own neighbour trees.
  auto walk = [&](int32_t j) {
    TBaseWordClusters out;
    const std::span<const int32_t> places(all_places.data() + places_at[static_cast<size_t>(j)],
                                          static_cast<size_t>(places_at[static_cast<size_t>(j) + 1] -
                                                              places_at[static_cast<size_t>(j)]));
    std::vector<std::unique_ptr<TNeighbourTree>> trees(static_cast<size_t>(n_trees));
    const double start = clock();
    int64_t next_start = 0;
    uint32_t types[TTokenFileStream::kBlockRecords];
    try {
      for (size_t i = 0; i < places.size(); ++i) {
        // The records of a place a few places on are asked for early: places lie far apart.
        if (i + 8 < places.size()) {
          const int64_t q = places[i + 8];
          if (q >= 0 && q < n) {
            __builtin_prefetch(recs + std::max<int64_t>(0, q - (largest - 1)));
            __builtin_prefetch(recs + std::min<int64_t>(n - 1, q + largest - 1));
          }
        }
        const int32_t p = places[i];
        if (seconds_limit > 0 && clock() - start > seconds_limit) break;
        int64_t first = p;
        if (process_selection != 0) first = std::max<int64_t>({int64_t{p} - (largest - 1), next_start, 0});
        for (int64_t s = first; s <= p; ++s) {
          const int32_t available = static_cast<int32_t>(std::min<int64_t>(largest, n - s));
          for (int32_t k = 0; k < available; ++k) types[k] = TypeRecWithoutTextMarker(recs[s + k].word_type_number);
          for (int32_t size = smallest; size <= available; ++size) {
            // With a selection, a sequence counts for the base word only when it holds p.
            if (s + size - 1 < p) continue;
            bool broken = false;
            for (int32_t k = 0; k + 1 < size && !broken; ++k) {
              const uint32_t marker = TextMarkerOf(recs[s + k].word_type_number);
              broken = ClusterBreaksAfter(marker, stop_at);
            }
            if (broken) continue;
            const TTokensFileRec& last = recs[s + size - 1];
            const int32_t tree = per_text ? last.file_number - 1 : 0;
            if (tree < 0 || tree >= n_trees) throw std::runtime_error("AddNGram cluster problem");
            auto& nt = trees[static_cast<size_t>(tree)];
            if (!nt) nt = std::make_unique<TNeighbourTree>(fStats, settings);
            nt->AddNGram(types, size, last.file_number, recs[s].file_byte_position);
          }
        }
        next_start = int64_t{p} + 1;
      }
    } catch (const std::exception& e) {
      out.failure = TokenOrderFilename + u": " + Utf8ToUtf16(e.what());
      return out;
    }
    out.trees.resize(static_cast<size_t>(n_trees));
    for (int32_t i = 0; i < n_trees; ++i) {
      TNeighbourTree* nt = trees[static_cast<size_t>(i)].get();
      if (!nt) continue;
      nt->Collect();
      out.most_frequent = std::max(out.most_frequent, nt->most_frequent_cluster);
      for (const TNeighbourRec* r : nt->identical_neighbour_Rec_lists)
        if (nt->FreqIsHighEnough(r->frequency) && nt->NTExtsIsHighEnough(r->texts))
          out.trees[static_cast<size_t>(i)].push_back(*r);
      trees[static_cast<size_t>(i)].reset();
    }
    return out;
  };
  bool ok = true;
  auto commit = [&](int32_t j, TBaseWordClusters& found) {
    if (!found.failure.empty()) {
      ok = Refuse(found.failure);
      return false;
    }
    const int32_t t = bases[static_cast<size_t>(j)];
    TIndexTypeRec base{fTypes.Record(t), UString(fTypes.Text(t))};
    const float percent = static_cast<float>(base.rec.freq * 100.0 / running);
    fMost_frequent_cluster = std::max(fMost_frequent_cluster, found.most_frequent);
    for (size_t i = 0; i < found.trees.size(); ++i)
      for (const TNeighbourRec& r : found.trees[i])
        if (fOnClusterAddToWordlist)
          fOnClusterAddToWordlist(*this, base, percent, r, j + 1, static_cast<int32_t>(bases.size()),
                                  static_cast<int32_t>(i), n_trees);
    MyYieldProcess();
    if (StopRequested(kPanicEndOfText)) {
      fCancel_pressed = true;
      return false;
    }
    return true;
  };
  RunInTextOrder<TBaseWordClusters>(static_cast<int32_t>(bases.size()), fThreads > 0 ? fThreads : WordlistWorkerThreads(0),
                                    walk, commit);
  if (ok && !fCancel_pressed && fOnClustersDoneFindPhrases) fOnClustersDoneFindPhrases(*this);
  ClustersComputed = ok && !fCancel_pressed;
  return ClustersComputed;
}
