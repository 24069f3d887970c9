#include "concordance/views/derived_list_support.h"

#include "concordance/lines/concordance_list.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "model/lists/result_list_base.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

bool WriteTextInWidth(TStream& s, const TVXBaseHolder* holder, const std::optional<UString>& text) {
  const bool unicode = holder ? holder->Unicode() : true;
  if (unicode) return WriteUnknownLengthPointer(s, text ? &*text : static_cast<const UString*>(nullptr));
  if (!text) return WriteUnknownLengthPointer(s, static_cast<const std::string*>(nullptr));
  const std::string narrow = EncodeCodePage(*text, holder->CodePage());
  return WriteUnknownLengthPointer(s, &narrow);
}

bool ReadTextInWidth(TStream& s, const TVXBaseHolder* holder, std::optional<UString>& text) {
  const bool unicode = holder ? holder->Unicode() : true;
  if (unicode) return ReadUnknownLengthPointer(s, text);
  std::optional<std::string> narrow;
  if (!ReadUnknownLengthPointer(s, narrow)) return false;
  text.reset();
  if (narrow)
    text = DecodeCodePage(reinterpret_cast<const uint8_t*>(narrow->data()), narrow->size(), holder->CodePage());
  return true;
}

UString CountingWordAt(const TConcordanceEntry& line, int span_position, const TDerivedCountSettings& settings) {
  const auto [start, length] = SpanWordExtent(line, span_position);
  if (length <= 0) return UString();
  const TLineText word = line.Text().substr(static_cast<size_t>(start), static_cast<size_t>(length));
  return settings.keep_case ? word.ToUString() : UpperCaseU(TLineTextWide(word), settings.lcid);
}

namespace {

template <class Test>
bool AnyCharacter(UStringView text, Test test) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (test(CharKindOf(c))) return true;
  }
  return false;
}

}  // namespace

bool ContainsAlphanumCharacter(UStringView text) {
  return AnyCharacter(text, [](uint16_t k) { return (k & (C1_ALPHA | C1_DIGIT)) != 0; });
}

bool ContainsDigit(UStringView text) {
  return AnyCharacter(text, [](uint16_t k) { return (k & C1_DIGIT) != 0; });
}

uint64_t TCountingWords::HashOf(UStringView text) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  uint64_t h = 0x243F6A8885A308D3ull ^ (text.size() * kMul);
  const char16_t* p = text.data();
  size_t n = text.size();
  for (; n >= 4; n -= 4, p += 4) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * kMul;
    h ^= h >> 32;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, p, n * 2);  // the last one to three units (little-endian order is the hash's own)
  h = (h ^ tail) * kMul;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 32);
}

UString TCountingWords::CountedForm(UStringView raw) const {
  UString counted = settings_.keep_case ? UString(raw) : UpperCaseU(raw, settings_.lcid);
  if (numbers_as_hash_ && ContainsDigit(counted)) counted = u"#";
  return counted;
}

void TCountingWords::IndexTakenWords() {
  counted_.reserve(words_.size());
  for (size_t i = counted_.size(); i < words_.size(); ++i) counted_.emplace(words_[i], static_cast<int32_t>(i));
}

std::vector<int32_t> TCountingWords::TakeCountedInOrder(std::vector<UString> in_order) {
  all_through_of_ = false;
  if (words_.empty()) {
    words_ = std::move(in_order);
    return {};
  }
  // A table that holds words already: they are numbered one by one, as OfCounted numbers them.
  std::vector<int32_t> numbers;
  numbers.reserve(in_order.size());
  for (const UString& w : in_order) numbers.push_back(OfCounted(w));
  return numbers;
}

