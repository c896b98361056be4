// Internal helpers of the media and mode repositories: the locked settings
// store of one folder, lookups that never create folders, the guarded copy
// of a repository folder, and monotonic time stamps.
//
// Resolving a child below a folder that does not exist creates that folder
// (FileObject::resolveFile), so the repositories resolve their children once
// while the folder exists and test existence before resolving anything else.
#ifndef VEXA_SRC_PRINTER_FOLDERSETTINGSSTORE_H
#define VEXA_SRC_PRINTER_FOLDERSETTINGSSTORE_H

#include <wx/string.h>

#include <atomic>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <mutex>

#include "repos/FileLock.h"
#include "repos/LockingRepository.h"
#include "repos/NameRules.h"
#include "repos/ReadWriteMutex.h"
#include "repos/Settings.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {
namespace impl {

// The settings file of one folder, read under the shared file lock and
// written durably under the exclusive one (LockingRepository), opened up for
// the repositories that use it rather than derive from it.
class FolderSettingsStore : public LockingRepository {
  public:
    FolderSettingsStore(vfs::FileObjectPtr root, vfs::FileObjectPtr settingsFile,
                        FileLockPtr fileLock)
        : LockingRepository(root, settingsFile, fileLock) {}

    // The settings under a shared file lock; empty when the lock cannot be
    // had or the file holds no settings tree.
    boost::shared_ptr<Settings> load() { return getSettings(); }
    // The settings while `locker` holds the exclusive lock.
    boost::shared_ptr<Settings> load(WriteFileLocker& locker) { return getSettings(locker); }
    // Writes the settings file durably; false when it was not written.
    bool store(const boost::shared_ptr<Settings>& settings) {
        return saveSettingsChecked(settings);
    }
    // LockingRepository::copyContents.
    bool copy(const vfs::FileObjectPtr& source, const vfs::FileObjectPtr& destination,
              const vfs::CopyFilterPtr& filter) {
        return copyContents(source, destination, filter);
    }
};

// The in-process reader/writer lock of the folder `folder`: one lock per
// folder for the whole process, so that two repository objects of one folder
// (a media reached by two names, or directly and through its printer)
// exclude each other as one object's readers and writers do.
ReadWriteMutex folderMutex(const vfs::FileObjectPtr& folder);

// The object for a local path (Windows or POSIX form) without creating
// anything; never empty for a non-empty text.
vfs::FileObjectPtr lookUpLocalPath(const wxString& path);

// True when `folder` exists as a folder; never creates it.
bool isFolder(const vfs::FileObjectPtr& folder);

// What is copied, for the checks made before a copy.
struct CopySubject {
    NameKind kind;   // MEDIA or MODE: the rule for the destination's name
    wxString label;  // names the source in failures
    bool withModes;  // a media: its modes must not be held elsewhere
};

// Copies the repository folder `source` into `destination` through
// `store`: refused (false, with the thread's failure) for an empty handle, a
// destination whose URI equals the source's (case ignored when
// `uriIgnoreCase`), the source itself or a folder inside it (also one not
// made yet), a file, a folder that already holds entries other than
// ".lock", a destination name checkName refuses (for a media below
// "Medias", also its group's name), a source marked ".invalid", and a
// media one of whose modes another process holds. All of that is checked
// before anything is made. The destination holds ".invalid" while the copy
// runs; the marker is removed afterwards, and a failed copy removes the
// half-made destination. `filter` (may be empty) sees each entry copied.
bool copyRepositoryFolder(FolderSettingsStore& store, const vfs::FileObjectPtr& source,
                          const vfs::FileObjectPtr& destination, bool uriIgnoreCase,
                          const CopySubject& subject, const vfs::CopyFilterPtr& filter);

// The object's modification time in nanoseconds; 0 when it is missing.
std::int64_t modificationTime(const vfs::FileObjectPtr& object);

// A settings file's stamp as last seen by a repository, read by any of its
// readers' threads and set under its write lock.
class SeenStamp {
  public:
    vfs::FileStamp get() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stamp;
    }
    void set(const vfs::FileStamp& stamp) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stamp = stamp;
    }
    // Takes the file's stamp now.
    void take(const vfs::FileObjectPtr& file);
    // True when the file on disk is no longer the one last seen: another
    // save replaced it, however close in time.
    bool changed(const vfs::FileObjectPtr& file) const;

  private:
    mutable std::mutex m_mutex;
    vfs::FileStamp m_stamp;
};

// Raises `time` to `value` when that is later (never lowers it).
void raiseTime(std::atomic<std::int64_t>& time, std::int64_t value);

// The last step of a key path ("Media/JdfAlias" gives "JdfAlias").
wxString lastKeyStep(const wxString& key);

// The first node matching `key`; empty when none.
NamedNode::Ptr firstNode(const Settings& settings, const wxString& key);

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_SRC_PRINTER_FOLDERSETTINGSSTORE_H
