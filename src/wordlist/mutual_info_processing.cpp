#include "wordlist/mutual_info_processing.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "wordlist/run_in_order.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

TPairCountSettings TPairCountSettings::From(const TRelationshipSettingsRec& r, int64_t hash_type) {
  TPairCountSettings s;
  s.span = std::clamp<int32_t>(r.Span(), 1, 1000);
  s.left_and_right = r.LeftAndRight();
  s.omit_same_word = r.OmitSameWord();
  s.hash_type = r.ExcludeHash() ? hash_type : -1;
  s.stop_at = r.StopAt();
  s.min_joint = std::max(1, r.MinJointFrequency());
  return s;
}

void TCollocateCounter::Prepare(int64_t types, int32_t span) {
  const size_t n = static_cast<size_t>(std::max<int64_t>(0, types));
  if (slot_of_.size() != n) slot_of_.assign(n, -1);
  width_ = static_cast<size_t>(std::max(1, span + 1));
  touched_.clear();
  counts_.clear();
}

void TCollocateCounter::Collect(int32_t min_joint, std::vector<TCollocateCount>& out) {
  out.clear();
  std::vector<size_t> order(touched_.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return touched_[a].type < touched_[b].type; });
  for (size_t k : order) {
    const int32_t* c = counts_.data() + k * width_;
    int32_t joint = 0, gap = 0, best = 0;
    for (size_t d = 1; d < width_; ++d) {
      joint += c[d];
      if (c[d] > best) {
        best = c[d];
        gap = static_cast<int32_t>(d);
      }
    }
    if (joint >= min_joint) out.push_back({touched_[k].type, touched_[k].texts, joint, gap});
  }
  for (const TTouched& t : touched_) slot_of_[t.type] = -1;
  touched_.clear();
  counts_.clear();
}

namespace {

void ComputeMeasures(TMutualInfoRec& rec, double total, TSpanPair span) {
  for (int s = 0; s < kRelationshipStatsCount; ++s)
    rec.stats[s] = static_cast<float>(RelationshipComputation(s, rec.joint, rec.freq1, rec.freq2, total, span));
}

bool PassesThresholds(const TMutualInfoRec& rec, const TRelationshipSettingsRec& settings) {
  const bool all = settings.AllMustPass();
  for (int s = 0; s < kRelationshipStatsCount; ++s) {
    const bool passes = rec.stats[s] >= settings.Threshold(s);
    if (all && !passes) return false;
    if (!all && passes) return true;
  }
  return all;
}

}  // namespace

void MakePairRows(uint32_t base_type, int32_t base_freq, const UString& base_word,
                  const std::vector<TCollocateCount>& pairs, const TPairRowContext& context, std::vector<TPairRow>& out,
                  int32_t& stop_list_drops) {
  const TRelationshipSettingsRec& settings = *context.settings;
  const int32_t span = std::clamp<int32_t>(settings.Span(), 1, 1000);
  const TSpanPair span_pair{settings.LeftAndRight() ? span : 0, span};
  const uint8_t stop_option = settings.StopListOption();
  for (const TCollocateCount& pair : pairs) {
    TPairRow row;
    int32_t freq2 = 0;
    if (!context.type_of || !context.type_of(pair.type, freq2, row.word2)) continue;
    if (pair.texts < settings.MinTexts() || freq2 < settings.MinFrequencyWord2()) continue;
    if (base_word.empty() || row.word2.empty()) continue;
    if (context.in_stop_list && stop_option >= 1 && stop_option <= 3) {
      const bool drop = ((stop_option == 1 || stop_option == 3) && context.in_stop_list(base_type, base_word)) ||
                        ((stop_option == 2 || stop_option == 3) && context.in_stop_list(pair.type, row.word2));
      if (drop) {
        ++stop_list_drops;
        continue;
      }
    }
    row.word1 = base_word;
    TMutualInfoRec& r = row.rec;
    r.texts = pair.texts;
    r.freq1 = base_freq;
    r.freq2 = freq2;
    r.joint = pair.joint;
    r.gap = pair.gap;
    r.type1 = static_cast<int32_t>(base_type);
    r.type2 = static_cast<int32_t>(pair.type);
    ComputeMeasures(r, context.running_words, span_pair);
    if (!PassesThresholds(r, settings)) continue;
    const bool both_ways =
        settings.BothWays() && !(context.hash_type >= 0 && static_cast<int64_t>(base_type) == context.hash_type);
    TPairRow mirror;
    if (both_ways) {
      mirror.word1 = row.word2;
      mirror.word2 = row.word1;
      mirror.rec = r;
      std::swap(mirror.rec.freq1, mirror.rec.freq2);
      std::swap(mirror.rec.type1, mirror.rec.type2);
      // The mirror's measures are its own: conditional probabilities, delta P, log ratio and the
      // z-score are not symmetric in the two words.
      ComputeMeasures(mirror.rec, context.running_words, span_pair);
    }
    out.push_back(std::move(row));
    if (both_ways) out.push_back(std::move(mirror));
  }
}

