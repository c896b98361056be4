// The operating-system calls of the local provider, in one place.
//
// Internal to the local provider (not exported). Paths are wide strings and
// go to the system as UTF-8 through kernel::toMB, so non-ASCII names work
// whatever the process locale. Every function reports failure by result and
// leaves errno as the failing call set it.
#ifndef VEXA_VFS_LOCAL_LOCALFILEOPS_H
#define VEXA_VFS_LOCAL_LOCALFILEOPS_H

#include <wx/string.h>

#include <cstdint>
#include <vector>

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class LocalDirTraverser;

namespace ops {

struct Status {
    bool isFolder = false;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;  // since 1970, UTC
    std::int64_t modifiedNanos = 0;    // the same instant in nanoseconds
};

// stat(), following symbolic links. False when nothing (reachable) is there.
bool queryStatus(const wxString& path, Status* status);

// Device, inode, size, modification time and whether it is a folder
// (following links); false when nothing reachable is there.
struct Identity {
    bool isFolder = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNanos = 0;
};
bool queryIdentity(const wxString& path, Identity* identity);

// True when the path itself is a symbolic link (lstat).
bool isSymbolicLink(const wxString& path);
// The text of a symbolic link; false when the path is no link.
bool readLink(const wxString& path, wxString* target);
// symlink(): a new link at `path` holding `target`.
bool makeLink(const wxString& target, const wxString& path);

enum CreateResult { CREATED, ALREADY_EXISTS, CREATE_FAILED };
// Creates an empty file (permissions 0666 before umask); never truncates
// something that appeared in the meantime.
CreateResult createNewFile(const wxString& path);

// mkdir with all missing parents (0777 before umask). True when a folder
// stands at the path afterwards.
bool makeFolders(const wxString& path);

// unlink() of a file or symbolic link.
bool removeFile(const wxString& path);
// Removes a folder with everything in it, or a single file. Symbolic links
// are removed, never followed. Names are handled as raw bytes, so entries
// whose names are not UTF-8 go too. True when nothing is left at the path.
bool removeTree(const wxString& path);

// rename(), replacing a file or an empty folder at `to`.
bool renameReplacing(const wxString& from, const wxString& to);

// Sets the modification time, leaving the access time.
bool setModificationTime(const wxString& path, std::int64_t nanos);
// Sets access and modification time to now.
bool touch(const wxString& path);

// The entry names of a folder except "." and "..", sorted bytewise.
bool listFolder(const wxString& path, std::vector<wxString>* names);

// Opens an existing file for reading; -1 on failure, with *missing set when
// nothing is at the path. Close-on-exec.
int openForReading(const wxString& path, bool* missing);
// Opens an existing file for writing and truncates it; -1 on failure, with
// *missing set when nothing is at the path. Close-on-exec.
int openForWriting(const wxString& path, bool* missing);

// The length of an open file; -1 when it cannot be had. `regular` (may be
// null) tells whether it is a regular file, from the same query.
std::int64_t openFileLength(int fd, bool* regular = nullptr);

std::int64_t currentTimeSeconds();

// Walks the tree below `folder`: in each folder first every sub-folder
// (onDirectory, then its own tree), then every file (onFile), each group
// sorted by name. A symbolic link is reported as a file, whatever it points
// at, and never entered: a walk stays inside the folder it was given.
// Stops when the sink says so. False when `folder` cannot be read.
bool walkTree(const wxString& folder, LocalDirTraverser& sink);

}  // namespace ops
}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALFILEOPS_H
