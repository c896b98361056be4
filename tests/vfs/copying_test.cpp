// Copying files and folder trees, with and without a copy filter.
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "VfsTestSupport.h"
#include "vfs/src/impl/AbstractFileObject.h"
#include "vfs/src/impl/CopyFilter.h"
#include "vfs/src/impl/FileSystemException.h"

using vexa::test::makeDirs;
using vexa::test::modifiedNs;
using vexa::test::pathExists;
using vexa::test::readFile;
using vexa::test::toUtf8;
using vexa::test::toWx;
using vexa::test::VfsFixture;
using vexa::test::writeFile;
using namespace vexa::vfs;

namespace {

const std::size_t MiB = 1024 * 1024;

std::string bytes(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 31 + seed + i / 509) & 0xFF);
    }
    return data;
}

void setMtimeNs(const std::string& path, std::int64_t ns) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {ns / 1000000000, ns % 1000000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::string copyError(const std::function<void()>& copy) {
    try {
        copy();
    } catch (const FileSystemException& error) {
        return error.what();
    }
    return "(no exception)";
}

// Relative paths of everything below `root`, from the library's own walk.
std::vector<std::string> listing(const FileObjectPtr& root) {
    std::vector<std::string> paths;
    const std::string prefix = toUtf8(root->getName()->getNativePath()) + "/";
    const FileObjectListPtr entries = root->findFiles("");
    for (const FileObjectPtr& entry : *entries) {
        paths.push_back(toUtf8(entry->getName()->getNativePath()).substr(prefix.size()));
    }
    return paths;
}

class RecordingFilter : public CopyFilter {
  public:
    std::vector<std::string> seen;
    std::vector<CopyProgress> progress;
    std::string skip;
    std::string cancelAt;
    bool finishedCalled = false;
    CopyProgress final;

    Decision beforeCopy(const CopyProgress& p) override {
        const std::string name = toUtf8(p.next->getBaseName());
        seen.push_back(name);
        progress.push_back(p);
        if (name == cancelAt) {
            return CANCEL;
        }
        return name == skip ? SKIP : COPY;
    }
    void finished(const CopyProgress& p) override {
        finishedCalled = true;
        final = p;
    }
};

class CopyTest : public VfsFixture {
  protected:
    // src/
    //   .Settings.xml  .invalid  .lock  empty  one-mib  one-mib-plus-one
    //   Medias/Glänzend/.Settings.xml   Medias/Glänzend/Modes/   (an empty folder)
    // The media's name is not ASCII: copies work whatever the locale.
    void makeSource() {
        makeDirs(path("src/Medias/Gl\xC3\xA4nzend/Modes"));
        m_files = {{".Settings.xml", bytes(3000, 1)},
                   {".invalid", ""},
                   {".lock", ""},
                   {"empty", ""},
                   {"one-mib", bytes(MiB, 2)},
                   {"one-mib-plus-one", bytes(MiB + 1, 3)},
                   {"Medias/Gl\xC3\xA4nzend/.Settings.xml", bytes(256, 4)}};
        std::int64_t ns = 1600000000LL * 1000000000LL + 111111111;
        for (const auto& file : m_files) {
            writeFile(path("src/" + file.first), file.second);
            setMtimeNs(path("src/" + file.first), ns);
            ns += 1000000000LL + 2345;
        }
    }
    void expectSameFiles(const std::string& destination) {
        for (const auto& file : m_files) {
            SCOPED_TRACE(file.first);
            EXPECT_TRUE(readFile(path(destination + "/" + file.first)) == file.second);
            EXPECT_EQ(modifiedNs(path(destination + "/" + file.first)),
                      modifiedNs(path("src/" + file.first)));
        }
    }

    std::vector<std::pair<std::string, std::string>> m_files;
};

}  // namespace

