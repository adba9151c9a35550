#include "cli/os/printable.h"

#include <gtest/gtest.h>

namespace vornenv::cli {
namespace {

// What a terminal would act on is shown; other text, non-ASCII included,
// passes as it is.
TEST(printable_test, printable_escapes_c0_del_and_c1_controls) {
  EXPECT_EQ(printable(std::string("a\x1b[2J\n\t\r\0\x7f", 10)), "a\\x1B[2J\\n\\t\\r\\x00\\x7F");
  // U+009B (CSI) and U+0085 in UTF-8; U+00A0, U+00E9 and U+1F600 are text;
  // bytes outside UTF-8 (a lone 0x9B, CSI to an 8-bit terminal, a lone 0xC2)
  // show their values.
  EXPECT_EQ(printable("\xC2\x9B"
                      "31m \xC2\x85|\xC2\xA0\xC3\xA9\xF0\x9F\x98\x80\x9B"
                      "2J\xC2"),
            "\\xC2\\x9B"
            "31m \\xC2\\x85|\xC2\xA0\xC3\xA9\xF0\x9F\x98\x80\\x9B"
            "2J\\xC2");
}

}  // namespace
}  // namespace vornenv::cli
