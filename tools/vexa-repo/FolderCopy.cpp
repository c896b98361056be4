#include "FolderCopy.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/make_shared.hpp>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"
#include "vfs/src/impl/CopyFilter.h"

namespace vexa {
namespace tool {
namespace {

// The signal that asked the running copy to stop; 0 when none came.
volatile std::sig_atomic_t g_caught = 0;

void noteSignal(int signal) {
    g_caught = signal;
}

// SIGINT and SIGTERM only note themselves while it lives; the handlers
// before come back with its end. A signal the tool was started to ignore
// (nohup, a background job of a script) stays ignored.
class SignalScope {
  public:
    SignalScope() {
        g_caught = 0;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        // The file operation under way finishes; the filter stops the copy
        // before the next entry.
        action.sa_flags = SA_RESTART;
        for (int i = 0; i < kCount; ++i) {
            ::sigaction(kSignals[i], nullptr, &m_previous[i]);
            if (m_previous[i].sa_handler != SIG_IGN) {
                ::sigaction(kSignals[i], &action, nullptr);
            }
        }
    }
    ~SignalScope() {
        for (int i = 0; i < kCount; ++i) {
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        }
    }
    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;

    int caught() const { return g_caught; }

  private:
    static constexpr int kCount = 2;
    static constexpr int kSignals[kCount] = {SIGINT, SIGTERM};
    struct sigaction m_previous[kCount];
};

// Draws the progress and cancels the copy once a signal came in.
class ProgressFilter : public vfs::CopyFilter {
  public:
    ProgressFilter(const std::string& what, bool draw) : m_what(what), m_draw(draw) {}

    Decision beforeCopy(const vfs::CopyProgress& progress) override {
        if (g_caught != 0) {
            return CANCEL;
        }
        draw(progress, false);
        return COPY;
    }

    void finished(const vfs::CopyProgress& progress) override { draw(progress, true); }

    // Ends a bar left half-drawn by a failed copy, so the message that
    // follows starts on a line of its own.
    void abandon() {
        if (m_drawn) {
            std::cerr << '\n';
        }
    }

  private:
    void draw(const vfs::CopyProgress& progress, bool last) {
        if (!m_draw) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!last && m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) {
            return;
        }
        m_lastDraw = now;
        m_drawn = true;
        const double total = progress.bytesTotal > 0 ? double(progress.bytesTotal) : 1.0;
        const double share = progress.bytesTotal > 0 ? progress.bytesDone / total
                                                     : (progress.filesTotal > 0 ? 1.0 : 0.0);
        const int width = 24;
        const int filled = static_cast<int>(share * width + 0.5);
        char line[256];
        std::snprintf(line, sizeof line, "\r%s [%s%s] %3d%%  %zu/%zu files, %.1f/%.1f MiB",
                      m_what.c_str(), std::string(filled, '#').c_str(),
                      std::string(width - filled, '-').c_str(), static_cast<int>(share * 100),
                      progress.filesDone, progress.filesTotal, progress.bytesDone / 1048576.0,
                      progress.bytesTotal / 1048576.0);
        std::cerr << line;
        if (last) {
            std::cerr << '\n';
        }
        std::cerr.flush();
    }

    std::string m_what;
    bool m_draw;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace

bool present(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void runCopy(const std::string& what, const std::string& destination,
             const std::function<bool(const vfs::CopyFilterPtr&)>& copy) {
    const boost::shared_ptr<ProgressFilter> filter =
        boost::make_shared<ProgressFilter>("Copying", ::isatty(STDERR_FILENO) == 1 && !quiet());
    bool copied = false;
    int caught = 0;
    {
        SignalScope signals;
        repos::clearFailure();
        copied = copy(filter);
        caught = signals.caught();
    }
    if (!copied) {
        filter->abandon();
    }
    if (caught != 0) {
        // As the shell reports a command a signal ended.
        const int status = 128 + caught;
        if (copied) {
            // The signal came after the last entry: nothing was left to stop.
            throw ToolError(status, "copy interrupted as it finished; " + what + " is complete");
        }
        if (present(destination)) {
            throw ToolError(status, "copy interrupted; the half-made copy '" + destination +
                                        "' is left (see vexa-repo check)");
        }
        throw ToolError(status, "copy interrupted; the half-made copy was removed");
    }
    if (!copied) {
        throwFailure("cannot copy " + what);
    }
}

}  // namespace tool
}  // namespace vexa
