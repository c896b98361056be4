// vexa-repo rename PRINTER NEW: renames a printer folder.
#include <memory>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"

namespace vexa {
namespace tool {
namespace {

struct RenameOptions {
    std::string printer;
    std::string newName;
};

int renamePrinter(const GlobalOptions& global, const RenameOptions& options) {
    checkNewName(repos::NameKind::PRINTER, options.newName);
    const PrinterAccess printer = openPrinter(global, options.printer);
    if (options.newName == options.printer) {
        return kOk;
    }
    const PrinterWriterPtr writer = printer.writer();
    repos::clearFailure();
    if (!writer->setPrinterName(W(options.newName))) {
        throwFailure("cannot rename " + printer.label() + " to '" + options.newName + "'");
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(rename, 150, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<RenameOptions>();
    CLI::App* command = app.add_subcommand("rename", "Rename a printer");
    command->add_option("PRINTER", options->printer, "Printer to rename")->required();
    command->add_option("NEW", options->newName, "New name")->required();
    return [&global, options]() { return renamePrinter(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
