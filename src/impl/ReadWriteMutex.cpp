#include "repos/ReadWriteMutex.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "kernel/Failure.h"

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
    // The threads inside (true for the writer), so that a thread asking for
    // what it would wait for forever is refused at once.
    std::vector<std::pair<std::thread::id, bool>> holders;

    // True when `thread` is inside; as writer only, when `writerOnly`.
    bool holds(std::thread::id thread, bool writerOnly) const {
        return std::any_of(holders.begin(), holders.end(), [&](const auto& h) {
            return h.first == thread && (h.second || !writerOnly);
        });
    }
    void leave(std::thread::id thread, bool writer) {
        const auto found = std::find(holders.begin(), holders.end(), std::make_pair(thread, writer));
        if (found != holders.end()) {
            holders.erase(found);
        }
    }
};

namespace {

void refuseSelfDeadlock(bool wantsWriter) {
    kernel::recordFailure(
        kernel::FailureCode::WOULD_DEADLOCK,
        wantsWriter ? wxT("this thread already holds a reader or writer of the same printer, "
                          "media or mode (or of a media or mode inside the printer asked for); "
                          "a writer would wait for it forever: drop them first")
                    : wxT("this thread already holds a writer of the same printer, media or "
                          "mode; a reader would wait for it forever: use the writer"));
}

}  // namespace

ReadWriteMutex::ReadWriteMutex() : m_impl(new Impl_) {}

bool ReadWriteMutex::readLock(std::thread::id thread) {
    Impl_& s = *m_impl;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.writers > 0) {
        if (s.holds(thread, true)) {
            refuseSelfDeadlock(false);
            return false;
        }
        // The leaving writer counts this reader in before waking it.
        ++s.waitingReaders;
        const std::uint64_t admission = s.admissions;
        s.readersMayGo.wait(lock, [&] { return s.admissions != admission; });
    } else {
        ++s.readers;
    }
    s.holders.emplace_back(thread, false);
    return true;
}

void ReadWriteMutex::readUnlock(std::thread::id thread) {
    Impl_& s = *m_impl;
    std::lock_guard<std::mutex> lock(s.mutex);
    s.leave(thread, false);
    if (--s.readers == 0) {
        s.writerMayGo.notify_one();
    }
}

bool ReadWriteMutex::writeLock(std::thread::id thread) {
    Impl_& s = *m_impl;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.holds(thread, false)) {
        refuseSelfDeadlock(true);
        return false;
    }
    ++s.waitingWriters;
    s.writerMayGo.wait(lock, [&] { return s.readers == 0 && s.writers == 0; });
    --s.waitingWriters;
    ++s.writers;
    s.holders.emplace_back(thread, true);
    return true;
}

void ReadWriteMutex::writeUnlock(std::thread::id thread) {
    Impl_& s = *m_impl;
    std::lock_guard<std::mutex> lock(s.mutex);
    s.leave(thread, true);
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

ReadLocker::ReadLocker(ReadWriteMutex& mutex)
    : m_mutex(mutex), m_thread(std::this_thread::get_id()) {
    m_held = m_mutex.readLock(m_thread);
}
ReadLocker::~ReadLocker() {
    if (m_held) {
        m_mutex.readUnlock(m_thread);
    }
}

WriteLocker::WriteLocker(ReadWriteMutex& mutex)
    : m_mutex(mutex), m_thread(std::this_thread::get_id()) {
    m_held = m_mutex.writeLock(m_thread);
}
WriteLocker::~WriteLocker() {
    if (m_held) {
        m_mutex.writeUnlock(m_thread);
    }
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
