#include "wordlist/multi_word_unit_processing.h"

#include <algorithm>
#include <thread>

#include "platform/runtime/vx_maths.h"

float ClusterDispersion(std::span<const std::pair<int32_t, int32_t>> positions, std::span<const int64_t> text_bytes,
                        int32_t divisions) {
  if (positions.empty() || divisions < 2) return 0.0f;
  // Where each text begins in the corpus's bytes.
  std::vector<int64_t> starts(text_bytes.size() + 1, 0);
  for (size_t t = 0; t < text_bytes.size(); ++t) starts[t + 1] = starts[t] + std::max<int64_t>(0, text_bytes[t]);
  const int64_t total = starts.back();
  if (total <= 0) return 0.0f;
  std::vector<int32_t> counts(static_cast<size_t>(divisions), 0);
  for (const auto& [text, byte] : positions) {
    if (text < 1 || static_cast<size_t>(text) > text_bytes.size()) continue;
    const int64_t at = starts[static_cast<size_t>(text) - 1] + std::max(0, byte);
    ++counts[static_cast<size_t>(CorrectDivision(at, total, divisions))];
  }
  return static_cast<float>(DispersionValue(counts));
}

std::vector<std::optional<TClusterRowText>> MakeClusterRowTexts(const std::vector<TFoundCluster>& found,
                                                                const TClusterRowContext& context, int32_t threads) {
  std::vector<std::optional<TClusterRowText>> rows(found.size());
  auto make = [&](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) {
      const TFoundCluster& c = found[k];
      TClusterRowText row;
      if (!context.render || !context.render(c.types, row.text) || row.text.empty()) continue;
      if (context.exclude_numbers && row.text.find(u'#') != UString::npos) continue;
      if (context.dropped && context.dropped(row.text)) continue;
      if (context.dispersion) row.dispersion = ClusterDispersion(c.positions, context.text_bytes, context.divisions);
      rows[k] = std::move(row);
    }
  };
  const size_t workers = std::clamp<size_t>(static_cast<size_t>(std::max(1, threads)), 1, std::max<size_t>(1, found.size() / 4096));
  if (workers <= 1) {
    make(0, found.size());
    return rows;
  }
  // Each worker a stretch of its own; the rows stay in the clusters' order.
  std::vector<std::thread> pool;
  const size_t step = (found.size() + workers - 1) / workers;
  for (size_t w = 0; w < workers; ++w) pool.emplace_back(make, std::min(found.size(), w * step), std::min(found.size(), (w + 1) * step));
  for (std::thread& t : pool) t.join();
  return rows;
}
