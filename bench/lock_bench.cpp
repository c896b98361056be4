// An uncontended reader acquisition - the in-process read lock plus the
// shared lock-file token, then release - against the floor: one bare
// lock-and-unlock of an open descriptor.
#include <fcntl.h>
#include <unistd.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "kernel/Text.h"
#include "repos/FileLock.h"
#include "repos/ReadWriteMutex.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace {

std::string folderPath() {
    static std::string path;
    if (path.empty()) {
        char pattern[] = "/tmp/vexa-lock-bench-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    return path;
}

vexa::repos::FileLockPtr fileLock() {
    static vexa::repos::FileLockPtr lock = vexa::repos::FileLock::create(
        vexa::vfs::openLocalFolder(vexa::vfs::createFileName(vexa::kernel::fromMB(folderPath()))));
    return lock;
}

void BM_ReaderAcquisition(benchmark::State& state) {
    vexa::repos::impl::ReadWriteMutex mutex;
    vexa::repos::FileLockPtr lock = fileLock();
    for (auto _ : state) {
        vexa::repos::impl::ReadLocker inProcess(mutex);
        vexa::repos::ReadFileLocker file(lock);
        if (!file.holdsLock()) {
            state.SkipWithError("lock refused");
        }
    }
}

void BM_WriterAcquisition(benchmark::State& state) {
    vexa::repos::impl::ReadWriteMutex mutex;
    vexa::repos::FileLockPtr lock = fileLock();
    for (auto _ : state) {
        vexa::repos::impl::WriteLocker inProcess(mutex);
        vexa::repos::WriteFileLocker file(lock);
        if (!file.holdsLock()) {
            state.SkipWithError("lock refused");
        }
    }
}

void BM_BareFcntl(benchmark::State& state) {
    const std::string path = folderPath() + "/.bare";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    struct flock request = {};
    request.l_whence = SEEK_SET;
    for (auto _ : state) {
        request.l_type = F_WRLCK;
        if (::fcntl(fd, F_OFD_SETLK, &request) != 0) {
            state.SkipWithError("fcntl failed");
        }
        request.l_type = F_UNLCK;
        ::fcntl(fd, F_OFD_SETLK, &request);
    }
    ::close(fd);
}

BENCHMARK(BM_BareFcntl);
BENCHMARK(BM_ReaderAcquisition);
BENCHMARK(BM_WriterAcquisition);

}  // namespace

int main(int argc, char** argv) {
    wxInitializer initializer;
    wxLog::EnableLogging(false);
    const int result =
        vexa::bench::runWithRatios(argc, argv, {{"BM_ReaderAcquisition", "BM_BareFcntl", 10.0}});
    std::system(("rm -rf '" + folderPath() + "'").c_str());
    return result;
}
