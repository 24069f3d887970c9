// Memory a concordance line costs once its list holds it, everything counted (the entry, its
// text block, the list's slot).
//   bench_line_memory [lines] [characters]
//     One million lines of 1,000-character English-like text made as the run's worker makes them
//     (horizons L5-R5, no tags, no context words), handed to the list through the run's sink.
//     Prints heap bytes per line (mallinfo2, with the list's text blocks, which come from the
//     system) and the resident growth per line, each beside the line's text.
//   bench_line_memory --run [megabytes (60)] [word (the)]
//     A whole concordance of a common word on a generated English-like text (typographic quotes,
//     dashes and accents; the word about once in 13 words, as "the" is in English) at the default
//     width, on every core: bytes a line with everything counted, the run's peak, and that peak
//     scaled to the 4.5 million lines of "the" in 323 MB of English. Keep the text small enough
//     for the machine: 60 MB makes about a million lines, about 1.3 GB.
//
// Targets: at most 1,250 bytes a line at the default width; "the" on 323 MB within 1.5 GB.
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/runtime/process_memory.h"
#include "bench_load.h"
#include "bench_texts.h"
#include "concordance/lines/concordance_line.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/list_line_sink.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"

namespace {

size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

long ResidentKiB() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  long pages = 0, resident = 0;
  const int got = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return got == 2 ? resident * 4 : 0;
}

// A line as the worker fills it: the hit's numbers, eleven word positions, unit statistics and
// the text window, written through the worker's lease of the list's arena.
std::unique_ptr<TConcordanceEntry> MakeLine(TConcordanceLineOwner* owner, TLineTextArena::TLease& lease, int64_t n,
                                            int32_t chars) {
  auto line = std::make_unique<TConcordanceEntry>(owner);
  TConcordanceLineData& d = line->Data();
  d.byte_position = n * 6000;
  d.hit_characters = 5;
  d.word_num = static_cast<int32_t>(n * 1000 + 1);
  d.filename_num_original = 1;
  d.sw_number = 0;
  d.percent_of_file = 50.0f;
  d.has_percent = true;
  d.midpoint = static_cast<int16_t>(chars / 2);
  d.conc_line_chars = static_cast<int16_t>(chars);
  for (int k = 0; k < kSpanFixedCount; ++k)
    line->SetFixedWord(k, TSortInfoRec{static_cast<int16_t>((k - 5) * 6), 5, 0, 0});
  // As a plain text gives them: the sentences numbered, the other units the whole text.
  TLineUnitStats units;
  units.words_in_chunk = static_cast<int32_t>(n % 5000);
  for (int k = 0; k < kUnitKinds; ++k) {
    units.unit_number[k] = k == 0 ? static_cast<int32_t>(n / 3 + 1) : 1;
    units.unit_position[k] = k == 0 ? 3 : static_cast<int32_t>(n * 1000 + 1);
    units.unit_length[k] = k == 0 ? 20 : 1000000000;
  }
  line->SetUnitStats(units);
  UString text(static_cast<size_t>(chars), u' ');
  for (int32_t i = 0; i < chars; ++i)
    if (i % 6 != 5) text[static_cast<size_t>(i)] = static_cast<char16_t>(u'a' + (i + n) % 26);
  line->SetText(lease, text);
  return line;
}

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

constexpr double kTheLinesIn323MB = 4.5e6;
constexpr double kLineTarget = 1250;
constexpr double kPeakTargetGB = 1.5;

