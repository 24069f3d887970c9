#include "platform/search/search_items.h"

#include <algorithm>

#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_files.h"

namespace {

constexpr uint32_t kItemsMagic = 0x4957534C;  // "LSWI"
constexpr int32_t kItemsVersion = 1;
constexpr size_t kMaxSymbols = 10;
// 4 strings (4 bytes each when empty), 4 int32, 3 bytes.
constexpr int64_t kMinItemBytes = 4 * 4 + 4 * 4 + 3;
constexpr int64_t kMaxItemFileBytes = 16 * 1024 * 1024;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x00A0; }

// Trimmed, every run of blanks made one space.
UString Collapsed(UStringView s) {
  UString out;
  out.reserve(s.size());
  bool pending = false;
  for (char16_t c : s) {
    if (IsBlank(c)) {
      pending = !out.empty();
      continue;
    }
    if (pending) out.push_back(u' ');
    pending = false;
    out.push_back(c);
  }
  return out;
}

bool HasCaseMarks(UStringView s) { return s.size() > 4 && s.substr(0, 2) == u"==" && s.substr(s.size() - 2) == u"=="; }

bool HoldsMarkup(UStringView s) {
  size_t lt = s.find(u'<');
  return lt != UStringView::npos && s.find(u'>', lt + 1) != UStringView::npos;
}

std::vector<UString> NonEmptyLines(UStringView text) {
  std::vector<UString> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n' || text[i] == u'\r') {
      UString line = Collapsed(text.substr(start, i - start));
      if (!line.empty()) lines.push_back(std::move(line));
      start = i + 1;
    }
  }
  return lines;
}

bool WriteItem(TStream& s, const TSearch_word_format_rec& r) {
  return WriteAString(s, r.sw) && WriteAString(s, r.plain_sw) && WriteAString(s, r.attached_text) &&
         WriteAString(s, r.context_words) && WriteI32(s, r.instances_to_find) && WriteU32(s, r.options) &&
         WriteI32(s, r.hits) && WriteI32(s, r.context_distance) && WriteBool(s, r.sw_contains_a_tag) &&
         WriteBool(s, r.context_require_all) && WriteBool(s, r.context_exact);
}

bool ReadFlag(TStream& s, bool& v) {
  uint8_t b = 0;
  if (!ReadU8(s, b) || b > 1) return false;
  v = b != 0;
  return true;
}

bool ReadItem(TStream& s, TSearch_word_format_rec& r) {
  if (!(ReadAString(s, r.sw) && ReadAString(s, r.plain_sw) && ReadAString(s, r.attached_text) &&
        ReadAString(s, r.context_words) && ReadI32(s, r.instances_to_find) && ReadU32(s, r.options) &&
        ReadI32(s, r.hits) && ReadI32(s, r.context_distance) && ReadFlag(s, r.sw_contains_a_tag) &&
        ReadFlag(s, r.context_require_all) && ReadFlag(s, r.context_exact))) {
    return false;
  }
  return (r.options & ~kSwKnownOptions) == 0 && r.hits >= 0;
}

}  // namespace

TBaseSearchItems::TBaseSearchItems(const TSearchTextOptions& options) : options_(options) {}
TBaseSearchItems::~TBaseSearchItems() = default;

bool TBaseSearchItems::GetSWR(int32_t index, TSearch_word_format_rec& rec) const {
  const TSearch_word_format_rec* p = GetPtr(index);
  if (p == nullptr) return false;
  rec = *p;
  return true;
}

TSearch_word_format_rec* TBaseSearchItems::GetPtr(int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

const TSearch_word_format_rec* TBaseSearchItems::GetPtr(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

int32_t TBaseSearchItems::GetSpacesInSW(int32_t index) const {
  const TSearch_word_format_rec* p = GetPtr(index);
  if (p == nullptr) return 0;
  UString plain = PlainFormOf(p->sw);
  int32_t best = 0, here = 0;
  for (char16_t c : plain) {
    if (c == u'/') {
      best = std::max(best, here);
      here = 0;
    } else if (c == u' ') {
      ++here;
    }
  }
  return std::max(best, here);
}

void TBaseSearchItems::Clear() {
  items_.clear();
  single_item = -1;
  from_file = false;
}

void TBaseSearchItems::ClearHits() {
  for (auto& r : items_) r.hits = 0;
}

UString TBaseSearchItems::PlainFormOf(UStringView typed) {
  UString t = Collapsed(typed);
  UStringView v = t;
  if (HasCaseMarks(v)) v = v.substr(2, v.size() - 4);
  UString out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == u'<') {
      size_t close = v.find(u'>', i + 1);
      if (close != UStringView::npos) {
        out.push_back(u' ');
        i = close;
        continue;
      }
    }
    out.push_back(v[i]);
  }
  return Collapsed(out);
}

TSearch_word_format_rec TBaseSearchItems::MakeItem(UStringView typed, int32_t instances_to_find) {
  TSearch_word_format_rec r;
  r.sw = Collapsed(typed);
  r.plain_sw = PlainFormOf(r.sw);
  r.instances_to_find = instances_to_find;
  if (HasCaseMarks(r.sw)) r.options |= kSwCaseSensitive;
  r.sw_contains_a_tag = HoldsMarkup(r.sw);
  return r;
}

bool TBaseSearchItems::AddedSearchWords(UStringView text, int32_t instances_to_find) {
  bool added = false;
  for (UString& line : NonEmptyLines(text)) {
    if (TypeInIndexOf(line) >= 0) continue;
    items_.push_back(MakeItem(line, instances_to_find));
    added = true;
  }
  return added;
}

