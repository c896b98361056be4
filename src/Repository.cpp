#include "repos/Repository.h"

#include <cerrno>

#include "kernel/Failure.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace repos {

const wxChar* const kSettingsFileName = wxT(".Settings.xml");
const wxChar* const kSettingsDatFileName = wxT(".Settings.dat");
const wxChar* const kSPSettingsFileName = wxT(".SPSettings.dat");
const wxChar* const kMediaCostFileName = wxT(".MediaCostSettings.xml");

IRepository::~IRepository() = default;

FSRepository::FSRepository(vfs::FileObjectPtr root, vfs::FileObjectPtr settingsFile)
    : m_root(root), m_settingsFile(settingsFile) {}

FSRepository::~FSRepository() = default;

boost::shared_ptr<Settings> FSRepository::getSettings() {
    return readSettings_(m_settingsFile->getContent());
}

boost::shared_ptr<Settings> FSRepository::getSettingsOfFile() {
    return readSettings_(m_settingsFile->getContentOfFile());
}

boost::shared_ptr<Settings> FSRepository::readSettings_(const vfs::FileContentPtr& content) {
    const wxString path = m_settingsFile->getName()->getNativePath();
    errno = 0;
    vfs::InputStreamPtr input = content->getInputStream();
    if (!input || !input->IsOk()) {
        kernel::recordOsFailure(errno != 0 ? errno : EIO, wxT("cannot read the settings file"),
                                path);
        return boost::shared_ptr<Settings>();
    }
    // Cleared so that the reader's own failure can be told apart; what was
    // recorded before is put back when the file reads well.
    const kernel::Failure before = kernel::lastFailure();
    kernel::clearFailure();
    boost::shared_ptr<Settings> settings = SettingsManager::GetSettings(*input);
    if (settings) {
        kernel::recordFailure(before.code, before.message, before.path);
    } else {
        // The reader's own words (the line and what is wrong) when it gave any.
        const kernel::Failure& parser = kernel::lastFailure();
        const wxString detail =
            parser.code == kernel::FailureCode::NOT_READABLE && parser.path.empty()
                ? parser.message
                : wxString(wxT("empty or not well-formed"));
        kernel::recordFailure(kernel::FailureCode::NOT_READABLE,
                              wxT("cannot read the settings file '") + path + wxT("': ") + detail,
                              path);
    }
    return settings;
}

bool FSRepository::hasRoot(const boost::shared_ptr<Settings>& settings, const wxChar* rootName,
                           const vfs::FileObjectPtr& file) {
    if (!settings) {
        return false;
    }
    const NamedNode::Ptr root = settings->getRoot();
    const wxString found = root ? root->getName() : wxString();
    if (found == rootName) {
        return true;
    }
    const wxString path = file ? file->getName()->getNativePath() : wxString();
    kernel::recordFailure(
        kernel::FailureCode::NOT_READABLE,
        wxString::Format(wxT("the settings file '%s' holds '%s', not '%s'"), path, found, rootName),
        path);
    return false;
}

bool FSRepository::storeSettings(const boost::shared_ptr<Settings>& settings,
                                 const vfs::FileObjectPtr& file) {
    if (!settings || !file) {
        return false;
    }
    // Never rewrite in place: a process killed between removing the old file
    // and finishing the new one would lose every setting in it.
    return vfs::replaceFileDurably(file, [&](wxOutputStream& out) { settings->storeTo(out); });
}

void FSRepository::saveSettings(boost::shared_ptr<Settings> settings) {
    saveSettingsChecked(settings);
}

bool FSRepository::saveSettingsChecked(boost::shared_ptr<Settings> settings) {
    return storeSettings(settings, m_settingsFile);
}

vfs::FileObjectListPtr FSRepository::getContents() {
    return m_root->getChildren();
}

vfs::FileObjectPtr FSRepository::GetSettingsFO(const vfs::FileObjectPtr& root,
                                               const boost::shared_ptr<Settings>& settings) {
    if (!root) {
        return vfs::FileObjectPtr();
    }
    vfs::FileObjectPtr file = root->resolveFile(kSettingsDatFileName, vfs::NameScope::CHILD);
    if (!file || file->getType() == vfs::FileType::FOLDER) {
        return vfs::FileObjectPtr();
    }
    if (!file->exists() && !storeSettings(settings, file)) {
        return vfs::FileObjectPtr();
    }
    return file;
}

}  // namespace repos
}  // namespace vexa
