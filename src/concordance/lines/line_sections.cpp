#include "concordance/lines/line_sections.h"

#include <algorithm>
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

TThreeSectionsOFConcLine LineInThreeSections(UStringView text, int32_t centre_start_1based, int32_t centre_length) {
  const int64_t size = static_cast<int64_t>(text.size());
  const int64_t from = std::clamp<int64_t>(int64_t{centre_start_1based} - 1, 0, size);
  const int64_t to = std::clamp<int64_t>(from + std::max(centre_length, 0), from, size);
  TThreeSectionsOFConcLine s;
  s.left = UString(text.substr(0, static_cast<size_t>(from)));
  s.centre = UString(text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
  s.right = UString(text.substr(static_cast<size_t>(to)));
  return s;
}

int32_t ConcCharactersToExport(int32_t setting, bool flag, int32_t default_characters) {
  return setting != 0 || flag ? setting : default_characters;
}

int32_t ConcCharactersToExport(bool flag, int32_t default_characters) {
  return ConcCharactersToExport(GetConcCharactersForTextOnly(), flag, default_characters);
}

TThreeSectionsOFConcLine ConcLinein3Sections(const TConcLineCell& cell, const TSortAndTagMergedList* merged,
                                             int32_t export_setting) {
  int32_t start = cell.sw_start_1based;
  if (merged != nullptr) {
    const int32_t centre = merged->CentreStart();
    if (centre >= 0) start = centre + 1;
  }
  TThreeSectionsOFConcLine s = LineInThreeSections(cell.text, start, cell.hit_width);
  if (cell.start_position > 1) {
    const size_t from = std::min(static_cast<size_t>(cell.start_position - 1), s.left.size());
    s.left.erase(0, from);
    s.left.erase(0, std::min(s.left.find_first_not_of(u' '), s.left.size()));
    const size_t last = s.right.find_last_not_of(u' ');
    s.right.erase(last == UString::npos ? 0 : last + 1);
    return s;
  }
  const int64_t left_n = ConcCharactersToExport(export_setting, false, static_cast<int32_t>(2 * s.left.size())) / 2;
  const int64_t right_n = ConcCharactersToExport(export_setting, false, static_cast<int32_t>(2 * s.right.size())) / 2;
  if (left_n >= 0 && static_cast<size_t>(left_n) < s.left.size()) s.left.erase(0, s.left.size() - static_cast<size_t>(left_n));
  if (right_n >= 0 && static_cast<size_t>(right_n) < s.right.size()) s.right.resize(static_cast<size_t>(right_n));
  return s;
}

TThreeSectionsOFConcLine ConcLinein3Sections(const TConcLineCell& cell, const TSortAndTagMergedList* merged) {
  return ConcLinein3Sections(cell, merged, GetConcCharactersForTextOnly());
}
