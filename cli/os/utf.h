// Conversion between the host's texts, which are UTF-8 on every platform,
// and the UTF-16 that Windows, PowerShell and cmd's code pages are reached
// through: vornplatform's one codec, with the host's rules for what it
// cannot convert.

#ifndef VORNENV_CLI_OS_UTF_H_
#define VORNENV_CLI_OS_UTF_H_

#include <cstddef>
#include <optional>
#include <string>

namespace vornenv::cli {

// The length (1 to 4) of the valid UTF-8 sequence that starts at text[pos],
// or 0 when none does.  Overlong forms, surrogates and code points above
// U+10FFFF are not valid.
std::size_t utf8length(const std::string& text, std::size_t pos);

// text decoded from UTF-8 into UTF-16, each byte outside valid UTF-8 giving
// U+FFFD, as .NET (and so PowerShell) reads it; but the three-byte form of a
// surrogate, which is how an exact text of the platform layer holds a lone
// one that the environment held, gives that surrogate back.
std::u16string utf8to16(const std::string& text);

// text decoded from UTF-8 into UTF-16, or std::nullopt when it is not valid
// UTF-8.  Writers that must read back exactly decode with this, never with
// the lenient utf8to16().
std::optional<std::u16string> utf8to16exact(const std::string& text);

// text encoded from UTF-16 into UTF-8, or std::nullopt when it holds an
// unpaired surrogate.
std::optional<std::string> utf16to8(const std::u16string& text);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OS_UTF_H_
