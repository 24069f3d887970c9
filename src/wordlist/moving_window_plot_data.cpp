#include "wordlist/moving_window_plot_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/wordlist_indexer.h"

namespace {

UString Fixed3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%1.3f", v);
  return Utf8ToUtf16(buf);
}

bool WriteFloats(TStream& s, const std::vector<float>& v) {
  return WriteI32(s, static_cast<int32_t>(v.size())) &&
         s.WriteExact(v.data(), static_cast<int64_t>(v.size() * sizeof(float)));
}

bool ReadFloats(TStream& s, std::vector<float>& v) {
  int32_t n = 0;
  if (!ReadCount(s, n, 4)) return false;
  v.assign(static_cast<size_t>(n), 0.0f);
  return s.ReadExact(v.data(), int64_t{4} * n);
}

}  // namespace

UString moving_window_detail::WordsBetween(const std::function<UString(uint32_t)>& get_word, const uint32_t* types,
                                           int64_t from, int64_t to, bool lower) {
  UString out;
  for (int64_t i = from; i <= to; ++i) {
    if (i > from) out += u' ';
    out += get_word ? get_word(types[i]) : UString();
  }
  return lower ? LowerCaseU(out) : out;
}

// --- the plot data -------------------------------------------------------------------------------

TMovingWindowPlotDataHolder::TMovingWindowPlotDataHolder(int32_t size, int32_t planned_runs)
    : PlannedRuns(planned_runs), window_size(size) {
  const size_t runs = static_cast<size_t>(std::max(0, planned_runs));
  Windows.resize(runs);
  OverlapValues.resize(runs);
  OverlapSD.assign(runs, 0.0f);
  OverlapMean.assign(runs, 0.0f);
  OverlapMax.assign(runs, -1.0f);
  OverlapMin.assign(runs, 2.0f);
}

void TMovingWindowPlotDataHolder::AddAWindow(int32_t start_wordnum, int32_t run_number) {
  if (run_number < 0 || run_number >= static_cast<int32_t>(Windows.size())) return;
  TMovingWindowRec w;
  w.start_word = start_wordnum;
  Windows[static_cast<size_t>(run_number)].push_back(std::move(w));
}

bool TMovingWindowPlotDataHolder::SavePlotDataToStream(TStream& s) const {
  bool ok = WriteI32(s, PlannedRuns) && WriteI32(s, window_size) && WriteI32(s, Total_Tokens) &&
            WriteF32(s, mean_section_near_overlaps) && WriteF32(s, mean_section_far_overlaps) &&
            WriteF32(s, sd_section_near_overlaps) && WriteF32(s, sd_section_far_overlaps) && WriteFloats(s, OverlapSD) &&
            WriteFloats(s, OverlapMean) && WriteFloats(s, OverlapMax) && WriteFloats(s, OverlapMin);
  for (size_t r = 0; ok && r < OverlapValues.size(); ++r) ok = WriteFloats(s, OverlapValues[r]);
  ok = ok && WriteI32(s, static_cast<int32_t>(Sections_Info.size()));
  for (size_t k = 0; ok && k < Sections_Info.size(); ++k)
    ok = WriteAString(s, Sections_Info[k].name) && WriteI32(s, Sections_Info[k].word);
  return ok;
}

bool TMovingWindowPlotDataHolder::ReadPlotDataFromStream(TStream& s) {
  TMovingWindowPlotDataHolder got(0, 0);
  if (!ReadI32(s, got.PlannedRuns) || !ReadI32(s, got.window_size) || !ReadI32(s, got.Total_Tokens) ||
      !ReadF32(s, got.mean_section_near_overlaps) || !ReadF32(s, got.mean_section_far_overlaps) ||
      !ReadF32(s, got.sd_section_near_overlaps) || !ReadF32(s, got.sd_section_far_overlaps) ||
      !ReadFloats(s, got.OverlapSD) || !ReadFloats(s, got.OverlapMean) || !ReadFloats(s, got.OverlapMax) ||
      !ReadFloats(s, got.OverlapMin))
    return false;
  // One array of overlap values per run; a run count that the stream cannot hold is damage.
  if (got.PlannedRuns < 0 || int64_t{got.PlannedRuns} * 4 > s.BytesLeft()) return false;
  got.OverlapValues.resize(static_cast<size_t>(got.PlannedRuns));
  for (std::vector<float>& v : got.OverlapValues)
    if (!ReadFloats(s, v)) return false;
  int32_t sections = 0;
  if (!ReadCount(s, sections, 8)) return false;
  for (int32_t k = 0; k < sections; ++k) {
    TMovingWindowSection sec;
    if (!ReadAString(s, sec.name) || !ReadI32(s, sec.word)) return false;
    got.Sections_Info.push_back(std::move(sec));
  }
  got.Windows.resize(static_cast<size_t>(got.PlannedRuns));
  *this = std::move(got);
  return true;
}

