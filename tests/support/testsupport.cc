#include "support/testsupport.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>

#include "vornplatform/vornplatform.h"

namespace vornenv::testing {

namespace {

std::optional<std::string> readvar(const std::string& name) {
  std::string value = vornplatform::getenvvar(name).str();
  if (value.empty()) return std::nullopt;
  return value;
}

}  // namespace

scopedenv::scopedenv(std::string name, std::optional<std::string> value)
    : name_(std::move(name)), old_(readvar(name_)) {
  vornplatform::putenvvar(name_, value.value_or(""));
}

scopedenv::~scopedenv() { vornplatform::putenvvar(name_, old_.value_or("")); }

scopedtempdir::scopedtempdir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("vornenv-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

scopedtempdir::~scopedtempdir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string scopedtempdir::file(const std::string& name) const { return (path_ / name).string(); }

std::string scopedtempdir::write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path p = path_ / name;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
  return p.string();
}

std::string scopedtempdir::mkdir(const std::string& name) const {
  const std::filesystem::path p = path_ / name;
  std::filesystem::create_directories(p);
  return p.string();
}

std::vector<std::string> comps(const vornfile::filepath& p) {
  std::vector<std::string> out;
  for (const vornfile::pathcomp& c : p) out.push_back(c.str());
  return out;
}

outcome capture(const std::function<void()>& call) {
  outcome out;
  ::testing::internal::CaptureStderr();
  try {
    call();
  } catch (const std::runtime_error& e) {
    out.thrown = e.what();
  } catch (...) {
    out.err = ::testing::internal::GetCapturedStderr();
    throw;
  }
  out.err = ::testing::internal::GetCapturedStderr();
  return out;
}

std::unique_ptr<envbuilder> parsetest::parse(const std::string& text, const std::string& file) {
  auto b = std::make_unique<envbuilder>(vornfile::filepath(dir_.write(file, text)));
  last_ = capture([&] { (*b)(); });
  return b;
}

}  // namespace vornenv::testing
