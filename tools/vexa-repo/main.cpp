// vexa-repo: inspect and manage a settings repository from the command line.
#include <unistd.h>
#include <wx/init.h>
#include <wx/log.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

#include "Command.h"
#include "Usage.h"
#include "repos/Version.h"

namespace vexa {
namespace tool {

std::vector<CommandEntry>& commandRegistry() {
    static std::vector<CommandEntry> registry;
    return registry;
}

int fail(int code, const std::string& message) {
    // One line whatever the names in it hold (a tab or a line end in a
    // folder name).
    std::string line;
    for (const char c : message) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
            line += escaped;
        } else {
            line += c;
        }
    }
    std::cerr << "vexa-repo: " << line << '\n';
    return code;
}

namespace {

bool g_quiet = false;

// Standard output written with write(2), keeping the reason of the first
// failure: through stdio it is lost by the time the end of the command
// finds the stream failed.
class OutputBuffer : public std::streambuf {
  public:
    OutputBuffer() { setp(m_buffer, m_buffer + sizeof m_buffer); }
    ~OutputBuffer() override { sync(); }

    int error() const { return m_error; }
    void forgetError() { m_error = 0; }

  protected:
    int_type overflow(int_type c) override {
        if (sync() != 0) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override {
        const char* at = pbase();
        while (at < pptr() && m_error == 0) {
            const ssize_t written =
                ::write(STDOUT_FILENO, at, static_cast<std::size_t>(pptr() - at));
            if (written >= 0) {
                at += written;
            } else if (errno != EINTR) {
                m_error = errno;
            }
        }
        setp(m_buffer, m_buffer + sizeof m_buffer);
        return m_error == 0 ? 0 : -1;
    }

  private:
    char m_buffer[1 << 16];
    int m_error = 0;
};

OutputBuffer g_output;

// Standard output goes through g_output while main() runs; the stream gets
// its own buffer back before static objects are destroyed.
class OutputScope {
  public:
    OutputScope() : m_previous(std::cout.rdbuf(&g_output)) {}
    ~OutputScope() {
        std::cout.flush();
        std::cout.rdbuf(m_previous);
    }
    OutputScope(const OutputScope&) = delete;
    OutputScope& operator=(const OutputScope&) = delete;

  private:
    std::streambuf* m_previous;
};

std::vector<std::string> g_unparsed;

}  // namespace

const std::vector<std::string>& unparsedWords() {
    return g_unparsed;
}

bool quiet() {
    return g_quiet;
}

void setQuiet(bool quiet) {
    g_quiet = quiet;
}

void flushOutput() {
    std::cout.flush();
    if (g_output.error() != 0 || !std::cout) {
        const int error = g_output.error() != 0 ? g_output.error() : EIO;
        // Reported once; what follows is not written either.
        g_output.forgetError();
        std::cout.clear();
        throw ToolError(kFailure,
                        std::string("cannot write standard output: ") + std::strerror(error));
    }
}

}  // namespace tool
}  // namespace vexa

namespace {

using namespace vexa::tool;

const char* const kFooter =
    "The repository: --repo DIR names the folder holding \"db\" (or \"db\" itself) and\n"
    "wins over everything else; without it the library looks for \"db\" beside the\n"
    "program's folder (/opt/vexa/db for /opt/vexa/bin/vexa-repo), one level above\n"
    "that, then in the folder named by VEXA_INSTALL.\n"
    "Printer, media and mode names are folder names; a media is named\n"
    "'MEDIA [GROUP]' (or MEDIA --group GROUP), a media without group lies in\n"
    "_Ungrouped_. A name starting with '-' goes after '--', which ends the\n"
    "options: vexa-repo show -- -x. Each command has its own help:\n"
    "vexa-repo help COMMAND (or vexa-repo COMMAND --help).\n"
    "\n"
    "Exit status: 0 success, 1 usage error, refused name or value, or a key that\n"
    "is not set (get), 2 not found, 3 locked or in use by another process, 4 any\n"
    "other failure (one line on standard error says what and why), 130/143 for a\n"
    "copy interrupted by a signal.";

// Runs the command `chosen` of `app`, turning its failures into one line.
int run(CLI::App& app, const std::vector<std::function<int()>>& actions, const CLI::App* chosen) {
    const std::vector<CLI::App*> all = app.get_subcommands({});
    for (std::size_t i = 0; i < all.size() && i < actions.size(); ++i) {
        if (all[i] == chosen) {
            return actions[i]();
        }
    }
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    const OutputScope output;
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        return fail(kFailure, "cannot initialise wxWidgets");
    }
    // The library's diagnostics are for developers; the tool reports its
    // own failures in one line each.
    wxLog::EnableLogging(false);

    CLI::App app{"vexa-repo: inspect and manage a printer settings repository.", "vexa-repo"};
    app.require_subcommand(1);
    // The global options may also follow the sub-command.
    app.fallthrough();
    app.footer(kFooter);
    // A repeated option is reported by the tool (rejectRepeatedOptions), in
    // its own words.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    GlobalOptions options;
    std::string wait;
    app.add_option("--repo", options.repo,
                   "Folder holding the repository folder \"db\" (or \"db\" itself); wins over "
                   "the library's search")
        ->type_name("DIR");
    app.add_option("--wait", wait,
                   "How long to wait for a lock another process holds (0: one try; default "
                   "about a second)")
        ->type_name("SECONDS");
    app.set_version_flag("--version", std::string("vexa-repo ") + vexa::repos::version());
    app.add_flag("-v,--verbose", options.verbose, "Say which repository folder \"db\" is used");
    app.add_flag("-q,--quiet", options.quiet,
                 "Write nothing on standard error but failures (no progress, no -v line)");

    std::vector<CommandEntry> entries = commandRegistry();
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const CommandEntry& a, const CommandEntry& b) { return a.order < b.order; });
    std::vector<std::function<int()>> actions;
    for (const CommandEntry& entry : entries) {
        actions.push_back(entry.factory(app, options));
    }
    int status = kOk;
    try {
        if (argc > 1 && std::string(argv[1]) == "complete") {
            g_unparsed.assign(argv + 2, argv + argc);
            argc = 2;
        }
        try {
            app.parse(argc, argv);
        } catch (const CLI::Success& e) {
            const int code = app.exit(e);  // --help, --version
            flushOutput();
            return code;
        } catch (const CLI::ParseError& e) {
            return fail(kUsage, usageMessage(app, e));
        }
        const CLI::App* chosen = app.get_subcommands().front();
        rejectRepeatedOptions(app, chosen);
        if (!wait.empty()) {
            options.wait = parseSeconds(wait, "--wait");
        }
        setQuiet(options.quiet);
        status = run(app, actions, chosen);
        flushOutput();
    } catch (const ToolError& e) {
        // What was written before the failure still goes out first.
        std::cout.flush();
        return fail(e.code(), e.what());
    } catch (const std::exception& e) {
        std::cout.flush();
        return fail(kFailure, e.what());
    }
    return status;
}
