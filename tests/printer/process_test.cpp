// Printers, medias and modes across processes: every value one process
// saves is read by a fresh process; a running process reads another's save
// whatever the file times say and builds on it; a writer keeps the other
// process's readers out; a failed write leaves the previous file whole and
// keeps the changes for a retry; opening a printer asks the disk about
// each of its paths once. Children are forked before any lock is taken and
// start with a fresh catalog, as a separate process would.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

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

// One value through every setter of a kind's writer, and what every reader
// shows after it.
template <typename Kind>
struct Everything;

template <>
struct Everything<PrinterKind> {
    static void make(MediaModeFixture& f) {
        f.makePrinter(kPrinter, fullPrinterBody());
        // The structures to set, read from a printer of their own.
        f.makePrinter("Quelle", R"(
 <node name="DotInfo"><node name="Units" value="Pünkte"/><node name="ResUnits">
  <node name="Grüppe"><node name="Ëinheit"><node name="Zeile" scale="2" value="3"/></node></node>
 </node></node>
 <node name="DefaultScreenSetup"><node name="Grob ü">
  <node name="Schirm" lpi="60" angle="15" function="ellipse" placement="1" shades="128"/>
 </node></node>)");
    }
    static void set(PrinterWriter& writer) {
        boost::shared_ptr<PrinterReader> source = PrinterReader::getReader(toWx("Quelle"));
        ASSERT_TRUE(source);
        writer.setDotInfo(source->getDotInfo()->getDotInfo());
        writer.setScreenSetups(source->getScreenSetups()->getScreenSetup());
        SSTRAL* pages = _stral_new();
        stral_add(pages, -1, 0, "Übergroß", "1000", "2000", "1", "0", "1", "2", "3", "4", nullptr);
        writer.setPageSizes(pages);
        stral_free(pages);
        SSTRAL* ports = _stral_new();
        stral_add(ports, -1, 0, "Nétz", "3", "10.0.0.1", nullptr);
        writer.setPortList(ports);
        stral_free(ports);
        writer.setPortType(toWx("Nétz"));
        writer.setPortData(toWx("10.0.0.1:9100"));
        writer.setVirtualPrinterExtension(toWx("vpé2"));
        writer.setDefaultPageSize(toWx("Übergroß"));
        writer.setActive(false);
        writer.setDefaultMediaLegacy(toWx("Fotö [Glänzend]"));
    }
    static constexpr const char* kShown =
        "name: Drücker Ω\ndevice: Jet Ü 64\nmodule: jet64.so\nppd: jet ß.ppd\nport: Nétz\n"
        "port data: 10.0.0.1:9100\ntcp add: 9101\ntcp default: 9100\nextension: vpé2\n"
        "page size: Übergroß\ndefault media: Glänzend / Fotö\n"
        "legacy media: Fotö [Glänzend]\ndot units: Pünkte\ndot Grüppe/Ëinheit: [Zeile|2|3]\n"
        "ink types: 1=Dye@1.5 2=Pigmént@3\npage sizes: [Übergroß|1000|2000|1|0|1|2|3|4]\n"
        "ports: [Nétz|3|10.0.0.1]\nscreen Grob ü: [Schirm|60|15|ellipse|1|128]\n"
        "default resolutions: [720] [1440]\nresolution 720: Fast Dräft\n"
        "resolution 1440: Fine\nresolution 2880: Max\nink cfg CMYK 4\nink cfg CMYKcm 6\n"
        "aliases: 1440=Fine 2880=Max 720=Fast 720=Dräft\n"
        "aliases (defaults): 1440=Fine 720=Fast 720=Dräft\n";
};

