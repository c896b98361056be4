#include "vfs/src/impl/AbstractFileSystem.h"

#include <algorithm>

namespace vexa {
namespace vfs {
namespace provider {

AbstractFileSystem::AbstractFileSystem(const FileNamePtr& rootName) : m_rootName(rootName) {}

AbstractFileSystem::~AbstractFileSystem() {}

FileNamePtr AbstractFileSystem::getRootName() const {
    return m_rootName;
}

bool AbstractFileSystem::hasCapability(const Capability& capability) const {
    return std::find(m_capabilities.begin(), m_capabilities.end(), capability) !=
           m_capabilities.end();
}

FileObjectPtr AbstractFileSystem::resolveFile(const wxString& path) {
    return resolveFile(parseName(path));
}

FileObjectPtr AbstractFileSystem::resolveFile(const FileNamePtr& name) {
    if (!name) {
        return FileObjectPtr();
    }
    return createFileObject(name);
}

FileObjectPtr AbstractFileSystem::resolveFileByUri(const wxString&) {
    return FileObjectPtr();
}

FileObjectPtr AbstractFileSystem::findCachedFile(const wxString&) {
    return FileObjectPtr();
}

std::vector<wxString> AbstractFileSystem::getSchemes() const {
    return m_schemes;
}

void AbstractFileSystem::addCapabilities(CapabilityList&) const {}

void AbstractFileSystem::addSchemes(std::vector<wxString>&) const {}

void AbstractFileSystem::fillLists_() {
    m_capabilities.clear();
    addCapabilities(m_capabilities);
    m_schemes.clear();
    addSchemes(m_schemes);
}

}  // namespace provider
}  // namespace vfs
}  // namespace vexa
