// The moving window: how the vocabulary of a corpus changes as one reads through it. The running
// words of a corpus index are cut into consecutive windows of a fixed number of words; each
// window's word types are compared with the window before's and the Dice coefficient of the
// overlap recorded. Several runs start a little later each (run r at (size div runs) * r), so
// their windows are staggered. Windows near a section start are compared with the others by
// their mean overlap.
//
// A window counts its own running words, start .. end: the word that fills it is its end word
// and its type is its own. The last window of a run ends at the last running word, whatever its
// size. A window's types are a sorted (type, frequency) array; the overlap with the window
// before is a merge of the two arrays.
//
// Plot data stream (little-endian): int32 runs, int32 window size, int32 running words; float32
// mean near, mean far, sd near, sd far; four arrays (per run: sd, mean, maximum, minimum of the
// overlaps) and then each run's overlap values, each array an int32 count and that many float32;
// int32 number of sections, each its name (int32 count of UTF-16 units, the units) and int32
// starting word. The windows themselves are not stored.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/runtime/vx_maths.h"

class TStream;

// One window of a run.
struct TMovingWindowRec {
  TCardinalAndFreqList types;   // the window's types with their frequencies
  int32_t end_word = -1;        // the last running word of the window
  int32_t start_word = 0;       // the first
  std::vector<uint32_t> overlaps;  // types it shares with the window before
  UString sections;             // the sections met in the window, joined by "-"
  UString closing_words;        // its last words
  UString starting_words;       // its first words
};

// A section of the texts' mark-up and the running word it starts at.
struct TMovingWindowSection {
  UString name;
  int32_t word = 0;
};

class TMovingWindowPlotDataHolder {
 public:
  TMovingWindowPlotDataHolder(int32_t window_size, int32_t planned_runs);
  void AddAWindow(int32_t start_wordnum, int32_t run_number);
  // True only when every byte was written (or read). A read checks every count against the
  // bytes left and changes nothing when it fails.
  bool SavePlotDataToStream(TStream& s) const;
  bool ReadPlotDataFromStream(TStream& s);

  std::vector<std::vector<TMovingWindowRec>> Windows;  // per run
  float sd_section_near_overlaps = 0;
  float sd_section_far_overlaps = 0;
  float mean_section_near_overlaps = 0;
  float mean_section_far_overlaps = 0;
  int32_t Total_Tokens = 0;
  int32_t PlannedRuns = 0;
  int32_t window_size = 0;
  std::vector<TMovingWindowSection> Sections_Info;
  std::vector<std::vector<float>> OverlapValues;  // per run: index w = window w + 1 against window w
  std::vector<float> OverlapSD, OverlapMean, OverlapMax, OverlapMin;  // per run
};

class TMovingWindow {
 public:
  // get_word: the word of a type number (empty when there is none).
  TMovingWindow(int32_t window_size, int32_t planned_runs, std::function<UString(uint32_t)> get_word);

  void SetTotalTokens(int32_t n) { PlotDataHolder.Total_Tokens = n; }
  void AddANewWindow(int32_t start_wordnum, int32_t run_number);
  // One occurrence of a type in the run's last window.
  void AddANumber(uint32_t num, int32_t run);
  // The run's last window loses the types below min_freq, and those in grammar_words (sorted).
  void FilterLowFreqItems(int32_t min_freq, int32_t run);
  void FilterGrammarItems(int32_t run, std::span<const uint32_t> grammar_words);
  // The run's last window against the one before it (nothing for the first window): the shared
  // types, the Dice coefficient as the run's overlap value; a last window whose overlap is 0
  // takes the value of the window before (from the third window on).
  void ComputeOverlapCoefficientWithPrevious(int32_t run, bool is_last_window);
  void DeclareWindowEndInfo(int32_t run, int32_t ended, UStringView sections, UStringView starting_words,
                            UStringView closing_words);
  // Mean and standard deviation of the run's overlaps, the last one left out.
  void ComputeMeanAndSD(int32_t run);
  // Mean and standard deviation of the overlaps of windows near a section start (within a tenth
  // of the window size of it) and of the others.
  void ComputeTTest();
  bool IsOverlapWord(int32_t window_num, int32_t run, uint32_t word) const;
  int32_t NumberOfWindows() const { return static_cast<int32_t>(PlotDataHolder.Windows.size()); }
  // Windows of a run.
  int32_t WindowsOfRun(int32_t run) const;
  void TryToAddSection(UStringView name, int32_t word_number);
  UString WindowResultsAsText(int32_t run, int32_t window, int32_t this_count, int32_t previous_count) const;
  // Writes the plot data (names[1], always a new file) and the text results (names[0], UTF-16
  // with a byte-order mark); each through a temporary sibling. False (error says which file and
  // why) when either cannot be written; no text file when the plot data failed.
  bool SaveToFiles(const UString& text_file, const UString& plot_file, UString* error = nullptr) const;

