// Writing a printer: setters and save, renaming, relocating, removing, and
// the refresh after changes made behind the repository's back.
#include <cstdio>

#include "printer/PrinterFixture.h"
#include "repos/ColorDotInfo.h"
#include "repos/MediaRepository.h"
#include "repos/ScreenSetup.h"

using vexa::repos::printer::MediaRepository;
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
    // Replaces the settings file the way another process saves it: a new
    // file renamed over the old one, so the folder's time moves.
    void saveBehindTheBack(const std::string& name, const std::string& body) {
        const std::string temporary = printerPath(name) + "/new.tmp";
        writeFile(temporary, settingsXml("Printer", body));
        ASSERT_EQ(0, std::rename(temporary.c_str(), settingsPath(name).c_str()));
    }
    // The names of the children of the settings file's root.
    std::string rootChildren(const std::string& name) {
        wxFileInputStream in(W(settingsPath(name)));
        boost::shared_ptr<vexa::repos::Settings> settings =
            vexa::repos::SettingsManager::GetSettings(in);
        std::string names;
        for (const vexa::repos::NamedNode::Ptr& child : *settings->getRoot()) {
            names += U(child->getName()) + ",";
        }
        return names;
    }
};

TEST_F(PrinterWriterTest, SaveWritesOnlyWhenSomethingChanged) {
    makePrinter("P", R"(<node name="PortName" value="USB"/><node name="PortData" value="d"/>)");
    const long long time = modifiedNs(settingsPath("P"));
    const unsigned long long inode = inodeOf(settingsPath("P"));
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->save());
        w->setPortType(W("USB"));  // the value in force
        w->setActive(true);        // absent means active
        EXPECT_TRUE(w->save());
    }
    EXPECT_EQ(modifiedNs(settingsPath("P")), time);
    EXPECT_EQ(inodeOf(settingsPath("P")), inode);
    {
        // The port data is written even when it equals what is there.
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setPortData(W("d"));
        EXPECT_TRUE(w->save());
    }
    EXPECT_NE(inodeOf(settingsPath("P")), inode);
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortData"), "d");
}

TEST_F(PrinterWriterTest, SettersCreateMissingNodesAsLastChildren) {
    makePrinter("P", R"(<node name="DllDevice" value="dev"/>)");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
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
    const std::string file = settingsPath("P");
    EXPECT_EQ(fileValue(file, "Printer/PortName"), "Tür");
    EXPECT_EQ(fileValue(file, "Printer/DefaultPageSize"), "A3 Ü");
    EXPECT_EQ(fileValue(file, "Printer/Active"), "false");
    EXPECT_EQ(fileValue(file, "Printer/DefaultMedia", "group"), "_Ungrouped_");
    EXPECT_EQ(fileValue(file, "Printer/DefaultMedia", "media"), "Plain");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setActive(true);
        w->setDefaultMediaLegacy(W("Fotö [Glänzend]"));
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(fileValue(file, "Printer/Active"), "true");
    EXPECT_EQ(fileValue(file, "Printer/DefaultMedia", "group"), "Glänzend");
    EXPECT_EQ(fileValue(file, "Printer/DefaultMedia", "media"), "Fotö");
    EXPECT_EQ(U(PrinterReader::getReader(W("P"))->getDefaultMediaLegacy()), "Fotö [Glänzend]");
}

TEST_F(PrinterWriterTest, ClearingATextThatWasNotReadYet) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setPortType(W(""));
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortName"), "");
}

