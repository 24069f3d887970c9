// The hits of one plot row: word positions (with the characters around each hit when kept),
// the running words of the row's text and the number of equal divisions its dispersion uses.
// A copy shares the hits with the list it was copied from until either of them changes them
// (the one that changes takes a copy of its own first): a grid cell showing a row of millions
// of hits refers to the row's hits instead of copying them. Copies are made and changed on one
// thread, or each on a thread of its own once made.
//
// Stream (little-endian): int32 version (kGeneralPlotDataVersion), int32 words, int32
// divisions, int32 count, then per plot int32 position and the context as the runtime's
// string (int32 length, UTF-16 units). A reader checks the count against the bytes left (each
// plot takes at least 8) and answers false on any short or damaged piece, keeping the plots
// read before it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"

class TStream;

inline constexpr int32_t kGeneralPlotDataVersion = 1;

struct TV2GeneralPlotDataRec {
  int32_t position = 0;  // a word number in the row's text
  UString context;       // the characters around the hit; empty when not kept
};

class TGeneralPlotDataList {
 public:
  TGeneralPlotDataList() = default;
  TGeneralPlotDataList(int32_t words, int32_t divisions) : words_(words), divisions_(divisions) {}

  int32_t Words() const { return words_; }  // the scale: running words (or the largest text's)
  void SetWords(int32_t words) { words_ = words; }
  int32_t Divisions() const { return divisions_; }
  void SetDivisions(int32_t divisions) { divisions_ = divisions; }

  int32_t Count() const { return plots_ ? static_cast<int32_t>(plots_->size()) : 0; }
  void Add(const TV2GeneralPlotDataRec& plot) { Own().push_back(plot); }
  void Reserve(size_t count) { Own().reserve(count); }
  void Clear() { plots_.reset(); }
  // False, plot zeroed, outside the list.
  bool GetAPlot(int32_t i, TV2GeneralPlotDataRec& plot) const;
  bool GetFirstPlot(TV2GeneralPlotDataRec& plot) const { return GetAPlot(0, plot); }
  bool GetLastPlot(TV2GeneralPlotDataRec& plot) const { return GetAPlot(Count() - 1, plot); }
  const std::vector<TV2GeneralPlotDataRec>& Plots() const;
  // Stable: hits at one position keep their order.
  void SortByPosition();
  // Juilland's D of the hits per division, the divisions being equal stretches of the words
  // (a position outside 0..words-1 counts in the nearest division); 0 without words, with fewer
  // than two divisions or without hits.
  double ComputedDispersion() const;
  // The hits in each division, counted as ComputedDispersion counts them; one division holding
  // every hit when the list has no words or fewer than two divisions.
  std::vector<int32_t> HitsPerDivision() const;

  bool SaveToStream(TStream& s) const;
  bool ReadFromStream(TStream& s);

 private:
  int32_t words_ = 0;
  int32_t divisions_ = 0;
  // The hits, to be changed: this list's own (copied first while shared).
  std::vector<TV2GeneralPlotDataRec>& Own();

  std::shared_ptr<std::vector<TV2GeneralPlotDataRec>> plots_;  // none: no hits
};
