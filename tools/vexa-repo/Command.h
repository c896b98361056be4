// Sub-command registry of vexa-repo. Each command lives in its own file and
// registers itself with VEXA_REGISTER_COMMAND; main() builds the parser from
// the registry, so adding a command touches no other file.
#ifndef VEXA_TOOL_COMMAND_H
#define VEXA_TOOL_COMMAND_H

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace vexa {
namespace tool {

// Exit statuses of every command.
enum ExitCode { kOk = 0, kUsage = 1, kNotFound = 2, kLocked = 3, kFailure = 4 };

// Options every command sees.
struct GlobalOptions {
    std::string repo;  // --repo DIR, a folder holding "db"
    bool verbose = false;
};

// Adds a sub-command to `app` and returns the action to run when it was
// chosen; the action returns the exit status.
typedef std::function<std::function<int()>(CLI::App& app, const GlobalOptions& options)>
    CommandFactory;

struct CommandEntry {
    int order;  // position in --help
    CommandFactory factory;
};

std::vector<CommandEntry>& commandRegistry();

struct CommandRegistrar {
    CommandRegistrar(int order, CommandFactory factory) {
        commandRegistry().push_back(CommandEntry{order, std::move(factory)});
    }
};

#define VEXA_REGISTER_COMMAND(id, order, factory) \
    static ::vexa::tool::CommandRegistrar vexaCommand_##id((order), (factory))

// Prints "vexa-repo: MESSAGE" to standard error and returns `code`.
int fail(int code, const std::string& message);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_COMMAND_H
