// vexa-repo remove-media PRINTER MEDIA [--group GROUP] [--yes]: removes a
// media with its modes, after asking.
#include <memory>

#include "Args.h"
#include "Command.h"

namespace vexa {
namespace tool {
namespace {

struct RemoveMediaOptions {
    MediaArgs media;
    bool yes = false;
};

int removeMedia(const GlobalOptions& global, const RemoveMediaOptions& options) {
    MediaName name;
    std::string label;
    {
        // Found first and asked about with nothing locked: the question may
        // wait long for its answer.
        const PrinterAccess printer = openPrinter(global, options.media.printer);
        name =
            findMedia(printer, options.media.media, options.media.hasGroup(), options.media.group);
        label = "media '" + name.legacy() + "' of " + printer.label();
    }
    if (!options.yes && !confirm("Remove " + label + " with all its modes?")) {
        throw ToolError(kUsage, label + " not removed (--yes removes without asking)");
    }
    MediaChain chain;
    openMediaChain(global, options.media.printer, name, chain);
    const MediaWriterPtr writer = chain.media.writer();
    if (!writer->remove()) {
        throw ToolError(kFailure, "cannot remove " + chain.media.label() +
                                      " completely; it stays marked .invalid (see vexa-repo "
                                      "check)");
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(remove_media, 250, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<RemoveMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "remove-media", "Remove a media with its modes (asks first unless --yes)");
    addMediaArgs(*command, options->media);
    command->add_flag("-y,--yes", options->yes, "Remove without asking");
    return [&global, options]() { return removeMedia(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
