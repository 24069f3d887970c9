// Word lists from texts to the sorted list: reader, scanner and counter in each worker, texts
// merged in order on the calling thread, rows made and sorted once.
// Usage: bench_wordlist [megabytes of the big text (default 300)] [texts in the folder (500)]
//                       [workers of the many-core run (default: every core)]
//        The big text is counted on one worker; the folder (texts of 0.1 to 1.1 MB) on one worker
//        and on many, and the two lists are checked identical.
//        bench_wordlist --make FILE MEGABYTES   (writes the English-like text and stops)
//        bench_wordlist --file FILE [workers]   (counts one given text: time, MB/s, rows)
//        bench_wordlist --folder FOLDER [workers]   (counts the texts of a folder)
// The text is English-like: Zipfian words, hyphenated words, apostrophes, numbers, sentences.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "wordlist/word_list_document.h"
#include "english_like_text.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakMemoryMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

struct TRun {
  double seconds = 0;
  int32_t rows = 0;
  int64_t running_words = 0;
  std::vector<uint8_t> list_bytes;
};

TRun Count(const std::vector<UString>& files, int32_t workers) {
  T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc.WordlistSettings.SetMinFrequency(1);
  doc.WordlistSettings.SetMinWordLength(1);
  doc.WordlistSettings.SetNumbersIncluded(true);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& f : files) chosen.ToolAddAFile(f);
  TMakeWordlistOptions o;
  o.threads = workers;
  int32_t converted = 0;
  const auto start = std::chrono::steady_clock::now();
  const bool ok = doc.MakeWordlist(chosen, 0, kListWordlist, converted, o);
  TRun r;
  r.seconds = Seconds(start);
  if (!ok) std::fprintf(stderr, "the word list was not made: %s\n", Utf16ToUtf8(doc.LastFailure()).c_str());
  r.rows = doc.Words().Count();
  r.running_words = doc.Stats().Overall_stats.data.running_words;
  TMemoryStream m;
  doc.Words().SaveToStream(m);
  r.list_bytes = m.Data();
  return r;
}

int64_t SizeOf(const std::vector<UString>& files) {
  int64_t n = 0;
  for (const UString& f : files) n += static_cast<int64_t>(std::filesystem::file_size(Utf16ToUtf8(f)));
  return n;
}

void Report(const char* what, const TRun& r, int64_t bytes, int32_t workers) {
  std::printf("%-28s workers %2d  %8.3f s  %8.1f MB/s  rows %8d  running words %11lld  peak %ld MB\n", what, workers,
              r.seconds, static_cast<double>(bytes) / 1e6 / std::max(r.seconds, 1e-9), r.rows,
              static_cast<long long>(r.running_words), PeakMemoryMB());
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  current_tool_var = kToolConcordancer;
  if (argc >= 4 && std::string(argv[1]) == "--make") {
    TWordSource source(7);
    const size_t bytes = static_cast<size_t>(std::atof(argv[3]) * 1e6);
    return WriteFile(argv[2], source.Text(bytes)) ? 0 : 1;
  }
  if (argc >= 3 && std::string(argv[1]) == "--file") {
    const int32_t workers = argc >= 4 ? std::atoi(argv[3]) : 1;
    const std::vector<UString> files{Utf8ToUtf16(argv[2])};
    const TRun r = Count(files, workers);
    Report("given text", r, SizeOf(files), workers);
    return r.rows > 0 ? 0 : 1;
  }
  if (argc >= 3 && std::string(argv[1]) == "--folder") {
    const int32_t workers = argc >= 4 ? std::atoi(argv[3]) : 1;
    std::vector<UString> files;
    for (const auto& e : std::filesystem::directory_iterator(argv[2]))
      if (e.is_regular_file()) files.push_back(Utf8ToUtf16(e.path().string()));
    std::sort(files.begin(), files.end());
    const TRun r = Count(files, workers);
    Report("given folder", r, SizeOf(files), workers);
    return r.rows > 0 ? 0 : 1;
  }
  const double megabytes = argc >= 2 ? std::atof(argv[1]) : 300;
  const int texts = argc >= 3 ? std::atoi(argv[2]) : 500;
  const int32_t many = argc >= 4 ? std::atoi(argv[3]) : WordlistWorkerThreads(0);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench_wordlist_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "folder");
  TWordSource source(7);
  std::printf("generating %.0f MB and %d texts in %s\n", megabytes, texts, dir.c_str());
  const std::string big = (dir / "big.txt").string();
  WriteFile(big, source.Text(static_cast<size_t>(megabytes * 1e6)));
  std::vector<UString> folder;
  std::mt19937 rng(3);
  for (int t = 0; t < texts; ++t) {
    const std::string name = (dir / "folder" / ("t" + std::to_string(t) + ".txt")).string();
    WriteFile(name, source.Text(100000 + rng() % 1000000));
    folder.push_back(Utf8ToUtf16(name));
  }
  const std::vector<UString> big_files{Utf8ToUtf16(big)};
  Report("big text", Count(big_files, 1), SizeOf(big_files), 1);
  malloc_trim(0);
  const int64_t folder_bytes = SizeOf(folder);
  const TRun one = Count(folder, 1);
  Report("folder", one, folder_bytes, 1);
  const TRun all = Count(folder, many);
  Report("folder", all, folder_bytes, many);
  const bool same = one.list_bytes == all.list_bytes;
  std::printf("speed-up on %d workers: %.2fx; lists %s\n", many, one.seconds / std::max(all.seconds, 1e-9),
              same ? "identical" : "DIFFERENT");
  std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}
