// File systems of the virtual file system.
//
// A FileSystem is opened on a root folder (openLocalFolder in FileObject.h)
// and resolves path texts and names into file objects. Every file object
// holds its file system strongly; the file system holds its root object only
// weakly, so the root lives as long as some file object or caller holds it.
// A file system is immutable after it is opened and may be used from several
// threads at once.
#ifndef VEXA_VFS_FILESYSTEM_H
#define VEXA_VFS_FILESYSTEM_H

#include <wx/string.h>

#include <vector>

#include "vfs/src/impl/Capability.h"
#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API FileSystem {
  public:
    virtual ~FileSystem();

    // The root folder's object; an empty handle once nobody holds it.
    virtual FileObjectPtr getRoot() const = 0;
    virtual FileNamePtr getRootName() const = 0;
    virtual bool hasCapability(const Capability& capability) const = 0;
    // The object for a path text (parsed with parseName). Never empty.
    virtual FileObjectPtr resolveFile(const wxString& path) = 0;
    // The object for a name; an empty handle for an empty name.
    virtual FileObjectPtr resolveFile(const FileNamePtr& name) = 0;
    // Lookups by URI and by cache key for providers that keep such indexes;
    // the local provider has none and returns an empty handle.
    virtual FileObjectPtr resolveFileByUri(const wxString& uri) = 0;
    virtual FileObjectPtr findCachedFile(const wxString& key) = 0;
    virtual std::vector<wxString> getSchemes() const = 0;
    // A new object for the name, attached to this file system's root object.
    virtual FileObjectPtr createFileObject(const FileNamePtr& name) = 0;
    // A new name for a path text in this provider's rules. Never empty.
    virtual FileNamePtr parseName(const wxString& text) const = 0;

  protected:
    // Fill the capability and scheme lists once, at construction.
    virtual void addCapabilities(CapabilityList& capabilities) const = 0;
    virtual void addSchemes(std::vector<wxString>& schemes) const = 0;
};

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FILESYSTEM_H
