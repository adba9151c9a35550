// Expansion benchmarks: a 100000-deep chain of variables and texts with
// 10000 references.  Run: build/native/bench/expand_bench

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/bulkenviron_posix.h"
#include "vornenv/expandvar.h"

namespace {

using vornenv::testing::bulkenviron;

void bm_deep_chain(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  std::vector<std::string> vars;
  for (int i = 0; i < depth; ++i) {
    vars.push_back("VB_DEEP" + std::to_string(i) + "=" +
                   (i + 1 < depth ? "$(VB_DEEP" + std::to_string(i + 1) + ")" : "x"));
  }
  bulkenviron env(std::move(vars));
  for (auto _ : state) benchmark::DoNotOptimize(vornenv::expandvar("$(VB_DEEP0)"));
  state.SetItemsProcessed(state.iterations() * depth);
}
BENCHMARK(bm_deep_chain)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// 10000 references spread over state.range(0) distinct variables; short
// values, so that the result (about 110 KB) stays within what a variable can
// hold and the expansion is not cut short by that bound.
void bm_many_references(benchmark::State& state) {
  const int distinct = static_cast<int>(state.range(0));
  std::vector<std::string> vars;
  for (int i = 0; i < distinct; ++i) {
    vars.push_back("VB_REF" + std::to_string(i) + "=/t" + std::to_string(i));
  }
  bulkenviron env(std::move(vars));
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "$(VB_REF" + std::to_string(i % distinct) + ")/bin;";
  for (auto _ : state) benchmark::DoNotOptimize(vornenv::expandvar(text));
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(bm_many_references)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

// A typical value: two references in an environment of ordinary size.
void bm_typical_value(benchmark::State& state) {
  bulkenviron env({"VB_HOME=/home/user", "VB_TOOLS=$(VB_HOME)/tools"});
  for (auto _ : state)
    benchmark::DoNotOptimize(vornenv::expandvar("$(VB_TOOLS)/bin:$(VB_HOME)/.local/bin"));
}
BENCHMARK(bm_typical_value);

}  // namespace

BENCHMARK_MAIN();
