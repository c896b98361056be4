#include "repos/SystemRepository.h"

#include <wx/filename.h>
#include <wx/utils.h>

#include <boost/shared_ptr.hpp>
#include <mutex>

#include "kernel/Failure.h"
#include "kernel/Text.h"
#include "kernel/VexKernel.h"
#include "logger/ErrorLog.h"
#include "logger/Log.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FileType.h"
#include "vfs/src/impl/FolderListing.h"

namespace vexa {
namespace repos {

namespace {

const char* const kSourceName = "src/SystemRepository";

// The located folders. Read without the mutex on the fast path, so every
// access goes through the atomic operations of shared_ptr.
vfs::FileObjectPtr s_installation;
vfs::FileObjectPtr s_repository;
vfs::FileObjectPtr s_printers;
std::mutex s_location;
// Guarded by s_location: the folder set by the host (the one holding "db"),
// and why the repository in use was taken.
wxString s_hostFolder;
wxString s_reason;

void logToLogger(int level, const wxString& message, int line) {
    errorlog::ErrorLog::getInstance().log(level, kernel::toMB(message).c_str(), kSourceName, line);
}

// True when a folder stands at the local path `path`; nothing is created.
bool folderExists(const wxString& path) {
    try {
        const vfs::FileObjectPtr top = vfs::openLocalFolder(vfs::createFileName(wxT("/")));
        const vfs::FileObjectPtr object =
            top->getFileSystem()->resolveFile(vfs::createFileName(path));
        return object && object->getType() == vfs::FileType::FOLDER;
    } catch (const vfs::FileSystemException&) {
        return false;
    }
}

// Opens `candidate` as the installation folder and looks for its "db".
// True when "db" exists. A missing candidate is not made.
bool tryCandidate(const wxString& candidate) {
    if (candidate.empty()) {
        return false;
    }
    vfs::FileObjectPtr installation;
    vfs::FileObjectPtr repository;
    try {
        // Opening a missing folder would create it.
        if (folderExists(candidate)) {
            installation = vfs::openLocalFolder(vfs::createFileName(candidate));
        }
        if (installation) {
            repository = installation->resolveChild(wxT("db"));
        }
    } catch (const vfs::FileSystemException&) {
        repository.reset();  // a file where the folder should be: not here
    }
    boost::atomic_store(&s_installation, installation);
    boost::atomic_store(&s_repository, repository);
    return repository && repository->exists();
}

// The folder above the one holding the executable (or above the working
// folder when the executable's path is unknown), with its volume.
wxFileName firstCandidate() {
    char buffer[260] = {0};
    OGetProcessExePath(buffer, sizeof(buffer));
    const wxString exePath = kernel::fromMB(buffer);
    logToLogger(0, wxT("ProcessExePath = ") + exePath, __LINE__);
    wxFileName candidate = exePath.empty() ? wxFileName::DirName(wxGetCwd()) : wxFileName(exePath);
    if (exePath.empty()) {
        candidate.RemoveLastDir();
    } else if (candidate.GetDirCount() > 0) {
        candidate.RemoveLastDir();
    }
    return candidate;
}

}  // namespace

vfs::FileObjectPtr SystemRepository::getRepositoryDir() {
    if (boost::atomic_load(&s_installation) && boost::atomic_load(&s_repository)) {
        return boost::atomic_load(&s_repository);
    }
    std::lock_guard<std::mutex> lock(s_location);
    if (boost::atomic_load(&s_installation) && boost::atomic_load(&s_repository)) {
        return boost::atomic_load(&s_repository);
    }
    if (!s_hostFolder.empty()) {
        if (tryCandidate(s_hostFolder)) {
            s_reason = wxT("set by the host");
            return boost::atomic_load(&s_repository);
        }
        VEXA_LOG_ERROR("Error locating system repository");
        boost::atomic_store(&s_repository, vfs::FileObjectPtr());
        s_reason = wxT("set by the host, but no longer there");
        return vfs::FileObjectPtr();
    }
    wxFileName candidate = firstCandidate();
    wxString text = candidate.GetPath(wxPATH_GET_VOLUME);
    logToLogger(0, wxT("vexaDir = ") + text, __LINE__);
    bool found = tryCandidate(text);
    s_reason = wxT("beside the program, in ") + text;
    if (!found) {
        logToLogger(1, wxT("Unable to locate repository dir in ") + text, __LINE__);
        if (candidate.GetDirCount() > 0) {
            candidate.RemoveLastDir();
        }
        text = candidate.GetPath(wxPATH_GET_VOLUME);
        logToLogger(0, wxT("vexaDir = ") + text, __LINE__);
        found = tryCandidate(text);
        s_reason = wxT("one level above the program, in ") + text;
    }
    if (!found) {
        boost::atomic_store(&s_installation, vfs::FileObjectPtr());
        boost::atomic_store(&s_repository, vfs::FileObjectPtr());
        wxString install;
        if (wxGetEnv(wxT("VEXA_INSTALL"), &install) && !install.empty()) {
            found = tryCandidate(install);
            s_reason = wxT("named by VEXA_INSTALL");
        }
    }
    if (!found) {
        s_reason = wxT("no \"db\" beside the program, one level above it, or in VEXA_INSTALL");
        VEXA_LOG_ERROR("Error locating system repository");
        boost::atomic_store(&s_repository, vfs::FileObjectPtr());
    }
    return boost::atomic_load(&s_repository);
}

vfs::FileObjectPtr SystemRepository::getPrintersFolder() {
    vfs::FileObjectPtr repository = getRepositoryDir();
    vfs::FileObjectPtr printers = boost::atomic_load(&s_printers);
    if (printers) {
        return printers;
    }
    std::lock_guard<std::mutex> lock(s_location);
    printers = boost::atomic_load(&s_printers);
    if (!printers && repository) {
        printers = repository->resolveChild(wxT("Printers"));
        if (printers && !printers->exists()) {
            printers.reset();  // not kept: "Printers" made later is found
        }
        boost::atomic_store(&s_printers, printers);
    }
    return printers;
}

std::list<wxString> SystemRepository::getPrintersList() {
    std::list<wxString> names;
    vfs::FileObjectPtr printers = getPrintersFolder();
    if (!printers) {
        return names;
    }
    // Read straight from the listing: a host lists every printer at start-up.
    for (wxString& name : vfs::listSubfolderNames(printers)) {
        names.push_back(std::move(name));
    }
    return names;
}

bool SystemRepository::setRepositoryDir(const wxString& folder) {
    wxString installation = folder;
    while (installation.length() > 1 && installation.EndsWith(wxT("/"))) {
        installation.RemoveLast();
    }
    if (!installation.empty() && !folderExists(installation + wxT("/db")) &&
        folderExists(installation + wxT("/Printers")) &&
        installation.AfterLast(wxT('/')) == wxT("db")) {
        // The "db" folder itself was named.
        installation = installation.BeforeLast(wxT('/'));
        if (installation.empty()) {
            installation = wxT("/");
        }
    }
    if (!installation.empty() && !folderExists(installation + wxT("/db"))) {
        kernel::recordFailure(kernel::FailureCode::NOT_FOUND,
                              wxT("no repository in '") + folder +
                                  wxT("' (neither a \"db\" folder in it nor a \"db\" folder "
                                      "holding \"Printers\")"),
                              folder);
        return false;
    }
    std::lock_guard<std::mutex> lock(s_location);
    s_hostFolder = installation;
    s_reason.clear();
    boost::atomic_store(&s_installation, vfs::FileObjectPtr());
    boost::atomic_store(&s_repository, vfs::FileObjectPtr());
    boost::atomic_store(&s_printers, vfs::FileObjectPtr());
    return true;
}

wxString SystemRepository::describeLocation() {
    const vfs::FileObjectPtr repository = getRepositoryDir();
    std::lock_guard<std::mutex> lock(s_location);
    if (!repository) {
        return wxT("no repository: ") + s_reason;
    }
    return repository->getName()->getNativePath() + wxT(" (") + s_reason + wxT(")");
}

void SystemRepository::Reset() {
    boost::atomic_store(&s_installation, vfs::FileObjectPtr());
    boost::atomic_store(&s_repository, vfs::FileObjectPtr());
    boost::atomic_store(&s_printers, vfs::FileObjectPtr());
}

}  // namespace repos
}  // namespace vexa
