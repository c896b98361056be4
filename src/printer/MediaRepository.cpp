#include "repos/MediaRepository.h"

#include <wx/mstream.h>

#include <algorithm>
#include <boost/make_shared.hpp>
#include <cstring>
#include <iterator>

#include "kernel/Failure.h"
#include "logger/Log.h"
#include "printer/FolderSettingsStore.h"
#include "printer/InnerLocks.h"
#include "printer/MediaModeKeys.h"
#include "repos/DataCouple.h"
#include "repos/MediaReader.h"
#include "repos/MediaWriter.h"
#include "repos/ModeRepository.h"
#include "repos/PrinterRepository.h"
#include "repos/RepositoryException.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"

namespace vexa {
namespace repos {
namespace printer {

namespace {

using namespace mediakeys;

const wxChar* const kModesFolderName = wxT("Modes");
const wxChar* const kInvalidMarkerName = wxT(".invalid");

const wxChar* const kMediaNode = wxT("Media");

const wxChar* const kCostNode = wxT("CostSettings");
const char* const kDefaultCostDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"CostSettings\"></node>";

// A cached text read and found without value.
const wxChar* const kNoText = wxT("*");

bool contains(const std::list<wxString>& keys, const wxChar* key) {
    return std::find(keys.begin(), keys.end(), wxString(key)) != keys.end();
}

// Stores `value` into the node at `key`, or into a new child of `media`
// named after the key's last step.
template <class T>
void storeValue(const Settings& settings, const wxChar* key, const boost::shared_ptr<T>& value,
                const NamedNode::Ptr& media) {
    const DataStrategy<T> strategy;
    NamedNode::Ptr node = impl::firstNode(settings, key);
    if (node) {
        strategy.storeInto(value, node);
    } else {
        strategy.storeNew(value, media, impl::lastKeyStep(key));
    }
}

// Pass information has no storeNew: the node is made first.
template <>
void storeValue<PassInfo>(const Settings& settings, const wxChar* key,
                          const boost::shared_ptr<PassInfo>& value, const NamedNode::Ptr& media) {
    NamedNode::Ptr node = impl::firstNode(settings, key);
    if (!node) {
        node = NamedNode::Create(impl::lastKeyStep(key));
        node->addTo(media);
    }
    DataStrategy<PassInfo>().storeInto(value, node);
}

// The cost settings document of `file`; the default document when the file
// is missing or holds none.
boost::shared_ptr<Settings> readCostDocument(const vfs::FileObjectPtr& file) {
    boost::shared_ptr<Settings> settings;
    if (file && file->getType() == vfs::FileType::FILE) {
        vfs::InputStreamPtr input = file->getContent()->getInputStream();
        if (input && input->IsOk()) {
            settings = SettingsManager::GetSettings(*input);
        }
    }
    if (settings && impl::firstNode(*settings, kCostNode)) {
        return settings;
    }
    wxMemoryInputStream defaults(kDefaultCostDocument, strlen(kDefaultCostDocument));
    return SettingsManager::GetSettings(defaults);
}

}  // namespace

MediaRepository::MediaRepository(vfs::FileObjectPtr root,
                                 boost::shared_ptr<PrinterRepository> printer,
                                 vfs::FileObjectPtr settingsFile)
    : m_rwMutex(impl::folderMutex(root)),
      m_fileLock(FileLock::create(root)),
      m_root(root),
      m_settingsFile(settingsFile),
      m_printer(printer),
      m_labelChannel(0),
      m_settingsStamp(new impl::SeenStamp),
      m_folderTime(impl::modificationTime(root)) {
    // Taken before the load: a save landing in between shows as a change.
    m_settingsStamp->take(settingsFile);
    // Resolved now, while the folder exists: resolving below a missing
    // folder would create it again.
    m_modesFolder = root->resolveChild(kModesFolderName);
    m_costFile = root->resolveChild(kMediaCostFileName);
    m_spFile = root->resolveChild(kSPSettingsFileName);
    m_invalidMarker = root->resolveChild(kInvalidMarkerName);
    m_store = boost::make_shared<impl::FolderSettingsStore>(root, settingsFile, m_fileLock);
}

MediaRepository::~MediaRepository() = default;

boost::shared_ptr<MediaRepository> MediaRepository::createRepository(
    vfs::FileObjectPtr root, boost::shared_ptr<PrinterRepository> printer,
    vfs::FileObjectPtr settingsFile) {
    if (!impl::isFolder(root)) {
        return boost::shared_ptr<MediaRepository>();
    }
    try {
        if (!settingsFile) {
            settingsFile = root->resolveChild(kSettingsFileName);
        }
        if (!settingsFile || settingsFile->getType() != vfs::FileType::FILE) {
            kernel::recordFailure(kernel::FailureCode::NOT_READABLE,
                                  wxT("no settings file in the media folder '") +
                                      root->getName()->getNativePath() + wxT("'"),
                                  root->getName()->getNativePath());
            return boost::shared_ptr<MediaRepository>();
        }
        boost::shared_ptr<MediaRepository> repository(
            new MediaRepository(root, printer, settingsFile));
        repository->m_settings = repository->m_store->load();
        if (!FSRepository::hasRoot(repository->m_settings, kMediaNode, settingsFile)) {
            repository->m_settings.reset();
        }
        if (!repository->m_settings) {
            VEXA_LOG_DEBUG("Error getting settings for %s", root->getBaseName());
            return boost::shared_ptr<MediaRepository>();
        }
        return repository;
    } catch (const vfs::FileSystemException&) {
        return boost::shared_ptr<MediaRepository>();
    } catch (const RepositoryException&) {
        return boost::shared_ptr<MediaRepository>();
    }
}

boost::shared_ptr<MediaRepository> MediaRepository::createRepository(
    const wxString& path, boost::shared_ptr<PrinterRepository> printer,
    const wxString& settingsName) {
    vfs::FileObjectPtr root = impl::lookUpLocalPath(path);
    if (!impl::isFolder(root)) {
        return boost::shared_ptr<MediaRepository>();
    }
    vfs::FileObjectPtr settingsFile =
        root->resolveChild(settingsName.empty() ? wxString(kSettingsFileName) : settingsName);
    return createRepository(root, printer, settingsFile);
}

boost::shared_ptr<MediaReader> MediaRepository::getReader() {
    return MediaReader::getReader(shared_from_this());
}

boost::shared_ptr<MediaWriter> MediaRepository::getWriter() {
    return MediaWriter::getWriter(shared_from_this());
}

boost::shared_ptr<Settings> MediaRepository::getSettings() {
    return m_settings;
}

void MediaRepository::saveSettings(boost::shared_ptr<Settings> settings) {
    storeSettings_(settings);
}

void MediaRepository::refreshModeMap() {
    wxMutexLocker lock(m_cacheMutex);
    refreshModeMapLocked_();
}

bool MediaRepository::isStale() const {
    // Any other time than the one last seen means another process changed
    // the folder; "newer" alone would miss a clock set back or a restore.
    const std::int64_t now = impl::modificationTime(m_root);
    // The folder's time has the file system's tick; each save also gives
    // the settings file a new identity, which no tick hides.
    return (now != 0 && now != m_folderTime.load()) ||
           (m_settingsFile->exists() && m_settingsStamp->changed(m_settingsFile));
}

// ---- Reader side -----------------------------------------------------------

template <class T>
boost::shared_ptr<T> MediaRepository::cachedObject_(boost::shared_ptr<T> MediaRepository::*cache,
                                                    const wxChar* key) {
    wxMutexLocker lock(m_cacheMutex);
    boost::shared_ptr<T>& value = this->*cache;
    if (!value) {
        DataCouple<T> couple = findCouple<T>(*m_settings, key);
        try {
            value = boost::make_shared<T>(couple.get());
        } catch (const EmptyDataCoupleException&) {
            value = boost::make_shared<T>();
        }
    }
    return value;
}

template boost::shared_ptr<InkCfg> MediaRepository::cachedObject_<InkCfg>(
    boost::shared_ptr<InkCfg> MediaRepository::*, const wxChar*);
template boost::shared_ptr<ColorInfo> MediaRepository::cachedObject_<ColorInfo>(
    boost::shared_ptr<ColorInfo> MediaRepository::*, const wxChar*);
template boost::shared_ptr<ResScaleAdjust> MediaRepository::cachedObject_<ResScaleAdjust>(
    boost::shared_ptr<ResScaleAdjust> MediaRepository::*, const wxChar*);
template boost::shared_ptr<std::list<wxString>> MediaRepository::cachedObject_<std::list<wxString>>(
    boost::shared_ptr<std::list<wxString>> MediaRepository::*, const wxChar*);
template boost::shared_ptr<PassInfo> MediaRepository::cachedObject_<PassInfo>(
    boost::shared_ptr<PassInfo> MediaRepository::*, const wxChar*);

int MediaRepository::labelChannel_() {
    wxMutexLocker lock(m_cacheMutex);
    DataCouple<LabelChannel> couple = findCouple<LabelChannel>(*m_settings, kKeyLabelChannel);
    try {
        m_labelChannel = couple.get().getLabelChannel();
    } catch (const EmptyDataCoupleException&) {
        m_labelChannel = 0;
    }
    return m_labelChannel;
}

wxString MediaRepository::cachedText_(wxString MediaRepository::*cache, const wxChar* key) {
    wxMutexLocker lock(m_cacheMutex);
    wxString& text = this->*cache;
    if (text.empty()) {
        NamedNode::Ptr node = impl::firstNode(*m_settings, key);
        const wxString value = node ? node->getAttribute(wxT("value")) : wxString();
        text = value.empty() ? wxString(kNoText) : value;
    }
    return text == kNoText ? wxString() : text;
}

void MediaRepository::refreshModeMapLocked_() {
    if (!impl::isFolder(m_modesFolder)) {
        return;
    }
    vfs::FileObjectListPtr children = m_modesFolder->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        const wxString name = child->getBaseName();
        if (child->getType() == vfs::FileType::FOLDER && !vfs::isTemporaryName(name)) {
            m_modes.insert(std::make_pair(name, boost::shared_ptr<ModeRepository>()));
        }
    }
}

boost::shared_ptr<ModeRepository> MediaRepository::mode_(const wxString& name) {
    wxMutexLocker lock(m_cacheMutex);
    if (m_modes.empty()) {
        refreshModeMapLocked_();
    }
    ModeMap::iterator entry = m_modes.find(name);
    if (entry == m_modes.end()) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                              wxT("no mode '") + name + wxT("' of ") + label_());
        return boost::shared_ptr<ModeRepository>();
    }
    if (!entry->second && impl::isFolder(m_modesFolder)) {
        try {
            vfs::FileObjectPtr folder = m_modesFolder->resolveChild(name);
            entry->second =
                ModeRepository::createRepository(folder, shared_from_this(), vfs::FileObjectPtr());
        } catch (const vfs::FileSystemException&) {
            return boost::shared_ptr<ModeRepository>();
        }
    }
    return entry->second;
}

