// A concordance document in its file: about a million lines made with MakeConcordance, then
// saved and opened again (best of 3, on one pinned core). Prints the run's MB/s, then seconds
// each way, MB/s of the file and bytes per line; the flush to disk is timed apart from the save.
// Done at 150 characters saved per line and at the settings' default width (with as many lines
// as hold the same text, so that memory stays within reach).
// Usage: bench_cnc_file [folder of texts] [--lines N] [--word W]
//   Without a folder a corpus is generated (about 60 MB of English-like text, one search word
//   in 8 words). The settings store is a fresh one in a temporary folder.
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "concordance/document/concordance_document.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

TPoint Centre() { return TPoint{0, 0}; }

std::string MakeText(size_t bytes, uint32_t seed, const std::string& word) {
  static const char* kWords[] = {"the", "of", "and", "a", "to", "in", "is", "was", "that", "for", "it", "with",
                                 "as", "his", "on", "be", "at", "by", "had", "not", "are", "but", "from", "or",
                                 "have", "an", "they", "which", "one", "you", "were", "her", "all", "she"};
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(bytes + 64);
  size_t n = 0;
  while (s.size() < bytes) {
    s += (rng() % 8 == 0) ? word : kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    s += (++n % 17 == 0) ? ".\n" : " ";
  }
  return s;
}

std::vector<UString> TextsIn(const fs::path& folder) {
  std::vector<UString> names;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) names.push_back(Utf8ToUtf16(e.path().string()));
  std::sort(names.begin(), names.end());
  return names;
}

struct TMade {
  std::unique_ptr<T_WholeLinzoraHolder> doc;
  double seconds = 0;
  int64_t input_bytes = 0;
};

TMade Make(const std::vector<UString>& names, const UString& word, int32_t lines, uint16_t width) {
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetWantedPerSearchWord(lines);
  rec.SetCharactersPerLine(width);
  SetConcSaveRec(rec);
  TMade made;
  TSharedChosenFilesClass chosen(false, nullptr, kToolConcordancer);
  for (const UString& n : names) {
    chosen.ToolAddAFile(n);
    made.input_bytes += FileSizeU(n);
  }
  made.doc = std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, nullptr, false, false,
                                                     nullptr, nullptr);
  TSearchWordItems items(SearchTextOptionsFromTextSettings(made.doc->TextSettings()));
  items.AddedSearchWords(word);
  TMakeConcordanceArgs args;
  args.chosen = &chosen;
  args.search_items = &items;
  const auto t0 = Clock::now();
  if (!made.doc->MakeConcordance(args)) std::fprintf(stderr, "the run found nothing\n");
  made.seconds = Since(t0);
  return made;
}

void PinToOneCore() {
  cpu_set_t set;
  CPU_ZERO(&set);
  const int cpu = sched_getcpu();
  CPU_SET(cpu < 0 ? 0 : cpu, &set);
  if (sched_setaffinity(0, sizeof set, &set) != 0) std::fprintf(stderr, "could not pin to one core\n");
}

void UnpinFromOneCore() {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int c = 0; c < CPU_SETSIZE; ++c) CPU_SET(c, &set);
  sched_setaffinity(0, sizeof set, &set);
}

void SaveAndOpen(const char* label, T_WholeLinzoraHolder& doc, const UString& file) {
  double best_save = 1e9, best_flush = 1e9, best_open = 1e9;
  int64_t bytes = 0;
  int32_t lines_back = 0;
  PinToOneCore();
  for (int round = 0; round < 3; ++round) {
    {
      auto f = TFileStream::Open(file, TFileMode::Create);
      if (!f) {
        std::fprintf(stderr, "cannot write %s\n", Utf16ToUtf8(file).c_str());
        return;
      }
      auto t0 = Clock::now();
      const bool ok = doc.StartSaveToFile(*f, file, 0, 0, 96) && doc.SaveToStream(*f) && f->Flush(false);
      best_save = std::min(best_save, Since(t0));
      t0 = Clock::now();
      const bool synced = f->Flush(true);
      best_flush = std::min(best_flush, Since(t0));
      bytes = f->Size();
      if (!ok || !synced || !f->Close()) std::fprintf(stderr, "save failed\n");
    }
    auto back = std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, nullptr, false, false,
                                                        nullptr, nullptr);
    const auto t0 = Clock::now();
    const T2_BooleanRec read = back->ReadWholeFromFile(file, kToolConcordancer);
    best_open = std::min(best_open, Since(t0));
    if (!read.first) std::fprintf(stderr, "open failed: %s\n", Utf16ToUtf8(back->ReadFailure()).c_str());
    lines_back = back->fConcordanceList->Count();
  }
  UnpinFromOneCore();
  const int32_t lines = doc.fConcordanceList->Count();
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%-22s %8d lines (%d read back)  file %8.1f MB  %6.1f bytes/line\n", label, lines, lines_back, mb,
              lines > 0 ? static_cast<double>(bytes) / lines : 0.0);
  std::printf("%-22s save %6.3f s (%7.1f MB/s)  flush to disk %6.3f s  open %6.3f s (%7.1f MB/s)\n", "", best_save,
              mb / best_save, best_flush, best_open, mb / best_open);
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder_arg;
  int32_t lines = 1000000;
  std::string word = "target";
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--lines") && i + 1 < argc) lines = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--word") && i + 1 < argc) word = argv[++i];
    else folder_arg = argv[i];
  }
  const fs::path work = fs::temp_directory_path() / ("bench_cnc_file_" + std::to_string(::getpid()));
  fs::create_directories(work / "config");
  setenv("LINZORA_CONFIG_DIR", (work / "config").string().c_str(), 1);
  fs::path corpus = folder_arg.empty() ? work / "corpus" : fs::path(folder_arg);
  if (folder_arg.empty()) {
    fs::create_directories(corpus);
    // About 8 lines per 64 bytes of words: 60 texts of 1 MB give well over a million hits.
    for (int t = 0; t < 60; ++t) {
      const std::string text = MakeText(1 << 20, static_cast<uint32_t>(t + 1), word);
      std::ofstream(corpus / ("text" + std::to_string(t) + ".txt"), std::ios::binary) << text;
    }
  }
  const std::vector<UString> names = TextsIn(corpus);
  const UString file = Utf8ToUtf16((work / "bench.cnc").string());
  const uint16_t default_width = GetConcSaveRec().CharactersPerLine();

  {
    TMade made = Make(names, Utf8ToUtf16(word), lines, 150);
    // The run stops at the line limit, so not every text need have been read.
    std::printf("run: %zu texts, %.1f MB chosen, %.2f s (%.1f MB/s), %d lines at 150 characters\n", names.size(),
                made.input_bytes / 1e6, made.seconds, made.input_bytes / 1e6 / made.seconds,
                made.doc->fConcordanceList->Count());
    SaveAndOpen("150 characters", *made.doc, file);
  }
  if (default_width > 150) {
    const int32_t fewer = static_cast<int32_t>(int64_t{lines} * 150 / default_width);
    TMade made = Make(names, Utf8ToUtf16(word), fewer, default_width);
    char label[64];
    std::snprintf(label, sizeof label, "%u characters", static_cast<unsigned>(default_width));
    SaveAndOpen(label, *made.doc, file);
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
