// The process-wide pool of copy buffers behind AbstractFileObject::GetBuffer.
#include <atomic>
#include <chrono>
#include <new>
#include <thread>

#include "logger/Log.h"
#include "vfs/src/impl/AbstractFileObject.h"

namespace vexa {
namespace vfs {
namespace provider {

namespace {

// One slot: a try-only lock and a buffer made on the slot's first use and
// kept for the life of the process (never freed). Both are atomics: the lock
// is a flag taken with compare-exchange, and ReleaseBuffer() reads the buffer
// pointers of slots that other threads may be filling.
struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<char*> buffer{nullptr};
};

Slot g_slots[AbstractFileObject::COPY_BUFFER_COUNT];

}  // namespace

char* AbstractFileObject::GetBuffer() {
    while (true) {
        for (Slot& slot : g_slots) {
            bool expected = false;
            if (!slot.taken.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
                continue;
            }
            char* buffer = slot.buffer.load(std::memory_order_acquire);
            if (buffer == nullptr) {
                buffer = new (std::nothrow) char[COPY_BUFFER_SIZE];
                if (buffer == nullptr) {
                    slot.taken.store(false, std::memory_order_release);
                    return nullptr;
                }
                slot.buffer.store(buffer, std::memory_order_release);
            }
            return buffer;
        }
        VEXA_LOG_DEBUG("********Waiting for Buffer**********");
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    }
}

void AbstractFileObject::ReleaseBuffer(char* buffer) {
    if (buffer == nullptr) {
        return;
    }
    for (Slot& slot : g_slots) {
        if (slot.buffer.load(std::memory_order_acquire) == buffer) {
            slot.taken.store(false, std::memory_order_release);
            return;
        }
    }
}

}  // namespace provider
}  // namespace vfs
}  // namespace vexa
