// The in-process reader/writer lock of a repository.
//
// Copies of a ReadWriteMutex share one lock. Any number of readers or one
// writer are inside at a time. When a writer leaves, the readers waiting
// behind it all go in at once, before any waiting writer; a writer goes in
// only once the last reader has left. Not recursive: a thread that holds the
// lock must not take it again.
//
// ReadLocker and WriteLocker take the lock in their constructor and release
// it in their destructor; they live on the heap behind shared handles so a
// repository reader or writer can keep its lock across calls. A locker may
// be released on another thread than the one that took it.
//
// A thread that asks for what it would wait for forever - the write lock
// while it holds the lock in any mode, or the read lock while it holds the
// write lock - is refused at once: the locker holds nothing (held() is
// false) and the thread's failure (repos/Failure.h) is WOULD_DEADLOCK,
// saying which rule. This holds in release builds too: a host that breaks
// the rule gets an empty reader or writer instead of a hang.
#ifndef VEXA_REPOS_READWRITEMUTEX_H
#define VEXA_REPOS_READWRITEMUTEX_H

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <thread>

#include "repos/Export.h"

namespace vexa {
namespace repos {
namespace impl {

class VEXA_REPOS_API ReadWriteMutex {
  public:
    ReadWriteMutex();

    // Used by the lockers only: `thread` is the thread that takes the lock.
    // False, taking nothing, for a lock the thread would wait for forever.
    bool readLock(std::thread::id thread);
    void readUnlock(std::thread::id thread);
    bool writeLock(std::thread::id thread);
    void writeUnlock(std::thread::id thread);

    // Diagnostics: readers inside, readers waiting, writers inside, writers
    // waiting.
    std::int32_t readers() const;
    std::int32_t waitingReaders() const;
    std::int32_t writers() const;
    std::int32_t waitingWriters() const;

  private:
    struct Impl_;
    boost::shared_ptr<Impl_> m_impl;
};

class VEXA_REPOS_API ReadLocker {
  public:
    explicit ReadLocker(ReadWriteMutex& mutex);
    ~ReadLocker();
    ReadLocker(const ReadLocker&) = delete;
    ReadLocker& operator=(const ReadLocker&) = delete;
    bool held() const { return m_held; }

  private:
    ReadWriteMutex m_mutex;
    std::thread::id m_thread;
    bool m_held = false;
};

class VEXA_REPOS_API WriteLocker {
  public:
    explicit WriteLocker(ReadWriteMutex& mutex);
    ~WriteLocker();
    WriteLocker(const WriteLocker&) = delete;
    WriteLocker& operator=(const WriteLocker&) = delete;
    bool held() const { return m_held; }

  private:
    ReadWriteMutex m_mutex;
    std::thread::id m_thread;
    bool m_held = false;
};

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_READWRITEMUTEX_H
