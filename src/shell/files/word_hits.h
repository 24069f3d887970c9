// The hits of typed search items in one text at a time, by the search engine's word rules (plain
// words in plain texts without it): what a grid's cell search and the source-text viewers find,
// the same words a run finds ("Government's" for government, "well-known" whole). Items are
// prepared once; Hits may be asked of many texts.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/search/search_records.h"

class TCellHitFinder {
 public:
  explicit TCellHitFinder(const std::vector<UString>& items, const TSearchTextOptions& options = {});
  ~TCellHitFinder();
  bool Empty() const;
  // The items kept (trimmed; blank ones are left out).
  const std::vector<UString>& Items() const;
  // (offset, length) in text order; where hits of different items overlap, the first stays.
  // items, when given, receives for each hit the index in Items() of the item that found it.
  void Hits(UStringView text, std::vector<std::pair<int32_t, int32_t>>& hits, std::vector<int32_t>* items = nullptr);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// The hits of plain items (letters and digits, "*" at either end) in a plain text (ASCII words
// parted by blanks and common stops); false when either is not plain: the engine must decide.
bool PlainWordHits(UStringView text, const std::vector<UString>& items, std::vector<std::pair<int32_t, int32_t>>& hits);
