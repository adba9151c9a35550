#include "fuzzsupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>

namespace vornenv::fuzz {

namespace {

class nullbuf : public std::streambuf {
 protected:
  int overflow(int c) override { return c == EOF ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

void silencestderr() {
  static nullbuf sink;
  std::cerr.rdbuf(&sink);
}

envrestorer::~envrestorer() {
  const vornplatform::envsnapshot after;
  std::set<std::string> before;
  for (const auto& [name, value] : before_.vars()) {
    before.insert(name);
    if (after.get(name).str() != value) vornplatform::putenvvar(name, value);
  }
  for (const auto& [name, value] : after.vars()) {
    if (before.count(name) == 0) vornplatform::putenvvar(name, "");
  }
}

std::string scratchpath(const std::string& stem) {
  std::random_device device;
  const auto salt = std::chrono::steady_clock::now().time_since_epoch().count() ^ device();
  return (std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(salt))).string();
}

void broken(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace vornenv::fuzz
