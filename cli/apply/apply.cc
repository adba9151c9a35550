// How every command applies a description file: one open of the file, the
// library's reports located in it, and VORNENV_FILE and VORNENV_DIR naming
// it while it applies.

#include "cli/apply/apply.h"

#include <vornenv/vornenv.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>

#include "cli/apply/failure.h"
#include "cli/apply/identity.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"

namespace vornenv::cli {

namespace {

// While the host works on a file, the library's reports come here.  An
// assertion is dropped: the error thrown after it is reported once, with
// its place.  A warning names the file, and the line being read if any.
class filereports {
 public:
  explicit filereports(const std::string& file, const iniparser* reader = nullptr)
      : previous_(setdiagnostichandler([&file, reader](severity s, const std::string& message) {
          if (s == severity::assertion) return;
          std::cerr << printable(file);
          if (reader != nullptr && reader->currentline() != 0) {
            std::cerr << ':' << reader->currentline();
          }
          std::cerr << ": warning: " << printable(message) << '\n';
        })) {}
  filereports(const filereports&) = delete;
  filereports& operator=(const filereports&) = delete;
  ~filereports() { setdiagnostichandler(std::move(previous_)); }

 private:
  diagnostichandler previous_;
};

// Standard input, read to its end the first time a description needs it.
const std::string& standardinput() {
  static const std::string text = [] {
    std::string reason;
    std::optional<std::string> read = readstandardinput(reason);
    if (!read) throw failure("cannot read standard input: " + reason);
    return std::move(*read);
  }();
  return text;
}

}  // namespace

std::string descriptionoperand(const std::string& operand) {
  if (operand == "-") return stdinname;
  if (operand == stdinname) return std::string("./") + stdinname;
  return operand;
}

// Keeps a builder that is no longer needed until the process ends, when the
// operating system takes its memory back in one go: freeing a large file's
// entries one by one would take a tenth of a check's time.  It stays
// reachable, so leak checkers see no leak; the one kept before is freed.
void keeptoexit(std::unique_ptr<envbuilder> builder) {
  // A union's member is destroyed only when the union's destructor says so.
  union keeper {
    keeper() : held() {}
    ~keeper() {}
    std::unique_ptr<envbuilder> held;
  };
  static keeper kept;
  kept.held = std::move(builder);
}

fileplace::fileplace(const std::optional<std::string>& identity, changelog* log)
    : oldfile_(getenvexact("VORNENV_FILE")), olddir_(getenvexact("VORNENV_DIR")), log_(log) {
  const std::string folder = identity ? splitfolder(*identity).first : currentdir();
  if (identity.value_or(folder).find("$(") != std::string::npos) {
    withheld_ = folder;
    put("VORNENV_FILE", std::nullopt);
    put("VORNENV_DIR", std::nullopt);
    return;
  }
  put("VORNENV_FILE", identity);
  put("VORNENV_DIR", folder);
}

void fileplace::put(const char* name, const std::optional<std::string>& value) {
  if (log_ == nullptr) {
    setenvexact(name, value);
    return;
  }
  try {
    log_->put(name, value);
  } catch (const failure&) {
    // As without a log: a variable the platform refuses stays as it was.
  }
}

fileplace::~fileplace() {
  if (!setbyfile("VORNENV_FILE")) put("VORNENV_FILE", oldfile_);
  if (!setbyfile("VORNENV_DIR")) put("VORNENV_DIR", olddir_);
}

bool fileplace::setbyfile(const char* name) const {
  if (builder_ == nullptr) return false;
  // A file without the section gets an empty one here: no copy of every
  // section's name, which a file of a million sections would feel.
  for (const envbuilder::entry& e : builder_->getsection(sectionname(sectionkind::environment))) {
    if (envkey(e.name()) == envkey(name)) return true;
  }
  return false;
}

std::optional<finding> applyinto(envbuilder& builder, const descriptionsource& source,
                                 std::string* section) {
  const bool fromstdin = source.text == nullptr && source.name == stdinname;
  std::optional<std::string> identity = source.identity;
  if (!identity && !fromstdin) identity = fileidentity(source.name);
  const std::string* text = fromstdin ? &standardinput() : source.text;
  openedfile opened;
  if (text == nullptr) opened = openforreading(source.name);
  fileplace place(identity, source.log);
  if (source.log != nullptr) {
    builder.setobserver(source.log);
  } else {
    builder.setobserver(source.observer);
  }
  // The observer is the caller's for this call alone, however it ends.
  struct unwatch {
    envbuilder& b;
    ~unwatch() { b.setobserver(nullptr); }
  } unwatched{builder};
  try {
    if (text != nullptr) {
      builder.parsetext(*text, source.name);
    } else {
      builder.parsefile(opened.file.get(), source.name);
    }
    place.applied(&builder);
    return std::nullopt;
  } catch (const error& e) {
    finding f = explainfailure(e, &builder);
    if (section != nullptr) *section = e.section();
    if (e.what_kind() == error::kind::unreadable && !opened.reason.empty()) {
      f.hints.push_back("the system says: " + opened.reason);
    }
    if (!place.withheld().empty()) {
      for (const char* name : {"VORNENV_DIR", "VORNENV_FILE"}) {
        if (e.what_kind() == error::kind::unset && e.subject() == name) {
          f.hints.push_back(std::string(name) + " is not set for this file: its folder '" +
                            place.withheld() +
                            "' holds '$(', which a value referring to it would expand again");
        }
      }
    }
    return f;
  }
}

std::unique_ptr<envbuilder> applydescription(const descriptionsource& source) {
  auto builder = std::make_unique<envbuilder>();
  std::optional<finding> failed;
  {
    filereports located(source.name, builder.get());
    failed = applyinto(*builder, source);
  }
  if (!failed) return builder;
  // What a failing file read is freed as a passing one's is: at exit.
  std::string text = describe(source.name, *failed);
  keeptoexit(std::move(builder));
  throw filefailure(text);
}

const char* sectionname(sectionkind k) {
  for (const namedkind& named : namedkinds) {
    if (named.kind == k) return named.name;
  }
  return "";
}

}  // namespace vornenv::cli
