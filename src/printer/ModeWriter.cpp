#include "repos/ModeWriter.h"

#include <boost/make_shared.hpp>

#include "logger/Log.h"
#include "printer/LockPair.h"
#include "printer/MediaModeKeys.h"
#include "repos/FileLock.h"
#include "repos/ReadWriteMutex.h"

namespace vexa {
namespace repos {
namespace printer {

using namespace modekeys;

ModeWriter::ModeWriter(boost::shared_ptr<ModeRepository> repository) : m_repository(repository) {}

ModeWriter::~ModeWriter() {
    m_fileLocker.reset();
    m_writeLocker.reset();
}

boost::shared_ptr<ModeWriter> ModeWriter::getWriter(boost::shared_ptr<ModeRepository> repository) {
    if (!repository) {
        return boost::shared_ptr<ModeWriter>();
    }
    boost::shared_ptr<ModeWriter> writer(new ModeWriter(repository));
    if (!writer->lock_()) {
        return boost::shared_ptr<ModeWriter>();
    }
    // Never save an old copy over another process's change.
    if (repository->isStale()) {
        repository->reload_(*writer->m_fileLocker);
    }
    return writer;
}

bool ModeWriter::lock_() {
    return lockPair(m_writeLocker, m_fileLocker, m_repository->m_rwMutex, m_repository->m_fileLock);
}

bool ModeWriter::isValid() {
    return m_repository->isValid_();
}

vfs::FileContentPtr ModeWriter::getFileByName(const wxString& name) {
    return m_repository->fileByName_(name, true);
}

void ModeWriter::setInkCfg(const SPINKCFG* cfg) {
    if (cfg) {
        m_repository->m_inkCfg = boost::make_shared<InkCfg>(cfg);
    }
    m_repository->recordChange_(kKeyInkCfg);
}

void ModeWriter::setInkLimits(const SPINKLEVELEX* levels) {
    if (levels) {
        m_repository->m_inkLimits = boost::make_shared<InkLevels>(levels);
    }
    m_repository->recordChange_(kKeyInkRestrictions);
}

void ModeWriter::setTransCtrl(const SPINKLEVELEX* levels) {
    if (levels) {
        m_repository->m_transCtrl = boost::make_shared<InkLevels>(levels);
    }
    m_repository->recordChange_(kKeyTransitionControl);
}

void ModeWriter::setDropAdjust(const SPINKLEVELEX* levels) {
    if (levels) {
        m_repository->m_dropAdjust = boost::make_shared<InkLevels>(levels);
    }
    m_repository->recordChange_(kKeyDropAdjusts);
}

void ModeWriter::setScreenSetups(_SCREENSETUP* setups) {
    if (setups) {
        m_repository->m_screenSetups = boost::make_shared<ScreenSetup>(setups);
    }
    m_repository->recordChange_(kKeyScreenSetup);
}

void ModeWriter::setPrinterOption(const wxString& name, const wxString& value) {
    if (name.empty() || name.find_first_of(wxT("/*")) != wxString::npos) {
        VEXA_LOG_DEBUG("Printer option '%s' cannot be stored", name);
        return;
    }
    // The stored options first, so that saving this one keeps the others
    // in the cache as well.
    m_repository->fillPrinterOptions_();
    m_repository->m_printerOptions[name] = value;
    m_repository->recordChange_(kKeyPrinterSettings);
}

void ModeWriter::setPrinterOptions(boost::shared_ptr<std::map<wxString, wxString>> options) {
    if (options) {
        m_repository->m_printerOptions = *options;
        m_repository->m_printerOptionsLoaded = true;
    } else {
        m_repository->m_printerOptions.clear();
        m_repository->m_printerOptionsLoaded = false;
    }
    m_repository->recordChange_(kKeyPrinterSettings);
}

void ModeWriter::updateCalibration(const wxString& value) {
    updateTableDefault_(wxT("Calb"), value);
}

void ModeWriter::updateMediaModel(const wxString& value) {
    updateTableDefault_(wxT("LnMM"), value);
}

void ModeWriter::updateNamedColor(const wxString& value) {
    updateTableDefault_(wxT("NmClr"), value);
}

void ModeWriter::updateTableDefault_(const wxString& entry, const wxString& value) {
    if (value.empty()) {
        return;
    }
    // The stored entries first: saving one entry keeps the others.
    m_repository->fillTableDefaults_();
    (*m_repository->m_tableDefaults)[entry] = value;
    m_repository->recordChange_(kKeyTableDefaults);
}

void ModeWriter::setUserQualityAssessment(double value) {
    m_repository->setUserQualityAssessment_(value);
}

bool ModeWriter::save() {
    return m_repository->save_();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
