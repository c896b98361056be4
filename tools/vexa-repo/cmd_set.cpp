// vexa-repo set PRINTER KEY VALUE: changes one text value of a printer and
// saves it.
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
};

int setValue(const GlobalOptions& global, const SetOptions& options) {
    const KeyInfo& key = findKey(printerKeys(), options.key, "Printer", true);
    const PrinterAccess printer = openPrinter(global, options.printer);
    const PrinterWriterPtr writer = printer.writer();
    setPrinterValue(key, options.value, printer, *writer);
    repos::clearFailure();
    if (!writer->save()) {
        throwFailure("cannot save " + printer.label());
    }
    return kOk;
}

std::string keyHelp() {
    std::string text = "Key, one of:";
    for (const KeyInfo& key : printerKeys()) {
        if (key.settable) {
            text += std::string("\n  ") + key.name + " (" + key.meaning + ")";
        }
    }
    return text;
}

VEXA_REGISTER_COMMAND(set, 130, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetOptions>();
    CLI::App* command = app.add_subcommand("set", "Change one text value of a printer and save it");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_option("KEY", options->key, keyHelp())->required();
    command->add_option("VALUE", options->value, "New value")->required();
    return [&global, options]() { return setValue(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
