#include "printer/FolderSettingsStore.h"

#include <map>
#include <mutex>

#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"

namespace vexa {
namespace repos {
namespace impl {

namespace {

const wxChar* const kInvalidMarkerName = wxT(".invalid");
const wxChar* const kLockFileName = wxT(".lock");

// True when `folder` holds an entry other than its lock file and our
// temporary files.
bool holdsEntries(const vfs::FileObjectPtr& folder) {
    vfs::FileObjectListPtr children = folder->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        const wxString name = child->getBaseName();
        if (!name.IsSameAs(kLockFileName, false) && !vfs::isTemporaryName(name)) {
            return true;
        }
    }
    return false;
}

// True when `destination`, which may not exist yet, is `source` or lies
// below it: its nearest existing folder decides.
bool isSameOrInside(const vfs::FileObjectPtr& source, const vfs::FileObjectPtr& destination) {
    vfs::FileObjectPtr probe = destination;
    while (probe && !probe->exists()) {
        probe = probe->getParent();
    }
    return probe && vfs::sameOrInside(source, probe);
}

}  // namespace

ReadWriteMutex folderMutex(const vfs::FileObjectPtr& folder) {
    // Entries are kept for the life of the process: a lock must outlive
    // every repository object of its folder, and there is one entry per
    // folder ever opened.
    static std::mutex guard;
    static std::map<wxString, ReadWriteMutex>* locks = new std::map<wxString, ReadWriteMutex>();
    if (!folder) {
        return ReadWriteMutex();
    }
    wxString key = folder->getName()->getURI();
    while (key.length() > 1 && key.EndsWith(wxT("/"))) {
        key.RemoveLast();
    }
    std::lock_guard<std::mutex> lock(guard);
    return (*locks)[key];
}

vfs::FileObjectPtr lookUpLocalPath(const wxString& path) {
    if (path.empty()) {
        return vfs::FileObjectPtr();
    }
    // A file system opened on the POSIX root, which always exists, resolves
    // any name without creating anything (openLocalFolder on the path itself
    // would create the folder).
    static const wxChar* const kTop = wxT("/");
    try {
        vfs::FileObjectPtr top = vfs::openLocalFolder(vfs::createFileName(kTop));
        return top->getFileSystem()->resolveFile(vfs::createFileName(path));
    } catch (const vfs::FileSystemException&) {
        return vfs::FileObjectPtr();
    }
}

bool isFolder(const vfs::FileObjectPtr& folder) {
    return folder && folder->getType() == vfs::FileType::FOLDER;
}

bool copyRepositoryFolder(FolderSettingsStore& store, const vfs::FileObjectPtr& source,
                          const vfs::FileObjectPtr& destination, bool uriIgnoreCase) {
    if (!source || !destination || !isFolder(source)) {
        return false;
    }
    if (destination->getURI().IsSameAs(source->getURI(), !uriIgnoreCase)) {
        return false;
    }
    // Checked before anything is made: copying into itself would never end,
    // and a destination that holds something (another media or mode) would
    // be overwritten, or removed whole by a failed copy.
    if (isSameOrInside(source, destination)) {
        return false;
    }
    if (destination->exists() && (!isFolder(destination) || holdsEntries(destination))) {
        return false;
    }
    vfs::FileObjectPtr marker = destination->resolveChild(kInvalidMarkerName);
    if (!marker) {
        return false;
    }
    marker->createFile();
    const bool copied = store.copy(source, destination);
    if (destination->exists()) {
        marker->remove();
    }
    return copied;
}

std::int64_t modificationTime(const vfs::FileObjectPtr& object) {
    return object ? object->getLastModifiedTimeNs() : 0;
}

void raiseTime(std::atomic<std::int64_t>& time, std::int64_t value) {
    std::int64_t current = time.load();
    while (value > current && !time.compare_exchange_weak(current, value)) {
    }
}

wxString lastKeyStep(const wxString& key) {
    return key.AfterLast('/');
}

NamedNode::Ptr firstNode(const Settings& settings, const wxString& key) {
    const std::list<NamedNode::Ptr> nodes = SettingsAccess::findNodes(settings, key);
    return nodes.empty() ? NamedNode::Ptr() : nodes.front();
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
