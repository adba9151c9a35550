// Reading back the JSON the host prints, so that tests compare its fields,
// not its layout.  Strict: what no JSON reader would take fails the test.

#ifndef VORNENV_TESTS_CLI_JSONREAD_H_
#define VORNENV_TESTS_CLI_JSONREAD_H_

#include <cstddef>
#include <initializer_list>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace vornenv::testing {

// One JSON value.  Numbers are integers, the only ones the host writes.
// Objects keep their members in order: two objects are equal only with the
// same keys in the same order.
struct jsonvalue {
  enum class kind { null, boolean, number, string, array, object };
  kind type = kind::null;
  bool boolean = false;
  long long number = 0;
  std::string text;               // a string, as UTF-8
  std::vector<std::string> keys;  // an object's member names
  std::vector<jsonvalue> items;   // an array's elements, an object's values

  jsonvalue() = default;
  jsonvalue(std::nullptr_t) {}
  jsonvalue(bool b) : type(kind::boolean), boolean(b) {}
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
  jsonvalue(T n) : type(kind::number), number(static_cast<long long>(n)) {}
  jsonvalue(std::string s) : type(kind::string), text(std::move(s)) {}
  jsonvalue(const char* s) : jsonvalue(std::string(s)) {}

  // The member of that name, or the element at that index; throws
  // std::out_of_range when there is none.
  const jsonvalue& operator[](const std::string& key) const;
  const jsonvalue& operator[](std::size_t index) const;
  // The string's text; throws std::runtime_error for any other kind.
  const std::string& str() const;

  bool operator==(const jsonvalue& other) const;
  bool operator!=(const jsonvalue& other) const { return !(*this == other); }
};

jsonvalue jsonarray(std::initializer_list<jsonvalue> items);
jsonvalue jsonobject(std::initializer_list<std::pair<std::string, jsonvalue>> members);

// The one value that text holds, whitespace around it allowed; throws
// std::runtime_error, naming the offset, for anything else: a missing or
// extra comma, a raw control byte or invalid UTF-8 in a string, a lone
// surrogate, a key given twice, text after the value.
jsonvalue readjson(const std::string& text);

// Compact JSON, for the messages of failed comparisons.
std::ostream& operator<<(std::ostream& out, const jsonvalue& value);

}  // namespace vornenv::testing

#endif  // VORNENV_TESTS_CLI_JSONREAD_H_
