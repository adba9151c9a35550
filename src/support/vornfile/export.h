// Export macro of the vornfile library.
//
// VORNFILE_SHARED is set for every user of a shared vornfile, and
// VORNFILE_BUILDING only while vornfile itself is compiled.

#ifndef VORNFILE_EXPORT_H_
#define VORNFILE_EXPORT_H_

#if !defined(VORNFILE_EXPORT)
#if defined(VORNFILE_SHARED)
#if defined(_WIN32)
#if defined(VORNFILE_BUILDING)
#define VORNFILE_EXPORT __declspec(dllexport)
#else
#define VORNFILE_EXPORT __declspec(dllimport)
#endif
#else
#define VORNFILE_EXPORT __attribute__((visibility("default")))
#endif
#else
#define VORNFILE_EXPORT
#endif
#endif

#endif  // VORNFILE_EXPORT_H_
