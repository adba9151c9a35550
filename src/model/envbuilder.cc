#include "vornenv/envbuilder.h"

#include <cstdint>

#include "support/diagnostics.h"
#include "vornenv/sections.h"

namespace vornenv {

// Handed out for names the builder does not hold: empty, and fit for
// nothing.
class envbuilder::nullsection final : public section {
 public:
  nullsection() : section(std::string()) {}

 private:
  bool donewentry(entry&) override { return false; }
  bool valid() const override { return false; }
  bool operator()() override { return false; }
};

envbuilder::envbuilder(const vornfile::filepath& path)
    : iniparser(path), current_(sections_.end()), null_(std::make_unique<nullsection>()) {}

envbuilder::envbuilder(const envbuilder& other)
    : iniparser(other),
      sections_(other.sections_),
      current_(other.current_ == other.sections_.end()
                   ? sections_.end()
                   : sections_.find(other.current_->first)),
      null_(std::make_unique<nullsection>()) {}

envbuilder::~envbuilder() = default;

const envbuilder::section& envbuilder::getsection(const char* name) const {
  if (name == nullptr) return *null_;  // a null name matches nothing
  auto it = sections_.find(name);
  return it != sections_.end() ? *it->second : *null_;
}

std::vector<std::string> envbuilder::sectionnames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const auto& [name, sec] : sections_) names.push_back(name);
  return names;
}

bool envbuilder::beginsection(const char* name) {
  std::string key(name);
  std::unique_ptr<section> created = createsection(key);
  // try_emplace leaves created alone when the name is taken; it is then
  // destroyed on the way out.
  auto [it, inserted] = sections_.try_emplace(key, nullptr);
  if (!inserted) envfail(key + " envbuilder::beginsection - failed to insert section!");
  const std::size_t line = currentline();
  created->line_ = line <= UINT32_MAX ? static_cast<std::uint32_t>(line) : 0;
  it->second = std::move(created);
  current_ = it;
  return true;
}

bool envbuilder::endsection() {
  if (current_ == sections_.end()) envfail("envbuilder::endsection - invalid current section!");
  section& ending = *current_->second;
  current_ = sections_.end();
  return ending();
}

bool envbuilder::newentry(const char* name, const char* value) {
  if (current_ == sections_.end()) envfail("envbuilder::newentry - invalid current section!");
  return current_->second->adoptentry(name, value, currentline());
}

std::unique_ptr<envbuilder::section> envbuilder::createsection(const std::string& name) const {
  if (name == "Library Paths") return std::make_unique<libpathlist>(name);
  if (name == "Executable Paths") return std::make_unique<pathlist>("PATH", name);
  if (name == "Environment") return std::make_unique<envblock>(name);
  return std::make_unique<anonsection>(name);
}

}  // namespace vornenv
