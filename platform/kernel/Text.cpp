#include "kernel/Text.h"

#include <cstdint>
#include <cstring>

namespace vexa {
namespace kernel {

namespace {

// wxWidgets makes its global converters on first use without a lock, so two
// threads converting for the first time race. Taking them here once, behind
// thread-safe static initialisation, keeps every later use a plain read.
const wxMBConv& utf8Converter() {
    static const wxMBConv& converter = wxConvUTF8;
    return converter;
}
const wxMBConv& latin1Converter() {
    static const wxMBConv& converter = wxConvISO8859_1;
    return converter;
}

}  // namespace

std::string toMB(const wxString& text) {
    // Encoded here rather than by wx's converter, which measures the text in
    // a first pass and is the larger part of a getter's cost. A wide string
    // holds code points (UTF-32 on this platform); what is no character
    // (a lone surrogate, beyond U+10FFFF) becomes U+FFFD.
    const wxStringCharType* p = text.wx_str();
    const std::size_t length = text.length();
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(p[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

wxString fromMB(const char* text, std::size_t length) {
    if (text == nullptr || length == 0) {
        return wxString();
    }
    // Most settings text is ASCII: widen it directly, which is several times
    // faster than the general converter (it measures the text first).
    wchar_t small[128];
    if (length <= sizeof(small) / sizeof(small[0])) {
        std::size_t i = 0;
        while (i < length && static_cast<unsigned char>(text[i]) < 0x80) {
            small[i] = static_cast<wchar_t>(text[i]);
            ++i;
        }
        if (i == length) {
            return wxString(small, length);
        }
    }
    wxString result(text, utf8Converter(), length);
    if (result.empty()) {
        // Not UTF-8: keep the bytes readable instead of losing the text.
        result = wxString(text, latin1Converter(), length);
    }
    return result;
}

wxString fromMB(const char* text) {
    return text == nullptr ? wxString() : fromMB(text, std::strlen(text));
}

wxString fromMB(const std::string& text) {
    return fromMB(text.data(), text.size());
}

std::size_t utf8CutLength(const char* text, std::size_t length, std::size_t maximum) {
    if (length <= maximum) {
        return length;
    }
    std::size_t cut = maximum;
    // A continuation byte at the cut means the cut would split a character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut;
}

std::size_t copyTextCut(char* buffer, const std::string& text, std::size_t maximum) {
    const std::size_t n = utf8CutLength(text.data(), text.size(), maximum);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

}  // namespace kernel
}  // namespace vexa
