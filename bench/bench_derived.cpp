// Seconds of the derived views over a 200,000-line concordance made (untimed) from generated
// hits: 400 texts of 50,000 words, 3 search words, five words either side of each hit drawn
// from a 5,000-word vocabulary of skewed frequencies, dated texts over ten years. One core;
// each figure is the best of three runs, in the thread's processor seconds.
// Prints one line per view. An argument names the only view to run (collocates, clusters33,
// clusters24, plot, patterns, timeline), for profiling one at a time.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/compute_clusters.h"
#include "concordance/views/compute_collocates.h"
#include "concordance/views/compute_patterns.h"
#include "concordance/views/compute_plot.h"
#include "concordance/views/compute_timeline.h"
#include "concordance/lines/concordance_line.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/views/patterns_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/search/search_records.h"

namespace {

// This thread's processor seconds: what one core spends, whatever else shares it.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The best of three runs (each computation starts by clearing its list).
double Seconds(const std::function<void()>& f) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    const double t0 = ThreadSeconds();
    f();
    best = std::min(best, ThreadSeconds() - t0);
  }
  return best;
}

// A digest of a list's rows as the grid shows them, so that a faster computation can be
// checked against a slower one on the same lines.
uint64_t Digest(TVXBaseDataClass& list) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](UStringView t) {
    for (char16_t c : t) h = (h ^ c) * 1099511628211ull;
    h = (h ^ 0xFFFF) * 1099511628211ull;
  };
  for (int r = 1; r <= list.Count(); ++r)
    for (int c = 0; c < list.HeadingCount(); ++c) {
      TGrid_data_rec cell;
      list.DrawgridDataRec(c, r, cell, 0);
      mix(cell.text);
      mix(IntToUStr(static_cast<int64_t>(cell.number.value * 1000)));
    }
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  auto wanted = [&](const char* view) { return argc < 2 || std::strcmp(argv[1], view) == 0; };
  TVXBaseHolder holder;
  TConcordanceListDocument doc;
  TConcordanceList lines(&holder, &doc);
  std::mt19937 gen(7);
  const int32_t n_texts = 400, n_sw = 3, words = 50000, vocabulary = 5000;
  std::vector<UString> vocab;
  // Words of letters only (a digit would make every word "#").
  for (int v = 0; v < vocabulary; ++v) {
    UString w;
    for (int n = v + 1; n > 0; n /= 26) w += static_cast<char16_t>(u'a' + n % 26);
    vocab.push_back(w);
  }
  const UString sws[n_sw] = {u"alpha", u"beta", u"gamma"};
  // Skewed: rank r drawn with weight 1 / (r + 1).
  std::vector<double> weights;
  for (int v = 0; v < vocabulary; ++v) weights.push_back(1.0 / (v + 1));
  std::discrete_distribution<int> pick(weights.begin(), weights.end());
  for (int i = 0; i < 200000; ++i) {
    auto line = lines.NewLine();
    const int32_t sw = static_cast<int32_t>(gen() % n_sw);
    UString text;
    int32_t starts[11];
    UString ws[11];
    for (int k = 0; k < 11; ++k) {
      ws[k] = k == 5 ? sws[sw] : vocab[static_cast<size_t>(pick(gen))];
      if (k) text += u' ';
      starts[k] = static_cast<int32_t>(text.size());
      text += ws[k];
    }
    line->SetText(text);
    auto& d = line->Data();
    d.midpoint = static_cast<int16_t>(starts[5]);
    d.hit_characters = static_cast<int32_t>(ws[5].size());
    d.filename_num_original = 1 + static_cast<int32_t>(gen() % n_texts);
    d.sw_number = sw;
    d.word_num = static_cast<int32_t>(gen() % words);
    for (int k = 0; k < 11; ++k)
      line->SetFixedWord(k, {static_cast<int16_t>(starts[k] - starts[5]), static_cast<int16_t>(ws[k].size()),
                             static_cast<uint8_t>(gen() % 20 == 0 ? 1 : 0), 0});
    lines.Add(line.release());
  }
  std::vector<TSearch_word_format_rec> items(n_sw);
  for (int k = 0; k < n_sw; ++k) items[k].sw = items[k].plain_sw = sws[k];

  bool ok = true;
  TCollocateList coll(&holder);
  TCollocateRunSettings cs;
  cs.left_words = 5;
  cs.right_words = 5;
  double s = 0;
  if (wanted("collocates")) {
    s = Seconds([&] { ok &= ComputeCollocates(lines, items, cs, coll); });
    std::printf("ComputeCollocates 5L-5R: %.3f s, %d rows, digest %016llx\n", s, coll.Count(),
                static_cast<unsigned long long>(Digest(coll)));
  }

  const std::pair<int16_t, int16_t> sizes[] = {{3, 3}, {2, 4}};
  for (const auto& [lo, hi] : sizes) {
    if (!wanted(lo == hi ? "clusters33" : "clusters24")) continue;
    TConcordanceClusterList clusters(&holder);
    TClusterRunSettings k;
    k.smallest = lo;
    k.largest = hi;
    k.count.min_frequency = 2;
    int32_t highest = 0;
    s = Seconds([&] { ok &= ComputeClusters(lines, k, clusters, highest); });
    std::printf("ComputeClusters %d-%d words%s: %.3f s, %d rows, digest %016llx\n", lo, hi,
                lo != hi ? " (related linked)" : "", s, clusters.Count(),
                static_cast<unsigned long long>(Digest(clusters)));
  }

  std::vector<TPlotText> texts;
  std::vector<TTimelineText> dated;
  for (int32_t t = 0; t < n_texts; ++t) {
    texts.push_back({u"text" + IntToUStr(t), words + t});
    dated.push_back({words + t, YearMonthDayToJulianAddingConst({2010 + t % 10, 1 + t % 12, 1 + t % 28})});
  }
  TConcPlotList plot(&holder);
  UString msg;
  if (wanted("plot")) {
    s = Seconds([&] { ok &= ComputePlot(lines, texts, {sws[0], sws[1], sws[2]}, {}, {}, false, plot, msg); });
    std::printf("ComputePlot: %.3f s, %d rows\n", s, plot.Count());
  }

  TPatternsList patterns(&holder);
  if (wanted("patterns")) {
    s = Seconds([&] { ok &= ComputePatterns(lines, {}, patterns); });
    std::printf("ComputePatterns (for information): %.3f s, %d rows, digest %016llx\n", s, patterns.Count(),
                static_cast<unsigned long long>(Digest(patterns)));
  }

  TTimelineList timeline(&holder);
  if (wanted("timeline")) {
    s = Seconds([&] {
      ok &= ComputeTimeline(lines, dated, {}, {sws[0], sws[1], sws[2]}, kTimeBaseMonth, timeline);
    });
    std::printf("ComputeTimeline by month (for information): %.3f s, %d rows, %d periods\n", s, timeline.Count(),
                timeline.overall.rec.head.segments);
  }
  return ok ? 0 : 1;
}
