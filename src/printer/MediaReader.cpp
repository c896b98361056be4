#include "repos/MediaReader.h"

#include <boost/make_shared.hpp>

#include "printer/FolderSettingsStore.h"
#include "printer/LockPair.h"
#include "printer/MediaModeKeys.h"
#include "repos/FileLock.h"
#include "repos/LegacyMediaName.h"
#include "repos/MediaWriter.h"
#include "repos/ReadWriteMutex.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace repos {
namespace printer {

using namespace mediakeys;

MediaReader::MediaReader(boost::shared_ptr<MediaRepository> repository)
    : m_repository(repository) {}

MediaReader::~MediaReader() {
    // File lock first, in-process lock last.
    m_fileLocker.reset();
    m_readLocker.reset();
}

boost::shared_ptr<MediaReader> MediaReader::getReader(
    boost::shared_ptr<MediaRepository> repository) {
    if (!repository) {
        return boost::shared_ptr<MediaReader>();
    }
    if (repository->isStale()) {
        // A short-lived writer reloads what another process changed.
        MediaWriter::getWriter(repository);
    }
    boost::shared_ptr<MediaReader> reader(new MediaReader(repository));
    if (!reader->lock_()) {
        return boost::shared_ptr<MediaReader>();
    }
    return reader;
}

bool MediaReader::lock_() {
    if (!m_repository->m_settingsFile->exists()) {
        return false;
    }
    return lockPair(m_readLocker, m_fileLocker, m_repository->m_rwMutex, m_repository->m_fileLock);
}

wxString MediaReader::getName() const {
    const vfs::FileObjectPtr root = m_repository->m_folder;
    return root ? root->getBaseName() : wxString();
}

wxString MediaReader::getNameLegacy() const {
    return joinLegacyMediaName(getName(), getGroup());
}

wxString MediaReader::getGroup() const {
    const vfs::FileObjectPtr root = m_repository->m_folder;
    const vfs::FileObjectPtr parent = root ? root->getParent() : vfs::FileObjectPtr();
    return parent ? parent->getBaseName() : wxString();
}

boost::shared_ptr<InkCfg> MediaReader::getInkCfg() {
    return m_repository->cachedObject_(&MediaRepository::m_inkCfg, kKeyInkCfg);
}

boost::shared_ptr<ColorInfo> MediaReader::getColorInfo() {
    return m_repository->cachedObject_(&MediaRepository::m_colorInfo, kKeyColorInfo);
}

boost::shared_ptr<ResScaleAdjust> MediaReader::getResScaleAdjust() {
    return m_repository->cachedObject_(&MediaRepository::m_resScaleAdjust, kKeyResScaleAdjust);
}

boost::shared_ptr<std::list<wxString>> MediaReader::getPageSizes() {
    return m_repository->cachedObject_(&MediaRepository::m_pageSizes, kKeyPageSizes);
}

boost::shared_ptr<PassInfo> MediaReader::getPassInfo() {
    return m_repository->cachedObject_(&MediaRepository::m_passInfo, kKeyPassInfo);
}

int MediaReader::getLabelChannel() {
    return m_repository->labelChannel_();
}

wxString MediaReader::getDefaultMode() {
    return m_repository->cachedText_(&MediaRepository::m_defaultMode, kKeyDefaultMode);
}

wxString MediaReader::getJdfAlias() {
    return m_repository->cachedText_(&MediaRepository::m_jdfAlias, kKeyJdfAlias);
}

wxString MediaReader::getJdfQualityMode(const wxString& level) {
    if (level == wxT("High")) {
        return m_repository->cachedText_(&MediaRepository::m_jdfHigh, kKeyJdfHigh);
    }
    if (level == wxT("Normal")) {
        return m_repository->cachedText_(&MediaRepository::m_jdfNormal, kKeyJdfNormal);
    }
    if (level == wxT("Draft")) {
        return m_repository->cachedText_(&MediaRepository::m_jdfDraft, kKeyJdfDraft);
    }
    return wxString();
}

boost::shared_ptr<MediaCostSettings> MediaReader::getMediaCostSettings() {
    return m_repository->costSettings_();
}

boost::shared_ptr<ModeRepository> MediaReader::getMode(const wxString& name) {
    return m_repository->mode_(name);
}

const MediaRepository::ModeMap& MediaReader::getModeList() {
    return m_repository->modeList_();
}

void MediaReader::clearMode(const wxString& name) {
    m_repository->clearMode_(name);
}

bool MediaReader::isValid() {
    return m_repository->isValid_();
}

bool MediaReader::copyTo(vfs::FileObjectPtr folder) {
    return m_repository->copyTo_(folder, vfs::CopyFilterPtr());
}

bool MediaReader::copyTo(const wxString& path) {
    vfs::FileObjectPtr folder = impl::lookUpLocalPath(path);
    return folder && m_repository->copyTo_(folder, vfs::CopyFilterPtr());
}

bool MediaReader::copyTo(vfs::FileObjectPtr folder, const vfs::CopyFilterPtr& filter) {
    return m_repository->copyTo_(folder, filter);
}

vfs::InputStreamPtr MediaReader::getInputSPSettingsStream() {
    return m_repository->inputSPStream_();
}

void MediaReader::closeSPSettingsStream() {
    m_repository->closeSPContent_();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
