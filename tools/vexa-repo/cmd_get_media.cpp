// vexa-repo get-media PRINTER MEDIA KEY [--group GROUP]: one text value of a
// media.
#include <iostream>
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
};

int getMediaValue(const GlobalOptions& global, const GetMediaOptions& options) {
    const KeyInfo& key = findKey(mediaKeys(), options.key, "Media", false);
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr reader = chain.media.reader();
    std::cout << mediaValue(key, *reader) << '\n';
    return kOk;
}

std::string keyHelp() {
    std::string text = "Key, one of:";
    for (const KeyInfo& key : mediaKeys()) {
        text += std::string("\n  ") + key.name + " (" + key.meaning + ")";
    }
    return text;
}

VEXA_REGISTER_COMMAND(get_media, 220, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "get-media", "Print one text value of a media (empty when the media has none)");
    addMediaArgs(*command, options->media);
    command->add_option("KEY", options->key, keyHelp())->required();
    return [&global, options]() { return getMediaValue(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