TEST_F(PrinterWriterTest, ObjectSettersWithAndWithoutStructures) {
    makePrinter("P", fullPrinterBody());
    SSTRAL* ports = _stral_new();
    stral_add(ports, -1, 0, "COM Ü", "2", "9600", nullptr);
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setPortList(ports);
        ASSERT_TRUE(w->save());
    }
    stral_free(ports);
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortList/COM Ü", "value"), "9600");
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortList/LPT1", "value"), "<absent>");

    // A null pointer saves the cached object, changed in place by a caller.
    {
        boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(W("P"));
        ASSERT_TRUE(r);
        stral_add(r->getPageSizes()->getStral(), -1, 0, "Bänner", "100", "900", "0", "1", nullptr);
    }
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setPageSizes(nullptr);
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PageSizes/Bänner", "height"), "900");
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PageSizes/A4", "width"), "595");

    // Nothing cached: nothing written for the key.
    makePrinter("Bare", "");
    {
        boost::shared_ptr<PrinterWriter> w = writer("Bare");
        ASSERT_TRUE(w);
        w->setPageSizes(nullptr);
        w->setDotInfo(nullptr);
        w->setScreenSetups(nullptr);
        w->setPortList(nullptr);
        EXPECT_TRUE(w->save());
    }
    EXPECT_EQ(rootChildren("Bare"), "");
}

TEST_F(PrinterWriterTest, ObjectSettersCreateTheirNodes) {
    makePrinter("P", "");
    vexa::repos::NamedNode::Ptr dots = vexa::repos::NamedNode::Create(W("DotInfo"));
    vexa::repos::NamedNode::Create(W("Units"), {{W("value"), W("µm")}})->addTo(dots);
    boost::shared_ptr<vexa::repos::DotInfo> dotInfo =
        vexa::repos::DataStrategy<vexa::repos::DotInfo>().load(dots);
    vexa::repos::ScreenSetup screens;
    vexa::kernel::copyTextCut(screens.getScreenSetup()->name, "Grob", SP_SCREENSETUP_NAME_SIZE - 1);
    SSTRAL* pages = _stral_new();
    stral_add(pages, -1, 0, "A5", "420", "595", "1", "0", nullptr);
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setDotInfo(dotInfo->getDotInfo());
        w->setScreenSetups(screens.getScreenSetup());
        w->setPageSizes(pages);
        ASSERT_TRUE(w->save());
    }
    stral_free(pages);
    EXPECT_EQ(rootChildren("P"), "PageSizes,DefaultScreenSetup,DotInfo,");
    PrinterCatalog::reset();
    boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(W("P"));
    ASSERT_TRUE(r);
    EXPECT_STREQ(r->getDotInfo()->getDotInfo()->units, "µm");
    EXPECT_STREQ(r->getScreenSetups()->getScreenSetup()->name, "Grob");
    EXPECT_STREQ(r->getPageSizes()->getStral()->first->texts[0], "A5");
}

TEST_F(PrinterWriterTest, UnsavedChangesAreSharedAndSavedLater) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        w->setPortType(W("LAN"));
    }
    EXPECT_EQ(U(PrinterReader::getReader(W("P"))->getPortType()), "LAN");
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortName"), "USB");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->save());
    }
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortName"), "LAN");
}

TEST_F(PrinterWriterTest, FailedStoreKeepsTheChangesForARetry) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    boost::shared_ptr<PrinterWriter> w = writer("P");
    ASSERT_TRUE(w);
    w->setPortType(W("LAN"));
    // A folder where the settings file should be: the store cannot replace it.
    ASSERT_EQ(0, std::remove(settingsPath("P").c_str()));
    makeDirs(settingsPath("P") + "/blocker");
    EXPECT_FALSE(w->save());
    removeTree(settingsPath("P"));
    EXPECT_TRUE(w->save());
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortName"), "LAN");
    w.reset();
    // The store was the last thing written: nothing to read back again.
    EXPECT_EQ(U(PrinterReader::getReader(W("P"))->getPortType()), "LAN");
}

