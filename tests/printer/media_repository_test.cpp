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

TEST_F(MediaRepositoryTest, FolderWithoutSettingsFileOrNoFolderGivesNoRepository) {
    makeDirs(mediaPath() + "/Modes/" + kMode);
    EXPECT_FALSE(MediaRepository::createRepository(W(mediaPath()), PrinterPtr(), wxString()));
    EXPECT_FALSE(media());
    // A path where nothing is, or a file: nothing, and nothing is created.
    const std::string missing = dir.file("nowhere/Médium");
    EXPECT_FALSE(MediaRepository::createRepository(W(missing), PrinterPtr(), wxString()));
    EXPECT_FALSE(pathExists(dir.file("nowhere")));
    writeFile(dir.file("plain"), "x");
    EXPECT_FALSE(MediaRepository::createRepository(W(dir.file("plain")), PrinterPtr(), wxString()));
    // Malformed settings give no repository either.
    writeFile(mediaPath() + "/.Settings.xml", "<node name=\"Media\"");
    EXPECT_FALSE(MediaRepository::createRepository(W(mediaPath()), PrinterPtr(), wxString()));
}

TEST_F(MediaRepositoryTest, NamesGroupsAndLegacyNames) {
    makeMedia("", {kMode}, "Matte", "Paper1");
    makeMedia("", {kMode}, "_Ungrouped_", "Paper1");
    makeMedia("");
    boost::shared_ptr<MediaReader> grouped = media("Matte", "Paper1")->getReader();
    ASSERT_TRUE(grouped);
    EXPECT_EQ(U(grouped->getName()), "Paper1");
    EXPECT_EQ(U(grouped->getGroup()), "Matte");
    EXPECT_EQ(U(grouped->getNameLegacy()), "Paper1 [Matte]");
    boost::shared_ptr<MediaReader> ungrouped = media("", "Paper1")->getReader();
    ASSERT_TRUE(ungrouped);
    EXPECT_EQ(U(ungrouped->getNameLegacy()), "Paper1");
    boost::shared_ptr<MediaReader> accented = media()->getReader();
    EXPECT_EQ(U(accented->getNameLegacy()), std::string(kMedia) + " [" + kGroup + "]");
}

TEST_F(MediaRepositoryTest, ReadsEveryKeyAndSharesTheCachedObjects) {
    makeMedia(fullMediaBody());
    writeFile(mediaPath() + "/.SPSettings.dat", std::string("blob\0with zero", 14));
    MediaPtr repository = media();
    ASSERT_TRUE(repository);
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(describe(*reader),
              "name: Papier é group: Mätt legacy: Papier é [Mätt]\n"
              "ink cfg: CMYK é 4\n"
              "color: 4 1 0 5 Orangé(2:10,20 o255)\n"
              "scales: 720=1.250/0.500\n"
              "page sizes: A4 Übergröße\n"
              "passes: [4|1] [8|2]\n"
              "label channel: 3\n"
              "default mode: Fein ß\n"
              "jdf: Glänzend | Fein ß | Norm | Schnell\n"
              "costs: 0.00\n"
              "modes: Fein ß\n"
              "valid: 1\n" +
                  std::string("sp: blob\0with zero\n", 19));
    // A second reader of the same repository gets the very same objects.
    boost::shared_ptr<MediaReader> second = repository->getReader();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->getInkCfg(), reader->getInkCfg());
    EXPECT_EQ(second->getPageSizes(), reader->getPageSizes());
    // Asking for another quality level gives nothing, whatever the case.
    EXPECT_EQ(U(reader->getJdfQualityMode(W("Fine"))), "");
    EXPECT_EQ(U(reader->getJdfQualityMode(W("high"))), "");
}

TEST_F(MediaRepositoryTest, MissingKeysGiveDefaultsAndAreLookedUpOnce) {
    makeMedia("");
    MediaPtr repository = media();
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->getInkCfg()->getSpInkCfg()->NumColor, 0);
    EXPECT_TRUE(reader->getPageSizes()->empty());
    EXPECT_EQ(reader->getPassInfo()->getStral()->first, nullptr);
    EXPECT_EQ(reader->getLabelChannel(), 0);
    EXPECT_EQ(U(reader->getJdfAlias()), "");
    EXPECT_EQ(U(reader->getDefaultMode()), "");
    // A node that appears in the tree later is not looked up again for the
    // texts, but the label channel is read on every call.
    repos::NamedNode::Ptr root = repository->getSettings()->getRoot();
    repos::NamedNode::Ptr alias = repos::NamedNode::Create(W("JdfAlias"));
    alias->setAttribute(W("value"), W("late"));
    alias->addTo(root);
    repos::NamedNode::Ptr channel = repos::NamedNode::Create(W("LabelChannel"));
    channel->setAttribute(W("value"), W("7"));
    channel->addTo(root);
    EXPECT_EQ(U(reader->getJdfAlias()), "");
    EXPECT_EQ(reader->getLabelChannel(), 7);
}

