// Two processes on one repository: what one saves the other reads, also
// within the same second, and a writer keeps the other process's readers
// out. Children are forked before any lock is taken and start with a fresh
// catalog, as a separate process would.
#include <chrono>

#include "printer/PrinterFixture.h"
#include "repos/Failure.h"
#include "repos/FileLock.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repository/ProcessHelpers.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterProcessTest : public PrinterFixture {};

// Starts the child's own view of the repository.
void freshProcessView() {
    PrinterCatalog::reset();
    vexa::repos::SystemRepository::Reset();
}

TEST_F(PrinterProcessTest, EverySetterReachesAnotherProcess) {
    const std::string name = "Drücker €";
    makePrinter(name, fullPrinterBody());
    const std::string report = dir.path() + "/child.txt";
    Child child([&](Child& self) {
        self.await();
        freshProcessView();
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(name));
        if (!reader) {
            return 1;
        }
        writeFile(report, describe(*reader) +
                              "active: " + fileValue(settingsPath(name), "Printer/Active") + "\n");
        return 0;
    });
    ASSERT_TRUE(child.started());

    vexa::repos::DotInfo dots;
    {
        vexa::repos::NamedNode::Ptr node = vexa::repos::NamedNode::Create(W("DotInfo"));
        vexa::repos::NamedNode::Create(W("Units"), {{W("value"), W("Pünkte")}})->addTo(node);
        vexa::repos::NamedNode::Ptr group = vexa::repos::NamedNode::Create(W("ResUnits"));
        group->addTo(node);
        vexa::repos::NamedNode::Ptr g = vexa::repos::NamedNode::Create(W("Grüppe"));
        g->addTo(group);
        vexa::repos::NamedNode::Ptr u = vexa::repos::NamedNode::Create(W("Ëinheit"));
        u->addTo(g);
        vexa::repos::NamedNode::Create(W("Zeile"), {{W("scale"), W("2")}, {W("value"), W("3")}})
            ->addTo(u);
        vexa::repos::DataStrategy<vexa::repos::DotInfo>().load(node, dots);
    }
    vexa::repos::ScreenSetup screens;
    {
        vexa::repos::NamedNode::Ptr node = vexa::repos::NamedNode::Create(W("DefaultScreenSetup"));
        vexa::repos::NamedNode::Ptr setup = vexa::repos::NamedNode::Create(W("Grob ü"));
        setup->addTo(node);
        vexa::repos::NamedNode::Create(W("Schirm"), {{W("lpi"), W("60")},
                                                     {W("angle"), W("15")},
                                                     {W("function"), W("ellipse")},
                                                     {W("placement"), W("1")},
                                                     {W("shades"), W("128")}})
            ->addTo(setup);
        vexa::repos::DataStrategy<vexa::repos::ScreenSetup>().load(node, screens);
    }
    SSTRAL* pages = _stral_new();
    stral_add(pages, -1, 0, "Übergroß", "1000", "2000", "1", "0", "1", "2", "3", "4", nullptr);
    SSTRAL* ports = _stral_new();
    stral_add(ports, -1, 0, "Nétz", "3", "10.0.0.1", nullptr);

    std::string expected;
    {
        boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(W(name));
        ASSERT_TRUE(writer);
        writer->setPortType(W("Nétz"));
        writer->setPortData(W("10.0.0.1:9100"));
        writer->setVirtualPrinterExtension(W("vpé2"));
        writer->setDefaultPageSize(W("Übergroß"));
        writer->setActive(false);
        writer->setDefaultMediaLegacy(W("Fotö [Glänzend]"));
        writer->setDotInfo(dots.getDotInfo());
        writer->setScreenSetups(screens.getScreenSetup());
        writer->setPageSizes(pages);
        writer->setPortList(ports);
        ASSERT_TRUE(writer->save());
    }
    stral_free(pages);
    stral_free(ports);
    {
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(name));
        ASSERT_TRUE(reader);
        expected = describe(*reader) + "active: false\n";
    }
    // What was set is what this process hands out.
    EXPECT_NE(expected.find("port: Nétz\n"), std::string::npos) << expected;
    EXPECT_NE(expected.find("legacy media: Fotö [Glänzend]\n"), std::string::npos) << expected;
    EXPECT_NE(expected.find("dot units: Pünkte\ndot Grüppe/Ëinheit: [Zeile|2|3]\n"),
              std::string::npos)
        << expected;
    EXPECT_NE(expected.find("screen Grob ü: [Schirm|60|15|ellipse|1|128]\n"), std::string::npos)
        << expected;
    EXPECT_NE(expected.find("page sizes: [Übergroß|1000|2000|1|0|1|2|3|4]\n"), std::string::npos)
        << expected;
    EXPECT_NE(expected.find("ports: [Nétz|3|10.0.0.1]\n"), std::string::npos) << expected;
    EXPECT_NE(expected.find("device: Jet Ü 64\n"), std::string::npos) << expected;

    child.signal();
    ASSERT_EQ(child.wait(), 0);
    EXPECT_EQ(readFile(report), expected);
}

