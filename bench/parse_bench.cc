// Reading and storing description files: the reader alone (callbacks that
// do nothing) and the whole builder.  Run: build/native/bench/parse_bench

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gen.h"
#include "vornenv/envbuilder.h"

namespace {

// The generated file, written once per size and line-end style.
std::string benchfile(std::size_t bytes, bool crlf) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("vornenv-bench-" + std::to_string(bytes) + (crlf ? "-crlf" : "-lf") + ".ini");
  if (!std::filesystem::exists(path)) {
    std::ofstream(path, std::ios::binary) << vornenv::bench::generateini(bytes, crlf);
  }
  return path.string();
}

class nullreader final : public vornenv::iniparser {
 public:
  using iniparser::iniparser;

 private:
  bool beginsection(const char*) override { return true; }
  bool newentry(const char*, const char*) override { return true; }
  bool endsection() override { return true; }
};

void bm_reader(benchmark::State& state) {
  const std::string file = benchfile(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
  nullreader reader{vornfile::filepath(file)};
  for (auto _ : state) reader();
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(bm_reader)->Args({10 << 20, 0})->Args({10 << 20, 1})->Unit(benchmark::kMillisecond);

void bm_builder(benchmark::State& state) {
  const std::string file = benchfile(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    vornenv::envbuilder builder{vornfile::filepath(file)};
    builder();
    benchmark::DoNotOptimize(builder.getsection("section_0"));
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(bm_builder)
    ->Args({1 << 20, 0})
    ->Args({10 << 20, 0})
    ->Args({10 << 20, 1})
    ->Args({100 << 20, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
