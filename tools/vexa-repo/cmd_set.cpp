// vexa-repo set PRINTER KEY VALUE [--force]: changes one value of a printer
// and saves it.
#include <memory>

#include "Access.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct SetOptions {
    std::string printer;
    std::string key;
    std::string value;
    bool force = false;
};

VEXA_REGISTER_COMMAND(set, 130, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetOptions>();
    CLI::App* command = app.add_subcommand(
        "set",
        "Change one value of a printer and save it; a DefaultMedia the printer does not have or "
        "a DefaultPageSize not among its page sizes is refused unless --force");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_option("KEY", options->key, keyHelp(printerKeys(), true))->required();
    command->add_option("VALUE", options->value, "New value (empty: unset)")->required();
    command->add_flag("--force", options->force, "Set a value that names nothing");
    return [&global, options]() {
        const KeyInfo& key = findKey(printerKeys(), options->key, "Printer", true);
        return changePrinterValue(global, options->printer, key, options->value, options->force);
    };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
