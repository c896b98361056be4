// vexa-repo set-mode-option PRINTER MEDIA MODE NAME VALUE [--group GROUP]:
// sets one printer option of a print mode and saves it.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "ToolText.h"

namespace vexa {
namespace tool {
namespace {

struct SetModeOptionOptions {
    MediaArgs media;
    std::string mode;
    std::string name;
    std::string value;
};

int setModeOption(const GlobalOptions& global, const SetModeOptionOptions& options) {
    // The library ignores such names: the settings tree could not hold them.
    if (options.name.empty() || options.name.find_first_of("/*") != std::string::npos) {
        throw ToolError(kUsage, "'" + options.name +
                                    "' is not an option name: names are not empty and hold "
                                    "neither '/' nor '*'");
    }
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr mediaReader = chain.media.reader();
    const ModeAccess mode = openMode(chain.media, mediaReader, options.mode);
    const ModeWriterPtr writer = mode.writer();
    writer->setPrinterOption(W(options.name), W(options.value));
    repos::clearFailure();
    if (!writer->save()) {
        throwFailure("cannot save " + mode.label());
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(set_mode_option, 330, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetModeOptionOptions>();
    CLI::App* command =
        app.add_subcommand("set-mode-option", "Set one printer option of a print mode and save it");
    addMediaArgs(*command, options->media);
    command->add_option("MODE", options->mode, "Mode name")->required();
    command->add_option("NAME", options->name, "Option name (not empty, no '/' or '*')")
        ->required();
    command->add_option("VALUE", options->value, "New value")->required();
    return [&global, options]() { return setModeOption(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
