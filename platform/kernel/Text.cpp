#include "kernel/Text.h"

#include <cstdint>
#include <cstring>

namespace vexa {
namespace kernel {

namespace {

// The escape of a byte that is no part of a character: U+DC80..U+DCFF, lone
// low surrogates, which valid UTF-8 never decodes to.
const std::uint32_t kEscapeBase = 0xDC00;

bool isEscape(std::uint32_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// The length of the well-formed UTF-8 sequence at `s` (of `left` bytes) and
// its code point; 0 when the first byte starts none (RFC 3629: no overlong
// form, no surrogate, nothing above U+10FFFF).
std::size_t decodeOne(const unsigned char* s, std::size_t left, std::uint32_t* c) {
    const unsigned char lead = s[0];
    std::size_t length;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    std::uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : low;    // overlong below U+0800
        high = lead == 0xED ? 0x9F : high;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : low;    // overlong below U+10000
        high = lead == 0xF4 ? 0x8F : high;  // above U+10FFFF
    } else {
        return 0;
    }
    if (left < length || s[1] < low || s[1] > high) {
        return 0;
    }
    code = (code << 6) | (s[1] & 0x3F);
    for (std::size_t i = 2; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (s[i] & 0x3F);
    }
    *c = code;
    return length;
}

}  // namespace

std::string toMB(const wxString& text) {
    // Encoded here rather than by wx's converter, which measures the text in
    // a first pass and is the larger part of a getter's cost. A wide string
    // holds code points (UTF-32 on this platform). An escape gives back the
    // byte fromMB() read; any other surrogate, and what lies beyond
    // U+10FFFF, is no character and becomes U+FFFD.
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
        if (isEscape(c)) {
            out += static_cast<char>(c - kEscapeBase);
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
    // Most settings text is ASCII: widen it directly.
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
    // Never more code points than bytes.
    std::wstring wide;
    wide.reserve(length);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    std::size_t at = 0;
    while (at < length) {
        if (s[at] < 0x80) {
            wide += static_cast<wchar_t>(s[at++]);
            continue;
        }
        std::uint32_t c = 0;
        const std::size_t used = decodeOne(s + at, length - at, &c);
        if (used == 0) {
            // Escaped rather than replaced or dropped, so that toMB() gives
            // back the very bytes: a folder named in another code page can
            // still be opened, and a load and a store keep every value.
            wide += static_cast<wchar_t>(kEscapeBase + s[at++]);
            continue;
        }
        wide += static_cast<wchar_t>(c);
        at += used;
    }
    return wxString(wide.data(), wide.size());
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
