// Taking the two locks of a reader or writer in their one order (internal).
#ifndef VEXA_SRC_PRINTER_LOCKPAIR_H
#define VEXA_SRC_PRINTER_LOCKPAIR_H

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

namespace vexa {
namespace repos {
namespace printer {

// The in-process lock on `mutex` first, then the file lock on `fileLock`:
// every reader and writer takes them in this order, so two of them never
// wait for each other crosswise. When either cannot be had (the file lock
// is held elsewhere, or this thread would wait for itself), neither is held
// and the result is false.
template <class InProcessLocker, class FileLocker, class Mutex, class FileLock>
bool lockPair(boost::shared_ptr<InProcessLocker>& inProcess, boost::shared_ptr<FileLocker>& file,
              Mutex& mutex, const FileLock& fileLock) {
    inProcess = boost::make_shared<InProcessLocker>(mutex);
    if (!inProcess->held()) {
        inProcess.reset();
        return false;
    }
    file = boost::make_shared<FileLocker>(fileLock);
    if (!file->holdsLock()) {
        file.reset();
        inProcess.reset();
        return false;
    }
    return true;
}

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_SRC_PRINTER_LOCKPAIR_H
