#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <boost/make_shared.hpp>

#include "common/TestSupport.h"
#include "kernel/Text.h"
#include "repos/Failure.h"
#include "repos/LockingRepository.h"
#include "repos/RepositoryException.h"
#include "repos/Version.h"
#include "repository/ProcessHelpers.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/FileSystemException.h"

using vexa::kernel::fromMB;
using vexa::kernel::toMB;
using vexa::repos::FileLock;
using vexa::repos::LockingRepository;
using vexa::repos::NamedNode;
using vexa::repos::Settings;
using vexa::repos::WriteFileLocker;
using vexa::vfs::FileObjectPtr;

namespace {

// Opens the protected operations up to the tests.
class TestRepository : public LockingRepository {
  public:
    TestRepository(FileObjectPtr root, FileObjectPtr settingsFile)
        : LockingRepository(root, settingsFile, FileLock::create(root)) {}
    using LockingRepository::copyContents;
    using LockingRepository::getContents;
    using LockingRepository::getSettings;
    using LockingRepository::saveSettings;
    using LockingRepository::saveSettingsChecked;
    static FileObjectPtr settingsFO(const FileObjectPtr& root,
                                    const boost::shared_ptr<Settings>& s) {
        return GetSettingsFO(root, s);
    }
};

class RepositoryTest : public ::testing::Test {
  protected:
    FileObjectPtr open(const std::string& relative) {
        return vexa::vfs::openLocalFolder(
            vexa::vfs::createFileName(fromMB(dir.path() + "/" + relative)));
    }
    boost::shared_ptr<TestRepository> repository(const std::string& relative) {
        FileObjectPtr root = open(relative);
        return boost::make_shared<TestRepository>(
            root, root->resolveChild(vexa::repos::kSettingsFileName));
    }
    static boost::shared_ptr<Settings> printer(const char* port) {
        boost::shared_ptr<Settings> settings = vexa::repos::SettingsManager::NewSettings(
            wxT("Printer"), boost::shared_ptr<vexa::repos::ISettingsStrategy>());
        NamedNode::Ptr node = NamedNode::Create("PortName");
        node->setAttribute("value", port);
        node->addTo(settings->getRoot());
        return settings;
    }
    static std::string port(const boost::shared_ptr<Settings>& settings) {
        return toMB(settings->getRoot()->findChild(wxT("PortName"))->getAttribute("value"));
    }
    vexa::test::TempDir dir;
};

}  // namespace

TEST_F(RepositoryTest, MissingSettingsFileIsCreatedEmptyAndGivesNothing) {
    boost::shared_ptr<TestRepository> repo = repository("Printers/Café");
    EXPECT_FALSE(repo->getSettings());
    EXPECT_TRUE(vexa::test::pathExists(dir.path() + "/Printers/Café/.Settings.xml"));
    EXPECT_TRUE(vexa::test::pathExists(dir.path() + "/Printers/Café/.lock"));
}

// A settings file that cannot be read says which file, where and why, and
// nothing of it reaches the host's console.
TEST_F(RepositoryTest, UnreadableSettingsSayWhyAndPrintNothing) {
    struct Case {
        const char* bytes;
        const char* expected;  // in the failure's message
    };
    const Case cases[] = {
        {"", "Document is empty"},
        {"<?xml version=\"1.0\"?>\n<node name=\"Printer\">\n<node name=\"A\" value=x/>\n</node>",
         "line 3"},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<node name=\"\x81\x20\xff\xfe\"/>",
         "line "},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<node name=\"Printer\"/>", "line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        boost::shared_ptr<TestRepository> repo = repository("P");
        vexa::test::writeFile(dir.path() + "/P/.Settings.xml", c.bytes);
        const std::string errors = dir.path() + "/stderr.txt";
        fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const int file = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, STDERR_FILENO);
        const bool read = static_cast<bool>(repo->getSettings());
        fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        ::close(file);
        EXPECT_FALSE(read);
        const vexa::repos::Failure& why = vexa::repos::lastFailure();
        EXPECT_EQ(why.code, vexa::repos::FailureCode::NOT_READABLE);
        EXPECT_NE(toMB(why.message).find(dir.path() + "/P/.Settings.xml"), std::string::npos)
            << toMB(why.message);
        EXPECT_NE(toMB(why.message).find(c.expected), std::string::npos) << toMB(why.message);
        EXPECT_EQ(vexa::test::readFile(errors), "");
    }
}

