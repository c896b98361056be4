// Export macro of the settings repository library.
//
// The library is built with hidden visibility; only the class families marked
// VEXA_REPOS_API (and the file-system and kernel types they hand out) are its
// ABI. Hosts see the same attribute, which is harmless on the using side.
#ifndef VEXA_REPOS_EXPORT_H
#define VEXA_REPOS_EXPORT_H

#if defined(_WIN32)
#if defined(VEXA_REPOS_BUILDING)
#define VEXA_REPOS_API __declspec(dllexport)
#else
#define VEXA_REPOS_API __declspec(dllimport)
#endif
#else
#define VEXA_REPOS_API __attribute__((visibility("default")))
#endif

#endif  // VEXA_REPOS_EXPORT_H
