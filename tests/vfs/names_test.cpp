// Derived texts and relations of file names.
#include <gtest/gtest.h>

#include "VfsTestSupport.h"
#include "vfs/src/impl/local/WindowsFileName.h"

using vexa::test::N;
using vexa::vfs::FileNamePtr;
using vexa::vfs::provider::local::WindowsFileName;

namespace {

FileNamePtr name(const char* root, const char* path) {
    return FileNamePtr(new WindowsFileName(root, path));
}

}  // namespace

TEST(FileNameParent, ClimbsToTheRootFolderAndKeepsTheRoot) {
    const FileNamePtr trailing = name("C", "/a/b/");
    ASSERT_TRUE(trailing->getParent());
    EXPECT_EQ(N(trailing->getParent()->getPath()), "/a");
    const FileNamePtr a = name("C", "/a");
    ASSERT_TRUE(a->getParent());
    EXPECT_EQ(N(a->getParent()->getPath()), "/");
    EXPECT_EQ(N(a->getParent()->getURI()), "file:///C:/");
    EXPECT_FALSE(name("C", "/")->getParent());
    EXPECT_FALSE(name("C", "/")->hasParent());
    EXPECT_FALSE(name("", "relative")->getParent());

    const FileNamePtr deep = name("SRV/DATA", "/x/y/z.txt");
    const FileNamePtr root = deep->getRoot();
    EXPECT_EQ(N(root->getPath()), "/");
    EXPECT_EQ(N(root->getNativePath()), "\\\\SRV\\DATA\\");
    EXPECT_EQ(N(name("C", "/")->getRoot()->getURI()), "file:///C:/");
}

TEST(FileNameParts, BaseNameAndExtension) {
    EXPECT_EQ(N(name("C", "/a/b/")->getBaseName()), "b");
    EXPECT_EQ(N(name("C", "/a/b")->getBaseName()), "b");
    EXPECT_EQ(N(name("C", "/")->getBaseName()), "");
    EXPECT_EQ(N(name("C", "/x/archive.tar.gz")->getExtension()), "gz");
    EXPECT_EQ(N(name("C", "/x/.Settings")->getExtension()), "");
    EXPECT_EQ(N(name("C", "/x/.lock")->getExtension()), "");
    EXPECT_EQ(N(name("C", "/x/.Settings.xml")->getExtension()), "xml");
    EXPECT_EQ(N(name("C", "/x.d/noext")->getExtension()), "");
    // Asked again (an empty cache is computed again): the same answers.
    const FileNamePtr plain = name("C", "/x.d/noext");
    EXPECT_EQ(N(plain->getExtension()), N(plain->getExtension()));
    EXPECT_EQ(N(name("C", "/a/b")->toString()), N(name("C", "/a/b")->getURI()));
}

TEST(FileNameRelations, AncestorParentAndDescendant) {
    const FileNamePtr a = name("C", "/a");
    const FileNamePtr ab = name("C", "/a/b");
    const FileNamePtr abc = name("C", "/a/b/c");
    const FileNamePtr sibling = name("C", "/ab");
    const FileNamePtr top = name("C", "/");

    EXPECT_TRUE(a->isAncestorOf(*ab));
    EXPECT_TRUE(a->isAncestorOf(*abc));
    EXPECT_FALSE(a->isAncestorOf(*sibling));  // a prefix, but not a folder of it
    EXPECT_FALSE(a->isAncestorOf(*a));
    EXPECT_FALSE(ab->isAncestorOf(*a));
    EXPECT_TRUE(top->isAncestorOf(*abc));

    EXPECT_TRUE(a->isParentOf(*ab));
    EXPECT_FALSE(a->isParentOf(*abc));
    EXPECT_TRUE(top->isParentOf(*a));
    EXPECT_FALSE(top->isParentOf(*ab));

    EXPECT_TRUE(abc->isDescendantOf(*a));
    EXPECT_TRUE(ab->isDescendantOf(*top));
    EXPECT_FALSE(sibling->isDescendantOf(*a));
    EXPECT_FALSE(a->isDescendantOf(*a));
    EXPECT_FALSE(a->isDescendantOf(*ab));
}
