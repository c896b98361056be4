// vexa-repo unset PRINTER KEY: removes one value of a printer (the library
// keeps the key with an empty value, which reads as unset).
#include <memory>

#include "Access.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct UnsetOptions {
    std::string printer;
    std::string key;
};

VEXA_REGISTER_COMMAND(unset, 135, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<UnsetOptions>();
    CLI::App* command = app.add_subcommand(
        "unset", "Unset one value of a printer and save it (nothing to do when it is not set)");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_option("KEY", options->key, keyHelp(printerKeys(), true))->required();
    return [&global, options]() {
        const KeyInfo& key = findKey(printerKeys(), options->key, "Printer", true);
        return changePrinterValue(global, options->printer, key, std::string(), true);
    };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
