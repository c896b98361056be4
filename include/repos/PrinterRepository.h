// Printer repositories and the printer catalog.
//
// A configured printer is a folder named after it in "Printers" of the
// repository folder (SystemRepository). It holds the settings file
// ".Settings.xml" (root node "Printer"), the lock file ".lock", the medias
// below "Medias" (one folder per group, one per media inside it; the medias
// without group are in "_Ungrouped_"), swatch definitions "<name>.SDef" in
// "Shared", the opaque engine file ".SPSettings.dat" and a folder "Defaults".
//
// PrinterRepository is the in-memory picture of one printer folder: its
// folder handles, its loaded settings tree, the caches of the values read
// from it and its media map. Hosts do not use it directly; they take a
// PrinterReader or a PrinterWriter, which hold the repository's locks.
//
// Ownership: the catalog owns one repository per printer name; readers,
// writers and callers share it. A repository owns its settings tree, its
// caches and its media map; a media repository refers back to its printer
// weakly. Getters hand out the cached objects themselves: a caller that
// changes one changes what every other caller sees (and what a later save
// writes).
//
// Threads: the catalog is guarded by its own process-wide mutex. Readers and
// writers of one repository are kept apart by its in-process reader/writer
// lock and, between processes, by its ".lock" (see FileLock.h). Lazy filling
// of the caches and every change of the media map run under the
// repository's fill mutex. Staleness is judged by modification times in
// nanoseconds, so a change made by another process within the same second is
// seen. A thread that holds a reader or writer of a printer must not ask for
// another reader or writer of the same printer. Nor may a thread that holds
// a reader or writer of one of its medias ask for a reader or writer of the
// printer: refreshing an outdated printer and removing it take writers of
// its medias while holding the printer's write lock.
#ifndef VEXA_REPOS_PRINTERREPOSITORY_H
#define VEXA_REPOS_PRINTERREPOSITORY_H

#include <wx/stream.h>
#include <wx/string.h>
#include <wx/thread.h>

#include <atomic>
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>

