// Splitting path texts into root and path, Windows forms included.
#include <gtest/gtest.h>

#include "VfsTestSupport.h"
#include "vfs/src/impl/local/WindowsFileName.h"
#include "vfs/src/impl/local/WindowsFileNameParser.h"

using vexa::test::LogCapture;
using vexa::test::logged;
using vexa::test::toUtf8;
using vexa::test::toWx;
using vexa::vfs::FileNamePtr;
using vexa::vfs::provider::local::WindowsFileName;
using vexa::vfs::provider::local::WindowsFileNameParser;

namespace {

const char* const kParser = "vexa::vfs::provider::local::WindowsFileNameParser::";

// Without a drive letter or a UNC prefix a text is a POSIX path: ':' and '\'
// belong to names, whether the path is absolute or relative, and only runs
// of '/' collapse. Read otherwise, a repository below /srv/a:b would be
// looked for (and created) in /srv/ab or /srv/a. Drive paths collapse
// doubled separators in one pass; a UNC share is the second part only.
TEST(WindowsFileNameParser, SplitsTextsIntoRootAndPathAndBuildsNamesQuietly) {
    const struct {
        const char* text;
        const char* root;
        const char* path;
        bool unc;
        const char* native;  // of the names built from the text; null: not checked
        const char* uri;     // null: not checked
        const char* parent;  // native path; "" when there is none, null: not checked
    } cases[] = {
        {"C:\\dir\\file.txt", "C", "/dir/file.txt", false, "C:/dir/file.txt",
         "file:///C:/dir/file.txt", "C:/dir"},
        {"C:", "C", "", false, "C:/", "file:///C:/", ""},
        {"C:\\a\\\\b", "C", "/a/b", false, nullptr, nullptr, nullptr},
        {"C:/a//b//c", "C", "/a/b/c", false, nullptr, nullptr, nullptr},
        {"C:/a///b", "C", "/a//b", false, nullptr, nullptr, nullptr},
        {"c:/x\\y", "c", "/x/y", false, nullptr, nullptr, nullptr},
        {"\\\\SRV\\DATA\\x", "SRV/DATA", "/x", true, "\\\\SRV\\DATA\\x", "file:////SRV/DATA/x",
         nullptr},
        {"//SRV/DATA/x", "SRV/DATA", "/x", true, "\\\\SRV\\DATA\\x", "file:////SRV/DATA/x",
         nullptr},
        {"\\\\SRV\\DATA", "SRV/DATA", "/", true, nullptr, nullptr, nullptr},
        {"//SRV", "SRV/", "/", true, nullptr, nullptr, nullptr},
        {"//SRV/DATA/a/b", "SRV/DATA", "/a/b", true, nullptr, nullptr, nullptr},
        {"/srv/vexa/db", "", "/srv/vexa/db", false, "/srv/vexa/db", "file:///srv/vexa/db",
         "/srv/vexa"},
        {"/srv/a:b/db", "", "/srv/a:b/db", false, "/srv/a:b/db", nullptr, "/srv/a:b"},
        {"/srv/a\\b/db", "", "/srv/a\\b/db", false, "/srv/a\\b/db", nullptr, "/srv/a\\b"},
        {"/srv/c:\\d\\", "", "/srv/c:\\d\\", false, "/srv/c:\\d\\", nullptr, "/srv"},
        {"/srv/x:", "", "/srv/x:", false, "/srv/x:", nullptr, "/srv"},
        {"/srv//a:b///c", "", "/srv/a:b/c", false, "/srv/a:b/c", nullptr, "/srv/a:b"},
        {"rel\\x", "", "rel\\x", false, "rel\\x", nullptr, ""},
        {"a:b", "", "a:b", false, "a:b", nullptr, ""},
        {"a:b/c:d", "", "a:b/c:d", false, "a:b/c:d", nullptr, "a:b"},
        {"\\x\\y", "", "\\x\\y", false, "\\x\\y", nullptr, ""},
        // Nothing is resolved: a step up stays a name, a trailing '/' stays.
        {"a/../b", "", "a/../b", false, "a/../b", nullptr, "a/.."},
        {"/srv//vexa/db/", "", "/srv/vexa/db/", false, "/srv/vexa/db/", nullptr, "/srv/vexa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture log;
        const WindowsFileNameParser parsed(toWx(c.text));
        EXPECT_EQ(toUtf8(parsed.getRoot()), c.root);
        EXPECT_EQ(toUtf8(parsed.getPath()), c.path);
        EXPECT_EQ(parsed.isUnc(), c.unc);
        for (const FileNamePtr& name : {FileNamePtr(new WindowsFileName(toWx(c.text))),
                                        vexa::vfs::createFileName(toWx(c.text))}) {
            if (c.native != nullptr) {
                EXPECT_EQ(toUtf8(name->getNativePath()), c.native);
            }
            if (c.uri != nullptr) {
                EXPECT_EQ(toUtf8(name->getURI()), c.uri);
            }
            if (c.parent != nullptr) {
                const FileNamePtr parent = name->getParent();
                EXPECT_EQ(parent ? toUtf8(parent->getNativePath()) : std::string(), c.parent);
            }
        }
        EXPECT_TRUE(log.records().empty()) << log.records().front().message;
    }
}

TEST(WindowsFileNameParser, TextWithAColonIsNeverUnc) {
    const WindowsFileNameParser parsed("\\\\SRV\\DATA\\C:x");
    EXPECT_FALSE(parsed.isUnc());
    EXPECT_EQ(toUtf8(parsed.getRoot()), "");
}

TEST(WindowsFileNameParser, ColonInsideADrivePathWarnsTwiceAndStillYieldsAName) {
    LogCapture log;
    WindowsFileName name("C:\\dir\\a:b");
    EXPECT_EQ(toUtf8(name.getRootText()), "C");
    EXPECT_EQ(toUtf8(name.getPath()), "/dir/a:b");
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Path is invalid -> 'C:\\dir\\a:b'",
                       std::string(kParser) + "WindowsFileNameParser"));
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Path is invalid [path -> '/dir/a:b']",
                       std::string(kParser) + "validatePath"));
}

