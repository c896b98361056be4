// Writing a printer: setters and save, renaming, relocating, removing, and
// the refresh after changes made behind the repository's back.
#include <cstdio>

#include <unistd.h>

#include "kernel/Text.h"
#include "printer/PrinterFixture.h"
#include "repos/Failure.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/ModeWriter.h"

using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterRepository;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterWriterTest : public PrinterFixture {
  protected:
    boost::shared_ptr<PrinterWriter> writer(const std::string& name) {
        return PrinterWriter::getWriter(toWx(name));
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
    std::vector<std::string> rootChildren(const std::string& name) {
        return fileChildren(settingsPath(name), "Printer");
    }
    // Nothing was had, for the reason `code`; cleared for the next attempt.
    static void expectRefused(bool got, vexa::repos::FailureCode code) {
        EXPECT_FALSE(got);
        EXPECT_EQ(vexa::repos::lastFailure().code, code)
            << toUtf8(vexa::repos::lastFailure().message);
        vexa::repos::clearFailure();
    }
};

// Port data is written even when it equals what is there; a text cleared
// before it was ever read is emptied; changes not saved yet are what
// readers see, but not what the file holds.
TEST_F(PrinterWriterTest, TextSettersWriteWhatTheyAreGivenOnlyWhenSaved) {
    makePrinter("P", R"(<node name="PortName" value="USB"/><node name="PortData" value="d"/>)");
    const long long time = modifiedNs(settingsPath("P"));
    writer("P")->setPortData(toWx("d"));
    EXPECT_TRUE(writer("P")->save());
    EXPECT_NE(modifiedNs(settingsPath("P")), time);
    EXPECT_EQ(value("P", "Printer/PortData"), "d");

    writer("P")->setPortType(toWx(""));
    EXPECT_TRUE(writer("P")->save());
    EXPECT_EQ(value("P", "Printer/PortName"), "");

    writer("P")->setPortType(toWx("LAN"));
    EXPECT_EQ(toUtf8(PrinterReader::getReader(toWx("P"))->getPortType()), "LAN");
    EXPECT_EQ(value("P", "Printer/PortName"), "");
}

// Missing nodes made last in the order of the calls, and Active's texts,
// are held by the regenerated sample; it names its default media's group.
TEST_F(PrinterWriterTest, ALegacyDefaultMediaWithoutAGroupIsWrittenUngrouped) {
    makePrinter("P", R"(<node name="DllDevice" value="dev"/>)");
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        w->setDefaultMediaLegacy(toWx("Plain"));
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(value("P", "Printer/DefaultMedia", "group"), "_Ungrouped_");
    EXPECT_EQ(value("P", "Printer/DefaultMedia", "media"), "Plain");
}

// Structures for absent keys make their nodes, as the regenerated sample
// holds.
TEST_F(PrinterWriterTest, ObjectSettersSaveTheCacheForNullAndNothingWithoutOne) {
    makePrinter("P", fullPrinterBody());
    // A null pointer saves the cached object, changed in place by a caller.
    stral_add(PrinterReader::getReader(toWx("P"))->getPageSizes()->getStral(), -1, 0, "Bänner",
              "100", "900", "0", "1", nullptr);
    {
        boost::shared_ptr<PrinterWriter> w = writer("P");
        w->setPageSizes(nullptr);
        ASSERT_TRUE(w->save());
    }
    EXPECT_EQ(value("P", "Printer/PageSizes/Bänner", "height"), "900");
    EXPECT_EQ(value("P", "Printer/PageSizes/A4", "width"), "595");

    // Nothing cached: nothing written for those keys.
    makePrinter("Bare", "");
    {
        boost::shared_ptr<PrinterWriter> w = writer("Bare");
        w->setPageSizes(nullptr);
        w->setDotInfo(nullptr);
        EXPECT_TRUE(w->save());
    }
    EXPECT_TRUE(rootChildren("Bare").empty());
}

TEST_F(PrinterWriterTest, RenamingRefusesUnusableNamesAndMovesTheFolderWithItsMedias) {
    makePrinter("Alt", R"(<node name="PortName" value="USB"/>)");
    makePrinter("Other", "");
    makeMedia("Alt", "G", "M");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(toWx("Alt"), toWx(""));
    const std::string other = readFile(settingsPath("Other"));
    {
        boost::shared_ptr<PrinterWriter> w = repository->getWriter();
        const long long time = modifiedNs(printerPath("Alt"));
        EXPECT_TRUE(w->setPrinterName(toWx("Alt")));
        EXPECT_EQ(modifiedNs(printerPath("Alt")), time);
        // Refused before anything changes: no marker is left behind.
        const std::string tooLong(256, 'x');
        for (const std::string& refused :
             {std::string("Other"), std::string(""), std::string(".."), std::string("a/b"),
              std::string("tab\tname"), std::string("end "), std::string("new\nline"), tooLong}) {
            vexa::repos::clearFailure();
            EXPECT_FALSE(w->setPrinterName(toWx(refused))) << refused;
            EXPECT_EQ(vexa::repos::lastFailure().code,
                      refused == "Other" ? vexa::repos::FailureCode::ALREADY_EXISTS
                                         : vexa::repos::FailureCode::INVALID_NAME)
                << refused;
            EXPECT_FALSE(pathExists(printerPath("Alt") + "/.invalid")) << refused;
        }
        EXPECT_EQ(readFile(settingsPath("Other")), other);

        w->setPortType(toWx("LAN"));  // saved by the rename
        ASSERT_TRUE(w->setPrinterName(toWx("Neü")));
        EXPECT_FALSE(pathExists(printerPath("Alt")));
        EXPECT_FALSE(pathExists(printerPath("Neü") + "/.invalid"));
        EXPECT_EQ(value("Neü", "Printer/PortName"), "LAN");
        // The writer keeps working on the new folder.
        w->setPortData(toWx("after"));
        EXPECT_TRUE(w->save());
        EXPECT_EQ(value("Neü", "Printer/PortData"), "after");
    }
    boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(toWx("Neü"));
    ASSERT_TRUE(r);
    EXPECT_EQ(repository, PrinterRepository::createRepository(toWx("Neü"), toWx("")));
    EXPECT_EQ(toUtf8(r->getRootPath()), printerPath("Neü"));
    EXPECT_TRUE(r->getMedia(toWx("G"), toWx("M")));
    EXPECT_FALSE(pathExists(printerPath("Alt")));
}

TEST_F(PrinterWriterTest, UpdateLocationFollowsAFolderMovedElsewhere) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(toWx("P"), toWx(""));
    boost::shared_ptr<PrinterWriter> w = repository->getWriter();
    ASSERT_EQ(0, std::rename(printerPath("P").c_str(), printerPath("Moved").c_str()));
    w->updateLocation(toWx(dir.path() + "/nowhere"));  // not a folder: nothing changes
    EXPECT_FALSE(pathExists(dir.path() + "/nowhere"));
    w->updateLocation(toWx(printerPath("Moved")));
    EXPECT_EQ(toUtf8(repository->getRootPath()), printerPath("Moved"));
    w->setPortType(toWx("LAN"));
    EXPECT_TRUE(w->save());
    EXPECT_EQ(value("Moved", "Printer/PortName"), "LAN");
    EXPECT_FALSE(pathExists(printerPath("P")));
    w.reset();
    EXPECT_EQ(repository, PrinterRepository::createRepository(toWx("Moved"), toWx("")));
    EXPECT_FALSE(PrinterRepository::createRepository(toWx("P"), toWx("")));
}