// --- the windows ---------------------------------------------------------------------------------

TMovingWindow::TMovingWindow(int32_t window_size, int32_t planned_runs, std::function<UString(uint32_t)> get_word)
    : PlotDataHolder(window_size, planned_runs), fGetAWordAsString(std::move(get_word)), fWindowSize(window_size) {}

void TMovingWindow::AddANewWindow(int32_t start_wordnum, int32_t run_number) {
  PlotDataHolder.AddAWindow(start_wordnum, run_number);
}

int32_t TMovingWindow::WindowsOfRun(int32_t run) const {
  return run >= 0 && run < NumberOfWindows() ? static_cast<int32_t>(PlotDataHolder.Windows[static_cast<size_t>(run)].size()) : 0;
}

void TMovingWindow::AddANumber(uint32_t num, int32_t run) {
  if (WindowsOfRun(run) == 0) return;
  PlotDataHolder.Windows[static_cast<size_t>(run)].back().types.Add(num);
}

void TMovingWindow::FilterLowFreqItems(int32_t min_freq, int32_t run) {
  if (WindowsOfRun(run) == 0) return;
  TCardinalAndFreqList& types = PlotDataHolder.Windows[static_cast<size_t>(run)].back().types;
  types.Sort();
  types.RemoveIf([min_freq](const TCardinalAndFreqList::TItem& t) { return t.freq < min_freq; });
}

void TMovingWindow::FilterGrammarItems(int32_t run, std::span<const uint32_t> grammar_words) {
  if (WindowsOfRun(run) == 0 || grammar_words.empty()) return;
  TCardinalAndFreqList& types = PlotDataHolder.Windows[static_cast<size_t>(run)].back().types;
  types.Sort();
  types.RemoveIf([&](const TCardinalAndFreqList::TItem& t) {
    return std::binary_search(grammar_words.begin(), grammar_words.end(), t.number);
  });
}

void TMovingWindow::ComputeOverlapCoefficientWithPrevious(int32_t run, bool is_last_window) {
  const int32_t n = WindowsOfRun(run);
  if (n < 2) return;
  std::vector<TMovingWindowRec>& windows = PlotDataHolder.Windows[static_cast<size_t>(run)];
  TMovingWindowRec& now = windows[static_cast<size_t>(n - 1)];
  TMovingWindowRec& before = windows[static_cast<size_t>(n - 2)];
  now.types.Sort();
  before.types.Sort();
  // Both are sorted on the type numbers: the shared types are a merge.
  now.overlaps.clear();
  const auto& a = now.types.Items();
  const auto& b = before.types.Items();
  for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (a[i].number < b[j].number) ++i;
    else if (b[j].number < a[i].number) ++j;
    else {
      now.overlaps.push_back(a[i].number);
      ++i;
      ++j;
    }
  }
  std::vector<float>& values = PlotDataHolder.OverlapValues[static_cast<size_t>(run)];
  float d = static_cast<float>(Dice_Coefficient(static_cast<int64_t>(now.overlaps.size()), now.types.Count(),
                                                before.types.Count()));
  // A last window too short to share anything repeats the value before it; the second window has
  // no value before it.
  if (is_last_window && d == 0.0f && n >= 3 && values.size() >= static_cast<size_t>(n - 2)) d = values[static_cast<size_t>(n - 3)];
  values.resize(static_cast<size_t>(n - 1), 0.0f);
  values[static_cast<size_t>(n - 2)] = d;
  float& high = PlotDataHolder.OverlapMax[static_cast<size_t>(run)];
  float& low = PlotDataHolder.OverlapMin[static_cast<size_t>(run)];
  high = std::max(high, d);
  low = std::min(low, d);
}

