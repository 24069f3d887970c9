// The many-texts benchmark the concordance benches share: a folder of texts (given, or 4,000
// generated texts of 200 MB in all) run on 1, 2, 4 and 8 workers along one or more roads, each
// figure the median of BENCH_TRIES runs (5 unless set, never fewer, whatever the load: one quiet
// run on a shared machine is not a figure), with the median load before and after printed.
// BENCH_FOLDER_MB=n generates about n MB instead (texts of the same sizes, more of them);
// BENCH_KEEP_FOLDER=DIR writes the generated texts under DIR and leaves them there, so that later
// runs (and other builds) can be given the same folder. BENCH_CORES pins the runs (below).
#pragma once

#include <sched.h>
#include <sys/resource.h>

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

// The process's processor seconds so far, user and system apart (every thread's).
struct TProcessorSeconds {
  double user = 0, system = 0;
};
inline TProcessorSeconds ProcessorSecondsNow() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return {static_cast<double>(u.ru_utime.tv_sec) + static_cast<double>(u.ru_utime.tv_usec) / 1e6,
          static_cast<double>(u.ru_stime.tv_sec) + static_cast<double>(u.ru_stime.tv_usec) / 1e6};
}

// The cores of BENCH_CORES ("2,5,0,..."), in its order; empty when unset.
inline std::vector<int> CoresToPinTo() {
  std::vector<int> cores;
  if (const char* list = std::getenv("BENCH_CORES"))
    for (const char* p = list; *p != '\0';) {
      char* end = nullptr;
      const long c = std::strtol(p, &end, 10);
      if (end == p) break;
      if (c >= 0 && c < CPU_SETSIZE) cores.push_back(static_cast<int>(c));
      p = *end == ',' ? end + 1 : end;
    }
  return cores;
}

// Pins every thread of the process, and so the threads it starts later, to the first `n` of
// `cores` (all of them when fewer); answers them as "2,5,0" for the figures.
inline std::string PinProcessToCores(const std::vector<int>& cores, int32_t n) {
  cpu_set_t set;
  CPU_ZERO(&set);
  std::string shown;
  for (size_t i = 0; i < cores.size() && i < static_cast<size_t>(n); ++i) {
    CPU_SET(cores[i], &set);
    shown += (shown.empty() ? "" : ",") + std::to_string(cores[i]);
  }
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec))
    sched_setaffinity(static_cast<pid_t>(std::atoi(it->path().filename().c_str())), sizeof set, &set);
  return shown;
}

// Each road on 1, 2, 4 and 8 workers (BENCH_WORKERS=n: n alone), after one run that warms the
// file cache. The counts take turns: BENCH_TRIES rounds (5 unless set, never fewer, whatever the
// load: one quiet run on a shared machine is not a figure), each running every count once, every
// other round in the reverse order, so that a change in the machine's load falls on every count
// alike. BENCH_CORES=c0,c1,...: a run on n workers has the process pinned to the first n of those
// cores, so that 8 workers against 1 is 8 cores against 1 (the committer or window thread shares
// them); unset, nothing is pinned. Each figure is the median over the rounds: wall seconds, the
// process's processor seconds (user and system) and the load before and after.
inline void RunRoadsOverWorkers(const std::vector<TFolderRoad>& roads) {
  const int tries = std::max(5, std::getenv("BENCH_TRIES") ? std::atoi(std::getenv("BENCH_TRIES")) : 5);
  std::vector<int32_t> counts{1, 2, 4, 8};
  if (const char* only = std::getenv("BENCH_WORKERS")) counts = {std::max(1, std::atoi(only))};
  const std::vector<int> cores = CoresToPinTo();
  struct TFigures {
    std::vector<double> seconds, user, system, before, after;
    std::string cores;
  };
  for (const TFolderRoad& road : roads) {
    if (!cores.empty()) PinProcessToCores(cores, 8);
    road.run(8);
    std::vector<TFigures> figures(counts.size());
    for (int t = 0; t < tries; ++t) {
      for (size_t k = 0; k < counts.size(); ++k) {
        const size_t i = t % 2 == 0 ? k : counts.size() - 1 - k;
        TFigures& f = figures[i];
        if (!cores.empty()) f.cores = PinProcessToCores(cores, counts[i]);
        f.before.push_back(LoadNow());
        const TProcessorSeconds cpu0 = ProcessorSecondsNow();
        f.seconds.push_back(road.run(counts[i]));
        const TProcessorSeconds cpu1 = ProcessorSecondsNow();
        f.after.push_back(LoadNow());
        f.user.push_back(cpu1.user - cpu0.user);
        f.system.push_back(cpu1.system - cpu0.system);
      }
    }
    if (!cores.empty()) PinProcessToCores(cores, static_cast<int32_t>(cores.size()));
    const double one = MedianOf(figures[0].seconds);
    for (size_t i = 0; i < counts.size(); ++i) {
      const TFigures& f = figures[i];
      const double s = MedianOf(f.seconds);
      const auto [fastest, slowest] = std::minmax_element(f.seconds.begin(), f.seconds.end());
      std::printf("%-16s %d worker(s): %7.3f s median of %d (%.3f-%.3f), %5.2fx one worker; processor %.2f s user, "
                  "%.2f s system (medians); cores %s (load %.2f before, %.2f after)\n",
                  road.name, counts[i], s, tries, *fastest, *slowest, one / s, MedianOf(f.user), MedianOf(f.system),
                  f.cores.empty() ? "not pinned" : f.cores.c_str(), MedianOf(f.before), MedianOf(f.after));
    }
    if (one < 2.0) std::printf("    (one worker took under 2 s: give a larger folder for steadier figures)\n");
  }
}
