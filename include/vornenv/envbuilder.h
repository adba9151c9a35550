// envbuilder: applies an environment description file to the calling
// process, section by section, and keeps every section for lookups.
//
//   vornenv::envbuilder builder(vornfile::filepath("dev.ini"));
//   builder();  // parse and apply; throws vornenv::error on failure
//   // or, from a file the host opened itself, or from a text:
//   //   builder.parsefile(file, "dev.ini");  builder.parsetext(text, "dev.ini");
//   const auto& env = builder.getsection("Environment");
//   std::string cc = env.getentry("CC").value();
//
// The section name selects what a section does when it ends:
//   "Environment"       sets one variable per entry, values expanded
//   "Executable Paths"  puts its directories in front of "PATH"
//   "Library Paths"     the same, after warning about libraries that the
//                       system directories would override
//   any other name      nothing; kept for lookups
// Names are compared exactly, letter case significant.

#ifndef VORNENV_ENVBUILDER_H_
#define VORNENV_ENVBUILDER_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vornenv/export.h"
#include "vornenv/iniparser.h"
#include "vornfile/vornfile.h"

namespace vornenv {

class VORNENV_EXPORT envbuilder : public iniparser {
 public:
  // One name/value pair.  Either side may be empty; equality and order look
  // at the name alone, byte by byte.
  class VORNENV_EXPORT entry {
   public:
    entry();
    entry(const std::string& name, const std::string& value);
    entry(const entry& other);
    entry(entry&& other) noexcept;
    entry& operator=(const entry& other);
    entry& operator=(entry&& other) noexcept;
    ~entry();

    const std::string& name() const { return name_; }
    const std::string& value() const { return value_; }
    // The 1-based line of the description file that the entry was read
    // from; 0 for an entry that was not read from a file (or past line
    // 2^32 - 1).  Copies keep it; equality and order ignore it.
    std::size_t line() const { return line_; }
    // False exactly when name and value are both empty.
    bool valid() const { return !name_.empty() || !value_.empty(); }
    bool operator==(const entry& other) const { return name_ == other.name_; }
    bool operator!=(const entry& other) const { return !(*this == other); }
    bool operator<(const entry& other) const { return name_ < other.name_; }

   private:
    friend class envbuilder;
    struct adopt {};

   public:
    // Straight from the reader's C strings, for the builder's entries; only
    // the builder can name adopt, public only so that containers can build
    // an entry in place.
    entry(const char* name, const char* value, std::size_t line, adopt);

   private:
    std::string name_;
    std::string value_;
    // 32 bits: beside the two strings it costs 8 bytes an entry, not 16.
    std::uint32_t line_ = 0;
  };

  class observer;

  // The base of every section kind: a name and entries with unique names, in
  // the order they were added.  Each kind supplies a hook that checks or
  // rewrites an entry as it is added, a validity test, and an action that
  // the builder runs when the section ends.
  class VORNENV_EXPORT section {
   public:
    // A read-only random-access iterator over the entries, in the order they
    // were added.  Its type is the library's own: rely on its category, not
    // on what it is.  Adding an entry may invalidate it, as it may
    // references to entries (a growable array's rule).
    class const_iterator {
     public:
      using iterator_category = std::random_access_iterator_tag;
      using value_type = entry;
      using difference_type = std::ptrdiff_t;
      using pointer = const entry*;
      using reference = const entry&;

      const_iterator() = default;
      reference operator*() const { return in_->entryat(at_); }
      pointer operator->() const { return &in_->entryat(at_); }
      reference operator[](difference_type n) const {
        return in_->entryat(at_ + static_cast<std::size_t>(n));
      }
      const_iterator& operator++() { return ++at_, *this; }
      const_iterator operator++(int) { return const_iterator(in_, at_++); }
      const_iterator& operator--() { return --at_, *this; }
      const_iterator operator--(int) { return const_iterator(in_, at_--); }
      const_iterator& operator+=(difference_type n) {
        return at_ += static_cast<std::size_t>(n), *this;
      }
      const_iterator& operator-=(difference_type n) {
        return at_ -= static_cast<std::size_t>(n), *this;
      }
      friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
      friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
      friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
      friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
        return static_cast<difference_type>(a.at_ - b.at_);
      }
      friend bool operator==(const const_iterator& a, const const_iterator& b) {
        return a.at_ == b.at_;
      }
      friend bool operator!=(const const_iterator& a, const const_iterator& b) {
        return a.at_ != b.at_;
      }
      friend bool operator<(const const_iterator& a, const const_iterator& b) {
        return a.at_ < b.at_;
      }
      friend bool operator>(const const_iterator& a, const const_iterator& b) { return b < a; }
      friend bool operator<=(const const_iterator& a, const const_iterator& b) { return !(b < a); }
      friend bool operator>=(const const_iterator& a, const const_iterator& b) { return !(a < b); }