void TMovingWindow::DeclareWindowEndInfo(int32_t run, int32_t ended, UStringView sections, UStringView starting_words,
                                         UStringView closing_words) {
  if (WindowsOfRun(run) == 0) return;
  TMovingWindowRec& w = PlotDataHolder.Windows[static_cast<size_t>(run)].back();
  w.end_word = ended;
  w.sections = UString(sections);
  w.starting_words = UString(starting_words);
  w.closing_words = UString(closing_words);
}

void TMovingWindow::ComputeMeanAndSD(int32_t run) {
  if (run < 0 || run >= NumberOfWindows()) return;
  const std::vector<float>& values = PlotDataHolder.OverlapValues[static_cast<size_t>(run)];
  // The last window is usually short: its overlap stays in the values but not in their mean.
  const std::span<const float> counted(values.data(), values.empty() ? 0 : values.size() - 1);
  double mean = 0, sd = 0;
  MeanAndStdDev(counted, mean, sd);
  PlotDataHolder.OverlapMean[static_cast<size_t>(run)] = static_cast<float>(mean);
  PlotDataHolder.OverlapSD[static_cast<size_t>(run)] = static_cast<float>(sd);
}

void TMovingWindow::ComputeTTest() {
  TMovingWindowPlotDataHolder& p = PlotDataHolder;
  const int64_t near_distance = p.window_size / 10;
  std::vector<float> near, far;
  for (size_t r = 0; r < p.Windows.size(); ++r) {
    const std::vector<float>& values = p.OverlapValues[r];
    for (size_t w = 0; w < p.Windows[r].size() && w < values.size(); ++w) {
      const TMovingWindowRec& win = p.Windows[r][w];
      bool is_near = false;
      for (const TMovingWindowSection& s : p.Sections_Info) {
        const int64_t distance = std::min(std::llabs(int64_t{win.start_word} - s.word), std::llabs(int64_t{win.end_word} - s.word));
        if (distance <= near_distance) {
          is_near = true;
          break;
        }
      }
      (is_near ? near : far).push_back(values[w]);
    }
  }
  double mean = 0, sd = 0;
  MeanAndStdDev(near, mean, sd);
  p.mean_section_near_overlaps = static_cast<float>(mean);
  p.sd_section_near_overlaps = static_cast<float>(sd);
  MeanAndStdDev(far, mean, sd);
  p.mean_section_far_overlaps = static_cast<float>(mean);
  p.sd_section_far_overlaps = static_cast<float>(sd);
}

bool TMovingWindow::IsOverlapWord(int32_t window_num, int32_t run, uint32_t word) const {
  if (window_num < 0 || window_num >= WindowsOfRun(run)) return false;
  const std::vector<uint32_t>& o = PlotDataHolder.Windows[static_cast<size_t>(run)][static_cast<size_t>(window_num)].overlaps;
  return std::binary_search(o.begin(), o.end(), word);
}

void TMovingWindow::TryToAddSection(UStringView name, int32_t word_number) {
  for (const TMovingWindowSection& s : PlotDataHolder.Sections_Info)
    if (s.name == name) return;
  PlotDataHolder.Sections_Info.push_back({UString(name), word_number});
}

