// Generated texts the benchmarks share.
#pragma once

#include <cstdint>
#include <random>
#include <string>

// English-like text in which the search word stands about once in `every` words; typographic:
// with the curly quotes, dashes and accented words of printed texts (UTF-8 beyond ASCII, as most
// real corpora are).
inline std::string MakeText(size_t bytes, uint32_t seed, const std::string& word, uint32_t every = 1000,
                              bool typographic = false) {
  static const char* kPrinted[] = {"\xE2\x80\x9Cwell\xE2\x80\x9D", "caf\xC3\xA9", "na\xC3\xAFve", "\xE2\x80\x94",
                                   "it\xE2\x80\x99s", "r\xC3\xB4le"};
  static const char* kWords[] = {"the", "of", "and", "a", "to", "in", "is", "was", "that", "for", "it", "with",
                                 "as", "his", "on", "be", "at", "by", "had", "not", "are", "but", "from", "or",
                                 "have", "an", "they", "which", "one", "you", "were", "her", "all", "she", "there",
                                 "would", "their", "we", "him", "been", "has", "when", "who", "will", "more", "no",
                                 "if", "out", "so", "said", "what", "up", "its", "about", "into", "than", "them",
                                 "can", "only", "other", "new", "some", "could", "time", "these", "two", "may"};
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(bytes + 64);
  size_t n = 0;
  while (s.size() < bytes) {
    if (typographic && rng() % 40 == 0) s += kPrinted[rng() % (sizeof kPrinted / sizeof kPrinted[0])];
    else s += (rng() % every == 0) ? word : kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    s += (++n % 17 == 0) ? ".\n" : " ";
  }
  return s;
}

