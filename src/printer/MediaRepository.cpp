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
    : FolderRepository(root, settingsFile, kMediaNode, wxT("media")),
      m_printer(printer),
      m_labelChannel(0) {
    // Resolved now, while the folder exists: resolving below a missing
    // folder would create it again.
    m_modesFolder = root->resolveChild(kModesFolderName);
    m_costFile = root->resolveChild(kMediaCostFileName);
    m_spFile = root->resolveChild(kSPSettingsFileName);
}

MediaRepository::~MediaRepository() = default;

boost::shared_ptr<MediaRepository> MediaRepository::createRepository(
    vfs::FileObjectPtr root, boost::shared_ptr<PrinterRepository> printer,
    vfs::FileObjectPtr settingsFile) {
    return create_<MediaRepository>(root, printer, settingsFile, wxT("media"));
}

boost::shared_ptr<MediaRepository> MediaRepository::createRepository(
    const wxString& path, boost::shared_ptr<PrinterRepository> printer,
    const wxString& settingsName) {
    return createAt_<MediaRepository>(path, printer, settingsName, wxT("media"));
}

boost::shared_ptr<MediaReader> MediaRepository::getReader() {
    return MediaReader::getReader(shared_from_this());
}

boost::shared_ptr<MediaWriter> MediaRepository::getWriter() {
    return MediaWriter::getWriter(shared_from_this());
}

void MediaRepository::saveSettings(boost::shared_ptr<Settings> settings) {
    storeSettings_(settings);
}

void MediaRepository::refreshModeMap() {
    wxMutexLocker lock(*m_fillMutex);
    refreshModeMapLocked_();
}

// ---- Reader side -----------------------------------------------------------

