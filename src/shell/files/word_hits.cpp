#include "shell/files/word_hits.h"

#include <algorithm>

#include "model/lists/search_conditions.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "platform/text/text_services.h"

namespace {

bool AsciiAlnum(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t AsciiLowerChar(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameFolded(UStringView a, UStringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  return true;
}

struct TPlainItem {
  UStringView core;
  bool any_before = false, any_after = false;
};

// The items as plain words, or false when one of them is not.
bool PlainItems(const std::vector<UString>& items, std::vector<TPlainItem>& plain) {
  plain.clear();
  for (const UString& item : items) {
    TPlainItem p{item};
    if (!p.core.empty() && p.core.front() == u'*') {
      p.any_before = true;
      p.core.remove_prefix(1);
    }
    if (!p.core.empty() && p.core.back() == u'*') {
      p.any_after = true;
      p.core.remove_suffix(1);
    }
    if (p.core.empty()) return false;
    for (char16_t c : p.core)
      if (!AsciiAlnum(c)) return false;
    plain.push_back(p);
  }
  return !plain.empty();
}

bool PlainHits(UStringView text, const std::vector<TPlainItem>& plain, std::vector<std::pair<int32_t, int32_t>>& hits,
               std::vector<int32_t>* items) {
  // Blanks and the common stops part words here exactly as the engine parts them; anything else
  // (apostrophes and hyphens inside words, points and commas inside numbers, mark-up, letters
  // beyond ASCII) goes to the engine.
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (AsciiAlnum(c) || c == u' ') continue;
    if (c == u';' || c == u':' || c == u'!' || c == u'?' || c == u'"' || c == u'(' || c == u')') continue;
    if ((c == u'.' || c == u',') && (i == 0 || !AsciiAlnum(text[i - 1]) || i + 1 >= text.size() || !AsciiAlnum(text[i + 1])))
      continue;
    return false;
  }
  hits.clear();
  if (items) items->clear();
  for (size_t i = 0; i < text.size();) {
    if (!AsciiAlnum(text[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && AsciiAlnum(text[j])) ++j;
    const UStringView word = text.substr(i, j - i);
    for (const TPlainItem& p : plain) {
      if (word.size() < p.core.size()) continue;
      bool match;
      if (p.any_before && p.any_after) {
        match = false;
        for (size_t at = 0; !match && at + p.core.size() <= word.size(); ++at) match = SameFolded(word.substr(at, p.core.size()), p.core);
      } else if (p.any_after) {
        match = SameFolded(word.substr(0, p.core.size()), p.core);
      } else if (p.any_before) {
        match = SameFolded(word.substr(word.size() - p.core.size()), p.core);
      } else {
        match = SameFolded(word, p.core);
      }
      if (match) {
        hits.emplace_back(static_cast<int32_t>(i), static_cast<int32_t>(j - i));
        if (items) items->push_back(static_cast<int32_t>(&p - plain.data()));
        break;
      }
    }
    i = j;
  }
  return true;
}

}  // namespace

bool PlainWordHits(UStringView text, const std::vector<UString>& items, std::vector<std::pair<int32_t, int32_t>>& hits) {
  std::vector<TPlainItem> plain;
  return PlainItems(items, plain) && PlainHits(text, plain, hits, nullptr);
}

struct TCellHitFinder::Impl {
  std::vector<TSearch_word_format_rec> items;
  std::vector<UString> typed;
  std::vector<TPlainItem> plain;  // the items as plain words, when they are
  bool plain_items = false;
  std::unique_ptr<TSearchAndDoEngine> engine;
};

TCellHitFinder::TCellHitFinder(const std::vector<UString>& items, const TSearchTextOptions& options)
    : d_(std::make_unique<Impl>()) {
  for (const UString& i : items)
    if (!TrimU(i).empty()) {
      d_->items.push_back(TBaseSearchItems::MakeItem(i));
      d_->typed.push_back(TrimU(i));
    }
  d_->plain_items = PlainItems(d_->typed, d_->plain);
  d_->engine = std::make_unique<TSearchAndDoEngine>(true, true, options);
}

TCellHitFinder::~TCellHitFinder() = default;

bool TCellHitFinder::Empty() const { return d_->items.empty(); }

const std::vector<UString>& TCellHitFinder::Items() const { return d_->typed; }

void TCellHitFinder::Hits(UStringView text, std::vector<std::pair<int32_t, int32_t>>& hits, std::vector<int32_t>* items) {
  Impl& d = *d_;
  hits.clear();
  if (items) items->clear();
  if (d.items.empty()) return;
  if (d.plain_items && PlainHits(text, d.plain, hits, items)) return;
  bool may = false;
  for (const UString& typed : d.typed) may = may || TextMayHoldItem(text, typed);
  if (!may) return;
  struct THit {
    int32_t start, length, item;
    auto operator<=>(const THit&) const = default;
  };
  std::vector<THit> found_hits;
  auto found = [&found_hits](TSearchAndDoEngine&, TSearchFound_Rec& f) {
    found_hits.push_back({f.hit_position, f.hit_length, f.item_index});
    return true;
  };
  d.engine->PrepareFirst(text, -1, 0, found);
  for (size_t k = 0; k < d.items.size(); ++k) d.engine->SearchAndDo(d.items[k], static_cast<int32_t>(k));
  // Hits of different items at one place: the first in (start, length) order stays.
  if (d.items.size() > 1) std::sort(found_hits.begin(), found_hits.end());
  for (const THit& h : found_hits) {
    if (d.items.size() > 1 && !hits.empty() && h.start < hits.back().first + hits.back().second) continue;
    hits.emplace_back(h.start, h.length);
    if (items) items->push_back(h.item);
  }
}
