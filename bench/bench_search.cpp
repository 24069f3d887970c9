// Search engine speed: characters per second over a generated UTF-16 text read in 2 MiB chunks,
// words and unit statistics counted, for one exact word, fifty exact words, five wildcard items
// and one three-word phrase; the phrase again with each later chunk's buffer starting with the
// previous chunk's last 4,096 characters, as the reader hands chunks over.
// Usage: bench_search [megabytes of UTF-16 text, default 100]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"

namespace {

struct TCorpus {
  UString text;
  std::vector<uint16_t> kinds;
  std::vector<UString> vocab;  // by rank
};

// Words drawn from a Zipf-shaped vocabulary with English-like lengths; sentences of 5 to 30
// words ending in a marked full stop, paragraphs of a few sentences, some commas and numbers.
TCorpus MakeCorpus(size_t chars) {
  std::mt19937 rng(12345);
  TCorpus c;
  const char16_t* common[] = {u"the", u"of", u"and", u"to",   u"a",  u"in", u"is", u"that", u"it",   u"was",
                              u"for", u"on", u"as",  u"with", u"he", u"be", u"at", u"by",   u"this", u"had"};
  for (const char16_t* w : common) c.vocab.emplace_back(w);
  const char16_t letters[] =
      u"eeeeeeeeeeeettttttttaaaaaaaaooooooooiiiiiiinnnnnnnssssssrrrrrrhhhhhllllddddcccuuummwwffggyyppbbvkjxqz";
  const size_t nletters = sizeof(letters) / sizeof(letters[0]) - 1;
  const int length_weights[] = {0, 3, 17, 21, 16, 12, 10, 8, 6, 4, 2, 1, 1};  // by length 0..12
  std::discrete_distribution<int> length(std::begin(length_weights), std::end(length_weights));
  while (c.vocab.size() < 30000) {
    UString w;
    for (int n = std::max(length(rng), 2); n > 0; --n) w.push_back(letters[rng() % nletters]);
    if (rng() % 9 == 0) w += u"ing";
    c.vocab.push_back(w);
  }
  // Zipf ranks through a precomputed cumulative table.
  std::vector<double> cum(c.vocab.size());
  double total = 0;
  for (size_t r = 0; r < c.vocab.size(); ++r) cum[r] = (total += 1.0 / std::pow(static_cast<double>(r + 1), 1.05));
  std::uniform_real_distribution<double> u01(0, total);
  c.text.reserve(chars + 64);
  std::vector<size_t> marks;
  int in_sentence = 0, sentence_len = 12, sentences = 0;
  while (c.text.size() < chars) {
    size_t r = static_cast<size_t>(std::lower_bound(cum.begin(), cum.end(), u01(rng)) - cum.begin());
    UString w = c.vocab[std::min(r, c.vocab.size() - 1)];
    if (rng() % 200 == 0) w = UString(u"19") + static_cast<char16_t>(u'0' + rng() % 10) + u"5";
    if (in_sentence == 0 && w[0] >= u'a' && w[0] <= u'z') w[0] = static_cast<char16_t>(w[0] - 32);
    c.text += w;
    if (++in_sentence >= sentence_len) {
      marks.push_back(c.text.size());
      c.text += u'.';
      in_sentence = 0;
      sentence_len = 5 + static_cast<int>(rng() % 26);
      c.text += (++sentences % 6 == 0) ? u"\r\n" : u" ";
    } else {
      c.text += (rng() % 12 == 0) ? u", " : u" ";
    }
  }
  c.kinds.assign(c.text.size() + 2, 0);
  ClassifyChars(c.text.data(), c.text.size(), c.kinds.data());
  for (size_t m : marks) c.kinds[m] = kKindMarkerBase + 15;
  return c;
}

struct TResult {
  double seconds;
  int64_t hits;
  int64_t words;
};

TResult Run(const TCorpus& c, const std::vector<UString>& items, size_t overlap = 0) {
  TSearchWordItems list;
  for (const UString& s : items) list.AddedSearchWords(s);
  TSearchAndDoEngine engine(true, true, {});
  engine.SetItems(list);
  int64_t hits = 0, ends = 0;
  TSearchStatsRec text_stats;
  const size_t chunk = 1 << 20;  // 2 MiB of UTF-16
  auto t0 = std::chrono::steady_clock::now();
  for (size_t at = 0, index = 0; at < c.text.size(); at += chunk, ++index) {
    size_t n = std::min(chunk, c.text.size() - at);
    // The overlap starts at a word: after the first blank in the overlap's reach.
    size_t from = at;
    if (index > 0 && overlap > 0) {
      from = at - overlap;
      while (from < at && c.text[from] != u' ') ++from;
    }
    TChunkPositions pos;
    pos.chunk_start = static_cast<int32_t>(at - from);
    pos.length = static_cast<int32_t>(n + at - from);
    pos.chunk_index = static_cast<int32_t>(index);
    pos.last_chunk = at + n >= c.text.size();
    pos.chunk_file_offset = static_cast<int64_t>(2 * at);
    pos.file_size = static_cast<int64_t>(2 * c.text.size());
    engine.PrepareForConcordancing(
        u"bench", c.text.data() + from, c.kinds.data() + from, pos,
        [&](TSearchAndDoEngine&, TSearchFound_Rec&) {
          ++hits;
          return true;
        },
        [&](TSearchAndDoEngine&, TSearchStatsRec&) { ++ends; });
    for (int32_t i = 0; i < list.Count(); ++i) {
      engine.SetCurrentItem(i);
      engine.ClearChunkTextStats();
      engine.SearchAndDo(*list.GetPtr(i), i);
    }
    engine.CopyAChunkTextStats(text_stats);
  }
  auto t1 = std::chrono::steady_clock::now();
  return TResult{std::chrono::duration<double>(t1 - t0).count(), hits, text_stats.words_in_chunk};
}

void Report(const char* name, const TCorpus& c, const std::vector<UString>& items, size_t overlap = 0) {
  TResult best{1e30, 0, 0};
  for (int rep = 0; rep < 3; ++rep) {
    TResult r = Run(c, items, overlap);
    if (r.seconds < best.seconds) best = r;
  }
  std::printf("%-22s %8.1f M chars/s  (%.3f s, %lld hits, %lld words)\n", name,
              static_cast<double>(c.text.size()) / best.seconds / 1e6, best.seconds, static_cast<long long>(best.hits),
              static_cast<long long>(best.words));
}

}  // namespace

int main(int argc, char** argv) {
  double megabytes = argc > 1 ? std::atof(argv[1]) : 100.0;
  if (megabytes <= 0) megabytes = 100.0;
  size_t chars = static_cast<size_t>(megabytes * 1024 * 1024 / 2);
  std::printf("generating %.0f MB of UTF-16 text ...\n", megabytes);
  TCorpus c = MakeCorpus(chars);
  std::printf("%zu characters\n", c.text.size());

  std::vector<UString> fifty;
  for (size_t r = 20; fifty.size() < 50; r += 37) fifty.push_back(c.vocab[r]);
  Report("words only", c, {});
  Report("one exact word", c, {c.vocab[60]});
  Report("50 exact words", c, fifty);
  Report("5 wildcard items", c, {u"th*", u"*ing", u"un*ed", u"pre*", u"19#"});
  Report("one 3-word phrase", c, {c.vocab[1] + u" " + c.vocab[0] + u" " + c.vocab[40]});
  Report("phrase, 4 KiB overlaps", c, {c.vocab[1] + u" " + c.vocab[0] + u" " + c.vocab[40]}, 4096);
  return 0;
}
