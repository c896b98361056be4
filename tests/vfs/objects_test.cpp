// File systems and file objects on the local disk.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <vector>

#include "VfsTestSupport.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileSystem.h"
#include "vfs/src/impl/FileSystemException.h"
#include "vfs/src/impl/FolderListing.h"

using vexa::test::LogCapture;
using vexa::test::logged;
using vexa::test::makeDirs;
using vexa::test::pathExists;
using vexa::test::readFile;
using vexa::test::TempDir;
using vexa::test::toUtf8;
using vexa::test::toWx;
using vexa::test::VfsFixture;
using vexa::test::writeFile;
using namespace vexa::vfs;

namespace {

const char* const kObject = "vexa::vfs::provider::local::LocalFileObject::";

std::string baseNames(const FileObjectListPtr& list) {
    std::string names;
    for (const FileObjectPtr& object : *list) {
        names += (names.empty() ? "" : ",") + toUtf8(object->getBaseName());
    }
    return names;
}

std::string relativePaths(const FileObjectListPtr& list, const std::string& root) {
    std::string paths;
    for (const FileObjectPtr& object : *list) {
        const std::string path = toUtf8(object->getName()->getNativePath());
        paths += (paths.empty() ? "" : ",") + path.substr(root.size() + 1);
    }
    return paths;
}

// The entry names of a folder, sorted, read with the system's own calls.
std::string entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ",") + name;
    }
    return joined;
}

void setTime(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace

TEST(OpenLocalFolder, CreatesAMissingFolderWithItsParents) {
    TempDir tmp;
    const FileObjectPtr root = openLocalFolder(createFileName(toWx(tmp.file("a/b/c"))));
    EXPECT_EQ(root->getType(), FileType::FOLDER);
    EXPECT_TRUE(pathExists(tmp.file("a/b/c")));
    EXPECT_EQ(root->getFileSystem()->getRoot(), root);
    EXPECT_EQ(toUtf8(root->getURI()), "file://" + tmp.file("a/b/c"));
    EXPECT_FALSE(root->getFileSystem()->resolveFile(FileNamePtr()));
}

// ':' and '\' are characters of POSIX names: a repository below a folder
// holding them stays inside that folder, nothing appears beside it, and a
// child named with them is listed and resolved under its own name. So are
// names in other scripts, whatever the locale, and bytes that are no UTF-8
// (made by a host in another code page): listed, they name the same entry.
TEST(OpenLocalFolder, OddNamesStayInsideTheFolderNamedAndResolveAgain) {
    for (const char* folder : {"a:b", "a\\b", "c:\\d\\", "x:", "\xC3\x89preuve \xE6\x9D\xB1",
                               "Caf\xE9"}) {
        SCOPED_TRACE(folder);
        TempDir tmp;
        const std::string top = tmp.file(folder) + "/db";
        const FileObjectPtr root = openLocalFolder(createFileName(toWx(top + "/")));
        EXPECT_EQ(toUtf8(root->getName()->getNativePath()), top + "/");
        ASSERT_TRUE(root->resolveChild("Printers/P1")->createFolder());
        ASSERT_TRUE(root->resolveChild(".Settings.xml")->createFile());
        const std::string odd = "k:l\\m:\xC3\xA9\xE9";
        ASSERT_TRUE(root->resolveChild(toWx(odd))->createFile());

        EXPECT_EQ(entries(tmp.path()), folder);
        EXPECT_EQ(entries(tmp.file(folder)), "db");
        EXPECT_EQ(entries(top), ".Settings.xml,Printers," + odd);
        EXPECT_EQ(entries(top + "/Printers"), "P1");

        const FileObjectListPtr children = root->getChildren();
        EXPECT_EQ(baseNames(children), ".Settings.xml,Printers," + odd);
        for (const FileObjectPtr& child : *children) {
            const FileObjectPtr again = root->resolveChild(child->getBaseName());
            EXPECT_EQ(toUtf8(again->getName()->getNativePath()),
                      top + "/" + toUtf8(child->getBaseName()));
            EXPECT_EQ(again->getType(), child->getType());
            EXPECT_NE(again->getType(), FileType::IMAGINARY);
        }
        EXPECT_EQ(relativePaths(root->findFiles(toWx("*:\xC3\xA9?")), top), odd);
        EXPECT_TRUE(root->resolveChild(toWx(odd))->remove());
        EXPECT_EQ(entries(top), ".Settings.xml,Printers");
    }
}

TEST(OpenLocalFolder, RefusesAFile) {
    TempDir tmp;
    writeFile(tmp.file("plain"), "data");
    try {
        openLocalFolder(createFileName(toWx(tmp.file("plain"))));
        FAIL() << "no exception";
    } catch (const FileSystemException& error) {
        EXPECT_STREQ(error.what(), "Specified location is a file not a directory");
    }
    EXPECT_EQ(readFile(tmp.file("plain")), "data");
}

TEST_F(VfsFixture, CreateFileLeavesAnExistingFileAndFailsWithoutAFolder) {
    writeFile(path("kept.txt"), "original");
    EXPECT_FALSE(object("kept.txt")->createFile());
    EXPECT_EQ(readFile(path("kept.txt")), "original");

    EXPECT_TRUE(object("new.txt")->createFile());
    EXPECT_EQ(object("new.txt")->getType(), FileType::FILE);
    EXPECT_EQ(object("new.txt")->getSize(), 0u);

    LogCapture log;
    EXPECT_FALSE(object("missing/inner.txt")->createFile());
    EXPECT_TRUE(logged(log, wxLOG_Debug,
                       "Unable to create file '" + path("missing/inner.txt") + "'",
                       std::string(kObject) + "createFile"));
}

TEST_F(VfsFixture, CreateFolderOnFolderFileAndNothing) {
    makeDirs(path("present"));
    EXPECT_TRUE(object("present")->createFolder());
    EXPECT_TRUE(object("x/y/z")->createFolder());
    EXPECT_EQ(object("x/y/z")->getType(), FileType::FOLDER);

    writeFile(path("file"), "f");
    LogCapture log;
    EXPECT_FALSE(object("file")->createFolder());
    EXPECT_EQ(readFile(path("file")), "f");
    EXPECT_TRUE(logged(log, wxLOG_Debug,
                       "Unable to create folder when it already exists as a file " + path("file"),
                       std::string(kObject) + "createFolder"));
    // Below a file nothing can be made: logged, yet reported as done.
    EXPECT_TRUE(object("file/sub")->createFolder());
    EXPECT_TRUE(logged(log, wxLOG_Debug, "Unable to create directory " + path("file/sub")));
    EXPECT_EQ(object("file/sub")->getType(), FileType::IMAGINARY);
}

TEST_F(VfsFixture, BareDriveIsQueriedAsItsTopFolder) {
    // "C:" names the drive's top folder, queried as "C:/": a plain file called
    // "C:" in the working folder must not count, a folder must.
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(m_tmp.path().c_str()), 0);
    writeFile("C:", "not a drive");
    const FileObjectPtr drive = m_root->getFileSystem()->resolveFile(toWx("C:"));
    const FileType asFile = drive->getType();
    unlink("C:");
    makeDirs("C:");
    const FileType asFolder = drive->getType();
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(asFile, FileType::IMAGINARY);
    EXPECT_EQ(asFolder, FileType::FOLDER);
}

