// A whole concordance: reader, tag handler and engine in each worker, lines made and committed
// into the concordance list. Two corpora are generated in a temporary folder: one big UTF-8 text
// and a folder of many texts. Prints input MB/s, lines/s, lines, peak memory and bytes per line,
// for one worker and for every core.
// Usage: bench_concordance --folder [FOLDER [WORD]]   (a folder of many texts on 1, 2, 4 and 8 workers:
//                          the texts under FOLDER, or 4,000 generated texts of 20 to 80 KB (200 MB),
//                          UTF-8 with the quotes, dashes and accents of printed texts, the search
//                          word once in about 250 words; see bench_folder_runs.h for the repeats
//                          and the load printed)
//        bench_concordance [megabytes of the big text (default 100)] [texts in the folder (500)]
//                          [search word (default "concordance")] [kilobytes of the smallest text (200)]
//                          [workers of the many-core run (default: every core)]
//        The folder's texts run from that size up to 2.5 times it; larger ones make the many-core
//        run last long enough for start-up not to weigh on it.
//        bench_concordance --file FILE WORD [full]   (one worker over a given text: its time and lines,
//                          then the memory held and how much of it is in huge pages; full: without
//                          the fast first pass)
//        bench_concordance --make FILE MEGABYTES WORD [tagged]   (writes the English-like text; tagged:
//                          every word as <w pos="NN">word</w>, which the default settings hide)
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/process_memory.h"
#include "bench_folder_runs.h"
#include "bench_load.h"
#include "bench_texts.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/run/concordance_run.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/search/fast_first_pass.h"

namespace {

// The same words, each in mark-up: <w pos="NN">word</w>.
std::string MakeTaggedText(size_t bytes, uint32_t seed, const std::string& word) {
  static const char* kTags[] = {"NN", "VB", "DT", "IN", "JJ", "RB", "PRP", "CC"};
  const std::string plain = MakeText(bytes / 4, seed, word);
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(bytes + 64);
  size_t at = 0;
  while (at < plain.size() && s.size() < bytes) {
    size_t end = plain.find_first_of(" .\n", at);
    if (end == std::string::npos) end = plain.size();
    if (end > at) {
      s += "<w pos=\"";
      s += kTags[rng() % (sizeof kTags / sizeof kTags[0])];
      s += "\">";
      s.append(plain, at, end - at);
      s += "</w>";
    }
    if (end < plain.size()) s += plain[end];
    at = end + 1;
  }
  return s;
}

// Bytes the program holds on the heap now.
double HeapBytes() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd);
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKilobytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// A figure of /proc/self/smaps_rollup ("Rss", "AnonHugePages"), in megabytes; -1 where not given.
double RollupMegabytes(const char* field) {
  FILE* f = std::fopen("/proc/self/smaps_rollup", "re");
  if (f == nullptr) return -1;
  char line[256];
  double mb = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f) != nullptr)
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') mb = std::atof(line + n + 1) / 1024;
  std::fclose(f);
  return mb;
}

// Seconds the run took. memory_line: a line after the figures with the memory the process holds
// at the end of the run, the list still whole, and how much of it is in huge pages.
double RunOver(const char* label, const std::vector<UString>& names, int64_t bytes, const UString& word,
               int32_t threads, bool memory_line = false) {
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : names) chosen.ToolAddAFile(n);
  std::vector<TChosenFileDetailsFullRec> details;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) details.push_back(chosen.GetFullFileDetails(i));
  TConcordanceListDocument doc;
  TConcordanceList list(nullptr, &doc);
  TTextsIntoListChoices choices;
  choices.threads = threads;
  // BENCH_TEXTS_AHEAD=n: workers read at most n texts ahead (to compare with a narrower window).
  if (const char* ahead = std::getenv("BENCH_TEXTS_AHEAD")) choices.texts_ahead = std::atoi(ahead);
  const double heap_before = HeapBytes();
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  const TConcordanceRunResult run = RunTextsIntoList(details, word, list, choices);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double cpu = CpuSeconds() - cpu0;
  const long after_kb = PeakKilobytes();
  // The readers are gone: what grew is the list. Its texts (lines that overlap share their
  // bytes) are the arena's blocks, which come from the system.
  const double heap_after = HeapBytes();
  const int64_t lines = list.Count();
  const double text_bytes = static_cast<double>(list.LineTextArena()->BytesHeld());
  std::printf("%-28s %2d worker(s): %8.1f MB/s  %10.0f lines/s  %8lld lines  %6.3f s  peak %ld MB  "
              "%.0f bytes a line above its text (%.0f of text)  cpu %.2fs, %.1f of %d threads busy\n",
              label, threads, bytes / 1e6 / s, lines / s, static_cast<long long>(lines), s, after_kb / 1024,
              lines ? (heap_after - heap_before) / lines : 0.0, lines ? text_bytes / lines : 0.0, cpu, cpu / s,
              threads);
  if (memory_line)
    std::printf("memory at the end: %.0f MB resident, %.0f MB of it in huge pages\n", RollupMegabytes("Rss"),
                RollupMegabytes("AnonHugePages"));
  // BENCH_SAVE_LIST=file: the list as a ".cnc" stream saves it, to compare two builds' lines byte
  // for byte (the file gets the worker count: name.1, name.8).
  if (const char* save = std::getenv("BENCH_SAVE_LIST")) {
    TMemoryStream m;
    if (!list.SaveToStream(m) ||
        !SafeSaveBytes(Utf8ToUtf16(std::string(save) + "." + std::to_string(threads)), m.Memory(), m.Size()))
      std::printf("could not save the list to %s\n", save);
  }
  // BENCH_ROAD_SHARE=1: how the chunks went (the fast pass's share, and why the rest did not).
  if (std::getenv("BENCH_ROAD_SHARE")) {
    const TRoadShare r = RoadShare();
    std::printf("road share: %lld chunks, %lld judged by the fast pass, %lld read as bytes; %lld blocks of 64, "
                "%lld beyond ASCII, %lld classified one at a time\n",
                static_cast<long long>(r.chunks), static_cast<long long>(r.judged), static_cast<long long>(r.as_bytes),
                static_cast<long long>(r.blocks), static_cast<long long>(r.blocks_beyond_ascii),
                static_cast<long long>(r.blocks_alone));
    for (const auto& [why, count] : r.reasons)
      std::printf("road share:   %lld chunks to the full road at %s\n", static_cast<long long>(count), why.c_str());
  }
  // BENCH_PRINT_BYTES=1: each line's byte in its text, one a row (to find where two builds differ).
  if (std::getenv("BENCH_PRINT_BYTES"))
    for (int64_t i = 0; i < lines; ++i) std::printf("%lld\n", static_cast<long long>(list.Line(static_cast<int>(i))->Data().byte_position));
  if (threads > 1)
    std::printf("%-28s    waits: workers %.3f s in all (%.1f%% of their time), committer %.3f s, tail %.3f s\n", "",
                run.worker_wait_seconds, 100.0 * run.worker_wait_seconds / (s * threads), run.committer_wait_seconds,
                run.tail_seconds);
  return s;
}

