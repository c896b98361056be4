// Eight threads reading and writing the same and different printers, medias
// and modes, a fixed number of rounds each: nobody waits forever, every lock
// is had, every reader sees exactly the value its thread saved last, and a
// fresh process reads every last save (none lost) and every key no thread
// wrote.
#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "printer/MediaModeFixture.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

using repos::printer::PrinterReader;
using repos::printer::PrinterWriter;

const int kThreads = 8;
const int kRounds = 120;
const char* const kPrinters[] = {kPrinter, "Pä 1", "Pä 2"};
// Threads below this share one media of the first printer, each owning one
// of its text keys; the others have a media of their own, spread over the
// printers.
const int kSharedOwners = 5;
const char* const kSharedMedia = "Geteilt ä";
const char* const kSharedMode = "Gemeinsam ö";
const char* const kTextLevels[kSharedOwners] = {"Default", "Alias", "High", "Normal", "Draft"};

const char* printerOf(int thread) {
    return thread < kSharedOwners ? kPrinter : kPrinters[thread % 3];
}
std::string mediaNameOf(int thread) {
    return thread < kSharedOwners ? kSharedMedia : "Eigen " + std::to_string(thread);
}
std::string level(int thread) {
    return kTextLevels[thread < kSharedOwners ? thread : 0];
}
wxString readText(MediaReader& reader, int thread) {
    return level(thread) == "Default" ? reader.getDefaultMode()
           : level(thread) == "Alias" ? reader.getJdfAlias()
                                      : reader.getJdfQualityMode(toWx(level(thread)));
}
void writeText(MediaWriter& writer, int thread, const wxString& value) {
    if (level(thread) == "Default") {
        writer.setDefaultMode(value);
    } else if (level(thread) == "Alias") {
        writer.setJdfAlias(value);
    } else {
        writer.setJdfQualityMode(toWx(level(thread)), value);
    }
}

// Applies `change` through `writer` and saves: "" when done, else what failed.
template <typename Writer, typename Change>
std::string save(const boost::shared_ptr<Writer>& writer, const Change& change) {
    if (!writer) {
        return "no writer";
    }
    change(*writer);
    return writer->save() ? "" : "not saved";
}

class ThreadsTest : public MediaModeFixture {
  protected:
    // Through the printer each time, its reader dropped at once.
    static MediaPtr mediaOf(int thread) {
        boost::shared_ptr<PrinterReader> printer =
            PrinterReader::getReader(toWx(printerOf(thread)));
        return printer ? printer->getMedia(toWx(kGroup), toWx(mediaNameOf(thread))) : MediaPtr();
    }
    static ModePtr modeOf(const MediaPtr& media, const char* name) {
        boost::shared_ptr<MediaReader> reader = media ? media->getReader() : nullptr;
        return reader ? reader->getMode(toWx(name)) : ModePtr();
    }
    // Every thread's values and every printer's as the readers of a process
    // see them.
    static std::string describeAll() {
        std::string out;
        for (int thread = 0; thread < kThreads; ++thread) {
            MediaPtr media = mediaOf(thread);
            boost::shared_ptr<MediaReader> reader = media ? media->getReader() : nullptr;
            ModePtr shared = modeOf(mediaOf(0), kSharedMode);
            boost::shared_ptr<ModeReader> modeReader = shared ? shared->getReader() : nullptr;
            if (!reader || !modeReader) {
                return "<no reader>";
            }
            out += toUtf8(readText(*reader, thread)) + ";" +
                   toUtf8(modeReader->getPrinterOption(toWx("T" + std::to_string(thread)))) + "\n";
        }
        for (const char* name : kPrinters) {
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(name));
            if (!reader) {
                return "<no printer reader>";
            }
            out += toUtf8(reader->getPortData()) + " " + toUtf8(reader->getDeviceName()) + " " +
                   std::to_string(reader->getInkCfgs().size()) + "\n";
        }
        return out;
    }
};

