// The command line itself: help texts, usage errors, finding the repository,
// refused names and missing printers, medias and modes (nothing created).
#include <algorithm>

#include "ToolFixture.h"
#include "repos/Version.h"

namespace vexa {
namespace test {
namespace {

const std::vector<std::string> kCommands = {"printers",
                                            "show",
                                            "get",
                                            "keys",
                                            "set",
                                            "unset",
                                            "copy",
                                            "rename",
                                            "remove",
                                            "lock",
                                            "medias",
                                            "show-media",
                                            "get-media",
                                            "set-media",
                                            "unset-media",
                                            "copy-media",
                                            "remove-media",
                                            "modes",
                                            "show-mode",
                                            "get-mode-option",
                                            "set-mode-option",
                                            "unset-mode-option",
                                            "curves",
                                            "check",
                                            "tree",
                                            "convert",
                                            "xpath",
                                            "help"};

// The commands --help lists, read from its "Subcommands:" section.
std::vector<std::string> listedCommands() {
    std::vector<std::string> names;
    std::istringstream lines(runProgram(toolPath(), {"--help"}).out);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (inside && line.rfind("  ", 0) == 0) {
            names.push_back(cells(line).front());
        } else {
            inside = line == "Subcommands:";
        }
    }
    return names;
}

TEST(ToolHelp, ListsEverySubCommandAndEachHasItsOwnHelp) {
    const ToolRun top = runProgram(toolPath(), {"--help"});
    EXPECT_EQ(0, top.status);
    EXPECT_EQ(kCommands, listedCommands());
    for (const std::string& command : kCommands) {
        const ToolRun help = runProgram(toolPath(), {command, "--help"});
        EXPECT_EQ(0, help.status) << command;
        EXPECT_NE(std::string::npos, help.out.find("Usage: vexa-repo " + command)) << command;
        // "help COMMAND" says the same.
        EXPECT_EQ(help.out, runProgram(toolPath(), {"help", command}).out) << command;
    }
    EXPECT_EQ(top.out, runProgram(toolPath(), {"help"}).out);
    EXPECT_NE(std::string::npos, top.out.find("Exit status"));
    EXPECT_NE(std::string::npos, top.out.find("vexa-repo show -- -x"));
    // The key lists name every key a command takes.
    const ToolRun set = runProgram(toolPath(), {"set", "--help"});
    for (const char* key : {"Active", "PortName", "PortData", "VirtualPrinterExtension",
                            "DefaultPageSize", "DefaultMedia"}) {
        EXPECT_NE(std::string::npos, set.out.find(key)) << key;
    }
    EXPECT_EQ(std::string::npos, set.out.find("DllDevice"));
}

// Every usage error is one line in the tool's words, never the parser's.
TEST(ToolHelp, UsageErrorsAreOneLineOfTheToolsOwnAndExitWithOne) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "vexa-repo: no command given; 'vexa-repo help' lists the commands"},
        {{"prnters"}, "vexa-repo: unknown command 'prnters'; did you mean 'printers'?"},
        {{"xet"}, "vexa-repo: unknown command 'xet'; did you mean 'get' or 'set'?"},
        {{"help", "shw-media"},
         "vexa-repo: unknown command 'shw-media'; did you mean 'show-media'?"},
        {{"frobnicate"}, "vexa-repo: unknown command 'frobnicate'; 'vexa-repo help' lists"},
        {{"--repo", "a", "--repo", "b", "printers"},
         "vexa-repo: option --repo given more than once"},
        {{"copy-media", "P", "M", "D", "--to-printer", "a", "--to-printer", "b"},
         "vexa-repo: copy-media: option --to-printer given more than once"},
        {{"show"}, "vexa-repo: show: missing argument PRINTER (see 'vexa-repo help show')"},
        {{"curves", "P", "M", "X"}, "vexa-repo: curves: missing option --svg FILE"},
        {{"printers", "--jsn"},
         "vexa-repo: printers: unknown option '--jsn'; did you mean '--json'?"},
        {{"printers", "extra"}, "vexa-repo: printers: unexpected argument 'extra'"},
        {{"get", "-x", "PortName"},
         "vexa-repo: get: unknown option '-x'; a name starting with '-' goes after '--'"},
        {{"--wait", "-1", "printers"},
         "vexa-repo: option --wait takes seconds (0 or more), not '-1'"},
        {{"lock", "P", "--seconds", "soon"},
         "vexa-repo: option --seconds takes seconds (0 or more), not 'soon'"},
        {{"printers", "--repo"}, "vexa-repo: printers: option --repo needs a value"},
    };
    for (const auto& c : cases) {
        const ToolRun run = runProgram(toolPath(), c.first);
        EXPECT_EQ(1, run.status) << c.second;
        EXPECT_EQ(0u, run.err.find(c.second)) << run.err;
        EXPECT_EQ(1u, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
        EXPECT_EQ("", run.out) << c.second;
    }
}

