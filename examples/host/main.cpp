// vexa-host: the smallest host of the settings repository. Lists the
// printers of the repository (found beside the program or through
// VEXA_INSTALL) with the device and port each one is set up for.
//
// Exit status: 0 when at least one printer was listed, 1 otherwise.
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

#include "kernel/Text.h"
#include "repos/PrinterReader.h"
#include "repos/SystemRepository.h"

int main() {
    // wxWidgets base must be initialised before the library is used.
    wxInitializer wx;
    if (!wx.IsOk()) {
        std::fprintf(stderr, "vexa-host: cannot initialise wxWidgets\n");
        return 1;
    }
    // The library reports its search for the repository at information and
    // warning level; a host shows only errors.
    wxLog::SetLogLevel(wxLOG_Error);
    using vexa::kernel::toMB;
    int listed = 0;
    for (const wxString& name : vexa::repos::SystemRepository::getPrintersList()) {
        // A reader holds the printer's locks while it lives; drop it soon.
        boost::shared_ptr<vexa::repos::printer::PrinterReader> reader =
            vexa::repos::printer::PrinterReader::getReader(name);
        if (!reader) {
            std::printf("%s\t(cannot be read)\n", toMB(name).c_str());
            continue;
        }
        std::printf("%s\tdevice=%s\tport=%s\n", toMB(name).c_str(),
                    toMB(reader->getDeviceName()).c_str(), toMB(reader->getPortType()).c_str());
        ++listed;
    }
    if (listed == 0) {
        std::fprintf(stderr,
                     "vexa-host: no printers (set VEXA_INSTALL to the folder holding db)\n");
        return 1;
    }
    return 0;
}
