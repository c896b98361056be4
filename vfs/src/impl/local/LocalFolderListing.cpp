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

// Opens the folder `name` (relative to `parent`, or a whole path with
// AT_FDCWD) for listing. Read straight from the descriptor: opendir() would
// ask for the folder's status once more, and the open already refuses
// anything that is not a folder (following links, as getType() does).
int openFolder(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The sub-folders of the folder open as `fd`; their names as the system
// gave them go to `raw` too when it is not null.
std::vector<wxString> readSubfolders(int fd, std::vector<std::string>* raw) {
    std::vector<wxString> names;
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
                if (raw != nullptr) {
                    raw->push_back(name);
                }
            }
        }
    }
    return names;
}

const provider::local::LocalFileObject* localObject(const FileObjectPtr& folder) {
    return dynamic_cast<const provider::local::LocalFileObject*>(folder.get());
}

}  // namespace

std::vector<wxString> listSubfolderNames(const FileObjectPtr& folder) {
    const provider::local::LocalFileObject* local = localObject(folder);
    const int fd = local ? openFolder(AT_FDCWD, local->getLocalPath().c_str()) : -1;
    if (fd < 0) {
        return std::vector<wxString>();
    }
    std::vector<wxString> names = readSubfolders(fd, nullptr);
    ::close(fd);
    return names;
}

std::vector<std::pair<wxString, std::vector<wxString>>> listSubfolderTree(
    const FileObjectPtr& folder) {
    std::vector<std::pair<wxString, std::vector<wxString>>> tree;
    const provider::local::LocalFileObject* local = localObject(folder);
    const int fd = local ? openFolder(AT_FDCWD, local->getLocalPath().c_str()) : -1;
    if (fd < 0) {
        return tree;
    }
    std::vector<std::string> raw;
    std::vector<wxString> names = readSubfolders(fd, &raw);
    tree.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::vector<wxString> below;
        const int child = openFolder(fd, raw[i].c_str());
        if (child >= 0) {
            below = readSubfolders(child, nullptr);
            ::close(child);
        }
        tree.emplace_back(std::move(names[i]), std::move(below));
    }
    ::close(fd);
    return tree;
}

}  // namespace vfs
}  // namespace vexa
