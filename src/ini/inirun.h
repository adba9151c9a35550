// One parse run of an iniparser, over text already in memory.  The reader's
// operator() reads the whole file into blocks of whole lines and hands them
// here; the fuzzer calls parse() with text of its own.

#ifndef VORNENV_INI_INIRUN_H_
#define VORNENV_INI_INIRUN_H_

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vornenv/iniparser.h"

namespace vornenv {

// A block of the file's text that holds whole lines only (the last block may
// end without a line feed), with one spare byte after them.
struct textblock {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
};

// Reads the whole file into blocks of about blocksize bytes (a line longer
// than that gets a block of its own).  Fails with unreadable when reading
// fails for any reason other than the end of the file.
constexpr std::size_t kblocksize = std::size_t{1} << 20;
std::vector<textblock> readblocks(std::FILE* file, const std::string& unreadable,
                                  std::size_t blocksize = kblocksize);

class inirun {
 public:
  explicit inirun(iniparser& handler) : handler_(handler) {}

  // Classifies the lines and makes the callbacks.  The run writes NUL bytes
  // into the blocks to hand names and values over without copying them, and
  // frees each block once the sections that use it are done, so memory for
  // the text falls as memory for what the handler keeps grows.
  void parse(std::vector<textblock> blocks);
  void parse(const std::string& text);

 private:
  iniparser& handler_;
};

}  // namespace vornenv

#endif  // VORNENV_INI_INIRUN_H_
