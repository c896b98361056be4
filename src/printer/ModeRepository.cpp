#include "repos/ModeRepository.h"

#include <algorithm>
#include <boost/make_shared.hpp>
#include <cfloat>

#include "kernel/Failure.h"
#include "logger/Log.h"
#include "printer/FolderSettingsStore.h"
#include "printer/MediaModeKeys.h"
#include "repos/DataCouple.h"
#include "repos/MediaRepository.h"
#include "repos/ModeReader.h"
#include "repos/ModeWriter.h"
#include "repos/PrinterRepository.h"
#include "repos/RepositoryException.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"

namespace vexa {
namespace repos {
namespace printer {

namespace {

using namespace modekeys;

const wxChar* const kValue = wxT("value");

const wxChar* const kModeNode = wxT("Mode");

bool contains(const std::list<wxString>& keys, const wxChar* key) {
    return std::find(keys.begin(), keys.end(), wxString(key)) != keys.end();
}

// Stores `value` into the node at `key`, or into a new child of `mode`
// named after the key's last step; returns the node written.
template <class T>
NamedNode::Ptr storeValue(const Settings& settings, const wxChar* key,
                          const boost::shared_ptr<T>& value, const NamedNode::Ptr& mode) {
    const DataStrategy<T> strategy;
    NamedNode::Ptr node = impl::firstNode(settings, key);
    if (node) {
        strategy.storeInto(value, node);
        return node;
    }
    return strategy.storeNew(value, mode, impl::lastKeyStep(key));
}

// Option names that a key path can address and a settings file keeps.
bool isStorableOptionName(const wxString& name) {
    return !name.empty() && name.find_first_of(wxT("/*")) == wxString::npos;
}

}  // namespace

ModeRepository::ModeRepository(vfs::FileObjectPtr folder, boost::shared_ptr<MediaRepository> media,
                               vfs::FileObjectPtr settingsFile)
    : FolderRepository(folder, settingsFile, kModeNode, wxT("mode")),
      m_media(media),
      m_userQualityAssessment(ModeReader::kNoQualityAssessment),
      m_printerOptionsLoaded(false) {}

ModeRepository::~ModeRepository() = default;

boost::shared_ptr<ModeRepository> ModeRepository::createRepository(
    vfs::FileObjectPtr folder, boost::shared_ptr<MediaRepository> media,
    vfs::FileObjectPtr settingsFile) {
    return create_<ModeRepository>(folder, media, settingsFile, wxT("mode"));
}

boost::shared_ptr<ModeRepository> ModeRepository::createRepository(
    const wxString& folderPath, boost::shared_ptr<MediaRepository> media,
    const wxString& settingsFileName) {
    return createAt_<ModeRepository>(folderPath, media, settingsFileName, wxT("mode"));
}

boost::shared_ptr<ModeReader> ModeRepository::getReader() {
    return ModeReader::getReader(shared_from_this());
}

boost::shared_ptr<ModeWriter> ModeRepository::getWriter() {
    return ModeWriter::getWriter(shared_from_this());
}

void ModeRepository::saveSettings(boost::shared_ptr<Settings> settings) {
    storeSettings_(settings);
}

// ---- Cache fills -------------------------------------------------------------

bool ModeRepository::text_(wxString ModeRepository::*cache, const wxChar* key, wxString& text) {
    wxString& cached = this->*cache;
    if (cached.empty()) {
        NamedNode::Ptr node = impl::firstNode(*m_settings, key);
        if (!node) {
            text.clear();
            return false;
        }
        cached = node->getAttribute(wxString(kValue));
    }
    text = cached;
    return true;
}

template <class T>
boost::shared_ptr<T> ModeRepository::object_(boost::shared_ptr<T> ModeRepository::*cache,
                                             const wxChar* key) {
    boost::shared_ptr<T>& cached = this->*cache;
    if (!cached) {
        // Absent: stays empty, and the next call looks again.
        cached = loadFirst<T>(*m_settings, key);
    }
    return cached;
}

template boost::shared_ptr<InkCfg> ModeRepository::object_<InkCfg>(
    boost::shared_ptr<InkCfg> ModeRepository::*, const wxChar*);
template boost::shared_ptr<InkLevels> ModeRepository::object_<InkLevels>(
    boost::shared_ptr<InkLevels> ModeRepository::*, const wxChar*);
template boost::shared_ptr<ScreenSetup> ModeRepository::object_<ScreenSetup>(
    boost::shared_ptr<ScreenSetup> ModeRepository::*, const wxChar*);
template boost::shared_ptr<ResScaleAdjust> ModeRepository::object_<ResScaleAdjust>(
    boost::shared_ptr<ResScaleAdjust> ModeRepository::*, const wxChar*);

boost::shared_ptr<InkLevels> ModeRepository::dropAdjust_() {
    if (m_dropAdjust) {
        return m_dropAdjust;
    }
    if (object_(&ModeRepository::m_dropAdjust, kKeyDropAdjusts)) {
        return m_dropAdjust;
    }
    // The older form: one number for every ink.
    NamedNode::Ptr node = impl::firstNode(*m_settings, kKeyDropAdjust);
    if (node) {
        SPINKLEVELEX levels;
        levels[std::string()] = readIntValue(node, wxString(kValue));
        m_dropAdjust = boost::make_shared<InkLevels>(&levels);
    }
    return m_dropAdjust;
}

boost::shared_ptr<InkCurve> ModeRepository::curve_(
    boost::shared_ptr<InkCurve> ModeRepository::*cache, const wxChar* key) {
    boost::shared_ptr<InkCurve>& cached = this->*cache;
    if (!cached) {
        if (boost::shared_ptr<InkCurve> curve = loadFirst<InkCurve>(*m_settings, key)) {
            wxString resolution;
            text_(&ModeRepository::m_resolution, kKeyRes, resolution);
            curve->setResolution(resolution);
            cached = curve;
        }
    }
    return cached;
}

void ModeRepository::fillTableDefaults_() {
    if (m_tableDefaults) {
        return;
    }
    typedef std::map<wxString, wxString> Table;
    DataCouple<Table> couple = findCouple<Table>(*m_settings, kKeyTableDefaults);
    try {
        m_tableDefaults = boost::make_shared<Table>(couple.get());
    } catch (const EmptyDataCoupleException&) {
        m_tableDefaults = boost::make_shared<Table>();
    }
}

void ModeRepository::fillPrinterOptions_() {
    if (m_printerOptionsLoaded) {
        return;
    }
    m_printerOptions.clear();
    // Document order: a later node of the same name wins.
    for (const NamedNode::Ptr& node : SettingsAccess::findNodes(*m_settings, kKeyPrinterOptions)) {
        m_printerOptions[node->getName()] = node->getAttribute(wxString(kValue));
    }
    m_printerOptionsLoaded = true;
}

double ModeRepository::userQualityAssessment_() {
    if (m_userQualityAssessment == ModeReader::kNoQualityAssessment) {
        NamedNode::Ptr node = impl::firstNode(*m_settings, kKeyUserQualityAssessment);
        if (node) {
            m_userQualityAssessment = readRealValue(node, wxString(kValue));
        }
    }
    return m_userQualityAssessment;
}

bool ModeRepository::isValid_() const {
    return impl::isFolder(m_folder) && !m_invalidMarker->exists();
}

vfs::FileContentPtr ModeRepository::fileByName_(const wxString& name, bool create) {
    // Only plain names of the mode folder: no way out of it.
    if (name.empty() || name == wxT(".") || name == wxT("..") ||
        name.find_first_of(wxT("/\\")) != wxString::npos) {
        return vfs::FileContentPtr();
    }
    // Through the file system rather than resolveChild, which would make a
    // removed mode folder again.
    wxString folderPath = m_folder->getName()->getNativePath();
    if (folderPath.EndsWith(wxT("/")) || folderPath.EndsWith(wxT("\\"))) {
        folderPath.RemoveLast();
    }
    const vfs::FileObjectPtr file =
        m_folder->getFileSystem()->resolveFile(folderPath + wxT("/") + name);
    if (!file) {
        return vfs::FileContentPtr();
    }
    if (!create) {
        // A reader changes nothing: a missing file stays missing.
        return file->getContentNoCreate();
    }
    if (file->createFile()) {
        // A file the writer made must not make the mode look changed by
        // another process (a reload would drop unsaved values).
        takeFolderTime_();
    }
    return file->getContent();
}

bool ModeRepository::copyTo_(const vfs::FileObjectPtr& destination) {
    const impl::CopySubject subject{NameKind::MODE,
                                    wxT("mode '") + m_folder->getBaseName() + wxT("'"), false};
    return impl::copyRepositoryFolder(*m_store, m_folder, destination, false, subject,
                                      vfs::CopyFilterPtr());
}

// ---- Writer side -------------------------------------------------------------

void ModeRepository::dropCaches_() {
    m_pattern.clear();
    m_resolution.clear();
    m_resolutionAlias.clear();
    m_inkCfg.reset();
    m_tableDefaults.reset();
    m_inkLimits.reset();
    m_transCtrl.reset();
    m_screenSetups.reset();
    m_levelCurves.reset();
    m_inkCurves.reset();
    m_userQualityAssessment = ModeReader::kNoQualityAssessment;
    m_dropAdjust.reset();
    m_printerOptions.clear();
    m_printerOptionsLoaded = false;
    m_resScaleAdjust.reset();
}

void ModeRepository::setUserQualityAssessment_(double value) {
    if (value == userQualityAssessment_()) {
        return;
    }
    // Only an existing node is set: without one the couple is empty.
    NamedNode::Ptr node = impl::firstNode(*m_settings, kKeyUserQualityAssessment);
    if (!node) {
        throw EmptyDataCoupleException();
    }
    node->setAttribute(wxString(kValue), formatReal(value, 6));
    // Cached as it reads back, so this process and the next agree.
    m_userQualityAssessment = readRealValue(node, wxString(kValue));
    recordChange_(kKeyUserQualityAssessment);
}

void ModeRepository::storeChanges_(const NamedNode::Ptr& mode) {
    const Settings& settings = *m_settings;
    // The fixed order; a key recorded without a cached value (a null
    // argument before anything was read) is left out.
    if (contains(m_changedKeys, kKeyDropAdjusts) && m_dropAdjust) {
        storeValue(settings, kKeyDropAdjusts, m_dropAdjust, mode);
    }
    if (contains(m_changedKeys, kKeyInkRestrictions) && m_inkLimits) {
        storeValue(settings, kKeyInkRestrictions, m_inkLimits, mode);
    }
    if (contains(m_changedKeys, kKeyScreenSetup) && m_screenSetups) {
        // The strategy names its node "DefaultScreenSetup"; a mode keeps
        // "ScreenSetup", where its key finds it again.
        NamedNode::Ptr node = storeValue(settings, kKeyScreenSetup, m_screenSetups, mode);
        if (node) {
            node->setName(impl::lastKeyStep(kKeyScreenSetup));
        }
    }
    if (contains(m_changedKeys, kKeyTransitionControl) && m_transCtrl) {
        storeValue(settings, kKeyTransitionControl, m_transCtrl, mode);
    }
    if (contains(m_changedKeys, kKeyInkCfg) && m_inkCfg) {
        storeValue(settings, kKeyInkCfg, m_inkCfg, mode);
    }
    if (contains(m_changedKeys, kKeyTableDefaults) && m_tableDefaults) {
        storeValue(settings, kKeyTableDefaults, m_tableDefaults, mode);
    }
    if (contains(m_changedKeys, kKeyPrinterSettings)) {
        storePrinterOptions_(mode);
    }
}

void ModeRepository::storePrinterOptions_(const NamedNode::Ptr& mode) {
    std::list<NamedNode::Ptr> holders = SettingsAccess::findNodes(*m_settings, kKeyPrinterSettings);
    if (holders.empty()) {
        NamedNode::Ptr holder = NamedNode::Create(impl::lastKeyStep(kKeyPrinterSettings));
        holder->addTo(mode);
        holders.push_back(holder);
    }
    for (const std::pair<const wxString, wxString>& option : m_printerOptions) {
        if (!isStorableOptionName(option.first)) {
            VEXA_LOG_WARNING("Printer option '%s' cannot be stored", option.first);
            continue;
        }
        // Every node of the name is set: the value read back is the last
        // one in document order.
        bool found = false;
        for (const NamedNode::Ptr& holder : holders) {
            for (const NamedNode::Ptr& child : holder->getChildren()) {
                if (child->getName() == option.first) {
                    child->setAttribute(wxString(kValue), option.second);
                    found = true;
                }
            }
        }
        if (!found) {
            NamedNode::Ptr child = NamedNode::Create(option.first);
            child->setAttribute(wxString(kValue), option.second);
            child->addTo(holders.front());
        }
    }
}

bool ModeRepository::storeSettings_(const boost::shared_ptr<Settings>& settings) {
    if (!store_(settings)) {
        return false;
    }
    // Touched, so that the media sees its mode changed; the new time is
    // this object's own.
    if (impl::isFolder(m_folder)) {
        m_folder->setLastModifiedTime(0);
    }
    takeFolderTime_();
    boost::shared_ptr<MediaRepository> media = m_media.lock();
    if (media) {
        media->changed_(PrinterRepository::MODE_SAVED);
    }
    return true;
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
