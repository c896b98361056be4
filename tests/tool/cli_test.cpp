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
                                            "set",
                                            "copy",
                                            "rename",
                                            "remove",
                                            "medias",
                                            "show-media",
                                            "get-media",
                                            "set-media",
                                            "copy-media",
                                            "remove-media",
                                            "modes",
                                            "show-mode",
                                            "get-mode-option",
                                            "set-mode-option",
                                            "curves",
                                            "check",
                                            "tree",
                                            "convert",
                                            "xpath"};

TEST(ToolHelp, ListsEverySubCommandAndEachHasItsOwnHelp) {
    const ToolRun top = runProgram(toolPath(), {"--help"});
    EXPECT_EQ(0, top.status);
    for (const std::string& command : kCommands) {
        EXPECT_NE(std::string::npos, top.out.find("  " + command + " ")) << command;
        const ToolRun help = runProgram(toolPath(), {command, "--help"});
        EXPECT_EQ(0, help.status) << command;
        EXPECT_NE(std::string::npos, help.out.find("Usage:")) << command;
    }
    EXPECT_NE(std::string::npos, top.out.find("Exit status"));
    // The key lists name every key a command takes.
    const ToolRun set = runProgram(toolPath(), {"set", "--help"});
    for (const char* key : {"Active", "PortName", "PortData", "VirtualPrinterExtension",
                            "DefaultPageSize", "DefaultMedia"}) {
        EXPECT_NE(std::string::npos, set.out.find(key)) << key;
    }
    EXPECT_EQ(std::string::npos, set.out.find("DllDevice"));
}

TEST(ToolHelp, UsageErrorsExitWithOne) {
    EXPECT_EQ(1, runProgram(toolPath(), {}).status);
    EXPECT_EQ(1, runProgram(toolPath(), {"no-such-command"}).status);
    EXPECT_EQ(1, runProgram(toolPath(), {"show"}).status);
    EXPECT_EQ(1, runProgram(toolPath(), {"printers", "--no-such-option"}).status);
}

TEST_F(ToolTest, RepositoryComesFromRepoOptionOrEnvironment) {
    ToolRun run = tool({"-v", "printers"});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.err.find(repo() + "/db")) << run.err;
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
        {"get-mode-option", kAurora, kGlanz, kFotoMode, "Nirgends"},
        {"set", kAurora, "DefaultMedia", "Nirgends [Fotopapier]"},
        {"set-media", kAurora, kGlanz, "DefaultMode", "Nirgends"},
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