const MediaRepository::ModeMap& MediaRepository::modeList_() {
    wxMutexLocker lock(m_cacheMutex);
    if (m_modes.empty()) {
        refreshModeMapLocked_();
    }
    return m_modes;
}

void MediaRepository::clearMode_(const wxString& name) {
    wxMutexLocker lock(m_cacheMutex);
    ModeMap::iterator entry = m_modes.find(name);
    if (entry != m_modes.end()) {
        entry->second.reset();
    }
}

bool MediaRepository::isValid_() {
    {
        wxMutexLocker lock(m_cacheMutex);
        if (m_modes.empty()) {
            refreshModeMapLocked_();
        }
        if (m_modes.empty()) {
            return false;
        }
    }
    return impl::isFolder(m_root) && !m_invalidMarker->exists();
}

vfs::FileContentPtr MediaRepository::spContent_() {
    if (!m_spContent && m_spFile->getType() == vfs::FileType::FILE) {
        m_spContent = m_spFile->getContent();
    }
    return m_spContent;
}

vfs::InputStreamPtr MediaRepository::inputSPStream_() {
    wxMutexLocker lock(m_cacheMutex);
    vfs::FileContentPtr content = spContent_();
    return content ? content->getInputStream() : vfs::InputStreamPtr();
}

vfs::OutputStreamPtr MediaRepository::outputSPStream_() {
    wxMutexLocker lock(m_cacheMutex);
    vfs::FileContentPtr content = spContent_();
    return content ? content->getOutputStream() : vfs::OutputStreamPtr();
}