     private:
      friend class section;
      const_iterator(const section* in, std::size_t at) : in_(in), at_(at) {}
      const section* in_ = nullptr;
      std::size_t at_ = 0;
    };

    explicit section(const std::string& name);
    section(const section& other);
    section& operator=(const section&) = delete;
    virtual ~section();

    // Adds a copy of e, as the kind's hook leaves it, and returns the hook's
    // answer (the copy is stored even when that is false).  Fails, storing
    // nothing, for an invalid entry
    //   (name + " --> " + value + " section::newentry - Invalid entry provided!")
    // and for a name already held
    //   (name + " section::newentry - entry already exists!").
    // An exception from the hook passes through and stores nothing.
    bool newentry(const entry& e);

    // The entry of that name; the default entry (empty name and value, the
    // same object every time, one shared by all sections, as it never
    // changes) when there is none or name is null.
    const entry& getentry(const char* name) const;

    const std::string& name() const { return name_; }
    // The 1-based line of the section's header in the description file; 0
    // for a section that was not read from a file (or past line 2^32 - 1).
    // Copies keep it; equality and order ignore it.
    std::size_t line() const { return line_; }
    const_iterator begin() const;
    const_iterator end() const;

    // Sections compare by name alone.
    bool operator==(const section& other) const { return name_ == other.name_; }
    bool operator!=(const section& other) const { return !(*this == other); }
    bool operator<(const section& other) const { return name_ < other.name_; }

    // Whether the section, as read, is fit to be applied.
    virtual bool valid() const = 0;

   protected:
    // The observer of the builder that is applying this section, or nullptr:
    // set only while the builder runs the section's action.
    observer* watcher() const;

   private:
    friend class envbuilder;
    struct store;

    // The entry at position i (< the number of entries).
    const entry& entryat(std::size_t i) const;
    // newentry() for the builder's entries, which the reader has already
    // found unique in the section.
    bool adoptentry(const char* name, const char* value, std::size_t line);
    // The store, made with the first entry.
    store& entries();
    // Lets o (nullptr: nobody) watch the section's action.
    void watch(observer* o);
    // The stored entry of that name, or nullptr.
    const entry* findentry(std::string_view name) const;

    // The kind's hook: sees the copy about to be stored and may rewrite it.
    virtual bool donewentry(entry& e) = 0;
    // The kind's action, run by the builder when the section ends.
    virtual bool operator()() = 0;

    std::string name_;
    std::uint32_t line_ = 0;
    // The builders that hold the section (a copy of a builder shares its
    // sections): the last to let go deletes it.  Beside the line, it makes
    // the object no larger.
    mutable std::atomic<std::uint32_t> holders_{0};
    // Made with the first entry: an empty section costs little more than its
    // name.
    std::unique_ptr<store> store_;
  };

  // Told what applying a description does, as it happens, for a host that
  // shows or records it instead of working it out again.  Installed per
  // builder with setobserver(); without one, applying costs nothing more.
  // Texts are exact texts (vornplatform): nothing the environment held is
  // lost.  An exception thrown here leaves the builder as a section's
  // failure does, and passes through to the caller.
  class VORNENV_EXPORT observer {
   public:
    virtual ~observer();

    // A variable that an Environment entry has just set.
    struct setting {
      const std::string& name;
      // Its value before; std::nullopt when it was not set (or could not be
      // read, which never fails the apply).
      const std::optional<std::string>& before;
      const std::string& after;
      const section& in;
      const entry& from;  // its line() is the line that set it
    };
    virtual void set(const setting& s);

