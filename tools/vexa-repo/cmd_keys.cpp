// vexa-repo keys PRINTER [MEDIA [MODE]] [--group GROUP] [--json]: every key
// of a printer, a media or (the printer options of) a mode, with its value
// and whether set and unset take it.
#include <iostream>
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct KeysOptions {
    MediaArgs media;  // MEDIA optional here
    std::string mode;
    bool json = false;
};

Json entry(const std::string& key, const Json& value, bool settable) {
    return {{"key", key}, {"value", value}, {"settable", settable}};
}

Json listKeys(const GlobalOptions& global, const KeysOptions& options) {
    Json keys = Json::array();
    if (options.media.media.empty()) {
        const PrinterAccess printer = openPrinter(global, options.media.printer);
        const PrinterReaderPtr reader = printer.reader();
        for (const KeyInfo& key : printerKeys()) {
            keys.push_back(entry(key.name,
                                 typedValue(key, printerValue(key, *reader, *printer.repository)),
                                 key.settable));
        }
        return keys;
    }
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr reader = chain.media.reader();
    if (options.mode.empty()) {
        for (const KeyInfo& key : mediaKeys()) {
            keys.push_back(
                entry(key.name, typedValue(key, mediaValue(key, *reader)), key.settable));
        }
        return keys;
    }
    const ModeAccess mode = openMode(chain.media, reader, options.mode);
    const boost::shared_ptr<std::map<wxString, wxString>> all = mode.reader()->getPrinterOptions();
    for (const auto& option : all ? *all : std::map<wxString, wxString>()) {
        const std::string value = U(option.second);
        keys.push_back(entry(U(option.first), value.empty() ? Json() : Json(value), true));
    }
    return keys;
}

int printKeys(const GlobalOptions& global, const KeysOptions& options) {
    const Json keys = listKeys(global, options);
    if (options.json) {
        printJson(std::cout, keys);
        return kOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (const Json& key : keys) {
        rows.push_back({plain(key["key"]), key["settable"].get<bool>() ? "settable" : "read-only",
                        plain(key["value"])});
    }
    printTable(std::cout, {"KEY", "ACCESS", "VALUE"}, rows, "");
    return kOk;
}

VEXA_REGISTER_COMMAND(keys, 125, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<KeysOptions>();
    CLI::App* command = app.add_subcommand(
        "keys",
        "List the keys of a printer, of a media (with MEDIA) or the printer options of a mode "
        "(with MEDIA and MODE): each with its value (empty when unset) and whether it is "
        "settable or read-only");
    command->add_option("PRINTER", options->media.printer, "Printer name")->required();
    command->add_option("MEDIA", options->media.media, "Media as 'MEDIA [GROUP]'");
    command->add_option("MODE", options->mode, "Mode name");
    options->media.groupOption =
        command
            ->add_option("--group", options->media.group,
                         "Group of the media; MEDIA is then the plain media name")
            ->type_name("GROUP");
    command->add_flag("--json", options->json,
                      "Print a JSON array of {key, value, settable}; an unset value is null");
    return [&global, options]() { return printKeys(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
