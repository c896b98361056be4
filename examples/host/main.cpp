// vexa-host: the smallest host of the settings repository. Lists the
// printers of the repository (the folder given as the first argument, else
// the one found beside the program or through VEXA_INSTALL) with the device
// and port each one is set up for, and why a printer could not be read.
//
// Exit status: 0 when at least one printer was listed, 1 otherwise.
#include <wx/init.h>

#include <cstdio>

#include "kernel/Text.h"
#include "repos/Failure.h"
#include "repos/PrinterReader.h"
#include "repos/SystemRepository.h"
#include "repos/Version.h"

int main(int argc, char** argv) {
    // wxWidgets base must be initialised before the library is used. The
    // library's informational records stay quiet unless the host turns
    // them on (wxLog::SetVerbose(true)); warnings and errors reach wxLog.
    wxInitializer wx;
    if (!wx.IsOk()) {
        std::fprintf(stderr, "vexa-host: cannot initialise wxWidgets\n");
        return 1;
    }
    using vexa::kernel::toMB;
    std::printf("library %s\n", vexa::repos::version());
    if (argc > 1 &&
        !vexa::repos::SystemRepository::setRepositoryDir(vexa::kernel::fromMB(argv[1]))) {
        std::fprintf(stderr, "vexa-host: %s\n", toMB(vexa::repos::lastFailure().message).c_str());
        return 1;
    }
    int listed = 0;
    for (const wxString& name : vexa::repos::SystemRepository::getPrintersList()) {
        // A reader holds the printer's locks while it lives; drop it soon.
        boost::shared_ptr<vexa::repos::printer::PrinterReader> reader =
            vexa::repos::printer::PrinterReader::getReader(name);
        if (!reader) {
            // Why: a lock held by another process, a broken settings file, ...
            std::printf("%s\t(cannot be read: %s)\n", toMB(name).c_str(),
                        toMB(vexa::repos::lastFailure().message).c_str());
            continue;
        }
        std::printf("%s\tdevice=%s\tport=%s\n", toMB(name).c_str(),
                    toMB(reader->getDeviceName()).c_str(), toMB(reader->getPortType()).c_str());
        ++listed;
    }
    if (listed == 0) {
        std::fprintf(stderr, "vexa-host: no printers in %s\n",
                     toMB(vexa::repos::SystemRepository::describeLocation()).c_str());
        return 1;
    }
    return 0;
}
