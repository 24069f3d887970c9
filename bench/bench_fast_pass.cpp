// The fast first pass alone over a plain ASCII text, chunk by chunk as the reader hands it over
// (bytes, kinds and text left to be made on demand), on each vector path this processor has:
// its speed in MB/s, best of several runs, with the load before and after.
//   bench_fast_pass FILE [MB] [RUNS] [PATH]   (the file's first MB megabytes, 100 unless set; 5
//   runs; PATH: 0 the one-unit path, 1 128-bit, 2 256-bit; every path unless set)
// Each path runs over the text as it is and over a copy with a capital after every full stop
// and blank, since the generated text has no capitals and so no sentence ends, where real
// English has many.
// The sentence ends and word characters found are printed: equal on every path.
// After the pass, the scan for a few whole words over the pass's masks (as a concordance of an
// 11-letter word runs it) is timed on its own: its words, picks and sentences are printed too.
// A file holding bytes beyond ASCII is read as UTF-8 prose, as the reader reads it: each chunk
// narrowed to one byte a character first (the units beyond ASCII put in the text; timed on its
// own), the pass then reading those bytes; no entity stops it (the reader's plain text), the
// sentence marks beyond ASCII are the reader's, and the text is taken only as it is. Narrowing,
// pass and a bare count of the words together are what any road must do that keeps the pass's
// rules, whatever it skips.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_load.h"
#include "platform/search/fast_first_pass.h"
#include "platform/search/search_chars.h"
#include "platform/search/search_scan.h"
#include "model/reading/text_reader.h"
#include "platform/text/text_services.h"

