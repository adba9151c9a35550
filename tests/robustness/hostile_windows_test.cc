// Hostile input that only Windows can stage.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include "support/testsupport.h"
#include "vornenv/envbuilder.h"

namespace vornenv {
namespace {

using testing::scopedtempdir;
using vornfile::filepath;

TEST(hostile_windows_test, file_locked_by_another_handle_before_the_parse) {
  scopedtempdir dir;
  const std::string path = dir.write("locked.ini", "[Settings]\n");
  envbuilder b{filepath(path)};
  // No sharing: every other open fails while this handle lives.
  HANDLE lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_ASSERTION(b(),
                   filepath(path).str() + " Provided ini file does not exist or is not readable!");
  ::CloseHandle(lock);
  b();
  EXPECT_EQ(b.sectionnames(), (std::vector<std::string>{"Settings"}));
}

}  // namespace
}  // namespace vornenv
