// The host's own failures, and the library's as the host reports them.

#ifndef VORNENV_CLI_OS_ERRORS_H_
#define VORNENV_CLI_OS_ERRORS_H_

#include <stdexcept>
#include <string>

namespace vornenv::cli {

// Something the host itself cannot do; main writes "vornenv: " and the
// message ("context: cause") and exits with 1.
class failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A description file that failed, as a person reads it:
// "FILE:LINE: error: message" (no LINE when none is concerned), the
// library's message with control characters escaped.  main writes it and
// exits with 1.
class filefailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command line the host cannot make sense of; main writes the message with
// a hint to the command's help and exits with 2.
class usageerror : public std::runtime_error {
 public:
  usageerror(std::string command, const std::string& message)
      : std::runtime_error(message), command_(std::move(command)) {}
  // The command whose help the hint names; empty for the tool's own.
  const std::string& command() const { return command_; }

 private:
  std::string command_;
};

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OS_ERRORS_H_