// What the bash completion script offers after `words` (the last one being
// typed), as bash would run it; "" entries only when something is wrong.
std::vector<std::string> bashCompletion(const std::vector<std::string>& words) {
    std::string script = "source '" VEXA_TOOL_SHARE "/vexa-repo.bash'; COMP_WORDS=(";
    for (const std::string& word : words) {
        std::string quoted = "'";
        for (const char c : word) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        script += quoted + "' ";
    }
    script +=
        "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vexa_repo; "
        "printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::vector<std::string> offered;
    std::istringstream lines(runProgram("/bin/bash", {"--norc", "--noprofile", "-c", script}).out);
    std::string line;
    while (std::getline(lines, line)) {
        offered.push_back(line);
    }
    return offered;
}

TEST(ToolManual, EverySubCommandHasAManualSectionAndACompletion) {
    const std::string manual = readFile(VEXA_TOOL_MANUAL);
    ASSERT_EQ(0u, manual.find(".\\\" ")) << manual.substr(0, 200);
    const std::vector<std::string> offered = bashCompletion({toolPath(), ""});
    for (const std::string& command : listedCommands()) {
        std::string troff;
        for (const char c : command) {
            troff += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        EXPECT_NE(std::string::npos, manual.find("\n.SS " + troff + "\n")) << command;
        EXPECT_EQ(1, std::count(offered.begin(), offered.end(), command)) << command;
    }
    EXPECT_EQ(std::string::npos, manual.find(".SS complete")) << "the hidden helper";
}

// zsh, where it is installed, with compadd and _files standing in for its
// completion system.
TEST(ToolManual, ZshCompletionOffersEveryCommand) {
    std::string zshPath = runProgram("/bin/sh", {"-c", "command -v zsh"}).out;
    if (zshPath.empty()) {
        GTEST_SKIP() << "no zsh to run _vexa-repo with";
    }
    zshPath.pop_back();
    const ToolRun zsh =
        runProgram(zshPath, {"-f", "-c",
                             "compadd() { print -rl -- \"${(@P)2}\"; }; _files() { print FILES; }; "
                             "eval \"_vr() { $(<$0) }\"; words=(\"$1\" ''); CURRENT=2; _vr",
                             VEXA_TOOL_SHARE "/_vexa-repo", toolPath()});
    for (const std::string& command : listedCommands()) {
        EXPECT_NE(std::string::npos, ("\n" + zsh.out).find("\n" + command + "\n"))
            << zsh.out << zsh.err;
    }
}

// Names come from the repository the line names, whole, whatever they hold;
// the words before the cursor may be quoted as typed.
TEST_F(ToolTest, CompletionOffersNamesReadFromTheRepository) {
    const std::string tool = toolPath();
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{tool, "--repo", repo(), "show", ""}, {kAurora, kBorealis}},
        {{tool, "--repo", repo(), "show", "'Bor"}, {kBorealis}},
        {{tool, "--repo", repo(), "modes", "Aurora\\ 64", "S"}, {"Seidenmatt 240 [Fotopapier]"}},
        {{tool, "--repo", repo(), "show-mode", "\"Aurora 64\"", "Glanz\\ 260", ""},
         {kFotoMode, "720x720 Standard", kJapaneseMode}},
        {{tool, "--repo", repo(), "show-media", kAurora, "--group", ""},
         {"Fotopapier", "Künstlerpapier", "_Ungrouped_"}},
        {{tool, "--repo", repo(), "unset", kAurora, "Port"}, {"PortName", "PortData"}},
        {{tool, "--repo", repo(), "get-mode-option", kAurora, "'" + std::string(kGlanz) + "'",
          kJapaneseMode, "メ"},
         {"メモ"}},
        {{tool, "--repo", repo(), "set", kBorealis, "DefaultPageSize", ""}, {"A4", "A3+"}},
        {{tool, "--repo", repo(), "printers", "--js"}, {"--json"}},
        {{tool, "help", "show-m"}, {"show-media", "show-mode"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, bashCompletion(c.first)) << c.first.back();
    }
}