TEST_F(PrinterProcessTest, ReaderSeesTheOtherProcessSaveAtOnce) {
    makePrinter("P", R"(<node name="PortName" value="start"/>)");
    const int rounds = 6;
    Child child([&](Child& self) {
        freshProcessView();
        for (int round = 0; round < rounds; ++round) {
            if (self.await() != 'w') {
                return 1;
            }
            boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(W("P"));
            if (!writer) {
                return 2;
            }
            writer->setPortType(W("B" + std::to_string(round)));
            writer->setPortData(W("data" + std::to_string(round)));
            if (!writer->save()) {
                return 3;
            }
            writer.reset();
            self.signal('d');
        }
        return 0;
    });
    ASSERT_TRUE(child.started());
    for (int round = 0; round < rounds; ++round) {
        {
            // The repository is made and its values cached before the other
            // process writes; rounds follow each other within milliseconds.
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W("P"));
            ASSERT_TRUE(reader);
            EXPECT_EQ(U(reader->getPortType()),
                      round == 0 ? "start" : "B" + std::to_string(round - 1));
        }
        child.signal('w');
        ASSERT_EQ(child.await(), 'd');
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W("P"));
        ASSERT_TRUE(reader);
        EXPECT_EQ(U(reader->getPortType()), "B" + std::to_string(round));
        EXPECT_EQ(U(reader->getPortData()), "data" + std::to_string(round));
    }
    EXPECT_EQ(child.wait(), 0);
}

// Another process replaced the settings file, and the times do not show it
// as newer: a restored backup (or a clock set back) brings an older time; a
// second save within one tick of a coarse file-system clock leaves both
// times as they were. The repository must read the new file, and a writer
// must build on it instead of saving the tree it had over it.
TEST_F(PrinterProcessTest, AReplacedFileIsReadWhateverItsTimesSay) {
    for (const bool sameTick : {false, true}) {
        SCOPED_TRACE(sameTick ? "same tick" : "earlier time");
        const std::string name = sameTick ? "Tick" : "Restored";
        makePrinter(name, R"(<node name="PortName" value="start"/>)");
        {
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(name));
            ASSERT_TRUE(reader);
            EXPECT_EQ(U(reader->getPortType()), "start");
        }
        const long long folderBefore = modifiedNs(printerPath(name));
        const long long fileBefore = modifiedNs(settingsPath(name));
        std::string text = readFile(settingsPath(name));
        const std::size_t at = text.find("\"start\"");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 7, "\"restored\"");
        writeFile(settingsPath(name) + ".new", text);
        ASSERT_EQ(std::rename((settingsPath(name) + ".new").c_str(), settingsPath(name).c_str()),
                  0);
        const long long hour = 3600LL * 1000000000LL;
        ASSERT_TRUE(setModifiedNs(settingsPath(name), sameTick ? fileBefore : folderBefore - hour));
        ASSERT_TRUE(
            setModifiedNs(printerPath(name), sameTick ? folderBefore : folderBefore - hour));

        {
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(name));
            ASSERT_TRUE(reader);
            EXPECT_EQ(U(reader->getPortType()), "restored");
        }
        {
            boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(W(name));
            ASSERT_TRUE(writer);
            writer->setPortData(W("after"));
            ASSERT_TRUE(writer->save());
        }
        EXPECT_EQ(fileValue(settingsPath(name), "Printer/PortName"), "restored");
        EXPECT_EQ(fileValue(settingsPath(name), "Printer/PortData"), "after");
    }
}

