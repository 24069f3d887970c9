#include "wordlist/index_type_table.h"

#include <algorithm>
#include <sys/mman.h>

#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"
#include "wordlist/word_counter.h"

namespace {
// Look-ups that compare with every type before a hash table is made.
constexpr int32_t kScansBeforeIndex = 4;
}  // namespace

int32_t TIndexTypeTable::Lookup(UStringView tag, UStringView word, uint64_t hash, size_t& slot) const {
  if (table_.empty()) return -1;
  const uint32_t check = static_cast<uint32_t>(hash >> 32);
  for (slot = static_cast<size_t>(hash & mask_);; slot = (slot + 1) & mask_) {
    const TCell cell = table_[slot];
    if (cell.entry == 0) return -1;
    if (cell.check != check) continue;
    const TEntry& x = entries_[static_cast<size_t>(cell.entry - 1)];
    if (x.hash != hash || x.tag_units != tag.size() || x.word_units != word.size()) continue;
    const char16_t* p = units_.data() + x.at;
    if (std::equal(tag.begin(), tag.end(), p) && std::equal(word.begin(), word.end(), p + x.tag_units))
      return cell.entry - 1;
  }
}

int32_t TIndexTypeTable::Find(UStringView tag, UStringView word) const {
  if (!indexed_ && ++scans_ <= kScansBeforeIndex) {
    const size_t units = tag.size() + word.size();
    for (size_t i = 0; i < entries_.size(); ++i) {
      const TEntry& e = entries_[i];
      if (e.tag_units != tag.size() || e.tag_units + e.word_units != units) continue;
      const char16_t* p = units_.data() + e.at;
      if (std::equal(tag.begin(), tag.end(), p) && std::equal(word.begin(), word.end(), p + e.tag_units))
        return static_cast<int32_t>(i);
    }
    return -1;
  }
  Index();
  size_t slot = 0;
  return Lookup(tag, word, TWordCounter::HashOf(word, tag), slot);
}

void TIndexTypeTable::Index() const {
  if (indexed_) return;
  for (TEntry& e : entries_) {
    const UStringView text(units_.data() + e.at, e.tag_units + e.word_units);
    e.hash = TWordCounter::HashOf(text.substr(e.tag_units), text.substr(0, e.tag_units));
  }
  size_t size = 1024;
  while (size < entries_.size() * 2 + 2) size *= 2;
  table_.assign(size, TCell{});
  mask_ = size - 1;
  // The first of a word stored twice keeps its slot.
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TEntry& e = entries_[i];
    const UStringView text(units_.data() + e.at, e.tag_units + e.word_units);
    size_t slot = 0;
    if (Lookup(text.substr(0, e.tag_units), text.substr(e.tag_units), e.hash, slot) < 0)
      table_[slot] = TCell{static_cast<uint32_t>(e.hash >> 32), static_cast<int32_t>(i + 1)};
  }
  indexed_ = true;
}

int32_t TIndexTypeTable::FindOrAdd(UStringView tag, UStringView word) {
  return FindOrAdd(tag, word, TWordCounter::HashOf(word, tag));
}

int32_t TIndexTypeTable::FindOrAdd(UStringView tag, UStringView word, uint64_t hash) {
  Index();
  if ((entries_.size() + 1) * 2 > table_.size()) Grow();
  size_t slot = 0;
  const int32_t found = Lookup(tag, word, hash, slot);
  if (found >= 0) return found;
  TEntry e{hash, units_.size(), static_cast<uint32_t>(tag.size()), static_cast<uint32_t>(word.size())};
  units_.insert(units_.end(), tag.begin(), tag.end());
  units_.insert(units_.end(), word.begin(), word.end());
  entries_.push_back(e);
  table_[slot] = TCell{static_cast<uint32_t>(hash >> 32), static_cast<int32_t>(entries_.size())};
  return static_cast<int32_t>(entries_.size() - 1);
}

