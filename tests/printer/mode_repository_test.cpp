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
    ModePtr fresh() { return ModeRepository::createRepository(W(modePath()), MediaPtr(), W("")); }
};

TEST_F(ModeRepositoryTest, FolderWithoutSettingsFileOrNoFolderGivesNoRepository) {
    makeMedia("", {});
    makeDirs(modePath());
    EXPECT_FALSE(fresh());
    EXPECT_FALSE(
        ModeRepository::createRepository(vfs::FileObjectPtr(), MediaPtr(), vfs::FileObjectPtr()));
    EXPECT_FALSE(ModeRepository::createRepository(W(dir.file("kein/Modus")), MediaPtr(), W("")));
    EXPECT_FALSE(pathExists(dir.file("kein")));
    writeFile(settingsFile(), settingsXml("Mode", ""));
    EXPECT_TRUE(fresh());
}

TEST_F(ModeRepositoryTest, ReadsEveryKey) {
    makeMedia("", {});
    makeMode(fullModeBody());
    ModePtr repository = mode();
    ASSERT_TRUE(repository);
    boost::shared_ptr<ModeReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(describe(*reader),
              "name: Fein ß valid: 1\n"
              "pattern: Diffusion ü res: 720x1440 alias: Fein\n"
              "ink cfg: CMYKlclm 6\n"
              "limits: Black=95 Cyan=80\n"
              "transition: Cyan=12\n"
              "drop: Magenta=-3\n"
              "level curves: @720x1440 Cyan: (0,0;128,102)\n"
              "ink curves: @720x1440 Black: (255,230;0,0)\n"
              "screens: Grob [S1|85|45|round|0|128]\n"
              "scales: 720x1440=1.000/2.000\n"
              "table: Calb=cal ä.icc NmClr=named.tbl\n"
              "quality: 3.250000\n"
              "options: Heater=40 Vacuum=high\n");
    EXPECT_EQ(U(reader->getPrinterOption(W("Vacuum"))), "high");
    EXPECT_EQ(U(reader->getPrinterOption(W("Nozzle"))), "");
    EXPECT_EQ(U(reader->getLocation()), modePath());
    // Readers share the cached objects.
    EXPECT_EQ(repository->getReader()->getInkCfg(), reader->getInkCfg());
}

TEST_F(ModeRepositoryTest, AbsentValuesAreEmptyAndOnlyTheTextsAndInkConfigurationLog) {
    makeMedia("", {});
    makeMode("");
    boost::shared_ptr<ModeReader> reader = mode()->getReader();
    ASSERT_TRUE(reader);
    LogCapture log;
    EXPECT_EQ(U(reader->getPattern()), "");
    EXPECT_EQ(U(reader->getResolution()), "");
    EXPECT_EQ(U(reader->getResolutionAlias()), "");
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

TEST_F(ModeRepositoryTest, OlderSingleDropAdjustmentGivesOneLevelWithoutInkName) {
    makeMedia("", {});
    makeMode("<node name=\"DropAdjust\" value=\"5\"/>");
    boost::shared_ptr<repos::InkLevels> drop = mode()->getReader()->getDropAdjust();
    ASSERT_TRUE(drop);
    ASSERT_EQ(drop->getSpInkLevel()->size(), 1u);
    EXPECT_EQ(drop->getSpInkLevel()->begin()->first, "");
    EXPECT_EQ(drop->getSpInkLevel()->begin()->second, 5);
}

TEST_F(ModeRepositoryTest, ProfilesAndLinkFiles) {
    makeMedia("", {});
    makeMode("");
    writeFile(modePath() + "/A.icc", "a");
    writeFile(modePath() + "/B.ICC.Link", "sub/real b.icc\nsecond line\n");
    writeFile(modePath() + "/C.txt", "c");
    makeDirs(modePath() + "/sub");
    writeFile(modePath() + "/sub/real b.icc", "b");
    makeDirs(dir.file("elsewhere"));
    writeFile(dir.file("elsewhere/abs é.icc"), "abs");
    writeFile(modePath() + "/Abs.icc.Link", "  " + dir.file("elsewhere/abs é.icc") + "\r\n");
    writeFile(modePath() + "/Lost.icc.Link", "missing.icc\n");
    boost::shared_ptr<ModeReader> reader = mode()->getReader();
    ASSERT_TRUE(reader);
    boost::shared_ptr<std::list<wxString>> profiles = reader->getProfiles(W("icc"));
    std::vector<std::string> names;
    for (const wxString& name : *profiles) {
        names.push_back(U(name));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "Abs", "B", "Lost"}));
    EXPECT_EQ(U(reader->getProfileLocation(W("A.icc"))), modePath() + "/A.icc");
    EXPECT_EQ(U(reader->getProfileLocation(W("a.ICC"))), modePath() + "/A.icc");
    EXPECT_EQ(U(reader->getProfileLocation(W("B.ICC"))), modePath() + "/sub/real b.icc");
    EXPECT_EQ(U(reader->getProfileLocation(W("Abs.icc"))), dir.file("elsewhere/abs é.icc"));
    EXPECT_EQ(U(reader->getProfileLocation(W("Lost.icc"))), "");
    EXPECT_FALSE(pathExists(modePath() + "/missing.icc"));
    EXPECT_EQ(U(reader->getProfileLocation(W("None.icc"))), "");
    EXPECT_TRUE(reader->getProfiles(W("png"))->empty());
}