void MediaRepository::closeSPContent_() {
    wxMutexLocker lock(m_cacheMutex);
    if (m_spContent) {
        m_spContent->close();
    }
}

boost::shared_ptr<MediaCostSettings> MediaRepository::costSettings_() {
    // Under the cache mutex: readers of this process may create the file.
    wxMutexLocker lock(m_cacheMutex);
    if (!m_costFile->exists() && impl::isFolder(m_root)) {
        const bool created = vfs::replaceFileDurably(m_costFile, [](wxOutputStream& out) {
            out.Write(kDefaultCostDocument, strlen(kDefaultCostDocument));
        });
        if (created) {
            // Our own change must not make this repository look stale.
            impl::raiseTime(m_folderTime, impl::modificationTime(m_root));
        }
    }
    boost::shared_ptr<Settings> settings = readCostDocument(m_costFile);
    if (settings) {
        DataCouple<MediaCostSettings> couple =
            findCouple<MediaCostSettings>(*settings, kKeyCostSettings);
        try {
            return boost::make_shared<MediaCostSettings>(couple.get());
        } catch (const EmptyDataCoupleException&) {
        }
    }
    return boost::make_shared<MediaCostSettings>();
}

wxString MediaRepository::label_() const {
    const vfs::FileObjectPtr group = m_root->getParent();
    const boost::shared_ptr<PrinterRepository> printer = m_printer.lock();
    const vfs::FileObjectPtr printerFolder = printer ? printer->getFolder() : vfs::FileObjectPtr();
    return impl::mediaLabel(group ? group->getBaseName() : wxString(), m_root->getBaseName(),
                            printerFolder ? printerFolder->getBaseName() : wxString());
}

