// vornenv: applies environment description files from the command line.
//
// Exit status: 0 on success; 1 when a description file fails ("FILE:LINE:
// error: message" on stderr) or the tool cannot do its job; 2 for a usage
// error.  run returns the command's own status instead, 126 when it cannot
// be run and 127 when it is not found.

#include <vornenv/vornenv.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/apply/apply.h"
#include "cli/commands/check.h"
#include "cli/commands/commands.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/output/quote.h"
#include "cli/project/project.h"

namespace vornenv::cli {

namespace {

// The options a command takes besides --help and --system-dirs, which every
// command takes.
enum : unsigned {
  takesformat = 1u << 0,   // --format F
  takessection = 1u << 1,  // --section NAME
  takesall = 1u << 2,      // --all
  takesstrict = 1u << 3,   // --strict
  takeseach = 1u << 4,     // --each
  takesundo = 1u << 5,     // --undo
  takeslist = 1u << 7,     // --list
  takesprune = 1u << 8,    // --prune
  // Not an option: what follows "--" is a command line to run, not operands.
  takescommandline = 1u << 6,
};

struct optionspec {
  const char* name;
  unsigned bit;
  bool value;  // takes "--name VALUE" or "--name=VALUE"
};

constexpr optionspec optionspecs[] = {
    {"--format", takesformat, true}, {"--section", takessection, true},
    {"--all", takesall, false},      {"--strict", takesstrict, false},
    {"--each", takeseach, false},    {"--undo", takesundo, false},
    {"--list", takeslist, false},    {"--prune", takesprune, false},
};

struct command;

// The command line, taken apart.
struct invocation {
  const command* cmd = nullptr;       // nullptr until one is given
  std::vector<std::string> operands;  // files, or texts for expand
  std::vector<std::string> argv;      // run: what follows "--"
  bool separator = false;             // "--" was given
  bool help = false;
  bool version = false;
  std::optional<std::string> systemdirs;
  // The command's options given, by name: the value, or "" for a flag.
  std::map<std::string, std::string> options;

