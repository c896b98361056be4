// vexa-repo get-media PRINTER MEDIA KEY [--group GROUP] [--json]: one value
// of a media; exit status 1, printing nothing, when it is not set.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct GetMediaOptions {
    MediaArgs media;
    std::string key;
    bool json = false;
};

int getMediaValue(const GlobalOptions& global, const GetMediaOptions& options) {
    const KeyInfo& key = findKey(mediaKeys(), options.key, "Media", false);
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr reader = chain.media.reader();
    return printGotValue(typedValue(key, mediaValue(key, *reader)), options.json);
}

VEXA_REGISTER_COMMAND(get_media, 220, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "get-media", "Print one value of a media (exit status 1, printing nothing, when unset)");
    addMediaArgs(*command, options->media);
    command->add_option("KEY", options->key, keyHelp(mediaKeys(), false))->required();
    command->add_flag("--json", options->json, "Print the value as JSON: a string or number");
    return [&global, options]() { return getMediaValue(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
