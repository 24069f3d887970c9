#include "shell/grid_tools/search_replace_rules.h"

#include <algorithm>

#include "model/lists/search_conditions.h"
#include "platform/runtime/vx_resources.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "platform/text/text_services.h"


TSearchReplaceRun::TSearchReplaceRun() : d_(std::make_unique<Impl>()) {}
TSearchReplaceRun::~TSearchReplaceRun() = default;

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

bool PlainHits(UStringView text, const std::vector<TPlainItem>& plain, std::vector<std::pair<int32_t, int32_t>>& hits) {
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
        break;
      }
    }
    i = j;
  }
  return true;
}

}  // namespace

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

void TCellHitFinder::Hits(UStringView text, std::vector<std::pair<int32_t, int32_t>>& hits) {
  Impl& d = *d_;
  hits.clear();
  if (d.items.empty()) return;
  if (d.plain_items && PlainHits(text, d.plain, hits)) return;
  bool may = false;
  for (const UString& typed : d.typed) may = may || TextMayHoldItem(text, typed);
  if (!may) return;
  auto found = [&hits](TSearchAndDoEngine&, TSearchFound_Rec& f) {
    hits.emplace_back(f.hit_position, f.hit_length);
    return true;
  };
  d.engine->PrepareFirst(text, -1, 0, found);
  for (size_t k = 0; k < d.items.size(); ++k) d.engine->SearchAndDo(d.items[k], static_cast<int32_t>(k));
  if (d.items.size() > 1) {
    std::sort(hits.begin(), hits.end());
    // Hits of different items at one place: the first (longest when tied in start) stays.
    std::vector<std::pair<int32_t, int32_t>> kept;
    for (const auto& h : hits)
      if (kept.empty() || h.first >= kept.back().first + kept.back().second) kept.push_back(h);
    hits = std::move(kept);
  }
}

bool SearchDiffersFromLast(UStringView last, const std::vector<UString>& items) {
  const UString was = TrimU(last);
  if (was.empty()) return false;
  const TSearch_word_format_rec last_item = TBaseSearchItems::MakeItem(was);
  for (const UString& i : items) {
    if (TrimU(i).empty()) continue;
    const TSearch_word_format_rec item = TBaseSearchItems::MakeItem(TrimU(i));
    if (item.sw != last_item.sw || item.options != last_item.options) return true;
  }
  return false;
}

struct TSearchReplaceRun::Impl {
  TSearchReplaceOwner owner;
  std::unique_ptr<TCellHitFinder> finder;
  UString replacement;
  int32_t rows = 0;
  int32_t row = -1;
  UString working;
  std::vector<std::pair<int32_t, int32_t>> hits;  // offset in the original text, length
  size_t next = 0;
  int32_t shift = 0;
  int32_t pending = 0;  // replacements made in working, not yet handed to the owner
  UString found;        // the text of the last hit replaced
  bool waited_this_row = false;
};

bool TSearchReplaceRun::PlainWordHits(UStringView text, const std::vector<UString>& items,
                                      std::vector<std::pair<int32_t, int32_t>>& hits) {
  std::vector<TPlainItem> plain;
  return PlainItems(items, plain) && PlainHits(text, plain, hits);
}

UString TSearchReplaceRun::BadSearchItem(UStringView typed) {
  const UString t = TrimU(typed);
  if (t.empty()) return u"\"\"";
  size_t start = 0;
  while (start <= t.size()) {
    size_t end = t.find(u'/', start);
    if (end == UString::npos) end = t.size();
    const UStringView alt = UStringView(t).substr(start, end - start);
    bool has_word = false;
    for (char16_t ch : alt)
      if ((CharKindOf(ch) & (C1_ALPHA | C1_DIGIT)) != 0 || ch == u'*' || ch == u'?') has_word = true;
    if (!has_word) return u"\"" + t + u"\"";
    start = end + 1;
  }
  return UString();
}

bool TSearchReplaceRun::Start(const std::vector<UString>& items, bool replacing, UStringView replacement,
                              bool confirm_each, TSearchReplaceOwner owner, const TSearchTextOptions& options) {
  d_ = std::make_unique<Impl>();
  state_ = TSearchState::kIdle;
  cancelled_ = false;
  hits_this_pass_ = total_hits_ = replaced_ = passes_ = 0;
  d_->finder = std::make_unique<TCellHitFinder>(items, options);
  if (d_->finder->Empty() || !owner.rows || !owner.cell_text) {
    state_ = TSearchState::kFinished;
    return false;
  }
  d_->owner = std::move(owner);
  d_->replacement = UString(replacement);
  d_->rows = d_->owner.rows();
  replacing_ = replacing;
  confirm_each_ = confirm_each;
  return true;
}

