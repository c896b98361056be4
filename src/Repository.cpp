#include "repos/Repository.h"

#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
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
    vfs::FileContentPtr content = m_settingsFile->getContent();
    vfs::InputStreamPtr input = content->getInputStream();
    if (!input || !input->IsOk()) {
        return boost::shared_ptr<Settings>();
    }
    return SettingsManager::GetSettings(*input);
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
