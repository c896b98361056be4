#include "repos/ModeReader.h"

#include <wx/stream.h>

#include <boost/make_shared.hpp>
#include <cfloat>
#include <string>

#include "kernel/Text.h"
#include "logger/Log.h"
#include "printer/FolderSettingsStore.h"
#include "printer/LockPair.h"
#include "printer/MediaModeKeys.h"
#include "repos/FileLock.h"
#include "repos/ModeWriter.h"
#include "repos/ReadWriteMutex.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"
#include "vfs/src/impl/NameScope.h"

namespace vexa {
namespace repos {
namespace printer {

const double ModeReader::kNoQualityAssessment = DBL_MIN;

namespace {

using namespace modekeys;

const wxChar* const kLinkSuffix = wxT(".Link");

// The longest first line of a link file that is read.
const std::size_t kMaxLinkLine = 64 * 1024;

// The plain files of `folder` whose names match `pattern` (case ignored),
// in name order; dot-files only for a pattern that starts with a dot.
vfs::FileObjectList matchingFiles(const vfs::FileObjectPtr& folder, const wxString& pattern) {
    vfs::FileObjectList found;
    const wxString lowered = pattern.Lower();
    vfs::FileObjectListPtr children = folder->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        const wxString name = child->getBaseName();
        if (child->getType() == vfs::FileType::FILE && !vfs::isTemporaryName(name) &&
            vfs::matchWildcard(lowered, name.Lower())) {
            found.push_back(child);
        }
    }
    return found;
}

// The local path of an existing plain file; "" otherwise.
wxString localPathOf(const vfs::FileObjectPtr& file) {
    if (!file || file->getType() != vfs::FileType::FILE) {
        return wxString();
    }
    vfs::FileContentPtr content = file->getContent();
    const wxString path = content->getLocalPath();
    content->releaseLocalPath();
    return path;
}

// The first line of a file, without its line end and the blanks and tabs
// around it; "" when it cannot be read.
wxString firstLine(const vfs::FileObjectPtr& file) {
    vfs::InputStreamPtr input = file->getContent()->getInputStream();
    if (!input || !input->IsOk()) {
        return wxString();
    }
    std::string bytes;
    char buffer[512];
    while (bytes.size() < kMaxLinkLine) {
        input->Read(buffer, sizeof buffer);
        const std::size_t got = input->LastRead();
        if (got == 0) {
            break;
        }
        bytes.append(buffer, got);
        if (bytes.find('\n') != std::string::npos) {
            break;
        }
    }
    bytes = bytes.substr(0, bytes.find('\n'));
    wxString line = kernel::fromMB(bytes);
    line.Trim(true).Trim(false);
    while (!line.empty() && (line.Last() == '\r' || line.Last() == '\t')) {
        line.RemoveLast();
        line.Trim(true);
    }
    while (!line.empty() && line[0] == '\t') {
        line.Remove(0, 1);
        line.Trim(false);
    }
    return line;
}

// A POSIX absolute path, a UNC path, or a path after a drive letter.
bool isAbsolutePath(const wxString& text) {
    if (text.StartsWith(wxT("/")) || text.StartsWith(wxT("\\"))) {
        return true;
    }
    return text.length() >= 3 && wxIsalpha(text[0]) && text[1] == ':' &&
           (text[2] == '/' || text[2] == '\\');
}

}  // namespace

ModeReader::ModeReader(boost::shared_ptr<ModeRepository> repository)
    : m_repository(repository), m_fillMutex(repository->m_fillMutex) {}

ModeReader::~ModeReader() {
    m_fileLocker.reset();
    m_readLocker.reset();
}

boost::shared_ptr<ModeReader> ModeReader::getReader(boost::shared_ptr<ModeRepository> repository) {
    if (!repository) {
        return boost::shared_ptr<ModeReader>();
    }
    if (repository->isStale()) {
        // Another process changed the mode: a short-lived writer reloads it
        // under the exclusive locks.
        ModeWriter::getWriter(repository);
    }
    boost::shared_ptr<ModeReader> reader(new ModeReader(repository));
    if (!reader->lock_()) {
        return boost::shared_ptr<ModeReader>();
    }
    return reader;
}

bool ModeReader::lock_() {
    return lockPair(m_readLocker, m_fileLocker, m_repository->m_rwMutex, m_repository->m_fileLock);
}

bool ModeReader::isValid() const {
    return m_repository->isValid_();
}

wxString ModeReader::getName() const {
    const vfs::FileObjectPtr folder = m_repository->m_folder;
    return folder ? folder->getBaseName() : wxString();
}

wxString ModeReader::getLocation() const {
    const vfs::FileObjectPtr folder = m_repository->m_folder;
    return folder ? folder->getName()->getNativePath() : wxString();
}

wxString ModeReader::getPattern() const {
    wxMutexLocker lock(*m_fillMutex);
    wxString text;
    if (!m_repository->text_(&ModeRepository::m_pattern, kKeyPattern, text)) {
        VEXA_LOG_DEBUG("Error loading pattern for %s", getName());
    }
    return text;
}

wxString ModeReader::getResolution() const {
    wxMutexLocker lock(*m_fillMutex);
    wxString text;
    if (!m_repository->text_(&ModeRepository::m_resolution, kKeyRes, text)) {
        VEXA_LOG_DEBUG("Error loading resolution for %s", getName());
    }
    return text;
}

wxString ModeReader::getResolutionAlias() const {
    wxMutexLocker lock(*m_fillMutex);
    wxString text;
    if (!m_repository->text_(&ModeRepository::m_resolutionAlias, kKeyResAlias, text)) {
        VEXA_LOG_DEBUG("No resolution alias for %s", getName());
    }
    return text;
}

boost::shared_ptr<InkCfg> ModeReader::getInkCfg() {
    wxMutexLocker lock(*m_fillMutex);
    boost::shared_ptr<InkCfg> cfg = m_repository->object_(&ModeRepository::m_inkCfg, kKeyInkCfg);
    if (!cfg) {
        VEXA_LOG_DEBUG("Error loading ink configuration for %s", getName());
    }
    return cfg;
}

boost::shared_ptr<InkLevels> ModeReader::getInkLimits() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->object_(&ModeRepository::m_inkLimits, kKeyInkRestrictions);
}

boost::shared_ptr<InkLevels> ModeReader::getTransCtrl() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->object_(&ModeRepository::m_transCtrl, kKeyTransitionControl);
}

