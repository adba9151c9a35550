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
#include "cli/commands/completion.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/output/quote.h"
#include "cli/project/project.h"

namespace vornenv::cli {

namespace {

// The options a command takes besides --help, which every command takes.
// --system-dirs is taken before any command, and after those on which it
// acts (takessystemdirs), so that each usage line lists what its command
// takes.
enum : unsigned {
  takesformat = 1u << 0,       // --format F
  takessection = 1u << 1,      // --section NAME
  takesall = 1u << 2,          // --all
  takesstrict = 1u << 3,       // --strict
  takeseach = 1u << 4,         // --each
  takesundo = 1u << 5,         // --undo
  takeslist = 1u << 7,         // --list
  takesprune = 1u << 8,        // --prune
  takesagain = 1u << 9,        // --again
  takessystemdirs = 1u << 10,  // --system-dirs DIRS after the command too
  // Not an option: what follows "--" is a command line to run, not operands.
  takescommandline = 1u << 6,
};

struct optionspec {
  const char* name;
  unsigned bit;
  bool value;  // takes "--name VALUE" or "--name=VALUE"
  // For completion: a few words on it, and what its value completes to
  // (--format: the command's formats).
  const char* about;
  completes kind;
};

constexpr optionspec optionspecs[] = {
    {"--format", takesformat, true, "output format", completes::words},
    {"--section", takessection, true, "the section whose libraries", completes::nothing},
    {"--all", takesall, false, "every library the search finds", completes::nothing},
    {"--strict", takesstrict, false, "warnings fail the file too", completes::nothing},
    {"--each", takeseach, false, "check each file on its own", completes::nothing},
    {"--undo", takesundo, false, "also record what revert needs", completes::nothing},
    {"--list", takeslist, false, "show the allowed files", completes::nothing},
    {"--prune", takesprune, false, "drop the edited and missing files", completes::nothing},
    {"--again", takesagain, false, "apply the file afresh", completes::nothing},
    {"--system-dirs", takessystemdirs, true, "system library directories", completes::directories},
};

// What a command's operands are, for completion.
enum class operandkind {
  none,         // none, or free texts
  files,        // description files
  namefiles,    // a variable's name, then description files
  commandline,  // description files, then "--" and a command line
  words,        // one of the command's words
  commands,     // one of the tool's commands
  shells,       // one of the shells with a completion script
};

// The names of the formats as the commands take them (quote.h's
// parseformat(); check's and show's own).
constexpr const char* shellformats = "sh bash zsh fish powershell pwsh cmd json";
constexpr const char* promptformats = "sh bash zsh fish powershell pwsh json";
constexpr const char* documentformats = "text json";

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
  operandkind operands = operandkind::none;
  // The words that --format or the words operand takes, space separated.
  const char* words = "";
};

void requireoperands(const invocation& inv, const char* what) {
  if (inv.operands.empty()) throw usageerror(inv.name(), std::string("no ") + what + " given");
}

// The description files among the operands from the first-th on: "-" is
// standard input, which can be read once.
std::vector<std::string> descriptionfiles(const invocation& inv, std::size_t first = 0) {
  std::vector<std::string> files;
  bool stdinread = false;
  for (std::size_t i = first; i < inv.operands.size(); ++i) {
    if (inv.operands[i] == "-") {
      if (stdinread) throw usageerror(inv.name(), "standard input ('-') given twice");
      stdinread = true;
    }
    files.push_back(descriptionoperand(inv.operands[i]));
  }
  return files;
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
  const std::vector<std::string> files = descriptionfiles(inv);
  for (const std::string& file : files) {
    if (file == stdinname) {
      std::cerr << "vornenv: warning: the description is read from standard input, so '"
                << printable(inv.argv[0]) << "' finds its standard input at its end\n";
    }
  }
  return runcmd(files, inv.argv);
}

int exportfiles(const invocation& inv) {
  requireoperands(inv, "description file");
  const std::string name = inv.option("--format").value_or(defaultformat());
  const std::optional<shellformat> format = parseformat(name);
  if (!format) throw usageerror(inv.name(), "unknown format '" + printable(name) + "'");
  return exportcmd(descriptionfiles(inv), *format, std::cout, inv.flag("--undo"));
}

int show(const invocation& inv) {
  requireoperands(inv, "description file");
  // NO_COLOR of any value, even empty, turns colour off.
  const bool json = jsonrequested(inv);
  const bool colour = colourterminal() && !getenvexact("NO_COLOR");
  return showcmd(descriptionfiles(inv), colour, json, std::cout);
}

int libs(const invocation& inv) {
  requireoperands(inv, "description file");
  if (inv.operands.size() > 1) throw usageerror(inv.name(), "takes one description file");
  const bool json = jsonrequested(inv);
  return libscmd(descriptionfiles(inv)[0],
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
  return checkcmd(descriptionfiles(inv), options, std::cout);
}

int expand(const invocation& inv) {
  requireoperands(inv, "text");
  return expandcmd(inv.operands, std::cout);
}

int explain(const invocation& inv) {
  if (inv.operands.size() < 2) throw usageerror(inv.name(), "needs a variable name and a file");
  return explaincmd(inv.operands[0], descriptionfiles(inv, 1), std::cout);
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
    throw usageerror(inv.name(),
                     "unknown format '" + printable(inv.operands[0]) + "' (" + promptformats + ")");
  }
  const bool lean = inv.operands[0] == "bash" || *format == shellformat::fish;
  return promptcmd(*format, inv.flag("--again"), lean, std::cout);
}

int status(const invocation& inv) {
  if (!inv.operands.empty()) throw usageerror(inv.name(), "takes no operand");
  return statuscmd(std::cout);
}

int hook(const invocation& inv) {
  if (inv.operands.size() != 1) throw usageerror(inv.name(), "takes one shell");
  return hookcmd(inv.operands[0], std::cout);
}

int trust(const invocation& inv, trustaction action) {
  if (inv.operands.size() > 1) throw usageerror(inv.name(), "takes at most one file");
  // The hook applies what was allowed by its content: standard input has
  // none to record.
  if (!inv.operands.empty() && inv.operands[0] == "-") {
    throw usageerror(inv.name(), "takes a file, not standard input ('-')");
  }
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

// Below the table, which they read.
int help(const invocation& inv);
int completion(const invocation& inv);

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
     takescommandline | takessystemdirs, run, operandkind::commandline},
    {"export",
     "  export FILE... [--format F] [--undo]\n"
     "                                   prints the variables the files change, for\n"
     "                                   a shell: sh (bash, zsh), fish, powershell\n"
     "                                   (pwsh), cmd, json\n",
     "usage: vornenv export [--system-dirs DIRS] FILE... [--format F] [--undo]\n\n"
     "Applies each FILE in order and prints the variables they set, changed or\n"
     "removed, so that a shell can apply them:\n"
     "  sh          eval \"$(vornenv export dev.ini)\"  (bash and zsh are names of sh)\n"
     "  fish        vornenv export --format fish dev.ini | source\n"
     "  powershell  vornenv export --format powershell dev.ini | Out-String | "
     "Invoke-Expression\n"
     "              (pwsh is a name of powershell)\n"
     "  cmd         vornenv export --format cmd dev.ini > env.cmd && call env.cmd\n"
     "  json        one object, name to value, null for a removed variable\n"
     "The default is {default-format}.  Values are quoted for the shell byte for byte; cmd cannot\n"
     "hold a line break, so such a value is refused (exit 1, nothing printed).\n"
     "In Git Bash and MSYS2 (MSYSTEM set), sh writes PATH as they read it:\n"
     "/c/Tools/bin, with ':' between folders.\n"
     "--undo also records, in VORNENV_UNDO, what 'vornenv revert' needs to undo it.\n",
     takesformat | takesundo | takessystemdirs, exportfiles, operandkind::files, shellformats},
    {"show", "  show FILE... [--format json]     shows the sections and the changed variables\n",
     "usage: vornenv show [--system-dirs DIRS] FILE... [--format text|json]\n\n"
     "Applies each FILE in order and shows its sections in file order, their kinds\n"
     "and their entries as stored (path lists converted), then every variable that\n"
     "changed, old and new value.  Colour only on a terminal and when NO_COLOR is\n"
     "not set.  --format json writes one object: \"files\" (each with its\n"
     "\"sections\", their \"entries\" and lines) and \"changes\" (null for unset).\n",
     takesformat | takessystemdirs, show, operandkind::files, documentformats},
    {"libs",
     "  libs FILE [--section NAME]       tells what each library of the section's\n"
     "       [--all] [--format json]     folders is, and which system copies win\n",
     "usage: vornenv libs [--system-dirs DIRS] FILE [--section NAME] [--all]\n"
     "                    [--format text|json]\n\n"
     "Applies FILE and lists the libraries of the section's directories (default\n"
     "section \"Library Paths\"), each once, searching the system directories,\n"
     "the section's directories and PATH in that order.  On Windows, which\n"
     "searches PATH for DLLs, each line is the copy that is loaded; when a system\n"
     "directory's copy wins, the section's copy follows it.  Elsewhere the\n"
     "section only extends PATH, which the dynamic loader does not read (it reads\n"
     "LD_LIBRARY_PATH, its cache and the system directories): each line is the\n"
     "section's copy, or a system copy of the same name, followed by the\n"
     "section's.  --all prints every library the search finds, the first of each\n"
     "name, one path a line.  --format json writes an array of {\"name\",\n"
     "\"loaded\" (Windows) or \"path\" (elsewhere), \"from\"} objects, with\n"
     "\"section_copy\", \"line\" and, on Windows, \"overridden\" unless --all is\n"
     "given.\n",
     takesformat | takessection | takesall | takessystemdirs, libs, operandkind::files,
     documentformats},
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
     "  trailing-comment    a value ending in ' ; note' or ' # note', which is kept\n"
     "  short-reference     $(X) in a path component of 4 characters or fewer,\n"
     "                      which is not expanded\n"
     "  relative-directory  a path section's directory that is relative\n"
     "  later-reference     a reference to a variable the file sets later\n"
     "  empty-path-section  a path section without directories\n"
     "  library-warning     the library's own (libraries that system ones override)\n"
     "options:\n"
     "  --strict    warnings fail the file too\n"
     "  --each      check each FILE on its own, on the starting environment\n"
     "  --format F  text (default); json; sarif (SARIF 2.1.0, for code scanning)\n"
     "Exits with 1 when a file fails, 0 otherwise.\n",
     takesformat | takesstrict | takeseach | takessystemdirs, check, operandkind::files,
     "text json sarif"},
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
     takessystemdirs, explain, operandkind::namefiles},
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
     takesformat, revert, operandkind::none, shellformats},
    {"hook",
     "  hook SHELL                       prints the prompt hook for bash, zsh, fish or\n"
     "                                   pwsh: it applies the nearest .vornenv.ini\n",
     "usage: vornenv hook bash|zsh|fish|pwsh|powershell\n\n"
     "Prints the code that makes the shell, at each prompt, apply the nearest\n"
     ".vornenv.ini from the working directory upwards, once 'vornenv allow' has\n"
     "allowed it; leaving its folder undoes it, and an edited file is undone and\n"
     "waits until it is allowed again.  Put in the shell's start-up file:\n"
     "  bash        eval \"$(vornenv hook bash)\"          (~/.bashrc)\n"
     "  zsh         eval \"$(vornenv hook zsh)\"           (~/.zshrc)\n"
     "  fish        vornenv hook fish | source           (config.fish)\n"
     "  pwsh        vornenv hook pwsh | Out-String | Invoke-Expression  ($PROFILE)\n"
     "In bash, zsh and fish it starts vornenv only when the folder, or the file or\n"
     "the list of allowed files, may have changed.  It says on stderr what it\n"
     "loaded or unloaded (VORNENV_QUIET=1 silences that), and defines\n"
     "vornenv_reload, which applies the file afresh at the next prompt.  Plain sh\n"
     "has no prompt hook.  In Git Bash and MSYS2 it writes PATH as they read it.\n",
     0, hook, operandkind::words, "bash zsh fish pwsh powershell"},
    {"status",
     "  status                           tells which .vornenv.ini applies here, whether\n"
     "                                   it is allowed and what the hook changed\n",
     "usage: vornenv status\n\n"
     "Tells the nearest .vornenv.ini from the working directory upwards; whether it\n"
     "is allowed, and if not why (never allowed, or edited since); whether the hook\n"
     "applied it in this shell; and the variables the hook changed.\n",
     0, status, operandkind::none},
    {"prompt", "  prompt FORMAT [--again]          what the hook runs at a prompt (not by hand)\n",
     "usage: vornenv prompt sh|bash|zsh|fish|powershell|pwsh|json [--again]\n\n"
     "What the hook runs at each prompt: prints what undoes the file applied before\n"
     "and applies the nearest allowed .vornenv.ini, or nothing when neither changed.\n"
     "--again applies the file afresh even when nothing changed (vornenv_reload).\n",
     takesagain, prompt, operandkind::words, promptformats},
    // One line in 'vornenv --help' for both.
    {"allow",
     "  allow [FILE] | deny [FILE]       lets the hook apply FILE, or no longer;\n"
     "  allow --list | --prune           shows or prunes the list\n",
     trusthelp, takeslist | takesprune, allow, operandkind::files},
    {"deny", "", trusthelp, 0, deny, operandkind::files},
    {"help", "  help [COMMAND]                   this help, or the command's\n",
     "usage: vornenv help [COMMAND]\n\n"
     "Prints the tool's help, or COMMAND's: the same as 'vornenv --help' and\n"
     "'vornenv COMMAND --help'.\n",
     0, help, operandkind::commands},
    {"completion",
     "  completion SHELL                 prints the completion script for bash, zsh,\n"
     "                                   fish or powershell\n",
     "usage: vornenv completion bash|zsh|fish|powershell\n\n"
     "Prints the script that completes the tool's commands, options, formats and\n"
     "files in that shell.  An install puts each where the shell looks (under\n"
     "PREFIX/share): bash-completion/completions/vornenv,\n"
     "zsh/vendor-completions/_vornenv and fish/vendor_completions.d/vornenv.fish;\n"
     "PowerShell has no such folder: vornenv/vornenv.ps1, to load from $PROFILE.\n"
     "By hand:\n"
     "  bash        source <(vornenv completion bash)            (~/.bashrc)\n"
     "  zsh         source <(vornenv completion zsh)             (~/.zshrc, after\n"
     "                                                           compinit)\n"
     "  fish        vornenv completion fish > ~/.config/fish/completions/vornenv.fish\n"
     "  powershell  vornenv completion powershell | Out-String | Invoke-Expression\n"
     "                                                           ($PROFILE)\n",
     0, completion, operandkind::shells},
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
         "A FILE of '-' is standard input, named <stdin> in messages (a file named '-'\n"
         "is './-').\n"
         "\n"
         "options:\n"
         "  --system-dirs DIRS  system library directories, separated by '"
      << pathlistsep
      << "'\n"
         "  -h, --help          this help; 'vornenv help COMMAND' for a command's\n"
         "  -V, --version       the version\n"
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

