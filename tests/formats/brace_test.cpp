#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <string>

#include "common/SettingsText.h"
#include "common/TestSupport.h"
#include "kernel/Text.h"
#include "repos/FParseSettingsStrategy.h"
#include "repos/Settings.h"
#include "types/TreeHelpers.h"

using vexa::kernel::fromMB;
using vexa::kernel::toMB;
using vexa::repos::FParseSettingsStrategy;
using vexa::repos::NamedNode;
using vexa::test::addChild;
using vexa::test::attr;
using vexa::test::describeTree;
using vexa::test::loadBrace;
using vexa::test::storeBrace;

namespace {

// Loads `bytes` from a stream already moved past its first `skip` bytes.
struct LoadResult {
    NamedNode::Ptr root;
    wxFileOffset position;
};
LoadResult loadFrom(const std::string& bytes, std::size_t skip = 0) {
    wxMemoryInputStream in(bytes.data(), bytes.size());
    in.SeekI(static_cast<wxFileOffset>(skip));
    NamedNode::Ptr root = FParseSettingsStrategy().load(in);
    return LoadResult{root, in.TellI()};
}

TEST(BraceLoad, RefusesXmlEmptyAndMalformedStreamsAndRewinds) {
    const std::string refused[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"Mode\"/>\n",
        "",
        "  \n# only a comment\n",
        "Mode { Pattern { Std }",
        "Mode } {",
        "a \"unterminated",
        std::string("\x7F"
                    "ELF\x02\x01\x01\0\0\0",
                    10),
        "<attrs>\nk=v\n</attrs>\n",
    };
    for (const std::string& bytes : refused) {
        const LoadResult result = loadFrom(bytes);
        EXPECT_FALSE(result.root) << bytes;
        EXPECT_EQ(result.position, 0) << bytes;
    }
    // Reading starts where the stream stands; afterwards it is rewound.
    const LoadResult result = loadFrom("garbage } Mode { x }", 10);
    ASSERT_TRUE(result.root);
    EXPECT_EQ(toMB(result.root->getName()), "Mode");
    EXPECT_EQ(result.position, 0);
}

// A named root takes its list's attributes; a words-only file gives an
// underscore root with a word list; named pairs become "_value" only when
// their name is unique (letter case aside) and their list one word, and
// then drop the list's attributes; pairs of one name give two children.
TEST(BraceLoad, ListsMapToTreesByTheirShape) {
    const struct {
        const char* text;
        const char* tree;
    } cases[] = {
        {"Mode\n<attrs>\nVersion=2\n</attrs>\n {\n Pattern { Std }\n}\n",
         "[Mode] Version=<2>{[Pattern] _value=<Std>{}}"},
        {"first second", "[_first] _numval=<2> _val1=<first> _val2=<second>{}"},
        {"only", "[_only] _value=<only>{}"},
        {"{ a } b", "[_List]{[_list1] _value=<a>{}[_entry2] _value=<b>{}}"},
        {"Root { Ink { C } Ink { M } }", "[Root]{[Ink] _value=<C>{}[Ink] _value=<M>{}}"},
        {"Root {\n"
         " Port <attrs> type=usb </attrs> { LPT1 }\n"
         " Res <attrs> k=1 </attrs> { 720 }\n"
         " RES { 360 }\n"
         " Size { Size { 1 } }\n"
         " Port2 { }\n"
         " Mixed { a { b } c }\n"
         "}",
         "[Root]{"
         "[Port] _value=<LPT1>{}"
         "[Res] _value=<720> k=<1>{}"
         "[RES] _value=<360>{}"
         "[Size]{[Size] _value=<1>{}}"
         "[Port2] _numval=<0>{}"
         "[Mixed]{[_entry1] _value=<a>{}[_list2] _value=<b>{}[_entry3] _value=<c>{}}"
         "}"},
    };
    for (const auto& c : cases) {
        const NamedNode::Ptr root = loadBrace(c.text);
        ASSERT_TRUE(root) << c.text;
        EXPECT_EQ(describeTree(root), c.tree) << c.text;
    }
}

TEST(BraceLoad, NonAsciiTextSurvivesUnderTheCLocale) {
    const NamedNode::Ptr root = loadBrace(
        "Caf\xC3\xA9 { \"Gr\xC3\xB6\xC3\x9F"
        "e\" { \xE6\x97\xA5\xE6\x9C\xAC } }");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->getName(), fromMB("Caf\xC3\xA9"));
    ASSERT_EQ(root->getChildCount(), 1u);
    const NamedNode::Ptr size = root->getChildren().front();
    EXPECT_EQ(size->getName().length(), 5u);
    EXPECT_EQ(attr(size, "_value"), "\xE6\x97\xA5\xE6\x9C\xAC");
}

