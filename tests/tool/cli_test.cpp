// The command line itself: help texts, usage errors, finding the repository,
// refused names and missing printers, medias and modes (nothing created).
#include <algorithm>

#include "ToolFixture.h"

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
}

TEST_F(ToolTest, NamesWithSeparatorsOrDotsAreRefused) {
    const std::vector<std::vector<std::string>> calls = {
        {"show", "../db"},
        {"show", "a\\b"},
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
