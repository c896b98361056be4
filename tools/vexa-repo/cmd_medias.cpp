// vexa-repo medias PRINTER [--json]: the medias of a printer by group. A
// media that cannot be read is listed with its state ("half-made", "no
// settings", "locked", "unreadable").
#include <iostream>
#include <memory>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"
#include "repos/LegacyMediaName.h"

namespace vexa {
namespace tool {
namespace {

struct MediasOptions {
    std::string printer;
    bool json = false;
};

std::string mediaState(const PrinterAccess& printer, const PrinterReaderPtr& reader,
                       const MediaName& name) {
    std::unique_ptr<FolderLock> lock;
    const std::string state = folderState(mediaFolder(printer.folder, name), lock);
    if (!state.empty()) {
        return state;
    }
    const MediaRepositoryPtr media = reader->getMedia(W(name.group), W(name.media));
    return media && repos::printer::MediaReader::getReader(media) ? "ok" : "unreadable";
}

int listMedias(const GlobalOptions& global, const MediasOptions& options) {
    const PrinterAccess printer = openPrinter(global, options.printer);
    const PrinterReaderPtr reader = printer.reader();
    const std::pair<wxString, wxString> defaultMedia = reader->getDefaultMedia();
    const wxString defaultGroup =
        defaultMedia.first.empty() ? wxString(repos::printer::kUngroupedGroup) : defaultMedia.first;
    Json medias = Json::array();
    for (const auto& group : reader->getMediaList()) {
        for (const auto& media : group.second) {
            const MediaName name{U(group.first), U(media.first)};
            medias.push_back(
                {{"group", name.group},
                 {"media", name.media},
                 {"legacy", name.legacy()},
                 {"default", group.first == defaultGroup && media.first == defaultMedia.second},
                 {"state", mediaState(printer, reader, name)}});
        }
    }
    if (options.json) {
        printJson(std::cout, medias);
        return kOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (const Json& media : medias) {
        rows.push_back({plain(media["group"]), plain(media["media"]), plain(media["legacy"]),
                        media["default"].get<bool>() ? "yes" : "",
                        media["state"] == "ok" ? "" : "(" + plain(media["state"]) + ")"});
    }
    printTable(std::cout, {"GROUP", "MEDIA", "LEGACY NAME", "DEFAULT", "STATE"}, rows, "");
    return kOk;
}

VEXA_REGISTER_COMMAND(medias, 200, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<MediasOptions>();
    CLI::App* command = app.add_subcommand(
        "medias",
        "List the medias of a printer by group, with their legacy names ('MEDIA [GROUP]') "
        "and the default media");
    command->add_option("PRINTER", options->printer, "Printer name")->required();
    command->add_flag("--json", options->json,
                      "Print a JSON array of {group, media, legacy, default, state}; state is "
                      "ok, half-made, no settings, locked or unreadable");
    return [&global, options]() { return listMedias(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