TEST_F(ModeRepositoryTest, NothingToSaveLeavesTheFileAlone) {
    makeMedia("", {});
    makeMode(fullModeBody());
    const unsigned long long inode = inodeOf(settingsFile());
    const long long time = modifiedNs(settingsFile());
    boost::shared_ptr<ModeWriter> writer = mode()->getWriter();
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->save());
    writer->updateCalibration(W(""));
    writer->updateMediaModel(W(""));
    writer->setUserQualityAssessment(3.25);
    EXPECT_TRUE(writer->save());
    EXPECT_EQ(inodeOf(settingsFile()), inode);
    EXPECT_EQ(modifiedNs(settingsFile()), time);
}

TEST_F(ModeRepositoryTest, SaveCreatesMissingNodesInTheFixedOrder) {
    makeMedia("", {});
    makeMode("<node name=\"Pattern\" value=\"P\"/>");
    ModePtr repository = mode();
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        // Called in the reverse of the order they are written in.
        writer->setPrinterOption(W("Heizung"), W("warm ä"));
        writer->updateNamedColor(W("farben.tbl"));
        repos::InkCfg cfg;
        std::strcpy(cfg.getSpInkCfg()->Name, "CMYK");
        writer->setInkCfg(cfg.getSpInkCfg());
        SPINKLEVELEX transition;
        transition["Cyan"] = 30;
        writer->setTransCtrl(&transition);
        SCREENSETUP setup = SCREENSETUP();
        std::strcpy(setup.name, "Fein Ω");
        setup.screens = _stral_new();
        stral_add(setup.screens, -1, 0, "S", "150", "15", "ellipse", "1", "256", nullptr);
        writer->setScreenSetups(&setup);
        stral_free(setup.screens);
        SPINKLEVELEX limits;
        limits["Black"] = 90;
        writer->setInkLimits(&limits);
        writer->setInkLimits(&limits);
        SPINKLEVELEX drop;
        drop["Yellow"] = 2;
        writer->setDropAdjust(&drop);
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(fileChildren(settingsFile(), "Mode"),
              (std::vector<std::string>{"Pattern", "DropAdjusts", "InkRestrictions", "ScreenSetup",
                                        "TransitionControl", "InkCfg", "TableDefaults",
                                        "PrinterSettings"}));
    ModePtr again = fresh();
    ASSERT_TRUE(again);
    boost::shared_ptr<ModeReader> reader = again->getReader();
    EXPECT_EQ(describeLevels(reader->getDropAdjust()), " Yellow=2");
    EXPECT_EQ(describeLevels(reader->getInkLimits()), " Black=90");
    EXPECT_EQ(describeLevels(reader->getTransCtrl()), " Cyan=30");
    ASSERT_TRUE(reader->getScreenSetups());
    EXPECT_EQ(std::string(reader->getScreenSetups()->getScreenSetup()->name), "Fein Ω");
    EXPECT_EQ(std::string(reader->getInkCfg()->getSpInkCfg()->Name), "CMYK");
    EXPECT_EQ(U(reader->getTableDefaults().at(W("NmClr"))), "farben.tbl");
    EXPECT_EQ(U(reader->getPrinterOption(W("Heizung"))), "warm ä");
}

