#include "shell/settings/analysis_settings_rules.h"

#include <algorithm>

#include "platform/runtime/text_helpers.h"

TClusterChoices ClusterChoicesOf(const TConcSettingsRec32& rec) {
  TClusterChoices c;
  auto horizon = [](int v) { return v >= 0 && v < kClusterHorizonItems ? v : -1; };
  c.left = horizon(rec.ClusterReachLeft());
  c.right = horizon(rec.ClusterReachRight());
  c.case_sensitive = rec.CollocatesCaseSensitive();
  c.min_frequency = std::clamp<int32_t>(rec.ClusterMinFrequency(), 1, kClusterMinFreqHighest);
  c.smallest = std::clamp<int>(rec.ClusterSizeMin(), kClusterSizeLowest, kClusterSizeHighest);
  c.largest = std::clamp<int>(rec.ClusterSizeMax(), kClusterSizeLowest, kClusterSizeHighest);
  return c;
}

void PutClusterChoices(TClusterChoices c, TConcSettingsRec32& rec) {
  c.largest = std::max(c.largest, c.smallest);
  if (c.left >= 0) rec.SetClusterReachLeft(static_cast<int16_t>(c.left));
  if (c.right >= 0) rec.SetClusterReachRight(static_cast<int16_t>(c.right));
  rec.SetCollocatesCaseSensitive(c.case_sensitive);
  rec.SetClusterMinFrequency(static_cast<uint16_t>(std::clamp<int32_t>(c.min_frequency, 0, kClusterMinFreqHighest)));
  rec.SetClusterSizeMin(static_cast<int16_t>(c.smallest));
  rec.SetClusterSizeMax(static_cast<int16_t>(c.largest));
}

void CopyClusterChoices(const TConcSettingsRec32& from, TConcSettingsRec32& to) {
  to.SetClusterReachLeft(from.ClusterReachLeft());
  to.SetClusterReachRight(from.ClusterReachRight());
  to.SetClusterMinFrequency(from.ClusterMinFrequency());
  to.SetClusterSizeMin(from.ClusterSizeMin());
  to.SetClusterSizeMax(from.ClusterSizeMax());
  to.SetCollocatesCaseSensitive(from.CollocatesCaseSensitive());
}

const std::vector<TTimeLinePlotbase>& OfferedTimelineBases() {
  static const std::vector<TTimeLinePlotbase> bases = [] {
    std::vector<TTimeLinePlotbase> b;
    for (int i = 0; i <= 11; ++i)
      if (i != 9 && i != 11 && !TimeLinePlotbaseStr(static_cast<TTimeLinePlotbase>(i)).empty())
        b.push_back(static_cast<TTimeLinePlotbase>(i));
    return b;
  }();
  return bases;
}

TTimeLinePlotbase TimelineBasisOfItem(int item) {
  const auto& b = OfferedTimelineBases();
  return item >= 0 && item < static_cast<int>(b.size()) ? b[static_cast<size_t>(item)] : kTimeBaseUndefined;
}

int TimelineItemOfBasis(TTimeLinePlotbase basis) {
  const auto& b = OfferedTimelineBases();
  int item = 0;
  for (size_t i = 0; i < b.size(); ++i)
    if (b[i] <= basis) item = static_cast<int>(i);
  return item;
}

int DigitsOf(int count) {
  int d = 1;
  for (int n = count < 0 ? 0 : count; n >= 10; n /= 10) ++d;
  return d;
}

UString PlotItemLabel(int number, int count, UStringView name) {
  UString digits = IntToUStr(number);
  const int width = DigitsOf(count);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), u'0');
  return digits + u" " + UString(name);
}

int PlotItemNumber(UStringView label) {
  const size_t space = label.find(u' ');
  if (space == UStringView::npos) return -1;
  const UString t = TrimU(label.substr(0, space));
  if (t.empty()) return -1;
  int64_t v = 0;
  for (char16_t c : t) {
    if (c < u'0' || c > u'9' || v > 100000000) return -1;
    v = v * 10 + (c - u'0');
  }
  return static_cast<int>(v);
}

UString PlotSetText(const std::vector<int32_t>& numbers) { return HumanAbbreviatedNumberListString(numbers, 0); }

TPlotSetsResult ReadPlotSets(const std::vector<UString>& file_set_texts, const std::vector<UString>& word_set_texts) {
  TPlotSetsResult r;
  if (file_set_texts.empty()) {
    r.message = u"Please make at least one set of files (drag files into the sets list).";
    return r;
  }
  if (word_set_texts.empty()) {
    r.message = u"Please make at least one set of search words (drag search words into the sets list).";
    return r;
  }
  auto read = [&](const std::vector<UString>& texts, std::vector<std::vector<int32_t>>& sets) {
    for (const UString& t : texts) {
      std::vector<int32_t> numbers;
      UString error;
      if (!HumanAbbreviatedNumberListStringAsIntegers(t, 1, numbers, &error)) {
        r.message = u"The set \"" + t + u"\" cannot be read: " + error + u".";
        return false;
      }
      sets.push_back(std::move(numbers));
    }
    return true;
  };
  if (!read(file_set_texts, r.file_sets) || !read(word_set_texts, r.word_sets)) {
    r.file_sets.clear();
    r.word_sets.clear();
    return r;
  }
  r.ok = true;
  return r;
}

std::vector<UString> RebuildPlotSetTexts(const std::vector<std::vector<int32_t>>& sets, int count) {
  std::vector<UString> out;
  for (const auto& set : sets) {
    std::vector<int32_t> present;
    for (int32_t n : set)
      if (n >= 0 && n < count) present.push_back(n + 1);
    if (!present.empty()) out.push_back(PlotSetText(present));
  }
  return out;
}
