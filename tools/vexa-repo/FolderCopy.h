// Copying a printer or media folder to a new folder, with a progress bar on
// a terminal.
//
// The library's copyTo() takes no copy filter, so the tool copies the way
// it does, through the file system's copyTree with a filter of its own: the
// new folder gets its ".lock" and the marker ".invalid" first, everything
// but lock files and temporary files is copied, and the marker goes last,
// so other processes never take a half-made copy for a printer or media.
// A copy that fails half-way is removed again.
#ifndef VEXA_TOOL_FOLDERCOPY_H
#define VEXA_TOOL_FOLDERCOPY_H

#include <string>

#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace tool {

// Copies the contents of `source` into `destination`, which must not exist
// yet. `what` names the copy in messages. The progress bar (files and bytes
// done) is drawn on standard error only when it is a terminal. Exit status
// 4 when the copy fails.
void copyRepositoryFolder(const vfs::FileObjectPtr& source, const vfs::FileObjectPtr& destination,
                          const std::string& what);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_FOLDERCOPY_H
