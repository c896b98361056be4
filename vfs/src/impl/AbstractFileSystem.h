// The base of file systems.
//
// AbstractFileSystem keeps the root name and the capability and scheme lists,
// and resolves texts and names through the provider's parseName() and
// createFileObject(). The lists are filled once, by fillLists_(), which a
// provider's constructor calls (virtual calls do not reach the provider from
// this base's constructor). Immutable afterwards; safe to share.
#ifndef VEXA_VFS_ABSTRACTFILESYSTEM_H
#define VEXA_VFS_ABSTRACTFILESYSTEM_H

#include <boost/enable_shared_from_this.hpp>

#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {

class VEXA_VFS_API AbstractFileSystem : public FileSystem,
                                        public boost::enable_shared_from_this<AbstractFileSystem> {
  public:
    ~AbstractFileSystem() override;
    AbstractFileSystem(const AbstractFileSystem&) = delete;
    AbstractFileSystem& operator=(const AbstractFileSystem&) = delete;

    FileNamePtr getRootName() const override;
    bool hasCapability(const Capability& capability) const override;
    FileObjectPtr resolveFile(const wxString& path) override;
    FileObjectPtr resolveFile(const FileNamePtr& name) override;
    FileObjectPtr resolveFileByUri(const wxString& uri) override;
    FileObjectPtr findCachedFile(const wxString& key) override;
    std::vector<wxString> getSchemes() const override;

  protected:
    explicit AbstractFileSystem(const FileNamePtr& rootName);

    // Base: add nothing.
    void addCapabilities(CapabilityList& capabilities) const override;
    void addSchemes(std::vector<wxString>& schemes) const override;

    // Clears the lists and fills them through addCapabilities/addSchemes.
    void fillLists_();

  private:
    const FileNamePtr m_rootName;
    CapabilityList m_capabilities;
    std::vector<wxString> m_schemes;
};

}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_ABSTRACTFILESYSTEM_H