// The file replaced keeps its permissions.
TEST_F(RepositoryTest, SavedSettingsReadBackAndReplaceTheFileWhole) {
    boost::shared_ptr<TestRepository> repo = repository("P");
    ASSERT_TRUE(repo->saveSettingsChecked(printer("USB001")));
    const std::string path = dir.path() + "/P/.Settings.xml";
    const std::string first = vexa::test::readFile(path);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(repo->saveSettingsChecked(printer("東京 LPT1")));
    struct stat status;
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    boost::shared_ptr<Settings> back = repo->getSettings();
    ASSERT_TRUE(back);
    EXPECT_EQ(port(back), "東京 LPT1");
    // Nothing but the settings and the lock file is left in the folder.
    std::vector<std::string> names;
    const vexa::vfs::FileObjectListPtr contents = repo->getContents();
    for (const FileObjectPtr& child : *contents) {
        names.push_back(toMB(child->getBaseName()));
    }
    EXPECT_EQ(names, (std::vector<std::string>{".Settings.xml", ".lock"}));
    EXPECT_NE(first, vexa::test::readFile(path));
}

TEST_F(RepositoryTest, SettingsPathThatIsAFolderThrows) {
    FileObjectPtr root = open("P");
    vexa::test::makeDirs(dir.path() + "/P/.Settings.xml");
    TestRepository repo(root, root->resolveChild(vexa::repos::kSettingsFileName));
    EXPECT_THROW(repo.getSettings(), vexa::vfs::FileSystemException);
}

// Temporary files of dead writers go with the next exclusive lock.
TEST_F(RepositoryTest, ReadsAndSavesNeedTheLock) {
    boost::shared_ptr<TestRepository> repo = repository("P");
    ASSERT_TRUE(repo->saveSettingsChecked(printer("Mine")));
    vexa::test::Child other([&](vexa::test::Child& self) {
        WriteFileLocker locker(repo->getFileLock());
        self.signal(locker.holdsLock() ? 'y' : 'n');
        self.await();
        return 0;
    });
    ASSERT_EQ(other.await(), 'y');
    EXPECT_FALSE(repo->getSettings()) << "another process holds the lock";
    EXPECT_FALSE(repo->saveSettingsChecked(printer("Lost")));
    WriteFileLocker mine(repo->getFileLock());
    EXPECT_FALSE(repo->getSettings(mine));
    other.signal();
    other.wait();
    const std::string stale =
        dir.path() + "/P/" + toMB(vexa::vfs::kTemporaryPrefix) + "999999.0..Settings.xml";
    vexa::test::writeFile(stale, "<half");
    WriteFileLocker now(repo->getFileLock());
    ASSERT_TRUE(now.holdsLock());
    EXPECT_FALSE(vexa::test::pathExists(stale));
    EXPECT_EQ(port(repo->getSettings(now)), "Mine");
}

TEST_F(RepositoryTest, SettingsDatIsWrittenOnceAndRefusedWhenAFolder) {
    FileObjectPtr root = open("Media");
    FileObjectPtr made = TestRepository::settingsFO(root, printer("First"));
    ASSERT_TRUE(made);
    const std::string path = dir.path() + "/Media/.Settings.dat";
    const std::string first = vexa::test::readFile(path);
    EXPECT_NE(first.find("First"), std::string::npos);
    EXPECT_TRUE(TestRepository::settingsFO(root, printer("Second")));
    EXPECT_EQ(vexa::test::readFile(path), first) << "an existing file is returned unchanged";
    FileObjectPtr other = open("Other");
    vexa::test::makeDirs(dir.path() + "/Other/.Settings.dat");
    EXPECT_FALSE(TestRepository::settingsFO(other, printer("x")));
}

TEST_F(RepositoryTest, CopyContentsCopiesEverythingButTheLock) {
    boost::shared_ptr<TestRepository> repo = repository("Printers/Épreuve 東京");
    ASSERT_TRUE(repo->saveSettingsChecked(printer("USB")));
    vexa::test::writeFile(dir.path() + "/Printers/Épreuve 東京/.lock", "source lock");
    vexa::test::writeFile(dir.path() + "/Printers/Épreuve 東京/.invalid", "");
    vexa::test::makeDirs(dir.path() + "/Printers/Épreuve 東京/Medias/Papier");
    vexa::test::writeFile(dir.path() + "/Printers/Épreuve 東京/Medias/Papier/.Settings.xml", "m");
    vexa::test::writeFile(
        dir.path() + "/Printers/Épreuve 東京/" + toMB(vexa::vfs::kTemporaryPrefix) + "1.2.x", "t");
    FileObjectPtr source = open("Printers/Épreuve 東京");
    FileObjectPtr destination = open("Printers/Kopie");
    destination->remove();  // copyContents makes the folder itself
    ASSERT_TRUE(repo->copyContents(source, destination));
    const std::string to = dir.path() + "/Printers/Kopie/";
    EXPECT_EQ(vexa::test::readFile(to + ".lock"), "") << "a fresh lock, not the source's";
    EXPECT_TRUE(vexa::test::pathExists(to + ".invalid"));
    EXPECT_EQ(vexa::test::readFile(to + "Medias/Papier/.Settings.xml"), "m");
    EXPECT_EQ(vexa::test::readFile(to + ".Settings.xml"),
              vexa::test::readFile(dir.path() + "/Printers/Épreuve 東京/.Settings.xml"));
    EXPECT_FALSE(vexa::test::pathExists(to + toMB(vexa::vfs::kTemporaryPrefix) + "1.2.x"));
}

