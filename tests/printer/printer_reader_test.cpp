// Reading a printer: the key table, absent keys, legacy media names, the
// media map, side files and copying.
#include <fcntl.h>
#include <sys/stat.h>
#include <wx/stream.h>

#include "printer/PrinterFixture.h"
#include "repos/MediaRepository.h"
#include "vfs/src/impl/FileObject.h"

using vexa::repos::printer::MediaRepository;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterRepository;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterReaderTest : public PrinterFixture {
  protected:
    boost::shared_ptr<PrinterReader> reader(const std::string& name) {
        return PrinterReader::getReader(toWx(name));
    }
};

TEST_F(PrinterReaderTest, AbsentKeysGiveEmptyOrDefaultValues) {
    makePrinter("Bare", "");
    LogCapture log;
    boost::shared_ptr<PrinterReader> r = reader("Bare");
    ASSERT_TRUE(r);
    // Both device keys are missing; the later one is named.
    EXPECT_TRUE(log.contains(wxLOG_Error, "Error loading Printer/DllModule setting for Bare"));
    EXPECT_EQ(toUtf8(r->getDeviceName() + r->getPortType() + r->getDefaultMediaLegacy()), "");
    EXPECT_FALSE(r->getInkTypes());
    EXPECT_FALSE(r->getInkTypes());
    boost::shared_ptr<vexa::repos::PageSizes> pages = r->getPageSizes();
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages, r->getPageSizes());
    EXPECT_EQ(pages->getStral()->first, nullptr);
    EXPECT_TRUE(r->getDotInfo() && r->getPortList() && r->getScreenSetups() &&
                r->getDefaultResolutions());
    EXPECT_TRUE(r->getDeviceResolutions().empty() && r->getInkCfgs().empty());
    EXPECT_TRUE(r->getMediaList().empty());
    EXPECT_FALSE(r->getMedia(toWx(""), toWx("Any")));
}

// An ungrouped default media as the sample and the tool's get show it.
TEST_F(PrinterReaderTest, LegacyMediaNamesSplitAndJoinAroundTheBracketedGroup) {
    makePrinter("N", R"(<node name="DefaultMedia" media="Bond"/>)");
    EXPECT_EQ(toUtf8(reader("N")->getDefaultMediaLegacy()), "Bond");

    const char* cases[][3] = {{"Papier é [Mätt]", "Papier é", "Mätt"},
                              {"Plain  \t", "Plain", ""},
                              {"Open [Group", "Open", "Group"},
                              {"A [B] [C]", "A", "B"}};
    for (const auto& c : cases) {
        wxString group;
        wxString media;
        vexa::repos::printer::splitLegacyMediaName(toWx(c[0]), group, media);
        EXPECT_EQ(toUtf8(media), c[1]) << c[0];
        EXPECT_EQ(toUtf8(group), c[2]) << c[0];
    }
    EXPECT_EQ(toUtf8(vexa::repos::printer::joinLegacyMediaName(toWx("Ü é"), toWx("ß"))), "Ü é [ß]");
}

TEST_F(PrinterReaderTest, MediasAreFoundByGroupAndNameLegacyNameOrStarredName) {
    makePrinter("Jet", "");
    makeMedia("Jet", "Mätt", "Papier é");
    makeMedia("Jet", "_Ungrouped_", "Plain");
    makeDirs(printerPath("Jet") + "/Medias/NoMedias");
    writeFile(printerPath("Jet") + "/Medias/file.txt", "x");
    writeFile(printerPath("Jet") + "/Medias/Mätt/file.txt", "x");
    boost::shared_ptr<PrinterReader> r = reader("Jet");
    ASSERT_TRUE(r);

    const PrinterRepository::MediaMap& map = r->getMediaList();
    ASSERT_EQ(map.size(), 2u);  // neither the empty group nor the files
    EXPECT_EQ(map.at(toWx("Mätt")).size(), 1u);

    boost::shared_ptr<MediaRepository> paper = r->getMedia(toWx("Mätt"), toWx("Papier é"));
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper, r->getMediaLegacy(toWx("Papier é [Mätt]")));
    EXPECT_EQ(paper->getPrinter(), PrinterRepository::createRepository(toWx("Jet"), toWx("")));
    boost::shared_ptr<MediaRepository> plain = r->getMedia(toWx(""), toWx("Plain"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain, r->getMediaLegacy(toWx("Plain  ")));

    // A starred name: a repository of its own over the same folder.
    boost::shared_ptr<MediaRepository> starred = r->getMedia(toWx(""), toWx("*Plain"));
    ASSERT_TRUE(starred);
    EXPECT_NE(starred, plain);
    EXPECT_EQ(toUtf8(starred->getRoot()->getURI()), toUtf8(plain->getRoot()->getURI()));
    EXPECT_EQ(starred, r->getMedia(toWx(""), toWx("*Plain")));

    EXPECT_FALSE(r->getMedia(toWx("Mätt"), toWx("file.txt")));
    EXPECT_FALSE(r->getMedia(toWx(""), toWx("*Nothing")));
    EXPECT_FALSE(r->getMediaLegacy(toWx("Papier é [Other]")));
}