template <>
struct Everything<MediaKind> {
    static void make(MediaModeFixture& f) {
        f.makeMedia("<node name=\"LabelChannel\" value=\"4\"/>");
        writeFile(f.mediaPath() + "/.SPSettings.dat", "old");
    }
    static void set(MediaWriter& writer) {
        repos::InkCfg cfg;
        std::strcpy(cfg.getSpInkCfg()->Name, "Hi-Fi ü");
        cfg.getSpInkCfg()->NumColor = 7;
        writer.setInkConfig(cfg.getSpInkCfg());
        SP_COLOR_INFO color = SP_COLOR_INFO();
        color.NumColor = 7;
        color.NumSpotColor = 2;
        color.Photometric = 2;
        std::strcpy(color.SpotNames[0], "Grün");
        color.Spots[0].samples = 2;
        color.Spots[0].SampleValues[0] = 5;
        color.Spots[0].SampleValues[1] = 6;
        color.Spots[0].opacity = 255;
        std::strcpy(color.SpotNames[1], "Weiß");
        color.Spots[1].samples = 1;
        color.Spots[1].SampleValues[0] = 9;
        writer.setColorInfo(&color);
        SPRESSCALEADJUST second = SPRESSCALEADJUST();
        std::strcpy(second.Resolution, "1440x720");
        second.scaleX = 1.0;
        second.scaleY = 0.25;
        SPRESSCALEADJUST first = SPRESSCALEADJUST();
        std::strcpy(first.Resolution, "360");
        first.scaleX = 2.0;
        first.scaleY = 3.5;
        first.next = &second;
        writer.setResScaleAdjust(&first);
        writer.setPageSizes(boost::make_shared<std::list<wxString>>(
            std::list<wxString>{toWx("Rolle 1,6 m"), toWx("Bogen Ä3")}));
        SSTRAL* passes = _stral_new();
        stral_add(passes, -1, 0, "12", "7", nullptr);
        writer.setPassInfo(passes);
        stral_free(passes);
        writer.setDefaultMode(toWx("Entwurf"));
        writer.setJdfAlias(toWx("Seidenmatt ß"));
        writer.setJdfQualityMode(toWx("High"), toWx("Fein ß"));
        writer.setJdfQualityMode(toWx("Normal"), toWx("Mittel"));
        writer.setJdfQualityMode(toWx("Draft"), toWx("Entwurf"));
        boost::shared_ptr<repos::MediaCostSettings> costs =
            boost::make_shared<repos::MediaCostSettings>();
        costs->setAreaBasedCost(12.5);
        costs->setPageSizeCost(toWx("Bogen Ä3"), 0.75);
        EXPECT_EQ(writer.setMediaCostSettings(costs), 0);
        vfs::OutputStreamPtr out = writer.getOutputSPSettingsStream();
        ASSERT_TRUE(out);
        out->Write("engine ü", std::strlen("engine ü"));
        out.reset();
        writer.closeSPSettingsStream();
    }
    static constexpr const char* kShown =
        "name: Papier é group: Mätt legacy: Papier é [Mätt]\n"
        "ink cfg: Hi-Fi ü 7\n"
        "color: 7 2 0 2 Grün(2:5,6 o255) Weiß(1:9,0 o0)\n"
        "scales: 360=2.000/3.500 1440x720=1.000/0.250\n"
        "page sizes: Rolle 1,6 m Bogen Ä3\n"
        "passes: [12|7]\n"
        "label channel: 4\n"
        "default mode: Entwurf\n"
        "jdf: Seidenmatt ß | Fein ß | Mittel | Entwurf\n"
        "costs: 12.50 Bogen Ä3=0.75\n"
        "modes: Fein ß\n"
        "valid: 1\n"
        "sp: engine ü\n";
};

