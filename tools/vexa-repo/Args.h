// Arguments several commands share: "PRINTER MEDIA [--group GROUP]" and the
// question before a removal; and the chain of open printer and media that
// the media and mode commands work in.
#ifndef VEXA_TOOL_ARGS_H
#define VEXA_TOOL_ARGS_H

#include <CLI/CLI.hpp>

#include <string>

#include "Access.h"
#include "Command.h"

namespace vexa {
namespace tool {

struct MediaArgs {
    std::string printer;
    std::string media;
    std::string group;
    CLI::Option* groupOption = nullptr;

    bool hasGroup() const { return groupOption != nullptr && groupOption->count() > 0; }
};

// Adds the positionals PRINTER and MEDIA and the option --group.
void addMediaArgs(CLI::App& command, MediaArgs& args);

// A printer with a reader and one of its medias, open in that order and
// closed in the reverse one.
struct MediaChain {
    PrinterAccess printer;
    PrinterReaderPtr printerReader;
    MediaAccess media;
};

// Opens the media of `args` (see findMedia and openMedia).
void openMediaChain(const GlobalOptions& options, const MediaArgs& args, MediaChain& chain);
// Opens the media `name`, already found, of `printer`.
void openMediaChain(const GlobalOptions& options, const std::string& printer, const MediaName& name,
                    MediaChain& chain);

// Asks `question` on standard error (with -q only when standard input is
// a terminal) and reads the answer from standard input; true for "y" or
// "yes" in any case. Nothing (or the end of input) is no.
bool confirm(const std::string& question);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_ARGS_H
