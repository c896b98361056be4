#include "repos/PrinterRepository.h"

#include <wx/utils.h>

#include <boost/make_shared.hpp>

#include "kernel/Failure.h"
#include "kernel/Text.h"
#include "kernel/VexKernel.h"
#include "logger/Log.h"
#include "printer/FolderSettingsStore.h"
#include "printer/InnerLocks.h"
#include "printer/PrinterKeys.h"
#include "repos/DataCouple.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/NameRules.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterWriter.h"
#include "repos/RepositoryException.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"
#include "vfs/src/impl/FolderListing.h"
#include "vfs/src/impl/NameScope.h"

namespace vexa {
namespace repos {
namespace printer {

namespace {

// The locking repository of a printer folder, with the operations the
// printer repository uses made reachable.
class PrinterStore : public LockingRepository {
  public:
    PrinterStore(vfs::FileObjectPtr root, vfs::FileObjectPtr settingsFile, FileLockPtr fileLock)
        : LockingRepository(root, settingsFile, fileLock) {}
    using LockingRepository::copyContents;
    using LockingRepository::getSettings;
    using LockingRepository::getSettingsOfFile;
    using LockingRepository::saveSettingsChecked;
};

PrinterStore* storeOf(const boost::shared_ptr<LockingRepository>& repository) {
    // Every locking repository of a printer is made as a PrinterStore.
    return static_cast<PrinterStore*>(repository.get());
}

const int kLoadRetries = 3;
const int kLoadRetryDelayMs = 500;

bool isFolder(const vfs::FileObjectPtr& object) {
    return object && object->getType() == vfs::FileType::FOLDER;
}

// The object at a local path, without creating anything there (opening the
// path itself as a folder would make it). Empty when it cannot be resolved.
vfs::FileObjectPtr localObject(const wxString& path) {
    try {
        const vfs::FileObjectPtr top = vfs::openLocalFolder(vfs::createFileName(wxT("/")));
        return top->getFileSystem()->resolveFile(vfs::createFileName(path));
    } catch (const vfs::FileSystemException&) {
        return vfs::FileObjectPtr();
    }
}

// The first node at `key`; throws EmptyDataCoupleException when there is
// none, as the node's raw data couple would. Read from the node itself: its
// NamedNodeData would be made only to be read once, and kept.
NamedNode::Ptr nodeAt(const Settings& settings, const wxString& key) {
    const std::list<NamedNode::Ptr> nodes = SettingsAccess::findNodes(settings, key);
    if (nodes.empty()) {
        throw EmptyDataCoupleException();
    }
    return nodes.front();
}

// The attribute "value" of the first node at `key`.
wxString valueAt(const Settings& settings, const wxString& key) {
    return nodeAt(settings, key)->getAttribute(wxString(wxT("value")));
}

}  // namespace

// ---- Construction ----------------------------------------------------------

PrinterRepository::PrinterRepository(const wxString& name, const wxString& folderPath,
                                     const wxString& settingsFileName,
                                     boost::shared_ptr<ReadFileLocker>* loadLock)
    : m_rwMutex(boost::make_shared<impl::ReadWriteMutex>()),
      m_active(true),
      m_fillMutex(boost::make_shared<wxMutex>(wxMUTEX_RECURSIVE)),
      m_settingsStamp(new impl::SeenStamp),
      m_spSettingsFileTime(0),
      m_folderTime(0) {
    const wxString fileName =
        settingsFileName.empty() ? wxString(kSettingsFileName) : settingsFileName;
    vfs::FileObjectPtr folder;
    try {
        // "Printers" was found to be a folder when it was first looked up:
        // asking again for every printer opened would cost a status query
        // each, and a "Printers" removed since must not be made again by a
        // read (the printer is then simply not found).
        vfs::FileObjectPtr printers = SystemRepository::getPrintersFolder();
        if (printers) {
            folder = printers->resolveChildOfFolder(name);
        }
    } catch (const vfs::FileSystemException&) {
        folder.reset();
    }
    // One query of the folder tells whether it is there, what it is and its
    // time; nothing below asks about the folder again.
    vfs::FileStatus folderStatus = folder ? folder->getStatus() : vfs::FileStatus();
    if (!folderPath.empty() && folderStatus.type == vfs::FileType::IMAGINARY) {
        const vfs::FileObjectPtr local = localObject(folderPath);
        if (isFolder(local)) {
            folder = vfs::openLocalFolder(vfs::createFileName(folderPath));
            folderStatus = folder->getStatus();
        }
    }
    if (!folder || folderStatus.type == vfs::FileType::IMAGINARY) {
        return;
    }
    // A file where the folder should be resolves its children beside it, as
    // resolveChild always did.
    const bool inFolder = folderStatus.type == vfs::FileType::FOLDER;
    const auto child = [&](const wxString& childName) {
        return inFolder ? folder->resolveChildOfFolder(childName) : folder->resolveChild(childName);
    };
    vfs::FileObjectPtr settingsFile = child(fileName);
    if (!settingsFile) {
        return;
    }
    m_folder = folder;
    m_settingsFile = settingsFile;
    // A reader that takes the lock for the load below lets that acquisition
    // make a missing ".lock": one query of the system where a separate
    // creation made two for every printer opened.
    const bool lockMadeByLoad = inFolder && loadLock != nullptr;
    bool madeLockFile = false;
    m_fileLock = lockMadeByLoad ? FileLock::ofFolder(folder)
                 : inFolder     ? FileLock::createInFolder(folder, &madeLockFile)
                                : FileLock::create(folder);
    m_lockingRepository = boost::make_shared<PrinterStore>(folder, settingsFile, m_fileLock);
    m_mediasFolder = child(keys::kMediasFolder);
    m_defaultsFolder = child(keys::kDefaultsFolder);

    // The times are taken before the load: a save that lands in between
    // then shows as a change and is reloaded, where times taken after the
    // load could hide it. A lock file made just now moved the folder's time.
    const vfs::FileStatus settingsStatus = settingsFile->getStatus();
    m_settingsStamp->set(settingsStatus.stamp);
    m_folderTime = madeLockFile ? folder->getLastModifiedTimeNs() : folderStatus.stamp.modifiedNs;
    // A settings file just seen as a file is read without asking its type
    // again; anything else takes the full path (a missing one is made empty,
    // a folder throws).
    // The store's own lock shares the one held here, when there is one. A
    // lock held elsewhere counts as the first attempt below.
    boost::shared_ptr<ReadFileLocker> held;
    if (loadLock != nullptr) {
        held = boost::make_shared<ReadFileLocker>(m_fileLock);
    }
    if (lockMadeByLoad && held && held->holdsLock() && m_fileLock->madeByAcquiring()) {
        // Made just now, under the lock held for the load: no save can have
        // landed since, and the folder's time moved by this process's own
        // change. (Without the lock the old time stays: one refresh too many
        // at worst.)
        m_folderTime = folder->getLastModifiedTimeNs();
    }
    boost::shared_ptr<Settings> settings;
    if (!held || held->holdsLock()) {
        settings = settingsStatus.type == vfs::FileType::FILE
                       ? storeOf(m_lockingRepository)->getSettingsOfFile()
                       : storeOf(m_lockingRepository)->getSettings();
    }
    for (int retry = 0; !settings && retry < kLoadRetries; ++retry) {
        // Only a lock held elsewhere is worth waiting for: a file that cannot
        // be parsed or opened stays so.
        if (kernel::lastFailure().code != kernel::FailureCode::LOCKED) {
            break;
        }
        wxMilliSleep(kLoadRetryDelayMs);
        settings = storeOf(m_lockingRepository)->getSettings();
    }
    if (!FSRepository::hasRoot(settings, keys::kPrinter, settingsFile)) {
        settings.reset();
    }
    m_settings = settings;
    if (!settings) {
        VEXA_LOG_DEBUG("Error getting settings for %s", name);
    } else {
        loadSettings_();
        if (loadLock != nullptr && held && held->holdsLock()) {
            *loadLock = held;
        }
    }
}

PrinterRepository::~PrinterRepository() = default;

void PrinterRepository::loadSettings_() {
    const boost::shared_ptr<Settings> settings = boost::atomic_load(&m_settings);
    if (!settings) {
        return;
    }
    wxString failedKey;
    try {
        m_deviceName = valueAt(*settings, keys::kDllDevice);
    } catch (const EmptyDataCoupleException&) {
        m_deviceName.clear();
        failedKey = keys::kDllDevice;
    }
    try {
        m_dllModule = valueAt(*settings, keys::kDllModule);
    } catch (const EmptyDataCoupleException&) {
        m_dllModule.clear();
        failedKey = keys::kDllModule;
    }
    try {
        m_ppdFile = valueAt(*settings, keys::kPPDFile);
    } catch (const EmptyDataCoupleException&) {
        m_ppdFile.clear();
    }
    try {
        m_active = valueAt(*settings, keys::kActive).IsSameAs(wxT("true"), false);
    } catch (const EmptyDataCoupleException&) {
        m_active = true;
    }
    if (!failedKey.empty()) {
        const vfs::FileObjectPtr folder = getFolder();
        VEXA_LOG_ERROR("Error loading %s setting for %s", failedKey,
                       folder ? folder->getBaseName() : wxString());
    }
}

void PrinterRepository::clearCaches_() {
    m_portType.clear();
    m_portData.clear();
    m_defaultPageSize.clear();
    m_virtualPrinterExtension.clear();
    m_tcpAdditionalPort.clear();
    m_tcpDefaultPort.clear();
    m_dotInfo.reset();
    m_defaultMediaGroup.clear();
    m_defaultMediaName.clear();
    m_pageSizes.reset();
    m_screenSetups.reset();
    m_portList.reset();
    m_defaultResolutions.reset();
    m_inkTypes.reset();
    m_inkCfgs.clear();
    m_deviceResolutions.clear();
}

// ---- Public operations -----------------------------------------------------

boost::shared_ptr<PrinterRepository> PrinterRepository::createRepository(
    const wxString& nameOrPath, const wxString& settingsFileName) {
    if (nameOrPath.empty()) {
        return boost::shared_ptr<PrinterRepository>();
    }
    return PrinterCatalog::getRepository(nameOrPath, settingsFileName);
}

boost::shared_ptr<PrinterReader> PrinterRepository::getReader() {
    return PrinterReader::getReader(shared_from_this());
}

boost::shared_ptr<PrinterWriter> PrinterRepository::getWriter() {
    return PrinterWriter::getWriter(shared_from_this());
}

wxString PrinterRepository::getRootPath() {
    const vfs::FileObjectPtr folder = getFolder();
    return folder ? folder->getName()->getNativePath() : wxString();
}

vfs::FileObjectPtr PrinterRepository::getFolder() const {
    return boost::atomic_load(&m_folder);
}

vfs::FileObjectPtr PrinterRepository::getMediasFolder() const {
    return boost::atomic_load(&m_mediasFolder);
}

vfs::FileObjectPtr PrinterRepository::getDefaultsFolder() const {
    return boost::atomic_load(&m_defaultsFolder);
}

vfs::FileObjectPtr PrinterRepository::existingFolder_() const {
    const vfs::FileObjectPtr folder = getFolder();
    return isFolder(folder) ? folder : vfs::FileObjectPtr();
}

bool PrinterRepository::isOutdated() const {
    const vfs::FileObjectPtr folder = getFolder();
    if (!folder) {
        return false;
    }
    // Any other time than the one last seen means another process changed
    // the folder; "newer" alone would miss a clock set back or a restore.
    const std::int64_t now = folder->getLastModifiedTimeNs();
    if (now != 0 && now != m_folderTime.load()) {
        return true;
    }
    // A folder's time has the file system's tick: two saves within one tick
    // leave it as it was, but each save gives the file a new identity.
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_settingsFile);
    return settingsFile && settingsFile->exists() && m_settingsStamp->changed(settingsFile);
}

PrinterRepository::State PrinterRepository::state_() const {
    State state;
    const vfs::FileObjectPtr folder = getFolder();
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_settingsFile);
    const vfs::FileStatus folderStatus = folder ? folder->getStatus() : vfs::FileStatus();
    const vfs::FileStatus settingsStatus =
        settingsFile ? settingsFile->getStatus() : vfs::FileStatus();
    const bool settingsExist = settingsStatus.type != vfs::FileType::IMAGINARY;
    // As isOutdated() and isValid(), each path asked once.
    const std::int64_t now = folderStatus.stamp.modifiedNs;
    state.outdated = folder && ((now != 0 && now != m_folderTime.load()) ||
                                (settingsExist && settingsStatus.stamp != m_settingsStamp->get()));
    state.valid = boost::atomic_load(&m_settings) && settingsExist;
    state.folderExists = folderStatus.type != vfs::FileType::IMAGINARY;
    return state;
}

bool PrinterRepository::isValid() const {
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_settingsFile);
    return boost::atomic_load(&m_settings) && settingsFile && settingsFile->exists();
}

