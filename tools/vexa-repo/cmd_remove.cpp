// vexa-repo remove PRINTER [--yes]: removes a printer with its medias and
// modes, after asking. Whatever the folder holds: a printer whose settings
// cannot be read, a half-made copy or a half-removed printer goes too.
#include <iostream>
#include <memory>

#include "Access.h"
#include "Args.h"
#include "Command.h"
#include "ToolText.h"

namespace vexa {
namespace tool {
namespace {

struct RemoveOptions {
    std::string printer;
    bool yes = false;
};

int removePrinter(const GlobalOptions& global, const RemoveOptions& options) {
    // Asked before anything is locked: the question may wait long for its
    // answer.
    checkExistingName("printer", options.printer);
    const vfs::FileObjectPtr printers = existingChild(openRepository(global), "Printers");
    const std::string label = "printer '" + options.printer + "'";
    if (!existingChild(printers, options.printer)) {
        throw ToolError(kNotFound, "no " + label);
    }
    if (!options.yes && !confirm("Remove " + label + " with all its medias and modes?")) {
        throw ToolError(kUsage, label + " not removed (--yes removes without asking)");
    }
    repos::clearFailure();
    if (!repos::printer::PrinterWriter::removePrinterFolder(W(options.printer))) {
        std::string prefix = "cannot remove " + label;
        if (existingChild(existingChild(printers, options.printer), ".invalid")) {
            prefix += " (it stays half-removed: vexa-repo remove finishes it)";
        }
        throwFailure(prefix);
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
