// Printers, medias and modes across processes: a running process reads
// another's save whatever the file times say and builds on it; a writer keeps the other
// process's readers out; a failed write leaves the previous file whole and
// keeps the changes for a retry; opening a printer asks the disk about
// each of its paths once. Children are forked before any lock is taken and
// start with a fresh catalog, as a separate process would.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "printer/MediaModeFixture.h"
#include "repos/Failure.h"
#include "repos/FileLock.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

using repos::printer::PrinterReader;
using repos::printer::PrinterWriter;

template <typename Kind>
class ProcessTest : public MediaModeFixture {
  protected:
    typedef typename Kind::Reader Reader;
    typedef typename Kind::Writer Writer;

    std::string folder() const { return Kind::folder(*this); }
    std::string settingsFile() const { return folder() + "/.Settings.xml"; }
    boost::shared_ptr<Writer> writer() {
        boost::shared_ptr<typename Kind::Repository> repository = Kind::open(*this);
        return repository ? repository->getWriter() : nullptr;
    }
    // What this process's readers show of the kind's change.
    std::string shown() {
        boost::shared_ptr<typename Kind::Repository> repository = Kind::open(*this);
        boost::shared_ptr<Reader> reader = repository ? repository->getReader() : nullptr;
        return reader ? Kind::seen(*reader) : "<no reader>";
    }
    // Saves the kind's change `n` in a fresh process.
    void changeElsewhere(int n) {
        ASSERT_EQ(inFreshProcess(dir,
                                 [&] {
                                     boost::shared_ptr<Writer> other = writer();
                                     if (!other) {
                                         return std::string("<no writer>");
                                     }
                                     Kind::change(*other, n);
                                     return std::string(other->save() ? "saved" : "not saved");
                                 }),
                  "saved");
    }
};

TYPED_TEST_SUITE(ProcessTest, AllKinds, KindName);

// Another process replaced the settings file, and the times do not show it
// as newer: a second save within one tick of a coarse file-system clock
// leaves both times as they were; a restored backup (or a clock set back)
// brings an earlier time. A running process must read the new file, and
// its writer must build on it rather than save its old copy over it.
TYPED_TEST(ProcessTest, AnotherProcesssSaveIsReadAndBuiltOnWhateverTheTimesSay) {
    TypeParam::makeFull(*this);
    const std::string start = this->shown();  // the repository and its caches exist
    ASSERT_EQ(start.find("<no"), std::string::npos);
    const long long hour = 3600LL * 1000000000LL;
    for (const bool sameTick : {true, false}) {
        SCOPED_TRACE(sameTick ? "same tick" : "earlier time");
        const auto changeUnseen = [&](int n) {
            const long long folderTime = modifiedNs(this->folder());
            const long long fileTime = modifiedNs(this->settingsFile());
            this->changeElsewhere(n);
            ASSERT_TRUE(
                setModifiedNs(this->settingsFile(), sameTick ? fileTime : folderTime - hour));
            ASSERT_TRUE(setModifiedNs(this->folder(), sameTick ? folderTime : folderTime - hour));
        };
        changeUnseen(sameTick ? 1 : 3);
        EXPECT_EQ(this->shown(), TypeParam::shown(sameTick ? 1 : 3));
        // Changed again, and this time a writer comes first.
        changeUnseen(sameTick ? 2 : 4);
        {
            boost::shared_ptr<typename TypeParam::Writer> writer = this->writer();
            ASSERT_TRUE(writer);
            TypeParam::changeOther(*writer);
            ASSERT_TRUE(writer->save());
        }
        EXPECT_EQ(fileValue(this->settingsFile(), TypeParam::otherKey()), "after");
        EXPECT_EQ(this->shown(), TypeParam::shown(sameTick ? 2 : 4));
        EXPECT_EQ(inFreshProcess(this->dir, [this] { return this->shown(); }),
                  TypeParam::shown(sameTick ? 2 : 4));
    }
}

TYPED_TEST(ProcessTest, AWriterInAnotherProcessKeepsReadersAndWritersOutUntilDropped) {
    TypeParam::makeFull(*this);
    // The repository exists before the other process takes its writer.
    boost::shared_ptr<typename TypeParam::Repository> repository = TypeParam::open(*this);
    ASSERT_TRUE(repository);
    Child child([&](Child& self) -> int {
        repos::printer::PrinterCatalog::reset();
        boost::shared_ptr<typename TypeParam::Writer> writer = this->writer();
        if (!writer) {
            return 1;
        }
        TypeParam::change(*writer, 5);
        if (!writer->save()) {
            return 2;
        }
        self.signal('w');
        self.await();
        writer.reset();
        self.signal('x');
        return 0;
    });
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.await(), 'w');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(repository->getReader());
    EXPECT_GT(secondsSince(start), 0.8) << "refused without waiting for the other process";
    EXPECT_FALSE(repository->getWriter());
    child.signal('d');
    ASSERT_EQ(child.await(), 'x');
    boost::shared_ptr<typename TypeParam::Reader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(TypeParam::seen(*reader), TypeParam::shown(5));
    reader.reset();
    EXPECT_EQ(child.wait(), 0);
}

