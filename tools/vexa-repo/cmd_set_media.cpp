// vexa-repo set-media PRINTER MEDIA KEY VALUE [--group GROUP]: changes one
// text value of a media and saves it.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct SetMediaOptions {
    MediaArgs media;
    std::string key;
    std::string value;
};

int setMedia(const GlobalOptions& global, const SetMediaOptions& options) {
    const KeyInfo& key = findKey(mediaKeys(), options.key, "Media", true);
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaWriterPtr writer = chain.media.writer();
    setMediaValue(key, options.value, chain.media, *writer);
    repos::clearFailure();
    if (!writer->save()) {
        throwFailure("cannot save " + chain.media.label());
    }
    return kOk;
}

std::string keyHelp() {
    std::string text = "Key, one of:";
    for (const KeyInfo& key : mediaKeys()) {
        if (key.settable) {
            text += std::string("\n  ") + key.name + " (" + key.meaning + ")";
        }
    }
    return text;
}

VEXA_REGISTER_COMMAND(set_media, 230, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetMediaOptions>();
    CLI::App* command =
        app.add_subcommand("set-media", "Change one text value of a media and save it");
    addMediaArgs(*command, options->media);
    command->add_option("KEY", options->key, keyHelp())->required();
    command->add_option("VALUE", options->value, "New value")->required();
    return [&global, options]() { return setMedia(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