bool MediaRepository::copyTo_(const vfs::FileObjectPtr& folder, const vfs::CopyFilterPtr& filter) {
    const impl::CopySubject subject{NameKind::MEDIA, label_(), true};
    if (!impl::copyRepositoryFolder(*m_store, m_root, folder, true, subject, filter)) {
        return false;
    }
    // The copy may be a new media of the same printer: its media map takes
    // the new folders.
    notifyPrinter_(PrinterRepository::MEDIA_ADDED);
    return true;
}

// ---- Writer side -----------------------------------------------------------

bool MediaRepository::reload_(WriteFileLocker& locker) {
    const std::int64_t folderTime = impl::modificationTime(m_root);
    // Any other time, earlier ones too, is a change (see isStale).
    if (folderTime == m_folderTime.load() && !m_settingsStamp->changed(m_settingsFile)) {
        return false;
    }
    // The settings are read again whenever the folder moved: the settings
    // file is replaced by a rename, and a new file may carry the same time
    // stamp as the one it replaces when both were written within one tick
    // of the coarse file-system clock.
    const vfs::FileStamp stamp = m_settingsFile->getStamp();
    boost::shared_ptr<Settings> settings = m_store->load(locker);
    if (!FSRepository::hasRoot(settings, kMediaNode, m_settingsFile)) {
        settings.reset();
    }
    if (!settings) {
        VEXA_LOG_DEBUG("Error reloading settings for %s", m_root->getBaseName());
        return false;
    }
    wxMutexLocker lock(m_cacheMutex);
    m_settings = settings;
    m_settingsStamp->set(stamp);
    m_folderTime = folderTime;
    dropCaches_();
    // Modes whose folders went are forgotten; the others stay, since a mode
    // repository reloads itself when its folder changed. Dropping its handle
    // instead would let two repository objects (two in-process locks) of one
    // mode live at once.
    for (ModeMap::iterator entry = m_modes.begin(); entry != m_modes.end();) {
        bool gone = true;
        if (impl::isFolder(m_modesFolder)) {
            gone = !impl::isFolder(m_modesFolder->resolveChild(entry->first));
        }
        entry = gone ? m_modes.erase(entry) : std::next(entry);
    }
    refreshModeMapLocked_();
    return true;
}

void MediaRepository::dropCaches_() {
    m_inkCfg.reset();
    m_colorInfo.reset();
    m_resScaleAdjust.reset();
    m_pageSizes.reset();
    m_passInfo.reset();
    m_defaultMode.clear();
    m_jdfAlias.clear();
    m_jdfHigh.clear();
    m_jdfNormal.clear();
    m_jdfDraft.clear();
    m_spContent.reset();
    // The changes they recorded went with the old tree.
    m_changedKeys.clear();
}

void MediaRepository::setText_(wxString MediaRepository::*cache, const wxChar* key,
                               const wxString& value) {
    NamedNode::Ptr node = impl::firstNode(*m_settings, key);
    if (node) {
        node->setAttribute(wxString(wxT("value")), value);
    } else {
        NamedNode::Ptr media = impl::firstNode(*m_settings, kMediaNode);
        if (!media) {
            VEXA_LOG_WARNING("No node %s in the settings of %s", wxString(kMediaNode),
                             m_root->getBaseName());
            return;
        }
        node = NamedNode::Create(impl::lastKeyStep(key));
        node->setAttribute(wxString(wxT("value")), value);
        node->addTo(media);
    }
    {
        wxMutexLocker lock(m_cacheMutex);
        this->*cache = value;
    }
    recordChange_(key);
}

void MediaRepository::recordChange_(const wxChar* key) {
    m_changedKeys.push_back(key);
}

