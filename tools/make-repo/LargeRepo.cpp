#include "LargeRepo.h"

#include <cstdio>
#include <string>
#include <vector>

#include "SampleData.h"

namespace vexa {
namespace makerepo {

namespace {

const char* const kGroups[] = {"Fotopapier", "Künstlerpapier", "Proof", kUngrouped};
const std::size_t kGroupCount = sizeof kGroups / sizeof kGroups[0];

std::string number(std::size_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*zu", digits, value);
    return text;
}

// The distinct modes of a printer's medias, in order of appearance.
std::vector<ModeDesc> modePool(const PrinterDesc& printer) {
    std::vector<ModeDesc> pool;
    for (const MediaDesc& media : printer.medias) {
        for (const ModeDesc& mode : media.modes) {
            bool known = false;
            for (const ModeDesc& seen : pool) {
                known = known || seen.name == mode.name;
            }
            if (!known) {
                pool.push_back(mode);
                // Host files and links point at sample folders: not copied.
                pool.back().files.clear();
                pool.back().links.clear();
            }
        }
    }
    return pool;
}

struct Template {
    PrinterDesc printer;
    std::vector<ModeDesc> modes;
};

const Template& printerTemplate(std::size_t index) {
    static const std::vector<Template> templates = [] {
        std::vector<Template> all;
        for (const PrinterDesc& printer : sampleRepository().printers) {
            all.push_back(Template{printer, modePool(printer)});
        }
        return all;
    }();
    // Three of four printers are the larger model.
    return templates[index % 4 == 3 ? 1 : 0];
}

}  // namespace

PrinterDesc largePrinter(std::size_t index, std::size_t medias, std::size_t modes) {
    const Template& from = printerTemplate(index);
    PrinterDesc printer = from.printer;
    printer.name = from.printer.name + " - " + number(index + 1, 4);
    printer.portData = "192.0.2." + std::to_string(index % 250 + 1) + ":9100";
    printer.medias.clear();
    for (std::size_t m = 0; m < medias; ++m) {
        const std::vector<MediaDesc>& sampleMedias = from.printer.medias;
        MediaDesc media = sampleMedias[m % sampleMedias.size()];
        media.group = kGroups[m % kGroupCount];
        if (m >= sampleMedias.size()) {
            media.name += " " + std::to_string(m + 1);
        }
        media.engineBlob.reset();
        media.modes.clear();
        for (std::size_t k = 0; k < modes; ++k) {
            ModeDesc mode = from.modes[k % from.modes.size()];
            if (k >= from.modes.size()) {
                mode.name += " " + std::to_string(k + 1);
            }
            media.modes.push_back(mode);
        }
        // Defaults that name modes this media has.
        const std::string first = media.modes.empty() ? std::string() : media.modes.front().name;
        const std::string last = media.modes.empty() ? std::string() : media.modes.back().name;
        media.defaultMode = first;
        media.jdfHigh = last;
        media.jdfNormal = first;
        media.jdfDraft = first;
        printer.medias.push_back(media);
    }
    if (printer.medias.empty()) {
        printer.defaultMediaGroup.clear();
        printer.defaultMediaName.clear();
    } else {
        printer.defaultMediaGroup = printer.medias.front().group;
        printer.defaultMediaName = printer.medias.front().name;
    }
    return printer;
}

}  // namespace makerepo
}  // namespace vexa
