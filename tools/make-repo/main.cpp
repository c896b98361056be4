// vexa-make-repo: writes the bundled sample repository, writes large
// repositories for benchmarks, and reads a repository back whole.
#include <wx/init.h>
#include <wx/log.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "Commands.h"

namespace vexa {
namespace makerepo {

int fail(int code, const std::string& message) {
    std::cerr << "vexa-make-repo: " << message << '\n';
    return code;
}

bool isFreeFolder(const std::string& path) {
    std::error_code error;
    const std::filesystem::path folder(path);
    if (!std::filesystem::exists(folder, error)) {
        return true;
    }
    return std::filesystem::is_directory(folder, error) && std::filesystem::is_empty(folder, error);
}

}  // namespace makerepo
}  // namespace vexa

namespace {

const char* const kUsageText =
    "usage: vexa-make-repo sample DB\n"
    "       vexa-make-repo large DB PRINTERS MEDIAS MODES\n"
    "       vexa-make-repo check DB\n"
    "sample  writes the bundled sample repository into the folder DB\n"
    "large   writes PRINTERS printers with MEDIAS medias of MODES modes each into DB\n"
    "check   reads the repository folder DB (named \"db\") whole through the library\n"
    "DB must not exist or be empty for sample and large.\n";

bool parseCount(const char* text, std::size_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || parsed > 1000000) {
        return false;
    }
    value = static_cast<std::size_t>(parsed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vexa::makerepo;
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        return fail(kFailure, "cannot initialise wxWidgets");
    }
    // The library's diagnostics are for its developers; failures are
    // reported here, one line each.
    wxLog::EnableLogging(false);

    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "sample" && argc == 3) {
        return runSample(argv[2]);
    }
    if (command == "check" && argc == 3) {
        return runCheck(argv[2]);
    }
    if (command == "large" && argc == 6) {
        std::size_t counts[3];
        for (int i = 0; i < 3; ++i) {
            if (!parseCount(argv[3 + i], counts[i])) {
                return fail(kUsage, std::string("not a count: ") + argv[3 + i]);
            }
        }
        return runLarge(argv[2], counts[0], counts[1], counts[2]);
    }
    if (command == "--help" || command == "-h") {
        std::cout << kUsageText;
        return kOk;
    }
    std::cerr << kUsageText;
    return kUsage;
}
