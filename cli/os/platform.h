// What the command-line host needs from the operating system beyond the
// library: the environment's exact texts, starting a command, the terminal,
// and files and folders.  One backend file per platform (platform_posix.cc,
// platform_windows.cc) defines these, but for the environment's, which
// platform.cc takes from vornplatform; nothing else in cli/ sees a platform
// type.

#ifndef VORNENV_CLI_OS_PLATFORM_H_
#define VORNENV_CLI_OS_PLATFORM_H_

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vornenv::cli {

// The key under which the platform compares variable names: the name itself
// on POSIX, its upper case by the system's own table on Windows.
//
// Names and values are bytes on POSIX and UTF-8 on Windows, where the
// environment is read and written in UTF-16, whatever the code page (the
// library's exact texts, through vornplatform).
std::string envkey(const std::string& name);

// Sets name to *value exactly (an empty text too), or removes it for
// std::nullopt.  Returns false when the platform refuses.
bool setenvexact(const std::string& name, const std::optional<std::string>& value);

// Outcome of runcommand(): the command's exit status, or, when it could not
// be started, 127 (not found) or 126 (found but not executable) and a
// description of the cause in error.
struct runresult {
  int status = 0;
  std::string error;
};

// Runs argv (REQUIRES: not empty) with the process environment.  On POSIX
// the process is replaced (execvp) and this returns only when that fails;
// on Windows the command is started with a command line quoted by the
// platform's argument rules, waited for, and its exit code returned.
runresult runcommand(const std::vector<std::string>& argv);

// True when standard output is a terminal that shows colour (on Windows,
// one that accepts virtual-terminal sequences, switched on here).
bool colourterminal();

// Makes standard output and standard error write bytes unchanged: Windows
// would otherwise turn each "\n" into "\r\n", inside quoted values too.  Both
// streams end their lines with "\n" alone, on every platform.
void setbinaryoutput();

// Standard input read to its end, every byte as it is (Windows reads it in
// binary mode: no "\r\n" turned into "\n", no Ctrl-Z taken as its end), or
// std::nullopt when it cannot be read, and reason then says why.
std::optional<std::string> readstandardinput(std::string& reason);

// The export format that suits the platform's own shell: "sh" or "cmd".
const char* defaultformat();

// Whether a shell of Git Bash or MSYS2 runs this program, which then writes
// PATH for sh in that shell's form (formatoptions::msyspath): on Windows,
// when MSYSTEM is set, as those shells set it; never on POSIX, where the
// variable means nothing.
bool msysshell();

// text encoded in the code page in which cmd reads a batch file here (on
// Windows the console's output code page, or the OEM code page when there is
// no console; UTF-8 elsewhere), or std::nullopt when a character of text has
// no exact form in it.
std::optional<std::string> tocmdtext(const std::u16string& text);

// The value of name, or std::nullopt when it is not set.
std::optional<std::string> getenvexact(const std::string& name);

// Every variable by envkey() (the first of two spellings, as the platform
// reads them), for a caller about to read many: each getenvexact() searches
// the whole environment.
std::map<std::string, std::string> readenvironment();

// --- Files and folders, for the shell hook and its list of allowed files ---

// The working directory, absolute.  Throws failure when it cannot be read.
std::string currentdir();

// path made absolute against the working directory (not resolving links).
std::string absolutepath(const std::string& path);

// The characters that separate folders in a path: "/" on POSIX, "\\/" on
// Windows.
const char* dirseparators();

// Whether the dynamic loader searches PATH for the shared libraries that a
// program needs: true on Windows, which searches PATH for DLLs; false on
// POSIX, whose loader reads LD_LIBRARY_PATH, its cache and the system
// directories, never PATH.
bool loadersearchespath();

// The length of the root that begins path: 1 for / on POSIX; on Windows 3
// for C:\ (2 for C: alone) and the whole of \\server\share\ (or of
// \\server\share); 0 for a relative path.
std::size_t rootlength(const std::string& path);

// A short text that changes whenever the regular file at path is written
// (its modification time and size), or std::nullopt when there is no
// regular file there.
std::optional<std::string> filestamp(const std::string& path);

// Leaves at mark an empty file with the modification time of the regular
// file at path, so that a shell can tell without starting a process, by
// comparing the two times, that path was not written since.  False when it
// cannot, and when path was written within the last two seconds: a write
// in the same tick of the file system's clock would keep its time.
bool markfiletime(const std::string& path, const std::string& mark);

// Removes the files of dir that were created more than days days ago.
void pruneolderthan(const std::string& dir, int days);

// The folder where vornenv keeps its per-user data: $XDG_DATA_HOME/vornenv,
// else ~/.local/share/vornenv, on POSIX; %LOCALAPPDATA%\vornenv on Windows.
// Throws failure when none of those variables is set.
std::string userdatadir();

// The variables that userdatadir() reads: what a file applied by the hook
// must not change, or it would choose the list of files the hook trusts.
std::vector<std::string> userdatavariables();

// Creates the folder path and its missing parents.  Returns false on failure.
bool makedirs(const std::string& path);

// The whole file, or std::nullopt when it cannot be read.
std::optional<std::string> readwholefile(const std::string& path);

// A file opened for reading, in binary mode, by its exact path: on POSIX
// every byte of path but NUL belongs to it, and no folder or file name is
// held to the rules of a path inside a description file; on Windows path is
// UTF-8 and opened as the wide path.  file is null when it cannot be
// opened, and reason then says why, in the system's words.
struct openedfile {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
  std::string reason;
};
openedfile openforreading(const std::string& path);

// A regular file read whole, by its exact path, for what must not block or
// run away: the hook and allow.  A FIFO or a device is refused without
// waiting on it, and a file larger than limit is not read at all.
struct boundedfile {
  enum class status { ok, missing, notregular, toolarge, unreadable };
  status outcome = status::unreadable;
  std::string bytes;       // with ok
  std::uint64_t size = 0;  // with ok and toolarge
  std::string reason;      // the system's words, with missing and unreadable
};
boundedfile readregularfile(const std::string& path, std::size_t limit);

// The folder dir as the system resolves it: absolute, every link followed,
// no "." or ".." (POSIX realpath; Windows GetFinalPathNameByHandleW, as the
// drive or share names it), or std::nullopt when it cannot be resolved.
std::optional<std::string> resolvedir(const std::string& dir);

// The name under which folder holds the file name: on Windows as the
// folder spells it, whatever the letter case of name; name itself on POSIX,
// and when there is no such file.
std::string storedname(const std::string& folder, const std::string& name);

// The text by which the platform tells two paths of one file apart or
// not: the path itself on POSIX; on Windows its upper case by the system's
// own table, with '/' read as '\'.
std::string pathkey(const std::string& path);

// Whether a regular file is at path (links followed): true, false when
// there is none (nothing there, or no regular file), or std::nullopt when
// the system cannot tell (a path too long, a folder that cannot be
// searched), with its reason in reason.
std::optional<bool> regularfileat(const std::string& path, std::string& reason);

// An exclusive lock on the file at path (created when missing), held until
// the object goes; taking it waits for any other holder.  Throws failure
// when the lock cannot be taken.
class filelock {
 public:
  explicit filelock(const std::string& path);
  ~filelock();
  filelock(const filelock&) = delete;
  filelock& operator=(const filelock&) = delete;

 private:
  std::intptr_t handle_;
};

// Writes text to path through a temporary file beside it that then takes
// its place, so a reader never sees half of it.  Returns false on failure.
bool replacefile(const std::string& path, const std::string& text);

// The path of this program, for the hook's code to call it back.
std::string selfpath();

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OS_PLATFORM_H_
