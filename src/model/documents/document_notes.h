// The notes of a tool document: lines of text telling how a result was made. A line that starts
// with one tab is a detail of the line above it, two tabs a detail of a detail.
//
// Stream form of the notes list: int32 number of lines, then each line in the runtime's string
// framing (int32 count of UTF-16 units, then the units). The reader checks the count against the
// bytes left and keeps its previous lines when the stream is damaged.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

class TStream;

class TMyStreamableStringlist {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const UString& operator[](int i) const { return lines_[static_cast<size_t>(i)]; }
  const std::vector<UString>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }
  void Add(UStringView line) { lines_.emplace_back(line); }
  void AddStrings(const TMyStreamableStringlist& other);
  // The whole text, each line followed by LF.
  UString Text() const;
  // Replaces the lines by those of text, cut at CR LF, LF or CR; a final line end adds no line.
  void SetText(UStringView text);

  bool SaveToStream(TStream& s) const;
  bool ReadFromStream(TStream& s);

 private:
  std::vector<UString> lines_;
};

// The length of time a note reports: "took ..." with milliseconds, seconds or minutes:seconds,
// empty when the step took 200 ms or less. Minutes count every whole hour (and day) taken.
UString TimingNoteText(double seconds);
