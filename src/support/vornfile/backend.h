// What each platform backend of vornfile (fs_posix.cc, fs_windows.cc)
// provides to the platform-neutral code.  Exactly one backend is compiled in,
// chosen by CMake.

#ifndef VORNFILE_BACKEND_H_
#define VORNFILE_BACKEND_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vornfile/vornfile.h"

namespace vornfile {

namespace detail {

// Where a path's text ends its root, and how many components follow.
struct textshape {
  std::size_t rootlen;
  std::size_t ncomps;
};
// Appends the text of the path that text reads as (what str() gives) to out.
textshape appendtext(std::string_view text, std::string& out);
// Appends the comparison key of a path with the given text (as appendtext
// wrote it) to out.  REQUIRES: when text views out, out has room for the
// key, so that text stays in place.
void appendkey(std::string_view text, textshape shape, std::string& out);

}  // namespace detail

// The library's own reach into a path: its text without a copy, and paths
// read from a piece of a longer text.
class filepathaccess {
 public:
  static std::string_view text(const filepath& p) { return p.text(); }
  static std::string_view key(const filepath& p) { return p.key(); }
  // Reads text into p, reusing p's buffer.
  static void parse(filepath& p, std::string_view text) { p.parse(text); }
  // The text, NUL-terminated.
  static const char* cstr(const filepath& p) { return p.buf_.c_str(); }
  static filepath frompiece(std::string_view text) {
    filepath p;
    p.parse(text);
    return p;
  }
};

}  // namespace vornfile

namespace vornfile::backend {

// The separator that str() writes.
char nativesep();
// The platform's path-list separator, which no valid path may hold.
char listsep();
// Splits the root off the start of text: appends its normalised form (with
// its separator, e.g. "/" or "C:\") to root and returns how many bytes of text
// it took.  A relative text appends nothing and gives 0.
std::size_t splitroot(std::string_view text, std::string& root);
// Whether a root, as splitroot() writes it, names one place whatever the
// working directory.
bool qualifiedroot(std::string_view root);
// Folds letter case in [first, last) in place, byte for byte (nothing on
// POSIX).
void fold(char* first, char* last);
// Whether fold() changes anything at all.
bool foldscase();
// How much of a component counts when paths are compared: on Windows, which
// drops a single trailing dot from a component ("bin1.\\x" opens
// "bin1\\x"), the component without it; elsewhere the whole component.
std::size_t significantlength(std::string_view component);
// Whether significantlength() ever differs from the component's length.
bool trimscomponents();
bool isdirectory(const char* path);
// Bare file names of the shared libraries in dir, in any order.
std::vector<std::string> listlibraries(const std::string& dir);
// The platform's own system directories, in search order.
std::vector<std::string> systemdirs();

}  // namespace vornfile::backend

#endif  // VORNFILE_BACKEND_H_
