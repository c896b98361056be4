#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "kernel/Text.h"
#include "vfs/src/impl/FolderListing.h"
#include "vfs/src/impl/local/LocalFileObject.h"

namespace vexa {
namespace vfs {

namespace {

std::vector<wxString> listLocalSubfolders(const std::string& path) {
    std::vector<wxString> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat status;
            isFolder = ::fstatat(::dirfd(dir), name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        }
        if (isFolder) {
            names.push_back(kernel::fromMB(name));
        }
    }
    ::closedir(dir);
    return names;
}

const provider::local::LocalFileObject* localObject(const FileObjectPtr& folder) {
    return dynamic_cast<const provider::local::LocalFileObject*>(folder.get());
}

}  // namespace

std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder) {
    const provider::local::LocalFileObject* local = localObject(folder);
    return local ? listLocalSubfolders(kernel::toMB(local->getLocalPath()))
                 : std::vector<wxString>();
}

std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder, const wxString& child) {
    const provider::local::LocalFileObject* local = localObject(folder);
    // A name with a separator or a step up would list another folder.
    if (local == nullptr || child.empty() || child == wxT(".") || child == wxT("..") ||
        child.find('/') != wxString::npos) {
        return std::vector<wxString>();
    }
    std::string path = kernel::toMB(local->getLocalPath());
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return listLocalSubfolders(path + kernel::toMB(child));
}

}  // namespace vfs
}  // namespace vexa
