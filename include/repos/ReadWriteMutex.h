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
// repository reader or writer can keep its lock across calls.
#ifndef VEXA_REPOS_READWRITEMUTEX_H
#define VEXA_REPOS_READWRITEMUTEX_H

#include <boost/shared_ptr.hpp>
#include <cstdint>

#include "repos/Export.h"

namespace vexa {
namespace repos {
namespace impl {

class VEXA_REPOS_API ReadWriteMutex {
  public:
    ReadWriteMutex();

    // Used by the lockers only.
    void readLock();
    void readUnlock();
    void writeLock();
    void writeUnlock();

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

  private:
    ReadWriteMutex m_mutex;
};

class VEXA_REPOS_API WriteLocker {
  public:
    explicit WriteLocker(ReadWriteMutex& mutex);
    ~WriteLocker();
    WriteLocker(const WriteLocker&) = delete;
    WriteLocker& operator=(const WriteLocker&) = delete;

  private:
    ReadWriteMutex m_mutex;
};

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_READWRITEMUTEX_H
