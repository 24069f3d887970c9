// Sorting concordance lines on three word keys (R1, R2, R3) by collation, as a list of a million
// lines is sorted after a run.
//
//   bench_sort_lines [--lines N] [--threads T] [--seed S]   generated keys, timed sorts
//   bench_sort_lines --write-tsv FILE [--lines N]            the generated keys as TAB-separated UTF-8
//   bench_sort_lines --tsv FILE [--out FILE]                 keys read from such a file, sorted, written
//   --case-sensitive                                         with --tsv: case counts on every level
//   bench_sort_lines --old [--lines N]                       also the slower ways, for comparison
//
// The words come from a made-up vocabulary of English-like words (the commonest ones real
// function words), drawn with Zipf frequencies, some capitalised and some accented, and each
// line's words are copied into one text buffer, as a line's words lie in its own text.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "concordance/lines/ranked_sort.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

std::vector<UString> MakeVocabulary(size_t types, std::mt19937_64& rng) {
  static const char* const kCommon[] = {
      "the", "of",   "and",  "to",   "a",     "in",   "is",    "that", "it",    "for",  "was",   "on",   "with",
      "as",  "he",   "be",   "by",   "at",    "I",    "this",  "had",  "not",   "are",  "but",   "from", "or",
      "have", "an",  "they", "which", "one",  "you",  "were",  "her",  "all",   "she",  "there", "would", "their",
      "we",  "him",  "been", "has",  "when",  "who",  "will",  "more", "no",    "if",   "out",   "so",   "said",
      "what", "up",  "its",  "about", "into", "than", "them",  "can",  "only",  "other", "new",  "some", "could",
      "time", "these", "two", "may", "then",  "do",   "first", "any",  "my",    "now",  "such",  "like", "our"};
  static const char* const kOnsets[] = {"b", "c", "d", "f", "g", "h", "j", "k", "l", "m", "n", "p", "r", "s", "t",
                                        "v", "w", "y", "z", "br", "ch", "cl", "cr", "dr", "fl", "gr", "pl", "pr",
                                        "sh", "sl", "sp", "st", "str", "th", "tr", "wh", ""};
  static const char* const kVowels[] = {"a", "e", "i", "o", "u", "ea", "ee", "ai", "ou", "oo", "ie", "y"};
  static const char* const kCodas[] = {"", "", "n", "t", "r", "s", "l", "nd", "ng", "st", "ck", "m", "rt", "ss"};
  std::vector<UString> words;
  for (const char* w : kCommon) words.push_back(Latin1ToUtf16(w));
  while (words.size() < types) {
    std::string w;
    for (int s = 1 + int(rng() % 3); s > 0; --s) {
      w += kOnsets[rng() % std::size(kOnsets)];
      w += kVowels[rng() % std::size(kVowels)];
      w += kCodas[rng() % std::size(kCodas)];
    }
    if (rng() % 4 == 0) w += std::string("ing ed er ly s").substr((rng() % 5) * 3, 2);
    UString u = Latin1ToUtf16(w);
    u.erase(std::remove(u.begin(), u.end(), u' '), u.end());
    if (rng() % 40 == 0) u[rng() % u.size()] = u"\u00E9\u00E8\u00EF\u00F6\u00FC\u00E7"[rng() % 6];
    if (rng() % 25 == 0) u[0] = char16_t(u[0] - 32 * (u[0] >= u'a' && u[0] <= u'z'));  // names
    words.push_back(std::move(u));
  }
  return words;
}

struct TKeys {
  UString text;                       // every line's words, one after another
  std::vector<UStringView> level[3];  // views into text
  std::string bytes;                  // a file's lines as read, and where each starts
  std::vector<size_t> line_starts;
};

void PointViews(TKeys& k, const std::vector<std::pair<size_t, size_t>>& spans) {
  for (auto& l : k.level) l.clear();
  for (size_t i = 0; i < spans.size(); ++i)
    k.level[i % 3].push_back(UStringView(k.text).substr(spans[i].first, spans[i].second));
}