  TMovingWindowPlotDataHolder PlotDataHolder;

 private:
  std::function<UString(uint32_t)> fGetAWordAsString;
  int32_t fWindowSize;
};

// Drives the windows over the running words: recs[i].word_type_number holds word i's type (bits
// 0-27). Sections sorted by starting word; grammar types sorted; min_freq the least frequency a
// type keeps in a window. Every run is made, then its mean and SD, then the t-test samples.
template <class Rec>
void ComputeMovingWindowOver(const Rec* recs, int64_t n, TMovingWindow& mw, int32_t window_size, int32_t runs,
                             int32_t min_freq, std::span<const uint32_t> grammar,
                             const std::vector<TMovingWindowSection>& sections,
                             const std::function<UString(uint32_t)>& get_word);

// --- the template's body -------------------------------------------------------------------------

namespace moving_window_detail {
UString WordsBetween(const std::function<UString(uint32_t)>& get_word, const uint32_t* types, int64_t from, int64_t to,
                     bool lower);
}  // namespace moving_window_detail

template <class Rec>
void ComputeMovingWindowOver(const Rec* recs, int64_t n, TMovingWindow& mw, int32_t window_size, int32_t runs,
                             int32_t min_freq, std::span<const uint32_t> grammar,
                             const std::vector<TMovingWindowSection>& sections,
                             const std::function<UString(uint32_t)>& get_word) {
  mw.SetTotalTokens(static_cast<int32_t>(n));
  std::vector<uint32_t> types(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) types[static_cast<size_t>(i)] = recs[i].word_type_number & 0x0FFFFFFF;
  auto close = [&](int32_t run, int32_t start, int32_t end, bool last, UString& section_text) {
    mw.FilterLowFreqItems(min_freq, run);
    mw.FilterGrammarItems(run, grammar);
    mw.ComputeOverlapCoefficientWithPrevious(run, last);
    const int64_t start_to = std::min<int64_t>(int64_t{start} + 10, n - 1);
    const int64_t end_from = std::max<int64_t>(int64_t{end} - 10, 0);
    mw.DeclareWindowEndInfo(run, end, section_text,
                            moving_window_detail::WordsBetween(get_word, types.data(), start, start_to, true),
                            moving_window_detail::WordsBetween(get_word, types.data(), end_from, end, false));
    section_text.clear();
  };
  for (int32_t run = 0; run < runs; ++run) {
    const int64_t first = int64_t{window_size / runs} * run;
    if (first >= n) {
      mw.AddANewWindow(static_cast<int32_t>(first), run);
      continue;
    }
    int32_t start = static_cast<int32_t>(first);
    mw.AddANewWindow(start, run);
    int32_t count = 0;
    int32_t last_section = -1;
    UString section_text;
    for (int64_t i = first; i < n; ++i) {
      if (!sections.empty()) {
        const auto above = std::upper_bound(sections.begin(), sections.end(), i,
                                            [](int64_t w, const TMovingWindowSection& s) { return w < s.word; });
        const int32_t k = static_cast<int32_t>(above - sections.begin()) - 1;
        if (k >= 0 && k != last_section) {
          last_section = k;
          const TMovingWindowSection& s = sections[static_cast<size_t>(k)];
          section_text = section_text.empty() ? s.name : section_text + u"-" + s.name;
          if (run == 0) mw.TryToAddSection(s.name, s.word);
        }
      }
      mw.AddANumber(types[static_cast<size_t>(i)], run);
      if (++count == window_size && i + 1 < n) {
        close(run, start, static_cast<int32_t>(i), false, section_text);
        start = static_cast<int32_t>(i + 1);
        mw.AddANewWindow(start, run);
        count = 0;
      }
    }
    if (count > 0) close(run, start, static_cast<int32_t>(n - 1), true, section_text);
    mw.ComputeMeanAndSD(run);
  }
  mw.ComputeTTest();
}
