// vornfile: a file-path value type and the directory, library and path-list
// queries that vornenv needs.
//
// Path text:
//   * '/' and '\' both separate components, on every platform; str() writes
//     the platform's own separator ('\' on Windows, '/' elsewhere).
//   * Repeated separators and "." components vanish, a trailing separator is
//     dropped, ".." is kept as written.  A relative path that loses every
//     component this way is the one-component path ".".
//   * An absolute path keeps its root: "/" on POSIX; a drive ("C:", "C:\"),
//     a lone "\" or "\\server\share" on Windows.
//
// Ordering (operator<) compares the root, then the components one by one; on
// Windows letter case is folded (ASCII), elsewhere it is significant.  Each
// path carries that order as one key (the folded root, then each folded
// component after a NUL byte), so a comparison is one byte comparison that
// never re-parses or re-folds.
//
// Not thread-safe beyond what std::string is: a path may be read from many
// threads at once, but not read while it is written.

#ifndef VORNFILE_VORNFILE_H_
#define VORNFILE_VORNFILE_H_

#include <cstddef>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vornfile/export.h"

namespace vornfile {

class filepathaccess;  // the library's own access to a path's text

// One component of a path: a file or directory name, never empty, never
// holding a separator.
class VORNFILE_EXPORT pathcomp {
 public:
  pathcomp() = default;
  // REQUIRES: text holds no separator.
  explicit pathcomp(std::string text);

  // The component's characters, as written.
  std::string str() const { return text_; }

  // Component order: the folded text, byte by byte (unsigned).
  bool operator<(const pathcomp& other) const;
  bool operator==(const pathcomp& other) const;
  bool operator!=(const pathcomp& other) const { return !(*this == other); }

 private:
  friend class filepath;
  // A component read out of a path, whose key is already folded.
  pathcomp(std::string_view text, std::string_view key);
  const std::string& key() const { return key_.empty() ? text_ : key_; }

  std::string text_;
  std::string key_;  // folded text_, kept only when it differs from text_
};

class VORNFILE_EXPORT filepath {
 public:
  // Random-access positions over the components.  A position holds an index,
  // so it may step one before the first component and back again (assign()
  // can return such a position).  A path keeps its components as one text,
  // so reading through a position gives a pathcomp by value; components
  // are changed only through assign(), which keeps the comparison key in
  // step.
  template <class Path>
  class basic_iterator {
   public:
    // What operator-> gives: the component, held for the expression.
    class arrow {
     public:
      const pathcomp* operator->() const { return &c_; }

     private:
      friend class basic_iterator;
      explicit arrow(pathcomp c) : c_(std::move(c)) {}
      pathcomp c_;
    };

    using iterator_category = std::random_access_iterator_tag;
    using value_type = pathcomp;
    using difference_type = std::ptrdiff_t;
    using pointer = arrow;
    using reference = pathcomp;

    basic_iterator() = default;
    // Mutable positions convert to read-only ones.
    template <class P>
    basic_iterator(const basic_iterator<P>& other)  // NOLINT: implicit
        : p_(other.p_), i_(other.i_) {}

    reference operator*() const { return p_->component(i_); }
    pointer operator->() const { return arrow(**this); }
    reference operator[](difference_type n) const { return *(*this + n); }

    basic_iterator& operator++() {
      ++i_;
      return *this;
    }
    basic_iterator operator++(int) {
      basic_iterator t = *this;
      ++i_;
      return t;
    }
    basic_iterator& operator--() {
      --i_;
      return *this;
    }
    basic_iterator operator--(int) {
      basic_iterator t = *this;
      --i_;
      return t;
    }
    basic_iterator& operator+=(difference_type n) {
      i_ += n;
      return *this;
    }
    basic_iterator& operator-=(difference_type n) {
      i_ -= n;
      return *this;
    }
    friend basic_iterator operator+(basic_iterator it, difference_type n) { return it += n; }
    friend basic_iterator operator+(difference_type n, basic_iterator it) { return it += n; }
    friend basic_iterator operator-(basic_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const basic_iterator& a, const basic_iterator& b) {
      return a.i_ - b.i_;
    }
    friend bool operator==(const basic_iterator& a, const basic_iterator& b) {
      return a.i_ == b.i_;
    }
    friend bool operator!=(const basic_iterator& a, const basic_iterator& b) {
      return a.i_ != b.i_;
    }
    friend bool operator<(const basic_iterator& a, const basic_iterator& b) { return a.i_ < b.i_; }
    friend bool operator>(const basic_iterator& a, const basic_iterator& b) { return a.i_ > b.i_; }
    friend bool operator<=(const basic_iterator& a, const basic_iterator& b) {
      return a.i_ <= b.i_;
    }
    friend bool operator>=(const basic_iterator& a, const basic_iterator& b) {
      return a.i_ >= b.i_;
    }

   private:
    template <class>
    friend class basic_iterator;
    friend class filepath;
    basic_iterator(Path* p, difference_type i) : p_(p), i_(i) {}

    Path* p_ = nullptr;
    difference_type i_ = 0;
  };
  using iterator = basic_iterator<filepath>;
  using const_iterator = basic_iterator<const filepath>;

