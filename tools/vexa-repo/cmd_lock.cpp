// vexa-repo lock PRINTER [--seconds N]: holds a printer's lock as a writer
// does until SIGINT or SIGTERM comes or N seconds pass, so that an operator
// can keep hosts off a printer, or see whether locks reach other machines.
#include <signal.h>

#include <cerrno>
#include <ctime>
#include <iostream>
#include <memory>

#include "Access.h"
#include "Command.h"
#include "Usage.h"

namespace vexa {
namespace tool {
namespace {

struct LockOptions {
    std::string printer;
    std::string seconds;
};

// Waits for SIGINT or SIGTERM, at most `seconds` when that is not negative.
void awaitSignal(double seconds) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    timespec timeout;
    timeout.tv_sec = static_cast<time_t>(seconds);
    timeout.tv_nsec = static_cast<long>((seconds - static_cast<double>(timeout.tv_sec)) * 1e9);
    while (true) {
        const int got = seconds < 0 ? sigwaitinfo(&signals, nullptr)
                                    : sigtimedwait(&signals, nullptr, &timeout);
        // EINTR: another signal (a stop and continue); EAGAIN: the time is up.
        if (got > 0 || (got < 0 && errno == EAGAIN)) {
            return;
        }
    }
}

int holdLock(const GlobalOptions& global, const LockOptions& options) {
    const double seconds =
        options.seconds.empty() ? -1 : parseSeconds(options.seconds, "--seconds");
    // Blocked before the lock is taken: a signal coming in between only
    // waits for sigwait, and the lock is always given back in order.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    {
        const PrinterAccess printer = openPrinter(global, options.printer);
        const PrinterWriterPtr writer = printer.writer();
        if (!quiet()) {
            std::cout << "holding the lock of " << printer.label()
                      << (seconds < 0 ? std::string(" until interrupted")
                                      : " for " + options.seconds + " s or until interrupted")
                      << std::endl;
        }
        awaitSignal(seconds);
    }
    // The signals stay blocked: a second Ctrl-C must not end the tool with
    // a signal's status after the lock was given back.
    return kOk;
}

VEXA_REGISTER_COMMAND(lock, 170, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<LockOptions>();
    CLI::App* command = app.add_subcommand(
        "lock",
        "Hold a printer's lock as a writer does, until interrupted (Ctrl-C, SIGTERM) or "
        "--seconds pass; one line says when it is held. Hosts and other vexa-repo commands "
        "find the printer locked meanwhile");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_option("--seconds", options->seconds, "Give the lock back after this long")
        ->type_name("N");
    return [&global, options]() { return holdLock(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
