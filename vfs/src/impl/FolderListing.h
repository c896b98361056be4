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

#include <vector>

#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

// The base names of the folders (and links to folders) inside `folder`, in
// the order the system lists them; empty when `folder` is empty, missing or
// not a folder of the local file system.
VEXA_VFS_API std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder);
// The same for the folder `child` inside `folder`, without resolving a file
// object for it (which would ask the disk about `folder` once more).
VEXA_VFS_API std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder,
                                                      const wxString& child);

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FOLDERLISTING_H
