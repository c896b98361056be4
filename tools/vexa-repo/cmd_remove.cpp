// vexa-repo remove PRINTER [--yes]: removes a printer with its medias and
// modes, after asking.
#include <iostream>
#include <memory>

#include "Access.h"
#include "Args.h"
#include "Command.h"

namespace vexa {
namespace tool {
namespace {

struct RemoveOptions {
    std::string printer;
    bool yes = false;
};

int removePrinter(const GlobalOptions& global, const RemoveOptions& options) {
    // Asked before the printer is opened: its lock is not held while the
    // question waits for an answer.
    checkName("printer", options.printer);
    openRepository(global);
    const std::string label = "printer '" + options.printer + "'";
    if (!printerExists(options.printer)) {
        throw ToolError(kNotFound, "no " + label);
    }
    if (!options.yes && !confirm("Remove " + label + " with all its medias and modes?")) {
        throw ToolError(kUsage, label + " not removed (--yes removes without asking)");
    }
    const PrinterAccess printer = openPrinter(global, options.printer);
    const PrinterWriterPtr writer = printer.writer();
    if (!writer->removePrinter()) {
        throw ToolError(kFailure, printer.label() +
                                      " could not be removed completely; it stays marked "
                                      ".invalid (see vexa-repo check)");
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(remove, 160, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<RemoveOptions>();
    CLI::App* command = app.add_subcommand(
        "remove", "Remove a printer with its medias and modes (asks first unless --yes)");
    command->add_option("PRINTER", options->printer, "Printer to remove")->required();
    command->add_flag("-y,--yes", options->yes, "Remove without asking");
    return [&global, options]() { return removePrinter(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
