/* Export macro of the vornenv library.
 *
 * VORNENV_SHARED is set for every user of a shared vornenv, and
 * VORNENV_BUILDING only while vornenv itself is compiled.  C comments: the
 * C interface includes this header, and C89 compilers read it too. */

#ifndef VORNENV_EXPORT_H_
#define VORNENV_EXPORT_H_

#if !defined(VORNENV_EXPORT)
#if defined(VORNENV_SHARED)
#if defined(_WIN32)
#if defined(VORNENV_BUILDING)
#define VORNENV_EXPORT __declspec(dllexport)
#else
#define VORNENV_EXPORT __declspec(dllimport)
#endif
#else
#define VORNENV_EXPORT __attribute__((visibility("default")))
#endif
#else
#define VORNENV_EXPORT
#endif
#endif

#endif  // VORNENV_EXPORT_H_
