// A repository with one printer, one media and one mode in a fresh
// temporary folder, found through VEXA_INSTALL, with writers for each level.
#ifndef VEXA_TESTS_RELIABILITY_RELIABILITYFIXTURE_H
#define VEXA_TESTS_RELIABILITY_RELIABILITYFIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/TestSupport.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/ModeRepository.h"
#include "repos/ModeWriter.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/PrinterWriter.h"
#include "repos/SystemRepository.h"

namespace vexa {
namespace test {

using repos::printer::MediaRepository;
using repos::printer::ModeRepository;
using repos::printer::PrinterReader;
using repos::printer::PrinterWriter;

const char* const kPrinter = "Zuverlässig 東京";
const char* const kGroup = "Rollen";
const char* const kMedia = "Vinyl é";
const char* const kMode = "Qualität";

class ReliabilityTest : public ::testing::Test {
  public:
    // The media and the mode, reached through the printer as hosts do.
    static boost::shared_ptr<MediaRepository> media();
    static boost::shared_ptr<ModeRepository> mode();

  protected:
    void SetUp() override {
        const std::string printer = dir.path() + "/db/Printers/" + kPrinter;
        const std::string media = printer + "/Medias/" + kGroup + "/" + kMedia;
        const std::string mode = media + "/Modes/" + kMode;
        makeDirs(mode);
        writeFile(printer + "/.Settings.xml", xml("Printer",
                                                  "<node name=\"DllDevice\" value=\"Aurora\"/>"
                                                  "<node name=\"DllModule\" value=\"aurora.so\"/>"
                                                  "<node name=\"PortData\" value=\"0\"/>"));
        writeFile(media + "/.Settings.xml",
                  xml("Media", "<node name=\"JdfAlias\" value=\"start\"/>"));
        writeFile(mode + "/.Settings.xml", xml("Mode",
                                               "<node name=\"PrinterSettings\">"
                                               "<node name=\"Heater\" value=\"start\"/></node>"));
        printerFolder = printer;
        mediaFolder = media;
        modeFolder = mode;
        ::setenv("VEXA_INSTALL", dir.path().c_str(), 1);
        repos::SystemRepository::Reset();
        repos::printer::PrinterCatalog::reset();
    }
    void TearDown() override {
        repos::printer::PrinterCatalog::reset();
        repos::SystemRepository::Reset();
        ::unsetenv("VEXA_INSTALL");
    }

    static std::string xml(const std::string& root, const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"" + root + "\">" + body +
               "</node>\n";
    }

    TempDir dir;
    std::string printerFolder;
    std::string mediaFolder;
    std::string modeFolder;
};

inline boost::shared_ptr<MediaRepository> ReliabilityTest::media() {
    boost::shared_ptr<PrinterReader> printer = PrinterReader::getReader(toWx(kPrinter));
    return printer ? printer->getMedia(toWx(kGroup), toWx(kMedia)) : boost::shared_ptr<MediaRepository>();
}

inline boost::shared_ptr<ModeRepository> ReliabilityTest::mode() {
    boost::shared_ptr<MediaRepository> m = media();
    boost::shared_ptr<repos::printer::MediaReader> reader = m ? m->getReader() : nullptr;
    return reader ? reader->getMode(toWx(kMode)) : boost::shared_ptr<ModeRepository>();
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_RELIABILITY_RELIABILITYFIXTURE_H
