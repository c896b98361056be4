// vexa-repo unset-media PRINTER MEDIA KEY [--group GROUP]: removes one value
// of a media (kept as an empty value, which reads as unset).
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct UnsetMediaOptions {
    MediaArgs media;
    std::string key;
};

VEXA_REGISTER_COMMAND(unset_media, 235, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<UnsetMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "unset-media", "Unset one value of a media and save it (nothing to do when it is not set)");
    addMediaArgs(*command, options->media);
    command->add_option("KEY", options->key, keyHelp(mediaKeys(), true))->required();
    return [&global, options]() {
        const KeyInfo& key = findKey(mediaKeys(), options->key, "Media", true);
        return changeMediaValue(global, options->media, key, std::string(), true);
    };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
