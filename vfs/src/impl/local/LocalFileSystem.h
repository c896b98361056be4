// The local disk as a file system.
//
// A LocalFileSystem is opened by openLocalFolder() on a root folder name. It
// holds its root object weakly (each file object holds the file system and the
// root object strongly, so there is no ownership cycle). It claims the
// capabilities CREATE, REMOVE, RENAME, GET_TYPE, GET_LAST_MODIFIED,
// SET_LAST_MODIFIED_FILE, SET_LAST_MODIFIED_FOLDER, LIST_CHILDREN,
// READ_CONTENT, URI, WRITE_CONTENT, APPEND_CONTENT, RANDOM_ACCESS_READ and
// RANDOM_ACCESS_WRITE, and the scheme "file". Immutable once opened.
#ifndef VEXA_VFS_LOCAL_LOCALFILESYSTEM_H
#define VEXA_VFS_LOCAL_LOCALFILESYSTEM_H

#include "vfs/src/impl/AbstractFileSystem.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class VEXA_VFS_API LocalFileSystem : public AbstractFileSystem {
  public:
    explicit LocalFileSystem(const FileNamePtr& rootName);
    ~LocalFileSystem() override;

    FileObjectPtr getRoot() const override;
    // A new LocalFileObject attached to the root object.
    FileObjectPtr createFileObject(const FileNamePtr& name) override;
    // A new WindowsFileName for the text.
    FileNamePtr parseName(const wxString& text) const override;

    // Called once by openLocalFolder() with the freshly made root object.
    void setRoot_(const FileObjectPtr& root);

  protected:
    void addCapabilities(CapabilityList& capabilities) const override;
    void addSchemes(std::vector<wxString>& schemes) const override;

  private:
    FileObjectWeakPtr m_root;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALFILESYSTEM_H
