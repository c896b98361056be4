// Changing the repository through the tool: every set read back by get in a
// new process and found in the settings file; copies, renames and removals
// checked on disk; a folder locked by another process.
#include <wx/wfstream.h>

#include <algorithm>

#include "ToolFixture.h"
#include "kernel/Text.h"
#include "repos/FileLock.h"
#include "repos/Settings.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace {

// The attribute `attribute` of the first node at `key` in a settings file;
// "<absent>" without such a node.
std::string fileValue(const std::string& path, const std::string& key,
                      const std::string& attribute = "value") {
    wxFileInputStream in(kernel::fromMB(path));
    boost::shared_ptr<repos::Settings> settings =
        in.IsOk() ? repos::SettingsManager::GetSettings(in) : boost::shared_ptr<repos::Settings>();
    if (!settings) {
        return "<no settings>";
    }
    const std::list<repos::NamedNode::Ptr> nodes =
        repos::SettingsAccess::findNodes(*settings, kernel::fromMB(key));
    return nodes.empty() ? "<absent>"
                         : kernel::toMB(nodes.front()->getAttribute(kernel::fromMB(attribute)));
}

class ChangeTest : public ToolTest {
  protected:
    std::string settingsOf(const std::string& folder) const { return folder + "/.Settings.xml"; }
    std::string glanz() const { return db(kGlanzDir); }

    void expectSet(std::vector<std::string> set, std::vector<std::string> get,
                   const std::string& value) {
        set.push_back(value);
        const ToolRun changed = tool(set);
        EXPECT_EQ(0, changed.status) << set[0] << ": " << changed.err;
        const ToolRun read = tool(get);
        EXPECT_EQ(0, read.status) << read.err;
        EXPECT_EQ(value + "\n", read.out) << get.back();
    }
};

TEST_F(ChangeTest, EveryPrinterSetIsReadBackAndWritten) {
    const std::string file = settingsOf(printerDir(kAurora));
    const std::vector<std::pair<std::string, std::string>> changes = {
        {"PortName", "Ünit Ω"},
        {"PortData", "//srv/ﾌﾟﾘﾝﾀ"},
        {"VirtualPrinterExtension", "vxé"},
        {"DefaultPageSize", "Bogen 50×70"},
    };
    for (const auto& change : changes) {
        expectSet({"set", kAurora, change.first}, {"get", kAurora, change.first}, change.second);
        EXPECT_EQ(change.second, fileValue(file, "Printer/" + change.first));
    }
    expectSet({"set", kAurora, "DefaultMedia"}, {"get", kAurora, "DefaultMedia"},
              "Seidenmatt 240 [Fotopapier]");
    EXPECT_EQ("Seidenmatt 240", fileValue(file, "Printer/DefaultMedia", "media"));
    EXPECT_EQ("Fotopapier", fileValue(file, "Printer/DefaultMedia", "group"));
    expectSet({"set", kAurora, "DefaultMedia"}, {"get", kAurora, "DefaultMedia"},
              "Proof Semimatt 195");
    EXPECT_EQ("_Ungrouped_", fileValue(file, "Printer/DefaultMedia", "group"));

    // Keys in any case; flags in their usual spellings.
    EXPECT_EQ(0, tool({"set", kBorealis, "printer/active", "YES"}).status);
    EXPECT_EQ("true\n", tool({"get", kBorealis, "Active"}).out);
    EXPECT_EQ(0, tool({"set", kBorealis, "Active", "off"}).status);
    EXPECT_EQ("false", fileValue(settingsOf(printerDir(kBorealis)), "Printer/Active"));
    const Json printers = parseJson(tool({"printers", "--json"}).out);
    EXPECT_FALSE(printers[1]["active"].get<bool>());

    // Refused values change nothing.
    const std::string before = readFile(file);
    EXPECT_EQ(1, tool({"set", kAurora, "Active", "vielleicht"}).status);
    EXPECT_EQ(1, tool({"set", kAurora, "DllDevice", "x"}).status);
    EXPECT_EQ(1, tool({"set", kAurora, "NoSuchKey", "x"}).status);
    EXPECT_EQ(before, readFile(file));
}