TEST_F(ModeRepositoryTest, NullSetterWritesTheCachedValueOrLeavesTheKeyOut) {
    makeMedia("", {});
    makeMode(fullModeBody());
    makeMode("<node name=\"Pattern\" value=\"P\"/>", "Leer");
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

    // Nothing cached and nothing given: the key is left out, save succeeds.
    ModePtr empty = mode("Leer");
    ASSERT_TRUE(empty);
    {
        boost::shared_ptr<ModeWriter> writer = empty->getWriter();
        writer->setInkCfg(nullptr);
        writer->setScreenSetups(nullptr);
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(fileChildren(modePath("Leer") + "/.Settings.xml", "Mode"),
              std::vector<std::string>{"Pattern"});
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
        writer->setPrinterOption(W("Vacuum"), W("medium"));
        writer->setPrinterOption(W("a/b"), W("cannot be addressed"));
        writer->setPrinterOption(W(""), W("no name"));
        EXPECT_TRUE(writer->save());
    }
    boost::shared_ptr<repos::Settings> settings = readSettings(settingsFile());
    std::vector<std::string> values;
    for (const repos::NamedNode::Ptr& node :
         repos::SettingsAccess::findNodes(*settings, W("Mode/PrinterSettings/Vacuum"))) {
        values.push_back(U(node->getAttribute(W("value"))));
    }
    EXPECT_EQ(values, (std::vector<std::string>{"medium", "medium"}));
    boost::shared_ptr<ModeReader> reader = fresh()->getReader();
    EXPECT_EQ(U(reader->getPrinterOption(W("Vacuum"))), "medium");
    EXPECT_EQ(U(reader->getPrinterOption(W("Heater"))), "40");
    EXPECT_EQ(reader->getPrinterOptions()->size(), 2u);
}

TEST_F(ModeRepositoryTest, TableDefaultUpdatesKeepTheOtherEntries) {
    makeMedia("", {});
    makeMode(fullModeBody());
    {
        boost::shared_ptr<ModeWriter> writer = mode()->getWriter();
        writer->updateCalibration(W("neu.icc"));
        writer->updateMediaModel(W("modell ü"));
        EXPECT_TRUE(writer->save());
    }
    const std::map<wxString, wxString> table = fresh()->getReader()->getTableDefaults();
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(U(table.at(W("Calb"))), "neu.icc");
    EXPECT_EQ(U(table.at(W("LnMM"))), "modell ü");
    EXPECT_EQ(U(table.at(W("NmClr"))), "named.tbl");
}

