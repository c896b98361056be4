#include "vfs/src/impl/local/LocalFileSystem.h"

#include <boost/make_shared.hpp>

#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/local/LocalFileObject.h"
#include "vfs/src/impl/local/WindowsFileName.h"

namespace vexa {
namespace vfs {

FileObjectPtr openLocalFolder(const FileNamePtr& name) {
    using provider::local::LocalFileObject;
    using provider::local::LocalFileSystem;
    if (!name) {
        throw FileSystemException("No folder name given");
    }
    boost::shared_ptr<LocalFileSystem> fileSystem = boost::make_shared<LocalFileSystem>(name);
    FileObjectPtr root = boost::make_shared<LocalFileObject>(fileSystem, FileObjectPtr(), name);
    fileSystem->setRoot_(root);
    if (root->exists()) {
        if (root->getType() == FileType::FILE) {
            throw FileSystemException("Specified location is a file not a directory");
        }
    } else {
        root->createFolder();
    }
    return root;
}

namespace provider {
namespace local {

LocalFileSystem::LocalFileSystem(const FileNamePtr& rootName) : AbstractFileSystem(rootName) {
    fillLists_();
}

LocalFileSystem::~LocalFileSystem() {}

FileObjectPtr LocalFileSystem::getRoot() const {
    return m_root.lock();
}

FileObjectPtr LocalFileSystem::createFileObject(const FileNamePtr& name) {
    return boost::make_shared<LocalFileObject>(shared_from_this(), m_root.lock(), name);
}

FileNamePtr LocalFileSystem::parseName(const wxString& text) const {
    return boost::make_shared<WindowsFileName>(text);
}

void LocalFileSystem::setRoot_(const FileObjectPtr& root) {
    m_root = root;
}

void LocalFileSystem::addCapabilities(CapabilityList& capabilities) const {
    const Capability claimed[] = {
        Capability::CREATE,
        Capability::REMOVE,
        Capability::RENAME,
        Capability::GET_TYPE,
        Capability::GET_LAST_MODIFIED,
        Capability::SET_LAST_MODIFIED_FILE,
        Capability::SET_LAST_MODIFIED_FOLDER,
        Capability::LIST_CHILDREN,
        Capability::READ_CONTENT,
        Capability::URI,
        Capability::WRITE_CONTENT,
        Capability::APPEND_CONTENT,
        Capability::RANDOM_ACCESS_READ,
        Capability::RANDOM_ACCESS_WRITE,
    };
    capabilities.insert(capabilities.end(), std::begin(claimed), std::end(claimed));
}

void LocalFileSystem::addSchemes(std::vector<wxString>& schemes) const {
    schemes.push_back("file");
}

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
