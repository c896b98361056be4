// Why the last call failed, per thread.
//
// Library calls report failure by result (an empty handle, false, an empty
// list), as their contracts say. Beside that result, a call that fails
// records here what failed and why, so a host can tell an operator what to
// do: a lock held by another process, a missing printer, a file it may not
// write. The record belongs to the calling thread (as errno does); a call
// that succeeds leaves it as it was, so a host that wants to know whether a
// given call failed clears it first or looks only after a failed result.
//
// The record lives at the bottom layer so that the file system, the lock
// files and the repositories all write to the same one; hosts include
// "repos/Failure.h".
#ifndef VEXA_KERNEL_FAILURE_H
#define VEXA_KERNEL_FAILURE_H

#include <wx/string.h>

#include "kernel/KernelExport.h"

namespace vexa {
namespace kernel {

enum class FailureCode {
    NONE = 0,
    LOCKED,             // another process holds a lock; `path` is its lock file
    NOT_FOUND,          // no such printer, media, mode or file
    PERMISSION_DENIED,  // the operating system refused access
    READ_ONLY,          // the file system is mounted read-only
    NOT_READABLE,       // a settings file that is empty, malformed or of another kind
    INVALID_NAME,       // a name the repository cannot hold
    ALREADY_EXISTS,     // the name of a copy or rename is taken
    WOULD_DEADLOCK,     // the thread asked for a lock it would wait for forever
    NO_SPACE,           // the disk or the caller's file size limit is full
    IO_ERROR            // any other operating-system failure
};

struct VEXA_KERNEL_API Failure {
    FailureCode code = FailureCode::NONE;
    // One line for an operator: what failed and why (with the file and the
    // operating system's reason where there is one).
    wxString message;
    // The file or folder concerned; empty when there is none.
    wxString path;

    explicit operator bool() const { return code != FailureCode::NONE; }
};

// The calling thread's last recorded failure; code NONE when none was
// recorded since the thread started or last cleared it.
VEXA_KERNEL_API const Failure& lastFailure();
VEXA_KERNEL_API void clearFailure();

// A short English name of the code ("locked", "not found", ...).
VEXA_KERNEL_API const char* failureCodeName(FailureCode code);

// For the library's own use: record a failure of the calling thread.
VEXA_KERNEL_API void recordFailure(FailureCode code, const wxString& message,
                                   const wxString& path = wxString());
// Records an operating-system failure: the code follows `error` (an errno
// value), the message is "`what` '`path`': <system text>".
VEXA_KERNEL_API void recordOsFailure(int error, const wxString& what, const wxString& path);
// The code of an errno value.
VEXA_KERNEL_API FailureCode failureCodeOf(int error);

}  // namespace kernel
}  // namespace vexa

#endif  // VEXA_KERNEL_FAILURE_H
