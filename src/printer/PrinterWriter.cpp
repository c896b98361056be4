#include "repos/PrinterWriter.h"

#include <wx/utils.h>

#include <algorithm>
#include <boost/make_shared.hpp>
#include <cerrno>

#include "kernel/Failure.h"
#include "logger/Log.h"
#include "printer/InnerLocks.h"
#include "printer/PrinterKeys.h"
#include "repos/DataCouple.h"
#include "repos/LegacyMediaName.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/NameRules.h"
#include "repos/RepositoryException.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"
#include "vfs/src/impl/NameScope.h"

namespace vexa {
namespace repos {
namespace printer {

namespace {

// The node every printer key lives under: the first node at "Printer".
NamedNode::Ptr printerNode(const Settings& settings) {
    const std::list<NamedNode::Ptr> nodes = SettingsAccess::findNodes(settings, keys::kPrinter);
    return nodes.empty() ? NamedNode::Ptr() : nodes.front();
}

// A name that reaches one folder inside its parent: any existing folder's
// name qualifies, also one a new object may not be given.
bool isFolderName(const wxString& name) {
    return !name.empty() && name != wxT(".") && name != wxT("..") &&
           name.find(wxT('/')) == wxString::npos;
}

wxString labelOf(const vfs::FileObjectPtr& folder) {
    return impl::printerLabel(folder ? folder->getBaseName() : wxString());
}

}  // namespace

PrinterWriter::PrinterWriter(const boost::shared_ptr<PrinterRepository>& repository)
    : m_repository(repository) {
    // The exclusive handle is opened before waiting for the in-process lock,
    // so that no other process slips in meanwhile.
    const vfs::FileObjectPtr folder = repository->getFolder();
    if (folder && folder->exists()) {
        m_writeFileLocker =
            boost::make_shared<WriteFileLocker>(boost::atomic_load(&repository->m_fileLock));
    }
}

PrinterWriter::~PrinterWriter() {
    m_writeFileLocker.reset();
    m_writeLocker.reset();
}

boost::shared_ptr<PrinterWriter> PrinterWriter::getWriter(const wxString& printerName) {
    return getWriter(PrinterRepository::createRepository(printerName, kSettingsFileName));
}

boost::shared_ptr<PrinterWriter> PrinterWriter::getWriter(
    boost::shared_ptr<PrinterRepository> repository) {
    if (!repository) {
        return boost::shared_ptr<PrinterWriter>();
    }
    boost::shared_ptr<PrinterWriter> writer(new PrinterWriter(repository));
    // Another process holds the printer: waiting for it a second time after
    // the in-process lock would only double the wait.
    if (writer->m_writeFileLocker && !writer->m_writeFileLocker->holdsLock()) {
        return boost::shared_ptr<PrinterWriter>();
    }
    if (!writer->lockForWriting_()) {
        return boost::shared_ptr<PrinterWriter>();
    }
    if (repository->isOutdated()) {
        repository->refresh_(writer->m_writeFileLocker.get());
    }
    return writer;
}

bool PrinterWriter::lockForWriting_() {
    if (!m_repository) {
        return false;
    }
    if (!m_writeLocker) {
        m_writeLocker = boost::make_shared<impl::WriteLocker>(*m_repository->m_rwMutex);
        if (!m_writeLocker->held()) {
            m_writeLocker.reset();  // this thread holds the printer already
            m_writeFileLocker.reset();
            return false;
        }
    }
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    if (!folder || !folder->exists()) {
        return true;
    }
    // The new token is taken before the old one goes: the process keeps the
    // lock throughout.
    m_writeFileLocker =
        boost::make_shared<WriteFileLocker>(boost::atomic_load(&m_repository->m_fileLock));
    if (!m_writeFileLocker->holdsLock()) {
        m_writeFileLocker.reset();
        m_writeLocker.reset();
        return false;
    }
    return true;
}

// ---- Setters ---------------------------------------------------------------

void PrinterWriter::setAttributes_(const wxChar* key, const wxString& nodeName,
                                   const std::map<wxString, wxString>& attributes) {
    const boost::shared_ptr<Settings> settings = m_repository->getSettings();
    if (!settings) {
        return;
    }
    try {
        DataCouple<NamedNodeData> couple = findCouple<NamedNodeData>(*settings, key);
        NamedNodeData& data = couple.modify();
        for (const auto& attribute : attributes) {
            data.attributes[attribute.first] = attribute.second;
        }
    } catch (const EmptyDataCoupleException&) {
        const NamedNode::Ptr parent = printerNode(*settings);
        if (parent) {
            NamedNode::Create(nodeName, attributes)->addTo(parent);
        }
    }
}

void PrinterWriter::setText_(PrinterRepository::CachedText& cache, const wxChar* key,
                             const wxString& text, bool always) {
    if (!always) {
        // Compared with the value in force, read first when not cached yet:
        // a text equal to an uncached empty cache may still differ from the
        // file.
        if (text == m_repository->lazyText_(cache, key)) {
            return;
        }
    }
    std::map<wxString, wxString> attributes;
    attributes[wxT("value")] = text;
    setAttributes_(key, keys::lastStep(key), attributes);
    cache.set(text);
    m_repository->m_changedKeys.push_back(key);
}

void PrinterWriter::setPortType(wxString portType) {
    setText_(m_repository->m_portType, keys::kPortName, portType, false);
}

void PrinterWriter::setPortData(wxString portData) {
    setText_(m_repository->m_portData, keys::kPortData, portData, true);
}

void PrinterWriter::setVirtualPrinterExtension(wxString extension) {
    setText_(m_repository->m_virtualPrinterExtension, keys::kVirtualExt, extension, false);
}

void PrinterWriter::setDefaultPageSize(const wxString& pageSize) {
    setText_(m_repository->m_defaultPageSize, keys::kDefaultPageSize, pageSize, false);
}

void PrinterWriter::setActive(bool active) {
    if (active == m_repository->m_active) {
        return;
    }
    std::map<wxString, wxString> attributes;
    attributes[wxT("value")] = active ? wxT("true") : wxT("false");
    setAttributes_(keys::kActive, wxT("Active"), attributes);
    m_repository->m_active = active;
    m_repository->m_changedKeys.push_back(keys::kActive);
}

void PrinterWriter::setDefaultMedia(const wxString& group, const wxString& media) {
    const wxString groupName = group.empty() ? wxString(kUngroupedGroup) : group;
    // Compared with the value in force (read first when not cached yet).
    m_repository->defaultMedia_();
    if (media == m_repository->m_defaultMediaName &&
        groupName == m_repository->m_defaultMediaGroup) {
        return;
    }
    std::map<wxString, wxString> attributes;
    attributes[wxT("group")] = groupName;
    attributes[wxT("media")] = media;
    setAttributes_(keys::kDefaultMedia, wxT("DefaultMedia"), attributes);
    m_repository->m_defaultMediaGroup = groupName;
    m_repository->m_defaultMediaName = media;
    m_repository->m_changedKeys.push_back(keys::kDefaultMedia);
}

void PrinterWriter::setDefaultMediaLegacy(const wxString& legacyName) {
    wxString group;
    wxString media;
    splitLegacyMediaName(legacyName, group, media);
    setDefaultMedia(group, media);
}

void PrinterWriter::setDotInfo(const dotinfo* dotInfo) {
    if (dotInfo != nullptr) {
        m_repository->m_dotInfo = boost::make_shared<DotInfo>(dotInfo);
    }
    m_repository->m_changedKeys.push_back(keys::kDotInfo);
}

void PrinterWriter::setPageSizes(SSTRAL* pageSizes) {
    if (pageSizes != nullptr) {
        m_repository->m_pageSizes = boost::make_shared<PageSizes>(pageSizes);
    }
    m_repository->m_changedKeys.push_back(keys::kPageSizes);
}

void PrinterWriter::setPortList(const SSTRAL* portList) {
    if (portList != nullptr) {
        m_repository->m_portList = boost::make_shared<PortList>(portList);
    }
    m_repository->m_changedKeys.push_back(keys::kPortList);
}

void PrinterWriter::setScreenSetups(_SCREENSETUP* screenSetups) {
    if (screenSetups != nullptr) {
        m_repository->m_screenSetups = boost::make_shared<ScreenSetup>(screenSetups);
    }
    m_repository->m_changedKeys.push_back(keys::kScreenSetup);
}

// ---- Saving ----------------------------------------------------------------

template <class T>
bool PrinterWriter::storeObject_(const boost::shared_ptr<T>& cache, const wxChar* key) {
    const std::list<wxString>& changed = m_repository->m_changedKeys;
    if (!cache || std::find(changed.begin(), changed.end(), wxString(key)) == changed.end()) {
        return true;
    }
    const boost::shared_ptr<Settings> settings = m_repository->getSettings();
    if (!settings) {
        return false;
    }
    try {
        try {
            // The couple writes the value into its node when it goes.
            DataCouple<T> couple = findCouple<T>(*settings, key);
            couple.modify() = *cache;
        } catch (const EmptyDataCoupleException&) {
            const NamedNode::Ptr parent = printerNode(*settings);
            if (!parent) {
                return false;
            }
            DataStrategy<T>().storeNew(cache, parent, keys::lastStep(key));
        }
    } catch (const RepositoryException&) {
        return false;
    }
    return true;
}

wxString PrinterWriter::getTextValue(const wxString& keyPath) const {
    const boost::shared_ptr<Settings> settings = m_repository->getSettings();
    if (!settings) {
        return wxString();
    }
    const std::list<NamedNode::Ptr> found = SettingsAccess::findNodes(*settings, keyPath);
    return found.empty() ? wxString() : found.front()->getAttribute(wxString(wxT("value")));
}

bool PrinterWriter::save() {
    if (m_repository->m_changedKeys.empty()) {
        return true;
    }
    bool result = true;
    result = storeObject_(m_repository->m_pageSizes, keys::kPageSizes) && result;
    result = storeObject_(m_repository->m_portList, keys::kPortList) && result;
    result = storeObject_(m_repository->m_screenSetups, keys::kScreenSetup) && result;
    result = storeObject_(m_repository->m_dotInfo, keys::kDotInfo) && result;
    if (!result) {
        return false;
    }
    if (!m_repository->saveSettingsChecked_(m_repository->getSettings())) {
        return false;
    }
    m_repository->m_changedKeys.clear();
    return true;
}

// ---- Renaming, relocating, removing ----------------------------------------

bool PrinterWriter::setPrinterName(wxString newName) {
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    if (folder && folder->getBaseName() == newName) {
        return true;
    }
    if (!checkName(NameKind::PRINTER, newName)) {
        return false;
    }
    if (!folder || !folder->exists()) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                              wxString::Format(wxT("%s no longer exists"), labelOf(folder)));
        return false;
    }
    const vfs::FileObjectPtr parent = folder->getParent();
    const vfs::FileObjectPtr target = parent ? parent->resolveChild(newName) : vfs::FileObjectPtr();
    if (!target || target->exists() || target->isSymbolicLink()) {
        kernel::recordFailure(kernel::FailureCode::ALREADY_EXISTS,
                              wxString::Format(wxT("printer '%s' already exists"), newName),
                              target ? target->getName()->getNativePath() : wxString());
        return false;
    }
    // Nothing inside may be in use elsewhere: the folder is about to move
    // from under it.
    const bool linked = folder->isSymbolicLink();
    if (!impl::checkInnerFolders(folder, true, labelOf(folder))) {
        return false;
    }
    save();
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_repository->m_settingsFile);
    const wxString settingsName = settingsFile ? settingsFile->getBaseName() : wxString();
    // Renaming a link moves only the link, at once: there is no half-done
    // state to mark, and nothing is written where the link points.
    if (!linked) {
        folder->resolveChild(keys::kInvalidMarker)->createFile();
    }
    {
        // No lookup may build a second repository over the moved folder
        // before this one is registered under the new name.
        std::lock_guard<std::mutex> catalog(PrinterCatalog::mutex_());
        m_writeFileLocker.reset();
        bool moved = false;
        errno = 0;
        try {
            moved = folder->moveTo(target);
        } catch (const vfs::FileSystemException&) {
            moved = false;
        }
        if (moved) {
            m_repository->relocate_(target, settingsName, true);
        }
        if (!moved) {
            kernel::recordOsFailure(errno != 0 ? errno : EIO, wxT("cannot rename"),
                                    folder->getName()->getNativePath());
            // The folder keeps its ".invalid" marker.
            lockForWriting_();
            VEXA_LOG_DEBUG("Error: Printer name was not changed");
            return false;
        }
    }
    lockForWriting_();
    if (!linked) {
        target->resolveFile(keys::kInvalidMarker, vfs::NameScope::FILE_SYSTEM)->remove();
    }
    // Moving and unmarking are this writer's own changes.
    m_repository->m_folderTime = target->getLastModifiedTimeNs();
    return true;
}