boost::shared_ptr<Settings> PrinterRepository::getSettings() {
    return boost::atomic_load(&m_settings);
}

void PrinterRepository::saveSettings(boost::shared_ptr<Settings> settings) {
    saveSettingsChecked_(settings);
}

bool PrinterRepository::saveSettingsChecked_(const boost::shared_ptr<Settings>& settings) {
    const vfs::FileObjectPtr folder = existingFolder_();
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_settingsFile);
    if (!m_lockingRepository || !folder || !settingsFile) {
        return false;
    }
    // A change another process made to the folder (a media of it saved)
    // before this save must still make the repository look outdated.
    const bool pending = folder->getLastModifiedTimeNs() != m_folderTime.load();
    if (!storeOf(m_lockingRepository)->saveSettingsChecked(settings)) {
        return false;
    }
    // The writer holds the exclusive lock: the file on disk is the tree.
    m_settingsStamp->take(settingsFile);
    folder->setLastModifiedTime(0);
    if (!pending) {
        m_folderTime = folder->getLastModifiedTimeNs();
    }
    return true;
}

void PrinterRepository::touchFolder_() {
    const vfs::FileObjectPtr folder = existingFolder_();
    if (!folder) {
        return;
    }
    const bool pending = folder->getLastModifiedTimeNs() != m_folderTime.load();
    folder->setLastModifiedTime(0);
    if (!pending) {
        m_folderTime = folder->getLastModifiedTimeNs();
    }
}

