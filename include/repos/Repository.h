// Folder repositories: a folder on disk with one settings file in it.
//
// IRepository is the interface every repository (printer, media, mode)
// offers; FSRepository loads and stores its settings file through the file
// system and the XML settings format. A settings file is never rewritten in
// place: a new file is written beside it, flushed to disk and renamed over
// it, so a crash at any moment leaves the old or the new file, whole.
//
// Ownership: a repository holds its folder and its settings file handles;
// the Settings it loads belong to the caller.
//
// Threads: FSRepository has no lock of its own; LockingRepository (see
// LockingRepository.h) adds the locks.
#ifndef VEXA_REPOS_REPOSITORY_H
#define VEXA_REPOS_REPOSITORY_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>

#include "repos/Export.h"
#include "repos/Settings.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

// The settings file of every printer, media and mode folder.
VEXA_REPOS_API extern const wxChar* const kSettingsFileName;  // ".Settings.xml"
// The file GetSettingsFO makes.
VEXA_REPOS_API extern const wxChar* const kSettingsDatFileName;  // ".Settings.dat"
// Further files of a media folder.
VEXA_REPOS_API extern const wxChar* const kSPSettingsFileName;  // ".SPSettings.dat"
VEXA_REPOS_API extern const wxChar* const kMediaCostFileName;   // ".MediaCostSettings.xml"

// A repository: something that holds one settings tree.
class VEXA_REPOS_API IRepository {
  public:
    virtual ~IRepository();
    // The settings tree; empty when there is none (what "none" means, and
    // whether the disk is read, is each implementation's: a file repository
    // reads its file, a media, mode or printer repository hands out the tree
    // it loaded). Never throws for a missing or unreadable file.
    virtual boost::shared_ptr<Settings> getSettings() = 0;
    // Stores `settings` where this repository keeps them. The outcome is
    // not reported here (implementations offer a checked form); a failed
    // store leaves what was stored before whole.
    virtual void saveSettings(boost::shared_ptr<Settings> settings) = 0;
};

class VEXA_REPOS_API FSRepository : public IRepository {
  public:
    ~FSRepository() override;

    // Writes `settings` into `file` durably (see above). False, with the
    // previous file unchanged, when any step fails.
    static bool storeSettings(const boost::shared_ptr<Settings>& settings,
                              const vfs::FileObjectPtr& file);
    // True when `settings` is a tree whose root node is named `rootName`
    // ("Printer", "Media", "Mode"). Otherwise false, and the thread's
    // failure is NOT_READABLE naming `file` and the root found: a settings
    // file of another kind is never taken for this one (a save would then
    // write nothing the caller set, or the wrong kind of file).
    static bool hasRoot(const boost::shared_ptr<Settings>& settings, const wxChar* rootName,
                        const vfs::FileObjectPtr& file);

  protected:
    FSRepository(vfs::FileObjectPtr root, vfs::FileObjectPtr settingsFile);

    // The loaded settings file; empty, with the thread's failure
    // NOT_READABLE (or the reason the file could not be opened), when it
    // holds no settings tree. A missing settings file is created empty
    // first. Throws FileSystemException when the settings path is a folder.
    boost::shared_ptr<Settings> getSettings() override;
    // getSettings() of a settings file the caller has just found to be a
    // file: its type is not asked again (a file gone since then reads as
    // one that cannot be opened).
    boost::shared_ptr<Settings> getSettingsOfFile();
    // Stores the settings file; a failure leaves the previous file and is
    // not reported (saveSettingsChecked reports it).
    void saveSettings(boost::shared_ptr<Settings> settings) override;
    // The entries of the folder.
    virtual vfs::FileObjectListPtr getContents();
    // As saveSettings, with the outcome.
    virtual bool saveSettingsChecked(boost::shared_ptr<Settings> settings);

    vfs::FileObjectPtr getRoot() const { return m_root; }
    vfs::FileObjectPtr getSettingsFile() const { return m_settingsFile; }

    // The ".Settings.dat" file of `root`, written from `settings` when it is
    // missing. Empty when it is a folder or cannot be written.
    static vfs::FileObjectPtr GetSettingsFO(const vfs::FileObjectPtr& root,
                                            const boost::shared_ptr<Settings>& settings);

  private:
    boost::shared_ptr<Settings> readSettings_(const vfs::FileContentPtr& content);

    vfs::FileObjectPtr m_root;
    vfs::FileObjectPtr m_settingsFile;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_REPOSITORY_H