// The folder mode: one text a file under `folder`, or generated ones, through the run that fills
// a list (the road MakeConcordance and the window take are in bench_main_road --folder).
int FolderMode(const char* given, const std::string& word) {
  TFolderOfTexts folder;
  if (!OpenFolderOfTexts(folder, given, word, "bench_concordance")) return 1;
  const UString w = Utf8ToUtf16(word);
  RunRoadsOverWorkers({{"texts into list", [&](int32_t workers) {
                          return RunOver("folder", folder.names, folder.bytes, w, workers);
                        }}});
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryInProcess();  // as the program does at start-up
  if (argc >= 2 && std::string(argv[1]) == "--folder")
    return FolderMode(argc > 2 ? argv[2] : nullptr, argc > 3 ? argv[3] : "concordance");
  if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--file") {
    const UString name = Utf8ToUtf16(argv[2]);
    // "full": every chunk down the full road, without the fast first pass, for comparison.
    if (argc == 5 && std::string(argv[4]) == "full") SetFastFirstPass(false);
    RunOver(argc == 5 ? "file, full road" : "file", {name}, FileSizeU(name), Utf8ToUtf16(argv[3]), 1, true);
    return 0;
  }
  if ((argc == 5 || argc == 6) && std::string(argv[1]) == "--make") {
    const size_t bytes = static_cast<size_t>(std::atoll(argv[3])) * 1000000;
    const std::string text = argc == 6 ? MakeTaggedText(bytes, 1, argv[4]) : MakeText(bytes, 1, argv[4]);
    return SafeSaveBytes(Utf8ToUtf16(argv[2]), text.data(), static_cast<int64_t>(text.size())) ? 0 : 1;
  }
  const int64_t mb = argc > 1 ? std::atoll(argv[1]) : 100;
  const int32_t texts = argc > 2 ? std::atoi(argv[2]) : 500;
  const std::string word = argc > 3 ? argv[3] : "concordance";
  const size_t smallest = argc > 4 ? static_cast<size_t>(std::atoll(argv[4])) * 1000 : 200000;
  const UString folder = IncludeTrailingPathDelimiter(UniqueTempName(SystemTempFolder(), u"bench_conc_", u""));
  ForceDirectories(folder + u"many");
  const std::string big = MakeText(static_cast<size_t>(mb) * 1000000, 1, word);
  const UString big_name = folder + u"big.txt";
  SafeSaveBytes(big_name, big.data(), static_cast<int64_t>(big.size()));
  std::vector<UString> many;
  int64_t many_bytes = 0;
  for (int32_t t = 0; t < texts; ++t) {
    const std::string text = MakeText(smallest + (t % 7) * (smallest / 4), 100 + t, word);
    many_bytes += static_cast<int64_t>(text.size());
    many.push_back(folder + u"many/t" + IntToUStr(t) + u".txt");
    SafeSaveBytes(many.back(), text.data(), static_cast<int64_t>(text.size()));
  }
  const UString w = Utf8ToUtf16(word);
  const int32_t cores = argc > 5 ? std::max(1, std::atoi(argv[5]))
                                 : static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  RunOver("one big text", {big_name}, static_cast<int64_t>(big.size()), w, 1);
  RunOver("many texts", many, many_bytes, w, 1);
  RunOver("many texts", many, many_bytes, w, cores);
  std::error_code ec;
  std::filesystem::remove_all(ToFsPath(folder), ec);
  return 0;
}
