#include "shell/grid_tools/breakdown_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "model/lists/result_list_base.h"
#include "model/lists/search_conditions.h"
#include "platform/runtime/vx_resources.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"

namespace {

constexpr int kFileNameColumn = 13;

UString Number(double v, bool real) {
  char buf[64];
  if (real) std::snprintf(buf, sizeof buf, "%.2f", v);
  else std::snprintf(buf, sizeof buf, "%.0f", v);
  return Latin1ToUtf16(buf);
}

}  // namespace

std::vector<UString> BreakdownSearchLines(UStringView memo_text) {
  std::vector<UString> out;
  size_t start = 0;
  while (start <= memo_text.size()) {
    size_t end = memo_text.find(u'\n', start);
    if (end == UStringView::npos) end = memo_text.size();
    const UString line = TrimU(memo_text.substr(start, end - start));
    if (!line.empty()) out.push_back(line);
    start = end + 1;
  }
  return out;
}

TSummaryArrays BreakdownSummary(TVXBaseDataClass& list, const TBreakdownRequest& q, const std::function<bool()>& stop) {
  TSummaryArrays a;
  const size_t n_search = q.searches.size();
  a.counts.assign(n_search, 0);
  a.cumulative.assign(n_search, 0.0);
  if (n_search == 0) return a;
  std::vector<TSearch_word_format_rec> items;
  for (const UString& s : q.searches) items.push_back(TBaseSearchItems::MakeItem(s));
  TSearchAndDoEngine engine(true, true, TSearchTextOptions());
  // Per breakdown value: rows found, rows in all; values in the order first met.
  std::unordered_map<UString, size_t> place;
  std::vector<std::pair<int32_t, int32_t>> tallies;
  TGrid_data_rec cell, value_cell;
  UString buffer;
  const int rows = list.Count();
  for (int i = 0; i < rows; ++i) {
    if ((i & 1023) == 0 && stop && stop()) {
      a.stopped = true;
      break;
    }
    list.CellTextForSearch(q.search_column, i, cell, buffer);
    buffer += u' ';
    bool any = false;
    double value = 0;
    bool have_value = false;
    for (size_t k = 0; k < n_search; ++k) {
      if (!TextMayHoldItem(buffer, q.searches[k]) || !engine.QuickSearchFoundIgnoringTags(buffer, items[k])) continue;
      ++a.counts[k];
      any = true;
      if (q.cumulative_column >= 0) {
        if (!have_value) {
          TGrid_data_rec c;
          list.AnyColumnDataRec(q.cumulative_column, i + 1, c, 0);
          have_value = true;
          value = c.has_number && std::isfinite(c.number.value) && c.number.value != kMissingValue ? c.number.value : 0;
        }
        a.cumulative[k] += value;
      }
    }
    if (q.breakdown_column < 0) continue;
    list.AnyColumnDataRec(q.breakdown_column, i + 1, value_cell, 0);
    UString key = value_cell.has_text ? RelevantAffixesOfStringData(value_cell)
                                      : (value_cell.has_number ? Number(value_cell.number.value, value_cell.number.is_real) : UString());
    auto [it, fresh] = place.try_emplace(std::move(key), tallies.size());
    if (fresh) tallies.emplace_back(0, 0);
    auto& t = tallies[it->second];
    ++t.second;
    if (any) ++t.first;
  }
  if (q.breakdown_column >= 0) {
    a.breakdown_values = static_cast<int32_t>(tallies.size());
    std::vector<const UString*> names(tallies.size());
    for (const auto& [name, at] : place) names[at] = &name;
    for (size_t v = 0; v < tallies.size(); ++v) {
      if (tallies[v].first == 0) continue;
      TBreakdownRecord r;
      r.value = *names[v];
      r.counts.push_back(tallies[v].first);
      if (n_search > 1) r.counts.push_back(tallies[v].second);
      a.breakdown.push_back(std::move(r));
    }
  }
  return a;
}

std::vector<UString> BreakdownResultLines(const std::vector<UString>& searches, const TSummaryArrays& a,
                                          const TBreakdownText& how, const std::function<bool()>& stop) {
  std::vector<UString> lines;
  if (a.counts.empty()) return lines;
  for (size_t k = 0; k < searches.size() && k < a.counts.size(); ++k) {
    if (stop && stop()) return lines;
    UString line = how.breakdown ? searches[k] + u": " + IntToUStr(a.counts[k]) : IntToUStr(a.counts[k]);
    if (how.cumulative) line += u" (" + Number(a.cumulative[k], a.cumulative[k] != std::floor(a.cumulative[k])) + u")";
    lines.push_back(std::move(line));
  }
  if (!how.breakdown) return lines;
  lines.push_back(VXRes(TVXRes::VXBreakdownOfResults) + u": " + VXResFmt(TVXRes::VXXColumnData, {how.breakdown_heading}));
  if (how.count_files)
    lines.push_back(VXResFmt(TVXRes::VXNManyX, {IntToUStr(a.breakdown_values), VXRes(TVXRes::VXFiles)}));
  std::vector<const TBreakdownRecord*> sorted;
  for (const TBreakdownRecord& r : a.breakdown) sorted.push_back(&r);
  std::stable_sort(sorted.begin(), sorted.end(), [](const TBreakdownRecord* x, const TBreakdownRecord* y) {
    return x->counts.front() > y->counts.front();
  });
  lines.push_back(u"*******");
  for (const TBreakdownRecord* r : sorted) {
    if (stop && stop()) return lines;
    if (r->counts.size() == 1) lines.push_back(r->value + u": " + IntToUStr(r->counts.front()));
    else lines.push_back(r->value + u": " + VXResFmt(TVXRes::VXNManyOutOfN, {IntToUStr(r->counts[0]), IntToUStr(r->counts[1])}));
  }
  lines.push_back(u"*******");
  return lines;
}

int BreakdownFilesItem(const std::vector<int>& item_columns) {
  for (size_t i = 0; i < item_columns.size(); ++i)
    if (item_columns[i] == kFileNameColumn) return static_cast<int>(i);
  return -1;
}

int BreakdownHelpContext(uint8_t tool) {
  switch (tool) {
    case 0: return 5460;
    case 1: return 5470;
    default: return 4730;
  }
}
