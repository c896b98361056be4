#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "repos/Failure.h"
#include "repos/ReadWriteMutex.h"

using vexa::repos::impl::ReadLocker;
using vexa::repos::impl::ReadWriteMutex;
using vexa::repos::impl::WriteLocker;

namespace {

// Spins (yielding) until `condition` holds: orders threads by state, not time.
template <typename Condition>
void await(Condition condition) {
    while (!condition()) {
        std::this_thread::yield();
    }
}

// A one-shot gate a thread waits at until it is opened.
class Gate {
  public:
    void open() { m_open = true; }
    void pass() const {
        await([this] { return m_open.load(); });
    }

  private:
    std::atomic<bool> m_open{false};
};

}  // namespace

TEST(ReadWriteMutexTest, LeavingWriterLetsAllWaitingReadersInBeforeAWaitingWriter) {
    ReadWriteMutex mutex;
    std::mutex logMutex;
    std::string log;
    auto record = [&](char c) {
        std::lock_guard<std::mutex> lock(logMutex);
        log += c;
    };
    Gate readersDone;
    std::vector<std::thread> threads;
    {
        WriteLocker first(mutex);
        for (int i = 0; i < 3; ++i) {
            threads.emplace_back([&] {
                ReadLocker reader(mutex);
                record('R');
                readersDone.pass();
            });
        }
        await([&] { return mutex.waitingReaders() == 3; });
        threads.emplace_back([&] {
            WriteLocker second(mutex);
            record('W');
        });
        await([&] { return mutex.waitingWriters() == 1; });
    }
    // All three readers are inside together while the writer still waits.
    await([&] { return mutex.readers() == 3; });
    EXPECT_EQ(mutex.waitingWriters(), 1);
    EXPECT_EQ(mutex.writers(), 0);
    readersDone.open();
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(log, "RRRW");
    EXPECT_EQ(mutex.readers(), 0);
    EXPECT_EQ(mutex.writers(), 0);
}

TEST(ReadWriteMutexTest, ManyThreadsNeverSeeAWriterBesideAnyoneElse) {
    ReadWriteMutex mutex;
    std::atomic<int> readersInside{0};
    std::atomic<int> writersInside{0};
    std::atomic<int> violations{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if ((i + t) % 4 == 0) {
                    WriteLocker writer(mutex);
                    if (++writersInside != 1 || readersInside != 0) {
                        ++violations;
                    }
                    --writersInside;
                } else {
                    ReadLocker reader(mutex);
                    ++readersInside;
                    if (writersInside != 0) {
                        ++violations;
                    }
                    --readersInside;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(violations.load(), 0);
}

// A thread asking for what it would wait for forever is refused at once;
// other threads still wait as ever, and a locker let go on another thread
// leaves no trace of the thread that took it.
TEST(ReadWriteMutexTest, AThreadIsRefusedWhatItWouldWaitForForever) {
    ReadWriteMutex mutex;
    {
        ReadLocker reader(mutex);
        ASSERT_TRUE(reader.held());
        vexa::repos::clearFailure();
        WriteLocker writer(mutex);
        EXPECT_FALSE(writer.held());
        EXPECT_EQ(vexa::repos::lastFailure().code, vexa::repos::FailureCode::WOULD_DEADLOCK);
        ReadLocker second(mutex);  // a second read hold waits for nobody
        EXPECT_TRUE(second.held());
    }
    {
        WriteLocker writer(mutex);
        ASSERT_TRUE(writer.held());
        EXPECT_FALSE(WriteLocker(mutex).held());
        EXPECT_FALSE(ReadLocker(mutex).held());
    }
    EXPECT_EQ(mutex.writers(), 0);
    EXPECT_EQ(mutex.readers(), 0);
    // Taken here, let go by another thread: this thread may write after.
    std::unique_ptr<ReadLocker> handedOver(new ReadLocker(mutex));
    std::thread([&] { handedOver.reset(); }).join();
    WriteLocker writer(mutex);
    EXPECT_TRUE(writer.held());
}
