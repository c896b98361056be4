// Copying a printer or media through the library, with a progress bar on a
// terminal and an orderly end on SIGINT or SIGTERM.
//
// The library's copies take a copy filter: it leaves out lock files and
// temporary files, marks the new folder ".invalid" until the copy is whole
// and removes a copy that fails or is cancelled. The tool's filter draws the
// progress and cancels once a signal came in, so an interrupted copy leaves
// nothing half-made behind.
#ifndef VEXA_TOOL_FOLDERCOPY_H
#define VEXA_TOOL_FOLDERCOPY_H

#include <functional>
#include <string>

#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace tool {

// Runs `copy`, a library copy given the tool's filter, to the new folder
// `destination` (a native path, for the message after an interrupt). `what`
// names the copy in messages. While it runs, SIGINT and SIGTERM only ask it
// to stop; the handlers in place before come back afterwards. The progress
// bar (files and bytes done) is drawn on standard error only when it is a
// terminal.
//
// Throws ToolError: with 128 + the signal's number when a signal came in,
// otherwise with the status of the library's failure (throwFailure) when the
// copy failed.
void runCopy(const std::string& what, const std::string& destination,
             const std::function<bool(const vfs::CopyFilterPtr&)>& copy);

// True when something is at the native path `path` (a link counts, also
// one that leads nowhere).
bool present(const std::string& path);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_FOLDERCOPY_H
