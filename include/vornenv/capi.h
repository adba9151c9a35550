/* The C interface of vornenv: the same library, for C programs and for any
 * language that calls C (C#, Rust, Python's ctypes, an MSVC program).
 *
 *   vornenv_builder *b = NULL;
 *   vornenv_failure *f = NULL;
 *   if (vornenv_apply_path("dev.ini", &b, &f) != VORNENV_OK) {
 *     if (f) fprintf(stderr, "%s:%zu: %s\n", f->file, f->line, f->message);
 *   }
 *   vornenv_failure_free(f);
 *   vornenv_builder_free(b);
 *
 * Rules of the interface:
 *   - Every function returns a status (VORNENV_OK on success); no C++ type
 *     and no exception crosses it.
 *   - Every pointer it returns says below who owns it and how long it lives.
 *     What a function returns through an out parameter is set to NULL (or 0)
 *     first, so a failed call never leaves an old value behind.
 *   - Texts are NUL-terminated, in the library's narrow encoding, exactly as
 *     for C++ callers: UTF-8 on Linux; on Windows the process's ANSI code
 *     page, so a name or value that code page lacks cannot be passed or
 *     returned.  A Windows program that needs every character declares UTF-8
 *     its active code page in its application manifest (Windows 10 1903 or
 *     later), as the vornenv host does:
 *
 *       <application xmlns="urn:schemas-microsoft-com:asm.v3">
 *         <windowsSettings>
 *           <activeCodePage
 * xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
 *         </windowsSettings>
 *       </application>
 *
 *   - The functions are exported from the vornenv library itself
 *     (libvornenv.so, libvornenv.dll); on Windows, libvornenv.def lists them
 *     for a linker that makes its own import library (lib /def:).
 *   - Applying changes the process's environment, which is process-wide:
 *     as with the C++ interface, while one thread applies no other thread
 *     may read or change the environment (another apply, vornenv_expand(),
 *     getenv(), setenv()): the C library does not make that safe.  On Windows
 *     that is the environment block, which child processes inherit and
 *     GetEnvironmentVariable() reads; the C runtime's getenv() reads a copy
 *     of its own, made at start-up, that does not see the change.
 */

#ifndef VORNENV_CAPI_H_
#define VORNENV_CAPI_H_

#include <stddef.h>
#include <stdio.h>

#include "vornenv/export.h"

/* The version of this interface: it goes up when a function is added, and
 * a program built against version N runs with a library of version N or
 * later (see vornenv_version()). */
#define VORNENV_C_VERSION 1

