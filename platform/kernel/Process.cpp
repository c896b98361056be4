// The running executable's path, from the link the kernel keeps for every
// process.
#include <unistd.h>

#include <cstring>

#include "kernel/VexKernel.h"

extern "C" {

int OGetProcessExePath(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
    // A full buffer may hold a cut path: treat it as not found.
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof(path) || length >= size) {
        return 0;
    }
    std::memcpy(buffer, path, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // extern "C"
