// The benchmarks' English-like text: Zipfian words of a 60,000-word vocabulary (the commonest
// English words first), hyphenated words, apostrophes, numbers and sentences. The same seed gives
// the same text.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

class TWordSource {
 public:
  explicit TWordSource(uint32_t seed) : rng_(seed) {
    static const char* kCommon[] = {"the", "of", "and", "a", "to", "in", "is", "was", "that", "for", "it", "with",
                                    "as", "his", "on", "be", "at", "by", "had", "not", "are", "but", "from", "or",
                                    "have", "an", "they", "which", "one", "you", "were", "her", "all", "she"};
    static const char* kSyllables[] = {"ka", "ro", "mi", "ten", "sul", "bra", "ve", "lo", "din", "ar", "pe", "sto",
                                       "qua", "ni", "mor", "el", "fi", "gan", "tu", "res", "ob", "li", "cha", "us"};
    for (const char* w : kCommon) vocabulary_.emplace_back(w);
    std::mt19937 v(1234);
    while (vocabulary_.size() < 60000) {
      std::string w;
      const int n = 1 + static_cast<int>(v() % 4);
      for (int k = 0; k < n; ++k) w += kSyllables[v() % 24];
      if (v() % 40 == 0) w = w + "-" + kSyllables[v() % 24] + kSyllables[v() % 24];
      if (v() % 60 == 0) w += "'s";
      vocabulary_.push_back(w);
    }
    double sum = 0;
    for (size_t r = 0; r < vocabulary_.size(); ++r) {
      sum += 1.0 / std::pow(static_cast<double>(r + 1), 1.05);
      cdf_.push_back(sum);
    }
    for (double& c : cdf_) c /= sum;
  }
  std::string Text(size_t bytes) {
    std::string s;
    s.reserve(bytes + 64);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    size_t n = 0;
    bool capital = true;
    while (s.size() < bytes) {
      std::string w;
      if (rng_() % 200 == 0) {
        w = std::to_string(rng_() % 100000);
        if (rng_() % 3 == 0) w += "." + std::to_string(rng_() % 100);
      } else {
        w = vocabulary_[static_cast<size_t>(std::lower_bound(cdf_.begin(), cdf_.end(), u(rng_)) - cdf_.begin())];
      }
      if (capital && !w.empty() && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 32);
      s += w;
      capital = (++n % 19 == 0);
      s += capital ? ".\n" : (n % 7 == 0 ? ", " : " ");
    }
    return s;
  }

 private:
  std::mt19937 rng_;
  std::vector<std::string> vocabulary_;
  std::vector<double> cdf_;
};
