// vexa-repo get PRINTER KEY [--json]: one value of a printer; exit status 1,
// printing nothing, when it is not set.
#include <memory>

#include "Access.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct GetOptions {
    std::string printer;
    std::string key;
    bool json = false;
};

int getValue(const GlobalOptions& global, const GetOptions& options) {
    const KeyInfo& key = findKey(printerKeys(), options.key, "Printer", false);
    const PrinterAccess printer = openPrinter(global, options.printer);
    const PrinterReaderPtr reader = printer.reader();
    return printGotValue(typedValue(key, printerValue(key, *reader, *printer.repository)),
                         options.json);
}

VEXA_REGISTER_COMMAND(get, 120, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetOptions>();
    CLI::App* command = app.add_subcommand(
        "get", "Print one value of a printer (exit status 1, printing nothing, when it is unset)");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_option("KEY", options->key, keyHelp(printerKeys(), false))->required();
    command->add_flag("--json", options->json,
                      "Print the value as JSON: a string, number or true/false");
    return [&global, options]() { return getValue(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
