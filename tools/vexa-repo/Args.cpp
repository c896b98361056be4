#include "Args.h"

#include <unistd.h>

#include <iostream>

namespace vexa {
namespace tool {

void addMediaArgs(CLI::App& command, MediaArgs& args) {
    command.add_option("PRINTER", args.printer, "Printer name")->required();
    command
        .add_option("MEDIA", args.media,
                    "Media as 'MEDIA [GROUP]'; a media without group is looked up in "
                    "_Ungrouped_, then in the one group that has it")
        ->required();
    args.groupOption = command
                           .add_option("--group", args.group,
                                       "Group of the media; MEDIA is then the plain media name")
                           ->type_name("GROUP");
}

void openMediaChain(const GlobalOptions& options, const MediaArgs& args, MediaChain& chain) {
    chain.printer = openPrinter(options, args.printer);
    const MediaName name = findMedia(chain.printer, args.media, args.hasGroup(), args.group);
    chain.printerReader = chain.printer.reader();
    chain.media = openMedia(chain.printer, chain.printerReader, name);
}

void openMediaChain(const GlobalOptions& options, const std::string& printer, const MediaName& name,
                    MediaChain& chain) {
    chain.printer = openPrinter(options, printer);
    findMedia(chain.printer, name.media, true, name.group);
    chain.printerReader = chain.printer.reader();
    chain.media = openMedia(chain.printer, chain.printerReader, name);
}

bool confirm(const std::string& question) {
    // With -q a script that pipes its answer in sees no question; a person
    // at a terminal still does.
    const bool ask = !quiet() || ::isatty(STDIN_FILENO) == 1;
    if (ask) {
        std::cerr << question << " [y/N] " << std::flush;
    }
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        if (ask) {
            std::cerr << '\n';
        }
        return false;
    }
    for (char& c : answer) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return answer == "y" || answer == "yes";
}

}  // namespace tool
}  // namespace vexa