void PrinterRepository::notifyMediaChange(MediaChange kind, const vfs::FileObjectPtr& mediaFolder) {
    {
        wxMutexLocker lock(*m_fillMutex);
        if (kind == MEDIA_ADDED) {
            loadMediaMap_();
        } else if (kind == MEDIA_REMOVED && mediaFolder) {
            const wxString media = mediaFolder->getBaseName();
            const vfs::FileObjectPtr parent = mediaFolder->getParent();
            const wxString group = parent ? parent->getBaseName() : wxString();
            const auto found = m_mediaMap.find(group);
            if (found != m_mediaMap.end()) {
                found->second.erase(media);
                if (found->second.empty()) {
                    m_mediaMap.erase(found);
                }
            }
            // Also when the map never listed the group (a media removed by
            // its folder): a group folder still holding a media stays.
            removeEmptyGroup_(group);
        }
    }
    touchFolder_();
}

void PrinterRepository::removeEmptyGroup_(const wxString& group) {
    const vfs::FileObjectPtr medias = getMediasFolder();
    if (!isFolder(medias) || group.empty()) {
        return;
    }
    const vfs::FileObjectPtr groupFolder = medias->resolveChild(group);
    if (!isFolder(groupFolder)) {
        return;
    }
    // The map may not know every media of the group (another process may
    // have added one): a group folder still holding a media stays.
    const vfs::FileObjectListPtr children = groupFolder->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        if (child->getType() == vfs::FileType::FOLDER) {
            return;
        }
    }
    groupFolder->remove();
}