#include "repos/ColorDotInfo.h"
#include "repos/Export.h"
#include "repos/FileLock.h"
#include "repos/InkCfg.h"
#include "repos/LegacyMediaName.h"
#include "repos/LockingRepository.h"
#include "repos/ReadWriteMutex.h"
#include "repos/Repository.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/Settings.h"
#include "repos/StringArrays.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {
namespace impl {
class SeenStamp;
}  // namespace impl
namespace printer {

class MediaRepository;
class PrinterReader;
class PrinterWriter;
class PrinterCatalog;

class VEXA_REPOS_API PrinterRepository : public IRepository,
                                         public boost::enable_shared_from_this<PrinterRepository> {
  public:
    // Group name -> media name -> media repository (empty until the media
    // is first asked for).
    typedef std::map<wxString, boost::shared_ptr<MediaRepository>> MediaGroup;
    typedef std::map<wxString, MediaGroup> MediaMap;

    // The kinds of notifyMediaChange.
    enum MediaChange {
        MEDIA_SAVED = 0,    // a media's settings were saved
        MEDIA_ADDED = 1,    // media folders may have appeared
        MEDIA_REMOVED = 2,  // a media folder was removed
        MODE_SAVED = 3      // the settings of a mode of a media were saved
    };

    ~PrinterRepository() override;

    // The repository of a printer, through the catalog. `nameOrPath` is a
    // printer name in "Printers" or the full path of a printer folder (which
    // may lie elsewhere); an empty `settingsFileName` means ".Settings.xml".
    // An empty handle for an empty name and for a folder whose settings file
    // is missing or cannot be read (a missing one is left created empty).
    // Throws FileSystemException when the settings file name names a folder.
    static boost::shared_ptr<PrinterRepository> createRepository(const wxString& nameOrPath,
                                                                 const wxString& settingsFileName);

    // PrinterReader::getReader / PrinterWriter::getWriter of this repository.
    boost::shared_ptr<PrinterReader> getReader();
    boost::shared_ptr<PrinterWriter> getWriter();

    // The native path of the printer folder; empty without a folder.
    virtual wxString getRootPath();

    // Called by the media side: kind MEDIA_ADDED adds new media folders to
    // the media map; MEDIA_REMOVED with the removed media's folder erases
    // its entry, and the group (and the group's folder in "Medias") when it
    // was the group's last media. In every case the printer folder is
    // touched and this repository takes its new time, so that the change
    // made by this process does not make the repository look outdated while
    // other processes see it. Must not be called while the caller holds this
    // repository's fill mutex (from inside MediaRepository::createRepository).
    void notifyMediaChange(MediaChange kind, const vfs::FileObjectPtr& mediaFolder);

    // The printer folder, its "Medias" and its "Defaults" (neither of the
    // two is created); empty handles without a folder.
    vfs::FileObjectPtr getFolder() const;
    vfs::FileObjectPtr getMediasFolder() const;
    vfs::FileObjectPtr getDefaultsFolder() const;

    // True when the printer folder's modification time differs from the
    // time this repository last took, or the settings file is no longer the
    // one it last read (device, inode, size, time: every save makes a new
    // file, so two saves by another process within one tick of a coarse
    // file-system clock are still told apart).
    bool isOutdated() const;
    // True when the settings were loaded and the settings file exists.
    bool isValid() const;

  protected:
    // The loaded settings tree (no disk access).
    boost::shared_ptr<Settings> getSettings() override;
    // Stores `settings` durably under the exclusive file lock; the outcome
    // is not reported (the writer's save() reports it).
    void saveSettings(boost::shared_ptr<Settings> settings) override;

  private:
    friend class PrinterCatalog;
    friend class PrinterReader;
    friend class PrinterWriter;

    // Loads the printer `name`. With `loadLock`, the settings are read under
    // a reader's file lock that is handed out there (when the load
    // succeeded) for a reader to share.
    PrinterRepository(const wxString& name, const wxString& folderPath,
                      const wxString& settingsFileName,
                      boost::shared_ptr<ReadFileLocker>* loadLock = nullptr);
    PrinterRepository(const PrinterRepository&) = delete;
    PrinterRepository& operator=(const PrinterRepository&) = delete;

    // isOutdated(), isValid() and whether the folder exists, from one query
    // of the folder and one of the settings file.
    struct State {
        bool outdated = false;
        bool valid = false;
        bool folderExists = false;
    };
    State state_() const;

    // Construction and (re)loading.
    void loadSettings_();
    void clearCaches_();
    bool saveSettingsChecked_(const boost::shared_ptr<Settings>& settings);
    void raiseTimes_();
    void touchFolder_();
    // Removes the group's folder in "Medias" when it holds no media folder.
    void removeEmptyGroup_(const wxString& group);
    // The folder when it exists; never creates it (resolving below a missing
    // folder would).
    vfs::FileObjectPtr existingFolder_() const;

    // Lazy values, filled under the fill mutex.
    // A lazily filled text value. Readers that find it filled read it
    // without the fill mutex: it is written only under that mutex (before
    // `filled` is set) or by a writer, which no reader runs beside.
    struct CachedText {
        wxString value;
        std::atomic<bool> filled{false};
        void set(const wxString& text) {
            value = text;
            filled.store(!text.empty(), std::memory_order_release);
        }
        void clear() {
            filled.store(false, std::memory_order_relaxed);
            value.clear();
        }
    };
    wxString lazyText_(CachedText& cache, const wxChar* key);
    template <class T>
    boost::shared_ptr<T> lazyObject_(boost::shared_ptr<T>& cache, const wxChar* key,
                                     bool defaultWhenAbsent);
    template <class T>
    std::list<boost::shared_ptr<T>>& lazyList_(std::list<boost::shared_ptr<T>>& cache,
                                               const wxChar* key);
    std::pair<wxString, wxString> defaultMedia_();

    // Media map; the callers hold the fill mutex.
    void loadMediaMap_();
    void reloadMediaMap_();
    const MediaMap& mediaList_();
    boost::shared_ptr<MediaRepository> getMedia_(const wxString& group, const wxString& name);
    boost::shared_ptr<MediaRepository> createMedia_(const wxString& group, const wxString& key);

    boost::shared_ptr<std::list<wxString>> getSwatchDefs_(const wxString& pattern);
    wxString getSwatchDefLocation_(const wxString& name);
    vfs::InputStreamPtr getInputSPSettingsStream_();
    vfs::OutputStreamPtr getOutputSPSettingsStream_();
    void openSPSettings_();
    void closeSPSettingsStream_();
    bool copyTo_(const wxString& destination, const vfs::CopyFilterPtr& filter);
    // `made`: the destination folder was made for this copy (it is removed
    // again when the copy does not happen).
    bool copyTo_(const vfs::FileObjectPtr& destination, bool made,
                 const vfs::CopyFilterPtr& filter);

    // Points the repository at another folder (renaming, updateLocation);
    // `catalogHeld` tells that the caller already holds the catalog mutex.
    void relocate_(const vfs::FileObjectPtr& newFolder, const wxString& settingsFileName,
                   bool catalogHeld);
    // Brings an outdated repository up to date; the caller holds a writer.
    void refresh_(WriteFileLocker* locker);

    boost::shared_ptr<LockingRepository> m_lockingRepository;
    boost::shared_ptr<impl::ReadWriteMutex> m_rwMutex;
    FileLockPtr m_fileLock;
    vfs::FileObjectPtr m_folder;
    vfs::FileObjectPtr m_settingsFile;
    vfs::FileObjectPtr m_defaultsFolder;
    vfs::FileObjectPtr m_mediasFolder;
    vfs::FileContentPtr m_spSettingsContent;
    boost::shared_ptr<Settings> m_settings;
    MediaMap m_mediaMap;
    wxString m_deviceName;
    wxString m_dllModule;
    wxString m_ppdFile;
    CachedText m_tcpAdditionalPort;
    CachedText m_tcpDefaultPort;
    boost::shared_ptr<InkType> m_inkTypes;
    boost::shared_ptr<ResList> m_defaultResolutions;
    std::list<boost::shared_ptr<InkCfg>> m_inkCfgs;
    std::list<boost::shared_ptr<ResData>> m_deviceResolutions;
    CachedText m_portType;
    CachedText m_portData;
    CachedText m_defaultPageSize;
    CachedText m_virtualPrinterExtension;
    boost::shared_ptr<DotInfo> m_dotInfo;
    wxString m_defaultMediaGroup;
    wxString m_defaultMediaName;
    boost::shared_ptr<PageSizes> m_pageSizes;
    boost::shared_ptr<ScreenSetup> m_screenSetups;
    boost::shared_ptr<PortList> m_portList;
    bool m_active;
    std::list<wxString> m_changedKeys;
    // Recursive: filling one cache may need another (the default media
    // reads the media map), and the media map's refresh runs inside fills.
    boost::shared_ptr<wxMutex> m_fillMutex;
    // The settings file's stamp as last seen (see isOutdated).
    std::unique_ptr<impl::SeenStamp> m_settingsStamp;
    // Modification times as last seen, in nanoseconds since 1970.
    std::atomic<std::int64_t> m_spSettingsFileTime;
    std::atomic<std::int64_t> m_folderTime;
};

// The process-wide registry of printer repositories: one repository per
// printer name (names compared case-sensitively). Created on first use,
// registered with the kernel's singleton manager while the library is
// loaded and released, with every repository it holds, when it is unloaded.
class VEXA_REPOS_API PrinterCatalog {
  public:
    ~PrinterCatalog();

