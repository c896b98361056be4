// Shared set-up of the printer tests: a repository folder "db/Printers" in a
// fresh temporary folder, found through VEXA_INSTALL, with a fresh catalog;
// printers written as XML, and settings files read back.
#ifndef VEXA_TESTS_PRINTER_PRINTERFIXTURE_H
#define VEXA_TESTS_PRINTER_PRINTERFIXTURE_H

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/wfstream.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "kernel/VexKernel.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/PrinterWriter.h"
#include "repos/Settings.h"
#include "repos/SystemRepository.h"

namespace vexa {
namespace test {

// The body of a printer holding every key of the printer table, with
// non-ASCII texts.
inline std::string fullPrinterBody() {
    return R"(
 <node name="DllDevice" value="Jet Ü 64"/>
 <node name="DllModule" value="jet64.so"/>
 <node name="PPDFile" value="jet ß.ppd"/>
 <node name="Active" value="TRUE"/>
 <node name="PortName" value="USB Ünit"/>
 <node name="PortData" value="usb://1"/>
 <node name="TCPPortAdd" value="9101"/>
 <node name="TCPPortDefault" value="9100"/>
 <node name="VirtualPrinterExtension" value="vpé"/>
 <node name="DefaultPageSize" value="A4 Übergröße"/>
 <node name="DefaultMedia" group="Mätt" media="Papier é"/>
 <node name="InkTypes">
  <node name="Type1" value="Dye" durability="1.5"/>
  <node name="Type2" value="Pigmént" durability="3"/>
 </node>
 <node name="DefaultResolutions"><node name="720"/><node name="1440"/></node>
 <node name="ResData">
  <node name="R0"><node name="Resolution" value="720"/><node name="Alias" A0="Fast" A1="Dräft"/></node>
  <node name="R1"><node name="Resolution" value="1440"/><node name="Alias" A0="Fine"/></node>
  <node name="R2"><node name="Resolution" value="2880"/><node name="Alias" A0="Max"/></node>
 </node>
 <node name="InkCfgs">
  <node name="InkCfg"><node name="Name" value="CMYK"/><node name="NumColor" value="4"/></node>
  <node name="InkCfg"><node name="Name" value="CMYKcm"/><node name="NumColor" value="6"/></node>
 </node>
 <node name="PageSizes"><node name="A4" width="595" height="842" access="1" type="0"/></node>
 <node name="PortList"><node name="LPT1" type="1" value="paralléle"/></node>
 <node name="DefaultScreenSetup">
  <node name="Fine"><node name="S1" lpi="150" angle="45" function="round" placement="0" shades="256"/></node>
 </node>
 <node name="DotInfo">
  <node name="Units" value="dpi"/>
  <node name="ResUnits"><node name="G1"><node name="U1"><node name="row" scale="1" value="2"/></node></node></node>
 </node>
)";
}

inline std::string settingsXml(const std::string& root, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"" + root + "\">" + body +
           "</node>\n";
}

inline unsigned long long inodeOf(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// The settings file at `path` parsed; empty when it cannot be read.
inline boost::shared_ptr<repos::Settings> readSettings(const std::string& path) {
    wxFileInputStream in(toWx(path));
    return in.IsOk() ? repos::SettingsManager::GetSettings(in)
                     : boost::shared_ptr<repos::Settings>();
}

// The nodes at `key` in the settings file at `path`.
inline std::list<repos::NamedNode::Ptr> fileNodes(const std::string& path, const std::string& key) {
    boost::shared_ptr<repos::Settings> settings = readSettings(path);
    return settings ? repos::SettingsAccess::findNodes(*settings, toWx(key))
                    : std::list<repos::NamedNode::Ptr>();
}

// The attribute of the first node at `key` in the file; "<absent>" when
// there is no such node (or no file).
inline std::string fileValue(const std::string& path, const std::string& key,
                             const std::string& attribute = "value") {
    const std::list<repos::NamedNode::Ptr> nodes = fileNodes(path, key);
    return nodes.empty() ? "<absent>" : toUtf8(nodes.front()->getAttribute(toWx(attribute)));
}

// The names of the children of the first node at `key` in the file.
inline std::vector<std::string> fileChildren(const std::string& path, const std::string& key) {
    std::vector<std::string> names;
    const std::list<repos::NamedNode::Ptr> nodes = fileNodes(path, key);
    if (!nodes.empty()) {
        for (const repos::NamedNode::Ptr& child : *nodes.front()) {
            names.push_back(toUtf8(child->getName()));
        }
    }
    return names;
}

// The rows of a string array as " [a|b] [c]".
inline std::string stralText(const SSTRAL* array) {
    std::string out;
    for (const SSTRALROW* row = array ? array->first : nullptr; row != nullptr; row = row->next) {
        out += " [";
        for (int i = 0; i < row->count; ++i) {
            out += (i ? "|" : "") + std::string(row->texts[i] ? row->texts[i] : "");
        }
        out += "]";
    }
    return out;
}

class PrinterFixture : public ::testing::Test {
  public:
    void SetUp() override {
        ::setenv("VEXA_INSTALL", dir.path().c_str(), 1);
        repos::SystemRepository::Reset();
        repos::printer::PrinterCatalog::reset();
        makeDirs(printersPath());
    }
    void TearDown() override {
        repos::printer::PrinterCatalog::reset();
        repos::SystemRepository::Reset();
    }

    std::string printersPath() const { return dir.path() + "/db/Printers"; }
    std::string printerPath(const std::string& name) const { return printersPath() + "/" + name; }
    std::string settingsPath(const std::string& name) const {
        return printerPath(name) + "/.Settings.xml";
    }

    // A printer folder with a settings file of root "Printer" and `body`.
    void makePrinter(const std::string& name, const std::string& body) {
        makeDirs(printerPath(name));
        writeFile(settingsPath(name), settingsXml("Printer", body));
    }
    // A media folder with its settings file.
    void makeMedia(const std::string& printer, const std::string& group, const std::string& media) {
        const std::string folder = printerPath(printer) + "/Medias/" + group + "/" + media;
        makeDirs(folder + "/Modes/Std");
        writeFile(folder + "/.Settings.xml", settingsXml("Media", ""));
        writeFile(folder + "/Modes/Std/.Settings.xml", settingsXml("Mode", ""));
    }

    TempDir dir;
};

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_PRINTER_PRINTERFIXTURE_H
