#include "vornenv/iniparser.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <memory_resource>
#include <string>
#include <vector>

#include "ini/inirun.h"
#include "support/diagnostics.h"
#include "support/private/hashindex.h"

namespace vornenv {

namespace {

// Space, \t, \n, \v, \f and \r: one comparison and one bit test.
bool iswhite(char c) {
  constexpr std::uint64_t kwhite = (1ull << ' ') | (1ull << '\t') | (1ull << '\n') |
                                   (1ull << '\v') | (1ull << '\f') | (1ull << '\r');
  const auto u = static_cast<unsigned char>(c);
  return u <= ' ' && ((kwhite >> u) & 1) != 0;
}

// Trims the blanks above from both ends; no other byte.
inline std::string_view trimview(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && iswhite(text[first])) ++first;
  if (first == text.size()) return {};
  std::size_t last = text.size() - 1;
  while (last > first && iswhite(text[last])) --last;
  return text.substr(first, last - first + 1);
}

std::string operator+(std::string_view a, const char* b) {
  std::string out(a);
  out += b;
  return out;
}

std::string entrytext(std::string_view name, std::string_view value) {
  std::string out(name);
  out += " --> ";
  out += value;
  return out;
}

// find(), not memchr(): an empty view may have no data at all, which
// memchr() must not be given.
bool holdsnul(std::string_view line) { return line.find('\0') != std::string_view::npos; }

// Ctrl-Z, the end-of-file mark of old DOS editors, at which a text-mode
// read stopped.
constexpr char kendmark = '\x1a';

bool holdsendmark(std::string_view line) { return line.find(kendmark) != std::string_view::npos; }

// Ends the view with a NUL byte in the spent buffer, so that a callback gets
// a C string without a copy.  The byte overwritten lies outside every view
// still in use: the closing bracket, the '=', or whitespace or the line feed
// after a value (or the string's own terminator at the very end).
const char* cstr(std::string_view v) {
  const_cast<char*>(v.data())[v.size()] = '\0';
  return v.data();
}

// The names met so far, for the uniqueness tests: a hash index over views
// of the names, since a file may hold millions of sections.  With keep, the
// set holds its own copies of the names in a pool, so that they outlive the
// text they came from, each ended by a NUL byte (no name holds one), so
// that a pointer finds it: a name costs its bytes and about 14 more.  A
// std::string each would cost a file of a million empty sections a fifth
// more memory.
class nameset {
 public:
  explicit nameset(bool keep) : keep_(keep) {}

  // False when name was there already.
  bool insert(std::string_view name) {
    const std::uint32_t hash = hashindex::hashof(name);
    if (hashindex::find(index_, name, hash, nameat{names_, kept_}) != hashindex::npos) {
      return false;
    }
    if (keep_) {
      char* copy = static_cast<char*>(pool_.allocate(name.size() + 1, 1));
      std::memcpy(copy, name.data(), name.size());
      copy[name.size()] = '\0';
      kept_.push_back(copy);
    } else {
      names_.push_back(name);
    }
    const std::size_t count = keep_ ? kept_.size() : names_.size();
    // The kept names live as long as the file, and a section's names may
    // be a million: such tables may be denser.  A typical section's stay
    // sparse, where probes cost more than slots.
    const bool dense = keep_ || count > (std::size_t{1} << 16);
    hashindex::insert(index_, count, count - 1, hash, nameat{names_, kept_}, dense);
    return true;
  }
  void clear() {
    if (names_.empty() && kept_.empty()) return;
    names_.clear();
    kept_.clear();
    // A large table is freed rather than wiped, so that many small sections
    // after a large one cost no more than they hold.
    if (index_.size() > 1024) {
      hashindex::slots().swap(index_);
    } else {
      std::fill(index_.begin(), index_.end(), 0);
    }
    pool_.release();
  }

