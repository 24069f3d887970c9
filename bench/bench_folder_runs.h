// The many-texts benchmark the concordance benches share: a folder of texts (given, or 4,000
// generated texts of 200 MB in all) run on 1, 2, 4 and 8 workers along one or more roads, each
// figure the median of BENCH_TRIES runs (5 unless set, never fewer, whatever the load: one quiet
// run on a shared machine is not a figure), with the median load before and after printed.
// BENCH_FOLDER_MB=n generates about n MB instead (texts of the same sizes, more of them);
// BENCH_KEEP_FOLDER=DIR writes the generated texts under DIR and leaves them there, so that later
// runs (and other builds) can be given the same folder.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench_load.h"
#include "bench_texts.h"
#include "platform/rtl/files.h"

struct TFolderOfTexts {
  std::vector<UString> names;
  int64_t bytes = 0;
  UString made;  // the generated folder, removed at the end; empty for a given one
  ~TFolderOfTexts() {
    if (made.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(ToFsPath(made), ec);
  }
};

// The texts under `given` (every file, in name order), or 4,000 generated ones of 20 to 80 KB
// (200 MB in all; BENCH_FOLDER_MB and BENCH_KEEP_FOLDER above), English-like with the quotes, dashes and accents of printed texts and the
// word about once in 250 words.
inline void FillFolderOfTexts(TFolderOfTexts& f, const char* given, const std::string& word) {
  if (given) {
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(given, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      f.names.push_back(Utf8ToUtf16(it->path().string()));
      f.bytes += static_cast<int64_t>(it->file_size(ec));
    }
    std::sort(f.names.begin(), f.names.end());
    return;
  }
  const char* keep = std::getenv("BENCH_KEEP_FOLDER");
  f.made = IncludeTrailingPathDelimiter(keep ? Utf8ToUtf16(keep) : UniqueTempName(SystemTempFolder(), u"bench_folder_", u""));
  ForceDirectories(f.made);
  const char* mb = std::getenv("BENCH_FOLDER_MB");
  // 4,000 texts make 200 MB.
  const int32_t texts = mb ? std::max(1, std::atoi(mb) * 20) : 4000;
  for (int32_t t = 0; t < texts; ++t) {
    const std::string text =
        MakeText(20000 + static_cast<size_t>(t % 17) * 3750, 7000 + static_cast<uint32_t>(t), word, 250, true);
    f.names.push_back(f.made + u"t" + IntToUStr(t) + u".txt");
    SafeSaveBytes(f.names.back(), text.data(), static_cast<int64_t>(text.size()));
    f.bytes += static_cast<int64_t>(text.size());
  }
  if (keep) f.made.clear();
}

// Fills the folder and prints what it holds; false (with a message naming `program`) when it holds
// no texts. Figures are printed line by line from here on, into a file too.
inline bool OpenFolderOfTexts(TFolderOfTexts& f, const char* given, const std::string& word, const char* program) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  FillFolderOfTexts(f, given, word);
  if (f.names.empty()) {
    std::fprintf(stderr, "%s: no texts under %s\n", program, given);
    return false;
  }
  std::printf("%zu texts, %.1f MB, word \"%s\"; %u cores\n", f.names.size(), f.bytes / 1e6, word.c_str(),
              std::thread::hardware_concurrency());
  return true;
}

// One road through the texts: its name and a run on so many workers answering its seconds.
struct TFolderRoad {
  const char* name;
  std::function<double(int32_t workers)> run;
};

// The median of a few figures (the upper middle one of an even count).
inline double MedianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Each road on 1, 2, 4 and 8 workers (BENCH_WORKERS=n: n alone), after one run that warms the
// file cache.
inline void RunRoadsOverWorkers(const std::vector<TFolderRoad>& roads) {
  const int tries = std::max(5, std::getenv("BENCH_TRIES") ? std::atoi(std::getenv("BENCH_TRIES")) : 5);
  std::vector<int32_t> counts{1, 2, 4, 8};
  if (const char* only = std::getenv("BENCH_WORKERS")) counts = {std::max(1, std::atoi(only))};
  for (const TFolderRoad& road : roads) {
    road.run(8);
    double one = 0;
    for (const int32_t workers : counts) {
      std::vector<double> seconds, before, after;
      for (int t = 1; t <= tries; ++t) {
        before.push_back(LoadNow());
        seconds.push_back(road.run(workers));
        after.push_back(LoadNow());
      }
      const double s = MedianOf(seconds);
      const auto [fastest, slowest] = std::minmax_element(seconds.begin(), seconds.end());
      if (one == 0) one = s;
      std::printf("%-16s %d worker(s): %7.3f s median of %d (%.3f-%.3f), %5.2fx one worker (load %.2f before, %.2f after)\n",
                  road.name, workers, s, tries, *fastest, *slowest, one / s, MedianOf(before), MedianOf(after));
    }
    if (one < 2.0) std::printf("    (one worker took under 2 s: give a larger folder for steadier figures)\n");
  }
}
