#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // The folder is read straight from its descriptor: opendir() would ask
    // for the folder's status once more, and the open already refuses
    // anything that is not a folder (following links, as getType() does).
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return names;
    }
    alignas(struct dirent64) char buffer[16384];
    ssize_t length = 0;
    while ((length = ::getdents64(fd, buffer, sizeof(buffer))) > 0) {
        for (ssize_t offset = 0; offset < length;) {
            const struct dirent64* entry =
                reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
                continue;
            }
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat status;
                isFolder = ::fstatat(fd, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
            }
            if (isFolder) {
                names.push_back(kernel::fromMB(name));
            }
        }
    }
    ::close(fd);
    return names;
}

const provider::local::LocalFileObject* localObject(const FileObjectPtr& folder) {
    return dynamic_cast<const provider::local::LocalFileObject*>(folder.get());
}

}  // namespace

std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder) {
    const provider::local::LocalFileObject* local = localObject(folder);
    return local ? listLocalSubfolders(local->getLocalPath())
                 : std::vector<wxString>();
}

std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder, const wxString& child) {
    const provider::local::LocalFileObject* local = localObject(folder);
    // A name with a separator or a step up would list another folder.
    if (local == nullptr || child.empty() || child == wxT(".") || child == wxT("..") ||
        child.find('/') != wxString::npos) {
        return std::vector<wxString>();
    }
    std::string path = local->getLocalPath();
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return listLocalSubfolders(path + kernel::toMB(child));
}

}  // namespace vfs
}  // namespace vexa