TEST_F(PrinterProcessTest, WriterOfAnotherProcessKeepsReadersOut) {
    makePrinter("P", R"(<node name="PortName" value="USB"/>)");
    Child child([&](Child& self) {
        freshProcessView();
        self.await();
        boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(W("P"));
        if (!writer) {
            return 1;
        }
        writer->setPortType(W("LAN"));
        if (!writer->save()) {
            return 2;
        }
        self.signal('h');  // holding the writer
        self.await();
        writer.reset();
        self.signal('r');  // released
        self.await();
        return 0;
    });
    ASSERT_TRUE(child.started());
    // The repository exists before the other process takes its writer.
    ASSERT_TRUE(vexa::repos::printer::PrinterRepository::createRepository(W("P"), W("")));
    child.signal();
    ASSERT_EQ(child.await(), 'h');

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PrinterReader::getReader(W("P")));
    const double waited = secondsSince(start);
    EXPECT_GT(waited, 0.8);
    EXPECT_LT(waited, 30.0);
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PrinterWriter::getWriter(W("P")));
    EXPECT_GT(secondsSince(start), 0.8);

    child.signal();
    ASSERT_EQ(child.await(), 'r');
    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W("P"));
    ASSERT_TRUE(reader);
    EXPECT_EQ(U(reader->getPortType()), "LAN");
    child.signal();
    EXPECT_EQ(child.wait(), 0);
}

// Another process holds a media or a mode this process never opened: every
// operation that would change or copy the folder around it refuses before
// changing anything, and names what is held.
TEST_F(PrinterProcessTest, NothingChangesWhileAnotherProcessHoldsSomethingInside) {
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
            PrinterCatalog::reset();
            makePrinter("P", "");
            makeMedia("P", "G", "A");
            makeMedia("P", "G", "M");
            const std::string held = holdMode ? mediaPath + "/Modes/Std" : mediaPath;
            Child child([&](Child& self) {
                vexa::repos::ReadFileLocker reader(vexa::repos::FileLock::create(
                    vexa::vfs::openLocalFolder(vexa::vfs::createFileName(W(held)))));
                self.signal(reader.holdsLock() ? 'h' : 'x');
                self.await();
                return 0;
            });
            ASSERT_TRUE(child.started());
            ASSERT_EQ(child.await(), 'h');
            vexa::repos::clearFailure();
            bool done = true;
            if (operation == COPY) {
                done = PrinterReader::getReader(W("P"))->copyTo(W("Q"));
            } else if (operation == REMOVE_FOLDER) {
                done = PrinterWriter::removePrinterFolder(W("P"));
            } else if (operation == REMOVE_MEDIA) {
                boost::shared_ptr<vexa::repos::printer::MediaRepository> media =
                    PrinterReader::getReader(W("P"))->getMedia(W("G"), W("M"));
                ASSERT_TRUE(media);
                done = media->getWriter()->remove();
            } else {
                boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(W("P"));
                ASSERT_TRUE(writer);
                done = operation == REMOVE   ? writer->removePrinter()
                       : operation == RENAME ? writer->setPrinterName(W("Q"))
                                             : writer->removeMediaFolder(W("G"), W("M"));
            }
            EXPECT_FALSE(done);
            const vexa::repos::Failure& why = vexa::repos::lastFailure();
            EXPECT_EQ(why.code, vexa::repos::FailureCode::LOCKED);
            const std::string expected = holdMode ? "mode 'Std' of media 'M [G]' of printer 'P'"
                                                  : "media 'M [G]' of printer 'P'";
            EXPECT_NE(U(why.message).find(expected), std::string::npos) << U(why.message);
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
            EXPECT_TRUE(PrinterWriter::removePrinterFolder(W("P")));
            EXPECT_FALSE(pathExists(printerPath("P")));
        }
    }
}

}  // namespace
