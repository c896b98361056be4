// vexa-repo show-media PRINTER MEDIA [--group GROUP] [--json]: every value
// of a media.
#include <iostream>
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Describe.h"

namespace vexa {
namespace tool {
namespace {

struct ShowMediaOptions {
    MediaArgs media;
    bool json = false;
};

int showMedia(const GlobalOptions& global, const ShowMediaOptions& options) {
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr reader = chain.media.reader();
    const Json description = describeMedia(chain.media, *reader);
    if (options.json) {
        printJson(std::cout, description);
    } else {
        printMedia(std::cout, description);
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(show_media, 210, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ShowMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "show-media",
        "Show a media: its text values, page sizes, passes, ink configuration, colour info, "
        "resolution scales, costs and modes");
    addMediaArgs(*command, options->media);
    command->add_flag("--json", options->json, "Print the same as one JSON object");
    return [&global, options]() { return showMedia(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
