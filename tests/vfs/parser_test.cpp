// Splitting path texts into root and path, Windows forms included.
#include <gtest/gtest.h>

#include "VfsTestSupport.h"
#include "vfs/src/impl/local/WindowsFileName.h"
#include "vfs/src/impl/local/WindowsFileNameParser.h"

using vexa::test::LogCapture;
using vexa::test::logged;
using vexa::test::N;
using vexa::test::W;
using vexa::vfs::provider::local::WindowsFileName;
using vexa::vfs::provider::local::WindowsFileNameParser;

namespace {

const char* const kParser = "vexa::vfs::provider::local::WindowsFileNameParser::";

struct Parsed {
    std::string root;
    std::string path;
    bool unc;
};

Parsed parse(const std::string& text) {
    WindowsFileNameParser parser(W(text));
    return Parsed{N(parser.getRoot()), N(parser.getPath()), parser.isUnc()};
}

}  // namespace

TEST(WindowsFileNameParser, DriveTextWithBackslashes) {
    LogCapture log;
    WindowsFileName name("C:\\dir\\file.txt");
    EXPECT_EQ(N(name.getRootText()), "C");
    EXPECT_FALSE(name.isUnc());
    EXPECT_EQ(N(name.getPath()), "/dir/file.txt");
    EXPECT_EQ(N(name.getURI()), "file:///C:/dir/file.txt");
    EXPECT_EQ(N(name.getNativePath()), "C:/dir/file.txt");
    EXPECT_TRUE(log.records().empty()) << log.records().front().message;
}

TEST(WindowsFileNameParser, DoubledSeparatorsInsideADrivePathCollapseInOnePass) {
    EXPECT_EQ(parse("C:\\a\\\\b").path, "/a/b");
    EXPECT_EQ(parse("C:/a//b//c").path, "/a/b/c");
    // One pass over the text: of three separators two remain.
    EXPECT_EQ(parse("C:/a///b").path, "/a//b");
}

TEST(WindowsFileNameParser, UncTextWithAndWithoutPath) {
    for (const char* text : {"\\\\SRV\\DATA\\x", "//SRV/DATA/x"}) {
        SCOPED_TRACE(text);
        WindowsFileName name{W(text)};
        EXPECT_TRUE(name.isUnc());
        EXPECT_EQ(N(name.getRootText()), "SRV/DATA");
        EXPECT_EQ(N(name.getPath()), "/x");
        EXPECT_EQ(N(name.getNativePath()), "\\\\SRV\\DATA\\x");
        EXPECT_EQ(N(name.getURI()), "file:////SRV/DATA/x");
    }
    const Parsed shareOnly = parse("\\\\SRV\\DATA");
    EXPECT_EQ(shareOnly.root, "SRV/DATA");
    EXPECT_EQ(shareOnly.path, "/");
    EXPECT_TRUE(shareOnly.unc);
    const Parsed computerOnly = parse("//SRV");
    EXPECT_EQ(computerOnly.root, "SRV/");
    EXPECT_EQ(computerOnly.path, "/");
    // Deeper paths keep their separators; the share is only the second part.
    EXPECT_EQ(parse("//SRV/DATA/a/b").path, "/a/b");
}

TEST(WindowsFileNameParser, TextWithAColonIsNeverUnc) {
    const Parsed parsed = parse("\\\\SRV\\DATA\\C:x");
    EXPECT_FALSE(parsed.unc);
    EXPECT_EQ(parsed.root, "");
}

TEST(WindowsFileNameParser, ColonInsidePathWarnsTwiceAndStillYieldsAName) {
    LogCapture log;
    WindowsFileName name("C:\\dir\\a:b");
    EXPECT_EQ(N(name.getRootText()), "C");
    EXPECT_EQ(N(name.getPath()), "/dir/a:b");
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Path is invalid -> 'C:\\dir\\a:b'",
                       std::string(kParser) + "WindowsFileNameParser"));
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Path is invalid [path -> '/dir/a:b']",
                       std::string(kParser) + "validatePath"));
}

TEST(WindowsFileNameParser, DriveAloneIsTheDrivesTopFolder) {
    WindowsFileName name("C:");
    EXPECT_EQ(N(name.getRootText()), "C");
    EXPECT_EQ(N(name.getPath()), "/");
    EXPECT_EQ(N(name.getNativePath()), "C:/");
    EXPECT_EQ(N(name.getURI()), "file:///C:/");
    EXPECT_FALSE(name.hasParent());
}

TEST(WindowsFileNameParser, PosixPathsHaveAnEmptyRootSilently) {
    LogCapture log;
    WindowsFileName name("/srv/vexa/db");
    EXPECT_EQ(N(name.getRootText()), "");
    EXPECT_FALSE(name.isUnc());
    EXPECT_EQ(N(name.getPath()), "/srv/vexa/db");
    EXPECT_EQ(N(name.getNativePath()), "/srv/vexa/db");
    EXPECT_EQ(N(name.getURI()), "file:///srv/vexa/db");
    EXPECT_EQ(N(name.getParent()->getNativePath()), "/srv/vexa");
    EXPECT_TRUE(log.records().empty());
}

