#include "wordlist/index_type_table.h"

#include <algorithm>

#include "wordlist/word_counter.h"

int32_t TIndexTypeTable::Lookup(UStringView tag, UStringView word, uint64_t hash, size_t& slot) const {
  if (table_.empty()) return -1;
  for (slot = static_cast<size_t>(hash & mask_);; slot = (slot + 1) & mask_) {
    const int32_t e = table_[slot];
    if (e == 0) return -1;
    const TEntry& x = entries_[static_cast<size_t>(e - 1)];
    if (x.hash != hash || x.tag_units != tag.size() || x.word_units != word.size()) continue;
    const char16_t* p = units_.data() + x.at;
    if (std::equal(tag.begin(), tag.end(), p) && std::equal(word.begin(), word.end(), p + x.tag_units)) return e - 1;
  }
}

int32_t TIndexTypeTable::Find(UStringView tag, UStringView word) const {
  size_t slot = 0;
  return Lookup(tag, word, TWordCounter::HashOf(word, tag), slot);
}

int32_t TIndexTypeTable::FindOrAdd(UStringView tag, UStringView word) {
  if ((entries_.size() + 1) * 2 > table_.size()) Grow();
  const uint64_t hash = TWordCounter::HashOf(word, tag);
  size_t slot = 0;
  const int32_t found = Lookup(tag, word, hash, slot);
  if (found >= 0) return found;
  TEntry e{hash, units_.size(), static_cast<uint32_t>(tag.size()), static_cast<uint32_t>(word.size())};
  units_.insert(units_.end(), tag.begin(), tag.end());
  units_.insert(units_.end(), word.begin(), word.end());
  entries_.push_back(e);
  table_[slot] = static_cast<int32_t>(entries_.size());
  return static_cast<int32_t>(entries_.size() - 1);
}

int32_t TIndexTypeTable::AddStored(UStringView text, int32_t tag_units) {
  const size_t t = static_cast<size_t>(std::clamp<int32_t>(tag_units, 0, static_cast<int32_t>(text.size())));
  const int32_t before = Count();
  return FindOrAdd(text.substr(0, t), text.substr(t)) == before ? before : -1;
}

void TIndexTypeTable::Truncate(int32_t n) {
  if (n < 0 || n >= Count()) return;
  units_.resize(static_cast<size_t>(entries_[static_cast<size_t>(n)].at));
  entries_.resize(static_cast<size_t>(n));
  Rehash();
}

void TIndexTypeTable::Clear() {
  entries_.clear();
  units_.clear();
  table_.clear();
  mask_ = 0;
}

void TIndexTypeTable::Reserve(size_t types, size_t units) {
  entries_.reserve(types);
  units_.reserve(units);
  size_t size = 1024;
  while (size < types * 2 + 2) size *= 2;
  if (size > table_.size()) {
    table_.assign(size, 0);
    mask_ = size - 1;
    Rehash();
  }
}

void TIndexTypeTable::Grow() {
  const size_t size = std::max<size_t>(1024, table_.size() * 2);
  table_.assign(size, 0);
  mask_ = size - 1;
  Rehash();
}

void TIndexTypeTable::Rehash() {
  std::fill(table_.begin(), table_.end(), 0);
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t slot = static_cast<size_t>(entries_[i].hash & mask_);
    while (table_[slot] != 0) slot = (slot + 1) & mask_;
    table_[slot] = static_cast<int32_t>(i + 1);
  }
}