TEST_F(ThreadsTest, ReadersAndWritersOfSharedAndOwnRepositoriesLoseNothing) {
    std::map<std::string, std::string> lastSaved;
    for (const char* name : kPrinters) {
        makePrinter(name, fullPrinterBody());
        lastSaved[name] = "usb://1";
    }
    makeMedia(fullMediaBody(), {kSharedMode}, kGroup, kSharedMedia);
    makeMode(fullModeBody(), kSharedMode, kGroup, kSharedMedia);
    for (int thread = kSharedOwners; thread < kThreads; ++thread) {
        const std::string folder =
            printerPath(printerOf(thread)) + "/Medias/" + kGroup + "/" + mediaNameOf(thread);
        makeDirs(folder + "/Modes/" + kMode);
        writeFile(folder + "/.Settings.xml", settingsXml("Media", fullMediaBody()));
        writeFile(folder + "/Modes/" + kMode + "/.Settings.xml",
                  settingsXml("Mode", fullModeBody()));
    }
    std::mutex savedMutex;
    std::vector<int> mediaSaves(kThreads, 0);
    std::vector<int> optionSaves(kThreads, 0);
    std::vector<std::string> failures(kThreads);
    std::atomic<int> ready(0);

    auto work = [&](int thread) {
        std::string& failure = failures[thread];
        const std::string option = "T" + std::to_string(thread);
        const auto expect = [&](const std::string& seen, int saves, const char* what) {
            if (seen != std::to_string(saves)) {
                failure = what + (" " + seen) + " after save " + std::to_string(saves);
            }
        };
        ++ready;
        while (ready.load() < kThreads) {
            std::this_thread::yield();
        }
        for (int round = 0; failure.empty() && round < kRounds; ++round) {
            MediaPtr media = mediaOf(thread);
            ModePtr shared = modeOf(mediaOf(0), kSharedMode);
            if (!media || !shared) {
                failure = "no repository";
                break;
            }
            switch (round % 4) {
                case 0:
                    failure = save(media->getWriter(), [&](MediaWriter& writer) {
                        writeText(writer, thread, toWx(std::to_string(++mediaSaves[thread])));
                    });
                    break;
                case 1:
                    failure = save(shared->getWriter(), [&](ModeWriter& writer) {
                        writer.setPrinterOption(toWx(option),
                                                toWx(std::to_string(++optionSaves[thread])));
                    });
                    if (thread >= kSharedOwners && failure.empty()) {
                        ModePtr own = modeOf(media, kMode);
                        failure = save(own ? own->getWriter() : nullptr, [&](ModeWriter& writer) {
                            writer.updateCalibration(toWx(std::to_string(round)));
                        });
                    }
                    break;
                case 2: {
                    // Half the saves go to the first printer, the others spread out.
                    const char* name = kPrinters[round % 8 == 2 ? 0 : (thread + round) % 3];
                    const std::string value =
                        "t" + std::to_string(thread) + "-" + std::to_string(round);
                    boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(toWx(name));
                    failure = save(writer, [&](PrinterWriter& w) { w.setPortData(toWx(value)); });
                    // Recorded while the writer still excludes every other one.
                    std::lock_guard<std::mutex> lock(savedMutex);
                    lastSaved[name] = value;
                    break;
                }
                case 3: {
                    // The shared caches as well.
                    boost::shared_ptr<MediaReader> reader = media->getReader();
                    expect(reader ? toUtf8(readText(*reader, thread)) : "<none>",
                           mediaSaves[thread], "media value");
                    if (reader) {
                        reader->getInkCfg();
                        reader->getPageSizes();
                        reader->isValid();
                    }
                    reader.reset();
                    boost::shared_ptr<ModeReader> modeReader = shared->getReader();
                    expect(
                        modeReader ? toUtf8(modeReader->getPrinterOption(toWx(option))) : "<none>",
                        optionSaves[thread], "option");
                    modeReader.reset();
                    boost::shared_ptr<PrinterReader> printer =
                        PrinterReader::getReader(toWx(kPrinters[(thread + round) % 3]));
                    if (!printer || printer->getPageSizes()->getStral()->first == nullptr ||
                        printer->getDeviceResolutions().size() != 3 ||
                        toUtf8(printer->getDefaultMediaLegacy()) != "Papier é [Mätt]") {
                        failure = "printer read wrong";
                    }
                    break;
                }
            }
        }
    };
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back(work, thread);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::string expected;
    for (int thread = 0; thread < kThreads; ++thread) {
        EXPECT_EQ(failures[thread], "") << "thread " << thread;
        expected +=
            std::to_string(mediaSaves[thread]) + ";" + std::to_string(optionSaves[thread]) + "\n";
    }
    for (const char* name : kPrinters) {
        expected += lastSaved[name] + " Jet Ü 64 2\n";
    }
    EXPECT_EQ(describeAll(), expected);
    EXPECT_EQ(inFreshProcess(dir, [&] { return describeAll(); }), expected);
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