TEST_F(PrinterWriterTest, Renaming) {
    makePrinter("Alt", R"(<node name="PortName" value="USB"/>)");
    makePrinter("Other", R"(<node name="PortName" value="other"/>)");
    makeMedia("Alt", "G", "M");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("Alt"), W(""));
    ASSERT_TRUE(repository);
    const std::string other = readFile(settingsPath("Other"));
    {
        boost::shared_ptr<PrinterWriter> w = repository->getWriter();
        ASSERT_TRUE(w);
        const long long time = modifiedNs(printerPath("Alt"));
        EXPECT_TRUE(w->setPrinterName(W("Alt")));
        EXPECT_EQ(modifiedNs(printerPath("Alt")), time);
        EXPECT_FALSE(w->setPrinterName(W("Other")));
        EXPECT_FALSE(w->setPrinterName(W("")));
        EXPECT_FALSE(w->setPrinterName(W("..")));
        EXPECT_FALSE(w->setPrinterName(W("a/b")));
        EXPECT_EQ(readFile(settingsPath("Other")), other);
        EXPECT_FALSE(pathExists(printerPath("Alt") + "/.invalid"));

        w->setPortType(W("LAN"));
        ASSERT_TRUE(w->setPrinterName(W("Neü")));
        EXPECT_FALSE(pathExists(printerPath("Alt")));
        EXPECT_FALSE(pathExists(printerPath("Neü") + "/.invalid"));
        EXPECT_EQ(fileValue(settingsPath("Neü"), "Printer/PortName"), "LAN");
        EXPECT_TRUE(pathExists(printerPath("Neü") + "/Medias/G/M/.Settings.xml"));
        // The writer keeps working on the new folder.
        w->setPortData(W("after"));
        EXPECT_TRUE(w->save());
        EXPECT_EQ(fileValue(settingsPath("Neü"), "Printer/PortData"), "after");
        EXPECT_FALSE(pathExists(printerPath("Alt")));
    }
    boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(W("Neü"));
    ASSERT_TRUE(r);
    EXPECT_EQ(repository, PrinterRepository::createRepository(W("Neü"), W("")));
    EXPECT_EQ(U(r->getPrinterName()), "Neü");
    EXPECT_EQ(U(r->getRootPath()), printerPath("Neü"));
    EXPECT_TRUE(r->getMedia(W("G"), W("M")));
    EXPECT_EQ(readFile(settingsPath("Other")), other);
}

TEST_F(PrinterWriterTest, UpdateLocationFollowsAFolderMovedElsewhere) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    ASSERT_TRUE(repository);
    boost::shared_ptr<PrinterWriter> w = repository->getWriter();
    ASSERT_TRUE(w);
    ASSERT_EQ(0, std::rename(printerPath("P").c_str(), printerPath("Moved").c_str()));
    w->updateLocation(W(dir.path() + "/nowhere"));  // not a folder: nothing changes
    EXPECT_FALSE(pathExists(dir.path() + "/nowhere"));
    EXPECT_EQ(U(repository->getRootPath()), printerPath("P"));
    w->updateLocation(W(printerPath("Moved")));
    EXPECT_EQ(U(repository->getRootPath()), printerPath("Moved"));
    w->setPortType(W("LAN"));
    EXPECT_TRUE(w->save());
    EXPECT_EQ(fileValue(settingsPath("Moved"), "Printer/PortName"), "LAN");
    EXPECT_FALSE(pathExists(printerPath("P")));
    w.reset();
    EXPECT_EQ(repository, PrinterRepository::createRepository(W("Moved"), W("")));
    EXPECT_FALSE(PrinterRepository::createRepository(W("P"), W("")));
}

TEST_F(PrinterWriterTest, RemovingAPrinter) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    makeMedia("P", "G", "Opened");
    makeMedia("P", "_Ungrouped_", "Closed");
    writeFile(printerPath("P") + "/.SPSettings.dat", "sp");
    makePrinter("Other", "");
    const std::string other = readFile(settingsPath("Other"));
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    ASSERT_TRUE(repository);
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r);
        ASSERT_TRUE(r->getMedia(W("G"), W("Opened")));
        ASSERT_TRUE(r->getMedia(W(""), W("*Opened")) == nullptr);
        ASSERT_TRUE(r->getMedia(W(""), W("Closed")));
        ASSERT_TRUE(r->getMedia(W(""), W("*Closed")));
    }
    boost::shared_ptr<PrinterWriter> w = repository->getWriter();
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->removeMedia(W("G"), W("Opened")));
    EXPECT_FALSE(w->removeMediaLegacy(W("Opened [G]")));
    EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/Opened"));
    EXPECT_TRUE(w->removePrinter());
    EXPECT_FALSE(pathExists(printerPath("P")));
    EXPECT_EQ(readFile(settingsPath("Other")), other);
    EXPECT_FALSE(PrinterRepository::createRepository(W("P"), W("")));
    // The repository outlives its folder without making it again.
    EXPECT_FALSE(repository->isValid());
    EXPECT_TRUE(w->getOutputSPSettingsStream() == nullptr);
    w.reset();
    EXPECT_FALSE(repository->getReader());
    EXPECT_FALSE(pathExists(printerPath("P")));
}

