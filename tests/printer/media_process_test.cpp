// Media repositories across processes: what one process saves, a fresh
// process and an already running one read back (also when the change falls
// within the same second); a writer keeps the other process's readers out;
// a failed write leaves the previous files whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <boost/make_shared.hpp>
#include <cstring>

#include "printer/MediaModeFixture.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

class MediaProcessTest : public MediaModeFixture {
  protected:
    std::string settingsFile() const { return mediaPath() + "/.Settings.xml"; }
};

// Sets one value of every kind a media writer has.
void setEverything(MediaWriter& writer) {
    repos::InkCfg cfg;
    std::strcpy(cfg.getSpInkCfg()->Name, "Hi-Fi ü");
    cfg.getSpInkCfg()->NumColor = 7;
    writer.setInkConfig(cfg.getSpInkCfg());
    SP_COLOR_INFO color = SP_COLOR_INFO();
    color.NumColor = 7;
    color.NumSpotColor = 2;
    color.Photometric = 2;
    std::strcpy(color.SpotNames[0], "Grün");
    color.Spots[0].samples = 2;
    color.Spots[0].SampleValues[0] = 5;
    color.Spots[0].SampleValues[1] = 6;
    color.Spots[0].opacity = 255;
    std::strcpy(color.SpotNames[1], "Weiß");
    color.Spots[1].samples = 1;
    color.Spots[1].SampleValues[0] = 9;
    writer.setColorInfo(&color);
    SPRESSCALEADJUST second = SPRESSCALEADJUST();
    std::strcpy(second.Resolution, "1440x720");
    second.scaleX = 1.0;
    second.scaleY = 0.25;
    SPRESSCALEADJUST first = SPRESSCALEADJUST();
    std::strcpy(first.Resolution, "360");
    first.scaleX = 2.0;
    first.scaleY = 3.5;
    first.next = &second;
    writer.setResScaleAdjust(&first);
    writer.setPageSizes(boost::make_shared<std::list<wxString>>(
        std::list<wxString>{W("Rolle 1,6 m"), W("Bogen Ä3")}));
    SSTRAL* passes = _stral_new();
    stral_add(passes, -1, 0, "12", "7", nullptr);
    writer.setPassInfo(passes);
    stral_free(passes);
    writer.setDefaultMode(W("Entwurf"));
    writer.setJdfAlias(W("Seidenmatt ß"));
    writer.setJdfQualityMode(W("High"), W("Fein ß"));
    writer.setJdfQualityMode(W("Normal"), W("Mittel"));
    writer.setJdfQualityMode(W("Draft"), W("Entwurf"));
    boost::shared_ptr<repos::MediaCostSettings> costs =
        boost::make_shared<repos::MediaCostSettings>();
    costs->setAreaBasedCost(12.5);
    costs->setPageSizeCost(W("Bogen Ä3"), 0.75);
    EXPECT_EQ(writer.setMediaCostSettings(costs), 0);
    vfs::OutputStreamPtr out = writer.getOutputSPSettingsStream();
    ASSERT_TRUE(out);
    out->Write("engine ü", std::strlen("engine ü"));
    out.reset();
    writer.closeSPSettingsStream();
}

TEST_F(MediaProcessTest, EveryValueSetAndSavedIsReadByAFreshProcess) {
    makeMedia("<node name=\"LabelChannel\" value=\"4\"/>");
    writeFile(mediaPath() + "/.SPSettings.dat", "old");
    MediaPtr repository = media();
    ASSERT_TRUE(repository);
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        setEverything(*writer);
        ASSERT_TRUE(writer->save());
    }
    const std::string expected =
        "name: Papier é group: Mätt legacy: Papier é [Mätt]\n"
        "ink cfg: Hi-Fi ü 7\n"
        "color: 7 2 0 2 Grün(2:5,6 o255) Weiß(1:9,0 o0)\n"
        "scales: 360=2.000/3.500 1440x720=1.000/0.250\n"
        "page sizes: Rolle 1,6 m Bogen Ä3\n"
        "passes: [12|7]\n"
        "label channel: 4\n"
        "default mode: Entwurf\n"
        "jdf: Seidenmatt ß | Fein ß | Mittel | Entwurf\n"
        "costs: 12.50 Bogen Ä3=0.75\n"
        "modes: Fein ß\n"
        "valid: 1\n"
        "sp: engine ü\n";
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(describe(*reader), expected);
    reader.reset();
    const std::string child = inFreshProcess(dir, [&] {
        MediaPtr fresh = media();
        boost::shared_ptr<MediaReader> freshReader = fresh ? fresh->getReader() : nullptr;
        return freshReader ? describe(*freshReader) : std::string("<no reader>");
    });
    EXPECT_EQ(child, expected);
}

