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

#include <cstdint>
#include <deque>
#include <memory>
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

  // The base of every section kind: a name and entries with unique names, in
  // the order they were added.  Each kind supplies a hook that checks or
  // rewrites an entry as it is added, a validity test, and an action that
  // the builder runs when the section ends.
  class VORNENV_EXPORT section {
   public:
    using const_iterator = std::deque<entry>::const_iterator;

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

   private:
    friend class envbuilder;
    struct store;

    // newentry() for the builder's entries, which the reader has already
    // found unique in the section.
    bool adoptentry(const char* name, const char* value, std::size_t line);
    // The store, made with the first entry.
    store& entries();
    // The stored entry of that name, or nullptr.
    const entry* findentry(std::string_view name) const;

    // The kind's hook: sees the copy about to be stored and may rewrite it.
    virtual bool donewentry(entry& e) = 0;
    // The kind's action, run by the builder when the section ends.
    virtual bool operator()() = 0;

    std::string name_;
    // Made with the first entry: an empty section costs little more than its
    // name.
    std::unique_ptr<store> store_;
    std::uint32_t line_ = 0;
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

 private:
  class nullsection;

  bool beginsection(const char* name) override;
  bool endsection() override;
  bool newentry(const char* name, const char* value) override;
  // A new section of the kind that name selects.
  std::shared_ptr<section> createsection(const std::string& name) const;
  // The sections in file order and their index by name.
  struct sectionstore;
  std::unique_ptr<sectionstore> sections_;
  section* current_ = nullptr;  // the section being read, if any
  std::unique_ptr<section> null_;
};

}  // namespace vornenv

#endif  // VORNENV_ENVBUILDER_H_
