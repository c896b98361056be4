// File objects of the virtual file system.
//
// A FileObject is a handle to a file or folder that may or may not exist yet.
// It keeps no state of its own apart from a weak reference to the content it
// last handed out: every query goes to the disk, and its type changes as files
// are created and removed. Objects are created by their file system and held
// by FileObjectPtr; each holds its file system and its file system's root
// object strongly.
//
// Thread rules: an object may be used from several threads; exclusion between
// readers and writers of the same file is the caller's business (the
// repository locks), apart from the stream counters of FileContent.
//
// Failures are reported by result (false, an empty handle, an empty list, 0)
// and debug-level log lines. FileSystemException is thrown only by
// openLocalFolder on a file, getContent() on a folder, and the copies.
#ifndef VEXA_VFS_FILEOBJECT_H
#define VEXA_VFS_FILEOBJECT_H

#include <wx/string.h>

#include <cstdint>

#include "vfs/src/impl/CopyFilter.h"
#include "vfs/src/impl/FileType.h"
#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/NameScope.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

// What an object is on disk at one moment: device, inode, size and
// modification time in nanoseconds. Every save replaces a settings file by
// rename and so gives it a new inode: comparing stamps tells two saves
// apart even when they fall into one tick of a coarse file-system clock.
// All zero when nothing is there.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNs == other.modifiedNs;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// What a path holds, from one query: its type and its stamp (IMAGINARY and
// an all-zero stamp when nothing is there).
struct FileStatus {
    FileType type = FileType::IMAGINARY;
    FileStamp stamp;
};

class VEXA_VFS_API FileObject {
  public:
    virtual ~FileObject();

    // The parent folder's object; an empty handle when the name has no parent.
    virtual FileObjectPtr getParent() const = 0;
    virtual FileSystemPtr getFileSystem() const = 0;
    // Creates an empty file. False when something already exists at the path
    // (left unchanged) or the file cannot be created (e.g. missing folder).
    virtual bool createFile() = 0;
    // Creates the folder with all missing parents. False only when a file
    // stands at the path; true when the folder existed, and also after a
    // creation failure that is merely logged.
    virtual bool createFolder() = 0;
    virtual bool exists() const = 0;
    // FOLDER, FILE (anything that is not a folder) or IMAGINARY.
    virtual FileType getType() const = 0;
    virtual wxString getBaseName() const = 0;
    virtual wxString getURI() const = 0;
    virtual FileNamePtr getName() const = 0;
    // The length in bytes of a file; 0 for anything else.
    virtual std::uint64_t getSize() const = 0;
    // Modification time in whole seconds since 1970 (UTC); 0 when unknown.
    // getLastModifiedTimeNs() gives the precise time.
    virtual std::int64_t getLastModifiedTime() const = 0;
    // A file gets modification time t (t = 0: both times become now); a
    // folder with t = 0 is touched through a temporary child that is removed
    // again. False when nothing was changed.
    virtual bool setLastModifiedTime(std::int64_t t) = 0;
    // Removes a file, or a folder with everything in it (dot-files included;
    // symbolic links are removed, never followed). Closes a handed-out
    // content first. True when nothing exists at the path afterwards.
    virtual bool remove() = 0;
    // The entries of a folder (dot-files included, "." and ".." not), sorted
    // by name; an empty list for anything that is not a folder.
    virtual FileObjectListPtr getChildren() const = 0;
    // resolveFile(relative, CHILD).
    virtual FileObjectPtr resolveChild(const wxString& relative) = 0;
    // The object at `relative` below this folder ("a/b" reaches further
    // down); for a file, below its parent. A missing object is first created
    // as a folder. The scope does not restrict the result. Empty when this
    // object cannot be made a folder.
    virtual FileObjectPtr resolveFile(const wxString& relative, const NameScope& scope) = 0;
    // Every file and folder below this folder whose path relative to it
    // matches `pattern` (matchWildcard, case-insensitive); an empty pattern
    // takes every entry. Folders come before their contents. A symbolic link
    // is listed as an entry of its own and never entered.
    virtual FileObjectListPtr findFiles(const wxString& pattern) const = 0;
    // copyTree(source, no filter).
    virtual void copyFrom(const FileObjectPtr& source) = 0;
    // Copies a file, or a folder with everything below it, into this object,
    // keeping each file's modification time. A file source lands on this
    // object when it is a file or missing, inside it when it is a folder.
    // A symbolic link (the source itself or one met below it) is copied as
    // a link holding the same text, never its target. Throws
    // FileSystemException for a missing source, a folder onto a file, a
    // failed file copy, a dangling link or anything else that is neither
    // file, folder nor link (its target cannot be checked, so the copy
    // would not be whole), and a cancel by `filter` (which may be empty);
    // files copied before stay.
    virtual void copyTree(const FileObjectPtr& source, const CopyFilterPtr& filter) = 0;
    // Renames this object to `destination`, replacing what is there; falls
    // back to copy and remove. False when it stays where it was (also when
    // the destination is inside this object or contains it).
    virtual bool moveTo(const FileObjectPtr& destination) = 0;
    // The content of a file; asking again while it is alive gives the same
    // object. A missing file is created empty first. Throws
    // FileSystemException "Cannot get content on a folder" for a folder.
    virtual FileContentPtr getContent() = 0;
    virtual wxString getScheme() const = 0;
    // Closes a handed-out content that is open (releases its local path).
    virtual void close() = 0;

