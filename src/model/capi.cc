// The C interface: each call runs the C++ one inside a guard that turns
// every exception into a status, so nothing C++ crosses into the caller.

#include "vornenv/capi.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "vornenv/diagnostics.h"
#include "vornenv/envbuilder.h"
#include "vornenv/expandvar.h"

struct vornenv_builder {
  std::unique_ptr<vornenv::envbuilder> held;
};

namespace {

using vornenv::envbuilder;

// A failure and the texts its members point into.
struct failureholder : vornenv_failure {
  std::string texts[5];  // message, file, section, entry, subject
};

// The C kinds are vornenv::error::kind's numbers, each pinned here.
constexpr bool samekind(vornenv::error::kind k, int c) { return static_cast<int>(k) == c; }
using errorkind = vornenv::error::kind;
static_assert(samekind(errorkind::unreadable, VORNENV_KIND_UNREADABLE) &&
                  samekind(errorkind::syntax, VORNENV_KIND_SYNTAX) &&
                  samekind(errorkind::duplicate, VORNENV_KIND_DUPLICATE) &&
                  samekind(errorkind::emptyside, VORNENV_KIND_EMPTYSIDE) &&
                  samekind(errorkind::missingdir, VORNENV_KIND_MISSINGDIR) &&
                  samekind(errorkind::selfreference, VORNENV_KIND_SELFREFERENCE) &&
                  samekind(errorkind::unset, VORNENV_KIND_UNSET) &&
                  samekind(errorkind::invalidpath, VORNENV_KIND_INVALIDPATH) &&
                  samekind(errorkind::refusedname, VORNENV_KIND_REFUSEDNAME) &&
                  samekind(errorkind::limit, VORNENV_KIND_LIMIT) &&
                  samekind(errorkind::other, VORNENV_KIND_OTHER),
              "the C kinds are vornenv::error::kind's numbers");

// Hands a failure to the caller, if it asked for one.
vornenv_status fail(vornenv_failure** out, int kind, std::string message,
                    const vornenv::error* where = nullptr) {
  if (out == nullptr) return VORNENV_FAILED;
  auto f = std::make_unique<failureholder>();
  std::string* texts = f->texts;
  texts[0] = std::move(message);
  if (where != nullptr) {
    texts[1] = where->file();
    texts[2] = where->section();
    texts[3] = where->entry();
    texts[4] = where->subject();
  }
  f->kind = kind;
  f->message = texts[0].c_str();
  f->message_size = texts[0].size();
  f->file = texts[1].c_str();
  f->line = where != nullptr ? where->line() : 0;
  f->section = texts[2].c_str();
  f->entry = texts[3].c_str();
  f->subject = texts[4].c_str();
  f->subject_size = texts[4].size();
  *out = f.release();
  return VORNENV_FAILED;
}

// Runs body, which returns a status, and turns whatever it throws into one.
template <class Body>
vornenv_status guarded(vornenv_failure** failure, Body&& body) noexcept {
  try {
    try {
      return body();
    } catch (const vornenv::error& e) {
      return fail(failure, static_cast<int>(e.what_kind()), e.message(), &e);
    } catch (const std::bad_alloc&) {
      return VORNENV_NO_MEMORY;
    } catch (const std::exception& e) {
      return fail(failure, VORNENV_KIND_OTHER, e.what());
    } catch (...) {
      return fail(failure, VORNENV_KIND_OTHER, "unknown failure");
    }
  } catch (...) {
    // Reporting the failure ran out of memory.
    return VORNENV_NO_MEMORY;
  }
}

template <class T>
void clear(T* out) {
  if (out != nullptr) *out = T();
}

// One apply: make(), which returns the builder, then run(builder).  The
// builder goes to the caller on success and on a failure of the parse or
// apply alike, as a C++ caller keeps it after a throw.
template <class Make, class Run>
vornenv_status apply(vornenv_builder** builder, vornenv_failure** failure, Make&& make,
                     Run&& run) noexcept {
  clear(builder);
  clear(failure);
  std::unique_ptr<vornenv_builder> made;
  const vornenv_status status = guarded(failure, [&] {
    made = std::make_unique<vornenv_builder>();
    made->held = make();
    run(*made->held);
    return VORNENV_OK;
  });
  if (status == VORNENV_NO_MEMORY) {
    if (failure != nullptr) {
      vornenv_failure_free(*failure);
      *failure = nullptr;
    }
    return status;
  }
  if (builder != nullptr && made != nullptr && made->held != nullptr) *builder = made.release();
  return status;
}

const envbuilder::section& sectionof(const vornenv_section* section) {
  return *reinterpret_cast<const envbuilder::section*>(section);
}

const vornenv_section* handleof(const envbuilder::section& section) {
  return reinterpret_cast<const vornenv_section*>(&section);
}

// Hands an entry's members to those out pointers that are not null.
void tell(const envbuilder::entry& e, const char** name, const char** value, std::size_t* line) {
  if (name != nullptr) *name = e.name().c_str();
  if (value != nullptr) *value = e.value().c_str();
  if (line != nullptr) *line = e.line();
}

}  // namespace