TEST(BraceStore, WritesNamedLeavesListsAndAttributeBlocks) {
    // Blocks hold only attributes whose names do not begin with "_", the
    // reserved ones or any other.
    NamedNode::Ptr mode = NamedNode::Create("Mode");
    mode->setAttribute("Version", "2");
    mode->setAttribute("_value", "not written");
    mode->setAttribute("_note", "not written");
    NamedNode::Ptr pattern = addChild(mode, "Pattern");
    pattern->setAttribute("_value", "Std");
    pattern->setAttribute("_val", "not written");
    NamedNode::Ptr res = addChild(mode, "Res");
    res->setAttribute("_numval", "2");
    res->setAttribute("_val1", "720");
    res->setAttribute("_val2", "360");
    res->setAttribute("_val2x", "not written");
    NamedNode::Ptr name = addChild(mode, "Name");
    name->setAttribute("_value", "two words");
    name->setAttribute("a b", "x=\"y\"");
    name->setAttribute("_", "not written");
    EXPECT_EQ(storeBrace(mode),
              "Mode\n<attrs>\nVersion=2\n</attrs>\n {\n"
              " Pattern { Std }\n"
              " Res { 720 360 }\n"
              "\n<attrs>\n\"a b\"=\"x=\\\"y\\\"\"\n</attrs>\n Name { \"two words\" }\n"
              "}\n");
    EXPECT_EQ(storeBrace(NamedNode::Ptr()), "");
}

TEST(BraceStore, ElevenEntriesShareTwoLines) {
    NamedNode::Ptr root = NamedNode::Create("R");
    NamedNode::Ptr items = addChild(root, "Items");
    for (int i = 1; i <= 11; ++i) {
        addChild(items, "_entry" + std::to_string(i))
            ->setAttribute("_value", ("e" + std::to_string(i)).c_str());
    }
    EXPECT_EQ(storeBrace(root),
              "R {\n"
              " Items {\n"
              "  e1 e2 e3 e4 e5 e6 e7 e8 e9 e10\n"
              "  e11 }\n"
              "}\n");
}

TEST(BraceStore, LongWordListsWrapAndContinueAtTheIndent) {
    NamedNode::Ptr root = NamedNode::Create("R");
    NamedNode::Ptr sizes = addChild(root, "Sizes");
    NamedNode::Ptr mixed = addChild(root, "Mixed");
    addChild(mixed, "_entry1")->setAttribute("_value", "w");
    NamedNode::Ptr list = addChild(mixed, "_list2");
    for (NamedNode::Ptr node : {sizes, list}) {
        node->setAttribute("_numval", "12");
        for (int i = 1; i <= 12; ++i) {
            char word[16];
            std::snprintf(word, sizeof(word), "word%02d", i);
            node->setAttribute(("_val" + std::to_string(i)).c_str(), word);
        }
    }
    EXPECT_EQ(storeBrace(root),
              "R {\n"
              " Sizes { word01 word02 word03 word04 word05 word06 word07 word08\n"
              "  word09 word10 word11 word12 }\n"
              " Mixed {\n"
              "  w\n"
              "  { word01 word02 word03 word04 word05 word06 word07 word08 word09\n"
              "   word10 word11 word12 }\n"
              " }\n"
              "}\n");
}

