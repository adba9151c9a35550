// Path comparison: sorting and set insertion of 10,000 paths as
// vornfile::filepath, with the same texts as std::string beside them for
// scale.  Run: build/bench/filepath_bench

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "vornfile/vornfile.h"

namespace {

constexpr int kPaths = 10000;

// 10,000 distinct absolute paths of 3 to 7 components that share their
// leading components the way real directory trees do.
const std::vector<std::string>& texts() {
  static const std::vector<std::string> all = [] {
    std::uint32_t state = 7;
    auto next = [&state]() {  // xorshift32: the same paths on every run
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      return state;
    };
    static const char* const top[] = {"usr", "opt", "home", "srv", "var"};
    static const char* const mid[] = {"local", "lib", "share", "tools", "pkg", "src"};
    std::vector<std::string> out;
    for (int i = 0; i < kPaths; ++i) {
      std::string p = std::string("/") + top[next() % 5] + "/" + mid[next() % 6];
      const int more = 1 + static_cast<int>(next() % 5);
      for (int c = 0; c < more; ++c) {
        p += '/';
        const int len = 3 + static_cast<int>(next() % 10);
        for (int k = 0; k < len; ++k) p += static_cast<char>('a' + next() % 26);
      }
      p += "/" + std::to_string(i);  // distinct
      out.push_back(std::move(p));
    }
    return out;
  }();
  return all;
}

const std::vector<vornfile::filepath>& paths() {
  static const std::vector<vornfile::filepath> all(texts().begin(), texts().end());
  return all;
}

void bm_filepath_construct(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<vornfile::filepath> v(texts().begin(), texts().end());
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(bm_filepath_construct)->Unit(benchmark::kMicrosecond);

void bm_filepath_sort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<vornfile::filepath> v = paths();
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(bm_filepath_sort)->Unit(benchmark::kMicrosecond);

void bm_string_sort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> v = texts();
    state.ResumeTiming();
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(bm_string_sort)->Unit(benchmark::kMicrosecond);

// Set insertion of pointers, the way the path-list merge keeps what it saw.
void bm_filepath_set(benchmark::State& state) {
  for (auto _ : state) {
    std::set<const vornfile::filepath*,
             bool (*)(const vornfile::filepath*, const vornfile::filepath*)>
        seen([](const vornfile::filepath* a, const vornfile::filepath* b) { return *a < *b; });
    for (const vornfile::filepath& p : paths()) seen.insert(&p);
    benchmark::DoNotOptimize(seen.size());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(bm_filepath_set)->Unit(benchmark::kMicrosecond);

void bm_string_set(benchmark::State& state) {
  for (auto _ : state) {
    std::set<const std::string*, bool (*)(const std::string*, const std::string*)> seen(
        [](const std::string* a, const std::string* b) { return *a < *b; });
    for (const std::string& p : texts()) seen.insert(&p);
    benchmark::DoNotOptimize(seen.size());
  }
  state.SetItemsProcessed(state.iterations() * kPaths);
}
BENCHMARK(bm_string_set)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
