// Vectors of plain items that a count fills on its workers (TWorkVector, left unwritten when made
// or grown without a value: the workers that fill them are the first to touch their pages, instead
// of the owner's thread zeroing, and taking every page fault of, millions of items alone before
// the work can spread), and the places pieces of a count hand their items in at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/unfilled_vector.h"

// Places for items that pieces of a count hand in by bucket, each bucket's items in piece order:
// on entry place[p][b] holds how many items piece p has for bucket b; on return, where piece p's
// first item of bucket b goes. Answers where each bucket starts (buckets + 1 numbers, the last
// the count of every item).
inline std::vector<uint32_t> PlacesByPiece(std::vector<std::vector<uint32_t>>& place, size_t buckets) {
  std::vector<uint32_t> starts(buckets + 1, 0);
  for (size_t b = 0; b < buckets; ++b) {
    uint32_t at = starts[b];
    for (std::vector<uint32_t>& piece : place) {
      const uint32_t here = piece[b];
      piece[b] = at;
      at += here;
    }
    starts[b + 1] = at;
  }
  return starts;
}
