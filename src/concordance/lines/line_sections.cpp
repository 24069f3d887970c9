#include "concordance/lines/line_sections.h"

#include <algorithm>
#include <climits>
#include <set>
#include <tuple>

#include "platform/settings/settings_access.h"

TLineSpanPair CollocSpan(int32_t left_words, int32_t right_words) {
  TLineSpanPair s;
  s.left = static_cast<uint8_t>(kSpanCentre - std::clamp(left_words, 0, kSpanCentre - kSpanLowest));
  s.right = static_cast<uint8_t>(kSpanCentre + std::clamp(right_words, 0, kSpanHighest - kSpanCentre));
  return s;
}

TLineSpanPair CollocSpan(Tdouble_smallint_type horizons_in_words) {
  return CollocSpan(horizons_in_words.left, horizons_in_words.right);
}

int32_t SortSpanFromSort(int32_t key) { return key >= 0 && key <= 10 ? 45 + key : -1; }

// --- coloured pieces ----------------------------------------------------------------------------

namespace {

int Rank(const TSortAndTagMergedRec& r) {
  if (r.is_tag) return 3;
  if (r.span_pos == kSpanCentre) return 2;
  return r.highlighted ? 1 : 0;
}

int64_t EndOf(const TSortAndTagMergedRec& r) { return int64_t{r.start} + r.length; }

}  // namespace

void TSortAndTagMergedList::SortStringPosition() {
  std::stable_sort(items_.begin(), items_.end(), [](const TSortAndTagMergedRec& a, const TSortAndTagMergedRec& b) {
    if (a.start != b.start) return a.start < b.start;
    return a.length > b.length;
  });
}

void TSortAndTagMergedList::HandleAnyOverlaps() {
  std::vector<TSortAndTagMergedRec> pieces;
  pieces.reserve(items_.size());
  for (const auto& r : items_)
    if (r.length > 0) pieces.push_back(r);
  const size_t n = pieces.size();

  // Sweep over the piece ends; between two consecutive ends the covering piece of highest rank
  // (then earliest start, then first added) owns the characters.
  struct Event {
    int64_t at;
    bool opens;
    size_t piece;
  };
  std::vector<Event> events;
  events.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    events.push_back({pieces[i].start, true, i});
    events.push_back({EndOf(pieces[i]), false, i});
  }
  std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
  auto better = [&pieces](size_t a, size_t b) {
    const auto& x = pieces[a];
    const auto& y = pieces[b];
    return std::make_tuple(-Rank(x), x.start, a) < std::make_tuple(-Rank(y), y.start, b);
  };
  std::set<size_t, decltype(better)> active(better);

  std::vector<TSortAndTagMergedRec> out;
  out.reserve(n);
  size_t last_owner = SIZE_MAX;
  size_t e = 0;
  while (e < events.size()) {
    const int64_t at = events[e].at;
    for (; e < events.size() && events[e].at == at; ++e) {
      if (events[e].opens)
        active.insert(events[e].piece);
      else
        active.erase(events[e].piece);
    }
    if (active.empty() || e == events.size()) {
      last_owner = SIZE_MAX;
      continue;
    }
    const int64_t next = events[e].at;
    const size_t owner = *active.begin();
    if (owner == last_owner && !out.empty() && EndOf(out.back()) == at) {
      out.back().length = static_cast<int32_t>(next - out.back().start);
    } else {
      TSortAndTagMergedRec r = pieces[owner];
      r.start = static_cast<int32_t>(at);
      r.length = static_cast<int32_t>(next - at);
      out.push_back(r);
    }
    last_owner = owner;
  }
  items_ = std::move(out);
}

int32_t TSortAndTagMergedList::CentreStart() const {
  int32_t best = -1;
  for (const auto& r : items_)
    if (!r.is_tag && r.span_pos == kSpanCentre && r.length > 0 && (best < 0 || r.start < best)) best = r.start;
  return best;
}

// --- a line in three sections ---------------------------------------------------------------------

namespace {

TThreeSectionsOFConcLine Copied(const TCellSectionViews& v) {
  return TThreeSectionsOFConcLine{UString(v.left), UString(v.centre), UString(v.right)};
}

// A 1-based start as a 0-based one, without overflow at the bottom of the range.
int32_t ZeroBased(int32_t start_1based) { return start_1based > INT32_MIN ? start_1based - 1 : INT32_MIN; }

}  // namespace

TThreeSectionsOFConcLine LineInThreeSections(UStringView text, int32_t centre_start_1based, int32_t centre_length) {
  return Copied(ConcLineSectionViews(text, ZeroBased(centre_start_1based), centre_length, 0, 0));
}

TThreeSectionsOFConcLine ConcLinein3Sections(const TConcLineCell& cell, const TSortAndTagMergedList* merged,
                                             int32_t export_setting) {
  int32_t start = ZeroBased(cell.sw_start_1based);
  if (merged != nullptr) {
    const int32_t centre = merged->CentreStart();
    if (centre >= 0) start = centre;
  }
  return Copied(ConcLineSectionViews(cell.text, start, cell.hit_width, cell.start_position, export_setting));
}

TThreeSectionsOFConcLine ConcLinein3Sections(const TConcLineCell& cell, const TSortAndTagMergedList* merged) {
  return ConcLinein3Sections(cell, merged, GetConcCharactersForTextOnly());
}
