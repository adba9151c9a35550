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
#include <vector>

#include "vornfile/export.h"

namespace vornfile {

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
  const std::string& key() const { return key_.empty() ? text_ : key_; }

  std::string text_;
  std::string key_;  // folded text_, kept only when it differs from text_
};

class VORNFILE_EXPORT filepath {
 public:
  // Random-access positions over the components.  A position holds an index,
  // so it may step one before the first component and back again (assign()
  // can return such a position).  Components are read through positions and
  // changed only through assign(), which keeps the comparison key in step.
  template <class Comp, class Vec>
  class basic_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = pathcomp;
    using difference_type = std::ptrdiff_t;
    using pointer = Comp*;
    using reference = Comp&;

    basic_iterator() = default;
    // Mutable positions convert to read-only ones.
    template <class C, class V>
    basic_iterator(const basic_iterator<C, V>& other)  // NOLINT: implicit
        : v_(other.v_), i_(other.i_) {}

    reference operator*() const { return (*v_)[static_cast<std::size_t>(i_)]; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type n) const { return *(*this + n); }

    basic_iterator& operator++() { ++i_; return *this; }
    basic_iterator operator++(int) { basic_iterator t = *this; ++i_; return t; }
    basic_iterator& operator--() { --i_; return *this; }
    basic_iterator operator--(int) { basic_iterator t = *this; --i_; return t; }
    basic_iterator& operator+=(difference_type n) { i_ += n; return *this; }
    basic_iterator& operator-=(difference_type n) { i_ -= n; return *this; }
    friend basic_iterator operator+(basic_iterator it, difference_type n) { return it += n; }
    friend basic_iterator operator+(difference_type n, basic_iterator it) { return it += n; }
    friend basic_iterator operator-(basic_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const basic_iterator& a, const basic_iterator& b) { return a.i_ - b.i_; }
    friend bool operator==(const basic_iterator& a, const basic_iterator& b) { return a.i_ == b.i_; }
    friend bool operator!=(const basic_iterator& a, const basic_iterator& b) { return a.i_ != b.i_; }
    friend bool operator<(const basic_iterator& a, const basic_iterator& b) { return a.i_ < b.i_; }
    friend bool operator>(const basic_iterator& a, const basic_iterator& b) { return a.i_ > b.i_; }
    friend bool operator<=(const basic_iterator& a, const basic_iterator& b) { return a.i_ <= b.i_; }
    friend bool operator>=(const basic_iterator& a, const basic_iterator& b) { return a.i_ >= b.i_; }

   private:
    template <class, class>
    friend class basic_iterator;
    friend class filepath;
    basic_iterator(Vec* v, difference_type i) : v_(v), i_(i) {}

    Vec* v_ = nullptr;
    difference_type i_ = 0;
  };
  using iterator = basic_iterator<const pathcomp, std::vector<pathcomp>>;
  using const_iterator = basic_iterator<const pathcomp, const std::vector<pathcomp>>;

  // The empty path: no root, no component, not valid().
  filepath();
  filepath(const std::string& text);  // NOLINT: implicit, a path is its text
  filepath(const char* text);         // NOLINT: nullptr gives the empty path

  // False for the empty path and for a path holding a byte below 0x20, one
  // of < > " | ? *, or the platform's path-list separator.
  bool valid() const;
  // The path as text, with the platform's separator.
  std::string str() const;

  iterator begin() { return iterator(&comps_, 0); }
  iterator end() { return iterator(&comps_, size()); }
  const_iterator begin() const { return const_iterator(&comps_, 0); }
  const_iterator end() const { return const_iterator(&comps_, size()); }

  // Replaces the component at pos (REQUIRES: begin() <= pos < end()) by the
  // components of with.  When pos is the first component and with has a
  // root, the result takes that root too, so "$(HOME)/tools" can become an
  // absolute path.  Returns the position of the last component put in: one
  // before pos when with has none, so that stepping forward once always
  // reaches the component that followed pos.
  iterator assign(iterator pos, const filepath& with);

  // The last component; an empty component when there is none.
  pathcomp name() const;
  // This path with c appended.
  filepath operator+(const pathcomp& c) const;

  // Strict weak order: root, then components, letter case folded on Windows.
  bool operator<(const filepath& other) const;
  // Equivalence under operator<.
  bool operator==(const filepath& other) const;
  bool operator!=(const filepath& other) const { return !(*this == other); }

  bool empty() const { return root_.empty() && comps_.empty(); }

 private:
  std::ptrdiff_t size() const { return static_cast<std::ptrdiff_t>(comps_.size()); }
  void setroot(std::string root);
  // Rebuilds key_ after a change of the root or the components.
  void rekey();

  std::string root_;     // "" for a relative path, with its separator if any
  std::string rootkey_;  // folded root_
  std::vector<pathcomp> comps_;
  std::string key_;      // rootkey_, then '\0' and the key of each component
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

// Replaces the system directories for the whole process (hosts and tests use
// this); resetsystemdirs() goes back to the platform's own.  Not
// synchronised: call them while no other thread asks for the directories.
VORNFILE_EXPORT void setsystemdirs(const std::vector<filepath>& dirs);
VORNFILE_EXPORT void resetsystemdirs();

}  // namespace vornfile

#endif  // VORNFILE_VORNFILE_H_
