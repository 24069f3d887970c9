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

void TWordCounter::Grow(size_t size) {
  // A key's home is the low bits of its check, so the cells alone are re-filed: no entry is read,
  // and walking the old cells in order writes the new ones nearly in order too.
  std::vector<TCell> old(size, TCell{});
  old.swap(table_);
  mask_ = size - 1;
  for (const TCell& cell : old) {
    if (cell.entry == 0) continue;
    uint64_t p = cell.check & mask_;
    while (table_[p].entry != 0) p = (p + 1) & mask_;
    table_[p] = cell;
  }
}

void TWordCounter::Reserve(size_t keys, size_t units) {
  entries_.reserve(keys);
  units_.reserve(units);
  if (divisions_ > kInlineBins) bins_.reserve(keys * static_cast<size_t>(divisions_));
  size_t size = table_.size();
  while (keys * 2 > size) size *= 2;
  if (size != table_.size()) Grow(size);
}

int32_t TWordCounter::Slot(UStringView word, UStringView tag, uint64_t hash) {
  const uint32_t check = static_cast<uint32_t>(hash >> 32);
  uint64_t p = check & mask_;
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
  if (entries_.size() * 2 > table_.size()) Grow(table_.size() * 2);
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

void TWordCounter::ReserveForText(const TWordCounter& text, size_t keys) {
  // Into an empty table every key of the text is new: room for all of them at once spares the
  // table's growing step by step. A table holding keys already is left to grow as it needs: most
  // of a later text's keys are there.
  if (!entries_.empty() || keys == 0) return;
  const size_t units = text.units_.size() / std::max<size_t>(1, text.entries_.size()) * keys + keys;
  Reserve(keys, units);
}

void TWordCounter::MergeText(const TWordCounter& text, uint32_t part, uint32_t parts) {
  if (parts <= 1) {
    ReserveForText(text, text.entries_.size());
    for (size_t k = 0; k < text.entries_.size(); ++k) MergeKey(text, k);
    return;
  }
  std::vector<uint32_t> mine;
  for (size_t k = 0; k < text.entries_.size(); ++k)
    if (PartOf(text.entries_[k].hash, parts) == part) mine.push_back(static_cast<uint32_t>(k));
  ReserveForText(text, mine.size());
  for (const uint32_t k : mine) MergeKey(text, k);
}

void TWordCounter::TakeAsOnlyText() {
  for (TEntry& e : entries_) {
    e.texts = 1;
    e.mark = 0;
  }
}

void TWordCounter::MergeTextIntoParts(const TWordCounter& text, TWordCounter* parts, uint32_t count) {
  // The hash spreads keys evenly: an empty part takes about its share, with room to spare.
  const size_t share = text.entries_.size() / std::max<uint32_t>(1, count);
  for (uint32_t p = 0; p < count; ++p) parts[p].ReserveForText(text, share + share / 8 + 16);
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
  uint64_t p = (hash >> 32) & mask_;
  while (table_[p].entry != 0) {
    const int32_t t = table_[p].entry - 1;
    const TKeyView k = Key(t);
    if (k.word == word && k.tag == tag) return t;
    p = (p + 1) & mask_;
  }
  return -1;
}