TEST_F(MediaRepositoryTest, SaveWithoutChangesLeavesTheFileAlone) {
    makeMedia(fullMediaBody());
    const std::string file = mediaPath() + "/.Settings.xml";
    const unsigned long long inode = inodeOf(file);
    const long long time = modifiedNs(file);
    boost::shared_ptr<MediaWriter> writer = media()->getWriter();
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->save());
    EXPECT_EQ(inodeOf(file), inode);
    EXPECT_EQ(modifiedNs(file), time);
}

TEST_F(MediaRepositoryTest, NullSetterSavesTheCachedValueAndNothingWhenNoneIsCached) {
    makeMedia(fullMediaBody());
    MediaPtr repository = media();
    {
        boost::shared_ptr<MediaReader> reader = repository->getReader();
        // Changed in place through the shared handle.
        reader->getPageSizes()->push_back(W("Neu ü"));
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
            costs->setPageSizeCost(W("Übergröße"), area * 2);
            EXPECT_EQ(writer->setMediaCostSettings(costs), 0);
        }
    }
    // Replaced, not appended: the second value is the one read back.
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    boost::shared_ptr<repos::MediaCostSettings> costs = reader->getMediaCostSettings();
    EXPECT_EQ(costs->getAreaBasedCost(), 4.25);
    EXPECT_EQ(costs->getPageSizeCosts().at(W("Übergröße")), 8.5);
    EXPECT_EQ(fileChildren(costFile, "CostSettings"),
              std::vector<std::string>{"MediaCostSettings"});
    // No temporary file is left beside it.
    const vfs::FileObjectListPtr children = repository->getRoot()->getChildren();
    for (const vfs::FileObjectPtr& child : *children) {
        EXPECT_FALSE(vfs::isTemporaryName(child->getBaseName())) << U(child->getBaseName());
    }
}

TEST_F(MediaRepositoryTest, EngineSettingsStreamNeedsTheFile) {
    makeMedia("");
    MediaPtr repository = media();
    const std::string spFile = mediaPath() + "/.SPSettings.dat";
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        EXPECT_FALSE(writer->getOutputSPSettingsStream());
    }
    {
        boost::shared_ptr<MediaReader> reader = repository->getReader();
        EXPECT_FALSE(reader->getInputSPSettingsStream());
    }
    EXPECT_FALSE(pathExists(spFile));
    writeFile(spFile, "old");
    {
        boost::shared_ptr<MediaWriter> writer = repository->getWriter();
        vfs::OutputStreamPtr out = writer->getOutputSPSettingsStream();
        ASSERT_TRUE(out);
        out->Write("new bytes", 9);
        out.reset();
        writer->closeSPSettingsStream();
    }
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    EXPECT_EQ(readAll(reader->getInputSPSettingsStream()), "new bytes");
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
        names.push_back(U(entry.first));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Draft", "Fein ß", "Leer"}));
    EXPECT_TRUE(reader->isValid());
    ModePtr mode = reader->getMode(W(kMode));
    ASSERT_TRUE(mode);
    EXPECT_EQ(reader->getMode(W(kMode)), mode);
    EXPECT_EQ(mode->getMedia(), repository);
    EXPECT_FALSE(reader->getMode(W("Leer")));
    EXPECT_FALSE(reader->getMode(W("notes.txt")));
    EXPECT_FALSE(reader->getMode(W("fein ß")));
    reader->clearMode(W(kMode));
    ModePtr again = reader->getMode(W(kMode));
    ASSERT_TRUE(again);
    EXPECT_NE(again, mode);
    // A mode folder made later is listed after a refresh.
    makeMode("", "Später");
    repository->refreshModeMap();
    EXPECT_TRUE(reader->getMode(W("Später")));
    // The marker makes the media invalid, and so does having no mode.
    writeFile(mediaPath() + "/.invalid", "");
    EXPECT_FALSE(reader->isValid());
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
        repos::printer::PrinterReader::getReader(W(kPrinter));
    ASSERT_TRUE(printer);
    EXPECT_FALSE(printer->getMedia(W(kGroup), W(kMedia)));
    EXPECT_TRUE(printer->getMedia(W(kGroup), W("Nachbar")));
    // The last media of a group takes the group folder with it.
    MediaPtr alone = printer->getMedia(W("Solo"), W("Allein"));
    printer.reset();
    ASSERT_TRUE(alone);
    EXPECT_TRUE(alone->getWriter()->remove());
    EXPECT_FALSE(pathExists(printerPath() + "/Medias/Solo"));
    EXPECT_TRUE(pathExists(printerPath() + "/Medias/" + kGroup));
}

