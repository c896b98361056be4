// Sub-command registry of vexa-repo. Each command lives in its own file and
// registers itself with VEXA_REGISTER_COMMAND; main() builds the parser from
// the registry, so adding a command touches no other file.
#ifndef VEXA_TOOL_COMMAND_H
#define VEXA_TOOL_COMMAND_H

#include <CLI/CLI.hpp>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexa {
namespace tool {

// Exit statuses of every command.
enum ExitCode { kOk = 0, kUsage = 1, kNotFound = 2, kLocked = 3, kFailure = 4 };

// Options every command sees.
struct GlobalOptions {
    std::string repo;  // --repo DIR, a folder holding "db" (or "db" itself)
    double wait = -1;  // --wait SECONDS for a lock held elsewhere; < 0: the default
    bool verbose = false;
    bool quiet = false;  // -q: nothing on standard error but failures
};

// -q for the code that sees no GlobalOptions (progress bars, questions);
// main() sets it once after parsing.
bool quiet();
void setQuiet(bool quiet);

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

// The factory may be a lambda whose capture list holds commas.
#define VEXA_REGISTER_COMMAND(id, order, ...) \
    static ::vexa::tool::CommandRegistrar vexaCommand_##id((order), (__VA_ARGS__))

// Prints "vexa-repo: MESSAGE" to standard error and returns `code`.
int fail(int code, const std::string& message);

// The words after "vexa-repo complete", which main() keeps from the
// parser: they are a command line of their own, options and all.
const std::vector<std::string>& unparsedWords();

// Flushes standard output. ToolError (status 4) when some of what the
// command wrote did not arrive (a full disk, a closed pipe): a listing cut
// short must not look like a whole one.
void flushOutput();

// A failure that ends the command: main() prints "vexa-repo: MESSAGE" to
// standard error and exits with `code`. Thrown from deep inside a command so
// that every failure gets exactly one line.
class ToolError : public std::runtime_error {
  public:
    ToolError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    int code() const { return m_code; }

  private:
    int m_code;
};

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_COMMAND_H
