#include "concordance/run/sampling.h"

#include <chrono>

namespace {

// SplitMix64's finaliser: every input bit reaches every output bit.
uint64_t Mix(uint64_t z) {
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

uint64_t NewSamplingSeed() {
  return Mix(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

uint32_t SamplingDraw(uint64_t seed, const THitPlace& place, uint32_t range) {
  if (range <= 1) return 0;
  uint64_t h = Mix(seed);
  h = Mix(h ^ static_cast<uint32_t>(place.text));
  h = Mix(h ^ (uint64_t(static_cast<uint32_t>(place.chunk)) << 32 | static_cast<uint32_t>(place.item)));
  h = Mix(h ^ static_cast<uint32_t>(place.hit));
  // Lemire's multiply-shift: an unbiased enough map of 32 random bits onto [0, range).
  return static_cast<uint32_t>((static_cast<uint64_t>(static_cast<uint32_t>(h >> 32)) * range) >> 32);
}
