// Durable replacement of a file's content, and identity of folders.
//
// A settings file rewritten in place (remove, create, write) is lost when the
// process dies in between. replaceFileDurably instead writes the new content
// to a temporary file beside the target, flushes it to disk, renames it over
// the target and flushes the folder: at every moment the target holds either
// the old or the new content, whole.
#ifndef VEXA_VFS_DURABLEWRITE_H
#define VEXA_VFS_DURABLEWRITE_H

#include <wx/stream.h>
#include <wx/string.h>

#include <functional>

#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

// Names of temporary files start with this; listings and copies of
// repository folders skip them.
VEXA_VFS_API extern const wxChar* const kTemporaryPrefix;

// True when `name` (a base name) is one of our temporary files.
VEXA_VFS_API bool isTemporaryName(const wxString& name);

// Replaces the file `target` with the bytes `write` puts into the stream it
// is given. Every step is checked: the write (a stream error), the flush to
// disk, the close, the rename and the flush of the folder. On any failure
// the temporary file is removed, the previous file is left as it was, and
// the result is false. A new file gets the permissions of a plain new file;
// an existing one keeps its own.
VEXA_VFS_API bool replaceFileDurably(const FileObjectPtr& target,
                                     const std::function<void(wxOutputStream&)>& write);

// Removes, in the folder holding `anyFile`, the temporary files that another
// process left behind when it died in the middle of a write. Temporary files
// of this process are left alone: another thread may be writing one. Call it
// with the folder's lock held exclusively.
VEXA_VFS_API void removeStaleTemporaries(const wxString& anyFile);

// True when `a` and `b` name the same existing folder or file (symbolic
// links, "..", doubled or trailing separators resolved), or when `b` lies
// inside `a`. False when either does not exist.
VEXA_VFS_API bool sameOrInside(const FileObjectPtr& a, const FileObjectPtr& b);

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_DURABLEWRITE_H
