#include "vornenv/iniparser.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <set>
#include <vector>

#include "ini/inirun.h"
#include "support/diagnostics.h"

namespace vornenv {

namespace {

bool iswhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
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

bool holdsnul(std::string_view line) {
  return std::memchr(line.data(), '\0', line.size()) != nullptr;
}

// Ends the view with a NUL byte in the spent buffer, so that a callback gets
// a C string without a copy.  The byte overwritten lies outside every view
// still in use: the closing bracket, the '=', or whitespace or the line feed
// after a value (or the string's own terminator at the very end).
const char* cstr(std::string_view v) {
  const_cast<char*>(v.data())[v.size()] = '\0';
  return v.data();
}

// The names met so far, for the uniqueness tests: an ordered set of views
// into the text (nothing is copied) whose nodes come from a pool, so that
// adding a name costs no allocation of its own and emptying the set frees
// them all at once.
class nameset {
 public:
  // False when name was there already.
  bool insert(std::string_view name) { return names_.insert(name).second; }
  void clear() {
    names_.clear();
    pool_.release();
  }

 private:
  std::pmr::monotonic_buffer_resource pool_;
  std::pmr::set<std::string_view> names_{&pool_};
};

}  // namespace

std::string_view trimstr(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && iswhite(text[first])) ++first;
  if (first == text.size()) return {};
  std::size_t last = text.size() - 1;
  while (last > first && iswhite(text[last])) --last;
  return text.substr(first, last - first + 1);
}

iniparser::iniparser(const vornfile::filepath& path) : path_(path) {
  if (!path_.valid()) envfail(path_.str() + " Provided ini file path is invalid!");
}

iniparser::iniparser(const iniparser& other) = default;

iniparser::~iniparser() = default;

void iniparser::operator()() {
  const std::string name = path_.str();
  const std::string unreadable = name + " Provided ini file does not exist or is not readable!";
  // Binary mode: trimming already removes a carriage return, and the
  // Windows text mode would end the file at its first Ctrl-Z byte.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"),
                                                       std::fclose);
  if (!file) envfail(unreadable);

  // The first block settles most files, and fails at once for a path that
  // opens but cannot be read, such as a directory.
  std::string text(std::size_t{1} << 16, '\0');
  std::size_t size = std::fread(&text[0], 1, text.size(), file.get());
  if (size == text.size()) {
    // A large file: take its size as a hint, so that the buffer grows once.
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
      const long endpos = std::ftell(file.get());
      const bool back = std::fseek(file.get(), static_cast<long>(size), SEEK_SET) == 0;
      if (!back) envfail(unreadable);
      if (endpos > 0 && static_cast<std::size_t>(endpos) >= size) {
        text.resize(static_cast<std::size_t>(endpos) + 1);
      }
    }
    for (;;) {
      if (size == text.size()) text.resize(text.size() * 2);
      const std::size_t got = std::fread(&text[size], 1, text.size() - size, file.get());
      size += got;
      if (got == 0) break;
    }
  }
  // A read error is no end of file: applying half a file would be a
  // failure reported as success.
  if (std::ferror(file.get()) != 0) envfail(unreadable);
  file.reset();
  text.resize(size);
  inirun(*this).parse(text);
}

bool iniparser::iscomment(std::string_view line) {
  return line.empty() || line.front() == ';';
}

bool iniparser::issection(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

std::string_view iniparser::getsection(std::string_view line) {
  std::string_view name = trimstr(line.substr(1, line.size() - 2));
  if (name.empty()) envfail("invalid section provided with no name!");
  return name;
}

bool iniparser::isentry(std::string_view line) {
  std::size_t first = line.find('=');
  return first != std::string_view::npos && first == line.rfind('=');
}

std::pair<std::string_view, std::string_view> iniparser::getentry(std::string_view line) {
  std::size_t eq = line.find('=');
  std::string_view name = trimstr(line.substr(0, eq));
  std::string_view value = trimstr(line.substr(eq + 1));
  if (name.empty() || value.empty()) {
    envfail(entrytext(name, value) + " either the name or value is null in entry!");
  }
  return {name, value};
}

void inirun::parse(std::string& text) {
  // Reading pass: every significant line, trimmed, as a view into text.
  std::vector<std::string_view> lines;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
    const char* stop = nl != nullptr ? nl : end;
    std::string_view line = trimstr(std::string_view(p, stop - p));
    if (!iniparser::iscomment(line)) lines.push_back(line);
    p = stop + 1;
  }

  // Classification pass.  The sets hold views into text, which outlives them.
  nameset sections;
  nameset entries;
  std::size_t i = 0;
  const std::size_t n = lines.size();
  while (i < n) {
    std::string_view line = lines[i];
    // A line holding NUL is neither header nor entry: the callbacks could
    // only see it cut short.
    if (!iniparser::issection(line) || holdsnul(line)) {
      envfail(line + " invalid entry found in ini file!");
    }
    std::string_view name = iniparser::getsection(line);
    if (!sections.insert(name)) envfail(name + " duplicate sections defined!");
    if (!handler_.beginsection(cstr(name))) {
      envfail(name + " no begining of section found where expected!");
    }
    entries.clear();
    ++i;
    while (i < n && iniparser::isentry(lines[i]) && !holdsnul(lines[i])) {
      auto [key, value] = iniparser::getentry(lines[i]);
      if (!entries.insert(key)) envfail(key + " duplicate entry in section!");
      if (!handler_.newentry(cstr(key), cstr(value))) {
        envfail(entrytext(key, value) + " invalid entry found!");
      }
      ++i;
    }
    if (!handler_.endsection()) envfail("section definition did not conform!");
  }
}

}  // namespace vornenv
