#include "shell/qt/main_window_run_progress.h"

#include <algorithm>

#include "shell/qt/main_window_grid_tweaks.h"

void TRunProgressTally::Start(int32_t texts) {
  texts_ = std::max(0, texts);
  per_text_ = std::make_unique<TText[]>(static_cast<size_t>(texts_));
  done_ = 0;
  words_ = 0;
  furthest_ = -1;
}

void TRunProgressTally::ChunkDone(int32_t text, int64_t bytes_read, int64_t size, int32_t words) {
  if (text < 0 || text >= texts_) return;
  TText& t = per_text_[static_cast<size_t>(text)];
  t.size.store(size, std::memory_order_relaxed);
  t.bytes.store(bytes_read, std::memory_order_relaxed);
  // Only this text's reader writes its count, so the change can be added to the total.
  const int32_t before = t.words.exchange(words, std::memory_order_relaxed);
  words_.fetch_add(int64_t{words} - before, std::memory_order_relaxed);
  int32_t seen = furthest_.load();
  while (seen < text && !furthest_.compare_exchange_weak(seen, text)) {
  }
}

void TRunProgressTally::TextsDone(int64_t done) { done_.store(std::clamp<int64_t>(done, 0, texts_)); }

TRunProgressFigures TRunProgressTally::Figures() const {
  TRunProgressFigures f;
  f.texts = texts_;
  f.running_words = words_.load(std::memory_order_relaxed);
  if (texts_ == 0) return f;
  const int64_t done = done_.load();
  if (done >= texts_) {
    f.text = texts_ - 1;
    f.this_percent = 100;
    f.overall_percent = 100;
    return f;
  }
  f.text = static_cast<int32_t>(std::max<int64_t>(done, furthest_.load()));
  const TText& t = per_text_[static_cast<size_t>(f.text)];
  f.this_percent = LoadedPercent(t.bytes.load(std::memory_order_relaxed), t.size.load(std::memory_order_relaxed));
  f.overall_percent = static_cast<int32_t>(std::min<int64_t>(100, (int64_t{f.text} * 100 + f.this_percent) / texts_));
  return f;
}
