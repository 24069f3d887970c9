#include "concordance/compute_clusters.h"

#include <algorithm>
#include <array>
#include <unordered_map>
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
  UString text;
  int32_t frequency = 0;
  int32_t length = 0;
  std::vector<int32_t> related;  // holder indexes
};

constexpr int kPositions = kSpanHighest + 1;

// Each pair where one cluster's words are a run of the other's is related, once: every longer
// cluster looks its shorter word runs up.
void FindRelatedClusters(std::vector<THolder>& holders) {
  std::unordered_map<UString, int32_t> index;
  index.reserve(holders.size() * 2);
  for (size_t i = 0; i < holders.size(); ++i) index.emplace(holders[i].text, static_cast<int32_t>(i));
  std::vector<size_t> starts;
  for (size_t j = 0; j < holders.size(); ++j) {
    if (StopRequested(kPanicStopNow)) return;
    if ((j & 1023) == 0) MyYieldProcess();
    const UString& t = holders[j].text;
    starts.clear();
    starts.push_back(0);
    for (size_t c = 0; c < t.size(); ++c)
      if (t[c] == u' ') starts.push_back(c + 1);
    const size_t words = starts.size();
    for (size_t a = 0; a < words; ++a)
      for (size_t b = a + 1; b <= words; ++b) {
        if (a == 0 && b == words) continue;
        const size_t from = starts[a];
        const size_t to = b < words ? starts[b] - 1 : t.size();
        auto it = index.find(UString(t.substr(from, to - from)));
        if (it == index.end()) continue;
        const int32_t i = it->second;
        if (holders[static_cast<size_t>(i)].length >= holders[j].length) continue;
        holders[static_cast<size_t>(i)].related.push_back(static_cast<int32_t>(j));
        holders[j].related.push_back(i);
      }
  }
}

UString RelatedLine(const std::vector<THolder>& holders, std::vector<int32_t> related) {
  std::sort(related.begin(), related.end());
  related.erase(std::unique(related.begin(), related.end()), related.end());
  UString line;
  for (int32_t k : related) {
    const THolder& h = holders[static_cast<size_t>(k)];
    if (!line.empty()) line += u',';
    line += h.text + u" (" + IntToUStr(h.frequency) + u")";
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
  std::unordered_map<UString, int32_t> counts;
  std::array<UString, kPositions> words;
  std::array<uint8_t, kPositions> barriers{};
  const int smallest = settings.smallest, largest = settings.largest;
  UString text;
  for (int i = 0; i < n_lines; ++i) {
    if (StopRequested(kPanicStopNow)) break;
    if (lines.GetDeleted(i)) continue;
    const TConcordanceEntry* line = lines.Line(i);
    if (!line || line->Text().empty()) continue;
    if ((i & 1023) == 0) MyYieldProcess();
    // Only the positions a cluster can reach are fetched.
    for (int p = left_start; p < right_end; ++p) {
      words[static_cast<size_t>(p)] = CountingWordAt(*line, p, settings.count);
      barriers[static_cast<size_t>(p)] = WordAtSpanPosition(*line, p).barrier;
    }
    for (int start = left_start; start < right_end; ++start) {
      if (words[static_cast<size_t>(start)].empty()) continue;
      for (int size = std::max(1, smallest); size <= largest; ++size) {
        if (start + size > right_end) break;
        text.clear();
        bool failed = false;
        for (int p = start; p < start + size; ++p) {
          const UString& w = words[static_cast<size_t>(p)];
          const uint8_t barrier = barriers[static_cast<size_t>(p)];
          if (w.empty() || (p < start + size - 1 && barrier != 0 && barrier >= settings.stop_at)) {
            failed = true;
            break;
          }
          if (p > start) text += u' ';
          text += w;
        }
        // A longer run from this start fails at the same place.
        if (failed) break;
        ++counts[text];
      }
    }
  }
  std::vector<THolder> holders;
  for (auto& [t, f] : counts) {
    highest = std::max(highest, f);
    if (f >= settings.count.min_frequency) holders.push_back({t, f, ClusterWordCount(t), {}});
  }
  std::sort(holders.begin(), holders.end(), [](const THolder& a, const THolder& b) {
    return a.frequency != b.frequency ? a.frequency > b.frequency : a.text < b.text;
  });
  if (smallest != largest) FindRelatedClusters(holders);
  std::vector<UString> related(holders.size());
  for (size_t k = 0; k < holders.size(); ++k) related[k] = RelatedLine(holders, holders[k].related);
  for (size_t k = 0; k < holders.size(); ++k) {
    THolder& h = holders[k];
    auto* e = static_cast<TConcordanceClusterEntry*>(list.NewEntry());
    e->rec.frequency = h.frequency;
    e->rec.cluster_length = h.length;
    e->rec.related_line = std::move(related[k]);
    e->rec.line = std::move(h.text);
    list.Add(e);
  }
  if (list.Count() > 0) list.change_state |= 8;
  return list.Count() > 0;
}