TEST(WindowsFileNameParser, RootGivenSeparately) {
    const struct {
        const char* root;
        const char* path;
        const char* parsedRoot;
        const char* parsedPath;
        bool unc;
    } cases[] = {
        {"C:", "/x", "C", "/x", false},
        {"D", "\\a\\b", "D", "/a/b", false},
        {"SRV\\DATA", "/x", "SRV/DATA", "/x", true},
        {"", "/srv/db", "", "/srv/db", false},
        {"", "/srv/a:b\\c", "", "/srv/a:b\\c", false},  // a POSIX path is taken as it is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.root) + " " + c.path);
        LogCapture log;
        const WindowsFileNameParser parsed(c.root, c.path);
        EXPECT_EQ(toUtf8(parsed.getRoot()), c.parsedRoot);
        EXPECT_EQ(toUtf8(parsed.getPath()), c.parsedPath);
        EXPECT_EQ(parsed.isUnc(), c.unc);
        EXPECT_TRUE(log.records().empty());
    }
    LogCapture log;
    const WindowsFileNameParser colonPath("C", "/a:b");
    EXPECT_EQ(toUtf8(colonPath.getPath()), "/a:b");
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Path is invalid [root -> 'C'], [path -> '/a:b']"));
}

TEST(WindowsFileNameParser, RootChecksReportThroughTheLogOnly) {
    const struct {
        const char* root;
        bool unc;
        bool valid;
        const char* warning;  // null: none
    } cases[] = {
        {"", false, false, nullptr},
        {"", true, false, nullptr},
        {"C", false, true, nullptr},
        {"AB", false, false, "Invalid non-UNC root, must be drive letter -> 'AB'"},
        {"SRV/DATA", true, true, nullptr},
        {"SRV/", true, true, nullptr},
        {"SRV/DA:TA", true, false, "Invalid UNC root, must be COMPUTER/SHARE -> 'SRV/DA:TA'"},
        {"SRV/DATA/X", true, false, nullptr},
        {"S\\RV/DATA", true, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        LogCapture log;
        EXPECT_EQ(WindowsFileNameParser::validateRoot(c.root, c.unc), c.valid);
        if (c.warning != nullptr) {
            EXPECT_TRUE(
                logged(log, wxLOG_Warning, c.warning, std::string(kParser) + "validateRoot"));
        } else if (c.valid || *c.root == '\0') {
            EXPECT_TRUE(log.records().empty());
        }
    }
    // A several-letter root given separately is kept, reported, and the name
    // is still built.
    EXPECT_EQ(toUtf8(WindowsFileName("XY", "/a").getRootText()), "XY");
    EXPECT_TRUE(WindowsFileName("XY", "/a").isUnc());
    EXPECT_EQ(toUtf8(WindowsFileName("XY:", "/a").getRootText()), "X");
}

}  // namespace