    // The repository of `nameOrPath` (see PrinterRepository::
    // createRepository): the name is the text after the last separator (a
    // separator in the last position is passed over), and a text with such
    // a separator is also the folder's path. A name already known gives its
    // repository; otherwise a new repository is made and kept only when its
    // settings were loaded and its settings file exists.
    static boost::shared_ptr<PrinterRepository> getRepository(const wxString& nameOrPath,
                                                              const wxString& settingsFileName);
    // Puts `repository` in the catalog under its folder's base name,
    // replacing what was there. Nothing for an empty handle or folder.
    static void registerRepository(const boost::shared_ptr<PrinterRepository>& repository);
    // Erases `name`, so that a later lookup of the name builds a fresh
    // repository (a printer created again under an old name is found).
    static void forgetRepository(const wxString& name);
    // Drops every repository, as at library unload (callers keep what they
    // hold). For hosts that switch repository folders, and for tests.
    static void reset();

  private:
    friend class PrinterRepository;
    friend class PrinterReader;
    friend class PrinterWriter;
    friend class CatalogSingleton;
    PrinterCatalog();

    // getRepository; `made` (may be null) tells whether the repository was
    // made and loaded by this call, and then `loadLock` (may be null) holds
    // the file lock the settings were read under.
    static boost::shared_ptr<PrinterRepository> lookUp_(
        const wxString& nameOrPath, const wxString& settingsFileName, bool* made,
        boost::shared_ptr<ReadFileLocker>* loadLock = nullptr);

    // The catalog mutex; held around every use of the map.
    static std::mutex& mutex_();
    // The catalog, made on first use; the caller holds mutex_().
    static PrinterCatalog& instance_();
    // As forgetRepository, only when `name` maps to `repository`; the
    // caller holds mutex_().
    static void forgetLocked_(const wxString& name, const PrinterRepository* repository);
    static void registerLocked_(const boost::shared_ptr<PrinterRepository>& repository);

    std::map<wxString, boost::shared_ptr<PrinterRepository>> m_map;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_PRINTERREPOSITORY_H
