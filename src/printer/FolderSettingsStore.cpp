#include "printer/FolderSettingsStore.h"

#include <map>
#include <mutex>

#include "kernel/Failure.h"
#include "printer/InnerLocks.h"
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
                          const vfs::FileObjectPtr& destination, bool uriIgnoreCase,
                          const CopySubject& subject, const vfs::CopyFilterPtr& filter) {
    if (!source || !destination || !isFolder(source)) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, subject.label + wxT(" is gone"));
        return false;
    }
    const wxString targetPath = destination->getName()->getNativePath();
    const auto taken = [&]() {
        kernel::recordFailure(kernel::FailureCode::ALREADY_EXISTS,
                              wxT("'") + targetPath + wxT("' already exists"), targetPath);
        return false;
    };
    if (destination->getURI().IsSameAs(source->getURI(), !uriIgnoreCase)) {
        return taken();
    }
    // Checked before anything is made: copying into itself would never end,
    // and a destination that holds something (another media or mode) would
    // be overwritten, or removed whole by a failed copy.
    if (isSameOrInside(source, destination)) {
        return taken();
    }
    if (destination->isSymbolicLink() ||
        (destination->exists() && (!isFolder(destination) || holdsEntries(destination)))) {
        return taken();
    }
    if (!checkName(subject.kind, destination->getBaseName())) {
        return false;
    }
    const vfs::FileObjectPtr group =
        subject.kind == NameKind::MEDIA ? destination->getParent() : vfs::FileObjectPtr();
    const vfs::FileObjectPtr medias = group ? group->getParent() : vfs::FileObjectPtr();
    if (medias && medias->getBaseName() == wxT("Medias") &&
        !checkName(NameKind::MEDIA_GROUP, group->getBaseName())) {
        return false;
    }
    const vfs::FileObjectPtr sourceMarker = source->resolveChild(kInvalidMarkerName);
    if (sourceMarker && sourceMarker->exists()) {
        kernel::recordFailure(
            kernel::FailureCode::NOT_READABLE,
            subject.label + wxT(" is marked .invalid (half-made or half-removed)"),
            sourceMarker->getName()->getNativePath());
        return false;
    }
    if (subject.withModes && !checkInnerFolders(source, false, subject.label)) {
        return false;
    }
    // The folders this copy makes (the destination, a new group folder) go
    // again when it fails.
    vfs::FileObjectPtr made;
    for (vfs::FileObjectPtr probe = destination;
         probe && !probe->exists() && !probe->isSymbolicLink(); probe = probe->getParent()) {
        made = probe;
    }
    vfs::FileObjectPtr marker = destination->resolveChild(kInvalidMarkerName);
    if (!marker) {
        return false;
    }
    marker->createFile();
    const bool copied = store.copy(source, destination, filter);
    if (!copied && made) {
        made->remove();
    } else if (destination->exists()) {
        marker->remove();
    }
    return copied;
}

void SeenStamp::take(const vfs::FileObjectPtr& file) {
    set(file ? file->getStamp() : vfs::FileStamp());
}

bool SeenStamp::changed(const vfs::FileObjectPtr& file) const {
    return file && file->getStamp() != get();
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
