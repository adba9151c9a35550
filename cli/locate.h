// Finding the line of a description file that a failure message is about.
//
// The library's messages carry no line numbers; each begins with the text it
// objects to (a line, a section or entry name, "name --> value", a quoted
// variable name), followed by a fixed literal.  locatefailure() reads the
// file the way the reader does and looks that text up.

#ifndef VORNENV_CLI_LOCATE_H_
#define VORNENV_CLI_LOCATE_H_

#include <cstddef>
#include <string>
#include <vector>

namespace vornenv::cli {

// The numbers (from 1) of the lines of the description text that the
// message points at: one when the line is known, several when the text
// occurs in more than one place that could have failed, none when the
// message names nothing of the file (an unreadable file, a path that only
// expansion produced, a reference found in no line of the file).
//
// For a variable that is not set or refers to itself, the lines are those
// that refer to it directly in a section that expands its values; a
// reference reached through another variable's value is not followed.
std::vector<std::size_t> locatefailure(const std::string& text, const std::string& message);

// Whether the message is about the file as a whole (its path is not valid,
// or it cannot be read) rather than about something in it.
bool isfilefailure(const std::string& message);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_LOCATE_H_
