// vexa-repo get-mode-option PRINTER MEDIA MODE NAME [--group GROUP] [--json]:
// one printer option of a print mode; exit status 1, printing nothing, when
// it is not set.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct GetModeOptionOptions {
    MediaArgs media;
    std::string mode;
    std::string name;
    bool json = false;
};

int getModeOption(const GlobalOptions& global, const GetModeOptionOptions& options) {
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr mediaReader = chain.media.reader();
    const ModeAccess mode = openMode(chain.media, mediaReader, options.mode);
    const ModeReaderPtr reader = mode.reader();
    const boost::shared_ptr<std::map<wxString, wxString>> all = reader->getPrinterOptions();
    const auto found = all ? all->find(W(options.name)) : std::map<wxString, wxString>::iterator();
    const std::string value = all && found != all->end() ? U(found->second) : std::string();
    return printGotValue(value.empty() ? Json() : Json(value), options.json);
}

VEXA_REGISTER_COMMAND(get_mode_option, 320, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetModeOptionOptions>();
    CLI::App* command = app.add_subcommand(
        "get-mode-option",
        "Print one printer option of a print mode (exit status 1, printing nothing, when unset)");
    addMediaArgs(*command, options->media);
    command->add_option("MODE", options->mode, "Mode name")->required();
    command->add_option("NAME", options->name, "Option name")->required();
    command->add_flag("--json", options->json, "Print the value as a JSON string");
    return [&global, options]() { return getModeOption(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
