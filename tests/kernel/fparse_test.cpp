#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "kernel/FParse.h"

namespace {

// A list as text: {'word' <key=value,...>{...}}; words quoted with '' so
// empty words and blanks show.
std::string describe(const FP_LIST* list) {
    std::string text;
    if (list->attrs != nullptr) {
        text += "<";
        for (const FP_ATTR* a = list->attrs; a != nullptr; a = a->next) {
            text += std::string(a->key) + "=" + a->value + (a->next ? "," : "");
        }
        text += ">";
    }
    text += "{";
    for (int32_t i = 0; i < list->count; ++i) {
        if (i > 0) {
            text += " ";
        }
        const FP_ITEM& item = list->items[i];
        text +=
            item.kind == FP_KIND_WORD ? "'" + std::string(item.word) + "'" : describe(item.list);
    }
    return text + "}";
}

// Parses `input`; the structure as text, or "error: " and the message.
struct Parsed {
    std::string structure;
    std::string error;
    bool ok() const { return error.empty(); }
};

Parsed parse(const std::string& input, int maxDepth = -1) {
    wxMemoryInputStream in(input.data(), input.size());
    FP_PARSER* parser = fp_attach(wxInputStreamToFilemux(in, false), 0);
    Parsed result;
    if (parser == nullptr) {
        result.error = "no parser";
        return result;
    }
    FP_LIST* list = fp_parse_file(parser, maxDepth);
    if (list != nullptr) {
        result.structure = describe(list);
        EXPECT_STREQ(fp_error(parser), "");
    } else {
        result.error = fp_error(parser);
        EXPECT_FALSE(result.error.empty());
    }
    fp_free_list(list);
    fp_close(parser);
    return result;
}

std::string peek(const std::string& input) {
    wxMemoryInputStream in(input.data(), input.size());
    FP_PARSER* parser = fp_attach(wxInputStreamToFilemux(in, false), 0);
    std::string token = fp_peek_token_raw(parser);
    fp_close(parser);
    return token;
}

std::string fix(const std::string& word) {
    std::vector<char> buffer(word.size() * 2 + 3);  // exactly the promised size
    return fp_fix_string(word.c_str(), buffer.data(), 0);
}

// Words, lists and quoted words; comments and a byte order mark are
// skipped; attribute blocks go to the next list opened.
TEST(FParse, ReadsWordsListsCommentsAndAttributeBlocks) {
    const struct {
        const char* input;
        const char* structure;
    } cases[] = {
        {"Mode { Pattern { Std } Res { 720 360 } }",
         "{'Mode' {'Pattern' {'Std'} 'Res' {'720' '360'}}}"},
        {"\"two words\" \"\" \"a\\\"b\\\\c\\nd\\re\\tf\\qg\"",
         "{'two words' '' 'a\"b\\c\nd\re\tf\\qg'}"},
        {"a{b}c\"d\"e", "{'a' {'b'} 'c' 'd' 'e'}"},
        {"back\\slash caf\xC3\xA9 x=y", "{'back\\slash' 'caf\xC3\xA9' 'x=y'}"},
        {"\"line\nbreak\"", "{'line\nbreak'}"},
        {"", "{}"},
        {" \n\t ", "{}"},
        {"{}{{}}", "{{} {{}}}"},
        {"\xEF\xBB\xBF# heading\na # trailing { not a list\nb#c", "{'a' 'b#c'}"},
        {"\"#quoted\" x", "{'#quoted' 'x'}"},
        {"<attrs>\nk=v\nempty=\n sp = \"a b\" \n</attrs>\nName { x }",
         "{'Name' <k=v,empty=,sp=a b>{'x'}}"},
        // Words may stand between the block and its list; blocks add up.
        {"<attrs> a=1 </attrs> <attrs>b=2</attrs> w1 w2 { }", "{'w1' 'w2' <a=1,b=2>{}}"},
        {"Top\n<attrs>\nk=\"x=y\"\n\"\"=\"\"\n</attrs>\n {\n}", "{'Top' <k=x=y,=>{}}"},
        {"<attrs>\n# a comment\nk=v # after\n</attrs>{}", "{<k=v>{}}"},
        {"<attrs>k=a=b</attrs>{}", "{<k=a=b>{}}"},
        // A quoted "<attrs>" is a word like any other.
        {"\"<attrs>\" \"</attrs>\"", "{'<attrs>' '</attrs>'}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(c.input).structure, c.structure) << c.input;
    }
}

TEST(FParse, SyntaxErrorsFailWithTheirLine) {
    struct Case {
        const char* input;
        const char* error;
    } cases[] = {
        {"a\n}", "line 2: unmatched '}'"},
        {"a {\n b {\n c }", "line 1: '{' without '}'"},
        {"a {\n b {\n c", "line 2: '{' without '}'"},
        {"x \"open\n\nend", "line 1: unterminated quoted word"},
        {"<attrs>\nk=v\n", "line 1: attribute block without </attrs>"},
        {"<attrs>k=v</attrs> word", "line 1: attribute block not followed by a list"},
        {"{ <attrs>k=v</attrs> }", "line 1: attribute block not followed by a list"},
        {"a\n</attrs>", "line 2: </attrs> without <attrs>"},
        {"<attrs>\nk v\n</attrs>{}", "line 2: '=' expected after attribute key"},
        {"<attrs>=v</attrs>{}", "line 1: attribute key expected"},
        {"<attrs>k={</attrs>{}", "line 1: attribute value expected"},
        {"<attrs><attrs></attrs>{}", "line 1: attribute key expected"},
        {"a\x01"
         "b",
         "line 1: control character outside a quoted word"},
        {"a \x7F", "line 1: control character outside a quoted word"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.input).error, c.error) << c.input;
    }
    EXPECT_EQ(parse(std::string("\"a\0b\"", 5)).error, "line 1: NUL byte in a quoted word");
    EXPECT_EQ(parse(std::string("a\0b", 3)).error,
              "line 1: control character outside a quoted word");
}

TEST(FParse, PeekGivesTheFirstRawTokenWithoutConsumingIt) {
    EXPECT_EQ(peek("<?xml version=\"1.0\"?><node/>"), "<?xml");
    EXPECT_EQ(peek("\xEF\xBB\xBF  # c\n<?xml version=\"1.0\"?>"), "<?xml");
    EXPECT_EQ(peek("  \"quo\\\"ted\" rest"), "\"quo\\\"ted\"");
    EXPECT_EQ(peek("{ a }"), "{");
    EXPECT_EQ(peek("Printer{"), "Printer");
    EXPECT_EQ(peek(""), "");
    EXPECT_EQ(peek("# only a comment"), "");
    EXPECT_EQ(fp_peek_token_raw(nullptr), nullptr);

    const std::string input = "first { second }";
    wxMemoryInputStream in(input.data(), input.size());
    FP_PARSER* parser = fp_attach(wxInputStreamToFilemux(in, false), 0);
    EXPECT_STREQ(fp_peek_token_raw(parser), "first");
    FP_LIST* list = fp_parse_file(parser, -1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(describe(list), "{'first' {'second'}}");
    fp_free_list(list);
    // Parsing again starts from the beginning too.
    list = fp_parse_file(parser, -1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 2);
    fp_free_list(list);
    fp_close(parser);
}

TEST(FParse, FixedWordsReadBackAsThemselves) {
    // Every single byte, random byte strings, and the words that need care
    // beyond their bytes: empty, blanks, block markers, '=' and comments.
    std::vector<std::string> words = {
        "",      "two words", "<attrs>", "v</attrs>",   "a=b",
        "#hash", "in#side",   "<?xml",   "line\nbreak", "\xEF\xBB\xBF!bom"};
    for (int b = 1; b < 256; ++b) {
        words.push_back(std::string(1, static_cast<char>(b)));
    }
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 24);
    for (int i = 0; i < 500; ++i) {
        std::string word;
        for (int n = length(random); n > 0; --n) {
            word += static_cast<char>(byte(random));
        }
        words.push_back(word);
    }
    for (const std::string& word : words) {
        const std::string written = fix(word);
        // As a list item, and as the key and the value of an attribute.
        const Parsed item = parse(written + " " + written);
        ASSERT_TRUE(item.ok()) << item.error << " for [" << word << "]";
        EXPECT_EQ(item.structure, "{'" + word + "' '" + word + "'}");
        const Parsed attribute = parse("<attrs>\n" + written + "=" + written + "\n</attrs>\n{}");
        ASSERT_TRUE(attribute.ok()) << attribute.error << " for [" << word << "]";
        EXPECT_EQ(attribute.structure, "{<" + word + "=" + word + ">{}}");
    }
    EXPECT_EQ(fix("plain"), "plain");  // bare when it can be
    EXPECT_EQ(fix(""), "\"\"");
    char buffer[3];
    EXPECT_STREQ(fp_fix_string(nullptr, buffer, 0), "\"\"");
    EXPECT_EQ(fp_fix_string("x", nullptr, 0), nullptr);
}

// Deep lists that close are read without recursion in BraceLoad's test.
TEST(FParse, DeepNestingFailsOnlyUnclosedOrBeyondTheLimit) {
    EXPECT_EQ(parse(std::string(200000, '{')).error, "line 1: '{' without '}'");
    EXPECT_EQ(parse("{{{}}}", 2).error, "line 1: lists nested too deeply");
    EXPECT_TRUE(parse("{{{}}}", 3).ok());
    EXPECT_EQ(parse("{}", 0).error, "line 1: lists nested too deeply");
}

TEST(FParse, ArbitraryInputNeverCrashes) {
    // Fragments that exercise every path of the scanner, glued at random,
    // and every prefix of a valid file.
    const char* const kPieces[] = {
        "{", "}",    " ",         "\n",   "\"",       "\\",           "<attrs>", "</attrs>", "=",
        "#", "word", "\"q\\\"\"", "\x01", "\xC3\xA9", "\xEF\xBB\xBF", "k=v\n",   "\t"};
    std::vector<std::string> pieces(std::begin(kPieces), std::end(kPieces));
    pieces.insert(pieces.begin() + 12, std::string(1, '\0'));
    std::mt19937 random(99);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> count(0, 40);
    int parsed = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string input;
        for (int n = count(random); n > 0; --n) {
            input += pieces[pick(random)];
        }
        parsed += parse(input).ok() ? 1 : 0;
        peek(input);
    }
    EXPECT_GT(parsed, 0);  // the generator does reach valid input
    const std::string valid =
        "Root\n<attrs>\nk=\"v w\"\n</attrs>\n {\n a { 1 2 }\n { \"x\\ny\" }\n}\n";
    ASSERT_TRUE(parse(valid).ok());
    for (std::size_t cut = 0; cut < valid.size(); ++cut) {
        parse(valid.substr(0, cut));
    }
}