template <>
struct Everything<ModeKind> {
    // The read-only keys are there from the start and must survive the save.
    static void make(MediaModeFixture& f) {
        f.makeMedia("", {});
        f.makeMode(R"(
 <node name="Pattern" value="Raster ü"/>
 <node name="Res" value="1440"/>
 <node name="ResAlias" value="Hoch"/>
 <node name="LvlCurves"><node name="Ink0" value="Cyan"><node name="Curve0"><node name="Point1" x="50" y="50"/></node></node></node>
 <node name="InkCurves"><node name="Ink0" value="K"><node name="Curve0"><node name="Point0" x="10" y="20"/></node></node></node>
 <node name="ResScaleAdjust"><node name="1440" scaleX="1.500000" scaleY="1.000000"/></node>
 <node name="UserQualityAssessment" value="1.000000"/>
)");
    }
    static void set(ModeWriter& writer) {
        repos::InkCfg cfg;
        std::strcpy(cfg.getSpInkCfg()->Name, "CcMmYK é");
        cfg.getSpInkCfg()->NumColor = 6;
        writer.setInkCfg(cfg.getSpInkCfg());
        SPINKLEVELEX limits = {{"Cyan", 66}, {"Gelb", 77}};
        writer.setInkLimits(&limits);
        SPINKLEVELEX transition = {{"Black", 5}};
        writer.setTransCtrl(&transition);
        SPINKLEVELEX drop = {{"Magenta", 9}};
        writer.setDropAdjust(&drop);
        SCREENSETUP second = SCREENSETUP();
        std::strcpy(second.name, "Grob");
        SCREENSETUP first = SCREENSETUP();
        std::strcpy(first.name, "Fein ü");
        first.screens = _stral_new();
        stral_add(first.screens, -1, 0, "K", "175", "45", "round", "0", "256", nullptr);
        first.next = &second;
        writer.setScreenSetups(&first);
        stral_free(first.screens);
        writer.setPrinterOptions(
            boost::make_shared<std::map<wxString, wxString>>(std::map<wxString, wxString>{
                {toWx("Heater"), toWx("45")}, {toWx("Trocknung"), toWx("an")}}));
        writer.setPrinterOption(toWx("Vacuum"), toWx("mittel"));
        writer.updateCalibration(toWx("kalib ö.cal"));
        writer.updateMediaModel(toWx("LnMM.mdl"));
        writer.updateNamedColor(toWx("farben.tbl"));
        writer.setUserQualityAssessment(4.125);
    }
    static constexpr const char* kShown =
        "name: Fein ß valid: 1\n"
        "pattern: Raster ü res: 1440 alias: Hoch\n"
        "ink cfg: CcMmYK é 6\n"
        "limits: Cyan=66 Gelb=77\n"
        "transition: Black=5\n"
        "drop: Magenta=9\n"
        "level curves: @1440 Cyan: (0,0;128,128)\n"
        "ink curves: @1440 K: (26,51;0,0)\n"
        "screens: Fein ü [K|175|45|round|0|256] Grob\n"
        "scales: 1440=1.500/1.000\n"
        "table: Calb=kalib ö.cal LnMM=LnMM.mdl NmClr=farben.tbl\n"
        "quality: 4.125000\n"
        "options: Heater=45 Trocknung=an Vacuum=mittel\n";
};

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

TYPED_TEST(ProcessTest, EveryValueSetAndSavedIsReadByAFreshProcess) {
    Everything<TypeParam>::make(*this);
    {
        boost::shared_ptr<typename TypeParam::Writer> writer = this->writer();
        ASSERT_TRUE(writer);
        Everything<TypeParam>::set(*writer);
        ASSERT_TRUE(writer->save());
    }
    const auto describeReader = [this] {
        boost::shared_ptr<typename TypeParam::Repository> repository = TypeParam::open(*this);
        boost::shared_ptr<typename TypeParam::Reader> reader =
            repository ? repository->getReader() : nullptr;
        return reader ? describe(*reader) : std::string("<no reader>");
    };
    EXPECT_EQ(describeReader(), Everything<TypeParam>::kShown);
    EXPECT_EQ(inFreshProcess(this->dir, describeReader), Everything<TypeParam>::kShown);
}

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

// One system call of a strace log (strace -y): its name, the path it names
// (an fd's path where it names none), and the step of the traced program
// it fell into (the text of the last `write(-1, "step", ...)`).
struct TracedCall {
    std::string step;
    std::string name;
    std::string path;
    bool throughDescriptor = false;  // names no path: asks an open file
    bool opensFolder = false;
};

