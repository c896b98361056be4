#include "vfs/src/impl/local/LocalDirTraverser.h"

#include "vfs/src/impl/AbstractFileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/local/LocalFileOps.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

LocalDirTraverser::LocalDirTraverser(std::vector<wxString>& output, const wxString& pattern,
                                     const wxString& rootPrefix)
    : m_output(output),
      m_pattern(pattern.Lower()),
      m_rootPrefix(rootPrefix),
      m_filter(!pattern.empty()) {}

bool LocalDirTraverser::onFile(const wxString& path) {
    collect_(path);
    return true;
}

bool LocalDirTraverser::onDirectory(const wxString& path) {
    collect_(path);
    return true;
}

bool LocalDirTraverser::traverse(const std::string& folder) {
    return ops::walkTree(folder, *this);
}

void LocalDirTraverser::collect_(const wxString& path) {
    if (!m_filter) {
        m_output.push_back(path);
        return;
    }
    const wxString slashed = AbstractFileName::normaliseSeparators(path);
    wxString rest;
    if (slashed.StartsWith(m_rootPrefix, &rest) && matchWildcard(m_pattern, rest.Lower())) {
        m_output.push_back(slashed);
    }
}

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
