// PATH as the programs of Git Bash and MSYS2 read it.  The Windows process
// sees PATH in Windows form (the MSYS runtime converts it when it starts a
// Windows program); what it prints for such a shell to evaluate must be in
// the shell's own form, or the shell finds no program at all.

#ifndef VORNENV_CLI_OUTPUT_MSYSPATH_H_
#define VORNENV_CLI_OUTPUT_MSYSPATH_H_

#include <string>

namespace vornenv::cli {

// windowslist, a ';'-separated Windows path list, as a ':'-separated MSYS
// one:
//   C:\Tools\bin, C:/Tools/bin   /c/Tools/bin  (drive letter in lower case;
//                                C:\ gives /c/, C: alone /c)
//   \\server\share\dir           //server/share/dir
//   \\?\C:\x, \\?\UNC\srv\share  /c/x, //srv/share (\\.\ alike)
//   /usr/bin, /c/x               kept: already in MSYS form
//   bin, .\bin                   bin, ./bin: relative to the working
//                                directory in both worlds
//   ~\bin                        ./~/bin: bash would expand ~/bin
//   "C:\a"\x                    /c/a/x: quotes, which no Windows file name
//                                holds, dropped (when they pair)
// Dropped: empty elements (nothing to Windows, the working directory to a
// POSIX shell); a drive-relative C:foo and a root-relative \Windows, which
// hang on a current folder that a shell of its own does not share and have
// no MSYS form; and whatever would still hold a ':', the separator now, or
// a ';' (kept by quotes), at which MSYS splits PATH when it hands it back
// to a Windows program.  The result may be empty: the caller must not
// write an empty PATH, which a POSIX shell reads as the current folder.
// Every other byte, blanks and UTF-8 included, is kept as it is.
std::string msyspathlist(const std::string& windowslist);

// Whether name is PATH to Windows, which ignores letter case (Path): the one
// variable msyspathlist() is for, and bash there knows only PATH.
bool ismsyspathname(const std::string& name);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OUTPUT_MSYSPATH_H_
