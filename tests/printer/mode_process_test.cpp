// Mode repositories across processes: every value a writer sets and saves
// is read by a fresh process; a running process sees another process's save
// within the same second and never writes an old copy over it; a writer
// keeps the other process's readers out.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <boost/make_shared.hpp>
#include <cstring>

#include "printer/MediaModeFixture.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

class ModeProcessTest : public MediaModeFixture {
  protected:
    void SetUp() override {
        MediaModeFixture::SetUp();
        makeMedia("", {});
    }
    std::string settingsFile() const { return modePath() + "/.Settings.xml"; }
};

// Sets one value through every setter of a mode writer.
void setEverything(ModeWriter& writer) {
    repos::InkCfg cfg;
    std::strcpy(cfg.getSpInkCfg()->Name, "CcMmYK é");
    cfg.getSpInkCfg()->NumColor = 6;
    writer.setInkCfg(cfg.getSpInkCfg());
    SPINKLEVELEX limits;
    limits["Cyan"] = 66;
    limits["Gelb"] = 77;
    writer.setInkLimits(&limits);
    SPINKLEVELEX transition;
    transition["Black"] = 5;
    writer.setTransCtrl(&transition);
    SPINKLEVELEX drop;
    drop["Magenta"] = 9;
    writer.setDropAdjust(&drop);
    SCREENSETUP second = SCREENSETUP();
    std::strcpy(second.name, "Grob");
    SCREENSETUP first = SCREENSETUP();
    std::strcpy(first.name, "Fein ü");
    first.screens = _stral_new();
    stral_add(first.screens, -1, 0, "K", "175", "45", "round", "0", "256", nullptr);
    first.next = &second;
    writer.setScreenSetups(&first);
    stral_free(first.screens);
    std::map<wxString, wxString> options = {{W("Heater"), W("45")}, {W("Trocknung"), W("an")}};
    writer.setPrinterOptions(boost::make_shared<std::map<wxString, wxString>>(options));
    writer.setPrinterOption(W("Vacuum"), W("mittel"));
    writer.updateCalibration(W("kalib ö.cal"));
    writer.updateMediaModel(W("LnMM.mdl"));
    writer.updateNamedColor(W("farben.tbl"));
    writer.setUserQualityAssessment(4.125);
}

TEST_F(ModeProcessTest, EveryValueSetAndSavedIsReadByAFreshProcess) {
    // The read-only keys are there from the start and must survive the save.
    makeMode(R"(
 <node name="Pattern" value="Raster ü"/>
 <node name="Res" value="1440"/>
 <node name="ResAlias" value="Hoch"/>
 <node name="LvlCurves"><node name="Ink0" value="Cyan"><node name="Curve0"><node name="Point1" x="50" y="50"/></node></node></node>
 <node name="InkCurves"><node name="Ink0" value="K"><node name="Curve0"><node name="Point0" x="10" y="20"/></node></node></node>
 <node name="ResScaleAdjust"><node name="1440" scaleX="1.500000" scaleY="1.000000"/></node>
 <node name="UserQualityAssessment" value="1.000000"/>
)");
    ModePtr repository = mode();
    ASSERT_TRUE(repository);
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        ASSERT_TRUE(writer);
        setEverything(*writer);
        ASSERT_TRUE(writer->save());
    }
    const std::string expected =
        "name: Fein ß valid: 1\n"
        "pattern: Raster ü res: 1440 alias: Hoch\n"
        "ink cfg: CcMmYK é 6\n"
        "limits: Cyan=66 Gelb=77\n"
        "transition: Black=5\n"
        "drop: Magenta=9\n"
        "level curves: @1440 Cyan: (0,0;128,128)\n"
        "ink curves: @1440 K: (26,51;0,0)\n"
        "screens: Fein ü [K|175|45|round|0|256] Grob\n"
        "scales: 1440=1.500/1.000\n"
        "table: Calb=kalib ö.cal LnMM=LnMM.mdl NmClr=farben.tbl\n"
        "quality: 4.125000\n"
        "options: Heater=45 Trocknung=an Vacuum=mittel\n";
    boost::shared_ptr<ModeReader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(describe(*reader), expected);
    reader.reset();
    const std::string child = inFreshProcess(dir, [&] {
        ModePtr fresh = mode();
        boost::shared_ptr<ModeReader> freshReader = fresh ? fresh->getReader() : nullptr;
        return freshReader ? describe(*freshReader) : std::string("<no reader>");
    });
    EXPECT_EQ(child, expected);
}

