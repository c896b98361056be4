// Writing a printer: setters and save, renaming, relocating, removing, and
// the refresh after changes made behind the repository's back.
#include <cstdio>

#include "printer/PrinterFixture.h"
#include "repos/ColorDotInfo.h"
#include "repos/ScreenSetup.h"

using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterRepository;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterWriterTest : public PrinterFixture {
  protected:
    boost::shared_ptr<PrinterWriter> writer(const std::string& name) {
        return PrinterWriter::getWriter(W(name));
    }
    std::string value(const std::string& printer, const std::string& key,
                      const char* attribute = "value") {
        return fileValue(settingsPath(printer), key, attribute);
    }
    // Replaces a file the way another process saves: a new file renamed over
    // the old one, so the folder's time moves.
    void replaceBehindTheBack(const std::string& path, const std::string& bytes) {
        writeFile(path + ".tmp", bytes);
        ASSERT_EQ(0, std::rename((path + ".tmp").c_str(), path.c_str()));
    }
    std::string rootChildren(const std::string& name) {
        wxFileInputStream in(W(settingsPath(name)));
        const vexa::repos::NamedNode::Ptr root =
            vexa::repos::SettingsManager::GetSettings(in)->getRoot();
        std::string names;
        for (const vexa::repos::NamedNode::Ptr& child : *root) {
            names += U(child->getName()) + ",";
        }
        return names;
    }
};

TEST_F(PrinterWriterTest, SaveWritesOnlyWhenSomethingChanged) {
    makePrinter("P", R"(<node name="PortName" value="USB"/><node name="PortData" value="d"/>)");
    const long long time = modifiedNs(settingsPath("P"));
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->save());
        w->setPortType(W("USB"));  // the value in force
        w->setActive(true);        // absent means active
        EXPECT_TRUE(w->save());
    }
    EXPECT_EQ(modifiedNs(settingsPath("P")), time);
    // The port data is written even when it equals what is there.
    writer("P")->setPortData(W("d"));
    EXPECT_TRUE(writer("P")->save());
    EXPECT_NE(modifiedNs(settingsPath("P")), time);
    EXPECT_EQ(value("P", "Printer/PortData"), "d");
}

TEST_F(PrinterWriterTest, TextSettersCreateMissingNodesAsLastChildren) {
    makePrinter("P", R"(<node name="DllDevice" value="dev"/>)");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        w->setPortType(W("Tür"));
        w->setPortData(W("data"));
        w->setVirtualPrinterExtension(W("ext"));
        w->setDefaultPageSize(W("A3 Ü"));
        w->setActive(false);
        w->setDefaultMedia(W(""), W("Plain"));
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(rootChildren("P"),
              "DllDevice,PortName,PortData,VirtualPrinterExtension,DefaultPageSize,Active,"
              "DefaultMedia,");
    EXPECT_EQ(value("P", "Printer/Active"), "false");
    EXPECT_EQ(value("P", "Printer/DefaultMedia", "group"), "_Ungrouped_");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        w->setActive(true);
        w->setDefaultMediaLegacy(W("Fotö [Glänzend]"));
        w->setPortType(W(""));
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(value("P", "Printer/Active"), "true");
    EXPECT_EQ(value("P", "Printer/DefaultMedia", "group"), "Glänzend");
    EXPECT_EQ(value("P", "Printer/DefaultMedia", "media"), "Fotö");
    EXPECT_EQ(value("P", "Printer/PortName"), "");
}

TEST_F(PrinterWriterTest, ClearingATextThatWasNotReadYet) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    writer("P")->setPortType(W(""));
    EXPECT_TRUE(writer("P")->save());
    EXPECT_EQ(value("P", "Printer/PortName"), "");
}