// Without a drive letter or a UNC prefix a text is a POSIX path: ':' and '\'
// belong to names, whether the path is absolute or relative, and only runs
// of '/' collapse. Read otherwise, a repository below /srv/a:b would be
// looked for (and created) in /srv/ab or /srv/a.
TEST(WindowsFileNameParser, PosixPathsKeepColonsAndBackslashes) {
    const struct {
        const char* text;
        const char* path;
        const char* parent;  // "" when there is none
    } cases[] = {
        {"/srv/a:b/db", "/srv/a:b/db", "/srv/a:b"},
        {"/srv/a\\b/db", "/srv/a\\b/db", "/srv/a\\b"},
        {"/srv/c:\\d\\", "/srv/c:\\d\\", "/srv"},
        {"/srv/x:", "/srv/x:", "/srv"},
        {"/srv//a:b///c", "/srv/a:b/c", "/srv/a:b"},
        {"rel\\x", "rel\\x", ""},
        {"a:b", "a:b", ""},
        {"a:b/c:d", "a:b/c:d", "a:b"},
        {"\\x\\y", "\\x\\y", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture log;
        const Parsed parsed = parse(c.text);
        EXPECT_EQ(parsed.root, "");
        EXPECT_FALSE(parsed.unc);
        EXPECT_EQ(parsed.path, c.path);
        for (const vexa::vfs::FileNamePtr& name :
             {vexa::vfs::FileNamePtr(new WindowsFileName(W(c.text))),
              vexa::vfs::createFileName(W(c.text))}) {
            EXPECT_EQ(N(name->getNativePath()), c.path);
            const vexa::vfs::FileNamePtr parent = name->getParent();
            EXPECT_EQ(parent ? N(parent->getNativePath()) : std::string(), c.parent);
        }
        EXPECT_TRUE(log.records().empty()) << log.records().front().message;
    }
    // Given with an empty root, such a path is taken as it is too.
    const WindowsFileNameParser separately("", "/srv/a:b\\c");
    EXPECT_EQ(N(separately.getPath()), "/srv/a:b\\c");
    // Drive texts keep their Windows reading.
    EXPECT_EQ(parse("C:").root, "C");
    EXPECT_EQ(parse("c:/x\\y").path, "/x/y");
}

TEST(WindowsFileNameParser, RootGivenSeparately) {
    LogCapture log;
    const WindowsFileNameParser colonRoot("C:", "/x");
    EXPECT_EQ(N(colonRoot.getRoot()), "C");
    EXPECT_FALSE(colonRoot.isUnc());
    const WindowsFileNameParser letter("D", "\\a\\b");
    EXPECT_EQ(N(letter.getRoot()), "D");
    EXPECT_EQ(N(letter.getPath()), "/a/b");
    const WindowsFileNameParser share("SRV\\DATA", "/x");
    EXPECT_EQ(N(share.getRoot()), "SRV/DATA");
    EXPECT_TRUE(share.isUnc());
    const WindowsFileNameParser posix("", "/srv/db");
    EXPECT_EQ(N(posix.getRoot()), "");
    EXPECT_FALSE(posix.isUnc());
    EXPECT_TRUE(log.records().empty());

    const WindowsFileNameParser colonPath("C", "/a:b");
    EXPECT_EQ(N(colonPath.getPath()), "/a:b");
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Path is invalid [root -> 'C'], [path -> '/a:b']"));
}

TEST(WindowsFileNameParser, RootChecksReportThroughTheLogOnly) {
    LogCapture log;
    EXPECT_FALSE(WindowsFileNameParser::validateRoot("", false));
    EXPECT_FALSE(WindowsFileNameParser::validateRoot("", true));
    EXPECT_TRUE(log.records().empty());

    EXPECT_TRUE(WindowsFileNameParser::validateRoot("C", false));
    EXPECT_FALSE(WindowsFileNameParser::validateRoot("AB", false));
    EXPECT_TRUE(logged(log, wxLOG_Warning, "Invalid non-UNC root, must be drive letter -> 'AB'",
                       std::string(kParser) + "validateRoot"));

    EXPECT_TRUE(WindowsFileNameParser::validateRoot("SRV/DATA", true));
    EXPECT_TRUE(WindowsFileNameParser::validateRoot("SRV/", true));
    EXPECT_FALSE(WindowsFileNameParser::validateRoot("SRV/DA:TA", true));
    EXPECT_FALSE(WindowsFileNameParser::validateRoot("SRV/DATA/X", true));
    EXPECT_FALSE(WindowsFileNameParser::validateRoot("S\\RV/DATA", true));
    EXPECT_TRUE(
        logged(log, wxLOG_Warning, "Invalid UNC root, must be COMPUTER/SHARE -> 'SRV/DA:TA'"));

    // A several-letter root given separately is kept, reported, and the name
    // is still built.
    log.clear();
    WindowsFileName bad("XY", "/a");
    EXPECT_EQ(N(bad.getRootText()), "XY");
    EXPECT_TRUE(bad.isUnc());
    WindowsFileName badDrive("XY:", "/a");
    EXPECT_EQ(N(badDrive.getRootText()), "X");
}

TEST(CreateFileName, RecomposesWithoutResolving) {
    EXPECT_EQ(N(vexa::vfs::createFileName("C:\\dir\\file.txt")->getURI()),
              "file:///C:/dir/file.txt");
    EXPECT_EQ(N(vexa::vfs::createFileName("\\\\SRV\\DATA\\x")->getNativePath()),
              "\\\\SRV\\DATA\\x");
    EXPECT_EQ(N(vexa::vfs::createFileName("/srv//vexa/db/")->getPath()), "/srv/vexa/db/");
    EXPECT_EQ(N(vexa::vfs::createFileName("a/../b")->getPath()), "a/../b");
    const std::string printer = "/var/db/Printers/\xC3\x89preuve \xE6\x9D\xB1\xE4\xBA\xAC";
    const vexa::vfs::FileNamePtr name = vexa::vfs::createFileName(W(printer));
    EXPECT_EQ(N(name->getNativePath()), printer);
    EXPECT_EQ(N(name->getBaseName()), "\xC3\x89preuve \xE6\x9D\xB1\xE4\xBA\xAC");
}
