#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/Text.h"
#include "kernel/VexKernel.h"

namespace {

using vexa::kernel::copyTextCut;
using vexa::kernel::fromMB;
using vexa::kernel::toMB;
using vexa::kernel::utf8CutLength;

TEST(Ostrgetc, DecodesOneCharacterOfEachLength) {
    struct Case {
        const char* text;
        uint32_t code;
        int length;
    } cases[] = {
        {"A", 0x41, 1},
        {"\xC3\xA9t\xC3\xA9", 0xE9, 2},
        {"\xE2\x82\xAC", 0x20AC, 3},
        {"\xF0\x9F\x98\x80!", 0x1F600, 4},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
    };
    for (const Case& c : cases) {
        int length = -1;
        EXPECT_EQ(Ostrgetc(c.text, &length), c.code) << c.text;
        EXPECT_EQ(length, c.length) << c.text;
    }
}

TEST(Ostrgetc, InvalidBytesAreCharactersOfTheirOwn) {
    const char* invalid[] = {
        "\x80",              // stray continuation
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xE2\x82",          // cut short by the terminator
        "\xC3"
        "A",  // lead byte without continuation
        "\xFF",
    };
    for (const char* text : invalid) {
        int length = -1;
        EXPECT_EQ(Ostrgetc(text, &length), static_cast<unsigned char>(text[0]));
        EXPECT_EQ(length, 1);
    }
    int length = -1;
    EXPECT_EQ(Ostrgetc("", &length), 0u);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(Ostrgetc(nullptr, &length), 0u);
    EXPECT_EQ(Ostrgetc("\xC3\xA9", nullptr), 0xE9u);
}

TEST(CodePageConversion, CopiesAndCutsAtCharacterBoundaries) {
    const char* name = "Caf\xC3\xA9";  // 5 bytes
    EXPECT_EQ(Outf8_to_mbcs(name, nullptr, 0), 5u);
    char buffer[16];
    EXPECT_EQ(Outf8_to_mbcs(name, buffer, sizeof(buffer)), 5u);
    EXPECT_STREQ(buffer, name);
    EXPECT_EQ(Ombcs_to_utf8(name, buffer, sizeof(buffer)), 5u);
    EXPECT_STREQ(buffer, name);

    // Room for 4 bytes would split the 'é': only "Caf" is written.
    char small[5];
    EXPECT_EQ(Outf8_to_mbcs(name, small, sizeof(small)), 5u);
    EXPECT_STREQ(small, "Caf");
    EXPECT_EQ(Ombcs_to_utf8(nullptr, small, sizeof(small)), 0u);
    EXPECT_STREQ(small, "");
}

// Any bytes come back from toMB(fromMB()) as they were: well-formed UTF-8
// decodes to its code points, every other byte to its escape U+DC00 + byte.
TEST(TextHelpers, AnyBytesRoundTripAndValidUtf8DecodesToCodePoints) {
    struct Case {
        std::string bytes;
        std::vector<std::uint32_t> codes;
    } cases[] = {
        {"A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", {0x41, 0xE9, 0x20AC, 0x1F600}},
        {"\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", {0xD7FF, 0xE000, 0x10FFFF}},
        {"Caf\xE9", {'C', 'a', 'f', 0xDCE9}},
        {"\xED\xBB\xBF", {0xDCED, 0xDCBB, 0xDCBF}},              // encoded surrogate
        {"\xF4\x90\x80\x80", {0xDCF4, 0xDC90, 0xDC80, 0xDC80}},  // above U+10FFFF
        {"\xC0\xAF", {0xDCC0, 0xDCAF}},                          // overlong '/'
        {"\xE0\x9F\xBF", {0xDCE0, 0xDC9F, 0xDCBF}},              // overlong, three bytes
        {"\xF0\x8F\xBF\xBF", {0xDCF0, 0xDC8F, 0xDCBF, 0xDCBF}},  // overlong, four bytes
        {"\xE2\x82", {0xDCE2, 0xDC82}},                          // cut short at the end
        {"\xE2\x82"
         "A\xC3\xA9",
         {0xDCE2, 0xDC82, 'A', 0xE9}},  // cut short inside
        {"\x80", {0xDC80}},             // stray continuation
        {"\xFF", {0xDCFF}},
        {"\xF5\x80\x80\x80", {0xDCF5, 0xDC80, 0xDC80, 0xDC80}},
        {std::string("a\0\xE9", 3), {'a', 0, 0xDCE9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        const wxString wide = fromMB(c.bytes);
        std::vector<std::uint32_t> codes;
        for (std::size_t i = 0; i < wide.length(); ++i) {
            codes.push_back(static_cast<std::uint32_t>(wide[i].GetValue()));
        }
        EXPECT_EQ(codes, c.codes);
        EXPECT_EQ(toMB(wide), c.bytes);
    }
}

// Surrogates other than the escapes are no characters: U+FFFD, as is what
// lies beyond U+10FFFF.
TEST(TextHelpers, OtherSurrogatesAreWrittenAsReplacement) {
    const std::string replacement = "\xEF\xBF\xBD";
    for (const std::uint32_t c :
         {0xD800u, 0xDBFFu, 0xDC00u, 0xDC7Fu, 0xDD00u, 0xDFFFu, 0x110000u}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(toMB(wxString(1, static_cast<wchar_t>(c))), replacement);
    }
    EXPECT_EQ(toMB(wxString(1, static_cast<wchar_t>(0xDC80))), "\x80");
    EXPECT_EQ(toMB(wxString(1, static_cast<wchar_t>(0xDCFF))), "\xFF");
}

TEST(TextHelpers, CutsNeverSplitACharacter) {
    const std::string text =
        "a\xE2\x82\xAC"
        "b";  // a, euro sign, b
    EXPECT_EQ(utf8CutLength(text.data(), text.size(), 5), 5u);
    EXPECT_EQ(utf8CutLength(text.data(), text.size(), 4), 4u);
    EXPECT_EQ(utf8CutLength(text.data(), text.size(), 3), 1u);
    EXPECT_EQ(utf8CutLength(text.data(), text.size(), 1), 1u);
    EXPECT_EQ(utf8CutLength(text.data(), text.size(), 0), 0u);
    char buffer[4];
    EXPECT_EQ(copyTextCut(buffer, text, 3), 1u);
    EXPECT_STREQ(buffer, "a");
    // What is cut still converts back.
    EXPECT_EQ(fromMB(buffer), wxString(L"a"));
}

}  // namespace
