// Reading a printer: the key table, absent keys, the media map, side files
// and copying.
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
        return PrinterReader::getReader(W(name));
    }
};

std::string readAll(wxInputStream& in) {
    std::string bytes;
    char buffer[256];
    while (in.Read(buffer, sizeof(buffer)).LastRead() > 0) {
        bytes.append(buffer, in.LastRead());
    }
    return bytes;
}

TEST_F(PrinterReaderTest, ReadsEveryKey) {
    makePrinter("Jet", fullPrinterBody());
    boost::shared_ptr<PrinterReader> r = reader("Jet");
    ASSERT_TRUE(r);
    EXPECT_EQ(U(r->getPrinterName()), "Jet");
    EXPECT_EQ(U(r->getDeviceName()), "Jet Ü 64");
    EXPECT_EQ(U(r->getDllModule()), "jet64.so");
    EXPECT_EQ(U(r->getPPDFile()), "jet ß.ppd");
    EXPECT_EQ(U(r->getPortType()), "USB Ünit");
    EXPECT_EQ(U(r->getPortData()), "usb://1");
    EXPECT_EQ(U(r->getTCPAdditionalPort()), "9101");
    EXPECT_EQ(U(r->getTCPDefaultPort()), "9100");
    EXPECT_EQ(U(r->getVirtualPrinterExtension()), "vpé");
    EXPECT_EQ(U(r->getDefaultPageSize()), "A4 Übergröße");
    EXPECT_EQ(U(r->getDefaultMedia().first), "Mätt");
    EXPECT_EQ(U(r->getDefaultMedia().second), "Papier é");
    EXPECT_EQ(U(r->getDefaultMediaLegacy()), "Papier é [Mätt]");

    const std::string text = describe(*r);
    EXPECT_NE(text.find("dot G1/U1: [row|1|2]"), std::string::npos) << text;
    EXPECT_NE(text.find("ink types: 1=Dye@1.5 2=Pigmént@3"), std::string::npos) << text;
    EXPECT_NE(text.find("page sizes: [A4|595|842|1|0||||]"), std::string::npos) << text;
    EXPECT_NE(text.find("ports: [LPT1|1|paralléle]"), std::string::npos) << text;
    EXPECT_NE(text.find("screen Fine: [S1|150|45|round|0|256]"), std::string::npos) << text;
    EXPECT_NE(text.find("default resolutions: [720] [1440]"), std::string::npos) << text;
    EXPECT_NE(text.find("resolution 720: Fast Dräft\nresolution 1440: Fine\nresolution 2880: Max"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ink cfg CMYK 4\nink cfg CMYKcm 6"), std::string::npos) << text;
    EXPECT_NE(text.find("aliases: 1440=Fine 2880=Max 720=Fast 720=Dräft\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("aliases (defaults): 1440=Fine 720=Fast 720=Dräft\n"), std::string::npos)
        << text;
}

TEST_F(PrinterReaderTest, CachedObjectsAreSharedByEveryReader) {
    makePrinter("Jet", fullPrinterBody());
    boost::shared_ptr<PrinterReader> first = reader("Jet");
    boost::shared_ptr<PrinterReader> second = reader("Jet");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->getPageSizes(), second->getPageSizes());
    EXPECT_EQ(first->getDotInfo(), second->getDotInfo());
    EXPECT_EQ(first->getInkTypes(), second->getInkTypes());
    EXPECT_EQ(&first->getInkCfgs(), &second->getInkCfgs());
    EXPECT_EQ(first->getInkCfgs().size(), 2u);
    // Asking again does not append the children a second time.
    EXPECT_EQ(second->getDeviceResolutions().size(), 3u);
    EXPECT_EQ(second->getDeviceResolutions().size(), 3u);
}

TEST_F(PrinterReaderTest, AbsentKeysGiveEmptyOrDefaultValues) {
    makePrinter("Bare", "");
    LogCapture log;
    boost::shared_ptr<PrinterReader> r = reader("Bare");
    ASSERT_TRUE(r);
    // Both device keys are missing; the later one is named.
    EXPECT_TRUE(log.contains(wxLOG_Error, "Error loading Printer/DllModule setting for Bare"));
    for (const vexa::test::CapturedLog& record : log.records()) {
        if (record.level == wxLOG_Error) {
            EXPECT_NE(record.function.find("PrinterRepository::loadSettings"), std::string::npos);
        }
    }
    EXPECT_EQ(U(r->getDeviceName()), "");
    EXPECT_EQ(U(r->getPPDFile()), "");
    EXPECT_EQ(U(r->getPortType()), "");
    EXPECT_EQ(r->getDefaultMedia(), std::make_pair(wxString(), wxString()));
    EXPECT_EQ(U(r->getDefaultMediaLegacy()), "");
    EXPECT_FALSE(r->getInkTypes());
    EXPECT_FALSE(r->getInkTypes());
    boost::shared_ptr<vexa::repos::PageSizes> pages = r->getPageSizes();
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages, r->getPageSizes());
    EXPECT_EQ(pages->getStral()->first, nullptr);
    EXPECT_TRUE(r->getDotInfo() && r->getPortList() && r->getScreenSetups() &&
                r->getDefaultResolutions());
    EXPECT_TRUE(r->getDeviceResolutions().empty());
    EXPECT_TRUE(r->getInkCfgs().empty());
    EXPECT_TRUE(r->getResolutionAliases(true).empty());
    EXPECT_TRUE(r->getMediaList().empty());
    EXPECT_FALSE(r->getMedia(W(""), W("Any")));
}

TEST_F(PrinterReaderTest, DefaultMediaAsLegacyName) {
    makePrinter("G", R"(<node name="DefaultMedia" group="Glossy" media="Photo"/>)");
    makePrinter("U", R"(<node name="DefaultMedia" group="_Ungrouped_" media="Plain"/>)");
    makePrinter("N", R"(<node name="DefaultMedia" media="Bond"/>)");
    makePrinter("C", R"(<node name="DefaultMedia" group="_ungrouped_" media="Case"/>)");
    EXPECT_EQ(U(reader("G")->getDefaultMediaLegacy()), "Photo [Glossy]");
    EXPECT_EQ(U(reader("U")->getDefaultMediaLegacy()), "Plain");
    EXPECT_EQ(U(reader("N")->getDefaultMediaLegacy()), "Bond");
    EXPECT_EQ(U(reader("C")->getDefaultMediaLegacy()), "Case [_ungrouped_]");
}

TEST_F(PrinterReaderTest, LegacyNamesSplitAndJoin) {
    wxString group;
    wxString media;
    vexa::repos::printer::splitLegacyMediaName(W("Papier é [Mätt]"), group, media);
    EXPECT_EQ(U(media), "Papier é");
    EXPECT_EQ(U(group), "Mätt");
    vexa::repos::printer::splitLegacyMediaName(W("Plain  \t"), group, media);
    EXPECT_EQ(U(media), "Plain");
    EXPECT_EQ(U(group), "");
    vexa::repos::printer::splitLegacyMediaName(W("Open [Group"), group, media);
    EXPECT_EQ(U(media), "Open");
    EXPECT_EQ(U(group), "Group");
    vexa::repos::printer::splitLegacyMediaName(W("A [B] [C]"), group, media);
    EXPECT_EQ(U(media), "A");
    EXPECT_EQ(U(group), "B");
    for (const char* name : {"M [G]", "Ü é [ß]"}) {
        vexa::repos::printer::splitLegacyMediaName(W(name), group, media);
        EXPECT_EQ(U(vexa::repos::printer::joinLegacyMediaName(media, group)), name);
    }
}

TEST_F(PrinterReaderTest, MediaLookups) {
    makePrinter("Jet", "");
    makeMedia("Jet", "Mätt", "Papier é");
    makeMedia("Jet", "_Ungrouped_", "Plain");
    makeDirs(printerPath("Jet") + "/Medias/NoMedias");
    writeFile(printerPath("Jet") + "/Medias/file.txt", "x");
    writeFile(printerPath("Jet") + "/Medias/Mätt/file.txt", "x");
    boost::shared_ptr<PrinterReader> r = reader("Jet");
    ASSERT_TRUE(r);

    const PrinterRepository::MediaMap& map = r->getMediaList();
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.count(W("NoMedias")), 0u);
    EXPECT_EQ(map.at(W("Mätt")).size(), 1u);
    EXPECT_EQ(map.at(W("_Ungrouped_")).count(W("Plain")), 1u);

    boost::shared_ptr<MediaRepository> paper = r->getMedia(W("Mätt"), W("Papier é"));
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper, r->getMediaLegacy(W("Papier é [Mätt]")));
    EXPECT_EQ(paper->getPrinter(), PrinterRepository::createRepository(W("Jet"), W("")));

    boost::shared_ptr<MediaRepository> plain = r->getMedia(W(""), W("Plain"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain, r->getMedia(W("_Ungrouped_"), W("Plain")));
    EXPECT_EQ(plain, r->getMediaLegacy(W("Plain  ")));

    // A starred name: a repository of its own over the same folder.
    boost::shared_ptr<MediaRepository> starred = r->getMedia(W(""), W("*Plain"));
    ASSERT_TRUE(starred);
    EXPECT_NE(starred, plain);
    EXPECT_EQ(U(starred->getRoot()->getURI()), U(plain->getRoot()->getURI()));
    EXPECT_EQ(starred, r->getMedia(W(""), W("*Plain")));

    EXPECT_FALSE(r->getMedia(W("Mätt"), W("file.txt")));
    EXPECT_FALSE(r->getMedia(W("NoMedias"), W("x")));
    EXPECT_FALSE(r->getMedia(W(""), W("*Nothing")));
    EXPECT_FALSE(r->getMediaLegacy(W("Papier é [Other]")));
}

TEST_F(PrinterReaderTest, MediaMapGrowsAndShrinks) {
    makePrinter("Jet", "");
    makeMedia("Jet", "G", "A");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("Jet"), W(""));
    boost::shared_ptr<PrinterReader> r = repository->getReader();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->getMediaList().size(), 1u);

    makeMedia("Jet", "G", "B");
    makeMedia("Jet", "H", "C");
    EXPECT_EQ(r->getMediaList().at(W("G")).size(), 1u);  // nothing re-read by itself
    r->refreshMediaMap();
    EXPECT_EQ(r->getMediaList().at(W("G")).size(), 2u);
    EXPECT_EQ(r->getMediaList().count(W("H")), 1u);
    makeMedia("Jet", "H", "D");
    repository->notifyMediaChange(PrinterRepository::MEDIA_ADDED, vexa::vfs::FileObjectPtr());
    EXPECT_EQ(r->getMediaList().at(W("H")).size(), 2u);
    EXPECT_FALSE(repository->isOutdated());

    // A removed media leaves the map; its group goes with its last media,
    // unless the folder still holds a media the map did not know.
    boost::shared_ptr<MediaRepository> c = r->getMedia(W("H"), W("C"));
    boost::shared_ptr<MediaRepository> d = r->getMedia(W("H"), W("D"));
    ASSERT_TRUE(c && d);
    removeTree(printerPath("Jet") + "/Medias/H/C");
    repository->notifyMediaChange(PrinterRepository::MEDIA_REMOVED, c->getRoot());
    EXPECT_EQ(r->getMediaList().at(W("H")).count(W("C")), 0u);
    makeMedia("Jet", "H", "E");  // appears behind the map's back
    removeTree(printerPath("Jet") + "/Medias/H/D");
    repository->notifyMediaChange(PrinterRepository::MEDIA_REMOVED, d->getRoot());
    EXPECT_EQ(r->getMediaList().count(W("H")), 0u);
    EXPECT_TRUE(pathExists(printerPath("Jet") + "/Medias/H/E/.Settings.xml"));

    EXPECT_FALSE(repository->isOutdated());
}