// As a whole, and as a repository copies a printer: each child of the
// source onto the same-named child of an existing destination.
TEST_F(CopyTest, FolderTreeWithDotFilesByteForByteWithTimesWholeOrChildByChild) {
    makeSource();
    const std::string copy = "Kopie \xC3\xA9";
    object(copy)->copyFrom(object("src"));
    expectSameFiles(copy);
    EXPECT_EQ(listing(object(copy)), listing(object("src")));
    EXPECT_EQ(object(copy + "/Medias/Gl\xC3\xA4nzend/Modes")->getType(), FileType::FOLDER);

    const FileObjectPtr destination = openLocalFolder(createFileName(toWx(path("dst2"))));
    const FileObjectListPtr children = object("src")->getChildren();
    for (const FileObjectPtr& child : *children) {
        destination->resolveChild(child->getBaseName())->copyFrom(child);
    }
    expectSameFiles("dst2");
    EXPECT_EQ(listing(destination), listing(object("src")));
}

TEST_F(CopyTest, SingleFileOntoFileIntoFolderAndOntoItself) {
    writeFile(path("a.icc"), "profile");
    writeFile(path("old.icc"), "old and longer");
    makeDirs(path("folder"));

    object("old.icc")->copyFrom(object("a.icc"));
    EXPECT_EQ(readFile(path("old.icc")), "profile");
    object("folder")->copyFrom(object("a.icc"));
    EXPECT_EQ(readFile(path("folder/a.icc")), "profile");
    object("made/on/the/way.icc")->copyFrom(object("a.icc"));
    EXPECT_EQ(readFile(path("made/on/the/way.icc")), "profile");
    object("a.icc")->copyFrom(object("a.icc"));
    EXPECT_EQ(readFile(path("a.icc")), "profile");
}

TEST_F(CopyTest, CopiesThatCannotBeDone) {
    makeDirs(path("dir"));
    writeFile(path("dir/f"), "f");
    writeFile(path("file"), "keep");
    EXPECT_EQ(copyError([&] { object("file")->copyFrom(object("dir")); }),
              "Cannot copy a folder into a file");
    EXPECT_EQ(readFile(path("file")), "keep");
    EXPECT_EQ(copyError([&] { object("x")->copyFrom(object("missing")); }),
              "Cannot copy from an imaginary file");
    EXPECT_EQ(copyError([&] { object("x")->copyFrom(FileObjectPtr()); }),
              "Cannot copy from an imaginary file");
    EXPECT_FALSE(pathExists(path("x")));

    // A destination that cannot take the bytes.
    ASSERT_EQ(symlink("/dev/full", path("full").c_str()), 0);
    EXPECT_EQ(copyError([&] { object("full")->copyFrom(object("file")); }),
              "Error copying file. source:\"" + path("file") + "\" dest:\"" + path("full") + "\"");
}

TEST_F(CopyTest, FilterSeesProgressAndSkipsFilesAndFolders) {
    makeSource();
    const auto filter = boost::make_shared<RecordingFilter>();
    filter->skip = "Medias";
    object("dst")->copyTree(object("src"), filter);

    EXPECT_FALSE(pathExists(path("dst/Medias")));
    EXPECT_TRUE(pathExists(path("dst/one-mib")));
    ASSERT_TRUE(filter->finishedCalled);
    EXPECT_EQ(filter->final.filesTotal, 7u);
    EXPECT_EQ(filter->final.filesDone, 7u);  // skipped ones count as done
    std::uint64_t total = 0;
    for (const auto& file : m_files) {
        total += file.second.size();
    }
    EXPECT_EQ(filter->final.bytesTotal, total);
    EXPECT_EQ(filter->final.bytesDone, total);
    // Entries below a skipped folder are not offered.
    for (const std::string& name : filter->seen) {
        EXPECT_NE(name, "Gl\xC3\xA4nzend");
    }
    // Progress only grows, one file at a time.
    for (std::size_t i = 1; i < filter->progress.size(); ++i) {
        EXPECT_LE(filter->progress[i - 1].filesDone, filter->progress[i].filesDone);
        EXPECT_LE(filter->progress[i].filesDone, filter->progress[i - 1].filesDone + 1);
        EXPECT_LE(filter->progress[i].bytesDone, filter->final.bytesTotal);
    }

    const auto fileFilter = boost::make_shared<RecordingFilter>();
    fileFilter->skip = ".lock";
    object("dst2")->copyTree(object("src"), fileFilter);
    EXPECT_FALSE(pathExists(path("dst2/.lock")));
    EXPECT_TRUE(pathExists(path("dst2/Medias/Gl\xC3\xA4nzend/.Settings.xml")));
}