int32_t TBaseSearchItems::InsertSearchWordsAtTop(UStringView text) {
  std::vector<TSearch_word_format_rec> fresh;
  for (UString& line : NonEmptyLines(text)) {
    if (TypeInIndexOf(line) >= 0) continue;
    bool dup = false;
    for (const auto& f : fresh) dup = dup || f.sw == line;
    if (!dup) fresh.push_back(MakeItem(line));
  }
  items_.insert(items_.begin(), fresh.begin(), fresh.end());
  return static_cast<int32_t>(fresh.size());
}

int32_t TBaseSearchItems::TypeInIndexOf(UStringView typed) const {
  UString want = Collapsed(typed);
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].sw == want) return static_cast<int32_t>(i);
  }
  return -1;
}

bool TBaseSearchItems::LoadFromFile(const UString& file_name, int32_t instances_to_find) {
  UString text;
  if (!ReadTextFile(file_name, text, kMaxItemFileBytes)) return false;
  if (!AddedSearchWords(text, instances_to_find > 0 ? instances_to_find : 0x7FFFFFFF)) return false;
  from_file = true;
  return true;
}

std::vector<UString> TBaseSearchItems::TypedInWordsAsStringlist() const {
  std::vector<UString> out;
  out.reserve(items_.size());
  for (const auto& r : items_) out.push_back(r.sw);
  return out;
}

UString TBaseSearchItems::AllTypedSearchWordsAsOne(bool for_display) const {
  UString out;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) out += for_display ? UString(u", ") : UString(u"\t");
    out += items_[i].sw;
  }
  return out;
}

void TBaseSearchItems::ComputePlainSearchWords() {
  for (auto& r : items_) r.plain_sw = PlainFormOf(r.sw);
}

int32_t TBaseSearchItems::SearchesPlannedCount() const {
  if (single_item >= 0) return single_item < Count() ? 1 : 0;
  return Count();
}

bool TBaseSearchItems::SaveToStream(TStream& s) const {
  uint8_t flags = static_cast<uint8_t>((from_file ? 1 : 0) | (context_words_present ? 2 : 0) |
                                       (exact_position ? 4 : 0) | (require_all ? 8 : 0));
  bool ok = WriteU32(s, kItemsMagic) && WriteI32(s, kItemsVersion) && WriteU8(s, ItemsKind()) &&
            WriteI32(s, single_item) && WriteU8(s, flags) && WriteI32(s, required_distance) &&
            WriteU32(s, options_.lcid) && WriteBool(s, options_.hyphens_separate_words) &&
            WriteAString(s, options_.in_word_symbols) && WriteBool(s, options_.symbols_at_start) &&
            WriteBool(s, options_.symbols_at_end) && WriteI32(s, Count());
  for (size_t i = 0; ok && i < items_.size(); ++i) ok = WriteItem(s, items_[i]);
  return ok;
}

bool TBaseSearchItems::ReadFromStream(TStream& s) {
  try {
    uint32_t magic = 0;
    int32_t version = 0, single = -1, distance = 0, count = 0;
    uint8_t kind = 0, flags = 0;
    TSearchTextOptions opts;
    if (!ReadU32(s, magic) || magic != kItemsMagic) return false;
    if (!ReadI32(s, version) || version < 1 || version > kItemsVersion) return false;
    if (!ReadU8(s, kind) || kind != ItemsKind()) return false;
    if (!ReadI32(s, single) || single < -1) return false;
    if (!ReadU8(s, flags) || flags > 15) return false;
    if (!ReadI32(s, distance)) return false;
    if (!(ReadU32(s, opts.lcid) && ReadFlag(s, opts.hyphens_separate_words) && ReadAString(s, opts.in_word_symbols) &&
          ReadFlag(s, opts.symbols_at_start) && ReadFlag(s, opts.symbols_at_end))) {
      return false;
    }
    if (opts.in_word_symbols.size() > kMaxSymbols) return false;
    if (!ReadCount(s, count, kMinItemBytes)) return false;
    if (single >= count) return false;
    std::vector<TSearch_word_format_rec> items(static_cast<size_t>(count));
    for (auto& r : items) {
      if (!ReadItem(s, r)) return false;
    }
    items_ = std::move(items);
    options_ = opts;
    single_item = single;
    from_file = (flags & 1) != 0;
    context_words_present = (flags & 2) != 0;
    exact_position = (flags & 4) != 0;
    require_all = (flags & 8) != 0;
    required_distance = distance;
    return true;
  } catch (...) {
    return false;
  }
}

bool TTagContextWordItems::AddedSearchWords(UStringView text, int32_t instances_to_find) {
  bool added = TBaseSearchItems::AddedSearchWords(text, instances_to_find);
  if (added) AddToLogFile("tag context words are kept with the run but not searched");
  return added;
}

int32_t TSimpleSearchlist::AddOne(const TSearch_word_format_rec& rec) {
  items_.push_back(rec);
  return Count() - 1;
}

void TSimpleSearchlist::LoadFromAStringlist(const std::vector<UString>& strings) {
  items_.clear();
  for (const UString& s : strings) {
    if (!Collapsed(s).empty()) items_.push_back(MakeItem(s));
  }
}

UString TSimpleSearchlist::GetATypedInSW(int32_t index) const {
  const TSearch_word_format_rec* p = GetPtr(index);
  return p ? p->sw : UString();
}

int32_t TSearchFoundList::Add(const TSearchFound_Rec& rec) {
  holders_.emplace_back(rec);
  return Count() - 1;
}

const TSearchFoundHolder* TSearchFoundList::Get(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &holders_[static_cast<size_t>(index)];
}