// The first words of each of the synopsis's lines after the command's
// form: what the command does, for completion.
std::string about(const char* synopsis) {
  const std::size_t column = 35;
  std::string text, line;
  for (const char* p = synopsis; *p != '\0'; ++p) {
    if (*p != '\n') {
      line += *p;
      continue;
    }
    if (line.size() > column && line[column - 1] == ' ') {
      text += (text.empty() ? "" : " ") + line.substr(line.find_first_not_of(' ', column));
    }
    line.clear();
  }
  return text;
}

std::vector<std::string> splitwords(const char* words) {
  std::vector<std::string> out;
  std::string word;
  for (const char* p = words;; ++p) {
    if (*p == ' ' || *p == '\0') {
      if (!word.empty()) out.push_back(word);
      word.clear();
      if (*p == '\0') return out;
    } else {
      word += *p;
    }
  }
}

// The table as the completion scripts need it.
completiontable completiondata() {
  completiontable t;
  t.program = "vornenv";
  const completionoption help{"--help", "-h", "this help", false, completes::nothing, {}};
  t.global = {{"--system-dirs", "", "system library directories", true, completes::directories, {}},
              help,
              {"--version", "-V", "the version", false, completes::nothing, {}}};
  for (const command& c : commands) {
    completioncommand cc{c.name, about(c.synopsis), {}, completes::nothing, {}};
    for (const optionspec& o : optionspecs) {
      if ((c.options & o.bit) == 0) continue;
      cc.options.push_back(
          {o.name, "", o.about, o.value, o.kind,
           o.kind == completes::words ? splitwords(c.words) : std::vector<std::string>()});
    }
    cc.options.push_back(help);
    switch (c.operands) {
      case operandkind::none:
        break;
      case operandkind::files:
        cc.operands = completes::files;
        break;
      case operandkind::namefiles:
        cc.operands = completes::variable;
        break;
      case operandkind::commandline:
        cc.operands = completes::commandline;
        break;
      case operandkind::words:
        cc.operands = completes::words;
        cc.words = splitwords(c.words);
        break;
      case operandkind::commands:
        cc.operands = completes::words;
        for (const command& named : commands) cc.words.push_back(named.name);
        break;
      case operandkind::shells:
        cc.operands = completes::words;
        cc.words = completionshells;
        break;
    }
    t.commands.push_back(std::move(cc));
  }
  return t;
}

int help(const invocation& inv) {
  if (inv.operands.size() > 1) throw usageerror(inv.name(), "takes at most one command");
  if (inv.operands.empty()) {
    usage(std::cout);
    return 0;
  }
  const command* c = findcommand(inv.operands[0]);
  if (c == nullptr) {
    throw usageerror("", "unknown command '" + printable(inv.operands[0]) + "'");
  }
  commandhelp(*c, std::cout);
  return 0;
}

int completion(const invocation& inv) {
  if (inv.operands.size() != 1) throw usageerror(inv.name(), "takes one shell");
  const std::optional<std::string> script = completionscript(completiondata(), inv.operands[0]);
  if (!script) {
    throw usageerror(inv.name(), "unknown shell '" + printable(inv.operands[0]) +
                                     "' (bash, zsh, fish or powershell)");
  }
  std::cout << *script;
  return 0;
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
      if (o.bit == takessystemdirs) {
        inv.systemdirs = std::move(value);
      } else {
        inv.options[o.name] = std::move(*value);
      }
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
    } else if (arg == "--version" || arg == "-V") {
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
