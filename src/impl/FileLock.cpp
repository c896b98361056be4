#include "repos/FileLock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <thread>
#include <utility>

#include "kernel/Text.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace repos {

namespace {

const int kAttempts = 22;
const std::chrono::milliseconds kPause(50);

// The operating-system side of every lock file of this process.
//
// A lock file's lock is a whole-file exclusive open-file-description lock
// (F_OFD_SETLK) on one descriptor per file, whoever in the process asked
// first. Such a lock belongs to the open file, not to the process: other
// code opening and closing the same file leaves it alone, other processes
// are refused whatever they ask for, and the kernel drops it when the
// process dies. Every token of the process - a reader's or a writer's - only
// counts in the file's entry; the last one released closes the descriptor.
//
// Entries are keyed by the file's identity (device and inode), so two
// spellings of one path share an entry. The table mutex is held for one
// non-blocking attempt at a time, never while a caller sleeps between
// attempts. The table is never destroyed: tokens may be released during
// static destruction at exit.
class LockTable {
  public:
    struct Key {
        unsigned long long device;
        unsigned long long inode;
        bool operator<(const Key& other) const {
            return device != other.device ? device < other.device : inode < other.inode;
        }
    };

    static LockTable& instance() {
        static LockTable* table = new LockTable;
        return *table;
    }

    // One attempt to count a token in for the file at `path`; on success the
    // key, the table's generation and the entry's descriptor are set.
    bool tryAcquire(const std::string& path, Key& key, unsigned long& generation, int& descriptor) {
        std::lock_guard<std::mutex> lock(m_mutex);
        struct stat status;
        if (::stat(path.c_str(), &status) == 0 &&
            countIn_(keyOf(status), key, generation, descriptor)) {
            return true;
        }
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            return false;
        }
        if (::fstat(fd, &status) != 0) {
            ::close(fd);
            return false;
        }
        if (countIn_(keyOf(status), key, generation, descriptor)) {
            ::close(fd);  // the file was reached through another spelling
            return true;
        }
        struct flock request = {};
        request.l_type = F_WRLCK;
        request.l_whence = SEEK_SET;
        request.l_start = 0;
        request.l_len = 0;  // the whole file
        if (::fcntl(fd, F_OFD_SETLK, &request) != 0) {
            ::close(fd);  // held by another process: no lock was taken here
            return false;
        }
        key = keyOf(status);
        m_entries[key] = Entry{fd, 1};
        generation = m_generation;
        descriptor = fd;
        return true;
    }

    void release(const Key& key, unsigned long generation) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (generation != m_generation) {
            return;  // a token inherited through fork(): the child holds nothing
        }
        auto found = m_entries.find(key);
        if (found != m_entries.end() && --found->second.count == 0) {
            ::close(found->second.descriptor);
            m_entries.erase(found);
        }
    }

  private:
    struct Entry {
        int descriptor;
        long count;
    };

    LockTable() {
        ::pthread_atfork([] { instance().m_mutex.lock(); }, [] { instance().m_mutex.unlock(); },
                         [] { instance().forgetInChild_(); });
    }

    static Key keyOf(const struct stat& status) {
        return Key{static_cast<unsigned long long>(status.st_dev),
                   static_cast<unsigned long long>(status.st_ino)};
    }

    bool countIn_(const Key& wanted, Key& key, unsigned long& generation, int& descriptor) {
        auto found = m_entries.find(wanted);
        if (found == m_entries.end()) {
            return false;
        }
        ++found->second.count;
        key = wanted;
        generation = m_generation;
        descriptor = found->second.descriptor;
        return true;
    }

    // A forked child shares its parent's open files, and with them the
    // locks; it must not keep the parent's folders locked after the parent
    // lets go. Its copies of the descriptors are closed (the parent's lock
    // stays) and the tokens it inherited are disowned.
    void forgetInChild_() {
        for (auto& entry : m_entries) {
            ::close(entry.second.descriptor);
        }
        m_entries.clear();
        ++m_generation;
        m_mutex.unlock();
    }

    std::mutex m_mutex;
    std::map<Key, Entry> m_entries;
    unsigned long m_generation = 0;
};

}  // namespace

FileLock::Token_::Token_(unsigned long long device, unsigned long long inode,
                         unsigned long generation, int descriptor)
    : m_device(device), m_inode(inode), m_generation(generation), m_descriptor(descriptor) {}

FileLock::Token_::~Token_() {
    LockTable::instance().release(LockTable::Key{m_device, m_inode}, m_generation);
}

FileLock::FileLock(const wxString& lockPath) : m_lockPath(lockPath) {}

boost::shared_ptr<FileLock> FileLock::create(const vfs::FileObjectPtr& folder) {
    if (!folder || folder->getType() == vfs::FileType::FILE) {
        return boost::shared_ptr<FileLock>();
    }
    vfs::FileObjectPtr lockFile = folder->resolveFile(wxT(".lock"), vfs::NameScope::CHILD);
    if (!lockFile) {
        return boost::shared_ptr<FileLock>();
    }
    lockFile->createFile();                            // an existing file stays as it is
    if (lockFile->getType() != vfs::FileType::FILE) {  // missing, or a folder
        return boost::shared_ptr<FileLock>();
    }
    vfs::FileContentPtr content = lockFile->getContent();
    const wxString path = content->getLocalPath();
    content->releaseLocalPath();
    return boost::shared_ptr<FileLock>(new FileLock(path));
}

FileLock::TokenPtr FileLock::open_() {
    const std::string path = kernel::toMB(m_lockPath);
    LockTable& table = LockTable::instance();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(kPause);
        }
        LockTable::Key key;
        unsigned long generation = 0;
        int descriptor = -1;
        if (table.tryAcquire(path, key, generation, descriptor)) {
            return TokenPtr(new Token_(key.device, key.inode, generation, descriptor));
        }
    }
    return TokenPtr();
}

FileLock::TokenPtr FileLock::acquireShared() {
    std::lock_guard<std::mutex> lock(m_guard);
    if (!m_shared) {
        m_shared = open_();
    }
    return m_shared;
}

void FileLock::releaseShared(TokenPtr& token) {
    if (!token) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_guard);
    token.reset();
    if (m_shared && m_shared.use_count() == 1) {
        m_shared.reset();
    }
}

FileLock::TokenPtr FileLock::acquireExclusive() {
    return open_();
}

ReadFileLocker::ReadFileLocker(const FileLockPtr& lock) : m_lock(lock) {
    if (m_lock) {
        m_token = m_lock->acquireShared();
    }
}

ReadFileLocker::~ReadFileLocker() {
    if (m_lock) {
        m_lock->releaseShared(m_token);
    }
}

WriteFileLocker::WriteFileLocker(const FileLockPtr& lock) {
    if (lock) {
        m_token = lock->acquireExclusive();
        if (m_token) {
            // No other process can be writing here now: what temporary files
            // of others remain were left by a crash.
            vfs::removeStaleTemporaries(lock->getLockPath());
        }
    }
}

WriteFileLocker::~WriteFileLocker() = default;

}  // namespace repos
}  // namespace vexa
