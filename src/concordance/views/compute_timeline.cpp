#include "concordance/views/compute_timeline.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "concordance/lines/concordance_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"

namespace {

int32_t Clamped(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
int64_t Magnitude(int32_t w) { return w == INT32_MIN ? 0 : std::abs(w); }

struct TLineOf {
  int32_t text = -1;
  int32_t item = -1;
};

}  // namespace

bool ComputeTimeline(const TConcordanceList& lines, const std::vector<TTimelineText>& texts,
                     const std::vector<TTimelineUnusedText>& unused, const std::vector<UString>& labels,
                     TTimeLinePlotbase basis, TTimelineList& list) {
  if (basis == kTimeBaseUndefined || basis >= kTimeBaseCount) return false;
  list.Clear();
  list.overall.Clear();
  list.overall.rec.label.clear();
  const int n_lines = lines.Count();
  if (n_lines == 0) return false;
  const int32_t n_texts = static_cast<int32_t>(texts.size());
  auto date_of = [&](int32_t t) { return t >= 0 && t < n_texts ? texts[static_cast<size_t>(t)].julian_date : 0.0; };
  auto line_of = [&](int i, TLineOf& out) {
    if (StopRequested(kPanicStopNow) || lines.GetDeleted(i)) return false;
    const TConcordanceEntry* line = lines.Line(i);
    if (!line) return false;
    out.text = line->SourceTextIndex();
    out.item = line->Data().sw_number;
    return out.text >= 0 && out.item >= 0;
  };

  // The first and last dates of the texts that gave lines.
  double first = YearMonthDayToJulianAddingConst({kLatestTimelineYear, 1, 1});
  double last = YearMonthDayToJulianAddingConst({kEarliestTimelineYear, 1, 1});
  for (int i = 0; i < n_lines; ++i) {
    TLineOf l;
    if (!line_of(i, l)) continue;
    if ((i & 1023) == 0) MyYieldProcess();
    const double d = date_of(l.text);
    if (d == 0 || JulianDateToYearMonthDayRemovingConst(d).year <= kEarliestTimelineYear - 1) continue;
    first = std::min(first, d);
    last = std::max(last, d);
  }
  const TYearMonthDay first_start = StartOfPeriod(JulianDateToYearMonthDayRemovingConst(first), basis);
  const TYearMonthDay last_end = EndOfPeriod(JulianDateToYearMonthDayRemovingConst(last), basis);
  const int32_t n_segments = PeriodsBetween(first_start, last_end, basis);
  if (n_segments == kMaxTimelinePeriods)
    AddToLogFile(u"time-line: periods capped at " + IntToUStr(kMaxTimelinePeriods));
  auto period_of = [&](double julian) {
    return julian == 0 ? -1 : PeriodNumberFor(first_start, JulianDateToYearMonthDayRemovingConst(julian), basis);
  };

  TTimeLineDataRec overall;
  overall.head.basis = basis;
  overall.head.first_date = YearMonthDayToJulianAddingConst(first_start);
  overall.head.last_date = YearMonthDayToJulianAddingConst(last_end);
  overall.head.segments = n_segments;
  overall.segments.assign(static_cast<size_t>(n_segments), THitsAndWordCounts{});
  overall.label = VXRes(TVXRes::VXOverall);
  std::vector<TTimeLineDataRec> rows(labels.size());
  std::vector<int64_t> row_words(labels.size(), 0);
  for (size_t b = 0; b < rows.size(); ++b) {
    rows[b].head = overall.head;
    rows[b].segments = overall.segments;
    rows[b].label = labels[b];
  }
  int64_t overall_words = 0, overall_hits = 0;
  for (int32_t t = 0; t < n_texts; ++t) {
    const int64_t w = Magnitude(texts[static_cast<size_t>(t)].words_in_source_file);
    overall_words += w;
    const int32_t p = period_of(texts[static_cast<size_t>(t)].julian_date);
    if (p < 0 || p >= n_segments) continue;
    THitsAndWordCounts& o = overall.segments[static_cast<size_t>(p)];
    o.words = Clamped(o.words + w);
    for (size_t b = 0; b < rows.size(); ++b) {
      row_words[b] += w;
      THitsAndWordCounts& s = rows[b].segments[static_cast<size_t>(p)];
      s.words = Clamped(s.words + w);
      rows[b].head.highest_words = std::max(int32_t{rows[b].head.highest_words}, s.words);
    }
  }

  for (int i = 0; i < n_lines; ++i) {
    TLineOf l;
    if (!line_of(i, l) || l.item >= static_cast<int32_t>(rows.size())) continue;
    if ((i & 1023) == 0) MyYieldProcess();
    const int32_t p = period_of(date_of(l.text));
    TTimeLineDataRec& row = rows[static_cast<size_t>(l.item)];
    if (p < 0 || p >= static_cast<int32_t>(row.segments.size())) continue;
    THitsAndWordCounts& s = row.segments[static_cast<size_t>(p)];
    ++s.hits;
    ++overall.segments[static_cast<size_t>(p)].hits;
    ++overall_hits;
    ++row.head.hits;
    row.head.highest_hits = std::max(int32_t{row.head.highest_hits}, s.hits);
  }

  for (const TTimelineUnusedText& u : unused) {
    const int64_t w = Magnitude(u.wordcount);
    overall_words += w;
    const int32_t p = period_of(u.julian_date);
    if (p < 0 || p >= n_segments) continue;
    THitsAndWordCounts& o = overall.segments[static_cast<size_t>(p)];
    o.words = Clamped(o.words + w);
  }

  auto per_thousand = [](int64_t hits, int64_t words) {
    return words > 0 ? static_cast<float>(double(hits) * 1000.0 / double(words)) : -1.0f;
  };
  for (size_t b = 0; b < rows.size(); ++b) {
    rows[b].head.words = Clamped(row_words[b]);
    rows[b].head.per_thousand = per_thousand(rows[b].head.hits, row_words[b]);
    auto* e = static_cast<TTimeLineEntry*>(list.NewEntry());
    e->rec = std::move(rows[b]);
    list.Add(e);
  }
  overall.head.words = Clamped(overall_words);
  overall.head.hits = Clamped(overall_hits);
  overall.head.per_thousand = per_thousand(overall_hits, overall_words);
  overall.head.overall = 1;
  for (const THitsAndWordCounts& s : overall.segments) {
    overall.head.highest_hits = std::max(int32_t{overall.head.highest_hits}, s.hits);
    overall.head.highest_words = std::max(int32_t{overall.head.highest_words}, s.words);
  }
  list.overall.rec = std::move(overall);
  list.ComputeDispersion();
  return list.Count() > 0;
}
