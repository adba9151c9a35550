// One thing that check, or a command's failure, reports at a place of a
// description file: what apply.h hands back and lint.h explains.

#ifndef VORNENV_CLI_APPLY_FINDING_H_
#define VORNENV_CLI_APPLY_FINDING_H_

#include <cstddef>
#include <string>
#include <vector>

namespace vornenv::cli {

struct finding {
  enum class level { error, warning };
  level severity = level::warning;
  std::string rule;      // "section-name", ...; a failure's kind ("unset", ...)
  std::size_t line = 0;  // 0 when no line is concerned
  std::string message;   // bytes as the file and the library gave them
  std::vector<std::string> hints;
};

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_FINDING_H_
