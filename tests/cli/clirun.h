// Running the built vornenv (and other programs) from the host's tests.

#ifndef VORNENV_TESTS_CLI_CLIRUN_H_
#define VORNENV_TESTS_CLI_CLIRUN_H_

#include <optional>
#include <string>
#include <vector>

namespace vornenv::testing {

// What a finished program left behind.
struct ranprogram {
  int status = -1;  // exit status; 128 + signal when a signal ended it
  std::string out;
  std::string err;
};

// Runs argv[0] (a path, not searched for) with argv and the environment of
// the test process, and waits for it.  Its standard input holds input, or
// is empty (the null device).
ranprogram runprogram(const std::vector<std::string>& argv,
                      const std::optional<std::string>& input = std::nullopt);

// runprogram() of the built vornenv with args.
ranprogram runvornenv(const std::vector<std::string>& args,
                      const std::optional<std::string>& input = std::nullopt);

// A path of the build, as the program under test must be given it.
std::string nativepath(const std::string& path);

// The probe child (tests/cli/probe.cc), as the program under test must be
// given it.
std::string probe();

// The file name of a shared library called base on this platform.
std::string libfile(const std::string& base);

// What the host's JSON export writes for a description file's byte 0xFF,
// which is not UTF-8: \u00FF on POSIX, where the byte is kept; on Windows
// the host runs in UTF-8, which no such byte is text of: std::nullopt, the
// value is refused.
std::optional<std::string> jsonofbyteff();

// The whole file, bytes as they are.
std::string slurp(const std::string& path);

// text with each "\r\n" turned into "\n": probe writes in text mode.
std::string lf(std::string text);

// "hex" of text, as probe prints it.
std::string hex(const std::string& text);

}  // namespace vornenv::testing

#endif  // VORNENV_TESTS_CLI_CLIRUN_H_
