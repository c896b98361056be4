// vexa-repo: inspect and manage a settings repository from the command line.
#include <wx/init.h>
#include <wx/log.h>

#include <algorithm>
#include <iostream>

#include "Command.h"

namespace vexa {
namespace tool {

std::vector<CommandEntry>& commandRegistry() {
    static std::vector<CommandEntry> registry;
    return registry;
}

int fail(int code, const std::string& message) {
    std::cerr << "vexa-repo: " << message << '\n';
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
    GlobalOptions options;
    app.add_option("--repo", options.repo, "Folder holding the repository folder \"db\"");
    app.add_flag("-v,--verbose", options.verbose, "Say which repository folder is used");

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
        if (all[i] == chosen) {
            return actions[i]();
        }
    }
    return kUsage;
}