 private:
  struct nameat {
    const std::deque<std::string_view>& names;
    const std::deque<const char*>& kept;
    std::string_view operator()(std::size_t i) const {
      return names.empty() ? std::string_view(kept[i]) : names[i];
    }
  };

  bool keep_;
  std::pmr::monotonic_buffer_resource pool_;
  std::deque<std::string_view> names_;  // without keep
  std::deque<const char*> kept_;        // with keep
  hashindex::slots index_;
};

// The significant lines of the blocks, one at a time: trimmed, without
// the lines that iscomment() tells apart (the reader's own rule, passed in
// by the run, which may name it).
template <class IsComment>
class linecursor {
 public:
  linecursor(std::vector<textblock>& blocks, IsComment iscomment)
      : blocks_(blocks), iscomment_(iscomment) {
    if (!blocks_.empty()) enterblock();
    next();
  }

  bool done() const { return block_ == blocks_.size(); }
  std::string_view line() const { return line_; }
  // The 1-based number of the current line in the text.
  std::size_t number() const { return number_; }
  // Whether the current line holds a NUL byte or a Ctrl-Z, neither of which
  // a header or an entry may hold.  Most files hold none, so each block is
  // searched once, before any of its lines is handed out, and only the
  // lines of a block that holds one are searched again.
  bool holdsforbidden() const {
    return (blocknul_ && vornenv::holdsnul(line_)) || (blockmark_ && holdsendmark(line_));
  }
  // Moves to the next significant line.
  void next() {
    while (block_ < blocks_.size()) {
      const textblock& b = blocks_[block_];
      const char* const end = b.bytes.get() + b.size;
      while (pos_ < end) {
        const char* nl = static_cast<const char*>(std::memchr(pos_, '\n', end - pos_));
        const char* stop = nl != nullptr ? nl : end;
        std::string_view line = trimview(std::string_view(pos_, stop - pos_));
        pos_ = stop + 1;
        ++counted_;
        // A comment holding a Ctrl-Z is handed out too, to fail: what
        // follows it would once have been dropped.
        if (!iscomment_(line) || (blockmark_ && holdsendmark(line))) {
          line_ = line;
          number_ = counted_;
          return;
        }
      }
      ++block_;
      if (block_ < blocks_.size()) enterblock();
    }
    line_ = {};
  }
  // Frees the blocks before the current line's.
  void release() {
    for (std::size_t i = released_; i < block_ && i < blocks_.size(); ++i) {
      blocks_[i].bytes.reset();
    }
    if (block_ > released_) released_ = block_;
  }

 private:
  void enterblock() {
    const textblock& b = blocks_[block_];
    pos_ = b.bytes.get();
    blocknul_ = std::memchr(pos_, '\0', b.size) != nullptr;
    blockmark_ = std::memchr(pos_, kendmark, b.size) != nullptr;
  }

  std::vector<textblock>& blocks_;
  IsComment iscomment_;
  std::size_t block_ = 0;
  std::size_t released_ = 0;
  const char* pos_ = nullptr;
  bool blocknul_ = false;
  bool blockmark_ = false;
  std::string_view line_;
  std::size_t counted_ = 0;  // lines passed so far, comments included
  std::size_t number_ = 0;
};

}  // namespace

iniparser::iniparser(const vornfile::filepath& path) : path_(path) {
  if (!path_.valid()) {
    const std::string name = path_.str();
    envfail(error(error::kind::invalidpath, name + " Provided ini file path is invalid!", name));
  }
}

iniparser::iniparser() = default;

iniparser::iniparser(const iniparser& other) = default;

iniparser::~iniparser() = default;

namespace {

std::string unreadablemessage(const std::string& name) {
  return name + " Provided ini file does not exist or is not readable!";
}

}  // namespace

void iniparser::operator()() {
  const std::string name = path_.str();
  // Binary mode: trimming already removes a carriage return, and the
  // Windows text mode would end the file at its first Ctrl-Z byte.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      name.empty() ? nullptr : std::fopen(name.c_str(), "rb"), std::fclose);
  parsefile(file.get(), name);
}

