#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel/Failure.h"
#include "kernel/Text.h"
#include "logger/Log.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/local/LocalFileObject.h"

namespace vexa {
namespace vfs {

const wxChar* const kTemporaryPrefix = wxT(".~vexa-tmp.");

namespace {

const char* const kPrefixBytes = ".~vexa-tmp.";

// Writes straight to a descriptor and remembers any failure: a short write
// (full disk, file size limit) must fail the save, not truncate the file.
class DescriptorOutputStream : public wxOutputStream {
  public:
    explicit DescriptorOutputStream(int fd) : m_fd(fd) {}

  protected:
    size_t OnSysWrite(const void* buffer, size_t size) override {
        const char* bytes = static_cast<const char*>(buffer);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, bytes + done, size - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                m_error = n < 0 ? errno : ENOSPC;
                m_lasterror = wxSTREAM_WRITE_ERROR;
                break;
            }
            done += static_cast<size_t>(n);
        }
        return done;
    }

  public:
    // The errno of the first failed write; 0 when none failed.
    int error() const { return m_error; }

  private:
    int m_fd;
    int m_error = 0;
};

std::string folderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

std::string realPath(const FileObjectPtr& object) {
    const provider::local::LocalFileObject* local =
        dynamic_cast<const provider::local::LocalFileObject*>(object.get());
    if (local == nullptr) {
        return std::string();
    }
    char resolved[PATH_MAX];
    if (::realpath(local->getLocalPath().c_str(), resolved) == nullptr) {
        return std::string();
    }
    return resolved;
}

}  // namespace

bool isTemporaryName(const wxString& name) {
    return name.StartsWith(kTemporaryPrefix);
}

bool replaceFileDurably(const FileObjectPtr& target,
                        const std::function<void(wxOutputStream&)>& write) {
    const provider::local::LocalFileObject* local =
        dynamic_cast<const provider::local::LocalFileObject*>(target.get());
    if (local == nullptr) {
        return false;
    }
    const std::string& path = local->getLocalPath();
    const std::string folder = folderOf(path);
    // pid and a counter make the name unique among writers; O_EXCL makes sure.
    static std::atomic<unsigned long> counter(0);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/" + kPrefixBytes + std::to_string(::getpid()) + "." +
                    std::to_string(counter++) + "." + baseOf(path);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        kernel::recordOsFailure(errno, wxT("cannot write a new file in"), kernel::fromMB(folder));
        VEXA_LOG_DEBUG("Cannot create a temporary file in \"%s\"", kernel::fromMB(folder));
        return false;
    }
    struct stat previous;
    if (::stat(path.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) {
        ::fchmod(fd, previous.st_mode & 07777);
    }
    bool ok = true;
    int error = 0;
    {
        DescriptorOutputStream out(fd);
        try {
            write(out);
        } catch (...) {
            ok = false;
            error = EIO;
        }
        ok = ok && out.GetLastError() == wxSTREAM_NO_ERROR;
        error = out.error() != 0 ? out.error() : error;
    }
    if (::fsync(fd) != 0) {
        error = error != 0 ? error : errno;
        ok = false;
    }
    if (::close(fd) != 0) {
        error = error != 0 ? error : errno;
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        error = error != 0 ? error : EIO;
        kernel::recordOsFailure(error, wxT("cannot save"), kernel::fromMB(path));
        ::unlink(temporary.c_str());
        VEXA_LOG_DEBUG("Saving \"%s\" failed: %s", kernel::fromMB(path),
                       kernel::fromMB(std::strerror(error)));
        return false;
    }
    // The rename is durable only once the folder is on disk too; the new
    // content is in place either way, so this is not a failure of the save.
    syncFolder(folder);
    return true;
}

void removeStaleTemporaries(const wxString& anyFile) {
    const std::string folder = folderOf(kernel::toMB(anyFile));
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string own = std::string(kPrefixBytes) + std::to_string(::getpid()) + ".";
    const std::size_t prefixLength = std::strlen(kPrefixBytes);
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, kPrefixBytes, prefixLength) == 0 &&
            std::strncmp(name, own.c_str(), own.size()) != 0) {
            ::unlinkat(::dirfd(dir), name, 0);
        }
    }
    ::closedir(dir);
}

bool sameOrInside(const FileObjectPtr& a, const FileObjectPtr& b) {
    const std::string outer = realPath(a);
    const std::string inner = realPath(b);
    if (outer.empty() || inner.empty()) {
        return false;
    }
    if (outer == inner) {
        return true;
    }
    const std::string prefix = outer == "/" ? outer : outer + "/";
    return inner.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace vfs
}  // namespace vexa
