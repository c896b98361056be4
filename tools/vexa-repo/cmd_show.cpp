// vexa-repo show PRINTER [--json]: every value of a printer, then its
// medias by group.
#include <iostream>
#include <memory>

#include "Access.h"
#include "Command.h"
#include "Describe.h"

namespace vexa {
namespace tool {
namespace {

struct ShowOptions {
    std::string printer;
    bool json = false;
};

int showPrinter(const GlobalOptions& global, const ShowOptions& options) {
    const PrinterAccess printer = openPrinter(global, options.printer);
    const PrinterReaderPtr reader = printer.reader();
    const Json description = describePrinter(printer, *reader);
    if (options.json) {
        printJson(std::cout, description);
    } else {
        printPrinter(std::cout, description);
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(show, 110, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* command = app.add_subcommand(
        "show",
        "Show a printer: its text values, page sizes with margins, ports, resolutions with "
        "aliases, ink types and configurations, dot info, screen setups, and its medias by "
        "group");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_flag("--json", options->json, "Print the same as one JSON object");
    return [&global, options]() { return showPrinter(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
