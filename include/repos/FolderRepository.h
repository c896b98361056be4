// The part media and mode repositories share: one folder with one settings
// file, the folder's two locks, staleness and reload, and the store that
// keeps the repository from taking its own save for another process's.
//
// Ownership: a FolderRepository owns its loaded settings tree, which its
// readers and writers share, and the stamp of the settings file and the
// folder's time as it last saw them.
//
// Threads: the in-process reader/writer lock is the folder's (one per
// folder for the process, so two objects of one folder exclude each other);
// the ".lock" keeps other processes apart (FileLock.h). The fill mutex
// serialises the lazy filling of the derived class's caches; a reload drops
// them under it. isStale() may run on any thread.
#ifndef VEXA_REPOS_FOLDERREPOSITORY_H
#define VEXA_REPOS_FOLDERREPOSITORY_H

#include <wx/string.h>
#include <wx/thread.h>

#include <atomic>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <list>
#include <memory>

#include "repos/Export.h"
#include "repos/ReadWriteMutex.h"
#include "repos/Repository.h"
#include "repos/Settings.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class FileLock;
class WriteFileLocker;
namespace impl {
class FolderSettingsStore;
class SeenStamp;
}  // namespace impl

namespace printer {

class VEXA_REPOS_API FolderRepository : public IRepository {
  public:
    ~FolderRepository() override;
    FolderRepository(const FolderRepository&) = delete;
    FolderRepository& operator=(const FolderRepository&) = delete;

    // The cached settings tree (no disk access); shared by every reader and
    // writer of this object.
    boost::shared_ptr<Settings> getSettings() override;
    // True when the folder changed on disk since this object last looked
    // (its time, compared to the nanosecond, differs from the one last
    // seen), or its settings file is no longer the one last read (every
    // save makes a new file: no clock tick hides it). The next reader or
    // writer reloads.
    bool isStale() const;
    // The folder.
    vfs::FileObjectPtr getFolder() const { return m_folder; }

  protected:
    // `rootName` is the root node the settings file must have ("Media",
    // "Mode"); `kind` names the folder in failures ("media", "mode").
    FolderRepository(vfs::FileObjectPtr folder, vfs::FileObjectPtr settingsFile,
                     const wxChar* rootName, const wxChar* kind);

    // The repository of type T (a media or mode repository, which makes
    // FolderRepository its friend) of `folder` with the settings file
    // `settingsFile` (the folder's ".Settings.xml" when empty), belonging
    // to `owner`; its settings read. Empty, with the thread's failure, when
    // the folder or the file is missing or cannot be read.
    template <class T, class Owner>
    static boost::shared_ptr<T> create_(const vfs::FileObjectPtr& folder, const Owner& owner,
                                        vfs::FileObjectPtr settingsFile, const wxChar* kind) {
        settingsFile = settingsFileOf_(folder, settingsFile, kind);
        if (!settingsFile) {
            return boost::shared_ptr<T>();
        }
        boost::shared_ptr<T> repository(new T(folder, owner, settingsFile));
        return repository->load_() ? repository : boost::shared_ptr<T>();
    }
    // create_ for the folder at `path` (see folderAt_).
    template <class T, class Owner>
    static boost::shared_ptr<T> createAt_(const wxString& path, const Owner& owner,
                                          const wxString& settingsName, const wxChar* kind) {
        vfs::FileObjectPtr settingsFile;
        const vfs::FileObjectPtr folder = folderAt_(path, settingsName, settingsFile);
        return folder ? create_<T>(folder, owner, settingsFile, kind) : boost::shared_ptr<T>();
    }
    // The folder at `path` (Windows or POSIX form) and its settings file
    // `settingsName` (".Settings.xml" when empty), for create_; an empty
    // folder handle when nothing or a file stands there. Nothing is created.
    static vfs::FileObjectPtr folderAt_(const wxString& path, const wxString& settingsName,
                                        vfs::FileObjectPtr& settingsFile);
    // The settings file of `folder` for a new repository: `settingsFile`,
    // or the folder's ".Settings.xml" when that is empty. Empty, with the
    // thread's failure, when the folder or the file is missing.
    static vfs::FileObjectPtr settingsFileOf_(const vfs::FileObjectPtr& folder,
                                              vfs::FileObjectPtr settingsFile, const wxChar* kind);
    // Reads the settings under the shared lock; false, with the failure,
    // when they cannot be read or are of another kind.
    bool load_();
    // Under the writer's exclusive lock: when stale, reads the settings
    // again, then under the fill mutex drops the caches (dropCaches_, which
    // also forgets the changes recorded against them) and lets the derived
    // class follow up (reloaded_). False when nothing changed or the file
    // could not be read (the old tree stays).
    bool reload_(WriteFileLocker& locker);
    // Stores `settings` durably under the exclusive lock and takes the new
    // stamp and folder time as this object's own, so the save does not make
    // it look stale. False, with the failure, when it was not stored.
    bool store_(const boost::shared_ptr<Settings>& settings);
    void recordChange_(const wxChar* key);
    // Raises the folder time last seen to the folder's time now (a change
    // this object made itself).
    void takeFolderTime_();

    // Writes the recorded changes into the tree, then stores it
    // (storeSettings_). True when nothing was recorded or all was stored,
    // and the record is cleared; false (the record stays) when the root node
    // is missing, a value cannot be written or the store fails.
    bool save_();

    virtual void dropCaches_() = 0;
    virtual void reloaded_() {}
    // Writes the cached values of the recorded keys below `root`, in the
    // order the derived class keeps; throws RepositoryException.
    virtual void storeChanges_(const NamedNode::Ptr& root) = 0;
    // Stores the tree and runs the derived class's change step.
    virtual bool storeSettings_(const boost::shared_ptr<Settings>& settings) = 0;

    boost::shared_ptr<impl::FolderSettingsStore> m_store;
    impl::ReadWriteMutex m_rwMutex;
    boost::shared_ptr<FileLock> m_fileLock;
    vfs::FileObjectPtr m_folder;
    vfs::FileObjectPtr m_settingsFile;
    vfs::FileObjectPtr m_invalidMarker;
    boost::shared_ptr<Settings> m_settings;
    std::list<wxString> m_changedKeys;
    // Shared with readers, which keep it while they live.
    boost::shared_ptr<wxMutex> m_fillMutex;
    std::unique_ptr<impl::SeenStamp> m_settingsStamp;
    // The folder's modification time in nanoseconds, as last seen.
    std::atomic<std::int64_t> m_folderTime;

  private:
    const wxChar* m_rootName;
    const wxChar* m_kind;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_FOLDERREPOSITORY_H
