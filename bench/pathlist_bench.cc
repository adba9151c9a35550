// Path lists: 1,000 directories of an "Executable Paths" section put in
// front of a 10,000-entry PATH, each path once, through the whole builder
// (read, convert, check each directory exists, merge, set PATH), against
// the plain reference of splitting PATH and keeping a std::set<std::string>
// of what was already written.  Both must produce the same PATH.
// Run: build/bench/pathlist_bench

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "vornenv/envbuilder.h"
#include "vornfile/vornfile.h"

namespace {

constexpr int kSectionDirs = 1000;
constexpr int kPathEntries = 10000;

// The fixture: real directories in a temp folder, the description file
// naming them, and the PATH they go in front of.  Every tenth section
// directory is already in PATH and one PATH entry in twenty repeats an
// earlier one, so the dedup has work on both sides.
struct fixture {
  std::filesystem::path root;
  std::string file;       // section "Executable Paths"
  std::string plainfile;  // the same entries in a plain section
  std::vector<std::string> dirs;
  std::string path;          // the 10,000-entry PATH
  std::size_t expected = 0;  // elements of the merged PATH

  fixture() {
    root = std::filesystem::temp_directory_path() / "vornenv-bench-pathlist";
    std::string body;
    for (int i = 0; i < kSectionDirs; ++i) {
      const std::string name = "pkg" + std::to_string(1000 + i);
      const std::filesystem::path dir = root / "opt" / name / "bin";
      std::filesystem::create_directories(dir);
      dirs.push_back(dir.string());
      body += name + " = " + dir.string() + "\n";
    }
    std::ofstream(root / "paths.ini", std::ios::binary) << "[Executable Paths]\n" << body;
    std::ofstream(root / "plain.ini", std::ios::binary) << "[Plain Paths]\n" << body;
    file = (root / "paths.ini").string();
    plainfile = (root / "plain.ini").string();

    std::vector<std::string> entries;
    std::set<std::string> distinct(dirs.begin(), dirs.end());
    for (int i = 0; i < kPathEntries; ++i) {
      std::string e;
      if (i % 100 == 50) {
        e = dirs[static_cast<std::size_t>(i / 10)];  // a section directory
      } else if (i % 20 == 7 && i > 20) {
        e = entries[static_cast<std::size_t>(i / 2)];  // an earlier entry again
      } else {
        // Short, so that the merged PATH stays within what Linux passes to
        // a child (128 KiB for "PATH=..."), which the library holds it to.
        e = "/t" + std::to_string(i);
      }
      if (!path.empty()) path += ':';
      path += e;
      distinct.insert(e);
      entries.push_back(std::move(e));
    }
    expected = distinct.size();
  }
};

const fixture& thefixture() {
  static const fixture f;
  return f;
}

std::size_t countelements(const std::string& list) {
  if (list.empty()) return 0;
  std::size_t n = 1;
  for (char c : list) n += c == ':';
  return n;
}

// The reference: split, std::set<std::string>, join.
std::string setmerge(const std::vector<std::string>& front, const std::string& path) {
  std::vector<std::string> current;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    if (end != start) current.emplace_back(path, start, end - start);
    start = end + 1;
  }
  std::set<std::string> seen;
  std::string out;
  for (const std::vector<std::string>* list : {&front, &std::as_const(current)}) {
    for (const std::string& p : *list) {
      if (!seen.insert(p).second) continue;
      if (!out.empty()) out += ':';
      out += p;
    }
  }
  return out;
}

void bm_set_reference(benchmark::State& state) {
  const fixture& f = thefixture();
  std::string out;
  for (auto _ : state) {
    out = setmerge(f.dirs, f.path);
    benchmark::DoNotOptimize(out.data());
  }
  if (countelements(out) != f.expected) state.SkipWithError("reference: wrong element count");
  state.SetItemsProcessed(state.iterations() * (kSectionDirs + kPathEntries));
}
BENCHMARK(bm_set_reference)->Unit(benchmark::kMillisecond);

// The job through the library: an envbuilder reads the section and sets PATH.
void bm_builder_pathlist(benchmark::State& state) {
  const fixture& f = thefixture();
  for (auto _ : state) {
    state.PauseTiming();
    ::setenv("PATH", f.path.c_str(), 1);
    state.ResumeTiming();
    vornenv::envbuilder builder{vornfile::filepath(f.file)};
    builder();
  }
  // The same PATH as the reference, or the comparison means nothing.
  const char* now = std::getenv("PATH");
  const std::string got = now != nullptr ? now : "";
  if (got != setmerge(f.dirs, f.path))
    state.SkipWithError("builder: PATH differs from the reference");
  state.SetItemsProcessed(state.iterations() * (kSectionDirs + kPathEntries));
}
BENCHMARK(bm_builder_pathlist)->Unit(benchmark::kMillisecond);

// Where the builder's time goes, piece by piece.

// Reading and storing the same 1,000 entries in a plain section.
void bm_builder_plain(benchmark::State& state) {
  const fixture& f = thefixture();
  for (auto _ : state) {
    vornenv::envbuilder builder{vornfile::filepath(f.plainfile)};
    builder();
  }
}
BENCHMARK(bm_builder_plain)->Unit(benchmark::kMillisecond);

// Asking whether each of the 1,000 directories exists.
void bm_direxists(benchmark::State& state) {
  const fixture& f = thefixture();
  std::vector<vornfile::filepath> paths(f.dirs.begin(), f.dirs.end());
  for (auto _ : state) {
    for (const vornfile::filepath& p : paths) benchmark::DoNotOptimize(vornfile::direxists(p));
  }
}
BENCHMARK(bm_direxists)->Unit(benchmark::kMillisecond);

// Splitting the 10,000-entry PATH into paths and joining them again.
void bm_split_merge(benchmark::State& state) {
  const fixture& f = thefixture();
  for (auto _ : state) {
    const std::vector<vornfile::filepath> v = vornfile::splitpathlist(f.path, ':');
    benchmark::DoNotOptimize(vornfile::mergepathlist(v, ':'));
  }
}
BENCHMARK(bm_split_merge)->Unit(benchmark::kMillisecond);

// The merge alone: the 1,000 section paths, already converted, in front of
// the 10,000-entry PATH, each path once.
void bm_merge_unique(benchmark::State& state) {
  const fixture& f = thefixture();
  const std::vector<vornfile::filepath> front(f.dirs.begin(), f.dirs.end());
  std::string out;
  for (auto _ : state) {
    out = vornfile::mergeuniquepathlist(front, f.path, ':');
    benchmark::DoNotOptimize(out.data());
  }
  if (out != setmerge(f.dirs, f.path))
    state.SkipWithError("merge: PATH differs from the reference");
  state.SetItemsProcessed(state.iterations() * (kSectionDirs + kPathEntries));
}
BENCHMARK(bm_merge_unique)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  thefixture();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(thefixture().root, ec);
  return 0;
}
