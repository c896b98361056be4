#include "repos/LockingRepository.h"

#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"

namespace vexa {
namespace repos {

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
    if (lockFile) {
        lockFile->createFile();
    }
    try {
        vfs::FileObjectListPtr children = source->getChildren();
        for (const vfs::FileObjectPtr& child : *children) {
            const wxString name = child->getBaseName();
            if (name.IsSameAs(wxT(".lock"), false) || vfs::isTemporaryName(name)) {
                continue;
            }
            destination->resolveChild(name)->copyFrom(child);
        }
    } catch (const vfs::FileSystemException&) {
        destination->remove();
        return false;
    }
    return true;
}

}  // namespace repos
}  // namespace vexa
