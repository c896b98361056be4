// Lock files: keeping the processes that share a repository folder apart.
//
// Every repository folder holds a file ".lock". Its open handles are the
// lock; the file itself is created on first use and never removed.
//
// The rules:
// - Between processes the lock is a plain mutual exclusion. While any handle
//   of process A is open on a folder's ".lock" - a reader's or a writer's -
//   every attempt of another process B to take it, reading or writing, fails.
//   Two processes never hold it at once.
// - Within one process the lock excludes nothing: every handle of a process
//   is compatible with every other of the same process. Readers and writers
//   of one process are kept apart by the repository's in-process
//   ReadWriteMutex, which is always taken first and released last.
// - Taking the lock never blocks indefinitely: one attempt, then up to 21
//   more 50 ms apart (22 attempts, about 1.05 s; a host may choose another
//   wait, see setWait and LockWait below). When all fail the result
//   is an empty token and the thread's failure (repos/Failure.h) says
//   LOCKED with the lock file's path; nothing is thrown and nothing is
//   logged.
// - A process that may not write the ".lock" (another user's repository, a
//   read-only mount) takes a shared lock on a read-only handle for its
//   readers: it still keeps other processes' writers out. It gets no
//   writer's token: that fails at once with the reason (PERMISSION_DENIED
//   or READ_ONLY), never as LOCKED. Where no ".lock" exists and none can be
//   made, a reader's token holds nothing (saves replace files by rename, so
//   such a reader sees an old or a new file, whole). A ".lock" that is a
//   symbolic link is never followed.
// - The readers of one FileLock share one token (acquireShared); each writer
//   gets a token of its own (acquireExclusive). A token lives as long as its
//   last handle.
// - A process that exits or dies releases its locks at once: the operating
//   system drops them with the process's open files. A child made by fork()
//   does not inherit its parent's locks.
// - Opening and closing the same ".lock" file elsewhere in the process (by
//   other code, or a second FileLock on the same folder) does not release
//   the lock.
//
// On this platform the operating-system side is one process-wide table of
// locked files (see FileLock.cpp); the tokens only count in it.
#ifndef VEXA_REPOS_FILELOCK_H
#define VEXA_REPOS_FILELOCK_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <atomic>
#include <chrono>
#include <mutex>

#include "repos/Export.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API FileLock {
  public:
    // One held lock: while it exists, this process holds the folder's lock.
    class VEXA_REPOS_API Token_ {
      public:
        ~Token_();
        Token_(const Token_&) = delete;
        Token_& operator=(const Token_&) = delete;
        // The descriptor holding the operating-system lock for this process; -1
        // for a reader's token that holds no lock (see above).
        int descriptor() const { return m_descriptor; }

      private:
        friend class FileLock;
        Token_(unsigned long long device, unsigned long long inode, unsigned long generation,
               int descriptor);
        unsigned long long m_device;
        unsigned long long m_inode;
        unsigned long m_generation;
        int m_descriptor;
    };
    typedef boost::shared_ptr<Token_> TokenPtr;

    // The lock of `folder`: creates its ".lock" when missing (and allowed).
    // Empty when the folder handle is empty or names a file. Where a folder
    // stands in place of ".lock", every acquisition is refused at once and
    // the failure names it.
    static boost::shared_ptr<FileLock> create(const vfs::FileObjectPtr& folder);
    // create(folder) for a folder the caller has just found to be one: the
    // folder is not asked about again. `made` (may be null) tells whether
    // this call made the ".lock" (which moved the folder's time).
    static boost::shared_ptr<FileLock> createInFolder(const vfs::FileObjectPtr& folder,
                                                      bool* made = nullptr);
    // The same, but a missing ".lock" is made by the first acquisition, not
    // now: a caller that acquires at once asks the system once instead of
    // twice. madeByAcquiring() then tells whether it was made.
    static boost::shared_ptr<FileLock> ofFolder(const vfs::FileObjectPtr& folder);
    // Whether an acquisition of this lock made its ".lock" (which moved the
    // folder's time).
    bool madeByAcquiring() const { return m_made.load(std::memory_order_relaxed); }

    // A handle to the token that all readers of this lock share, taken with
    // the retries above when no reader holds it yet; empty when the lock
    // could not be had.
    TokenPtr acquireShared();
    // Drops a reader's handle; the shared token goes with the last one.
    void releaseShared(TokenPtr& token);
    // A token of its own for a writer; empty when the lock could not be had.
    TokenPtr acquireExclusive();

    const wxString& getLockPath() const { return m_lockPath; }

    // How long taking a lock may wait for another process to let go, for
    // the whole process: 0 makes one attempt; a batch job may wait several
    // seconds. Attempts are 50 ms apart. A negative wait restores the
    // default of about 1.05 s (22 attempts). A LockWait of the calling
    // thread takes precedence.
    static void setWait(std::chrono::milliseconds wait);
    // The wait in force for the calling thread.
    static std::chrono::milliseconds getWait();

  private:
    explicit FileLock(const wxString& lockPath);
    // The lock of the lock file `lockFile`, made when missing; empty when
    // the handle is empty.
    static boost::shared_ptr<FileLock> ofLockFile_(const vfs::FileObjectPtr& lockFile, bool* made,
                                                   bool makeNow = true);
    TokenPtr open_(bool exclusive);

    wxString m_lockPath;
    TokenPtr m_shared;
    std::mutex m_guard;
    std::atomic<bool> m_made{false};
};

typedef boost::shared_ptr<FileLock> FileLockPtr;

// Sets the wait of the calling thread for its lifetime (per call: make one
// around the call), then puts back what was there.
class VEXA_REPOS_API LockWait {
  public:
    explicit LockWait(std::chrono::milliseconds wait);
    ~LockWait();
    LockWait(const LockWait&) = delete;
    LockWait& operator=(const LockWait&) = delete;

  private:
    std::chrono::milliseconds m_previous;
};

// Holds the shared token of a lock for its lifetime. An empty lock gives a
// locker that holds nothing.
class VEXA_REPOS_API ReadFileLocker {
  public:
    explicit ReadFileLocker(const FileLockPtr& lock);
    ~ReadFileLocker();
    ReadFileLocker(const ReadFileLocker&) = delete;
    ReadFileLocker& operator=(const ReadFileLocker&) = delete;
    bool holdsLock() const { return static_cast<bool>(m_token); }

  private:
    FileLockPtr m_lock;
    FileLock::TokenPtr m_token;
};

// Holds an exclusive token of a lock for its lifetime. An empty lock gives a
// locker that holds nothing.
class VEXA_REPOS_API WriteFileLocker {
  public:
    explicit WriteFileLocker(const FileLockPtr& lock);
    ~WriteFileLocker();
    WriteFileLocker(const WriteFileLocker&) = delete;
    WriteFileLocker& operator=(const WriteFileLocker&) = delete;
    bool holdsLock() const { return static_cast<bool>(m_token); }

  private:
    FileLock::TokenPtr m_token;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_FILELOCK_H
