#include "concordance/lines/duplicate_classes.h"

TDuplicateClasses::TDuplicateClasses(size_t expected) {
  size_t size = 16;
  while (size < expected * 2) size *= 2;
  heads_.assign(size, -1);
  hashes_.assign(size, 0);
  mask_ = size - 1;
}

int32_t TDuplicateClasses::NextOf(int32_t item) const {
  const auto it = next_.find(item);
  return it == next_.end() ? -1 : it->second;
}

void TDuplicateClasses::SetNext(int32_t item, int32_t next) { next_[item] = next; }

void TDuplicateClasses::Grow() {
  std::vector<int32_t> heads = std::move(heads_);
  std::vector<uint64_t> hashes = std::move(hashes_);
  heads_.assign(heads.size() * 2, -1);
  hashes_.assign(heads.size() * 2, 0);
  mask_ = heads_.size() - 1;
  for (size_t s = 0; s < heads.size(); ++s) {
    if (heads[s] < 0) continue;
    size_t slot = SlotOf(hashes[s]);
    while (heads_[slot] >= 0) slot = (slot + 1) & mask_;
    heads_[slot] = heads[s];
    hashes_[slot] = hashes[s];
  }
}