    // Modification time in nanoseconds since 1970 (UTC); 0 when unknown.
    // Compare these to see a change made within the same second.
    virtual std::int64_t getLastModifiedTimeNs() const = 0;
    // As setLastModifiedTime, with a time in nanoseconds (0 touches).
    virtual bool setLastModifiedTimeNs(std::int64_t ns) = 0;
    // The stamp of what is at the path now (a link's target); all zero when
    // nothing is there.
    virtual FileStamp getStamp() const = 0;
    // True when the object itself is a symbolic link, dangling or not.
    // getType() and the other queries follow links; removals, tree walks and
    // copies never do (see remove(), findFiles(), copyTree()).
    virtual bool isSymbolicLink() const = 0;
    // The text a symbolic link holds; empty for anything else.
    virtual wxString getLinkTarget() const = 0;
    // Makes a symbolic link holding `target` at this path. False when
    // something is there already or the link cannot be made.
    virtual bool createLink(const wxString& target) = 0;
    // As getContent(), except that a missing file is not created: its
    // content then hands out no stream (see FileContent) until the file is
    // made by other means. For readers, which must not change a folder.
    virtual FileContentPtr getContentNoCreate() = 0;
    // getType() and getStamp() from one query of the disk (following links
    // as they do): a caller that needs existence, type and times together
    // asks once.
    virtual FileStatus getStatus() const = 0;
    // resolveChild(relative) of an object the caller has just found to be a
    // folder: asks the disk nothing, and so never creates the folder (a
    // folder gone since then gives objects that read as missing).
    virtual FileObjectPtr resolveChildOfFolder(const wxString& relative) = 0;
    // getContent() of an object the caller has just found to be a file:
    // asks the disk nothing (a file gone since then hands out no stream).
    virtual FileContentPtr getContentOfFile() = 0;
};

// The root folder object of a new local file system rooted at `name`. A
// missing folder is created with all its parents. Throws FileSystemException
// "Specified location is a file not a directory" when a file stands there,
// and for an empty name.
VEXA_VFS_API FileObjectPtr openLocalFolder(const FileNamePtr& name);

// The path the operating-system calls use for an object of the local file
// system (what its content's getLocalPath() gives), without asking the disk
// or marking the content's path out; empty for any other object.
VEXA_VFS_API wxString systemPathOf(const FileObjectPtr& object);

// Wildcard match of a whole text: '*' matches any run of characters ('/'
// included), '?' exactly one, everything else itself (a backslash too). A '.'
// that starts the text is matched only by a '.' that starts the pattern.
// Case-sensitive; callers lower-case both sides for a case-blind match.
VEXA_VFS_API bool matchWildcard(const wxString& pattern, const wxString& text);

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FILEOBJECT_H