TEST_F(PrinterWriterTest, RemovingAPrinterWithItsMedias) {
    makePrinter("P", "");
    makeMedia("P", "G", "Opened");
    makeMedia("P", "_Ungrouped_", "Closed");
    writeFile(printerPath("P") + "/.SPSettings.dat", "sp");
    makePrinter("Other", "");
    const std::string other = readFile(settingsPath("Other"));
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(toWx("P"), toWx(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        ASSERT_TRUE(r->getMedia(toWx("G"), toWx("Opened")));
        ASSERT_TRUE(r->getMedia(toWx(""), toWx("*Closed")));  // shares the folder of Closed
        ASSERT_TRUE(r->getMedia(toWx(""), toWx("Closed")));
    }
    boost::shared_ptr<PrinterWriter> w = repository->getWriter();
    EXPECT_FALSE(w->removeMedia(toWx("G"), toWx("Opened")));
    EXPECT_FALSE(w->removeMediaLegacy(toWx("Opened [G]")));
    EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/Opened"));
    EXPECT_TRUE(w->removePrinter());
    EXPECT_FALSE(pathExists(printerPath("P")));
    EXPECT_EQ(readFile(settingsPath("Other")), other);
    EXPECT_FALSE(PrinterRepository::createRepository(toWx("P"), toWx("")));
    // The repository outlives its folder without making it again.
    EXPECT_FALSE(w->getOutputSPSettingsStream());
    w.reset();
    EXPECT_FALSE(repository->getReader());
    EXPECT_FALSE(pathExists(printerPath("P")));
}

// A printer or media folder that is a symbolic link is removed as a link:
// whatever it points at, files that are no settings included, stays.
TEST_F(PrinterWriterTest, RemovingALinkedPrinterOrMediaRemovesOnlyTheLink) {
    const std::string elsewhere = dir.path() + "/elsewhere";
    makePrinter("Real", "");
    makeMedia("Real", "G", "M");
    writeFile(printerPath("Real") + "/notes.txt", "keep");
    ASSERT_EQ(0, std::rename(printerPath("Real").c_str(), elsewhere.c_str()));
    ASSERT_EQ(0, ::symlink(elsewhere.c_str(), printerPath("Linked").c_str()));
    makePrinter("P", "");
    makeMedia("P", "G", "Own");
    makeDirs(printerPath("P") + "/Medias/Foreign");
    ASSERT_EQ(0, ::symlink((elsewhere + "/Medias/G/M").c_str(),
                           (printerPath("P") + "/Medias/Foreign/M").c_str()));

    boost::shared_ptr<PrinterWriter> w = writer("P");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->removeMediaFolder(toWx("Foreign"), toWx("M")));
    EXPECT_TRUE(pathExists(elsewhere + "/Medias/G/M/Modes/Std/.Settings.xml"));
    EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/Own/.Settings.xml"));
    // A link inside a printer is taken as a link by the removal too.
    ASSERT_EQ(0, ::symlink(elsewhere.c_str(), (printerPath("P") + "/Shared").c_str()));
    EXPECT_TRUE(w->removePrinter());
    w.reset();
    EXPECT_FALSE(pathExists(printerPath("P")));

    EXPECT_TRUE(PrinterWriter::removePrinterFolder(toWx("Linked")));
    EXPECT_FALSE(pathExists(printerPath("Linked")));
    EXPECT_EQ(readFile(elsewhere + "/notes.txt"), "keep");
    EXPECT_TRUE(pathExists(elsewhere + "/.Settings.xml"));
    EXPECT_TRUE(pathExists(elsewhere + "/Medias/G/M/Modes/Std/.Settings.xml"));
    EXPECT_FALSE(pathExists(elsewhere + "/.invalid"));
}