// ---- Lazy values -----------------------------------------------------------

wxString PrinterRepository::lazyText_(CachedText& cache, const wxChar* key) {
    // A warm getter is a string copy: hosts call getters on every job.
    if (cache.filled.load(std::memory_order_acquire)) {
        return cache.value;
    }
    wxMutexLocker lock(*m_fillMutex);
    if (!cache.filled.load(std::memory_order_relaxed)) {
        const boost::shared_ptr<Settings> settings = boost::atomic_load(&m_settings);
        if (settings) {
            try {
                cache.set(valueAt(*settings, key));
            } catch (const EmptyDataCoupleException&) {
                cache.clear();
            }
        }
    }
    return cache.value;
}

template <class T>
boost::shared_ptr<T> PrinterRepository::lazyObject_(boost::shared_ptr<T>& cache, const wxChar* key,
                                                    bool defaultWhenAbsent) {
    wxMutexLocker lock(*m_fillMutex);
    if (!cache) {
        const boost::shared_ptr<Settings> settings = boost::atomic_load(&m_settings);
        if (settings) {
            cache = loadFirst<T>(*settings, key);
            if (!cache && defaultWhenAbsent) {
                cache = boost::make_shared<T>();
            }
        }
    }
    return cache;
}

template <class T>
std::list<boost::shared_ptr<T>>& PrinterRepository::lazyList_(
    std::list<boost::shared_ptr<T>>& cache, const wxChar* key) {
    wxMutexLocker lock(*m_fillMutex);
    if (cache.empty()) {
        const boost::shared_ptr<Settings> settings = boost::atomic_load(&m_settings);
        if (settings) {
            const wxString path = wxString::Format(wxT("%s/*"), key);
            // Each value is loaded straight from its node (see loadFirst).
            // Built aside and cached whole: a load that throws part-way
            // (std::bad_alloc) leaves the cache empty, and the next call
            // tries again instead of handing out a short list for good.
            const DataStrategy<T> strategy;
            std::list<boost::shared_ptr<T>> loaded;
            for (const NamedNode::Ptr& node : SettingsAccess::findNodes(*settings, path)) {
                loaded.push_back(strategy.load(node));
            }
            cache.swap(loaded);
        }
    }
    return cache;
}

