// vexa-repo set-media PRINTER MEDIA KEY VALUE [--group GROUP] [--force]:
// changes one value of a media and saves it.
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
    bool force = false;
};

VEXA_REGISTER_COMMAND(set_media, 230, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "set-media",
        "Change one value of a media and save it; a DefaultMode or JdfQualityMode* naming a "
        "mode the media does not have is refused unless --force");
    addMediaArgs(*command, options->media);
    command->add_option("KEY", options->key, keyHelp(mediaKeys(), true))->required();
    command->add_option("VALUE", options->value, "New value (empty: unset)")->required();
    command->add_flag("--force", options->force, "Set a value that names nothing");
    return [&global, options]() {
        const KeyInfo& key = findKey(mediaKeys(), options->key, "Media", true);
        return changeMediaValue(global, options->media, key, options->value, options->force);
    };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