UString TMovingWindow::WindowResultsAsText(int32_t run, int32_t window, int32_t this_count, int32_t previous_count) const {
  if (window < 0 || window >= WindowsOfRun(run)) return UString();
  const TMovingWindowRec& w = PlotDataHolder.Windows[static_cast<size_t>(run)][static_cast<size_t>(window)];
  const std::vector<float>& values = PlotDataHolder.OverlapValues[static_cast<size_t>(run)];
  UString out = UFormat(u"run %s, window %s, words %s-%s",
                        {IntToUStr(run + 1), IntToUStr(window + 1), GroupedCount(int64_t{w.start_word} + 1),
                         GroupedCount(int64_t{w.end_word} + 1)});
  out += u"\r\n\t";
  out += UFormat(u"(%s matches, this: %s, last: %s)",
                 {IntToUStr(static_cast<int64_t>(w.overlaps.size())), IntToUStr(this_count), IntToUStr(previous_count)});
  out += u"\r\n\t";
  // The first window has nothing before it to overlap with.
  const bool has_value = window >= 1 && static_cast<size_t>(window - 1) < values.size();
  out += u"Dice coefficient of overlap: " + (has_value ? Fixed3(values[static_cast<size_t>(window - 1)]) : UString(u"-"));
  out += u"\r\n\t";
  out += w.sections + u"\t..." + w.starting_words + u"......" + w.closing_words + u"...";
  return out;
}

bool TMovingWindow::SaveToFiles(const UString& text_file, const UString& plot_file, UString* error) const {
  const TMovingWindowPlotDataHolder& p = PlotDataHolder;
  UString why;
  if (!SafeSaveToFile(plot_file, [&](TStream& s) { return p.SavePlotDataToStream(s); }, &why)) {
    if (error) *error = plot_file + u": " + why;
    return false;
  }
  auto writer = [&](TStream& s) {
    // Lines are gathered in a buffer written out whenever it grows large.
    std::u16string buffer;
    buffer.reserve(1 << 20);
    bool ok = true;
    auto flush = [&]() {
      if (ok && !buffer.empty()) ok = s.WriteExact(buffer.data(), static_cast<int64_t>(buffer.size() * 2));
      buffer.clear();
    };
    auto line = [&](UStringView text) {
      buffer.append(text);
      buffer.append(u"\r\n");
      if (buffer.size() > (1u << 19)) flush();
    };
    buffer.push_back(u'\xFEFF');
    line(u"FOR EXCEL");
    // A row per window index that every run's overlaps reach.
    size_t rows = p.OverlapValues.empty() ? 0 : SIZE_MAX;
    for (const std::vector<float>& v : p.OverlapValues) rows = std::min(rows, v.size());
    for (size_t w = 0; w < rows; ++w) {
      UString row = IntToUStr(static_cast<int64_t>(w) + 1);
      bool any = false;
      for (const std::vector<float>& v : p.OverlapValues) {
        row += u'\t' + Fixed3(v[w]);
        any = any || v[w] > 0.0f;
      }
      if (any) line(row);
    }
    line(u"");
    if (!p.Sections_Info.empty()) {
      line(u"SECTION\tWord #\tWindow #");
      for (const TMovingWindowSection& s : p.Sections_Info)
        line(s.name + u"\t" + IntToUStr(s.word) + u"\t" +
             IntToUStr(p.window_size > 0 ? s.word / p.window_size + 1 : 1));
      line(u"");
    }
    line(u"Mean near overlaps " + Fixed3(p.mean_section_near_overlaps) + u" (sd " + Fixed3(p.sd_section_near_overlaps) + u")");
    line(u"Mean far overlaps " + Fixed3(p.mean_section_far_overlaps) + u" (sd " + Fixed3(p.sd_section_far_overlaps) + u")");
    line(u"");
    line(u"");
    line(u"DETAILS");
    const UString overlap = VXRes(TVXRes::VXOverlap);
    std::vector<TCardinalAndFreqList::TItem> by_freq;
    UString shared, other;
    for (size_t r = 0; r < p.Windows.size() && ok; ++r) {
      line(u"********** Run " + IntToUStr(static_cast<int64_t>(r) + 1) + u" *****************");
      line(VXResFmt(TVXRes::VXMinX, {overlap}) + u": " + Fixed3(p.OverlapMin[r]));
      line(VXResFmt(TVXRes::VXMaxX, {overlap}) + u": " + Fixed3(p.OverlapMax[r]));
      line(VXResFmt(TVXRes::VXMeanX, {overlap}) + u": " + Fixed3(p.OverlapMean[r]));
      line(VXResFmt(TVXRes::VXSDX, {overlap}) + u": " + Fixed3(p.OverlapSD[r]));
      const std::vector<TMovingWindowRec>& windows = p.Windows[r];
      for (size_t w = 0; w < windows.size() && ok; ++w) {
        const TMovingWindowRec& win = windows[w];
        const int32_t previous = w == 0 ? -1 : windows[w - 1].types.Count();
        line(WindowResultsAsText(static_cast<int32_t>(r), static_cast<int32_t>(w), win.types.Count(), previous));
        by_freq = win.types.Items();
        std::stable_sort(by_freq.begin(), by_freq.end(),
                         [](const TCardinalAndFreqList::TItem& a, const TCardinalAndFreqList::TItem& b) { return a.freq > b.freq; });
        shared.clear();
        other.clear();
        for (const TCardinalAndFreqList::TItem& t : by_freq) {
          UString& into = std::binary_search(win.overlaps.begin(), win.overlaps.end(), t.number) ? shared : other;
          if (!into.empty()) into += u',';
          into += (fGetAWordAsString ? fGetAWordAsString(t.number) : UString()) + u"(" + IntToUStr(t.freq) + u")";
        }
        line(StringInNCharacterChunks(u"OVERLAPS: " + LowerCaseU(shared), 120, u"\t", u','));
        line(StringInNCharacterChunks(u"OTHER: " + LowerCaseU(other), 120, u"\t", u','));
      }
      line(u"********** END OF Run " + IntToUStr(static_cast<int64_t>(r) + 1) + u" *****************");
      line(u"");
    }
    flush();
    return ok;
  };
  if (!SafeSaveToFile(text_file, writer, &why)) {
    if (error) *error = text_file + u": " + why;
    return false;
  }
  return true;
}