// The instances the reader uses.
template boost::shared_ptr<DotInfo> PrinterRepository::lazyObject_(boost::shared_ptr<DotInfo>&,
                                                                   const wxChar*, bool);
template boost::shared_ptr<InkType> PrinterRepository::lazyObject_(boost::shared_ptr<InkType>&,
                                                                   const wxChar*, bool);
template boost::shared_ptr<PageSizes> PrinterRepository::lazyObject_(boost::shared_ptr<PageSizes>&,
                                                                     const wxChar*, bool);
template boost::shared_ptr<PortList> PrinterRepository::lazyObject_(boost::shared_ptr<PortList>&,
                                                                    const wxChar*, bool);
template boost::shared_ptr<ScreenSetup> PrinterRepository::lazyObject_(
    boost::shared_ptr<ScreenSetup>&, const wxChar*, bool);
template boost::shared_ptr<ResList> PrinterRepository::lazyObject_(boost::shared_ptr<ResList>&,
                                                                   const wxChar*, bool);
template std::list<boost::shared_ptr<ResData>>& PrinterRepository::lazyList_(
    std::list<boost::shared_ptr<ResData>>&, const wxChar*);
template std::list<boost::shared_ptr<InkCfg>>& PrinterRepository::lazyList_(
    std::list<boost::shared_ptr<InkCfg>>&, const wxChar*);

std::pair<wxString, wxString> PrinterRepository::defaultMedia_() {
    wxMutexLocker lock(*m_fillMutex);
    if (m_defaultMediaName.empty()) {
        const boost::shared_ptr<Settings> settings = boost::atomic_load(&m_settings);
        if (settings) {
            try {
                const NamedNode::Ptr node = nodeAt(*settings, keys::kDefaultMedia);
                m_defaultMediaGroup = node->getAttribute(wxString(wxT("group")));
                m_defaultMediaName = node->getAttribute(wxString(wxT("media")));
            } catch (const EmptyDataCoupleException&) {
                m_defaultMediaGroup.clear();
                m_defaultMediaName.clear();
            }
        }
    }
    return std::make_pair(m_defaultMediaGroup, m_defaultMediaName);
}

// ---- Media map -------------------------------------------------------------

void PrinterRepository::loadMediaMap_() {
    const vfs::FileObjectPtr medias = getMediasFolder();
    if (!medias) {
        return;
    }
    // Folder names straight from the listings: a host lists the medias of
    // every printer, and file objects per entry would cost more than the
    // rest of opening the printer. A missing "Medias" (or a file there)
    // lists nothing; no status query is needed to tell.
    for (const auto& listed : vfs::listSubfolderTree(medias)) {
        const wxString& group = listed.first;
        const std::vector<wxString>& names = listed.second;
        auto found = m_mediaMap.find(group);
        if (found == m_mediaMap.end()) {
            if (names.empty()) {
                continue;
            }
            found = m_mediaMap.insert(std::make_pair(group, MediaGroup())).first;
        }
        for (const wxString& name : names) {
            // insert keeps an entry that is there (and its repository).
            found->second.insert(std::make_pair(name, boost::shared_ptr<MediaRepository>()));
        }
    }
}

void PrinterRepository::reloadMediaMap_() {
    m_mediaMap.clear();
    loadMediaMap_();
}

const PrinterRepository::MediaMap& PrinterRepository::mediaList_() {
    wxMutexLocker lock(*m_fillMutex);
    if (m_mediaMap.empty()) {
        reloadMediaMap_();
    }
    return m_mediaMap;
}

