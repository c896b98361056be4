// UTF-8 text services. The multibyte code page is UTF-8, so the conversions
// are copies that respect character boundaries when they must cut.
#include <cstring>

#include "kernel/Text.h"
#include "kernel/VexKernel.h"

namespace {

std::size_t copyCut(const char* text, char* destination, std::size_t size) {
    if (text == nullptr) {
        if (destination != nullptr && size > 0) {
            destination[0] = '\0';
        }
        return 0;
    }
    const std::size_t length = std::strlen(text);
    if (destination != nullptr && size > 0) {
        const std::size_t n = vexa::kernel::utf8CutLength(text, length, size - 1);
        std::memmove(destination, text, n);
        destination[n] = '\0';
    }
    return length;
}

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

extern "C" {

size_t Outf8_to_mbcs(const char* text, char* destination, size_t size) {
    return copyCut(text, destination, size);
}

size_t Ombcs_to_utf8(const char* text, char* destination, size_t size) {
    return copyCut(text, destination, size);
}

uint32_t Ostrgetc(const char* text, int* length) {
    int dummy = 0;
    int& n = length != nullptr ? *length : dummy;
    if (text == nullptr || *text == '\0') {
        n = 0;
        return 0;
    }
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    n = 1;
    int more = 0;
    uint32_t code = 0;
    uint32_t minimum = 0;
    if (s[0] < 0x80) {
        return s[0];
    } else if ((s[0] & 0xE0) == 0xC0) {
        more = 1;
        code = s[0] & 0x1F;
        minimum = 0x80;
    } else if ((s[0] & 0xF0) == 0xE0) {
        more = 2;
        code = s[0] & 0x0F;
        minimum = 0x800;
    } else if ((s[0] & 0xF8) == 0xF0) {
        more = 3;
        code = s[0] & 0x07;
        minimum = 0x10000;
    } else {
        return s[0];  // a continuation byte or 0xF8..0xFF
    }
    // The terminator is not a continuation byte, so a cut-short sequence
    // stops here without reading past the text.
    for (int i = 1; i <= more; ++i) {
        if (!isContinuation(s[i])) {
            return s[0];
        }
        code = (code << 6) | (s[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return s[0];
    }
    n = 1 + more;
    return code;
}

}  // extern "C"
