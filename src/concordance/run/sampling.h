// Random sampling of hits: one hit in `range` is kept on average (a range of 0 or 1 keeps all).
//
// A draw depends only on the run's seed and on where the hit lies (text, chunk, search item and
// the hit's number within that item's pass over the chunk), never on which thread or in which
// order hits were met: a run spread over every core keeps the very hits one core keeps, and a
// run repeated with the same seed keeps them again.
#pragma once

#include <cstdint>

struct THitPlace {
  int32_t text = 0;   // the text's number in the run (0-based)
  int32_t chunk = 0;  // chunk index within the text
  int32_t item = 0;   // search item
  int32_t hit = 0;    // the hit's number in the item's pass over the chunk (0-based)
};

// A seed for a run: from the clock unless the settings fix one.
uint64_t NewSamplingSeed();

// The draw for a hit: a number in [0, range), 0 for a range of 0 or 1.
uint32_t SamplingDraw(uint64_t seed, const THitPlace& place, uint32_t range);
// Whether the hit is kept: its draw is 0.
inline bool SampledIn(uint64_t seed, const THitPlace& place, uint32_t range) {
  return range <= 1 || SamplingDraw(seed, place, range) == 0;
}
