#include "Values.h"

#include <list>

#include "ToolText.h"
#include "repos/LegacyMediaName.h"
#include "repos/Settings.h"

namespace vexa {
namespace tool {

using repos::printer::MediaReader;
using repos::printer::PrinterReader;
using repos::printer::PrinterRepository;

const std::vector<KeyInfo>& printerKeys() {
    static const std::vector<KeyInfo> keys = {
        {"DllDevice", false, "device of the printer driver"},
        {"DllModule", false, "driver module"},
        {"PPDFile", false, "PPD file"},
        {"Active", true, "true or false"},
        {"PortName", true, "port type"},
        {"PortData", true, "port data (address, device)"},
        {"TCPPortAdd", false, "additional TCP port"},
        {"TCPPortDefault", false, "default TCP port"},
        {"VirtualPrinterExtension", true, "file extension of the virtual printer"},
        {"DefaultPageSize", true, "default page size"},
        {"DefaultMedia", true, "default media as 'MEDIA [GROUP]'"},
    };
    return keys;
}

const std::vector<KeyInfo>& mediaKeys() {
    static const std::vector<KeyInfo> keys = {
        {"DefaultMode", true, "default print mode"},
        {"JdfAlias", true, "JDF alias"},
        {"JdfQualityModeHigh", true, "mode for JDF quality High"},
        {"JdfQualityModeNormal", true, "mode for JDF quality Normal"},
        {"JdfQualityModeDraft", true, "mode for JDF quality Draft"},
        {"LabelChannel", false, "label channel"},
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
    throw ToolError(kUsage,
                    "unknown key '" + argument + "'; known keys: " + keyList(keys, forSetting));
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

void setPrinterValue(const KeyInfo& key, const std::string& value, const PrinterAccess& printer,
                     repos::printer::PrinterWriter& writer) {
    const std::string name = key.name;
    if (name == "Active") {
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
        const MediaName media = existingMediaName(value, std::string());
        if (!isFolder(mediaFolder(printer.folder, media))) {
            throw ToolError(kNotFound, printer.label() + " has no media '" + media.legacy() + "'");
        }
        writer.setDefaultMedia(W(media.group), W(media.media));
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

void setMediaValue(const KeyInfo& key, const std::string& value, const MediaAccess& media,
                   repos::printer::MediaWriter& writer) {
    const std::string name = key.name;
    if (name == "DefaultMode") {
        // A default mode the media does not have would be chosen by no one.
        if (!value.empty()) {
            checkExistingName("mode", value);
            if (!isFolder(existingChild(existingChild(media.folder, "Modes"), value))) {
                throw ToolError(kNotFound, media.label() + " has no mode '" + value + "'");
            }
        }
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

}  // namespace tool
}  // namespace vexa