TEST_F(RepositoryTest, CopyContentsRefusesAFolderOntoOrIntoItself) {
    boost::shared_ptr<TestRepository> repo = repository("Printers/P");
    ASSERT_TRUE(repo->saveSettingsChecked(printer("USB")));
    const std::string base = dir.path() + "/Printers/P";
    ASSERT_EQ(::symlink(base.c_str(), (dir.path() + "/link").c_str()), 0);
    FileObjectPtr source = open("Printers/P");
    const std::string before = vexa::test::readFile(base + "/.Settings.xml");
    for (const std::string& spelling :
         {base, base + "/", dir.path() + "/Printers/../Printers/P", dir.path() + "/link"}) {
        FileObjectPtr destination =
            vexa::vfs::openLocalFolder(vexa::vfs::createFileName(fromMB(spelling)));
        EXPECT_FALSE(repo->copyContents(source, destination)) << spelling;
    }
    // A destination inside the source that does not exist yet.
    EXPECT_FALSE(repo->copyContents(source, source->resolveChild(wxT("Inner"))));
    EXPECT_FALSE(vexa::test::pathExists(base + "/Inner"))
        << "the refused destination is not left behind";
    EXPECT_EQ(vexa::test::readFile(base + "/.Settings.xml"), before);
    EXPECT_FALSE(repo->copyContents(source, FileObjectPtr()));
    EXPECT_FALSE(repo->copyContents(FileObjectPtr(), source));
}

// The child a folder touch makes for a moment is no content. A link to
// nothing cannot be copied whole: the copy fails, says why, and takes back
// what it made; a destination that was there keeps what it held.
TEST_F(RepositoryTest, CopySkipsTouchChildrenAndFailsWholeOnADanglingLink) {
    boost::shared_ptr<TestRepository> repo = repository("Printers/P");
    ASSERT_TRUE(repo->saveSettingsChecked(printer("USB")));
    const std::string to = dir.path() + "/Printers/";
    vexa::test::writeFile(to + "P/_1733400000.tmp", "");
    EXPECT_TRUE(
        repo->copyContents(open("Printers/P"), open("Printers")->resolveChild(wxT("Copy"))));
    EXPECT_TRUE(vexa::test::pathExists(to + "Copy/.Settings.xml"));
    EXPECT_FALSE(vexa::test::pathExists(to + "Copy/_1733400000.tmp"));

    vexa::test::makeDirs(to + "P/Medias/G/M");
    ASSERT_EQ(
        ::symlink((dir.path() + "/nowhere").c_str(), (to + "P/Medias/G/M/profile.icc").c_str()), 0);
    vexa::repos::clearFailure();
    EXPECT_FALSE(
        repo->copyContents(open("Printers/P"), open("Printers")->resolveChild(wxT("New"))));
    EXPECT_FALSE(vexa::test::pathExists(to + "New"));
    EXPECT_NE(toMB(vexa::repos::lastFailure().message).find("dangling link"), std::string::npos)
        << toMB(vexa::repos::lastFailure().message);
    vexa::test::makeDirs(to + "Old");
    vexa::test::writeFile(to + "Old/keep.txt", "mine");
    EXPECT_FALSE(repo->copyContents(open("Printers/P"), open("Printers/Old")));
    EXPECT_EQ(vexa::test::readFile(to + "Old/keep.txt"), "mine");
    for (const char* made : {".Settings.xml", "Medias", ".lock"}) {
        EXPECT_FALSE(vexa::test::pathExists(to + "Old/" + made)) << made;
    }
}

TEST(RepositoryExceptionTest, MessageAsUtf8AndEmptyForEmptyCouples) {
    vexa::repos::RepositoryException error(wxString::FromUTF8("Drucker „Café“ fehlt"));
    EXPECT_STREQ(error.what(), "Drucker „Café“ fehlt");
    EXPECT_EQ(error.getMessage(), wxString::FromUTF8("Drucker „Café“ fehlt"));
    vexa::repos::EmptyDataCoupleException empty;
    EXPECT_STREQ(empty.what(), "");
    const vexa::repos::RepositoryException& base = empty;
    EXPECT_TRUE(base.getMessage().empty());
}

TEST(VersionTest, TheMacrosAndTheLibraryTellOneVersion) {
    const std::string built = std::to_string(VEXA_REPOS_VERSION_MAJOR) + "." +
                              std::to_string(VEXA_REPOS_VERSION_MINOR) + "." +
                              std::to_string(VEXA_REPOS_VERSION_PATCH);
    EXPECT_EQ(built, VEXA_REPOS_VERSION_STRING);
    EXPECT_STREQ(vexa::repos::version(), VEXA_REPOS_VERSION_STRING);
}