TEST_F(ToolTest, RepositoryComesFromRepoOptionOrEnvironment) {
    ToolRun run = tool({"-v", "printers"});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.err.find(repo() + "/db")) << run.err;
    EXPECT_EQ("", tool({"-v", "-q", "printers"}).err);
    EXPECT_EQ(0, tool({"-q", "-q", "printers", "--json", "--json"}).status);  // flags may repeat
    // Global options may follow the sub-command.
    run = runProgram(toolPath(), {"printers", "--repo", repo(), "-v"});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.err.find(repo() + "/db"));
    run = runProgram(toolPath(), {"-v", "printers"}, "", {"VEXA_INSTALL=" + repo()});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find(kAurora));
    EXPECT_NE(std::string::npos, run.err.find(repo() + "/db"));

    run = runProgram(toolPath(), {"--repo", repo() + "/missing", "printers"});
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("missing"));
    EXPECT_FALSE(pathExists(repo() + "/missing"));
    run = runProgram(toolPath(), {"--repo", db("Printers"), "printers"});
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("\"db\""));
    // The "db" folder itself is taken too.
    run = runProgram(toolPath(), {"--repo", repo() + "/db", "printers"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find(kAurora));

    // A "db" beside an installed tool never takes precedence over --repo.
    const std::string installed = m_dir.path() + "/installed";
    makeDirs(installed + "/bin");
    makeDirs(installed + "/db/Printers/Beside");
    writeFile(installed + "/db/Printers/Beside/.Settings.xml",
              "<node name=\"Printer\"><node name=\"PortName\" value=\"keep\"/></node>");
    writeFile(installed + "/bin/vexa-repo", readFile(toolPath()));
    ASSERT_EQ(0, ::chmod((installed + "/bin/vexa-repo").c_str(), 0755));
    run = runProgram(installed + "/bin/vexa-repo", {"--repo", repo(), "-v", "printers"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find(kAurora));
    EXPECT_EQ(std::string::npos, run.out.find("Beside"));
    EXPECT_NE(std::string::npos, run.err.find("set by the host")) << run.err;
    run = runProgram(installed + "/bin/vexa-repo",
                     {"--repo", repo(), "set", kAurora, "PortName", "X"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, readFile(db("Printers/" + std::string(kAurora) + "/.Settings.xml"))
                                     .find("name=\"PortName\" value=\"X\""));
    // Without it the search finds the installed one first, and says so.
    run = runProgram(installed + "/bin/vexa-repo", {"-v", "printers"}, "",
                     {"VEXA_INSTALL=" + repo()});
    EXPECT_NE(std::string::npos, run.out.find("Beside"));
    EXPECT_NE(std::string::npos, run.err.find("beside the program")) << run.err;
}

// What a command writes must arrive: a listing cut short by a full disk
// fails the command (exit status 4, one line), whatever its size.
TEST_F(ToolTest, OutputThatCannotBeWrittenFailsTheCommand) {
    const std::vector<std::vector<std::string>> calls = {
        {"printers"},
        {"show", kAurora, "--json"},
        {"get", kAurora, "PortName"},
        {"curves", kAurora, kGlanz, kFotoMode, "--svg", "-"},
        {"--help"},
        {"help", "show"},
    };
    for (std::vector<std::string> call : calls) {
        call.insert(call.begin(), {"exec \"$0\" \"$@\" > /dev/full", toolPath(), "--repo", repo()});
        call.insert(call.begin(), "-c");
        const ToolRun run = runProgram("/bin/sh", call);
        EXPECT_EQ(4, run.status) << call.back() << ": " << run.err;
        EXPECT_EQ("vexa-repo: cannot write standard output: No space left on device\n", run.err);
    }
}

TEST(ToolHelp, VersionIsTheLibrarysVersion) {
    const ToolRun run = runProgram(toolPath(), {"--version"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(run.out, "vexa-repo " VEXA_REPOS_VERSION_STRING "\n");
}

TEST_F(ToolTest, NamesWithSeparatorsOrDotsAreRefused) {
    const std::vector<std::vector<std::string>> calls = {
        {"show", "../db"},
        {"get", "..", "PortName"},
        {"set", ".", "PortName", "x"},
        {"copy", kAurora, "x/y"},
        {"copy", kAurora, ".."},
        {"rename", kAurora, "a\\b"},
        {"remove", "--yes", "Aurora 64/Medias"},
        {"show-media", kAurora, "a/b"},
        {"show-media", kAurora, "Glanz 260", "--group", "../Fotopapier"},
        {"copy-media", kAurora, kGlanz, "Neu [a/b]"},
        {"show-mode", kAurora, kGlanz, ".."},
        {"set-mode-option", kAurora, kGlanz, kFotoMode, "a/b", "x"},
        {"set-mode-option", kAurora, kGlanz, kFotoMode, "a*", "x"},
    };
    const std::map<std::string, std::string> before = treeFiles(db(""));
    for (const std::vector<std::string>& call : calls) {
        const ToolRun run = tool(call);
        EXPECT_EQ(1, run.status) << call[0] << " " << call.back();
        EXPECT_NE(std::string::npos, run.err.find("vexa-repo: ")) << run.err;
    }
    EXPECT_EQ(before, treeFiles(db("")));
    EXPECT_TRUE(pathExists(printerDir(kAurora)));
}

// A new printer or media must have a name it can be found by again: the
// library's rules refuse it with their reason, before anything is made.
TEST_F(ToolTest, NewNamesThatCouldNotBeUsedAgainAreRefused) {
    const std::vector<std::vector<std::string>> calls = {
        {"copy-media", kAurora, kGlanz, "*Stern"},
        {"copy-media", kAurora, kGlanz, "a [b] [c]"},
        {"copy-media", kAurora, kGlanz, "Glanz [Gruppe ]"},
        {"copy-media", kAurora, kGlanz, "Tab\tGlanz"},
        {"copy-media", kAurora, kGlanz, "Leerzeichen "},
        {"copy", kAurora, "Leerzeichen "},
        {"copy", kAurora, std::string(256, 'x')},
        {"rename", kAurora, "Tab\tName"},
        {"rename", kAurora, "Zeile\nZwei"},
    };
    const std::vector<std::string> before = treePaths(db(""));
    for (const std::vector<std::string>& call : calls) {
        const ToolRun run = tool(call);
        EXPECT_EQ(1, run.status) << call[0] << " '" << call.back() << "': " << run.err;
        EXPECT_NE(std::string::npos, run.err.find("name")) << run.err;
        EXPECT_EQ(1u, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
    }
    EXPECT_EQ(before, treePaths(db("")));
}

// A folder already there is reached by its name as it is, whatever rules a
// new name must follow, so that it can be read and removed.
TEST_F(ToolTest, ExistingFoldersAreReachedByTheirNamesAsTheyAre) {
    struct Existing {
        std::string source;  // copied to `folder`
        std::string folder;
        std::vector<std::string> get;
        std::vector<std::string> remove;
    };
    const std::string medias = printerDir(kAurora) + "/Medias/";
    const std::vector<Existing> cases = {
        {printerDir(kBorealis),
         printerDir("C:Proof"),
         {"get", "C:Proof", "DllDevice"},
         {"remove", "C:Proof", "--yes"}},
        {printerDir(kBorealis),
         printerDir("Leerzeichen "),
         {"get", "Leerzeichen ", "DllDevice"},
         {"remove", "Leerzeichen ", "--yes"}},
        // A name starting with '-' follows "--".
        {printerDir(kBorealis),
         printerDir("-x"),
         {"get", "--", "-x", "DllDevice"},
         {"remove", "--yes", "--", "-x"}},
        {db(kGlanzDir),
         medias + "Fotopapier/Glanz\\Alt",
         {"get-media", kAurora, "Glanz\\Alt [Fotopapier]", "JdfAlias"},
         {"remove-media", kAurora, "Glanz\\Alt [Fotopapier]", "--yes"}},
        {db(kGlanzDir),
         medias + "C:Gruppe/ Glanz: 2 ",
         {"get-media", kAurora, " Glanz: 2 ", "--group", "C:Gruppe", "JdfAlias"},
         {"remove-media", kAurora, " Glanz: 2 ", "--group", "C:Gruppe", "--yes"}},
    };
    for (const Existing& c : cases) {
        makeDirs(std::filesystem::path(c.folder).parent_path().string());
        std::filesystem::copy(c.source, c.folder, std::filesystem::copy_options::recursive);
        const ToolRun run = tool(c.get);
        EXPECT_EQ(0, run.status) << c.folder << ": " << run.err;
        EXPECT_FALSE(run.out.empty()) << c.folder;
        const ToolRun removed = tool(c.remove);
        EXPECT_EQ(0, removed.status) << c.folder << ": " << removed.err;
        EXPECT_FALSE(pathExists(c.folder)) << c.folder;
    }
}

TEST_F(ToolTest, MissingPrintersMediasAndModesExitWithTwoAndCreateNothing) {
    const std::vector<std::vector<std::string>> calls = {
        {"show", "Nirgends"},
        {"set", "Nirgends", "PortName", "x"},
        {"medias", "Nirgends"},
        {"show-media", kAurora, "Nirgends"},
        {"show-media", kAurora, "Glanz 260", "--group", "Nirgends"},
        {"set-media", kAurora, "Nirgends [Fotopapier]", "JdfAlias", "x"},
        {"modes", kAurora, "Nirgends"},
        {"show-mode", kAurora, kGlanz, "Nirgends"},
        {"unset-mode-option", kAurora, kGlanz, "Nirgends", "Trocknungszeit"},
        {"keys", kAurora, "Nirgends"},
        {"lock", "Nirgends"},
        {"curves", kBorealis, "Normalpapier 90", "Nirgends", "--svg", "x.svg"},
        {"remove", "--yes", "Nirgends"},
    };
    const std::map<std::string, std::string> before = treeFiles(db(""));
    for (const std::vector<std::string>& call : calls) {
        const ToolRun run = tool(call);
        EXPECT_EQ(2, run.status) << call[0] << ": " << run.err;
        EXPECT_NE(std::string::npos, run.err.find("Nirgends")) << run.err;
        EXPECT_EQ(1u, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
    }
    EXPECT_EQ(before, treeFiles(db("")));
    EXPECT_FALSE(pathExists(printerDir("Nirgends")));
    EXPECT_FALSE(pathExists(db("Printers/Aurora 64/Medias/Nirgends")));
}

TEST_F(ToolTest, MediaWithoutGroupIsFoundInItsOnlyGroupAndAmbiguityIsAUsageError) {
    ToolRun run = tool({"get-media", kAurora, "Glanz 260", "JdfAlias"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(run.out, tool({"get-media", kAurora, kGlanz, "JdfAlias"}).out);
    EXPECT_EQ(run.out,
              tool({"get-media", kAurora, "Glanz 260", "--group", "Fotopapier", "JdfAlias"}).out);
    makeDirs(printerDir(kAurora) + "/Medias/Zweite");
    std::filesystem::copy(db(kGlanzDir), printerDir(kAurora) + "/Medias/Zweite/Glanz 260",
                          std::filesystem::copy_options::recursive);
    run = tool({"get-media", kAurora, "Glanz 260", "JdfAlias"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("Zweite")) << run.err;
}

}  // namespace
}  // namespace test
}  // namespace vexa