  // The empty path: no root, no component, not valid().
  filepath();
  filepath(const std::string& text);  // NOLINT: implicit, a path is its text
  filepath(const char* text);         // NOLINT: nullptr gives the empty path

  // False for the empty path and for a path holding a byte below 0x20, one
  // of < > " | ? *, or the platform's path-list separator.
  bool valid() const;
  // The path as text, with the platform's separator.
  std::string str() const;

  iterator begin() { return iterator(this, 0); }
  iterator end() { return iterator(this, size()); }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // Replaces the component at pos (REQUIRES: begin() <= pos < end()) by the
  // components of with.  When pos is the first component and with has a
  // root, the result takes that root too, so "$(HOME)/tools" can become an
  // absolute path; a root of the current drive ("\tools") after a drive or
  // a share keeps that drive or share, as the platform combines them.  The
  // result is the path its own text reads as (a share after a bare
  // "\\server" joins the root).  Returns the position of the last component
  // put in: one before pos when with has none, so that stepping forward
  // once always reaches the component that followed pos (or the first one
  // left, when that went into the root).
  iterator assign(iterator pos, const filepath& with);

  // True when every component, read alone as a path, is that one component
  // and nothing more (false on Windows for one like "x:tools", which reads
  // as a drive and a component).  Then replacing a component by the path
  // of its own text changes nothing.
  bool standalonecomponents() const;

  // The last component; an empty component when there is none.
  pathcomp name() const;
  // This path with c appended.
  filepath operator+(const pathcomp& c) const;

  // Strict weak order: root, then components, letter case folded on Windows.
  bool operator<(const filepath& other) const { return key() < other.key(); }
  // Equivalence under operator<.
  bool operator==(const filepath& other) const { return key() == other.key(); }
  bool operator!=(const filepath& other) const { return !(*this == other); }

  bool empty() const { return textlen_ == 0; }

  // True when the path names the same place from any working directory:
  // rooted at "/" on POSIX; on Windows at a drive with its separator
  // ("C:\") or at a share ("\\server\share").  "C:tools" and "\tools"
  // depend on the current directory of a drive, or on the current drive.
  bool absolute() const;

 private:
  friend class filepathaccess;

  std::ptrdiff_t size() const { return static_cast<std::ptrdiff_t>(ncomps_); }
  // Reads text as a path into this one, keeping the room of its buffer.
  // REQUIRES: text does not view this path's own buffer.
  void parse(std::string_view text);
  // Makes text (root, then the components joined by the native separator)
  // the path's text and appends the key that goes with it.
  void settext(std::string text, std::size_t rootlen, std::size_t ncomps);
  // Appends the key to buf_, which holds exactly the text.
  void addkey();
  pathcomp component(std::ptrdiff_t i) const;

  std::string_view text() const { return std::string_view(buf_.data(), textlen_); }
  std::string_view key() const {
    return buf_.size() > textlen_ ? std::string_view(buf_).substr(textlen_ + 1)
                                  : std::string_view();
  }

  // The text of str(), a NUL byte, then the comparison key: the folded root,
  // then each folded component after a NUL byte.  One allocation a path,
  // and the key compares as one run of bytes.
  std::string buf_;
  std::size_t textlen_ = 0;
  std::size_t rootlen_ = 0;  // bytes of the text that are the root
  std::size_t ncomps_ = 0;
};

// True exactly when p names an existing directory.
VORNFILE_EXPORT bool direxists(const filepath& p);

// The system directories, in the order the platform searches them: the
// override of setsystemdirs() if one is set, else the platform's own (on
// Windows system32, system and the Windows directory; on POSIX the dynamic
// loader's default directories that exist).
VORNFILE_EXPORT std::vector<filepath> getsystemdirs();

// The shared libraries in a directory, as one-component paths holding the
// bare file names, sorted.  On Windows the files ending in ".dll" (any case);
// on POSIX the regular files (links followed) whose name ends in ".so" or
// holds ".so.".  A directory that cannot be listed gives none.
VORNFILE_EXPORT std::vector<filepath> getshliblist(const filepath& directory);

// The union of getshliblist() over getsystemdirs().
VORNFILE_EXPORT std::set<filepath> getsystemlibs();

// The non-empty pieces of text between separators, in order.
VORNFILE_EXPORT std::vector<filepath> splitpathlist(const std::string& text, char sep);

// The texts of the paths joined by sep, in order; "" for no paths.
VORNFILE_EXPORT std::string mergepathlist(const std::vector<filepath>& paths, char sep);

// The paths of front, then the paths of the non-empty pieces of list between
// separators (as splitpathlist() reads them), each path once, at its first
// place (equivalence as operator== gives it), their texts joined by sep.
VORNFILE_EXPORT std::string mergeuniquepathlist(const std::vector<filepath>& front,
                                                const std::string& list, char sep);

// Replaces the system directories for the whole process (hosts and tests use
// this); resetsystemdirs() goes back to the platform's own.  Not
// synchronised: call them while no other thread asks for the directories.
VORNFILE_EXPORT void setsystemdirs(const std::vector<filepath>& dirs);
VORNFILE_EXPORT void resetsystemdirs();

}  // namespace vornfile

#endif  // VORNFILE_VORNFILE_H_
