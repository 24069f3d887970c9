// Finding the key words of a paged text, page after page: what the one-text viewer counts, lists
// and plots. Each Step scans one page (with a few hundred characters of its neighbours, so a word
// cut by a page's edge is found once, by the page it begins on); the caller yields between steps
// and may stop at any step. Hits are kept in text order by their file byte.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "shell/files/paged_text.h"

struct TKeyWordHit {
  int64_t byte = 0;       // the hit's first byte in the file
  int32_t units = 0;      // its length in UTF-16 units
  int32_t word = 0;       // which key word (index in the list given)
  bool operator==(const TKeyWordHit&) const = default;
};

class TKeyWordScan {
 public:
  // How far a page's neighbours are read for words cut by its edges.
  static constexpr size_t kEdgeUnits = 256;

  void Start(TPagedText& text, std::vector<UString> words);
  // Scans the next page; false once every page is scanned (or a page could not be read: error).
  bool Step(UString* error = nullptr);
  bool Done() const { return next_page_ >= pages_ || failed_; }
  bool Failed() const { return failed_; }
  int PagesDone() const { return next_page_; }
  int PagesTotal() const { return pages_; }
  const std::vector<UString>& Words() const { return words_; }
  const std::vector<TKeyWordHit>& Hits() const { return hits_; }
  // Hits of word i, and the byte of its first hit (-1 when none).
  int64_t CountOf(int word) const;
  int64_t FirstByteOf(int word) const;

 private:
  TPagedText* text_ = nullptr;
  std::vector<UString> words_;
  std::vector<TKeyWordHit> hits_;
  std::vector<int64_t> counts_;
  std::vector<int64_t> first_;
  int next_page_ = 0;
  int pages_ = 0;
  bool failed_ = false;
};

// The key words found in a piece of text (a window shown), as spans of that piece, with the word
// each span is of.
struct TWordSpan {
  int64_t start = 0;
  int64_t length = 0;
  int word = 0;
};
std::vector<TWordSpan> KeyWordSpansIn(UStringView text, const std::vector<UString>& words);
