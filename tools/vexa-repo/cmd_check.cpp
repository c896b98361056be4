// vexa-repo check: walks the whole repository and reports, one line each,
// what the library would stumble over: settings files that are empty, do
// not parse or hold another root than their folder's kind ("Media" in a
// printer), folders still marked ".invalid", printer, media and mode
// folders without settings, folder names that are not UTF-8, and XML nodes
// the reader drops because their names hold '/' or '*' (page sizes such as
// "3 1/2 x 5"). Silent, with exit status 0, when nothing is found.
//
// Names are shown readable: a byte that is no part of a UTF-8 character as
// "\xNN" ("Caf\xe9"), so the report itself stays valid UTF-8.
//
// It only reads: no lock is taken (settings files are replaced whole, by a
// rename) and nothing is created.
#include <wx/mstream.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"
#include "repos/Settings.h"
#include "repos/XmlXpath.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace tool {
namespace {

// Nodes whose names the settings tree cannot hold; only the outermost of
// them, since the reader drops each with everything below it. The root is
// never dropped.
const char* const kBadName = "(contains(@name,'/') or contains(@name,'*'))";

// True when the folder name `name` was valid UTF-8 on disk: the library
// reads every other byte as an escape code point (kernel/Text.h).
bool isUtf8(const wxString& name) {
    for (const wxUniChar c : name) {
        if (c.GetValue() >= 0xDC80 && c.GetValue() <= 0xDCFF) {
            return false;
        }
    }
    return true;
}

// `name` as UTF-8 text, bytes that are not UTF-8 and control characters as
// "\xNN".
std::string readable(const wxString& name) {
    std::string text;
    for (const wxUniChar c : name) {
        const wxUint32 value = c.GetValue();
        unsigned byte = 0x100;
        if (value >= 0xDC80 && value <= 0xDCFF) {
            byte = value - 0xDC00;
        } else if (value < 0x20 || value == 0x7F) {
            byte = value;
        }
        if (byte < 0x100) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            text += escaped;
        } else {
            text += U(wxString(c));
        }
    }
    return text;
}

// What check says about a folder marked ".invalid", by kind.
std::string markerAdvice(const std::string& kind) {
    if (kind == "printer") {
        return "half-made by a copy or half-removed; vexa-repo remove removes it (it finishes a "
               "half-removed printer)";
    }
    if (kind == "media") {
        return "half-made by a copy or half-removed; vexa-repo remove-media removes it (it "
               "finishes a half-removed media)";
    }
    return "a copy or removal did not finish";
}

class Checker {
  public:
    explicit Checker(std::ostream& out) : m_out(out) {}

    int problems() const { return m_problems; }

    void report(const std::string& where, const std::string& problem) {
        m_out << where << ": " << problem << '\n';
        ++m_problems;
    }

    // A folder's name: the library lists it, but it cannot be typed again.
    void name(const vfs::FileObjectPtr& folder, const std::string& where) {
        if (!isUtf8(folder->getBaseName())) {
            report(where, "name is not UTF-8; rename it");
        }
    }

    // A printer, media or mode folder: its name, its marker and its settings
    // file, whose root names the kind ("Printer", "Media", "Mode").
    void folder(const vfs::FileObjectPtr& folder, const std::string& kind, const std::string& root,
                const std::string& where) {
        name(folder, where);
        if (existingChild(folder, ".invalid")) {
            report(where, kind + " folder marked .invalid: " + markerAdvice(kind));
        }
        const vfs::FileObjectPtr settings = existingChild(folder, ".Settings.xml");
        if (!settings) {
            report(where, kind + " folder without settings file .Settings.xml");
        } else {
            settingsFile(settings, where + "/.Settings.xml", root);
        }
    }

