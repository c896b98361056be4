#include "vfs/src/impl/local/LocalFileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <string>
#include <utility>

#include "kernel/Text.h"
#include "vfs/src/impl/local/LocalDirTraverser.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {
namespace ops {

namespace {

const std::int64_t kNanosPerSecond = 1000000000;

std::string joinRaw(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

struct RawEntry {
    std::string name;
    unsigned char type;  // d_type: DT_REG, DT_DIR, DT_LNK, DT_UNKNOWN, ...
    bool operator<(const RawEntry& other) const { return name < other.name; }
};

bool listEntries(const std::string& folder, std::vector<RawEntry>* entries) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            entries->push_back(RawEntry{name, entry->d_type});
        }
    }
    closedir(dir);
    std::sort(entries->begin(), entries->end());
    return true;
}

bool listRaw(const std::string& folder, std::vector<std::string>* names) {
    std::vector<RawEntry> entries;
    if (!listEntries(folder, &entries)) {
        return false;
    }
    for (const RawEntry& entry : entries) {
        names->push_back(entry.name);
    }
    return true;
}

bool removeTreeRaw(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(st.st_mode)) {
        return unlink(path.c_str()) == 0;
    }
    std::vector<std::string> names;
    listRaw(path, &names);
    int firstError = 0;
    for (const std::string& name : names) {
        if (!removeTreeRaw(joinRaw(path, name)) && firstError == 0) {
            firstError = errno;
        }
    }
    // Fails, and so reports false, when something inside could not go; the
    // reason given is that of the first entry that stayed.
    if (rmdir(path.c_str()) == 0) {
        return true;
    }
    if (firstError != 0) {
        errno = firstError;
    }
    return false;
}

bool walkRaw(const std::string& folder, LocalDirTraverser& sink) {
    std::vector<RawEntry> entries;
    if (!listEntries(folder, &entries)) {
        return false;
    }
    std::vector<std::string> folders;
    std::vector<std::string> files;
    for (const RawEntry& entry : entries) {
        const std::string full = joinRaw(folder, entry.name);
        if (entry.type == DT_REG || entry.type == DT_LNK) {
            files.push_back(full);  // no status query needed; links are not entered
            continue;
        }
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) {
            continue;  // vanished since the listing
        }
        if (S_ISDIR(st.st_mode)) {
            folders.push_back(full);
        } else {
            files.push_back(full);
        }
    }
    for (const std::string& sub : folders) {
        if (!sink.onDirectory(kernel::fromMB(sub))) {
            return true;
        }
        walkRaw(sub, sink);
    }
    for (const std::string& file : files) {
        if (!sink.onFile(kernel::fromMB(file))) {
            return true;
        }
    }
    return true;
}

}  // namespace

bool queryStatus(const std::string& path, Status* status) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    status->isFolder = S_ISDIR(st.st_mode);
    status->size = static_cast<std::uint64_t>(st.st_size);
    status->modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    status->modifiedNanos =
        status->modifiedSeconds * kNanosPerSecond + static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return true;
}

bool queryIdentity(const std::string& path, Identity* identity) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    identity->isFolder = S_ISDIR(st.st_mode);
    identity->device = static_cast<std::uint64_t>(st.st_dev);
    identity->inode = static_cast<std::uint64_t>(st.st_ino);
    identity->size = static_cast<std::uint64_t>(st.st_size);
    identity->modifiedNanos = static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNanosPerSecond +
                              static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return true;
}

bool isSymbolicLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool readLink(const std::string& path, wxString* target) {
    std::vector<char> buffer(256);
    while (true) {
        const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return false;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            *target = kernel::fromMB(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 4);  // possibly cut: read again with more room
    }
}

bool makeLink(const std::string& target, const std::string& path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

CreateResult createNewFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno == EEXIST ? ALREADY_EXISTS : CREATE_FAILED;
    }
    close(fd);
    return CREATED;
}

bool makeFolders(const std::string& raw) {
    struct stat st;
    std::string::size_type next = raw.find('/', raw.empty() || raw[0] != '/' ? 0 : 1);
    while (true) {
        const std::string partial = next == std::string::npos ? raw : raw.substr(0, next);
        if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        if (next == std::string::npos) {
            break;
        }
        next = raw.find('/', next + 1);
    }
    return stat(raw.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool removeFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

bool removeTree(const std::string& path) {
    return removeTreeRaw(path);
}

bool renameReplacing(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

bool setModificationTime(const std::string& path, std::int64_t nanos) {
    std::int64_t seconds = nanos / kNanosPerSecond;
    std::int64_t rest = nanos % kNanosPerSecond;
    if (rest < 0) {  // before 1970: tv_nsec must stay in [0, 1e9)
        rest += kNanosPerSecond;
        --seconds;
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(rest);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool touch(const std::string& path) {
    return utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0;
}

bool listFolder(const std::string& path, std::vector<wxString>* names) {
    std::vector<std::string> raw;
    if (!listRaw(path, &raw)) {
        return false;
    }
    for (const std::string& name : raw) {
        names->push_back(kernel::fromMB(name));
    }
    return true;
}

int openForReading(const std::string& path, bool* missing) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    *missing = fd < 0 && (errno == ENOENT || errno == ENOTDIR);
    return fd;
}

int openForWriting(const std::string& path, bool* missing) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    *missing = fd < 0 && (errno == ENOENT || errno == ENOTDIR);
    if (fd < 0) {
        return fd;
    }
    // Truncate only what has bytes: on ext4 a truncation to zero makes the
    // close start writeback at once, which a just-created empty file (every
    // file of a copy) does not need.
    struct stat st;
    if (fstat(fd, &st) != 0 || (st.st_size != 0 && ftruncate(fd, 0) != 0)) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::int64_t openFileLength(int fd, bool* regular) {
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        return -1;
    }
    if (regular != nullptr) {
        *regular = S_ISREG(st.st_mode);
    }
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t currentTimeSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool walkTree(const std::string& folder, LocalDirTraverser& sink) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    return walkRaw(folder, sink);
}

}  // namespace ops
}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