int MediaRepository::setCostSettings_(const boost::shared_ptr<MediaCostSettings>& costs) {
    if (!costs) {
        return -1;
    }
    boost::shared_ptr<Settings> settings = readCostDocument(m_costFile);
    if (!settings) {
        return 1;
    }
    // The first cost node is the one read back; other nodes of the file stay.
    NamedNode::Ptr node = impl::firstNode(*settings, kKeyCostSettings);
    if (node) {
        DataStrategy<MediaCostSettings>().storeInto(costs, node);
    } else {
        DataStrategy<MediaCostSettings>().storeNew(costs, impl::firstNode(*settings, kCostNode),
                                                   impl::lastKeyStep(kKeyCostSettings));
    }
    // Written beside the file and renamed over it: a failure at any point
    // leaves the previous cost settings whole.
    if (!impl::isFolder(m_root) || !FSRepository::storeSettings(settings, m_costFile)) {
        return 1;
    }
    impl::raiseTime(m_folderTime, impl::modificationTime(m_root));
    return 0;
}

bool MediaRepository::save_() {
    if (m_changedKeys.empty()) {
        return true;
    }
    try {
        NamedNode::Ptr media = impl::firstNode(*m_settings, kMediaNode);
        if (!media) {
            throw RepositoryException(wxT("No media node to store values in"));
        }
        const Settings& settings = *m_settings;
        if (contains(m_changedKeys, kKeyPageSizes) && m_pageSizes) {
            storeValue(settings, kKeyPageSizes, m_pageSizes, media);
        }
        if (contains(m_changedKeys, kKeyColorInfo) && m_colorInfo) {
            storeValue(settings, kKeyColorInfo, m_colorInfo, media);
        }
        if (contains(m_changedKeys, kKeyResScaleAdjust) && m_resScaleAdjust) {
            storeValue(settings, kKeyResScaleAdjust, m_resScaleAdjust, media);
        }
        if (contains(m_changedKeys, kKeyInkCfg) && m_inkCfg) {
            storeValue(settings, kKeyInkCfg, m_inkCfg, media);
        }
        if (contains(m_changedKeys, kKeyPassInfo) && m_passInfo) {
            storeValue(settings, kKeyPassInfo, m_passInfo, media);
        }
        if (!storeSettings_(m_settings)) {
            return false;
        }
    } catch (const RepositoryException& e) {
        VEXA_LOG_DEBUG("Error saving settings for %s: %s", m_root->getBaseName(), e.getMessage());
        return false;
    }
    m_changedKeys.clear();
    return true;
}

bool MediaRepository::storeSettings_(const boost::shared_ptr<Settings>& settings) {
    if (!m_store->store(settings)) {
        return false;
    }
    m_settingsStamp->take(m_settingsFile);
    impl::raiseTime(m_folderTime, impl::modificationTime(m_root));
    changed_(PrinterRepository::MEDIA_SAVED);
    return true;
}

bool MediaRepository::remove_(boost::shared_ptr<WriteFileLocker>& locker) {
    const wxString label = label_();
    if (m_root->isSymbolicLink()) {
        // Removed as a link: what it points at is not this repository's.
        locker.reset();
        if (!impl::removeObject(m_root)) {
            return false;
        }
        notifyPrinter_(PrinterRepository::MEDIA_REMOVED);
        return true;
    }
    if (!impl::isFolder(m_root)) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, label + wxT(" is gone"));
        return false;
    }
    // Nothing changes while another process holds one of the modes; then
    // each mode goes under its own locks.
    if (!impl::checkInnerFolders(m_root, false, label)) {
        return false;
    }
    // Readers of other processes see an invalid media should the removal
    // stop half-way.
    m_invalidMarker->createFile();
    if (!impl::removeInnerFolders(m_root, false, label) || !impl::removeContents(m_root)) {
        return false;
    }
    {
        wxMutexLocker lock(m_cacheMutex);
        m_modes.clear();
    }
    locker.reset();
    if (!impl::removeObject(m_root)) {
        return false;
    }
    notifyPrinter_(PrinterRepository::MEDIA_REMOVED);
    return true;
}

void MediaRepository::changed_(int code) {
    if (impl::isFolder(m_root)) {
        m_root->setLastModifiedTime(0);
        vfs::FileObjectPtr parent = m_root->getParent();
        if (impl::isFolder(parent)) {
            parent->setLastModifiedTime(0);
        }
        impl::raiseTime(m_folderTime, impl::modificationTime(m_root));
    }
    notifyPrinter_(code);
}

void MediaRepository::notifyPrinter_(int code) {
    boost::shared_ptr<PrinterRepository> printer = m_printer.lock();
    if (printer) {
        printer->notifyMediaChange(code, m_root);
    }
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
