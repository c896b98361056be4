// The text values of printers and medias by key name, for show, get, set,
// unset and keys.
//
// Keys are the node names of the settings file ("PortName" is the value of
// "Printer/PortName"); arguments may give them in any case and with the
// root's name in front ("printer/portname"). The default media of a printer
// reads as a legacy media name and is set from one.
//
// An empty value is an unset one: the library's readers give "" for a
// missing node, and its writers cannot remove a node, so unset writes "".
#ifndef VEXA_TOOL_VALUES_H
#define VEXA_TOOL_VALUES_H

#include <string>
#include <utility>
#include <vector>

#include "Access.h"
#include "Args.h"
#include "ToolText.h"

namespace vexa {
namespace tool {

// How a value appears in JSON (an unset one is null whatever its kind).
enum class ValueKind { TEXT, FLAG, NUMBER };

struct KeyInfo {
    const char* name;
    bool settable;
    ValueKind kind;
    const char* meaning;  // for --help and error messages
};

const std::vector<KeyInfo>& printerKeys();
const std::vector<KeyInfo>& mediaKeys();

// The key of `keys` that `argument` names; exit status 1 naming the known
// keys when there is none, or when `forSetting` and the key is read-only.
const KeyInfo& findKey(const std::vector<KeyInfo>& keys, const std::string& argument,
                       const std::string& root, bool forSetting);

// "Key, one of:" and a line per key (settable ones only when
// `settableOnly`), for the KEY argument's help.
std::string keyHelp(const std::vector<KeyInfo>& keys, bool settableOnly);

// A value as JSON: null when unset (empty), true/false for a flag, a number
// for a number key that holds one (a text that is not a number stays text).
Json typedValue(const KeyInfo& key, const std::string& value);

// Prints what a get command found (a typedValue): the value as text, or
// with `json` as JSON. An unset value (null) prints nothing and gives exit
// status 1, as a missing key does in other configuration tools.
int printGotValue(const Json& value, bool json);

// Every text value of the printer, in key order.
std::vector<std::pair<std::string, std::string>> printerValues(
    repos::printer::PrinterReader& reader, repos::printer::PrinterRepository& repository);
std::string printerValue(const KeyInfo& key, repos::printer::PrinterReader& reader,
                         repos::printer::PrinterRepository& repository);
// Exit status 1 when setting `key` to `value` would leave a reference to
// nothing: a default media the printer does not have, a default page size
// not among its page sizes. `reader` is the printer's.
void checkPrinterReference(const KeyInfo& key, const std::string& value,
                           const PrinterAccess& printer, repos::printer::PrinterReader& reader);
// Sets a settable key without saving; "" unsets it. Exit status 1 for a
// value the key does not take (Active: true/false, yes/no, on/off, 1/0; it
// cannot be unset, an absent Active reading as true).
void setPrinterValue(const KeyInfo& key, const std::string& value,
                     repos::printer::PrinterWriter& writer);

std::vector<std::pair<std::string, std::string>> mediaValues(repos::printer::MediaReader& reader);
std::string mediaValue(const KeyInfo& key, repos::printer::MediaReader& reader);
// Exit status 1 when `value` names a mode the media does not have, for
// the keys that name one (DefaultMode, JdfQualityMode*).
void checkMediaReference(const KeyInfo& key, const std::string& value, const MediaAccess& media);
// Sets a settable key without saving; "" unsets it.
void setMediaValue(const KeyInfo& key, const std::string& value,
                   repos::printer::MediaWriter& writer);

// The set and unset commands: open, check the reference the value makes
// (unless `force`), set `value` ("" unsets) and save. Unsetting a value
// that is not set writes nothing.
int changePrinterValue(const GlobalOptions& global, const std::string& printer, const KeyInfo& key,
                       const std::string& value, bool force);
int changeMediaValue(const GlobalOptions& global, const MediaArgs& media, const KeyInfo& key,
                     const std::string& value, bool force);
// Exit status 1 for a name the settings tree cannot hold (empty, '/', '*').
int changeModeOption(const GlobalOptions& global, const MediaArgs& media, const std::string& mode,
                     const std::string& name, const std::string& value);

// "true"/"false" and their friends; exit status 1 for anything else.
bool parseFlag(const std::string& value, const std::string& what);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_VALUES_H
