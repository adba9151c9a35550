// The only place in the library that writes to std::cerr.

#include "support/diagnostics.h"

#include <mutex>
#include <utility>

#include "support/private/errstream.h"
#include "support/private/nodestructor.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {

struct error::place {
  std::string message, file, section, entry, subject;
};

error::error(kind k, const std::string& message, const std::string& file, std::size_t line,
             const std::string& section, const std::string& entry)
    : std::runtime_error(message),
      kind_(k),
      line_(line),
      place_(std::make_shared<const place>(place{message, file, section, entry, std::string()})) {}

error::error(const error& other) noexcept = default;
error& error::operator=(const error& other) noexcept = default;
error::~error() = default;

const std::string& error::message() const { return place_->message; }
const std::string& error::file() const { return place_->file; }
const std::string& error::section() const { return place_->section; }
const std::string& error::entry() const { return place_->entry; }
const std::string& error::subject() const { return place_->subject; }

error errorplace::about(error e, std::string subject) {
  error::place p = *e.place_;
  p.subject = std::move(subject);
  e.place_ = std::make_shared<const error::place>(std::move(p));
  return e;
}

void errorplace::fill(error& e, std::string_view file, std::size_t line, std::string_view section,
                      std::string_view entry) {
  const auto missing = [](const std::string& have, std::string_view add) {
    return have.empty() && !add.empty();
  };
  if (e.line_ == 0) e.line_ = line;
  const error::place& p = *e.place_;
  if (!missing(p.file, file) && !missing(p.section, section) && !missing(p.entry, entry)) return;
  // Copies of the error share the old place, which stays as it is.
  error::place filled = p;
  if (missing(p.file, file)) filled.file = file;
  if (missing(p.section, section)) filled.section = section;
  if (missing(p.entry, entry)) filled.entry = entry;
  e.place_ = std::make_shared<const error::place>(std::move(filled));
}

namespace {

void writedefault(severity s, const std::string& message) {
  vornsupport::errstream() << (s == severity::assertion ? "****ASSERTION****: "
                                                        : "****WARNING****: ")
                           << message << std::endl;
}

// The handler in use; empty for the default.  Built on first use and never
// destroyed, so that loading and unloading the library run no code.
struct handlerstate {
  std::mutex lock;
  diagnostichandler handler;
};

handlerstate& state() {
  static vornsupport::nodestructor<handlerstate> s;
  return *s.get();
}

void report(severity s, const std::string& message) {
  diagnostichandler handler;
  {
    // A copy, called without the lock held: a handler may set another one.
    std::lock_guard<std::mutex> hold(state().lock);
    handler = state().handler;
  }
  if (handler) {
    handler(s, message);
  } else {
    writedefault(s, message);
  }
}

}  // namespace

diagnostichandler setdiagnostichandler(diagnostichandler handler) {
  std::lock_guard<std::mutex> hold(state().lock);
  diagnostichandler previous = std::exchange(state().handler, std::move(handler));
  if (!previous) previous = writedefault;
  return previous;
}

void envfail(const error& e) {
  report(severity::assertion, e.message());
  throw e;
}

void envfail(error::kind k, const std::string& message) { envfail(error(k, message)); }

void envfail(const std::string& message) { envfail(error::kind::other, message); }

namespace {

// Runs a call of the platform library, asked to stay quiet, and makes its
// failure the library's own.
template <class F>
decltype(auto) platformcall(error::kind k, F&& f) {
  try {
    return f();
  } catch (const error&) {
    throw;
  } catch (const std::runtime_error& e) {
    envfail(k, e.what());
  }
}

}  // namespace

namespace {

// Nothing the platform would cut short is set: a name or value longer than
// a variable can hold fails, whether it was written so or expanded.
void requirefits(const std::string& name, std::size_t namelength, std::size_t valuelength) {
  if (!vornplatform::fitsvariable(namelength, 1)) {
    envfail(error::kind::limit,
            "'" + name + "' name is longer than an environment variable can hold!");
  }
  if (!vornplatform::fitsvariable(namelength, valuelength)) {
    envfail(error::kind::limit,
            "'" + name + "' expansion is longer than an environment variable can hold!");
  }
}

// The kind of a refusal to set name to value: a text that the platform
// cannot hold exactly is no refused name.
error::kind refusal(const std::string& name, const std::string* value) {
  const bool held =
      vornplatform::holdsexactly(name) && (value == nullptr || vornplatform::holdsexactly(*value));
  return held ? error::kind::refusedname : error::kind::other;
}

}  // namespace

void putvar(const std::string& name, const std::string& value) {
  requirefits(name, vornplatform::valuelength(name), vornplatform::valuelength(value));
  platformcall(refusal(name, &value),
               [&] { vornplatform::putenvvar(name, value, vornplatform::report::quiet); });
}

void putvarexact(const std::string& name, const std::string& value) {
  requirefits(name, vornplatform::valuelength(name), vornplatform::exactlength(value));
  platformcall(refusal(name, nullptr),
               [&] { vornplatform::putenvexact(name, value, vornplatform::report::quiet); });
}

std::string getvar(const std::string& name, const vornplatform::envsnapshot* snapshot) {
  return platformcall(error::kind::other, [&] {
    return snapshot != nullptr ? snapshot->get(name, vornplatform::report::quiet).str()
                               : vornplatform::getenvvar(name, vornplatform::report::quiet).str();
  });
}

std::optional<std::string> valuebefore(const std::string& name) {
  try {
    return vornplatform::findenvexact(name);
  } catch (const std::exception&) {
    return std::nullopt;  // what the observer is told never fails the apply
  }
}

void envassert(bool condition, const std::string& message) {
  if (!condition) envfail(message);
}

void envwarn(bool condition, const std::string& message) {
  if (!condition) report(severity::warning, message);
}

}  // namespace vornenv