TKeys Generate(size_t lines, uint64_t seed) {
  std::mt19937_64 rng(seed);
  const std::vector<UString> vocab = MakeVocabulary(50000, rng);
  // Zipf over word rank, s = 1: the cumulative weights, drawn from by binary search.
  std::vector<double> cum(vocab.size());
  double total = 0;
  for (size_t r = 0; r < vocab.size(); ++r) cum[r] = total += 1.0 / double(r + 1);
  std::uniform_real_distribution<double> u(0, total);
  TKeys k;
  std::vector<std::pair<size_t, size_t>> spans;
  for (size_t i = 0; i < lines * 3; ++i) {
    const size_t r = size_t(std::lower_bound(cum.begin(), cum.end(), u(rng)) - cum.begin());
    UString w = vocab[std::min(r, vocab.size() - 1)];
    if (rng() % 20 == 0 && !w.empty() && w[0] >= u'a' && w[0] <= u'z') w[0] = char16_t(w[0] - 32);  // sentence start
    spans.emplace_back(k.text.size(), w.size());
    k.text += w;
    k.text += u' ';
  }
  PointViews(k, spans);
  return k;
}

bool ReadTsv(const std::string& path, TKeys& k, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  k.bytes = ss.str();
  if (!k.bytes.empty() && k.bytes.back() != '\n') {
    error = path + ": the last line has no line end";
    return false;
  }
  k.line_starts.push_back(0);
  for (size_t i = 0; i < k.bytes.size(); ++i)
    if (k.bytes[i] == '\n') k.line_starts.push_back(i + 1);
  k.text = Utf8ToUtf16(k.bytes);
  std::vector<std::pair<size_t, size_t>> spans;
  size_t start = 0, field = 0;
  for (size_t i = 0; i < k.text.size(); ++i) {
    const char16_t c = k.text[i];
    if (c != u'\t' && c != u'\n') continue;
    spans.emplace_back(start, i - start);
    start = i + 1;
    ++field;
    if (c == u'\n') {
      if (field != 3) {
        error = path + ": line " + std::to_string(spans.size() / 3 + 1) + " has not three fields";
        return false;
      }
      field = 0;
    }
  }
  PointViews(k, spans);
  return true;
}

double TimeRanked(const TKeys& k, int threads, std::vector<uint32_t>& order, bool case_sensitive = false) {
  const TRankedSortLevel levels[] = {TRankedSortLevel::Strings(k.level[0], kLCID_EnglishUS, case_sensitive),
                                     TRankedSortLevel::Strings(k.level[1], kLCID_EnglishUS, case_sensitive),
                                     TRankedSortLevel::Strings(k.level[2], kLCID_EnglishUS, case_sensitive)};
  const auto t0 = Clock::now();
  const TRankedSortResult r = RankedSort(levels, k.level[0].size(), order, threads);
  const auto t1 = Clock::now();
  if (!r.ok) std::cerr << r.message << "\n";
  return Seconds(t0, t1);
}

// The ways a list sorts without ranks: a collation key made for every line, or the collator
// asked at every comparison.
double TimeKeyPerLine(const TKeys& k, size_t lines) {
  const auto t0 = Clock::now();
  std::vector<std::string> keys[3];
  for (int l = 0; l < 3; ++l)
    for (size_t i = 0; i < lines; ++i) keys[l].push_back(CollationSortKey(kLCID_EnglishUS, false, k.level[l][i]));
  std::vector<uint32_t> order(lines);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    for (int l = 0; l < 3; ++l) {
      const int r = keys[l][a].compare(keys[l][b]);
      if (r != 0) return r < 0;
    }
    return false;
  });
  return Seconds(t0, Clock::now());
}

