// The counting tree under load: inserting many integer keys in random and in sorted order,
// counting keys that are already there, and walking and clearing a large tree.
#if __has_include(<benchmark/benchmark.h>)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "model/lists/General_Trees.h"

namespace {

void* P(std::intptr_t k) { return reinterpret_cast<void*>(k); }

int IntCompare(void* a, void* b) {
  const auto x = reinterpret_cast<std::intptr_t>(a);
  const auto y = reinterpret_cast<std::intptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

enum Order { kRandom, kAscending, kDescending };

std::vector<std::intptr_t> Keys(std::size_t n, Order order) {
  std::vector<std::intptr_t> keys(n);
  std::iota(keys.begin(), keys.end(), std::intptr_t(1));
  if (order == kDescending) std::reverse(keys.begin(), keys.end());
  if (order == kRandom) std::shuffle(keys.begin(), keys.end(), std::mt19937_64(42));
  return keys;
}

void Fill(TGeneral_Tree& t, const std::vector<std::intptr_t>& keys) {
  for (std::intptr_t k : keys) {
    t.current.datum = P(k);
    t.Add_One(t.current);
  }
}

void BM_Insert(benchmark::State& state, Order order) {
  const auto keys = Keys(std::size_t(state.range(0)), order);
  for (auto _ : state) {
    state.PauseTiming();
    auto t = std::make_unique<TGeneral_Tree>(IntCompare);
    state.ResumeTiming();
    Fill(*t, keys);
    benchmark::DoNotOptimize(t->counter);
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Counting: every key is already there, so each Add_One ends in a match.
void BM_CountExisting(benchmark::State& state) {
  const auto keys = Keys(std::size_t(state.range(0)), kRandom);
  TGeneral_Tree t(IntCompare);
  Fill(t, keys);
  for (auto _ : state) Fill(t, keys);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WalkAndClear(benchmark::State& state) {
  const auto keys = Keys(std::size_t(state.range(0)), kRandom);
  for (auto _ : state) {
    state.PauseTiming();
    TGeneral_Tree t(IntCompare);
    Fill(t, keys);
    state.ResumeTiming();
    benchmark::DoNotOptimize(t.BuildPtrArray(nullptr, nullptr));
    t.Clear();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

constexpr std::int64_t kTenMillion = 10000000;

}  // namespace

BENCHMARK_CAPTURE(BM_Insert, random, kRandom)->Arg(kTenMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Insert, ascending, kAscending)->Arg(kTenMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Insert, descending, kDescending)->Arg(kTenMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CountExisting)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkAndClear)->Arg(kTenMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
#else
int main() { return 0; }
#endif