boost::shared_ptr<MediaRepository> PrinterRepository::createMedia_(const wxString& group,
                                                                   const wxString& key) {
    const vfs::FileObjectPtr medias = getMediasFolder();
    if (!isFolder(medias)) {
        return boost::shared_ptr<MediaRepository>();
    }
    try {
        const vfs::FileObjectPtr folder =
            medias->resolveFile(group + wxT("/") + key, vfs::NameScope::FILE_SYSTEM);
        return MediaRepository::createRepository(folder, shared_from_this(), vfs::FileObjectPtr());
    } catch (const vfs::FileSystemException&) {
        return boost::shared_ptr<MediaRepository>();
    }
}

boost::shared_ptr<MediaRepository> PrinterRepository::getMedia_(const wxString& group,
                                                                const wxString& name) {
    wxString key = name;
    if (name.StartsWith(wxT("*")) && name.length() > 2) {
        key = name.AfterLast(wxT('*'));
    }
    wxMutexLocker lock(*m_fillMutex);
    if (m_mediaMap.empty()) {
        reloadMediaMap_();
    }
    const wxString groupName = group.empty() ? wxString(kUngroupedGroup) : group;
    const auto missing = [&]() {
        const vfs::FileObjectPtr folder = getFolder();
        kernel::recordFailure(
            kernel::FailureCode::NOT_FOUND,
            wxT("no ") +
                impl::mediaLabel(groupName, name, folder ? folder->getBaseName() : wxString()));
        return boost::shared_ptr<MediaRepository>();
    };
    const auto found = m_mediaMap.find(groupName);
    if (found == m_mediaMap.end()) {
        return missing();
    }
    MediaGroup& medias = found->second;
    auto entry = medias.find(name);
    if (entry == medias.end()) {
        if (!name.StartsWith(wxT("*")) || medias.find(key) == medias.end()) {
            return missing();
        }
        // A starred name gets a repository of its own over the same folder.
        entry = medias.insert(std::make_pair(name, boost::shared_ptr<MediaRepository>())).first;
    }
    if (!entry->second) {
        entry->second = createMedia_(groupName, key);
    }
    return entry->second;
}

// ---- Side files ------------------------------------------------------------

boost::shared_ptr<std::list<wxString>> PrinterRepository::getSwatchDefs_(const wxString& pattern) {
    boost::shared_ptr<std::list<wxString>> names = boost::make_shared<std::list<wxString>>();
    const vfs::FileObjectPtr folder = existingFolder_();
    if (!folder) {
        return names;
    }
    const vfs::FileObjectPtr shared =
        folder->resolveFile(keys::kSharedFolder, vfs::NameScope::FILE_SYSTEM);
    if (!isFolder(shared)) {
        return names;
    }
    const wxString extension = wxString(wxT(".")) + keys::kSwatchExt;
    const vfs::FileObjectListPtr children = shared->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        const wxString base = child->getBaseName();
        if (base.EndsWith(extension) && vfs::matchWildcard(pattern, base)) {
            names->push_back(base.BeforeLast(wxT('.')));
        }
    }
    return names;
}

wxString PrinterRepository::getSwatchDefLocation_(const wxString& name) {
    const vfs::FileObjectPtr folder = existingFolder_();
    // A name with a separator would reach outside "Shared".
    if (!folder || name.empty() || name.find_first_of(wxT("/\\")) != wxString::npos) {
        return wxString();
    }
    const wxString path =
        wxString::Format(wxT("%s/%s.%s"), keys::kSharedFolder, name, keys::kSwatchExt);
    const vfs::FileObjectPtr file = folder->resolveFile(path, vfs::NameScope::FILE_SYSTEM);
    if (!file || file->getType() != vfs::FileType::FILE) {
        return wxString();
    }
    const vfs::FileContentPtr content = file->getContent();
    const wxString local = content->getLocalPath();
    // The content is not kept: the caller opens the file by its path.
    content->releaseLocalPath();
    return local;
}

void PrinterRepository::openSPSettings_() {
    if (m_spSettingsContent) {
        return;
    }
    const vfs::FileObjectPtr folder = existingFolder_();
    if (!folder) {
        return;
    }
    const vfs::FileObjectPtr file = folder->resolveChild(kSPSettingsFileName);
    if (file && file->getType() == vfs::FileType::FILE) {
        m_spSettingsFileTime = file->getLastModifiedTimeNs();
        m_spSettingsContent = file->getContent();
    }
}

vfs::InputStreamPtr PrinterRepository::getInputSPSettingsStream_() {
    wxMutexLocker lock(*m_fillMutex);
    openSPSettings_();
    return m_spSettingsContent ? m_spSettingsContent->getInputStream() : vfs::InputStreamPtr();
}

