// Media repositories: one media (a substrate set up for a printer) as a
// folder below its printer's folder.
//
// A media folder holds ".Settings.xml" (root node "Media"), a folder "Modes"
// with one folder per print mode, and optional side files: ".SPSettings.dat"
// (an opaque engine blob read and written as bytes), ".MediaCostSettings.xml"
// (cost settings), ".lock" and the marker ".invalid". The folder above a
// media folder is its group; a media without group lies in "_Ungrouped_".
//
// Ownership: a MediaRepository is created by createRepository and held by
// its printer's media map, and by every reader and writer made from it. It
// refers to its printer weakly and owns its settings tree, its value caches
// and its mode map (mode name to ModeRepository, empty until first asked
// for). Readers and writers (MediaReader.h, MediaWriter.h) work on those
// shared caches: a value a writer sets is seen by every later reader of the
// same object before it is saved.
//
// Threads: any number of readers or one writer of a repository at a time in
// a process (its in-process lock), and across processes the folder's
// ".lock" (FileLock.h): a writer keeps every reader of other processes out.
// Lazy filling of the caches runs under one cache mutex per repository. A
// thread must not ask for a reader or writer of a media while it holds a
// reader or writer of the same media: when the folder changed on disk, the
// reload in between needs the exclusive lock.
//
// Staleness: when another process changed the folder (its modification
// time, compared to the nanosecond, moved past the time last seen), the next
// reader or writer first reloads the settings and drops the cached values.
#ifndef VEXA_REPOS_MEDIAREPOSITORY_H
#define VEXA_REPOS_MEDIAREPOSITORY_H

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

#include "repos/ColorDotInfo.h"
#include "repos/Export.h"
#include "repos/FolderRepository.h"
#include "repos/InkCfg.h"
#include "repos/MediaCostSettings.h"
#include "repos/PrinterRepository.h"
#include "repos/ReadWriteMutex.h"
#include "repos/Repository.h"
#include "repos/Resolutions.h"
#include "repos/Settings.h"
#include "repos/StringArrays.h"
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

class PrinterRepository;
class MediaReader;
class MediaWriter;
class ModeRepository;

class VEXA_REPOS_API MediaRepository : public FolderRepository,
                                       public boost::enable_shared_from_this<MediaRepository> {
  public:
    // Mode name to mode repository; a handle stays empty until the mode is
    // first asked for.
    typedef std::map<wxString, boost::shared_ptr<ModeRepository>> ModeMap;

    // The repository of the media folder `root`, whose settings file is
    // `settingsFile` (root's ".Settings.xml" when empty). `printer` may be
    // empty (a media reached without its printer hears of no change). Empty
    // when `root` is empty, the settings file does not exist or cannot be
    // read (its lock not had within about a second, or no settings tree in
    // it). Never throws.
    static boost::shared_ptr<MediaRepository> createRepository(
        vfs::FileObjectPtr root, boost::shared_ptr<PrinterRepository> printer,
        vfs::FileObjectPtr settingsFile);
    // The same for a folder path (Windows or POSIX form) and a settings file
    // name in it (".Settings.xml" when empty). Empty also when nothing or a
    // file stands at the path; nothing is created.
    static boost::shared_ptr<MediaRepository> createRepository(
        const wxString& path, boost::shared_ptr<PrinterRepository> printer,
        const wxString& settingsName);

    ~MediaRepository() override;
    MediaRepository(const MediaRepository&) = delete;
    MediaRepository& operator=(const MediaRepository&) = delete;

    // MediaReader::getReader(this) and MediaWriter::getWriter(this).
    boost::shared_ptr<MediaReader> getReader();
    boost::shared_ptr<MediaWriter> getWriter();

    // Stores `settings` in the settings file under the exclusive file lock,
    // then runs the change step (touches the media folder and its group
    // folder, tells the printer MEDIA_SAVED). A failed store is
    // not reported here; see MediaWriter::save.
    void saveSettings(boost::shared_ptr<Settings> settings) override;
    // Adds an entry (with an empty handle) for every folder in "Modes" that
    // has none yet; never removes one.
    void refreshModeMap();

    // The media folder (getFolder()). isStale() is true when another
    // process saved the media or one of its modes, or removed a mode.
    vfs::FileObjectPtr getRoot() const { return m_folder; }
    // The owning printer; empty when it is gone or there was none.
    boost::shared_ptr<PrinterRepository> getPrinter() const { return m_printer.lock(); }

  private:
    friend class FolderRepository;  // creates it
    friend class MediaReader;
    friend class MediaWriter;
    friend class ModeRepository;

    MediaRepository(vfs::FileObjectPtr root, boost::shared_ptr<PrinterRepository> printer,
                    vfs::FileObjectPtr settingsFile);

    // Reader side; each takes the fill mutex.
    template <class T>
    boost::shared_ptr<T> cachedObject_(boost::shared_ptr<T> MediaRepository::*cache,
                                       const wxChar* key);
    int labelChannel_();
    wxString cachedText_(wxString MediaRepository::*cache, const wxChar* key);
    boost::shared_ptr<ModeRepository> mode_(const wxString& name);
    const ModeMap& modeList_();
    void clearMode_(const wxString& name);
    bool isValid_();
    vfs::InputStreamPtr inputSPStream_();
    vfs::OutputStreamPtr outputSPStream_();
    void closeSPContent_();
    boost::shared_ptr<MediaCostSettings> costSettings_();
    bool copyTo_(const vfs::FileObjectPtr& folder, const vfs::CopyFilterPtr& filter);
    // "media 'MEDIA [GROUP]' of printer 'P'", for failures.
    wxString label_() const;
    // The caller holds the fill mutex.
    void refreshModeMapLocked_();
    vfs::FileContentPtr spContent_();

    // Writer side (exclusive locks held).
    void dropCaches_() override;
    // Forgets the modes whose folders went.
    void reloaded_() override;
    void setText_(wxString MediaRepository::*cache, const wxChar* key, const wxString& value);
    int setCostSettings_(const boost::shared_ptr<MediaCostSettings>& costs);
    void storeChanges_(const NamedNode::Ptr& root) override;
    bool storeSettings_(const boost::shared_ptr<Settings>& settings) override;
    bool remove_(boost::shared_ptr<WriteFileLocker>& locker);
    // The change step: touches the media folder and its parent, raises the
    // folder time, tells the printer with `code` (MEDIA_SAVED, or MODE_SAVED
    // when one of its modes was saved).
    void changed_(PrinterRepository::MediaChange code);
    void notifyPrinter_(PrinterRepository::MediaChange code);

    vfs::FileObjectPtr m_modesFolder;
    vfs::FileObjectPtr m_costFile;
    vfs::FileObjectPtr m_spFile;
    vfs::FileContentPtr m_spContent;
    boost::weak_ptr<PrinterRepository> m_printer;
    ModeMap m_modes;

    boost::shared_ptr<InkCfg> m_inkCfg;
    boost::shared_ptr<ColorInfo> m_colorInfo;
    boost::shared_ptr<ResScaleAdjust> m_resScaleAdjust;
    boost::shared_ptr<std::list<wxString>> m_pageSizes;
    boost::shared_ptr<PassInfo> m_passInfo;
    int m_labelChannel;
    // Empty = not read yet; "*" = read, no value.
    wxString m_defaultMode;
    wxString m_jdfAlias;
    wxString m_jdfHigh;
    wxString m_jdfNormal;
    wxString m_jdfDraft;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MEDIAREPOSITORY_H
