// The sub-commands of vexa-make-repo. Each returns the exit status and
// reports its failure on standard error in one line.
#ifndef VEXA_TOOLS_MAKEREPO_COMMANDS_H
#define VEXA_TOOLS_MAKEREPO_COMMANDS_H

#include <cstddef>
#include <string>

namespace vexa {
namespace makerepo {

enum ExitCode { kOk = 0, kUsage = 1, kFailure = 4 };

// Writes the sample repository (SampleData.h) into the folder `db`, which
// must not exist or be empty: seed files first, then every value a writer
// sets through the library's writers.
int runSample(const std::string& db);

// Writes a large repository into `db` (must not exist or be empty), every
// file directly, and reports what it wrote and how long it took.
int runLarge(const std::string& db, std::size_t printers, std::size_t medias, std::size_t modes);

// Reads the repository folder `db` (named "db") whole through the library's
// readers and reports the numbers of printers, medias and modes read; a
// failure for every one that cannot be read or lacks its main values.
int runCheck(const std::string& db);

// Prints "vexa-make-repo: MESSAGE" to standard error and returns `code`.
int fail(int code, const std::string& message);

// True when `path` does not exist or is an empty folder.
bool isFreeFolder(const std::string& path);

// Points the library at the repository folder `db`, whose name must be
// "db" (VEXA_INSTALL names the folder above it), with a fresh catalog.
// Throws std::runtime_error when the library finds another repository.
void useRepository(const std::string& db);

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_COMMANDS_H
