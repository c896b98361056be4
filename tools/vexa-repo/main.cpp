// vexa-repo: inspect and manage a settings repository from the command line.
#include <wx/init.h>
#include <wx/log.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>

#include "Command.h"
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

}  // namespace tool
}  // namespace vexa

int main(int argc, char** argv) {
    using namespace vexa::tool;
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        return fail(kFailure, "cannot initialise wxWidgets");
    }
    // The library's diagnostics are for developers; the tool reports its
    // own failures in one line each.
    wxLog::EnableLogging(false);

    CLI::App app{"vexa-repo: inspect and manage a printer settings repository."};
    app.require_subcommand(1);
    // The global options may also follow the sub-command.
    app.fallthrough();
    app.footer(
        "The repository: --repo DIR names the folder holding \"db\"; without it the\n"
        "library looks beside the program, one level above it, then in the folder\n"
        "named by VEXA_INSTALL.\n"
        "Printer, media and mode names are folder names; a media is named\n"
        "'MEDIA [GROUP]' (or MEDIA --group GROUP), a media without group lies in\n"
        "_Ungrouped_. Each sub-command has its own --help.\n"
        "\n"
        "Exit status: 0 success, 1 usage error or refused name, 2 not found, 3 locked\n"
        "or in use by another process, 4 any other failure (one line on standard\n"
        "error says what and why), 130/143 for a copy interrupted by a signal.");
    GlobalOptions options;
    app.add_option("--repo", options.repo,
                   "Folder holding the repository folder \"db\" (or \"db\" itself); wins over "
                   "the library's search")
        ->type_name("DIR");
    app.add_option("--wait", options.wait,
                   "How long to wait for a lock another process holds (0: one try; default "
                   "about a second)")
        ->type_name("SECONDS")
        ->check(CLI::NonNegativeNumber);
    app.set_version_flag("--version", std::string("vexa-repo ") + vexa::repos::version());
    app.add_flag("-v,--verbose", options.verbose, "Say which repository folder \"db\" is used");

    std::vector<CommandEntry> entries = commandRegistry();
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const CommandEntry& a, const CommandEntry& b) { return a.order < b.order; });
    std::vector<std::function<int()>> actions;
    for (const CommandEntry& entry : entries) {
        actions.push_back(entry.factory(app, options));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kOk : kUsage;
    }
    CLI::App* chosen = app.get_subcommands().front();
    const std::vector<CLI::App*> all = app.get_subcommands({});
    for (std::size_t i = 0; i < all.size() && i < actions.size(); ++i) {
        if (all[i] != chosen) {
            continue;
        }
        try {
            return actions[i]();
        } catch (const ToolError& e) {
            return fail(e.code(), e.what());
        } catch (const std::exception& e) {
            return fail(kFailure, e.what());
        }
    }
    return kUsage;
}