// A stream that fails after a few bytes.
class BrokenStream : public wxInputStream {
  protected:
    size_t OnSysRead(void* buffer, size_t size) override {
        if (m_sent) {
            m_lasterror = wxSTREAM_READ_ERROR;
            return 0;
        }
        m_sent = true;
        const size_t n = size < 3 ? size : 3;
        std::memcpy(buffer, "a {", n);
        return n;
    }

  private:
    bool m_sent = false;
};

TEST(FParse, ReadErrorsAndOwnedStreams) {
    BrokenStream broken;
    FP_PARSER* parser = fp_attach(wxInputStreamToFilemux(broken, false), 0);
    ASSERT_NE(parser, nullptr);
    EXPECT_STREQ(fp_peek_token_raw(parser), "");
    EXPECT_EQ(fp_parse_file(parser, -1), nullptr);
    EXPECT_STREQ(fp_error(parser), "the stream could not be read");
    fp_close(parser);

    // An owned stream goes with the parser (the leak checker sees it).
    static const char kText[] = "owned { yes }";
    wxInputStream* owned = new wxMemoryInputStream(kText, sizeof(kText) - 1);
    parser = fp_attach(wxInputStreamToFilemux(*owned, true), 0);
    FP_LIST* list = fp_parse_file(parser, -1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(describe(list), "{'owned' {'yes'}}");
    fp_free_list(list);
    fp_close(parser);

    EXPECT_EQ(fp_attach(nullptr, 0), nullptr);
    EXPECT_EQ(fp_parse_file(nullptr, -1), nullptr);
    fp_close(nullptr);
    fp_free_list(nullptr);
}

}  // namespace