int RunMode(int64_t megabytes, const std::string& word) {
  const UString folder = IncludeTrailingPathDelimiter(UniqueTempName(SystemTempFolder(), u"bench_line_memory_", u""));
  ForceDirectories(folder);
  const UString name = folder + u"english.txt";
  {
    const std::string text = MakeText(static_cast<size_t>(megabytes) * 1000000, 3, word, 16, true);
    SafeSaveBytes(name, text.data(), static_cast<int64_t>(text.size()));
  }
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  chosen.ToolAddAFile(name);
  std::vector<TChosenFileDetailsFullRec> details{chosen.GetFullFileDetails(0)};
  TConcordanceListDocument doc;
  TConcordanceList list(nullptr, &doc);
  TTextsIntoListChoices choices;
  choices.threads = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  const double load = LoadNow();
  const size_t heap0 = HeapInUse();
  const long rss0 = ResidentKiB();
  const auto t0 = std::chrono::steady_clock::now();
  RunTextsIntoList(details, Utf8ToUtf16(word), list, choices);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double lines = static_cast<double>(list.Count());
  if (lines == 0) {
    std::fprintf(stderr, "bench_line_memory: no lines of \"%s\"\n", word.c_str());
    return 1;
  }
  const double heap = double(HeapInUse() + list.LineTextArena()->BytesHeld() - heap0);
  const double grown = double(ResidentKiB() - rss0) * 1024.0;
  const double peak = double(PeakKiB()) * 1024.0;
  double chars = 0;
  int64_t forms[3] = {};
  for (int i = 0; i < list.Count(); ++i) {
    chars += static_cast<double>(list.Line(i)->Text().size());
    ++forms[static_cast<int>(list.Line(i)->Text().Form())];
  }
  std::printf("\"%s\" on %lld MB of generated English: %.0f lines of %.0f characters on average in %.2f s "
              "on %d workers (load %.2f before, %.2f after)\n",
              word.c_str(), static_cast<long long>(megabytes), lines, chars / lines, s, choices.threads, load,
              LoadNow());
  std::printf("lines kept: %lld ASCII, %lld a byte a character, %lld in UTF-16\n", static_cast<long long>(forms[0]),
              static_cast<long long>(forms[1]), static_cast<long long>(forms[2]));
  std::printf("a line, everything counted: heap %.0f bytes, resident %.0f bytes (target <= %.0f)\n", heap / lines,
              grown / lines, kLineTarget);
  // The resident growth a line costs, for 4.5 M lines, on top of what the run held besides its lines.
  const double besides = peak - grown;
  std::printf("peak %.2f GB; \"the\" on 323 MB (4.5 M lines): %.2f GB (target <= %.1f GB; the whole peak scaled "
              "by lines: %.2f GB)\n",
              peak / 1e9, (besides + kTheLinesIn323MB * grown / lines) / 1e9, kPeakTargetGB,
              peak * kTheLinesIn323MB / lines / 1e9);
  std::error_code ec;
  std::filesystem::remove_all(ToFsPath(folder), ec);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryInProcess();  // as the program does at start-up
  if (argc >= 2 && std::string(argv[1]) == "--run")
    return RunMode(argc > 2 ? std::max<int64_t>(1, std::atoll(argv[2])) : 60, argc > 3 ? argv[3] : "the");
  const int64_t lines = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const int32_t chars = argc > 2 ? std::atoi(argv[2]) : 1000;
  if (lines <= 0 || chars <= 0 || chars > kMaxStoredLineChars) {
    std::fprintf(stderr, "bench_line_memory: lines and characters must be positive (characters <= %d)\n",
                 kMaxStoredLineChars);
    return 2;
  }
  TConcordanceList list(nullptr, nullptr);
  TConcordanceListSink sink(list);
  const size_t heap0 = HeapInUse();
  const long rss0 = ResidentKiB();
  const auto t0 = std::chrono::steady_clock::now();
  {
    TLineTextArena::TLease lease(*list.LineTextArena());
    for (int64_t n = 0; n < lines; ++n) sink.Add(MakeLine(&list, lease, n, chars));
  }
  const auto t1 = std::chrono::steady_clock::now();
  const size_t heap1 = HeapInUse() + list.LineTextArena()->BytesHeld();  // texts' blocks come from the system
  const long rss1 = ResidentKiB();
  const double text_bytes = static_cast<double>(list.Line(0)->Text().StoredBytes());
  const double heap_per_line = double(heap1 - heap0) / double(lines);
  const double rss_per_line = double(rss1 - rss0) * 1024.0 / double(lines);
  std::printf("lines %lld of %d characters (text %.0f bytes as kept), sizeof(TConcordanceEntry) %zu\n",
              static_cast<long long>(list.Count()), chars, text_bytes, sizeof(TConcordanceEntry));
  std::printf("heap per line     %8.1f bytes (text + %.1f; target <= %.0f)\n", heap_per_line,
              heap_per_line - text_bytes, kLineTarget);
  std::printf("resident per line %8.1f bytes (text + %.1f)\n", rss_per_line, rss_per_line - text_bytes);
  std::printf("adding: %.3f s\n", std::chrono::duration<double>(t1 - t0).count());
  return 0;
}
