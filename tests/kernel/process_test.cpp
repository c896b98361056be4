#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/Memory.h"
#include "kernel/VexKernel.h"

namespace {

// What the path holds is checked where the repository search reports it.
TEST(OGetProcessExePath, ABufferTooSmallGivesNothingRatherThanACutPath) {
    char buffer[260];
    const int length = OGetProcessExePath(buffer, sizeof(buffer));
    ASSERT_GT(length, 1);
    EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(buffer));
    std::vector<char> small(static_cast<std::size_t>(length), 'x');  // no room for the terminator
    EXPECT_EQ(OGetProcessExePath(small.data(), length), 0);
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(OGetProcessExePath(nullptr, 260), 0);
}

// Records the order in which objects are released.
struct Recorder : singleton_interface {
    Recorder(std::vector<std::string>& log, std::string name) : m_log(log), m_name(name) {}
    void release() override { m_log.push_back(m_name); }
    std::vector<std::string>& m_log;
    std::string m_name;
};

TEST(Singleton, ReleaseAllReleasesEachRegisteredObjectOnceLastFirst) {
    std::vector<std::string> log;
    Recorder a(log, "a"), b(log, "b"), c(log, "c");
    singleton::Manage(&a);
    singleton::Manage(&b);
    singleton::Manage(&a);  // a repeat is ignored
    singleton::Manage(&c);
    singleton::Manage(nullptr);
    singleton::Release(&b);  // deregistered and released now
    EXPECT_EQ(log, (std::vector<std::string>{"b"}));
    singleton::ReleaseAll();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "c", "a"}));
    singleton::ReleaseAll();  // nothing registered any more
    EXPECT_EQ(log.size(), 3u);
}

TEST(Singleton, ReleasingAnUnregisteredObjectStillReleasesIt) {
    std::vector<std::string> log;
    Recorder a(log, "a");
    singleton::Release(&a);
    singleton::Release(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

struct Counted {
    Counted() { ++made; }
    ~Counted() { ++destroyed; }
    int value = 0;
    static int made;
    static int destroyed;
};
int Counted::made = 0;
int Counted::destroyed = 0;

TEST(SingletonPtr, MakesOnFirstUseAndAgainAfterRelease) {
    Counted::made = Counted::destroyed = 0;
    {
        singleton_ptr<Counted> holder;
        EXPECT_EQ(holder.peek(), nullptr);
        Counted* first = holder.get();
        first->value = 7;
        EXPECT_EQ(holder.get(), first);
        EXPECT_EQ(Counted::made, 1);

        singleton::Manage(&holder);
        singleton::ReleaseAll();  // the manager lets it go early
        EXPECT_EQ(Counted::destroyed, 1);
        EXPECT_EQ(holder.peek(), nullptr);
        EXPECT_EQ(holder.get()->value, 0);  // a fresh object
        EXPECT_EQ(Counted::made, 2);
        singleton::Manage(&holder);
    }
    // Going out of scope deregistered it and deleted its object: the
    // manager must not touch the dead holder.
    EXPECT_EQ(Counted::destroyed, 2);
    std::vector<std::string> log;
    Recorder other(log, "other");
    singleton::Manage(&other);
    singleton::ReleaseAll();
    EXPECT_EQ(log, (std::vector<std::string>{"other"}));
    EXPECT_EQ(Counted::destroyed, 2);
}

}  // namespace

// Engine blocks come from shared reservations: thousands of blocks must
// not cost thousands of mappings, nor one per few hundred (a system caps
// them; 256, 256, 512, ... 4096 slots hold 8192 blocks in six), and a slot
// handed out again reads as zeros like a new mapping.
TEST(MapZeroed, TablesShareMappingsAndReusedSlotsReadAsZeros) {
    const std::size_t tableSize = 8 * 1024;
    const std::size_t before = vexa::kernel::mappingCount();
    std::vector<unsigned char*> tables;
    for (int i = 0; i < 6000; ++i) {
        tables.push_back(static_cast<unsigned char*>(vexa::kernel::mapZeroed(tableSize)));
        tables.back()[tableSize - 1] = 0xAB;
    }
    const std::size_t grown = vexa::kernel::mappingCount() - before;
    EXPECT_LE(grown, 6u);
    EXPECT_GE(grown, 1u);
    for (unsigned char* table : tables) {
        vexa::kernel::releaseBlock(table);
    }
    for (unsigned char*& table : tables) {
        table = static_cast<unsigned char*>(vexa::kernel::mapZeroed(tableSize));
        ASSERT_EQ(0, table[tableSize - 1]);
    }
    EXPECT_EQ(before + grown, vexa::kernel::mappingCount());
    for (unsigned char* table : tables) {
        vexa::kernel::releaseBlock(table);
    }

    // A large block has a mapping of its own, gone with the block; a heap
    // block a caller put into a structure is freed (the sanitizers check).
    void* large = vexa::kernel::mapZeroed(8 * 1024 * 1024);
    EXPECT_EQ(before + grown + 1, vexa::kernel::mappingCount());
    vexa::kernel::releaseBlock(large);
    EXPECT_EQ(before + grown, vexa::kernel::mappingCount());
    vexa::kernel::releaseBlock(std::malloc(100));
    vexa::kernel::releaseBlock(nullptr);
}

// Under a limit on address space, a pool reservation too large to map gives
// way to a smaller one: a 1 MB block still comes (256 slots would be 256 MB).
TEST(MapZeroed, ALimitedAddressSpaceGetsSmallerReservations) {
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    ASSERT_NE(statm, nullptr);
    ASSERT_EQ(std::fscanf(statm, "%ld", &pages), 1);
    std::fclose(statm);
    const std::size_t used = static_cast<std::size_t>(pages) * ::sysconf(_SC_PAGESIZE);
    if (used > (std::size_t(64) << 30)) {
        GTEST_SKIP() << "the sanitizers reserve too much address space for a limit";
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = used + (std::size_t(96) << 20);
        const rlimit cap{limit, limit};
        if (::setrlimit(RLIMIT_AS, &cap) != 0) {
            ::_exit(2);
        }
        try {
            unsigned char* block = static_cast<unsigned char*>(vexa::kernel::mapZeroed(1 << 20));
            block[(1 << 20) - 1] = 1;
            vexa::kernel::releaseBlock(block);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the block was refused; 2: no limit could be set";
}