TEST_F(PrinterWriterTest, ObjectSetters) {
    makePrinter("P", fullPrinterBody());
    // A null pointer saves the cached object, changed in place by a caller.
    stral_add(PrinterReader::getReader(W("P"))->getPageSizes()->getStral(), -1, 0, "Bänner", "100",
              "900", "0", "1", nullptr);
    SSTRAL* ports = _stral_new();
    stral_add(ports, -1, 0, "COM Ü", "2", "9600", nullptr);
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        w->setPageSizes(nullptr);
        w->setPortList(ports);
        ASSERT_TRUE(w->save());
    }
    stral_free(ports);
    EXPECT_EQ(value("P", "Printer/PageSizes/Bänner", "height"), "900");
    EXPECT_EQ(value("P", "Printer/PageSizes/A4", "width"), "595");
    EXPECT_EQ(value("P", "Printer/PortList/COM Ü"), "9600");
    EXPECT_EQ(value("P", "Printer/PortList/LPT1"), "<absent>");

    // Nothing cached: nothing written for those keys.
    makePrinter("Bare", "");
    {
        boost::shared_ptr<PrinterWriter> w = writer("Bare");
        w->setPageSizes(nullptr);
        w->setDotInfo(nullptr);
        EXPECT_TRUE(w->save());
    }
    EXPECT_EQ(rootChildren("Bare"), "");

    // Structures for absent keys make their nodes.
    vexa::repos::ScreenSetup screens;
    vexa::kernel::copyTextCut(screens.getScreenSetup()->name, "Grob", 79);
    vexa::repos::DotInfo dots;
    vexa::kernel::copyTextCut(dots.getDotInfo()->units, "µm", 19);
    {
        boost::shared_ptr<PrinterWriter> w = writer("Bare");
        w->setDotInfo(dots.getDotInfo());
        w->setScreenSetups(screens.getScreenSetup());
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(rootChildren("Bare"), "DefaultScreenSetup,DotInfo,");
    PrinterCatalog::reset();
    boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(W("Bare"));
    EXPECT_STREQ(r->getDotInfo()->getDotInfo()->units, "µm");
    EXPECT_STREQ(r->getScreenSetups()->getScreenSetup()->name, "Grob");
}

TEST_F(PrinterWriterTest, UnsavedChangesAreSharedAndKeptForALaterSave) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    writer("P")->setPortType(W("LAN"));
    EXPECT_EQ(U(PrinterReader::getReader(W("P"))->getPortType()), "LAN");
    EXPECT_EQ(value("P", "Printer/PortName"), "USB");

    // A store that fails keeps the changes for a retry.
    boost::shared_ptr<PrinterWriter> w = writer("P");
    ASSERT_EQ(0, std::remove(settingsPath("P").c_str()));
    makeDirs(settingsPath("P") + "/blocker");
    EXPECT_FALSE(w->save());
    removeTree(settingsPath("P"));
    EXPECT_TRUE(w->save());
    EXPECT_EQ(value("P", "Printer/PortName"), "LAN");
}

TEST_F(PrinterWriterTest, Renaming) {
    makePrinter("Alt", R"(<node name="PortName" value="USB"/>)");
    makePrinter("Other", "");
    makeMedia("Alt", "G", "M");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("Alt"), W(""));
    const std::string other = readFile(settingsPath("Other"));
    {
        boost::shared_ptr<PrinterWriter> w = repository->getWriter();
        const long long time = modifiedNs(printerPath("Alt"));
        EXPECT_TRUE(w->setPrinterName(W("Alt")));
        EXPECT_EQ(modifiedNs(printerPath("Alt")), time);
        for (const char* refused : {"Other", "", "..", "a/b"}) {
            EXPECT_FALSE(w->setPrinterName(W(refused))) << refused;
        }
        EXPECT_EQ(readFile(settingsPath("Other")), other);
        EXPECT_FALSE(pathExists(printerPath("Alt") + "/.invalid"));

        w->setPortType(W("LAN"));  // saved by the rename
        ASSERT_TRUE(w->setPrinterName(W("Neü")));
        EXPECT_FALSE(pathExists(printerPath("Alt")));
        EXPECT_FALSE(pathExists(printerPath("Neü") + "/.invalid"));
        EXPECT_EQ(value("Neü", "Printer/PortName"), "LAN");
        // The writer keeps working on the new folder.
        w->setPortData(W("after"));
        EXPECT_TRUE(w->save());
        EXPECT_EQ(value("Neü", "Printer/PortData"), "after");
    }
    boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(W("Neü"));
    ASSERT_TRUE(r);
    EXPECT_EQ(repository, PrinterRepository::createRepository(W("Neü"), W("")));
    EXPECT_EQ(U(r->getRootPath()), printerPath("Neü"));
    EXPECT_TRUE(r->getMedia(W("G"), W("M")));
    EXPECT_FALSE(pathExists(printerPath("Alt")));
}