// What no repository can open can still be removed by its folder: a
// settings file that is empty, cut short, missing or of another kind, a
// half-made copy. A settings file of another kind is never read as this
// kind (a save would write nothing the caller set).
TEST_F(PrinterWriterTest, BrokenAndHalfMadePrintersAreRemovedByTheirFolder) {
    struct Case {
        const char* name;
        const char* settings;  // nullptr: no settings file
        bool marked;
        vexa::repos::FailureCode opening;
    };
    const Case cases[] = {
        {"Empty", "", false, vexa::repos::FailureCode::NOT_READABLE},
        {"Cut", "<?xml version=\"1.0\"?>\n<node name=\"Printer\"><node name=", false,
         vexa::repos::FailureCode::NOT_READABLE},
        {"Media root", "<node name=\"Media\"><node name=\"PortName\" value=\"x\"/></node>", false,
         vexa::repos::FailureCode::NOT_READABLE},
        {"Half copy", "<node name=\"Printer\"/>", true, vexa::repos::FailureCode::NONE},
        {"No settings", nullptr, false, vexa::repos::FailureCode::NOT_READABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeDirs(printerPath(c.name) + "/Medias/G/M/Modes/Std");
        if (c.settings != nullptr) {
            writeFile(settingsPath(c.name), c.settings);
        }
        if (c.marked) {
            writeFile(printerPath(c.name) + "/.invalid", "");
        }
        const std::string before = c.settings != nullptr ? readFile(settingsPath(c.name)) : "";
        vexa::repos::clearFailure();
        const bool opened = static_cast<bool>(PrinterReader::getReader(toWx(c.name)));
        EXPECT_EQ(opened, c.opening == vexa::repos::FailureCode::NONE);
        if (!opened) {
            EXPECT_EQ(vexa::repos::lastFailure().code, c.opening)
                << toUtf8(vexa::repos::lastFailure().message);
        }
        if (c.settings != nullptr) {
            EXPECT_EQ(readFile(settingsPath(c.name)), before);
        }
        EXPECT_TRUE(PrinterWriter::removePrinterFolder(toWx(c.name)))
            << toUtf8(vexa::repos::lastFailure().message);
        EXPECT_FALSE(pathExists(printerPath(c.name)));
    }
    vexa::repos::clearFailure();
    expectRefused(PrinterWriter::removePrinterFolder(toWx("Nobody")),
                  vexa::repos::FailureCode::NOT_FOUND);
    EXPECT_FALSE(PrinterWriter::removePrinterFolder(toWx("..")));
    EXPECT_TRUE(pathExists(printersPath()));

    // A media whose settings are of another kind, and a mode of another
    // kind, are not read; the media is removed by its folder.
    makePrinter("P", "");
    makeMedia("P", "G", "Wrong");
    writeFile(printerPath("P") + "/Medias/G/Wrong/.Settings.xml", settingsXml("Printer", ""));
    makeMedia("P", "G", "M");
    writeFile(printerPath("P") + "/Medias/G/M/Modes/Std/.Settings.xml", settingsXml("Media", ""));
    boost::shared_ptr<PrinterReader> r = PrinterReader::getReader(toWx("P"));
    ASSERT_TRUE(r);
    expectRefused(!!r->getMedia(toWx("G"), toWx("Wrong")), vexa::repos::FailureCode::NOT_READABLE);
    expectRefused(!!r->getMedia(toWx("G"), toWx("Nobody")), vexa::repos::FailureCode::NOT_FOUND);
    boost::shared_ptr<vexa::repos::printer::MediaRepository> m = r->getMedia(toWx("G"), toWx("M"));
    ASSERT_TRUE(m);
    expectRefused(!!m->getReader()->getMode(toWx("Std")), vexa::repos::FailureCode::NOT_READABLE);
    expectRefused(!!m->getReader()->getMode(toWx("Nobody")), vexa::repos::FailureCode::NOT_FOUND);
    r.reset();
    m.reset();
    boost::shared_ptr<PrinterWriter> w = writer("P");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->removeMediaFolder(toWx("G"), toWx("Wrong")));
    EXPECT_FALSE(pathExists(printerPath("P") + "/Medias/G/Wrong"));
    EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/M/.Settings.xml"));
}