    // One directory of a path section, as it went into the variable.
    struct element {
      std::string path;   // as it stands in the new value
      const entry* from;  // the section's entry that named it
    };
    // A path section's change to its variable: the elements it added, and
    // those that the variable held already and that it moved to the front,
    // each in the section's order.  A directory the section names twice
    // counts once, at its first entry.
    struct merge {
      const std::string& variable;
      const std::optional<std::string>& before;
      const std::string& after;
      const section& in;
      const std::vector<element>& added;
      const std::vector<element>& moved;
    };
    virtual void merged(const merge& m);
  };

  // The sections held, in file order, each once, as a range of
  // const section& that copies nothing:
  //   for (const envbuilder::section& s : builder.sections()) ...
  class VORNENV_EXPORT sectionrange {
   public:
    using store = std::deque<section*>;
    class const_iterator {
     public:
      using iterator_category = std::random_access_iterator_tag;
      using value_type = section;
      using difference_type = std::ptrdiff_t;
      using pointer = const section*;
      using reference = const section&;

      const_iterator() = default;
      reference operator*() const { return **at_; }
      pointer operator->() const { return *at_; }
      reference operator[](difference_type n) const { return *at_[n]; }
      const_iterator& operator++() { return ++at_, *this; }
      const_iterator operator++(int) { return const_iterator(at_++); }
      const_iterator& operator--() { return --at_, *this; }
      const_iterator operator--(int) { return const_iterator(at_--); }
      const_iterator& operator+=(difference_type n) { return at_ += n, *this; }
      const_iterator& operator-=(difference_type n) { return at_ -= n, *this; }
      friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
      friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
      friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
      friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
        return a.at_ - b.at_;
      }
      friend bool operator==(const const_iterator& a, const const_iterator& b) {
        return a.at_ == b.at_;
      }
      friend bool operator!=(const const_iterator& a, const const_iterator& b) {
        return a.at_ != b.at_;
      }
      friend bool operator<(const const_iterator& a, const const_iterator& b) {
        return a.at_ < b.at_;
      }
      friend bool operator>(const const_iterator& a, const const_iterator& b) { return b < a; }
      friend bool operator<=(const const_iterator& a, const const_iterator& b) { return !(b < a); }
      friend bool operator>=(const const_iterator& a, const const_iterator& b) { return !(a < b); }

     private:
      friend class sectionrange;
      explicit const_iterator(store::const_iterator at) : at_(at) {}
      store::const_iterator at_;
    };

    explicit sectionrange(const store& all) : all_(&all) {}
    const_iterator begin() const { return const_iterator(all_->begin()); }
    const_iterator end() const { return const_iterator(all_->end()); }
    std::size_t size() const { return all_->size(); }
    bool empty() const { return all_->empty(); }

   private:
    const store* all_;
  };

  // Keeps a copy of path; opens nothing (the parse, operator(), does that).
  // Fails like iniparser for a path that is not valid.
  explicit envbuilder(const vornfile::filepath& path);
  // A builder without a file of its own, for a host that opens the file
  // itself or holds its text (see iniparser::parsefile() and parsetext()):
  //
  //   vornenv::envbuilder builder;
  //   builder.parsefile(file, "dev.ini");
  envbuilder();
  // The copy shares the section objects with other; either may outlive the
  // other.
  envbuilder(const envbuilder& other);
  envbuilder& operator=(const envbuilder&) = delete;
  ~envbuilder() override;

  // The section of that name, or an empty section (empty name, no entries,
  // not valid()) when there is none or name is null.
  const section& getsection(const char* name) const;
  // Every section held, in name order.
  std::vector<std::string> sectionnames() const;
  // Every section held, in the order of their headers in the file; valid
  // until the builder parses again or goes.  Allocates nothing.
  sectionrange sections() const;

  // Tells o what each later apply of this builder does (see observer), or
  // nobody for nullptr.  The builder does not own o, which must outlive its
  // use; a copy of the builder does not keep it.
  void setobserver(observer* o) { observer_ = o; }

 private:
  class nullsection;

  bool beginsection(const char* name) override;
  bool endsection() override;
  bool newentry(const char* name, const char* value) override;
  // A new section of the kind that name selects.
  std::unique_ptr<section> createsection(const std::string& name) const;
  // The sections in file order and their index by name.
  struct sectionstore;
  std::unique_ptr<sectionstore> sections_;
  section* current_ = nullptr;  // the section being read, if any
  std::unique_ptr<section> null_;
  observer* observer_ = nullptr;
};

}  // namespace vornenv

#endif  // VORNENV_ENVBUILDER_H_