  // The command's name; "" before one is given.
  std::string name() const;
  std::optional<std::string> option(const std::string& name) const {
    auto it = options.find(name);
    return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  bool flag(const std::string& name) const { return options.count(name) != 0; }
};

// One command of the tool: what drives its parsing, its help and its run.
struct command {
  const char* name;
  // Its lines in 'vornenv --help'.
  const char* synopsis;
  // 'vornenv NAME --help'; "{default-format}" stands for defaultformat().
  const char* help;
  unsigned options;  // the bits above
  int (*run)(const invocation&);
};

void requireoperands(const invocation& inv, const char* what) {
  if (inv.operands.empty()) throw usageerror(inv.name(), std::string("no ") + what + " given");
}

// show's and libs' --format: true for json.
bool jsonrequested(const invocation& inv) {
  const std::string format = inv.option("--format").value_or("text");
  if (format != "text" && format != "json") {
    throw usageerror(inv.name(), "unknown format '" + printable(format) + "'");
  }
  return format == "json";
}

int run(const invocation& inv) {
  requireoperands(inv, "description file");
  if (!inv.separator) throw usageerror(inv.name(), "'--' must come before the command to run");
  if (inv.argv.empty()) throw usageerror(inv.name(), "no command given after '--'");
  return runcmd(inv.operands, inv.argv);
}

int exportfiles(const invocation& inv) {
  requireoperands(inv, "description file");
  const std::string name = inv.option("--format").value_or(defaultformat());
  const std::optional<shellformat> format = parseformat(name);
  if (!format) throw usageerror(inv.name(), "unknown format '" + printable(name) + "'");
  return exportcmd(inv.operands, *format, std::cout, inv.flag("--undo"));
}

int show(const invocation& inv) {
  requireoperands(inv, "description file");
  // NO_COLOR of any value, even empty, turns colour off.
  const bool json = jsonrequested(inv);
  const bool colour = colourterminal() && !getenvexact("NO_COLOR");
  return showcmd(inv.operands, colour, json, std::cout);
}

int libs(const invocation& inv) {
  requireoperands(inv, "description file");
  if (inv.operands.size() > 1) throw usageerror(inv.name(), "takes one description file");
  const bool json = jsonrequested(inv);
  return libscmd(inv.operands[0],
                 inv.option("--section").value_or(sectionname(sectionkind::librarypaths)),
                 inv.flag("--all"), json, std::cout);
}

int check(const invocation& inv) {
  requireoperands(inv, "description file");
  checkoptions options;
  options.strict = inv.flag("--strict");
  options.each = inv.flag("--each");
  const std::string name = inv.option("--format").value_or("text");
  if (!parsecheckformat(name, options.format)) {
    throw usageerror(inv.name(), "unknown format '" + printable(name) + "'");
  }
  return checkcmd(inv.operands, options, std::cout);
}

int expand(const invocation& inv) {
  requireoperands(inv, "text");
  return expandcmd(inv.operands, std::cout);
}

int explain(const invocation& inv) {
  if (inv.operands.size() < 2) throw usageerror(inv.name(), "needs a variable name and a file");
  return explaincmd(inv.operands[0], {inv.operands.begin() + 1, inv.operands.end()}, std::cout);
}

// The per-project commands: revert, hook, prompt, allow, deny.
shellformat shellformatnamed(const invocation& inv, const std::string& name) {
  const std::optional<shellformat> format = parseformat(name);
  if (!format) throw usageerror(inv.name(), "unknown format '" + printable(name) + "'");
  return *format;
}

int revert(const invocation& inv) {
  if (!inv.operands.empty()) throw usageerror(inv.name(), "takes no operand");
  return revertcmd(shellformatnamed(inv, inv.option("--format").value_or(defaultformat())),
                   std::cout);
}

int prompt(const invocation& inv) {
  if (inv.operands.size() != 1) throw usageerror(inv.name(), "takes one format");
  const std::optional<shellformat> format = parseformat(inv.operands[0]);
  // The formats of the shells with a hook, and json for scripts.
  if (!format || *format == shellformat::cmd) {
    throw usageerror(inv.name(), "unknown format '" + printable(inv.operands[0]) +
                                     "' (sh, fish, powershell or json)");
  }
  return promptcmd(*format, std::cout);
}

int hook(const invocation& inv) {
  if (inv.operands.size() != 1) throw usageerror(inv.name(), "takes one shell");
  return hookcmd(inv.operands[0], std::cout);
}

int trust(const invocation& inv, trustaction action) {
  if (inv.operands.size() > 1) throw usageerror(inv.name(), "takes at most one file");
  std::optional<std::string> file;
  if (!inv.operands.empty()) file = inv.operands[0];
  return trustcmd(file, action, std::cout);
}

int allow(const invocation& inv) {
  const bool list = inv.flag("--list"), prune = inv.flag("--prune");
  if (list && prune) throw usageerror(inv.name(), "takes --list or --prune, not both");
  if ((list || prune) && !inv.operands.empty()) {
    throw usageerror(inv.name(), std::string(list ? "--list" : "--prune") + " takes no file");
  }
  return trust(inv, list ? trustaction::list : prune ? trustaction::prune : trustaction::allow);
}
int deny(const invocation& inv) { return trust(inv, trustaction::deny); }

// allow's and deny's help.
constexpr const char* trusthelp =
    "usage: vornenv allow [FILE]\n       vornenv allow --list | --prune\n"
    "       vornenv deny [FILE]\n\n"
    "allow records FILE (default: the nearest .vornenv.ini) with the SHA-256 of its\n"
    "content, so that the hook applies it; an edited file must be allowed again.\n"
    "A file is known by its folder as the system resolves it (links followed) and\n"
    "its own name; it must be a regular file of at most 1 MiB.  deny forgets it\n"
    "(exit 1 when it is not in the list).  --list shows each entry and its state:\n"
    "allowed, edited (changed since), missing or unreadable; --prune drops the\n"
    "edited and missing ones.  The list is in $XDG_DATA_HOME/vornenv\n"
    "(~/.local/share/vornenv) or %LOCALAPPDATA%\\vornenv.\n";

// Every command, in the order 'vornenv --help' lists them.
constexpr command commands[] = {
    {"run", "  run FILE... -- COMMAND [ARG...]  runs COMMAND in that environment\n",
     "usage: vornenv run [--system-dirs DIRS] FILE... -- COMMAND [ARG...]\n\n"
     "Applies each FILE in order, then runs COMMAND with the resulting\n"
     "environment and exits with its status: 126 when it cannot be run, 127 when\n"
     "it is not found.\n",
     takescommandline, run},
    {"export",
     "  export FILE... [--format F] [--undo]\n"
     "                                   prints the variables the files change, for\n"
     "                                   a shell: sh, fish, powershell, cmd, json\n",
     "usage: vornenv export [--system-dirs DIRS] FILE... [--format F]\n\n"
     "Applies each FILE in order and prints the variables they set, changed or\n"
     "removed, so that a shell can apply them:\n"
     "  sh          eval \"$(vornenv export dev.ini)\"\n"
     "  fish        vornenv export --format fish dev.ini | source\n"
     "  powershell  vornenv export --format powershell dev.ini | Out-String | "
     "Invoke-Expression\n"
     "  cmd         vornenv export --format cmd dev.ini > env.cmd && call env.cmd\n"
     "  json        one object, name to value, null for a removed variable\n"
     "The default is {default-format}.  Values are quoted for the shell byte for byte; cmd cannot\n"
     "hold a line break, so such a value is refused (exit 1, nothing printed).\n"
     "--undo also records, in VORNENV_UNDO, what 'vornenv revert' needs to undo it.\n",
     takesformat | takesundo, exportfiles},
    {"show", "  show FILE... [--format json]     shows the sections and the changed variables\n",
     "usage: vornenv show [--system-dirs DIRS] FILE... [--format text|json]\n\n"
     "Applies each FILE in order and shows its sections in file order, their kinds\n"
     "and their entries as stored (path lists converted), then every variable that\n"
     "changed, old and new value.  Colour only on a terminal and when NO_COLOR is\n"
     "not set.  --format json writes one object: \"files\" (each with its\n"
     "\"sections\", their \"entries\" and lines) and \"changes\" (null for unset).\n",
     takesformat, show},
    {"libs",
     "  libs FILE [--section NAME]       prints where the section's libraries are loaded\n"
     "       [--all] [--format json]     from\n",
     "usage: vornenv libs [--system-dirs DIRS] FILE [--section NAME] [--all]\n"
     "                    [--format text|json]\n\n"
     "Applies FILE and prints where the libraries of the section's directories\n"
     "(default section \"Library Paths\") are loaded from when the system\n"
     "directories, the section's directories and PATH are searched in that order:\n"
     "each library once, the path loaded; when a system directory's copy wins,\n"
     "the section's copy follows it.  --all prints every library the search\n"
     "finds, one path a line.  --format json writes an array of {\"name\",\n"
     "\"loaded\", \"from\"} objects, with \"section_copy\", \"line\" and\n"
     "\"overridden\" unless --all is given.\n",
     takesformat | takessection | takesall, libs},
    {"check",
     "  check FILE... [--strict] [--each] [--format F]\n"
     "                                   tells whether the files apply cleanly, and\n"
     "                                   warns of likely mistakes\n",
     "usage: vornenv check [--system-dirs DIRS] FILE... [--strict] [--each] [--format F]\n\n"
     "Applies the FILEs as run does, in order on one environment, and prints\n"
     "'FILE: ok' for each that applies.  A failure is printed once, compiler\n"
     "style, followed by lines that help to mend it:\n"
     "  FILE:LINE: error: message\n"
     "  FILE:LINE: hint: what to look at\n"
     "(without LINE when no line is concerned).  The files after a failing one\n"
     "are skipped.  Mistakes that apply but likely do not do what was meant are\n"
     "warnings, 'FILE:LINE: warning: message [rule]', with 'FILE: ok, N warnings':\n"
     "  section-name        [Enviroment], [environment], [Executable Path] ...\n"
     "  shell-reference     $VAR, ${VAR} or %VAR% in a value; a reference is $(VAR)\n"
     "  quoted-value        a value wrapped in quotes, which are kept\n"
     "  export-name         an entry name beginning 'export ' or 'set '\n"
     "  shell-name          a variable name that sh and fish cannot set (my-var)\n"
     "  relative-directory  a path section's directory that is relative\n"
     "  later-reference     a reference to a variable the file sets later\n"
     "  empty-path-section  a path section without directories\n"
     "  library-warning     the library's own (libraries that system ones override)\n"
     "options:\n"
     "  --strict    warnings fail the file too\n"
     "  --each      check each FILE on its own, on the starting environment\n"
     "  --format F  text (default); json; sarif (SARIF 2.1.0, for code scanning)\n"
     "Exits with 1 when a file fails, 0 otherwise.\n",
     takesformat | takesstrict | takeseach, check},
    {"expand", "  expand TEXT...                   prints each text with $(NAME) expanded\n",
     "usage: vornenv expand TEXT...\n\n"
     "Prints each TEXT with its $(NAME) references replaced by the variables'\n"
     "values, expanded in turn; '--' ends the options.\n",
     0, expand},
    {"explain",
     "  explain NAME FILE...             tells where the files' value of NAME came from\n",
     "usage: vornenv explain [--system-dirs DIRS] NAME FILE...\n\n"
     "Applies each FILE in order, as run does, and tells where the resulting value\n"
     "of the variable NAME came from: the file and line of each entry that set it\n"
     "(for PATH, each path section that changed it and its directories), the value\n"
     "before and after, and how the entry's text expanded: each $(REF) with its\n"
     "value and where that came from (the environment, or a file and line), in\n"
     "turn.  When no FILE sets NAME it says so and shows the environment's value;\n"
     "the exit status is 0 then too.\n",
     0, explain},
    {"revert", "  revert [--format F]              prints what undoes the last export --undo\n",
     "usage: vornenv revert [--format F]\n\n"
     "Prints, for the shell (formats as export's), what undoes the newest level of\n"
     "the record that 'export --undo' left in VORNENV_UNDO: each variable that still\n"
     "holds what the export set gets its old value back or is removed (one you set\n"
     "since keeps your value), and PATH loses the elements the files put in and\n"
     "gets back those they moved, keeping what you added or removed since.  The\n"
     "record keeps as many levels as fit in 16 KiB; revert says when it reaches\n"
     "the point where older ones were dropped.  The hook keeps its own record.\n"
     "  sh  eval \"$(vornenv revert)\"\n",
     takesformat, revert},
    {"hook",
     "  hook SHELL                       prints the prompt hook for bash, zsh, fish or\n"
     "                                   powershell: it applies the nearest .vornenv.ini\n",
     "usage: vornenv hook bash|zsh|fish|powershell\n\n"
     "Prints the code that makes the shell, at each prompt, apply the nearest\n"
     ".vornenv.ini from the working directory upwards, once 'vornenv allow' has\n"
     "allowed it; leaving its folder undoes it, and an edited file is undone and\n"
     "waits until it is allowed again.  Put in the shell's start-up file:\n"
     "  bash        eval \"$(vornenv hook bash)\"          (~/.bashrc)\n"
     "  zsh         eval \"$(vornenv hook zsh)\"           (~/.zshrc)\n"
     "  fish        vornenv hook fish | source           (config.fish)\n"
     "  powershell  vornenv hook powershell | Out-String | Invoke-Expression  ($PROFILE)\n",
     0, hook},
    // Run by the hook at each prompt, not by hand: no line in 'vornenv --help'.
    {"prompt", "",
     "usage: vornenv prompt sh|fish|powershell|json\n\n"
     "What the hook runs at each prompt: prints what undoes the file applied before\n"
     "and applies the nearest allowed .vornenv.ini, or nothing when neither changed.\n",
     0, prompt},
    // One line in 'vornenv --help' for both.
    {"allow",
     "  allow [FILE] | deny [FILE]       lets the hook apply FILE, or no longer;\n"
     "  allow --list | --prune           shows or prunes the list\n",
     trusthelp, takeslist | takesprune, allow},
    {"deny", "", trusthelp, 0, deny},
};

std::string invocation::name() const { return cmd == nullptr ? "" : cmd->name; }

const command* findcommand(const std::string& name) {
  for (const command& c : commands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

void usage(std::ostream& out) {
  out << "usage: vornenv [--system-dirs DIRS] COMMAND [ARG...]\n"
         "\n"
         "Applies environment description files (INI sections of name = value lines)\n"
         "to its own environment, then:\n";
  for (const command& c : commands) out << c.synopsis;
  out << "\n"
         "options:\n"
         "  --system-dirs DIRS  system library directories, separated by '"
      << pathlistsep
      << "'\n"
         "  --help              this help; 'vornenv COMMAND --help' for a command's\n"
         "  --version           the version\n"
         "\n"
         "Exit status: 0 ok, 1 a description file failed, 2 usage error; run passes on\n"
         "the command's own, or 126 (cannot run it) or 127 (not found).\n";
}

void commandhelp(const command& c, std::ostream& out) {
  std::string text = c.help;
  const std::string token = "{default-format}";
  const std::size_t at = text.find(token);
  if (at != std::string::npos) text.replace(at, token.size(), defaultformat());
  out << text;
}

// Takes "--name VALUE" or "--name=VALUE" at args[i]; advances i past it.
std::optional<std::string> takevalue(const std::vector<std::string>& args, std::size_t& i,
                                     const std::string& name, const std::string& command) {
  const std::string& arg = args[i];
  if (arg.compare(0, name.size() + 1, name + "=") == 0) return arg.substr(name.size() + 1);
  if (arg != name) return std::nullopt;
  if (i + 1 >= args.size()) throw usageerror(command, "option '" + name + "' needs a value");
  return args[++i];
}

// Takes one of the command's own options at args[i] into inv; false when
// args[i] is none of them.
bool takeoption(const std::vector<std::string>& args, std::size_t& i, invocation& inv) {
  for (const optionspec& o : optionspecs) {
    if ((inv.cmd->options & o.bit) == 0) continue;
    if (!o.value) {
      if (args[i] != o.name) continue;
      inv.options[o.name];
      return true;
    }
    if (auto value = takevalue(args, i, o.name, inv.name())) {
      inv.options[o.name] = std::move(*value);
      return true;
    }
  }
  return false;
}

invocation parse(const std::vector<std::string>& args) {
  invocation inv;
  std::size_t i = 0;
  for (; i < args.size() && inv.cmd == nullptr; ++i) {
    const std::string& arg = args[i];
    if (auto dirs = takevalue(args, i, "--system-dirs", "")) {
      inv.systemdirs = dirs;
    } else if (arg == "--help" || arg == "-h") {
      inv.help = true;
    } else if (arg == "--version") {
      inv.version = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw usageerror("", "unknown option '" + printable(arg) + "'");
    } else if (const command* c = findcommand(arg)) {
      inv.cmd = c;
    } else {
      throw usageerror("", "unknown command '" + printable(arg) + "'");
    }
  }
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      inv.separator = true;
      auto& rest = (inv.cmd->options & takescommandline) != 0 ? inv.argv : inv.operands;
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (arg.size() <= 1 || arg[0] != '-') {
      inv.operands.push_back(arg);
    } else if (arg == "--help" || arg == "-h") {
      inv.help = true;
    } else if (auto dirs = takevalue(args, i, "--system-dirs", inv.name())) {
      inv.systemdirs = dirs;
    } else if (!takeoption(args, i, inv)) {
      throw usageerror(inv.name(), "unknown option '" + printable(arg) + "'");
    }
  }
  return inv;
}

int main(const std::vector<std::string>& args) {
  // Every line, on either stream, ends in "\n" on every platform; export
  // --format cmd writes its own "\r\n".
  setbinaryoutput();
  // Failures are reported once, from what is thrown; warnings outside a
  // description file carry the tool's name.
  setdiagnostichandler([](severity s, const std::string& message) {
    if (s == severity::warning) std::cerr << "vornenv: warning: " << printable(message) << '\n';
  });
  try {
    const invocation inv = parse(args);
    if (inv.help) {
      if (inv.cmd == nullptr) {
        usage(std::cout);
      } else {
        commandhelp(*inv.cmd, std::cout);
      }
      return 0;
    }
    if (inv.version) {
      std::cout << "vornenv " << VORNENV_VERSION << '\n';
      return 0;
    }
    if (inv.cmd == nullptr) throw usageerror("", "no command given");
    if (inv.systemdirs)
      vornfile::setsystemdirs(vornfile::splitpathlist(*inv.systemdirs, pathlistsep));
    const int status = inv.cmd->run(inv);
    std::cout.flush();
    if (!std::cout) throw failure("cannot write to standard output");
    return status;
  } catch (const usageerror& e) {
    const std::string help =
        e.command().empty() ? "vornenv --help" : "vornenv " + e.command() + " --help";
    std::cerr << "vornenv: " << (e.command().empty() ? "" : e.command() + ": ") << e.what()
              << " (try '" << help << "')\n";
    return 2;
  } catch (const filefailure& e) {
    std::cerr << e.what() << '\n';
    return 1;
  } catch (const vornenv::error& e) {
    // A failure of no file: expand's.
    std::cerr << "vornenv: error: " << printable(e.message()) << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vornenv: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace

}  // namespace vornenv::cli

int main(int argc, char** argv) {
  try {
    return vornenv::cli::main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (...) {
    // Not even the message could be built (out of memory, say).
    std::fputs("vornenv: unexpected failure\n", stderr);
    return 1;
  }
}
