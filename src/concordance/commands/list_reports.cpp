#include "concordance/commands/list_reports.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "concordance/lines/concordance_list.h"
#include "concordance/views/plot_list.h"
#include "platform/runtime/vx_resources.h"

namespace {

UString ReportLine(const UString& label, int64_t count, int64_t whole) {
  return label + u"\t" + IntToUStr(count) + u"\t" + ShareOfWhole(count, whole);
}

}  // namespace

UString ShareOfWhole(int64_t part, int64_t whole) {
  const double percent = whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%3.2f%%", percent);
  return Utf8ToUtf16(buf);
}

std::vector<UString> PlotStatisticsText(const TConcPlotList& plot) {
  std::vector<int64_t> sections;
  for (int i = 0; i < plot.Count(); ++i) {
    const TConcordancePlotEntry* row = plot.Row(i);
    if (!row) continue;
    const std::vector<int32_t> hits = row->plots.HitsPerDivision();
    if (sections.size() < hits.size()) sections.resize(hits.size(), 0);
    for (size_t k = 0; k < hits.size(); ++k) sections[k] += hits[k];
  }
  const int64_t total = std::accumulate(sections.begin(), sections.end(), int64_t{0});
  std::vector<UString> lines;
  for (size_t k = 0; k < sections.size(); ++k)
    lines.push_back(ReportLine(VXResFmt(TVXRes::VXSectionN, {IntToUStr(static_cast<int64_t>(k) + 1)}), sections[k], total));
  lines.push_back(ReportLine(VXRes(TVXRes::VXTotal), total, total));
  return lines;
}

std::vector<UString> BreakdownOfList(const TConcordanceList& lines, const std::vector<UString>& search_words) {
  std::vector<int64_t> counts(search_words.size(), 0);
  int64_t total = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const TConcordanceEntry* line = lines.Line(i);
    if (!line || lines.GetDeleted(i)) continue;
    const int32_t sw = line->Data().sw_number;
    if (sw < 0) continue;
    if (static_cast<size_t>(sw) >= counts.size()) counts.resize(static_cast<size_t>(sw) + 1, 0);
    ++counts[static_cast<size_t>(sw)];
    ++total;
  }
  std::vector<size_t> order(counts.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return counts[a] > counts[b]; });
  std::vector<UString> out;
  for (size_t k : order) {
    if (counts[k] == 0) continue;
    // A line of a word the document no longer names is counted under its number.
    const UString word = k < search_words.size() ? search_words[k] : u"#" + IntToUStr(static_cast<int64_t>(k) + 1);
    out.push_back(ReportLine(word, counts[k], total));
  }
  out.push_back(ReportLine(VXRes(TVXRes::VXTotal), total, total));
  return out;
}
