#include "repos/FileLock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <thread>
#include <utility>

#include "kernel/Failure.h"
#include "kernel/Text.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace repos {

namespace {

const std::chrono::milliseconds kPause(50);
const std::chrono::milliseconds kDefaultWait(21 * 50);  // 22 attempts
// No thread override: the process's wait applies.
const std::chrono::milliseconds kNoOverride(-1);

std::atomic<long long> s_processWaitMs(kDefaultWait.count());
thread_local std::chrono::milliseconds t_threadWait = kNoOverride;

// The operating-system side of every lock file of this process.
//
// A lock file's lock is a whole-file open-file-description lock
// (F_OFD_SETLK) on one descriptor per file, whoever in the process asked
// first. Such a lock belongs to the open file, not to the process: other
// code opening and closing the same file leaves it alone, other processes
// are refused whatever they ask for, and the kernel drops it when the
// process dies. Every token of the process - a reader's or a writer's - only
// counts in the file's entry; the last one released closes the descriptor.
//
// The lock is exclusive (F_WRLCK on a read-write descriptor) whenever the
// process may write the lock file. A process that may only read it (another
// user's repository, a read-only mount) holds a shared lock (F_RDLCK on a
// read-only descriptor) instead: it still keeps every writer of other
// processes out, but it can never hand out a writer's token. Where there is
// no lock file and none can be made, readers get a token that holds nothing:
// saves replace files by rename, so such a reader sees an old or a new file,
// whole.
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

    enum Outcome {
        TAKEN,   // a token was counted in (or, for a reader, none is possible)
        HELD,    // another process holds the lock: worth another attempt
        REFUSED  // the system refused access: `error` says why; no retry helps
    };

    struct Attempt {
        Outcome outcome = REFUSED;
        int error = 0;
        bool counted = false;  // false for a reader's token that holds nothing
        bool made = false;     // this attempt made the lock file
        Key key{0, 0};
        unsigned long generation = 0;
        int descriptor = -1;
    };

    static LockTable& instance() {
        static LockTable* table = new LockTable;
        return *table;
    }

    // One attempt to count a token in for the file at `path`.
    Attempt tryAcquire(const std::string& path, bool exclusive) {
        std::lock_guard<std::mutex> lock(m_mutex);
        Attempt attempt;
        struct stat status;
        // Opened first and asked about through the descriptor: a token of
        // this process already counted for the file is found by the same
        // query, and otherwise the descriptor is needed anyway.
        bool readOnly = false;
        // Opened as it is first, made only when missing: the caller learns
        // whether this attempt made it (which moves the folder's time).
        const int flags = O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW;
        int fd = ::open(path.c_str(), flags);
        // Bounded: another process making and removing the file without end
        // must not keep this one here.
        for (int tries = 0; fd < 0 && errno == ENOENT && tries < 3; ++tries) {
            fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
            if (fd >= 0) {
                attempt.made = true;
            } else if (errno == EEXIST) {
                fd = ::open(path.c_str(), flags);  // made by another just now
            } else {
                break;
            }
        }
        if (fd < 0) {
            // An entry of this process may still stand for the file (its
            // rights changed since, or a link leads to it).
            const int error = errno;
            if (::stat(path.c_str(), &status) == 0 && countIn_(keyOf(status), exclusive, attempt)) {
                return attempt;
            }
            errno = error;
        }
        if (fd < 0 && !exclusive && isAccessError(errno)) {
            readOnly = true;
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
            if (fd < 0 && errno == ENOENT) {
                // No lock file and no right to make one: nobody can write here
                // through a lock either.
                attempt.outcome = TAKEN;
                return attempt;
            }
        }
        if (fd < 0) {
            attempt.error = errno;
            return attempt;
        }
        if (::fstat(fd, &status) != 0) {
            attempt.error = errno;
            ::close(fd);
            return attempt;
        }
        if (countIn_(keyOf(status), exclusive, attempt)) {
            ::close(fd);  // counted in: the entry's descriptor holds the lock
            return attempt;
        }
        struct flock request = {};
        request.l_type = readOnly ? F_RDLCK : F_WRLCK;
        request.l_whence = SEEK_SET;
        request.l_start = 0;
        request.l_len = 0;  // the whole file
        if (::fcntl(fd, F_OFD_SETLK, &request) != 0) {
            const int error = errno;
            ::close(fd);  // no lock was taken here
            if (error == EAGAIN || error == EACCES) {
                attempt.outcome = HELD;
            } else {
                attempt.error = error;
            }
            return attempt;
        }
        const Key key = keyOf(status);
        m_entries[key] = Entry{fd, 1, readOnly};
        attempt.outcome = TAKEN;
        attempt.counted = true;
        attempt.key = key;
        attempt.generation = m_generation;
        attempt.descriptor = fd;
        return attempt;
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
        bool readOnly;  // a shared lock on a read-only descriptor
    };

    LockTable() {
        ::pthread_atfork([] { instance().m_mutex.lock(); }, [] { instance().m_mutex.unlock(); },
                         [] { instance().forgetInChild_(); });
    }

    static bool isAccessError(int error) {
        return error == EACCES || error == EPERM || error == EROFS;
    }

