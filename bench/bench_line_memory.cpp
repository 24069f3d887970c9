// Memory a concordance line costs once its list holds it: one million lines of 1,000-character
// text made as the run's worker makes them (horizons L5-R5, no tags, no context words), handed
// to the list through the run's sink. Prints heap bytes per line (mallinfo2) and the resident
// growth per line, each beside the line's stored text (2 bytes a unit); the heap figure counts
// the list's text blocks, which come from the system.
//
// Usage: bench_line_memory [lines] [characters]
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "concordance/lines/concordance_line.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/list_line_sink.h"

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
  d.extras.words_in_chunk = static_cast<int32_t>(n % 5000);
  for (int k = 0; k < kUnitKinds; ++k) {
    d.extras.unit_number[k] = static_cast<int32_t>(n / (k + 1));
    d.extras.unit_position[k] = 3;
    d.extras.unit_length[k] = 20;
  }
  UString text(static_cast<size_t>(chars), u' ');
  for (int32_t i = 0; i < chars; ++i) text[static_cast<size_t>(i)] = static_cast<char16_t>(u'a' + (i + n) % 26);
  line->SetText(lease, text);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
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
  const double text_bytes = 2.0 * chars;
  const double heap_per_line = double(heap1 - heap0) / double(lines);
  const double rss_per_line = double(rss1 - rss0) * 1024.0 / double(lines);
  std::printf("lines %lld of %d characters (text %.0f bytes), sizeof(TConcordanceEntry) %zu\n",
              static_cast<long long>(list.Count()), chars, text_bytes, sizeof(TConcordanceEntry));
  std::printf("heap per line     %8.1f bytes (text + %.1f)\n", heap_per_line, heap_per_line - text_bytes);
  std::printf("resident per line %8.1f bytes (text + %.1f)\n", rss_per_line, rss_per_line - text_bytes);
  std::printf("adding: %.3f s\n", std::chrono::duration<double>(t1 - t0).count());
  return 0;
}