    // A settings file; `root` is the name its root node must have (empty:
    // any).
    void settingsFile(const vfs::FileObjectPtr& file, const std::string& where,
                      const std::string& root) {
        if (!isFile(file)) {
            report(where, "a folder where a settings file belongs");
            return;
        }
        const std::string path = nativePath(file);
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            report(where, "cannot be read");
            return;
        }
        if (bytes.empty()) {
            report(where, "empty settings file");
            return;
        }
        wxMemoryInputStream stream(bytes.data(), bytes.size());
        const boost::shared_ptr<repos::Settings> settings =
            repos::SettingsManager::GetSettings(stream);
        if (!settings) {
            report(where, "does not parse as a settings file (not well-formed XML)");
            return;
        }
        const repos::NamedNode::Ptr top = settings->getRoot();
        const std::string found = top ? U(top->getName()) : std::string();
        if (!root.empty() && found != root) {
            report(where, "root node '" + found + "' where '" + root +
                              "' belongs: the library cannot read it");
            return;
        }
        droppedNodes(path, where);
    }

  private:
    void droppedNodes(const std::string& path, const std::string& where) {
        CXmlXpath document;
        if (!document.readXMLFile(path.c_str())) {
            return;
        }
        const std::string outermost = std::string("//*[parent::*][") + kBadName +
                                      "][not(ancestor::*[parent::*][" + kBadName + "])]";
        _xmlNodeSet* found = document.runXPathQuery(outermost.c_str());
        const int count = document.getNodeSetSize(found);
        for (int i = 1; i <= count; ++i) {
            // Each query replaces the last result: ask for one node's path at a time.
            const std::string query =
                "(" + outermost + ")[" + std::to_string(i) + "]/ancestor-or-self::*";
            _xmlNodeSet* chain = document.runXPathQuery(query.c_str());
            std::string nodePath;
            std::string name;
            for (int n = 0; n < document.getNodeSetSize(chain); ++n) {
                name.clear();
                document.getNodeAttribute(document.getNodeSetItem(chain, n), "name", name);
                nodePath += (n ? "/" : "") + name;
            }
            const char* character = name.find('/') != std::string::npos ? "'/'" : "'*'";
            report(where,
                   "node '" + nodePath + "' is dropped when read: its name holds " + character);
        }
    }

    std::ostream& m_out;
    int m_problems = 0;
};

std::vector<vfs::FileObjectPtr> subfolders(const vfs::FileObjectPtr& folder) {
    std::vector<vfs::FileObjectPtr> folders;
    if (isFolder(folder)) {
        const vfs::FileObjectListPtr children = folder->getChildren();
        for (const vfs::FileObjectPtr& child : *children) {
            if (isFolder(child)) {
                folders.push_back(child);
            }
        }
    }
    return folders;
}

int check(const GlobalOptions& global) {
    const vfs::FileObjectPtr db = openRepository(global);
    Checker checker(std::cout);
    const vfs::FileObjectPtr printers = existingChild(db, "Printers");
    if (!isFolder(printers)) {
        checker.report("Printers", "missing: the repository has no folder of printers");
    }
    for (const vfs::FileObjectPtr& printer : subfolders(printers)) {
        const std::string printerPath = "Printers/" + readable(printer->getBaseName());
        checker.folder(printer, "printer", "Printer", printerPath);
        for (const vfs::FileObjectPtr& group : subfolders(existingChild(printer, "Medias"))) {
            const std::string groupPath = printerPath + "/Medias/" + readable(group->getBaseName());
            checker.name(group, groupPath);
            for (const vfs::FileObjectPtr& media : subfolders(group)) {
                const std::string mediaPath = groupPath + "/" + readable(media->getBaseName());
                checker.folder(media, "media", "Media", mediaPath);
                const vfs::FileObjectPtr costs = existingChild(media, ".MediaCostSettings.xml");
                if (costs) {
                    checker.settingsFile(costs, mediaPath + "/.MediaCostSettings.xml", "");
                }
                for (const vfs::FileObjectPtr& mode : subfolders(existingChild(media, "Modes"))) {
                    checker.folder(mode, "mode", "Mode",
                                   mediaPath + "/Modes/" + readable(mode->getBaseName()));
                }
            }
        }
    }
    if (checker.problems() > 0) {
        throw ToolError(kFailure, "check found " + std::to_string(checker.problems()) +
                                      " problem(s) in '" + nativePath(db) + "'");
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(check, 400, [](CLI::App& app, const GlobalOptions& global) {
    CLI::App* command = app.add_subcommand(
        "check",
        "Check the whole repository and report, one line each: settings files that are empty, "
        "do not parse or hold the wrong root, folders still marked .invalid (half-made or "
        "half-removed), printer, media and mode folders without settings, folder names that "
        "are not UTF-8, and XML nodes the reader drops because their names hold '/' or '*'. "
        "Exit status 0 only when nothing is found");
    (void)command;
    return [&global]() { return check(global); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
