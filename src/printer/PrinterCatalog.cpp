// The printer catalog: one repository per printer name for the process.
#include <mutex>

#include "kernel/Failure.h"
#include "kernel/VexKernel.h"
#include "printer/InnerLocks.h"
#include "repos/PrinterRepository.h"
#include "vfs/src/impl/AbstractFileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace repos {
namespace printer {

// Owns the catalog for the singleton manager. The catalog mutex guards the
// pointer, so the manager's release cannot pull the map from under a lookup;
// the repositories are destroyed outside it.
class CatalogSingleton : public singleton_interface {
  public:
    CatalogSingleton() { singleton::Manage(this); }
    ~CatalogSingleton() { singleton::Release(this); }
    CatalogSingleton(const CatalogSingleton&) = delete;
    CatalogSingleton& operator=(const CatalogSingleton&) = delete;

    void release() override {
        PrinterCatalog* old = nullptr;
        {
            std::lock_guard<std::mutex> lock(PrinterCatalog::mutex_());
            old = m_catalog;
            m_catalog = nullptr;
        }
        delete old;
    }
    // The caller holds the catalog mutex.
    PrinterCatalog& get() {
        if (m_catalog == nullptr) {
            m_catalog = new PrinterCatalog();
        }
        return *m_catalog;
    }

  private:
    PrinterCatalog* m_catalog = nullptr;
};

namespace {
// Registered while the library is loaded; its destructor at unload releases
// the catalog with every repository in it.
CatalogSingleton s_catalog;
}  // namespace

PrinterCatalog::PrinterCatalog() = default;
PrinterCatalog::~PrinterCatalog() = default;

std::mutex& PrinterCatalog::mutex_() {
    // Never destroyed: the singleton's destructor at unload still needs it.
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

PrinterCatalog& PrinterCatalog::instance_() {
    return s_catalog.get();
}

boost::shared_ptr<PrinterRepository> PrinterCatalog::getRepository(
    const wxString& nameOrPath, const wxString& settingsFileName) {
    return lookUp_(nameOrPath, settingsFileName, nullptr);
}

boost::shared_ptr<PrinterRepository> PrinterCatalog::lookUp_(
    const wxString& nameOrPath, const wxString& settingsFileName, bool* made,
    boost::shared_ptr<ReadFileLocker>* loadLock) {
    if (made != nullptr) {
        *made = false;
    }
    const boost::shared_ptr<PrinterRepository> none;
    if (nameOrPath.empty()) {
        return none;
    }
    // The last separator, passing over one in the last position. '\\' is
    // one only in a Windows path; in a POSIX name it is a character.
    const wxString separators =
        vfs::provider::AbstractFileName::isWindowsForm(nameOrPath) ? wxT("\\/") : wxT("/");
    wxString name = nameOrPath;
    wxString folderPath;
    const size_t last = nameOrPath.find_last_of(separators, nameOrPath.length() - 2);
    if (nameOrPath.length() >= 2 && last != wxString::npos && last > 0) {
        name = nameOrPath.Mid(last + 1);
        folderPath = nameOrPath;
    }
    if (!name.empty() && separators.find(name.Last()) != wxString::npos) {
        name.RemoveLast();
    }
    if (name.empty() || name == wxT(".") || name == wxT("..")) {
        kernel::recordFailure(kernel::FailureCode::INVALID_NAME,
                              wxT("no printer can be named '") + nameOrPath + wxT("'"));
        return none;
    }
    std::lock_guard<std::mutex> lock(mutex_());
    std::map<wxString, boost::shared_ptr<PrinterRepository>>& map = instance_().m_map;
    const auto found = map.find(name);
    if (found != map.end() && found->second) {
        return found->second;
    }
    boost::shared_ptr<PrinterRepository> repository(
        new PrinterRepository(name, folderPath, settingsFileName, loadLock));
    // Loaded settings were read from the settings file a moment ago: that is
    // isValid() without asking the disk again.
    if (!boost::atomic_load(&repository->m_settings)) {
        if (!repository->getFolder()) {
            kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                                  wxT("no ") + impl::printerLabel(name));
        }
        return none;
    }
    map[name] = repository;
    if (made != nullptr) {
        *made = true;
    }
    return repository;
}

void PrinterCatalog::registerRepository(const boost::shared_ptr<PrinterRepository>& repository) {
    std::lock_guard<std::mutex> lock(mutex_());
    registerLocked_(repository);
}

void PrinterCatalog::registerLocked_(const boost::shared_ptr<PrinterRepository>& repository) {
    const vfs::FileObjectPtr folder = repository ? repository->getFolder() : vfs::FileObjectPtr();
    if (folder) {
        instance_().m_map[folder->getBaseName()] = repository;
    }
}

void PrinterCatalog::forgetRepository(const wxString& name) {
    std::lock_guard<std::mutex> lock(mutex_());
    instance_().m_map.erase(name);
}

void PrinterCatalog::forgetLocked_(const wxString& name, const PrinterRepository* repository) {
    std::map<wxString, boost::shared_ptr<PrinterRepository>>& map = instance_().m_map;
    const auto found = map.find(name);
    if (found != map.end() && (!found->second || found->second.get() == repository)) {
        map.erase(found);
    }
}

void PrinterCatalog::reset() {
    s_catalog.release();
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa
