// Key paths and file names of a printer folder (internal).
#ifndef VEXA_SRC_PRINTER_PRINTERKEYS_H
#define VEXA_SRC_PRINTER_PRINTERKEYS_H

#include <wx/string.h>

namespace vexa {
namespace repos {
namespace printer {
namespace keys {

// The root node and the first step of every key.
extern const wxChar* const kPrinter;          // "Printer"
extern const wxChar* const kDllDevice;        // "Printer/DllDevice"
extern const wxChar* const kDllModule;        // "Printer/DllModule"
extern const wxChar* const kPPDFile;          // "Printer/PPDFile"
extern const wxChar* const kActive;           // "Printer/Active"
extern const wxChar* const kPortName;         // "Printer/PortName"
extern const wxChar* const kPortData;         // "Printer/PortData"
extern const wxChar* const kTCPPortAdd;       // "Printer/TCPPortAdd"
extern const wxChar* const kTCPPortDefault;   // "Printer/TCPPortDefault"
extern const wxChar* const kVirtualExt;       // "Printer/VirtualPrinterExtension"
extern const wxChar* const kDefaultPageSize;  // "Printer/DefaultPageSize"
extern const wxChar* const kDefaultMedia;     // "Printer/DefaultMedia"
extern const wxChar* const kDotInfo;          // "Printer/DotInfo"
extern const wxChar* const kInkTypes;         // "Printer/InkTypes"
extern const wxChar* const kPageSizes;        // "Printer/PageSizes"
extern const wxChar* const kPortList;         // "Printer/PortList"
extern const wxChar* const kScreenSetup;      // "Printer/DefaultScreenSetup"
extern const wxChar* const kDefaultRes;       // "Printer/DefaultResolutions"
extern const wxChar* const kResData;          // "Printer/ResData"
extern const wxChar* const kInkCfgs;          // "Printer/InkCfgs"

// Entries of a printer folder.
extern const wxChar* const kLockFile;        // ".lock"
extern const wxChar* const kInvalidMarker;   // ".invalid"
extern const wxChar* const kMediasFolder;    // "Medias"
extern const wxChar* const kDefaultsFolder;  // "Defaults"
extern const wxChar* const kSharedFolder;    // "Shared"
extern const wxChar* const kSwatchExt;       // "SDef"

// The last step of a key path ("Printer/PortName" gives "PortName").
wxString lastStep(const wxString& key);

}  // namespace keys
}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_SRC_PRINTER_PRINTERKEYS_H
