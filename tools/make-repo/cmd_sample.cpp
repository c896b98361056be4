// vexa-make-repo sample DB: the bundled sample repository.
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>

#include "ApplyWriters.h"
#include "Commands.h"
#include "EngineValues.h"
#include "RepoLayout.h"
#include "SampleData.h"
#include "repos/PrinterRepository.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace makerepo {

namespace fs = std::filesystem;

void useRepository(const std::string& folder) {
    const fs::path db(folder);
    if (::setenv("VEXA_INSTALL", db.parent_path().c_str(), 1) != 0) {
        throw std::runtime_error("cannot set VEXA_INSTALL");
    }
    repos::SystemRepository::Reset();
    repos::printer::PrinterCatalog::reset();
    vfs::FileObjectPtr found = repos::SystemRepository::getRepositoryDir();
    std::error_code error;
    if (!found || !fs::equivalent(fs::path(U(found->getName()->getNativePath())), db, error)) {
        throw std::runtime_error("the library finds another repository than " + db.string() +
                                 " (one beside the program?)");
    }
}

int runSample(const std::string& db) {
    if (!isFreeFolder(db)) {
        return fail(kUsage, db + " exists and is not empty");
    }
    const fs::path target = fs::absolute(fs::path(db)).lexically_normal();
    // The writers reach printers by name, so the repository is made where
    // the library looks: a folder "db" beside the target, moved in place
    // when whole.
    const fs::path staging =
        target.parent_path() / (".vexa-make-repo-" + std::to_string(::getpid()));
    const fs::path stagingDb = staging / "db";
    std::error_code error;
    try {
        if (fs::exists(staging)) {
            throw std::runtime_error(staging.string() + " is in the way");
        }
        fs::create_directories(stagingDb / "Printers");
        const RepositoryDesc& sample = sampleRepository();
        for (const PrinterDesc& printer : sample.printers) {
            writePrinter(stagingDb.string(), printer, Fill::Seed);
        }
        useRepository(stagingDb.string());
        for (const PrinterDesc& printer : sample.printers) {
            applyWriters(printer);
        }
        // Let go of every handle before the folder moves.
        repos::printer::PrinterCatalog::reset();
        repos::SystemRepository::Reset();
        fs::remove(target, error);  // an empty folder, if any
        fs::rename(stagingDb, target);
        fs::remove_all(staging);
    } catch (const std::exception& e) {
        repos::printer::PrinterCatalog::reset();
        repos::SystemRepository::Reset();
        fs::remove_all(staging, error);
        return fail(kFailure, e.what());
    }
    std::cout << "sample repository written to " << target.string() << '\n';
    return kOk;
}

}  // namespace makerepo
}  // namespace vexa
