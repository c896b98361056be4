// Media repositories within one process: creation, values and their caches,
// saving, cost settings, the engine settings stream, modes, validity,
// copying, removal and the locks.
#include <gtest/gtest.h>

#include <atomic>
#include <boost/make_shared.hpp>
#include <cstring>
#include <thread>

#include "printer/MediaModeFixture.h"
#include "repos/Failure.h"
#include "src/printer/FolderSettingsStore.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

class MediaRepositoryTest : public MediaModeFixture {};

// Nor is there an engine settings stream without its file, and asking for
// one makes no file.
TEST_F(MediaRepositoryTest, MissingKeysGiveDefaultsAndAreLookedUpOnce) {
    makeMedia("");
    MediaPtr repository = media();
    EXPECT_FALSE(repository->getWriter()->getOutputSPSettingsStream());
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->getInputSPSettingsStream());
    EXPECT_FALSE(pathExists(mediaPath() + "/.SPSettings.dat"));
    EXPECT_EQ(reader->getInkCfg()->getSpInkCfg()->NumColor, 0);
    EXPECT_TRUE(reader->getPageSizes()->empty());
    EXPECT_EQ(reader->getPassInfo()->getStral()->first, nullptr);
    EXPECT_EQ(reader->getLabelChannel(), 0);
    EXPECT_EQ(toUtf8(reader->getJdfAlias()), "");
    EXPECT_EQ(toUtf8(reader->getDefaultMode()), "");
    // A node that appears in the tree later is not looked up again for the
    // texts, but the label channel is read on every call.
    repos::NamedNode::Ptr root = repository->getSettings()->getRoot();
    repos::NamedNode::Ptr alias = repos::NamedNode::Create(toWx("JdfAlias"));
    alias->setAttribute(toWx("value"), toWx("late"));
    alias->addTo(root);
    repos::NamedNode::Ptr channel = repos::NamedNode::Create(toWx("LabelChannel"));
    channel->setAttribute(toWx("value"), toWx("7"));
    channel->addTo(root);
    EXPECT_EQ(toUtf8(reader->getJdfAlias()), "");
    EXPECT_EQ(reader->getLabelChannel(), 7);
}

TEST_F(MediaRepositoryTest, NullSetterSavesTheCachedValueAndNothingWhenNoneIsCached) {
    makeMedia(fullMediaBody());
    MediaPtr repository = media();
    {
        boost::shared_ptr<MediaReader> reader = repository->getReader();
        // Changed in place through the shared handle.
        reader->getPageSizes()->push_back(toWx("Neu ü"));
    }
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        writer->setPageSizes(boost::shared_ptr<std::list<wxString>>());
        // Never read nor set: nothing to write for it.
        writer->setColorInfo(nullptr);
        EXPECT_TRUE(writer->save());
    }
    const std::string file = mediaPath() + "/.Settings.xml";
    EXPECT_EQ(fileChildren(file, "Media/PageSizes"),
              (std::vector<std::string>{"A4", "Übergröße", "Neu ü"}));
    EXPECT_EQ(fileValue(file, "Media/ColorInfo/SpotNames/Orangé", "S1"), "20");
}

