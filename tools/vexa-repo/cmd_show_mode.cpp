// vexa-repo show-mode PRINTER MEDIA MODE [--group GROUP] [--json]: every
// value of a print mode.
#include <iostream>
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Describe.h"

namespace vexa {
namespace tool {
namespace {

struct ShowModeOptions {
    MediaArgs media;
    std::string mode;
    bool json = false;
};

int showMode(const GlobalOptions& global, const ShowModeOptions& options) {
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr mediaReader = chain.media.reader();
    const ModeAccess mode = openMode(chain.media, mediaReader, options.mode);
    const ModeReaderPtr reader = mode.reader();
    const Json description = describeMode(mode, *reader);
    if (options.json) {
        printJson(std::cout, description);
    } else {
        printMode(std::cout, description);
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(show_mode, 310, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ShowModeOptions>();
    CLI::App* command = app.add_subcommand(
        "show-mode",
        "Show a print mode: pattern, resolution, ink limits, drop adjustments, transition "
        "control, ink configuration, screens, printer options, table defaults, profiles and "
        "curves");
    addMediaArgs(*command, options->media);
    command->add_option("MODE", options->mode, "Mode name")->required();
    command->add_flag("--json", options->json, "Print the same as one JSON object");
    return [&global, options]() { return showMode(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
