// Mode repositories within one process: creation, every getter and its
// absent value, profiles and link files, the writer's save order and node
// creation, printer options, table defaults, copying and staleness.
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <cfloat>
#include <cstring>

#include "printer/MediaModeFixture.h"
#include "repos/RepositoryException.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

class ModeRepositoryTest : public MediaModeFixture {
  protected:
    std::string settingsFile() const { return modePath() + "/.Settings.xml"; }
    // A repository of the mode folder of its own (as a fresh object reads
    // what is on disk).
    ModePtr fresh() {
        return ModeRepository::createRepository(toWx(modePath()), MediaPtr(), toWx(""));
    }
};

TEST_F(ModeRepositoryTest, AbsentValuesAreEmptyAndOnlyTheTextsAndInkConfigurationLog) {
    makeMedia("", {});
    makeMode("");
    boost::shared_ptr<ModeReader> reader = mode()->getReader();
    ASSERT_TRUE(reader);
    LogCapture log;
    EXPECT_EQ(toUtf8(reader->getPattern()), "");
    EXPECT_EQ(toUtf8(reader->getResolution()), "");
    EXPECT_EQ(toUtf8(reader->getResolutionAlias()), "");
    EXPECT_FALSE(reader->getInkCfg());
    EXPECT_FALSE(reader->getInkLimits());
    EXPECT_FALSE(reader->getTransCtrl());
    EXPECT_FALSE(reader->getDropAdjust());
    EXPECT_FALSE(reader->getInkCurves());
    EXPECT_FALSE(reader->getLevelCurves());
    EXPECT_FALSE(reader->getScreenSetups());
    EXPECT_FALSE(reader->getResScaleAdjust());
    EXPECT_TRUE(reader->getTableDefaults().empty());
    EXPECT_EQ(reader->getUserQualityAssessment(), 2.2250738585072014e-308);
    EXPECT_TRUE(reader->getPrinterOptions()->empty());
    // Records of the mode code only: records other threads logged earlier
    // may be delivered now.
    std::vector<CapturedLog> records;
    for (const CapturedLog& record : log.records()) {
        if (record.file.find("printer/Mode") != std::string::npos) {
            records.push_back(record);
        }
    }
    ASSERT_EQ(records.size(), 4u);
    const char* const expected[][2] = {{"Error loading pattern for Fein ß", "getPattern"},
                                       {"Error loading resolution for Fein ß", "getResolution"},
                                       {"No resolution alias for Fein ß", "getResolutionAlias"},
                                       {"Error loading ink configuration for Fein ß", "getInkCfg"}};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].level, wxLOG_Debug);
        EXPECT_EQ(records[i].message, expected[i][0]);
        EXPECT_NE(records[i].function.find(std::string("vexa::repos::printer::ModeReader::") +
                                           expected[i][1]),
                  std::string::npos)
            << records[i].function;
        EXPECT_NE(records[i].file.find("ModeReader"), std::string::npos) << records[i].file;
    }
}