TEST_F(ModeRepositoryTest, QualityAssessmentIsWrittenWithSixDecimalsIntoItsNodeOnly) {
    makeMedia("", {});
    makeMode("<node name=\"UserQualityAssessment\" value=\"1.000000\"/>");
    makeMode("<node name=\"Pattern\" value=\"P\"/>", "Ohne");
    {
        boost::shared_ptr<ModeWriter> writer = mode()->getWriter();
        writer->setUserQualityAssessment(2.5);
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(fileValue(settingsFile(), "Mode/UserQualityAssessment"), "2.500000");
    EXPECT_EQ(fresh()->getReader()->getUserQualityAssessment(), 2.5);

    // Without the node the caller gets the exception, and neither the tree,
    // the cache nor the file changes.
    ModePtr without = mode("Ohne");
    ASSERT_TRUE(without);
    const std::string before = readFile(modePath("Ohne") + "/.Settings.xml");
    {
        boost::shared_ptr<ModeWriter> writer = without->getWriter();
        EXPECT_THROW(writer->setUserQualityAssessment(2.5), repos::EmptyDataCoupleException);
        EXPECT_TRUE(writer->save());
    }
    EXPECT_EQ(without->getReader()->getUserQualityAssessment(), ModeReader::kNoQualityAssessment);
    EXPECT_EQ(fileChildren(modePath("Ohne") + "/.Settings.xml", "Mode"),
              std::vector<std::string>{"Pattern"});
    EXPECT_EQ(readFile(modePath("Ohne") + "/.Settings.xml"), before);
}

TEST_F(ModeRepositoryTest, FilesByNameGiveEveryPlainNameAContentAndStayInsideTheFolder) {
    makeMedia("", {});
    makeMode("");
    writeFile(modePath() + "/profile.icc", "icc bytes");
    makeDirs(modePath() + "/Unterordner");
    const char* const kRefused[] = {"",          ".",        "..",        "../../Medias",
                                    "sub/x.icc", "a\\b.icc", "/etc/hosts"};
    ModePtr repository = mode();
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        vfs::FileContentPtr created = writer->getFileByName(W("neu ü.icc"));
        ASSERT_TRUE(created);
        EXPECT_TRUE(pathExists(modePath() + "/neu ü.icc"));
        EXPECT_EQ(readAll(created->getInputStream()), "");
        EXPECT_EQ(readAll(writer->getFileByName(W("profile.icc"))->getInputStream()), "icc bytes");
        EXPECT_THROW(writer->getFileByName(W("Unterordner")), vfs::FileSystemException);
        for (const char* name : kRefused) {
            EXPECT_FALSE(writer->getFileByName(W(name))) << name;
        }
        EXPECT_FALSE(pathExists(modePath() + "/sub"));
        // Making the file did not make the repository look changed elsewhere.
        EXPECT_FALSE(repository->isStale());
    }
    boost::shared_ptr<ModeReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(readAll(reader->getFileByName(W("profile.icc"))->getInputStream()), "icc bytes");
    EXPECT_THROW(reader->getFileByName(W("Unterordner")), vfs::FileSystemException);
    for (const char* name : kRefused) {
        EXPECT_FALSE(reader->getFileByName(W(name))) << name;
    }
    // A missing file has a content all the same; a reader makes nothing, not
    // even through that content.
    LogCapture log;
    vfs::FileContentPtr missing = reader->getFileByName(W("neu.icc"));
    ASSERT_TRUE(missing);
    const vfs::InputStreamPtr in = missing->getInputStream();
    EXPECT_FALSE(in && in->IsOk());
    EXPECT_FALSE(missing->getOutputStream());
    EXPECT_FALSE(pathExists(modePath() + "/neu.icc"));
    // Nor is a mode folder removed meanwhile made again.
    ASSERT_EQ(std::system(("rm -rf '" + modePath() + "'").c_str()), 0);
    EXPECT_TRUE(reader->getFileByName(W("profile.icc")));
    EXPECT_FALSE(pathExists(modePath()));
}

TEST_F(ModeRepositoryTest, CopyRefusesItselfAndOccupiedFoldersAndLeavesNoMarker) {
    makeMedia("", {});
    makeMode(fullModeBody());
    makeMode("", "Belegt");
    boost::shared_ptr<ModeReader> reader = mode()->getReader();
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->copyTo(W(modePath())));
    EXPECT_FALSE(reader->copyTo(W(modePath() + "/inner")));
    EXPECT_FALSE(pathExists(modePath() + "/inner"));
    const std::string occupied = readFile(modePath("Belegt") + "/.Settings.xml");
    EXPECT_FALSE(reader->copyTo(W(modePath("Belegt"))));
    EXPECT_EQ(readFile(modePath("Belegt") + "/.Settings.xml"), occupied);
    EXPECT_TRUE(reader->copyTo(W(modePath("Kopie"))));
    EXPECT_EQ(readFile(modePath("Kopie") + "/.Settings.xml"), readFile(settingsFile()));
    EXPECT_FALSE(pathExists(modePath("Kopie") + "/.invalid"));
    EXPECT_FALSE(pathExists(modePath("Belegt") + "/.invalid"));
    EXPECT_TRUE(reader->isValid());
    writeFile(modePath() + "/.invalid", "");
    EXPECT_FALSE(reader->isValid());
}

TEST_F(ModeRepositoryTest, FailedSaveKeepsTheChangesForARetry) {
    makeMedia("", {});
    makeMode(fullModeBody());
    ModePtr repository = mode();
    boost::shared_ptr<ModeWriter> writer = repository->getWriter();
    writer->setPrinterOption(W("Heater"), W("55"));
    // A folder where the settings file was: the file cannot be replaced.
    const std::string saved = readFile(settingsFile());
    ASSERT_EQ(std::remove(settingsFile().c_str()), 0);
    makeDirs(settingsFile() + "/blocker");
    EXPECT_FALSE(writer->save());
    ASSERT_EQ(std::system(("rm -rf '" + settingsFile() + "'").c_str()), 0);
    writeFile(settingsFile(), saved);
    EXPECT_TRUE(writer->save());
    EXPECT_EQ(fileValue(settingsFile(), "Mode/PrinterSettings/Heater"), "55");
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
