// vornplatform: the calling process's environment variables.
//
// On Windows these are the variables of the process environment block (the
// one child processes inherit), not the C runtime's copy; on POSIX the C
// library's environ.  Nothing here is synchronised: the process environment
// is shared with every thread of the process.

#ifndef VORNPLATFORM_VORNPLATFORM_H_
#define VORNPLATFORM_VORNPLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vornplatform/export.h"

namespace vornplatform {

// A text on its way to or from the platform, held unchanged.
class VORNPLATFORM_EXPORT vornstr {
 public:
  vornstr(const char* text);         // NOLINT: implicit; nullptr gives ""
  vornstr(const std::string& text);  // NOLINT: implicit
  // Takes a text that is no longer needed over without copying it: a long
  // value such as a rebuilt PATH.
  vornstr(std::string&& text) noexcept;  // NOLINT: implicit
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// How a failure of the functions below reaches the caller.  loud, as
// without the argument: "****ASSERTION****: " and the message go to
// std::cerr, then a std::runtime_error carrying the message is thrown.
// quiet: only the exception, for a caller that reports failures its own way
// (vornenv, through its diagnostics handler).
enum class report { loud, quiet };

// The variable's current value; "" when it is not set.  On Windows the
// value is read as UTF-16 and given in the process's ANSI code page; when
// that code page cannot hold it exactly, "****ASSERTION****: " and the name
// followed by " getenvvar - the value holds characters that the ANSI code
// page cannot represent!" go to std::cerr and a std::runtime_error carrying
// that message is thrown.  (With UTF-8 as the process's code page, every
// value is held.)
VORNPLATFORM_EXPORT vornstr getenvvar(const vornstr& name);
VORNPLATFORM_EXPORT vornstr getenvvar(const vornstr& name, report how);

// Sets the variable at once; an empty value removes it.  A name the platform
// refuses (empty, holding '=' or a NUL byte) or a value holding a NUL byte is
// not dropped silently: "****ASSERTION****: " and the name followed by
// " putenvvar - failed to set environment variable!" go to std::cerr, and a
// std::runtime_error carrying that message is thrown.  Nor is a name or value
// that the platform cannot hold exactly (holdsexactly()) turned into a
// look-alike: the name followed by " putenvvar - the value holds characters
// that the ANSI code page cannot represent!" (or "the name holds") fails the
// same way.
VORNPLATFORM_EXPORT void putenvvar(const vornstr& name, const vornstr& value);
VORNPLATFORM_EXPORT void putenvvar(const vornstr& name, const vornstr& value, report how);

// Exact texts lose nothing of what the platform holds: UTF-8 on Windows
// (converted from and to the UTF-16 of the environment block), the bytes
// themselves elsewhere, where they are the same as the narrow texts.  They
// serve a value that is read, edited and written back whole, such as a path
// list, so that what the caller did not touch comes back unchanged.

// The variable's current value as an exact text; "" when it is not set.
VORNPLATFORM_EXPORT std::string getenvexact(const vornstr& name);

// The variable's current value as an exact text, or std::nullopt when it is
// not set: an empty value is told from none (on Windows, where the block
// holds no empty value, a variable set to "" by other means reads as "").
// Never fails for a set variable, as exact texts hold every value.  A name
// that no variable can have (empty, holding '=' or a NUL byte) finds none,
// here and in getenvexact().
VORNPLATFORM_EXPORT std::optional<std::string> findenvexact(const vornstr& name);

// Sets the variable to exactly value, an empty text too, or removes it for
// std::nullopt (removing one that is not set is no failure).  Fails as
// putenvexact() does.
VORNPLATFORM_EXPORT void setenvexact(const vornstr& name, const std::optional<std::string>& value,
                                     report how = report::loud);

// Sets the variable to an exact text at once; an empty value removes it.
// Fails as putenvvar() does, and also for a value that is no exact text
// (bytes that are not UTF-8, on Windows).
VORNPLATFORM_EXPORT void putenvexact(const vornstr& name, const std::string& value,
                                     report how = report::loud);

// The exact text of a narrow text.  REQUIRES: holdsexactly(narrow).
VORNPLATFORM_EXPORT std::string exacttext(const vornstr& narrow);

// Whether the narrow text is text the platform can hold exactly: on Windows,
// bytes that the ANSI code page reads as characters (MB_ERR_INVALID_CHARS)
// and that those characters give back unchanged; elsewhere always.  A
// narrow text that is not would turn into U+FFFD or a look-alike on its way
// into the environment: putenvvar() refuses it instead.
VORNPLATFORM_EXPORT bool holdsexactly(const vornstr& narrow);

// The longest name or value a variable can hold: 32,766 characters on
// Windows (UTF-16 units, the narrow text being in the ANSI code page; 32,767
// with the terminating NUL); elsewhere 131,072 bytes, the Linux kernel's
// limit on one environment string, which the name shares (fitsvariable()).
VORNPLATFORM_EXPORT std::size_t longestvalue();
// The length of value in the units of longestvalue(); never more than its
// size in bytes, so a text of no more bytes than that always fits.
VORNPLATFORM_EXPORT std::size_t valuelength(std::string_view value);
// The same for an exact text.
VORNPLATFORM_EXPORT std::size_t exactlength(std::string_view exact);
// Whether a variable of a name and a value of these lengths (in the units
// above) reaches a child whole: on Windows each at most longestvalue(); on
// Linux "NAME=VALUE" and its NUL at most longestvalue() bytes, which is what
// the kernel takes of one environment string.
VORNPLATFORM_EXPORT bool fitsvariable(std::size_t namelength, std::size_t valuelength);

// Every variable of the calling process as exact texts, name then value, in
// the platform's order, leaving none out: for a caller that must see and
// write back the whole environment, even what the narrow text cannot hold.
// Entries that have no name of their own (Windows' "=C:" drive directories)
// are left out.
VORNPLATFORM_EXPORT std::vector<std::pair<std::string, std::string>> listexact();

// The key under which the platform finds the variable of an exact-text name:
// the name itself on POSIX; on Windows, which ignores letter case, its upper
// case by the system's own table, as an exact text.  Two names share a key
// exactly when the platform takes them for one variable.
VORNPLATFORM_EXPORT std::string exactkey(const std::string& name);

// The conversion between UTF-8 and UTF-16 that the exact texts go through
// on Windows, the same on every platform.  UTF-8 is read strictly: an
// overlong form, a code point above U+10FFFF or a byte outside a sequence
// fails with "toutf16 - the text is not UTF-8!".  A lone surrogate (a UTF-16
// unit of a pair without its other half, or its three-byte form in UTF-8) is
// never turned into U+FFFD: with surrogates::fail, the default, it fails
// with "toutf8 - the text holds a lone surrogate!" (or "toutf16 - ...");
// with surrogates::keep it crosses as itself, which is how an exact text
// holds a variable that the Windows environment block holds so (the forms
// of a high and then a low surrogate, which would cross as a pair, are no
// such text and fail).  A failure
// throws std::runtime_error carrying the message, written first as an
// assertion when how is loud.
enum class surrogates { fail, keep };
VORNPLATFORM_EXPORT std::u16string toutf16(std::string_view utf8,
                                           surrogates lone = surrogates::fail,
                                           report how = report::quiet);
VORNPLATFORM_EXPORT std::string toutf8(std::u16string_view utf16,
                                       surrogates lone = surrogates::fail,
                                       report how = report::quiet);

// A copy of every variable of the calling process, taken at construction.
// get() answers as getenvvar() would have answered then, with a hash lookup
// instead of a search of the whole environment, which is linear on every
// platform: what many lookups in a large environment need.  (A name that no
// variable can carry, empty or holding '=', is asked of the platform.)
class VORNPLATFORM_EXPORT envsnapshot {
 public:
  envsnapshot();
  envsnapshot(const envsnapshot& other);
  envsnapshot& operator=(const envsnapshot& other);
  ~envsnapshot();

  // The value the variable had; "" when it was not set.  Names match as
  // the platform matches them (on Windows regardless of letter case, by the
  // system's own upper-case table).  A value that the narrow text cannot
  // hold fails as getenvvar() does.
  vornstr get(const vornstr& name, report how = report::loud) const;
  // Every variable whose name and value the narrow text holds, name then
  // value, in the platform's order.
  const std::vector<std::pair<std::string, std::string>>& vars() const { return vars_; }

 private:
  // The text a variable is looked up by: its name, or the folded name where
  // the platform ignores letter case.
  std::string_view keyof(std::size_t i) const;

  std::vector<std::pair<std::string, std::string>> vars_;
  // The folded names, only where they are needed: those of vars_, then
  // those of the variables that the narrow text cannot hold.
  std::vector<std::string> folded_;
  // An open-addressing table of positions (plus one) into vars_, at most
  // half full: the first variable that answers to each key.
  std::vector<std::uint32_t> index_;
};

}  // namespace vornplatform

#endif  // VORNPLATFORM_VORNPLATFORM_H_