TEST_F(MediaRepositoryTest, CostSettingsAreCreatedReadAndReplacedWhole) {
    makeMedia("");
    MediaPtr repository = media();
    const std::string costFile = mediaPath() + "/.MediaCostSettings.xml";
    {
        boost::shared_ptr<MediaReader> reader = repository->getReader();
        boost::shared_ptr<repos::MediaCostSettings> costs = reader->getMediaCostSettings();
        EXPECT_EQ(costs->getAreaBasedCost(), 0.0);
        EXPECT_TRUE(costs->getPageSizeCosts().empty());
    }
    EXPECT_EQ(readFile(costFile),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"CostSettings\"></node>");
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        EXPECT_EQ(writer->setMediaCostSettings(boost::shared_ptr<repos::MediaCostSettings>()), -1);
        for (double area : {2.5, 4.25}) {
            boost::shared_ptr<repos::MediaCostSettings> costs =
                boost::make_shared<repos::MediaCostSettings>();
            costs->setAreaBasedCost(area);
            costs->setPageSizeCost(toWx("Übergröße"), area * 2);
            EXPECT_EQ(writer->setMediaCostSettings(costs), 0);
        }
    }
    // Replaced, not appended: the second value is the one read back.
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    boost::shared_ptr<repos::MediaCostSettings> costs = reader->getMediaCostSettings();
    EXPECT_EQ(costs->getAreaBasedCost(), 4.25);
    EXPECT_EQ(costs->getPageSizeCosts().at(toWx("Übergröße")), 8.5);
    EXPECT_EQ(fileChildren(costFile, "CostSettings"),
              std::vector<std::string>{"MediaCostSettings"});
    // No temporary file is left beside it.
    const vfs::FileObjectListPtr children = repository->getRoot()->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        EXPECT_FALSE(vfs::isTemporaryName(child->getBaseName())) << toUtf8(child->getBaseName());
    }
}

TEST_F(MediaRepositoryTest, ModeMapValidityAndModeRepositories) {
    makeMedia("", {kMode, "Draft"});
    makeDirs(mediaPath() + "/Modes/Leer");  // a mode folder without settings
    writeFile(mediaPath() + "/Modes/notes.txt", "not a mode");
    makeMedia("", {}, kGroup, "Ohne");
    MediaPtr repository = media();
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    std::vector<std::string> names;
    for (const auto& entry : reader->getModeList()) {
        names.push_back(toUtf8(entry.first));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Draft", "Fein ß", "Leer"}));
    EXPECT_TRUE(reader->isValid());
    ModePtr mode = reader->getMode(toWx(kMode));
    ASSERT_TRUE(mode);
    EXPECT_EQ(reader->getMode(toWx(kMode)), mode);
    EXPECT_EQ(mode->getMedia(), repository);
    EXPECT_FALSE(reader->getMode(toWx("Leer")));
    EXPECT_FALSE(reader->getMode(toWx("notes.txt")));
    EXPECT_FALSE(reader->getMode(toWx("fein ß")));
    reader->clearMode(toWx(kMode));
    ModePtr again = reader->getMode(toWx(kMode));
    ASSERT_TRUE(again);
    EXPECT_NE(again, mode);
    // A mode folder made later is listed after a refresh.
    makeMode("", "Später");
    repository->refreshModeMap();
    EXPECT_TRUE(reader->getMode(toWx("Später")));
    // Having no mode makes a media invalid.
    MediaPtr empty = media(kGroup, "Ohne");
    ASSERT_TRUE(empty);
    boost::shared_ptr<MediaReader> withoutModes = empty->getReader();
    ASSERT_TRUE(withoutModes);
    EXPECT_FALSE(withoutModes->isValid());
}

TEST_F(MediaRepositoryTest, RemoveDeletesOnlyThisMediaAndTellsThePrinter) {
    makeMedia(fullMediaBody());
    makeMedia("", {kMode}, kGroup, "Nachbar");
    makeMedia("", {kMode}, "Solo", "Allein");
    MediaPtr repository = media();
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        EXPECT_TRUE(writer->remove());
        EXPECT_FALSE(writer->isValid());
    }
    EXPECT_FALSE(pathExists(mediaPath()));
    EXPECT_TRUE(pathExists(mediaPath(kGroup, "Nachbar") + "/.Settings.xml"));
    EXPECT_FALSE(pathExists(mediaPath(kGroup, "Nachbar") + "/.invalid"));
    EXPECT_FALSE(repository->getReader());
    boost::shared_ptr<repos::printer::PrinterReader> printer =
        repos::printer::PrinterReader::getReader(toWx(kPrinter));
    ASSERT_TRUE(printer);
    EXPECT_FALSE(printer->getMedia(toWx(kGroup), toWx(kMedia)));
    EXPECT_TRUE(printer->getMedia(toWx(kGroup), toWx("Nachbar")));
    // The last media of a group takes the group folder with it.
    MediaPtr alone = printer->getMedia(toWx("Solo"), toWx("Allein"));
    printer.reset();
    ASSERT_TRUE(alone);
    EXPECT_TRUE(alone->getWriter()->remove());
    EXPECT_FALSE(pathExists(printerPath() + "/Medias/Solo"));
    EXPECT_TRUE(pathExists(printerPath() + "/Medias/" + kGroup));
}

