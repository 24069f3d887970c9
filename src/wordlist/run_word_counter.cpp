#include "wordlist/run_word_counter.h"

#include <algorithm>

namespace {

// How many texts may wait for the parts before the caller waits too: enough to ride over a part
// that is late, few enough to keep memory at a handful of texts' counters.
constexpr size_t kMostWaiting = 16;
constexpr int32_t kWakeAfter = 4;
// Fewer keys than this are sorted on the calling thread (a batch result of one short text).
constexpr size_t kKeysWorthThreads = 20000;

}  // namespace

TRunWordCounter::TRunWordCounter(int32_t divisions, bool helpers)
    : divisions_(divisions), parts_(kParts, TWordCounter(divisions)), next_(kParts, 0) {
  if (!helpers) return;
  helpers_.reserve(kParts);
  for (uint32_t p = 0; p < kParts; ++p) helpers_.emplace_back([this, p] { Helper(p); });
}

TRunWordCounter::~TRunWordCounter() {
  {
    std::lock_guard<std::mutex> lock(m_);
    closing_ = true;
  }
  work_.notify_all();
  for (std::thread& t : helpers_) t.join();
}

void TRunWordCounter::Helper(uint32_t part) {
  while (true) {
    std::shared_ptr<const TWordCounter> text;
    {
      std::unique_lock<std::mutex> lock(m_);
      work_.wait(lock, [&] { return closing_ || next_[part] < first_ + static_cast<int64_t>(queue_.size()); });
      if (next_[part] >= first_ + static_cast<int64_t>(queue_.size())) return;  // closing, nothing left
      text = queue_[static_cast<size_t>(next_[part] - first_)];
    }
    parts_[part].MergeText(*text, part, kParts);
    {
      std::lock_guard<std::mutex> lock(m_);
      ++next_[part];
      // A text every part holds is let go.
      const int64_t done = *std::min_element(next_.begin(), next_.end());
      while (first_ < done) {
        queue_.pop_front();
        ++first_;
      }
    }
    merged_.notify_all();
  }
}

void TRunWordCounter::MergeText(TWordCounter text) {
  if (!only_ && !parts_used_ && text.Divisions() == divisions_) {
    only_ = std::make_unique<TWordCounter>(std::move(text));
    only_->TakeAsOnlyText();
    return;
  }
  if (only_) {
    std::unique_ptr<TWordCounter> first = std::move(only_);
    MergeIntoParts(std::move(*first));
  }
  MergeIntoParts(std::move(text));
}

void TRunWordCounter::MergeIntoParts(TWordCounter text) {
  parts_used_ = true;
  if (helpers_.empty()) {
    TWordCounter::MergeTextIntoParts(text, parts_.data(), kParts);
    return;
  }
  auto shared = std::make_shared<const TWordCounter>(std::move(text));
  bool wake;
  {
    std::unique_lock<std::mutex> lock(m_);
    merged_.wait(lock, [&] { return queue_.size() < kMostWaiting; });
    queue_.push_back(std::move(shared));
    // The parts are woken for a few texts at a time: small texts would otherwise cost more in
    // waking than in merging.
    wake = ++unannounced_ >= kWakeAfter;
    if (wake) unannounced_ = 0;
  }
  if (wake) work_.notify_all();
}

void TRunWordCounter::WaitForParts() const {
  if (helpers_.empty()) return;
  std::unique_lock<std::mutex> lock(m_);
  if (!queue_.empty()) {
    unannounced_ = 0;
    work_.notify_all();
  }
  merged_.wait(lock, [&] { return queue_.empty(); });
}

void TRunWordCounter::Clear() {
  WaitForParts();
  for (TWordCounter& p : parts_) p.Clear();
  only_.reset();
  parts_used_ = false;
}

int32_t TRunWordCounter::Types() const {
  if (only_) return only_->Types();
  WaitForParts();
  int64_t n = 0;
  for (const TWordCounter& p : parts_) n += p.Types();
  return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

std::vector<const TWordCounter*> TRunWordCounter::Counters() const {
  if (only_) return {only_.get()};
  WaitForParts();
  std::vector<const TWordCounter*> all;
  for (const TWordCounter& p : parts_) all.push_back(&p);
  return all;
}

std::vector<TWordCounter::TKeyView> TRunWordCounter::OrderedKeys() const {
  if (only_) {
    std::vector<TWordCounter::TKeyView> keys;
    for (const int32_t i : only_->Keys()) keys.push_back(only_->Key(i));
    return keys;
  }
  WaitForParts();
  // Keys are distinct, so the order is total and the same however the parts are sorted.
  const auto before = [](const TWordCounter::TKeyView& a, const TWordCounter::TKeyView& b) {
    if (a.word != b.word) return a.word < b.word;
    return a.tag < b.tag;
  };
  std::vector<TWordCounter::TKeyView> keys;
  std::vector<size_t> ends;  // where each part's keys end in keys
  for (const TWordCounter& p : parts_) {
    for (int32_t i = 0; i < p.Types(); ++i) keys.push_back(p.Key(i));
    ends.push_back(keys.size());
  }
  // Each part is sorted on a thread of its own when the run has helpers and many keys, then the
  // sorted parts are merged pairwise.
  auto sort_part = [&](size_t p) {
    std::sort(keys.begin() + static_cast<std::ptrdiff_t>(p == 0 ? 0 : ends[p - 1]),
              keys.begin() + static_cast<std::ptrdiff_t>(ends[p]), before);
  };
  if (helpers_.empty() || keys.size() < kKeysWorthThreads) {
    for (size_t p = 0; p < ends.size(); ++p) sort_part(p);
  } else {
    std::vector<std::thread> sorters;
    for (size_t p = 0; p < ends.size(); ++p) sorters.emplace_back(sort_part, p);
    for (std::thread& t : sorters) t.join();
  }
  for (size_t width = 1; width < ends.size(); width *= 2) {
    for (size_t p = 0; p + width < ends.size(); p += 2 * width) {
      const size_t first = p == 0 ? 0 : ends[p - 1];
      const size_t middle = ends[p + width - 1];
      const size_t last = ends[std::min(p + 2 * width, ends.size()) - 1];
      std::inplace_merge(keys.begin() + static_cast<std::ptrdiff_t>(first),
                         keys.begin() + static_cast<std::ptrdiff_t>(middle),
                         keys.begin() + static_cast<std::ptrdiff_t>(last), before);
    }
  }
  return keys;
}
