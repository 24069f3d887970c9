// Sorting and finding in a big result list: alphabetical (keys worked out once per entry),
// by a comparer that goes through the pivot (reverse words), and binary search.
#include <benchmark/benchmark.h>

#include <random>

#include "model/documents/work_base.h"
#include "platform/rtl/streams.h"

namespace {

class TBenchEntry : public TVXBaseListObject {
 public:
  TBenchEntry(TVXBaseDataClass* list, UString w, int32_t f) : TVXBaseListObject(list, nullptr), word(std::move(w)), freq(f) {}
  UString MainWordOnly() const override { return word; }
  int32_t MainWordFrequency() const override { return freq; }
  UString word;
  int32_t freq;
};

class TBenchList : public TVXBaseLemmaMatchCapableList {
 public:
  TBenchList() : TVXBaseLemmaMatchCapableList(nullptr, nullptr, 6, 7, 0) {}
};

void FillRandom(TBenchList& l, int n) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> len(2, 12), letter(0, 25), freq(1, 1000);
  for (int i = 0; i < n; ++i) {
    UString w;
    for (int k = len(rng); k > 0; --k) w.push_back(static_cast<char16_t>(u'a' + letter(rng)));
    if (i % 7 == 0) w[0] = static_cast<char16_t>(w[0] - 32);
    l.Add(new TBenchEntry(&l, std::move(w), freq(rng)));
  }
}

void BM_SortAlphabetical(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TBenchList l;
    FillRandom(l, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    l.SortAlphabeticallyAscending();
  }
}
BENCHMARK(BM_SortAlphabetical)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_SortFrequencyThenReverse(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TBenchList l;
    FillRandom(l, static_cast<int>(state.range(0)));
    l.Set3Sorts(kSortFrequency, kSortReverseAlphabetical, kSortNone);
    state.ResumeTiming();
    l.DoASort(3, 0, l.Count() - 1);
  }
}
BENCHMARK(BM_SortFrequencyThenReverse)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindWord(benchmark::State& state) {
  TBenchList l;
  FillRandom(l, 200000);
  l.SortAlphabeticallyAscending();
  int i = 0;
  for (auto _ : state) {
    const UString w = static_cast<TBenchEntry*>(l.Get(i))->word;
    benchmark::DoNotOptimize(l.Find_WordStr(w, false));
    i = (i + 7919) % l.Count();
  }
}
BENCHMARK(BM_FindWord);

}  // namespace

BENCHMARK_MAIN();
