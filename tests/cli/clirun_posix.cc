// POSIX side of the test runner: posix_spawn, output into files.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "cli/clirun.h"
#include "support/testsupport.h"

extern char** environ;

namespace vornenv::testing {

ranprogram runprogram(const std::vector<std::string>& argv,
                      const std::optional<std::string>& input) {
  // Files, not pipes: nothing to drain while the child runs.
  scopedtempdir dir;
  const std::string out = dir.file("out"), err = dir.file("err"), in = dir.file("in");
  if (input) std::ofstream(in, std::ios::binary) << *input;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input ? in.c_str() : "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
  }
  ranprogram r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

std::string nativepath(const std::string& path) { return path; }

std::string libfile(const std::string& base) { return "lib" + base + ".so"; }

std::optional<std::string> jsonofbyteff() { return "\\u00FF"; }

}  // namespace vornenv::testing