template <class T>
boost::shared_ptr<T> MediaRepository::cachedObject_(boost::shared_ptr<T> MediaRepository::*cache,
                                                    const wxChar* key) {
    wxMutexLocker lock(*m_fillMutex);
    boost::shared_ptr<T>& value = this->*cache;
    if (!value) {
        value = loadFirst<T>(*m_settings, key);
        if (!value) {
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
    wxMutexLocker lock(*m_fillMutex);
    DataCouple<LabelChannel> couple = findCouple<LabelChannel>(*m_settings, kKeyLabelChannel);
    try {
        m_labelChannel = couple.get().getLabelChannel();
    } catch (const EmptyDataCoupleException&) {
        m_labelChannel = 0;
    }
    return m_labelChannel;
}

wxString MediaRepository::cachedText_(wxString MediaRepository::*cache, const wxChar* key) {
    wxMutexLocker lock(*m_fillMutex);
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
    wxMutexLocker lock(*m_fillMutex);
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
    wxMutexLocker lock(*m_fillMutex);
    if (m_modes.empty()) {
        refreshModeMapLocked_();
    }
    return m_modes;
}

void MediaRepository::clearMode_(const wxString& name) {
    wxMutexLocker lock(*m_fillMutex);
    ModeMap::iterator entry = m_modes.find(name);
    if (entry != m_modes.end()) {
        entry->second.reset();
    }
}

bool MediaRepository::isValid_() {
    {
        wxMutexLocker lock(*m_fillMutex);
        if (m_modes.empty()) {
            refreshModeMapLocked_();
        }
        if (m_modes.empty()) {
            return false;
        }
    }
    return impl::isFolder(m_folder) && !m_invalidMarker->exists();
}

vfs::FileContentPtr MediaRepository::spContent_() {
    if (!m_spContent && m_spFile->getType() == vfs::FileType::FILE) {
        m_spContent = m_spFile->getContent();
    }
    return m_spContent;
}

vfs::InputStreamPtr MediaRepository::inputSPStream_() {
    wxMutexLocker lock(*m_fillMutex);
    vfs::FileContentPtr content = spContent_();
    return content ? content->getInputStream() : vfs::InputStreamPtr();
}

vfs::OutputStreamPtr MediaRepository::outputSPStream_() {
    wxMutexLocker lock(*m_fillMutex);
    vfs::FileContentPtr content = spContent_();
    return content ? content->getOutputStream() : vfs::OutputStreamPtr();
}

void MediaRepository::closeSPContent_() {
    wxMutexLocker lock(*m_fillMutex);
    if (m_spContent) {
        m_spContent->close();
    }
}

boost::shared_ptr<MediaCostSettings> MediaRepository::costSettings_() {
    // Under the cache mutex: readers of this process may create the file.
    wxMutexLocker lock(*m_fillMutex);
    if (!m_costFile->exists() && impl::isFolder(m_folder)) {
        const bool created = vfs::replaceFileDurably(m_costFile, [](wxOutputStream& out) {
            out.Write(kDefaultCostDocument, strlen(kDefaultCostDocument));
        });
        if (created) {
            // Our own change must not make this repository look stale.
            takeFolderTime_();
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
    const vfs::FileObjectPtr group = m_folder->getParent();
    const boost::shared_ptr<PrinterRepository> printer = m_printer.lock();
    const vfs::FileObjectPtr printerFolder = printer ? printer->getFolder() : vfs::FileObjectPtr();
    return impl::mediaLabel(group ? group->getBaseName() : wxString(), m_folder->getBaseName(),
                            printerFolder ? printerFolder->getBaseName() : wxString());
}

bool MediaRepository::copyTo_(const vfs::FileObjectPtr& folder, const vfs::CopyFilterPtr& filter) {
    const impl::CopySubject subject{NameKind::MEDIA, label_(), true};
    if (!impl::copyRepositoryFolder(*m_store, m_folder, folder, true, subject, filter)) {
        return false;
    }
    // The copy may be a new media of the same printer: its media map takes
    // the new folders.
    notifyPrinter_(PrinterRepository::MEDIA_ADDED);
    return true;
}

// ---- Writer side -----------------------------------------------------------

void MediaRepository::reloaded_() {
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
                             m_folder->getBaseName());
            return;
        }
        node = NamedNode::Create(impl::lastKeyStep(key));
        node->setAttribute(wxString(wxT("value")), value);
        node->addTo(media);
    }
    {
        wxMutexLocker lock(*m_fillMutex);
        this->*cache = value;
    }
    recordChange_(key);
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
    if (!impl::isFolder(m_folder) || !FSRepository::storeSettings(settings, m_costFile)) {
        return 1;
    }
    takeFolderTime_();
    return 0;
}

void MediaRepository::storeChanges_(const NamedNode::Ptr& media) {
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
}

bool MediaRepository::storeSettings_(const boost::shared_ptr<Settings>& settings) {
    if (!store_(settings)) {
        return false;
    }
    changed_(PrinterRepository::MEDIA_SAVED);
    return true;
}

bool MediaRepository::remove_(boost::shared_ptr<WriteFileLocker>& locker) {
    const wxString label = label_();
    if (m_folder->isSymbolicLink()) {
        // Removed as a link: what it points at is not this repository's.
        locker.reset();
        if (!impl::removeObject(m_folder)) {
            return false;
        }
        notifyPrinter_(PrinterRepository::MEDIA_REMOVED);
        return true;
    }
    if (!impl::isFolder(m_folder)) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, label + wxT(" is gone"));
        return false;
    }
    // Nothing changes while another process holds one of the modes; then
    // each mode goes under its own locks.
    if (!impl::checkInnerFolders(m_folder, false, label)) {
        return false;
    }
    // Readers of other processes see an invalid media should the removal
    // stop half-way.
    m_invalidMarker->createFile();
    if (!impl::removeInnerFolders(m_folder, false, label) || !impl::removeContents(m_folder)) {
        return false;
    }
    {
        wxMutexLocker lock(*m_fillMutex);
        m_modes.clear();
    }
    locker.reset();
    if (!impl::removeObject(m_folder)) {
        return false;
    }
    notifyPrinter_(PrinterRepository::MEDIA_REMOVED);
    return true;
}

void MediaRepository::changed_(PrinterRepository::MediaChange code) {
    if (impl::isFolder(m_folder)) {
        m_folder->setLastModifiedTime(0);
        vfs::FileObjectPtr parent = m_folder->getParent();
        if (impl::isFolder(parent)) {
            parent->setLastModifiedTime(0);
        }
        takeFolderTime_();
    }
    notifyPrinter_(code);
}

void MediaRepository::notifyPrinter_(PrinterRepository::MediaChange code) {
    boost::shared_ptr<PrinterRepository> printer = m_printer.lock();
    if (printer) {
        printer->notifyMediaChange(code, m_folder);
    }
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
