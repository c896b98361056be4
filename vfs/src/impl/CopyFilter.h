// Progress and selection for tree copies (FileObject::copyTree).
//
// The copy loop consults a CopyFilter before each entry, on the copying
// thread, telling it which entry comes next and how much of the copy is done.
// The filter may let the entry be copied, skip it (a skipped folder skips
// everything below it) or cancel the copy; a cancel ends the copy with a
// FileSystemException, and what was copied before stays. A command-line tool
// draws its progress bar from these calls.
#ifndef VEXA_VFS_COPYFILTER_H
#define VEXA_VFS_COPYFILTER_H

#include <cstddef>
#include <cstdint>

#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

// Counts cover files only (folders have no bytes); "done" includes skipped
// files, so the figures reach the totals when the copy ends.
struct CopyProgress {
    FileObjectPtr next;  // the entry about to be handled; empty in finished()
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
};

class VEXA_VFS_API CopyFilter {
  public:
    enum Decision { COPY, SKIP, CANCEL };

    virtual ~CopyFilter();
    // Called before each file and folder of the copy, in copy order.
    virtual Decision beforeCopy(const CopyProgress& progress) = 0;
    // Called once after the last entry when the copy succeeded (not after a
    // cancel or an error). Does nothing by default.
    virtual void finished(const CopyProgress& progress);
};

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_COPYFILTER_H
