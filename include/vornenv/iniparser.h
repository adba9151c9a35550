// iniparser: the reader of environment description files.
//
// A description file is text made of lines.  Each line is trimmed of the
// bytes space, \t, \n, \v, \f and \r at both ends; then it is
//   * a comment when it is empty or starts with ';' (dropped wherever it
//     stands; it never ends a section),
//   * a section header "[name]" (the name trimmed, not empty),
//   * an entry "name = value", holding '=' exactly once (both sides trimmed,
//     neither empty).
// The first significant line must be a header; a header is followed by its
// entries; the first line after them that is no entry must be a header again.
// Section names are unique in the file, entry names within their section,
// compared byte for byte.  One or more Ctrl-Z bytes (0x1A, the old end-of-file
// mark) with only blanks among and after them end the file; any other line
// holding a Ctrl-Z, comment lines included, fails as a line holding a NUL
// byte does: what follows a Ctrl-Z is never dropped silently.
//
// The reader gives no meaning to any name: it hands what it finds, in file
// order, to three callbacks that a derived class implements.  Every failure
// is reported as an assertion (see <vornenv/diagnostics.h>) and ends the run
// with a vornenv::error (a std::runtime_error) carrying the message, the
// file, the line and the section and entry concerned.

#ifndef VORNENV_INIPARSER_H_
#define VORNENV_INIPARSER_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "vornenv/diagnostics.h"
#include "vornenv/export.h"
#include "vornfile/vornfile.h"

namespace vornenv {

class inirun;

class VORNENV_EXPORT iniparser {
 public:
  // Keeps a copy of path; does not open the file.  Fails with the path's
  // text followed by " Provided ini file path is invalid!" when
  // path.valid() is false, and then no reader exists.
  explicit iniparser(const vornfile::filepath& path);
  // A reader without a file of its own, for a host that opens the file
  // itself or holds its text already and hands it to parsefile() or
  // parsetext().  Its path is the empty path, so operator()() fails as for
  // a file that cannot be opened, under the name "".
  iniparser();
  iniparser(const iniparser& other);
  iniparser& operator=(const iniparser&) = delete;
  virtual ~iniparser();

  // One parse run: reads the whole file, then calls, for each section in
  // file order, beginsection(), newentry() for each of its entries, and
  // endsection().  A file without significant lines makes no call.  Each run
  // reads the file afresh and remembers nothing of earlier runs.
  //
  // Fails (vornenv::error, after the assertion is reported) when the file
  // cannot be opened or read, at the first syntax error, at a repeated name,
  // or when a callback returns false.  Sections reported before the failure
  // stay reported; the section in which it arises gets no endsection().  An
  // exception thrown by a callback passes through unchanged, except that a
  // vornenv::error gets the file, line, section and entry it does not name
  // yet (the callback's header or entry).
  void operator()();

  // The same run over the text of a file that the caller has opened for
  // reading (in binary mode), from its current position to its end, read in
  // the reader's own blocks as operator()() reads its file.  name stands
  // for the file in messages and in error::file(), where operator()() puts
  // its path's text.  Sections, entries, lines, failures and their
  // messages are exactly those of operator()() on a file of that content
  // and that name.  A null file is one that could not be opened: the run
  // fails with name + " Provided ini file does not exist or is not
  // readable!" (kind unreadable) before any callback.  The file is the
  // caller's to close; it may be a pipe.
  void parsefile(std::FILE* file, const std::string& name);

  // The same run over text, the whole description, already read: for a
  // host that must parse exactly the bytes it has checked (a hash, a size
  // bound).  name as for parsefile().
  void parsetext(std::string_view text, const std::string& name);

  // The 1-based line of the header (beginsection(), endsection()) or entry
  // (newentry()) whose callback is running, for a host that points at the
  // file from inside a callback or a diagnostics handler; 0 outside a run.
  std::size_t currentline() const { return line_; }

 private:
  friend class inirun;

  // The callbacks.  The strings are NUL-terminated and valid only for the
  // duration of the call: copy what you keep.  Returning false stops the run
  // with the reader's own assertion:
  //   beginsection: name + " no begining of section found where expected!"
  //   newentry:     name + " --> " + value + " invalid entry found!"
  //   endsection:   "section definition did not conform!"
  virtual bool beginsection(const char* name) = 0;
  virtual bool endsection() = 0;
  virtual bool newentry(const char* name, const char* value) = 0;

  // Line classes; each takes one trimmed significant line.
  static bool iscomment(std::string_view line);
  static bool issection(std::string_view line);
  // The name between the brackets, trimmed; fails when it is empty.
  static std::string_view getsection(std::string_view line);
  static bool isentry(std::string_view line);
  // Name and value, trimmed; fails when either is empty.
  static std::pair<std::string_view, std::string_view> getentry(std::string_view line);

  vornfile::filepath path_;
  std::size_t line_ = 0;
};

}  // namespace vornenv

#endif  // VORNENV_INIPARSER_H_
