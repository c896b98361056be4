// What printers, medias and modes do alike within one process: the readers
// sharing one cache, a save without changes leaving the
// file alone; for medias and modes, no repository without readable
// settings, and copies that refuse the folder itself and occupied ones.
#include "printer/MediaModeFixture.h"

namespace vexa {
namespace test {
namespace mm {
namespace {

// A few answers of a kind's full settings file the sample tests do not
// give, and a change of values to those in force.
template <typename Kind>
struct Extras;

template <>
struct Extras<PrinterKind> {
    static void more(MediaModeFixture&, repos::printer::PrinterReader&) {}
    static void setInForce(repos::printer::PrinterWriter& writer) {
        writer.setPortType(toWx("USB Ünit"));
        writer.setActive(true);
    }
};

template <>
struct Extras<MediaKind> {
    static void more(MediaModeFixture&, MediaReader& reader) {
        // Another quality level gives nothing, whatever the case.
        EXPECT_EQ(toUtf8(reader.getJdfQualityMode(toWx("Fine"))), "");
        EXPECT_EQ(toUtf8(reader.getJdfQualityMode(toWx("high"))), "");
    }
    static void setInForce(MediaWriter&) {}
};

template <>
struct Extras<ModeKind> {
    // The options are given in two nodes, one name in both.
    static void more(MediaModeFixture& f, ModeReader& reader) {
        EXPECT_EQ(toUtf8(reader.getPrinterOption(toWx("Heater"))), "40");
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

TYPED_TEST(KindsTest, EveryReaderSharesTheCachedObjects) {
    TypeParam::makeFull(*this);
    boost::shared_ptr<typename TypeParam::Repository> repository = TypeParam::open(*this);
    ASSERT_TRUE(repository);
    boost::shared_ptr<typename TypeParam::Reader> reader = repository->getReader();
    ASSERT_TRUE(reader);
    Extras<TypeParam>::more(*this, *reader);
    // A second reader gets the very same objects (the sample tests read
    // every value twice, the second time from them).
    boost::shared_ptr<typename TypeParam::Reader> second = repository->getReader();
    ASSERT_TRUE(second);
    EXPECT_NE(TypeParam::cached(*second), nullptr);
    EXPECT_EQ(TypeParam::cached(*second), TypeParam::cached(*reader));
}

TYPED_TEST(KindsTest, ASaveWithoutChangesLeavesTheFileAlone) {
    TypeParam::makeFull(*this);
    const unsigned long long inode = inodeOf(this->settingsFile());
    const long long time = modifiedNs(this->settingsFile());
    boost::shared_ptr<typename TypeParam::Writer> writer = TypeParam::open(*this)->getWriter();
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->save());
    Extras<TypeParam>::setInForce(*writer);
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
