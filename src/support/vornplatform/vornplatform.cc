#include "vornplatform/vornplatform.h"

#include <stdexcept>
#include <utility>

#include "errstream.h"
#include "hashindex.h"
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

std::size_t longestvalue() { return backend::longestvalue(); }

std::size_t valuelength(std::string_view value) {
  return backend::valuelength(value);
}

envsnapshot::envsnapshot() : vars_(backend::listvars()) { buildindex(); }

envsnapshot::envsnapshot(const envsnapshot& other) = default;

envsnapshot& envsnapshot::operator=(const envsnapshot& other) = default;

envsnapshot::~envsnapshot() = default;

std::string_view envsnapshot::keyof(std::size_t i) const {
  return folded_.empty() ? std::string_view(vars_[i].first) : std::string_view(folded_[i]);
}

void envsnapshot::buildindex() {
  folded_.clear();
  if (backend::foldsnames()) {
    folded_.reserve(vars_.size());
    for (const auto& var : vars_) folded_.push_back(backend::lookupkey(var.first));
  }
  index_.clear();
  const auto keyat = [this](std::size_t i) { return keyof(i); };
  vornenv::hashindex::reserve(index_, vars_.size(), keyat);
  std::size_t count = 0;
  for (std::size_t i = 0; i < vars_.size(); ++i) {
    const std::string_view key = keyof(i);
    const std::uint32_t hash = vornenv::hashindex::hashof(key);
    // The first variable that answers to a key wins.
    if (vornenv::hashindex::find(index_, key, hash, keyat) != vornenv::hashindex::npos) continue;
    vornenv::hashindex::insert(index_, ++count, i, hash, keyat);
  }
}

vornstr envsnapshot::get(const vornstr& name) const {
  const std::string& n = name.str();
  // The platform's own lookup of a name that no listed variable can carry
  // may still match something (glibc's getenv("A=B") finds A set to "B=x"):
  // ask it directly, so that get() never differs from getenvvar().
  if (n.empty() || n.find('=') != std::string::npos) return getenvvar(name);
  const std::string folded = folded_.empty() ? std::string() : backend::lookupkey(n);
  const std::string_view key = folded_.empty() ? std::string_view(n) : std::string_view(folded);
  const std::size_t i = vornenv::hashindex::find(
      index_, key, vornenv::hashindex::hashof(key), [this](std::size_t j) { return keyof(j); });
  return i == vornenv::hashindex::npos ? vornstr("") : vornstr(vars_[i].second);
}

}  // namespace vornplatform
