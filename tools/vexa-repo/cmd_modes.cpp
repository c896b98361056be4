// vexa-repo modes PRINTER MEDIA [--group GROUP] [--json]: the print modes
// of a media with their resolution and pattern.
#include <iostream>
#include <memory>

#include "Args.h"
#include "Command.h"
#include "ToolText.h"

namespace vexa {
namespace tool {
namespace {

struct ModesOptions {
    MediaArgs media;
    bool json = false;
};

// One mode's entry; a mode that cannot be read is listed with its state.
Json describeEntry(const MediaChain& chain, const MediaReaderPtr& reader, const std::string& name,
                   const std::string& defaultMode) {
    Json entry = {
        {"mode", name},       {"resolution", nullptr},          {"resolutionAlias", nullptr},
        {"pattern", nullptr}, {"default", name == defaultMode}, {"valid", nullptr},
        {"state", "ok"}};
    const vfs::FileObjectPtr folder =
        existingChild(existingChild(chain.media.folder, "Modes"), name);
    std::unique_ptr<FolderLock> lock;
    const std::string state = folderState(folder, lock);
    if (!state.empty()) {
        entry["state"] = state;
    } else {
        const ModeRepositoryPtr repository = reader->getMode(W(name));
        const ModeReaderPtr mode =
            repository ? repos::printer::ModeReader::getReader(repository) : ModeReaderPtr();
        if (!mode) {
            entry["state"] = "unreadable";
        } else {
            const auto text = [](const wxString& value) {
                return value.empty() ? Json() : Json(U(value));
            };
            entry["resolution"] = text(mode->getResolution());
            entry["resolutionAlias"] = text(mode->getResolutionAlias());
            entry["pattern"] = text(mode->getPattern());
            entry["valid"] = mode->isValid();
        }
    }
    return entry;
}

int listModes(const GlobalOptions& global, const ModesOptions& options) {
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr reader = chain.media.reader();
    const std::string defaultMode = U(reader->getDefaultMode());
    std::vector<std::string> names;
    for (const auto& entry : reader->getModeList()) {
        names.push_back(U(entry.first));
    }
    Json modes = Json::array();
    for (const std::string& name : names) {
        modes.push_back(describeEntry(chain, reader, name, defaultMode));
    }
    if (options.json) {
        printJson(std::cout, modes);
        return kOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (const Json& mode : modes) {
        const bool ok = mode["state"] == "ok";
        rows.push_back({plain(mode["mode"]), plain(mode["resolution"]),
                        plain(mode["resolutionAlias"]), plain(mode["pattern"]),
                        mode["default"].get<bool>() ? "yes" : "",
                        ok ? (mode["valid"].get<bool>() ? "" : "(invalid)")
                           : "(" + plain(mode["state"]) + ")"});
    }
    printTable(std::cout, {"MODE", "RESOLUTION", "ALIAS", "PATTERN", "DEFAULT", "STATE"}, rows, "");
    return kOk;
}

VEXA_REGISTER_COMMAND(modes, 300, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ModesOptions>();
    CLI::App* command = app.add_subcommand(
        "modes", "List the print modes of a media: resolution, alias, pattern, default mode");
    addMediaArgs(*command, options->media);
    command->add_flag("--json", options->json,
                      "Print a JSON array of {mode, resolution, resolutionAlias, pattern, "
                      "default, valid, state}; state is ok, half-made, no settings, locked or "
                      "unreadable (the values are then null)");
    return [&global, options]() { return listModes(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
