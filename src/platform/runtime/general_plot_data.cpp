#include "platform/runtime/general_plot_data.h"

#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"

bool TGeneralPlotDataList::GetAPlot(int32_t i, TV2GeneralPlotDataRec& plot) const {
  if (i < 0 || i >= Count()) {
    plot = TV2GeneralPlotDataRec();
    return false;
  }
  plot = plots_[static_cast<size_t>(i)];
  return true;
}

void TGeneralPlotDataList::SortByPosition() {
  std::stable_sort(plots_.begin(), plots_.end(),
                   [](const TV2GeneralPlotDataRec& a, const TV2GeneralPlotDataRec& b) { return a.position < b.position; });
}

std::vector<int32_t> TGeneralPlotDataList::HitsPerDivision() const {
  if (words_ <= 0 || divisions_ < 2) return {Count()};
  std::vector<int32_t> counts(static_cast<size_t>(divisions_), 0);
  for (const TV2GeneralPlotDataRec& p : plots_) {
    const int64_t pos = std::clamp<int64_t>(p.position, 0, words_ - 1);
    const int64_t k = pos * divisions_ / words_;
    ++counts[static_cast<size_t>(std::min<int64_t>(k, divisions_ - 1))];
  }
  return counts;
}

double TGeneralPlotDataList::ComputedDispersion() const {
  if (words_ <= 0 || divisions_ < 2 || plots_.empty()) return 0.0;
  return DispersionValue(HitsPerDivision());
}

bool TGeneralPlotDataList::SaveToStream(TStream& s) const {
  if (!WriteI32(s, kGeneralPlotDataVersion) || !WriteI32(s, words_) || !WriteI32(s, divisions_) ||
      !WriteI32(s, Count()))
    return false;
  for (const TV2GeneralPlotDataRec& p : plots_)
    if (!WriteI32(s, p.position) || !WriteAString(s, p.context)) return false;
  return true;
}

bool TGeneralPlotDataList::ReadFromStream(TStream& s) {
  plots_.clear();
  int32_t version = 0, count = 0;
  if (!ReadI32(s, version) || version < 1 || !ReadI32(s, words_) || !ReadI32(s, divisions_)) return false;
  if (!ReadCount(s, count, 8)) return false;
  plots_.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    TV2GeneralPlotDataRec p;
    if (!ReadI32(s, p.position) || !ReadAString(s, p.context)) return false;
    plots_.push_back(std::move(p));
  }
  return true;
}
