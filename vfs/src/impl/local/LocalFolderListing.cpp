#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include "kernel/Text.h"
#include "vfs/src/impl/FolderListing.h"
#include "vfs/src/impl/local/LocalFileObject.h"

namespace vexa {
namespace vfs {

std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder) {
    std::vector<wxString> names;
    const provider::local::LocalFileObject* local =
        dynamic_cast<const provider::local::LocalFileObject*>(folder.get());
    if (local == nullptr) {
        return names;
    }
    DIR* dir = ::opendir(kernel::toMB(local->getLocalPath()).c_str());
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

}  // namespace vfs
}  // namespace vexa
