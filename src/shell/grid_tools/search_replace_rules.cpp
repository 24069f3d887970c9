#include "shell/grid_tools/search_replace_rules.h"

#include <algorithm>

#include "model/lists/search_conditions.h"
#include "platform/runtime/vx_resources.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "platform/text/text_services.h"


TSearchReplaceRun::TSearchReplaceRun() : d_(std::make_unique<Impl>()) {}
TSearchReplaceRun::~TSearchReplaceRun() = default;

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
  return ::PlainWordHits(text, items, hits);
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