// Profiles and link files; files by name give every plain name a content
// and stay inside the folder.
TEST_F(ModeRepositoryTest, ProfilesLinkFilesAndFilesByName) {
    makeMedia("", {});
    makeMode("");
    writeFile(modePath() + "/profile.icc", "icc bytes");
    makeDirs(modePath() + "/Unterordner");
    writeFile(modePath() + "/A.icc", "a");
    writeFile(modePath() + "/B.ICC.Link", "links/real b.icc\nsecond line\n");
    writeFile(modePath() + "/C.txt", "c");
    makeDirs(modePath() + "/links");
    writeFile(modePath() + "/links/real b.icc", "b");
    makeDirs(dir.file("elsewhere"));
    writeFile(dir.file("elsewhere/abs é.icc"), "abs");
    writeFile(modePath() + "/Abs.icc.Link", "  " + dir.file("elsewhere/abs é.icc") + "\r\n");
    writeFile(modePath() + "/Lost.icc.Link", "missing.icc\n");
    ModePtr repository = mode();
    boost::shared_ptr<ModeReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    boost::shared_ptr<std::list<wxString>> profiles = reader->getProfiles(toWx("icc"));
    std::vector<std::string> names;
    for (const wxString& name : *profiles) {
        names.push_back(toUtf8(name));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "profile", "Abs", "B", "Lost"}));
    EXPECT_EQ(toUtf8(reader->getProfileLocation(toWx("A.icc"))), modePath() + "/A.icc");
    EXPECT_EQ(toUtf8(reader->getProfileLocation(toWx("a.ICC"))), modePath() + "/A.icc");
    EXPECT_EQ(toUtf8(reader->getProfileLocation(toWx("B.ICC"))), modePath() + "/links/real b.icc");
    EXPECT_EQ(toUtf8(reader->getProfileLocation(toWx("Abs.icc"))), dir.file("elsewhere/abs é.icc"));
    EXPECT_EQ(toUtf8(reader->getProfileLocation(toWx("Lost.icc"))), "");
    EXPECT_FALSE(pathExists(modePath() + "/missing.icc"));
    EXPECT_EQ(toUtf8(reader->getProfileLocation(toWx("None.icc"))), "");
    EXPECT_TRUE(reader->getProfiles(toWx("png"))->empty());
    reader.reset();

    const char* const kRefused[] = {"",          ".",        "..",        "../../Medias",
                                    "sub/x.icc", "a\\b.icc", "/etc/hosts"};
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        vfs::FileContentPtr created = writer->getFileByName(toWx("neu ü.icc"));
        ASSERT_TRUE(created);
        EXPECT_TRUE(pathExists(modePath() + "/neu ü.icc"));
        EXPECT_EQ(readAll(created->getInputStream()), "");
        EXPECT_EQ(readAll(writer->getFileByName(toWx("profile.icc"))->getInputStream()),
                  "icc bytes");
        EXPECT_THROW(writer->getFileByName(toWx("Unterordner")), vfs::FileSystemException);
        for (const char* name : kRefused) {
            EXPECT_FALSE(writer->getFileByName(toWx(name))) << name;
        }
        EXPECT_FALSE(pathExists(modePath() + "/sub"));
        // Making the file did not make the repository look changed elsewhere.
        EXPECT_FALSE(repository->isStale());
    }
    reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(readAll(reader->getFileByName(toWx("profile.icc"))->getInputStream()), "icc bytes");
    EXPECT_THROW(reader->getFileByName(toWx("Unterordner")), vfs::FileSystemException);
    for (const char* name : kRefused) {
        EXPECT_FALSE(reader->getFileByName(toWx(name))) << name;
    }
    // A missing file has a content all the same; a reader makes nothing, not
    // even through that content.
    LogCapture log;
    vfs::FileContentPtr missing = reader->getFileByName(toWx("neu.icc"));
    ASSERT_TRUE(missing);
    const vfs::InputStreamPtr in = missing->getInputStream();
    EXPECT_FALSE(in && in->IsOk());
    EXPECT_FALSE(missing->getOutputStream());
    EXPECT_FALSE(pathExists(modePath() + "/neu.icc"));
    // Nor is a mode folder removed meanwhile made again.
    ASSERT_EQ(std::system(("rm -rf '" + modePath() + "'").c_str()), 0);
    EXPECT_TRUE(reader->getFileByName(toWx("profile.icc")));
    EXPECT_FALSE(pathExists(modePath()));
}

// What the made nodes hold is read back by the typed suites' full save.
// The fixed order of the nodes a save makes is held by the regenerated
// sample, except where the configuration goes: the sample's modes have one
// before they are written.
TEST_F(ModeRepositoryTest, SaveMakesTheInkConfigurationBetweenTransitionsAndTableDefaults) {
    makeMedia("", {});
    makeMode("<node name=\"Pattern\" value=\"P\"/>");
    ModePtr repository = mode();
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        // Called in the reverse of the order they are written in.
        writer->updateNamedColor(toWx("farben.tbl"));
        repos::InkCfg cfg;
        std::strcpy(cfg.getSpInkCfg()->Name, "CMYK");
        writer->setInkCfg(cfg.getSpInkCfg());
        SPINKLEVELEX transition;
        transition["Cyan"] = 30;
        writer->setTransCtrl(&transition);
        writer->setTransCtrl(&transition);  // set twice, made once
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(
        fileChildren(settingsFile(), "Mode"),
        (std::vector<std::string>{"Pattern", "TransitionControl", "InkCfg", "TableDefaults"}));
}

