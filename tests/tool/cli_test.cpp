// The command line itself: help texts, the manual and completions, usage
// errors, finding the repository, refused names and missing printers, medias
// and modes (nothing created).
#include <algorithm>

#include "ToolFixture.h"
#include "repos/Version.h"

namespace vexa {
namespace test {
namespace {

// The commands --help lists, read from its "Subcommands:" section.
std::vector<std::string> listedCommands() {
    std::vector<std::string> names;
    bool inside = false;
    for (const std::string& line : linesOf(runProgram(toolPath(), {"--help"}).out)) {
        if (inside && line.rfind("  ", 0) == 0) {
            names.push_back(cells(line).front());
        } else {
            inside = line == "Subcommands:";
        }
    }
    return names;
}

// What the bash completion script offers after `words` (the last one being
// typed), as bash would run it.
std::vector<std::string> bashCompletion(const std::vector<std::string>& words) {
    std::string script = "source '" VEXA_TOOL_SHARE "/vexa-repo.bash'; COMP_WORDS=(";
    for (const std::string& word : words) {
        std::string quoted = "'";
        for (const char c : word) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        script += quoted + "' ";
    }
    script += "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vexa_repo; ";
    script += "printf '%s\\n' \"${COMPREPLY[@]}\"";
    return linesOf(runProgram("/bin/bash", {"--norc", "--noprofile", "-c", script}).out);
}

// Each sub-command --help lists has its own help, also as "help COMMAND", a
// section in the manual page, and a completion in bash and, where it is
// installed, zsh (compadd and _files standing in for its completion system).
TEST(ToolHelp, EverySubCommandHasItsHelpAManualSectionAndCompletions) {
    const std::vector<std::string> commands = listedCommands();
    EXPECT_EQ(wordsOf("printers show get keys set unset copy rename remove lock medias show-media "
                      "get-media set-media unset-media copy-media remove-media modes show-mode "
                      "get-mode-option set-mode-option unset-mode-option curves check tree "
                      "convert xpath help"),
              commands);
    const std::string manual = readFile(VEXA_TOOL_MANUAL);
    ASSERT_EQ(0u, manual.find(".\\\" ")) << manual.substr(0, 200);
    EXPECT_EQ(std::string::npos, manual.find(".SS complete")) << "the hidden helper";
    const std::vector<std::string> bash = bashCompletion({toolPath(), ""});
    const std::string zsh = runProgram("/bin/sh", {"-c", "command -v zsh"}).out;
    const std::vector<std::string> zshOffers =
        zsh.empty() ? std::vector<std::string>()
                    : linesOf(runProgram(zsh.substr(0, zsh.size() - 1),
                                         {"-f", "-c",
                                          "compadd() { print -rl -- \"${(@P)2}\"; }; "
                                          "_files() { print FILES; }; eval \"_vr() { $(<$0) }\"; "
                                          "words=(\"$1\" ''); CURRENT=2; _vr",
                                          VEXA_TOOL_SHARE "/_vexa-repo", toolPath()})
                                  .out);
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const ToolRun help = runProgram(toolPath(), {command, "--help"});
        EXPECT_EQ(0, help.status);
        EXPECT_NE(std::string::npos, help.out.find("Usage: vexa-repo " + command));
        EXPECT_EQ(help.out, runProgram(toolPath(), {"help", command}).out);
        std::string troff;
        for (const char c : command) {
            troff += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        EXPECT_NE(std::string::npos, manual.find("\n.SS " + troff + "\n"));
        EXPECT_EQ(1, std::count(bash.begin(), bash.end(), command));
        EXPECT_EQ(zsh.empty() ? 0 : 1, std::count(zshOffers.begin(), zshOffers.end(), command));
    }
}

TEST(ToolHelp, TopHelpNamesExitStatusesAndKeysAndVersionIsTheLibrarys) {
    const ToolRun top = runProgram(toolPath(), {"--help"});
    EXPECT_EQ(0, top.status);
    EXPECT_EQ(top.out, runProgram(toolPath(), {"help"}).out);
    EXPECT_NE(std::string::npos, top.out.find("Exit status"));
    EXPECT_NE(std::string::npos, top.out.find("vexa-repo show -- -x"));
    // The key lists name every key a command takes, and only those.
    const ToolRun set = runProgram(toolPath(), {"set", "--help"});
    for (const char* key : {"Active", "PortName", "PortData", "VirtualPrinterExtension",
                            "DefaultPageSize", "DefaultMedia"}) {
        EXPECT_NE(std::string::npos, set.out.find(key)) << key;
    }
    EXPECT_EQ(std::string::npos, set.out.find("DllDevice"));
    const ToolRun version = runProgram(toolPath(), {"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ("vexa-repo " VEXA_REPOS_VERSION_STRING "\n", version.out);
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

// Every refusal is one line in the tool's words, never the parser's, with
// its exit status: 1 for usage errors and names that cannot be used, 2 for
// what is not there, 4 for what cannot be done. Nothing is created, not even
// a folder.
TEST_F(ToolTest, RefusalsAreOneLineWithTheirExitStatusAndReasonAndChangeNothing) {
    struct Refusal {
        int status;
        std::string reason;
        std::vector<std::string> args;
    };
    const std::string longName(256, 'x'), settings = printerDir(kBorealis) + "/.Settings.xml";
    const std::vector<Refusal> cases = {
        {1, "no command given; 'vexa-repo help' lists the commands", {}},
        {1, "unknown command 'prnters'; did you mean 'printers'?", {"prnters"}},
        {1, "unknown command 'xet'; did you mean 'get' or 'set'?", {"xet"}},
        {1, "unknown command 'shw-media'; did you mean 'show-media'?", {"help", "shw-media"}},
        {1, "unknown command 'frobnicate'; 'vexa-repo help' lists", {"frobnicate"}},
        {1, "option --repo given more than once", {"--repo", "a", "printers"}},
        {1,
         "copy-media: option --to-printer given more than once",
         {"copy-media", "P", "M", "D", "--to-printer", "a", "--to-printer", "b"}},
        {1, "show: missing argument PRINTER (see 'vexa-repo help show')", {"show"}},
        {1, "curves: missing option --svg FILE", {"curves", "P", "M", "X"}},
        {1, "printers: unknown option '--jsn'; did you mean '--json'?", {"printers", "--jsn"}},
        {1, "printers: unexpected argument 'extra'", {"printers", "extra"}},
        {1, "'-x'; a name starting with '-' goes after '--'", {"get", "-x", "PortName"}},
        {1, "option --wait takes seconds (0 or more), not '-1'", {"--wait", "-1", "printers"}},
        {1, "--seconds takes seconds (0 or more), not 'soon'", {"lock", "P", "--seconds", "soon"}},
        {1, "printers: option --repo needs a value", {"printers", "--repo"}},
        // Names that would reach past their folder.
        {1, "'../db' is not a printer name", {"show", "../db"}},
        {1, "'..' is not a printer name", {"get", "..", "PortName"}},
        {1, "'.' is not a printer name", {"set", ".", "PortName", "x"}},
        {1, "invalid printer name 'x/y'", {"copy", kAurora, "x/y"}},
        {1, "invalid printer name '..'", {"copy", kAurora, ".."}},
        {1, "invalid printer name 'a\\b'", {"rename", kAurora, "a\\b"}},
        {1, "'Aurora 64/Medias' is not a printer name", {"remove", "--yes", "Aurora 64/Medias"}},
        {1, "'a/b' is not a media name", {"show-media", kAurora, "a/b"}},
        {1,
         "'../Fotopapier' is not a group name",
         {"show-media", kAurora, "Glanz 260", "--group", "../Fotopapier"}},
        {1, "invalid media group name 'a/b'", {"copy-media", kAurora, kGlanz, "Neu [a/b]"}},
        {1, "'..' is not a mode name", {"show-mode", kAurora, kGlanz, ".."}},
        {1, "'a/b' is not an option", {"set-mode-option", kAurora, kGlanz, kFotoMode, "a/b", "x"}},
        {1, "'a*' is not an option", {"set-mode-option", kAurora, kGlanz, kFotoMode, "a*", "x"}},
        // New names the library's rules refuse, as they could not be used again.
        {1, "invalid media name '*Stern'", {"copy-media", kAurora, kGlanz, "*Stern"}},
        {1, "with one group", {"copy-media", kAurora, kGlanz, "a [b] [c]"}},
        {1, "group name 'Gruppe ': begins", {"copy-media", kAurora, kGlanz, "Glanz [Gruppe ]"}},
        {1, "'Tab\\x09Glanz': holds a control", {"copy-media", kAurora, kGlanz, "Tab\tGlanz"}},
        {1, "media name 'Leerzeichen ': begins", {"copy-media", kAurora, kGlanz, "Leerzeichen "}},
        {1, "printer name 'Leerzeichen ': begins", {"copy", kAurora, "Leerzeichen "}},
        {1, "longer than 255 bytes", {"copy", kAurora, longName}},
        {1, "'Tab\\x09Name': holds a control character", {"rename", kAurora, "Tab\tName"}},
        {1, "'Zeile\\x0aZwei': holds a control character", {"rename", kAurora, "Zeile\nZwei"}},
        // What is not there.
        {2, "no printer 'Nirgends'", {"show", "Nirgends"}},
        {2, "no printer 'Nirgends'", {"set", "Nirgends", "PortName", "x"}},
        {2, "no printer 'Nirgends'", {"medias", "Nirgends"}},
        {2, "has no media 'Nirgends'", {"show-media", kAurora, "Nirgends"}},
        {2,
         "has no media 'Glanz 260 [Nirgends]'",
         {"show-media", kAurora, "Glanz 260", "--group", "Nirgends"}},
        {2,
         "has no media 'Nirgends [Fotopapier]'",
         {"set-media", kAurora, "Nirgends [Fotopapier]", "JdfAlias", "x"}},
        {2, "has no media 'Nirgends'", {"modes", kAurora, "Nirgends"}},
        {2, "has no mode 'Nirgends'", {"show-mode", kAurora, kGlanz, "Nirgends"}},
        {2,
         "has no mode 'Nirgends'",
         {"unset-mode-option", kAurora, kGlanz, "Nirgends", "Trocknungszeit"}},
        {2, "has no media 'Nirgends'", {"keys", kAurora, "Nirgends"}},
        {2, "no printer 'Nirgends'", {"lock", "Nirgends"}},
        {2,
         "has no mode 'Nirgends'",
         {"curves", kBorealis, "Normalpapier 90", "Nirgends", "--svg", "x.svg"}},
        {2, "no printer 'Nirgends'", {"remove", "--yes", "Nirgends"}},
        {2,
         "no ink or level curves",
         {"curves", kBorealis, "Normalpapier 90", "360x360 Entwurf", "--svg", repo() + "/k.svg"}},
        {2, "cannot open '" + repo() + "/fehlt.xml'", {"tree", repo() + "/fehlt.xml"}},
        // Values of leaf nodes do not survive the brace format.
        {4,
         "without loss: attribute 'value' of 'Printer/DllDevice' does not read back",
         {"convert", "--to", "brace", settings, repo() + "/drucker ü.txt"}},
    };
    const std::vector<std::string> paths = treePaths(repo());
    const std::map<std::string, std::string> files = treeFiles(repo());
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.reason);
        const ToolRun run = tool(c.args);
        EXPECT_EQ(c.status, run.status);
        EXPECT_EQ(0u, run.err.rfind("vexa-repo: ", 0)) << run.err;
        EXPECT_NE(std::string::npos, run.err.find(c.reason)) << run.err;
        EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
        EXPECT_EQ("", run.out);
    }
    EXPECT_EQ(paths, treePaths(repo()));
    EXPECT_EQ(files, treeFiles(repo()));
}

TEST_F(ToolTest, RepositoryComesFromRepoOptionOrEnvironment) {
    // An installed tool with a "db" beside it, which never takes precedence
    // over --repo.
    const std::string installed = m_dir.path() + "/installed/bin/vexa-repo";
    makeDirs(m_dir.path() + "/installed/db/Printers/Beside");
    makeDirs(m_dir.path() + "/installed/bin");
    writeFile(m_dir.path() + "/installed/db/Printers/Beside/.Settings.xml",
              "<node name=\"Printer\"><node name=\"PortName\" value=\"keep\"/></node>");
    writeFile(installed, readFile(toolPath()));
    ASSERT_EQ(0, ::chmod(installed.c_str(), 0755));
    struct Case {
        std::string program;
        std::vector<std::string> args;
        std::string install;  // VEXA_INSTALL, when not empty
        int status;
        std::string out;  // found in standard output
        std::string err;  // found in standard error
    };
    const std::string built = toolPath(), found = repo() + "/db";
    const std::vector<Case> cases = {
        {built, {"--repo", repo(), "-v", "printers"}, "", 0, kAurora, found},
        // Global options may follow the sub-command; flags may repeat.
        {built, {"printers", "--repo", repo(), "-v"}, "", 0, kAurora, found},
        {built, {"-q", "-q", "printers", "--json", "--json", "--repo", repo()}, "", 0, kAurora, ""},
        {built, {"-v", "printers"}, repo(), 0, kAurora, found},
        // The "db" folder itself is taken too.
        {built, {"--repo", found, "printers"}, "", 0, kAurora, ""},
        {built, {"--repo", repo() + "/missing", "printers"}, "", 2, "", "missing"},
        {built, {"--repo", db("Printers"), "printers"}, "", 2, "", "\"db\""},
        {installed, {"--repo", repo(), "-v", "printers"}, "", 0, kAurora, "set by the host"},
        {installed, {"--repo", repo(), "set", kAurora, "PortName", "X"}, "", 0, "", ""},
        {built, {"--repo", repo(), "get", kAurora, "PortName"}, "", 0, "X\n", ""},
        // Without --repo the search finds the installed one first, and says so.
        {installed, {"-v", "printers"}, repo(), 0, "Beside", "beside the program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " " + c.args.front() + " " + c.args.back());
        std::vector<std::string> env;
        if (!c.install.empty()) {
            env.push_back("VEXA_INSTALL=" + c.install);
        }
        const ToolRun run = runProgram(c.program, c.args, {"", env});
        EXPECT_EQ(c.status, run.status) << run.err;
        EXPECT_NE(std::string::npos, run.out.find(c.out)) << run.out;
        EXPECT_NE(std::string::npos, run.err.find(c.err)) << run.err;
    }
    EXPECT_FALSE(pathExists(repo() + "/missing"));
    EXPECT_EQ("", tool({"-v", "-q", "printers"}).err);
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
    for (const std::vector<std::string>& call : calls) {
        std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" > /dev/full", toolPath(),
                                          "--repo", repo()};
        shell.insert(shell.end(), call.begin(), call.end());
        const ToolRun run = runProgram("/bin/sh", shell);
        EXPECT_EQ(4, run.status) << call.back() << ": " << run.err;
        EXPECT_EQ("vexa-repo: cannot write standard output: No space left on device\n", run.err);
    }
}

// A folder already there is reached by its name as it is, whatever rules a
// new name must follow, so that it can be read and removed.
TEST_F(ToolTest, ExistingFoldersAreReachedByTheirNamesAsTheyAre) {
    const auto recursive = std::filesystem::copy_options::recursive;
    // A name starting with '-' follows "--".
    for (const std::string name : {"C:Proof", "Leerzeichen ", "-x"}) {
        std::filesystem::copy(printerDir(kBorealis), printerDir(name), recursive);
        EXPECT_EQ(0, tool({"get", "--", name, "DllDevice"}).status) << name;
        EXPECT_EQ(0, tool({"remove", "--yes", "--", name}).status) << name;
        EXPECT_FALSE(pathExists(printerDir(name))) << name;
    }
    const std::string medias = printerDir(kAurora) + "/Medias/";
    makeDirs(medias + "C:Gruppe");
    std::filesystem::copy(db(kGlanzDir), medias + "Fotopapier/Glanz\\Alt", recursive);
    std::filesystem::copy(db(kGlanzDir), medias + "C:Gruppe/ Glanz: 2 ", recursive);
    EXPECT_EQ(0, tool({"get-media", kAurora, "Glanz\\Alt [Fotopapier]", "JdfAlias"}).status);
    EXPECT_EQ(0, tool({"remove-media", kAurora, "Glanz\\Alt [Fotopapier]", "--yes"}).status);
    EXPECT_EQ(0,
              tool({"get-media", kAurora, " Glanz: 2 ", "--group", "C:Gruppe", "JdfAlias"}).status);
    EXPECT_EQ(0, tool({"remove-media", kAurora, " Glanz: 2 ", "--group", "C:Gruppe", "-y"}).status);
    EXPECT_FALSE(pathExists(medias + "Fotopapier/Glanz\\Alt"));
    EXPECT_FALSE(pathExists(medias + "C:Gruppe/ Glanz: 2 "));
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
