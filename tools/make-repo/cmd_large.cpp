// vexa-make-repo large DB PRINTERS MEDIAS MODES: a repository of a chosen
// size for benchmarks, every file written directly (the writers lock and
// sync every file, which would take minutes for thousands of printers).
#include <chrono>
#include <exception>
#include <filesystem>
#include <iomanip>
#include <iostream>

#include "Commands.h"
#include "LargeRepo.h"
#include "RepoLayout.h"

namespace vexa {
namespace makerepo {

int runLarge(const std::string& db, std::size_t printers, std::size_t medias, std::size_t modes) {
    if (!isFreeFolder(db)) {
        return fail(kUsage, db + " exists and is not empty");
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        std::filesystem::create_directories(std::filesystem::path(db) / "Printers");
        for (std::size_t i = 0; i < printers; ++i) {
            writePrinter(db, largePrinter(i, medias, modes), Fill::Complete);
        }
    } catch (const std::exception& e) {
        return fail(kFailure, e.what());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cout << "wrote " << printers << " printers, " << printers * medias << " medias, "
              << printers * medias * modes << " modes to " << db << " in " << std::fixed
              << std::setprecision(1) << took.count() << " s\n";
    return kOk;
}

}  // namespace makerepo
}  // namespace vexa