TEST_F(CopyTest, CancelEndsTheCopyAndKeepsWhatWasCopied) {
    makeSource();
    const auto filter = boost::make_shared<RecordingFilter>();
    filter->cancelAt = "empty";
    const std::string message = copyError([&] { object("dst")->copyTree(object("src"), filter); });
    EXPECT_EQ(message.find("Copy cancelled"), 0u) << message;
    EXPECT_FALSE(filter->finishedCalled);
    EXPECT_FALSE(pathExists(path("dst/empty")));
    // What came before "empty" in copy order is there.
    EXPECT_TRUE(pathExists(path("dst/Medias/Gl\xC3\xA4nzend/.Settings.xml")));
    EXPECT_TRUE(pathExists(path("dst/.Settings.xml")));
    EXPECT_FALSE(pathExists(path("dst/one-mib")));
}

// A link inside a tree leads out of it: walks list it without entering it,
// copies make it a link again, removals take the link only. A link to
// nothing cannot be copied faithfully, so the copy fails.
TEST_F(CopyTest, LinksAreListedCopiedAndRemovedAsLinksNeverFollowed) {
    makeDirs(path("outside/deep"));
    writeFile(path("outside/deep/keep.txt"), "keep");
    makeDirs(path("tree/sub"));
    writeFile(path("tree/sub/a.icc"), "a");
    ASSERT_EQ(symlink(path("outside").c_str(), path("tree/sub/out").c_str()), 0);
    ASSERT_EQ(symlink("a.icc", path("tree/sub/rel.icc").c_str()), 0);

    EXPECT_EQ(listing(object("tree")),
              (std::vector<std::string>{"sub", "sub/a.icc", "sub/out", "sub/rel.icc"}));
    object("copy")->copyFrom(object("tree"));
    char target[256] = {0};
    ASSERT_GT(readlink(path("copy/sub/out").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), path("outside"));
    EXPECT_TRUE(object("copy/sub/rel.icc")->isSymbolicLink());
    EXPECT_EQ(toUtf8(object("copy/sub/rel.icc")->getLinkTarget()), "a.icc");
    // The link itself as the source of a copy stays a link too.
    object("single")->copyFrom(object("tree/sub/out"));
    EXPECT_TRUE(object("single")->isSymbolicLink());

    EXPECT_TRUE(object("copy")->remove());
    EXPECT_TRUE(object("tree/sub/out")->remove());
    EXPECT_TRUE(object("single")->remove());
    EXPECT_EQ(readFile(path("outside/deep/keep.txt")), "keep");

    ASSERT_EQ(symlink(path("nowhere").c_str(), path("tree/sub/dangling").c_str()), 0);
    EXPECT_NE(copyError([&] {
                  object("copy2")->copyFrom(object("tree"));
              }).find("Cannot copy the dangling link"),
              std::string::npos);
}

// Every save replaces a file by rename: the stamp tells the new file from
// the old one even when size and time are the same.
TEST_F(CopyTest, AStampTellsAReplacedFileFromTheOldOneWithTheSameTime) {
    writeFile(path("s.xml"), "one");
    const FileStamp before = object("s.xml")->getStamp();
    writeFile(path("s.new"), "two");
    ASSERT_EQ(rename(path("s.new").c_str(), path("s.xml").c_str()), 0);
    setMtimeNs(path("s.xml"), before.modifiedNs);
    const FileStamp after = object("s.xml")->getStamp();
    EXPECT_EQ(after.modifiedNs, before.modifiedNs);
    EXPECT_EQ(after.size, before.size);
    EXPECT_NE(after, before);
    EXPECT_EQ(object("missing")->getStamp(), FileStamp());
}
