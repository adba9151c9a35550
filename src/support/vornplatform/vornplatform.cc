#include "vornplatform/vornplatform.h"

#include <stdexcept>
#include <utility>

#include "errstream.h"
#include "vornplatform/backend.h"

namespace vornplatform {

vornstr::vornstr(const char* text) : text_(text == nullptr ? "" : text) {}

vornstr::vornstr(const std::string& text) : text_(text) {}

vornstr::vornstr(std::string&& text) noexcept : text_(std::move(text)) {}

vornstr getenvvar(const vornstr& name) {
  return vornstr(backend::getvar(name.str()));
}

void putenvvar(const vornstr& name, const vornstr& value) {
  const std::string& n = name.str();
  const std::string& v = value.str();
  // Names and values cross the platform as C strings: an embedded NUL would
  // cut them short, so it is refused like any name the platform refuses.
  const bool clean = n.find('\0') == std::string::npos &&
                     v.find('\0') == std::string::npos;
  if (clean && backend::setvar(n, v)) return;
  // vornplatform sits below vornenv and cannot call its envassert, so it
  // reports in the same form itself.
  const std::string message = n + " putenvvar - failed to set environment variable!";
  vornsupport::errstream() << "****ASSERTION****: " << message << std::endl;
  throw std::runtime_error(message);
}

envsnapshot::envsnapshot() : vars_(backend::listvars()) { buildindex(); }

envsnapshot::envsnapshot(const envsnapshot& other) = default;

envsnapshot& envsnapshot::operator=(const envsnapshot& other) = default;

envsnapshot::~envsnapshot() = default;

void envsnapshot::buildindex() {
  index_.reserve(vars_.size());
  for (std::size_t i = 0; i < vars_.size(); ++i) {
    index_.emplace(backend::lookupkey(vars_[i].first), i);  // the first one wins
  }
}

vornstr envsnapshot::get(const vornstr& name) const {
  const std::string& n = name.str();
  // The platform's own lookup of a name that no listed variable can carry
  // may still match something (glibc's getenv("A=B") finds A set to "B=x"):
  // ask it directly, so that get() never differs from getenvvar().
  if (n.empty() || n.find('=') != std::string::npos) return getenvvar(name);
  auto it = index_.find(backend::lookupkey(n));
  return it == index_.end() ? vornstr("") : vornstr(vars_[it->second].second);
}

}  // namespace vornplatform