TEST_F(PrinterReaderTest, SwatchDefinitions) {
    makePrinter("Jet", "");
    const std::string shared = printerPath("Jet") + "/Shared";
    makeDirs(shared);
    writeFile(shared + "/Reds Ü.SDef", "r");
    writeFile(shared + "/Blues.SDef", "b");
    writeFile(shared + "/Lower.sdef", "l");
    writeFile(shared + "/Other.txt", "o");
    writeFile(shared + "/a.b.SDef", "ab");
    boost::shared_ptr<PrinterReader> r = reader("Jet");
    ASSERT_TRUE(r);

    std::string all;
    const boost::shared_ptr<std::list<wxString>> names = r->getSwatchDefs(W("*"));
    for (const wxString& name : *names) {
        all += U(name) + ",";
    }
    EXPECT_EQ(all, "Blues,Reds Ü,a.b,");
    ASSERT_TRUE(r->getSwatchDefs(W("R*")));
    EXPECT_EQ(r->getSwatchDefs(W("R*"))->size(), 1u);
    EXPECT_EQ(r->getSwatchDefs(W("*.txt"))->size(), 0u);

    EXPECT_EQ(U(r->getSwatchDefLocation(W("Reds Ü"))), shared + "/Reds Ü.SDef");
    EXPECT_EQ(U(r->getSwatchDefLocation(W("Lower"))), "");
    EXPECT_EQ(U(r->getSwatchDefLocation(W("../Shared/Blues"))), "");

    makePrinter("NoShared", "");
    boost::shared_ptr<PrinterReader> bare = reader("NoShared");
    ASSERT_TRUE(bare);
    ASSERT_TRUE(bare->getSwatchDefs(W("*")));
    EXPECT_TRUE(bare->getSwatchDefs(W("*"))->empty());
    EXPECT_FALSE(pathExists(printerPath("NoShared") + "/Shared"));
}

