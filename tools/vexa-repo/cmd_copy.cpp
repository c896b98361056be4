// vexa-repo copy PRINTER DEST: a new printer DEST holding a copy of
// everything of PRINTER (settings, medias, modes, side files).
#include <memory>

#include "Access.h"
#include "Command.h"
#include "FolderCopy.h"
#include "ToolText.h"
#include "repos/SystemRepository.h"

namespace vexa {
namespace tool {
namespace {

struct CopyOptions {
    std::string printer;
    std::string destination;
};

int copyPrinter(const GlobalOptions& global, const CopyOptions& options) {
    checkNewName(repos::NameKind::PRINTER, options.destination);
    const PrinterAccess printer = openPrinter(global, options.printer);
    // The reader keeps writers of the source out while it is copied.
    const PrinterReaderPtr reader = printer.reader();
    const std::string destination =
        nativePath(repos::SystemRepository::getPrintersFolder()) + "/" + options.destination;
    runCopy(printer.label() + " to '" + options.destination + "'", destination,
            [&](const vfs::CopyFilterPtr& filter) {
                return reader->copyTo(W(options.destination), filter);
            });
    return kOk;
}

VEXA_REGISTER_COMMAND(copy, 140, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<CopyOptions>();
    CLI::App* command = app.add_subcommand(
        "copy",
        "Copy a printer with its medias and modes to a new printer (a progress bar on a "
        "terminal)");
    command->add_option("PRINTER", options->printer, "Printer to copy")->required();
    command->add_option("DEST", options->destination, "Name of the new printer")->required();
    return [&global, options]() { return copyPrinter(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
