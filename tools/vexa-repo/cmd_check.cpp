// vexa-repo check [--fix] [--json]: walks the whole repository and reports,
// one line each, what the library or a print job would stumble over:
// settings files that are empty, do not parse or hold another root than
// their folder's kind ("Media" in a printer); folders still marked
// ".invalid"; folders below "Printers" that are no printers; media and
// mode folders without settings; a file where "Medias" or "Modes" belongs;
// names the library cannot use (not UTF-8, control characters, '[' or ']'
// in a media or group name, a leading '*' in a media name, ...); XML nodes
// the reader drops because their names hold '/' or '*' (page sizes such as
// "3 1/2 x 5"); values that name nothing (a default media, page size or
// mode that is not there, a mode whose resolution the printer lacks); and
// temporary files of writers that died. Silent, with exit status 0, when
// nothing is found.
//
// Names are shown readable: a byte that is no part of a UTF-8 character as
// "\xNN" ("Caf\xe9"), so the report itself stays valid UTF-8.
//
// It only reads the settings files (they are replaced whole, by a rename)
// and creates nothing. A folder's lock is tried once, only where temporary
// files lie, to tell a dead writer's from a live one's; --fix removes the
// dead writers' files under that lock, and nothing else: a ".invalid"
// marker cannot be told apart from a copy or removal still to be finished,
// so it stays for "remove" or "remove-media" to handle.
#include <wx/mstream.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <set>

#include "Access.h"
#include "Command.h"
#include "ToolText.h"
#include "repos/FileLock.h"
#include "repos/LegacyMediaName.h"
#include "repos/Settings.h"
#include "repos/XmlXpath.h"
#include "vfs/src/impl/DurableWrite.h"
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

typedef boost::shared_ptr<repos::Settings> SettingsPtr;

// The attribute `attribute` of the first node at `path`; "" without one.
std::string firstValue(const SettingsPtr& settings, const wxString& path,
                       const char* attribute = "value") {
    const std::list<repos::NamedNode::Ptr> nodes =
        settings ? repos::SettingsAccess::findNodes(*settings, path)
                 : std::list<repos::NamedNode::Ptr>();
    return nodes.empty() ? std::string() : U(nodes.front()->getAttribute(attribute));
}

// The names of the nodes at `path`, or their values with `attribute`.
std::set<std::string> allOf(const SettingsPtr& settings, const wxString& path,
                            const char* attribute = nullptr) {
    std::set<std::string> found;
    if (settings) {
        for (const repos::NamedNode::Ptr& node :
             repos::SettingsAccess::findNodes(*settings, path)) {
            found.insert(U(attribute ? node->getAttribute(attribute) : node->getName()));
        }
    }
    return found;
}

// True when `name` is one folder name (a value may hold anything).
bool plainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// `name` below `folder` when it is a plain folder name and there.
vfs::FileObjectPtr namedChild(const vfs::FileObjectPtr& folder, const std::string& name) {
    return plainName(name) ? existingChild(folder, name) : vfs::FileObjectPtr();
}

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

// One finding: a problem, or with `fixed` what --fix did about one.
struct Finding {
    std::string path;
    std::string kind;
    std::string text;
    bool fixed;
};

class Checker {
  public:
    explicit Checker(bool fix) : m_fix(fix) {}

    const std::vector<Finding>& findings() const { return m_findings; }
    int problems() const { return m_problems; }

    void report(const std::string& where, const std::string& kind, const std::string& problem) {
        m_findings.push_back(Finding{where, kind, problem, false});
        ++m_problems;
    }

    // A folder's name: the library lists it, but a host may not reach it
    // again (the rules a new name follows, repos::checkName).
    void name(const vfs::FileObjectPtr& folder, repos::NameKind kind, const std::string& where) {
        if (!isUtf8(folder->getBaseName())) {
            report(where, "name", "name is not UTF-8; rename it");
            return;
        }
        repos::clearFailure();
        if (!repos::checkName(kind, folder->getBaseName())) {
            const repos::Failure& why = repos::lastFailure();
            report(where, "name",
                   "name the library cannot use (" + (why ? readable(why.message) : "refused") +
                       "); rename it");
        }
    }

    // A printer, media or mode folder: its name, its marker, its temporary
    // files and its settings file, whose root names the kind ("Printer",
    // "Media", "Mode"). The parsed settings; empty when they cannot be read.
    SettingsPtr folder(const vfs::FileObjectPtr& folder, repos::NameKind nameKind,
                       const std::string& kind, const std::string& root, const std::string& where) {
        name(folder, nameKind, where);
        if (existingChild(folder, ".invalid")) {
            report(where, "marker", kind + " folder marked .invalid: " + markerAdvice(kind));
        }
        temporaries(folder, where);
        const vfs::FileObjectPtr settings = existingChild(folder, ".Settings.xml");
        if (!settings) {
            if (kind == "printer") {
                report(where, "not-a-printer",
                       "not a printer: no settings file .Settings.xml, yet hosts list it as one; "
                       "move it out of Printers or remove it");
            } else {
                report(where, "no-settings", kind + " folder without settings file .Settings.xml");
            }
            return SettingsPtr();
        }
        return settingsFile(settings, where + "/.Settings.xml", root);
    }

