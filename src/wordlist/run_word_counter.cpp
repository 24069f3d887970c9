#include "wordlist/run_word_counter.h"

#include <algorithm>

TRunWordCounter::TRunWordCounter(int32_t divisions, bool helpers) : parts_(kParts, TWordCounter(divisions)) {
  if (!helpers) return;
  helpers_.reserve(kParts - 1);
  for (uint32_t p = 1; p < kParts; ++p) helpers_.emplace_back([this, p] { Helper(p); });
}

TRunWordCounter::~TRunWordCounter() {
  {
    std::lock_guard<std::mutex> lock(m_);
    closing_ = true;
  }
  start_.notify_all();
  for (std::thread& t : helpers_) t.join();
}

void TRunWordCounter::Helper(uint32_t part) {
  uint64_t seen = 0;
  while (true) {
    const TWordCounter* text;
    {
      std::unique_lock<std::mutex> lock(m_);
      start_.wait(lock, [&] { return closing_ || generation_ != seen; });
      if (closing_) return;
      seen = generation_;
      text = text_;
    }
    parts_[part].MergeText(*text, part, kParts);
    bool last;
    {
      std::lock_guard<std::mutex> lock(m_);
      last = --pending_ == 0;
    }
    if (last) done_.notify_one();
  }
}

void TRunWordCounter::MergeText(const TWordCounter& text) {
  if (helpers_.empty()) {
    for (uint32_t p = 0; p < kParts; ++p) parts_[p].MergeText(text, p, kParts);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(m_);
    text_ = &text;
    pending_ = kParts - 1;
    ++generation_;
  }
  start_.notify_all();
  parts_[0].MergeText(text, 0, kParts);
  std::unique_lock<std::mutex> lock(m_);
  done_.wait(lock, [&] { return pending_ == 0; });
  text_ = nullptr;
}

void TRunWordCounter::Clear() {
  for (TWordCounter& p : parts_) p.Clear();
}

int32_t TRunWordCounter::Types() const {
  int64_t n = 0;
  for (const TWordCounter& p : parts_) n += p.Types();
  return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

std::vector<TWordCounter::TKeyView> TRunWordCounter::OrderedKeys() const {
  std::vector<TWordCounter::TKeyView> keys;
  keys.reserve(static_cast<size_t>(Types()));
  for (const TWordCounter& p : parts_)
    for (int32_t i = 0; i < p.Types(); ++i) keys.push_back(p.Key(i));
  // Keys are distinct, so the order is total.
  std::sort(keys.begin(), keys.end(), [](const TWordCounter::TKeyView& a, const TWordCounter::TKeyView& b) {
    if (a.word != b.word) return a.word < b.word;
    return a.tag < b.tag;
  });
  return keys;
}
