// Seconds of the derived views over a 200,000-line concordance made (untimed) from generated
// hits: 400 texts of 50,000 words, 3 search words. Prints one line per view.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "concordance/compute_plot.h"
#include "concordance/concordance_list.h"
#include "concordance/plot_list.h"

int main() {
  TVXBaseHolder holder;
  TConcordanceListDocument doc;
  TConcordanceList lines(&holder, &doc);
  std::mt19937 gen(7);
  const int32_t n_texts = 400, n_sw = 3, words = 50000;
  for (int i = 0; i < 200000; ++i) {
    auto line = lines.NewLine();
    line->SetText(u"the quick brown fox jumps over the lazy dog");
    line->Data().midpoint = 16;
    line->Data().filename_num_original = 1 + static_cast<int32_t>(gen() % n_texts);
    line->Data().sw_number = static_cast<int32_t>(gen() % n_sw);
    line->Data().word_num = static_cast<int32_t>(gen() % words);
    lines.Add(line.release());
  }
  std::vector<TPlotText> texts;
  for (int32_t t = 0; t < n_texts; ++t) texts.push_back({u"text" + IntToUStr(t), words + t});
  TConcPlotList plot(&holder);
  UString msg;
  const auto t0 = std::chrono::steady_clock::now();
  const bool ok = ComputePlot(lines, texts, {u"a", u"b", u"c"}, {}, {}, false, plot, msg);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("ComputePlot: %.3f s, %d rows%s\n", s, plot.Count(), ok ? "" : " (failed)");
  return ok ? 0 : 1;
}