void iniparser::parsefile(std::FILE* file, const std::string& name) {
  const std::string unreadable = unreadablemessage(name);
  if (file == nullptr) envfail(error(error::kind::unreadable, unreadable, name));
  inirun(*this).parsenamed(name, [&] { return readblocks(file, unreadable); });
}

void iniparser::parsetext(std::string_view text, const std::string& name) {
  inirun(*this).parsenamed(name, [text] { return textblocks(text); });
}

bool iniparser::iscomment(std::string_view line) { return line.empty() || line.front() == ';'; }

bool iniparser::issection(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

std::string_view iniparser::getsection(std::string_view line) {
  std::string_view name = trimview(line.substr(1, line.size() - 2));
  if (name.empty()) envfail(error::kind::syntax, "invalid section provided with no name!");
  return name;
}

bool iniparser::isentry(std::string_view line) {
  const std::size_t first = line.find('=');
  return first != std::string_view::npos && line.find('=', first + 1) == std::string_view::npos;
}

std::pair<std::string_view, std::string_view> iniparser::getentry(std::string_view line) {
  // The line is trimmed already: only the blanks around the '=' remain.
  const std::size_t eq = line.find('=');
  std::string_view name = line.substr(0, eq);
  std::string_view value = line.substr(eq + 1);
  while (!name.empty() && iswhite(name.back())) name.remove_suffix(1);
  while (!value.empty() && iswhite(value.front())) value.remove_prefix(1);
  if (name.empty() || value.empty()) {
    // The line tells a host which side is empty without its reading the
    // message.
    envfail(errorplace::about(
        error(error::kind::emptyside,
              entrytext(name, value) + " either the name or value is null in entry!"),
        std::string(line)));
  }
  return {name, value};
}

namespace {

// Reads up to want bytes; fewer only at the end of the file.  A read that a
// signal interrupts (a host's handler installed without SA_RESTART) is no
// error and goes on; any other error fails with unreadable.
std::size_t readfully(char* to, std::size_t want, std::FILE* file, const std::string& unreadable) {
  std::size_t got = 0;
  while (got < want) {
    errno = 0;
    got += std::fread(to + got, 1, want - got, file);
    if (got == want || std::feof(file) != 0) break;
    // A read error is no end of file: applying half a file would be a
    // failure reported as success.  (A directory fails here at once.)  A
    // short read with neither flag set is a stream that cannot be read
    // (msvcrt's answer for one opened only to write): retrying would spin.
    if (std::ferror(file) == 0 || errno != EINTR) envfail(error::kind::unreadable, unreadable);
    std::clearerr(file);
  }
  return got;
}

}  // namespace

std::vector<textblock> readblocks(std::FILE* file, const std::string& unreadable,
                                  std::size_t blocksize) {
  std::vector<textblock> blocks;
  std::string carry;  // the start of a line that the last read cut off
  std::size_t want = blocksize;
  for (;;) {
    textblock b;
    b.bytes.reset(new char[carry.size() + want + 1]);
    std::memcpy(b.bytes.get(), carry.data(), carry.size());
    const std::size_t got = readfully(b.bytes.get() + carry.size(), want, file, unreadable);
    b.size = carry.size() + got;
    if (got < want) {
      if (b.size != 0) blocks.push_back(std::move(b));
      return blocks;
    }
    std::size_t keep = b.size;
    while (keep > 0 && b.bytes[keep - 1] != '\n') --keep;
    if (keep == 0) {
      // One line longer than a block: read on, twice as much each time.
      carry.assign(b.bytes.get(), b.size);
      want = carry.size();
      continue;
    }
    carry.assign(b.bytes.get() + keep, b.size - keep);
    want = blocksize;
    b.size = keep;
    blocks.push_back(std::move(b));
  }
}

std::vector<textblock> textblocks(std::string_view text) {
  std::vector<textblock> blocks(1);
  blocks[0].bytes.reset(new char[text.size() + 1]);
  if (!text.empty()) std::memcpy(blocks[0].bytes.get(), text.data(), text.size());
  blocks[0].size = text.size();
  return blocks;
}

void inirun::parse(std::string_view text) { parse(textblocks(text)); }

namespace {

// Ends the text at its end mark: one or more Ctrl-Z with only blanks among
// and after them, which a text-mode read used to stop at.  A Ctrl-Z
// anywhere else stays, and fails with its line.
void cutendmark(std::vector<textblock>& blocks) {
  std::size_t markblock = blocks.size(), markpos = 0;
  for (std::size_t b = blocks.size(); b-- > 0;) {
    const char* bytes = blocks[b].bytes.get();
    std::size_t i = blocks[b].size;
    while (i > 0 && (iswhite(bytes[i - 1]) || bytes[i - 1] == kendmark)) {
      if (bytes[--i] == kendmark) {
        markblock = b;
        markpos = i;
      }
    }
    if (i > 0) break;
  }
  if (markblock == blocks.size()) return;
  blocks[markblock].size = markpos;
  blocks.resize(markblock + 1);  // the blocks after it held only blanks
}

}  // namespace

void inirun::parse(std::vector<textblock> blocks) {
  cutendmark(blocks);
  // Section names outlive the blocks they came from; entry names live no
  // longer than their section, whose blocks are kept until it ends.
  nameset sections(true);
  nameset entries(false);
  linecursor cursor(blocks, [](std::string_view line) { return iniparser::iscomment(line); });
  // The reader's own failures, at the line being read.
  const auto fail = [&cursor](error::kind k, const std::string& message,
                              std::string_view section = {}, std::string_view entry = {},
                              std::string_view subject = {}) {
    envfail(errorplace::about(
        error(k, message, std::string(), cursor.number(), std::string(section), std::string(entry)),
        std::string(subject)));
  };
  while (!cursor.done()) {
    const std::string_view line = cursor.line();
    // A line holding NUL is neither header nor entry: the callbacks could
    // only see it cut short.  Nor is one holding a Ctrl-Z, which once ended
    // the file.
    if (!iniparser::issection(line) || cursor.holdsforbidden()) {
      fail(error::kind::syntax, line + " invalid entry found in ini file!", {}, {}, line);
    }
    // Everything before this header belongs to ended sections.
    cursor.release();
    const std::size_t header = cursor.number();
    const std::string_view name =
        locating([line] { return iniparser::getsection(line); }, header, {}, {});
    if (!sections.insert(name)) {
      fail(error::kind::duplicate, name + " duplicate sections defined!", name);
    }
    handler_.line_ = header;
    if (!locating([&] { return handler_.beginsection(cstr(name)); }, header, name, {})) {
      fail(error::kind::other, name + " no begining of section found where expected!", name);
    }
    entries.clear();
    for (cursor.next(); !cursor.done(); cursor.next()) {
      const std::string_view entryline = cursor.line();
      if (!iniparser::isentry(entryline) || cursor.holdsforbidden()) break;
      const std::size_t at = cursor.number();
      const auto split = locating([&] { return iniparser::getentry(entryline); }, at, name, {});
      const std::string_view key = split.first, value = split.second;
      if (!entries.insert(key)) {
        fail(error::kind::duplicate, key + " duplicate entry in section!", name, key);
      }
      handler_.line_ = at;
      if (!locating([&] { return handler_.newentry(cstr(key), cstr(value)); }, at, name, key)) {
        // The builder's sections refuse an entry only for a missing directory.
        fail(error::kind::missingdir, entrytext(key, value) + " invalid entry found!", name, key,
             value);
      }
    }
    handler_.line_ = header;
    if (!locating([&] { return handler_.endsection(); }, header, name, {})) {
      fail(error::kind::other, "section definition did not conform!", name);
    }
  }
  handler_.line_ = 0;
}

}  // namespace vornenv