void PrinterWriter::updateLocation(const wxString& path) {
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    const vfs::FileObjectPtr settingsFile = boost::atomic_load(&m_repository->m_settingsFile);
    if (!folder || !settingsFile || path.empty()) {
        return;
    }
    const vfs::FileObjectPtr parent = folder->getParent();
    const vfs::FileSystemPtr fileSystem =
        parent ? parent->getFileSystem() : folder->getFileSystem();
    const vfs::FileObjectPtr newFolder =
        fileSystem ? fileSystem->resolveFile(path) : vfs::FileObjectPtr();
    // Only an existing folder: resolving below a missing one would make it.
    if (!newFolder || newFolder->getType() != vfs::FileType::FOLDER) {
        return;
    }
    m_repository->relocate_(newFolder, settingsFile->getBaseName(), false);
    lockForWriting_();
    m_repository->m_folderTime = newFolder->getLastModifiedTimeNs();
}

bool PrinterWriter::removePrinter() {
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    if (!folder) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, wxT("the printer has no folder"));
        return false;
    }
    const wxString label = labelOf(folder);
    // Checked before anything changes: a refusal leaves the printer whole.
    if (!impl::checkInnerFolders(folder, true, label)) {
        return false;
    }
    const bool linked = folder->isSymbolicLink();
    if (!linked && folder->exists()) {
        folder->resolveChild(keys::kInvalidMarker)->createFile();
    }
    {
        std::lock_guard<std::mutex> catalog(PrinterCatalog::mutex_());
        PrinterCatalog::forgetLocked_(folder->getBaseName(), m_repository.get());
    }
    {
        // The medias' repositories stay with those who hold them; the map
        // forgets them, since their folders are about to go.
        wxMutexLocker lock(*m_repository->m_fillMutex);
        m_repository->m_mediaMap.clear();
    }
    // A linked printer is removed as a link: what it points at is not ours.
    if (!linked &&
        (!impl::removeInnerFolders(folder, true, label) || !impl::removeContents(folder))) {
        return false;  // the marker stays: `check` reports it, a second removal finishes
    }
    m_writeFileLocker.reset();
    return impl::removeObject(folder);
}

