// vexa-repo unset-mode-option PRINTER MEDIA MODE NAME [--group GROUP]:
// removes one printer option of a print mode (kept as an empty value, which
// reads as unset).
#include <memory>

#include "Args.h"
#include "Command.h"
#include "Values.h"

namespace vexa {
namespace tool {
namespace {

struct UnsetModeOptionOptions {
    MediaArgs media;
    std::string mode;
    std::string name;
};

VEXA_REGISTER_COMMAND(unset_mode_option, 335, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<UnsetModeOptionOptions>();
    CLI::App* command = app.add_subcommand(
        "unset-mode-option",
        "Unset one printer option of a print mode and save it (nothing to do when it is not set)");
    addMediaArgs(*command, options->media);
    command->add_option("MODE", options->mode, "Mode name")->required();
    command->add_option("NAME", options->name, "Option name")->required();
    return [&global, options]() {
        return changeModeOption(global, options->media, options->mode, options->name,
                                std::string());
    };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
