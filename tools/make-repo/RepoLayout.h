// The folder tree of a repository written from its description: printer,
// media and mode folders with their settings files and side files.
#ifndef VEXA_TOOLS_MAKEREPO_REPOLAYOUT_H
#define VEXA_TOOLS_MAKEREPO_REPOLAYOUT_H

#include <string>

#include "RepoDesc.h"

namespace vexa {
namespace makerepo {

enum class Fill {
    // Seed settings files only, empty ".SPSettings.dat" where a blob is
    // described, no cost settings, no mode files and no ".lock": the
    // library's writers add the rest (applyWriters).
    Seed,
    // Everything, written directly: settings files as the writers would
    // leave them, side files, and an empty ".lock" per folder.
    Complete
};

// Writes the printer folder of `printer` below "<db>/Printers"; the
// folders are created as needed. Throws std::runtime_error (or
// std::filesystem::filesystem_error) when a file cannot be written.
void writePrinter(const std::string& db, const PrinterDesc& printer, Fill fill);

// The folder of a printer, a media and a mode below the repository `db`.
std::string printerFolder(const std::string& db, const PrinterDesc& printer);
std::string mediaFolder(const std::string& db, const PrinterDesc& printer, const MediaDesc& media);
std::string modeFolder(const std::string& db, const PrinterDesc& printer, const MediaDesc& media,
                       const ModeDesc& mode);

// The first line of a link file.
std::string linkFileText(const LinkDesc& link);

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_REPOLAYOUT_H