bool PrinterWriter::removePrinterFolder(const wxString& printerName) {
    // Any existing folder's name, also one a new printer may not have (not
    // UTF-8, a blank at the end, a '\\'), as long as it stays in "Printers".
    if (!isFolderName(printerName)) {
        kernel::recordFailure(kernel::FailureCode::INVALID_NAME,
                              wxT("no printer folder can be named '") + printerName + wxT("'"));
        return false;
    }
    // A printer whose settings can be read goes through its repository, so
    // that this process's readers and writers of it are waited for.
    const boost::shared_ptr<PrinterRepository> repository =
        PrinterCatalog::getRepository(printerName, kSettingsFileName);
    if (repository) {
        const boost::shared_ptr<PrinterWriter> writer = getWriter(repository);
        return writer && writer->removePrinter();
    }
    const vfs::FileObjectPtr printers = SystemRepository::getPrintersFolder();
    const vfs::FileObjectPtr folder =
        printers && printers->exists() ? printers->resolveChild(printerName) : vfs::FileObjectPtr();
    const wxString label = impl::printerLabel(printerName);
    if (!folder || (!folder->exists() && !folder->isSymbolicLink())) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, wxT("no ") + label);
        return false;
    }
    if (folder->isSymbolicLink()) {
        return impl::removeObject(folder);
    }
    if (folder->getType() != vfs::FileType::FOLDER) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                              label + wxT(" is a file, not a printer folder"),
                              folder->getName()->getNativePath());
        return false;
    }
    impl::FolderHold hold(folder, label);
    if (!hold.held() || !impl::checkInnerFolders(folder, true, label)) {
        return false;
    }
    folder->resolveChild(keys::kInvalidMarker)->createFile();
    if (!impl::removeInnerFolders(folder, true, label) || !impl::removeContents(folder)) {
        return false;
    }
    hold.release();
    return impl::removeObject(folder);
}