TEST_F(MediaRepositoryTest, CopyMakesAWholeCopyAndRefusesItselfAndOtherMedias) {
    makeMedia(fullMediaBody());
    makeMedia("", {kMode}, kGroup, "Nachbar");
    writeFile(mediaPath() + "/.SPSettings.dat", "sp");
    MediaPtr repository = media();
    boost::shared_ptr<MediaReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    const std::string copy = mediaPath(kGroup, "Kopie ü");
    EXPECT_TRUE(reader->copyTo(W(copy)));
    EXPECT_EQ(readFile(copy + "/.Settings.xml"), readFile(mediaPath() + "/.Settings.xml"));
    EXPECT_EQ(readFile(copy + "/.SPSettings.dat"), "sp");
    EXPECT_TRUE(pathExists(copy + "/Modes/" + kMode + "/.Settings.xml"));
    EXPECT_FALSE(pathExists(copy + "/.invalid"));
    MediaPtr copied = media(kGroup, "Kopie ü");
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->getReader()->isValid());

    // Onto itself (however spelled), into itself, onto another media.
    const std::string neighbour = readFile(mediaPath(kGroup, "Nachbar") + "/.Settings.xml");
    EXPECT_FALSE(reader->copyTo(repository->getRoot()));
    EXPECT_FALSE(reader->copyTo(W(mediaPath() + "/")));
    EXPECT_FALSE(reader->copyTo(W(mediaPath() + "/Modes/inner")));
    EXPECT_FALSE(pathExists(mediaPath() + "/Modes/inner"));
    EXPECT_FALSE(reader->copyTo(W(mediaPath(kGroup, "Nachbar"))));
    EXPECT_EQ(readFile(mediaPath(kGroup, "Nachbar") + "/.Settings.xml"), neighbour);
    EXPECT_FALSE(pathExists(mediaPath(kGroup, "Nachbar") + "/.invalid"));
    EXPECT_FALSE(pathExists(mediaPath() + "/.invalid"));
    EXPECT_FALSE(reader->copyTo(vfs::FileObjectPtr()));

    // Names that could not be used again are refused before anything is
    // made: a starred name stands for another media, brackets would split
    // the legacy name, and so on.
    for (const std::string& name :
         {std::string("*Stern"), std::string("a [b] [c]"), std::string("tab\tname"),
          std::string("blank "), std::string(" blank"), std::string(256, 'x')}) {
        vexa::repos::clearFailure();
        EXPECT_FALSE(reader->copyTo(W(mediaPath(kGroup, name)))) << name;
        EXPECT_EQ(vexa::repos::lastFailure().code, vexa::repos::FailureCode::INVALID_NAME) << name;
        EXPECT_FALSE(pathExists(mediaPath(kGroup, name))) << name;
    }
    EXPECT_FALSE(reader->copyTo(W(mediaPath("Gruppe [x]", "Neu"))));
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
    MediaPtr direct = MediaRepository::createRepository(W(mediaPath()), PrinterPtr(), wxString());
    ASSERT_TRUE(throughPrinter);
    ASSERT_TRUE(direct);
    ASSERT_NE(direct, throughPrinter);
    EXPECT_EQ(U(direct->getReader()->getJdfAlias()), "Glänzend");
    {
        // One in-process lock per folder: the direct repository's readers
        // keep the other one's writers out as well.
        boost::shared_ptr<MediaReader> holding = direct->getReader();
        repos::impl::ReadWriteMutex mutex = repos::impl::folderMutex(direct->getRoot());
        EXPECT_EQ(mutex.readers(), 1);
    }
    {
        boost::shared_ptr<MediaWriter> writer = throughPrinter->getWriter();
        writer->setJdfAlias(W("Matt"));
        ASSERT_TRUE(writer->save());
    }
    // Within the same second: the other object notices the folder moved.
    EXPECT_TRUE(direct->isStale());
    EXPECT_EQ(U(direct->getReader()->getJdfAlias()), "Matt");
    EXPECT_FALSE(direct->isStale());
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
