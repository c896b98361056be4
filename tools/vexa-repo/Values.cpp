#include "Values.h"

#include <iostream>
#include <list>

#include "ToolText.h"
#include "Usage.h"
#include "repos/LegacyMediaName.h"
#include "repos/Settings.h"

namespace vexa {
namespace tool {

using repos::printer::MediaReader;
using repos::printer::PrinterReader;
using repos::printer::PrinterRepository;

const std::vector<KeyInfo>& printerKeys() {
    static const std::vector<KeyInfo> keys = {
        {"DllDevice", false, ValueKind::TEXT, "device of the printer driver"},
        {"DllModule", false, ValueKind::TEXT, "driver module"},
        {"PPDFile", false, ValueKind::TEXT, "PPD file"},
        {"Active", true, ValueKind::FLAG, "true or false"},
        {"PortName", true, ValueKind::TEXT, "port type"},
        {"PortData", true, ValueKind::TEXT, "port data (address, device)"},
        {"TCPPortAdd", false, ValueKind::NUMBER, "additional TCP port"},
        {"TCPPortDefault", false, ValueKind::NUMBER, "default TCP port"},
        {"VirtualPrinterExtension", true, ValueKind::TEXT, "file extension of the virtual printer"},
        {"DefaultPageSize", true, ValueKind::TEXT, "default page size, one of the printer's"},
        {"DefaultMedia", true, ValueKind::TEXT, "default media as 'MEDIA [GROUP]'"},
    };
    return keys;
}

const std::vector<KeyInfo>& mediaKeys() {
    static const std::vector<KeyInfo> keys = {
        {"DefaultMode", true, ValueKind::TEXT, "default print mode"},
        {"JdfAlias", true, ValueKind::TEXT, "JDF alias"},
        {"JdfQualityModeHigh", true, ValueKind::TEXT, "mode for JDF quality High"},
        {"JdfQualityModeNormal", true, ValueKind::TEXT, "mode for JDF quality Normal"},
        {"JdfQualityModeDraft", true, ValueKind::TEXT, "mode for JDF quality Draft"},
        {"LabelChannel", false, ValueKind::NUMBER, "label channel"},
    };
    return keys;
}

namespace {

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string keyList(const std::vector<KeyInfo>& keys, bool settableOnly) {
    std::string list;
    for (const KeyInfo& key : keys) {
        if (!settableOnly || key.settable) {
            list += (list.empty() ? "" : ", ") + std::string(key.name);
        }
    }
    return list;
}

// "Printer/Active": absent means active; any case of "true" is true.
bool readActive(PrinterRepository& repository) {
    const boost::shared_ptr<repos::Settings> settings =
        static_cast<repos::IRepository&>(repository).getSettings();
    if (!settings) {
        return true;
    }
    const std::list<repos::NamedNode::Ptr> nodes =
        repos::SettingsAccess::findNodes(*settings, wxT("Printer/Active"));
    if (nodes.empty()) {
        return true;
    }
    return nodes.front()->getAttribute(wxT("value")).IsSameAs(wxT("true"), false);
}

}  // namespace

const KeyInfo& findKey(const std::vector<KeyInfo>& keys, const std::string& argument,
                       const std::string& root, bool forSetting) {
    std::string wanted = lowered(argument);
    const std::string prefix = lowered(root) + "/";
    if (wanted.compare(0, prefix.size(), prefix) == 0) {
        wanted = wanted.substr(prefix.size());
    }
    for (const KeyInfo& key : keys) {
        if (lowered(key.name) == wanted) {
            if (forSetting && !key.settable) {
                throw ToolError(kUsage,
                                "key '" + std::string(key.name) +
                                    "' is read-only; keys that can be set: " + keyList(keys, true));
            }
            return key;
        }
    }
    std::vector<std::string> names;
    for (const KeyInfo& key : keys) {
        names.push_back(key.name);
    }
    throw ToolError(kUsage, "unknown key '" + argument + "'" + suggestion(argument, names) +
                                "; known keys: " + keyList(keys, forSetting));
}

std::string keyHelp(const std::vector<KeyInfo>& keys, bool settableOnly) {
    std::string text = "Key, one of:";
    for (const KeyInfo& key : keys) {
        if (key.settable || !settableOnly) {
            text += std::string("\n  ") + key.name + " (" + key.meaning +
                    (key.settable ? ")" : ", read-only)");
        }
    }
    return text;
}

Json typedValue(const KeyInfo& key, const std::string& value) {
    if (value.empty()) {
        return Json();
    }
    switch (key.kind) {
        case ValueKind::FLAG:
            return value == "true";
        case ValueKind::NUMBER:
            return numberOrText(value);
        default:
            return value;
    }
}

int printGotValue(const Json& value, bool json) {
    if (value.is_null()) {
        return kUsage;
    }
    if (json) {
        std::cout << value.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    } else {
        std::cout << plain(value) << '\n';
    }
    return kOk;
}

bool parseFlag(const std::string& value, const std::string& what) {
    const std::string text = lowered(value);
    if (text == "true" || text == "yes" || text == "on" || text == "1") {
        return true;
    }
    if (text == "false" || text == "no" || text == "off" || text == "0") {
        return false;
    }
    throw ToolError(kUsage, what + " takes true or false, not '" + value + "'");
}

// ---- Printers ----------------------------------------------------------------

std::string printerValue(const KeyInfo& key, PrinterReader& reader, PrinterRepository& repository) {
    const std::string name = key.name;
    if (name == "DllDevice")
        return U(reader.getDeviceName());
    if (name == "DllModule")
        return U(reader.getDllModule());
    if (name == "PPDFile")
        return U(reader.getPPDFile());
    if (name == "Active")
        return readActive(repository) ? "true" : "false";
    if (name == "PortName")
        return U(reader.getPortType());
    if (name == "PortData")
        return U(reader.getPortData());
    if (name == "TCPPortAdd")
        return U(reader.getTCPAdditionalPort());
    if (name == "TCPPortDefault")
        return U(reader.getTCPDefaultPort());
    if (name == "VirtualPrinterExtension")
        return U(reader.getVirtualPrinterExtension());
    if (name == "DefaultPageSize")
        return U(reader.getDefaultPageSize());
    if (name == "DefaultMedia")
        return U(reader.getDefaultMediaLegacy());
    return std::string();
}

std::vector<std::pair<std::string, std::string>> printerValues(PrinterReader& reader,
                                                               PrinterRepository& repository) {
    std::vector<std::pair<std::string, std::string>> values;
    for (const KeyInfo& key : printerKeys()) {
        values.emplace_back(key.name, printerValue(key, reader, repository));
    }
    return values;
}

void checkPrinterReference(const KeyInfo& key, const std::string& value,
                           const PrinterAccess& printer, PrinterReader& reader) {
    const std::string name = key.name;
    if (value.empty()) {
        return;
    }
    if (name == "DefaultMedia") {
        const MediaName media = existingMediaName(value, std::string());
        if (!isFolder(mediaFolder(printer.folder, media))) {
            throw ToolError(kUsage, printer.label() + " has no media '" + media.legacy() +
                                        "' (--force sets it anyway)");
        }
    } else if (name == "DefaultPageSize") {
        for (const std::vector<std::string>& row : stralRows(reader.getPageSizes()->getStral())) {
            if (!row.empty() && row.front() == value) {
                return;
            }
        }
        throw ToolError(
            kUsage, printer.label() + " has no page size '" + value + "' (--force sets it anyway)");
    }
}

void setPrinterValue(const KeyInfo& key, const std::string& value,
                     repos::printer::PrinterWriter& writer) {
    const std::string name = key.name;
    if (name == "Active") {
        if (value.empty()) {
            throw ToolError(kUsage,
                            "key 'Active' cannot be unset (an absent Active reads as true); set it "
                            "to true or false");
        }
        writer.setActive(parseFlag(value, "Active"));
    } else if (name == "PortName") {
        writer.setPortType(W(value));
    } else if (name == "PortData") {
        writer.setPortData(W(value));
    } else if (name == "VirtualPrinterExtension") {
        writer.setVirtualPrinterExtension(W(value));
    } else if (name == "DefaultPageSize") {
        writer.setDefaultPageSize(W(value));
    } else if (name == "DefaultMedia") {
        if (value.empty()) {
            writer.setDefaultMedia(wxString(), wxString());
        } else {
            const MediaName media = existingMediaName(value, std::string());
            writer.setDefaultMedia(W(media.group), W(media.media));
        }
    }
}

// ---- Medias ------------------------------------------------------------------

std::string mediaValue(const KeyInfo& key, MediaReader& reader) {
    const std::string name = key.name;
    if (name == "DefaultMode")
        return U(reader.getDefaultMode());
    if (name == "JdfAlias")
        return U(reader.getJdfAlias());
    if (name == "JdfQualityModeHigh")
        return U(reader.getJdfQualityMode(wxT("High")));
    if (name == "JdfQualityModeNormal")
        return U(reader.getJdfQualityMode(wxT("Normal")));
    if (name == "JdfQualityModeDraft")
        return U(reader.getJdfQualityMode(wxT("Draft")));
    if (name == "LabelChannel")
        return std::to_string(reader.getLabelChannel());
    return std::string();
}

std::vector<std::pair<std::string, std::string>> mediaValues(MediaReader& reader) {
    std::vector<std::pair<std::string, std::string>> values;
    for (const KeyInfo& key : mediaKeys()) {
        values.emplace_back(key.name, mediaValue(key, reader));
    }
    return values;
}

void checkMediaReference(const KeyInfo& key, const std::string& value, const MediaAccess& media) {
    const std::string name = key.name;
    // A mode the media does not have would be chosen by no one.
    if (value.empty() || (name != "DefaultMode" && name.rfind("JdfQualityMode", 0) != 0)) {
        return;
    }
    checkExistingName("mode", value);
    if (!isFolder(existingChild(existingChild(media.folder, "Modes"), value))) {
        throw ToolError(kUsage,
                        media.label() + " has no mode '" + value + "' (--force sets it anyway)");
    }
}

void setMediaValue(const KeyInfo& key, const std::string& value,
                   repos::printer::MediaWriter& writer) {
    const std::string name = key.name;
    if (name == "DefaultMode") {
        writer.setDefaultMode(W(value));
    } else if (name == "JdfAlias") {
        writer.setJdfAlias(W(value));
    } else if (name == "JdfQualityModeHigh") {
        writer.setJdfQualityMode(wxT("High"), W(value));
    } else if (name == "JdfQualityModeNormal") {
        writer.setJdfQualityMode(wxT("Normal"), W(value));
    } else if (name == "JdfQualityModeDraft") {
        writer.setJdfQualityMode(wxT("Draft"), W(value));
    }
}

// ---- Set and unset ------------------------------------------------------------

int changePrinterValue(const GlobalOptions& global, const std::string& name, const KeyInfo& key,
                       const std::string& value, bool force) {
    const PrinterAccess printer = openPrinter(global, name);
    {
        // Read before the writer is made: a thread may not hold both.
        const PrinterReaderPtr reader = printer.reader();
        if (value.empty() && printerValue(key, *reader, *printer.repository).empty()) {
            return kOk;
        }
        if (!force) {
            checkPrinterReference(key, value, printer, *reader);
        }
    }
    const PrinterWriterPtr writer = printer.writer();
    setPrinterValue(key, value, *writer);
    repos::clearFailure();
    if (!writer->save()) {
        throwFailure("cannot save " + printer.label());
    }
    return kOk;
}

int changeMediaValue(const GlobalOptions& global, const MediaArgs& media, const KeyInfo& key,
                     const std::string& value, bool force) {
    MediaChain chain;
    openMediaChain(global, media, chain);
    {
        const MediaReaderPtr reader = chain.media.reader();
        if (value.empty() && mediaValue(key, *reader).empty()) {
            return kOk;
        }
    }
    if (!force) {
        checkMediaReference(key, value, chain.media);
    }
    const MediaWriterPtr writer = chain.media.writer();
    setMediaValue(key, value, *writer);
    repos::clearFailure();
    if (!writer->save()) {
        throwFailure("cannot save " + chain.media.label());
    }
    return kOk;
}

int changeModeOption(const GlobalOptions& global, const MediaArgs& media,
                     const std::string& modeName, const std::string& name,
                     const std::string& value) {
    // The library ignores such names: the settings tree could not hold them.
    if (name.empty() || name.find_first_of("/*") != std::string::npos) {
        throw ToolError(kUsage, "'" + name +
                                    "' is not an option name: names are not empty and hold "
                                    "neither '/' nor '*'");
    }
    MediaChain chain;
    openMediaChain(global, media, chain);
    const MediaReaderPtr mediaReader = chain.media.reader();
    const ModeAccess mode = openMode(chain.media, mediaReader, modeName);
    if (value.empty()) {
        const ModeReaderPtr reader = mode.reader();
        const boost::shared_ptr<std::map<wxString, wxString>> all = reader->getPrinterOptions();
        const auto found = all ? all->find(W(name)) : std::map<wxString, wxString>::iterator();
        if (!all || found == all->end() || found->second.empty()) {
            return kOk;
        }
    }
    const ModeWriterPtr writer = mode.writer();
    writer->setPrinterOption(W(name), W(value));
    repos::clearFailure();
    if (!writer->save()) {
        throwFailure("cannot save " + mode.label());
    }
    return kOk;
}

}  // namespace tool
}  // namespace vexa