    static Key keyOf(const struct stat& status) {
        return Key{static_cast<unsigned long long>(status.st_dev),
                   static_cast<unsigned long long>(status.st_ino)};
    }

    // Counts a token into an existing entry. True when the entry exists
    // (the attempt is then decided: a writer's token cannot come from a
    // read-only entry).
    bool countIn_(const Key& wanted, bool exclusive, Attempt& attempt) {
        auto found = m_entries.find(wanted);
        if (found == m_entries.end()) {
            return false;
        }
        if (exclusive && found->second.readOnly) {
            attempt.outcome = REFUSED;
            attempt.error = EACCES;
            return true;
        }
        ++found->second.count;
        attempt.outcome = TAKEN;
        attempt.counted = true;
        attempt.key = wanted;
        attempt.generation = m_generation;
        attempt.descriptor = found->second.descriptor;
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
    if (m_descriptor >= 0) {
        LockTable::instance().release(LockTable::Key{m_device, m_inode}, m_generation);
    }
}

FileLock::FileLock(const wxString& lockPath) : m_lockPath(lockPath) {}

boost::shared_ptr<FileLock> FileLock::create(const vfs::FileObjectPtr& folder) {
    if (!folder) {
        return boost::shared_ptr<FileLock>();
    }
    const vfs::FileType type = folder->getType();
    if (type == vfs::FileType::FILE) {
        return boost::shared_ptr<FileLock>();
    }
    if (type == vfs::FileType::FOLDER) {
        return createInFolder(folder);
    }
    // A missing folder is made by resolving below it.
    return ofLockFile_(folder->resolveFile(wxT(".lock"), vfs::NameScope::CHILD), nullptr);
}

boost::shared_ptr<FileLock> FileLock::createInFolder(const vfs::FileObjectPtr& folder, bool* made) {
    if (made != nullptr) {
        *made = false;
    }
    return folder ? ofLockFile_(folder->resolveChildOfFolder(wxT(".lock")), made)
                  : boost::shared_ptr<FileLock>();
}

boost::shared_ptr<FileLock> FileLock::ofFolder(const vfs::FileObjectPtr& folder) {
    return folder ? ofLockFile_(folder->resolveChildOfFolder(wxT(".lock")), nullptr, false)
                  : boost::shared_ptr<FileLock>();
}

boost::shared_ptr<FileLock> FileLock::ofLockFile_(const vfs::FileObjectPtr& lockFile, bool* made,
                                                  bool makeNow) {
    if (!lockFile) {
        return boost::shared_ptr<FileLock>();
    }
    // An existing file stays as it is. One that cannot be made (another
    // user's folder, a read-only mount) still gives a lock: readers then go
    // ahead without one, writers are refused with the reason. A folder
    // standing where the file should be is refused by the first acquisition,
    // which says so; asking its type here would cost every printer's open a
    // status query.
    const bool created = makeNow && lockFile->createFile();
    if (made != nullptr) {
        *made = created;
    }
    wxString path = vfs::systemPathOf(lockFile);
    if (path.empty()) {
        vfs::FileContentPtr content = lockFile->getContent();
        path = content->getLocalPath();
        content->releaseLocalPath();
    }
    return boost::shared_ptr<FileLock>(new FileLock(path));
}

FileLock::TokenPtr FileLock::open_(bool exclusive) {
    const std::string path = kernel::toMB(m_lockPath);
    LockTable& table = LockTable::instance();
    const int attempts =
        1 + static_cast<int>((getWait().count() + kPause.count() - 1) / kPause.count());
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(kPause);
        }
        const LockTable::Attempt result = table.tryAcquire(path, exclusive);
        if (result.made) {
            m_made.store(true, std::memory_order_relaxed);
        }
        if (result.outcome == LockTable::TAKEN) {
            return TokenPtr(new Token_(result.key.device, result.key.inode, result.generation,
                                       result.descriptor));
        }
        if (result.outcome == LockTable::REFUSED) {
            // Waiting does not give a permission: say why at once, and never
            // call it "locked".
            kernel::recordOsFailure(
                result.error,
                exclusive ? wxT("cannot lock for writing") : wxT("cannot lock for reading"),
                m_lockPath);
            return TokenPtr();
        }
    }
    kernel::recordFailure(kernel::FailureCode::LOCKED,
                          wxString::Format(wxT("locked by another process ('%s')"), m_lockPath),
                          m_lockPath);
    return TokenPtr();
}

void FileLock::setWait(std::chrono::milliseconds wait) {
    s_processWaitMs = wait.count() < 0 ? kDefaultWait.count() : wait.count();
}

std::chrono::milliseconds FileLock::getWait() {
    return t_threadWait.count() >= 0 ? t_threadWait : std::chrono::milliseconds(s_processWaitMs);
}

LockWait::LockWait(std::chrono::milliseconds wait) : m_previous(t_threadWait) {
    t_threadWait = wait.count() < 0 ? kDefaultWait : wait;
}

LockWait::~LockWait() {
    t_threadWait = m_previous;
}

FileLock::TokenPtr FileLock::acquireShared() {
    std::lock_guard<std::mutex> lock(m_guard);
    if (!m_shared) {
        m_shared = open_(false);
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
    return open_(true);
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