void TIndexTypeTable::AddStoredBytes(const void* units_le, size_t units, int32_t tag_units) {
  const size_t at = units_.size();
  units_.resize(at + units);
  std::memcpy(units_.data() + at, units_le, 2 * units);
  const uint32_t t = static_cast<uint32_t>(std::clamp<int32_t>(tag_units, 0, static_cast<int32_t>(units)));
  entries_.push_back(TEntry{0, at, t, static_cast<uint32_t>(units - t)});
  indexed_ = false;
  scans_ = 0;
}

void TIndexTypeTable::Truncate(int32_t n) {
  if (n < 0 || n >= Count()) return;
  Index();
  units_.resize(static_cast<size_t>(entries_[static_cast<size_t>(n)].at));
  entries_.resize(static_cast<size_t>(n));
  Rehash();
}

void TIndexTypeTable::Clear() {
  entries_.clear();
  units_.clear();
  table_.clear();
  mask_ = 0;
  indexed_ = true;
  scans_ = 0;
}

void TIndexTypeTable::Reserve(size_t types, size_t units) {
  entries_.reserve(types);
  units_.reserve(units);
}

void TIndexTypeTable::Grow() {
  const size_t size = std::max<size_t>(1024, table_.size() * 2);
  table_.assign(size, TCell{});
  mask_ = size - 1;
  Rehash();
}

void TIndexTypeTable::Rehash() {
  std::fill(table_.begin(), table_.end(), TCell{});
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t slot = static_cast<size_t>(entries_[i].hash & mask_);
    while (table_[slot].entry != 0) slot = (slot + 1) & mask_;
    table_[slot] = TCell{static_cast<uint32_t>(entries_[i].hash >> 32), static_cast<int32_t>(i + 1)};
  }
}

// --- the types of an opened index ------------------------------------------------------------------

TIndexTypeView::~TIndexTypeView() { Clear(); }

void TIndexTypeView::Adopt(void* mapping, size_t bytes, int32_t types, std::vector<uint32_t> units,
                           std::vector<int64_t> words_at, std::vector<TIndexTypeFileRec> records) {
  Clear();
  words_at_ = std::move(words_at);
  records_ = std::move(records);
  mapping_ = mapping;
  bytes_ = bytes;
  file_ = static_cast<const uint8_t*>(mapping);
  types_ = types;
  units_ = std::move(units);
}

void TIndexTypeView::Clear() {
  if (mapping_) ::munmap(mapping_, bytes_);
  mapping_ = nullptr;
  bytes_ = 0;
  file_ = nullptr;
  types_ = 0;
  units_.clear();
  words_at_.clear();
  records_.clear();
  table_.clear();
  hashes_.clear();
  scans_ = 0;
}

int32_t TIndexTypeView::LeastFrequency(int32_t at_least) const {
  int32_t least = 0x7FFFFFFF;
  for (const TIndexTypeFileRec& r : records_)
    if (r.freq >= at_least && r.freq < least) least = r.freq;
  return least;
}

UString TIndexTypeView::Text(int32_t i) const {
  UString text(units_[static_cast<size_t>(i)], u'\0');
  std::memcpy(text.data(), file_ + words_at_[static_cast<size_t>(i)], 2 * text.size());
  return text;
}

int32_t TIndexTypeView::Find(UStringView tag, UStringView word) const {
  const size_t units = tag.size() + word.size();
  UString wanted;
  wanted.reserve(units);
  wanted.append(tag).append(word);
  auto same = [&](int32_t i) {
    return units_[static_cast<size_t>(i)] == units && static_cast<size_t>(TagUnits(i)) == tag.size() &&
           std::memcmp(file_ + words_at_[static_cast<size_t>(i)], wanted.data(), 2 * units) == 0;
  };
  if (table_.empty() && ++scans_ <= kScansBeforeIndex) {
    for (int32_t i = 0; i < types_; ++i)
      if (units_[static_cast<size_t>(i)] == units && same(i)) return i;
    return -1;
  }
  if (table_.empty() && types_ > 0) {
    size_t size = 1024;
    while (size < static_cast<size_t>(types_) * 2 + 2) size *= 2;
    table_.assign(size, 0);
    hashes_.resize(static_cast<size_t>(types_));
    mask_ = size - 1;
    for (int32_t i = 0; i < types_; ++i) {
      const UString text = Text(i);
      const size_t t = static_cast<size_t>(TagUnits(i));
      const uint64_t h = TWordCounter::HashOf(UStringView(text).substr(t), UStringView(text).substr(0, t));
      hashes_[static_cast<size_t>(i)] = h;
      size_t slot = static_cast<size_t>(h & mask_);
      while (table_[slot] != 0) slot = (slot + 1) & mask_;  // a word stored twice: both kept, the first found
      table_[slot] = i + 1;
    }
  }
  if (table_.empty()) return -1;
  const uint64_t h = TWordCounter::HashOf(word, tag);
  for (size_t slot = static_cast<size_t>(h & mask_);; slot = (slot + 1) & mask_) {
    const int32_t e = table_[slot];
    if (e == 0) return -1;
    if (hashes_[static_cast<size_t>(e - 1)] == h && same(e - 1)) return e - 1;
  }
}