TYPED_TEST(ProcessTest, AFailedSaveLeavesThePreviousFileAndKeepsTheChangesForARetry) {
    TypeParam::makeFull(*this);
    const std::string previous = readFile(this->settingsFile());
    const std::string costFile = this->folder() + "/.MediaCostSettings.xml";
    const std::string previousCosts =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"CostSettings\">"
        "<node name=\"MediaCostSettings\" areabasedcost=\"1.00\"/></node>";
    writeFile(costFile, previousCosts);
    // A file size limit makes every write beyond a few bytes fail (told as
    // no space), in a child so that this process keeps its limits.
    const std::string result = inFreshProcess(this->dir, [&] {
        boost::shared_ptr<typename TypeParam::Writer> writer = this->writer();
        if (!writer) {
            return std::string("<no writer>");
        }
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        ::getrlimit(RLIMIT_FSIZE, &limit);
        struct rlimit tiny = limit;
        tiny.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        std::string outcome;
        if constexpr (std::is_same<TypeParam, MediaKind>::value) {
            boost::shared_ptr<repos::MediaCostSettings> costs =
                boost::make_shared<repos::MediaCostSettings>();
            costs->setAreaBasedCost(9.0);
            outcome += "costs " + std::to_string(writer->setMediaCostSettings(costs)) + ", ";
        }
        TypeParam::change(*writer, 6);
        outcome += "save " + std::to_string(writer->save());
        outcome += repos::lastFailure().code == repos::FailureCode::NO_SPACE ? " no space" : "";
        outcome += readFile(this->settingsFile()) == previous ? " untouched" : " changed";
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return outcome + ", retry " + std::to_string(writer->save());
    });
    EXPECT_EQ(result, std::string(std::is_same<TypeParam, MediaKind>::value ? "costs 1, " : "") +
                          "save 0 no space untouched, retry 1");
    EXPECT_EQ(readFile(costFile), previousCosts);
    EXPECT_EQ(this->shown(), TypeParam::shown(6));
    for (const auto& entry : std::filesystem::directory_iterator(this->folder())) {
        EXPECT_FALSE(vfs::isTemporaryName(toWx(entry.path().filename().string()))) << entry.path();
    }
}

class PrinterProcessTest : public PrinterFixture {};

// Another process holds a media or a mode this process never opened: every
// operation that would change or copy the printer around it refuses before
// changing anything, and names what is held.
TEST_F(PrinterProcessTest, NothingChangesAroundWhatAnotherProcessHoldsInside) {
    enum Operation { REMOVE, RENAME, COPY, REMOVE_MEDIA, REMOVE_MEDIA_FOLDER, REMOVE_FOLDER };
    const std::string mediaPath = printerPath("P") + "/Medias/G/M";
    for (const bool holdMode : {false, true}) {
        for (Operation operation :
             {REMOVE, RENAME, COPY, REMOVE_MEDIA, REMOVE_MEDIA_FOLDER, REMOVE_FOLDER}) {
            if (operation == REMOVE_MEDIA && !holdMode) {
                continue;  // a media held elsewhere gives no writer to start with
            }
            SCOPED_TRACE(std::string(holdMode ? "mode" : "media") + " held, operation " +
                         std::to_string(operation));
            repos::printer::PrinterCatalog::reset();
            makePrinter("P", "");
            makeMedia("P", "G", "A");
            makeMedia("P", "G", "M");
            const std::string held = holdMode ? mediaPath + "/Modes/Std" : mediaPath;
            Child child([&](Child& self) {
                repos::ReadFileLocker reader(
                    repos::FileLock::create(vfs::openLocalFolder(vfs::createFileName(toWx(held)))));
                self.signal(reader.holdsLock() ? 'h' : 'x');
                self.await();
                return 0;
            });
            ASSERT_TRUE(child.started());
            ASSERT_EQ(child.await(), 'h');
            repos::clearFailure();
            bool done = true;
            if (operation == COPY) {
                done = PrinterReader::getReader(toWx("P"))->copyTo(toWx("Q"));
            } else if (operation == REMOVE_FOLDER) {
                done = PrinterWriter::removePrinterFolder(toWx("P"));
            } else if (operation == REMOVE_MEDIA) {
                MediaPtr media =
                    PrinterReader::getReader(toWx("P"))->getMedia(toWx("G"), toWx("M"));
                ASSERT_TRUE(media);
                done = media->getWriter()->remove();
            } else {
                boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(toWx("P"));
                ASSERT_TRUE(writer);
                done = operation == REMOVE   ? writer->removePrinter()
                       : operation == RENAME ? writer->setPrinterName(toWx("Q"))
                                             : writer->removeMediaFolder(toWx("G"), toWx("M"));
            }
            EXPECT_FALSE(done);
            const repos::Failure& why = repos::lastFailure();
            EXPECT_EQ(why.code, repos::FailureCode::LOCKED);
            const std::string expected = holdMode ? "mode 'Std' of media 'M [G]' of printer 'P'"
                                                  : "media 'M [G]' of printer 'P'";
            EXPECT_NE(toUtf8(why.message).find(expected), std::string::npos) << toUtf8(why.message);
            // Nothing changed: no marker, every media and mode still there,
            // no copy or new name.
            EXPECT_FALSE(pathExists(printerPath("P") + "/.invalid"));
            EXPECT_FALSE(pathExists(mediaPath + "/.invalid"));
            EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/A/Modes/Std/.Settings.xml"));
            EXPECT_TRUE(pathExists(mediaPath + "/Modes/Std/.Settings.xml"));
            EXPECT_FALSE(pathExists(printerPath("Q")));
            child.signal();
            EXPECT_EQ(child.wait(), 0);
            // Once let go, the removal goes through.
            EXPECT_TRUE(PrinterWriter::removePrinterFolder(toWx("P")));
            EXPECT_FALSE(pathExists(printerPath("P")));
        }
    }
}

