// The operating-system calls of the local provider, in one place.
//
// Internal to the local provider (not exported). Paths are the bytes the
// system sees: kernel::toMB of the wide name (UTF-8 whatever the process
// locale), made once when a file object is made, not at every call. Every function reports failure by result and
// leaves errno as the failing call set it.
#ifndef VEXA_VFS_LOCAL_LOCALFILEOPS_H
#define VEXA_VFS_LOCAL_LOCALFILEOPS_H

#include <wx/string.h>

#include <cstdint>
#include <string>
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
bool queryStatus(const std::string& path, Status* status);

// Device, inode, size, modification time and whether it is a folder
// (following links); false when nothing reachable is there.
struct Identity {
    bool isFolder = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNanos = 0;
};
bool queryIdentity(const std::string& path, Identity* identity);

// True when the path itself is a symbolic link (lstat).
bool isSymbolicLink(const std::string& path);
// The text of a symbolic link; false when the path is no link.
bool readLink(const std::string& path, wxString* target);
// symlink(): a new link at `path` holding `target`.
bool makeLink(const std::string& target, const std::string& path);

enum CreateResult { CREATED, ALREADY_EXISTS, CREATE_FAILED };
// Creates an empty file (permissions 0666 before umask); never truncates
// something that appeared in the meantime.
CreateResult createNewFile(const std::string& path);

// mkdir with all missing parents (0777 before umask). True when a folder
// stands at the path afterwards.
bool makeFolders(const std::string& path);

// unlink() of a file or symbolic link.
bool removeFile(const std::string& path);
// Removes a folder with everything in it, or a single file. Symbolic links
// are removed, never followed. Names are handled as raw bytes, so entries
// whose names are not UTF-8 go too. True when nothing is left at the path.
bool removeTree(const std::string& path);

// rename(), replacing a file or an empty folder at `to`.
bool renameReplacing(const std::string& from, const std::string& to);

// Sets the modification time, leaving the access time.
bool setModificationTime(const std::string& path, std::int64_t nanos);
// Sets access and modification time to now.
bool touch(const std::string& path);

// The entry names of a folder except "." and "..", sorted bytewise.
bool listFolder(const std::string& path, std::vector<wxString>* names);

// Opens an existing file for reading; -1 on failure, with *missing set when
// nothing is at the path. Close-on-exec.
int openForReading(const std::string& path, bool* missing);
// Opens an existing file for writing and truncates it; -1 on failure, with
// *missing set when nothing is at the path. Close-on-exec.
int openForWriting(const std::string& path, bool* missing);

// The length of an open file; -1 when it cannot be had. `regular` (may be
// null) tells whether it is a regular file, from the same query.
std::int64_t openFileLength(int fd, bool* regular = nullptr);

std::int64_t currentTimeSeconds();

// Walks the tree below `folder`: in each folder first every sub-folder
// (onDirectory, then its own tree), then every file (onFile), each group
// sorted by name. A symbolic link is reported as a file, whatever it points
// at, and never entered: a walk stays inside the folder it was given.
// Stops when the sink says so. False when `folder` cannot be read.
bool walkTree(const std::string& folder, LocalDirTraverser& sink);

}  // namespace ops
}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALFILEOPS_H
