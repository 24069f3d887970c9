// The lists a concordance run derives from its lines (collocates, clusters, patterns, plot,
// time-line), over the lines of many texts: MakeConcordance on 1, 2, 4 and 8 workers, each
// BENCH_TRIES times (5 by default), timing the derived lists as the run makes them (on several
// workers one shared fetch of the lines' words beside the lines' sort and the plot, then the
// other lists side by side) from the run's own timing notes (the whole, each list's own time,
// and the lines' sort where it ran beside the lists); the best try
// counts, with each list's share and the load before it printed, and a hash of each list's
// stream (collocates, clusters, patterns, plot) to compare builds and workers. The texts as bench_main_road --folder takes them (a
// folder given, or 4,000 generated texts of 200 MB; see bench_folder_runs.h).
// Usage: bench_derived_folder [FOLDER [WORD]]   (BENCH_WORKERS=n: n workers alone)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/runtime/process_memory.h"
#include "bench_engine_run.h"
#include "bench_folder_runs.h"
#include "bench_load.h"
#include "concordance/document/concordance_document.h"
#include "concordance/views/derived_views.h"
#include "model/reading/chosen_texts_handover.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"

namespace {

using Clock = std::chrono::steady_clock;

TPoint NoCentre() { return {0, 0}; }

struct TDerivedTimes {
  double all = 0, collocates = 0, clusters = 0, patterns = 0, plot = 0, sort = 0;
};

// One run over the texts; the derived lists' seconds from the run's own timing notes.
// A hash of what the document saves of a derived list (0 when it has none): builds and workers
// that differ must give the same.
uint64_t StreamHash(TConcordanceDerivedList* list) {
  if (!list) return 0;
  TMemoryStream m;
  if (!list->SaveToStream(m)) return 1;
  uint64_t h = 1469598103934665603ull;
  for (const uint8_t b : m.Data()) h = (h ^ b) * 1099511628211ull;
  return h;
}

TDerivedTimes RunOnce(const std::vector<UString>& names, const UString& word, int32_t workers, int* lines,
                      int* clusters, std::string* hashes) {
  TSharedChosenFilesClass chosen(false, nullptr, kToolConcordancer);
  for (const UString& n : names) chosen.ToolAddAFile(n);
  T_WholeLinzoraHolder doc(kListConcordance, &NoCentre, nullptr, nullptr, false, false, nullptr, nullptr);
  MakeEngineConcordance(doc, chosen, word, workers);
  *lines = doc.fConcordanceList->Count();
  *clusters = doc.fClusterList ? doc.fClusterList->Count() : 0;
  char h[128];
  std::snprintf(h, sizeof h, "%016llx %016llx %016llx %016llx",
                static_cast<unsigned long long>(StreamHash(doc.fCollocateList.get())),
                static_cast<unsigned long long>(StreamHash(doc.fClusterList.get())),
                static_cast<unsigned long long>(StreamHash(doc.fPatternsList.get())),
                static_cast<unsigned long long>(StreamHash(doc.fConcPlotList.get())));
  *hashes = h;
  TDerivedTimes t{0,
                  Global_process_times[kListCollocates],
                  Global_process_times[kListClusters],
                  Global_process_times[kListPatterns],
                  Global_process_times[kListPlot],
                  Global_process_times[kSortingTimeEntry]};
  // The lists may count side by side: the whole takes its own time, not the sum of theirs.
  t.all = Global_process_times[kDerivedListsTimeEntry];
  return t;
}

void DerivedOnWorkers(const std::vector<UString>& names, const UString& word, int32_t workers, int tries) {
  TDerivedTimes best;
  double best_load = 0;
  int lines = 0, clusters = 0;
  std::string hashes;
  for (int t = 0; t < tries; ++t) {
    const double load = LoadNow();
    const TDerivedTimes here = RunOnce(names, word, workers, &lines, &clusters, &hashes);
    if (t == 0 || here.all < best.all) {
      best = here;
      best_load = load;
    }
  }
  std::printf("%d worker(s): derived lists %.4f s (collocates with the shared fetch %.4f, clusters %.4f, "
              "patterns %.4f, plot %.4f; the lines' sort %.4f; load %.2f) over %d lines, %d cluster rows; streams %s\n",
              workers, best.all, best.collocates, best.clusters, best.patterns, best.plot, best.sort, best_load, lines,
              clusters, hashes.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryInProcess();  // as the program does at start-up
  const UString work = UniqueTempName(SystemTempFolder(), u"bench_derived_folder_", u"") + u"/";
  ForceDirectories(work);
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(work + u"config").c_str(), 1);
  TFolderOfTexts folder;
  const std::string word = argc > 2 ? argv[2] : "concordance";
  if (!OpenFolderOfTexts(folder, argc > 1 ? argv[1] : nullptr, word, "bench_derived_folder")) return 1;
  const int tries = std::max(1, std::getenv("BENCH_TRIES") ? std::atoi(std::getenv("BENCH_TRIES")) : 5);
  std::vector<int32_t> counts{1, 2, 4, 8};
  if (const char* only = std::getenv("BENCH_WORKERS")) counts = {std::max(1, std::atoi(only))};
  for (const int32_t workers : counts) DerivedOnWorkers(folder.names, Utf8ToUtf16(word), workers, tries);
  std::error_code ec;
  std::filesystem::remove_all(ToFsPath(work), ec);
  return 0;
}