TEST_F(PrinterReaderTest, EngineSettingsStream) {
    makePrinter("Jet", "");
    {
        boost::shared_ptr<PrinterReader> r = reader("Jet");
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->getInputSPSettingsStream());
        r->closeSPSettingsStream();
    }
    {
        boost::shared_ptr<PrinterWriter> w = PrinterWriter::getWriter(W("Jet"));
        ASSERT_TRUE(w);
        EXPECT_FALSE(w->getOutputSPSettingsStream());
    }
    EXPECT_FALSE(pathExists(printerPath("Jet") + "/.SPSettings.dat"));

    writeFile(printerPath("Jet") + "/.SPSettings.dat", std::string("old\0bytes", 9));
    {
        boost::shared_ptr<PrinterWriter> w = PrinterWriter::getWriter(W("Jet"));
        ASSERT_TRUE(w);
        boost::shared_ptr<wxOutputStream> out = w->getOutputSPSettingsStream();
        ASSERT_TRUE(out);
        out->Write("new", 3);
        out.reset();
        w->closeSPSettingsStream();
    }
    boost::shared_ptr<PrinterReader> r = reader("Jet");
    ASSERT_TRUE(r);
    boost::shared_ptr<wxInputStream> in = r->getInputSPSettingsStream();
    ASSERT_TRUE(in);
    EXPECT_EQ(readAll(*in), "new");
}