int32_t TCountingWords::Counted(UStringView raw) {
  // Where a text is its own counted form and every word came through Of, a text new to Of's
  // table is a new counted form: it needs no lookup, and the lookup is made only if a word is
  // ever given otherwise (each worker's table of a fetch is never given one).
  if (all_through_of_ && settings_.keep_case && !numbers_as_hash_) {
    words_.emplace_back(raw);
    return static_cast<int32_t>(words_.size()) - 1;
  }
  if (counted_.size() < words_.size()) IndexTakenWords();
  UString counted = CountedForm(raw);
  if (auto c = counted_.find(counted); c != counted_.end()) return c->second;
  const int32_t id = static_cast<int32_t>(words_.size());
  counted_.emplace(counted, id);
  words_.push_back(std::move(counted));
  return id;
}

int32_t TCountingWords::OfCounted(const UString& counted) {
  all_through_of_ = false;
  if (counted_.size() < words_.size()) IndexTakenWords();
  auto [it, added] = counted_.try_emplace(counted, static_cast<int32_t>(words_.size()));
  if (added) words_.push_back(counted);
  return it->second;
}

void TCountingWords::Grow() {
  std::vector<TSlot> old = std::move(slots_);
  slots_.assign(std::max<size_t>(1024, old.size() * 2), TSlot());
  const size_t mask = slots_.size() - 1;
  for (const TSlot& s : old) {
    if (s.id < 0) continue;
    size_t i = s.hash & mask;
    while (slots_[i].id >= 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

int32_t TCountingWords::Of(UStringView raw) {
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  const uint64_t hash = HashOf(raw);
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    TSlot& s = slots_[i];
    if (s.id < 0) {
      const int32_t id = Counted(raw);
      s = {hash, static_cast<uint32_t>(raw_chars_.size()), static_cast<uint32_t>(raw.size()), id};
      raw_chars_.append(raw);
      ++used_;
      return id;
    }
    if (s.hash == hash && s.length == raw.size() &&
        std::memcmp(raw_chars_.data() + s.offset, raw.data(), raw.size() * 2) == 0)
      return s.id;
  }
}

int32_t TCountingWords::AtRecord(const TConcordanceEntry& line, const TSortInfoRec& r) {
  // The word's extent as SpanWordExtent gives it: clamped to the text, none outside it.
  if (r.coll_length <= 0) return -1;
  const TLineText text = line.Text();
  const int64_t start = int64_t(line.Data().midpoint) + r.start_position;
  const int64_t size = static_cast<int64_t>(text.size());
  if (start < 0 || start >= size) return -1;
  return OfLineWord(text.substr(static_cast<size_t>(start), static_cast<size_t>(std::min<int64_t>(r.coll_length, size - start))));
}

int32_t TCountingWords::At(const TConcordanceEntry& line, int span_position) {
  const auto [start, length] = SpanWordExtent(line, span_position);
  if (length <= 0) return -1;
  return OfLineWord(line.Text().substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

int32_t TCountingWords::OfLineWord(TLineText word) {
  const size_t n = word.size();
  if (!word.OneByte() || n == 0 || n > kShortWordBytes) return Of(wide_.Assign(word));
  uint64_t key = 0;
  std::memcpy(&key, word.Bytes(), n);
  key |= uint64_t{n} << 56;
  auto home = [](uint64_t k, size_t mask) {
    k *= 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(k ^ (k >> 32)) & mask;
  };
  if ((short_used_ + 1) * 2 > short_slots_.size()) {
    std::vector<TShortSlot> old = std::move(short_slots_);
    short_slots_.assign(std::max<size_t>(256, old.size() * 2), TShortSlot());
    const size_t mask = short_slots_.size() - 1;
    for (const TShortSlot& s : old) {
      if (s.key == 0) continue;
      size_t i = home(s.key, mask);
      while (short_slots_[i].key != 0) i = (i + 1) & mask;
      short_slots_[i] = s;
    }
  }
  const size_t mask = short_slots_.size() - 1;
  for (size_t i = home(key, mask);; i = (i + 1) & mask) {
    TShortSlot& s = short_slots_[i];
    if (s.key == key) return s.id;
    if (s.key == 0) {
      s = {key, Of(wide_.Assign(word))};
      ++short_used_;
      return s.id;
    }
  }
}