std::vector<TracedCall> readTrace(const std::string& file) {
    std::vector<TracedCall> calls;
    std::istringstream in(readFile(file));
    std::string step;
    for (std::string line; std::getline(in, line);) {
        const std::size_t paren = line.find('(');
        if (paren == std::string::npos) {
            continue;
        }
        if (line.rfind("write(-1, \"", 0) == 0) {
            step = line.substr(11, line.find('"', 11) - 11);
            continue;
        }
        TracedCall call;
        call.step = step;
        call.name = line.substr(0, paren);
        // The first argument's fd path, then the first quoted argument.
        const std::size_t open = line.find('<', paren);
        const std::size_t comma = line.find(',', paren);
        std::string fdPath;
        if (open != std::string::npos && open < comma) {
            fdPath = line.substr(open + 1, line.find('>', open) - open - 1);
        }
        const std::size_t quote = line.find('"', paren);
        const std::string named =
            quote == std::string::npos
                ? std::string()
                : line.substr(quote + 1, line.find('"', quote + 1) - quote - 1);
        call.path = named.empty() ? fdPath : named[0] == '/' ? named : fdPath + "/" + named;
        call.throughDescriptor = named.empty();
        call.opensFolder = line.find("O_DIRECTORY") != std::string::npos;
        calls.push_back(call);
    }
    return calls;
}

// What the disk is asked, traced by strace in another process (skipped where
// strace is missing or may not trace): opening a printer and reading every
// value makes a handful of status queries on the printer's paths, a listing
// of its medias reads "Medias" and each group folder once without any, and
// opening it again checks the folder and the settings file once each. No
// path is asked twice within one step.
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
        const bool read = reader && !describe(*reader).empty();
        step("medias");
        const std::size_t groups = reader ? reader->getMediaList().size() : 0;
        step("open again");
        reader.reset();
        reader = PrinterReader::getReader(toWx("P"));
        step("done");
        return read && groups == 3 && reader ? 0 : 1;
    });
    ASSERT_TRUE(child.started());
    const std::string trace = dir.path() + "/trace";
    const std::string messages = dir.path() + "/strace.out";
    const pid_t tracer = ::fork();
    if (tracer == 0) {
        const int out = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        const std::string pid = std::to_string(child.pid());
        ::execlp("strace", "strace", "-y", "-o", trace.c_str(), "-e",
                 "trace=%file,%stat,%lstat,%fstat,getdents64,write", "-p", pid.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(tracer, 0);
    // Waits for strace to say it attached; it ends at once when it cannot.
    int status = 0;
    bool attached = false;
    for (int i = 0; i < 6000 && !attached; ++i) {
        if (::waitpid(tracer, &status, WNOHANG) == tracer) {
            break;
        }
        attached = readFile(messages).find("attached") != std::string::npos;
        if (!attached) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (!attached) {
        ::kill(tracer, SIGKILL);
        ::waitpid(tracer, &status, 0);
        GTEST_SKIP() << "strace cannot trace here: " << readFile(messages);
    }
    child.signal();
    ASSERT_EQ(child.wait(), 0);
    ::waitpid(tracer, &status, 0);

    const std::string folder = printerPath("P");
    struct Step {
        const char* name;
        int statusQueries;  // at most, on the printer's paths and descriptors
        int folderReads;    // exactly
    };
    const Step steps[] = {{"open", 6, 0}, {"medias", 0, 4}, {"open again", 3, 0}};
    const std::vector<TracedCall> calls = readTrace(trace);
    for (const Step& expected : steps) {
        SCOPED_TRACE(expected.name);
        int queries = 0;
        int reads = 0;
        std::map<std::string, int> asked;  // by path named, and folders read
        for (const TracedCall& call : calls) {
            if (call.step != expected.name ||
                (call.path != folder && call.path.rfind(folder + "/", 0) != 0)) {
                continue;
            }
            if (call.name.find("stat") != std::string::npos) {
                ++queries;
                if (!call.throughDescriptor) {
                    EXPECT_LE(++asked[call.name + " " + call.path], 1) << call.path;
                }
            } else if (call.name == "openat" && call.opensFolder) {
                ++reads;
                EXPECT_LE(++asked["read " + call.path], 1) << call.path;
            }
        }
        EXPECT_LE(queries, expected.statusQueries);
        EXPECT_EQ(reads, expected.folderReads);
    }
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
