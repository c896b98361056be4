// vexa-repo printers [--json]: every printer folder of the repository with
// its active flag and device. A printer that cannot be read is listed with
// its state instead ("half-made", "no settings", "locked", "unreadable").
#include <algorithm>
#include <iostream>
#include <list>
#include <memory>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"
#include "Values.h"
#include "repos/SystemRepository.h"

namespace vexa {
namespace tool {
namespace {

struct PrintersOptions {
    bool json = false;
};

Json describeEntry(const std::string& name) {
    Json entry = {{"name", name}, {"active", nullptr}, {"device", nullptr}, {"state", "ok"}};
    const vfs::FileObjectPtr folder =
        existingChild(repos::SystemRepository::getPrintersFolder(), name);
    std::unique_ptr<FolderLock> lock;
    const std::string state = folderState(folder, lock);
    if (!state.empty()) {
        entry["state"] = state;
        return entry;
    }
    const PrinterRepositoryPtr repository =
        repos::printer::PrinterRepository::createRepository(W(name), wxString());
    const PrinterReaderPtr reader =
        repository ? repos::printer::PrinterReader::getReader(repository) : PrinterReaderPtr();
    if (!reader) {
        entry["state"] = "unreadable";
        return entry;
    }
    const KeyInfo& active = findKey(printerKeys(), "Active", "Printer", false);
    entry["active"] = printerValue(active, *reader, *repository) == "true";
    const std::string device = U(reader->getDeviceName());
    entry["device"] = device.empty() ? Json() : Json(device);
    return entry;
}

int listPrinters(const GlobalOptions& global, const PrintersOptions& options) {
    openRepository(global);
    std::vector<std::string> names;
    for (const wxString& name : repos::SystemRepository::getPrintersList()) {
        names.push_back(U(name));
    }
    std::sort(names.begin(), names.end());
    Json printers = Json::array();
    for (const std::string& name : names) {
        printers.push_back(describeEntry(name));
    }
    if (options.json) {
        printJson(std::cout, printers);
        return kOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (const Json& printer : printers) {
        const bool ok = printer["state"] == "ok";
        rows.push_back({plain(printer["name"]),
                        ok ? (printer["active"].get<bool>() ? "yes" : "no") : "-",
                        ok ? plain(printer["device"]) : "(" + plain(printer["state"]) + ")"});
    }
    printTable(std::cout, {"NAME", "ACTIVE", "DEVICE"}, rows, "");
    return kOk;
}

VEXA_REGISTER_COMMAND(printers, 100, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<PrintersOptions>();
    CLI::App* command = app.add_subcommand(
        "printers", "List the printers: name, active flag and device, sorted by name");
    command->add_flag("--json", options->json,
                      "Print a JSON array of {name, active, device, state}; state is ok, "
                      "half-made, no settings, locked or unreadable (active and device are then "
                      "null)");
    return [&global, options]() { return listPrinters(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
