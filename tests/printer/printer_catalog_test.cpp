// The catalog: which texts address which printer, which folders give no
// repository, and what happens to names after renaming and removal.
#include "printer/PrinterFixture.h"

using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterRepository;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterCatalogTest : public PrinterFixture {};

TEST_F(PrinterCatalogTest, NamesAndPathsAddressOneRepository) {
    makePrinter("Jet Ü", R"(<node name="PortName" value="USB"/>)");
    EXPECT_FALSE(PrinterRepository::createRepository(W(""), W("")));

    boost::shared_ptr<PrinterRepository> byName =
        PrinterRepository::createRepository(W("Jet Ü"), W(""));
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName, PrinterRepository::createRepository(W("Jet Ü"), W(".Settings.xml")));
    EXPECT_EQ(byName, PrinterRepository::createRepository(W("Jet Ü/"), W("")));
    EXPECT_EQ(byName, PrinterRepository::createRepository(W(printerPath("Jet Ü")), W("")));
    EXPECT_EQ(byName, PrinterRepository::createRepository(W(printerPath("Jet Ü") + "/"), W("")));
    EXPECT_EQ(U(byName->getRootPath()), printerPath("Jet Ü"));
    // Names are compared case-sensitively; "." and ".." name no printer.
    EXPECT_FALSE(PrinterRepository::createRepository(W("jet ü"), W("")));
    EXPECT_FALSE(PrinterRepository::createRepository(W(".."), W("")));
    EXPECT_FALSE(pathExists(dir.path() + "/db/.Settings.xml"));
}

TEST_F(PrinterCatalogTest, FullPathReachesAFolderOutsidePrinters) {
    const std::string outside = dir.path() + "/elsewhere/Außen";
    makeDirs(outside);
    writeFile(outside + "/.Settings.xml",
              settingsXml("Printer", R"(<node name="PortName" value="LPT"/>)"));
    EXPECT_FALSE(PrinterRepository::createRepository(W("Außen"), W("")));

    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(outside));
    ASSERT_TRUE(reader);
    EXPECT_EQ(U(reader->getPrinterName()), "Außen");
    EXPECT_EQ(U(reader->getPortType()), "LPT");
    EXPECT_EQ(U(reader->getRootPath()), outside);

    // A printer of that name inside "Printers" wins over the path.
    PrinterCatalog::reset();
    makePrinter("Außen", R"(<node name="PortName" value="inside"/>)");
    reader = PrinterReader::getReader(W(outside));
    ASSERT_TRUE(reader);
    EXPECT_EQ(U(reader->getPortType()), "inside");
}

TEST_F(PrinterCatalogTest, FolderWithoutUsableSettingsGivesNothing) {
    makeDirs(printerPath("Empty"));
    EXPECT_FALSE(PrinterRepository::createRepository(W("Empty"), W("")));
    EXPECT_FALSE(PrinterReader::getReader(W("Empty")));
    EXPECT_FALSE(PrinterWriter::getWriter(W("Empty")));
    // The load attempt leaves an empty settings file.
    EXPECT_TRUE(pathExists(settingsPath("Empty")));
    EXPECT_EQ(readFile(settingsPath("Empty")), "");

    EXPECT_FALSE(PrinterReader::getReader(W("Missing")));
    EXPECT_FALSE(pathExists(printerPath("Missing")));

    // Once the file holds settings the same name is found: nothing was kept.
    writeFile(settingsPath("Empty"), settingsXml("Printer", ""));
    EXPECT_TRUE(PrinterReader::getReader(W("Empty")));
}

TEST_F(PrinterCatalogTest, SettingsFileNameNamingAFolderThrows) {
    makePrinter("P", "");
    makeDirs(printerPath("P") + "/Folder.xml");
    EXPECT_ANY_THROW(PrinterRepository::createRepository(W("P"), W("Folder.xml")));
    // The catalog mutex was not left held.
    EXPECT_TRUE(PrinterRepository::createRepository(W("P"), W("")));
}

TEST_F(PrinterCatalogTest, OldNamesAreForgottenAfterRenameAndRemoval) {
    makePrinter("Old", R"(<node name="PortName" value="first"/>)");
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W("Old"), W(""));
    ASSERT_TRUE(repository);
    {
        boost::shared_ptr<PrinterWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->setPrinterName(W("New")));
    }
    EXPECT_EQ(repository, PrinterRepository::createRepository(W("New"), W("")));
    EXPECT_FALSE(PrinterRepository::createRepository(W("Old"), W("")));

    // A printer made again under the old name is a printer of its own.
    makePrinter("Old", R"(<node name="PortName" value="second"/>)");
    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W("Old"));
    ASSERT_TRUE(reader);
    EXPECT_NE(repository, PrinterRepository::createRepository(W("Old"), W("")));
    EXPECT_EQ(U(reader->getPortType()), "second");
    reader.reset();

    {
        boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(W("Old"));
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->removePrinter());
    }
    EXPECT_FALSE(PrinterRepository::createRepository(W("Old"), W("")));
    makePrinter("Old", R"(<node name="PortName" value="third"/>)");
    reader = PrinterReader::getReader(W("Old"));
    ASSERT_TRUE(reader);
    EXPECT_EQ(U(reader->getPortType()), "third");
}

TEST_F(PrinterCatalogTest, RegisterAndForgetByName) {
    makePrinter("A", "");
    boost::shared_ptr<PrinterRepository> a = PrinterRepository::createRepository(W("A"), W(""));
    ASSERT_TRUE(a);
    PrinterCatalog::forgetRepository(W("A"));
    boost::shared_ptr<PrinterRepository> again = PrinterRepository::createRepository(W("A"), W(""));
    ASSERT_TRUE(again);
    EXPECT_NE(a, again);
    PrinterCatalog::registerRepository(a);
    EXPECT_EQ(a, PrinterRepository::createRepository(W("A"), W("")));
    PrinterCatalog::registerRepository(boost::shared_ptr<PrinterRepository>());
    EXPECT_EQ(a, PrinterRepository::createRepository(W("A"), W("")));
}

TEST_F(PrinterCatalogTest, ReleasedBySingletonManagerAndMadeAgain) {
    makePrinter("A", "");
    boost::shared_ptr<PrinterRepository> before =
        PrinterRepository::createRepository(W("A"), W(""));
    ASSERT_TRUE(before);
    boost::weak_ptr<PrinterRepository> watch = before;
    before.reset();
    singleton::ReleaseAll();  // what unloading the library does
    EXPECT_TRUE(watch.expired());
    boost::shared_ptr<PrinterRepository> after = PrinterRepository::createRepository(W("A"), W(""));
    EXPECT_TRUE(after);
}

}  // namespace