void TIndexTypeView::CopyTo(TIndexTypeTable& table, std::vector<TIndexTypeFileRec>& recs) const {
  table.Clear();
  recs.clear();
  recs.reserve(static_cast<size_t>(types_));
  for (int32_t i = 0; i < types_; ++i) {
    table.AddStoredBytes(file_ + words_at_[static_cast<size_t>(i)], units_[static_cast<size_t>(i)], TagUnits(i));
    recs.push_back(Record(i));
  }
}

// --- the types in the order of their words ----------------------------------------------------------

void TIndexTypeList::Clear() {
  items_.clear();
  keys_.clear();
  list_byte = 0;
}

void TIndexTypeList::Sort() {
  const TLCID lcid = static_cast<TLCID>(lcid_);
  std::vector<std::pair<std::string, size_t>> keyed;
  keyed.reserve(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) keyed.emplace_back(CollationSortKey(lcid, case_sensitive_, items_[i].data), i);
  std::sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return items_[a.second].data < items_[b.second].data;
  });
  std::vector<TIndexTypeRec> sorted;
  sorted.reserve(items_.size());
  keys_.clear();
  keys_.reserve(items_.size());
  for (auto& [key, i] : keyed) {
    sorted.push_back(std::move(items_[i]));
    keys_.push_back(std::move(key));
  }
  items_ = std::move(sorted);
}

void TIndexTypeList::Build(std::vector<TIndexTypeRec> types, uint32_t lcid, bool case_sensitive) {
  items_ = std::move(types);
  lcid_ = lcid;
  case_sensitive_ = case_sensitive;
  Sort();
}

int32_t TIndexTypeList::Find(UStringView word) const {
  if (keys_.size() != items_.size()) return -1;
  const std::string key = CollationSortKey(static_cast<TLCID>(lcid_), case_sensitive_, word);
  auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
  for (; it != keys_.end() && *it == key; ++it) {
    const size_t i = static_cast<size_t>(it - keys_.begin());
    if (items_[i].data == word) return static_cast<int32_t>(i);
  }
  return -1;
}

void TIndexTypeList::SetWords(const std::function<UString(uint32_t)>& word_of_type, uint32_t lcid, bool case_sensitive) {
  for (TIndexTypeRec& r : items_) r.data = word_of_type(TypeRecWithoutTextMarker(r.rec.word_type_num));
  lcid_ = lcid;
  case_sensitive_ = case_sensitive;
  Sort();
}

bool TIndexTypeList::SaveToStream(TStream& s) const {
  bool ok = WriteI32(s, Count()) && WriteU8(s, list_byte);
  for (const TIndexTypeRec& r : items_) ok = ok && s.WriteExact(&r.rec, 36) && WriteI32(s, 0);
  return ok;
}

bool TIndexTypeList::ReadFromStream(TStream& s) {
  Clear();
  int32_t n = 0;
  if (!ReadI32(s, n) || n < 0 || !ReadU8(s, list_byte)) return false;
  for (int32_t i = 0; i < n; ++i) {
    TIndexTypeRec r;
    int32_t place = 0;
    if (!s.ReadExact(&r.rec, 36) || !ReadI32(s, place)) return false;
    items_.push_back(std::move(r));
  }
  return true;
}
