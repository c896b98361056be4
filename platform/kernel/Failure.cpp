#include "kernel/Failure.h"

#include <cerrno>
#include <cstring>

#include "kernel/Text.h"

namespace vexa {
namespace kernel {

namespace {

Failure& threadFailure() {
    thread_local Failure failure;
    return failure;
}

// strerror_r in its GNU or XSI form, whichever the C library gives.
[[maybe_unused]] const char* systemText(int result, const char* buffer) {
    return result == 0 ? buffer : "unknown error";
}
[[maybe_unused]] const char* systemText(const char* text, const char*) {
    return text;
}

}  // namespace

const Failure& lastFailure() {
    return threadFailure();
}

void clearFailure() {
    Failure& failure = threadFailure();
    failure.code = FailureCode::NONE;
    failure.message.clear();
    failure.path.clear();
}

const char* failureCodeName(FailureCode code) {
    switch (code) {
        case FailureCode::NONE:
            return "none";
        case FailureCode::LOCKED:
            return "locked";
        case FailureCode::NOT_FOUND:
            return "not found";
        case FailureCode::PERMISSION_DENIED:
            return "permission denied";
        case FailureCode::READ_ONLY:
            return "read-only file system";
        case FailureCode::NOT_READABLE:
            return "not readable";
        case FailureCode::INVALID_NAME:
            return "invalid name";
        case FailureCode::ALREADY_EXISTS:
            return "already exists";
        case FailureCode::WOULD_DEADLOCK:
            return "would deadlock";
        case FailureCode::NO_SPACE:
            return "no space";
        case FailureCode::IO_ERROR:
            return "i/o error";
    }
    return "unknown";
}

void recordFailure(FailureCode code, const wxString& message, const wxString& path) {
    Failure& failure = threadFailure();
    failure.code = code;
    failure.message = message;
    failure.path = path;
}

FailureCode failureCodeOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return FailureCode::PERMISSION_DENIED;
        case EROFS:
            return FailureCode::READ_ONLY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FailureCode::NO_SPACE;
        case ENOENT:
            return FailureCode::NOT_FOUND;
        case EEXIST:
        case ENOTEMPTY:
            return FailureCode::ALREADY_EXISTS;
        default:
            return FailureCode::IO_ERROR;
    }
}

void recordOsFailure(int error, const wxString& what, const wxString& path) {
    char buffer[256] = {0};
    const char* text = systemText(strerror_r(error, buffer, sizeof buffer), buffer);
    recordFailure(failureCodeOf(error),
                  wxString::Format(wxT("%s '%s': %s"), what, path, fromMB(text)), path);
}

}  // namespace kernel
}  // namespace vexa
