#include "shell/printing/grid_page_layout.h"

#include <algorithm>

namespace {

int32_t UniformHeight(const void* ctx, int64_t) { return *static_cast<const int32_t*>(ctx); }

}  // namespace

int64_t TGridPagePlan::FirstRowOf(int32_t page) const {
  if (page < 0 || page >= PageCount()) return row_count;
  return page_starts[static_cast<size_t>(page)];
}

int64_t TGridPagePlan::EndRowOf(int32_t page) const {
  if (page < 0 || page >= PageCount()) return row_count;
  return page + 1 < PageCount() ? page_starts[static_cast<size_t>(page) + 1] : row_count;
}

std::vector<int32_t> TGridPagePlan::ColumnsOfSheet(int32_t sheet) const {
  std::vector<int32_t> out;
  if (column_widths.empty()) return out;
  out.push_back(0);
  const int32_t count = static_cast<int32_t>(column_widths.size());
  if (band_starts.empty()) {
    for (int32_t c = 1; c < count; ++c) out.push_back(c);
    return out;
  }
  const int32_t band = std::clamp(BandOfSheet(std::max(sheet, 0)), 0, BandCount() - 1);
  const int32_t end = band + 1 < BandCount() ? band_starts[static_cast<size_t>(band) + 1] : count;
  for (int32_t c = band_starts[static_cast<size_t>(band)]; c < end; ++c) out.push_back(c);
  return out;
}

void PlanColumnBands(TGridPagePlan& plan, int32_t printable_width) {
  plan.band_starts.clear();
  plan.drawn_widths = plan.column_widths;
  if (plan.column_widths.size() < 2) return;
  if (printable_width <= 0) {  // no page to fit: one band as the grid has them
    plan.band_starts.push_back(1);
    return;
  }
  // Column 0 takes its room on every sheet, but never more than half of it.
  plan.drawn_widths[0] = std::clamp(plan.column_widths[0], 0, printable_width / 2);
  const int32_t room = std::max(printable_width - plan.drawn_widths[0], 1);
  int32_t used = 0;
  for (size_t c = 1; c < plan.column_widths.size(); ++c) {
    const int32_t w = std::clamp(plan.column_widths[c], 0, room);
    plan.drawn_widths[c] = w;
    if (plan.band_starts.empty() || used + w > room) {
      plan.band_starts.push_back(static_cast<int32_t>(c));
      used = 0;
    }
    used += w;
  }
}

TGridPagePlan PlanGridPages(int64_t row_count, int32_t (*row_height)(const void* ctx, int64_t row), const void* ctx,
                            int32_t heading_height, std::vector<int32_t> column_widths,
                            const TPrintPageGeometry& page) {
  TGridPagePlan plan;
  plan.row_count = std::max<int64_t>(row_count, 0);
  for (size_t c = 0; c < column_widths.size(); ++c) {
    if (plan.narrowed_column < 0 && page.printable_width > 0 && column_widths[c] > page.printable_width) {
      plan.narrowed_column = static_cast<int32_t>(c);
      plan.narrowed_width = page.printable_width;
      column_widths[c] = page.printable_width;
    }
  }
  plan.column_widths = std::move(column_widths);
  PlanColumnBands(plan, page.printable_width);

  const int64_t room = int64_t{page.printable_height} - page.header_height - page.footer_height - heading_height;
  if (plan.row_count == 0 || page.printable_height <= 0) return plan;
  int64_t row = 0;
  while (row < plan.row_count) {
    plan.page_starts.push_back(row);
    int64_t used = std::max<int32_t>(row_height(ctx, row), 0);
    ++row;  // every page takes at least one row, however tall
    while (row < plan.row_count) {
      const int64_t h = std::max<int32_t>(row_height(ctx, row), 0);
      if (used + h > room) break;
      used += h;
      ++row;
    }
  }
  return plan;
}

TGridPagePlan PlanGridPagesUniform(int64_t row_count, int32_t row_height, int32_t heading_height,
                                   std::vector<int32_t> column_widths, const TPrintPageGeometry& page) {
  // A million rows of one height need no walk row by row.
  const int64_t room = int64_t{page.printable_height} - page.header_height - page.footer_height - heading_height;
  if (row_height > 0 && room >= row_height && row_count > 0) {
    TGridPagePlan plan = PlanGridPages(0, UniformHeight, &row_height, heading_height, std::move(column_widths), page);
    plan.row_count = row_count;
    const int64_t per_page = room / row_height;
    for (int64_t r = 0; r < row_count; r += per_page) plan.page_starts.push_back(r);
    return plan;
  }
  return PlanGridPages(row_count, UniformHeight, &row_height, heading_height, std::move(column_widths), page);
}

int32_t ClampPage(int32_t page, int32_t page_count) {
  if (page_count <= 0) return 0;
  return std::clamp(page, 0, page_count - 1);
}

int32_t PagesInRange(int32_t from, int32_t to, int32_t page_count) {
  from = std::max(from, 0);
  to = std::min(to, page_count - 1);
  return to >= from ? to - from + 1 : 0;
}

std::optional<int32_t> ZoomFromText(UStringView text) {
  int64_t n = 0;
  bool digits = false;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') continue;
    digits = true;
    n = std::min<int64_t>(n * 10 + (c - u'0'), 1'000'000);
  }
  if (!digits) return std::nullopt;
  return static_cast<int32_t>(std::clamp<int64_t>(n, kMinZoom, kMaxZoom));
}

std::vector<int32_t> DefaultZoomEntries() {
  std::vector<int32_t> out;
  for (int32_t z = 20; z <= 150; z += 10) out.push_back(z);
  return out;
}

size_t InsertZoomEntry(std::vector<int32_t>& entries, int32_t n) {
  const auto at = std::lower_bound(entries.begin(), entries.end(), n);
  if (at != entries.end() && *at == n) return static_cast<size_t>(at - entries.begin());
  return static_cast<size_t>(entries.insert(at, n) - entries.begin());
}

int32_t ZoomEntryFor(const std::vector<int32_t>& entries, int32_t zoom) {
  int32_t found = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] <= zoom + 5) found = static_cast<int32_t>(i);
  }
  return found;
}

double FitToWidthScale(int64_t total_width, int32_t printable_width) {
  if (total_width <= printable_width || total_width <= 0 || printable_width <= 0) return 1.0;
  return std::max(kSmallestPrintScale, static_cast<double>(printable_width) / static_cast<double>(total_width));
}
