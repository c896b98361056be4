#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "common/TestSupport.h"
#include "repos/Failure.h"
#include "repos/FileLock.h"
#include "repository/ProcessHelpers.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

using vexa::repos::FileLock;
using vexa::repos::FileLockPtr;
using vexa::repos::ReadFileLocker;
using vexa::repos::WriteFileLocker;
using vexa::test::Child;
using vexa::test::secondsSince;

namespace {

bool descriptorOpen(int fd) {
    return fd >= 0 && ::fcntl(fd, F_GETFD) != -1;
}

class FileLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = vexa::vfs::openLocalFolder(
            vexa::vfs::createFileName(vexa::test::toWx(dir.path() + "/Épreuve 東京")));
        lock = FileLock::create(folder);
        ASSERT_TRUE(lock);
    }
    vexa::test::TempDir dir;
    vexa::vfs::FileObjectPtr folder;
    FileLockPtr lock;
};

typedef std::chrono::steady_clock Clock;

// Refusals take about 22 attempts 50 ms apart: at least this long.
const double kRefusalMin = 0.9;

}  // namespace

TEST_F(FileLockTest, CreateMakesTheLockFileAndRefusesFilesAndNothing) {
    EXPECT_TRUE(vexa::test::pathExists(dir.path() + "/Épreuve 東京/.lock"));
    EXPECT_FALSE(FileLock::create(vexa::vfs::FileObjectPtr()));
    // Lockers of no lock hold nothing.
    EXPECT_FALSE(ReadFileLocker(FileLockPtr()).holdsLock());
    EXPECT_FALSE(WriteFileLocker(FileLockPtr()).holdsLock());
    vexa::test::writeFile(dir.path() + "/Épreuve 東京/plain", "x");
    vexa::vfs::FileObjectPtr file = folder->resolveChild(wxT("plain"));
    ASSERT_EQ(file->getType(), vexa::vfs::FileType::FILE);
    EXPECT_FALSE(FileLock::create(file));
    // An existing lock file is kept as it is.
    vexa::test::writeFile(dir.path() + "/Épreuve 東京/.lock", "keep");
    EXPECT_TRUE(FileLock::create(folder));
    EXPECT_EQ(vexa::test::readFile(dir.path() + "/Épreuve 東京/.lock"), "keep");
    // A folder where the lock file should be: readers and writers are
    // refused at once, told which file and why, and the folder stays.
    std::filesystem::create_directories(dir.path() + "/odd/.lock");
    vexa::test::writeFile(dir.path() + "/odd/.lock/inside", "x");
    const FileLockPtr odd = FileLock::create(vexa::vfs::openLocalFolder(
        vexa::vfs::createFileName(vexa::test::toWx(dir.path() + "/odd"))));
    ASSERT_TRUE(odd);
    for (bool exclusive : {false, true}) {
        vexa::repos::LockWait patient(std::chrono::hours(1));  // a retry would hang the test
        const bool held = exclusive ? WriteFileLocker(odd).holdsLock()
                                    : ReadFileLocker(odd).holdsLock();
        EXPECT_FALSE(held) << exclusive;
        const vexa::repos::Failure failure = vexa::repos::lastFailure();
        EXPECT_EQ(failure.code, vexa::repos::FailureCode::IO_ERROR) << exclusive;
        EXPECT_NE(failure.message.find(wxT("/odd/.lock")), wxString::npos) << failure.message;
    }
    EXPECT_EQ(vexa::test::readFile(dir.path() + "/odd/.lock/inside"), "x");
}

// Readers of a process share one handle, closed by the last; no handle of
// a process keeps another of the same process out.
TEST_F(FileLockTest, HandlesOfOneProcessAreSharedAndCoexist) {
    FileLock::TokenPtr first = lock->acquireShared();
    FileLock::TokenPtr second = lock->acquireShared();
    ASSERT_TRUE(first);
    ASSERT_EQ(first, second);
    const int fd = first->descriptor();
    EXPECT_TRUE(descriptorOpen(fd));
    lock->releaseShared(first);
    EXPECT_FALSE(first);
    EXPECT_TRUE(descriptorOpen(fd));
    lock->releaseShared(second);
    EXPECT_FALSE(descriptorOpen(fd));

    ReadFileLocker reader(lock);
    WriteFileLocker writer(lock);
    WriteFileLocker secondWriter(lock);
    FileLockPtr other = FileLock::create(folder);  // another repository object
    ReadFileLocker otherReader(other);
    EXPECT_TRUE(reader.holdsLock());
    EXPECT_TRUE(writer.holdsLock());
    EXPECT_TRUE(secondWriter.holdsLock());
    EXPECT_TRUE(otherReader.holdsLock());
}

