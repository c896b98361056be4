#include "repos/PrinterReader.h"

#include <boost/make_shared.hpp>

#include "kernel/Text.h"
#include "kernel/VexKernel.h"
#include "printer/PrinterKeys.h"
#include "repos/LegacyMediaName.h"
#include "repos/PrinterWriter.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace repos {
namespace printer {

PrinterReader::PrinterReader(const boost::shared_ptr<PrinterRepository>& repository,
                             const boost::shared_ptr<wxMutex>& fillMutex)
    : m_repository(repository), m_fillMutex(fillMutex) {}

PrinterReader::~PrinterReader() {
    // File lock first, then the in-process lock: the reverse of taking them.
    m_readFileLocker.reset();
    m_readLocker.reset();
}

boost::shared_ptr<PrinterReader> PrinterReader::getReader(const wxString& printerName) {
    // A printer loaded by this call was read under a file lock that the
    // reader now shares: nobody can have saved in between, and the lock file
    // is opened once, not twice (a host opens every printer at start-up).
    bool made = false;
    boost::shared_ptr<ReadFileLocker> loadLock;
    const boost::shared_ptr<PrinterRepository> repository =
        PrinterCatalog::lookUp_(printerName, kSettingsFileName, &made, &loadLock);
    return getReader_(repository, made);
}

boost::shared_ptr<PrinterReader> PrinterReader::getReader(
    boost::shared_ptr<PrinterRepository> repository) {
    return getReader_(repository, false);
}

boost::shared_ptr<PrinterReader> PrinterReader::getReader_(
    const boost::shared_ptr<PrinterRepository>& repository, bool fresh) {
    if (!repository) {
        return boost::shared_ptr<PrinterReader>();
    }
    // A repository loaded by this very call took its times before the load
    // and found its folder and settings file then: the next call looks
    // again.
    bool folderSeen = fresh;
    if (!fresh) {
        const PrinterRepository::State state = repository->state_();
        if (state.outdated) {
            // Taking a writer of an outdated repository brings it up to date.
            PrinterWriter::getWriter(repository);
            if (!repository->isValid()) {
                return boost::shared_ptr<PrinterReader>();
            }
        } else if (!state.valid) {
            return boost::shared_ptr<PrinterReader>();
        } else {
            folderSeen = state.folderExists;
        }
    }
    boost::shared_ptr<PrinterReader> reader(new PrinterReader(repository, repository->m_fillMutex));
    if (!reader->lockForReading_(folderSeen)) {
        return boost::shared_ptr<PrinterReader>();
    }
    return reader;
}

bool PrinterReader::lockForReading_(bool folderSeen) {
    m_readLocker = boost::make_shared<impl::ReadLocker>(*m_repository->m_rwMutex);
    if (!m_readLocker->held()) {
        m_readLocker.reset();  // this thread holds the printer's writer
        return false;
    }
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    if (folder && (folderSeen || folder->exists())) {
        m_readFileLocker =
            boost::make_shared<ReadFileLocker>(boost::atomic_load(&m_repository->m_fileLock));
    }
    if (!m_readFileLocker || !m_readFileLocker->holdsLock()) {
        m_readFileLocker.reset();
        m_readLocker.reset();
        return false;
    }
    return true;
}

bool PrinterReader::copyTo(const wxString& destination) {
    return m_repository->copyTo_(destination, vfs::CopyFilterPtr());
}

bool PrinterReader::copyTo(boost::shared_ptr<vfs::FileObject> destination) {
    return m_repository->copyTo_(destination, false, vfs::CopyFilterPtr());
}

bool PrinterReader::copyTo(const wxString& destination, const vfs::CopyFilterPtr& filter) {
    return m_repository->copyTo_(destination, filter);
}

wxString PrinterReader::getPrinterName() {
    const vfs::FileObjectPtr folder = m_repository->getFolder();
    return folder ? folder->getBaseName() : wxString();
}

wxString PrinterReader::getRootPath() {
    return m_repository->getRootPath();
}

wxString PrinterReader::getDeviceName() const {
    return m_repository->m_deviceName;
}

wxString PrinterReader::getDllModule() const {
    return m_repository->m_dllModule;
}

wxString PrinterReader::getPPDFile() const {
    return m_repository->m_ppdFile;
}

wxString PrinterReader::getPortType() {
    return m_repository->lazyText_(m_repository->m_portType, keys::kPortName);
}

wxString PrinterReader::getPortData() {
    return m_repository->lazyText_(m_repository->m_portData, keys::kPortData);
}

wxString PrinterReader::getTCPAdditionalPort() {
    return m_repository->lazyText_(m_repository->m_tcpAdditionalPort, keys::kTCPPortAdd);
}

wxString PrinterReader::getTCPDefaultPort() {
    return m_repository->lazyText_(m_repository->m_tcpDefaultPort, keys::kTCPPortDefault);
}

wxString PrinterReader::getVirtualPrinterExtension() {
    return m_repository->lazyText_(m_repository->m_virtualPrinterExtension, keys::kVirtualExt);
}

wxString PrinterReader::getDefaultPageSize() {
    return m_repository->lazyText_(m_repository->m_defaultPageSize, keys::kDefaultPageSize);
}

std::pair<wxString, wxString> PrinterReader::getDefaultMedia() {
    return m_repository->defaultMedia_();
}

wxString PrinterReader::getDefaultMediaLegacy() {
    const std::pair<wxString, wxString> media = m_repository->defaultMedia_();
    return joinLegacyMediaName(media.second, media.first);
}

boost::shared_ptr<DotInfo> PrinterReader::getDotInfo() {
    return m_repository->lazyObject_(m_repository->m_dotInfo, keys::kDotInfo, true);
}

boost::shared_ptr<InkType> PrinterReader::getInkTypes() {
    return m_repository->lazyObject_(m_repository->m_inkTypes, keys::kInkTypes, false);
}

boost::shared_ptr<PageSizes> PrinterReader::getPageSizes() {
    return m_repository->lazyObject_(m_repository->m_pageSizes, keys::kPageSizes, true);
}

boost::shared_ptr<PortList> PrinterReader::getPortList() {
    return m_repository->lazyObject_(m_repository->m_portList, keys::kPortList, true);
}

boost::shared_ptr<ScreenSetup> PrinterReader::getScreenSetups() {
    return m_repository->lazyObject_(m_repository->m_screenSetups, keys::kScreenSetup, true);
}

boost::shared_ptr<ResList> PrinterReader::getDefaultResolutions() {
    return m_repository->lazyObject_(m_repository->m_defaultResolutions, keys::kDefaultRes, true);
}

const std::list<boost::shared_ptr<ResData>>& PrinterReader::getDeviceResolutions() const {
    return m_repository->lazyList_(m_repository->m_deviceResolutions, keys::kResData);
}

const std::list<boost::shared_ptr<InkCfg>>& PrinterReader::getInkCfgs() const {
    return m_repository->lazyList_(m_repository->m_inkCfgs, keys::kInkCfgs);
}

std::multimap<wxString, wxString> PrinterReader::getResolutionAliases(bool onlyDefaults) {
    std::multimap<wxString, wxString> aliases;
    boost::shared_ptr<ResList> defaults;
    if (onlyDefaults) {
        defaults = getDefaultResolutions();
    }
    for (const boost::shared_ptr<ResData>& resolution : getDeviceResolutions()) {
        if (onlyDefaults &&
            (!defaults || stral_find(defaults->getStral(),
                                     kernel::toMB(resolution->resolution).c_str(), 0) == 0)) {
            continue;
        }
        for (const wxString& alias : resolution->alias) {
            aliases.insert(std::make_pair(resolution->resolution, alias));
        }
    }
    return aliases;
}

boost::shared_ptr<MediaRepository> PrinterReader::getMedia(const wxString& group,
                                                           const wxString& name) {
    return m_repository->getMedia_(group, name);
}

boost::shared_ptr<MediaRepository> PrinterReader::getMediaLegacy(const wxString& legacyName) {
    wxString group;
    wxString media;
    splitLegacyMediaName(legacyName, group, media);
    return m_repository->getMedia_(group, media);
}

const PrinterRepository::MediaMap& PrinterReader::getMediaList() const {
    return m_repository->mediaList_();
}

void PrinterReader::refreshMediaMap() {
    wxMutexLocker lock(*m_fillMutex);
    m_repository->loadMediaMap_();
}

boost::shared_ptr<std::list<wxString>> PrinterReader::getSwatchDefs(const wxString& pattern) {
    return m_repository->getSwatchDefs_(pattern);
}

wxString PrinterReader::getSwatchDefLocation(const wxString& name) {
    return m_repository->getSwatchDefLocation_(name);
}

boost::shared_ptr<wxInputStream> PrinterReader::getInputSPSettingsStream() {
    return m_repository->getInputSPSettingsStream_();
}

void PrinterReader::closeSPSettingsStream() {
    m_repository->closeSPSettingsStream_();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
