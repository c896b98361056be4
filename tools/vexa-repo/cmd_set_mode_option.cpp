// vexa-repo set-mode-option PRINTER MEDIA MODE NAME VALUE [--group GROUP]:
// sets one printer option of a print mode and saves it.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct SetModeOptionOptions {
    MediaArgs media;
    std::string mode;
    std::string name;
    std::string value;
};

VEXA_REGISTER_COMMAND(set_mode_option, 330, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetModeOptionOptions>();
    CLI::App* command =
        app.add_subcommand("set-mode-option", "Set one printer option of a print mode and save it");
    addMediaArgs(*command, options->media);
    command->add_option("MODE", options->mode, "Mode name")->required();
    command->add_option("NAME", options->name, "Option name (not empty, no '/' or '*')")
        ->required();
    command->add_option("VALUE", options->value, "New value (empty: unset)")->required();
    return [&global, options]() {
        return changeModeOption(global, options->media, options->mode, options->name,
                                options->value);
    };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
