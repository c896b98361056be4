// Eight threads reading and writing the same and different printers (and a
// media of each), a fixed number of rounds each: nobody waits forever, every lock is had,
// and the last value each printer saved is the one on disk.
#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "printer/PrinterFixture.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"

using vexa::repos::printer::MediaRepository;
using vexa::repos::printer::MediaWriter;
using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;
using vexa::repos::printer::PrinterWriter;
using namespace vexa::test;

namespace {

class PrinterThreadsTest : public PrinterFixture {};

TEST_F(PrinterThreadsTest, ReadersAndWritersOfSharedAndOwnPrintersLoseNoSave) {
    const int printers = 4;
    const int threads = 8;
    std::vector<std::string> names;
    for (int p = 0; p < printers; ++p) {
        names.push_back("Pä" + std::to_string(p));
        makePrinter(names.back(), fullPrinterBody());
        makeMedia(names.back(), "G", "M");
    }

    std::mutex savedMutex;
    std::map<std::string, std::string> lastSaved;
    std::atomic<int> failures(0);
    std::atomic<int> ready(0);

    auto work = [&](int thread) {
        ready.fetch_add(1);
        while (ready.load() < threads) {
            std::this_thread::yield();
        }
        for (int n = 0; n < 200; ++n) {
            // Even steps all go to the first printer, odd ones spread out.
            const std::string& name = names[n % 2 == 0 ? 0 : (thread + n) % printers];
            switch (n % 4) {
                case 0:
                case 1: {
                    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(name));
                    if (!reader || reader->getPortData().empty() ||
                        reader->getPageSizes()->getStral()->first == nullptr ||
                        reader->getDeviceResolutions().size() != 3 ||
                        toUtf8(reader->getDefaultMediaLegacy()) != "Papier é [Mätt]") {
                        failures.fetch_add(1);
                    }
                    break;
                }
                case 2: {
                    boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(toWx(name));
                    if (!writer) {
                        failures.fetch_add(1);
                        break;
                    }
                    const std::string value =
                        "t" + std::to_string(thread) + "-" + std::to_string(n);
                    writer->setPortData(toWx(value));
                    writer->setPortType(toWx(n % 8 == 2 ? "USB" : "LAN"));
                    if (!writer->save()) {
                        failures.fetch_add(1);
                        break;
                    }
                    // Recorded while the writer still excludes every other one.
                    std::lock_guard<std::mutex> lock(savedMutex);
                    lastSaved[name] = value;
                    break;
                }
                case 3: {
                    boost::shared_ptr<MediaRepository> media;
                    {
                        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(name));
                        media = reader ? reader->getMedia(toWx("G"), toWx("M")) : media;
                    }
                    boost::shared_ptr<MediaWriter> writer =
                        media ? MediaWriter::getWriter(media) : boost::shared_ptr<MediaWriter>();
                    if (!writer) {
                        failures.fetch_add(1);
                        break;
                    }
                    writer->setJdfAlias(toWx("alias " + std::to_string(n)));
                    if (!writer->save()) {
                        failures.fetch_add(1);
                    }
                    break;
                }
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back(work, t);
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);

    PrinterCatalog::reset();
    for (const auto& saved : lastSaved) {
        EXPECT_EQ(fileValue(settingsPath(saved.first), "Printer/PortData"), saved.second);
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(saved.first));
        ASSERT_TRUE(reader);
        EXPECT_EQ(toUtf8(reader->getPortData()), saved.second);
        // Keys never written by the threads survived every rewrite.
        EXPECT_EQ(toUtf8(reader->getDeviceName()), "Jet Ü 64");
        EXPECT_EQ(reader->getInkCfgs().size(), 2u);
    }
}

}  // namespace
