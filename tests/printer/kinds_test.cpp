// What printers, medias and modes do alike within one process: every key
// read, the readers sharing one cache, a save without changes leaving the
// file alone; for medias and modes, no repository without readable
// settings, and copies that refuse the folder itself and occupied ones.
#include "printer/MediaModeFixture.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

// A kind's full settings file as its readers show it, and the few answers
// describe() does not give.
template <typename Kind>
struct FullReading;

template <>
struct FullReading<PrinterKind> {
    static constexpr const char* kShown =
        "name: Drücker Ω\ndevice: Jet Ü 64\nmodule: jet64.so\nppd: jet ß.ppd\nport: USB Ünit\n"
        "port data: usb://1\ntcp add: 9101\ntcp default: 9100\nextension: vpé\n"
        "page size: A4 Übergröße\ndefault media: Mätt / Papier é\n"
        "legacy media: Papier é [Mätt]\ndot units: dpi\ndot G1/U1: [row|1|2]\n"
        "ink types: 1=Dye@1.5 2=Pigmént@3\npage sizes: [A4|595|842|1|0||||]\n"
        "ports: [LPT1|1|paralléle]\nscreen Fine: [S1|150|45|round|0|256]\n"
        "default resolutions: [720] [1440]\nresolution 720: Fast Dräft\n"
        "resolution 1440: Fine\nresolution 2880: Max\nink cfg CMYK 4\nink cfg CMYKcm 6\n"
        "aliases: 1440=Fine 2880=Max 720=Fast 720=Dräft\n"
        "aliases (defaults): 1440=Fine 720=Fast 720=Dräft\n";
    static void more(MediaModeFixture&, repos::printer::PrinterReader&) {}
    // Values equal to those in force.
    static void setInForce(repos::printer::PrinterWriter& writer) {
        writer.setPortType(toWx("USB Ünit"));
        writer.setActive(true);
    }
};

template <>
struct FullReading<MediaKind> {
    static constexpr const char* kShown =
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
        "valid: 1\n"
        "sp: blob\n";
    static void more(MediaModeFixture&, MediaReader& reader) {
        // Another quality level gives nothing, whatever the case.
        EXPECT_EQ(toUtf8(reader.getJdfQualityMode(toWx("Fine"))), "");
        EXPECT_EQ(toUtf8(reader.getJdfQualityMode(toWx("high"))), "");
    }
    static void setInForce(MediaWriter&) {}
};

template <>
struct FullReading<ModeKind> {
    static constexpr const char* kShown =
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
        "options: Heater=40 Vacuum=high\n";
    static void more(MediaModeFixture& f, ModeReader& reader) {
        EXPECT_EQ(toUtf8(reader.getPrinterOption(toWx("Vacuum"))), "high");
        EXPECT_EQ(toUtf8(reader.getPrinterOption(toWx("Nozzle"))), "");
        EXPECT_EQ(toUtf8(reader.getLocation()), f.modePath());
    }
    // Empty names change nothing; the assessment is the one in force.
    static void setInForce(ModeWriter& writer) {
        writer.updateCalibration(toWx(""));
        writer.updateMediaModel(toWx(""));
        writer.setUserQualityAssessment(3.25);
    }
};

template <typename Kind>
class KindsTest : public MediaModeFixture {
  protected:
    std::string settingsFile() const { return Kind::folder(*this) + "/.Settings.xml"; }
};

TYPED_TEST_SUITE(KindsTest, AllKinds, KindName);

TYPED_TEST(KindsTest, ReadsEveryKeyAndEveryReaderSharesTheCachedObjects) {
    TypeParam::makeFull(*this);
    writeFile(TypeParam::folder(*this) + "/.SPSettings.dat", "blob");
    boost::shared_ptr<typename TypeParam::Repository> repository = TypeParam::open(*this);
    ASSERT_TRUE(repository);
    boost::shared_ptr<typename TypeParam::Reader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(describe(*reader), FullReading<TypeParam>::kShown);
    FullReading<TypeParam>::more(*this, *reader);
    // A second reader gets the very same objects, not appended to again.
    boost::shared_ptr<typename TypeParam::Reader> second = repository->getReader();
    ASSERT_TRUE(second);
    EXPECT_NE(TypeParam::cached(*second), nullptr);
    EXPECT_EQ(TypeParam::cached(*second), TypeParam::cached(*reader));
    EXPECT_EQ(describe(*second), FullReading<TypeParam>::kShown);
}

