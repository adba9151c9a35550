// A child process for the host's tests that shows what it was given:
//   probe args A...   each argument, as hex, one a line
//   probe env NAME... each variable as NAME=hex, or "NAME unset"
//   probe exit N      exits with status N
// Hex keeps every byte visible and every line one line.

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void hexline(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    std::printf("%02x", static_cast<unsigned>(static_cast<unsigned char>(*p)));
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  if (std::strcmp(argv[1], "exit") == 0 && argc == 3) return std::atoi(argv[2]);
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[1], "args") == 0) {
      hexline(argv[i]);
    } else if (const char* value = std::getenv(argv[i])) {
      std::printf("%s=", argv[i]);
      hexline(value);
    } else {
      std::printf("%s unset\n", argv[i]);
    }
  }
  return 0;
}
