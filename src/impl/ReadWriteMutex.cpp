#include "repos/ReadWriteMutex.h"

#include <condition_variable>
#include <mutex>

namespace vexa {
namespace repos {
namespace impl {

struct ReadWriteMutex::Impl_ {
    std::mutex mutex;
    std::condition_variable readersMayGo;
    std::condition_variable writerMayGo;
    std::int32_t readers = 0;
    std::int32_t waitingReaders = 0;
    std::int32_t writers = 0;
    std::int32_t waitingWriters = 0;
    // Bumped each time a leaving writer lets the waiting readers in; a
    // waiting reader goes when it changes (spurious wake-ups stay put).
    std::uint64_t admissions = 0;
};

ReadWriteMutex::ReadWriteMutex() : m_impl(new Impl_) {}

void ReadWriteMutex::readLock() {
    Impl_& s = *m_impl;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.writers > 0) {
        // The leaving writer counts this reader in before waking it.
        ++s.waitingReaders;
        const std::uint64_t admission = s.admissions;
        s.readersMayGo.wait(lock, [&] { return s.admissions != admission; });
        return;
    }
    ++s.readers;
}

void ReadWriteMutex::readUnlock() {
    Impl_& s = *m_impl;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (--s.readers == 0) {
        s.writerMayGo.notify_one();
    }
}

void ReadWriteMutex::writeLock() {
    Impl_& s = *m_impl;
    std::unique_lock<std::mutex> lock(s.mutex);
    ++s.waitingWriters;
    s.writerMayGo.wait(lock, [&] { return s.readers == 0 && s.writers == 0; });
    --s.waitingWriters;
    ++s.writers;
}

void ReadWriteMutex::writeUnlock() {
    Impl_& s = *m_impl;
    std::lock_guard<std::mutex> lock(s.mutex);
    --s.writers;
    if (s.waitingReaders > 0) {
        s.readers += s.waitingReaders;
        s.waitingReaders = 0;
        ++s.admissions;
        s.readersMayGo.notify_all();
    } else {
        s.writerMayGo.notify_one();
    }
}

std::int32_t ReadWriteMutex::readers() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->readers;
}

std::int32_t ReadWriteMutex::waitingReaders() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->waitingReaders;
}

std::int32_t ReadWriteMutex::waitingWriters() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->waitingWriters;
}

std::int32_t ReadWriteMutex::writers() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->writers;
}

ReadLocker::ReadLocker(ReadWriteMutex& mutex) : m_mutex(mutex) {
    m_mutex.readLock();
}
ReadLocker::~ReadLocker() {
    m_mutex.readUnlock();
}

WriteLocker::WriteLocker(ReadWriteMutex& mutex) : m_mutex(mutex) {
    m_mutex.writeLock();
}
WriteLocker::~WriteLocker() {
    m_mutex.writeUnlock();
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
