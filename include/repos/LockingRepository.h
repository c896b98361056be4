// A folder repository whose settings file is read and written under the
// folder's lock file (see FileLock.h for the rules).
//
// Loading takes the shared lock, saving the exclusive one; a lock that
// cannot be had within the lock wait (about a second by default) gives no
// settings, or a save that does not happen, and the thread's failure says
// LOCKED. A writer that already holds the exclusive lock re-reads through
// getSettings(WriteFileLocker&).
//
// Contract: getSettings() returns a new tree read from the file each time
// (empty when it cannot be read: the failure says why); saveSettings() and
// saveSettingsChecked() replace the file whole or leave it as it was. The
// repository keeps no tree of its own; the media, mode and printer
// repositories built on it cache what they load.
#ifndef VEXA_REPOS_LOCKINGREPOSITORY_H
#define VEXA_REPOS_LOCKINGREPOSITORY_H

#include "repos/Export.h"
#include "repos/FileLock.h"
#include "repos/Repository.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API LockingRepository : public FSRepository {
  public:
    ~LockingRepository() override;

    const FileLockPtr& getFileLock() const { return m_fileLock; }

  protected:
    LockingRepository(vfs::FileObjectPtr root, vfs::FileObjectPtr settingsFile,
                      FileLockPtr fileLock);

    boost::shared_ptr<Settings> getSettings() override;
    // getSettings() of a settings file the caller has just found to be a
    // file (FSRepository::getSettingsOfFile), under the shared lock.
    boost::shared_ptr<Settings> getSettingsOfFile();
    void saveSettings(boost::shared_ptr<Settings> settings) override;
    // The settings, read while `locker` holds the exclusive lock; empty when
    // it does not.
    virtual boost::shared_ptr<Settings> getSettings(WriteFileLocker& locker);
    // Copies every entry of `source` except lock files (and temporary
    // files) into `destination`, creating it and its ".lock" first; symbolic
    // links are copied as links (see FileObject::copyTree). False when
    // either is empty, when `destination` is `source` (however spelled) or
    // lies inside it, or when a copy fails (the thread's failure says why);
    // a failed copy removes what it made.
    virtual bool copyContents(const vfs::FileObjectPtr& source,
                              const vfs::FileObjectPtr& destination);
    // As above, consulting `filter` (which may be empty) before each entry
    // that is copied: it sees the progress and may skip an entry or cancel
    // the copy, which then fails and removes what it made.
    bool copyContents(const vfs::FileObjectPtr& source, const vfs::FileObjectPtr& destination,
                      const vfs::CopyFilterPtr& filter);
    bool saveSettingsChecked(boost::shared_ptr<Settings> settings) override;

  private:
    FileLockPtr m_fileLock;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_LOCKINGREPOSITORY_H