bool PrinterWriter::removeMediaFolder(const wxString& group, const wxString& media) {
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    const wxString groupName = group.empty() ? wxString(kUngroupedGroup) : group;
    const wxString label =
        impl::mediaLabel(groupName, media, folder ? folder->getBaseName() : wxString());
    if (!isFolderName(media) || !isFolderName(groupName)) {
        kernel::recordFailure(kernel::FailureCode::INVALID_NAME, wxT("no such ") + label);
        return false;
    }
    const vfs::FileObjectPtr medias = m_repository->getMediasFolder();
    vfs::FileObjectPtr mediaFolder;
    if (medias && medias->getType() == vfs::FileType::FOLDER) {
        const vfs::FileObjectPtr groupFolder = medias->resolveChild(groupName);
        if (groupFolder && groupFolder->getType() == vfs::FileType::FOLDER) {
            mediaFolder = groupFolder->resolveChild(media);
        }
    }
    if (!mediaFolder || (!mediaFolder->exists() && !mediaFolder->isSymbolicLink())) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND, wxT("no ") + label);
        return false;
    }
    bool removed = false;
    if (mediaFolder->isSymbolicLink()) {
        removed = impl::removeObject(mediaFolder);
    } else {
        impl::FolderHold hold(mediaFolder, label);
        if (!hold.held() || !impl::checkInnerFolders(mediaFolder, false, label)) {
            return false;
        }
        mediaFolder->resolveChild(keys::kInvalidMarker)->createFile();
        if (!impl::removeInnerFolders(mediaFolder, false, label) ||
            !impl::removeContents(mediaFolder)) {
            return false;
        }
        hold.release();
        removed = impl::removeObject(mediaFolder);
    }
    if (removed) {
        m_repository->notifyMediaChange(PrinterRepository::MEDIA_REMOVED, mediaFolder);
    }
    return removed;
}

bool PrinterWriter::removeMedia(const wxString&, const wxString&) {
    return false;
}

bool PrinterWriter::removeMediaLegacy(const wxString&) {
    return false;
}

// ---- SP settings -----------------------------------------------------------

boost::shared_ptr<wxOutputStream> PrinterWriter::getOutputSPSettingsStream() {
    return m_repository->getOutputSPSettingsStream_();
}

void PrinterWriter::closeSPSettingsStream() {
    m_repository->closeSPSettingsStream_();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
