#include "logger/ErrorLog.h"

#include <wx/log.h>

#include <mutex>
#include <set>
#include <string>

#include "kernel/Text.h"

namespace errorlog {

namespace {

wxLogLevel wxLevel(int level) {
    if (level < 0) {
        return wxLOG_Debug;
    }
    switch (level) {
        case 0:
            return wxLOG_Info;
        case 1:
            return wxLOG_Warning;
        default:
            return wxLOG_Error;
    }
}

// wxLog keeps the file name as a plain pointer, and records of other threads
// wait in a queue until flushed; the names given are therefore kept here for
// the life of the process (there are only a few distinct ones).
const char* keptFileName(const char* file) {
    static std::mutex mutex;
    static std::set<std::string>* names = new std::set<std::string>;
    std::lock_guard<std::mutex> lock(mutex);
    return names->insert(file != nullptr ? file : "").first->c_str();
}

}  // namespace

ErrorLog& ErrorLog::getInstance() {
    static ErrorLog* instance = new ErrorLog;
    return *instance;
}

void ErrorLog::log(int level, const char* message, const char* file, int line) {
    const wxLogLevel target = wxLevel(level);
    // Informational records are for a host that asked for them (as
    // wxLogVerbose): a host that sets nothing up sees warnings and errors.
    if (!wxLog::IsLevelEnabled(target, wxLOG_COMPONENT) ||
        (target >= wxLOG_Info && !wxLog::GetVerbose())) {
        return;
    }
    wxLogger(target, keptFileName(file), line, "errorlog::ErrorLog::log", wxLOG_COMPONENT)
        .Log("%s", vexa::kernel::fromMB(message));
}

}  // namespace errorlog
