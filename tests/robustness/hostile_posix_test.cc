// Hostile input that only POSIX can stage.

#include <gtest/gtest.h>
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/testsupport.h"
#include "vornenv/envbuilder.h"

namespace vornenv {
namespace {

using testing::scopedtempdir;
using vornfile::filepath;

TEST(hostile_posix_test, file_that_becomes_unreadable_before_the_parse) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  scopedtempdir dir;
  const std::string path = dir.write("locked.ini", "[Settings]\n");
  envbuilder b{filepath(path)};
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  EXPECT_ASSERTION(b(), path + " Provided ini file does not exist or is not readable!");
}

// Bytes of the heap in use, small blocks and mapped ones.
std::size_t heapinuse() {
  const struct mallinfo2 m = ::mallinfo2();
  return m.uordblks + m.hblkhd;
}

TEST(hostile_posix_test, an_empty_section_costs_little_more_than_its_name) {
  // Kept for lookups, a section costs what it holds: a file of 10-byte
  // headers must not need a kilobyte a header.
  scopedtempdir dir;
  std::string bytes;
  const int count = 200000;
  for (int i = 0; i < count; ++i) bytes += "[s" + std::to_string(1000000 + i) + "]\n";
  envbuilder b{filepath(dir.write("empty.ini", bytes))};
  bytes = std::string();
  const std::size_t before = heapinuse();
  b();
  const std::size_t after = heapinuse();
  // Sanitizers bring allocators of their own, which glibc does not count.
  if (after == before) GTEST_SKIP() << "the heap is not glibc's";
  ASSERT_EQ(b.sectionnames().size(), std::size_t{count});
  EXPECT_LT((after - before) / count, 160u);
}

TEST(hostile_posix_test, fifo_is_read_to_its_end) {
  scopedtempdir dir;
  const std::string path = dir.file("pipe.ini");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  // A writer on another process end: fork keeps the test self-contained.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FILE* f = std::fopen(path.c_str(), "w");
    std::string text = "[Settings]\n";
    for (int i = 0; i < 20000; ++i) text += "k" + std::to_string(i) + " = v\n";
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    ::_exit(0);
  }
  envbuilder b{filepath(path)};
  b();
  EXPECT_EQ(b.getsection("Settings").getentry("k19999").value(), "v");
  int status = 0;
  ::waitpid(child, &status, 0);
}

TEST(hostile_posix_test, read_interrupted_by_a_signal_goes_on) {
  // A host's handler without SA_RESTART makes a blocked read fail with
  // EINTR: that is no unreadable file.
  struct sigaction quiet {
  }, old{};
  quiet.sa_handler = [](int) {};
  sigemptyset(&quiet.sa_mask);
  quiet.sa_flags = 0;
  ASSERT_EQ(::sigaction(SIGUSR1, &quiet, &old), 0);
  scopedtempdir dir;
  const std::string path = dir.file("slow.ini");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("[Settings]\nfirst = 1\n", f);
    std::fflush(f);
    // The reader now waits for more; interrupt it, then finish.
    ::usleep(200 * 1000);
    ::kill(parent, SIGUSR1);
    ::usleep(200 * 1000);
    std::fputs("second = 2\n", f);
    std::fclose(f);
    ::_exit(0);
  }
  envbuilder b{filepath(path)};
  const auto out = testing::capture([&] { b(); });
  int status = 0;
  ::waitpid(child, &status, 0);
  ::sigaction(SIGUSR1, &old, nullptr);
  EXPECT_FALSE(out.thrown) << out.err;
  EXPECT_EQ(b.getsection("Settings").getentry("second").value(), "2");
}

}  // namespace
}  // namespace vornenv
