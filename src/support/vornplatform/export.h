// Export macro of the vornplatform library.
//
// VORNPLATFORM_SHARED is set for every user of a shared vornplatform, and
// VORNPLATFORM_BUILDING only while vornplatform itself is compiled.

#ifndef VORNPLATFORM_EXPORT_H_
#define VORNPLATFORM_EXPORT_H_

#if !defined(VORNPLATFORM_EXPORT)
#if defined(VORNPLATFORM_SHARED)
#if defined(_WIN32)
#if defined(VORNPLATFORM_BUILDING)
#define VORNPLATFORM_EXPORT __declspec(dllexport)
#else
#define VORNPLATFORM_EXPORT __declspec(dllimport)
#endif
#else
#define VORNPLATFORM_EXPORT __attribute__((visibility("default")))
#endif
#else
#define VORNPLATFORM_EXPORT
#endif
#endif

#endif  // VORNPLATFORM_EXPORT_H_
