// Writing JSON: every document the host prints (show, libs, check, SARIF,
// export and the prompt) goes through jsonwriter, so all of them escape
// strings by one rule and share one layout:
//
//   {
//     "name": "value",
//     "list": [
//       1,
//       null
//     ],
//     "empty": []
//   }
//
// two spaces a level, one member or element a line, an empty container as
// [] or {}, and a line break after the document.

#ifndef VORNENV_CLI_OUTPUT_JSON_H_
#define VORNENV_CLI_OUTPUT_JSON_H_

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace vornenv::cli {

// The JSON string for text.  Valid UTF-8 is copied, control bytes, DEL, '"'
// and '\' are escaped, and each byte that is not part of valid UTF-8 becomes
// \u00XX (so such bytes read back as the Latin-1 character of that value).
std::string quotejson(const std::string& text);

// One JSON document, built in order: open a container, give each object
// member a key() and then its value, close the container.  The text is
// kept until finish(), so a caller that fails half-way prints nothing.
// A call out of that order (a value without its key, a key in an array, a
// container closed that is not open, finish() with one still open) is the
// caller's mistake and throws std::logic_error, rather than print a
// document no reader takes.
class jsonwriter {
 public:
  jsonwriter& beginobject() { return open('{', '}'); }
  jsonwriter& endobject() { return close('}'); }
  jsonwriter& beginarray() { return open('[', ']'); }
  jsonwriter& endarray() { return close(']'); }

  // The name of the object member whose value comes next.
  jsonwriter& key(const std::string& name);

  jsonwriter& value(const std::string& text) { return raw(quotejson(text)); }
  jsonwriter& value(const char* text) { return value(std::string(text)); }
  // null for std::nullopt: a variable that is not set.
  jsonwriter& value(const std::optional<std::string>& text) { return text ? value(*text) : null(); }
  jsonwriter& value(bool flag) { return raw(flag ? "true" : "false"); }
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
  jsonwriter& value(T number) {
    return raw(std::to_string(number));
  }
  jsonwriter& null() { return raw("null"); }

  // The document, with its line break.  Every container must be closed.
  std::string finish();

 private:
  struct level {
    char close;
    bool filled;  // a member or element written
  };

  jsonwriter& open(char opening, char closing);
  jsonwriter& close(char closing);
  // Writes a value where the document is: after its key, or as the next
  // element on a line of its own.
  jsonwriter& raw(const std::string& text);
  // The comma after the previous element, and the new line it starts.
  void nextelement();
  void newline();

  std::string text_;
  std::vector<level> open_;
  bool afterkey_ = false;
};

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OUTPUT_JSON_H_
