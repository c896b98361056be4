#include "repos/LockingRepository.h"

#include <boost/make_shared.hpp>
#include <set>

#include "kernel/Failure.h"
#include "kernel/Text.h"
#include "vfs/src/impl/CopyFilter.h"
#include "vfs/src/impl/FileName.h"

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

// Leaves out what a repository copy must not take, and passes every other
// entry to the caller's filter: lock files belong to the folder they lock
// (the copy's folders make their own on first use), and temporary files
// and touch children are no content.
class RepositoryCopyFilter : public vfs::CopyFilter {
  public:
    explicit RepositoryCopyFilter(const vfs::CopyFilterPtr& inner) : m_inner(inner) {}

    Decision beforeCopy(const vfs::CopyProgress& progress) override {
        const wxString name = progress.next ? progress.next->getBaseName() : wxString();
        if (name.IsSameAs(wxT(".lock"), false) || vfs::isTemporaryName(name) ||
            isTouchChild(name)) {
            return SKIP;
        }
        return m_inner ? m_inner->beforeCopy(progress) : COPY;
    }
    void finished(const vfs::CopyProgress& progress) override {
        if (m_inner) {
            m_inner->finished(progress);
        }
    }

  private:
    vfs::CopyFilterPtr m_inner;
};

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

boost::shared_ptr<Settings> LockingRepository::getSettingsOfFile() {
    ReadFileLocker locker(m_fileLock);
    if (!locker.holdsLock()) {
        return boost::shared_ptr<Settings>();
    }
    return FSRepository::getSettingsOfFile();
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
    return copyContents(source, destination, vfs::CopyFilterPtr());
}

bool LockingRepository::copyContents(const vfs::FileObjectPtr& source,
                                     const vfs::FileObjectPtr& destination,
                                     const vfs::CopyFilterPtr& filter) {
    if (!source || !destination) {
        return false;
    }
    const bool existed = destination->exists();
    destination->createFolder();
    if (destination->getType() != vfs::FileType::FOLDER) {
        kernel::recordFailure(
            kernel::FailureCode::IO_ERROR,
            wxT("cannot make the folder '") + destination->getName()->getNativePath() + wxT("'"),
            destination->getName()->getNativePath());
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
    // What was there before (an empty folder's lock file, the caller's
    // marker) stays when a failed copy is undone.
    std::set<wxString> before;
    if (existed) {
        const vfs::FileObjectListPtr children = destination->getChildren();
        for (const vfs::FileObjectPtr& child : *children) {
            before.insert(child->getBaseName());
        }
    }
    // The destination is lockable from the moment it exists.
    vfs::FileObjectPtr lockFile = destination->resolveChild(wxT(".lock"));
    if (lockFile) {
        lockFile->createFile();
    }
    try {
        destination->copyTree(source, boost::make_shared<RepositoryCopyFilter>(filter));
    } catch (const vfs::FileSystemException& error) {
        kernel::recordFailure(kernel::FailureCode::IO_ERROR,
                              wxT("cannot copy '") + source->getName()->getNativePath() +
                                  wxT("': ") + kernel::fromMB(error.what()),
                              source->getName()->getNativePath());
        if (!existed) {
            destination->remove();
        } else {
            const vfs::FileObjectListPtr children = destination->getChildren();
            for (const vfs::FileObjectPtr& child : *children) {
                if (before.count(child->getBaseName()) == 0) {
                    child->remove();
                }
            }
        }
        return false;
    }
    return true;
}

}  // namespace repos
}  // namespace vexa