TEST_F(VfsFixture, ResolvingBelowAMissingFolderCreatesIt) {
    const FileObjectPtr folder = object("later");
    EXPECT_FALSE(folder->exists());
    const FileObjectPtr ab = folder->resolveFile("a/b", NameScope::CHILD);
    ASSERT_TRUE(ab);
    EXPECT_EQ(folder->getType(), FileType::FOLDER);
    EXPECT_EQ(toUtf8(ab->getName()->getNativePath()), path("later/a/b"));
    EXPECT_FALSE(ab->exists());
    // Resolving from a file goes to its folder.
    writeFile(path("later/f.txt"), "");
    EXPECT_EQ(toUtf8(object("later/f.txt")->resolveChild("g.txt")->getName()->getNativePath()),
              path("later/g.txt"));
    // The parent of an object is resolved in the same file system.
    EXPECT_EQ(toUtf8(ab->getParent()->getName()->getNativePath()), path("later/a"));
    EXPECT_EQ(ab->getParent()->getFileSystem(), m_root->getFileSystem());
}

TEST_F(VfsFixture, ChildrenIncludeDotFilesInNameOrder) {
    writeFile(path("b.txt"), "");
    writeFile(path(".Settings.xml"), "");
    writeFile(path(".lock"), "");
    makeDirs(path("a"));
    EXPECT_EQ(baseNames(m_root->getChildren()), ".Settings.xml,.lock,a,b.txt");
    EXPECT_TRUE(object("b.txt")->getChildren()->empty());
    EXPECT_TRUE(object("nothing")->getChildren()->empty());
}

