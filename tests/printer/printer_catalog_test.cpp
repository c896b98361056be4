// The catalog: which texts address which printer, which folders give no
// repository, and what happens to names after renaming and removal.
#include "printer/PrinterFixture.h"

using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterRepository;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterCatalogTest : public PrinterFixture {
  protected:
    boost::shared_ptr<PrinterRepository> lookup(const std::string& text) {
        return PrinterRepository::createRepository(toWx(text), toWx(""));
    }
};

TEST_F(PrinterCatalogTest, NamesAndPathsAddressOneRepository) {
    makePrinter("Jet Ü", R"(<node name="PortName" value="USB"/>)");
    boost::shared_ptr<PrinterRepository> byName = lookup("Jet Ü");
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName, lookup("Jet Ü/"));
    EXPECT_EQ(byName, lookup(printerPath("Jet Ü")));
    EXPECT_EQ(byName, lookup(printerPath("Jet Ü") + "/"));
    EXPECT_EQ(toUtf8(byName->getRootPath()), printerPath("Jet Ü"));
    EXPECT_FALSE(lookup(""));
    EXPECT_FALSE(lookup("jet ü"));  // case-sensitive
    EXPECT_FALSE(lookup(".."));
    EXPECT_FALSE(pathExists(dir.path() + "/db/.Settings.xml"));
}

TEST_F(PrinterCatalogTest, FullPathReachesAFolderOutsidePrinters) {
    const std::string outside = dir.path() + "/elsewhere/Außen";
    makeDirs(outside);
    writeFile(outside + "/.Settings.xml",
              settingsXml("Printer", R"(<node name="PortName" value="LPT"/>)"));
    EXPECT_FALSE(lookup("Außen"));
    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(outside));
    ASSERT_TRUE(reader);
    EXPECT_EQ(toUtf8(reader->getPrinterName()), "Außen");
    EXPECT_EQ(toUtf8(reader->getPortType()), "LPT");

    // A printer of that name inside "Printers" wins over the path.
    PrinterCatalog::reset();
    makePrinter("Außen", R"(<node name="PortName" value="inside"/>)");
    reader = PrinterReader::getReader(toWx(outside));
    ASSERT_TRUE(reader);
    EXPECT_EQ(toUtf8(reader->getPortType()), "inside");
}

TEST_F(PrinterCatalogTest, FolderWithoutUsableSettingsGivesNothing) {
    makeDirs(printerPath("Empty"));
    LogCapture log;
    EXPECT_FALSE(PrinterReader::getReader(toWx("Empty")));
    EXPECT_TRUE(log.contains(wxLOG_Debug, "Error getting settings for Empty"));
    EXPECT_FALSE(PrinterWriter::getWriter(toWx("Empty")));
    EXPECT_EQ(readFile(settingsPath("Empty")), "");  // left by the load attempt
    EXPECT_FALSE(PrinterReader::getReader(toWx("Missing")));
    EXPECT_FALSE(pathExists(printerPath("Missing")));

    // Nothing was kept: once the file holds settings the name is found.
    writeFile(settingsPath("Empty"), settingsXml("Printer", ""));
    EXPECT_TRUE(PrinterReader::getReader(toWx("Empty")));

    makeDirs(printerPath("Empty") + "/Folder.xml");
    PrinterCatalog::reset();
    EXPECT_ANY_THROW(PrinterRepository::createRepository(toWx("Empty"), toWx("Folder.xml")));
    EXPECT_TRUE(lookup("Empty"));  // the catalog mutex was not left held
}

// The new name after a rename and no name after a removal are looked up
// by the writer tests.
TEST_F(PrinterCatalogTest, OldNamesAreForgottenAfterRenameAndRemoval) {
    makePrinter("Old", R"(<node name="PortName" value="first"/>)");
    boost::shared_ptr<PrinterRepository> repository = lookup("Old");
    ASSERT_TRUE(repository);
    ASSERT_TRUE(repository->getWriter()->setPrinterName(toWx("New")));
    EXPECT_FALSE(lookup("Old"));

    // A printer made again under the old name is a printer of its own.
    makePrinter("Old", R"(<node name="PortName" value="second"/>)");
    ASSERT_TRUE(lookup("Old"));
    EXPECT_NE(repository, lookup("Old"));
    EXPECT_EQ(toUtf8(PrinterReader::getReader(toWx("Old"))->getPortType()), "second");

    ASSERT_TRUE(PrinterWriter::getWriter(toWx("Old"))->removePrinter());
    makePrinter("Old", R"(<node name="PortName" value="third"/>)");
    EXPECT_EQ(toUtf8(PrinterReader::getReader(toWx("Old"))->getPortType()), "third");
}

TEST_F(PrinterCatalogTest, RegisteringForgettingAndRelease) {
    makePrinter("A", "");
    boost::shared_ptr<PrinterRepository> a = lookup("A");
    ASSERT_TRUE(a);
    PrinterCatalog::forgetRepository(toWx("A"));
    EXPECT_NE(a, lookup("A"));
    PrinterCatalog::registerRepository(a);
    EXPECT_EQ(a, lookup("A"));

    // What unloading the library does: every repository is let go.
    boost::weak_ptr<PrinterRepository> watch = a;
    a.reset();
    singleton::ReleaseAll();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(lookup("A"));
}

}  // namespace