TEST_F(FileLockTest, ManyThreadsMixingAcquisitionsAreNeverRefused) {
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if ((i + t) % 3 == 0) {
                    WriteFileLocker writer(lock);
                    refused += writer.holdsLock() ? 0 : 1;
                } else {
                    ReadFileLocker reader(lock);
                    refused += reader.holdsLock() ? 0 : 1;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(refused.load(), 0);
}

// Process A (this test) holds the lock in one mode; process B tries both.
class CrossProcessTest : public FileLockTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CrossProcessTest, AnyHandleOfOneProcessKeepsEveryHandleOfAnotherOut) {
    const bool aWrites = GetParam();
    Child b([&](Child& self) {
        self.await();  // A holds the lock now
        int failures = 0;
        for (int mode = 0; mode < 2; ++mode) {
            const Clock::time_point start = Clock::now();
            const bool got = mode == 0 ? static_cast<bool>(lock->acquireExclusive())
                                       : static_cast<bool>(lock->acquireShared());
            const double took = secondsSince(start);
            if (got || took < kRefusalMin) {
                failures |= 1 << mode;
            }
        }
        self.signal();
        self.await();  // A has let go
        vexa::repos::LockWait once(std::chrono::milliseconds(0));
        if (!lock->acquireExclusive()) {
            failures |= 4;
        }
        return failures;
    });
    ASSERT_TRUE(b.started());
    {
        std::unique_ptr<ReadFileLocker> reader;
        std::unique_ptr<WriteFileLocker> writer;
        if (aWrites) {
            writer.reset(new WriteFileLocker(lock));
            ASSERT_TRUE(writer->holdsLock());
        } else {
            reader.reset(new ReadFileLocker(lock));
            ASSERT_TRUE(reader->holdsLock());
        }
        b.signal();
        ASSERT_EQ(b.await(), '!');
    }
    b.signal();
    EXPECT_EQ(b.wait(), 0) << "bit 0: B's writer, bit 1: B's reader got in or did not wait; "
                              "bit 2: B was not let in at the first attempt";
}

INSTANTIATE_TEST_SUITE_P(ReaderOrWriter, CrossProcessTest, ::testing::Values(false, true));

TEST_F(FileLockTest, AKilledProcessFreesItsLockAtOnce) {
    Child a([&](Child& self) {
        WriteFileLocker writer(lock);
        self.signal(writer.holdsLock() ? 'y' : 'n');
        self.await();  // never answered: killed here
        return 0;
    });
    ASSERT_EQ(a.await(), 'y');
    EXPECT_FALSE(lock->acquireShared());
    a.kill();
    vexa::repos::LockWait once(std::chrono::milliseconds(0));
    FileLock::TokenPtr token = lock->acquireShared();
    EXPECT_TRUE(token) << "not had at the first attempt";
    lock->releaseShared(token);
}

