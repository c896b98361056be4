// Property: every tree that reading brace text can give is written so that it
// reads back into the same tree, and writing that again gives the same text.
// The trees come from random brace texts of every shape the mapping knows,
// except the two the format does not carry (brace_test.cpp holds them):
// block keys beginning with "_", and a root named "_..." by a name and one
// list of lists.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/SettingsText.h"
#include "kernel/FParse.h"

using vexa::repos::NamedNode;
using vexa::test::describeTree;
using vexa::test::loadBrace;
using vexa::test::storeBrace;

namespace {

class BraceTextGenerator {
  public:
    explicit BraceTextGenerator(unsigned seed) : m_random(seed) {}

    // A whole file: a named root, a root named by its first word, or a
    // "_List" root.
    std::string file() {
        switch (below(3)) {
            case 0:
                return fix(leading(name())) + space() + list(1);
            case 1:
                return fix(leading(word())) + space() + items(1, true);
            default:
                return list(1) + space() + items(1, true);
        }
    }

  private:
    // A first word that does not begin with "_": followed by one list it
    // would name a root that the writer writes without its name.
    static std::string leading(std::string word) {
        if (!word.empty() && word[0] == '_') {
            word[0] = 'N';
        }
        return word;
    }

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(int percent) { return below(100) < percent; }
    const std::string& pick(const std::vector<std::string>& pool) {
        return pool[static_cast<std::size_t>(below(static_cast<int>(pool.size())))];
    }

    std::string fix(const std::string& word) {
        std::vector<char> buffer(word.size() * 2 + 3);
        return fp_fix_string(word.c_str(), buffer.data(), 0);
    }

    std::string space() {
        static const char* const kSpaces[] = {" ", "\n", "  ", "\t", "\n  ", " # note\n"};
        return kSpaces[below(6)];
    }

    std::string randomBytes(int maximum) {
        std::string text;
        for (int n = below(maximum + 1); n > 0; --n) {
            text += static_cast<char>(1 + below(255));
        }
        return text;
    }

    std::string word() {
        static const std::vector<std::string> kWords = {
            "720",    "Std",         "two words", "",       "{",           "}",  "\"q\"",
            "a=b",    "#",           "<attrs>",   "back\\", "Caf\xC3\xA9", "_x", "line\nend",
            "_value", "\xE6\x97\xA5"};
        if (chance(5)) {
            return std::string(34, 'w');  // long words make lines wrap
        }
        return chance(85) ? pick(kWords) : randomBytes(12);
    }

    // Names of named pairs: anything but "_entry..." and "_list...", which
    // the writer takes for the items of a mixed list when all siblings are.
    std::string name() {
        static const std::vector<std::string> kNames = {
            "Port", "port", "PORT", "Res",   "Caf\xC3\xA9",       "a b",          "",
            "x=y",  "{",    "Ink",  "a/b*c", "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC", "_x",
            "_"};
        std::string text = pick(kNames);
        if (chance(10)) {
            text = randomBytes(8);
            if (!text.empty() && text[0] == '_') {
                text[0] = 'N';
            }
        }
        return text;
    }

    std::string attributeBlock() {
        if (!chance(30)) {
            return std::string();
        }
        // Any key that does not begin with "_".
        static const std::vector<std::string> kKeys = {
            "type", "Type", "alias", "a b", "", "k=v", "Caf\xC3\xA9", "xmlns", "x_", "val1"};
        std::string block = "<attrs>\n";
        for (int n = 1 + below(3); n > 0; --n) {
            std::string key = pick(kKeys);
            if (chance(10)) {
                key = randomBytes(6);
                if (!key.empty() && key[0] == '_') {
                    key[0] = 'K';  // blocks carry no key beginning with "_"
                }
            }
            block += fix(key) + " = " + fix(word()) + "\n";
        }
        return block + "</attrs>" + space();
    }

    // A braced list with its items, maybe preceded by an attribute block.
    std::string list(int depth) {
        return attributeBlock() + "{" + space() + items(depth, false) + "}";
    }