TEST_F(VfsFixture, SubfolderListingsTakeFoldersAndLinksToFoldersOnly) {
    makeDirs(path("Medias/Foto/Glanz"));
    makeDirs(path(u8"Medias/Foto/Matt \u00e4"));
    makeDirs(path("Medias/Foto/.hidden"));
    writeFile(path("Medias/Foto/.lock"), "");
    makeDirs(path("elsewhere"));
    ASSERT_EQ(::symlink(path("elsewhere").c_str(), path("Medias/Foto/Linked").c_str()), 0);
    ASSERT_EQ(::symlink(path("gone").c_str(), path("Medias/Foto/Dangling").c_str()), 0);

    auto sorted = [](std::vector<wxString> names) {
        std::sort(names.begin(), names.end());
        std::string joined;
        for (const wxString& name : names) {
            joined += (joined.empty() ? "" : ",") + toUtf8(name);
        }
        return joined;
    };
    const std::string expected = u8".hidden,Glanz,Linked,Matt \u00e4";
    EXPECT_EQ(sorted(vexa::vfs::listSubfolderNames(object("Medias/Foto"))), expected);
    // Two levels at once: a linked group is listed through its link, a
    // group that cannot be opened lists nothing, files are no groups.
    makeDirs(path("Medias/Leer"));
    makeDirs(path("Medias/Zu/Innen"));
    ASSERT_EQ(::chmod(path("Medias/Zu").c_str(), 0), 0);
    ASSERT_EQ(::symlink(path("Medias/Foto").c_str(), path("Medias/Verweis").c_str()), 0);
    writeFile(path("Medias/notiz"), "");
    std::map<std::string, std::string> tree;
    for (const auto& group : vexa::vfs::listSubfolderTree(object("Medias"))) {
        tree[toUtf8(group.first)] = sorted(group.second);
    }
    const bool mayOpenAnything = ::geteuid() == 0;  // root opens the closed group too
    const std::map<std::string, std::string> wanted = {
        {"Foto", expected},
        {"Leer", ""},
        {"Verweis", expected},
        {"Zu", mayOpenAnything ? "Innen" : ""}};
    EXPECT_EQ(tree, wanted);
    ::chmod(path("Medias/Zu").c_str(), 0755);
    // Nothing for a missing folder or a file.
    EXPECT_TRUE(vexa::vfs::listSubfolderTree(object("Proof")).empty());
    EXPECT_TRUE(vexa::vfs::listSubfolderTree(object("Medias/notiz")).empty());
    EXPECT_TRUE(vexa::vfs::listSubfolderNames(object("Medias/Foto/.lock")).empty());
}

TEST_F(VfsFixture, FindFilesMatchesRelativePathsCaseBlind) {
    makeDirs(path("sub/deeper"));
    writeFile(path("A.XML"), "");
    writeFile(path(".Settings.xml"), "");
    writeFile(path("sub/b.xml"), "");
    writeFile(path("sub/.hidden.xml"), "");
    writeFile(path("sub/deeper/c.txt"), "");
    const std::string root = m_tmp.path();
    // Folders before their contents; sub-folders before files.
    EXPECT_EQ(relativePaths(m_root->findFiles(""), root),
              "sub,sub/deeper,sub/deeper/c.txt,sub/.hidden.xml,sub/b.xml,.Settings.xml,A.XML");
    // '*' crosses folders; a leading '.' needs an explicit '.'.
    EXPECT_EQ(relativePaths(m_root->findFiles("*.xml"), root), "sub/.hidden.xml,sub/b.xml,A.XML");
    EXPECT_EQ(relativePaths(m_root->findFiles(".*"), root), ".Settings.xml");
    EXPECT_EQ(relativePaths(m_root->findFiles("sub/?.XML"), root), "sub/b.xml");
    EXPECT_TRUE(object("A.XML")->findFiles("*")->empty());
}

// '*' any run (also '/'), '?' one character, a backslash an ordinary
// character, letter case significant, and a leading '.' only matched by an
// explicit '.'.
TEST(MatchWildcard, StarQuestionMarkAndLeadingDot) {
    const struct {
        const char* pattern;
        const char* text;
        bool matches;
    } cases[] = {
        {"*", "anything/at all", true},
        {"*", "", true},
        {"", "", true},
        {"", "x", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"*.icc", "x.y.icc", true},
        {"*.icc.Link", "p.icc.Link", true},
        {"*.icc", "p.icc.Link", false},
        {"??", "ab", true},
        {"??", "abc", false},
        {"?", "", false},
        {"A*", "A*", true},
        {"a", "A", false},
        {"a\\*", "a\\xyz", true},
        {"a\\*", "a*", false},
        {"*", ".lock", false},
        {"?lock", ".lock", false},
        {".*", ".lock", true},
        {".lock", ".lock", true},
        {"*", "a/.lock", true},
        // Non-ASCII characters count as one character each.
        {"?preuve *", "\xC3\x89preuve \xE6\x9D\xB1\xE4\xBA\xAC", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchWildcard(toWx(c.pattern), toWx(c.text)), c.matches)
            << c.pattern << " " << c.text;
    }
    // Many stars against a long miss stays quick (no exponential backtracking).
    EXPECT_FALSE(matchWildcard(wxString('*', 40) + "b", wxString('a', 4000)));
}

