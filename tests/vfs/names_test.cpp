// Derived texts and relations of file names.
#include <gtest/gtest.h>

#include "VfsTestSupport.h"
#include "vfs/src/impl/local/WindowsFileName.h"

using vexa::test::toUtf8;
using vexa::test::toWx;
using vexa::vfs::FileNamePtr;
using vexa::vfs::provider::local::WindowsFileName;

namespace {

FileNamePtr name(const char* root, const char* path) {
    return FileNamePtr(new WindowsFileName(toWx(root), toWx(path)));
}

TEST(FileNameParts, ParentBaseNameExtensionAndRoot) {
    const struct {
        const char* root;
        const char* path;
        const char* parent;  // its path; null when there is none
        const char* baseName;
        const char* extension;
        const char* rootNative;
    } cases[] = {
        {"C", "/a/b/", "/a", "b", "", "C:/"},
        {"C", "/a/b", "/a", "b", "", "C:/"},
        {"C", "/a", "/", "a", "", "C:/"},
        {"C", "/", nullptr, "", "", "C:/"},
        {"", "relative", nullptr, "relative", "", "/"},
        {"C", "/x/archive.tar.gz", "/x", "archive.tar.gz", "gz", "C:/"},
        {"C", "/x/.Settings", "/x", ".Settings", "", "C:/"},
        {"C", "/x/.lock", "/x", ".lock", "", "C:/"},
        {"C", "/x/.Settings.xml", "/x", ".Settings.xml", "xml", "C:/"},
        {"C", "/x.d/noext", "/x.d", "noext", "", "C:/"},
        {"SRV/DATA", "/x/y/z.txt", "/x/y", "z.txt", "txt", "\\\\SRV\\DATA\\"},
        // Names are kept as the bytes the system sees: characters and a byte
        // that is no character split and come back whole.
        {"C", "/Caf\xC3\xA9/\xE5\x8D\xB0.icc", "/Caf\xC3\xA9", "\xE5\x8D\xB0.icc", "icc", "C:/"},
        {"", "/x/\xFF\xC3.b\xC3\xA9", "/x", "\xFF\xC3.b\xC3\xA9", "b\xC3\xA9", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.root) + " " + c.path);
        const FileNamePtr n = name(c.root, c.path);
        const FileNamePtr parent = n->getParent();
        EXPECT_EQ(parent ? toUtf8(parent->getPath()) : "<none>", c.parent ? c.parent : "<none>");
        EXPECT_EQ(toUtf8(n->getPath()), c.path);
        EXPECT_EQ(toUtf8(n->getBaseName()), c.baseName);
        EXPECT_EQ(toUtf8(n->getExtension()), c.extension);
        EXPECT_EQ(toUtf8(n->toString()), toUtf8(n->getURI()));
        if (*c.root != '\0') {
            EXPECT_EQ(n->hasParent(), c.parent != nullptr);
            EXPECT_EQ(toUtf8(n->getRoot()->getPath()), "/");
            EXPECT_EQ(toUtf8(n->getRoot()->getNativePath()), c.rootNative);
        }
    }
    EXPECT_EQ(toUtf8(name("C", "/a")->getParent()->getURI()), "file:///C:/");
}

TEST(FileNameRelations, AncestorParentAndDescendant) {
    const struct {
        const char* a;
        const char* b;
        bool ancestor;  // a of b; "descendant" is b of a
        bool parent;
    } cases[] = {
        {"/a", "/a/b", true, true},   {"/a", "/a/b/c", true, false},
        {"/a", "/ab", false, false},  // a prefix, but not a folder of it
        {"/a", "/a", false, false},   {"/a/b", "/a", false, false},
        {"/", "/a/b/c", true, false}, {"/", "/a", true, true},
        {"/", "/a/b", true, false},   {"/\xC3\xA9", "/\xC3\xA9/\xFF", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " " + c.b);
        const FileNamePtr a = name("C", c.a);
        const FileNamePtr b = name("C", c.b);
        EXPECT_EQ(a->isAncestorOf(*b), c.ancestor);
        EXPECT_EQ(a->isParentOf(*b), c.parent);
        EXPECT_EQ(b->isDescendantOf(*a), c.ancestor);
    }
}

}  // namespace