TEST_F(ChangeTest, MediaValuesAndModeOptionsAreReadBackAndWritten) {
    for (const char* key : {"JdfAlias", "JdfQualityModeHigh", "JdfQualityModeNormal",
                            "JdfQualityModeDraft", "DefaultMode"}) {
        expectSet({"set-media", kAurora, kGlanz, key}, {"get-media", kAurora, kGlanz, key},
                  kJapaneseMode);
        EXPECT_EQ(kJapaneseMode, fileValue(settingsOf(glanz()), std::string("Media/") + key));
    }
    EXPECT_EQ(1, tool({"set-media", kAurora, kGlanz, "LabelChannel", "3"}).status);

    const std::string mode = glanz() + "/Modes/" + kJapaneseMode;
    expectSet({"set-mode-option", kAurora, kGlanz, kJapaneseMode, "Düsenprüfung"},
              {"get-mode-option", kAurora, kGlanz, kJapaneseMode, "Düsenprüfung"}, "täglich");
    EXPECT_EQ("täglich", fileValue(settingsOf(mode), "Mode/PrinterSettings/Düsenprüfung"));
    // Options set before stay.
    EXPECT_EQ("光沢紙 用\n", tool({"get-mode-option", kAurora, kGlanz, kJapaneseMode, "メモ"}).out);
}