double TimeCollatorPerComparison(const TKeys& k, size_t lines) {
  const auto t0 = Clock::now();
  std::vector<uint32_t> order(lines);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    for (int l = 0; l < 3; ++l) {
      const int r = CompareStringsLocale(kLCID_EnglishUS, false, k.level[l][a], k.level[l][b]);
      if (r != 0) return r < 0;
    }
    return false;
  });
  return Seconds(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
  size_t lines = 1000000;
  int threads = 0;
  uint64_t seed = 42;
  std::string write_tsv, tsv, out;
  bool old = false, case_sensitive = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--lines") lines = std::stoull(next());
    else if (a == "--threads") threads = std::stoi(next());
    else if (a == "--seed") seed = std::stoull(next());
    else if (a == "--write-tsv") write_tsv = next();
    else if (a == "--tsv") tsv = next();
    else if (a == "--out") out = next();
    else if (a == "--old") old = true;
    else if (a == "--case-sensitive") case_sensitive = true;
    else {
      std::cerr << "unknown argument " << a << "\n";
      return 2;
    }
  }

  if (!tsv.empty()) {
    const auto t0 = Clock::now();
    TKeys k;
    std::string error;
    if (!ReadTsv(tsv, k, error)) {
      std::cerr << error << "\n";
      return 1;
    }
    const auto t1 = Clock::now();
    std::vector<uint32_t> order;
    const double sort_s = TimeRanked(k, threads > 0 ? threads : 1, order, case_sensitive);
    const auto t2 = Clock::now();
    if (!out.empty()) {
      // The lines as they were read, in the new order.
      std::string sorted;
      sorted.reserve(k.bytes.size());
      for (uint32_t i : order) sorted.append(k.bytes, k.line_starts[i], k.line_starts[i + 1] - k.line_starts[i]);
      std::ofstream(out, std::ios::binary) << sorted;
    }
    const auto t3 = Clock::now();
    std::printf("lines %zu  read %.3f s  sort %.3f s  write %.3f s  total %.3f s\n", order.size(), Seconds(t0, t1),
                sort_s, Seconds(t2, t3), Seconds(t0, t3));
    return 0;
  }

  const TKeys k = Generate(lines, seed);
  if (!write_tsv.empty()) {
    std::string bytes;
    for (size_t i = 0; i < lines; ++i)
      bytes +=
          Utf16ToUtf8(k.level[0][i]) + '\t' + Utf16ToUtf8(k.level[1][i]) + '\t' + Utf16ToUtf8(k.level[2][i]) + '\n';
    std::ofstream(write_tsv, std::ios::binary) << bytes;
    std::printf("wrote %zu lines to %s\n", lines, write_tsv.c_str());
    return 0;
  }

  std::vector<UStringView> distinct[3];
  for (int l = 0; l < 3; ++l) {
    distinct[l] = k.level[l];
    std::sort(distinct[l].begin(), distinct[l].end());
    distinct[l].erase(std::unique(distinct[l].begin(), distinct[l].end()), distinct[l].end());
  }
  std::printf("%zu lines, distinct words per level %zu / %zu / %zu\n", lines, distinct[0].size(), distinct[1].size(),
              distinct[2].size());
  std::vector<uint32_t> order, again;
  double best = 1e9;
  for (int run = 0; run < 3; ++run) best = std::min(best, TimeRanked(k, 1, order));
  std::printf("ranked sort, 1 thread:   %.3f s (best of 3)  %.0f lines/s\n", best, double(lines) / best);
  const int many = threads > 0 ? threads : int(std::max(2u, std::thread::hardware_concurrency()));
  double best_many = 1e9;
  for (int run = 0; run < 3; ++run) best_many = std::min(best_many, TimeRanked(k, many, again));
  std::printf("ranked sort, %d threads:  %.3f s (best of 3)  same order: %s\n", many, best_many,
              again == order ? "yes" : "NO");
  if (old) {
    std::printf("collation key per line + stable sort: %.3f s\n", TimeKeyPerLine(k, lines));
    std::printf("collator at every comparison: %.3f s\n", TimeCollatorPerComparison(k, lines));
  }
  return again == order ? 0 : 1;
}
