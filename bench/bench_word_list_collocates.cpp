// Collocates of a whole word list (the word-list tool's "collocates"): the words of a word list
// found at least F times, each a concordance over the list's texts, its collocates and a file.
// bench/compare_word_list_collocates.sh times the tool itself against an earlier build.
// Usage: bench_word_list_collocates --make DIR [TEXTS (117)] [WORDS (8,000)]
//            TEXTS English-like texts of WORDS running words each (about the size of an address)
//        bench_word_list_collocates --limits MIN_FREQUENCY
//            the words of at least MIN_FREQUENCY are taken (every other limit open), in the
//            settings store LINZORA_CONFIG_DIR names
//        bench_word_list_collocates --run LIST.lst OUT [workers (every core)]
//            the collocates of LIST.lst into OUT, timed: wall and processor seconds, files written
//        bench_word_list_collocates [TEXTS (117)] [MIN_FREQUENCY (6)]
//            all of it in a folder of its own (texts, list, store): one worker and every core,
//            the two runs' files compared byte for byte
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "concordance/document/concordance_document.h"
#include "english_like_text.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/runtime/job_token.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "wordlist/word_list_document.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double ProcessorSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int Make(const std::string& dir, int texts, int words) {
  std::filesystem::create_directories(dir);
  TWordSource source(7);
  for (int t = 0; t < texts; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "/text%03d.txt", t + 1);
    // About six bytes a word.
    std::ofstream(dir + name, std::ios::binary) << source.Text(static_cast<size_t>(words) * 6);
  }
  std::printf("%d texts of about %d words in %s\n", texts, words, dir.c_str());
  return 0;
}

void SetLimits(int32_t min_frequency) {
  using R = TCollocateScriptSettingsRec;
  TCollocateScriptSettingsRec l = GetCollocateScriptSettings();
  l.SetField(R::kMinWordLength, 1);
  l.SetField(R::kMaxWordLength, 1000);
  l.SetField(R::kMinTexts, 1);
  l.SetField(R::kMaxTexts, INT32_MAX);
  l.SetField(R::kMinFrequency, min_frequency);
  l.SetField(R::kMaxFrequency, INT32_MAX);
  l.SetField(R::kMinCollocateTotal, 1);
  l.SetField(R::kMaxCollocateTotal, INT32_MAX);
  l.SetField(R::kMinCollocates, 1);
  l.SetField(R::kMaxCollocates, INT32_MAX);
  SetCollocateScriptSettings(l);
}

bool MakeList(const std::string& dir, const std::string& list) {
  std::vector<std::filesystem::path> names;
  for (const auto& f : std::filesystem::directory_iterator(dir))
    if (f.path().extension() == ".txt") names.push_back(f.path());
  std::sort(names.begin(), names.end());
  TSharedChosenFilesClass chosen(false, nullptr, kToolWordLister);
  for (const auto& n : names) chosen.ToolAddAFile(FromFsPath(n));
  T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  int32_t converted = 0;
  return doc.MakeWordlist(chosen, 0, kListWordList, converted) && doc.SaveToFile(Utf8ToUtf16(list), 0, 0, 0);
}

// One run: the files written, or -1 when the list cannot be read.
int32_t Run(const std::string& list, const std::string& out, int32_t workers, bool quiet = false) {
  T_WholeWordlistHolder words(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  if (!words.ReadWholeFromFile(Utf8ToUtf16(list), kToolWordLister).first) {
    std::fprintf(stderr, "cannot read %s\n", list.c_str());
    return -1;
  }
  T_WholeLinzoraHolder doc(kListConcordance, nullptr, nullptr, nullptr, false, false, nullptr, nullptr);
  const double cpu = ProcessorSeconds();
  const Clock::time_point start = Clock::now();
  const int32_t written =
      doc.ComputeAndSaveCollocatesForWholeWordList(Utf8ToUtf16(out), words.Words(), words.Stats(), false, workers);
  if (!quiet)
    std::printf("%d workers: %d files of %d words, %.2f s wall, %.2f s processor\n", JobWorkerThreads(workers), written,
                words.Words().Count(), Seconds(start), ProcessorSeconds() - cpu);
  return written;
}

std::map<std::string, std::string> Files(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& f : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(f.path(), std::ios::binary);
    files[f.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

int All(int texts, int32_t min_frequency) {
  const std::string root = Utf16ToUtf8(UniqueTempName(SystemTempFolder(), u"bench_collocates_", u""));
  std::filesystem::create_directories(root + "/config");
  setenv("LINZORA_CONFIG_DIR", (root + "/config").c_str(), 1);
  ResetSettingsStoreForTests();
  Make(root + "/texts", texts, 8000);
  if (!MakeList(root + "/texts", root + "/corpus.lst")) {
    std::fprintf(stderr, "no word list made\n");
    return 1;
  }
  SetLimits(min_frequency);
  const int32_t one = Run(root + "/corpus.lst", root + "/one", 1);
  const int32_t every = Run(root + "/corpus.lst", root + "/every", 0);
  const bool same = one == every && Files(root + "/one") == Files(root + "/every");
  std::printf("files of one worker and of every core: %s\n", same ? "identical" : "DIFFERENT");
  std::filesystem::remove_all(root);
  return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  current_tool_var = kToolWordLister;
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode == "--make" && argc >= 3)
    return Make(argv[2], argc >= 4 ? std::atoi(argv[3]) : 117, argc >= 5 ? std::atoi(argv[4]) : 8000);
  if (mode == "--limits" && argc >= 3) {
    SetLimits(std::atoi(argv[2]));
    return 0;
  }
  if (mode == "--run" && argc >= 4) return Run(argv[2], argv[3], argc >= 5 ? std::atoi(argv[4]) : 0) >= 0 ? 0 : 1;
  if (mode.empty() || mode[0] != '-')
    return All(argc >= 2 ? std::atoi(argv[1]) : 117, argc >= 3 ? std::atoi(argv[2]) : 6);
  std::fprintf(stderr, "usage: see the head of bench/bench_word_list_collocates.cpp\n");
  return 2;
}
