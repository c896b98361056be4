#include "repos/LockingRepository.h"

#include <vector>

#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"

namespace vexa {
namespace repos {

namespace {

// The child a folder is touched through ("_<seconds>.tmp"): it exists for
// a moment only and is no content of the folder.
bool isTouchChild(const wxString& name) {
    if (name.length() < 6 || name[0] != '_' || !name.EndsWith(wxT(".tmp"))) {
        return false;
    }
    for (std::size_t i = 1; i + 4 < name.length(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

LockingRepository::LockingRepository(vfs::FileObjectPtr root, vfs::FileObjectPtr settingsFile,
                                     FileLockPtr fileLock)
    : FSRepository(root, settingsFile), m_fileLock(fileLock) {}

LockingRepository::~LockingRepository() = default;

boost::shared_ptr<Settings> LockingRepository::getSettings() {
    ReadFileLocker locker(m_fileLock);
    if (!locker.holdsLock()) {
        return boost::shared_ptr<Settings>();
    }
    return FSRepository::getSettings();
}

boost::shared_ptr<Settings> LockingRepository::getSettings(WriteFileLocker& locker) {
    if (!locker.holdsLock()) {
        return boost::shared_ptr<Settings>();
    }
    return FSRepository::getSettings();
}

void LockingRepository::saveSettings(boost::shared_ptr<Settings> settings) {
    saveSettingsChecked(settings);
}

bool LockingRepository::saveSettingsChecked(boost::shared_ptr<Settings> settings) {
    WriteFileLocker locker(m_fileLock);
    if (!locker.holdsLock()) {
        return false;
    }
    return FSRepository::saveSettingsChecked(settings);
}

bool LockingRepository::copyContents(const vfs::FileObjectPtr& source,
                                     const vfs::FileObjectPtr& destination) {
    if (!source || !destination) {
        return false;
    }
    const bool existed = destination->exists();
    destination->createFolder();
    if (destination->getType() != vfs::FileType::FOLDER) {
        return false;
    }
    // A folder copied onto itself or into itself would destroy itself or
    // never end; only now that the destination exists can its real path be
    // compared.
    if (vfs::sameOrInside(source, destination)) {
        if (!existed) {
            destination->remove();
        }
        return false;
    }
    // The destination is lockable from the moment it exists.
    vfs::FileObjectPtr lockFile = destination->resolveChild(wxT(".lock"));
    const bool lockExisted = lockFile && lockFile->exists();
    if (lockFile) {
        lockFile->createFile();
    }
    std::vector<vfs::FileObjectPtr> copied;
    try {
        const vfs::FileObjectListPtr children = source->getChildren();
        for (const vfs::FileObjectPtr& child : *children) {
            const wxString name = child->getBaseName();
            if (name.IsSameAs(wxT(".lock"), false) || vfs::isTemporaryName(name) ||
                isTouchChild(name)) {
                continue;
            }
            if (!child->exists()) {
                continue;  // removed since the listing: nothing to copy
            }
            vfs::FileObjectPtr target = destination->resolveChild(name);
            copied.push_back(target);
            target->copyFrom(child);
        }
    } catch (const vfs::FileSystemException&) {
        // Undo what this copy made; a folder that was there before keeps
        // what it held.
        if (!existed) {
            destination->remove();
        } else {
            for (const vfs::FileObjectPtr& target : copied) {
                target->remove();
            }
            if (!lockExisted && lockFile) {
                lockFile->remove();
            }
        }
        return false;
    }
    return true;
}

}  // namespace repos
}  // namespace vexa