    // `child` of `folder` (the "Medias" or "Modes" folder) is a file.
    void notAFile(const vfs::FileObjectPtr& folder, const std::string& child,
                  const std::string& where, const std::string& what) {
        if (isFile(existingChild(folder, child))) {
            report(where + "/" + child, "not-a-folder",
                   "a file where the folder of " + what + " belongs: they cannot be read");
        }
    }

    // A settings file; `root` is the name its root node must have (empty:
    // any). The parsed settings; empty when they cannot be read.
    SettingsPtr settingsFile(const vfs::FileObjectPtr& file, const std::string& where,
                             const std::string& root) {
        if (!isFile(file)) {
            report(where, "settings", "a folder where a settings file belongs");
            return SettingsPtr();
        }
        const std::string path = nativePath(file);
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            report(where, "settings", "cannot be read");
            return SettingsPtr();
        }
        if (bytes.empty()) {
            report(where, "settings", "empty settings file");
            return SettingsPtr();
        }
        wxMemoryInputStream stream(bytes.data(), bytes.size());
        const SettingsPtr settings = repos::SettingsManager::GetSettings(stream);
        if (!settings) {
            report(where, "settings", "does not parse as a settings file (not well-formed XML)");
            return SettingsPtr();
        }
        const repos::NamedNode::Ptr top = settings->getRoot();
        const std::string found = top ? U(top->getName()) : std::string();
        if (!root.empty() && found != root) {
            report(where, "settings",
                   "root node '" + found + "' where '" + root +
                       "' belongs: the library cannot read it");
            return SettingsPtr();
        }
        droppedNodes(path, where);
        return settings;
    }

    // A value naming a folder (a media, a mode) that is not there.
    void reference(const std::string& where, const std::string& key, const std::string& value,
                   const std::string& shown, const vfs::FileObjectPtr& target,
                   const std::string& what) {
        if (!value.empty() && !isFolder(target)) {
            report(where, "reference",
                   key + " '" + shown + "' names " + what + " that is not there");
        }
    }

  private:
    // Temporary files of writers: those of a writer that died are reported
    // (or removed with --fix); while the folder's lock is held elsewhere
    // they may be a live writer's, and are left alone.
    void temporaries(const vfs::FileObjectPtr& folder, const std::string& where) {
        std::vector<vfs::FileObjectPtr> files;
        const vfs::FileObjectListPtr children = folder->getChildren();
        for (const vfs::FileObjectPtr& child : *children) {
            if (isFile(child) && vfs::isTemporaryName(child->getBaseName())) {
                files.push_back(child);
            }
        }
        if (files.empty()) {
            return;
        }
        const repos::LockWait once(std::chrono::milliseconds(0));
        repos::clearFailure();
        const repos::FileLockPtr lock = repos::FileLock::create(folder);
        // Taking the lock as a writer removes what dead writers left: the
        // files are looked at again afterwards.
        std::unique_ptr<repos::ReadFileLocker> reader;
        std::unique_ptr<repos::WriteFileLocker> writer;
        if (m_fix) {
            writer.reset(new repos::WriteFileLocker(lock));
        } else {
            reader.reset(new repos::ReadFileLocker(lock));
        }
        if (!lock || !(writer ? writer->holdsLock() : reader->holdsLock())) {
            return;
        }
        for (const vfs::FileObjectPtr& file : files) {
            const std::string path = where + "/" + readable(file->getBaseName());
            if (!m_fix) {
                report(path, "temporary",
                       "temporary file left by a writer that died (check --fix removes it)");
            } else if (!file->exists() || file->remove()) {
                m_findings.push_back(Finding{
                    path, "temporary", "removed the temporary file of a writer that died", true});
            } else {
                report(path, "temporary", "temporary file of a writer that died; cannot remove it");
            }
        }
    }

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
            report(where, "dropped-node",
                   "node '" + nodePath + "' is dropped when read: its name holds " + character);
        }
    }

    bool m_fix;
    std::vector<Finding> m_findings;
    int m_problems = 0;
};

// What a printer's settings say that its medias and modes are checked
// against.
struct PrinterFacts {
    bool known = false;  // the settings could be read
    std::set<std::string> resolutions;
};

void checkMode(Checker& checker, const vfs::FileObjectPtr& mode, const PrinterFacts& printer,
               const std::string& where) {
    const SettingsPtr settings = checker.folder(mode, repos::NameKind::MODE, "mode", "Mode", where);
    const std::string resolution = firstValue(settings, wxT("Mode/Res"));
    if (printer.known && !resolution.empty() && !printer.resolutions.count(resolution)) {
        checker.report(
            where + "/.Settings.xml", "reference",
            "resolution '" + resolution + "' is not one the printer offers (its ResData)");
    }
}

