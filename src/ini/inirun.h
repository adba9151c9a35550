// One parse run of an iniparser, over text already in memory.  The reader's
// parses read the whole file into blocks of whole lines (or take the text
// they are given) and hand them here; the fuzzer calls parse() with text of
// its own.

#ifndef VORNENV_INI_INIRUN_H_
#define VORNENV_INI_INIRUN_H_

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/diagnostics.h"
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

// One block holding text, for a run over text already in memory.
std::vector<textblock> textblocks(std::string_view text);

class inirun {
 public:
  explicit inirun(iniparser& handler) : handler_(handler) {}

  // read() then parse(), as one run of the reader over the file called
  // name: a failure of either gets name as its file, and the reader's
  // current line is 0 again when the run ends, however it ends.
  template <class Read>
  void parsenamed(const std::string& name, Read read) {
    struct endrun {
      iniparser& parser;
      ~endrun() { parser.line_ = 0; }
    } ending{handler_};
    try {
      parse(read());
    } catch (error& e) {
      // Nothing below knows the file's name.
      errorplace::fill(e, name, 0, {}, {});
      throw;
    }
  }

  // Classifies the lines and makes the callbacks.  The run writes NUL bytes
  // into the blocks to hand names and values over without copying them, and
  // frees each block once the sections that use it are done, so memory for
  // the text falls as memory for what the handler keeps grows.
  void parse(std::vector<textblock> blocks);
  void parse(std::string_view text);

 private:
  iniparser& handler_;
};

}  // namespace vornenv

#endif  // VORNENV_INI_INIRUN_H_
