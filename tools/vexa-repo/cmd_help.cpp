// vexa-repo help [COMMAND]: the help of the tool or of one command, as
// --help prints it. "help --man" writes the manual page the build installs.
#include <iostream>
#include <memory>

#include "Command.h"
#include "Manual.h"
#include "Usage.h"

namespace vexa {
namespace tool {
namespace {

struct HelpOptions {
    std::string command;
    bool man = false;
};

int printHelp(const CLI::App& app, const HelpOptions& options) {
    if (options.man) {
        writeManual(std::cout, app);
        return kOk;
    }
    if (options.command.empty()) {
        std::cout << app.get_formatter()->make_help(&app, app.get_name(),
                                                    CLI::AppFormatMode::Normal);
        return kOk;
    }
    for (const CLI::App* command : visibleCommands(app)) {
        if (command->get_name() == options.command) {
            std::cout << command->get_formatter()->make_help(
                command, app.get_name() + " " + command->get_name(), CLI::AppFormatMode::Normal);
            return kOk;
        }
    }
    unknownCommand(app, options.command);
}

VEXA_REGISTER_COMMAND(help, 990, [](CLI::App& app, const GlobalOptions&) {
    auto options = std::make_shared<HelpOptions>();
    CLI::App* command = app.add_subcommand("help", "Print the help of the tool, or of one command");
    command->add_option("COMMAND", options->command, "The command to explain");
    command->add_flag("--man", options->man, "Write the manual page vexa-repo(1) in troff")
        ->group("");
    return [&app, options]() { return printHelp(app, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
