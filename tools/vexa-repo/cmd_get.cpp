// vexa-repo get PRINTER KEY: one text value of a printer.
#include <iostream>
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
};

int getValue(const GlobalOptions& global, const GetOptions& options) {
    const KeyInfo& key = findKey(printerKeys(), options.key, "Printer", false);
    const PrinterAccess printer = openPrinter(global, options.printer);
    const PrinterReaderPtr reader = printer.reader();
    std::cout << printerValue(key, *reader, *printer.repository) << '\n';
    return kOk;
}

std::string keyHelp() {
    std::string text = "Key, one of:";
    for (const KeyInfo& key : printerKeys()) {
        text += std::string("\n  ") + key.name + " (" + key.meaning + ")";
    }
    return text;
}

VEXA_REGISTER_COMMAND(get, 120, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetOptions>();
    CLI::App* command = app.add_subcommand(
        "get", "Print one text value of a printer (empty when the printer has none)");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_option("KEY", options->key, keyHelp())->required();
    return [&global, options]() { return getValue(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