// --- over a corpus index -------------------------------------------------------------------------

namespace {

// What one base word gives, made on a worker.
struct TBaseWordPairs {
  std::vector<TPairRow> rows;
  int32_t stop_list_drops = 0;
};

// Counters lent to the workers, one to each at a time, kept from base word to base word.
class TCounterShelf {
 public:
  std::unique_ptr<TCollocateCounter> Take() {
    std::lock_guard<std::mutex> lock(m_);
    if (free_.empty()) return std::make_unique<TCollocateCounter>();
    auto c = std::move(free_.back());
    free_.pop_back();
    return c;
  }
  void Give(std::unique_ptr<TCollocateCounter> c) {
    std::lock_guard<std::mutex> lock(m_);
    free_.push_back(std::move(c));
  }

 private:
  std::mutex m_;
  std::vector<std::unique_ptr<TCollocateCounter>> free_;
};

}  // namespace

bool TIndexHandler::ComputeMIAssociation(TRelationshipsList& into) {
  RelationshipsComputed = false;
  fCancel_pressed = false;
  fLastFailure.clear();
  stoplist_MI_words_found = 0;
  HashNumber = -1;
  ClearStopStateForNewJob();
  into.Clear();
  if (!fOk || !fTokenFileStream) return Fail(u"relationships: no index open");
  const TWordlistIndexSettingsRec settings = IndexSettings;
  const TRelationshipSettingsRec rel = RelationshipSettingsOf(settings);
  into.fSettings = rel;
  into.SetSourceIndexFilename(fFilename);
  const double running = std::max(1, TotalTokensInIndex);
  const std::vector<int32_t> bases = FirstFilter(settings);
  const int64_t hash_type = HashNumber >= 0 ? HashNumber : WordNumberFromWord(u"#");
  const TPairCountSettings count_settings = TPairCountSettings::From(rel, hash_type);

  const TTokensFileRec* recs = fTokenFileStream->Records();
  const int64_t n = fTokenFileStream->TokenEntries();
  if (!recs && n > 0) return Fail(TokenOrderFilename + u": could not be mapped");

  TPairRowContext context;
  context.settings = &rel;
  context.running_words = running;
  context.hash_type = count_settings.hash_type;
  context.type_of = [this](uint32_t type, int32_t& freq, UString& word) {
    if (type > static_cast<uint32_t>(INT32_MAX) || !TypeLoaded(static_cast<int32_t>(type))) return false;
    freq = fTypes.Frequency(static_cast<int32_t>(type));
    word = fTypes.Text(static_cast<int32_t>(type));
    return true;
  };
  context.in_stop_list = [](uint32_t, const UString& word) {
    return FoundInTheList(current_tool_var, word.c_str(), 1, lmsStop) != 0;
  };

  // A base word too large a share of the running words is not paired.
  std::vector<int32_t> paired;
  for (const int32_t t : bases)
    if (static_cast<float>(fTypes.Frequency(t) * 100.0 / running) <= rel.MaxPercent()) paired.push_back(t);
  // Their places, the chains checked: a damaged one ends the run with its message.
  std::vector<int32_t> all_places;
  std::vector<int64_t> places_at;
  UString why;
  if (!PlacesOfTypes(paired, all_places, places_at, why)) return Refuse(why);
  TCounterShelf shelf;
  auto walk = [&](int32_t j) {
    TBaseWordPairs out;
    const int32_t t = paired[static_cast<size_t>(j)];
    const int32_t freq = fTypes.Frequency(t);
    const std::span<const int32_t> places(all_places.data() + places_at[static_cast<size_t>(j)],
                                          static_cast<size_t>(places_at[static_cast<size_t>(j) + 1] -
                                                              places_at[static_cast<size_t>(j)]));
    std::unique_ptr<TCollocateCounter> counter = shelf.Take();
    counter->Prepare(TypeCount(), count_settings.span);
    std::vector<TCollocateCount> pairs;
    CountCollocatesOfBaseWord(recs, n, places, static_cast<uint32_t>(t), count_settings, *counter, pairs);
    shelf.Give(std::move(counter));
    MakePairRows(static_cast<uint32_t>(t), freq, fTypes.Text(t), pairs, context, out.rows, out.stop_list_drops);
    return out;
  };
  auto commit = [&](int32_t, TBaseWordPairs& found) {
    stoplist_MI_words_found += found.stop_list_drops;
    for (const TPairRow& row : found.rows) into.AddRow(row.rec, row.word1, row.word2);
    MyYieldProcess();
    if (StopRequested(kPanicEndOfText)) {
      fCancel_pressed = true;
      return false;
    }
    return true;
  };
  RunInTextOrder<TBaseWordPairs>(static_cast<int32_t>(paired.size()),
                                 fThreads > 0 ? fThreads : WordlistWorkerThreads(0), walk, commit);
  const bool ok = !fCancel_pressed || Fail(fFilename + u": relationships stopped");
  if (ok && into.Count() > 0) into.SortAll();
  RelationshipsComputed = ok && into.Count() > 0;
  return ok;
}
