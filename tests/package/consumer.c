/* A C11 user of the C interface, as an outside program writes it: built
 * against the installed package, the Windows bundle, or an import library
 * made from the .def file.
 *
 *   consumer FILE      FILE: where to write a description file to apply */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vornenv/capi.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

static int failures = 0;

#define EXPECT(condition)                                                    \
  do {                                                                       \
    if (!(condition)) {                                                      \
      fprintf(stderr, "consumer.c:%d: expected %s\n", __LINE__, #condition); \
      ++failures;                                                            \
    }                                                                        \
  } while (0)

static int same(const char *a, const char *b) { return a && b && strcmp(a, b) == 0; }

/* A variable as the process's children see it: on Windows the environment
 * block, not the C runtime's copy that getenv() reads. */
static const char *variable(const char *name) {
#ifdef _WIN32
  static char value[1024];
  DWORD size = GetEnvironmentVariableA(name, value, sizeof value);
  return size > 0 && size < sizeof value ? value : NULL;
#else
  return getenv(name);
#endif
}

/* The diagnostics handler: counts the lines by severity, keeps the last. */
struct heard {
  int assertions, warnings;
  char last[256];
};

static void overhear(void *context, int severity, const char *message, size_t size) {
  struct heard *h = context;
  if (severity == VORNENV_SEVERITY_ASSERTION) ++h->assertions;
  if (severity == VORNENV_SEVERITY_WARNING) ++h->warnings;
  if (size >= sizeof h->last) size = sizeof h->last - 1;
  memcpy(h->last, message, size);
  h->last[size] = '\0';
}

/* UTF-8 in this source: bytes, passed through as the library's narrow text. */
static const char description[] =
    "; made by consumer.c\n"
    "[Environment]\n"
    "VORNENV_C_A = h\xc3\xa9llo\n"
    "VORNENV_C_B = $(VORNENV_C_A) w\xc3\xb6rld\n"
    "[Custom]\n"
    "k = v\n";

/* What applying the description above must have read and done. */
static void check_applied(const vornenv_builder *b) {
  size_t count = 0, line = 0, entries = 0;
  const vornenv_section *s = NULL;
  const char *name = NULL, *value = NULL;
  EXPECT(same(variable("VORNENV_C_B"), "h\xc3\xa9llo w\xc3\xb6rld"));
  EXPECT(vornenv_section_count(b, &count) == VORNENV_OK && count == 2);
  /* File order, with lines. */
  EXPECT(vornenv_section_at(b, 0, &s) == VORNENV_OK);
  EXPECT(vornenv_section_info(s, &name, &line, &entries) == VORNENV_OK);
  EXPECT(same(name, "Environment") && line == 2 && entries == 2);
  EXPECT(vornenv_entry_at(s, 1, &name, &value, &line) == VORNENV_OK);
  EXPECT(same(name, "VORNENV_C_B") && same(value, "$(VORNENV_C_A) w\xc3\xb6rld") && line == 4);
  EXPECT(vornenv_entry_at(s, 2, &name, &value, &line) == VORNENV_NOT_FOUND && name == NULL);
  EXPECT(vornenv_section_at(b, 2, &s) == VORNENV_NOT_FOUND && s == NULL);
  /* Lookups. */
  EXPECT(vornenv_section_find(b, "Custom", &s) == VORNENV_OK);
  EXPECT(vornenv_entry_find(s, "k", &value, &line) == VORNENV_OK && same(value, "v") && line == 6);
  EXPECT(vornenv_entry_find(s, "K", &value, NULL) == VORNENV_NOT_FOUND && value == NULL);
  EXPECT(vornenv_section_find(b, "custom", &s) == VORNENV_NOT_FOUND);
}

int main(int argc, char **argv) {
  struct heard heard = {0, 0, ""};
  vornenv_builder *b = NULL;
  vornenv_failure *f = NULL;
  int version = 0;
  const char *release = NULL;
  char *expanded = NULL;
  FILE *file;
  if (argc != 2) return 2;

  EXPECT(vornenv_version(&version, &release) == VORNENV_OK);
  EXPECT(version >= VORNENV_C_VERSION && release != NULL && release[0] != '\0');
  EXPECT(vornenv_set_diagnostic_handler(overhear, &heard) == VORNENV_OK);

  /* A text, a path and an opened file give the same. */
  EXPECT(vornenv_apply_text(description, sizeof description - 1, "text.ini", &b, &f) == VORNENV_OK);
  EXPECT(f == NULL);
  check_applied(b);
  vornenv_builder_free(b);
  file = fopen(argv[1], "wb");
  EXPECT(file != NULL);
  if (file == NULL) return 1;
  fputs(description, file);
  fclose(file);
  EXPECT(vornenv_apply_path(argv[1], &b, NULL) == VORNENV_OK);
  check_applied(b);
  vornenv_builder_free(b);
  file = fopen(argv[1], "rb");
  EXPECT(vornenv_apply_file(file, "opened.ini", &b, NULL) == VORNENV_OK);
  check_applied(b);
  vornenv_builder_free(b);
  fclose(file);

  /* A failure, located, and told to the handler too. */
  {
    static const char bad[] = "[Environment]\nX = $(VORNENV_C_NOT_SET)\n";
    EXPECT(vornenv_apply_text(bad, sizeof bad - 1, "bad.ini", &b, &f) == VORNENV_FAILED);
    EXPECT(b != NULL && f != NULL);
    if (f != NULL) {
      EXPECT(f->kind == VORNENV_KIND_UNSET && same(f->file, "bad.ini") && f->line == 2);
      EXPECT(same(f->section, "Environment") && same(f->entry, "X"));
      EXPECT(same(f->subject, "VORNENV_C_NOT_SET") && f->subject_size == 17);
      EXPECT(strstr(f->message, "envvar is not set yet!") != NULL &&
             f->message_size == strlen(f->message));
      EXPECT(same(heard.last, f->message) && heard.assertions == 1);
    }
    vornenv_failure_free(f);
    vornenv_builder_free(b);
  }
  EXPECT(vornenv_apply_path("vornenv-no-such-file.ini", NULL, &f) == VORNENV_FAILED);
  EXPECT(f != NULL && f->kind == VORNENV_KIND_UNREADABLE &&
         same(f->file, "vornenv-no-such-file.ini"));
  vornenv_failure_free(f);
  EXPECT(vornenv_apply_path(NULL, &b, &f) == VORNENV_INVALID_ARGUMENT && b == NULL && f == NULL);

  /* Expansion. */
  EXPECT(vornenv_expand("[$(VORNENV_C_A)]", &expanded, NULL) == VORNENV_OK);
  EXPECT(same(expanded, "[h\xc3\xa9llo]"));
  vornenv_free(expanded);
  EXPECT(vornenv_expand("$(VORNENV_C_NOT_SET)", &expanded, &f) == VORNENV_FAILED);
  EXPECT(expanded == NULL && f != NULL && f->kind == VORNENV_KIND_UNSET);
  vornenv_failure_free(f);

  EXPECT(vornenv_set_diagnostic_handler(NULL, NULL) == VORNENV_OK);
  printf("%s\n", failures == 0 ? "c consumer ok" : "c consumer FAILED");
  return failures == 0 ? 0 : 1;
}