TEST_F(ChangeTest, CopyRenameAndRemoveAPrinterOnDisk) {
    const std::map<std::string, std::string> source = treeFiles(printerDir(kAurora));
    ToolRun run = tool({"copy", kAurora, "Kopie Ä"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;  // no progress bar without a terminal
    EXPECT_EQ(source, treeFiles(printerDir("Kopie Ä")));
    EXPECT_TRUE(pathExists(printerDir("Kopie Ä") + "/.lock"));
    EXPECT_EQ(source, treeFiles(printerDir(kAurora)));
    const Json original = parseJson(tool({"show", kAurora, "--json"}).out);
    Json copy = parseJson(tool({"show", "Kopie Ä", "--json"}).out);
    copy["printer"] = original["printer"];
    copy["folder"] = original["folder"];
    EXPECT_EQ(original, copy);
    EXPECT_EQ(4, tool({"copy", kAurora, kBorealis}).status);
    EXPECT_EQ(4, tool({"copy", kAurora, "Kopie Ä"}).status);

    run = tool({"rename", "Kopie Ä", "Umbenannt"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_FALSE(pathExists(printerDir("Kopie Ä")));
    EXPECT_EQ(source, treeFiles(printerDir("Umbenannt")));
    EXPECT_EQ(4, tool({"rename", "Umbenannt", kBorealis}).status);
    EXPECT_TRUE(pathExists(printerDir("Umbenannt")));

    run = tool({"remove", "Umbenannt"}, "n\n");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("Remove printer 'Umbenannt'"));
    EXPECT_TRUE(pathExists(printerDir("Umbenannt")));
    EXPECT_EQ(1, tool({"remove", "Umbenannt"}).status);  // no answer at all
    EXPECT_TRUE(pathExists(printerDir("Umbenannt")));
    EXPECT_EQ(0, tool({"remove", "Umbenannt"}, "yes\n").status);
    EXPECT_FALSE(pathExists(printerDir("Umbenannt")));
    EXPECT_EQ(0, tool({"remove", "--yes", kBorealis}).status);
    EXPECT_FALSE(pathExists(printerDir(kBorealis)));
    const Json left = parseJson(tool({"printers", "--json"}).out);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(kAurora, left[0]["name"]);
}

TEST_F(ChangeTest, CopyAndRemoveMediasOnDisk) {
    const std::map<std::string, std::string> source = treeFiles(glanz());
    ToolRun run = tool({"copy-media", kAurora, kGlanz, "Glanz Kopie"});
    ASSERT_EQ(0, run.status) << run.err;
    const std::string sameGroup = printerDir(kAurora) + "/Medias/Fotopapier/Glanz Kopie";
    EXPECT_EQ(source, treeFiles(sameGroup));
    EXPECT_FALSE(pathExists(sameGroup + "/.invalid"));
    run =
        tool({"copy-media", kAurora, kGlanz, "Glänzend [Neue Gruppe]", "--to-printer", kBorealis});
    ASSERT_EQ(0, run.status) << run.err;
    const std::string elsewhere = printerDir(kBorealis) + "/Medias/Neue Gruppe/Glänzend";
    EXPECT_EQ(source, treeFiles(elsewhere));
    const ToolRun listed = tool({"medias", kBorealis});
    EXPECT_NE(std::string::npos, listed.out.find("Glänzend [Neue Gruppe]")) << listed.out;
    EXPECT_EQ(0, tool({"show-mode", kBorealis, "Glänzend [Neue Gruppe]", kJapaneseMode}).status);
    EXPECT_EQ(4, tool({"copy-media", kAurora, kGlanz, "Seidenmatt 240"}).status);

    run = tool({"remove-media", kAurora, "Glanz Kopie"}, "n\n");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(pathExists(sameGroup));
    EXPECT_EQ(0, tool({"remove-media", kAurora, "Glanz Kopie"}, "y\n").status);
    EXPECT_FALSE(pathExists(sameGroup));
    EXPECT_EQ(source, treeFiles(glanz()));
    // The last media of a group takes its group folder along.
    EXPECT_EQ(0, tool({"remove-media", "-y", kBorealis, "Glänzend [Neue Gruppe]"}).status);
    EXPECT_FALSE(pathExists(printerDir(kBorealis) + "/Medias/Neue Gruppe"));
}

TEST_F(ChangeTest, CopiesDrawProgressOnATerminalOnly) {
    const ToolRun run =
        runProgram(toolPath(), {"--repo", repo(), "copy", kAurora, "Kopie"}, "", {}, true);
    ASSERT_EQ(0, run.status) << run.err;
    // The last state of the bar: every file handled (lock files are counted
    // though skipped).
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(printerDir(kAurora))) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    const std::string done = std::to_string(files) + "/" + std::to_string(files) + " files";
    EXPECT_NE(std::string::npos, run.err.find("100%  " + done)) << run.err;
    const ToolRun quiet = tool({"copy-media", kAurora, kGlanz, "Still"});
    EXPECT_EQ(0, quiet.status);
    EXPECT_EQ("", quiet.err);
}

TEST_F(ChangeTest, AFolderLockedByAnotherProcessGivesExitThreeAndChangesNothing) {
    const std::string file = settingsOf(printerDir(kAurora));
    const std::string before = readFile(file);
    {
        // This test process is the other process.
        const repos::FileLockPtr lock = repos::FileLock::create(
            vfs::openLocalFolder(vfs::createFileName(kernel::fromMB(printerDir(kAurora)))));
        repos::WriteFileLocker held(lock);
        ASSERT_TRUE(held.holdsLock());
        const ToolRun run = tool({"set", kAurora, "PortName", "gesperrt"});
        EXPECT_EQ(3, run.status);
        EXPECT_LT(run.seconds, 3.0);
        EXPECT_NE(std::string::npos, run.err.find("printer 'Aurora 64' is locked")) << run.err;
        EXPECT_EQ(before, readFile(file));
        const Json printers = parseJson(tool({"printers", "--json"}).out);
        EXPECT_EQ("locked", printers[0]["state"]);
        EXPECT_EQ("ok", printers[1]["state"]);
    }
    {
        const repos::FileLockPtr lock = repos::FileLock::create(
            vfs::openLocalFolder(vfs::createFileName(kernel::fromMB(glanz()))));
        repos::WriteFileLocker held(lock);
        const ToolRun run = tool({"set-media", kAurora, kGlanz, "JdfAlias", "x"});
        EXPECT_EQ(3, run.status);
        EXPECT_NE(std::string::npos, run.err.find("media 'Glanz 260 [Fotopapier]'")) << run.err;
    }
    EXPECT_EQ(0, tool({"set", kAurora, "PortName", "frei"}).status);
    EXPECT_EQ("frei", fileValue(file, "Printer/PortName"));
}

}  // namespace
}  // namespace test
}  // namespace vexa