TEST_F(MediaProcessTest, ARunningProcessSeesAnotherProcesssSaveWithinTheSameSecond) {
    makeMedia(fullMediaBody());
    MediaPtr repository = media();
    ASSERT_TRUE(repository);
    {
        boost::shared_ptr<MediaReader> reader = repository->getReader();
        EXPECT_EQ(U(reader->getJdfAlias()), "Glänzend");
        EXPECT_EQ(reader->getPageSizes()->size(), 2u);
    }
    const long long folderTime = modifiedNs(mediaPath());
    const std::string saved = inFreshProcess(dir, [&] {
        boost::shared_ptr<MediaWriter> writer = media()->getWriter();
        if (!writer) {
            return std::string("<no writer>");
        }
        writer->setJdfAlias(W("Seidenmatt"));
        writer->setPageSizes(
            boost::make_shared<std::list<wxString>>(std::list<wxString>{W("Neu ö")}));
        return std::string(writer->save() ? "saved" : "not saved");
    });
    ASSERT_EQ(saved, "saved");
    // Put the change into the same second as what this process saw: only
    // the fraction of the second tells them apart.
    ASSERT_TRUE(setModifiedNs(mediaPath(), folderTime + 1));
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(U(reader->getJdfAlias()), "Seidenmatt");
    ASSERT_EQ(reader->getPageSizes()->size(), 1u);
    EXPECT_EQ(U(reader->getPageSizes()->front()), "Neu ö");
    // A writer of this process now starts from the other process's values.
    reader.reset();
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        writer->setDefaultMode(W("Draft"));
        ASSERT_TRUE(writer->save());
    }
    EXPECT_EQ(fileValue(settingsFile(), "Media/JdfAlias"), "Seidenmatt");
    EXPECT_EQ(fileValue(settingsFile(), "Media/DefaultMode"), "Draft");
}

TEST_F(MediaProcessTest, ASaveCarryingAnEarlierTimeIsReadAndNotOverwritten) {
    makeMedia(fullMediaBody());
    MediaPtr repository = media();
    ASSERT_TRUE(repository);
    EXPECT_EQ(U(repository->getReader()->getJdfAlias()), "Glänzend");
    const long long folderTime = modifiedNs(mediaPath());
    const std::string saved = inFreshProcess(dir, [&] {
        boost::shared_ptr<MediaWriter> writer = media()->getWriter();
        if (!writer) {
            return std::string("<no writer>");
        }
        writer->setJdfAlias(W("Zurückgespielt"));
        return std::string(writer->save() ? "saved" : "not saved");
    });
    ASSERT_EQ(saved, "saved");
    // As after restoring a backup or setting the clock back.
    const long long earlier = folderTime - 3600LL * 1000000000LL;
    ASSERT_TRUE(setModifiedNs(settingsFile(), earlier));
    ASSERT_TRUE(setModifiedNs(mediaPath(), earlier));
    EXPECT_EQ(U(repository->getReader()->getJdfAlias()), "Zurückgespielt");
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        writer->setDefaultMode(W("Draft"));
        ASSERT_TRUE(writer->save());
    }
    EXPECT_EQ(fileValue(settingsFile(), "Media/JdfAlias"), "Zurückgespielt");
    EXPECT_EQ(fileValue(settingsFile(), "Media/DefaultMode"), "Draft");
}

TEST_F(MediaProcessTest, AWriterInAnotherProcessKeepsReadersOutUntilDropped) {
    makeMedia(fullMediaBody());
    MediaPtr repository = media();
    ASSERT_TRUE(repository);
    Child child([&](Child& self) -> int {
        repos::printer::PrinterCatalog::reset();
        boost::shared_ptr<MediaWriter> writer = media()->getWriter();
        if (!writer) {
            return 1;
        }
        self.signal('w');
        self.await();
        writer.reset();
        self.signal('x');
        return 0;
    });
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.await(), 'w');
    EXPECT_FALSE(repository->getReader());
    EXPECT_FALSE(repository->getWriter());
    child.signal('d');
    ASSERT_EQ(child.await(), 'x');
    EXPECT_TRUE(repository->getReader());
    EXPECT_EQ(child.wait(), 0);
}

TEST_F(MediaProcessTest, FailedWritesLeaveThePreviousFilesAndKeepTheChanges) {
    makeMedia(fullMediaBody());
    const std::string costFile = mediaPath() + "/.MediaCostSettings.xml";
    const std::string previousCosts =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"CostSettings\">"
        "<node name=\"MediaCostSettings\" areabasedcost=\"1.00\"/></node>";
    writeFile(costFile, previousCosts);
    const std::string previousSettings = readFile(settingsFile());
    // A file size limit makes every write beyond a few bytes fail, in a
    // child so that this process keeps its limits.
    const std::string result = inFreshProcess(dir, [&] {
        boost::shared_ptr<MediaWriter> writer = media()->getWriter();
        if (!writer) {
            return std::string("<no writer>");
        }
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit previous;
        ::getrlimit(RLIMIT_FSIZE, &previous);
        struct rlimit tiny = previous;
        tiny.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        boost::shared_ptr<repos::MediaCostSettings> costs =
            boost::make_shared<repos::MediaCostSettings>();
        costs->setAreaBasedCost(9.0);
        const int costResult = writer->setMediaCostSettings(costs);
        writer->setJdfAlias(W("Neu"));
        const bool firstSave = writer->save();
        ::setrlimit(RLIMIT_FSIZE, &previous);
        const bool secondSave = writer->save();
        return std::to_string(costResult) + " " + std::to_string(firstSave) + " " +
               std::to_string(secondSave);
    });
    // The cost write failed, the first save failed, the retry wrote.
    EXPECT_EQ(result, "1 0 1");
    EXPECT_EQ(readFile(costFile), previousCosts);
    EXPECT_EQ(fileValue(settingsFile(), "Media/JdfAlias"), "Neu");
    EXPECT_EQ(fileValue(settingsFile(), "Media/JdfQualityModeDraft"), "Schnell");
    const vfs::FileObjectListPtr children = media()->getRoot()->getChildren();
    for (const vfs::FileObjectPtr& entry : *children) {
        EXPECT_FALSE(vfs::isTemporaryName(entry->getBaseName())) << U(entry->getBaseName());
    }
    EXPECT_NE(previousSettings, readFile(settingsFile()));
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
