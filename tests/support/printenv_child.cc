// Started by the vornplatform tests as a child process: prints the variable
// named by argv[1] as this process inherited it.
// Exit status: 0 when set (and equal to argv[2] if given), 1 when not set,
// 2 when set to something else, 3 on wrong usage.

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return 3;
  const char* value = std::getenv(argv[1]);
  if (value == nullptr) {
    std::printf("%s is not set\n", argv[1]);
    return 1;
  }
  std::printf("%s=%s\n", argv[1], value);
  return argc == 3 && std::strcmp(value, argv[2]) != 0 ? 2 : 0;
}
