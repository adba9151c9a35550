#include "vornenv/diagnostics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iomanip>
#include <iostream>
#include <thread>
#include <utility>
#include <vector>

#include "support/testsupport.h"

namespace vornenv {
namespace {

using testing::capture;

TEST(diagnostics_test, true_condition_is_silent) {
  auto out = capture([] {
    envassert(true, "never shown");
    envwarn(true, "never shown");
  });
  EXPECT_EQ(out.err, "");
  EXPECT_FALSE(out.thrown);
}

TEST(diagnostics_test, assertion_writes_prefix_and_throws_bare_message) {
  EXPECT_ASSERTION(envassert(false, " leading blank kept"), " leading blank kept");
  EXPECT_ASSERTION(envassert(false, ""), "");
}

TEST(diagnostics_test, warning_writes_prefix_and_returns) {
  auto out = capture([] {
    envwarn(false, "look out");
    envwarn(false, "");
  });
  EXPECT_FALSE(out.thrown);
  EXPECT_EQ(out.err, "****WARNING****: look out\n****WARNING****: \n");
}

TEST(diagnostics_test, prefix_honours_a_field_width) {
  auto out = capture([] {
    std::cerr << std::setw(20);
    envwarn(false, "w");
  });
  EXPECT_EQ(out.err, "   ****WARNING****: w\n");
}

// Puts the default handler back however a test ends.
class handler_test : public ::testing::Test {
 protected:
  ~handler_test() override { setdiagnostichandler(nullptr); }
};

TEST_F(handler_test, a_handler_takes_the_reports_instead_of_cerr) {
  std::vector<std::pair<severity, std::string>> seen;
  setdiagnostichandler([&seen](severity s, const std::string& m) { seen.emplace_back(s, m); });
  auto out = capture([] {
    envwarn(false, "w");
    envassert(false, std::string("a\0b", 3));
  });
  EXPECT_EQ(out.err, "");
  // The assertion still throws, its message whole.
  EXPECT_EQ(out.thrown, std::optional<std::string>("a"));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_pair(severity::warning, std::string("w")));
  EXPECT_EQ(seen[1], std::make_pair(severity::assertion, std::string("a\0b", 3)));
  try {
    envassert(false, "kind");
  } catch (const error& e) {
    EXPECT_EQ(e.what_kind(), error::kind::other);
    EXPECT_EQ(e.line(), 0u);
    EXPECT_EQ(e.file(), "");
  }
}

TEST_F(handler_test, the_default_comes_back_as_a_callable_and_for_an_empty_handler) {
  const diagnostichandler first = setdiagnostichandler([](severity, const std::string&) {});
  ASSERT_TRUE(first);
  // The default, handed back, writes as the default does.
  auto out = capture([&] { first(severity::warning, "from the default"); });
  EXPECT_EQ(out.err, "****WARNING****: from the default\n");
  EXPECT_TRUE(setdiagnostichandler(first));
  EXPECT_ASSERTION(envassert(false, "restored"), "restored");
  setdiagnostichandler([](severity, const std::string&) {});
  EXPECT_TRUE(setdiagnostichandler(nullptr));
  EXPECT_ASSERTION(envassert(false, "empty restores"), "empty restores");
}

// Reports from several threads while another swaps handlers: each report
// reaches exactly one handler, whole.
TEST_F(handler_test, setting_is_safe_while_other_threads_report) {
  std::atomic<int> one{0}, two{0}, bad{0};
  const auto counter = [&bad](std::atomic<int>& n) {
    return [&n, &bad](severity s, const std::string& m) {
      if (s != severity::warning || m != "tick") ++bad;
      ++n;
    };
  };
  setdiagnostichandler(counter(one));
  constexpr int kthreads = 3, kreports = 2000;
  std::vector<std::thread> reporters;
  for (int t = 0; t < kthreads; ++t) {
    reporters.emplace_back([] {
      for (int i = 0; i < kreports; ++i) envwarn(false, "tick");
    });
  }
  for (int i = 0; i < 500; ++i) setdiagnostichandler(counter(i % 2 == 0 ? two : one));
  for (std::thread& t : reporters) t.join();
  EXPECT_EQ(one + two, kthreads * kreports);
  EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace vornenv
