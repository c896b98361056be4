// vexa-repo check: walks the whole repository and reports, one line each,
// what the library would stumble over: settings files that are empty or do
// not parse, folders still marked ".invalid", printer, media and mode
// folders without settings, and XML nodes the reader drops because their
// names hold '/' or '*' (page sizes such as "3 1/2 x 5"). Silent, with exit
// status 0, when nothing is found.
//
// It only reads: no lock is taken (settings files are replaced whole, by a
// rename) and nothing is created.
#include <wx/mstream.h>

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

class Checker {
  public:
    explicit Checker(std::ostream& out) : m_out(out) {}

    int problems() const { return m_problems; }

    void report(const std::string& where, const std::string& problem) {
        m_out << where << ": " << problem << '\n';
        ++m_problems;
    }

    // A printer, media or mode folder: its marker and its settings file.
    void folder(const vfs::FileObjectPtr& folder, const std::string& kind,
                const std::string& where) {
        if (existingChild(folder, ".invalid")) {
            report(where, kind +
                              " folder marked .invalid: a copy, rename or removal did not "
                              "finish");
        }
        const vfs::FileObjectPtr settings = existingChild(folder, ".Settings.xml");
        if (!settings) {
            report(where, kind + " folder without settings file .Settings.xml");
        } else {
            settingsFile(settings, where + "/.Settings.xml");
        }
    }

    void settingsFile(const vfs::FileObjectPtr& file, const std::string& where) {
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
        if (!repos::SettingsManager::GetSettings(stream)) {
            report(where, "does not parse as a settings file (not well-formed XML)");
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
        const std::string printerPath = "Printers/" + U(printer->getBaseName());
        checker.folder(printer, "printer", printerPath);
        for (const vfs::FileObjectPtr& group : subfolders(existingChild(printer, "Medias"))) {
            for (const vfs::FileObjectPtr& media : subfolders(group)) {
                const std::string mediaPath = printerPath + "/Medias/" + U(group->getBaseName()) +
                                              "/" + U(media->getBaseName());
                checker.folder(media, "media", mediaPath);
                const vfs::FileObjectPtr costs = existingChild(media, ".MediaCostSettings.xml");
                if (costs) {
                    checker.settingsFile(costs, mediaPath + "/.MediaCostSettings.xml");
                }
                for (const vfs::FileObjectPtr& mode : subfolders(existingChild(media, "Modes"))) {
                    checker.folder(mode, "mode", mediaPath + "/Modes/" + U(mode->getBaseName()));
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
        "Check the whole repository and report, one line each: settings files that are empty "
        "or do not parse, folders still marked .invalid, printer, media and mode folders "
        "without settings, and XML nodes the reader drops because their names hold '/' or "
        "'*'. Exit status 0 only when nothing is found");
    (void)command;
    return [&global]() { return check(global); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