TEST_F(PrinterReaderTest, MediaMapGrowsAndShrinks) {
    makePrinter("Jet", "");
    makeMedia("Jet", "G", "A");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(toWx("Jet"), toWx(""));
    boost::shared_ptr<PrinterReader> r = repository->getReader();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->getMediaList().size(), 1u);

    makeMedia("Jet", "G", "B");
    makeMedia("Jet", "H", "C");
    EXPECT_EQ(r->getMediaList().at(toWx("G")).size(), 1u);  // not re-read by itself
    r->refreshMediaMap();
    EXPECT_EQ(r->getMediaList().at(toWx("G")).size(), 2u);
    makeMedia("Jet", "H", "D");
    repository->notifyMediaChange(PrinterRepository::MEDIA_ADDED, vexa::vfs::FileObjectPtr());
    EXPECT_EQ(r->getMediaList().at(toWx("H")).size(), 2u);

    // A removed media leaves the map; its group goes with its last media,
    // but a group folder still holding a media the map did not know stays.
    boost::shared_ptr<MediaRepository> c = r->getMedia(toWx("H"), toWx("C"));
    boost::shared_ptr<MediaRepository> d = r->getMedia(toWx("H"), toWx("D"));
    ASSERT_TRUE(c && d);
    removeTree(printerPath("Jet") + "/Medias/H/C");
    repository->notifyMediaChange(PrinterRepository::MEDIA_REMOVED, c->getRoot());
    EXPECT_EQ(r->getMediaList().at(toWx("H")).count(toWx("C")), 0u);
    makeMedia("Jet", "H", "E");
    removeTree(printerPath("Jet") + "/Medias/H/D");
    repository->notifyMediaChange(PrinterRepository::MEDIA_REMOVED, d->getRoot());
    EXPECT_EQ(r->getMediaList().count(toWx("H")), 0u);
    EXPECT_TRUE(pathExists(printerPath("Jet") + "/Medias/H/E/.Settings.xml"));
    // Its own notifications do not make the repository look outdated.
    EXPECT_FALSE(repository->isOutdated());
}

TEST_F(PrinterReaderTest, SwatchDefinitionsAreTheSDefFilesOfTheSharedFolder) {
    makePrinter("Jet", "");
    const std::string shared = printerPath("Jet") + "/Shared";
    makeDirs(shared);
    for (const char* file : {"Reds Ü.SDef", "Blues.SDef", "Lower.sdef", "Other.txt", "a.b.SDef"}) {
        writeFile(shared + "/" + file, "x");
    }
    boost::shared_ptr<PrinterReader> r = reader("Jet");
    ASSERT_TRUE(r);
    const boost::shared_ptr<std::list<wxString>> names = r->getSwatchDefs(toWx("*"));
    std::string all;
    for (const wxString& name : *names) {
        all += toUtf8(name) + ",";
    }
    EXPECT_EQ(all, "Blues,Reds Ü,a.b,");
    EXPECT_EQ(r->getSwatchDefs(toWx("R*"))->size(), 1u);
    EXPECT_EQ(toUtf8(r->getSwatchDefLocation(toWx("Reds Ü"))), shared + "/Reds Ü.SDef");
    EXPECT_EQ(toUtf8(r->getSwatchDefLocation(toWx("Lower"))), "");
    EXPECT_EQ(toUtf8(r->getSwatchDefLocation(toWx("../Shared/Blues"))), "");

    makePrinter("NoShared", "");
    ASSERT_TRUE(reader("NoShared")->getSwatchDefs(toWx("*")));
    EXPECT_TRUE(reader("NoShared")->getSwatchDefs(toWx("*"))->empty());
    EXPECT_FALSE(pathExists(printerPath("NoShared") + "/Shared"));
}

TEST_F(PrinterReaderTest, EngineSettingsStreamsNeedAnExistingFile) {
    makePrinter("Jet", "");
    EXPECT_FALSE(reader("Jet")->getInputSPSettingsStream());
    EXPECT_FALSE(PrinterWriter::getWriter(toWx("Jet"))->getOutputSPSettingsStream());
    EXPECT_FALSE(pathExists(printerPath("Jet") + "/.SPSettings.dat"));

    writeFile(printerPath("Jet") + "/.SPSettings.dat", std::string("old\0bytes", 9));
    {
        boost::shared_ptr<PrinterWriter> w = PrinterWriter::getWriter(toWx("Jet"));
        boost::shared_ptr<wxOutputStream> out = w->getOutputSPSettingsStream();
        ASSERT_TRUE(out);
        out->Write("new", 3);
        out.reset();
        w->closeSPSettingsStream();
    }
    boost::shared_ptr<wxInputStream> in = reader("Jet")->getInputSPSettingsStream();
    ASSERT_TRUE(in);
    char bytes[8] = {0};
    EXPECT_EQ(in->Read(bytes, sizeof(bytes)).LastRead(), 3u);
    EXPECT_STREQ(bytes, "new");
}

