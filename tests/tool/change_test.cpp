// Changing the repository through the tool: every set read back by get in a
// new process and found in the settings file; copies, renames and removals
// checked on disk; folders locked by another process, broken ones, a user
// who may only read, and a copy stopped by a signal.
#include <signal.h>
#include <sys/inotify.h>

#include <algorithm>

#include "ToolFixture.h"
#include "kernel/Text.h"
#include "printer/PrinterFixture.h"
#include "repos/FileLock.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace {

// True when a line of `text` holds both `a` and `b`.
bool lineWith(const std::string& text, const std::string& a, const std::string& b) {
    const std::vector<std::string> lines = linesOf(text);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(a) != std::string::npos && line.find(b) != std::string::npos;
    });
}

// Waits until an entry `name` is created where `watch` (an inotify handle)
// looks, or until the program whose standard output is `out` ends. False
// when it ended first.
bool awaitCreated(int watch, const std::string& name, int out) {
    for (;;) {
        pollfd fds[2] = {{watch, POLLIN, 0}, {out, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[1].revents != 0) {
            return false;  // the program ended (or wrote what a copy never writes)
        }
        if (fds[0].revents == 0) {
            continue;
        }
        alignas(inotify_event) char buffer[4096];
        const ssize_t got = ::read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name == event->name) {
                return true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
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

// A value naming what is not there is refused with the reason, the file
// untouched; --force sets it, and check then names it.
TEST_F(ChangeTest, ReferencesToNothingAreRefusedUnlessForced) {
    struct Dangling {
        std::vector<std::string> set;  // without the value
        std::string value;
        std::string file;
    };
    const std::vector<Dangling> cases = {
        {{"set", kAurora, "DefaultMedia"},
         "Nirgends [Fotopapier]",
         settingsOf(printerDir(kAurora))},
        {{"set", kAurora, "DefaultPageSize"}, "A0", settingsOf(printerDir(kAurora))},
        {{"set-media", kAurora, kGlanz, "DefaultMode"}, "Nirgends", settingsOf(glanz())},
        {{"set-media", kAurora, kGlanz, "JdfQualityModeDraft"}, "Entwurf", settingsOf(glanz())},
    };
    for (const Dangling& c : cases) {
        const std::string before = readFile(c.file);
        std::vector<std::string> call = c.set;
        call.push_back(c.value);
        const ToolRun refused = tool(call);
        EXPECT_EQ(1, refused.status) << c.value;
        EXPECT_NE(std::string::npos, refused.err.find(c.value + "' (--force sets it anyway)"))
            << refused.err;
        EXPECT_EQ(before, readFile(c.file)) << c.value;
        call.push_back("--force");
        EXPECT_EQ(0, tool(call).status) << c.value;
    }
    const ToolRun check = tool({"check"});
    EXPECT_EQ(4, check.status);
    for (const Dangling& c : cases) {
        EXPECT_TRUE(lineWith(check.out, c.set.back() + " '" + c.value + "'", "not"))
            << c.value << "\n"
            << check.out;
    }
}

// git's rule for every get: a key that is not set prints nothing and exits
// with 1. Unset leaves an empty value (the library cannot remove a node),
// which reads as unset; unsetting it again writes nothing.
TEST_F(ChangeTest, UnsetKeysReadAsUnsetByEveryGet) {
    const std::string mode = glanz() + "/Modes/" + kFotoMode;
    struct Unset {
        std::vector<std::string> unset;  // empty: never set in the sample
        std::vector<std::string> get;
        std::string file;
        std::string node;
    };
    const std::vector<Unset> cases = {
        {{"unset", kAurora, "PortData"},
         {"get", kAurora, "PortData"},
         settingsOf(printerDir(kAurora)),
         "Printer/PortData"},
        {{"unset", kAurora, "defaultmedia"},
         {"get", kAurora, "DefaultMedia"},
         settingsOf(printerDir(kAurora)),
         "Printer/DefaultMedia"},
        {{"unset-media", kAurora, kGlanz, "JdfAlias"},
         {"get-media", kAurora, kGlanz, "JdfAlias", "--json"},
         settingsOf(glanz()),
         "Media/JdfAlias"},
        {{"unset-mode-option", kAurora, kGlanz, kFotoMode, "Trocknungszeit"},
         {"get-mode-option", kAurora, kGlanz, kFotoMode, "Trocknungszeit"},
         settingsOf(mode),
         "Mode/PrinterSettings/Trocknungszeit"},
        {{}, {"get", kBorealis, "PPDFile"}, "", ""},
        {{}, {"get-mode-option", kAurora, kGlanz, kFotoMode, "Nirgends", "--json"}, "", ""},
    };
    for (const Unset& c : cases) {
        if (!c.unset.empty()) {
            EXPECT_EQ(0, tool(c.get).status) << c.node;
            const ToolRun run = tool(c.unset);
            EXPECT_EQ(0, run.status) << c.node << ": " << run.err;
            EXPECT_EQ("", fileValue(c.file, c.node,
                                    c.node == "Printer/DefaultMedia" ? "media" : "value"));
            const std::string after = readFile(c.file);
            EXPECT_EQ(0, tool(c.unset).status) << c.node;
            EXPECT_EQ(after, readFile(c.file)) << c.node;
        }
        const ToolRun got = tool(c.get);
        EXPECT_EQ(1, got.status) << c.get[2];
        EXPECT_EQ("", got.out) << c.get[2];
        EXPECT_EQ("", got.err) << c.get[2];
    }
    // Active has no unset state (absent reads as true); read-only keys
    // cannot be unset either.
    EXPECT_EQ(1, tool({"unset", kAurora, "Active"}).status);
    EXPECT_EQ(1, tool({"unset", kAurora, "TCPPortAdd"}).status);
    EXPECT_EQ(1, tool({"unset-media", kAurora, kGlanz, "LabelChannel"}).status);
}

// An operator holds a printer's lock as a writer would: every other process
// finds it locked until the lock command is interrupted.
TEST_F(ChangeTest, ALockHeldByTheToolKeepsOthersOutUntilInterrupted) {
    Started lock = startTool({"lock", kAurora, "--seconds", "30"});
    const std::string line = lock.awaitLine();
    EXPECT_NE(std::string::npos, line.find("holding the lock of printer 'Aurora 64'")) << line;
    const ToolRun held = tool({"--wait", "0", "get", kAurora, "PortName"});
    EXPECT_EQ(3, held.status) << held.err;
    ::kill(lock.pid, SIGINT);
    const ToolRun ended = lock.finish();
    EXPECT_EQ(0, ended.status) << ended.err;
    EXPECT_EQ(line + "\n", ended.out);
    const ToolRun free = tool({"--wait", "0", "get", kAurora, "PortName"});
    EXPECT_EQ(0, free.status) << free.err;
    EXPECT_EQ("TCPIP\n", free.out);
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

    run = tool({"remove", "Umbenannt"}, {"n\n"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("Remove printer 'Umbenannt'"));
    EXPECT_TRUE(pathExists(printerDir("Umbenannt")));
    EXPECT_EQ(1, tool({"remove", "Umbenannt"}).status);  // no answer at all
    EXPECT_TRUE(pathExists(printerDir("Umbenannt")));
    EXPECT_EQ(0, tool({"remove", "Umbenannt"}, {"yes\n"}).status);
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

    run = tool({"remove-media", kAurora, "Glanz Kopie"}, {"n\n"});
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(pathExists(sameGroup));
    EXPECT_EQ(0, tool({"remove-media", kAurora, "Glanz Kopie"}, {"y\n"}).status);
    EXPECT_FALSE(pathExists(sameGroup));
    EXPECT_EQ(source, treeFiles(glanz()));
    // The last media of a group takes its group folder along.
    EXPECT_EQ(0, tool({"remove-media", "-y", kBorealis, "Glänzend [Neue Gruppe]"}).status);
    EXPECT_FALSE(pathExists(printerDir(kBorealis) + "/Medias/Neue Gruppe"));
}

TEST_F(ChangeTest, CopiesDrawProgressOnATerminalOnly) {
    const ToolRun run =
        runProgram(toolPath(), {"--repo", repo(), "copy", kAurora, "Kopie"}, {"", {}, true});
    ASSERT_EQ(0, run.status) << run.err;
    // The last state of the bar: every file handled (lock files are counted
    // though skipped).
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(printerDir(kAurora))) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    const std::string done = std::to_string(files) + "/" + std::to_string(files) + " files";
    EXPECT_NE(std::string::npos, run.err.find("100%  " + done)) << run.err;
    const ToolRun piped = tool({"copy-media", kAurora, kGlanz, "Still"});
    EXPECT_EQ(0, piped.status);
    EXPECT_EQ("", piped.err);
    const ToolRun quiet =
        runProgram(toolPath(), {"-q", "--repo", repo(), "copy", kAurora, "Leise"}, {"", {}, true});
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
        EXPECT_NE(std::string::npos, run.err.find("printer 'Aurora 64'")) << run.err;
        EXPECT_NE(std::string::npos, run.err.find("locked by another process")) << run.err;
        // --wait: one try, or a batch job's patience.
        const ToolRun once = tool({"--wait", "0", "set", kAurora, "PortName", "gesperrt"});
        const ToolRun patient = tool({"--wait", "2", "set", kAurora, "PortName", "gesperrt"});
        EXPECT_EQ(3, once.status);
        EXPECT_EQ(3, patient.status);
        EXPECT_GE(patient.seconds, 1.9);
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

// A user who may only read the repository (another user's files) reads its
// values; a change fails with the operating system's reason, never as
// "locked", and leaves the file as it was.
TEST_F(ChangeTest, AUserWhoMayOnlyReadGetsValuesAndIsToldWhyHeCannotSet) {
    const std::string file = settingsOf(printerDir(kAurora));
    const std::string before = readFile(file);
    chmodTree(m_dir.path(), 0555, 0444);
    Launch reader;
    reader.withoutRoot = true;
    const ToolRun get = tool({"get", kAurora, "PortName"}, reader);
    const ToolRun set = tool({"set", kAurora, "PortName", "USB009"}, reader);
    chmodTree(m_dir.path(), 0755, 0644);
    if (get.status == kCannotDropRoot) {
        GTEST_SKIP() << "no user without root to run the tool as";
    }
    EXPECT_EQ(0, get.status) << get.err;
    EXPECT_EQ(fileValue(file, "Printer/PortName") + "\n", get.out);
    EXPECT_EQ(4, set.status) << set.err;
    EXPECT_NE(std::string::npos, set.err.find("Permission denied")) << set.err;
    EXPECT_NE(std::string::npos, set.err.find(printerDir(kAurora) + "/")) << set.err;
    EXPECT_EQ(before, readFile(file));
}

// A printer whose settings file has the root of another kind is named by
// check and refused by set with the file's path; it is removed whole, and so
// is a media whose settings are empty. (check reports empty, cut and
// half-removed settings of every kind through one function, which the check
// test of a sample seeded with problems covers.)
TEST_F(ChangeTest, BrokenPrintersAndMediasAreReportedAndRemovedWhole) {
    std::string otherRoot = readFile(settingsOf(printerDir(kAurora)));
    otherRoot.replace(otherRoot.find("name=\"Printer\""), 14, "name=\"Media\"");
    std::filesystem::copy(printerDir(kAurora), printerDir("Andere Wurzel"),
                          std::filesystem::copy_options::recursive);
    const std::string wrongRoot = settingsOf(printerDir("Andere Wurzel"));
    writeFile(wrongRoot, otherRoot);
    writeFile(settingsOf(glanz()), "");

    const ToolRun check = tool({"check"});
    EXPECT_EQ(4, check.status);
    EXPECT_TRUE(lineWith(check.out, "Printers/Andere Wurzel/.Settings.xml: ",
                         "root node 'Media' where 'Printer' belongs"))
        << check.out;
    const ToolRun set = tool({"set", "Andere Wurzel", "PortName", "x"});
    EXPECT_EQ(4, set.status);
    EXPECT_NE(std::string::npos, set.err.find(wrongRoot)) << set.err;
    EXPECT_EQ(otherRoot, readFile(wrongRoot));

    const ToolRun run = tool({"remove", "Andere Wurzel", "--yes"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_FALSE(pathExists(printerDir("Andere Wurzel")));
    const ToolRun media = tool({"remove-media", kAurora, kGlanz, "--yes"});
    EXPECT_EQ(0, media.status) << media.err;
    EXPECT_FALSE(pathExists(glanz()));
}

// SIGINT or SIGTERM while a copy runs: the copy stops before its next file,
// what it made is removed, and the tool ends as the shell reports a signal
// (128 + its number), in one line.
TEST_F(ChangeTest, ASignalDuringACopyLeavesNoHalfMadeCopy) {
    struct Interrupted {
        int signal;
        std::vector<std::string> call;
        std::string source;
        std::string folder;  // where the copy appears
    };
    const std::vector<Interrupted> cases = {
        {SIGINT, {"copy", kAurora, "Kopie"}, printerDir(kAurora), db("Printers")},
        {SIGTERM,
         {"copy-media", kAurora, kGlanz, "Kopie"},
         glanz(),
         printerDir(kAurora) + "/Medias/Fotopapier"},
    };
    for (const Interrupted& c : cases) {
        SCOPED_TRACE(c.call[0]);
        // The signal comes as the copy starts; with two large files the
        // filter is asked at least once more after it, whatever the order.
        for (const char* name : {"/gross-1.bin", "/gross-2.bin"}) {
            writeFile(c.source + name, "");
            std::filesystem::resize_file(c.source + name, 128u << 20);
        }
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, c.folder.c_str(), IN_CREATE), 0);
        Started copy = startTool(c.call);
        const bool started = awaitCreated(watch, "Kopie", copy.out);
        ::kill(copy.pid, c.signal);
        const ToolRun run = copy.finish();
        ::close(watch);
        std::filesystem::remove(c.source + "/gross-1.bin");
        std::filesystem::remove(c.source + "/gross-2.bin");
        if (!started && run.status == 0) {
            GTEST_SKIP() << "the copy finished before its folder was seen; nothing to interrupt";
        }
        EXPECT_TRUE(started) << run.err;
        EXPECT_EQ(128 + c.signal, run.status) << run.err;
        EXPECT_EQ("vexa-repo: copy interrupted; the half-made copy was removed\n", run.err);
        EXPECT_FALSE(pathExists(c.folder + "/Kopie"));
    }
}

}  // namespace
}  // namespace test
}  // namespace vexa