#ifdef __cplusplus
extern "C" {
#endif

/* What a call did. */
typedef int vornenv_status;
enum {
  VORNENV_OK = 0,
  VORNENV_FAILED = 1,           /* the parse, apply or expansion failed: see the failure */
  VORNENV_NOT_FOUND = 2,        /* no section or entry of that name or index */
  VORNENV_INVALID_ARGUMENT = 3, /* a null pointer where a value is required */
  VORNENV_NO_MEMORY = 4         /* memory ran out; nothing is returned */
};

/* The kind of a failure, as vornenv::error::kind. */
enum {
  VORNENV_KIND_UNREADABLE = 0,    /* the file cannot be opened or read */
  VORNENV_KIND_SYNTAX = 1,        /* a line that is neither header nor entry where one is due */
  VORNENV_KIND_DUPLICATE = 2,     /* a section or entry name given twice */
  VORNENV_KIND_EMPTYSIDE = 3,     /* an entry whose name or value is empty */
  VORNENV_KIND_MISSINGDIR = 4,    /* a path list's directory that does not exist */
  VORNENV_KIND_SELFREFERENCE = 5, /* a variable whose value refers back to it */
  VORNENV_KIND_UNSET = 6,         /* a reference to a variable that is not set */
  VORNENV_KIND_INVALIDPATH = 7,   /* a path that is not valid */
  VORNENV_KIND_REFUSEDNAME = 8,   /* a variable the platform refuses to set */
  VORNENV_KIND_LIMIT = 9,         /* a text beyond what the platform can hold */
  VORNENV_KIND_OTHER = 10
};

/* A failure, as vornenv::error tells it.  Made by the library, freed with
 * vornenv_failure_free(); its texts live as long as it does.  The library
 * may add members at the end in a later version: never allocate or copy
 * one yourself. */
typedef struct vornenv_failure {
  int kind;            /* VORNENV_KIND_... */
  const char *message; /* the message, what the C++ error's what() says */
  size_t message_size; /* its length: a line of the file quoted in it may hold a NUL byte */
  const char *file;    /* the description file as it was named; "" when none */
  size_t line;         /* 1-based line of the header or entry; 0 when none */
  const char *section; /* "" when none */
  const char *entry;   /* "" when none */
  const char *subject; /* the variable of an unset or self-reference failure, a syntax
                          failure's line, ...; "" when none */
  size_t subject_size; /* its length: a line may hold a NUL byte */
} vornenv_failure;

/* What one apply read: its sections and entries, for walking and lookups.
 * Owned by the caller, freed with vornenv_builder_free(). */
typedef struct vornenv_builder vornenv_builder;
/* A section of a builder: owned by the builder, valid until it is freed. */
typedef struct vornenv_section vornenv_section;

/* The version of the library that runs: its interface version
 * (VORNENV_C_VERSION as the library was built) and its release, e.g.
 * "0.3.0" (a static text).  Either pointer may be NULL. */
VORNENV_EXPORT vornenv_status vornenv_version(int *interface_version, const char **release);

/* Parses the description file at path and applies it to the process's
 * environment, section by section, exactly as vornenv::envbuilder's
 * operator() does: the same sections, entries, messages, warnings and
 * environment.
 *
 * builder (may be NULL when only the environment matters) receives what
 * was read, on success and on VORNENV_FAILED alike, as a C++ caller keeps
 * its builder after a throw: after a failure, the sections up to and
 * including the one that failed, and the environment keeps what was set
 * before the failure (an Environment section sets its variables one by
 * one).  It stays NULL only when no
 * reader could be made: a path that is not valid (kind
 * VORNENV_KIND_INVALIDPATH), or VORNENV_NO_MEMORY.  failure (may be NULL)
 * receives the failure when the status is VORNENV_FAILED.  The caller frees
 * both. */
VORNENV_EXPORT vornenv_status vornenv_apply_path(const char *path, vornenv_builder **builder,
                                                 vornenv_failure **failure);

/* The same for a file the caller has opened (in binary mode), read from its
 * current position to its end; name stands for it in messages and in
 * failure->file.  The FILE must come from the C runtime the library uses
 * (on Windows, the bundle's libraries use msvcrt.dll, which an MSVC
 * program's FILE does not): across runtimes, read the file yourself and use
 * vornenv_apply_text().  Open it in binary mode: on Windows a text-mode
 * stream ends at the first Ctrl-Z and drops what follows, which the reader
 * would otherwise refuse.  A null file fails as a file that cannot be
 * opened.  The file is the caller's to close. */
VORNENV_EXPORT vornenv_status vornenv_apply_file(FILE *file, const char *name,
                                                 vornenv_builder **builder,
                                                 vornenv_failure **failure);

/* The same for a whole description already read: size bytes at text (which
 * need not end with a NUL byte, and may hold one: that line then fails as
 * in a file).  A size above PTRDIFF_MAX, such as (size_t)-1, is
 * VORNENV_INVALID_ARGUMENT: pass strlen(text) for a NUL-terminated text. */
VORNENV_EXPORT vornenv_status vornenv_apply_text(const char *text, size_t size, const char *name,
                                                 vornenv_builder **builder,
                                                 vornenv_failure **failure);

/* Frees a builder and the sections it holds; NULL is allowed. */
VORNENV_EXPORT vornenv_status vornenv_builder_free(vornenv_builder *builder);

/* Frees a failure; NULL is allowed. */
VORNENV_EXPORT vornenv_status vornenv_failure_free(vornenv_failure *failure);

/* The number of sections the builder holds. */
VORNENV_EXPORT vornenv_status vornenv_section_count(const vornenv_builder *builder, size_t *count);

/* The section at index, counted from 0 in the order of the headers in the
 * file; VORNENV_NOT_FOUND past the last. */
VORNENV_EXPORT vornenv_status vornenv_section_at(const vornenv_builder *builder, size_t index,
                                                 const vornenv_section **section);

/* The section of that name, compared exactly; VORNENV_NOT_FOUND when there
 * is none. */
VORNENV_EXPORT vornenv_status vornenv_section_find(const vornenv_builder *builder, const char *name,
                                                   const vornenv_section **section);

/* A section's name, the line of its header (0 when unknown) and its number
 * of entries.  Each out pointer may be NULL; the name lives as long as the
 * builder. */
VORNENV_EXPORT vornenv_status vornenv_section_info(const vornenv_section *section,
                                                   const char **name, size_t *line,
                                                   size_t *entries);

/* The entry at index, counted from 0 in file order: its name, its value as
 * the section holds it (a path list's entries as it rewrote them) and its
 * line.  VORNENV_NOT_FOUND past the last.  Each out pointer may be NULL;
 * the texts live as long as the builder. */
VORNENV_EXPORT vornenv_status vornenv_entry_at(const vornenv_section *section, size_t index,
                                               const char **name, const char **value, size_t *line);

/* The entry of that name, compared exactly: its value and line as above;
 * VORNENV_NOT_FOUND when there is none. */
VORNENV_EXPORT vornenv_status vornenv_entry_find(const vornenv_section *section, const char *name,
                                                 const char **value, size_t *line);

/* text with every $(NAME) reference replaced by the variable's value,
 * expanded by the same rules, as vornenv::expandvar() does.  *result is the
 * caller's, freed with vornenv_free(); on VORNENV_FAILED, failure (may be
 * NULL) says why. */
VORNENV_EXPORT vornenv_status vornenv_expand(const char *text, char **result,
                                             vornenv_failure **failure);

/* Frees a text the library returned; NULL is allowed. */
VORNENV_EXPORT vornenv_status vornenv_free(void *text);

/* Where the library's assertion and warning lines go, process-wide.  The
 * library calls handler(context, severity, message, size) with
 * VORNENV_SEVERITY_ASSERTION or VORNENV_SEVERITY_WARNING and the message
 * alone (valid only during the call; size bytes, which may hold a NUL).
 * The handler must return normally (no longjmp, no exception).  NULL
 * restores the default, which writes "****ASSERTION****: " or
 * "****WARNING****: " and the message to standard error.  A report that
 * has started on another thread finishes with the handler it started with,
 * even after this call returns: keep a replaced handler and its context
 * valid until no other thread can be inside the library. */
enum { VORNENV_SEVERITY_ASSERTION = 0, VORNENV_SEVERITY_WARNING = 1 };
typedef void (*vornenv_diagnostic_handler)(void *context, int severity, const char *message,
                                           size_t size);
VORNENV_EXPORT vornenv_status vornenv_set_diagnostic_handler(vornenv_diagnostic_handler handler,
                                                             void *context);

#ifdef __cplusplus
}
#endif

#endif /* VORNENV_CAPI_H_ */