TEST_F(ModeProcessTest, ARunningProcessSeesAnotherProcesssSaveAndBuildsOnIt) {
    makeMode(fullModeBody());
    ModePtr repository = mode();
    ASSERT_TRUE(repository);
    {
        boost::shared_ptr<ModeReader> reader = repository->getReader();
        EXPECT_EQ(describeLevels(reader->getInkLimits()), " Black=95 Cyan=80");
        EXPECT_EQ(U(reader->getPrinterOption(W("Heater"))), "40");
    }
    const long long folderTime = modifiedNs(modePath());
    const std::string saved = inFreshProcess(dir, [&] {
        boost::shared_ptr<ModeWriter> writer = mode()->getWriter();
        if (!writer) {
            return std::string("<no writer>");
        }
        SPINKLEVELEX limits;
        limits["Black"] = 50;
        writer->setInkLimits(&limits);
        writer->setPrinterOption(W("Heater"), W("70"));
        return std::string(writer->save() ? "saved" : "not saved");
    });
    ASSERT_EQ(saved, "saved");
    // Only the fraction of the second tells the change apart.
    ASSERT_TRUE(setModifiedNs(modePath(), folderTime + 1));
    {
        boost::shared_ptr<ModeReader> reader = repository->getReader();
        ASSERT_TRUE(reader);
        EXPECT_EQ(describeLevels(reader->getInkLimits()), " Black=50");
        EXPECT_EQ(U(reader->getPrinterOption(W("Heater"))), "70");
    }
    // Another change by the other process, then a writer here: it starts
    // from that change rather than saving its old copy over it.
    const std::string savedAgain = inFreshProcess(dir, [&] {
        boost::shared_ptr<ModeWriter> writer = mode()->getWriter();
        writer->updateMediaModel(W("anderes.mdl"));
        return std::string(writer->save() ? "saved" : "not saved");
    });
    ASSERT_EQ(savedAgain, "saved");
    {
        boost::shared_ptr<ModeWriter> writer = repository->getWriter();
        writer->setPrinterOption(W("Vacuum"), W("aus"));
        ASSERT_TRUE(writer->save());
    }
    EXPECT_EQ(fileValue(settingsFile(), "Mode/TableDefaults/LnMM"), "anderes.mdl");
    EXPECT_EQ(fileValue(settingsFile(), "Mode/InkRestrictions/Black"), "50");
    EXPECT_EQ(fileValue(settingsFile(), "Mode/PrinterSettings/Heater"), "70");
    EXPECT_EQ(fileValue(settingsFile(), "Mode/PrinterSettings/Vacuum"), "aus");
}

TEST_F(ModeProcessTest, AWriterInAnotherProcessKeepsReadersOutUntilDropped) {
    makeMode(fullModeBody());
    ModePtr repository = mode();
    ASSERT_TRUE(repository);
    Child child([&](Child& self) -> int {
        repos::printer::PrinterCatalog::reset();
        ModePtr other = mode();
        boost::shared_ptr<ModeWriter> writer = other ? other->getWriter() : nullptr;
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
    child.signal('d');
    ASSERT_EQ(child.await(), 'x');
    EXPECT_TRUE(repository->getReader());
    EXPECT_EQ(child.wait(), 0);
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
