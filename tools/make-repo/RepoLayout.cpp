#include "RepoLayout.h"

#include <boost/make_shared.hpp>
#include <filesystem>

#include "EngineValues.h"
#include "SettingsTrees.h"
#include "repos/DataStrategy.h"
#include "repos/MediaCostSettings.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace makerepo {

namespace {

const char* const kSettings = "/.Settings.xml";
const char* const kLock = "/.lock";

void makeFolder(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path));
}

// The cost settings document as the media writer leaves it.
std::string costXml(const CostDesc& costs) {
    repos::NamedNode::Ptr root = repos::NamedNode::Create(W("CostSettings"));
    repos::DataStrategy<repos::MediaCostSettings>().storeNew(makeCosts(costs), root,
                                                             W("MediaCostSettings"));
    return settingsXml(root);
}

void writeMode(const std::string& folder, const ModeDesc& mode, Fill fill) {
    makeFolder(folder);
    repos::NamedNode::Ptr root = seedModeTree(mode);
    if (fill == Fill::Complete) {
        completeModeTree(root, mode);
        writeBytes(folder + kLock, std::string());
        for (const FileDesc& file : mode.files) {
            writeBytes(folder + "/" + file.name, file.bytes);
        }
        for (const LinkDesc& link : mode.links) {
            writeBytes(folder + "/" + link.name + ".Link", linkFileText(link));
        }
    }
    writeBytes(folder + kSettings, settingsXml(root));
}

void writeMedia(const std::string& folder, const MediaDesc& media, Fill fill) {
    makeFolder(folder);
    repos::NamedNode::Ptr root = seedMediaTree(media);
    if (fill == Fill::Complete) {
        completeMediaTree(root, media);
        writeBytes(folder + kLock, std::string());
        if (media.costs) {
            writeBytes(folder + "/.MediaCostSettings.xml", costXml(*media.costs));
        }
    }
    writeBytes(folder + kSettings, settingsXml(root));
    if (media.engineBlob) {
        // The writers fill an existing file only.
        writeBytes(folder + "/.SPSettings.dat",
                   fill == Fill::Complete ? *media.engineBlob : std::string());
    }
    for (const ModeDesc& mode : media.modes) {
        writeMode(folder + "/Modes/" + mode.name, mode, fill);
    }
}

}  // namespace

std::string printerFolder(const std::string& db, const PrinterDesc& printer) {
    return db + "/Printers/" + printer.name;
}

std::string mediaFolder(const std::string& db, const PrinterDesc& printer, const MediaDesc& media) {
    return printerFolder(db, printer) + "/Medias/" + media.group + "/" + media.name;
}

std::string modeFolder(const std::string& db, const PrinterDesc& printer, const MediaDesc& media,
                       const ModeDesc& mode) {
    return mediaFolder(db, printer, media) + "/Modes/" + mode.name;
}

std::string linkFileText(const LinkDesc& link) {
    return link.target + "\n";
}

void writePrinter(const std::string& db, const PrinterDesc& printer, Fill fill) {
    const std::string folder = printerFolder(db, printer);
    makeFolder(folder + "/Defaults");
    repos::NamedNode::Ptr root = seedPrinterTree(printer);
    // The settings as installed, before any change.
    writeBytes(folder + "/Defaults/.Settings.xml", settingsXml(root));
    if (fill == Fill::Complete) {
        completePrinterTree(root, printer);
        writeBytes(folder + kLock, std::string());
    }
    writeBytes(folder + kSettings, settingsXml(root));
    if (!printer.swatches.empty()) {
        makeFolder(folder + "/Shared");
        for (const FileDesc& swatch : printer.swatches) {
            writeBytes(folder + "/Shared/" + swatch.name + ".SDef", swatch.bytes);
        }
    }
    if (printer.engineBlob) {
        writeBytes(folder + "/.SPSettings.dat",
                   fill == Fill::Complete ? *printer.engineBlob : std::string());
    }
    for (const MediaDesc& media : printer.medias) {
        writeMedia(mediaFolder(db, printer, media), media, fill);
    }
}

}  // namespace makerepo
}  // namespace vexa