TEST(BraceStore, UnderscoreRootsWithChildrenWriteNeitherAnOpeningLineNorAClosingBrace) {
    // The items open the file and name the root again when it is read; its
    // own name and attributes are not written.
    struct Case {
        const char* source;
        const char* attribute;  // set on the root before writing, or null
        const char* written;
        const char* readBack;
    };
    const Case cases[] = {
        {"W { a } V { b }", nullptr, "W { a }\nV { b }\n",
         "[_W]{[W] _value=<a>{}[V] _value=<b>{}}"},
        // The last line, ended by no brace, is still ended.
        {"x { a } y", nullptr, "x\n{ a }\ny\n",
         "[_x]{[_entry1] _value=<x>{}[_list2] _value=<a>{}[_entry3] _value=<y>{}}"},
        {"{ a } { b c }", nullptr, "{ a }\n{ b c }\n",
         "[_List]{[_list1] _value=<a>{}[_list2] _numval=<2> _val1=<b> _val2=<c>{}}"},
        {"W { a } V { b }", "k", "W { a }\nV { b }\n", "[_W]{[W] _value=<a>{}[V] _value=<b>{}}"},
        // A name and one list: the root was named "_foo" by the file.
        {"_foo <attrs> k=v </attrs> { a { b } }", nullptr, "a { b }\n", "[a] _value=<b>{}"},
        // A root without children is a leaf and keeps its line.
        {"_foo { x y }", nullptr, "_foo { x y }\n", "[_foo] _numval=<2> _val1=<x> _val2=<y>{}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const NamedNode::Ptr root = loadBrace(c.source);
        ASSERT_TRUE(root);
        if (c.attribute != nullptr) {
            root->setAttribute(c.attribute, "v");
        }
        const std::string written = storeBrace(root);
        EXPECT_EQ(written, c.written);
        const NamedNode::Ptr back = loadBrace(written);
        ASSERT_TRUE(back);
        EXPECT_EQ(describeTree(back), c.readBack);
    }
}

TEST(BraceLoad, DeepNestingNeitherRecursesNorCrashes) {
    // Written without indentation, which grows with the square of the depth.
    const int depth = 100000;
    std::string text;
    for (int i = 0; i < depth; ++i) {
        text += "n { leaf { x } ";
    }
    text += std::string(depth, '}');
    const NamedNode::Ptr root = loadBrace(text);
    ASSERT_TRUE(root);
    int levels = 0;
    for (NamedNode::Ptr at = root; at->findChild(fromMB("n")); at = at->findChild(fromMB("n"))) {
        ASSERT_EQ(at->getChildCount(), 2u);
        ++levels;
    }
    EXPECT_EQ(levels, depth - 1);
}

TEST(BraceStore, DeepTreesReadBack) {
    const int depth = 2000;
    NamedNode::Ptr root = NamedNode::Create("Root");
    NamedNode::Ptr at = root;
    for (int i = 0; i < depth; ++i) {
        at = addChild(at, "n");
        addChild(at, "leaf")->setAttribute("_value", "x");
    }
    const std::string written = storeBrace(root);
    const NamedNode::Ptr back = loadBrace(written);
    ASSERT_TRUE(back);
    EXPECT_EQ(describeTree(back), describeTree(root));
}

TEST(BraceSettings, NewSettingsWithTheBraceStrategyStoresBraceText) {
    boost::shared_ptr<vexa::repos::Settings> settings = vexa::repos::SettingsManager::NewSettings(
        fromMB("Mode"),
        boost::shared_ptr<vexa::repos::ISettingsStrategy>(new FParseSettingsStrategy));
    addChild(settings->getRoot(), "Pattern")->setAttribute("_value", "Std");
    wxMemoryOutputStream out;
    settings->storeTo(out);
    EXPECT_EQ(vexa::test::bytesOf(out), "Mode {\n Pattern { Std }\n}\n");
}

}  // namespace