    // The items of a list in one of the forms the mapping tells apart.
    std::string items(int depth, bool top) {
        std::string text;
        const int form = depth >= 4 ? 1 : below(top ? 3 : 4);
        if (form == 0) {  // named pairs, names sometimes repeated
            const int pairs = 1 + below(4);
            std::string previous;
            for (int i = 0; i < pairs; ++i) {
                const std::string n = (i > 0 && chance(25)) ? previous : name();
                text += fix(n) + space() + list(depth + 1) + space();
                previous = n;
            }
        } else if (form == 1) {  // words only: none, one, or many to wrap
            const int count = chance(30) ? below(2) : below(25);
            for (int i = 0; i < count; ++i) {
                text += fix(word()) + space();
            }
        } else if (form == 2 || form == 3) {  // mixed, often more than ten
            const int count = 1 + below(chance(40) ? 16 : 5);
            const int listAt = below(count);
            for (int i = 0; i < count; ++i) {
                if (i == listAt || chance(30)) {
                    text += list(depth + 1) + space();
                } else {
                    text += fix(word()) + space();
                }
            }
        }
        return text;
    }

    std::mt19937 m_random;
};

TEST(BraceRoundTrip, EveryReadTreeIsWrittenSoThatItReadsBack) {
    BraceTextGenerator generator(20240611);
    int read = 0;
    // How often the shapes worth covering came up.
    int underscoreRoots = 0, listRoots = 0, longMixed = 0, wrapped = 0, blocks = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::string text = generator.file();
        const NamedNode::Ptr tree = loadBrace(text);
        if (!tree) {
            continue;  // a file of no items (an empty words-only top level)
        }
        ++read;
        const std::string written = storeBrace(tree);
        const NamedNode::Ptr back = loadBrace(written);
        ASSERT_TRUE(back) << "source:\n" << text << "\nwritten:\n" << written;
        ASSERT_EQ(describeTree(back), describeTree(tree)) << "source:\n"
                                                          << text << "\nwritten:\n"
                                                          << written;
        ASSERT_EQ(storeBrace(back), written);

        const std::string shape = describeTree(tree);
        const std::string rootName = vexa::kernel::toMB(tree->getName());
        underscoreRoots += rootName != "_List" && rootName[0] == '_';
        listRoots += rootName == "_List";
        longMixed += shape.find("[_entry11]") != std::string::npos;
        wrapped += shape.find(" _val12=") != std::string::npos;
        blocks += written.find("<attrs>") != std::string::npos;
    }
    EXPECT_GT(read, 1600);
    EXPECT_GT(underscoreRoots, 60);
    EXPECT_GT(listRoots, 60);
    EXPECT_GT(longMixed, 30);
    EXPECT_GT(wrapped, 60);
    EXPECT_GT(blocks, 300);
}

// Bytes that are no UTF-8 (a name written in another code page, an encoded
// surrogate, a value beyond U+10FFFF) are kept byte for byte: text already
// in the writer's layout is stored back exactly as it was loaded.
TEST(BraceRoundTrip, BytesThatAreNoUtf8ComeBackUnchanged) {
    const char* const kSequences[] = {"\xED\xBB\xBF", "\xF4\x90\x80\x80", "Caf\xE9",
                                      "\xC0\xAF",     "\xE2\x82",         "\x80\xFF"};
    for (const std::string bytes : kSequences) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        const std::string text = "N" + bytes + "\n<attrs>\nk" + bytes + "=v" + bytes +
                                 "\n</attrs>\n {\n P" + bytes + " { " + bytes + " }\n Q { \"" +
                                 bytes + " x\" }\n W { a" + bytes + " " + bytes + " }\n}\n";
        const NamedNode::Ptr tree = loadBrace(text);
        ASSERT_TRUE(tree);
        EXPECT_EQ(vexa::kernel::toMB(tree->getName()), "N" + bytes);
        ASSERT_EQ(tree->getChildCount(), 3u);
        EXPECT_EQ(vexa::kernel::toMB(tree->getChildren().front()->getName()), "P" + bytes);
        EXPECT_EQ(storeBrace(tree), text);
    }
}

}  // namespace