// What the disk is asked, traced by strace -y in another process (skipped
// where strace is missing or may not trace): opening a printer and reading
// every value makes a handful of status queries on the printer's paths, a
// listing of its medias reads "Medias" and each group folder once without
// any, and opening it again checks the folder and the settings file once
// each. The lock file is opened once to lock it (and once more to make it
// on the first open). No path is asked twice within one step; a step is the text of the
// traced program's last `write(-1, "step", ...)`.
TEST_F(PrinterProcessTest, OpeningAPrinterAsksTheDiskAboutEachPathOnce) {
    makePrinter("P", fullPrinterBody());
    for (const char* group : {"G1", "G2", "_Ungrouped_"}) {
        makeMedia("P", group, "M");
    }
    writeFile(printerPath("P") + "/.lock", "");  // as any open but the first finds it
    Child child([&](Child& self) {
        repos::printer::PrinterCatalog::reset();
        self.await();
        const auto step = [](const char* name) { (void)!::write(-1, name, std::strlen(name)); };
        step("open");
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx("P"));
        const bool read = reader && !reader->getDeviceName().empty() && reader->getDotInfo() &&
                          reader->getInkTypes() && reader->getPageSizes() &&
                          reader->getScreenSetups() && !reader->getInkCfgs().empty() &&
                          !reader->getDeviceResolutions().empty();
        step("medias");
        const std::size_t groups = reader ? reader->getMediaList().size() : 0;
        step("open again");
        reader.reset();
        reader = PrinterReader::getReader(toWx("P"));
        step("done");
        return read && groups == 3 && reader ? 0 : 1;
    });
    ASSERT_TRUE(child.started());
    // strace's first message says it attached, or why it cannot; it ends
    // with the traced child.
    const std::string trace = dir.path() + "/trace";
    FILE* tracer = ::popen(
        ("strace -y -o " + trace + " -e trace=%file,%stat,%lstat,%fstat,getdents64,write -p " +
         std::to_string(child.pid()) + " 2>&1")
            .c_str(),
        "r");
    ASSERT_TRUE(tracer);
    char said[512] = "";
    if (!std::fgets(said, sizeof said, tracer) || !std::strstr(said, "attached")) {
        ::pclose(tracer);
        GTEST_SKIP() << "strace cannot trace here: " << said;
    }
    child.signal();
    ASSERT_EQ(child.wait(), 0);
    ::pclose(tracer);

    // A call, the path of a descriptor given first, and the first quoted
    // path (relative to that descriptor, or "" when it asks the open file).
    const std::regex call(R"re(^(\w+)\((?:\d+<([^>]*)>)?[^"]*(?:"([^"]*)")?)re");
    const std::string folder = printerPath("P");
    std::map<std::string, int> count;  // by step and kind, and by step, call and path
    std::string step;
    std::istringstream in(readFile(trace));
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, call)) {
            continue;
        }
        const std::string name = m[1], named = m[3];
        const std::string path = named.empty()     ? m[2].str()
                                 : named[0] == '/' ? named
                                                   : m[2].str() + "/" + named;
        if (line.rfind("write(-1, ", 0) == 0) {
            step = named;
        } else if (path != folder && path.rfind(folder + "/", 0) != 0) {
            continue;
        } else if (name.find("stat") != std::string::npos) {
            ++count[step + " queries"];
            EXPECT_LE(named.empty() ? 0 : ++count[step + " " + name + " " + path], 1) << line;
        } else if (name == "openat" && line.find("O_DIRECTORY") != std::string::npos) {
            ++count[step + " reads"];
            EXPECT_LE(++count[step + " read " + path], 1) << line;
        } else if (name == "openat" && path == folder + "/.lock") {
            ++count[step + " lock opens"];
        }
    }
    EXPECT_LE(count["open queries"], 4);
    // Made if missing, then locked once: the reader shares the lock the
    // settings were read under.
    EXPECT_LE(count["open lock opens"], 2);
    EXPECT_LE(count["open again lock opens"], 1);
    EXPECT_EQ(count["open reads"], 0);
    EXPECT_EQ(count["medias queries"], 0);
    EXPECT_EQ(count["medias reads"], 4);
    EXPECT_LE(count["open again queries"], 3);
    EXPECT_EQ(count["open again reads"], 0);
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
