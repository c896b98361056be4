#include "printer/PrinterKeys.h"

namespace vexa {
namespace repos {
namespace printer {
namespace keys {

const wxChar* const kPrinter = wxT("Printer");
const wxChar* const kDllDevice = wxT("Printer/DllDevice");
const wxChar* const kDllModule = wxT("Printer/DllModule");
const wxChar* const kPPDFile = wxT("Printer/PPDFile");
const wxChar* const kActive = wxT("Printer/Active");
const wxChar* const kPortName = wxT("Printer/PortName");
const wxChar* const kPortData = wxT("Printer/PortData");
const wxChar* const kTCPPortAdd = wxT("Printer/TCPPortAdd");
const wxChar* const kTCPPortDefault = wxT("Printer/TCPPortDefault");
const wxChar* const kVirtualExt = wxT("Printer/VirtualPrinterExtension");
const wxChar* const kDefaultPageSize = wxT("Printer/DefaultPageSize");
const wxChar* const kDefaultMedia = wxT("Printer/DefaultMedia");
const wxChar* const kDotInfo = wxT("Printer/DotInfo");
const wxChar* const kInkTypes = wxT("Printer/InkTypes");
const wxChar* const kPageSizes = wxT("Printer/PageSizes");
const wxChar* const kPortList = wxT("Printer/PortList");
const wxChar* const kScreenSetup = wxT("Printer/DefaultScreenSetup");
const wxChar* const kDefaultRes = wxT("Printer/DefaultResolutions");
const wxChar* const kResData = wxT("Printer/ResData");
const wxChar* const kInkCfgs = wxT("Printer/InkCfgs");

const wxChar* const kLockFile = wxT(".lock");
const wxChar* const kInvalidMarker = wxT(".invalid");
const wxChar* const kMediasFolder = wxT("Medias");
const wxChar* const kDefaultsFolder = wxT("Defaults");
const wxChar* const kSharedFolder = wxT("Shared");
const wxChar* const kSwatchExt = wxT("SDef");

wxString lastStep(const wxString& key) {
    return key.AfterLast(wxT('/'));
}

}  // namespace keys
}  // namespace printer
}  // namespace repos
}  // namespace vexa
