#include "platform/runtime/general_plot_data.h"

#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"

const std::vector<TV2GeneralPlotDataRec>& TGeneralPlotDataList::Plots() const {
  static const std::vector<TV2GeneralPlotDataRec> kNone;
  return plots_ ? *plots_ : kNone;
}

std::vector<TV2GeneralPlotDataRec>& TGeneralPlotDataList::Own() {
  if (!plots_) plots_ = std::make_shared<std::vector<TV2GeneralPlotDataRec>>();
  else if (plots_.use_count() > 1) plots_ = std::make_shared<std::vector<TV2GeneralPlotDataRec>>(*plots_);
  return *plots_;
}

bool TGeneralPlotDataList::GetAPlot(int32_t i, TV2GeneralPlotDataRec& plot) const {
  if (i < 0 || i >= Count()) {
    plot = TV2GeneralPlotDataRec();
    return false;
  }
  plot = (*plots_)[static_cast<size_t>(i)];
  return true;
}

void TGeneralPlotDataList::SortByPosition() {
  if (Count() < 2) return;
  std::vector<TV2GeneralPlotDataRec>& plots = Own();
  std::stable_sort(plots.begin(), plots.end(),
                   [](const TV2GeneralPlotDataRec& a, const TV2GeneralPlotDataRec& b) { return a.position < b.position; });
}

std::vector<int32_t> TGeneralPlotDataList::HitsPerDivision() const {
  if (words_ <= 0 || divisions_ < 2) return {Count()};
  std::vector<int32_t> counts(static_cast<size_t>(divisions_), 0);
  for (const TV2GeneralPlotDataRec& p : Plots()) {
    const int64_t pos = std::clamp<int64_t>(p.position, 0, words_ - 1);
    const int64_t k = pos * divisions_ / words_;
    ++counts[static_cast<size_t>(std::min<int64_t>(k, divisions_ - 1))];
  }
  return counts;
}

double TGeneralPlotDataList::ComputedDispersion() const {
  if (words_ <= 0 || divisions_ < 2 || Count() == 0) return 0.0;
  return DispersionValue(HitsPerDivision());
}

bool TGeneralPlotDataList::SaveToStream(TStream& s) const {
  if (!WriteI32(s, kGeneralPlotDataVersion) || !WriteI32(s, words_) || !WriteI32(s, divisions_) ||
      !WriteI32(s, Count()))
    return false;
  for (const TV2GeneralPlotDataRec& p : Plots())
    if (!WriteI32(s, p.position) || !WriteAString(s, p.context)) return false;
  return true;
}

bool TGeneralPlotDataList::ReadFromStream(TStream& s) {
  Clear();
  int32_t version = 0, count = 0;
  if (!ReadI32(s, version) || version < 1 || !ReadI32(s, words_) || !ReadI32(s, divisions_)) return false;
  if (!ReadCount(s, count, 8)) return false;
  std::vector<TV2GeneralPlotDataRec>& plots = Own();
  plots.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    TV2GeneralPlotDataRec p;
    if (!ReadI32(s, p.position) || !ReadAString(s, p.context)) return false;
    plots.push_back(std::move(p));
  }
  return true;
}
