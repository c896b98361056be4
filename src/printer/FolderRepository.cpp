#include "repos/FolderRepository.h"

#include <boost/make_shared.hpp>

#include "kernel/Failure.h"
#include "logger/Log.h"
#include "printer/FolderSettingsStore.h"
#include "printer/PrinterKeys.h"
#include "repos/FileLock.h"
#include "repos/RepositoryException.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"

namespace vexa {
namespace repos {
namespace printer {

FolderRepository::FolderRepository(vfs::FileObjectPtr folder, vfs::FileObjectPtr settingsFile,
                                   const wxChar* rootName, const wxChar* kind)
    : m_rwMutex(impl::folderMutex(folder)),
      m_fileLock(FileLock::create(folder)),
      m_folder(folder),
      m_settingsFile(settingsFile),
      m_fillMutex(boost::make_shared<wxMutex>()),
      m_settingsStamp(new impl::SeenStamp),
      m_folderTime(impl::modificationTime(folder)),
      m_rootName(rootName),
      m_kind(kind) {
    // Taken before the load: a save landing in between shows as a change.
    m_settingsStamp->take(settingsFile);
    // Resolved while the folder exists (resolving below a missing folder
    // would create it again).
    m_invalidMarker = folder->resolveChild(keys::kInvalidMarker);
    m_store = boost::make_shared<impl::FolderSettingsStore>(folder, settingsFile, m_fileLock);
}

FolderRepository::~FolderRepository() = default;

boost::shared_ptr<Settings> FolderRepository::getSettings() {
    return m_settings;
}

bool FolderRepository::isStale() const {
    // Any other time than the one last seen means another process changed
    // the folder; "newer" alone would miss a clock set back or a restore.
    const std::int64_t now = impl::modificationTime(m_folder);
    return (now != 0 && now != m_folderTime.load()) ||
           (m_settingsFile->exists() && m_settingsStamp->changed(m_settingsFile));
}

vfs::FileObjectPtr FolderRepository::settingsFileOf_(const vfs::FileObjectPtr& folder,
                                                     vfs::FileObjectPtr settingsFile,
                                                     const wxChar* kind) {
    if (!impl::isFolder(folder)) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                              wxString::Format(wxT("no %s folder"), kind));
        return vfs::FileObjectPtr();
    }
    try {
        if (!settingsFile) {
            settingsFile = folder->resolveChild(kSettingsFileName);
        }
    } catch (const vfs::FileSystemException&) {
        settingsFile.reset();
    }
    if (!settingsFile || settingsFile->getType() != vfs::FileType::FILE) {
        const wxString path = folder->getName()->getNativePath();
        kernel::recordFailure(
            kernel::FailureCode::NOT_READABLE,
            wxString::Format(wxT("no settings file in the %s folder '%s'"), kind, path), path);
        return vfs::FileObjectPtr();
    }
    return settingsFile;
}

vfs::FileObjectPtr FolderRepository::folderAt_(const wxString& path, const wxString& settingsName,
                                               vfs::FileObjectPtr& settingsFile) {
    const vfs::FileObjectPtr folder = impl::lookUpLocalPath(path);
    if (!impl::isFolder(folder)) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, wxT("no folder '") + path + wxT("'"),
                              path);
        return vfs::FileObjectPtr();
    }
    settingsFile =
        folder->resolveChild(settingsName.empty() ? wxString(kSettingsFileName) : settingsName);
    return folder;
}

bool FolderRepository::load_() {
    try {
        m_settings = m_store->load();
    } catch (const vfs::FileSystemException&) {
        m_settings.reset();
    } catch (const RepositoryException&) {
        m_settings.reset();
    }
    if (!FSRepository::hasRoot(m_settings, m_rootName, m_settingsFile)) {
        m_settings.reset();
    }
    if (!m_settings) {
        VEXA_LOG_DEBUG("Error getting settings for %s %s", m_kind, m_folder->getBaseName());
        return false;
    }
    return true;
}

bool FolderRepository::reload_(WriteFileLocker& locker) {
    const std::int64_t folderTime = impl::modificationTime(m_folder);
    // Any other time, earlier ones too, is a change (see isStale).
    if (folderTime == m_folderTime.load() && !m_settingsStamp->changed(m_settingsFile)) {
        return false;
    }
    // Read again whenever the folder moved: a replaced settings file may
    // carry the time stamp of the one before when both were written within
    // one tick of the coarse file-system clock.
    const vfs::FileStamp stamp = m_settingsFile->getStamp();
    boost::shared_ptr<Settings> settings = m_store->load(locker);
    if (!FSRepository::hasRoot(settings, m_rootName, m_settingsFile)) {
        settings.reset();
    }
    if (!settings) {
        VEXA_LOG_DEBUG("Error reloading settings for %s %s", m_kind, m_folder->getBaseName());
        return false;
    }
    wxMutexLocker lock(*m_fillMutex);
    m_settings = settings;
    m_settingsStamp->set(stamp);
    m_folderTime = folderTime;
    dropCaches_();
    // The recorded changes referred to the caches just dropped.
    m_changedKeys.clear();
    reloaded_();
    return true;
}

bool FolderRepository::store_(const boost::shared_ptr<Settings>& settings) {
    if (!m_store->store(settings)) {
        return false;
    }
    m_settingsStamp->take(m_settingsFile);
    takeFolderTime_();
    return true;
}

bool FolderRepository::save_() {
    if (m_changedKeys.empty()) {
        return true;
    }
    try {
        NamedNode::Ptr root = impl::firstNode(*m_settings, m_rootName);
        if (!root) {
            throw RepositoryException(
                wxString::Format(wxT("No %s node to store values in"), m_kind));
        }
        storeChanges_(root);
        if (!storeSettings_(m_settings)) {
            return false;
        }
    } catch (const RepositoryException& e) {
        VEXA_LOG_DEBUG("Error saving settings for %s: %s", m_folder->getBaseName(), e.getMessage());
        return false;
    }
    m_changedKeys.clear();
    return true;
}

void FolderRepository::recordChange_(const wxChar* key) {
    m_changedKeys.push_back(key);
}

void FolderRepository::takeFolderTime_() {
    impl::raiseTime(m_folderTime, impl::modificationTime(m_folder));
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