boost::shared_ptr<InkLevels> ModeReader::getDropAdjust() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->dropAdjust_();
}

boost::shared_ptr<InkCurve> ModeReader::getInkCurves() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->curve_(&ModeRepository::m_inkCurves, kKeyInkCurves);
}

boost::shared_ptr<InkCurve> ModeReader::getLevelCurves() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->curve_(&ModeRepository::m_levelCurves, kKeyLvlCurves);
}

boost::shared_ptr<ScreenSetup> ModeReader::getScreenSetups() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->object_(&ModeRepository::m_screenSetups, kKeyScreenSetup);
}

boost::shared_ptr<ResScaleAdjust> ModeReader::getResScaleAdjust() {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->object_(&ModeRepository::m_resScaleAdjust, kKeyResScaleAdjust);
}

const std::map<wxString, wxString>& ModeReader::getTableDefaults() const {
    wxMutexLocker lock(*m_fillMutex);
    m_repository->fillTableDefaults_();
    return *m_repository->m_tableDefaults;
}

double ModeReader::getUserQualityAssessment() const {
    wxMutexLocker lock(*m_fillMutex);
    return m_repository->userQualityAssessment_();
}

boost::shared_ptr<std::map<wxString, wxString>> ModeReader::getPrinterOptions() {
    wxMutexLocker lock(*m_fillMutex);
    m_repository->fillPrinterOptions_();
    return boost::make_shared<std::map<wxString, wxString>>(m_repository->m_printerOptions);
}

wxString ModeReader::getPrinterOption(const wxString& name) const {
    wxMutexLocker lock(*m_fillMutex);
    m_repository->fillPrinterOptions_();
    const std::map<wxString, wxString>& options = m_repository->m_printerOptions;
    std::map<wxString, wxString>::const_iterator found = options.find(name);
    return found == options.end() ? wxString() : found->second;
}

boost::shared_ptr<std::list<wxString>> ModeReader::getProfiles(const wxString& ext) {
    boost::shared_ptr<std::list<wxString>> profiles = boost::make_shared<std::list<wxString>>();
    const vfs::FileObjectPtr folder = m_repository->m_folder;
    if (!impl::isFolder(folder) || ext.empty()) {
        return profiles;
    }
    const wxString pattern = wxT("*.") + ext;
    vfs::FileObjectList files = matchingFiles(folder, pattern);
    const vfs::FileObjectList links = matchingFiles(folder, pattern + kLinkSuffix);
    files.insert(files.end(), links.begin(), links.end());
    const wxString dotExt = (wxT(".") + ext).Lower();
    for (const vfs::FileObjectPtr& file : files) {
        const wxString name = file->getBaseName();
        const size_t at = name.Lower().rfind(dotExt);
        profiles->push_back(at == wxString::npos ? name : name.Left(at));
    }
    return profiles;
}

wxString ModeReader::getProfileLocation(const wxString& name) const {
    const vfs::FileObjectPtr folder = m_repository->m_folder;
    if (!impl::isFolder(folder) || name.empty()) {
        return wxString();
    }
    try {
        const vfs::FileObjectList files = matchingFiles(folder, name);
        if (!files.empty()) {
            return localPathOf(files.front());
        }
        const vfs::FileObjectList links = matchingFiles(folder, name + kLinkSuffix);
        if (links.empty()) {
            return wxString();
        }
        const wxString line = firstLine(links.front());
        if (line.empty()) {
            return wxString();
        }
        vfs::FileObjectPtr target =
            isAbsolutePath(line) ? folder->getFileSystem()->resolveFile(vfs::createFileName(line))
                                 : folder->resolveFile(line, vfs::NameScope::FILE_SYSTEM);
        return localPathOf(target);
    } catch (const vfs::FileSystemException&) {
        return wxString();
    }
}

vfs::FileContentPtr ModeReader::getFileByName(const wxString& name) {
    return m_repository->fileByName_(name, false);
}

bool ModeReader::copyTo(vfs::FileObjectPtr destination) {
    return m_repository->copyTo_(destination);
}

bool ModeReader::copyTo(const wxString& destinationPath) {
    vfs::FileObjectPtr destination = impl::lookUpLocalPath(destinationPath);
    return destination && m_repository->copyTo_(destination);
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
