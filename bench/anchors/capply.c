/* The C baseline for applying an environment and starting a program: the
 * least a program can do for the job, with no parsing to speak of.
 *   capply FIXTURE COMMAND [ARG...]
 * FIXTURE holds one item a line:
 *   NAME=VALUE   setenv(NAME, VALUE), $(OTHER) in VALUE replaced by the
 *                current value of OTHER (so later lines see earlier ones)
 *   +DIR         DIR goes in front of PATH, in file order
 * PATH becomes the directories followed by its earlier elements, each once,
 * at its first place; then COMMAND replaces this process. */

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { MAXDIRS = 4096 };

static char* readall(const char* path) {
  FILE* f = fopen(path, "rb");
  if (f == NULL) return NULL;
  size_t cap = 1 << 16, len = 0;
  char* text = malloc(cap);
  size_t n;
  while (text != NULL && (n = fread(text + len, 1, cap - len - 1, f)) > 0) {
    len += n;
    if (len + 1 == cap) text = realloc(text, cap *= 2);
  }
  fclose(f);
  if (text != NULL) text[len] = '\0';
  return text;
}

/* value with every $(NAME) replaced; NULL when a name is not set. */
static char* expand(const char* value) {
  size_t cap = strlen(value) + 64, len = 0;
  char* out = malloc(cap);
  for (const char* p = value; *p != '\0';) {
    const char* close = NULL;
    const char* add = p;
    size_t addlen = 1;
    if (p[0] == '$' && p[1] == '(' && (close = strchr(p + 2, ')')) != NULL) {
      char name[256];
      const size_t n = (size_t)(close - (p + 2));
      if (n == 0 || n >= sizeof name) return free(out), NULL;
      memcpy(name, p + 2, n);
      name[n] = '\0';
      add = getenv(name);
      if (add == NULL) return free(out), NULL;
      addlen = strlen(add);
      p = close + 1;
    } else {
      ++p;
    }
    if (len + addlen + 1 > cap) out = realloc(out, cap = 2 * (len + addlen + 1));
    memcpy(out + len, add, addlen);
    len += addlen;
  }
  out[len] = '\0';
  return out;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: capply FIXTURE COMMAND [ARG...]\n");
    return 2;
  }
  char* text = readall(argv[1]);
  if (text == NULL) {
    perror(argv[1]);
    return 1;
  }
  const char* dirs[MAXDIRS];
  size_t ndirs = 0;
  for (char* line = strtok(text, "\r\n"); line != NULL; line = strtok(NULL, "\r\n")) {
    if (line[0] == '+') {
      if (ndirs == MAXDIRS) return fprintf(stderr, "capply: too many directories\n"), 1;
      dirs[ndirs++] = line + 1;
      continue;
    }
    char* eq = strchr(line, '=');
    if (eq == NULL) continue;
    *eq = '\0';
    char* value = expand(eq + 1);
    if (value == NULL || setenv(line, value, 1) != 0) {
      fprintf(stderr, "capply: cannot set %s\n", line);
      return 1;
    }
    free(value);
  }

  /* The directories, then PATH's elements, each once. */
  const char* old = getenv("PATH");
  char* oldcopy = strdup(old != NULL ? old : "");
  const char* elems[MAXDIRS * 2];
  size_t nelems = 0;
  for (size_t i = 0; i < ndirs; ++i) elems[nelems++] = dirs[i];
  for (char* e = strtok(oldcopy, ":"); e != NULL && nelems < MAXDIRS * 2; e = strtok(NULL, ":")) {
    elems[nelems++] = e;
  }
  size_t total = 1;
  for (size_t i = 0; i < nelems; ++i) total += strlen(elems[i]) + 1;
  char* path = malloc(total);
  size_t len = 0;
  for (size_t i = 0; i < nelems; ++i) {
    int seen = 0;
    for (size_t j = 0; j < i && !seen; ++j) seen = strcmp(elems[i], elems[j]) == 0;
    if (seen) continue;
    if (len != 0) path[len++] = ':';
    const size_t n = strlen(elems[i]);
    memcpy(path + len, elems[i], n);
    len += n;
  }
  path[len] = '\0';
  if (setenv("PATH", path, 1) != 0) return perror("capply: PATH"), 1;

  execvp(argv[2], argv + 2);
  fprintf(stderr, "capply: %s: %s\n", argv[2], strerror(errno));
  return errno == ENOENT ? 127 : 126;
}