TEST_F(VfsFixture, ModificationTimesInSecondsAndNanosecondsAndTouchedFolders) {
    writeFile(path("f"), "x");
    const FileObjectPtr file = object("f");
    EXPECT_TRUE(file->setLastModifiedTime(1000000000));
    EXPECT_EQ(file->getLastModifiedTime(), 1000000000);
    EXPECT_EQ(file->getLastModifiedTimeNs(), 1000000000LL * 1000000000LL);

    const std::int64_t precise = 1500000000LL * 1000000000LL + 123456789;
    EXPECT_TRUE(file->setLastModifiedTimeNs(precise));
    EXPECT_EQ(file->getLastModifiedTimeNs(), precise);
    EXPECT_EQ(file->getLastModifiedTime(), 1500000000);

    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_TRUE(file->setLastModifiedTime(0));  // touch
    EXPECT_GE(file->getLastModifiedTime(), before);

    EXPECT_EQ(object("missing")->getLastModifiedTime(), 0);
    EXPECT_EQ(object("missing")->getLastModifiedTimeNs(), 0);
    EXPECT_FALSE(object("missing")->setLastModifiedTime(5));
    // Folders are only touched: that moves their time and leaves nothing.
    makeDirs(path("d"));
    writeFile(path("d/keep"), "k");
    setTime(path("d"), 946684800);  // 2000-01-01
    const FileObjectPtr folder = object("d");
    EXPECT_FALSE(folder->setLastModifiedTime(5));
    EXPECT_TRUE(folder->setLastModifiedTime(0));
    EXPECT_GT(folder->getLastModifiedTime(), 946684800);
    EXPECT_EQ(baseNames(folder->getChildren()), "keep");
}

TEST_F(VfsFixture, RemoveTakesDotFilesAndNestedFoldersButNeverFollowsLinks) {
    makeDirs(path("p/Medias/m"));
    writeFile(path("p/.Settings.xml"), "s");
    writeFile(path("p/.lock"), "");
    writeFile(path("p/Medias/m/.invalid"), "");
    makeDirs(path("outside"));
    writeFile(path("outside/precious"), "keep me");
    ASSERT_EQ(symlink(path("outside").c_str(), path("p/link").c_str()), 0);

    EXPECT_TRUE(object("p")->remove());
    EXPECT_FALSE(pathExists(path("p")));
    EXPECT_EQ(readFile(path("outside/precious")), "keep me");

    writeFile(path("single"), "1");
    EXPECT_TRUE(object("single")->remove());
    EXPECT_FALSE(pathExists(path("single")));
    EXPECT_TRUE(object("never-there")->remove());
}

TEST_F(VfsFixture, MoveRenamesAndReplaces) {
    writeFile(path("a.txt"), "A");
    writeFile(path("b.txt"), "B");
    EXPECT_TRUE(object("a.txt")->moveTo(object("b.txt")));
    EXPECT_FALSE(pathExists(path("a.txt")));
    EXPECT_EQ(readFile(path("b.txt")), "A");

    // A folder onto a non-empty folder: the rename fails, copy and remove
    // take over.
    makeDirs(path("src/inner"));
    writeFile(path("src/inner/.Settings.xml"), "new");
    makeDirs(path("dst"));
    writeFile(path("dst/old"), "old");
    EXPECT_TRUE(object("src")->moveTo(object("dst")));
    EXPECT_FALSE(pathExists(path("src")));
    EXPECT_FALSE(pathExists(path("dst/old")));
    EXPECT_EQ(readFile(path("dst/inner/.Settings.xml")), "new");
}

TEST_F(VfsFixture, MoveRefusesWhatWouldLoseData) {
    makeDirs(path("tree/sub"));
    writeFile(path("tree/sub/f"), "f");
    writeFile(path("target"), "t");
    EXPECT_FALSE(object("tree")->moveTo(object("tree/sub")));
    EXPECT_FALSE(object("tree/sub")->moveTo(object("tree")));
    EXPECT_FALSE(object("absent")->moveTo(object("target")));
    EXPECT_EQ(readFile(path("tree/sub/f")), "f");
    EXPECT_EQ(readFile(path("target")), "t");
}