TEST_F(MediaRepositoryTest, CopyTakesModesAndEngineSettingsAndRefusesUnusableNames) {
    makeMedia(fullMediaBody());
    writeFile(mediaPath() + "/.SPSettings.dat", "sp");
    MediaPtr repository = media();
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    const std::string copy = mediaPath(kGroup, "Kopie ü");
    EXPECT_TRUE(reader->copyTo(toWx(copy)));
    EXPECT_EQ(readFile(copy + "/.SPSettings.dat"), "sp");
    EXPECT_TRUE(pathExists(copy + "/Modes/" + kMode + "/.Settings.xml"));
    MediaPtr copied = media(kGroup, "Kopie ü");
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->getReader()->isValid());

    // Names that could not be used again are refused before anything is
    // made: a starred name stands for another media, brackets would split
    // the legacy name, and so on.
    for (const std::string& name :
         {std::string("*Stern"), std::string("a [b] [c]"), std::string("tab\tname"),
          std::string("blank "), std::string(" blank"), std::string(256, 'x')}) {
        vexa::repos::clearFailure();
        EXPECT_FALSE(reader->copyTo(toWx(mediaPath(kGroup, name)))) << name;
        EXPECT_EQ(vexa::repos::lastFailure().code, vexa::repos::FailureCode::INVALID_NAME) << name;
        EXPECT_FALSE(pathExists(mediaPath(kGroup, name))) << name;
    }
    EXPECT_FALSE(reader->copyTo(toWx(mediaPath("Gruppe [x]", "Neu"))));
    EXPECT_FALSE(pathExists(mediaPath("Gruppe [x]", "Neu")));
}

TEST_F(MediaRepositoryTest, SecondWriterWaitsUntilTheFirstIsDropped) {
    makeMedia("");
    MediaPtr repository = media();
    boost::shared_ptr<MediaWriter> first = repository->getWriter();
    ASSERT_TRUE(first);
    repos::impl::ReadWriteMutex mutex = repos::impl::folderMutex(repository->getRoot());
    std::atomic<bool> obtained(false);
    std::thread other([&] {
        boost::shared_ptr<MediaWriter> second = repository->getWriter();
        obtained = static_cast<bool>(second);
    });
    while (mutex.waitingWriters() == 0) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(obtained);
    first.reset();
    other.join();
    EXPECT_TRUE(obtained);
}

TEST_F(MediaRepositoryTest, TwoRepositoriesOfOneFolderSeeEachOthersSaves) {
    makeMedia(fullMediaBody());
    MediaPtr throughPrinter = media();
    MediaPtr direct =
        MediaRepository::createRepository(toWx(mediaPath()), PrinterPtr(), wxString());
    ASSERT_TRUE(throughPrinter);
    ASSERT_TRUE(direct);
    ASSERT_NE(direct, throughPrinter);
    EXPECT_EQ(toUtf8(direct->getReader()->getJdfAlias()), "Glänzend");
    {
        // One in-process lock per folder: the direct repository's readers
        // keep the other one's writers out as well.
        boost::shared_ptr<MediaReader> holding = direct->getReader();
        repos::impl::ReadWriteMutex mutex = repos::impl::folderMutex(direct->getRoot());
        EXPECT_EQ(mutex.readers(), 1);
    }
    {
        boost::shared_ptr<MediaWriter> writer = throughPrinter->getWriter();
        writer->setJdfAlias(toWx("Matt"));
        ASSERT_TRUE(writer->save());
    }
    // Within the same second: the other object notices the folder moved.
    EXPECT_TRUE(direct->isStale());
    EXPECT_EQ(toUtf8(direct->getReader()->getJdfAlias()), "Matt");
    EXPECT_FALSE(direct->isStale());
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
