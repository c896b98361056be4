// The manual page vexa-repo(1), written from the parser the commands built:
// the build makes it with "vexa-repo help --man", so every command, its
// arguments and options appear in it as --help shows them.
#ifndef VEXA_TOOL_MANUAL_H
#define VEXA_TOOL_MANUAL_H

#include <CLI/CLI.hpp>

#include <ostream>

namespace vexa {
namespace tool {

// Writes the page in troff (man macros).
void writeManual(std::ostream& out, const CLI::App& app);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_MANUAL_H
