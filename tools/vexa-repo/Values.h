// The text values of printers and medias by key name, for show, get and set.
//
// Keys are the node names of the settings file ("PortName" is the value of
// "Printer/PortName"); arguments may give them in any case and with the
// root's name in front ("printer/portname"). The default media of a printer
// reads as a legacy media name and is set from one.
#ifndef VEXA_TOOL_VALUES_H
#define VEXA_TOOL_VALUES_H

#include <string>
#include <utility>
#include <vector>

#include "Access.h"

namespace vexa {
namespace tool {

struct KeyInfo {
    const char* name;
    bool settable;
    const char* meaning;  // for --help and error messages
};

const std::vector<KeyInfo>& printerKeys();
const std::vector<KeyInfo>& mediaKeys();

// The key of `keys` that `argument` names; exit status 1 naming the known
// keys when there is none, or when `forSetting` and the key is read-only.
const KeyInfo& findKey(const std::vector<KeyInfo>& keys, const std::string& argument,
                       const std::string& root, bool forSetting);

// Every text value of the printer, in key order.
std::vector<std::pair<std::string, std::string>> printerValues(
    repos::printer::PrinterReader& reader, repos::printer::PrinterRepository& repository);
std::string printerValue(const KeyInfo& key, repos::printer::PrinterReader& reader,
                         repos::printer::PrinterRepository& repository);
// Sets a settable key without saving. Exit status 1 for a value the key does
// not take (Active: true/false, yes/no, on/off, 1/0), 2 for a default media
// the printer does not have.
void setPrinterValue(const KeyInfo& key, const std::string& value, const PrinterAccess& printer,
                     repos::printer::PrinterWriter& writer);

std::vector<std::pair<std::string, std::string>> mediaValues(repos::printer::MediaReader& reader);
std::string mediaValue(const KeyInfo& key, repos::printer::MediaReader& reader);
// Exit status 2 for a default mode the media does not have.
void setMediaValue(const KeyInfo& key, const std::string& value, const MediaAccess& media,
                   repos::printer::MediaWriter& writer);

// "true"/"false" and their friends; exit status 1 for anything else.
bool parseFlag(const std::string& value, const std::string& what);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_VALUES_H
