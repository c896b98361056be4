#include "repos/MediaWriter.h"

#include <boost/make_shared.hpp>

#include "printer/LockPair.h"
#include "printer/MediaModeKeys.h"
#include "repos/FileLock.h"
#include "repos/ReadWriteMutex.h"

namespace vexa {
namespace repos {
namespace printer {

using namespace mediakeys;

MediaWriter::MediaWriter(boost::shared_ptr<MediaRepository> repository)
    : m_repository(repository) {}

MediaWriter::~MediaWriter() {
    m_fileLocker.reset();
    m_writeLocker.reset();
}

boost::shared_ptr<MediaWriter> MediaWriter::getWriter(
    boost::shared_ptr<MediaRepository> repository) {
    if (!repository) {
        return boost::shared_ptr<MediaWriter>();
    }
    boost::shared_ptr<MediaWriter> writer(new MediaWriter(repository));
    if (!writer->lock_()) {
        return boost::shared_ptr<MediaWriter>();
    }
    writer->refresh();
    return writer;
}

bool MediaWriter::lock_() {
    return lockPair(m_writeLocker, m_fileLocker, m_repository->m_rwMutex, m_repository->m_fileLock);
}

bool MediaWriter::refresh() {
    if (!m_fileLocker || !m_repository->isStale()) {
        return false;
    }
    return m_repository->reload_(*m_fileLocker);
}

void MediaWriter::setInkConfig(SPINKCFG* cfg) {
    if (cfg) {
        m_repository->m_inkCfg = boost::make_shared<InkCfg>(cfg);
    }
    m_repository->recordChange_(kKeyInkCfg);
}

void MediaWriter::setColorInfo(const _SP_COLOR_INFO* info) {
    if (info) {
        m_repository->m_colorInfo = boost::make_shared<ColorInfo>(info);
    }
    m_repository->recordChange_(kKeyColorInfo);
}

void MediaWriter::setResScaleAdjust(const SPRESSCALEADJUST* adjust) {
    if (adjust) {
        m_repository->m_resScaleAdjust = boost::make_shared<ResScaleAdjust>(adjust);
    }
    m_repository->recordChange_(kKeyResScaleAdjust);
}

void MediaWriter::setPageSizes(boost::shared_ptr<std::list<wxString>> pageSizes) {
    if (pageSizes) {
        m_repository->m_pageSizes = boost::make_shared<std::list<wxString>>(*pageSizes);
    }
    m_repository->recordChange_(kKeyPageSizes);
}

void MediaWriter::setPassInfo(const SSTRAL* passes) {
    if (passes) {
        m_repository->m_passInfo = boost::make_shared<PassInfo>(passes);
    }
    m_repository->recordChange_(kKeyPassInfo);
}

void MediaWriter::setDefaultMode(const wxString& value) {
    m_repository->setText_(&MediaRepository::m_defaultMode, kKeyDefaultMode, value);
}

void MediaWriter::setJdfAlias(const wxString& value) {
    m_repository->setText_(&MediaRepository::m_jdfAlias, kKeyJdfAlias, value);
}

void MediaWriter::setJdfQualityMode(const wxString& level, const wxString& value) {
    if (level == wxT("High")) {
        m_repository->setText_(&MediaRepository::m_jdfHigh, kKeyJdfHigh, value);
    } else if (level == wxT("Normal")) {
        m_repository->setText_(&MediaRepository::m_jdfNormal, kKeyJdfNormal, value);
    } else if (level == wxT("Draft")) {
        m_repository->setText_(&MediaRepository::m_jdfDraft, kKeyJdfDraft, value);
    }
}

int MediaWriter::setMediaCostSettings(boost::shared_ptr<MediaCostSettings> costs) {
    return m_repository->setCostSettings_(costs);
}

bool MediaWriter::save() {
    return m_repository->save_();
}

bool MediaWriter::remove() {
    return m_repository->remove_(m_fileLocker);
}

bool MediaWriter::isValid() {
    return m_repository->isValid_();
}

vfs::OutputStreamPtr MediaWriter::getOutputSPSettingsStream() {
    return m_repository->outputSPStream_();
}

void MediaWriter::closeSPSettingsStream() {
    m_repository->closeSPContent_();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
