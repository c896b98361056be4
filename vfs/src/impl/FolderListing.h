// Fast listing of the sub-folders of a folder.
//
// getChildren() makes a file object per entry and every type check asks the
// disk again; a host that lists hundreds of printers at start-up pays for
// that. This reads the folder once and takes each entry's type from the
// listing itself (asking the disk only where the listing does not tell, and
// following symbolic links as getType() does).
#ifndef VEXA_VFS_FOLDERLISTING_H
#define VEXA_VFS_FOLDERLISTING_H

#include <wx/string.h>

#include <utility>
#include <vector>

#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

// The base names of the folders (and links to folders) inside `folder`, in
// the order the system lists them; empty when `folder` is empty, missing or
// not a folder of the local file system.
VEXA_VFS_API std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder);
// The sub-folders of `folder`, each with its own sub-folders: two levels in
// one pass. Each sub-folder is opened through its parent's descriptor, so
// the path above it is not walked again for every one; one that cannot be
// opened lists nothing.
VEXA_VFS_API std::vector<std::pair<wxString, std::vector<wxString>>> listSubfolderTree(
    const FileObjectPtr& folder);

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FOLDERLISTING_H