extern "C" {

vornenv_status vornenv_version(int* interface_version, const char** release) {
  if (interface_version != nullptr) *interface_version = VORNENV_C_VERSION;
  if (release != nullptr) *release = VORNENV_RELEASE;
  return VORNENV_OK;
}

vornenv_status vornenv_apply_path(const char* path, vornenv_builder** builder,
                                  vornenv_failure** failure) {
  if (path == nullptr) {
    clear(builder);
    clear(failure);
    return VORNENV_INVALID_ARGUMENT;
  }
  return apply(
      builder, failure, [path] { return std::make_unique<envbuilder>(vornfile::filepath(path)); },
      [](envbuilder& b) { b(); });
}

vornenv_status vornenv_apply_file(FILE* file, const char* name, vornenv_builder** builder,
                                  vornenv_failure** failure) {
  return apply(
      builder, failure, [] { return std::make_unique<envbuilder>(); },
      [&](envbuilder& b) { b.parsefile(file, name != nullptr ? name : ""); });
}

vornenv_status vornenv_apply_text(const char* text, std::size_t size, const char* name,
                                  vornenv_builder** builder, vornenv_failure** failure) {
  // No object is larger than PTRDIFF_MAX: a larger size is a caller's
  // mistake, typically (size_t)-1 for "up to the NUL", never a text.
  if ((text == nullptr && size != 0) || size > static_cast<std::size_t>(PTRDIFF_MAX)) {
    clear(builder);
    clear(failure);
    return VORNENV_INVALID_ARGUMENT;
  }
  return apply(
      builder, failure, [] { return std::make_unique<envbuilder>(); },
      [&](envbuilder& b) {
        b.parsetext(std::string_view(text != nullptr ? text : "", size),
                    name != nullptr ? name : "");
      });
}

vornenv_status vornenv_builder_free(vornenv_builder* builder) {
  delete builder;
  return VORNENV_OK;
}

vornenv_status vornenv_failure_free(vornenv_failure* failure) {
  delete static_cast<failureholder*>(failure);
  return VORNENV_OK;
}

vornenv_status vornenv_section_count(const vornenv_builder* builder, std::size_t* count) {
  clear(count);
  if (builder == nullptr || count == nullptr) return VORNENV_INVALID_ARGUMENT;
  *count = builder->held->sections().size();
  return VORNENV_OK;
}

vornenv_status vornenv_section_at(const vornenv_builder* builder, std::size_t index,
                                  const vornenv_section** section) {
  clear(section);
  if (builder == nullptr || section == nullptr) return VORNENV_INVALID_ARGUMENT;
  const envbuilder::sectionrange all = builder->held->sections();
  if (index >= all.size()) return VORNENV_NOT_FOUND;
  *section = handleof(all.begin()[static_cast<std::ptrdiff_t>(index)]);
  return VORNENV_OK;
}

vornenv_status vornenv_section_find(const vornenv_builder* builder, const char* name,
                                    const vornenv_section** section) {
  clear(section);
  if (builder == nullptr || name == nullptr || section == nullptr) {
    return VORNENV_INVALID_ARGUMENT;
  }
  // The builder answers an unknown name with its empty section, which no
  // file can hold (a header's name is never empty).
  const envbuilder::section& found = builder->held->getsection(name);
  if (found.name().empty()) return VORNENV_NOT_FOUND;
  *section = handleof(found);
  return VORNENV_OK;
}

vornenv_status vornenv_section_info(const vornenv_section* section, const char** name,
                                    std::size_t* line, std::size_t* entries) {
  clear(name);
  clear(line);
  clear(entries);
  if (section == nullptr) return VORNENV_INVALID_ARGUMENT;
  const envbuilder::section& s = sectionof(section);
  if (name != nullptr) *name = s.name().c_str();
  if (line != nullptr) *line = s.line();
  if (entries != nullptr) *entries = static_cast<std::size_t>(s.end() - s.begin());
  return VORNENV_OK;
}

vornenv_status vornenv_entry_at(const vornenv_section* section, std::size_t index,
                                const char** name, const char** value, std::size_t* line) {
  clear(name);
  clear(value);
  clear(line);
  if (section == nullptr) return VORNENV_INVALID_ARGUMENT;
  const envbuilder::section& s = sectionof(section);
  if (index >= static_cast<std::size_t>(s.end() - s.begin())) return VORNENV_NOT_FOUND;
  tell(s.begin()[static_cast<std::ptrdiff_t>(index)], name, value, line);
  return VORNENV_OK;
}

vornenv_status vornenv_entry_find(const vornenv_section* section, const char* name,
                                  const char** value, std::size_t* line) {
  clear(value);
  clear(line);
  if (section == nullptr || name == nullptr) return VORNENV_INVALID_ARGUMENT;
  // An unknown name gives the default entry, whose name is empty like no
  // stored entry's.
  const envbuilder::entry& found = sectionof(section).getentry(name);
  if (found.name().empty()) return VORNENV_NOT_FOUND;
  tell(found, nullptr, value, line);
  return VORNENV_OK;
}

vornenv_status vornenv_expand(const char* text, char** result, vornenv_failure** failure) {
  clear(result);
  clear(failure);
  if (text == nullptr || result == nullptr) return VORNENV_INVALID_ARGUMENT;
  return guarded(failure, [&] {
    const std::string expanded = vornenv::expandvar(text);
    // malloc, so that vornenv_free() frees texts without knowing their size.
    char* copy = static_cast<char*>(std::malloc(expanded.size() + 1));
    if (copy == nullptr) return VORNENV_NO_MEMORY;
    std::memcpy(copy, expanded.c_str(), expanded.size() + 1);
    *result = copy;
    return VORNENV_OK;
  });
}

vornenv_status vornenv_free(void* text) {
  std::free(text);
  return VORNENV_OK;
}

vornenv_status vornenv_set_diagnostic_handler(vornenv_diagnostic_handler handler, void* context) {
  return guarded(nullptr, [&] {
    if (handler == nullptr) {
      vornenv::setdiagnostichandler(nullptr);
    } else {
      vornenv::setdiagnostichandler(
          [handler, context](vornenv::severity s, const std::string& message) {
            handler(context,
                    s == vornenv::severity::assertion ? VORNENV_SEVERITY_ASSERTION
                                                      : VORNENV_SEVERITY_WARNING,
                    message.c_str(), message.size());
          });
    }
    return VORNENV_OK;
  });
}

}  // extern "C"
