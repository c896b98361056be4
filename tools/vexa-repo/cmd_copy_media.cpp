// vexa-repo copy-media PRINTER MEDIA DEST [--group GROUP] [--to-printer P]:
// a new media DEST holding a copy of the media with its modes, in the same
// printer or in another one.
#include <memory>

#include "Args.h"
#include "Command.h"
#include "FolderCopy.h"
#include "ToolText.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace tool {
namespace {

struct CopyMediaOptions {
    MediaArgs media;
    std::string destination;
    std::string toPrinter;
};

int copyMedia(const GlobalOptions& global, const CopyMediaOptions& options) {
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaName target = newMediaName(options.destination, chain.media.name.group);

    // Another printer is opened too, and held until its media map knows the copy.
    PrinterAccess otherPrinter;
    const bool elsewhere = !options.toPrinter.empty() && options.toPrinter != chain.printer.name;
    if (elsewhere) {
        otherPrinter = openPrinter(global, options.toPrinter);
    }
    const PrinterAccess& printer = elsewhere ? otherPrinter : chain.printer;
    const std::string path =
        nativePath(printer.folder) + "/Medias/" + target.group + "/" + target.media;
    const vfs::FileObjectPtr destination =
        printer.folder->resolveChild(W("Medias/" + target.group + "/" + target.media));
    // The reader keeps writers of the source out while it is copied.
    const MediaReaderPtr reader = chain.media.reader();
    runCopy(chain.media.label() + " to '" + target.legacy() + "' of " + printer.label(), path,
            [&](const vfs::CopyFilterPtr& filter) { return reader->copyTo(destination, filter); });
    if (elsewhere) {
        // The library tells the source's printer only.
        printer.repository->notifyMediaChange(repos::printer::PrinterRepository::MEDIA_ADDED,
                                              destination);
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(copy_media, 240, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<CopyMediaOptions>();
    CLI::App* command = app.add_subcommand(
        "copy-media",
        "Copy a media with its modes to a new media of the same or another printer (a "
        "progress bar on a terminal)");
    addMediaArgs(*command, options->media);
    command
        ->add_option("DEST", options->destination,
                     "The new media as 'MEDIA [GROUP]'; without a group it lands in the group "
                     "of the media copied")
        ->required();
    command
        ->add_option("--to-printer", options->toPrinter,
                     "Printer that gets the copy (default: the same printer)")
        ->type_name("PRINTER");
    return [&global, options]() { return copyMedia(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
