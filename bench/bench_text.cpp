// Throughput of the per-chunk text services: character classification and strict UTF-8
// decoding, over about 100 MB of generated text read in 2 MiB chunks as the corpus reader does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/text/text_services.h"

namespace {

constexpr size_t kTotalBytes = 100u << 20;
constexpr size_t kChunkBytes = 2u << 20;

// Words drawn from a small vocabulary, with punctuation and line ends, until `bytes` of UTF-8.
std::string MakeText(bool ascii_only, size_t bytes) {
  const std::vector<std::string> ascii = {"the", "of", "and", "concordance", "corpus", "linguist", "reads",
                                          "text", "word", "list", "in", "a", "collocate", "1998", "sort"};
  const std::vector<std::string> other = {"caf\xC3\xA9", "Stra\xC3\x9F" "e", "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82",
                                          "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE", "\xE4\xB8\xAD\xE6\x96\x87",
                                          "na\xC3\xAFve", "\xF0\x9F\x98\x80"};
  std::mt19937 rng(42);
  std::string s;
  s.reserve(bytes + 64);
  while (s.size() < bytes) {
    if (!ascii_only && rng() % 4 == 0)
      s += other[rng() % other.size()];
    else
      s += ascii[rng() % ascii.size()];
    const unsigned r = rng() % 16;
    s += r == 0 ? ".\r\n" : (r == 1 ? ", " : " ");
  }
  s.resize(bytes);
  while (!s.empty() && static_cast<unsigned char>(s.back()) >= 0x80) s.pop_back();  // end on a whole character
  return s;
}

const std::string& Utf8Text(bool ascii_only) {
  static const std::string a = MakeText(true, kTotalBytes), m = MakeText(false, kTotalBytes);
  return ascii_only ? a : m;
}

// The same text in UTF-16.
const UString& Utf16Text(bool ascii_only) {
  static const UString a = Utf8ToUtf16(Utf8Text(true)), m = Utf8ToUtf16(Utf8Text(false));
  return ascii_only ? a : m;
}

void BM_ClassifyChars(benchmark::State& state) {
  const UString& text = Utf16Text(state.range(0) != 0);
  const size_t chunk = kChunkBytes / 2;  // characters per chunk
  std::vector<uint16_t> kinds(chunk + 2);
  for (auto _ : state) {
    for (size_t pos = 0; pos < text.size(); pos += chunk) {
      const size_t n = std::min(chunk, text.size() - pos);
      ClassifyChars(text.data() + pos, n, kinds.data());
      benchmark::DoNotOptimize(kinds.data());
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
  state.SetLabel(state.range(0) ? "ASCII, bytes of UTF-16" : "mixed scripts, bytes of UTF-16");
}
BENCHMARK(BM_ClassifyChars)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_DecodeUtf8Strict(benchmark::State& state) {
  const std::string& text = Utf8Text(state.range(0) != 0);
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  UString out;
  for (auto _ : state) {
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t n = std::min(kChunkBytes, text.size() - pos);
      size_t consumed = 0;
      if (!DecodeUtf8Strict(data + pos, n, out, true, &consumed) || consumed == 0) {
        state.SkipWithError("decoding failed");
        return;
      }
      benchmark::DoNotOptimize(out.data());
      pos += consumed;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(Utf16Text(state.range(0) != 0).size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.SetLabel(state.range(0) ? "ASCII, bytes of UTF-8" : "mixed scripts, bytes of UTF-8");
}
BENCHMARK(BM_DecodeUtf8Strict)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