void checkMedia(Checker& checker, const vfs::FileObjectPtr& media, const PrinterFacts& printer,
                const std::string& where) {
    const SettingsPtr settings =
        checker.folder(media, repos::NameKind::MEDIA, "media", "Media", where);
    const vfs::FileObjectPtr costs = existingChild(media, ".MediaCostSettings.xml");
    if (costs) {
        checker.settingsFile(costs, where + "/.MediaCostSettings.xml", "");
    }
    checker.notAFile(media, "Modes", where, "modes");
    const vfs::FileObjectPtr modes = existingChild(media, "Modes");
    for (const char* key :
         {"DefaultMode", "JdfQualityModeHigh", "JdfQualityModeNormal", "JdfQualityModeDraft"}) {
        const std::string mode = firstValue(settings, wxString(wxT("Media/")) + key);
        checker.reference(where + "/.Settings.xml", key, mode, mode, namedChild(modes, mode),
                          "a mode");
    }
    for (const vfs::FileObjectPtr& mode : subfolders(modes)) {
        checkMode(checker, mode, printer, where + "/Modes/" + readable(mode->getBaseName()));
    }
}

void checkPrinter(Checker& checker, const vfs::FileObjectPtr& printer, const std::string& where) {
    const SettingsPtr settings =
        checker.folder(printer, repos::NameKind::PRINTER, "printer", "Printer", where);
    PrinterFacts facts;
    facts.known = static_cast<bool>(settings);
    facts.resolutions = allOf(settings, wxT("Printer/ResData/*/Resolution"), "value");
    checker.notAFile(printer, "Medias", where, "medias");
    const vfs::FileObjectPtr medias = existingChild(printer, "Medias");

    const std::string media = firstValue(settings, wxT("Printer/DefaultMedia"), "media");
    std::string group = firstValue(settings, wxT("Printer/DefaultMedia"), "group");
    group = group.empty() ? U(repos::printer::kUngroupedGroup) : group;
    checker.reference(where + "/.Settings.xml", "DefaultMedia", media,
                      U(repos::printer::joinLegacyMediaName(W(media), W(group))),
                      namedChild(namedChild(medias, group), media), "a media");
    const std::string pageSize = firstValue(settings, wxT("Printer/DefaultPageSize"));
    if (!pageSize.empty() && facts.known &&
        !allOf(settings, wxT("Printer/PageSizes/*")).count(pageSize)) {
        checker.report(where + "/.Settings.xml", "reference",
                       "DefaultPageSize '" + pageSize + "' is not among the printer's page sizes");
    }

    for (const vfs::FileObjectPtr& groupFolder : subfolders(medias)) {
        const std::string groupPath = where + "/Medias/" + readable(groupFolder->getBaseName());
        checker.name(groupFolder, repos::NameKind::MEDIA_GROUP, groupPath);
        for (const vfs::FileObjectPtr& mediaFolder : subfolders(groupFolder)) {
            checkMedia(checker, mediaFolder, facts,
                       groupPath + "/" + readable(mediaFolder->getBaseName()));
        }
    }
}

struct CheckOptions {
    bool fix = false;
    bool json = false;
};

int check(const GlobalOptions& global, const CheckOptions& options) {
    const vfs::FileObjectPtr db = openRepository(global);
    Checker checker(options.fix);
    const vfs::FileObjectPtr printers = existingChild(db, "Printers");
    if (!isFolder(printers)) {
        checker.report("Printers", "no-printers",
                       "missing: the repository has no folder of printers");
    }
    for (const vfs::FileObjectPtr& printer : subfolders(printers)) {
        checkPrinter(checker, printer, "Printers/" + readable(printer->getBaseName()));
    }
    if (options.json) {
        Json problems = Json::array();
        Json fixed = Json::array();
        for (const Finding& finding : checker.findings()) {
            (finding.fixed ? fixed : problems)
                .push_back(
                    {{"path", finding.path}, {"kind", finding.kind}, {"text", finding.text}});
        }
        printJson(std::cout, {{"problems", problems}, {"fixed", fixed}});
    } else {
        for (const Finding& finding : checker.findings()) {
            std::cout << finding.path << (finding.fixed ? ": fixed: " : ": ") << finding.text
                      << '\n';
        }
    }
    if (checker.problems() > 0) {
        flushOutput();
        throw ToolError(kFailure, "check found " + std::to_string(checker.problems()) +
                                      " problem(s) in '" + nativePath(db) + "'");
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(check, 400, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check",
        "Check the whole repository and report, one line each: settings files that are empty, "
        "do not parse or hold the wrong root; folders still marked .invalid (half-made or "
        "half-removed); folders below Printers that are no printers; media and mode folders "
        "without settings; a file where Medias or Modes belongs; names the library cannot use; "
        "XML nodes the reader drops ('/' or '*' in their names); a DefaultMedia, "
        "DefaultPageSize, DefaultMode or JdfQualityMode* naming nothing, a mode whose "
        "resolution the printer lacks; temporary files of writers that died. Exit status 0 "
        "only when nothing is left");
    command->add_flag("--fix", options->fix,
                      "Remove what is safe to remove (temporary files of writers that died, "
                      "under the folder's lock), one line per fix; .invalid markers stay");
    command->add_flag("--json", options->json,
                      "Print {problems: [{path, kind, text}], fixed: [{path, kind, text}]}");
    return [&global, options]() { return check(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