vfs::OutputStreamPtr PrinterRepository::getOutputSPSettingsStream_() {
    wxMutexLocker lock(*m_fillMutex);
    openSPSettings_();
    return m_spSettingsContent ? m_spSettingsContent->getOutputStream() : vfs::OutputStreamPtr();
}

void PrinterRepository::closeSPSettingsStream_() {
    wxMutexLocker lock(*m_fillMutex);
    if (m_spSettingsContent) {
        m_spSettingsContent->close();
    }
}

// ---- Copying ---------------------------------------------------------------

bool PrinterRepository::copyTo_(const wxString& destination, const vfs::CopyFilterPtr& filter) {
    // The new printer's name is checked before anything is made.
    const wxString base = destination.AfterLast(wxT('/'));
    const bool plain = destination.find_first_of(wxT("/\\")) == wxString::npos;
    if (!checkName(NameKind::PRINTER, plain ? destination : base)) {
        return false;
    }
    vfs::FileObjectPtr target;
    bool made = false;
    try {
        if (plain) {
            const vfs::FileObjectPtr printers = SystemRepository::getPrintersFolder();
            if (!printers) {
                kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                                      wxT("no repository folder with \"Printers\""));
                return false;
            }
            target = printers->resolveChild(destination);
        } else {
            // Opening makes a missing folder; it is removed again when the
            // copy does not happen.
            const vfs::FileObjectPtr existing = localObject(destination);
            made = !existing || !existing->exists();
            target = vfs::openLocalFolder(vfs::createFileName(destination));
        }
    } catch (const vfs::FileSystemException& error) {
        kernel::recordFailure(
            kernel::FailureCode::IO_ERROR,
            wxT("cannot open '") + destination + wxT("': ") + kernel::fromMB(error.what()),
            destination);
        return false;
    }
    return copyTo_(target, made, filter);
}

bool PrinterRepository::copyTo_(const vfs::FileObjectPtr& destination, bool made,
                                const vfs::CopyFilterPtr& filter) {
    const vfs::FileObjectPtr folder = existingFolder_();
    if (!destination || !folder || !m_lockingRepository) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, wxT("nothing to copy"));
        return false;
    }
    const wxString label = impl::printerLabel(folder->getBaseName());
    const wxString targetPath = destination->getName()->getNativePath();
    if (destination->getURI() == folder->getURI()) {
        kernel::recordFailure(kernel::FailureCode::ALREADY_EXISTS,
                              label + wxT(" cannot be copied onto itself"), targetPath);
        return false;
    }
    const bool existed = !made && destination->exists();
    const auto refuse = [&]() {
        if (!existed) {
            destination->remove();
        }
        return false;
    };
    if (destination->exists() || destination->isSymbolicLink()) {
        // Never onto this folder by another spelling, into it, around it, or
        // over anything already there (another printer).
        if (vfs::sameOrInside(folder, destination) || vfs::sameOrInside(destination, folder) ||
            destination->isSymbolicLink() || destination->getType() != vfs::FileType::FOLDER ||
            (existed && !destination->getChildren()->empty())) {
            kernel::recordFailure(kernel::FailureCode::ALREADY_EXISTS,
                                  wxT("'") + targetPath + wxT("' already exists"), targetPath);
            return refuse();
        }
    }
    // A half-made or half-removed printer is no source for a new one; and
    // nothing inside may be in use by another process while it is copied.
    const vfs::FileObjectPtr sourceMarker = folder->resolveChild(keys::kInvalidMarker);
    if (sourceMarker && sourceMarker->exists()) {
        kernel::recordFailure(kernel::FailureCode::NOT_READABLE,
                              label + wxT(" is marked .invalid (half-made or half-removed)"),
                              sourceMarker->getName()->getNativePath());
        return refuse();
    }
    if (!impl::checkInnerFolders(folder, true, label)) {
        return refuse();
    }
    const vfs::FileObjectPtr marker = destination->resolveChild(keys::kInvalidMarker);
    if (!marker) {
        return refuse();
    }
    marker->createFile();
    const bool copied = storeOf(m_lockingRepository)->copyContents(folder, destination, filter);
    if (!copied) {
        return refuse();
    }
    destination->resolveChild(keys::kInvalidMarker)->remove();
    return true;
}

// ---- Writer support --------------------------------------------------------