TYPED_TEST(KindsTest, ASaveWithoutChangesLeavesTheFileAlone) {
    TypeParam::makeFull(*this);
    const unsigned long long inode = inodeOf(this->settingsFile());
    const long long time = modifiedNs(this->settingsFile());
    boost::shared_ptr<typename TypeParam::Writer> writer = TypeParam::open(*this)->getWriter();
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->save());
    FullReading<TypeParam>::setInForce(*writer);
    EXPECT_TRUE(writer->save());
    EXPECT_EQ(inodeOf(this->settingsFile()), inode);
    EXPECT_EQ(modifiedNs(this->settingsFile()), time);
}

template <typename Kind>
class MediaModeTest : public KindsTest<Kind> {
  protected:
    // A repository of the folder at `path` of its own.
    static boost::shared_ptr<typename Kind::Repository> create(const std::string& path) {
        return Kind::Repository::createRepository(toWx(path), nullptr, wxString());
    }
    // The folder of a second media or mode beside the fixture's.
    std::string sibling(const std::string& name) const {
        return std::is_same<Kind, MediaKind>::value ? this->mediaPath(kGroup, name)
                                                    : this->modePath(name);
    }
};

TYPED_TEST_SUITE(MediaModeTest, MediaAndMode, KindName);

TYPED_TEST(MediaModeTest, NoRepositoryWithoutReadableSettingsAndNothingMadeForIt) {
    TypeParam::makeFull(*this);
    const std::string folder = TypeParam::folder(*this);
    ASSERT_EQ(std::remove(this->settingsFile().c_str()), 0);
    EXPECT_FALSE(this->create(folder));
    EXPECT_FALSE(TypeParam::open(*this));
    EXPECT_FALSE(this->create(this->dir.file("nowhere/Médium")));
    EXPECT_FALSE(pathExists(this->dir.file("nowhere")));
    writeFile(this->dir.file("plain"), "x");
    EXPECT_FALSE(this->create(this->dir.file("plain")));
    writeFile(this->settingsFile(), "<node name=\"Media\"");
    EXPECT_FALSE(this->create(folder));
    EXPECT_FALSE(TypeParam::Repository::createRepository(vfs::FileObjectPtr(), nullptr,
                                                         vfs::FileObjectPtr()));
    TypeParam::makeFull(*this);
    EXPECT_TRUE(this->create(folder));
}

TYPED_TEST(MediaModeTest, CopyRefusesItselfAndOccupiedFoldersAndLeavesNoMarker) {
    TypeParam::makeFull(*this);
    const std::string folder = TypeParam::folder(*this);
    makeDirs(this->sibling("Belegt"));
    writeFile(this->sibling("Belegt") + "/.Settings.xml", "occupied");
    boost::shared_ptr<typename TypeParam::Reader> reader = TypeParam::open(*this)->getReader();
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->copyTo(toWx(folder)));
    EXPECT_FALSE(reader->copyTo(toWx(folder + "/")));
    EXPECT_FALSE(reader->copyTo(toWx(folder + "/inner")));
    EXPECT_FALSE(pathExists(folder + "/inner"));
    EXPECT_FALSE(reader->copyTo(toWx(this->sibling("Belegt"))));
    EXPECT_EQ(readFile(this->sibling("Belegt") + "/.Settings.xml"), "occupied");
    EXPECT_FALSE(reader->copyTo(vfs::FileObjectPtr()));
    EXPECT_TRUE(reader->copyTo(toWx(this->sibling("Kopie ü"))));
    EXPECT_EQ(readFile(this->sibling("Kopie ü") + "/.Settings.xml"),
              readFile(this->settingsFile()));
    for (const std::string& name : {std::string("Kopie ü"), std::string("Belegt")}) {
        EXPECT_FALSE(pathExists(this->sibling(name) + "/.invalid")) << name;
    }
    EXPECT_FALSE(pathExists(folder + "/.invalid"));
    // The marker makes the original invalid.
    EXPECT_TRUE(reader->isValid());
    writeFile(folder + "/.invalid", "");
    EXPECT_FALSE(reader->isValid());
}

}  // namespace
}  // namespace mm
}  // namespace test
}  // namespace vexa
