// vexa-repo remove-media PRINTER MEDIA [--group GROUP] [--yes]: removes a
// media with its modes, after asking; a media whose settings cannot be read
// or a half-made one goes too.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "ToolText.h"

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
    // The printer's writer removes the folder whatever it holds, under the
    // locks of the media and its modes.
    bool removed = false;
    vfs::FileObjectPtr folder;
    {
        const PrinterAccess printer = openPrinter(global, options.media.printer);
        folder = mediaFolder(printer.folder, name);
        const PrinterWriterPtr writer = printer.writer();
        repos::clearFailure();
        removed = writer->removeMediaFolder(W(name.group), W(name.media));
    }
    if (!removed) {
        std::string prefix = "cannot remove " + label;
        if (existingChild(folder, ".invalid")) {
            prefix += " (it stays half-removed: vexa-repo remove-media finishes it)";
        }
        throwFailure(prefix);
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