class PrinterCopyTest : public PrinterFixture {
  protected:
    void SetUp() override {
        PrinterFixture::SetUp();
        makePrinter("Src", R"(<node name="PortName" value="USB"/>)");
        makeMedia("Src", "G", "M");
        makeDirs(printerPath("Src") + "/Shared");
        writeFile(printerPath("Src") + "/Shared/S.SDef", "s");
        makePrinter("Other", R"(<node name="PortName" value="other"/>)");
        source = PrinterReader::getReader(W("Src"));
        ASSERT_TRUE(source);
        otherSettings = readFile(settingsPath("Other"));
    }
    void expectOthersUntouched() {
        EXPECT_EQ(readFile(settingsPath("Other")), otherSettings);
        EXPECT_FALSE(pathExists(printerPath("Other") + "/Medias"));
        EXPECT_FALSE(pathExists(printerPath("Src") + "/.invalid"));
        EXPECT_EQ(readFile(settingsPath("Src")),
                  settingsXml("Printer", R"(<node name="PortName" value="USB"/>)"));
    }
    boost::shared_ptr<PrinterReader> source;
    std::string otherSettings;
};

TEST_F(PrinterCopyTest, CopiesByNameAndPath) {
    ASSERT_TRUE(source->copyTo(W("Kopie Ü")));
    const std::string copy = printerPath("Kopie Ü");
    EXPECT_EQ(readFile(copy + "/.Settings.xml"), readFile(settingsPath("Src")));
    EXPECT_TRUE(pathExists(copy + "/Medias/G/M/Modes/Std/.Settings.xml"));
    EXPECT_EQ(readFile(copy + "/Shared/S.SDef"), "s");
    EXPECT_FALSE(pathExists(copy + "/.invalid"));
    boost::shared_ptr<PrinterReader> copied = PrinterReader::getReader(W("Kopie Ü"));
    ASSERT_TRUE(copied);
    EXPECT_EQ(U(copied->getPortType()), "USB");

    const std::string outside = dir.path() + "/backup/Src copy";
    ASSERT_TRUE(source->copyTo(W(outside)));
    EXPECT_EQ(readFile(outside + "/.Settings.xml"), readFile(settingsPath("Src")));
    EXPECT_FALSE(pathExists(outside + "/.invalid"));
    expectOthersUntouched();
}