TEST_F(ModeRepositoryTest, NullSetterWritesTheCachedValue) {
    makeMedia("", {});
    makeMode(fullModeBody());
    ModePtr repository = mode();
    {
        boost::shared_ptr<ModeReader> reader = repository->getReader();
        // Changed in place through the shared handle.
        (*reader->getInkLimits()->getSpInkLevel())["Cyan"] = 70;
    }
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        writer->setInkLimits(nullptr);
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(fileValue(settingsFile(), "Mode/InkRestrictions/Cyan"), "70");
    EXPECT_EQ(fileValue(settingsFile(), "Mode/InkRestrictions/Black"), "95");
}

TEST_F(ModeRepositoryTest, PrinterOptionsKeepStoredNodesAndSetEveryNodeOfAName) {
    makeMedia("", {});
    makeMode(fullModeBody());
    ModePtr repository = mode();
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        writer->setPrinterOptions(boost::shared_ptr<std::map<wxString, wxString>>());
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(fileValue(settingsFile(), "Mode/PrinterSettings/Heater"), "40");
    EXPECT_EQ(fileValue(settingsFile(), "Mode/PrinterSettings/Vacuum"), "low");
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        writer->setPrinterOption(toWx("Vacuum"), toWx("medium"));
        writer->setPrinterOption(toWx("a/b"), toWx("cannot be addressed"));
        writer->setPrinterOption(toWx(""), toWx("no name"));
        EXPECT_TRUE(writer->save());
    }
    boost::shared_ptr<repos::Settings> settings = readSettings(settingsFile());
    std::vector<std::string> values;
    for (const repos::NamedNode::Ptr& node :
         repos::SettingsAccess::findNodes(*settings, toWx("Mode/PrinterSettings/Vacuum"))) {
        values.push_back(toUtf8(node->getAttribute(toWx("value"))));
    }
    EXPECT_EQ(values, (std::vector<std::string>{"medium", "medium"}));
    boost::shared_ptr<ModeReader> reader = fresh()->getReader();
    EXPECT_EQ(toUtf8(reader->getPrinterOption(toWx("Vacuum"))), "medium");
    EXPECT_EQ(toUtf8(reader->getPrinterOption(toWx("Heater"))), "40");
    EXPECT_EQ(reader->getPrinterOptions()->size(), 2u);
}

// The quality assessment is written into its node with six decimals, as the
// regenerated sample holds; without the node the caller gets the exception,
// and neither the tree, the cache nor the file changes. Null setters with
// nothing cached leave their keys out too; the save succeeds.
TEST_F(ModeRepositoryTest, WhatCannotBeWrittenOrIsNotGivenLeavesTheFileAsItWas) {
    makeMedia("", {});
    makeMode("<node name=\"Pattern\" value=\"P\"/>", "Ohne");
    ModePtr without = mode("Ohne");
    ASSERT_TRUE(without);
    const std::string before = readFile(modePath("Ohne") + "/.Settings.xml");
    {
        boost::shared_ptr<ModeWriter> writer = without->getWriter();
        EXPECT_THROW(writer->setUserQualityAssessment(2.5), repos::EmptyDataCoupleException);
        EXPECT_TRUE(writer->save());
        EXPECT_EQ(readFile(modePath("Ohne") + "/.Settings.xml"), before);
        writer->setInkCfg(nullptr);
        writer->setScreenSetups(nullptr);
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(without->getReader()->getUserQualityAssessment(), ModeReader::kNoQualityAssessment);
    EXPECT_EQ(fileChildren(modePath("Ohne") + "/.Settings.xml", "Mode"),
              std::vector<std::string>{"Pattern"});
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