bool TSearchReplaceRun::LoadRow() {
  Impl& d = *d_;
  d.hits.clear();
  d.next = 0;
  d.shift = 0;
  d.waited_this_row = false;
  if (!d.owner.cell_text(d.row, d.working)) return false;
  d.finder->Hits(d.working, d.hits);
  return !d.hits.empty();
}

TSearchState TSearchReplaceRun::Advance() {
  Impl& d = *d_;
  while (state_ == TSearchState::kIdle) {
    if (d.next >= d.hits.size()) {
      Flush();
      ++d.row;
      if (d.row >= d.rows) {
        ++passes_;
        if (replacing_ || hits_this_pass_ == 0) {
          state_ = TSearchState::kFinished;
        } else if (hits_this_pass_ == 1) {
          state_ = TSearchState::kPassEnded;
        } else {
          d.row = -1;
          hits_this_pass_ = 0;
        }
        d.hits.clear();
        d.next = 0;
        continue;
      }
      LoadRow();
      continue;
    }
    const auto [offset, length] = d.hits[d.next];
    hit_ = TSearchHit{d.row, offset + d.shift, length};
    ++hits_this_pass_;
    ++total_hits_;
    if (replacing_) {
      if (confirm_each_) {
        state_ = TSearchState::kWaiting;
        break;
      }
      Answer(true);
      continue;
    }
    if (!d.waited_this_row) {
      d.waited_this_row = true;
      state_ = TSearchState::kWaiting;
      break;
    }
    ++d.next;
  }
  return state_;
}

void TSearchReplaceRun::Answer(bool yes) {
  Impl& d = *d_;
  if (yes && replacing_) {
    const size_t at = static_cast<size_t>(hit_.offset);
    d.found.assign(d.working, at, static_cast<size_t>(hit_.length));
    d.working.replace(at, static_cast<size_t>(hit_.length), d.replacement);
    d.shift += static_cast<int32_t>(d.replacement.size()) - hit_.length;
    ++d.pending;
    // Asked hit by hit, the owner takes each replacement at once; without asking, the row's
    // replacements go over together when the row is done.
    if (confirm_each_ || state_ == TSearchState::kWaiting) Flush();
  }
  ++d.next;
  if (state_ == TSearchState::kWaiting) state_ = TSearchState::kIdle;
}

void TSearchReplaceRun::Flush() {
  Impl& d = *d_;
  if (d.pending == 0) return;
  if (d.owner.replace && d.owner.replace(d.row, d.working)) {
    replaced_ += d.pending;
  } else if (d.pending == 1) {
    // The cell stays as it is; the run goes on.
    d.working.replace(static_cast<size_t>(hit_.offset), d.replacement.size(), d.found);
    d.shift -= static_cast<int32_t>(d.replacement.size()) - hit_.length;
  } else {
    d.owner.cell_text(d.row, d.working);
  }
  d.pending = 0;
}

void TSearchReplaceRun::Yes() {
  if (state_ == TSearchState::kWaiting) Answer(true);
}
void TSearchReplaceRun::Skip() {
  if (state_ == TSearchState::kWaiting) Answer(false);
}
void TSearchReplaceRun::YesAll() {
  confirm_each_ = false;
  Yes();
}
void TSearchReplaceRun::SkipAll() { Cancel(); }
void TSearchReplaceRun::Cancel() {
  if (state_ != TSearchState::kFinished) Flush();
  cancelled_ = true;
  state_ = TSearchState::kFinished;
}

void TSearchReplaceRun::ContinueAfterPass(bool go_on) {
  if (state_ != TSearchState::kPassEnded) return;
  if (!go_on) {
    cancelled_ = true;
    state_ = TSearchState::kFinished;
    return;
  }
  d_->row = -1;
  hits_this_pass_ = 0;
  state_ = TSearchState::kIdle;
}

UString TSearchReplaceRun::ContextText() const {
  return VXRes(TVXRes::VXRowNumber) + u" " + IntToUStr(hit_.row + 1) + u": " + d_->working;
}

int32_t TSearchReplaceRun::ContextOffset() const {
  const UString text = ContextText();
  return static_cast<int32_t>(text.size() - d_->working.size()) + hit_.offset;
}

UString TSearchReplaceRun::PreviewText() const {
  UString t = d_->working;
  if (hit_.offset >= 0 && static_cast<size_t>(hit_.offset + hit_.length) <= t.size())
    t.replace(static_cast<size_t>(hit_.offset), static_cast<size_t>(hit_.length), d_->replacement);
  return t;
}
