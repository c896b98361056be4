// Export macro of the virtual file system.
//
// The file system is linked whole into the repository library, whose hosts
// use its handles (file objects, contents, names) directly, so its exported
// types keep default visibility under the library's hidden default. It has
// a macro of its own: the file system sits below the repositories and never
// includes their headers.
#ifndef VEXA_VFS_VFSEXPORT_H
#define VEXA_VFS_VFSEXPORT_H

#if defined(_WIN32)
#if defined(VEXA_REPOS_BUILDING)
#define VEXA_VFS_API __declspec(dllexport)
#else
#define VEXA_VFS_API __declspec(dllimport)
#endif
#else
#define VEXA_VFS_API __attribute__((visibility("default")))
#endif

#endif  // VEXA_VFS_VFSEXPORT_H
