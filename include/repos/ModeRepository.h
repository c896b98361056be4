// Mode repositories: one print mode of a media as a folder in the media's
// "Modes" folder.
//
// A mode folder holds ".Settings.xml" (root node "Mode"), ".lock", the
// marker ".invalid" while the mode is not usable, and the host's files:
// colour profiles ("<name>.<ext>") and their link files ("<name>.<ext>.Link",
// whose first line names the real file).
//
// Ownership: a ModeRepository is created by createRepository and held by its
// media's mode map and by every reader and writer made from it. It refers to
// its media weakly and owns its settings tree and its value caches, which
// all its readers and writers share (ModeReader.h, ModeWriter.h).
//
// Threads: any number of readers or one writer of a repository at a time in
// a process, and across processes the folder's ".lock" (FileLock.h). Lazy
// filling of the caches runs under one fill mutex per repository. A thread
// must not ask for a reader or writer of a mode while it holds a reader or
// writer of the same mode (see below).
//
// Staleness: when the folder changed on disk since this object last looked
// (another process saved the mode; times compared to the nanosecond), the
// next reader or writer first reloads the settings and drops the caches,
// under the exclusive lock. So a writer never saves an old copy over
// another process's change.
#ifndef VEXA_REPOS_MODEREPOSITORY_H
#define VEXA_REPOS_MODEREPOSITORY_H

#include <wx/string.h>
#include <wx/thread.h>

#include <atomic>
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <cstdint>
#include <list>
#include <map>
#include <memory>

#include "repos/Export.h"
#include "repos/FolderRepository.h"
#include "repos/InkCfg.h"
#include "repos/InkLevels.h"
#include "repos/ReadWriteMutex.h"
#include "repos/Repository.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/Settings.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {
namespace impl {
class SeenStamp;
}  // namespace impl

class FileLock;
class WriteFileLocker;

namespace impl {
class FolderSettingsStore;
}  // namespace impl

namespace printer {

class MediaRepository;
class ModeReader;
class ModeWriter;

class VEXA_REPOS_API ModeRepository : public FolderRepository,
                                      public boost::enable_shared_from_this<ModeRepository> {
  public:
    // The repository of the mode folder `folder` with the settings file
    // `settingsFile` (the folder's ".Settings.xml" when empty). `media` may
    // be empty (a saved mode then tells no media). Empty when the folder is
    // empty, the settings file does not exist, or no settings could be read
    // from it. Never throws.
    static boost::shared_ptr<ModeRepository> createRepository(
        vfs::FileObjectPtr folder, boost::shared_ptr<MediaRepository> media,
        vfs::FileObjectPtr settingsFile);
    // The same for a folder path (Windows or POSIX form) and a settings file
    // name in it (".Settings.xml" when empty). Empty also when nothing or a
    // file stands at the path; nothing is created.
    static boost::shared_ptr<ModeRepository> createRepository(
        const wxString& folderPath, boost::shared_ptr<MediaRepository> media,
        const wxString& settingsFileName);

    ~ModeRepository() override;
    ModeRepository(const ModeRepository&) = delete;
    ModeRepository& operator=(const ModeRepository&) = delete;

    // ModeReader::getReader(this) and ModeWriter::getWriter(this).
    boost::shared_ptr<ModeReader> getReader();
    boost::shared_ptr<ModeWriter> getWriter();

    // The owning media; empty when it is gone or there was none.
    boost::shared_ptr<MediaRepository> getMedia() const { return m_media.lock(); }

  protected:
    // Stores `settings` in the settings file under the exclusive file lock,
    // touches the folder and tells the media (change code 3). A failed store
    // is not reported here; see ModeWriter::save.
    void saveSettings(boost::shared_ptr<Settings> settings) override;

  private:
    friend class FolderRepository;  // creates it
    friend class ModeReader;
    friend class ModeWriter;

    ModeRepository(vfs::FileObjectPtr folder, boost::shared_ptr<MediaRepository> media,
                   vfs::FileObjectPtr settingsFile);

    // Cache fills; the caller holds the fill mutex. text_ and object_ tell
    // through their result whether the key was found.
    bool text_(wxString ModeRepository::*cache, const wxChar* key, wxString& text);
    template <class T>
    boost::shared_ptr<T> object_(boost::shared_ptr<T> ModeRepository::*cache, const wxChar* key);
    boost::shared_ptr<InkLevels> dropAdjust_();
    boost::shared_ptr<InkCurve> curve_(boost::shared_ptr<InkCurve> ModeRepository::*cache,
                                       const wxChar* key);
    void fillTableDefaults_();
    void fillPrinterOptions_();
    double userQualityAssessment_();

    bool isValid_() const;
    vfs::FileContentPtr fileByName_(const wxString& name, bool create);
    bool copyTo_(const vfs::FileObjectPtr& destination);

    // Writer side (exclusive locks held).
    void dropCaches_() override;
    void setUserQualityAssessment_(double value);
    void storeChanges_(const NamedNode::Ptr& root) override;
    void storePrinterOptions_(const NamedNode::Ptr& mode);
    bool storeSettings_(const boost::shared_ptr<Settings>& settings) override;

    boost::weak_ptr<MediaRepository> m_media;

    // Empty texts and pointers mean "not loaded".
    wxString m_pattern;
    wxString m_resolution;
    wxString m_resolutionAlias;
    boost::shared_ptr<InkCfg> m_inkCfg;
    boost::shared_ptr<std::map<wxString, wxString>> m_tableDefaults;
    boost::shared_ptr<InkLevels> m_inkLimits;
    boost::shared_ptr<InkLevels> m_transCtrl;
    boost::shared_ptr<ScreenSetup> m_screenSetups;
    boost::shared_ptr<InkCurve> m_levelCurves;
    boost::shared_ptr<InkCurve> m_inkCurves;
    double m_userQualityAssessment;
    boost::shared_ptr<InkLevels> m_dropAdjust;
    std::map<wxString, wxString> m_printerOptions;
    bool m_printerOptionsLoaded;
    boost::shared_ptr<ResScaleAdjust> m_resScaleAdjust;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MODEREPOSITORY_H