TEST_F(PrinterWriterTest, UpdateLocationFollowsAFolderMovedElsewhere) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    boost::shared_ptr<PrinterWriter> w = repository->getWriter();
    ASSERT_EQ(0, std::rename(printerPath("P").c_str(), printerPath("Moved").c_str()));
    w->updateLocation(W(dir.path() + "/nowhere"));  // not a folder: nothing changes
    EXPECT_FALSE(pathExists(dir.path() + "/nowhere"));
    w->updateLocation(W(printerPath("Moved")));
    EXPECT_EQ(U(repository->getRootPath()), printerPath("Moved"));
    w->setPortType(W("LAN"));
    EXPECT_TRUE(w->save());
    EXPECT_EQ(value("Moved", "Printer/PortName"), "LAN");
    EXPECT_FALSE(pathExists(printerPath("P")));
    w.reset();
    EXPECT_EQ(repository, PrinterRepository::createRepository(W("Moved"), W("")));
    EXPECT_FALSE(PrinterRepository::createRepository(W("P"), W("")));
}

TEST_F(PrinterWriterTest, RemovingAPrinterWithItsMedias) {
    makePrinter("P", "");
    makeMedia("P", "G", "Opened");
    makeMedia("P", "_Ungrouped_", "Closed");
    writeFile(printerPath("P") + "/.SPSettings.dat", "sp");
    makePrinter("Other", "");
    const std::string other = readFile(settingsPath("Other"));
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r->getMedia(W("G"), W("Opened")));
        ASSERT_TRUE(r->getMedia(W(""), W("*Closed")));  // shares the folder of Closed
        ASSERT_TRUE(r->getMedia(W(""), W("Closed")));
    }
    boost::shared_ptr<PrinterWriter> w = repository->getWriter();
    EXPECT_FALSE(w->removeMedia(W("G"), W("Opened")));
    EXPECT_FALSE(w->removeMediaLegacy(W("Opened [G]")));
    EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/Opened"));
    EXPECT_TRUE(w->removePrinter());
    EXPECT_FALSE(pathExists(printerPath("P")));
    EXPECT_EQ(readFile(settingsPath("Other")), other);
    EXPECT_FALSE(PrinterRepository::createRepository(W("P"), W("")));
    // The repository outlives its folder without making it again.
    EXPECT_FALSE(w->getOutputSPSettingsStream());
    w.reset();
    EXPECT_FALSE(repository->getReader());
    EXPECT_FALSE(pathExists(printerPath("P")));
}

TEST_F(PrinterWriterTest, ChangesOnDiskAreReadAgain) {
    makePrinter("P", R"(<node name="PortName" value="USB"/><node name="DllDevice" value="old"/>)");
    makeMedia("P", "G", "A");
    makeMedia("P", "H", "C");
    writeFile(printerPath("P") + "/.SPSettings.dat", "one");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        EXPECT_EQ(U(r->getPortType()), "USB");
        EXPECT_TRUE(r->getInputSPSettingsStream());
        ASSERT_TRUE(r->getMedia(W("G"), W("A")));
        ASSERT_EQ(r->getMediaList().size(), 2u);
    }
    // Its own media saved after the outside change must not hide it.
    repository->notifyMediaChange(PrinterRepository::MEDIA_SAVED, vexa::vfs::FileObjectPtr());
    EXPECT_FALSE(repository->isOutdated());
    replaceBehindTheBack(settingsPath("P"),
                         settingsXml("Printer", R"(<node name="PortName" value="LAN"/>)"
                                                R"(<node name="DllDevice" value="new"/>)"
                                                R"(<node name="Active" value="false"/>)"));
    replaceBehindTheBack(printerPath("P") + "/.SPSettings.dat", "two");
    removeTree(printerPath("P") + "/Medias/H");
    makeMedia("P", "K", "D");
    repository->notifyMediaChange(PrinterRepository::MEDIA_SAVED, vexa::vfs::FileObjectPtr());
    EXPECT_TRUE(repository->isOutdated());
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        EXPECT_FALSE(repository->isOutdated());
        EXPECT_EQ(U(r->getPortType()), "LAN");
        EXPECT_EQ(U(r->getDeviceName()), "new");
        boost::shared_ptr<wxInputStream> in = r->getInputSPSettingsStream();
        ASSERT_TRUE(in);
        char bytes[4] = {0};
        in->Read(bytes, 3);
        EXPECT_STREQ(bytes, "two");
        const PrinterRepository::MediaMap& map = r->getMediaList();
        EXPECT_EQ(map.count(W("H")), 0u);
        EXPECT_EQ(map.count(W("K")), 1u);
        EXPECT_TRUE(r->getMedia(W("G"), W("A")));
    }
    // The active flag was read again: setting it back is a change.
    writer("P")->setActive(true);
    EXPECT_TRUE(writer("P")->save());
    EXPECT_EQ(value("P", "Printer/Active"), "true");
    EXPECT_EQ(value("P", "Printer/PortName"), "LAN");
}

}  // namespace