// A thread that holds a reader or writer and asks for what would wait for
// it forever gets nothing at once, with the reason, instead of hanging.
TEST_F(PrinterWriterTest, AThreadAskingForWhatWaitsForItselfIsRefusedAtOnce) {
    makePrinter("P", "");
    makeMedia("P", "G", "M");
    const auto refused = [](bool got) {
        expectRefused(got, vexa::repos::FailureCode::WOULD_DEADLOCK);
    };
    {
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx("P"));
        ASSERT_TRUE(reader);
        refused(static_cast<bool>(writer("P")));
        boost::shared_ptr<vexa::repos::printer::MediaRepository> media =
            reader->getMedia(toWx("G"), toWx("M"));
        ASSERT_TRUE(media);
        boost::shared_ptr<vexa::repos::printer::MediaReader> mediaReader = media->getReader();
        ASSERT_TRUE(mediaReader);
        refused(static_cast<bool>(media->getWriter()));
        boost::shared_ptr<vexa::repos::printer::ModeRepository> mode =
            mediaReader->getMode(toWx("Std"));
        ASSERT_TRUE(mode);
        boost::shared_ptr<vexa::repos::printer::ModeReader> modeReader = mode->getReader();
        ASSERT_TRUE(modeReader);
        refused(static_cast<bool>(mode->getWriter()));
        reader.reset();
        // The printer's removal would wait for this thread's mode reader.
        boost::shared_ptr<PrinterWriter> w = writer("P");
        ASSERT_TRUE(w);
        refused(w->removePrinter());
        EXPECT_TRUE(pathExists(printerPath("P") + "/Medias/G/M/Modes/Std/.Settings.xml"));
        EXPECT_FALSE(pathExists(printerPath("P") + "/.invalid"));
    }
    boost::shared_ptr<PrinterWriter> w = writer("P");
    ASSERT_TRUE(w);
    refused(static_cast<bool>(PrinterReader::getReader(toWx("P"))));
    EXPECT_TRUE(w->removePrinter());
}

TEST_F(PrinterWriterTest, ChangesOnDiskAreReadAgain) {
    makePrinter("P", R"(<node name="PortName" value="USB"/><node name="DllDevice" value="old"/>)");
    makeMedia("P", "G", "A");
    makeMedia("P", "H", "C");
    writeFile(printerPath("P") + "/.SPSettings.dat", "one");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(toWx("P"), toWx(""));
    {
        boost::shared_ptr<PrinterReader> r = repository->getReader();
        EXPECT_EQ(toUtf8(r->getPortType()), "USB");
        EXPECT_TRUE(r->getInputSPSettingsStream());
        ASSERT_TRUE(r->getMedia(toWx("G"), toWx("A")));
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
        EXPECT_EQ(toUtf8(r->getPortType()), "LAN");
        EXPECT_EQ(toUtf8(r->getDeviceName()), "new");
        boost::shared_ptr<wxInputStream> in = r->getInputSPSettingsStream();
        ASSERT_TRUE(in);
        char bytes[4] = {0};
        in->Read(bytes, 3);
        EXPECT_STREQ(bytes, "two");
        const PrinterRepository::MediaMap& map = r->getMediaList();
        EXPECT_EQ(map.count(toWx("H")), 0u);
        EXPECT_EQ(map.count(toWx("K")), 1u);
        EXPECT_TRUE(r->getMedia(toWx("G"), toWx("A")));
    }
    // The active flag was read again: setting it back is a change.
    writer("P")->setActive(true);
    EXPECT_TRUE(writer("P")->save());
    EXPECT_EQ(value("P", "Printer/Active"), "true");
    EXPECT_EQ(value("P", "Printer/PortName"), "LAN");
}

}  // namespace