namespace {

// The reader's settings for a plain text: tags in angle brackets hidden, sentence ends marked,
// marks between letters blanked; an entity and the tag codes stop the pass. For UTF-8 prose: no
// entity, the sentence marks beyond ASCII.
TFastPassRules ReaderRules(bool utf8 = false) {
  TFastPassRules r;
  r.usable = true;
  if (!utf8) r.AddStop(u'&');
  for (char16_t c : {char16_t(24), char16_t(25)}) r.AddStop(c);
  if (utf8) AddSentenceMarksBeyondAscii(r);
  r.sentence_ends = true;
  r.blank_mid_word_marks = true;
  r.hide_tags = true;
  r.tag_span = 1000;
  return r;
}

struct TRunFigures {
  double seconds = 1e9, scan_seconds = 1e9, narrow_seconds = 0, count_seconds = 1e9;
  int64_t sentence_ends = 0, word_chars = 0;
  int64_t words = 0, picks = 0, units_ended = 0, counted_words = 0;
  bool judged = true;
};

TRunFigures PassOver(const std::string& bytes, TVectorPath path, int runs, bool utf8) {
  constexpr int32_t kChunk = 2 << 20;
  const TFastPassRules rules = ReaderRules(utf8);
  std::vector<char16_t> text(kChunk + 2);
  std::vector<uint16_t> kinds(kChunk + 2);
  std::vector<uint8_t> narrow(utf8 ? kChunk + 2 : 0);
  TFastPassResult found;
  TRunFigures f;
  for (int r = 0; r < runs; ++r) {
    int64_t ends = 0, words = 0, counted = 0;
    bool judged = true;
    double s = 0;  // the pass's own time, the counting below left out
    double scan = 0, narrowing = 0, counting = 0;
    int64_t picked = 0, units_ended = 0;
    TWordPicks picks;
    picks.lengths[0] = 11;
    TUnitState units;
    std::vector<TScanWord> none;
    std::vector<TUnitEvent> events;
    uint64_t word_carry = 0;
    for (size_t at = 0; at < bytes.size();) {
      int32_t n = static_cast<int32_t>(std::min<size_t>(kChunk, bytes.size() - at));
      const uint8_t* chunk = reinterpret_cast<const uint8_t*>(bytes.data() + at);
      size_t step = static_cast<size_t>(n);
      if (utf8) {
        // A sequence broken off at the chunk's end goes with the next chunk.
        const auto narrow_start = std::chrono::steady_clock::now();
        size_t units = 0, consumed = 0;
        DecodeUtf8NarrowTo(chunk, step, narrow.data(), text.data(), units, at + step < bytes.size(), &consumed);
        narrowing += std::chrono::duration<double>(std::chrono::steady_clock::now() - narrow_start).count();
        n = static_cast<int32_t>(units);
        if (consumed > 0) step = consumed;
        chunk = narrow.data();
      }
      at += step;
      const auto start = std::chrono::steady_clock::now();
      judged = FastFirstPass(text.data(), kinds.data(), 0, n, n, rules, path, found, true, chunk, true, utf8) && judged;
      s += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (judged) {
        // The words as a road that only counts would count them: the starts of the word masks.
        const auto count_start = std::chrono::steady_clock::now();
        for (const uint64_t w : found.word_masks) {
          counted += std::popcount(w & ~((w << 1) | word_carry));
          word_carry = w >> 63;
        }
        counting += std::chrono::duration<double>(std::chrono::steady_clock::now() - count_start).count();
        const TScanGivenMasks given{found.word_masks.data(), found.marker_masks.data(), kFastPassMarkerKind};
        picks.numbers.clear();
        picks.picked_words.clear();
        const auto scan_start = std::chrono::steady_clock::now();
        if (utf8) {
          picks.bytes = narrow.data();
          picks.bytes_from = 0;
        }
        ScanChunk(text.data(), kinds.data(), 0, n, FoldTableFor(0x0409), none, events, units, at >= bytes.size(), false,
                  &picks, &given);
        scan += std::chrono::duration<double>(std::chrono::steady_clock::now() - scan_start).count();
        picked += static_cast<int64_t>(picks.numbers.size());
        for (const TUnitEvent& e : events) units_ended += std::popcount(e.ended_mask);
      }
      ends += found.sentence_ends;
      for (uint64_t w : found.word_masks) words += std::popcount(w);
    }
    if (s < f.seconds) f.narrow_seconds = narrowing;
    f.seconds = std::min(f.seconds, s);
    f.count_seconds = std::min(f.count_seconds, counting);
    f.counted_words = counted;
    f.scan_seconds = std::min(f.scan_seconds, scan);
    f.words = picks.next_number;
    f.picks = picked;
    f.units_ended = units_ended;
    f.sentence_ends = ends;
    f.word_chars = words;
    f.judged = judged;
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_fast_pass FILE [MB] [RUNS] [PATH]\n");
    return 2;
  }
  const size_t mb = argc > 2 ? static_cast<size_t>(std::atoll(argv[2])) : 100;
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::string plain(mb * 1000000, '\0');
  FILE* in = std::fopen(argv[1], "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  plain.resize(std::fread(plain.data(), 1, plain.size(), in));
  std::fclose(in);
  const bool utf8 = std::any_of(plain.begin(), plain.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  std::string capitalised = utf8 ? std::string() : plain;
  for (size_t i = 2; i < capitalised.size(); ++i)
    if (capitalised[i - 2] == '.' && (capitalised[i - 1] == ' ' || capitalised[i - 1] == '\n') && capitalised[i] >= 'a' &&
        capitalised[i] <= 'z')
      capitalised[i] = static_cast<char>(capitalised[i] - 32);
  std::printf("load before: %.2f; %.1f MB, best of %d runs\n", LoadNow(), static_cast<double>(plain.size()) / 1e6, runs);
  std::vector<TVectorPath> paths = {TVectorPath::Scalar, TVectorPath::Sse2};
  if (BestVectorPath() == TVectorPath::Wide) paths.push_back(TVectorPath::Wide);
  if (argc > 4) paths = {static_cast<TVectorPath>(std::atoi(argv[4]))};
  const char* names[] = {"one unit", "128-bit", "256-bit"};
  for (const std::string* text : {&plain, &capitalised})
    for (TVectorPath path : paths) {
      if (text->empty()) continue;
      const TRunFigures f = PassOver(*text, path, runs, utf8);
      if (utf8)
        std::printf("%-12s %-9s %8.1f MB/s  %.4f s  narrowing to one byte a character; the words counted from the "
                    "masks alone: %lld in %.4f s\n",
                    "UTF-8", names[static_cast<int>(path)], static_cast<double>(text->size()) / 1e6 / f.narrow_seconds,
                    f.narrow_seconds, static_cast<long long>(f.counted_words), f.count_seconds);
      std::printf("%-12s %-9s %8.1f MB/s  %.4f s  %lld sentence ends  %lld word characters%s\n",
                  text == &plain ? (utf8 ? "UTF-8 prose" : "as it is") : "capitalised", names[static_cast<int>(path)],
                  static_cast<double>(text->size()) / 1e6 / f.seconds, f.seconds,
                  static_cast<long long>(f.sentence_ends), static_cast<long long>(f.word_chars),
                  f.judged ? "" : "  (some chunks not judged)");
      std::printf("%-12s %-9s %8.1f MB/s  %.4f s  the scan for 11-letter words: %lld words, %lld picked, %lld units ended\n",
                  "", "", static_cast<double>(text->size()) / 1e6 / f.scan_seconds, f.scan_seconds,
                  static_cast<long long>(f.words), static_cast<long long>(f.picks), static_cast<long long>(f.units_ended));
    }
  std::printf("load after: %.2f\n", LoadNow());
  return 0;
}
