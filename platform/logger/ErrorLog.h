// The product logger: one process-wide instance that records a level, a
// narrow (UTF-8) message, the source file and line. It forwards every record
// to wxLog, so the host's wxLog target (and a test's capturing target) sees
// it with the given file and line.
//
// Levels: 0 information, 1 warning, 2 and above error; negative levels are
// debug records.
//
// Threads: log() may be called from any thread; wxLog queues the records of
// threads other than the main one until it is flushed.
#ifndef VEXA_LOGGER_ERRORLOG_H
#define VEXA_LOGGER_ERRORLOG_H

#include "kernel/KernelExport.h"

namespace errorlog {

class VEXA_KERNEL_API ErrorLog {
  public:
    // The process-wide logger; made on first use, never destroyed.
    static ErrorLog& getInstance();

    // Records `message` (UTF-8, taken literally: '%' is not a format) at
    // `level` with `file` and `line`. Null texts are recorded as empty.
    void log(int level, const char* message, const char* file, int line);

    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

  private:
    ErrorLog() = default;
};

}  // namespace errorlog

#endif  // VEXA_LOGGER_ERRORLOG_H
