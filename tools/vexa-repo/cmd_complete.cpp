// vexa-repo complete [--quoted] -- WORD... CURRENT: what the shells'
// completion scripts offer. Given the words of a command line after the
// program (the last one the word being typed), it prints one line saying
// what fits there, "words" or "files" (left to the shell), then the fitting
// words starting with CURRENT, one per line: commands, options, and printer,
// media, mode, key and option names read from the repository (--repo among
// the words is followed). With --quoted the words are as typed (bash hands
// them over with their quotes and backslashes). Hidden from --help.
//
// It reads folder listings and settings files without taking locks: a
// completion must neither wait nor make anything.
#include <wx/wfstream.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>

#include "Access.h"
#include "Command.h"
#include "Usage.h"
#include "Values.h"
#include "repos/LegacyMediaName.h"
#include "repos/Settings.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace tool {
namespace {

// A shell word as typed, without its quoting: backslashes, '...' and "..."
// (an unfinished quote runs to the end).
std::string dequoted(const std::string& word) {
    std::string out;
    char quote = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        if (quote == '\'') {
            if (c == '\'') {
                quote = 0;
            } else {
                out += c;
            }
        } else if (c == '\\' && i + 1 < word.size() &&
                   (quote == 0 || std::string("$`\"\\").find(word[i + 1]) != std::string::npos)) {
            out += word[++i];
        } else if (c == quote) {
            quote = 0;
        } else if (quote == 0 && (c == '\'' || c == '"')) {
            quote = c;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::string> folderNames(const vfs::FileObjectPtr& folder) {
    std::vector<std::string> names;
    if (isFolder(folder)) {
        const vfs::FileObjectListPtr children = folder->getChildren();
        for (const vfs::FileObjectPtr& child : *children) {
            if (isFolder(child) && !vfs::isTemporaryName(child->getBaseName())) {
                names.push_back(U(child->getBaseName()));
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The names of the nodes at `path` of a settings file; none when it cannot
// be read.
std::vector<std::string> nodeNames(const vfs::FileObjectPtr& file, const wxString& path) {
    std::vector<std::string> names;
    if (!isFile(file)) {
        return names;
    }
    wxFileInputStream in(W(nativePath(file)));
    const boost::shared_ptr<repos::Settings> settings =
        in.IsOk() ? repos::SettingsManager::GetSettings(in) : boost::shared_ptr<repos::Settings>();
    if (settings) {
        for (const repos::NamedNode::Ptr& node :
             repos::SettingsAccess::findNodes(*settings, path)) {
            names.push_back(U(node->getName()));
        }
    }
    return names;
}

// A command line read up to the word being typed.
struct Line {
    GlobalOptions global;
    const CLI::App* command = nullptr;
    std::vector<std::string> positionals;
    std::map<std::string, std::string> options;  // "--group" -> its value
    std::string pendingOption;                   // the option whose value is being typed
    bool onlyPositionals = false;                // after "--"
    bool unknownCommand = false;
};

// The option of `app` (or of the tool) spelled `word`, taking a value.
const CLI::Option* valueOption(const CLI::App& app, const CLI::App* command,
                               const std::string& word) {
    for (const CLI::App* owner : {command, &app}) {
        if (owner == nullptr) {
            continue;
        }
        for (const CLI::Option* option : owner->get_options()) {
            if (takesValue(*option) && option->check_name(word)) {
                return option;
            }
        }
    }
    return nullptr;
}

Line readLine(const CLI::App& app, const std::vector<std::string>& words) {
    Line line;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string& word = words[i];
        const bool option = !line.onlyPositionals && word.size() > 1 && word[0] == '-';
        if (option && word == "--" && line.command) {
            line.onlyPositionals = true;
        } else if (option) {
            const std::string name = word.substr(0, word.find('='));
            const CLI::Option* takes = valueOption(app, line.command, name);
            std::string value;
            if (takes && word.find('=') != std::string::npos) {
                value = word.substr(word.find('=') + 1);
            } else if (takes && i + 2 < words.size()) {
                value = words[++i];
            } else if (takes) {
                line.pendingOption = takes->get_name();
                continue;
            }
            if (takes) {
                line.options[takes->get_name()] = value;
                if (takes->get_name() == "--repo") {
                    line.global.repo = value;
                }
            }
        } else if (!line.command && !line.unknownCommand) {
            for (const CLI::App* command : visibleCommands(app)) {
                if (command->get_name() == word) {
                    line.command = command;
                }
            }
            line.unknownCommand = line.command == nullptr;
        } else {
            line.positionals.push_back(word);
        }
    }
    return line;
}

// What a completion needs from the repository, found as the commands find
// it but without locks.
class Names {
  public:
    explicit Names(const Line& line) : m_line(line) {
        try {
            const vfs::FileObjectPtr db = openRepository(line.global);
            m_printers = existingChild(db, "Printers");
        } catch (const ToolError&) {
            // No repository: nothing to offer but commands and options.
        }
    }

    std::vector<std::string> printers() const { return folderNames(m_printers); }

    std::vector<std::string> groups() const { return folderNames(mediasFolder()); }

    // Legacy names; the plain names of --group's group when it was given.
    std::vector<std::string> medias() const {
        const auto group = m_line.options.find("--group");
        if (group != m_line.options.end()) {
            return folderNames(existingChild(mediasFolder(), group->second));
        }
        std::vector<std::string> names;
        for (const std::string& groupName : folderNames(mediasFolder())) {
            for (const std::string& media : folderNames(existingChild(mediasFolder(), groupName))) {
                names.push_back(U(repos::printer::joinLegacyMediaName(W(media), W(groupName))));
            }
        }
        return names;
    }

    std::vector<std::string> modes() const { return folderNames(existingChild(media(), "Modes")); }

    std::vector<std::string> pageSizes() const {
        return nodeNames(existingChild(printer(), ".Settings.xml"), wxT("Printer/PageSizes/*"));
    }

    std::vector<std::string> modeOptions() const {
        const vfs::FileObjectPtr mode =
            existingChild(existingChild(media(), "Modes"), positional("MODE"));
        return nodeNames(existingChild(mode, ".Settings.xml"), wxT("Mode/PrinterSettings/*"));
    }

    // The positional argument `name` typed so far ("" when not yet).
    std::string positional(const std::string& name) const {
        std::size_t index = 0;
        for (const CLI::Option* option : m_line.command->get_options()) {
            if (option->get_positional()) {
                if (option->get_name(true) == name) {
                    return index < m_line.positionals.size() ? m_line.positionals[index]
                                                             : std::string();
                }
                ++index;
            }
        }
        return std::string();
    }

  private:
    vfs::FileObjectPtr printer() const {
        const std::string name = positional("PRINTER");
        return name.empty() || name.find('/') != std::string::npos
                   ? vfs::FileObjectPtr()
                   : existingChild(m_printers, name);
    }
    vfs::FileObjectPtr mediasFolder() const { return existingChild(printer(), "Medias"); }

    // The media folder MEDIA names, looked up as findMedia does.
    vfs::FileObjectPtr media() const {
        const std::string argument = positional("MEDIA");
        if (argument.empty() || argument.find('/') != std::string::npos) {
            return vfs::FileObjectPtr();
        }
        const auto group = m_line.options.find("--group");
        if (group != m_line.options.end()) {
            return existingChild(existingChild(mediasFolder(), group->second), argument);
        }
        wxString groupName;
        wxString mediaName;
        repos::printer::splitLegacyMediaName(W(argument), groupName, mediaName);
        if (!groupName.empty()) {
            return existingChild(existingChild(mediasFolder(), U(groupName)), U(mediaName));
        }
        // "_Ungrouped_" first, then a group that has it.
        std::vector<std::string> groupNames = folderNames(mediasFolder());
        groupNames.insert(groupNames.begin(), U(repos::printer::kUngroupedGroup));
        for (const std::string& name : groupNames) {
            const vfs::FileObjectPtr found =
                existingChild(existingChild(mediasFolder(), name), U(mediaName));
            if (found) {
                return found;
            }
        }
        return vfs::FileObjectPtr();
    }

    const Line& m_line;
    vfs::FileObjectPtr m_printers;
};

std::vector<std::string> keyNames(const std::vector<KeyInfo>& keys, bool settableOnly) {
    std::vector<std::string> names;
    for (const KeyInfo& key : keys) {
        if (key.settable || !settableOnly) {
            names.push_back(key.name);
        }
    }
    return names;
}

std::vector<std::string> optionSpellings(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty()) {
            continue;
        }
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
    }
    return names;
}

// What fits the positional `name` of the command (or "files").
std::vector<std::string> positionalWords(const CLI::App& app, const Line& line, const Names& names,
                                         const std::string& name, bool& files) {
    const std::string command = line.command->get_name();
    const bool settable = command.rfind("set", 0) == 0 || command.rfind("unset", 0) == 0;
    const bool ofMedia = command.find("media") != std::string::npos;
    if (name == "PRINTER") {
        return names.printers();
    }
    if (name == "MEDIA") {
        return names.medias();
    }
    if (name == "MODE") {
        return names.modes();
    }
    if (name == "KEY") {
        return keyNames(ofMedia ? mediaKeys() : printerKeys(), settable);
    }
    if (name == "NAME") {
        return names.modeOptions();
    }
    if (name == "COMMAND") {
        return commandNames(app);
    }
    if (name == "VALUE") {
        const std::string key = names.positional("KEY");
        if (key == "Active") {
            return {"true", "false"};
        }
        if (key == "DefaultMedia") {
            return names.medias();
        }
        if (key == "DefaultPageSize") {
            return names.pageSizes();
        }
        if (key == "DefaultMode" || key.rfind("JdfQualityMode", 0) == 0) {
            return names.modes();
        }
        return {};
    }
    files = name == "FILE" || name == "IN" || name == "OUT";
    return {};
}

std::vector<std::string> candidates(const CLI::App& app, const Line& line, bool& files) {
    if (line.unknownCommand) {
        return {};
    }
    const Names names(line);
    if (!line.pendingOption.empty()) {
        if (line.pendingOption == "--to-printer") {
            return names.printers();
        }
        if (line.pendingOption == "--group") {
            return names.groups();
        }
        if (line.pendingOption == "--to") {
            return {"brace", "xml"};
        }
        files = line.pendingOption == "--repo" || line.pendingOption == "--svg";
        return {};
    }
    if (!line.command) {
        return commandNames(app);
    }
    std::size_t index = 0;
    for (const CLI::Option* option : line.command->get_options()) {
        if (option->get_positional() && index++ == line.positionals.size()) {
            return positionalWords(app, line, names, option->get_name(true), files);
        }
    }
    return {};
}

int complete(const CLI::App& app, std::vector<std::string> words) {
    bool quoted = false;
    if (!words.empty() && words.front() == "--quoted") {
        quoted = true;
        words.erase(words.begin());
    }
    if (!words.empty() && words.front() == "--") {
        words.erase(words.begin());
    }
    if (quoted) {
        for (std::string& word : words) {
            word = dequoted(word);
        }
    }
    if (words.empty()) {
        words.push_back(std::string());
    }
    const std::string current = words.back();
    const Line line = readLine(app, words);
    bool files = false;
    std::vector<std::string> found;
    if (!line.onlyPositionals && line.pendingOption.empty() && !current.empty() &&
        current[0] == '-') {
        found = line.command ? optionSpellings(*line.command) : std::vector<std::string>();
        for (const std::string& name : optionSpellings(app)) {
            if (std::find(found.begin(), found.end(), name) == found.end()) {
                found.push_back(name);
            }
        }
    } else {
        found = candidates(app, line, files);
    }
    std::cout << (files ? "files" : "words") << '\n';
    for (const std::string& word : found) {
        if (word.compare(0, current.size(), current) == 0) {
            std::cout << word << '\n';
        }
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(complete, 995, [](CLI::App& app, const GlobalOptions&) {
    CLI::App* command = app.add_subcommand("complete", "Words for the shells' completion");
    command->group("");
    // Every word after the command is the line to complete, options and
    // command names too: main() keeps them from the parser.
    (void)command;
    return [&app]() { return complete(app, unparsedWords()); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
