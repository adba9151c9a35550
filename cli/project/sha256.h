// SHA-256 of a text, for the list of allowed description files: a file is
// trusted by its content, and an edit must not keep a file trusted.

#ifndef VORNENV_CLI_PROJECT_SHA256_H_
#define VORNENV_CLI_PROJECT_SHA256_H_

#include <string>

namespace vornenv::cli {

// The SHA-256 digest of bytes, as 64 lower-case hexadecimal digits.
std::string sha256hex(const std::string& bytes);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_PROJECT_SHA256_H_