TEST_F(PrinterWriterTest, ChangesOnDiskAreReadAgain) {
    makePrinter("P", R"(<node name="PortName" value="USB"/><node name="DllDevice" value="old"/>)");
    writeFile(printerPath("P") + "/.SPSettings.dat", "one");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r);
        EXPECT_EQ(U(r->getPortType()), "USB");
        boost::shared_ptr<wxInputStream> in = r->getInputSPSettingsStream();
        ASSERT_TRUE(in);
    }
    saveBehindTheBack("P",
                      R"(<node name="PortName" value="LAN"/><node name="DllDevice" value="new"/>)"
                      R"(<node name="Active" value="false"/>)");
    const std::string temporary = printerPath("P") + "/sp.tmp";
    writeFile(temporary, "two");
    ASSERT_EQ(0, std::rename(temporary.c_str(), (printerPath("P") + "/.SPSettings.dat").c_str()));
    EXPECT_TRUE(repository->isOutdated());
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r);
        EXPECT_FALSE(repository->isOutdated());
        EXPECT_EQ(U(r->getPortType()), "LAN");
        EXPECT_EQ(U(r->getDeviceName()), "new");
        boost::shared_ptr<wxInputStream> in = r->getInputSPSettingsStream();
        ASSERT_TRUE(in);
        char bytes[4] = {0};
        in->Read(bytes, 3);
        EXPECT_STREQ(bytes, "two");
    }
    {
        // The active flag was read again: setting it back is a change.
        boost::shared_ptr<PrinterWriter> w = repository->getWriter();
        ASSERT_TRUE(w);
        w->setActive(true);
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/Active"), "true");
    EXPECT_EQ(fileValue(settingsPath("P"), "Printer/PortName"), "LAN");
}

TEST_F(PrinterWriterTest, OwnChangesDoNotHideAnOutsideChange) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    makeMedia("P", "G", "M");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r);
        EXPECT_EQ(U(r->getPortType()), "USB");
    }
    repository->notifyMediaChange(PrinterRepository::MEDIA_SAVED, vexa::vfs::FileObjectPtr());
    EXPECT_FALSE(repository->isOutdated());
    saveBehindTheBack("P", R"(<node name="PortName" value="LAN"/>)");
    // A media of this printer saved by this process after the outside change.
    repository->notifyMediaChange(PrinterRepository::MEDIA_SAVED, vexa::vfs::FileObjectPtr());
    EXPECT_TRUE(repository->isOutdated());
    boost::shared_ptr<PrinterReader> r = repository->getReader();
    ASSERT_TRUE(r);
    EXPECT_EQ(U(r->getPortType()), "LAN");
}

TEST_F(PrinterWriterTest, RefreshDropsMediasWhoseFoldersWentAway) {
    makePrinter("P", "");
    makeMedia("P", "G", "A");
    makeMedia("P", "G", "B");
    makeMedia("P", "H", "C");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("P"), W(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r);
        ASSERT_TRUE(r->getMedia(W("G"), W("A")));
        ASSERT_EQ(r->getMediaList().size(), 2u);
    }
    removeTree(printerPath("P") + "/Medias/G/A");
    removeTree(printerPath("P") + "/Medias/H");
    makeMedia("P", "K", "D");
    saveBehindTheBack("P", "");
    boost::shared_ptr<PrinterReader> r = repository->getReader();
    ASSERT_TRUE(r);
    const PrinterRepository::MediaMap& map = r->getMediaList();
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at(W("G")).size(), 1u);
    EXPECT_EQ(map.at(W("G")).count(W("B")), 1u);
    EXPECT_EQ(map.at(W("K")).count(W("D")), 1u);
}

}  // namespace