TEST_F(PrinterCopyTest, RefusesItselfAndOccupiedDestinations) {
    // Onto itself, by name, by path and by other spellings of the path.
    EXPECT_FALSE(source->copyTo(W("Src")));
    EXPECT_FALSE(source->copyTo(W(printerPath("Src"))));
    EXPECT_FALSE(source->copyTo(W(printerPath("Src") + "/")));
    EXPECT_FALSE(source->copyTo(W(printersPath() + "/./Src")));
    EXPECT_FALSE(source->copyTo(W(printersPath() + "/../Printers/Src")));
    ASSERT_EQ(0, ::symlink(printerPath("Src").c_str(), (dir.path() + "/link").c_str()));
    EXPECT_FALSE(source->copyTo(W(dir.path() + "/link")));
    // Into itself, and onto what holds it.
    EXPECT_FALSE(source->copyTo(W(printerPath("Src") + "/Inner")));
    EXPECT_FALSE(pathExists(printerPath("Src") + "/Inner"));
    EXPECT_FALSE(source->copyTo(W(printersPath())));
    // Onto another printer or a file.
    EXPECT_FALSE(source->copyTo(W("Other")));
    writeFile(dir.path() + "/plain", "p");
    EXPECT_FALSE(source->copyTo(W(dir.path() + "/plain")));
    EXPECT_EQ(readFile(dir.path() + "/plain"), "p");
    EXPECT_FALSE(source->copyTo(boost::shared_ptr<vexa::vfs::FileObject>()));
    EXPECT_FALSE(source->copyTo(W("")));
    expectOthersUntouched();
    EXPECT_FALSE(pathExists(printerPath("Src") + "/.invalid"));
    // An empty folder is a fine destination.
    makeDirs(printerPath("Empty"));
    EXPECT_TRUE(source->copyTo(W("Empty")));
    EXPECT_TRUE(pathExists(printerPath("Empty") + "/.Settings.xml"));
}

}  // namespace