// The first reader of a printer without ".lock" makes it, which moves the
// folder's time. That is its own change: a later reader must not bring the
// printer up to date as after another process's change. (Bringing it up to
// date takes the writer's lock, which clears the folder of temporaries left
// by a crash; one is left here with the folder's time put back.)
TEST_F(PrinterReaderTest, AReaderMakesAMissingLockFileWithoutTakingItForAnOutsideChange) {
    makePrinter("Fresh", R"(<node name="PortName" value="USB"/>)");
    const std::string folder = printerPath("Fresh");
    ASSERT_FALSE(pathExists(folder + "/.lock"));
    ASSERT_TRUE(reader("Fresh"));
    ASSERT_TRUE(pathExists(folder + "/.lock"));

    struct stat before;
    ASSERT_EQ(::stat(folder.c_str(), &before), 0);
    const std::string left = folder + "/.~vexa-tmp.1.1";
    writeFile(left, "half a save");
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);

    boost::shared_ptr<PrinterReader> again = reader("Fresh");
    ASSERT_TRUE(again);
    EXPECT_EQ(toUtf8(again->getPortType()), "USB");
    EXPECT_TRUE(pathExists(left));
}

class PrinterCopyTest : public PrinterFixture {
  protected:
    void SetUp() override {
        PrinterFixture::SetUp();
        makePrinter("Src", R"(<node name="PortName" value="USB"/>)");
        makeMedia("Src", "G", "M");
        makePrinter("Other", "");
        source = PrinterReader::getReader(toWx("Src"));
        ASSERT_TRUE(source);
        before = readFile(settingsPath("Src")) + readFile(settingsPath("Other"));
    }
    void TearDown() override {
        // Neither the source nor another printer was touched.
        EXPECT_EQ(readFile(settingsPath("Src")) + readFile(settingsPath("Other")), before);
        EXPECT_FALSE(pathExists(printerPath("Src") + "/.invalid"));
        EXPECT_FALSE(pathExists(printerPath("Other") + "/Medias"));
        PrinterFixture::TearDown();
    }
    boost::shared_ptr<PrinterReader> source;
    std::string before;
};

TEST_F(PrinterCopyTest, CopiesByNameAndPath) {
    ASSERT_TRUE(source->copyTo(toWx("Kopie Ü")));
    EXPECT_EQ(readFile(settingsPath("Kopie Ü")), readFile(settingsPath("Src")));
    EXPECT_TRUE(pathExists(printerPath("Kopie Ü") + "/Medias/G/M/Modes/Std/.Settings.xml"));
    EXPECT_FALSE(pathExists(printerPath("Kopie Ü") + "/.invalid"));
    EXPECT_EQ(toUtf8(PrinterReader::getReader(toWx("Kopie Ü"))->getPortType()), "USB");

    const std::string outside = dir.path() + "/backup/Src copy";
    ASSERT_TRUE(source->copyTo(toWx(outside)));
    EXPECT_EQ(readFile(outside + "/.Settings.xml"), readFile(settingsPath("Src")));
    EXPECT_FALSE(pathExists(outside + "/.invalid"));
    makeDirs(printerPath("Empty"));  // an empty folder is a fine destination
    EXPECT_TRUE(source->copyTo(toWx("Empty")));
}

TEST_F(PrinterCopyTest, RefusesItselfAndOccupiedDestinations) {
    ASSERT_EQ(0, ::symlink(printerPath("Src").c_str(), (dir.path() + "/link").c_str()));
    writeFile(dir.path() + "/plain", "p");
    for (const std::string& target :
         {std::string("Src"), printerPath("Src"), printerPath("Src") + "/",
          printersPath() + "/./Src", printersPath() + "/../Printers/Src", dir.path() + "/link",
          printerPath("Src") + "/Inner", printersPath(), std::string("Other"),
          dir.path() + "/plain", std::string("")}) {
        EXPECT_FALSE(source->copyTo(toWx(target))) << target;
    }
    EXPECT_FALSE(source->copyTo(boost::shared_ptr<vexa::vfs::FileObject>()));
    EXPECT_FALSE(pathExists(printerPath("Src") + "/Inner"));
    EXPECT_EQ(readFile(dir.path() + "/plain"), "p");
}

}  // namespace
