/* Anchor: inih reading a file with a callback that does nothing, the cost
 * of its reader alone.
 *   inih_null FILE    exit 0 when inih read the whole file without error */

#include <ini.h>
#include <stdio.h>

static int ignore(void* user, const char* section, const char* name, const char* value) {
  (void)user;
  (void)section;
  (void)name;
  (void)value;
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: inih_null FILE\n");
    return 2;
  }
  const int rc = ini_parse(argv[1], ignore, NULL);
  if (rc != 0) {
    fprintf(stderr, "inih_null: %s: error at line %d\n", argv[1], rc);
    return 1;
  }
  return 0;
}