TEST_F(FileLockTest, OpeningAndClosingTheLockFileElsewhereKeepsTheLock) {
    Child b([&](Child& self) {
        self.await();
        const bool got = static_cast<bool>(lock->acquireExclusive());
        return got ? 1 : 0;
    });
    ReadFileLocker reader(lock);
    ASSERT_TRUE(reader.holdsLock());
    const std::string path = vexa::test::toUtf8(lock->getLockPath());
    for (int flags : {O_RDONLY, O_WRONLY, O_RDWR}) {
        const int fd = ::open(path.c_str(), flags);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    b.signal();
    EXPECT_EQ(b.wait(), 0) << "the other process got the lock after an unrelated close";
}

// A user who may read the repository but not write it (another user's
// files, a read-only mount) reads under a shared lock that still keeps
// other processes' writers out, and is refused a writer's lock at once, as
// a permission problem, never as "locked". Without any lock file to open,
// reading goes ahead without one.
TEST_F(FileLockTest, AUserWhoMayOnlyReadReadsAndIsToldWhyHeCannotWrite) {
    const vexa::vfs::FileObjectPtr bare = vexa::vfs::openLocalFolder(
        vexa::vfs::createFileName(vexa::test::toWx(dir.file("bare"))));
    const FileLockPtr bareLock = FileLock::create(bare);
    ASSERT_TRUE(bareLock);
    ::unlink(dir.file("bare/.lock").c_str());
    vexa::test::chmodTree(dir.path(), 0555, 0444);
    Child reader([&](Child& self) {
        if (!vexa::test::dropRoot()) {
            return 10;
        }
        int failures = 0;
        ReadFileLocker shared(lock);
        failures |= shared.holdsLock() ? 0 : 1;
        // Retrying a permission would wait for ever here.
        vexa::repos::LockWait patient(std::chrono::hours(1));
        WriteFileLocker writer(lock);
        const vexa::repos::FailureCode code = vexa::repos::lastFailure().code;
        failures |=
            writer.holdsLock() || code != vexa::repos::FailureCode::PERMISSION_DENIED ? 2 : 0;
        ReadFileLocker lockless(bareLock);
        failures |= lockless.holdsLock() ? 0 : 8;
        self.signal();
        self.await();  // the other process tried to write meanwhile
        return failures;
    });
    ASSERT_TRUE(reader.started());
    ASSERT_EQ(reader.await(), '!');
    EXPECT_FALSE(lock->acquireExclusive()) << "a reader with a read-only handle let a writer in";
    EXPECT_EQ(vexa::repos::lastFailure().code, vexa::repos::FailureCode::LOCKED);
    reader.signal();
    EXPECT_EQ(reader.wait(), 0) << "bit 0: no read lock; bit 1: a writer's lock or the wrong "
                                   "reason; bit 3: no lockless read";
    vexa::test::chmodTree(dir.path(), 0700, 0600);
}

// How long acquisition waits for another process is the host's choice: per
// process, and per call through a LockWait of the calling thread. The
// process waits an hour unless told otherwise, so a wait not honoured shows
// as a test that never ends.
TEST_F(FileLockTest, AHostChoosesHowLongToWaitForALockHeldElsewhere) {
    Child holder([&](Child& self) {
        WriteFileLocker writer(lock);
        self.signal(writer.holdsLock() ? 'y' : 'n');
        self.await();
        return 0;
    });
    ASSERT_EQ(holder.await(), 'y');
    const auto attempt = [&]() {
        const Clock::time_point start = Clock::now();
        EXPECT_FALSE(lock->acquireShared());
        EXPECT_EQ(vexa::repos::lastFailure().code, vexa::repos::FailureCode::LOCKED);
        return secondsSince(start);
    };
    FileLock::setWait(std::chrono::hours(1));
    {
        vexa::repos::LockWait once(std::chrono::milliseconds(0));
        attempt();
        {
            vexa::repos::LockWait batch(std::chrono::seconds(2));
            EXPECT_GE(attempt(), 1.9);
        }
        { vexa::repos::LockWait hour(std::chrono::hours(1)); }
        attempt();  // the inner wait put the outer one back
    }
    FileLock::setWait(std::chrono::milliseconds(0));
    attempt();
    std::thread(attempt).join();  // the process's wait holds on every thread
    FileLock::setWait(std::chrono::milliseconds(-1));
    EXPECT_EQ(FileLock::getWait(), std::chrono::milliseconds(1050));
    holder.signal();
    EXPECT_EQ(holder.wait(), 0);
}

TEST_F(FileLockTest, AForkedChildDoesNotKeepItsParentsLock) {
    FileLock::TokenPtr token = lock->acquireExclusive();
    ASSERT_TRUE(token);
    Child child([&](Child& self) {
        self.await();  // the parent has let go
        // The token inherited from the parent is not the child's to release,
        // and the child does not hold the lock.
        token.reset();
        return 0;
    });
    token.reset();
    Child other([&](Child& self) {
        self.await();
        return lock->acquireExclusive() ? 0 : 1;
    });
    other.signal();
    EXPECT_EQ(other.wait(), 0);
    child.signal();
    EXPECT_EQ(child.wait(), 0);
}
