// Eight threads reading and writing the same and different medias and modes
// of one printer, a fixed number of rounds each: no deadlock, every reader sees exactly
// the value its thread saved last, and a fresh process reads every thread's
// last save (no save lost).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "printer/MediaModeFixture.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

const int kThreads = 8;
const int kRounds = 120;
// Threads below this share one media (each owns one of its text keys);
// the others each have a media of their own.
const int kSharedOwners = 5;
const char* const kSharedMedia = "Geteilt ä";
const char* const kSharedMode = "Gemeinsam ö";

const char* const kTextLevels[kSharedOwners] = {"Default", "Alias", "High", "Normal", "Draft"};

std::string ownMedia(int thread) {
    return "Eigen " + std::to_string(thread);
}

class MediaThreadsTest : public MediaModeFixture {
  protected:
    // The media (and its group) a thread writes its text key in.
    std::string mediaOf(int thread) const {
        return thread < kSharedOwners ? kSharedMedia : ownMedia(thread);
    }
    static wxString readText(MediaReader& reader, int thread) {
        const std::string level = kTextLevels[thread < kSharedOwners ? thread : 0];
        if (level == "Default") {
            return reader.getDefaultMode();
        }
        if (level == "Alias") {
            return reader.getJdfAlias();
        }
        return reader.getJdfQualityMode(toWx(level));
    }
    static void writeText(MediaWriter& writer, int thread, const wxString& value) {
        const std::string level = kTextLevels[thread < kSharedOwners ? thread : 0];
        if (level == "Default") {
            writer.setDefaultMode(value);
        } else if (level == "Alias") {
            writer.setJdfAlias(value);
        } else {
            writer.setJdfQualityMode(toWx(level), value);
        }
    }
    // Every thread's values as the readers of a process see them.
    std::string describeAll() {
        std::string out;
        for (int thread = 0; thread < kThreads; ++thread) {
            MediaPtr repository = media(kGroup, mediaOf(thread));
            boost::shared_ptr<MediaReader> reader =
                repository ? repository->getReader() : boost::shared_ptr<MediaReader>();
            if (!reader) {
                return "<no reader>";
            }
            out += toUtf8(readText(*reader, thread)) + ";";
            ModePtr shared = mode(kSharedMode, kGroup, kSharedMedia);
            boost::shared_ptr<ModeReader> modeReader =
                shared ? shared->getReader() : boost::shared_ptr<ModeReader>();
            if (!modeReader) {
                return "<no mode reader>";
            }
            out += toUtf8(modeReader->getPrinterOption(toWx("T" + std::to_string(thread)))) + "\n";
        }
        return out;
    }
};

TEST_F(MediaThreadsTest, ReadersAndWritersOfSharedAndOwnMediasAndModesLoseNothing) {
    makeMedia(fullMediaBody(), {kSharedMode, kMode}, kGroup, kSharedMedia);
    makeMode(fullModeBody(), kSharedMode, kGroup, kSharedMedia);
    for (int thread = kSharedOwners; thread < kThreads; ++thread) {
        makeMedia(fullMediaBody(), {kMode}, kGroup, ownMedia(thread));
        makeMode(fullModeBody(), kMode, kGroup, ownMedia(thread));
    }
    std::vector<int> mediaSaves(kThreads, 0);
    std::vector<int> optionSaves(kThreads, 0);
    std::vector<std::string> failures(kThreads);
    std::atomic<int> ready(0);

    auto work = [&](int thread) {
        std::string& failure = failures[thread];
        const std::string option = "T" + std::to_string(thread);
        ++ready;
        while (ready.load() < kThreads) {
            std::this_thread::yield();
        }
        for (int round = 0; failure.empty() && round < kRounds; ++round) {
            // Through the printer each time, its reader dropped at once.
            MediaPtr repository = media(kGroup, mediaOf(thread));
            if (!repository) {
                failure = "no media repository";
                break;
            }
            switch (round % 4) {
                case 0: {
                    boost::shared_ptr<MediaWriter> writer = repository->getWriter();
                    if (!writer) {
                        failure = "no media writer";
                        break;
                    }
                    writeText(*writer, thread, toWx(std::to_string(mediaSaves[thread] + 1)));
                    if (!writer->save()) {
                        failure = "media save failed";
                        break;
                    }
                    ++mediaSaves[thread];
                    break;
                }
                case 1:
                case 3: {
                    boost::shared_ptr<MediaReader> reader = repository->getReader();
                    if (!reader) {
                        failure = "no media reader";
                        break;
                    }
                    const std::string seen = toUtf8(readText(*reader, thread));
                    const std::string expected = std::to_string(mediaSaves[thread]);
                    if (mediaSaves[thread] > 0 && seen != expected) {
                        failure = "media value " + seen + " instead of " + expected;
                    }
                    // Exercise the shared caches as well.
                    reader->getInkCfg();
                    reader->getPageSizes();
                    reader->isValid();
                    reader->getMode(toWx(kSharedMode));
                    reader.reset();
                    ModePtr sharedMode = mode(kSharedMode, kGroup, kSharedMedia);
                    boost::shared_ptr<ModeReader> modeReader =
                        sharedMode ? sharedMode->getReader() : boost::shared_ptr<ModeReader>();
                    if (!modeReader) {
                        failure = "no mode reader";
                        break;
                    }
                    const std::string value = toUtf8(modeReader->getPrinterOption(toWx(option)));
                    if (optionSaves[thread] > 0 && value != std::to_string(optionSaves[thread])) {
                        failure = "option " + value + " instead of " +
                                  std::to_string(optionSaves[thread]);
                    }
                    modeReader->getInkLimits();
                    modeReader->getTableDefaults();
                    break;
                }
                case 2: {
                    ModePtr sharedMode = mode(kSharedMode, kGroup, kSharedMedia);
                    boost::shared_ptr<ModeWriter> writer =
                        sharedMode ? sharedMode->getWriter() : boost::shared_ptr<ModeWriter>();
                    if (!writer) {
                        failure = "no mode writer";
                        break;
                    }
                    writer->setPrinterOption(toWx(option), toWx(std::to_string(optionSaves[thread] + 1)));
                    if (!writer->save()) {
                        failure = "mode save failed";
                        break;
                    }
                    ++optionSaves[thread];
                    writer.reset();
                    if (thread >= kSharedOwners) {
                        // The thread's own mode as well.
                        ModePtr own = mode(kMode, kGroup, ownMedia(thread));
                        boost::shared_ptr<ModeWriter> ownWriter =
                            own ? own->getWriter() : boost::shared_ptr<ModeWriter>();
                        if (!ownWriter) {
                            failure = "no own mode writer";
                            break;
                        }
                        ownWriter->updateCalibration(toWx(std::to_string(round)));
                        if (!ownWriter->save()) {
                            failure = "own mode save failed";
                        }
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
    EXPECT_EQ(describeAll(), expected);
    EXPECT_EQ(inFreshProcess(dir, [&] { return describeAll(); }), expected);
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