void PrinterRepository::relocate_(const vfs::FileObjectPtr& newFolder,
                                  const wxString& settingsFileName, bool catalogHeld) {
    const vfs::FileObjectPtr oldFolder = getFolder();
    if (!oldFolder || !newFolder || settingsFileName.empty()) {
        return;
    }
    std::unique_lock<std::mutex> catalog(PrinterCatalog::mutex_(), std::defer_lock);
    if (!catalogHeld) {
        catalog.lock();
    }
    PrinterCatalog::forgetLocked_(oldFolder->getBaseName(), this);
    {
        wxMutexLocker lock(*m_fillMutex);
        const vfs::FileObjectPtr settingsFile = newFolder->resolveChild(settingsFileName);
        boost::atomic_store(&m_folder, newFolder);
        boost::atomic_store(&m_settingsFile, settingsFile);
        boost::atomic_store(&m_mediasFolder, newFolder->resolveChild(keys::kMediasFolder));
        boost::atomic_store(&m_defaultsFolder, newFolder->resolveChild(keys::kDefaultsFolder));
        const FileLockPtr fileLock = FileLock::create(newFolder);
        boost::atomic_store(&m_fileLock, fileLock);
        m_lockingRepository = boost::make_shared<PrinterStore>(newFolder, settingsFile, fileLock);
        m_mediaMap.clear();
        m_spSettingsContent.reset();
    }
    PrinterCatalog::registerLocked_(shared_from_this());
}

void PrinterRepository::refresh_(WriteFileLocker* locker) {
    const vfs::FileObjectPtr folder = getFolder();
    if (!folder) {
        return;
    }
    const std::int64_t folderTime = folder->getLastModifiedTimeNs();
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_settingsFile);
    const bool settingsChanged = settingsFile && m_settingsStamp->changed(settingsFile);
    // Any other time, earlier ones too (a restored backup, a clock set
    // back), is a change: reading only newer times would keep an old tree
    // that the next save would write over the restored file.
    if (folderTime == m_folderTime.load() && !settingsChanged) {
        return;
    }
    m_folderTime = folderTime;

    if (settingsChanged && m_lockingRepository && locker) {
        // The stamp is taken before reading: a change landing in between is
        // read now and seen again by the next check, never missed.
        m_settingsStamp->take(settingsFile);
        boost::shared_ptr<Settings> settings = storeOf(m_lockingRepository)->getSettings(*locker);
        if (!FSRepository::hasRoot(settings, keys::kPrinter, settingsFile)) {
            settings.reset();
        }
        if (settings) {
            wxMutexLocker lock(*m_fillMutex);
            clearCaches_();
            boost::atomic_store(&m_settings, settings);
            loadSettings_();
        } else {
            VEXA_LOG_DEBUG("Error getting settings for %s", folder->getBaseName());
        }
    }

    std::list<boost::shared_ptr<MediaRepository>> staleMedias;
    {
        wxMutexLocker lock(*m_fillMutex);
        if (m_spSettingsContent) {
            const vfs::FileObjectPtr file = m_spSettingsContent->getFile();
            if (file && file->getLastModifiedTimeNs() != m_spSettingsFileTime.load()) {
                m_spSettingsContent.reset();
                m_spSettingsFileTime = 0;
            }
        }
        const vfs::FileObjectPtr medias = getMediasFolder();
        if (!isFolder(medias)) {
            m_mediaMap.clear();
        }
        for (auto group = m_mediaMap.begin(); group != m_mediaMap.end();) {
            const vfs::FileObjectPtr groupFolder = medias->resolveChild(group->first);
            if (!isFolder(groupFolder)) {
                group = m_mediaMap.erase(group);
                continue;
            }
            for (auto media = group->second.begin(); media != group->second.end();) {
                // A starred entry shares the folder of the name after the star.
                wxString folderName = media->first;
                if (folderName.StartsWith(wxT("*")) && folderName.length() > 2) {
                    folderName = folderName.AfterLast(wxT('*'));
                }
                if (!isFolder(groupFolder->resolveChild(folderName))) {
                    media = group->second.erase(media);
                    continue;
                }
                if (media->second && media->second->isStale()) {
                    staleMedias.push_back(media->second);
                }
                ++media;
            }
            ++group;
        }
    }
    // Outside the fill mutex: a media writer of another thread may be saving
    // and about to notify this repository.
    for (const boost::shared_ptr<MediaRepository>& media : staleMedias) {
        boost::shared_ptr<MediaWriter> writer = MediaWriter::getWriter(media);
        if (writer) {
            writer->refresh();
        }
    }
    wxMutexLocker lock(*m_fillMutex);
    loadMediaMap_();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