// --- over a corpus index -------------------------------------------------------------------------

std::unique_ptr<TMovingWindow> TIndexHandler::ComputeMovingWindow(int32_t window_size, int32_t planned_runs) {
  fLastFailure.clear();
  if (!fOk || !fTokenFileStream) {
    Fail(u"moving window: no index open");
    return nullptr;
  }
  const TTokensFileRec* recs = fTokenFileStream->Records();
  const int64_t n = fTokenFileStream->TokenEntries();
  if (!recs && n > 0) {
    Fail(TokenOrderFilename + u": could not be mapped");
    return nullptr;
  }
  // Refused before anything is computed: a window must hold two words and fit in the index.
  if (planned_runs < 1) {
    Fail(u"moving window: " + IntToUStr(planned_runs) + u" runs: at least one is needed");
    return nullptr;
  }
  if (window_size < 2 || window_size > n) {
    Fail(u"moving window: a window of " + IntToUStr(window_size) + u" words does not fit " + IntToUStr(n) +
         u" running words (at least 2, at most the running words)");
    return nullptr;
  }
  std::vector<uint32_t> grammar;
  for (const UString& w : GrammarWordList) {
    const int32_t t = WordNumberFromWord(w);
    if (t >= 0) grammar.push_back(static_cast<uint32_t>(t));
  }
  std::sort(grammar.begin(), grammar.end());
  grammar.erase(std::unique(grammar.begin(), grammar.end()), grammar.end());
  std::vector<TMovingWindowSection> sections;
  for (int32_t i = 0; i < fMarkupSectionStarts.Count(); ++i) {
    TMovingWindowSection s;
    if (fMarkupSectionStarts.GetASection(i, s.name, s.word)) sections.push_back(std::move(s));
  }
  std::stable_sort(sections.begin(), sections.end(),
                   [](const TMovingWindowSection& a, const TMovingWindowSection& b) { return a.word < b.word; });
  // Every window names its words: they are taken out of the type file once.
  auto words = std::make_shared<const std::vector<UString>>(WordsInNumberOrder());
  std::function<UString(uint32_t)> get_word = [words](uint32_t t) {
    return t < words->size() ? (*words)[t] : UString();
  };
  auto mw = std::make_unique<TMovingWindow>(window_size, planned_runs, get_word);
  ComputeMovingWindowOver(recs, n, *mw, window_size, planned_runs, GetMovingWindowSettings().MinFrequency(), grammar,
                          sections, get_word);
  return mw;
}
