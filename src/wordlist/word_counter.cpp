#include "wordlist/word_counter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kFirstTableSize = 1024;

int32_t SaturatingAdd(int32_t a, int32_t b) {
  const int64_t s = int64_t{a} + b;
  return s > INT32_MAX ? INT32_MAX : static_cast<int32_t>(s);
}

// Words are short: a plain loop beats a call to memcmp.
inline bool SameUnits(const char16_t* a, const char16_t* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

TWordCounter::TWordCounter(int32_t divisions) : divisions_(std::max(0, divisions)) {
  table_.assign(kFirstTableSize, TCell{});
  mask_ = kFirstTableSize - 1;
}

void TWordCounter::Clear() {
  entries_.clear();
  units_.clear();
  bins_.clear();
  table_.assign(kFirstTableSize, TCell{});
  mask_ = kFirstTableSize - 1;
}

uint64_t TWordCounter::HashOf(UStringView word, UStringView tag) {
  // Four units at a time, mixed by one multiply each; the lengths part word and tag.
  uint64_t h = 0x9E3779B97F4A7C15ull ^ (uint64_t{word.size()} << 32) ^ tag.size();
  auto mix = [&h](const char16_t* p, size_t n) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
      uint64_t v;
      std::memcpy(&v, p + i, 8);
      h = (h ^ v) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 29;
    }
    uint64_t v = 0;
    for (size_t k = 0; i < n; ++i, ++k) v |= uint64_t{p[i]} << (16 * k);
    h = (h ^ v ^ 0xA5A5) * 0xC4CEB9FE1A85EC53ull;
  };
  mix(word.data(), word.size());
  if (!tag.empty()) mix(tag.data(), tag.size());
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return h;
}

void TWordCounter::Grow() {
  const size_t size = table_.size() * 2;
  table_.assign(size, TCell{});
  mask_ = size - 1;
  for (size_t e = 0; e < entries_.size(); ++e) {
    uint64_t p = entries_[e].hash & mask_;
    while (table_[p].entry != 0) p = (p + 1) & mask_;
    table_[p] = TCell{static_cast<uint32_t>(entries_[e].hash >> 32), static_cast<int32_t>(e + 1)};
  }
}

int32_t TWordCounter::Slot(UStringView word, UStringView tag, uint64_t hash) {
  uint64_t p = hash & mask_;
  const uint32_t check = static_cast<uint32_t>(hash >> 32);
  while (true) {
    const TCell cell = table_[p];
    const int32_t t = cell.entry;
    if (t == 0) break;
    if (cell.check != check) {
      p = (p + 1) & mask_;
      continue;
    }
    const TEntry& e = entries_[static_cast<size_t>(t - 1)];
    if (e.hash == hash && e.word_length == word.size() && e.tag_length == tag.size() &&
        SameUnits(units_.data() + e.at, word.data(), word.size()) &&
        SameUnits(units_.data() + e.at + e.word_length, tag.data(), tag.size()))
      return t - 1;
    p = (p + 1) & mask_;
  }
  if (units_.size() + word.size() + tag.size() > UINT32_MAX || entries_.size() >= INT32_MAX - 1)
    throw std::length_error("word counter: too many distinct words");
  const int32_t index = static_cast<int32_t>(entries_.size());
  entries_.push_back(TEntry{hash, static_cast<uint32_t>(units_.size()), static_cast<uint32_t>(word.size()),
                            static_cast<uint32_t>(tag.size()), 0, 0, 0, {}});
  units_.insert(units_.end(), word.begin(), word.end());
  units_.insert(units_.end(), tag.begin(), tag.end());
  if (divisions_ > kInlineBins) bins_.resize(bins_.size() + static_cast<size_t>(divisions_), 0);
  table_[p] = TCell{check, index + 1};
  if (entries_.size() * 2 > table_.size()) Grow();
  return index;
}

int32_t TWordCounter::Find(UStringView word, UStringView tag, bool adding) {
  if (!adding) return static_cast<const TWordCounter&>(*this).Find(word, tag);
  return Slot(word, tag, HashOf(word, tag));
}

int32_t TWordCounter::Add(UStringView word, UStringView tag, int32_t division) {
  const int32_t i = Slot(word, tag, HashOf(word, tag));
  AddAt(i, division);
  return i;
}

void TWordCounter::AddCount(int32_t i, int32_t division, int32_t n) {
  TEntry& e = entries_[static_cast<size_t>(i)];
  e.frequency = SaturatingAdd(e.frequency, n);
  e.texts = 1;
  if (division >= 0 && division < divisions_) {
    int32_t& bin = BinsOf(static_cast<size_t>(i))[division];
    bin = SaturatingAdd(bin, n);
  }
}

void TWordCounter::MergeKey(const TWordCounter& text, size_t k) {
  const TEntry& from = text.entries_[k];
  const UStringView word(text.units_.data() + from.at, from.word_length);
  const UStringView tag(text.units_.data() + from.at + from.word_length, from.tag_length);
  const int32_t i = Slot(word, tag, from.hash);
  TEntry& e = entries_[static_cast<size_t>(i)];
  e.frequency = SaturatingAdd(e.frequency, from.frequency);
  e.texts = SaturatingAdd(e.texts, 1);
  int32_t* bins = BinsOf(static_cast<size_t>(i));
  const int32_t* add = text.BinsOf(k);
  for (int32_t d = 0, shared = std::min(divisions_, text.divisions_); d < shared; ++d)
    bins[d] = SaturatingAdd(bins[d], add[d]);
}

void TWordCounter::MergeText(const TWordCounter& text, uint32_t part, uint32_t parts) {
  for (size_t k = 0; k < text.entries_.size(); ++k)
    if (parts <= 1 || PartOf(text.entries_[k].hash, parts) == part) MergeKey(text, k);
}

void TWordCounter::MergeTextIntoParts(const TWordCounter& text, TWordCounter* parts, uint32_t count) {
  for (size_t k = 0; k < text.entries_.size(); ++k) parts[PartOf(text.entries_[k].hash, count)].MergeKey(text, k);
}

TWordCounter::TKeyView TWordCounter::Key(int32_t i) const {
  const TEntry& e = entries_.at(static_cast<size_t>(i));
  return TKeyView{UStringView(units_.data() + e.at, e.word_length),
                  UStringView(units_.data() + e.at + e.word_length, e.tag_length), e.frequency, e.texts,
                  BinsOf(static_cast<size_t>(i))};
}

std::vector<int32_t> TWordCounter::Keys() const {
  std::vector<int32_t> order(entries_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  std::sort(order.begin(), order.end(), [this](int32_t a, int32_t b) {
    const TKeyView x = Key(a), y = Key(b);
    if (x.word != y.word) return x.word < y.word;
    return x.tag < y.tag;
  });
  return order;
}

int32_t TWordCounter::Find(UStringView word, UStringView tag) const {
  const uint64_t hash = HashOf(word, tag);
  uint64_t p = hash & mask_;
  while (table_[p].entry != 0) {
    const int32_t t = table_[p].entry - 1;
    const TKeyView k = Key(t);
    if (k.word == word && k.tag == tag) return t;
    p = (p + 1) & mask_;
  }
  return -1;
}
