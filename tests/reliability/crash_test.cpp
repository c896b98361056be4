// Writers killed at random moments in the middle of saves: every settings
// file must still parse and hold one whole value, old or new, and the
// temporary files the dead writers left must go with the next writer.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <regex>
#include <thread>

#include "reliability/ReliabilityFixture.h"
#include "vfs/src/impl/DurableWrite.h"

namespace vexa {
namespace test {
namespace {

// Long values make a save take long enough for kills to land inside it.
const std::size_t kFiller = 48 * 1024;

wxString valueFor(long k) {
    return wxString::Format("v%ld:", k) + wxString(static_cast<size_t>(kFiller), wxT('x'));
}

// True for the values the files start with and for a whole value of valueFor.
bool isWholeValue(const std::string& value) {
    static const std::regex pattern("v[0-9]+:x*");
    return value == "start" || value == "0" ||
           (std::regex_match(value.substr(0, value.find(':') + 1) + "x", pattern) &&
            value.size() == value.find(':') + 1 + kFiller &&
            value.find_first_not_of('x', value.find(':') + 1) == std::string::npos);
}

int temporaryFiles(const std::string& folder) {
    int count = 0;
    DIR* dir = ::opendir(folder.c_str());
    while (dirent* entry = dir ? ::readdir(dir) : nullptr) {
        count += vfs::isTemporaryName(toWx(entry->d_name)) ? 1 : 0;
    }
    if (dir) {
        ::closedir(dir);
    }
    return count;
}

enum Level { PRINTER, MEDIA, MODE };

// Saves new values at `level` for ever (until killed).
int saveForever(Level level, mm::MediaModeFixture& f) {
    for (long k = 0;; ++k) {
        bool saved = false;
        if (level == PRINTER) {
            boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(toWx(kPrinter));
            if (writer) {
                writer->setPortData(valueFor(k));
                saved = writer->save();
            }
        } else if (level == MEDIA) {
            boost::shared_ptr<MediaRepository> repository = f.media();
            boost::shared_ptr<repos::printer::MediaWriter> writer =
                repository ? repository->getWriter() : nullptr;
            if (writer) {
                writer->setJdfAlias(valueFor(k));
                saved = writer->save();
            }
        } else {
            boost::shared_ptr<ModeRepository> repository = f.mode();
            boost::shared_ptr<repos::printer::ModeWriter> writer =
                repository ? repository->getWriter() : nullptr;
            if (writer) {
                writer->setPrinterOption(wxT("Heater"), valueFor(k));
                saved = writer->save();
            }
        }
        if (!saved) {
            return 1;  // the parent sees a child that stopped by itself
        }
    }
}

// Takes a writer at `level` and drops it: what a next writer does first.
bool takeWriter(Level level, mm::MediaModeFixture& f) {
    if (level == PRINTER) {
        return static_cast<bool>(PrinterWriter::getWriter(toWx(kPrinter)));
    }
    if (level == MEDIA) {
        boost::shared_ptr<MediaRepository> repository = f.media();
        return repository && repository->getWriter();
    }
    boost::shared_ptr<ModeRepository> repository = f.mode();
    return repository && repository->getWriter();
}

}  // namespace

TEST_F(ReliabilityTest, WritersKilledMidSaveNeverLeaveABrokenFile) {
    struct Case {
        Level level;
        std::string folder;
        std::string key;
    };
    const Case cases[] = {{PRINTER, printerPath(), "Printer/PortData"},
                          {MEDIA, mediaPath(), "Media/JdfAlias"},
                          {MODE, modePath(), "Mode/PrinterSettings/Heater"}};
    std::mt19937 random(20261205);
    std::uniform_int_distribution<int> delay(0, 40000);  // microseconds
    const int kKillsPerLevel = 110;
    int leftovers = 0;
    for (const Case& c : cases) {
        for (int i = 0; i < kKillsPerLevel; ++i) {
            Child child([&](Child&) { return saveForever(c.level, *this); });
            ASSERT_TRUE(child.started());
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            child.kill();
            const std::string value = fileValue(c.folder + "/.Settings.xml", c.key);
            ASSERT_TRUE(isWholeValue(value)) << "kill " << i << " left: " << value.substr(0, 80);
            leftovers += temporaryFiles(c.folder);
            ASSERT_TRUE(takeWriter(c.level, *this));
            ASSERT_EQ(temporaryFiles(c.folder), 0)
                << "the next writer removes what the dead one left";
        }
    }
    // Some kills must have hit a save in the middle, or the test proves little.
    EXPECT_GT(leftovers, 0);
}

}  // namespace test
}  // namespace vexa
